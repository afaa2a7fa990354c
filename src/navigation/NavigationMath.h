#pragma once
// The arithmetic of result navigation, the position bar and zoom, kept free of the window
// toolkit so that it can be checked on its own.
#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "engine/MarkContract.h"
#include "support/FastStrings.h"

namespace navmath {

// Marks and zoom steps of the program.
inline constexpr const char* MarkTag = marks::Tag.data();
inline constexpr const char* MarkId = marks::Id.data();
// The further pieces of a mark whose change spans markup.
inline constexpr const char* MarkContinuationId = marks::ContinuationId.data();
inline constexpr int ZoomIndexMax = 25;
// The window size at which a resize never measures the marks again.
inline constexpr int NoMeasureWidth = 984;
inline constexpr int NoMeasureHeight = 480;

// n / d rounded to the nearest integer, an exact half going to the even neighbour; d > 0.
// Integer arithmetic, so that halves are recognised exactly.
constexpr int64_t DivRoundHalfEven(int64_t n, int64_t d) {
  int64_t q = n / d, r = n % d;
  if (r < 0) {  // floor division
    --q;
    r += d;
  }
  if (2 * r > d || (2 * r == d && (q & 1) != 0)) ++q;
  return q;
}

// Empty rows above and below the marks of the position bar at a zoom percentage.
constexpr int BarMargin(int zoomPercent) {
  return static_cast<int>(DivRoundHalfEven(int64_t{18} * zoomPercent, 100));
}

// The upper of the two bar rows drawn for a mark at `top` in a page `docHeight` high, on a bar
// `barHeight` high. Without a page height the usable height itself is the factor.
constexpr int64_t MarkRow(int32_t top, int32_t docHeight, int barHeight, int margin) {
  const int64_t usable = int64_t{barHeight} - 2 * int64_t{margin};
  const int64_t scaled =
      docHeight > 0 ? DivRoundHalfEven(int64_t{top} * usable, docHeight) : int64_t{top} * usable;
  return scaled + margin - 1;
}

// The mark whose bar line lies nearest to bar row `row` (a line covers its row and the next), or
// -1 without marks; of two as near, the first.
inline int NearestMarkToRow(const std::vector<int32_t>& tops, int32_t docHeight, int barHeight,
                            int margin, int row) {
  int best = -1;
  int64_t bestDistance = 0;
  for (size_t i = 0; i < tops.size(); ++i) {
    // Twice the distance from the middle of the two-row line, so that it stays an integer.
    const int64_t d = 2 * MarkRow(tops[i], docHeight, barHeight, margin) + 1 - 2 * int64_t{row};
    const int64_t distance = d < 0 ? -d : d;
    if (best < 0 || distance < bestDistance) {
      best = static_cast<int>(i);
      bestDistance = distance;
    }
  }
  return best;
}

// Text shown above the current change when it is scrolled to, pixels (the find panel's rule for
// its current occurrence); less when that would push the end of the change out of the view, but
// never less than the minimum.
inline constexpr int ContextAboveChange = 80;
inline constexpr int MinContextAboveChange = 16;

// The room left above a change `height` pixels high in a view `viewHeight` pixels high.
constexpr int RoomAboveChange(int height, int viewHeight) {
  const int spare = viewHeight - height;
  return spare > ContextAboveChange ? ContextAboveChange
                                    : (spare < MinContextAboveChange ? MinContextAboveChange : spare);
}

// The zoom step the program starts at (120 %), to which the reset returns.
inline constexpr int ZoomIndexStart = 7;

// The zoom level as the window shows it: 131 gives "131 %".
inline std::string ZoomLevelCaption(int percent) { return std::to_string(percent) + "\xC2\xA0%"; }

// The first of the first `count` marks whose top is at or below `top` (a mark exactly at the
// top edge counts), or -1. Marks are scanned in document order: the tops need not be sorted.
// Marks whose skip entry is set do not count.
inline int FirstMarkAtOrBelow(const std::vector<int32_t>& tops, int count, int32_t top,
                              const std::vector<uint8_t>& skip = {}) {
  const int n = count < static_cast<int>(tops.size()) ? count : static_cast<int>(tops.size());
  for (int i = 0; i < n; ++i) {
    const size_t k = static_cast<size_t>(i);
    if (tops[k] >= top && !(k < skip.size() && skip[k])) return i;
  }
  return -1;
}

// A mark colour containing "ffcccc" in any letter case is the deletion side of a change.
inline bool IsDeletionColour(std::string_view colour) {
  return FindFromNoCase(marks::DeletedColour, colour, 1) > 0;
}

// A mark colour naming a moved passage's end.
inline bool IsMovedColour(std::string_view colour) { return FindFromNoCase(marks::MovedColour, colour, 1) > 0; }

// The highlight a mark gets while its change is current.
inline const char* HighlightColour(std::string_view savedColour) {
  static const std::string deleted = "#" + std::string(marks::DeletedHighlight);
  static const std::string inserted = "#" + std::string(marks::InsertedHighlight);
  static const std::string moved = "#" + std::string(marks::MovedHighlight);
  return IsDeletionColour(savedColour) ? deleted.c_str() : IsMovedColour(savedColour) ? moved.c_str() : inserted.c_str();
}

// What each piece of the current change turns to, by its own colour, for the view's recolouring;
// pieces of any other colour take HighlightColour("").
inline std::vector<std::pair<std::string, std::string>> HighlightTable() {
  const std::string deleted = "#" + std::string(marks::DeletedColour), moved = "#" + std::string(marks::MovedColour);
  return {{deleted, HighlightColour(deleted)}, {moved, HighlightColour(moved)}};
}

// The change label for the current change n of count, UTF-8: change 2 of 17 reads "3 из 17".
inline std::string ChangeCaption(int n, int count) {
  return std::to_string(n + 1) + " \xD0\xB8\xD0\xB7 " + std::to_string(count);
}

// Whether a resize to width x height measures the marks again, given the size at the last
// measurement.
constexpr bool ResizeMeasures(int width, int height, int measuredWidth, int measuredHeight) {
  if (width == NoMeasureWidth && height == NoMeasureHeight) return false;
  return !(width == measuredWidth && height == measuredHeight);
}

// The zoom step after one step in `direction` (+1 in, -1 out); at either bound it stays.
constexpr int SteppedZoomIndex(int index, int direction) {
  if (direction > 0) return index >= ZoomIndexMax ? index : index + 1;
  return index <= 0 ? index : index - 1;
}

// The body style value of a zoom percentage: 131 gives "131%".
inline std::string ZoomText(int percent) { return std::to_string(percent) + "%"; }

}  // namespace navmath
