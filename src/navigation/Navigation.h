#pragma once
// Result navigation's own wiring of the main window (the handlers themselves are members of
// TVerCmp, defined in this folder).
class TVerCmp;

// Binds Ctrl+Down and Ctrl+Up to the next and the previous change, also while a document view
// has the keyboard focus. The window's constructor calls it; a second call changes nothing.
void InstallNavigation(TVerCmp& window);
