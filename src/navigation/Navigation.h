#pragma once
// Result navigation's own wiring of the main window.
class QWidget;
class TChangeNavigation;

// Binds Ctrl+Down and Ctrl+Up to the next and the previous change, also while a document view
// of the window has the keyboard focus, and a left click on the position bar to the change drawn
// nearest to it, and Ctrl+J or Ctrl+click on a moved passage's end to its other end. The
// window's constructor calls it; a second call changes nothing.
void InstallNavigation(QWidget& window, TChangeNavigation& navigation);
