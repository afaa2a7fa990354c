#pragma once
// The commands "Копировать в MS Word" and "Копировать в MS Excel": the current view's selection
// (or, with none, its whole page) goes through the clipboard to the end of a Writer document or
// into the first sheet of a Calc workbook, chosen among the open ones or new.
#include <QString>

#include <functional>
#include <memory>
#include <string>

#include "output/office/OfficeApp.h"

class QWidget;
class THtmlView;

// What the commands need of the main window.
class ICopyToAppHost {
 public:
  virtual ~ICopyToAppHost() = default;
  // The view the commands act on (the one that last had the focus).
  virtual THtmlView* CopySourceView() = 0;
  // Whitens the host system's highlights in both views.
  virtual void ClearHostHighlights() = 0;
  // Owner of the dialog and of the warning.
  virtual QWidget* DialogOwner() = 0;
  // The "Warning" box with a warning icon: the office cannot be started.
  virtual void ShowWarning(const QString& text) = 0;
  // An error that no step handles, shown with its own text.
  virtual void ShowErrorMessage(const QString& text) = 0;
};

// The "Warning" box with a warning icon, owned by owner.
void ShowOfficeWarning(QWidget* owner, const QString& text);

class TCopyToAppSrv {
 public:
  TCopyToAppSrv(ICopyToAppHost& host, TOfficeFactory factory);

  // Entry points of acTextCopyToWord and acTextCopyToExcel.
  void acTextCopyToWordExecute();
  void acTextCopyToExcelExecute();

  void CopyToApp(THtmlView* view, TTargetApp kind);
  // "Копировать в MS Excel" of a table that is not a page (the change list): html and text go
  // onto the clipboard and from there into the chosen workbook's first sheet.
  void CopyTableToExcel(const QString& html, const QString& text);
  // Make sure the application is live (connecting anew when it was dropped or has gone), then
  // give the target document's (workbook's) key: empty when there is none.
  std::string GetWordTarget(std::unique_ptr<IOfficeApp>& app);
  std::string GetExcelTarget(std::unique_ptr<IOfficeApp>& app);

  // The connections, held from the first copy to the end of the program (the office keeps
  // running after it).
  std::unique_ptr<IOfficeApp> WordApp, ExcelApp;

  // The dialog is shown through this (tests answer it without a modal loop); it gives the
  // dialog's result: true for OK.
  std::function<bool(class TWordDocsForm&)> ShowDialog;

 private:
  bool Connect(std::unique_ptr<IOfficeApp>& app, TTargetApp kind);
  // The held connection's number of documents; -1, with the connection dropped, when the office
  // was closed since or stopped answering (or when none is held).
  static int HeldDocumentCount(std::unique_ptr<IOfficeApp>& app);
  // A new document's key, or empty when it could not be made.
  static std::string NewDocument(IOfficeApp& app);
  // The choice of the open documents, entry texts made by entry; empty when cancelled.
  std::string ChooseDocument(IOfficeApp& app, TTargetApp kind,
                             const std::function<QString(const TOfficeDoc&)>& entry);
  void Execute(TTargetApp kind);
  ICopyToAppHost& host_;
  TOfficeFactory factory_;
};

// Rewrites the clipboard's HTML so that the office keeps the look of the change marks.
void PrepareClipboardForOffice();

// The texts of the "Warning" box.
QString OfficeMissingText(TTargetApp kind);
