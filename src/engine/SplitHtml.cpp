#include "engine/SplitHtml.h"

#include <array>
#include <cstring>
#include <limits>
#include <stdexcept>

#include "engine/HashInternal.h"
#include "engine/HtmlScan.h"
#include "support/CharReference.h"
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

// The end of the token that starts at s[j] (not a blank), within s[j, end): a run of word
// characters, or of punctuation characters, a character reference counting as one.
inline size_t TokenEnd(const unsigned char* s, size_t j, size_t end) {
  if (kClass[s[j]] == ccWord) {
    do ++j;
    while (j < end && kClass[s[j]] == ccWord);
    return j;
  }
  do {
    const size_t reference = s[j] == '&' ? char_ref::Length(s, j, end) : 0;
    j += reference > 0 ? reference : 1;
  } while (j < end && kClass[s[j]] == ccPunct);
  return j;
}

// Cuts the text run s[begin, end) into word and punctuation tokens. A character reference is
// one punctuation character: it lies whole inside one punctuation token, so no mark can cut it.
// Each token is hashed as HashLine(token, true, false) would, without copying it.
void CutRun(const unsigned char* s, size_t begin, size_t end, std::vector<int32_t>& positions,
            std::vector<int32_t>& hashes) {
  const auto& lower = cp1251::LowerTable;
  size_t j = begin;
  while (j < end) {
    const unsigned char cls = kClass[s[j]];
    if (cls == ccBlank) {
      ++j;
      continue;
    }
    const size_t start = j;
    j = TokenEnd(s, j, end);
    positions.push_back(static_cast<int32_t>(start + 1));
    hashes.push_back(static_cast<int32_t>(~engine_detail::Crc32Mapped(0xFFFFFFFFu, s + start, j - start, lower.data())));
  }
}

}  // namespace

size_t TokenLength(std::string_view html, size_t start) {
  const auto* s = reinterpret_cast<const unsigned char*>(html.data());
  const size_t end = html_scan::NextMarkup(html, start, html.size());
  if (start >= end || kClass[s[start]] == ccBlank) return 0;
  return TokenEnd(s, start, end) - start;
}

void SplitHtml(std::string_view html, std::vector<int32_t>& positions, std::vector<int32_t>& hashes) {
  if (html.empty()) return;
  if (html.size() >= static_cast<size_t>(std::numeric_limits<int32_t>::max()))
    throw std::length_error("text too long to compare (2 GB or more)");
  const auto* s = reinterpret_cast<const unsigned char*>(html.data());
  const size_t n = html.size();
  const int body = FindFromNoCase("<BODY", html, 1);
  size_t i = body > 0 ? static_cast<size_t>(body - 1) : 0;
  // Legal texts average about one token per six or seven bytes of HTML; capacity beyond that is
  // never touched and costs nothing, while growing the lists would copy them.
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
