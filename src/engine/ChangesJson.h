#pragma once
// The changes of a comparison as one JSON document (UTF-8), for other programs:
//   {"changes": [{"n": 1, "kind": "inserted" | "deleted" | "replaced" | "moved",
//                 "old": SIDE, "new": SIDE}, ...]}
// in the order of the counter, where SIDE is {"paragraph": P, "first_token": T,
// "token_count": C, "text": "..."}: the 0-based block element where that side's run starts (for
// the side without tokens, the place where the other side's text is missing), its 0-based token
// range and its words. A move's old side is the passage's old place, its new side the new one.
#include <string>

struct TComparisonModel;

std::string ChangesJson(const TComparisonModel& model);
