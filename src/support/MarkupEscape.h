#pragma once
// The markup characters of text written into HTML or XML, as entity references. Text only: the
// callers decide what to do with control characters, which the formats treat differently.
#include <string>
#include <string_view>

inline void AppendMarkupEscaped(std::string& out, char c) {
  switch (c) {
    case '&': out += "&amp;"; break;
    case '<': out += "&lt;"; break;
    case '>': out += "&gt;"; break;
    case '"': out += "&quot;"; break;
    default: out += c;
  }
}

inline std::string MarkupEscaped(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (const char c : text) AppendMarkupEscaped(out, c);
  return out;
}
