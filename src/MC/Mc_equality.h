#pragma once
// CMcEquality: a relation, left side (child 0), relation symbol, right side
// (child 1). Flag bits 8-12 hold the relation code 0 to 23 (equality,
// comparisons, arrows, in-place updates, intersection and union, definition,
// test for equality); the type word is kind kMcEquality with sub-kind 1 plus
// the code.
//
// Inside a formula a relation is a truth value: the comparisons, the
// tolerance tests (tolerance g_dSnapTolerance) and "and"/"or" yield 1 or 0
// (-1 under a minus), a NaN counting as the smaller side; every other
// relation evaluates to 0 in the scalar path, while the vector path returns
// the left side's samples (a definition "x = 5" yields the samples of x).
// Codes 24-31 name no relation: they draw no symbol and evaluate to 0.
#include "MC/MC_BASIC.h"

class CMcEquality : public CMcBasic {
 public:
  // Takes both children.
  CMcEquality(CMcBasic* left, CMcBasic* right, WORD flags);

  // Reads a relation record after its type word; a child count other than 2,
  // or a side that does not load, yields no node.
  static CMcBasic* Load(CArchive& ar);

  BOOL Navigate(int direction, int modifier, McCursor* cursor) override;
  WORD GetType() const override;
  const char* GetName() const override;
  McComplex* Evaluate(McComplex* result, CQorexDoc* doc, CSIMsystem* sim) const override;
  void Draw(CDC* dc, int x, int y) const override;
  void Layout(CDC* dc, int mode) override;
  CMcBasic* Clone() const override;
  WORD Compare(const CMcBasic* other) const override;
  // Equality through "Greater or equal": the same relation of both sides'
  // derivatives, simplified; every other relation stays a formal derivative.
  CMcBasic* Differentiate(CMcBasic* variable, unsigned options) override;
  McComplex* EvaluateVector(CQorexDoc* doc) const override;

  int RelationCode() const { return McKindData(m_flags) & (kMcCodeMask >> kMcKindDataShift); }
  // The last of the relations whose derivative is the relation of the
  // sides' derivatives: equality, equivalence, proportion, the order tests.
  static constexpr int kLastDifferentiable = 9;  // "Greater or equal"
};

// Truth value of relation code for the sides left and right (1 or 0, not yet
// signed), with tolerance epsilon; codes that are no test give 0.
double McRelationValue(int code, const McComplex& left, const McComplex& right, double epsilon);
// True for the codes whose value depends on the sides.
bool McRelationIsTest(int code);
