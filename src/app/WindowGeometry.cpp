#include "app/WindowGeometry.h"

#include <QGuiApplication>
#include <QScreen>
#include <QSettings>
#include <QWidget>

namespace {
const char* kGeometryKey = "Window/Geometry";
}

QRect FirstStartGeometry(const QRect& available) {
  const int w = available.width() * 9 / 10, h = available.height() * 9 / 10;
  return QRect(available.x() + (available.width() - w) / 2, available.y() + (available.height() - h) / 2, w, h);
}

void RestoreWindowGeometry(QWidget& window) {
  const QByteArray kept = QSettings().value(kGeometryKey).toByteArray();
  if (!kept.isEmpty() && window.restoreGeometry(kept)) return;
  if (QScreen* screen = QGuiApplication::primaryScreen()) window.setGeometry(FirstStartGeometry(screen->availableGeometry()));
}

void SaveWindowGeometry(const QWidget& window) { QSettings().setValue(kGeometryKey, window.saveGeometry()); }
