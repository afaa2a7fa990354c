#include "handon/HandOnProgress.h"

#include <QApplication>
#include <QCloseEvent>
#include <QFrame>
#include <QLabel>
#include <QPushButton>

THandOnProgress::THandOnProgress(const QString& caption, QWidget* owner)
    : QDialog(owner, Qt::Dialog | Qt::FramelessWindowHint) {
  setWindowTitle(caption);
  setWindowModality(Qt::ApplicationModal);
  setFixedSize(322, 62);
  // Drawn as the comparison's own progress window is.
  auto* panel = new QFrame(this);
  panel->setGeometry(0, 0, 322, 62);
  panel->setFrameShape(QFrame::Panel);
  panel->setFrameShadow(QFrame::Raised);
  panel->setLineWidth(2);
  QFont f = font();
  f.setPixelSize(13);
  f.setBold(true);
  Caption = new QLabel(caption, panel);
  Caption->setFont(f);
  Caption->setGeometry(16, 18, 205, 28);
  StopButton = new QPushButton(QStringLiteral("Прервать"), panel);
  StopButton->setGeometry(229, 21, 75, 25);
  StopButton->setAutoDefault(false);
  connect(StopButton, &QPushButton::clicked, this, [this] { stopped_ = true; });
  clock_.start();
}

bool THandOnProgress::Idle() {
  if (!isVisible() && !stopped_ && !finished_ && clock_.elapsed() >= kShowAfterMs) {
    if (QWidget* owner = parentWidget())
      move(owner->window()->geometry().center() - rect().center());
    show();
    raise();
    activateWindow();
  }
  // Shown, the window is modal and the others take no input; before that no input is taken.
  QApplication::processEvents(isVisible() ? QEventLoop::AllEvents : QEventLoop::ExcludeUserInputEvents);
  return !stopped_;
}

void THandOnProgress::Finish() {
  finished_ = true;
  hide();
}

void THandOnProgress::reject() {
  if (finished_) QDialog::reject();
  else stopped_ = true;
}

void THandOnProgress::closeEvent(QCloseEvent* e) {
  if (finished_) {
    QDialog::closeEvent(e);
    return;
  }
  stopped_ = true;
  e->ignore();
}
