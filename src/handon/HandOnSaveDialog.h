#pragma once
// The save dialog of a handed-on document: the file, its format (kept in step with the file's
// extension) and, for the comparison table, the headings of its two columns.
#include <QDialog>
#include <QString>

#include <functional>

#include "handon/HandOnSettings.h"

class QComboBox;
class QFileDialog;
class QLineEdit;
class QPushButton;

class THandOnSaveDialog : public QDialog {
  Q_OBJECT

 public:
  // proposedPath: the file offered at first, with the extension of choice.Format.
  THandOnSaveDialog(THandOnDocument document, const QString& proposedPath, const THandOnChoice& choice,
                    QWidget* parent);

  // After "Сохранить": the absolute path, its extension the chosen format's.
  QString Path() const { return path_; }
  // The format, the path's folder and the headings, to be remembered.
  THandOnChoice Choice() const;

  QLineEdit* PathField = nullptr;
  QPushButton* BrowseButton = nullptr;
  QComboBox* FormatChoice = nullptr;
  QLineEdit* Column1Field = nullptr;  // null for the tracked edition
  QLineEdit* Column2Field = nullptr;
  QPushButton* SaveButton = nullptr;
  QPushButton* CancelButton = nullptr;

  // Runs «Обзор…»'s file dialog and gives the chosen file, or empty; tests answer it.
  std::function<QString(QFileDialog&)> RunFileDialog;

 public slots:
  void accept() override;

 private:
  THandOnFormat CurrentFormat() const;
  void Browse();
  // The user picked a format: the file's extension follows.
  void FormatPicked();
  // The user typed a file name: a known extension picks its format.
  void PathEdited(const QString& text);
  // The typed path made absolute (from the proposed folder) with the format's extension.
  QString CompletePath() const;

  THandOnDocument document_;
  QString folder_;     // of the proposed file: where a bare name is put
  QString browsed_;    // the file «Обзор…» chose (its dialog asked about replacing it)
  QString path_;
};
