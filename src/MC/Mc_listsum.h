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
  // Term by term, simplified.
  CMcBasic* Differentiate(CMcBasic* variable, unsigned options) override;
  McComplex* EvaluateVector(CQorexDoc* doc) const override;
  // Distributes the sum's minus, performs and splices the terms, adds the
  // numeric coefficients (a number, or a fraction of two numbers) of the
  // constants and of like terms (equal up to sign), drops zeros. 1 when one
  // term or none was left and the sum was replaced (and deleted).
  WORD Perform() override;
  // Splices nested sums and drops terms 0; one term left takes the sum's
  // place.
  void Tidy() override;
  // As the left side of a relation a + b + c = R: term which moves across,
  // -b = a - R + c.
  void Isolate(int which) override;

 private:
  // True when the sum shows its own inner parentheses (signed, or in a sum).
  bool HasInnerParens() const;
  // Puts the terms of the nested sum at *index in its place, each taking the
  // nested sum's sign; *index moves past them.
  void SpliceNestedSum(int* index);
};
