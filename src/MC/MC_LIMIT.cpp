#include "MC/MC_LIMIT.h"

#include "MC/McComplex.h"
#include "MC/McKinds.h"
#include "MC/McLayout.h"
#include "platform/gdi/DC.h"

#include <algorithm>
#include <array>
#include <cmath>

namespace {

constexpr WORD kLimitType = McTypeWord(kMcLimit);
constexpr char kLimText[] = "lim";

// det [a0 a1 a2; b0 b1 b2; c0 c1 c2] by the first row.
McComplex Det3(const McComplex a[3], const McComplex b[3], const McComplex c[3]) {
  auto minor = [](const McComplex& p, const McComplex& q, const McComplex& r, const McComplex& s) {
    return McComplexSub(McComplexMul(p, s), McComplexMul(q, r));
  };
  McComplex d = McComplexMul(a[0], minor(b[1], b[2], c[1], c[2]));
  d = McComplexSub(d, McComplexMul(a[1], minor(b[0], b[2], c[0], c[2])));
  return McComplexAdd(d, McComplexMul(a[2], minor(b[0], b[1], c[0], c[1])));
}

}  // namespace

CMcLimit::CMcLimit(CMcBasic* expression, CMcBasic* approach, WORD flags) : CMcBasic(flags) {
  if (expression) AppendChild(expression);
  if (approach) AppendChild(approach);
}

CMcBasic* CMcLimit::Load(CArchive& ar) {
  return LoadPairAs(ar, [](CMcBasic* expression, CMcBasic* approach, WORD flags) -> CMcBasic* {
    return new CMcLimit(expression, approach, flags);
  });
}

WORD McCompareParts(const CMcBasic* node, const CMcBasic* other, WORD flagMask) {
  WORD code = node->GetSign() != other->GetSign() ? kMcDiffSign : 0;
  if ((node->m_flags ^ other->m_flags) & flagMask) code |= kMcDiffFlags;
  if (node->m_count != other->m_count) return static_cast<WORD>(code | kMcDiffCount);
  for (int i = 0; i < node->m_count; ++i) {
    if (node->m_children[i]->Compare(other->m_children[i]) != 0)
      return static_cast<WORD>(code | kMcDiffChild);
  }
  return code;
}

BOOL CMcLimit::Navigate(int direction, int modifier, McCursor* cursor) {
  if (m_count != 2) return CMcBasic::Navigate(direction, modifier, cursor);
  CMcBasic* expression = m_children[0];
  CMcBasic* approach = m_children[1];
  if (cursor->node == this)
    return NavigateOnFrame(direction, modifier, cursor, nullptr, approach, expression);
  if (cursor->node != expression && cursor->node != approach) return FALSE;
  const bool fromExpression = cursor->node == expression;
  switch (direction) {
    case kMcUp:
      return fromExpression ? PassOn(direction, modifier, cursor) : cursor->Place(expression, 0);
    case kMcDown:
      return fromExpression ? cursor->Place(approach, 1) : PassOn(direction, modifier, cursor);
    case kMcLeft:
      return cursor->fromSide == 0 ? cursor->Place(this, 0) : FALSE;
    default:
      return cursor->fromSide != 0 ? cursor->Place(this, 1) : FALSE;
  }
}

WORD CMcLimit::GetType() const {
  return kLimitType;
}

const char* CMcLimit::GetName() const {
  return "Limit";
}

bool CMcLimit::ExpressionNeedsParens() const {
  if (m_parent == nullptr) return false;
  const WORD parent = m_parent->GetType();
  return parent != McTypeWord(kMcGroup) && McKindOf(parent) != kMcEquality &&
         McKindOf(parent) != kMcListbody;
}

void CMcLimit::Layout(CDC* dc, int mode) {
  int h = 0, a = 0;
  if (!LayoutMainAndSmallerParts(dc, mode, 2, h, a)) return;
  CMcBasic* expression = m_children[0];
  CMcBasic* approach = m_children[1];
  const McBox& e = expression->m_box;
  const McBox& ap = approach->m_box;
  const CRect p =
      ExpressionNeedsParens() ? LayoutParens(e, expression->m_baseline) : CRect(0, 0, 0, 0);
  const int column = std::max<int>(h + 2, ap.width);
  m_baseline = static_cast<WORD>(expression->m_baseline + p.top);
  m_box.width = column + p.left + p.right + e.width;
  // The deeper of the expression (with its parentheses) and the approach.
  if (ap.height + (h - a) < e.height - expression->m_baseline + p.bottom)
    m_box.height = e.height + p.top + p.bottom;
  else
    m_box.height = m_baseline + ap.height + h - a;
  const CRect m = LayoutSignAndParens();
  expression->m_box.x = m_box.width - m.right - e.width - p.right;
  expression->m_box.y = m.top + p.top;
  approach->m_box.x = m.left + column / 2 - ap.width / 2;
  approach->m_box.y = m_baseline + h - a;
  RelayoutParent(dc, mode);
}

void CMcLimit::Draw(CDC* dc, int x, int y) const {
  x += m_box.x;
  y += m_box.y;
  if (m_count == 2 && ExpressionNeedsParens())
    DrawParens(dc, x, y, m_children[0]->m_box, m_children[0]->m_baseline);
  for (int i = 0; i < m_count; ++i) m_children[i]->Draw(dc, x, y);
  DrawSignAndParens(dc, x, y);
  if (m_count != 2) return;
  const int level = GetLevel();
  const int h = McFontHeight(kFontItalic, level);
  const McBox& ap = m_children[1]->m_box;
  McSelectFont(dc, kFontArial, level);
  dc->TextOut(x + ap.x + ap.width / 2 - (h + 2) / 2, y + m_baseline, kLimText, 3);
}

CMcBasic* CMcLimit::Clone() const {
  auto* copy = new CMcLimit(nullptr, nullptr, m_flags);
  for (int i = 0; i < m_count; ++i) copy->AppendChild(m_children[i]->Clone());
  return copy;
}

WORD CMcLimit::Compare(const CMcBasic* other) const {
  return ComparePair(other);
}

// The three points make the system's determinant, written as the product of
// the points' differences so that two coinciding points give exactly 0 (the
// expanded sum of six products may leave a rounding residue instead).
McComplex* CMcLimit::SolveComplex(McComplex* result, const McComplex values[3],
                                  const McComplex points[3], const McComplex& z) {
  const McComplex& x1 = points[0];
  const McComplex& x2 = points[1];
  const McComplex& x3 = points[2];
  const McComplex d =
      McComplexMul(McComplexMul(McComplexSub(x1, x2), McComplexSub(x1, x3)), McComplexSub(x2, x3));
  if (d.re == 0.0 && d.im == 0.0) {
    *result = McComplex{std::log(-1.0), 0.0};
    return result;
  }
  const McComplex one{1.0, 0.0};
  McComplex squares[3], powers[3], ones[3];
  for (int i = 0; i < 3; ++i) {
    squares[i] = McComplexMul(points[i], points[i]);
    powers[i] = points[i];
    ones[i] = one;
  }
  // Cramer's rule: the values take the place of one column at a time.
  auto row = [&](int i, const McComplex* c0, const McComplex* c1, const McComplex* c2) {
    return std::array<McComplex, 3>{c0[i], c1[i], c2[i]};
  };
  auto det = [&](const McComplex* c0, const McComplex* c1, const McComplex* c2) {
    const auto r0 = row(0, c0, c1, c2), r1 = row(1, c0, c1, c2), r2 = row(2, c0, c1, c2);
    return McComplexDiv(Det3(r0.data(), r1.data(), r2.data()), d);
  };
  const McComplex c2 = det(values, powers, ones);
  const McComplex c1 = det(squares, values, ones);
  const McComplex c0 = det(squares, powers, values);
  *result =
      McComplexAdd(McComplexAdd(McComplexMul(McComplexMul(c2, z), z), McComplexMul(c1, z)), c0);
  return result;
}
