#pragma once
// What the list shows of the changes: those of one kind, or those whose address or text holds
// the searched words; an article stays listed while any of its changes is.
#include <QSortFilterProxyModel>
#include <QString>

class TChangeListFilter : public QSortFilterProxyModel {
  Q_OBJECT

 public:
  explicit TChangeListFilter(QObject* parent = nullptr);

  // -1: every kind.
  void SetKind(int kind);
  void SetSearch(const QString& text);
  bool Active() const { return kind_ >= 0 || !search_.isEmpty(); }

 protected:
  bool filterAcceptsRow(int sourceRow, const QModelIndex& sourceParent) const override;

 private:
  int kind_ = -1;
  QString search_;  // small letters, trimmed
};
