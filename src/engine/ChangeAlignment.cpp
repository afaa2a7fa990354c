#include "engine/ChangeAlignment.h"

#include <algorithm>
#include <cstdlib>

#include "engine/ComparisonModel.h"
#include "engine/SplitHtml.h"

namespace {

constexpr int kBlockEdge = 100;
constexpr int kSentenceEdge = 10;
constexpr int kClauseEdge = 3;

// A block of adjacent changes: the tokens it takes from each side. The diff writes a block as
// its paired changes first and the surplus of the longer side after them.
struct TBlock {
  int32_t First1, Count1, First2, Count2;
  int32_t End1() const { return First1 + Count1; }
  int32_t End2() const { return First2 + Count2; }
  bool Pure() const { return Count1 == 0 || Count2 == 0; }
  // The kind of the block's last records: its surplus, or dkChange without one.
  TDiffKind Surplus() const { return Count1 > Count2 ? dkDelete : Count1 < Count2 ? dkInsert : dkChange; }
};

std::vector<TBlock> BlocksOf(const std::vector<TChangeRec>& recs) {
  std::vector<TBlock> blocks;
  int32_t at1 = 0, at2 = 0;
  bool open = false;
  for (const TChangeRec& r : recs) {
    if (r.Kind == dkSame) {
      open = false;
      ++at1, ++at2;
      continue;
    }
    if (!open) blocks.push_back({at1, 0, at2, 0});
    open = true;
    if (r.Kind != dkInsert) ++at1, ++blocks.back().Count1;
    if (r.Kind != dkDelete) ++at2, ++blocks.back().Count2;
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

std::vector<TChangeRec> RecordsOf(const std::vector<TBlock>& blocks, const std::vector<int32_t>& h1,
                                  const std::vector<int32_t>& h2) {
  std::vector<TChangeRec> recs;
  recs.reserve(h1.size() + h2.size());
  int32_t at1 = 0, at2 = 0;
  auto same = [&](int32_t upTo1) {
    for (; at1 < upTo1; ++at1, ++at2) recs.push_back({dkSame, at1, at2, h1[at1], h2[at2]});
  };
  for (const TBlock& b : blocks) {
    same(b.First1);
    const int32_t paired = std::min(b.Count1, b.Count2);
    for (int32_t k = 0; k < paired; ++k, ++at1, ++at2) recs.push_back({dkChange, at1, at2, h1[at1], h2[at2]});
    for (; at1 < b.End1(); ++at1) recs.push_back({dkDelete, at1, at2 - 1, h1[at1], 0});
    for (; at2 < b.End2(); ++at2) recs.push_back({dkInsert, at1 - 1, at2, 0, h2[at2]});
  }
  same(static_cast<int32_t>(h1.size()));
  return recs;
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

std::vector<TChangeRec> AlignChanges(const std::vector<TChangeRec>& literal, const TComparedText& oldText,
                                     const TComparedText& newText) {
  std::vector<TBlock> blocks = BlocksOf(literal);
  const std::vector<int32_t>& h1 = oldText.Hashes;
  const std::vector<int32_t>& h2 = newText.Hashes;
  const int32_t n1 = static_cast<int32_t>(h1.size());
  bool moved = false;
  for (size_t i = 0; i < blocks.size(); ++i) {
    TBlock& b = blocks[i];
    const TBlock* prev = i > 0 ? &blocks[i - 1] : nullptr;
    const TBlock* next = i + 1 < blocks.size() ? &blocks[i + 1] : nullptr;
    // Shifting by one token over the equal pair before (or after) the block keeps the edit when
    // that pair's token equals the block's last (or first) token on each side that has tokens.
    auto slides = [&](int32_t shift) {  // b shifted by shift - sign(shift) may go one further
      if (shift < 0) {
        const int32_t f1 = b.First1 + shift + 1, f2 = b.First2 + shift + 1;
        const int32_t floor1 = prev ? prev->End1() : 0;
        if (f1 - 1 < floor1 || f2 - 1 < (prev ? prev->End2() : 0)) return false;
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
    b.First1 += best;
    b.First2 += best;
    moved = true;
  }
  if (!moved) return {};
  return RecordsOf(blocks, h1, h2);
}
