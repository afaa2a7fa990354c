#include "app/VerCmpRun.h"

#include <QApplication>
#include <QCloseEvent>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QGuiApplication>
#include <QScreen>
#include <QWindow>

#include "engine/Diff.h"

namespace {

// The top-level widget an event is meant for. Input reaches a widget through its native window
// first, and that window is no widget; a shortcut goes to an action owned by a window.
QWidget* TopLevelOf(QObject* target) {
  for (QObject* o = target; o; o = o->parent()) {
    if (auto* w = qobject_cast<QWidget*>(o)) return w->window();
    if (auto* window = qobject_cast<QWindow*>(o))
      for (QWidget* top : QApplication::topLevelWidgets())
        if (top->windowHandle() == window) return top;
  }
  return nullptr;
}

}  // namespace

TVerCmpRun::TVerCmpRun(TComparisonRun& run, QWidget* blockedWindow)
    : QDialog(blockedWindow, Qt::Dialog | Qt::FramelessWindowHint), run_(run), blockedWindow_(blockedWindow) {
  setWindowTitle(QStringLiteral("Выполняется сравнение ..."));
  setModal(true);
  setFixedSize(322, 62);

  Panel1 = new QFrame(this);
  Panel1->setGeometry(0, 0, 322, 62);
  Panel1->setFrameShape(QFrame::Panel);
  Panel1->setFrameShadow(QFrame::Raised);
  Panel1->setLineWidth(2);

  QFont f = font();
  f.setPixelSize(11);
  setFont(f);
  LProcess = new QLabel(QStringLiteral("Выполняется сравнение ..."), Panel1);
  QFont bold = f;
  bold.setPixelSize(13);
  bold.setBold(true);
  LProcess->setFont(bold);
  LProcess->adjustSize();
  LProcess->move(16, 24);

  bStop = new QPushButton(QStringLiteral("Прервать"), Panel1);
  bStop->setGeometry(229, 21, 75, 25);
  bStop->setDefault(false);
  bStop->setAutoDefault(false);
  connect(bStop, &QPushButton::clicked, this, [this] { bStopClick(); });

  Timer1 = new QTimer(this);
  Timer1->setInterval(55);
  Timer1->setSingleShot(false);
  connect(Timer1, &QTimer::timeout, this, [this] { Timer1Timer(); });

  // Centred on the screen.
  if (QScreen* screen = blockedWindow ? blockedWindow->screen() : QGuiApplication::primaryScreen())
    move(screen->geometry().center() - rect().center());

}

TVerCmpRun::~TVerCmpRun() = default;

void TVerCmpRun::ShowProgress(const TDiff& diff, qint64 elapsedMs) {
  // A comparison of related editions ends within a second; past that the user is told how long
  // it has run and, when the search has already gone far (unrelated texts: its cost grows with
  // the length times the differences), that it may take minutes and can be stopped.
  if (elapsedMs < kProgressAfterMs || elapsedMs - shownProgressMs_ < 1000) return;
  shownProgressMs_ = elapsedMs;
  const bool unrelated = diff.SearchSize() > 0 && diff.SearchDepth() * 40 > diff.SearchSize();
  QString text = unrelated ? QStringLiteral("Тексты почти не совпадают: сравнение может занять "
                                            "несколько минут, его можно прервать. ")
                           : QString();
  text += QStringLiteral("Прошло %1 с.").arg(elapsedMs / 1000);
  if (!LProgress) {
    setFixedSize(322, 112);
    Panel1->setGeometry(0, 0, 322, 112);
    LProgress = new QLabel(Panel1);
    LProgress->setWordWrap(true);
    LProgress->setGeometry(16, 56, 290, 44);
    LProgress->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    LProgress->show();
  }
  LProgress->setText(text);
}

void TVerCmpRun::showEvent(QShowEvent* e) {
  QDialog::showEvent(e);
  // Activation: the run starts once the window is up.
  QTimer::singleShot(0, this, [this] { FormActivate(); });
}

void TVerCmpRun::FormActivate() {
  if (started_) return;
  started_ = true;
  QApplication::processEvents();
  QElapsedTimer clock;
  clock.start();
  result_ = run_.Run([this, &clock](const TDiff& diff) {
    ShowProgress(diff, clock.elapsed());
    QApplication::processEvents();
  });
  // Whatever the outcome, this window closes first; the main window reports it afterwards.
  Timer1->start();
}

int TVerCmpRun::Exec() {
  QEventLoop loop;
  connect(this, &QDialog::finished, &loop, &QEventLoop::quit);
  qApp->installEventFilter(this);
  run_.StartReadingTexts();
  show();
  raise();
  activateWindow();
  loop.exec();
  qApp->removeEventFilter(this);
  return result();
}

bool TVerCmpRun::eventFilter(QObject* watched, QEvent* e) {
  // Input meant for the blocked window is dropped while the run lasts; closing is not input.
  // Everything else, this window included, takes its input as usual.
  switch (e->type()) {
    case QEvent::KeyPress:
    case QEvent::KeyRelease:
    case QEvent::ShortcutOverride:
    case QEvent::Shortcut:
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick:
    case QEvent::Wheel:
    case QEvent::ContextMenu:
    case QEvent::DragEnter:
    case QEvent::DragMove:
    case QEvent::Drop:
      return blockedWindow_ && TopLevelOf(watched) == blockedWindow_;
    default:
      return false;
  }
}

void TVerCmpRun::Timer1Timer() {
  Timer1->stop();
  closing_ = true;
  done(result_.Outcome == TRunOutcome::roProduced ? QDialog::Accepted : QDialog::Rejected);
}

void TVerCmpRun::bStopClick() { run_.Stop(); }

void TVerCmpRun::reject() {
  // Esc is the stop button; only the timer closes the window.
  if (closing_) QDialog::reject();
  else bStopClick();
}

void TVerCmpRun::closeEvent(QCloseEvent* e) {
  if (!closing_) {
    bStopClick();
    e->ignore();
    return;
  }
  QDialog::closeEvent(e);
}
