// Parvel: compares two editions of a text side by side.
#include <QApplication>

#include "app/AppStartup.h"
#include "app/VerCmp.h"
#include "output/BatchPrint.h"

int main(int argc, char** argv) {
  PrepareApplication();
  const bool printPdf = IsPrintPdfCommand(argc, argv);
  QApplication app(argc, argv);
  InitApplication();
  if (printPdf) return RunPrintPdfCommand(QApplication::arguments());

  auto* window = new TVerCmp();  // freed when closed
  if (window->StartupFailed()) {
    delete window;
    return 1;
  }
  window->showMaximized();
  return app.exec();
}
