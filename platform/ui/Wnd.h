#pragma once
// CWnd: a window of the framework on a Qt widget.
//
// Messages: SendMessage calls the window procedure at once (WindowProc ->
// OnWndMsg -> the message map -> DefWindowProc); PostMessage and
// PostThreadMessage queue the message (see MessageQueue.h). Qt's mouse,
// keyboard, focus and resize events become the Windows messages, with client
// coordinates and MK_* flags, and pass the application's PreTranslateMessage
// first, as input does in the framework's message loop.
//
// Painting: the window owns an image of its client area. CPaintDC, CClientDC
// and GetDC draw into that image at any time; Invalidate collects an update
// region; UpdateWindow (or Qt's paint event) sends WM_PAINT for it, and the
// paint event then only copies the image to the screen (plus the caret and
// the parent's overlay, which never touch the image).
//
// Windows are identified by handles (HWND) that are never reused, so a stale
// handle is simply not a window any more (IsWindow, PostMessage to it).
#include "platform/core/Geometry.h"
#include "platform/core/KeyState.h"
#include "platform/core/MessageBox.h"
#include "platform/core/String.h"
#include "platform/gdi/DC.h"
#include "platform/ui/CmdTarget.h"
#include "platform/ui/Constants.h"
#include "platform/ui/MessageQueue.h"

#include <map>
#include <memory>

class QWidget;
class QEvent;
class QImage;
class QPainter;
class CWnd;
class CMenu;
class CScrollBar;
class CFrameWnd;
struct CCreateContext;
namespace qxui {
struct WndState;
class WidgetAccess;
}  // namespace qxui

// Handles of the windows layer.
struct HMENU__;
using HMENU = HMENU__*;
struct HINSTANCE__;
using HINSTANCE = HINSTANCE__*;
struct HICON__;
using HICON = HICON__*;
struct HCURSOR__;
using HCURSOR = HCURSOR__*;
struct HACCEL__;
using HACCEL = HACCEL__*;

struct CREATESTRUCT {
  LPVOID lpCreateParams = nullptr;
  HINSTANCE hInstance = nullptr;
  HMENU hMenu = nullptr;  // for a child window: its id
  HWND hwndParent = nullptr;
  int cy = 0;
  int cx = 0;
  int y = 0;
  int x = 0;
  LONG style = 0;
  LPCSTR lpszName = nullptr;
  LPCSTR lpszClass = nullptr;
  DWORD dwExStyle = 0;
};
using LPCREATESTRUCT = CREATESTRUCT*;

struct PAINTSTRUCT {
  HDC hdc = nullptr;
  BOOL fErase = FALSE;  // TRUE when the background still needs erasing
  RECT rcPaint{};
};
using LPPAINTSTRUCT = PAINTSTRUCT*;

// Owner-drawn controls (the controls layer fills these).
struct DRAWITEMSTRUCT {
  UINT CtlType = 0;
  UINT CtlID = 0;
  UINT itemID = 0;
  UINT itemAction = 0;
  UINT itemState = 0;
  HWND hwndItem = nullptr;
  HDC hDC = nullptr;
  RECT rcItem{};
  ULONG_PTR itemData = 0;
};
using LPDRAWITEMSTRUCT = DRAWITEMSTRUCT*;
struct MEASUREITEMSTRUCT {
  UINT CtlType = 0;
  UINT CtlID = 0;
  UINT itemID = 0;
  UINT itemWidth = 0;
  UINT itemHeight = 0;
  ULONG_PTR itemData = 0;
};
using LPMEASUREITEMSTRUCT = MEASUREITEMSTRUCT*;

// ---- window classes, cursors --------------------------------------------

// Standard cursors (the resource ids of the system's cursors).
#define IDC_ARROW (reinterpret_cast<LPCSTR>(32512))
#define IDC_IBEAM (reinterpret_cast<LPCSTR>(32513))
#define IDC_WAIT (reinterpret_cast<LPCSTR>(32514))
#define IDC_CROSS (reinterpret_cast<LPCSTR>(32515))
#define IDC_UPARROW (reinterpret_cast<LPCSTR>(32516))
#define IDC_SIZENWSE (reinterpret_cast<LPCSTR>(32642))
#define IDC_SIZENESW (reinterpret_cast<LPCSTR>(32643))
#define IDC_SIZEWE (reinterpret_cast<LPCSTR>(32644))
#define IDC_SIZENS (reinterpret_cast<LPCSTR>(32645))
#define IDC_SIZEALL (reinterpret_cast<LPCSTR>(32646))
#define IDC_NO (reinterpret_cast<LPCSTR>(32648))
#define IDC_HAND (reinterpret_cast<LPCSTR>(32649))
#define IDC_APPSTARTING (reinterpret_cast<LPCSTR>(32650))
#define MAKEINTRESOURCE(id) (reinterpret_cast<LPCSTR>(static_cast<UINT_PTR>(static_cast<WORD>(id))))
#define IS_INTRESOURCE(p) ((reinterpret_cast<UINT_PTR>(p) >> 16) == 0)

// A standard cursor (hInstance null, name one of IDC_*) or an application
// cursor registered with QxRegisterCursor; null when unknown.
HCURSOR LoadCursor(HINSTANCE hInstance, LPCSTR name);
// Sets the cursor shown over the window under the mouse; returns the previous one.
HCURSOR SetCursor(HCURSOR cursor);
HCURSOR GetCursor();
// Application cursors from the resources: an image with its hot spot.
// Registering an id again changes the cursor behind the handles already given out.
void QxRegisterCursor(UINT id, const QImage& image, int hotX, int hotY);
// What a cursor handle shows: the standard cursor id (32512...) or the
// registered resource id; 0 for null.
UINT QxCursorId(HCURSOR cursor);

// Application icons from the resources: an image by id. Registering an id
// again changes the picture behind the handles already given out.
void QxRegisterIcon(UINT id, const QImage& image);
// The icon registered under the id (hInstance is ignored); null when none is.
HICON LoadIcon(HINSTANCE hInstance, LPCSTR name);
// What an icon shows (a null image for a null handle).
QImage QxIconImage(HICON icon);
// Icons are shared resources that live as long as the program.
inline BOOL DestroyIcon(HICON icon) {
  return icon != nullptr;
}

// A class name for the class style, cursor and background brush (null for
// each: none). Equal arguments give the same name.
LPCSTR AfxRegisterWndClass(UINT nClassStyle, HCURSOR hCursor = nullptr,
                           HBRUSH hbrBackground = nullptr, HICON hIcon = nullptr);

// The screen position of the mouse (as the layer last saw it, or as a test set it).
BOOL GetCursorPos(LPPOINT point);
BOOL SetCursorPos(int x, int y);

// The system colours (COLOR_*) of the classic grey scheme, and a brush for each.
COLORREF GetSysColor(int index);
HBRUSH GetSysColorBrush(int index);

// ---- caret (one per thread, as in the framework) --------------------------
BOOL SetCaretPos(int x, int y);
BOOL GetCaretPos(LPPOINT point);
BOOL DestroyCaret();

class CWnd : public CCmdTarget {
  DECLARE_DYNCREATE(CWnd)

 public:
  CWnd();
  ~CWnd() override;
  CWnd(const CWnd&) = delete;
  CWnd& operator=(const CWnd&) = delete;

  // ---- identity -----------------------------------------------------------------
  HWND m_hWnd = nullptr;
  operator HWND() const { return m_hWnd; }
  HWND GetSafeHwnd() const { return m_hWnd; }
  // The window object of a handle; null when the handle is no window.
  static CWnd* FromHandle(HWND hWnd);
  static CWnd* FromHandlePermanent(HWND hWnd) { return FromHandle(hWnd); }
  BOOL operator==(const CWnd& other) const { return m_hWnd == other.m_hWnd; }

  // ---- creation and destruction ------------------------------------------------
  // lpszClassName: a name from AfxRegisterWndClass, or null for the default class.
  virtual BOOL Create(LPCTSTR lpszClassName, LPCTSTR lpszWindowName, DWORD dwStyle,
                      const RECT& rect, CWnd* pParentWnd, UINT nID,
                      CCreateContext* pContext = nullptr);
  BOOL CreateEx(DWORD dwExStyle, LPCTSTR lpszClassName, LPCTSTR lpszWindowName, DWORD dwStyle,
                int x, int y, int nWidth, int nHeight, HWND hWndParent, HMENU nIDorHMenu,
                LPVOID lpParam = nullptr);
  BOOL CreateEx(DWORD dwExStyle, LPCTSTR lpszClassName, LPCTSTR lpszWindowName, DWORD dwStyle,
                const RECT& rect, CWnd* pParentWnd, UINT nID, LPVOID lpParam = nullptr);
  // WM_DESTROY to the window, then its children are destroyed, then
  // WM_NCDESTROY and PostNcDestroy (which deletes frames and views).
  virtual BOOL DestroyWindow();
  virtual BOOL PreCreateWindow(CREATESTRUCT& cs);
  virtual void PostNcDestroy() {}
  virtual void CalcWindowRect(LPRECT lpClientRect, UINT nAdjustType = 0);

  // ---- messages ------------------------------------------------------------------
  LRESULT SendMessage(UINT message, WPARAM wParam = 0, LPARAM lParam = 0);
  BOOL PostMessage(UINT message, WPARAM wParam = 0, LPARAM lParam = 0);
  // Sends to every descendant (bDeep) or every child.
  void SendMessageToDescendants(UINT message, WPARAM wParam = 0, LPARAM lParam = 0,
                                BOOL bDeep = TRUE, BOOL bOnlyPerm = FALSE);
  virtual LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam);
  virtual BOOL OnWndMsg(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* pResult);
  virtual LRESULT DefWindowProc(UINT message, WPARAM wParam, LPARAM lParam);
  // The message being handled, passed on to DefWindowProc.
  LRESULT Default();
  static const MSG* GetCurrentMessage();
  virtual BOOL OnCommand(WPARAM wParam, LPARAM lParam);
  virtual BOOL PreTranslateMessage(MSG* pMsg);
  BOOL OnCmdMsg(UINT nID, int nCode, void* pExtra, AFX_CMDHANDLERINFO* pHandlerInfo) override;
  // A nested message loop that runs until EndModalLoop; posted messages,
  // timers and input are delivered inside it. Returns EndModalLoop's result.
  int RunModalLoop(DWORD dwFlags = 0);
  void EndModalLoop(int nResult);
  BOOL ContinueModal();
  // Sends the command (a menu choice, an accelerator, a button) as WM_COMMAND.
  void SendCommand(UINT nID) { SendMessage(WM_COMMAND, nID, 0); }

  // ---- styles, text, relations ---------------------------------------------------
  DWORD GetStyle() const;
  DWORD GetExStyle() const;
  BOOL ModifyStyle(DWORD dwRemove, DWORD dwAdd, UINT nFlags = 0);
  BOOL ModifyStyleEx(DWORD dwRemove, DWORD dwAdd, UINT nFlags = 0);
  UINT GetClassStyle() const;
  void SetWindowText(LPCTSTR lpszString);
  int GetWindowText(LPTSTR lpszStringBuf, int nMaxCount) const;
  void GetWindowText(CString& rString) const;
  int GetWindowTextLength() const;
  int GetDlgCtrlID() const;
  int SetDlgCtrlID(int nID);
  CWnd* GetParent() const;
  CWnd* SetParent(CWnd* pWndNewParent);
  CWnd* GetOwner() const;
  void SetOwner(CWnd* pOwnerWnd) { m_pOwner = pOwnerWnd; }
  CWnd* GetTopLevelParent() const;
  CFrameWnd* GetParentFrame() const;
  CFrameWnd* GetTopLevelFrame() const;
  CWnd* GetDlgItem(int nID) const;
  // The children in creation order.
  std::vector<CWnd*> GetChildren() const;
  CWnd* GetTopWindow() const;
  BOOL IsChild(const CWnd* pWnd) const;
  BOOL IsWindowEnabled() const;
  BOOL EnableWindow(BOOL bEnable = TRUE);
  BOOL IsIconic() const;
  BOOL IsZoomed() const;

  // ---- geometry -----------------------------------------------------------------
  void GetClientRect(LPRECT lpRect) const;
  void GetWindowRect(LPRECT lpRect) const;
  void ClientToScreen(LPPOINT lpPoint) const;
  void ClientToScreen(LPRECT lpRect) const;
  void ScreenToClient(LPPOINT lpPoint) const;
  void ScreenToClient(LPRECT lpRect) const;
  void MapWindowPoints(CWnd* pwndTo, LPPOINT lpPoint, UINT nCount) const;
  void MapWindowPoints(CWnd* pwndTo, LPRECT lpRect) const;
  // For a child, x and y are in the parent's client coordinates.
  void MoveWindow(int x, int y, int nWidth, int nHeight, BOOL bRepaint = TRUE);
  void MoveWindow(LPCRECT lpRect, BOOL bRepaint = TRUE);
  BOOL SetWindowPos(const CWnd* pWndInsertAfter, int x, int y, int cx, int cy, UINT nFlags);
  BOOL ShowWindow(int nCmdShow);
  BOOL IsWindowVisible() const;
  void CenterWindow(CWnd* pAlternateOwner = nullptr);
  BOOL BringWindowToTop();
  // The non-client insets of the window's styles (border 1, client edge 2,
  // dialog frame 3 pixels per side; top-level frames have none here).
  CRect GetNonClientInsets() const;

  // ---- painting -------------------------------------------------------------------
  void Invalidate(BOOL bErase = TRUE);
  void InvalidateRect(LPCRECT lpRect, BOOL bErase = TRUE);
  void ValidateRect(LPCRECT lpRect);
  BOOL GetUpdateRect(LPRECT lpRect, BOOL bErase = FALSE);
  // Sends WM_PAINT now when part of the window is invalid.
  void UpdateWindow();
  BOOL RedrawWindow(LPCRECT lpRectUpdate = nullptr, CRgn* prgnUpdate = nullptr, UINT flags = 0);
  CDC* BeginPaint(LPPAINTSTRUCT lpPaint);
  void EndPaint(LPPAINTSTRUCT lpPaint);
  // A context on the client image; release it with ReleaseDC.
  CDC* GetDC();
  CDC* GetWindowDC() { return GetDC(); }
  int ReleaseDC(CDC* pDC);
  // The client image (what the window shows, without caret or overlay).
  QImage* GetClientImage() const;
  // Where client and window contexts draw: the client image, or for windows
  // whose area Qt containers fill (frames) the overlay above them.
  QImage* QxDrawingSurface();
  // After drawing on the surface: the screen follows.
  void QxSurfaceChanged();
  // Drawing over the children: a transparent layer above them, emptied when
  // the window is invalidated. Release with ReleaseOverlayDC.
  CDC* GetOverlayDC();
  void ReleaseOverlayDC(CDC* pDC);
  void ClearOverlay();
  void ScrollWindow(int xAmount, int yAmount, LPCRECT lpRect = nullptr,
                    LPCRECT lpClipRect = nullptr);

  // ---- input --------------------------------------------------------------------
  CWnd* SetFocus();
  static CWnd* GetFocus();
  CWnd* SetCapture();
  static CWnd* GetCapture();
  UINT_PTR SetTimer(UINT_PTR nIDEvent, UINT nElapse,
                    void (*lpfnTimer)(HWND, UINT, UINT_PTR, DWORD));
  BOOL KillTimer(UINT_PTR nIDEvent);
  BOOL CreateSolidCaret(int nWidth, int nHeight);
  static void SetCaretPos(POINT point);
  static CPoint GetCaretPos();
  void ShowCaret();
  void HideCaret();
  static CWnd* WindowFromPoint(POINT point);
  void DragAcceptFiles(BOOL bAccept = TRUE);
  CMenu* GetMenu() const;
  BOOL SetMenu(CMenu* pMenu);
  void DrawMenuBar() {}

  // Dialog helpers that every window has.
  void SetDlgItemText(int nID, LPCTSTR lpszString);
  int GetDlgItemText(int nID, CString& rString) const;
  UINT GetDlgItemInt(int nID, BOOL* lpTrans = nullptr, BOOL bSigned = TRUE) const;
  void SetDlgItemInt(int nID, UINT nValue, BOOL bSigned = TRUE);
  void CheckDlgButton(int nIDButton, UINT nCheck);
  UINT IsDlgButtonChecked(int nIDButton) const;

  // The help system (see the dialogs layer).
  virtual void WinHelp(DWORD_PTR dwData, UINT nCmd = HELP_CONTEXT);

  // A message box owned by the window, captioned with the application's name
  // when no caption is given.
  int MessageBox(LPCTSTR lpszText, LPCTSTR lpszCaption = nullptr, UINT nType = MB_OK);
  // The global call, so that window code calling it unqualified still finds it.
  static int MessageBox(HWND owner, LPCTSTR lpszText, LPCTSTR lpszCaption, UINT nType);
  // Opens the clipboard with this window as its owner (see Clipboard.h).
  BOOL OpenClipboard();
  static BOOL OpenClipboard(HWND owner);

  // ---- layer-internal -------------------------------------------------------------
  // The Qt widget of the window (null before creation and after destruction).
  QWidget* GetWidget() const { return m_pWidget; }
  // The widget that holds the window's children (the window's own, unless a
  // frame keeps them in an inner widget).
  virtual QWidget* QxChildContainer() const { return m_pWidget; }
  // Translates one Qt event; TRUE when it is consumed.
  virtual bool QxEvent(QEvent* event);
  // Draws the window onto its widget: the client image, then the caret.
  virtual void QxPaint(QPainter& painter);
  // The size the widget asks its Qt container for; negative: no preference.
  virtual CSize QxPreferredSize() const { return CSize(-1, -1); }

 protected:
  // The widget of a new window; frames and bars make the Qt container they need.
  virtual QWidget* QxCreateWidget(const CREATESTRUCT& cs, QWidget* parentWidget);
  // Whether the widget shows the client image (frames around Qt containers do not).
  virtual bool QxShowsImage() const { return true; }
  // A window whose place a Qt container decides (a docked bar) takes the move
  // here; TRUE when it did.
  virtual bool QxMoveWindow(int, int, int, int) { return false; }
  // Size changes reported to the window (WM_SIZE) and the client image resized.
  void QxSyncClientSize();
  // The Qt widget was deleted by Qt itself (its parent went first).
  void QxWidgetGone();
  // WM_SYSCOMMAND with SC_KEYMENU to the top-level window this one is part of.
  void QxSendKeyMenu(UINT nChar);

  // ---- default message handlers --------------------------------------------------
  // A message map entry that names one of these calls the class's override;
  // the defaults pass the message on to DefWindowProc.
  int OnCreate(LPCREATESTRUCT lpCreateStruct);
  void OnDestroy();
  void OnNcDestroy();
  void OnPaint();
  BOOL OnEraseBkgnd(CDC* pDC);
  void OnSize(UINT nType, int cx, int cy);
  void OnMove(int x, int y);
  void OnTimer(UINT_PTR nIDEvent);
  void OnSetFocus(CWnd* pOldWnd);
  void OnKillFocus(CWnd* pNewWnd);
  void OnClose();
  void OnShowWindow(BOOL bShow, UINT nStatus);
  BOOL OnSetCursor(CWnd* pWnd, UINT nHitTest, UINT message);
  int OnMouseActivate(CWnd* pDesktopWnd, UINT nHitTest, UINT message);
  void OnMouseMove(UINT nFlags, CPoint point);
  void OnLButtonDown(UINT nFlags, CPoint point);
  void OnLButtonUp(UINT nFlags, CPoint point);
  void OnLButtonDblClk(UINT nFlags, CPoint point);
  void OnRButtonDown(UINT nFlags, CPoint point);
  void OnRButtonUp(UINT nFlags, CPoint point);
  void OnRButtonDblClk(UINT nFlags, CPoint point);
  void OnMButtonDown(UINT nFlags, CPoint point);
  void OnMButtonUp(UINT nFlags, CPoint point);
  void OnMButtonDblClk(UINT nFlags, CPoint point);
  void OnNcLButtonDown(UINT nHitTest, CPoint point);
  void OnNcRButtonDown(UINT nHitTest, CPoint point);
  void OnNcMButtonDown(UINT nHitTest, CPoint point);
  void OnKeyDown(UINT nChar, UINT nRepCnt, UINT nFlags);
  void OnKeyUp(UINT nChar, UINT nRepCnt, UINT nFlags);
  void OnChar(UINT nChar, UINT nRepCnt, UINT nFlags);
  void OnSysKeyDown(UINT nChar, UINT nRepCnt, UINT nFlags);
  void OnSysKeyUp(UINT nChar, UINT nRepCnt, UINT nFlags);
  void OnSysChar(UINT nChar, UINT nRepCnt, UINT nFlags);
  UINT OnGetDlgCode();
  void OnHScroll(UINT nSBCode, UINT nPos, CScrollBar* pScrollBar);
  void OnVScroll(UINT nSBCode, UINT nPos, CScrollBar* pScrollBar);
  void OnDrawItem(int nIDCtl, LPDRAWITEMSTRUCT lpDrawItemStruct);
  void OnMeasureItem(int nIDCtl, LPMEASUREITEMSTRUCT lpMeasureItemStruct);
  void OnContextMenu(CWnd* pWnd, CPoint pos);
  void OnInitMenu(CMenu* pMenu);
  void OnInitMenuPopup(CMenu* pPopupMenu, UINT nIndex, BOOL bSysMenu);
  void OnMenuSelect(UINT nItemID, UINT nFlags, HMENU hSysMenu);
  void OnCaptureChanged(CWnd* pWnd);
  // The default passes the wheel on to the parent, as the window system does.
  BOOL OnMouseWheel(UINT nFlags, short zDelta, CPoint pt);
  void OnDropFiles(HANDLE hDropInfo);
  void OnWindowPosChanged(void* lpwndpos);

  // Lets a window reflect a notification back to its child control first.
  virtual BOOL OnChildNotify(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* pResult);

  QWidget* m_pWidget = nullptr;
  CWnd* m_pOwner = nullptr;
  std::unique_ptr<qxui::WndState> m_state;

  friend class qxui::WidgetAccess;
  friend struct qxui::WndState;
};

// The handles' global functions.
BOOL IsWindow(HWND hWnd);
LRESULT SendMessage(HWND hWnd, UINT message, WPARAM wParam = 0, LPARAM lParam = 0);
BOOL IsWindowVisible(HWND hWnd);
HWND GetFocus();
HWND SetFocus(HWND hWnd);
HWND GetCapture();
HWND SetCapture(HWND hWnd);
BOOL ReleaseCapture();
HWND WindowFromPoint(POINT point);
CWnd* GetDesktopWindow();
// The screen context (GetDC(NULL)) or a window's client context.
HDC GetDC(HWND hWnd);
int ReleaseDC(HWND hWnd, HDC hDC);

// Paints through BeginPaint/EndPaint: the context's clip box is the update
// region, and the background is erased first when the invalidation asked for it.
class CPaintDC : public CDC {
 public:
  explicit CPaintDC(CWnd* pWnd);
  ~CPaintDC() override;
  PAINTSTRUCT m_ps;

 protected:
  CWnd* m_pWnd;
};

// Draws into the client image at any time; the screen follows when the
// context is released.
class CClientDC : public CDC {
 public:
  // Null: the screen.
  explicit CClientDC(CWnd* pWnd);
  ~CClientDC() override;

 protected:
  CWnd* m_pWnd;
  CDC* m_pScreen = nullptr;
};

// The window's whole area; here the same image as the client area.
class CWindowDC : public CClientDC {
 public:
  explicit CWindowDC(CWnd* pWnd) : CClientDC(pWnd) {}
};

// ---- window-message map entries ------------------------------------------

#define QX_ON_WM(msg, body) {msg, 0, 0, 0, nullptr, QX_MSG_THUNK(body)},
#define QX_POINT_LPARAM CPoint(GET_X_LPARAM(call.lParam), GET_Y_LPARAM(call.lParam))
#define QX_MOUSE_ENTRY(msg, fn) \
  QX_ON_WM(msg, self->fn(static_cast<UINT>(call.wParam), QX_POINT_LPARAM))
#define QX_KEY_ENTRY(msg, fn) \
  QX_ON_WM(msg, self->fn(static_cast<UINT>(call.wParam), LOWORD(call.lParam), HIWORD(call.lParam)))

#define ON_WM_CREATE() \
  QX_ON_WM(WM_CREATE, call.lResult = self->OnCreate(reinterpret_cast<LPCREATESTRUCT>(call.lParam)))
#define ON_WM_DESTROY() QX_ON_WM(WM_DESTROY, self->OnDestroy())
#define ON_WM_NCDESTROY() QX_ON_WM(WM_NCDESTROY, self->OnNcDestroy())
#define ON_WM_PAINT() QX_ON_WM(WM_PAINT, self->OnPaint())
#define ON_WM_ERASEBKGND() \
  QX_ON_WM(WM_ERASEBKGND,  \
           call.lResult = self->OnEraseBkgnd(CDC::FromHandle(reinterpret_cast<HDC>(call.wParam))))
#define ON_WM_SIZE() \
  QX_ON_WM(WM_SIZE,  \
           self->OnSize(static_cast<UINT>(call.wParam), LOWORD(call.lParam), HIWORD(call.lParam)))
#define ON_WM_MOVE() \
  QX_ON_WM(WM_MOVE, self->OnMove(GET_X_LPARAM(call.lParam), GET_Y_LPARAM(call.lParam)))
#define ON_WM_TIMER() QX_ON_WM(WM_TIMER, self->OnTimer(static_cast<UINT>(call.wParam)))
#define ON_WM_SETFOCUS() \
  QX_ON_WM(WM_SETFOCUS, self->OnSetFocus(CWnd::FromHandle(reinterpret_cast<HWND>(call.wParam))))
#define ON_WM_KILLFOCUS() \
  QX_ON_WM(WM_KILLFOCUS, self->OnKillFocus(CWnd::FromHandle(reinterpret_cast<HWND>(call.wParam))))
#define ON_WM_CLOSE() QX_ON_WM(WM_CLOSE, self->OnClose())
#define ON_WM_SHOWWINDOW() \
  QX_ON_WM(WM_SHOWWINDOW,  \
           self->OnShowWindow(static_cast<BOOL>(call.wParam), static_cast<UINT>(call.lParam)))
#define ON_WM_SETCURSOR()                                                                          \
  QX_ON_WM(WM_SETCURSOR,                                                                           \
           call.lResult = self->OnSetCursor(CWnd::FromHandle(reinterpret_cast<HWND>(call.wParam)), \
                                            LOWORD(call.lParam), HIWORD(call.lParam)))
#define ON_WM_MOUSEACTIVATE()                                                           \
  QX_ON_WM(WM_MOUSEACTIVATE, call.lResult = self->OnMouseActivate(                      \
                                 CWnd::FromHandle(reinterpret_cast<HWND>(call.wParam)), \
                                 LOWORD(call.lParam), HIWORD(call.lParam)))
#define ON_WM_MOUSEMOVE() QX_MOUSE_ENTRY(WM_MOUSEMOVE, OnMouseMove)
#define ON_WM_LBUTTONDOWN() QX_MOUSE_ENTRY(WM_LBUTTONDOWN, OnLButtonDown)
#define ON_WM_LBUTTONUP() QX_MOUSE_ENTRY(WM_LBUTTONUP, OnLButtonUp)
#define ON_WM_LBUTTONDBLCLK() QX_MOUSE_ENTRY(WM_LBUTTONDBLCLK, OnLButtonDblClk)
#define ON_WM_RBUTTONDOWN() QX_MOUSE_ENTRY(WM_RBUTTONDOWN, OnRButtonDown)
#define ON_WM_RBUTTONUP() QX_MOUSE_ENTRY(WM_RBUTTONUP, OnRButtonUp)
#define ON_WM_RBUTTONDBLCLK() QX_MOUSE_ENTRY(WM_RBUTTONDBLCLK, OnRButtonDblClk)
#define ON_WM_MBUTTONDOWN() QX_MOUSE_ENTRY(WM_MBUTTONDOWN, OnMButtonDown)
#define ON_WM_MBUTTONUP() QX_MOUSE_ENTRY(WM_MBUTTONUP, OnMButtonUp)
#define ON_WM_MBUTTONDBLCLK() QX_MOUSE_ENTRY(WM_MBUTTONDBLCLK, OnMButtonDblClk)
#define ON_WM_NCLBUTTONDOWN() QX_MOUSE_ENTRY(WM_NCLBUTTONDOWN, OnNcLButtonDown)
#define ON_WM_NCRBUTTONDOWN() QX_MOUSE_ENTRY(WM_NCRBUTTONDOWN, OnNcRButtonDown)
#define ON_WM_NCMBUTTONDOWN() QX_MOUSE_ENTRY(WM_NCMBUTTONDOWN, OnNcMButtonDown)
#define ON_WM_KEYDOWN() QX_KEY_ENTRY(WM_KEYDOWN, OnKeyDown)
#define ON_WM_KEYUP() QX_KEY_ENTRY(WM_KEYUP, OnKeyUp)
#define ON_WM_CHAR() QX_KEY_ENTRY(WM_CHAR, OnChar)
#define ON_WM_SYSKEYDOWN() QX_KEY_ENTRY(WM_SYSKEYDOWN, OnSysKeyDown)
#define ON_WM_SYSKEYUP() QX_KEY_ENTRY(WM_SYSKEYUP, OnSysKeyUp)
#define ON_WM_SYSCHAR() QX_KEY_ENTRY(WM_SYSCHAR, OnSysChar)
#define ON_WM_GETDLGCODE() QX_ON_WM(WM_GETDLGCODE, call.lResult = self->OnGetDlgCode())
// The scroll bar argument is the sending control (a scroll bar, or a slider
// the handler casts to its own class).
#define QX_SCROLL_ENTRY(msg, fn)                                                     \
  QX_ON_WM(msg, self->fn(LOWORD(call.wParam),                                        \
                         static_cast<UINT>(static_cast<SHORT>(HIWORD(call.wParam))), \
                         reinterpret_cast<CScrollBar*>(                              \
                             CWnd::FromHandle(reinterpret_cast<HWND>(call.lParam)))))
#define ON_WM_HSCROLL() QX_SCROLL_ENTRY(WM_HSCROLL, OnHScroll)
#define ON_WM_VSCROLL() QX_SCROLL_ENTRY(WM_VSCROLL, OnVScroll)
#define ON_WM_DRAWITEM()                                                \
  QX_ON_WM(WM_DRAWITEM, self->OnDrawItem(static_cast<int>(call.wParam), \
                                         reinterpret_cast<LPDRAWITEMSTRUCT>(call.lParam)))
#define ON_WM_MEASUREITEM()                                   \
  QX_ON_WM(WM_MEASUREITEM,                                    \
           self->OnMeasureItem(static_cast<int>(call.wParam), \
                               reinterpret_cast<LPMEASUREITEMSTRUCT>(call.lParam)))
#define ON_WM_CONTEXTMENU() \
  QX_ON_WM(                 \
      WM_CONTEXTMENU,       \
      self->OnContextMenu(CWnd::FromHandle(reinterpret_cast<HWND>(call.wParam)), QX_POINT_LPARAM))
// The menu messages carry menu handles; handlers get the menu objects.
CMenu* QxMenuOfHandle(HMENU hMenu);
#define ON_WM_INITMENU() \
  QX_ON_WM(WM_INITMENU, self->OnInitMenu(QxMenuOfHandle(reinterpret_cast<HMENU>(call.wParam))))
#define ON_WM_INITMENUPOPUP()                                                          \
  QX_ON_WM(WM_INITMENUPOPUP,                                                           \
           self->OnInitMenuPopup(QxMenuOfHandle(reinterpret_cast<HMENU>(call.wParam)), \
                                 LOWORD(call.lParam), HIWORD(call.lParam)))
// WM_MENUSELECT: the item (command id, or the position of a popup) in the low
// word of wParam, its MF_* flags in the high word, the menu in lParam; flags
// 0xFFFF with no menu: the menu was closed.
#define ON_WM_MENUSELECT()                                                             \
  QX_ON_WM(WM_MENUSELECT, self->OnMenuSelect(LOWORD(call.wParam), HIWORD(call.wParam), \
                                             reinterpret_cast<HMENU>(call.lParam)))
#define ON_WM_CAPTURECHANGED() \
  QX_ON_WM(WM_CAPTURECHANGED,  \
           self->OnCaptureChanged(CWnd::FromHandle(reinterpret_cast<HWND>(call.lParam))))
// WM_MOUSEWHEEL: key flags (MK_*) in the low word of wParam, the signed
// distance in the high word (WHEEL_DELTA per notch, positive away from the
// user), the mouse's screen position in lParam.
#define ON_WM_MOUSEWHEEL()                    \
  QX_ON_WM(WM_MOUSEWHEEL,                     \
           call.lResult = self->OnMouseWheel( \
               LOWORD(call.wParam), static_cast<short>(HIWORD(call.wParam)), QX_POINT_LPARAM))
#define ON_WM_DROPFILES() \
  QX_ON_WM(WM_DROPFILES, self->OnDropFiles(reinterpret_cast<HANDLE>(call.wParam)))
