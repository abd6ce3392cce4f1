#pragma once
// CMcDeclaration: a formula (child 0) followed, at the next tab stop, by a
// condition in parentheses (child 1): f(t)    (t > 0). Kind kMcDeclaration
// ("Declaration"). Its value is the formula's where the condition is not
// zero, and undefined (NaN) where the condition is zero or NaN.
#include "MC/MC_BASIC.h"

class CMcDeclaration : public CMcBasic {
 public:
  // Takes both children.
  CMcDeclaration(CMcBasic* formula, CMcBasic* condition, WORD flags);

  // Reads a declaration record after its type word; a child count other than
  // 2, or a child that does not load, yields no node.
  static CMcBasic* Load(CArchive& ar);

  BOOL Navigate(int direction, int modifier, McCursor* cursor) override;
  WORD GetType() const override;
  const char* GetName() const override;
  McComplex* Evaluate(McComplex* result, CQorexDoc* doc, CSIMsystem* sim) const override;
  void Draw(CDC* dc, int x, int y) const override;
  void Layout(CDC* dc, int mode) override;
  CMcBasic* Clone() const override;
  WORD Compare(const CMcBasic* other) const override;
  // The formula's derivative, carrying the declaration's sign, under the same
  // condition (which is not differentiated).
  CMcBasic* Differentiate(CMcBasic* variable, unsigned options) override;
  McComplex* EvaluateVector(CQorexDoc* doc) const override;

  // The tab unit: eight font heights of the node's level.
  int TabUnit() const;
  // Where the condition's parentheses start (from the content's left edge)
  // behind a formula of the given width: the first tab stop beyond the
  // formula plus two font heights.
  int ConditionStart(int formulaWidth) const;
};
