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
  // The power rule for a constant exponent, the exponential rule for a
  // constant base, both otherwise; simplified.
  CMcBasic* Differentiate(CMcBasic* variable, unsigned options) override;
  McComplex* EvaluateVector(CQorexDoc* doc) const override;
  // Through the term engine; the result, when a power, is folded. 1: the
  // power was replaced and deleted.
  WORD Perform() override;
  // Drops the exponent 1 (the base takes the power's sign) and makes x^0 1.
  void Tidy() override;
  // As the left side of a relation b^e = y: which 1 gives e = log_b y; which
  // 0 gives b = +-root(y) for an even whole exponent (y^-1 under the root for
  // a negative one), else b = y^(1/e). An exponent 0 cannot be solved for the
  // base and stays.
  void Isolate(int which) override;

  // Constant folding of the power in its parent's slot, by the first rule
  // that applies: exponent NaN, 0 or 1; a number base (NaN, 1, +-1 to a whole
  // power, 0, and whole results: 4^0.5 -> 2, 2^-3 -> 8^-1); j to a whole
  // power; 1 to any power; both sides written constants with a whole result;
  // b^log_b(x) -> x. Returns 1 when the power was replaced (and deleted) or
  // rewritten as the reciprocal of a whole number (2^-3 -> 8^-1); 0 when it
  // stays a power of the same form: unchanged (also without a slot, or
  // unfinished), or b^-log_b(x) rewritten in place as x^-1.
  WORD PerformPower();

  // The exponent offset the base last wrote (flags bits 8-15).
  int ExponentOffset() const { return McKindData(m_flags); }

  enum Arrangement { kOverName = 0, kBetweenNameAndArgument = 1, kUpperRight = 2 };
  // The arrangement the base's kind and own sign select.
  Arrangement GetArrangement() const;
  // True when the upper-right arrangement puts the base in parentheses.
  bool BaseNeedsParens() const;

 private:
  // The rules of PerformPower for a number exponent; -1 when none applied.
  int FoldNumberExponent();
  // The rules for two written constants and for a logarithm exponent.
  WORD FoldConstants();
  WORD FoldLogExponent();
  // Puts node in the power's slot and deletes the power; 1.
  WORD ReplaceBy(CMcBasic* node);
};

// base^exponent by the principal logarithm: 0 when the base is exactly 0 and
// the exponent's real part is positive; otherwise exp(e log b), so 0 to a
// power whose real part is 0 or negative is not a finite number.
McComplex McComplexPow(const McComplex& base, const McComplex& exponent);
