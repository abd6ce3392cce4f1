#include "simulation/SIMpoly.h"

#include "GlobalResources.h"
#include "MC/MC_BASIC.h"
#include "MC/MC_REAL.h"
#include "MC/McComplex.h"
#include "MC/Mc_equality.h"
#include "MC/Mc_operator.h"
#include "MC/Mc_variable.h"
#include "QorexDoc.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>
#include <utility>

namespace {

constexpr int kMaxCoefs = kMaxPolyDegree + 1;

thread_local int t_convertDepth = 0;
// Set when a conversion met a divisor that is exactly 0 (ExprToPoly reports it).
thread_local bool t_dividedByZero = false;

Poly Failed() {
  g_bEvalError = 1;
  return Poly{0.0};
}

Poly Negated(Poly p) {
  for (double& c : p) c = -c;
  return p;
}

bool IsConstant(const Poly& p) {
  return p.size() == 1;
}

// A product, power or quotient of numbers that are not 0 is itself neither
// 0 nor subnormal nor infinite; where the double range says otherwise the
// result is no longer the element's, and the conversion is refused.
bool LeftTheRange(double result) {
  return !std::isnormal(result);
}

// Flag bits that only say how a node is drawn: the size level (kMcLevelMask),
// which the editor raises inside a small fraction or an exponent, and the
// parentheses (kMcParens), which layout sets on a signed factor of a product.
// They never change what a variable names.
constexpr WORD kDrawingOnlyBits = kMcLevelMask | kMcParens;

// The bare variable s: no subscript, no flag bits besides those in allowed
// and those of the drawing.
bool IsVariableS(const CMcBasic* node, WORD allowed) {
  if (!McIsKind(node, kMcVariable) || (node->m_flags & ~(allowed | kDrawingOnlyBits)) != 0)
    return false;
  const auto* v = static_cast<const CMcVariable*>(node);
  return v->m_length == 3 && std::strcmp(v->GetVarName(), "s") == 0;
}

double VariableValue(CQorexDoc* doc, const CMcBasic* node) {
  const auto* v = static_cast<const CMcVariable*>(node);
  if (doc == nullptr || v->m_index >= doc->m_vars.m_nCount) {
    g_bEvalError = 1;  // unbound: no table entry to read
    return 0.0;
  }
  return doc->m_vars.m_pValue[v->m_index];
}

Poly Convert(CQorexDoc* doc, const CMcBasic* node);

Poly ConvertChild(CQorexDoc* doc, const CMcBasic* node, int index) {
  if (index >= node->m_count || node->m_children[index] == nullptr) return Failed();
  return Convert(doc, node->m_children[index]);
}

Poly ConvertOperator(CQorexDoc* doc, const CMcBasic* node) {
  Poly p = ConvertChild(doc, node, 0);
  const int code = static_cast<const CMcOperator*>(node)->GetCode();
  if (code == CMcOperator::kBracket) return p;
  if (!IsConstant(p)) {
    g_bEvalError = 1;
    return p;
  }
  switch (code) {
    case CMcOperator::kAbsolute:
      p[0] = std::fabs(p[0]);
      break;
    case CMcOperator::kFloor:
      p[0] = std::floor(p[0]);
      break;
    case CMcOperator::kCeiling:
      p[0] = std::ceil(p[0]);
      break;
    default:
      g_bEvalError = 1;
      break;
  }
  return p;
}

Poly ConvertDivision(CQorexDoc* doc, const CMcBasic* node, bool& negated) {
  Poly num = ConvertChild(doc, node, 0);
  const Poly den = ConvertChild(doc, node, 1);
  if (!IsConstant(den)) {
    g_bEvalError = 1;
    return num;
  }
  if (den[0] == 0.0) {  // refused rather than made infinite
    t_dividedByZero = true;
    return Failed();
  }
  // A divisor that overflowed would make the quotient a silent 0.
  if (!std::isfinite(den[0])) return Failed();
  const double factor = negated ? -1.0 / den[0] : 1.0 / den[0];
  if (LeftTheRange(factor)) return Failed();
  negated = false;  // the sign went into the factor
  return PolyMultiply(std::move(num), Poly{factor});
}

Poly ConvertDomain(CQorexDoc* doc, const CMcBasic* node) {
  const Poly v = ConvertChild(doc, node, 0);
  const Poly lo = ConvertChild(doc, node, 1);
  const Poly hi = ConvertChild(doc, node, 2);
  if (!IsConstant(v) || !IsConstant(lo) || !IsConstant(hi)) return Failed();
  bool inside = false;
  switch (McKindData(node->m_flags) & 3) {
    case 0:
      inside = lo[0] < v[0] && v[0] < hi[0];
      break;
    case 1:
      inside = lo[0] <= v[0] && v[0] <= hi[0];
      break;
    case 2:
      inside = lo[0] < v[0] && v[0] <= hi[0];
      break;
    default:
      inside = lo[0] <= v[0] && v[0] < hi[0];
      break;
  }
  return Poly{inside ? 1.0 : 0.0};
}

Poly ConvertRelation(CQorexDoc* doc, const CMcBasic* node) {
  Poly left = ConvertChild(doc, node, 0);
  const Poly right = ConvertChild(doc, node, 1);
  const int code = McKindData(node->m_flags) & (kMcCodeMask >> kMcKindDataShift);
  const bool comparison = code == kMcRelNotEqual ||
                          (code >= kMcRelLess && code <= kMcRelGreaterOrEqual) ||
                          code == kMcRelTestEqual;
  if (!comparison || !IsConstant(left) || !IsConstant(right)) {
    g_bEvalError = 1;
    return left;
  }
  // Same truth values as the engine's evaluation of the relation.
  const double truth =
      McRelationValue(code, McComplex{left[0], 0.0}, McComplex{right[0], 0.0}, g_dSnapTolerance);
  return Poly{truth != 0.0 ? 1.0 : 0.0};
}

Poly ConvertSum(CQorexDoc* doc, const CMcBasic* node) {
  Poly sum;
  Poly imaginary;
  bool haveImaginary = false;
  for (int i = 0; i < node->m_count; ++i) {
    const CMcBasic* term = node->m_children[i];
    Poly p = ConvertChild(doc, node, i);
    if (!haveImaginary && term != nullptr && (term->m_flags & kMcPlusMinus) != 0) {
      imaginary = std::move(p);
      haveImaginary = true;
    } else {
      sum = sum.empty() ? std::move(p) : PolyAdd(std::move(sum), std::move(p));
    }
  }
  if (sum.empty()) sum = Poly{0.0};
  if (haveImaginary && sum.size() == 2 && IsConstant(imaginary)) {
    Poly pair{imaginary[0], sum[0], sum[1]};
    PolyConjugatePair(pair);
    return pair;
  }
  return sum;
}

Poly ConvertProduct(CQorexDoc* doc, const CMcBasic* node, bool& negated) {
  if (node->m_count == 0) return Poly{1.0};
  Poly p = ConvertChild(doc, node, 0);
  if (negated) p = Negated(std::move(p));
  negated = false;
  for (int i = 1; i < node->m_count; ++i)
    p = PolyMultiply(std::move(p), ConvertChild(doc, node, i));
  return p;
}

// s^k as k + 1 coefficients.
Poly Monomial(double exponent, double lead) {
  if (!std::isfinite(exponent) || exponent > kMaxPolyDegree) return Failed();
  if (std::fabs(std::floor(exponent)) != exponent) g_bEvalError = 1;  // the conversion goes on
  Poly p(static_cast<size_t>(std::trunc(exponent)) + 1, 0.0);
  p.back() = lead;
  return p;
}

Poly ConvertPower(CQorexDoc* doc, const CMcBasic* node, bool& negated) {
  if (node->m_count != 2) return Failed();
  const CMcBasic* base = node->m_children[0];
  const CMcBasic* exponent = node->m_children[1];
  if (base != nullptr && exponent != nullptr && IsVariableS(base, 0) &&
      McIsKind(exponent, kMcReal) && (exponent->m_flags & kMcSignMask) == 0) {
    const double lead = negated ? -1.0 : 1.0;
    negated = false;
    return Monomial(static_cast<const CMcReal*>(exponent)->m_value, lead);
  }
  Poly b = ConvertChild(doc, node, 0);
  const Poly e = ConvertChild(doc, node, 1);
  if (!IsConstant(e)) {
    g_bEvalError = 1;
    return b;
  }
  if (IsConstant(b)) {
    const double power = std::pow(b[0], e[0]);
    if (b[0] != 0.0 && LeftTheRange(power)) g_bEvalError = 1;
    return Poly{power};
  }
  if (!std::isfinite(e[0]) || std::fabs(std::floor(e[0])) != e[0]) {
    g_bEvalError = 1;
    return b;
  }
  const double k = std::trunc(std::fabs(e[0]));
  if (k * static_cast<double>(b.size() - 1) > kMaxPolyDegree) return Failed();
  return PolyPower(std::move(b), static_cast<int>(k));
}

Poly Convert(CQorexDoc* doc, const CMcBasic* node) {
  McDepthGuard guard(t_convertDepth);
  if (node == nullptr || !guard.Ok()) return Failed();
  bool negated = (node->m_flags & kMcMinus) != 0;
  Poly p;
  switch (McKindOf(node->GetType())) {
    case kMcVariable:
      if (IsVariableS(node, kMcSignMask)) {
        p = Poly{0.0, 1.0};
      } else {
        p = Poly{VariableValue(doc, node)};
      }
      break;
    case kMcReal:
      p = Poly{static_cast<const CMcReal*>(node)->m_value};
      break;
    case kMcOperator:
      p = ConvertOperator(doc, node);
      break;
    case kMcMatrix:
      p = ConvertChild(doc, node, 0);
      if (node->m_count != 1) g_bEvalError = 1;
      break;
    case kMcDivision:
      p = ConvertDivision(doc, node, negated);
      break;
    case kMcDomain:
      p = ConvertDomain(doc, node);
      break;
    case kMcListmult:
      p = ConvertProduct(doc, node, negated);
      break;
    case kMcEquality:
      p = ConvertRelation(doc, node);
      break;
    case kMcListsum:
      p = ConvertSum(doc, node);
      break;
    case kMcPower:
      p = ConvertPower(doc, node, negated);
      break;
    default:
      return Failed();
  }
  return negated ? Negated(std::move(p)) : p;
}

}  // namespace

Poly PolyMultiply(Poly a, Poly b) {
  if (a.empty() || b.empty()) return Failed();
  if (a.size() + b.size() - 1 > kMaxCoefs) return Failed();
  bool left = false;
  const auto times = [&left](double x, double y) {
    const double product = x * y;
    left = left || (x != 0.0 && y != 0.0 && LeftTheRange(product));
    return product;
  };
  if (a.size() == 1) std::swap(a, b);
  if (b.size() == 1) {
    for (double& c : a) c = times(c, b[0]);
    if (left) g_bEvalError = 1;
    return a;
  }
  Poly c(a.size() + b.size() - 1, 0.0);
  for (size_t i = 0; i < a.size(); ++i) {
    for (size_t j = 0; j < b.size(); ++j) c[i + j] += times(a[i], b[j]);
  }
  if (left) g_bEvalError = 1;
  return c;
}

Poly PolyPower(Poly a, int k) {
  if (k < 0 || a.empty()) return Failed();
  if (k == 0) return Poly{1.0};
  if (static_cast<double>(a.size() - 1) * k > kMaxPolyDegree) return Failed();
  Poly p = a;
  for (int i = 1; i < k; ++i) p = PolyMultiply(std::move(p), a);
  return p;
}

Poly PolyAdd(Poly a, Poly b) {
  if (a.size() < b.size()) std::swap(a, b);
  for (size_t i = 0; i < b.size(); ++i) a[i] += b[i];
  return a;
}

void PolyConjugatePair(Poly& p) {
  if (p.size() != 3) return;
  const double c = p[0], p0 = p[1], p1 = p[2];
  const double cc = c * c, p00 = p0 * p0, p01 = p0 * p1, p11 = p1 * p1;
  if ((c != 0.0 && LeftTheRange(cc)) || (p0 != 0.0 && LeftTheRange(p00)) ||
      (p0 != 0.0 && p1 != 0.0 && LeftTheRange(p01)) || (p1 != 0.0 && LeftTheRange(p11)))
    g_bEvalError = 1;
  p = Poly{cc + p00, 2 * p01, p11};
}

Poly ExprToPoly(CQorexDoc* doc, const CMcBasic* node, bool* dividedByZero) {
  t_dividedByZero = false;
  Poly p = Convert(doc, node);
  if (dividedByZero) *dividedByZero = *dividedByZero || t_dividedByZero;
  if (!std::all_of(p.begin(), p.end(), [](double c) { return std::isfinite(c); })) g_bEvalError = 1;
  return p;
}

// ---- the limit where a design variable is 0 ------------------------------------

namespace {

// A coefficient as eps tends to 0: c eps^m. c != 0 is known; c == 0 is a zero
// known only below eps^m, its term at eps^m and above unknown (a sum that
// cancelled, or a product with one), kExact making it an exact zero. e bounds
// the rounding c carries: each number read is taken as its decimal within a
// unit of its last place (twice what reading it can cost), and every
// operation adds its own.
constexpr int kExact = 1 << 20;
constexpr double kUnitRounding = std::numeric_limits<double>::epsilon();
// The share of a kept coefficient its bound may reach (see SIMpoly.h): half
// the digits of a double.
constexpr double kRoughShare = 0x1p-26;
struct LimitCoef {
  double c = 0.0;
  int m = kExact;
  double e = 0.0;
};
using LimitPoly = std::vector<LimitCoef>;

// A number read from the expression or the variable table.
LimitCoef Known(double c, int m) {
  return c == 0.0 ? LimitCoef{} : LimitCoef{c, m, kUnitRounding * std::fabs(c)};
}
// A whole number the conversion itself made (an indicator, a floor).
LimitCoef Exact(double c, int m) {
  return c == 0.0 ? LimitCoef{} : LimitCoef{c, m, 0.0};
}

class LimitConverter {
 public:
  LimitConverter(CQorexDoc* doc, int variable) : m_doc(doc), m_variable(variable) {}
  LimitPoly Convert(const CMcBasic* node);
  bool Failed() const { return m_failed; }

 private:
  LimitPoly Fail() {
    m_failed = true;
    return LimitPoly{LimitCoef{}};
  }
  LimitCoef Add(LimitCoef a, LimitCoef b);
  LimitCoef Multiply(LimitCoef a, LimitCoef b);
  LimitPoly Add(LimitPoly a, const LimitPoly& b);
  LimitPoly Multiply(const LimitPoly& a, const LimitPoly& b);
  LimitPoly Child(const CMcBasic* node, int index);
  LimitPoly Variable(const CMcBasic* node);
  LimitPoly Division(const CMcBasic* node);
  LimitPoly Sum(const CMcBasic* node);
  LimitPoly Power(const CMcBasic* node);
  LimitPoly Operator(const CMcBasic* node);
  LimitPoly Indicator(const CMcBasic* node);

  CQorexDoc* m_doc;
  int m_variable;
  bool m_failed = false;
};

LimitCoef LimitConverter::Add(LimitCoef a, LimitCoef b) {
  if (a.c != 0.0 && b.c != 0.0) {
    if (a.m != b.m) return a.m < b.m ? a : b;
    const double c = a.c + b.c;
    if (!std::isfinite(c)) m_failed = true;
    const double e = a.e + b.e + kUnitRounding * std::fabs(c);
    if (std::fabs(c) > e) return LimitCoef{c, a.m, e};
    // Exact terms that cancel leave 0 at eps^m (what they dropped above it is
    // unknown). Within rounding the sum may be any value up to the bound, a
    // term the rounding swallowed among them: its eps^m is unknown.
    return LimitCoef{0.0, e == 0.0 ? a.m + 1 : a.m};
  }
  // A known term below every unknown one stands; otherwise the lowest unknown.
  if (a.c != 0.0) return a.m < b.m ? a : b;
  if (b.c != 0.0) return b.m < a.m ? b : a;
  return a.m < b.m ? a : b;
}

LimitCoef LimitConverter::Multiply(LimitCoef a, LimitCoef b) {
  if (a.m == kExact || b.m == kExact) return LimitCoef{};
  if (std::abs(a.m + b.m) >= kExact) m_failed = true;
  if (a.c == 0.0 || b.c == 0.0) return LimitCoef{0.0, a.m + b.m};
  const double c = a.c * b.c;
  if (LeftTheRange(c)) m_failed = true;
  const double e = std::fabs(a.c) * b.e + std::fabs(b.c) * a.e + a.e * b.e;
  return LimitCoef{c, a.m + b.m, e + kUnitRounding * std::fabs(c)};
}

LimitPoly LimitConverter::Add(LimitPoly a, const LimitPoly& b) {
  if (a.size() < b.size()) a.resize(b.size());
  for (size_t i = 0; i < b.size(); ++i) a[i] = Add(a[i], b[i]);
  return a;
}

LimitPoly LimitConverter::Multiply(const LimitPoly& a, const LimitPoly& b) {
  if (a.empty() || b.empty() || a.size() + b.size() - 1 > kMaxCoefs) return Fail();
  LimitPoly p(a.size() + b.size() - 1);
  for (size_t i = 0; i < a.size(); ++i)
    for (size_t j = 0; j < b.size(); ++j) p[i + j] = Add(p[i + j], Multiply(a[i], b[j]));
  return p;
}

LimitPoly LimitConverter::Child(const CMcBasic* node, int index) {
  if (index >= node->m_count || node->m_children[index] == nullptr) return Fail();
  return Convert(node->m_children[index]);
}

LimitPoly LimitConverter::Variable(const CMcBasic* node) {
  if (IsVariableS(node, kMcSignMask)) return LimitPoly{LimitCoef{}, LimitCoef{1.0, 0}};
  if (static_cast<const CMcVariable*>(node)->m_index == m_variable) return {LimitCoef{1.0, 1}};
  const int before = g_bEvalError;
  g_bEvalError = 0;
  const double v = VariableValue(m_doc, node);
  if (g_bEvalError) m_failed = true;
  g_bEvalError = before;
  return {Known(v, 0)};
}

LimitPoly LimitConverter::Division(const CMcBasic* node) {
  LimitPoly num = Child(node, 0);
  const LimitPoly den = Child(node, 1);
  if (den.size() != 1 || den[0].c == 0.0) return Fail();  // not constant, or no known divisor
  const double d = std::fabs(den[0].c);
  if (!(den[0].e < d)) return Fail();  // the divisor may be 0
  const double inverse = 1.0 / den[0].c;
  if (LeftTheRange(inverse)) return Fail();
  // |1/(d +- e) - 1/d| <= e / (d (d - e)): the whole bound, not its first
  // order, since a rough divisor's inverse is rougher still.
  const double e = den[0].e / d / (d - den[0].e) + kUnitRounding * std::fabs(inverse);
  return Multiply(num, {LimitCoef{inverse, -den[0].m, e}});
}

LimitPoly LimitConverter::Sum(const CMcBasic* node) {
  LimitPoly sum;
  LimitPoly imaginary;
  bool haveImaginary = false;
  for (int i = 0; i < node->m_count; ++i) {
    const CMcBasic* term = node->m_children[i];
    LimitPoly p = Child(node, i);
    if (!haveImaginary && term != nullptr && (term->m_flags & kMcPlusMinus) != 0) {
      imaginary = std::move(p);
      haveImaginary = true;
    } else {
      sum = Add(std::move(sum), p);
    }
  }
  if (sum.empty()) sum = LimitPoly{LimitCoef{}};
  if (haveImaginary && sum.size() == 2 && imaginary.size() == 1)  // (r0 + r1 s)^2 + J^2
    return Add(Multiply(sum, sum), Multiply(imaginary, imaginary));
  return sum;
}

LimitPoly LimitConverter::Power(const CMcBasic* node) {
  if (node->m_count != 2) return Fail();
  const CMcBasic* base = node->m_children[0];
  const CMcBasic* exponent = node->m_children[1];
  if (base != nullptr && exponent != nullptr && IsVariableS(base, 0) &&
      McIsKind(exponent, kMcReal) && (exponent->m_flags & kMcSignMask) == 0) {
    const double k = static_cast<const CMcReal*>(exponent)->m_value;
    if (!(k >= 0.0) || k > kMaxPolyDegree || std::floor(k) != k) return Fail();
    LimitPoly p(static_cast<size_t>(k) + 1);
    p.back() = LimitCoef{1.0, 0};
    return p;
  }
  const LimitPoly b = Child(node, 0);
  const LimitPoly e = Child(node, 1);
  // The exponent must be a plain number: known at eps^0, or an exact 0.
  if (e.size() != 1 || (e[0].c != 0.0 && e[0].m != 0) || (e[0].c == 0.0 && e[0].m != kExact))
    return Fail();
  const double x = e[0].c;
  if (!std::isfinite(x)) return Fail();
  const bool whole = std::floor(x) == x;
  if (b.size() == 1) {
    if (b[0].m == kExact) return x > 0.0 ? LimitPoly{LimitCoef{}} : Fail();  // 0^x
    const double power = b[0].m * x;
    if (b[0].c == 0.0 || (b[0].m != 0 && !whole) || !(std::fabs(power) < kExact)) return Fail();
    const double c = std::pow(b[0].c, x);
    if (LeftTheRange(c)) return Fail();
    // (1 +- r)^x - 1 for the base's share r of rounding, in whole.
    const double r = b[0].e / std::fabs(b[0].c);
    if (!(r < 1.0)) return Fail();
    const double share = std::max(std::fabs(std::expm1(x * std::log1p(r))),
                                  std::fabs(std::expm1(x * std::log1p(-r))));
    const double e = std::fabs(c) * (share + kUnitRounding);
    return {LimitCoef{c, static_cast<int>(power), e}};
  }
  if (!whole || x < 0.0 || x * static_cast<double>(b.size() - 1) > kMaxPolyDegree) return Fail();
  LimitPoly p{LimitCoef{1.0, 0}};
  for (int i = 0; i < static_cast<int>(x) && !m_failed; ++i) p = Multiply(p, b);
  return p;
}

LimitPoly LimitConverter::Operator(const CMcBasic* node) {
  LimitPoly p = Child(node, 0);
  const int code = static_cast<const CMcOperator*>(node)->GetCode();
  if (code == CMcOperator::kBracket) return p;
  if (p.size() != 1) return Fail();
  if (code == CMcOperator::kAbsolute) {
    // |c eps^m| = |c| |eps|^m, a term of eps only for an even m: for an odd
    // one its sign differs on the two sides of 0.
    if (p[0].c != 0.0 && p[0].m % 2 != 0) return Fail();
    p[0].c = std::fabs(p[0].c);
    return p;
  }
  if (p[0].m == kExact) return p;  // floor and ceiling of 0
  if (p[0].c == 0.0 || p[0].m != 0) return Fail();
  // A whole number within the rounding: the step may fall between the two
  // sides of 0 (floor(1 + eps)), so the value there is not the limit.
  if (std::ceil(p[0].c - p[0].e) <= std::floor(p[0].c + p[0].e)) return Fail();
  if (code == CMcOperator::kFloor) return {Exact(std::floor(p[0].c), 0)};
  if (code == CMcOperator::kCeiling) return {Exact(std::ceil(p[0].c), 0)};
  return Fail();
}

bool HoldsVariable(const CMcBasic* node, int variable) {
  if (node == nullptr) return false;
  if (McIsKind(node, kMcVariable) && !IsVariableS(node, kMcSignMask) &&
      static_cast<const CMcVariable*>(node)->m_index == variable)
    return true;
  for (int i = 0; i < node->m_count; ++i)
    if (HoldsVariable(node->m_children[i], variable)) return true;
  return false;
}

// A domain or relation: an indicator of constant sides, the value the
// variable has (0) put in, as the plain conversion reads it. Sides that hold
// the variable may compare otherwise on either side of 0 ([eps >= 0]).
LimitPoly LimitConverter::Indicator(const CMcBasic* node) {
  if (HoldsVariable(node, m_variable)) return Fail();
  const int before = g_bEvalError;
  g_bEvalError = 0;
  const Poly p = ::Convert(m_doc, node);
  if (g_bEvalError || p.size() != 1) m_failed = true;
  g_bEvalError = before;
  // Without the node's own sign: Convert puts that on every kind.
  return {Exact((node->m_flags & kMcMinus) ? -p[0] : p[0], 0)};
}

LimitPoly LimitConverter::Convert(const CMcBasic* node) {
  McDepthGuard guard(t_convertDepth);
  if (node == nullptr || !guard.Ok() || m_failed) return Fail();
  LimitPoly p;
  switch (McKindOf(node->GetType())) {
    case kMcVariable:
      p = Variable(node);
      break;
    case kMcReal:
      p = {Known(static_cast<const CMcReal*>(node)->m_value, 0)};
      break;
    case kMcOperator:
      p = Operator(node);
      break;
    case kMcMatrix:
      if (node->m_count != 1) return Fail();
      p = Child(node, 0);
      break;
    case kMcDivision:
      p = Division(node);
      break;
    case kMcDomain:
    case kMcEquality:
      p = Indicator(node);
      break;
    case kMcListmult:
      p = {LimitCoef{1.0, 0}};
      for (int i = 0; i < node->m_count && !m_failed; ++i) p = Multiply(p, Child(node, i));
      break;
    case kMcListsum:
      p = Sum(node);
      break;
    case kMcPower:
      p = Power(node);
      break;
    default:
      return Fail();
  }
  if (node->m_flags & kMcMinus)
    for (LimitCoef& c : p) c.c = -c.c;
  return p;
}

// The variables at exactly 0 that a divisor of the tree holds, once each, at
// most kMaxLimitVariables of them: each costs a conversion of the element.
constexpr size_t kMaxLimitVariables = 4;
void ZeroDivisorVariables(CQorexDoc* doc, const CMcBasic* node, bool inDivisor,
                          std::vector<int>& found) {
  if (node == nullptr || found.size() >= kMaxLimitVariables) return;
  if (inDivisor && McIsKind(node, kMcVariable) && !IsVariableS(node, kMcSignMask)) {
    const int index = static_cast<const CMcVariable*>(node)->m_index;
    if (index < doc->m_vars.m_nCount && doc->m_vars.m_pValue[index] == 0.0 &&
        std::find(found.begin(), found.end(), index) == found.end())
      found.push_back(index);
  }
  const bool division = McIsKind(node, kMcDivision);
  for (int i = 0; i < node->m_count; ++i)
    ZeroDivisorVariables(doc, node->m_children[i], inDivisor || (division && i == 1), found);
}

// The lowest power of eps with a known coefficient; kExact when none.
int LowestPower(const LimitPoly& p) {
  int m = kExact;
  for (const LimitCoef& c : p)
    if (c.c != 0.0) m = std::min(m, c.m);
  return m;
}

// An unknown zero at or below the power the limit keeps would hide a term;
// a kept coefficient whose rounding bound passes its share is not known
// either.
bool HidesATerm(const LimitPoly& p, int power) {
  return std::any_of(p.begin(), p.end(), [power](const LimitCoef& c) {
    return c.c == 0.0 ? c.m <= power : c.m == power && !(c.e <= kRoughShare * std::fabs(c.c));
  });
}

Poly CutAt(const LimitPoly& p, int power) {
  Poly out(p.size(), 0.0);
  for (size_t i = 0; i < p.size(); ++i)
    if (p[i].c != 0.0 && p[i].m == power) out[i] = p[i].c;
  return out;
}

}  // namespace

bool ExprToPolyLimitAtZero(CQorexDoc* doc, const CMcBasic* numerator, const CMcBasic* denominator,
                           Poly* num, Poly* den) {
  if (doc == nullptr || numerator == nullptr) return false;
  std::vector<int> candidates;
  ZeroDivisorVariables(doc, numerator, false, candidates);
  ZeroDivisorVariables(doc, denominator, false, candidates);
  for (int variable : candidates) {
    LimitConverter convert(doc, variable);
    const LimitPoly n = convert.Convert(numerator);
    const LimitPoly d = denominator ? convert.Convert(denominator) : LimitPoly{LimitCoef{1.0, 0}};
    if (convert.Failed()) continue;
    const int power = LowestPower(n);
    if (power == kExact || power != LowestPower(d)) continue;
    if (HidesATerm(n, power) || HidesATerm(d, power)) continue;
    *num = CutAt(n, power);
    *den = CutAt(d, power);
    return true;
  }
  return false;
}
