#pragma once
// CMcSum: a summation or product over a range, a large sign with the lower
// limit (child 1) under it and the upper limit (child 2) over it, then the
// term (child 0). Flag bit 4 makes it a product. Type words 0x1501
// ("Summation") and 0x1502 ("Product"). Limits left empty outside the
// editor's caret are hidden and take no height, though the sign's column
// stays as wide as they are. No numeric value: it evaluates as the base does,
// raising the error flag.
#include "MC/MC_BASIC.h"

class CMcSum : public CMcBasic {
 public:
  // Takes the three children.
  CMcSum(CMcBasic* term, CMcBasic* lower, CMcBasic* upper, WORD flags);

  // Reads a summation record after its type word; a child count other than 3,
  // or a child that does not load, yields no node.
  static CMcBasic* Load(CArchive& ar);

  BOOL Navigate(int direction, int modifier, McCursor* cursor) override;
  WORD GetType() const override;
  const char* GetName() const override;
  void Draw(CDC* dc, int x, int y) const override;
  void Layout(CDC* dc, int mode) override;
  CMcBasic* Clone() const override;
  WORD Compare(const CMcBasic* other) const override;
  // A summation: the summation of the term's derivative over the same
  // limits, simplified. A product stays a formal derivative.
  CMcBasic* Differentiate(CMcBasic* variable, unsigned options) override;

  bool IsProduct() const { return (m_flags & kMcVariant) != 0; }
  // Which limits are shown: 2 both (the upper one is not hidden), 1 the lower
  // one only, 0 none.
  int LimitMode() const;
  // Whether the term is drawn in parentheses: when it has a sign or is not
  // of a kind that delimits itself.
  bool TermNeedsParens() const;
};
