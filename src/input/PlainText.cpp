#include "input/PlainText.h"

namespace input {

std::string PlainTextToHtml(std::string_view bytes, TCodePage cp) {
  std::string out;
  out.reserve(bytes.size() + bytes.size() / 8 + 16);
  bool lineOpen = false, lineEmpty = true, lastBlank = false, lastCr = false;
  auto open = [&] {
    if (lineOpen) return;
    out += "<p>";
    lineOpen = true;
    lineEmpty = true;
    lastBlank = true;  // a blank at the start of a line must not collapse
  };
  auto close = [&] {
    open();
    if (lineEmpty) out += "&nbsp;";
    out += "</p>\n";
    lineOpen = false;
  };
  auto blank = [&] {
    open();
    out += lastBlank ? "&nbsp;" : " ";
    lastBlank = true;
    lineEmpty = false;
  };
  ForEachChar(bytes, cp, [&](char32_t c) {
    if (c == U'\n' && lastCr) {
      lastCr = false;
      return;
    }
    lastCr = c == U'\r';
    if (c == U'\r' || c == U'\n') {
      close();
      return;
    }
    if (c == U' ') return blank();
    if (c == U'\t') {
      for (int k = 0; k < 4; ++k) blank();
      return;
    }
    open();
    lineEmpty = false;
    lastBlank = false;
    switch (c) {
      case U'<': out += "&lt;"; break;
      case U'>': out += "&gt;"; break;
      case U'&': out += "&amp;"; break;
      case 0: out += "&#65533;"; break;
      default: cp1251::AppendHtml(out, c);
    }
  });
  if (lineOpen) close();
  return out;
}

}  // namespace input
