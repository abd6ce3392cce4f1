// Icon 128, the program's own: a small root locus (two poles on the real axis
// whose branches meet and leave it), drawn at start-up.
#include "res/Resources.h"

#include "platform/ui/Wnd.h"
#include "res/resource.h"

#include <QPainter>

namespace qxres {

QImage DrawProgramIcon() {
  QImage icon(32, 32, QImage::Format_ARGB32);
  icon.fill(QColor(255, 255, 255));
  QPainter p(&icon);
  p.setPen(QColor(128, 128, 128));
  p.drawRect(0, 0, 31, 31);
  p.setPen(QColor(0, 0, 0));
  p.drawLine(2, 16, 29, 16);  // real axis
  p.drawLine(24, 3, 24, 28);  // imaginary axis
  p.setPen(QColor(0, 0, 255));
  p.drawLine(8, 16, 19, 16);  // the branches on the axis, meeting halfway
  p.drawLine(14, 16, 14, 4);  // and leaving it as a conjugate pair
  p.drawLine(14, 16, 14, 28);
  p.setPen(QColor(255, 0, 0));
  for (int cx : {8, 19}) {  // the two open-loop poles
    p.drawLine(cx - 2, 14, cx + 2, 18);
    p.drawLine(cx - 2, 18, cx + 2, 14);
  }
  return icon;
}

void RegisterIcons() {
  QxRegisterIcon(IDR_MAINFRAME, DrawProgramIcon());
}

}  // namespace qxres
