#pragma once
// Complex values of numeric evaluation and the evaluation-error flag.
//
// McComplex is a plain pair (re, im) that may hold infinities and NaNs; no
// operation tests or normalises them, so numeric domain failures (division by
// zero, log 0, overflow) travel inside the values and are never reported.
// The formulas are the textbook ones, evaluated without rescaling:
//   Div:  d = |b|^2, ((a.re b.re + a.im b.im)/d, (a.im b.re - a.re b.im)/d)
//   Sqrt: r = (re^2 + im^2)^(1/4), theta = atan2(im, re)/2; principal root with
//         angle in (-pi/2, pi/2]; on the negative real axis the sign of a zero
//         imaginary part picks the branch (-4 + 0j -> 2j, -4 - 0j -> -2j).
//   Log:  (log |a|, atan2(im, re)), imaginary part in (-pi, pi].
#include "platform/core/Types.h"

#include <cmath>

class CQorexDoc;

struct McComplex {
  double re;
  double im;
};

McComplex McComplexNeg(const McComplex& a);
// Sum, difference and product, inline so that the numerics' inner loops
// (polynomial evaluation, determinants) use them without a call.
inline McComplex McComplexAdd(const McComplex& a, const McComplex& b) {
  return {a.re + b.re, a.im + b.im};
}
inline McComplex McComplexSub(const McComplex& a, const McComplex& b) {
  return {a.re - b.re, a.im - b.im};
}
inline McComplex McComplexMul(const McComplex& a, const McComplex& b) {
  return {a.re * b.re - a.im * b.im, a.re * b.im + a.im * b.re};
}
McComplex McComplexDiv(const McComplex& a, const McComplex& b);
// a / b by Smith's scaled rule, which forms no square of b: the quotient of
// the numerics where |b|^2 would over- or underflow.
inline McComplex McComplexDivScaled(const McComplex& a, const McComplex& b) {
  if (std::fabs(b.re) >= std::fabs(b.im)) {
    const double t = b.im / b.re;
    const double den = b.re + b.im * t;
    return {(a.re + a.im * t) / den, (a.im - a.re * t) / den};
  }
  const double t = b.re / b.im;
  const double den = b.re * t + b.im;
  return {(a.re * t + a.im) / den, (a.im * t - a.re) / den};
}
McComplex McComplexSqrt(const McComplex& a);
McComplex McComplexLog(const McComplex& a);
McComplex McComplexCopy(const McComplex& a);
// |a| by the direct formula sqrt(re^2 + im^2).
inline double McComplexAbs(const McComplex& a) {
  return std::sqrt(a.re * a.re + a.im * a.im);
}

// Set to 1 by a node that has no numeric meaning (it then yields 0); numeric
// domain failures never set it. The engine never clears it: whoever evaluates
// clears it first and reads it afterwards. Per thread, so a worker's
// evaluation cannot disturb a validation running on the user-interface thread.
extern thread_local int g_bEvalError;

// Number of samples N of a whole-run evaluation: the step count of the
// document's own loop system, never negative (0 without a document).
int McStepCount(const CQorexDoc* doc);

// A new array of n values, all 0 + 0j (an empty array for n <= 0). The caller
// owns it and frees it with delete[]; EvaluateVector results are made here.
McComplex* McNewVector(int n);
