// Real edition pairs through the real window: the marks the window shows are the ones the page
// builder makes, and the window keeps handling events while a large pair is compared.
//
// PARVEL_CORPUS_PAIR names the pair (default "03_nk1_st45"); bench/gui_compare.sh runs the largest
// one and reads the "compare-ms" line. PARVEL_SCREENSHOT_DIR, when set, receives a picture of
// the window in each state.
#include <QElapsedTimer>
#include <QMessageBox>
#include <QPainter>
#include <QPixmap>
#include <QTimer>

#include "app/VerCmpRun.h"
#include "engine/ComparisonModel.h"
#include "engine/Diff.h"
#include "engine/ResultPages.h"
#include "gui/GuiTestSupport.h"

using namespace guitest;

namespace {

// A corpus file's body content (the files are body fragments in Windows-1251).
std::string CorpusBody(const std::string& name) {
  std::string s = ReadFile(QString(PARVEL_CORPUS_DIR) + "/" + QString::fromStdString(name));
  ExtractBodyContent(s);
  return s;
}

void Snapshot(QWidget* w, const char* name) {
  const QByteArray dir = qgetenv("PARVEL_SCREENSHOT_DIR");
  if (dir.isEmpty()) return;
  WaitFor([] { return false; }, 1000);  // let the views paint
  w->grab().save(QString::fromUtf8(dir) + "/" + name + ".png");
}

std::string PairName() {
  const QByteArray pair = qgetenv("PARVEL_CORPUS_PAIR");
  return pair.isEmpty() ? std::string("03_nk1_st45") : pair.toStdString();
}

}  // namespace

TEST(CorpusCompare, PairThroughTheWindow) {
  const std::string pair = PairName();
  const std::string oldBody = CorpusBody(pair + "_old.htm"), newBody = CorpusBody(pair + "_new.htm");
  ASSERT_FALSE(oldBody.empty()) << pair;
  ASSERT_FALSE(newBody.empty()) << pair;

  TProgramDir dir;
  TMessages messages;
  auto w = ShowMainWindow(dir);
  Snapshot(w.get(), "1_start");
  SetBody(UI(w).WB1, oldBody);
  SetBody(UI(w).WB2, newBody);
  Snapshot(w.get(), "2_texts_pasted");
  const std::string head = PageHead("etalon5.css");
  const std::string text1 = head + UI(w).WB1->OuterHtml(TElementRef::Body()) + "</html>";
  const std::string text2 = head + UI(w).WB2->OuterHtml(TElementRef::Body()) + "</html>";

  // A timer of the main window keeps firing while the run compares.
  int ticks = 0;
  qint64 lastTick = 0, longestGap = 0;
  QElapsedTimer clock;
  QTimer heartbeat;
  QObject::connect(&heartbeat, &QTimer::timeout, [&] {
    const qint64 now = clock.elapsed();
    if (ticks > 0) longestGap = std::max(longestGap, now - lastTick);
    lastTick = now;
    ++ticks;
  });
  // When each view has finished loading its result page: the pages are there to be seen, while
  // the window may still be closing the progress window and entering the result.
  QCoreApplication::processEvents();  // no completion of an earlier load is still on its way
  qint64 loaded[3] = {-1, -1, -1};
  for (int v = 1; v <= 2; ++v)
    QObject::connect(UI(w).Views[v], &THtmlView::DocumentComplete, w.get(), [&loaded, &clock, v] {
      if (loaded[v] < 0) loaded[v] = clock.elapsed();
    });
  clock.start();
  heartbeat.start(20);
  UI(w).bCompareTexts->click();
  const qint64 elapsed = clock.elapsed();
  heartbeat.stop();
  std::printf("compare-ms %lld pair %s changes %d ticks %d longest-gap-ms %lld pages-loaded-ms %lld\n",
              static_cast<long long>(elapsed), pair.c_str(), UI(w).Navigation->ChangeCount, ticks,
              static_cast<long long>(longestGap), static_cast<long long>(std::max(loaded[1], loaded[2])));
  Snapshot(w.get(), "3_result");
  {
    // The floor: the two finished pages loaded into two fresh views, both at once, nothing else.
    std::unique_ptr<THtmlView> fresh[2] = {std::unique_ptr<THtmlView>(CreateHtmlView(nullptr)),
                                           std::unique_ptr<THtmlView>(CreateHtmlView(nullptr))};
    for (auto& v : fresh) {
      v->resize(UI(w).WB1->size());
      v->show();
    }
    QElapsedTimer floorClock;
    floorClock.start();
    fresh[0]->Navigate((dir.WorkDir() + "c1.htm").toStdString());
    fresh[1]->Navigate((dir.WorkDir() + "c2.htm").toStdString());
    for (auto& v : fresh) EXPECT_TRUE(v->WaitReady(60000));
    const qint64 loadedMs = floorClock.elapsed();
    // Loaded is not yet seen: the views lay the pages out before they can paint them. The first
    // question about the layout waits for that, in both views at once.
    for (auto& v : fresh) v->StartMeasureMarks("acronym", "t_d", false);
    for (auto& v : fresh) v->TakeMeasuredMarks();
    std::printf("floor-ms %lld laid-out-ms %lld\n", static_cast<long long>(loadedMs),
                static_cast<long long>(floorClock.elapsed()));
  }

  EXPECT_TRUE(messages.List().empty());
  EXPECT_GT(ticks, 1);
  TDiff diff;
  const TResultPages expected = BuildResultPages(BuildComparisonModel(text1, text2, diff, kDefaultComparisonOptions));
  EXPECT_EQ(UI(w).Navigation->ChangeCount, expected.ChangeCount);
  EXPECT_EQ(UI(w).LCurDiffTag->text().toStdString(),
            "Изменений: " + std::to_string(expected.ChangeCount));
  EXPECT_EQ(UI(w).bNextDiff->isEnabled(), expected.ChangeCount > 0);
  for (int v = 1; v <= 2; ++v) {
    EXPECT_EQ(UI(w).Views[v]->CountElements("acronym", "t_d"), expected.ChangeCount);
    EXPECT_EQ(static_cast<int>(UI(w).Navigation->MarkTops[v].size()), expected.ChangeCount);
  }
  if (expected.ChangeCount > 2 && !qEnvironmentVariableIsEmpty("PARVEL_SCREENSHOT_DIR")) {
    UI(w).bNextDiff->click();
    UI(w).bNextDiff->click();
    Snapshot(w.get(), "3b_current_change");
  }
  // Marks lie in document order.
  for (size_t i = 1; i < UI(w).Navigation->MarkTops[1].size(); ++i) EXPECT_GE(UI(w).Navigation->MarkTops[1][i], UI(w).Navigation->MarkTops[1][i - 1]);
}

// The abort picture (taken only when pictures are asked for): the message box over the window.
TEST(CorpusCompare, AbortPicture) {
  if (qEnvironmentVariableIsEmpty("PARVEL_SCREENSHOT_DIR")) GTEST_SKIP();
  TProgramDir dir;
  auto w = ShowMainWindow(dir);
  PutLongUnrelatedTexts(*w);
  QTimer poll;
  bool pressed = false;
  QObject::connect(&poll, &QTimer::timeout, [&] {
    for (QWidget* top : QApplication::topLevelWidgets()) {
      if (auto* run = qobject_cast<TVerCmpRun*>(top); run && run->isVisible() && !pressed) {
        pressed = true;
        QTimer::singleShot(600, run, [run, &w] {
          // The progress window over the main window, then the stop.
          QPixmap shot = w->grab();
          QPainter p(&shot);
          p.drawPixmap(run->geometry().topLeft() - w->geometry().topLeft(), run->grab());
          p.end();
          shot.save(QString::fromUtf8(qgetenv("PARVEL_SCREENSHOT_DIR")) + "/4_running.png");
          run->bStop->click();
        });
      }
      if (auto* box = qobject_cast<QMessageBox*>(top); box && box->isVisible()) {
        QPixmap shot = w->grab();
        QPainter p(&shot);
        p.drawPixmap(box->geometry().topLeft() - w->geometry().topLeft(), box->grab());
        p.end();
        shot.save(QString::fromUtf8(qgetenv("PARVEL_SCREENSHOT_DIR")) + "/5_aborted_message.png");
        box->accept();
        poll.stop();
      }
    }
  });
  poll.start(100);
  UI(w).bCompareTexts->click();
  Snapshot(w.get(), "6_aborted");
  EXPECT_EQ(UI(w).Navigation->ChangeCount, 0);
}

PARVEL_GUI_TEST_MAIN()
