#include "MC/McComplex.h"

#include "QorexDoc.h"

#include <cmath>

thread_local int g_bEvalError = 0;

McComplex McComplexNeg(const McComplex& a) {
  return {-a.re, -a.im};
}

McComplex McComplexDiv(const McComplex& a, const McComplex& b) {
  const double d = b.re * b.re + b.im * b.im;
  return {(a.re * b.re + a.im * b.im) / d, (a.im * b.re - a.re * b.im) / d};
}

McComplex McComplexSqrt(const McComplex& a) {
  const double r = std::pow(a.re * a.re + a.im * a.im, 0.25);
  const double theta = 0.5 * std::atan2(a.im, a.re);
  return {r * std::cos(theta), r * std::sin(theta)};
}

McComplex McComplexLog(const McComplex& a) {
  return {std::log(McComplexAbs(a)), std::atan2(a.im, a.re)};
}

McComplex McComplexCopy(const McComplex& a) {
  return a;
}

int McStepCount(const CQorexDoc* doc) {
  if (!doc) return 0;
  const int n = doc->m_system.m_nSteps;
  return n > 0 ? n : 0;
}

McComplex* McNewVector(int n) {
  if (n < 0) n = 0;
  return new McComplex[static_cast<size_t>(n)]();
}
