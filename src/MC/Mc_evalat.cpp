#include "MC/Mc_evalat.h"

#include "GlobalResources.h"
#include "MC/MC_LIMIT.h"
#include "MC/McEditorFocus.h"
#include "MC/McKinds.h"
#include "MC/McLayout.h"
#include "platform/gdi/DC.h"

#include <algorithm>
#include <vector>

namespace {

constexpr WORD kEvalatType = McTypeWord(kMcEvalat);
// Gap between the expression and the values; the bar stands in it.
constexpr int kBarGap = 3;
// A node taller than this draws its bar and brackets with the wider pen.
constexpr int kThinPenHeight = 20;
// The brackets' arms are never shorter than this.
constexpr int kMinArm = 3;

}  // namespace

CMcEvalat::CMcEvalat(CMcBasic* expression, CMcBasic* lower, CMcBasic* upper, WORD flags)
    : CMcBasic(flags) {
  AppendParts({expression, lower, upper});
}

CMcBasic* CMcEvalat::Load(CArchive& ar) {
  return LoadTripleAs(
      ar, [](CMcBasic* expression, CMcBasic* lower, CMcBasic* upper, WORD flags) -> CMcBasic* {
        return new CMcEvalat(expression, lower, upper, flags);
      });
}

// The values stand in a column after the expression.
BOOL CMcEvalat::Navigate(int direction, int modifier, McCursor* cursor) {
  return NavigateWithColumn(direction, modifier, cursor, kColumnAfter);
}

WORD CMcEvalat::GetType() const {
  return kEvalatType;
}

const char* CMcEvalat::GetName() const {
  return "Evaluate at";
}

void CMcEvalat::Layout(CDC* dc, int mode) {
  int h = 0, a = 0;
  if (!LayoutMainAndSmallerParts(dc, mode, 3, h, a)) return;
  CMcBasic* expression = m_children[0];
  CMcBasic* lower = m_children[1];
  CMcBasic* upper = m_children[2];
  // Brackets everywhere but at the top of a formula or as an item of a list.
  const WORD parent = GetParentType();
  const bool brackets =
      m_parent != nullptr && parent != McTypeWord(kMcListbody) && parent != McTypeWord(kMcGroup);
  m_flags = static_cast<WORD>(brackets ? m_flags | kBracketBit : m_flags & ~kBracketBit);
  const int arm = brackets ? h / 4 : 0;
  const McBox& e = expression->m_box;
  m_box.width = std::max(lower->m_box.width, upper->m_box.width) + kBarGap + e.width + 2 * arm;
  m_box.height = lower->m_box.height + upper->m_box.height;
  if (m_box.height < e.height) {
    m_box.height = e.height;
    m_baseline = expression->m_baseline;
  } else {
    m_baseline = static_cast<WORD>(m_box.height / 2 - h / 2 + a);
  }
  const CRect m = LayoutSignAndParens();
  expression->m_box.x = m.left + arm;
  expression->m_box.y = m_baseline - expression->m_baseline;
  const int valuesX = expression->m_box.x + e.width + kBarGap + arm;
  lower->m_box.x = valuesX;
  lower->m_box.y = m_box.height - m.bottom - lower->m_box.height;
  upper->m_box.x = valuesX;
  upper->m_box.y = m.top;
  RelayoutParent(dc, mode);
}

void CMcEvalat::Draw(CDC* dc, int x, int y) const {
  x += m_box.x;
  y += m_box.y;
  if (m_count != 3) {
    for (int i = 0; i < m_count; ++i) m_children[i]->Draw(dc, x, y);
    DrawSignAndParens(dc, x, y);
    return;
  }
  const CMcBasic* upper = m_children[2];
  m_children[0]->Draw(dc, x, y);
  m_children[1]->Draw(dc, x, y);
  if (!McIsHiddenPlaceholder(upper)) upper->Draw(dc, x, y);
  const CRect m = DrawSignAndParens(dc, x, y);
  const int pen = m_box.height > kThinPenHeight ? 1 : 0;
  dc->SelectObject(g_pens[pen][ColorIndex(dc->GetTextColor())]);
  const int valuesX = x + m_children[1]->m_box.x;
  const int bottom = y + m_box.height - 1;
  dc->MoveTo(valuesX - 2, y);
  dc->LineTo(valuesX - 2, y + m_box.height);
  if (!HasBrackets()) return;
  const int q = std::max(McFontHeight(kFontItalic, GetLevel()) / 4, kMinArm);
  const int left = x + m.left;
  const POINT open[4] = {{left - 2 + q, y}, {left, y}, {left, bottom}, {left - 1 + q, bottom}};
  const POINT close[4] = {
      {valuesX - q - 2, y}, {valuesX - 4, y}, {valuesX - 4, bottom}, {valuesX - q - 3, bottom}};
  dc->Polyline(open, 4);
  dc->Polyline(close, 4);
}

CMcBasic* CMcEvalat::Clone() const {
  auto* copy = new CMcEvalat(nullptr, nullptr, nullptr, m_flags);
  for (int i = 0; i < m_count; ++i) copy->AppendChild(m_children[i]->Clone());
  return copy;
}

WORD CMcEvalat::Compare(const CMcBasic* other) const {
  if (other->GetType() != kEvalatType) return kMcDiffType;
  return McCompareParts(this, other, 0);
}
