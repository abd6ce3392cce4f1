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

// The caret moves to target, except that a placeholder caret keeps it.
void CaretUnlessPlaceholder(McEditStep& step, CMcBasic* node, CMcBasic* target) {
  if (!IsPlaceholder(node)) step.pNewCaret = target;
}

// The end code of a chained domain from its two relation codes read left to
// right: both strict 0, both inclusive 1, strict then inclusive 2, else 3.
WORD DomainEnds(int left, int right) {
  if (left == right) return left == kMcRelLess ? 0 : 1;
  return left == kMcRelLess ? 2 : 3;
}

}  // namespace

// ---- the wrapping family -------------------------------------------------------------

DWORD CZevMcEdit::InsertOperator(DWORD code, McEditStep& step) {
  CMcBasic* n = step.pCaret;
  CMcBasic* parent = n ? n->m_parent : nullptr;
  if (parent == nullptr) return 0;
  const int level = n->GetLevel();
  const WORD sign = TakeSign(n);
  auto* op = new CMcOperator(n, CMcOperator::Flags(ZevItemValue(code), sign));
  Install(parent, n, op, level);
  CaretUnlessPlaceholder(step, n, op);
  step.pRelayout = n;
  return code;
}

DWORD CZevMcEdit::InsertMatrix(DWORD code, McEditStep& step) {
  CMcBasic* n = step.pCaret;
  CMcBasic* parent = n ? n->m_parent : nullptr;
  if (parent == nullptr) return 0;
  const int level = n->GetLevel();
  auto* matrix = new CMcMatrix(TakeSign(n));
  parent->ReplaceChild(matrix, n);
  matrix->AppendChild(n);
  matrix->SetLevel(level);
  step.pRelayout = n;  // the caret stays on the element
  return code;
}

DWORD CZevMcEdit::InsertLog(DWORD code, McEditStep& step) {
  CMcBasic* n = step.pCaret;
  CMcBasic* parent = n ? n->m_parent : nullptr;
  if (parent == nullptr) return 0;
  const int level = n->GetLevel();
  const WORD small = McLevelBits(level + 1);
  CMcBasic* base = ZevItemValue(code) == 0
                       ? static_cast<CMcBasic*>(new CMcVariable("e", "", kMcConstant | small))
                       : new CMcReal(10.0, small);
  auto* log = new CMcLog(n, base, TakeSign(n));
  Install(parent, n, log, level);
  CaretUnlessPlaceholder(step, n, log);
  step.pRelayout = n;
  step.pNewSubtree = base;
  return code;
}

DWORD CZevMcEdit::InsertLimit(DWORD code, McEditStep& step) {
  CMcBasic* n = step.pCaret;
  CMcBasic* parent = n ? n->m_parent : nullptr;
  if (parent == nullptr) return 0;
  const int level = n->GetLevel();
  CMcBasic* approach = NewPlaceholder(level + 1);
  auto* limit = new CMcLimit(n, approach, TakeSign(n));
  Install(parent, n, limit, level);
  CaretUnlessPlaceholder(step, n, approach);
  step.pRelayout = n;
  step.pNewSubtree = approach;
  return code;
}

DWORD CZevMcEdit::InsertDomain(DWORD code, McEditStep& step) {
  CMcBasic* n = step.pCaret;
  CMcBasic* parent = n ? n->m_parent : nullptr;
  if (parent == nullptr) return 0;
  const int level = n->GetLevel();
  CMcBasic* lower = NewPlaceholder(level);
  // The sign stays on the caret node.
  auto* domain =
      new CMcDomain(n, lower, NewPlaceholder(level), McWithKindData(0, ZevItemValue(code) & 3));
  Install(parent, n, domain, level);
  CaretUnlessPlaceholder(step, n, lower);
  step.pRelayout = parent;
  step.pNewSubtree = domain;
  return code;
}

DWORD CZevMcEdit::InsertPower(DWORD code, McEditStep& step) {
  CMcBasic* n = step.pCaret;
  CMcBasic* parent = n ? n->m_parent : nullptr;
  if (parent == nullptr) return 0;
  const int level = n->GetLevel();
  const int variant = ZevItemValue(code);
  CMcBasic* exponent =
      variant == 0 ? NewPlaceholder(level + 1) : new CMcReal(variant - 1, McLevelBits(level + 1));
  auto* power = new CMcPower(n, exponent, TakeSign(n));
  Install(parent, n, power, level);
  if (variant == 0)
    CaretUnlessPlaceholder(step, n, exponent);
  else
    step.pNewCaret = power;
  step.pRelayout = n;
  step.pNewSubtree = exponent;
  return code;
}

DWORD CZevMcEdit::InsertRoot(DWORD code, McEditStep& step) {
  CMcBasic* n = step.pCaret;
  CMcBasic* parent = n ? n->m_parent : nullptr;
  if (parent == nullptr) return 0;
  const int level = n->GetLevel();
  const int variant = ZevItemValue(code);
  CMcBasic* degree =
      variant == 0 ? NewPlaceholder(level + 1) : new CMcReal(variant - 1, McLevelBits(level + 1));
  auto* root = new CMcRoot(n, degree, TakeSign(n));
  Install(parent, n, root, level);
  CaretUnlessPlaceholder(step, n, variant == 0 ? degree : root);
  step.pRelayout = n;
  step.pNewSubtree = degree;
  return code;
}

DWORD CZevMcEdit::InsertDivision(DWORD code, McEditStep& step) {
  CMcBasic* n = step.pCaret;
  CMcBasic* parent = n ? n->m_parent : nullptr;
  if (parent == nullptr) return 0;
  const int level = n->GetLevel();
  const bool small = ZevItemValue(code) == 1;
  const WORD flags = static_cast<WORD>(TakeSign(n) | (small ? kMcVariant : 0));
  CMcBasic* denominator = NewPlaceholder(small ? level + 1 : level);
  auto* division = new CMcDivision(n, denominator, flags);
  Install(parent, n, division, level);
  if (small) {
    n->SetLevel(level + 1);
    step.pRelayout = parent;
    step.pNewSubtree = division;
  } else {
    step.pRelayout = n;
    step.pNewSubtree = denominator;
  }
  CaretUnlessPlaceholder(step, n, denominator);
  return code;
}

DWORD CZevMcEdit::InsertEvalAt(DWORD code, McEditStep& step) {
  CMcBasic* n = step.pCaret;
  CMcBasic* parent = n ? n->m_parent : nullptr;
  if (parent == nullptr) return 0;
  const int level = n->GetLevel();
  // The values stand one size smaller, as the layout sets them.
  CMcBasic* lower = NewPlaceholder(level + 1);
  auto* evalat = new CMcEvalat(n, lower, NewPlaceholder(level + 1), 0);
  Install(parent, n, evalat, level);
  CaretUnlessPlaceholder(step, n, lower);
  step.pRelayout = parent;
  step.pNewSubtree = evalat;
  return code;
}

DWORD CZevMcEdit::InsertSum(DWORD code, McEditStep& step) {
  CMcBasic* n = step.pCaret;
  CMcBasic* parent = n ? n->m_parent : nullptr;
  if (parent == nullptr) return 0;
  const int level = n->GetLevel();
  const WORD flags = static_cast<WORD>(TakeSign(n) | (ZevItemValue(code) == 1 ? kMcVariant : 0));
  // The bounds stand one size smaller, as the layout sets them.
  CMcBasic* lower = NewPlaceholder(level + 1);
  auto* sum = new CMcSum(n, lower, NewPlaceholder(level + 1), flags);
  Install(parent, n, sum, level);
  CaretUnlessPlaceholder(step, n, lower);
  step.pRelayout = parent;
  step.pNewSubtree = sum;
  return code;
}

DWORD CZevMcEdit::InsertIntegral(DWORD code, McEditStep& step) {
  CMcBasic* n = step.pCaret;
  CMcBasic* parent = n ? n->m_parent : nullptr;
  if (parent == nullptr) return 0;
  const int level = n->GetLevel();
  const int variant = ZevItemValue(code);
  // Code bits 0-1 are the partial and closed marks, bits 2-4 the kind, bits
  // 5-6 the product sign before the differential.
  const WORD flags =
      static_cast<WORD>(TakeSign(n) | ((variant << 4) & kMcVariantMask) |
                        McWithKindData(0, ((variant >> 2) & 7) | (((variant >> 5) & 3) << 6)));
  // The limits stand one size smaller, as the layout sets them.
  CMcBasic* lower = NewPlaceholder(level + 1);
  CMcBasic* variable = NewPlaceholder(level);
  auto* integral = new CMcIntegral(n, lower, NewPlaceholder(level + 1), variable, flags);
  Install(parent, n, integral, level);
  CaretUnlessPlaceholder(step, n, ((variant >> 2) & 7) == 0 ? variable : lower);
  step.pRelayout = parent;
  step.pNewSubtree = integral;
  return code;
}

DWORD CZevMcEdit::InsertNamedFunction(DWORD code, McEditStep& step) {
  CMcBasic* n = step.pCaret;
  CMcBasic* parent = n ? n->m_parent : nullptr;
  if (parent == nullptr) return 0;
  const int level = n->GetLevel();
  const char unnamed[] = {kZevEmptyName, '\0'};
  auto* function = new CMcFunction(n, unnamed, "", TakeSign(n));
  Install(parent, n, function, level);
  step.pNewCaret = function;
  step.nNewCaretSide = 0;
  step.pRelayout = n;
  return code;
}

// ---- derivatives ---------------------------------------------------------------------

DWORD CZevMcEdit::InsertDerivative(DWORD code, McEditStep& step) {
  CMcBasic* n = step.pCaret;
  CMcBasic* parent = n ? n->m_parent : nullptr;
  if (parent == nullptr) return 0;
  const int level = n->GetLevel();
  const int variant = ZevItemValue(code);
  if (variant != 2) {
    auto* derivative =
        new CMcDerivative(static_cast<WORD>(TakeSign(n) | (variant == 1 ? kMcVariant : 0)));
    CMcBasic* variable = NewPlaceholder(level);
    Install(parent, n, derivative, level);
    derivative->AppendChild(n);
    derivative->AppendChild(variable);
    CaretUnlessPlaceholder(step, n, variable);
    step.pRelayout = n;
    step.pNewSubtree = variable;
    return code;
  }
  // The operator form d/dx stands first in a product; the caret stays.
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
  CMcBasic* n = step.pCaret;
  CMcBasic* parent = n ? n->m_parent : nullptr;
  if (parent == nullptr) return 0;
  const int relation = ZevItemValue(code);
  const int level = n->GetLevel();
  const bool closed = PrevIsParenthesize();

  // "and" or "or" typed on the same relation: the relation becomes a list of
  // its two sides and an empty third member.
  if ((relation == kMcRelAnd || relation == kMcRelOr) && !closed && IsRelation(n, relation)) {
    auto* list = new CMcListbody(static_cast<WORD>(
        (relation == kMcRelAnd ? kMcVariant : kMcVariantHigh) | McLevelBits(level)));
    list->AppendChild(n->m_children[0]->Clone());
    list->AppendChild(n->m_children[1]->Clone());
    CMcBasic* member = NewPlaceholder(level);
    list->AppendChild(member);
    parent->ReplaceChild(list, n);
    delete n;
    step.pCaret = nullptr;
    m_pCaret = nullptr;
    step.pNewCaret = member;
    step.pRelayout = parent;
    step.pNewSubtree = list;
    return code;
  }

  // "=" in a matrix element marks the augmentation line after its column; in
  // the last column a new column follows it.
  if (relation == kMcRelEqual && !closed && McIsKind(parent, kMcMatrix)) {
    auto* matrix = static_cast<CMcMatrix*>(parent);
    const int columns = std::max(1, matrix->GetColumns());
    const int column = std::max(0, matrix->IndexOfChild(n)) % columns;
    // The line's column count lives in the flags' high byte.
    if (column + 1 > 0xFF) return 0;
    const WORD before = matrix->m_flags;
    matrix->m_flags = McWithKindData(before, column + 1);
    if (column == columns - 1 && TabOrWhere(ZevItemCode(kZevTabOrWhere, 0), step) == 0) {
      matrix->m_flags = before;
      return 0;
    }
    step.pRelayout = matrix->m_parent;
    step.pNewSubtree = matrix;
    return code;
  }

  // "<" or "<=" on a side of a "<" or "<=" relation: one chained domain.
  if ((relation == kMcRelLess || relation == kMcRelLessOrEqual) &&
      (IsRelation(parent, kMcRelLess) || IsRelation(parent, kMcRelLessOrEqual)) &&
      parent->m_count == 2 && parent->m_parent != nullptr) {
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
  CMcBasic* side = NewPlaceholder(level);
  const bool before = step.nCaretSide == 0;
  auto* equality =
      new CMcEquality(before ? side : n, before ? n : side, McWithKindData(0, relation));
  Install(parent, n, equality, level);
  step.pNewCaret = side;
  step.pRelayout = n;
  step.pNewSubtree = side;
  return code;
}

// ---- terms and factors -------------------------------------------------------------

DWORD CZevMcEdit::InsertTerm(DWORD code, McEditStep& step) {
  CMcBasic* n = step.pCaret;
  CMcBasic* parent = n ? n->m_parent : nullptr;
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
  CMcBasic* parent = n ? n->m_parent : nullptr;
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
  CMcBasic* parent = n ? n->m_parent : nullptr;
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
  const int level = n->GetLevel();
  if (variant <= 9) {
    // A digit after a letter: that power of it.
    CMcBasic* exponent = new CMcReal(variant, McLevelBits(level + 1));
    auto* power = new CMcPower(n, exponent, TakeSign(n));
    Install(parent, n, power, level);
    step.pNewCaret = power;
    step.pRelayout = n;
    step.pNewSubtree = exponent;
    return code;
  }
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
