#pragma once
// The frequency diagrams of the view: the Nyquist and inverse Nyquist cells
// with their bands and return-difference circle or line, the Nichols and Bode
// cells, the characteristic Nyquist and Bode diagrams, and the frequency nodes
// with their labels. Everything drawn was computed by the frequency engine
// (CSIMfreq); drawing only reads it, and only within the sizes the engine
// stored with its last sweep (m_nRows, m_nCols, m_nFreqs, m_nTickStep,
// m_nBandDim, m_nDim, m_nNodes), so settings changed since then, or a loop
// changed by a search, never make a drawing read outside its arrays. The Bode
// diagrams take the frequency of point k from the range of that sweep by the
// sweep's own repeated multiplication.
//
// A value (u, v) lies at (originX + trunc(u scaleX), originY - trunc(v
// scaleY)). FreqPlot is the one place that turns values into pixels:
//   - a value that is not finite has no pixel and breaks its curve (the next
//     finite point starts afresh);
//   - a segment towards a far point is clipped in floating point to a margin
//     around the plot before it is converted, so its visible part keeps its
//     direction and no double outside the int range is ever converted;
//   - glyphs and labels whose point lies outside the margin are not drawn;
//   - a circle near the plot that fits the layer's integer boxes (centre
//     within the margin, radii up to kFreqMaxRadius) is the context's
//     Ellipse; any other finite circle is drawn as what of it lies in the
//     plot, computed in double precision (EllipseClip.h): the arcs of its
//     outline and its filled part, so that zooming in far never loses an
//     outline that crosses the plot.
//
// On screen the tick and node glyphs are copied from the sprite sheet with
// SRCAND (white is transparent); for the clipboard (clipboard set) there are
// no tick glyphs and a node is a small ellipse in the current pen.
#include "MC/McComplex.h"
#include "platform/core/Geometry.h"
#include "platform/core/String.h"
#include "platform/core/Types.h"

#include <vector>

class CDC;
class CSIMfreq;
class CSIMsystem;
struct SpriteTile;

// Pixels outside the plot within which values are still converted.
constexpr double kFreqPlotMargin = 2048.0;
// The largest circle radius, in pixels, handed to the drawing layer.
constexpr double kFreqMaxRadius = 1 << 20;

// The bounding box of an axis-aligned ellipse in pixels before conversion.
struct PlotBox {
  double left, top, right, bottom;
};

class FreqPlot {
 public:
  FreqPlot(CDC* dc, POINT origin, double scaleX, double scaleY, int width, int height,
           bool clipboard);

  CDC* Dc() const { return m_dc; }
  int Width() const { return m_width; }
  int Height() const { return m_height; }
  bool Clipboard() const { return m_clipboard; }

  // The pixel of (u, v) before conversion, false when it is not finite.
  bool Map(double u, double v, double* x, double* y) const;
  // The pixel of (u, v) when it lies within the margin.
  bool PixelOf(double u, double v, POINT* pixel) const;

  // Curves: BeginCurve, then CurveTo for every point in order. CurveTo
  // returns the point's pixel when it lies within the margin.
  void BeginCurve() { m_have = false; }
  bool CurveTo(double u, double v, POINT* pixel);

  // A glyph of the sprite sheet centred on the pixel (screen only).
  void Glyph(const SpriteTile& tile, POINT pixel) const;
  // The box of the circle of radius rho (units) around (u, v), its radii
  // truncated on each axis; false when a value is not finite or both radii
  // are under 2 pixels.
  bool BandCircle(double u, double v, double rho, PlotBox* box) const;
  // Whether the filled ellipse of the box covers the whole plot, outline
  // included.
  bool Covers(const PlotBox& box) const;
  // The ellipse of the box with the current pen and brush, wherever it lies.
  void Ellipse(const PlotBox& box) const;
  // The ellipse of the box between the pixels of (u0, v0) and (u1, v1).
  void EllipseBox(double u0, double v0, double u1, double v1) const;
  // The axis cross of the plot (DrawAxisCross), leaving the thin black pen.
  void AxisCross() const;
  // A vertical line at the pixel column of u, over the plot's height.
  void VerticalLine(double u) const;

 private:
  bool Inside(double x, double y) const;
  CDC* m_dc;
  POINT m_origin;
  double m_scaleX, m_scaleY;
  int m_width, m_height;
  bool m_clipboard;
  // The curve's previous point (pixel before conversion) and whether the
  // context's current position is on it.
  bool m_have = false;
  bool m_penThere = false;
  double m_lastX = 0, m_lastY = 0;
};

// One frequency node with its label (kNodeShowLabel) below and to the left:
// "%g" or "%g k" in rad/s, "%g Hz" or "%g kHz" with kNodeHertz.
void DrawFreqNode(CDC* pDC, int x, int y, double frequency, BYTE flags, bool clipboard);
// The label text of a node.
CString FreqNodeLabel(double frequency, BYTE flags);

// The static gain of F(i, i) as drawn for the return-difference circle and
// line: NaN when F has no element (i, i). F is read in the simulation form a
// recalculation leaves it in.
double FeedbackGain(const CSIMsystem& system, int i);

// The diagram coordinates used by the drawings and the node hit test.
double FreqDecibels(McComplex z);      // 20 log10 |z|, log10 as ln / ln 10
double FreqPhaseDegrees(McComplex z);  // atan2 in degrees, 180/pi as 90/asin(1)

// The frequency of every sweep point of the engine's last sweep, by the
// sweep's repeated multiplication from its start.
std::vector<double> SweepFrequencies(const CSIMfreq& freq);

// The coordinates the Bode-type and Nichols diagrams draw a sweep's points
// at: log10 of every grid frequency (of SweepFrequencies) and, when asked
// for, FreqDecibels and FreqPhaseDegrees of every direct response, in the
// layout of m_pDirect. They are computed when first asked for and kept while
// the engine's sweep range, sizes and direct responses stay the same, so a
// redraw of an unchanged sweep computes no logarithm or angle again. The
// reference stays valid until the next call (per thread).
struct FreqGainPhase {
  double decibels, degrees;
};
struct SweepCoordinates {
  std::vector<double> logFrequency;
  std::vector<FreqGainPhase> gainPhase;
};
const SweepCoordinates& CoordinatesOf(const CSIMfreq& freq, bool gainPhase);

// The diagrams. type is the diagram type (1 to 6); gain: FeedbackGain of the
// cell's diagonal index (cells with r = c).
void DrawNyquistCellOf(FreqPlot& plot, const CSIMfreq& freq, int type, int row, int col,
                       double gain, BYTE freqFlags);
void DrawNicholsCellOf(FreqPlot& plot, const CSIMfreq& freq, int row, int col);
void DrawBodeCellOf(FreqPlot& plot, const CSIMfreq& freq, int row, int col);
void DrawCharNyquistOf(FreqPlot& plot, const CSIMfreq& freq);
void DrawCharBodeOf(FreqPlot& plot, const CSIMfreq& freq);

// The nodes of "Add nodes...": for f = start, 10 start, 100 start, ... while
// f <= stop, first (for f above the start) the nodes of the spacing inside
// the decade below f (0 none, 1 f/2, 2 f/5 .. 4f/5, 3 2f/10 .. 9f/10), then
// f, each with the inertia, flag byte and cell. Nothing is added unless
// start is finite and above 0 and stop is finite (the decades would never
// end).
void AddFrequencyNodes(CSIMfreq& freq, double start, double stop, int spacing, double inertia,
                       BYTE flags, int row, int col);
