#pragma once
// Code pages of the files the program opens, and their conversion to Windows-1251, the
// program's one text encoding. Characters Windows-1251 lacks become numeric character
// references, so an opened text keeps every character it had.
#include <string>
#include <string_view>

namespace input {

enum class TCodePage { cpWindows1251, cpUtf8, cpUtf16LE, cpUtf16BE };

// Short name for messages ("UTF-8", "Windows-1251", ...).
const char* CodePageName(TCodePage cp);

// Length of the byte-order mark at the start of bytes (0 when none) and the code page it names.
size_t ByteOrderMark(std::string_view bytes, TCodePage& cp);

// The code page an HTML page declares in a <meta charset> or http-equiv Content-Type
// declaration before its body; false when there is none or it names no code page we read.
bool DeclaredCodePage(std::string_view html, TCodePage& cp);

// Whether the bytes read as UTF-8: at least one multi-byte sequence and (almost) no byte that
// starts no well-formed sequence (a sequence cut at the very end is allowed).
bool LooksLikeUtf8(std::string_view bytes);

// UTF-16 without a byte-order mark: most characters of the first kilobytes have a zero byte on
// the same side. cp gets the byte order.
bool LooksLikeUtf16(std::string_view bytes, TCodePage& cp);

// The code page of a file's bytes: byte-order mark, then (html) the declaration, then valid
// UTF-8, else Windows-1251.
TCodePage DetectCodePage(std::string_view bytes, bool html);

// Calls f(char32_t) for every character of bytes in code page cp (a byte-order mark included;
// the caller skips it). Bytes that form no character give U+FFFD.
template <class F>
void ForEachChar(std::string_view bytes, TCodePage cp, F f);

// bytes (without the byte-order mark) as Windows-1251 HTML: characters Windows-1251 lacks become
// "&#N;". Windows-1251 input comes back unchanged.
std::string ToWindows1251Html(std::string_view bytes, TCodePage cp);

}  // namespace input

#include "input/CodePageDecode.inl"
