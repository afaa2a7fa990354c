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
  int x = r.left();
  for (int k = 0; k < 3 && x < r.right(); ++k) {
    if (parts[k].isEmpty()) continue;
    const QFont& f = k == 1 ? bold : opt.font;
    const QFontMetrics fm(f);
    painter->setFont(f);
    painter->setPen(k == 1 && !selected ? changed_ : text);
    const int room = r.right() - x;
    const int w = fm.horizontalAdvance(parts[k]);
    if (w > room) {
      painter->drawText(QRect(x, r.top(), room, r.height()), Qt::AlignLeft | Qt::AlignVCenter,
                        fm.elidedText(parts[k], Qt::ElideRight, room));
      break;
    }
    painter->drawText(QRect(x, r.top(), w, r.height()), Qt::AlignLeft | Qt::AlignVCenter, parts[k]);
    x += w;
  }
  painter->restore();
}
