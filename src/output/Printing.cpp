// Print, preview and page setup. Before each command the program's page setup is written to the
// settings the engine reads; print and preview show the document at 100 % while the engine
// takes it and put the view's zoom back afterwards, whatever the user did in the dialog.
#include "output/Printing.h"

#include <QFile>
#include <QPageSetupDialog>
#include <QPaintEngine>
#include <QPrintDialog>
#include <QPrintPreviewDialog>
#include <QPrinter>
#include <QScreen>
#include <QSettings>

#include <algorithm>
#include <cmath>
#include <exception>

#include "engine/ResultPages.h"
#include "navigation/NavigationMath.h"
#include "output/PdfPrintEngine.h"
#include "support/Cp1251.h"
#include "view/HtmlView.h"

namespace {

// Printers get pictures of the pages at this resolution, the preview at a screen's.
constexpr int kPrinterDpi = 300;
constexpr int kPreviewDpi = 150;
// The preview holds a picture of every page at once: a long document is shown coarser so that
// all its pictures fit in this much memory, but never below a readable resolution.
constexpr double kPreviewBudgetBytes = 512.0 * 1024 * 1024;
constexpr int kPreviewMinDpi = 72;

int PreviewDpi(const QByteArray& pdf, const QPageLayout& layout) {
  const int pages = std::max(1, PdfPageCount(pdf));
  const QSizeF inches = layout.fullRectPoints().size() / 72.0;
  // (The preview keeps four bytes a pixel whatever form the pictures are handed over in.)
  const double dpi = std::sqrt(kPreviewBudgetBytes / (4.0 * pages * inches.width() * inches.height()));
  return std::clamp(static_cast<int>(dpi), kPreviewMinDpi, kPreviewDpi);
}

QString FromCp1251(const std::string& s) { return QString::fromUtf8(cp1251::ToUtf8(s)); }

// Zoom changes around the print are each tried by themselves.
void SetZoom(THtmlView& view, const std::string& value) {
  try {
    view.SetBodyZoom(value);
  } catch (const std::exception&) {
  }
}

QMarginsF MarginsMm(const TPageSetupValues& values) { return values.MarginsInch * 25.4; }

}  // namespace

std::string PrintFooter() {
  return cp1251::FromUtf8("Распечатано из аналитической правовой системы «Квилон» &d&bСтр. &p");
}

namespace {
// The margins as written: inches as decimal texts (2.5 cm left, 1 cm right, 1.5 cm top and bottom).
const char* const kMarginLeft = "0.98425";
const char* const kMarginRight = "0.39370";
const char* const kMarginTop = "0.59055";
const char* const kMarginBottom = "0.59055";
}  // namespace

TPageSetupValues ProgramPageSetup() {
  TPageSetupValues v;
  v.Footer = FromCp1251(PrintFooter());
  v.MarginsInch = QMarginsF(QString(kMarginLeft).toDouble(), QString(kMarginTop).toDouble(),
                            QString(kMarginRight).toDouble(), QString(kMarginBottom).toDouble());
  return v;
}

void WritePageSetup(const std::string& header, const std::string& footer) {
  try {
    QSettings settings;
    if (!settings.isWritable()) return;
    settings.beginGroup(PageSetupSettingsGroup);
    settings.setValue("header", FromCp1251(header));
    settings.setValue("footer", FromCp1251(footer));
    settings.setValue("margin_left", QString(kMarginLeft));
    settings.setValue("margin_right", QString(kMarginRight));
    settings.setValue("margin_top", QString(kMarginTop));
    settings.setValue("margin_bottom", QString(kMarginBottom));
    settings.endGroup();
    settings.sync();
  } catch (const std::exception&) {
    // Whatever was written stays; the commands go on.
  }
}

TPrinting::TPrinting(TPrintHost& host, QObject* parent) : QObject(parent), host_(host) {}
TPrinting::~TPrinting() = default;

QPrinter& TPrinting::Printer() {
  if (!printer_) printer_ = std::make_unique<QPrinter>(QPrinter::HighResolution);
  return *printer_;
}

int TPrinting::Exec(QDialog& dialog) { return ExecDialog ? ExecDialog(dialog) : dialog.exec(); }

void TPrinting::PrintView(THtmlView* view) { PrintOrPreview(view, false); }
void TPrinting::PreviewView(THtmlView* view) { PrintOrPreview(view, true); }

void TPrinting::PrintOrPreview(THtmlView* view, bool preview) {
  if (view == nullptr || !view->HasDocument()) return;
  // The engine's pages are awaited with window messages let through: a second print, preview
  // or page setup asked for meanwhile is dropped.
  if (busy_) return;
  TBusy busy(busy_);
  WritePageSetup("", PrintFooter());
  const int percent = host_.CurrentZoomPercent();
  if (percent != 100) SetZoom(*view, "100%");
  try {
    if (preview)
      RunPreview(*view);
    else
      RunPrint(*view);
  } catch (const std::exception& e) {
    // Nothing reached the paper or the file: say so rather than seem to have printed.
    host_.ShowMessage(QString::fromUtf8(e.what()));
  }
  if (percent != 100) SetZoom(*view, navmath::ZoomText(percent));
}

void TPrinting::RunPrint(THtmlView& view) {
  QPrinter& printer = Printer();
  const TPageSetupValues values = ReadPageSetup(ProgramPageSetup());
  printer.setPageMargins(MarginsMm(values), QPageLayout::Millimeter);
  QPrintDialog dialog(&printer, host_.DialogParent());
  dialog.setWindowTitle(QString::fromUtf8("Печать"));
  if (Exec(dialog) != QDialog::Accepted) return;
  const QPageLayout paper = printer.pageLayout();
  const QByteArray pdf =
      PrintDocumentToPdf(view, values, PageLayoutFor(values, paper.pageSize(), paper.orientation()));
  Deliver(pdf, printer, 0);
}

void TPrinting::RunPreview(THtmlView& view) {
  QPrinter& printer = Printer();
  const TPageSetupValues values = ReadPageSetup(ProgramPageSetup());
  printer.setPageMargins(MarginsMm(values), QPageLayout::Millimeter);
  QPrintPreviewDialog dialog(&printer, host_.DialogParent());
  dialog.setWindowTitle(QString::fromUtf8("Предварительный просмотр"));
  // Large enough to read a page also where no window manager maximises it.
  if (const QScreen* screen = dialog.screen()) dialog.resize(screen->availableGeometry().size() * 0.9);
  dialog.setWindowState(Qt::WindowMaximized);
  // The pages are made once per paper size and orientation the user looks at.
  QByteArray pdf;
  QPageLayout madeFor;
  int dpi = kPreviewDpi;
  QString failure;
  connect(&dialog, &QPrintPreviewDialog::paintRequested, this, [&](QPrinter* target) {
    try {
      const QPageLayout paper = target->pageLayout();
      const QPageLayout layout = PageLayoutFor(values, paper.pageSize(), paper.orientation());
      if (pdf.isEmpty() || !layout.isEquivalentTo(madeFor)) {
        pdf = PrintDocumentToPdf(view, values, layout);
        madeFor = layout;
        dpi = PreviewDpi(pdf, layout);
      }
      // While previewing, the printer paints into pictures; the dialog's print button asks again
      // for the real printer.
      const bool previewing = target->paintEngine() && target->paintEngine()->type() == QPaintEngine::Picture;
      Deliver(pdf, *target, previewing ? dpi : 0);
    } catch (const std::exception& e) {
      failure = QString::fromUtf8(e.what());
    }
  });
  Exec(dialog);
  if (!failure.isEmpty()) host_.ShowMessage(failure);
}

void TPrinting::Deliver(const QByteArray& pdf, QPrinter& printer, int previewDpi) {
  emit DocumentPrinted(pdf);
  if (previewDpi == 0 && printer.outputFormat() == QPrinter::PdfFormat && !printer.outputFileName().isEmpty()) {
    const QByteArray pages = SelectPdfPages(pdf, printer.pageRanges());
    const std::string path = QFile::encodeName(printer.outputFileName()).toStdString();
    try {
      CommitTemp(WriteTempBeside(path, std::string_view(pages.constData(), static_cast<size_t>(pages.size()))), path);
    } catch (const std::exception& e) {
      throw EPrintError(std::string("Не удалось сохранить файл печати: ") + e.what());
    }
    return;
  }
  DrawPdfOnPrinter(pdf, printer, previewDpi > 0 ? previewDpi : kPrinterDpi);
}

void TPrinting::PageSetupView(THtmlView* /*view*/) {
  if (busy_) return;
  TBusy busy(busy_);
  WritePageSetup("", PrintFooter());
  QPrinter& printer = Printer();
  const TPageSetupValues values = ReadPageSetup(ProgramPageSetup());
  printer.setPageMargins(MarginsMm(values), QPageLayout::Millimeter);
  QPageSetupDialog dialog(&printer, host_.DialogParent());
  dialog.setWindowTitle(QString::fromUtf8("Параметры страницы"));
  if (Exec(dialog) != QDialog::Accepted) return;
  // The margins the user chose hold until the next command writes the program's own again;
  // the paper and its orientation stay with the printer.
  // (Qt gives inches to two decimals only: millimetres keep the five.)
  const QMarginsF inches = printer.pageLayout().margins(QPageLayout::Millimeter) / 25.4;
  try {
    QSettings settings;
    settings.beginGroup(PageSetupSettingsGroup);
    auto text = [](double v) { return QString::number(v, 'f', 5); };
    settings.setValue("margin_left", text(inches.left()));
    settings.setValue("margin_right", text(inches.right()));
    settings.setValue("margin_top", text(inches.top()));
    settings.setValue("margin_bottom", text(inches.bottom()));
  } catch (const std::exception&) {
  }
}
