#include "engine/Diff.h"

#include <algorithm>
#include <cassert>
#include <cstring>
#include <memory>
#include <climits>
#include <stdexcept>

#if defined(__x86_64__)
#include <immintrin.h>
#endif

namespace {

constexpr int32_t kFarBack = -2147483647;  // 0x80000001: no x reached yet from the start
constexpr int32_t kFarAhead = 2147483647;  // no x reached yet from the end

// Clears the executing flag and frees the diagonal vectors on every way out.
struct RunGuard {
  bool& executing;
  std::unique_ptr<int32_t[]>& f;
  std::unique_ptr<int32_t[]>& r;
  ~RunGuard() {
    executing = false;
    f.reset();
    r.reset();
  }
};

}  // namespace

void TDiff::SetProcessMessages(std::function<void()> processMessages) {
  processMessages_ = std::move(processMessages);
}

int TDiff::RecordCount() const { return static_cast<int>(changes_.size()); }

void TDiff::GetChange(int index, TChangeRec& rec) const {
  if (index < 0 || index >= RecordCount()) throw std::out_of_range("TDiff::GetChange: index out of range");
  rec = changes_[static_cast<size_t>(index)];
}

const std::vector<TChangeRec>& TDiff::Changes() const { return changes_; }

void TDiff::Cancel() { cancelled_ = true; }

void TDiff::ClearChanges() {
  changes_.clear();
  last_ = TChangeRec{};
  last_.Kind = dkSame;
  last_.Index1 = -1;
  last_.Index2 = -1;
  pairFrom_ = 0;
  a_ = nullptr;
  b_ = nullptr;
}

bool TDiff::CheckCancel() {
  if (processMessages_) processMessages_();
  return cancelled_;
}

bool TDiff::CompareLists(const int32_t* a, const int32_t* b, int countA, int countB) {
  if (executing_) return false;
  if (countA < 0 || countB < 0) throw std::invalid_argument("TDiff::CompareLists: negative count");
  executing_ = true;
  cancelled_ = false;
  RunGuard guard{executing_, f_, r_};

  ClearChanges();
  topD_ = topSize_ = 0;
  a_ = a;
  b_ = b;
  int lenA = countA, lenB = countB;
  while (lenA > 0 && lenB > 0 && a[lenA - 1] == b[lenB - 1]) --lenA, --lenB;
  if (lenA > 0 || lenB > 0) {
    int off = 0;
    while (lenA > 0 && lenB > 0 && a[off] == b[off]) ++off, --lenA, --lenB;
    changes_.reserve(static_cast<size_t>(lenA) + static_cast<size_t>(lenB));
    topSize_ = static_cast<int64_t>(lenA) + lenB;
    topD_ = 0;
    // Slot (k + offset) / 2 of the half of k's parity holds diagonal k; the offset is even so
    // that k and k + offset have the same parity.
    const int64_t offset = (static_cast<int64_t>(lenB) + 2) & ~int64_t{1};
    const int64_t half = ((offset + lenA + 1) >> 1) + 1;
    // Left uninitialised: InitDiagonals fills each diagonal before the search first reads it,
    // and on texts with few differences the search reaches only a small part of the vectors.
    f_.reset(new int32_t[static_cast<size_t>(2 * half)]);
    r_.reset(new int32_t[static_cast<size_t>(2 * half)]);
    for (int p = 0; p < 2; ++p) {
      fZero_[p] = f_.get() + p * half + offset / 2;
      rZero_[p] = r_.get() + p * half + offset / 2;
    }
    RecursiveDiffInt(off, off, lenA, lenB);
  }
  if (cancelled_) {
    ClearChanges();
    return false;
  }
  while (last_.Index1 < countA - 1) {
    last_.Kind = dkSame;
    ++last_.Index1;
    ++last_.Index2;
    last_.Value1 = a_[last_.Index1];
    last_.Value2 = b_[last_.Index2];
    Push();
  }
  return true;
}

void TDiff::InitDiagonals(int64_t lo, int64_t hi) {
  // Grows the initialised range of both vectors to [lo, hi]. Diagonals are initialised only as
  // the search reaches them; a diagonal outside the range is never read.
  auto fill = [this](int64_t from, int64_t to) {  // diagonals from .. to
    for (int p = 0; p < 2; ++p) {
      const int64_t k0 = from + ((from & 1) != p), k1 = to - ((to & 1) != p);
      if (k0 > k1) continue;
      std::fill(fZero_[p] + (k0 >> 1), fZero_[p] + (k1 >> 1) + 1, kFarBack);
      std::fill(rZero_[p] + (k0 >> 1), rZero_[p] + (k1 >> 1) + 1, kFarAhead);
    }
  };
  if (lo < diagLo_) {
    fill(lo, diagLo_ - 1);
    diagLo_ = lo;
  }
  if (hi > diagHi_) {
    fill(diagHi_ + 1, hi);
    diagHi_ = hi;
  }
}

namespace {

// Number of equal elements a[i] == b[i] from i = 0, at most n.
int64_t CommonForward(const int32_t* a, const int32_t* b, int64_t n) {
  int64_t i = 0;
  for (; i + 4 <= n; i += 4) {
    uint64_t a0, a1, b0, b1;
    std::memcpy(&a0, a + i, 8);
    std::memcpy(&a1, a + i + 2, 8);
    std::memcpy(&b0, b + i, 8);
    std::memcpy(&b1, b + i + 2, 8);
    if ((a0 ^ b0) | (a1 ^ b1)) break;
  }
  while (i < n && a[i] == b[i]) ++i;
  return i;
}

// Number of equal elements a[-i] == b[-i] from i = 0, at most n.
int64_t CommonBackward(const int32_t* a, const int32_t* b, int64_t n) {
  int64_t i = 0;
  for (; i + 4 <= n; i += 4) {
    uint64_t a0, a1, b0, b1;
    std::memcpy(&a0, a - i - 3, 8);
    std::memcpy(&a1, a - i - 1, 8);
    std::memcpy(&b0, b - i - 3, 8);
    std::memcpy(&b1, b - i - 1, 8);
    if ((a0 ^ b0) | (a1 ^ b1)) break;
  }
  while (i < n && a[-i] == b[-i]) ++i;
  return i;
}

// Block passes: eight diagonals at a time with AVX2. One pass over the diagonals of a value of
// D is independent from diagonal to diagonal (it reads only the other parity), so eight of them
// are computed together: the start of each snake, the first pair of its elements (gathered), and
// the overlap test. Only the few diagonals whose first pair is equal follow their snake one by
// one. Every value written is the one the one-diagonal-at-a-time loop writes; when several
// diagonals of a block overlap, the one of highest k is taken, as that loop would meet it first.
//
// Each pass handles whole blocks from k down to lo (k and lo of the same parity), returns the
// overlapping diagonal or kNoOverlap, and leaves k at the first diagonal not handled.
constexpr int64_t kNoOverlap = INT64_MIN;

struct BlockPass {
  const int32_t* A;
  const int32_t* B;
  int64_t lenA, lenB;
  int32_t* const* fZero;  // the two parity halves of F and R, at diagonal 0
  int32_t* const* rZero;
};

#if defined(__x86_64__) && (defined(__GNUC__) || defined(__clang__))
#define PARVEL_DIFF_BLOCKS 1

bool HaveAvx2() {
  static const bool have = __builtin_cpu_supports("avx2");
  return have;
}

// The eight diagonals kLow, kLow+2, ..., kLow+14 as lanes 0..7 and their slots.
__attribute__((target("avx2"))) inline __m256i LaneDiagonals(int64_t kLow) {
  return _mm256_add_epi32(_mm256_set1_epi32(static_cast<int32_t>(kLow)), _mm256_setr_epi32(0, 2, 4, 6, 8, 10, 12, 14));
}

template <class T>
__attribute__((target("avx2"))) inline __m256i Load8(T* p) {
  return _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p));
}

__attribute__((target("avx2"))) int64_t ForwardBlocks(const BlockPass& s, int64_t& k, int64_t lo, bool deltaOdd) {
  const __m256i lastA = _mm256_set1_epi32(static_cast<int32_t>(s.lenA - 1));
  const __m256i lastB = _mm256_set1_epi32(static_cast<int32_t>(s.lenB - 1));
  const __m256i minusTwo = _mm256_set1_epi32(-2);
  const __m256i one = _mm256_set1_epi32(1);
  for (; k - 14 >= lo; k -= 16) {
    const int64_t kLow = k - 14;
    int32_t* f = s.fZero[kLow & 1] + (kLow >> 1);
    const int32_t* other = s.fZero[(kLow + 1) & 1];
    const __m256i above = Load8(other + ((kLow + 1) >> 1));  // F(k + 1)
    const __m256i below = Load8(other + ((kLow - 1) >> 1));  // F(k - 1)
    const __m256i x = _mm256_max_epi32(above, _mm256_add_epi32(below, one));
    const __m256i y = _mm256_sub_epi32(x, LaneDiagonals(kLow));
    // x >= -1, y >= -1, x < lenA - 1, y < lenB - 1: the snake has a pair to look at.
    const __m256i valid = _mm256_and_si256(
        _mm256_and_si256(_mm256_cmpgt_epi32(x, minusTwo), _mm256_cmpgt_epi32(y, minusTwo)),
        _mm256_and_si256(_mm256_cmpgt_epi32(lastA, x), _mm256_cmpgt_epi32(lastB, y)));
    const __m256i ga = _mm256_mask_i32gather_epi32(_mm256_setzero_si256(), s.A + 1, x, valid, 4);
    const __m256i gb = _mm256_mask_i32gather_epi32(_mm256_setzero_si256(), s.B + 1, y, valid, 4);
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(f), x);
    unsigned follow = static_cast<unsigned>(_mm256_movemask_ps(_mm256_castsi256_ps(_mm256_and_si256(valid, _mm256_cmpeq_epi32(ga, gb)))));
    while (follow) {
      const int lane = __builtin_ctz(follow);
      follow &= follow - 1;
      const int64_t xs = f[lane], ys = xs - (kLow + 2 * lane);
      f[lane] = static_cast<int32_t>(xs + 1 + CommonForward(s.A + xs + 2, s.B + ys + 2, std::min(s.lenA - 2 - xs, s.lenB - 2 - ys)));
    }
    if (deltaOdd) {
      const __m256i r = Load8(s.rZero[kLow & 1] + (kLow >> 1));
      // F(k) >= R(k), that is not R(k) > F(k).
      const unsigned over = ~static_cast<unsigned>(_mm256_movemask_ps(_mm256_castsi256_ps(_mm256_cmpgt_epi32(r, Load8(f))))) & 0xFFu;
      if (over) return kLow + 2 * (31 - __builtin_clz(over));
    }
  }
  return kNoOverlap;
}

__attribute__((target("avx2"))) int64_t BackwardBlocks(const BlockPass& s, int64_t& k, int64_t lo) {
  const __m256i lenA = _mm256_set1_epi32(static_cast<int32_t>(s.lenA));
  const __m256i lenB = _mm256_set1_epi32(static_cast<int32_t>(s.lenB));
  const __m256i minusOne = _mm256_set1_epi32(-1);
  for (; k - 14 >= lo; k -= 16) {
    const int64_t kLow = k - 14;
    int32_t* r = s.rZero[kLow & 1] + (kLow >> 1);
    const int32_t* other = s.rZero[(kLow + 1) & 1];
    const __m256i above = Load8(other + ((kLow + 1) >> 1));  // R(k + 1)
    const __m256i below = Load8(other + ((kLow - 1) >> 1));  // R(k - 1)
    const __m256i x = _mm256_min_epi32(below, _mm256_add_epi32(above, minusOne));
    const __m256i y = _mm256_sub_epi32(x, LaneDiagonals(kLow));
    // 0 <= x < lenA and 0 <= y < lenB: the snake has a pair to look at.
    const __m256i valid = _mm256_and_si256(
        _mm256_and_si256(_mm256_cmpgt_epi32(x, minusOne), _mm256_cmpgt_epi32(y, minusOne)),
        _mm256_and_si256(_mm256_cmpgt_epi32(lenA, x), _mm256_cmpgt_epi32(lenB, y)));
    const __m256i ga = _mm256_mask_i32gather_epi32(_mm256_setzero_si256(), s.A, x, valid, 4);
    const __m256i gb = _mm256_mask_i32gather_epi32(_mm256_setzero_si256(), s.B, y, valid, 4);
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(r), x);
    unsigned follow = static_cast<unsigned>(_mm256_movemask_ps(_mm256_castsi256_ps(_mm256_and_si256(valid, _mm256_cmpeq_epi32(ga, gb)))));
    while (follow) {
      const int lane = __builtin_ctz(follow);
      follow &= follow - 1;
      const int64_t xs = r[lane], ys = xs - (kLow + 2 * lane);
      r[lane] = static_cast<int32_t>(xs - 1 - CommonBackward(s.A + xs - 1, s.B + ys - 1, std::min(xs, ys)));
    }
    const __m256i f = Load8(s.fZero[kLow & 1] + (kLow >> 1));
    // F(k) >= R(k), that is not R(k) > F(k).
    const unsigned over = ~static_cast<unsigned>(_mm256_movemask_ps(_mm256_castsi256_ps(_mm256_cmpgt_epi32(Load8(r), f)))) & 0xFFu;
    if (over) return kLow + 2 * (31 - __builtin_clz(over));
  }
  return kNoOverlap;
}
#else
#define PARVEL_DIFF_BLOCKS 0
#endif

}  // namespace

void TDiff::RecursiveDiffInt(int off1, int off2, int lenA, int lenB) {
  // The second half of every split is handled by the next turn of this loop rather than by a
  // nested call, which keeps the recursion depth down on long inputs.
  for (;;) {
    if (CheckCancel()) return;
    if (lenA == 0) {
      if (lenB <= 0) throw std::logic_error("oops!");
      AppendChange(off1, lenB, dkInsert);
      return;
    }
    if (lenB == 0) {
      AppendChange(off1, lenA, dkDelete);
      return;
    }
    const int32_t* A = a_ + off1;
    const int32_t* B = b_ + off2;
    if (lenA == 1 && lenB == 1) {
      if (A[0] == B[0]) throw std::logic_error("oops!");
      AppendChange(off1, 1, dkDelete);
      AppendChange(off1, 1, dkInsert);
      return;
    }
    const int64_t maxD = std::max(lenA, lenB);
    const int64_t delta = static_cast<int64_t>(lenA) - lenB;
    // Diagonals -(lenB+1) .. lenA+1 are all this sub-problem can read.
    const int64_t clipLo = -(static_cast<int64_t>(lenB) + 1), clipHi = static_cast<int64_t>(lenA) + 1;
    diagLo_ = 1;
    diagHi_ = 0;
    InitDiagonals(std::min<int64_t>(0, delta), std::max<int64_t>(0, delta));
    F(0) = -1;
    R(delta) = lenA - 1;
    const bool deltaOdd = delta % 2 != 0;
#if PARVEL_DIFF_BLOCKS
    const BlockPass pass{A, B, lenA, lenB, fZero_, rZero_};
    // Lanes hold x, y and k in 32 bits.
    const bool blocks = HaveAvx2() && static_cast<int64_t>(lenA) + lenB < (int64_t{1} << 30);
#endif
    bool split = false;
    int firstA = 0, firstB = 0, secondA = 0, secondB = 0;  // the halves: [0,first) and [second,len)
    for (int64_t D = 1; D <= maxD && !split; ++D) {
      if (D % 200 == 0) {
        if (static_cast<int64_t>(lenA) + lenB == topSize_) topD_ = D;
        if (CheckCancel()) return;
      }
      InitDiagonals(std::max(clipLo, std::min(-D, delta - D) - 1), std::min(clipHi, std::max(D, delta + D) + 1));
      int64_t k = D;
      while (k > lenA) k -= 2;
      int64_t lo = std::max<int64_t>(-D, -lenB);
#if PARVEL_DIFF_BLOCKS
      if (blocks) {
        const int64_t over = ForwardBlocks(pass, k, lo, deltaOdd);
        if (over != kNoOverlap) k = lo = over;  // the loop below only takes up the split
      }
#endif
      for (; k >= lo; k -= 2) {
        int64_t x = F(k + 1);
        if (F(k - 1) >= x) x = static_cast<int64_t>(F(k - 1)) + 1;
        int64_t y = x - k;
        // x, y >= -1 always hold on reachable diagonals; the check only keeps reads in bounds.
        if (x >= -1 && y >= -1) {
          const int64_t run = CommonForward(A + x + 1, B + y + 1, std::min(lenA - 1 - x, lenB - 1 - y));
          x += run;
          y += run;
        }
        F(k) = static_cast<int32_t>(x);
        if (deltaOdd && F(k) >= R(k)) {
          int64_t a = x + 1, b = y + 1;
          secondA = static_cast<int>(a);
          secondB = static_cast<int>(b);
          while (a > 0 && b > 0 && A[a - 1] == B[b - 1]) --a, --b;
          firstA = static_cast<int>(a);
          firstB = static_cast<int>(b);
          split = true;
          break;
        }
      }
      if (split) break;
      k = delta + D;
      while (k > lenA) k -= 2;
      lo = std::max<int64_t>(delta - D, -lenB);
#if PARVEL_DIFF_BLOCKS
      if (blocks) {
        const int64_t over = BackwardBlocks(pass, k, lo);
        if (over != kNoOverlap) k = lo = over;
      }
#endif
      for (; k >= lo; k -= 2) {
        int64_t x = std::min<int64_t>(R(k - 1), static_cast<int64_t>(R(k + 1)) - 1);
        int64_t y = x - k;
        if (x < lenA && y < lenB) {
          const int64_t run = CommonBackward(A + x, B + y, std::min(x, y) + 1);
          x -= run;
          y -= run;
        }
        R(k) = static_cast<int32_t>(x);
        if (F(k) >= R(k)) {
          firstA = static_cast<int>(x + 1);
          firstB = static_cast<int>(y + 1);
          int64_t a = firstA, b = firstB;
          while (a < lenA && b < lenB && A[a] == B[b]) ++a, ++b;
          secondA = static_cast<int>(a);
          secondB = static_cast<int>(b);
          split = true;
          break;
        }
      }
    }
    if (!split) throw std::logic_error("oops - error in RecursiveDiffInt()");
    RecursiveDiffInt(off1, off2, firstA, firstB);
    off1 += secondA;
    off2 += secondB;
    lenA -= secondA;
    lenB -= secondB;
  }
}

void TDiff::Push() {
  const size_t index = changes_.size();
  if ((last_.Kind == dkDelete || last_.Kind == dkInsert) &&
      (index == 0 || changes_[index - 1].Kind != last_.Kind))
    pairFrom_ = index;
  changes_.push_back(last_);
}

void TDiff::AppendChange(int offset, int count, TDiffKind kind) {
  while (last_.Index1 < offset - 1) {
    last_.Kind = dkSame;
    ++last_.Index1;
    ++last_.Index2;
    last_.Value1 = a_[last_.Index1];
    last_.Value2 = b_[last_.Index2];
    Push();
  }
  // An insertion right after deletions (or the reverse) pairs with the first unpaired element of
  // that run and turns it into a change.
  const TDiffKind pairsWith = kind == dkInsert ? dkDelete : dkInsert;
  for (int n = 0; n < count; ++n) {
    if (last_.Kind == pairsWith) {
      const size_t L = pairFrom_;
#ifndef NDEBUG
      size_t scan = changes_.size() - 1;
      while (scan > 0 && changes_[scan - 1].Kind == pairsWith) --scan;
      assert(scan == L);
#endif
      TChangeRec& rec = changes_[L];
      rec.Kind = dkChange;
      if (kind == dkInsert) {
        ++last_.Index2;
        rec.Index2 = last_.Index2;
        rec.Value2 = b_[last_.Index2];
      } else {
        ++last_.Index1;
        rec.Index1 = last_.Index1;
        rec.Value1 = a_[last_.Index1];
      }
      if (L == changes_.size() - 1) last_.Kind = dkChange;
      pairFrom_ = L + 1;
    } else {
      last_.Kind = kind;
      if (kind == dkInsert) {
        last_.Value1 = 0;
        ++last_.Index2;
        last_.Value2 = b_[last_.Index2];
      } else {
        last_.Value2 = 0;
        ++last_.Index1;
        last_.Value1 = a_[last_.Index1];
      }
      Push();
    }
  }
}
