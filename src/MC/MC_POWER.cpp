#include "MC/MC_POWER.h"

#include "MC/MC_LOG.h"
#include "MC/MC_REAL.h"
#include "MC/MC_ROOT.h"
#include "MC/MXC_TERM.h"
#include "MC/McComplex.h"
#include "MC/McConstants.h"
#include "MC/McLayout.h"
#include "MC/Mc_division.h"
#include "MC/Mc_listmult.h"
#include "MC/Mc_listsum.h"
#include "MC/Mc_operator.h"
#include "MC/Mc_variable.h"

#include <algorithm>
#include <cmath>

namespace {

// Bases that bracket themselves or are plain atoms and so stand without
// parentheses under an exponent.
bool IsSelfDelimiting(const CMcBasic* base) {
  const WORD type = base->GetType();
  switch (McKindOf(type)) {
    case kMcNull:    // empty placeholder
    case kMcMatrix:  // matrix, row, column, augmented
      return true;
    case kMcOperator:  // det, |x|, norm, floor, ceiling
      return type >= CMcOperator::TypeOf(CMcOperator::kDeterminant) &&
             type <= CMcOperator::TypeOf(CMcOperator::kCeiling);
    case kMcReal:  // a number, unless marked
      return (base->m_flags & kMcHighMark) == 0;
    default:
      return false;
  }
}

// Bases that write the exponent offset where their name ends.
bool IsNamedBase(const CMcBasic* base) {
  const McKindCode kind = McKindOf(base->GetType());
  return kind == kMcVariable || kind == kMcFunction || kind == kMcLog;
}

}  // namespace

McComplex McComplexPow(const McComplex& b, const McComplex& e) {
  if (b.re == 0.0 && b.im == 0.0 && e.re > 0.0) return McComplex{0.0, 0.0};
  const double logModulus = std::log(McComplexAbs(b));
  const double angle = std::atan2(b.im, b.re);
  const double modulus = std::exp(e.re * logModulus - e.im * angle);
  const double theta = e.im * logModulus + e.re * angle;
  return McComplex{modulus * std::cos(theta), modulus * std::sin(theta)};
}

CMcPower::CMcPower(CMcBasic* base, CMcBasic* exponent, WORD flags) : CMcBasic(flags) {
  if (base) AppendChild(base);
  if (exponent) AppendChild(exponent);
}

CMcBasic* CMcPower::Load(CArchive& ar) {
  return LoadPairAs(ar, [](CMcBasic* base, CMcBasic* exponent, WORD flags) -> CMcBasic* {
    return new CMcPower(base, exponent, flags);
  });
}

void CMcPower::WriteExponentOffset(CMcBasic* node, int offset) {
  CMcBasic* power = node->m_parent;
  if (!McIsKind(power, kMcPower) || power->m_count < 1 || power->m_children[0] != node) {
    return;
  }
  const int clamped = std::clamp(offset, 0, 255);
  power->m_flags = McWithKindData(power->m_flags, clamped);
}

BOOL CMcPower::Navigate(int direction, int modifier, McCursor* cursor) {
  if (m_count != 2) return CMcBasic::Navigate(direction, modifier, cursor);
  CMcBasic* base = m_children[0];
  CMcBasic* exponent = m_children[1];
  auto toParent = [&]() {
    return m_parent ? m_parent->Navigate(direction, modifier, cursor) : FALSE;
  };
  if (cursor->node == this) {
    switch (direction) {
      case kMcUp:
        return cursor->Place(exponent, cursor->fromSide);
      case kMcRight:
        return cursor->fromSide == 0 ? cursor->Place(base, 0) : toParent();
      case kMcLeft:
        return cursor->fromSide == 0 ? toParent() : cursor->Place(base, 1);
      default:
        return toParent();
    }
  }
  const bool fromBase = cursor->node == base;
  if (direction == kMcUp) {
    if (fromBase) return cursor->Place(exponent, 0);
    cursor->node = this;
    return toParent();
  }
  if (direction == kMcDown) {
    if (!fromBase) return cursor->Place(base, 1);
    cursor->node = this;
    return toParent();
  }
  if (direction == kMcRight && cursor->fromSide != 0) return cursor->Place(this, 1);
  if (direction == kMcLeft && cursor->fromSide == 0) return cursor->Place(this, 0);
  return FALSE;
}

WORD CMcPower::GetType() const {
  return McTypeWord(kMcPower);
}

const char* CMcPower::GetName() const {
  return "Power";
}

McComplex* CMcPower::Evaluate(McComplex* result, CQorexDoc* doc, CSIMsystem* sim) const {
  if (m_count != 2) return CMcBasic::Evaluate(result, doc, sim);
  McComplex base, exponent;
  m_children[0]->Evaluate(&base, doc, sim);
  m_children[1]->Evaluate(&exponent, doc, sim);
  const McComplex value = McComplexPow(base, exponent);
  *result = (m_flags & kMcMinus) ? McComplexNeg(value) : value;
  return result;
}

McComplex* CMcPower::EvaluateVector(CQorexDoc* doc) const {
  if (m_count != 2) return CMcBasic::EvaluateVector(doc);
  const int n = McStepCount(doc);
  McComplex* base = m_children[0]->EvaluateVector(doc);
  McComplex* exponent = m_children[1]->EvaluateVector(doc);
  const bool negate = (m_flags & kMcMinus) != 0;
  for (int k = 0; k < n; ++k) {
    const McComplex value = McComplexPow(base[k], exponent[k]);
    base[k] = negate ? McComplexNeg(value) : value;
  }
  delete[] exponent;
  return base;
}

CMcPower::Arrangement CMcPower::GetArrangement() const {
  if (m_count != 2) return kUpperRight;
  const CMcBasic* base = m_children[0];
  if ((base->m_flags & kMcSignAndParens) != 0) return kUpperRight;
  if (McIsKind(base, kMcVariable)) return kOverName;
  if (IsNamedBase(base)) return kBetweenNameAndArgument;
  return kUpperRight;
}

bool CMcPower::BaseNeedsParens() const {
  if (m_count != 2) return false;
  const CMcBasic* base = m_children[0];
  return base->GetSign() != 0 || !IsSelfDelimiting(base);
}

void CMcPower::Layout(CDC* dc, int mode) {
  const int level = GetLevel();
  const int fontHeight = McFontHeight(kFontItalic, level);
  const int fontAscent = McFontAscent(kFontItalic, level);
  if (m_count != 2) return LayoutEmpty(dc, mode);
  CMcBasic* base = m_children[0];
  CMcBasic* exponent = m_children[1];
  if (mode == kMcLayoutFromTop) {
    exponent->SetLevel(McSmallerLevel(level));
    exponent->Layout(dc, kMcLayoutFromTop);
    base->SetLevel(std::min(level, kMcMaxLevel));
    base->Layout(dc, kMcLayoutFromTop);
  } else {
    if (IsNamedBase(base)) {
      base->SetLevel(std::min(level, kMcMaxLevel));
      base->Layout(dc, kMcLayoutPowerBase);  // refreshes the exponent offset
    }
  }
  const int offset = ExponentOffset();
  const McBox& b = base->m_box;
  const McBox& e = exponent->m_box;
  const int baseBaseline = base->m_baseline;

  switch (GetArrangement()) {
    case kOverName: {
      m_box.width = e.width < b.width - offset ? b.width : offset + e.width;
      m_box.height = fontHeight / 2 + e.height;
      m_baseline = static_cast<WORD>(m_box.height - (fontHeight - fontAscent));
      const CRect m = LayoutSignAndParens();
      base->m_box.x = m.left;
      base->m_box.y = m_box.height - m.bottom - b.height;
      exponent->m_box.x = m.left + offset;
      exponent->m_box.y = m.top;
      break;
    }
    case kBetweenNameAndArgument: {
      m_box.width = b.width;
      if (e.height < baseBaseline - fontAscent + fontHeight / 2) {
        m_box.height = b.height;
        m_baseline = static_cast<WORD>(baseBaseline);
      } else {
        m_box.height = e.height - fontHeight / 2 + fontAscent + b.height - baseBaseline;
        m_baseline = static_cast<WORD>(m_box.height - (b.height - baseBaseline));
      }
      // The exponent's bottom edge lies half a font height below the top of
      // the name's text line (the content baseline, before the margins).
      const int contentBaseline = m_baseline;
      const CRect m = LayoutSignAndParens();
      base->m_box.x = m.left;
      base->m_box.y = m_box.height - m.bottom - b.height;
      exponent->m_box.x = m.left + offset;
      exponent->m_box.y = m.top + contentBaseline - fontAscent + fontHeight / 2 - e.height;
      break;
    }
    case kUpperRight: {
      // The offset belongs to named bases; an old one would outlive an edit
      // that wrapped the name, and the record would differ from a fresh tree's.
      m_flags &= kMcBaseMask;
      CRect p(0, 0, 0, 0);
      if (BaseNeedsParens()) p = LayoutParens(b, baseBaseline);
      m_box.width = p.left + p.right + b.width + e.width;
      if (p.top + b.height / 2 < e.height) {
        m_box.height = e.height + b.height / 2 + p.bottom;
      } else {
        m_box.height = p.top + p.bottom + b.height;
      }
      m_baseline = static_cast<WORD>(m_box.height - (p.bottom + b.height - baseBaseline));
      const CRect m = LayoutSignAndParens();
      base->m_box.x = m.left + p.left;
      base->m_box.y = m_box.height - m.bottom - p.bottom - b.height;
      exponent->m_box.x = m_box.width - m.right - e.width;
      exponent->m_box.y = m.top;
      break;
    }
  }
  RelayoutParent(dc, mode);
}

void CMcPower::Draw(CDC* dc, int x, int y) const {
  x += m_box.x;
  y += m_box.y;
  for (int i = 0; i < m_count; ++i) m_children[i]->Draw(dc, x, y);
  DrawSignAndParens(dc, x, y);
  if (GetArrangement() == kUpperRight && BaseNeedsParens()) {
    const CMcBasic* base = m_children[0];
    DrawParens(dc, x, y, base->m_box, base->m_baseline);
  }
}

CMcBasic* CMcPower::Clone() const {
  if (m_count != 2) return new CMcPower(nullptr, nullptr, m_flags);
  return new CMcPower(m_children[0]->Clone(), m_children[1]->Clone(), m_flags);
}

WORD CMcPower::Compare(const CMcBasic* other) const {
  return ComparePair(other);
}

// ---- symbolic layer ------------------------------------------------------------

namespace {

// The natural logarithm of x: base the constant e.
CMcBasic* NewLn(CMcBasic* x) {
  return new CMcLog(x, McNewConstant("e"), 0);
}

// The constant j as the folding rules recognise it: no sign, no other marks.
bool IsImaginaryUnit(const CMcBasic* node) {
  if (!McIsKind(node, kMcVariable)) return false;
  const auto* v = static_cast<const CMcVariable*>(node);
  return v->m_length == 3 && v->GetVarName()[0] == 'j' &&
         (node->m_flags & (kMcSignMask | kMcVariableStyleMask)) == kMcConstant;
}

double Magnitude(const CMcBasic* number) {
  return static_cast<const CMcReal*>(number)->m_value;
}

}  // namespace

CMcBasic* CMcPower::Differentiate(CMcBasic* variable, unsigned options) {
  if (m_count != 2) return CMcBasic::Differentiate(variable, options);
  CMcBasic* base = m_children[0];
  CMcBasic* exponent = m_children[1];
  const bool constantBase = McIsConstantFor(base, variable, options);
  const bool constantExponent = McIsConstantFor(exponent, variable, options);
  const WORD sign = m_flags & kMcSignMask;
  // e B^(e-1) B'
  auto powerRule = [&](WORD flags) {
    return McNewProduct(
        flags, {exponent->Clone(),
                new CMcPower(base->Clone(), McNewSum(0, {exponent->Clone(), McNewNumber(-1.0)}), 0),
                McDerivativeOf(base, variable, options)});
  };
  // ln B B^e e'
  auto exponentialRule = [&](WORD flags) {
    return McNewProduct(flags,
                        {NewLn(base->Clone()), new CMcPower(base->Clone(), exponent->Clone(), 0),
                         McDerivativeOf(exponent, variable, options)});
  };
  CMcBasic* result;
  if (constantBase && constantExponent)
    result = new CMcReal(0.0, 0);
  else if (constantExponent)
    result = powerRule(sign);
  else if (constantBase)
    result = exponentialRule(sign);
  else
    result = McNewSum(sign, {powerRule(0), exponentialRule(0)});
  return CMXC_TERM::Simplify(result);
}

WORD CMcPower::Perform() {
  if (m_count != 2) return 0;
  CMcBasic* built = CMXC_TERM::PerformInPlace(this);
  if (built == nullptr) return 0;
  if (McIsKind(built, kMcPower)) static_cast<CMcPower*>(built)->PerformPower();
  return 1;
}

void CMcPower::Tidy() {
  CMcBasic::Tidy();
  if (m_count != 2 || McSlotOf(this) < 0) return;
  const CMcBasic* exponent = m_children[1];
  if (!McIsNumber(exponent)) return;
  if (Magnitude(exponent) == 1.0 && (exponent->m_flags & kMcSignMask) == 0) {
    CMcBasic* base = McTakeChild(this, 0);
    McMergeSign(base, m_flags);
    McReplaceNode(this, base);
  } else if (Magnitude(exponent) == 0.0) {
    McReplaceNode(this, new CMcReal(1.0, static_cast<WORD>(m_flags & kMcSignMask)));
  }
}

void CMcPower::Isolate(int which) {
  if (m_count != 2 || !McCanIsolate(this, which)) return;
  CMcBasic* relation = m_parent;
  CMcBasic* other = relation->m_children[1];
  CMcBasic* exponent = m_children[1];
  if (which == 1) {
    McMergeSign(other, m_flags);
    CMcBasic* base = McTakeChild(this, 0);
    relation->SetChildAt(new CMcLog(other, base, 0), 1);
    relation->SetChildAt(McTakeChild(this, 1), 0);
    delete this;
    return;
  }
  const bool number = McIsNumber(exponent) && (exponent->m_flags & kMcPlusMinus) == 0;
  const double v = number ? Magnitude(exponent) : 0.0;
  if (number && v == 0.0) return;
  McMergeSign(other, m_flags);
  if (number && std::floor(v) == v && std::fmod(v, 2.0) == 0.0) {
    // b^(-2k) = y gives b = +-root(y^-1).
    CMcBasic* radicand =
        (exponent->m_flags & kMcMinus) ? new CMcPower(other, new CMcReal(1.0, kMcMinus), 0) : other;
    relation->SetChildAt(new CMcRoot(radicand, new CMcReal(v, 0), kMcPlusMinus), 1);
  } else {
    CMcBasic* e = McTakeChild(this, 1);
    relation->SetChildAt(new CMcPower(other, new CMcDivision(new CMcReal(1.0, 0), e, 0), 0), 1);
  }
  relation->SetChildAt(McTakeChild(this, 0), 0);
  delete this;
}

WORD CMcPower::PerformPower() {
  if (m_count != 2 || McSlotOf(this) < 0) return 0;
  const CMcBasic* base = m_children[0];
  const CMcBasic* exponent = m_children[1];
  if (McIsNumber(exponent)) {
    const int folded = FoldNumberExponent();
    if (folded >= 0) return static_cast<WORD>(folded);
  } else if (McIsNumber(base, 1.0) && (base->m_flags & kMcSignMask) == 0) {
    return ReplaceBy(new CMcReal(1.0, static_cast<WORD>(m_flags & kMcSignMask)));
  }
  if (FoldConstants()) return 1;
  return FoldLogExponent();
}

int CMcPower::FoldNumberExponent() {
  auto* base = m_children[0];
  auto* exponent = static_cast<CMcReal*>(m_children[1]);
  const WORD sign = m_flags & kMcSignMask;
  const WORD exponentSign = exponent->m_flags & kMcSignMask;
  const double v = exponent->m_value;
  const double nan = std::log(-1.0);
  double n = 0.0;
  if (std::isnan(v)) return ReplaceBy(new CMcReal(nan, sign));
  if (v == 0.0) return ReplaceBy(new CMcReal(1.0, sign));
  if (v == 1.0 && exponentSign == 0) {
    CMcBasic* b = McTakeChild(this, 0);
    McMergeSign(b, sign);
    return ReplaceBy(b);
  }
  if (McIsNumber(base)) {
    auto* number = static_cast<CMcReal*>(base);
    const WORD baseSign = base->m_flags & kMcSignMask;
    const double w = number->m_value;
    if (std::isnan(w)) return ReplaceBy(new CMcReal(nan, sign));
    if (w == 1.0 && baseSign == 0) return ReplaceBy(new CMcReal(1.0, sign));
    if (w == 1.0 && McIsWhole(v, &n)) {
      CMcBasic* one = new CMcReal(1.0, sign);
      if (std::fmod(n, 2.0) != 0.0) McMergeSign(one, baseSign);
      return ReplaceBy(one);
    }
    // 0 to a negative power is NaN, as the engine's own evaluation gives it.
    if (w == 0.0)
      return ReplaceBy(exponentSign == 0 ? new CMcReal(0.0, 0) : new CMcReal(nan, sign));
    if (baseSign == 0 && (exponentSign & kMcPlusMinus) == 0) {
      double whole = 0.0;
      // The high byte of the power's flags is its exponent offset, which
      // means nothing to a number: the result keeps sign, parentheses, level.
      if (McIsWhole(std::pow(w, (exponentSign & kMcMinus) ? -v : v), &whole))
        return ReplaceBy(
            new CMcReal(whole, static_cast<WORD>(m_flags & (kMcSignAndParens | kMcLevelMask))));
      if (McIsWhole(std::pow(w, v), &whole)) {
        // 2^-3 becomes 8^-1: the reciprocal of a whole number.
        if (w == whole && v == 1.0) return 0;
        number->m_value = whole;
        number->m_flags &= static_cast<WORD>(~kMcSignMask);
        exponent->m_value = 1.0;
        return 1;
      }
    }
    return -1;
  }
  if (IsImaginaryUnit(base) && McIsWhole(v, &n)) {
    double k = std::fmod(n, 4.0);
    if (exponentSign & kMcMinus) k = std::fmod(4.0 - k, 4.0);
    CMcBasic* result;
    if (k == 0.0 || k == 2.0) {
      result = new CMcReal(1.0, sign);
    } else {
      result = McNewConstant("j", base->m_flags);
      McMergeSign(result, sign);
    }
    if (k >= 2.0) result->m_flags ^= kMcMinus;
    return ReplaceBy(result);
  }
  return -1;
}

WORD CMcPower::FoldConstants() {
  McComplex b, e;
  if (!McConstantValue(m_children[0], &b) || !McConstantValue(m_children[1], &e)) return 0;
  const McComplex value = McComplexPow(b, e);
  double re = 0.0, im = 0.0;
  if (!McIsWhole(value.re, &re) || !McIsWhole(value.im, &im)) return 0;
  return ReplaceBy(McValueToExpression(re, im, m_flags));
}

WORD CMcPower::FoldLogExponent() {
  CMcBasic* log = m_children[1];
  if (!McIsKind(log, kMcLog) || log->m_count != 2) return 0;
  if (log->m_children[1]->Compare(m_children[0]) != 0) return 0;
  if ((log->m_flags & kMcSignMask) == 0) {
    CMcBasic* x = McTakeChild(log, 0);
    McMergeSign(x, m_flags);
    return ReplaceBy(x);
  }
  // b^-log_b(x) = x^-1: x becomes the base, the exponent 1 with the log's sign.
  CMcBasic* x = log->m_children[0];
  CMcBasic* base = m_children[0];
  SetChildAt(x, 0);
  log->SetChildAt(base, 0);
  SetChildAt(new CMcReal(1.0, static_cast<WORD>(log->m_flags & kMcSignMask)), 1);
  delete log;
  return 0;
}

WORD CMcPower::ReplaceBy(CMcBasic* node) {
  McReplaceNode(this, node);
  return 1;
}
