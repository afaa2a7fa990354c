#pragma once
// How a comparison lays its changes over the texts.

struct TComparisonOptions {
  // The diff's records exactly as the word comparison gives them: nothing is slid, joined or
  // taken for a move, whatever the other options say.
  bool Literal = false;
  // Passages deleted in one place and inserted in another are shown as moves.
  bool Moves = true;
  // Changes only a few common words apart inside one paragraph are shown and stepped as one
  // change, those words marked on both sides.
  bool CoherentBlocks = false;

  bool Aligned() const { return !Literal; }
  bool JoinsBlocks() const { return !Literal && CoherentBlocks; }
};

// What the window, its batch print and parvel-cli compare show unless told otherwise: the
// changes aligned with the paragraphs and sentences.
inline constexpr TComparisonOptions kDefaultComparisonOptions{};
// The pages exactly as the word comparison marks them.
inline constexpr TComparisonOptions kLiteralComparison{.Literal = true, .Moves = false, .CoherentBlocks = false};
