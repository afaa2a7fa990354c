#include "engine/ChangesJson.h"

#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "engine/ComparisonModel.h"
#include "engine/SplitHtml.h"
#include "support/CharReference.h"
#include "support/Cp1251.h"

namespace {

// The character a reference stands for, or 0 for one this writer leaves as written.
char32_t Referenced(std::string_view ref) {
  const std::string_view body = ref.substr(1, ref.size() - 2);
  if (body.size() > 1 && body[0] == '#') {
    const bool hex = body[1] == 'x' || body[1] == 'X';
    const std::string digits(body.substr(hex ? 2 : 1));
    const unsigned long cp = std::strtoul(digits.c_str(), nullptr, hex ? 16 : 10);
    return cp > 0 && cp <= 0x10FFFF && (cp < 0xD800 || cp > 0xDFFF) ? static_cast<char32_t>(cp) : 0;
  }
  if (body == "amp") return U'&';
  if (body == "lt") return U'<';
  if (body == "gt") return U'>';
  if (body == "quot") return U'"';
  return 0;
}

// A JSON string of Windows-1251 text, references resolved.
void AppendJsonString(std::string& out, std::string_view text) {
  out += '"';
  for (size_t i = 0; i < text.size();) {
    const size_t ref = char_ref::Length(text, i);
    char32_t cp = ref > 0 ? Referenced(text.substr(i, ref)) : 0;
    if (cp != 0) {
      i += ref;
    } else {
      cp = cp1251::ToUnicode(static_cast<unsigned char>(text[i]));
      ++i;
    }
    if (cp == U'"' || cp == U'\\') {
      out += '\\';
      out += static_cast<char>(cp);
    } else if (cp < 0x20) {
      static const char kHex[] = "0123456789abcdef";
      out += "\\u00";
      out += kHex[cp >> 4];
      out += kHex[cp & 15];
    } else {
      cp1251::AppendUtf8(out, cp);
    }
  }
  out += '"';
}

// The words of tokens [first, first + count), one blank where the text had blanks or a block
// boundary between two of them.
std::string TokenText(const TComparedText& t, int32_t first, int32_t count) {
  std::string words;
  size_t previousEnd = 0;
  for (int32_t k = first; k < first + count; ++k) {
    const size_t at = static_cast<size_t>(t.Positions[static_cast<size_t>(k)] - 1);
    if (k > first) {
      const std::string_view gap(t.Text.data() + previousEnd, at - previousEnd);
      if (t.Blocks.BreakBefore[static_cast<size_t>(k)] || gap.find_first_of(" \t\r\n\xA0") != std::string_view::npos)
        words += ' ';
    }
    const size_t length = TokenLength(t.Text, at);
    words.append(t.Text, at, length);
    previousEnd = at + length;
  }
  return words;
}

void AppendSide(std::string& out, const TComparisonModel& model, bool oldSide, int32_t first, int32_t count) {
  const TComparedText& t = oldSide ? model.Old : model.New;
  out += "{\"paragraph\": ";
  out += std::to_string(model.ParagraphOf(oldSide, first));
  out += ", \"first_token\": ";
  out += std::to_string(first);
  out += ", \"token_count\": ";
  out += std::to_string(count);
  out += ", \"text\": ";
  AppendJsonString(out, TokenText(t, first, count));
  out += '}';
}

}  // namespace

std::string ChangesJson(const TComparisonModel& model) {
  std::string out = "{\"changes\": [";
  int n = 0;
  for (const TChangeRun& run : model.Runs) {
    out += n == 0 ? "\n  " : ",\n  ";
    out += "{\"n\": ";
    out += std::to_string(++n);
    out += ", \"kind\": ";
    out += run.Moved ? "\"moved\""
           : run.Kind == dkInsert ? "\"inserted\""
           : run.Kind == dkDelete ? "\"deleted\""
                                  : "\"replaced\"";
    out += ", \"old\": ";
    AppendSide(out, model, true, run.First1, run.Count1);
    out += ", \"new\": ";
    AppendSide(out, model, false, run.First2, run.Count2);
    out += '}';
  }
  out += n == 0 ? "]}\n" : "\n]}\n";
  return out;
}
