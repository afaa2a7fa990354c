#include "app/VerCmpRun.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QCloseEvent>
#include <QGuiApplication>
#include <QScreen>

#include <exception>
#include <memory>

#include "app/MessageBox.h"
#include "app/VerCmp.h"
#include "app/Workspace.h"
#include "engine/Diff.h"
#include "engine/ResultPages.h"

bool AbortRequested = false;

TVerCmpRun::TVerCmpRun(TVerCmp* mainWindow)
    : QDialog(mainWindow, Qt::Dialog | Qt::FramelessWindowHint), mainWindow_(mainWindow) {
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
  if (QScreen* screen = mainWindow ? mainWindow->screen() : QGuiApplication::primaryScreen())
    move(screen->geometry().center() - rect().center());

  // FormCreate
  started_ = false;
  succeeded_ = false;
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
  try {
    succeeded_ = RunComparison();
  } catch (const std::exception& e) {
    // A page that cannot be written or a view that fails: the texts go back into the views, the
    // failure is said, and the window closes as cancelled.
    succeeded_ = false;
    try {
      RestoreEnteredTexts();
    } catch (const std::exception&) {
      // the first failure is the one to report
    }
    if (!mainWindow_->CloseRequested()) ShowMessageBox(QString::fromUtf8(e.what()));
  }
  Timer1->start();
}

int TVerCmpRun::Exec() {
  QEventLoop loop;
  connect(this, &QDialog::finished, &loop, &QEventLoop::quit);
  qApp->installEventFilter(this);
  StartReadingTexts();
  show();
  raise();
  activateWindow();
  loop.exec();
  qApp->removeEventFilter(this);
  return result();
}

bool TVerCmpRun::eventFilter(QObject* watched, QEvent* e) {
  // Input meant for any other window is dropped while the run lasts; closing is not input.
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
    case QEvent::Drop: {
      for (QObject* o = watched; o; o = o->parent())
        if (o == this) return false;
      // Message boxes shown during the run (their own modality guards them) take their input.
      if (auto* w = qobject_cast<QWidget*>(watched); w && w->window() != mainWindow_ && w->window()->isModal())
        return false;
      return true;
    }
    default:
      return false;
  }
}

void TVerCmpRun::StartReadingTexts() {
  // A view that is still loading is read by the run once it is ready.
  THtmlView* views[3] = {nullptr, mainWindow_->WB1, mainWindow_->WB2};
  for (size_t v = 1; v <= 2; ++v) {
    reading_[v] = views[v]->HasDocument() && views[v]->ReadyState() >= rsComplete;
    if (reading_[v]) views[v]->StartOuterHtml(TElementRef::Body());
  }
  // Then both pages turn read-only. A page switched first restyles itself before it serialises
  // (tens of milliseconds for a code); asked in this order it hands out its text at once, and
  // the text is the same.
  for (size_t v = 1; v <= 2; ++v) views[v]->StartSetDesignMode(false);
}

void TVerCmpRun::RestoreEnteredTexts() {
  if (!navigated_ || mainWindow_->CloseRequested()) return;
  TVerCmp& w = *mainWindow_;
  for (int v = 1; v <= 2; ++v) {
    const QString path = w.WorkDir + (v == 1 ? "c1.htm" : "c2.htm");
    WritePageFile(ToNativeBytes(path), PageHead(w.StyleSheetName) + enteredBody_[static_cast<size_t>(v)] + "</html>");
    w.Views[static_cast<size_t>(v)]->Navigate(ToNativeBytes(path));
  }
  for (int v = 1; v <= 2; ++v) w.Views[static_cast<size_t>(v)]->WaitReady();
  navigated_ = false;
}

void TVerCmpRun::Timer1Timer() {
  Timer1->stop();
  closing_ = true;
  done(succeeded_ ? QDialog::Accepted : QDialog::Rejected);
}

void TVerCmpRun::bStopClick() {
  AbortRequested = true;
  if (diff_) diff_->Cancel();
  mainWindow_->WB1->Stop();
  mainWindow_->WB2->Stop();
}

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

bool TVerCmpRun::RunComparison() {
  TVerCmp& w = *mainWindow_;
  AbortRequested = false;
  w.StyleSheetName = "etalon5.css";

  // The texts as the views hold them: head + body + "</html>". Both views serialise their
  // documents at the same time.
  THtmlView* views[3] = {nullptr, w.WB1, w.WB2};
  for (int v = 1; v <= 2; ++v)
    if (!reading_[v] && views[v]->HasDocument()) views[v]->WaitReady();
  for (int v = 1; v <= 2; ++v)
    if (!reading_[v] && views[v]->HasDocument()) views[v]->StartOuterHtml(TElementRef::Body());
  reading_ = {};
  std::string texts[3];
  for (int v = 1; v <= 2; ++v) {
    enteredBody_[static_cast<size_t>(v)].clear();
    if (!views[v]->HasDocument()) continue;
    enteredBody_[static_cast<size_t>(v)] = views[v]->TakeOuterHtml();
    texts[v] = PageHead(w.StyleSheetName) + enteredBody_[static_cast<size_t>(v)] + "</html>";
  }
  std::string text1 = std::move(texts[1]);
  std::string text2 = std::move(texts[2]);
  if (text1.empty()) {
    ShowMessageBox(QStringLiteral("Текст 1 пуст"));
    return false;
  }
  if (text2.empty()) {
    ShowMessageBox(QStringLiteral("Текст 2 пуст"));
    return false;
  }

  TResultPages pages;
  {
    auto diff = std::make_unique<TDiff>();
    QElapsedTimer clock;
    clock.start();
    TDiff* d = diff.get();
    diff->SetProcessMessages([this, d, &clock] {
      ShowProgress(*d, clock.elapsed());
      QApplication::processEvents();
    });
    diff_ = diff.get();
    try {
      pages = BuildResultPages(std::move(text1), std::move(text2), *diff);
    } catch (...) {
      diff_ = nullptr;
      throw;
    }
    diff_ = nullptr;  // a later stop click only sets AbortRequested
  }

  // Stopped: the views still show the user's texts; nothing is written or loaded.
  auto stopped = [&] {
    RestoreEnteredTexts();
    w.Navigation->ChangeCount = 0;
    if (!w.CloseRequested()) ShowMessageBox(QStringLiteral("Операция прервана пользователем"));
    return false;
  };
  if (AbortRequested) return stopped();
  w.Navigation->ChangeCount = pages.ChangeCount;

  const QString path1 = w.WorkDir + "c1.htm", path2 = w.WorkDir + "c2.htm";
  WritePagePair(ToNativeBytes(path1), pages.Left, ToNativeBytes(path2), pages.Right);

  navigated_ = true;
  w.WB1->Navigate(ToNativeBytes(path1));
  w.WB2->Navigate(ToNativeBytes(path2));
  // The views parse their pages meanwhile.
  w.StoredBody[1] = std::move(pages.Left);
  ExtractBodyContent(w.StoredBody[1]);
  w.StoredBody[2] = std::move(pages.Right);
  ExtractBodyContent(w.StoredBody[2]);
  w.WB1->WaitReady();
  w.WB2->WaitReady();
  if (AbortRequested) return stopped();

  w.Navigation->MarkTops[1].assign(static_cast<size_t>(w.Navigation->ChangeCount), 0);
  w.Navigation->MarkTops[2].assign(static_cast<size_t>(w.Navigation->ChangeCount), 0);
  // Both pages are shown. Laying them out and measuring their marks is nothing the user sees:
  // the views do it while the progress window closes, and the main window takes the answer when
  // it enters the result. The view keeps the scroll position of a page loaded again from the
  // same file; a new result starts at its top.
  w.Navigation->StartMarkMeasuring(true);
  return true;
}
