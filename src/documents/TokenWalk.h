#pragma once
// Both compared texts walked in step, token by token: what the documents handed on are written
// from. Deletions at a place come before the insertions there.
#include <cstdint>
#include <string>
#include <vector>

struct TComparisonModel;
struct TComparedText;

// One step: an equal token of both texts, a deleted old token or an inserted new one.
struct TWalkItem {
  int32_t Old = -1, New = -1;  // token indices; -1 where the side has none
  int Change = -1;             // index into the model's runs; -1 for an equal token
  bool Moved = false;
};

struct TTokenWalk {
  std::vector<int> Change1, Change2;  // per token of each text: its run, -1 when equal
  std::vector<TWalkItem> Items;       // in reading order
};

TTokenWalk WalkTokens(const TComparisonModel& model);

// Whether a blank stands between token k and the token before it in the same paragraph (false
// for the first token of a paragraph). Tags between them are not blanks.
bool BlankBefore(const TComparedText& text, int32_t k);
// Whether token k begins a paragraph of its text.
bool StartsParagraph(const TComparedText& text, int32_t k);
// Token k as UTF-8, character references resolved.
std::string TokenUtf8(const TComparedText& text, int32_t k);

// The first paragraph of the text that has words, as plain UTF-8, cut to about maxChars
// characters at a blank (with «…»); empty when the text has no tokens.
std::string FirstParagraphText(const TComparedText& text, size_t maxChars);
// The text's heading: the first paragraph written in capitals among the first few, else the
// first paragraph; cut as above.
std::string HeadingText(const TComparedText& text, size_t maxChars);
