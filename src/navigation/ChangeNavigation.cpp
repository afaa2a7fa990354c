// Change marks of the two result pages: measuring them, making one change current, stepping
// forward and back.
#include <QLabel>
#include <QPushButton>

#include <exception>

#include "app/MessageBox.h"
#include "app/VerCmp.h"
#include "navigation/NavigationBusy.h"
#include "navigation/NavigationMath.h"

namespace navstate {
bool Busy = false;
}

void TVerCmp::RecalcMarkPositions(bool resized) {
  if (!ResultShown) return;
  if (resized && !navmath::ResizeMeasures(width(), height(), MeasuredSize.width(),
                                          MeasuredSize.height()))
    return;
  MeasuredSize = size();
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

void TVerCmp::HighlightChange(int n) {
  // A change may be written in several pieces; all of them are coloured and restored, the
  // previous change and the new one in one round trip per view.
  const int previous = CurrentChange;
  CurrentChange = n;
  for (size_t v = 1; v <= 2; ++v)
    SavedMarkColor[v] = Views[v]->RecolourRuns(
        navmath::MarkTag, navmath::MarkId, navmath::MarkContinuationId, previous, SavedMarkColor[v], n,
        {{"#ffcccc", navmath::HighlightColour("#ffcccc")}}, navmath::HighlightColour("#ccffcc"));
  LCurDiffTag->setText(QString::fromUtf8(navmath::ChangeCaption(n, ChangeCount).c_str()));
  LCurDiffTag->adjustSize();
  bNextDiff->setEnabled(n < ChangeCount - 1);
  bPrevDiff->setEnabled(n > 0);
}

void TVerCmp::GoToChange(int n) {
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

void TVerCmp::bNextDiffClick() {
  RunStep([this] {
    if (CurrentChange < ChangeCount - 1) GoToChange(CurrentChange + 1);
  });
}

void TVerCmp::bPrevDiffClick() {
  RunStep([this] {
    if (CurrentChange > 0) GoToChange(CurrentChange - 1);
  });
}
