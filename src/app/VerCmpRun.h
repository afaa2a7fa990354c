#pragma once
// The comparison run and its small modal progress window with the stop button.
#include <QDialog>
#include <QFrame>
#include <QLabel>
#include <QPushButton>
#include <QTimer>

#include <array>
#include <string>

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
  // Shown below the caption once a comparison runs long: the time it has taken and, for texts
  // that evidently have little in common, a warning.
  QLabel* LProgress = nullptr;
  static constexpr qint64 kProgressAfterMs = 1500;

  void FormActivate();
  void Timer1Timer();
  void bStopClick();
  // The run itself: true when the pages were produced and not aborted.
  bool RunComparison();
  // Shows the window and waits for its result. The main window takes no input meanwhile, as
  // under a modal window, but a request to close it still reaches it (and stops the run).
  int Exec();

 protected:
  void showEvent(QShowEvent* e) override;
  void reject() override;  // Esc presses the stop button
  void closeEvent(QCloseEvent* e) override;
  bool eventFilter(QObject* watched, QEvent* e) override;

 private:
  TVerCmp* mainWindow_;
  bool started_ = false;
  bool succeeded_ = false;
  bool closing_ = false;
  TDiff* diff_ = nullptr;  // present only while the run's diff exists
  // The bodies the views held when the run read them, and whether the views were since told to
  // load the result pages: a run that ends without a result puts the texts back.
  std::array<std::string, 3> enteredBody_;
  // The views asked for their bodies (and then switched read-only) before the window appeared,
  // so that they serialise them while it does; the run takes the answers.
  std::array<bool, 3> reading_{};
  void StartReadingTexts();
  bool navigated_ = false;
  void RestoreEnteredTexts();
  void ShowProgress(const TDiff& diff, qint64 elapsedMs);
  qint64 shownProgressMs_ = 0;
};
