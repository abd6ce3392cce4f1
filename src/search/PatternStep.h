#pragma once
// The coordinate step of the design searches' pattern search: one variable,
// an up step and a down step of its own, and the side that succeeded last.
//
// Probing: the remembered side first (up when none is remembered); the other
// side only when the first did not improve on f0. Deciding:
//   up improved (and not beaten by down): take it; down := up / 2, and up
//     doubles when up was the remembered side;
//   down improved: take it; up := down / 2, and down doubles when down was
//     the remembered side;
//   both worse: stay, both steps halve;
//   down ties f0: stay, down grows by 1.5; up grows by 1.5 when it tied
//     too, else halves.
// A probe whose cost is not a number improves nothing and ties nothing: it
// counts as worse. The Equalizer's local search, the pattern minimiser and
// the tuner all take this one step.
#include "platform/core/Types.h"

#include <cmath>

struct QOX_PatternAxis {
  enum : BYTE { kNone = 0, kDown = 1, kUp = 2 };
  double up;
  double down;
  BYTE direction;
};

// Both steps of a variable at x when a search starts: 1.0 up to 10 in
// magnitude, else a tenth of it.
inline double PatternStartStep(double x) {
  return std::fabs(x) <= 10.0 ? 1.0 : 0.1 * std::fabs(x);
}

// One step from x with cost f0. costAt(v) sets the variable to v and returns
// the design's cost there. Afterwards x holds the chosen value (the caller
// sets the variable to it) and the result is the new f0.
template <class CostAt>
double PatternStep(double& x, double f0, QOX_PatternAxis& axis, CostAt&& costAt) {
  const double x0 = x;
  const BYTE was = axis.direction;
  double fu, fd;
  if (was != QOX_PatternAxis::kDown) {
    fu = costAt(x0 + axis.up);
    fd = fu < f0 ? f0 + 1.0 : costAt(x0 - axis.down);
  } else {
    fd = costAt(x0 - axis.down);
    fu = fd < f0 ? f0 + 1.0 : costAt(x0 + axis.up);
  }
  if (fu < f0 && !(fd < fu)) {  // a down cost that is not a number never beats up
    x = x0 + axis.up;
    axis.down = axis.up / 2;
    if (was == QOX_PatternAxis::kUp) axis.up *= 2;
    axis.direction = QOX_PatternAxis::kUp;
    return fu;
  }
  if (fd < f0) {  // with fu < f0 here, fd < fu as well
    x = x0 - axis.down;
    axis.up = axis.down / 2;
    if (was == QOX_PatternAxis::kDown) axis.down *= 2;
    axis.direction = QOX_PatternAxis::kDown;
    return fd;
  }
  x = x0;
  axis.direction = QOX_PatternAxis::kNone;
  if (fd == f0) {
    axis.down *= 1.5;
    axis.up = fu == f0 ? axis.up * 1.5 : axis.up / 2;
  } else {
    axis.up /= 2;
    axis.down /= 2;
  }
  return f0;
}
