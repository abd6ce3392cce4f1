#pragma once
// Roots of a polynomial with real coefficients.
//
// Given p(s) = a[0] + a[1] s + ... + a[m] s^m (ascending powers, a[m] != 0),
// PolyRoots finds all m complex roots and writes them to roots[1 .. m];
// roots[0] is never written, so a root array is indexed like the pole and zero
// arrays of a transfer function.
//
// Method: Laguerre's iteration on a complex copy of p, started at 0 for every
// root; each root found is divided out of the copy by synthetic division
// (deflation), so the next search runs on a polynomial of one degree less.
// Root j (j = m down to 1) is stored in roots[j]: entry m holds the first root
// found (usually the one of least modulus) and entry 1 the last. A found root
// whose imaginary part is at most 4e-12 times the modulus of its real part is
// made exactly real before it is deflated. With polishing, every root is
// finally refined by Laguerre against the undeflated polynomial, which removes
// the error that deflation accumulates.
//
// Laguerre stops when |p(x)| is below 1e-14 times a running bound of the
// rounding error of the Horner pass (Adams' bound), when a step leaves x
// unchanged, or after 80 iterations. Limit cycles are broken by a fractional
// step at every tenth iteration. Convergence is cubic near a simple root and
// linear near a multiple one; a multiple root of multiplicity k is found only
// to about eps^(1/k).
//
// The complex arithmetic is the engine's (McComplex.h), formula for formula,
// except that moduli and quotients are rescaled where squaring would over- or
// underflow: far from the roots of a high-degree polynomial |p(x)| exceeds
// 1e154, and the unscaled |p(x)| = inf would pass the convergence test.
//
// Cost: at most 80 Horner passes of the current degree per root, O(m^2) per
// polynomial in practice, plus the same again for polishing. No allocation: the
// two complex work copies live on the stack (256 entries each), which is why
// the degree is limited to 255.
//
// Failure is a result, never an assert: PolyRoots returns null and leaves the
// roots array untouched when m is not in 1 .. 255, when the leading
// coefficient is 0, or when a coefficient is not finite. A root that has not
// converged after 80 iterations is kept as its last estimate (no flag); the
// backward residual max |p(r)| / sum |a_i| |r|^i tells the caller how good the
// roots are. Both routines are reentrant.
#include "MC/McComplex.h"

// Largest degree PolyRoots accepts.
constexpr int kMaxPolyDegree = 255;

// Writes the m roots of a[0 .. m] to roots[1 .. m] (roots has m + 1 entries)
// and returns roots, or null as above. polish: refine every root against the
// undeflated polynomial.
McComplex* PolyRoots(int m, const double a[], McComplex roots[], bool polish);

// Improves *x towards a root of the complex polynomial a[0 .. m] (degree m),
// sets *its to the number of the last iteration begun (1 .. 80) and returns
// the final *x.
McComplex Laguerre(int m, const McComplex a[], McComplex* x, int* its);

// Modulus sqrt(re^2 + im^2); rescaled only where the squares would over- or
// underflow (moduli beyond 1e150 or below 1e-150).
double Cabs(const McComplex* z);

// (r re, r im).
McComplex RCmul(double r, const McComplex* z);
