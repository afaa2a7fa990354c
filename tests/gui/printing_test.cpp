// Printing through the real engine: the batch print of a corpus pair and the window's print,
// preview and page-setup commands, checked in the PDF with pdftotext and pdfinfo.
//
// PARVEL_SCREENSHOT_DIR receives pictures of the preview and the page-setup dialog.
#include <QDate>
#include <QDir>
#include <QElapsedTimer>
#include <QTimer>
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
#include <QTemporaryFile>
#include <QtTest/QTest>
#include <QDir>
#include <QFileInfo>

#include <sys/stat.h>

#include <cstdio>
#include <map>

#include "engine/ComparisonModel.h"
#include "engine/Diff.h"
#include "engine/ResultPages.h"
#include "input/ViewTextFile.h"
#include "gui/GuiTestSupport.h"
#include "output/PdfPrintEngine.h"
#include "output/PdfPagesView.h"
#include "output/PrintPreview.h"
#include "output/Printing.h"
#include "app/OpenFiles.h"

using namespace guitest;

namespace {

const QString kOld = PARVEL_CORPUS_DIR "/04_nk1_gl8_old.htm", kNew = PARVEL_CORPUS_DIR "/04_nk1_gl8_new.htm";
const QString kParvel = PARVEL_BIN_DIR "/parvel";

struct TRun {
  int Code = -1;
  QString Out, Err;
};
// A program run; with configDir, with settings of its own there.
TRun RunProgram(const QString& program, const QStringList& args, const QString& configDir = {}) {
  QProcess p;
  if (!configDir.isEmpty()) {
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("XDG_CONFIG_HOME", configDir);
    p.setProcessEnvironment(env);
  }
  p.start(program, args);
  p.waitForFinished(300000);
  return {p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1, QString::fromUtf8(p.readAllStandardOutput()),
          QString::fromUtf8(p.readAllStandardError())};
}
QString PdfText(const QString& pdf) { return RunProgram("pdftotext", {"-layout", pdf, "-"}).Out; }

// Every page ends with the footer, today's date and "Стр. N", in order; the page is A4.
void ExpectFooters(const QString& pdf) {
  const QString info = RunProgram("pdfinfo", {pdf}).Out;
  EXPECT_TRUE(info.contains(QRegularExpression("Page size: .*\\(A4\\)"))) << info.toStdString();
  const int pages = QRegularExpression("Pages:\\s+(\\d+)").match(info).captured(1).toInt();
  const QStringList pageTexts = PdfText(pdf).split('\f', Qt::SkipEmptyParts);
  ASSERT_GT(pages, 1);
  ASSERT_EQ(pageTexts.size(), pages);
  const QString date = QLocale().toString(QDate::currentDate(), QLocale::ShortFormat);
  for (int i = 0; i < pages; ++i)
    EXPECT_TRUE(QRegularExpression(QString("Распечатано из аналитической правовой системы «Квилон» %1\\s+Стр\\. %2\\s*$")
                                       .arg(QRegularExpression::escape(date)).arg(i + 1))
                    .match(pageTexts[i]).hasMatch())
        << "page " << i + 1 << ": " << pageTexts[i].right(150).toStdString();
}

// Every word lies within the margins (2.5 cm left, 1 cm right, 1.5 cm top and bottom) but the
// footer's, which lies in the bottom margin, and the header's in the top one; the text starts at
// the left margin.
void ExpectMargins(const QString& pdf) {
  const QString bbox = RunProgram("pdftotext", {"-bbox", pdf, "-"}).Out;
  const auto size = QRegularExpression("<page width=\"([0-9.]+)\" height=\"([0-9.]+)\"").match(bbox);
  ASSERT_TRUE(size.hasMatch());
  const double left = 0.98425 * 72, right = size.captured(1).toDouble() - 0.39370 * 72, top = 0.59055 * 72;
  const double bottom = size.captured(2).toDouble() - 0.59055 * 72;
  double minX = 1e9;
  int footerWords = 0;
  QRegularExpression word("<word xMin=\"([0-9.]+)\" yMin=\"([0-9.]+)\" xMax=\"([0-9.]+)\" yMax=\"([0-9.]+)\"");
  for (auto it = word.globalMatch(bbox); it.hasNext();) {
    const auto m = it.next();
    const double x0 = m.captured(1).toDouble(), y0 = m.captured(2).toDouble();
    minX = std::min(minX, x0);
    ASSERT_GE(x0, left - 0.5);
    ASSERT_LE(m.captured(3).toDouble(), right + 0.5);
    footerWords += y0 >= bottom;
    if (y0 < bottom && m.captured(4).toDouble() > top) {
      ASSERT_TRUE(y0 >= top - 0.5 && m.captured(4).toDouble() <= bottom + 1) << y0;
    }
  }
  EXPECT_GT(footerWords, 0);
  EXPECT_LT(minX, left + 1);
}

// The longest word inside the marks whose opening tag begins with open.
QString MarkedWord(const std::string& page, const std::string& open) {
  QString best;
  for (size_t at = page.find(open); at != std::string::npos; at = page.find(open, at + 1)) {
    const size_t from = page.find('>', at) + 1, to = page.find("</acronym>", from);
    for (const QString& w : QString::fromUtf8(cp1251::ToUtf8(page.substr(from, to - from)))
                                .split(QRegularExpression("\\W+", QRegularExpression::UseUnicodePropertiesOption)))
      if (w.size() > best.size()) best = w;
  }
  return best;
}
const std::string kDeletedMark = "<acronym id=\"t_d\" style=\"background-color:#ffcccc; text";
const std::string kInsertedMark = "<acronym id=\"t_d\" style=\"background-color:#ccffcc\">";

// Settings of the test's own, so that nothing of the user's is touched.
class PrintSettings : public ::testing::Environment {
 public:
  void SetUp() override { QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, dir_.path()); }
  QString Path() const { return dir_.path(); }

 private:
  QTemporaryDir dir_;
};
auto* g_settings = static_cast<PrintSettings*>(::testing::AddGlobalTestEnvironment(new PrintSettings));
QString Setting(const char* key) { return QSettings().value(QString(PageSetupSettingsGroup) + "/" + key).toString(); }

// A window after "Сравнить" on the corpus pair.
std::unique_ptr<TVerCmp> ComparedCorpus(const TProgramDir& dir) {
  auto w = ShowMainWindow(dir);
  for (auto [view, path] : {std::pair{UI(w).WB1, kOld}, std::pair{UI(w).WB2, kNew}}) {
    std::string body = ReadFile(path);
    ExtractBodyContent(body);
    SetBody(view, body);
  }
  UI(w).bCompareTexts->click();
  EXPECT_TRUE(UI(w).Navigation->ResultShown);
  return w;
}

std::string BodyStyle(THtmlView* v) {
  const std::string body = v->OuterHtml(TElementRef::Body());
  return body.substr(0, body.find('>'));
}

// The print dialog answered with "print to file" into path, the pages in ranges.
std::function<int(QDialog&)> PrintToFile(const QString& path, const QString& ranges = {}) {
  return [path, ranges](QDialog& d) {
    auto* pd = qobject_cast<QPrintDialog*>(&d);
    if (!pd) return int(QDialog::Rejected);
    pd->printer()->setOutputFormat(QPrinter::PdfFormat);
    pd->printer()->setOutputFileName(path);
    pd->printer()->setPageRanges(QPageRanges::fromString(ranges));
    return int(QDialog::Accepted);
  };
}

void SaveScreenshot(QDialog& d, const char* name) {
  const QString dir = qEnvironmentVariable("PARVEL_SCREENSHOT_DIR");
  if (dir.isEmpty()) return;
  d.show();
  WaitFor([] { return false; }, 1500);  // painted
  QScreen* screen = QGuiApplication::primaryScreen();
  (QGuiApplication::platformName() == "xcb" && screen ? screen->grabWindow(0) : d.grab()).save(dir + "/" + name);
}

// Pixels of the PDF's pages, drawn coarsely, within a few levels of the colour.
int PixelsOfColour(const QByteArray& pdf, QRgb colour) {
  QTemporaryFile file;
  EXPECT_TRUE(file.open() && file.write(pdf) == pdf.size() && file.flush());
  QPdfDocument doc;
  EXPECT_EQ(doc.load(file.fileName()), QPdfDocument::Error::None);
  int n = 0;
  for (int page = 0; page < doc.pageCount(); ++page) {
    const QImage img = doc.render(page, QSize(300, 424)).convertToFormat(QImage::Format_RGB32);
    for (int y = 0; y < img.height(); ++y)
      for (int x = 0; x < img.width(); ++x) {
        const QRgb c = img.pixel(x, y);
        n += std::abs(qRed(c) - qRed(colour)) + std::abs(qGreen(c) - qGreen(colour)) + std::abs(qBlue(c) - qBlue(colour)) < 12;
      }
  }
  return n;
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
  EXPECT_EQ(QStringList({l.Left, l.Centre, l.Right}), QStringList({"a", "b", "c3/12 & &x&"}));
}

TEST(BatchPrint, PrintsBothResultPagesWithFootersMarginsAndMarks) {
  QTemporaryDir out;
  const QString left = out.path() + "/левый лист.pdf", right = out.path() + "/right.pdf";
  const TRun r = RunProgram(kParvel, {"--print-pdf", left, right, kOld, kNew}, out.path());
  ASSERT_EQ(r.Code, 0) << r.Err.toStdString();
  TDiff diff;
  const TResultPages pages =
      BuildResultPages(BuildComparisonModel(ReadViewTextFile(kOld.toStdString()),
                                            ReadViewTextFile(kNew.toStdString()), diff, kDefaultComparisonOptions));
  EXPECT_EQ(r.Out.trimmed().toInt(), pages.ChangeCount);
  for (const QString& pdf : {left, right}) {
    ExpectFooters(pdf);
    ExpectMargins(pdf);
  }
  // The struck-through and the inserted words are text in the PDF.
  const QString deleted = MarkedWord(pages.Left, kDeletedMark), inserted = MarkedWord(pages.Right, kInsertedMark);
  ASSERT_GE(deleted.size(), 4);
  ASSERT_GE(inserted.size(), 4);
  EXPECT_TRUE(PdfText(left).contains(deleted)) << deleted.toStdString();
  EXPECT_TRUE(PdfText(right).contains(inserted)) << inserted.toStdString();
}

// The batch print lays out the changes as the window's kept choice says, or exactly with --literal.
TEST(BatchPrint, FollowsTheKeptChoiceOrPrintsLiterally) {
  QTemporaryDir out;
  QSettings(out.path() + "/Kvilon/Parvel.conf", QSettings::IniFormat).setValue("Comparison/CoherentBlocks", true);
  auto changes = [](const TComparisonOptions& options) {
    TDiff diff;
    return BuildResultPages(BuildComparisonModel(ReadViewTextFile(kOld.toStdString()),
                                                 ReadViewTextFile(kNew.toStdString()), diff, options))
        .ChangeCount;
  };
  TComparisonOptions coherent = kDefaultComparisonOptions;
  coherent.CoherentBlocks = true;
  ASSERT_NE(changes(coherent), changes(kLiteralComparison));
  const QString left = out.path() + "/l.pdf", right = out.path() + "/r.pdf";
  TRun r = RunProgram(kParvel, {"--print-pdf", left, right, kOld, kNew}, out.path());
  ASSERT_EQ(r.Code, 0) << r.Err.toStdString();
  EXPECT_EQ(r.Out.trimmed().toInt(), changes(coherent));
  r = RunProgram(kParvel, {"--print-pdf", "--literal", left, right, kOld, kNew}, out.path());
  ASSERT_EQ(r.Code, 0) << r.Err.toStdString();
  EXPECT_EQ(r.Out.trimmed().toInt(), changes(kLiteralComparison));
}

TEST(BatchPrint, BadInputGivesAMessageAndNoFile) {
  QTemporaryDir out;
  const QString left = out.path() + "/l.pdf", right = out.path() + "/r.pdf", empty = out.path() + "/empty.htm";
  QFile(empty).open(QIODevice::WriteOnly);
  const std::vector<std::pair<QStringList, std::pair<int, const char*>>> cases = {
      {{left, right, kOld}, {2, "LEFT.pdf RIGHT.pdf OLD NEW"}},
      {{left, right, kOld, out.path() + "/missing.htm"}, {1, "missing.htm"}},
      {{left, right, empty, kNew}, {1, "Текст 1 пуст"}},
      {{out.path() + "/no/such/l.pdf", right, kOld, kNew}, {1, "no/such/l.pdf"}},
  };
  for (const auto& [args, want] : cases) {
    const TRun r = RunProgram(kParvel, QStringList{"--print-pdf"} + args, out.path());
    EXPECT_EQ(r.Code, want.first) << args.join(' ').toStdString();
    EXPECT_TRUE(r.Err.contains(QString::fromUtf8(want.second))) << r.Err.toStdString();
    EXPECT_FALSE(QFile::exists(left) || QFile::exists(right)) << "no PDF, and none without its pair";
  }
}

// Where a PDF goes stands no regular file, or both PDFs name one file: refused before anything
// is printed, nothing made or removed, the odd entries left as they are.
TEST(BatchPrint, RefusesOddOutputsAndOneFileForBoth) {
  QTemporaryDir out;
  const QString fifo = out.path() + "/fifo.pdf", null = out.path() + "/null.pdf", s = out.path() + "/S.pdf";
  ASSERT_EQ(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
  ASSERT_TRUE(QFile::link("/dev/null", null));
  QDir().mkpath(out.path() + "/sub");
  const std::vector<std::pair<QStringList, int>> cases = {
      {{fifo, s}, 5}, {{s, null}, 5}, {{out.path() + "/sub", s}, 5},
      {{s, s}, 2}, {{s, out.path() + "/sub/../S.pdf"}, 2}, {{"", s}, 2},
  };
  for (const auto& [pdfs, code] : cases) {
    const TRun r = RunProgram(kParvel, QStringList{"--print-pdf"} + pdfs + QStringList{kOld, kNew}, out.path());
    EXPECT_EQ(r.Code, code) << pdfs.join(' ').toStdString() << r.Err.toStdString();
    EXPECT_FALSE(QFile::exists(s)) << pdfs.join(' ').toStdString();
  }
  QFile::remove(s);
  QFile::link(out.path() + "/S.pdf", out.path() + "/alias.pdf");
  QFile(s).open(QIODevice::WriteOnly);
  const TRun r = RunProgram(kParvel, {"--print-pdf", s, out.path() + "/alias.pdf", kOld, kNew}, out.path());
  EXPECT_EQ(r.Code, 2);
  EXPECT_TRUE(r.Err.contains(QString::fromUtf8("один и тот же файл"))) << r.Err.toStdString();
  EXPECT_EQ(QFileInfo(s).size(), 0);
  EXPECT_TRUE(QFileInfo(fifo).exists() && !QFileInfo(fifo).isFile());
  EXPECT_TRUE(QFileInfo(null).isSymLink());
}

TEST(PrintCommand, PrintsTheCurrentViewAt100PercentAndPutsTheZoomBack) {
  TProgramDir dir;
  TMessages messages;
  auto w = ComparedCorpus(dir);
  QTemporaryDir out;
  const QString pdf = out.path() + "/right.pdf";
  UI(w).Zoom->ZoomIndex = 8;  // 131 %
  UI(w).Zoom->ApplyZoom(UI(w).WB1);
  UI(w).Zoom->ApplyZoom(UI(w).WB2);
  UI(w).CurrentView = 2;
  std::string styleWhilePrinting;
  QObject::connect(UI(w).Printing, &TPrinting::DocumentPrinted, w.get(), [&] { styleWhilePrinting = BodyStyle(UI(w).WB2); });
  UI(w).Printing->ExecDialog = PrintToFile(pdf);
  QSettings().setValue(QString(PageSetupSettingsGroup) + "/footer", "changed by the user &p");
  UI(w).acTextPrint->trigger();

  EXPECT_TRUE(messages.List().empty());
  EXPECT_NE(styleWhilePrinting.find("zoom: 100%"), std::string::npos) << styleWhilePrinting;
  EXPECT_NE(BodyStyle(UI(w).WB2).find("zoom: 131%"), std::string::npos) << BodyStyle(UI(w).WB2);
  EXPECT_NE(BodyStyle(UI(w).WB1).find("zoom: 131%"), std::string::npos);
  ExpectFooters(pdf);  // the user's footer was replaced by the program's
  ExpectMargins(pdf);
  // The right view was printed.
  const QString inserted = MarkedWord(UI(w).WB2->OuterHtml(TElementRef::Root()), kInsertedMark);
  EXPECT_TRUE(PdfText(pdf).contains(inserted)) << inserted.toStdString();

  // Printing again writes the same values again, also when the dialog is cancelled.
  const QString settingsFile = QSettings().fileName();
  const std::string first = ReadFile(settingsFile);
  ASSERT_FALSE(first.empty());
  QFile::remove(settingsFile);
  UI(w).Printing->ExecDialog = [](QDialog&) { return int(QDialog::Rejected); };
  UI(w).acTextPrint->trigger();
  EXPECT_EQ(ReadFile(settingsFile), first);
  EXPECT_EQ(QStringList({Setting("header"), Setting("margin_left"), Setting("margin_right"), Setting("margin_top"),
                         Setting("margin_bottom")}),
            QStringList({"", "0.98425", "0.39370", "0.59055", "0.59055"}));
  EXPECT_NE(BodyStyle(UI(w).WB2).find("zoom: 131%"), std::string::npos);
}

// The dialog and every page name the printed pane and its file (or its first line); the current
// change is on paper in the colours of the other changes, and stays highlighted in the view.
TEST(PrintCommand, NamesTheEditionAndPrintsTheCurrentChangeInItsOrdinaryColours) {
  TProgramDir dir;
  TMessages messages;
  auto w = ShowMainWindow(dir);
  SetBody(UI(w).WB1, W("<p></p><p>  Налоговый кодекс   Российской Федерации</p><p>Статья 1</p>"));
  EXPECT_EQ(EditionCaption(*UI(w).WB1, {}).toStdString(), "Левое окно: Налоговый кодекс Российской Федерации");
  ASSERT_TRUE(UI(w).OpenFiles->OpenFile(1, kOld) && UI(w).OpenFiles->OpenFile(2, kNew));
  QTest::mouseClick(UI(w).bCompareTexts, Qt::LeftButton);
  ASSERT_TRUE(WaitFor([&] { return UI(w).Navigation->ResultShown; }, 60000));
  QTest::mouseClick(UI(w).bNextDiff, Qt::LeftButton);
  ASSERT_TRUE(WaitFor([&] { return UI(w).Navigation->CurrentChange == 0; }));
  const TElementRef current = TElementRef::Item("t_d", 0);
  const std::string highlight = UI(w).WB2->BackgroundColor(current);
  ASSERT_TRUE(highlight == "#77ff77" || highlight == "#ff7777") << highlight;
  const QRgb ordinary = highlight == "#77ff77" ? qRgb(0xcc, 0xff, 0xcc) : qRgb(0xff, 0xcc, 0xcc);

  UI(w).CurrentView = 2;
  QTemporaryDir out;
  QString title;
  QByteArray printed;
  QObject::connect(UI(w).Printing, &TPrinting::DocumentPrinted, w.get(), [&](const QByteArray& pdf) { printed = pdf; });
  UI(w).Printing->ExecDialog = [&](QDialog& d) {
    title = d.windowTitle();
    return PrintToFile(out.path() + "/new.pdf")(d);
  };
  UI(w).acTextPrint->trigger();
  EXPECT_TRUE(messages.List().empty());
  EXPECT_EQ(title.toStdString(), "Печать — Правое окно: 04_nk1_gl8_new.htm");
  const QStringList pages = PdfText(out.path() + "/new.pdf").split('\f', Qt::SkipEmptyParts);
  ASSERT_GT(pages.size(), 1);
  for (const QString& page : pages)
    EXPECT_TRUE(page.trimmed().startsWith("Правое окно: 04_nk1_gl8_new.htm")) << page.left(200).toStdString();
  ExpectFooters(out.path() + "/new.pdf");
  EXPECT_EQ(PixelsOfColour(printed, qRgb(0x77, 0xff, 0x77)) + PixelsOfColour(printed, qRgb(0xff, 0x77, 0x77)), 0);
  EXPECT_GT(PixelsOfColour(printed, ordinary), 0);
  EXPECT_EQ(UI(w).WB2->BackgroundColor(current), highlight) << "the view keeps its highlight";
}

TEST(PrintCommand, NoDocumentOneHundredPercentCtrlPAndOneCommandAtATime) {
  TProgramDir dir;
  auto w = ShowMainWindow(dir);
  QSettings().remove(PageSetupSettingsGroup);
  std::vector<std::string> dialogs;
  UI(w).Printing->ExecDialog = [&](QDialog& d) {
    dialogs.push_back(d.metaObject()->className());
    UI(w).acTextPrint->trigger();  // asked for while a command runs: dropped
    return int(QDialog::Rejected);
  };
  // A view without a document: print and preview write nothing and show nothing; page setup
  // still writes the values and opens its dialog.
  std::unique_ptr<THtmlView> empty(CreateHtmlView(nullptr));
  UI(w).Printing->PrintView(empty.get());
  UI(w).Printing->PreviewView(empty.get());
  EXPECT_FALSE(QSettings().contains(QString(PageSetupSettingsGroup) + "/footer"));
  UI(w).Printing->PageSetupView(empty.get());
  EXPECT_EQ(Setting("footer").toStdString(), cp1251::ToUtf8(PrintFooter()));

  // At 100 % print sets no zoom; Ctrl+P reaches print also from inside a view.
  UI(w).Zoom->ZoomIndex = 5;
  w->activateWindow();
  UI(w).WB2->FocusDocument();
  WaitFor([&] { return QApplication::focusWidget() != nullptr; }, 3000);
  ASSERT_TRUE(QApplication::focusWidget() && UI(w).WB2->isAncestorOf(QApplication::focusWidget()));
  QTest::keyClick(QApplication::focusWidget(), Qt::Key_P, Qt::ControlModifier);
  EXPECT_EQ(dialogs, (std::vector<std::string>{"QPageSetupDialog", "QPrintDialog"}));
  EXPECT_EQ(BodyStyle(UI(w).WB2).find("zoom"), std::string::npos) << BodyStyle(UI(w).WB2);
}

TEST(PrintCommand, ASettingsStoreThatCannotBeWrittenStillPrintsTheProgramsPage) {
  TProgramDir dir;
  auto w = ComparedCorpus(dir);
  QTemporaryDir out;
  QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, "/proc/parvel-no-settings");
  ASSERT_FALSE(QSettings().isWritable());
  UI(w).Printing->ExecDialog = PrintToFile(out.path() + "/left.pdf");
  UI(w).acTextPrint->trigger();
  QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, g_settings->Path());
  ExpectFooters(out.path() + "/left.pdf");
  ExpectMargins(out.path() + "/left.pdf");

  // Pages chosen in the dialog: only those reach the file, numbered as in the whole document.
  UI(w).Printing->ExecDialog = PrintToFile(out.path() + "/some.pdf", "2-3");
  UI(w).acTextPrint->trigger();
  const QStringList pages = PdfText(out.path() + "/some.pdf").split('\f', Qt::SkipEmptyParts);
  ASSERT_EQ(pages.size(), 2);
  EXPECT_TRUE(pages[0].trimmed().endsWith("Стр. 2")) << pages[0].right(100).toStdString();
}

TEST(PageSetupCommand, TheUsersMarginsHoldUntilTheNextCommand) {
  TProgramDir dir;
  auto w = ShowMainWindow(dir);
  UI(w).Printing->ExecDialog = [&](QDialog& d) {
    auto* ps = qobject_cast<QPageSetupDialog*>(&d);
    EXPECT_NEAR(ps->printer()->pageLayout().margins(QPageLayout::Millimeter).left(), 25.0, 0.01);
    SaveScreenshot(d, "page_setup.png");
    ps->printer()->setPageMargins(QMarginsF(1, 0.5, 0.5, 0.5), QPageLayout::Inch);
    return int(QDialog::Accepted);
  };
  UI(w).acTextPageSetup->trigger();
  EXPECT_EQ(Setting("margin_left"), "1.00000");
  EXPECT_EQ(ReadPageSetup(ProgramPageSetup()).MarginsInch.left(), 1.0);
  UI(w).Printing->ExecDialog = [](QDialog&) { return int(QDialog::Rejected); };
  UI(w).acTextPageSetup->trigger();  // the next command writes the program's values again
  EXPECT_EQ(Setting("margin_left"), "0.98425");
}

// The preview opens at once with its progress, then renders only the pages in sight, keeping a
// few of them; its "Печать..." prints the pages it shows.
TEST(PreviewCommand, ShowsProgressAtOnceThenThePagesInSightWithTheFooter) {
  TProgramDir dir;
  TMessages messages;
  auto w = ComparedCorpus(dir);
  UI(w).CurrentView = 1;
  UI(w).Zoom->ZoomIndex = 8;
  UI(w).Zoom->ApplyZoom(UI(w).WB1);
  QByteArray previewed;
  QObject::connect(UI(w).Printing, &TPrinting::DocumentPrinted, w.get(), [&](const QByteArray& pdf) { previewed = pdf; });
  QTemporaryDir out;
  const QString printed = out.path() + "/printed.pdf";
  UI(w).Printing->ExecDialog = [&](QDialog& d) {
    if (qobject_cast<QPrintDialog*>(&d)) return PrintToFile(printed)(d);
    auto* preview = qobject_cast<TPrintPreview*>(&d);
    EXPECT_TRUE(preview);
    if (!preview) return int(QDialog::Rejected);
    EXPECT_TRUE(d.windowTitle().startsWith("Предварительный просмотр — Левое окно: ")) << d.windowTitle().toStdString();
    d.show();
    EXPECT_TRUE(WaitFor([&] { return preview->Progress()->isVisible(); }, 2000)) << "progress at once";
    EXPECT_FALSE(preview->PagesShown());
    SaveScreenshot(d, "preview_progress.png");
    EXPECT_TRUE(WaitFor([&] { return preview->PagesShown() && preview->Pages()->RenderedPageCount() > 0; }, 60000));
    TPdfPagesView* pages = preview->Pages();
    EXPECT_GT(pages->PageCount(), TPdfPagesView::kCachedPages + 2);
    EXPECT_LT(pages->RenderedPageCount(), pages->PageCount()) << "only the pages in sight";
    for (int i = 0; i < pages->PageCount(); ++i) {
      QTest::keyClick(pages, Qt::Key_PageDown);
      QApplication::processEvents();
    }
    QTest::keyClick(pages, Qt::Key_End);
    WaitFor([&] { return pages->CurrentPage() == pages->PageCount() - 1; }, 3000);
    EXPECT_EQ(pages->CurrentPage(), pages->PageCount() - 1);
    EXPECT_LE(pages->CachedPageCount(), TPdfPagesView::kCachedPages);
    SaveScreenshot(d, "preview.png");
    for (QAction* a : d.findChildren<QAction*>())
      if (a->text() == "Печать...") a->trigger();
    return d.result();
  };
  UI(w).acTextPreview->trigger();
  EXPECT_TRUE(messages.List().empty());
  QFile f(out.path() + "/preview.pdf");
  ASSERT_TRUE(f.open(QIODevice::WriteOnly) && f.write(previewed) > 0);
  f.close();
  ExpectFooters(f.fileName());
  ExpectFooters(printed);
  EXPECT_NE(BodyStyle(UI(w).WB1).find("zoom: 131%"), std::string::npos);
}

// Pages handed to a printer land where the engine put them, whatever margins the printer had.
TEST(PrinterPages, DrawnOntoThePaperWhereTheEngineLaidThemOut) {
  QTemporaryDir out;
  const QString source = out.path() + "/source.pdf", printed = out.path() + "/printed.pdf";
  ASSERT_EQ(RunProgram(kParvel, {"--print-pdf", source, out.path() + "/r.pdf", kOld, kNew}, out.path()).Code, 0);
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
  // The box around the ink is the same on both, to the blur of the pictures (the printer's
  // margins would move it by 30 pixels).
  auto inkBox = [](QPdfDocument& d, int page) {
    QImage img(300, 424, QImage::Format_RGB32);
    img.fill(Qt::white);
    QPainter(&img).drawImage(0, 0, d.render(page, img.size()));
    QRect box;
    for (int y = 0; y < img.height(); ++y)
      for (int x = 0; x < img.width(); ++x)
        if (qGray(img.pixel(x, y)) < 160) box |= QRect(x, y, 1, 1);
    return box;
  };
  const QRect want = inkBox(a, 1), got = inkBox(b, 0);
  ASSERT_FALSE(want.isEmpty());
  for (auto [w, g] : {std::pair{want.left(), got.left()}, {want.top(), got.top()}, {want.right(), got.right()},
                      {want.bottom(), got.bottom()}})
    EXPECT_LE(std::abs(w - g), 5) << w << " " << g;
}

// bench/preview_bench.sh: the preview of the largest corpus pair, the memory it adds to the
// program (its peak over the figure after the comparison, and to the view processes) and the
// time to the first page shown. Skipped unless PARVEL_PREVIEW_BENCH is set.
namespace {
long StatusKb(const QString& pid, const char* field) {
  QFile f("/proc/" + pid + "/status");
  if (!f.open(QIODevice::ReadOnly)) return 0;
  for (const QByteArray& line : f.readAll().split('\n'))
    if (line.startsWith(field)) return line.mid(qstrlen(field)).trimmed().split(' ').value(0).toLong();
  return 0;
}
// Resident memory of the processes started by this one (the view's), in kB.
long DescendantsKb() {
  std::map<QString, QString> parent;
  for (const QString& pid : QDir("/proc").entryList({"[0-9]*"}, QDir::Dirs)) {
    QFile f("/proc/" + pid + "/stat");
    if (!f.open(QIODevice::ReadOnly)) continue;
    const QByteArray stat = f.readAll();
    parent[pid] = QString::fromLatin1(stat.mid(stat.lastIndexOf(')') + 2).split(' ').value(1));
  }
  const QString self = QString::number(QCoreApplication::applicationPid());
  long kb = 0;
  for (const auto& [pid, _] : parent) {
    for (QString p = parent[pid]; !p.isEmpty() && p != "0" && p != "1"; p = parent.count(p) ? parent[p] : QString())
      if (p == self) {
        kb += StatusKb(pid, "VmRSS:");
        break;
      }
  }
  return kb;
}
}  // namespace

TEST(PreviewBench, LargestPair) {
  if (qEnvironmentVariableIsEmpty("PARVEL_PREVIEW_BENCH")) GTEST_SKIP();
  TProgramDir dir;
  auto w = ShowMainWindow(dir);
  const QString pair = PARVEL_CORPUS_DIR "/10_byudzhetny_kodeks";
  ASSERT_TRUE(UI(w).OpenFiles->OpenFile(1, pair + "_old.htm") && UI(w).OpenFiles->OpenFile(2, pair + "_new.htm"));
  UI(w).bCompareTexts->click();
  ASSERT_TRUE(WaitFor([&] { return UI(w).Navigation->ResultShown; }, 300000));
  WaitFor([] { return false; }, 2000);
  const long baseKb = StatusKb("self", "VmRSS:"), baseViewsKb = DescendantsKb();
  QFile clear("/proc/self/clear_refs");  // the peak from here on
  ASSERT_TRUE(clear.open(QIODevice::WriteOnly) && clear.write("5") == 1);
  clear.close();
  long viewsPeakKb = baseViewsKb;
  QTimer sample;
  QObject::connect(&sample, &QTimer::timeout, [&] { viewsPeakKb = std::max(viewsPeakKb, DescendantsKb()); });
  sample.start(250);
  QElapsedTimer clock;
  double progressS = -1, firstPageS = -1;
  long firstPagePeakKb = 0;
  int pages = 0;
  UI(w).Printing->ExecDialog = [&](QDialog& d) {
    auto* preview = qobject_cast<TPrintPreview*>(&d);
    if (!preview) return int(QDialog::Rejected);
    d.show();
    WaitFor([&] { return preview->Progress()->isVisible(); }, 60000);
    progressS = clock.elapsed() / 1000.0;
    WaitFor([&] { return preview->Pages()->RenderedPageCount() > 0; }, 300000);
    firstPageS = clock.elapsed() / 1000.0;
    firstPagePeakKb = StatusKb("self", "VmHWM:");
    pages = preview->Pages()->PageCount();
    for (int i = 0; i < 60; ++i) {  // leafing through, then the end
      QTest::keyClick(preview->Pages(), Qt::Key_PageDown);
      QApplication::processEvents();
    }
    QTest::keyClick(preview->Pages(), Qt::Key_End);
    WaitFor([] { return false; }, 500);
    return int(QDialog::Rejected);
  };
  clock.start();
  UI(w).acTextPreview->trigger();
  const long peakKb = StatusKb("self", "VmHWM:");
  std::printf("preview-bench pages=%d progress_s=%.2f first_page_s=%.2f added_peak_mb_at_first_page=%.0f "
              "added_peak_mb_after_leafing=%.0f views_added_peak_mb=%.0f\n",
              pages, progressS, firstPageS, (firstPagePeakKb - baseKb) / 1024.0, (peakKb - baseKb) / 1024.0,
              (viewsPeakKb - baseViewsKb) / 1024.0);
}

PARVEL_GUI_TEST_MAIN()
