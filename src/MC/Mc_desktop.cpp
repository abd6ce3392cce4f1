#include "MC/Mc_desktop.h"

#include "GlobalResources.h"
#include "platform/core/Archive.h"
#include "platform/gdi/DC.h"

#include <algorithm>

namespace {

// Distance between the union of the expressions and the desktop's edges.
constexpr int kDesktopMargin = 100;

CRect ChildRect(const CMcBasic* child) {
  const McBox& b = child->m_box;
  return CRect(b.x, b.y, b.x + b.width, b.y + b.height);
}

}  // namespace

BOOL CMcDesktop::Navigate(int, int, McCursor*) {
  return FALSE;
}

void CMcDesktop::Draw(CDC* dc, int x, int y) const {
  const int cx = x + m_box.x;
  const int cy = y + m_box.y;
  for (int i = 0; i < m_count; ++i) {
    CRect r = ChildRect(m_children[i]);
    r.OffsetRect(cx, cy);
    if (dc->RectVisible(&r)) m_children[i]->Draw(dc, cx, cy);
  }
}

void CMcDesktop::Layout(CDC* dc, int mode) {
  m_box = McBox{};
  if (mode == kMcLayoutFromTop) {
    for (int i = 0; i < m_count; ++i) {
      m_children[i]->SetLevel(0);
      m_children[i]->Layout(dc, kMcLayoutFromTop);
    }
  }
  Separate();
  CRect bounds(0, 0, 0, 0);
  for (int i = 0; i < m_count; ++i) {
    const CRect r = ChildRect(m_children[i]);
    if (i == 0) {
      bounds = r;
    } else {
      bounds.left = std::min(bounds.left, r.left);
      bounds.top = std::min(bounds.top, r.top);
      bounds.right = std::max(bounds.right, r.right);
      bounds.bottom = std::max(bounds.bottom, r.bottom);
    }
  }
  // The children keep their coordinates; the desktop moves around them.
  m_box.x = kDesktopMargin - bounds.left;
  m_box.y = kDesktopMargin - bounds.top;
  m_box.width = bounds.right - bounds.left + 2 * kDesktopMargin;
  m_box.height = bounds.bottom - bounds.top + 2 * kDesktopMargin;
}

// Child i stays put while it is the outer child; a move is applied to j and to
// every other child lying on the same side of the overlap's centre, so the
// expressions beyond j keep their order. Later pairs see earlier moves.
void CMcDesktop::Separate() {
  const int g = g_fontHeight[kFontItalic][0];
  for (int i = 0; i < m_count; ++i) {
    const CRect ri = ChildRect(m_children[i]);
    for (int j = i + 1; j < m_count; ++j) {
      const CRect rj = ChildRect(m_children[j]);
      CRect in;
      if (!IntersectRect(&in, &ri, &rj)) continue;
      if (EqualRect(&in, &rj))
        in = ri;
      else if (EqualRect(&in, &ri))
        in = rj;
      const bool horizontal = in.Height() > in.Width() / 2;
      const int centre2 = horizontal ? in.left + in.right : in.top + in.bottom;
      const bool towardsStart = centre2 < (horizontal ? ri.left + ri.right : ri.top + ri.bottom);
      int shift;
      if (horizontal)
        shift = towardsStart ? -(rj.right - ri.left + g) : ri.right - rj.left + g;
      else
        shift = towardsStart ? -(rj.bottom - ri.top + g) : ri.bottom - rj.top + g;
      for (int k = 0; k < m_count; ++k) {
        if (k == i) continue;
        McBox& b = m_children[k]->m_box;
        const int k2 = horizontal ? 2 * b.x + b.width : 2 * b.y + b.height;
        const bool sameSide = towardsStart ? k2 <= centre2 : k2 >= centre2;
        if (k != j && !sameSide) continue;
        (horizontal ? b.x : b.y) += shift;
      }
    }
  }
}

CMcBasic* CMcDesktop::Clone() const {
  CMcDesktop* copy = new CMcDesktop(m_flags);
  std::vector<CMcBasic*> clones;
  for (int i = 0; i < m_count; ++i) {
    if (CMcBasic* c = m_children[i]->Clone()) clones.push_back(c);
  }
  copy->AdoptChildren(clones);
  return copy;
}

CMcBasic* CMcDesktop::Load(CArchive& ar) {
  WORD count = 0, baseline = 0, flags = 0;
  McBox box;
  if (!LoadHeader(ar, &count, &box, &baseline, &flags)) return nullptr;
  std::vector<CMcBasic*> children;
  if (!LoadChildren(ar, count, children)) return nullptr;
  CMcDesktop* node = new CMcDesktop(flags);
  node->AdoptChildren(children);
  node->SetStoredLayout(box, baseline);
  return node;
}
