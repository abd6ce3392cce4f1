#pragma once
// CMcRoot: the n-th root of a radicand (child 0) of degree n (child 1), type
// word 0x0B00 ("Root"). Drawn as a radical sign of lines over the radicand,
// the degree one size level smaller in the crook of the sign; a degree that
// is the number 2 keeps its room but is drawn only while it has the caret.
// Its value is the principal root: the radicand to the power 1/n.
//
// Record: the common header and the two children, no tail; any other child
// count is refused.
#include "MC/MC_BASIC.h"

class CMcRoot : public CMcBasic {
 public:
  // Takes both children.
  CMcRoot(CMcBasic* radicand, CMcBasic* degree, WORD flags);

  // Reads a root record after its type word; a child count other than 2, or a
  // child that does not load, yields no node.
  static CMcBasic* Load(CArchive& ar);

  BOOL Navigate(int direction, int modifier, McCursor* cursor) override;
  WORD GetType() const override;
  const char* GetName() const override;
  // Degree first, then radicand; a degree of 0 gives a value that is not
  // finite, and no error of its own.
  McComplex* Evaluate(McComplex* result, CQorexDoc* doc, CSIMsystem* sim) const override;
  void Draw(CDC* dc, int x, int y) const override;
  void Layout(CDC* dc, int mode) override;
  CMcBasic* Clone() const override;
  WORD Compare(const CMcBasic* other) const override;
  // d/dx R^(1/D), with the terms of a constant radicand or degree left out; 0
  // when both are constant.
  CMcBasic* Differentiate(CMcBasic* variable, unsigned options) override;
  McComplex* EvaluateVector(CQorexDoc* doc) const override;
  // Folds a root of constants whose value is whole (in both parts), and the
  // root of degree n of a power to the same n (the principal branch for
  // positive reals: the root of x^2 is x). Returns 1 when the root was
  // replaced and deleted.
  WORD Perform() override;
  // R^(1/D) = y, the root being the left side of a relation, becomes R = y^D.
  void Isolate(int which) override;

  // False for a degree that is the number 2 (sign not looked at) while it
  // does not have the editor's caret.
  bool ShowsDegree() const;
};

// The principal root of degree d: radicand^(1/d) by McComplexPow, with 1/d as
// (d.re/|d|^2, -d.im/|d|^2); degree 0 gives NaNs.
McComplex McComplexRoot(const McComplex& radicand, const McComplex& degree);

// Caret steps through a node whose child 0 is its main part and child 1 a part
// stacked above or below it (a root's degree, a logarithm's base); toward is
// kMcUp or kMcDown, where the stacked part lies. Left and right go through the
// main part only; up and down move between the two parts and out to the
// parent.
BOOL McNavigateStacked(CMcBasic* node, int toward, int direction, int modifier, McCursor* cursor);
