// "Add Dead-Time": the amount, the order of the approximation, the element
// (1-based row and column) and whether the amount is a fixed number.
#include "res/DialogTemplates.h"
#include "res/resource.h"

QxDialogTemplate qxres::AddDeadTimeTemplate() {
  QxDialogTemplate t = ModalDialog("Add Dead-Time", 177, 82);
  constexpr DWORD kDigits = kFieldStyle | ES_NUMBER;
  t.items = {
      DialogItem(WC_BUTTON, IDOK, "OK", BS_DEFPUSHBUTTON | WS_TABSTOP, DialogRect(135, 7, 35, 14)),
      DialogItem(WC_BUTTON, IDCANCEL, "Cancel", BS_PUSHBUTTON | WS_TABSTOP,
                 DialogRect(135, 24, 35, 14)),
      DialogItem(WC_STATIC, 0xFFFF, "Amount of dead-time [s]:", SS_LEFT, DialogRect(7, 9, 76, 9)),
      DialogItem(WC_EDIT, IDC_DEADTIME_AMOUNT, "", kFieldStyle, DialogRect(94, 7, 34, 12)),
      DialogItem(WC_STATIC, 0xFFFF, "Pade approximation order:", SS_LEFT, DialogRect(7, 28, 84, 9)),
      DialogItem(WC_EDIT, IDC_DEADTIME_ORDER, "", kDigits, DialogRect(94, 26, 32, 12)),
      DialogItem(UPDOWN_CLASS, IDC_DEADTIME_ORDER_SPIN, "", kSpinStyle,
                 DialogRect(115, 26, 11, 12)),
      DialogLabel("Row:", 7, 48, 18),
      DialogItem(WC_EDIT, IDC_DEADTIME_ROW, "", kDigits, DialogRect(29, 45, 32, 12)),
      DialogItem(UPDOWN_CLASS, IDC_DEADTIME_ROW_SPIN, "", kSpinStyle, DialogRect(51, 45, 11, 12)),
      DialogLabel("Column:", 66, 48, 26),
      DialogItem(WC_EDIT, IDC_DEADTIME_COLUMN, "", kDigits, DialogRect(94, 45, 32, 12)),
      DialogItem(UPDOWN_CLASS, IDC_DEADTIME_COLUMN_SPIN, "", kSpinStyle,
                 DialogRect(116, 45, 11, 12)),
      DialogItem(WC_BUTTON, IDC_DEADTIME_FIXED, "Fixed (not variable)",
                 BS_AUTOCHECKBOX | WS_TABSTOP, DialogRect(7, 66, 75, 10)),
  };
  return t;
}
