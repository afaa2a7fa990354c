#include "engine/HtmlScan.h"

#include <cstring>

namespace html_scan {

namespace {

bool IsSpace(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f'; }

size_t PastNext(std::string_view s, char c, size_t from) {
  const size_t e = s.find(c, from);
  return e == std::string_view::npos ? std::string_view::npos : e + 1;
}

char Lower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c; }

// Whether s at i holds the given lower-case tag name opening ("<body") or closing ("</body")
// a tag: the name in any case, then a blank, "/", ">" or the end of s.
bool IsTagNamed(std::string_view s, size_t i, std::string_view lowerName) {
  if (s.size() - i < lowerName.size()) return false;
  for (size_t k = 0; k < lowerName.size(); ++k)
    if (Lower(s[i + k]) != lowerName[k]) return false;
  const size_t after = i + lowerName.size();
  return after == s.size() || IsSpace(s[after]) || s[after] == '/' || s[after] == '>';
}

// The end of a script or style element whose start tag ends at contentStart: just past the
// ">" of its end tag, or the end of s when it has none (the rest of the document is its content,
// as browsers read it).
size_t SkipRawText(std::string_view s, size_t contentStart, std::string_view endName) {
  for (size_t i = s.find('<', contentStart); i != std::string_view::npos; i = s.find('<', i + 1)) {
    if (IsTagNamed(s, i, endName)) {
      const size_t end = TagEnd(s, i);
      return end == std::string_view::npos ? s.size() : end;
    }
  }
  return s.size();
}

}  // namespace

size_t TagEnd(std::string_view s, size_t i) {
  const size_t n = s.size();
  for (size_t j = i + 1; j < n; ++j) {
    const char c = s[j];
    if (c == '>') return j + 1;
    if (c != '=') continue;
    size_t k = j + 1;
    while (k < n && IsSpace(s[k])) ++k;
    if (k < n && (s[k] == '"' || s[k] == '\'')) {
      const size_t q = s.find(s[k], k + 1);
      if (q == std::string_view::npos) return PastNext(s, '>', i + 1);  // unbalanced quote
      j = q;
    } else {
      j = k - 1;
    }
  }
  return std::string_view::npos;
}

size_t SkipMarkup(std::string_view s, size_t i) {
  const size_t n = s.size();
  size_t end;
  if (s[i + 1] == '!' && s.substr(i + 2, 2) == "--") {
    // "<!-->" and "<!--->" close at once, as browsers read them.
    end = s.find("-->", i + 2);
    if (end != std::string_view::npos) return end + 3;
    end = PastNext(s, '>', i + 4);
  } else if (s[i + 1] == '!' || s[i + 1] == '?') {
    end = PastNext(s, '>', i + 2);
  } else {
    end = TagEnd(s, i);
    // "<script/>" too: the element still has content.
    if (end != std::string_view::npos && (s[i + 1] | 0x20) == 's') {
      if (IsTagNamed(s, i, "<script")) return SkipRawText(s, end, "</script");
      if (IsTagNamed(s, i, "<style")) return SkipRawText(s, end, "</style");
    }
  }
  return end == std::string_view::npos ? n : end;
}

namespace {

// The first markup item of s that is the named tag, or npos.
size_t FindTag(std::string_view s, std::string_view lowerName) {
  const size_t n = s.size();
  size_t i = 0;
  while (i < n) {
    const size_t lt = s.find('<', i);
    if (lt == std::string_view::npos) break;
    if (!StartsMarkup(s, lt)) {
      i = lt + 1;
      continue;
    }
    if (IsTagNamed(s, lt, lowerName)) return lt;
    i = SkipMarkup(s, lt);
  }
  return std::string_view::npos;
}

}  // namespace

size_t FindBodyEnd(std::string_view s) { return FindTag(s, "</body"); }

size_t FindBodyStart(std::string_view s) { return FindTag(s, "<body"); }

size_t NextMarkup(std::string_view s, size_t from, size_t to) {
  while (from < to) {
    const void* hit = std::memchr(s.data() + from, '<', to - from);
    if (!hit) break;
    const size_t lt = static_cast<size_t>(static_cast<const char*>(hit) - s.data());
    if (StartsMarkup(s, lt)) return lt;
    from = lt + 1;
  }
  return to;
}

}  // namespace html_scan
