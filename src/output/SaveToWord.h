#pragma once
// "Сохранить и открыть в MS Word": the current view's page saved as an HTML file where the user
// chooses, with the style sheets and images in a folder beside it named after it ("Документ_.htm",
// "Документ__files"), then opened in the word processor.
#include <QObject>
#include <QString>
#include <QStringList>

#include <functional>

class QFileDialog;
class QWidget;
class THtmlView;

// What the command needs of the window.
class TSaveToWordHost {
 public:
  virtual ~TSaveToWordHost() = default;
  virtual THtmlView* CurrentHtmlView() = 0;  // the view that last had the focus
  virtual QString DataFolder() const = 0;     // the program's data folder, ending with a separator
  virtual QWidget* DialogParent() = 0;
  virtual void ShowMessage(const QString& text) = 0;
};

class TSaveToWord : public QObject {
  Q_OBJECT

 public:
  TSaveToWord(TSaveToWordHost& host, QObject* parent);

  // The command body. A view without a document has nothing to save: nothing happens.
  void SaveAndOpenInWord(THtmlView* view);
  void acTextSaveToFileExecute() { SaveAndOpenInWord(host_.CurrentHtmlView()); }

  // The word processor: LibreOffice Writer found on the path or at its usual places, or empty.
  static QString FindWriter();

  // Runs the save dialog and gives the chosen file, or empty when cancelled; tests answer it.
  std::function<QString(QFileDialog&)> RunSaveDialog;
  // Starts a program without waiting for it; false when it could not be started. Tests watch it.
  std::function<bool(const QString& program, const QStringList& arguments)> StartDetached;
  // Opens a file with the desktop's default handler; false when there is none.
  std::function<bool(const QString& path)> OpenWithDesktop;

 private:
  void OpenInWordProcessor(const QString& path);

  TSaveToWordHost& host_;
};
