#include "MC/MC_NULL.h"

#include "GlobalResources.h"
#include "platform/core/Archive.h"
#include "platform/gdi/DC.h"

void CMcNull::Draw(CDC* dc, int x, int y) const {
  const int X = x + m_box.x;
  const int Y = y + m_box.y;
  CBrush* brush = g_nodeBrushes[ColorIndex(dc->GetTextColor())];
  const CRect margins = DrawSignAndParens(dc, X, Y);
  const int left = X + margins.left;
  const int right = X + m_box.width - margins.right;
  const int bottom = Y + m_box.height;
  // Four one-pixel strips; with the pattern brush they read as a dotted box.
  const CRect strips[4] = {
      {left + 1, Y + 1, left + 2, bottom},
      {right - 1, Y + 1, right, bottom},
      {left + 1, Y + 1, right, Y + 2},
      {left + 1, bottom - 1, right, bottom},
  };
  for (const CRect& strip : strips) dc->FillRect(&strip, brush);
}

void CMcNull::Layout(CDC* dc, int mode) {
  const int level = GetLevel();
  m_baseline = g_fontAscent[kFontItalic][level];
  m_box.height = g_fontHeight[kFontItalic][level];
  m_box.width = m_box.height / 2;
  LayoutSignAndParens();
  RelayoutParent(dc, mode);
}

WORD CMcNull::Compare(const CMcBasic* other) const {
  if (other->GetType() != GetType()) return kMcDiffType;
  return ((m_flags ^ other->m_flags) & kMcSignMask) ? kMcDiffSign : 0;
}

CMcBasic* CMcNull::Load(CArchive& ar) {
  WORD count = 0, baseline = 0, flags = 0;
  McBox box;
  if (!LoadHeader(ar, &count, &box, &baseline, &flags) || count != 0) return nullptr;
  CMcNull* node = new CMcNull(flags);
  node->SetStoredLayout(box, baseline);
  return node;
}
