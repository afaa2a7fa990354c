// Keys, mouse and focus around the document views; links, history, clipboard, the info panel
// and the About box, in the real window with real pages.
//
// PARVEL_SCREENSHOT_DIR receives pictures of the popup menu, the About box, the info panel and
// the whole window at its design width.
#include <QClipboard>
#include <QMenu>
#include <QMimeData>
#include <QProcess>
#include <QTimer>
#include <QToolButton>
#include <QWheelEvent>
#include <QtTest/QTest>

#include "app/About.h"
#include "gui/GuiTestSupport.h"
#include "links/OutsideOpener.h"

using namespace guitest;

namespace {

// Records what would have been opened outside instead of starting a browser.
class TOpened {
 public:
  TOpened() {
    SetOutsideOpener([this](const QUrl& url) {
      list_.push_back(url.toString().toStdString());
      return true;
    });
  }
  ~TOpened() { SetOutsideOpener(nullptr); }
  const std::vector<std::string>& List() const { return list_; }

 private:
  std::vector<std::string> list_;
};

void Settle(int ms = 300) {
  QElapsedTimer t;
  t.start();
  while (t.elapsed() < ms) QApplication::processEvents(QEventLoop::AllEvents, 20);
}

// The widget of a view that receives the mouse and the keys (the engine's inner widget).
QWidget* Inner(THtmlView* v) {
  QWidget* w = v->childAt(v->width() / 2, v->height() / 2);
  return w ? w : v;
}

// A point inside element `id` of a view, in the inner widget's coordinates.
QPoint PointOf(THtmlView* v, const char* id) {
  QWidget* inner = Inner(v);
  const int top = v->BoundingTop(TElementRef::ById(id));
  return inner->mapFrom(v, QPoint(70, 0)) + QPoint(0, top + 6);
}

// Mouse input as the window system delivers it: to the window, which finds the widget.
QPoint InWindow(THtmlView* v, QPoint innerPoint) {
  return Inner(v)->mapTo(v->window(), innerPoint);
}
void Click(THtmlView* v, Qt::MouseButton b, Qt::KeyboardModifiers m, QPoint innerPoint) {
  QTest::mouseClick(v->window()->windowHandle(), b, m, InWindow(v, innerPoint));
}

// The mouse comes to rest over link `id`; the engine reports the link's address.
void Hover(THtmlView* v, const char* id, TVerCmp& w, bool webLink = true) {
  QTest::mouseMove(v->window()->windowHandle(), InWindow(v, PointOf(v, id)));
  WaitFor([&] { return UI(w).Links->HoverLink.empty() != webLink; }, 5000);
}

// Counts the mouse presses that reach a widget.
struct TPresses : QObject {
  int count = 0;
  bool eventFilter(QObject*, QEvent* e) override {
    if (e->type() == QEvent::MouseButtonPress) ++count;
    return false;
  }
};

bool Focused(THtmlView* v) {
  QWidget* f = QApplication::focusWidget();
  return f && (f == v || v->isAncestorOf(f));
}

void FocusView(TVerCmp& w, THtmlView* v) {
  w.activateWindow();
  (void)QTest::qWaitForWindowActive(&w, 3000);
  v->FocusDocument();
  ASSERT_TRUE(WaitFor([&] { return Focused(v); }, 5000));
}

std::string Para(const char* id, const std::string& href, const char* text) {
  return "<p><a id=\"" + std::string(id) + "\" href=\"" + href + "\">" + W(text) + "</a> " +
         W("и продолжение абзаца") + "</p>";
}

// A compared result whose unchanged paragraphs carry links; the last paragraph differs.
std::unique_ptr<TVerCmp> ComparedWithLinks(const TProgramDir& dir, const QString& localTarget) {
  auto w = ShowMainWindow(dir);
  std::string links = Para("web", "http://example.com/law", "Ссылка на закон в сети") +
                      Para("file", "file:///tmp/http-list.htm", "Ссылка на файл") +
                      Para("js", "javascript:void('http')", "Ссылка-сценарий") +
                      Para("local", QUrl::fromLocalFile(localTarget).toString().toStdString(),
                           "Ссылка на соседнюю страницу");
  SetBody(UI(w).WB1, links + "<p>" + W("Ставка десять процентов.") + "</p>");
  SetBody(UI(w).WB2, links + "<p>" + W("Ставка двенадцать процентов.") + "</p>");
  UI(w).bCompareTexts->click();
  EXPECT_EQ(UI(w).Navigation->ChangeCount, 1);
  return w;
}

// Runs check on the modal box that LAboutClick shows, then closes it with Esc.
void WithAboutBox(TVerCmp& w, const std::function<void(TAbout&)>& check) {
  bool seen = false;
  std::function<void()> poll = [&] {
    TAbout* about = nullptr;
    for (QWidget* t : QApplication::topLevelWidgets())
      if (auto* a = qobject_cast<TAbout*>(t); a && a->isVisible()) about = a;
    if (!about) {
      QTimer::singleShot(50, poll);
      return;
    }
    seen = true;
    EXPECT_TRUE(QTest::qWaitForWindowActive(about, 3000));
    check(*about);
    QTest::keyClick(about, Qt::Key_Escape);
    if (about->isVisible()) about->reject();  // never leave the test waiting on the box
  };
  QTimer::singleShot(50, poll);
  w.LAboutClick();
  EXPECT_TRUE(seen);
}

}  // namespace

TEST(Keys, FindAndZoomKeysAreTheProgramsAndNeverTheViews) {
  TProgramDir dir;
  TMessages messages;  // a message box would wait for a click that never comes
  auto w = ShowMainWindow(dir);
  SetBody(UI(w).WB1, "<p>" + W("Первая редакция.") + "</p>");
  SetBody(UI(w).WB2, "<p>" + W("Вторая редакция.") + "</p>");
  UI(w).bCompareTexts->click();
  // After a comparison the focus is already in the view: Ctrl+I works at once.
  EXPECT_TRUE(WaitFor([&] { return Focused(UI(w).WB1); }, 5000));
  FocusView(*w, UI(w).WB1);
  QWidget* target = QApplication::focusWidget();
  QTest::keyClick(target, Qt::Key_I, Qt::ControlModifier);
  EXPECT_EQ(UI(w).Zoom->ZoomIndex, 8);

  // What the view itself gets of the keys.
  struct TSeen : QObject {
    int keys = 0;
    bool eventFilter(QObject*, QEvent* e) override {
      // The modifier keys themselves do reach the view, as they would alone.
      if (e->type() == QEvent::KeyPress && static_cast<QKeyEvent*>(e)->key() != Qt::Key_Control) ++keys;
      return false;
    }
  } seen;
  target->installEventFilter(&seen);

  ASSERT_FALSE(UI(w).PanFind->isVisible());
  QTest::keyClick(target, Qt::Key_F, Qt::ControlModifier);
  EXPECT_TRUE(UI(w).PanFind->isVisible());
  QTest::keyClick(target, Qt::Key_Equal, Qt::ControlModifier);
  EXPECT_EQ(UI(w).Zoom->ZoomIndex, 9);
  QTest::keyClick(target, Qt::Key_Plus, Qt::ControlModifier | Qt::KeypadModifier);
  EXPECT_EQ(UI(w).Zoom->ZoomIndex, 10);
  QTest::keyClick(target, Qt::Key_Minus, Qt::ControlModifier | Qt::KeypadModifier);
  EXPECT_EQ(UI(w).Zoom->ZoomIndex, 9);
  QTest::keyClick(target, Qt::Key_Minus, Qt::ControlModifier);
  EXPECT_EQ(UI(w).Zoom->ZoomIndex, 8);
  EXPECT_EQ(seen.keys, 0) << "a combination reached the view";
  // Other keys are the view's own.
  QTest::keyClick(target, Qt::Key_Right);
  EXPECT_EQ(seen.keys, 1);

  // While the About box is active the combinations are swallowed and run nothing.
  WithAboutBox(*w, [&](TAbout& about) {
    QTest::keyClick(about.bClose, Qt::Key_Equal, Qt::ControlModifier);
    QTest::keyClick(about.bClose, Qt::Key_Minus, Qt::ControlModifier);
    EXPECT_EQ(UI(w).Zoom->ZoomIndex, 8);
    EXPECT_TRUE(about.isVisible());
  });
  target->removeEventFilter(&seen);
}

TEST(Mouse, RightClickGivesTheProgramsMenuOnReleaseAndNothingInTheInfoPanel) {
  TProgramDir dir;
  TMessages messages;  // a message box would wait for a click that never comes
  auto w = ShowMainWindow(dir);
  FocusView(*w, UI(w).WB2);
  QWidget* inner = Inner(UI(w).WB1);
  const QPoint at(40, 50);
  QTest::mousePress(inner, Qt::RightButton, {}, at);
  Settle(200);
  EXPECT_FALSE(UI(w).PopMenuText->isVisible()) << "the menu opens as the button comes up";
  EXPECT_EQ(QApplication::activePopupWidget(), nullptr) << "no menu of the view's own";
  QTest::mouseRelease(inner, Qt::RightButton, {}, at);
  ASSERT_TRUE(WaitFor([&] { return UI(w).PopMenuText->isVisible(); }, 3000));
  EXPECT_EQ(UI(w).PopMenuText->pos(), inner->mapToGlobal(at));
  EXPECT_FALSE(UI(w).acOpenInNewWin->isEnabled());  // no link under the mouse
  UI(w).PopMenuText->close();

  QWidget* info = Inner(UI(w).WBInfo);
  QTest::mousePress(info, Qt::RightButton, {}, at);
  QTest::mouseRelease(info, Qt::RightButton, {}, at);
  Settle(300);
  EXPECT_EQ(QApplication::activePopupWidget(), nullptr);
  EXPECT_FALSE(UI(w).PopMenuText->isVisible());
}

TEST(Links, OutsideOnlyForWebAddressesInsideOnAPlainClickAndHistory) {
  TProgramDir dir;
  TOpened opened;
  TMessages messages;
  const QString target = dir.TempDir() + "/target.htm";
  {
    QFile f(target);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("<html><body><p id=\"t\">Target page</p></body></html>");
  }
  auto w = ComparedWithLinks(dir, target);
  THtmlView* v = UI(w).WB1;
  FocusView(*w, v);
  const std::string page = v->LocationUrl();

  // Ctrl-click and middle click on a web link: opened outside, the view stays.
  Hover(v, "web", *w);
  ASSERT_EQ(UI(w).Links->HoverLink, "http://example.com/law");
  Click(v, Qt::LeftButton, Qt::ControlModifier, PointOf(v, "web"));
  Click(v, Qt::MiddleButton, {}, PointOf(v, "web"));
  Settle(500);
  EXPECT_EQ(opened.List(), (std::vector<std::string>{"http://example.com/law", "http://example.com/law"}));
  EXPECT_EQ(v->LocationUrl(), page);

  // The popup menu offers the link under the mouse.
  UI(w).Links->PopMenuTextPopup();
  EXPECT_TRUE(UI(w).acOpenInNewWin->isEnabled());
  EXPECT_EQ(UI(w).acOpenInNewWin->toolTip().toStdString(), "http://example.com/law");
  UI(w).Links->HoverLink.clear();  // the mouse went on to the menu
  UI(w).acOpenInNewWin->trigger();
  EXPECT_EQ(opened.List().size(), 3u);
  UI(w).Links->WB1StatusTextChange(v, W("Готово"));
  EXPECT_TRUE(UI(w).Links->HoverLink.empty());
  UI(w).Links->PopMenuTextPopup();
  EXPECT_FALSE(UI(w).acOpenInNewWin->isEnabled());

  // "file:" and "javascript:" links never leave the program, whatever they contain.
  Hover(v, "file", *w);
  ASSERT_EQ(UI(w).Links->HoverLink, "file:///tmp/http-list.htm");
  Click(v, Qt::LeftButton, Qt::ShiftModifier, PointOf(v, "file"));
  Click(v, Qt::MiddleButton, {}, PointOf(v, "file"));
  // The engine names no address for a script link; had it named one, it would be refused too.
  UI(w).Links->WB1StatusTextChange(v, "javascript:void('http')");
  UI(w).Links->OpenHoverLink();
  Settle(300);
  EXPECT_EQ(opened.List().size(), 3u);
  EXPECT_FALSE(MayOpenOutside("file:///etc/passwd"));
  EXPECT_FALSE(MayOpenOutside(" JavaScript:alert('http')"));
  EXPECT_TRUE(MayOpenOutside("MAILTO:office@example.com"));
  EXPECT_EQ(v->LocationUrl(), page);

  // A plain click is the view's own (it follows the link inside the view); the history buttons
  // follow the view's history.
  // A plain click follows the link inside the view; the history buttons follow the view.
  Hover(v, "local", *w, false);
  EXPECT_TRUE(UI(w).Links->HoverLink.empty()) << "a local link is no web address";
  // Without a web link under the mouse a middle click is the view's own.
  TPresses presses;
  Inner(v)->installEventFilter(&presses);
  Click(v, Qt::MiddleButton, {}, PointOf(v, "local"));
  EXPECT_EQ(presses.count, 1);
  Inner(v)->removeEventFilter(&presses);
  Click(v, Qt::LeftButton, {}, PointOf(v, "local"));
  ASSERT_TRUE(WaitFor([&] { return v->LocationUrl() == target.toStdString(); }, 10000));
  ASSERT_TRUE(WaitFor([&] { return UI(w).bBack->isEnabled(); }, 5000));
  EXPECT_TRUE(UI(w).Links->CanGoBack[1]);
  EXPECT_EQ(opened.List().size(), 3u);

  // Focusing the other view shows its history state, and back again.
  FocusView(*w, UI(w).WB2);
  EXPECT_EQ(UI(w).CurrentView, 2);
  EXPECT_FALSE(UI(w).bBack->isEnabled());
  FocusView(*w, v);
  EXPECT_EQ(UI(w).CurrentView, 1);
  EXPECT_TRUE(UI(w).bBack->isEnabled());

  // Back and forward restore the pages.
  UI(w).bBack->click();
  EXPECT_EQ(v->LocationUrl(), page);
  EXPECT_TRUE(UI(w).Navigation->SyncEnabled);
  ASSERT_TRUE(WaitFor([&] { return UI(w).bForward->isEnabled(); }, 5000));
  EXPECT_EQ(v->CountElements("acronym", "t_d"), 1);
  UI(w).bForward->click();
  EXPECT_EQ(v->LocationUrl(), target.toStdString());
  EXPECT_TRUE(messages.List().empty());

  // A page that never becomes ready ends the wait with a message.
  UI(w).Links->HistoryWaitMs = 0;
  UI(w).bBack->click();
  EXPECT_TRUE(UI(w).Navigation->SyncEnabled);
  if (!messages.List().empty()) EXPECT_NE(messages.List()[0].find("не загрузилась"), std::string::npos);
}

TEST(Focus, SelectionWheelAndTheOtherView) {
  TProgramDir dir;
  TMessages messages;  // a message box would wait for a click that never comes
  auto w = ShowMainWindow(dir);
  std::string body;
  for (int i = 0; i < 80; ++i) body += "<p>" + W("Абзац номер ") + std::to_string(i) + "</p>";
  SetBody(UI(w).WB1, body);
  SetBody(UI(w).WB2, body);
  UI(w).bCompareTexts->click();
  ASSERT_EQ(UI(w).Navigation->ChangeCount, 0);
  FocusView(*w, UI(w).WB1);
  ASSERT_EQ(UI(w).CurrentView, 1);

  // A wheel turn over the other view makes it lead without taking the focus or closing the panel.
  UI(w).acTextFind->trigger();
  ASSERT_TRUE(UI(w).PanFind->isVisible());
  QWidget* inner = Inner(UI(w).WB2);
  const QPoint at(50, 50);
  QWheelEvent wheel(at, inner->mapToGlobal(at), {}, QPoint(0, -120), Qt::NoButton, {},
                    Qt::NoScrollPhase, false);
  QApplication::sendEvent(inner, &wheel);
  EXPECT_EQ(UI(w).Navigation->ScrollLeader, 2);
  EXPECT_EQ(UI(w).CurrentView, 1);
  EXPECT_TRUE(UI(w).PanFind->isVisible());
  // (The wheel may also scroll the view itself; either way the other follows it.)
  UI(w).WB2->SetBodyScrollTop(200);
  EXPECT_TRUE(WaitFor([&] {
    const int top = UI(w).WB2->BodyScrollTop();
    return top >= 200 && UI(w).WB1->BodyScrollTop() == top && UI(w).Navigation->LastScrollTop[2] == top;
  }, 5000)) << UI(w).WB1->BodyScrollTop() << " " << UI(w).WB2->BodyScrollTop();

  // Selecting text with the mouse in the other view moves the focus there; the find panel closes.
  QWindow* win = w->windowHandle();
  const QPoint from = Inner(UI(w).WB2)->mapTo(w.get(), QPoint(20, 40));
  QTest::mousePress(win, Qt::LeftButton, {}, from);
  QTest::mouseMove(win, from + QPoint(120, 30));
  QTest::mouseRelease(win, Qt::LeftButton, {}, from + QPoint(120, 30));
  EXPECT_TRUE(WaitFor([&] { return UI(w).CurrentView == 2; }, 5000));
  EXPECT_TRUE(Focused(UI(w).WB2));
  EXPECT_FALSE(UI(w).PanFind->isVisible());
  EXPECT_EQ(UI(w).Navigation->ScrollLeader, 2);
  EXPECT_TRUE(messages.List().empty()) << messages.List()[0];
}

TEST(Clipboard, CopyAndPasteThroughTheMenuActOnTheFocusedView) {
  TProgramDir dir;
  TMessages messages;  // a message box would wait for a click that never comes
  auto w = ShowMainWindow(dir);
  FocusView(*w, UI(w).WB2);
  QApplication::clipboard()->setText(QString::fromUtf8("Вставленный текст"));
  UI(w).acPaste->trigger();
  EXPECT_TRUE(WaitFor([&] { return UI(w).WB2->InnerText(TElementRef::Body()) == W("Вставленный текст"); }, 5000));
  EXPECT_EQ(UI(w).WB1->InnerText(TElementRef::Body()), "");

  SetBody(UI(w).WB1, "<p>" + W("Копируемый абзац") + "</p>");
  FocusView(*w, UI(w).WB1);
  QApplication::clipboard()->setText("kept");
  UI(w).WB1->ExecWB(vcClearSelection, voDefault);
  UI(w).acCopy->trigger();
  Settle(300);
  EXPECT_EQ(QApplication::clipboard()->text().toStdString(), "kept") << "nothing selected";
  UI(w).WB1->ExecWB(vcSelectAll, voDefault);
  UI(w).acCopy->trigger();
  EXPECT_TRUE(WaitFor([&] { return QApplication::clipboard()->text() == QString::fromUtf8("Копируемый абзац"); }, 5000))
      << QApplication::clipboard()->text().toStdString();
}

TEST(InfoPanel, OwnPagesOnlyGuideAndAbout) {
  TProgramDir dir;
  TMessages messages;  // a message box would wait for a click that never comes
  TOpened opened;
  auto w = ShowMainWindow(dir);
  ASSERT_TRUE(WaitFor([&] { return UI(w).WBInfo->ReadyState() == rsComplete; }, 10000));
  const std::string info = UI(w).WBInfo->LocationUrl();
  EXPECT_NE(info.find("info.htm"), std::string::npos);
  EXPECT_GT(UI(w).WBInfo->InnerText(TElementRef::Body()).size(), 100u);

  // Anything but the program's own pages is handed outside (web addresses only) and the panel stays.
  for (const std::string& a : {std::string("http://example.com/Info"), (dir.TempDir() + "/x.htm").toStdString()}) {
    UI(w).WBInfo->Navigate(a);
    UI(w).WBInfo->WaitReady(10000);
    Settle(200);
    EXPECT_EQ(UI(w).WBInfo->LocationUrl(), info) << a;
  }
  EXPECT_EQ(opened.List(), (std::vector<std::string>{"http://example.com/Info"}));
  EXPECT_FALSE(UI(w).Links->IsOwnPage(dir.DataDir().toStdString() + "../tmp/x.htm"));
  EXPECT_TRUE(UI(w).Links->IsOwnPage((dir.DataDir() + "info.htm").toStdString()));

  // "Что это такое?" opens the user guide of the data folder in the desktop's browser.
  QTest::mouseClick(UI(w).LInfo, Qt::LeftButton);
  ASSERT_EQ(opened.List().size(), 2u);
  const QUrl guide(QString::fromStdString(opened.List()[1]));
  EXPECT_TRUE(guide.isLocalFile());
  EXPECT_TRUE(guide.toLocalFile().endsWith("/guide.htm"));
  const std::string text = ReadFile(guide.toLocalFile());
  EXPECT_NE(text.find("Сравнить"), std::string::npos);
  EXPECT_NE(text.find("Ctrl+F"), std::string::npos);

  WithAboutBox(*w, [&](TAbout& about) {
    EXPECT_EQ(about.size(), QSize(480, 168));
    EXPECT_EQ(about.windowTitle().toStdString(), "Сравнение текстов Квилон");
    EXPECT_EQ(about.Image1->geometry(), QRect(16, 16, 208, 56));
    EXPECT_EQ(about.Label1->pos(), QPoint(240, 36));
    EXPECT_EQ(about.Label2->pos(), QPoint(25, 88));
    EXPECT_EQ(about.Label1->text().toStdString(), "Сравнение текстов");
    EXPECT_NE(about.Label2->text().indexOf(PARVEL_VERSION_TEXT), -1) << about.Label2->text().toStdString();
    EXPECT_NE(about.Label2->text().indexOf("CC BY-SA 3.0"), -1);
    EXPECT_LE(about.Label2->geometry().right(), 480);
    EXPECT_TRUE(about.bClose->isDefault());
    EXPECT_EQ(about.bClose->text().toStdString(), "Ok");
  });
  EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
}

TEST(Toolbar, EveryCaptionFitsAtTheDesignWidth) {
  TProgramDir dir;
  TMessages messages;  // a message box would wait for a click that never comes
  auto w = ShowMainWindow(dir);
  for (int width : {1254, 1400}) {
    w->resize(width, 900);
    Settle(100);
    for (QLabel* l : {UI(w).LInfo, UI(w).LAbout}) {
      EXPECT_LE(l->geometry().right(), width - 1) << l->text().toStdString();
      EXPECT_GE(l->x(), UI(w).bForward->geometry().right() + 2);
      EXPECT_GE(l->y(), 0);
      EXPECT_LE(l->geometry().bottom(), UI(w).PanToolBar->height());
      EXPECT_EQ(l->width(), l->sizeHint().width()) << "cut";
    }
    EXPECT_FALSE(UI(w).LInfo->geometry().intersects(UI(w).LAbout->geometry()));
  }
}

// Pictures for a person to look at.
TEST(Pictures, MenuAboutInfoPanelAndWindow) {
  const QByteArray shots = qgetenv("PARVEL_SCREENSHOT_DIR");
  if (shots.isEmpty()) GTEST_SKIP();
  const QString out = QString::fromUtf8(shots) + "/";
  auto screen = [&](const QString& name) {
    QProcess import;
    import.start("import", {"-window", "root", out + name});
    WaitFor([&] { return import.state() == QProcess::NotRunning; }, 20000);
  };
  TProgramDir dir;
  TOpened opened;
  auto w = ComparedWithLinks(dir, dir.TempDir() + "/none.htm");
  w->move(0, 0);
  w->resize(1254, 900);
  FocusView(*w, UI(w).WB1);
  Settle(1500);
  w->grab().save(out + "window_1254.png");
  screen("window_1254_screen.png");
  UI(w).WBInfo->grab().save(out + "info_panel.png");

  Hover(UI(w).WB1, "web", *w);
  QWidget* inner = Inner(UI(w).WB1);
  QTest::mousePress(inner, Qt::RightButton, {}, PointOf(UI(w).WB1, "web"));
  QTest::mouseRelease(inner, Qt::RightButton, {}, PointOf(UI(w).WB1, "web"));
  WaitFor([&] { return UI(w).PopMenuText->isVisible(); }, 3000);
  Settle(500);
  screen("popup_menu_screen.png");
  UI(w).PopMenuText->grab().save(out + "popup_menu.png");
  UI(w).PopMenuText->close();

  WithAboutBox(*w, [&](TAbout& about) {
    Settle(300);
    about.grab().save(out + "about.png");
    screen("about_screen.png");
  });
}

PARVEL_GUI_TEST_MAIN()
