#pragma once
// What the program sets up before and right after the application object exists.

// Before QApplication: the web engine's flags (no sandbox when running as root, where the
// engine's sandbox cannot start) and the attributes the engine needs.
void PrepareApplication();

// After QApplication: Russian locale, names, title.
void InitApplication();
