#include "output/SavedPage.h"

#include <QFileInfo>
#include <QUrl>

#include <algorithm>
#include <cctype>
#include <string_view>

namespace {

char Lower(char c) { return static_cast<char>(std::tolower(static_cast<unsigned char>(c))); }

bool StartsWithNoCase(std::string_view s, size_t at, std::string_view prefix) {
  if (at + prefix.size() > s.size()) return false;
  for (size_t i = 0; i < prefix.size(); ++i)
    if (Lower(s[at + i]) != prefix[i]) return false;
  return true;
}

bool SameNoCase(std::string_view a, std::string_view b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) { return Lower(x) == Lower(y); });
}

size_t FindNoCase(std::string_view s, std::string_view lowerNeedle, size_t from) {
  for (size_t at = from; at + lowerNeedle.size() <= s.size(); ++at)
    if (StartsWithNoCase(s, at, lowerNeedle)) return at;
  return std::string_view::npos;
}

// The end of the tag that starts at `open` (its '>'), skipping quoted attribute values.
size_t TagEnd(std::string_view s, size_t open) {
  char quote = 0;
  for (size_t i = open; i < s.size(); ++i) {
    const char c = s[i];
    if (quote) {
      if (c == quote) quote = 0;
    } else if (c == '"' || c == '\'') {
      quote = c;
    } else if (c == '>') {
      return i;
    }
  }
  return std::string_view::npos;
}

// The value of attribute `name` inside tag [open, end): its first and one-past-last byte, or npos.
std::pair<size_t, size_t> AttributeValue(std::string_view s, size_t open, size_t end, std::string_view name) {
  for (size_t at = FindNoCase(s.substr(0, end), name, open); at != std::string_view::npos;
       at = FindNoCase(s.substr(0, end), name, at + 1)) {
    const char before = s[at - 1];
    if (!std::isspace(static_cast<unsigned char>(before))) continue;
    size_t i = at + name.size();
    while (i < end && std::isspace(static_cast<unsigned char>(s[i]))) ++i;
    if (i >= end || s[i] != '=') continue;
    ++i;
    while (i < end && std::isspace(static_cast<unsigned char>(s[i]))) ++i;
    if (i >= end) break;
    if (s[i] == '"' || s[i] == '\'') {
      const size_t close = s.find(s[i], i + 1);
      if (close == std::string_view::npos || close > end) break;
      return {i + 1, close};
    }
    size_t j = i;
    while (j < end && !std::isspace(static_cast<unsigned char>(s[j])) && s[j] != '>') ++j;
    return {i, j};
  }
  return {std::string_view::npos, std::string_view::npos};
}

// A word processor's HTML import gives acronym elements a character style of their own, which
// takes the style sheet's decoration of marks as an underline; a span has none.
void MarksAsSpans(std::string& html) {
  for (size_t open = FindNoCase(html, "<acronym", 0); open != std::string::npos;
       open = FindNoCase(html, "<acronym", open + 1)) {
    const size_t next = open + 8;
    if (next < html.size() && !std::isspace(static_cast<unsigned char>(html[next])) && html[next] != '>') continue;
    html.replace(open + 1, 7, "span");
    const size_t end = TagEnd(html, open);
    if (end == std::string::npos) return;
    const auto [from, to] = AttributeValue(html, open, end, "style");
    if (from == std::string::npos) {
      html.insert(open + 5, " style=\"text-decoration: none\"");
      continue;
    }
    if (FindNoCase(std::string_view(html).substr(from, to - from), "text-decoration", 0) != std::string_view::npos)
      continue;
    std::string_view value = std::string_view(html).substr(from, to - from);
    while (!value.empty() && std::isspace(static_cast<unsigned char>(value.back()))) value.remove_suffix(1);
    const bool needsSemicolon = !value.empty() && value.back() != ';';
    html.insert(from + value.size(), std::string(needsSemicolon ? "; " : " ") + "text-decoration: none");
  }
  for (size_t close = FindNoCase(html, "</acronym", 0); close != std::string::npos;
       close = FindNoCase(html, "</acronym", close + 1))
    if (close + 9 >= html.size() || html[close + 9] == '>' || std::isspace(static_cast<unsigned char>(html[close + 9])))
      html.replace(close + 2, 7, "span");
}

void PointStyleReferencesInto(std::string& html, const std::string& folder, const std::vector<std::string>& files) {
  for (size_t open = html.find('<'); open != std::string::npos; open = html.find('<', open + 1)) {
    const size_t end = TagEnd(html, open);
    if (end == std::string::npos) return;
    for (std::string_view name : {std::string_view("href"), std::string_view("src")}) {
      const auto [from, to] = AttributeValue(html, open, end, name);
      if (from == std::string::npos) continue;
      const std::string value = html.substr(from, to - from);
      const bool ours = std::any_of(files.begin(), files.end(), [&](const std::string& f) { return SameNoCase(f, value); });
      if (!ours) continue;
      html.replace(from, to - from, folder + "/" + value);
      break;  // the tag moved: the next tag is looked for from its start
    }
  }
}

}  // namespace

QString StyleFolderName(const QString& path) {
  const QFileInfo info(path);
  const QString name = info.fileName();
  const qsizetype dot = name.lastIndexOf('.');
  return (dot > 0 ? name.left(dot) : name) + "_files";
}

std::string PageForWordProcessor(std::string html, const QString& folder, const std::vector<std::string>& styleFiles) {
  MarksAsSpans(html);
  PointStyleReferencesInto(html, QUrl::toPercentEncoding(folder).toStdString(), styleFiles);
  return html;
}
