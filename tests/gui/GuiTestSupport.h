#pragma once
// Shared set-up of the headless window tests: one application per test program, a private
// program folder (a copy of the built Data folder) and a private temporary folder per window.
#include <gtest/gtest.h>

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QSettings>
#include <QTemporaryDir>

#include <fstream>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "app/AppStartup.h"
#include "appbase/MessageBox.h"
#include "app/VerCmp.h"
#include "gui/WindowDriver.h"
#include "find/MorphRusTables.h"
#include "support/Cp1251.h"

namespace guitest {

// Lets events through until pred holds or timeoutMs passes.
inline bool WaitFor(const std::function<bool()>& pred, int timeoutMs = 30000) {
  QElapsedTimer t;
  t.start();
  while (!pred()) {
    if (t.elapsed() > timeoutMs) return false;
    QApplication::processEvents(QEventLoop::AllEvents, 20);
  }
  return true;
}

inline std::string W(const char* utf8) { return cp1251::FromUtf8(utf8); }

inline std::string ReadFile(const QString& path) {
  QFile f(path);
  if (!f.open(QIODevice::ReadOnly)) return {};
  return f.readAll().toStdString();
}

inline void CopyDir(const QString& from, const QString& to) {
  QDir().mkpath(to);
  for (const QFileInfo& fi : QDir(from).entryInfoList(QDir::Files | QDir::Dirs | QDir::NoDotAndDotDot)) {
    if (fi.isDir()) CopyDir(fi.filePath(), to + "/" + fi.fileName());
    else QFile::copy(fi.filePath(), to + "/" + fi.fileName());
  }
}

// A program folder of our own: Data copied from the build, the dictionaries made small when the
// build has none yet, and the temporary folder pointed into it so the work folder starts empty.
class TProgramDir {
 public:
  TProgramDir() {
    oldTmp_ = qgetenv("TMPDIR");
    CopyDir(QString(PARVEL_BIN_DIR) + "/Data", AppDir() + "Data");
    QDir().mkpath(TempDir());
    for (const char* name : {"A71.DAT", "A80.DAT"})
      if (!QFile::exists(DataDir() + name)) std::ofstream((DataDir() + name).toStdString());
    if (!QFile::exists(DataDir() + "A49.DAT"))
      std::ofstream((DataDir() + "A49.DAT").toStdString(), std::ios::binary)
          << EncodeA49(TDictionaryLists{});
    qputenv("TMPDIR", TempDir().toUtf8());
  }
  ~TProgramDir() {
    if (oldTmp_.isEmpty()) qunsetenv("TMPDIR");
    else qputenv("TMPDIR", oldTmp_);
  }
  QString AppDir() const { return dir_.path() + "/"; }
  QString DataDir() const { return AppDir() + "Data/"; }
  QString TempDir() const { return dir_.path() + "/tmp"; }
  QString WorkDir() const { return TempDir() + "/Parvel_t/"; }

 private:
  QByteArray oldTmp_;
  QTemporaryDir dir_;
};

// Messages shown through ShowMessageBox while the recorder lives.
class TMessages {
 public:
  TMessages() {
    SetMessageBoxHook([this](const QString& m) { list_.push_back(m.toStdString()); });
  }
  ~TMessages() { SetMessageBoxHook(nullptr); }
  const std::vector<std::string>& List() const { return list_; }
  void Clear() { list_.clear(); }

 private:
  std::vector<std::string> list_;
};

// A shown main window in its entry state.
inline std::unique_ptr<TVerCmp> ShowMainWindow(const TProgramDir& dir) {
  auto w = std::make_unique<TVerCmp>(dir.AppDir());
  w->resize(1400, 700);
  w->show();
  EXPECT_TRUE(WaitFor([&] { return w->Activated(); })) << "the window never became ready";
  return w;
}

// Puts a body (Windows-1251 HTML) into a view, as pasting would.
inline void SetBody(THtmlView* view, const std::string& html) {
  view->SetInnerHtml(TElementRef::Body(), html);
}

// Two long texts with nothing in common: they keep the diff busy long enough to press "Прервать"
// (each of the given number of words; 120 000 keep it busy for minutes).
inline void PutLongUnrelatedTexts(TVerCmp& w, long long words = 40000) {
  std::string a, b;
  for (long long i = 0; i < words; ++i) {
    a += "w" + std::to_string(i * 7919 % 100003) + (i % 12 == 11 ? "</p><p>" : " ");
    b += "v" + std::to_string(i * 104729 % 100019) + (i % 12 == 11 ? "</p><p>" : " ");
  }
  SetBody(UI(w).WB1, "<p>" + a + "</p>");
  SetBody(UI(w).WB2, "<p>" + b + "</p>");
}

}  // namespace guitest

// Every GUI test program: one application, headless unless a display is asked for.
#define PARVEL_GUI_TEST_MAIN()                                   \
  int main(int argc, char** argv) {                              \
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))          \
      qputenv("QT_QPA_PLATFORM", "offscreen");                   \
    QTemporaryDir settingsDir; /* never the user's settings */  \
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, settingsDir.path()); \
    QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, settingsDir.path()); \
    PrepareApplication();                                        \
    QApplication app(argc, argv);                                \
    InitApplication();                                           \
    ::testing::InitGoogleTest(&argc, argv);                      \
    return RUN_ALL_TESTS();                                      \
  }
