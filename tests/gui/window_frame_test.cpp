// The main window as a frame: its kept geometry, the side panel, the popup menu's shortcuts, the
// toolbar during the run and the question before typed texts are thrown away.
#include <QMessageBox>
#include <QPointer>
#include <QScreen>
#include <QStyleOptionMenuItem>
#include <QTest>
#include <QTimer>
#include <QToolButton>

#include "app/SidePanel.h"
#include "app/WindowGeometry.h"
#include "gui/GuiTestSupport.h"

using namespace guitest;

namespace {

// The menu's own text of an item, shortcut column included.
struct TMenuProbe : QMenu {
  using QMenu::initStyleOption;
};
QString MenuItemText(QMenu* menu, QAction* a) {
  QStyleOptionMenuItem option;
  (menu->*&TMenuProbe::initStyleOption)(&option, a);
  return option.text;
}

// Clicks "Новое сравнение"; a question that comes is answered by the key (a button's letter
// answers as that button). True when it was asked.
bool ClickNewComparison(TVerCmp& w, Qt::Key key) {
  bool asked = false;
  QTimer::singleShot(0, [&] {
    WaitFor([] { return qobject_cast<QMessageBox*>(QApplication::activeModalWidget()) != nullptr; }, 3000);
    if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
      asked = true;
      QTest::sendKeyEvent(QTest::Click, box, key, key < 0x80 ? QString() : QString(QChar(key)), Qt::NoModifier);
    }
  });
  QTest::mouseClick(UI(w).bCompareTexts, Qt::LeftButton);
  WaitFor([] { return false; }, 3500);  // the answering timer has run
  return asked;
}

void CompareByClick(TVerCmp& w) {
  QTest::mouseClick(UI(w).bCompareTexts, Qt::LeftButton);
  ASSERT_TRUE(WaitFor([&] { return w.Mode() == wmResult; }, 20000));
}

}  // namespace

TEST(WindowFrame, FirstStartTakesMostOfTheScreenAndTheGeometryIsKept) {
  TProgramDir dir;
  QSettings().clear();
  const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
  EXPECT_EQ(FirstStartGeometry(screen).width(), screen.width() * 9 / 10);
  // Each window is closed as the user closes it, which frees it.
  auto cycle = [&](const std::function<void(TVerCmp&)>& use) {
    QPointer<TVerCmp> w = new TVerCmp(dir.AppDir());
    w->show();
    ASSERT_TRUE(WaitFor([&] { return w->Activated(); }));
    use(*w);
    w->close();
    EXPECT_TRUE(WaitFor([&] { return w.isNull(); }, 5000));
  };
  cycle([&](TVerCmp& w) {
    EXPECT_EQ(w.size(), FirstStartGeometry(screen).size());
    w.setGeometry(40, 30, 700, 500);
  });
  cycle([](TVerCmp& w) {
    EXPECT_EQ(w.size(), QSize(700, 500));
    w.showMaximized();
    ASSERT_TRUE(WaitFor([&] { return w.isMaximized(); }, 5000));
  });
  cycle([](TVerCmp& w) { EXPECT_TRUE(WaitFor([&] { return w.isMaximized(); }, 5000)); });
  QSettings().clear();
}

TEST(WindowFrame, SidePanelShowsTheChangeListAndKeepsTheUsersChoice) {
  TProgramDir dir;
  QSettings().clear();
  auto w = ShowMainWindow(dir);
  EXPECT_EQ(UI(w).WBInfo->width(), TSidePanel::kDefaultWidth);
  SetBody(UI(w).WB1, W("<p>Статья 1. Первая редакция</p>"));
  SetBody(UI(w).WB2, W("<p>Статья 1. Вторая редакция</p>"));
  CompareByClick(*w);
  // With a result the panel holds the change list, wider than the guide.
  EXPECT_TRUE(w->SidePanel()->isVisible());
  EXPECT_TRUE(UI(w).ChangeList->isVisible());
  EXPECT_FALSE(UI(w).WBInfo->isVisible());
  EXPECT_TRUE(WaitFor([&] { return w->SidePanel()->width() > TSidePanel::kDefaultWidth; }, 5000));
  // Hidden, the views take the whole width; the strip at the edge brings the list back.
  QTest::mouseClick(w->SidePanel()->HideButton(), Qt::LeftButton);
  EXPECT_FALSE(w->SidePanel()->isVisible());
  EXPECT_TRUE(WaitFor([&] { return UI(w).PanLeft->width() > w->width() - 30; }, 5000));
  QTest::mouseClick(w->SidePanel()->ShowButton(), Qt::LeftButton);
  EXPECT_TRUE(w->SidePanel()->isVisible());
  EXPECT_FALSE(w->SidePanel()->ShowButton()->isVisible());
  EXPECT_TRUE(WaitFor([&] { return UI(w).PanLeft->width() < w->width() - 250; }, 5000));
  QTest::mouseClick(w->SidePanel()->HideButton(), Qt::LeftButton);
  EXPECT_FALSE(w->SidePanel()->isVisible());

  // Text entry keeps its own choice and the guide at its own width; hidden there too, a new
  // window remembers it.
  QTest::mouseClick(UI(w).bCompareTexts, Qt::LeftButton);
  ASSERT_EQ(w->Mode(), wmEntry);
  EXPECT_TRUE(w->SidePanel()->isVisible());
  EXPECT_TRUE(UI(w).WBInfo->isVisible());
  EXPECT_TRUE(WaitFor([&] { return UI(w).WBInfo->width() == TSidePanel::kDefaultWidth; }, 5000));
  QTest::mouseClick(w->SidePanel()->HideButton(), Qt::LeftButton);
  w.reset();
  w = ShowMainWindow(dir);
  EXPECT_FALSE(w->SidePanel()->isVisible());
  EXPECT_TRUE(w->SidePanel()->ShowButton()->isVisible());
  QSettings().clear();
}

TEST(WindowFrame, PopupMenuShowsEachShortcutOnce) {
  TProgramDir dir;
  auto w = ShowMainWindow(dir);
  emit UI(w).PopMenuText->aboutToShow();
  for (QAction* a : UI(w).PopMenuText->actions()) {
    const QString keys = a->shortcut().toString(QKeySequence::NativeText);
    if (!keys.isEmpty()) EXPECT_EQ(MenuItemText(UI(w).PopMenuText, a).count(keys), 1) << a->text().toStdString();
  }
  EXPECT_EQ(MenuItemText(UI(w).PopMenuText, UI(w).acTextPrint).toStdString(), "Печать...    Ctrl+P");
}

TEST(WindowFrame, TheToolbarTellsTheRunFromTheResult) {
  TProgramDir dir;
  auto w = ShowMainWindow(dir);
  SetBody(UI(w).WB1, W("<p>Статья 2. Старый текст</p>"));
  SetBody(UI(w).WB2, W("<p>Статья 2. Новый текст</p>"));
  std::string duringRun;
  bool enabledDuringRun = true;
  QTimer poll;
  QObject::connect(&poll, &QTimer::timeout, [&] {
    if (!QApplication::activeModalWidget() || !duringRun.empty()) return;
    duringRun = UI(w).LVersions->text().toStdString();
    enabledDuringRun = UI(w).bCompareTexts->isEnabled() || w->Mode() != wmRunning;
  });
  poll.start(0);
  CompareByClick(*w);
  EXPECT_EQ(duringRun, "Тексты сравниваются…");
  EXPECT_FALSE(enabledDuringRun);
  EXPECT_EQ(UI(w).LVersions->text().toStdString(), "Для сравнения других текстов нажмите кнопку");
}

TEST(WindowFrame, NewComparisonAsksOnlyForTextsTypedByHand) {
  TProgramDir dir;
  TMessages messages;
  auto w = ShowMainWindow(dir);
  w->activateWindow();
  // Typed into the left pane; the right one as a paste puts it.
  UI(w).WB1->FocusDocument();
  ASSERT_TRUE(WaitFor([&] { return UI(w).WB1->isAncestorOf(QApplication::focusWidget()); }, 5000));
  QWidget* page = QApplication::focusWidget();
  QTest::mouseClick(page, Qt::LeftButton, {}, QPoint(40, 40));  // the caret into the page
  WaitFor([] { return false; }, 300);
  QTest::keyClicks(page, "Article one");
  ASSERT_TRUE(WaitFor([&] { return UI(w).WB1->InnerText(TElementRef::Body()) == "Article one"; }, 5000));
  SetBody(UI(w).WB2, "<p>Article two</p>");
  CompareByClick(*w);

  EXPECT_TRUE(ClickNewComparison(*w, Qt::Key_Escape));
  EXPECT_EQ(w->Mode(), wmResult);  // "Нет": the result stays
  EXPECT_TRUE(ClickNewComparison(*w, static_cast<Qt::Key>(QChar(u'Д').unicode())));
  ASSERT_TRUE(WaitFor([&] { return w->Mode() == wmEntry; }, 5000));

  // Texts put in as a whole (a paste, a file) are had again from where they came: no question.
  SetBody(UI(w).WB1, "<p>Article one</p>");
  SetBody(UI(w).WB2, "<p>Article two</p>");
  CompareByClick(*w);
  EXPECT_FALSE(ClickNewComparison(*w, Qt::Key_Escape));
  EXPECT_EQ(w->Mode(), wmEntry);
  EXPECT_TRUE(messages.List().empty());
}

PARVEL_GUI_TEST_MAIN()
