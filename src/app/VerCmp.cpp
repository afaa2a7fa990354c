#include "app/VerCmp.h"

#include <QApplication>
#include <QCloseEvent>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QScreen>
#include <QSplitter>
#include <QTimer>
#include <QVBoxLayout>

#include <exception>

#include "app/About.h"
#include "app/EditedPanes.h"
#include "appbase/ComparisonSettings.h"
#include "appbase/Failure.h"
#include "appbase/MessageBox.h"
#include "app/OpenFiles.h"
#include "app/SidePanel.h"
#include "app/ToolbarIcons.h"
#include "app/VerCmpRun.h"
#include "app/WindowGeometry.h"
#include "appbase/Workspace.h"
#include "engine/ResultPages.h"
#include "find/MorphRusTables.h"
#include "handon/HandOnCommands.h"
#include "navigation/Navigation.h"
#include "output/office/CopyToApp.h"
#include "output/office/LibreOfficeApp.h"

namespace {

constexpr int kToolBarHeight = 26;
constexpr int kDiffPosWidth = 8;

const char* kEnterCaption = "Вставьте тексты в окна ниже и нажмите кнопку";
const char* kRunningCaption = "Тексты сравниваются…";
const char* kResultCaption = "Для сравнения других текстов нажмите кнопку";
const char* kCompareCaption = "Сравнить";
const char* kNewCompareCaption = "Новое сравнение";

QString U(const char* utf8) { return QString::fromUtf8(utf8); }

// A caption that already names its shortcut ("Печать...    Ctrl+P") gets no second one beside it.
void ShowEachShortcutOnce(QMenu* menu) {
  for (QAction* a : menu->actions()) {
    const QString keys = a->shortcut().toString(QKeySequence::NativeText);
    a->setShortcutVisibleInContextMenu(keys.isEmpty() || !a->text().contains(keys));
  }
}

}  // namespace

void TPaintBox::paintEvent(QPaintEvent*) {
  QPainter p(this);
  if (OnPaint) OnPaint(p);
}

TVerCmp::TVerCmp(const QString& appDir, QWidget* parent) : QWidget(parent) {
  AppDir = appDir;
  CreateActions();
  CreateControls();
  CreateFeatures();
  FormCreate();
  InstallNavigation(*this, *Navigation);
  InstallZoomControls(*this, *Zoom, *bTextZoomOut);
  CreateOutputCommands();
  CreateHandOnCommands();
  CreateOpenFiles();
  CreateComparisonChoice();
  editedPanes_ = new TEditedPanes(WB1, WB2, [this] { return mode_ == wmEntry; }, this);
  connect(OpenFiles, &TOpenFiles::PaneLoaded, this, [this](int v) { editedPanes_->Forget(v); });
  connect(PopMenuText, &QMenu::aboutToShow, this, [this] { ShowEachShortcutOnce(PopMenuText); });
  RestoreWindowGeometry(*this);
}

TVerCmp::~TVerCmp() {
  // The views and filters outlive this part of the window while the controls are freed: nothing
  // of theirs may reach the features any more.
  for (THtmlView* v : {WB1, WB2, WBInfo}) v->disconnect(this);
  Navigation->OnCurrentChange = nullptr;
  delete editedPanes_;
  for (QObject* filter : {findChild<QObject*>("ShellInput", Qt::FindDirectChildrenOnly),
                          findChild<QObject*>("NavigationKeys", Qt::FindDirectChildrenOnly)})
    delete filter;
  FormDestroy();
}

void TVerCmp::CreateActions() {
  auto make = [this](const char* caption, const char* hint = nullptr) {
    auto* a = new QAction(U(caption), this);
    a->setToolTip(U(hint ? hint : caption));
    a->setStatusTip(a->toolTip());
    addAction(a);
    return a;
  };
  acOpenInNewWin = make("Открыть в новой вкладке");
  acOpenInNewWin->setEnabled(false);
  acTextFind = make("Найти в тексте...    Ctrl+F");
  acTextPrint = make("Печать...    Ctrl+P");
  acTextPreview = make("Предварительный просмотр...");
  acTextPageSetup = make("Параметры страницы...");
  acTextCopyToWord = make("Копировать в MS Word");
  acTextCopyToExcel = make("Копировать в MS Excel");
  acTextSaveToFile = make("Сохранить и открыть в MS Word");
  acCopy = make("Копировать    Ctrl+C");
  acPaste = make("Вставить    Ctrl+V");
  acPaste->setEnabled(false);
  acZoomIn = make("Увеличить шрифт");
  acZoomIn->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_I));
  acZoomOut = make("Уменьшить шрифт");
  acZoomOut->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_U));

  connect(acCopy, &QAction::triggered, this, [this] { acCopyExecute(); });
  connect(acPaste, &QAction::triggered, this, [this] { acPasteExecute(); });
  connect(acTextFind, &QAction::triggered, this, [this] { acTextFindExecute(); });
  connect(acZoomIn, &QAction::triggered, this, [this] { Zoom->acZoomInExecute(); });
  connect(acZoomOut, &QAction::triggered, this, [this] { Zoom->acZoomOutExecute(); });
  CopyToAppSrv = std::make_unique<TCopyToAppSrv>(static_cast<ICopyToAppHost&>(*this), LibreOfficeFactory());
  connect(acTextCopyToWord, &QAction::triggered, this, [this] { CopyToAppSrv->acTextCopyToWordExecute(); });
  // With the change list focused the command copies the list, as a table.
  connect(acTextCopyToExcel, &QAction::triggered, this, [this] {
    if (ChangeList && ChangeList->ListHasFocus()) ChangeList->CopyToSpreadsheet();
    else CopyToAppSrv->acTextCopyToExcelExecute();
  });

  PopMenuText = new QMenu(this);
  PopMenuText->addAction(acOpenInNewWin);
  PopMenuText->addAction(acTextFind);
  PopMenuText->addSeparator();
  PopMenuText->addAction(acTextPrint);
  PopMenuText->addAction(acTextPreview);
  PopMenuText->addAction(acTextPageSetup);
  PopMenuText->addSeparator();
  PopMenuText->addAction(acTextCopyToWord);
  PopMenuText->addAction(acTextCopyToExcel);
  PopMenuText->addAction(acTextSaveToFile);
  PopMenuText->addSeparator();
  PopMenuText->addAction(acCopy);
  PopMenuText->addAction(acPaste);
  PopMenuText->addSeparator();
  PopMenuText->addAction(acZoomIn);
  PopMenuText->addAction(acZoomOut);
}

void TVerCmp::CreateControls() {
  setWindowTitle(ApplicationTitle());
  // The toolbar's positions are laid out for an 11-pixel interface font of "MS Sans Serif"
  // widths; Liberation Sans and Arial have about the same metrics where it is missing.
  QFont f = font();
  f.setFamilies({QStringLiteral("MS Sans Serif"), QStringLiteral("Liberation Sans"),
                 QStringLiteral("Arial"), f.family()});
  f.setPixelSize(11);
  setFont(f);

  auto* root = new QVBoxLayout(this);
  root->setContentsMargins(0, 0, 0, 0);
  root->setSpacing(0);

  // The find panel: its commands fill the inner panel.
  PanFind = new QWidget(this);
  PanFind->setObjectName("PanFind");
  PanFindDef = new QWidget(PanFind);
  PanFindDef->setObjectName("PanFindDef");
  PanFindDef->setFixedHeight(30);
  auto* findLayout = new QVBoxLayout(PanFind);
  findLayout->setContentsMargins(0, 1, 0, 1);
  findLayout->addWidget(PanFindDef);
  PanFind->hide();
  root->addWidget(PanFind);
  Find = new TFindPanel(static_cast<IFindPanelHost&>(*this), PanFind, PanFindDef);

  // The toolbar: every control keeps its left position whatever the window's width.
  PanToolBar = new QWidget(this);
  PanToolBar->setObjectName("PanToolBar");
  PanToolBar->setFixedHeight(kToolBarHeight);
  root->addWidget(PanToolBar);
  auto* toolBarRule = new QFrame(this);
  toolBarRule->setFrameShape(QFrame::HLine);
  toolBarRule->setFrameShadow(QFrame::Sunken);
  toolBarRule->setFixedHeight(2);
  root->addWidget(toolBarRule);

  auto label = [this](const char* caption, int left) {
    auto* l = new QLabel(U(caption), PanToolBar);
    l->adjustSize();
    l->move(left, (kToolBarHeight - l->height()) / 2);
    return l;
  };
  auto button = [this](const char* caption, int left, int width) {
    auto* b = new QPushButton(U(caption), PanToolBar);
    b->setGeometry(left, 0, width, 25);
    return b;
  };
  auto tool = [this](TToolbarIcon icon, const char* hint, int left) {
    auto* b = new QToolButton(PanToolBar);
    b->setAutoRaise(true);
    b->setIcon(ToolbarIcon(icon));
    b->setIconSize(QSize(16, 16));
    b->setToolTip(U(hint));
    b->setGeometry(left, 0, 26, 26);
    b->setFocusPolicy(Qt::NoFocus);
    return b;
  };
  auto separator = [this](int left) {
    auto* s = new QFrame(PanToolBar);
    s->setFrameShape(QFrame::VLine);
    s->setFrameShadow(QFrame::Sunken);
    s->setGeometry(left, 3, 2, 20);
    return s;
  };
  auto link = [&](const char* caption, int left) {
    QLabel* l = label(caption, left);
    l->setStyleSheet("QLabel { color: #0000ee; text-decoration: underline; }");
    l->setCursor(Qt::PointingHandCursor);
    l->adjustSize();
    return l;
  };

  LVersions = label(kEnterCaption, 4);
  bCompareTexts = button(kCompareCaption, 257, 108);
  bCompareTexts->hide();
  bCompareDocs = tool(tiCompareDocs, "Выбрать для сравнения другие редакции", 515);
  bNextDiff = button("Следующее изменение", 548, 132);
  bNextDiff->setToolTip(U("Следующее изменение (Ctrl+Down)"));
  bNextDiff->setEnabled(false);
  bTextSaveToFile = tool(tiSaveToFile, "Сохранить и открыть в MS Word", 664);
  bTextSaveToFile->hide();
  bPrevDiff = button("Назад", 687, 41);
  bPrevDiff->setToolTip(U("Предыдущее изменение (Ctrl+Up)"));
  bPrevDiff->setEnabled(false);
  LCurDiffTag = label("Изменений: 0", 735);
  LCurDiffTag->hide();
  // The documents handed on, first of the output buttons; their hints are the commands'.
  bHandOnTable = tool(tiComparisonTable, "", 832);
  bHandOnTable->setObjectName("bHandOnTable");
  bHandOnTracked = tool(tiTrackedEdition, "", 862);
  bHandOnTracked->setObjectName("bHandOnTracked");
  bTextCopyToWord = tool(tiCopyToWord, "Копировать в MS Word", 892);
  bTextPrint = tool(tiPrint, "Печать", 922);
  bTextPreview = tool(tiPreview, "Предварительный просмотр", 952);
  Separator1 = separator(982);
  bTextZoomIn = tool(tiZoomIn, "Увеличить шрифт", 988);
  bTextZoomOut = tool(tiZoomOut, "Уменьшить шрифт", 1018);
  Separator2 = separator(1048);
  bTextShowPanFind = tool(tiFind, "Найти в тексте...    Ctrl+F", 1054);
  bBack = tool(tiBack, "Назад по гиперссылке", 1084);
  bBack->setEnabled(false);
  bForward = tool(tiForward, "Вперед по гиперссылке", 1114);
  bForward->setEnabled(false);
  LInfo = link("Что это такое?", 1144);
  LAbout = link("О программе", 1232);

  // The toolbar buttons carry out the shared commands; their hints stay their own.
  auto bind = [this](QAbstractButton* b, QAction* a) {
    connect(b, &QAbstractButton::clicked, a, &QAction::trigger);
  };
  bind(bTextSaveToFile, acTextSaveToFile);
  bind(bTextCopyToWord, acTextCopyToWord);
  bind(bTextPrint, acTextPrint);
  bind(bTextPreview, acTextPreview);
  bind(bTextZoomIn, acZoomIn);
  bind(bTextZoomOut, acZoomOut);
  bind(bTextShowPanFind, acTextFind);
  connect(bCompareTexts, &QPushButton::clicked, this, [this] { bCompareTextsClick(); });

  // The views: the two texts side by side with the position bar at the right edge, and the
  // side panel with the guide beside them.
  auto* body = new QSplitter(Qt::Horizontal, this);
  body->setObjectName("SplitBody");
  body->setChildrenCollapsible(false);
  body->setHandleWidth(3);
  root->addWidget(body, 1);

  PanLeft = new QWidget(body);
  PanLeft->setObjectName("PanLeft");
  PanLeft->installEventFilter(this);
  body->addWidget(PanLeft);

  WB1 = CreateHtmlView(PanLeft);
  WB1->setObjectName("WB1");
  WB1->Tag = 1;
  WB1->PopupMenu = PopMenuText;
  WB2 = CreateHtmlView(PanLeft);
  WB2->setObjectName("WB2");
  WB2->Tag = 2;
  WB2->PopupMenu = PopMenuText;
  pbDiffPos = new TPaintBox(PanLeft);
  pbDiffPos->setObjectName("pbDiffPos");
  pbDiffPos->setAutoFillBackground(false);

  sidePanel_ = new TSidePanel(body);
  WBInfo = CreateHtmlView(sidePanel_);
  WBInfo->setObjectName("WBInfo");
  sidePanel_->AddPage(WBInfo, U("Справка"));
  ChangeList = new TChangeListPanel(static_cast<IChangeListHost&>(*this), sidePanel_);
  sidePanel_->AddPage(ChangeList, U("Список изменений"));
  connect(sidePanel_, &TSidePanel::WidthChanged, this, [this] { ViewsWidthChanged(); });
}

void TVerCmp::ViewsWidthChanged() {
  // After the splitter has laid the views out anew.
  QTimer::singleShot(0, this, [this] {
    if (mode_ != wmResult || !Navigation->ResultShown) return;
    try {
      Navigation->DropMarkMeasuring();
      ZoomStepped();
    } catch (const std::exception& e) {
      ReportFailure(this, e);
    }
  });
}

void TVerCmp::CreateFeatures() {
  Views = {nullptr, WB1, WB2};
  Navigation = std::make_unique<TChangeNavigation>(
      static_cast<TNavigationHost&>(*this), WB1, WB2, TNavigationControls{LCurDiffTag, bNextDiff, bPrevDiff, pbDiffPos});
  Zoom = std::make_unique<TZoom>(static_cast<TZoomHost&>(*this));
  Links = new TLinksHistory(static_cast<TLinksHost&>(*this), WB1, WB2, WBInfo,
                            TLinksControls{bBack, bForward, acOpenInNewWin}, this);
  new TShellInput(static_cast<TShellInputHost&>(*this), this);
  Navigation->OnCurrentChange = [this](int n) { ChangeList->SelectChange(n); };

  connect(bNextDiff, &QPushButton::clicked, this, [this] { Navigation->bNextDiffClick(); });
  connect(bPrevDiff, &QPushButton::clicked, this, [this] { Navigation->bPrevDiffClick(); });
  connect(bBack, &QToolButton::clicked, this, [this] { Links->bBackClick(); });
  connect(bForward, &QToolButton::clicked, this, [this] { Links->bForwardClick(); });
  pbDiffPos->OnPaint = [this](QPainter& p) { Navigation->pbDiffPosPaint(p); };

  for (THtmlView* v : {WB1, WB2}) {
    connect(v, &THtmlView::FocusEntered, this, [this](THtmlView* view) { Links->WB1Enter(view); });
    connect(v, &THtmlView::CommandStateChange, this,
            [this](THtmlView* view, int command, bool enabled) {
              Links->WB1CommandStateChange(view, command, enabled);
            });
    // The engine reports scrolling by an event of its own: synchronise on it.
    connect(v, &THtmlView::Scrolled, this,
            [this](THtmlView* view) { Navigation->SyncScroll(view); });
    connect(v, &THtmlView::StatusTextChange, this, [this](THtmlView* view, const std::string& text) {
      Links->WB1StatusTextChange(view, text);
    });
  }
  connect(PopMenuText, &QMenu::aboutToShow, this, [this] { Links->PopMenuTextPopup(); });
  connect(acOpenInNewWin, &QAction::triggered, this, [this] { Links->acOpenInNewWinExecute(); });
  // The panel decides at once whether it may go where a link leads.
  connect(WBInfo, &THtmlView::BeforeNavigate, this,
          [this](THtmlView*, const std::string& address, bool& cancel) {
            Links->WBInfoBeforeNavigate2(address, cancel);
          }, Qt::DirectConnection);
  LInfo->installEventFilter(this);
  LAbout->installEventFilter(this);
}

void TVerCmp::SetCurrentViewIndex(int index) {
  CurrentView = index;
  Navigation->ScrollLeader = index;
}

void TVerCmp::ViewTouched(THtmlView* view) {
  if (view == WB1) Navigation->ScrollLeader = 1;
  else if (view == WB2) Navigation->ScrollLeader = 2;
}

THtmlView* TVerCmp::FocusedView() const {
  QWidget* focus = QApplication::focusWidget();
  for (THtmlView* v : {WB1, WB2})
    if (focus && (focus == v || v->isAncestorOf(focus))) return v;
  return CurrentViewPtr();
}

void TVerCmp::acTextFindExecute() { Find->acTextFindExecute(); }

void TVerCmp::acCopyExecute() {
  try {
    FocusedView()->CopySelection();
  } catch (const std::exception& e) {
    ReportFailure(this, e);
  }
}

void TVerCmp::acPasteExecute() {
  try {
    FocusedView()->PasteClipboard();
  } catch (const std::exception& e) {
    ReportFailure(this, e);
  }
}

void TVerCmp::LAboutClick() {
  TAbout about(this);
  about.exec();
}

void TVerCmp::ZoomStepped() {
  Navigation->RecalcMarkPositions();
  // The change the user was looking at stays in view in both panes.
  Navigation->ShowCurrentChange();
}

// Before the current view changes: its page gets its unmarked body back.
void TVerCmp::CloseFindPanel() { Find->bCancelClick(); }

void TVerCmp::FormCreate() {
  if (AppDir.isEmpty()) AppDir = ExecutableDir();
  EnsureBackslash(AppDir);
  DataDir = DataDirFor(AppDir);
  TakeWorkFolder();

  Navigation->SyncEnabled = false;
  Navigation->LastScrollTop = {};
  Navigation->DocHeights = {};
  Navigation->SyncOffset = 0;
  Links->HoverLink.clear();

  PanFind->setFixedHeight(PanFindDef->height() + 2);

  CurrentView = 1;

  UnpackStyleFiles(DataDir, WorkDir);

  std::string message;
  if (!LoadDictionaries(ToNativeBytes(DataDir), message)) {
    ShowMessageBox(QString::fromUtf8(message.c_str()));
    startupFailed_ = true;
    QTimer::singleShot(0, qApp, &QCoreApplication::quit);
  }
}

void TVerCmp::TakeWorkFolder() {
  WorkDir = WorkDirFor(GetTempDir());
  const QString ownFolder = UserCacheDir() + "Parvel_t" + QChar(PathSeparator);
  if (!workFolder_.Acquire({WorkDir, ownFolder}, {"c1.htm", "c2.htm"})) {
    ShowMessageBox(U("Не удаётся создать рабочую папку ни в ") + WorkDir + U(", ни в ") + ownFolder +
                   U(": результаты сравнения некуда записать."));
    return;
  }
  if (!workFolder_.Unusable().isEmpty())
    ShowMessageBox(U("Рабочая папка ") + workFolder_.Unusable().first() +
                   U(" недоступна; программа работает в папке ") + workFolder_.Path() + ".");
  WorkDir = workFolder_.Path();
}

void TVerCmp::FormDestroy() {
  Navigation->MarkTops[1].clear();
  Navigation->MarkTops[2].clear();
  FreeDictionaries();
}

void TVerCmp::showEvent(QShowEvent* e) {
  QWidget::showEvent(e);
  if (shown_ || startupFailed_) return;
  shown_ = true;
  // After the window has appeared: the info page, then the two empty editable pages.
  QTimer::singleShot(0, this, [this] {
    FormShow();
    FormActivate();
  });
}

void TVerCmp::FormShow() {
  FormResize();
  try {
    WBInfo->Navigate(ToNativeBytes(DataDir) + InfoPageName());
    WBInfo->WaitReady(3000);
    WBInfo->Refresh();
  } catch (const std::exception&) {
    // The info panel is a convenience; start-up goes on without it.
  }
}

void TVerCmp::FormActivate() {
  if (activated_) return;
  StyleSheetName = "etalon5.css";
  bCompareDocs->hide();
  PlaceCompareButton();
  bCompareTexts->show();
  acPaste->setEnabled(true);
  try {
    LoadEmptyPage(1);
    LoadEmptyPage(2);
  } catch (const std::exception& e) {
    ReportFailure(this, e);
  }
  activated_ = true;
}

void TVerCmp::resizeEvent(QResizeEvent* e) {
  QWidget::resizeEvent(e);
  PlaceLinkLabels();
  FormResize();
}

void TVerCmp::FormResize() {
  if (size() == QSize(984, 480) || size() == Navigation->MeasuredSize) return;
  LayoutPanLeft();
  Navigation->RecalcMarkPositions(true);
}

bool TVerCmp::eventFilter(QObject* watched, QEvent* e) {
  if (watched == PanLeft && e->type() == QEvent::Resize) LayoutPanLeft();
  if (e->type() == QEvent::MouseButtonRelease &&
      static_cast<QMouseEvent*>(e)->button() == Qt::LeftButton) {
    if (watched == LInfo) Links->LInfoClick();
    if (watched == LAbout) QTimer::singleShot(0, this, [this] { LAboutClick(); });
  }
  return QWidget::eventFilter(watched, e);
}

void TVerCmp::LayoutPanLeft() {
  const int w = PanLeft->width(), h = PanLeft->height();
  const int half = (w - kDiffPosWidth) / 2;
  WB1->setGeometry(0, 0, half, h);                            // aligned left
  WB2->setGeometry(w - kDiffPosWidth - half, 0, half, h);     // aligned right, before the bar
  pbDiffPos->setGeometry(w - kDiffPosWidth, 0, kDiffPosWidth, h);
}

void TVerCmp::closeEvent(QCloseEvent* e) {
  if (run_) {
    // A comparison is running: stop it; the window closes once the run has ended.
    closeRequested_ = true;
    run_->Stop();
    e->ignore();
    return;
  }
  SaveWindowGeometry(*this);
  // The window is freed when closed, which ends the program.
  setAttribute(Qt::WA_DeleteOnClose, true);
  e->accept();
}

void TVerCmp::ShowMessage(const QString& text) { ShowMessageBox(text); }

void TVerCmp::ClearHostHighlights() { Find->ClearHostHighlights(); }

void TVerCmp::ShowWarning(const QString& text) { ShowOfficeWarning(this, text); }

void TVerCmp::PlaceLinkLabels() {
  // Beside the last tool button, wherever the controls before it put it.
  const int left = bForward->geometry().right() + 5, gap = 8;
  LInfo->adjustSize();
  LAbout->adjustSize();
  if (left + LInfo->width() + gap + LAbout->width() + 4 <= width()) {
    LInfo->move(left, (kToolBarHeight - LInfo->height()) / 2);
    LAbout->move(left + LInfo->width() + gap, LInfo->y());
  } else {
    LInfo->move(left, kToolBarHeight / 2 - LInfo->height());
    LAbout->move(left, kToolBarHeight / 2);
  }
}

void TVerCmp::PlaceCompareButton() {
  LVersions->adjustSize();
  bCompareTexts->move(LVersions->x() + LVersions->width() + 6, bCompareTexts->y());
}

void TVerCmp::LoadEmptyPage(int v) {
  PanFind->hide();
  acTextFind->setEnabled(false);
  bTextShowPanFind->hide();
  StoredBody[static_cast<size_t>(v)].clear();
  if (editedPanes_) editedPanes_->Forget(v);
  StyleSheetName = "etalon5.css";
  const QString path = WorkDir + (v == 1 ? "c1.htm" : "c2.htm");
  WritePageFile(ToNativeBytes(path), PageHead(StyleSheetName) + "<body></body></html>");
  THtmlView* view = Views[static_cast<size_t>(v)];
  view->Navigate(ToNativeBytes(path));
  view->WaitReady();
  view->SetDesignMode(true);
}

void TVerCmp::bCompareTextsClick() {
  // A press that reaches the window from inside the run's own waiting changes nothing.
  if (mode_ == wmRunning) return;
  // A file still being read into a pane: the comparison follows it.
  if (mode_ == wmEntry && OpenFiles && OpenFiles->DeferCompare()) return;
  if (mode_ == wmResult && !ConfirmNewComparison()) return;
  if (mode_ == wmEntry) {
    RunComparison(false);
    return;
  }
  Find->ResetSearch();
  try {
    EnterEntryState(true);
  } catch (const std::exception& e) {
    ReportFailure(this, e);
  }
}

void TVerCmp::RunComparison(bool again) {
  Find->ResetSearch();
  QString report;
  try {
    if (again) Navigation->ClearResult();
    SetMode(wmRunning);
    acPaste->setEnabled(false);
    // The views become read-only as the run asks them for the texts (TVerCmpRun::Exec).
    if (ShowComparison(report, again)) {
      SetMode(wmResult);
      acTextFind->setEnabled(true);
      bTextShowPanFind->show();
    } else if (!closeRequested_) {
      // Nothing to show: the user's texts stay where they were, editable.
      EnterEntryState(false);
    }
  } catch (const std::exception& e) {
    // The pages stay as the failure left them; "Новое сравнение" starts anew.
    if (mode_ == wmRunning) SetMode(wmResult);
    ReportFailure(this, e);
  }
  // Said once the progress window has gone and the window is usable again.
  if (!report.isEmpty() && !closeRequested_) ShowMessageBox(report, this);
  if (closeRequested_) QTimer::singleShot(0, this, [this] { close(); });
}

void TVerCmp::EnterEntryState(bool emptyPages) {
  SetMode(wmEntry);
  acPaste->setEnabled(true);
  Navigation->ClearResult();
  ComparedBody = {};
  ChangeList->Clear();
  if (emptyPages) {
    OpenFiles->ForgetFiles();
    LoadEmptyPage(1);
    LoadEmptyPage(2);
  } else {
    PanFind->hide();
    acTextFind->setEnabled(false);
    bTextShowPanFind->hide();
    for (size_t v = 1; v <= 2; ++v) {
      StoredBody[v].clear();
      Views[v]->SetDesignMode(true);
    }
  }
}

void TVerCmp::SetMode(TWindowMode mode) {
  mode_ = mode;
  if (mode != wmResult) shownModel_.reset();
  if (HandOn) HandOn->SetResultShown(mode == wmResult && shownModel_);
  LVersions->setText(U(mode == wmEntry ? kEnterCaption : mode == wmRunning ? kRunningCaption : kResultCaption));
  bCompareTexts->setText(U(mode == wmResult ? kNewCompareCaption : kCompareCaption));
  bCompareTexts->setEnabled(mode != wmRunning);
  PlaceCompareButton();
  // Before the run measures the pages: they are laid out at the width they are shown at.
  sidePanel_->ShowPage(mode == wmEntry ? static_cast<QWidget*>(WBInfo) : ChangeList);
  sidePanel_->SetResultMode(mode != wmEntry);
}

bool TVerCmp::ConfirmNewComparison() {
  if (!editedPanes_->AnyEdited()) return true;
  const bool both = editedPanes_->Edited(1) && editedPanes_->Edited(2);
  const QString what =
      both ? U("Тексты в обоих окнах набраны или изменены вручную и нигде не сохранены: "
               "при новом сравнении они будут потеряны.")
           : U("Текст в %1 окне набран или изменён вручную и нигде не сохранён: "
               "при новом сравнении он будет потерян.")
                 .arg(editedPanes_->Edited(1) ? U("левом") : U("правом"));
  return AskYesNo(what + U("\n\nНачать новое сравнение?"));
}

bool TVerCmp::ShowComparison(QString& report, bool again) {
  Navigation->SyncEnabled = false;
  TComparisonResult result = ShowComparisonRun(again);
  if (result.Outcome != TRunOutcome::roProduced) {
    if (result.Outcome == TRunOutcome::roStopped) Navigation->ChangeCount = 0;
    report = RunReport(result);
    return false;
  }
  Navigation->ChangeCount = result.ChangeCount;
  Navigation->MarkOfChange[1] = std::move(result.MarkOfChange[1]);
  Navigation->MarkOfChange[2] = std::move(result.MarkOfChange[2]);
  Navigation->MovedChange = std::move(result.Moved);
  StoredBody[1] = std::move(result.StoredBody[1]);
  StoredBody[2] = std::move(result.StoredBody[2]);
  ComparedBody = std::move(result.EnteredBody);
  Navigation->MarkTops[1].assign(static_cast<size_t>(result.ChangeCount), 0);
  Navigation->MarkTops[2].assign(static_cast<size_t>(result.ChangeCount), 0);
  // The view keeps the scroll position of a page loaded again from the same file; a new result
  // starts at its top. Both views measure their marks at once; StartResult takes the answer.
  Navigation->StartMarkMeasuring(true);
  ChangeList->SetList(std::move(result.Changes));
  shownModel_ = std::move(result.Model);
  Navigation->StartResult();
  // The keys work at once: the focus goes into the view the user worked in.
  if (isVisible()) {
    activateWindow();
    CurrentViewPtr()->FocusDocument();
  }
  return true;
}

QString TVerCmp::RunReport(const TComparisonResult& result) const {
  switch (result.Outcome) {
    case TRunOutcome::roNoDocument:
      return result.EmptyView == 1 ? U("Текст 1 пуст") : U("Текст 2 пуст");
    case TRunOutcome::roEmptyText:
      return result.EmptyView == 1 ? U("Вставьте или откройте текст в левом окне")
                                   : U("Вставьте или откройте текст в правом окне");
    case TRunOutcome::roStopped:
      return U("Операция прервана пользователем");
    case TRunOutcome::roFailed:
      return result.Error;
    case TRunOutcome::roProduced:
      break;
  }
  return QString();
}

TComparisonResult TVerCmp::ShowComparisonRun(bool again) {
  StyleSheetName = "etalon5.css";
  TComparisonRun run({nullptr, WB1, WB2}, WorkDir, StyleSheetName, SavedComparisonOptions());
  if (again) run.UseEnteredTexts(ComparedBody);
  TVerCmpRun window(run, this);
  run_ = &run;
  window.Exec();
  run_ = nullptr;
  return window.Result();
}
