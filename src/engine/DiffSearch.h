#pragma once
// The search for the middle snake of one sub-problem of the diff: the pass over the diagonals of
// one number of differences D, forward from the start or backward from the end, and the overlap
// test between the two. Every pass writes exactly the values of the one-diagonal-at-a-time loop;
// vector versions do eight or sixteen diagonals at a time where the CPU has them.
#include <climits>
#include <cstdint>

namespace diff_search {

constexpr int32_t kFarBack = -2147483647;  // no x reached yet from the start
constexpr int32_t kFarAhead = 2147483647;  // no x reached yet from the end
constexpr int64_t kNoOverlap = INT64_MIN;

// Diagonals a pass handles at a time.
enum class TLanes : int { Scalar = 1, Avx2 = 8, Avx512 = 16 };

// The widest the CPU offers; PARVEL_DIFF_LANES=1, 8 or 16 chooses a narrower one (for comparing
// them), never one the CPU lacks.
TLanes BestLanes();

struct TSearch {
  const int32_t* A;  // the sub-problem's elements
  const int32_t* B;
  int64_t lenA, lenB;
  int64_t delta;  // lenA - lenB: the diagonal of the end
  // The two parity halves of F and R, at diagonal 0: diagonal k lives in the half of its parity.
  int32_t* const* fZero;
  int32_t* const* rZero;
  TLanes lanes;

  int32_t& F(int64_t k) const { return fZero[k & 1][k >> 1]; }
  int32_t& R(int64_t k) const { return rZero[k & 1][k >> 1]; }
  // The diagonals pass D visits, from the highest down to the lowest (step 2).
  int64_t ForwardHigh(int64_t D) const { return Clip(D); }
  int64_t ForwardLow(int64_t D) const { return -D > -lenB ? -D : -lenB; }
  int64_t BackwardHigh(int64_t D) const { return Clip(delta + D); }
  int64_t BackwardLow(int64_t D) const { return delta - D > -lenB ? delta - D : -lenB; }

 private:
  int64_t Clip(int64_t k) const { return k > lenA ? k - ((k - lenA + 1) & ~int64_t{1}) : k; }
};

// One pass of the search over the diagonals of one D. Progress is x + y, the same measure on
// every diagonal: F(k) >= R(k) only where the forward progress reaches the backward one. A pass
// with check stops at the first diagonal where F(k) >= R(k) and returns it (else kNoOverlap),
// but tests only blocks whose progress reaches `reach`: the least progress of the R values it
// can meet (forward) or the greatest of the F values (backward). So a pass running beside the
// other one seldom reads what the other core wrote.
struct TPass {
  int64_t D = 0;
  bool check = false;
  int64_t reach = 0;
  int64_t progress = 0;  // out: the greatest (forward) or least (backward) progress written
};
constexpr int64_t kReachAll = INT64_MIN;  // forward: test every diagonal
constexpr int64_t kReachAllBack = INT64_MAX;

// Forward: F on the diagonals of D's parity, from the highest down.
int64_t ForwardPass(const TSearch& s, TPass& pass);
// Backward: R on the diagonals of (delta + D)'s parity, the same way.
int64_t BackwardPass(const TSearch& s, TPass& pass);
// The highest diagonal from hi down to lo (step 2) where F(k) >= R(k), or kNoOverlap.
int64_t FirstOverlap(const TSearch& s, int64_t hi, int64_t lo);

}  // namespace diff_search
