#pragma once
// Slides changes over equal tokens so that their edges meet the text's structure.
#include <cstdint>
#include <string>
#include <vector>

#include "engine/Diff.h"

struct TComparedText;

// How well a boundary between two tokens suits a change's edge: a block boundary (or the text's
// start or end) over a sentence end over «;» or «:» over any other.
int EdgeScore(const TComparedText& text, int32_t boundary);

// The records with every inserted-only or deleted-only run, and every replacement whose two
// sides can move together, shifted over equal tokens to the position whose edges score best;
// ties keep the diff's position. Each side keeps exactly the marked tokens' count; runs may only
// meet where one mark then stands for both. Empty when nothing moved.
std::vector<TChangeRec> AlignChanges(const std::vector<TChangeRec>& literal, const TComparedText& oldText,
                                     const TComparedText& newText);
