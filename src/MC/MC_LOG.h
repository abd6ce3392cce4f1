#pragma once
// CMcLog: the logarithm of an argument (child 0) to a base (child 1), type
// word 0x0D00 ("Logarithm"). Written "ln" for the base e, "log" alone for the
// base 10 and "log" with the base as a smaller subscript otherwise (always
// while the base has the editor's caret); the argument is drawn in
// parentheses unless it is a root, a power, an empty placeholder, a
// bracketing operator or a matrix. Its value is Log(argument) / Log(base) of
// the principal logarithms.
//
// As the base of a power it writes the exponent offset (name width plus sign
// margin) into the power, so that the exponent stands right after "log",
// above the subscript; its width makes room for the wider of the two.
//
// Record: the common header and the two children, no tail; any other child
// count is refused.
#include "MC/MC_BASIC.h"

class CMcLog : public CMcBasic {
 public:
  // Takes both children.
  CMcLog(CMcBasic* argument, CMcBasic* base, WORD flags);

  // Reads a logarithm record after its type word; a child count other than 2,
  // or a child that does not load, yields no node.
  static CMcBasic* Load(CArchive& ar);

  BOOL Navigate(int direction, int modifier, McCursor* cursor) override;
  WORD GetType() const override;
  const char* GetName() const override;
  // Base first, then argument. Base 1 and argument 0 give values that are not
  // finite, and no error of their own.
  McComplex* Evaluate(McComplex* result, CQorexDoc* doc, CSIMsystem* sim) const override;
  void Draw(CDC* dc, int x, int y) const override;
  // Mode 2 (a power re-measuring its base) re-places without passing up.
  void Layout(CDC* dc, int mode) override;
  CMcBasic* Clone() const override;
  WORD Compare(const CMcBasic* other) const override;
  // d/dx of ln G / ln B, with the terms of a constant base left out.
  CMcBasic* Differentiate(CMcBasic* variable, unsigned options) override;
  McComplex* EvaluateVector(CQorexDoc* doc) const override;
  // Folds a logarithm of constants whose value is whole, log_b b = 1,
  // log_b b^y = y (the principal branch for positive reals) and log_b 1 = 0.
  // Returns 1 when the logarithm was replaced and deleted.
  WORD Perform() override;
  // log_B G = y, the logarithm being the left side of a relation, becomes
  // G = B^y.
  void Isolate(int which) override;

  // How the name is written; layout and drawing decide it alike.
  enum NameKind { kNatural = 0, kCommon = 1, kWithBase = 2 };
  NameKind GetNameKind() const;
  // Width of "ln" (25/40 of the font height) or "log" (42/40).
  int NameWidth() const;
  bool ArgumentNeedsParens() const;
};

// True for the constant e as the engine writes it: a variable "e" without
// subscript whose flags, masked with the sign bits and kMcVariableStyleMask, are just kMcConstant.
bool McIsConstantE(const CMcBasic* node);

// ln argument: a new logarithm of argument (taken over) to the constant e.
CMcBasic* McNewNaturalLog(CMcBasic* argument);

// Log(argument) / Log(base) by the textbook complex division.
McComplex McComplexLogOf(const McComplex& argument, const McComplex& base);
