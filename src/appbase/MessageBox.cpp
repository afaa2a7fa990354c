#include "appbase/MessageBox.h"

#include <QApplication>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>

#include "support/Cp1251.h"

namespace {
std::function<void(const QString&)>& Hook() {
  static std::function<void(const QString&)> hook;
  return hook;
}
}  // namespace

QString ApplicationTitle() { return QStringLiteral("Сравнение текстов Квилон"); }

void ShowMessageBox(const QString& text, QWidget* parent) {
  if (Hook()) {
    Hook()(text);
    return;
  }
  QMessageBox box(QMessageBox::NoIcon, ApplicationTitle(), text, QMessageBox::Ok,
                  parent ? parent->window() : QApplication::activeWindow());
  box.setWindowFlag(Qt::WindowStaysOnTopHint, true);
  box.setEscapeButton(QMessageBox::Ok);
  // Without a window manager nothing gives a new window the keyboard: the box takes it itself,
  // so that Enter and Esc close it.
  QTimer::singleShot(0, &box, [&box] {
    box.raise();
    box.activateWindow();
  });
  box.exec();
}

bool AskYesNo(const QString& question) {
  QMessageBox box(QMessageBox::Question, ApplicationTitle(), question, QMessageBox::NoButton,
                  QApplication::activeWindow());
  box.setWindowFlag(Qt::WindowStaysOnTopHint, true);
  QPushButton* yes = box.addButton(QStringLiteral("&Да"), QMessageBox::YesRole);
  QPushButton* no = box.addButton(QStringLiteral("&Нет"), QMessageBox::NoRole);
  box.setDefaultButton(no);
  box.setEscapeButton(no);
  box.exec();
  return box.clickedButton() == yes;
}

void ShowMessageBox(const std::string& text1251) {
  ShowMessageBox(QString::fromUtf8(cp1251::ToUtf8(text1251)));
}

void SetMessageBoxHook(std::function<void(const QString&)> hook) { Hook() = std::move(hook); }
