#include "output/office/CopyToApp.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QMessageBox>
#include <QEvent>
#include <QMimeData>
#include <QPointer>
#include <QWidget>
#include <QRegularExpression>

#include "appbase/Failure.h"
#include "output/office/WordDocsForm.h"
#include "view/HtmlView.h"

QString OfficeMissingText(TTargetApp kind) {
  return kind == taWord ? QStringLiteral("Ошибка при попытке загрузить LibreOffice Writer. LibreOffice Writer "
                                         "не установлен или установлен некорректно.")
                        : QStringLiteral("Ошибка при попытке загрузить LibreOffice Calc. LibreOffice Calc "
                                         "не установлен или установлен некорректно.");
}

// The office's HTML import drops the style of elements it does not know (the change marks are
// "acronym" elements), and a vendor-prefixed property ("-webkit-text-stroke-width", which the
// view writes into every copied style) makes it drop the whole style. On the clipboard the marks
// become "span" elements and the prefixed and empty ("initial", "inherit") properties go, so the
// strike-through and the colours arrive and nothing else does.
void PrepareClipboardForOffice() {
  QClipboard* clipboard = QGuiApplication::clipboard();
  const QMimeData* data = clipboard->mimeData();
  if (data == nullptr || !data->hasHtml()) return;
  QString html = data->html();
  static const QRegularExpression mark(QStringLiteral("<(/?)acronym\\b"), QRegularExpression::CaseInsensitiveOption);
  static const QRegularExpression prefixed(QStringLiteral("-(webkit|moz|ms|o)-[a-z-]+\\s*:[^;\"]*;?\\s*"),
                                           QRegularExpression::CaseInsensitiveOption);
  // "text-decoration: inherit", "text-decoration-style: initial" and the like change nothing
  // here, yet the office reads them as an underline.
  static const QRegularExpression initial(
      QStringLiteral("(?<=[\"; ])[a-z-]+\\s*:\\s*(initial|inherit)\\s*(;\\s*|(?=\"))"),
                                          QRegularExpression::CaseInsensitiveOption);
  // The view writes its whole computed look into every copied element; declarations that only
  // restate what no page of ours changes make a large page larger for the office to read.
  static const QRegularExpression defaults(
      QStringLiteral("(?<=[\"; ])(font-variant-ligatures: normal|font-variant-caps: normal|orphans: 2|widows: 2|"
                     "letter-spacing: normal|word-spacing: 0px|text-transform: none|white-space: normal|"
                     "float: none|display: inline !important)(;\\s*|(?=\"))"));
  html.replace(mark, QStringLiteral("<\\1span"));
  html.replace(prefixed, QString());
  html.replace(initial, QString());
  html.replace(defaults, QString());
  auto* out = new QMimeData;
  out->setHtml(html);
  if (data->hasText()) out->setText(data->text());
  clipboard->setMimeData(out);
}

TCopyToAppSrv::TCopyToAppSrv(ICopyToAppHost& host, TOfficeFactory factory)
    : ShowDialog([](TWordDocsForm& f) { return f.exec() == QDialog::Accepted; }),
      host_(host),
      factory_(std::move(factory)) {}

void ShowOfficeWarning(QWidget* owner, const QString& text) {
  QMessageBox box(QMessageBox::Warning, QStringLiteral("Warning"), text, QMessageBox::Ok, owner);
  box.exec();
}

void TCopyToAppSrv::acTextCopyToWordExecute() { Execute(taWord); }
void TCopyToAppSrv::acTextCopyToExcelExecute() { Execute(taExcel); }

namespace {
// While a command waits for the office (window messages keep flowing), the window it acts for
// stays open: a close asked for meanwhile is refused.
class TCloseGuard : public QObject {
 public:
  explicit TCloseGuard(QWidget* w) : window_(w ? w->window() : nullptr) {
    if (window_) window_->installEventFilter(this);
  }
  ~TCloseGuard() override {
    if (window_) window_->removeEventFilter(this);
  }
  bool eventFilter(QObject*, QEvent* e) override {
    if (e->type() != QEvent::Close) return false;
    e->ignore();
    return true;
  }

 private:
  QPointer<QWidget> window_;
};
}  // namespace

void TCopyToAppSrv::Execute(TTargetApp kind) {
  TCloseGuard guard(host_.DialogOwner());
  host_.ClearHostHighlights();
  try {
    CopyToApp(host_.CopySourceView(), kind);
  } catch (const std::exception& e) {
    host_.ShowErrorMessage(FailureText(e));
  }
}

void TCopyToAppSrv::CopyToApp(THtmlView* view, TTargetApp kind) {
  if (view == nullptr || !view->HasDocument()) return;
  // Copy phase: whatever fails here, the paste still runs with what the clipboard holds.
  try {
    view->FocusDocument();
    bool none = view->SelectionText().empty();
    if (none) view->ExecWB(vcSelectAll, voDontPromptUser);
    // A large page takes the view a while to put on the clipboard, more so on a busy machine.
    if (view->CopySelectionToClipboard(5000)) PrepareClipboardForOffice();
    if (none) view->ExecWB(vcClearSelection, voDontPromptUser);
  } catch (const std::exception&) {
  }

  if (kind == taWord) {
    std::string doc = GetWordTarget(WordApp);
    if (doc.empty()) return;
    try {
      WordApp->AppendClipboard(doc);  // also shows the window
    } catch (const EOfficeError&) {
    }
  } else {
    std::string book = GetExcelTarget(ExcelApp);
    if (book.empty()) return;
    try {
      ExcelApp->PasteIntoFirstSheet(book);
    } catch (const EOfficeError&) {
    }
  }
}

void TCopyToAppSrv::CopyTableToExcel(const QString& html, const QString& text) {
  TCloseGuard guard(host_.DialogOwner());
  try {
    auto* data = new QMimeData;
    data->setHtml(html);
    data->setText(text);
    QGuiApplication::clipboard()->setMimeData(data);
    const std::string book = GetExcelTarget(ExcelApp);
    if (book.empty()) return;
    try {
      ExcelApp->PasteIntoFirstSheet(book);
    } catch (const EOfficeError&) {
    }
  } catch (const std::exception& e) {
    host_.ShowErrorMessage(FailureText(e));
  }
}

// A new connection; false (after the warning) when the office cannot be reached at all.
bool TCopyToAppSrv::Connect(std::unique_ptr<IOfficeApp>& app, TTargetApp kind) {
  app.reset();
  try {
    app = factory_(kind);
  } catch (const EOfficeError&) {
    app.reset();
    host_.ShowWarning(OfficeMissingText(kind));
    return false;
  }
  return app != nullptr;
}

int TCopyToAppSrv::HeldDocumentCount(std::unique_ptr<IOfficeApp>& app) {
  if (!app) return -1;
  try {
    if (!app->Alive()) throw EOfficeError(EOfficeError::oeDisconnected, "dropped");
    return app->DocumentCount();
  } catch (const EOfficeError&) {
    app.reset();  // the office was closed since, or stopped answering: connect anew
    return -1;
  }
}

std::string TCopyToAppSrv::NewDocument(IOfficeApp& app) {
  try {
    return app.CreateDocument();
  } catch (const EOfficeError&) {
    return {};
  }
}

std::string TCopyToAppSrv::ChooseDocument(IOfficeApp& app, TTargetApp kind,
                                          const std::function<QString(const TOfficeDoc&)>& entry) {
  TWordDocsForm form(host_.DialogOwner(), kind, app);
  const std::vector<TOfficeDoc> docs = app.Documents();
  for (size_t i = 0; i < docs.size(); ++i) form.AddEntry(entry(docs[i]), static_cast<int>(i) + 1, docs[i].Key);
  if (!ShowDialog(form)) return {};
  return form.FResult;
}

std::string TCopyToAppSrv::GetWordTarget(std::unique_ptr<IOfficeApp>& app) {
  int n = HeldDocumentCount(app);
  if (!app && !Connect(app, taWord)) return {};
  if (n == -1) n = app->DocumentCount();  // an error here ends the command with its text
  if (n == 0) return NewDocument(*app);
  return ChooseDocument(*app, taWord, [](const TOfficeDoc& d) { return d.Name; });
}

std::string TCopyToAppSrv::GetExcelTarget(std::unique_ptr<IOfficeApp>& app) {
  int n = HeldDocumentCount(app);
  // A held spreadsheet connection without workbooks is replaced, as a new one is made.
  if ((!app || n == 0) && !Connect(app, taExcel)) return {};
  if (n == -1) n = app->DocumentCount();
  if (n == 0) return NewDocument(*app);
  return ChooseDocument(*app, taExcel,
                        [](const TOfficeDoc& d) { return QString("%1 [%2]").arg(d.Name, d.FirstSheet); });
}
