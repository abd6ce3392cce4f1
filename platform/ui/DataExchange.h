#pragma once
// Dialog data exchange: moving a dialog's fields into its controls
// (UpdateData(FALSE)) and back with validation (UpdateData(TRUE)).
//
// A failed exchange does not throw: the first failing DDX_ or DDV_ call shows
// the framework's prompt, puts the focus back on its control (an edit's text
// selected) and marks the exchange failed; every later call of the same
// exchange does nothing, and UpdateData returns FALSE.
#include "platform/core/String.h"
#include "platform/ui/Wnd.h"

#include <functional>

class CDataExchange {
 public:
  CDataExchange(CWnd* pDlgWnd, BOOL bSaveAndValidate)
      : m_bSaveAndValidate(bSaveAndValidate), m_pDlgWnd(pDlgWnd) {}

  // The control the next transfer works on; a failure returns the focus there.
  CWnd* PrepareCtrl(int nIDC);
  CWnd* PrepareEditCtrl(int nIDC);
  // Ends the exchange as failed (after the caller showed its prompt).
  void Fail();

  BOOL m_bSaveAndValidate;  // TRUE: controls to fields, with validation
  CWnd* m_pDlgWnd;
  BOOL m_bFailed = FALSE;
  int m_idLastControl = 0;
  BOOL m_bEditLastControl = FALSE;
};

// The exchange of a window that is not a dialog (a dialog bar): runs exchange
// on a CDataExchange for wnd; FALSE when it failed.
BOOL QxUpdateData(CWnd* wnd, BOOL bSaveAndValidate,
                  const std::function<void(CDataExchange*)>& exchange);

// Number formats and parsing of the exchange: integers shown with "%d",
// doubles with "%.15g". Parsing skips white space around the number, takes
// the whole text, and refuses empty text, hexadecimal numbers, "nan", "inf",
// "infinity" and values that do not fit.
CString QxFormatInt(int value);
CString QxFormatDouble(double value);
bool QxParseInt(const char* text, int& value);
bool QxParseDouble(const char* text, double& value);

void DDX_Control(CDataExchange* pDX, int nIDC, CWnd& rControl);
void DDX_Text(CDataExchange* pDX, int nIDC, int& value);
void DDX_Text(CDataExchange* pDX, int nIDC, double& value);
void DDX_Text(CDataExchange* pDX, int nIDC, CString& value);
void DDX_Check(CDataExchange* pDX, int nIDC, int& value);
void DDX_CBIndex(CDataExchange* pDX, int nIDC, int& index);
void DDV_MinMaxInt(CDataExchange* pDX, int value, int minVal, int maxVal);
void DDV_MinMaxDouble(CDataExchange* pDX, double const& value, double minVal, double maxVal);
