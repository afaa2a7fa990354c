#pragma once
// The program's own message box and its title.
#include <QString>

#include <functional>
#include <string>

class QWidget;

// "Сравнение текстов Квилон": the caption of the main window and of every message box.
QString ApplicationTitle();

// A modal box with the text, the application title, one OK button, no icon, kept on top.
// parent: the window the box belongs to; none: the active window.
void ShowMessageBox(const QString& text, QWidget* parent = nullptr);
// The same for a Windows-1251 text.
void ShowMessageBox(const std::string& text1251);

// A question with the buttons "Да" and "Нет" ("Нет" is the default and Esc's); true for "Да".
bool AskYesNo(const QString& question);

// While set, messages go to the hook instead of a box (tests record them; nothing blocks).
void SetMessageBoxHook(std::function<void(const QString&)> hook);
