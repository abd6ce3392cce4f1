#pragma once
// CMcDomain: a variable (child 0) between a lower (child 1) and an upper
// bound (child 2), with open or closed ends. Type word 0x0900 ("Domain").
// Flag bits 8-9 hold the end kind: 0 a < v < b, 1 a <= v <= b, 2 a < v <= b,
// 3 a <= v < b. Written as a chained relation, or with kMcVariant as interval
// membership v in (a; b], brackets as the ends say. Its value is the truth
// of the condition on the real parts: 1 (-1 under a minus) or 0.
#include "MC/MC_BASIC.h"

class CMcDomain : public CMcBasic {
 public:
  // Takes the three children.
  CMcDomain(CMcBasic* variable, CMcBasic* lower, CMcBasic* upper, WORD flags);

  // Reads a domain record after its type word; a child count other than 3,
  // or a child that does not load, yields no node.
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

  int EndKind() const { return McKindData(m_flags) & 3; }
  bool IsInterval() const { return (m_flags & kMcVariant) != 0; }
  // Whether lower, variable and upper satisfy the end kind's condition.
  static bool Holds(int endKind, double variable, double lower, double upper);
};
