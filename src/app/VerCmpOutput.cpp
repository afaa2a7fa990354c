// The window's side of the output commands and of opening files: what they may ask of it, and
// their actions.
#include <QKeySequence>

#include "app/VerCmp.h"
#include "handon/HandOnCommands.h"

void TVerCmp::CreateOutputCommands() {
  Printing = new TPrinting(static_cast<TPrintHost&>(*this), this);
  acTextPrint->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_P));
  connect(acTextPrint, &QAction::triggered, Printing, [this] { Printing->acTextPrintExecute(); });
  connect(acTextPreview, &QAction::triggered, Printing, [this] { Printing->acTextPreviewExecute(); });
  connect(acTextPageSetup, &QAction::triggered, Printing, [this] { Printing->acTextPageSetupExecute(); });
  SaveToWord = new TSaveToWord(static_cast<TSaveToWordHost&>(*this), this);
  connect(acTextSaveToFile, &QAction::triggered, SaveToWord, [this] { SaveToWord->acTextSaveToFileExecute(); });
}

void TVerCmp::CreateHandOnCommands() {
  HandOn = new THandOnCommands(static_cast<IHandOnHost&>(*this), this);
  for (auto [button, action] : {std::pair{bHandOnTable, HandOn->TableAction()},
                                std::pair{bHandOnTracked, HandOn->TrackedAction()}}) {
    addAction(action);
    button->setToolTip(action->toolTip());
    button->setEnabled(action->isEnabled());
    connect(button, &QAbstractButton::clicked, action, &QAction::trigger);
    connect(action, &QAction::enabledChanged, button, &QWidget::setEnabled);
  }
  // Among the output commands of the popup menu, after "Сохранить и открыть в MS Word".
  const QList<QAction*> items = PopMenuText->actions();
  const qsizetype at = items.indexOf(acTextSaveToFile);
  QAction* before = at >= 0 && at + 1 < items.size() ? items[at + 1] : nullptr;
  PopMenuText->insertActions(before, {HandOn->TableAction(), HandOn->TrackedAction()});
}

QString TVerCmp::OpenedFile(int v) const { return OpenFiles ? OpenFiles->OpenedFile(v) : QString(); }

std::string TVerCmp::SavedMarkColour(int v) const {
  return Navigation->SavedMarkColor[static_cast<size_t>(v)];
}

void TVerCmp::CreateOpenFiles() {
  OpenFiles = new TOpenFiles(static_cast<TOpenFilesHost&>(*this), this);
  // The button stays pressed in effect: a second click has nothing more to ask.
  connect(OpenFiles, &TOpenFiles::CompareWaitingChanged, this,
          [this](bool waiting) { bCompareTexts->setEnabled(!waiting); });
  connect(acPaste, &QAction::enabledChanged, OpenFiles, [this] { OpenFiles->UpdateState(); });
  OpenFiles->UpdateState();
}

void TVerCmp::OpenAtStart(const QStringList& files) { OpenFiles->OpenAtStart(files); }
