// Change marks of the two result pages: measuring them, making one change current, stepping
// forward and back.
#include <QLabel>
#include <QPushButton>
#include <QWidget>

#include <exception>

#include "app/MessageBox.h"
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
  try {
    for (size_t v = 1; v <= 2; ++v)
      DocHeights[v] = Views[v]->HasDocument() ? Views[v]->BodyScrollHeight() : 0;
    if (!MarkTops[1].empty() && static_cast<int>(MarkTops[1].size()) == ChangeCount) {
      for (size_t v = 1; v <= 2; ++v) {
        // One round trip per view: thousands of marks would otherwise take seconds.
        const std::vector<int> tops = Views[v]->AbsoluteTops(navmath::MarkTag, navmath::MarkId);
        std::vector<int32_t>& out = MarkTops[v];
        out.assign(static_cast<size_t>(ChangeCount), 0);
        for (size_t i = 0; i < out.size() && i < tops.size(); ++i) out[i] = tops[i] < 0 ? 0 : tops[i];
      }
    }
  } catch (const std::exception& e) {
    pbDiffPos->update();
    // A resize has no command around it to report the failure.
    if (!resized) throw;
    ShowMessageBox(QString::fromUtf8(e.what()));
    return;
  }
  pbDiffPos->update();
}

void TChangeNavigation::HighlightChange(int n) {
  if (CurrentChange >= 0) {
    const TElementRef previous = TElementRef::Item(navmath::MarkId, CurrentChange);
    for (size_t v = 1; v <= 2; ++v) Views[v]->SetBackgroundColor(previous, SavedMarkColor[v]);
  }
  CurrentChange = n;
  const TElementRef mark = TElementRef::Item(navmath::MarkId, n);
  for (size_t v = 1; v <= 2; ++v) {
    SavedMarkColor[v] = Views[v]->BackgroundColor(mark);
    Views[v]->SetBackgroundColor(mark, std::string(navmath::HighlightColour(SavedMarkColor[v])));
  }
  LCurDiffTag->setText(QString::fromUtf8(navmath::ChangeCaption(n, ChangeCount).c_str()));
  LCurDiffTag->adjustSize();
  bNextDiff->setEnabled(n < ChangeCount - 1);
  bPrevDiff->setEnabled(n > 0);
}

void TChangeNavigation::GoToChange(int n) {
  // The scrolls made here must not be taken for the user's.
  SyncEnabled = false;
  navstate::TBusyScope busy;
  try {
    HighlightChange(n);
    const TElementRef mark = TElementRef::Item(navmath::MarkId, n);
    for (size_t v = 1; v <= 2; ++v) {
      Views[v]->ScrollIntoView(mark, true);
      Views[v]->SetBodyScrollLeft(0);
    }
    for (size_t v = 1; v <= 2; ++v) Views[v]->WaitReady();
    for (size_t v = 1; v <= 2; ++v) LastScrollTop[v] = Views[v]->BodyScrollTop();
  } catch (...) {
    SyncEnabled = true;
    throw;
  }
  SyncEnabled = true;
}

namespace {

// Runs one step of the buttons or keys; a failing view ends the step with its message.
template <class F>
void RunStep(F&& step) {
  // A step asked for while another is still waiting for the views is dropped: finishing the
  // outer one afterwards would scroll to a change that is no longer current.
  if (navstate::Busy) return;
  try {
    step();
  } catch (const std::exception& e) {
    ShowMessageBox(QString::fromUtf8(e.what()));
  }
}

}  // namespace

void TChangeNavigation::bNextDiffClick() {
  RunStep([this] {
    if (CurrentChange < ChangeCount - 1) GoToChange(CurrentChange + 1);
  });
}

void TChangeNavigation::bPrevDiffClick() {
  RunStep([this] {
    if (CurrentChange > 0) GoToChange(CurrentChange - 1);
  });
}

void TChangeNavigation::ClearResult() {
  SyncEnabled = false;
  ChangeCount = 0;
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
