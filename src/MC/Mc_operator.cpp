#include "MC/Mc_operator.h"

#include "GlobalResources.h"
#include "MC/MC_REAL.h"
#include "MC/MXC_TERM.h"
#include "MC/McComplex.h"
#include "MC/McConstants.h"
#include "MC/McKinds.h"
#include "MC/McLayout.h"
#include "MC/Mc_division.h"
#include "MC/Mc_listsum.h"
#include "MC/Mc_matrix.h"
#include "MC/Mc_variable.h"
#include "platform/core/Archive.h"
#include "platform/gdi/Gdi.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <vector>

namespace {

// Where an operator's mark stands, which also decides where the operand sits
// inside the content: between the delimiters, under the bar, before the mark
// or after it.
enum class Place { kAround, kOver, kAfter, kBefore };

struct OperatorRow {
  const char* name;
  int widthFactor;   // W: the mark takes W H / 80 pixels on each side or W H / 40 on one
  Place place;       // the operand's place in the content
  int family;        // font of the mark's text, -1 for none
  bool smaller;      // the text one size level smaller and raised
  const char* text;  // the mark's bytes in that font
};

// By code 0 .. 22; codes 23 to 31 take the last row.
constexpr OperatorRow kRows[] = {
    {"Determinant", 10, Place::kAround, -1, false, ""},
    {"Absolute", 10, Place::kAround, -1, false, ""},
    {"Norm", 20, Place::kAround, -1, false, ""},
    {"Floor", 20, Place::kAround, -1, false, ""},
    {"Ceiling", 20, Place::kAround, -1, false, ""},
    {"Average", 0, Place::kOver, -1, false, ""},
    {"Conjugate", 10, Place::kAfter, kFontNumber, true, "*"},
    {"Curl", 40, Place::kBefore, kFontSymbol, false, "\xD1\xB4"},
    {"Divergence", 30, Place::kBefore, kFontSymbol, false, "\xD1\xD7"},
    {"Laplacian", 30, Place::kBefore, kFontSymbol, false, "\xD1"},  // then a Times superscript 2
    {"Gradient", 20, Place::kBefore, kFontSymbol, false, "\xD1"},
    {"Adjoint", 40, Place::kBefore, kFontArial, false, "adj"},
    {"Transpose", 15, Place::kAfter, kFontSymbol, true, "T"},
    {"To left of", 15, Place::kAfter, kFontSymbol, true, "-"},
    {"To right of", 15, Place::kAfter, kFontSymbol, true, "+"},
    {"Factorial", 10, Place::kAfter, kFontArial, false, "!"},
    {"Not", 10, Place::kBefore, kFontArial, false, "!"},
    {"Real", 25, Place::kBefore, kFontSymbol, false, "\xC2"},
    {"Imaginary", 25, Place::kBefore, kFontSymbol, false, "\xC1"},
    {"(reserved)", 15, Place::kBefore, kFontNumber, false, "\x88"},
    {"Argument", 50, Place::kBefore, kFontArial, false, "arg"},
    {"Operator", 10, Place::kAfter, -1, false, ""},
    {"Bracket", 0, Place::kAfter, -1, false, ""},
};
constexpr OperatorRow kNoOperator = {"Operator", 10, Place::kAfter, -1, false, ""};
static_assert(std::size(kRows) == CMcOperator::kCodes);

const OperatorRow& RowOf(int code) {
  return code >= 0 && code < CMcOperator::kCodes ? kRows[code] : kNoOperator;
}

constexpr char kSuperscriptTwo = '\xB2';

// Gamma(re + 1) by the six-coefficient Lanczos series for ln Gamma.
double Factorial(double re) {
  static const double q[6] = {76.18009172947146,  -86.50532032941677,   24.01409824083091,
                              -1.231739572450155, 0.001208650973866179, -5.395239384953e-06};
  const double x = re + 1.0;
  double tmp = x + 5.5;
  tmp -= (x + 0.5) * std::log(tmp);
  double ser = 1.000000000190015;
  for (int k = 0; k < 6; ++k) ser += q[k] / (x + 1.0 + k);
  return std::exp(std::log(2.5066282746310007 * ser / x) - tmp);
}

// True for the codes that have a numeric value.
bool HasValue(int code) {
  switch (code) {
    case CMcOperator::kDeterminant:
    case CMcOperator::kAbsolute:
    case CMcOperator::kNorm:
    case CMcOperator::kFloor:
    case CMcOperator::kCeiling:
    case CMcOperator::kConjugate:
    case CMcOperator::kToLeftOf:
    case CMcOperator::kToRightOf:
    case CMcOperator::kFactorial:
    case CMcOperator::kNot:
    case CMcOperator::kReal:
    case CMcOperator::kImaginary:
    case CMcOperator::kArgument:
    case CMcOperator::kBracket:
      return true;
    default:
      return false;
  }
}

// The value of a code with a value (HasValue) for the operand value z.
McComplex Apply(int code, const McComplex& z) {
  switch (code) {
    case CMcOperator::kAbsolute:
      return {McComplexAbs(z), 0.0};
    case CMcOperator::kNorm:
      return {z.re * z.re + z.im * z.im, 0.0};
    case CMcOperator::kFloor:
      return {std::floor(z.re), std::floor(z.im)};
    case CMcOperator::kCeiling:
      return {std::ceil(z.re), std::ceil(z.im)};
    case CMcOperator::kConjugate:
      return {z.re, -z.im};
    case CMcOperator::kFactorial:
      if (z.im != 0.0 || z.re < 0.0) return {std::log(-1.0), 0.0};
      return {Factorial(z.re), 0.0};
    case CMcOperator::kNot:
      return {McComplexAbs(z) == 0.0 ? 1.0 : 0.0, 0.0};
    case CMcOperator::kReal:
      return {z.re, 0.0};
    case CMcOperator::kImaginary:
      return {z.im, 0.0};
    case CMcOperator::kArgument:
      return {std::atan2(z.im, z.re), 0.0};
    default:  // determinant of a scalar, the limits, the bracket
      return z;
  }
}

// Operands that need no parentheses of their own after a mark.
bool IsAtom(const CMcBasic* operand) {
  switch (McKindOf(operand->GetType())) {
    case kMcVariable:
    case kMcReal:
    case kMcNull:
    case kMcMatrix:
      return true;
    default:
      return false;
  }
}

void SelectPen(CDC* dc, int fontHeight) {
  CPen* pen = g_pens[fontHeight >= 20 ? 1 : 0][ColorIndex(dc->GetTextColor())];
  if (pen != nullptr) dc->SelectObject(pen);
}

void Line(CDC* dc, int x0, int y0, int x1, int y1) {
  dc->MoveTo(x0, y0);
  dc->LineTo(x1, y1);
}

void Text(CDC* dc, int x, int y, const char* text) {
  const int n = static_cast<int>(std::strlen(text));
  if (n > 0) dc->TextOut(x, y, text, n);
}

}  // namespace

CMcOperator::CMcOperator(CMcBasic* operand, WORD flags) : CMcBasic(flags) {
  if (operand != nullptr) AppendChild(operand);
}

WORD CMcOperator::TypeOf(int code) {
  return McTypeWord(kMcOperator, static_cast<BYTE>(1 + (code & 31)));
}

CMcBasic* CMcOperator::Load(CArchive& ar) {
  WORD count = 0, baseline = 0, flags = 0;
  McBox box;
  if (!LoadHeader(ar, &count, &box, &baseline, &flags) || count != 1) return nullptr;
  CMcBasic* operand = LoadNode(ar);
  if (operand == nullptr) return nullptr;
  auto* node = new CMcOperator(operand, flags);
  node->SetStoredLayout(box, baseline);
  return node;
}

// ---- caret -----------------------------------------------------------------------

BOOL CMcOperator::Navigate(int direction, int modifier, McCursor* cursor) {
  CMcBasic* operand = GetOperand();
  if (operand == nullptr) return CMcBasic::Navigate(direction, modifier, cursor);
  auto toParent = [&](int dir) -> BOOL {
    cursor->node = this;
    return m_parent ? m_parent->Navigate(dir, modifier, cursor) : FALSE;
  };
  if (direction == kMcUp || direction == kMcDown) return toParent(direction);
  const bool left = direction == kMcLeft;
  const bool before = cursor->fromSide == 0;
  if (cursor->node == this) {
    if (before) return left ? toParent(kMcLeft) : cursor->Place(operand, 0);
    return left ? cursor->Place(operand, 1) : toParent(kMcRight);
  }
  if (before && left) return cursor->Place(this, 0);
  if (!before && !left) return cursor->Place(this, 1);
  return FALSE;
}

// ---- identity ------------------------------------------------------------------------

WORD CMcOperator::GetType() const {
  return TypeOf(GetCode());
}

const char* CMcOperator::GetName() const {
  return RowOf(GetCode()).name;
}

// ---- evaluation --------------------------------------------------------------------

McComplex* CMcOperator::Evaluate(McComplex* result, CQorexDoc* doc, CSIMsystem* sim) const {
  const CMcBasic* operand = GetOperand();
  if (operand == nullptr) return CMcBasic::Evaluate(result, doc, sim);
  McComplex z;
  operand->Evaluate(&z, doc, sim);
  const int code = GetCode();
  if (!HasValue(code)) return CMcBasic::Evaluate(result, doc, sim);
  const McComplex value = Apply(code, z);
  *result = (m_flags & kMcMinus) ? McComplexNeg(value) : value;
  return result;
}

// The operand's array is rewritten in place: no array of the operator's own.
McComplex* CMcOperator::EvaluateVector(CQorexDoc* doc) const {
  const CMcBasic* operand = GetOperand();
  const int code = GetCode();
  if (operand == nullptr || !HasValue(code)) return CMcBasic::EvaluateVector(doc);
  const int n = McStepCount(doc);
  McComplex* values = operand->EvaluateVector(doc);
  const bool negate = (m_flags & kMcMinus) != 0;
  for (int k = 0; k < n; ++k) {
    const McComplex value = Apply(code, values[k]);
    values[k] = negate ? McComplexNeg(value) : value;
  }
  return values;
}

// ---- layout and drawing --------------------------------------------------------------

bool CMcOperator::OperandHasParens() const {
  const CMcBasic* operand = GetOperand();
  if (operand == nullptr) return false;
  const int code = GetCode();
  if (code == kBracket) return true;
  return code > kAverage && !IsAtom(operand);
}

void CMcOperator::Layout(CDC* dc, int mode) {
  CMcBasic* operand = GetOperand();
  if (operand == nullptr) {
    LayoutEmpty(dc, mode);
    return;
  }
  const int level = GetLevel();
  const int code = GetCode();
  const OperatorRow& row = RowOf(code);
  const int h = McFontHeight(kFontItalic, level);
  const int side = row.widthFactor * h / 80;  // one delimiter's room
  if (mode == kMcLayoutFromTop) {
    operand->SetLevel(std::min(level, kMcMaxLevel));
    operand->Layout(dc, kMcLayoutFromTop);
  }
  const McBox& a = operand->m_box;
  CRect p(0, 0, 0, 0);
  if (OperandHasParens()) p = LayoutParens(a, operand->m_baseline);
  if (code == kAverage) p.top += 2 + h / 20;  // room for the bar
  m_box.width = a.width + 2 + 2 * side + p.left + p.right;
  m_box.height = a.height + p.top + p.bottom;
  m_baseline = static_cast<WORD>(operand->m_baseline + p.top);
  const CRect m = LayoutSignAndParens();
  switch (row.place) {
    case Place::kAround:
      operand->m_box.x = m.left + 1 + side;
      break;
    case Place::kAfter:
      operand->m_box.x = m_box.width - m.right - a.width - p.right - row.widthFactor * h / 40;
      break;
    default:
      operand->m_box.x = m_box.width - m.right - a.width - p.right;
      break;
  }
  operand->m_box.y = p.top + m.top;
  RelayoutParent(dc, mode);
}

void CMcOperator::Draw(CDC* dc, int x, int y) const {
  x += m_box.x;
  y += m_box.y;
  const CMcBasic* operand = GetOperand();
  if (operand == nullptr) {
    DrawSignAndParens(dc, x, y);
    return;
  }
  CRect p(0, 0, 0, 0);
  if (OperandHasParens()) p = DrawParens(dc, x, y, operand->m_box, operand->m_baseline);
  operand->Draw(dc, x, y);
  const CRect m = DrawSignAndParens(dc, x, y);

  const int level = GetLevel();
  const int code = GetCode();
  const OperatorRow& row = RowOf(code);
  const int h = McFontHeight(kFontItalic, level);
  const McBox& a = operand->m_box;
  const int xl = x + m.left + 1;
  const int xr = x + m_box.width - m.right - 1;
  const int yt = y + m.top;
  const int yb = y + m_box.height - m.bottom;
  if (code <= kCeiling) {
    SelectPen(dc, h);
    Line(dc, xl, yt, xl, yb);
    Line(dc, xr, yt, xr, yb);
    if (code == kNorm) {
      const int inner = 3 + h / 20;
      Line(dc, x + m.left + inner, yt, x + m.left + inner, yb);
      Line(dc, x + m_box.width - m.right - inner, yt, x + m_box.width - m.right - inner, yb);
    } else if (code == kFloor || code == kCeiling) {
      const int feet = code == kFloor ? yb - 1 : yt;
      Line(dc, xr, feet, x + m_box.width - m.right - h / 10 - 3, feet);
      Line(dc, xl, feet, x + m.left + 3 + h / 10, feet);
    }
    return;
  }
  if (code == kAverage) {
    SelectPen(dc, h);
    const int bar = y + a.y - 2 - h / 20;
    Line(dc, xl, bar, xr, bar);
    return;
  }
  if (row.family < 0) return;  // the bracket, code 21 and the codes without an operator
  McSelectFont(dc, row.family, row.smaller ? McSmallerLevel(level) : level);
  if (row.smaller) {
    McAlignGuard align(dc, 0);  // top-left: the mark hangs from above the operand
    Text(dc, x + p.right + a.x + a.width, y + a.y - p.top - h / 10 - 1, row.text);
  } else if (row.place == Place::kAfter) {
    Text(dc, x + p.right + a.x + a.width, y + m_baseline, row.text);
  } else {
    Text(dc, x + m.left, y + m_baseline, row.text);
    if (code == kLaplacian) {
      McSelectFont(dc, kFontNumber, level);
      dc->TextOut(x + m.left + 20 * h / 40, y + m_baseline, &kSuperscriptTwo, 1);
    }
  }
}

// ---- copies and comparison ------------------------------------------------------------

CMcBasic* CMcOperator::Clone() const {
  const CMcBasic* operand = GetOperand();
  return new CMcOperator(operand ? operand->Clone() : nullptr, m_flags);
}

WORD CMcOperator::Compare(const CMcBasic* other) const {
  if (other->GetType() != GetType()) return kMcDiffType;
  WORD code = GetSign() != other->GetSign() ? kMcDiffSign : 0;
  if (m_count != other->m_count) return static_cast<WORD>(code | kMcDiffCount);
  if (m_count == 1 && m_children[0]->Compare(other->m_children[0]) != 0) code |= kMcDiffChild;
  return code;
}

// ---- symbolic operations -----------------------------------------------------------

namespace {

CMcBasic* Conjugate(CMcBasic* x, WORD sign = 0) {
  return new CMcOperator(x, CMcOperator::Flags(CMcOperator::kConjugate, sign));
}

// 2 j, the denominator of the imaginary part.
CMcBasic* TwoJ() {
  return McNewProduct(0, {new CMcReal(2.0, 0), McNewConstant("j")});
}

WORD ReplaceBy(CMcBasic* node, CMcBasic* x) {
  if (McReplaceNode(node, x)) return 1;
  delete x;
  return 0;
}

// The order of a square plain matrix whose elements fill it, else 0.
int SquareOrder(const CMcBasic* node) {
  if (node->GetType() != McTypeWord(kMcMatrix, CMcMatrix::kPlain)) return 0;
  const int n = static_cast<const CMcMatrix*>(node)->m_columns;
  return n > 0 && node->m_count == n * n ? n : 0;
}

// A new number of magnitude |v| carrying sign, bit 0 flipped for a negative v.
CMcBasic* SignedNumber(double v, WORD sign) {
  return new CMcReal(std::fabs(v), static_cast<WORD>(sign ^ (v < 0.0 ? 1 : 0)));
}

}  // namespace

CMcBasic* CMcOperator::Differentiate(CMcBasic* variable, unsigned options) {
  CMcBasic* u = GetOperand();
  const int code = GetCode();
  const WORD sign = GetSign();
  if (u == nullptr ||
      (code != kConjugate && code != kArgument && code != kAbsolute && code != kBracket))
    return CMcBasic::Differentiate(variable, options);
  CMcBasic* d = McDerivativeOf(u, variable, options);
  CMcBasic* result = nullptr;
  switch (code) {
    case kConjugate:
      result = Conjugate(d, sign);
      break;
    case kBracket:
      // Parentheses are no function: the derivative of (u) is (u').
      result = new CMcOperator(d, Flags(kBracket, sign));
      break;
    case kArgument: {
      // Im(U'/U) = (Q - conj Q) / 2j.
      CMcBasic* q = new CMcDivision(d, u->Clone(), 0);
      CMcBasic* difference = McNewSum(0, {q, Conjugate(q->Clone(), 1)});
      result = new CMcDivision(difference, TwoJ(), sign);
      break;
    }
    default: {  // absolute value: (U' conj U + U conj U') / (2 |U|)
      CMcBasic* numerator = McNewSum(0, {McNewProduct(0, {d->Clone(), Conjugate(u->Clone())}),
                                         McNewProduct(0, {u->Clone(), Conjugate(d)})});
      CMcBasic* denominator =
          McNewProduct(0, {new CMcReal(2.0, 0), new CMcOperator(u->Clone(), Flags(kAbsolute))});
      result = new CMcDivision(numerator, denominator, sign);
      break;
    }
  }
  return CMXC_TERM::Simplify(result);
}

WORD CMcOperator::Perform() {
  if (GetOperand() == nullptr || McSlotOf(this) < 0) return 0;
  m_children[0]->Perform();
  CMcBasic* operand = m_children[0];
  const WORD type = operand->GetType();
  const int code = GetCode();
  const bool number = type == McTypeWord(kMcReal) && (operand->m_flags & kMcPlusMinus) == 0;
  auto moveSignOut = [&] {
    McMergeSign(this, operand->m_flags);
    operand->m_flags &= static_cast<WORD>(~kMcSignMask);
  };
  switch (code) {
    case kDeterminant:
    case kAdjoint: {
      // det(-A) = (-1)^n det(A) and adj(-A) = (-1)^(n-1) adj(A): of a square
      // matrix's minus only what survives the order moves out.
      const int n = SquareOrder(operand);
      if (n > 0 && (n + (code == kAdjoint ? 1 : 0)) % 2 == 0)
        operand->m_flags &= static_cast<WORD>(~kMcMinus);
      moveSignOut();
      return 0;
    }
    case kAverage:
    case kDivergence:
    case kTranspose:
      moveSignOut();
      return 0;
    case kAbsolute:
    case kNorm:
    case kConjugate:
    case kReal:
    case kImaginary:
    case kArgument: {
      if (code == kAbsolute || code == kNorm)
        operand->m_flags &= static_cast<WORD>(~kMcSignMask);
      else if (code != kArgument)
        moveSignOut();
      McComplex v;
      if (!McConstantValue(operand, &v)) return 0;
      const WORD sign = GetSign();
      switch (code) {
        case kReal:
          return ReplaceBy(this, SignedNumber(v.re, sign));
        case kImaginary:
          return ReplaceBy(this, SignedNumber(v.im, sign));
        case kConjugate:
          return ReplaceBy(this, McValueToExpression(v.re, -v.im, m_flags));
        case kArgument:
          if (!number) return 0;
          if (operand->m_flags & kMcMinus)
            return ReplaceBy(
                this, new CMcVariable("p", "", static_cast<WORD>(kMcConstant | kMcVariant | sign)));
          return ReplaceBy(this, new CMcReal(0.0, 0));
        default: {
          double m = code == kAbsolute ? McComplexAbs(v) : v.re * v.re + v.im * v.im;
          double whole = 0.0;
          const bool isWhole = McIsWhole(m, &whole);
          if (v.re != 0.0 && v.im != 0.0 && !isWhole) return 0;
          if (isWhole) m = whole;
          return ReplaceBy(this, new CMcReal(m, sign));
        }
      }
    }
    case kFloor:
    case kCeiling: {
      if (!number) return 0;
      const double v = McNumberValue(operand);
      return ReplaceBy(this,
                       SignedNumber(code == kFloor ? std::floor(v) : std::ceil(v), GetSign()));
    }
    case kBracket: {
      McMergeSign(operand, m_flags);
      operand->Perform();
      return ReplaceBy(this, McTakeChild(this, 0));
    }
    default:
      return 0;
  }
}

// ---- matrix operations ---------------------------------------------------------------

namespace {

// A matrix whose elements fill its rows and columns; rows and columns are
// set from it.
CMcMatrix* WellFormed(CMcBasic* node, int* rows, int* columns) {
  if (!McIsKind(node, kMcMatrix)) return nullptr;
  auto* matrix = static_cast<CMcMatrix*>(node);
  const int nc = matrix->m_columns;
  if (nc == 0 || node->m_count == 0 || node->m_count % nc != 0) return nullptr;
  *columns = nc;
  *rows = node->m_count / nc;
  return matrix;
}

// The determinant and adjugate are written out up to this order (8! = 40320
// products); transfer-function determinants stop there too.
constexpr int kMaxExpandedOrder = 8;

// A new matrix of the elements outside row `row` and column `column` of the
// n x n matrix cells, cloned row by row.
CMcBasic* NewMinor(CMcBasic* const* cells, int n, int row, int column) {
  auto* minor = new CMcMatrix(0);
  std::vector<CMcBasic*> kept;
  kept.reserve((n - 1) * (n - 1));
  for (int i = 0; i < n; ++i) {
    for (int j = 0; j < n; ++j) {
      if (i != row && j != column) kept.push_back(cells[i * n + j]->Clone());
    }
  }
  minor->AdoptChildren(kept);
  minor->m_columns = static_cast<WORD>(n - 1);
  return minor;
}

}  // namespace

CMcBasic* CMcOperator::MakeAverage(CMcBasic* node) {
  int rows = 0, columns = 0;
  CMcMatrix* matrix = WellFormed(node, &rows, &columns);
  if (matrix == nullptr || matrix->GetShape() == CMcMatrix::kAugmented)
    return new CMcOperator(node, Flags(kAverage));
  McComplex sum{0.0, 0.0};
  for (int i = 0; i < node->m_count; ++i) {
    McComplex v;
    if (!McConstantValue(node->m_children[i], &v)) return new CMcOperator(node, Flags(kAverage));
    sum = McComplexAdd(sum, v);
  }
  const double n = node->m_count;
  const WORD sign = node->GetSign();
  delete node;
  return McValueToExpression2(sum.re / n, sum.im / n, sign);
}

CMcBasic* CMcOperator::MakeTranspose(CMcBasic* node) {
  int rows = 0, columns = 0;
  CMcMatrix* matrix = WellFormed(node, &rows, &columns);
  if (matrix == nullptr || matrix->GetShape() == CMcMatrix::kAugmented)
    return new CMcOperator(node, Flags(kTranspose));
  std::vector<CMcBasic*> cells(node->m_count);
  for (int i = 0; i < rows; ++i) {
    for (int j = 0; j < columns; ++j) cells[j * rows + i] = node->m_children[i * columns + j];
  }
  std::copy(cells.begin(), cells.end(), node->m_children);
  matrix->m_columns = static_cast<WORD>(rows);
  return node;
}

CMcBasic* CMcOperator::MakeAdjoint(CMcBasic* node) {
  int rows = 0, columns = 0;
  CMcMatrix* matrix = WellFormed(node, &rows, &columns);
  if (matrix == nullptr || matrix->GetShape() != CMcMatrix::kPlain)
    return new CMcOperator(node, Flags(kAdjoint));
  const int n = columns;
  if (rows != n) {
    delete node;
    return new CMcReal(std::log(-1.0), 0);
  }
  if (n > kMaxExpandedOrder) return new CMcOperator(node, Flags(kAdjoint));
  // adj(-A) = (-1)^(n-1) adj(A): the matrix's minus stays for an even order.
  if (n % 2 == 1) node->m_flags &= static_cast<WORD>(~kMcMinus);
  if (n == 1) {
    delete node->SetChildAt(new CMcReal(1.0, 0), 0);
    return node;
  }
  if (n == 2) {
    std::swap(node->m_children[0], node->m_children[3]);
    node->m_children[1]->m_flags ^= kMcMinus;
    node->m_children[2]->m_flags ^= kMcMinus;
    return node;
  }
  auto* adjugate = new CMcMatrix(node->m_flags);
  std::vector<CMcBasic*> cells(n * n);
  for (int i = 0; i < n; ++i) {
    for (int j = 0; j < n; ++j) {
      // The cofactor's sign goes on the minor's determinant, not on the
      // minor: a minus on a matrix of even order would vanish.
      CMcBasic* cofactor = ExpandDeterminant(NewMinor(node->m_children, n, i, j));
      McMergeSign(cofactor, static_cast<WORD>((i + j) & 1));
      cells[i + j * n] = cofactor;
    }
  }
  adjugate->AdoptChildren(cells);
  adjugate->m_columns = static_cast<WORD>(n);
  delete node;
  return adjugate;
}

CMcBasic* CMcOperator::ExpandDeterminant(CMcBasic* node) {
  int rows = 0, columns = 0;
  CMcMatrix* matrix = WellFormed(node, &rows, &columns);
  const int n = columns;
  if (matrix == nullptr || matrix->GetShape() != CMcMatrix::kPlain || rows != n ||
      n > kMaxExpandedOrder)
    return new CMcOperator(node, Flags(kDeterminant));
  // det(-A) = (-1)^n det(A): the matrix's minus survives an odd order only.
  const WORD sign = static_cast<WORD>(node->GetSign() & (n % 2 == 1 ? 3 : 2));
  if (n >= 4) {
    // Along the first column; the node keeps its elements and is deleted
    // with them.
    CMcBasic* sum = new CMcListsum(sign);
    for (int i = 0; i < n; ++i) {
      CMcBasic* head = node->m_children[i * n];
      if (McIsNumber(head, 0.0)) {
        sum->AppendChild(new CMcReal(0.0, 0));
        continue;
      }
      CMcBasic* minor = NewMinor(node->m_children, n, i, 0);
      sum->AppendChild(
          McNewProduct(static_cast<WORD>(i & 1), {head->Clone(), ExpandDeterminant(minor)}));
    }
    delete node;
    return sum;
  }
  std::vector<CMcBasic*> a = McReleaseChildren(node);
  delete node;
  if (n == 1) {
    McMergeSign(a[0], sign);
    return a[0];
  }
  if (n == 2) {
    return McNewSum(sign, {McNewProduct(0, {a[0], a[3]}), McNewProduct(1, {a[1], a[2]})});
  }
  // The rule of Sarrus: three diagonals down to the right from clones, three
  // up to the right from the elements themselves.
  return McNewSum(sign, {McNewProduct(0, {a[0]->Clone(), a[4]->Clone(), a[8]->Clone()}),
                         McNewProduct(0, {a[1]->Clone(), a[5]->Clone(), a[6]->Clone()}),
                         McNewProduct(0, {a[2]->Clone(), a[3]->Clone(), a[7]->Clone()}),
                         McNewProduct(1, {a[2], a[4], a[6]}), McNewProduct(1, {a[0], a[5], a[7]}),
                         McNewProduct(1, {a[1], a[3], a[8]})});
}
