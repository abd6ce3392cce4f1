#pragma once
// The part of an axis-aligned ellipse that lies in a rectangle, computed in
// double precision, for ellipses too large or too far from the plot for the
// drawing layer's integer boxes (a band circle of a zoomed-in diagram may be
// millions of pixels across while a few pixels of its outline cross the
// plot).
//
// The ellipse is (cx + rx cos t, cy + ry sin t), t in [0, 2 pi), in pixels
// before conversion; the rectangle is [left, right] x [top, bottom].
//
// Method: the outline crosses each side of the rectangle at most twice; the
// crossing parameters (acos and asin of the side's offset from the centre over
// the radius) cut [0, 2 pi) into intervals that lie wholly inside or wholly
// outside, told apart by their midpoints. Each inside interval is sampled
// with a parameter step of `step` pixels over the local speed |dP/dt|, so
// the polyline looks round at every size and eccentricity. The filled part
// (the ellipse's disc meets the rectangle in a convex region) is the polygon
// of the sampled outline and the rectangle's corners inside the ellipse, in
// angular order about their mean.
//
// Cost: O(outline length inside the rectangle / step), each arc capped at
// kMaxArcPoints points; nothing else depends on the ellipse's size. Limits:
// positions carry the absolute error of doubles of the centre's and radii's
// size (about 1e-4 pixel at 1e12 pixels); beyond some 1e15 pixels an arc's
// parameter interval may be narrower than a double's spacing and the arc is
// lost. Radii under half a pixel, or values that are not finite, give
// nothing, as an empty box gives nothing to the layer's Ellipse.
#include "platform/core/Geometry.h"

#include <vector>

struct EllipseInRect {
  // The outline inside the rectangle: one polyline per arc, in pixels.
  std::vector<std::vector<POINT>> arcs;
  // The filled ellipse within the rectangle as a convex polygon; fewer than
  // three points when they do not meet.
  std::vector<POINT> region;
};

constexpr int kMaxArcPoints = 4096;

EllipseInRect ClipEllipse(double cx, double cy, double rx, double ry, double left, double top,
                          double right, double bottom, double step = 1.5);
