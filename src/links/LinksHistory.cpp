// Focus of the result views, their link history, the link under the mouse and where links lead.
#include "links/LinksHistory.h"

#include <QAction>
#include <QDir>
#include <QFileInfo>
#include <QToolButton>

#include <exception>

#include "appbase/MessageBox.h"
#include "appbase/Workspace.h"
#include "links/OutsideOpener.h"
#include "support/Cp1251.h"
#include "view/HtmlView.h"

namespace {

// The user guide's name in the data folder, stored scrambled: "guide.htm".
std::string GuidePageName() {
  static const unsigned char stored[] = {0xC0, 0xD2, 0xCE, 0xC3, 0xC2, 0x89, 0xCF, 0xD3, 0xCA};
  return Unscramble(std::string(reinterpret_cast<const char*>(stored), sizeof stored));
}

}  // namespace

TLinksHistory::TLinksHistory(TLinksHost& host, THtmlView* wb1, THtmlView* wb2, THtmlView* wbInfo,
                             const TLinksControls& controls, QObject* parent)
    : QObject(parent),
      Views{nullptr, wb1, wb2},
      WBInfo(wbInfo),
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
  try {
    if (command == csUpdateCommands && view->SelectionType() == "Text" && !view->hasFocus())
      view->setFocus(Qt::MouseFocusReason);
  } catch (const std::exception&) {
    // Moving the focus is a convenience; a view that cannot say what it holds keeps it as is.
  }
}

void TLinksHistory::HistoryStep(bool forward) {
  // A second press while the page still loads would step twice from a page not yet shown.
  if (historyStepRunning_) return;
  THtmlView* view = Views[static_cast<size_t>(host_.CurrentViewIndex())];
  historyStepRunning_ = true;
  host_.SetSyncEnabled(false);
  if (forward)
    view->GoForward();
  else
    view->GoBack();
  const bool ready = view->WaitReady(HistoryWaitMs);
  if (!ready) view->Stop();
  host_.SetSyncEnabled(true);
  historyStepRunning_ = false;
  if (!ready) ShowMessageBox(QString::fromUtf8("Страница не загрузилась. Попробуйте ещё раз."));
}

void TLinksHistory::bBackClick() { HistoryStep(false); }
void TLinksHistory::bForwardClick() { HistoryStep(true); }

void TLinksHistory::WB1StatusTextChange(THtmlView*, const std::string& text) {
  const std::string t = cp1251::ToLower(text);
  if (t.find("http") != std::string::npos)
    HoverLink = t;
  else
    HoverLink.clear();
}

void TLinksHistory::PopMenuTextPopup() {
  const QString link = QString::fromUtf8(cp1251::ToUtf8(HoverLink));
  acOpenInNewWin->setToolTip(link);
  acOpenInNewWin->setStatusTip(link);
  acOpenInNewWin->setEnabled(!HoverLink.empty());
}

void TLinksHistory::acOpenInNewWinExecute() {
  // The link as it was when the menu opened: the mouse has since left it for the menu.
  HoverLink = cp1251::FromUtf8(acOpenInNewWin->toolTip().toUtf8().toStdString());
  OpenHoverLink();
}

void TLinksHistory::OpenHoverLink() {
  if (HoverLink.empty()) return;
  OpenLinkOutside(HoverLink);
}

bool TLinksHistory::IsOwnPage(const std::string& address) const {
  // A local path (no scheme) inside the data folder; "..", links and letter case do not count.
  if (address.empty() || address.find("://") != std::string::npos) return false;
  const QString path = QString::fromUtf8(cp1251::ToUtf8(address));
  if (!QDir::isAbsolutePath(path)) return false;
  const QString folder = QDir(host_.DataFolder()).canonicalPath();
  const QString target = QFileInfo(path).canonicalFilePath();
  if (folder.isEmpty() || target.isEmpty()) return false;
  return target.startsWith(folder + "/");
}

void TLinksHistory::WBInfoBeforeNavigate2(const std::string& address, bool& cancel) {
  if (IsOwnPage(address)) return;
  cancel = true;
  OpenLinkOutside(address);
}

void TLinksHistory::LInfoClick() {
  OpenOwnPageOutside(host_.DataFolder() + QString::fromStdString(GuidePageName()));
}
