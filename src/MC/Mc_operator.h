#pragma once
// CMcOperator: a unary operator applied to one operand (the one child), kind
// 0x08. The operator code in flags bits 8-12 picks one of 23 operators:
// delimiters around the operand (determinant and absolute-value bars, norm
// double bars, floor and ceiling brackets, plain parentheses), a bar over it
// (average), a raised mark after it (conjugate, transpose, left and right
// limit), a sign after it (factorial), or a symbol or word before it (curl,
// divergence, Laplacian, gradient, adjoint, not, real and imaginary part,
// argument). Typed parentheses are bracket operators (code 22), so a formula
// keeps them as nodes.
//
// Type word 0x0801 + code, the code masked to its five bits, so stray high
// bits of a damaged record can never carry the type word into the next kind.
// Codes 23 to 31 are no operator: they are named "Operator", lay out like
// code 21, draw no mark and have no value.
//
// Value of an operand z = (re, im), negated (both parts) by the node's minus:
// det, the limits and the bracket z; |z| and the norm re^2 + im^2 as real
// numbers; floor and ceiling of both parts; conj; re; im; arg = atan2(im, re);
// not = 1 when |z| = 0, else 0; the factorial Gamma(re + 1) by the
// six-coefficient Lanczos series (NaN, flag untouched, when im != 0 or
// re < 0). The vector and matrix operators (average, curl, divergence,
// Laplacian, gradient, adjoint, transpose) and the codes without a meaning set
// g_bEvalError and yield 0: Evaluate after evaluating the operand,
// EvaluateVector without it.
//
// Layout, with H the font height of the level and W the code's width factor:
// the content is the operand plus 2 + 2 (W H / 80) pixels, the operand placed
// after 1 + W H / 80 pixels for the delimiters, flush right for a mark before
// it, and W H / 40 pixels short of the right edge for a mark after it. The
// operand of codes above 5 is drawn in parentheses unless it is a variable, a
// number, an empty placeholder or a matrix; the bracket always has them. The
// average leaves 2 + H / 20 pixels above the operand for its bar.
#include "MC/MC_BASIC.h"

class CMcOperator : public CMcBasic {
 public:
  enum Code : int {
    kDeterminant = 0,
    kAbsolute = 1,
    kNorm = 2,
    kFloor = 3,
    kCeiling = 4,
    kAverage = 5,
    kConjugate = 6,
    kCurl = 7,
    kDivergence = 8,
    kLaplacian = 9,
    kGradient = 10,
    kAdjoint = 11,
    kTranspose = 12,
    kToLeftOf = 13,
    kToRightOf = 14,
    kFactorial = 15,
    kNot = 16,
    kReal = 17,
    kImaginary = 18,
    kReserved = 19,
    kArgument = 20,
    kOperator = 21,
    kBracket = 22,
    kCodes = 23  // codes from here to 31 name no operator
  };

  // Takes the operand (which may be null only while an editor builds it).
  CMcOperator(CMcBasic* operand, WORD flags);

  // The flags of an operator of the given code with the given sign bits.
  static constexpr WORD Flags(int code, WORD sign = 0) {
    return static_cast<WORD>(((code & 31) << 8) | (sign & 3));
  }
  // The type word of an operator of the given code.
  static WORD TypeOf(int code);

  // Reads an operator record after its type word; a child count other than 1,
  // or an operand that does not load, yields no node.
  static CMcBasic* Load(CArchive& ar);

  BOOL Navigate(int direction, int modifier, McCursor* cursor) override;
  WORD GetType() const override;
  const char* GetName() const override;
  McComplex* Evaluate(McComplex* result, CQorexDoc* doc, CSIMsystem* sim) const override;
  void Draw(CDC* dc, int x, int y) const override;
  void Layout(CDC* dc, int mode) override;
  CMcBasic* Clone() const override;
  // 0x20 for another kind or code; 1 when the signs differ; 8 when the
  // operands differ.
  WORD Compare(const CMcBasic* other) const override;
  McComplex* EvaluateVector(CQorexDoc* doc) const override;

  int GetCode() const { return (m_flags >> 8) & 31; }
  CMcBasic* GetOperand() const { return m_count == 1 ? m_children[0] : nullptr; }
  // True when the operand is drawn in its own parentheses.
  bool OperandHasParens() const;
};
