#include "engine/ChangeBlocks.h"

#include <algorithm>
#include <limits>
#include <unordered_map>

#include "engine/ComparisonModel.h"

namespace {

bool IsLetterOrDigit(unsigned char c) {
  return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c >= 0xC0 || c == 0xA8 ||
         c == 0xB8;
}

// The words among tokens [first, first + count): tokens that begin with a letter or digit.
// Counting stops past `enough`.
int32_t WordsIn(const TComparedText& t, int32_t first, int32_t count, int32_t enough = std::numeric_limits<int32_t>::max()) {
  int32_t words = 0;
  for (int32_t k = first; k < first + count && words <= enough; ++k)
    words += IsLetterOrDigit(static_cast<unsigned char>(t.Text[static_cast<size_t>(t.Positions[static_cast<size_t>(k)] - 1)]));
  return words;
}

// A run of records of one kind, as the pages mark it.
struct TKindRun {
  int32_t From = 0, To = 0;  // its records
  int32_t First1 = 0, Count1 = 0, First2 = 0, Count2 = 0;
  TDiffKind Kind = dkChange;
  int32_t Words = 0;  // of its longer side
  int Run = -1;       // the change of the caller's runs it is; -1 for none (a moved passage)
  int32_t End1() const { return First1 + Count1; }
  int32_t End2() const { return First2 + Count2; }
};

std::vector<TKindRun> KindRunsOf(const std::vector<TChangeRec>& recs) {
  std::vector<TKindRun> runs;
  int32_t at1 = 0, at2 = 0;
  TDiffKind previous = dkSame;
  for (size_t i = 0; i < recs.size(); ++i) {
    const TDiffKind kind = recs[i].Kind;
    if (kind != dkSame && kind != previous) {
      TKindRun r;
      r.From = static_cast<int32_t>(i);
      r.First1 = at1, r.First2 = at2, r.Kind = kind;
      runs.push_back(r);
    }
    previous = kind;
    if (kind != dkInsert) ++at1;
    if (kind != dkDelete) ++at2;
    if (kind == dkSame) continue;
    TKindRun& r = runs.back();
    r.To = static_cast<int32_t>(i) + 1;
    if (kind != dkInsert) ++r.Count1;
    if (kind != dkDelete) ++r.Count2;
  }
  return runs;
}

// True when joining would make one change across a block boundary on this side: one between the
// earlier run's tokens (if it has any here) and the common tokens [gapFirst, gapEnd), inside
// them, or between them and the later run's tokens (if any).
bool CrossesBoundary(const TComparedText& t, int32_t gapFirst, int32_t gapEnd, bool earlierHere, bool laterHere) {
  const int32_t last = laterHere ? gapEnd : gapEnd - 1;
  for (int32_t k = earlierHere ? gapFirst : gapFirst + 1; k <= last; ++k)
    if (t.Blocks.BreakBefore[static_cast<size_t>(k)]) return true;
  return false;
}

int64_t Key(int32_t first1, int32_t first2) {
  return (static_cast<int64_t>(first1) << 32) | static_cast<uint32_t>(first2);
}

}  // namespace

int32_t MaxJoinedGapWords(int32_t smallerEditWords) { return std::max<int32_t>(2, smallerEditWords); }

TJoinedBlocks JoinCoherentBlocks(std::vector<TChangeRec>& recs, std::vector<TChangeRun>& runs,
                                 const TComparedText& oldText, const TComparedText& newText) {
  TJoinedBlocks joined;
  std::vector<TKindRun> kindRuns = KindRunsOf(recs);
  if (kindRuns.size() < 2) return joined;
  std::unordered_map<int64_t, int> byStart;
  byStart.reserve(runs.size());
  for (size_t i = 0; i < runs.size(); ++i)
    if (!runs[i].Moved) byStart.emplace(Key(runs[i].First1, runs[i].First2), static_cast<int>(i));
  for (TKindRun& r : kindRuns) {
    const auto it = byStart.find(Key(r.First1, r.First2));
    if (it == byStart.end()) continue;
    const TChangeRun& run = runs[static_cast<size_t>(it->second)];
    if (run.Kind == r.Kind && run.Count1 == r.Count1 && run.Count2 == r.Count2) r.Run = it->second;
    r.Words = std::max(WordsIn(oldText, r.First1, r.Count1), WordsIn(newText, r.First2, r.Count2));
  }

  // joinsPrevious[j]: kind run j is one change with kind run j - 1.
  std::vector<char> joinsPrevious(kindRuns.size(), 0);
  for (size_t j = 1; j < kindRuns.size(); ++j) {
    const TKindRun &a = kindRuns[j - 1], &b = kindRuns[j];
    if (a.Run < 0 || b.Run < 0) continue;
    const int32_t gap = b.First1 - a.End1();  // the common tokens between them, the same on both sides
    const int32_t limit = MaxJoinedGapWords(std::min(a.Words, b.Words));
    if (WordsIn(oldText, a.End1(), gap, limit) > limit) continue;
    if (CrossesBoundary(oldText, a.End1(), b.First1, a.Count1 > 0, b.Count1 > 0) ||
        CrossesBoundary(newText, a.End2(), b.First2, a.Count2 > 0, b.Count2 > 0))
      continue;
    joinsPrevious[j] = 1;
  }

  std::vector<char> dropped(runs.size(), 0);
  std::vector<std::pair<int, TChangeRun>> replaced;  // run index, the block it becomes
  for (size_t j = 0; j < kindRuns.size();) {
    size_t last = j;
    while (last + 1 < kindRuns.size() && joinsPrevious[last + 1]) ++last;
    if (last > j) {
      const TKindRun &first = kindRuns[j], &end = kindRuns[last];
      for (size_t k = j; k < last; ++k)
        for (int32_t i = kindRuns[k].To; i < kindRuns[k + 1].From; ++i) {
          recs[static_cast<size_t>(i)].Kind = dkChange;
          joined.Common.push_back(i);
        }
      joined.Spans.push_back({first.From, end.To});
      TChangeRun block;
      block.Kind = dkChange;
      block.First1 = first.First1, block.Count1 = end.End1() - first.First1;
      block.First2 = first.First2, block.Count2 = end.End2() - first.First2;
      replaced.emplace_back(first.Run, block);
      for (size_t k = j + 1; k <= last; ++k) dropped[static_cast<size_t>(kindRuns[k].Run)] = 1;
    }
    j = last + 1;
  }
  if (replaced.empty()) return joined;
  for (const auto& [index, block] : replaced) runs[static_cast<size_t>(index)] = block;
  size_t kept = 0;
  for (size_t i = 0; i < runs.size(); ++i)
    if (!dropped[i]) runs[kept++] = runs[i];
  runs.resize(kept);
  return joined;
}
