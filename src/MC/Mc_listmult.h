#pragma once
// CMcListmult: a product of two or more factors, kind kMcListmult. Flag bits 4-5
// pick the sub-kind: 0 multiplication drawn with a dot operator, 1
// multiplication by juxtaposition, 2 cross product, 3 dot product; sub-kinds 0
// and 1 share the sub-kind 1. Cross and dot products evaluate as the
// plain scalar product. An empty product (left so by the editor) evaluates
// to 1.
#include "MC/MC_BASIC.h"

class CMcListmult : public CMcBasic {
 public:
  explicit CMcListmult(WORD flags);

  // Reads a product record after its type word; fewer than two factors, or a
  // factor that does not load, yield no node.
  static CMcBasic* Load(CArchive& ar);

  BOOL Navigate(int direction, int modifier, McCursor* cursor) override;
  WORD GetType() const override;
  const char* GetName() const override;
  McComplex* Evaluate(McComplex* result, CQorexDoc* doc, CSIMsystem* sim) const override;
  void Draw(CDC* dc, int x, int y) const override;
  void Layout(CDC* dc, int mode) override;
  CMcBasic* Clone() const override;
  WORD Compare(const CMcBasic* other) const override;
  // The product rule over the factors that are not constant for the
  // variable; constants stay in front. Simplified.
  CMcBasic* Differentiate(CMcBasic* variable, unsigned options) override;
  McComplex* EvaluateVector(CQorexDoc* doc) const override;
  // A multiplication with the dot operator goes through the term engine (1:
  // replaced and deleted); the other sub-kinds perform their factors.
  WORD Perform() override;
  // Multiplications splice nested multiplications and drop factors 1 (their
  // signs kept); one factor left takes the product's place.
  void Tidy() override;
  // As the left side of a relation a b ... = R: factor which = R / (the
  // others).
  void Isolate(int which) override;

  // Sub-kind from flag bits 4-5 (0 to 3).
  int SubKind() const { return (m_flags & kMcVariantMask) >> 4; }

 private:
  // Gap between neighbouring factors in pixels at the node's size level.
  int FactorGap() const;
};
