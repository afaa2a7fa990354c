#pragma once
// The About box.
#include <QDialog>
#include <QLabel>
#include <QPushButton>

class TAbout : public QDialog {
  Q_OBJECT

 public:
  explicit TAbout(QWidget* parent = nullptr);

  QLabel* Image1 = nullptr;   // the program's picture, 208 x 56
  QLabel* Label1 = nullptr;   // the title
  QLabel* Label2 = nullptr;   // one line: the version and the dictionary's attribution
  QLabel* Legend = nullptr;   // the colours of the marks
  QPushButton* bClose = nullptr;  // "Ok": the default button, also Esc

 private:
  void FormCreate();
};
