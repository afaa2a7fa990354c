#include "handon/HandOnSaveDialog.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalBlocker>
#include <QVBoxLayout>

#include <algorithm>

#include "appbase/MessageBox.h"

namespace {

QString U(const char* utf8) { return QString::fromUtf8(utf8); }

// path with its extension replaced by suffix (an unknown extension stays, suffix added after it).
QString WithSuffix(THandOnDocument document, const QString& path, const QString& suffix) {
  THandOnFormat known;
  QString base = path;
  if (OfferedFormatOf(document, path, known) || OfferedFormatOf(THandOnDocument::Table, path, known))
    base.chop(QFileInfo(path).suffix().size() + 1);
  else if (base.endsWith('.'))
    base.chop(1);
  return base + '.' + suffix;
}

}  // namespace

THandOnSaveDialog::THandOnSaveDialog(THandOnDocument document, const QString& proposedPath,
                                     const THandOnChoice& choice, QWidget* parent)
    : QDialog(parent), document_(document), folder_(QFileInfo(proposedPath).absolutePath()) {
  setWindowTitle(document == THandOnDocument::Table ? U("Сравнительная таблица") : U("Документ с исправлениями"));
  setModal(true);

  auto* form = new QFormLayout;
  PathField = new QLineEdit(QDir::toNativeSeparators(proposedPath), this);
  PathField->setObjectName("PathField");
  PathField->setMinimumWidth(420);
  BrowseButton = new QPushButton(U("Обзор…"), this);
  BrowseButton->setAutoDefault(false);
  auto* pathRow = new QHBoxLayout;
  pathRow->addWidget(PathField, 1);
  pathRow->addWidget(BrowseButton);
  form->addRow(U("Файл:"), pathRow);

  FormatChoice = new QComboBox(this);
  FormatChoice->setObjectName("FormatChoice");
  for (THandOnFormat f : FormatsOf(document))
    FormatChoice->addItem(FormatFilter(f), static_cast<int>(f));
  FormatChoice->setCurrentIndex(std::max(0, FormatChoice->findData(static_cast<int>(choice.Format))));
  form->addRow(U("Формат:"), FormatChoice);

  if (document == THandOnDocument::Table) {
    Column1Field = new QLineEdit(choice.Column1, this);
    Column1Field->setObjectName("Column1Field");
    Column2Field = new QLineEdit(choice.Column2, this);
    Column2Field->setObjectName("Column2Field");
    form->addRow(U("Заголовок левой колонки:"), Column1Field);
    form->addRow(U("Заголовок правой колонки:"), Column2Field);
  }

  auto* buttons = new QDialogButtonBox(this);
  SaveButton = buttons->addButton(U("Сохранить"), QDialogButtonBox::AcceptRole);
  CancelButton = buttons->addButton(U("Отмена"), QDialogButtonBox::RejectRole);
  SaveButton->setDefault(true);

  auto* root = new QVBoxLayout(this);
  root->addLayout(form);
  root->addWidget(buttons);

  connect(buttons, &QDialogButtonBox::accepted, this, &THandOnSaveDialog::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
  connect(BrowseButton, &QPushButton::clicked, this, [this] { Browse(); });
  connect(FormatChoice, &QComboBox::activated, this, [this] { FormatPicked(); });
  connect(PathField, &QLineEdit::textEdited, this, [this](const QString& t) { PathEdited(t); });

  RunFileDialog = [](QFileDialog& d) { return d.exec() == QDialog::Accepted ? d.selectedFiles().value(0) : QString(); };
}

THandOnFormat THandOnSaveDialog::CurrentFormat() const {
  return static_cast<THandOnFormat>(FormatChoice->currentData().toInt());
}

THandOnChoice THandOnSaveDialog::Choice() const {
  THandOnChoice choice;
  choice.Folder = QFileInfo(path_.isEmpty() ? CompletePath() : path_).absolutePath();
  choice.Format = CurrentFormat();
  if (Column1Field) {
    choice.Column1 = Column1Field->text().trimmed();
    choice.Column2 = Column2Field->text().trimmed();
  }
  return choice;
}

void THandOnSaveDialog::Browse() {
  QFileDialog dialog(this, windowTitle());
  dialog.setAcceptMode(QFileDialog::AcceptSave);
  dialog.setFileMode(QFileDialog::AnyFile);
  QStringList filters;
  for (THandOnFormat f : FormatsOf(document_)) filters << FormatFilter(f);
  dialog.setNameFilters(filters);
  dialog.selectNameFilter(FormatFilter(CurrentFormat()));
  const QString current = CompletePath();
  dialog.setDirectory(QFileInfo(current).absolutePath());
  dialog.selectFile(QFileInfo(current).fileName());
  QString chosen = RunFileDialog(dialog);
  if (chosen.isEmpty()) return;
  // The filter chosen decides when the name has no extension of ours.
  THandOnFormat format;
  if (!OfferedFormatOf(document_, chosen, format)) {
    const int filter = filters.indexOf(dialog.selectedNameFilter());
    format = filter >= 0 ? FormatsOf(document_)[static_cast<size_t>(filter)] : CurrentFormat();
    chosen = WithSuffix(document_, chosen, FormatSuffix(format));
  }
  FormatChoice->setCurrentIndex(FormatChoice->findData(static_cast<int>(format)));
  PathField->setText(QDir::toNativeSeparators(chosen));
  browsed_ = QFileInfo(chosen).absoluteFilePath();
}

void THandOnSaveDialog::FormatPicked() {
  const QString text = PathField->text().trimmed();
  if (text.isEmpty()) return;
  PathField->setText(WithSuffix(document_, text, FormatSuffix(CurrentFormat())));
}

void THandOnSaveDialog::PathEdited(const QString& text) {
  THandOnFormat format;
  if (!OfferedFormatOf(document_, text.trimmed(), format)) return;
  const QSignalBlocker quiet(FormatChoice);
  FormatChoice->setCurrentIndex(FormatChoice->findData(static_cast<int>(format)));
}

QString THandOnSaveDialog::CompletePath() const {
  const QString text = QDir::fromNativeSeparators(PathField->text().trimmed());
  if (text.isEmpty()) return {};
  QString path = QDir(folder_).absoluteFilePath(text);
  // A folder stays what it is, for the writer to refuse: no file of that name is made beside it.
  if (text.endsWith('/') || QFileInfo(path).isDir()) return path;
  THandOnFormat format;
  if (!OfferedFormatOf(document_, path, format) || format != CurrentFormat())
    path = WithSuffix(document_, path, FormatSuffix(CurrentFormat()));
  return path;
}

void THandOnSaveDialog::accept() {
  const QString path = CompletePath();
  if (path.isEmpty()) {
    ShowMessageBox(U("Укажите файл, в который записать документ."), this);
    PathField->setFocus();
    return;
  }
  if (Column1Field && (Column1Field->text().trimmed().isEmpty() || Column2Field->text().trimmed().isEmpty())) {
    ShowMessageBox(U("Укажите заголовки обеих колонок таблицы."), this);
    return;
  }
  const QFileInfo target(path);
  if (target.isFile() && target.absoluteFilePath() != browsed_ &&
      !AskYesNo(U("Файл %1 уже существует. Заменить его?").arg(QDir::toNativeSeparators(path))))
    return;
  path_ = path;
  QDialog::accept();
}
