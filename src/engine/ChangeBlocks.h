#pragma once
// Coherent change blocks: changes only a few common words apart inside one paragraph read as one
// amendment («слова … заменены словами …»), so they are shown and stepped as one change.
#include <cstdint>
#include <vector>

#include "engine/Diff.h"

struct TComparedText;
struct TChangeRun;

// Records [From, To) shown and counted as one change.
struct TRecordSpan {
  int32_t From = 0, To = 0;
};

struct TJoinedBlocks {
  std::vector<TRecordSpan> Spans;  // in text order; only blocks of more than one run
  std::vector<int32_t> Common;     // records the diff had as equal pairs, now marked on both sides
};

// Two neighbouring change runs (runs of one kind of record, as shown) are joined when the
// common run between them has at most max(2, the smaller edit's words) words and no block
// boundary (paragraph, cell, line break) stands between them on either side; a moved passage
// is never joined. The common words become dkChange records of the block, and each block
// replaces its runs in `runs` by one replacement. Runs that do not correspond to the records'
// own grouping are left alone.
TJoinedBlocks JoinCoherentBlocks(std::vector<TChangeRec>& recs, std::vector<TChangeRun>& runs,
                                 const TComparedText& oldText, const TComparedText& newText);

// The most common words two edits may stand apart and still be joined.
int32_t MaxJoinedGapWords(int32_t smallerEditWords);
