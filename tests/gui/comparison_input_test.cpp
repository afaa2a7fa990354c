// The compare command and its progress window driven by real input: mouse clicks and key presses
// go through the native windows as the user's do.
#define QTEST_QPA_MOUSE_HANDLING
#include <QMessageBox>
#include <QTest>
#include <QTimer>

#include "app/VerCmpRun.h"
#include "gui/GuiTestSupport.h"

using namespace guitest;

namespace {

TVerCmpRun* VisibleRun() {
  for (QWidget* top : QApplication::topLevelWidgets())
    if (auto* run = qobject_cast<TVerCmpRun*>(top); run && run->isVisible()) return run;
  return nullptr;
}

QMessageBox* VisibleBox() {
  for (QWidget* top : QApplication::topLevelWidgets())
    if (auto* box = qobject_cast<QMessageBox*>(top); box && box->isVisible()) return box;
  return nullptr;
}

void ExpectEntryWithTexts(TVerCmp& w, const std::string& text1, const std::string& text2) {
  EXPECT_EQ(UI(w).bCompareTexts->text().toStdString(), "Сравнить");
  EXPECT_FALSE(UI(w).LCurDiffTag->isVisible());
  for (THtmlView* v : {UI(w).WB1, UI(w).WB2}) {
    EXPECT_TRUE(v->DesignMode());
    EXPECT_EQ(v->InnerText(TElementRef::Body()), v == UI(w).WB1 ? text1 : text2);
  }
}

}  // namespace

// Two unrelated texts keep the diff busy for minutes; a click on «Прервать», Esc or Space ends
// the run within about a second and both texts come back.
TEST(ComparisonInput, StopClickEscAndSpaceEndAnUnrelatedRunAtOnce) {
  TProgramDir dir;
  TMessages messages;
  auto w = ShowMainWindow(dir);
  PutLongUnrelatedTexts(*w, 120000);
  const std::string text1 = UI(w).WB1->InnerText(TElementRef::Body()),
                    text2 = UI(w).WB2->InnerText(TElementRef::Body());
  const std::vector<std::function<void(TVerCmpRun*)>> stops = {
      [](TVerCmpRun* run) { QTest::mouseClick(run->bStop, Qt::LeftButton); },
      [](TVerCmpRun* run) { QTest::keyClick(run->windowHandle(), Qt::Key_Escape); },
      [](TVerCmpRun* run) {
        run->bStop->setFocus();
        QTest::keyClick(run->windowHandle(), Qt::Key_Space);
      }};
  for (size_t n = 0; n < stops.size(); ++n) {
    SCOPED_TRACE(n);
    messages.Clear();
    QElapsedTimer sinceStop;
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, [&] {
      // Once the diff has run a while: the progress window says how long.
      if (TVerCmpRun* run = VisibleRun(); run && run->LProgress) {
        poll.stop();
        sinceStop.start();
        stops[n](run);
      }
    });
    poll.start(50);
    QTest::mouseClick(UI(w).bCompareTexts, Qt::LeftButton);
    ASSERT_TRUE(sinceStop.isValid()) << "the run ended before it was stopped";
    EXPECT_LT(sinceStop.elapsed(), 2500);
    EXPECT_EQ(VisibleRun(), nullptr);
    ASSERT_EQ(messages.List().size(), 1u);
    EXPECT_EQ(messages.List()[0], "Операция прервана пользователем");
    ExpectEntryWithTexts(*w, text1, text2);
  }
}

// A pane with nothing to compare (empty, or only markup and blanks) is named; the entry state
// and the other pane's text stay.
TEST(ComparisonInput, EmptyPaneIsNamedAndTheEntryStateKept) {
  TProgramDir dir;
  TMessages messages;
  auto w = ShowMainWindow(dir);
  const std::string text = "<p>" + W("Статья 1. Текст.") + "</p>";
  const std::string blank = "<p>&nbsp;</p><p> </p><table><tr><td> </td></tr></table>";
  struct TCase {
    std::string left, right, said;
  };
  for (const TCase& c : {TCase{"", "", "Вставьте или откройте текст в левом окне"},
                         TCase{blank, text, "Вставьте или откройте текст в левом окне"},
                         TCase{text, "", "Вставьте или откройте текст в правом окне"},
                         TCase{text, blank, "Вставьте или откройте текст в правом окне"}}) {
    SCOPED_TRACE(c.said + " " + c.left + " | " + c.right);
    messages.Clear();
    SetBody(UI(w).WB1, c.left);
    SetBody(UI(w).WB2, c.right);
    const std::string text1 = UI(w).WB1->InnerText(TElementRef::Body()),
                      text2 = UI(w).WB2->InnerText(TElementRef::Body());
    QTest::mouseClick(UI(w).bCompareTexts, Qt::LeftButton);
    ASSERT_EQ(messages.List().size(), 1u);
    EXPECT_EQ(messages.List()[0], c.said);
    ExpectEntryWithTexts(*w, text1, text2);
  }
}

// A result page that cannot be written: the progress window closes, then one box says so and
// closes with Enter or Esc; the texts stay and the next comparison works.
TEST(ComparisonInput, FailedPageWriteGivesOneBoxThatCloses) {
  TProgramDir dir;
  auto w = ShowMainWindow(dir);
  SetBody(UI(w).WB1, "<p>" + W("Первая редакция.") + "</p>");
  SetBody(UI(w).WB2, "<p>" + W("Вторая редакция.") + "</p>");
  ASSERT_TRUE(QFile::remove(dir.WorkDir() + "c1.htm"));
  ASSERT_TRUE(QDir().mkpath(dir.WorkDir() + "c1.htm"));
  for (Qt::Key key : {Qt::Key_Return, Qt::Key_Escape}) {
    SCOPED_TRACE(key);
    int boxes = 0;
    bool runShownWithBox = false, keyIgnored = false;
    QString said;
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, [&] {
      if (QMessageBox* box = VisibleBox(); box && box->property("seen").isNull()) {
        box->setProperty("seen", true);
        ++boxes;
        said = box->text();
        runShownWithBox = runShownWithBox || VisibleRun() != nullptr;
        QTest::keyClick(box->windowHandle(), key);
        // A box the key did not close is closed here, so that the test fails instead of hanging.
        QTimer::singleShot(3000, box, [box, &keyIgnored] {
          keyIgnored = true;
          box->done(QMessageBox::Ok);
        });
      }
    });
    poll.start(50);
    QTest::mouseClick(UI(w).bCompareTexts, Qt::LeftButton);  // returns once the box is closed
    poll.stop();
    EXPECT_EQ(boxes, 1);
    EXPECT_FALSE(keyIgnored);
    EXPECT_FALSE(runShownWithBox);
    EXPECT_NE(said.indexOf("c1.htm"), -1) << said.toStdString();
    EXPECT_EQ(VisibleBox(), nullptr);
    ExpectEntryWithTexts(*w, W("Первая редакция."), W("Вторая редакция."));
  }
  QDir(dir.WorkDir() + "c1.htm").removeRecursively();
  TMessages messages;
  QTest::mouseClick(UI(w).bCompareTexts, Qt::LeftButton);
  EXPECT_EQ(UI(w).LCurDiffTag->text().toStdString(), "Изменений: 1");
  EXPECT_TRUE(messages.List().empty());
}

PARVEL_GUI_TEST_MAIN()
