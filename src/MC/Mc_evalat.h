#pragma once
// CMcEvalat: "evaluate at", an expression (child 0) followed by a vertical
// bar with the lower value (child 1) at its bottom right and the upper value
// (child 2) at its top right. Type word 0x1000 ("Evaluate at"). Inside
// another expression the expression is enclosed in square brackets; the
// layout records that in flag bit 5 for the drawing. No numeric value: it
// evaluates as the base does, raising the error flag.
#include "MC/MC_BASIC.h"

class CMcEvalat : public CMcBasic {
 public:
  // Takes the three children.
  CMcEvalat(CMcBasic* expression, CMcBasic* lower, CMcBasic* upper, WORD flags);

  // Reads an evaluate-at record after its type word; a child count other than
  // 3, or a child that does not load, yields no node.
  static CMcBasic* Load(CArchive& ar);

  BOOL Navigate(int direction, int modifier, McCursor* cursor) override;
  WORD GetType() const override;
  const char* GetName() const override;
  void Draw(CDC* dc, int x, int y) const override;
  void Layout(CDC* dc, int mode) override;
  CMcBasic* Clone() const override;
  WORD Compare(const CMcBasic* other) const override;

  // Flag bit 5, written by the layout: the expression stands in brackets.
  bool HasBrackets() const { return (m_flags & kBracketBit) != 0; }
  static constexpr WORD kBracketBit = 0x20;
};
