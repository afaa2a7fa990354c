#pragma once
// The small modal window with «Прервать» while a handed-on document is written. It appears only
// when the writing lasts; until then the window owning it is painted but takes no input.
#include <QDialog>
#include <QElapsedTimer>

class QLabel;
class QPushButton;

class THandOnProgress : public QDialog {
  Q_OBJECT

 public:
  THandOnProgress(const QString& caption, QWidget* owner);

  static constexpr int kShowAfterMs = 500;

  // The writer's idle call: lets events through, shows the window once the writing has lasted,
  // and gives false once «Прервать» was pressed.
  bool Idle();
  bool Stopped() const { return stopped_; }
  // The writing has ended: the window goes.
  void Finish();

  QLabel* Caption = nullptr;
  QPushButton* StopButton = nullptr;

 protected:
  void reject() override;  // Esc is «Прервать»
  void closeEvent(QCloseEvent* e) override;

 private:
  QElapsedTimer clock_;
  bool stopped_ = false;
  bool finished_ = false;
};
