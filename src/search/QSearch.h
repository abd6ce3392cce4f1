#pragma once
// CQSearch: a self-contained coordinate pattern search minimising a function
// of n real variables. Each coordinate starts with steps of a tenth of its
// magnitude (at least 1.0); ten sweeps take the Equalizer's step rule
// (PatternStep.h) on every coordinate in turn. The step arrays are kept and
// grow only for a larger n.
#include "platform/core/Types.h"

#include <functional>

class CQSearch {
 public:
  using Cost = std::function<double(const double* x, int n)>;
  static constexpr int kSweeps = 10;

  CQSearch();
  virtual ~CQSearch();
  CQSearch(const CQSearch&) = delete;
  CQSearch& operator=(const CQSearch&) = delete;

  // Leaves x at the best point found and returns its cost.
  double Minimise(double* x, int n, const Cost& f);

  double* m_pUp;    // up step per coordinate
  double* m_pDown;  // down step per coordinate
  BYTE* m_pDir;     // last successful side: 0 none, 1 down, 2 up
  int m_nCapacity;  // length of the three arrays
};
