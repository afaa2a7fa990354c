#pragma once
// The changes of a comparison as one JSON document (UTF-8), for other programs:
//   {"changes": [{"n": 1, "kind": "inserted" | "deleted" | "replaced" | "moved",
//                 "old": SIDE, "new": SIDE}, ...]}
// in the order of the counter, where SIDE is {"paragraph": P, "first_token": T,
// "token_count": C, "text": "..."}: the 0-based block element where that side's run starts (for
// the side without tokens, the place where the other side's text is missing), its 0-based token
// range and its words. A move's old side is the passage's old place, its new side the new one.
#include <cstdint>
#include <string>
#include <vector>
#include <string_view>

struct TComparisonModel;
struct TComparedText;
struct TChangeList;

//
// With a change list, each SIDE also has "address" (as the list shows it), "address_paragraph"
// (the paragraph the address is of), the units "section", "chapter", "article", "part", "item",
// "subitem" (labels as written, null where absent) and "paragraph_in_unit" (null where not
// counted); each change has "kind_text" and "where"; and a top-level "summary" holds the counts
// of the summary line and its "text".
std::string ChangesJson(const TComparisonModel& model, const TChangeList* list = nullptr);

// The words of tokens [first, first + count), one blank where the text had blanks or a block
// boundary between two of them; starts, when given, gets where each token begins in it.
std::string TokenText(const TComparedText& t, int32_t first, int32_t count,
                      std::vector<size_t>* starts = nullptr);

// Windows-1251 text as UTF-8, its character references resolved as the JSON resolves them.
std::string Utf8Text(std::string_view text);
