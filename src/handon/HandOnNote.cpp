#include "handon/HandOnNote.h"

#include <QEvent>
#include <QLabel>
#include <QTimer>

#include <algorithm>

namespace {

// Hides the note on a click and whenever its time is up.
class TNoteLabel : public QLabel {
 public:
  explicit TNoteLabel(QWidget* parent) : QLabel(parent) {
    setObjectName("HandOnNote");
    setStyleSheet("QLabel { background: #ffffe1; color: #202020; border: 1px solid #a0a0a0; padding: 4px 8px; }");
    setTextInteractionFlags(Qt::NoTextInteraction);
    timer_.setSingleShot(true);
    connect(&timer_, &QTimer::timeout, this, &QWidget::hide);
  }
  void Show(const QString& text, int ms) {
    setText(text);
    adjustSize();
    QWidget* w = parentWidget();
    const int width = std::min(sizeHint().width(), std::max(100, w->width() - 16));
    resize(width, sizeHint().height());
    move(8, w->height() - height() - 8);
    raise();
    show();
    timer_.start(ms);
  }

 protected:
  void mousePressEvent(QMouseEvent*) override { hide(); }

 private:
  QTimer timer_;
};

}  // namespace

QLabel* ShowPassingNote(QWidget* window, const QString& text, int shownMs) {
  auto* note = static_cast<TNoteLabel*>(window->findChild<QLabel*>("HandOnNote", Qt::FindDirectChildrenOnly));
  if (!note) note = new TNoteLabel(window);
  note->Show(text, shownMs);
  return note;
}
