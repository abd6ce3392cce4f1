// "View Effective Models": the list of the effective models (the texts keep
// their double and trailing blanks) above the formula editor window (made by
// the dialog), and the choice of form.
#include "res/DialogTemplates.h"
#include "res/resource.h"

QxDialogTemplate qxres::ViewModelsTemplate() {
  QxDialogTemplate t = ModalDialog("View Effective Models", 280, 210);
  t.items = {
      DialogItem(WC_COMBOBOX, IDC_VIEW_MODEL, "", CBS_DROPDOWNLIST | WS_VSCROLL | WS_TABSTOP,
                 DialogRect(7, 7, 122, 145),
                 {"P  Pre-filter", "K  Controller", "G  Process", "L  Post-compensator",
                  "F  Feedback element", "GK", "LGK", "FLGK", "I+FLGK",
                  "|I+FLGK|=0  Pole Characteristic ", "|FLGK|=0  Transmission Zeros "}),
      DialogItem(WC_BUTTON, IDOK, "Close", BS_DEFPUSHBUTTON | WS_TABSTOP,
                 DialogRect(241, 7, 32, 14)),
      DialogItem(WC_BUTTON, IDC_VIEW_POLYNOMIAL, "View as polynomial", BS_AUTOCHECKBOX | WS_TABSTOP,
                 DialogRect(135, 9, 75, 10)),
  };
  return t;
}
