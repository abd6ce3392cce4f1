// "Frequency Diagram Properties": the sweep (steps, start and stop frequency,
// tick step), the bands shown and the unit of the frequencies. No Cancel
// button: Escape and the close box cancel.
#include "res/DialogTemplates.h"
#include "res/resource.h"

QxDialogTemplate qxres::FreqPropertiesTemplate() {
  QxDialogTemplate t = ModalDialog("Frequency Diagram Properties", 176, 79);
  t.items = {
      DialogLabel("# Steps:", 7, 7, 31),
      DialogItem(WC_EDIT, IDC_FREQ_STEPS, "", kFieldStyle, DialogRect(7, 16, 45, 13)),
      DialogLabel("Start frequency:", 62, 7, 50),
      DialogItem(WC_EDIT, IDC_FREQ_START, "", kFieldStyle, DialogRect(63, 16, 45, 13)),
      DialogLabel("Stop frequency:", 118, 7, 51),
      DialogItem(WC_EDIT, IDC_FREQ_STOP, "", kFieldStyle, DialogRect(119, 16, 45, 13)),
      DialogLabel("Tick nth step:", 7, 34, 46),
      DialogItem(WC_EDIT, IDC_FREQ_TICKSTEP, "", kFieldStyle, DialogRect(7, 43, 45, 13)),
      DialogItem(WC_BUTTON, IDC_FREQ_GERSHGORIN, "Gershgorin circles", BS_AUTOCHECKBOX | WS_TABSTOP,
                 DialogRect(63, 35, 69, 10)),
      DialogItem(WC_BUTTON, IDC_FREQ_OSTROWSKI, "Ostrowski circles", BS_AUTOCHECKBOX | WS_TABSTOP,
                 DialogRect(63, 47, 66, 10)),
      DialogItem(WC_BUTTON, IDOK, "OK", BS_DEFPUSHBUTTON | WS_TABSTOP, DialogRect(132, 58, 37, 14)),
      DialogItem(WC_BUTTON, IDC_RADIANS, "Radians", BS_AUTOCHECKBOX | WS_TABSTOP,
                 DialogRect(7, 62, 42, 10)),
  };
  return t;
}
