#pragma once
// What the copy commands need of a word processor or a spreadsheet application, behind an
// interface of our own: LibreOffice implements it here; a test replaces it; a Windows build could
// put the original office automation behind it.
#include <QString>

#include <functional>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

// The target application of a copy command.
enum TTargetApp { taWord = 0, taExcel = 1 };

// A call to the office that failed.
class EOfficeError : public std::runtime_error {
 public:
  enum TKind {
    oeNotInstalled,  // no office (or no binding to it) on this machine
    oeCannotStart,   // the office could not be started or did not answer in time
    oeDisconnected,  // the held connection stopped answering: it is dropped
    oeNoTarget,      // the document is no longer open
    oeFailed,        // any other failure of the call
  };
  EOfficeError(TKind kind, const std::string& what) : std::runtime_error(what), Kind(kind) {}
  TKind Kind;
};

// One open document (Writer) or workbook (Calc).
struct TOfficeDoc {
  std::string Key;     // stays the same while the document is open
  QString Name;        // Writer: the document's name; Calc: its full path (its title while unsaved)
  QString FirstSheet;  // Calc: the name of its first sheet
};

// A live connection to one office application (Writer or Calc). Every call has a time limit;
// a call that fails throws EOfficeError, and after oeDisconnected the object is dead for good.
class IOfficeApp {
 public:
  virtual ~IOfficeApp() = default;
  virtual TTargetApp Kind() const = 0;
  // False once the connection was dropped.
  virtual bool Alive() const = 0;
  virtual int DocumentCount() = 0;
  // The open documents in the application's own order.
  virtual std::vector<TOfficeDoc> Documents() = 0;
  // A new empty document (Calc: a workbook of one worksheet); gives its key.
  virtual std::string CreateDocument() = 0;
  // Writer: appends the clipboard at the document's end, accepts the tracked changes of the
  // pasted range, turns its fields and hyperlinks into plain text, makes its font colour
  // automatic, leaves the cursor after it and shows the window.
  virtual void AppendClipboard(const std::string& key) = 0;
  // Calc: pastes the clipboard into the workbook's first sheet, removes the sheet's hyperlinks
  // and shows the window.
  virtual void PasteIntoFirstSheet(const std::string& key) = 0;
  // Shows the document's window and brings it to the front.
  virtual void Show(const std::string& key) = 0;
};

// Connects to (starting where needed) the office application of the kind; throws EOfficeError
// (oeNotInstalled, oeCannotStart) when there is none.
using TOfficeFactory = std::function<std::unique_ptr<IOfficeApp>(TTargetApp)>;
