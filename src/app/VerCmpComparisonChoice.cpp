// The window's choice of how a comparison lays out its changes: exact word by word, or aligned
// with the text and, if asked, joined into coherent blocks.
#include <QMenu>
#include <QTimer>

#include "app/VerCmp.h"
#include "appbase/ComparisonSettings.h"

void TVerCmp::CreateComparisonChoice() {
  const TComparisonOptions saved = SavedComparisonOptions();
  acLiteralCompare = new QAction(QString::fromUtf8("Точное сравнение по словам"), this);
  acLiteralCompare->setToolTip(QString::fromUtf8("Отмечать изменения ровно там, где их даёт сравнение по словам, "
                                                 "не выравнивая их по абзацам и предложениям"));
  acLiteralCompare->setCheckable(true);
  acLiteralCompare->setChecked(saved.Literal);
  acCoherentChanges = new QAction(QString::fromUtf8("Связные изменения"), this);
  acCoherentChanges->setToolTip(QString::fromUtf8("Правки одного абзаца, между которыми лишь несколько общих слов, "
                                                  "показывать как одно изменение"));
  acCoherentChanges->setCheckable(true);
  acCoherentChanges->setChecked(saved.CoherentBlocks);
  // The exact comparison joins nothing.
  acCoherentChanges->setEnabled(!saved.Literal);
  PopMenuText->addSeparator();
  PopMenuText->addAction(acLiteralCompare);
  PopMenuText->addAction(acCoherentChanges);
  for (QAction* a : {acLiteralCompare, acCoherentChanges})
    connect(a, &QAction::triggered, this, [this] { ComparisonChoiceChanged(); });
}

void TVerCmp::ComparisonChoiceChanged() {
  TComparisonOptions options = kDefaultComparisonOptions;
  options.Literal = acLiteralCompare->isChecked();
  options.CoherentBlocks = acCoherentChanges->isChecked();
  SaveComparisonOptions(options);
  acCoherentChanges->setEnabled(!options.Literal);
  // A result shown is compared again as now chosen; texts being entered wait for "Сравнить".
  // After the menu has closed: the run takes the window's input for its time.
  if (mode_ == wmResult && !ComparedBody[1].empty())
    QTimer::singleShot(0, this, [this] {
      if (mode_ == wmResult) RunComparison(true);
    });
}
