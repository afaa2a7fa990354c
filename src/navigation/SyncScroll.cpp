// Keeps the two result views scrolled in step: the view the user scrolls leads, the other
// follows so that the pair of marks at the leader's top edge stays level.
#include <algorithm>
#include <exception>

#include "appbase/Failure.h"
#include "navigation/ChangeNavigation.h"
#include "navigation/NavigationBusy.h"
#include "navigation/NavigationMath.h"

// A notification of the leading view that comes while a step is still reading and setting the
// scroll offsets means the view moved on, so the step runs once more when done. Dropping it
// would leave the other view behind where the user stopped scrolling.
void TChangeNavigation::SyncScroll(THtmlView* view) {
  const int CurrentView = ScrollLeader;  // the leading view
  if (CurrentView != 1 && CurrentView != 2) return;
  const size_t a = static_cast<size_t>(CurrentView), b = 3 - a;
  if (view == nullptr || view != Views[a]) return;
  // A step or a zoom holding the views places both itself: the scrolls its relayout causes are
  // not the user's.
  if (!SyncEnabled || navstate::Busy) {
    if (syncRunning_) syncPending_ = true;
    return;
  }
  SyncEnabled = false;
  syncRunning_ = true;
  navstate::TBusyScope busy;
  try {
    do {
      syncPending_ = false;
      const int32_t top = Views[a]->BodyScrollTop();
      if (top == LastScrollTop[a]) continue;
      // A move's two ends lie at different places: the views follow each other by the others.
      const int found = navmath::FirstMarkAtOrBelow(
          MarkTops[a], std::min<int>(ChangeCount, static_cast<int>(MarkTops[b].size())), top, MovedChange);
      if (found >= 0)
        SyncOffset = MarkTops[b][static_cast<size_t>(found)] - MarkTops[a][static_cast<size_t>(found)];
      const int32_t target = top + SyncOffset;
      if (Views[b]->BodyScrollTop() != target) Views[b]->SetBodyScrollTop(target);
      if (found >= 0 && found != CurrentChange) HighlightChange(found);
      LastScrollTop[a] = top;
      LastScrollTop[b] = target;
    } while (syncPending_);
  } catch (const std::exception& e) {
    syncRunning_ = syncPending_ = false;
    SyncEnabled = true;
    ReportFailure(nullptr, e);
    return;
  }
  syncRunning_ = syncPending_ = false;
  SyncEnabled = true;
  pbDiffPos->update();  // the visible part moved
}
