#include "MC/Mc_derivative.h"

#include "MC/MC_NULL.h"
#include "MC/MC_REAL.h"
#include "MC/MXC_BIN.h"
#include "MC/MXC_TERM.h"
#include "MC/McEditorFocus.h"
#include "MC/McKinds.h"
#include "MC/MC_LIMIT.h"
#include "MC/McLayout.h"
#include "MC/Mc_integral.h"
#include "platform/gdi/SelectGuard.h"
#include "platform/core/Archive.h"
#include "platform/gdi/DC.h"

#include <algorithm>
#include <climits>
#include <cstdio>
#include <vector>

namespace {

constexpr WORD kPartialBit = 0x10;
constexpr WORD kEqualVariablesBit = 0x4000;
constexpr WORD kNumeratorFormBit = 0x8000;

// A matrix row or a function whose parts are all plain unsigned variables
// reads as one name (f(x, y)) and can stand in the numerator.
bool IsNameLike(const CMcBasic* expression) {
  if (expression->GetType() != McTypeWord(kMcMatrix, 2) && !McIsKind(expression, kMcFunction))
    return false;
  for (int i = 0; i < expression->m_count; ++i) {
    const CMcBasic* part = expression->m_children[i];
    if (!McIsKind(part, kMcVariable) || part->GetSign() != 0) return false;
  }
  return true;
}

}  // namespace

CMcDerivative::CMcDerivative(WORD flags) : CMcBasic(flags) {}

CMcBasic* CMcDerivative::Load(CArchive& ar) {
  WORD count = 0, baseline = 0, flags = 0;
  McBox box;
  if (!LoadHeader(ar, &count, &box, &baseline, &flags) || count == 1) return nullptr;
  std::vector<CMcBasic*> children;
  if (!LoadChildren(ar, count, children)) return nullptr;
  auto* node = new CMcDerivative(flags);
  node->AdoptChildren(children);
  node->SetStoredLayout(box, baseline);
  return node;
}

WORD CMcDerivative::GetType() const {
  return McTypeWord(kMcDerivative);
}

const char* CMcDerivative::GetName() const {
  return IsPartial() ? "Partial derivative" : "Derivative";
}

CMcDerivative::Form CMcDerivative::GetForm() const {
  if (!IsComplete()) return kOperatorForm;
  const CMcBasic* expression = m_children[0];
  if (expression->GetSign() != 0) return kOperatorForm;
  if (McIsKind(expression, kMcVariable) || IsNameLike(expression)) return kNumeratorForm;
  if (McIsHiddenPlaceholder(expression)) return kBareForm;
  return kOperatorForm;
}

bool CMcDerivative::VariablesAllEqual() const {
  for (int i = 2; i < m_count; ++i) {
    if (m_children[1]->Compare(m_children[i]) != 0) return false;
  }
  return true;
}

int CMcDerivative::OrderWidth(CDC* dc) const {
  if (m_count < 3) return 0;
  CDC* measure = g_pMeasureDC ? g_pMeasureDC : dc;
  if (measure == nullptr) return 0;
  char text[8];
  const int length = std::snprintf(text, sizeof text, "%d", m_count - 1);
  McSelectFont(measure, kFontNumber, McSmallerLevel(GetLevel()));
  return measure->GetTextExtent(text, length).cx;
}

// ---- caret ---------------------------------------------------------------------

BOOL CMcDerivative::Navigate(int direction, int modifier, McCursor* cursor) {
  if (!IsComplete()) return CMcBasic::Navigate(direction, modifier, cursor);
  CMcBasic* expression = m_children[0];
  CMcBasic* first = m_children[1];
  if (cursor->node == this)
    return NavigateOnFrame(direction, modifier, cursor, expression, first, expression);
  const int i = IndexOfChild(cursor->node);
  if (i < 0) return FALSE;
  const int last = m_count - 1;
  switch (direction) {
    case kMcUp:
      return i == 0 ? PassOn(direction, modifier, cursor)
                    : cursor->Place(expression, cursor->fromSide);
    case kMcDown:
      if (i != 0) return PassOn(direction, modifier, cursor);
      return cursor->Place(cursor->fromSide == 0 ? first : m_children[last], cursor->fromSide);
    case kMcLeft:
      return i <= 1 ? cursor->Place(this, 0) : cursor->Place(m_children[i - 1], 1);
    default:
      return i == 0 || i == last ? cursor->Place(this, 1) : cursor->Place(m_children[i + 1], 0);
  }
}

// ---- layout ----------------------------------------------------------------------

// The childless derivative is a "D" one bold cell high and half as wide.
void CMcDerivative::LayoutChildless(CDC* dc, int mode) {
  const int level = GetLevel();
  m_box.height = McFontHeight(kFontBold, level);
  m_box.width = m_box.height / 2;
  m_baseline = static_cast<WORD>(McFontAscent(kFontBold, level));
  LayoutSignAndParens();
  RelayoutParent(dc, mode);
}

void CMcDerivative::Layout(CDC* dc, int mode) {
  if (!IsComplete()) {
    LayoutChildless(dc, mode);
    return;
  }
  const int level = GetLevel();
  const int h = McFontHeight(kFontItalic, level);
  const int a = McFontAscent(kFontItalic, level);
  CMcBasic* expression = m_children[0];
  if (mode == kMcLayoutFromTop) {
    for (int i = 0; i < m_count; ++i) {
      m_children[i]->SetLevel(level);
      m_children[i]->Layout(dc, kMcLayoutFromTop);
    }
  }
  // The variables' row: total width, deepest ascent and descent.
  int widths = 0, ascent = INT_MIN, descent = INT_MIN;
  for (int i = 1; i < m_count; ++i) {
    const CMcBasic* v = m_children[i];
    widths += v->m_box.width;
    ascent = std::max(ascent, static_cast<int>(v->m_baseline));
    descent = std::max(descent, static_cast<int>(v->m_box.height - v->m_baseline));
  }
  const int variables = m_count - 1;
  const bool equal = VariablesAllEqual();
  const int order = OrderWidth(dc);
  int numerator = h / 2 + order;
  const int denominator =
      equal ? m_children[1]->m_box.width + order + h / 2 : widths + variables * (h / 2);
  int baseline = h - h / 2 + a + 1 + h / 12;
  const Form form = GetForm();
  const McBox e = expression->m_box;
  CRect p(0, 0, 0, 0);
  if (form == kOperatorForm) {
    p = LayoutParens(e, expression->m_baseline);
    m_box.width = denominator + p.left + p.right + e.width + h / 10;
    baseline = std::max(baseline, static_cast<int>(p.top + expression->m_baseline));
    const int below = std::max(ascent + descent + 1 + h / 12 - (a - h / 2),
                               static_cast<int>(e.height - expression->m_baseline + p.bottom));
    m_box.height = below + baseline;
  } else {
    m_box.height = h + descent + ascent + 2 + h / 6;
    if (form == kNumeratorForm) numerator += e.width;
    m_box.width = std::max(denominator, numerator);
  }
  m_baseline = static_cast<WORD>(baseline);
  const CRect m = LayoutSignAndParens();
  m_flags &= ~(kEqualVariablesBit | kNumeratorFormBit);

  // The denominator: each variable after its own differential, or one
  // differential with the order before a single drawn variable.
  const int denominatorBaseline = h / 12 + 1 + h / 2 + ascent + (m_baseline - a);
  int at = m.left + h / 2 + (denominator < numerator ? numerator / 2 - denominator / 2 : 0);
  if (equal) m_flags |= kEqualVariablesBit;
  for (int i = 1; i < m_count; ++i) {
    CMcBasic* v = m_children[i];
    v->m_box.x = equal ? at + order : at;
    v->m_box.y = denominatorBaseline - v->m_baseline;
    if (!equal) at += h / 2 + v->m_box.width;
  }
  if (form == kNumeratorForm) {
    m_flags |= kNumeratorFormBit;
    expression->m_box.x =
        m.left + h / 2 + order + (numerator < denominator ? denominator / 2 - numerator / 2 : 0);
    expression->m_box.y = m.top;
  } else {
    expression->m_box.x = m.left + p.left + std::max(denominator, numerator) + h / 10;
    expression->m_box.y = m_baseline - expression->m_baseline;
  }
  RelayoutParent(dc, mode);
}

// ---- drawing -----------------------------------------------------------------------

void CMcDerivative::DrawChildless(CDC* dc, int x, int y) const {
  const int left = DrawSignAndParens(dc, x, y).left;
  McSelectFont(dc, kFontNumber, GetLevel());
  dc->TextOut(x + left, y + m_baseline, "D", 1);
  if (m_flags & kMcBit3) dc->SetTextColor(g_nodeColors[0]);
}

void CMcDerivative::DrawDifferential(CDC* dc, int x, int y) const {
  McDrawDifferential(dc, x, y, IsPartial(), GetLevel());
}

void CMcDerivative::DrawOrder(CDC* dc, int x, int y) const {
  const int smaller = McSmallerLevel(GetLevel());
  char text[8];
  const int length = std::snprintf(text, sizeof text, "%d", m_count - 1);
  McSelectFont(dc, kFontNumber, smaller);
  dc->TextOut(x, y - McFontHeight(kFontItalic, smaller) / 3, text, length);
}

void CMcDerivative::Draw(CDC* dc, int x, int y) const {
  x += m_box.x;
  y += m_box.y;
  if (!IsComplete()) {
    DrawChildless(dc, x, y);
    return;
  }
  const int level = GetLevel();
  const int h = McFontHeight(kFontItalic, level);
  const int a = McFontAscent(kFontItalic, level);
  const CMcBasic* expression = m_children[0];
  const CMcBasic* first = m_children[1];
  const bool numeratorForm = IsNumeratorForm();
  const bool bare = !numeratorForm && GetForm() == kBareForm;
  const bool ordered = m_count > 2;
  CRect p(0, 0, 0, 0);
  if (!bare) {
    if (!numeratorForm) p = DrawParens(dc, x, y, expression->m_box, expression->m_baseline);
    expression->Draw(dc, x, y);
  }
  first->Draw(dc, x, y);
  const CRect m = DrawSignAndParens(dc, x, y);
  const int order = OrderWidth(dc);

  // Numerator: the differential and the order, over the expression's name or
  // centred over the fraction.
  int nx, ny;
  if (numeratorForm) {
    nx = x + expression->m_box.x - h / 2 - order;
    ny = y + m.top + a;
  } else {
    const int span = expression->m_box.x - p.left - m.left - h / 10;
    nx = x + m.left + span / 2 - (h / 2 + order) / 2;
    ny = y + m_baseline + h / 2 - h / 12 - 1 - h;
  }
  DrawDifferential(dc, nx, ny);
  if (ordered) DrawOrder(dc, nx + h / 2, ny);

  // Denominator.
  if (HasEqualVariables()) {
    const int gx = x + first->m_box.x - h / 2 - order;
    const int gy = y + first->m_box.y + first->m_baseline;
    DrawDifferential(dc, gx, gy);
    if (ordered) DrawOrder(dc, gx + h / 2, gy);
  } else {
    {
      McAlignGuard align(dc, TA_RIGHT | TA_BASELINE);
      for (int i = 1; i < m_count; ++i) {
        const CMcBasic* v = m_children[i];
        DrawDifferential(dc, x + v->m_box.x, y + v->m_box.y + v->m_baseline);
      }
    }
    for (int i = 2; i < m_count; ++i) m_children[i]->Draw(dc, x, y);
  }

  // Fraction bar, short of the parenthesised expression in the operator form.
  int right = x + m_box.width - m.right;
  if (!numeratorForm && !bare) right -= p.left + p.right + expression->m_box.width;
  const int barY = y + m_baseline - a + h / 2;
  QxSelectGuard pen(dc, g_pens[1][ColorIndex(dc->GetTextColor())]);
  dc->MoveTo(x + m.left, barY);
  dc->LineTo(right, barY);
}

// ---- copies and comparison ------------------------------------------------------------

CMcBasic* CMcDerivative::Clone() const {
  std::vector<CMcBasic*> children;
  for (int i = 0; i < m_count; ++i) children.push_back(m_children[i]->Clone());
  auto* copy = new CMcDerivative(m_flags);
  copy->AdoptChildren(children);
  return copy;
}

WORD CMcDerivative::Compare(const CMcBasic* other) const {
  if (other->GetType() != GetType()) return kMcDiffType;
  return McCompareParts(this, other, kPartialBit);
}

// ---- symbolic operations -----------------------------------------------------------

CMcBasic* CMcDerivative::Differentiate(CMcBasic* variable, unsigned options) {
  if (!IsComplete() || ((options & 1) != 0) != IsPartial())
    return CMcBasic::Differentiate(variable, options);
  CMcBasic* higher = Clone();
  higher->AppendChild(variable->Clone());
  return CMXC_TERM::Simplify(higher);
}

WORD CMcDerivative::Perform() {
  if (McSlotOf(this) < 0) return 0;
  for (int i = 0; i < m_count; ++i) m_children[i]->Perform();
  if (!IsComplete()) return 0;
  CMcBasic* expression = m_children[0];
  auto replaceBy = [this](CMcBasic* x) -> WORD {
    if (McReplaceNode(this, x)) return 1;
    delete x;
    return 0;
  };
  if (McIsNumber(expression) ||
      (McIsKind(expression, kMcVariable) && (expression->m_flags & kMcConstant)))
    return replaceBy(new CMcReal(0.0, 0));
  if (m_count == 2 && McIsKind(expression, kMcVariable) && m_children[1]->Compare(expression) < 2) {
    auto* one = new CMcReal(1.0, GetSign());
    McMergeSign(one, expression->m_flags);
    return replaceBy(one);
  }
  if (IsPartial()) {
    // The distinct variables of the expression; a partial derivative by a
    // variable that is not among them is 0.
    CMXC_BIN found;
    found.CollectMatching(expression, McTypeWord(kMcVariable), 0xFF00);
    for (int i = 1; i < m_count; ++i) {
      const CMcBasic* by = m_children[i];
      if (!McIsKind(by, kMcVariable)) continue;
      bool occurs = false;
      for (int k = 0; k < found.GetCount() && !occurs; ++k)
        occurs = found.GetAt(k)->Compare(by) < 2;
      if (!occurs) return replaceBy(new CMcReal(0.0, 0));
    }
  }
  McMergeSign(this, expression->m_flags);
  expression->m_flags &= static_cast<WORD>(~kMcSignMask);
  return 0;
}

void CMcDerivative::Isolate(int) {
  if (!IsComplete() || !McCanIsolate(this, 0)) return;
  CMcBasic* relation = m_parent;
  CMcBasic* side = relation->m_children[1];
  for (int i = 1; i < m_count; ++i)
    side = new CMcIntegral(side, new CMcNull(0), new CMcNull(0), m_children[i],
                           static_cast<WORD>(m_flags & kMcVariant));
  McMergeSign(side, m_flags);
  CMcBasic* expression = m_children[0];
  // The children live on in the relation: drop the array without them.
  delete[] m_children;
  m_children = nullptr;
  m_count = 0;
  relation->SetChildAt(side, 1);
  relation->SetChildAt(expression, 0);
  delete this;
}
