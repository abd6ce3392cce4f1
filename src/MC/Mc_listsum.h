#pragma once
// CMcListsum: a sum of two or more terms, kind kMcListsum ("Addition").
// A subtraction is not a node of its own: it is a term whose sign bits say
// minus (or plus-minus, minus-plus). A long sum wraps into lines; a signed sum,
// or a sum directly inside a sum, is drawn in parentheses.
// An empty sum (left so by the editor) evaluates to 0.
#include "MC/MC_BASIC.h"

class CMcListsum : public CMcBasic {
 public:
  explicit CMcListsum(WORD flags);

  // Reads a sum record after its type word; fewer than two terms, or a term
  // that does not load, yield no node.
  static CMcBasic* Load(CArchive& ar);

  BOOL Navigate(int direction, int modifier, McCursor* cursor) override;
  WORD GetType() const override;
  const char* GetName() const override;
  McComplex* Evaluate(McComplex* result, CQorexDoc* doc, CSIMsystem* sim) const override;
  void Draw(CDC* dc, int x, int y) const override;
  void Layout(CDC* dc, int mode) override;
  CMcBasic* Clone() const override;
  WORD Compare(const CMcBasic* other) const override;
  McComplex* EvaluateVector(CQorexDoc* doc) const override;

 private:
  // True when the sum shows its own inner parentheses (signed, or in a sum).
  bool HasInnerParens() const;
};
