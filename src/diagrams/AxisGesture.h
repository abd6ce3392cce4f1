#pragma once
// The right-button drag every plot shares, the view's diagrams and the signal
// panes alike: without Ctrl it pans, with Ctrl it zooms each axis about the
// value under the point where the drag last took a step. Moving right or up
// enlarges. A drag keeps two points: the anchor, from which the next step is
// measured, and the last point, whose value a zoom step keeps under the
// pointer.
//
// Small moves are dead: a pan needs more than kPanDeadZone pixels on one
// axis, a zoom step more than kZoomDeadZone on the axis it scales, and each
// pixel beyond that changes the scale by the plot's own rate. Where the
// origin may lie is each plot's own affair: it passes its clamp.
#include "platform/core/Geometry.h"

constexpr int kPanDeadZone = 4;
constexpr int kZoomDeadZone = 5;

// One move of a pan drag: the last point follows the pointer; beyond the dead
// zone the anchor moves to the pointer too and the answer is true, and the
// caller moves its origin by the distance from the old anchor.
bool PanStep(POINT point, POINT& anchor, POINT& last);

// Whether a move from the anchor to the pointer zooms at all.
bool ZoomBeyondDeadZone(int dx, int dy);

// The value a zoom step put under the pointer on one axis (in units, the sign
// of the pixel axis), with the geometry it was put there with. The next step
// of the same drag zooms about this exact value instead of the one read back
// from the truncated origin, so the drift of a pixel per step does not add up.
struct ZoomPivot {
  bool valid = false;
  double value = 0;
  LONG pixel = 0, cell = 0, origin = 0;
  double scale = 0;
};

// One axis as a zoom step sees it. The origin counts from `cell` (the corner
// of a grid cell; 0 for a plot over the whole client). `place` is the plot's
// clamp: it gets the pixel the kept value now lies under, counted from the
// cell, and the value's distance from the origin at the new scale, in pixels
// and not yet truncated, and answers the new origin.
struct ZoomAxisGeometry {
  bool vertical;
  double perPixel;
  LONG cell;
  LONG (*place)(LONG pixel, double offset);
};

enum class ZoomStepResult {
  kDead,     // within the dead zone: nothing changed
  kRefused,  // the scale would become 0 or infinite: nothing changed
  kTaken,    // scale and origin changed; the anchor and the last point are the pointer
};

// One zoom step on one axis towards `point`. With a pivot, the value kept under
// the pointer is the pivot's while the geometry is still the one it left.
ZoomStepResult ZoomAxis(const ZoomAxisGeometry& axis, LONG point, LONG& anchor, LONG& last,
                        LONG& origin, double& scale, ZoomPivot* pivot = nullptr);
