// Deletion: Backspace and Delete, on characters in text mode, else on the tree.
//
// A filled node becomes an empty placeholder; an empty placeholder collapses
// the structure around it. Every node a rule takes out of the tree is deleted
// at once, and no field of the step record names it afterwards. A caret side
// beyond the text it indexes counts as the text's end.
#include "MC/MC_NULL.h"
#include "MC/MC_REAL.h"
#include "MC/McKinds.h"
#include "MC/Mc_function.h"
#include "MC/Mc_matrix.h"
#include "MC/Mc_variable.h"
#include "editing/ZevEditShared.h"
#include "editing/Zevmcedit.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

using zev::IsAddition;
using zev::IsMultiplication;
using zev::IsPlaceholder;

bool IsList(const CMcBasic* node) {
  return IsAddition(node) || McIsKind(node, kMcListmult) || McIsKind(node, kMcListbody);
}

// The sign a child carries when it takes its parent's place: two minus signs
// cancel, a plus-minus of either stays.
WORD MergedSign(const CMcBasic* parent, const CMcBasic* child) {
  return McMergedSign(parent->m_flags, child->m_flags);
}

// ---- character rules -------------------------------------------------------------------

// A number text printed afresh from its value, as number entry types it: no
// "+" after the exponent's "E" and no leading zeros in the exponent.
std::string PrintedNumber(double value) {
  char printed[64];
  std::snprintf(printed, sizeof printed, "%0.15G", value);
  std::string text = printed;
  const size_t e = text.find('E');
  if (e != std::string::npos) {
    size_t digits = e + 1;
    if (digits < text.size() && text[digits] == '+') text.erase(digits, 1);
    if (digits < text.size() && text[digits] == '-') ++digits;
    while (digits + 1 < text.size() && text[digits] == '0') text.erase(digits, 1);
  }
  return text;
}

// Removes one character of the number's text at caret side `side`:
// Backspace the one before the caret, Delete the one after it. The new side,
// or 0 when refused (the text then stays as it was). The text must hold more
// than one character.
int DeleteFromNumber(std::string& text, double* value, int side, bool backspace) {
  const int length = static_cast<int>(text.size());
  int q;  // 0-based index of the character removed
  int newSide;
  if (backspace) {
    int p = side == 1 ? length : side == 0 ? 1 : side - 1;
    p = std::clamp(p, 1, length);
    q = p - 1;
    newSide = p == length ? 1 : p == 1 ? 0 : p;
  } else {
    q = side == 1 ? length - 1 : side == 0 ? 0 : side - 1;
    q = std::clamp(q, 0, length - 1);
    newSide = q >= length - 1 ? 1 : side;
  }
  std::string result = text;
  const bool negativeExponent = result[q] == 'E' && q + 1 < length && result[q + 1] == '-';
  result.erase(q, negativeExponent ? 2 : 1);
  const double magnitude = std::strtod(result.c_str(), nullptr);
  if (!std::isfinite(magnitude)) return -1;
  if (magnitude == 0 && result.find_first_of("123456789") != std::string::npos) return -1;
  text = result;
  *value = std::fabs(magnitude);
  return newSide;
}

// The name buffer "name\0subscript\0" of a variable or a function.
struct NameBuffer {
  std::string bytes;  // both zeros included
  int nameLength;
  int subLength;
  int Length() const { return static_cast<int>(bytes.size()); }
};

NameBuffer ReadName(const CMcBasic* node) {
  NameBuffer b;
  b.bytes = zev::ReadNameBuffer(node);
  b.nameLength = static_cast<int>(std::strlen(b.bytes.c_str()));
  b.subLength = std::max(0, b.Length() - b.nameLength - 2);
  return b;
}

// Whether the 0-based buffer index names a character of the name or the
// subscript (not one of the two zeros).
bool IsTextIndex(const NameBuffer& b, int q) {
  return q >= 0 && q < b.Length() - 1 && q != b.nameLength;
}

// The 0-based index of the character that Backspace (or Delete) removes from
// a variable's or a function's buffer at caret side `side`, or -1.
int NameIndex(const NameBuffer& b, bool variable, bool backspace, int side) {
  const int L = b.Length();
  const int n = b.nameLength;
  const bool sub = b.subLength > 0;
  // The end of the text: the last subscript character, or the name's last.
  const int last = sub ? L - 2 : n - 1;
  int q;
  if (backspace) {
    if (variable && side == 1)
      q = last;
    else if (side == 0)
      q = 0;
    else
      q = (side == n + 2 ? side : side - 1) - 1;
  } else {
    if (variable && side == 1)
      q = last;
    else if (side == 0)
      q = 0;
    else if (side == n + 1 || (!variable && side == L))
      q = side - 2;
    else
      q = side - 1;
  }
  return IsTextIndex(b, q) ? q : last;
}

// Removes one character of a variable's or a function's name or subscript.
// The new caret side, or -1 when refused.
int DeleteFromName(CMcBasic* node, bool backspace, int side) {
  const bool variable = McIsKind(node, kMcVariable);
  NameBuffer b = ReadName(node);
  const int L = b.Length();
  const int n = b.nameLength;
  const bool sub = b.subLength > 0;
  const int q = NameIndex(b, variable, backspace, side);
  if (!IsTextIndex(b, q)) return -1;
  if (q < n && n == 1) {
    // The only letter of the name: it becomes unnamed, not empty.
    if (b.bytes[0] == kZevEmptyName) return -1;
    b.bytes[0] = kZevEmptyName;
  } else {
    b.bytes.erase(q, 1);
  }
  zev::WriteNameBuffer(node, b.bytes);
  const bool subLeft = ReadName(node).subLength > 0;
  if (backspace) {
    const int p = q + 1;
    if (variable && p == (sub ? L - 1 : L - 2)) return 1;
    if (p == 1) return 0;
    if (!variable && p == n + 2 && !subLeft) return n + 1;
    return p;
  }
  if (variable) {
    if (q == (sub ? L - 2 : L - 3)) return 1;
    if (q == n - 1) return n;
    return side;
  }
  if (q == L - 2) return subLeft ? L - 1 : L - 2;
  if (q == n - 1) return n;
  return side;
}

// ---- shared by the two keys ------------------------------------------------------------

// The caret moves to `to` without a change of structure: the node it leaves
// and the node it enters are laid out again (either may be drawn otherwise
// with the caret on it).
void MoveCaretTo(McEditStep& step, CMcBasic* from, CMcBasic* to) {
  step.pNewCaret = to;
  step.pRelayout = from;
  step.pRelayout2 = to != from ? to : nullptr;
}

// `child` takes `parent`'s place in the tree: a placeholder holds its slot
// while the parent and the rest of its subtree are deleted. Returns whether
// its size level changed.
bool TakePlace(CMcBasic* child, CMcBasic* parent, WORD sign, int level) {
  CMcBasic* outer = parent->m_parent;
  parent->SetChildAt(new CMcNull(0), parent->IndexOfChild(child));
  outer->ReplaceChild(child, parent);
  delete parent;
  child->m_flags = McWithSign(child->m_flags, sign);
  const bool changed = child->GetLevel() != level;
  child->SetLevel(level);
  return changed;
}

// After TakePlace: the child is laid out where it stands now, whole when its
// level (and so its children's) changed.
void LayoutTaken(McEditStep& step, CMcBasic* child, bool levelChanged) {
  step.pRelayout2 = nullptr;
  if (levelChanged) {
    step.pNewSubtree = child;
    step.pRelayout = child->m_parent;
  } else {
    step.pNewSubtree = nullptr;
    step.pRelayout = child;
  }
}

// ---- collapsing around an empty placeholder --------------------------------------------
// Collapse tries the steps below in turn, each for one family of parents of
// the placeholder; a step either acts (kCollapsed), refuses for the family
// (kRefused: nothing changed) or leaves the placeholder to the next step
// (kNotMine). A step that deletes the placeholder clears pCaret and
// m_pCaret; the record's layout fields are set afresh, naming no deleted
// node.

enum CollapseResult { kNotMine, kCollapsed, kRefused };

struct Collapser {
  CZevMcEdit& edit;
  McEditStep& step;
  CMcBasic* hole;  // the placeholder caret
  CMcBasic* p;     // its parent
  int count;       // p's children
  int i;           // the hole's index in p
  bool backspace;  // the rules of Backspace, else of Delete

  McKindCode Kind() const { return McKindOf(p->GetType()); }

  void Forget() {
    step.pCaret = nullptr;
    edit.m_pCaret = nullptr;
  }

  // The child takes the parent's place; keepLevel: it keeps its own level.
  CollapseResult CollapseTo(CMcBasic* child, bool keepLevel) {
    const WORD sign = MergedSign(p, child);
    const int level = keepLevel ? child->GetLevel() : p->GetLevel();
    if (child != hole) Forget();
    const bool changed = TakePlace(child, p, sign, level);
    step.pNewCaret = child;
    LayoutTaken(step, child, changed);
    return kCollapsed;
  }

  // The hole leaves p; the caret goes to the child then at caretIndex.
  CMcBasic* RemoveHole(int caretIndex) {
    delete p->RemoveChildAt(i);
    Forget();
    CMcBasic* caret = p->m_children[std::clamp(caretIndex, 0, p->m_count - 1)];
    step.pNewCaret = caret;
    step.pNewSubtree = nullptr;
    step.pRelayout = p->m_children[0];
    step.pRelayout2 = caret != step.pRelayout ? caret : nullptr;
    return caret;
  }

  // The last filled part after the first, 0 when every one is empty.
  int LastFilledPart() const {
    int filled = 0;
    for (int k = 1; k < count; ++k)
      if (!IsPlaceholder(p->m_children[k])) filled = k;
    return filled;
  }

  // A sum, product or list body: two members become the other one; more lose
  // the hole.
  CollapseResult List() {
    if (!IsList(p)) return kNotMine;
    if (count == 2) return CollapseTo(p->m_children[1 - i], !backspace);
    if (count < 2) return kRefused;
    if (!backspace) {
      RemoveHole(i);
      return kCollapsed;
    }
    CMcBasic* caret = RemoveHole(i - 1);
    if (caret->GetLevel() != p->GetLevel()) {
      caret->SetLevel(p->GetLevel());
      step.pNewSubtree = caret;
    }
    return kCollapsed;
  }

  // An empty left side of a relation: the right side is left.
  CollapseResult RelationLeftSide() {
    if (Kind() != kMcEquality || i != 0 || count != 2) return kNotMine;
    return CollapseTo(p->m_children[1], true);
  }

  // Every other rule is Backspace's.
  CollapseResult DeleteStopsHere() { return backspace ? kNotMine : kRefused; }

  bool IsPairKind() const {
    const McKindCode kind = Kind();
    return kind == kMcPower || kind == kMcRoot || kind == kMcDeclaration || kind == kMcDivision ||
           kind == kMcEquality;
  }

  // An operator, a function or a logarithm, or the second part of a pair:
  // the first part is left.
  CollapseResult FirstPartStays() {
    if (Kind() != kMcOperator && p->GetType() != McTypeWord(kMcFunction) &&
        p->GetType() != McTypeWord(kMcLog) && !(IsPairKind() && i == 1))
      return kNotMine;
    return CollapseTo(p->m_children[0], false);
  }

  // A kind of fixed parts (or a pair): with every other part empty the first
  // is left, else the caret goes to the last filled part.
  CollapseResult FixedParts() {
    const McKindCode kind = Kind();
    if (kind != kMcDomain && kind != kMcEvalat && kind != kMcIntegral && kind != kMcLimit &&
        kind != kMcSum && !IsPairKind())
      return kNotMine;
    const int filled = LastFilledPart();
    if (filled == 0) return CollapseTo(p->m_children[0], false);
    MoveCaretTo(step, hole, p->m_children[filled]);
    return kCollapsed;
  }

  // A derivative: the expression is left when no variable is filled;
  // otherwise the caret steps to a filled variable or the hole goes.
  CollapseResult Derivative() {
    if (Kind() != kMcDerivative || count <= 1) return kNotMine;
    const int j = LastFilledPart();
    if (j == 0 || count == 2) {
      if (j == 0 || i == 1 || IsPlaceholder(p->m_children[1]))
        return CollapseTo(p->m_children[0], true);
      MoveCaretTo(step, hole, p->m_children[1]);
    } else if (i == 0) {
      MoveCaretTo(step, hole, p->m_children[j]);
    } else {
      CMcBasic* caret = RemoveHole(std::max(i - 1, 1));
      step.pRelayout = caret;
      step.pRelayout2 = nullptr;
    }
    return kCollapsed;
  }

  CollapseResult Matrix() {
    if (Kind() != kMcMatrix) return kNotMine;
    auto* matrix = static_cast<CMcMatrix*>(p);
    const int c = std::max(1, matrix->GetColumns());
    if (count % c != 0) return kRefused;
    if (MatrixColumn(matrix, c) || MatrixSingleElement() || MatrixRow(c)) return kCollapsed;
    if (i == 0) return kRefused;
    MoveCaretTo(step, hole, p->m_children[i - 1]);
    return kCollapsed;
  }

  // Whether the n elements from start on, stride apart, are all empty.
  bool AllEmpty(int start, int stride, int n) const {
    for (int k = 0; k < n; ++k)
      if (!IsPlaceholder(p->m_children[start + k * stride])) return false;
    return true;
  }

  // The elements keep their levels unless the matrix passes 16 elements
  // either way: then every element is laid out again. The element the caret
  // goes to is laid out too (a number shows all its digits there).
  void LayoutMatrix() {
    step.pNewSubtree = nullptr;
    step.pRelayout2 = step.pNewCaret;
    if ((count > 16) != (p->m_count > 16)) {
      step.pNewSubtree = p;
      step.pRelayout = p->m_parent;
    } else {
      step.pRelayout = p;
    }
    p->m_flags &= kMcBaseMask;  // no augmentation line any more
  }

  // An empty column goes (not the first, unless it is the only row's or the
  // hole stands in the first row).
  bool MatrixColumn(CMcMatrix* matrix, int c) {
    const int r = count / c;
    const int row = i / c;
    const int column = i % c;
    if (c <= 1 || !(column != 0 || r == 1 || row == 0) || !AllEmpty(column, c, r)) return false;
    for (int k = r - 1; k >= 0; --k) delete p->RemoveChildAt(k * c + column);
    matrix->SetColumns(static_cast<WORD>(c - 1));
    Forget();
    step.pNewCaret = p->m_children[row * (c - 1) + std::max(column - 1, 0)];
    LayoutMatrix();
    return true;
  }

  // A matrix of the one empty element becomes a placeholder.
  bool MatrixSingleElement() {
    if (count != 1) return false;
    CMcBasic* fresh =
        new CMcNull(static_cast<WORD>(MergedSign(p, hole) | (hole->m_flags & kMcLevelMask)));
    p->m_parent->ReplaceChild(fresh, p);
    delete p;
    Forget();
    step.pNewCaret = fresh;
    step.pNewSubtree = nullptr;
    step.pRelayout = fresh;
    step.pRelayout2 = nullptr;
    return true;
  }

  // An empty row goes, when there is another.
  bool MatrixRow(int c) {
    const int r = count / c;
    const int row = i / c;
    if (r <= 1 || !AllEmpty(row * c, 1, c)) return false;
    for (int k = c - 1; k >= 0; --k) delete p->RemoveChildAt(row * c + k);
    Forget();
    step.pNewCaret = p->m_children[std::max(row - 1, 0) * c + c - 1];
    LayoutMatrix();
    return true;
  }
};

// Collapses the structure around the placeholder caret `hole`; `backspace`
// selects the rules of the key. Returns false when no rule applies (nothing
// changed then).
bool Collapse(CZevMcEdit& edit, McEditStep& step, CMcBasic* hole, bool backspace) {
  CMcBasic* p = hole->m_parent;
  if (p == nullptr || p->m_parent == nullptr || p->m_count == 0) return false;
  const int i = p->IndexOfChild(hole);
  Collapser c{edit, step, hole, p, p->m_count, i < 0 ? p->m_count - 1 : i, backspace};
  using Step = CollapseResult (Collapser::*)();
  for (Step rule : {&Collapser::List, &Collapser::RelationLeftSide, &Collapser::DeleteStopsHere,
                    &Collapser::FirstPartStays, &Collapser::FixedParts, &Collapser::Derivative,
                    &Collapser::Matrix}) {
    const CollapseResult result = (c.*rule)();
    if (result != kNotMine) return result == kCollapsed;
  }
  return false;
}

// A filled node becomes a placeholder of its level; in a multiplication the
// factor then goes at once, by the key's own collapse rules.
void EmptyNode(CZevMcEdit& edit, McEditStep& step, CMcBasic* node, bool keepSign, bool backspace) {
  CMcBasic* parent = node->m_parent;
  const WORD sign = keepSign ? static_cast<WORD>(node->m_flags & kMcSignMask) : 0;
  CMcBasic* hole = new CMcNull(static_cast<WORD>(sign | (node->m_flags & kMcLevelMask)));
  parent->ReplaceChild(hole, node);
  delete node;
  step.pCaret = nullptr;
  edit.m_pCaret = nullptr;
  step.pNewCaret = hole;
  step.pRelayout = parent;
  step.pNewSubtree = hole;
  if (IsMultiplication(parent)) Collapse(edit, step, hole, backspace);
}

// The character rules of text mode: 1 when one applied and acted, -1 when one
// applied and refused, 0 when none applies.
int DeleteCharacter(char* number, McEditStep& step, bool backspace) {
  CMcBasic* n = step.pCaret;
  const int side = step.nCaretSide;
  int newSide;
  if (McIsKind(n, kMcReal)) {
    const size_t typed = strnlen(number, kMcNumberTextSize - 1);
    if (typed <= 1) return 0;
    auto* real = static_cast<CMcReal*>(n);
    std::string text(number, typed);
    if (std::strtod(text.c_str(), nullptr) != real->m_value) text = PrintedNumber(real->m_value);
    if (text.size() <= 1 || text.size() >= kMcNumberTextSize) return -1;
    double value = real->m_value;
    newSide = DeleteFromNumber(text, &value, side, backspace);
    if (newSide < 0) return -1;
    std::memcpy(number, text.c_str(), text.size() + 1);
    real->m_value = value;
  } else {
    const bool variable = McIsKind(n, kMcVariable);
    if (!variable && !McIsKind(n, kMcFunction)) return 0;
    const int length = variable ? static_cast<CMcVariable*>(n)->m_length
                                : static_cast<CMcFunction*>(n)->m_bufferLength;
    if (length <= 3 || (!variable && side == 1)) return 0;
    newSide = DeleteFromName(n, backspace, side);
    if (newSide < 0) return -1;
  }
  step.nNewCaretSide = static_cast<BYTE>(std::min(newSide, 255));
  step.pRelayout = n;
  return 1;
}

}  // namespace

// ---- the two actions -------------------------------------------------------------------

DWORD CZevMcEdit::DeleteLeft(DWORD code, McEditStep& step) {
  CMcBasic* n = step.pCaret;
  if (n == nullptr || n->m_parent == nullptr) return 0;
  if (ZevItemFlags(code) & kZevKeyText) {
    const int characters = DeleteCharacter(m_szNumber, step, true);
    if (characters != 0) return characters > 0 ? code : 0;
  }
  if (!IsPlaceholder(n)) {
    EmptyNode(*this, step, n, IsAddition(n->m_parent), true);
    return code;
  }
  return Collapse(*this, step, n, true) ? code : 0;
}

DWORD CZevMcEdit::DeleteRight(DWORD code, McEditStep& step) {
  CMcBasic* n = step.pCaret;
  if (n == nullptr || n->m_parent == nullptr) return 0;
  if (ZevItemValue(code) == 1) {
    // Ctrl+Delete: the caret node takes its parent's place.
    CMcBasic* parent = n->m_parent;
    CMcBasic* outer = parent->m_parent;
    if (outer == nullptr || McIsKind(parent, kMcGroup)) return 0;
    TakePlace(n, parent, static_cast<WORD>(n->m_flags & kMcSignMask), parent->GetLevel());
    step.pRelayout = outer;
    step.pNewSubtree = n;
    return code;
  }
  if (ZevItemFlags(code) & kZevKeyText) {
    const int characters = DeleteCharacter(m_szNumber, step, false);
    if (characters != 0) return characters > 0 ? code : 0;
  }
  if (!IsPlaceholder(n)) {
    EmptyNode(*this, step, n, true, false);
    return code;
  }
  // Where no rule applies the key still counts (it is logged, and undo steps
  // over it).
  Collapse(*this, step, n, false);
  return code;
}
