// Text zoom of the two result views: one step for both, set through the body's own style so
// that the text, its marks and the layout scale together.
#include <exception>

#include "app/MessageBox.h"
#include "app/VerCmp.h"
#include "navigation/NavigationMath.h"

void TVerCmp::ApplyZoom(THtmlView* view) {
  if (view == nullptr || !view->HasDocument()) return;
  try {
    view->SetBodyZoom(navmath::ZoomText(ZoomPercent()));
  } catch (const std::exception&) {
    // A view that cannot take the step stays as it was; the step still counts.
  }
}

namespace {

void StepZoom(TVerCmp& w, int direction) {
  const int next = navmath::SteppedZoomIndex(w.ZoomIndex, direction);
  if (next == w.ZoomIndex) return;
  w.ZoomIndex = next;
  w.ApplyZoom(w.WB1);
  w.ApplyZoom(w.WB2);
  try {
    // The layout changed: the marks and the bar follow it whatever the window's size.
    w.RecalcMarkPositions();
  } catch (const std::exception& e) {
    ShowMessageBox(QString::fromUtf8(e.what()));
  }
}

}  // namespace

void TVerCmp::acZoomInExecute() { StepZoom(*this, +1); }
void TVerCmp::acZoomOutExecute() { StepZoom(*this, -1); }
