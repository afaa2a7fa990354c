// The main use from start to end in the real window: paste two texts, compare, see the marked
// pages, start anew.
#include <QClipboard>
#include <QElapsedTimer>
#include <QMenu>
#include <QMimeData>
#include <QPointer>
#include <QPushButton>
#include <QSettings>
#include <QTimer>
#include <QtTest/QTest>

#include "app/VerCmpRun.h"
#include "engine/ComparisonModel.h"
#include "engine/Diff.h"
#include "engine/ResultPages.h"
#include "gui/GuiTestSupport.h"

using namespace guitest;

namespace {

std::string Text(QLabel* l) { return l->text().toStdString(); }
std::string Text(QPushButton* b) { return b->text().toStdString(); }

// The compare button stands 6 pixels right of the instruction label.
void ExpectButtonBesideLabel(TVerCmp& w) {
  EXPECT_EQ(UI(w).bCompareTexts->x(), UI(w).LVersions->x() + UI(w).LVersions->width() + 6);
}

// The entry state, the views holding the given texts (Windows-1251 InnerText of their bodies).
void ExpectEntryState(TVerCmp& w, const std::string& text1 = "", const std::string& text2 = "") {
  EXPECT_EQ(Text(UI(w).bCompareTexts), "Сравнить");
  EXPECT_TRUE(UI(w).bCompareTexts->isVisible());
  EXPECT_EQ(Text(UI(w).LVersions), "Вставьте тексты в окна ниже и нажмите кнопку");
  ExpectButtonBesideLabel(w);
  EXPECT_TRUE(UI(w).acPaste->isEnabled());
  EXPECT_FALSE(UI(w).acTextFind->isEnabled());
  EXPECT_FALSE(UI(w).bTextShowPanFind->isVisible());
  EXPECT_FALSE(UI(w).PanFind->isVisible());
  EXPECT_FALSE(UI(w).LCurDiffTag->isVisible());
  EXPECT_EQ(Text(UI(w).LCurDiffTag), "Изменений: 0");
  EXPECT_FALSE(UI(w).bNextDiff->isEnabled());
  EXPECT_FALSE(UI(w).bPrevDiff->isEnabled());
  for (THtmlView* v : {UI(w).WB1, UI(w).WB2}) {
    EXPECT_TRUE(v->HasDocument());
    EXPECT_TRUE(v->DesignMode());
    EXPECT_EQ(v->InnerText(TElementRef::Body()), v == UI(w).WB1 ? text1 : text2);
  }
}

std::string Paragraphs(const std::vector<const char*>& words) {
  std::string s;
  for (const char* w : words) s += "<p>" + W(w) + "</p>";
  return s;
}

// Opens the views' popup menu with a right click into the left view and clicks one of its items.
void ClickPopupItem(TVerCmp& w, QAction* item) {
  QWidget* inner = UI(w).WB1->childAt(UI(w).WB1->width() / 2, UI(w).WB1->height() / 2);
  ASSERT_NE(inner, nullptr);
  QTest::mousePress(inner, Qt::RightButton, {}, QPoint(40, 50));
  QTest::mouseRelease(inner, Qt::RightButton, {}, QPoint(40, 50));
  QMenu* menu = UI(w).PopMenuText;
  ASSERT_TRUE(WaitFor([&] { return menu->isVisible(); }, 3000));
  QTest::mouseClick(menu, Qt::LeftButton, {}, menu->actionGeometry(item).center());
  ASSERT_TRUE(WaitFor([&] { return !menu->isVisible(); }, 3000));
}

}  // namespace

TEST(MainWindow, EntryStateAtStart) {
  TProgramDir dir;
  TMessages messages;
  auto w = ShowMainWindow(dir);
  ExpectEntryState(*w);
  EXPECT_FALSE(UI(w).bCompareDocs->isVisible());
  EXPECT_EQ(UI(w).CurrentView, 1);
  EXPECT_FALSE(UI(w).Navigation->SyncEnabled);
  EXPECT_EQ(UI(w).Zoom->ZoomPercent(), 120);
  EXPECT_EQ(UI(w).pbDiffPos->width(), 8);
  EXPECT_EQ(UI(w).WBInfo->width(), 300);
  EXPECT_EQ(UI(w).WB1->width(), UI(w).WB2->width());
  EXPECT_EQ(UI(w).WB1->width(), (UI(w).PanLeft->width() - 8) / 2);
  // The empty pages on disk: one CR LF line linking the style sheet.
  EXPECT_EQ(ReadFile(dir.WorkDir() + "c1.htm"), PageHead("etalon5.css") + "<body></body></html>\r\n");
  EXPECT_TRUE(messages.List().empty());
}

TEST(MainWindow, PasteCommandPutsTheClipboardIntoTheFocusedView) {
  TProgramDir dir;
  auto w = ShowMainWindow(dir);
  w->activateWindow();
  auto* mime = new QMimeData;
  mime->setHtml(QString::fromUtf8("<p>Вставленный <b>текст</b></p>"));
  mime->setText(QString::fromUtf8("Вставленный текст"));
  QApplication::clipboard()->setMimeData(mime);
  UI(w).WB2->FocusDocument();
  ASSERT_TRUE(WaitFor([&] { return UI(w).WB2->isAncestorOf(QApplication::focusWidget()); }, 5000));
  UI(w).acPaste->trigger();
  EXPECT_TRUE(WaitFor([&] { return UI(w).WB2->InnerText(TElementRef::Body()) == W("Вставленный текст"); }, 5000))
      << UI(w).WB2->OuterHtml(TElementRef::Body());
  EXPECT_EQ(UI(w).WB1->InnerText(TElementRef::Body()), "");
  EXPECT_EQ(UI(w).CurrentView, 2);  // the focus entered the right view
}

TEST(MainWindow, EqualTextsGiveNoChanges) {
  TProgramDir dir;
  TMessages messages;
  auto w = ShowMainWindow(dir);
  const std::string body = Paragraphs({"Статья 1. Общие положения", "Текст статьи без изменений."});
  SetBody(UI(w).WB1, body);
  SetBody(UI(w).WB2, body);
  UI(w).bCompareTexts->click();

  EXPECT_TRUE(messages.List().empty());
  EXPECT_EQ(Text(UI(w).LCurDiffTag), "Изменений: 0");
  EXPECT_TRUE(UI(w).LCurDiffTag->isVisible());
  EXPECT_FALSE(UI(w).bNextDiff->isEnabled());
  EXPECT_FALSE(UI(w).bPrevDiff->isEnabled());
  EXPECT_EQ(Text(UI(w).bCompareTexts), "Новое сравнение");
  EXPECT_EQ(Text(UI(w).LVersions), "Для сравнения других текстов нажмите кнопку");
  ExpectButtonBesideLabel(*w);
  EXPECT_FALSE(UI(w).acPaste->isEnabled());
  EXPECT_TRUE(UI(w).acTextFind->isEnabled());
  EXPECT_TRUE(UI(w).bTextShowPanFind->isVisible());
  EXPECT_TRUE(UI(w).Navigation->ResultShown);
  EXPECT_TRUE(UI(w).Navigation->SyncEnabled);
  for (THtmlView* v : {UI(w).WB1, UI(w).WB2}) {
    EXPECT_FALSE(v->DesignMode());
    EXPECT_EQ(v->CountElements("acronym", "t_d"), 0);
  }
}

TEST(MainWindow, ThreeChangesAndPagesAsTheBuilderMakesThem) {
  TProgramDir dir;
  TMessages messages;
  auto w = ShowMainWindow(dir);
  // One word replaced, one deleted, one inserted.
  SetBody(UI(w).WB1, Paragraphs({"Статья 5. Налоговые ставки", "Ставка составляет десять процентов.",
                              "Срок уплаты наступает ежегодно до первого марта.",
                              "Льготы устанавливаются законом."}));
  SetBody(UI(w).WB2, Paragraphs({"Статья 5. Налоговые ставки", "Ставка составляет двенадцать процентов.",
                              "Срок уплаты наступает до первого марта.",
                              "Льготы и вычеты устанавливаются законом."}));
  const std::string head = PageHead("etalon5.css");
  const std::string text1 = head + UI(w).WB1->OuterHtml(TElementRef::Body()) + "</html>";
  const std::string text2 = head + UI(w).WB2->OuterHtml(TElementRef::Body()) + "</html>";

  UI(w).bCompareTexts->click();
  EXPECT_TRUE(messages.List().empty());
  EXPECT_EQ(UI(w).Navigation->ChangeCount, 3);
  EXPECT_EQ(Text(UI(w).LCurDiffTag), "Изменений: 3");
  EXPECT_TRUE(UI(w).bNextDiff->isEnabled());
  EXPECT_FALSE(UI(w).bPrevDiff->isEnabled());
  EXPECT_EQ(UI(w).Navigation->CurrentChange, -1);

  // The written pages are byte for byte what the page builder makes of the same bodies.
  TDiff diff;
  TResultPages expected = BuildResultPages(BuildComparisonModel(text1, text2, diff, kDefaultComparisonOptions));
  ASSERT_EQ(expected.ChangeCount, 3);
  QTemporaryDir scratch;
  const std::string e1 = (scratch.path() + "/e1.htm").toStdString();
  const std::string e2 = (scratch.path() + "/e2.htm").toStdString();
  WritePageFile(e1, expected.Left);
  WritePageFile(e2, expected.Right);
  EXPECT_EQ(ReadFile(dir.WorkDir() + "c1.htm"), ReadFile(QString::fromStdString(e1)));
  EXPECT_EQ(ReadFile(dir.WorkDir() + "c2.htm"), ReadFile(QString::fromStdString(e2)));

  std::string body1 = expected.Left, body2 = expected.Right;
  ExtractBodyContent(body1);
  ExtractBodyContent(body2);
  EXPECT_EQ(UI(w).StoredBody[1], body1);
  EXPECT_EQ(UI(w).StoredBody[2], body2);

  // Both shown pages carry the three marks, measured in document order.
  for (int v = 1; v <= 2; ++v) {
    EXPECT_EQ(UI(w).Views[v]->CountElements("acronym", "t_d"), 3);
    ASSERT_EQ(UI(w).Navigation->MarkTops[v].size(), 3u);
    EXPECT_GT(UI(w).Navigation->MarkTops[v][1], UI(w).Navigation->MarkTops[v][0]);
    EXPECT_GT(UI(w).Navigation->DocHeights[v], 0);
  }
  EXPECT_EQ(UI(w).WB1->BackgroundColor(TElementRef::Item("t_d", 0)), "#ffcccc");
  EXPECT_EQ(UI(w).WB2->BackgroundColor(TElementRef::Item("t_d", 0)), "#ccffcc");
}

TEST(MainWindow, NewComparisonGivesTwoEmptyEditablePages) {
  TProgramDir dir;
  TMessages messages;
  auto w = ShowMainWindow(dir);
  SetBody(UI(w).WB1, Paragraphs({"Первая редакция текста."}));
  SetBody(UI(w).WB2, Paragraphs({"Вторая редакция текста."}));
  UI(w).bCompareTexts->click();
  ASSERT_EQ(Text(UI(w).LCurDiffTag), "Изменений: 1");

  UI(w).bCompareTexts->click();
  ExpectEntryState(*w);
  EXPECT_EQ(UI(w).Navigation->ChangeCount, 0);
  EXPECT_TRUE(UI(w).Navigation->MarkTops[1].empty());
  EXPECT_TRUE(UI(w).Navigation->MarkTops[2].empty());
  EXPECT_EQ(UI(w).Navigation->CurrentChange, -1);
  EXPECT_FALSE(UI(w).Navigation->SyncEnabled);
  EXPECT_TRUE(UI(w).StoredBody[1].empty());
  EXPECT_TRUE(UI(w).StoredBody[2].empty());
  EXPECT_TRUE(messages.List().empty());
}

TEST(MainWindow, ViewWithoutDocumentGivesEmptyTextMessage) {
  TProgramDir dir;
  TMessages messages;
  // Never shown: the views have no document yet.
  TVerCmp w(dir.AppDir());
  UI(w).Navigation->ChangeCount = 7;
  UI(w).bCompareTexts->click();
  ASSERT_EQ(messages.List().size(), 1u);
  EXPECT_EQ(messages.List()[0], "Текст 1 пуст");
  // Back to text entry, so that the missing text can be added; nothing was written.
  EXPECT_FALSE(UI(w).LCurDiffTag->isVisible());
  EXPECT_EQ(Text(UI(w).bCompareTexts), "Сравнить");
  EXPECT_FALSE(QFile::exists(dir.WorkDir() + "c1.htm"));
}

// Presses "Прервать" (or closes the main window) 700 ms after the progress window shows.
void StopSoonAfterTheRunStarts(const std::function<void(TVerCmpRun*)>& stop, bool& stopped) {
  auto* poll = new QTimer;
  QObject::connect(poll, &QTimer::timeout, [poll, stop, &stopped] {
    for (QWidget* top : QApplication::topLevelWidgets())
      if (auto* run = qobject_cast<TVerCmpRun*>(top); run && run->isVisible()) {
        QTimer::singleShot(700, run->bStop, [&stopped, run, stop] {
          stop(run);
          stopped = true;
        });
        poll->deleteLater();
        poll->stop();
      }
  });
  poll->start(50);
}

TEST(MainWindow, StopDuringLongComparisonKeepsBothTexts) {
  TProgramDir dir;
  TMessages messages;
  auto w = ShowMainWindow(dir);
  PutLongUnrelatedTexts(*w);
  const std::string text1 = UI(w).WB1->InnerText(TElementRef::Body()),
                    text2 = UI(w).WB2->InnerText(TElementRef::Body());
  ASSERT_FALSE(text1.empty());

  bool stopped = false;
  StopSoonAfterTheRunStarts([](TVerCmpRun* run) { run->bStop->click(); }, stopped);
  QElapsedTimer t;
  t.start();
  UI(w).bCompareTexts->click();
  EXPECT_TRUE(stopped);
  EXPECT_LT(t.elapsed(), 60000);

  ASSERT_EQ(messages.List().size(), 1u);
  EXPECT_EQ(messages.List()[0], "Операция прервана пользователем");
  EXPECT_EQ(UI(w).Navigation->ChangeCount, 0);
  EXPECT_TRUE(UI(w).Navigation->MarkTops[1].empty());
  ExpectEntryState(*w, text1, text2);
}

// Long texts with one change in every tenth paragraph: a quick comparison, pages of many screens.
void PutLongRelatedTexts(TVerCmp& w) {
  std::string a, b;
  for (int i = 0; i < 600; ++i) {
    const std::string line = "<p>" + W("Статья ") + std::to_string(i) + W(". Текст положения номер ") +
                             std::to_string(i) + ".</p>";
    a += line;
    b += i % 10 == 5 ? "<p>" + W("Новое положение ") + std::to_string(i) + ".</p>" : line;
  }
  SetBody(UI(w).WB1, a);
  SetBody(UI(w).WB2, b);
}

TEST(MainWindow, StopWhileThePagesLoadKeepsBothTexts) {
  TProgramDir dir;
  TMessages messages;
  auto w = ShowMainWindow(dir);
  PutLongRelatedTexts(*w);
  const std::string text1 = UI(w).WB1->InnerText(TElementRef::Body()),
                    text2 = UI(w).WB2->InnerText(TElementRef::Body());
  // "Прервать" as soon as the left view is told to load its result page.
  bool stopped = false;
  QObject::connect(UI(w).WB1, &THtmlView::BeforeNavigate, w.get(), [&](THtmlView*, const std::string& address, bool&) {
    if (stopped || address.find("c1.htm") == std::string::npos) return;
    for (QWidget* top : QApplication::topLevelWidgets())
      if (auto* run = qobject_cast<TVerCmpRun*>(top); run && run->isVisible()) {
        stopped = true;
        QTimer::singleShot(0, run->bStop, [run] { run->bStop->click(); });
      }
  });
  UI(w).bCompareTexts->click();
  EXPECT_TRUE(stopped);
  ASSERT_EQ(messages.List().size(), 1u);
  EXPECT_EQ(messages.List()[0], "Операция прервана пользователем");
  EXPECT_EQ(UI(w).Navigation->ChangeCount, 0);
  ExpectEntryState(*w, text1, text2);
}

// The view keeps the scroll position of a page loaded again from the same file: the texts were
// entered in "c1.htm" and "c2.htm", the results come in files of the same names, and still start
// at their tops, measured there.
TEST(MainWindow, TheResultStartsAtItsTop) {
  TProgramDir dir;
  TMessages messages;
  auto w = ShowMainWindow(dir);
  PutLongRelatedTexts(*w);
  for (THtmlView* v : {UI(w).WB1, UI(w).WB2}) {
    v->SetBodyScrollTop(800);
    ASSERT_EQ(v->BodyScrollTop(), 800);
  }
  UI(w).bCompareTexts->click();
  const int last = UI(w).Navigation->ChangeCount - 1;
  ASSERT_GT(last, 50);
  for (int v = 1; v <= 2; ++v) {
    EXPECT_EQ(UI(w).Views[v]->BodyScrollTop(), 0);
    EXPECT_EQ(UI(w).Navigation->MarkTops[v][0], UI(w).Views[v]->AbsoluteTop(TElementRef::Item("t_d", 0)));
    EXPECT_EQ(UI(w).Navigation->MarkTops[v][last], UI(w).Views[v]->AbsoluteTop(TElementRef::Item("t_d", last)));
    EXPECT_EQ(UI(w).Navigation->DocHeights[v], UI(w).Views[v]->BodyScrollHeight());
  }
  EXPECT_TRUE(messages.List().empty()) << (messages.List().empty() ? "" : messages.List()[0]);
}

// Unrelated texts make a long run: the progress window says so (and how long it has run) before
// the user stops it.
TEST(MainWindow, LongUnrelatedRunSaysSo) {
  TProgramDir dir;
  TMessages messages;
  auto w = ShowMainWindow(dir);
  std::string a, b;
  for (long long i = 0; i < 120000; ++i) {
    a += "w" + std::to_string(i * 7919 % 100003) + " ";
    b += "v" + std::to_string(i * 104729 % 100019) + " ";
  }
  SetBody(UI(w).WB1, "<p>" + a + "</p>");
  SetBody(UI(w).WB2, "<p>" + b + "</p>");
  std::string said;
  QTimer poll;
  QElapsedTimer shown;
  // The judgement needs the diff's first rounds, which a loaded machine makes late: wait for it
  // (within reason) before stopping.
  QObject::connect(&poll, &QTimer::timeout, [&] {
    for (QWidget* top : QApplication::topLevelWidgets())
      if (auto* run = qobject_cast<TVerCmpRun*>(top); run && run->isVisible() && run->LProgress) {
        if (!shown.isValid()) shown.start();
        said = run->LProgress->text().toStdString();
        if (said.find("Тексты почти не совпадают") == std::string::npos && shown.elapsed() < 30000) return;
        run->bStop->click();
        poll.stop();
      }
  });
  poll.start(50);
  UI(w).bCompareTexts->click();
  EXPECT_NE(said.find("Тексты почти не совпадают"), std::string::npos) << said;
  EXPECT_NE(said.find("Прошло"), std::string::npos) << said;
  ASSERT_EQ(messages.List().size(), 1u);
  EXPECT_EQ(messages.List()[0], "Операция прервана пользователем");
}

TEST(MainWindow, CloseDuringComparisonStopsItAndCloses) {
  TProgramDir dir;
  TMessages messages;
  QPointer<TVerCmp> w = ShowMainWindow(dir).release();
  PutLongUnrelatedTexts(*w);
  bool stopped = false;
  StopSoonAfterTheRunStarts([&w](TVerCmpRun*) { w->close(); }, stopped);
  UI(w).bCompareTexts->click();
  EXPECT_TRUE(stopped);
  EXPECT_TRUE(WaitFor([&] { return w.isNull(); }, 10000)) << "the window stayed open";
  EXPECT_TRUE(messages.List().empty());
}

TEST(MainWindow, PageThatCannotBeWrittenIsReportedAndTheRunCloses) {
  TProgramDir dir;
  TMessages messages;
  auto w = ShowMainWindow(dir);
  SetBody(UI(w).WB1, Paragraphs({"Первая редакция."}));
  SetBody(UI(w).WB2, Paragraphs({"Вторая редакция."}));
  // Something that is no file stands where the left page goes.
  ASSERT_TRUE(QFile::remove(dir.WorkDir() + "c1.htm"));
  ASSERT_TRUE(QDir().mkpath(dir.WorkDir() + "c1.htm"));
  UI(w).bCompareTexts->click();  // returns: the progress window does not hang
  ASSERT_EQ(messages.List().size(), 1u);
  EXPECT_NE(messages.List()[0].find("c1.htm"), std::string::npos) << messages.List()[0];
  for (QWidget* top : QApplication::topLevelWidgets())
    EXPECT_FALSE(qobject_cast<TVerCmpRun*>(top) && top->isVisible());
  // The texts stay, editable; the user can compare again once the folder is sound.
  ExpectEntryState(*w, W("Первая редакция."), W("Вторая редакция."));
  QDir(dir.WorkDir() + "c1.htm").removeRecursively();
  UI(w).bCompareTexts->click();
  EXPECT_EQ(Text(UI(w).LCurDiffTag), "Изменений: 1");
}

// «Связные изменения» and «Точное сравнение по словам» are chosen in the popup menu: the result
// shown is compared again at once, and the choice is kept for the next start.
TEST(MainWindow, ComparisonChoiceFromThePopupMenuRecomparesAndIsKept) {
  struct TForget {
    ~TForget() { QSettings().remove("Comparison"); }
  } forget;
  TProgramDir dir;
  TMessages messages;
  {
    auto w = ShowMainWindow(dir);
    EXPECT_FALSE(UI(w).acLiteralCompare->isChecked());
    EXPECT_FALSE(UI(w).acCoherentChanges->isChecked());
    // Two words replaced two common words apart.
    SetBody(UI(w).WB1, Paragraphs({"Налог в бюджет субъекта зачисляется ежегодно."}));
    SetBody(UI(w).WB2, Paragraphs({"Сбор в бюджет региона зачисляется ежегодно."}));
    UI(w).bCompareTexts->click();
    ASSERT_EQ(UI(w).Navigation->ChangeCount, 2);

    ClickPopupItem(*w, UI(w).acCoherentChanges);
    ASSERT_TRUE(WaitFor([&] { return w->Mode() == wmResult && UI(w).Navigation->ChangeCount == 1; }));
    EXPECT_EQ(Text(UI(w).LCurDiffTag), "Изменений: 1");
    for (THtmlView* v : {UI(w).WB1, UI(w).WB2}) {
      EXPECT_EQ(v->CountElements("acronym", "t_d"), 1);
      EXPECT_EQ(v->CountElements("acronym", "t_dc"), 0);
    }
    const std::vector<std::string> marked = UI(w).WB2->TextContents("acronym", {"t_d"});
    ASSERT_EQ(marked.size(), 1u);
    EXPECT_EQ(marked[0].substr(0, marked[0].find_last_not_of(' ') + 1), W("Сбор в бюджет региона"));

    ClickPopupItem(*w, UI(w).acLiteralCompare);
    ASSERT_TRUE(WaitFor([&] { return w->Mode() == wmResult && UI(w).Navigation->ChangeCount == 2; }));
    EXPECT_FALSE(UI(w).acCoherentChanges->isEnabled()) << "the exact comparison joins nothing";
    EXPECT_TRUE(UI(w).acCoherentChanges->isChecked());
    EXPECT_EQ(UI(w).WB1->CountElements("acronym", "t_d"), 2);
    EXPECT_TRUE(messages.List().empty());
  }
  auto again = ShowMainWindow(dir);
  EXPECT_TRUE(UI(again).acLiteralCompare->isChecked());
  EXPECT_TRUE(UI(again).acCoherentChanges->isChecked());
  EXPECT_FALSE(UI(again).acCoherentChanges->isEnabled());
}

PARVEL_GUI_TEST_MAIN()
