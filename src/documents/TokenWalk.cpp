#include "documents/TokenWalk.h"

#include <string_view>

#include "engine/ChangesJson.h"
#include "engine/ComparisonModel.h"
#include "engine/SplitHtml.h"

namespace {

void MarkRun(std::vector<int>& change, int32_t first, int32_t count, int run) {
  for (int32_t k = first; k < first + count && k < static_cast<int32_t>(change.size()); ++k)
    if (k >= 0) change[static_cast<size_t>(k)] = run;
}

}  // namespace

TTokenWalk WalkTokens(const TComparisonModel& model) {
  TTokenWalk walk;
  const int32_t n1 = static_cast<int32_t>(model.Old.Positions.size());
  const int32_t n2 = static_cast<int32_t>(model.New.Positions.size());
  walk.Change1.assign(static_cast<size_t>(n1), -1);
  walk.Change2.assign(static_cast<size_t>(n2), -1);
  for (size_t r = 0; r < model.Runs.size(); ++r) {
    const TChangeRun& run = model.Runs[r];
    MarkRun(walk.Change1, run.First1, run.Count1, static_cast<int>(r));
    MarkRun(walk.Change2, run.First2, run.Count2, static_cast<int>(r));
  }
  auto moved = [&model](int change) { return change >= 0 && model.Runs[static_cast<size_t>(change)].Moved; };
  walk.Items.reserve(static_cast<size_t>(n1 > n2 ? n1 : n2));
  int32_t i = 0, j = 0;
  while (i < n1 || j < n2) {
    // Equal tokens left over on one side only (never with a consistent model) are taken for
    // changes of that side, so that every token is written once.
    while (i < n1 && (walk.Change1[static_cast<size_t>(i)] >= 0 || j >= n2)) {
      const int c = walk.Change1[static_cast<size_t>(i)];
      walk.Items.push_back({i++, -1, c, moved(c)});
    }
    while (j < n2 && (walk.Change2[static_cast<size_t>(j)] >= 0 || i >= n1)) {
      const int c = walk.Change2[static_cast<size_t>(j)];
      walk.Items.push_back({-1, j++, c, moved(c)});
    }
    if (i < n1 && j < n2) walk.Items.push_back({i++, j++, -1, false});
  }
  return walk;
}

bool StartsParagraph(const TComparedText& text, int32_t k) {
  const auto& par = text.Blocks.Paragraph;
  return k == 0 || static_cast<size_t>(k) >= par.size() || par[static_cast<size_t>(k)] != par[static_cast<size_t>(k - 1)];
}

bool BlankBefore(const TComparedText& text, int32_t k) {
  if (StartsParagraph(text, k)) return false;
  if (static_cast<size_t>(k) < text.Blocks.BreakBefore.size() && text.Blocks.BreakBefore[static_cast<size_t>(k)])
    return true;
  const size_t previous = static_cast<size_t>(text.Positions[static_cast<size_t>(k - 1)] - 1);
  const size_t from = previous + TokenLength(text.Text, previous);
  const size_t to = static_cast<size_t>(text.Positions[static_cast<size_t>(k)] - 1);
  bool inTag = false;
  for (size_t p = from; p < to && p < text.Text.size(); ++p) {
    const char c = text.Text[p];
    if (c == '<') inTag = true;
    else if (c == '>') inTag = false;
    else if (!inTag && (c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\xA0')) return true;
  }
  return false;
}

std::string TokenUtf8(const TComparedText& text, int32_t k) {
  const size_t at = static_cast<size_t>(text.Positions[static_cast<size_t>(k)] - 1);
  return Utf8Text(std::string_view(text.Text).substr(at, TokenLength(text.Text, at)));
}

namespace {

// The paragraph from token k on, cut as FirstParagraphText says; next gets the token after it.
std::string ParagraphTextFrom(const TComparedText& text, int32_t k, size_t maxChars, int32_t& next) {
  std::string out;
  size_t chars = 0;
  bool cut = false;
  const int32_t n = static_cast<int32_t>(text.Positions.size());
  for (int32_t i = k; i < n; ++i) {
    next = i + 1;
    if (i > k && StartsParagraph(text, i)) {
      next = i;
      break;
    }
    if (cut) continue;
    const std::string word = TokenUtf8(text, i);
    size_t wordChars = 0;
    for (unsigned char c : word) wordChars += (c & 0xC0) != 0x80;
    const bool blank = i > k && BlankBefore(text, i);
    if (chars + wordChars + blank > maxChars && !out.empty()) {
      out += "…";
      cut = true;
      continue;
    }
    if (blank) out += ' ';
    out += word;
    chars += wordChars + blank;
  }
  return out;
}

// Written in capitals («КОНСТИТУЦИЯ РОССИЙСКОЙ ФЕДЕРАЦИИ»): letters, and none of them small.
bool InCapitals(const std::string& utf8) {
  int capitals = 0;
  for (size_t i = 0; i < utf8.size();) {
    const unsigned char c = static_cast<unsigned char>(utf8[i]);
    unsigned cp = c;
    size_t len = 1;
    if (c >= 0xC0 && c < 0xE0 && i + 1 < utf8.size()) {
      cp = ((c & 0x1Fu) << 6) | (static_cast<unsigned char>(utf8[i + 1]) & 0x3Fu);
      len = 2;
    } else if (c >= 0xE0) {
      len = c < 0xF0 ? 3 : 4;
      cp = 0;
    }
    i += len;
    if ((cp >= 'a' && cp <= 'z') || (cp >= 0x430 && cp <= 0x44F) || cp == 0x451) return false;
    if ((cp >= 'A' && cp <= 'Z') || (cp >= 0x410 && cp <= 0x42F) || cp == 0x401) ++capitals;
  }
  return capitals >= 4;
}

}  // namespace

std::string FirstParagraphText(const TComparedText& text, size_t maxChars) {
  int32_t next = 0;
  return text.Positions.empty() ? std::string() : ParagraphTextFrom(text, 0, maxChars, next);
}

std::string HeadingText(const TComparedText& text, size_t maxChars) {
  const int32_t n = static_cast<int32_t>(text.Positions.size());
  int32_t k = 0;
  // An act's title stands in capitals near its top, after the notes of its adoption.
  for (int paragraph = 0; paragraph < 12 && k < n; ++paragraph) {
    int32_t next = k;
    const std::string p = ParagraphTextFrom(text, k, maxChars, next);
    // The state's name stands above an act's own: the title is the paragraph after it.
    if (p == "РОССИЙСКАЯ ФЕДЕРАЦИЯ" && next < n) return ParagraphTextFrom(text, next, maxChars, next);
    if (InCapitals(p)) return p;
    k = next;
  }
  return FirstParagraphText(text, maxChars);
}
