#include "output/PrintPreview.h"

#include <QAction>
#include <QLabel>
#include <QPdfDocument>
#include <QProgressBar>
#include <QScreen>
#include <QStackedWidget>
#include <QTemporaryFile>
#include <QToolBar>
#include <QVBoxLayout>

#include "output/PdfPagesView.h"

namespace {
QString U(const char* s) { return QString::fromUtf8(s); }
}  // namespace

TPrintPreview::TPrintPreview(QWidget* parent, const QString& title) : QDialog(parent) {
  setWindowTitle(title);
  setSizeGripEnabled(true);
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(0);

  auto* bar = new QToolBar(this);
  print_ = bar->addAction(U("Печать..."), this, [this] {
    if (Print) Print();
  });
  bar->addSeparator();
  pages_ = new TPdfPagesView(this);
  bar->addAction(U("По ширине"), this, [this] { pages_->SetFit(TPdfPagesView::fitWidth); });
  bar->addAction(U("Страница целиком"), this, [this] { pages_->SetFit(TPdfPagesView::fitPage); });
  bar->addAction(U("Уменьшить"), this, [this] { pages_->ZoomBy(1 / 1.25); });
  bar->addAction(U("Увеличить"), this, [this] { pages_->ZoomBy(1.25); });
  bar->addSeparator();
  pageLabel_ = new QLabel(bar);
  bar->addWidget(pageLabel_);
  for (QAction* a : bar->actions())
    if (a != print_) a->setEnabled(false);
  print_->setEnabled(false);
  layout->addWidget(bar);

  stack_ = new QStackedWidget(this);
  auto* progress = new QWidget(stack_);
  auto* column = new QVBoxLayout(progress);
  column->addStretch();
  stage_ = new QLabel(U("Готовятся страницы для просмотра…"), progress);
  stage_->setAlignment(Qt::AlignCenter);
  stage_->setWordWrap(true);
  busy_ = new QProgressBar(progress);
  busy_->setRange(0, 0);  // how long the engine takes is not known beforehand
  busy_->setTextVisible(false);
  busy_->setMaximumWidth(420);
  elapsed_ = new QLabel(progress);
  elapsed_->setAlignment(Qt::AlignCenter);
  column->addWidget(stage_);
  column->addWidget(busy_, 0, Qt::AlignHCenter);
  column->addWidget(elapsed_);
  column->addStretch();
  stack_->addWidget(progress);
  stack_->addWidget(pages_);
  layout->addWidget(stack_);
  connect(pages_, &TPdfPagesView::CurrentPageChanged, this, &TPrintPreview::UpdatePageLabel);

  tick_.setInterval(1000);
  connect(&tick_, &QTimer::timeout, this, &TPrintPreview::UpdateElapsed);

  // Large enough to read a page also where no window manager maximises it.
  if (const QScreen* screen = this->screen()) resize(screen->availableGeometry().size() * 0.9);
  setWindowState(Qt::WindowMaximized);
}

TPrintPreview::~TPrintPreview() {
  pages_->SetDocument(nullptr);
}

void TPrintPreview::showEvent(QShowEvent* e) {
  QDialog::showEvent(e);
  if (started_) return;
  started_ = true;
  clock_.start();
  tick_.start();
  UpdateElapsed();
  // The dialog paints its progress before the engine starts.
  QTimer::singleShot(0, this, [this] {
    if (MakePages) MakePages();
  });
}

void TPrintPreview::SetStage(const QString& text) { stage_->setText(text); }

void TPrintPreview::UpdateElapsed() {
  elapsed_->setText(U("Прошло %1 с").arg(clock_.elapsed() / 1000));
}

bool TPrintPreview::ShowPages(const QByteArray& pdf) {
  tick_.stop();
  // Qt PDF reads from a file synchronously, and only the pages it is asked for.
  auto file = std::make_unique<QTemporaryFile>();
  if (!file->open() || file->write(pdf) != pdf.size() || !file->flush()) {
    ShowFailure(U("Не удалось подготовить страницы: нет места во временной папке."));
    return false;
  }
  auto doc = std::make_unique<QPdfDocument>();
  if (doc->load(file->fileName()) != QPdfDocument::Error::None || doc->pageCount() == 0) {
    ShowFailure(U("Не удалось прочитать страницы печати."));
    return false;
  }
  pages_->SetDocument(doc.get());
  doc_ = std::move(doc);
  file_ = std::move(file);
  stack_->setCurrentWidget(pages_);
  for (QAction* a : findChildren<QToolBar*>().value(0)->actions()) a->setEnabled(true);
  UpdatePageLabel(0);
  pages_->setFocus();
  return true;
}

void TPrintPreview::ShowFailure(const QString& text) {
  tick_.stop();
  busy_->hide();
  elapsed_->hide();
  stage_->setText(text);
}

bool TPrintPreview::PagesShown() const { return stack_->currentWidget() == pages_; }

void TPrintPreview::UpdatePageLabel(int page) {
  pageLabel_->setText(U("  Стр. %1 из %2").arg(page + 1).arg(pages_->PageCount()));
}
