#include "findpanel/FindPanel.h"

#include <QEvent>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStyle>
#include <QToolButton>

#include <algorithm>
#include <exception>
#include <vector>

#include "appbase/Failure.h"
#include "find/TextFinder.h"
#include "support/Cp1251.h"
#include "view/HtmlView.h"

namespace {

std::string MarkId(int occurrence, int mark) {
  return "fnd" + std::to_string(occurrence) + "_" + std::to_string(mark);
}

// Keeps a command from running while another one waits for the view (a held key, a double
// click), and clears the flag on every way out.
class TBusy {
 public:
  explicit TBusy(bool& flag) : flag_(flag) { flag_ = true; }
  ~TBusy() { flag_ = false; }

 private:
  bool& flag_;
};

}  // namespace

TFindPanel::TFindPanel(IFindPanelHost& host, QWidget* panFind, QWidget* panFindDef)
    : QObject(panFind), PanFind(panFind), PanFindDef(panFindDef), host_(host) {
  auto* row = new QHBoxLayout(PanFindDef);
  row->setContentsMargins(6, 2, 6, 2);
  row->setSpacing(6);

  LFind = new QLabel(QStringLiteral("Найти в тексте:"), PanFindDef);
  edSearch = new QLineEdit(PanFindDef);
  edSearch->setMaxLength(80);
  edSearch->setFixedWidth(260);
  edSearch->setTextMargins(0, 0, 19, 0);
  edSearch->installEventFilter(this);
  // The clear image sits inside the right end of the edit.
  ImgClear = new QToolButton(edSearch);
  ImgClear->setIcon(edSearch->style()->standardIcon(QStyle::SP_LineEditClearButton));
  ImgClear->setToolTip(QStringLiteral("Очистить"));
  ImgClear->setCursor(Qt::PointingHandCursor);
  ImgClear->setAutoRaise(true);
  ImgClear->setFixedSize(17, 17);
  ImgClear->setFocusPolicy(Qt::TabFocus);

  bFind = new QPushButton(QStringLiteral("Найти"), PanFindDef);
  bFind->setDefault(true);
  bFindForward = new QPushButton(PanFindDef);
  bFindForward->setIcon(PanFindDef->style()->standardIcon(QStyle::SP_ArrowDown));
  bFindForward->setToolTip(QStringLiteral("Следующий фрагмент"));
  bFindBackward = new QPushButton(PanFindDef);
  bFindBackward->setIcon(PanFindDef->style()->standardIcon(QStyle::SP_ArrowUp));
  bFindBackward->setToolTip(QStringLiteral("Предыдущий фрагмент"));
  for (QPushButton* b : {bFindForward, bFindBackward}) b->setFixedWidth(28);
  bCancel = new QPushButton(QStringLiteral("Закрыть"), PanFindDef);
  LFindCount = new QLabel(PanFindDef);
  LFindCount->setMinimumWidth(110);

  row->addWidget(LFind);
  row->addWidget(edSearch);
  row->addWidget(bFind);
  row->addWidget(bFindForward);
  row->addWidget(bFindBackward);
  row->addWidget(bCancel);
  row->addWidget(LFindCount);
  row->addStretch(1);
  QWidget::setTabOrder(edSearch, bFind);
  QWidget::setTabOrder(bFind, bFindForward);
  QWidget::setTabOrder(bFindForward, bCancel);
  QWidget::setTabOrder(bCancel, bFindBackward);
  QWidget::setTabOrder(bFindBackward, ImgClear);

  connect(edSearch, &QLineEdit::returnPressed, this, [this] { bFindClick(); });
  connect(bFind, &QPushButton::clicked, this, [this] { bFindClick(); });
  connect(bFindForward, &QPushButton::clicked, this, [this] { bFindForwardClick(); });
  connect(bFindBackward, &QPushButton::clicked, this, [this] { bFindBackwardClick(); });
  connect(bCancel, &QPushButton::clicked, this, [this] { bCancelClick(); });
  connect(ImgClear, &QToolButton::clicked, this, [this] { ImgClearClick(); });
}

bool TFindPanel::eventFilter(QObject* watched, QEvent* e) {
  if (watched == edSearch) {
    if (e->type() == QEvent::Resize)
      ImgClear->move(edSearch->width() - ImgClear->width() - 2, (edSearch->height() - ImgClear->height()) / 2);
    if (e->type() == QEvent::KeyPress && static_cast<QKeyEvent*>(e)->key() == Qt::Key_Escape) {
      bCancelClick();
      return true;
    }
  }
  return QObject::eventFilter(watched, e);
}

THtmlView* TFindPanel::Current() { return host_.ResultView(host_.CurrentViewNumber()); }

void TFindPanel::ClearHostHighlights() {
  for (int v = 1; v <= 2; ++v) {
    THtmlView* view = host_.ResultView(v);
    if (view && view->HasDocument())
      view->SetBackgroundColorOfNamed("first_found", kHostHighlights, ColourText(kClearedColour));
  }
}

void TFindPanel::acTextFindExecute() {
  try {
    ClearHostHighlights();
  } catch (const std::exception& e) {
    host_.ShowMessage(FailureText(e));
  }
  PanFind->show();
  edSearch->setFocus(Qt::ShortcutFocusReason);
  edSearch->selectAll();
}

void TFindPanel::bFindClick() {
  if (busy_) return;
  TBusy busy(busy_);
  const int v = host_.CurrentViewNumber();
  const std::string& stored = host_.StoredBodyOf(v);
  THtmlView* view = Current();
  if (stored.empty() || !view) return;  // no result page to search
  try {
    int count = 0;
    const std::string marked =
        MarkMatches(cp1251::FromUtf8(edSearch->text().toUtf8().toStdString()), stored + " ", count);
    FindCount = count;
    view->SetInnerHtml(TElementRef::Body(), marked);
    markedView_ = v;
    view->WaitReady();
    FindIndex = -1;
    if (FindCount >= 1) ScrollToElement(MarkId(0, 0));
  } catch (const std::exception& e) {
    host_.ShowMessage(FailureText(e));
  }
  ShowCount();
}

void TFindPanel::bFindForwardClick() {
  if (busy_) return;
  if (FindIndex >= FindCount - 1) {
    host_.ShowMessage(QStringLiteral("Достигнут конец документа"));
    return;
  }
  Step(FindIndex + 1);
}

void TFindPanel::bFindBackwardClick() {
  if (busy_) return;
  if (FindIndex < 1) {
    host_.ShowMessage(QStringLiteral("Достигнуто начало документа"));
    return;
  }
  Step(FindIndex - 1);
}

void TFindPanel::Step(int to) {
  TBusy busy(busy_);
  try {
    ColourOccurrence(FindIndex, kVisitedColour);
    FindIndex = to;
    ColourOccurrence(FindIndex, kCurrentColour);
    ScrollToElement(MarkId(FindIndex, 0));
  } catch (const std::exception& e) {
    host_.ShowMessage(FailureText(e));
  }
  ShowCount();
}

void TFindPanel::ColourOccurrence(int n, unsigned rgb) {
  if (n < 0) return;
  std::vector<std::string> ids;
  for (int m = 0; m < kMarksColoured; ++m) ids.push_back(MarkId(n, m));
  Current()->SetBackgroundColorsById(ids, ColourText(rgb));
}

void TFindPanel::ScrollToElement(const std::string& id) {
  THtmlView* view = Current();
  const TElementRef element = TElementRef::ById(id);
  if (!view->ElementExists(element)) return;
  view->ScrollIntoView(element, true);
  // An occurrence at the very top keeps some text above it in sight.
  if (view->BoundingTop(element) <= 10) view->SetBodyScrollTop(std::max(0, view->BodyScrollTop() - 80));
}

void TFindPanel::bCancelClick() {
  FindCount = 0;
  FindIndex = -1;
  PanFind->hide();
  ShowCount();
  // Only a page that a search has marked needs its body back: putting the same body in again
  // would cost a reload of the page and drop the highlight of the current change.
  const int v = host_.CurrentViewNumber();
  if (markedView_ != v) return;
  markedView_ = 0;
  const std::string& stored = host_.StoredBodyOf(v);
  if (stored.empty()) return;
  try {
    THtmlView* view = Current();
    view->WaitReady();
    view->SetInnerHtml(TElementRef::Body(), stored);
  } catch (const std::exception& e) {
    host_.ShowMessage(FailureText(e));
  }
}

void TFindPanel::ImgClearClick() {
  edSearch->clear();
  edSearch->setFocus(Qt::OtherFocusReason);
}

void TFindPanel::ResetSearch() {
  FindCount = 0;
  FindIndex = -1;
  markedView_ = 0;
  PanFind->hide();
  ShowCount();
}

void TFindPanel::ShowCount() {
  if (!PanFind->isVisible() || markedView_ == 0) LFindCount->clear();
  else if (FindCount == 0) LFindCount->setText(QStringLiteral("Не найдено"));
  else if (FindIndex < 0) LFindCount->setText(QStringLiteral("Найдено: %1").arg(FindCount));
  else LFindCount->setText(QStringLiteral("%1 из %2").arg(FindIndex + 1).arg(FindCount));
}
