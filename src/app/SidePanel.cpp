#include "app/SidePanel.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QSettings>
#include <QSplitter>
#include <QStackedWidget>
#include <QToolButton>
#include <QVBoxLayout>

namespace {
const char* kWidthKey = "SidePanel/Width";
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
  auto* close = new QToolButton(header);
  close->setObjectName("bSidePanelClose");
  close->setAutoRaise(true);
  close->setText(U("✕"));
  close->setToolTip(U("Скрыть боковую панель"));
  close->setFocusPolicy(Qt::NoFocus);
  connect(close, &QToolButton::clicked, this, [this] { SetOpen(false); });
  row->addWidget(title_, 1);
  row->addWidget(close);
  column->addWidget(header);

  pages_ = new QStackedWidget(this);
  column->addWidget(pages_, 1);

  const int index = splitter_->count();
  splitter_->addWidget(this);
  splitter_->setStretchFactor(index, 0);
  for (int i = 0; i < index; ++i) splitter_->setStretchFactor(i, 1);
  splitter_->setCollapsible(index, false);
  connect(splitter_, &QSplitter::splitterMoved, this, [this] {
    if (open_) QSettings().setValue(kWidthKey, width());
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

void TSidePanel::SetResultMode(bool result) {
  result_ = result;
  Apply(QSettings().value(ShownKey(), !result).toBool());
}

void TSidePanel::SetOpen(bool open) {
  QSettings().setValue(ShownKey(), open);
  Apply(open);
}

void TSidePanel::Apply(bool open) {
  const bool changed = open != open_ || isHidden() == open;
  open_ = open;
  if (toggle_) toggle_->setChecked(open);
  if (!changed) return;
  setVisible(open);
  if (open) {
    // The views give the panel its kept width back.
    const int wanted = qMax(kMinWidth, QSettings().value(kWidthKey, kDefaultWidth).toInt());
    QList<int> sizes = splitter_->sizes();
    int total = 0;
    for (int s : sizes) total += s;
    const int index = splitter_->indexOf(this);
    if (total > wanted + kMinWidth && index > 0) {
      sizes[index] = wanted;
      sizes[index - 1] = total - wanted;
      for (int i = 0; i < index - 1; ++i) sizes[index - 1] -= sizes[i];
      splitter_->setSizes(sizes);
    }
  }
  emit WidthChanged();
}

QSize TSidePanel::sizeHint() const {
  return QSize(qMax(kMinWidth, QSettings().value(kWidthKey, kDefaultWidth).toInt()), QWidget::sizeHint().height());
}

QToolButton* TSidePanel::CreateToggleButton(QWidget* parent) {
  toggle_ = new QToolButton(parent);
  toggle_->setObjectName("bSidePanel");
  toggle_->setText(U("Боковая панель"));
  toggle_->setToolTip(U("Показать или скрыть боковую панель"));
  toggle_->setCheckable(true);
  toggle_->setAutoRaise(true);
  toggle_->setFocusPolicy(Qt::NoFocus);
  toggle_->setChecked(open_);
  connect(toggle_, &QToolButton::clicked, this, [this] { Toggle(); });
  return toggle_;
}
