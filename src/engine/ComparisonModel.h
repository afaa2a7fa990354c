#pragma once
// One comparison of two texts, built once: what the pages, the counter and the exports are
// written from.
#include <cstdint>
#include <string>
#include <vector>

#include "engine/ChangeAlignment.h"
#include "engine/ChangeBlocks.h"
#include "engine/ComparisonOptions.h"
#include "engine/Diff.h"
#include "engine/MovedPassages.h"
#include "engine/TextStructure.h"

// One text as compared: the body (tail cut, "&nbsp;" made blanks), its tokens and blocks.
struct TComparedText {
  std::string Text;
  std::string Tail;  // from the body end tag on
  std::vector<int32_t> Positions;  // 1-based, into Text
  std::vector<int32_t> Hashes;
  TTokenBlocks Blocks;
};

// One change as counted and marked: a run of records of one kind. For a side that has no tokens
// in it (the old side of an insertion, the new side of a deletion), First is the token before
// which the other side's text is missing (the token count of that text when at the end).
// A moved passage is one change: First1/Count1 is its old place, First2/Count2 its new one.
struct TChangeRun {
  TDiffKind Kind = dkChange;  // dkInsert, dkDelete or dkChange
  int32_t First1 = 0, Count1 = 0;
  int32_t First2 = 0, Count2 = 0;
  bool Moved = false;
};

struct TComparisonModel {
  TComparedText Old, New;
  // Literal marks the diff's records as they are; otherwise each change slides over equal tokens
  // to where its edges best meet the text's paragraphs and sentences (the same tokens are
  // marked, only in other places), and coherent blocks may then join changes.
  TComparisonOptions Options = kLiteralComparison;
  // False when the diff was cancelled: then there are no records and no changes.
  bool Complete = false;
  // The records as shown: the diff's records with the aligned blocks moved. Only the moved
  // blocks are kept besides (a copy of every record would cost as much as the alignment).
  std::vector<TChangeRec> Records;
  std::vector<TBlockShift> Shifts;  // how the shown blocks were moved, in text order
  TJoinedBlocks Joined;             // changes shown as one block; empty unless CoherentBlocks
  std::vector<TChangeRun> Runs;     // the changes in the order of the counter
  std::vector<TMovedPassage> Moves;  // the runs that are moves, in the counter's order
  int ChangeCount = 0;

  const std::vector<TChangeRec>& Shown() const { return Records; }
  // The exact records of the diff.
  std::vector<TChangeRec> LiteralRecords() const;
  // The 0-based paragraph of a run's side (the one its missing text would stand in when empty).
  int32_t ParagraphOf(bool oldSide, int32_t first) const;
};

// From text 1 and text 2 (head + body outer HTML + "</html>"): cuts the tails, replaces
// "&nbsp;", splits, diffs with the caller's diff object (whose cancel and progress hooks apply)
// and lays out the changes as the options say. With moves (never in the literal layout), passages
// deleted in one place and inserted in another become moves.
TComparisonModel BuildComparisonModel(std::string text1, std::string text2, TDiff& diff,
                                      const TComparisonOptions& options);

// The changes of a record list, one per group of records of one kind.
std::vector<TChangeRun> ChangeRunsOf(const std::vector<TChangeRec>& recs);
