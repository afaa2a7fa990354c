#include "engine/ChangeList.h"

#include "engine/ComparisonModel.h"

TChangeList BuildChangeList(const TComparisonModel& model, TNumbering) {
  TChangeList list;
  list.Groups.push_back({});
  int n = 0;
  for (const TChangeRun& run : model.Runs) {
    TChangeEntry e;
    e.N = ++n;
    e.Run = n - 1;
    e.Kind = run.Moved ? TAmendmentKind::Moved
             : run.Kind == dkInsert ? TAmendmentKind::WordsAdded
             : run.Kind == dkDelete ? TAmendmentKind::WordsRemoved
                                    : TAmendmentKind::WordsReplaced;
    list.Entries.push_back(e);
    ++list.Groups[0].Count;
  }
  return list;
}
