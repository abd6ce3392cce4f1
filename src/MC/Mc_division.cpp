#include "MC/Mc_division.h"

#include "MC/MC_POWER.h"
#include "MC/MC_REAL.h"
#include "MC/MXC_TERM.h"
#include "MC/McComplex.h"
#include "MC/Mc_listmult.h"
#include "MC/McLayout.h"
#include "platform/gdi/DC.h"

#include <algorithm>
#include <cmath>

namespace {

// Parts taller than this together get the thick bar; a fraction taller than
// kWideHeight gets one more pixel of height and two of width.
constexpr int kThickBarParts = 60;
constexpr int kWideHeight = 63;

}  // namespace

CMcDivision::CMcDivision(CMcBasic* numerator, CMcBasic* denominator, WORD flags) : CMcBasic(flags) {
  if (numerator) AppendChild(numerator);
  if (denominator) AppendChild(denominator);
}

CMcBasic* CMcDivision::Load(CArchive& ar) {
  return LoadPairAs(ar, [](CMcBasic* numerator, CMcBasic* denominator, WORD flags) -> CMcBasic* {
    return new CMcDivision(numerator, denominator, flags);
  });
}

BOOL CMcDivision::Navigate(int direction, int modifier, McCursor* cursor) {
  if (m_count != 2) return CMcBasic::Navigate(direction, modifier, cursor);
  CMcBasic* numerator = m_children[0];
  CMcBasic* denominator = m_children[1];
  auto toParent = [&]() {
    return m_parent ? m_parent->Navigate(direction, modifier, cursor) : FALSE;
  };
  if (cursor->node == this) {
    if (direction == kMcUp) return cursor->Place(numerator, cursor->fromSide);
    if (direction == kMcDown) return cursor->Place(denominator, cursor->fromSide);
    if (cursor->fromSide == 0)
      return direction == kMcLeft ? toParent() : cursor->Place(numerator, 0);
    return direction == kMcRight ? toParent() : cursor->Place(numerator, 1);
  }
  if (direction == kMcUp) {
    if (cursor->node == denominator) return cursor->Place(numerator, cursor->fromSide);
    cursor->node = this;
    return toParent();
  }
  if (direction == kMcDown) {
    if (cursor->node == numerator) return cursor->Place(denominator, cursor->fromSide);
    cursor->node = this;
    return toParent();
  }
  if (direction == kMcLeft && cursor->fromSide == 0) return cursor->Place(this, 0);
  if (direction == kMcRight && cursor->fromSide != 0) return cursor->Place(this, 1);
  return FALSE;
}

WORD CMcDivision::GetType() const {
  return McTypeWord(kMcDivision);
}

const char* CMcDivision::GetName() const {
  return "Division";
}

McComplex* CMcDivision::Evaluate(McComplex* result, CQorexDoc* doc, CSIMsystem* sim) const {
  if (m_count != 2) return CMcBasic::Evaluate(result, doc, sim);
  McComplex numerator, denominator;
  m_children[0]->Evaluate(&numerator, doc, sim);
  m_children[1]->Evaluate(&denominator, doc, sim);
  if (m_flags & kMcMinus) numerator = McComplexNeg(numerator);
  *result = McComplexDiv(numerator, denominator);
  return result;
}

// The vector path puts the minus on the denominator, the scalar path on the
// numerator; the two differ only in the signs of zero parts.
McComplex* CMcDivision::EvaluateVector(CQorexDoc* doc) const {
  if (m_count != 2) return CMcBasic::EvaluateVector(doc);
  const int n = McStepCount(doc);
  McComplex* numerator = m_children[0]->EvaluateVector(doc);
  McComplex* denominator = m_children[1]->EvaluateVector(doc);
  const bool negate = (m_flags & kMcMinus) != 0;
  for (int k = 0; k < n; ++k) {
    numerator[k] =
        McComplexDiv(numerator[k], negate ? McComplexNeg(denominator[k]) : denominator[k]);
  }
  delete[] denominator;
  return numerator;
}

int CMcDivision::BarThickness() const {
  if (m_count != 2) return 1;
  return m_children[0]->m_box.height + m_children[1]->m_box.height > kThickBarParts ? 2 : 1;
}

void CMcDivision::Layout(CDC* dc, int mode) {
  const int level = GetLevel();
  const int fontHeight = McFontHeight(kFontItalic, level);
  if (m_count != 2) return LayoutEmpty(dc, mode);
  CMcBasic* numerator = m_children[0];
  CMcBasic* denominator = m_children[1];
  if (mode == kMcLayoutFromTop) {
    const int partLevel = std::min(level + ((m_flags & kMcVariant) ? 1 : 0), kMcMaxLevel);
    numerator->SetLevel(partLevel);
    numerator->Layout(dc, kMcLayoutFromTop);
    denominator->SetLevel(partLevel);
    denominator->Layout(dc, kMcLayoutFromTop);
  }
  m_baseline = static_cast<WORD>(numerator->m_box.height + McFontAscent(kFontItalic, level) -
                                 fontHeight / 2 + 2);
  m_box.height = numerator->m_box.height + 3 + denominator->m_box.height;
  m_box.width = std::max(numerator->m_box.width, denominator->m_box.width);
  int half = m_box.width / 2;
  if (m_box.height > kWideHeight) {
    m_box.height += 1;
    half += 1;
    m_box.width += 2;
  }
  const CRect margins = LayoutSignAndParens();
  numerator->m_box.x = margins.left + half - numerator->m_box.width / 2;
  numerator->m_box.y = margins.top;
  denominator->m_box.x = margins.left + half - denominator->m_box.width / 2;
  denominator->m_box.y = m_box.height - denominator->m_box.height - margins.bottom;
  RelayoutParent(dc, mode);
}

void CMcDivision::Draw(CDC* dc, int x, int y) const {
  x += m_box.x;
  y += m_box.y;
  for (int i = 0; i < m_count; ++i) m_children[i]->Draw(dc, x, y);
  const CRect margins = DrawSignAndParens(dc, x, y);
  if (m_count != 2) return;
  const CMcBasic* numerator = m_children[0];
  const int thickness = BarThickness();
  dc->SelectObject(g_pens[thickness][ColorIndex(dc->GetTextColor())]);
  const int barY = y + numerator->m_box.y + numerator->m_box.height + thickness;
  dc->MoveTo(x + margins.left - 1 + thickness, barY);
  dc->LineTo(x + m_box.width - margins.right - thickness + 1, barY);
}

CMcBasic* CMcDivision::Clone() const {
  if (m_count != 2) return new CMcDivision(nullptr, nullptr, m_flags);
  return new CMcDivision(m_children[0]->Clone(), m_children[1]->Clone(), m_flags);
}

WORD CMcDivision::Compare(const CMcBasic* other) const {
  return ComparePair(other);
}

// ---- symbolic layer ------------------------------------------------------------

CMcBasic* CMcDivision::Differentiate(CMcBasic* variable, unsigned options) {
  if (m_count != 2) return CMcBasic::Differentiate(variable, options);
  CMcBasic* numerator = m_children[0];
  CMcBasic* denominator = m_children[1];
  CMcBasic* dn = McDerivativeOf(numerator, variable, options);
  CMcBasic* dd = McDerivativeOf(denominator, variable, options);
  CMcBasic* top = McNewSum(
      0, {McNewProduct(0, {denominator->Clone(), dn}), McNewProduct(1, {numerator->Clone(), dd})});
  CMcBasic* bottom = new CMcPower(denominator->Clone(), new CMcReal(2.0, 0), 0);
  CMcBasic* result = new CMcDivision(top, bottom, 0);
  McMergeSign(result, m_flags);
  return CMXC_TERM::Simplify(result);
}

WORD CMcDivision::Perform() {
  if (m_count != 2) return 0;
  return CMXC_TERM::PerformInPlace(this) != nullptr ? 1 : 0;
}

void CMcDivision::Tidy() {
  CMcBasic::Tidy();
  if (m_count != 2 || McSlotOf(this) < 0) return;
  const CMcBasic* denominator = m_children[1];
  if (!McIsNumber(denominator, 1.0)) return;
  CMcBasic* numerator = McTakeChild(this, 0);
  McMergeSign(numerator, m_flags);
  McMergeSign(numerator, denominator->m_flags);
  McReplaceNode(this, numerator);
}

void CMcDivision::Isolate(int which) {
  if (m_count != 2 || !McCanIsolate(this, which)) return;
  CMcBasic* relation = m_parent;
  CMcBasic* other = relation->m_children[1];
  if (which == 1) {
    CMcBasic* denominator = SetChildAt(other, 1);
    relation->SetChildAt(denominator, 0);
    relation->SetChildAt(this, 1);
    return;
  }
  CMcBasic* product =
      McNewProduct(static_cast<WORD>(m_flags & kMcSignMask), {other, McTakeChild(this, 1)});
  CMcBasic* numerator = McTakeChild(this, 0);
  relation->SetChildAt(product, 1);
  relation->SetChildAt(numerator, 0);
  delete this;
}

namespace {

// The value of a constant as a signed numerator over a positive denominator
// (a number over 1); false for anything else.
bool ConstantParts(const CMcBasic* node, double* numerator, double* denominator) {
  if (McIsNumber(node)) {
    *numerator = McNumberValue(node);
    *denominator = 1.0;
    return true;
  }
  if (!McIsKind(node, kMcDivision) || node->m_count != 2 || !McIsNumber(node->m_children[0]) ||
      !McIsNumber(node->m_children[1]))
    return false;
  *numerator = McNumberValue(node->m_children[0]);
  *denominator = McNumberValue(node->m_children[1]);
  if (node->m_flags & kMcMinus) *numerator = -*numerator;
  if (*denominator < 0.0) {
    *numerator = -*numerator;
    *denominator = -*denominator;
  }
  return true;
}

bool IsExactWhole(double x) {
  return std::isfinite(x) && std::floor(x) == x && std::fabs(x) < 0x1p53;
}

void SetNumber(CMcBasic* node, double value) {
  auto* number = static_cast<CMcReal*>(node);
  number->m_value = std::fabs(value);
  number->m_flags = static_cast<WORD>((number->m_flags & ~kMcSignMask) | (value < 0.0 ? 1 : 0));
}

}  // namespace

WORD CMcDivision::AddNumber(const CMcBasic* value) {
  double a, b, c, d;
  if (!ConstantParts(this, &a, &b) || !ConstantParts(value, &c, &d)) return 0;
  m_flags &= static_cast<WORD>(~kMcSignMask);
  const double ad = a * d, cb = c * b, bd = b * d;
  const bool exact = IsExactWhole(a) && IsExactWhole(b) && IsExactWhole(c) && IsExactWhole(d) &&
                     b != 0.0 && d != 0.0 && IsExactWhole(ad) && IsExactWhole(cb) &&
                     IsExactWhole(bd) && IsExactWhole(ad + cb);
  if (!exact) {
    SetNumber(m_children[0], a / b + c / d);
    SetNumber(m_children[1], 1.0);
    return 0;
  }
  double top = std::fabs(ad + cb), bottom = bd;
  if (top == 0.0)
    bottom = 1.0;
  else
    McReduceFractionD(&top, &bottom);
  SetNumber(m_children[0], ad + cb < 0.0 ? -top : top);
  SetNumber(m_children[1], bottom);
  return 1;
}

// ---- fraction reduction ------------------------------------------------------

void McReduceFraction(int* a, int* b) {
  static constexpr int kPrimes[20] = {2,  3,  5,  7,  11, 13, 17, 19, 23, 29,
                                      31, 37, 43, 47, 53, 59, 61, 67, 71, 73};
  if (*a == *b) {
    *a = *b = 1;
    return;
  }
  const bool aSmaller = *a < *b;
  int small = aSmaller ? *a : *b;
  int great = aSmaller ? *b : *a;
  int counts[20] = {};
  int k = 0;
  while (k < 20 && kPrimes[k] <= small) {
    if (small % kPrimes[k] == 0) {
      ++counts[k];
      small /= kPrimes[k];
    } else {
      ++k;
    }
  }
  const int used = std::min(k + 1, 20);
  for (int p = 0; p < used; ++p) {
    while (counts[p] != 0 && great % kPrimes[p] == 0) {
      great /= kPrimes[p];
      --counts[p];
    }
  }
  for (int p = 0; p < used; ++p) {
    if (counts[p] != 0) small *= static_cast<int>(std::floor(std::pow(kPrimes[p], counts[p])));
  }
  *(aSmaller ? a : b) = small;
  *(aSmaller ? b : a) = great;
}

// Scaling needs positive finite values: a power of ten has no meaning for
// zero, negative or infinite ones (and their logarithms would not convert).
void McReduceFractionD(double* a, double* b) {
  const double x = *a, y = *b;
  if (std::floor(x) == x && std::floor(y) == y && x < 1e9 && y < 1e9) {
    // Whole numbers below the 32-bit range (infinity included) stay as they are.
    if (x < -2147483648.0 || y < -2147483648.0) return;
    int ia = static_cast<int>(x), ib = static_cast<int>(y);
    McReduceFraction(&ia, &ib);
    *a = ia;
    *b = ib;
    return;
  }
  if (!(x > 0.0 && y > 0.0 && std::isfinite(x) && std::isfinite(y))) return;
  if (x < 1 && y < 1) {
    const int e = static_cast<int>(std::min(std::ceil(-std::log10(x)), std::ceil(-std::log10(y))));
    const double f = std::pow(10.0, e);
    if (x / y == (f * x) / (f * y)) {
      *a = f * x;
      *b = f * y;
    }
  } else if (x > 1e15 && y > 1e15) {
    const int e = static_cast<int>(std::min(std::ceil(std::log10(x)), std::ceil(std::log10(y))));
    const double f = std::pow(10.0, e);
    if (x / y == (x / f) / (y / f)) {
      *a = x / f;
      *b = y / f;
    }
  }
}
