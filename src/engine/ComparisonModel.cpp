#include "engine/ComparisonModel.h"

#include <cstring>
#include <string_view>
#include <utility>

#include "engine/BothSides.h"
#include "engine/ChangeAlignment.h"
#include "engine/HtmlScan.h"
#include "engine/SplitHtml.h"
#include "support/Cp1251.h"

namespace {

bool MatchesNoCase(const char* s, std::string_view pattern) {
  for (size_t k = 0; k < pattern.size(); ++k)
    if (cp1251::UpperTable[static_cast<unsigned char>(s[k])] != cp1251::UpperTable[static_cast<unsigned char>(pattern[k])])
      return false;
  return true;
}

std::string CutTail(std::string& text) {
  const size_t p = html_scan::FindBodyEnd(text);
  if (p == std::string::npos) return {};
  std::string tail = text.substr(p);
  text.resize(p);
  return tail;
}

// Replaces every "&nbsp;" (any case) by one space, in place: the text only shrinks.
void ReplaceNbsp(std::string& text) {
  static constexpr std::string_view kNbsp = "&nbsp;";
  char* s = text.data();
  const size_t n = text.size();
  size_t from = 0, out = 0;  // read and write positions
  for (size_t i = 0; i + kNbsp.size() <= n;) {
    const void* hit = std::memchr(s + i, '&', n - kNbsp.size() + 1 - i);
    if (!hit) break;
    const size_t at = static_cast<size_t>(static_cast<const char*>(hit) - s);
    if (!MatchesNoCase(s + at, kNbsp)) {
      i = at + 1;
      continue;
    }
    if (out != from) std::memmove(s + out, s + from, at - from);
    out += at - from;
    s[out++] = ' ';
    from = i = at + kNbsp.size();
  }
  if (from == 0) return;  // none found
  std::memmove(s + out, s + from, n - from);
  text.resize(out + n - from);
}



}  // namespace

std::vector<TChangeRun> ChangeRunsOf(const std::vector<TChangeRec>& recs) {
  std::vector<TChangeRun> runs;
  int32_t at1 = 0, at2 = 0;  // tokens consumed so far
  TDiffKind previous = dkSame;
  for (const TChangeRec& r : recs) {
    if (r.Kind != dkSame && r.Kind != previous) runs.push_back({r.Kind, at1, 0, at2, 0});
    previous = r.Kind;
    if (r.Kind != dkInsert) ++at1;
    if (r.Kind != dkDelete) ++at2;
    if (r.Kind == dkSame) continue;
    if (r.Kind != dkInsert) ++runs.back().Count1;
    if (r.Kind != dkDelete) ++runs.back().Count2;
  }
  return runs;
}

std::vector<TChangeRec> TComparisonModel::LiteralRecords() const {
  std::vector<TChangeRec> recs = Records;
  for (int32_t i : Joined.Common) recs[static_cast<size_t>(i)].Kind = dkSame;
  UndoShifts(recs, Shifts, Old.Hashes, New.Hashes);
  return recs;
}

int32_t TComparisonModel::ParagraphOf(bool oldSide, int32_t first) const {
  const std::vector<int32_t>& paragraphs = (oldSide ? Old : New).Blocks.Paragraph;
  if (paragraphs.empty()) return 0;
  const size_t at = static_cast<size_t>(first) < paragraphs.size() ? static_cast<size_t>(first) : paragraphs.size() - 1;
  return paragraphs[at];
}

TComparisonModel BuildComparisonModel(std::string text1, std::string text2, TDiff& diff,
                                      const TComparisonOptions& options) {
  TComparisonModel model;
  model.Options = options;
  model.Old.Text = std::move(text1);
  model.New.Text = std::move(text2);
  // Both texts are cut, cleaned and split at the same time; the diff between them runs on the
  // caller's thread (which lets its messages through).
  TComparedText* texts[3] = {nullptr, &model.Old, &model.New};
  const bool parallel = model.Old.Text.size() + model.New.Text.size() >= engine_detail::kParallelBytes;
  engine_detail::BothSides(parallel, [&](int s) {
    TComparedText& t = *texts[s];
    t.Tail = CutTail(t.Text);
    ReplaceNbsp(t.Text);
    SplitHtml(t.Text, t.Positions, t.Hashes);
    t.Blocks = MapTokenBlocks(t.Text, t.Positions);
  });
  model.Complete = diff.CompareLists(model.Old.Hashes.data(), model.New.Hashes.data(),
                                     static_cast<int>(model.Old.Hashes.size()),
                                     static_cast<int>(model.New.Hashes.size()));
  model.Records = diff.TakeChanges();
  TChangeLayout laidOut = LayOutChanges(model.Records, model.Old, model.New, options.Aligned());
  model.Runs = std::move(laidOut.Runs);
  model.Shifts = std::move(laidOut.Shifts);
  if (options.Moves && options.Aligned()) model.Moves = FindMovedPassages(model.Runs, model.Old, model.New);
  // Last: a moved passage is found among the plain runs and is never joined with others.
  if (options.JoinsBlocks()) {
    model.Joined = JoinCoherentBlocks(model.Records, model.Runs, model.Old, model.New);
    // Joining drops runs: the moves, kept in the runs' order, point at theirs anew.
    size_t move = 0;
    for (size_t i = 0; i < model.Runs.size() && move < model.Moves.size(); ++i)
      if (model.Runs[i].Moved) model.Moves[move++].Run = static_cast<int32_t>(i);
  }
  model.ChangeCount = static_cast<int>(model.Runs.size());
  return model;
}
