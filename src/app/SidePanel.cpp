#include "app/SidePanel.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QSettings>
#include <QSplitter>
#include <QStackedWidget>
#include <QToolButton>
#include <QVBoxLayout>

namespace {
constexpr int kMinWidth = 120;
QString U(const char* utf8) { return QString::fromUtf8(utf8); }
}  // namespace

TSidePanel::TSidePanel(QSplitter* splitter) : QWidget(nullptr), splitter_(splitter) {
  setObjectName("SidePanel");
  setMinimumWidth(kMinWidth);
  auto* column = new QVBoxLayout(this);
  column->setContentsMargins(0, 0, 0, 0);
  column->setSpacing(0);

  auto* header = new QWidget(this);
  header->setObjectName("SidePanelHeader");
  auto* row = new QHBoxLayout(header);
  row->setContentsMargins(6, 1, 1, 1);
  title_ = new QLabel(header);
  hide_ = new QToolButton(header);
  hide_->setObjectName("bSidePanelHide");
  hide_->setAutoRaise(true);
  hide_->setText(U("✕"));
  hide_->setToolTip(U("Скрыть боковую панель"));
  hide_->setFocusPolicy(Qt::NoFocus);
  connect(hide_, &QToolButton::clicked, this, [this] { SetOpen(false); });
  row->addWidget(title_, 1);
  row->addWidget(hide_);
  column->addWidget(header);

  pages_ = new QStackedWidget(this);
  column->addWidget(pages_, 1);

  const int index = splitter_->count();
  splitter_->addWidget(this);
  splitter_->setStretchFactor(index, 0);
  for (int i = 0; i < index; ++i) splitter_->setStretchFactor(i, 1);
  splitter_->setCollapsible(index, false);

  show_ = new QToolButton;
  show_->setObjectName("bSidePanelShow");
  show_->setArrowType(Qt::LeftArrow);
  show_->setAutoRaise(true);
  show_->setToolTip(U("Показать боковую панель со справкой"));
  show_->setFocusPolicy(Qt::NoFocus);
  show_->setFixedWidth(14);
  show_->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Expanding);
  show_->hide();
  splitter_->addWidget(show_);
  splitter_->setStretchFactor(index + 1, 0);
  splitter_->setCollapsible(index + 1, false);
  connect(show_, &QToolButton::clicked, this, [this] { SetOpen(true); });
  connect(splitter_, &QSplitter::splitterMoved, this, [this] {
    if (open_) QSettings().setValue(WidthKey(), width());
    emit WidthChanged();
  });
  Apply(QSettings().value(ShownKey(), true).toBool());
}

void TSidePanel::AddPage(QWidget* page, const QString& title) {
  page->setProperty("sidePanelTitle", title);
  pages_->addWidget(page);
  if (pages_->count() == 1) ShowPage(page);
}

void TSidePanel::ShowPage(QWidget* page) {
  pages_->setCurrentWidget(page);
  title_->setText(page->property("sidePanelTitle").toString());
}

QString TSidePanel::ShownKey() const {
  return result_ ? QStringLiteral("SidePanel/ShownWithResult") : QStringLiteral("SidePanel/ShownInEntry");
}

QString TSidePanel::WidthKey() const {
  return result_ ? QStringLiteral("SidePanel/WidthWithResult") : QStringLiteral("SidePanel/Width");
}

int TSidePanel::KeptWidth() const {
  return qMax(kMinWidth, QSettings().value(WidthKey(), result_ ? kDefaultResultWidth : kDefaultWidth).toInt());
}

void TSidePanel::SetResultMode(bool result) {
  const bool changed = result != result_;
  result_ = result;
  show_->setToolTip(result ? U("Показать список изменений") : U("Показать боковую панель со справкой"));
  Apply(QSettings().value(ShownKey(), true).toBool(), changed);
}

void TSidePanel::SetOpen(bool open) {
  QSettings().setValue(ShownKey(), open);
  Apply(open);
}

void TSidePanel::Apply(bool open, bool modeChanged) {
  const bool changed = modeChanged || open != open_ || isHidden() == open;
  open_ = open;
  if (!changed) return;
  setVisible(open);
  show_->setVisible(!open);
  if (open) {
    // The views give the panel its kept width back.
    int wanted = KeptWidth();
    QList<int> sizes = splitter_->sizes();
    int total = 0;
    for (int s : sizes) total += s;
    const int index = splitter_->indexOf(this);
    // A narrow window leaves the views at least half of its width.
    wanted = qMin(wanted, total / 2);
    if (total > wanted + kMinWidth && index > 0) {
      sizes[index + 1] = 0;  // the strip, hidden now
      sizes[index] = wanted;
      sizes[index - 1] = total - wanted;
      for (int i = 0; i < index - 1; ++i) sizes[index - 1] -= sizes[i];
      splitter_->setSizes(sizes);
    }
  }
  emit WidthChanged();
}

QSize TSidePanel::sizeHint() const {
  return QSize(KeptWidth(), QWidget::sizeHint().height());
}
