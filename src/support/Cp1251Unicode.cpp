#include "support/Cp1251.h"

#include <cstdint>
#include <array>

namespace cp1251 {
namespace {

// Unicode code points of the bytes 0x80..0xFF; 0 marks the one byte (0x98) the code page leaves unused.
constexpr char16_t kHighHalf[128] = {
    0x0402, 0x0403, 0x201A, 0x0453, 0x201E, 0x2026, 0x2020, 0x2021,
    0x20AC, 0x2030, 0x0409, 0x2039, 0x040A, 0x040C, 0x040B, 0x040F,
    0x0452, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
    0x0000, 0x2122, 0x0459, 0x203A, 0x045A, 0x045C, 0x045B, 0x045F,
    0x00A0, 0x040E, 0x045E, 0x0408, 0x00A4, 0x0490, 0x00A6, 0x00A7,
    0x0401, 0x00A9, 0x0404, 0x00AB, 0x00AC, 0x00AD, 0x00AE, 0x0407,
    0x00B0, 0x00B1, 0x0406, 0x0456, 0x0491, 0x00B5, 0x00B6, 0x00B7,
    0x0451, 0x2116, 0x0454, 0x00BB, 0x0458, 0x0405, 0x0455, 0x0457,
    0x0410, 0x0411, 0x0412, 0x0413, 0x0414, 0x0415, 0x0416, 0x0417,
    0x0418, 0x0419, 0x041A, 0x041B, 0x041C, 0x041D, 0x041E, 0x041F,
    0x0420, 0x0421, 0x0422, 0x0423, 0x0424, 0x0425, 0x0426, 0x0427,
    0x0428, 0x0429, 0x042A, 0x042B, 0x042C, 0x042D, 0x042E, 0x042F,
    0x0430, 0x0431, 0x0432, 0x0433, 0x0434, 0x0435, 0x0436, 0x0437,
    0x0438, 0x0439, 0x043A, 0x043B, 0x043C, 0x043D, 0x043E, 0x043F,
    0x0440, 0x0441, 0x0442, 0x0443, 0x0444, 0x0445, 0x0446, 0x0447,
    0x0448, 0x0449, 0x044A, 0x044B, 0x044C, 0x044D, 0x044E, 0x044F,
};


// Every code point of the high half lies below U+2200: one byte per code point below that
// bound, 0 where the code page has no byte. A whole code's text converts with one look-up per
// character.
constexpr char32_t kReverseLimit = 0x2200;
const std::array<unsigned char, kReverseLimit>& ReverseTable() {
  static const std::array<unsigned char, kReverseLimit> table = [] {
    std::array<unsigned char, kReverseLimit> t{};
    for (int i = 0; i < 128; ++i)
      if (kHighHalf[i] != 0) t[kHighHalf[i]] = static_cast<unsigned char>(0x80 + i);
    return t;
  }();
  return table;
}

// The byte of a code point, or 0 when the code page lacks it.
inline unsigned char ByteOf(char32_t cp) {
  if (cp < 0x80) return static_cast<unsigned char>(cp);
  return cp < kReverseLimit ? ReverseTable()[cp] : 0;
}

}  // namespace

void AppendUtf8(std::string& out, char32_t cp) {
  if (cp < 0x80) {
    out += static_cast<char>(cp);
  } else if (cp < 0x800) {
    out += static_cast<char>(0xC0 | (cp >> 6));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  } else if (cp < 0x10000) {
    out += static_cast<char>(0xE0 | (cp >> 12));
    out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (cp >> 18));
    out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  }
}

char32_t ToUnicode(unsigned char b) {
  if (b < 0x80) return b;
  const char16_t cp = kHighHalf[b - 0x80];
  return cp != 0 ? cp : 0xFFFD;
}

char FromUnicode(char32_t cp) {
  if (cp < 0x80) return static_cast<char>(cp);
  const unsigned char b = ByteOf(cp);
  return b != 0 ? static_cast<char>(b) : '?';
}

std::string ToUtf8(std::string_view s) {
  std::string out;
  out.reserve(s.size() * 2);
  for (char c : s) AppendUtf8(out, ToUnicode(static_cast<unsigned char>(c)));
  return out;
}

namespace {

// Decodes UTF-8, calling good(code point) for every well-formed sequence and bad() for every
// byte that starts no well-formed sequence.
template <class Good, class Bad>
void DecodeUtf8(std::string_view s, Good good, Bad bad) {
  size_t i = 0;
  while (i < s.size()) {
    const auto b = static_cast<unsigned char>(s[i]);
    if (b < 0x80) {
      good(static_cast<char32_t>(b));
      ++i;
      continue;
    }
    const int extra = (b >> 5) == 6 ? 1 : (b >> 4) == 14 ? 2 : (b >> 3) == 30 ? 3 : -1;
    if (extra < 0 || i + static_cast<size_t>(extra) >= s.size()) {
      bad();
      ++i;
      continue;
    }
    char32_t cp = b & (0x3F >> extra);
    bool ok = true;
    for (int k = 1; k <= extra; ++k) {
      const auto cb = static_cast<unsigned char>(s[i + static_cast<size_t>(k)]);
      if ((cb & 0xC0) != 0x80) { ok = false; break; }
      cp = (cp << 6) | (cb & 0x3F);
    }
    if (!ok) {
      bad();
      ++i;
      continue;
    }
    good(cp);
    i += static_cast<size_t>(extra) + 1;
  }
}

}  // namespace

void AppendHtml(std::string& out, char32_t cp) {
  const char c = FromUnicode(cp);
  if (c != '?' || cp == U'?') {
    out += c;
    return;
  }
  out += "&#";
  out += std::to_string(static_cast<uint32_t>(cp));
  out += ';';
}

std::string FromUtf16Html(std::u16string_view s) {
  // One byte per unit written in place; the rare character reference makes room for itself.
  std::string out(s.size(), '\0');
  size_t n = 0;
  const auto& table = ReverseTable();
  const auto reference = [&](char32_t cp, size_t unitsLeft) {
    out.resize(n);
    out += "&#";
    out += std::to_string(static_cast<uint32_t>(cp));
    out += ';';
    n = out.size();
    out.resize(n + unitsLeft);
  };
  for (size_t i = 0; i < s.size(); ++i) {
    const char16_t u = s[i];
    if (u < 0x80) {
      out[n++] = static_cast<char>(u);
      continue;
    }
    if (u < 0xD800 || u > 0xDFFF) {
      const unsigned char b = u < kReverseLimit ? table[u] : 0;
      if (b != 0) out[n++] = static_cast<char>(b);
      else reference(u, s.size() - i - 1);
      continue;
    }
    // A surrogate pair is one character beyond the basic plane; a lone half is no character.
    if (u <= 0xDBFF && i + 1 < s.size() && s[i + 1] >= 0xDC00 && s[i + 1] <= 0xDFFF) {
      const char32_t cp = 0x10000 + ((static_cast<char32_t>(u) - 0xD800) << 10) + (s[i + 1] - 0xDC00);
      ++i;
      reference(cp, s.size() - i - 1);
    } else {
      reference(0xFFFD, s.size() - i - 1);
    }
  }
  out.resize(n);
  return out;
}

std::string FromUtf8Html(std::string_view s) {
  std::string out;
  out.reserve(s.size());
  DecodeUtf8(s, [&](char32_t cp) { AppendHtml(out, cp); }, [&] { out += "&#65533;"; });
  return out;
}

std::string FromUtf8(std::string_view s) {
  std::string out;
  out.reserve(s.size());
  size_t i = 0;
  while (i < s.size()) {
    const auto b = static_cast<unsigned char>(s[i]);
    int extra = b < 0x80 ? 0 : (b >> 5) == 6 ? 1 : (b >> 4) == 14 ? 2 : (b >> 3) == 30 ? 3 : -1;
    if (extra < 0 || i + extra >= s.size() + (extra == 0 ? 1 : 0)) {
      out += '?';  // a stray or truncated sequence
      ++i;
      continue;
    }
    char32_t cp = extra == 0 ? b : (b & (0x3F >> extra));
    bool ok = true;
    for (int k = 1; k <= extra; ++k) {
      const auto cb = static_cast<unsigned char>(s[i + k]);
      if ((cb & 0xC0) != 0x80) { ok = false; break; }
      cp = (cp << 6) | (cb & 0x3F);
    }
    if (!ok) {
      out += '?';
      ++i;
      continue;
    }
    out += FromUnicode(cp);
    i += extra + 1;
  }
  return out;
}

}  // namespace cp1251
