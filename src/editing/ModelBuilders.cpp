#include "editing/ModelBuilders.h"

#include "ElementSubscript.h"
#include "MC/MC_POWER.h"
#include "MC/MC_REAL.h"
#include "MC/McKinds.h"
#include "MC/Mc_division.h"
#include "MC/Mc_listmult.h"
#include "MC/Mc_listsum.h"
#include "MC/Mc_matrix.h"
#include "MC/Mc_variable.h"
#include "QorexDoc.h"
#include "VARvalues.h"
#include "simulation/SIMroots.h"

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

namespace {

constexpr int kMaxOrder = 100;  // the dialog's range of the order
constexpr char kModelLetters[] = "PKGLF";

CMcBasic* S() {
  return new CMcVariable("s", "", 0);
}

CMcBasic* Real(double value) {
  return new CMcReal(std::fabs(value), value < 0.0 ? kMcMinus : 0);
}

CMcBasic* Div(CMcBasic* a, CMcBasic* b) {
  return new CMcDivision(a, b, 0);
}

CMcBasic* Pow(CMcBasic* base, CMcBasic* exponent) {
  return new CMcPower(base, exponent, 0);
}

CMcBasic* Prod(std::initializer_list<CMcBasic*> factors, WORD flags = 0) {
  auto* product = new CMcListmult(flags);
  for (CMcBasic* f : factors) product->AppendChild(f);
  return product;
}

CMcBasic* Sum(std::initializer_list<CMcBasic*> terms) {
  auto* sum = new CMcListsum(0);
  for (CMcBasic* t : terms) sum->AppendChild(t);
  return sum;
}

CMcMatrix* AsMatrix(CMcBasic* node) {
  return McIsKind(node, kMcMatrix) ? static_cast<CMcMatrix*>(node) : nullptr;
}

CMcBasic* RightSide(const CMcBasic* definition) {
  return definition != nullptr && definition->m_count >= 2 ? definition->m_children[1] : nullptr;
}

// A variable bound in the table with its value set, when there is a table.
CMcBasic* BoundVariable(const char* name, const char* subscript, WORD flags, double value,
                        CVARvalues* vars) {
  auto* v = new CMcVariable(name, subscript, flags);
  if (vars) {
    vars->BindVariables(v);
    if (v->m_index != CMcVariable::kUnbound && v->m_index >= CVARvalues::kFirstFreeEntry)
      vars->SetValue(v->m_index - CVARvalues::kFirstFreeEntry, value);
  }
  return v;
}

// s^N, with s itself for N = 1.
CMcBasic* Integrators(int n) {
  return n == 1 ? S() : Pow(S(), Real(n));
}

// The element an entry of the shape holds: built, or 0 off the shape.
bool OnShape(int shape, int r, int c) {
  switch (shape) {
    case kShapeDiagonal:
      return r == c;
    case kShapeUpper:
      return c >= r;
    case kShapeLower:
      return c <= r;
    default:
      return true;
  }
}

// Flips the sign (kMcMinus) of a node (a term of the numerator that goes negative).
CMcBasic* Negated(CMcBasic* node) {
  node->m_flags ^= kMcMinus;
  return node;
}

// The new factors of an element: Np and Dp as sums starting with 1.
struct DeadTimeFactors {
  CMcBasic* numerator;
  CMcBasic* denominator;
};

// Ratio d_k / d_(k-1) of the divisors (DeadTimeDivisor): k for the cut
// series, k (2n - k + 1) / (2 (n - k + 1)) for the Pade approximant.
double DivisorStep(int k, int order) {
  return order <= 4 ? k : k * (2.0 * order - k + 1) / (2.0 * (order - k + 1));
}

// s^k as a term: 1 alone, s, or s^k.
CMcBasic* PowerOfS(int k) {
  return k == 0 ? Real(1.0) : Integrators(k);
}

// Np and Dp from the terms of Dp by ascending power: Np's term k is Dp's
// with the sign (-1)^k.
DeadTimeFactors FromTerms(const std::vector<CMcBasic*>& terms) {
  auto* np = new CMcListsum(0);
  auto* dp = new CMcListsum(0);
  for (size_t k = 0; k < terms.size(); ++k) {
    CMcBasic* copy = terms[k]->Clone();
    np->AppendChild(k % 2 ? Negated(copy) : copy);
    dp->AppendChild(terms[k]);
  }
  return {np, dp};
}

// C_k s^k / tau^(n - k) with C_n = 1, C_(k-1) = C_k 2 d_k / d_(k-1): the monic
// form for the amount tau, whatever value the variable takes.
DeadTimeFactors VariableDeadTime(const DeadTimeSpec& spec, int model, CVARvalues* vars) {
  const std::string subscript = ElementSubscript(spec.row, spec.col) + kModelLetters[model];
  CMcBasic* tau = BoundVariable("t", subscript.c_str(), kMcVariant, spec.amount, vars);
  const int n = spec.order;
  std::vector<CMcBasic*> terms(n + 1);
  terms[n] = PowerOfS(n);
  double c = 1.0;
  for (int k = n; k >= 1; --k) {
    c *= 2.0 * DivisorStep(k, n);
    CMcBasic* power = n - k + 1 == 1 ? tau->Clone() : Pow(tau->Clone(), Real(n - k + 1));
    CMcBasic* numerator = k - 1 == 0 ? Real(c) : Prod({Real(c), PowerOfS(k - 1)});
    terms[k - 1] = Div(numerator, power);
  }
  delete tau;
  return FromTerms(terms);
}

DeadTimeFactors FixedDeadTime(const DeadTimeSpec& spec) {
  const std::vector<double> a = DeadTimeDenominator(spec.amount, spec.order);
  const int n = spec.order;
  std::vector<CMcBasic*> terms(n + 1);
  terms[n] = PowerOfS(n);
  for (int k = 0; k < n; ++k) terms[k] = k == 0 ? Real(a[0]) : Prod({Real(a[k]), PowerOfS(k)});
  return FromTerms(terms);
}

// Puts factor beside the part (numerator or denominator) at `index` of a
// division: in place of a plain 1, as the last factor of a product, or in a
// new product with it.
void MultiplyPart(CMcBasic* division, int index, CMcBasic* factor) {
  CMcBasic* part = division->m_children[index];
  if (part->GetType() == McTypeWord(kMcReal) && static_cast<CMcReal*>(part)->m_value == 1.0) {
    division->SetChildAt(factor, index);
    delete part;
  } else if (McIsKind(part, kMcListmult)) {
    part->AppendChild(factor);
  } else {
    CMcBasic* product = Prod({});
    division->SetChildAt(product, index);
    product->AppendChild(part);
    product->AppendChild(factor);
  }
}

}  // namespace

void DefinitionSize(const CMcBasic* definition, int* rows, int* cols) {
  const CMcMatrix* m = AsMatrix(RightSide(definition));
  *cols = m ? std::max(1, m->GetColumns()) : 1;
  *rows = m ? m->m_count / *cols : 1;
}

CMcBasic* BuildControllerElement(int row, int col, int type, int typeNumber, CVARvalues* vars) {
  const std::string subscript = ElementSubscript(row, col);
  const char* ij = subscript.c_str();
  const int n = std::max(0, typeNumber);
  auto k = [&] { return new CMcVariable("k", ij, 0); };
  auto i = [&] { return new CMcVariable("I", ij, 0); };
  auto d = [&] { return BoundVariable("D", ij, 0, 0.1, vars); };
  // 1 + s / iT, the derivative's filter.
  auto filter = [&] { return Sum({Real(1.0), Div(S(), BoundVariable("iT", ij, 0, 20.0, vars))}); };
  switch (type) {
    case kControllerPD: {
      CMcBasic* a = Prod({k(), Sum({Real(1.0), Prod({S(), d()})})});
      if (n == 0) return Div(a, filter());
      return Div(a, Prod({Integrators(n), filter()}));
    }
    case kControllerPI: {
      CMcBasic* a = Prod({k(), Sum({Real(1.0), Prod({S(), i()})})});
      return Div(a, Prod({Integrators(std::max(1, n)), i()}));
    }
    case kControllerPID: {
      CMcBasic* a =
          Prod({k(), Sum({Real(1.0), Prod({S(), i()}), Prod({Pow(S(), Real(2)), d(), i()})})});
      return Div(a, Prod({Integrators(std::max(1, n)), i(), filter()}));
    }
    default:
      if (n == 0) return k();
      return Div(k(), Integrators(n));
  }
}

void BuildController(CMcBasic* controller, const CMcBasic* process, const ControllerSpec& spec,
                     CVARvalues* vars) {
  if (RightSide(controller) == nullptr) return;
  int rows = 1, cols = 1;
  DefinitionSize(controller, &rows, &cols);
  if (spec.square && rows != cols) {
    int processRows = 1, n = 1;
    if (AsMatrix(RightSide(process))) DefinitionSize(process, &processRows, &n);
    CQorexDoc::ResizeToMatrix(controller, n, n);
    DefinitionSize(controller, &rows, &cols);
  }
  CMcBasic* rhs = RightSide(controller);
  if (CMcMatrix* m = AsMatrix(rhs)) {
    for (int r = 0; r < rows; ++r)
      for (int c = 0; c < cols; ++c) {
        CMcBasic* element = OnShape(spec.shape, r, c)
                                ? BuildControllerElement(r, c, spec.type, spec.typeNumber, vars)
                                : Real(0.0);
        delete m->SetChildAt(element, r * cols + c);
      }
    return;
  }
  delete controller->SetChildAt(BuildControllerElement(0, 0, spec.type, spec.typeNumber, vars), 1);
}

double DeadTimeDivisor(int k, int order) {
  double d = 1.0;
  for (int j = 1; j <= k; ++j) d *= DivisorStep(j, order);
  return d;
}

std::vector<double> DeadTimeDenominator(double amount, int order) {
  if (order < 1 || order > kMaxOrder) return {};
  // a_(k-1) = a_k (2 / T) d_k / d_(k-1): each product is itself a
  // coefficient, so none overflows unless a coefficient does.
  std::vector<double> a(order + 1);
  a[order] = 1.0;
  for (int k = order; k >= 1; --k) a[k - 1] = a[k] * (2.0 / amount) * DivisorStep(k, order);
  return a;
}

bool DeadTimeFitsDoubles(double amount, int order) {
  // No delay: the approximant is exactly 1 at every order.
  if (amount == 0.0) return order >= 1 && order <= kMaxOrder;
  // The approximant of -T is that of T with s turned into -s: judged by |T|.
  const std::vector<double> a = DeadTimeDenominator(std::fabs(amount), order);
  if (a.empty()) return false;
  for (double c : a)
    if (!std::isnormal(c)) return false;  // overflowed, vanished or not a number
  std::vector<McComplex> roots(a.size());
  if (PolyRoots(order, a.data(), roots.data(), true) == nullptr) return false;
  for (int k = 1; k <= order; ++k)
    if (!(roots[k].re < 0.0)) return false;
  return true;
}

bool AddDeadTime(CMcBasic* definition, int model, const DeadTimeSpec& spec, CVARvalues* vars) {
  CMcBasic* rhs = RightSide(definition);
  if (rhs == nullptr || model < 0 || model > 4 || !DeadTimeFitsDoubles(spec.amount, spec.order))
    return false;
  int rows = 1, cols = 1;
  DefinitionSize(definition, &rows, &cols);
  if (spec.row < 0 || spec.row >= rows || spec.col < 0 || spec.col >= cols) return false;
  // A fixed dead time of 0 is the factor 1; a variable one is written in its
  // form for every value, tau bound at 0.
  if (spec.fixed && spec.amount == 0.0) return true;
  CMcBasic* element = AsMatrix(rhs) ? rhs->m_children[spec.row * cols + spec.col] : rhs;
  const DeadTimeFactors f = spec.fixed ? FixedDeadTime(spec) : VariableDeadTime(spec, model, vars);

  if (element->GetType() == McTypeWord(kMcDivision) && element->m_count == 2) {
    // The parts' signs move onto the fraction, so the new factors join
    // unsigned parts.
    for (int part = 0; part < 2; ++part) {
      CMcBasic* child = element->m_children[part];
      element->m_flags ^= child->m_flags & kMcMinus;
      element->m_flags |= child->m_flags & kMcPlusMinus;
      child->m_flags &= ~kMcSignMask;
    }
    MultiplyPart(element, 0, f.numerator);
    MultiplyPart(element, 1, f.denominator);
    return true;
  }
  CMcBasic* parent = element == rhs ? definition : rhs;
  CMcBasic* product = Prod({}, element->m_flags & kMcSignMask);
  parent->ReplaceChild(Div(product, f.denominator), element);
  element->m_flags &= ~kMcSignMask;
  product->AppendChild(element);
  product->AppendChild(f.numerator);
  return true;
}
