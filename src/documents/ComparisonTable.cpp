#include "documents/ComparisonTable.h"

TComparisonTable BuildComparisonTable(const TComparisonModel&, const TChangeList&, const TTableTitles& titles) {
  TComparisonTable table;
  table.Title = "Сравнительная таблица";
  table.Column1 = titles.Column1;
  table.Column2 = titles.Column2;
  return table;
}
