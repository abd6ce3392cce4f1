#include "diagrams/FreqDiagrams.h"

#include "GlobalResources.h"
#include "diagrams/AxisScale.h"
#include "diagrams/DiagramKinds.h"
#include "diagrams/EllipseClip.h"
#include "platform/gdi/SelectGuard.h"
#include "platform/gdi/Gdi.h"
#include "res/Sprites.h"
#include "simulation/SIMfreq.h"
#include "simulation/SIMsystem.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>
#include <limits>

namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

inline int NodeType(const CSIMfreq& f, int i) {
  return DiagramKindOf(f.m_nodeFlags[i]);
}

// Whether node i is a cell node of cell (row, col).
inline bool CellNode(const CSIMfreq& f, int i, int row, int col) {
  return !IsCharacteristicDiagram(NodeType(f, i)) && CellRow(f.m_nodeCell[i]) == row &&
         CellCol(f.m_nodeCell[i]) == col;
}

// Whether node i is a characteristic node of branch k.
inline bool BranchNode(const CSIMfreq& f, int i, int k) {
  return IsCharacteristicDiagram(NodeType(f, i)) && f.m_nodeCell[i] == k;
}

// Entry (k, row, col) of an array laid out as the swept responses.
template <class T>
inline const T& CellValue(const T* response, const CSIMfreq& f, int k, int row, int col) {
  return response[(static_cast<size_t>(k) * f.m_nRows + row) * f.m_nCols + col];
}

// A tick glyph belongs to point k; a tick step below 1 has none.
inline bool TickPoint(const CSIMfreq& f, int k) {
  return f.m_nTickStep >= 1 && k % f.m_nTickStep == 0;
}

// Trunc of a pixel coordinate; every caller has brought it near the plot,
// the bounds only make sure no conversion leaves the int range.
inline int Pixel(double x) {
  constexpr double kLimit = 1 << 30;
  return static_cast<int>(std::isnan(x) ? 0.0 : std::clamp(x, -kLimit, kLimit));
}

// Beyond this many pixels from the plot a segment's end is brought nearer
// along the segment, from its other end, before clipping: differences of
// such far coordinates would lose the pixels near the plot.
constexpr double kFarPixels = 1 << 20;

void NodeAt(FreqPlot& plot, double u, double v, double frequency, BYTE flags) {
  POINT p;
  if (plot.PixelOf(u, v, &p)) DrawFreqNode(plot.Dc(), p.x, p.y, frequency, flags, plot.Clipboard());
}

// One curve over the sweep points: point(k) gives (u, v); on screen the glyph
// at every tick point.
template <class Point>
void Curve(FreqPlot& plot, const CSIMfreq& f, const SpriteTile& glyph, Point point) {
  plot.BeginCurve();
  for (int k = 0; k < f.m_nFreqs; ++k) {
    double u, v;
    point(k, &u, &v);
    POINT p;
    if (plot.CurveTo(u, v, &p) && !plot.Clipboard() && TickPoint(f, k)) plot.Glyph(glyph, p);
  }
}

}  // namespace

// ---- the to-pixel helper ---------------------------------------------------------

FreqPlot::FreqPlot(CDC* dc, POINT origin, double scaleX, double scaleY, int width, int height,
                   bool clipboard)
    : m_dc(dc),
      m_origin(origin),
      m_scaleX(scaleX),
      m_scaleY(scaleY),
      m_width(width),
      m_height(height),
      m_clipboard(clipboard) {}

bool FreqPlot::Map(double u, double v, double* x, double* y) const {
  *x = m_origin.x + std::trunc(u * m_scaleX);
  *y = m_origin.y - std::trunc(v * m_scaleY);
  return std::isfinite(*x) && std::isfinite(*y);
}

bool FreqPlot::Inside(double x, double y) const {
  return x >= -kFreqPlotMargin && y >= -kFreqPlotMargin && x <= m_width + kFreqPlotMargin &&
         y <= m_height + kFreqPlotMargin;
}

bool FreqPlot::PixelOf(double u, double v, POINT* pixel) const {
  double x, y;
  if (!Map(u, v, &x, &y) || !Inside(x, y)) return false;
  pixel->x = Pixel(x);
  pixel->y = Pixel(y);
  return true;
}

bool FreqPlot::CurveTo(double u, double v, POINT* pixel) {
  double x, y;
  if (!Map(u, v, &x, &y)) {
    m_have = false;
    return false;
  }
  const bool inside = Inside(x, y);
  if (!m_have) {
    m_have = true;
    m_penThere = inside;
    if (inside) m_dc->MoveTo(Pixel(x), Pixel(y));
  } else if (inside && m_penThere) {
    m_dc->LineTo(Pixel(x), Pixel(y));
  } else {
    // Liang-Barsky: the part of the segment inside the margin, if any. Two
    // far ends are a jump through infinity, not a line across the plot.
    double x0 = m_lastX, y0 = m_lastY, x1 = x, y1 = y;
    auto far = [&](double px, double py) {
      return std::fabs(px - m_width / 2.0) > kFarPixels ||
             std::fabs(py - m_height / 2.0) > kFarPixels;
    };
    auto nearer = [](double& fx, double& fy, double nx, double ny) {
      const double ex = fx - nx, ey = fy - ny, k = kFarPixels / std::hypot(ex, ey);
      fx = nx + ex * k;
      fy = ny + ey * k;
    };
    const bool farStart = far(x0, y0), farEnd = far(x1, y1);
    if (farStart && !farEnd) nearer(x0, y0, x1, y1);
    if (farEnd && !farStart) nearer(x1, y1, x0, y0);
    const double dx = x1 - x0, dy = y1 - y0;
    double t0 = 0.0, t1 = 1.0;
    bool visible = !(farStart && farEnd) && std::isfinite(dx) && std::isfinite(dy);
    const double lo = -kFreqPlotMargin;
    const double p[4] = {-dx, dx, -dy, dy};
    const double q[4] = {x0 - lo, m_width + kFreqPlotMargin - x0, y0 - lo,
                         m_height + kFreqPlotMargin - y0};
    for (int i = 0; i < 4 && visible; ++i) {
      if (p[i] == 0.0) {
        visible = q[i] >= 0.0;
      } else {
        const double t = q[i] / p[i];
        if (p[i] < 0.0)
          t0 = std::max(t0, t);
        else
          t1 = std::min(t1, t);
        visible = t0 <= t1;
      }
    }
    const bool penWasThere = m_penThere;
    m_penThere = false;
    if (visible) {
      if (t0 > 0.0 || !penWasThere) m_dc->MoveTo(Pixel(x0 + t0 * dx), Pixel(y0 + t0 * dy));
      m_dc->LineTo(Pixel(inside ? x : x0 + t1 * dx), Pixel(inside ? y : y0 + t1 * dy));
      m_penThere = inside;
    }
  }
  m_lastX = x;
  m_lastY = y;
  if (!inside) return false;
  pixel->x = Pixel(x);
  pixel->y = Pixel(y);
  return true;
}

void FreqPlot::Glyph(const SpriteTile& tile, POINT pixel) const {
  if (m_clipboard || !g_pSpriteDC) return;
  m_dc->BitBlt(pixel.x - tile.cx / 2, pixel.y - tile.cy / 2, tile.cx, tile.cy, g_pSpriteDC, tile.x,
               tile.y, SRCAND);
}

bool FreqPlot::BandCircle(double u, double v, double rho, PlotBox* box) const {
  double x, y;
  if (!Map(u, v, &x, &y)) return false;
  const double rx = std::trunc(rho * m_scaleX), ry = std::trunc(rho * m_scaleY);
  if (!std::isfinite(rx) || !std::isfinite(ry) || (rx < 2 && ry < 2)) return false;
  *box = PlotBox{x - rx, y - ry, x + rx, y + ry};
  return std::isfinite(box->left) && std::isfinite(box->top) && std::isfinite(box->right) &&
         std::isfinite(box->bottom);
}

bool FreqPlot::Covers(const PlotBox& box) const {
  // Two pixels inside the outline, so that the outline stays outside too.
  const double cx = (box.left + box.right) / 2.0, cy = (box.top + box.bottom) / 2.0;
  const double rx = (box.right - box.left) / 2.0 - 2, ry = (box.bottom - box.top) / 2.0 - 2;
  if (!(rx > 0) || !(ry > 0)) return false;
  for (int x : {0, m_width})
    for (int y : {0, m_height}) {
      const double dx = (x - cx) / rx, dy = (y - cy) / ry;
      if (!(dx * dx + dy * dy < 1)) return false;
    }
  return true;
}

void FreqPlot::Ellipse(const PlotBox& box) const {
  const double cx = (box.left + box.right) / 2, cy = (box.top + box.bottom) / 2;
  const double rx = (box.right - box.left) / 2, ry = (box.bottom - box.top) / 2;
  if (Inside(cx, cy) && std::fabs(rx) <= kFreqMaxRadius && std::fabs(ry) <= kFreqMaxRadius) {
    m_dc->Ellipse(Pixel(box.left), Pixel(box.top), Pixel(box.right), Pixel(box.bottom));
    return;
  }
  // Too far or too large for an integer box: what of it lies in the plot
  // and one pixel around it (the clip region cuts that pixel away).
  const EllipseInRect part = ClipEllipse(cx, cy, rx, ry, -1, -1, m_width + 1, m_height + 1);
  if (part.region.size() >= 3) {
    auto noPen = QxSelectGuard::Stock(m_dc, NULL_PEN);
    m_dc->Polygon(part.region.data(), static_cast<int>(part.region.size()));
  }
  for (const std::vector<POINT>& arc : part.arcs)
    m_dc->Polyline(arc.data(), static_cast<int>(arc.size()));
}

void FreqPlot::EllipseBox(double u0, double v0, double u1, double v1) const {
  double x0, y0, x1, y1;
  if (!Map(u0, v0, &x0, &y0) || !Map(u1, v1, &x1, &y1)) return;
  Ellipse(PlotBox{std::min(x0, x1), std::min(y0, y1), std::max(x0, x1), std::max(y0, y1)});
}

void FreqPlot::AxisCross() const {
  DrawAxisCross(m_dc, m_width, m_height, m_origin, m_scaleX, m_scaleY);
}

void FreqPlot::VerticalLine(double u) const {
  double x, y;
  if (!Map(u, 0.0, &x, &y) || !Inside(x, 0.0)) return;
  m_dc->MoveTo(Pixel(x), 0);
  m_dc->LineTo(Pixel(x), m_height);
}

// ---- nodes ---------------------------------------------------------------------------

CString FreqNodeLabel(double frequency, BYTE flags) {
  CString text;
  if (flags & kNodeHertz) {
    const double hertz = frequency / (4 * std::asin(1.0));
    if (hertz >= 1000)
      text.Format("%g kHz", hertz / 1000);
    else
      text.Format("%g Hz", hertz);
  } else if (frequency >= 1000) {
    text.Format("%g k", frequency / 1000);
  } else {
    text.Format("%g", frequency);
  }
  return text;
}

void DrawFreqNode(CDC* pDC, int x, int y, double frequency, BYTE flags, bool clipboard) {
  // The white stock brush fills the clipboard marker and the label box.
  auto white = QxSelectGuard::Stock(pDC, WHITE_BRUSH);
  if (clipboard)
    pDC->Ellipse(x - 2, y - 2, x + 3, y + 3);
  else if (g_pSpriteDC)
    pDC->BitBlt(x - 2, y - 2, kSpriteNodeDisc.cx, kSpriteNodeDisc.cy, g_pSpriteDC,
                kSpriteNodeDisc.x, kSpriteNodeDisc.y, SRCAND);
  if (flags & kNodeShowLabel) {
    const CString text = FreqNodeLabel(frequency, flags);
    QxSelectGuard font(pDC, g_pFontArial12);
    QxSelectGuard pen(pDC, g_pPenSilver);
    const CSize size = pDC->GetTextExtent(text);
    const UINT oldAlign = pDC->SetTextAlign(TA_LEFT | TA_TOP);
    const int left = x - (size.cx + 4) - 6, top = y + 6;
    const int right = left + size.cx + 4, bottom = top + size.cy + 1;
    pDC->Rectangle(left, top, right, bottom);
    pDC->MoveTo(right, top);
    pDC->LineTo(x, y);
    pDC->TextOut(left + 2, top + 1, text);
    pDC->SetTextAlign(oldAlign);
  }
}

// ---- values -----------------------------------------------------------------------------

double FeedbackGain(const CSIMsystem& system, int i) {
  const CSIMtrnmx& F = system.m_F;
  if (i < 0 || i >= F.m_nRows || i >= F.m_nCols || !F.m_pElements) return kNaN;
  // A feedback element that does not convert is a stand-in: no gain to show.
  if (system.m_nInvalidModels & (1u << kModelF)) return kNaN;
  const CSIMtrnfn& e = F.At(i, i);
  if (e.m_nDen < 1 || e.m_num.empty() || static_cast<int>(e.m_den.size()) < e.m_nDen) return kNaN;
  // Simulation form: d_m = 1 / a_m and, for m >= 1, d_0 = -a_0 / a_m, so
  // b_0 / a_0 is b_0 d_0 for a constant and -b_0 d_m / d_0 otherwise.
  const int m = e.m_nDen - 1;
  if (m == 0) return e.m_num[0] * e.m_den[0];
  return -e.m_num[0] * e.m_den[m] / e.m_den[0];
}

double FreqDecibels(McComplex z) {
  return 20.0 * std::log(Cabs(&z)) / std::log(10.0);
}

double FreqPhaseDegrees(McComplex z) {
  return 90.0 / std::asin(1.0) * std::atan2(z.im, z.re);
}

std::vector<double> SweepFrequencies(const CSIMfreq& freq) {
  std::vector<double> w(static_cast<size_t>(std::max(0, freq.m_nFreqs)));
  const double r = CSIMfreq::GridRatio(freq.m_dFreqMin, freq.m_dFreqMax, freq.m_nFreqs);
  double at = freq.m_dFreqMin;
  for (double& x : w) {
    x = at;
    at *= r;
  }
  return w;
}

// ---- the sweep's diagram coordinates -------------------------------------------------

namespace {

// What a sweep's coordinates were computed from: a redraw compares it with
// the engine's arrays as they are now, so that any change to them (a new
// sweep, or a value written in place) is seen, and nothing else has to tell.
struct SweepKey {
  const CSIMfreq* freq = nullptr;
  int freqs = -1, rows = 0, cols = 0;
  double freqMin = 0, freqMax = 0;
  bool Matches(const CSIMfreq& f) const {
    return freq == &f && freqs == f.m_nFreqs && rows == f.m_nRows && cols == f.m_nCols &&
           std::memcmp(&freqMin, &f.m_dFreqMin, sizeof freqMin) == 0 &&
           std::memcmp(&freqMax, &f.m_dFreqMax, sizeof freqMax) == 0;
  }
};

struct CoordinateEntry {
  SweepKey key;
  std::vector<McComplex> direct;  // the responses the gains and phases came from
  bool haveGainPhase = false;
  SweepCoordinates coordinates;
  unsigned lastUse = 0;
};

size_t DirectEntries(const CSIMfreq& f) {
  return static_cast<size_t>(std::max(0, f.m_nFreqs)) * std::max(0, f.m_nRows) *
         std::max(0, f.m_nCols);
}

}  // namespace

const SweepCoordinates& CoordinatesOf(const CSIMfreq& f, bool gainPhase) {
  // Two sweeps are kept per thread: the designs of two windows redrawn in
  // turn do not push each other out.
  thread_local std::array<CoordinateEntry, 2> cache;
  thread_local unsigned uses = 0;
  CoordinateEntry* entry = nullptr;
  for (CoordinateEntry& e : cache)
    if (e.key.Matches(f)) entry = &e;
  if (!entry) {
    entry = &*std::min_element(cache.begin(), cache.end(),
                               [](const auto& a, const auto& b) { return a.lastUse < b.lastUse; });
    entry->key = SweepKey{&f, f.m_nFreqs, f.m_nRows, f.m_nCols, f.m_dFreqMin, f.m_dFreqMax};
    entry->haveGainPhase = false;
    entry->direct.clear();
    const std::vector<double> w = SweepFrequencies(f);
    entry->coordinates.logFrequency.resize(w.size());
    std::transform(w.begin(), w.end(), entry->coordinates.logFrequency.begin(),
                   [](double x) { return std::log10(x); });
  }
  entry->lastUse = ++uses;
  if (gainPhase) {
    const size_t n = DirectEntries(f);
    const McComplex* direct = f.m_pDirect.get();
    if (!entry->haveGainPhase || entry->direct.size() != n ||
        std::memcmp(entry->direct.data(), direct, n * sizeof(McComplex)) != 0) {
      entry->direct.assign(direct, direct + n);
      std::vector<FreqGainPhase>& values = entry->coordinates.gainPhase;
      values.resize(n);
      for (size_t i = 0; i < n; ++i)
        values[i] = {FreqDecibels(direct[i]), FreqPhaseDegrees(direct[i])};
      entry->haveGainPhase = true;
    }
  }
  return entry->coordinates;
}

// ---- the diagrams ----------------------------------------------------------------------

void DrawNyquistCellOf(FreqPlot& plot, const CSIMfreq& f, int type, int row, int col, double gain,
                       BYTE freqFlags) {
  CDC* dc = plot.Dc();
  const bool inverse = type == kDiagramInverseNyquist;
  const McComplex* response = inverse ? f.m_pInverse.get() : f.m_pDirect.get();
  const bool returnDifference =
      (freqFlags & kFreqReturnDifference) && row == col && std::isfinite(gain) && gain != 0.0;
  // The circle |1 + f q| = 1: centre -1/f, radius 1/f.
  if (returnDifference && !inverse) {
    const double a = 1.0 / gain;
    QxSelectGuard pen(dc, g_pPenCurve[8]);
    auto white = QxSelectGuard::Stock(dc, WHITE_BRUSH);
    plot.EllipseBox(-2 * a, -a, 0.0, a);
  }
  // Bands on the diagonal of a multivariable loop, one circle per tick step:
  // the direct diagram from low to high frequencies, the inverse from high
  // to low, so that with filled circles the ends near the origin lie on top.
  if (row == col && row < f.m_nBandDim && f.m_nTickStep >= 1) {
    const int bands = f.m_nFreqs / f.m_nTickStep;
    struct Disc {
      PlotBox box;
      CPen* pen;
    };
    std::vector<Disc> discs;
    auto collect = [&](const double* radii, CPen* pen) {
      for (int i = 0; i < bands; ++i) {
        const int b = inverse ? bands - 1 - i : i;
        const McComplex& p = CellValue(response, f, b * f.m_nTickStep, row, col);
        PlotBox box;
        if (plot.BandCircle(p.re, p.im, radii[static_cast<size_t>(b) * f.m_nBandDim + row], &box))
          discs.push_back({box, pen});
      }
    };
    if (freqFlags & kFreqGershgorin)
      collect(inverse ? f.m_bandInverse.get() : f.m_bandDirect.get(), g_pPenSilver);
    if (inverse && (freqFlags & kFreqOstrowski)) collect(f.m_bandOstrowski.get(), g_pPenGrey);
    // A filled disc over the whole plot hides everything drawn before it and
    // shows only white: the plot is cleared instead, and only the discs after
    // the last such one are drawn.
    size_t first = 0;
    for (size_t i = discs.size(); i-- > 0;)
      if (plot.Covers(discs[i].box)) {
        dc->FillSolidRect(0, 0, plot.Width(), plot.Height(), RGB(255, 255, 255));
        first = i + 1;
        break;
      }
    QxSelectGuard pen(dc, dc->GetCurrentPen());  // the discs' pens are selected below
    auto white = QxSelectGuard::Stock(dc, WHITE_BRUSH);
    for (size_t i = first; i < discs.size(); ++i) {
      if (i == first || discs[i].pen != discs[i - 1].pen) dc->SelectObject(discs[i].pen);
      plot.Ellipse(discs[i].box);
    }
  }
  // The same in the inverse plane: the line Re q = -f / 2.
  if (returnDifference && inverse) {
    QxSelectGuard pen(dc, g_pPenCurve[8]);
    plot.VerticalLine(-gain / 2);
  }
  plot.AxisCross();
  Curve(plot, f, kSpriteTickPlus3, [&](int k, double* u, double* v) {
    const McComplex& z = CellValue(response, f, k, row, col);
    *u = z.re;
    *v = z.im;
  });
  const McComplex* nodes = inverse ? f.m_nodeInverse.get() : f.m_nodeDirect.get();
  for (int i = 0; i < f.m_nNodes; ++i)
    if (CellNode(f, i, row, col))
      NodeAt(plot, nodes[i].re, nodes[i].im, f.m_nodeFreq[i], f.m_nodeFlags[i]);
}

void DrawNicholsCellOf(FreqPlot& plot, const CSIMfreq& f, int row, int col) {
  const FreqGainPhase* values = CoordinatesOf(f, true).gainPhase.data();
  plot.AxisCross();
  Curve(plot, f, kSpriteTickPlus3, [&](int k, double* u, double* v) {
    const FreqGainPhase& p = CellValue(values, f, k, row, col);
    *u = p.degrees + 180.0;
    *v = p.decibels;
  });
  for (int i = 0; i < f.m_nNodes; ++i) {
    if (!CellNode(f, i, row, col)) continue;
    const McComplex& z = f.m_nodeDirect[i];
    NodeAt(plot, FreqPhaseDegrees(z) + 180.0, FreqDecibels(z), f.m_nodeFreq[i], f.m_nodeFlags[i]);
  }
}

namespace {

// A Bode-type diagram: per curve, (log10 w, value) over the sweep's
// frequencies, then the curve's nodes at (log10 of their frequency, value).
template <class Value, class NodeValue, class Selected>
void BodeCurve(FreqPlot& plot, const CSIMfreq& f, const double* logFrequency,
               const SpriteTile& glyph, Value value, NodeValue nodeValue, Selected selected) {
  Curve(plot, f, glyph, [&](int k, double* u, double* v) {
    *u = logFrequency[k];
    *v = value(k);
  });
  for (int i = 0; i < f.m_nNodes; ++i)
    if (selected(i))
      NodeAt(plot, std::log10(f.m_nodeFreq[i]), nodeValue(i), f.m_nodeFreq[i], f.m_nodeFlags[i]);
}

}  // namespace

void DrawBodeCellOf(FreqPlot& plot, const CSIMfreq& f, int row, int col) {
  const SweepCoordinates& c = CoordinatesOf(f, true);
  const double* logFrequency = c.logFrequency.data();
  const FreqGainPhase* values = c.gainPhase.data();
  plot.AxisCross();
  Curve(plot, f, kSpriteTickPlus5, [&](int k, double* u, double* v) {
    *u = logFrequency[k];
    *v = CellValue(values, f, k, row, col).decibels;
  });
  Curve(plot, f, kSpriteTickPlus3, [&](int k, double* u, double* v) {
    *u = logFrequency[k];
    *v = CellValue(values, f, k, row, col).degrees;
  });
  for (int pass = 0; pass < 2; ++pass)
    for (int i = 0; i < f.m_nNodes; ++i) {
      if (!CellNode(f, i, row, col)) continue;
      const McComplex& n = f.m_nodeDirect[i];
      NodeAt(plot, std::log10(f.m_nodeFreq[i]), pass == 0 ? FreqDecibels(n) : FreqPhaseDegrees(n),
             f.m_nodeFreq[i], f.m_nodeFlags[i]);
    }
}

void DrawCharNyquistOf(FreqPlot& plot, const CSIMfreq& f) {
  plot.AxisCross();
  const int n = f.m_nDim;
  for (int k = 0; k < n; ++k) {
    Curve(plot, f, kSpriteTickPlus3, [&](int j, double* u, double* v) {
      const McComplex& z = f.m_pLoci[static_cast<size_t>(j) * n + k];
      *u = z.re;
      *v = z.im;
    });
    for (int i = 0; i < f.m_nNodes; ++i) {
      if (!BranchNode(f, i, k)) continue;
      const McComplex& z = f.m_nodeLoci[static_cast<size_t>(i) * n + k];
      NodeAt(plot, z.re, z.im, f.m_nodeFreq[i], f.m_nodeFlags[i]);
    }
  }
}

void DrawCharBodeOf(FreqPlot& plot, const CSIMfreq& f) {
  const double* w = CoordinatesOf(f, false).logFrequency.data();
  plot.AxisCross();
  const int n = f.m_nDim;
  for (int k = 0; k < n; ++k) {
    auto gain = [&](int j) { return f.m_pLociGain[static_cast<size_t>(j) * n + k]; };
    auto nodeGain = [&](int i) { return f.m_nodeLociGain[static_cast<size_t>(i) * n + k]; };
    auto selected = [&](int i) { return BranchNode(f, i, k); };
    BodeCurve(
        plot, f, w, kSpriteTickPlus5, [&](int j) { return gain(j).re; },
        [&](int i) { return nodeGain(i).re; }, selected);
    BodeCurve(
        plot, f, w, kSpriteTickPlus3, [&](int j) { return gain(j).im; },
        [&](int i) { return nodeGain(i).im; }, selected);
  }
}
