// Structural inserts: the actions that build a new node kind around the caret
// node or next to it. Each reads the caret from the step record, changes the
// tree in place and names what the window must lay out again; a node it takes
// out of the tree is deleted at once and no field of the record names it after.
#include "MC/MC_LIMIT.h"
#include "MC/MC_LOG.h"
#include "MC/MC_NULL.h"
#include "MC/MC_POWER.h"
#include "MC/MC_REAL.h"
#include "MC/MC_ROOT.h"
#include "MC/MC_SUM.h"
#include "MC/McKinds.h"
#include "MC/Mc_derivative.h"
#include "MC/Mc_division.h"
#include "MC/Mc_domain.h"
#include "MC/Mc_equality.h"
#include "MC/Mc_evalat.h"
#include "MC/Mc_function.h"
#include "MC/Mc_integral.h"
#include "MC/Mc_listbody.h"
#include "MC/Mc_listmult.h"
#include "MC/Mc_listsum.h"
#include "MC/Mc_matrix.h"
#include "MC/Mc_operator.h"
#include "MC/Mc_variable.h"
#include "editing/ZevEditShared.h"
#include "editing/Zevmcedit.h"

#include <algorithm>
#include <limits>

namespace {

using zev::IsAddition;
using zev::IsMultiplication;
using zev::IsPlaceholder;
using zev::IsRelation;
using zev::NewPlaceholder;

// The node's sign bits, cleared on it: a wrapping insert moves them outward.
WORD TakeSign(CMcBasic* node) {
  const WORD sign = node->m_flags & kMcSignMask;
  node->m_flags &= static_cast<WORD>(~kMcSignMask);
  return sign;
}

// Puts wrapper, already holding node as a child, in node's place in parent,
// at node's size level.
void Install(CMcBasic* parent, CMcBasic* node, CMcBasic* wrapper, int level) {
  wrapper->SetLevel(level);
  parent->ReplaceChild(wrapper, node);
}

// The end code of a chained domain from its two relation codes read left to
// right: both strict 0, both inclusive 1, strict then inclusive 2, else 3.
WORD DomainEnds(int left, int right) {
  if (left == right) return left == kMcRelLess ? 0 : 1;
  return left == kMcRelLess ? 2 : 3;
}

// The caret node's parent, or null when the caret is not inside a tree: no
// insert acts then.
CMcBasic* ParentOfCaret(const McEditStep& step) {
  return step.pCaret != nullptr ? step.pCaret->m_parent : nullptr;
}

// ---- the wrapping family -------------------------------------------------------------
// Most inserts build one new node around the caret node N, in N's place and
// at N's size level. Each wrap kind is one builder in the table below; it
// makes the new node holding N and its other parts, and says where the caret
// goes and what the window lays out. WrapAtCaret does the rest, the same for
// every kind.

struct Wrapped {
  CMcBasic* wrapper = nullptr;        // the new node, already holding N
  CMcBasic* caret = nullptr;          // the next caret; null: the caret stays on N
  bool caretFromPlaceholder = false;  // the caret moves even when N is a placeholder
  BYTE caretSide = 1;
  CMcBasic* subtree = nullptr;  // laid out whole first
  bool relayoutParent = false;  // N's old parent is laid out again, else N
};

// A new exponent or degree: a placeholder for variant 0, else the number
// variant - 1, one size smaller.
CMcBasic* SmallPart(int level, int variant) {
  return variant == 0 ? NewPlaceholder(McSmallerLevel(level))
                      : new CMcReal(variant - 1, McLevelBits(McSmallerLevel(level)));
}

Wrapped WrapOperator(CMcBasic* n, int, int variant) {
  auto* op = new CMcOperator(n, CMcOperator::Flags(variant, TakeSign(n)));
  return {.wrapper = op, .caret = op};
}

// The caret stays on the element.
Wrapped WrapMatrix(CMcBasic* n, int, int) {
  auto* matrix = new CMcMatrix(TakeSign(n));
  matrix->AppendChild(n);
  return {.wrapper = matrix};
}

// Variant 0 the natural logarithm (base e), else the common one (base 10).
Wrapped WrapLog(CMcBasic* n, int level, int variant) {
  const WORD small = McLevelBits(McSmallerLevel(level));
  CMcBasic* base = variant == 0
                       ? static_cast<CMcBasic*>(new CMcVariable("e", "", kMcConstant | small))
                       : new CMcReal(10.0, small);
  auto* log = new CMcLog(n, base, TakeSign(n));
  return {.wrapper = log, .caret = log, .subtree = base};
}

Wrapped WrapLimit(CMcBasic* n, int level, int) {
  CMcBasic* approach = NewPlaceholder(McSmallerLevel(level));
  return {
      .wrapper = new CMcLimit(n, approach, TakeSign(n)), .caret = approach, .subtree = approach};
}

// The variant is the end kind; the sign stays on N.
Wrapped WrapDomain(CMcBasic* n, int level, int variant) {
  CMcBasic* lower = NewPlaceholder(level);
  auto* domain = new CMcDomain(n, lower, NewPlaceholder(level), McWithKindData(0, variant & 3));
  return {.wrapper = domain, .caret = lower, .subtree = domain, .relayoutParent = true};
}

// Variant 0: an empty exponent for the caret; else the exponent variant - 1,
// and the caret after the power.
Wrapped WrapPower(CMcBasic* n, int level, int variant) {
  CMcBasic* exponent = SmallPart(level, variant);
  auto* power = new CMcPower(n, exponent, TakeSign(n));
  if (variant == 0) return {.wrapper = power, .caret = exponent, .subtree = exponent};
  return {.wrapper = power, .caret = power, .caretFromPlaceholder = true, .subtree = exponent};
}

Wrapped WrapRoot(CMcBasic* n, int level, int variant) {
  CMcBasic* degree = SmallPart(level, variant);
  auto* root = new CMcRoot(n, degree, TakeSign(n));
  return {.wrapper = root, .caret = variant == 0 ? degree : root, .subtree = degree};
}

// Variant 1 a small fraction: N shrinks with it and the whole is laid out.
Wrapped WrapDivision(CMcBasic* n, int level, int variant) {
  const bool small = variant == 1;
  const WORD flags = static_cast<WORD>(TakeSign(n) | (small ? kMcVariant : 0));
  CMcBasic* denominator = NewPlaceholder(small ? McSmallerLevel(level) : level);
  auto* division = new CMcDivision(n, denominator, flags);
  if (!small) return {.wrapper = division, .caret = denominator, .subtree = denominator};
  n->SetLevel(McSmallerLevel(level));
  return {.wrapper = division, .caret = denominator, .subtree = division, .relayoutParent = true};
}

// The values stand one size smaller, as the layout sets them; the sign stays
// on N.
Wrapped WrapEvalAt(CMcBasic* n, int level, int) {
  CMcBasic* lower = NewPlaceholder(McSmallerLevel(level));
  auto* evalat = new CMcEvalat(n, lower, NewPlaceholder(McSmallerLevel(level)), 0);
  return {.wrapper = evalat, .caret = lower, .subtree = evalat, .relayoutParent = true};
}

// The bounds stand one size smaller, as the layout sets them; variant 1 a
// product.
Wrapped WrapSum(CMcBasic* n, int level, int variant) {
  const WORD flags = static_cast<WORD>(TakeSign(n) | (variant == 1 ? kMcVariant : 0));
  CMcBasic* lower = NewPlaceholder(McSmallerLevel(level));
  auto* sum = new CMcSum(n, lower, NewPlaceholder(McSmallerLevel(level)), flags);
  return {.wrapper = sum, .caret = lower, .subtree = sum, .relayoutParent = true};
}

// Variant bits 0-1 are the partial and closed marks, bits 2-4 the kind, bits
// 5-6 the product sign before the differential. The limits stand one size
// smaller, as the layout sets them.
Wrapped WrapIntegral(CMcBasic* n, int level, int variant) {
  const int kind = (variant >> 2) & 7;
  const WORD flags = static_cast<WORD>(TakeSign(n) | ((variant << 4) & kMcVariantMask) |
                                       McWithKindData(0, kind | (((variant >> 5) & 3) << 6)));
  CMcBasic* lower = NewPlaceholder(McSmallerLevel(level));
  CMcBasic* variable = NewPlaceholder(level);
  auto* integral =
      new CMcIntegral(n, lower, NewPlaceholder(McSmallerLevel(level)), variable, flags);
  return {.wrapper = integral,
          .caret = kind == 0 ? variable : lower,
          .subtree = integral,
          .relayoutParent = true};
}

// An unnamed function of N; the caret goes before its name.
Wrapped WrapNamedFunction(CMcBasic* n, int, int) {
  const char unnamed[] = {kZevEmptyName, '\0'};
  auto* function = new CMcFunction(n, unnamed, "", TakeSign(n));
  return {.wrapper = function, .caret = function, .caretFromPlaceholder = true, .caretSide = 0};
}

// The derivative of N by a new empty variable; variant 1 a partial one.
Wrapped WrapDerivative(CMcBasic* n, int level, int variant) {
  auto* derivative =
      new CMcDerivative(static_cast<WORD>(TakeSign(n) | (variant == 1 ? kMcVariant : 0)));
  CMcBasic* variable = NewPlaceholder(level);
  derivative->AppendChild(n);
  derivative->AppendChild(variable);
  return {.wrapper = derivative, .caret = variable, .subtree = variable};
}

// The wrap kinds, by the action that inserts them.
struct WrapKind {
  int action;
  Wrapped (*build)(CMcBasic* n, int level, int variant);
};
constexpr WrapKind kWrapKinds[] = {
    {kZevInsertOperator, &WrapOperator},
    {kZevInsertMatrix, &WrapMatrix},
    {kZevInsertLog, &WrapLog},
    {kZevInsertLimit, &WrapLimit},
    {kZevInsertDomain, &WrapDomain},
    {kZevInsertPower, &WrapPower},
    {kZevInsertRoot, &WrapRoot},
    {kZevInsertDivision, &WrapDivision},
    {kZevInsertEvalAt, &WrapEvalAt},
    {kZevInsertSum, &WrapSum},
    {kZevInsertIntegral, &WrapIntegral},
    {kZevInsertNamedFunction, &WrapNamedFunction},
    {kZevInsertDerivative, &WrapDerivative},
};

// Builds the wrap kind of action around the caret node with the variant and
// puts it in the caret node's place; false (nothing changed) when the caret
// is not inside a tree.
bool WrapAtCaret(McEditStep& step, int action, int variant) {
  CMcBasic* n = step.pCaret;
  CMcBasic* parent = ParentOfCaret(step);
  if (parent == nullptr) return false;
  const auto* kind = std::find_if(std::begin(kWrapKinds), std::end(kWrapKinds),
                                  [action](const WrapKind& k) { return k.action == action; });
  if (kind == std::end(kWrapKinds)) return false;
  const int level = n->GetLevel();
  const Wrapped w = kind->build(n, level, variant);
  Install(parent, n, w.wrapper, level);
  if (w.caret != nullptr && (w.caretFromPlaceholder || !IsPlaceholder(n))) {
    step.pNewCaret = w.caret;
    if (w.caretSide != 1) step.nNewCaretSide = w.caretSide;
  }
  step.pRelayout = w.relayoutParent ? parent : n;
  if (w.subtree != nullptr) step.pNewSubtree = w.subtree;
  return true;
}

DWORD WrapItem(DWORD code, McEditStep& step) {
  return WrapAtCaret(step, ZevItemAction(code), ZevItemValue(code)) ? code : 0;
}

// ---- relations -------------------------------------------------------------------------
// InsertRelation tries these steps in turn; each acts (returns the code or 0
// for refused) or leaves the tree as it was (kNotMine) for the next.

constexpr DWORD kNotMine = ~DWORD{0};

// "and" or "or" typed on the same relation: the relation becomes a list of
// its two sides and an empty third member.
DWORD RelationToList(CZevMcEdit& edit, DWORD code, McEditStep& step, bool closed) {
  CMcBasic* n = step.pCaret;
  CMcBasic* parent = n->m_parent;
  const int relation = ZevItemValue(code);
  if ((relation != kMcRelAnd && relation != kMcRelOr) || closed || !IsRelation(n, relation))
    return kNotMine;
  const int level = n->GetLevel();
  auto* list = new CMcListbody(static_cast<WORD>(
      (relation == kMcRelAnd ? kMcVariant : kMcVariantHigh) | McLevelBits(level)));
  list->AppendChild(n->m_children[0]->Clone());
  list->AppendChild(n->m_children[1]->Clone());
  CMcBasic* member = NewPlaceholder(level);
  list->AppendChild(member);
  parent->ReplaceChild(list, n);
  delete n;
  step.pCaret = nullptr;
  edit.m_pCaret = nullptr;
  step.pNewCaret = member;
  step.pRelayout = parent;
  step.pNewSubtree = list;
  return code;
}

// "=" in a matrix element marks the augmentation line after its column; in
// the last column a new column follows it.
DWORD AugmentationLine(CZevMcEdit& edit, DWORD code, McEditStep& step, bool closed) {
  CMcBasic* n = step.pCaret;
  CMcBasic* parent = n->m_parent;
  if (ZevItemValue(code) != kMcRelEqual || closed || !McIsKind(parent, kMcMatrix)) return kNotMine;
  auto* matrix = static_cast<CMcMatrix*>(parent);
  const int columns = std::max(1, matrix->GetColumns());
  const int column = std::max(0, matrix->IndexOfChild(n)) % columns;
  // The line's column count lives in the flags' high byte.
  if (column + 1 > 0xFF) return 0;
  const WORD before = matrix->m_flags;
  matrix->m_flags = McWithKindData(before, column + 1);
  if (column == columns - 1 && edit.TabOrWhere(ZevItemCode(kZevTabOrWhere, 0), step) == 0) {
    matrix->m_flags = before;
    return 0;
  }
  step.pRelayout = matrix->m_parent;
  step.pNewSubtree = matrix;
  return code;
}

// "<" or "<=" on a side of a "<" or "<=" relation: one chained domain.
DWORD ChainedDomain(DWORD code, McEditStep& step) {
  CMcBasic* n = step.pCaret;
  CMcBasic* parent = n->m_parent;
  const int relation = ZevItemValue(code);
  if ((relation != kMcRelLess && relation != kMcRelLessOrEqual) ||
      !(IsRelation(parent, kMcRelLess) || IsRelation(parent, kMcRelLessOrEqual)) ||
      parent->m_count != 2 || parent->m_parent == nullptr)
    return kNotMine;
  const int level = n->GetLevel();
  const int outer = static_cast<const CMcEquality*>(parent)->RelationCode();
  // The new relation stands at the end of the chain on N's side of P; the
  // caret side says whether N or the new bound stands nearer that end.
  const bool isLeft = parent->m_children[0] == n;
  const bool before = step.nCaretSide == 0;
  CMcBasic* grand = parent->m_parent;
  CMcBasic* left = parent->SetChildAt(NewPlaceholder(0), 0);
  CMcBasic* right = parent->SetChildAt(NewPlaceholder(0), 1);
  CMcBasic* fresh = NewPlaceholder(level);
  CMcBasic *middle, *lower, *upper;
  WORD ends;
  if (isLeft) {
    middle = before ? n : fresh;
    lower = before ? fresh : n;
    upper = right;
    ends = DomainEnds(relation, outer);
  } else {
    middle = before ? fresh : n;
    lower = left;
    upper = before ? n : fresh;
    ends = DomainEnds(outer, relation);
  }
  auto* domain =
      new CMcDomain(middle, lower, upper, McWithKindData(parent->m_flags & kMcSignMask, ends));
  Install(grand, parent, domain, level);
  delete parent;
  step.pNewCaret = fresh;
  step.pRelayout = grand;
  step.pNewSubtree = domain;
  return code;
}

// Any other relation: N and a new side, the new one on the caret's side.
DWORD PlainRelation(DWORD code, McEditStep& step) {
  CMcBasic* n = step.pCaret;
  CMcBasic* parent = n->m_parent;
  const int level = n->GetLevel();
  CMcBasic* side = NewPlaceholder(level);
  const bool before = step.nCaretSide == 0;
  auto* equality =
      new CMcEquality(before ? side : n, before ? n : side, McWithKindData(0, ZevItemValue(code)));
  Install(parent, n, equality, level);
  step.pNewCaret = side;
  step.pRelayout = n;
  step.pNewSubtree = side;
  return code;
}

}  // namespace

// ---- the wrapping family -------------------------------------------------------------

DWORD CZevMcEdit::InsertOperator(DWORD code, McEditStep& step) {
  return WrapItem(code, step);
}
DWORD CZevMcEdit::InsertMatrix(DWORD code, McEditStep& step) {
  return WrapItem(code, step);
}
DWORD CZevMcEdit::InsertLog(DWORD code, McEditStep& step) {
  return WrapItem(code, step);
}
DWORD CZevMcEdit::InsertLimit(DWORD code, McEditStep& step) {
  return WrapItem(code, step);
}
DWORD CZevMcEdit::InsertDomain(DWORD code, McEditStep& step) {
  return WrapItem(code, step);
}
DWORD CZevMcEdit::InsertPower(DWORD code, McEditStep& step) {
  return WrapItem(code, step);
}
DWORD CZevMcEdit::InsertRoot(DWORD code, McEditStep& step) {
  return WrapItem(code, step);
}
DWORD CZevMcEdit::InsertDivision(DWORD code, McEditStep& step) {
  return WrapItem(code, step);
}
DWORD CZevMcEdit::InsertEvalAt(DWORD code, McEditStep& step) {
  return WrapItem(code, step);
}
DWORD CZevMcEdit::InsertSum(DWORD code, McEditStep& step) {
  return WrapItem(code, step);
}
DWORD CZevMcEdit::InsertIntegral(DWORD code, McEditStep& step) {
  return WrapItem(code, step);
}
DWORD CZevMcEdit::InsertNamedFunction(DWORD code, McEditStep& step) {
  return WrapItem(code, step);
}

// ---- derivatives ---------------------------------------------------------------------

DWORD CZevMcEdit::InsertDerivative(DWORD code, McEditStep& step) {
  CMcBasic* n = step.pCaret;
  CMcBasic* parent = ParentOfCaret(step);
  if (parent == nullptr) return 0;
  if (ZevItemValue(code) != 2) return WrapItem(code, step);
  // The operator form d/dx stands first in a product; the caret stays.
  const int level = n->GetLevel();
  auto* derivative = new CMcDerivative(McLevelBits(level));
  CMcBasic* product = IsMultiplication(n) ? n : IsMultiplication(parent) ? parent : nullptr;
  if (product != nullptr) {
    product->InsertChildAt(derivative, 0, FALSE);
    step.pRelayout = derivative;
    return code;
  }
  auto* multiplication = new CMcListmult(TakeSign(n));
  Install(parent, n, multiplication, level);
  multiplication->AppendChild(derivative);
  multiplication->AppendChild(n);
  step.pNewSubtree = derivative;
  step.pRelayout = n;
  return code;
}

// ---- relations -------------------------------------------------------------------------

DWORD CZevMcEdit::InsertRelation(DWORD code, McEditStep& step) {
  if (ParentOfCaret(step) == nullptr) return 0;
  const bool closed = PrevIsParenthesize();
  if (DWORD r = RelationToList(*this, code, step, closed); r != kNotMine) return r;
  if (DWORD r = AugmentationLine(*this, code, step, closed); r != kNotMine) return r;
  if (DWORD r = ChainedDomain(code, step); r != kNotMine) return r;
  return PlainRelation(code, step);
}

// ---- terms and factors -------------------------------------------------------------

DWORD CZevMcEdit::InsertTerm(DWORD code, McEditStep& step) {
  CMcBasic* n = step.pCaret;
  CMcBasic* parent = ParentOfCaret(step);
  if (parent == nullptr) return 0;
  const int sign = ZevItemValue(code);
  if (sign == 4) {
    n->m_flags ^= kMcMinus;
    step.pRelayout = n;
    return code;
  }
  if (IsPlaceholder(n)) {
    n->m_flags = McWithSign(n->m_flags, static_cast<WORD>(sign));
    step.pRelayout = n;
    return code;
  }
  if (McIsKind(n, kMcReal) && sign == 1) {
    // A minus may belong to the number being typed (a negative exponent).
    const DWORD minus = ZevItemCode(kZevInsertCharacter, '-' | (ZevItemFlags(code) << 8));
    if (InsertCharacter(minus, step) != 0) return minus;
  }
  const int level = n->GetLevel();
  CMcBasic* term = NewPlaceholder(level, static_cast<WORD>(sign & kMcSignMask));
  const bool before = step.nCaretSide == 0;
  const bool closed = PrevIsParenthesize();
  if (!closed && IsAddition(n) && n->m_count > 0) {
    step.pRelayout = n->m_children[0];
    if (before)
      n->InsertChildAt(term, 0, FALSE);
    else
      n->AppendChild(term);
  } else if (!closed && IsAddition(parent)) {
    step.pRelayout = parent->m_children[0];
    parent->InsertChildNextTo(term, n, !before);
  } else if (!closed && McIsKind(parent, kMcListmult) &&
             parent->m_children[before ? 0 : parent->m_count - 1] == n &&
             parent->m_parent != nullptr) {
    // At the outer edge of a product the term goes one level out.
    CMcBasic* outer = parent->m_parent;
    if (IsAddition(outer)) {
      step.pRelayout = outer->m_children[0];
      outer->InsertChildNextTo(term, parent, !before);
    } else {
      auto* addition = new CMcListsum(McLevelBits(level));
      outer->ReplaceChild(addition, parent);
      addition->AppendChild(before ? term : parent);
      addition->AppendChild(before ? parent : term);
      step.pRelayout = n;
    }
  } else {
    auto* addition = new CMcListsum(McLevelBits(level));
    parent->ReplaceChild(addition, n);
    addition->AppendChild(before ? term : n);
    addition->AppendChild(before ? n : term);
    step.pRelayout = n;
  }
  step.pNewCaret = term;
  step.pNewSubtree = term;
  return code;
}

DWORD CZevMcEdit::InsertFactor(DWORD code, McEditStep& step) {
  CMcBasic* n = step.pCaret;
  CMcBasic* parent = ParentOfCaret(step);
  if (parent == nullptr) return 0;
  const int variant = ZevItemValue(code);
  const int level = n->GetLevel();
  const bool before = step.nCaretSide == 0;
  CMcBasic* factor = NewPlaceholder(level);
  step.pNewCaret = factor;
  if (variant == 0 && !PrevIsParenthesize() && (IsMultiplication(n) || IsMultiplication(parent))) {
    if (IsMultiplication(n) && before)
      n->InsertChildAt(factor, 0, FALSE);
    else if (IsMultiplication(n))
      n->AppendChild(factor);
    else
      parent->InsertChildNextTo(factor, n, !before);
    step.pRelayout = factor;
    return code;
  }
  // Cross and dot products keep their kind in flag bits 4-5.
  const WORD kind = variant == 1 ? kMcVariantHigh : variant == 2 ? kMcVariantMask : 0;
  auto* product = new CMcListmult(static_cast<WORD>(kind | TakeSign(n)));
  Install(parent, n, product, level);
  product->AppendChild(before ? factor : n);
  product->AppendChild(before ? n : factor);
  step.pRelayout = n;
  step.pNewSubtree = factor;
  return code;
}

// ---- special values ---------------------------------------------------------------------

DWORD CZevMcEdit::InsertSpecialValue(DWORD code, McEditStep& step) {
  CMcBasic* n = step.pCaret;
  CMcBasic* parent = ParentOfCaret(step);
  if (parent == nullptr) return 0;
  const int variant = ZevItemValue(code);
  if (variant <= 1) {
    // Infinity or undefined: into a placeholder, else into a new factor.
    CMcBasic* placeholder = n;
    const bool intoFactor = !IsPlaceholder(n);
    if (intoFactor) {
      if (InsertFactor(ZevItemCode(kZevInsertFactor, 0), step) == 0) return 0;
      placeholder = step.pNewCaret;
      step.pCaret = placeholder;
      step.nCaretSide = step.nNewCaretSide;
      step.nNewCaretSide = 1;
    }
    const double value = variant == 0 ? std::numeric_limits<double>::infinity()
                                      : std::numeric_limits<double>::quiet_NaN();
    auto* real = new CMcReal(value, static_cast<WORD>((placeholder->m_flags & kMcSignMask) |
                                                      McLevelBits(placeholder->GetLevel())));
    placeholder->m_parent->ReplaceChild(real, placeholder);
    delete placeholder;
    step.pCaret = nullptr;
    step.pNewCaret = real;
    if (intoFactor) {
      step.pNewSubtree = real;
      step.pRelayout = n;
    } else {
      step.pRelayout = real;
    }
    return code;
  }
  // A digit after a letter: that power of it (the power's variant is the
  // exponent plus one).
  if (variant <= 9) return WrapAtCaret(step, kZevInsertPower, variant + 1) ? code : 0;
  // "0" or "1" after a letter: a constant with that subscript digit.
  const int character = variant + 38;
  if (!McIsKind(n, kMcVariable) || character > 0x7F) return 0;
  auto* variable = static_cast<CMcVariable*>(n);
  if (variable->m_length >= 0xFFFF) return 0;
  const int length = variable->m_length;
  std::unique_ptr<char[]> buffer(new char[length + 1]);
  std::copy_n(variable->m_buffer.get(), length - 1, buffer.get());
  buffer[length - 1] = static_cast<char>(character);
  buffer[length] = '\0';
  variable->m_buffer = std::move(buffer);
  variable->m_length = static_cast<WORD>(length + 1);
  variable->m_flags |= kMcConstant;
  step.pRelayout = n;
  return code;
}
