#pragma once
// The program's embedded HTML view: one document view with exactly the operations and events the
// windows rely on. All text crossing this interface is Windows-1251 (std::string); the view's
// own Unicode text is converted here and nowhere else. Lengths are document pixels at the
// document's current zoom (the units of the scroll offsets), element offsets included.
//
// Operations the underlying view answers asynchronously wait for the answer in a local event
// loop, so window messages (a stop button, a timer) keep being handled while they wait; callers
// keep re-entrant handlers out with their own flags.
#include <QByteArray>
#include <QString>
#include <QStringList>
#include <QWidget>

class QMenu;
class QPageLayout;

#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

// A view operation that could not be carried out (the view stopped answering, its page is gone).
class EHtmlViewError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// Which element of the shown document an operation addresses.
struct TElementRef {
  enum TKind { ekRoot, ekBody, ekById, ekItem };
  TKind Kind = ekBody;
  std::string Id;  // Windows-1251; ekById: the first element with this id; ekItem: see Index
  int Index = 0;   // ekItem: the Index-th element (from 0, document order) whose id is Id

  static TElementRef Root() { return {ekRoot, {}, 0}; }  // the document's root element
  static TElementRef Body() { return {ekBody, {}, 0}; }
  static TElementRef ById(std::string id) { return {ekById, std::move(id), 0}; }
  static TElementRef Item(std::string id, int index) { return {ekItem, std::move(id), index}; }
};

// Commands of the view's print engine and editor (ExecWB).
enum TViewCommand {
  vcPrint = 6,           // with voPromptUser: the print dialog is shown
  vcPrintPreview = 7,
  vcPageSetup = 8,
  vcSelectAll = 17,
  vcClearSelection = 18,
};
enum TViewCommandOption { voDefault = 0, voPromptUser = 1, voDontPromptUser = 2 };

// The command kinds of CommandStateChange.
enum TCommandState { csUpdateCommands = -1, csNavigateForward = 1, csNavigateBack = 2 };

// Ready states: 0 nothing loaded, 1 loading, 3 interactive, 4 complete (also after a failed load).
enum TReadyState { rsUninitialized = 0, rsLoading = 1, rsLoaded = 2, rsInteractive = 3, rsComplete = 4 };

// The print engine takes its page layout from these application settings (written by the print
// commands before each print, preview and page setup): "header", "footer" (strings),
// "margin_left", "margin_right", "margin_top", "margin_bottom" (inches as decimal text).
inline constexpr const char* PageSetupSettingsGroup = "PageSetup";

class THtmlView : public QWidget {
  Q_OBJECT

 public:
  explicit THtmlView(QWidget* parent = nullptr) : QWidget(parent) {}
  ~THtmlView() override = default;

  // The window's own number for the view (1 = WB1, 2 = WB2, 0 = other).
  int Tag = 0;
  // Opened on a right click in place of the view's own menu; none: a right click shows nothing.
  QMenu* PopupMenu = nullptr;

  // --- Loading and history ---------------------------------------------------------------
  // Starts loading a local file path or an address; returns at once.
  virtual void Navigate(const std::string& pathOrAddress) = 0;
  virtual int ReadyState() const = 0;  // TReadyState
  // Waits, letting window messages through, until ReadyState() >= rsComplete or timeoutMs has
  // passed (a negative timeout: no limit). True when complete.
  virtual bool WaitReady(int timeoutMs = -1) = 0;
  // Whether the view holds a document at all (nothing was ever loaded: no document).
  virtual bool HasDocument() const = 0;
  // Address of the shown document (Windows-1251).
  virtual std::string LocationUrl() const = 0;
  virtual bool CanGoBack() const = 0;
  virtual bool CanGoForward() const = 0;
  virtual void GoBack() = 0;
  virtual void GoForward() = 0;
  virtual void Refresh() = 0;
  virtual void Stop() = 0;

  // --- Print engine and editor commands ---------------------------------------------------
  // The editor commands (select all, clear selection). Print, preview and page setup are the
  // output commands' own (output/Printing.h), drawn from PrintToPdf below: here they give false.
  virtual bool ExecWB(TViewCommand command, TViewCommandOption option) = 0;

  // --- The body ---------------------------------------------------------------------------
  virtual int BodyScrollTop() = 0;
  virtual void SetBodyScrollTop(int top) = 0;
  virtual void SetBodyScrollLeft(int left) = 0;
  virtual int BodyScrollHeight() = 0;
  // Sets the body's style attribute "zoom" (for example "131%").
  virtual void SetBodyZoom(const std::string& value) = 0;

  // --- The document -----------------------------------------------------------------------
  virtual void SetDesignMode(bool on) = 0;  // "On": the user may type and paste
  // SetDesignMode without waiting for the page: it carries out the program's operations in the
  // order they were asked, so the next one finds the mode set (and reports a page that stopped
  // answering).
  virtual void StartSetDesignMode(bool on) = 0;
  virtual bool DesignMode() = 0;
  // Keyboard focus into the page.
  virtual void FocusDocument() = 0;
  // "Text" when text is selected, otherwise "None".
  virtual std::string SelectionType() = 0;
  virtual std::string SelectionText() = 0;
  // The view's own clipboard commands: copy the selection (nothing selected: the clipboard is
  // left as the view's own rule leaves it), paste at the caret of an editable page.
  virtual void CopySelection() = 0;
  virtual void PasteClipboard() = 0;
  // CopySelection, then waits, letting window messages through, until the clipboard holds the
  // copy (the formatted HTML and the plain text) or timeoutMs has passed. True when the
  // clipboard changed.
  bool CopySelectionToClipboard(int timeoutMs = 3000);

  // --- Elements ---------------------------------------------------------------------------
  // Getters on an element that does not exist give false, 0 or an empty string; setters on it
  // do nothing.
  virtual bool ElementExists(const TElementRef& ref) = 0;
  virtual int OffsetTop(const TElementRef& ref) = 0;
  // offsetTop summed up the chain of offset parents: the element's top in the document.
  virtual int AbsoluteTop(const TElementRef& ref) = 0;
  // getBoundingClientRect().top, relative to the view's visible area.
  virtual int BoundingTop(const TElementRef& ref) = 0;
  virtual void ScrollIntoView(const TElementRef& ref, bool alignToTop) = 0;
  // The element's own style background colour as "#rrggbb" in lower case (whatever form the
  // view keeps it in), or empty when none is set.
  virtual std::string BackgroundColor(const TElementRef& ref) = 0;
  // A colour string ("#ff7777") or, when given as an integer, 0xRRGGBB.
  virtual void SetBackgroundColor(const TElementRef& ref, const std::string& colour) = 0;
  void SetBackgroundColor(const TElementRef& ref, unsigned rgb);
  virtual std::string OuterHtml(const TElementRef& ref) = 0;
  // OuterHtml in two steps, so that several views serialise their documents at the same time:
  // StartOuterHtml asks, TakeOuterHtml waits for the answer (empty without a document or element)
  // and throws EHtmlViewError as OuterHtml does.
  virtual void StartOuterHtml(const TElementRef& ref) = 0;
  virtual std::string TakeOuterHtml() = 0;
  virtual std::string InnerText(const TElementRef& ref) = 0;
  virtual void SetInnerHtml(const TElementRef& ref, const std::string& html) = 0;

  // --- Whole-body content -----------------------------------------------------------------
  // Replaces the body's content with html (Windows-1251), cleaned as a paste is: no scripts,
  // no event handlers, no style or frame elements, no external resources (pictures other than
  // embedded ones are dropped).
  virtual void SetBodyContent(const std::string& html) = 0;
  // The fast paste: when the document is editable and its body is empty or wholly selected,
  // puts html (the clipboard's, Unicode) into the body at once, cleaned as above, and returns
  // true; otherwise changes nothing and returns false (the view's own paste is then used).
  // Ctrl+V and Shift+Insert in an editable view go through here when the clipboard holds HTML.
  virtual bool PasteWholeBody(const QString& html) = 0;
  // Whether Ctrl+V takes the fast paste when it can (on by default; off: always the view's own).
  bool FastPaste = true;

  // --- Batched forms (one round trip for many elements) -----------------------------------
  // Number of elements with this tag name and id (document order is the one of Item indices
  // among elements of that tag: the "all.tags(tag).item(id, i)" order).
  virtual int CountElements(const std::string& tagName, const std::string& id) = 0;
  // AbsoluteTop of every element with this tag name and id, in document order.
  virtual std::vector<int> AbsoluteTops(const std::string& tagName, const std::string& id) = 0;
  // The page's layout as navigation needs it, in one round trip that several views answer at
  // the same time: StartMeasureMarks asks (after putting the page at its top when toTop) for the
  // body's scroll height and AbsoluteTops(tagName, id); TakeMeasuredMarks waits for the answer
  // (empty without a document) and throws EHtmlViewError as the other operations do;
  // DropMeasuredMarks forgets a question whose answer is no longer wanted.
  struct TMarkLayout {
    int ScrollHeight = 0;
    std::vector<int> Tops;
  };
  virtual void StartMeasureMarks(const std::string& tagName, const std::string& id, bool toTop) = 0;
  virtual TMarkLayout TakeMeasuredMarks() = 0;
  virtual void DropMeasuredMarks() = 0;
  // Whether a StartMeasureMarks waits to be taken.
  virtual bool MeasuringMarks() const = 0;
  // BackgroundColor of every element with this tag name and id, in document order.
  virtual std::vector<std::string> BackgroundColors(const std::string& tagName,
                                                    const std::string& id) = 0;

  // --- Runs of elements (one change of a result page, written in pieces) -------------------
  // A run is the Index-th element with this tag name and id together with the elements of that
  // tag whose id is continuationId that follow it in document order, up to the next element
  // with id. In one round trip: every element of run restoreIndex (none when negative) gets back
  // the colour it had before it was last recoloured (restoreColour when it never was); then every
  // element of run index gets the colour that recolour pairs with its own colour (`otherwise`
  // when that is not listed): a run may hold pieces of several colours. Returns the colour of the
  // run's first element, as "#rrggbb" in lower case, or empty when none is set or the run does
  // not exist.
  virtual std::string RecolourRuns(const std::string& tagName, const std::string& id,
                                   const std::string& continuationId, int restoreIndex,
                                   const std::string& restoreColour, int index,
                                   const std::vector<std::pair<std::string, std::string>>& recolour,
                                   const std::string& otherwise) = 0;
  // Where run `index` (as RecolourRuns counts runs) lies in the document: the top of its first
  // line and the bottom of its last, in document pixels, with the height of the visible area and
  // the scroll offset; Found is false when the run does not exist.
  struct TRunExtent {
    bool Found = false;
    int Top = 0;
    int Bottom = 0;
    int ViewHeight = 0;
    int ScrollTop = 0;
  };
  virtual TRunExtent RunExtent(const std::string& tagName, const std::string& id,
                               const std::string& continuationId, int index) = 0;
  // The run (as RecolourRuns counts runs) one of whose elements lies under point (view pixels),
  // or -1.
  virtual int RunAtPoint(const std::string& tagName, const std::string& id, const std::string& continuationId,
                         QPoint point) = 0;
  // Gives the first element with each of the ids (those that exist) the colour, in one round trip.
  virtual void SetBackgroundColorsById(const std::vector<std::string>& ids, const std::string& colour) = 0;
  // Gives the first `limit` elements whose id or name is `name` the colour ("document.all(name)").
  virtual void SetBackgroundColorOfNamed(const std::string& name, int limit, const std::string& colour) = 0;
  // The text content of every element with this tag name whose id is one of ids, in document
  // order.
  virtual std::vector<std::string> TextContents(const std::string& tagName,
                                                const std::vector<std::string>& ids) = 0;

  // --- Printing ---------------------------------------------------------------------------
  // The shown document rendered as PDF pages of this layout (page size, orientation, margins),
  // backgrounds and marks in their colours, text kept as text; waits for the engine, letting
  // window messages through. Throws EHtmlViewError when there is no document or the engine
  // fails.
  virtual QByteArray PrintToPdf(const QPageLayout& layout) = 0;

 signals:
  // Every event but BeforeNavigate reaches its handlers from the event loop, after the view has
  // finished its own processing, so handlers may use every operation above. A BeforeNavigate
  // handler decides at once and must not wait for a view.
  //
  // The status text changed (for example the address of the link under the mouse).
  void StatusTextChange(THtmlView* view, const std::string& text);
  // command: TCommandState; enabled: whether that history step is possible now.
  void CommandStateChange(THtmlView* view, int command, bool enabled);
  // A document finished loading (ReadyState() is now rsComplete).
  void DocumentComplete(THtmlView* view);
  // Before the view navigates anywhere (including Navigate itself); set cancel to stay.
  void BeforeNavigate(THtmlView* view, const std::string& address, bool& cancel);
  // The keyboard focus entered the view.
  void FocusEntered(THtmlView* view);
  // The document was scrolled (by the user or by the program).
  void Scrolled(THtmlView* view);
  // Local files were dropped on the view (the view itself neither opens nor inserts them).
  void FilesDropped(THtmlView* view, const QStringList& paths);
};

// A colour text as "#rrggbb" in lower case ("rgb(255, 204, 204)" and "#FFCCCC" both give
// "#ffcccc"); other texts come back unchanged.
std::string NormaliseColour(const std::string& colour);

// An integer colour 0xRRGGBB as the colour text "#rrggbb".
std::string ColourText(unsigned rgb);

// Creates the program's view (Qt WebEngine): page scripts disabled, the program's own DOM
// operations running in an isolated script world.
THtmlView* CreateHtmlView(QWidget* parent);
