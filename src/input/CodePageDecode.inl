// The character decoder behind input::ForEachChar (included by CodePage.h).
#include "support/Cp1251.h"

namespace input {

template <class F>
void ForEachChar(std::string_view s, TCodePage cp, F f) {
  const size_t n = s.size();
  auto at = [&](size_t i) { return static_cast<unsigned char>(s[i]); };
  switch (cp) {
    case TCodePage::cpWindows1251:
      for (size_t i = 0; i < n; ++i) f(cp1251::ToUnicode(at(i)));
      return;
    case TCodePage::cpUtf8: {
      size_t i = 0;
      while (i < n) {
        const unsigned char b = at(i);
        if (b < 0x80) {
          f(static_cast<char32_t>(b));
          ++i;
          continue;
        }
        const int extra = (b >> 5) == 6 ? 1 : (b >> 4) == 14 ? 2 : (b >> 3) == 30 ? 3 : -1;
        char32_t c = extra > 0 ? (b & (0x3F >> extra)) : 0;
        bool ok = extra > 0 && i + static_cast<size_t>(extra) < n;
        for (int k = 1; ok && k <= extra; ++k) {
          const unsigned char cb = at(i + static_cast<size_t>(k));
          if ((cb & 0xC0) != 0x80) ok = false;
          c = (c << 6) | (cb & 0x3F);
        }
        if (!ok) {
          f(char32_t{0xFFFD});
          ++i;
          continue;
        }
        f(c);
        i += static_cast<size_t>(extra) + 1;
      }
      return;
    }
    case TCodePage::cpUtf16LE:
    case TCodePage::cpUtf16BE: {
      const bool le = cp == TCodePage::cpUtf16LE;
      auto unit = [&](size_t i) -> char32_t {
        return le ? (at(i) | (at(i + 1) << 8)) : ((at(i) << 8) | at(i + 1));
      };
      size_t i = 0;
      while (i + 1 < n) {
        const char32_t u = unit(i);
        i += 2;
        if (u >= 0xD800 && u < 0xDC00 && i + 1 < n) {
          const char32_t lo = unit(i);
          if (lo >= 0xDC00 && lo < 0xE000) {
            f(0x10000 + ((u - 0xD800) << 10) + (lo - 0xDC00));
            i += 2;
            continue;
          }
        }
        f(u >= 0xD800 && u < 0xE000 ? char32_t{0xFFFD} : u);
      }
      if (i < n) f(char32_t{0xFFFD});  // an odd last byte
      return;
    }
  }
}

}  // namespace input
