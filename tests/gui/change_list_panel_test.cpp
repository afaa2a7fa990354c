// The change list beside a real result: a click or Enter on an entry makes that change current
// in both views, stepping selects the entry, the filters narrow the list and the list is saved
// as CSV. Real mouse and key events on the list.
//
// PARVEL_PANEL_BENCH=1 times building the list and scrolling it on the largest corpus pair;
// PARVEL_SCREENSHOT_DIR receives a picture of the window with the list (PARVEL_CORPUS_PAIR
// names the pair, default 06_nk1).
#include <QComboBox>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QProcess>
#include <QScrollBar>
#include <QTreeView>
#include <QtTest/QTest>

#include <chrono>
#include <cstdio>

#include "app/SidePanel.h"
#include "changelist/ChangeListCsv.h"
#include "changelist/ChangeListModel.h"
#include "changelist/ChangeListPanel.h"
#include "engine/ResultPages.h"
#include "gui/GuiTestSupport.h"
#include "navigation/NavigationMath.h"

using namespace guitest;

namespace {

std::string CorpusBody(const std::string& name) {
  std::string s = ReadFile(QString(PARVEL_CORPUS_DIR) + "/" + QString::fromStdString(name));
  ExtractBodyContent(s);
  return s;
}

std::unique_ptr<TVerCmp> Compared(const TProgramDir& dir, const std::string& body1, const std::string& body2) {
  auto w = ShowMainWindow(dir);
  SetBody(UI(w).WB1, body1);
  SetBody(UI(w).WB2, body2);
  QTest::mouseClick(UI(w).bCompareTexts, Qt::LeftButton);
  EXPECT_TRUE(WaitFor([&] { return UI(w).Navigation->ResultShown; }));
  return w;
}

std::unique_ptr<TVerCmp> ComparedPair(const TProgramDir& dir, const std::string& pair) {
  return Compared(dir, CorpusBody(pair + "_old.htm"), CorpusBody(pair + "_new.htm"));
}

// The row of the list showing change n (from 0); invalid when it is not listed.
QModelIndex RowOfChange(TChangeListPanel& panel, int n) {
  QAbstractItemModel* m = panel.View()->model();
  for (int g = 0; g < m->rowCount(); ++g) {
    const QModelIndex group = m->index(g, 0);
    for (int r = 0; r < m->rowCount(group); ++r) {
      const QModelIndex i = m->index(r, 0, group);
      if (panel.List().Entries[static_cast<size_t>(i.data(TChangeListModel::EntryRole).toInt())].N == n + 1) return i;
    }
  }
  return {};
}

// The change of the list's selected row, -1 without one.
int SelectedChange(TChangeListPanel& panel) {
  const QModelIndexList rows = panel.View()->selectionModel()->selectedRows();
  if (rows.size() != 1) return -1;
  const int entry = rows[0].data(TChangeListModel::EntryRole).toInt();
  return entry < 0 ? -1 : panel.List().Entries[static_cast<size_t>(entry)].N - 1;
}

// Change n is current: highlighted and in sight in both views, named by the counter.
void ExpectCurrentInBothViews(TVerCmp& w, int n) {
  EXPECT_EQ(UI(w).Navigation->CurrentChange, n);
  EXPECT_EQ(UI(w).LCurDiffTag->text().toStdString(),
            std::to_string(n + 1) + " из " + std::to_string(UI(w).Navigation->ChangeCount));
  for (int v = 1; v <= 2; ++v) {
    const THtmlView::TRunExtent e = UI(w).Views[v]->RunExtent("acronym", "t_d", "t_dc", n);
    ASSERT_TRUE(e.Found) << "view " << v;
    EXPECT_GE(e.Top, e.ScrollTop) << "view " << v;
    EXPECT_LT(e.Top, e.ScrollTop + e.ViewHeight) << "view " << v;
    EXPECT_EQ(UI(w).Navigation->SavedMarkColor[v].empty(), false);
  }
}

void ClickRow(TChangeListPanel& panel, const QModelIndex& row) {
  panel.View()->scrollTo(row);
  QTest::mouseClick(panel.View()->viewport(), Qt::LeftButton, {}, panel.View()->visualRect(row).center());
}

}  // namespace

TEST(ChangeListPanel, ClickEnterAndSteppingOnTheLargestPair) {
  TProgramDir dir;
  TMessages messages;
  QSettings().clear();
  auto w = ComparedPair(dir, "11_uk_rf_heavy");
  TChangeListPanel& panel = *UI(w).ChangeList;
  const int m = UI(w).Navigation->ChangeCount;
  ASSERT_GE(m, 1002);
  ASSERT_EQ(panel.List().Entries.size(), static_cast<size_t>(m));
  ASSERT_TRUE(panel.isVisible()) << "the list takes the side panel with a result";

  // A click on the 1,000th entry.
  ClickRow(panel, RowOfChange(panel, 999));
  ASSERT_TRUE(WaitFor([&] { return UI(w).Navigation->CurrentChange == 999; }, 20000));
  ExpectCurrentInBothViews(*w, 999);
  EXPECT_EQ(SelectedChange(panel), 999);

  // The next-change key, pressed in the list, steps and the list follows.
  panel.View()->setFocus();
  QTest::keyClick(panel.View(), Qt::Key_Down, Qt::ControlModifier);
  ASSERT_TRUE(WaitFor([&] { return UI(w).Navigation->CurrentChange == 1000; }, 20000));
  EXPECT_EQ(SelectedChange(panel), 1000);
  EXPECT_TRUE(panel.View()->viewport()->rect().contains(panel.View()->visualRect(RowOfChange(panel, 1000)).center()));
  QTest::mouseClick(UI(w).bNextDiff, Qt::LeftButton);
  ASSERT_TRUE(WaitFor([&] { return UI(w).Navigation->CurrentChange == 1001; }, 20000));
  EXPECT_EQ(SelectedChange(panel), 1001);

  // Arrows move in the list only; Enter goes there.
  panel.View()->setFocus();
  for (int i = 0; i < 6 && SelectedChange(panel) != 999; ++i) QTest::keyClick(panel.View(), Qt::Key_Up);
  ASSERT_EQ(SelectedChange(panel), 999);
  EXPECT_EQ(UI(w).Navigation->CurrentChange, 1001);
  QTest::keyClick(panel.View(), Qt::Key_Return);
  ASSERT_TRUE(WaitFor([&] { return UI(w).Navigation->CurrentChange == 999; }, 20000));
  ExpectCurrentInBothViews(*w, 999);

  // Scrolled away, the current change clicked again comes back into sight.
  UI(w).WB1->SetBodyScrollTop(0);
  ASSERT_TRUE(WaitFor([&] { return UI(w).Navigation->LastScrollTop[1] == 0 && UI(w).WB2->BodyScrollTop() < 2000; }, 10000));
  ClickRow(panel, RowOfChange(panel, 999));
  ASSERT_TRUE(WaitFor([&] { return UI(w).WB1->BodyScrollTop() > 0; }, 20000));
  ExpectCurrentInBothViews(*w, 999);
  EXPECT_TRUE(messages.List().empty());
  QSettings().clear();
}

// The kind filter and the search field narrow the list; a change that is not listed is not
// selected; what is listed is what the CSV holds; a new comparison empties the list.
TEST(ChangeListPanel, FiltersAndCsv) {
  TProgramDir dir;
  TMessages messages;
  QSettings().clear();
  auto w = Compared(dir,
                    W("<p>Статья 1. Налог уплачивается ежемесячно.</p><p>Статья 2. Сбор, \"особый\", взимается.</p>"
                      "<p>Статья 3. Пени начисляются.</p>"),
                    W("<p>Статья 1. Налог уплачивается ежеквартально.</p><p>Статья 2. Сбор, \"особый\", взимается "
                      "всегда.</p><p>Статья 3. Пени.</p>"));
  TChangeListPanel& panel = *UI(w).ChangeList;
  const int m = UI(w).Navigation->ChangeCount;
  ASSERT_EQ(m, 3);
  ASSERT_EQ(panel.ListedEntries().size(), 3u);

  // A kind: only its changes stay; stepping to a change filtered out selects nothing.
  QComboBox* kind = panel.KindFilter();
  const int removed = kind->findData(static_cast<int>(panel.List().Entries[2].Kind));
  ASSERT_GT(removed, 0);
  kind->setCurrentIndex(removed);
  std::vector<int> listed = panel.ListedEntries();
  ASSERT_FALSE(listed.empty());
  for (int i : listed) EXPECT_EQ(panel.List().Entries[static_cast<size_t>(i)].Kind, panel.List().Entries[2].Kind);
  kind->setCurrentIndex(0);
  EXPECT_EQ(panel.ListedEntries().size(), 3u);

  // The search field, typed into.
  panel.SearchField()->setFocus();
  for (QChar c : QStringLiteral("ИСКЛЮЧ"))
    QTest::sendKeyEvent(QTest::Click, panel.SearchField(), Qt::Key_unknown, QString(c), Qt::NoModifier);
  ASSERT_EQ(panel.SearchField()->text(), QStringLiteral("ИСКЛЮЧ"));
  listed = panel.ListedEntries();
  ASSERT_EQ(listed.size(), 1u) << "a search ignores the letter case";
  UI(w).Navigation->bNextDiffClick();
  EXPECT_EQ(SelectedChange(panel), -1);
  UI(w).Navigation->bNextDiffClick();
  UI(w).Navigation->bNextDiffClick();
  EXPECT_EQ(SelectedChange(panel), 2);

  // Saved: a byte order mark, the heading, one row per listed change, CR LF ends.
  QTemporaryDir out;
  const QString path = out.path() + "/list.csv";
  panel.RunSaveDialog = [&](QFileDialog&) { return path; };
  panel.SaveCsv();
  const std::string csv = ReadFile(path);
  ASSERT_EQ(csv.substr(0, 3), "\xEF\xBB\xBF");
  EXPECT_EQ(csv.substr(3, csv.find("\r\n") - 3), "№,Статья,Где,Что,Было,Стало");
  size_t rows = 0;
  for (size_t at = csv.find("\r\n"); at != std::string::npos; at = csv.find("\r\n", at + 2)) ++rows;
  EXPECT_EQ(rows, 2u);
  EXPECT_EQ(CsvField("a,\"b\""), "\"a,\"\"b\"\"\"");
  EXPECT_EQ(CsvField("line\nbreak"), "\"line\nbreak\"");
  EXPECT_EQ(CsvField("plain"), "plain");
  // Nothing is written onto what is not a regular file.
  panel.RunSaveDialog = [&](QFileDialog&) { return out.path(); };
  panel.SaveCsv();
  ASSERT_EQ(messages.List().size(), 1u);
  EXPECT_NE(messages.List()[0].find("Не удалось сохранить список изменений"), std::string::npos);

  QTest::mouseClick(UI(w).bCompareTexts, Qt::LeftButton);
  ASSERT_EQ(w->Mode(), wmEntry);
  EXPECT_TRUE(panel.List().Entries.empty());
  QSettings().clear();
}

// A picture of the window with the list (PARVEL_SCREENSHOT_DIR).
TEST(ChangeListPanel, Picture) {
  const QByteArray shots = qgetenv("PARVEL_SCREENSHOT_DIR");
  if (shots.isEmpty()) GTEST_SKIP();
  const QByteArray pair = qgetenv("PARVEL_CORPUS_PAIR");
  TProgramDir dir;
  auto w = ComparedPair(dir, pair.isEmpty() ? "06_nk1" : pair.toStdString());
  w->showMaximized();
  WaitFor([] { return false; }, 1500);
  TChangeListPanel& panel = *UI(w).ChangeList;
  const int n = std::min(40, UI(w).Navigation->ChangeCount - 1);
  ClickRow(panel, RowOfChange(panel, n));
  WaitFor([&] { return UI(w).Navigation->CurrentChange == n; }, 20000);
  WaitFor([] { return false; }, 1500);
  w->grab().save(QString::fromUtf8(shots) + "/panel_window.png");
  if (qgetenv("QT_QPA_PLATFORM") == "xcb") {
    QProcess import;
    import.start("import", {"-window", "root", QString::fromUtf8(shots) + "/panel_screen.png"});
    WaitFor([&] { return import.state() == QProcess::NotRunning; }, 20000);
  }
}

// Building the list and scrolling it, timed (PARVEL_PANEL_BENCH=1). Where the core leaves the
// places and excerpts empty, they are filled with texts of a usual length, grouped five to an
// article, so that the painting is timed as the user will see it.
TEST(ChangeListPanelBench, LargestPair) {
  if (qEnvironmentVariableIsEmpty("PARVEL_PANEL_BENCH")) GTEST_SKIP();
  TProgramDir dir;
  auto w = ComparedPair(dir, "11_uk_rf_heavy");
  w->showMaximized();
  WaitFor([] { return false; }, 1000);
  TChangeListPanel& panel = *UI(w).ChangeList;
  TChangeList list = panel.List();
  if (!list.Entries.empty() && list.Entries[0].Was.Changed.empty() && list.Entries[0].Now.Changed.empty()) {
    list.Groups.clear();
    for (TChangeEntry& e : list.Entries) {
      e.Group = (e.N - 1) / 5;
      if (static_cast<size_t>(e.Group) >= list.Groups.size())
        list.Groups.push_back({std::to_string(e.Group + 1), W("Статья ") + std::to_string(e.Group + 1) +
                                                                W(". Убийство матерью новорожденного ребенка"), 0});
      ++list.Groups.back().Count;
      e.Old.Address = e.New.Address = W("абз. 2 п. «а» ч. 2 ст. ") + std::to_string(e.Group + 1);
      e.Was = {W("лишением свободы на срок "), W("от восьми до двадцати лет"), W(", либо смертной казнью")};
      e.Now = {W("лишением свободы на срок "), W("от восьми до двадцати лет с ограничением свободы"),
               W(" на срок от одного года")};
    }
  }
  using clock = std::chrono::steady_clock;
  auto ms = [](clock::duration d) { return std::chrono::duration<double, std::milli>(d).count(); };
  double build = 1e9, firstPaint = 1e9;
  for (int i = 0; i < 5; ++i) {
    const auto t0 = clock::now();
    panel.SetList(list);
    const auto t1 = clock::now();
    panel.View()->viewport()->repaint();
    build = std::min(build, ms(t1 - t0));
    firstPaint = std::min(firstPaint, ms(clock::now() - t1));
  }
  // Every frame paints the whole list anew (a real scroll paints only the rows it uncovers).
  QScrollBar* bar = panel.View()->verticalScrollBar();
  int frames = 0;
  auto scrollThrough = [&] {
    frames = 0;
    const auto t0 = clock::now();
    for (int v = 0; v <= bar->maximum(); v += bar->pageStep() / 4 + 1, ++frames) {
      bar->setValue(v);
      panel.View()->viewport()->repaint();
    }
    return ms(clock::now() - t0) / std::max(1, frames);
  };
  const double scroll = scrollThrough();
  // Beside it the same with the view's plain painting of the excerpts.
  QAbstractItemDelegate* was = panel.View()->itemDelegateForColumn(TChangeListModel::colWas);
  QAbstractItemDelegate* now = panel.View()->itemDelegateForColumn(TChangeListModel::colNow);
  panel.View()->setItemDelegateForColumn(TChangeListModel::colWas, nullptr);
  panel.View()->setItemDelegateForColumn(TChangeListModel::colNow, nullptr);
  const double plain = scrollThrough();
  panel.View()->setItemDelegateForColumn(TChangeListModel::colWas, was);
  panel.View()->setItemDelegateForColumn(TChangeListModel::colNow, now);
  std::printf("panel-bench entries %zu groups %zu: list set (model, filter, rows expanded) %.1f ms, first "
              "paint %.1f ms (best of 5); whole-list repaint while scrolling %.2f ms per frame (plain "
              "painting %.2f ms) over %d frames\n",
              list.Entries.size(), list.Groups.size(), build, firstPaint, scroll, plain, frames);
  const QByteArray shots = qgetenv("PARVEL_SCREENSHOT_DIR");
  if (!shots.isEmpty()) {
    bar->setValue(bar->maximum() / 2);
    panel.grab().save(QString::fromUtf8(shots) + "/panel_filled.png");
  }
}

PARVEL_GUI_TEST_MAIN()
