// The cursors of the "ProcessView" pickers and of the history strip, drawn
// at start-up: an arrow with a small mark beside its tip that says what the
// drag does. A 3 x 3 grid of cells chooses a matrix size; the root-locus pole
// cross and zero ring say which root a drop adds; a small chart of curves
// recalls designs. The hot spot is the arrow's tip.
#include "platform/ui/Wnd.h"
#include "res/Resources.h"
#include "res/resource.h"

#include <QPainter>

namespace qxres {

namespace {

constexpr int kCursorSize = 32;

// The standard arrow: black outline, white inside, tip at (1, 1).
void DrawArrow(QPainter& p) {
  const QPoint outline[] = {{1, 1}, {1, 17}, {5, 13}, {8, 20}, {10, 19}, {7, 12}, {12, 12}};
  p.setPen(QColor(0, 0, 0));
  p.setBrush(QColor(255, 255, 255));
  p.drawPolygon(outline, 7);
}

QImage BlankCursor() {
  QImage image(kCursorSize, kCursorSize, QImage::Format_ARGB32);
  image.fill(Qt::transparent);
  return image;
}

// A 3 x 3 grid of 4-pixel cells, the upper-left 2 x 2 of them filled.
QImage DrawSizeCursor() {
  QImage image = BlankCursor();
  QPainter p(&image);
  DrawArrow(p);
  p.setBrush(Qt::NoBrush);
  for (int r = 0; r < 3; ++r) {
    for (int c = 0; c < 3; ++c) {
      const QRect cell(14 + 5 * c, 16 + 5 * r, 4, 4);
      p.fillRect(cell, r < 2 && c < 2 ? QColor(0, 0, 150) : QColor(255, 255, 255));
      p.setPen(QColor(0, 0, 0));
      p.drawRect(cell.adjusted(0, 0, -1, -1).adjusted(-1, -1, 1, 1));
    }
  }
  return image;
}

// A pole: a cross, as the root locus draws one.
QImage DrawPoleCursor() {
  QImage image = BlankCursor();
  QPainter p(&image);
  DrawArrow(p);
  p.setPen(QPen(QColor(0, 0, 0), 2));
  p.drawLine(16, 18, 24, 26);
  p.drawLine(16, 26, 24, 18);
  return image;
}

// A zero: a ring.
QImage DrawZeroCursor() {
  QImage image = BlankCursor();
  QPainter p(&image);
  DrawArrow(p);
  p.setPen(QPen(QColor(0, 0, 0), 2));
  p.setBrush(Qt::NoBrush);
  p.drawEllipse(QRect(16, 18, 8, 8));
  return image;
}

// The history strip: a small chart beside the arrow, two curves over the
// entries, green falling and red rising, above a black base line.
QImage DrawHistoryCursor() {
  QImage image = BlankCursor();
  QPainter p(&image);
  DrawArrow(p);
  p.setPen(QColor(0, 0, 0));
  p.drawLine(14, 28, 28, 28);
  const QPoint falling[] = {{14, 18}, {18, 20}, {22, 25}, {28, 26}};
  const QPoint rising[] = {{14, 26}, {19, 24}, {23, 19}, {28, 17}};
  p.setPen(QColor(0, 150, 0));
  p.drawPolyline(falling, 4);
  p.setPen(QColor(255, 0, 0));
  p.drawPolyline(rising, 4);
  return image;
}

}  // namespace

void RegisterCursors() {
  QxRegisterCursor(IDC_SIZE_MATRIX, DrawSizeCursor(), 1, 1);
  QxRegisterCursor(IDC_ADD_POLE, DrawPoleCursor(), 1, 1);
  QxRegisterCursor(IDC_ADD_ZERO, DrawZeroCursor(), 1, 1);
  QxRegisterCursor(IDC_HISTORY_STRIP, DrawHistoryCursor(), 1, 1);
}

}  // namespace qxres
