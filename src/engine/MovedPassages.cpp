#include "engine/MovedPassages.h"

#include <algorithm>
#include <tuple>

#include "engine/ComparisonModel.h"
#include "engine/SplitHtml.h"

namespace {

constexpr int32_t kAnchorTokens = 4;
// How far a move is followed over an edit inside it: tokens skipped on either side, and equal
// tokens needed after them to take the edit as one (fewer would match stray punctuation).
constexpr int32_t kEditHop = 3;
constexpr int32_t kResumeTokens = 2;
constexpr int kPasses = 3;
constexpr int kShortMoveWords = 8;

bool IsLetterOrDigit(unsigned char c) {
  return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c >= 0xC0 || c == 0xA8 ||
         c == 0xB8;
}

int LettersIn(const TComparedText& t, int32_t token) {
  const size_t at = static_cast<size_t>(t.Positions[static_cast<size_t>(token)] - 1);
  const size_t length = TokenLength(t.Text, at);
  int letters = 0;
  for (size_t k = at; k < at + length; ++k) letters += IsLetterOrDigit(static_cast<unsigned char>(t.Text[k]));
  return letters;
}

int WordsIn(const TComparedText& t, int32_t first, int32_t end) {
  int words = 0;
  for (int32_t k = first; k < end; ++k) words += LettersIn(t, k) > 0;
  return words;
}

// Maximal ranges of one side's changed tokens, in text order.
std::vector<TTokenRange> ChangedRanges(const std::vector<TChangeRun>& runs, bool oldSide) {
  std::vector<TTokenRange> ranges;
  for (const TChangeRun& r : runs) {
    const int32_t first = oldSide ? r.First1 : r.First2, count = oldSide ? r.Count1 : r.Count2;
    if (count == 0) continue;
    if (!ranges.empty() && ranges.back().End() == first)
      ranges.back().Count += count;
    else
      ranges.push_back({first, count});
  }
  return ranges;
}

struct TGram {
  uint64_t Key;
  int32_t Token, Range;
  bool operator<(const TGram& o) const { return std::tie(Key, Token) < std::tie(o.Key, o.Token); }
};

uint64_t GramKey(const int32_t* h) {
  uint64_t k = 0;
  for (int32_t i = 0; i < kAnchorTokens; ++i)
    k = (k ^ static_cast<uint32_t>(h[i])) * 0x9E3779B97F4A7C15ull + static_cast<uint64_t>(i);
  return k;
}

// The 4-token windows of the pieces that occur once among them, sorted by key (Range: the piece).
// A run of changed tokens no move has taken, in the changed range Range.
struct TPiece {
  TTokenRange Tokens;
  int32_t Range = 0;
};

std::vector<TGram> UniqueGrams(const std::vector<TPiece>& pieces, const std::vector<int32_t>& h) {
  std::vector<TGram> grams;
  for (size_t r = 0; r < pieces.size(); ++r)
    for (int32_t t = pieces[r].Tokens.First; t + kAnchorTokens <= pieces[r].Tokens.End(); ++t)
      grams.push_back({GramKey(h.data() + t), t, static_cast<int32_t>(r)});
  std::sort(grams.begin(), grams.end());
  size_t out = 0;
  for (size_t i = 0; i < grams.size();) {
    size_t j = i + 1;
    while (j < grams.size() && grams[j].Key == grams[i].Key) ++j;
    if (j == i + 1) grams[out++] = grams[i];
    i = j;
  }
  grams.resize(out);
  return grams;
}

// One move being built: its two ends and the edits inside them.
struct TMove {
  int32_t Range1 = 0, Range2 = 0;  // the changed ranges it lies in
  int32_t First1 = 0, End1 = 0, First2 = 0, End2 = 0;
  int Words = 0;      // words of its equal tokens
  int Differing = 0;  // words changed inside it
  std::vector<TTokenRange> Edited1, Edited2;
};

bool EditsFit(int differing, int words) { return differing <= std::max(3, words / 4); }

class TMoveFinder {
 public:
  TMoveFinder(const TComparedText& oldText, const TComparedText& newText, std::vector<TTokenRange> ranges1,
              std::vector<TTokenRange> ranges2)
      : t1_(oldText), t2_(newText), h1_(oldText.Hashes), h2_(newText.Hashes), ranges1_(std::move(ranges1)),
        ranges2_(std::move(ranges2)) {}

  std::vector<TMove> Find() {
    std::vector<TMove> moves;
    used1_.assign(h1_.size(), 0);
    used2_.assign(h2_.size(), 0);
    // What one pass takes away may leave a passage's windows once among the rest: a passage
    // repeated elsewhere among the changes is found in a later pass.
    for (int pass = 0; pass < kPasses; ++pass) {
      const size_t before = moves.size();
      FindAnchored(moves);
      if (moves.size() == before) break;
    }
    std::sort(moves.begin(), moves.end(), [](const TMove& a, const TMove& b) { return a.First1 < b.First1; });
    moves = Chained(std::move(moves));
    std::vector<TMove> kept;
    for (TMove& m : moves)
      if (m.Words >= kMoveMinWords && EqualLetters(m) >= kMoveMinLetters && !StrayPhrase(m)) kept.push_back(std::move(m));
    return kept;
  }

  // One pass over the tokens no move has taken yet.
  void FindAnchored(std::vector<TMove>& moves) {
    const std::vector<TPiece> pieces1 = FreeOf(ranges1_, used1_), pieces2 = FreeOf(ranges2_, used2_);
    const std::vector<TGram> g1 = UniqueGrams(pieces1, h1_), g2 = UniqueGrams(pieces2, h2_);
    std::vector<TMove> exact;
    for (size_t i = 0, j = 0; i < g1.size() && j < g2.size();) {
      if (g1[i].Key < g2[j].Key) {
        ++i;
      } else if (g2[j].Key < g1[i].Key) {
        ++j;
      } else {
        if (std::equal(h1_.begin() + g1[i].Token, h1_.begin() + g1[i].Token + kAnchorTokens, h2_.begin() + g2[j].Token))
          exact.push_back(Extended(pieces1[static_cast<size_t>(g1[i].Range)], g1[i].Token,
                                   pieces2[static_cast<size_t>(g2[j].Range)], g2[j].Token));
        ++i, ++j;
      }
    }
    // Every anchor inside one agreeing stretch gives the same stretch.
    std::sort(exact.begin(), exact.end(), [](const TMove& a, const TMove& b) {
      return std::tie(a.First1, a.First2) < std::tie(b.First1, b.First2);
    });
    exact.erase(std::unique(exact.begin(), exact.end(),
                            [](const TMove& a, const TMove& b) { return a.First1 == b.First1 && a.First2 == b.First2; }),
                exact.end());
    std::stable_sort(exact.begin(), exact.end(),
                     [](const TMove& a, const TMove& b) { return a.End1 - a.First1 > b.End1 - b.First1; });
    for (TMove& m : exact) {
      if (!Free1(m.First1, m.End1) || !Free2(m.First2, m.End2)) continue;
      m.Words = WordsIn(t1_, m.First1, m.End1);
      Take(m);
      ExtendOverEdits(m);
      moves.push_back(std::move(m));
    }
  }

  // The untaken parts of the changed ranges, each with the range it lies in.
  static std::vector<TPiece> FreeOf(const std::vector<TTokenRange>& ranges, const std::vector<uint8_t>& used) {
    std::vector<TPiece> pieces;
    for (size_t r = 0; r < ranges.size(); ++r)
      for (int32_t k = ranges[r].First; k < ranges[r].End(); ++k) {
        if (used[static_cast<size_t>(k)]) continue;
        if (!pieces.empty() && pieces.back().Range == static_cast<int32_t>(r) && pieces.back().Tokens.End() == k)
          ++pieces.back().Tokens.Count;
        else
          pieces.push_back({{k, 1}, static_cast<int32_t>(r)});
      }
    return pieces;
  }

 private:
  TMove Extended(const TPiece& p1, int32_t a, const TPiece& p2, int32_t b) {
    const TTokenRange& r1 = p1.Tokens;
    const TTokenRange& r2 = p2.Tokens;
    TMove m;
    m.Range1 = p1.Range, m.Range2 = p2.Range;
    m.First1 = a, m.First2 = b;
    while (m.First1 > r1.First && m.First2 > r2.First && h1_[m.First1 - 1] == h2_[m.First2 - 1]) --m.First1, --m.First2;
    m.End1 = a + kAnchorTokens, m.End2 = b + kAnchorTokens;
    while (m.End1 < r1.End() && m.End2 < r2.End() && h1_[m.End1] == h2_[m.End2]) ++m.End1, ++m.End2;
    return m;
  }

  bool Free1(int32_t from, int32_t to) const {
    return std::find(used1_.begin() + from, used1_.begin() + to, 1) == used1_.begin() + to;
  }
  bool Free2(int32_t from, int32_t to) const {
    return std::find(used2_.begin() + from, used2_.begin() + to, 1) == used2_.begin() + to;
  }
  void Take(const TMove& m) {
    std::fill(used1_.begin() + m.First1, used1_.begin() + m.End1, 1);
    std::fill(used2_.begin() + m.First2, used2_.begin() + m.End2, 1);
  }

  // Follows the move on over small edits at either end while its edits stay few enough.
  void ExtendOverEdits(TMove& m) {
    const TTokenRange& r1 = ranges1_[static_cast<size_t>(m.Range1)];
    const TTokenRange& r2 = ranges2_[static_cast<size_t>(m.Range2)];
    for (bool grown = true; grown;) {
      grown = false;
      for (int32_t hop = 1; hop <= 2 * kEditHop && !grown; ++hop)
        for (int32_t g1 = std::max(0, hop - kEditHop); g1 <= std::min(hop, kEditHop) && !grown; ++g1) {
          const int32_t g2 = hop - g1;
          // Fewer agreeing tokens do when they end both changed ranges («статье 12.» / «статье 14.»).
          const int32_t a = m.End1 + g1, b = m.End2 + g2;  // forward
          const int32_t tail = std::min(kResumeTokens, r1.End() - a);
          if (a <= r1.End() && b <= r2.End() && (tail == kResumeTokens || r2.End() - b == tail) &&
              b + tail <= r2.End() && Agree(a, b, tail) && Free1(m.End1, a + tail) && Free2(m.End2, b + tail) &&
              !BreakIn(t1_, m.End1, a, tail > 0) && !BreakIn(t2_, m.End2, b, tail > 0))
            grown = TakeEdit(m, m.End1, a, m.End2, b, r1, r2, true);
          const int32_t c = m.First1 - g1, d = m.First2 - g2;  // backward: the gap ends at c, d
          const int32_t head = std::min(kResumeTokens, c - r1.First);
          if (!grown && c >= r1.First && d >= r2.First && (head == kResumeTokens || d - r2.First == head) &&
              d - head >= r2.First && Agree(c - head, d - head, head) && Free1(c - head, m.First1) &&
              Free2(d - head, m.First2) && !BreakIn(t1_, c, m.First1, head > 0, true) &&
              !BreakIn(t2_, d, m.First2, head > 0, true))
            grown = TakeEdit(m, c, m.First1, d, m.First2, r1, r2, false);
        }
    }
  }

  // Whether a block boundary stands at an edge of the edit [from, to) or inside it (the edge
  // towards the text that agrees again only when some does): an edit is words changed inside
  // the passage, not a neighbouring paragraph's change taken into it.
  static bool BreakIn(const TComparedText& t, int32_t from, int32_t to, bool resumed, bool backward = false) {
    if (to <= from) return false;
    const int32_t first = backward && !resumed ? from + 1 : from;
    const int32_t last = backward || resumed ? to : to - 1;
    for (int32_t k = first; k <= last && static_cast<size_t>(k) < t.Blocks.BreakBefore.size(); ++k)
      if (t.Blocks.BreakBefore[static_cast<size_t>(k)]) return true;
    return false;
  }

  bool Agree(int32_t a, int32_t b, int32_t n) const {
    for (int32_t k = 0; k < n; ++k)
      if (h1_[a + k] != h2_[b + k]) return false;
    return true;
  }

  // Takes the edit [gap1, gapEnd1) / [gap2, gapEnd2) and the equal stretch beyond it into m when
  // the edits still fit.
  bool TakeEdit(TMove& m, int32_t gap1, int32_t gapEnd1, int32_t gap2, int32_t gapEnd2, const TTokenRange& r1,
                const TTokenRange& r2, bool forward) {
    int32_t a = forward ? gapEnd1 : gap1, b = forward ? gapEnd2 : gap2;  // the stretch's edge
    int32_t n = 0;
    if (forward)
      while (a + n < r1.End() && b + n < r2.End() && !used1_[a + n] && !used2_[b + n] && h1_[a + n] == h2_[b + n]) ++n;
    else
      while (a - n > r1.First && b - n > r2.First && !used1_[a - n - 1] && !used2_[b - n - 1] &&
             h1_[a - n - 1] == h2_[b - n - 1])
        ++n;
    const int differing = std::max(WordsIn(t1_, gap1, gapEnd1), WordsIn(t2_, gap2, gapEnd2));
    const int words = forward ? WordsIn(t1_, a, a + n) : WordsIn(t1_, a - n, a);
    if (!EditsFit(m.Differing + differing, m.Words + words)) return false;
    m.Differing += differing;
    m.Words += words;
    if (gapEnd1 > gap1) m.Edited1.push_back({gap1, gapEnd1 - gap1});
    if (gapEnd2 > gap2) m.Edited2.push_back({gap2, gapEnd2 - gap2});
    if (forward) {
      std::fill(used1_.begin() + m.End1, used1_.begin() + a + n, 1);
      std::fill(used2_.begin() + m.End2, used2_.begin() + b + n, 1);
      m.End1 = a + n, m.End2 = b + n;
    } else {
      std::fill(used1_.begin() + (a - n), used1_.begin() + m.First1, 1);
      std::fill(used2_.begin() + (b - n), used2_.begin() + m.First2, 1);
      m.First1 = a - n, m.First2 = b - n;
    }
    return true;
  }

  // Joins moves that follow one another on both sides, with an edit between them that fits.
  std::vector<TMove> Chained(std::vector<TMove> moves) {
    std::vector<TMove> out;
    for (TMove& m : moves) {
      if (!out.empty()) {
        TMove& last = out.back();
        if (last.Range1 == m.Range1 && last.Range2 == m.Range2 && m.First2 >= last.End2 &&
            Free2(last.End2, m.First2)) {
          const int differing = std::max(WordsIn(t1_, last.End1, m.First1), WordsIn(t2_, last.End2, m.First2));
          if (EditsFit(last.Differing + m.Differing + differing, last.Words + m.Words)) {
            if (m.First1 > last.End1) last.Edited1.push_back({last.End1, m.First1 - last.End1});
            if (m.First2 > last.End2) last.Edited2.push_back({last.End2, m.First2 - last.End2});
            std::fill(used1_.begin() + last.End1, used1_.begin() + m.First1, 1);
            std::fill(used2_.begin() + last.End2, used2_.begin() + m.First2, 1);
            last.Edited1.insert(last.Edited1.end(), m.Edited1.begin(), m.Edited1.end());
            last.Edited2.insert(last.Edited2.end(), m.Edited2.begin(), m.Edited2.end());
            last.End1 = m.End1, last.End2 = m.End2;
            last.Words += m.Words;
            last.Differing += m.Differing + differing;
            continue;
          }
        }
      }
      out.push_back(std::move(m));
    }
    for (TMove& m : out) {
      auto byFirst = [](const TTokenRange& a, const TTokenRange& b) { return a.First < b.First; };
      std::sort(m.Edited1.begin(), m.Edited1.end(), byFirst);
      std::sort(m.Edited2.begin(), m.Edited2.end(), byFirst);
    }
    return out;
  }

  // A few words that recur all through a law («в соответствии со статьей») found inside larger
  // rewritten passages on both sides are no passage moved: a short move must be most of what
  // was deleted at its old place and of what was inserted at its new one.
  bool StrayPhrase(const TMove& m) const {
    if (m.Words >= kShortMoveWords) return false;
    return 2 * (m.End1 - m.First1) < ranges1_[static_cast<size_t>(m.Range1)].Count ||
           2 * (m.End2 - m.First2) < ranges2_[static_cast<size_t>(m.Range2)].Count;
  }

  int EqualLetters(const TMove& m) const {
    int letters = 0;
    size_t e = 0;
    for (int32_t k = m.First1; k < m.End1; ++k) {
      while (e < m.Edited1.size() && m.Edited1[e].End() <= k) ++e;
      if (e < m.Edited1.size() && m.Edited1[e].First <= k) continue;
      letters += LettersIn(t1_, k);
    }
    return letters;
  }

  const TComparedText& t1_;
  const TComparedText& t2_;
  const std::vector<int32_t>& h1_;
  const std::vector<int32_t>& h2_;
  std::vector<TTokenRange> ranges1_, ranges2_;
  std::vector<uint8_t> used1_, used2_;
};

// The ranges of [first, first + count) whose tokens are not taken.
std::vector<TTokenRange> FreePieces(const std::vector<uint8_t>& taken, int32_t first, int32_t count) {
  std::vector<TTokenRange> pieces;
  for (int32_t k = first; k < first + count; ++k) {
    if (taken[static_cast<size_t>(k)]) continue;
    if (!pieces.empty() && pieces.back().End() == k)
      ++pieces.back().Count;
    else
      pieces.push_back({k, 1});
  }
  return pieces;
}

// What is left of run r once its moved tokens are taken out, in text order on both sides.
void AddRest(std::vector<TChangeRun>& out, const TChangeRun& r, const std::vector<uint8_t>& taken1,
             const std::vector<uint8_t>& taken2) {
  const std::vector<TTokenRange> o = FreePieces(taken1, r.First1, r.Count1);
  const std::vector<TTokenRange> n = FreePieces(taken2, r.First2, r.Count2);
  if (static_cast<int32_t>(o.size()) == (r.Count1 > 0) && static_cast<int32_t>(n.size()) == (r.Count2 > 0) &&
      (o.empty() || o[0].Count == r.Count1) && (n.empty() || n[0].Count == r.Count2)) {
    out.push_back(r);  // nothing of it moved
    return;
  }
  const size_t paired = std::min(o.size(), n.size());
  for (size_t j = 0; j < paired; ++j) out.push_back({dkChange, o[j].First, o[j].Count, n[j].First, n[j].Count});
  // The missing text of a surplus piece stands where the other side's rest ends.
  const int32_t place2 = n.empty() ? r.First2 : n.back().End();
  const int32_t place1 = o.empty() ? r.First1 : o.back().End();
  for (size_t j = paired; j < o.size(); ++j) out.push_back({dkDelete, o[j].First, o[j].Count, place2, 0});
  for (size_t j = paired; j < n.size(); ++j) out.push_back({dkInsert, place1, 0, n[j].First, n[j].Count});
}

}  // namespace

std::vector<TMovedPassage> FindMovedPassages(std::vector<TChangeRun>& runs, const TComparedText& oldText,
                                             const TComparedText& newText) {
  std::vector<TMovedPassage> passages;
  TMoveFinder finder(oldText, newText, ChangedRanges(runs, true), ChangedRanges(runs, false));
  std::vector<TMove> moves = finder.Find();
  if (moves.empty()) return passages;
  std::vector<uint8_t> taken1(oldText.Hashes.size(), 0), taken2(newText.Hashes.size(), 0);
  for (const TMove& m : moves) {
    std::fill(taken1.begin() + m.First1, taken1.begin() + m.End1, 1);
    std::fill(taken2.begin() + m.First2, taken2.begin() + m.End2, 1);
  }
  std::vector<TChangeRun> rewritten;
  rewritten.reserve(runs.size() + 2 * moves.size());
  for (const TChangeRun& r : runs) AddRest(rewritten, r, taken1, taken2);
  const size_t ordinary = rewritten.size();
  for (const TMove& m : moves) {
    TChangeRun run{dkChange, m.First1, m.End1 - m.First1, m.First2, m.End2 - m.First2};
    run.Moved = true;
    rewritten.push_back(run);
  }
  // The counter's order: by the old place; ordinary runs keep theirs.
  std::vector<size_t> order(rewritten.size());
  for (size_t i = 0; i < order.size(); ++i) order[i] = i;
  std::stable_sort(order.begin(), order.end(), [&](size_t a, size_t b) {
    const TChangeRun &x = rewritten[a], &y = rewritten[b];
    return std::make_tuple(x.First1, x.Moved, x.First2) < std::make_tuple(y.First1, y.Moved, y.First2);
  });
  runs.clear();
  std::vector<int32_t> at(rewritten.size());
  for (size_t i = 0; i < order.size(); ++i) {
    at[order[i]] = static_cast<int32_t>(i);
    runs.push_back(rewritten[order[i]]);
  }
  for (size_t k = 0; k < moves.size(); ++k)
    passages.push_back({at[ordinary + k], std::move(moves[k].Edited1), std::move(moves[k].Edited2)});
  std::sort(passages.begin(), passages.end(),
            [](const TMovedPassage& a, const TMovedPassage& b) { return a.Run < b.Run; });
  return passages;
}
