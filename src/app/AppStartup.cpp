#include "app/AppStartup.h"

#include <QApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

#include "appbase/MessageBox.h"
#include "support/FileCalls.h"

void PrepareApplication() {
  if (filecalls::RunsAsSuperuser()) {
    qputenv("QTWEBENGINE_DISABLE_SANDBOX", "1");
    QByteArray flags = qgetenv("QTWEBENGINE_CHROMIUM_FLAGS");
    if (!flags.contains("--no-sandbox"))
      qputenv("QTWEBENGINE_CHROMIUM_FLAGS", (flags + " --no-sandbox").trimmed());
  }
  QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
}

void InitApplication() {
  QLocale::setDefault(QLocale(QLocale::Russian, QLocale::Russia));
  // The toolkit's own dialogs (print, page setup, save) speak the program's language.
  auto* qtTexts = new QTranslator(qApp);
  if (qtTexts->load(QLocale(), "qtbase", "_", QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
    QCoreApplication::installTranslator(qtTexts);
  QCoreApplication::setOrganizationName("Kvilon");
  QCoreApplication::setApplicationName("Parvel");
  QGuiApplication::setApplicationDisplayName(QString());
  QGuiApplication::setDesktopFileName("ru.parvel.parvel");  // the menu entry, for the window icon
}
