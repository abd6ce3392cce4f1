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
  // The conjugate of the derivative; arg U gives Im(U'/U), |U| gives
  // (U' conj U + U conj U') / (2 |U|), a bracket the bracketed derivative;
  // every other operator stays a formal derivative.
  CMcBasic* Differentiate(CMcBasic* variable, unsigned options) override;
  McComplex* EvaluateVector(CQorexDoc* doc) const override;
  // Folds the scalar operators of a constant operand (absolute value and norm
  // while the result is real or whole, conjugate, real and imaginary part,
  // the argument of a number, floor and ceiling of a number), moves the
  // operand's sign out where the operator allows it (out of a determinant or
  // adjugate of a square matrix only as far as the order lets a minus
  // survive), and dissolves a bracket
  // into its parent, its sign merged into the operand. Returns 1 when the
  // operator was replaced and deleted.
  WORD Perform() override;

  // Matrix operations. Each takes over a node without parent and returns the
  // result. A matrix whose element count is not rows x columns (or 0) is
  // refused like anything that is not a matrix: the result is the node
  // wrapped in the operation's operator.
  //
  // The mean of the elements when all are written constants; else the
  // average operator of the node.
  static CMcBasic* MakeAverage(CMcBasic* node);
  // A matrix transposed in place; anything else under the transpose operator.
  static CMcBasic* MakeTranspose(CMcBasic* node);
  // The adjugate of a square plain matrix: element (j, i) is the signed minor
  // of (i, j). A plain matrix that is not square gives a NaN number; anything
  // else, and a matrix above 8 x 8, stays under the adjoint operator. A minus
  // on the matrix negates every element: adj(-A) = (-1)^(n-1) adj(A).
  static CMcBasic* MakeAdjoint(CMcBasic* node);
  // The determinant of a square plain matrix written out: directly up to
  // 3 x 3, by expansion along the first column from 4 x 4 (n! products, so
  // above 8 x 8 the node stays under the determinant operator, as does
  // anything that is not a square plain matrix). det(-A) = (-1)^n det(A).
  static CMcBasic* ExpandDeterminant(CMcBasic* node);

  int GetCode() const { return McKindData(m_flags) & (kMcCodeMask >> kMcKindDataShift); }
  CMcBasic* GetOperand() const { return m_count == 1 ? m_children[0] : nullptr; }
  // True when the operand is drawn in its own parentheses.
  bool OperandHasParens() const;
};
