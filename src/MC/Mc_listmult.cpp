#include "MC/Mc_listmult.h"

#include "MC/MC_REAL.h"
#include "MC/MXC_TERM.h"
#include "MC/McComplex.h"
#include "MC/Mc_division.h"
#include "MC/McLayout.h"
#include "platform/gdi/DC.h"

#include <algorithm>
#include <vector>

namespace {

// Gap between factors in fortieths of a font height, by sub-kind.
constexpr int kGapFortieths[4] = {4, 0, 18, 15};
// Symbol-font operator drawn before every factor but the first, by sub-kind:
// dot operator, space, multiplication sign, bullet.
constexpr char kOperatorGlyph[4] = {'\xD7', ' ', '\xB4', '\xB7'};

}  // namespace

CMcListmult::CMcListmult(WORD flags) : CMcBasic(flags) {}

CMcBasic* CMcListmult::Load(CArchive& ar) {
  return LoadList(ar, [](WORD flags) -> CMcBasic* { return new CMcListmult(flags); });
}

BOOL CMcListmult::Navigate(int direction, int modifier, McCursor* cursor) {
  return NavigateList(direction, modifier, cursor);
}

WORD CMcListmult::GetType() const {
  return McTypeWord(kMcListmult, static_cast<BYTE>(std::max(SubKind(), 1)));
}

const char* CMcListmult::GetName() const {
  switch (m_flags & kMcVariantMask) {
    case kMcVariantMask:
      return "Dot product";
    case kMcVariantHigh:
      return "Cross product";
    default:
      return "Multiplication";
  }
}

McComplex* CMcListmult::Evaluate(McComplex* result, CQorexDoc* doc, CSIMsystem* sim) const {
  McComplex product{1.0, 0.0};
  for (int i = 0; i < m_count; ++i) {
    McComplex factor;
    m_children[i]->Evaluate(&factor, doc, sim);
    product = McComplexMul(product, factor);
  }
  *result = (m_flags & kMcMinus) ? McComplexNeg(product) : product;
  return result;
}

// The minus goes into the second factor's array (so its zeros carry the sign
// the way a negated operand gives them); a product of fewer factors has no
// second array and is negated as a whole.
McComplex* CMcListmult::EvaluateVector(CQorexDoc* doc) const {
  const int n = McStepCount(doc);
  const bool negate = (m_flags & kMcMinus) != 0;
  McComplex* product;
  if (m_count == 0) {
    product = McNewVector(n);
    for (int k = 0; k < n; ++k) product[k] = McComplex{1.0, 0.0};
  } else {
    product = m_children[0]->EvaluateVector(doc);
  }
  if (m_count < 2) {
    if (negate) {
      for (int k = 0; k < n; ++k) product[k] = McComplexNeg(product[k]);
    }
    return product;
  }
  for (int i = 1; i < m_count; ++i) {
    McComplex* factor = m_children[i]->EvaluateVector(doc);
    const bool negateThis = negate && i == 1;
    for (int k = 0; k < n; ++k) {
      product[k] = McComplexMul(product[k], negateThis ? McComplexNeg(factor[k]) : factor[k]);
    }
    delete[] factor;
  }
  return product;
}

int CMcListmult::FactorGap() const {
  return kGapFortieths[SubKind()] * McFontHeight(kFontItalic, GetLevel()) / 40;
}

void CMcListmult::Layout(CDC* dc, int mode) {
  const int level = GetLevel();
  const int gap = FactorGap();
  int width = 0, ascent = 0, descent = 0;
  for (int i = 0; i < m_count; ++i) {
    CMcBasic* factor = m_children[i];
    if (mode == kMcLayoutFromTop) {
      factor->SetLevel(std::min(level, kMcMaxLevel));
      factor->Layout(dc, kMcLayoutFromTop);
    }
    width += factor->m_box.width + (i > 0 ? gap : 0);
    ascent = std::max(ascent, static_cast<int>(factor->m_baseline));
    descent = std::max(descent, static_cast<int>(factor->m_box.height - factor->m_baseline));
  }
  m_box.width = width;
  m_box.height = ascent + descent;
  m_baseline = static_cast<WORD>(ascent);
  const CRect margins = LayoutSignAndParens();
  int x = margins.left;
  for (int i = 0; i < m_count; ++i) {
    CMcBasic* factor = m_children[i];
    factor->m_box.x = x;
    factor->m_box.y = m_baseline - factor->m_baseline;
    x += factor->m_box.width + gap;
  }
  RelayoutParent(dc, mode);
}

void CMcListmult::Draw(CDC* dc, int x, int y) const {
  x += m_box.x;
  y += m_box.y;
  DrawSignAndParens(dc, x, y);
  for (int i = 0; i < m_count; ++i) m_children[i]->Draw(dc, x, y);
  if (m_count < 2) return;
  const int gap = FactorGap();
  McSelectFont(dc, kFontSymbol, GetLevel());
  const char glyph = kOperatorGlyph[SubKind()];
  for (int i = 1; i < m_count; ++i) {
    dc->TextOut(x + m_children[i]->m_box.x - gap, y + m_baseline, &glyph, 1);
  }
}

CMcBasic* CMcListmult::Clone() const {
  auto* copy = new CMcListmult(m_flags);
  for (int i = 0; i < m_count; ++i) copy->AppendChild(m_children[i]->Clone());
  return copy;
}

WORD CMcListmult::Compare(const CMcBasic* other) const {
  return CompareList(other);
}

// ---- symbolic layer ------------------------------------------------------------

CMcBasic* CMcListmult::Differentiate(CMcBasic* variable, unsigned options) {
  std::vector<CMcBasic*> constants, factors;
  for (int i = 0; i < m_count; ++i) {
    CMcBasic* f = m_children[i];
    (McIsConstantFor(f, variable, options) ? constants : factors).push_back(f);
  }
  if (factors.empty()) return new CMcReal(0.0, 0);
  const WORD inner = static_cast<WORD>(m_flags & ~kMcSignMask);
  if (factors.size() == 1) {
    CMcBasic* product = new CMcListmult(m_flags);
    for (CMcBasic* k : constants) product->AppendChild(k->Clone());
    product->AppendChild(McDerivativeOf(factors[0], variable, options));
    return CMXC_TERM::Simplify(product);
  }
  // (u v)' = u v' + u' v, with u the last factor and v the product of the
  // others when there are more than two.
  CMcBasic *u, *v;
  if (factors.size() == 2) {
    u = factors[0]->Clone();
    v = factors[1]->Clone();
  } else {
    u = factors.back()->Clone();
    v = new CMcListmult(inner);
    for (size_t i = 0; i + 1 < factors.size(); ++i) v->AppendChild(factors[i]->Clone());
  }
  CMcBasic* du = McDerivativeOf(u, variable, options);
  CMcBasic* dv = McDerivativeOf(v, variable, options);
  CMcBasic* result = McNewSum(0, {McNewProduct(inner, {u, dv}), McNewProduct(inner, {du, v})});
  if (!constants.empty()) {
    CMcBasic* product = new CMcListmult(inner);
    for (CMcBasic* k : constants) product->AppendChild(k->Clone());
    product->AppendChild(result);
    result = product;
  }
  McMergeSign(result, m_flags);
  return CMXC_TERM::Simplify(result);
}

WORD CMcListmult::Perform() {
  if ((m_flags & kMcVariantMask) != 0) return CMcBasic::Perform();
  return CMXC_TERM::PerformInPlace(this) != nullptr ? 1 : 0;
}

void CMcListmult::Tidy() {
  CMcBasic::Tidy();
  if (!McIsPlainProduct(this)) return;
  // A root must keep two factors: a product of one does not load back.
  const bool replaceable = McSlotOf(this) >= 0;
  for (int i = 0; i < m_count;) {
    CMcBasic* factor = m_children[i];
    if (McIsPlainProduct(factor)) {
      RemoveChildAt(i);
      McMergeSign(this, factor->m_flags);
      const std::vector<CMcBasic*> inner = McReleaseChildren(factor);
      delete factor;
      for (CMcBasic* f : inner) InsertChildAt(f, i++, FALSE);
    } else if (McIsNumber(factor, 1.0) && m_count > (replaceable ? 1 : 2)) {
      McMergeSign(this, factor->m_flags);
      delete RemoveChildAt(i);
    } else {
      ++i;
    }
  }
  if (m_count == 1 && replaceable) {
    CMcBasic* only = RemoveChildAt(0);
    McMergeSign(only, m_flags);
    McReplaceNode(this, only);
  }
}

void CMcListmult::Isolate(int which) {
  if (m_count < 2 || !McCanIsolate(this, which)) return;
  CMcBasic* relation = m_parent;
  CMcBasic* other = relation->m_children[1];
  if (m_count == 2) {
    CMcBasic* divisor = McTakeChild(this, 1 - which);
    CMcBasic* isolated = McTakeChild(this, which);
    relation->SetChildAt(new CMcDivision(other, divisor, static_cast<WORD>(m_flags & kMcSignMask)),
                         1);
    relation->SetChildAt(isolated, 0);
    delete this;
    return;
  }
  CMcBasic* isolated = RemoveChildAt(which);
  relation->SetChildAt(isolated, 0);
  relation->SetChildAt(new CMcDivision(other, this, 0), 1);
}
