#pragma once
// The column beside the two views. It holds pages (the guide in text entry, the change list with
// a result) and can be hidden; a hidden panel leaves a narrow strip at the window's right edge
// that brings it back, so the toolbar needs no room for a switch. Whether it is shown and its
// width are kept in the settings for text entry and for the result separately.
#include <QWidget>

class QLabel;
class QSplitter;
class QStackedWidget;
class QToolButton;

class TSidePanel : public QWidget {
  Q_OBJECT

 public:
  static constexpr int kDefaultWidth = 300;
  static constexpr int kDefaultResultWidth = 560;

  // Puts itself into splitter after the widgets already there, which take the rest of the width.
  explicit TSidePanel(QSplitter* splitter);

  // The first page added is the one shown.
  void AddPage(QWidget* page, const QString& title);
  void ShowPage(QWidget* page);

  // The window's mode changed: the panel shows or hides as it was last left in that mode
  // (by default shown in both), at the width it was last given in that mode.
  void SetResultMode(bool result);
  bool IsOpen() const { return open_; }
  // What the toggle and the panel's own close button do: remembered for the mode.
  void SetOpen(bool open);
  void Toggle() { SetOpen(!open_); }

  // The narrow strip at the right edge that brings the hidden panel back (shown only then),
  // and the panel's own button that hides it.
  QToolButton* ShowButton() const { return show_; }
  QToolButton* HideButton() const { return hide_; }

  // The kept width, which the splitter gives the panel when it first lays out.
  QSize sizeHint() const override;

 signals:
  // The views got narrower or wider (shown, hidden or dragged wider).
  void WidthChanged();

 private:
  // modeChanged: the width of the other mode may differ, so it is applied even when the panel
  // stays open.
  void Apply(bool open, bool modeChanged = false);
  QString ShownKey() const;
  QString WidthKey() const;
  int KeptWidth() const;

  QSplitter* splitter_;
  QStackedWidget* pages_;
  QLabel* title_;
  QToolButton* show_ = nullptr;
  QToolButton* hide_ = nullptr;
  bool result_ = false;
  bool open_ = true;
};
