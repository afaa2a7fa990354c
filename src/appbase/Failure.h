#pragma once
// How a command that failed is reported: one message box with the failure's own text.
#include <QString>

#include <exception>

class QWidget;

// The text to show for a failure; a lack of memory is said in Russian.
QString FailureText(const std::exception& e);

// Shows FailureText(e) through the program's message box over parent (or the active window).
void ReportFailure(QWidget* parent, const std::exception& e);
