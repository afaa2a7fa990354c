#include "shellinput/ShellInput.h"

#include <QApplication>
#include <QContextMenuEvent>
#include <QKeyEvent>
#include <QMenu>
#include <QMouseEvent>
#include <QWidget>

#include "view/HtmlView.h"

namespace {

// The document view a widget belongs to (the view itself or one of its inner widgets), or null.
THtmlView* ViewOf(QObject* o) {
  auto* w = qobject_cast<QWidget*>(o);
  for (; w != nullptr; w = w->parentWidget())
    if (auto* v = qobject_cast<THtmlView*>(w)) return v;
  return nullptr;
}

// The capital Cyrillic letter on the F key of a Russian keyboard.
constexpr int kKeyCyrillicEf = 0x0424;

}  // namespace

TShellInput::TShellInput(TShellInputHost& host, QObject* parent) : QObject(parent), host_(host) {
  setObjectName("ShellInput");
  qApp->installEventFilter(this);
}

TShellInput::TKeyCommand TShellInput::KeyCommand(int key, Qt::KeyboardModifiers modifiers) {
  if (!(modifiers & Qt::ControlModifier)) return kcNone;
  const bool keypad = modifiers & Qt::KeypadModifier;
  if (key == Qt::Key_F || key == kKeyCyrillicEf) return kcFind;
  if (keypad && key == Qt::Key_Plus) return kcZoomIn;
  if (!keypad && (key == Qt::Key_Plus || key == Qt::Key_Equal)) return kcZoomIn;
  if (keypad && key == Qt::Key_Minus) return kcZoomOut;
  if (!keypad && (key == Qt::Key_Minus || key == Qt::Key_Underscore)) return kcZoomOut;
  return kcNone;
}

bool TShellInput::eventFilter(QObject* watched, QEvent* e) {
  switch (e->type()) {
    case QEvent::KeyPress:
      if (THtmlView* v = ViewOf(watched)) host_.ViewTouched(v);
      return KeyPress(e);
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonDblClick:
    case QEvent::MouseButtonRelease:
      if (THtmlView* v = ViewOf(watched)) return Mouse(v, e);
      return false;
    case QEvent::Wheel:
      if (THtmlView* v = ViewOf(watched)) host_.ViewTouched(v);
      return false;
    case QEvent::ContextMenu:
      // The mouse's own menu request of a view: the right button is handled above.
      return static_cast<QContextMenuEvent*>(e)->reason() == QContextMenuEvent::Mouse &&
             ViewOf(watched) != nullptr;
    default:
      return false;
  }
}

bool TShellInput::KeyPress(QEvent* e) {
  auto* key = static_cast<QKeyEvent*>(e);
  const TKeyCommand command = KeyCommand(key->key(), key->modifiers());
  if (command == kcNone) return false;
  // The combination never reaches a view; it is the program's only while its window is active.
  if (QApplication::activeWindow() != host_.MainWindow()) return true;
  switch (command) {
    case kcFind: host_.RunFindCommand(); break;
    case kcZoomIn: host_.RunZoomIn(); break;
    case kcZoomOut: host_.RunZoomOut(); break;
    case kcNone: break;
  }
  return true;
}

bool TShellInput::Mouse(THtmlView* view, QEvent* e) {
  auto* mouse = static_cast<QMouseEvent*>(e);
  const bool release = e->type() == QEvent::MouseButtonRelease;
  if (mouse->button() == Qt::RightButton) {
    // Never the view's own menu: the program's, when the view has one, as the button comes up.
    if (release && view->PopupMenu) view->PopupMenu->popup(mouse->globalPosition().toPoint());
    return true;
  }
  if (!release) host_.ViewTouched(view);
  const bool linkClick =
      mouse->button() == Qt::MiddleButton ||
      (mouse->button() == Qt::LeftButton &&
       (mouse->modifiers() & (Qt::ControlModifier | Qt::ShiftModifier)));
  if (!linkClick || view->window() != host_.MainWindow() || !host_.HasHoverLink()) return false;
  if (release) host_.OpenHoverLink();
  return true;
}
