#include "engine/Diff.h"

#include <algorithm>
#include <cassert>
#include <cstring>
#include <stdexcept>

namespace {

constexpr int32_t kFarBack = -2147483647;  // 0x80000001: no x reached yet from the start
constexpr int32_t kFarAhead = 2147483647;  // no x reached yet from the end

// Clears the executing flag and frees the diagonal vectors on every way out.
struct RunGuard {
  bool& executing;
  std::vector<int32_t>& f;
  std::vector<int32_t>& r;
  ~RunGuard() {
    executing = false;
    std::vector<int32_t>().swap(f);
    std::vector<int32_t>().swap(r);
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
  a_ = a;
  b_ = b;
  int lenA = countA, lenB = countB;
  while (lenA > 0 && lenB > 0 && a[lenA - 1] == b[lenB - 1]) --lenA, --lenB;
  if (lenA > 0 || lenB > 0) {
    int off = 0;
    while (lenA > 0 && lenB > 0 && a[off] == b[off]) ++off, --lenA, --lenB;
    changes_.reserve(static_cast<size_t>(lenA) + static_cast<size_t>(lenB));
    diagOffset_ = static_cast<int64_t>(lenB) + 1;
    const size_t diagonals = static_cast<size_t>(lenA) + static_cast<size_t>(lenB) + 3;
    f_.assign(diagonals, kFarBack);
    r_.assign(diagonals, kFarAhead);
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
  if (lo < diagLo_) {
    std::fill(f_.begin() + (lo + diagOffset_), f_.begin() + (diagLo_ + diagOffset_), kFarBack);
    std::fill(r_.begin() + (lo + diagOffset_), r_.begin() + (diagLo_ + diagOffset_), kFarAhead);
    diagLo_ = lo;
  }
  if (hi > diagHi_) {
    std::fill(f_.begin() + (diagHi_ + 1 + diagOffset_), f_.begin() + (hi + 1 + diagOffset_), kFarBack);
    std::fill(r_.begin() + (diagHi_ + 1 + diagOffset_), r_.begin() + (hi + 1 + diagOffset_), kFarAhead);
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
    bool split = false;
    int firstA = 0, firstB = 0, secondA = 0, secondB = 0;  // the halves: [0,first) and [second,len)
    for (int64_t D = 1; D <= maxD && !split; ++D) {
      if (D % 200 == 0 && CheckCancel()) return;
      InitDiagonals(std::max(clipLo, std::min(-D, delta - D) - 1), std::min(clipHi, std::max(D, delta + D) + 1));
      int64_t k = D;
      while (k > lenA) k -= 2;
      for (const int64_t lo = std::max<int64_t>(-D, -lenB); k >= lo; k -= 2) {
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
      for (const int64_t lo = std::max<int64_t>(delta - D, -lenB); k >= lo; k -= 2) {
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
