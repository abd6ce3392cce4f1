#pragma once
// A child window that wants every key, as a formula editor does, and logs the
// keys it gets: what a dialog's or the main window's own keys must pass by.
#include "platform/ui/Wnd.h"

#include <vector>

namespace {

class CKeyEater : public CWnd {
 public:
  std::vector<UINT> m_keys;

 protected:
  UINT OnGetDlgCode() { return DLGC_WANTALLKEYS; }
  void OnKeyDown(UINT nChar, UINT, UINT) { m_keys.push_back(nChar); }
  DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(CKeyEater, CWnd)
ON_WM_GETDLGCODE()
ON_WM_KEYDOWN()
END_MESSAGE_MAP()

}  // namespace
