#pragma once
// The main window's size, position and maximised state, kept in the settings between runs.
#include <QRect>

class QWidget;

// A first start: 90 % of the screen's free area, centred.
QRect FirstStartGeometry(const QRect& available);

// Puts the window where it was when last closed, or where a first start puts it.
void RestoreWindowGeometry(QWidget& window);
void SaveWindowGeometry(const QWidget& window);
