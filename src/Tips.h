#pragma once
// CTips: the hover tip over the root-locus diagram: a bordered child window
// of the view with up to ten lines, each led by the 7 x 7 pole or zero glyph
// of its root's group. The view owns the object, fills the lines and creates
// the window afresh for each tip, giving it the focus and the capture; a click, a key, the loss of
// the focus or the fourth mouse move destroys the window (the object stays). A left click also
// reaches the diagram under the tip.
#include "platform/core/String.h"
#include "platform/ui/Wnd.h"

class CTips : public CWnd {
 public:
  static constexpr int kMaxLines = 10;
  // Bit 15 of a symbol code: a pole glyph (else a zero); bits 0-14: the
  // glyph's row in the sprite sheet.
  static constexpr WORD kPoleSymbol = 0x8000;

  CTips() = default;
  // Draws the tip into the context: patterned ground, glyphs, texts.
  void Paint(CDC* pDC);

  CString m_strLines[kMaxLines];
  WORD m_wSymbols[kMaxLines] = {};
  int m_nLines = 0;
  int m_nMoves = 0;  // mouse moves seen since the window was created

 protected:
  int OnCreate(LPCREATESTRUCT lpCreateStruct);
  void OnPaint();
  void OnLButtonDown(UINT nFlags, CPoint point);
  void OnRButtonDown(UINT nFlags, CPoint point);
  void OnKeyDown(UINT nChar, UINT nRepCnt, UINT nFlags);
  void OnKillFocus(CWnd* pNewWnd);
  void OnMouseMove(UINT nFlags, CPoint point);

  DECLARE_MESSAGE_MAP()
};
