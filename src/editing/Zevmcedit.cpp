#include "editing/Zevmcedit.h"

#include "editing/ZevEditShared.h"

#include "GlobalResources.h"
#include "ListGrowth.h"
#include "MC/MC_GROUP.h"
#include "MC/MC_REAL.h"
#include "MC/McDepthGuard.h"
#include "MC/McKinds.h"
#include "MC/Mc_function.h"
#include "MC/Mc_matrix.h"
#include "MC/Mc_operator.h"
#include "MC/Mc_variable.h"
#include "platform/core/KeyState.h"
#include "platform/gdi/DC.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>
#include <vector>

namespace {

using zev::TreeDepth;

constexpr int kInitialLogCapacity = 4;
// The most levels one action adds to the deepest path of a tree (an implicit
// product around a new function template adds two); above this margin from
// the loader's limit an action is first tried on a copy.
constexpr int kDepthMargin = 8;
constexpr int kMaxChildren = 0xFFFF;

bool IsGroup(const CMcBasic* node) {
  return McIsKind(node, kMcGroup);
}

// Parent steps from node up to top (0 when they are the same node).
int DepthBelow(const CMcBasic* top, const CMcBasic* node) {
  int depth = 0;
  for (const CMcBasic* n = node; n != nullptr && n != top; n = n->m_parent) ++depth;
  return depth;
}

// Whether an action may add children to node: a list full in 16 bits, or a
// matrix whose next row or column would not fit, may not.
bool CanGrow(const CMcBasic* node) {
  if (McIsKind(node, kMcMatrix)) {
    const int columns = std::max(1, static_cast<const CMcMatrix*>(node)->GetColumns());
    const int rows = node->m_count / columns;
    return columns < kMaxChildren && node->m_count + std::max(rows, columns) <= kMaxChildren;
  }
  return node->m_count < kMaxChildren;
}

// Actions that never add a node or a level.
bool NeverGrows(int action) {
  switch (action) {
    case kZevParenthesize:
    case kZevNextPlaceholder:
    case kZevDeleteLeft:
    case kZevDeleteRight:
    case kZevMoveCaret:
    case kZevMoveCaretOut:
      return true;
    default:
      return false;
  }
}

// What an action reads and writes of the engine besides the tree, saved
// around a trial run on a copy.
struct TrialState {
  McEditStep step;
  std::array<char, kMcNumberTextSize> number;
  CMcBasic* caret;
  CMcBasic* list;
  int listIndex;
};

TrialState SaveTrialState(const CZevMcEdit& edit) {
  TrialState s{edit.m_step, {}, edit.m_pCaret, edit.m_pList, edit.m_nListIndex};
  std::memcpy(s.number.data(), edit.m_szNumber, s.number.size());
  return s;
}

void RestoreTrialState(CZevMcEdit& edit, const TrialState& s) {
  edit.m_step = s.step;
  std::memcpy(edit.m_szNumber, s.number.data(), s.number.size());
  edit.m_pCaret = s.caret;
  edit.m_pList = s.list;
  edit.m_nListIndex = s.listIndex;
}

// Whether an item's action number names an action.
constexpr bool IsAction(int number) {
  switch (number) {
#define ZEV_ACTION(action, number, member) case action:
#include "editing/ZevActions.inc"
#undef ZEV_ACTION
    return true;
    default:
      return false;
  }
}

bool IsMappedCharacter(UINT key) {
  return (key >= 'a' && key <= 'z') || (key >= 'A' && key <= 'Z') || (key >= '0' && key <= '9') ||
         key == '.' || key == '_';
}

}  // namespace

// ---- life cycle ------------------------------------------------------------------

CZevMcEdit::CZevMcEdit()
    : m_pLogChars(new BYTE[kInitialLogCapacity]()),
      m_pLogCodes(new DWORD[kInitialLogCapacity]()),
      m_pLogPrevCodes(new DWORD[kInitialLogCapacity]()) {}

CZevMcEdit::~CZevMcEdit() {
  delete m_pSnapshot;
}

// ---- editing -----------------------------------------------------------------------

void CZevMcEdit::BeginEdit(CMcBasic* node, ZevEditHost* host, BOOL invalidate) {
  if (IsGroup(node) && node->m_count > 0 && !IsGroup(node->m_children[0])) {
    const int current = static_cast<CMcGroup*>(node)->m_current;
    node = current < node->m_count ? node->m_children[current] : nullptr;
  } else if (IsGroup(node) && node->m_count == 0) {
    // A group without children has no shown child to start at.
    node = nullptr;
  }
  m_pCaret = node;
  m_szNumber[0] = '\0';
  delete m_pSnapshot;
  m_pSnapshot = nullptr;
  m_pSnapshotCaret = nullptr;
  m_pLogCodes[0] = 0;
  CMcBasic* candidate = node;
  CMcBasic* list = node ? node->m_parent : nullptr;
  int depth = 0;
  while (list != nullptr && !IsGroup(list)) {
    candidate = list;
    list = list->m_parent;
    ++depth;
  }
  if (list == nullptr) {
    m_pCaret = nullptr;
    m_pList = nullptr;
    return;
  }
  m_pList = list;
  m_nListIndex = 0;
  for (int i = list->m_count - 1; i >= 1; --i) {
    if (list->m_children[i] == candidate) {
      m_nListIndex = i;
      break;
    }
  }
  m_pSnapshot = candidate->Clone();
  m_pSnapshot->m_parent = list;
  m_pSnapshotCaret = MapNode(m_pSnapshot, candidate, m_pCaret, depth);
  m_step = McEditStep{};
  m_step.pCaret = m_step.pNewCaret = m_pCaret;
  m_step.nCaretSide = 1;
  m_nLogLength = 0;
  UpdateCaret(host);
  if (invalidate && host) host->InvalidateAll(TRUE);
}

void CZevMcEdit::EndEdit(ZevEditHost* host) {
  m_szNumber[0] = '\0';
  delete m_pSnapshot;
  m_pSnapshotCaret = nullptr;
  m_pSnapshot = nullptr;
  m_nLogLength = 0;
  m_pLogCodes[0] = 0;
  if (host) host->DestroyCaret();
  m_pCaret = nullptr;
  if (host) host->InvalidateAll(TRUE);
}

CMcBasic* CZevMcEdit::GetEditedExpression() const {
  if (m_pList == nullptr || m_nListIndex < 0 || m_nListIndex >= m_pList->m_count) return nullptr;
  return m_pList->m_children[m_nListIndex];
}

// ---- one keystroke ------------------------------------------------------------------

BOOL CZevMcEdit::OnKey(UINT key, UINT flags) {
  if (m_pCaret == nullptr) return FALSE;
  m_step.pRelayout = m_step.pRelayout2 = m_step.pNewSubtree = nullptr;
  m_step.nNewCaretSide = 1;
  m_step.pCaret = m_step.pNewCaret = m_pCaret;
  const DWORD item = MapKey(key, flags);
  if (item == 0 || !RoomToGrow(item)) return FALSE;
  const DWORD code = DoAction(key, flags, 0, m_step);
  if (code == 0) return FALSE;
  FillNumberText(m_step.pNewCaret);
  CMcBasic* left = m_step.pCaret;
  if (left != nullptr && left != m_step.pNewCaret && McIsKind(left, kMcReal) &&
      m_step.pRelayout2 == nullptr && m_step.pRelayout != left)
    m_step.pRelayout2 = left;  // a number drawn differently while it held the caret
  DropStaleParentheses(code);
  m_pCaret = m_step.pNewCaret;
  m_step.pCaret = m_pCaret;
  m_step.nCaretSide = m_step.nNewCaretSide;
  LogKey(static_cast<BYTE>(key & 0xFF), code);
  if ((g_nDisplaySettings & kDisplayTextMode) == 0 && RecognizeKeyword()) {
    m_step.pRelayout = m_pList;
    m_step.pNewSubtree = GetEditedExpression();
  }
  return TRUE;
}

// A layout keeps the parentheses bit of the caret node, since only there can
// it be the user's; but the bit a layout set on a signed factor of a product
// is kept too when an action moves the caret node out of the product (a
// wrapping insert that leaves the caret on it). Such a bit would stay drawn
// where a replay, which lays nothing out between actions, has none. Unless
// the item before was Parenthesize, a bit the node's place does not call for
// goes, and the node is laid out again.
void CZevMcEdit::DropStaleParentheses(DWORD code) {
  CMcBasic* caret = m_step.pNewCaret;
  if (caret == nullptr || (caret->m_flags & kMcParens) == 0) return;
  if (ZevItemAction(code) == kZevParenthesize || PrevIsParenthesize()) return;
  if (McIsKind(caret->m_parent, kMcListmult) &&
      (caret->GetSign() != 0 || McIsKind(caret, kMcListmult) || McIsKind(caret, kMcListsum)))
    return;
  caret->m_flags &= static_cast<WORD>(~kMcParens);
  if (m_step.pRelayout == nullptr || m_step.pRelayout == caret)
    m_step.pRelayout = caret;
  else if (m_step.pRelayout2 == nullptr || m_step.pRelayout2 == caret)
    m_step.pRelayout2 = caret;
  else
    m_step.pNewSubtree = GetEditedExpression();
}

void CZevMcEdit::FillNumberText(CMcBasic* node) {
  if (node != nullptr && node != m_step.pCaret && McIsKind(node, kMcReal))
    static_cast<CMcReal*>(node)->FormatValue(m_szNumber);
}

DWORD CZevMcEdit::DoAction(UINT key, UINT flags, DWORD code, McEditStep& step) {
  if (IsAction(ZevItemAction(code))) return RunAction(code, step);
  const DWORD mapped = MapKey(key, flags);
  return mapped ? RunAction(mapped, step) : 0;
}

DWORD CZevMcEdit::MapKey(UINT key, UINT flags) {
  const int f = static_cast<int>(flags & 0xFF) << 8;
  if ((flags & (kZevKeyCtrl | kZevKeyDown | kZevKeyAlt)) == 0 && IsMappedCharacter(key))
    return ZevItemCode(kZevInsertCharacter, (key & 0xFF) | f);
  if (flags & kZevKeyDown) {
    const bool ctrl = (flags & kZevKeyCtrl) != 0;
    switch (key) {
      case VK_TAB:
        return ZevItemCode(kZevTabOrWhere, 0);
      case VK_RETURN:
        return ZevItemCode(kZevNewRow, 0);
      case VK_LEFT:
      case VK_UP:
      case VK_RIGHT:
      case VK_DOWN:
        return ZevItemCode(ctrl ? kZevMoveCaretOut : kZevMoveCaret,
                           static_cast<int>(key - VK_LEFT) | f);
      case VK_DELETE:
        return ZevItemCode(kZevDeleteRight, (ctrl ? 1 : 0) | f);
      case VK_OEM_MINUS:
        return ctrl ? ZevItemCode(kZevInsertTerm, 4 | f) : 0;
      default:
        return 0;
    }
  }
  switch (key) {
    case 4:  // Ctrl+D
      return ZevItemCode(kZevInsertDerivative, (flags & kZevKeyShift) ? 2 : 0);
    case 6:  // Ctrl+F
      return ZevItemCode(kZevInsertNamedFunction, 0);
    case 8:  // Backspace, Ctrl+H
      return ZevItemCode(kZevDeleteLeft, f);
    case 12:  // Ctrl+L
      return ZevItemCode(kZevInsertLog, 0);
    case 16:  // Ctrl+P
    case '^':
      return ZevItemCode(kZevInsertPower, 0);
    case 18:  // Ctrl+R
      return ZevItemCode(kZevInsertRoot, 3);
    case ' ':
    case '+':
      return ZevItemCode(kZevInsertTerm, f);
    case '-':
      return ZevItemCode(kZevInsertTerm, 1 | f);
    case '!':
      return ZevItemCode(kZevInsertOperator, CMcOperator::kFactorial);
    case '(':
      return ZevItemCode(kZevInsertOperator, CMcOperator::kBracket);
    case ']':
      return ZevItemCode(kZevInsertOperator, CMcOperator::kFloor);
    case '}':
      return ZevItemCode(kZevInsertOperator, CMcOperator::kCeiling);
    case '&':
      return ZevItemCode(kZevInsertRelation, kMcRelAnd);
    case '|':
      return ZevItemCode(kZevInsertRelation, kMcRelOr);
    case '=':
      return ZevItemCode(kZevInsertRelation, kMcRelEqual);
    case '<':
      return ZevItemCode(kZevInsertRelation, kMcRelLess);
    case '>':
      return ZevItemCode(kZevInsertRelation, kMcRelGreater);
    case '~':
      return ZevItemCode(kZevInsertRelation, kMcRelApproximate);
    case '*':
      return ZevItemCode(kZevInsertFactor, 0);
    case '/':
      return ZevItemCode(kZevInsertDivision, 0);
    case '\\':
      return ZevItemCode(kZevInsertDivision, 1);
    case ';':
      return ZevItemCode(kZevNextPlaceholder, 0);
    case '@':
      return ZevItemCode(kZevInsertEvalAt, 0);
    case '[':
      return ZevItemCode(kZevInsertMatrix, 0);
    default:
      return 0;
  }
}

DWORD CZevMcEdit::RunAction(DWORD code, McEditStep& step) {
  switch (ZevItemAction(code)) {
#define ZEV_ACTION(action, number, member) \
  case action:                             \
    return member(code, step);
#include "editing/ZevActions.inc"
#undef ZEV_ACTION
    default:
      return 0;
  }
}

// A saved design must load back: no node may pass the loader's depth, and no
// child count or matrix width may pass 16 bits. Counts are checked on the
// caret's path (every action grows only the caret node or an ancestor); the
// depth, near the limit, by running the action on a copy first.
bool CZevMcEdit::RoomToGrow(DWORD code) {
  if (NeverGrows(ZevItemAction(code))) return true;
  for (const CMcBasic* n = m_pCaret; n != nullptr && n != m_pList; n = n->m_parent)
    if (!CanGrow(n)) return false;
  CMcBasic* live = GetEditedExpression();
  if (live == nullptr || TreeDepth(live) + kDepthMargin <= McDepthGuard::kMaxDepth) return true;
  // The trial runs on a copy held by a group of its own; the actions are
  // deterministic, so the copy ends as the live tree would. The engine's
  // state that an action reads and writes is saved around it.
  CMcGroup trial(nullptr, "", 0);
  CMcBasic* copy = live->Clone();
  trial.AppendChild(copy);
  CMcBasic* twin = MapNode(copy, live, m_pCaret, DepthBelow(live, m_pCaret));
  const TrialState saved = SaveTrialState(*this);
  m_pCaret = twin;
  m_pList = &trial;
  m_nListIndex = 0;
  m_step.pCaret = m_step.pNewCaret = twin;
  const DWORD result = RunAction(code, m_step);
  const int depth = TreeDepth(trial.m_count ? trial.m_children[0] : nullptr);
  RestoreTrialState(*this, saved);
  return result == 0 || depth <= McDepthGuard::kMaxDepth;
}

// ---- the log -----------------------------------------------------------------------

void CZevMcEdit::LogKey(BYTE character, DWORD code) {
  int n = m_nLogLength;
  m_pLogChars[n] = character;
  m_pLogCodes[n] = code;
  ++n;
  m_pLogCodes[n] = 0;  // cuts any redo tail
  m_nLogLength = n;
  if (n < m_nLogCapacity - 2) return;
  // The entries up to the terminator written above move across.
  const int capacity = DoubledCapacity(m_nLogCapacity);
  ReallocateKeeping(m_pLogChars, n + 1, capacity);
  ReallocateKeeping(m_pLogCodes, n + 1, capacity);
  ReallocateKeeping(m_pLogPrevCodes, n + 1, capacity);
  m_nLogCapacity = capacity;
}

DWORD CZevMcEdit::LastItemCode(int* length) const {
  const int n = m_nLogLength;
  if (length) *length = 0;
  if (n <= 0) return 0;
  int found = 1;
  for (int p = std::max(0, n - 16); p < n;) {
    const int m = ZevItemLength(m_pLogCodes[p]);
    if (m > 1) {
      if (p + m - 1 == n - 1) {
        found = m;
        break;
      }
      p += m;
    } else {
      ++p;
    }
  }
  if (length) *length = found;
  return m_pLogCodes[n - found];
}

bool CZevMcEdit::PrevIsParenthesize() const {
  return m_nLogLength >= 1 && m_pLogCodes[m_nLogLength - 1] == ZevItemCode(kZevParenthesize, 0);
}

BOOL CZevMcEdit::Replay() {
  if (m_pSnapshot == nullptr || m_pList == nullptr) return FALSE;
  const int depth = DepthBelow(m_pSnapshot, m_pSnapshotCaret);
  CMcBasic* fresh = m_pSnapshot->Clone();
  fresh->m_parent = m_pList;
  CMcBasic* freshCaret = MapNode(fresh, m_pSnapshot, m_pSnapshotCaret, depth);
  CMcBasic* old = m_pList->SetChildAt(m_pSnapshot, m_nListIndex);
  delete old;
  CMcBasic* caret = m_pSnapshotCaret;
  m_pSnapshot = fresh;
  m_pSnapshotCaret = freshCaret;
  m_pCaret = caret;
  m_step = McEditStep{};
  m_step.nCaretSide = 1;
  m_szNumber[0] = '\0';
  m_step.pCaret = m_step.pNewCaret = caret;
  const int n = m_nLogLength;
  for (int p = 0; p < n; ++p) {
    m_step.pCaret = m_step.pNewCaret = caret;
    m_step.nNewCaretSide = 1;
    const DWORD code = m_pLogCodes[p];
    const int length = ZevItemLength(code);
    if (length > 1) p += length - 1;
    // The action sees the log as it stood when the item was typed.
    m_nLogLength = p + 1 - std::max(length, 1);
    DoAction(0, 0, code, m_step);
    FillNumberText(m_step.pNewCaret);
    caret = m_step.pNewCaret;
    m_pCaret = caret;
    m_step.pCaret = caret;
    m_step.nCaretSide = m_step.nNewCaretSide;
  }
  m_nLogLength = n;
  m_step.pRelayout = m_step.pRelayout2 = m_step.pNewSubtree = nullptr;
  return TRUE;
}

BOOL CZevMcEdit::Undo() {
  const int n = m_nLogLength;
  if (m_pCaret == nullptr || n <= 0) return FALSE;
  int length = 1;
  LastItemCode(&length);
  if (length > 1 && m_pLogCodes[n] == 0) {
    // Un-recognise the keyword: its letters come back as typed items.
    m_pLogCodes[n - length] = m_pLogPrevCodes[n - length];
  } else {
    m_nLogLength = n - length;
  }
  return Replay();
}

BOOL CZevMcEdit::Redo() {
  if (m_pCaret == nullptr) return FALSE;
  const DWORD next = m_pLogCodes[m_nLogLength];
  if (next == 0) return FALSE;
  m_nLogLength += std::max(1, ZevItemLength(next));
  return Replay();
}

CMcBasic* CZevMcEdit::MapNode(CMcBasic* newRoot, CMcBasic* oldRoot, CMcBasic* node, int depth) {
  if (node == oldRoot || node == nullptr) return newRoot;
  std::vector<int> path;
  path.reserve(depth);
  for (const CMcBasic* n = node;
       n != oldRoot && n->m_parent != nullptr && static_cast<int>(path.size()) < depth;
       n = n->m_parent)
    path.push_back(std::max(0, n->m_parent->IndexOfChild(n)));
  CMcBasic* at = newRoot;
  for (auto i = path.rbegin(); i != path.rend() && at != nullptr; ++i)
    at = *i < at->m_count ? at->m_children[*i] : nullptr;
  return at ? at : newRoot;
}

// ---- the caret -----------------------------------------------------------------------

namespace {

CDC* MeasureIn(CDC* dc) {
  return g_pMeasureDC ? g_pMeasureDC : dc;
}

int Extent(CDC* dc, int family, int level, const char* text, int length) {
  if (dc == nullptr || length <= 0) return 0;
  dc->SelectObject(g_fonts[family][level]);
  return dc->GetTextExtent(text, length).cx;
}

// The caret inside a variable's or function's name or subscript (text mode).
void NameCaret(CDC* dc, const CMcBasic* node, int side, int* x, int* y, int* height) {
  const bool variable = McIsKind(node, kMcVariable);
  const char* name;
  const char* subscript;
  if (variable) {
    const auto* v = static_cast<const CMcVariable*>(node);
    name = v->GetVarName();
    subscript = v->GetSubscript();
    *x += v->GetCaretPos(dc);
  } else {
    const auto* f = static_cast<const CMcFunction*>(node);
    name = f->GetFunctionName();
    subscript = f->GetSubscript();
    *x += f->GetCaretPos(dc);
  }
  const int nameLength = static_cast<int>(std::strlen(name));
  const int subLength = static_cast<int>(std::strlen(subscript));
  const int level = node->GetLevel();
  // Bold by the drawing's own test: decoration code 3 exactly.
  const int bold = (McDecorationOf(node->m_flags)) == 3 ? 1 : 0;
  const bool greek = (node->m_flags & kMcVariant) != 0;
  const bool constant = (node->m_flags & kMcConstant) != 0;
  int family;
  if (!variable)
    family = bold + (greek ? kFontSymbol : kFontArial);
  else if (constant)
    family = bold + (greek ? kFontSymbol : kFontNumber);
  else
    family = bold + (greek ? kFontSymbolItalic : kFontItalic);
  *height = node->m_box.height;
  if (side == 1) side = subLength == 0 ? nameLength + 1 : nameLength + 2 + subLength;
  if (side == 0) return;
  CDC* measure = MeasureIn(dc);
  if (side - 1 <= nameLength) {
    *x += Extent(measure, family, level, name, side - 1);
    return;
  }
  *x += Extent(measure, family, level, name, nameLength);
  *y += g_fontAscent[family][level];
  const int subLevel = McSmallerLevel(level);
  const int subFamily = !variable ? kFontArial : constant ? kFontNumber : kFontItalic;
  if (!variable) *y += node->m_baseline - g_fontAscent[family][level];
  *x += Extent(measure, subFamily, subLevel, subscript,
               std::clamp(side - nameLength - 2, 0, subLength));
  *height = g_fontHeight[subFamily][subLevel];
  *y -= *height / 2;
}

}  // namespace

bool ZevCaretGeometry(CDC* dc, const CMcBasic* node, int side, const char* number, bool textMode,
                      ZevCaretBox* box) {
  if (node == nullptr || box == nullptr) return false;
  int x = 0, y = 0;
  for (const CMcBasic* n = node; n != nullptr; n = n->m_parent) {
    x += n->m_box.x;
    y += n->m_box.y;
  }
  int height = node->m_box.height;
  const bool isReal = McIsKind(node, kMcReal);
  if (textMode && dc &&
      (McIsKind(node, kMcVariable) || (McIsKind(node, kMcFunction) && side != 1))) {
    NameCaret(dc, node, side, &x, &y, &height);
  } else if (textMode && dc && isReal &&
             std::isfinite(static_cast<const CMcReal*>(node)->m_value)) {
    const char* text = number ? number : "";
    const int length = static_cast<int>(strnlen(text, kMcNumberTextSize));
    const int p = side == 1 ? length : side > 1 ? std::min(side - 1, length) : 0;
    x += static_cast<const CMcReal*>(node)->GetCaretPos(dc);
    if (p != 0) x += Extent(dc, kFontNumber, node->GetLevel(), text, p);
  } else if (side != 0) {
    x += node->m_box.width;
  }
  box->x = x;
  box->y = y;
  box->height = height;
  return true;
}

BOOL CZevMcEdit::UpdateCaret(ZevEditHost* host) {
  if (m_pCaret == nullptr) return FALSE;
  if (host == nullptr) return TRUE;
  ZevCaretBox box;
  ZevCaretGeometry(g_pMemDC, m_pCaret, m_step.nCaretSide, m_szNumber,
                   (g_nDisplaySettings & kDisplayTextMode) != 0, &box);
  const CPoint scroll = host->GetScrollOffset();
  host->ShowCaretAt(box.x - scroll.x, box.y - scroll.y, 0, box.height);
  return TRUE;
}
