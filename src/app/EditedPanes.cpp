#include "app/EditedPanes.h"

#include <QApplication>
#include <QInputMethodEvent>
#include <QKeyEvent>

#include "view/HtmlView.h"

bool IsEditingKey(const QKeyEvent& key) {
  const Qt::KeyboardModifiers mods = key.modifiers() & ~(Qt::KeypadModifier | Qt::ShiftModifier);
  const int k = key.key();
  if (mods == Qt::ControlModifier)
    return k == Qt::Key_X || k == Qt::Key_Z || k == Qt::Key_Y || k == Qt::Key_Backspace || k == Qt::Key_Delete;
  if (mods != Qt::NoModifier) return false;
  if (k == Qt::Key_Insert) return false;  // Shift+Insert pastes
  if (k == Qt::Key_Backspace || k == Qt::Key_Delete || k == Qt::Key_Return || k == Qt::Key_Enter ||
      k == Qt::Key_Tab)
    return true;
  const QString text = key.text();
  return !text.isEmpty() && text.at(0).isPrint();
}

TEditedPanes::TEditedPanes(THtmlView* wb1, THtmlView* wb2, std::function<bool()> entryState, QObject* parent)
    : QObject(parent), views_{nullptr, wb1, wb2}, entryState_(std::move(entryState)) {
  qApp->installEventFilter(this);
}

bool TEditedPanes::eventFilter(QObject* watched, QEvent* e) {
  const bool key = e->type() == QEvent::KeyPress && IsEditingKey(*static_cast<QKeyEvent*>(e));
  const bool typed = e->type() == QEvent::InputMethod &&
                     !static_cast<QInputMethodEvent*>(e)->commitString().isEmpty();
  if (!key && !typed) return false;
  auto* widget = qobject_cast<QWidget*>(watched);
  if (!widget || !entryState_()) return false;
  for (size_t v = 1; v <= 2; ++v)
    if (views_[v] && (widget == views_[v] || views_[v]->isAncestorOf(widget))) edited_[v] = true;
  return false;
}
