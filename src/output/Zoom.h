#pragma once
// Text zoom of the two result views: one step for both.
#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>

class THtmlView;
class QAbstractButton;
class QWidget;

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
  // The step asked for last; the views follow it as soon as they can.
  int32_t ZoomIndex = 7;
  int ZoomPercent() const { return ZoomLevels[static_cast<size_t>(ZoomIndex)]; }
  // Told the percentage of every step asked for (the window shows it).
  std::function<void(int percent)> OnLevelChanged;

  // Sets the view's body to the current step.
  void ApplyZoom(THtmlView* view);
  void acZoomInExecute();
  void acZoomOutExecute();
  // Back to the step the program starts at (120 %).
  void acZoomResetExecute();

 private:
  void StepZoom(int direction);
  // Asks for a step. A large page takes seconds to lay itself out again; steps asked for in the
  // meantime only move the target, and the views then go to the newest one at once instead of
  // through every step between.
  void RequestZoom(int index);
  void ApplyRequested();
  void ApplyRequestedLater();

  TZoomHost& host_;
  bool applying_ = false;
  bool requested_ = false;
  bool scheduled_ = false;
  // Ends with the zoom, so that a step put off to later does not outlive it.
  std::shared_ptr<int> alive_ = std::make_shared<int>(0);
};

// The zoom's own controls in the window: the level shown beside the zoom-out button (updated on
// every step) and Ctrl+0, which resets the zoom, caught on its way to any control of the window
// as the zoom keys are. A second call changes nothing.
void InstallZoomControls(QWidget& window, TZoom& zoom, QAbstractButton& zoomOutButton);
