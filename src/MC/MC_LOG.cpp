#include "MC/MC_LOG.h"

#include "MC/MC_POWER.h"
#include "MC/MC_REAL.h"
#include "MC/MC_ROOT.h"
#include "MC/MXC_TERM.h"
#include "MC/McConstants.h"
#include "MC/McComplex.h"
#include "MC/McEditorFocus.h"
#include "MC/McKinds.h"
#include "MC/McLayout.h"
#include "MC/Mc_division.h"
#include "MC/Mc_variable.h"
#include "platform/gdi/DC.h"

#include <algorithm>
#include <cstring>

namespace {

// Name widths in fortieths of the font height.
constexpr int kLnWidth = 25;
constexpr int kLogWidth = 42;

// Arguments that bracket themselves, or stand raised or under a radical, and
// so need no parentheses after the name.
bool IsSelfDelimiting(const CMcBasic* argument) {
  const WORD type = argument->GetType();
  if (type == McTypeWord(kMcRoot) || type == McTypeWord(kMcPower) || type == McTypeWord(kMcNull))
    return true;
  // determinant, absolute value, norm, floor, ceiling
  if (type >= McTypeWord(kMcOperator, 1) && type <= McTypeWord(kMcOperator, 5)) return true;
  // matrix, row, column, augmented matrix
  return type >= McTypeWord(kMcMatrix, 1) && type <= McTypeWord(kMcMatrix, 4);
}

// The power whose base node is, or null.
CMcBasic* PowerOf(const CMcBasic* node) {
  CMcBasic* parent = node->m_parent;
  if (!McIsKind(parent, kMcPower) || parent->m_count < 2 || parent->m_children[0] != node)
    return nullptr;
  return parent;
}

}  // namespace

bool McIsConstantE(const CMcBasic* node) {
  if (!McIsKind(node, kMcVariable)) return false;
  const auto* variable = static_cast<const CMcVariable*>(node);
  return variable->m_length == 3 && std::strcmp(variable->GetVarName(), "e") == 0 &&
         (node->m_flags & (kMcSignMask | kMcVariableStyleMask)) == kMcConstant;
}

CMcBasic* McNewNaturalLog(CMcBasic* argument) {
  return new CMcLog(argument, McNewConstant("e"), 0);
}

McComplex McComplexLogOf(const McComplex& argument, const McComplex& base) {
  return McComplexDiv(McComplexLog(argument), McComplexLog(base));
}

CMcLog::CMcLog(CMcBasic* argument, CMcBasic* base, WORD flags) : CMcBasic(flags) {
  if (argument) AppendChild(argument);
  if (base) AppendChild(base);
}

CMcBasic* CMcLog::Load(CArchive& ar) {
  return LoadPairAs(ar, [](CMcBasic* argument, CMcBasic* base, WORD flags) -> CMcBasic* {
    return new CMcLog(argument, base, flags);
  });
}

BOOL CMcLog::Navigate(int direction, int modifier, McCursor* cursor) {
  return McNavigateStacked(this, kMcDown, direction, modifier, cursor);
}

WORD CMcLog::GetType() const {
  return McTypeWord(kMcLog);
}

const char* CMcLog::GetName() const {
  return "Logarithm";
}

McComplex* CMcLog::Evaluate(McComplex* result, CQorexDoc* doc, CSIMsystem* sim) const {
  if (m_count != 2) return CMcBasic::Evaluate(result, doc, sim);
  McComplex base, argument;
  m_children[1]->Evaluate(&base, doc, sim);
  m_children[0]->Evaluate(&argument, doc, sim);
  const McComplex value = McComplexLogOf(argument, base);
  *result = (m_flags & kMcMinus) ? McComplexNeg(value) : value;
  return result;
}

McComplex* CMcLog::EvaluateVector(CQorexDoc* doc) const {
  if (m_count != 2) return CMcBasic::EvaluateVector(doc);
  const int n = McStepCount(doc);
  McComplex* base = m_children[1]->EvaluateVector(doc);
  McComplex* argument = m_children[0]->EvaluateVector(doc);
  const bool negate = (m_flags & kMcMinus) != 0;
  for (int k = 0; k < n; ++k) {
    const McComplex value = McComplexLogOf(argument[k], base[k]);
    argument[k] = negate ? McComplexNeg(value) : value;
  }
  delete[] base;
  return argument;
}

CMcLog::NameKind CMcLog::GetNameKind() const {
  if (m_count != 2) return kWithBase;
  const CMcBasic* base = m_children[1];
  if (McIsAtCaret(base)) return kWithBase;
  if (McIsConstantE(base)) return kNatural;
  if (McIsKind(base, kMcReal) && static_cast<const CMcReal*>(base)->m_value == 10.0) return kCommon;
  return kWithBase;
}

int CMcLog::NameWidth() const {
  const int c = GetNameKind() == kNatural ? kLnWidth : kLogWidth;
  return static_cast<WORD>(c * McFontHeight(kFontItalic, GetLevel()) / 40);
}

bool CMcLog::ArgumentNeedsParens() const {
  if (m_count != 2) return false;
  const CMcBasic* argument = m_children[0];
  return argument->GetSign() != 0 || !IsSelfDelimiting(argument);
}

void CMcLog::Layout(CDC* dc, int mode) {
  const int level = GetLevel();
  if (m_count != 2) {
    LayoutEmpty(dc, mode);
    return;
  }
  CMcBasic* argument = m_children[0];
  CMcBasic* base = m_children[1];
  if (mode == kMcLayoutFromTop) {
    argument->SetLevel(level);
    argument->Layout(dc, kMcLayoutFromTop);
    base->SetLevel(McSmallerLevel(level));
    base->Layout(dc, kMcLayoutFromTop);
  }
  const int h = McFontHeight(kFontItalic, level);
  const int a = McFontAscent(kFontItalic, level);
  const McBox g = argument->m_box;
  const McBox b = base->m_box;
  const CRect p = ArgumentNeedsParens() ? LayoutParens(g, argument->m_baseline) : CRect(0, 0, 0, 0);
  const int baseline = argument->m_baseline + p.top;
  // The subscript's top lies half a font height below the top of the name's
  // text line; it may reach below the argument.
  if (b.height + h / 2 - a < g.height - argument->m_baseline + p.bottom)
    m_box.height = g.height + p.top + p.bottom;
  else
    m_box.height = baseline + b.height + h / 2 - a;
  m_baseline = static_cast<WORD>(baseline);
  const NameKind kind = GetNameKind();
  const int nameWidth = NameWidth();
  CMcBasic* power = PowerOf(this);
  const int exponentWidth = power ? power->m_children[1]->m_box.width : 0;
  m_box.width = g.width + p.left + p.right + nameWidth;
  m_box.width +=
      kind == kWithBase ? std::max(static_cast<int>(b.width), exponentWidth) : exponentWidth;
  const CRect m = LayoutSignAndParens();
  if (power) CMcPower::WriteExponentOffset(this, nameWidth + m.left);
  argument->m_box.x = m_box.width - m.right - g.width - p.right;
  argument->m_box.y = m.top + p.top;
  base->m_box.x = m.left + nameWidth;
  base->m_box.y = m_baseline + h / 2 - a;
  RelayoutParent(dc, mode);
}

void CMcLog::Draw(CDC* dc, int x, int y) const {
  x += m_box.x;
  y += m_box.y;
  if (m_count != 2) {
    DrawSignAndParens(dc, x, y);
    return;
  }
  const CMcBasic* argument = m_children[0];
  if (ArgumentNeedsParens()) DrawParens(dc, x, y, argument->m_box, argument->m_baseline);
  argument->Draw(dc, x, y);
  const NameKind kind = GetNameKind();
  if (kind == kWithBase) m_children[1]->Draw(dc, x, y);
  const int left = DrawSignAndParens(dc, x, y).left;
  McSelectFont(dc, kFontArial, GetLevel());
  if (kind == kNatural)
    dc->TextOut(x + left, y + m_baseline, "ln", 2);
  else
    dc->TextOut(x + left, y + m_baseline, "log", 3);
}

CMcBasic* CMcLog::Clone() const {
  if (m_count != 2) return new CMcLog(nullptr, nullptr, m_flags);
  return new CMcLog(m_children[0]->Clone(), m_children[1]->Clone(), m_flags);
}

WORD CMcLog::Compare(const CMcBasic* other) const {
  return ComparePair(other);
}

// ---- symbolic operations -----------------------------------------------------------

namespace {

// The base e as the derivative recognises it: marks in the high byte of the
// flags (which no variable uses) make it another constant.
bool IsNaturalBase(const CMcBasic* base) {
  if (!McIsKind(base, kMcVariable)) return false;
  const auto* variable = static_cast<const CMcVariable*>(base);
  return variable->m_length == 3 && std::strcmp(variable->GetVarName(), "e") == 0 &&
         (base->m_flags & (kMcSignMask | kMcVariant | kMcKindDataMask)) == kMcConstant;
}

WORD ReplaceBy(CMcBasic* node, CMcBasic* x) {
  if (McReplaceNode(node, x)) return 1;
  delete x;
  return 0;
}

// Replaces node by the written constant of v when both parts of v are whole.
WORD FoldWhole(CMcBasic* node, const McComplex& v) {
  double re = 0.0, im = 0.0;
  if (!McIsWhole(v.re, &re) || !McIsWhole(v.im, &im)) return 0;
  return ReplaceBy(node, McValueToExpression(re, im, node->m_flags));
}

}  // namespace

// d/dx ln G / ln B = (B ln B G' - G ln G B') / (G B ln^2 B).
CMcBasic* CMcLog::Differentiate(CMcBasic* variable, unsigned options) {
  if (m_count != 2) return CMcBasic::Differentiate(variable, options);
  CMcBasic* g = m_children[0];
  CMcBasic* b = m_children[1];
  const WORD sign = m_flags & kMcSignMask;
  CMcBasic* result = nullptr;
  if (IsNaturalBase(b)) {
    result = new CMcDivision(McDerivativeOf(g, variable, options), g->Clone(), sign);
  } else if (McIsConstantFor(b, variable, options)) {
    result = new CMcDivision(McDerivativeOf(g, variable, options),
                             McNewProduct(0, {McNewNaturalLog(b->Clone()), g->Clone()}), sign);
  } else {
    CMcBasic* numerator = McNewSum(0, {McNewProduct(0, {b->Clone(), McNewNaturalLog(b->Clone()),
                                                        McDerivativeOf(g, variable, options)}),
                                       McNewProduct(1, {g->Clone(), McNewNaturalLog(g->Clone()),
                                                        McDerivativeOf(b, variable, options)})});
    CMcBasic* denominator =
        McNewProduct(0, {g->Clone(), b->Clone(),
                         new CMcPower(McNewNaturalLog(b->Clone()), new CMcReal(2.0, 0), 0)});
    result = new CMcDivision(numerator, denominator, sign);
  }
  return CMXC_TERM::Simplify(result);
}

WORD CMcLog::Perform() {
  if (m_count != 2 || McSlotOf(this) < 0) return 0;
  m_children[0]->Perform();
  m_children[1]->Perform();
  CMcBasic* argument = m_children[0];
  CMcBasic* base = m_children[1];
  McComplex a, b;
  const bool argumentConstant = McConstantValue(argument, &a) != FALSE;
  if (argumentConstant && McIsConstantE(base) && FoldWhole(this, McComplexLog(a))) return 1;
  if (argumentConstant && McConstantValue(base, &b) && FoldWhole(this, McComplexLogOf(a, b)))
    return 1;
  if (argument->Compare(base) == 0) return ReplaceBy(this, new CMcReal(1.0, m_flags & kMcSignMask));
  // log_b b^y is y: the principal branch for positive reals.
  if (McIsKind(argument, kMcPower) && argument->m_count == 2 && argument->GetSign() == 0 &&
      argument->m_children[0]->Compare(base) == 0) {
    CMcBasic* y = McTakeChild(argument, 1);
    McMergeSign(y, m_flags);
    return ReplaceBy(this, y);
  }
  if (McIsNumber(argument, 1.0) && argument->GetSign() == 0)
    return ReplaceBy(this, new CMcReal(0.0, 0));
  return 0;
}

void CMcLog::Isolate(int) {
  if (m_count != 2 || !McCanIsolate(this, 0)) return;
  CMcBasic* relation = m_parent;
  CMcBasic* y = relation->m_children[1];
  McMergeSign(y, m_flags);
  relation->SetChildAt(new CMcPower(m_children[1]->Clone(), y, 0), 1);
  relation->SetChildAt(McTakeChild(this, 0), 0);
  delete this;
}
