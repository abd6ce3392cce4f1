#include "MC/Mc_operator.h"

#include "GlobalResources.h"
#include "MC/McComplex.h"
#include "MC/McKinds.h"
#include "MC/McLayout.h"
#include "platform/core/Archive.h"
#include "platform/gdi/Gdi.h"

#include <algorithm>
#include <cmath>
#include <cstring>

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
  *result = (m_flags & 1) ? McComplexNeg(value) : value;
  return result;
}

// The operand's array is rewritten in place: no array of the operator's own.
McComplex* CMcOperator::EvaluateVector(CQorexDoc* doc) const {
  const CMcBasic* operand = GetOperand();
  const int code = GetCode();
  if (operand == nullptr || !HasValue(code)) return CMcBasic::EvaluateVector(doc);
  const int n = McStepCount(doc);
  McComplex* values = operand->EvaluateVector(doc);
  const bool negate = (m_flags & 1) != 0;
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
  if (mode == 0) {
    operand->SetLevel(std::min(level, 3));
    operand->Layout(dc, 0);
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
  McSelectFont(dc, row.family, row.smaller ? std::min(level + 1, 3) : level);
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
