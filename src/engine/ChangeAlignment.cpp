#include "engine/ChangeAlignment.h"

#include <algorithm>

#include "engine/ComparisonModel.h"
#include "engine/SplitHtml.h"

namespace {

constexpr int kBlockEdge = 100;
constexpr int kSentenceEdge = 10;
constexpr int kClauseEdge = 3;

// A block of adjacent changes: the tokens it takes from each side. The diff writes a block as
// its paired changes first and the surplus of the longer side after them.
struct TBlock {
  int32_t Record;  // index of its first record
  int32_t First1, Count1, First2, Count2;
  int32_t End1() const { return First1 + Count1; }
  int32_t End2() const { return First2 + Count2; }
  int32_t RecordCount() const { return std::max(Count1, Count2); }
  bool Pure() const { return Count1 == 0 || Count2 == 0; }
  // The kind of the block's last records: its surplus, or dkChange without one.
  TDiffKind Surplus() const { return Count1 > Count2 ? dkDelete : Count1 < Count2 ? dkInsert : dkChange; }
};

std::vector<TBlock> BlocksOf(const std::vector<TChangeRec>& recs) {
  std::vector<TBlock> blocks;
  int32_t at1 = 0, at2 = 0;
  bool open = false;
  for (size_t i = 0; i < recs.size(); ++i) {
    const TDiffKind kind = recs[i].Kind;
    if (kind == dkSame) {
      open = false;
      ++at1, ++at2;
      continue;
    }
    if (!open) blocks.push_back({static_cast<int32_t>(i), at1, 0, at2, 0});
    open = true;
    if (kind != dkInsert) ++at1, ++blocks.back().Count1;
    if (kind != dkDelete) ++at2, ++blocks.back().Count2;
  }
  return blocks;
}

// Two blocks may stand without equal tokens between them only where the records of both read as
// one block would: left's surplus, if any, continued by right's one kind.
bool MayMeet(const TBlock& left, const TBlock& right) {
  return right.Pure() && (left.Surplus() == dkChange || left.Surplus() == right.Surplus());
}

int SideScore(const TComparedText& text, int32_t first, int32_t count) {
  return count == 0 ? 0 : EdgeScore(text, first) + EdgeScore(text, first + count);
}

// Writes, from record `at` on, `before` equal pairs from tokens (a, b), the block b's records
// (its tokens following them) and `after` equal pairs.
void WriteRegion(std::vector<TChangeRec>& recs, size_t at, int32_t a, int32_t b, const TBlock& block,
                 int32_t before, int32_t after, const std::vector<int32_t>& h1, const std::vector<int32_t>& h2) {
  auto same = [&](int32_t n) {
    for (; n > 0; --n, ++a, ++b) recs[at++] = {dkSame, a, b, h1[a], h2[b]};
  };
  same(before);
  const int32_t paired = std::min(block.Count1, block.Count2);
  for (int32_t k = 0; k < paired; ++k, ++a, ++b) recs[at++] = {dkChange, a, b, h1[a], h2[b]};
  for (int32_t k = paired; k < block.Count1; ++k, ++a) recs[at++] = {dkDelete, a, b - 1, h1[a], 0};
  for (int32_t k = paired; k < block.Count2; ++k, ++b) recs[at++] = {dkInsert, a - 1, b, 0, h2[b]};
  same(after);
}

void AddRun(std::vector<TChangeRun>& runs, const TChangeRun& run) {
  if (!runs.empty()) {
    TChangeRun& last = runs.back();
    if (last.Kind == run.Kind && last.First1 + last.Count1 == run.First1 && last.First2 + last.Count2 == run.First2) {
      last.Count1 += run.Count1;
      last.Count2 += run.Count2;
      return;
    }
  }
  runs.push_back(run);
}

}  // namespace

int EdgeScore(const TComparedText& text, int32_t boundary) {
  const int32_t count = static_cast<int32_t>(text.Positions.size());
  if (boundary <= 0 || boundary >= count || text.Blocks.BreakBefore[static_cast<size_t>(boundary)])
    return kBlockEdge;
  const size_t before = static_cast<size_t>(text.Positions[static_cast<size_t>(boundary) - 1] - 1);
  const size_t length = TokenLength(text.Text, before);
  const std::string_view token(text.Text.data() + before, length);
  // A full stop inside a number or an abbreviation ("27.11.2018") has no blank after it.
  const bool blankAfter = before + length < static_cast<size_t>(text.Positions[static_cast<size_t>(boundary)] - 1);
  if (blankAfter && token.find_first_of(".!?\x85") != std::string_view::npos) return kSentenceEdge;
  if (token.find_first_of(";:") != std::string_view::npos) return kClauseEdge;
  return 0;
}

TChangeLayout LayOutChanges(std::vector<TChangeRec>& recs, const TComparedText& oldText,
                            const TComparedText& newText, bool align) {
  std::vector<TBlock> blocks = BlocksOf(recs);
  const std::vector<int32_t>& h1 = oldText.Hashes;
  const std::vector<int32_t>& h2 = newText.Hashes;
  const int32_t n1 = static_cast<int32_t>(h1.size());
  TChangeLayout layout;
  for (size_t i = 0; align && i < blocks.size(); ++i) {
    TBlock& b = blocks[i];
    const TBlock* prev = i > 0 ? &blocks[i - 1] : nullptr;
    const TBlock* next = i + 1 < blocks.size() ? &blocks[i + 1] : nullptr;
    // Shifting by one token over the equal pair before (or after) the block keeps the edit when
    // that pair's token equals the block's last (or first) token on each side that has tokens.
    auto slides = [&](int32_t shift) {  // from shift - sign(shift) one further
      if (shift < 0) {
        const int32_t f1 = b.First1 + shift + 1, f2 = b.First2 + shift + 1;
        const int32_t floor1 = prev ? prev->End1() : 0;
        if (f1 - 1 < floor1) return false;
        if (f1 - 1 == floor1 && prev && !MayMeet(*prev, b)) return false;
        return (b.Count1 == 0 || h1[f1 - 1] == h1[f1 - 1 + b.Count1]) &&
               (b.Count2 == 0 || h2[f2 - 1] == h2[f2 - 1 + b.Count2]);
      }
      const int32_t f1 = b.First1 + shift - 1, f2 = b.First2 + shift - 1;
      const int32_t ceiling1 = next ? next->First1 : n1;
      if (f1 + b.Count1 >= ceiling1) return false;
      if (f1 + b.Count1 + 1 == ceiling1 && next && !MayMeet(b, *next)) return false;
      return (b.Count1 == 0 || h1[f1] == h1[f1 + b.Count1]) && (b.Count2 == 0 || h2[f2] == h2[f2 + b.Count2]);
    };
    int32_t low = 0, high = 0;
    while (slides(low - 1)) --low;
    while (slides(high + 1)) ++high;
    if (low == high) continue;
    auto score = [&](int32_t shift) {
      return SideScore(oldText, b.First1 + shift, b.Count1) + SideScore(newText, b.First2 + shift, b.Count2);
    };
    int32_t best = 0;
    int bestScore = score(0);
    for (int32_t d = 1; d <= std::max(-low, high); ++d)
      for (int32_t shift : {-d, d}) {
        if (shift < low || shift > high) continue;
        const int s = score(shift);
        if (s > bestScore) best = shift, bestScore = s;
      }
    if (best == 0) continue;
    TBlockShift moved{b.Record, b.First1, b.First2, best,
                      std::vector<TChangeRec>(recs.begin() + b.Record, recs.begin() + b.Record + b.RecordCount())};
    // The equal pairs it slides over change places with it; no other record changes.
    if (best > 0)
      WriteRegion(recs, static_cast<size_t>(b.Record), b.First1, b.First2, b, best, 0, h1, h2);
    else
      WriteRegion(recs, static_cast<size_t>(b.Record + best), b.First1 + best, b.First2 + best, b, 0, -best, h1, h2);
    b.First1 += best;
    b.First2 += best;
    b.Record += best;
    layout.Shifts.push_back(std::move(moved));
  }
  for (const TBlock& b : blocks) {
    const int32_t paired = std::min(b.Count1, b.Count2);
    if (paired > 0) AddRun(layout.Runs, {dkChange, b.First1, paired, b.First2, paired});
    if (b.Count1 > paired) AddRun(layout.Runs, {dkDelete, b.First1 + paired, b.Count1 - paired, b.First2 + paired, 0});
    if (b.Count2 > paired) AddRun(layout.Runs, {dkInsert, b.First1 + paired, 0, b.First2 + paired, b.Count2 - paired});
  }
  return layout;
}

void UndoShifts(std::vector<TChangeRec>& recs, const std::vector<TBlockShift>& shifts,
                const std::vector<int32_t>& h1, const std::vector<int32_t>& h2) {
  for (auto it = shifts.rbegin(); it != shifts.rend(); ++it) {
    const TBlockShift& s = *it;
    int32_t count1 = 0, count2 = 0;
    for (const TChangeRec& r : s.Records) count1 += r.Kind != dkInsert, count2 += r.Kind != dkDelete;
    // The equal pairs the block slid over go back to its other side.
    const int32_t n = s.Shift > 0 ? s.Shift : -s.Shift;
    int32_t a = s.Shift > 0 ? s.First1 + count1 : s.First1 - n;
    int32_t b = s.Shift > 0 ? s.First2 + count2 : s.First2 - n;
    size_t at = static_cast<size_t>(s.Shift > 0 ? s.Record + static_cast<int32_t>(s.Records.size()) : s.Record - n);
    for (int32_t k = 0; k < n; ++k, ++a, ++b) recs[at++] = {dkSame, a, b, h1[a], h2[b]};
    std::copy(s.Records.begin(), s.Records.end(), recs.begin() + s.Record);
  }
}
