// The window's side of the output commands: what they may ask of it, and their actions.
#include <QKeySequence>

#include "app/OpenFiles.h"
#include "appbase/MessageBox.h"
#include "app/VerCmp.h"
#include "output/Printing.h"
#include "output/SaveToWord.h"

namespace {

class TWindowOutputHost : public QObject, public TPrintHost, public TSaveToWordHost {
 public:
  explicit TWindowOutputHost(TVerCmp& w) : QObject(&w), w_(w) {}
  THtmlView* CurrentHtmlView() override { return w_.Views[static_cast<size_t>(w_.CurrentView)]; }
  int CurrentZoomPercent() const override { return w_.Zoom->ZoomPercent(); }
  QString DataFolder() const override { return w_.DataDir; }
  QWidget* DialogParent() override { return &w_; }
  void ShowMessage(const QString& text) override { ShowMessageBox(text); }
  QString OpenedFile(int v) const override { return w_.OpenFiles ? w_.OpenFiles->OpenedFile(v) : QString(); }
  int CurrentChange() const override { return w_.Navigation->CurrentChange; }
  std::string SavedMarkColour(int v) const override { return w_.Navigation->SavedMarkColor[static_cast<size_t>(v)]; }

 private:
  TVerCmp& w_;
};

}  // namespace

void TVerCmp::CreateOutputCommands() {
  auto* host = new TWindowOutputHost(*this);
  Printing = new TPrinting(*host, host);
  acTextPrint->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_P));
  connect(acTextPrint, &QAction::triggered, Printing, [this] { Printing->acTextPrintExecute(); });
  connect(acTextPreview, &QAction::triggered, Printing, [this] { Printing->acTextPreviewExecute(); });
  connect(acTextPageSetup, &QAction::triggered, Printing, [this] { Printing->acTextPageSetupExecute(); });
  SaveToWord = new TSaveToWord(*host, host);
  connect(acTextSaveToFile, &QAction::triggered, SaveToWord, [this] { SaveToWord->acTextSaveToFileExecute(); });
}
