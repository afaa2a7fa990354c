#include "engine/DiffSearch.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

#if defined(__x86_64__) && (defined(__GNUC__) || defined(__clang__))
#include <immintrin.h>
#define PARVEL_DIFF_BLOCKS 1
#if defined(__GNUC__) && !defined(__clang__)
// The 512-bit min and max intrinsics start from an undefined vector, which GCC mistakes for a
// read of an uninitialised one.
#pragma GCC diagnostic ignored "-Wmaybe-uninitialized"
#endif
#else
#define PARVEL_DIFF_BLOCKS 0
#endif

namespace diff_search {
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

// The snake of diagonal k from the x a forward step reaches, and the x where it ends.
inline int32_t FollowForward(const TSearch& s, int64_t x, int64_t k) {
  const int64_t y = x - k;
  return static_cast<int32_t>(x + 1 + CommonForward(s.A + x + 2, s.B + y + 2, std::min(s.lenA - 2 - x, s.lenB - 2 - y)));
}

inline int32_t FollowBackward(const TSearch& s, int64_t x, int64_t k) {
  const int64_t y = x - k;
  return static_cast<int32_t>(x - 1 - CommonBackward(s.A + x - 1, s.B + y - 1, std::min(x, y)));
}

#if PARVEL_DIFF_BLOCKS
// Block passes. One pass over the diagonals of a value of D is independent from diagonal to
// diagonal (it reads only the other parity), so eight (AVX2) or sixteen (AVX-512) of them are
// computed together: the start of each snake, the first pair of its elements (gathered), and the
// overlap test. Only the few diagonals whose first pair is equal follow their snake one by one.
// When several diagonals of a block overlap, the one of highest k is taken, as the
// one-at-a-time loop would meet it first. Each handles whole blocks from k down to lo, returns
// the overlapping diagonal or kNoOverlap, and leaves k at the first diagonal not handled.

__attribute__((target("avx2"))) inline __m256i Load8(const int32_t* p) {
  return _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p));
}

inline int32_t Clamp32(int64_t v) {
  return static_cast<int32_t>(std::clamp<int64_t>(v, INT32_MIN, INT32_MAX));
}

__attribute__((target("avx2"))) inline int32_t MaxLane8(__m256i v) {
  __m128i m = _mm_max_epi32(_mm256_castsi256_si128(v), _mm256_extracti128_si256(v, 1));
  m = _mm_max_epi32(m, _mm_shuffle_epi32(m, 0x4E));
  return _mm_cvtsi128_si32(_mm_max_epi32(m, _mm_shuffle_epi32(m, 0xB1)));
}

__attribute__((target("avx2"))) inline int32_t MinLane8(__m256i v) {
  __m128i m = _mm_min_epi32(_mm256_castsi256_si128(v), _mm256_extracti128_si256(v, 1));
  m = _mm_min_epi32(m, _mm_shuffle_epi32(m, 0x4E));
  return _mm_cvtsi128_si32(_mm_min_epi32(m, _mm_shuffle_epi32(m, 0xB1)));
}

// F(k) >= R(k) in the lanes of the eight diagonals from kLow, as bits.
__attribute__((target("avx2"))) inline unsigned Overlap8(const TSearch& s, int64_t kLow) {
  const __m256i f = Load8(s.fZero[kLow & 1] + (kLow >> 1));
  const __m256i r = Load8(s.rZero[kLow & 1] + (kLow >> 1));
  return ~static_cast<unsigned>(_mm256_movemask_ps(_mm256_castsi256_ps(_mm256_cmpgt_epi32(r, f)))) & 0xFFu;
}

// The pass of eight diagonals at a time, forward (F) or backward (R).
template <bool kForward>
__attribute__((target("avx2"))) int64_t Blocks8(const TSearch& s, int64_t& k, int64_t lo, TPass& pass) {
  // A forward step looks at the pair after x, a backward one at the pair at x.
  constexpr int32_t kAfter = kForward ? 1 : 0;
  const __m256i least = _mm256_set1_epi32(-1 - kAfter);
  const __m256i endA = _mm256_set1_epi32(static_cast<int32_t>(s.lenA) - kAfter);
  const __m256i endB = _mm256_set1_epi32(static_cast<int32_t>(s.lenB) - kAfter);
  const __m256i one = _mm256_set1_epi32(1);
  const __m256i steps = _mm256_setr_epi32(0, 2, 4, 6, 8, 10, 12, 14);
  const __m256i reach = _mm256_set1_epi32(Clamp32(pass.reach));
  __m256i furthest = _mm256_set1_epi32(kForward ? INT32_MIN : INT32_MAX);
  int32_t* const* zero = kForward ? s.fZero : s.rZero;
  for (; k - 14 >= lo; k -= 16) {
    const int64_t kLow = k - 14;
    int32_t* v = zero[kLow & 1] + (kLow >> 1);
    const int32_t* other = zero[(kLow + 1) & 1];
    const __m256i above = Load8(other + ((kLow + 1) >> 1));  // diagonal k + 1
    const __m256i below = Load8(other + ((kLow - 1) >> 1));  // diagonal k - 1
    const __m256i x = kForward ? _mm256_max_epi32(above, _mm256_add_epi32(below, one))
                               : _mm256_min_epi32(below, _mm256_sub_epi32(above, one));
    const __m256i kv = _mm256_add_epi32(_mm256_set1_epi32(static_cast<int32_t>(kLow)), steps);
    const __m256i y = _mm256_sub_epi32(x, kv);
    // The pair looked at lies inside both lists.
    const __m256i valid = _mm256_and_si256(
        _mm256_and_si256(_mm256_cmpgt_epi32(x, least), _mm256_cmpgt_epi32(y, least)),
        _mm256_and_si256(_mm256_cmpgt_epi32(endA, x), _mm256_cmpgt_epi32(endB, y)));
    const __m256i ga = _mm256_mask_i32gather_epi32(_mm256_setzero_si256(), s.A + kAfter, x, valid, 4);
    const __m256i gb = _mm256_mask_i32gather_epi32(_mm256_setzero_si256(), s.B + kAfter, y, valid, 4);
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(v), x);
    unsigned follow = static_cast<unsigned>(_mm256_movemask_ps(_mm256_castsi256_ps(_mm256_and_si256(valid, _mm256_cmpeq_epi32(ga, gb)))));
    const bool followed = follow != 0;
    while (follow) {
      const int lane = __builtin_ctz(follow);
      follow &= follow - 1;
      v[lane] = kForward ? FollowForward(s, v[lane], kLow + 2 * lane) : FollowBackward(s, v[lane], kLow + 2 * lane);
    }
    const __m256i vx = followed ? Load8(v) : x;
    const __m256i progress = _mm256_sub_epi32(_mm256_add_epi32(vx, vx), kv);
    // Some lane's progress reaches the other side's: only then can a lane overlap.
    unsigned shortOf;
    if constexpr (kForward) {
      furthest = _mm256_max_epi32(furthest, progress);
      shortOf = static_cast<unsigned>(_mm256_movemask_ps(_mm256_castsi256_ps(_mm256_cmpgt_epi32(reach, progress))));
    } else {
      furthest = _mm256_min_epi32(furthest, progress);
      shortOf = static_cast<unsigned>(_mm256_movemask_ps(_mm256_castsi256_ps(_mm256_cmpgt_epi32(progress, reach))));
    }
    if (pass.check && shortOf != 0xFFu) {
      if (const unsigned over = Overlap8(s, kLow)) return kLow + 2 * (31 - __builtin_clz(over));
    }
  }
  pass.progress = kForward ? std::max<int64_t>(pass.progress, MaxLane8(furthest)) : std::min<int64_t>(pass.progress, MinLane8(furthest));
  return kNoOverlap;
}

__attribute__((target("avx512f"))) inline __m512i Load16(const int32_t* p) { return _mm512_loadu_si512(p); }

__attribute__((target("avx512f"))) inline unsigned Overlap16(const TSearch& s, int64_t kLow) {
  const __m512i f = Load16(s.fZero[kLow & 1] + (kLow >> 1));
  const __m512i r = Load16(s.rZero[kLow & 1] + (kLow >> 1));
  return _mm512_cmpge_epi32_mask(f, r);
}

// The same sixteen diagonals at a time.
template <bool kForward>
__attribute__((target("avx512f"))) int64_t Blocks16(const TSearch& s, int64_t& k, int64_t lo, TPass& pass) {
  constexpr int32_t kAfter = kForward ? 1 : 0;
  const __m512i least = _mm512_set1_epi32(-1 - kAfter);
  const __m512i endA = _mm512_set1_epi32(static_cast<int32_t>(s.lenA) - kAfter);
  const __m512i endB = _mm512_set1_epi32(static_cast<int32_t>(s.lenB) - kAfter);
  const __m512i one = _mm512_set1_epi32(1);
  const __m512i steps = _mm512_setr_epi32(0, 2, 4, 6, 8, 10, 12, 14, 16, 18, 20, 22, 24, 26, 28, 30);
  const __m512i reach = _mm512_set1_epi32(Clamp32(pass.reach));
  __m512i furthest = _mm512_set1_epi32(kForward ? INT32_MIN : INT32_MAX);
  int32_t* const* zero = kForward ? s.fZero : s.rZero;
  for (; k - 30 >= lo; k -= 32) {
    const int64_t kLow = k - 30;
    int32_t* v = zero[kLow & 1] + (kLow >> 1);
    const int32_t* other = zero[(kLow + 1) & 1];
    const __m512i above = Load16(other + ((kLow + 1) >> 1));
    const __m512i below = Load16(other + ((kLow - 1) >> 1));
    const __m512i x = kForward ? _mm512_max_epi32(above, _mm512_add_epi32(below, one))
                               : _mm512_min_epi32(below, _mm512_sub_epi32(above, one));
    const __m512i kv = _mm512_add_epi32(_mm512_set1_epi32(static_cast<int32_t>(kLow)), steps);
    const __m512i y = _mm512_sub_epi32(x, kv);
    const __mmask16 valid = static_cast<__mmask16>(
        _mm512_cmpgt_epi32_mask(x, least) & _mm512_cmpgt_epi32_mask(y, least) &
        _mm512_cmpgt_epi32_mask(endA, x) & _mm512_cmpgt_epi32_mask(endB, y));
    const __m512i ga = _mm512_mask_i32gather_epi32(_mm512_setzero_si512(), valid, x, s.A + kAfter, 4);
    const __m512i gb = _mm512_mask_i32gather_epi32(_mm512_setzero_si512(), valid, y, s.B + kAfter, 4);
    _mm512_storeu_si512(v, x);
    unsigned follow = _mm512_mask_cmpeq_epi32_mask(valid, ga, gb);
    const bool followed = follow != 0;
    while (follow) {
      const int lane = __builtin_ctz(follow);
      follow &= follow - 1;
      v[lane] = kForward ? FollowForward(s, v[lane], kLow + 2 * lane) : FollowBackward(s, v[lane], kLow + 2 * lane);
    }
    const __m512i vx = followed ? Load16(v) : x;
    const __m512i progress = _mm512_sub_epi32(_mm512_add_epi32(vx, vx), kv);
    __mmask16 reaching;
    if constexpr (kForward) {
      furthest = _mm512_max_epi32(furthest, progress);
      reaching = _mm512_cmpge_epi32_mask(progress, reach);
    } else {
      furthest = _mm512_min_epi32(furthest, progress);
      reaching = _mm512_cmple_epi32_mask(progress, reach);
    }
    if (pass.check && reaching) {
      if (const unsigned over = Overlap16(s, kLow)) return kLow + 2 * (31 - __builtin_clz(over));
    }
  }
  pass.progress = kForward ? std::max<int64_t>(pass.progress, _mm512_reduce_max_epi32(furthest))
                           : std::min<int64_t>(pass.progress, _mm512_reduce_min_epi32(furthest));
  return kNoOverlap;
}

__attribute__((target("avx2"))) int64_t OverlapBlocks8(const TSearch& s, int64_t& k, int64_t lo) {
  for (; k - 14 >= lo; k -= 16)
    if (const unsigned over = Overlap8(s, k - 14)) return k - 14 + 2 * (31 - __builtin_clz(over));
  return kNoOverlap;
}
#endif

// Lanes hold x, y and k in 32 bits.
bool LanesFit(const TSearch& s) { return s.lenA + s.lenB < (int64_t{1} << 30); }

}  // namespace

TLanes BestLanes() {
  static const TLanes best = [] {
    TLanes lanes = TLanes::Scalar;
#if PARVEL_DIFF_BLOCKS
    if (__builtin_cpu_supports("avx2")) {
      lanes = TLanes::Avx2;
      if (__builtin_cpu_supports("avx512f")) lanes = TLanes::Avx512;
    }
#endif
    if (const char* want = std::getenv("PARVEL_DIFF_LANES")) {
      const int n = std::atoi(want);
      if (n >= 1 && n < static_cast<int>(lanes)) lanes = n >= 8 ? TLanes::Avx2 : TLanes::Scalar;
    }
    return lanes;
  }();
  return best;
}

namespace {

// The whole blocks of a pass, in the widest lanes chosen; the one-diagonal loop takes the rest.
template <bool kForward>
int64_t VectorBlocks(const TSearch& s, int64_t& k, int64_t lo, TPass& pass) {
#if PARVEL_DIFF_BLOCKS
  if (s.lanes != TLanes::Scalar && LanesFit(s)) {
    int64_t over = kNoOverlap;
    if (s.lanes == TLanes::Avx512) over = Blocks16<kForward>(s, k, lo, pass);
    if (over == kNoOverlap) over = Blocks8<kForward>(s, k, lo, pass);
    return over;
  }
#endif
  return kNoOverlap;
}

}  // namespace

int64_t ForwardPass(const TSearch& s, TPass& pass) {
  int64_t k = s.ForwardHigh(pass.D);
  const int64_t lo = s.ForwardLow(pass.D);
  pass.progress = INT64_MIN;
  if (const int64_t over = VectorBlocks<true>(s, k, lo, pass); over != kNoOverlap) return over;
  for (; k >= lo; k -= 2) {
    int64_t x = s.F(k + 1);
    if (s.F(k - 1) >= x) x = static_cast<int64_t>(s.F(k - 1)) + 1;
    const int64_t y = x - k;
    // x, y >= -1 always hold on reachable diagonals; the check only keeps reads in bounds.
    if (x >= -1 && y >= -1) x += CommonForward(s.A + x + 1, s.B + y + 1, std::min(s.lenA - 1 - x, s.lenB - 1 - y));
    s.F(k) = static_cast<int32_t>(x);
    pass.progress = std::max(pass.progress, 2 * x - k);
    if (pass.check && s.F(k) >= s.R(k)) return k;
  }
  return kNoOverlap;
}

int64_t BackwardPass(const TSearch& s, TPass& pass) {
  int64_t k = s.BackwardHigh(pass.D);
  const int64_t lo = s.BackwardLow(pass.D);
  pass.progress = INT64_MAX;
  if (const int64_t over = VectorBlocks<false>(s, k, lo, pass); over != kNoOverlap) return over;
  for (; k >= lo; k -= 2) {
    int64_t x = std::min<int64_t>(s.R(k - 1), static_cast<int64_t>(s.R(k + 1)) - 1);
    const int64_t y = x - k;
    if (x < s.lenA && y < s.lenB) x -= CommonBackward(s.A + x, s.B + y, std::min(x, y) + 1);
    s.R(k) = static_cast<int32_t>(x);
    pass.progress = std::min(pass.progress, 2 * x - k);
    if (pass.check && s.F(k) >= s.R(k)) return k;
  }
  return kNoOverlap;
}

int64_t FirstOverlap(const TSearch& s, int64_t hi, int64_t lo) {
  int64_t k = hi;
#if PARVEL_DIFF_BLOCKS
  if (s.lanes != TLanes::Scalar) {
    const int64_t over = OverlapBlocks8(s, k, lo);
    if (over != kNoOverlap) return over;
  }
#endif
  for (; k >= lo; k -= 2)
    if (s.F(k) >= s.R(k)) return k;
  return kNoOverlap;
}

}  // namespace diff_search
