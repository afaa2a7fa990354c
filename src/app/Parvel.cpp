// Parvel: compares two editions of a text side by side.
#include <QApplication>

#include "app/AppStartup.h"
#include "app/VerCmp.h"

int main(int argc, char** argv) {
  PrepareApplication();
  QApplication app(argc, argv);
  InitApplication();

  auto* window = new TVerCmp();  // freed when closed
  if (window->StartupFailed()) {
    delete window;
    return 1;
  }
  window->showMaximized();
  return app.exec();
}
