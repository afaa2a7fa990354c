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

std::string Text(QLabel* l) { return l->text().toStdString(); }

// The menu's own text of an item, shortcut column included.
struct TMenuProbe : QMenu {
  using QMenu::initStyleOption;
};
QString MenuItemText(QMenu* menu, QAction* a) {
  QStyleOptionMenuItem option;
  (menu->*&TMenuProbe::initStyleOption)(&option, a);
  return option.text;
}

// Answers the next question box with a key press.
void AnswerQuestion(Qt::Key key, bool* asked) {
  QTimer::singleShot(0, [key, asked] {
    WaitFor([] { return qobject_cast<QMessageBox*>(QApplication::activeModalWidget()) != nullptr; }, 5000);
    auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
    if (!box) return;
    *asked = true;
    // The letter of a button answers as that button ("Д" for "Да").
    QTest::sendKeyEvent(QTest::Click, box, key, key < 0x80 ? QString() : QString(QChar(key)), Qt::NoModifier);
  });
}

void CompareByClick(TVerCmp& w) {
  QTest::mouseClick(w.bCompareTexts, Qt::LeftButton);
  ASSERT_TRUE(WaitFor([&] { return w.Mode() == wmResult; }, 20000));
}

}  // namespace

TEST(WindowFrame, FirstStartTakesMostOfTheScreenAndTheGeometryIsKept) {
  TProgramDir dir;
  QSettings().clear();
  const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
  const QRect first = FirstStartGeometry(screen);
  EXPECT_EQ(first.width(), screen.width() * 9 / 10);
  EXPECT_EQ(first.center().x() / 4, screen.center().x() / 4);
  // Each window is closed as the user closes it, which frees it.
  auto start = [&] {
    QPointer<TVerCmp> w = new TVerCmp(dir.AppDir());
    return w;
  };
  auto closeAndWait = [](QPointer<TVerCmp>& w) {
    w->close();
    EXPECT_TRUE(WaitFor([&] { return w.isNull(); }, 5000));
  };
  QPointer<TVerCmp> w = start();
  EXPECT_EQ(w->size(), first.size());
  w->show();
  ASSERT_TRUE(WaitFor([&] { return w->Activated(); }));
  w->setGeometry(40, 30, 700, 500);
  closeAndWait(w);

  w = start();
  EXPECT_EQ(w->size(), QSize(700, 500));
  w->show();
  ASSERT_TRUE(WaitFor([&] { return w->Activated(); }));
  w->showMaximized();
  ASSERT_TRUE(WaitFor([&] { return w->isMaximized(); }, 5000));
  closeAndWait(w);

  w = start();
  w->show();
  EXPECT_TRUE(WaitFor([&] { return w->isMaximized(); }, 5000));
  delete w;
  QSettings().clear();
}

TEST(WindowFrame, SidePanelHidesAfterComparingAndKeepsTheUsersChoice) {
  TProgramDir dir;
  QSettings().clear();
  auto w = ShowMainWindow(dir);
  EXPECT_TRUE(w->WBInfo->isVisible());
  EXPECT_EQ(w->WBInfo->width(), TSidePanel::kDefaultWidth);
  SetBody(w->WB1, W("<p>Статья 1. Первая редакция</p>"));
  SetBody(w->WB2, W("<p>Статья 1. Вторая редакция</p>"));
  CompareByClick(*w);
  // The views take the whole width; the switch brings the guide back and hides it again.
  EXPECT_FALSE(w->SidePanel()->isVisible());
  EXPECT_GT(w->PanLeft->width(), w->width() - 30);
  ASSERT_TRUE(w->SidePanel()->ShowButton()->isVisible());
  QTest::mouseClick(w->SidePanel()->ShowButton(), Qt::LeftButton);
  EXPECT_TRUE(w->SidePanel()->isVisible());
  EXPECT_FALSE(w->SidePanel()->ShowButton()->isVisible());
  EXPECT_TRUE(WaitFor([&] { return w->WB1->width() == (w->PanLeft->width() - 8) / 2 &&
                                   w->PanLeft->width() < w->width() - 250; }, 5000));
  QTest::mouseClick(w->SidePanel()->HideButton(), Qt::LeftButton);
  EXPECT_FALSE(w->SidePanel()->isVisible());

  // Hidden in text entry too, and a new window remembers both choices.
  QTest::mouseClick(w->bCompareTexts, Qt::LeftButton);
  ASSERT_EQ(w->Mode(), wmEntry);
  EXPECT_TRUE(w->SidePanel()->isVisible());
  QTest::mouseClick(w->SidePanel()->HideButton(), Qt::LeftButton);
  EXPECT_FALSE(w->SidePanel()->isVisible());
  w.reset();
  w = ShowMainWindow(dir);
  EXPECT_FALSE(w->SidePanel()->isVisible());
  EXPECT_TRUE(w->SidePanel()->ShowButton()->isVisible());
  QSettings().clear();
}

TEST(WindowFrame, PopupMenuShowsEachShortcutOnce) {
  TProgramDir dir;
  auto w = ShowMainWindow(dir);
  emit w->PopMenuText->aboutToShow();
  int withKeys = 0;
  for (QAction* a : w->PopMenuText->actions()) {
    if (a->isSeparator()) continue;
    const QString text = MenuItemText(w->PopMenuText, a);
    const QString keys = a->shortcut().toString(QKeySequence::NativeText);
    if (!keys.isEmpty()) {
      ++withKeys;
      EXPECT_EQ(text.count(keys), 1) << text.toStdString();
    }
  }
  EXPECT_GE(withKeys, 3);  // print and the two zoom commands
  EXPECT_EQ(MenuItemText(w->PopMenuText, w->acTextPrint).toStdString(), "Печать...    Ctrl+P");
}

TEST(WindowFrame, TheToolbarTellsTheRunFromTheResult) {
  TProgramDir dir;
  TMessages messages;
  auto w = ShowMainWindow(dir);
  SetBody(w->WB1, W("<p>Статья 2. Старый текст</p>"));
  SetBody(w->WB2, W("<p>Статья 2. Новый текст</p>"));
  std::string duringRun;
  bool buttonEnabled = true;
  TWindowMode mode = wmEntry;
  QTimer poll;
  QObject::connect(&poll, &QTimer::timeout, [&] {
    if (!QApplication::activeModalWidget() || !duringRun.empty()) return;
    duringRun = Text(w->LVersions);
    buttonEnabled = w->bCompareTexts->isEnabled();
    mode = w->Mode();
  });
  poll.start(0);
  CompareByClick(*w);
  poll.stop();
  EXPECT_EQ(mode, wmRunning);
  EXPECT_EQ(duringRun, "Тексты сравниваются…");
  EXPECT_FALSE(buttonEnabled);
  EXPECT_EQ(Text(w->LVersions), "Для сравнения других текстов нажмите кнопку");
  EXPECT_TRUE(w->bCompareTexts->isEnabled());
}

TEST(WindowFrame, NewComparisonAsksOnlyForTextsTypedByHand) {
  TProgramDir dir;
  TMessages messages;
  auto w = ShowMainWindow(dir);
  w->activateWindow();
  // Typed into the left pane; the right one as a paste puts it.
  w->WB1->FocusDocument();
  ASSERT_TRUE(WaitFor([&] { return w->WB1->isAncestorOf(QApplication::focusWidget()); }, 5000));
  QWidget* page = QApplication::focusWidget();
  QTest::mouseClick(page, Qt::LeftButton, {}, QPoint(40, 40));  // the caret into the page
  WaitFor([] { return false; }, 300);
  QTest::keyClicks(page, "Article one");
  ASSERT_TRUE(WaitFor([&] { return w->WB1->InnerText(TElementRef::Body()) == "Article one"; }, 5000))
      << w->WB1->OuterHtml(TElementRef::Body()) << " focus " << QApplication::focusWidget()->metaObject()->className();
  SetBody(w->WB2, "<p>Article two</p>");
  CompareByClick(*w);

  bool asked = false;
  AnswerQuestion(Qt::Key_Escape, &asked);
  QTest::mouseClick(w->bCompareTexts, Qt::LeftButton);
  EXPECT_TRUE(asked);
  EXPECT_EQ(w->Mode(), wmResult);  // "Нет": the result and the texts stay
  EXPECT_GT(w->WB1->CountElements("acronym", "t_d"), 0);

  asked = false;
  AnswerQuestion(static_cast<Qt::Key>(QChar(u'Д').unicode()), &asked);
  QTest::mouseClick(w->bCompareTexts, Qt::LeftButton);
  EXPECT_TRUE(asked);
  ASSERT_TRUE(WaitFor([&] { return w->Mode() == wmEntry; }, 5000));

  // Texts put in as a whole (a paste, a file) are had again from where they came: no question.
  SetBody(w->WB1, "<p>Article one</p>");
  SetBody(w->WB2, "<p>Article two</p>");
  CompareByClick(*w);
  asked = false;
  AnswerQuestion(Qt::Key_Escape, &asked);
  QTest::mouseClick(w->bCompareTexts, Qt::LeftButton);
  EXPECT_EQ(w->Mode(), wmEntry);
  WaitFor([] { return false; }, 300);
  EXPECT_FALSE(asked);
  EXPECT_TRUE(messages.List().empty());
}

PARVEL_GUI_TEST_MAIN()
