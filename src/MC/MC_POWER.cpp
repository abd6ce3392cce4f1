#include "MC/MC_POWER.h"

#include "MC/McComplex.h"
#include "MC/McLayout.h"
#include "MC/Mc_operator.h"

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
      return (base->m_flags & 0x4000) == 0;
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
  power->m_flags = static_cast<WORD>((power->m_flags & 0x00FF) | (clamped << 8));
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
  *result = (m_flags & 1) ? McComplexNeg(value) : value;
  return result;
}

McComplex* CMcPower::EvaluateVector(CQorexDoc* doc) const {
  if (m_count != 2) return CMcBasic::EvaluateVector(doc);
  const int n = McStepCount(doc);
  McComplex* base = m_children[0]->EvaluateVector(doc);
  McComplex* exponent = m_children[1]->EvaluateVector(doc);
  const bool negate = (m_flags & 1) != 0;
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
  if ((base->m_flags & 7) != 0) return kUpperRight;
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
  if (mode == 0) {
    exponent->SetLevel(std::min(level + 1, 3));
    exponent->Layout(dc, 0);
    base->SetLevel(std::min(level, 3));
    base->Layout(dc, 0);
  } else {
    if (IsNamedBase(base)) {
      base->SetLevel(std::min(level, 3));
      base->Layout(dc, 2);  // refreshes the exponent offset
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

WORD CMcPower::PerformPower() {
  return 0;
}
