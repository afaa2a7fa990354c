#pragma once
// The change list beside the two result views: the summary of the comparison, a filter by kind,
// a search field and the list of every change grouped by article. A click or Enter on a change
// makes it current in both views; whatever makes a change current selects it here.
#include <QString>
#include <QWidget>

#include <functional>
#include <vector>

#include "engine/ChangeList.h"

class QComboBox;
class QFileDialog;
class QLabel;
class QLineEdit;
class QTreeView;
class TChangeListFilter;
class TChangeListModel;

// What the panel needs of the main window.
class IChangeListHost {
 public:
  virtual ~IChangeListHost() = default;
  // Makes change n (from 0) current in both views, as the window's own stepping does.
  virtual void GoToListedChange(int n) = 0;
  // Copies a table into the spreadsheet (HTML and tab-separated text, UTF-8).
  virtual void CopyListToSpreadsheet(const QString& html, const QString& text) = 0;
  virtual QWidget* DialogParent() = 0;
  virtual void ShowMessage(const QString& text) = 0;
};

class TChangeListPanel : public QWidget {
  Q_OBJECT

 public:
  TChangeListPanel(IChangeListHost& host, QWidget* parent);
  ~TChangeListPanel() override;

  void SetList(TChangeList list);
  void Clear();
  const TChangeList& List() const;
  // Change n (from 0; -1 none) became current: its entry is selected and shown.
  void SelectChange(int n);

  // True while the list (or a control of the panel) has the keyboard focus.
  bool ListHasFocus() const;
  // "Копировать в MS Excel" of the list: what it shows, as a table.
  void CopyToSpreadsheet();
  // "Сохранить список как CSV…".
  void SaveCsv();
  // The entries the list shows now (after the filter), indices into List().Entries.
  std::vector<int> ListedEntries() const;

  QTreeView* View() const { return view_; }
  QLineEdit* SearchField() const { return search_; }
  QComboBox* KindFilter() const { return kind_; }
  QLabel* Summary() const { return summary_; }

  // Runs the save dialog and gives the chosen file, or empty when cancelled; tests answer it.
  std::function<QString(QFileDialog&)> RunSaveDialog;

 private:
  void FillKindFilter();
  void FilterChanged();
  // Group rows span the whole width; they are laid out anew whenever the rows change.
  void SpanGroupRows();
  void EntryChosen(const QModelIndex& index);
  void ShowContextMenu(const QPoint& at);

  IChangeListHost& host_;
  TChangeListModel* model_;
  TChangeListFilter* filter_;
  QLabel* summary_;
  QComboBox* kind_;
  QLineEdit* search_;
  QTreeView* view_;
  std::vector<int> entryOfChange_;  // per change of the counter, its entry
  int current_ = -1;                // the current change, from 0 (kept through a filter change)
};
