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

std::string FirstParagraphText(const TComparedText& text, size_t maxChars) {
  std::string out;
  size_t chars = 0;
  const int32_t n = static_cast<int32_t>(text.Positions.size());
  for (int32_t k = 0; k < n; ++k) {
    if (k > 0 && StartsParagraph(text, k)) break;
    const std::string word = TokenUtf8(text, k);
    size_t wordChars = 0;
    for (unsigned char c : word) wordChars += (c & 0xC0) != 0x80;
    const bool blank = BlankBefore(text, k);
    if (chars + wordChars + blank > maxChars && !out.empty()) {
      out += "…";
      break;
    }
    if (blank) out += ' ';
    out += word;
    chars += wordChars + blank;
  }
  return out;
}
