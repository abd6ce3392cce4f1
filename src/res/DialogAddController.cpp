// "Build Controller": the controller's type and shape, its number of pure
// integrators and whether it is made square first.
#include "res/DialogTemplates.h"
#include "res/resource.h"

QxDialogTemplate qxres::AddControllerTemplate() {
  QxDialogTemplate t = ModalDialog("Build Controller", 185, 63);
  constexpr DWORD kDropList = CBS_DROPDOWNLIST | WS_TABSTOP;
  t.items = {
      DialogLabel("Controller type:", 7, 7, 49),
      DialogItem(WC_COMBOBOX, IDC_CONTROLLER_TYPE, "", kDropList, DialogRect(7, 17, 70, 55),
                 {"Proportional", "PD", "PI", "PID"}),
      DialogLabel("Controller shape:", 7, 33, 55),
      DialogItem(WC_COMBOBOX, IDC_CONTROLLER_SHAPE, "", kDropList, DialogRect(7, 43, 70, 55),
                 {"Full", "Diagonal", "Upper triangular", "Lower triangular"}),
      DialogLabel("Type number:", 83, 7, 45),
      DialogItem(WC_EDIT, IDC_CONTROLLER_TYPE_NUMBER, "", kFieldStyle | ES_NUMBER,
                 DialogRect(84, 17, 22, 12)),
      DialogItem(UPDOWN_CLASS, IDC_CONTROLLER_SPIN, "", kSpinStyle, DialogRect(102, 18, 11, 12)),
      DialogItem(WC_BUTTON, IDOK, "OK", BS_DEFPUSHBUTTON | WS_TABSTOP, DialogRect(143, 7, 35, 14)),
      DialogItem(WC_BUTTON, IDCANCEL, "Cancel", BS_PUSHBUTTON | WS_TABSTOP,
                 DialogRect(143, 24, 35, 14)),
      DialogItem(WC_BUTTON, IDC_CONTROLLER_SQUARE, "Square matrix", BS_AUTOCHECKBOX | WS_TABSTOP,
                 DialogRect(84, 44, 57, 10)),
  };
  return t;
}
