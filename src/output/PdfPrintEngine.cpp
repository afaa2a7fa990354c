#include "output/PdfPrintEngine.h"

#include <QBuffer>
#include <QFont>
#include <QFontMetricsF>
#include <QImage>
#include <QPainter>
#include <QPdfDocument>
#include <QPdfWriter>
#include <QPrinter>
#include <QSettings>
#include <QTemporaryFile>

#include <qpdf/Buffer.hh>
#include <qpdf/QPDF.hh>
#include <qpdf/QPDFPageDocumentHelper.hh>
#include <qpdf/QPDFPageObjectHelper.hh>
#include <qpdf/QPDFWriter.hh>

#include <algorithm>
#include <cmath>
#include <exception>
#include <memory>
#include <vector>

#include "support/Cp1251.h"
#include "view/HtmlView.h"

namespace {

constexpr double kPointsPerInch = 72.0;
constexpr double kMaxMarginInch = 5.0;
constexpr double kFooterPointSize = 8.0;
// QPdfWriter draws in device units; ten per point keeps the footer's placement exact.
constexpr int kWriterDpi = 720;

// A PDF held in memory for qpdf, which reads it where it lies.
struct TQpdfDocument {
  explicit TQpdfDocument(const QByteArray& bytes, const char* what) : Bytes(bytes) {
    Pdf.setSuppressWarnings(true);
    try {
      Pdf.processMemoryFile(what, Bytes.constData(), static_cast<size_t>(Bytes.size()));
    } catch (const std::exception& e) {
      throw EPrintError(std::string("Не удалось прочитать страницы печати: ") + e.what());
    }
  }
  QByteArray Bytes;
  QPDF Pdf;
};

QByteArray WriteToBytes(QPDF& pdf) {
  QPDFWriter writer(pdf);
  writer.setOutputMemory();
  writer.write();
  std::shared_ptr<Buffer> out = writer.getBufferSharedPointer();
  return QByteArray(reinterpret_cast<const char*>(out->getBuffer()), static_cast<qsizetype>(out->getSize()));
}

QFont FooterFont() {
  QFont f;
  f.setFamilies({QStringLiteral("Arial"), QStringLiteral("Liberation Sans"), QStringLiteral("DejaVu Sans")});
  f.setPointSizeF(kFooterPointSize);
  return f;
}

// Draws one line's parts into the band, left, centred and right-aligned, each on one line.
void DrawLine(QPainter& p, const QRectF& band, const THeaderFooterLine& line) {
  const int flags = Qt::AlignVCenter | Qt::TextSingleLine;
  if (!line.Left.isEmpty()) p.drawText(band, flags | Qt::AlignLeft, line.Left);
  if (!line.Centre.isEmpty()) p.drawText(band, flags | Qt::AlignHCenter, line.Centre);
  if (!line.Right.isEmpty()) p.drawText(band, flags | Qt::AlignRight, line.Right);
}

}  // namespace

TPageSetupValues ReadPageSetup(const TPageSetupValues& fallback) {
  TPageSetupValues v;
  QSettings settings;
  settings.beginGroup(PageSetupSettingsGroup);
  v.Header = settings.value("header", fallback.Header).toString();
  v.Footer = settings.value("footer", fallback.Footer).toString();
  auto inches = [&](const char* key, double otherwise) {
    bool ok = false;
    const double d = settings.value(key).toString().trimmed().toDouble(&ok);  // "C" form: a point
    return ok && d >= 0 && d < kMaxMarginInch ? d : otherwise;
  };
  const QMarginsF& f = fallback.MarginsInch;
  v.MarginsInch = QMarginsF(inches("margin_left", f.left()), inches("margin_top", f.top()),
                            inches("margin_right", f.right()), inches("margin_bottom", f.bottom()));
  return v;
}

QPageLayout PageLayoutFor(const TPageSetupValues& values, const QPageSize& size,
                          QPageLayout::Orientation orientation) {
  const QMarginsF mm = values.MarginsInch * 25.4;
  QPageLayout layout(size, orientation, QMarginsF(), QPageLayout::Millimeter);
  layout.setMode(QPageLayout::FullPageMode);  // margins wider than the printer's minimum stay
  layout.setMargins(mm);
  return layout;
}

THeaderFooterLine ExpandHeaderFooter(const QString& text, const THeaderFooterContext& c) {
  std::vector<QString> parts(1);
  for (qsizetype i = 0; i < text.size(); ++i) {
    const QChar ch = text[i];
    if (ch != u'&' || i + 1 >= text.size()) {
      parts.back() += ch;
      continue;
    }
    const QChar code = text[++i];
    switch (code.unicode()) {
      case u'd': parts.back() += c.Locale.toString(c.Date, QLocale::ShortFormat); break;
      case u'D': parts.back() += c.Locale.toString(c.Date, QLocale::LongFormat); break;
      case u't': parts.back() += c.Locale.toString(c.Time, QLocale::ShortFormat); break;
      case u'T': parts.back() += c.Time.toString(QStringLiteral("HH:mm")); break;
      case u'p': parts.back() += QString::number(c.Page); break;
      case u'P': parts.back() += QString::number(c.PageCount); break;
      case u'w': parts.back() += c.Title; break;
      case u'u': parts.back() += c.Url; break;
      case u'&': parts.back() += u'&'; break;
      case u'b': parts.emplace_back(); break;
      default: parts.back() += ch; parts.back() += code; break;
    }
  }
  THeaderFooterLine line;
  line.Left = parts[0];
  if (parts.size() == 2) {
    line.Right = parts[1];
  } else if (parts.size() >= 3) {
    line.Centre = parts[1];
    for (size_t k = 2; k < parts.size(); ++k) line.Right += parts[k];
  }
  return line;
}

int PdfPageCount(const QByteArray& pdf) {
  TQpdfDocument doc(pdf, "pages");
  return static_cast<int>(QPDFPageDocumentHelper(doc.Pdf).getAllPages().size());
}

QByteArray DrawHeaderFooterPages(int pageCount, const QSizeF& pagePoints, const QMarginsF& marginsPoints,
                                 const QString& header, const QString& footer,
                                 THeaderFooterContext context) {
  QByteArray bytes;
  QBuffer buffer(&bytes);
  buffer.open(QIODevice::WriteOnly);
  {
    QPdfWriter writer(&buffer);
    writer.setResolution(kWriterDpi);
    writer.setPageLayout(QPageLayout(QPageSize(pagePoints, QPageSize::Point, QString(), QPageSize::ExactMatch),
                                     QPageLayout::Portrait, QMarginsF(), QPageLayout::Point));
    writer.setCreator(QStringLiteral("Parvel"));
    QPainter p(&writer);
    if (!p.isActive()) throw EPrintError("Не удалось подготовить колонтитулы печати");
    const double unit = kWriterDpi / kPointsPerInch;  // device units per point
    p.setFont(FooterFont());
    p.setPen(Qt::black);
    const double lineHeight = QFontMetricsF(p.font(), &writer).height();
    const double width = pagePoints.width() * unit, height = pagePoints.height() * unit;
    const double left = marginsPoints.left() * unit;
    const double right = width - marginsPoints.right() * unit;
    // Each line sits in the middle of its margin, or at the paper's edge when the margin is
    // narrower than the line.
    const double topBand = std::max(marginsPoints.top() * unit, lineHeight);
    const double bottomBand = std::max(marginsPoints.bottom() * unit, lineHeight);
    const QRectF headerBand(left, 0, std::max(0.0, right - left), topBand);
    const QRectF footerBand(left, height - bottomBand, std::max(0.0, right - left), bottomBand);
    for (int page = 1; page <= pageCount; ++page) {
      if (page > 1) writer.newPage();
      context.Page = page;
      context.PageCount = pageCount;
      DrawLine(p, headerBand, ExpandHeaderFooter(header, context));
      DrawLine(p, footerBand, ExpandHeaderFooter(footer, context));
    }
  }
  return bytes;
}

QByteArray OverlayPdf(const QByteArray& content, const QByteArray& overlay) {
  TQpdfDocument base(content, "document"), over(overlay, "footer");
  try {
    std::vector<QPDFPageObjectHelper> pages = QPDFPageDocumentHelper(base.Pdf).getAllPages();
    std::vector<QPDFPageObjectHelper> overPages = QPDFPageDocumentHelper(over.Pdf).getAllPages();
    const size_t n = std::min(pages.size(), overPages.size());
    for (size_t i = 0; i < n; ++i) {
      QPDFPageObjectHelper& page = pages[i];
      QPDFObjectHandle form = base.Pdf.copyForeignObject(overPages[i].getFormXObjectForPage());
      QPDFObjectHandle resources = page.getAttribute("/Resources", true);
      int suffix = 1;
      const std::string name = resources.getUniqueResourceName("/Fx", suffix);
      const std::string place = page.placeFormXObject(form, name, page.getTrimBox().getArrayAsRectangle());
      if (place.empty()) continue;
      resources.mergeResources(QPDFObjectHandle::parse("<< /XObject << >> >>"));
      resources.getKey("/XObject").replaceKey(name, form);
      // The page's own drawing may leave its graphics state changed: keep it to itself.
      page.addPageContents(base.Pdf.newStream("q\n"), true);
      page.addPageContents(base.Pdf.newStream("\nQ\n" + place), false);
    }
    return WriteToBytes(base.Pdf);
  } catch (const EPrintError&) {
    throw;
  } catch (const std::exception& e) {
    throw EPrintError(std::string("Не удалось добавить колонтитулы: ") + e.what());
  }
}

QByteArray SelectPdfPages(const QByteArray& pdf, const QPageRanges& ranges) {
  if (ranges.isEmpty()) return pdf;
  TQpdfDocument source(pdf, "document");
  try {
    QPDF out;
    out.emptyPDF();
    QPDFPageDocumentHelper outPages(out);
    std::vector<QPDFPageObjectHelper> pages = QPDFPageDocumentHelper(source.Pdf).getAllPages();
    for (size_t i = 0; i < pages.size(); ++i)
      if (ranges.contains(static_cast<int>(i) + 1)) outPages.addPage(pages[i], false);
    return WriteToBytes(out);
  } catch (const std::exception& e) {
    throw EPrintError(std::string("Не удалось выбрать страницы печати: ") + e.what());
  }
}

QByteArray PrintDocumentToPdf(THtmlView& view, const TPageSetupValues& values, const QPageLayout& layout,
                              const QDate& date, const QString& title) {
  const QByteArray content = view.PrintToPdf(layout);
  const QString header = values.Header.isEmpty() && !title.isEmpty() ? QStringLiteral("&w") : values.Header;
  if (header.isEmpty() && values.Footer.isEmpty()) return content;

  THeaderFooterContext context;
  context.Date = date;
  context.Title = title;
  context.Url = QString::fromUtf8(cp1251::ToUtf8(view.LocationUrl()));
  // The view's pages have the paper's size; the footer pages take it from the first of them.
  QSizeF pagePoints = layout.fullRectPoints().size();
  int pageCount = 0;
  {
    TQpdfDocument doc(content, "document");
    std::vector<QPDFPageObjectHelper> pages = QPDFPageDocumentHelper(doc.Pdf).getAllPages();
    pageCount = static_cast<int>(pages.size());
    if (!pages.empty()) {
      const QPDFObjectHandle::Rectangle box = pages[0].getMediaBox().getArrayAsRectangle();
      if (box.urx - box.llx > 1 && box.ury - box.lly > 1) pagePoints = QSizeF(box.urx - box.llx, box.ury - box.lly);
    }
  }
  const QMarginsF marginsPoints = values.MarginsInch * kPointsPerInch;
  const QByteArray overlay =
      DrawHeaderFooterPages(pageCount, pagePoints, marginsPoints, header, values.Footer, context);
  return OverlayPdf(content, overlay);
}

void DrawPdfOnPrinter(const QByteArray& pdf, QPrinter& printer, int maxDpi) {
  // Qt PDF reads from a file synchronously.
  QTemporaryFile file;
  if (!file.open() || file.write(pdf) != pdf.size() || !file.flush())
    throw EPrintError("Не удалось подготовить страницы печати: нет места во временной папке");
  QPdfDocument doc;
  if (doc.load(file.fileName()) != QPdfDocument::Error::None)
    throw EPrintError("Не удалось прочитать страницы печати");

  // The pages carry their margins: they go onto the whole paper. (The preview places what is
  // drawn by the printer's margins whatever the full-page mode says, so those go to zero too;
  // the print commands set them again before each command.)
  printer.setFullPage(true);
  printer.setPageMargins(QMarginsF(), QPageLayout::Millimeter);
  QPainter p;
  if (!p.begin(&printer)) throw EPrintError("Не удалось начать печать");
  const QPageRanges ranges = printer.pageRanges();
  const QRectF paper = printer.paperRect(QPrinter::DevicePixel);
  const double dpi = std::min(printer.resolution(), maxDpi);
  bool first = true;
  for (int i = 0; i < doc.pageCount(); ++i) {
    if (!ranges.isEmpty() && !ranges.contains(i + 1)) continue;
    if (!first) printer.newPage();
    first = false;
    const QSizeF points = doc.pagePointSize(i);
    const QSize pixels(std::max(1, int(std::lround(points.width() / kPointsPerInch * dpi))),
                       std::max(1, int(std::lround(points.height() / kPointsPerInch * dpi))));
    const QImage rendered = doc.render(i, pixels);
    if (rendered.isNull()) continue;
    QImage image(pixels, QImage::Format_RGB32);  // on white
    image.fill(Qt::white);
    QPainter(&image).drawImage(0, 0, rendered);
    // Scaled to the paper, keeping its proportions, from the paper's corner.
    const double scale = std::min(paper.width() / pixels.width(), paper.height() / pixels.height());
    p.drawImage(QRectF(0, 0, pixels.width() * scale, pixels.height() * scale), image);
  }
  p.end();
}
