#include "input/CodePage.h"

#include <cstdint>
#include <cstring>

#include <algorithm>
#include <cctype>

#include "support/FastStrings.h"

namespace input {
namespace {

std::string Lowered(std::string_view s) {
  std::string r(s);
  for (char& c : r) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return r;
}

bool CodePageByName(std::string name, TCodePage& cp) {
  name = Lowered(name);
  if (name == "utf-8" || name == "utf8") {
    cp = TCodePage::cpUtf8;
  } else if (name == "windows-1251" || name == "cp1251" || name == "x-cp1251" || name == "win-1251") {
    cp = TCodePage::cpWindows1251;
  } else if (name == "utf-16le") {
    cp = TCodePage::cpUtf16LE;
  } else if (name == "utf-16be") {
    cp = TCodePage::cpUtf16BE;
  } else {
    return false;
  }
  return true;
}

}  // namespace

const char* CodePageName(TCodePage cp) {
  switch (cp) {
    case TCodePage::cpWindows1251: return "Windows-1251";
    case TCodePage::cpUtf8: return "UTF-8";
    case TCodePage::cpUtf16LE: return "UTF-16LE";
    case TCodePage::cpUtf16BE: return "UTF-16BE";
  }
  return "?";
}

size_t ByteOrderMark(std::string_view b, TCodePage& cp) {
  if (b.size() >= 3 && b.substr(0, 3) == "\xEF\xBB\xBF") {
    cp = TCodePage::cpUtf8;
    return 3;
  }
  if (b.size() >= 2 && b.substr(0, 2) == "\xFF\xFE") {
    cp = TCodePage::cpUtf16LE;
    return 2;
  }
  if (b.size() >= 2 && b.substr(0, 2) == "\xFE\xFF") {
    cp = TCodePage::cpUtf16BE;
    return 2;
  }
  return 0;
}

bool DeclaredCodePage(std::string_view html, TCodePage& cp) {
  // Declarations stand in the head: look no further than the body start or 64 KB.
  std::string_view head = html.substr(0, std::min<size_t>(html.size(), 65536));
  if (const int body = FindFromNoCase("<body", head, 1); body > 0) head = head.substr(0, static_cast<size_t>(body - 1));
  int from = 1;
  while (const int meta = FindFromNoCase("<meta", head, from)) {
    const size_t start = static_cast<size_t>(meta - 1);
    const size_t end = head.find('>', start);
    const std::string_view tag = head.substr(start, end == std::string_view::npos ? std::string_view::npos : end - start);
    if (const int at = FindFromNoCase("charset", tag, 1); at > 0) {
      size_t i = static_cast<size_t>(at - 1) + 7;
      while (i < tag.size() && (tag[i] == ' ' || tag[i] == '=' || tag[i] == '"' || tag[i] == '\'')) ++i;
      size_t j = i;
      while (j < tag.size() && (std::isalnum(static_cast<unsigned char>(tag[j])) || tag[j] == '-' || tag[j] == '_')) ++j;
      if (CodePageByName(std::string(tag.substr(i, j - i)), cp)) return true;
    }
    if (end == std::string_view::npos) break;
    from = static_cast<int>(end) + 2;
  }
  return false;
}

bool LooksLikeUtf8(std::string_view s) {
  size_t good = 0, bad = 0, i = 0;
  const size_t n = s.size();
  while (i < n) {
    // ASCII eight bytes at a time.
    if (i + 8 <= n) {
      uint64_t w;
      std::memcpy(&w, s.data() + i, 8);
      if ((w & 0x8080808080808080ull) == 0) {
        i += 8;
        continue;
      }
    }
    const auto b = static_cast<unsigned char>(s[i]);
    if (b < 0x80) {
      ++i;
      continue;
    }
    // Decided already: even if every byte left made a two-byte sequence, the stray ones would be
    // too many (Windows-1251 text gets here within its first few kilobytes of letters).
    if (bad * 200 > good + (n - i) / 2) return false;
    const int extra = (b >> 5) == 6 ? 1 : (b >> 4) == 14 ? 2 : (b >> 3) == 30 ? 3 : -1;
    if (extra > 0 && i + static_cast<size_t>(extra) >= n) break;  // cut at the very end
    bool ok = extra > 0;
    for (int k = 1; ok && k <= extra; ++k)
      ok = (static_cast<unsigned char>(s[i + static_cast<size_t>(k)]) & 0xC0) == 0x80;
    if (ok) {
      ++good;
      i += static_cast<size_t>(extra) + 1;
    } else {
      ++bad;
      ++i;
    }
  }
  // A stray byte in a long UTF-8 text (a file joined from pieces) must not turn it into
  // Windows-1251; Cyrillic Windows-1251 text forms almost no valid sequence at all.
  return good > 0 && bad * 200 <= good;
}

bool LooksLikeUtf16(std::string_view s, TCodePage& cp) {
  const size_t n = std::min<size_t>(s.size(), 8192) & ~size_t{1};
  if (n < 4) return false;
  // The high byte of Latin, Cyrillic and typographic characters is 0x00, 0x04 or 0x20, and
  // markup and blanks make many of them zero; the low byte is almost never zero.
  auto high = [](char c) { return c == 0 || c == 0x04 || c == 0x20; };
  size_t zeroEven = 0, zeroOdd = 0, highEven = 0, highOdd = 0;
  for (size_t i = 0; i < n; i += 2) {
    zeroEven += s[i] == 0;
    zeroOdd += s[i + 1] == 0;
    highEven += high(s[i]);
    highOdd += high(s[i + 1]);
  }
  const size_t units = n / 2;
  if (zeroOdd * 20 >= units && highOdd * 5 >= units * 4 && zeroEven * 10 < units) {
    cp = TCodePage::cpUtf16LE;
    return true;
  }
  if (zeroEven * 20 >= units && highEven * 5 >= units * 4 && zeroOdd * 10 < units) {
    cp = TCodePage::cpUtf16BE;
    return true;
  }
  return false;
}

TCodePage DetectCodePage(std::string_view bytes, bool html) {
  TCodePage cp = TCodePage::cpWindows1251;
  if (ByteOrderMark(bytes, cp) > 0) return cp;
  if (LooksLikeUtf16(bytes, cp)) return cp;
  if (html && DeclaredCodePage(bytes, cp)) return cp;
  return LooksLikeUtf8(bytes) ? TCodePage::cpUtf8 : TCodePage::cpWindows1251;
}

std::string ToWindows1251Html(std::string_view bytes, TCodePage cp) {
  if (cp == TCodePage::cpWindows1251) return std::string(bytes);
  std::string out;
  out.reserve(cp == TCodePage::cpUtf8 ? bytes.size() : bytes.size() / 2 + 16);
  ForEachChar(bytes, cp, [&](char32_t c) { cp1251::AppendHtml(out, c); });
  return out;
}

}  // namespace input
