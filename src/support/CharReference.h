#pragma once
// HTML character references in serialised text: "&name;" (1-32 ASCII letters or digits),
// "&#digits;" (1-7 digits) and "&#xhex;" / "&#Xhex;" (1-6 hexadecimal digits). The splitter
// reads one as a single punctuation character and the finder as a delimiter, so that neither a
// change mark nor a find mark can stand inside one and make the browser show its pieces.
#include <cstddef>
#include <string_view>

namespace char_ref {

constexpr bool IsDigit(unsigned char c) { return c >= '0' && c <= '9'; }
constexpr bool IsAsciiAlnum(unsigned char c) {
  return IsDigit(c) || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}
constexpr bool IsHexDigit(unsigned char c) {
  return IsDigit(c) || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
}

// Length of the reference starting at s[i], bytes up to end only; 0 when none starts there.
inline size_t Length(const unsigned char* s, size_t i, size_t end) {
  if (i >= end || s[i] != '&') return 0;
  size_t j = i + 1;
  size_t first = j, most = 32;
  bool (*allowed)(unsigned char) = IsAsciiAlnum;
  if (j < end && s[j] == '#') {
    ++j;
    if (j < end && (s[j] == 'x' || s[j] == 'X')) {
      ++j;
      most = 6;
      allowed = IsHexDigit;
    } else {
      most = 7;
      allowed = IsDigit;
    }
    first = j;
  }
  while (j < end && j - first < most && allowed(s[j])) ++j;
  if (j == first || j >= end || s[j] != ';') return 0;
  return j + 1 - i;
}

inline size_t Length(std::string_view s, size_t i) {
  return Length(reinterpret_cast<const unsigned char*>(s.data()), i, s.size());
}

}  // namespace char_ref
