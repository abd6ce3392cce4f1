// Caret movement, rows, tabs, placeholders, parentheses and symbol styles.
//
// The arrow keys ask the caret node to step (Navigate, NavigateOut); the
// other actions change the structure of lists and matrices around the caret.
// Some nodes are drawn differently while they hold the caret (a number shows
// its typed text, an empty limit shows itself, a logarithm's base shows
// itself): when the caret enters or leaves one, it is named for layout.
#include "MC/MC_LOG.h"
#include "MC/MC_NULL.h"
#include "MC/McKinds.h"
#include "MC/Mc_declaration.h"
#include "MC/Mc_function.h"
#include "MC/Mc_listbody.h"
#include "MC/Mc_matrix.h"
#include "MC/Mc_operator.h"
#include "MC/Mc_variable.h"
#include "editing/ZevEditShared.h"
#include "editing/Zevmcedit.h"

#include <algorithm>
#include <vector>

namespace {

using zev::IsPlaceholder;
using zev::IsRelation;
using zev::NewPlaceholder;

// A node whose drawing changes while it holds the caret, so that it is laid
// out again when the caret enters or leaves it.
bool IsEditSensitive(const CMcBasic* node) {
  if (McIsKind(node, kMcReal)) return true;
  const CMcBasic* parent = node->m_parent;
  if (parent == nullptr) return false;
  const int index = parent->IndexOfChild(node);
  // Any base of a logarithm: its name (ln, log, or the base) follows the caret.
  if (McIsKind(parent, kMcLog) && index == 1) return true;
  if (!IsPlaceholder(node)) return false;
  switch (McKindOf(parent->GetType())) {
    case kMcIntegral:
      return index == 1 || index == 2;
    case kMcDerivative:
      return index == 0;
    case kMcSum:
      return index != 0;
    default:
      return false;
  }
}

// Function calls and the operators det, abs, norm, adj and trn take a matrix
// of arguments: Tab and Enter inside them add an argument.
bool IsMatrixArgumentHolder(const CMcBasic* node) {
  if (node == nullptr) return false;
  const WORD type = node->GetType();
  if (type == McTypeWord(kMcFunction)) return true;
  for (int code : {0, 1, 2, 11, 12})
    if (type == CMcOperator::TypeOf(code)) return true;
  return false;
}

// The holder's argument X and a new placeholder become a two-element matrix,
// a row (Tab) or a column (Enter), in X's place.
void SplitArgument(CMcBasic* holder, CMcBasic* x, bool row, McEditStep& step) {
  const int level = holder->GetLevel();
  auto* matrix = new CMcMatrix(McLevelBits(level));
  holder->ReplaceChild(matrix, x);
  CMcBasic* placeholder = NewPlaceholder(level);
  matrix->AdoptChildren({x, placeholder});
  matrix->SetColumns(row ? 2 : 1);
  step.pNewCaret = placeholder;
  step.pRelayout = placeholder;
}

// Takes every child out of node, in order (from the end, so that no removal
// moves the others).
std::vector<CMcBasic*> TakeChildren(CMcBasic* node) {
  std::vector<CMcBasic*> children(node->m_count);
  for (int i = node->m_count - 1; i >= 0; --i) children[i] = node->RemoveChildAt(i);
  return children;
}

// The level the matrix gives its elements.
int ElementLevel(const CMcBasic* matrix) {
  return matrix->m_count ? matrix->m_children[0]->GetLevel() : matrix->GetLevel();
}

// After an action that moved the caret away from `left`, which stays in the
// tree: it is laid out again, since it may be drawn otherwise with the caret
// on it (an empty limit shows itself only then) and the action laid out only
// a node above it.
DWORD LeftBehind(DWORD code, McEditStep& step, CMcBasic* left) {
  if (step.pNewCaret != left && step.pRelayout2 == nullptr && step.pRelayout != left)
    step.pRelayout2 = left;
  return code;
}

// The caret step shared by the arrow keys and Ctrl with them.
DWORD StepCaret(DWORD code, McEditStep& step, bool whole) {
  CMcBasic* n = step.pCaret;
  const int direction = ZevItemValue(code);
  if (n == nullptr || direction > kMcDown) return 0;
  McCursor cursor;
  cursor.node = cursor.origin = n;
  cursor.side = cursor.fromSide = step.nCaretSide;
  const int modifier = ZevItemFlags(code) & kZevKeyText;
  const BOOL moved = whole ? n->NavigateOut(direction, modifier, &cursor)
                           : n->Navigate(direction, modifier, &cursor);
  if (!moved || cursor.node == nullptr || McIsKind(cursor.node, kMcGroup)) return 0;
  step.pNewCaret = cursor.node;
  step.nNewCaretSide = cursor.side;
  if (n->m_parent != nullptr) {
    if (n->m_flags & kMcParens) {
      n->m_flags &= static_cast<WORD>(~kMcParens);
      step.pRelayout2 = n;
    } else if (IsEditSensitive(n)) {
      step.pRelayout2 = n;
    }
  }
  CMcBasic* entered = step.pNewCaret;
  if (entered->m_parent != nullptr && entered != step.pRelayout2 && IsEditSensitive(entered))
    step.pRelayout = entered;
  // A position inside one text does not carry over into another node's.
  if (step.nNewCaretSide > 1 && step.nNewCaretSide == step.nCaretSide && entered != n)
    step.nNewCaretSide = 1;
  return code;
}

}  // namespace

// ---- caret steps ---------------------------------------------------------------------

DWORD CZevMcEdit::MoveCaret(DWORD code, McEditStep& step) {
  return StepCaret(code, step, false);
}

DWORD CZevMcEdit::MoveCaretOut(DWORD code, McEditStep& step) {
  return StepCaret(code, step, true);
}

DWORD CZevMcEdit::NextPlaceholder(DWORD code, McEditStep& step) {
  CMcBasic* n = step.pCaret;
  if (n == nullptr) return 0;
  CMcBasic* x = n;
  for (CMcBasic* a = n->m_parent; a != nullptr && !McIsKind(a, kMcGroup); x = a, a = a->m_parent) {
    const int k = std::max(0, a->IndexOfChild(x));
    for (int j = 0; j < a->m_count; ++j) {
      CMcBasic* child = a->m_children[(k + j) % a->m_count];
      if (child->GetType() != McTypeWord(kMcNull)) continue;
      step.pNewCaret = child;
      step.nNewCaretSide = 0;
      step.pRelayout = n;
      return code;
    }
  }
  return 0;
}

DWORD CZevMcEdit::Parenthesize(DWORD code, McEditStep& step) {
  CMcBasic* n = step.pCaret;
  if (n == nullptr || n->m_parent == nullptr) return 0;
  n->m_flags |= kMcParens;
  step.nNewCaretSide = step.nCaretSide;
  step.pRelayout = n;
  return code;
}

// ---- symbol styles -------------------------------------------------------------------

DWORD CZevMcEdit::SetSymbolStyle(DWORD code, McEditStep& step) {
  CMcBasic* n = step.pCaret;
  if (n == nullptr || n->m_parent == nullptr) return 0;
  const int style = ZevItemValue(code);
  if (style > 15) return 0;
  CMcBasic* target = n;
  const bool function = McIsKind(n, kMcFunction) && style >= 2 && style <= 10;
  if (!McIsKind(n, kMcVariable) && !function) {
    // A new unnamed variable, started as the letter X would start it.
    if (InsertCharacter(ZevItemCode(kZevInsertCharacter, 'X'), step) == 0) return 0;
    target = step.pNewCaret;
    if (!McIsKind(target, kMcVariable)) return 0;
    auto* variable = static_cast<CMcVariable*>(target);
    variable->m_buffer[0] = kZevEmptyName;
    step.nNewCaretSide = 0;
  }
  switch (style) {
    case 0:
      target->m_flags &= static_cast<WORD>(~kMcConstant);
      break;
    case 1:
      target->m_flags |= kMcConstant;
      break;
    case 2:
      target->m_flags ^= kMcVariant;
      break;
    default:
      target->m_flags =
          static_cast<WORD>((target->m_flags & ~kMcDecorationMask) |
                            (((style - 3) << kMcDecorationShift) & kMcDecorationMask));
      break;
  }
  step.pNewCaret = target;
  // A variable that a new product or integral holds is laid out with it;
  // otherwise the restyled node alone.
  if (step.pNewSubtree == nullptr) {
    if (step.pRelayout != nullptr && step.pRelayout != target && step.pRelayout2 == nullptr)
      step.pRelayout2 = step.pRelayout;
    step.pRelayout = target;
  }
  return code;
}

// ---- Tab and "where" -----------------------------------------------------------------

DWORD CZevMcEdit::TabOrWhere(DWORD code, McEditStep& step) {
  CMcBasic* n = step.pCaret;
  if (n == nullptr || n->m_parent == nullptr) return 0;
  const bool tab = ZevItemValue(code) == 0;
  const bool closed = PrevIsParenthesize();
  CMcBasic* x = n;
  CMcBasic* a = n->m_parent;
  auto stops = [tab](const CMcBasic* at) {
    return McIsKind(at, kMcGroup) || McIsKind(at, kMcListbody) ||
           (tab && McIsKind(at, kMcMatrix)) || McIsKind(at, kMcEquality) ||
           IsMatrixArgumentHolder(at);
  };
  if (!closed) {
    while (a->m_parent != nullptr && !stops(a)) {
      x = a;
      a = a->m_parent;
    }
  }
  if (tab && IsMatrixArgumentHolder(a)) {
    SplitArgument(a, x, true, step);
    return LeftBehind(code, step, n);
  }
  if (closed || !McIsKind(a, kMcMatrix)) {
    const int level = x->GetLevel();
    CMcBasic* placeholder = NewPlaceholder(level);
    auto* declaration = new CMcDeclaration(x, placeholder, McLevelBits(level));
    a->ReplaceChild(declaration, x);
    step.pRelayout = x;
    step.pNewSubtree = placeholder;
    if (!IsPlaceholder(n)) step.pNewCaret = placeholder;
    return LeftBehind(code, step, n);
  }
  // Tab in a matrix element: a new column right after the element's.
  auto* matrix = static_cast<CMcMatrix*>(a);
  const int columns = std::max(1, matrix->GetColumns());
  if (matrix->m_count % columns != 0) return 0;
  const int rows = matrix->m_count / columns;
  const int column = std::max(0, matrix->IndexOfChild(x)) % columns;
  const int level = ElementLevel(matrix);
  std::vector<CMcBasic*> cells = TakeChildren(matrix);
  std::vector<CMcBasic*> grown;
  grown.reserve(cells.size() + rows);
  for (int r = 0; r < rows; ++r) {
    for (int c = 0; c < columns; ++c) {
      grown.push_back(cells[r * columns + c]);
      if (c == column) grown.push_back(NewPlaceholder(level));
    }
  }
  matrix->AdoptChildren(grown);
  matrix->SetColumns(static_cast<WORD>(columns + 1));
  step.pNewCaret = grown[column + 1];
  step.pNewSubtree = matrix;
  step.pRelayout = matrix->m_parent;
  return code;
}

// ---- Enter ---------------------------------------------------------------------------
// NewRow finds where Enter acts (the nearest node above the caret that takes
// rows), then runs the first of the steps below that belongs to it.

namespace {

// Where Enter acts: a, and its child x on the caret's path.
struct RowPlace {
  CMcBasic* a;
  CMcBasic* x;
  bool closed;  // the item before was Parenthesize: Enter acts on the caret node
  bool before;  // the caret stands before x, which is the caret node
};

// Whether Enter stops climbing at `at`, coming from its child `child`.
bool TakesRows(const CMcBasic* at, const CMcBasic* child) {
  if (McIsKind(at, kMcGroup) || McIsKind(at, kMcListbody) || McIsKind(at, kMcMatrix) ||
      IsRelation(at, kMcRelAnd) || IsRelation(at, kMcRelOr) || IsMatrixArgumentHolder(at))
    return true;
  const bool second = at->m_count > 1 && at->m_children[1] == child;
  // The right side of a function definition f(x) = ...
  if (IsRelation(at, kMcRelEqual) && second) {
    const CMcBasic* left = at->m_children[0];
    return left->GetType() == McTypeWord(kMcFunction) && left->GetSign() == 0;
  }
  return second && (at->GetType() == McTypeWord(kMcEvalat) || McIsKind(at, kMcSum));
}

RowPlace FindRowPlace(const McEditStep& step, bool closed) {
  CMcBasic* n = step.pCaret;
  RowPlace place{n->m_parent, n, closed, false};
  if (!closed &&
      (!IsPlaceholder(n) || McIsKind(place.a, kMcMatrix) || McIsKind(place.a, kMcListbody))) {
    while (place.a->m_parent != nullptr && !TakesRows(place.a, place.x)) {
      place.x = place.a;
      place.a = place.a->m_parent;
    }
  }
  place.before = place.x == n && step.nCaretSide == 0;
  return place;
}

// x and y, Enter: a list of the two and a new member.
DWORD RelationToRows(CZevMcEdit& edit, DWORD code, McEditStep& step, const RowPlace& at) {
  CMcBasic* a = at.a;
  CMcBasic* outer = a->m_parent;
  if (outer == nullptr) return 0;
  const int level = at.x->GetLevel();
  auto* list = new CMcListbody(static_cast<WORD>(
      (IsRelation(a, kMcRelAnd) ? kMcVariant : kMcVariantHigh) | McLevelBits(level)));
  CMcBasic* placeholder = NewPlaceholder(level);
  list->AdoptChildren({a->m_children[0]->Clone(), a->m_children[1]->Clone(), placeholder});
  outer->ReplaceChild(list, a);
  delete a;
  step.pCaret = nullptr;
  edit.m_pCaret = nullptr;
  step.pNewCaret = placeholder;
  step.pRelayout = outer;
  step.pNewSubtree = list;
  return code;
}

// Enter in a list of rows: a new row after x (before it when the caret stands
// before it).
DWORD RowInList(DWORD code, McEditStep& step, const RowPlace& at) {
  CMcBasic* placeholder = NewPlaceholder(at.x->GetLevel());
  step.pNewCaret = placeholder;
  at.a->InsertChildNextTo(placeholder, at.x, at.before ? FALSE : TRUE);
  step.pRelayout = at.x;
  step.pNewSubtree = placeholder;
  return LeftBehind(code, step, step.pCaret);
}

// Enter on an expression makes it a list of rows.
DWORD NewListOfRows(DWORD code, McEditStep& step, const RowPlace& at) {
  const int level = at.x->GetLevel();
  CMcBasic* placeholder = NewPlaceholder(level);
  step.pNewCaret = placeholder;
  auto* list = new CMcListbody(McLevelBits(level));
  at.a->ReplaceChild(list, at.x);
  list->AdoptChildren(at.before ? std::vector<CMcBasic*>{placeholder, at.x}
                                : std::vector<CMcBasic*>{at.x, placeholder});
  step.pRelayout = at.a;
  step.pNewSubtree = list;
  return code;
}

// Enter in a matrix element: a new row after the element's, or before it
// when the caret stands before an element of the first column.
DWORD MatrixRow(DWORD code, McEditStep& step, const RowPlace& at) {
  auto* matrix = static_cast<CMcMatrix*>(at.a);
  const int columns = std::max(1, matrix->GetColumns());
  if (matrix->m_count % columns != 0) return 0;
  const int index = std::max(0, matrix->IndexOfChild(at.x));
  const int row = index / columns;
  const int where = (at.before && index % columns == 0) ? row : row + 1;
  const int level = ElementLevel(matrix);
  std::vector<CMcBasic*> cells = TakeChildren(matrix);
  std::vector<CMcBasic*> fresh(columns);
  for (CMcBasic*& cell : fresh) cell = NewPlaceholder(level);
  cells.insert(cells.begin() + where * columns, fresh.begin(), fresh.end());
  matrix->AdoptChildren(cells);
  step.pNewCaret = fresh[0];
  step.pNewSubtree = matrix;
  step.pRelayout = matrix->m_parent;
  return code;
}

}  // namespace

DWORD CZevMcEdit::NewRow(DWORD code, McEditStep& step) {
  CMcBasic* n = step.pCaret;
  if (n == nullptr || n->m_parent == nullptr) return 0;
  const RowPlace at = FindRowPlace(step, PrevIsParenthesize());
  if (IsMatrixArgumentHolder(at.a)) {
    SplitArgument(at.a, at.x, false, step);
    return LeftBehind(code, step, n);
  }
  if (!at.closed && McIsKind(at.a, kMcMatrix)) return MatrixRow(code, step, at);
  if (!at.closed && (IsRelation(at.a, kMcRelAnd) || IsRelation(at.a, kMcRelOr)))
    return RelationToRows(*this, code, step, at);
  if (!at.closed && McIsKind(at.a, kMcListbody)) return RowInList(code, step, at);
  return NewListOfRows(code, step, at);
}
