// "About Quorvathine": the icon, the version and the copyright line.
#include "res/DialogTemplates.h"
#include "res/resource.h"

QxDialogTemplate qxres::AboutBoxTemplate() {
  QxDialogTemplate about = ModalDialog("About Quorvathine", 217, 55);
  about.items = {
      DialogItem(WC_STATIC, IDC_ABOUT_ICON, "#128", SS_ICON, DialogRect(11, 17, 20, 20)),
      DialogItem(WC_STATIC, IDC_ABOUT_ICON, "Quorvathine Version 1.0", SS_LEFT | SS_NOPREFIX,
                 DialogRect(40, 10, 119, 8)),
      DialogItem(WC_STATIC, IDC_ABOUT_ICON, "Copyright (C) 2026 Plenthoria", SS_LEFT,
                 DialogRect(40, 25, 119, 8)),
      DialogItem(WC_BUTTON, IDOK, "OK", BS_DEFPUSHBUTTON | WS_GROUP | WS_TABSTOP,
                 DialogRect(178, 7, 32, 14)),
  };
  return about;
}
