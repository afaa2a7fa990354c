#include "app/ToolbarIcons.h"

#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

namespace {

const char* ThemeName(TToolbarIcon which) {
  switch (which) {
    case tiCompareDocs: return "document-open";
    case tiSaveToFile: return "document-save-as";
    case tiCopyToWord: return "edit-copy";
    case tiPrint: return "document-print";
    case tiPreview: return "document-print-preview";
    case tiZoomIn: return "zoom-in";
    case tiZoomOut: return "zoom-out";
    case tiFind: return "edit-find";
    case tiBack: return "go-previous";
    case tiForward: return "go-next";
    // No theme has a picture for these documents: always our own.
    case tiComparisonTable:
    case tiTrackedEdition: return "";
  }
  return "";
}

const QColor kInk(60, 70, 85);
const QColor kPaper(255, 255, 255);
const QColor kAccent(40, 110, 190);

// A sheet of paper with a folded corner, in the 16 x 16 grid.
void Sheet(QPainter& p, QRectF r) {
  QPainterPath path;
  path.moveTo(r.left(), r.top());
  path.lineTo(r.right() - 4, r.top());
  path.lineTo(r.right(), r.top() + 4);
  path.lineTo(r.right(), r.bottom());
  path.lineTo(r.left(), r.bottom());
  path.closeSubpath();
  p.setPen(QPen(kInk, 1));
  p.setBrush(kPaper);
  p.drawPath(path);
  p.drawLine(QPointF(r.right() - 4, r.top()), QPointF(r.right() - 4, r.top() + 4));
  p.drawLine(QPointF(r.right() - 4, r.top() + 4), QPointF(r.right(), r.top() + 4));
}

void TextLines(QPainter& p, double x0, double x1, double y0, int count) {
  p.setPen(QPen(QColor(150, 160, 175), 1));
  for (int i = 0; i < count; ++i) p.drawLine(QPointF(x0, y0 + 2 * i), QPointF(x1, y0 + 2 * i));
}

void Magnifier(QPainter& p, QPointF c, double r) {
  p.setPen(QPen(kInk, 1.6));
  p.setBrush(QColor(220, 235, 250, 220));
  p.drawEllipse(c, r, r);
  p.setPen(QPen(kInk, 2.4, Qt::SolidLine, Qt::RoundCap));
  p.drawLine(c + QPointF(r * 0.72, r * 0.72), c + QPointF(r * 1.8, r * 1.8));
}

void Arrow(QPainter& p, bool right) {
  QPainterPath path;
  if (right) {
    path.moveTo(14, 8); path.lineTo(8, 2.5); path.lineTo(8, 5.5); path.lineTo(2, 5.5);
    path.lineTo(2, 10.5); path.lineTo(8, 10.5); path.lineTo(8, 13.5);
  } else {
    path.moveTo(2, 8); path.lineTo(8, 2.5); path.lineTo(8, 5.5); path.lineTo(14, 5.5);
    path.lineTo(14, 10.5); path.lineTo(8, 10.5); path.lineTo(8, 13.5);
  }
  path.closeSubpath();
  p.setPen(QPen(kAccent.darker(130), 1));
  p.setBrush(kAccent);
  p.drawPath(path);
}

void Draw(QPainter& p, TToolbarIcon which) {
  switch (which) {
    case tiCompareDocs:
      Sheet(p, QRectF(1.5, 1.5, 8, 11));
      Sheet(p, QRectF(6.5, 3.5, 8, 11));
      TextLines(p, 8.5, 12.5, 8.5, 3);
      break;
    case tiSaveToFile:
      p.setPen(QPen(kInk, 1));
      p.setBrush(kAccent);
      p.drawRoundedRect(QRectF(1.5, 1.5, 13, 13), 1.5, 1.5);
      p.setBrush(kPaper);
      p.drawRect(QRectF(4.5, 1.5, 7, 5));
      p.setBrush(QColor(230, 230, 230));
      p.drawRect(QRectF(3.5, 9.5, 9, 5));
      break;
    case tiCopyToWord: {
      Sheet(p, QRectF(3.5, 1.5, 11, 13));
      p.setPen(Qt::NoPen);
      p.setBrush(QColor(43, 87, 154));
      p.drawRoundedRect(QRectF(0.5, 4.5, 9, 9), 1, 1);
      QFont f("DejaVu Sans");
      f.setPixelSize(8);
      f.setBold(true);
      p.setFont(f);
      p.setPen(Qt::white);
      p.drawText(QRectF(0.5, 4.5, 9, 9), Qt::AlignCenter, "W");
      break;
    }
    case tiPrint:
      Sheet(p, QRectF(4.5, 0.5, 7, 6));
      p.setPen(QPen(kInk, 1));
      p.setBrush(QColor(200, 205, 215));
      p.drawRoundedRect(QRectF(1.5, 5.5, 13, 6), 1.5, 1.5);
      p.setBrush(kPaper);
      p.drawRect(QRectF(4.5, 9.5, 7, 5));
      TextLines(p, 5.5, 10.5, 11.5, 2);
      p.setPen(Qt::NoPen);
      p.setBrush(QColor(80, 180, 80));
      p.drawEllipse(QPointF(12.5, 7.5), 0.9, 0.9);
      break;
    case tiPreview:
      Sheet(p, QRectF(1.5, 0.5, 10, 14));
      TextLines(p, 3.5, 8.5, 4.5, 4);
      Magnifier(p, QPointF(9, 9), 3.2);
      break;
    case tiZoomIn:
    case tiZoomOut: {
      Magnifier(p, QPointF(6.5, 6.5), 5);
      p.setPen(QPen(kInk, 1.6));
      p.drawLine(QPointF(4, 6.5), QPointF(9, 6.5));
      if (which == tiZoomIn) p.drawLine(QPointF(6.5, 4), QPointF(6.5, 9));
      break;
    }
    case tiFind:
      Sheet(p, QRectF(1.5, 0.5, 10, 14));
      TextLines(p, 3.5, 8.5, 4.5, 2);
      Magnifier(p, QPointF(9.5, 8.5), 3.6);
      break;
    case tiBack:
      Arrow(p, false);
      break;
    case tiForward:
      Arrow(p, true);
      break;
    case tiComparisonTable:
      // A sheet with two columns: a struck line on the left, a bold one on the right.
      Sheet(p, QRectF(1.5, 0.5, 13, 15));
      p.setPen(QPen(kInk, 1));
      p.drawLine(QPointF(8, 3.5), QPointF(8, 13.5));
      TextLines(p, 3.5, 6.5, 5.5, 4);
      TextLines(p, 9.5, 12.5, 5.5, 4);
      p.setPen(QPen(QColor(200, 40, 40), 1.2));
      p.drawLine(QPointF(3, 7.5), QPointF(7, 7.5));
      p.setPen(QPen(kAccent, 1.8));
      p.drawLine(QPointF(9.5, 9.5), QPointF(12.5, 9.5));
      break;
    case tiTrackedEdition:
      // A sheet whose lines carry a change bar in the margin and an inserted line.
      Sheet(p, QRectF(2.5, 0.5, 12, 15));
      TextLines(p, 5, 12, 4.5, 5);
      p.setPen(QPen(QColor(200, 40, 40), 1.4));
      p.drawLine(QPointF(1, 6), QPointF(1, 11));
      p.drawLine(QPointF(5, 8.5), QPointF(11, 8.5));
      p.setPen(QPen(kAccent, 1.4));
      p.drawLine(QPointF(5, 12.5), QPointF(12, 12.5));
      break;
  }
}

QPixmap Render(TToolbarIcon which, int size, bool disabled) {
  QPixmap pm(size, size);
  pm.fill(Qt::transparent);
  QPainter p(&pm);
  p.setRenderHint(QPainter::Antialiasing);
  p.scale(size / 16.0, size / 16.0);
  if (disabled) p.setOpacity(0.35);
  Draw(p, which);
  return pm;
}

}  // namespace

QIcon BundledToolbarIcon(TToolbarIcon which) {
  QIcon icon;
  for (int size : {16, 24, 32}) {
    icon.addPixmap(Render(which, size, false), QIcon::Normal);
    icon.addPixmap(Render(which, size, true), QIcon::Disabled);
  }
  return icon;
}

QIcon ToolbarIcon(TToolbarIcon which) {
  const QString name = QString::fromLatin1(ThemeName(which));
  if (name.isEmpty()) return BundledToolbarIcon(which);
  return QIcon::fromTheme(name, BundledToolbarIcon(which));
}
