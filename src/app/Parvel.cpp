// Parvel: compares two editions of a text side by side.
#include <QApplication>

#include <cstdio>
#include <cstring>

#include "app/AppStartup.h"
#include "app/CommandLine.h"
#include "app/OpenFiles.h"
#include "app/VerCmp.h"
#include "output/BatchPrint.h"

int main(int argc, char** argv) {
  // --help needs no window (and no display).
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--") == 0) break;
    if (std::strcmp(argv[i], "--help") == 0 || std::strcmp(argv[i], "-h") == 0) {
      std::fputs(CommandLineHelp().toUtf8().constData(), stdout);
      return 0;
    }
  }
  PrepareApplication();
  const bool printPdf = IsPrintPdfCommand(argc, argv);
  QApplication app(argc, argv);
  InitApplication();
  if (printPdf) return RunPrintPdfCommand(QApplication::arguments());
  const TCommandLine commandLine = ParseCommandLine(app.arguments().mid(1));
  if (!commandLine.Error.isEmpty()) {
    std::fprintf(stderr, "parvel: %s; см. parvel --help\n", commandLine.Error.toUtf8().constData());
    return 2;
  }

  auto* window = new TVerCmp();  // freed when closed
  if (window->StartupFailed()) {
    delete window;
    return 1;
  }
  window->show();  // where it was last left, maximised or not
  window->OpenAtStart(commandLine.Files);
  return app.exec();
}
