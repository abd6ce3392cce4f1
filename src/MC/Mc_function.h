#pragma once
// CMcFunction: a named function applied to one argument, kind kMcFunction:
// sin x, cosh(s + 1), a one-letter signal function such as r2(t), or
// any name the user types. The argument is the one child.
//
// The name buffer holds the name, a zero, the subscript and a second zero;
// m_bufferLength counts both zeros. Flag bit 4 writes the name in the Symbol
// font; bits 9-12 are the decoration code (1 underline, 2 double underline,
// 3 bold, 4 tilde, 5 harpoon, 6 arrow, 7 hat). When the function is the base
// of a power, its layout writes the exponent offset (name width plus sign
// margin, at most 255) into the power's flags bits 8-15.
#include "MC/MC_BASIC.h"

class CMcFunction : public CMcBasic {
 public:
  // Takes over argument (which may be null only while an editor builds it).
  CMcFunction(CMcBasic* argument, const char* name, const char* subscript, WORD flags);
  ~CMcFunction() override;

  // Reads a function record after its type word. A child count other than 1,
  // an argument that does not load, or a buffer that is shorter than 3 bytes,
  // lacks its final zero or has no zero between name and subscript yields no
  // node.
  static CMcBasic* Load(CArchive& ar);

  // Arrow steps; with a modifier the caret also walks the name's characters.
  BOOL Navigate(int direction, int modifier, McCursor* cursor) override;
  WORD GetType() const override { return McTypeWord(kMcFunction); }
  const char* GetName() const override { return "Function"; }
  McComplex* Evaluate(McComplex* result, CQorexDoc* doc, CSIMsystem* sim) const override;
  void Draw(CDC* dc, int x, int y) const override;
  void Layout(CDC* dc, int mode) override;
  void Store(CArchive& ar) const override;
  CMcBasic* Clone() const override;
  WORD Compare(const CMcBasic* other) const override;
  // The chain rule over a table of 18 derivatives (sin, cos, tan, cot, sec,
  // cosec, their hyperbolic forms, and asin, acos, atan, asinh, acosh,
  // atanh). A name outside the table, a subscript, the Symbol font or a
  // decoration leave the derivative formal; a number or a constant argument
  // gives 0 (under partial differentiation also another variable).
  CMcBasic* Differentiate(CMcBasic* variable, unsigned options) override;
  McComplex* EvaluateVector(CQorexDoc* doc) const override;
  // f(x) = y, the function being the left side of a relation, becomes
  // x = f'(y) with the inverse's name: a leading "a" is dropped (asin -> sin),
  // otherwise one is put in front (sinh -> asinh); the function's sign moves
  // onto y. The argument is not read.
  void Isolate(int which) override;

  // Offset of the name's first character from the node's left edge: the sign
  // and parenthesis margin, measured in the given context.
  int GetCaretPos(CDC* dc) const;

  const char* GetFunctionName() const { return m_buffer; }
  const char* GetSubscript() const;
  bool HasSubscript() const { return GetSubscript()[0] != '\0'; }
  CMcBasic* GetArgument() const { return m_count ? m_children[0] : nullptr; }

  WORD m_bufferLength = 0;
  char* m_buffer = nullptr;

 private:
  void SetBuffer(const char* name, const char* subscript);
  // Name font family: Arial or Symbol, bold for decoration code 3.
  int NameFamily(int decoration) const;
  // The power this function is the base of, or null.
  CMcBasic* PowerParent() const;
  // The list a list function reads: a two-element matrix without sign, or null.
  const CMcBasic* ListArgument() const;
  McComplex* EvaluateSignal(McComplex* result, char letter, CQorexDoc* doc, CSIMsystem* sim) const;
  McComplex* SignalVector(char letter, CQorexDoc* doc) const;
  void DrawDecoration(CDC* dc, int x, int y, int w, int h, int code) const;
};
