#pragma once
// CZevMCWnd: the formula editor window. It shows one expression of a list (a
// group whose current child is the shown one), draws it with the caret node's
// subtree in red, turns clicks into a caret position and keys into edits
// through its engine, pans with the right button, and offers Cut, Copy,
// Paste, Undo and Redo. The clipboard carries an expression in the private
// format "Plenthoria 98 Object" (one node record as CMcBasic::Store writes it,
// variables without value index) beside a picture of it.
//
// The editing dialogs fill m_pList (shown and edited) and m_pList2 (carried
// along) with copies, create the window as their child "EditView" (control
// id 200), call Redraw after changing the lists, and read the lists back. A
// dialog step that replaces or reshapes the lists calls EndEdit first, so
// the engine never keeps a caret in a tree that is gone.
//
// The window answers WM_GETDLGCODE with every code, so Tab, Enter, arrows and
// characters reach it inside a dialog. Losing the focus ends the edit; when
// the focus comes back (a message box closed, a refused OK) editing goes on
// where the caret stood, if that node is still there. While it has the focus
// the expression engine asks it (McSetEditorFocus) for the caret node and the
// number text. The frame's accelerators for its commands reach it while
// it has the focus, as its update handlers enable them.
//
// User-interface thread only.
#include "editing/Zevmcedit.h"
#include "platform/ui/Wnd.h"

#include <vector>

class CArchive;
class CMcGroup;
class CCmdUI;

// The name under which the private clipboard format is registered.
constexpr const char* kZevClipFormatName = "Plenthoria 98 Object";

class CZevMCWnd : public CWnd {
  DECLARE_DYNCREATE(CZevMCWnd)

 public:
  CZevMCWnd();
  ~CZevMCWnd() override;

  // The shown expression drawn off screen and copied to the window in one
  // block; the caret placed again when editing with the focus.
  void Redraw();
  // The deepest node under point (relative to the list's box): groups show
  // their current child; other nodes descend into the first child whose box
  // holds the point.
  CMcBasic* HitTest(CPoint point);
  // Ends the edit as losing the focus does (the caret disappears).
  void EndEdit();
  // The expression shown: the child of m_pList at its current index, or null.
  CMcBasic* GetShownExpression() const;

  // The clipboard. CopyPicture puts the picture of the node to copy (the
  // caret node, or the shown expression) on an emptied clipboard; TRUE when
  // it is there. Transfer stores that node's record (and the picture), or
  // loads one record and pastes it; TRUE when the clipboard got the picture
  // (storing) or the node was pasted (loading). With cut, a store that
  // succeeded is followed by one Backspace.
  BOOL CopyPicture();
  BOOL Transfer(CArchive& ar, BOOL cut);

  // The focused editor's caret node and number text, for the expression
  // engine; null when the focus is not in a formula editor.
  static CMcBasic* GetFocusedEditNode();
  static char* GetFocusedNumberText();

  // The engine's view of this window: caret and invalidation.
  ZevEditHost* GetEditHost() { return &m_host; }

  // ---- data, in the design's order ---------------------------------------------
  UINT m_nClipFormat = 0;  // "Plenthoria 98 Object"
  CPoint m_ptPan;          // last point of a right-button pan
  int m_nPanMoves = 0;     // mouse moves since the right button went down
  CZevMcEdit m_edit;
  CMcGroup* m_pList = nullptr;   // owned: shown and edited; box offset = pan
  CMcGroup* m_pList2 = nullptr;  // owned: carried along, never drawn

 protected:
  int OnCreate(LPCREATESTRUCT lpCreateStruct);
  void OnPaint();
  UINT OnGetDlgCode();
  void OnLButtonDown(UINT nFlags, CPoint point);
  void OnKeyDown(UINT nChar, UINT nRepCnt, UINT nFlags);
  void OnChar(UINT nChar, UINT nRepCnt, UINT nFlags);
  void OnKeyUp(UINT nChar, UINT nRepCnt, UINT nFlags);
  void OnKillFocus(CWnd* pNewWnd);
  void OnSetFocus(CWnd* pOldWnd);
  void OnRButtonDown(UINT nFlags, CPoint point);
  void OnMouseMove(UINT nFlags, CPoint point);
  void OnRButtonUp(UINT nFlags, CPoint point);

  void OnEditCopy();
  void OnEditCut();
  void OnEditPaste();
  void OnEditUndo();
  void OnEditRedo();
  void OnUpdateEditCopy(CCmdUI* pCmdUI);
  void OnUpdateEditCut(CCmdUI* pCmdUI);
  void OnUpdateEditPaste(CCmdUI* pCmdUI);
  void OnUpdateEditUndo(CCmdUI* pCmdUI);
  void OnUpdateEditRedo(CCmdUI* pCmdUI);

  DECLARE_MESSAGE_MAP()

 private:
  // The engine's host: the system caret and the invalidation of this window.
  class Host : public ZevEditHost {
   public:
    explicit Host(CZevMCWnd& wnd) : m_wnd(wnd) {}
    CPoint GetScrollOffset() const override { return CPoint(0, 0); }
    void ShowCaretAt(int x, int y, int width, int height) override;
    void DestroyCaret() override;
    void InvalidateAll(BOOL erase) override;

   private:
    CZevMCWnd& m_wnd;
  };

  // The node Copy and Cut take: the caret node, or the shown expression.
  CMcBasic* NodeToCopy() const;
  // The list with the caret's subtree again in red, into dc at (0, 0).
  void DrawList(CDC* dc);
  // Clicks: the focus, an edit begun at the node under point, a redraw;
  // FALSE when the list shows nothing.
  BOOL BeginEditAt(CPoint point);
  // The layouts a logged key's step record names.
  void LayoutStep();
  // After an undo or a redo: the rebuilt expression whole, then its list.
  void LayoutReplay();
  // Key flags of a key message from the keyboard state.
  static UINT KeyFlags(bool keyDown);
  // The clipboard's halves: the record and picture out, a record in.
  BOOL StoreNode(CArchive& ar);
  BOOL PasteNode(CArchive& ar);
  // Whether node, put in place of target, leaves the edited definition one
  // that the loader takes back.
  BOOL FitsInPlace(CMcBasic* node, CMcBasic* target);
  // Copy and Cut: the record into a block that follows the picture.
  void CopyToClipboard(BOOL cut);
  // One Backspace as a cut, laid out as after a key.
  void CutCaretNode();
  // After a paste or a cut: the window again, the caret again.
  void Refresh();

  // Where the caret stood when the focus left: the edited expression's index
  // in the list, the child indices from it down to the caret node, and that
  // node (compared with what the path reaches, never followed itself).
  struct CaretPlace {
    int listIndex = -1;
    std::vector<int> path;
    const CMcBasic* node = nullptr;
  };
  void NoteCaretPlace();
  // Editing again at the noted place when the same node still stands there.
  void ResumeEdit();
  CaretPlace m_left;

  Host m_host{*this};
};
