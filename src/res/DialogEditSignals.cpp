// "Edit Signals": the signal list, "Show signal" and the library buttons above
// the formula editor window (made by the dialog). No Cancel button: the close
// box cancels.
#include "res/DialogTemplates.h"
#include "res/resource.h"

QxDialogTemplate qxres::EditSignalsTemplate() {
  QxDialogTemplate t = ModalDialog("Edit Signals", 288, 191);
  constexpr DWORD kPush = BS_PUSHBUTTON | WS_TABSTOP;
  t.items = {
      DialogItem(WC_COMBOBOX, IDC_SIGNAL, "", CBS_DROPDOWNLIST | WS_VSCROLL | WS_TABSTOP,
                 DialogRect(7, 7, 104, 102),
                 {"Setpoint", "Input disturbance", "Output disturbance", "Measurement noise",
                  "Control action minimum", "Control action maximum", "Realtime conditioning of U",
                  "Realtime conditioning of Y", "Realtime error weight"}),
      DialogItem(WC_BUTTON, IDC_SIGNAL_SHOW, "Show signal", BS_AUTOCHECKBOX | WS_TABSTOP,
                 DialogRect(114, 9, 51, 10)),
      DialogItem(WC_BUTTON, IDC_CHOOSE, "Choose...", kPush, DialogRect(168, 7, 35, 14)),
      DialogItem(WC_BUTTON, IDC_ADD_TO_LIBRARY, "Add", kPush, DialogRect(207, 7, 35, 14)),
      DialogItem(WC_BUTTON, IDOK, "OK", BS_DEFPUSHBUTTON | WS_TABSTOP, DialogRect(249, 7, 32, 14)),
  };
  return t;
}
