#pragma once
// Keys and mouse clicks taken away from the document views before they arrive: Ctrl+F and the
// zoom keys become the program's commands, a right click opens the program's popup menu, a
// middle click or a Ctrl- or Shift-click on a link opens the link outside. Wheel turns, clicks
// and keys in a result view also make that view lead the scrolling of the pair.
#include <QObject>

class QWidget;
class THtmlView;

// What the input rules need of the main window.
class TShellInputHost {
 public:
  virtual ~TShellInputHost() = default;
  virtual QWidget* MainWindow() = 0;
  virtual void RunFindCommand() = 0;   // acTextFind
  virtual void RunZoomIn() = 0;        // acZoomIn
  virtual void RunZoomOut() = 0;       // acZoomOut
  virtual bool HasHoverLink() const = 0;
  virtual void OpenHoverLink() = 0;
  // The user turned the wheel over, clicked into or typed into a document view.
  virtual void ViewTouched(THtmlView* view) = 0;
};

class TShellInput : public QObject {
 public:
  // Installs itself on the application; ends with its parent.
  TShellInput(TShellInputHost& host, QObject* parent);

  // The key rows: which command a key press asks for.
  enum TKeyCommand { kcNone, kcFind, kcZoomIn, kcZoomOut };
  static TKeyCommand KeyCommand(int key, Qt::KeyboardModifiers modifiers);

 protected:
  bool eventFilter(QObject* watched, QEvent* e) override;

 private:
  bool KeyPress(QEvent* e);
  bool Mouse(THtmlView* view, QEvent* e);

  TShellInputHost& host_;
};
