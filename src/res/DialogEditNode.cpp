// "Edit Node": the frequency and inertia of one frequency node, its unit and
// whether its label shows. No Cancel button: Escape and the close box cancel.
#include "res/DialogTemplates.h"
#include "res/resource.h"

QxDialogTemplate qxres::EditNodeTemplate() {
  QxDialogTemplate t = ModalDialog("Edit Node", 134, 68);
  t.items = {
      DialogLabel("Node frequency:", 7, 7, 54),
      DialogItem(WC_EDIT, IDC_NODE_FREQUENCY, "", kFieldStyle, DialogRect(8, 17, 69, 13)),
      DialogLabel("Node inertia:", 82, 7, 41),
      DialogItem(WC_EDIT, IDC_NODE_INERTIA, "", kFieldStyle, DialogRect(82, 17, 45, 13)),
      DialogItem(WC_BUTTON, IDC_RADIANS, "Radians", BS_AUTOCHECKBOX | WS_TABSTOP,
                 DialogRect(8, 36, 57, 10)),
      DialogItem(WC_BUTTON, IDC_NODE_SHOWLABEL, "Show label", BS_AUTOCHECKBOX | WS_TABSTOP,
                 DialogRect(8, 51, 57, 10)),
      DialogItem(WC_BUTTON, IDOK, "OK", BS_DEFPUSHBUTTON | WS_TABSTOP, DialogRect(90, 47, 37, 14)),
  };
  return t;
}
