// The change position bar: where the changes lie in the whole left page, which part of it the
// left view shows and which change is current.
#include <QPainter>
#include <QWidget>

#include <algorithm>

#include "navigation/ChangeNavigation.h"
#include "navigation/NavigationMath.h"

void TChangeNavigation::pbDiffPosPaint(QPainter& painter) {
  const int w = pbDiffPos->width(), h = pbDiffPos->height();
  // The bar's colour is its parent's.
  const QColor face = pbDiffPos->palette().color(QPalette::Window);
  painter.fillRect(0, 0, w, h, face);
  const int margin = navmath::BarMargin(host_.ZoomPercentNow());
  auto row = [&](int32_t top) { return navmath::MarkRow(top, DocHeights[1], h, margin); };

  // The visible part of the left page: a shaded band with a frame, at least a few rows high so
  // that it can be seen on a page of hundreds of screens.
  if (ResultShown && DocHeights[1] > 0) {
    constexpr int64_t minRows = 6;
    int64_t from = row(LastScrollTop[1]) + 1, to = row(LastScrollTop[1] + Views[1]->height()) + 1;
    if (to - from < minRows) {
      from = (from + to) / 2 - minRows / 2;
      to = from + minRows;
    }
    from = std::clamp<int64_t>(from, 0, std::max(0, h - static_cast<int>(minRows)));
    to = std::clamp<int64_t>(to, from + 1, h);
    const QRect band(0, static_cast<int>(from), w, static_cast<int>(to - from));
    painter.fillRect(band, face.darker(118));
    painter.setPen(face.darker(170));
    painter.drawRect(band.adjusted(0, 0, -1, -1));
  }

  const QColor line(255, 119, 119);  // "#ff7777"
  for (int32_t top : MarkTops[1]) {
    const int64_t y = row(top);
    if (y < -2 || y > h) continue;  // off the bar
    // A two-pixel line across the bar, the rightmost column left empty.
    painter.fillRect(0, static_cast<int>(y), w - 1, 2, line);
  }
  // The current change: darker and taller, across the whole bar, so that it stands out of a
  // crowd of lines.
  if (CurrentChange >= 0 && static_cast<size_t>(CurrentChange) < MarkTops[1].size()) {
    const int64_t y = row(MarkTops[1][static_cast<size_t>(CurrentChange)]);
    if (y >= -2 && y <= h) painter.fillRect(0, static_cast<int>(y) - 1, w, 4, QColor(192, 0, 0));
  }
}
