#include "MC/Mc_declaration.h"

#include "MC/MXC_TERM.h"
#include "MC/McComplex.h"
#include "MC/McLayout.h"

#include <algorithm>
#include <cmath>

namespace {

constexpr int kTabHeights = 8;
constexpr int kMinGapHeights = 2;

// The undefined value of a false condition.
McComplex Undefined() {
  const double nan = std::log(-1.0);
  return McComplex{nan, nan};
}

bool ConditionHolds(const McComplex& q) {
  const double modulus = McComplexAbs(q);
  return modulus != 0.0 && !std::isnan(modulus);
}

}  // namespace

CMcDeclaration::CMcDeclaration(CMcBasic* formula, CMcBasic* condition, WORD flags)
    : CMcBasic(flags) {
  if (formula) AppendChild(formula);
  if (condition) AppendChild(condition);
}

CMcBasic* CMcDeclaration::Load(CArchive& ar) {
  return LoadPairAs(ar, [](CMcBasic* formula, CMcBasic* condition, WORD flags) -> CMcBasic* {
    return new CMcDeclaration(formula, condition, flags);
  });
}

BOOL CMcDeclaration::Navigate(int direction, int modifier, McCursor* cursor) {
  return NavigatePair(direction, modifier, cursor);
}

WORD CMcDeclaration::GetType() const {
  return McTypeWord(kMcDeclaration);
}

const char* CMcDeclaration::GetName() const {
  return "Declaration";
}

McComplex* CMcDeclaration::Evaluate(McComplex* result, CQorexDoc* doc, CSIMsystem* sim) const {
  if (m_count != 2) return CMcBasic::Evaluate(result, doc, sim);
  McComplex value, condition;
  m_children[0]->Evaluate(&value, doc, sim);
  m_children[1]->Evaluate(&condition, doc, sim);
  if (!ConditionHolds(condition)) {
    *result = Undefined();
  } else {
    *result = (m_flags & kMcMinus) ? McComplexNeg(value) : value;
  }
  return result;
}

McComplex* CMcDeclaration::EvaluateVector(CQorexDoc* doc) const {
  if (m_count != 2) return CMcBasic::EvaluateVector(doc);
  const int n = McStepCount(doc);
  McComplex* values = m_children[0]->EvaluateVector(doc);
  McComplex* conditions = m_children[1]->EvaluateVector(doc);
  const bool negate = (m_flags & kMcMinus) != 0;
  for (int k = 0; k < n; ++k) {
    if (!ConditionHolds(conditions[k])) {
      values[k] = Undefined();
    } else if (negate) {
      values[k] = McComplexNeg(values[k]);
    }
  }
  delete[] conditions;
  return values;
}

int CMcDeclaration::TabUnit() const {
  return kTabHeights * McFontHeight(kFontItalic, GetLevel());
}

int CMcDeclaration::ConditionStart(int formulaWidth) const {
  const int tab = TabUnit();
  if (tab <= 0) return formulaWidth;
  const int reach = formulaWidth + kMinGapHeights * McFontHeight(kFontItalic, GetLevel());
  return (reach / tab + 1) * tab;
}

void CMcDeclaration::Layout(CDC* dc, int mode) {
  const int level = GetLevel();
  if (m_count != 2) return LayoutEmpty(dc, mode);
  CMcBasic* formula = m_children[0];
  CMcBasic* condition = m_children[1];
  if (mode == kMcLayoutFromTop) {
    for (CMcBasic* side : {formula, condition}) {
      side->SetLevel(std::min(level, kMcMaxLevel));
      side->Layout(dc, kMcLayoutFromTop);
    }
  }
  const CRect p = LayoutParens(condition->m_box, condition->m_baseline);
  const int parenWidth = condition->m_box.width + p.left + p.right;
  const int parenHeight = condition->m_box.height + p.top + p.bottom;
  const int parenBaseline = condition->m_baseline + p.top;
  m_box.width = ConditionStart(formula->m_box.width) + parenWidth;
  const int baseline = std::max(static_cast<int>(formula->m_baseline), parenBaseline);
  const int formulaDescent = formula->m_box.height - formula->m_baseline;
  m_box.height = baseline + std::max(formulaDescent, parenHeight - parenBaseline);
  m_baseline = static_cast<WORD>(baseline);
  const CRect m = LayoutSignAndParens();
  formula->m_box.x = m.left;
  formula->m_box.y = m_baseline - formula->m_baseline;
  condition->m_box.x = m_box.width - m.right - p.right - condition->m_box.width;
  condition->m_box.y = m_baseline - condition->m_baseline;
  RelayoutParent(dc, mode);
}

void CMcDeclaration::Draw(CDC* dc, int x, int y) const {
  x += m_box.x;
  y += m_box.y;
  for (int i = 0; i < m_count; ++i) m_children[i]->Draw(dc, x, y);
  if (m_count == 2) {
    const CMcBasic* condition = m_children[1];
    DrawParens(dc, x, y, condition->m_box, condition->m_baseline);
  }
  DrawSignAndParens(dc, x, y);
}

CMcBasic* CMcDeclaration::Clone() const {
  if (m_count != 2) return new CMcDeclaration(nullptr, nullptr, m_flags);
  return new CMcDeclaration(m_children[0]->Clone(), m_children[1]->Clone(), m_flags);
}

WORD CMcDeclaration::Compare(const CMcBasic* other) const {
  return ComparePair(other);
}

CMcBasic* CMcDeclaration::Differentiate(CMcBasic* variable, unsigned options) {
  if (m_count != 2) return CMcBasic::Differentiate(variable, options);
  CMcBasic* formula = McDerivativeOf(m_children[0], variable, options);
  McMergeSign(formula, m_flags);
  return CMXC_TERM::Simplify(new CMcDeclaration(formula, m_children[1]->Clone(),
                                                static_cast<WORD>(m_flags & ~kMcSignMask)));
}
