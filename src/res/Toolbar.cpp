// Toolbar 128: New, Open, Save, then the three design searches. Its images
// are drawn here at start-up, one small plain picture per command.
#include "res/Resources.h"

#include "platform/gdi/GdiObjects.h"
#include "platform/ui/Constants.h"
#include "platform/ui/ControlBar.h"
#include "res/resource.h"

#include <QPainter>
#include <QPolygon>

namespace {

const QColor kFace(192, 192, 192);  // the toolbar shows this grey as transparent
const QColor kInk(0, 0, 0);
const QColor kPaper(255, 255, 255);
const QColor kShade(128, 128, 128);
const QColor kRed(255, 0, 0);
const QColor kBlue(0, 0, 255);
const QColor kDarkBlue(0, 0, 128);
const QColor kYellow(255, 255, 0);
const QColor kDarkYellow(128, 128, 0);
const QColor kGreen(0, 128, 0);

// An "x" of the root-locus kind, 5 x 5 around (cx, cy).
void Cross(QPainter& p, int cx, int cy, const QColor& colour) {
  p.setPen(colour);
  p.drawLine(cx - 2, cy - 2, cx + 2, cy + 2);
  p.drawLine(cx - 2, cy + 2, cx + 2, cy - 2);
}

// A horizontal arrow from x0 to x1 at y, the head at x1.
void Arrow(QPainter& p, int x0, int x1, int y, const QColor& colour) {
  p.setPen(colour);
  p.drawLine(x0, y, x1, y);
  const int back = x1 > x0 ? -1 : 1;
  p.drawLine(x1 + back, y - 1, x1 + back, y + 1);
  p.drawLine(x1 + 2 * back, y - 2, x1 + 2 * back, y + 2);
}

// A blank page with its top-right corner folded.
void DrawNew(QPainter& p) {
  const QPolygon page({QPoint(3, 1), QPoint(9, 1), QPoint(12, 4), QPoint(12, 13), QPoint(3, 13)});
  p.setPen(kInk);
  p.setBrush(kPaper);
  p.drawPolygon(page);
  p.drawLine(9, 1, 9, 4);
  p.drawLine(9, 4, 12, 4);
}

// A folder opening to the right.
void DrawOpen(QPainter& p) {
  p.setPen(kInk);
  p.setBrush(kDarkYellow);
  p.drawPolygon(QPolygon(
      {QPoint(1, 3), QPoint(5, 3), QPoint(6, 4), QPoint(11, 4), QPoint(11, 12), QPoint(1, 12)}));
  p.setBrush(kYellow);
  p.drawPolygon(QPolygon({QPoint(3, 7), QPoint(14, 7), QPoint(11, 12), QPoint(1, 12)}));
}

// A diskette: dark body, white label, shutter at the bottom.
void DrawSave(QPainter& p) {
  p.setPen(kInk);
  p.setBrush(kDarkBlue);
  p.drawRect(1, 1, 13, 12);
  p.setBrush(kPaper);
  p.drawRect(3, 1, 9, 5);
  p.setBrush(kShade);
  p.drawRect(4, 9, 7, 4);
  p.fillRect(5, 10, 2, 3, kInk);
}

// Closed-loop poles on the s-plane's imaginary axis, an arrow pushing them left.
void DrawClosedLoopPoles(QPainter& p) {
  p.setPen(kShade);
  p.drawLine(11, 0, 11, 14);
  p.drawLine(0, 7, 15, 7);
  Cross(p, 11, 3, kRed);
  Cross(p, 11, 11, kRed);
  Arrow(p, 7, 1, 3, kBlue);
  Arrow(p, 7, 1, 11, kBlue);
}

// Two channels with the coupling between them struck out.
void DrawInteraction(QPainter& p) {
  Arrow(p, 1, 14, 3, kInk);
  Arrow(p, 1, 14, 11, kInk);
  p.setPen(kBlue);
  p.drawLine(4, 4, 11, 10);
  Cross(p, 8, 7, kRed);
}

// A magnitude curve, flat then falling, whose corner an arrow pushes right.
void DrawBandwidth(QPainter& p) {
  p.setPen(kShade);
  p.drawLine(0, 14, 15, 14);
  p.drawLine(0, 0, 0, 14);
  p.setPen(kGreen);
  p.drawLine(1, 4, 7, 4);
  p.drawLine(7, 4, 12, 13);
  Arrow(p, 6, 14, 1, kBlue);
}

}  // namespace

namespace qxres {

QImage DrawToolBarImages() {
  using Draw = void (*)(QPainter&);
  const Draw pictures[] = {DrawNew,         DrawOpen,     DrawSave, DrawClosedLoopPoles,
                           DrawInteraction, DrawBandwidth};
  const int count = static_cast<int>(std::size(pictures));
  QImage images(count * kToolBarImageWidth, kToolBarImageHeight, QImage::Format_RGB32);
  images.fill(kFace);
  QPainter painter(&images);
  painter.setRenderHint(QPainter::Antialiasing, false);
  for (int i = 0; i < count; ++i) {
    painter.save();
    painter.translate(i * kToolBarImageWidth, 0);
    painter.setClipRect(0, 0, kToolBarImageWidth, kToolBarImageHeight);
    pictures[i](painter);
    painter.restore();
  }
  return images;
}

void RegisterToolBar() {
  QxRegisterBitmap(IDR_MAINFRAME, DrawToolBarImages());
  QxRegisterToolBar(IDR_MAINFRAME, kToolBarImageWidth, kToolBarImageHeight,
                    {ID_FILE_NEW, ID_FILE_OPEN, ID_FILE_SAVE, ID_SEPARATOR, ID_CLOSED_LOOP_POLES,
                     ID_INTERACTION, ID_BANDWIDTH});
}

}  // namespace qxres
