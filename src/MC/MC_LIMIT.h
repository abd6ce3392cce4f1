#pragma once
// CMcLimit: a limit, "lim" with the approach (child 1, for example x -> 0)
// written under it and the expression (child 0) after it. Type word 0x1400
// ("Limit"). Inside a formula the expression is put in parentheses; as the
// whole formula, a side of a relation or an item of a list it is not. A limit
// has no numeric value: it evaluates as the base does, raising the error flag.
//
// Also SolveComplex, the complex quadratic through three points.
#include "MC/MC_BASIC.h"

class CMcLimit : public CMcBasic {
 public:
  // Takes both children.
  CMcLimit(CMcBasic* expression, CMcBasic* approach, WORD flags);

  // Reads a limit record after its type word; a child count other than 2, or
  // a child that does not load, yields no node.
  static CMcBasic* Load(CArchive& ar);

  BOOL Navigate(int direction, int modifier, McCursor* cursor) override;
  WORD GetType() const override;
  const char* GetName() const override;
  void Draw(CDC* dc, int x, int y) const override;
  void Layout(CDC* dc, int mode) override;
  CMcBasic* Clone() const override;
  WORD Compare(const CMcBasic* other) const override;

  // Whether the expression is drawn in parentheses, decided by the parent.
  bool ExpressionNeedsParens() const;

  // The value at z of the complex quadratic c2 z^2 + c1 z + c0 through the
  // three points (points[i], values[i]); (NaN, 0) when two points coincide.
  // Returns result.
  static McComplex* SolveComplex(McComplex* result, const McComplex values[3],
                                 const McComplex points[3], const McComplex& z);
};

// Difference bits of two nodes of one type word with the same parts in the
// same order (summation, evaluate-at, domain, derivative, integral): signs, kind data under
// flagMask (kMcDiffFlags), counts, then the children pairwise in order.
WORD McCompareParts(const CMcBasic* node, const CMcBasic* other, WORD flagMask);
