#include "appbase/Failure.h"

#include <new>

#include "appbase/MessageBox.h"

QString FailureText(const std::exception& e) {
  if (dynamic_cast<const std::bad_alloc*>(&e))
    return QStringLiteral("Не хватает памяти, чтобы выполнить команду.");
  return QString::fromUtf8(e.what());
}

void ReportFailure(QWidget* parent, const std::exception& e) { ShowMessageBox(FailureText(e), parent); }
