// "Simulator Properties": sampling and final time, the watchdog's error
// tolerance and the run buffer's size, each with its unit.
#include "res/DialogTemplates.h"
#include "res/resource.h"

QxDialogTemplate qxres::TimeBoxTemplate() {
  QxDialogTemplate t = ModalDialog("Simulator Properties", 166, 86);
  t.exStyle = WS_EX_TOOLWINDOW;
  t.items = {
      DialogLabel("Sampling time:", 7, 7, 46),
      DialogItem(WC_EDIT, IDC_TIME_SAMPLING, "", kFieldStyle, DialogRect(7, 17, 45, 13)),
      DialogLabel("[s]", 57, 19, 10),
      DialogLabel("Final time:", 7, 34, 32),
      DialogItem(WC_EDIT, IDC_TIME_FINAL, "", kFieldStyle, DialogRect(7, 44, 45, 13)),
      DialogLabel("[s]", 56, 46, 10),
      DialogLabel("Watchdog error tolerance:", 72, 7, 88),
      DialogItem(WC_EDIT, IDC_TIME_TOLERANCE, "", kFieldStyle, DialogRect(71, 17, 45, 13)),
      DialogLabel("[%]", 121, 19, 10),
      DialogLabel("Realtime buffer size:", 72, 34, 64),
      DialogItem(WC_EDIT, IDC_TIME_BUFFER, "", kFieldStyle | ES_NUMBER, DialogRect(72, 44, 45, 13)),
      DialogLabel("[runs]", 122, 47, 23),
      DialogItem(WC_BUTTON, IDOK, "OK", BS_DEFPUSHBUTTON | WS_TABSTOP, DialogRect(122, 65, 37, 14)),
  };
  return t;
}
