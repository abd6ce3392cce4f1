#pragma once
// CMcReal: the leaf that holds a real number (kind kMcReal).
//
// The node keeps the magnitude; its sign is the sign flag like any node's, and
// only flag bit 0 negates the value (plus-minus and minus-plus are drawn, not
// computed). It shows the number with the "RealFix" digits, at full precision
// (15 digits) while it is the focused editor's caret node, and the editor's
// typed text while the user types into it. Not-finite values show one Symbol
// glyph: the empty-set sign for a NaN, the infinity sign otherwise.
#include "MC/MC_BASIC.h"

class CMcReal : public CMcBasic {
 public:
  // Stores |value|: a negative number is passed as its magnitude with flag bit 0.
  CMcReal(double value, WORD flags);
  // Record tail: the magnitude as a DOUBLE; a record with children is refused.
  static CMcBasic* Load(CArchive& ar);

  // Caret steps through the typed text (sides 2..L inside it) with modifier 16.
  BOOL Navigate(int direction, int modifier, McCursor* cursor) override;
  WORD GetType() const override { return McTypeWord(kMcReal); }
  const char* GetName() const override { return "Real"; }
  // (magnitude, +0), or (-magnitude, +0) with flag bit 0; never an error.
  McComplex* Evaluate(McComplex* result, CQorexDoc* doc, CSIMsystem* sim) const override;
  void Draw(CDC* dc, int x, int y) const override;
  void Layout(CDC* dc, int mode) override;
  void Store(CArchive& ar) const override;
  CMcBasic* Clone() const override;
  // 0x20 for another kind; 1 when the signs differ; 4 when the signed values
  // differ beyond the relative snap tolerance (a NaN always differs).
  WORD Compare(const CMcBasic* other) const override;
  // Always a new unsigned zero.
  CMcBasic* Differentiate(CMcBasic* variable, unsigned options) override;
  // N copies of (magnitude, +0), or of (-magnitude, -0) with flag bit 0.
  McComplex* EvaluateVector(CQorexDoc* doc) const override;

  // Writes the full-precision text (at most kMcNumberTextSize chars with the
  // zero) into buffer, or into the focused editor's number text when buffer is
  // null (nothing happens when no editor has the focus).
  void FormatValue(char* buffer) const;
  // Distance from the node's left edge to the first character of its text.
  int GetCaretPos(CDC* dc) const;

  double m_value;  // the magnitude

 private:
  // The text Layout and Draw show (see the class comment); returns its length.
  int DisplayText(char* text, int size) const;
  int FontFamily() const;
};

// The number text: "%0.*G" of magnitude with the given significant digits,
// exponents cleaned the one way the editor shows them: a positive exponent
// loses its '+' and leading zeros (1.5E+20 -> 1.5E20), a negative one keeps
// three digits (1E-005). A value that is not finite gives the one Symbol-font
// character 0xC6 (NaN) or 0xA5 (infinity). Writes at most size chars with
// the zero; returns the length.
int McFormatNumber(char* buffer, int size, double magnitude, int digits);

// Significant digits of numbers that are not being edited ("RealFix").
int McRealFixDigits();
