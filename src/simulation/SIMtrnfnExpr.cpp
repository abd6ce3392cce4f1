// A transfer function from a model expression, and back to an expression in
// factored or polynomial form.
#include "simulation/SIMtrnfn.h"

#include "GlobalResources.h"
#include "MC/MC_POWER.h"
#include "MC/MC_REAL.h"
#include "MC/MXC_TERM.h"
#include "MC/Mc_division.h"
#include "MC/Mc_listmult.h"
#include "MC/Mc_listsum.h"
#include "MC/Mc_variable.h"
#include "simulation/SIMpoly.h"

#include <cmath>
#include <vector>

namespace {

void Convert(CSIMtrnfn& t, CQorexDoc* doc, const CMcBasic* node, bool strict) {
  const int before = g_bEvalError;
  g_bEvalError = 0;
  bool dividedByZero = false;
  Poly num, den;
  const bool division = McIsKind(node, kMcDivision) && node->m_count == 2;
  if (division) {
    den = ExprToPoly(doc, node->m_children[1], &dividedByZero);
    num = ExprToPoly(doc, node->m_children[0], &dividedByZero);
  } else {
    den = Poly{1.0};
    num = ExprToPoly(doc, node, &dividedByZero);
  }
  // A design variable at exactly 0 that the element divides by (the amount
  // of a variable dead time) gives the element's limit there: the factor
  // exp(-0 s) = 1 of the dead time, not a refused model.
  if (g_bEvalError && dividedByZero &&
      ExprToPolyLimitAtZero(doc, division ? node->m_children[0] : node,
                            division ? node->m_children[1] : nullptr, &num, &den))
    g_bEvalError = 0;
  if (division && (node->m_flags & kMcMinus)) {
    for (double& c : num) c = -c;
  }
  if (!division && strict && num.size() != 1) g_bEvalError = 1;
  g_bEvalError |= before;
  t.Adopt(std::move(num), std::move(den), strict);
}

// ---- node makers --------------------------------------------------------------

// A coefficient as a number node; a zero is written without a sign, whatever
// the sign of the zero the arithmetic left.
CMcBasic* Real(double value) {
  return McNewNumber(value == 0.0 ? 0.0 : value);
}
CMcBasic* VarS(WORD flags = 0) {
  return new CMcVariable("s", "", flags);
}

bool IsUnit(double v) {
  return std::fabs(std::fabs(v) - 1.0) <= g_dZeroTol;
}
bool IsUnitStrict(double v) {
  return std::fabs(std::fabs(v) - 1.0) < g_dZeroTol;
}

// A sum of the given terms; a single term stands alone, carrying the sign.
CMcBasic* Sum(std::vector<CMcBasic*> terms, WORD sign) {
  if (terms.size() == 1) {
    terms[0]->m_flags ^= sign;
    return terms[0];
  }
  auto* sum = new CMcListsum(sign);
  for (CMcBasic* t : terms) sum->AppendChild(t);
  return sum;
}

// A product of the given factors; one factor stands alone carrying the sign,
// none is the number 1.
CMcBasic* Product(std::vector<CMcBasic*> factors, WORD sign) {
  if (factors.empty()) return new CMcReal(1.0, sign);
  if (factors.size() == 1) {
    factors[0]->m_flags ^= sign;
    return factors[0];
  }
  auto* product = new CMcListmult(sign);
  for (CMcBasic* f : factors) product->AppendChild(f);
  return product;
}

// s - x for the root x: the term carries the minus when x > 0.
CMcBasic* RootTerm(double x) {
  return new CMcReal(std::fabs(x), x > 0.0 ? kMcMinus : 0);
}

// The factor of a real root, or of a complex pair given by its member with
// positive imaginary part; null for the member with negative imaginary part.
CMcBasic* RootFactor(McComplex z) {
  const double tol = g_dZeroTol;
  if (z.im == 0.0) {
    if (std::fabs(z.re) >= tol) return Sum({VarS(), RootTerm(z.re)}, 0);
    return VarS();
  }
  if (z.im < 0.0) return nullptr;
  std::vector<CMcBasic*> terms{VarS()};
  if (std::fabs(z.re) > tol) terms.push_back(RootTerm(z.re));
  if (IsUnitStrict(z.im)) {
    terms.push_back(new CMcVariable("j", "", kMcConstant | kMcPlusMinus));
  } else {
    terms.push_back(Product({new CMcReal(z.im, 0), new CMcVariable("j", "", kMcConstant)}, 0));
    terms.back()->m_flags |= kMcPlusMinus;
  }
  return Sum(terms, 0);
}

std::vector<CMcBasic*> RootFactors(const std::vector<McComplex>& roots, int count) {
  std::vector<CMcBasic*> factors;
  for (int k = 1; k < count; ++k) {
    if (CMcBasic* f = RootFactor(roots[k])) factors.push_back(f);
  }
  return factors;
}

// s^k: s itself for k = 1.
CMcBasic* Monomial(int k, WORD sign) {
  if (k == 1) return VarS(sign);
  return new CMcPower(VarS(), new CMcReal(k, 0), sign);
}

// c s^k with unit coefficients left out, the sign on the outermost node.
CMcBasic* Term(double c, int k) {
  const WORD sign = c < 0.0 ? kMcMinus : 0;
  if (k == 0) return Real(c);
  if (IsUnit(c)) return Monomial(k, sign);
  return Product({new CMcReal(std::fabs(c), 0), Monomial(k, 0)}, sign);
}

CMcBasic* PolyNode(const double* c, int n) {
  const double tol = g_dZeroTol;
  int count = 0;
  int last = 0;
  for (int k = 0; k < n; ++k) {
    if (std::fabs(c[k]) > tol) {
      ++count;
      last = k;
    }
  }
  if (count == 0) return new CMcReal(0.0, 0);
  if (n == 1) return Real(c[0]);
  // A single term is written with its own power, even where a vanishing
  // leading coefficient was left above it.
  if (count == 1) return Term(c[last], last);
  std::vector<CMcBasic*> terms;
  for (int k = 0; k < n; ++k) {
    if (std::fabs(c[k]) >= tol) terms.push_back(Term(c[k], k));
  }
  return Sum(terms, 0);
}

// N / D with a leading minus of N or D moved onto the division.
CMcBasic* Quotient(CMcBasic* num, CMcBasic* den) {
  WORD sign = 0;
  if (num->m_flags & kMcMinus) {
    num->m_flags &= ~kMcMinus;
    sign ^= kMcMinus;
  }
  if (den->m_flags & kMcMinus) {
    den->m_flags &= ~kMcMinus;
    sign ^= kMcMinus;
  }
  return new CMcDivision(num, den, sign);
}

}  // namespace

void CSIMtrnfn::FromExpr(CQorexDoc* doc, const CMcBasic* node, double* maxPoleModulus) {
  Convert(*this, doc, node, true);
  FindRoots();
  if (maxPoleModulus == nullptr) return;
  for (int k = 1; k < m_nDen; ++k) {
    const double modulus = McComplexAbs(m_poles[k]);
    if (modulus > *maxPoleModulus) *maxPoleModulus = modulus;
  }
}

void CSIMtrnfn::FromExprCoefs(CQorexDoc* doc, const CMcBasic* node) {
  Convert(*this, doc, node, false);
}

CMcBasic* CSIMtrnfn::ToFactoredExpr() const {
  if (m_nDen == 1 || m_nNum < 1) return ToPolyExpr();
  if (!m_bRootsValid) return ToPolyExpr();  // no roots to factor by
  const double g = m_num[m_nNum - 1] / m_den[m_nDen - 1];
  const WORD gainSign = g < 0.0 ? kMcMinus : 0;
  CMcBasic* num = nullptr;
  if (m_nNum == 1) {
    num = Real(g);
  } else if (m_nNum == 2 && IsUnitStrict(g)) {
    num = RootFactor(m_zeros[1]);
    if (num == nullptr) num = VarS();  // a lone complex zero; not from a real polynomial
    num->m_flags ^= gainSign;
  } else {
    std::vector<CMcBasic*> factors;
    if (!IsUnit(g)) factors.push_back(new CMcReal(std::fabs(g), 0));
    for (CMcBasic* f : RootFactors(m_zeros, m_nNum)) factors.push_back(f);
    num = Product(factors, gainSign);
  }
  CMcBasic* den = Product(RootFactors(m_poles, m_nDen), 0);
  return Quotient(num, den);
}

CMcBasic* CSIMtrnfn::ToPolyExpr() const {
  if (m_nNum < 1) return new CMcReal(0.0, 0);
  if (m_nDen == 1) {
    const double v = m_num[0] / m_den[0];
    return new CMcReal(std::fabs(v), m_den[0] * m_num[0] < 0.0 ? kMcMinus : 0);
  }
  return Quotient(PolyNode(m_num.data(), m_nNum), PolyNode(m_den.data(), m_nDen));
}
