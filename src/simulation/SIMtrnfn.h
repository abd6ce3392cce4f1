#pragma once
// CSIMtrnfn: one single-input single-output transfer function
//
//          B(s)   b0 + b1 s + ... + bm s^m
//   G(s) = ---- = ------------------------ ,  A(s) of degree m, B of degree < m + 1,
//          A(s)   a0 + a1 s + ... + am s^m
//
// with its poles (roots of A) and zeros (roots of B), and the state of its own
// time simulation. Coefficients are ascending in s; poles and zeros are held
// from index 1, as the root finder writes them (simulation/SIMroots.h).
//
// Simulation. With A(D) z = u and y = B(D) z (D = d/dt), the state
// x = (z, z', ..., z^(m-1)) obeys the controllable canonical form
//   x_j' = x_(j+1)  (j < m - 1),   x_(m-1)' = d_m u + sum_i d_i x_i,
//   y = sum_(i<m) b_i x_i + b_m (d_m u + sum_i d_i x_i),
// where d_i = -a_i / a_m and d_m = 1 / a_m are the "simulation form" of the
// denominator that PrepareSimulation writes into m_den. Step advances x by
// one classical fourth-order Runge-Kutta step of length h with the input held
// (or given at the start, middle and end of the step). The output returned for
// a step is formed from the state before the step, so sample k answers the
// inputs up to sample k - 1 plus, for a biproper function, the feed-through of
// the current input. For a held input RK4 on this linear system is exactly
//   x_(k+1) = T(hA) x_k + h S(hA) B u,
// T and S the Taylor polynomials of exp and (exp(z) - 1)/z of degrees 4 and 3,
// so its error against the zero-order hold is O(h^4 |A|^4) per unit time.
// Step allocates nothing and costs O(m) per stage.
//
// Validity. Adopt refuses what cannot be simulated: a denominator whose
// coefficients all vanish (|a_i| <= g_dZeroTol) or any non-finite coefficient,
// and more than kMaxPolyDegree + 1 coefficients; vanishing leading
// denominator coefficients are trimmed first, so PrepareSimulation never
// divides by zero. Refusal sets g_bEvalError and leaves the zero function 0/1.
// A denominator that loses degree by a trimmed coefficient that is not 0.0
// (its poles would move, often into the right half-plane) is kept trimmed
// but sets g_bEvalError too: such a model is not the one written.
//
// The algebra (Series, Parallel, OnePlus, Determinant; SIMtrnfnAlgebra.cpp)
// writes into the object it is called on from operands that stay unchanged;
// see the comments there.
#include "MC/McComplex.h"
#include "simulation/SIMroots.h"

#include <vector>

class CMcBasic;
class CQorexDoc;

class CSIMtrnfn {
 public:
  // Order 0, capacity 1, numerator 0 over denominator 1.
  CSIMtrnfn();
  CSIMtrnfn(const CSIMtrnfn& src);  // a complete copy, roots and state included
  virtual ~CSIMtrnfn();

  // Copies what the simulation needs: counts, numerator (with its trailing
  // zeros up to m_nDen) and denominator; not the poles and zeros. The state
  // is kept when the order is unchanged and the arrays did not grow, else reset.
  CSIMtrnfn& operator=(const CSIMtrnfn& src);

  // Takes the numerator and denominator in ascending powers. Vanishing leading
  // coefficients (|c| <= g_dZeroTol) are trimmed from both; a denominator
  // that so loses a coefficient other than 0.0 sets g_bEvalError; a numerator
  // longer than the denominator (improper) is cut to the denominator's count
  // and sets g_bEvalError when flagImproper; refused input (see above) sets
  // g_bEvalError and gives the zero function. The numerator array is padded
  // with zeros to m_nDen entries. Poles and zeros are unknown until FindRoots.
  // Returns false when anything was refused or cut.
  bool Adopt(std::vector<double> num, std::vector<double> den, bool flagImproper = true);

  // ---- expressions (SIMtrnfnExpr.cpp) ---------------------------------------
  // From a model element: a top-level division is numerator over denominator,
  // anything else must be a constant (else g_bEvalError). The polynomials come
  // from ExprToPoly (SIMpoly.h) with doc's variable values; an improper
  // function sets g_bEvalError and keeps the first m_nDen numerator terms.
  // Then finds poles and zeros (polished) and raises *maxPoleModulus, when
  // given, to the largest pole modulus. Failures only set g_bEvalError.
  void FromExpr(CQorexDoc* doc, const CMcBasic* node, double* maxPoleModulus = nullptr);
  // The coefficients alone, for quick rebuilds before a simulation: no roots,
  // and neither a non-constant non-division nor an improper numerator sets the
  // flag (the numerator is still cut).
  void FromExprCoefs(CQorexDoc* doc, const CMcBasic* node);
  // New trees owned by the caller; this function is not changed. Factored:
  // gain, then one factor s - z per real root and one s - x +- y j per complex
  // pair, over the same for the poles. Polynomial: the two coefficient
  // polynomials in ascending powers. Comparisons with zero and one use
  // g_dZeroTol. Without valid roots the factored form is the polynomial form.
  CMcBasic* ToFactoredExpr() const;
  CMcBasic* ToPolyExpr() const;

  // Zeros the first m_nDen state entries.
  void ResetState();

  // Toggles the denominator between A(s) and its simulation form
  // d_i = -a_i / a_m, d_m = 1 / a_m (applying it twice restores A up to
  // rounding). Returns false, changing nothing, when the leading coefficient
  // is 0 (only possible for an object never filled by Adopt or the algebra).
  bool PrepareSimulation();

  // Output at the current sample; then advances the state by h. u1, u2, u3:
  // the input at the start, middle and end of the step. Needs the simulation form.
  double Step(double u1, double u2, double u3, double h);

  // Copies the model (counts, coefficients, poles, zeros) without the state.
  void CopyModel(const CSIMtrnfn& src);

  // Finds the poles and, when the numerator has degree >= 1, the zeros with
  // polishing. On a null result of the root finder the roots are zero-filled,
  // m_bRootsValid is cleared and g_bEvalError set; returns false then.
  bool FindRoots();

  // ---- algebra (SIMtrnfnAlgebra.cpp); R = *this must not be an operand -----
  // Each returns false, with R the zero function and g_bEvalError set, when
  // the result would exceed degree kMaxPolyDegree.
  bool Series(const CSIMtrnfn& a, const CSIMtrnfn& b);         // R := a b
  bool Parallel(const CSIMtrnfn& a, const CSIMtrnfn& b);       // R := a + b
  bool MergeParallel(const CSIMtrnfn& a, const CSIMtrnfn& b);  // a + b, no common poles
  bool OnePlus(const CSIMtrnfn& a);                            // R := 1 + a
  // R := det M of the square matrix of n x n elements m[r n + c]; w1 .. w4
  // are the caller's work values. 1 x 1, 2 x 2 and 3 x 3 (rule of Sarrus) use
  // the work values only; larger sizes up to kMaxDeterminantSize are expanded
  // by cofactors (every minor once) with local work values. Beyond that, or
  // for n < 1, the determinant is not computed: R becomes the zero function,
  // g_bEvalError is set and the result is false, so no stale value is shown.
  bool Determinant(const CSIMtrnfn* m, int n, CSIMtrnfn& w1, CSIMtrnfn& w2, CSIMtrnfn& w3,
                   CSIMtrnfn& w4);

  // Exactly one numerator coefficient, of magnitude at most g_dZeroTol.
  bool IsZero() const;
  // Numerator [0.0] over denominator [1.0].
  void SetZero();
  // Grows every array to n entries when the capacity is smaller.
  void Reserve(int n);

  static constexpr int kMaxDeterminantSize = 8;

  // ---- data -----------------------------------------------------------------
  std::vector<double> m_k1, m_k2, m_k3, m_k4;  // Runge-Kutta slopes, one per state
  std::vector<double> m_x;                     // state z, z', ..., z^(m-1)
  std::vector<double> m_num;                   // b0 .. ; entries m_nNum .. m_nDen - 1 are 0.0
  std::vector<double> m_den;       // a0 .. am, or the simulation form after PrepareSimulation
  std::vector<McComplex> m_poles;  // entries 1 .. m_nDen - 1
  std::vector<McComplex> m_zeros;  // entries 1 .. m_nNum - 1
  int m_nCapacity;                 // entries every array has room for
  int m_nDen;                      // denominator coefficients = order + 1
  int m_nNum;                      // numerator coefficients, 1 .. m_nDen
  // False when the root finder could not give the poles or zeros (they are
  // then zero-filled and must not be shown as roots).
  bool m_bRootsValid;
};
