// The program's HTML view over Qt WebEngine.
//
// The pages shown are the user's pasted texts and the comparison results: their own scripts
// never run (JavaScript is off for the page). The program's DOM operations run as JavaScript in
// an isolated world, which works while page scripts are off and cannot be seen or changed by the
// page. Every answer of the page comes back asynchronously; we wait for it in a local event loop.
#include <QApplication>
#include <QChildEvent>
#include <QClipboard>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QKeyEvent>
#include <QMimeData>
#include <QGuiApplication>
#include <QContextMenuEvent>
#include <QEventLoop>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QMenu>
#include <QPageLayout>
#include <QPainter>
#include <QPointer>
#include <QTimer>
#include <QVBoxLayout>
#include <QWebEngineHistory>
#include <QWebEnginePage>
#include <QWebEngineProfile>
#include <QWebEngineScript>
#include <QWebEngineSettings>
#include <QWebEngineView>

#include <functional>
#include <memory>
#include <vector>

#include "support/Cp1251.h"
#include "view/HtmlView.h"

namespace {

// Windows-1251 <-> the view's Unicode. The program handles all text as Windows-1251 bytes: in
// HTML a character Windows-1251 lacks becomes its numeric character reference, so nothing
// pasted is lost; in plain text (selections, addresses) it becomes "?".
QString ToQt(const std::string& s) { return QString::fromUtf8(cp1251::ToUtf8(s)); }
std::string FromQt(const QString& s) { return cp1251::FromUtf8(s.toUtf8().toStdString()); }
std::string FromQtHtml(const QString& s) {
  return cp1251::FromUtf16Html(std::u16string_view(reinterpret_cast<const char16_t*>(s.utf16()),
                                                   static_cast<size_t>(s.size())));
}

// Puts HTML into the body as a paste would, cleaned: the page is parsed apart (nothing in it
// runs or loads while parsed), then scripts, style sheets, frames, embedded objects and media,
// event handlers, script addresses and every reference to an external resource are removed,
// and what remains replaces the body's content. Pictures other than embedded (data:) ones are
// dropped, so nothing is fetched.
const char* kPutBody =
    "function putBody(html){var b=document.body;if(!b)return false;"
    "var d=new DOMParser().parseFromString(html,'text/html'),s=d.body;if(!s)return false;"
    "s.querySelectorAll('script,style,link,meta,base,title,iframe,frame,frameset,object,embed,applet,"
    "noscript,template,video,audio,source,track,picture,canvas,svg,math,portal').forEach(function(e){e.remove();});"
    "var all=s.querySelectorAll('*');"
    "for(var i=0;i<all.length;i++){var e=all[i];"
    "if(e.tagName==='IMG'&&!/^\\s*data:/i.test(e.getAttribute('src')||'')){e.remove();continue;}"
    "var n=e.getAttributeNames();for(var k=0;k<n.length;k++){var a=n[k].toLowerCase(),v=e.getAttribute(n[k])||'';"
    "if(a.indexOf('on')===0||a==='srcset'||a==='background'||a==='poster'||a==='action'||a==='formaction'"
    "||a==='ping'||a==='lowsrc'||a==='dynsrc'||/^\\s*(javascript|vbscript):/i.test(v))e.removeAttribute(n[k]);"
    "else if(a==='style'&&/url\\s*\\(/i.test(v))e.setAttribute('style',v.replace(/url\\s*\\([^)]*\\)/gi,'none'));}}"
    "var f=document.createDocumentFragment();while(s.firstChild)f.appendChild(s.firstChild);"
    "b.replaceChildren(f);var S=document.scrollingElement||b;S.scrollTop=0;"
    "var sel=getSelection();if(sel){sel.removeAllRanges();var r=document.createRange();r.setStart(b,0);"
    "r.collapse(true);sel.addRange(r);}return true;}";

// Whether a paste would replace the whole content: the document is editable and its body holds
// nothing (no text, no picture or table) or all of it is selected.
const char* kWholeTarget =
    "function wholeTarget(){var b=document.body;if(!b||document.designMode!=='on')return false;"
    "var things='img,table,hr,iframe,object,embed,video,audio,canvas,svg';"
    "if(!b.textContent.trim()&&!b.querySelector(things))return true;"
    "var sel=getSelection();if(!sel||!sel.rangeCount)return false;var r=sel.getRangeAt(0);if(r.collapsed)return false;"
    "var x=document.createRange(),y=document.createRange();"
    "x.setStart(b,0);x.setEnd(r.startContainer,r.startOffset);"
    "y.setStart(r.endContainer,r.endOffset);y.setEnd(b,b.childNodes.length);"
    "if(x.toString().trim()||y.toString().trim())return false;"
    "return !x.cloneContents().querySelector(things)&&!y.cloneContents().querySelector(things);}";

// Local files among dropped data (none when anything dropped is not a local file).
QStringList DroppedFiles(const QMimeData* data) {
  QStringList files;
  if (!data || !data->hasUrls()) return files;
  for (const QUrl& u : data->urls()) {
    if (!u.isLocalFile()) return {};
    files << u.toLocalFile();
  }
  return files;
}

// A JavaScript literal for a string (JSON is valid JavaScript).
QString JsString(const QString& s) {
  QString json = QString::fromUtf8(QJsonDocument(QJsonArray{s}).toJson(QJsonDocument::Compact));
  return json.mid(1, json.size() - 2);
}

// The element look-up shared by every element operation: E() gives the addressed element or null.
QString ElementPrologue(const TElementRef& ref) {
  QString id = JsString(ToQt(ref.Id));
  switch (ref.Kind) {
    case TElementRef::ekRoot:
      return "var E=function(){return document.documentElement;};";
    case TElementRef::ekBody:
      return "var E=function(){return document.body;};";
    case TElementRef::ekById:
      return QString("var E=function(){return document.getElementById(%1);};").arg(id);
    case TElementRef::ekItem:
      return QString(
                 "var E=function(){var l=document.querySelectorAll('[id=\"'+CSS.escape(%1)+'\"]');"
                 "return l.length>%2?l[%2]:null;};")
          .arg(id)
          .arg(ref.Index);
  }
  return "var E=function(){return null;};";
}

QString TagIdSelector(const std::string& tagName, const std::string& id) {
  return QString("document.querySelectorAll(CSS.escape(%1)+'[id=\"'+CSS.escape(%2)+'\"]')")
      .arg(JsString(ToQt(tagName)), JsString(ToQt(id)));
}

// The engine reports element offsets in the zoomed body's own units; scaled by the body's zoom
// they are document pixels, the units of the scroll offsets and the document height.
const char* kAbsTop =
    "function zf(){var z=1,b=document.body,h=document.documentElement;"
    "if(h)z*=parseFloat(getComputedStyle(h).zoom)||1;if(b)z*=parseFloat(getComputedStyle(b).zoom)||1;"
    "return z;}"
    "function absTop(e){var t=0;for(;e;e=e.offsetParent)t+=e.offsetTop;return t;}";
const char* kScroller = "var S=document.scrollingElement||document.body;";

// A view's answer must come within this time; a page that stops answering is a failed view.
constexpr int kScriptTimeoutMs = 60000;

}  // namespace

class TWebEngineHtmlView;

namespace {

class TPage : public QWebEnginePage {
 public:
  TPage(TWebEngineHtmlView* owner, QObject* parent) : QWebEnginePage(parent), owner_(owner) {}

 protected:
  bool acceptNavigationRequest(const QUrl& url, NavigationType type, bool isMainFrame) override;

 private:
  TWebEngineHtmlView* owner_;
};

class TWebWidget : public QWebEngineView {
 public:
  TWebWidget(THtmlView* owner) : QWebEngineView(owner), owner_(owner) {}
  std::function<void(const QStringList&)> OnFilesDropped;

 protected:
  void contextMenuEvent(QContextMenuEvent* e) override {
    // The program's own menu, or none: never the engine's (it offers reload and page source).
    if (owner_->PopupMenu) owner_->PopupMenu->popup(e->globalPos());
    e->accept();
  }
  // Dropped files are the program's to open; the engine would show the file instead of the page
  // or insert it into the text. Everything else dropped (text, HTML) the editor takes as usual.
  void dragEnterEvent(QDragEnterEvent* e) override {
    if (DroppedFiles(e->mimeData()).isEmpty()) return QWebEngineView::dragEnterEvent(e);
    e->acceptProposedAction();
  }
  void dragMoveEvent(QDragMoveEvent* e) override {
    if (DroppedFiles(e->mimeData()).isEmpty()) return QWebEngineView::dragMoveEvent(e);
    e->acceptProposedAction();
  }
  void dropEvent(QDropEvent* e) override {
    const QStringList files = DroppedFiles(e->mimeData());
    if (files.isEmpty()) return QWebEngineView::dropEvent(e);
    e->acceptProposedAction();
    if (OnFilesDropped) OnFilesDropped(files);
  }

 private:
  THtmlView* owner_;
};

}  // namespace

class TWebEngineHtmlView : public THtmlView {
  Q_OBJECT

 signals:
  // Every change to rsComplete; the page stopped answering.
  void ReadyChanged();
  void ScriptsAbandoned();

 public:
  explicit TWebEngineHtmlView(QWidget* parent) : THtmlView(parent) {
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(1, 1, 1, 1);  // room for the frame line
    web_ = new TWebWidget(this);
    page_ = new TPage(this, web_);
    web_->setPage(page_);
    layout->addWidget(web_);
    setFocusProxy(web_);
    web_->OnFilesDropped = [this](const QStringList& files) {
      Later([this, files] { emit FilesDropped(this, files); });
    };
    // The engine's input widget appears inside the view once a page is shown; the paste keys
    // are caught on it.
    web_->installEventFilter(this);

    QWebEngineSettings* s = page_->settings();
    s->setAttribute(QWebEngineSettings::JavascriptEnabled, false);
    s->setAttribute(QWebEngineSettings::PluginsEnabled, false);
    s->setAttribute(QWebEngineSettings::LocalContentCanAccessFileUrls, true);
    s->setAttribute(QWebEngineSettings::LocalContentCanAccessRemoteUrls, false);
    s->setAttribute(QWebEngineSettings::AutoLoadImages, true);
    s->setAttribute(QWebEngineSettings::ErrorPageEnabled, true);
    s->setAttribute(QWebEngineSettings::FocusOnNavigationEnabled, false);

    connect(page_, &QWebEnginePage::loadStarted, this, [this] {
      readyState_ = rsLoading;
    });
    connect(page_, &QWebEnginePage::loadProgress, this, [this](int p) {
      if (readyState_ < rsComplete && p > 0 && p < 100) readyState_ = rsInteractive;
    });
    connect(page_, &QWebEnginePage::loadFinished, this, [this](bool) {
      readyState_ = rsComplete;
      hasDocument_ = true;
      pendingNavigation_ = false;
      emit ReadyChanged();
      Later([this] {
        emit DocumentComplete(this);
        EmitHistoryState();
      });
    });
    connect(page_, &QWebEnginePage::urlChanged, this,
            [this](const QUrl&) { Later([this] { EmitHistoryState(); }); });
    connect(page_, &QWebEnginePage::linkHovered, this, [this](const QString& url) {
      Later([this, url] { emit StatusTextChange(this, FromQt(url)); });
    });
    connect(page_, &QWebEnginePage::selectionChanged, this, [this] {
      if (selectionPending_) return;
      selectionPending_ = true;
      Later([this] {
        selectionPending_ = false;
        emit CommandStateChange(this, csUpdateCommands, true);
      });
    });
    connect(page_, &QWebEnginePage::scrollPositionChanged, this, [this](const QPointF&) {
      if (scrollPending_) return;  // one notification for a burst of scroll steps
      scrollPending_ = true;
      Later([this] {
        scrollPending_ = false;
        emit Scrolled(this);
      });
    });
    connect(page_, &QWebEnginePage::renderProcessTerminated, this,
            [this](QWebEnginePage::RenderProcessTerminationStatus, int) {
              // Nothing will answer any more: let every wait end.
              readyState_ = rsComplete;
              emit ReadyChanged();
              emit ScriptsAbandoned();
            });
    connect(qApp, &QApplication::focusChanged, this, [this](QWidget* old, QWidget* now) {
      if (now && (now == this || isAncestorOf(now)) && !(old && (old == this || isAncestorOf(old))))
        emit FocusEntered(this);
    });
  }

  // A thin frame, so that two empty pages side by side still read as two views.
  void paintEvent(QPaintEvent*) override {
    QPainter p(this);
    p.setPen(palette().color(QPalette::Mid));
    p.drawRect(rect().adjusted(0, 0, -1, -1));
  }

  // --- Loading -----------------------------------------------------------------------------
  void Navigate(const std::string& pathOrAddress) override {
    QString a = ToQt(pathOrAddress);
    QUrl url = a.contains("://") || a.startsWith("about:") ? QUrl(a) : QUrl::fromLocalFile(a);
    readyState_ = rsLoading;
    pendingNavigation_ = true;
    web_->setUrl(url);
  }
  int ReadyState() const override { return readyState_; }

  bool WaitReady(int timeoutMs) override {
    if (readyState_ >= rsComplete) return true;
    QEventLoop loop;
    QTimer poll;
    // Completion normally arrives as a signal; the poll also ends the wait on a state changed
    // without one (a navigation that was refused).
    connect(&poll, &QTimer::timeout, &loop, [&] {
      if (readyState_ >= rsComplete) loop.quit();
    });
    connect(this, &TWebEngineHtmlView::ReadyChanged, &loop, [&] {
      if (readyState_ >= rsComplete) loop.quit();
    });
    QTimer limit;
    if (timeoutMs >= 0) {
      limit.setSingleShot(true);
      connect(&limit, &QTimer::timeout, &loop, &QEventLoop::quit);
      limit.start(timeoutMs);
    }
    poll.start(20);
    if (readyState_ < rsComplete) loop.exec();
    return readyState_ >= rsComplete;
  }

  bool HasDocument() const override { return hasDocument_; }
  std::string LocationUrl() const override {
    QUrl u = page_->url();
    return FromQt(u.isLocalFile() ? u.toLocalFile() : u.toString());
  }
  bool CanGoBack() const override { return page_->history()->canGoBack(); }
  bool CanGoForward() const override { return page_->history()->canGoForward(); }
  void GoBack() override {
    if (!CanGoBack()) return;
    readyState_ = rsLoading;
    pendingNavigation_ = true;
    web_->back();
  }
  void GoForward() override {
    if (!CanGoForward()) return;
    readyState_ = rsLoading;
    pendingNavigation_ = true;
    web_->forward();
  }
  void Refresh() override {
    if (!hasDocument_) return;
    readyState_ = rsLoading;
    pendingNavigation_ = true;
    web_->reload();
  }
  void Stop() override {
    web_->stop();
    SettleLater();
  }

  // The page's own navigations pass here; a refused one leaves the state as it was.
  bool AcceptNavigation(const QUrl& url) {
    bool cancel = false;
    QString a = url.isLocalFile() ? url.toLocalFile() : url.toString();
    emit BeforeNavigate(this, FromQt(a), cancel);
    if (cancel) SettleLater();
    return !cancel;
  }

  // --- Commands ----------------------------------------------------------------------------
  bool ExecWB(TViewCommand command, TViewCommandOption option) override {
    switch (command) {
      case vcSelectAll:
        web_->triggerPageAction(QWebEnginePage::SelectAll);
        return true;
      case vcClearSelection:
        web_->triggerPageAction(QWebEnginePage::Unselect);
        return true;
      case vcPrint:
      case vcPrintPreview:
      case vcPageSetup:
        return false;  // the output commands print through PrintToPdf
    }
    return false;
  }

  // --- Body --------------------------------------------------------------------------------
  int BodyScrollTop() override { return RunInt(QString(kScroller) + "return S?Math.round(S.scrollTop):0;"); }
  void SetBodyScrollTop(int top) override {
    Run(QString(kScroller) + QString("if(S)S.scrollTop=%1;return 0;").arg(top));
  }
  void SetBodyScrollLeft(int left) override {
    Run(QString(kScroller) + QString("if(S)S.scrollLeft=%1;return 0;").arg(left));
  }
  int BodyScrollHeight() override {
    return RunInt(QString(kScroller) + "return S?S.scrollHeight:0;");
  }
  void SetBodyZoom(const std::string& value) override {
    Run(QString("if(document.body)document.body.style.setProperty('zoom',%1);return 0;")
            .arg(JsString(ToQt(value))));
  }

  // --- Document ----------------------------------------------------------------------------
  void SetDesignMode(bool on) override {
    if (!hasDocument_) return;
    Run(QString("document.designMode='%1';return 0;").arg(on ? "on" : "off"));
  }
  void StartSetDesignMode(bool on) override {
    if (!hasDocument_) return;
    page_->runJavaScript(QString("document.designMode='%1';").arg(on ? "on" : "off"),
                         QWebEngineScript::ApplicationWorld);
  }
  bool DesignMode() override {
    if (!hasDocument_) return false;
    return Run("return document.designMode==='on';").toBool();
  }
  void FocusDocument() override {
    web_->setFocus(Qt::OtherFocusReason);
    if (hasDocument_) Run("window.focus();return 0;");
  }
  std::string SelectionType() override { return page_->hasSelection() ? "Text" : "None"; }
  std::string SelectionText() override { return FromQt(page_->selectedText()); }
  void CopySelection() override { web_->triggerPageAction(QWebEnginePage::Copy); }
  void PasteClipboard() override { web_->triggerPageAction(QWebEnginePage::Paste); }

  // --- Elements ----------------------------------------------------------------------------
  bool ElementExists(const TElementRef& ref) override {
    return RunOn(ref, "return !!e;", "return false;").toBool();
  }
  int OffsetTop(const TElementRef& ref) override {
    return RunOn(ref, QString(kAbsTop) + "return Math.round(e.offsetTop*zf());", "return 0;").toInt();
  }
  int AbsoluteTop(const TElementRef& ref) override {
    return RunOn(ref, QString(kAbsTop) + "return Math.round(absTop(e)*zf());", "return 0;").toInt();
  }
  int BoundingTop(const TElementRef& ref) override {
    return RunOn(ref, QString(kAbsTop) + "return Math.round(e.getBoundingClientRect().top*zf());",
                 "return 0;").toInt();
  }
  void ScrollIntoView(const TElementRef& ref, bool alignToTop) override {
    RunOn(ref, QString("e.scrollIntoView(%1);return 0;").arg(alignToTop ? "true" : "false"),
          "return 0;");
  }
  std::string BackgroundColor(const TElementRef& ref) override {
    return NormaliseColour(FromQt(RunOn(ref, "return e.style.backgroundColor;", "return '';").toString()));
  }
  void SetBackgroundColor(const TElementRef& ref, const std::string& colour) override {
    RunOn(ref, QString("e.style.backgroundColor=%1;return 0;").arg(JsString(ToQt(colour))),
          "return 0;");
  }
  using THtmlView::SetBackgroundColor;
  std::string OuterHtml(const TElementRef& ref) override {
    return FromQtHtml(RunOn(ref, "return e.outerHTML;", "return '';").toString());
  }
  void StartOuterHtml(const TElementRef& ref) override {
    pending_ = StartScript(ElementPrologue(ref) + "var e=E();if(!e){return '';}return e.outerHTML;");
  }
  std::string TakeOuterHtml() override {
    auto answer = std::move(pending_);
    if (!answer) throw EHtmlViewError("Окно документа не отвечает");
    Await(*answer);
    return FromQtHtml(answer->Value.toString());
  }
  std::string InnerText(const TElementRef& ref) override {
    return FromQt(RunOn(ref, "return e.innerText;", "return '';").toString());
  }
  void SetInnerHtml(const TElementRef& ref, const std::string& html) override {
    RunOn(ref, QString("e.innerHTML=%1;return 0;").arg(JsString(ToQt(html))), "return 0;");
  }

  // --- Whole-body content ------------------------------------------------------------------
  void SetBodyContent(const std::string& html) override {
    Run(QString(kPutBody) + "return putBody(" + JsString(ToQt(html)) + ");");
  }
  bool PasteWholeBody(const QString& html) override {
    if (!hasDocument_) return false;
    return Run(QString(kPutBody) + kWholeTarget + "if(!wholeTarget())return false;return putBody(" +
               JsString(html) + ");")
        .toBool();
  }

  bool eventFilter(QObject* watched, QEvent* e) override {
    if (watched == web_ && e->type() == QEvent::ChildAdded) {
      if (auto* child = qobject_cast<QWidget*>(static_cast<QChildEvent*>(e)->child()))
        child->installEventFilter(this);
      return false;
    }
    if (e->type() == QEvent::KeyPress && watched != web_ && !pasting_) {
      auto* key = static_cast<QKeyEvent*>(e);
      const auto mods = key->modifiers() & ~Qt::KeypadModifier;
      const bool paste = (mods == Qt::ControlModifier && key->key() == Qt::Key_V) ||
                         (mods == Qt::ShiftModifier && key->key() == Qt::Key_Insert);
      if (paste && FastPaste) {
        const QMimeData* data = QGuiApplication::clipboard()->mimeData();
        if (data && data->hasHtml()) {
          pasting_ = true;  // keys that arrive while the page works go their usual way
          bool done = false;
          try {
            done = PasteWholeBody(data->html());
          } catch (const EHtmlViewError&) {
            done = false;
          }
          pasting_ = false;
          return done;
        }
      }
    }
    return THtmlView::eventFilter(watched, e);
  }

  // --- Batched forms -----------------------------------------------------------------------
  int CountElements(const std::string& tagName, const std::string& id) override {
    if (!hasDocument_) return 0;
    return RunInt("return " + TagIdSelector(tagName, id) + ".length;");
  }
  std::vector<int> AbsoluteTops(const std::string& tagName, const std::string& id) override {
    if (!hasDocument_) return {};
    return ToInts(Run(TopsScript(tagName, id) + "return r;").toList());
  }
  void StartMeasureMarks(const std::string& tagName, const std::string& id, bool toTop) override {
    measuring_ = StartScript(QString(kScroller) + (toTop ? "if(S)S.scrollTop=0;" : "") +
                             TopsScript(tagName, id) + "return [S?S.scrollHeight:0,r];");
  }
  TMarkLayout TakeMeasuredMarks() override {
    auto answer = std::move(measuring_);
    if (!answer) throw EHtmlViewError("Окно документа не отвечает");
    Await(*answer);
    TMarkLayout layout;
    const QVariantList l = answer->Value.toList();
    if (l.size() != 2) return layout;
    layout.ScrollHeight = l[0].toInt();
    layout.Tops = ToInts(l[1].toList());
    return layout;
  }
  void DropMeasuredMarks() override { measuring_.reset(); }
  bool MeasuringMarks() const override { return measuring_ != nullptr; }
  std::vector<std::string> BackgroundColors(const std::string& tagName,
                                            const std::string& id) override {
    std::vector<std::string> colours;
    if (!hasDocument_) return colours;
    QVariantList l = Run("var l=" + TagIdSelector(tagName, id) +
                         ";var r=new Array(l.length);for(var i=0;i<l.length;i++)"
                         "r[i]=l[i].style.backgroundColor;return r;")
                         .toList();
    colours.reserve(l.size());
    for (const QVariant& v : l) colours.push_back(NormaliseColour(FromQt(v.toString())));
    return colours;
  }
  std::string RecolourRuns(const std::string& tagName, const std::string& id,
                           const std::string& continuationId, int restoreIndex,
                           const std::string& restoreColour, int index,
                           const std::vector<std::pair<std::string, std::string>>& recolour,
                           const std::string& otherwise) override {
    if (!hasDocument_) return {};
    QJsonObject table;
    for (const auto& [from, to] : recolour) table.insert(ToQt(NormaliseColour(from)), ToQt(to));
    const QString js =
        QString(
            "var T=CSS.escape(%1),I=%2,C=%3;"
            "var l=document.querySelectorAll(T+'[id=\"'+CSS.escape(I)+'\"],'+T+'[id=\"'+CSS.escape(C)+'\"]');"
            "function run(n){var r=[],k=-1;for(var i=0;i<l.length;i++){if(l[i].id===I){if(k===n)break;k++;}"
            "if(k===n)r.push(l[i]);}return r;}"
            "function nc(c){c=(c||'').toLowerCase();"
            "var m=c.match(/^rgba?\\((\\d+),\\s*(\\d+),\\s*(\\d+)/);"
            "if(m)return '#'+[m[1],m[2],m[3]].map(function(x){return ('0'+(+x).toString(16)).slice(-2);}).join('');"
            "if(/^#[0-9a-f]{3}$/.test(c))return '#'+c[1]+c[1]+c[2]+c[2]+c[3]+c[3];return c;}"
            "var W=window.__pvRecoloured=window.__pvRecoloured||new WeakMap();"
            "if(%4>=0)run(%4).forEach(function(e){e.style.backgroundColor=W.has(e)?W.get(e):%5;W.delete(e);});"
            "var r=run(%6);if(!r.length)return '';var M=%7,first='';"
            "r.forEach(function(e,k){var o=W.has(e)?W.get(e):nc(e.style.backgroundColor);if(!k)first=o;W.set(e,o);"
            "e.style.backgroundColor=Object.prototype.hasOwnProperty.call(M,o)?M[o]:%8;});return first;")
            .arg(JsString(ToQt(tagName)), JsString(ToQt(id)), JsString(ToQt(continuationId)))
            .arg(restoreIndex)
            .arg(JsString(ToQt(restoreColour)))
            .arg(index)
            .arg(QString::fromUtf8(QJsonDocument(table).toJson(QJsonDocument::Compact)),
                 JsString(ToQt(otherwise)));
    return NormaliseColour(FromQt(Run(js).toString()));
  }
  TRunExtent RunExtent(const std::string& tagName, const std::string& id,
                       const std::string& continuationId, int index) override {
    TRunExtent extent;
    if (!hasDocument_) return extent;
    // Pieces without a box (an empty mark) do not count unless no piece has one.
    const QString js =
        QString(kAbsTop) + kScroller +
        QString(
            "var T=CSS.escape(%1),I=%2,C=%3;"
            "var l=document.querySelectorAll(T+'[id=\"'+CSS.escape(I)+'\"],'+T+'[id=\"'+CSS.escape(C)+'\"]');"
            "var r=[],k=-1;for(var i=0;i<l.length;i++){if(l[i].id===I){if(k===%4)break;k++;}"
            "if(k===%4)r.push(l[i]);}if(!r.length||!S)return [];"
            "var z=zf(),top=null,bottom=null;"
            "r.forEach(function(e){var b=e.getBoundingClientRect();if(!b.width&&!b.height)return;"
            "if(top===null||b.top<top)top=b.top;if(bottom===null||b.bottom>bottom)bottom=b.bottom;});"
            "if(top===null){var b=r[0].getBoundingClientRect();top=b.top;bottom=b.bottom;}"
            "var s=S.scrollTop;return [Math.round(top*z+s),Math.round(bottom*z+s),S.clientHeight,Math.round(s)];")
            .arg(JsString(ToQt(tagName)), JsString(ToQt(id)), JsString(ToQt(continuationId)))
            .arg(index);
    const QVariantList l = Run(js).toList();
    if (l.size() != 4) return extent;
    extent.Found = true;
    extent.Top = l[0].toInt();
    extent.Bottom = l[1].toInt();
    extent.ViewHeight = l[2].toInt();
    extent.ScrollTop = l[3].toInt();
    return extent;
  }
  int RunAtPoint(const std::string& tagName, const std::string& id, const std::string& continuationId,
                 QPoint point) override {
    if (!hasDocument_) return -1;
    const QString js =
        QString(
            "var T=CSS.escape(%1),I=%2,C=%3,e=document.elementFromPoint(%4,%5);"
            "var sel=T+'[id=\"'+CSS.escape(I)+'\"],'+T+'[id=\"'+CSS.escape(C)+'\"]';"
            "var m=e&&e.closest?e.closest(sel):null;if(!m)return -1;"
            "var l=document.querySelectorAll(sel),k=-1;"
            "for(var i=0;i<l.length;i++){if(l[i].id===I)k++;if(l[i]===m)return k;}return -1;")
            .arg(JsString(ToQt(tagName)), JsString(ToQt(id)), JsString(ToQt(continuationId)))
            .arg(point.x())
            .arg(point.y());
    return Run(js).toInt();
  }
  void SetBackgroundColorsById(const std::vector<std::string>& ids, const std::string& colour) override {
    if (!hasDocument_ || ids.empty()) return;
    QJsonArray list;
    for (const std::string& id : ids) list.append(ToQt(id));
    Run(QString("var l=%1,c=%2;for(var i=0;i<l.length;i++){var e=document.getElementById(l[i]);"
                "if(e)e.style.backgroundColor=c;}return 0;")
            .arg(QString::fromUtf8(QJsonDocument(list).toJson(QJsonDocument::Compact)), JsString(ToQt(colour))));
  }
  void SetBackgroundColorOfNamed(const std::string& name, int limit, const std::string& colour) override {
    if (!hasDocument_) return;
    Run(QString("var n=CSS.escape(%1),l=document.querySelectorAll('[id=\"'+n+'\"],[name=\"'+n+'\"]');"
                "for(var i=0;i<l.length&&i<%2;i++)l[i].style.backgroundColor=%3;return 0;")
            .arg(JsString(ToQt(name)))
            .arg(limit)
            .arg(JsString(ToQt(colour))));
  }
  std::vector<std::string> TextContents(const std::string& tagName,
                                        const std::vector<std::string>& ids) override {
    std::vector<std::string> texts;
    if (!hasDocument_ || ids.empty()) return texts;
    QJsonArray idList;
    for (const std::string& id : ids) idList.append(ToQt(id));
    QVariantList l = Run(QString("var t=CSS.escape(%1),s=%2.map(function(i){return t+'[id=\"'+CSS.escape(i)+'\"]';});"
                                 "var l=document.querySelectorAll(s.join(',')),r=new Array(l.length);"
                                 "for(var i=0;i<l.length;i++)r[i]=l[i].textContent;return r;")
                             .arg(JsString(ToQt(tagName)),
                                  QString::fromUtf8(QJsonDocument(idList).toJson(QJsonDocument::Compact))))
                             .toList();
    texts.reserve(l.size());
    for (const QVariant& v : l) texts.push_back(FromQt(v.toString()));
    return texts;
  }

  // --- Printing ----------------------------------------------------------------------------
  QByteArray PrintToPdf(const QPageLayout& layout) override {
    if (!hasDocument_) throw EHtmlViewError("В окне нет документа для печати");
    // The marks are background colours: they must reach the paper.
    page_->settings()->setAttribute(QWebEngineSettings::PrintElementBackgrounds, true);
    struct TAnswer {
      QByteArray Pdf;
      bool Done = false;
      QEventLoop* Loop = nullptr;
    };
    auto answer = std::make_shared<TAnswer>();
    QEventLoop loop;
    answer->Loop = &loop;
    page_->printToPdf(
        [answer](const QByteArray& pdf) {
          answer->Pdf = pdf;
          answer->Done = true;
          if (answer->Loop) answer->Loop->quit();
        },
        layout);
    if (!answer->Done) {
      TAnswerWait waiting;
      // A code of several megabytes is hundreds of pages: give the engine its time.
      QTimer limit;
      limit.setSingleShot(true);
      connect(&limit, &QTimer::timeout, &loop, &QEventLoop::quit);
      QMetaObject::Connection gone =
          connect(this, &TWebEngineHtmlView::ScriptsAbandoned, &loop, &QEventLoop::quit);
      limit.start(10 * kScriptTimeoutMs);
      loop.exec();
      disconnect(gone);
    }
    answer->Loop = nullptr;
    if (!answer->Done || answer->Pdf.isEmpty())
      throw EHtmlViewError("Не удалось подготовить документ к печати");
    return answer->Pdf;
  }

 private:
  // Runs a function body in the program's isolated world and waits for its value.
  // The answer of a script, filled in by the engine's callback.
  struct TAnswer {
    QVariant Value;
    bool Done = false;
    QEventLoop* Loop = nullptr;
  };
  // The script that leaves in r the AbsoluteTop of every element with this tag name and id.
  static QString TopsScript(const std::string& tagName, const std::string& id) {
    return QString(kAbsTop) + "var l=" + TagIdSelector(tagName, id) +
           ";var z=zf(),r=new Array(l.length);"
           "for(var i=0;i<l.length;i++)r[i]=Math.round(absTop(l[i])*z);";
  }
  static std::vector<int> ToInts(const QVariantList& l) {
    std::vector<int> out;
    out.reserve(static_cast<size_t>(l.size()));
    for (const QVariant& v : l) out.push_back(v.toInt());
    return out;
  }

  std::shared_ptr<TAnswer> pending_;    // of StartOuterHtml
  std::shared_ptr<TAnswer> measuring_;  // of StartMeasureMarks

  // Sends a function body to the page's isolated world and returns the answer to come (already
  // complete and empty without a document).
  std::shared_ptr<TAnswer> StartScript(const QString& body) {
    auto answer = std::make_shared<TAnswer>();
    if (!hasDocument_) {
      answer->Done = true;
      return answer;
    }
    page_->runJavaScript("(function(){" + body + "})()", QWebEngineScript::ApplicationWorld,
                         [answer](const QVariant& v) {
                           answer->Value = v;
                           answer->Done = true;
                           if (answer->Loop) answer->Loop->quit();
                         });
    return answer;
  }

  // Waits, letting window messages through, until the answer has come; throws when the view
  // stops answering.
  void Await(TAnswer& answer) {
    if (!answer.Done) {
      TAnswerWait waiting;
      QEventLoop loop;
      answer.Loop = &loop;
      QTimer limit;
      limit.setSingleShot(true);
      connect(&limit, &QTimer::timeout, &loop, &QEventLoop::quit);
      QMetaObject::Connection gone =
          connect(this, &TWebEngineHtmlView::ScriptsAbandoned, &loop, &QEventLoop::quit);
      limit.start(kScriptTimeoutMs);
      loop.exec();
      disconnect(gone);
      answer.Loop = nullptr;
    }
    if (!answer.Done) throw EHtmlViewError("Окно документа не отвечает");
  }

  QVariant Run(const QString& body) {
    if (!hasDocument_) return QVariant();
    auto answer = StartScript(body);
    Await(*answer);
    return answer->Value;
  }
  int RunInt(const QString& body) { return Run(body).toInt(); }
  QVariant RunOn(const TElementRef& ref, const QString& onElement, const QString& onMissing) {
    return Run(ElementPrologue(ref) + "var e=E();if(!e){" + onMissing + "}" + onElement);
  }

  // A navigation that was refused or stopped before it started leaves no load to finish: once
  // the engine is idle, the view is complete again with the document it had.
  void SettleLater(int attempts = 20) {
    QTimer::singleShot(50, this, [this, attempts] {
      if (!pendingNavigation_ || readyState_ >= rsComplete) return;
      if (page_->isLoading() && attempts > 0) {
        SettleLater(attempts - 1);
        return;
      }
      if (page_->isLoading()) return;  // a real load: its end completes the view
      pendingNavigation_ = false;
      readyState_ = rsComplete;
      emit ReadyChanged();
    });
  }

  // The engine reports from inside its own processing, where it cannot answer a script: a
  // handler that asks the page anything would wait forever. Our events therefore reach their
  // handlers from the event loop, after the engine has returned.
  //
  // Nor may a handler start its own wait while the program waits for an answer: the engine does
  // not answer a script asked from inside another one's wait until the outer wait has ended, so
  // both would run into the time limit. The events that come during a wait are held and
  // delivered, in order, when the last wait has ended.
  void Later(std::function<void()> f) {
    QPointer<TWebEngineHtmlView> self(this);
    QMetaObject::invokeMethod(
        this,
        [self, f = std::move(f)]() mutable {
          if (gAnswerWaits > 0)
            HeldEvents().push_back({self, std::move(f)});
          else
            f();
        },
        Qt::QueuedConnection);
  }

  struct THeldEvent {
    QPointer<TWebEngineHtmlView> View;
    std::function<void()> Handler;
  };
  static inline int gAnswerWaits = 0;
  static std::vector<THeldEvent>& HeldEvents() {
    static std::vector<THeldEvent> held;
    return held;
  }
  // Marks a wait for the engine's answer; the outermost one, ending, lets the held events go.
  struct TAnswerWait {
    TAnswerWait() { ++gAnswerWaits; }
    ~TAnswerWait() {
      if (--gAnswerWaits > 0 || HeldEvents().empty()) return;
      std::vector<THeldEvent> held = std::move(HeldEvents());
      HeldEvents().clear();
      for (THeldEvent& e : held)
        if (e.View) e.View->Later(std::move(e.Handler));
    }
    TAnswerWait(const TAnswerWait&) = delete;
    TAnswerWait& operator=(const TAnswerWait&) = delete;
  };

  void EmitHistoryState() {
    emit CommandStateChange(this, csNavigateForward, page_->history()->canGoForward());
    emit CommandStateChange(this, csNavigateBack, page_->history()->canGoBack());
  }

 private:
  TWebWidget* web_ = nullptr;
  TPage* page_ = nullptr;
  int readyState_ = rsUninitialized;
  bool hasDocument_ = false;
  bool pendingNavigation_ = false;
  bool scrollPending_ = false;
  bool selectionPending_ = false;
  bool pasting_ = false;
};

namespace {
bool TPage::acceptNavigationRequest(const QUrl& url, NavigationType, bool isMainFrame) {
  if (!isMainFrame) return true;
  return owner_->AcceptNavigation(url);
}
}  // namespace

THtmlView* CreateHtmlView(QWidget* parent) { return new TWebEngineHtmlView(parent); }

#include "WebEngineHtmlView.moc"
