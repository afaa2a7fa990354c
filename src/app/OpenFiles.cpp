#include "app/OpenFiles.h"

#include <QApplication>
#include <QBoxLayout>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QAction>
#include <QSettings>
#include <QTimer>
#include <QToolButton>

#include <exception>
#include <new>

#include "appbase/Failure.h"
#include "appbase/MessageBox.h"
#include "input/DocumentReader.h"
#include "view/HtmlView.h"

namespace {

const char* kSettingsGroup = "OpenFiles";

QString U(const char* utf8) { return QString::fromUtf8(utf8); }

QString PaneName(int v) { return v == 1 ? U("Текст 1") : U("Текст 2"); }

std::string NativePath(const QString& path) { return QFile::encodeName(path).toStdString(); }

// Restores the cursor on every way out.
class TWaitCursor {
 public:
  TWaitCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }
  ~TWaitCursor() { QApplication::restoreOverrideCursor(); }
};

}  // namespace

QString OpenFileFilter() {
  const QString html = QString::fromLatin1(input::kHtmlPatterns);
  const QString text = QString::fromLatin1(input::kTextPatterns);
  const QString office = QString::fromLatin1(input::kOfficePatterns);
  return U("Тексты и документы (") + html + " " + text + " " + office + ");;" + U("Страницы HTML (") + html +
         ");;" + U("Текстовые файлы (") + text + ");;" + U("Документы Word, OpenDocument и RTF (") + office +
         ");;" + U("Все файлы (*)");
}

TOpenFiles::TOpenFiles(TOpenFilesHost& host, QObject* parent) : QObject(parent), host_(host) {
  setObjectName("OpenFiles");
  for (int v : {1, 2}) {
    CreateBar(v);
    connect(host_.PaneView(v), &THtmlView::FilesDropped, this,
            [this, v](THtmlView*, const QStringList& files) {
              if (files.size() > 1) {
                ShowMessageBox(U("Перетащите в окно один файл: в каждое окно открывается один текст."));
                return;
              }
              OpenFile(v, files.front());
            });
  }
  qApp->installEventFilter(this);
}

TOpenFiles::~TOpenFiles() = default;

void TOpenFiles::CreateBar(int v) {
  THtmlView* view = host_.PaneView(v);
  TPaneBar& b = bars_[static_cast<size_t>(v)];
  b.Bar = new QWidget(view);
  b.Bar->setObjectName(v == 1 ? "PanOpen1" : "PanOpen2");
  b.Bar->setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
  auto* row = new QHBoxLayout(b.Bar);
  row->setContentsMargins(4, 2, 4, 2);
  row->setSpacing(6);
  b.Open = new QToolButton(b.Bar);
  b.Open->setObjectName(v == 1 ? "bOpen1" : "bOpen2");
  b.Open->setText(U("Открыть…"));
  b.Open->setToolTip(U("Открыть файл в окне «") + PaneName(v) + U("» (Ctrl+O): HTML, текст, Word, OpenDocument, RTF"));
  b.Open->setPopupMode(QToolButton::MenuButtonPopup);
  b.Open->setFocusPolicy(Qt::NoFocus);
  b.Menu = new QMenu(b.Open);
  b.Open->setMenu(b.Menu);
  connect(b.Menu, &QMenu::aboutToShow, this, [this, v] { FillMenu(v); });
  connect(b.Open, &QToolButton::clicked, this, [this, v] { acOpenFileExecute(v); });
  b.Name = new QLabel(b.Bar);
  b.Name->setTextFormat(Qt::PlainText);
  b.Name->setStyleSheet("QLabel { color: #555555; }");
  row->addWidget(b.Open);
  row->addWidget(b.Name, 1);
  FillMenu(v);
  ShowName(v);
  if (auto* box = qobject_cast<QBoxLayout*>(view->layout())) box->insertWidget(0, b.Bar);
}

void TOpenFiles::FillMenu(int v) {
  QMenu* m = bars_[static_cast<size_t>(v)].Menu;
  m->clear();
  m->addAction(U("Открыть файл...    Ctrl+O"), this, [this, v] { acOpenFileExecute(v); });
  const QStringList recent = RecentFiles();
  if (!recent.isEmpty()) {
    m->addSeparator();
    int n = 0;
    for (const QString& path : recent) {
      const QFileInfo fi(path);
      QAction* a = m->addAction(QString("&%1  %2  —  %3").arg(++n % 10).arg(fi.fileName(), QDir::toNativeSeparators(fi.absolutePath())),
                                this, [this, v, path] { OpenFile(v, path); });
      a->setToolTip(path);
      a->setData(path);
    }
    m->addSeparator();
    m->addAction(U("Очистить список"), this, [] { QSettings().remove(QString(kSettingsGroup) + "/Recent"); });
  }
}

void TOpenFiles::ShowName(int v) {
  QLabel* l = bars_[static_cast<size_t>(v)].Name;
  const QString& path = opened_[static_cast<size_t>(v)];
  if (path.isEmpty()) {
    l->setText(PaneName(v) + U(": вставьте текст, перетащите сюда файл или откройте его"));
    l->setToolTip(QString());
  } else {
    l->setText(PaneName(v) + ": " + QFileInfo(path).fileName());
    l->setToolTip(QDir::toNativeSeparators(path));
  }
}

QStringList TOpenFiles::RecentFiles() const {
  return QSettings().value(QString(kSettingsGroup) + "/Recent").toStringList();
}

void TOpenFiles::Remember(const QString& path) {
  const QString abs = QFileInfo(path).absoluteFilePath();
  QStringList recent = RecentFiles();
  recent.removeAll(abs);
  recent.prepend(abs);
  while (recent.size() > kRecentCount) recent.removeLast();
  QSettings s;
  s.setValue(QString(kSettingsGroup) + "/Recent", recent);
  s.setValue(QString(kSettingsGroup) + "/LastFolder", QFileInfo(abs).absolutePath());
}

void TOpenFiles::acOpenFileExecute(int v) {
  if (busy_ || !host_.TextEntry()) return;
  QString dir = QSettings().value(QString(kSettingsGroup) + "/LastFolder").toString();
  if (dir.isEmpty() || !QFileInfo(dir).isDir()) dir = QDir::homePath();
  QFileDialog dialog(host_.MainWindow(), U("Открыть — ") + PaneName(v), dir, OpenFileFilter());
  dialog.setObjectName("OpenFileDialog");
  dialog.setFileMode(QFileDialog::ExistingFile);
  dialog.setAcceptMode(QFileDialog::AcceptOpen);
  dialog.setOption(QFileDialog::DontUseNativeDialog, !NativeDialog);
  busy_ = true;  // a second Ctrl+O while the dialog is open opens no second dialog
  const bool accepted = dialog.exec() == QDialog::Accepted && !dialog.selectedFiles().isEmpty();
  busy_ = false;
  if (accepted) OpenFile(v, dialog.selectedFiles().front());
}

bool TOpenFiles::OpenFile(int v, const QString& path) {
  if (busy_) return false;
  if (!host_.PanesReady()) return false;
  if (!host_.TextEntry()) {
    ShowMessageBox(U("Файл открывается в окно, пока тексты вводятся. Нажмите «Новое сравнение», "
                     "а затем откройте файл."));
    return false;
  }
  THtmlView* view = host_.PaneView(v);
  QLabel* name = bars_[static_cast<size_t>(v)].Name;
  busy_ = true;
  loading_ = true;
  bool ok = false;
  try {
    TWaitCursor wait;
    name->setText(PaneName(v) + U(": открывается ") + QFileInfo(path).fileName() + "…");
    name->setProperty("loadingText", name->text());
    input::TReadOptions options;
    // LibreOffice may work for seconds: the window keeps painting meanwhile.
    options.Office.Idle = [] {
      QApplication::processEvents(QEventLoop::ExcludeUserInputEvents, 20);
      return true;
    };
    const input::TDocument doc = input::ReadDocument(NativePath(path), options);
    if (doc.Html.empty()) {
      ShowMessageBox(U("Файл ") + QFileInfo(path).fileName() + U(" пуст."));
    } else {
      view->SetBodyContent(input::BodyContent(doc.Html));
      ok = true;
    }
  } catch (const std::bad_alloc&) {
    ShowMessageBox(U("Не хватает памяти, чтобы открыть файл ") + QFileInfo(path).fileName() + ".");
  } catch (const std::exception& e) {
    ReportFailure(nullptr, e);
  }
  busy_ = false;
  loading_ = false;
  if (ok) {
    opened_[static_cast<size_t>(v)] = QFileInfo(path).absoluteFilePath();
    Remember(path);
    emit PaneLoaded(v);
  }
  ShowName(v);
  if (compareWaiting_) {
    compareWaiting_ = false;
    emit CompareWaitingChanged(false);
    // After this command has unwound; a file that could not be opened has said so instead.
    if (ok) QTimer::singleShot(0, this, [this] { host_.PressCompare(); });
  }
  return ok;
}

bool TOpenFiles::DeferCompare() {
  if (!loading_) return false;
  if (!compareWaiting_) {
    compareWaiting_ = true;
    for (const TPaneBar& b : bars_)
      if (b.Name && b.Name->property("loadingText").toString() == b.Name->text())
        b.Name->setText(b.Name->text() + U(" Сравнение начнётся, как только файл откроется."));
    emit CompareWaitingChanged(true);
  }
  return true;
}

void TOpenFiles::OpenAtStart(const QStringList& files) {
  if (files.isEmpty()) return;
  auto* poll = new QTimer(this);
  poll->setInterval(50);
  connect(poll, &QTimer::timeout, this, [this, poll, files] {
    if (!host_.PanesReady()) return;
    poll->stop();
    poll->deleteLater();
    const bool first = OpenFile(1, files[0]);
    if (files.size() < 2) return;
    if (OpenFile(2, files[1]) && first) host_.PressCompare();
  });
  poll->start();
}

void TOpenFiles::UpdateState() {
  const bool entry = host_.TextEntry();
  for (int v : {1, 2}) {
    ShowName(v);
    bars_[static_cast<size_t>(v)].Bar->setVisible(entry);
  }
}

void TOpenFiles::ForgetFiles() {
  opened_[1].clear();
  opened_[2].clear();
  for (int v : {1, 2}) ShowName(v);
}

bool TOpenFiles::eventFilter(QObject* watched, QEvent* e) {
  if (e->type() != QEvent::KeyPress) return false;
  auto* key = static_cast<QKeyEvent*>(e);
  if ((key->modifiers() & ~Qt::KeypadModifier) != Qt::ControlModifier || key->key() != Qt::Key_O) return false;
  auto* widget = qobject_cast<QWidget*>(watched);
  if (!widget || widget->window() != host_.MainWindow() || !host_.TextEntry()) return false;
  // Later: the key's own processing ends before the dialog's loop starts.
  const int v = host_.CurrentViewIndex();
  QTimer::singleShot(0, this, [this, v] { acOpenFileExecute(v); });
  return true;
}

