#pragma once
// CPickerWnd: what the popup pickers of the "ProcessView" bar share. A picker
// takes the capture and the focus when it is made, remembering the window that
// had the focus; losing the focus destroys it with no change; Close gives the
// focus back to that window, so closing moves the focus nowhere else.
//
// A picker's own OnCreate calls this one first. A choice is carried out only
// after CloseFor: it may run a modal loop (an editing dialog, a question
// during the recalculation), and a loop that starts with the keyboard in a
// window it then destroys hands it back to no one, so that the window system
// gives it to whichever document window comes first, whose view then shows
// its own design everywhere.
#include "platform/ui/Wnd.h"

class CLeftBar;

class CPickerWnd : public CWnd {
 protected:
  int OnCreate(LPCREATESTRUCT lpCreateStruct);
  void OnKillFocus(CWnd* pNewWnd);
  // Releases the capture, gives the focus back and destroys the window (the
  // object stays).
  void Close();
  // Close before a choice on the design the bar shows. The window given the
  // focus back may be a view of another design, which then shows itself;
  // the bar's design is shown again, so that the choice lands where the
  // user made it.
  void CloseFor(CLeftBar* bar);

  DECLARE_MESSAGE_MAP()

 private:
  HWND m_hWndPrevFocus = nullptr;
};
