#pragma once
// Axis scales and tick labels shared by every plot: the view's diagrams and the
// signal panes. A value v lies at x = originX + trunc(v * scaleX) on the
// horizontal axis and at y = originY - trunc(v * scaleY) on the vertical one.
//
// The tick steps are chosen afresh at every redraw from the scale, so that
// major ticks lie about 35 pixels apart (45 when the axis spans more than 500
// or less than 0.5 units) on multiples of 1, 2 or 5 times a power of ten;
// minor and fine ticks subdivide them. A class of ticks closer than 2 pixels
// is not drawn, which bounds every pass to about length / 2 ticks.
//
// Computing (ChooseTickSteps, ForEachTick) is kept apart from drawing, so the
// steps and positions can be checked without a device context.
#include "platform/core/Geometry.h"

#include <cmath>

class CDC;

// The nearest integer, halves away from zero.
double Round(double x);

struct TickSteps {
  double major;
  double minor;
  double fine;
};

// Steps of an axis length pixels long at scale pixels per unit. Both must be
// positive and finite; otherwise all three steps are 0 (nothing is drawn).
TickSteps ChooseTickSteps(int length, double scale);

// One axis as the tick passes see it: the value at pixel 0 of the axis (the
// left edge, or the top edge of a vertical axis), the visible span in units
// and the pixel of the value 0.
struct AxisGeometry {
  bool vertical;
  int origin;    // originX or originY
  int length;    // plot width or height
  double scale;  // pixels per unit

  double EdgeValue() const { return vertical ? origin / scale : -origin / scale; }
  double Span() const { return std::fabs(length / scale); }
  // Pixel of a value along the axis; clamped far outside the plot so that a
  // value beyond the int range never reaches the conversion.
  int Pixel(double value) const;
};

// Calls visit(value, pixel) for every tick of the step, from the edge value
// across the plot: the first multiple of step at or beyond the edge, then on
// by repeated addition (horizontal) or subtraction (vertical) while the
// offset from the edge stays below the span. Nothing for a step under 2
// pixels or an invalid geometry.
template <class Visit>
void ForEachTick(const AxisGeometry& axis, double step, Visit visit) {
  if (!(step > 0) || !(axis.scale > 0) || axis.length <= 0 || !std::isfinite(axis.scale) ||
      step * axis.scale < 2)
    return;
  const double edge = axis.EdgeValue(), span = axis.Span();
  if (!std::isfinite(edge) || !std::isfinite(span)) return;
  const double t0 = (std::ceil(edge / step) - edge / step) * step;
  const double delta = axis.vertical ? -step : step;
  for (double t = t0; std::fabs(t) < span; t += delta) visit(edge + t, axis.Pixel(edge + t));
}

// Writes the label of a tick value with "%g" into buffer; false (nothing to
// draw) for a value within 1e-11 of zero.
bool FormatTickLabel(double value, char* buffer, int size);

// The four tick-and-label operations. The horizontal ones take the origin's x
// (tick positions) and the row of the axis line; the vertical ones the column
// of the axis line and the origin's y. The horizontal labels print
// value * labelFactor (the signal panes label samples in seconds); the zero
// test is made on the value itself. Major ticks use the caller's pen; fine and
// minor ticks are black pixels on the label side. Font and text alignment are
// left as found. With keepInside (the signal panes), a label that the
// rectangle's edges would cut is moved inside against the edge that cuts
// it, so that it reads whole (a cut-off minus sign would change its value);
// labels wholly inside or wholly outside stay at their anchors.
void DrawXAxisLabelsBelow(CDC* pDC, int originX, int axisY, int width, double scaleX,
                          double labelFactor = 1.0, const RECT* keepInside = nullptr);
void DrawXAxisLabelsAbove(CDC* pDC, int originX, int axisY, int width, double scaleX,
                          double labelFactor = 1.0, const RECT* keepInside = nullptr);
void DrawYAxisLabelsRight(CDC* pDC, int axisX, int originY, int height, double scaleY,
                          const RECT* keepInside = nullptr);
void DrawYAxisLabelsLeft(CDC* pDC, int axisX, int originY, int height, double scaleY,
                         const RECT* keepInside = nullptr);

// The axis cross every diagram of the view draws first, over a plot of width
// x height pixels: both axis lines with the black width-0 pen (which stays
// selected for the caller's curves), clamped to -1 .. width / height so that
// the other axis's labels stay inside, and their ticks and labels on the side
// that has room; a label the plot's edges would cut is moved inside. Nothing
// for an empty plot.
void DrawAxisCross(CDC* pDC, int width, int height, POINT origin, double scaleX, double scaleY);
