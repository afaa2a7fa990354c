#pragma once
// The comparison table («сравнительная таблица») of a comparison: one row per changed unit of
// the structure, the old wording on the left with the removed words marked, the new wording on
// the right with the new words marked. All texts are UTF-8, character references resolved.
#include <string>
#include <vector>

struct TComparisonModel;
struct TChangeList;

// A piece of one paragraph's text; Marked: removed words (left column) or new words (right).
struct TTableSpan {
  std::string Text;
  bool Marked = false;
};

// One side of a row: the address of the unit above its paragraphs. Empty paragraphs: the unit
// is absent on this side (a whole new unit has an empty left cell, a removed one an empty right).
struct TTableCell {
  std::string Address;  // «п. 3 ст. 142.9» as the change list writes it
  std::vector<std::vector<TTableSpan>> Paragraphs;
};

struct TTableRow {
  // A row «…»: unchanged units were left out here (Old and New are empty).
  bool Gap = false;
  bool Moved = false;  // the row is a moved passage: Old is its old place, New its new one
  TTableCell Old, New;
  // The 0-based changes of the counter that the row shows (the first and the last).
  int FirstChange = 0, LastChange = 0;
};

struct TTableTitles {
  std::string Name1, Name2;  // the documents' file names (used where a text has no heading)
  std::string Column1 = "Редакция 1", Column2 = "Редакция 2";
  std::string Date;  // of the comparison, «09.12.2026»
};

struct TComparisonTable {
  std::string Title;     // «Сравнительная таблица»
  std::string Subtitle;  // the two documents' headings (or names) and the date
  std::string Summary;   // the change list's summary line
  std::string Column1, Column2;
  std::vector<TTableRow> Rows;  // in the order of the new text; gaps between
};

TComparisonTable BuildComparisonTable(const TComparisonModel& model, const TChangeList& list,
                                      const TTableTitles& titles);
