#include "changelist/ChangeListFilter.h"

#include "changelist/ChangeListModel.h"

TChangeListFilter::TChangeListFilter(QObject* parent) : QSortFilterProxyModel(parent) {
  // A group row is shown when one of its changes is.
  setRecursiveFilteringEnabled(true);
  setDynamicSortFilter(false);
}

void TChangeListFilter::SetKind(int kind) {
  if (kind == kind_) return;
  kind_ = kind;
  invalidateRowsFilter();
}

void TChangeListFilter::SetSearch(const QString& text) {
  const QString s = text.trimmed().toLower();
  if (s == search_) return;
  search_ = s;
  invalidateRowsFilter();
}

bool TChangeListFilter::filterAcceptsRow(int sourceRow, const QModelIndex& sourceParent) const {
  const QModelIndex i = sourceModel()->index(sourceRow, 0, sourceParent);
  if (!sourceParent.isValid()) return !Active();  // a group row: by its changes
  if (kind_ >= 0 && i.data(TChangeListModel::KindRole).toInt() != kind_) return false;
  return search_.isEmpty() || i.data(TChangeListModel::SearchRole).toString().contains(search_);
}
