#pragma once
// The comparison run and its small modal progress window with the stop button.
#include <QDialog>
#include <QFrame>
#include <QLabel>
#include <QPushButton>
#include <QTimer>

class TDiff;
class TVerCmp;

// Set by the stop button; cleared at the start of every run.
extern bool AbortRequested;

class TVerCmpRun : public QDialog {
  Q_OBJECT

 public:
  explicit TVerCmpRun(TVerCmp* mainWindow);
  ~TVerCmpRun() override;

  QFrame* Panel1 = nullptr;
  QLabel* LProcess = nullptr;
  QPushButton* bStop = nullptr;
  QTimer* Timer1 = nullptr;

  void FormActivate();
  void Timer1Timer();
  void bStopClick();
  // The run itself: true when the pages were produced and not aborted.
  bool RunComparison();

 protected:
  void showEvent(QShowEvent* e) override;
  void reject() override;  // Esc presses the stop button
  void closeEvent(QCloseEvent* e) override;

 private:
  TVerCmp* mainWindow_;
  bool started_ = false;
  bool succeeded_ = false;
  bool closing_ = false;
  TDiff* diff_ = nullptr;  // present only while the run's diff exists
};
