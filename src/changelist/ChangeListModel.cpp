#include "changelist/ChangeListModel.h"

#include <QStringList>

#include <algorithm>

#include "changelist/ChangeListText.h"
#include "engine/ChangesJson.h"
#include "support/Cp1251.h"

namespace {

// Character references of the texts (and the list's own arrow, which the code page lacks) resolved.
QString Q(const std::string& cp1251Text) { return QString::fromStdString(Utf8Text(cp1251Text)); }

// A group row's id is 0; an entry row's is its group's number + 1.
constexpr quintptr kGroupId = 0;

}  // namespace

TChangeListModel::TChangeListModel(QObject* parent) : QAbstractItemModel(parent) {}

void TChangeListModel::SetList(TChangeList list) {
  beginResetModel();
  list_ = std::move(list);
  entries_.clear();
  entries_.reserve(list_.Entries.size());
  groups_.assign(std::max<size_t>(list_.Groups.size(), 1), {});
  rowInGroup_.assign(list_.Entries.size(), 0);
  for (size_t i = 0; i < list_.Entries.size(); ++i) {
    const TChangeEntry& e = list_.Entries[i];
    TShownEntry s;
    s.Number = QString::number(e.N);
    s.Where = Q(ShownAddress(e));
    s.What = Q(ShownKind(e));
    s.Was[0] = Q(e.Was.Before), s.Was[1] = Q(e.Was.Changed), s.Was[2] = Q(e.Was.After);
    s.Now[0] = Q(e.Now.Before), s.Now[1] = Q(e.Now.Changed), s.Now[2] = Q(e.Now.After);
    s.Search = (s.Where + '\n' + Q(e.Old.Address) + '\n' + Q(e.New.Address) + '\n' + s.What + '\n' +
                s.Was[0] + s.Was[1] + s.Was[2] + '\n' + s.Now[0] + s.Now[1] + s.Now[2])
                   .toLower();
    entries_.push_back(std::move(s));
    // An entry of no known group goes to the first, so that every change is listed.
    const size_t g = e.Group >= 0 && static_cast<size_t>(e.Group) < groups_.size() ? static_cast<size_t>(e.Group) : 0;
    rowInGroup_[i] = static_cast<int>(groups_[g].Entries.size());
    groups_[g].Entries.push_back(static_cast<int>(i));
  }
  for (size_t g = 0; g < groups_.size(); ++g) {
    const TChangeGroup heading = g < list_.Groups.size() ? list_.Groups[g] : TChangeGroup{};
    groups_[g].Title = Q(ShownHeading(heading)) + QStringLiteral(" — %1").arg(groups_[g].Entries.size());
  }
  // A group without changes has nothing to show.
  std::vector<TShownGroup> kept;
  groupOf_.assign(list_.Entries.size(), 0);
  for (TShownGroup& g : groups_) {
    if (g.Entries.empty()) continue;
    for (int i : g.Entries) groupOf_[static_cast<size_t>(i)] = static_cast<int>(kept.size());
    kept.push_back(std::move(g));
  }
  groups_ = std::move(kept);
  endResetModel();
}

QModelIndex TChangeListModel::EntryIndex(int i, int col) const {
  if (i < 0 || static_cast<size_t>(i) >= entries_.size()) return {};
  const size_t e = static_cast<size_t>(i);
  return createIndex(rowInGroup_[e], col, static_cast<quintptr>(groupOf_[e] + 1));
}

QModelIndex TChangeListModel::index(int row, int column, const QModelIndex& parent) const {
  if (row < 0 || column < 0 || column >= colCount) return {};
  if (!parent.isValid())
    return static_cast<size_t>(row) < groups_.size() ? createIndex(row, column, kGroupId) : QModelIndex();
  if (parent.internalId() != kGroupId || parent.column() != 0) return {};
  const size_t g = static_cast<size_t>(parent.row());
  if (g >= groups_.size() || static_cast<size_t>(row) >= groups_[g].Entries.size()) return {};
  return createIndex(row, column, static_cast<quintptr>(g + 1));
}

QModelIndex TChangeListModel::parent(const QModelIndex& child) const {
  if (!child.isValid() || child.internalId() == kGroupId) return {};
  return createIndex(static_cast<int>(child.internalId() - 1), 0, kGroupId);
}

int TChangeListModel::rowCount(const QModelIndex& parent) const {
  if (!parent.isValid()) return static_cast<int>(groups_.size());
  if (parent.internalId() != kGroupId || parent.column() != 0) return 0;
  return static_cast<int>(groups_[static_cast<size_t>(parent.row())].Entries.size());
}

int TChangeListModel::columnCount(const QModelIndex&) const { return colCount; }

QVariant TChangeListModel::data(const QModelIndex& index, int role) const {
  if (!index.isValid()) return {};
  if (index.internalId() == kGroupId) {
    if (role == EntryRole) return -1;
    if (index.column() != 0) return {};
    if (role == Qt::DisplayRole || role == Qt::ToolTipRole) return groups_[static_cast<size_t>(index.row())].Title;
    if (role == SearchRole) return QString();
    return {};
  }
  const TShownGroup& g = groups_[static_cast<size_t>(index.internalId() - 1)];
  return EntryData(g.Entries[static_cast<size_t>(index.row())], index.column(), role);
}

QVariant TChangeListModel::EntryData(int entry, int column, int role) const {
  const TShownEntry& s = entries_[static_cast<size_t>(entry)];
  switch (role) {
    case EntryRole: return entry;
    case KindRole: return static_cast<int>(list_.Entries[static_cast<size_t>(entry)].Kind);
    case SearchRole: return s.Search;
    case ExcerptRole:
      if (column == colWas) return QStringList{s.Was[0], s.Was[1], s.Was[2]};
      if (column == colNow) return QStringList{s.Now[0], s.Now[1], s.Now[2]};
      return {};
    case Qt::TextAlignmentRole:
      return column == colNumber ? QVariant(Qt::AlignLeft | Qt::AlignVCenter) : QVariant();
    case Qt::DisplayRole:
    case Qt::ToolTipRole:
      switch (column) {
        case colNumber: return s.Number;
        case colWhere: return s.Where;
        case colWhat: return s.What;
        case colWas: return s.Was[0] + s.Was[1] + s.Was[2];
        case colNow: return s.Now[0] + s.Now[1] + s.Now[2];
      }
  }
  return {};
}

QVariant TChangeListModel::headerData(int section, Qt::Orientation orientation, int role) const {
  if (orientation != Qt::Horizontal || role != Qt::DisplayRole) return {};
  static const char* const titles[colCount] = {"№", "Где", "Что", "Было", "Стало"};
  return section >= 0 && section < colCount ? QString::fromUtf8(titles[section]) : QVariant();
}
