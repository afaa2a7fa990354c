#pragma once
// The small modal progress window with the stop button. It only shows how the comparison goes
// and hands back its result; the comparison itself is TComparisonRun's.
#include <QDialog>
#include <QFrame>
#include <QLabel>
#include <QPushButton>
#include <QTimer>

#include "app/ComparisonRun.h"

class TDiff;

class TVerCmpRun : public QDialog {
  Q_OBJECT

 public:
  // blockedWindow: the window that takes no input while the run lasts (the main window).
  TVerCmpRun(TComparisonRun& run, QWidget* blockedWindow);
  ~TVerCmpRun() override;

  QFrame* Panel1 = nullptr;
  QLabel* LProcess = nullptr;
  QPushButton* bStop = nullptr;
  QTimer* Timer1 = nullptr;
  // Shown below the caption once a comparison runs long: the time it has taken and, for texts
  // that evidently have little in common, a warning.
  QLabel* LProgress = nullptr;
  static constexpr qint64 kProgressAfterMs = 1500;

  void FormActivate();
  void Timer1Timer();
  void bStopClick();
  // Shows the window, runs the comparison and waits until the window has closed. The blocked
  // window takes no input meanwhile, as under a modal window, but a request to close it still
  // reaches it (and stops the run).
  int Exec();
  const TComparisonResult& Result() const { return result_; }

 protected:
  void showEvent(QShowEvent* e) override;
  void reject() override;  // Esc presses the stop button
  void closeEvent(QCloseEvent* e) override;
  bool eventFilter(QObject* watched, QEvent* e) override;

 private:
  void ShowProgress(const TDiff& diff, qint64 elapsedMs);
  TComparisonRun& run_;
  QWidget* blockedWindow_;
  TComparisonResult result_;
  bool started_ = false;
  bool closing_ = false;
  qint64 shownProgressMs_ = 0;
};
