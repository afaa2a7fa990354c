#pragma once
// The result views' focus, their link history, the link under the mouse and where links lead:
// inside a view, outside in the desktop's handler, or (in the info panel) nowhere but the
// program's own pages.
#include <QObject>
#include <QString>

#include <array>
#include <string>

class QAction;
class QToolButton;
class THtmlView;

// What links and history need of the window they serve.
class TLinksHost {
 public:
  virtual ~TLinksHost() = default;
  // The result view that last had the focus (1 = WB1, 2 = WB2).
  virtual int CurrentViewIndex() const = 0;
  virtual void SetCurrentViewIndex(int index) = 0;
  // Closes the find panel as its "Закрыть" button does.
  virtual void CloseFindPanel() = 0;
  // Scroll synchronisation: kept out while a history step loads, and run on a view's report.
  virtual void SetSyncEnabled(bool enabled) = 0;
  virtual void SyncScroll(THtmlView* view) = 0;
  // The program's data folder (ends with the separator): its pages are the program's own.
  virtual QString DataFolder() const = 0;
};

// The window's controls that links and history drive.
struct TLinksControls {
  QToolButton* bBack = nullptr;
  QToolButton* bForward = nullptr;
  QAction* acOpenInNewWin = nullptr;
};

class TLinksHistory : public QObject {
  Q_OBJECT

 public:
  TLinksHistory(TLinksHost& host, THtmlView* wb1, THtmlView* wb2, THtmlView* wbInfo,
                const TLinksControls& controls, QObject* parent = nullptr);

  // ---- State; per-view items are indexed 1 = WB1, 2 = WB2 --------------------------------
  std::array<THtmlView*, 3> Views{};
  THtmlView* WBInfo;
  std::array<bool, 3> CanGoBack{}, CanGoForward{};
  std::string HoverLink;  // lower-cased address of the link under the mouse; empty: none
  // How long a history step waits for its page before it gives up with a message.
  int HistoryWaitMs = 60000;

  // ---- Entry points --------------------------------------------------------------------
  void WB1Enter(THtmlView* view);
  void WB1CommandStateChange(THtmlView* view, int command, bool enabled);
  void bBackClick();
  void bForwardClick();
  void WB1StatusTextChange(THtmlView* view, const std::string& text);
  void PopMenuTextPopup();
  void acOpenInNewWinExecute();
  void OpenHoverLink();
  void WBInfoBeforeNavigate2(const std::string& address, bool& cancel);
  void LInfoClick();

  // The program's own pages: local files of the data folder. Only these open in the info panel.
  bool IsOwnPage(const std::string& address) const;

 private:
  void HistoryStep(bool forward);

  TLinksHost& host_;
  QToolButton* bBack;
  QToolButton* bForward;
  QAction* acOpenInNewWin;
  bool historyStepRunning_ = false;
};
