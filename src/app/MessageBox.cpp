#include "app/MessageBox.h"

#include <QApplication>
#include <QMessageBox>

#include "support/Cp1251.h"

namespace {
std::function<void(const QString&)>& Hook() {
  static std::function<void(const QString&)> hook;
  return hook;
}
}  // namespace

QString ApplicationTitle() { return QStringLiteral("Сравнение текстов Квилон"); }

void ShowMessageBox(const QString& text) {
  if (Hook()) {
    Hook()(text);
    return;
  }
  QMessageBox box(QMessageBox::NoIcon, ApplicationTitle(), text, QMessageBox::Ok,
                  QApplication::activeWindow());
  box.setWindowFlag(Qt::WindowStaysOnTopHint, true);
  box.exec();
}

void ShowMessageBox(const std::string& text1251) {
  ShowMessageBox(QString::fromUtf8(cp1251::ToUtf8(text1251)));
}

void SetMessageBoxHook(std::function<void(const QString&)> hook) { Hook() = std::move(hook); }
