#pragma once
// Finds passages that were deleted in one place and inserted in another, and makes each of them
// one change: a move.
#include <cstdint>
#include <vector>

struct TComparedText;
struct TChangeRun;

// A range of tokens, [First, First + Count).
struct TTokenRange {
  int32_t First = 0, Count = 0;
  int32_t End() const { return First + Count; }
};

// A move as the pages draw it. Its run holds the two ends; the edited ranges are the tokens of
// each end that the other end does not have (words changed on the way), in text order.
struct TMovedPassage {
  int32_t Run = 0;  // index into the model's runs
  std::vector<TTokenRange> Edited1, Edited2;
};

// The shortest passage taken for a move: words (tokens with a letter or digit) and letters or
// digits in its equal tokens.
inline constexpr int kMoveMinWords = 4;
inline constexpr int kMoveMinLetters = 20;

// Looks for moves among the deleted and inserted tokens of runs (the text order of changes) and
// rewrites runs: what is moved leaves the ordinary runs it lay in (their rest stays a deletion,
// insertion or replacement), each move becomes one run, and all are put in the counter's order
// (by their old place). Returns the moves, their Run fields pointing into the rewritten runs.
std::vector<TMovedPassage> FindMovedPassages(std::vector<TChangeRun>& runs, const TComparedText& oldText,
                                             const TComparedText& newText);
