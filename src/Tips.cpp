#include "Tips.h"

#include "GlobalResources.h"
#include "res/Sprites.h"
#include "platform/gdi/SelectGuard.h"

namespace {
constexpr int kLineHeight = 10;
constexpr int kGlyphX = 2;
constexpr int kTextX = 11;
constexpr int kMovesToClose = 4;
}  // namespace

BEGIN_MESSAGE_MAP(CTips, CWnd)
ON_WM_PAINT()
ON_WM_CREATE()
ON_WM_LBUTTONDOWN()
ON_WM_KEYDOWN()
ON_WM_KILLFOCUS()
ON_WM_RBUTTONDOWN()
ON_WM_MOUSEMOVE()
END_MESSAGE_MAP()

void CTips::Paint(CDC* pDC) {
  CRect client;
  GetClientRect(&client);
  if (g_nodeBrushes[3]) pDC->FillRect(&client, g_nodeBrushes[3]);
  QxSelectGuard font(pDC, g_pFontArial12);
  const int previousMode = pDC->SetBkMode(TRANSPARENT);
  const int lines = m_nLines < 0 ? 0 : (m_nLines > kMaxLines ? kMaxLines : m_nLines);
  for (int i = 0; i < lines; ++i) {
    const WORD code = m_wSymbols[i];
    const bool pole = (code & kPoleSymbol) != 0;
    const int row = code & 0x7FFF;
    if (g_pSpriteDC) {
      pDC->BitBlt(kGlyphX, kLineHeight * i + 2, kSpriteGlyphSize, kSpriteGlyphSize, g_pSpriteDC,
                  pole ? 0 : kSpriteGlyphSize, kSpriteGlyphSize * row, SRCAND);
    }
    pDC->TextOut(kTextX, kLineHeight * i, m_strLines[i]);
  }
  pDC->SetBkMode(previousMode);
}

int CTips::OnCreate(LPCREATESTRUCT lpCreateStruct) {
  if (CWnd::OnCreate(lpCreateStruct) == -1) return -1;
  m_nMoves = 0;
  Invalidate(TRUE);
  return 0;
}

void CTips::OnPaint() {
  CPaintDC dc(this);
  Paint(&dc);
}

void CTips::OnLButtonDown(UINT nFlags, CPoint point) {
  CWnd* parent = GetParent();
  HWND hParent = parent ? parent->GetSafeHwnd() : nullptr;
  if (parent) MapWindowPoints(parent, &point, 1);
  DestroyWindow();
  if (hParent && IsWindow(hParent)) {
    CWnd::FromHandle(hParent)->SendMessage(WM_LBUTTONDOWN, nFlags, MAKELPARAM(point.x, point.y));
  }
}

// The click only closes the tip; it does not reach the diagram.
void CTips::OnRButtonDown(UINT /*nFlags*/, CPoint /*point*/) {
  DestroyWindow();
}

void CTips::OnKeyDown(UINT /*nChar*/, UINT /*nRepCnt*/, UINT /*nFlags*/) {
  DestroyWindow();
}

void CTips::OnKillFocus(CWnd* pNewWnd) {
  CWnd::OnKillFocus(pNewWnd);
  DestroyWindow();
}

void CTips::OnMouseMove(UINT /*nFlags*/, CPoint /*point*/) {
  if (++m_nMoves >= kMovesToClose) DestroyWindow();
}
