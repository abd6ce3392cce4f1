#include "MC/McFunctions.h"

#include "simulation/SIMsystem.h"

#include <cmath>
#include <cstdlib>
#include <cstring>

namespace {

struct BuiltinName {
  const char* name;
  McBuiltin id;
};

constexpr BuiltinName kBuiltins[] = {
    {"asin", McBuiltin::Asin},     {"acos", McBuiltin::Acos},   {"atan", McBuiltin::Atan},
    {"asinh", McBuiltin::Asinh},   {"acosh", McBuiltin::Acosh}, {"atanh", McBuiltin::Atanh},
    {"atan2", McBuiltin::Atan2},   {"sin", McBuiltin::Sin},     {"sinh", McBuiltin::Sinh},
    {"sec", McBuiltin::Sec},       {"sech", McBuiltin::Sech},   {"sign", McBuiltin::Sign},
    {"srand", McBuiltin::Srand},   {"cos", McBuiltin::Cos},     {"cosh", McBuiltin::Cosh},
    {"cot", McBuiltin::Cot},       {"coth", McBuiltin::Coth},   {"cosec", McBuiltin::Cosec},
    {"cosech", McBuiltin::Cosech}, {"tan", McBuiltin::Tan},     {"tanh", McBuiltin::Tanh},
    {"rand", McBuiltin::Rand},     {"rem", McBuiltin::Rem},     {"polar", McBuiltin::Polar},
};

const McComplex kOne = {1.0, 0.0};
const McComplex kI = {0.0, 1.0};

// e^t + e^-t and e^t - e^-t: twice ch and sh, always from two exp calls.
double Ch2(double t) {
  return std::exp(t) + std::exp(-t);
}
double Sh2(double t) {
  return std::exp(t) - std::exp(-t);
}

McComplex Sin(const McComplex& z) {
  return {std::sin(z.re) * Ch2(z.im) / 2, std::cos(z.re) * Sh2(z.im) / 2};
}
McComplex Cos(const McComplex& z) {
  return {std::cos(z.re) * Ch2(z.im) / 2, (std::exp(-z.im) - std::exp(z.im)) / 2 * std::sin(z.re)};
}
McComplex Sinh(const McComplex& z) {
  return {Sh2(z.re) / 2 * std::cos(z.im), Ch2(z.re) / 2 * std::sin(z.im)};
}
McComplex Cosh(const McComplex& z) {
  return {Ch2(z.re) / 2 * std::cos(z.im), Sh2(z.re) / 2 * std::sin(z.im)};
}

// 1 / c as conj(c) / |c|^2.
McComplex Reciprocal(const McComplex& c) {
  const double m = c.re * c.re + c.im * c.im;
  return {c.re / m, -c.im / m};
}

// c / s written out, as the cotangents are formed.
McComplex Quotient(const McComplex& c, const McComplex& s) {
  const double m = s.re * s.re + s.im * s.im;
  return {(c.re * s.re + c.im * s.im) / m, (c.im * s.re - c.re * s.im) / m};
}

McComplex Square(const McComplex& z) {
  return McComplexMul(z, z);
}

McComplex Asin(const McComplex& z) {
  const McComplex root = McComplexSqrt(McComplexSub(kOne, Square(z)));
  const McComplex l = McComplexLog(McComplexAdd(McComplexMul(kI, z), root));
  return McComplexMul({0.0, -1.0}, l);
}

McComplex Acos(const McComplex& z) {
  const McComplex root = McComplexSqrt(McComplexSub(kOne, Square(z)));
  const McComplex l = McComplexLog(McComplexAdd(z, McComplexMul(kI, root)));
  return McComplexMul({0.0, -1.0}, l);
}

McComplex Atan(const McComplex& z) {
  const McComplex q = McComplexDiv(McComplexAdd(kI, z), McComplexSub(kI, z));
  return McComplexMul({0.0, 0.5}, McComplexLog(q));
}

McComplex Asinh(const McComplex& z) {
  return McComplexLog(McComplexAdd(z, McComplexSqrt(McComplexAdd(Square(z), kOne))));
}

McComplex Acosh(const McComplex& z) {
  return McComplexLog(McComplexAdd(z, McComplexSqrt(McComplexSub(Square(z), kOne))));
}

McComplex Atanh(const McComplex& z) {
  const McComplex l = McComplexLog(McComplexDiv(McComplexAdd(kOne, z), McComplexSub(kOne, z)));
  return {0.5 * l.re, 0.5 * l.im};
}

McComplex Sign(const McComplex& z) {
  const double m = McComplexAbs(z);
  return {z.re / m, z.im / m};
}

// The generator's state, one per thread: a worker's draws never disturb the
// user-interface thread's sequence.
thread_local DWORD t_randState = 1;

}  // namespace

McBuiltin McFindBuiltin(const char* name) {
  if (name == nullptr) return McBuiltin::None;
  for (const BuiltinName& b : kBuiltins)
    if (std::strcmp(name, b.name) == 0) return b.id;
  return McBuiltin::None;
}

bool McIsListBuiltin(McBuiltin f) {
  return f == McBuiltin::Atan2 || f == McBuiltin::Rem || f == McBuiltin::Polar;
}

McComplex McEvaluateBuiltin(McBuiltin f, const McComplex& z) {
  switch (f) {
    case McBuiltin::Asin:
      return Asin(z);
    case McBuiltin::Acos:
      return Acos(z);
    case McBuiltin::Atan:
      return Atan(z);
    case McBuiltin::Asinh:
      return Asinh(z);
    case McBuiltin::Acosh:
      return Acosh(z);
    case McBuiltin::Atanh:
      return Atanh(z);
    case McBuiltin::Sin:
      return Sin(z);
    case McBuiltin::Cos:
      return Cos(z);
    case McBuiltin::Tan: {
      // Both halves without their factors 1/2, which cancel.
      const McComplex s = {std::sin(z.re) * Ch2(z.im), std::cos(z.re) * Sh2(z.im)};
      const McComplex c = {std::cos(z.re) * Ch2(z.im),
                           (std::exp(-z.im) - std::exp(z.im)) * std::sin(z.re)};
      return McComplexDiv(s, c);
    }
    case McBuiltin::Sinh:
      return Sinh(z);
    case McBuiltin::Cosh:
      return Cosh(z);
    case McBuiltin::Tanh: {
      const McComplex s = {Sh2(z.re) * std::cos(z.im), Ch2(z.re) * std::sin(z.im)};
      const McComplex c = {Ch2(z.re) * std::cos(z.im), Sh2(z.re) * std::sin(z.im)};
      return McComplexDiv(s, c);
    }
    case McBuiltin::Sec:
      return Reciprocal(Cos(z));
    case McBuiltin::Cosec:
      return Reciprocal(Sin(z));
    case McBuiltin::Sech:
      return Reciprocal(Cosh(z));
    case McBuiltin::Cosech:
      return Reciprocal(Sinh(z));
    case McBuiltin::Cot:
      return Quotient(Cos(z), Sin(z));
    case McBuiltin::Coth:
      return Quotient(Cosh(z), Sinh(z));
    case McBuiltin::Sign:
      return Sign(z);
    default:
      return {0.0, 0.0};
  }
}

McComplex McEvaluateListBuiltin(McBuiltin f, const McComplex& a, const McComplex& b) {
  switch (f) {
    case McBuiltin::Atan2:
      return {std::atan2(a.re, b.re), 0.0};
    case McBuiltin::Rem: {
      const double im = (a.im != 0.0 || b.im != 0.0) ? std::fmod(a.im, b.im) : 0.0;
      return {std::fmod(a.re, b.re), im};
    }
    case McBuiltin::Polar:
      return {a.re * std::cos(b.re), a.re * std::sin(b.re)};
    default:
      return {0.0, 0.0};
  }
}

void McRandSeed(DWORD seed) {
  t_randState = seed;
}

int McRandDraw() {
  t_randState = t_randState * 214013u + 2531011u;
  return static_cast<int>((t_randState >> 16) & 0x7FFF);
}

DWORD McRandSeedOf(const McComplex& z) {
  const double m = std::trunc(McComplexAbs(z));
  if (!std::isfinite(m)) return 0;
  // Converting a double beyond the 32-bit range is undefined; wrap it instead.
  return static_cast<DWORD>(std::fmod(m, 4294967296.0));
}

char McSignalLetter(const char* name) {
  if (name == nullptr || name[0] == '\0' || name[1] != '\0') return 0;
  return std::strchr("cdenruvwyz", name[0]) != nullptr ? name[0] : 0;
}

int McSignalChannel(const char* subscript) {
  if (subscript == nullptr || subscript[0] == '\0') return 0;
  // atoi without its overflow: digits beyond any channel count stay out of range.
  long long v = 0;
  const char* p = subscript;
  while (*p == ' ' || *p == '\t' || *p == '\n' || *p == '\r' || *p == '\f' || *p == '\v') ++p;
  bool negative = false;
  if (*p == '+' || *p == '-') negative = (*p++ == '-');
  while (*p >= '0' && *p <= '9' && v < 100000000000LL) v = v * 10 + (*p++ - '0');
  if (negative) v = -v;
  if (v > 0x7FFFFFFFLL) v = 0x7FFFFFFFLL;
  if (v < -0x7FFFFFFFLL) v = -0x7FFFFFFFLL;
  return static_cast<int>(v - 1);
}

int McClampSample(int k, int columns) {
  if (k >= columns) k = columns - 1;
  if (k < 0) k = 0;
  return k;
}

int McSampleIndex(double x, double ts, int columns) {
  const double q = std::trunc(x / ts);
  if (!std::isfinite(q) || q < -2147483648.0 || q > 2147483647.0) return 0;
  return McClampSample(static_cast<int>(q), columns);
}

const CSIMsignal* McSignalOf(const CSIMsystem* sys, char letter, bool wholeRun) {
  if (sys == nullptr) return nullptr;
  switch (letter) {
    case 'c':
      return &sys->m_c;
    case 'r':
      return &sys->m_r;
    case 'e':
      return &sys->m_e;
    case 'u':
      return &sys->m_u;
    case 'v':
      return &sys->m_v;
    case 'y':
      return wholeRun ? &sys->m_yd : &sys->m_y;
    case 'd':
      return &sys->m_d;
    case 'z':
      return &sys->m_z;
    case 'n':
      return &sys->m_n;
    case 'w':
      return &sys->m_w;
    default:
      return nullptr;
  }
}

McComplex McSignalSample(const CSIMsignal* signal, int channel, int k) {
  if (signal == nullptr || signal->m_pSamples == nullptr || channel < 0 ||
      channel >= signal->m_nRows || k < 0 || k >= signal->m_nColumns)
    return {std::log(-1.0), 0.0};
  return {signal->At(channel, k), 0.0};
}
