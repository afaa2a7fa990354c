#include "changelist/ExcerptDelegate.h"

#include <QApplication>
#include <QPainter>
#include <QStringList>

#include "changelist/ChangeListModel.h"

TExcerptDelegate::TExcerptDelegate(QColor changed, QObject* parent)
    : QStyledItemDelegate(parent), changed_(changed) {}

void TExcerptDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option,
                             const QModelIndex& index) const {
  const QStringList parts = index.data(TChangeListModel::ExcerptRole).toStringList();
  if (parts.size() != 3) {
    QStyledItemDelegate::paint(painter, option, index);
    return;
  }
  // The cell's background and selection as any other cell, without its text.
  QStyleOptionViewItem opt = option;
  initStyleOption(&opt, index);
  opt.text.clear();
  QStyle* style = opt.widget ? opt.widget->style() : QApplication::style();
  style->drawControl(QStyle::CE_ItemViewItem, &opt, painter, opt.widget);

  const bool selected = opt.state & QStyle::State_Selected;
  const QColor text = opt.palette.color(selected ? QPalette::HighlightedText : QPalette::Text);
  const QRect r = style->subElementRect(QStyle::SE_ItemViewItemText, &opt, opt.widget).adjusted(2, 0, -2, 0);
  QFont bold = opt.font;
  bold.setBold(true);
  painter->save();
  painter->setClipRect(r);
  // Where the whole does not fit, the changed words come first: the context before them keeps
  // at most a fifth of the cell, cut at its start. Each piece is measured once and drawn at its
  // baseline, without a layout of its own.
  const QFontMetrics plain(opt.font), strong(bold);
  const int widths[3] = {plain.horizontalAdvance(parts[0]), strong.horizontalAdvance(parts[1]),
                         plain.horizontalAdvance(parts[2])};
  const int room = r.width();
  const int beforeRoom = widths[0] + widths[1] <= room ? widths[0] : qMin(widths[0], room / 5);
  const int baseline = r.top() + (r.height() - plain.height()) / 2 + plain.ascent();
  int x = r.left();
  for (int k = 0; k < 3; ++k) {
    const int width = k == 0 ? beforeRoom : r.right() + 1 - x;
    if (parts[k].isEmpty() || width <= 0) continue;
    const QFontMetrics& fm = k == 1 ? strong : plain;
    painter->setFont(k == 1 ? bold : opt.font);
    painter->setPen(k == 1 && !selected ? changed_ : text);
    if (widths[k] <= width) {
      painter->drawText(QPoint(x, baseline), parts[k]);
      x += widths[k];
    } else {
      painter->drawText(QPoint(x, baseline), fm.elidedText(parts[k], k == 0 ? Qt::ElideLeft : Qt::ElideRight, width));
      x += width;
    }
  }
  painter->restore();
}
