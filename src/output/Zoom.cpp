// Text zoom of the two result views: one step for both, set through the body's own style so
// that the text, its marks and the layout scale together.
#include "output/Zoom.h"

#include <exception>

#include "appbase/MessageBox.h"
#include "navigation/NavigationMath.h"
#include "view/HtmlView.h"

void TZoom::ApplyZoom(THtmlView* view) {
  if (view == nullptr || !view->HasDocument()) return;
  try {
    view->SetBodyZoom(navmath::ZoomText(ZoomPercent()));
  } catch (const std::exception&) {
    // A view that cannot take the step stays as it was; the step still counts.
  }
}

void TZoom::StepZoom(int direction) {
  const int next = navmath::SteppedZoomIndex(ZoomIndex, direction);
  if (next == ZoomIndex) return;
  ZoomIndex = next;
  ApplyZoom(host_.ZoomView(1));
  ApplyZoom(host_.ZoomView(2));
  try {
    // The layout changed: the marks and the bar follow it whatever the window's size.
    host_.ZoomStepped();
  } catch (const std::exception& e) {
    ShowMessageBox(QString::fromUtf8(e.what()));
  }
}

void TZoom::acZoomInExecute() { StepZoom(+1); }
void TZoom::acZoomOutExecute() { StepZoom(-1); }
