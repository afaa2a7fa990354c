#pragma once
// The new edition with every difference from the old one as a tracked change: accepting all
// gives the new text, rejecting all the old. All texts are UTF-8, character references resolved.
#include <string>
#include <vector>

struct TComparisonModel;

enum class TTrackKind { Same, Inserted, Deleted };

struct TTrackedSpan {
  std::string Text;
  TTrackKind Kind = TTrackKind::Same;
  bool Moved = false;  // a deleted span is a move's old place, an inserted one its new place
  int Change = -1;     // the 0-based change of the counter; -1 for Same
};

// One paragraph of the merged text. End tells whose the paragraph's end is: Same (both
// editions break here), Inserted (only the new: the break is a tracked insertion) or Deleted
// (only the old: a tracked deletion joins this paragraph with the next).
struct TTrackedParagraph {
  std::vector<TTrackedSpan> Spans;
  TTrackKind End = TTrackKind::Same;
  int EndChange = -1;  // the change an inserted or deleted end belongs to
};

struct TTrackedEdition {
  std::string Title;               // the new edition's heading or file name
  std::string Author = "Parvel";   // of every change
  std::string Date;                // of every change, «2026-12-09T10:15:00»
  std::vector<TTrackedParagraph> Paragraphs;
};

TTrackedEdition BuildTrackedEdition(const TComparisonModel& model, const std::string& date,
                                    const std::string& title = {});
