// Print, preview and page setup. Before each command the program's page setup is written to the
// settings the engine reads; print and preview show the document at 100 % while the engine
// takes it and put the view's zoom back afterwards, whatever the user did in the dialog.
#include "output/Printing.h"

#include <QFile>
#include <QFileInfo>
#include <QPageSetupDialog>
#include <QPrintDialog>
#include <QPrinter>
#include <QRegularExpression>
#include <QSettings>

#include <algorithm>
#include <cmath>
#include <exception>

#include "appbase/Failure.h"
#include "engine/ResultPages.h"
#include "navigation/NavigationMath.h"
#include "output/PdfPrintEngine.h"
#include "output/PrintPreview.h"
#include "support/Cp1251.h"
#include "view/HtmlView.h"

namespace {

// Printers get pictures of the pages at this resolution.
constexpr int kPrinterDpi = 300;
// A heading longer than this is cut in the title and the header.
constexpr int kCaptionHeadingChars = 90;

QString FromCp1251(const std::string& s) { return QString::fromUtf8(cp1251::ToUtf8(s)); }

// Zoom changes around the print are each tried by themselves.
void SetZoom(THtmlView& view, const std::string& value) {
  try {
    view.SetBodyZoom(value);
  } catch (const std::exception&) {
  }
}

QMarginsF MarginsMm(const TPageSetupValues& values) { return values.MarginsInch * 25.4; }

QString U(const char* s) { return QString::fromUtf8(s); }

// The document's first non-empty line.
QString Heading(THtmlView& view) {
  try {
    const std::string text = view.InnerText(TElementRef::Body());
    for (const QString& line : FromCp1251(text).split(QRegularExpression("[\\r\\n]+"), Qt::SkipEmptyParts)) {
      const QString l = line.simplified();
      if (l.isEmpty()) continue;
      return l.size() > kCaptionHeadingChars ? l.left(kCaptionHeadingChars).trimmed() + U("…") : l;
    }
  } catch (const std::exception&) {
  }
  return {};
}

// The current change in its ordinary colour in one view while its pages are made, highlighted
// again afterwards (the view keeps the highlight; the paper does not need it).
class TPlainCurrentChange {
 public:
  TPlainCurrentChange(THtmlView& view, int change, const std::string& savedColour) : view_(view), change_(change) {
    if (change_ < 0 || savedColour.empty()) return;
    try {
      view_.RecolourRuns(navmath::MarkTag, navmath::MarkId, navmath::MarkContinuationId, change_, savedColour, -1, {},
                         {});
      plain_ = true;
    } catch (const std::exception&) {
    }
  }
  ~TPlainCurrentChange() {
    if (!plain_) return;
    try {
      view_.RecolourRuns(navmath::MarkTag, navmath::MarkId, navmath::MarkContinuationId, -1, {}, change_,
                         navmath::HighlightTable(), navmath::HighlightColour(""));
    } catch (const std::exception&) {
    }
  }
  TPlainCurrentChange(const TPlainCurrentChange&) = delete;
  TPlainCurrentChange& operator=(const TPlainCurrentChange&) = delete;

 private:
  THtmlView& view_;
  int change_;
  bool plain_ = false;
};

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

QString EditionCaption(THtmlView& view, const QString& openedFile) {
  const QString pane = view.Tag == 2 ? U("Правое окно") : U("Левое окно");
  const QString name = openedFile.isEmpty() ? Heading(view) : QFileInfo(openedFile).fileName();
  return name.isEmpty() ? pane : pane + ": " + name;
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
  caption_ = EditionCaption(*view, view->Tag > 0 ? host_.OpenedFile(view->Tag) : QString());
  const int percent = host_.CurrentZoomPercent();
  if (percent != 100) SetZoom(*view, "100%");
  try {
    if (preview)
      RunPreview(*view);
    else
      RunPrint(*view);
  } catch (const std::exception& e) {
    // Nothing reached the paper or the file: say so rather than seem to have printed.
    host_.ShowMessage(FailureText(e));
  }
  if (percent != 100) SetZoom(*view, navmath::ZoomText(percent));
}

QByteArray TPrinting::MakePages(THtmlView& view, const TPageSetupValues& values, const QPageLayout& layout) {
  TPlainCurrentChange plain(view, view.Tag > 0 ? host_.CurrentMark(view.Tag) : host_.CurrentChange(), view.Tag > 0 ? host_.SavedMarkColour(view.Tag) : std::string());
  return PrintDocumentToPdf(view, values, layout, QDate::currentDate(), caption_);
}

bool TPrinting::PrintWithDialog(THtmlView& view, QWidget* parent, QByteArray* pagesMade, QPageLayout* madeFor) {
  QPrinter& printer = Printer();
  const TPageSetupValues values = ReadPageSetup(ProgramPageSetup());
  printer.setPageMargins(MarginsMm(values), QPageLayout::Millimeter);
  QPrintDialog dialog(&printer, parent);
  dialog.setWindowTitle(U("Печать — ") + caption_);
  // Wide enough for the title to be read whole (the pane and the file are what it says).
  const int titleWidth = dialog.fontMetrics().horizontalAdvance(dialog.windowTitle()) + 160;
  if (dialog.sizeHint().width() < titleWidth) dialog.resize(titleWidth, dialog.sizeHint().height());
  if (Exec(dialog) != QDialog::Accepted) return false;
  const QPageLayout paper = printer.pageLayout();
  const QPageLayout layout = PageLayoutFor(values, paper.pageSize(), paper.orientation());
  const bool reuse = pagesMade && madeFor && !pagesMade->isEmpty() && layout.isEquivalentTo(*madeFor);
  const QByteArray pdf = reuse ? *pagesMade : MakePages(view, values, layout);
  Deliver(pdf, printer);
  return true;
}

void TPrinting::RunPrint(THtmlView& view) { PrintWithDialog(view, host_.DialogParent(), nullptr, nullptr); }

void TPrinting::RunPreview(THtmlView& view) {
  TPrintPreview dialog(host_.DialogParent(), U("Предварительный просмотр — ") + caption_);
  const TPageSetupValues values = ReadPageSetup(ProgramPageSetup());
  const QPageLayout paper = Printer().pageLayout();
  const QPageLayout layout = PageLayoutFor(values, paper.pageSize(), paper.orientation());
  QByteArray pdf;
  QString failure;
  dialog.MakePages = [&] {
    try {
      pdf = MakePages(view, values, layout);
      emit DocumentPrinted(pdf);
      if (dialog.isVisible()) dialog.ShowPages(pdf);
    } catch (const std::exception& e) {
      failure = FailureText(e);
      dialog.ShowFailure(failure);
    }
  };
  dialog.Print = [&] {
    try {
      QPageLayout madeFor = layout;
      if (PrintWithDialog(view, &dialog, &pdf, &madeFor)) dialog.accept();
    } catch (const std::exception& e) {
      host_.ShowMessage(FailureText(e));
    }
  };
  Exec(dialog);
}

void TPrinting::Deliver(const QByteArray& pdf, QPrinter& printer) {
  emit DocumentPrinted(pdf);
  if (printer.outputFormat() == QPrinter::PdfFormat && !printer.outputFileName().isEmpty()) {
    const QByteArray pages = SelectPdfPages(pdf, printer.pageRanges());
    const std::string path = QFile::encodeName(printer.outputFileName()).toStdString();
    try {
      CommitTemp(WriteTempBeside(path, std::string_view(pages.constData(), static_cast<size_t>(pages.size()))), path);
    } catch (const std::exception& e) {
      throw EPrintError(std::string("Не удалось сохранить файл печати: ") + e.what());
    }
    return;
  }
  DrawPdfOnPrinter(pdf, printer, kPrinterDpi);
}

void TPrinting::PageSetupView(THtmlView* /*view*/) {
  if (busy_) return;
  TBusy busy(busy_);
  WritePageSetup("", PrintFooter());
  QPrinter& printer = Printer();
  const TPageSetupValues values = ReadPageSetup(ProgramPageSetup());
  printer.setPageMargins(MarginsMm(values), QPageLayout::Millimeter);
  QPageSetupDialog dialog(&printer, host_.DialogParent());
  dialog.setWindowTitle(U("Параметры страницы"));
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
