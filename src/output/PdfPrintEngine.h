#pragma once
// The program's print engine. The view renders the document to PDF with the page layout of the
// page setup (its own text stays text); the header and the footer of the page setup are drawn as
// text on pages of their own and laid over the view's pages, so a kept PDF is searchable and
// sharp. Printers and the preview get the finished pages drawn as pictures.
#include <QByteArray>
#include <QDate>
#include <QLocale>
#include <QMarginsF>
#include <QPageLayout>
#include <QPageRanges>
#include <QPageSize>
#include <QString>
#include <QTime>

#include <stdexcept>

class QPrinter;
class THtmlView;

// A print that could not be made; the text says why.
class EPrintError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// The page setup as the engine reads it from the settings group PageSetupSettingsGroup.
struct TPageSetupValues {
  QString Header, Footer;
  QMarginsF MarginsInch{0.75, 0.75, 0.75, 0.75};  // left, top, right, bottom
};
// A value that is missing (a settings store that could not be written) reads as the fallback's,
// and so does a margin that is not a decimal number of inches from 0 to under 5.
TPageSetupValues ReadPageSetup(const TPageSetupValues& fallback);

// The page of a given size and orientation with the margins of the page setup.
QPageLayout PageLayoutFor(const TPageSetupValues& values,
                          const QPageSize& size = QPageSize(QPageSize::A4),
                          QPageLayout::Orientation orientation = QPageLayout::Portrait);

// What the header and footer codes stand for on one page.
struct THeaderFooterContext {
  int Page = 1;
  int PageCount = 1;
  QDate Date = QDate::currentDate();
  QTime Time = QTime::currentTime();
  QLocale Locale;  // the user's: the date's and time's form
  QString Title, Url;
};
// One header or footer line, split into its aligned parts.
struct THeaderFooterLine {
  QString Left, Centre, Right;
  bool IsEmpty() const { return Left.isEmpty() && Centre.isEmpty() && Right.isEmpty(); }
};
// Expands the codes of a header or footer text: "&d" short date, "&D" long date, "&t" time,
// "&T" 24-hour time, "&p" page number, "&P" page count, "&w" title, "&u" address, "&&" one "&";
// "&b" is the alignment break: after one break the rest is right-aligned, with two the middle
// part is centred. Any other "&" stays as typed.
THeaderFooterLine ExpandHeaderFooter(const QString& text, const THeaderFooterContext& context);

// Number of pages of a PDF. Throws EPrintError on bytes that are not a readable PDF.
int PdfPageCount(const QByteArray& pdf);

// A PDF of pageCount pages of the given size (points), blank but for the header in the top and
// the footer in the bottom margin of the layout, drawn as text.
QByteArray DrawHeaderFooterPages(int pageCount, const QSizeF& pagePoints, const QMarginsF& marginsPoints,
                                 const QString& header, const QString& footer,
                                 THeaderFooterContext context);

// Lays page i of overlay over page i of content (as many pages as both have). Throws EPrintError.
QByteArray OverlayPdf(const QByteArray& content, const QByteArray& overlay);

// Only the pages of a PDF within the ranges (pages from 1); all of them for empty ranges.
// Throws EPrintError.
QByteArray SelectPdfPages(const QByteArray& pdf, const QPageRanges& ranges);

// The whole engine: the view's document as PDF with the page layout, the values' header and
// footer on every page. A title ("&w") names the printed text; it is the header where the
// values give none. Throws EPrintError (and EHtmlViewError from the view).
QByteArray PrintDocumentToPdf(THtmlView& view, const TPageSetupValues& values, const QPageLayout& layout,
                              const QDate& date = QDate::currentDate(), const QString& title = {});

// Draws the pages of a finished PDF onto a printer or a preview, each as a picture of at most
// maxDpi, filling the paper; only pages in the printer's page ranges when it has any. The printer
// is left in full-page mode without margins. Throws EPrintError when the PDF cannot be read.
void DrawPdfOnPrinter(const QByteArray& pdf, QPrinter& printer, int maxDpi);
