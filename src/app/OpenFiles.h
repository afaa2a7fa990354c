#pragma once
// Opening the two texts from files: the "Открыть…" button at the top of each pane in text
// entry, Ctrl+O for the focused pane, the recent-files list, files dropped on a pane and the
// files named on the command line. Reading and converting is the reader's (src/input); this
// class asks for the file, shows what happens and puts the result into the pane.
#include <QObject>
#include <QString>
#include <QStringList>

#include <array>

class QLabel;
class QMenu;
class QToolButton;
class QWidget;
class THtmlView;

// What opening files needs of the main window.
class TOpenFilesHost {
 public:
  virtual ~TOpenFilesHost() = default;
  // The window the panes belong to (the owner of the file dialog).
  virtual QWidget* MainWindow() = 0;
  // The view of pane v (1 or 2).
  virtual THtmlView* PaneView(int v) const = 0;
  // The empty editable pages are in place.
  virtual bool PanesReady() const = 0;
  // Text entry: the views are editable.
  virtual bool TextEntry() const = 0;
  // The view that last had the focus.
  virtual int CurrentViewIndex() const = 0;
  // Presses "Сравнить".
  virtual void PressCompare() = 0;
};

class TOpenFiles : public QObject {
  Q_OBJECT

 public:
  explicit TOpenFiles(TOpenFilesHost& host, QObject* parent = nullptr);
  ~TOpenFiles() override;

  static constexpr int kRecentCount = 10;
  // Whether the file dialog may be the desktop's own (off: always the toolkit's).
  static inline bool NativeDialog = true;

  // "Открыть…" of pane v (1 or 2): the file dialog, then OpenFile.
  void acOpenFileExecute(int v);
  // Reads the file into pane v. On any failure shows a message, leaves the pane as it was and
  // returns false.
  bool OpenFile(int v, const QString& path);
  // The command line's files, opened as soon as the window is ready: one file goes to the left
  // pane; two go to both panes and are compared at once.
  void OpenAtStart(const QStringList& files);
  // Shows the pane bars in text entry and hides them in the result state.
  void UpdateState();
  // The panes were emptied ("Новое сравнение"): the bars name no file any more. A run that ends
  // without a result gives the texts back, and their files with them.
  void ForgetFiles();

  // True while a file is being read into a pane.
  bool Loading() const { return loading_; }
  // "Сравнить" pressed while a file is being read: the comparison runs as soon as the file is in
  // its pane (and not at all when it cannot be opened). False when no file is being read.
  bool DeferCompare();

  QStringList RecentFiles() const;
  // The file shown in pane v's bar (empty: none opened since the pane was emptied).
  QString OpenedFile(int v) const { return opened_[static_cast<size_t>(v)]; }
  QToolButton* OpenButton(int v) const { return bars_[static_cast<size_t>(v)].Open; }
  QMenu* OpenMenu(int v) const { return bars_[static_cast<size_t>(v)].Menu; }

 signals:
  // A pressed "Сравнить" waits for a file (true) or no longer does (false).
  void CompareWaitingChanged(bool waiting);
  // Pane v now holds the text of a file.
  void PaneLoaded(int v);

 protected:
  bool eventFilter(QObject* watched, QEvent* e) override;

 private:
  struct TPaneBar {
    QWidget* Bar = nullptr;
    QToolButton* Open = nullptr;
    QLabel* Name = nullptr;
    QMenu* Menu = nullptr;
  };
  void CreateBar(int v);
  void FillMenu(int v);
  void ShowName(int v);
  void Remember(const QString& path);

  TOpenFilesHost& host_;
  std::array<TPaneBar, 3> bars_{};
  std::array<QString, 3> opened_;
  bool busy_ = false;
  bool loading_ = false;
  bool compareWaiting_ = false;
};

// The file dialog's filter of the kinds the reader opens.
QString OpenFileFilter();
