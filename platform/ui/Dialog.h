#pragma once
// Modal dialogs from dialog templates, and the dialog manager.
//
// DoModal makes the dialog window (the template's size is its client area),
// its controls (WM_CREATE comes first, so a dialog's OnCreate already sees the
// final client size), exchanges its data in OnInitDialog, disables the owner,
// shows the dialog activated, whatever its styles, with the keyboard at the
// control OnInitDialog chose (or the first tab stop), and runs a nested
// message loop until EndDialog. OK reads the controls and
// ends only when that succeeds; Cancel, Escape and the close box end with
// IDCANCEL.
//
// The dialog manager (QxIsDialogMessage) moves the focus over WS_TABSTOP
// controls with Tab and Shift+Tab, sends Enter to the focused push button or
// else the default button, Escape to IDCANCEL, and Alt+letter (or a letter
// where the focus takes no characters) to the control with that mnemonic. A
// control that answers WM_GETDLGCODE with DLGC_WANTALLKEYS gets every key
// itself; DLGC_WANTTAB, DLGC_WANTARROWS and DLGC_WANTCHARS keep those keys.
// Input reaches it through PreTranslateMessage: the application's walk from
// the target up its parents, which a modal loop does itself when there is no
// application object.
#include "platform/core/MessageBox.h"
#include "platform/ui/DataExchange.h"
#include "platform/ui/DialogTemplate.h"
#include "platform/ui/Wnd.h"

#include <functional>

class CDialog : public CWnd {
  DECLARE_DYNAMIC(CDialog)

 public:
  CDialog() = default;
  explicit CDialog(UINT nIDTemplate, CWnd* pParentWnd = nullptr);
  ~CDialog() override;

  // IDOK, IDCANCEL or EndDialog's value; -1 when the template is unknown or
  // the window cannot be made.
  virtual INT_PTR DoModal();
  void EndDialog(int nResult);
  // Whether the modal loop still runs and EndDialog has not been called.
  BOOL ContinueModal() { return !m_bEnded && CWnd::ContinueModal(); }

  virtual BOOL OnInitDialog();
  virtual void OnOK();
  virtual void OnCancel();

  BOOL UpdateData(BOOL bSaveAndValidate = TRUE);
  virtual void DoDataExchange(CDataExchange* pDX);

  void GotoDlgCtrl(CWnd* pWndCtrl);
  void NextDlgCtrl() const;
  void PrevDlgCtrl() const;
  void SetDefID(UINT nID) { m_nDefID = nID; }
  DWORD GetDefID() const { return m_nDefID; }
  // Captioned with the application's name when no caption is given.
  int MessageBox(LPCTSTR lpszText, LPCTSTR lpszCaption = nullptr, UINT nType = MB_OK);
  using CWnd::MessageBox;

  BOOL PreTranslateMessage(MSG* pMsg) override;

  UINT QxTemplateId() const { return m_nIDTemplate; }

 protected:
  LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;
  LRESULT DefWindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;
  QWidget* QxCreateWidget(const CREATESTRUCT& cs, QWidget* parentWidget) override;
  BOOL CreateFromTemplate(const QxDialogTemplate& dialogTemplate, CWnd* pOwner);

  UINT m_nIDTemplate = 0;
  CWnd* m_pParentWnd = nullptr;
  UINT m_nDefID = IDOK;
  int m_nModalResult = -1;
  bool m_bEnded = false;

  DECLARE_MESSAGE_MAP()
};

// The dialog manager for a dialog or a dialog bar: TRUE when the message was
// a dialog key for a window inside dialog and has been handled.
BOOL QxIsDialogMessage(CWnd* dialog, MSG* pMsg);
// The next (or previous) enabled, visible WS_TABSTOP child after pCtrl
// (null: from the start), wrapping around; null when there is none.
CWnd* QxNextTabItem(CWnd* dialog, CWnd* pCtrl, bool previous);

// A message box owned by wnd, captioned with the application's name when no
// caption is given (what a window's MessageBox member does).
int QxWndMessageBox(CWnd* wnd, LPCTSTR lpszText, LPCTSTR lpszCaption = nullptr, UINT nType = MB_OK);

// Layer-internal: tests drive modal dialogs through this (see DialogHooks.h).
// Running is called inside the dialog's modal loop after OnInitDialog;
// Ended after the loop, with the result. Returns the hook set before.
struct QxDialogHook {
  std::function<void(CDialog&)> running;
  std::function<void(CDialog&, int)> ended;
};
const QxDialogHook* QxSetDialogHook(const QxDialogHook* hook);
