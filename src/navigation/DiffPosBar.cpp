// The change position bar: where the changes lie in the whole left page.
#include <QPainter>
#include <QWidget>

#include "navigation/ChangeNavigation.h"
#include "navigation/NavigationMath.h"

void TChangeNavigation::pbDiffPosPaint(QPainter& painter) {
  const int w = pbDiffPos->width(), h = pbDiffPos->height();
  // The bar's colour is its parent's.
  painter.fillRect(0, 0, w, h, pbDiffPos->palette().color(QPalette::Window));
  const int margin = navmath::BarMargin(host_.ZoomPercentNow());
  const QColor line(255, 119, 119);  // "#ff7777"
  for (int32_t top : MarkTops[1]) {
    const int64_t y = navmath::MarkRow(top, DocHeights[1], h, margin);
    if (y < -2 || y > h) continue;  // off the bar
    // A two-pixel line across the bar, the rightmost column left empty.
    painter.fillRect(0, static_cast<int>(y), w - 1, 2, line);
  }
}
