#pragma once
// «Сравнительная таблица…» and «Документ с исправлениями…»: the result shown, written as a
// document for someone else after the save dialog, with a progress window that can stop it.
#include <QObject>
#include <QString>

#include <functional>
#include <string>

#include "documents/HandOnExport.h"
#include "handon/HandOnSettings.h"
#include "handon/HandOnHost.h"

class QAction;
class THandOnSaveDialog;

class THandOnCommands : public QObject {
  Q_OBJECT

 public:
  THandOnCommands(IHandOnHost& host, QObject* parent);

  // The two commands, for the toolbar and the popup menu.
  QAction* TableAction() const { return table_; }
  QAction* TrackedAction() const { return tracked_; }
  // Both are offered (enabled and in the menu) only while a result is shown.
  void SetResultShown(bool shown);

  void SaveComparisonTable();
  void SaveTrackedEdition();

  // The file the dialog offers first: in the folder last used (else the new text's), named
  // after the new text's file when it has one.
  QString ProposedPath(THandOnDocument document, const THandOnChoice& choice) const;

  // The office program to convert with; empty: found as usual. Tests point it elsewhere.
  std::string Soffice;
  // The last file written; empty after a failure or a stop.
  QString LastWritten;
  // Runs the save dialog; true for «Сохранить». Tests may answer it without a modal loop.
  std::function<bool(THandOnSaveDialog&)> RunSaveDialog;

 private:
  // Asks for the file; empty when the user cancelled.
  QString AskForFile(THandOnDocument document, THandOnChoice& choice);
  // Runs write with a progress window; reports a failure, a stop or the file written.
  void WriteWithProgress(const QString& path, const std::function<void(const std::string&, const THandOnOptions&)>& write);

  IHandOnHost& host_;
  QAction* table_;
  QAction* tracked_;
};
