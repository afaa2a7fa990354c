#pragma once
// A short note over the bottom of a window that goes by itself ("Записано: …"): the window has
// no status bar, and a success needs no box to close.
#include <QString>

class QLabel;
class QWidget;

// The note's label is window's child named "HandOnNote".
QLabel* ShowPassingNote(QWidget* window, const QString& text, int shownMs = 8000);
