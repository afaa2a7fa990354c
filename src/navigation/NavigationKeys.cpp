// Ctrl+Down and Ctrl+Up step through the changes as the two buttons do. The keys are caught on
// their way to any control of the main window, the document views included: a view keeps the
// keys it gets for itself, so a window shortcut would not fire while a view has the focus.
// A left click on the position bar goes to the change drawn nearest to it. Ctrl+J and Ctrl+click
// on a moved passage's end bring its other end level with it.
#include <QApplication>
#include <QKeyEvent>
#include <QMouseEvent>

#include <exception>

#include "appbase/Failure.h"
#include "navigation/ChangeNavigation.h"
#include "navigation/Navigation.h"
#include "navigation/NavigationMath.h"

namespace {

class TNavigationKeys : public QObject {
 public:
  TNavigationKeys(QWidget& window, TChangeNavigation& navigation)
      : QObject(&window), window_(window), navigation_(navigation) {
    setObjectName("NavigationKeys");
    qApp->installEventFilter(this);
    if (QWidget* bar = navigation.PositionBar()) {
      bar->setCursor(Qt::PointingHandCursor);
      bar->setToolTip(QString::fromUtf8("Щелкните, чтобы перейти к ближайшему изменению"));
    }
  }

 protected:
  bool eventFilter(QObject* watched, QEvent* e) override {
    if (e->type() == QEvent::MouseButtonPress && watched == navigation_.PositionBar()) {
      auto* mouse = static_cast<QMouseEvent*>(e);
      if (mouse->button() != Qt::LeftButton) return false;
      navigation_.pbDiffPosMouseDown(static_cast<int>(mouse->position().y()));
      return true;
    }
    if (e->type() == QEvent::MouseButtonPress) return CtrlClick(watched, static_cast<QMouseEvent*>(e));
    if (e->type() != QEvent::KeyPress) return false;
    auto* key = static_cast<QKeyEvent*>(e);
    if ((key->modifiers() & ~Qt::KeypadModifier) != Qt::ControlModifier) return false;
    if (key->key() == Qt::Key_J) {
      auto* widget = qobject_cast<QWidget*>(watched);
      if (!widget || widget->window() != &window_) return false;
      try {
        return navigation_.JumpToOtherEnd(navigation_.ScrollLeader);
      } catch (const std::exception& error) {
        ReportFailure(nullptr, error);
        return true;
      }
    }
    if (key->key() != Qt::Key_Down && key->key() != Qt::Key_Up) return false;
    auto* widget = qobject_cast<QWidget*>(watched);
    if (!widget || widget->window() != &window_) return false;
    // Without changes the keys keep their usual meaning in the views.
    if (navigation_.ChangeCount <= 0) return false;
    navigation_.StepKey(key->key() == Qt::Key_Down ? +1 : -1, key->isAutoRepeat());
    return true;
  }

 private:
  // A Ctrl+click inside a result view on a moved passage's end; other clicks go on.
  bool CtrlClick(QObject* watched, QMouseEvent* mouse) {
    if (mouse->button() != Qt::LeftButton || (mouse->modifiers() & ~Qt::KeypadModifier) != Qt::ControlModifier)
      return false;
    auto* widget = qobject_cast<QWidget*>(watched);
    if (!widget || navigation_.ChangeCount <= 0 || navigation_.MovedChange.empty()) return false;
    for (int v = 1; v <= 2; ++v) {
      THtmlView* view = navigation_.Views[static_cast<size_t>(v)];
      if (!view || (widget != view && !view->isAncestorOf(widget))) continue;
      const QPoint at = view->mapFromGlobal(mouse->globalPosition().toPoint());
      try {
        const int mark = view->RunAtPoint(navmath::MarkTag, navmath::MarkId, navmath::MarkContinuationId, at);
        return navigation_.MoveEndClicked(v, mark);
      } catch (const std::exception& e) {
        ReportFailure(nullptr, e);
        return true;
      }
    }
    return false;
  }

  QWidget& window_;
  TChangeNavigation& navigation_;
};

}  // namespace

void InstallNavigation(QWidget& window, TChangeNavigation& navigation) {
  if (window.findChild<QObject*>("NavigationKeys", Qt::FindDirectChildrenOnly)) return;
  new TNavigationKeys(window, navigation);
}
