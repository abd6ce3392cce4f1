#pragma once
// CSIMtrnmx: a matrix of transfer functions, one block of the loop (P, K, G, L,
// F), a loop product or a work value. Element (r, c) maps input c to output r
// and lies at entry r * m_nCols + c.
//
// Building. FromExpr converts every element of a matrix expression in s (or a
// single non-matrix expression, giving 1 x 1) with CSIMtrnfn::FromExpr; errors
// show only through g_bEvalError, which the caller clears and tests.
//
// Storage. There is no separate capacity: an operation that needs more
// elements than rows * columns replaces the array by exactly that many fresh
// elements; otherwise only the dimensions change and later elements stay
// unused. The array always has at least rows * columns elements.
//
// Simulation. Step feeds column t of the input signal through every element
// with the input held over the step (zero-order hold into each element's RK4
// step) and sums each row into column t of the output signal; it allocates
// nothing. The caller guarantees the signal shapes (the loop system checks
// them before any run): input rows >= m_nCols, output rows >= m_nRows.
//
// Algebra. Multiply forms the sums of products with cancelling Series and
// Parallel, in ascending k so that the factorisation is reproducible; shapes
// that do not fit are refused (false, g_bEvalError set, zero elements) rather
// than read outside an array.
#include "simulation/SIMtrnfn.h"

#include "platform/core/Types.h"

#include <memory>

class CMcBasic;
class CQorexDoc;
class CSIMsignal;

class CSIMtrnmx {
 public:
  // 1 x 1, one element of order 0, flags 1.
  CSIMtrnmx();
  virtual ~CSIMtrnmx();
  CSIMtrnmx(const CSIMtrnmx&) = delete;

  // With poles and zeros; raises doc->m_dMaxPoleModulus to the largest pole modulus.
  void FromExpr(CQorexDoc* doc, const CMcBasic* expr);
  // Coefficients only (no roots), for quick rebuilds before a simulation.
  void FromExprCoefs(CQorexDoc* doc, const CMcBasic* expr);

  // Toggles every element between its normal and simulation form.
  void PrepareSimulation();
  void ResetStates();

  // Element-wise coefficient copy for this matrix's own rows * columns; the
  // caller guarantees equal shapes (copying stops at the smaller array).
  CSIMtrnmx& operator=(const CSIMtrnmx& src);

  // One step at sample t with step length h: out(r, t) = sum_c G_rc(in(c, t)).
  void Step(const CSIMsignal& in, CSIMsignal& out, int t, double h);

  // this := A B with the caller's work values. False (elements zero) when A's
  // columns differ from B's rows or an element product exceeds the degree limit.
  bool Multiply(const CSIMtrnmx& A, const CSIMtrnmx& B, CSIMtrnfn& w1, CSIMtrnfn& w2,
                CSIMtrnfn& w3);
  // this := I + M; for a non-square M only the elements with r == c get the 1.
  void OnePlus(const CSIMtrnmx& M);

  // New trees owned by the caller; a 1 x 1 matrix gives its element alone.
  CMcBasic* ToPolyExpr() const;
  CMcBasic* ToFactoredExpr() const;

  bool IsSquare() const { return m_nRows == m_nCols; }
  CSIMtrnfn& At(int r, int c) { return m_pElements[r * m_nCols + c]; }
  const CSIMtrnfn& At(int r, int c) const { return m_pElements[r * m_nCols + c]; }

  // ---- data -----------------------------------------------------------------
  // The block's flags (SIMblockFlag in SIMsystem.h); kept for the editing
  // dialogs and the searches, read by nothing here.
  WORD m_wFlags;
  std::unique_ptr<CSIMtrnfn[]> m_pElements;  // row by row
  int m_nCols;
  int m_nRows;

 private:
  // Makes room for rows * cols elements and takes the dimensions.
  void Size(int rows, int cols);
  template <class Convert>
  void Build(const CMcBasic* expr, Convert convert);
};
