#include "engine/SplitHtml.h"

#include <array>
#include <cstring>
#include <limits>
#include <stdexcept>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "engine/HashInternal.h"
#include "engine/HtmlScan.h"
#include "support/Cp1251.h"
#include "support/FastStrings.h"

namespace {

enum CharClass : unsigned char { ccWord = 0, ccBlank = 1, ccPunct = 2 };

constexpr std::array<unsigned char, 256> MakeClasses() {
  std::array<unsigned char, 256> t{};
  for (int c = 0; c < 256; ++c) {
    const bool word = c == '%' || (c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') ||
                      (c >= 'a' && c <= 'z') || c == 0xA1 || c == 0xA2 || c == 0xA8 || c == 0xB8 ||
                      c == 0xB9 || c >= 0xC0;
    const bool blank = c == 0x09 || c == 0x0A || c == 0x0D || c == 0x20 || c == 0xA0;
    t[c] = word ? ccWord : blank ? ccBlank : ccPunct;
  }
  return t;
}

constexpr std::array<unsigned char, 256> kClass = MakeClasses();

void PushToken(const unsigned char* s, size_t start, size_t stop, std::vector<int32_t>& positions,
               std::vector<int32_t>& hashes) {
  positions.push_back(static_cast<int32_t>(start + 1));
  hashes.push_back(static_cast<int32_t>(
      ~engine_detail::Crc32Mapped(0xFFFFFFFFu, s + start, stop - start, cp1251::LowerTable.data())));
}

#if defined(__SSE2__)
// The classes of 64 bytes from p as bit masks (bit i for p[i]); bytes from avail on count as
// blanks. Finding where a token ends from these masks costs no branch per byte, where a byte-by-
// byte walk mispredicts at the end of nearly every token.
struct ClassMasks {
  uint64_t word = 0, punct = 0;
};

inline ClassMasks Classify64(const unsigned char* p, size_t avail) {
  alignas(16) unsigned char padded[64];
  if (avail < 64) {
    std::memset(padded, ' ', sizeof padded);
    std::memcpy(padded, p, avail);
    p = padded;
  }
  auto inRange = [](__m128i v, unsigned char lo, unsigned char span) {  // lo <= v <= lo + span
    const __m128i d = _mm_sub_epi8(v, _mm_set1_epi8(static_cast<char>(lo)));
    return _mm_cmpeq_epi8(_mm_subs_epu8(d, _mm_set1_epi8(static_cast<char>(span))), _mm_setzero_si128());
  };
  auto is = [](__m128i v, unsigned char c) { return _mm_cmpeq_epi8(v, _mm_set1_epi8(static_cast<char>(c))); };
  ClassMasks m;
  for (int q = 0; q < 4; ++q) {
    const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + 16 * q));
    const __m128i c0 = _mm_set1_epi8(static_cast<char>(0xC0));
    __m128i word = _mm_cmpeq_epi8(_mm_and_si128(v, c0), c0);  // 0xC0-0xFF
    word = _mm_or_si128(word, inRange(v, '0', 9));
    word = _mm_or_si128(word, inRange(_mm_or_si128(v, _mm_set1_epi8(0x20)), 'a', 25));
    word = _mm_or_si128(word, is(v, '%'));
    word = _mm_or_si128(word, inRange(v, 0xA1, 1));
    word = _mm_or_si128(word, is(v, 0xA8));
    word = _mm_or_si128(word, inRange(v, 0xB8, 1));
    __m128i blank = inRange(v, 0x09, 1);
    blank = _mm_or_si128(blank, is(v, 0x0D));
    blank = _mm_or_si128(blank, is(v, 0x20));
    blank = _mm_or_si128(blank, is(v, 0xA0));
    const auto w = static_cast<uint64_t>(static_cast<unsigned>(_mm_movemask_epi8(word)));
    const auto b = static_cast<uint64_t>(static_cast<unsigned>(_mm_movemask_epi8(blank)));
    m.word |= w << (16 * q);
    m.punct |= (~(w | b) & 0xFFFFu) << (16 * q);
  }
  return m;
}

// Cuts the text run s[begin, end) into word and punctuation tokens. Each token is hashed as
// HashLine(token, true, false) would, without copying it.
void CutRun(const unsigned char* s, size_t begin, size_t end, std::vector<int32_t>& positions,
            std::vector<int32_t>& hashes) {
  if (begin >= end) return;
  size_t base = begin;  // the masks cover s[base, base + 64)
  ClassMasks m = Classify64(s + base, end - base);
  size_t j = begin;
  for (;;) {
    // The next token start: the next byte at or after j that is not a blank.
    uint64_t any = (m.word | m.punct) & (~uint64_t{0} << (j - base));
    while (any == 0) {
      base += 64;
      if (base >= end) return;
      m = Classify64(s + base, end - base);
      any = m.word | m.punct;
    }
    const size_t start = base + static_cast<size_t>(__builtin_ctzll(any));
    const bool word = (m.word >> (start - base)) & 1;
    // The token ends at the first byte of another class (bytes past end are blanks).
    uint64_t other = ~(word ? m.word : m.punct) & (~uint64_t{0} << (start - base));
    while (other == 0) {
      base += 64;
      m = base < end ? Classify64(s + base, end - base) : ClassMasks{};
      other = ~(word ? m.word : m.punct);
    }
    j = base + static_cast<size_t>(__builtin_ctzll(other));
    PushToken(s, start, j, positions, hashes);
    if (j >= end) return;
  }
}
#else
// Cuts the text run s[begin, end) into word and punctuation tokens. Each token is hashed as
// HashLine(token, true, false) would, without copying it.
void CutRun(const unsigned char* s, size_t begin, size_t end, std::vector<int32_t>& positions,
            std::vector<int32_t>& hashes) {
  size_t j = begin;
  while (j < end) {
    const unsigned char cls = kClass[s[j]];
    if (cls == ccBlank) {
      ++j;
      continue;
    }
    const size_t start = j;
    do ++j;
    while (j < end && kClass[s[j]] == cls);
    PushToken(s, start, j, positions, hashes);
  }
}
#endif

}  // namespace

void SplitHtml(std::string_view html, std::vector<int32_t>& positions, std::vector<int32_t>& hashes) {
  if (html.empty()) return;
  if (html.size() >= static_cast<size_t>(std::numeric_limits<int32_t>::max()))
    throw std::length_error("text too long to compare (2 GB or more)");
  const auto* s = reinterpret_cast<const unsigned char*>(html.data());
  const size_t n = html.size();
  const int body = FindFromNoCase("<BODY", html, 1);
  size_t i = body > 0 ? static_cast<size_t>(body - 1) : 0;
  // Legal texts average about one token per six or seven bytes of HTML; capacity beyond that is
  // never touched and costs nothing.
  positions.reserve(positions.size() + n / 4);
  hashes.reserve(hashes.size() + n / 4);
  size_t runStart = i;
  while (i < n) {
    const void* lt = std::memchr(s + i, '<', n - i);
    if (!lt) break;
    i = static_cast<size_t>(static_cast<const unsigned char*>(lt) - s);
    if (!html_scan::StartsMarkup(html, i)) {
      ++i;  // a bare "<" is text
      continue;
    }
    CutRun(s, runStart, i, positions, hashes);
    i = html_scan::SkipMarkup(html, i);
    runStart = i;
  }
  CutRun(s, runStart, n, positions, hashes);
}
