#include "app/AppStartup.h"

#include <QApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

#ifndef _WIN32
#include <unistd.h>
#endif

#include "appbase/MessageBox.h"

void PrepareApplication() {
#ifndef _WIN32
  if (geteuid() == 0) {
    qputenv("QTWEBENGINE_DISABLE_SANDBOX", "1");
    QByteArray flags = qgetenv("QTWEBENGINE_CHROMIUM_FLAGS");
    if (!flags.contains("--no-sandbox"))
      qputenv("QTWEBENGINE_CHROMIUM_FLAGS", (flags + " --no-sandbox").trimmed());
  }
#endif
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
}
