#include "engine/ChangeTable.h"

#include <string_view>

#include "engine/ChangeList.h"
#include "engine/ChangesJson.h"

namespace {

// Context, changed words and context on one line; mark wraps the changed words.
std::string ExcerptText(const TExcerpt& e, std::string_view mark, std::string (*escape)(const std::string&)) {
  std::string out = escape(Utf8Text(e.Before));
  if (!e.Changed.empty()) {
    if (!out.empty() && e.GapBefore) out += ' ';
    out += mark;
    out += escape(Utf8Text(e.Changed));
    out += mark;
  }
  const std::string after = escape(Utf8Text(e.After));
  if (!after.empty() && !out.empty() && (e.Changed.empty() ? e.GapBefore : e.GapAfter)) out += ' ';
  return out + after;
}

std::string AsIs(const std::string& s) { return s; }

void AppendCsvCell(std::string& out, const std::string& utf8) {
  if (utf8.find_first_of(";\"\r\n") == std::string::npos) {
    out += utf8;
    return;
  }
  out += '"';
  for (char c : utf8) {
    if (c == '"') out += '"';
    out += c;
  }
  out += '"';
}

// Markdown cell text: the characters that would end a cell or start emphasis are escaped.
std::string MarkdownEscaped(const std::string& s) {
  std::string out;
  for (char c : s) {
    if (c == '|' || c == '*' || c == '_' || c == '\\' || c == '`' || c == '[' || c == ']' || c == '<') out += '\\';
    out += c;
  }
  return out;
}

}  // namespace

std::string ChangeListCsv(const TChangeList& list) {
  std::string out = "№;Где;Что;Было;Стало\r\n";
  for (const TChangeEntry& e : list.Entries) {
    out += std::to_string(e.N);
    for (const std::string& cell : {Utf8Text(e.Where), Utf8Text(e.KindText), ExcerptText(e.Was, "", AsIs),
                                    ExcerptText(e.Now, "", AsIs)}) {
      out += ';';
      AppendCsvCell(out, cell);
    }
    out += "\r\n";
  }
  return out;
}

std::string ChangeListMarkdown(const TChangeList& list) {
  std::string out = Utf8Text(list.Summary.Text) + "\n\n| № | Где | Что | Было | Стало |\n|---:|---|---|---|---|\n";
  for (const TChangeEntry& e : list.Entries) {
    out += "| " + std::to_string(e.N) + " | " + MarkdownEscaped(Utf8Text(e.Where)) + " | " +
           MarkdownEscaped(Utf8Text(e.KindText)) + " | " + ExcerptText(e.Was, "**", MarkdownEscaped) + " | " +
           ExcerptText(e.Now, "**", MarkdownEscaped) + " |\n";
  }
  return out;
}
