// Printing through the real engine: the batch print of a corpus pair and the window's print,
// preview and page-setup commands, checked in the PDF with pdftotext and pdfinfo.
//
// PARVEL_SCREENSHOT_DIR receives pictures of the preview and the page-setup dialog.
#include <QDate>
#include <QDialog>
#include <QLocale>
#include <QPageSetupDialog>
#include <QPainter>
#include <QPdfDocument>
#include <QPrintDialog>
#include <QPrintPreviewDialog>
#include <QPrinter>
#include <QProcess>
#include <QRegularExpression>
#include <QScreen>
#include <QSettings>
#include <QTimer>
#include <QtTest/QTest>

#include "engine/Diff.h"
#include "engine/ResultPages.h"
#include "engine/ViewTextFile.h"
#include "gui/GuiTestSupport.h"
#include "output/PdfPrintEngine.h"
#include "output/Printing.h"

using namespace guitest;

namespace {

const QString kCorpus = PARVEL_CORPUS_DIR;
const QString kOld = kCorpus + "/04_nk1_gl8_old.htm", kNew = kCorpus + "/04_nk1_gl8_new.htm";

struct TRun {
  int Code = -1;
  QString Out, Err;
};
TRun RunProgram(const QString& program, const QStringList& args, const QProcessEnvironment& env = {}) {
  QProcess p;
  if (!env.isEmpty()) p.setProcessEnvironment(env);
  p.start(program, args);
  p.waitForFinished(300000);
  return {p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1, QString::fromUtf8(p.readAllStandardOutput()),
          QString::fromUtf8(p.readAllStandardError())};
}

QString PdfText(const QString& pdf) { return RunProgram("pdftotext", {"-layout", pdf, "-"}).Out; }
QString PdfInfo(const QString& pdf, const QString& field) {
  for (const QString& line : RunProgram("pdfinfo", {pdf}).Out.split('\n'))
    if (line.startsWith(field + ":")) return line.mid(field.size() + 1).trimmed();
  return {};
}

// Every page ends with the footer: the system's line with today's date and "Стр. N" in order.
void ExpectFooters(const QString& pdf) {
  const int pages = PdfInfo(pdf, "Pages").toInt();
  ASSERT_GT(pages, 1) << pdf.toStdString();
  const QString text = PdfText(pdf);
  const QString date = QLocale().toString(QDate::currentDate(), QLocale::ShortFormat);
  const QStringList pageTexts = text.split('\f', Qt::SkipEmptyParts);
  ASSERT_EQ(pageTexts.size(), pages);
  for (int i = 0; i < pages; ++i) {
    const QRegularExpression footer(QString("Распечатано из аналитической правовой системы «Квилон» %1\\s+Стр\\. %2\\s*$")
                                        .arg(QRegularExpression::escape(date))
                                        .arg(i + 1));
    EXPECT_TRUE(footer.match(pageTexts[i]).hasMatch()) << "page " << i + 1 << ": " << pageTexts[i].right(200).toStdString();
  }
}

// Every word lies inside the margins (2.5 cm left, 1 cm right, 1.5 cm top and bottom) but the
// footer's, which lies in the bottom margin; the text does start at the left margin.
void ExpectMargins(const QString& pdf) {
  const QString bbox = RunProgram("pdftotext", {"-bbox", pdf, "-"}).Out;
  const QRegularExpression page("<page width=\"([0-9.]+)\" height=\"([0-9.]+)\"");
  const auto size = page.match(bbox);
  ASSERT_TRUE(size.hasMatch());
  const double width = size.captured(1).toDouble(), height = size.captured(2).toDouble();
  const double left = 0.98425 * 72, right = width - 0.39370 * 72, top = 0.59055 * 72, bottom = height - 0.59055 * 72;
  const QRegularExpression word("<word xMin=\"([0-9.]+)\" yMin=\"([0-9.]+)\" xMax=\"([0-9.]+)\" yMax=\"([0-9.]+)\"");
  double minX = 1e9;
  int footerWords = 0;
  for (auto it = word.globalMatch(bbox); it.hasNext();) {
    const auto m = it.next();
    const double x0 = m.captured(1).toDouble(), y0 = m.captured(2).toDouble();
    const double x1 = m.captured(3).toDouble(), y1 = m.captured(4).toDouble();
    minX = std::min(minX, x0);
    ASSERT_GE(x0, left - 0.5);
    ASSERT_LE(x1, right + 0.5);
    if (y0 >= bottom) {
      ++footerWords;
      ASSERT_LE(y1, height);
    } else {
      ASSERT_GE(y0, top - 0.5);
      ASSERT_LE(y1, bottom + 1);
    }
  }
  EXPECT_GT(footerWords, 0);
  EXPECT_LT(minX, left + 1);
}

// Longest word inside a mark of the page whose opening tag begins with `open`.
QString MarkedWord(const std::string& page, const std::string& open) {
  QString best;
  for (size_t at = page.find(open); at != std::string::npos; at = page.find(open, at + 1)) {
    const size_t from = page.find('>', at) + 1, to = page.find("</acronym>", from);
    const QString inner = QString::fromUtf8(cp1251::ToUtf8(page.substr(from, to - from)));
    for (const QString& w : inner.split(QRegularExpression("[^\\w]+", QRegularExpression::UseUnicodePropertiesOption), Qt::SkipEmptyParts))
      if (w.size() > best.size() && !w.contains('_')) best = w;
  }
  return best;
}

QString Bin(const char* name) { return QString(PARVEL_BIN_DIR) + "/" + name; }

// Settings of the test's own, so that nothing of the user's is touched.
class PrintSettings : public ::testing::Environment {
 public:
  void SetUp() override {
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, dir_.path());
  }
  QString Path() const { return dir_.path(); }

 private:
  QTemporaryDir dir_;
};
PrintSettings* g_settings = static_cast<PrintSettings*>(::testing::AddGlobalTestEnvironment(new PrintSettings));

QString Setting(const char* key) { return QSettings().value(QString(PageSetupSettingsGroup) + "/" + key).toString(); }

// A window after "Сравнить" on a corpus pair.
std::unique_ptr<TVerCmp> ComparedCorpus(const TProgramDir& dir) {
  auto w = ShowMainWindow(dir);
  std::string a = ReadFile(kOld), b = ReadFile(kNew);
  ExtractBodyContent(a);
  ExtractBodyContent(b);
  SetBody(w->WB1, a);
  SetBody(w->WB2, b);
  w->bCompareTexts->click();
  EXPECT_TRUE(w->ResultShown);
  return w;
}

std::string BodyStyle(THtmlView* v) {
  const std::string body = v->OuterHtml(TElementRef::Body());
  return body.substr(0, body.find('>'));
}

// The print dialog answered with "print to file" into path.
std::function<int(QDialog&)> PrintToFile(const QString& path) {
  return [path](QDialog& d) {
    auto* pd = qobject_cast<QPrintDialog*>(&d);
    if (!pd) return int(QDialog::Rejected);
    pd->printer()->setOutputFormat(QPrinter::PdfFormat);
    pd->printer()->setOutputFileName(path);
    return int(QDialog::Accepted);
  };
}

void SaveScreenshot(QWidget& w, const char* name) {
  const QString dir = qEnvironmentVariable("PARVEL_SCREENSHOT_DIR");
  if (dir.isEmpty()) return;
  QScreen* screen = QGuiApplication::primaryScreen();
  QPixmap shot = QGuiApplication::platformName() == "xcb" && screen ? screen->grabWindow(0) : w.grab();
  shot.save(dir + "/" + name);
}

}  // namespace

TEST(HeaderFooter, CodesAndAlignmentBreaks) {
  THeaderFooterContext c;
  c.Page = 3;
  c.PageCount = 12;
  c.Date = QDate(2026, 3, 1);
  c.Locale = QLocale(QLocale::Russian, QLocale::Russia);
  THeaderFooterLine l = ExpandHeaderFooter(QString::fromUtf8(cp1251::ToUtf8(PrintFooter())), c);
  EXPECT_EQ(l.Left.toStdString(), "Распечатано из аналитической правовой системы «Квилон» 01.03.2026");
  EXPECT_EQ(l.Right.toStdString(), "Стр. 3");
  EXPECT_TRUE(l.Centre.isEmpty());
  l = ExpandHeaderFooter("a&bb&bc&p/&P && &x&", c);
  EXPECT_EQ(l.Left, "a");
  EXPECT_EQ(l.Centre, "b");
  EXPECT_EQ(l.Right, "c3/12 & &x&");
  EXPECT_TRUE(ExpandHeaderFooter("", c).IsEmpty());
}

TEST(BatchPrint, PrintsBothResultPagesWithFootersMarginsAndMarks) {
  QTemporaryDir out;
  QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
  env.insert("QT_QPA_PLATFORM", "offscreen");
  env.insert("XDG_CONFIG_HOME", out.path() + "/config");
  const QString left = out.path() + "/левый лист.pdf", right = out.path() + "/right.pdf";
  const TRun r = RunProgram(Bin("parvel"), {"--print-pdf", left, right, kOld, kNew}, env);
  ASSERT_EQ(r.Code, 0) << r.Err.toStdString();

  TDiff diff;
  const TResultPages pages = BuildResultPages(ReadViewTextFile(kOld.toStdString()),
                                              ReadViewTextFile(kNew.toStdString()), diff);
  EXPECT_EQ(r.Out.trimmed().toInt(), pages.ChangeCount);
  for (const QString& pdf : {left, right}) {
    ExpectFooters(pdf);
    ExpectMargins(pdf);
    EXPECT_TRUE(PdfInfo(pdf, "Page size").contains("(A4)")) << PdfInfo(pdf, "Page size").toStdString();
  }
  // The struck-through and the inserted words are text in the PDF.
  const QString deleted = MarkedWord(pages.Left, "<acronym id=\"t_d\" style=\"background-color:#ffcccc; text");
  const QString inserted = MarkedWord(pages.Right, "<acronym id=\"t_d\" style=\"background-color:#ccffcc\">");
  ASSERT_GE(deleted.size(), 4);
  ASSERT_GE(inserted.size(), 4);
  EXPECT_TRUE(PdfText(left).contains(deleted)) << deleted.toStdString();
  EXPECT_TRUE(PdfText(right).contains(inserted)) << inserted.toStdString();
  // The page setup the print used stays in the settings.
  EXPECT_TRUE(QFile::exists(out.path() + "/config/Kvilon/Parvel.conf"));
}

TEST(BatchPrint, BadInputGivesAMessageAndNoFile) {
  QTemporaryDir out;
  QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
  env.insert("QT_QPA_PLATFORM", "offscreen");
  env.insert("XDG_CONFIG_HOME", out.path() + "/config");
  const QString left = out.path() + "/l.pdf", right = out.path() + "/r.pdf";
  TRun r = RunProgram(Bin("parvel"), {"--print-pdf", left, right, kOld}, env);
  EXPECT_EQ(r.Code, 2);
  EXPECT_TRUE(r.Err.contains("LEFT.pdf RIGHT.pdf OLD NEW"));
  r = RunProgram(Bin("parvel"), {"--print-pdf", left, right, kOld, out.path() + "/missing.htm"}, env);
  EXPECT_EQ(r.Code, 1);
  EXPECT_TRUE(r.Err.contains("missing.htm")) << r.Err.toStdString();
  QFile empty(out.path() + "/empty.htm");
  empty.open(QIODevice::WriteOnly);
  empty.close();
  r = RunProgram(Bin("parvel"), {"--print-pdf", left, right, empty.fileName(), kNew}, env);
  EXPECT_EQ(r.Code, 1);
  EXPECT_TRUE(r.Err.contains("Текст 1 пуст"));
  r = RunProgram(Bin("parvel"), {"--print-pdf", out.path() + "/no/such/l.pdf", right, kOld, kNew}, env);
  EXPECT_EQ(r.Code, 1);
  EXPECT_FALSE(QFile::exists(left));
  EXPECT_FALSE(QFile::exists(right)) << "no PDF without its pair";
}

TEST(PrintCommand, PrintsTheCurrentViewAt100PercentAndPutsTheZoomBack) {
  TProgramDir dir;
  TMessages messages;
  auto w = ComparedCorpus(dir);
  QTemporaryDir out;
  const QString pdf = out.path() + "/right.pdf";

  w->ZoomIndex = 8;  // 131 %
  w->ApplyZoom(w->WB1);
  w->ApplyZoom(w->WB2);
  w->CurrentView = 2;
  std::string styleWhilePrinting;
  QObject::connect(w->Printing, &TPrinting::DocumentPrinted, w.get(),
                   [&] { styleWhilePrinting = BodyStyle(w->WB2); });
  w->Printing->ExecDialog = PrintToFile(pdf);
  QSettings().setValue(QString(PageSetupSettingsGroup) + "/footer", "changed by the user &p");
  w->acTextPrint->trigger();

  EXPECT_TRUE(messages.List().empty());
  EXPECT_NE(styleWhilePrinting.find("zoom: 100%"), std::string::npos) << styleWhilePrinting;
  EXPECT_NE(BodyStyle(w->WB2).find("zoom: 131%"), std::string::npos) << BodyStyle(w->WB2);
  EXPECT_NE(BodyStyle(w->WB1).find("zoom: 131%"), std::string::npos);
  ExpectFooters(pdf);  // the user's footer was replaced by the system's
  // The right view was printed: its inserted text is in the file, and no struck-through word.
  const std::string right = w->WB2->OuterHtml(TElementRef::Root());
  const QString inserted = MarkedWord(right, "<acronym id=\"t_d\" style=\"background-color:#ccffcc\">");
  EXPECT_TRUE(PdfText(pdf).contains(inserted)) << inserted.toStdString();

  // Printing again writes the same values again.
  const QString settingsFile = QSettings().fileName();
  const std::string first = ReadFile(settingsFile);
  ASSERT_FALSE(first.empty());
  QFile::remove(settingsFile);
  w->Printing->ExecDialog = [](QDialog&) { return int(QDialog::Rejected); };
  w->acTextPrint->trigger();
  EXPECT_EQ(ReadFile(settingsFile), first);
  EXPECT_EQ(Setting("margin_left"), "0.98425");
  EXPECT_EQ(Setting("margin_right"), "0.39370");
  EXPECT_EQ(Setting("margin_top"), "0.59055");
  EXPECT_EQ(Setting("margin_bottom"), "0.59055");
  EXPECT_EQ(Setting("header"), "");
  EXPECT_NE(BodyStyle(w->WB2).find("zoom: 131%"), std::string::npos) << "put back after a cancelled dialog too";
}

TEST(PrintCommand, AtOneHundredPercentAndWithoutADocumentNothingIsChanged) {
  TProgramDir dir;
  auto w = ShowMainWindow(dir);
  QSettings().remove(PageSetupSettingsGroup);
  int dialogs = 0;
  w->Printing->ExecDialog = [&](QDialog&) { ++dialogs; return int(QDialog::Rejected); };
  // A view without a document: print and preview write nothing and show nothing.
  auto* empty = CreateHtmlView(nullptr);
  w->Printing->PrintView(empty);
  w->Printing->PreviewView(empty);
  EXPECT_EQ(dialogs, 0);
  EXPECT_FALSE(QSettings().contains(QString(PageSetupSettingsGroup) + "/footer"));
  // Page setup still writes and opens its dialog; the zoom is not touched.
  w->Printing->PageSetupView(empty);
  delete empty;
  EXPECT_EQ(dialogs, 1);
  EXPECT_EQ(Setting("footer").toStdString(), cp1251::ToUtf8(PrintFooter()));

  // At 100 % print sets no zoom at all.
  w->ZoomIndex = 5;
  w->acTextPrint->trigger();
  EXPECT_EQ(dialogs, 2);
  EXPECT_EQ(BodyStyle(w->WB1).find("zoom"), std::string::npos) << BodyStyle(w->WB1);
}

TEST(PrintCommand, CtrlPPrintsAlsoFromAViewAndOnlyOnceAtATime) {
  TProgramDir dir;
  auto w = ShowMainWindow(dir);
  int dialogs = 0;
  w->Printing->ExecDialog = [&](QDialog& d) {
    dialogs += qobject_cast<QPrintDialog*>(&d) != nullptr ? 1 : 100;
    // Commands asked for while one runs are dropped.
    w->acTextPrint->trigger();
    w->acTextPageSetup->trigger();
    return int(QDialog::Rejected);
  };
  w->activateWindow();
  w->WB2->FocusDocument();
  WaitFor([&] { return QApplication::focusWidget() != nullptr; }, 3000);
  ASSERT_TRUE(QApplication::focusWidget() && w->WB2->isAncestorOf(QApplication::focusWidget()));
  QTest::keyClick(QApplication::focusWidget(), Qt::Key_P, Qt::ControlModifier);
  EXPECT_EQ(dialogs, 1);
}

TEST(PrintCommand, ASettingsStoreThatCannotBeWrittenStillPrintsTheProgramsPage) {
  TProgramDir dir;
  TMessages messages;
  auto w = ComparedCorpus(dir);
  QTemporaryDir out;
  QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, "/proc/parvel-no-settings");
  ASSERT_FALSE(QSettings().isWritable());
  w->Printing->ExecDialog = PrintToFile(out.path() + "/left.pdf");
  w->acTextPrint->trigger();
  QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, g_settings->Path());
  EXPECT_TRUE(messages.List().empty());
  ExpectFooters(out.path() + "/left.pdf");
  ExpectMargins(out.path() + "/left.pdf");
}

TEST(PageSetupCommand, TheUsersMarginsHoldUntilTheNextCommand) {
  TProgramDir dir;
  auto w = ShowMainWindow(dir);
  w->Printing->ExecDialog = [&](QDialog& d) {
    auto* ps = qobject_cast<QPageSetupDialog*>(&d);
    if (!ps) return int(QDialog::Rejected);
    EXPECT_NEAR(ps->printer()->pageLayout().margins(QPageLayout::Millimeter).left(), 25.0, 0.01);
    if (!qEnvironmentVariableIsEmpty("PARVEL_SCREENSHOT_DIR")) {
      d.show();
      WaitFor([] { return false; }, 800);
      SaveScreenshot(d, "page_setup.png");
      d.hide();
    }
    ps->printer()->setPageMargins(QMarginsF(1, 0.5, 0.5, 0.5), QPageLayout::Inch);
    return int(QDialog::Accepted);
  };
  w->acTextPageSetup->trigger();
  EXPECT_EQ(Setting("margin_left"), "1.00000");
  EXPECT_EQ(ReadPageSetup(ProgramPageSetup()).MarginsInch.left(), 1.0);
  w->Printing->ExecDialog = [](QDialog&) { return int(QDialog::Rejected); };
  w->acTextPageSetup->trigger();  // the next command writes the system's values again
  EXPECT_EQ(Setting("margin_left"), "0.98425");
}

TEST(PreviewCommand, ShowsThePagesWithTheFooter) {
  TProgramDir dir;
  TMessages messages;
  auto w = ComparedCorpus(dir);
  w->CurrentView = 1;
  w->ZoomIndex = 8;
  w->ApplyZoom(w->WB1);
  QByteArray previewed;
  QObject::connect(w->Printing, &TPrinting::DocumentPrinted, w.get(),
                   [&](const QByteArray& pdf) { previewed = pdf; });
  w->Printing->ExecDialog = [&](QDialog& d) {
    if (!qobject_cast<QPrintPreviewDialog*>(&d)) return int(QDialog::Rejected);
    d.show();
    EXPECT_TRUE(WaitFor([&] { return !previewed.isEmpty(); }, 60000));
    WaitFor([] { return false; }, 1500);  // the pages drawn
    SaveScreenshot(d, "preview.png");
    d.close();
    return int(QDialog::Rejected);
  };
  w->acTextPreview->trigger();
  EXPECT_TRUE(messages.List().empty());
  ASSERT_FALSE(previewed.isEmpty());
  QTemporaryDir out;
  QFile f(out.path() + "/preview.pdf");
  f.open(QIODevice::WriteOnly);
  f.write(previewed);
  f.close();
  ExpectFooters(f.fileName());
  EXPECT_NE(BodyStyle(w->WB1).find("zoom: 131%"), std::string::npos);
}

// Pages handed to a printer land where the engine put them, whatever margins the printer had.
TEST(PrinterPages, DrawnOntoThePaperWhereTheEngineLaidThemOut) {
  QTemporaryDir out;
  const QString source = out.path() + "/source.pdf", printed = out.path() + "/printed.pdf";
  QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
  env.insert("XDG_CONFIG_HOME", out.path() + "/config");
  ASSERT_EQ(RunProgram(Bin("parvel"), {"--print-pdf", source, out.path() + "/r.pdf", kOld, kNew}, env).Code, 0);
  QFile f(source);
  ASSERT_TRUE(f.open(QIODevice::ReadOnly));
  QPrinter printer(QPrinter::HighResolution);
  printer.setOutputFormat(QPrinter::PdfFormat);
  printer.setOutputFileName(printed);
  printer.setPageMargins(QMarginsF(25, 15, 10, 15), QPageLayout::Millimeter);
  printer.setPageRanges(QPageRanges::fromString("2-3"));
  DrawPdfOnPrinter(f.readAll(), printer, 200);

  QPdfDocument a, b;
  ASSERT_EQ(a.load(source), QPdfDocument::Error::None);
  ASSERT_EQ(b.load(printed), QPdfDocument::Error::None);
  EXPECT_EQ(b.pageCount(), 2);
  const QSize size(300, 424);
  auto onWhite = [&](QPdfDocument& d, int page) {
    QImage img(size, QImage::Format_Grayscale8);
    img.fill(Qt::white);
    QPainter(&img).drawImage(0, 0, d.render(page, size));
    return img;
  };
  const QImage want = onWhite(a, 1), got = onWhite(b, 0);
  // The box around the ink: the same place and size on both, to the blur of the pictures (the
  // printer's margins would move it by 30 pixels).
  auto inkBox = [](const QImage& img) {
    QRect box;
    for (int y = 0; y < img.height(); ++y)
      for (int x = 0; x < img.width(); ++x)
        if (qGray(img.pixel(x, y)) < 160) box |= QRect(x, y, 1, 1);
    return box;
  };
  const QRect wantBox = inkBox(want), gotBox = inkBox(got);
  ASSERT_FALSE(wantBox.isEmpty());
  EXPECT_LE(std::abs(wantBox.left() - gotBox.left()), 5) << "left";
  EXPECT_LE(std::abs(wantBox.top() - gotBox.top()), 5) << "top";
  EXPECT_LE(std::abs(wantBox.right() - gotBox.right()), 5) << "right";
  EXPECT_LE(std::abs(wantBox.bottom() - gotBox.bottom()), 5) << "bottom: the footer";
}

PARVEL_GUI_TEST_MAIN()
