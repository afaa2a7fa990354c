#include "engine/ChangesJson.h"

#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "engine/ChangeList.h"
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

// The code points of Windows-1251 text, references resolved.
template <typename F>
void ForEachCodePoint(std::string_view text, F&& f) {
  for (size_t i = 0; i < text.size();) {
    const size_t ref = char_ref::Length(text, i);
    char32_t cp = ref > 0 ? Referenced(text.substr(i, ref)) : 0;
    if (cp != 0) {
      i += ref;
    } else {
      cp = cp1251::ToUnicode(static_cast<unsigned char>(text[i]));
      ++i;
    }
    f(cp);
  }
}

// A JSON string of Windows-1251 text, references resolved.
void AppendJsonString(std::string& out, std::string_view text) {
  out += '"';
  ForEachCodePoint(text, [&out](char32_t cp) {
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
  });
  out += '"';
}

}  // namespace

std::string Utf8Text(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  ForEachCodePoint(text, [&out](char32_t cp) { cp1251::AppendUtf8(out, cp); });
  return out;
}

std::string TokenText(const TComparedText& t, int32_t first, int32_t count, std::vector<size_t>* starts) {
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
    if (starts) starts->push_back(words.size());
    words.append(t.Text, at, length);
    previousEnd = at + length;
  }
  return words;
}

namespace {

void AppendOptional(std::string& out, const char* name, const std::string& value) {
  out += ", \"";
  out += name;
  out += "\": ";
  if (value.empty()) out += "null";
  else AppendJsonString(out, value);
}

void AppendSide(std::string& out, const TComparisonModel& model, bool oldSide, int32_t first, int32_t count,
                const TUnitPlace* place) {
  const TComparedText& t = oldSide ? model.Old : model.New;
  out += "{\"paragraph\": ";
  out += std::to_string(model.ParagraphOf(oldSide, first));
  out += ", \"first_token\": ";
  out += std::to_string(first);
  out += ", \"token_count\": ";
  out += std::to_string(count);
  out += ", \"text\": ";
  AppendJsonString(out, TokenText(t, first, count));
  if (place) {
    out += ", \"address\": ";
    AppendJsonString(out, place->Address);
    out += ", \"address_paragraph\": ";
    out += std::to_string(place->Block);
    AppendOptional(out, "section", place->Section);
    AppendOptional(out, "chapter", place->Chapter);
    AppendOptional(out, "article", place->Article);
    AppendOptional(out, "part", place->Part);
    AppendOptional(out, "item", place->Item);
    AppendOptional(out, "subitem", place->Subitem);
    out += ", \"paragraph_in_unit\": ";
    out += place->ParagraphInUnit > 0 ? std::to_string(place->ParagraphInUnit) : std::string("null");
  }
  out += '}';
}

void AppendCount(std::string& out, const char* name, int64_t value) {
  out += '"';
  out += name;
  out += "\": ";
  out += std::to_string(value);
  out += ", ";
}

}  // namespace

std::string ChangesJson(const TComparisonModel& model, const TChangeList* list) {
  std::string out = "{\"changes\": [";
  int n = 0;
  for (const TChangeRun& run : model.Runs) {
    const TChangeEntry* entry = list ? &list->Entries[static_cast<size_t>(n)] : nullptr;
    out += n == 0 ? "\n  " : ",\n  ";
    out += "{\"n\": ";
    out += std::to_string(++n);
    out += ", \"kind\": ";
    out += run.Moved ? "\"moved\""
           : run.Kind == dkInsert ? "\"inserted\""
           : run.Kind == dkDelete ? "\"deleted\""
                                  : "\"replaced\"";
    out += ", \"old\": ";
    AppendSide(out, model, true, run.First1, run.Count1, entry ? &entry->Old : nullptr);
    out += ", \"new\": ";
    AppendSide(out, model, false, run.First2, run.Count2, entry ? &entry->New : nullptr);
    if (entry) {
      out += ", \"kind_text\": ";
      AppendJsonString(out, entry->KindText);
      out += ", \"where\": ";
      AppendJsonString(out, entry->Where);
    }
    out += '}';
  }
  out += n == 0 ? "]" : "\n]";
  if (list) {
    const TChangeSummary& s = list->Summary;
    out += ",\n\"summary\": {";
    AppendCount(out, "articles_changed", s.ArticlesChanged);
    AppendCount(out, "articles_added", s.ArticlesAdded);
    AppendCount(out, "articles_repealed", s.ArticlesRepealed);
    AppendCount(out, "moved", s.Moved);
    AppendCount(out, "words_removed", s.WordsRemoved);
    AppendCount(out, "words_added", s.WordsAdded);
    out += "\"text\": ";
    AppendJsonString(out, s.Text);
    out += '}';
  }
  out += "}\n";
  return out;
}
