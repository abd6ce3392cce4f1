// CDC drawing: lines and shapes with the pen, brush and ROP2; rectangle fills;
// pixels; block transfers with ternary raster operations. All pixel work is
// done here by hand on the surface so that every operation combines exactly.
#include "platform/gdi/DC.h"

#include "platform/gdi/Color.h"
#include "platform/gdi/GdiInternal.h"
#include "platform/core/VectorState.h"

#include <QPainter>
#include <QPainterPath>
#include <QVarLengthArray>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <initializer_list>
#include <span>
#include <utility>
#include <vector>

using qxgdi::Attributes;
using qxgdi::DataPtr;
using qxgdi::Record;

namespace qxgdi {

QRgb Rop2(int code, QRgb pen, QRgb dst) {
  // Bit (p*2 + d) of (code - 1) is the result for pen bit p and destination bit d.
  unsigned table = static_cast<unsigned>(code - 1) & 0xF;
  QRgb r = 0;
  if (table & 1) r |= ~pen & ~dst;
  if (table & 2) r |= ~pen & dst;
  if (table & 4) r |= pen & ~dst;
  if (table & 8) r |= pen & dst;
  return (r & 0x00FFFFFFu) | 0xFF000000u;
}

QRgb Rop3(DWORD rop, QRgb p, QRgb s, QRgb d) {
  unsigned table = (rop >> 16) & 0xFF;
  QRgb r = 0;
  for (unsigned i = 0; i < 8; ++i) {
    if (!((table >> i) & 1)) continue;
    QRgb term = ((i & 4) ? p : ~p) & ((i & 2) ? s : ~s) & ((i & 1) ? d : ~d);
    r |= term;
  }
  return (r & 0x00FFFFFFu) | 0xFF000000u;
}

bool RopUsesSource(DWORD rop) {
  unsigned t = (rop >> 16) & 0xFF;
  return ((t >> 2) & 0x33) != (t & 0x33);
}

bool RopUsesPattern(DWORD rop) {
  unsigned t = (rop >> 16) & 0xFF;
  return ((t >> 4) & 0x0F) != (t & 0x0F);
}

std::optional<QRgb> BrushPixel(const GdiData* brush, const Attributes& a, int x, int y,
                               bool opaqueGaps) {
  if (!brush) return std::nullopt;
  switch (brush->brush.lbStyle) {
    case BS_SOLID:
      return QxToQRgb(brush->brush.lbColor) | 0xFF000000u;
    case BS_HATCHED:
      if (brush->pattern.pixel(x & 7, y & 7) == 0xFFFFFFFFu) return QxToQRgb(brush->brush.lbColor);
      if (opaqueGaps) return QxToQRgb(a.bkColor);
      return std::nullopt;
    case BS_PATTERN: {
      QRgb p = brush->pattern.pixel(x & 7, y & 7) | 0xFF000000u;
      if (!brush->monoPattern) return p;
      return (p & 0xFFFFFFu) == 0xFFFFFFu ? QxToQRgb(a.bkColor) : QxToQRgb(a.textColor);
    }
    default:
      return std::nullopt;
  }
}

}  // namespace qxgdi

namespace {
std::atomic<bool> g_directShapes{true};  // see CoverDirectly
}  // namespace

void qxgdi::SetDirectShapes(bool on) {
  g_directShapes = on;
}

namespace {

// Writes pixels of one surface inside the paint region.
class PixelSink {
 public:
  // The paint region (qxgdi::PaintRegion) as disjoint rectangles, made without
  // a region of its own: every line, shape and block copy makes one.
  explicit PixelSink(const CDC& dc) : m_image(QxDCAccess::Surface(dc)) {
    if (!m_image) return;
    const QRect surface = m_image->rect();
    const auto& clip = QxDCAccess::State(dc).a.clip;
    if (!clip) {
      if (!surface.isEmpty()) m_rects.push_back(surface);
    } else {
      for (const QRect& r : *clip)
        if (const QRect inside = r & surface; !inside.isEmpty()) m_rects.push_back(inside);
    }
    for (const QRect& r : m_rects) m_bounds |= r;
  }
  bool Valid() const { return m_image && !m_rects.empty(); }
  // Asked for every pixel of a line: inline, and one test for the usual one rectangle.
  bool Contains(int x, int y) const {
    if (!InRect(m_bounds, x, y)) return false;
    if (m_rects.size() == 1) return true;
    for (const QRect& r : m_rects)
      if (InRect(r, x, y)) return true;
    return false;
  }
  QRgb& At(int x, int y) { return Row(y)[x]; }
  // The surface's row y; the surface is detached once, on the first write.
  QRgb* Row(int y) {
    if (!m_bits) {
      m_bits = m_image->bits();
      m_stride = m_image->bytesPerLine();
    }
    return reinterpret_cast<QRgb*>(m_bits + y * m_stride);
  }
  void Put(int x, int y, QRgb c, int rop2) {
    if (!Contains(x, y)) return;
    QRgb& d = At(x, y);
    d = rop2 == R2_COPYPEN ? (c | 0xFF000000u) : qxgdi::Rop2(rop2, c, d);
  }
  // Put for the pixels first .. last of row y.
  void PutSpan(int y, int first, int last, QRgb c, int rop2) {
    if (y < m_bounds.top() || y > m_bounds.bottom()) return;
    for (const QRect& clip : m_rects) {
      if (y < clip.top() || y > clip.bottom()) continue;
      const int from = std::max(first, clip.left()), to = std::min(last, clip.right());
      if (from > to) continue;
      QRgb* row = Row(y);
      if (rop2 == R2_COPYPEN) {
        std::fill(row + from, row + to + 1, c | 0xFF000000u);
      } else {
        for (int x = from; x <= to; ++x) row[x] = qxgdi::Rop2(rop2, c, row[x]);
      }
    }
  }
  // Calls f(x, y) for every pixel of rect inside the paint region.
  template <class F>
  void ForEach(const QRect& rect, F f) {
    for (const QRect& clip : m_rects) {
      QRect r = clip.intersected(rect);
      for (int y = r.top(); y <= r.bottom(); ++y)
        for (int x = r.left(); x <= r.right(); ++x) f(x, y);
    }
  }
  // Calls f(row, first, last) for every row span of rect inside the paint
  // region, row holding the surface's pixels.
  template <class F>
  void ForEachRow(const QRect& rect, F f) {
    for (const QRect& clip : m_rects) {
      QRect r = clip.intersected(rect);
      for (int y = r.top(); y <= r.bottom(); ++y) f(y, Row(y), r.left(), r.right());
    }
  }
  // Sets every pixel of rect inside the paint region to one colour.
  void Fill(const QRect& rect, QRgb color) {
    for (const QRect& clip : m_rects) {
      QRect r = clip.intersected(rect);
      for (int y = r.top(); y <= r.bottom(); ++y) std::fill_n(Row(y) + r.left(), r.width(), color);
    }
  }
  const QRect& Bounds() const { return m_bounds; }
  QImage* Surface() const { return m_image; }
  // Whether every pixel of rect lies in the paint region.
  bool Covers(const QRect& rect) const {
    for (const QRect& r : m_rects)
      if (r.contains(rect)) return true;
    return false;
  }

 private:
  static bool InRect(const QRect& r, int x, int y) {
    return x >= r.left() && x <= r.right() && y >= r.top() && y <= r.bottom();
  }
  QImage* m_image;
  QVarLengthArray<QRect, 4> m_rects;
  QRect m_bounds;
  uchar* m_bits = nullptr;
  qsizetype m_stride = 0;
};

void AddBounds(CDC& dc, const QRect& deviceRect) {
  if (qxgdi::Recording* rec = QxDCAccess::Rec(dc))
    rec->bounds = rec->bounds.united(deviceRect.normalized());
}

int PenStyle(const Attributes& a) {
  return a.pen ? static_cast<int>(a.pen->pen.lopnStyle & PS_STYLE_MASK) : PS_NULL;
}

int PenDeviceWidth(const Attributes& a) {
  if (!a.pen) return 0;
  int w = a.pen->pen.lopnWidth.x;
  if (w <= 1) return 1;
  return std::max(1, static_cast<int>(std::lround(w * qxgdi::ScaleX(a))));
}

// A style's run lengths (ink first) as one flag per step, made once.
std::vector<bool> ExpandRuns(std::initializer_list<int> runs) {
  std::vector<bool> steps;
  bool ink = true;
  for (int run : runs) {
    steps.insert(steps.end(), static_cast<size_t>(run), ink);
    ink = !ink;
  }
  return steps;
}

// Whether step n of a pen style is ink (true) or gap; asked for every pixel of a line.
bool StyleInk(int style, int n) {
  static const std::vector<bool> dash = ExpandRuns({18, 6}), dot = ExpandRuns({1, 1}),
                                 dashDot = ExpandRuns({9, 6, 3, 6}),
                                 dashDotDot = ExpandRuns({9, 3, 3, 3, 3, 3});
  const std::vector<bool>* steps;
  switch (style) {
    case PS_DASH:
      steps = &dash;
      break;
    case PS_DOT:
      steps = &dot;
      break;
    case PS_DASHDOT:
      steps = &dashDot;
      break;
    case PS_DASHDOTDOT:
      steps = &dashDotDot;
      break;
    default:
      return true;
  }
  return (*steps)[static_cast<size_t>(n) % steps->size()];
}

// One-pixel line from a to b in device pixels, b itself not painted.
void CosmeticLine(PixelSink& sink, Attributes& a, QPoint p0, QPoint p1) {
  const int style = PenStyle(a);
  const QRgb ink = QxToQRgb(a.pen->pen.lopnColor);
  const QRgb gap = QxToQRgb(a.bkColor);
  int x = p0.x(), y = p0.y();
  const int dx = std::abs(p1.x() - x), dy = -std::abs(p1.y() - y);
  const int sx = x < p1.x() ? 1 : -1, sy = y < p1.y() ? 1 : -1;
  int err = dx + dy;
  // Styles without gaps ink every step; the step count still runs on.
  const bool gaps =
      style == PS_DASH || style == PS_DOT || style == PS_DASHDOT || style == PS_DASHDOTDOT;
  while (x != p1.x() || y != p1.y()) {
    if (!gaps) {
      ++a.styleStep;
      sink.Put(x, y, ink, a.rop2);
    } else if (StyleInk(style, a.styleStep++)) {
      sink.Put(x, y, ink, a.rop2);
    } else if (a.bkMode == OPAQUE) {
      sink.Put(x, y, gap, a.rop2);
    }
    int e2 = 2 * err;
    if (e2 >= dy) {
      err += dy;
      x += sx;
    }
    if (e2 <= dx) {
      err += dx;
      y += sy;
    }
  }
}

// Paints the pixels a path covers (no antialiasing) through a callback, one
// call per run of covered pixels in a row: span(y, first, last).
template <class Draw, class Span>
void CoverageSpans(const QRect& bounds, Draw draw, Span span) {
  if (bounds.isEmpty()) return;
  QxCleanVectorStateOnExit clean;  // Qt's raster code may leave AVX state in use
  QImage mask(bounds.size(), QImage::Format_Alpha8);
  mask.fill(0);
  {
    QPainter p(&mask);
    p.setRenderHint(QPainter::Antialiasing, false);
    p.translate(-bounds.left(), -bounds.top());
    draw(p);
  }
  const int width = mask.width();
  for (int y = 0; y < mask.height(); ++y) {
    const uchar* line = mask.constScanLine(y);
    for (int x = 0; x < width;) {
      if (line[x] < 128) {
        ++x;
        continue;
      }
      const int first = x;
      while (x < width && line[x] >= 128) ++x;
      span(bounds.top() + y, bounds.left() + first, bounds.left() + x - 1);
    }
  }
}

// Paints one colour, with a plain copy, on the pixels a path covers inside
// bounds, by drawing the path straight onto the surface: the painter works on
// a view of just that rectangle of the surface, so it rasterizes exactly as it
// does into a coverage mask of the rectangle (same device rectangle, same
// offset, no antialiasing), and every covered pixel takes the colour. Only
// for RGB32 surfaces whose paint region holds all of bounds; returns false,
// having drawn nothing, otherwise.
template <class Draw>
bool CoverDirectly(PixelSink& sink, const QRect& bounds, QRgb color, Draw draw) {
  QImage* surface = sink.Surface();
  if (!g_directShapes || surface->format() != QImage::Format_RGB32 || !sink.Covers(bounds))
    return false;
  if (bounds.isEmpty()) return true;
  QxCleanVectorStateOnExit clean;  // Qt's raster code may leave AVX state in use
  QImage view(surface->scanLine(bounds.top()) + bounds.left() * sizeof(QRgb), bounds.width(),
              bounds.height(), surface->bytesPerLine(), QImage::Format_RGB32);
  QPainter p(&view);
  p.setRenderHint(QPainter::Antialiasing, false);
  p.translate(-bounds.left(), -bounds.top());
  draw(p, QColor::fromRgb(color));
  return true;
}

// Fills a device path with the brush (ROP2) and strokes it with a wide or
// cosmetic Qt pen when stroke is set. A solid brush or the pen copied onto
// the surface (R2_COPYPEN) is drawn directly; everything else through
// coverage masks. A direct fill and a direct outline whose rectangles both
// lie whole in the paint region share one painter on the outline's
// rectangle, which holds the fill's: a band circle then makes one painter
// instead of two. The fill's coordinates there are those in its own
// rectangle shifted by whole pixels, positive in both and never clipped by
// either rectangle, so it covers the same pixels (the shape tests compare
// every case with the coverage masks).
void PaintPath(CDC& dc, const QPainterPath& fill, const QPainterPath* stroke, Qt::FillRule rule) {
  PixelSink sink(dc);
  if (!sink.Valid()) return;
  Attributes& a = QxDCAccess::State(dc).a;
  const int margin = PenDeviceWidth(a) + 2;
  const bool filled = a.brush && a.brush->brush.lbStyle != BS_NULL && !fill.isEmpty();
  const bool stroked = stroke && PenStyle(a) != PS_NULL;
  const QRect fillRect =
      filled ? fill.boundingRect().toAlignedRect().adjusted(-1, -1, 1, 1) : QRect();
  const QRect strokeRect =
      stroked ? stroke->boundingRect().toAlignedRect().adjusted(-margin, -margin, margin, margin)
              : QRect();
  const bool solid = filled && a.brush->brush.lbStyle == BS_SOLID;
  const QRgb color = filled ? QxToQRgb(a.brush->brush.lbColor) | 0xFF000000u : 0;
  QPainterPath path = fill;
  path.setFillRule(rule);
  auto paintFill = [&](QPainter& p, const QColor& ink) {
    p.setPen(Qt::NoPen);
    p.setBrush(ink);
    p.drawPath(path);
  };
  const int width = PenDeviceWidth(a);
  const QRgb ink = stroked ? QxToQRgb(a.pen->pen.lopnColor) : 0;
  auto paintStroke = [&](QPainter& p, const QColor& color) {
    QPen pen(color);
    pen.setWidth(width <= 1 ? 0 : width);
    pen.setCapStyle(Qt::RoundCap);
    pen.setJoinStyle(Qt::RoundJoin);
    p.setPen(pen);
    p.setBrush(Qt::NoBrush);
    p.drawPath(*stroke);
  };
  if (solid && stroked && a.rop2 == R2_COPYPEN && !fillRect.isEmpty() &&
      strokeRect.contains(fillRect) && sink.Covers(strokeRect) &&
      CoverDirectly(sink, strokeRect, color, [&](QPainter& p, const QColor& c) {
        paintFill(p, c);
        paintStroke(p, QColor::fromRgb(ink));
      }))
    return;
  if (filled) {
    const QRect bounds = fillRect.intersected(sink.Bounds());
    if (!(solid && a.rop2 == R2_COPYPEN && CoverDirectly(sink, bounds, color, paintFill)))
      CoverageSpans(
          bounds, [&](QPainter& p) { paintFill(p, Qt::white); },
          [&](int y, int first, int last) {
            if (solid) {
              sink.PutSpan(y, first, last, color, a.rop2);
              return;
            }
            for (int x = first; x <= last; ++x)
              if (auto c = qxgdi::BrushPixel(a.brush.get(), a, x, y, a.bkMode == OPAQUE))
                sink.Put(x, y, *c, a.rop2);
          });
  }
  if (stroked) {
    const QRect bounds = strokeRect.intersected(sink.Bounds());
    if (!(a.rop2 == R2_COPYPEN && CoverDirectly(sink, bounds, ink, paintStroke)))
      CoverageSpans(
          bounds, [&](QPainter& p) { paintStroke(p, Qt::white); },
          [&](int y, int first, int last) { sink.PutSpan(y, first, last, ink, a.rop2); });
  }
}

// Lines through device points with the current pen; the last point is not painted.
void PolylineDevice(CDC& dc, std::span<const QPoint> pts) {
  Attributes& a = QxDCAccess::State(dc).a;
  if (pts.size() < 2 || PenStyle(a) == PS_NULL) return;
  if (PenDeviceWidth(a) <= 1) {
    PixelSink sink(dc);
    if (!sink.Valid()) return;
    for (size_t i = 1; i < pts.size(); ++i) CosmeticLine(sink, a, pts[i - 1], pts[i]);
    return;
  }
  QPainterPath path;
  path.moveTo(QPointF(pts[0]) + QPointF(0.5, 0.5));
  for (size_t i = 1; i < pts.size(); ++i) path.lineTo(QPointF(pts[i]) + QPointF(0.5, 0.5));
  PaintPath(dc, QPainterPath(), &path, Qt::OddEvenFill);
}

// A figure's outline (Polyline, Polygon, Rectangle) starts the pen style
// afresh and leaves the phase of the lines joined by LineTo as it was.
void OutlineDevice(CDC& dc, std::span<const QPoint> pts) {
  int& step = QxDCAccess::State(dc).a.styleStep;
  const int joined = std::exchange(step, 0);
  PolylineDevice(dc, pts);
  step = joined;
}

QRect PointsBounds(std::span<const QPoint> pts, int penWidth) {
  const int margin = penWidth > 1 ? (penWidth + 1) / 2 : 0;
  QRect r;
  for (const QPoint& p : pts) r = r.united(QRect(p, QSize(1, 1)));
  return r.adjusted(-margin, -margin, margin, margin);
}

std::vector<QPoint> ToDevicePoints(const Attributes& a, const POINT* points, int count) {
  std::vector<QPoint> pts;
  for (int i = 0; points && i < count; ++i)
    pts.push_back(qxgdi::ToDevice(a, points[i].x, points[i].y));
  return pts;
}

}  // namespace

// ---- lines and shapes ----------------------------------------------------------

BOOL CDC::LineTo(int x, int y) {
  Attributes& a = QxDCAccess::State(*this).a;
  const QPoint pts[2] = {qxgdi::ToDevice(a, a.position.x(), a.position.y()),
                         qxgdi::ToDevice(a, x, y)};
  if (IsRecording()) {
    AddBounds(*this, PointsBounds(pts, PenDeviceWidth(a)));
    Record(*this, [x, y](CDC& t, const qxgdi::ReplayContext&) { t.LineTo(x, y); });
  } else {
    PolylineDevice(*this, pts);
  }
  a.position = QPoint(x, y);
  return TRUE;
}

BOOL CDC::Polyline(const POINT* points, int count) {
  if (!points || count < 2) return FALSE;
  Attributes& a = QxDCAccess::State(*this).a;
  std::vector<QPoint> pts = ToDevicePoints(a, points, count);
  if (IsRecording()) {
    AddBounds(*this, PointsBounds(pts, PenDeviceWidth(a)));
    std::vector<POINT> copy(points, points + count);
    Record(*this, [copy](CDC& t, const qxgdi::ReplayContext&) {
      t.Polyline(copy.data(), static_cast<int>(copy.size()));
    });
    return TRUE;
  }
  OutlineDevice(*this, pts);
  return TRUE;
}

BOOL CDC::Polygon(const POINT* points, int count) {
  if (!points || count < 2) return FALSE;
  Attributes& a = QxDCAccess::State(*this).a;
  std::vector<QPoint> pts = ToDevicePoints(a, points, count);
  if (IsRecording()) {
    AddBounds(*this, PointsBounds(pts, PenDeviceWidth(a)));
    std::vector<POINT> copy(points, points + count);
    Record(*this, [copy](CDC& t, const qxgdi::ReplayContext&) {
      t.Polygon(copy.data(), static_cast<int>(copy.size()));
    });
    return TRUE;
  }
  QPainterPath fill;
  fill.moveTo(pts[0]);
  for (size_t i = 1; i < pts.size(); ++i) fill.lineTo(pts[i]);
  fill.closeSubpath();
  PaintPath(*this, fill, nullptr, a.polyFillMode == WINDING ? Qt::WindingFill : Qt::OddEvenFill);
  pts.push_back(pts[0]);
  OutlineDevice(*this, pts);
  return TRUE;
}

BOOL CDC::Rectangle(int left, int top, int right, int bottom) {
  Attributes& a = QxDCAccess::State(*this).a;
  QRect r = qxgdi::ToDeviceRect(a, RECT{left, top, right, bottom});
  if (IsRecording()) {
    AddBounds(*this, r);
    Record(*this,
           [=](CDC& t, const qxgdi::ReplayContext&) { t.Rectangle(left, top, right, bottom); });
    return TRUE;
  }
  if (r.width() < 1 || r.height() < 1) return TRUE;
  const bool pen = PenStyle(a) != PS_NULL;
  const int width = PenDeviceWidth(a);
  // The outline runs on the outermost pixels; without a pen the fill stops one
  // pixel short of the right and bottom edges.
  QRect inner = pen ? r.adjusted(1, 1, -1, -1) : r.adjusted(0, 0, -1, -1);
  if (pen && width > 1)
    inner = r.adjusted(width / 2 + 1, width / 2 + 1, -(width + 1) / 2, -(width + 1) / 2);
  if (a.brush && a.brush->brush.lbStyle != BS_NULL && !inner.isEmpty()) {
    PixelSink sink(*this);
    if (sink.Valid() && a.brush->brush.lbStyle == BS_SOLID) {
      // One colour: row spans, as Put would set every pixel of them.
      const QRgb color = QxToQRgb(a.brush->brush.lbColor) | 0xFF000000u;
      for (int y = inner.top(); y <= inner.bottom(); ++y)
        sink.PutSpan(y, inner.left(), inner.right(), color, a.rop2);
    } else if (sink.Valid()) {
      sink.ForEach(inner, [&](int x, int y) {
        if (auto c = qxgdi::BrushPixel(a.brush.get(), a, x, y, a.bkMode == OPAQUE))
          sink.Put(x, y, *c, a.rop2);
      });
    }
  }
  if (!pen) return TRUE;
  std::vector<QPoint> outline{r.topLeft(), r.topRight(), r.bottomRight(), r.bottomLeft(),
                              r.topLeft()};
  if (width > 1) {
    QPainterPath path;
    path.addRect(QRectF(r).adjusted(width / 2.0, width / 2.0, -width / 2.0, -width / 2.0));
    PaintPath(*this, QPainterPath(), &path, Qt::OddEvenFill);
    return TRUE;
  }
  OutlineDevice(*this, outline);
  return TRUE;
}

BOOL CDC::Ellipse(int left, int top, int right, int bottom) {
  Attributes& a = QxDCAccess::State(*this).a;
  QRect r = qxgdi::ToDeviceRect(a, RECT{left, top, right, bottom});
  if (IsRecording()) {
    AddBounds(*this, r);
    Record(*this,
           [=](CDC& t, const qxgdi::ReplayContext&) { t.Ellipse(left, top, right, bottom); });
    return TRUE;
  }
  if (r.width() < 1 || r.height() < 1) return TRUE;
  QPainterPath fill;
  fill.addEllipse(QRectF(r));
  QPainterPath stroke;
  const int width = PenDeviceWidth(a);
  const double inset = width <= 1 ? 0.5 : width / 2.0;
  stroke.addEllipse(QRectF(r).adjusted(inset, inset, -inset, -inset));
  PaintPath(*this, fill, PenStyle(a) != PS_NULL ? &stroke : nullptr, Qt::OddEvenFill);
  return TRUE;
}

// ---- rectangles and pixels ---------------------------------------------------------

void CDC::FillRect(LPCRECT rect, CBrush* brush) {
  if (!rect || !brush || !brush->Data()) return;
  Attributes& a = QxDCAccess::State(*this).a;
  QRect r = qxgdi::ToDeviceRect(a, *rect);
  DataPtr data = brush->Data();
  if (IsRecording()) {
    AddBounds(*this, r);
    RECT copy = *rect;
    Record(*this, [copy, data](CDC& t, const qxgdi::ReplayContext&) {
      CBrush b;
      b.SetData(data);
      t.FillRect(&copy, &b);
    });
    return;
  }
  PixelSink sink(*this);
  if (!sink.Valid()) return;
  if (data->brush.lbStyle == BS_SOLID) {
    sink.Fill(r, QxToQRgb(data->brush.lbColor));
    return;
  }
  sink.ForEach(r, [&](int x, int y) {
    if (auto c = qxgdi::BrushPixel(data.get(), a, x, y, a.bkMode == OPAQUE))
      sink.At(x, y) = *c | 0xFF000000u;
  });
}

void CDC::FillSolidRect(LPCRECT rect, COLORREF color) {
  if (!rect) return;
  SetBkColor(color);
  Attributes& a = QxDCAccess::State(*this).a;
  QRect r = qxgdi::ToDeviceRect(a, *rect);
  if (IsRecording()) {
    AddBounds(*this, r);
    RECT copy = *rect;
    Record(*this,
           [copy, color](CDC& t, const qxgdi::ReplayContext&) { t.FillSolidRect(&copy, color); });
    return;
  }
  PixelSink sink(*this);
  if (!sink.Valid()) return;
  sink.Fill(r, QxToQRgb(color));
}

void CDC::FillSolidRect(int x, int y, int cx, int cy, COLORREF color) {
  RECT r{x, y, x + cx, y + cy};
  FillSolidRect(&r, color);
}

void CDC::FrameRect(LPCRECT rect, CBrush* brush) {
  if (!rect || !brush) return;
  Attributes& a = QxDCAccess::State(*this).a;
  QRect r = qxgdi::ToDeviceRect(a, *rect);
  if (r.isEmpty()) return;
  QPoint tl = qxgdi::ToLogical(a, r.left(), r.top()),
         br = qxgdi::ToLogical(a, r.right() + 1, r.bottom() + 1);
  QPoint one = qxgdi::ToLogical(a, r.left() + 1, r.top() + 1);
  int dx = std::max(1, one.x() - tl.x()), dy = std::max(1, one.y() - tl.y());
  RECT edges[4] = {{tl.x(), tl.y(), br.x(), tl.y() + dy},
                   {tl.x(), br.y() - dy, br.x(), br.y()},
                   {tl.x(), tl.y(), tl.x() + dx, br.y()},
                   {br.x() - dx, tl.y(), br.x(), br.y()}};
  for (const RECT& e : edges) FillRect(&e, brush);
}

void CDC::InvertRect(LPCRECT rect) {
  if (!rect) return;
  Attributes& a = QxDCAccess::State(*this).a;
  QRect r = qxgdi::ToDeviceRect(a, *rect);
  if (IsRecording()) {
    AddBounds(*this, r);
    RECT copy = *rect;
    Record(*this, [copy](CDC& t, const qxgdi::ReplayContext&) { t.InvertRect(&copy); });
    return;
  }
  PixelSink sink(*this);
  if (!sink.Valid()) return;
  sink.ForEach(r, [&](int x, int y) { sink.At(x, y) = ~sink.At(x, y) | 0xFF000000u; });
}

void CDC::Draw3dRect(LPCRECT rect, COLORREF topLeft, COLORREF bottomRight) {
  if (!rect) return;
  Draw3dRect(rect->left, rect->top, rect->right - rect->left, rect->bottom - rect->top, topLeft,
             bottomRight);
}

void CDC::Draw3dRect(int x, int y, int cx, int cy, COLORREF topLeft, COLORREF bottomRight) {
  FillSolidRect(x, y, cx - 1, 1, topLeft);
  FillSolidRect(x, y, 1, cy - 1, topLeft);
  FillSolidRect(x + cx, y, -1, cy, bottomRight);
  FillSolidRect(x, y + cy, cx, -1, bottomRight);
}

namespace {
// Inverts every other pixel (device checkerboard) of the frame between outer and inner.
void XorFrame(CDC& dc, const QRect& outer, const QRect& inner) {
  PixelSink sink(dc);
  if (!sink.Valid() || outer.isEmpty()) return;
  sink.ForEach(outer, [&](int x, int y) {
    if (inner.contains(x, y) || ((x + y) & 1)) return;
    sink.At(x, y) = ~sink.At(x, y) | 0xFF000000u;
  });
}
}  // namespace

void CDC::DrawFocusRect(LPCRECT rect) {
  if (!rect) return;
  Attributes& a = QxDCAccess::State(*this).a;
  QRect r = qxgdi::ToDeviceRect(a, *rect);
  if (IsRecording()) {
    AddBounds(*this, r);
    RECT copy = *rect;
    Record(*this, [copy](CDC& t, const qxgdi::ReplayContext&) { t.DrawFocusRect(&copy); });
    return;
  }
  XorFrame(*this, r, r.adjusted(1, 1, -1, -1));
}

void CDC::DrawDragRect(LPCRECT rect, SIZE size, LPCRECT last, SIZE lastSize) {
  Attributes& a = QxDCAccess::State(*this).a;
  if (IsRecording()) {
    RECT r = rect ? *rect : RECT{}, l = last ? *last : RECT{};
    bool hasR = rect != nullptr, hasL = last != nullptr;
    if (rect) AddBounds(*this, qxgdi::ToDeviceRect(a, *rect));
    Record(*this, [=](CDC& t, const qxgdi::ReplayContext&) {
      t.DrawDragRect(hasR ? &r : nullptr, size, hasL ? &l : nullptr, lastSize);
    });
    return;
  }
  auto frame = [&](LPCRECT r, SIZE s) {
    if (!r) return;
    QRect outer = qxgdi::ToDeviceRect(a, *r);
    XorFrame(*this, outer, outer.adjusted(s.cx, s.cy, -s.cx, -s.cy));
  };
  frame(last, lastSize);
  frame(rect, size);
}

namespace {

// The surface pixel at a device point inside the paint region, or null. Loci
// are plotted a pixel at a time, so no region is built for one point.
QRgb* PaintPixel(const CDC& dc, QPoint d) {
  QImage* image = QxDCAccess::Surface(dc);
  if (!image || !image->rect().contains(d)) return nullptr;
  const auto& clip = QxDCAccess::State(dc).a.clip;
  if (clip && !clip->contains(d)) return nullptr;
  return reinterpret_cast<QRgb*>(image->scanLine(d.y())) + d.x();
}

}  // namespace

COLORREF CDC::SetPixel(int x, int y, COLORREF color) {
  Attributes& a = QxDCAccess::State(*this).a;
  QPoint d = qxgdi::ToDevice(a, x, y);
  if (IsRecording()) {
    AddBounds(*this, QRect(d, QSize(1, 1)));
    Record(*this, [x, y, color](CDC& t, const qxgdi::ReplayContext&) { t.SetPixel(x, y, color); });
    return color & 0xFFFFFFu;
  }
  QRgb* pixel = PaintPixel(*this, d);
  if (!pixel) return CLR_INVALID;
  *pixel = QxToQRgb(color);
  return color & 0xFFFFFFu;
}

BOOL CDC::SetPixelV(int x, int y, COLORREF color) {
  return SetPixel(x, y, color) != CLR_INVALID;
}

COLORREF CDC::GetPixel(int x, int y) const {
  const Attributes& a = QxDCAccess::State(*this).a;
  const QRgb* pixel = PaintPixel(*this, qxgdi::ToDevice(a, x, y));
  return pixel ? QxFromQRgb(*pixel) : CLR_INVALID;
}

// ---- block transfers ----------------------------------------------------------------

BOOL CDC::PatBlt(int x, int y, int width, int height, DWORD rop) {
  Attributes& a = QxDCAccess::State(*this).a;
  QRect r = qxgdi::ToDeviceRect(a, RECT{x, y, x + width, y + height});
  if (IsRecording()) {
    AddBounds(*this, r);
    Record(*this, [=](CDC& t, const qxgdi::ReplayContext&) { t.PatBlt(x, y, width, height, rop); });
    return TRUE;
  }
  if (qxgdi::RopUsesSource(rop)) return FALSE;
  PixelSink sink(*this);
  if (!sink.Valid()) return TRUE;
  const bool usesPattern = qxgdi::RopUsesPattern(rop);
  sink.ForEach(r, [&](int px, int py) {
    QRgb p = 0;
    if (usesPattern) {
      auto c = qxgdi::BrushPixel(a.brush.get(), a, px, py, true);
      if (!c) return;
      p = *c;
    }
    QRgb& d = sink.At(px, py);
    d = qxgdi::Rop3(rop, p, 0, d);
  });
  return TRUE;
}

BOOL CDC::BitBlt(int x, int y, int width, int height, CDC* src, int xSrc, int ySrc, DWORD rop) {
  return StretchBlt(x, y, width, height, src, xSrc, ySrc, width, height, rop);
}

namespace {

// The source rectangle's pixels (alpha 0 outside the source image), scaled to
// the destination size and mirrored as the signs ask.
QImage SourcePixels(const CDC& src, QPoint origin, int w, int h, int dw, int dh) {
  QImage* surface = QxDCAccess::Surface(src);
  QRect rect = QRect(origin, QSize(std::abs(w), std::abs(h)));
  if (w < 0) rect.translate(w, 0);
  if (h < 0) rect.translate(0, h);
  QImage out(std::abs(dw), std::abs(dh), QImage::Format_ARGB32);
  out.fill(0);
  if (!surface || rect.isEmpty() || out.isNull()) return out;
  const bool flipX = (w < 0) != (dw < 0), flipY = (h < 0) != (dh < 0);
  for (int y = 0; y < out.height(); ++y) {
    int sy = static_cast<int>((static_cast<long long>(y) * rect.height()) / out.height());
    if (flipY) sy = rect.height() - 1 - sy;
    sy += rect.top();
    QRgb* line = reinterpret_cast<QRgb*>(out.scanLine(y));
    if (sy < 0 || sy >= surface->height()) continue;
    const QRgb* srcLine = reinterpret_cast<const QRgb*>(surface->constScanLine(sy));
    const int outWidth = out.width(), rectWidth = rect.width(), surfaceWidth = surface->width();
    if (!flipX && rectWidth == outWidth) {  // unscaled: the row's part inside the surface
      const int first = std::max(0, -rect.left());
      const int last = std::min(outWidth, surfaceWidth - rect.left());
      for (int x = first; x < last; ++x) line[x] = srcLine[x + rect.left()] | 0xFF000000u;
      continue;
    }
    for (int x = 0; x < outWidth; ++x) {
      int sx = static_cast<int>((static_cast<long long>(x) * rectWidth) / outWidth);
      if (flipX) sx = rectWidth - 1 - sx;
      sx += rect.left();
      if (sx >= 0 && sx < surfaceWidth) line[x] = srcLine[sx] | 0xFF000000u;
    }
  }
  return out;
}

bool IsMonochrome(const CDC& dc) {
  const auto& bitmap = QxDCAccess::State(dc).a.bitmap;
  return QxDCAccess::State(dc).memory && bitmap && bitmap->monochrome &&
         dc.GetImage() == &bitmap->image;
}

// An unscaled, unmirrored colour-to-colour transfer without a pattern (every
// redraw's copy to the window, every glyph), row by row straight from the
// source surface: the same pixels as the general way through SourcePixels,
// without its copy of the source. The destination pixel (x, y) takes the
// source pixel at (x, y) + (source - dest.topLeft()); those whose source lies
// outside the source image keep their value. Returns false, having done
// nothing, for every other transfer and for a copy within one surface, whose
// rows may overlap.
bool CopyUnscaled(CDC& dc, const CDC& src, const QRect& dest, QPoint source, DWORD rop) {
  QImage* from = QxDCAccess::Surface(src);
  if (!from || from == QxDCAccess::Surface(dc) || qxgdi::RopUsesPattern(rop) || IsMonochrome(src) ||
      IsMonochrome(dc))
    return false;
  PixelSink sink(dc);
  if (!sink.Valid()) return true;
  const QPoint shift = source - dest.topLeft();
  const QRect inside = dest & from->rect().translated(-shift);
  sink.ForEachRow(inside, [&](int y, QRgb* row, int first, int last) {
    const QRgb* s = reinterpret_cast<const QRgb*>(from->constScanLine(y + shift.y())) + shift.x();
    if (rop == SRCCOPY) {
      for (int x = first; x <= last; ++x) row[x] = s[x] | 0xFF000000u;
    } else if (rop == SRCAND) {
      for (int x = first; x <= last; ++x) row[x] = (s[x] & row[x]) | 0xFF000000u;
    } else {
      for (int x = first; x <= last; ++x) row[x] = qxgdi::Rop3(rop, 0, s[x], row[x]);
    }
  });
  return true;
}

}  // namespace

BOOL CDC::StretchBlt(int x, int y, int width, int height, CDC* src, int xSrc, int ySrc,
                     int srcWidth, int srcHeight, DWORD rop) {
  Attributes& a = QxDCAccess::State(*this).a;
  const bool usesSource = qxgdi::RopUsesSource(rop);
  if (!usesSource) return PatBlt(x, y, width, height, rop);
  if (!src || !src->GetImage()) return FALSE;
  const Attributes& sa = QxDCAccess::State(*src).a;
  QPoint d0 = qxgdi::ToDevice(a, x, y), d1 = qxgdi::ToDevice(a, x + width, y + height);
  QPoint s0 = qxgdi::ToDevice(sa, xSrc, ySrc),
         s1 = qxgdi::ToDevice(sa, xSrc + srcWidth, ySrc + srcHeight);
  const int dw = d1.x() - d0.x(), dh = d1.y() - d0.y();
  if (dw == 0 || dh == 0) return TRUE;
  if (dw > 0 && dh > 0 && s1 - s0 == QPoint(dw, dh) && !IsRecording() &&
      CopyUnscaled(*this, *src, QRect(d0, QSize(dw, dh)), s0, rop))
    return TRUE;
  QImage pixels = SourcePixels(*src, s0, s1.x() - s0.x(), s1.y() - s0.y(), dw, dh);
  const bool monoSource = IsMonochrome(*src), monoDest = IsMonochrome(*this);
  const QRgb srcBk = QxToQRgb(sa.bkColor);
  QRect dest(QPoint(std::min(d0.x(), d1.x()), std::min(d0.y(), d1.y())), pixels.size());
  if (IsRecording()) {
    AddBounds(*this, dest);
    // The recording keeps the source pixels as they are now.
    QImage kept(pixels.size(), QImage::Format_RGB32);
    for (int py = 0; py < pixels.height(); ++py)
      for (int px = 0; px < pixels.width(); ++px)
        kept.setPixel(px, py, pixels.pixel(px, py) | 0xFF000000u);
    Record(*this, [=](CDC& t, const qxgdi::ReplayContext&) {
      CDC mem;
      mem.CreateCompatibleDC(nullptr);
      CBitmap bm;
      bm.FromImage(kept);
      bm.Data()->monochrome = monoSource;
      mem.SelectObject(&bm);
      mem.SetBkColor(QxFromQRgb(srcBk));
      int sx = dw < 0 ? kept.width() : 0, sy = dh < 0 ? kept.height() : 0;
      t.StretchBlt(x, y, width, height, &mem, sx, sy, dw < 0 ? -kept.width() : kept.width(),
                   dh < 0 ? -kept.height() : kept.height(), rop);
    });
    return TRUE;
  }
  PixelSink sink(*this);
  if (!sink.Valid()) return TRUE;
  const bool usesPattern = qxgdi::RopUsesPattern(rop);
  if (!usesPattern && !monoSource && !monoDest) {
    // Colour to colour without a pattern, row by row: every redraw's block
    // copy and the glyphs combined with SRCAND take this way.
    sink.ForEachRow(dest, [&](int py, QRgb* row, int first, int last) {
      const QRgb* from =
          reinterpret_cast<const QRgb*>(pixels.constScanLine(py - dest.top())) - dest.left();
      for (int px = first; px <= last; ++px) {
        const QRgb s = from[px];
        if (qAlpha(s) == 0) continue;  // outside the source image
        QRgb& d = row[px];
        d = rop == SRCCOPY  ? s | 0xFF000000u
            : rop == SRCAND ? (s & d) | 0xFF000000u
                            : qxgdi::Rop3(rop, 0, s, d);
      }
    });
    return TRUE;
  }
  const QRgb text = QxToQRgb(a.textColor), bk = QxToQRgb(a.bkColor);
  sink.ForEach(dest, [&](int px, int py) {
    QRgb s = pixels.pixel(px - dest.left(), py - dest.top());
    if (qAlpha(s) == 0) return;  // outside the source image
    if (monoSource && !monoDest) s = (s & 0xFFFFFFu) == 0xFFFFFFu ? bk : text;
    if (monoDest && !monoSource)
      s = (s & 0xFFFFFFu) == (srcBk & 0xFFFFFFu) ? 0xFFFFFFFFu : 0xFF000000u;
    QRgb p = 0;
    if (usesPattern) {
      auto c = qxgdi::BrushPixel(a.brush.get(), a, px, py, true);
      if (!c) return;
      p = *c;
    }
    QRgb& d = sink.At(px, py);
    d = qxgdi::Rop3(rop, p, s, d);
  });
  return TRUE;
}
