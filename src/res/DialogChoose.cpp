// "Choose from list": the library's expressions drawn by the dialog in an
// owner-drawn list of variable item heights, and "Delete".
#include "res/DialogTemplates.h"
#include "res/resource.h"

QxDialogTemplate qxres::ChooseTemplate() {
  QxDialogTemplate t = ModalDialog("Choose from list", 186, 142);
  t.items = {
      DialogItem(WC_BUTTON, IDOK, "OK", BS_DEFPUSHBUTTON | WS_TABSTOP, DialogRect(144, 7, 35, 14)),
      DialogItem(WC_BUTTON, IDC_CHOOSE_DELETE, "Delete", BS_PUSHBUTTON | WS_TABSTOP,
                 DialogRect(144, 23, 35, 15)),
      DialogItem(WC_LISTBOX, IDC_CHOOSE_LIST, "",
                 LBS_NOTIFY | LBS_OWNERDRAWVARIABLE | LBS_NOINTEGRALHEIGHT | WS_VSCROLL |
                     WS_BORDER | WS_TABSTOP,
                 DialogRect(7, 7, 133, 128)),
  };
  return t;
}
