#pragma once
// Stepping through the changes of a result: which change is current, where the marks lie in
// both pages, the two views scrolled in step and the position bar that shows the marks.
#include <QSize>

#include <functional>

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "view/HtmlView.h"

class QLabel;
class QPainter;
class QPushButton;
class QWidget;

// What navigation needs of the window it serves.
class TNavigationHost {
 public:
  virtual ~TNavigationHost() = default;
  // The window's size: a resize to the size of the last measurement measures nothing again.
  virtual QSize WindowSize() const = 0;
  // The text zoom of the views, in percent: the bar's margins follow it.
  virtual int ZoomPercentNow() const = 0;
};

// The window's controls that navigation drives.
struct TNavigationControls {
  QLabel* LCurDiffTag = nullptr;
  QPushButton* bNextDiff = nullptr;
  QPushButton* bPrevDiff = nullptr;
  QWidget* pbDiffPos = nullptr;
};

class TChangeNavigation {
 public:
  TChangeNavigation(TNavigationHost& host, THtmlView* wb1, THtmlView* wb2,
                    const TNavigationControls& controls);

  // ---- State; per-view items are indexed 1 = WB1, 2 = WB2 --------------------------------
  std::array<THtmlView*, 3> Views{};
  int32_t ChangeCount = 0;     // changes of the last comparison
  int32_t CurrentChange = -1;  // current change from 0; -1 none
  std::array<std::string, 3> SavedMarkColor;
  std::array<std::vector<int32_t>, 3> MarkTops;  // absolute tops of the marks, pixels
  std::array<int32_t, 3> DocHeights{};            // document heights, pixels; 0 without document
  // For change n, the index of its first mark in each view (empty: the n-th mark of both), and
  // whether it is a moved passage, whose two ends lie at different places of the two pages.
  std::array<std::vector<int32_t>, 3> MarkOfChange;
  std::vector<uint8_t> MovedChange;
  std::array<int32_t, 3> LastScrollTop{};
  int32_t SyncOffset = 0;
  bool SyncEnabled = false;
  // The view whose scrolling the other follows (1 or 2): the one the user last focused, clicked,
  // typed into or turned the wheel over.
  int ScrollLeader = 1;
  bool ResultShown = false;
  QSize MeasuredSize{0, 0};  // window size at the last measurement

  // ---- Entry points --------------------------------------------------------------------
  // Measures the marks of both result pages (resized: the call comes from a window resize).
  // Both views measure at the same time; an answer asked for by StartMarkMeasuring is taken
  // instead of asking again.
  void RecalcMarkPositions(bool resized = false);
  // Asks both views for their marks' layout and returns at once (toTop: the pages are put at
  // their tops first). The pages then lay themselves out while the window does other things; the
  // next RecalcMarkPositions takes the answer.
  void StartMarkMeasuring(bool toTop);
  // Forgets a measuring asked for and not taken (the pages it was asked of are gone).
  void DropMarkMeasuring();
  void HighlightChange(int n);
  void GoToChange(int n);
  void bNextDiffClick();
  void bPrevDiffClick();
  // Ctrl+Down (+1) or Ctrl+Up (-1). A key held down repeats faster than a large page can
  // follow: a repeated press beyond the one step waiting is dropped, so the stepping stops when
  // the key is released. Separate presses all count.
  void StepKey(int direction, bool autoRepeat);
  // A click on the position bar at this row: the change drawn nearest to it becomes current.
  void pbDiffPosMouseDown(int row);
  // Change n becomes current as by a click on the bar: it wins over the steps asked for before
  // it, and waits while a step holds the views.
  void RequestChange(int n);
  // Told the new current change (-1 none) whenever it changes.
  std::function<void(int)> OnCurrentChange;
  QWidget* PositionBar() const { return pbDiffPos; }
  void SyncScroll(THtmlView* view);
  void pbDiffPosPaint(QPainter& painter);

  // The mark of change n in view v (1 or 2), as the views count their marks.
  int MarkIndex(size_t v, int n) const;
  bool IsMove(int n) const;
  // Ctrl+J: the current change being a move, the other view is scrolled so that its end of the
  // move stands level with the end that view `from` shows, and leads from then on (so that the
  // next press goes back). Returns false when the current change is no move.
  bool JumpToOtherEnd(int from);
  // Ctrl+click on mark `mark` of view v: a move's end makes that move current and brings its
  // other end level with it; false for any other mark.
  bool MoveEndClicked(int v, int mark);

  // Scrolls both views to the current change again (after the layout changed); nothing
  // without one.
  void ShowCurrentChange();

  // A new comparison is about to be entered: no changes, nothing current, the bar empty.
  void ClearResult();
  // A comparison has just put its pages into the views (ChangeCount set by the run).
  void StartResult();

 private:
  // Scrolls both views to change n's mark with the scroll synchronisation off (the program's own
  // scrolls must not be taken for the user's), after first running before (a highlight).
  void ScrollToChange(int n, const std::function<void()>& before);
  // The scroll offsets that show change n in both views (the same room above it in both, so
  // that the pair stays level); a view without the change keeps its offset.
  std::array<int32_t, 3> ChangeScrollTops(int n);
  // One measuring of both views (drop: forget an answer asked for before).
  void MeasureMarksOnce(bool drop);
  // A measuring asked for while one waits for the views is carried out after it, not inside it:
  // the two would take each other's answers.
  bool measuringNow_ = false;
  bool measureAgain_ = false;
  TNavigationHost& host_;
  QLabel* LCurDiffTag;
  QPushButton* bNextDiff;
  QPushButton* bPrevDiff;
  QWidget* pbDiffPos;

  // A notification of the leading view that came while a synchronisation step was still
  // reading and setting the scroll offsets: the view moved on, so the step runs once more.
  bool syncRunning_ = false;
  bool syncPending_ = false;

  // Steps asked for while a step or a synchronisation still waits for the views: counted (next
  // +1, previous -1) and carried out in order once the views are free.
  void RequestStep(int direction, bool autoRepeat = false);
  void RunPendingSteps();
  void RunPendingStepsLater();
  int pendingSteps_ = 0;
  int pendingTarget_ = -1;  // a change asked for by a click on the bar, run before the steps
  bool stepsRunning_ = false;
  bool drainScheduled_ = false;
};
