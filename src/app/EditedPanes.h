#pragma once
// Whether the user has typed into or edited a pane's text by hand. Such a text exists nowhere
// else, so throwing it away asks first. A text opened from a file or pasted is not counted: it
// can be had again from where it came.
#include <QObject>

#include <array>
#include <functional>

class QEvent;
class QKeyEvent;
class THtmlView;

// Keys that change the text of an editable page: characters, deleting, new lines, cut,
// undo and redo. Paste is not among them.
bool IsEditingKey(const QKeyEvent& key);

class TEditedPanes : public QObject {
 public:
  // entryState: the panes are editable (keys in the result views change nothing).
  TEditedPanes(THtmlView* wb1, THtmlView* wb2, std::function<bool()> entryState, QObject* parent);

  bool Edited(int v) const { return edited_[static_cast<size_t>(v == 2 ? 2 : 1)]; }
  bool AnyEdited() const { return edited_[1] || edited_[2]; }
  // Pane v got a text from elsewhere (a file, an empty page).
  void Forget(int v) { edited_[static_cast<size_t>(v == 2 ? 2 : 1)] = false; }

 protected:
  bool eventFilter(QObject* watched, QEvent* e) override;

 private:
  std::array<THtmlView*, 3> views_{};
  std::array<bool, 3> edited_{};
  std::function<bool()> entryState_;
};
