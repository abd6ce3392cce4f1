#pragma once
// CPickerWnd: what the popup pickers of the "ProcessView" bar share. A picker
// takes the capture and the focus when it is made, remembering the window that
// had the focus; losing the focus destroys it with no change; Close gives the
// focus back to that window, so closing moves the focus nowhere else.
//
// A picker's own OnCreate calls this one first; its choices are carried out
// before Close, since the window that gets the focus back may be a view, which
// then shows its own design in the bar.
#include "platform/ui/Wnd.h"

class CPickerWnd : public CWnd {
 protected:
  int OnCreate(LPCREATESTRUCT lpCreateStruct);
  void OnKillFocus(CWnd* pNewWnd);
  // Releases the capture, gives the focus back and destroys the window (the
  // object stays).
  void Close();

  DECLARE_MESSAGE_MAP()

 private:
  HWND m_hWndPrevFocus = nullptr;
};
