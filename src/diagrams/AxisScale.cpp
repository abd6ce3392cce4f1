#include "diagrams/AxisScale.h"

#include "GlobalResources.h"
#include "platform/gdi/SelectGuard.h"
#include "platform/gdi/Gdi.h"

#include <algorithm>
#include <climits>
#include <cstdio>
#include <cstring>

double Round(double x) {
  return x >= 0 ? std::floor(x + 0.5) : -std::floor(-x + 0.5);
}

TickSteps ChooseTickSteps(int length, double scale) {
  if (length <= 0 || !(scale > 0) || !std::isfinite(scale)) return {0, 0, 0};
  const double span = std::fabs(length / scale);
  const double target = (span > 500 || span < 0.5) ? 45.0 : 35.0;
  const double d = std::pow(10.0, Round(std::log10(span * target / length)));
  auto err = [&](double s) { return std::fabs(length * s / span - target); };
  TickSteps steps{d, d / 2, d / 10};
  double best = err(d);
  if (err(d / 2) < best) {
    steps = {d / 2, d / 10, d / 20};
    best = err(d / 2);
  }
  if (err(2 * d) < best) steps.major = 2 * d;
  if (steps.fine * scale < 3) steps.fine = steps.minor;
  return steps;
}

int AxisGeometry::Pixel(double value) const {
  // Ticks lie within the plot; the clamp only keeps a wild value convertible.
  const double limit = 1e6 + std::fabs(static_cast<double>(origin)) + length;
  double offset = std::trunc(value * scale);
  if (!(offset > -limit)) offset = -limit;
  if (offset > limit) offset = limit;
  // A panned origin may lie near the end of the int range: add in double.
  const double pixel = vertical ? origin - offset : origin + offset;
  return static_cast<int>(std::clamp(pixel, double(INT_MIN), double(INT_MAX)));
}

bool FormatTickLabel(double value, char* buffer, int size) {
  if (std::fabs(value) <= 1e-11) return false;
  std::snprintf(buffer, static_cast<size_t>(size), "%g", value);
  return true;
}

namespace {

// Where one operation puts its ticks and labels, relative to the tick's
// position on the axis line.
struct LabelSide {
  bool vertical;
  int out;          // +1: fine and minor pixels below / right of the line; -1: above / left
  UINT align;       // text alignment of the label
  int labelAcross;  // label anchor across the axis, from the line
  int labelAlong;   // label anchor along the axis, from the tick
};

constexpr LabelSide kBelow = {false, +1, TA_CENTER | TA_TOP, 5, 0};
constexpr LabelSide kAbove = {false, -1, TA_CENTER | TA_BOTTOM, -5, 0};
constexpr LabelSide kRight = {true, +1, TA_LEFT | TA_TOP, 10, -5};
constexpr LabelSide kLeft = {true, -1, TA_RIGHT | TA_TOP, -10, -5};

void TickPixel(CDC* pDC, const LabelSide& side, int line, int at, int distance) {
  const int across = line + side.out * distance;
  if (side.vertical)
    pDC->SetPixelV(across, at, RGB(0, 0, 0));
  else
    pDC->SetPixelV(at, across, RGB(0, 0, 0));
}

// The label at its anchor with the side's alignment; with a rectangle, a
// label the rectangle's edges would cut is aligned to the edge instead.
void DrawLabel(CDC* pDC, int x, int y, const char* label, UINT align, const RECT* inside) {
  const int n = static_cast<int>(std::strlen(label));
  if (!inside) {
    pDC->TextOut(x, y, label, n);
    return;
  }
  const CSize size = pDC->GetTextExtent(label, n);
  const UINT across = align & TA_CENTER, along = align & TA_BASELINE;
  const int left = across == TA_RIGHT ? x - size.cx : across == TA_CENTER ? x - size.cx / 2 : x;
  const int top = along == TA_BOTTOM ? y - size.cy : y;
  const int right = left + size.cx, bottom = top + size.cy;
  const bool seen =
      left < inside->right && right > inside->left && top < inside->bottom && bottom > inside->top;
  UINT moved = align;
  if (seen && left < inside->left)
    x = inside->left, moved = (moved & ~TA_CENTER) | TA_LEFT;
  else if (seen && right > inside->right)
    x = inside->right, moved = (moved & ~TA_CENTER) | TA_RIGHT;
  if (seen && top < inside->top)
    y = inside->top, moved = (moved & ~TA_BASELINE) | TA_TOP;
  else if (seen && bottom > inside->bottom)
    y = inside->bottom, moved = (moved & ~TA_BASELINE) | TA_BOTTOM;
  if (moved != align) pDC->SetTextAlign(moved);
  pDC->TextOut(x, y, label, n);
  if (moved != align) pDC->SetTextAlign(align);
}

void DrawAxisTicks(CDC* pDC, const AxisGeometry& axis, int line, const LabelSide& side,
                   double labelFactor, const RECT* inside) {
  const TickSteps steps = ChooseTickSteps(axis.length, axis.scale);
  QxSelectGuard font(pDC, g_pFontArial12);
  const UINT oldAlign = pDC->SetTextAlign(side.align);
  ForEachTick(axis, steps.fine, [&](double, int at) { TickPixel(pDC, side, line, at, 1); });
  ForEachTick(axis, steps.minor, [&](double, int at) { TickPixel(pDC, side, line, at, 2); });
  ForEachTick(axis, steps.major, [&](double value, int at) {
    if (side.vertical) {
      pDC->MoveTo(line - 4, at);
      pDC->LineTo(line + 5, at);
    } else {
      pDC->MoveTo(at, line - 4);
      pDC->LineTo(at, line + 5);
    }
    char label[64];
    if (!FormatTickLabel(value, label, sizeof label)) return;
    if (!side.vertical && labelFactor != 1.0)
      std::snprintf(label, sizeof label, "%g", value * labelFactor);
    const int across = line + side.labelAcross, along = at + side.labelAlong;
    if (side.vertical)
      DrawLabel(pDC, across, along, label, side.align, inside);
    else
      DrawLabel(pDC, along, across, label, side.align, inside);
  });
  pDC->SetTextAlign(oldAlign);
}

}  // namespace

void DrawXAxisLabelsBelow(CDC* pDC, int originX, int axisY, int width, double scaleX,
                          double labelFactor, const RECT* keepInside) {
  DrawAxisTicks(pDC, {false, originX, width, scaleX}, axisY, kBelow, labelFactor, keepInside);
}

void DrawXAxisLabelsAbove(CDC* pDC, int originX, int axisY, int width, double scaleX,
                          double labelFactor, const RECT* keepInside) {
  DrawAxisTicks(pDC, {false, originX, width, scaleX}, axisY, kAbove, labelFactor, keepInside);
}

void DrawYAxisLabelsRight(CDC* pDC, int axisX, int originY, int height, double scaleY,
                          const RECT* keepInside) {
  DrawAxisTicks(pDC, {true, originY, height, scaleY}, axisX, kRight, 1.0, keepInside);
}

void DrawYAxisLabelsLeft(CDC* pDC, int axisX, int originY, int height, double scaleY,
                         const RECT* keepInside) {
  DrawAxisTicks(pDC, {true, originY, height, scaleY}, axisX, kLeft, 1.0, keepInside);
}

void DrawAxisCross(CDC* pDC, int width, int height, POINT origin, double scaleX, double scaleY) {
  if (width <= 0 || height <= 0) return;
  const int ax = origin.x < -1 ? -1 : origin.x > width ? width : static_cast<int>(origin.x);
  const int ay = origin.y < -1 ? -1 : origin.y > height ? height : static_cast<int>(origin.y);
  if (g_pens[0][0]) pDC->SelectObject(g_pens[0][0]);
  pDC->MoveTo(0, ay);
  pDC->LineTo(width, ay);
  pDC->MoveTo(ax, 0);
  pDC->LineTo(ax, height);
  // A label the plot's (or cell's) edge would cut is moved inside: the edge
  // would take the minus sign first and change the value read.
  const RECT plot{0, 0, width, height};
  if (ax < width - 20)
    DrawYAxisLabelsRight(pDC, ax, origin.y, height, scaleY, &plot);
  else
    DrawYAxisLabelsLeft(pDC, ax, origin.y, height, scaleY, &plot);
  if (ay < height - 14)
    DrawXAxisLabelsBelow(pDC, origin.x, ay, width, scaleX, 1.0, &plot);
  else
    DrawXAxisLabelsAbove(pDC, origin.x, ay, width, scaleX, 1.0, &plot);
}
