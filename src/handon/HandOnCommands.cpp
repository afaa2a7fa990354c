#include "handon/HandOnCommands.h"

#include <QAction>
#include <QDateTime>
#include <QDir>
#include <QFileInfo>

#include <exception>

#include "appbase/Failure.h"
#include "appbase/Workspace.h"
#include "documents/ComparisonTable.h"
#include "documents/TrackedEdition.h"
#include "engine/ChangeList.h"
#include "engine/ComparisonModel.h"
#include "handon/HandOnNote.h"
#include "handon/HandOnProgress.h"
#include "handon/HandOnSaveDialog.h"
#include "support/OutputFiles.h"

namespace {

QString U(const char* utf8) { return QString::fromUtf8(utf8); }
std::string Utf8(const QString& s) { return s.toUtf8().toStdString(); }
QString FileNameOf(const QString& path) { return path.isEmpty() ? QString() : QFileInfo(path).fileName(); }

}  // namespace

THandOnCommands::THandOnCommands(IHandOnHost& host, QObject* parent) : QObject(parent), host_(host) {
  table_ = new QAction(U("Сравнительная таблица…"), this);
  table_->setToolTip(U("Сохранить сравнительную таблицу: Word, OpenDocument, PDF или веб-страница"));
  tracked_ = new QAction(U("Документ с исправлениями…"), this);
  tracked_->setToolTip(U("Сохранить новую редакцию, в которой изменения записаны исправлениями: "
                         "Word, OpenDocument или PDF"));
  for (QAction* a : {table_, tracked_}) a->setStatusTip(a->toolTip());
  connect(table_, &QAction::triggered, this, [this] { SaveComparisonTable(); });
  connect(tracked_, &QAction::triggered, this, [this] { SaveTrackedEdition(); });
  RunSaveDialog = [](THandOnSaveDialog& d) { return d.exec() == QDialog::Accepted; };
  SetResultShown(false);
}

void THandOnCommands::SetResultShown(bool shown) {
  for (QAction* a : {table_, tracked_}) {
    a->setEnabled(shown);
    a->setVisible(shown);
  }
}

QString THandOnCommands::ProposedPath(THandOnDocument document, const THandOnChoice& choice) const {
  const QString newFile = host_.OpenedFile(2);
  QString folder = choice.Folder;
  if (folder.isEmpty() || !QFileInfo(folder).isDir())
    folder = newFile.isEmpty() ? QDir::homePath() : QFileInfo(newFile).absolutePath();
  const bool table = document == THandOnDocument::Table;
  const QString name = newFile.isEmpty()
                           ? (table ? U("Сравнительная таблица") : U("Редакция с исправлениями"))
                           : QFileInfo(newFile).completeBaseName() + (table ? U("_таблица") : U("_исправления"));
  return QDir(folder).filePath(name + '.' + FormatSuffix(choice.Format));
}

QString THandOnCommands::AskForFile(THandOnDocument document, THandOnChoice& choice) {
  choice = SavedHandOnChoice(document);
  THandOnSaveDialog dialog(document, ProposedPath(document, choice), choice, host_.DialogParent());
  if (!RunSaveDialog(dialog)) return {};
  const THandOnChoice chosen = dialog.Choice();
  choice.Folder = chosen.Folder;
  choice.Format = chosen.Format;
  if (document == THandOnDocument::Table) {
    choice.Column1 = chosen.Column1;
    choice.Column2 = chosen.Column2;
  }
  SaveHandOnChoice(document, choice);
  return dialog.Path();
}

void THandOnCommands::SaveComparisonTable() {
  const auto model = host_.ShownComparison();
  if (!model) return;
  THandOnChoice choice;
  const QString path = AskForFile(THandOnDocument::Table, choice);
  if (path.isEmpty()) return;
  TTableTitles titles;
  titles.Name1 = Utf8(FileNameOf(host_.OpenedFile(1)));
  titles.Name2 = Utf8(FileNameOf(host_.OpenedFile(2)));
  titles.Column1 = Utf8(choice.Column1);
  titles.Column2 = Utf8(choice.Column2);
  titles.Date = Utf8(QDate::currentDate().toString(QStringLiteral("dd.MM.yyyy")));
  WriteWithProgress(path, [&](const std::string& file, const THandOnOptions& options) {
    WriteComparisonTable(BuildComparisonTable(*model, host_.ShownChanges(), titles), file, options);
  });
}

void THandOnCommands::SaveTrackedEdition() {
  const auto model = host_.ShownComparison();
  if (!model) return;
  THandOnChoice choice;
  const QString path = AskForFile(THandOnDocument::Tracked, choice);
  if (path.isEmpty()) return;
  const std::string date = Utf8(QDateTime::currentDateTime().toString(QStringLiteral("yyyy-MM-ddTHH:mm:ss")));
  const std::string title = Utf8(FileNameOf(host_.OpenedFile(2)));
  WriteWithProgress(path, [&](const std::string& file, const THandOnOptions& options) {
    WriteTrackedEdition(BuildTrackedEdition(*model, date, title), file, options);
  });
}

void THandOnCommands::WriteWithProgress(
    const QString& path, const std::function<void(const std::string&, const THandOnOptions&)>& write) {
  LastWritten.clear();
  const std::string file = ToNativeBytes(path);
  THandOnProgress progress(U("Документ записывается…"), host_.DialogParent());
  THandOnOptions options;
  options.Soffice = Soffice;
  options.Idle = [&progress] { return progress.Idle(); };
  try {
    // A folder or a device is refused before any work is done.
    CheckOutputPath(file);
    // The window is painted again where the save dialog was before the work begins.
    progress.Idle();
    write(file, options);
  } catch (const EHandOnError& e) {
    progress.Finish();
    // Stopped by the user: nothing was written, and nothing more is to be said than that.
    if (e.Kind == EHandOnError::hoCancelled || progress.Stopped()) {
      ShowPassingNote(host_.DialogParent()->window(), U("Запись документа прервана"));
      return;
    }
    host_.ShowMessage(FailureText(e));
    return;
  } catch (const std::exception& e) {
    progress.Finish();
    host_.ShowMessage(FailureText(e));
    return;
  }
  progress.Finish();
  LastWritten = path;
  ShowPassingNote(host_.DialogParent()->window(), U("Записано: ") + QDir::toNativeSeparators(path));
}
