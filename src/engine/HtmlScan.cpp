#include "engine/HtmlScan.h"

namespace html_scan {

namespace {

bool IsSpace(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f'; }

size_t PastNext(std::string_view s, char c, size_t from) {
  const size_t e = s.find(c, from);
  return e == std::string_view::npos ? std::string_view::npos : e + 1;
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
  }
  return end == std::string_view::npos ? n : end;
}

size_t FindBodyEnd(std::string_view s) {
  static constexpr std::string_view kEnd = "</body";
  const size_t n = s.size();
  size_t i = 0;
  while (i < n) {
    const size_t lt = s.find('<', i);
    if (lt == std::string_view::npos) break;
    if (!StartsMarkup(s, lt)) {
      i = lt + 1;
      continue;
    }
    if (s[lt + 1] == '/' && n - lt >= kEnd.size()) {
      bool match = true;
      for (size_t k = 2; k < kEnd.size() && match; ++k)
        match = (s[lt + k] | 0x20) == kEnd[k];
      if (match) return lt;
    }
    i = SkipMarkup(s, lt);
  }
  return std::string_view::npos;
}

}  // namespace html_scan
