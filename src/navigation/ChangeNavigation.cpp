// Change marks of the two result pages: measuring them, making one change current, stepping
// forward and back.
#include <QLabel>
#include <QPushButton>
#include <QWidget>

#include <QTimer>

#include <algorithm>
#include <exception>

#include "appbase/Failure.h"
#include "navigation/ChangeNavigation.h"
#include "navigation/NavigationBusy.h"
#include "navigation/NavigationMath.h"

namespace navstate {
bool Busy = false;
}

TChangeNavigation::TChangeNavigation(TNavigationHost& host, THtmlView* wb1, THtmlView* wb2,
                                     const TNavigationControls& controls)
    : Views{nullptr, wb1, wb2},
      host_(host),
      LCurDiffTag(controls.LCurDiffTag),
      bNextDiff(controls.bNextDiff),
      bPrevDiff(controls.bPrevDiff),
      pbDiffPos(controls.pbDiffPos) {}

void TChangeNavigation::RecalcMarkPositions(bool resized) {
  if (!ResultShown) return;
  const QSize size = host_.WindowSize();
  if (resized && !navmath::ResizeMeasures(size.width(), size.height(), MeasuredSize.width(),
                                          MeasuredSize.height()))
    return;
  MeasuredSize = size;
  if (measuringNow_) {
    measureAgain_ = true;
    return;
  }
  measuringNow_ = true;
  try {
    // An answer asked for before a resize may describe the old layout; so may one asked for
    // before a measuring that came in the middle of this one.
    bool drop = resized;
    do {
      measureAgain_ = false;
      MeasureMarksOnce(drop);
      drop = true;
    } while (measureAgain_);
  } catch (const std::exception& e) {
    measuringNow_ = measureAgain_ = false;
    DropMarkMeasuring();
    pbDiffPos->update();
    // A resize has no command around it to report the failure.
    if (!resized) throw;
    ReportFailure(nullptr, e);
    return;
  }
  measuringNow_ = false;
  pbDiffPos->update();
}

void TChangeNavigation::MeasureMarksOnce(bool drop) {
  if (drop) DropMarkMeasuring();
  if (!Views[1]->MeasuringMarks() || !Views[2]->MeasuringMarks()) StartMarkMeasuring(false);
  const bool measureMarks = !MarkTops[1].empty() && static_cast<int>(MarkTops[1].size()) == ChangeCount;
  for (size_t v = 1; v <= 2; ++v) {
    const bool hasDocument = Views[v]->HasDocument();
    // One round trip per view: thousands of marks would otherwise take seconds.
    const THtmlView::TMarkLayout layout = Views[v]->TakeMeasuredMarks();
    DocHeights[v] = hasDocument ? layout.ScrollHeight : 0;
    if (!measureMarks) continue;
    std::vector<int32_t>& out = MarkTops[v];
    out.assign(static_cast<size_t>(ChangeCount), 0);
    for (size_t i = 0; i < out.size(); ++i) {
      const size_t mark = static_cast<size_t>(MarkIndex(v, static_cast<int>(i)));
      out[i] = mark < layout.Tops.size() && layout.Tops[mark] > 0 ? layout.Tops[mark] : 0;
    }
  }
}

void TChangeNavigation::StartMarkMeasuring(bool toTop) {
  for (size_t v = 1; v <= 2; ++v) Views[v]->StartMeasureMarks(navmath::MarkTag, navmath::MarkId, toTop);
}

void TChangeNavigation::DropMarkMeasuring() {
  for (size_t v = 1; v <= 2; ++v) Views[v]->DropMeasuredMarks();
}

void TChangeNavigation::HighlightChange(int n) {
  // A change may be written in several pieces; all of them are coloured and restored, the
  // previous change and the new one in one round trip per view.
  const int previous = CurrentChange;
  CurrentChange = n;
  for (size_t v = 1; v <= 2; ++v)
    SavedMarkColor[v] = Views[v]->RecolourRuns(navmath::MarkTag, navmath::MarkId, navmath::MarkContinuationId,
                                               previous < 0 ? -1 : MarkIndex(v, previous), SavedMarkColor[v],
                                               n < 0 ? -1 : MarkIndex(v, n), navmath::HighlightTable(),
                                               navmath::HighlightColour(""));
  LCurDiffTag->setText(QString::fromUtf8(navmath::ChangeCaption(n, ChangeCount).c_str()));
  LCurDiffTag->adjustSize();
  bNextDiff->setEnabled(n < ChangeCount - 1);
  bPrevDiff->setEnabled(n > 0);
  pbDiffPos->update();
  if (OnCurrentChange) OnCurrentChange(n);
}

void TChangeNavigation::GoToChange(int n) {
  ScrollToChange(n, [this, n] { HighlightChange(n); });
}

void TChangeNavigation::ShowCurrentChange() {
  if (CurrentChange < 0 || CurrentChange >= ChangeCount) return;
  ScrollToChange(CurrentChange, [] {});
}

void TChangeNavigation::ScrollToChange(int n, const std::function<void()>& before) {
  SyncEnabled = false;
  navstate::TBusyScope busy;
  try {
    before();
    const std::array<int32_t, 3> tops = ChangeScrollTops(n);
    for (size_t v = 1; v <= 2; ++v) {
      Views[v]->SetBodyScrollTop(tops[v]);
      Views[v]->SetBodyScrollLeft(0);
    }
    for (size_t v = 1; v <= 2; ++v) Views[v]->WaitReady();
    for (size_t v = 1; v <= 2; ++v) LastScrollTop[v] = Views[v]->BodyScrollTop();
  } catch (...) {
    SyncEnabled = true;
    throw;
  }
  SyncEnabled = true;
  pbDiffPos->update();
}

std::array<int32_t, 3> TChangeNavigation::ChangeScrollTops(int n) {
  std::array<THtmlView::TRunExtent, 3> extent;
  int room = navmath::ContextAboveChange;
  for (size_t v = 1; v <= 2; ++v) {
    extent[v] = Views[v]->RunExtent(navmath::MarkTag, navmath::MarkId, navmath::MarkContinuationId, MarkIndex(v, n));
    if (extent[v].Found)
      room = std::min(room, navmath::RoomAboveChange(extent[v].Bottom - extent[v].Top, extent[v].ViewHeight));
  }
  std::array<int32_t, 3> tops{};
  for (size_t v = 1; v <= 2; ++v)
    tops[v] = extent[v].Found ? std::max(0, extent[v].Top - room) : extent[v].ScrollTop;
  return tops;
}

// A held key or quick presses ask for steps while one still waits for the views. Separate
// presses are counted and carried out when the views are free, so that every press moves one
// change; a repeated press of a held key is taken only when no step waits yet.
void TChangeNavigation::RequestStep(int direction, bool autoRepeat) {
  if (autoRepeat && (pendingSteps_ != 0 || pendingTarget_ >= 0)) return;
  pendingSteps_ += direction;
  // More steps than changes cannot go anywhere.
  pendingSteps_ = std::clamp(pendingSteps_, -ChangeCount, ChangeCount);
  if (stepsRunning_) return;  // the running loop takes it
  if (navstate::Busy) {       // a synchronisation step holds the views
    RunPendingStepsLater();
    return;
  }
  RunPendingSteps();
}

void TChangeNavigation::RunPendingSteps() {
  stepsRunning_ = true;
  while ((pendingSteps_ != 0 || pendingTarget_ >= 0) && !navstate::Busy) {
    if (pendingTarget_ >= 0) {
      const int target = std::min(pendingTarget_, ChangeCount - 1);
      pendingTarget_ = -1;
      try {
        if (target >= 0) GoToChange(target);
      } catch (const std::exception& e) {
        pendingSteps_ = 0;
        stepsRunning_ = false;
        ReportFailure(nullptr, e);
        return;
      }
      continue;
    }
    const int direction = pendingSteps_ > 0 ? 1 : -1;
    pendingSteps_ -= direction;
    try {
      if (direction > 0 && CurrentChange < ChangeCount - 1) GoToChange(CurrentChange + 1);
      if (direction < 0 && CurrentChange > 0) GoToChange(CurrentChange - 1);
    } catch (const std::exception& e) {
      pendingSteps_ = 0;
      stepsRunning_ = false;
      ReportFailure(nullptr, e);
      return;
    }
  }
  stepsRunning_ = false;
  if (pendingSteps_ != 0 || pendingTarget_ >= 0) RunPendingStepsLater();
}

void TChangeNavigation::RunPendingStepsLater() {
  if (drainScheduled_) return;
  drainScheduled_ = true;
  QTimer::singleShot(10, pbDiffPos, [this] {
    drainScheduled_ = false;
    if (stepsRunning_ || (pendingSteps_ == 0 && pendingTarget_ < 0)) return;
    if (navstate::Busy)
      RunPendingStepsLater();
    else
      RunPendingSteps();
  });
}

int TChangeNavigation::MarkIndex(size_t v, int n) const {
  const std::vector<int32_t>& marks = MarkOfChange[v];
  return n >= 0 && static_cast<size_t>(n) < marks.size() ? marks[static_cast<size_t>(n)] : n;
}

bool TChangeNavigation::IsMove(int n) const {
  return n >= 0 && static_cast<size_t>(n) < MovedChange.size() && MovedChange[static_cast<size_t>(n)];
}

bool TChangeNavigation::JumpToOtherEnd(int from) {
  if (!IsMove(CurrentChange) || navstate::Busy || (from != 1 && from != 2)) return false;
  const size_t a = static_cast<size_t>(from), b = 3 - a;
  SyncEnabled = false;
  navstate::TBusyScope busy;
  try {
    const THtmlView::TRunExtent here =
        Views[a]->RunExtent(navmath::MarkTag, navmath::MarkId, navmath::MarkContinuationId, MarkIndex(a, CurrentChange));
    const THtmlView::TRunExtent there =
        Views[b]->RunExtent(navmath::MarkTag, navmath::MarkId, navmath::MarkContinuationId, MarkIndex(b, CurrentChange));
    if (here.Found && there.Found) {
      // Level with the end as the user sees it now; an end out of view is first brought into it.
      int32_t offset = here.Top - here.ScrollTop;
      if (offset < 0 || offset >= here.ViewHeight) {
        offset = navmath::RoomAboveChange(here.Bottom - here.Top, here.ViewHeight);
        Views[a]->SetBodyScrollTop(std::max(0, here.Top - offset));
      }
      Views[b]->SetBodyScrollTop(std::max(0, there.Top - offset));
      Views[b]->SetBodyScrollLeft(0);
    }
    for (size_t v = 1; v <= 2; ++v) Views[v]->WaitReady();
    for (size_t v = 1; v <= 2; ++v) LastScrollTop[v] = Views[v]->BodyScrollTop();
  } catch (...) {
    SyncEnabled = true;
    throw;
  }
  SyncOffset = LastScrollTop[b] - LastScrollTop[a];
  ScrollLeader = static_cast<int>(b);
  SyncEnabled = true;
  pbDiffPos->update();
  return true;
}

bool TChangeNavigation::MoveEndClicked(int v, int mark) {
  if ((v != 1 && v != 2) || mark < 0 || navstate::Busy) return false;
  for (int n = 0; n < ChangeCount; ++n) {
    if (MarkIndex(static_cast<size_t>(v), n) != mark) continue;
    if (!IsMove(n)) return false;
    if (n != CurrentChange) HighlightChange(n);
    return JumpToOtherEnd(v);
  }
  return false;
}

void TChangeNavigation::bNextDiffClick() { RequestStep(+1); }

void TChangeNavigation::bPrevDiffClick() { RequestStep(-1); }

void TChangeNavigation::StepKey(int direction, bool autoRepeat) { RequestStep(direction, autoRepeat); }

void TChangeNavigation::pbDiffPosMouseDown(int row) {
  if (ChangeCount <= 0) return;
  const int n = navmath::NearestMarkToRow(MarkTops[1], DocHeights[1], pbDiffPos->height(),
                                          navmath::BarMargin(host_.ZoomPercentNow()), row);
  RequestChange(n);
}

void TChangeNavigation::RequestChange(int n) {
  if (n < 0 || n >= ChangeCount) return;
  // The click wins over the steps asked for before it.
  pendingSteps_ = 0;
  pendingTarget_ = n;
  if (stepsRunning_) return;
  if (navstate::Busy) {
    RunPendingStepsLater();
    return;
  }
  RunPendingSteps();
}

void TChangeNavigation::ClearResult() {
  SyncEnabled = false;
  DropMarkMeasuring();
  pendingSteps_ = 0;
  pendingTarget_ = -1;
  ChangeCount = 0;
  MarkOfChange[1].clear();
  MarkOfChange[2].clear();
  MovedChange.clear();
  MarkTops[1].clear();
  MarkTops[2].clear();
  LCurDiffTag->hide();
  LCurDiffTag->setText(QString::fromUtf8("Изменений: 0"));
  LCurDiffTag->adjustSize();
  CurrentChange = -1;
  bNextDiff->setEnabled(false);
  bPrevDiff->setEnabled(false);
  LastScrollTop[1] = LastScrollTop[2] = 0;
  SyncOffset = 0;
  pbDiffPos->update();
  if (OnCurrentChange) OnCurrentChange(-1);
}

void TChangeNavigation::StartResult() {
  LCurDiffTag->setText(QString::fromUtf8("Изменений: ") + QString::number(ChangeCount));
  LCurDiffTag->adjustSize();
  LCurDiffTag->show();
  CurrentChange = -1;
  bNextDiff->setEnabled(ChangeCount > 0);
  bPrevDiff->setEnabled(false);
  LastScrollTop[1] = LastScrollTop[2] = 0;
  SyncOffset = 0;
  ResultShown = true;
  RecalcMarkPositions();
  SyncEnabled = true;
}
