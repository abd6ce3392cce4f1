#pragma once
// CSIMsignal: a sampled multichannel signal, one row per channel and one column
// per sample; sample (channel, k) lies at channel * m_nColumns + k and stands
// for time k times the sampling time of the loop system that owns it.
//
// The array only grows: a size that needs more than m_nCapacity doubles gets a
// fresh array of exactly that many zeros (old values dropped); a smaller size
// only changes the row and column counts and keeps what the array held. So
// every sample is defined: 0.0, or a value written since.
//
// The per-column operations write column t of every row of this signal from
// column t (or t - 1) of their operands, addressed with this signal's column
// count. They allocate nothing and check nothing: the loop system checks the
// shapes of all its signals once before a run (operands with the same column
// count and at least as many rows).
#include "platform/core/Types.h"

class CMcBasic;
class CQorexDoc;
class CSIMsystem;

// The one bit of a signal's flag word: shown in the signal panes.
inline constexpr WORD kSignalShown = 0x0001;

class CSIMsignal {
 public:
  // One row of 300 samples, all 0.0, with room for 300 doubles.
  CSIMsignal();
  virtual ~CSIMsignal();
  CSIMsignal(const CSIMsignal&) = delete;
  CSIMsignal& operator=(const CSIMsignal&) = delete;

  // Sample (channel, k); the caller keeps both within the signal.
  double& At(int channel, int k) { return m_pSamples[channel * m_nColumns + k]; }
  double At(int channel, int k) const { return m_pSamples[channel * m_nColumns + k]; }

  // Takes rows x columns, growing the array as above. Negative counts, or a
  // product beyond the int range, change nothing and yield false.
  bool Resize(int rows, int columns);
  // Sets all rows x columns samples to 0.
  void Zero();

  // Exchanges samples, shape and flags with other's, copying no sample.
  void Swap(CSIMsignal& other);

  // Takes src's size and copies all its samples.
  void Assign(const CSIMsignal& src);
  // Takes src's size, then copies in every row the columns from .. end;
  // columns before `from` keep their values (a negative from counts as 0).
  void CopyFrom(const CSIMsignal& src, int from);

  void Subtract(const CSIMsignal& a, const CSIMsignal& b, int t);  // a - b
  void Add(const CSIMsignal& a, const CSIMsignal& b, int t);       // a + b (a may be this)
  void Copy(const CSIMsignal& a, int t);                           // a
  // a(t - 1) + b(t - 1), and 0.0 at t = 0: one sample of delay.
  void DelayedSum(const CSIMsignal& a, const CSIMsignal& b, int t);
  // Above hi: hi; below lo, or not a number: lo; otherwise unchanged.
  void Clamp(const CSIMsignal& lo, const CSIMsignal& hi, int t);

  // Column system->m_nStep from the right-hand side of the document's signal
  // definition `index` (a matrix gives one expression per row, its minus sign
  // applying to all); errors leave 0 and g_bEvalError set.
  void Evaluate(CQorexDoc* doc, CSIMsystem* system, int index);
  // The same for the right side rhs itself (null: 0 and g_bEvalError set).
  void EvaluateSide(const CMcBasic* rhs, CQorexDoc* doc, CSIMsystem* system);
  // Sizes the signal from expr (a matrix of k elements and c columns gives
  // k / c rows, anything else 1) with `columns` columns; with fill, samples
  // come from EvaluateVector against the document's own run. Where that run
  // has fewer samples than `columns`, the rest of the row is 0.0. Of a matrix
  // with several columns, row r is taken from the element in its first column.
  void Build(CQorexDoc* doc, const CMcBasic* expr, int columns, bool fill);

  WORD m_wFlags;       // kSignalShown
  double* m_pSamples;  // rows * columns samples, row by row
  int m_nRows;         // channels
  int m_nColumns;      // samples per channel
  int m_nCapacity;     // doubles the array has room for
};
