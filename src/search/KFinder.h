#pragma once
// CKFinder: the automatic tuner. It tunes the free variables of a design's
// tunable models against the real plant with the Equalizer's coordinate
// pattern search, judging each candidate first by the document's own
// simulation (the quick cost) and, when that is promising, by a real-time
// pass (the full cost).
//
// Cost of a run: with z the loop's compensated output, c the setpoint and W
// the document's sampled error weight,
//
//   J = sum over rows i and samples k of W(i, k) * (z(i, k) - c(i, k))^2 ,
//
// taken over the rows that z and c share. W supplies one row per output when
// its row count equals that number; otherwise its first row weighs every
// output. Samples beyond the shortest of z, c and W are not counted, so
// signals of unequal length are never read past their end. A non-finite J
// is stored as 1e200, as every cost of the design search is.
#include "platform/core/Types.h"

#include <memory>

class CQorexDoc;
class CSIMsignal;
class CSIMsystem;

class CKFinder {
 public:
  static constexpr int kInitialCapacity = 5;

  // No variables yet, room for five.
  CKFinder();
  virtual ~CKFinder();
  CKFinder(const CKFinder&) = delete;
  CKFinder& operator=(const CKFinder&) = delete;

  // Starts tuning the document in a worker thread. The tuner's run comes
  // with its own work; until then this does nothing.
  void Start(CQorexDoc* doc);

  // Stores the weighted error of system's last run (weighted by the error
  // weight of g_pSimDoc) as the quick cost (quick set) or the full cost.
  // Nothing happens while no document is driven (g_pSimDoc null).
  void ComputeCost(CSIMsystem* system, bool quick);

  // J above for system's signals z and c; a null weight weighs every sample 1.
  static double WeightedError(const CSIMsystem& system, const CSIMsignal* weight);

  // The variables searched, in search order; a variable may occur twice.
  std::unique_ptr<int[]> m_pVarIndex;     // variable table indices
  std::unique_ptr<double[]> m_pUpStep;    // current step upward
  std::unique_ptr<double[]> m_pDownStep;  // current step downward
  double m_dFullCost;                     // cost of the last real-time pass
  double m_dQuickCost;                    // cost of the candidate's simulation
  double m_dCutoff;                       // quick cost below which a pass is run
  std::unique_ptr<BYTE[]> m_pDirection;   // 0 none, 1 down, 2 up: the side that last improved
  int m_nCount;                           // variables in the list
  int m_nCapacity;                        // room in each of the four arrays
};
