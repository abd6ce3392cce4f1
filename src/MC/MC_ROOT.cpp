#include "MC/MC_ROOT.h"

#include "MC/MC_LOG.h"
#include "MC/MC_POWER.h"
#include "MC/MC_REAL.h"
#include "MC/MXC_TERM.h"
#include "MC/McConstants.h"
#include "MC/McComplex.h"
#include "MC/McEditorFocus.h"
#include "MC/McKinds.h"
#include "MC/McLayout.h"
#include "MC/Mc_division.h"
#include "platform/gdi/SelectGuard.h"
#include "platform/gdi/DC.h"

#include <algorithm>

McComplex McComplexRoot(const McComplex& radicand, const McComplex& degree) {
  const double squared = degree.re * degree.re + degree.im * degree.im;
  return McComplexPow(radicand, McComplex{degree.re / squared, -degree.im / squared});
}

BOOL McNavigateStacked(CMcBasic* node, int toward, int direction, int modifier, McCursor* cursor) {
  if (node->m_count != 2) return node->CMcBasic::Navigate(direction, modifier, cursor);
  CMcBasic* main = node->m_children[0];
  CMcBasic* stacked = node->m_children[1];
  auto forward = [&]() -> BOOL {
    cursor->node = node;
    return node->m_parent ? node->m_parent->Navigate(direction, modifier, cursor) : FALSE;
  };
  const bool vertical = direction == kMcUp || direction == kMcDown;
  if (cursor->node == node) {
    if (vertical) return direction == toward ? cursor->Place(stacked, cursor->fromSide) : forward();
    if (cursor->fromSide == 0) return direction == kMcRight ? cursor->Place(main, 0) : forward();
    return direction == kMcLeft ? cursor->Place(main, 1) : forward();
  }
  if (vertical) {
    // From the main part the caret enters the stacked part at its end; from
    // the stacked part it comes back to the main part's start.
    if (cursor->node == main) return direction == toward ? cursor->Place(stacked, 1) : forward();
    return direction == toward ? forward() : cursor->Place(main, 0);
  }
  if (direction == kMcRight && cursor->fromSide != 0) return cursor->Place(node, 1);
  if (direction == kMcLeft && cursor->fromSide == 0) return cursor->Place(node, 0);
  return FALSE;
}

CMcRoot::CMcRoot(CMcBasic* radicand, CMcBasic* degree, WORD flags) : CMcBasic(flags) {
  if (radicand) AppendChild(radicand);
  if (degree) AppendChild(degree);
}

CMcBasic* CMcRoot::Load(CArchive& ar) {
  return LoadPairAs(ar, [](CMcBasic* radicand, CMcBasic* degree, WORD flags) -> CMcBasic* {
    return new CMcRoot(radicand, degree, flags);
  });
}

BOOL CMcRoot::Navigate(int direction, int modifier, McCursor* cursor) {
  return McNavigateStacked(this, kMcUp, direction, modifier, cursor);
}

WORD CMcRoot::GetType() const {
  return McTypeWord(kMcRoot);
}

const char* CMcRoot::GetName() const {
  return "Root";
}

McComplex* CMcRoot::Evaluate(McComplex* result, CQorexDoc* doc, CSIMsystem* sim) const {
  if (m_count != 2) return CMcBasic::Evaluate(result, doc, sim);
  McComplex degree, radicand;
  m_children[1]->Evaluate(&degree, doc, sim);
  m_children[0]->Evaluate(&radicand, doc, sim);
  const McComplex value = McComplexRoot(radicand, degree);
  *result = (m_flags & kMcMinus) ? McComplexNeg(value) : value;
  return result;
}

McComplex* CMcRoot::EvaluateVector(CQorexDoc* doc) const {
  if (m_count != 2) return CMcBasic::EvaluateVector(doc);
  const int n = McStepCount(doc);
  McComplex* degree = m_children[1]->EvaluateVector(doc);
  McComplex* radicand = m_children[0]->EvaluateVector(doc);
  const bool negate = (m_flags & kMcMinus) != 0;
  for (int k = 0; k < n; ++k) {
    const McComplex value = McComplexRoot(radicand[k], degree[k]);
    radicand[k] = negate ? McComplexNeg(value) : value;
  }
  delete[] degree;
  return radicand;
}

bool CMcRoot::ShowsDegree() const {
  if (m_count != 2) return false;
  const CMcBasic* degree = m_children[1];
  if (McIsAtCaret(degree) || !McIsKind(degree, kMcReal)) return true;
  return static_cast<const CMcReal*>(degree)->m_value != 2.0;
}

// The degree stands left of the radicand, its bottom a third of the
// radicand's height above the radicand's bottom; the radical's bar lies two
// pixels over the radicand.
void CMcRoot::Layout(CDC* dc, int mode) {
  const int level = GetLevel();
  if (m_count != 2) {
    LayoutEmpty(dc, mode);
    return;
  }
  CMcBasic* radicand = m_children[0];
  CMcBasic* degree = m_children[1];
  if (mode == kMcLayoutFromTop) {
    radicand->SetLevel(level);
    radicand->Layout(dc, kMcLayoutFromTop);
    degree->SetLevel(McSmallerLevel(level));
    degree->Layout(dc, kMcLayoutFromTop);
  }
  const int h = McFontHeight(kFontItalic, level);
  const McBox r = radicand->m_box;
  const McBox d = degree->m_box;
  const int q = r.height / 3;
  m_box.width = r.width + d.width + 2 + h / 10;
  m_box.height = r.height + 2 < d.height + q ? d.height + q : r.height + 2;
  m_baseline = static_cast<WORD>(m_box.height + radicand->m_baseline - r.height);
  const CRect m = LayoutSignAndParens();
  radicand->m_box.x = m_box.width - m.right - r.width;
  radicand->m_box.y = m_box.height - m.bottom - r.height;
  degree->m_box.x = m.left;
  degree->m_box.y = m_box.height - m.bottom - d.height - q;
  RelayoutParent(dc, mode);
}

void CMcRoot::Draw(CDC* dc, int x, int y) const {
  x += m_box.x;
  y += m_box.y;
  if (m_count != 2) {
    DrawSignAndParens(dc, x, y);
    return;
  }
  const CMcBasic* radicand = m_children[0];
  radicand->Draw(dc, x, y);
  if (ShowsDegree()) m_children[1]->Draw(dc, x, y);
  DrawSignAndParens(dc, x, y);

  // The bar over the radicand, the long stroke down, the short stroke up to
  // the tick, the tick, and a second pass down the long stroke.
  const int level = GetLevel();
  const int h = McFontHeight(kFontItalic, level);
  const McBox& r = radicand->m_box;
  const int q = r.height / 3;
  const int x0 = x + r.x;
  const int y0 = y + r.y;
  const int yb = y + m_box.height;
  const POINT stroke[] = {{x0 + r.width - 1, y0 - 2},
                          {x0 - 1, y0 - 2},
                          {x0 - h / 10 - 2, yb - 1},
                          {x0 - h / 4 - 2, yb - q},
                          {x0 - h / 4 - 3 - h / 10, yb - q + h / 10},
                          {x0 - h / 4 - 1, yb - q},
                          {x0 - h / 10 - 2, yb - 2}};
  QxSelectGuard pen(dc, g_pens[level == 0 ? 1 : 0][ColorIndex(dc->GetTextColor())]);
  dc->Polyline(stroke, static_cast<int>(std::size(stroke)));
}

CMcBasic* CMcRoot::Clone() const {
  if (m_count != 2) return new CMcRoot(nullptr, nullptr, m_flags);
  return new CMcRoot(m_children[0]->Clone(), m_children[1]->Clone(), m_flags);
}

WORD CMcRoot::Compare(const CMcBasic* other) const {
  return ComparePair(other);
}

// ---- symbolic operations -----------------------------------------------------------

namespace {

CMcBasic* Reciprocal(CMcBasic* x) {
  return new CMcDivision(new CMcReal(1.0, 0), x, 0);
}

// Puts x in node's place (node is deleted); 1, or 0 with x deleted when node
// has no place to give.
WORD ReplaceBy(CMcBasic* node, CMcBasic* x) {
  if (McReplaceNode(node, x)) return 1;
  delete x;
  return 0;
}

}  // namespace

// d/dx R^(1/D) = R^(1/D - 1) / D * R'  -  R^(1/D) / D^2 * ln R * D'.
CMcBasic* CMcRoot::Differentiate(CMcBasic* variable, unsigned options) {
  if (m_count != 2) return CMcBasic::Differentiate(variable, options);
  CMcBasic* r = m_children[0];
  CMcBasic* d = m_children[1];
  const bool radicandConstant = McIsConstantFor(r, variable, options);
  const bool degreeConstant = McIsConstantFor(d, variable, options);
  if (radicandConstant && degreeConstant) return new CMcReal(0.0, 0);
  const WORD sign = m_flags & kMcSignMask;
  // R^(1/D - 1) / D
  auto radicandFactor = [&] {
    CMcBasic* exponent = McNewSum(0, {Reciprocal(d->Clone()), new CMcReal(1.0, kMcMinus)});
    return new CMcDivision(new CMcPower(r->Clone(), exponent, 0), d->Clone(), 0);
  };
  // R^(1/D) / D^2
  auto degreeFactor = [&](WORD flags) {
    return new CMcDivision(new CMcPower(r->Clone(), Reciprocal(d->Clone()), 0),
                           new CMcPower(d->Clone(), new CMcReal(2.0, 0), 0), flags);
  };
  CMcBasic* result = nullptr;
  if (degreeConstant) {
    result = McNewProduct(sign, {radicandFactor(), McDerivativeOf(r, variable, options)});
  } else if (radicandConstant) {
    result = McNewProduct(
        sign, {degreeFactor(1), McNewNaturalLog(r->Clone()), McDerivativeOf(d, variable, options)});
  } else {
    result =
        McNewSum(sign, {McNewProduct(0, {radicandFactor(), McDerivativeOf(r, variable, options)}),
                        McNewProduct(1, {degreeFactor(0), McNewNaturalLog(r->Clone()),
                                         McDerivativeOf(d, variable, options)})});
  }
  return CMXC_TERM::Simplify(result);
}

WORD CMcRoot::Perform() {
  if (m_count != 2 || McSlotOf(this) < 0) return 0;
  m_children[0]->Perform();
  m_children[1]->Perform();
  CMcBasic* radicand = m_children[0];
  CMcBasic* degree = m_children[1];
  McComplex r, d;
  if (McConstantValue(radicand, &r) && McConstantValue(degree, &d)) {
    // The value without the root's own sign: the sign enters once, through
    // the flags handed to the conversion.
    const McComplex v = McComplexRoot(r, d);
    double re = 0.0, im = 0.0;
    if (McIsWhole(v.re, &re) && McIsWhole(v.im, &im))
      return ReplaceBy(this, McValueToExpression(re, im, m_flags));
  }
  // The root of degree n of x^n is x: the principal branch for positive reals.
  if (McIsKind(radicand, kMcPower) && radicand->m_count == 2 && radicand->GetSign() == 0 &&
      radicand->m_children[1]->Compare(degree) == 0) {
    CMcBasic* x = McTakeChild(radicand, 0);
    McMergeSign(x, m_flags);
    return ReplaceBy(this, x);
  }
  return 0;
}

void CMcRoot::Isolate(int) {
  if (m_count != 2 || !McCanIsolate(this, 0)) return;
  CMcBasic* relation = m_parent;
  CMcBasic* y = relation->m_children[1];
  McMergeSign(y, m_flags);
  relation->SetChildAt(new CMcPower(y, m_children[1]->Clone(), 0), 1);
  relation->SetChildAt(McTakeChild(this, 0), 0);
  delete this;
}
