#include "output/SaveToWord.h"

#include <QDesktopServices>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QUrl>

#include <exception>
#include <string>
#include <vector>

#include "appbase/Failure.h"
#include "appbase/Workspace.h"
#include "engine/ResultPages.h"
#include "output/SavedPage.h"
#include "view/HtmlView.h"

TSaveToWord::TSaveToWord(TSaveToWordHost& host, QObject* parent) : QObject(parent), host_(host) {
  RunSaveDialog = [](QFileDialog& d) { return d.exec() == QDialog::Accepted ? d.selectedFiles().value(0) : QString(); };
  StartDetached = [](const QString& program, const QStringList& arguments) {
    return QProcess::startDetached(program, arguments);
  };
  OpenWithDesktop = [](const QString& path) { return QDesktopServices::openUrl(QUrl::fromLocalFile(path)); };
}

QString TSaveToWord::FindWriter() {
  for (const char* name : {"soffice", "libreoffice"}) {
    const QString found = QStandardPaths::findExecutable(QString::fromLatin1(name));
    if (!found.isEmpty()) return found;
  }
  QStringList usual = {"/usr/lib/libreoffice/program/soffice", "/opt/libreoffice/program/soffice",
                       "/Applications/LibreOffice.app/Contents/MacOS/soffice",
                       "C:/Program Files/LibreOffice/program/soffice.exe",
                       "C:/Program Files (x86)/LibreOffice/program/soffice.exe"};
  for (const QString& dir : QDir("/opt").entryList({"libreoffice*"}, QDir::Dirs, QDir::Name | QDir::Reversed))
    usual << "/opt/" + dir + "/program/soffice";
  for (const QString& path : usual)
    if (QFileInfo(path).isExecutable()) return path;
  return {};
}

void TSaveToWord::SaveAndOpenInWord(THtmlView* view) {
  if (view == nullptr || !view->HasDocument()) return;
  QFileDialog dialog(host_.DialogParent(), QString::fromUtf8("Сохранить и открыть в MS Word"));
  dialog.setAcceptMode(QFileDialog::AcceptSave);
  dialog.setFileMode(QFileDialog::AnyFile);
  dialog.setOption(QFileDialog::DontConfirmOverwrite, false);  // ask before overwriting
  dialog.setSizeGripEnabled(true);
  dialog.selectFile(QString::fromUtf8("Документ_.htm"));
  const QString path = RunSaveDialog(dialog);
  if (path.isEmpty()) return;

  // The name exactly as chosen (a name typed without an extension stays without one).
  const QString file = QFileInfo(path).absoluteFilePath();
  const QString folderName = StyleFolderName(file);
  QString folder = QFileInfo(file).absolutePath();
  EnsureBackslash(folder);
  folder += folderName;
  EnsureBackslash(folder);
  try {
    UnpackStyleFiles(host_.DataFolder(), folder);
    std::vector<std::string> styleFiles;
    for (const TStyleFile& f : StyleFiles()) styleFiles.emplace_back(f.Target);
    WritePageFile(ToNativeBytes(file),
                  PageForWordProcessor(view->OuterHtml(TElementRef::Root()), folderName, styleFiles));
  } catch (const std::exception& e) {
    // Nothing was written: the word processor would only be handed a name that does not exist.
    host_.ShowMessage(QString::fromUtf8("Не удалось сохранить документ: ") + FailureText(e));
    return;
  }
  OpenInWordProcessor(file);
}

void TSaveToWord::OpenInWordProcessor(const QString& path) {
  // The path is one argument whatever blanks it holds: no shell splits it.
  const QString writer = FindWriter();
  if (!writer.isEmpty() && StartDetached(writer, {QStringLiteral("--writer"), QDir::toNativeSeparators(path)}))
    return;
  if (OpenWithDesktop(path)) return;
  host_.ShowMessage(QString::fromUtf8("Документ сохранён в файл ") + QDir::toNativeSeparators(path) +
                    QString::fromUtf8(", но открыть его не удалось: не найден текстовый процессор "
                                      "(LibreOffice Writer)."));
}
