// Stepping through the changes of a real comparison, the views scrolling in step, the position
// bar and the zoom, all in the real window with real pages.
//
// PARVEL_NAV_BENCH=1 also runs the timing of measuring and stepping on the largest corpus pair
// (bench/navigation_bench.sh); PARVEL_SCREENSHOT_DIR receives a picture of a result with the
// current change highlighted.
#include <QImage>
#include <QKeyEvent>
#include <QProcess>
#include <QTimer>
#include <QPushButton>
#include <QtTest/QTest>

#include <algorithm>
#include <chrono>
#include <cstdio>

#include "engine/ResultPages.h"
#include "gui/GuiTestSupport.h"
#include "navigation/Navigation.h"
#include "navigation/NavigationBusy.h"
#include "navigation/NavigationMath.h"

using namespace guitest;

namespace {

std::string Text(QLabel* l) { return l->text().toStdString(); }

// Sixty numbered paragraphs of two to three lines each; `edit` may change a paragraph's text
// (empty: the paragraph is left out).
std::string Paragraphs(const std::function<std::string(int, std::string)>& edit) {
  std::string s;
  for (int i = 1; i <= 60; ++i) {
    std::string p = "Статья " + std::to_string(i) +
                    ". Настоящий пункт устанавливает порядок исчисления и уплаты сбора, сроки "
                    "представления отчётности и права плательщиков при проверке, номер " +
                    std::to_string(i) + ".";
    p = edit(i, p);
    if (!p.empty()) s += "<p>" + W(p.c_str()) + "</p>";
  }
  return s;
}

std::string OldText() {
  return Paragraphs([](int, std::string p) { return p; });
}

// Changes at paragraphs 5 (a word), 15 (a long insertion after it), 30 (deleted), 45 (a word).
std::string NewText() {
  return Paragraphs([](int i, std::string p) -> std::string {
    if (i == 5) return "Статья 5. Настоящий пункт отменяет порядок исчисления и уплаты сбора, сроки "
                       "представления отчётности и права плательщиков при проверке, номер 5.";
    if (i == 15) {
      std::string extra = "</p><p>";
      for (int k = 0; k < 12; ++k) extra += "Новый абзац о зачёте и возврате излишне уплаченных сумм. ";
      return p + extra;
    }
    if (i == 30) return "";
    if (i == 45) return "Статья 45. Настоящий пункт устанавливает порядок исчисления и уплаты взноса, "
                        "сроки представления отчётности и права плательщиков при проверке, номер 45.";
    return p;
  });
}

// A shown window after "Сравнить" on the two bodies.
std::unique_ptr<TVerCmp> Compared(const TProgramDir& dir, const std::string& body1,
                                  const std::string& body2) {
  auto w = ShowMainWindow(dir);
  SetBody(UI(w).WB1, body1);
  SetBody(UI(w).WB2, body2);
  UI(w).bCompareTexts->click();
  EXPECT_TRUE(UI(w).Navigation->ResultShown);
  EXPECT_TRUE(UI(w).Navigation->SyncEnabled);
  return w;
}

// Where a step puts the mark of a short change: the find panel's room of text above it, less
// near the top of the page.
int Above(TVerCmp& w, int v, int k) {
  return std::min(navmath::ContextAboveChange, UI(w).Navigation->MarkTops[v][static_cast<size_t>(k)]);
}

std::string Colour(TVerCmp& w, int v, int i) {
  return UI(w).Views[v]->BackgroundColor(TElementRef::Item("t_d", i));
}

// Lets the views' scroll notifications arrive and be handled.
void Settle(int ms = 300) {
  QElapsedTimer t;
  t.start();
  while (t.elapsed() < ms) QApplication::processEvents(QEventLoop::AllEvents, 20);
}

// Scrolls a view as the user would and waits until synchronisation has seen it.
void UserScroll(TVerCmp& w, int v, int top) {
  UI(w).Views[v]->SetBodyScrollTop(top);
  WaitFor([&] { return UI(w).Navigation->LastScrollTop[v] == top; }, 5000);
  Settle(150);
}

QImage BarImage(TVerCmp& w) {
  UI(w).pbDiffPos->update();
  return UI(w).pbDiffPos->grab().toImage();
}

bool IsLine(QRgb c) { return qRed(c) == 255 && qGreen(c) == 119 && qBlue(c) == 119; }

// The rows of the bar where a line is drawn, with its columns checked: every column but the last.
std::vector<int> LineRows(TVerCmp& w) {
  const QImage img = BarImage(w);
  std::vector<int> rows;
  const qreal dpr = img.devicePixelRatio();
  for (int y = 0; y < img.height(); ++y) {
    if (!IsLine(img.pixel(0, y))) continue;
    rows.push_back(static_cast<int>(y / dpr));
    for (int x = 0; x + 1 < img.width(); ++x) EXPECT_TRUE(IsLine(img.pixel(x, y))) << "row " << y;
    EXPECT_FALSE(IsLine(img.pixel(img.width() - 1, y))) << "the last column stays empty";
  }
  return rows;
}

}  // namespace

TEST(Navigation, StepsThroughTheChangesWithoutWrapping) {
  TProgramDir dir;
  TMessages messages;
  auto w = Compared(dir, OldText(), NewText());
  const int m = UI(w).Navigation->ChangeCount;
  ASSERT_GE(m, 4);
  ASSERT_EQ(UI(w).Navigation->MarkTops[1].size(), static_cast<size_t>(m));
  EXPECT_EQ(UI(w).Navigation->CurrentChange, -1);
  EXPECT_EQ(Text(UI(w).LCurDiffTag), "Изменений: " + std::to_string(m));

  // Colours as the result pages wrote them, before anything is highlighted.
  std::vector<std::string> written[3];
  for (int v = 1; v <= 2; ++v)
    for (int i = 0; i < m; ++i) written[v].push_back(Colour(*w, v, i));

  UI(w).bNextDiff->click();
  EXPECT_EQ(UI(w).Navigation->CurrentChange, 0);
  EXPECT_EQ(Text(UI(w).LCurDiffTag), "1 из " + std::to_string(m));
  EXPECT_FALSE(UI(w).bPrevDiff->isEnabled());
  EXPECT_TRUE(UI(w).bNextDiff->isEnabled());
  EXPECT_EQ(Colour(*w, 1, 0), "#ff7777");  // the struck-through left side of a replaced word
  EXPECT_EQ(Colour(*w, 2, 0), "#77ff77");
  EXPECT_EQ(UI(w).Navigation->SavedMarkColor[1], "#ffcccc");
  EXPECT_EQ(UI(w).Navigation->SavedMarkColor[2], "#ccffcc");

  // Every step to the last change, then next does nothing.
  for (int n = 1; n < m; ++n) {
    UI(w).Navigation->bNextDiffClick();
    ASSERT_EQ(UI(w).Navigation->CurrentChange, n);
    EXPECT_EQ(Text(UI(w).LCurDiffTag), std::to_string(n + 1) + " из " + std::to_string(m));
    for (int v = 1; v <= 2; ++v) {
      EXPECT_EQ(Colour(*w, v, n - 1), written[v][n - 1]) << "restored, view " << v << " mark " << n - 1;
      EXPECT_EQ(Colour(*w, v, n), navmath::HighlightColour(written[v][n]));
    }
    EXPECT_TRUE(UI(w).bPrevDiff->isEnabled());
  }
  EXPECT_FALSE(UI(w).bNextDiff->isEnabled());
  UI(w).Navigation->bNextDiffClick();
  EXPECT_EQ(UI(w).Navigation->CurrentChange, m - 1);
  EXPECT_EQ(Text(UI(w).LCurDiffTag), std::to_string(m) + " из " + std::to_string(m));

  // And back down to the first; previous then does nothing.
  for (int n = m - 2; n >= 0; --n) {
    UI(w).bPrevDiff->click();
    ASSERT_EQ(UI(w).Navigation->CurrentChange, n);
    for (int v = 1; v <= 2; ++v) EXPECT_EQ(Colour(*w, v, n + 1), written[v][n + 1]);
  }
  EXPECT_FALSE(UI(w).bPrevDiff->isEnabled());
  UI(w).Navigation->bPrevDiffClick();
  EXPECT_EQ(UI(w).Navigation->CurrentChange, 0);
  EXPECT_EQ(Text(UI(w).LCurDiffTag), "1 из " + std::to_string(m));
  // Only the colour is touched: the struck-through style of a deletion mark stays.
  const auto del = std::find(written[1].begin() + 1, written[1].end(), "#ffcccc");
  ASSERT_NE(del, written[1].end());
  const std::string tag =
      UI(w).WB1->OuterHtml(TElementRef::Item("t_d", static_cast<int>(del - written[1].begin())));
  EXPECT_NE(tag.substr(0, tag.find('>')).find("line-through"), std::string::npos) << tag;
  EXPECT_TRUE(messages.List().empty());
}

// A change written in four pieces (it crosses a bold word and a paragraph end) is coloured whole
// while current, and every piece gets its colour back afterwards.
TEST(Navigation, ChangeInPiecesIsColouredWhole) {
  TProgramDir dir;
  TMessages messages;
  auto w = Compared(dir, "<p>" + W("Начало.") + "</p><p>" + W("Конец текста.") + "</p>",
                    "<p>" + W("Начало.") + "</p><p>" + W("новый <b>пункт</b> статьи") + "</p><p>" + W("вставлен.") +
                        "</p><p>" + W("Конец всего текста.") + "</p>");
  ASSERT_EQ(UI(w).Navigation->ChangeCount, 2);
  auto pieces = [&] { return UI(w).WB2->BackgroundColors("acronym", "t_dc"); };
  ASSERT_EQ(pieces().size(), 3u);
  UI(w).Navigation->bNextDiffClick();
  EXPECT_EQ(Colour(*w, 2, 0), "#77ff77");
  EXPECT_EQ(pieces(), (std::vector<std::string>(3, "#77ff77")));
  UI(w).Navigation->bNextDiffClick();
  EXPECT_EQ(Colour(*w, 2, 0), "#ccffcc");
  EXPECT_EQ(pieces(), (std::vector<std::string>(3, "#ccffcc")));
  EXPECT_EQ(Colour(*w, 2, 1), "#77ff77");
  EXPECT_TRUE(messages.List().empty());
}

TEST(Navigation, GoToChangeScrollsBothViewsToTheMark) {
  TProgramDir dir;
  auto w = Compared(dir, OldText(), NewText());
  const int m = UI(w).Navigation->ChangeCount;
  ASSERT_GE(m, 4);
  const int k = m - 2;  // far down both pages
  UI(w).Navigation->GoToChange(k);
  EXPECT_TRUE(UI(w).Navigation->SyncEnabled);
  for (int v = 1; v <= 2; ++v) {
    THtmlView* view = UI(w).Views[v];
    EXPECT_EQ(UI(w).Navigation->LastScrollTop[v], view->BodyScrollTop());
    EXPECT_GT(view->BodyScrollTop(), 0);
    EXPECT_EQ(view->BoundingTop(TElementRef::Item("t_d", k)), Above(*w, v, k)) << "view " << v;
    EXPECT_NEAR(view->BodyScrollTop(), UI(w).Navigation->MarkTops[v][k] - Above(*w, v, k), 1);
  }
  // The scrolls made by the step do not count as the user's: nothing moves afterwards.
  const int top1 = UI(w).WB1->BodyScrollTop(), top2 = UI(w).WB2->BodyScrollTop();
  Settle();
  EXPECT_EQ(UI(w).WB1->BodyScrollTop(), top1);
  EXPECT_EQ(UI(w).WB2->BodyScrollTop(), top2);
  EXPECT_EQ(UI(w).Navigation->CurrentChange, k);
}

TEST(Navigation, FocusedViewLeadsTheOtherByThePairOffset) {
  TProgramDir dir;
  auto w = Compared(dir, OldText(), NewText());
  const int m = UI(w).Navigation->ChangeCount;
  ASSERT_GE(m, 4);
  const auto& t1 = UI(w).Navigation->MarkTops[1];
  const auto& t2 = UI(w).Navigation->MarkTops[2];
  // A pair past the insertion: the right page's mark lies lower than the left one's.
  int k = -1;
  for (int i = 1; i < m; ++i)
    if (t2[i] - t1[i] > 50 && t1[i] > t1[i - 1] + 1) {
      k = i;
      break;
    }
  ASSERT_GE(k, 1) << "no pair with an offset";
  ASSERT_EQ(UI(w).CurrentView, 1);

  // A mark exactly at the top edge counts as at or below it.
  UserScroll(*w, 1, t1[k]);
  EXPECT_EQ(UI(w).Navigation->SyncOffset, t2[k] - t1[k]);
  EXPECT_EQ(UI(w).WB2->BodyScrollTop(), t1[k] + UI(w).Navigation->SyncOffset);
  EXPECT_EQ(UI(w).Navigation->LastScrollTop[2], t1[k] + UI(w).Navigation->SyncOffset);
  EXPECT_EQ(UI(w).Navigation->CurrentChange, k) << "scrolling makes the change at the top current";
  EXPECT_EQ(Colour(*w, 1, k), navmath::HighlightColour(UI(w).Navigation->SavedMarkColor[1]));
  EXPECT_EQ(Colour(*w, 2, k), navmath::HighlightColour(UI(w).Navigation->SavedMarkColor[2]));

  // One pixel above it: still the same pair; one below: the previous one has been passed.
  UserScroll(*w, 1, t1[k] - 1);
  EXPECT_EQ(UI(w).WB2->BodyScrollTop(), t1[k] - 1 + (t2[k] - t1[k]));
  UserScroll(*w, 1, t1[k - 1] + 1);
  EXPECT_EQ(UI(w).Navigation->CurrentChange, k);

  // Scrolling the view without the focus moves nothing.
  const int before1 = UI(w).WB1->BodyScrollTop();
  const int offset = UI(w).Navigation->SyncOffset;
  UI(w).WB2->SetBodyScrollTop(10);
  Settle();
  EXPECT_EQ(UI(w).WB1->BodyScrollTop(), before1);
  EXPECT_EQ(UI(w).Navigation->SyncOffset, offset);

  // Now the right view has the focus and leads.
  UI(w).Links->WB1Enter(UI(w).WB2);
  ASSERT_EQ(UI(w).CurrentView, 2);
  UserScroll(*w, 2, t2[k]);
  EXPECT_EQ(UI(w).Navigation->SyncOffset, t1[k] - t2[k]);
  EXPECT_EQ(UI(w).WB1->BodyScrollTop(), t1[k]);
}

TEST(Navigation, FastScrollingEndsLevel) {
  TProgramDir dir;
  auto w = Compared(dir, OldText(), NewText());
  ASSERT_GE(UI(w).Navigation->ChangeCount, 4);
  // The leading view moves on while a synchronisation step is still talking to the views; the
  // other view must end where the leading one stopped, not where it was when the step began.
  const int base = UI(w).Navigation->MarkTops[1][1];
  UserScroll(*w, 1, base);
  const int final1 = base + 300;
  for (int round = 0; round < 3; ++round) {
    UI(w).WB1->SetBodyScrollTop(final1 - 100 + 40 * round);
    // The user scrolls on while the step waits for its first answer.
    QTimer::singleShot(0, [&] { UI(w).WB1->SetBodyScrollTop(final1 + round); });
    UI(w).Navigation->SyncScroll(UI(w).WB1);
    WaitFor([&] { return UI(w).Navigation->LastScrollTop[1] == final1 + round; }, 3000);
    Settle();
    EXPECT_EQ(UI(w).Navigation->LastScrollTop[1], final1 + round);
    EXPECT_EQ(UI(w).WB2->BodyScrollTop(), final1 + round + UI(w).Navigation->SyncOffset);
  }
  EXPECT_TRUE(UI(w).Navigation->SyncEnabled);
}

TEST(Navigation, StepsAskedForDuringAStepAreCarriedOutAfterIt) {
  TProgramDir dir;
  auto w = Compared(dir, OldText(), NewText());
  ASSERT_GE(UI(w).Navigation->ChangeCount, 4);
  // The timer fires inside the first wait of the step for the views: a quick second press.
  bool fired = false;
  QTimer::singleShot(0, [&] {
    fired = true;
    UI(w).Navigation->bNextDiffClick();
  });
  UI(w).Navigation->bNextDiffClick();
  EXPECT_TRUE(fired);
  EXPECT_EQ(UI(w).Navigation->CurrentChange, 1);
  for (int v = 1; v <= 2; ++v)
    EXPECT_NEAR(UI(w).Views[v]->BoundingTop(TElementRef::Item("t_d", 1)), Above(*w, v, 1), 1) << "view " << v;

  // A held key: every press moves one change, none is lost, none goes past the last change.
  const int m = UI(w).Navigation->ChangeCount;
  w->activateWindow();
  UI(w).WB1->FocusDocument();
  ASSERT_TRUE(WaitFor([&] { return UI(w).WB1->isAncestorOf(QApplication::focusWidget()); }, 5000));
  for (int i = 0; i < 2; ++i)
    QTimer::singleShot(0, [&] {
      QTest::keyClick(QApplication::focusWidget(), Qt::Key_Down, Qt::ControlModifier);
    });
  QTest::keyClick(QApplication::focusWidget(), Qt::Key_Down, Qt::ControlModifier);
  EXPECT_TRUE(WaitFor([&] { return UI(w).Navigation->CurrentChange == 4 || m == 4; }, 5000));
  EXPECT_EQ(UI(w).Navigation->CurrentChange, std::min(4, m - 1));
  for (int i = 0; i < 20; ++i)
    QTimer::singleShot(0, [&] { UI(w).Navigation->bPrevDiffClick(); });
  UI(w).Navigation->bPrevDiffClick();
  EXPECT_TRUE(WaitFor([&] { return UI(w).Navigation->CurrentChange == 0; }, 10000));
  Settle();
  EXPECT_EQ(UI(w).Navigation->CurrentChange, 0);
  for (int v = 1; v <= 2; ++v)
    EXPECT_NEAR(UI(w).Views[v]->BoundingTop(TElementRef::Item("t_d", 0)), Above(*w, v, 0), 1) << "view " << v;
}

TEST(Navigation, BelowTheLastMarkTheLastOffsetStays) {
  TProgramDir dir;
  auto w = Compared(dir, OldText(), NewText());
  const int m = UI(w).Navigation->ChangeCount;
  ASSERT_GE(m, 2);
  const int last = UI(w).Navigation->MarkTops[1][m - 1];
  UserScroll(*w, 1, last);
  const int offset = UI(w).Navigation->SyncOffset;
  EXPECT_EQ(offset, UI(w).Navigation->MarkTops[2][m - 1] - last);
  UserScroll(*w, 1, last + 40);
  EXPECT_EQ(UI(w).Navigation->SyncOffset, offset);
  EXPECT_EQ(UI(w).Navigation->LastScrollTop[2], last + 40 + offset);
}

TEST(Navigation, WithoutChangesTheViewsScrollTogether) {
  TProgramDir dir;
  auto w = Compared(dir, OldText(), OldText());
  ASSERT_EQ(UI(w).Navigation->ChangeCount, 0);
  EXPECT_FALSE(UI(w).bNextDiff->isEnabled());
  EXPECT_TRUE(UI(w).Navigation->MarkTops[1].empty());
  UserScroll(*w, 1, 321);
  EXPECT_EQ(UI(w).WB2->BodyScrollTop(), 321);
  EXPECT_EQ(UI(w).Navigation->SyncOffset, 0);
  UI(w).Navigation->bNextDiffClick();
  EXPECT_EQ(UI(w).Navigation->CurrentChange, -1);
}

TEST(Navigation, CtrlDownAndCtrlUpStepAlsoFromAView) {
  TProgramDir dir;
  auto w = Compared(dir, OldText(), NewText());
  ASSERT_GE(UI(w).Navigation->ChangeCount, 3);
  InstallNavigation(*w, *UI(w).Navigation);  // a second call changes nothing
  w->activateWindow();
  UI(w).WB1->FocusDocument();
  WaitFor([&] { return QApplication::focusWidget() != nullptr; }, 3000);
  QWidget* target = QApplication::focusWidget();
  ASSERT_NE(target, nullptr);
  ASSERT_TRUE(UI(w).WB1->isAncestorOf(target)) << "the focus is not in the left view";

  QTest::keyClick(target, Qt::Key_Down, Qt::ControlModifier);
  EXPECT_EQ(UI(w).Navigation->CurrentChange, 0);
  QTest::keyClick(QApplication::focusWidget(), Qt::Key_Down, Qt::ControlModifier);
  EXPECT_EQ(UI(w).Navigation->CurrentChange, 1);
  QTest::keyClick(QApplication::focusWidget(), Qt::Key_Up, Qt::ControlModifier);
  EXPECT_EQ(UI(w).Navigation->CurrentChange, 0);
  // From a button as well.
  UI(w).bCompareTexts->setFocus();
  QTest::keyClick(UI(w).bCompareTexts, Qt::Key_Down, Qt::ControlModifier);
  EXPECT_EQ(UI(w).Navigation->CurrentChange, 1);
  // Plain arrows are the view's own.
  QTest::keyClick(UI(w).bCompareTexts, Qt::Key_Down);
  EXPECT_EQ(UI(w).Navigation->CurrentChange, 1);
}

TEST(Navigation, ResizeRemeasuresExceptAtTheFixedSize) {
  TProgramDir dir;
  auto w = Compared(dir, OldText(), NewText());
  ASSERT_GE(UI(w).Navigation->ChangeCount, 1);
  const int measured = UI(w).Navigation->MarkTops[1][0];
  UI(w).Navigation->MarkTops[1][0] = -12345;  // would come back from a measurement
  w->resize(984, 480);
  Settle();
  EXPECT_EQ(UI(w).Navigation->MarkTops[1][0], -12345);
  w->resize(1100, 620);
  Settle();
  EXPECT_EQ(UI(w).Navigation->MeasuredSize, QSize(1100, 620));
  EXPECT_GE(UI(w).Navigation->MarkTops[1][0], 0);
  EXPECT_NE(UI(w).Navigation->MarkTops[1][0], -12345);
  (void)measured;
  // Asking again at the same size is not a resize.
  UI(w).Navigation->MarkTops[1][0] = -1;
  UI(w).Navigation->RecalcMarkPositions(true);
  EXPECT_EQ(UI(w).Navigation->MarkTops[1][0], -1);
  UI(w).Navigation->RecalcMarkPositions();
  EXPECT_GE(UI(w).Navigation->MarkTops[1][0], 0);
}

TEST(PositionBar, EmptyBeforeAComparison) {
  TProgramDir dir;
  auto w = ShowMainWindow(dir);
  const QImage img = BarImage(*w);
  ASSERT_FALSE(img.isNull());
  const QColor face = UI(w).pbDiffPos->palette().color(QPalette::Window);
  EXPECT_EQ(UI(w).pbDiffPos->width(), 8);
  EXPECT_EQ(UI(w).pbDiffPos->height(), UI(w).WB1->height());
  for (int y = 0; y < img.height(); y += 7)
    for (int x = 0; x < img.width(); ++x) ASSERT_EQ(QColor(img.pixel(x, y)), face);
}

TEST(PositionBar, RowsAndMarginsByZoom) {
  TProgramDir dir;
  auto w = ShowMainWindow(dir);
  const int h = UI(w).pbDiffPos->height();
  ASSERT_GT(h, 200);
  UI(w).Navigation->DocHeights[1] = 5000;
  UI(w).Navigation->MarkTops[1] = {0};
  UI(w).Zoom->ZoomIndex = 5;  // 100 %
  EXPECT_EQ(LineRows(*w), (std::vector<int>{17, 18}));
  UI(w).Navigation->MarkTops[1] = {5000};  // a mark at the page's end
  EXPECT_EQ(LineRows(*w), (std::vector<int>{h - 19, h - 18}));

  // A mark at the top shows the margin: its lines are the rows margin-1 and margin.
  UI(w).Navigation->MarkTops[1] = {0};
  for (auto [index, margin] : {std::pair{0, 9}, std::pair{7, 22}, std::pair{25, 54}}) {
    UI(w).Zoom->ZoomIndex = index;
    EXPECT_EQ(LineRows(*w), (std::vector<int>{margin - 1, margin})) << "zoom " << UI(w).Zoom->ZoomPercent();
  }

  // Marks closer than a bar pixel draw over each other; the page's height gives the scale.
  UI(w).Zoom->ZoomIndex = 5;
  const int usable = h - 36;
  UI(w).Navigation->DocHeights[1] = usable * 10;
  UI(w).Navigation->MarkTops[1] = {1000, 1003, 2000};
  EXPECT_EQ(LineRows(*w), (std::vector<int>{117, 118, 217, 218}));
}

TEST(Zoom, StepsBoundsAndRemeasure) {
  TProgramDir dir;
  auto w = Compared(dir, OldText(), NewText());
  ASSERT_GE(UI(w).Navigation->ChangeCount, 4);
  EXPECT_EQ(UI(w).Zoom->ZoomIndex, 7);
  auto bodyStyle = [&](int v) {
    std::string html = UI(w).Views[v]->OuterHtml(TElementRef::Body());
    return html.substr(0, html.find('>'));
  };
  // The result is shown at its natural size although the step is 120 %.
  EXPECT_EQ(bodyStyle(1).find("zoom"), std::string::npos);
  const std::vector<int32_t> natural = UI(w).Navigation->MarkTops[1];
  const int naturalHeight = UI(w).Navigation->DocHeights[1];

  UI(w).acZoomIn->trigger();
  EXPECT_EQ(UI(w).Zoom->ZoomIndex, 8);
  EXPECT_EQ(UI(w).Zoom->ZoomPercent(), 131);
  for (int v = 1; v <= 2; ++v) EXPECT_NE(bodyStyle(v).find("zoom: 131%"), std::string::npos) << bodyStyle(v);
  // Remeasured in the layout the views now scroll in.
  EXPECT_GT(UI(w).Navigation->DocHeights[1], naturalHeight * 5 / 4);
  const int k = UI(w).Navigation->ChangeCount - 2;
  // (The text also wraps into more lines, so the tops grow by more than the zoom.)
  EXPECT_GT(UI(w).Navigation->MarkTops[1][k], natural[k] * 1.3);
  EXPECT_GT(UI(w).Navigation->DocHeights[1], UI(w).Navigation->MarkTops[1][k]);
  UI(w).Navigation->GoToChange(k);
  for (int v = 1; v <= 2; ++v) {
    EXPECT_NEAR(UI(w).Views[v]->BodyScrollTop(), UI(w).Navigation->MarkTops[v][k] - Above(*w, v, k), 2) << "view " << v;
    EXPECT_NEAR(UI(w).Views[v]->BoundingTop(TElementRef::Item("t_d", k)), Above(*w, v, k), 2) << "view " << v;
  }

  UI(w).acZoomOut->trigger();
  UI(w).acZoomOut->trigger();
  EXPECT_EQ(UI(w).Zoom->ZoomIndex, 6);
  EXPECT_NE(bodyStyle(1).find("zoom: 110%"), std::string::npos);
  // The current change stays in view in both panes through the steps.
  for (int v = 1; v <= 2; ++v) {
    EXPECT_NEAR(UI(w).Views[v]->BoundingTop(TElementRef::Item("t_d", k)), Above(*w, v, k), 2) << "view " << v;
    EXPECT_EQ(UI(w).Navigation->LastScrollTop[v], UI(w).Views[v]->BodyScrollTop());
  }
  EXPECT_EQ(UI(w).Navigation->CurrentChange, k);

  // At either bound nothing changes and nothing is measured again.
  UI(w).Zoom->ZoomIndex = 25;
  UI(w).Navigation->MarkTops[1][0] = -7;
  UI(w).Zoom->acZoomInExecute();
  EXPECT_EQ(UI(w).Zoom->ZoomIndex, 25);
  EXPECT_EQ(UI(w).Navigation->MarkTops[1][0], -7);
  EXPECT_NE(bodyStyle(1).find("zoom: 110%"), std::string::npos);
  UI(w).Zoom->ZoomIndex = 0;
  UI(w).Zoom->acZoomOutExecute();
  EXPECT_EQ(UI(w).Zoom->ZoomIndex, 0);
  EXPECT_EQ(UI(w).Navigation->MarkTops[1][0], -7);

  // Seven steps out from 120 % reach 50 %; the eighth does nothing.
  UI(w).Zoom->ZoomIndex = 7;
  for (int i = 0; i < 8; ++i) UI(w).Zoom->acZoomOutExecute();
  EXPECT_EQ(UI(w).Zoom->ZoomIndex, 0);
  EXPECT_NE(bodyStyle(2).find("zoom: 50%"), std::string::npos);

  // A new result appears unzoomed; the next step sets both views one above the kept one.
  UI(w).bCompareTexts->click();  // "Новое сравнение"
  SetBody(UI(w).WB1, OldText());
  SetBody(UI(w).WB2, NewText());
  UI(w).bCompareTexts->click();
  EXPECT_EQ(bodyStyle(1).find("zoom"), std::string::npos);
  EXPECT_EQ(UI(w).Zoom->ZoomIndex, 0);
  UI(w).Zoom->acZoomInExecute();
  for (int v = 1; v <= 2; ++v) EXPECT_NE(bodyStyle(v).find("zoom: 60%"), std::string::npos);
}

TEST(Zoom, ShortcutsCtrlIAndCtrlU) {
  TProgramDir dir;
  auto w = ShowMainWindow(dir);
  EXPECT_EQ(UI(w).acZoomIn->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_I));
  EXPECT_EQ(UI(w).acZoomOut->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_U));
  w->activateWindow();
  (void)QTest::qWaitForWindowActive(w.get(), 2000);
  QTest::keyClick(w.get(), Qt::Key_I, Qt::ControlModifier);
  EXPECT_EQ(UI(w).Zoom->ZoomIndex, 8);
  QTest::keyClick(w.get(), Qt::Key_U, Qt::ControlModifier);
  QTest::keyClick(w.get(), Qt::Key_U, Qt::ControlModifier);
  EXPECT_EQ(UI(w).Zoom->ZoomIndex, 6);
}

// A picture of a result with a change highlighted and the bar drawn.
TEST(Navigation, Picture) {
  const QByteArray shots = qgetenv("PARVEL_SCREENSHOT_DIR");
  if (shots.isEmpty()) GTEST_SKIP();
  const QByteArray pair = qgetenv("PARVEL_CORPUS_PAIR");
  auto body = [](const std::string& name) {
    std::string s = ReadFile(QString(PARVEL_CORPUS_DIR) + "/" + QString::fromStdString(name));
    ExtractBodyContent(s);
    return s;
  };
  TProgramDir dir;
  auto w = pair.isEmpty() ? Compared(dir, OldText(), NewText())
                          : Compared(dir, body(pair.toStdString() + "_old.htm"),
                                     body(pair.toStdString() + "_new.htm"));
  w->activateWindow();
  Settle(500);
  for (int i = 0; i < 3; ++i) UI(w).Navigation->bNextDiffClick();
  Settle(1500);
  w->grab().save(QString::fromUtf8(shots) + "/navigation_window.png");
  if (qgetenv("QT_QPA_PLATFORM") == "xcb" || qEnvironmentVariableIsSet("DISPLAY")) {
    QProcess import;
    import.start("import", {"-window", "root", QString::fromUtf8(shots) + "/navigation_screen.png"});
    WaitFor([&] { return import.state() == QProcess::NotRunning; }, 20000);
  }
}

namespace {

// A word changed in every second paragraph: thirty changes, one short one after the other.
std::string EveryOtherChanged() {
  return Paragraphs([](int i, std::string p) -> std::string {
    if (i % 2) return p;
    return "Статья " + std::to_string(i) + ". Настоящий пункт отменяет порядок исчисления и уплаты "
           "сбора, сроки представления отчётности и права плательщиков при проверке, номер " +
           std::to_string(i) + ".";
  });
}

// Ctrl+Down sent to the focused widget of the window, as a held key repeats it or as a press.
void CtrlDown(bool autoRepeat) {
  QTest::simulateEvent(QApplication::focusWidget(), true, Qt::Key_Down, Qt::ControlModifier, QString(),
                       autoRepeat);
}

void FocusLeftView(TVerCmp& w) {
  w.activateWindow();
  UI(w).WB1->FocusDocument();
  ASSERT_TRUE(WaitFor([&] { return UI(w).WB1->isAncestorOf(QApplication::focusWidget()); }, 5000));
}

// The rows of the bar a mark at this top is drawn on (the upper one).
int BarRow(TVerCmp& w, int32_t top) {
  return static_cast<int>(navmath::MarkRow(top, UI(w).Navigation->DocHeights[1], UI(w).pbDiffPos->height(),
                                           navmath::BarMargin(UI(w).Zoom->ZoomPercent())));
}

THtmlView::TRunExtent Extent(TVerCmp& w, int v, int k) {
  return UI(w).Views[v]->RunExtent("acronym", "t_d", "t_dc", k);
}

// Change k shown in both views: with room above it, whole when it fits, level in both views.
void ExpectChangeShown(TVerCmp& w, int k) {
  int shown[3] = {};
  for (int v = 1; v <= 2; ++v) {
    const THtmlView::TRunExtent e = Extent(w, v, k);
    ASSERT_TRUE(e.Found) << "view " << v << " change " << k;
    shown[v] = e.Top - e.ScrollTop;
    // Near the page's top or end the page cannot scroll as far as the room asks.
    if (e.ScrollTop == 0 || e.ScrollTop + e.ViewHeight >= UI(w).Navigation->DocHeights[v] - 1) continue;
    EXPECT_GE(shown[v], navmath::MinContextAboveChange) << "view " << v << " change " << k;
    EXPECT_LE(shown[v], navmath::ContextAboveChange) << "view " << v << " change " << k;
    if (e.Bottom - e.Top <= e.ViewHeight - navmath::MinContextAboveChange)
      EXPECT_LE(e.Bottom - e.ScrollTop, e.ViewHeight) << "view " << v << " change " << k << " is cut";
  }
  if (UI(w).WB1->BodyScrollTop() > 0 && UI(w).WB2->BodyScrollTop() > 0)
    EXPECT_NEAR(shown[1], shown[2], 1) << "change " << k << " is not level";
}

}  // namespace

// Paragraph 10 moved below paragraph 50 with a word changed on the way, between a changed word
// in paragraph 5 and one in paragraph 45: three changes, the move the second, its marks the
// second on the left page and the third on the right.
TEST(Navigation, MoveIsOneChangeAndEitherEndLeadsToTheOther) {
  TProgramDir dir;
  const std::string moved = W("Статья 10. Настоящий пункт устанавливает порядок исчисления и уплаты сбора, сроки "
                              "представления отчётности и права плательщиков при проверке, номер 10.");
  const std::string newText = Paragraphs([&](int i, std::string p) -> std::string {
    if (i == 5) return "Статья 5. Настоящий пункт отменяет порядок исчисления и уплаты сбора, сроки "
                       "представления отчётности и права плательщиков при проверке, номер 5.";
    if (i == 10) return "";
    if (i == 45) return "Статья 45. Настоящий пункт устанавливает порядок исчисления и уплаты взноса, "
                        "сроки представления отчётности и права плательщиков при проверке, номер 45.";
    if (i == 50) return p + "</p><p>Статья 10. Настоящий пункт устанавливает порядок начисления и уплаты сбора, сроки "
                            "представления отчётности и права плательщиков при проверке, номер 10.";
    return p;
  });
  auto w = Compared(dir, OldText(), newText);
  TChangeNavigation& nav = *UI(w).Navigation;
  ASSERT_EQ(nav.ChangeCount, 3);
  ASSERT_TRUE(nav.IsMove(1));
  EXPECT_EQ(nav.MarkIndex(1, 1), 1);
  EXPECT_EQ(nav.MarkIndex(2, 1), 2);
  EXPECT_EQ(nav.MarkIndex(2, 2), 1);
  FocusLeftView(*w);
  QTest::keyClick(QApplication::focusWidget(), Qt::Key_Down, Qt::ControlModifier);
  QTest::keyClick(QApplication::focusWidget(), Qt::Key_Down, Qt::ControlModifier);
  ASSERT_EQ(nav.CurrentChange, 1);
  EXPECT_EQ(Text(UI(w).LCurDiffTag), "2 из 3");
  const std::string highlight = navmath::HighlightColour("#" + std::string(marks::MovedColour));
  EXPECT_EQ(Colour(*w, 1, 1), highlight);
  EXPECT_EQ(Colour(*w, 2, 2), highlight);
  EXPECT_EQ(Colour(*w, 2, 1), "#" + std::string(marks::InsertedColour));  // paragraph 45's mark is not current
  // The edited word keeps its own colour's highlight inside the move; stepping on restores it.
  std::vector<std::string> pieces = UI(w).Views[1]->BackgroundColors("acronym", "t_dc");
  EXPECT_NE(std::find(pieces.begin(), pieces.end(), navmath::HighlightColour("#ffcccc")), pieces.end());
  auto level = [&] {
    const THtmlView::TRunExtent a = Extent(*w, 1, 1), b = Extent(*w, 2, 2);
    return a.Found && b.Found && std::abs((a.Top - a.ScrollTop) - (b.Top - b.ScrollTop)) <= 1 &&
           a.Top >= a.ScrollTop && a.Top < a.ScrollTop + a.ViewHeight;
  };
  for (int v = 1; v <= 2; ++v) {  // each view shows its end
    const THtmlView::TRunExtent e = Extent(*w, v, v);
    EXPECT_TRUE(e.Found && e.Top >= e.ScrollTop && e.Top < e.ScrollTop + e.ViewHeight) << "view " << v;
  }
  QTest::keyClick(QApplication::focusWidget(), Qt::Key_Down, Qt::ControlModifier);
  pieces = UI(w).Views[1]->BackgroundColors("acronym", "t_dc");
  EXPECT_NE(std::find(pieces.begin(), pieces.end(), "#ffcccc"), pieces.end());

  // Reading on in the left view down to the old end, the right view follows the other changes;
  // a Ctrl+click on the old end brings the new end level with it and makes the move current.
  // (The new end stands near the page's end: put the old one low enough in its view for the
  // other page to scroll as far.)
  UserScroll(*w, 1, std::max(0, Extent(*w, 1, 1).Top - 160));
  ASSERT_FALSE(level());
  const THtmlView::TRunExtent old = Extent(*w, 1, 1);
  QWidget* target = QApplication::focusWidget();
  ASSERT_TRUE(UI(w).WB1->isAncestorOf(target));
  const QPoint at = target->mapFrom(UI(w).WB1, QPoint(UI(w).WB1->width() / 2, old.Top - old.ScrollTop + 6));
  QTest::mouseClick(target, Qt::LeftButton, Qt::ControlModifier, at);
  EXPECT_EQ(nav.CurrentChange, 1);
  EXPECT_TRUE(WaitFor(level, 3000));
  // Ctrl+J does the same from whichever view leads.
  FocusLeftView(*w);
  UserScroll(*w, 1, std::max(0, Extent(*w, 1, 1).Top - 150));
  ASSERT_FALSE(level());
  QTest::keyClick(QApplication::focusWidget(), Qt::Key_J, Qt::ControlModifier);
  EXPECT_TRUE(WaitFor(level, 3000));
}

// A held key stops on release: repeated presses beyond one waiting step are dropped, while
// separate presses all count.
TEST(Navigation, HeldKeyStopsOnReleaseSeparatePressesAllCount) {
  TProgramDir dir;
  TMessages messages;
  auto w = Compared(dir, OldText(), EveryOtherChanged());
  const int m = UI(w).Navigation->ChangeCount;
  ASSERT_GE(m, 25);
  FocusLeftView(*w);
  // Twenty repeats arrive while the first step waits for the views.
  QTimer::singleShot(0, [&] {
    for (int i = 0; i < 20; ++i) CtrlDown(true);
  });
  CtrlDown(false);
  Settle(1000);
  EXPECT_GE(UI(w).Navigation->CurrentChange, 1);
  EXPECT_LE(UI(w).Navigation->CurrentChange, 2) << "the held key went on after it was released";
  const int held = UI(w).Navigation->CurrentChange;

  // Separate presses during a step: every one moves one change.
  QTimer::singleShot(0, [&] {
    for (int i = 0; i < 5; ++i) CtrlDown(false);
  });
  CtrlDown(false);
  EXPECT_TRUE(WaitFor([&] { return UI(w).Navigation->CurrentChange == held + 6; }, 10000));
  Settle(500);
  EXPECT_EQ(UI(w).Navigation->CurrentChange, held + 6);
  ExpectChangeShown(*w, held + 6);
  EXPECT_TRUE(messages.List().empty());
}

// Each step leaves text above the current change and shows it whole when it fits, also a change
// that begins at the end of a paragraph and goes on into the next ones.
TEST(Navigation, CurrentChangeHasRoomAboveAndIsShownWhole) {
  TProgramDir dir;
  TMessages messages;
  auto insertion = [](int sentences) {
    std::string s;
    for (int k = 0; k < sentences; ++k) s += "Новый абзац о зачёте и возврате излишне уплаченных сумм. ";
    return s;
  };
  const std::string old = OldText();
  const std::string changed = Paragraphs([&](int i, std::string p) -> std::string {
    if (i == 10) return p + " и сборов</p><p>" + insertion(25);
    if (i == 25) return p + "</p><p>" + insertion(45);
    if (i == 40) return p + "</p><p>" + insertion(90);  // taller than the view
    return p;
  });
  auto w = Compared(dir, old, changed);
  const int m = UI(w).Navigation->ChangeCount;
  ASSERT_GE(m, 3);
  for (int k = 0; k < m; ++k) {
    UI(w).Navigation->bNextDiffClick();
    ASSERT_EQ(UI(w).Navigation->CurrentChange, k);
    ExpectChangeShown(*w, k);
    // The start of a change taller than the view stays in it.
    const THtmlView::TRunExtent e = Extent(*w, 2, k);
    EXPECT_LT(e.Top - e.ScrollTop, e.ViewHeight);
  }
  EXPECT_TRUE(messages.List().empty());
}

// A click on the position bar makes the change drawn nearest to it current in both views; the
// bar draws the current change and the visible part of the left page.
TEST(PositionBar, ClickGoesToTheNearestChangeBarShowsCurrentAndView) {
  TProgramDir dir;
  TMessages messages;
  auto w = Compared(dir, OldText(), EveryOtherChanged());
  const int m = UI(w).Navigation->ChangeCount;
  ASSERT_GE(m, 25);
  for (int k : {m * 2 / 3, 3, m - 1}) {
    const int row = BarRow(*w, UI(w).Navigation->MarkTops[1][static_cast<size_t>(k)]);
    QTest::mouseClick(UI(w).pbDiffPos, Qt::LeftButton, {}, QPoint(3, row + 1));
    EXPECT_TRUE(WaitFor([&] { return UI(w).Navigation->CurrentChange == k; }, 5000)) << "change " << k;
    EXPECT_EQ(Text(UI(w).LCurDiffTag), std::to_string(k + 1) + " из " + std::to_string(m));
    ExpectChangeShown(*w, k);
    for (int v = 1; v <= 2; ++v) EXPECT_EQ(UI(w).Navigation->LastScrollTop[v], UI(w).Views[v]->BodyScrollTop());

    const QImage img = BarImage(*w);
    const qreal dpr = img.devicePixelRatio();
    auto at = [&](int y) { return QColor(img.pixel(3, static_cast<int>(y * dpr))); };
    EXPECT_EQ(at(row), QColor(192, 0, 0)) << "the current change is not drawn, change " << k;
    // The band of the visible part: shaded rows from the top of the view down.
    const QColor face = UI(w).pbDiffPos->palette().color(QPalette::Window);
    const int from = BarRow(*w, UI(w).Navigation->LastScrollTop[1]) + 1;
    const int to = BarRow(*w, UI(w).Navigation->LastScrollTop[1] + UI(w).WB1->height()) + 1;
    auto shade = [&](QColor c) {
      return c.red() == c.green() && c.green() == c.blue() && c.red() < face.red() - 10;
    };
    int shaded = 0;
    for (int y = from; y < to && y < UI(w).pbDiffPos->height(); ++y) shaded += shade(at(y));
    EXPECT_GT(shaded, (to - from) / 2) << "no visible part drawn, change " << k;
    if (to + 4 < UI(w).pbDiffPos->height()) EXPECT_FALSE(shade(at(to + 4)));
  }
  // A click between two lines goes to the nearer one.
  const int a = BarRow(*w, UI(w).Navigation->MarkTops[1][5]), b = BarRow(*w, UI(w).Navigation->MarkTops[1][6]);
  ASSERT_GT(b - a, 3);
  QTest::mouseClick(UI(w).pbDiffPos, Qt::LeftButton, {}, QPoint(3, b - 1));
  EXPECT_TRUE(WaitFor([&] { return UI(w).Navigation->CurrentChange == 6; }, 5000));
  EXPECT_TRUE(messages.List().empty());
}

// Quick zoom presses while a step is laid out move its target: no view is reported as not
// answering, the newest level wins, both views end at it with the current change in view.
TEST(Zoom, PressesDuringAPendingZoomMoveItsTarget) {
  TProgramDir dir;
  TMessages messages;
  // A page long enough that a step takes a while to lay out.
  std::string old, changed;
  for (int i = 0; i < 12; ++i) {
    old += OldText();
    changed += EveryOtherChanged();
  }
  auto w = Compared(dir, old, changed);
  for (int i = 0; i < 10; ++i) UI(w).Navigation->bNextDiffClick();
  ASSERT_EQ(UI(w).Navigation->CurrentChange, 9);
  w->activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(w.get(), 3000));
  // Ctrl+I four times, then Ctrl+U eight times, quicker than the steps are laid out, so that
  // they arrive in every wait of a step for the views.
  for (int i = 0; i < 12; ++i)
    QTimer::singleShot(25 * i, [&, i] {
      QTest::keyClick(w.get(), i < 4 ? Qt::Key_I : Qt::Key_U, Qt::ControlModifier);
    });
  Settle(300);
  EXPECT_TRUE(WaitFor([&] { return !navstate::Busy && UI(w).Zoom->ZoomIndex == 3; }, 30000));
  Settle(1000);
  EXPECT_TRUE(messages.List().empty()) << messages.List().front();
  EXPECT_EQ(UI(w).Zoom->ZoomIndex, 7 + 4 - 8);
  for (int v = 1; v <= 2; ++v) {
    const std::string html = UI(w).Views[v]->OuterHtml(TElementRef::Body());
    EXPECT_NE(html.substr(0, html.find('>')).find("zoom: 80%"), std::string::npos) << "view " << v;
  }
  EXPECT_EQ(UI(w).Navigation->CurrentChange, 9);
  ExpectChangeShown(*w, 9);
  // The marks were measured in the final layout.
  const std::vector<int32_t> tops = UI(w).Navigation->MarkTops[1];
  UI(w).Navigation->RecalcMarkPositions();
  EXPECT_EQ(UI(w).Navigation->MarkTops[1], tops);
}

// Ctrl+0 goes back to the start step, also from a view, keeping the current change in view; the
// level is shown beside the zoom buttons and follows every step.
TEST(Zoom, CtrlZeroResetsAndTheLevelIsShown) {
  TProgramDir dir;
  TMessages messages;
  auto w = Compared(dir, OldText(), EveryOtherChanged());
  auto* level = w->findChild<QLabel*>("LZoomLevel");
  ASSERT_NE(level, nullptr);
  EXPECT_TRUE(level->isVisible());
  EXPECT_EQ(Text(level), "120\u00A0%");
  EXPECT_GT(level->x(), UI(w).bTextZoomOut->x());
  EXPECT_LT(level->x(), UI(w).bTextShowPanFind->x());
  // The controls after it made room, the links too.
  for (QWidget* other : level->parentWidget()->findChildren<QWidget*>(Qt::FindDirectChildrenOnly))
    if (other != level && other->isVisible())
      EXPECT_FALSE(level->geometry().intersects(other->geometry())) << other->objectName().toStdString();
  EXPECT_GT(UI(w).LInfo->x(), UI(w).bForward->geometry().right());
  for (int i = 0; i < 12; ++i) UI(w).Navigation->bNextDiffClick();
  w->activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(w.get(), 3000));
  QTest::keyClick(w.get(), Qt::Key_I, Qt::ControlModifier);
  QTest::keyClick(w.get(), Qt::Key_I, Qt::ControlModifier);
  EXPECT_EQ(Text(level), "140\u00A0%");
  QTest::keyClick(w.get(), Qt::Key_U, Qt::ControlModifier);
  EXPECT_EQ(Text(level), "131\u00A0%");

  FocusLeftView(*w);
  QTest::keyClick(QApplication::focusWidget(), Qt::Key_0, Qt::ControlModifier);
  EXPECT_EQ(UI(w).Zoom->ZoomIndex, 7);
  EXPECT_EQ(Text(level), "120\u00A0%");
  for (int v = 1; v <= 2; ++v) {
    const std::string html = UI(w).Views[v]->OuterHtml(TElementRef::Body());
    EXPECT_NE(html.substr(0, html.find('>')).find("zoom: 120%"), std::string::npos) << "view " << v;
  }
  EXPECT_EQ(UI(w).Navigation->CurrentChange, 11);
  ExpectChangeShown(*w, 11);
  // From the keypad as well, and at the start step it stays there.
  QTest::keyClick(QApplication::focusWidget(), Qt::Key_0, Qt::ControlModifier | Qt::KeypadModifier);
  EXPECT_EQ(UI(w).Zoom->ZoomIndex, 7);
  EXPECT_TRUE(messages.List().empty());
}

namespace {

double Median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  return v.empty() ? 0 : v[v.size() / 2];
}

double Ms(std::chrono::steady_clock::duration d) {
  return std::chrono::duration<double, std::milli>(d).count();
}

template <class F>
std::vector<double> Timed(int runs, F&& f) {
  std::vector<double> ms;
  for (int i = 0; i < runs; ++i) {
    const auto t0 = std::chrono::steady_clock::now();
    f(i);
    ms.push_back(Ms(std::chrono::steady_clock::now() - t0));
  }
  return ms;
}

void Report(const char* name, const std::vector<double>& ms) {
  std::printf("nav-bench %-28s median %8.2f ms  max %8.2f ms  runs %zu\n", name, Median(ms),
              *std::max_element(ms.begin(), ms.end()), ms.size());
}

}  // namespace

// Timing on a large real pair (PARVEL_NAV_BENCH=1; PARVEL_CORPUS_PAIR, default 11_uk_rf_heavy):
// measuring all marks, one step to the next change, one synchronisation step, and beside them
// the measuring done with one round trip per mark.
TEST(NavigationBench, LargestPair) {
  if (qEnvironmentVariableIsEmpty("PARVEL_NAV_BENCH")) GTEST_SKIP();
  const QByteArray pairEnv = qgetenv("PARVEL_CORPUS_PAIR");
  const std::string pair = pairEnv.isEmpty() ? "11_uk_rf_heavy" : pairEnv.toStdString();
  auto body = [](const std::string& name) {
    std::string s = ReadFile(QString(PARVEL_CORPUS_DIR) + "/" + QString::fromStdString(name));
    ExtractBodyContent(s);
    return s;
  };
  TProgramDir dir;
  TMessages messages;
  auto w = Compared(dir, body(pair + "_old.htm"), body(pair + "_new.htm"));
  const int m = UI(w).Navigation->ChangeCount;
  ASSERT_GT(m, 100);
  std::printf("nav-bench pair %s changes %d page heights %d / %d px\n", pair.c_str(), m,
              UI(w).Navigation->DocHeights[1], UI(w).Navigation->DocHeights[2]);

  Report("RecalcMarkPositions", Timed(15, [&](int) { UI(w).Navigation->RecalcMarkPositions(); }));
  Report("bNextDiffClick", Timed(30, [&](int) { UI(w).Navigation->bNextDiffClick(); }));
  Report("bPrevDiffClick", Timed(10, [&](int) { UI(w).Navigation->bPrevDiffClick(); }));
  Report("GoToChange (far jump)", Timed(10, [&](int i) { UI(w).Navigation->GoToChange(i % 2 ? m / 10 : m - 1 - i); }));
  const int base = UI(w).Navigation->MarkTops[1][m / 2];
  Report("SyncScroll step", Timed(15, [&](int i) {
           UI(w).WB1->SetBodyScrollTop(base + 37 * (i + 1));
           UI(w).Navigation->SyncScroll(UI(w).WB1);
         }));
  Report("pbDiffPos paint", Timed(15, [&](int) { UI(w).pbDiffPos->repaint(); }));
  Report("zoom step with remeasure", Timed(6, [&](int i) {
           if (i % 2) UI(w).Zoom->acZoomOutExecute(); else UI(w).Zoom->acZoomInExecute();
         }));

  // Where a step's time goes: setting the style, the measuring that lays the pages out, the
  // scroll back to the current change.
  {
    std::vector<double> set, measure, show;
    for (int i = 0; i < 4; ++i) {
      UI(w).Zoom->ZoomIndex = 8 - i % 2;
      const auto t0 = std::chrono::steady_clock::now();
      UI(w).Zoom->ApplyZoom(UI(w).WB1);
      UI(w).Zoom->ApplyZoom(UI(w).WB2);
      const auto t1 = std::chrono::steady_clock::now();
      UI(w).Navigation->RecalcMarkPositions();
      const auto t2 = std::chrono::steady_clock::now();
      UI(w).Navigation->ShowCurrentChange();
      const auto t3 = std::chrono::steady_clock::now();
      set.push_back(Ms(t1 - t0));
      measure.push_back(Ms(t2 - t1));
      show.push_back(Ms(t3 - t2));
    }
    Report("zoom: set both styles", set);
    Report("zoom: measure both views", measure);
    Report("zoom: show current change", show);
  }
  // Four presses, three of them while the first is laid out.
  UI(w).Zoom->ZoomIndex = 7;
  Report("zoom: four quick presses", Timed(2, [&](int i) {
           auto press = [&] { if (i % 2) UI(w).Zoom->acZoomOutExecute(); else UI(w).Zoom->acZoomInExecute(); };
           QTimer::singleShot(0, [&] { for (int k = 0; k < 3; ++k) press(); });
           press();
           while (UI(w).Zoom->ZoomIndex != (i % 2 ? 7 : 11) || navstate::Busy)
             QApplication::processEvents(QEventLoop::AllEvents, 20);
         }));

  if (qEnvironmentVariableIsSet("PARVEL_NAV_BENCH_OPS")) {
    const TElementRef mark = TElementRef::Item("t_d", m / 3);
    Report("op BackgroundColor", Timed(10, [&](int) { (void)UI(w).WB1->BackgroundColor(mark); }));
    Report("op SetBackgroundColor", Timed(10, [&](int) { UI(w).WB1->SetBackgroundColor(mark, std::string("#ffcccc")); }));
    Report("op ScrollIntoView", Timed(10, [&](int i) { UI(w).WB1->ScrollIntoView(TElementRef::Item("t_d", (m / 3 + 17 * i) % m), true); }));
    Report("op SetBodyScrollLeft", Timed(10, [&](int) { UI(w).WB1->SetBodyScrollLeft(0); }));
    Report("op BodyScrollTop", Timed(10, [&](int) { (void)UI(w).WB1->BodyScrollTop(); }));
    Report("op ElementExists(body)", Timed(10, [&](int) { (void)UI(w).WB1->ElementExists(TElementRef::Body()); }));
    Report("op CountElements", Timed(10, [&](int) { (void)UI(w).WB1->CountElements("acronym", "t_d"); }));
  }

  // Peer: one round trip per mark, as a view without a batched form would need.
  const int sample = std::min(m, 300);
  const auto t0 = std::chrono::steady_clock::now();
  for (int i = 0; i < sample; ++i) (void)UI(w).WB1->AbsoluteTop(TElementRef::Item("t_d", i));
  const double perMark = Ms(std::chrono::steady_clock::now() - t0) / sample;
  std::printf("nav-bench %-28s %8.3f ms per mark, both views of %d marks ~ %.0f ms\n",
              "peer: one round trip a mark", perMark, m, perMark * 2 * m);
  EXPECT_TRUE(messages.List().empty());
}

PARVEL_GUI_TEST_MAIN()
