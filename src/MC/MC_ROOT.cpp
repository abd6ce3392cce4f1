#include "MC/MC_ROOT.h"

#include "MC/MC_POWER.h"
#include "MC/MC_REAL.h"
#include "MC/McComplex.h"
#include "MC/McEditorFocus.h"
#include "MC/McKinds.h"
#include "MC/McLayout.h"
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
  *result = (m_flags & 1) ? McComplexNeg(value) : value;
  return result;
}

McComplex* CMcRoot::EvaluateVector(CQorexDoc* doc) const {
  if (m_count != 2) return CMcBasic::EvaluateVector(doc);
  const int n = McStepCount(doc);
  McComplex* degree = m_children[1]->EvaluateVector(doc);
  McComplex* radicand = m_children[0]->EvaluateVector(doc);
  const bool negate = (m_flags & 1) != 0;
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
  if (degree == McGetFocusedEditNode() || !McIsKind(degree, kMcReal)) return true;
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
  if (mode == 0) {
    radicand->SetLevel(level);
    radicand->Layout(dc, 0);
    degree->SetLevel(std::min(level + 1, 3));
    degree->Layout(dc, 0);
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
  CPen* old = dc->SelectObject(g_pens[level == 0 ? 1 : 0][ColorIndex(dc->GetTextColor())]);
  dc->Polyline(stroke, static_cast<int>(std::size(stroke)));
  if (old) dc->SelectObject(old);
}

CMcBasic* CMcRoot::Clone() const {
  if (m_count != 2) return new CMcRoot(nullptr, nullptr, m_flags);
  return new CMcRoot(m_children[0]->Clone(), m_children[1]->Clone(), m_flags);
}

WORD CMcRoot::Compare(const CMcBasic* other) const {
  return ComparePair(other);
}
