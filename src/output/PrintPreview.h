#pragma once
// The print preview: opens at once with the progress of the pages being made, then shows them,
// rendering each only when it comes into sight. Its "Печать..." hands the same pages on.
#include <QByteArray>
#include <QDialog>
#include <QElapsedTimer>
#include <QTimer>

#include <functional>
#include <memory>

class QLabel;
class QPdfDocument;
class QProgressBar;
class QStackedWidget;
class QTemporaryFile;
class TPdfPagesView;

class TPrintPreview : public QDialog {
  Q_OBJECT

 public:
  TPrintPreview(QWidget* parent, const QString& title);
  ~TPrintPreview() override;

  // Called once the dialog is on the screen: makes the pages (it may let window messages
  // through meanwhile) and hands them to ShowPages, or says why not with ShowFailure.
  std::function<void()> MakePages;
  // "Печать..." in the preview.
  std::function<void()> Print;

  // What the progress says while the pages are made.
  void SetStage(const QString& text);
  // Shows the pages of a finished PDF. False (with a message in the dialog) when they cannot be read.
  bool ShowPages(const QByteArray& pdf);
  void ShowFailure(const QString& text);

  bool PagesShown() const;
  TPdfPagesView* Pages() const { return pages_; }
  QLabel* Progress() const { return stage_; }

 protected:
  void showEvent(QShowEvent* e) override;

 private:
  void UpdatePageLabel(int page);
  void UpdateElapsed();

  QStackedWidget* stack_ = nullptr;
  QLabel* stage_ = nullptr;
  QLabel* elapsed_ = nullptr;
  QProgressBar* busy_ = nullptr;
  QLabel* pageLabel_ = nullptr;
  QAction* print_ = nullptr;
  TPdfPagesView* pages_ = nullptr;
  std::unique_ptr<QTemporaryFile> file_;
  std::unique_ptr<QPdfDocument> doc_;
  QElapsedTimer clock_;
  QTimer tick_;
  bool started_ = false;
};
