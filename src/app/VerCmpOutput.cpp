// The window's side of the output commands and of opening files: what they may ask of it, and
// their actions.
#include <QKeySequence>

#include "app/VerCmp.h"

void TVerCmp::CreateOutputCommands() {
  Printing = new TPrinting(static_cast<TPrintHost&>(*this), this);
  acTextPrint->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_P));
  connect(acTextPrint, &QAction::triggered, Printing, [this] { Printing->acTextPrintExecute(); });
  connect(acTextPreview, &QAction::triggered, Printing, [this] { Printing->acTextPreviewExecute(); });
  connect(acTextPageSetup, &QAction::triggered, Printing, [this] { Printing->acTextPageSetupExecute(); });
  SaveToWord = new TSaveToWord(static_cast<TSaveToWordHost&>(*this), this);
  connect(acTextSaveToFile, &QAction::triggered, SaveToWord, [this] { SaveToWord->acTextSaveToFileExecute(); });
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
