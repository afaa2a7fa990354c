#pragma once
// Opening addresses outside the program, in the desktop's default handler (the browser, the
// mail program). A pasted text may carry any link; only web and mail addresses leave the
// program, never "file:", "javascript:" or anything else a click could be tricked into running.
#include <QUrl>

#include <functional>
#include <string>

// Hands a URL to the desktop; true when it was taken. Replaceable so that tests can record the
// addresses instead of starting a browser.
using TOutsideOpener = std::function<bool(const QUrl& url)>;

// Installs an opener (empty: the desktop's own again).
void SetOutsideOpener(TOutsideOpener opener);

// Whether an address (Windows-1251) may be opened outside: "http:", "https:" or "mailto:" in
// any letter case, leading blanks ignored.
bool MayOpenOutside(const std::string& address);

// Opens a link outside when MayOpenOutside allows it; false when refused or not taken.
bool OpenLinkOutside(const std::string& address);

// Opens one of the program's own local pages (a file path) in the desktop's browser.
bool OpenOwnPageOutside(const QString& path);
