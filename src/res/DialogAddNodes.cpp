// "Add Nodes": the frequency range and spacing of new frequency nodes, their
// unit, and their first inertia and label. No Cancel button: the close box
// cancels.
#include "res/DialogTemplates.h"
#include "res/resource.h"

QxDialogTemplate qxres::AddNodesTemplate() {
  QxDialogTemplate t = ModalDialog("Add Nodes", 174, 89);
  constexpr DWORD kCheck = BS_AUTOCHECKBOX | WS_TABSTOP;
  t.items = {
      DialogLabel("Start at:", 7, 13, 29),
      DialogItem(WC_EDIT, IDC_NODES_START, "", kFieldStyle, DialogRect(37, 11, 40, 14)),
      DialogLabel("Stop at:", 7, 30, 29),
      DialogItem(WC_EDIT, IDC_NODES_STOP, "", kFieldStyle, DialogRect(37, 28, 40, 14)),
      DialogItem(WC_COMBOBOX, IDC_NODES_SPACING, "", CBS_DROPDOWNLIST | WS_VSCROLL | WS_TABSTOP,
                 DialogRect(7, 46, 70, 66),
                 {"Decade", "Half-decade", "Fifth-decade", "Tenth-decade"}),
      DialogItem(WC_BUTTON, IDC_NODES_RADIANS, "Radians", kCheck, DialogRect(7, 70, 42, 10)),
      DialogItem(WC_BUTTON, 0xFFFF, "Initial attributes", BS_GROUPBOX, DialogRect(84, 7, 83, 57)),
      DialogLabel("Node inertia:", 93, 18, 47),
      DialogItem(WC_EDIT, IDC_NODES_INERTIA, "", kFieldStyle, DialogRect(94, 28, 40, 14)),
      DialogItem(UPDOWN_CLASS, IDC_NODES_INERTIA_SPIN, "", kSpinStyle, DialogRect(136, 28, 10, 14)),
      DialogItem(WC_BUTTON, IDC_NODES_SHOW_LABELS, "Show labels", kCheck,
                 DialogRect(94, 48, 53, 10)),
      DialogItem(WC_BUTTON, IDOK, "OK", BS_DEFPUSHBUTTON | WS_TABSTOP, DialogRect(130, 68, 37, 14)),
  };
  return t;
}
