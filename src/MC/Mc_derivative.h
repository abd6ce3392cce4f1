#pragma once
// CMcDerivative: the total or partial derivative of an expression (child 0)
// by one or more variables (children 1 ..), type word 0x1200 ("Derivative",
// "Partial derivative" with flag bit 4). A derivative the editor has just
// made has no children and is drawn as a "D"; one with exactly one child
// (which no editor action leaves) is treated the same way.
//
// Three written forms: 0, the operator form d/dx before the parenthesised
// expression; 1, the expression in the numerator (dy/dx), for an unsigned
// variable, or an unsigned function or matrix row of unsigned variables; 2,
// the bare fraction of differentials, for an empty expression without the
// caret. Repeated equal variables are written once with the order (d3y/dx3).
// Layout records its choice in flag bit 14 (equal variables) and bit 15 (form
// 1), which the record keeps like every flag.
//
// No numeric value: evaluation reports the base's error. Record: the common
// header and the children; one child is refused.
#include "MC/MC_BASIC.h"

class CMcDerivative : public CMcBasic {
 public:
  explicit CMcDerivative(WORD flags);

  // Reads a derivative record after its type word; exactly one child, or a
  // child that does not load, yields no node.
  static CMcBasic* Load(CArchive& ar);

  BOOL Navigate(int direction, int modifier, McCursor* cursor) override;
  WORD GetType() const override;
  const char* GetName() const override;
  void Draw(CDC* dc, int x, int y) const override;
  void Layout(CDC* dc, int mode) override;
  CMcBasic* Clone() const override;
  // Sign (1), partial bit (2), child count (0x18) or the first differing
  // child (8).
  WORD Compare(const CMcBasic* other) const override;
  // Differentiating again the same way (partially a partial derivative,
  // totally a total one) appends the variable, raising the order; otherwise
  // the derivative is wrapped in a new one.
  CMcBasic* Differentiate(CMcBasic* variable, unsigned options) override;
  // The derivative of a number or a constant is 0, of the variable itself
  // +-1, and a partial derivative of an expression without the variable 0;
  // otherwise the expression's sign moves onto the derivative. Returns 1 when
  // the derivative was replaced and deleted.
  WORD Perform() override;
  // df/dx = R, the derivative being the left side of a relation, becomes
  // f = (integral of R over x), one integral per variable, the derivative's
  // sign on the outermost.
  void Isolate(int which) override;

  enum Form { kOperatorForm = 0, kNumeratorForm = 1, kBareForm = 2 };
  // The form the expression selects (meaningful with an expression and a
  // variable).
  Form GetForm() const;
  // True with an expression and at least one variable; anything less is
  // drawn as the childless "D".
  bool IsComplete() const { return m_count >= 2; }
  bool IsPartial() const { return (m_flags & kMcVariant) != 0; }
  // Layout marks: all variables equal, and the expression in the numerator.
  bool HasEqualVariables() const { return (m_flags & kMcHighMark) != 0; }
  bool IsNumeratorForm() const { return (m_flags & kMcHighestMark) != 0; }

 private:
  void LayoutChildless(CDC* dc, int mode);
  void DrawChildless(CDC* dc, int x, int y) const;
  // Width of the order text (the variable count, "%d") at the smaller level;
  // 0 with a single variable.
  int OrderWidth(CDC* dc) const;
  bool VariablesAllEqual() const;
  // The differential glyph "d" (or the partial sign) with its right edge or
  // left edge at x, as the current alignment says, on baseline y.
  void DrawDifferential(CDC* dc, int x, int y) const;
  // The order text, raised by a third of its font height, starting at x.
  void DrawOrder(CDC* dc, int x, int y) const;
};
