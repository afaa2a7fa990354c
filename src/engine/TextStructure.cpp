#include "engine/TextStructure.h"

#include <cstring>

#include "engine/HtmlScan.h"
#include "support/FastStrings.h"

namespace {

enum class TTagRole { None, Block, LineBreak };

char Lower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

// The role of the tag whose name starts at s[i] (after "<" or "</").
TTagRole RoleOf(std::string_view s, size_t i) {
  char name[12];
  size_t n = 0;
  while (i + n < s.size() && n < sizeof name) {
    const char c = Lower(s[i + n]);
    if (!((c >= 'a' && c <= 'z') || (c >= '0' && c <= '9'))) break;
    name[n++] = c;
  }
  if (n == 0 || n == sizeof name) return TTagRole::None;
  const std::string_view tag(name, n);
  if (tag == "br") return TTagRole::LineBreak;
  static constexpr std::string_view kBlocks[] = {"p",  "div", "h1", "h2", "h3",    "h4",         "h5",
                                                 "h6", "li",  "td", "th", "tr",    "table",      "ul",
                                                 "ol", "dl",  "dt", "dd", "pre",   "blockquote", "center",
                                                 "caption"};
  for (std::string_view b : kBlocks)
    if (tag == b) return TTagRole::Block;
  return TTagRole::None;
}

}  // namespace

TTokenBlocks MapTokenBlocks(std::string_view html, const std::vector<int32_t>& positions) {
  TTokenBlocks map;
  const size_t count = positions.size();
  map.Paragraph.resize(count);
  map.BreakBefore.resize(count);
  const int body = FindFromNoCase("<BODY", html, 1);
  size_t i = body > 0 ? static_cast<size_t>(body - 1) : 0;
  size_t token = 0;
  int32_t blocks = 0;    // block start tags seen
  bool pending = true;   // a boundary since the last token
  auto assignUpTo = [&](size_t at) {
    for (; token < count && static_cast<size_t>(positions[token] - 1) < at; ++token) {
      map.Paragraph[token] = blocks > 0 ? blocks - 1 : 0;
      map.BreakBefore[token] = pending;
      pending = false;
    }
  };
  const size_t n = html.size();
  while (i < n) {
    const void* lt = std::memchr(html.data() + i, '<', n - i);
    if (!lt) break;
    i = static_cast<size_t>(static_cast<const char*>(lt) - html.data());
    if (!html_scan::StartsMarkup(html, i)) {
      ++i;
      continue;
    }
    assignUpTo(i);
    const bool end = html[i + 1] == '/';
    const TTagRole role = RoleOf(html, i + (end ? 2 : 1));
    if (role != TTagRole::None) pending = true;
    if (role == TTagRole::Block && !end) ++blocks;
    i = html_scan::SkipMarkup(html, i);
  }
  assignUpTo(n);
  return map;
}
