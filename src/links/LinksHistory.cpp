// Focus of the result views, their link history and the links under the mouse.
#include "links/LinksHistory.h"

#include <QAction>
#include <QToolButton>

#include "view/HtmlView.h"

TLinksHistory::TLinksHistory(TLinksHost& host, THtmlView* wb1, THtmlView* wb2,
                             const TLinksControls& controls, QObject* parent)
    : QObject(parent),
      Views{nullptr, wb1, wb2},
      host_(host),
      bBack(controls.bBack),
      bForward(controls.bForward),
      acOpenInNewWin(controls.acOpenInNewWin) {}

void TLinksHistory::WB1Enter(THtmlView* view) {
  const int index = view == Views[1] ? 1 : 2;
  if (index == host_.CurrentViewIndex()) return;
  host_.CloseFindPanel();
  host_.SetCurrentViewIndex(index);
  bBack->setEnabled(CanGoBack[static_cast<size_t>(index)]);
  bForward->setEnabled(CanGoForward[static_cast<size_t>(index)]);
}

void TLinksHistory::WB1CommandStateChange(THtmlView* view, int command, bool enabled) {
  // The history state is filed under the focused view, whichever view reported.
  const size_t CurrentView = static_cast<size_t>(host_.CurrentViewIndex());
  if (command == csNavigateForward) {
    CanGoForward[CurrentView] = enabled;
    bForward->setEnabled(enabled);
  } else if (command == csNavigateBack) {
    CanGoBack[CurrentView] = enabled;
    bBack->setEnabled(enabled);
  }
  host_.SyncScroll(view);
  if (command == csUpdateCommands && view->SelectionType() == "Text" && !view->hasFocus())
    view->setFocus(Qt::MouseFocusReason);
}

void TLinksHistory::HistoryStep(bool forward) {
  THtmlView* view = Views[static_cast<size_t>(host_.CurrentViewIndex())];
  host_.SetSyncEnabled(false);
  if (forward)
    view->GoForward();
  else
    view->GoBack();
  view->WaitReady();
  host_.SetSyncEnabled(true);
}

void TLinksHistory::bBackClick() { HistoryStep(false); }
void TLinksHistory::bForwardClick() { HistoryStep(true); }
