#pragma once
// The find panel: searches the page of the current result view with Russian word forms and steps
// through the occurrences, the current one orange and the visited ones yellow.
#include <QObject>
#include <QString>

#include <string>

class QLabel;
class QLineEdit;
class QPushButton;
class QToolButton;
class QWidget;
class THtmlView;

// What the panel needs of the main window.
class IFindPanelHost {
 public:
  virtual ~IFindPanelHost() = default;
  // The result view with the given number (1 = WB1, 2 = WB2).
  virtual THtmlView* ResultView(int v) = 0;
  // The view that last had the focus.
  virtual int CurrentViewNumber() const = 0;
  // The unmarked body of the result page shown in view v (empty without a result).
  virtual const std::string& StoredBodyOf(int v) const = 0;
  virtual void ShowMessage(const QString& text) = 0;
};

class TFindPanel : public QObject {
  Q_OBJECT

 public:
  // Builds the panel's controls inside panFindDef; panFind is the strip that is shown and hidden.
  TFindPanel(IFindPanelHost& host, QWidget* panFind, QWidget* panFindDef);

  QWidget* PanFind;
  QWidget* PanFindDef;
  QLabel* LFind = nullptr;
  QLineEdit* edSearch = nullptr;
  QToolButton* ImgClear = nullptr;
  QPushButton* bFind = nullptr;
  QPushButton* bFindForward = nullptr;
  QPushButton* bFindBackward = nullptr;
  QPushButton* bCancel = nullptr;
  // Where the user stands: "Найдено: 17", "3 из 17", "Не найдено".
  QLabel* LFindCount = nullptr;

  int FindCount = 0;   // occurrences of the last search
  int FindIndex = -1;  // the current occurrence; -1 none

  static constexpr unsigned kCurrentColour = 0xFF9632;
  static constexpr unsigned kVisitedColour = 0xFFFF00;
  static constexpr unsigned kClearedColour = 0xFFFFFF;
  static constexpr int kMarksColoured = 20;  // marks 0 ... 19 of an occurrence
  static constexpr int kHostHighlights = 15;

  void acTextFindExecute();
  void bFindClick();
  void bFindForwardClick();
  void bFindBackwardClick();
  // Closes the panel; the page of the current view gets its unmarked body back.
  void bCancelClick();
  void ImgClearClick();
  void ClearHostHighlights();
  // A comparison starts: no search, no current occurrence, panel hidden.
  void ResetSearch();

 private:
  bool eventFilter(QObject* watched, QEvent* e) override;
  THtmlView* Current();
  void Step(int to);
  void ColourOccurrence(int n, unsigned rgb);
  void ScrollToElement(const std::string& id);
  void ShowCount();

  IFindPanelHost& host_;
  int markedView_ = 0;  // the view whose page holds find marks, 0 none
  bool busy_ = false;   // a command is waiting for the view
};
