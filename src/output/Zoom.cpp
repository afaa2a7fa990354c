// Text zoom of the two result views: one step for both, set through the body's own style so
// that the text, its marks and the layout scale together.
#include "output/Zoom.h"

#include <QTimer>

#include <exception>

#include "appbase/Failure.h"
#include "navigation/NavigationBusy.h"
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
  RequestZoom(next);
}

void TZoom::RequestZoom(int index) {
  ZoomIndex = index;
  requested_ = true;
  if (OnLevelChanged) OnLevelChanged(ZoomPercent());
  if (applying_) return;  // the step under way goes on to this one when done
  // A change step waits for the views: the zoom follows it.
  if (navstate::Busy) {
    ApplyRequestedLater();
    return;
  }
  ApplyRequested();
}

void TZoom::ApplyRequested() {
  applying_ = true;
  // Holds off the change steps and the scroll synchronisation while the pages lay themselves out.
  navstate::TBusyScope busy;
  while (requested_) {
    requested_ = false;
    ApplyZoom(host_.ZoomView(1));
    ApplyZoom(host_.ZoomView(2));
    try {
      // The layout changed: the marks and the bar follow it whatever the window's size.
      host_.ZoomStepped();
    } catch (const std::exception& e) {
      requested_ = applying_ = false;
      ReportFailure(nullptr, e);
      return;
    }
  }
  applying_ = false;
}

void TZoom::ApplyRequestedLater() {
  if (scheduled_) return;
  scheduled_ = true;
  std::weak_ptr<int> alive = alive_;
  QTimer::singleShot(10, [this, alive] {
    if (alive.expired()) return;
    scheduled_ = false;
    if (applying_ || !requested_) return;
    if (navstate::Busy)
      ApplyRequestedLater();
    else
      ApplyRequested();
  });
}

void TZoom::acZoomInExecute() { StepZoom(+1); }
void TZoom::acZoomOutExecute() { StepZoom(-1); }
void TZoom::acZoomResetExecute() { RequestZoom(navmath::ZoomIndexStart); }
