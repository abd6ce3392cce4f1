#include "MC/MC_SUM.h"

#include "MC/MC_LIMIT.h"
#include "MC/MXC_TERM.h"
#include "MC/McEditorFocus.h"
#include "MC/McKinds.h"
#include "MC/McLayout.h"
#include "platform/gdi/DC.h"

#include <algorithm>

namespace {

constexpr char kSummationGlyph = '\xE5';  // Symbol code page: large sigma
constexpr char kProductGlyph = '\xD5';    // large pi

// An empty placeholder that is not the editor's caret node is hidden.
bool Hidden(const CMcBasic* part) {
  return McIsHiddenPlaceholder(part);
}

}  // namespace

CMcSum::CMcSum(CMcBasic* term, CMcBasic* lower, CMcBasic* upper, WORD flags) : CMcBasic(flags) {
  AppendParts({term, lower, upper});
}

CMcBasic* CMcSum::Load(CArchive& ar) {
  return LoadTripleAs(
      ar, [](CMcBasic* term, CMcBasic* lower, CMcBasic* upper, WORD flags) -> CMcBasic* {
        return new CMcSum(term, lower, upper, flags);
      });
}

// The limits stand in a column before the term.
BOOL CMcSum::Navigate(int direction, int modifier, McCursor* cursor) {
  return NavigateWithColumn(direction, modifier, cursor, kColumnBefore);
}

WORD CMcSum::GetType() const {
  return McTypeWord(kMcSum, IsProduct() ? 2 : 1);
}

const char* CMcSum::GetName() const {
  return IsProduct() ? "Product" : "Summation";
}

int CMcSum::LimitMode() const {
  if (m_count != 3) return 0;
  if (!Hidden(m_children[2])) return 2;
  return Hidden(m_children[1]) ? 0 : 1;
}

bool CMcSum::TermNeedsParens() const {
  if (m_count != 3) return false;
  const CMcBasic* term = m_children[0];
  if (term->GetSign() != 0) return true;
  const WORD type = term->GetType();
  switch (McKindOf(type)) {
    case kMcSum:
    case kMcIntegral:
      return false;
    case kMcOperator:  // absolute value, norm, floor, ceiling and their kin
      return type < McTypeWord(kMcOperator, 1) || type > McTypeWord(kMcOperator, 5);
    default:
      break;
  }
  for (McKindCode plain : {kMcRoot, kMcPower, kMcNull, kMcReal, kMcVariable, kMcLog, kMcFunction})
    if (type == McTypeWord(plain)) return false;
  return true;
}

void CMcSum::Layout(CDC* dc, int mode) {
  int h = 0, a = 0;
  if (!LayoutMainAndSmallerParts(dc, mode, 3, h, a)) return;
  CMcBasic* term = m_children[0];
  CMcBasic* lower = m_children[1];
  CMcBasic* upper = m_children[2];
  const int limits = LimitMode();
  const McBox& t = term->m_box;
  const CRect p = TermNeedsParens() ? LayoutParens(t, term->m_baseline) : CRect(0, 0, 0, 0);
  // Hidden limits still widen the column.
  const int column = std::max(
      {(2 * h) / 3, static_cast<int>(lower->m_box.width), static_cast<int>(upper->m_box.width)});
  m_box.width = column + p.left + p.right + t.width;
  int baseline = term->m_baseline + p.top;
  if (limits == 2) baseline = std::max<int>(baseline, upper->m_box.height + a);
  int descent = t.height - term->m_baseline + p.bottom;
  if (limits != 0) descent = std::max<int>(descent, lower->m_box.height + h - a);
  m_baseline = static_cast<WORD>(baseline);
  m_box.height = baseline + descent;
  const CRect m = LayoutSignAndParens();
  term->m_box.x = m_box.width - m.right - t.width - p.right;
  term->m_box.y = m_baseline - term->m_baseline;
  lower->m_box.x = column / 2 - lower->m_box.width / 2 + m.left;
  lower->m_box.y = m_baseline + h - a;
  upper->m_box.x = column / 2 - upper->m_box.width / 2 + m.left;
  upper->m_box.y = m_baseline - a - upper->m_box.height;
  RelayoutParent(dc, mode);
}

void CMcSum::Draw(CDC* dc, int x, int y) const {
  x += m_box.x;
  y += m_box.y;
  if (m_count != 3) {
    for (int i = 0; i < m_count; ++i) m_children[i]->Draw(dc, x, y);
    DrawSignAndParens(dc, x, y);
    return;
  }
  const CMcBasic* term = m_children[0];
  const CMcBasic* lower = m_children[1];
  const int limits = LimitMode();
  if (TermNeedsParens()) DrawParens(dc, x, y, term->m_box, term->m_baseline);
  term->Draw(dc, x, y);
  if (limits >= 1) lower->Draw(dc, x, y);
  if (limits == 2) m_children[2]->Draw(dc, x, y);
  DrawSignAndParens(dc, x, y);
  const int level = GetLevel();
  const int signWidth = (2 * McFontHeight(kFontItalic, level)) / 3;
  const char glyph = IsProduct() ? kProductGlyph : kSummationGlyph;
  McSelectFont(dc, kFontSymbol, level);
  dc->TextOut(x + lower->m_box.x + lower->m_box.width / 2 - signWidth / 2, y + m_baseline, &glyph,
              1);
}

CMcBasic* CMcSum::Clone() const {
  auto* copy = new CMcSum(nullptr, nullptr, nullptr, m_flags);
  for (int i = 0; i < m_count; ++i) copy->AppendChild(m_children[i]->Clone());
  return copy;
}

// The whole type word counts: a product never matches a summation.
WORD CMcSum::Compare(const CMcBasic* other) const {
  if (other->GetType() != GetType()) return kMcDiffType;
  return McCompareParts(this, other, 0);
}

CMcBasic* CMcSum::Differentiate(CMcBasic* variable, unsigned options) {
  if (m_count != 3 || IsProduct()) return CMcBasic::Differentiate(variable, options);
  return CMXC_TERM::Simplify(new CMcSum(McDerivativeOf(m_children[0], variable, options),
                                        m_children[1]->Clone(), m_children[2]->Clone(), m_flags));
}
