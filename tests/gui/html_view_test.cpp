// The HTML view over the web engine: what the windows rely on it for.
#include <QTemporaryDir>

#include "gui/GuiTestSupport.h"
#include "view/HtmlView.h"

using namespace guitest;

namespace {

class HtmlViewTest : public ::testing::Test {
 protected:
  void SetUp() override {
    host_ = std::make_unique<QWidget>();
    host_->resize(600, 400);
    view_ = CreateHtmlView(host_.get());
    view_->setGeometry(0, 0, 600, 400);
    host_->show();
  }
  // Writes a page (Windows-1251 bytes) and shows it.
  void Show(const std::string& html1251, const char* name = "page.htm") {
    const QString path = dir_.path() + "/" + name;
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(QByteArray::fromStdString(
        "<html><head><meta http-equiv=\"Content-Type\" content=\"text/html; charset=windows-1251\"/>"
        "</head>" + html1251 + "</html>"));
    f.close();
    view_->Navigate(path.toStdString());
    ASSERT_TRUE(view_->WaitReady(30000));
  }
  QTemporaryDir dir_;
  std::unique_ptr<QWidget> host_;
  THtmlView* view_ = nullptr;
};

}  // namespace

TEST_F(HtmlViewTest, NoDocumentUntilSomethingIsLoaded) {
  EXPECT_FALSE(view_->HasDocument());
  EXPECT_EQ(view_->ReadyState(), rsUninitialized);
  EXPECT_EQ(view_->OuterHtml(TElementRef::Body()), "");
  EXPECT_EQ(view_->CountElements("acronym", "t_d"), 0);
  Show("<body><p>x</p></body>");
  EXPECT_TRUE(view_->HasDocument());
  EXPECT_EQ(view_->ReadyState(), rsComplete);
}

TEST_F(HtmlViewTest, TextCrossesInWindows1251) {
  Show("<body><p>" + W("Статья 1. Ёлка — «знак»") + "</p></body>");
  EXPECT_EQ(view_->InnerText(TElementRef::Body()), W("Статья 1. Ёлка — «знак»"));
  // A character Windows-1251 lacks comes back in HTML as its reference, in plain text as "?".
  view_->SetInnerHtml(TElementRef::Body(), "<p>a&#x4E2D;b</p>");
  EXPECT_EQ(view_->OuterHtml(TElementRef::Body()), "<body><p>a&#20013;b</p></body>");
  EXPECT_EQ(view_->InnerText(TElementRef::Body()), "a?b");
}

TEST_F(HtmlViewTest, PageScriptsNeverRun) {
  Show("<body onload=\"document.body.setAttribute('data-x','1')\"><p id=\"p\">x</p>"
       "<script>document.getElementById('p').textContent='changed';</script></body>");
  EXPECT_EQ(view_->InnerText(TElementRef::ById("p")), "x");
  EXPECT_EQ(view_->OuterHtml(TElementRef::Body()).find("data-x=\"1\""), std::string::npos);
  // Markup written by the program does not run either.
  view_->SetInnerHtml(TElementRef::Body(), "<img src=\"nothing.png\" onerror=\"document.title='ran'\"><p>y</p>");
  QApplication::processEvents(QEventLoop::AllEvents, 200);
  EXPECT_EQ(view_->InnerText(TElementRef::Body()), "y");
}

TEST_F(HtmlViewTest, ElementsByIdAndIndexWithBatchedForms) {
  std::string body = "<body>";
  for (int i = 0; i < 40; ++i)
    body += "<p>" + std::to_string(i) + " <acronym id=\"t_d\" style=\"background-color:#" +
            (i % 2 ? "ccffcc" : "ffcccc") + "\">m" + std::to_string(i) + "</acronym></p>";
  body += "<span id=\"t_d\">not an acronym</span></body>";
  Show(body);

  EXPECT_EQ(view_->CountElements("acronym", "t_d"), 40);
  EXPECT_TRUE(view_->ElementExists(TElementRef::Item("t_d", 40)));  // the span counts here
  EXPECT_FALSE(view_->ElementExists(TElementRef::Item("t_d", 41)));
  EXPECT_EQ(view_->InnerText(TElementRef::Item("t_d", 3)), "m3");

  const std::vector<int> tops = view_->AbsoluteTops("acronym", "t_d");
  const std::vector<std::string> colours = view_->BackgroundColors("acronym", "t_d");
  ASSERT_EQ(tops.size(), 40u);
  ASSERT_EQ(colours.size(), 40u);
  for (int i = 0; i < 40; ++i) {
    EXPECT_EQ(tops[i], view_->AbsoluteTop(TElementRef::Item("t_d", i))) << i;
    EXPECT_EQ(colours[i], view_->BackgroundColor(TElementRef::Item("t_d", i))) << i;
    EXPECT_EQ(colours[i], i % 2 ? "#ccffcc" : "#ffcccc");
    if (i > 0) EXPECT_GT(tops[i], tops[i - 1]);
  }

  view_->SetBackgroundColor(TElementRef::Item("t_d", 5), "#ff7777");
  EXPECT_EQ(view_->BackgroundColor(TElementRef::Item("t_d", 5)), "#ff7777");
  view_->SetBackgroundColor(TElementRef::Item("t_d", 5), 0xCCFFCCu);
  EXPECT_EQ(view_->BackgroundColor(TElementRef::Item("t_d", 5)), "#ccffcc");

  // A missing element: getters give nothing, setters do nothing.
  EXPECT_EQ(view_->AbsoluteTop(TElementRef::ById("none")), 0);
  EXPECT_EQ(view_->BackgroundColor(TElementRef::ById("none")), "");
  view_->SetInnerHtml(TElementRef::ById("none"), "x");
}

TEST_F(HtmlViewTest, ScrollingAndTheBodyHeight) {
  std::string body = "<body>";
  for (int i = 0; i < 300; ++i)
    body += (i == 150 ? "<p id=\"mid\">line " : "<p>line ") + std::to_string(i) + "</p>";
  body += "<p id=\"last\">end</p></body>";
  Show(body);
  const int height = view_->BodyScrollHeight();
  EXPECT_GT(height, 2000);
  EXPECT_EQ(view_->BodyScrollTop(), 0);
  view_->SetBodyScrollTop(500);
  EXPECT_EQ(view_->BodyScrollTop(), 500);
  view_->ScrollIntoView(TElementRef::ById("last"), true);
  EXPECT_GT(view_->BodyScrollTop(), 500);
  EXPECT_LE(view_->BoundingTop(TElementRef::ById("last")), 400);
  view_->SetBodyScrollLeft(0);
  view_->ScrollIntoView(TElementRef::ById("mid"), true);
  EXPECT_NEAR(view_->BodyScrollTop(), view_->AbsoluteTop(TElementRef::ById("mid")), 2);
  // Zoomed, offsets stay in the units the view scrolls in.
  view_->SetBodyZoom("200%");
  EXPECT_GT(view_->BodyScrollHeight(), height * 3 / 2);
  view_->ScrollIntoView(TElementRef::ById("mid"), true);
  EXPECT_NEAR(view_->BodyScrollTop(), view_->AbsoluteTop(TElementRef::ById("mid")), 2);
  EXPECT_NEAR(view_->AbsoluteTops("p", "mid").at(0), view_->AbsoluteTop(TElementRef::ById("mid")), 0);
  EXPECT_NEAR(view_->BoundingTop(TElementRef::ById("mid")), 0, 2);

  // The layout in one question: the same height and tops, the page put at its top when asked.
  view_->StartMeasureMarks("p", "mid", false);
  EXPECT_TRUE(view_->MeasuringMarks());
  THtmlView::TMarkLayout layout = view_->TakeMeasuredMarks();
  EXPECT_FALSE(view_->MeasuringMarks());
  EXPECT_EQ(layout.ScrollHeight, view_->BodyScrollHeight());
  EXPECT_EQ(layout.Tops, view_->AbsoluteTops("p", "mid"));
  EXPECT_GT(view_->BodyScrollTop(), 0);
  view_->StartMeasureMarks("p", "mid", true);
  layout = view_->TakeMeasuredMarks();
  EXPECT_EQ(view_->BodyScrollTop(), 0);
  ASSERT_EQ(layout.Tops.size(), 1u);
  EXPECT_EQ(layout.Tops[0], view_->AbsoluteTop(TElementRef::ById("mid")));
  // An answer no longer wanted is dropped; taking none is a failed view operation.
  view_->StartMeasureMarks("p", "mid", false);
  view_->DropMeasuredMarks();
  EXPECT_THROW(view_->TakeMeasuredMarks(), EHtmlViewError);
}

TEST_F(HtmlViewTest, DesignModeAndRefusedNavigation) {
  Show("<body><p>x</p></body>");
  EXPECT_FALSE(view_->DesignMode());
  view_->SetDesignMode(true);
  EXPECT_TRUE(view_->DesignMode());
  view_->StartSetDesignMode(false);  // the next question finds it set
  EXPECT_FALSE(view_->DesignMode());
  view_->StartSetDesignMode(true);
  EXPECT_TRUE(view_->DesignMode());
  view_->SetDesignMode(false);
  EXPECT_FALSE(view_->DesignMode());

  std::vector<std::string> seen;
  QObject::connect(view_, &THtmlView::BeforeNavigate,
                   [&](THtmlView*, const std::string& address, bool& cancel) {
                     seen.push_back(address);
                     cancel = address.find("other") != std::string::npos;
                   });
  const QString other = dir_.path() + "/other.htm";
  QFile f(other);
  ASSERT_TRUE(f.open(QIODevice::WriteOnly));
  f.write("<html><body><p>other</p></body></html>");
  f.close();
  view_->Navigate(other.toStdString());
  EXPECT_TRUE(view_->WaitReady(10000));  // a refused navigation does not leave the view loading
  ASSERT_FALSE(seen.empty());
  EXPECT_EQ(seen.back(), other.toStdString());
  EXPECT_EQ(view_->InnerText(TElementRef::Body()), "x");
}

PARVEL_GUI_TEST_MAIN()
