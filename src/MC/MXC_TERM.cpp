#include "MC/MXC_TERM.h"

#include "MC/MC_NULL.h"
#include "MC/MC_POWER.h"
#include "MC/MC_REAL.h"
#include "MC/Mc_division.h"
#include "MC/Mc_listmult.h"
#include "MC/Mc_listsum.h"
#include "MC/Mc_operator.h"
#include "MC/Mc_variable.h"

#include <cmath>

namespace {

// Relative tolerance and offset of the near-integer test.
constexpr double kWholeTolerance = 2e-15;
constexpr double kWholeOffset = 0.4;

bool IsPair(const CMcBasic* node, McKindCode kind) {
  return McIsKind(node, kind) && node->m_count == 2;
}

// The kinds Collect walks into; anything else is a leaf of the term.
bool IsTermNode(const CMcBasic* node) {
  return McIsPlainProduct(node) || IsPair(node, kMcDivision) || IsPair(node, kMcPower);
}

void MergeSignWord(WORD* sign, WORD source) {
  *sign = McMergedSign(*sign, source);
}

// A power whose exponent is a number with exactly the minus sign.
bool HasMinusExponent(const CMcBasic* node) {
  return IsPair(node, kMcPower) && McIsNumber(node->m_children[1]) &&
         (node->m_children[1]->m_flags & kMcSignMask) == 1;
}

// Adds factor to the product slot X (N or D). The walk runs backwards and
// prepends, so the products keep the collected order.
void AddTo(CMcBasic*& slot, CMcBasic* factor) {
  if (slot == nullptr) {
    slot = factor;
  } else if (McIsPlainProduct(slot)) {
    slot->InsertChildAt(factor, 0, FALSE);
  } else {
    CMcBasic* product = new CMcListmult(0);
    product->AppendChild(factor);
    product->AppendChild(slot);
    slot = product;
  }
}

// x joined with the exponent 1: appended to a sum (the 1 carrying the sum's
// minus, so that it counts as +1), else a new sum of x and 1.
CMcBasic* PlusOne(CMcBasic* x) {
  if (McIsKind(x, kMcListsum) && (x->m_flags & kMcPlusMinus) == 0) {
    x->AppendChild(new CMcReal(1.0, static_cast<WORD>(x->m_flags & kMcMinus)));
    return x;
  }
  CMcBasic* sum = new CMcListsum(0);
  sum->AppendChild(x);
  sum->AppendChild(new CMcReal(1.0, 0));
  return sum;
}

// Runs PerformPower on power in the holder's slot and returns what stands
// there afterwards, without parent.
CMcBasic* Fold(CMcBasic* holder, CMcPower* power) {
  CMcBasic* empty = holder->SetChildAt(power, 0);
  power->PerformPower();
  CMcBasic* result = holder->SetChildAt(empty, 0);
  result->m_parent = nullptr;
  return result;
}

}  // namespace

// ---- helpers of the symbolic layer ------------------------------------------------

void McMergeSign(CMcBasic* node, WORD sourceFlags) {
  WORD sign = node->m_flags & kMcSignMask;
  MergeSignWord(&sign, sourceFlags);
  node->m_flags = static_cast<WORD>((node->m_flags & ~kMcSignMask) | sign);
}

int McSlotOf(const CMcBasic* node) {
  if (node == nullptr || node->m_parent == nullptr) return -1;
  return node->m_parent->IndexOfChild(node);
}

BOOL McReplaceNode(CMcBasic* node, CMcBasic* replacement) {
  const int slot = McSlotOf(node);
  if (slot < 0) return FALSE;
  node->m_parent->SetChildAt(replacement, slot);
  delete node;
  return TRUE;
}

std::vector<CMcBasic*> McReleaseChildren(CMcBasic* node) {
  std::vector<CMcBasic*> children(node->m_children, node->m_children + node->m_count);
  for (CMcBasic* child : children) child->m_parent = nullptr;
  delete[] node->m_children;
  node->m_children = nullptr;
  node->m_count = 0;
  return children;
}

CMcBasic* McTakeChild(CMcBasic* node, int index) {
  CMcBasic* child = node->SetChildAt(new CMcNull(0), index);
  if (child != nullptr) child->m_parent = nullptr;
  return child;
}

bool McIsWhole(double x, double* whole) {
  const double w = std::floor(x + kWholeOffset);
  if (!(std::fabs(w - x) <= std::fabs(x) * kWholeTolerance)) return false;
  if (whole != nullptr) *whole = w;
  return true;
}

bool McIsNumber(const CMcBasic* node) {
  return node != nullptr && node->GetType() == McTypeWord(kMcReal);
}

bool McIsNumber(const CMcBasic* node, double value) {
  return McIsNumber(node) && static_cast<const CMcReal*>(node)->m_value == value;
}

double McNumberValue(const CMcBasic* node) {
  const double v = static_cast<const CMcReal*>(node)->m_value;
  return (node->m_flags & kMcMinus) ? -v : v;
}

CMcBasic* McNewNumber(double value, WORD flags) {
  const bool negative = !std::isnan(value) && std::signbit(value);
  return new CMcReal(std::fabs(value), static_cast<WORD>(flags ^ (negative ? 1 : 0)));
}

bool McIsPlainProduct(const CMcBasic* node) {
  return node != nullptr && node->GetType() == McTypeWord(kMcListmult, 1);
}

CMcBasic* McNewConstant(const char* name, WORD flags) {
  return new CMcVariable(name, "", static_cast<WORD>(flags | kMcConstant));
}

bool McCanIsolate(const CMcBasic* node, int which) {
  const CMcBasic* relation = node->m_parent;
  if (!IsPair(relation, kMcEquality) || relation->m_children[0] != node) return false;
  return which >= 0 && which < node->m_count;
}

CMcBasic* McNewProduct(WORD flags, std::initializer_list<CMcBasic*> factors) {
  CMcBasic* product = new CMcListmult(flags);
  for (CMcBasic* f : factors) product->AppendChild(f);
  return product;
}

CMcBasic* McNewSum(WORD flags, std::initializer_list<CMcBasic*> terms) {
  CMcBasic* sum = new CMcListsum(flags);
  for (CMcBasic* t : terms) sum->AppendChild(t);
  return sum;
}

bool McIsConstantFor(const CMcBasic* node, const CMcBasic* variable, unsigned options) {
  if (McIsNumber(node)) return true;
  if (!McIsKind(node, kMcVariable)) return false;
  if (node->m_flags & kMcConstant) return true;
  return (options & 1) != 0 && variable != nullptr && node->Compare(variable) >= 2;
}

CMcBasic* McDerivativeOf(CMcBasic* node, CMcBasic* variable, unsigned options) {
  CMcBasic* derivative = node->Differentiate(variable, options);
  return derivative != nullptr ? derivative : new CMcNull(0);
}

// ---- the engine ---------------------------------------------------------------------

struct CMXC_TERM::Coefficient {
  double num = 1.0;
  double den = 1.0;
  bool infinite = false;
  CMcBasic* numerator = nullptr;    // N
  CMcBasic* denominator = nullptr;  // D
};

CMXC_TERM::~CMXC_TERM() {
  Reset();
}

void CMXC_TERM::Reset() {
  for (Entry& entry : m_factors) {
    delete entry.factor;
    delete entry.exponent;
  }
  m_factors.clear();
  for (CMcBasic*& sum : m_signExponents) {
    delete sum;
    sum = nullptr;
  }
  m_sign = 0;
}

int CMXC_TERM::AddFactor(CMcBasic* factor, CMcBasic* exponent) {
  m_factors.push_back(Entry{factor, exponent});
  return static_cast<int>(m_factors.size()) - 1;
}

void CMXC_TERM::Collect(CMcBasic* node, CMcBasic* exponent, int inverse) {
  if (node == nullptr) {
    delete exponent;
    return;
  }
  CollectSign(node, exponent);
  if (McIsPlainProduct(node))
    CollectProduct(node, exponent, inverse);
  else if (IsPair(node, kMcDivision))
    CollectDivision(node, exponent, inverse);
  else if (IsPair(node, kMcPower))
    CollectPower(node, exponent, inverse);
  else
    CollectLeaf(node, exponent, inverse);
}

// A sign without exponent joins the term's sign; under an exponent e it is
// (-1)^e, kept as a sum of exponents per sign code. The exponent goes in as
// it is on either side: for a fractional e the two sides of the branch cut
// differ, and a negated variable evaluates as -v - 0j, below the cut, where
// (-1)^e / v^e is its value in a denominator.
void CMXC_TERM::CollectSign(CMcBasic* node, CMcBasic* exponent) {
  const WORD sign = node->m_flags & kMcSignMask;
  if (sign == 0) return;
  if (exponent == nullptr) {
    MergeSignWord(&m_sign, sign);
  } else {
    CMcBasic*& sum = m_signExponents[sign - 1];
    if (sum == nullptr) sum = new CMcListsum(0);
    sum->AppendChild(exponent->Clone());
  }
  node->m_flags &= static_cast<WORD>(~kMcSignMask);
}

// Each factor is read from its slot afresh: collecting a factor performs it,
// and it may replace itself there.
void CMXC_TERM::CollectProduct(CMcBasic* product, CMcBasic* exponent, int inverse) {
  for (int i = 0; i < product->m_count; ++i)
    Collect(product->m_children[i], exponent ? exponent->Clone() : nullptr, inverse);
  delete exponent;
}

void CMXC_TERM::CollectDivision(CMcBasic* division, CMcBasic* exponent, int inverse) {
  Collect(division->m_children[0], exponent ? exponent->Clone() : nullptr, inverse);
  Collect(division->m_children[1], exponent, 1 - inverse);
}

// (b^p)^e collects b with the exponent p e, simplified in the power's own
// exponent slot so that Perform has a parent to rewrite; p goes back after.
void CMXC_TERM::CollectPower(CMcBasic* power, CMcBasic* exponent, int inverse) {
  CMcBasic* p = power->m_children[1];
  CMcBasic* combined;
  if (exponent == nullptr) {
    combined = p->Clone();
  } else if (McIsPlainProduct(exponent)) {
    exponent->AppendChild(p->Clone());
    combined = exponent;
  } else {
    combined = new CMcListmult(0);
    combined->AppendChild(p->Clone());
    combined->AppendChild(exponent);
  }
  power->SetChildAt(combined, 1);
  combined->Perform();
  CMcBasic* r = power->SetChildAt(p, 1);
  r->m_parent = nullptr;
  if (McIsNumber(r, 0.0)) {
    delete r;  // b^0 is the factor 1
    return;
  }
  Collect(power->m_children[0], r, inverse);
}

void CMXC_TERM::CollectLeaf(CMcBasic* leaf, CMcBasic* exponent, int inverse) {
  CMcBasic* f = leaf;
  const int slot = McSlotOf(leaf);
  if (slot >= 0) {
    CMcBasic* parent = leaf->m_parent;
    leaf->Perform();
    f = slot < parent->m_count ? parent->m_children[slot] : nullptr;
    if (f == nullptr) {
      delete exponent;
      return;
    }
    // The leaf may have become a product, quotient or power: walk into it,
    // its sign included.
    if (f != leaf && IsTermNode(f)) {
      Collect(f, exponent, inverse);
      return;
    }
    CollectSign(f, exponent);
  }
  if (McIsNumber(f, 1.0)) {
    delete exponent;
    return;
  }
  if (inverse) {
    if (exponent == nullptr)
      exponent = McNewNumber(-1.0);
    else
      exponent->m_flags ^= kMcMinus;
  }
  for (Entry& entry : m_factors) {
    if (entry.factor->Compare(f) == 0) {
      AddExponents(entry, exponent);
      return;
    }
  }
  AddFactor(f->Clone(), exponent);
}

void CMXC_TERM::AddExponents(Entry& entry, CMcBasic* exponent) {
  CMcBasic*& stored = entry.exponent;
  if (stored == nullptr && exponent == nullptr) {
    stored = new CMcReal(2.0, 0);
    return;
  }
  if (stored == nullptr) {
    stored = PlusOne(exponent);
  } else if (exponent == nullptr) {
    stored = PlusOne(stored);
  } else if (McIsKind(stored, kMcListsum) && (stored->m_flags & kMcPlusMinus) == 0) {
    exponent->m_flags ^= static_cast<WORD>(stored->m_flags & kMcMinus);
    stored->AppendChild(exponent);
  } else {
    CMcBasic* sum = new CMcListsum(0);
    sum->AppendChild(stored);
    sum->AppendChild(exponent);
    stored = sum;
  }
  stored = Simplify(stored);
}

CMcBasic* CMXC_TERM::Build() {
  FoldPowers();
  Coefficient c;
  if (CMcBasic* failed = SplitFactors(c)) return failed;
  for (CMcBasic*& folded : m_signExponents) {
    CMcBasic* power = folded;
    folded = nullptr;
    if (power == nullptr) continue;
    MergeSignWord(&m_sign, power->m_flags & kMcSignMask);
    power->m_flags &= static_cast<WORD>(~kMcSignMask);
    if (McIsNumber(power, 1.0))
      delete power;
    else
      AddTo(c.numerator, power);
  }
  if (c.infinite) return Fail(c, new CMcReal(HUGE_VAL, static_cast<WORD>(m_sign & kMcSignMask)));
  if (!McIsWhole(c.den)) {
    const double q = c.num / c.den;
    if ((q * c.den == c.num && c.num / q == c.den) || McIsWhole(q)) {
      c.num = q;
      c.den = 1.0;
    }
  }
  // Both are products of non-zero magnitudes: the reduction, which would
  // turn 0/0 into 1/1, never sees a zero.
  McReduceFractionD(&c.num, &c.den);

  CMcBasic* quotient = c.numerator;
  if (c.denominator != nullptr) {
    CMcBasic* top = c.numerator != nullptr ? c.numerator : new CMcReal(1.0, 0);
    quotient = new CMcDivision(top, c.denominator, 0);
  }
  CMcBasic* coefficient = nullptr;
  if (c.num != 1.0 && c.den == 1.0)
    coefficient = new CMcReal(c.num, 0);
  else if (c.num != 1.0 || c.den != 1.0)
    coefficient = new CMcDivision(new CMcReal(c.num, 0), new CMcReal(c.den, 0), 0);

  CMcBasic* result;
  if (quotient == nullptr) {
    result = coefficient != nullptr ? coefficient : new CMcReal(1.0, 0);
  } else if (coefficient == nullptr) {
    result = quotient;
  } else if (McIsPlainProduct(quotient)) {
    quotient->InsertChildAt(coefficient, 0, FALSE);
    result = quotient;
  } else {
    result = new CMcListmult(0);
    result->AppendChild(coefficient);
    result->AppendChild(quotient);
  }
  McMergeSign(result, m_sign);
  Reset();
  return result;
}

// Every factor with an exponent, and every sign, becomes a folded power.
void CMXC_TERM::FoldPowers() {
  CMcOperator holder(new CMcNull(0), 0);
  for (int k = 0; k < 3; ++k) {
    CMcBasic* sum = m_signExponents[k];
    if (sum == nullptr) continue;
    m_signExponents[k] = nullptr;
    CMcBasic* exponent = sum;
    if (sum->m_count < 2) {
      exponent = sum->m_count == 1 ? sum->RemoveChildAt(0) : new CMcReal(0.0, 0);
      delete sum;
    }
    // The base is 1 carrying the sign code: -1, plus-minus 1, minus-plus 1.
    auto* power = new CMcPower(new CMcReal(1.0, static_cast<WORD>(k + 1)), exponent, 0);
    power->m_children[1]->Perform();
    m_signExponents[k] = Fold(&holder, power);
  }
  for (Entry& entry : m_factors) {
    if (entry.exponent == nullptr) continue;
    auto* power = new CMcPower(entry.factor, entry.exponent, 0);
    entry.exponent = nullptr;
    entry.factor = Fold(&holder, power);
  }
}

CMcBasic* CMXC_TERM::SplitFactors(Coefficient& c) {
  while (!m_factors.empty()) {
    CMcBasic* f = m_factors.back().factor;
    m_factors.pop_back();
    MergeSignWord(&m_sign, f->m_flags & kMcSignMask);
    f->m_flags &= static_cast<WORD>(~kMcSignMask);
    if (McIsNumber(f)) {
      const double v = static_cast<CMcReal*>(f)->m_value;
      if (v == 0.0 || std::isnan(v)) {
        delete f;
        return Fail(c, new CMcReal(v, 0));
      }
      if (std::isinf(v)) c.infinite = true;
      const double p = c.num * v;
      // Only an exact product joins the coefficient; otherwise the number
      // stays a symbolic factor, so no precision is lost silently.
      if (p / c.num == v && p / v == c.num) {
        c.num = p;
        delete f;
      } else {
        AddTo(c.numerator, f);
      }
      continue;
    }
    if (HasMinusExponent(f) && static_cast<CMcReal*>(f->m_children[1])->m_value == 1.0) {
      CMcBasic* base = f->m_children[0];
      if (McIsNumber(base)) {
        MergeSignWord(&m_sign, base->m_flags & kMcSignMask);
        base->m_flags &= static_cast<WORD>(~kMcSignMask);
        const double v = static_cast<CMcReal*>(base)->m_value;
        if (v == 0.0 || std::isnan(v)) {
          delete f;
          return Fail(c, new CMcReal(std::log(-1.0), 0));
        }
        if (std::isinf(v)) {
          delete f;
          return Fail(c, new CMcReal(0.0, 0));
        }
        const double q = c.num / v;
        if (q * v == c.num && c.num / q == v &&
            (std::floor(q) == q || std::floor(c.num) != c.num)) {
          c.num = q;
          delete f;
          continue;
        }
        const double p = c.den * v;
        if (p / c.den == v && p / v == c.den) {
          c.den = p;
          delete f;
          continue;
        }
      }
      base = McTakeChild(f, 0);
      delete f;
      AddTo(c.denominator, base);
      continue;
    }
    if (IsPair(f, kMcPower) && (f->m_children[1]->m_flags & kMcSignMask) == 1) {
      f->m_children[1]->m_flags &= static_cast<WORD>(~kMcSignMask);
      AddTo(c.denominator, f);
      continue;
    }
    AddTo(c.numerator, f);
  }
  return nullptr;
}

CMcBasic* CMXC_TERM::Fail(Coefficient& c, CMcBasic* result) {
  delete c.numerator;
  delete c.denominator;
  c.numerator = c.denominator = nullptr;
  Reset();
  return result;
}

CMcBasic* CMXC_TERM::Simplify(CMcBasic* tree) {
  if (tree == nullptr) return nullptr;
  // A temporary parent, so that Perform may replace the tree in its slot.
  CMcOperator holder(tree, 0);
  tree->Perform();
  CMcBasic* result = holder.RemoveChildAt(0);
  result->m_parent = nullptr;
  return result;
}

CMcBasic* CMXC_TERM::PerformInPlace(CMcBasic* node) {
  if (McSlotOf(node) < 0) return nullptr;
  CMXC_TERM engine;
  engine.Collect(node, nullptr, 0);
  CMcBasic* built = engine.Build();
  // Collecting performs only inside node, so node keeps its slot.
  if (!McReplaceNode(node, built)) {
    delete built;
    return nullptr;
  }
  return built;
}
