#pragma once
// Lays the diff's records out as changes, optionally sliding them over equal tokens so that
// their edges meet the text's structure.
#include <cstdint>
#include <vector>

#include "engine/Diff.h"

struct TComparedText;
struct TChangeRun;

// How well a boundary between two tokens suits a change's edge: a block boundary (or the text's
// start or end) over a sentence end over «;» or «:» over any other.
int EdgeScore(const TComparedText& text, int32_t boundary);

// One block of adjacent changes moved from where the diff put it.
struct TBlockShift {
  int32_t Record = 0;          // index of the block's first record where the diff put it
  int32_t First1 = 0, First2 = 0;  // its first tokens there
  int32_t Shift = 0;           // tokens it moved by, on both sides (negative: towards the start)
  std::vector<TChangeRec> Records;  // the diff's records of the block
};

struct TChangeLayout {
  std::vector<TChangeRun> Runs;       // in the order of the counter
  std::vector<TBlockShift> Shifts;    // empty unless aligned
};

// The changes of recs, one per group of records of one kind. With align, first slides every
// inserted-only or deleted-only block, and every replacement whose two sides can move together,
// over equal tokens to the position whose edges score best (ties keep the diff's position),
// rewriting recs in place. Each side keeps exactly its marked tokens' count; blocks may only
// meet where one mark then stands for both.
TChangeLayout LayOutChanges(std::vector<TChangeRec>& recs, const TComparedText& oldText,
                            const TComparedText& newText, bool align);

// Puts the blocks back where the diff had them: recs become the diff's records again.
void UndoShifts(std::vector<TChangeRec>& recs, const std::vector<TBlockShift>& shifts,
                const std::vector<int32_t>& h1, const std::vector<int32_t>& h2);
