#pragma once
// Plain text as HTML paragraphs.
#include <string>
#include <string_view>

#include "input/CodePage.h"

namespace input {

// Each line (ended by CR, LF or CR LF) becomes a paragraph "<p>…</p>" on a line of its own; an
// empty line is a paragraph holding "&nbsp;", so it keeps its height. "<", ">" and "&" are
// escaped; runs of blanks are kept (every blank after the first, and a blank starting a line,
// is "&nbsp;"); a tab counts as four blanks. Characters Windows-1251 lacks become "&#N;".
// bytes has no byte-order mark.
std::string PlainTextToHtml(std::string_view bytes, TCodePage cp);

}  // namespace input
