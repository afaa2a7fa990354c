// The find panel in the real window with the real dictionaries: search a result page with word
// forms, step through the occurrences, close.
#include <QLabel>
#include <QLineEdit>
#include <QElapsedTimer>
#include <QPushButton>
#include <QTest>

#include <algorithm>
#include <cstdio>
#include <functional>

#include "find/TextFinder.h"
#include "gui/GuiTestSupport.h"

using namespace guitest;

namespace {

// The right page of a comparison holds the searched words; the left page is its old edition.
std::unique_ptr<TVerCmp> ComparedWithRightCurrent(const TProgramDir& dir, const std::string& right) {
  auto w = ShowMainWindow(dir);
  SetBody(w->WB1, "<p>" + W("Прежняя редакция.") + "</p>");
  SetBody(w->WB2, right);
  w->bCompareTexts->click();
  w->Links->WB1Enter(w->WB2);
  EXPECT_EQ(w->CurrentView, 2);
  return w;
}

std::string Colour(TVerCmp& w, const std::string& id) {
  return w.WB2->BackgroundColor(TElementRef::ById(id));
}

void Search(TVerCmp& w, const char* query) {
  w.acTextFind->trigger();
  w.Find->edSearch->setText(QString::fromUtf8(query));
  w.Find->bFind->click();
}

std::string Label(TVerCmp& w) { return w.Find->LFindCount->text().toStdString(); }

}  // namespace

TEST(FindPanel, SearchStepAndClose) {
  TProgramDir dir;
  TMessages messages;
  std::string body;
  for (int i = 0; i < 60; ++i) body += "<p>" + W("Пункт ") + std::to_string(i) + ".</p>";
  body += "<p>" + W("Закона о налогах.") + "</p>";
  for (int i = 0; i < 60; ++i) body += "<p>" + W("Абзац ") + std::to_string(i) + ".</p>";
  body += "<p>" + W("По Закону и ЗАКОНЫ.") + "</p>";
  auto w = ComparedWithRightCurrent(dir, body);

  Search(*w, "закон");
  EXPECT_TRUE(w->PanFind->isVisible());
  EXPECT_EQ(w->Find->FindCount, 3);
  EXPECT_EQ(w->Find->FindIndex, -1);
  EXPECT_EQ(Label(*w), "Найдено: 3");
  EXPECT_EQ(Colour(*w, "fnd0_0"), "");  // nothing coloured yet
  EXPECT_GT(w->WB2->BodyScrollTop(), 0);  // scrolled to the first occurrence
  const int top = w->WB2->BoundingTop(TElementRef::ById("fnd0_0"));
  EXPECT_GE(top, 0);
  EXPECT_LE(top, 100);

  w->Find->bFindBackwardClick();  // right after a search: the start
  ASSERT_EQ(messages.List(), std::vector<std::string>{"Достигнуто начало документа"});
  w->Find->bFindForward->click();
  EXPECT_EQ(Colour(*w, "fnd0_0"), "#ff9632");
  EXPECT_EQ(Label(*w), "1 из 3");
  w->Find->bFindForward->click();
  EXPECT_EQ(Colour(*w, "fnd0_0"), "#ffff00");
  EXPECT_EQ(Colour(*w, "fnd1_0"), "#ff9632");
  w->Find->bFindForward->click();
  w->Find->bFindForward->click();  // past the last one: a message, nothing changes
  EXPECT_EQ(messages.List().back(), "Достигнут конец документа");
  EXPECT_EQ(w->Find->FindIndex, 2);
  EXPECT_EQ(Colour(*w, "fnd2_0"), "#ff9632");
  w->Find->bFindBackward->click();
  EXPECT_EQ(Colour(*w, "fnd1_0"), "#ff9632");
  EXPECT_EQ(Colour(*w, "fnd2_0"), "#ffff00");

  // A second search marks the stored body afresh; the colours of the first are gone.
  Search(*w, "налог");
  EXPECT_EQ(w->Find->FindCount, 1);
  EXPECT_FALSE(w->WB2->ElementExists(TElementRef::ById("fnd1_0")));
  EXPECT_EQ(Colour(*w, "fnd0_0"), "");
  Search(*w, "   ");
  EXPECT_EQ(w->Find->FindCount, 0);
  EXPECT_EQ(Label(*w), "Не найдено");

  // Moving to the other view closes the panel and gives the page its unmarked body back.
  Search(*w, "закон");
  ASSERT_TRUE(w->WB2->ElementExists(TElementRef::ById("fnd0_0")));
  w->Links->WB1Enter(w->WB1);
  EXPECT_FALSE(w->PanFind->isVisible());
  EXPECT_FALSE(w->WB2->ElementExists(TElementRef::ById("fnd0_0")));
  EXPECT_EQ(w->WB2->OuterHtml(TElementRef::Body()).find("fnd"), std::string::npos);
  EXPECT_EQ(w->Find->FindCount, 0);
  EXPECT_EQ(messages.List().size(), 2u);
}

TEST(FindPanel, LongOccurrencesAndTermVariants) {
  TProgramDir dir;
  TMessages messages;
  // One occurrence of a two-word query collecting 25 marks: only marks 0 ... 19 are coloured.
  std::string many;
  for (int i = 0; i < 24; ++i) many += W("налог ");
  auto w = ComparedWithRightCurrent(
      dir, "<p>" + W("Налоговый сбор ") + many + "</p><p>" +
               W("Гражданский кодекс Российской Федерации и ГК РФ.") + "</p>");
  Search(*w, "налог сбор");
  ASSERT_GE(w->Find->FindCount, 1);
  ASSERT_TRUE(w->WB2->ElementExists(TElementRef::ById("fnd0_24")));
  w->Find->bFindForwardClick();
  EXPECT_EQ(Colour(*w, "fnd0_19"), "#ff9632");
  EXPECT_EQ(Colour(*w, "fnd0_20"), "");

  // An abbreviation finds its expansion.
  Search(*w, "ГК РФ");
  ASSERT_EQ(w->Find->FindCount, 1);
  EXPECT_EQ(w->WB2->InnerText(TElementRef::ById("fnd0_0")), W("Гражданский"));
  EXPECT_TRUE(w->WB2->ElementExists(TElementRef::ById("fnd0_3")));
  w->Find->bCancel->click();
  EXPECT_FALSE(w->PanFind->isVisible());
  EXPECT_FALSE(w->WB2->ElementExists(TElementRef::ById("fnd0_0")));
  EXPECT_TRUE(messages.List().empty());
}

// bench/find_panel_bench.sh: from Enter to the first occurrence in view on the right page of a
// large pair, beside the floor of the view (setting the same body unchanged), medians of runs.
TEST(FindPanelBench, LargestPair) {
  if (qEnvironmentVariableIsEmpty("PARVEL_FIND_BENCH")) GTEST_SKIP();
  const QByteArray pairEnv = qgetenv("PARVEL_CORPUS_PAIR");
  const std::string pair = pairEnv.isEmpty() ? "10_byudzhetny_kodeks" : pairEnv.toStdString();
  auto body = [](const std::string& name) {
    std::string s = ReadFile(QString(PARVEL_CORPUS_DIR) + "/" + QString::fromStdString(name));
    const size_t at = s.find("<body");
    return at == std::string::npos ? s : s.substr(at + s.substr(at).find('>') + 1);
  };
  TProgramDir dir;
  TMessages messages;
  auto w = ShowMainWindow(dir);
  SetBody(w->WB1, body(pair + "_old.htm"));
  SetBody(w->WB2, body(pair + "_new.htm"));
  w->bCompareTexts->click();
  w->Links->WB1Enter(w->WB2);
  w->acTextFind->trigger();
  auto median = [](std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
  };
  auto timed = [&](const std::function<void()>& f) {
    std::vector<double> ms;
    for (int i = 0; i < 7; ++i) {
      QElapsedTimer t;
      t.start();
      f();
      ms.push_back(t.nsecsElapsed() / 1e6);
    }
    return median(ms);
  };
  const double floor = timed([&] {
    w->WB2->SetInnerHtml(TElementRef::Body(), w->StoredBody[2]);
    w->WB2->WaitReady();
  });
  std::printf("find-bench pair %s body %zu bytes\n", pair.c_str(), w->StoredBody[2].size());
  std::printf("find-bench floor: set the body unchanged %.1f ms\n", floor);
  for (const char* query : {"бюджет", "бюджетный кодекс российской"}) {
    w->Find->edSearch->setText(QString::fromUtf8(query));
    const double ms = timed([&] {
      QTest::keyClick(w->Find->edSearch, Qt::Key_Return);
    });
    std::printf("find-bench \"%s\": %d occurrences, Enter to first in view %.1f ms (%.2f x floor)\n", query,
                w->Find->FindCount, ms, ms / floor);
    if (qEnvironmentVariableIsSet("PARVEL_FIND_BENCH_PARTS")) {
      int count = 0;
      std::string marked;
      const std::string q = W(query);
      std::printf("find-bench   MarkMatches %.1f ms\n", timed([&] { marked = MarkMatches(q, w->StoredBody[2] + " ", count); }));
      std::printf("find-bench   set marked body %.1f ms\n", timed([&] {
                    w->WB2->SetInnerHtml(TElementRef::Body(), marked);
                    w->WB2->WaitReady();
                  }));
      std::printf("find-bench   scroll to first %.1f ms\n", timed([&] {
                    w->WB2->ScrollIntoView(TElementRef::ById("fnd0_0"), true);
                    (void)w->WB2->BoundingTop(TElementRef::ById("fnd0_0"));
                  }));
      std::printf("find-bench   layout after a body %.1f ms\n", timed([&] {
                    w->WB2->SetInnerHtml(TElementRef::Body(), marked);
                    (void)w->WB2->BodyScrollHeight();
                  }));
    }
  }
}

PARVEL_GUI_TEST_MAIN()
