// "Edit Models": the model list and the builder and library buttons above the
// formula editor window (made by the dialog), the model's three flags below.
// No Cancel button: the close box cancels.
#include "res/DialogTemplates.h"
#include "res/resource.h"
#include "simulation/SIMsystem.h"  // the models' titles

QxDialogTemplate qxres::EditModelsTemplate() {
  QxDialogTemplate t = ModalDialog("Edit Models", 327, 210);
  constexpr DWORD kPush = BS_PUSHBUTTON | WS_TABSTOP;
  constexpr DWORD kCheck = BS_AUTOCHECKBOX | WS_TABSTOP;
  std::vector<CString> titles;
  for (const SIMmodelWiring& model : kModelWiring) titles.emplace_back(model.title);
  t.items = {
      DialogItem(WC_COMBOBOX, IDC_MODEL, "", CBS_DROPDOWNLIST | WS_VSCROLL | WS_TABSTOP,
                 DialogRect(7, 7, 90, 60), std::move(titles)),
      DialogItem(WC_BUTTON, IDC_MODEL_BUILD, "Build", kPush, DialogRect(102, 7, 48, 14)),
      DialogItem(WC_BUTTON, IDC_MODEL_DEADTIME, "Dead-time", kPush, DialogRect(154, 7, 48, 14)),
      DialogItem(WC_BUTTON, IDC_CHOOSE, "Choose...", kPush, DialogRect(206, 7, 35, 14)),
      DialogItem(WC_BUTTON, IDC_ADD_TO_LIBRARY, "Add", kPush, DialogRect(245, 7, 35, 14)),
      DialogItem(WC_BUTTON, IDOK, "OK", BS_DEFPUSHBUTTON | WS_TABSTOP, DialogRect(288, 7, 32, 14)),
      DialogItem(WC_BUTTON, IDC_MODEL_SQUARE, "Ensure square matrix", kCheck,
                 DialogRect(7, 193, 81, 10)),
      DialogItem(WC_BUTTON, IDC_MODEL_ALLOW_TUNING, "Allow automatic modification", kCheck,
                 DialogRect(111, 193, 105, 10)),
      DialogItem(WC_BUTTON, IDC_MODEL_SHOW_POLES, "Show poles && zeros", kCheck,
                 DialogRect(243, 193, 77, 10)),
  };
  return t;
}
