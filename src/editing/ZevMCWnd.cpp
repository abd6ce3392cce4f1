#include "editing/ZevMCWnd.h"

#include "ClipboardPicture.h"
#include "GlobalResources.h"
#include "MC/MC_GROUP.h"
#include "MC/McDepthGuard.h"
#include "MC/Mc_variable.h"
#include "MemDCPaint.h"
#include "editing/ZevEditShared.h"
#include "platform/gdi/SelectGuard.h"
#include "platform/core/Archive.h"
#include "platform/core/File.h"
#include "platform/core/GlobalMemory.h"
#include "platform/core/MessageBox.h"
#include "platform/gdi/Gdi.h"
#include "platform/gdi/MetaFileDC.h"
#include "platform/ui/Clipboard.h"
#include "platform/ui/Menu.h"

#include <cstdlib>
#include <utility>
#include <vector>

IMPLEMENT_DYNCREATE(CZevMCWnd, CWnd)

BEGIN_MESSAGE_MAP(CZevMCWnd, CWnd)
ON_WM_PAINT()
ON_WM_LBUTTONDOWN()
ON_WM_KEYDOWN()
ON_WM_CHAR()
ON_WM_KEYUP()
ON_WM_CREATE()
ON_WM_KILLFOCUS()
ON_WM_SETFOCUS()
ON_WM_RBUTTONUP()
ON_WM_RBUTTONDOWN()
ON_WM_MOUSEMOVE()
ON_WM_GETDLGCODE()
ON_COMMAND(ID_EDIT_COPY, OnEditCopy)
ON_COMMAND(ID_EDIT_CUT, OnEditCut)
ON_COMMAND(ID_EDIT_PASTE, OnEditPaste)
ON_COMMAND(ID_EDIT_UNDO, OnEditUndo)
ON_COMMAND(ID_EDIT_REDO, OnEditRedo)
ON_UPDATE_COMMAND_UI(ID_EDIT_COPY, OnUpdateEditCopy)
ON_UPDATE_COMMAND_UI(ID_EDIT_CUT, OnUpdateEditCut)
ON_UPDATE_COMMAND_UI(ID_EDIT_PASTE, OnUpdateEditPaste)
ON_UPDATE_COMMAND_UI(ID_EDIT_UNDO, OnUpdateEditUndo)
ON_UPDATE_COMMAND_UI(ID_EDIT_REDO, OnUpdateEditRedo)
END_MESSAGE_MAP()

namespace {

// Where the list starts and the pan's clamp: the expression's left and top
// edges never pass this offset, its right and bottom edges never pass twice it.
constexpr LONG kListOffset = 10;
// A pan moves only once the mouse left its last point by more than this.
constexpr int kPanStep = 5;
// The picture's margin: the node's box starts at (2, 2), the bounds end 5
// pixels past its size.
constexpr int kPictureInset = 2;
constexpr int kPictureMargin = 5;
constexpr UINT kBeep = static_cast<UINT>(-1);
constexpr COLORREF kBlackInk = RGB(0, 0, 0);
constexpr COLORREF kWhitePaper = RGB(255, 255, 255);

constexpr const char* kNotSupported = "Not all Plenthoria 98 types are supported";

bool IsGroup(const CMcBasic* node) {
  return McIsKind(node, kMcGroup);
}

// A pasted expression's variables name entries of another design's table (or
// none): they stay unbound until their owner binds them again.
void UnbindVariables(CMcBasic* root) {
  std::vector<CMcBasic*> stack{root};
  while (!stack.empty()) {
    CMcBasic* n = stack.back();
    stack.pop_back();
    if (McIsKind(n, kMcVariable)) static_cast<CMcVariable*>(n)->m_index = CMcVariable::kUnbound;
    for (int i = 0; i < n->m_count; ++i) stack.push_back(n->m_children[i]);
  }
}

// The sum of the box offsets of node's ancestors: where node's parent starts
// when the list is drawn at (0, 0).
CPoint ParentOrigin(const CMcBasic* node) {
  CPoint origin(0, 0);
  for (const CMcBasic* n = node->m_parent; n != nullptr; n = n->m_parent) {
    origin.x += n->m_box.x;
    origin.y += n->m_box.y;
  }
  return origin;
}

bool BoxHolds(const McBox& box, CPoint p) {
  return p.x >= box.x && p.x < box.x + box.width && p.y >= box.y && p.y < box.y + box.height;
}

// The expression contexts' settings, put back when it goes.
class ExpressionInk {
 public:
  explicit ExpressionInk(CDC* dc)
      : m_dc(dc),
        m_text(dc->SetTextColor(kBlackInk)),
        m_bkMode(dc->SetBkMode(TRANSPARENT)),
        m_align(dc->SetTextAlign(TA_BASELINE)),
        m_font(dc, g_fonts[kFontItalic][0]),
        m_pen(dc, g_pens[0][0]) {}
  ~ExpressionInk() {
    m_dc->SetTextColor(m_text);
    m_dc->SetBkMode(m_bkMode);
    m_dc->SetTextAlign(m_align);
  }
  ExpressionInk(const ExpressionInk&) = delete;
  ExpressionInk& operator=(const ExpressionInk&) = delete;

 private:
  CDC* m_dc;
  COLORREF m_text;
  int m_bkMode;
  UINT m_align;
  QxSelectGuard m_font;
  QxSelectGuard m_pen;
};

// g_bClipboardDrawing is set while an expression goes to or comes from the
// clipboard, and cleared on every way out.
class ClipboardDrawing {
 public:
  ClipboardDrawing() { g_bClipboardDrawing = 1; }
  ~ClipboardDrawing() { g_bClipboardDrawing = 0; }
  ClipboardDrawing(const ClipboardDrawing&) = delete;
  ClipboardDrawing& operator=(const ClipboardDrawing&) = delete;
};

// The picture of node: its box from (2, 2), white pixels stretching the
// bounds from (0, 0) to (width + 5, height + 5).
HMETAFILE RecordNodePicture(const CMcBasic* node) {
  return RecordPicture([node](CMetaFileDC& meta) {
    ExpressionInk ink(&meta);
    meta.SetPixelV(0, 0, kWhitePaper);
    meta.SetPixelV(node->m_box.width + kPictureMargin, node->m_box.height + kPictureMargin,
                   kWhitePaper);
    node->Draw(&meta, kPictureInset - node->m_box.x, kPictureInset - node->m_box.y);
  });
}

}  // namespace

// ---- life cycle ---------------------------------------------------------------------

CZevMCWnd::CZevMCWnd()
    : m_nClipFormat(RegisterClipboardFormat(kZevClipFormatName)),
      m_pList(new CMcGroup(nullptr, "", 0)),
      m_pList2(new CMcGroup(nullptr, "", 0)) {
  m_pList->m_box.x = m_pList->m_box.y = kListOffset;
  m_pList2->m_box.x = m_pList2->m_box.y = kListOffset;
  // The engine asks whichever editor has the focus; one registration serves all.
  McSetEditorFocus(&CZevMCWnd::GetFocusedEditNode, &CZevMCWnd::GetFocusedNumberText);
}

CZevMCWnd::~CZevMCWnd() {
  // The window goes first, while the lists its last messages see still exist.
  if (GetSafeHwnd()) DestroyWindow();
  m_edit.EndEdit(nullptr);
  delete m_pList;
  delete m_pList2;
}

int CZevMCWnd::OnCreate(LPCREATESTRUCT lpCreateStruct) {
  return CWnd::OnCreate(lpCreateStruct) == -1 ? -1 : 0;
}

// Every dialog code: Tab, Enter, arrows and characters stay with the editor.
UINT CZevMCWnd::OnGetDlgCode() {
  return static_cast<UINT>(-1);
}

// ---- the engine's host ----------------------------------------------------------------

void CZevMCWnd::Host::ShowCaretAt(int x, int y, int width, int height) {
  if (!m_wnd.GetSafeHwnd()) return;
  m_wnd.CreateSolidCaret(width, height);
  CWnd::SetCaretPos(CPoint(x, y));
  m_wnd.ShowCaret();
}

void CZevMCWnd::Host::DestroyCaret() {
  ::DestroyCaret();
}

void CZevMCWnd::Host::InvalidateAll(BOOL erase) {
  if (m_wnd.GetSafeHwnd()) m_wnd.Invalidate(erase);
}

CMcBasic* CZevMCWnd::GetFocusedEditNode() {
  auto* editor = dynamic_cast<CZevMCWnd*>(CWnd::GetFocus());
  return editor ? editor->m_edit.m_pCaret : nullptr;
}

char* CZevMCWnd::GetFocusedNumberText() {
  auto* editor = dynamic_cast<CZevMCWnd*>(CWnd::GetFocus());
  return editor ? editor->m_edit.m_szNumber : nullptr;
}

// ---- drawing ------------------------------------------------------------------------

CMcBasic* CZevMCWnd::GetShownExpression() const {
  return m_pList->m_current < m_pList->m_count ? m_pList->m_children[m_pList->m_current] : nullptr;
}

void CZevMCWnd::DrawList(CDC* dc) {
  CMcBasic* shown = GetShownExpression();
  if (!shown) return;
  m_pList->m_box.width = shown->m_box.width;
  m_pList->m_box.height = shown->m_box.height;
  ExpressionInk ink(dc);
  m_pList->Draw(dc, 0, 0);
  if (CMcBasic* caret = m_edit.m_pCaret) {
    const CPoint origin = ParentOrigin(caret);
    dc->SetTextColor(g_nodeColors[2]);
    caret->Draw(dc, origin.x, origin.y);
  }
}

void CZevMCWnd::OnPaint() {
  CPaintDC dc(this);
  CRect client;
  GetClientRect(&client);
  dc.FillSolidRect(&client, kWhitePaper);
  DrawList(&dc);
}

void CZevMCWnd::Redraw() {
  if (!g_pMemDC || !GetSafeHwnd()) return;
  PaintThroughMemDC(this, kWhitePaper, [this](CDC* dc) { DrawList(dc); });
  if (m_edit.IsEditing() && GetFocus() == this) m_edit.UpdateCaret(&m_host);
}

// ---- mouse ----------------------------------------------------------------------------

CMcBasic* CZevMCWnd::HitTest(CPoint point) {
  CMcBasic* node = m_pList;
  for (;;) {
    if (node->m_count == 0) return node;
    CMcBasic* next = nullptr;
    if (IsGroup(node) && !IsGroup(node->m_children[0])) {
      const int current = static_cast<CMcGroup*>(node)->m_current;
      if (current < node->m_count && BoxHolds(node->m_children[current]->m_box, point))
        next = node->m_children[current];
    } else {
      for (int i = 0; i < node->m_count && !next; ++i)
        if (BoxHolds(node->m_children[i]->m_box, point)) next = node->m_children[i];
    }
    if (!next) return node;
    point.x -= next->m_box.x;
    point.y -= next->m_box.y;
    node = next;
  }
}

BOOL CZevMCWnd::BeginEditAt(CPoint point) {
  CMcBasic* shown = GetShownExpression();
  if (!shown) return FALSE;
  CMcBasic* hit = HitTest(CPoint(point.x - m_pList->m_box.x, point.y - m_pList->m_box.y));
  m_edit.BeginEdit(hit == m_pList ? shown : hit, &m_host, FALSE);
  Redraw();
  return TRUE;
}

void CZevMCWnd::OnLButtonDown(UINT, CPoint point) {
  SetFocus();
  BeginEditAt(point);
}

void CZevMCWnd::OnRButtonDown(UINT, CPoint point) {
  SetCapture();
  m_nPanMoves = 0;
  m_ptPan = point;
}

void CZevMCWnd::OnMouseMove(UINT nFlags, CPoint point) {
  if (GetCapture() != this) {
    ::SetCursor(LoadCursor(nullptr, IDC_ARROW));
    CWnd::OnMouseMove(nFlags, point);
    return;
  }
  ++m_nPanMoves;
  const int dx = point.x - m_ptPan.x, dy = point.y - m_ptPan.y;
  if (std::abs(dx) > kPanStep || std::abs(dy) > kPanStep) {
    McBox& box = m_pList->m_box;
    box.x += dx;
    box.y += dy;
    if (box.x > kListOffset)
      box.x = kListOffset;
    else if (box.x < 2 * kListOffset - box.width)
      box.x = 2 * kListOffset - box.width;
    if (box.y > kListOffset)
      box.y = kListOffset;
    else if (box.y < 2 * kListOffset - box.height)
      box.y = 2 * kListOffset - box.height;
    Redraw();
    m_ptPan = point;
  }
  ::SetCursor(LoadCursor(nullptr, IDC_SIZEALL));
}

void CZevMCWnd::OnRButtonUp(UINT nFlags, CPoint point) {
  if (GetCapture() != this) {
    CWnd::OnRButtonUp(nFlags, point);
    return;
  }
  ReleaseCapture();
  ::SetCursor(LoadCursor(nullptr, IDC_ARROW));
  if (m_nPanMoves >= 2) return;
  // A click, not a pan: edit there and offer the clipboard.
  SetFocus();
  if (!BeginEditAt(point)) return;
  const bool editing = m_edit.IsEditing();
  const bool pasteable = editing && IsClipboardFormatAvailable(m_nClipFormat);
  CMenu menu;
  menu.CreatePopupMenu();
  menu.AppendMenu(MF_STRING | (editing ? 0u : MF_GRAYED), ID_EDIT_CUT, "Cut");
  menu.AppendMenu(MF_STRING, ID_EDIT_COPY, "Copy");
  menu.AppendMenu(MF_STRING | (pasteable ? 0u : MF_GRAYED), ID_EDIT_PASTE, "Paste");
  ClientToScreen(&point);
  menu.TrackPopupMenu(TPM_LEFTALIGN | TPM_RIGHTBUTTON, point.x, point.y, this);
}

// ---- keys -----------------------------------------------------------------------------

UINT CZevMCWnd::KeyFlags(bool keyDown) {
  UINT flags = keyDown ? kZevKeyDown : 0u;
  if (GetKeyState(VK_CONTROL) < 0) flags |= kZevKeyCtrl;
  if (GetKeyState(VK_SHIFT) < 0) flags |= kZevKeyShift;
  if (GetKeyState(VK_MENU) < 0) flags |= kZevKeyAlt;
  if (g_nDisplaySettings & kDisplayTextMode) flags |= kZevKeyText;
  return flags;
}

void CZevMCWnd::LayoutStep() {
  if (!g_pMemDC) return;
  const McEditStep& step = m_edit.m_step;
  if (step.pNewSubtree) step.pNewSubtree->Layout(g_pMemDC, kMcLayoutFromTop);
  if (step.pRelayout) step.pRelayout->Layout(g_pMemDC, kMcLayoutAfterChange);
  if (step.pRelayout2) step.pRelayout2->Layout(g_pMemDC, kMcLayoutAfterChange);
}

void CZevMCWnd::OnKeyDown(UINT nChar, UINT, UINT) {
  if (!m_edit.OnKey(nChar, KeyFlags(true))) return;
  LayoutStep();
  Redraw();
}

void CZevMCWnd::OnChar(UINT nChar, UINT, UINT) {
  if (nChar == '"') {
    // Text mode is the one bit; the other display settings stay.
    g_nDisplaySettings ^= kDisplayTextMode;
    m_edit.UpdateCaret(&m_host);
    return;
  }
  if (!m_edit.OnKey(nChar, KeyFlags(false))) return;
  LayoutStep();
  Redraw();
}

void CZevMCWnd::OnKeyUp(UINT, UINT, UINT) {}

void CZevMCWnd::OnKillFocus(CWnd* pNewWnd) {
  CWnd::OnKillFocus(pNewWnd);
  NoteCaretPlace();
  m_edit.EndEdit(&m_host);
}

void CZevMCWnd::OnSetFocus(CWnd* pOldWnd) {
  CWnd::OnSetFocus(pOldWnd);
  ResumeEdit();
}

void CZevMCWnd::NoteCaretPlace() {
  m_left = CaretPlace{};
  const CMcBasic* expression = m_edit.GetEditedExpression();
  if (!m_edit.IsEditing() || expression == nullptr || m_edit.m_pList != m_pList) return;
  std::vector<int> path;
  for (const CMcBasic* n = m_edit.m_pCaret; n != expression; n = n->m_parent) {
    const CMcBasic* parent = n->m_parent;
    if (parent == nullptr) return;
    int i = 0;
    while (i < parent->m_count && parent->m_children[i] != n) ++i;
    if (i == parent->m_count) return;
    path.push_back(i);
  }
  m_left.listIndex = m_edit.m_nListIndex;
  m_left.path.assign(path.rbegin(), path.rend());
  m_left.node = m_edit.m_pCaret;
}

void CZevMCWnd::ResumeEdit() {
  const CaretPlace left = std::exchange(m_left, CaretPlace{});
  if (m_edit.IsEditing() || left.node == nullptr || left.listIndex != m_pList->m_current) return;
  CMcBasic* node = GetShownExpression();
  for (int i : left.path) {
    if (node == nullptr || i >= node->m_count) return;
    node = node->m_children[i];
  }
  if (node != left.node) return;
  m_edit.BeginEdit(node, &m_host, FALSE);
  Redraw();
}

void CZevMCWnd::EndEdit() {
  if (m_edit.IsEditing()) m_edit.EndEdit(&m_host);
}

// ---- undo and redo ---------------------------------------------------------------------

void CZevMCWnd::OnEditUndo() {
  if (!m_edit.IsEditing()) return;
  if (!m_edit.Undo()) {
    MessageBeep(kBeep);
    return;
  }
  LayoutReplay();
  Refresh();
}

void CZevMCWnd::OnEditRedo() {
  if (!m_edit.IsEditing()) return;
  if (!m_edit.Redo()) {
    MessageBeep(kBeep);
    return;
  }
  LayoutReplay();
  Refresh();
}

void CZevMCWnd::LayoutReplay() {
  CMcBasic* edited = m_edit.GetEditedExpression();
  if (!g_pMemDC || !edited) return;
  edited->Layout(g_pMemDC, kMcLayoutFromTop);
  m_edit.m_pList->Layout(g_pMemDC, kMcLayoutAfterChange);
}

void CZevMCWnd::Refresh() {
  if (GetSafeHwnd()) Invalidate(TRUE);
  m_edit.UpdateCaret(&m_host);
}

void CZevMCWnd::OnUpdateEditCopy(CCmdUI* pCmdUI) {
  pCmdUI->Enable(TRUE);
}

void CZevMCWnd::OnUpdateEditCut(CCmdUI* pCmdUI) {
  pCmdUI->Enable(TRUE);
}

void CZevMCWnd::OnUpdateEditPaste(CCmdUI* pCmdUI) {
  pCmdUI->Enable(IsClipboardFormatAvailable(m_nClipFormat));
}

void CZevMCWnd::OnUpdateEditUndo(CCmdUI* pCmdUI) {
  pCmdUI->Enable(m_edit.IsEditing() && m_edit.GetLogLength() > 0);
}

void CZevMCWnd::OnUpdateEditRedo(CCmdUI* pCmdUI) {
  pCmdUI->Enable(m_edit.IsEditing() && m_edit.HasRedoTail());
}

// ---- the clipboard ----------------------------------------------------------------------

CMcBasic* CZevMCWnd::NodeToCopy() const {
  return m_edit.IsEditing() ? m_edit.m_pCaret : GetShownExpression();
}

BOOL CZevMCWnd::CopyPicture() {
  const CMcBasic* node = NodeToCopy();
  if (!node) return FALSE;
  return PutPictureOnClipboard(
      this, {node->m_box.width + kPictureMargin, node->m_box.height + kPictureMargin,
             [node] { return RecordNodePicture(node); }});
}

BOOL CZevMCWnd::Transfer(CArchive& ar, BOOL cut) {
  if (ar.IsStoring()) {
    const BOOL stored = StoreNode(ar);
    if (cut) {
      if (stored) CutCaretNode();
      Refresh();
    }
    return stored;
  }
  const BOOL pasted = PasteNode(ar);
  Refresh();
  return pasted;
}

BOOL CZevMCWnd::StoreNode(CArchive& ar) {
  const CMcBasic* node = NodeToCopy();
  if (!node) return FALSE;
  ClipboardDrawing drawing;
  node->Store(ar);
  return CopyPicture();
}

BOOL CZevMCWnd::PasteNode(CArchive& ar) {
  CMcBasic* node;
  {
    ClipboardDrawing drawing;
    node = CMcBasic::LoadNode(ar);
  }
  if (!node) {
    AfxMessageBox(kNotSupported, MB_OK);
    return FALSE;
  }
  CMcBasic* target = NodeToCopy();
  if (IsGroup(node) || !target || !target->m_parent) {
    delete node;
    return FALSE;
  }
  if (!FitsInPlace(node, target)) {
    delete node;
    AfxMessageBox(kNotSupported, MB_OK);
    return FALSE;
  }
  UnbindVariables(node);
  m_edit.EndEdit(&m_host);
  CMcBasic* parent = target->m_parent;
  parent->ReplaceChild(node, target);
  delete target;
  if (g_pMemDC) {
    parent->Layout(g_pMemDC, kMcLayoutFromTop);
    parent->Layout(g_pMemDC, kMcLayoutAfterChange);
  }
  m_edit.BeginEdit(node, &m_host, TRUE);
  SetFocus();
  return TRUE;
}

// The node goes in place for a moment: the definition it would end in is
// written and read back as a saved design would be, then the old node returns.
BOOL CZevMCWnd::FitsInPlace(CMcBasic* node, CMcBasic* target) {
  if (McIsKind(node, kMcDesktop)) return FALSE;
  CMcBasic* definition = target;
  int depth = 0;
  while (definition->m_parent && !IsGroup(definition->m_parent)) {
    definition = definition->m_parent;
    ++depth;
  }
  if (depth + zev::TreeDepth(node) > McDepthGuard::kMaxDepth) return FALSE;
  CMcBasic* parent = target->m_parent;
  parent->ReplaceChild(node, target);
  CArchive out(CArchive::store);
  {
    ClipboardDrawing drawing;
    (definition == target ? node : definition)->Store(out);
  }
  parent->ReplaceChild(target, node);
  node->m_parent = nullptr;
  CArchive in(out.TakeStoredBytes());
  CMcBasic* back;
  {
    ClipboardDrawing drawing;
    back = CMcBasic::LoadNode(in);
  }
  const BOOL fits = back != nullptr && in.GetBytesRemaining() == 0;
  delete back;
  return fits;
}

void CZevMCWnd::CutCaretNode() {
  if (!m_edit.OnKey(VK_BACK, 0)) return;
  LayoutStep();
}

void CZevMCWnd::CopyToClipboard(BOOL cut) {
  if (!NodeToCopy()) return;
  CSharedFile file(GMEM_MOVEABLE | GMEM_SHARE, 4096);
  BOOL pictured;
  {
    CArchive ar(&file, CArchive::store, 4096);
    pictured = Transfer(ar, FALSE);
    ar.Close();
  }
  HGLOBAL block = file.Detach();
  // The formula never travels without its picture.
  if (!pictured) {
    if (block) GlobalFree(block);
    return;
  }
  if (!::OpenClipboard(GetSafeHwnd())) {
    if (block) GlobalFree(block);
    AfxMessageBox("Cannot open Clipboard", MB_OK);
    return;
  }
  const BOOL set = block && ::SetClipboardData(m_nClipFormat, block) != nullptr;
  ::CloseClipboard();
  if (!set) {
    if (block) GlobalFree(block);
    AfxMessageBox("Unable to set Clipboard data", MB_OK);
    return;
  }
  // Only a node the clipboard holds may go.
  if (cut) {
    CutCaretNode();
    Refresh();
  }
}

void CZevMCWnd::OnEditCopy() {
  CopyToClipboard(FALSE);
}

void CZevMCWnd::OnEditCut() {
  CopyToClipboard(TRUE);
}

void CZevMCWnd::OnEditPaste() {
  if (!IsClipboardFormatAvailable(m_nClipFormat)) {
    MessageBeep(kBeep);
    return;
  }
  if (!::OpenClipboard(GetSafeHwnd())) {
    AfxMessageBox("Cannot open Clipboard", MB_OK);
    return;
  }
  HGLOBAL block = ::GetClipboardData(m_nClipFormat);
  if (!block) {
    ::CloseClipboard();
    AfxMessageBox("Cannot get Clipboard Data", MB_OK);
    return;
  }
  // The block stays the clipboard's; the file reads it only up to its size.
  CSharedFile file;
  file.SetHandle(block, FALSE);
  {
    CArchive ar(&file, CArchive::load, 4096);
    Transfer(ar, FALSE);
    ar.Close();
  }
  file.Detach();
  ::CloseClipboard();
}
