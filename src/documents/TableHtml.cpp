#include "documents/TableHtml.h"

#include "documents/ComparisonTable.h"
#include "support/MarkupEscape.h"

namespace {

std::string Escaped(const std::string& text) {
  std::string out;
  out.reserve(text.size());
  for (const char c : text) {
    const unsigned char u = static_cast<unsigned char>(c);
    if (c == '\t' || c == '\n') out += ' ';
    else if (u >= 0x20 && u != 0x7F) AppendMarkupEscaped(out, c);
  }
  return out;
}

constexpr const char* kStyle =
    "body{font-family:'Times New Roman',serif;font-size:12pt;margin:2em}\n"
    "h1{text-align:center;font-size:16pt;margin-bottom:.3em}\n"
    ".subtitle{text-align:center}\n"
    ".summary{margin:.6em 0 1em}\n"
    "table{border-collapse:collapse;width:100%;table-layout:fixed}\n"
    "th,td{border:1px solid #000;padding:.3em .4em;vertical-align:top;width:50%}\n"
    "td p{margin:0 0 .3em}\n"
    "td p.address{font-size:9pt;font-style:italic;text-align:left}\n"
    "td.gap{text-align:center}\n"
    "@media print{body{margin:0}thead{display:table-header-group}tr{break-inside:avoid}}\n";

void AddCell(std::string& out, const TTableCell& cell, bool removed, const char* moved) {
  out += "<td>";
  if (!cell.Address.empty()) out += "<p class=\"address\">" + Escaped(cell.Address) + moved + "</p>";
  for (const auto& paragraph : cell.Paragraphs) {
    out += "<p>";
    for (const TTableSpan& span : paragraph) {
      if (!span.Marked) out += Escaped(span.Text);
      else if (removed) out += "<s><b>" + Escaped(span.Text) + "</b></s>";
      else out += "<b>" + Escaped(span.Text) + "</b>";
    }
    out += "</p>";
  }
  out += "</td>";
}

}  // namespace

std::string TableHtml(const TComparisonTable& table) {
  std::string out =
      "<!DOCTYPE html>\n<html lang=\"ru\">\n<head>\n<meta charset=\"utf-8\">\n<title>" + Escaped(table.Title) +
      "</title>\n<style>\n" + kStyle + "</style>\n</head>\n<body>\n";
  out += "<h1>" + Escaped(table.Title) + "</h1>\n";
  if (!table.Subtitle.empty()) out += "<p class=\"subtitle\">" + Escaped(table.Subtitle) + "</p>\n";
  if (!table.Summary.empty()) out += "<p class=\"summary\">" + Escaped(table.Summary) + "</p>\n";
  out += "<table>\n<thead><tr><th>" + Escaped(table.Column1) + "</th><th>" + Escaped(table.Column2) +
         "</th></tr></thead>\n<tbody>\n";
  for (const TTableRow& row : table.Rows) {
    out += "<tr>";
    if (row.Gap) {
      out += "<td class=\"gap\" colspan=\"2\">…</td>";
    } else {
      AddCell(out, row.Old, true, row.Moved ? " (перенесено отсюда)" : "");
      AddCell(out, row.New, false, row.Moved ? " (перенесено сюда)" : "");
    }
    out += "</tr>\n";
  }
  out += "</tbody>\n</table>\n</body>\n</html>\n";
  return out;
}
