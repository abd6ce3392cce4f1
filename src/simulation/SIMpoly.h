#pragma once
// Real polynomials in s and the conversion of an expression tree to one.
//
// A polynomial is a std::vector<double> of its coefficients in ascending
// powers of s (entry 0 the constant term); its size is the coefficient count,
// degree = size - 1, and a constant is one entry. The routines take their
// operands by value (move them in to reuse their storage) and return the result.
//
// Degree bound: no routine makes a polynomial of degree above kMaxPolyDegree
// (the root finder's limit). A result that would exceed it, like s^1e9 or
// (s + 1)^300, sets g_bEvalError and yields the constant [0.0] instead of
// allocating without limit.
//
// ExprToPoly reads an expression in s node kind by node kind:
//   s (the bare variable)       [0, 1]
//   other variable, real        the value: the document's variable table entry
//   sum                         sum of the terms; a term written with the
//                               plus-minus sign is an imaginary part J: a
//                               linear real sum r0 + r1 s with a constant J
//                               gives (r0 + r1 s)^2 + J^2, the product of the
//                               factor and its conjugate (other J are dropped)
//   product                     product of the factors
//   power                       s^k or p^k for whole k >= 0; a constant base
//                               gives pow(b, e)
//   division                    numerator times 1 / the constant denominator
//   matrix                      its single element
//   bracket operator            its operand; |x|, floor, ceiling of a constant
//   domain, relation            the indicator 1.0 or 0.0 of constant sides
// A node's own minus sign negates its result. Whatever cannot be converted
// (a non-constant divisor or exponent, a fractional power of s, a divisor 0,
// an unknown kind, a matrix of several elements, a product, power or
// quotient of numbers other than 0 that comes out 0, subnormal or infinite)
// sets g_bEvalError and yields
// a defined polynomial (mostly [0.0] or the operand's result); the flag is
// never cleared here. Recursion is limited by the engine's depth guard.
#include "simulation/SIMroots.h"

#include <vector>

class CMcBasic;
class CQorexDoc;

using Poly = std::vector<double>;

// a b; the convolution sums a[i] b[j] into entry i + j, i outer, j inner. A
// product a[i] b[j] of two coefficients other than 0 that is 0, subnormal or
// infinite sets g_bEvalError; the result is computed all the same.
Poly PolyMultiply(Poly a, Poly b);
// a^k for k >= 0; k = 0 gives [1.0]. Negative k sets g_bEvalError, gives [0.0].
Poly PolyPower(Poly a, int k);
// a + b, formed in the longer operand (in a when both are as long).
Poly PolyAdd(Poly a, Poly b);
// [c, p0, p1] -> [c^2 + p0^2, 2 p0 p1, p1^2] = (p0 + p1 s)^2 + c^2, in place;
// a product that leaves the range sets g_bEvalError, as in PolyMultiply.
void PolyConjugatePair(Poly& p);

// The polynomial of an expression in s; doc supplies variable values. A
// divisor that overflowed is refused like a divisor 0; when dividedByZero is
// given, it is set (never cleared) where a divisor was exactly 0.
Poly ExprToPoly(CQorexDoc* doc, const CMcBasic* node, bool* dividedByZero = nullptr);

// The limit of a model element N / D (den null: D = 1) as one design variable
// whose value is exactly 0 tends to 0, for an element that divides by it
// (the variable dead time divides its terms by powers of its amount tau).
// Each coefficient is carried as c eps^m, eps the variable, keeping only its
// lowest power; both parts are then cut to the lowest power m* found in
// either. Taken only where that is sound: N and D both keep a term of power
// m* (neither part vanishes nor grows beyond the other, so the quotient has a
// finite, non-zero limit), every coefficient kept at m* is known, and every
// step stays inside the rules and the range of ExprToPoly. The limit is taken
// from both sides of 0: |x| of an odd power of eps, floor or ceiling of a
// value within its rounding of a whole number, and a domain or relation whose
// sides hold eps may step at 0, and refuse it.
// Each coefficient carries a bound on its rounding (each number read counts
// as its decimal within a unit of its last place, and every operation adds
// its own). A sum no larger than its bound cancelled: it may be 0 or any
// value up to the bound, a term that rounding swallowed among them (1e16 + 1
// - 1e16), so its own power of eps is unknown, and so is every power it is
// multiplied into; a kept coefficient that depends on one refuses the limit.
// Where a cancellation is partial, the coefficient kept is known only when
// its bound is at most 2^-26 of it (half the digits of a double): the
// roundings of an element's own operations stay some hundreds of units of
// the last place, far below that, so only a cancellation that left rounding
// as a large share of what remains passes it, and such a coefficient would
// carry that share into the model as if it were exact. Each variable at 0
// that a divisor of the element holds is tried in turn (the first four: each
// costs one conversion); true with num and den set for the first that gives
// a limit, false (nothing set) otherwise.
bool ExprToPolyLimitAtZero(CQorexDoc* doc, const CMcBasic* numerator, const CMcBasic* denominator,
                           Poly* num, Poly* den);
