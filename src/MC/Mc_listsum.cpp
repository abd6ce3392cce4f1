#include "MC/Mc_listsum.h"

#include "MC/MC_REAL.h"
#include "MC/MXC_TERM.h"
#include "MC/McComplex.h"
#include "MC/Mc_division.h"
#include "MC/Mc_listmult.h"
#include "MC/McLayout.h"

#include <algorithm>
#include <cmath>
#include <vector>

namespace {

// Wrap limit in font heights: wide at the top of a formula or in a list body,
// narrower inside anything else.
constexpr int kWideWrapHeights = 30;
constexpr int kNarrowWrapHeights = 18;

// A numeric coefficient: a number, or a fraction of two numbers.
bool IsCoefficient(const CMcBasic* node) {
  return McIsNumber(node) || (McIsKind(node, kMcDivision) && node->m_count == 2 &&
                              McIsNumber(node->m_children[0]) && McIsNumber(node->m_children[1]));
}

// A coefficient of value 0: the number 0, or 0 over a number that is not 0.
bool IsZero(const CMcBasic* coefficient) {
  if (McIsNumber(coefficient)) return McIsNumber(coefficient, 0.0);
  return McIsNumber(coefficient->m_children[0], 0.0) &&
         !McIsNumber(coefficient->m_children[1], 0.0) &&
         !std::isnan(McNumberValue(coefficient->m_children[1]));
}

// A fraction over the number 1 becomes its numerator.
CMcBasic* Normalized(CMcBasic* coefficient) {
  if (McIsNumber(coefficient) || !McIsNumber(coefficient->m_children[1], 1.0)) return coefficient;
  CMcBasic* numerator = McTakeChild(coefficient, 0);
  McMergeSign(numerator, coefficient->m_flags);
  McMergeSign(numerator, coefficient->m_children[1]->m_flags);
  delete coefficient;
  return numerator;
}

// Splits a term into its numeric coefficient and the rest: a coefficient is
// all coefficient; a multiplication gives up a coefficient in front (taking
// the product's sign), and a product left with one factor gives way to it.
void SplitTerm(CMcBasic* term, CMcBasic** coefficient, CMcBasic** rest) {
  *coefficient = nullptr;
  *rest = term;
  if (IsCoefficient(term)) {
    *coefficient = term;
    *rest = nullptr;
    return;
  }
  if (!McIsPlainProduct(term) || term->m_count == 0 || !IsCoefficient(term->m_children[0])) return;
  CMcBasic* c = term->RemoveChildAt(0);
  c->m_parent = nullptr;
  McMergeSign(c, term->m_flags);
  term->m_flags &= static_cast<WORD>(~kMcSignMask);
  *coefficient = c;
  if (term->m_count <= 1) {
    *rest = term->m_count == 1 ? term->RemoveChildAt(0) : nullptr;
    if (*rest) (*rest)->m_parent = nullptr;
    delete term;
  }
}

// c[i] += c[j]; c[j] is deleted. Numbers add as signed values; a fraction
// takes the other constant in, and stands at i.
void AddCoefficient(CMcBasic*& a, CMcBasic*& b) {
  if (McIsNumber(a) && McIsNumber(b)) {
    auto* number = static_cast<CMcReal*>(a);
    const double sum = McNumberValue(a) + McNumberValue(b);
    number->m_value = std::fabs(sum);
    number->m_flags = static_cast<WORD>((number->m_flags & ~kMcMinus) | (sum < 0.0 ? 1 : 0));
    delete b;
  } else if (!McIsNumber(a)) {
    static_cast<CMcDivision*>(a)->AddNumber(b);
    delete b;
  } else {
    static_cast<CMcDivision*>(b)->AddNumber(a);
    delete a;
    a = b;
  }
  b = nullptr;
}

bool HasPlusMinus(const CMcBasic* node) {
  return node != nullptr && (node->m_flags & kMcPlusMinus) != 0;
}

// Adds the coefficients of the constants into the first of them, and those
// of like terms (equal up to sign) into the first of each kind; what was
// added in is deleted. Terms or coefficients signed plus-minus stay apart.
void MergeTerms(std::vector<CMcBasic*>& c, std::vector<CMcBasic*>& t) {
  const size_t n = c.size();
  for (size_t i = 0; i < n; ++i) {
    for (size_t j = i + 1; j < n; ++j) {
      if (HasPlusMinus(c[i]) || HasPlusMinus(c[j]) || HasPlusMinus(t[i]) || HasPlusMinus(t[j]))
        continue;
      if (t[i] == nullptr && t[j] == nullptr) {
        if (c[i] != nullptr && c[j] != nullptr) AddCoefficient(c[i], c[j]);
        continue;
      }
      if (t[i] == nullptr || t[j] == nullptr || t[i]->Compare(t[j]) >= 2) continue;
      // Like terms: each term's sign joins its coefficient (1 when it has
      // none), so x + x gives 2 x and x - x gives 0 x, dropped later.
      for (size_t k : {i, j}) {
        if (c[k] == nullptr) c[k] = new CMcReal(1.0, 0);
        McMergeSign(c[k], t[k]->m_flags);
        t[k]->m_flags &= static_cast<WORD>(~kMcSignMask);
      }
      AddCoefficient(c[i], c[j]);
      delete t[j];
      t[j] = nullptr;
    }
  }
}

// The term a coefficient and a rest make again.
CMcBasic* JoinTerm(CMcBasic* coefficient, CMcBasic* rest) {
  if (coefficient == nullptr) return rest;
  coefficient = Normalized(coefficient);
  if (IsZero(coefficient)) {
    delete coefficient;
    delete rest;
    return nullptr;
  }
  if (rest == nullptr) return coefficient;
  if (McIsNumber(coefficient, 1.0)) {
    McMergeSign(rest, coefficient->m_flags);
    delete coefficient;
    return rest;
  }
  const WORD sign = coefficient->m_flags & kMcSignMask;
  coefficient->m_flags &= static_cast<WORD>(~kMcSignMask);
  if (McIsPlainProduct(rest)) {
    rest->InsertChildAt(coefficient, 0, FALSE);
    McMergeSign(rest, sign);
    return rest;
  }
  return McNewProduct(sign, {coefficient, rest});
}

}  // namespace

CMcListsum::CMcListsum(WORD flags) : CMcBasic(flags) {}

CMcBasic* CMcListsum::Load(CArchive& ar) {
  return LoadList(ar, [](WORD flags) -> CMcBasic* { return new CMcListsum(flags); });
}

BOOL CMcListsum::Navigate(int direction, int modifier, McCursor* cursor) {
  return NavigateList(direction, modifier, cursor);
}

WORD CMcListsum::GetType() const {
  return McTypeWord(kMcListsum);
}

const char* CMcListsum::GetName() const {
  return "Addition";
}

McComplex* CMcListsum::Evaluate(McComplex* result, CQorexDoc* doc, CSIMsystem* sim) const {
  McComplex sum{0.0, 0.0};
  for (int i = 0; i < m_count; ++i) {
    McComplex term;
    m_children[i]->Evaluate(&term, doc, sim);
    sum = McComplexAdd(sum, term);
  }
  *result = (m_flags & kMcMinus) ? McComplexNeg(sum) : sum;
  return result;
}

McComplex* CMcListsum::EvaluateVector(CQorexDoc* doc) const {
  const int n = McStepCount(doc);
  McComplex* sum = m_count > 0 ? m_children[0]->EvaluateVector(doc) : McNewVector(n);
  for (int i = 1; i < m_count; ++i) {
    McComplex* term = m_children[i]->EvaluateVector(doc);
    for (int k = 0; k < n; ++k) sum[k] = McComplexAdd(sum[k], term[k]);
    delete[] term;
  }
  if (m_flags & kMcMinus) {
    for (int k = 0; k < n; ++k) sum[k] = McComplexNeg(sum[k]);
  }
  return sum;
}

bool CMcListsum::HasInnerParens() const {
  return GetSign() != 0 || McIsKind(m_parent, kMcListsum);
}

void CMcListsum::Layout(CDC* dc, int mode) {
  const int level = GetLevel();
  const int fontHeight = McFontHeight(kFontItalic, level);
  const bool wide = !m_parent || McIsKind(m_parent, kMcGroup) || McIsKind(m_parent, kMcListbody);
  const int limit = (wide ? kWideWrapHeights : kNarrowWrapHeights) * fontHeight;

  // Lines of terms; ascent and descent grow over the whole sum, so each line
  // is at least as tall as the ones above it.
  int width = 0, height = 0, lineWidth = 0, lineStart = 0;
  int ascent = 0, descent = 0;
  bool wrapped = false;
  auto placeLine = [&](int end) {
    int x = 0;
    for (int k = lineStart; k < end; ++k) {
      CMcBasic* term = m_children[k];
      term->m_box.x = x;
      term->m_box.y = height + ascent - term->m_baseline;
      x += term->m_box.width;
    }
    height += ascent + descent;
    width = std::max(width, lineWidth);
    lineWidth = 0;
    lineStart = end;
  };
  for (int i = 0; i < m_count; ++i) {
    CMcBasic* term = m_children[i];
    if (mode == kMcLayoutFromTop) {
      term->SetLevel(std::min(level, kMcMaxLevel));
      term->Layout(dc, kMcLayoutFromTop);
    }
    if (lineWidth + term->m_box.width > limit && i >= 2) {
      placeLine(i);
      wrapped = true;
    }
    ascent = std::max(ascent, static_cast<int>(term->m_baseline));
    descent = std::max(descent, static_cast<int>(term->m_box.height - term->m_baseline));
    lineWidth += term->m_box.width;
  }
  placeLine(m_count);

  m_box.width = width;
  m_box.height = height;
  m_baseline = static_cast<WORD>(
      wrapped ? height / 2 - fontHeight / 2 + McFontAscent(kFontItalic, level) : ascent);
  int parenLeft = 0;
  if (HasInnerParens()) {
    const CRect parens = LayoutParens(m_box, m_baseline);
    m_box.width += parens.left + parens.right;
    parenLeft = parens.left;
  }
  const CRect margins = LayoutSignAndParens();
  for (int i = 0; i < m_count; ++i) {
    m_children[i]->m_box.x += parenLeft + margins.left;
    m_children[i]->m_box.y += margins.top;
  }
  RelayoutParent(dc, mode);
}

void CMcListsum::Draw(CDC* dc, int x, int y) const {
  x += m_box.x;
  y += m_box.y;
  const CRect margins = DrawSignAndParens(dc, x, y);
  for (int i = 0; i < m_count; ++i) m_children[i]->Draw(dc, x, y);
  if (HasInnerParens()) {
    const int third = McFontHeight(kFontItalic, GetLevel()) / 3;
    McBox inner;
    inner.x = margins.left + third;
    inner.y = margins.top;
    inner.width = m_box.width - margins.left - margins.right - 2 * third;
    inner.height = m_box.height - margins.top - margins.bottom;
    DrawParens(dc, x, y, inner, m_baseline - margins.top);
  }
}

CMcBasic* CMcListsum::Clone() const {
  auto* copy = new CMcListsum(m_flags);
  for (int i = 0; i < m_count; ++i) copy->AppendChild(m_children[i]->Clone());
  return copy;
}

WORD CMcListsum::Compare(const CMcBasic* other) const {
  return CompareList(other);
}

// ---- symbolic layer ------------------------------------------------------------

CMcBasic* CMcListsum::Differentiate(CMcBasic* variable, unsigned options) {
  CMcBasic* sum = new CMcListsum(m_flags);
  for (int i = 0; i < m_count; ++i)
    sum->AppendChild(McDerivativeOf(m_children[i], variable, options));
  return CMXC_TERM::Simplify(sum);
}

void CMcListsum::SpliceNestedSum(int* index) {
  CMcBasic* inner = RemoveChildAt(*index);
  const std::vector<CMcBasic*> terms = McReleaseChildren(inner);
  for (CMcBasic* term : terms) {
    McMergeSign(term, inner->m_flags);
    InsertChildAt(term, (*index)++, FALSE);
  }
  delete inner;
}

WORD CMcListsum::Perform() {
  if (McSlotOf(this) < 0) return 0;
  if (m_flags & kMcMinus) {
    for (int i = 0; i < m_count; ++i) m_children[i]->m_flags ^= kMcMinus;
    m_flags &= static_cast<WORD>(~kMcMinus);
  }
  for (int i = 0; i < m_count;) {
    m_children[i]->Perform();
    if (i >= m_count) break;
    if (McIsKind(m_children[i], kMcListsum))
      SpliceNestedSum(&i);
    else
      ++i;
  }
  const std::vector<CMcBasic*> terms = McReleaseChildren(this);
  const size_t n = terms.size();
  std::vector<CMcBasic*> c(n), t(n);
  for (size_t i = 0; i < n; ++i) SplitTerm(terms[i], &c[i], &t[i]);
  MergeTerms(c, t);
  std::vector<CMcBasic*> rebuilt;
  for (size_t i = 0; i < n; ++i) {
    if (CMcBasic* term = JoinTerm(c[i], t[i])) rebuilt.push_back(term);
  }
  if (rebuilt.empty()) {
    McReplaceNode(this, new CMcReal(0.0, 0));
    return 1;
  }
  if (rebuilt.size() == 1) {
    McMergeSign(rebuilt[0], m_flags);
    McReplaceNode(this, rebuilt[0]);
    return 1;
  }
  AdoptChildren(rebuilt);
  return 0;
}

void CMcListsum::Tidy() {
  CMcBasic::Tidy();
  // A root must keep two terms: a sum of one does not load back.
  const bool replaceable = McSlotOf(this) >= 0;
  for (int i = 0; i < m_count;) {
    CMcBasic* term = m_children[i];
    if (McIsKind(term, kMcListsum))
      SpliceNestedSum(&i);
    else if (McIsNumber(term, 0.0) && m_count > (replaceable ? 1 : 2))
      delete RemoveChildAt(i);
    else
      ++i;
  }
  if (m_count == 1 && replaceable) {
    CMcBasic* only = RemoveChildAt(0);
    McMergeSign(only, m_flags);
    McReplaceNode(this, only);
  }
}

void CMcListsum::Isolate(int which) {
  if (!McCanIsolate(this, which)) return;
  CMcBasic* relation = m_parent;
  CMcBasic* other = relation->m_children[1];
  McMergeSign(other, m_flags);
  other->m_flags ^= kMcMinus;
  m_flags &= static_cast<WORD>(~kMcSignMask);
  CMcBasic* term = m_children[which];
  term->m_flags ^= kMcMinus;
  SetChildAt(other, which);
  relation->SetChildAt(term, 0);
  relation->SetChildAt(this, 1);
}
