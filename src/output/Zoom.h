#pragma once
// Text zoom of the two result views: one step for both.
#include <array>
#include <cstddef>
#include <cstdint>

class THtmlView;

// What zoom needs of the window it serves.
class TZoomHost {
 public:
  virtual ~TZoomHost() = default;
  // The result view 1 (WB1) or 2 (WB2).
  virtual THtmlView* ZoomView(int index) const = 0;
  // Both views took a new step: the layout changed, so whatever depends on it follows. May
  // throw when a view stops answering.
  virtual void ZoomStepped() = 0;
};

class TZoom {
 public:
  explicit TZoom(TZoomHost& host) : host_(host) {}

  static constexpr std::array<int, 26> ZoomLevels = {50,  60,  70,  80,  90,  100, 110, 120, 131,
                                                     140, 151, 160, 171, 180, 191, 200, 210, 220,
                                                     230, 240, 250, 260, 270, 280, 290, 300};
  int32_t ZoomIndex = 7;
  int ZoomPercent() const { return ZoomLevels[static_cast<size_t>(ZoomIndex)]; }

  // Sets the view's body to the current step.
  void ApplyZoom(THtmlView* view);
  void acZoomInExecute();
  void acZoomOutExecute();

 private:
  void StepZoom(int direction);

  TZoomHost& host_;
};
