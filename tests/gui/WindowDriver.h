#pragma once
// The tests' view into the main window: its folders, state, features, controls and commands, as
// the window itself holds them. `UI(w).WB1` reads (and may set) what `w` keeps privately.
#include <memory>

#include "app/VerCmp.h"

namespace guitest {

class UI {
 public:
  explicit UI(TVerCmp& w)
      : AppDir(w.AppDir),
        DataDir(w.DataDir),
        WorkDir(w.WorkDir),
        Views(w.Views),
        CurrentView(w.CurrentView),
        StoredBody(w.StoredBody),
        Navigation(w.Navigation),
        Zoom(w.Zoom),
        Links(w.Links),
        Find(w.Find),
        OpenFiles(w.OpenFiles),
        Printing(w.Printing),
        SaveToWord(w.SaveToWord),
        ChangeList(w.ChangeList),
        PanFind(w.PanFind),
        PanToolBar(w.PanToolBar),
        PanLeft(w.PanLeft),
        LVersions(w.LVersions),
        LCurDiffTag(w.LCurDiffTag),
        LInfo(w.LInfo),
        LAbout(w.LAbout),
        bCompareTexts(w.bCompareTexts),
        bCompareDocs(w.bCompareDocs),
        bNextDiff(w.bNextDiff),
        bPrevDiff(w.bPrevDiff),
        bTextShowPanFind(w.bTextShowPanFind),
        bTextZoomOut(w.bTextZoomOut),
        bBack(w.bBack),
        bForward(w.bForward),
        WB1(w.WB1),
        WB2(w.WB2),
        WBInfo(w.WBInfo),
        pbDiffPos(w.pbDiffPos),
        PopMenuText(w.PopMenuText),
        acOpenInNewWin(w.acOpenInNewWin),
        acTextFind(w.acTextFind),
        acTextPrint(w.acTextPrint),
        acTextPreview(w.acTextPreview),
        acTextPageSetup(w.acTextPageSetup),
        acTextSaveToFile(w.acTextSaveToFile),
        acCopy(w.acCopy),
        acPaste(w.acPaste),
        acZoomIn(w.acZoomIn),
        acZoomOut(w.acZoomOut),
        acLiteralCompare(w.acLiteralCompare),
        acCoherentChanges(w.acCoherentChanges) {}
  // A pointer of any kind to the window (raw, std::unique_ptr, QPointer).
  template <class Pointer>
  explicit UI(const Pointer& w) : UI(*w) {}

  QString& AppDir;
  QString& DataDir;
  QString& WorkDir;
  std::array<THtmlView*, 3>& Views;
  int32_t& CurrentView;
  std::array<std::string, 3>& StoredBody;
  std::unique_ptr<TChangeNavigation>& Navigation;
  std::unique_ptr<TZoom>& Zoom;
  TLinksHistory*& Links;
  TFindPanel*& Find;
  TOpenFiles*& OpenFiles;
  TPrinting*& Printing;
  TSaveToWord*& SaveToWord;
  TChangeListPanel*& ChangeList;
  QWidget*& PanFind;
  QWidget*& PanToolBar;
  QWidget*& PanLeft;
  QLabel*& LVersions;
  QLabel*& LCurDiffTag;
  QLabel*& LInfo;
  QLabel*& LAbout;
  QPushButton*& bCompareTexts;
  QToolButton*& bCompareDocs;
  QPushButton*& bNextDiff;
  QPushButton*& bPrevDiff;
  QToolButton*& bTextShowPanFind;
  QToolButton*& bTextZoomOut;
  QToolButton*& bBack;
  QToolButton*& bForward;
  THtmlView*& WB1;
  THtmlView*& WB2;
  THtmlView*& WBInfo;
  TPaintBox*& pbDiffPos;
  QMenu*& PopMenuText;
  QAction*& acOpenInNewWin;
  QAction*& acTextFind;
  QAction*& acTextPrint;
  QAction*& acTextPreview;
  QAction*& acTextPageSetup;
  QAction*& acTextSaveToFile;
  QAction*& acCopy;
  QAction*& acPaste;
  QAction*& acZoomIn;
  QAction*& acZoomOut;
  QAction*& acLiteralCompare;
  QAction*& acCoherentChanges;
};

}  // namespace guitest
