#pragma once
// CMcPower: a base (child 0) raised to an exponent (child 1), kind kMcPower
// ("Power"). The exponent is drawn raised and one size level smaller, in one
// of three arrangements:
//  - over the end of a plain variable's name, above its subscript;
//  - between a plain function's (or logarithm's) name and its argument;
//  - to the upper right of any other base, which gets parentheses unless it
//    is an empty placeholder, a bracketing operator, a matrix or a number.
// In the first two the base tells the power where its name ends: while it is
// laid out it writes the exponent offset (pixels from the left edge of its
// content) into the high byte of the power's flags word.
#include "MC/MC_BASIC.h"

class CMcPower : public CMcBasic {
 public:
  // Takes both children.
  CMcPower(CMcBasic* base, CMcBasic* exponent, WORD flags);

  // Reads a power record after its type word; a child count other than 2, or
  // a child that does not load, yields no node.
  static CMcBasic* Load(CArchive& ar);

  // Called by a variable, function or logarithm while it is laid out: when
  // node is the base of a power, writes offset into the power's flags high
  // byte, clamped to 0 .. 255 (a base wider than 255 pixels keeps 255 rather
  // than wrapping to a small offset).
  static void WriteExponentOffset(CMcBasic* node, int offset);

  BOOL Navigate(int direction, int modifier, McCursor* cursor) override;
  WORD GetType() const override;
  const char* GetName() const override;
  McComplex* Evaluate(McComplex* result, CQorexDoc* doc, CSIMsystem* sim) const override;
  void Draw(CDC* dc, int x, int y) const override;
  void Layout(CDC* dc, int mode) override;
  CMcBasic* Clone() const override;
  WORD Compare(const CMcBasic* other) const override;
  McComplex* EvaluateVector(CQorexDoc* doc) const override;

  // Constant folding of the power in its parent's slot. Returns 1 when the
  // power was replaced (and deleted) or its children were rewritten in place,
  // 0 when nothing changed (also without a slot, or unfinished).
  WORD PerformPower();

  // The exponent offset the base last wrote (flags bits 8-15).
  int ExponentOffset() const { return m_flags >> 8; }

  enum Arrangement { kOverName = 0, kBetweenNameAndArgument = 1, kUpperRight = 2 };
  // The arrangement the base's kind and own sign select.
  Arrangement GetArrangement() const;
  // True when the upper-right arrangement puts the base in parentheses.
  bool BaseNeedsParens() const;
};

// base^exponent by the principal logarithm: 0 when the base is exactly 0 and
// the exponent's real part is positive; otherwise exp(e log b), so 0 to a
// power whose real part is 0 or negative is not a finite number.
McComplex McComplexPow(const McComplex& base, const McComplex& exponent);
