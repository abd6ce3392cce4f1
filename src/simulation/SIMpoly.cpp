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
#include <utility>

namespace {

constexpr int kMaxCoefs = kMaxPolyDegree + 1;

thread_local int t_convertDepth = 0;

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

// Flag bits that only say how a node is drawn: the size level (bits 6-7),
// which the editor raises inside a small fraction or an exponent, and the
// parentheses (bit 2), which layout sets on a signed factor of a product.
// They never change what a variable names.
constexpr WORD kDrawingOnlyBits = 0x00C4;

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
  if (den[0] == 0.0) return Failed();  // refused rather than made infinite
  const double factor = negated ? -1.0 / den[0] : 1.0 / den[0];
  negated = false;  // the sign went into the factor
  return PolyMultiply(std::move(num), Poly{factor});
}

Poly ConvertDomain(CQorexDoc* doc, const CMcBasic* node) {
  const Poly v = ConvertChild(doc, node, 0);
  const Poly lo = ConvertChild(doc, node, 1);
  const Poly hi = ConvertChild(doc, node, 2);
  if (!IsConstant(v) || !IsConstant(lo) || !IsConstant(hi)) return Failed();
  bool inside = false;
  switch ((node->m_flags >> 8) & 3) {
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
  const int code = (node->m_flags >> 8) & 31;
  const bool comparison = code == 3 || (code >= 6 && code <= 9) || code == 23;
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
    if (!haveImaginary && term != nullptr && (term->m_flags & 2) != 0) {
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
      McIsKind(exponent, kMcReal) && (exponent->m_flags & 3) == 0) {
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
  if (IsConstant(b)) return Poly{std::pow(b[0], e[0])};
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
  bool negated = (node->m_flags & 1) != 0;
  Poly p;
  switch (McKindOf(node->GetType())) {
    case kMcVariable:
      if (IsVariableS(node, 3)) {
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
  if (a.size() == 1) {
    for (double& c : b) c *= a[0];
    return b;
  }
  if (b.size() == 1) {
    for (double& c : a) c *= b[0];
    return a;
  }
  Poly c(a.size() + b.size() - 1, 0.0);
  for (size_t i = 0; i < a.size(); ++i) {
    for (size_t j = 0; j < b.size(); ++j) c[i + j] += a[i] * b[j];
  }
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
  p = Poly{c * c + p0 * p0, 2 * p0 * p1, p1 * p1};
}

Poly ExprToPoly(CQorexDoc* doc, const CMcBasic* node) {
  Poly p = Convert(doc, node);
  if (!std::all_of(p.begin(), p.end(), [](double c) { return std::isfinite(c); })) g_bEvalError = 1;
  return p;
}
