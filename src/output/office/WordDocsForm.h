#pragma once
// The dialog that lets the user choose one of the open documents (or workbooks) of the target
// application, or a new one.
#include <QDialog>

#include <string>

#include "output/office/OfficeApp.h"

class QLabel;
class QListWidget;
class QPushButton;

class TWordDocsForm : public QDialog {
  Q_OBJECT

 public:
  TWordDocsForm(QWidget* owner, TTargetApp kind, IOfficeApp& app);

  // One entry: its text, the document's 1-based position in the application's list when the
  // list was filled, and its key.
  void AddEntry(const QString& text, int position, const std::string& key);

  IOfficeApp& FApp;
  TTargetApp FKind;
  std::string FResult;  // the chosen document's key; empty until a button sets it

  QLabel* Label1 = nullptr;
  QListWidget* lbDocs = nullptr;
  QPushButton* bCreate = nullptr;
  QPushButton* bOk = nullptr;
  QPushButton* bCancel = nullptr;

  void FormShow();
  void bOkClick();
  void bCreateClick();

 protected:
  void showEvent(QShowEvent* event) override;
};
