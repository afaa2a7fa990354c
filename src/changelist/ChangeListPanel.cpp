#include "changelist/ChangeListPanel.h"

#include <QApplication>
#include <QComboBox>
#include <QFileDialog>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QSettings>
#include <QStyle>
#include <QTreeView>
#include <QVBoxLayout>

#include <algorithm>
#include <exception>
#include <map>

#include "appbase/Failure.h"
#include "appbase/Workspace.h"
#include "changelist/ChangeListCsv.h"
#include "changelist/ChangeListFilter.h"
#include "changelist/ChangeListModel.h"
#include "changelist/ChangeListTable.h"
#include "changelist/ChangeListText.h"
#include "changelist/ExcerptDelegate.h"
#include "support/Cp1251.h"
#include "support/OutputFiles.h"
#include "engine/ChangesJson.h"

namespace {

const char* kHeaderKey = "ChangeList/Header";
QString U(const char* utf8) { return QString::fromUtf8(utf8); }
QString Q(const std::string& cp1251Text) { return QString::fromStdString(Utf8Text(cp1251Text)); }

}  // namespace

TChangeListPanel::TChangeListPanel(IChangeListHost& host, QWidget* parent)
    : QWidget(parent), host_(host), model_(new TChangeListModel(this)), filter_(new TChangeListFilter(this)) {
  setObjectName("ChangeListPanel");
  auto* column = new QVBoxLayout(this);
  column->setContentsMargins(4, 2, 2, 2);
  column->setSpacing(3);

  summary_ = new QLabel(this);
  summary_->setObjectName("ChangeListSummary");
  summary_->setWordWrap(true);
  summary_->setTextInteractionFlags(Qt::TextSelectableByMouse);
  column->addWidget(summary_);

  auto* row = new QHBoxLayout;
  row->setSpacing(4);
  kind_ = new QComboBox(this);
  kind_->setObjectName("ChangeListKind");
  kind_->setToolTip(U("Показать изменения одного вида"));
  kind_->setSizeAdjustPolicy(QComboBox::AdjustToContents);
  search_ = new QLineEdit(this);
  search_->setObjectName("ChangeListSearch");
  search_->setPlaceholderText(U("Поиск по месту или тексту"));
  search_->setClearButtonEnabled(true);
  row->addWidget(kind_);
  row->addWidget(search_, 1);
  column->addLayout(row);

  filter_->setSourceModel(model_);
  view_ = new QTreeView(this);
  view_->setObjectName("ChangeListView");
  view_->setModel(filter_);
  // One line per row: the view then lays out a thousand rows without asking each for its size.
  view_->setUniformRowHeights(true);
  view_->setIndentation(12);
  view_->setAllColumnsShowFocus(true);
  view_->setSelectionMode(QAbstractItemView::SingleSelection);
  view_->setSelectionBehavior(QAbstractItemView::SelectRows);
  view_->setEditTriggers(QAbstractItemView::NoEditTriggers);
  view_->setTextElideMode(Qt::ElideRight);
  view_->setContextMenuPolicy(Qt::CustomContextMenu);
  view_->setItemDelegateForColumn(TChangeListModel::colWas, new TExcerptDelegate(QColor(176, 0, 0), view_));
  view_->setItemDelegateForColumn(TChangeListModel::colNow, new TExcerptDelegate(QColor(0, 110, 0), view_));
  QHeaderView* header = view_->header();
  // The excerpts share what the other columns leave.
  header->setStretchLastSection(false);
  header->setMinimumSectionSize(24);
  header->resizeSection(TChangeListModel::colNumber, 56);
  header->resizeSection(TChangeListModel::colWhere, 150);
  header->resizeSection(TChangeListModel::colWhat, 130);
  header->restoreState(QSettings().value(kHeaderKey).toByteArray());
  header->setSectionResizeMode(TChangeListModel::colWas, QHeaderView::Stretch);
  header->setSectionResizeMode(TChangeListModel::colNow, QHeaderView::Stretch);
  column->addWidget(view_, 1);

  // Enter activates; so does a click where the style says so, else the click is taken itself.
  if (!view_->style()->styleHint(QStyle::SH_ItemView_ActivateItemOnSingleClick, nullptr, view_))
    connect(view_, &QTreeView::clicked, this, &TChangeListPanel::EntryChosen);
  connect(view_, &QTreeView::activated, this, &TChangeListPanel::EntryChosen);
  connect(view_, &QWidget::customContextMenuRequested, this, &TChangeListPanel::ShowContextMenu);
  connect(kind_, &QComboBox::currentIndexChanged, this, [this] { FilterChanged(); });
  connect(search_, &QLineEdit::textChanged, this, [this] { FilterChanged(); });
  RunSaveDialog = [](QFileDialog& d) { return d.exec() == QDialog::Accepted ? d.selectedFiles().value(0) : QString(); };
  Clear();
}

TChangeListPanel::~TChangeListPanel() { QSettings().setValue(kHeaderKey, view_->header()->saveState()); }

const TChangeList& TChangeListPanel::List() const { return model_->List(); }

void TChangeListPanel::SetList(TChangeList list) {
  current_ = -1;
  entryOfChange_.clear();
  for (size_t i = 0; i < list.Entries.size(); ++i) {
    const size_t n = static_cast<size_t>(std::max(0, list.Entries[i].N - 1));
    if (n >= entryOfChange_.size()) entryOfChange_.resize(n + 1, -1);
    entryOfChange_[n] = static_cast<int>(i);
  }
  summary_->setText(Q(list.Summary.Text));
  summary_->setVisible(!list.Summary.Text.empty());
  {
    const QSignalBlocker a(kind_), b(search_);
    search_->clear();
    model_->SetList(std::move(list));
    FillKindFilter();
    filter_->SetKind(-1);
    filter_->SetSearch(QString());
  }
  view_->expandAll();
  SpanGroupRows();
}

void TChangeListPanel::Clear() { SetList({}); }

void TChangeListPanel::FillKindFilter() {
  std::map<int, int> counts;
  for (const TChangeEntry& e : model_->List().Entries) ++counts[static_cast<int>(e.Kind)];
  kind_->clear();
  kind_->addItem(U("Все изменения (%1)").arg(model_->EntryCount()), -1);
  for (const auto& [kind, count] : counts)
    kind_->addItem(Q(KindName(static_cast<TAmendmentKind>(kind))) + QStringLiteral(" (%1)").arg(count), kind);
  kind_->setEnabled(model_->EntryCount() > 0);
}

void TChangeListPanel::FilterChanged() {
  filter_->SetKind(kind_->currentData().isValid() ? kind_->currentData().toInt() : -1);
  filter_->SetSearch(search_->text());
  view_->expandAll();
  SpanGroupRows();
  const int n = current_;
  current_ = -1;
  SelectChange(n);
}

void TChangeListPanel::SpanGroupRows() {
  for (int r = 0, rows = filter_->rowCount(); r < rows; ++r) view_->setFirstColumnSpanned(r, QModelIndex(), true);
}

void TChangeListPanel::EntryChosen(const QModelIndex& index) {
  const int entry = index.data(TChangeListModel::EntryRole).toInt();
  if (!index.isValid() || entry < 0) return;
  // The current change chosen again is shown again, as after a scroll away from it.
  host_.GoToListedChange(model_->List().Entries[static_cast<size_t>(entry)].N - 1);
}

void TChangeListPanel::SelectChange(int n) {
  current_ = n;
  const int entry = n >= 0 && static_cast<size_t>(n) < entryOfChange_.size() ? entryOfChange_[static_cast<size_t>(n)] : -1;
  const QModelIndex shown = filter_->mapFromSource(model_->EntryIndex(entry));
  if (!shown.isValid()) {
    view_->selectionModel()->clearSelection();
    return;
  }
  view_->selectionModel()->setCurrentIndex(shown, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
  view_->scrollTo(shown);
}

bool TChangeListPanel::ListHasFocus() const {
  const QWidget* focus = QApplication::focusWidget();
  return focus && (focus == this || isAncestorOf(focus));
}

std::vector<int> TChangeListPanel::ListedEntries() const {
  std::vector<int> out;
  for (int g = 0, groups = filter_->rowCount(); g < groups; ++g) {
    const QModelIndex group = filter_->index(g, 0);
    for (int r = 0, rows = filter_->rowCount(group); r < rows; ++r)
      out.push_back(filter_->index(r, 0, group).data(TChangeListModel::EntryRole).toInt());
  }
  return out;
}

void TChangeListPanel::CopyToSpreadsheet() {
  const std::vector<int> entries = ListedEntries();
  if (entries.empty()) return;
  host_.CopyListToSpreadsheet(QString::fromStdString(ChangeListTableHtml(model_->List(), entries)),
                              QString::fromStdString(ChangeListTableText(model_->List(), entries)));
}

void TChangeListPanel::SaveCsv() {
  const std::vector<int> entries = ListedEntries();
  if (entries.empty()) return;
  QFileDialog dialog(host_.DialogParent(), U("Сохранить список как CSV"));
  dialog.setAcceptMode(QFileDialog::AcceptSave);
  dialog.setFileMode(QFileDialog::AnyFile);
  dialog.setNameFilter(U("Таблица CSV (*.csv)"));
  dialog.setDefaultSuffix(QStringLiteral("csv"));
  dialog.selectFile(U("Изменения.csv"));
  const QString path = RunSaveDialog(dialog);
  if (path.isEmpty()) return;
  const std::string bytes = ChangeListCsv(model_->List(), entries);
  const std::string file = ToNativeBytes(path);
  try {
    ReplaceFile(file, [&](int fd) {
      filecalls::TSpan part{bytes.data(), bytes.size()};
      WriteFully(fd, &part, 1, file);
    });
  } catch (const std::exception& e) {
    host_.ShowMessage(U("Не удалось сохранить список изменений: ") + FailureText(e));
  }
}

void TChangeListPanel::ShowContextMenu(const QPoint& at) {
  const bool any = !ListedEntries().empty();
  QMenu menu(this);
  QAction* copy = menu.addAction(U("Копировать в MS Excel"));
  QAction* save = menu.addAction(U("Сохранить список как CSV…"));
  copy->setEnabled(any);
  save->setEnabled(any);
  QAction* chosen = menu.exec(view_->viewport()->mapToGlobal(at));
  if (chosen == copy) CopyToSpreadsheet();
  if (chosen == save) SaveCsv();
}
