#pragma once
// Print, print preview and page setup of the current view, with the program's own page setup:
// no header, the information system's footer with date and page number, fixed margins.
#include <QByteArray>
#include <QObject>
#include <QPageLayout>
#include <QString>

#include <functional>
#include <memory>
#include <string>

class QDialog;
class QPrinter;
class QWidget;
class THtmlView;

// What the print commands need of the window.
class TPrintHost {
 public:
  virtual ~TPrintHost() = default;
  virtual THtmlView* CurrentHtmlView() = 0;       // the view that last had the focus
  virtual int CurrentZoomPercent() const = 0;     // the zoom step both views are set to
  virtual QWidget* DialogParent() = 0;
  virtual void ShowMessage(const QString& text) = 0;
  // The file pane `view` (1 or 2) was opened from, or empty for a typed or pasted text.
  virtual QString OpenedFile(int /*view*/) const { return {}; }
  // The current change (-1 none) and the colour its mark had in `view` before it was highlighted.
  virtual int CurrentChange() const { return -1; }
  // The mark of the current change in `view` as the view counts its marks (-1 none): a moved
  // passage stands at different places of the two pages.
  virtual int CurrentMark(int /*view*/) const { return CurrentChange(); }
  virtual std::string SavedMarkColour(int /*view*/) const { return {}; }
};

struct TPageSetupValues;
class TPrintPreview;

// What the print dialog's title and the printed pages' header call the printed text: its pane,
// and the file it was opened from or else its first line ("Правое окно: 10_new.htm").
QString EditionCaption(THtmlView& view, const QString& openedFile);

// The footer the print commands write before each command (Windows-1251).
std::string PrintFooter();
// The page setup the print commands write, as the engine reads it.
TPageSetupValues ProgramPageSetup();

// Writes the page setup to the settings group PageSetupSettingsGroup: "header", "footer" (from
// the Windows-1251 arguments) and the four margins as decimal inch texts, in that order. Never
// reports anything: a settings store that cannot be written is left as it is.
void WritePageSetup(const std::string& header, const std::string& footer);

class TPrinting : public QObject {
  Q_OBJECT

 public:
  TPrinting(TPrintHost& host, QObject* parent);
  ~TPrinting() override;

  // The command bodies. Print and preview do nothing for a view without a document.
  void PrintView(THtmlView* view);
  void PreviewView(THtmlView* view);
  void PageSetupView(THtmlView* view);

  // The actions' handlers: the same on the current view.
  void acTextPrintExecute() { PrintView(host_.CurrentHtmlView()); }
  void acTextPreviewExecute() { PreviewView(host_.CurrentHtmlView()); }
  void acTextPageSetupExecute() { PageSetupView(host_.CurrentHtmlView()); }

  // Runs the print, preview or page-setup dialog modally and gives its result; tests answer it.
  std::function<int(QDialog&)> ExecDialog;

 signals:
  // The engine finished the pages of a print or a preview (the PDF as it was delivered).
  void DocumentPrinted(const QByteArray& pdf);

 private:
  QPrinter& Printer();
  void PrintOrPreview(THtmlView* view, bool preview);
  void RunPrint(THtmlView& view);
  void RunPreview(THtmlView& view);
  // The view's pages for paper of this layout, with the edition in the header and the current
  // change in the ordinary colours.
  QByteArray MakePages(THtmlView& view, const TPageSetupValues& values, const QPageLayout& layout);
  // The print dialog over parent, then the pages (those made for the preview when the paper
  // stayed the same) to the printer. True when something was printed.
  bool PrintWithDialog(THtmlView& view, QWidget* parent, QByteArray* pagesMade, QPageLayout* madeFor);
  // Hands finished pages to the printer: a PDF file gets the engine's own PDF (text stays text),
  // a printer the pages drawn as pictures.
  void Deliver(const QByteArray& pdf, QPrinter& printer);
  int Exec(QDialog& dialog);

  struct TBusy {
    explicit TBusy(bool& flag) : Flag(flag) { Flag = true; }
    ~TBusy() { Flag = false; }
    bool& Flag;
  };

  TPrintHost& host_;
  std::unique_ptr<QPrinter> printer_;  // keeps the user's printer and paper between commands
  bool busy_ = false;  // a command is running
  QString caption_;    // the edition printed by the running command
};
