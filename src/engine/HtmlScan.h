#pragma once
// Where markup begins and ends in serialised HTML. The splitter, the cut at the body end tag and
// the body extraction share these rules, so that all three agree on what is text.
//
// A "<" starts markup only before a letter, "/", "!" or "?"; any other "<" is text. Markup ends:
//   "<!--"  at the next "-->" (a "->" or "<![endif]" inside does not end it);
//   "<!" or "<?" otherwise (a declaration, a conditional like "<![if !vml]>") at the next ">";
//   a tag at the next ">" outside a quoted attribute value;
//   a "<script" or "<style" start tag, with the element's content, at the end of its end tag
//   ("</script" or "</style" followed by a blank, "/" or ">"): a script or a style sheet is
//   never text, and no mark may be written into one.
// An unterminated comment or quoted value falls back to the next ">", so one stray character
// cannot hide the rest of a document. On serialised HTML, where "<" and ">" stand in text and
// attribute values only as entities, these rules and plain "<"/">" counting agree.
#include <cstddef>
#include <string_view>

namespace html_scan {

inline bool StartsMarkup(std::string_view s, size_t i) {
  if (i + 1 >= s.size()) return false;
  const unsigned char c = static_cast<unsigned char>(s[i + 1]);
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '/' || c == '!' || c == '?';
}

// s[i] is a "<" for which StartsMarkup holds; returns the index just past the markup's end
// (s.size() when it runs to the end).
size_t SkipMarkup(std::string_view s, size_t i);

// 0-based index of the body end tag ("</body" followed by a blank, "/" or ">", any case) that
// is real markup, not text inside a comment, a script or an attribute value; npos when there is
// none.
size_t FindBodyEnd(std::string_view s);

// 0-based index of the body start tag ("<body" followed by a blank, "/" or ">", any case) that is
// real markup; npos when there is none.
size_t FindBodyStart(std::string_view s);

// 0-based index of the first "<" in s[from, to) that starts markup, or to when there is none.
size_t NextMarkup(std::string_view s, size_t from, size_t to);

// 0-based index just past the ">" closing the tag that starts at s[i] ("<"); npos when unclosed.
size_t TagEnd(std::string_view s, size_t i);

}  // namespace html_scan
