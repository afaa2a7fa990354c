#pragma once
// What the commands for the documents handed on need of the main window.
#include <QString>

#include <memory>

class QWidget;
struct TChangeList;
struct TComparisonModel;

class IHandOnHost {
 public:
  virtual ~IHandOnHost() = default;
  // The comparison the window shows, null outside the result state.
  virtual std::shared_ptr<const TComparisonModel> ShownComparison() const = 0;
  // The change list of that comparison.
  virtual const TChangeList& ShownChanges() const = 0;
  // The file text v (1 the old, 2 the new) was opened from; empty when it was pasted or typed.
  virtual QString OpenedFile(int v) const = 0;
  virtual QWidget* DialogParent() = 0;
  virtual void ShowMessage(const QString& text) = 0;
};
