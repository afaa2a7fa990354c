#pragma once
// The change list as a tree for the view: one row per article (its heading and count of
// changes), under it one row per change with the columns №, «Где», «Что», «Было», «Стало».
// Every text is converted once, when the list is set, so that painting and filtering only read.
#include <QAbstractItemModel>
#include <QString>

#include <vector>

#include "engine/ChangeList.h"

class TChangeListModel : public QAbstractItemModel {
  Q_OBJECT

 public:
  enum TColumn { colNumber, colWhere, colWhat, colWas, colNow, colCount };
  enum TRole {
    EntryRole = Qt::UserRole + 1,  // the entry's index into the list; -1 on a group row
    KindRole,                      // the entry's TAmendmentKind as int
    ExcerptRole,                   // «Было»/«Стало»: QStringList {before, changed, after}
    SearchRole,                    // everything the search field looks in, small letters
  };

  explicit TChangeListModel(QObject* parent = nullptr);

  void SetList(TChangeList list);
  void Clear() { SetList({}); }
  const TChangeList& List() const { return list_; }
  int EntryCount() const { return static_cast<int>(list_.Entries.size()); }
  // The row of entry i (column col), or an invalid index.
  QModelIndex EntryIndex(int i, int col = colNumber) const;

  QModelIndex index(int row, int column, const QModelIndex& parent = {}) const override;
  QModelIndex parent(const QModelIndex& child) const override;
  int rowCount(const QModelIndex& parent = {}) const override;
  int columnCount(const QModelIndex& parent = {}) const override;
  QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
  QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

 private:
  struct TShownEntry {
    QString Number, Where, What, Search;
    QString Was[3], Now[3];  // before, changed, after
  };
  struct TShownGroup {
    QString Title;
    std::vector<int> Entries;
  };
  QVariant EntryData(int entry, int column, int role) const;

  TChangeList list_;
  std::vector<TShownEntry> entries_;
  std::vector<TShownGroup> groups_;
  std::vector<int> rowInGroup_, groupOf_;  // per entry: its row and its group's row
};
