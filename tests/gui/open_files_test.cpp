// Opening the texts from files in the real window: the command line, the "Открыть…" command with
// its dialog, Ctrl+O, a file dropped on a pane, bad files; and the fast paste.
//
// bench/paste_bench.sh runs FastPaste.CorpusPage with PARVEL_CORPUS_PAIR set to the largest pair
// and reads its "paste-ms" line.
#include <QClipboard>
#include <QDropEvent>
#include <QFileDialog>
#include <QFileInfo>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMimeData>
#include <QProcess>
#include <QSettings>
#include <QTest>
#include <QTimer>
#include <QToolButton>
#include <QUrl>
#include <QWebEngineView>

#include "app/CommandLine.h"
#include "app/OpenFiles.h"
#include "input/DocumentReader.h"
#include "gui/GuiTestSupport.h"

using namespace guitest;

namespace {

QString Corpus(const char* name) { return QString(PARVEL_CORPUS_DIR) + "/" + name; }

void WriteBytes(const QString& path, const std::string& bytes) {
  std::ofstream(path.toStdString(), std::ios::binary) << bytes;
}

// Settings (recent files, last folder) go to a folder of the test's own.
class TSettingsDir {
 public:
  TSettingsDir() {
    TOpenFiles::NativeDialog = false;  // the test answers the program's own dialog
    qputenv("XDG_CONFIG_HOME", dir_.path().toUtf8());
    QSettings().clear();
  }

 private:
  QTemporaryDir dir_;
};

// Answers the next file dialog with path (empty: cancels it).
void AnswerFileDialog(const QString& path, bool* seen) {
  auto* poll = new QTimer;
  QObject::connect(poll, &QTimer::timeout, [poll, path, seen] {
    auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
    if (!dialog) return;
    poll->stop();
    poll->deleteLater();
    *seen = true;
    if (path.isEmpty()) {
      dialog->reject();
    } else {
      // Typed into the name field, as a person would (the field has the focus).
      dialog->findChild<QLineEdit*>("fileNameEdit")->setText(path);
      QMetaObject::invokeMethod(dialog, "accept");
    }
  });
  poll->start(50);
}

int CliChangeCount(const QString& left, const QString& right, const QString& out) {
  QProcess cli;
  cli.start(QString(PARVEL_BIN_DIR) + "/parvel-cli", {"compare", left, right, out});
  cli.waitForFinished(60000);
  return QString::fromUtf8(cli.readAllStandardOutput()).trimmed().toInt();
}

QWidget* WebWidget(THtmlView* view) { return view->findChild<QWebEngineView*>(); }

}  // namespace

TEST(OpenFiles, CommandLinePairIsComparedAtOnce) {
  TProgramDir dir;
  TSettingsDir settings;
  TMessages messages;
  auto w = ShowMainWindow(dir);
  const QString oldFile = Corpus("03_nk1_st45_old.htm"), newFile = Corpus("03_nk1_st45_new.htm");
  EXPECT_TRUE(UI(w).OpenFiles->OpenButton(1)->isVisible());
  UI(w).OpenFiles->OpenAtStart({oldFile, newFile});
  ASSERT_TRUE(WaitFor([&] { return UI(w).Navigation->ResultShown; }, 60000));
  EXPECT_TRUE(messages.List().empty());
  const int expected = CliChangeCount(oldFile, newFile, dir.TempDir() + "/cli");
  EXPECT_GT(expected, 0);
  EXPECT_EQ(UI(w).Navigation->ChangeCount, expected);
  EXPECT_EQ(UI(w).LCurDiffTag->text().toStdString(), "Изменений: " + std::to_string(expected));
  EXPECT_FALSE(UI(w).OpenFiles->OpenButton(1)->isVisible());  // the result state has no open commands

  // "Новое сравнение": the commands are back, naming no file.
  UI(w).bCompareTexts->click();
  EXPECT_TRUE(UI(w).OpenFiles->OpenButton(2)->isVisible());
  EXPECT_TRUE(UI(w).OpenFiles->OpenedFile(1).isEmpty());
}

// A click on "Сравнить" while the second file of a large pair is still going into its pane is
// not lost: the comparison runs once the file is in.
TEST(OpenFiles, CompareClickedWhileAFileOpensRunsAfterIt) {
  TProgramDir dir;
  TSettingsDir settings;
  TMessages messages;
  auto w = ShowMainWindow(dir);
  const QString oldFile = Corpus("10_byudzhetny_kodeks_old.htm"), newFile = Corpus("10_byudzhetny_kodeks_new.htm");
  bool seen = false;
  AnswerFileDialog(oldFile, &seen);
  QTest::mouseClick(UI(w).OpenFiles->OpenButton(1), Qt::LeftButton);
  ASSERT_TRUE(WaitFor([&] { return !UI(w).OpenFiles->OpenedFile(1).isEmpty(); }, 60000));

  bool clicked = false, disabledAfter = false;
  QTimer clicker;
  QObject::connect(&clicker, &QTimer::timeout, [&] {
    if (clicked || !UI(w).OpenFiles->Loading()) return;
    clicked = true;
    QTest::mouseClick(UI(w).bCompareTexts, Qt::LeftButton);
    disabledAfter = !UI(w).bCompareTexts->isEnabled();  // a second click has nothing to ask
  });
  clicker.start(20);
  AnswerFileDialog(newFile, &seen);
  QTest::mouseClick(UI(w).OpenFiles->OpenButton(2), Qt::LeftButton);
  ASSERT_TRUE(WaitFor([&] { return UI(w).Navigation->ResultShown; }, 120000)) << "the click was lost";
  ASSERT_TRUE(clicked);
  EXPECT_TRUE(disabledAfter);
  EXPECT_TRUE(messages.List().empty());
  EXPECT_EQ(UI(w).Navigation->ChangeCount, CliChangeCount(oldFile, newFile, dir.TempDir() + "/cli"));
  EXPECT_TRUE(UI(w).bCompareTexts->isEnabled());
}

TEST(OpenFiles, CommandLine) {
  TCommandLine cl = ParseCommandLine({"old.htm", "new.docx"});
  EXPECT_EQ(cl.Files, QStringList({"old.htm", "new.docx"}));
  EXPECT_TRUE(cl.Error.isEmpty());
  EXPECT_TRUE(ParseCommandLine({"--help"}).Help);
  EXPECT_FALSE(ParseCommandLine({"--frobnicate", "a"}).Error.isEmpty());
  EXPECT_FALSE(ParseCommandLine({"a", "b", "c"}).Error.isEmpty());
  EXPECT_EQ(ParseCommandLine({"--", "-dash.txt"}).Files, QStringList({"-dash.txt"}));
  // --help answers without a window.
  QProcess parvel;
  parvel.start(QString(PARVEL_BIN_DIR) + "/parvel", {"--help"});
  ASSERT_TRUE(parvel.waitForFinished(30000));
  EXPECT_EQ(parvel.exitCode(), 0);
  EXPECT_TRUE(QString::fromUtf8(parvel.readAllStandardOutput()).contains("parvel СТАРЫЙ НОВЫЙ"));
}

TEST(OpenFiles, OpenCommandDialogRecentFilesAndCtrlO) {
  TProgramDir dir;
  TSettingsDir settings;
  TMessages messages;
  auto w = ShowMainWindow(dir);
  const QString txt = dir.TempDir() + "/new edition.txt";
  WriteBytes(txt, "Статья 1. Первая строка\nвторая < строка & ∑\n");

  bool seen = false;
  AnswerFileDialog(txt, &seen);
  UI(w).OpenFiles->OpenButton(2)->click();
  EXPECT_TRUE(seen);
  EXPECT_TRUE(messages.List().empty());
  EXPECT_EQ(UI(w).WB2->OuterHtml(TElementRef::Body()),
            W("<body><p>Статья 1. Первая строка</p>\n<p>вторая &lt; строка &amp; ") + "&#8721;</p>\n</body>");
  EXPECT_EQ(UI(w).OpenFiles->OpenedFile(2), txt);
  EXPECT_EQ(UI(w).OpenFiles->RecentFiles().value(0), txt);
  EXPECT_EQ(QSettings().value("OpenFiles/LastFolder").toString(), dir.TempDir());
  EXPECT_TRUE(UI(w).WB2->DesignMode());

  // Ctrl+O in the left view opens the dialog for the left pane; cancelled, nothing changes.
  w->activateWindow();
  UI(w).WB1->FocusDocument();
  ASSERT_TRUE(WaitFor([&] { return UI(w).CurrentView == 1 && QApplication::focusWidget(); }, 5000));
  seen = false;
  AnswerFileDialog(QString(), &seen);
  QKeyEvent press(QEvent::KeyPress, Qt::Key_O, Qt::ControlModifier, "o");
  QApplication::sendEvent(QApplication::focusWidget(), &press);
  EXPECT_TRUE(WaitFor([&] { return seen; }, 10000));
  EXPECT_EQ(UI(w).WB1->InnerText(TElementRef::Body()), "");

  // The recent list keeps the last ten, newest first, each once.
  for (int i = 0; i < 12; ++i) {
    const QString f = dir.TempDir() + QString("/f%1.htm").arg(i);
    WriteBytes(f, "<p>x</p>");
    ASSERT_TRUE(UI(w).OpenFiles->OpenFile(1, f));
  }
  ASSERT_TRUE(UI(w).OpenFiles->OpenFile(1, dir.TempDir() + "/f5.htm"));
  const QStringList recent = UI(w).OpenFiles->RecentFiles();
  EXPECT_EQ(recent.size(), TOpenFiles::kRecentCount);
  EXPECT_EQ(recent.value(0), dir.TempDir() + "/f5.htm");
  EXPECT_EQ(recent.count(dir.TempDir() + "/f5.htm"), 1);
  EXPECT_FALSE(recent.contains(txt));
}

TEST(OpenFiles, DroppedFileOpensInThatPaneBadFilesLeaveItAsItWas) {
  TProgramDir dir;
  TSettingsDir settings;
  TMessages messages;
  auto w = ShowMainWindow(dir);
  const QString page = dir.TempDir() + "/page.html";
  WriteBytes(page, "<html><head><meta charset=\"utf-8\"><script>alert(1)</script></head>"
                   "<body><p onclick=\"x()\">Закон <img src=\"http://example.invalid/a.png\">№ 5</p></body></html>");
  auto drop = [&](THtmlView* view, const QString& path) {
    auto* mime = new QMimeData;
    mime->setUrls({QUrl::fromLocalFile(path)});
    QWidget* target = WebWidget(view);
    const QPointF at(target->width() / 2.0, target->height() / 2.0);
    QDragEnterEvent enter(at.toPoint(), Qt::CopyAction, mime, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(target, &enter);
    EXPECT_TRUE(enter.isAccepted());
    QDropEvent dropEvent(at, Qt::CopyAction, mime, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(target, &dropEvent);
    delete mime;
  };
  drop(UI(w).WB2, page);
  ASSERT_TRUE(WaitFor([&] { return !UI(w).WB2->InnerText(TElementRef::Body()).empty(); }, 10000));
  EXPECT_EQ(UI(w).WB2->OuterHtml(TElementRef::Body()), W("<body><p>Закон № 5</p></body>"))
      << UI(w).WB2->OuterHtml(TElementRef::Body());
  EXPECT_TRUE(messages.List().empty());

  // A folder, a binary file, a missing file: a message each, the pane keeps its text.
  const std::string before = UI(w).WB2->OuterHtml(TElementRef::Body());
  const QString binary = dir.TempDir() + "/program.htm";
  WriteBytes(binary, std::string("\x7F" "ELF\x02\x01\x01\0\0\0\0\0", 12));
  drop(UI(w).WB2, dir.TempDir());
  EXPECT_FALSE(UI(w).OpenFiles->OpenFile(2, binary));
  EXPECT_FALSE(UI(w).OpenFiles->OpenFile(2, dir.TempDir() + "/missing.htm"));
  WaitFor([] { return false; }, 300);
  ASSERT_EQ(messages.List().size(), 3u);
  // (the drop is handled after the calls: its message comes last)
  EXPECT_NE(messages.List()[0].find("не похож на текст"), std::string::npos) << messages.List()[0];
  EXPECT_NE(messages.List()[1].find("не найден"), std::string::npos) << messages.List()[1];
  EXPECT_NE(messages.List()[2].find("папка"), std::string::npos) << messages.List()[2];
  EXPECT_EQ(UI(w).WB2->OuterHtml(TElementRef::Body()), before);

  // In the result state a dropped file is refused with a word of why.
  messages.Clear();
  SetBody(UI(w).WB1, "<p>a</p>");
  UI(w).bCompareTexts->click();
  drop(UI(w).WB1, page);
  WaitFor([&] { return !messages.List().empty(); }, 5000);
  ASSERT_EQ(messages.List().size(), 1u);
  EXPECT_NE(messages.List()[0].find("Новое сравнение"), std::string::npos);
}

TEST(FastPaste, WholeBodyIsReplacedCleanPartialPasteIsTheViews) {
  TProgramDir dir;
  auto w = ShowMainWindow(dir);
  const QString html = QString::fromUtf8(
      "<html><head><style>p{color:red}</style><link rel=stylesheet href=\"http://example.invalid/s.css\"></head>"
      "<body><p onmouseover=\"steal()\" style=\"background:url(http://example.invalid/t.png)\">Пункт ∑ "
      "<a href=\"javascript:alert(1)\">ссылка</a><img src=\"https://example.invalid/i.png\">"
      "<img src=\"data:image/png;base64,iVBORw0KGgo=\"></p><script>steal()</script>"
      "<iframe src=\"https://example.invalid/\"></iframe></body></html>");
  ASSERT_TRUE(UI(w).WB1->PasteWholeBody(html));
  const std::string body = UI(w).WB1->OuterHtml(TElementRef::Body());
  EXPECT_EQ(body, W("<body><p style=\"background:none\">Пункт ") +
                      "&#8721; " + W("<a>ссылка</a><img src=\"data:image/png;base64,iVBORw0KGgo=\"></p></body>"))
      << body;
  // Text in the pane and nothing selected: the view's own paste inserts at the caret.
  EXPECT_FALSE(UI(w).WB1->PasteWholeBody(html));
  // Everything selected: replaced again.
  UI(w).WB1->FocusDocument();
  UI(w).WB1->ExecWB(vcSelectAll, voDefault);
  WaitFor([&] { return UI(w).WB1->SelectionType() == "Text"; }, 5000);
  EXPECT_TRUE(UI(w).WB1->PasteWholeBody(QString::fromUtf8("<p>Другой</p>")));
  EXPECT_EQ(UI(w).WB1->OuterHtml(TElementRef::Body()), W("<body><p>Другой</p></body>"));
}

// A corpus page pasted with Ctrl+V into an empty pane: the fast paste against the view's own.
TEST(FastPaste, CorpusPage) {
  const QByteArray pairEnv = qgetenv("PARVEL_CORPUS_PAIR");
  const std::string pair = pairEnv.isEmpty() ? std::string("03_nk1_st45") : pairEnv.toStdString();
  const std::string page = ReadFile(Corpus((pair + "_new.htm").c_str()));
  ASSERT_FALSE(page.empty());
  TProgramDir dir;
  auto w = ShowMainWindow(dir);
  w->activateWindow();
  auto* mime = new QMimeData;
  mime->setHtml(QString::fromUtf8(cp1251::ToUtf8(page)));
  QApplication::clipboard()->setMimeData(mime);

  auto pasteInto = [&](THtmlView* view) {
    view->FocusDocument();
    EXPECT_TRUE(WaitFor([&] { return view->isAncestorOf(QApplication::focusWidget()); }, 5000));
    QElapsedTimer t;
    t.start();
    QKeyEvent press(QEvent::KeyPress, Qt::Key_V, Qt::ControlModifier, "v");
    QKeyEvent release(QEvent::KeyRelease, Qt::Key_V, Qt::ControlModifier, "v");
    QApplication::sendEvent(QApplication::focusWidget(), &press);
    QApplication::sendEvent(QApplication::focusWidget(), &release);
    // The page answers only after its paste is done.
    EXPECT_TRUE(WaitFor([&] { return view->BodyScrollHeight() > 100; }, 120000));
    return t.elapsed();
  };
  const qint64 fast = pasteInto(UI(w).WB1);
  UI(w).WB2->FastPaste = false;
  const qint64 own = pasteInto(UI(w).WB2);
  std::printf("paste-ms fast %lld own %lld pair %s bytes %zu\n", static_cast<long long>(fast),
              static_cast<long long>(own), pair.c_str(), page.size());
  // Both give the same visible text.
  EXPECT_EQ(UI(w).WB1->InnerText(TElementRef::Body()), UI(w).WB2->InnerText(TElementRef::Body()));
}

// The time to open one file (PARVEL_OPEN_FILE; run by bench/open_bench.sh): the reader alone, then
// the whole command in the window until the pane shows the text.
TEST(OpenFiles, OpenTiming) {
  const QString path = qEnvironmentVariable("PARVEL_OPEN_FILE");
  if (path.isEmpty()) GTEST_SKIP() << "PARVEL_OPEN_FILE names the file to time";
  TProgramDir dir;
  TSettingsDir settings;
  TMessages messages;
  auto w = ShowMainWindow(dir);
  QElapsedTimer t;
  t.start();
  const input::TDocument doc = input::ReadDocument(QFile::encodeName(path).toStdString());
  const qint64 read = t.elapsed();
  t.restart();
  ASSERT_TRUE(UI(w).OpenFiles->OpenFile(1, path));
  ASSERT_TRUE(WaitFor([&] { return UI(w).WB1->BodyScrollHeight() > 100; }, 120000));
  const qint64 window = t.elapsed();
  std::printf("open-ms read %lld window %lld html-bytes %zu\n", static_cast<long long>(read),
              static_cast<long long>(window), doc.Html.size());
  EXPECT_TRUE(messages.List().empty());
}

PARVEL_GUI_TEST_MAIN()

// A comparison that ends without a result gives the file's text back with its name, which the
// printed pages take; only "Новое сравнение" forgets it.
TEST(OpenFiles, NameStaysAfterARunWithoutResultNewComparisonForgetsIt) {
  TProgramDir dir;
  TMessages messages;
  auto w = ShowMainWindow(dir);
  const QString f = dir.TempDir() + "/old.htm";
  WriteBytes(f, "<p>" + W("Статья 1. Прежний текст.") + "</p>");
  ASSERT_TRUE(UI(w).OpenFiles->OpenFile(1, f));
  QTest::mouseClick(UI(w).bCompareTexts, Qt::LeftButton);  // the right pane is empty
  ASSERT_EQ(messages.List().size(), 1u);
  EXPECT_EQ(UI(w).OpenFiles->OpenedFile(1), f);
  SetBody(UI(w).WB2, "<p>" + W("Статья 1. Новый текст.") + "</p>");
  QTest::mouseClick(UI(w).bCompareTexts, Qt::LeftButton);
  ASSERT_TRUE(WaitFor([&] { return w->Mode() == wmResult; }));
  EXPECT_EQ(UI(w).OpenFiles->OpenedFile(1), f);
  QTest::mouseClick(UI(w).bCompareTexts, Qt::LeftButton);  // "Новое сравнение"
  ASSERT_TRUE(WaitFor([&] { return w->Mode() == wmEntry; }));
  EXPECT_TRUE(UI(w).OpenFiles->OpenedFile(1).isEmpty());
}
