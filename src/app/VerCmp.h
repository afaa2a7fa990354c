#pragma once
// The main window: two document views side by side, the toolbar, the position bar and the side
// panel (the guide, or the change list of a result), and the state every command of the program
// shares.
#include <QAction>
#include <QFrame>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QSize>
#include <QToolButton>
#include <QWidget>

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "app/ComparisonRun.h"
#include "app/OpenFiles.h"
#include "changelist/ChangeListPanel.h"
#include "appbase/Workspace.h"
#include "findpanel/FindPanel.h"
#include "handon/HandOnHost.h"
#include "shellinput/ShellInput.h"
#include "links/LinksHistory.h"
#include "navigation/ChangeNavigation.h"
#include "output/Printing.h"
#include "output/SaveToWord.h"
#include "output/Zoom.h"
#include "output/office/CopyToApp.h"
#include "view/HtmlView.h"

class QPainter;
class TEditedPanes;
class THandOnCommands;
class TSidePanel;

// A plain drawing surface whose painting is the owner's.
class TPaintBox : public QWidget {
 public:
  explicit TPaintBox(QWidget* parent) : QWidget(parent) {}
  std::function<void(QPainter&)> OnPaint;

 protected:
  void paintEvent(QPaintEvent*) override;
};

// What the window is doing: texts being entered, a comparison running, a result shown.
enum TWindowMode { wmEntry, wmRunning, wmResult };

namespace guitest {
class UI;
}

class TVerCmp : public QWidget,
                private TNavigationHost,
                private TZoomHost,
                private TLinksHost,
                private TShellInputHost,
                private IFindPanelHost,
                private TPrintHost,
                private TSaveToWordHost,
                private ICopyToAppHost,
                private TOpenFilesHost,
                private IChangeListHost,
                private IHandOnHost {
  Q_OBJECT

 public:
  // appDir: the folder whose "Data" folder the program uses; empty: the executable's folder.
  explicit TVerCmp(const QString& appDir = QString(), QWidget* parent = nullptr);
  ~TVerCmp() override;

  // True when start-up failed (a dictionary is missing) and the program is to end.
  bool StartupFailed() const { return startupFailed_; }
  // True once FormActivate has put the two empty editable pages into the views.
  bool Activated() const { return activated_; }
  TWindowMode Mode() const { return mode_; }
  // The column beside the views (the guide, or the change list with a result).
  TSidePanel* SidePanel() const { return sidePanel_; }
  // True once the window was asked to close while a comparison ran: the run stops and the
  // window closes after it.
  bool CloseRequested() const { return closeRequested_; }

  // The files named on the command line, opened as soon as the window is ready.
  void OpenAtStart(const QStringList& files);

  // ---- Window events -----------------------------------------------------------------------
  void FormShow();
  void FormActivate();
  void FormResize();

  // ---- Text entry and the compare command ------------------------------------------------
  void LoadEmptyPage(int v);
  void bCompareTextsClick();
  // Runs the comparison and shows its result; false when it produced none (a text was empty, the
  // run was stopped or failed), the views then holding the texts as they were before, and
  // report then says why (empty when nothing is to be said).
  // With again, the texts of the result shown are compared anew (under the options chosen since).
  bool ShowComparison(QString& report, bool again = false);
  // Runs one comparison in the progress window, which has closed when this returns.
  TComparisonResult ShowComparisonRun(bool again = false);

  // ---- Commands of the window itself ------------------------------------------------------
  // Shows the find panel (its commands come with the find feature).
  void acTextFindExecute();
  // The clipboard commands act on the result view that has the focus, through its own copy
  // and paste.
  void acCopyExecute();
  void acPasteExecute();
  void LAboutClick();

 protected:
  void showEvent(QShowEvent* e) override;
  void resizeEvent(QResizeEvent* e) override;
  void closeEvent(QCloseEvent* e) override;
  bool eventFilter(QObject* watched, QEvent* e) override;

 private:
  // The GUI tests look at the controls and the features through it.
  friend class guitest::UI;

  void FormCreate();
  void FormDestroy();
  // Back to text entry: both views editable, holding two empty pages or, with emptyPages false,
  // whatever they hold now.
  void EnterEntryState(bool emptyPages);
  // The result view that has the keyboard focus, else the one that had it last.
  THtmlView* FocusedView() const;
  // Places bCompareTexts 6 pixels right of LVersions (which sizes itself to its caption).
  void PlaceCompareButton();
  // Captions of the toolbar, the compare button and the side panel as the mode asks.
  void SetMode(TWindowMode mode);
  // Before "Новое сравнение" throws away a text typed by hand: asks; true to go on.
  bool ConfirmNewComparison();
  // The views changed width without the window changing size: the marks lie elsewhere now.
  void ViewsWidthChanged();
  void CreateActions();
  void CreateControls();
  void CreateOutputCommands();
  // «Сравнительная таблица…» and «Документ с исправлениями…» on the toolbar and in the popup menu.
  void CreateHandOnCommands();
  void CreateFeatures();
  void CreateOpenFiles();
  // The choice of how the changes are laid out: two checkable commands of the popup menu, kept
  // in the settings; a result shown is compared anew when the choice changes.
  void CreateComparisonChoice();
  void ComparisonChoiceChanged();
  // Compares the texts of the views (entry) or, with again, those of the result shown, and
  // shows the result.
  void RunComparison(bool again);
  // "Что это такое?" and "О программе" side by side where the toolbar has room for both,
  // else one above the other, so that neither is cut.
  void PlaceLinkLabels();
  void LayoutPanLeft();
  THtmlView* CurrentViewPtr() const { return Views[static_cast<size_t>(CurrentView)]; }

  // ---- What the features ask of the window ------------------------------------------------
  // Shared by several features.
  int CurrentViewIndex() const override { return CurrentView; }
  QString DataFolder() const override { return DataDir; }
  QWidget* MainWindow() override { return this; }
  void ShowMessage(const QString& text) override;
  THtmlView* CurrentHtmlView() override { return CurrentViewPtr(); }
  QWidget* DialogParent() override { return this; }
  // Navigation and zoom.
  QSize WindowSize() const override { return size(); }
  int ZoomPercentNow() const override { return Zoom->ZoomPercent(); }
  THtmlView* ZoomView(int index) const override { return Views[static_cast<size_t>(index)]; }
  void ZoomStepped() override;
  // Links and history.
  void SetCurrentViewIndex(int index) override;
  void CloseFindPanel() override;
  void SetSyncEnabled(bool enabled) override { Navigation->SyncEnabled = enabled; }
  void SyncScroll(THtmlView* view) override { Navigation->SyncScroll(view); }
  // Keys and the mouse wheel of the views.
  void RunFindCommand() override { acTextFind->trigger(); }
  void RunZoomIn() override { acZoomIn->trigger(); }
  void RunZoomOut() override { acZoomOut->trigger(); }
  bool HasHoverLink() const override { return !Links->HoverLink.empty(); }
  void OpenHoverLink() override { Links->OpenHoverLink(); }
  void ViewTouched(THtmlView* view) override;
  // The find panel.
  THtmlView* ResultView(int v) override { return v == 1 || v == 2 ? Views[static_cast<size_t>(v)] : nullptr; }
  int CurrentViewNumber() const override { return CurrentView; }
  const std::string& StoredBodyOf(int v) const override { return StoredBody[static_cast<size_t>(v == 2 ? 2 : 1)]; }
  // Printing and saving.
  int CurrentZoomPercent() const override { return Zoom->ZoomPercent(); }
  QString OpenedFile(int v) const override;
  int CurrentChange() const override { return Navigation->CurrentChange; }
  int CurrentMark(int v) const override {
    return Navigation->CurrentChange < 0 ? -1 : Navigation->MarkIndex(static_cast<size_t>(v), Navigation->CurrentChange);
  }
  std::string SavedMarkColour(int v) const override;
  // Copying into the office.
  THtmlView* CopySourceView() override { return CurrentViewPtr(); }
  void ClearHostHighlights() override;
  QWidget* DialogOwner() override { return this; }
  void ShowWarning(const QString& text) override;
  void ShowErrorMessage(const QString& text) override { ShowMessage(text); }
  // Opening files: paste is enabled exactly in text entry, and its switch comes first in both
  // directions (before the comparison measures the views, before the empty pages are loaded).
  THtmlView* PaneView(int v) const override { return Views[static_cast<size_t>(v)]; }
  bool PanesReady() const override { return activated_; }
  bool TextEntry() const override { return acPaste->isEnabled(); }
  void PressCompare() override { bCompareTextsClick(); }
  // The change list.
  void GoToListedChange(int n) override { Navigation->RequestChange(n); }
  void CopyListToSpreadsheet(const QString& html, const QString& text) override {
    CopyToAppSrv->CopyTableToExcel(html, text);
  }
  // The documents handed on.
  std::shared_ptr<const TComparisonModel> ShownComparison() const override { return shownModel_; }
  const TChangeList& ShownChanges() const override { return ChangeList->List(); }

  // Takes the work folder of this instance (falling back to the user's own folder) and says so
  // when the usual one cannot be used.
  void TakeWorkFolder();
  // The message for a comparison that produced nothing; empty when nothing is to be said.
  QString RunReport(const TComparisonResult& result) const;

  // ---- Folders (each ends with the path separator) -------------------------------------
  QString AppDir, DataDir, WorkDir;
  std::string StyleSheetName = "etalon5.css";

  // ---- State shared by the commands; per-view items are indexed 1 = WB1, 2 = WB2 ---------
  std::array<THtmlView*, 3> Views{};  // [1] = WB1, [2] = WB2
  int32_t CurrentView = 1;            // the view that last had the focus
  std::array<std::string, 3> StoredBody;    // result page bodies as written (Windows-1251)
  std::array<std::string, 3> ComparedBody;  // the bodies the result shown was compared from

  // ---- Features, each with its own state ------------------------------------------------
  std::unique_ptr<TChangeNavigation> Navigation;  // changes, scrolling in step, the bar
  std::unique_ptr<TZoom> Zoom;
  TLinksHistory* Links = nullptr;                 // focus, history, links
  // The find panel with its commands and its state (the occurrences and the current one).
  TFindPanel* Find = nullptr;
  // The office commands: copy the current view into LibreOffice Writer or Calc.
  std::unique_ptr<TCopyToAppSrv> CopyToAppSrv;
  TOpenFiles* OpenFiles = nullptr;  // opening the texts from files
  // The output commands, children of the window.
  TPrinting* Printing = nullptr;
  TSaveToWord* SaveToWord = nullptr;
  // The list of the result's changes, the side panel's page with a result.
  TChangeListPanel* ChangeList = nullptr;
  // The comparison table and the tracked edition of the result shown.
  THandOnCommands* HandOn = nullptr;

  // ---- Controls --------------------------------------------------------------------------
  QWidget* PanFind = nullptr;      // the find panel (hidden until asked for)
  QWidget* PanFindDef = nullptr;   // its inner panel
  QWidget* PanToolBar = nullptr;
  QLabel* LVersions = nullptr;
  QPushButton* bCompareTexts = nullptr;
  QToolButton* bCompareDocs = nullptr;
  QPushButton* bNextDiff = nullptr;
  QToolButton* bTextSaveToFile = nullptr;
  QPushButton* bPrevDiff = nullptr;
  QLabel* LCurDiffTag = nullptr;
  QToolButton* bHandOnTable = nullptr;
  QToolButton* bHandOnTracked = nullptr;
  QToolButton* bTextCopyToWord = nullptr;
  QToolButton* bTextPrint = nullptr;
  QToolButton* bTextPreview = nullptr;
  QFrame* Separator1 = nullptr;
  QToolButton* bTextZoomIn = nullptr;
  QToolButton* bTextZoomOut = nullptr;
  QFrame* Separator2 = nullptr;
  QToolButton* bTextShowPanFind = nullptr;
  QToolButton* bBack = nullptr;
  QToolButton* bForward = nullptr;
  QLabel* LInfo = nullptr;
  QLabel* LAbout = nullptr;
  QWidget* PanLeft = nullptr;
  THtmlView* WB1 = nullptr;
  THtmlView* WB2 = nullptr;
  TPaintBox* pbDiffPos = nullptr;
  THtmlView* WBInfo = nullptr;
  QMenu* PopMenuText = nullptr;

  // Commands shared by the toolbar, the popup menu and the shortcuts.
  QAction* acOpenInNewWin = nullptr;
  QAction* acTextFind = nullptr;
  QAction* acTextPrint = nullptr;
  QAction* acTextPreview = nullptr;
  QAction* acTextPageSetup = nullptr;
  QAction* acTextCopyToWord = nullptr;
  QAction* acTextCopyToExcel = nullptr;
  QAction* acTextSaveToFile = nullptr;
  QAction* acCopy = nullptr;
  QAction* acPaste = nullptr;
  QAction* acZoomIn = nullptr;
  QAction* acZoomOut = nullptr;
  QAction* acLiteralCompare = nullptr;   // «Точное сравнение по словам»
  QAction* acCoherentChanges = nullptr;  // «Связные изменения»

  TWorkFolder workFolder_;
  TComparisonRun* run_ = nullptr;  // the comparison running now, if any
  bool closeRequested_ = false;
  bool startupFailed_ = false;
  bool shown_ = false;
  bool activated_ = false;
  TWindowMode mode_ = wmEntry;
  // The comparison of the result shown, kept with its change list until the result goes.
  std::shared_ptr<const TComparisonModel> shownModel_;
  TSidePanel* sidePanel_ = nullptr;
  TEditedPanes* editedPanes_ = nullptr;
};
