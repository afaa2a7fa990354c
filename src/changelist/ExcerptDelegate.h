#pragma once
// Paints «Было» and «Стало» on one line: the context plain, the changed words bold in the side's
// colour (removed red, added green), cut with an ellipsis where the column ends. Plain drawing,
// no rich text, so that a list of a thousand rows scrolls as smoothly as a plain one.
#include <QColor>
#include <QStyledItemDelegate>

class TExcerptDelegate : public QStyledItemDelegate {
  Q_OBJECT

 public:
  TExcerptDelegate(QColor changed, QObject* parent);
  void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override;

 private:
  QColor changed_;
};
