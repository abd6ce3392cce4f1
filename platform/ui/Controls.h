#pragma once
// The standard controls: static texts, buttons, edits, drop-down lists, list
// boxes (with owner-drawn variable-height items), the trackbar and the up-down
// control. Each is a child window; its state lives in its widget, as a
// control's state lives in its window, so that DDX_Control can wrap the same
// control in a member object after the template made it (QxAttachControl).
//
// Buttons, edits and combo boxes are Qt widgets; list boxes, trackbars and
// up-down controls draw into their client image like any other window, so
// owner drawing and tests read the same pixels.
//
// Notifications go to the parent as WM_COMMAND (BN_*, EN_*, CBN_*, LBN_*),
// trackbars and up-down controls send WM_HSCROLL or WM_VSCROLL, owner-drawn
// lists send WM_MEASUREITEM and WM_DRAWITEM.
#include "platform/ui/DialogTemplate.h"
#include "platform/ui/Wnd.h"

// ---- styles, messages and codes (the documented values) --------------------

// Buttons.
constexpr DWORD BS_PUSHBUTTON = 0x0;
constexpr DWORD BS_DEFPUSHBUTTON = 0x1;
constexpr DWORD BS_CHECKBOX = 0x2;
constexpr DWORD BS_AUTOCHECKBOX = 0x3;
constexpr DWORD BS_RADIOBUTTON = 0x4;
constexpr DWORD BS_3STATE = 0x5;
constexpr DWORD BS_AUTO3STATE = 0x6;
constexpr DWORD BS_GROUPBOX = 0x7;
constexpr DWORD BS_AUTORADIOBUTTON = 0x9;
constexpr DWORD BS_OWNERDRAW = 0xB;
constexpr DWORD BS_TYPEMASK = 0xF;
constexpr UINT BM_GETCHECK = 0x00F0;
constexpr UINT BM_SETCHECK = 0x00F1;
constexpr UINT BM_GETSTATE = 0x00F2;
constexpr UINT BM_SETSTATE = 0x00F3;
constexpr UINT BM_SETSTYLE = 0x00F4;
constexpr UINT BM_CLICK = 0x00F5;
constexpr UINT BST_UNCHECKED = 0;
constexpr UINT BST_CHECKED = 1;
constexpr UINT BST_INDETERMINATE = 2;
// Statics.
constexpr DWORD SS_LEFT = 0x0;
constexpr DWORD SS_CENTER = 0x1;
constexpr DWORD SS_RIGHT = 0x2;
constexpr DWORD SS_ICON = 0x3;  // the text names the picture: "#id", a bitmap resource
constexpr DWORD SS_BITMAP = 0xE;
constexpr DWORD SS_TYPEMASK = 0x1F;
constexpr DWORD SS_NOPREFIX = 0x80;
// Edits.
constexpr DWORD ES_LEFT = 0x0;
constexpr DWORD ES_CENTER = 0x1;
constexpr DWORD ES_RIGHT = 0x2;
constexpr DWORD ES_MULTILINE = 0x4;
constexpr DWORD ES_AUTOVSCROLL = 0x40;
constexpr DWORD ES_AUTOHSCROLL = 0x80;
constexpr DWORD ES_READONLY = 0x800;
constexpr DWORD ES_WANTRETURN = 0x1000;
constexpr DWORD ES_NUMBER = 0x2000;
constexpr UINT EM_GETSEL = 0x00B0;
constexpr UINT EM_SETSEL = 0x00B1;
constexpr UINT EM_LIMITTEXT = 0x00C5;
constexpr UINT EM_CANUNDO = 0x00C6;
constexpr UINT EM_UNDO = 0x00C7;
constexpr UINT EM_SETREADONLY = 0x00CF;
// Combo boxes.
constexpr DWORD CBS_SIMPLE = 0x1;
constexpr DWORD CBS_DROPDOWN = 0x2;
constexpr DWORD CBS_DROPDOWNLIST = 0x3;
constexpr DWORD CBS_SORT = 0x100;
constexpr DWORD CBS_HASSTRINGS = 0x200;
constexpr int CB_ERR = -1;
constexpr UINT CB_GETCOUNT = 0x0146;
constexpr UINT CB_GETCURSEL = 0x0147;
constexpr UINT CB_GETLBTEXT = 0x0148;
constexpr UINT CB_GETLBTEXTLEN = 0x0149;
constexpr UINT CB_ADDSTRING = 0x0143;
constexpr UINT CB_DELETESTRING = 0x0144;
constexpr UINT CB_INSERTSTRING = 0x014A;
constexpr UINT CB_RESETCONTENT = 0x014B;
constexpr UINT CB_SETCURSEL = 0x014E;
constexpr UINT CB_GETITEMDATA = 0x0150;
constexpr UINT CB_SETITEMDATA = 0x0151;
// List boxes.
constexpr DWORD LBS_NOTIFY = 0x1;
constexpr DWORD LBS_SORT = 0x2;
constexpr DWORD LBS_OWNERDRAWFIXED = 0x10;
constexpr DWORD LBS_OWNERDRAWVARIABLE = 0x20;
constexpr DWORD LBS_HASSTRINGS = 0x40;
constexpr DWORD LBS_NOINTEGRALHEIGHT = 0x100;
constexpr int LB_ERR = -1;
constexpr UINT LB_ADDSTRING = 0x0180;
constexpr UINT LB_INSERTSTRING = 0x0181;
constexpr UINT LB_DELETESTRING = 0x0182;
constexpr UINT LB_RESETCONTENT = 0x0184;
constexpr UINT LB_SETCURSEL = 0x0186;
constexpr UINT LB_GETCURSEL = 0x0188;
constexpr UINT LB_GETTEXT = 0x0189;
constexpr UINT LB_GETTEXTLEN = 0x018A;
constexpr UINT LB_GETCOUNT = 0x018B;
constexpr UINT LB_GETTOPINDEX = 0x018E;
constexpr UINT LB_SETTOPINDEX = 0x0197;
constexpr UINT LB_GETITEMRECT = 0x0198;
constexpr UINT LB_GETITEMDATA = 0x0199;
constexpr UINT LB_SETITEMDATA = 0x019A;
constexpr UINT LB_SETITEMHEIGHT = 0x01A0;
constexpr UINT LB_GETITEMHEIGHT = 0x01A1;
// Owner drawing.
constexpr UINT ODT_LISTBOX = 2;
constexpr UINT ODT_COMBOBOX = 3;
constexpr UINT ODT_BUTTON = 4;
constexpr UINT ODA_DRAWENTIRE = 0x1;
constexpr UINT ODA_SELECT = 0x2;
constexpr UINT ODA_FOCUS = 0x4;
constexpr UINT ODS_SELECTED = 0x1;
constexpr UINT ODS_DISABLED = 0x4;
constexpr UINT ODS_FOCUS = 0x10;
// Trackbars.
constexpr DWORD TBS_AUTOTICKS = 0x1;
constexpr DWORD TBS_VERT = 0x2;
constexpr DWORD TBS_HORZ = 0x0;
constexpr DWORD TBS_BOTH = 0x8;
constexpr DWORD TBS_NOTICKS = 0x10;
constexpr UINT TBM_GETPOS = WM_USER;
constexpr UINT TBM_GETRANGEMIN = WM_USER + 1;
constexpr UINT TBM_GETRANGEMAX = WM_USER + 2;
constexpr UINT TBM_SETPOS = WM_USER + 5;
constexpr UINT TBM_SETRANGEMIN = WM_USER + 7;
constexpr UINT TBM_SETRANGEMAX = WM_USER + 8;
constexpr UINT TBM_SETPAGESIZE = WM_USER + 21;
constexpr UINT TBM_GETPAGESIZE = WM_USER + 22;
constexpr UINT TBM_SETLINESIZE = WM_USER + 23;
constexpr UINT TBM_GETLINESIZE = WM_USER + 24;
constexpr UINT TB_LINEUP = 0;
constexpr UINT TB_LINEDOWN = 1;
constexpr UINT TB_PAGEUP = 2;
constexpr UINT TB_PAGEDOWN = 3;
constexpr UINT TB_THUMBPOSITION = 4;
constexpr UINT TB_THUMBTRACK = 5;
constexpr UINT TB_TOP = 6;
constexpr UINT TB_BOTTOM = 7;
constexpr UINT TB_ENDTRACK = 8;
// Up-down controls.
constexpr DWORD UDS_WRAP = 0x1;
constexpr DWORD UDS_SETBUDDYINT = 0x2;
constexpr DWORD UDS_ALIGNRIGHT = 0x4;
constexpr DWORD UDS_ALIGNLEFT = 0x8;
constexpr DWORD UDS_AUTOBUDDY = 0x10;
constexpr DWORD UDS_ARROWKEYS = 0x20;
constexpr DWORD UDS_HORZ = 0x40;
constexpr DWORD UDS_NOTHOUSANDS = 0x80;
constexpr UINT UDM_SETRANGE = WM_USER + 101;
constexpr UINT UDM_GETRANGE = WM_USER + 102;
constexpr UINT UDM_SETPOS = WM_USER + 103;
constexpr UINT UDM_GETPOS = WM_USER + 104;
constexpr UINT UDM_SETBUDDY = WM_USER + 105;
constexpr UINT UDM_GETBUDDY = WM_USER + 106;

// The window class names of dialog templates.
#define WC_BUTTON "Button"
#define WC_STATIC "Static"
#define WC_EDIT "Edit"
#define WC_COMBOBOX "ComboBox"
#define WC_LISTBOX "ListBox"
#define TRACKBAR_CLASS "msctls_trackbar32"
#define UPDOWN_CLASS "msctls_updown32"

// ---- the common base ---------------------------------------------------------

// What every control shares: it tells its parent about changes, answers the
// dialog manager's WM_GETDLGCODE, and, when a template made it, deletes
// itself with its window.
class CQxControl : public CWnd {
 public:
  BOOL m_bQxAutoDelete = FALSE;

  // Layer-internal: the widget an attached member takes over (see QxAttachControl).
  QWidget* m_pQxAdopted = nullptr;

 protected:
  friend struct QxControlAccess;
  void PostNcDestroy() override;
  LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;
  LRESULT DefWindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;
  // WM_COMMAND with the code to the parent; nothing while a member attaches.
  void Notify(UINT code);
  // The parent as the receiver of notifications and owner-draw messages.
  CWnd* NotifyTarget() const;
  // The dialog code the control answers for its kind; key is the message the
  // dialog manager is about to route, or null when it only asks.
  virtual UINT DlgCode(const MSG* key) const {
    (void)key;
    return 0;
  }
  // Adopts m_pQxAdopted when set; otherwise makes the widget of the kind.
  QWidget* QxCreateWidget(const CREATESTRUCT& cs, QWidget* parentWidget) override;
  virtual QWidget* MakeControlWidget(const CREATESTRUCT& cs, QWidget* parentWidget) = 0;
  bool QxShowsImage() const override { return false; }
};

// ---- the controls --------------------------------------------------------------

class CStatic : public CQxControl {
 public:
  using CWnd::Create;
  BOOL Create(LPCTSTR lpszText, DWORD dwStyle, const RECT& rect, CWnd* pParentWnd,
              UINT nID = 0xFFFF);

 protected:
  LRESULT DefWindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;
  UINT DlgCode(const MSG*) const override { return DLGC_STATIC; }
  QWidget* MakeControlWidget(const CREATESTRUCT& cs, QWidget* parentWidget) override;
};

// Push buttons, default push buttons, check boxes, radio buttons, group boxes.
class CButton : public CQxControl {
 public:
  using CWnd::Create;
  BOOL Create(LPCTSTR lpszCaption, DWORD dwStyle, const RECT& rect, CWnd* pParentWnd, UINT nID);
  int GetCheck() const;
  void SetCheck(int nCheck);
  UINT GetButtonStyle() const;
  void SetButtonStyle(UINT nStyle, BOOL bRedraw = TRUE);

 protected:
  LRESULT DefWindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;
  UINT DlgCode(const MSG* key) const override;
  QWidget* MakeControlWidget(const CREATESTRUCT& cs, QWidget* parentWidget) override;
  void Clicked();
};

// Single-line (QLineEdit) and multi-line (ES_MULTILINE) edits. ES_NUMBER
// refuses typed characters other than digits.
//
// The edit answers the Cut, Copy, Paste and Undo commands (ID_EDIT_*) on its
// own text, so that the frame's accelerators for them act on the focused edit
// rather than on the view behind it; its update handlers enable each only
// when it can be done (a selection to cut or copy, text on the clipboard to
// paste, something to undo, cut, paste and undo not in a read-only edit).
class CEdit : public CQxControl {
 public:
  using CWnd::Create;
  BOOL Create(DWORD dwStyle, const RECT& rect, CWnd* pParentWnd, UINT nID);
  void SetSel(int nStartChar, int nEndChar, BOOL bNoScroll = FALSE);
  void GetSel(int& nStartChar, int& nEndChar) const;
  void LimitText(int nChars = 0);
  BOOL SetReadOnly(BOOL bReadOnly = TRUE);
  // WM_CUT, WM_COPY, WM_PASTE, EM_UNDO and EM_CANUNDO.
  void Cut();
  void Copy();
  void Paste();
  BOOL Undo();
  BOOL CanUndo() const;

 protected:
  LRESULT DefWindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;
  UINT DlgCode(const MSG* key) const override;
  QWidget* MakeControlWidget(const CREATESTRUCT& cs, QWidget* parentWidget) override;
  LRESULT SelectionMessage(UINT message, WPARAM wParam, LPARAM lParam);
  LRESULT ClipboardMessage(UINT message);

  void OnEditCut() { Cut(); }
  void OnEditCopy() { Copy(); }
  void OnEditPaste() { Paste(); }
  void OnEditUndo() { Undo(); }
  void OnUpdateEditCut(CCmdUI* pCmdUI);
  void OnUpdateEditCopy(CCmdUI* pCmdUI);
  void OnUpdateEditPaste(CCmdUI* pCmdUI);
  void OnUpdateEditUndo(CCmdUI* pCmdUI);

 private:
  bool HasSelection() const;
  bool IsReadOnly() const;

  DECLARE_MESSAGE_MAP()
};

// Drop-down list combo boxes (and drop-down combos, as lists with an edit field).
class CComboBox : public CQxControl {
 public:
  using CWnd::Create;
  BOOL Create(DWORD dwStyle, const RECT& rect, CWnd* pParentWnd, UINT nID);
  int GetCount() const;
  int GetCurSel() const;
  int SetCurSel(int nSelect);
  int AddString(LPCTSTR lpszString);
  int InsertString(int nIndex, LPCTSTR lpszString);
  int DeleteString(UINT nIndex);
  void ResetContent();
  int GetLBText(int nIndex, LPTSTR lpszText) const;
  void GetLBText(int nIndex, CString& rString) const;
  int GetLBTextLen(int nIndex) const;
  DWORD_PTR GetItemData(int nIndex) const;
  int SetItemData(int nIndex, DWORD_PTR dwItemData);

 protected:
  LRESULT DefWindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;
  UINT DlgCode(const MSG*) const override { return DLGC_WANTARROWS | DLGC_WANTCHARS; }
  QWidget* MakeControlWidget(const CREATESTRUCT& cs, QWidget* parentWidget) override;
  // The template's height is the dropped list's; the box keeps its closed height.
  bool QxMoveWindow(int x, int y, int nWidth, int nHeight) override;
};

// Single-selection list boxes. Owner-drawn lists (LBS_OWNERDRAWFIXED or
// LBS_OWNERDRAWVARIABLE) ask the parent for each item's height when it is
// added (WM_MEASUREITEM) and to draw each visible item (WM_DRAWITEM) on the
// list's client context, with the item rectangle in client coordinates.
class CListBox : public CQxControl {
 public:
  using CWnd::Create;
  BOOL Create(DWORD dwStyle, const RECT& rect, CWnd* pParentWnd, UINT nID);
  int GetCount() const;
  int GetCurSel() const;
  int SetCurSel(int nSelect);
  int AddString(LPCTSTR lpszItem);
  int InsertString(int nIndex, LPCTSTR lpszItem);
  int DeleteString(UINT nIndex);
  void ResetContent();
  int GetText(int nIndex, LPTSTR lpszBuffer) const;
  void GetText(int nIndex, CString& rString) const;
  int GetTextLen(int nIndex) const;
  DWORD_PTR GetItemData(int nIndex) const;
  int SetItemData(int nIndex, DWORD_PTR dwItemData);
  int GetItemHeight(int nIndex) const;
  int SetItemHeight(int nIndex, UINT cyItemHeight);
  int GetItemRect(int nIndex, LPRECT lpRect) const;
  int GetTopIndex() const;
  int SetTopIndex(int nIndex);

 protected:
  LRESULT DefWindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;
  UINT DlgCode(const MSG*) const override { return DLGC_WANTARROWS | DLGC_WANTCHARS; }
  QWidget* MakeControlWidget(const CREATESTRUCT& cs, QWidget* parentWidget) override;
  bool QxShowsImage() const override { return true; }
  LRESULT ListMessage(UINT message, WPARAM wParam, LPARAM lParam);
  int InsertItem(int index, LPARAM lParam, bool add);
  void PaintItems();
  void DrawItemAt(CDC* dc, int index, bool focused);
  void PaintScrollBar(CDC* dc);
  // A WS_VSCROLL list shows its bar when the items are taller than it.
  bool HasScrollBar() const;
  CRect ItemRect(int index) const;
  void SelectByUser(int index);
  void EnsureVisible(int index);
};

// The trackbar: range 0..100 until set; the user's moves reach the parent as
// WM_HSCROLL (WM_VSCROLL for TBS_VERT) with a TB_* code and the position,
// a drag as TB_THUMBTRACK per position, then TB_THUMBPOSITION and TB_ENDTRACK.
// SetPos and the range setters notify nobody.
class CSliderCtrl : public CQxControl {
 public:
  using CWnd::Create;
  BOOL Create(DWORD dwStyle, const RECT& rect, CWnd* pParentWnd, UINT nID);
  int GetPos() const;
  void SetPos(int nPos);
  int GetRangeMin() const;
  int GetRangeMax() const;
  void GetRange(int& nMin, int& nMax) const;
  void SetRange(int nMin, int nMax, BOOL bRedraw = FALSE);
  void SetRangeMin(int nMin, BOOL bRedraw = FALSE);
  void SetRangeMax(int nMax, BOOL bRedraw = FALSE);
  int GetLineSize() const;
  int SetLineSize(int nSize);
  int GetPageSize() const;
  int SetPageSize(int nSize);

 protected:
  LRESULT DefWindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;
  UINT DlgCode(const MSG*) const override { return DLGC_WANTARROWS; }
  QWidget* MakeControlWidget(const CREATESTRUCT& cs, QWidget* parentWidget) override;
  bool QxShowsImage() const override { return true; }
  void Scroll(UINT code, int pos);
  void MouseMessage(UINT message, CPoint point);
  int PosFromPoint(CPoint point) const;
  CRect ThumbRect() const;
  void Paint();
};

// The up-down control: UDS_AUTOBUDDY takes the control before it as buddy,
// UDS_ALIGNRIGHT moves itself to the buddy's right edge (the buddy narrows),
// UDS_SETBUDDYINT writes the position into the buddy, UDS_ARROWKEYS lets the
// buddy's up and down keys step it. A range never set is 100..0, as the
// system has it: the up arrow then lowers the number.
class CSpinButtonCtrl : public CQxControl {
 public:
  using CWnd::Create;
  BOOL Create(DWORD dwStyle, const RECT& rect, CWnd* pParentWnd, UINT nID);
  int GetPos() const;
  int SetPos(int nPos);
  void GetRange(int& lower, int& upper) const;
  void SetRange(int nLower, int nUpper);
  CWnd* GetBuddy() const;
  CWnd* SetBuddy(CWnd* pWndBuddy);

  // Steps as a click on the up (delta +1) or down (delta -1) arrow does.
  void QxStep(int delta);

 protected:
  LRESULT DefWindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;
  QWidget* MakeControlWidget(const CREATESTRUCT& cs, QWidget* parentWidget) override;
  bool QxShowsImage() const override { return true; }
  void Paint();
};

// ---- templates and attaching ---------------------------------------------------------

// Registers the control classes with the template loader (done once; the
// dialog calls it, and so does a static initializer of the library).
void QxRegisterStandardControls();

// Creates the template's controls in parent: the class of each item, its
// combo-box list filled, up-down controls buddied. FALSE when one fails.
BOOL QxCreateTemplateControls(CWnd* parent, const QxDialogTemplate& dialogTemplate);

// Makes member the window object of the existing control (its widget, state,
// id, place and focus kept); the object that stood for it goes. FALSE when the
// control is missing, already has its own member, or member has a window.
BOOL QxAttachControl(CWnd& member, CWnd* existing);

// The control's kind from a window class name, for the dialog manager.
bool QxIsPushButton(CWnd* wnd);
