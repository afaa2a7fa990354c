#pragma once
// The program's command line: parvel [OLD [NEW]], parvel --help.
#include <QString>
#include <QStringList>

struct TCommandLine {
  bool Help = false;
  QStringList Files;  // none, one (left pane) or two (left and right, compared at once)
  QString Error;      // a wrong command line: what is wrong
};

// args without the program name.
TCommandLine ParseCommandLine(const QStringList& args);

// The text "parvel --help" prints.
QString CommandLineHelp();
