#include "output/office/WordDocsForm.h"

#include <QGuiApplication>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QScreen>

namespace {
constexpr int PositionRole = Qt::UserRole;
constexpr int KeyRole = Qt::UserRole + 1;
}  // namespace

TWordDocsForm::TWordDocsForm(QWidget* owner, TTargetApp kind, IOfficeApp& app)
    : QDialog(owner, Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint),
      FApp(app),
      FKind(kind) {
  setWindowTitle(kind == taWord ? QStringLiteral("LibreOffice Writer: Открытые документы")
                                : QStringLiteral("LibreOffice Calc: Открытые книги"));
  QFont f = font();
  f.setFamilies({QStringLiteral("MS Sans Serif"), QStringLiteral("Liberation Sans"), QStringLiteral("Arial")});
  f.setPixelSize(11);
  setFont(f);
  setFixedSize(443, 314);  // a dialog border: not resizable

  Label1 = new QLabel(QStringLiteral("Выберите один из документов или создайте новый:"), this);
  Label1->move(8, 8);
  Label1->adjustSize();
  lbDocs = new QListWidget(this);
  lbDocs->setGeometry(8, 32, 424, 233);
  bCreate = new QPushButton(QStringLiteral("&Новый"), this);
  bCreate->setGeometry(8, 277, 101, 25);
  bOk = new QPushButton(QStringLiteral("&OК"), this);
  bOk->setGeometry(246, 277, 89, 25);
  bOk->setDefault(true);
  bCancel = new QPushButton(QStringLiteral("Отмена"), this);
  bCancel->setGeometry(342, 277, 89, 25);
  setTabOrder(lbDocs, bCreate);
  setTabOrder(bCreate, bOk);
  setTabOrder(bOk, bCancel);

  connect(bOk, &QPushButton::clicked, this, &TWordDocsForm::bOkClick);
  connect(lbDocs, &QListWidget::itemDoubleClicked, this, [this] { bOkClick(); });
  connect(bCreate, &QPushButton::clicked, this, &TWordDocsForm::bCreateClick);
  connect(bCancel, &QPushButton::clicked, this, &QDialog::reject);  // Esc and the close box too
}

void TWordDocsForm::AddEntry(const QString& text, int position, const std::string& key) {
  auto* item = new QListWidgetItem(text, lbDocs);
  item->setData(PositionRole, position);
  item->setData(KeyRole, QString::fromStdString(key));
}

void TWordDocsForm::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  FormShow();
}

void TWordDocsForm::FormShow() {
  if (QScreen* s = screen() ? screen() : QGuiApplication::primaryScreen())
    move(s->availableGeometry().center() - rect().center());
  if (lbDocs->count() > 0) lbDocs->setCurrentRow(0);
  lbDocs->setFocus();
}

// The chosen document, as long as it is still open; otherwise nothing is pasted.
void TWordDocsForm::bOkClick() {
  FResult.clear();
  try {
    if (QListWidgetItem* item = lbDocs->currentItem()) {
      std::string key = item->data(KeyRole).toString().toStdString();
      for (const TOfficeDoc& d : FApp.Documents())
        if (d.Key == key) FResult = key;
    }
  } catch (const EOfficeError&) {
    FResult.clear();
  }
  accept();
}

void TWordDocsForm::bCreateClick() {
  try {
    FResult = FApp.CreateDocument();
    accept();
  } catch (const EOfficeError&) {
    FResult.clear();  // the dialog stays open
  }
}
