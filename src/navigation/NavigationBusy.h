#pragma once
// Re-entry guard shared by the navigation handlers. Their view operations wait for the page
// with window events let through, so a click, a key or a scroll notification can arrive in the
// middle of a step. The program has one main window, so the guard is process-wide.
namespace navstate {

// A step (GoToChange or a synchronisation) is waiting for the views.
extern bool Busy;

class TBusyScope {
 public:
  TBusyScope() : was_(Busy) { Busy = true; }
  ~TBusyScope() { Busy = was_; }
  TBusyScope(const TBusyScope&) = delete;
  TBusyScope& operator=(const TBusyScope&) = delete;

 private:
  bool was_;
};

}  // namespace navstate
