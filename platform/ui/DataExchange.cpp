#include "platform/ui/DataExchange.h"

#include "platform/core/Debug.h"
#include "platform/core/MessageBox.h"
#include "platform/ui/Controls.h"
#include "platform/ui/Focus.h"

#include <QApplication>
#include <QWidget>

#include <cerrno>
#include <climits>
#include <cmath>
#include <cstdlib>
#include <cstring>

namespace {

// The framework's prompts.
constexpr const char* kParseInt = "Please enter an integer.";
constexpr const char* kParseReal = "Please enter a number.";
constexpr const char* kIntRange = "Please enter an integer between %1 and %2.";
constexpr const char* kRealRange = "Please enter a number between %1 and %2.";

bool IsBlank(char c) {
  return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

// The text without the white space around it.
CString Stripped(const char* text) {
  const char* begin = text ? text : "";
  while (IsBlank(*begin)) ++begin;
  const char* end = begin + std::strlen(begin);
  while (end > begin && IsBlank(end[-1])) --end;
  return CString(begin, static_cast<int>(end - begin));
}

CString Prompt(const char* pattern, const CString& low, const CString& high) {
  CString prompt(pattern);
  prompt.Replace("%1", low);
  prompt.Replace("%2", high);
  return prompt;
}

// Shows the prompt and fails the exchange.
void Refuse(CDataExchange* pDX, const char* prompt) {
  AfxMessageBox(prompt, MB_ICONEXCLAMATION);
  pDX->Fail();
}

CString ControlText(CDataExchange* pDX, int nIDC) {
  CString text;
  if (CWnd* control = pDX->PrepareEditCtrl(nIDC)) control->GetWindowText(text);
  return text;
}

void SetControlText(CDataExchange* pDX, int nIDC, const CString& text) {
  if (CWnd* control = pDX->PrepareEditCtrl(nIDC)) control->SetWindowText(text);
}

bool ParseLong(const char* text, long long& value) {
  CString token = Stripped(text);
  const char* p = token.GetString();
  if (*p == '+' || *p == '-') ++p;
  if (*p == '\0') return false;
  for (const char* q = p; *q; ++q) {
    if (*q < '0' || *q > '9') return false;
  }
  errno = 0;
  value = std::strtoll(token.GetString(), nullptr, 10);
  return errno == 0;
}

}  // namespace

// ---- CDataExchange ---------------------------------------------------------------

CWnd* CDataExchange::PrepareCtrl(int nIDC) {
  m_idLastControl = nIDC;
  m_bEditLastControl = FALSE;
  return m_pDlgWnd ? m_pDlgWnd->GetDlgItem(nIDC) : nullptr;
}

CWnd* CDataExchange::PrepareEditCtrl(int nIDC) {
  CWnd* control = PrepareCtrl(nIDC);
  m_bEditLastControl = TRUE;
  return control;
}

void CDataExchange::Fail() {
  m_bFailed = TRUE;
  if (!m_bSaveAndValidate || !m_pDlgWnd) return;
  CWnd* control = m_pDlgWnd->GetDlgItem(m_idLastControl);
  if (!control) return;
  // The keyboard goes back into the field, also from a window that is not the
  // active one (a floating bar left by a click into another window): the
  // user corrects the text there.
  if (QWidget* widget = control->GetWidget();
      widget && widget->window()->isVisible() && widget->window() != QApplication::activeWindow())
    qxui::AskActivation(widget->window());
  control->SetFocus();
  if (m_bEditLastControl) control->SendMessage(EM_SETSEL, 0, -1);
}

BOOL QxUpdateData(CWnd* wnd, BOOL bSaveAndValidate,
                  const std::function<void(CDataExchange*)>& exchange) {
  CDataExchange dx(wnd, bSaveAndValidate);
  if (exchange) exchange(&dx);
  return !dx.m_bFailed;
}

// ---- numbers ------------------------------------------------------------------------

CString QxFormatInt(int value) {
  CString text;
  text.Format("%d", value);
  return text;
}

CString QxFormatDouble(double value) {
  CString text;
  text.Format("%.15g", value);
  return text;
}

bool QxParseInt(const char* text, int& value) {
  long long parsed = 0;
  if (!ParseLong(text, parsed) || parsed < INT_MIN || parsed > INT_MAX) return false;
  value = static_cast<int>(parsed);
  return true;
}

bool QxParseDouble(const char* text, double& value) {
  CString token = Stripped(text);
  if (token.IsEmpty()) return false;
  // Only decimal notation: this keeps out "nan", "inf", "infinity" and hexadecimal.
  for (const char* q = token.GetString(); *q; ++q) {
    if (!std::strchr("0123456789+-.eE", *q)) return false;
  }
  char* end = nullptr;
  double parsed = std::strtod(token.GetString(), &end);
  if (end == token.GetString() || *end != '\0' || !std::isfinite(parsed)) return false;
  value = parsed;
  return true;
}

// ---- transfers ----------------------------------------------------------------------------

void DDX_Control(CDataExchange* pDX, int nIDC, CWnd& rControl) {
  if (pDX->m_bFailed || rControl.GetSafeHwnd()) return;
  CWnd* existing = pDX->PrepareCtrl(nIDC);
  if (!existing || !QxAttachControl(rControl, existing)) {
    TRACE("DDX_Control: control %d cannot be attached\n", nIDC);
  }
}

void DDX_Text(CDataExchange* pDX, int nIDC, int& value) {
  if (pDX->m_bFailed) return;
  if (!pDX->m_bSaveAndValidate) {
    SetControlText(pDX, nIDC, QxFormatInt(value));
  } else if (!QxParseInt(ControlText(pDX, nIDC), value)) {
    Refuse(pDX, kParseInt);
  }
}

void DDX_Text(CDataExchange* pDX, int nIDC, double& value) {
  if (pDX->m_bFailed) return;
  if (!pDX->m_bSaveAndValidate) {
    SetControlText(pDX, nIDC, QxFormatDouble(value));
  } else if (!QxParseDouble(ControlText(pDX, nIDC), value)) {
    Refuse(pDX, kParseReal);
  }
}

void DDX_Text(CDataExchange* pDX, int nIDC, CString& value) {
  if (pDX->m_bFailed) return;
  if (!pDX->m_bSaveAndValidate) {
    SetControlText(pDX, nIDC, value);
  } else {
    value = ControlText(pDX, nIDC);
  }
}

namespace {

// A control's state read with one message and set with another.
void ExchangeState(CDataExchange* pDX, int nIDC, int& value, UINT get, UINT set) {
  if (pDX->m_bFailed) return;
  CWnd* control = pDX->PrepareCtrl(nIDC);
  if (!control) return;
  if (pDX->m_bSaveAndValidate) {
    value = static_cast<int>(control->SendMessage(get));
  } else {
    control->SendMessage(set, static_cast<WPARAM>(value));
  }
}

}  // namespace

void DDX_Check(CDataExchange* pDX, int nIDC, int& value) {
  ExchangeState(pDX, nIDC, value, BM_GETCHECK, BM_SETCHECK);
}

void DDX_CBIndex(CDataExchange* pDX, int nIDC, int& index) {
  ExchangeState(pDX, nIDC, index, CB_GETCURSEL, CB_SETCURSEL);
}

// ---- validation -------------------------------------------------------------------------------

void DDV_MinMaxInt(CDataExchange* pDX, int value, int minVal, int maxVal) {
  if (pDX->m_bFailed || !pDX->m_bSaveAndValidate || (value >= minVal && value <= maxVal)) return;
  Refuse(pDX, Prompt(kIntRange, QxFormatInt(minVal), QxFormatInt(maxVal)));
}

void DDV_MinMaxDouble(CDataExchange* pDX, double const& value, double minVal, double maxVal) {
  if (pDX->m_bFailed || !pDX->m_bSaveAndValidate || (value >= minVal && value <= maxVal)) return;
  Refuse(pDX, Prompt(kRealRange, QxFormatDouble(minVal), QxFormatDouble(maxVal)));
}
