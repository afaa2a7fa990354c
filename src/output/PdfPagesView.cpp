#include "output/PdfPagesView.h"

#include <QKeyEvent>
#include <QPainter>
#include <QPdfDocument>
#include <QScrollBar>

#include <algorithm>
#include <cmath>

namespace {
constexpr int kGap = 12;  // between pages and around them
constexpr double kMinScale = 0.1, kMaxScale = 8.0;
}  // namespace

TPdfPagesView::TPdfPagesView(QWidget* parent) : QAbstractScrollArea(parent) {
  viewport()->setAutoFillBackground(true);
  QPalette p = viewport()->palette();
  p.setColor(viewport()->backgroundRole(), QColor(0x80, 0x80, 0x80));  // paper stands out
  viewport()->setPalette(p);
  setFocusPolicy(Qt::StrongFocus);
}

void TPdfPagesView::SetDocument(QPdfDocument* doc) {
  doc_ = doc;
  cache_.clear();
  pages_.clear();
  if (doc_)
    for (int i = 0; i < doc_->pageCount(); ++i) pages_.push_back(doc_->pagePointSize(i));
  lastCurrent_ = -1;
  Relayout();
  verticalScrollBar()->setValue(0);
  viewport()->update();
}

void TPdfPagesView::SetFit(TFit fit) {
  fit_ = fit;
  Relayout();
}

void TPdfPagesView::ZoomBy(double factor) {
  const int page = CurrentPage();
  fit_ = fitNone;
  scale_ = std::clamp(scale_ * factor, kMinScale, kMaxScale);
  Relayout();
  ShowPage(page);
}

void TPdfPagesView::Relayout() {
  const QSize room = viewport()->size() - QSize(2 * kGap, 2 * kGap);
  if (!pages_.empty() && room.width() > 0 && room.height() > 0) {
    double widest = 0, tallest = 0;
    for (const QSizeF& s : pages_) {
      widest = std::max(widest, s.width());
      tallest = std::max(tallest, s.height());
    }
    if (fit_ == fitWidth && widest > 0) scale_ = room.width() / widest;
    if (fit_ == fitPage && widest > 0 && tallest > 0) scale_ = std::min(room.width() / widest, room.height() / tallest);
    scale_ = std::clamp(scale_, kMinScale, kMaxScale);
  }
  placed_.clear();
  int y = kGap, width = 0;
  for (const QSizeF& s : pages_) {
    const QSize px(std::max(1, int(std::lround(s.width() * scale_))), std::max(1, int(std::lround(s.height() * scale_))));
    placed_.emplace_back(QPoint(0, y), px);
    y += px.height() + kGap;
    width = std::max(width, px.width());
  }
  documentSize_ = QSize(width + 2 * kGap, y);
  for (QRect& r : placed_) r.moveLeft((documentSize_.width() - r.width()) / 2);
  const QSize view = viewport()->size();
  verticalScrollBar()->setRange(0, std::max(0, documentSize_.height() - view.height()));
  verticalScrollBar()->setPageStep(view.height());
  verticalScrollBar()->setSingleStep(40);
  horizontalScrollBar()->setRange(0, std::max(0, documentSize_.width() - view.width()));
  horizontalScrollBar()->setPageStep(view.width());
  viewport()->update();
}

int TPdfPagesView::CurrentPage() const {
  if (placed_.empty()) return 0;
  const int middle = verticalScrollBar()->value() + viewport()->height() / 2;
  const auto after = std::upper_bound(placed_.begin(), placed_.end(), middle,
                                      [](int y, const QRect& r) { return y < r.top(); });
  return std::max(0, static_cast<int>(after - placed_.begin()) - 1);
}

void TPdfPagesView::ShowPage(int page) {
  if (placed_.empty()) return;
  page = std::clamp(page, 0, PageCount() - 1);
  verticalScrollBar()->setValue(placed_[static_cast<size_t>(page)].top() - kGap);
}

const QImage& TPdfPagesView::Rendered(int page, QSize pixels, int inSight) {
  for (auto it = cache_.begin(); it != cache_.end(); ++it)
    if (it->Page == page && it->Pixels == pixels) {
      cache_.splice(cache_.begin(), cache_, it);
      return cache_.front().Image;
    }
  QImage image(pixels, QImage::Format_RGB32);  // on white, as on paper
  image.fill(Qt::white);
  QPainter(&image).drawImage(0, 0, doc_->render(page, pixels));
  ++rendered_;
  cache_.push_front({page, pixels, std::move(image)});
  const size_t limit = static_cast<size_t>(std::max(kCachedPages, inSight));
  while (cache_.size() > limit) cache_.pop_back();
  return cache_.front().Image;
}

void TPdfPagesView::paintEvent(QPaintEvent*) {
  QPainter p(viewport());
  if (!doc_ || placed_.empty()) return;
  const QPoint offset(horizontalScrollBar()->value() - std::max(0, (viewport()->width() - documentSize_.width()) / 2),
                      verticalScrollBar()->value());
  const QRect visible(offset, viewport()->size());
  const qreal ratio = devicePixelRatioF();
  auto first = std::upper_bound(placed_.begin(), placed_.end(), visible.top(),
                                [](int y, const QRect& r) { return y < r.bottom(); });
  int inSight = 0;
  for (auto it = first; it != placed_.end() && it->top() <= visible.bottom(); ++it) ++inSight;
  for (auto it = first; it != placed_.end() && it->top() <= visible.bottom(); ++it) {
    const QRect target = it->translated(-offset);
    const QImage& image = Rendered(static_cast<int>(it - placed_.begin()), it->size() * ratio, inSight);
    p.drawImage(target, image);
    p.setPen(QColor(0x50, 0x50, 0x50));
    p.drawRect(target.adjusted(-1, -1, 0, 0));
  }
  const int current = CurrentPage();
  if (current != lastCurrent_) {
    lastCurrent_ = current;
    emit CurrentPageChanged(current);
  }
}

void TPdfPagesView::resizeEvent(QResizeEvent* e) {
  QAbstractScrollArea::resizeEvent(e);
  // The page at the top edge stays there (the middle moves with the new height).
  const int top = verticalScrollBar()->value() + kGap;
  const auto after = std::upper_bound(placed_.begin(), placed_.end(), top,
                                      [](int y, const QRect& r) { return y < r.top(); });
  const int page = std::max(0, static_cast<int>(after - placed_.begin()) - 1);
  Relayout();
  if (fit_ != fitNone) ShowPage(page);
}

void TPdfPagesView::scrollContentsBy(int, int) { viewport()->update(); }

void TPdfPagesView::keyPressEvent(QKeyEvent* e) {
  switch (e->key()) {
    case Qt::Key_Home: verticalScrollBar()->setValue(0); return;
    case Qt::Key_End: verticalScrollBar()->setValue(verticalScrollBar()->maximum()); return;
    default: QAbstractScrollArea::keyPressEvent(e);
  }
}
