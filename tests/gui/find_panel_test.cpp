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
#include <new>
#include <stdexcept>

#include "appbase/Failure.h"
#include "find/TextFinder.h"
#include "gui/GuiTestSupport.h"

using namespace guitest;

namespace {

// The right page of a comparison holds the searched words; the left page is its old edition.
std::unique_ptr<TVerCmp> ComparedWithRightCurrent(const TProgramDir& dir, const std::string& right) {
  auto w = ShowMainWindow(dir);
  SetBody(UI(w).WB1, "<p>" + W("Прежняя редакция.") + "</p>");
  SetBody(UI(w).WB2, right);
  UI(w).bCompareTexts->click();
  UI(w).Links->WB1Enter(UI(w).WB2);
  EXPECT_EQ(UI(w).CurrentView, 2);
  return w;
}

std::string Colour(TVerCmp& w, const std::string& id) {
  return UI(w).WB2->BackgroundColor(TElementRef::ById(id));
}

void Search(TVerCmp& w, const char* query) {
  UI(w).acTextFind->trigger();
  UI(w).Find->edSearch->setText(QString::fromUtf8(query));
  UI(w).Find->bFind->click();
}

std::string Label(TVerCmp& w) { return UI(w).Find->LFindCount->text().toStdString(); }

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
  EXPECT_TRUE(UI(w).PanFind->isVisible());
  EXPECT_EQ(UI(w).Find->FindCount, 3);
  EXPECT_EQ(UI(w).Find->FindIndex, -1);
  EXPECT_EQ(Label(*w), "Найдено: 3");
  EXPECT_EQ(Colour(*w, "fnd0_0"), "");  // nothing coloured yet
  EXPECT_GT(UI(w).WB2->BodyScrollTop(), 0);  // scrolled to the first occurrence
  const int top = UI(w).WB2->BoundingTop(TElementRef::ById("fnd0_0"));
  EXPECT_GE(top, 0);
  EXPECT_LE(top, 100);

  UI(w).Find->bFindBackwardClick();  // right after a search: the start
  ASSERT_EQ(messages.List(), std::vector<std::string>{"Достигнуто начало документа"});
  UI(w).Find->bFindForward->click();
  EXPECT_EQ(Colour(*w, "fnd0_0"), "#ff9632");
  EXPECT_EQ(Label(*w), "1 из 3");
  UI(w).Find->bFindForward->click();
  EXPECT_EQ(Colour(*w, "fnd0_0"), "#ffff00");
  EXPECT_EQ(Colour(*w, "fnd1_0"), "#ff9632");
  UI(w).Find->bFindForward->click();
  UI(w).Find->bFindForward->click();  // past the last one: a message, nothing changes
  EXPECT_EQ(messages.List().back(), "Достигнут конец документа");
  EXPECT_EQ(UI(w).Find->FindIndex, 2);
  EXPECT_EQ(Colour(*w, "fnd2_0"), "#ff9632");
  UI(w).Find->bFindBackward->click();
  EXPECT_EQ(Colour(*w, "fnd1_0"), "#ff9632");
  EXPECT_EQ(Colour(*w, "fnd2_0"), "#ffff00");

  // A second search marks the stored body afresh; the colours of the first are gone.
  Search(*w, "налог");
  EXPECT_EQ(UI(w).Find->FindCount, 1);
  EXPECT_FALSE(UI(w).WB2->ElementExists(TElementRef::ById("fnd1_0")));
  EXPECT_EQ(Colour(*w, "fnd0_0"), "");
  Search(*w, "   ");
  EXPECT_EQ(UI(w).Find->FindCount, 0);
  EXPECT_EQ(Label(*w), "Не найдено");

  // Moving to the other view closes the panel and gives the page its unmarked body back.
  Search(*w, "закон");
  ASSERT_TRUE(UI(w).WB2->ElementExists(TElementRef::ById("fnd0_0")));
  UI(w).Links->WB1Enter(UI(w).WB1);
  EXPECT_FALSE(UI(w).PanFind->isVisible());
  EXPECT_FALSE(UI(w).WB2->ElementExists(TElementRef::ById("fnd0_0")));
  EXPECT_EQ(UI(w).WB2->OuterHtml(TElementRef::Body()).find("fnd"), std::string::npos);
  EXPECT_EQ(UI(w).Find->FindCount, 0);
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
  ASSERT_GE(UI(w).Find->FindCount, 1);
  ASSERT_TRUE(UI(w).WB2->ElementExists(TElementRef::ById("fnd0_24")));
  UI(w).Find->bFindForwardClick();
  EXPECT_EQ(Colour(*w, "fnd0_19"), "#ff9632");
  EXPECT_EQ(Colour(*w, "fnd0_20"), "");

  // An abbreviation finds its expansion.
  Search(*w, "ГК РФ");
  ASSERT_EQ(UI(w).Find->FindCount, 1);
  EXPECT_EQ(UI(w).WB2->InnerText(TElementRef::ById("fnd0_0")), W("Гражданский"));
  EXPECT_TRUE(UI(w).WB2->ElementExists(TElementRef::ById("fnd0_3")));
  UI(w).Find->bCancel->click();
  EXPECT_FALSE(UI(w).PanFind->isVisible());
  EXPECT_FALSE(UI(w).WB2->ElementExists(TElementRef::ById("fnd0_0")));
  EXPECT_TRUE(messages.List().empty());
}

// bench/find_panel_bench.sh: from Enter to the first occurrence in view on the right page of a
// large pair, beside the floor of the view (setting the same body unchanged), medians of runs.
// A command that fails for want of memory says so in Russian, in the feature's own message and in
// the window's failure report alike.
TEST(FindPanel, FailureSaidInRussian) {
  struct THost : IFindPanelHost {
    THtmlView* ResultView(int) override { throw std::bad_alloc(); }
    int CurrentViewNumber() const override { return 1; }
    const std::string& StoredBodyOf(int) const override { return body; }
    void ShowMessage(const QString& text) override { shown.push_back(text.toStdString()); }
    std::string body;
    std::vector<std::string> shown;
  } host;
  QWidget panFind;
  TFindPanel panel(host, &panFind, new QWidget(&panFind));
  panel.acTextFindExecute();
  const std::string lack = "Не хватает памяти, чтобы выполнить команду.";
  EXPECT_EQ(host.shown, std::vector<std::string>{lack});

  TMessages messages;
  ReportFailure(nullptr, std::bad_alloc());
  ReportFailure(nullptr, std::runtime_error("Файл занят"));
  EXPECT_EQ(messages.List(), (std::vector<std::string>{lack, "Файл занят"}));
}

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
  SetBody(UI(w).WB1, body(pair + "_old.htm"));
  SetBody(UI(w).WB2, body(pair + "_new.htm"));
  UI(w).bCompareTexts->click();
  UI(w).Links->WB1Enter(UI(w).WB2);
  UI(w).acTextFind->trigger();
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
    UI(w).WB2->SetInnerHtml(TElementRef::Body(), UI(w).StoredBody[2]);
    UI(w).WB2->WaitReady();
  });
  std::printf("find-bench pair %s body %zu bytes\n", pair.c_str(), UI(w).StoredBody[2].size());
  std::printf("find-bench floor: set the body unchanged %.1f ms\n", floor);
  for (const char* query : {"бюджет", "бюджетный кодекс российской"}) {
    UI(w).Find->edSearch->setText(QString::fromUtf8(query));
    const double ms = timed([&] {
      QTest::keyClick(UI(w).Find->edSearch, Qt::Key_Return);
    });
    std::printf("find-bench \"%s\": %d occurrences, Enter to first in view %.1f ms (%.2f x floor)\n", query,
                UI(w).Find->FindCount, ms, ms / floor);
    if (qEnvironmentVariableIsSet("PARVEL_FIND_BENCH_PARTS")) {
      int count = 0;
      std::string marked;
      const std::string q = W(query);
      std::printf("find-bench   MarkMatches %.1f ms\n", timed([&] { marked = MarkMatches(q, UI(w).StoredBody[2] + " ", count); }));
      std::printf("find-bench   set marked body %.1f ms\n", timed([&] {
                    UI(w).WB2->SetInnerHtml(TElementRef::Body(), marked);
                    UI(w).WB2->WaitReady();
                  }));
      std::printf("find-bench   scroll to first %.1f ms\n", timed([&] {
                    UI(w).WB2->ScrollIntoView(TElementRef::ById("fnd0_0"), true);
                    (void)UI(w).WB2->BoundingTop(TElementRef::ById("fnd0_0"));
                  }));
      std::printf("find-bench   layout after a body %.1f ms\n", timed([&] {
                    UI(w).WB2->SetInnerHtml(TElementRef::Body(), marked);
                    (void)UI(w).WB2->BodyScrollHeight();
                  }));
    }
  }
}

PARVEL_GUI_TEST_MAIN()
