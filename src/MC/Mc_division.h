#pragma once
// CMcDivision: a built-up fraction, numerator (child 0) over denominator
// (child 1), kind kMcDivision ("Division"). Flag bit 4 draws both parts one
// size level smaller. The fraction's own sign applies to the whole quotient.
//
// Also the integer fraction reduction that the symbolic layer uses to keep
// numeric coefficients small.
#include "MC/MC_BASIC.h"

class CMcDivision : public CMcBasic {
 public:
  // Takes both children.
  CMcDivision(CMcBasic* numerator, CMcBasic* denominator, WORD flags);

  // Reads a fraction record after its type word; a child count other than 2,
  // or a part that does not load, yields no node.
  static CMcBasic* Load(CArchive& ar);

  BOOL Navigate(int direction, int modifier, McCursor* cursor) override;
  WORD GetType() const override;
  const char* GetName() const override;
  McComplex* Evaluate(McComplex* result, CQorexDoc* doc, CSIMsystem* sim) const override;
  void Draw(CDC* dc, int x, int y) const override;
  void Layout(CDC* dc, int mode) override;
  CMcBasic* Clone() const override;
  WORD Compare(const CMcBasic* other) const override;
  // The quotient rule (D N' - N D') / D^2, simplified.
  CMcBasic* Differentiate(CMcBasic* variable, unsigned options) override;
  McComplex* EvaluateVector(CQorexDoc* doc) const override;
  // Through the term engine; 1: replaced and deleted.
  WORD Perform() override;
  // x/1 becomes x, x/(-1) becomes -x.
  void Tidy() override;
  // As the left side of a relation N/D = R: which 1 gives D = N/R, which 0
  // gives N = R D.
  void Isolate(int which) override;

  // Adds a constant (a number, or a fraction of two numbers; the caller
  // keeps it) into this fraction of two numbers. When every part is a whole
  // number and the cross products stay below 2^53 the fraction holds the
  // exact sum, reduced, its denominator positive and the sign on the
  // numerator; otherwise the sum as a double over 1. Returns 1 when the sum
  // is exact, 0 when rounded or when either side is no such constant (then
  // nothing changes).
  WORD AddNumber(const CMcBasic* value);

  // Thickness of the fraction bar: 2 pixels once the two parts together are
  // taller than 60 pixels, else 1.
  int BarThickness() const;
};

// Reduces a/b in place by the common factors among the twenty primes 2 .. 73
// (41 is not among them). Equal values both become 1; a smaller value of 1 or
// less leaves both unchanged.
void McReduceFraction(int* a, int* b);

// Reduces a/b in place: through McReduceFraction when both are whole numbers
// below 1e9; else by a common power of ten when both are below 1 or both above
// 1e15, and only when that leaves the quotient exactly as it was.
void McReduceFractionD(double* a, double* b);
