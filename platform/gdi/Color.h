#pragma once
// COLORREF (0x00BBGGRR, or 0x02BBGGRR for a palette-relative colour) to and
// from Qt's colours. The palette flag is ignored: there is no palette.
#include "platform/core/Types.h"

#include <QColor>
#include <QRgb>

inline QRgb QxToQRgb(COLORREF c) {
  return qRgb(GetRValue(c), GetGValue(c), GetBValue(c));
}
inline QColor QxToQColor(COLORREF c) {
  return QColor(GetRValue(c), GetGValue(c), GetBValue(c));
}
inline COLORREF QxFromQRgb(QRgb c) {
  return RGB(qRed(c), qGreen(c), qBlue(c));
}
inline COLORREF QxFromQColor(const QColor& c) {
  return RGB(c.red(), c.green(), c.blue());
}
