#include "documents/FlatOdt.h"

#include <vector>

#include "documents/ComparisonTable.h"
#include "documents/TrackedEdition.h"
#include "support/MarkupEscape.h"

namespace {

constexpr const char* kDocumentStart =
    "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
    "<office:document xmlns:office=\"urn:oasis:names:tc:opendocument:xmlns:office:1.0\""
    " xmlns:style=\"urn:oasis:names:tc:opendocument:xmlns:style:1.0\""
    " xmlns:text=\"urn:oasis:names:tc:opendocument:xmlns:text:1.0\""
    " xmlns:table=\"urn:oasis:names:tc:opendocument:xmlns:table:1.0\""
    " xmlns:fo=\"urn:oasis:names:tc:opendocument:xmlns:xsl-fo-compatible:1.0\""
    " xmlns:svg=\"urn:oasis:names:tc:opendocument:xmlns:svg-compatible:1.0\""
    " xmlns:dc=\"http://purl.org/dc/elements/1.1/\""
    " xmlns:meta=\"urn:oasis:names:tc:opendocument:xmlns:meta:1.0\""
    " office:version=\"1.3\" office:mimetype=\"application/vnd.oasis.opendocument.text\">\n";

// Fonts and the default paragraph look shared by both documents.
constexpr const char* kCommonStyles =
    " <office:font-face-decls>\n"
    "  <style:font-face style:name=\"Times New Roman\" svg:font-family=\"'Times New Roman'\""
    " style:font-family-generic=\"roman\" style:font-pitch=\"variable\"/>\n"
    " </office:font-face-decls>\n"
    " <office:styles>\n"
    "  <style:default-style style:family=\"paragraph\">\n"
    "   <style:paragraph-properties fo:margin-top=\"0cm\" fo:margin-bottom=\"0.12cm\"/>\n"
    "   <style:text-properties style:font-name=\"Times New Roman\" fo:font-size=\"12pt\" fo:language=\"ru\""
    " fo:country=\"RU\"/>\n"
    "  </style:default-style>\n"
    "  <style:style style:name=\"Standard\" style:family=\"paragraph\" style:class=\"text\"/>\n"
    " </office:styles>\n";

// A4 with 2 cm margins; the footer's paragraph style is FooterText.
constexpr const char* kPageLayout =
    "  <style:page-layout style:name=\"PageA4\">\n"
    "   <style:page-layout-properties fo:page-width=\"21cm\" fo:page-height=\"29.7cm\""
    " style:print-orientation=\"portrait\" fo:margin-top=\"2cm\" fo:margin-bottom=\"1.5cm\""
    " fo:margin-left=\"2cm\" fo:margin-right=\"2cm\"/>\n"
    "   <style:footer-style><style:header-footer-properties fo:min-height=\"0cm\""
    " fo:margin-top=\"0.4cm\"/></style:footer-style>\n"
    "  </style:page-layout>\n"
    "  <style:style style:name=\"FooterText\" style:family=\"paragraph\">\n"
    "   <style:paragraph-properties fo:text-align=\"center\"/>\n"
    "   <style:text-properties fo:font-size=\"9pt\"/>\n"
    "  </style:style>\n";


// U+FFFE and U+FFFF, which XML does not allow, in UTF-8.
bool NonCharacterAt(const std::string& text, size_t i) {
  return text.compare(i, 2, "\xEF\xBF") == 0 && i + 2 < text.size() && (text[i + 2] == '\xBE' || text[i + 2] == '\xBF');
}

// Text as XML character data of a paragraph: markup escaped, control characters left out, a
// blank that ODF would collapse (at the paragraph's start or after another) written as <text:s/>.
class TParagraphText {
 public:
  explicit TParagraphText(std::string& out) : out_(out) {}
  void Add(const std::string& text) {
    for (size_t i = 0; i < text.size(); ++i) {
      if (NonCharacterAt(text, i)) {
        i += 2;
        continue;
      }
      const char c = text[i];
      const unsigned char u = static_cast<unsigned char>(c);
      if (c == ' ') {
        out_ += blank_ ? "<text:s/>" : " ";
        blank_ = true;
      } else if (c == '\t') {
        out_ += "<text:tab/>";
        blank_ = false;
      } else if (c == '\n') {
        out_ += "<text:line-break/>";
        blank_ = true;
      } else if (u >= 0x20 && u != 0x7F) {
        AppendMarkupEscaped(out_, c);
        blank_ = false;
      }
    }
  }

 private:
  std::string& out_;
  bool blank_ = true;
};

std::string Escaped(const std::string& text) {
  std::string out;
  for (size_t i = 0; i < text.size(); ++i) {
    if (NonCharacterAt(text, i)) i += 2;
    else if (static_cast<unsigned char>(text[i]) >= 0x20 && text[i] != 0x7F) AppendMarkupEscaped(out, text[i]);
  }
  return out;
}

void AddParagraph(std::string& out, const char* style, const std::string& text) {
  out += "<text:p text:style-name=\"";
  out += style;
  out += "\">";
  TParagraphText writer(out);
  writer.Add(text);
  out += "</text:p>\n";
}

std::string MasterPage(const std::string& footer) {
  return " <office:master-styles>\n"
         "  <style:master-page style:name=\"Standard\" style:page-layout-name=\"PageA4\">\n"
         "   <style:footer><text:p text:style-name=\"FooterText\">" +
         Escaped(footer) +
         " · <text:page-number text:select-page=\"current\">1</text:page-number> из "
         "<text:page-count>1</text:page-count></text:p></style:footer>\n"
         "  </style:master-page>\n"
         " </office:master-styles>\n";
}

// The table's own styles: its columns, cells and the marks of the words.
constexpr const char* kTableStyles =
    "  <style:style style:name=\"Title\" style:family=\"paragraph\">\n"
    "   <style:paragraph-properties fo:text-align=\"center\" fo:margin-bottom=\"0.3cm\"/>\n"
    "   <style:text-properties fo:font-size=\"16pt\" fo:font-weight=\"bold\"/>\n"
    "  </style:style>\n"
    "  <style:style style:name=\"Subtitle\" style:family=\"paragraph\">\n"
    "   <style:paragraph-properties fo:text-align=\"center\"/>\n"
    "  </style:style>\n"
    "  <style:style style:name=\"Summary\" style:family=\"paragraph\">\n"
    "   <style:paragraph-properties fo:margin-top=\"0.2cm\" fo:margin-bottom=\"0.4cm\"/>\n"
    "  </style:style>\n"
    "  <style:style style:name=\"Head\" style:family=\"paragraph\">\n"
    "   <style:paragraph-properties fo:text-align=\"center\"/>\n"
    "   <style:text-properties fo:font-weight=\"bold\"/>\n"
    "  </style:style>\n"
    "  <style:style style:name=\"Address\" style:family=\"paragraph\">\n"
    "   <style:text-properties fo:font-size=\"9pt\" fo:font-style=\"italic\"/>\n"
    "  </style:style>\n"
    "  <style:style style:name=\"Cell\" style:family=\"paragraph\">\n"
    "   <style:paragraph-properties fo:text-align=\"start\"/>\n"
    "  </style:style>\n"
    "  <style:style style:name=\"Gap\" style:family=\"paragraph\">\n"
    "   <style:paragraph-properties fo:text-align=\"center\"/>\n"
    "  </style:style>\n"
    "  <style:style style:name=\"New\" style:family=\"text\">\n"
    "   <style:text-properties fo:font-weight=\"bold\"/>\n"
    "  </style:style>\n"
    "  <style:style style:name=\"Removed\" style:family=\"text\">\n"
    "   <style:text-properties fo:font-weight=\"bold\" style:text-line-through-style=\"solid\""
    " style:text-line-through-type=\"single\"/>\n"
    "  </style:style>\n"
    "  <style:style style:name=\"Changes\" style:family=\"table\">\n"
    "   <style:table-properties style:width=\"17cm\" table:align=\"margins\"/>\n"
    "  </style:style>\n"
    "  <style:style style:name=\"Column\" style:family=\"table-column\">\n"
    "   <style:table-column-properties style:column-width=\"8.5cm\" style:rel-column-width=\"1*\"/>\n"
    "  </style:style>\n"
    "  <style:style style:name=\"Box\" style:family=\"table-cell\">\n"
    "   <style:table-cell-properties fo:padding=\"0.12cm\" fo:border=\"0.5pt solid #000000\"/>\n"
    "  </style:style>\n";

void AddCell(std::string& out, const TTableCell& cell, const char* markStyle, const std::string& moved) {
  out += "<table:table-cell table:style-name=\"Box\" office:value-type=\"string\">";
  bool any = false;
  if (!cell.Address.empty()) {
    AddParagraph(out, "Address", cell.Address + moved);
    any = true;
  }
  for (const auto& paragraph : cell.Paragraphs) {
    out += "<text:p text:style-name=\"Cell\">";
    TParagraphText writer(out);
    for (const TTableSpan& span : paragraph) {
      if (span.Marked) {
        out += "<text:span text:style-name=\"";
        out += markStyle;
        out += "\">";
      }
      writer.Add(span.Text);
      if (span.Marked) out += "</text:span>";
    }
    out += "</text:p>\n";
    any = true;
  }
  if (!any) out += "<text:p text:style-name=\"Cell\"/>";
  out += "</table:table-cell>\n";
}

}  // namespace

std::string TableFlatOdt(const TComparisonTable& table) {
  std::string out = kDocumentStart;
  out += kCommonStyles;
  out += " <office:automatic-styles>\n";
  out += kPageLayout;
  out += kTableStyles;
  out += " </office:automatic-styles>\n";
  // The footer names the document and its date, the last words of the subtitle.
  std::string date;
  if (const size_t at = table.Subtitle.rfind("Дата сравнения: "); at != std::string::npos)
    date = table.Subtitle.substr(at + std::string("Дата сравнения: ").size());
  out += MasterPage("Parvel · " + table.Title + (date.empty() ? "" : " · " + date));
  out += " <office:body>\n  <office:text>\n";
  out += "<text:h text:style-name=\"Title\" text:outline-level=\"1\">" + Escaped(table.Title) + "</text:h>\n";
  if (!table.Subtitle.empty()) AddParagraph(out, "Subtitle", table.Subtitle);
  if (!table.Summary.empty()) AddParagraph(out, "Summary", table.Summary);
  out += "<table:table table:name=\"Changes\" table:style-name=\"Changes\">\n"
         "<table:table-column table:style-name=\"Column\" table:number-columns-repeated=\"2\"/>\n"
         "<table:table-header-rows><table:table-row>\n";
  for (const std::string* head : {&table.Column1, &table.Column2}) {
    out += "<table:table-cell table:style-name=\"Box\" office:value-type=\"string\">";
    AddParagraph(out, "Head", *head);
    out += "</table:table-cell>\n";
  }
  out += "</table:table-row></table:table-header-rows>\n";
  for (const TTableRow& row : table.Rows) {
    out += "<table:table-row>\n";
    if (row.Gap) {
      out += "<table:table-cell table:style-name=\"Box\" table:number-columns-spanned=\"2\" office:value-type=\"string\">";
      AddParagraph(out, "Gap", "…");
      out += "</table:table-cell><table:covered-table-cell/>\n";
    } else {
      AddCell(out, row.Old, "Removed", row.Moved ? " (перенесено отсюда)" : "");
      AddCell(out, row.New, "New", row.Moved ? " (перенесено сюда)" : "");
    }
    out += "</table:table-row>\n";
  }
  out += "</table:table>\n  </office:text>\n </office:body>\n</office:document>\n";
  return out;
}

std::string TrackedFlatOdt(const TTrackedEdition& edition) {
  // The body first: the changed regions are numbered as they come.
  struct TRegion {
    TTrackKind Kind;
  };
  std::vector<TRegion> regions;
  std::string body;
  // The open region: a run of one change's insertions or deletions, paragraph ends among them,
  // marked by text:change-start and text:change-end as the office itself writes them.
  int open = -1;
  TTrackKind openKind = TTrackKind::Same;
  int openChange = -1;
  auto close = [&] {
    if (open < 0) return;
    body += "<text:change-end text:change-id=\"ct" + std::to_string(open + 1) + "\"/>";
    open = -1;
  };
  auto enter = [&](TTrackKind kind, int change) {
    if (kind == TTrackKind::Same) {
      close();
      return;
    }
    if (open >= 0 && openKind == kind && openChange == change) return;
    close();
    regions.push_back({kind});
    open = static_cast<int>(regions.size()) - 1;
    openKind = kind;
    openChange = change;
    body += "<text:change-start text:change-id=\"ct" + std::to_string(open + 1) + "\"/>";
  };
  for (size_t p = 0; p < edition.Paragraphs.size(); ++p) {
    const TTrackedParagraph& paragraph = edition.Paragraphs[p];
    body += "<text:p text:style-name=\"Standard\">";
    TParagraphText writer(body);
    for (const TTrackedSpan& span : paragraph.Spans) {
      enter(span.Kind, span.Change);
      writer.Add(span.Text);
    }
    const bool last = p + 1 == edition.Paragraphs.size();
    if (last || paragraph.End == TTrackKind::Same) {
      close();
    } else if (open < 0 || openKind != paragraph.End) {
      enter(paragraph.End, paragraph.EndChange);
    }
    body += "</text:p>\n";
  }
  close();

  std::string out = kDocumentStart;
  out += " <office:meta><dc:title>" + Escaped(edition.Title) + "</dc:title></office:meta>\n";
  out += kCommonStyles;
  out += " <office:automatic-styles>\n";
  out += kPageLayout;
  out += " </office:automatic-styles>\n";
  out += MasterPage("Parvel · Редакция с исправлениями");
  out += " <office:body>\n  <office:text>\n   <text:tracked-changes text:track-changes=\"false\">\n";
  const std::string info = "<office:change-info><dc:creator>" + Escaped(edition.Author) + "</dc:creator>" +
                           (edition.Date.empty() ? "" : "<dc:date>" + Escaped(edition.Date) + "</dc:date>") +
                           "</office:change-info>";
  for (size_t r = 0; r < regions.size(); ++r) {
    const std::string id = "ct" + std::to_string(r + 1);
    const char* kind = regions[r].Kind == TTrackKind::Inserted ? "text:insertion" : "text:deletion";
    out += "    <text:changed-region xml:id=\"" + id + "\" text:id=\"" + id + "\"><" + kind + ">" + info + "</" + kind +
           "></text:changed-region>\n";
  }
  out += "   </text:tracked-changes>\n";
  out += body;
  out += "  </office:text>\n </office:body>\n</office:document>\n";
  return out;
}
