#pragma once
// Result navigation's own wiring of the main window (the handlers themselves are members of
// TVerCmp, defined in this folder).
class TVerCmp;

// Binds Ctrl+Down and Ctrl+Up to the next and the previous change, also while a document view
// has the keyboard focus. Safe to call more than once; the window's constructor may call it, and
// the first measurement of a result does.
void InstallNavigation(TVerCmp& window);
