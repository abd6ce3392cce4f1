#include "MC/Mc_listsum.h"

#include "MC/McComplex.h"
#include "MC/McLayout.h"

#include <algorithm>

namespace {

// Wrap limit in font heights: wide at the top of a formula or in a list body,
// narrower inside anything else.
constexpr int kWideWrapHeights = 30;
constexpr int kNarrowWrapHeights = 18;

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
  *result = (m_flags & 1) ? McComplexNeg(sum) : sum;
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
  if (m_flags & 1) {
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
    if (mode == 0) {
      term->SetLevel(std::min(level, 3));
      term->Layout(dc, 0);
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
