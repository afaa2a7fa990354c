// The arithmetic of the position bar, the mark search of the scroll synchronisation, the
// change label and the zoom steps.
#include <gtest/gtest.h>

#include <limits>

#include "navigation/NavigationMath.h"

using namespace navmath;

TEST(NavigationMath, RoundingHalfToEven) {
  EXPECT_EQ(DivRoundHalfEven(5, 2), 2);    // 2.5
  EXPECT_EQ(DivRoundHalfEven(7, 2), 4);    // 3.5
  EXPECT_EQ(DivRoundHalfEven(9, 4), 2);    // 2.25
  EXPECT_EQ(DivRoundHalfEven(11, 4), 3);   // 2.75
  EXPECT_EQ(DivRoundHalfEven(0, 7), 0);
  EXPECT_EQ(DivRoundHalfEven(-5, 2), -2);  // -2.5
  EXPECT_EQ(DivRoundHalfEven(-7, 2), -4);  // -3.5
  EXPECT_EQ(DivRoundHalfEven(-9, 4), -2);  // -2.25
  EXPECT_EQ(DivRoundHalfEven(-11, 4), -3);
}

TEST(NavigationMath, BarMarginByZoom) {
  EXPECT_EQ(BarMargin(100), 18);
  EXPECT_EQ(BarMargin(50), 9);
  EXPECT_EQ(BarMargin(120), 22);   // 21.6
  EXPECT_EQ(BarMargin(300), 54);
  EXPECT_EQ(BarMargin(131), 24);   // 23.58
  EXPECT_EQ(BarMargin(60), 11);    // 10.8
  EXPECT_EQ(BarMargin(25), 4);     // 4.5 goes to the even 4
  EXPECT_EQ(BarMargin(75), 14);    // 13.5 goes to the even 14
}

TEST(NavigationMath, MarkRows) {
  // At 100 %: a mark at the top on rows 17 and 18, one at the page's end on H-19 and H-18.
  const int h = 500, margin = BarMargin(100);
  EXPECT_EQ(MarkRow(0, 8000, h, margin), 17);
  EXPECT_EQ(MarkRow(8000, 8000, h, margin), h - 19);
  // The scaled top rounds half to even: usable 464, page 928 gives a factor of exactly 1/2.
  EXPECT_EQ(MarkRow(5, 928, h, margin), 2 + 17);  // 2.5
  EXPECT_EQ(MarkRow(7, 928, h, margin), 4 + 17);  // 3.5
  // Without a page height the usable height is the factor.
  EXPECT_EQ(MarkRow(2, 0, h, margin), 2 * 464 + 17);
  // A bar shorter than its margins, and extreme tops, do not overflow.
  EXPECT_EQ(MarkRow(0, 100, 10, margin), 17);
  EXPECT_LT(MarkRow(std::numeric_limits<int32_t>::max(), 1, h, margin),
            std::numeric_limits<int64_t>::max() / 2);
}

TEST(NavigationMath, FirstMarkAtOrBelowTheTop) {
  const std::vector<int32_t> tops = {0, 100, 100, 250, 180, 400};
  EXPECT_EQ(FirstMarkAtOrBelow(tops, 6, 0), 0);
  EXPECT_EQ(FirstMarkAtOrBelow(tops, 6, 100), 1) << "a mark exactly at the top edge counts";
  EXPECT_EQ(FirstMarkAtOrBelow(tops, 6, 101), 3);
  // Scanned in document order, not searched: the out-of-order 180 is passed over for 250.
  EXPECT_EQ(FirstMarkAtOrBelow(tops, 6, 150), 3);
  EXPECT_EQ(FirstMarkAtOrBelow(tops, 6, 401), -1);
  // Only the first `count` marks, and never past the list.
  EXPECT_EQ(FirstMarkAtOrBelow(tops, 3, 101), -1);
  EXPECT_EQ(FirstMarkAtOrBelow(tops, 99, 400), 5);
  EXPECT_EQ(FirstMarkAtOrBelow({}, 0, 0), -1);
}

TEST(NavigationMath, MarkKindByColour) {
  EXPECT_TRUE(IsDeletionColour("#ffcccc"));
  EXPECT_TRUE(IsDeletionColour("#FFCCCC"));
  EXPECT_TRUE(IsDeletionColour("background ffCCcc"));
  EXPECT_FALSE(IsDeletionColour("#ccffcc"));
  EXPECT_FALSE(IsDeletionColour("rgb(255, 204, 204)"));  // the view hands colours as #rrggbb
  EXPECT_FALSE(IsDeletionColour(""));
  EXPECT_STREQ(HighlightColour("#ffcccc"), "#ff7777");
  EXPECT_STREQ(HighlightColour("#ccffcc"), "#77ff77");
  EXPECT_STREQ(HighlightColour(""), "#77ff77");
}

TEST(NavigationMath, ChangeCaption) {
  EXPECT_EQ(ChangeCaption(2, 17), "3 из 17");
  EXPECT_EQ(ChangeCaption(0, 1), "1 из 1");
}

TEST(NavigationMath, ResizeRemeasures) {
  EXPECT_FALSE(ResizeMeasures(984, 480, 0, 0));
  EXPECT_FALSE(ResizeMeasures(1200, 700, 1200, 700));
  EXPECT_TRUE(ResizeMeasures(1200, 701, 1200, 700));
  EXPECT_TRUE(ResizeMeasures(984, 481, 0, 0));
}

TEST(NavigationMath, ZoomSteps) {
  EXPECT_EQ(SteppedZoomIndex(7, +1), 8);
  EXPECT_EQ(SteppedZoomIndex(7, -1), 6);
  EXPECT_EQ(SteppedZoomIndex(25, +1), 25);
  EXPECT_EQ(SteppedZoomIndex(0, -1), 0);
  EXPECT_EQ(SteppedZoomIndex(30, +1), 30);
  EXPECT_EQ(SteppedZoomIndex(-3, -1), -3);
  EXPECT_EQ(ZoomText(131), "131%");
  EXPECT_EQ(ZoomText(50), "50%");
}

// A click on the bar: the nearest line wins, the first of two as near; the room above a change
// shrinks only as far as the change needs and never below the minimum.
TEST(NavigationMath, NearestMarkAndRoomAboveAChange) {
  // Bar 236 high at margin 18: 200 usable rows over a page 2000 high, one row per 10 pixels.
  const std::vector<int32_t> tops = {0, 500, 990};  // rows 17, 67, 116
  EXPECT_EQ(NearestMarkToRow(tops, 2000, 236, 18, 0), 0);
  EXPECT_EQ(NearestMarkToRow(tops, 2000, 236, 18, 60), 1);
  EXPECT_EQ(NearestMarkToRow(tops, 2000, 236, 18, 92), 1);  // as near to both: the first
  EXPECT_EQ(NearestMarkToRow(tops, 2000, 236, 18, 93), 2);
  EXPECT_EQ(NearestMarkToRow(tops, 2000, 236, 18, 235), 2);
  EXPECT_EQ(NearestMarkToRow({}, 2000, 236, 18, 50), -1);

  EXPECT_EQ(RoomAboveChange(20, 600), ContextAboveChange);
  EXPECT_EQ(RoomAboveChange(550, 600), 50);
  EXPECT_EQ(RoomAboveChange(590, 600), MinContextAboveChange);
  EXPECT_EQ(RoomAboveChange(5000, 600), MinContextAboveChange);
  EXPECT_EQ(ZoomLevelCaption(120), "120\u00A0%");
}
