#pragma once
// The magnitude knee of the design searches: a design whose largest free
// variable (in magnitude) m lies above the knee ("Mag supr knee",
// g_dMagSupKnee) is penalised by the factor exp(m - knee), which grows fast
// enough to keep a search from running a gain away.
//
// The penalty must always make a cost worse. Costs of either sign occur (a
// stable design's closed-loop cost is negative), so a negative cost is divided
// by the factor: multiplying it would reward the runaway it is meant to stop.
// A factor that overflows to +infinity gives +infinity for a positive cost
// and -0 for a negative one; 0 x infinity is NaN, which the searches count as
// +infinity.
#include <cmath>

// exp(largestMagnitude - knee) above the knee, else 1.
inline double MagnitudeKneeFactor(double largestMagnitude, double knee) {
  return largestMagnitude <= knee ? 1.0 : std::exp(largestMagnitude - knee);
}

// The cost made worse by the factor (>= 1).
inline double ApplyMagnitudeKnee(double cost, double factor) {
  if (factor == 1.0) return cost;
  return cost < 0.0 ? cost / factor : cost * factor;
}
