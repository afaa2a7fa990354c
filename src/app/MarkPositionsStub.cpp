// Result navigation, the position bar and zoom, as far as the compare command needs them until
// their own module provides them: RecalcMarkPositions measures the marks; the rest does nothing.
// The navigation module replaces this file with the full behaviour.
#include <QPainter>

#include "app/VerCmp.h"

void TVerCmp::RecalcMarkPositions(bool resized) {
  if (!ResultShown) return;
  if (resized && (size() == QSize(984, 480) || size() == MeasuredSize)) return;
  MeasuredSize = size();
  for (size_t v = 1; v <= 2; ++v) DocHeights[v] = Views[v]->HasDocument() ? Views[v]->BodyScrollHeight() : 0;
  if (!MarkTops[1].empty() && static_cast<int>(MarkTops[1].size()) == ChangeCount) {
    for (size_t v = 1; v <= 2; ++v) {
      std::vector<int> tops = Views[v]->AbsoluteTops("acronym", "t_d");
      MarkTops[v].assign(static_cast<size_t>(ChangeCount), 0);
      for (size_t i = 0; i < MarkTops[v].size() && i < tops.size(); ++i)
        MarkTops[v][i] = tops[i] < 0 ? 0 : tops[i];
    }
  }
  pbDiffPos->update();
}

void TVerCmp::HighlightChange(int) {}
void TVerCmp::GoToChange(int) {}
void TVerCmp::bNextDiffClick() {}
void TVerCmp::bPrevDiffClick() {}
void TVerCmp::SyncScroll(THtmlView*) {}
void TVerCmp::pbDiffPosPaint(QPainter& painter) {
  painter.fillRect(pbDiffPos->rect(), pbDiffPos->palette().color(QPalette::Button));
}
void TVerCmp::ApplyZoom(THtmlView*) {}
void TVerCmp::acZoomInExecute() {}
void TVerCmp::acZoomOutExecute() {}
