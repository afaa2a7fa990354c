#pragma once
// Letter case of Windows-1251 bytes. All text in the program is Windows-1251; wherever case is
// ignored (hashing, searching, the finder, the morphology) these two tables are the one truth.
#include <array>
#include <string>
#include <string_view>

namespace cp1251 {

// Maps every byte to its capital (UpperTable) or small (LowerTable) partner; bytes without a
// partner map to themselves.
extern const std::array<unsigned char, 256> UpperTable;
extern const std::array<unsigned char, 256> LowerTable;

inline unsigned char Upper(unsigned char c) { return UpperTable[c]; }
inline unsigned char Lower(unsigned char c) { return LowerTable[c]; }

std::string ToUpper(std::string_view s);
std::string ToLower(std::string_view s);

// Conversion to and from Unicode. Characters that Windows-1251 lacks become "?": the program
// handles all text as Windows-1251 bytes, and a "?" is visible where a silent drop would not be.
char32_t ToUnicode(unsigned char b);
char FromUnicode(char32_t cp);
std::string ToUtf8(std::string_view s);
// Appends one code point as UTF-8.
void AppendUtf8(std::string& out, char32_t cp);
std::string FromUtf8(std::string_view s);

// The same conversion for HTML: a character Windows-1251 lacks becomes its numeric character
// reference ("&#8470;"), so that the view shows it again and nothing the source held is lost.
// Stray or truncated UTF-8 bytes become "&#65533;" (the replacement character).
void AppendHtml(std::string& out, char32_t cp);
std::string FromUtf8Html(std::string_view s);
// The same from UTF-16 (the view's own strings), without passing through UTF-8; a lone
// surrogate becomes "&#65533;".
std::string FromUtf16Html(std::u16string_view s);

}  // namespace cp1251
