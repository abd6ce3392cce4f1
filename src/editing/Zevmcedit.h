#pragma once
// CZevMcEdit: the engine of the structural formula editor. It edits one
// expression below an expression-list group in place: one node is the caret,
// every keystroke becomes one logged item that runs one edit action on it, and
// undo, redo and keyword recognition rebuild the expression from a snapshot by
// running the log again.
//
// The engine owns no window. The caret and the invalidation go through
// ZevEditHost, which the formula editor window provides; with a null host the
// engine places no caret and invalidates nothing. After a successful OnKey the
// window lays out m_step.pNewSubtree in mode 0, then m_step.pRelayout and
// m_step.pRelayout2 in mode 1, and after Undo or Redo the edited expression in
// mode 0 and the list in mode 1.
//
// One class over several files by concern: Zevmcedit.cpp (editing, keys, log,
// replay, undo, caret), ZevKeywords.cpp (keyword recognition),
// ZevEditEntry.cpp (characters, names, templates), ZevEditInsert.cpp
// (structural inserts), ZevEditDelete.cpp (deletion), ZevEditCaret.cpp (caret
// movement, rows, tabs, placeholders, styles).
//
// User-interface thread only; one engine per window.
#include "MC/MC_BASIC.h"
#include "MC/McEditorFocus.h"
#include "platform/core/Geometry.h"
#include "platform/core/Types.h"

#include <memory>

class CDC;

// ---- item codes and key flags ----------------------------------------------------
// An item code: action in bits 24-31 (1..43), length in log positions in bits
// 16-23 (1 for a keystroke, the word's length for a recognised keyword),
// parameter in bits 0-15. Keys that carry flags put them in parameter bits
// 8-15 and the action's own code (or the character) in bits 0-7.

constexpr DWORD ZevItemCode(int action, int parameter, int length = 1) {
  return (static_cast<DWORD>(action) << 24) | (static_cast<DWORD>(length & 0xFF) << 16) |
         static_cast<DWORD>(parameter & 0xFFFF);
}
constexpr int ZevItemAction(DWORD code) {
  return static_cast<int>(code >> 24);
}
constexpr int ZevItemLength(DWORD code) {
  return static_cast<int>((code >> 16) & 0xFF);
}
constexpr int ZevItemParameter(DWORD code) {
  return static_cast<int>(code & 0xFFFF);
}
// Bits 0-7 of the parameter: the action's own code, or the character.
constexpr int ZevItemValue(DWORD code) {
  return static_cast<int>(code & 0xFF);
}
// Bits 8-15 of the parameter: the key flags a keystroke carried.
constexpr int ZevItemFlags(DWORD code) {
  return static_cast<int>((code >> 8) & 0xFF);
}

// Key flags, built by the window for each key message.
enum : UINT {
  kZevKeyCtrl = 1,
  kZevKeyShift = 2,
  kZevKeyDown = 4,  // the key is a virtual-key code from a key-down message
  kZevKeyAlt = 8,
  kZevKeyText = 16  // text mode (kDisplayTextMode of g_nDisplaySettings)
};

// Action numbers (the action field of an item code), from ZevActions.inc.
enum ZevAction : int {
#define ZEV_ACTION(action, number, member) action = number,
#include "editing/ZevActions.inc"
#undef ZEV_ACTION
};

// The empty-name mark: a name or subscript of this one character is unnamed.
constexpr char kZevEmptyName = static_cast<char>(0x85);

// ---- the step record -------------------------------------------------------------
// Handed to every action. Caret side: 0 before the caret node, 1 after it, n > 1
// after n-1 characters of its name or number text. A rule that deletes a node
// clears every field that names it.
struct McEditStep {
  BYTE nNewCaretSide = 1;           // out: caret side after the action; preset 1
  BYTE nCaretSide = 1;              // in: the side the previous action left
  CMcBasic* pNewCaret = nullptr;    // out: the next caret node; preset to the caret
  CMcBasic* pCaret = nullptr;       // in: the caret node (null once deleted)
  CMcBasic* pRelayout = nullptr;    // out: laid out again from its children up
  CMcBasic* pRelayout2 = nullptr;   // out: a second node laid out again upward
  CMcBasic* pNewSubtree = nullptr;  // out: laid out whole first
};

// ---- the window's side -----------------------------------------------------------
// What the engine asks of the window it edits in.
class ZevEditHost {
 public:
  virtual ~ZevEditHost() = default;
  // The horizontal and vertical scroll positions of the window.
  virtual CPoint GetScrollOffset() const = 0;
  // Creates a solid caret of the given width (0: the system's default) and
  // height for the window, places it at (x, y) and shows it.
  virtual void ShowCaretAt(int x, int y, int width, int height) = 0;
  virtual void DestroyCaret() = 0;
  // Invalidates the whole client area.
  virtual void InvalidateAll(BOOL erase) = 0;
};

// The caret's rectangle in the window's content coordinates (before
// scrolling): left, top, then width 0 and the caret's height.
struct ZevCaretBox {
  int x = 0;
  int y = 0;
  int height = 0;
};

// Where the caret of a node and side stands: the geometry only, measured in dc
// (the context the nodes' layout measures in) with the expression fonts.
// number is the typed text of a number at the caret (may be null); textMode is
// kDisplayTextMode of g_nDisplaySettings. False when node is null.
bool ZevCaretGeometry(CDC* dc, const CMcBasic* node, int side, const char* number, bool textMode,
                      ZevCaretBox* box);

struct ZevKeyword;

class CZevMcEdit {
 public:
  CZevMcEdit();
  virtual ~CZevMcEdit();
  CZevMcEdit(const CZevMcEdit&) = delete;
  CZevMcEdit& operator=(const CZevMcEdit&) = delete;

  // ---- editing (Zevmcedit.cpp) ---------------------------------------------------
  // Starts editing at node (a group whose first child is not a group starts at
  // its shown child). Nothing begins (m_pCaret stays null) when no group lies
  // above the node, or the group has no shown child.
  void BeginEdit(CMcBasic* node, ZevEditHost* host, BOOL invalidate);
  // Stops editing; the live expression keeps every edit.
  void EndEdit(ZevEditHost* host);
  // One keystroke (key: a character code, or a virtual key with kZevKeyDown).
  // True when an item was logged.
  BOOL OnKey(UINT key, UINT flags);
  // Runs one item: code's action when it names one, else the key's.
  DWORD DoAction(UINT key, UINT flags, DWORD code, McEditStep& step);
  // Appends one log position; the arrays double when full.
  void LogKey(BYTE character, DWORD code);
  // Rebuilds the live expression from the snapshot and runs the log again.
  BOOL Replay();
  BOOL Undo();
  BOOL Redo();
  // Places the window's caret; false when there is no caret node.
  BOOL UpdateCaret(ZevEditHost* host);
  // The node of the tree below newRoot at the child-index path by which node
  // lies depth levels below oldRoot.
  static CMcBasic* MapNode(CMcBasic* newRoot, CMcBasic* oldRoot, CMcBasic* node, int depth);

  // ---- keywords (ZevKeywords.cpp) --------------------------------------------------
  // After a logged keystroke: merges the keystrokes that spell a keyword at
  // the end of the log into one item and replays; true when it did.
  BOOL RecognizeKeyword();
  // The code of the last entry of the table that the log's end spells on an
  // item boundary, or 0.
  DWORD MatchKeyword(const ZevKeyword* table, int count) const;

  // ---- the edit actions: (item code, step record) -> the code logged, 0 refused --
  // One member an action of ZevActions.inc, which names its file: structural
  // inserts (ZevEditInsert.cpp); characters, names and templates
  // (ZevEditEntry.cpp); deletion (ZevEditDelete.cpp); caret movement, rows,
  // tabs, placeholders and styles (ZevEditCaret.cpp).
#define ZEV_ACTION(action, number, member) DWORD member(DWORD code, McEditStep& step);
#include "editing/ZevActions.inc"
#undef ZEV_ACTION

  // ---- readers for the window and the tests ----------------------------------------
  // The live expression (the child of m_pList at m_nListIndex), or null.
  CMcBasic* GetEditedExpression() const;
  bool IsEditing() const {
    return m_pCaret != nullptr;
  }
  int GetLogLength() const {
    return m_nLogLength;
  }
  int GetLogCapacity() const {
    return m_nLogCapacity;
  }
  DWORD GetLogCode(int position) const {
    return m_pLogCodes[position];
  }
  BYTE GetLogChar(int position) const {
    return m_pLogChars[position];
  }
  // True when an item follows the replay point (Redo can run).
  bool HasRedoTail() const {
    return m_pLogCodes[m_nLogLength] != 0;
  }

  // ---- shared by the actions ---------------------------------------------------------
  // True when the item logged just before the running one is Parenthesize
  // (action 10, length 1, parameter 0).
  bool PrevIsParenthesize() const;
  // The code of the last logged item (a keyword spans several positions), or
  // 0 with an empty log; *length receives its length in positions.
  DWORD LastItemCode(int* length = nullptr) const;

  // ---- data, in the design's order ---------------------------------------------------
  CMcBasic* m_pSnapshotCaret = nullptr;  // the caret's twin in the snapshot
  CMcBasic* m_pList = nullptr;           // the group being edited in; null: not editing
  CMcBasic* m_pCaret = nullptr;          // the caret node; null: not editing
  McEditStep m_step;
  char m_szNumber[kMcNumberTextSize] = {};   // digits of the number being typed
  int m_nLogLength = 0;                      // log positions in force (the replay point)
  int m_nListIndex = 0;                      // index of the edited expression in m_pList
  int m_nLogCapacity = 4;                    // capacity of the three log arrays
  CMcBasic* m_pSnapshot = nullptr;           // owned copy the log runs from
  std::unique_ptr<BYTE[]> m_pLogChars;       // per position: the key's character
  std::unique_ptr<DWORD[]> m_pLogCodes;      // per position: the item code; 0 ends
  std::unique_ptr<DWORD[]> m_pLogPrevCodes;  // per keyword start: the code it replaced

 private:
  // Runs the action of code; 0 for a number that names no action.
  DWORD RunAction(DWORD code, McEditStep& step);
  // The code a key maps to (0: no item).
  static DWORD MapKey(UINT key, UINT flags);
  // Whether the tree would stay within what a record can hold after an action
  // that may grow it: depth below the loader's limit, child counts in 16 bits.
  // Near the depth limit it runs the action on a copy of the expression, so
  // it changes the engine's state for a while (and puts it back).
  bool RoomToGrow(DWORD code);
  void FillNumberText(CMcBasic* node);
  // Clears a parentheses bit a layout left on the caret node after an action
  // moved it out of the product that called for it.
  void DropStaleParentheses(DWORD code);
};
