#pragma once
// QxSelectGuard: selects a drawing object into a device context and selects
// the object it replaced again when the guard goes, so a drawing routine leaves
// the context as it found it on every way out.
//
// A null object selects nothing and restores nothing (the callers' optional
// pens and fonts). A null previous object (nothing of that kind was selected,
// or the context refused the object) restores nothing either. Objects selected
// by hand while the guard lives are replaced by the guard's previous object at
// the end. Guards restore in reverse order, so nested guards of one kind unwind
// to the first previous object.
#include "platform/gdi/DC.h"

class QxSelectGuard {
 public:
  QxSelectGuard(CDC* dc, CGdiObject* object)
      : m_dc(dc), m_previous(object ? dc->SelectObject(object) : nullptr) {}
  QxSelectGuard(CDC& dc, CGdiObject* object) : QxSelectGuard(&dc, object) {}
  // Selects the stock object with the index (NULL_BRUSH, WHITE_BRUSH, NULL_PEN, ...).
  static QxSelectGuard Stock(CDC* dc, int index) { return QxSelectGuard(dc, index); }
  ~QxSelectGuard() {
    if (m_previous) m_dc->SelectObject(m_previous);
  }
  QxSelectGuard(const QxSelectGuard&) = delete;
  QxSelectGuard& operator=(const QxSelectGuard&) = delete;

 private:
  QxSelectGuard(CDC* dc, int stockIndex)
      : m_dc(dc), m_previous(dc->SelectStockObject(stockIndex)) {}

  CDC* m_dc;
  CGdiObject* m_previous;
};
