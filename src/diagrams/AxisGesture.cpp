#include "diagrams/AxisGesture.h"

#include <cmath>
#include <cstdlib>

bool PanStep(POINT point, POINT& anchor, POINT& last) {
  last = point;
  if (std::abs(anchor.x - point.x) <= kPanDeadZone && std::abs(anchor.y - point.y) <= kPanDeadZone)
    return false;
  anchor = point;
  return true;
}

bool ZoomBeyondDeadZone(int dx, int dy) {
  return std::abs(dx) > kZoomDeadZone || std::abs(dy) > kZoomDeadZone;
}

ZoomStepResult ZoomAxis(const ZoomAxisGeometry& axis, LONG point, LONG& anchor, LONG& last,
                        LONG& origin, double& scale, ZoomPivot* pivot) {
  const int d = anchor - point;
  if (std::abs(d) <= kZoomDeadZone) return ZoomStepResult::kDead;
  const double f = 1.0 + (std::abs(d) - kZoomDeadZone) * axis.perPixel;
  const bool enlarge = axis.vertical ? d > 0 : d < 0;
  const double newScale = enlarge ? scale * f : scale / f;
  // Every position divides by the scale, and the loader refuses such a scale.
  if (!std::isfinite(newScale) || !(newScale > 0)) return ZoomStepResult::kRefused;
  const bool same = pivot != nullptr && pivot->valid && pivot->pixel == last &&
                    pivot->cell == axis.cell && pivot->origin == origin && pivot->scale == scale;
  const double t = same ? pivot->value : (double(last) - axis.cell - origin) / scale;
  anchor = point;
  scale = newScale;
  origin = axis.place(point - axis.cell, t * scale);
  last = point;
  if (pivot != nullptr) *pivot = {true, t, last, axis.cell, origin, scale};
  return ZoomStepResult::kTaken;
}
