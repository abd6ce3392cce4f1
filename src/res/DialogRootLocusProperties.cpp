// "Root Locus Properties": six labelled number fields in rows of 61-unit
// columns, and OK.
#include "res/DialogTemplates.h"
#include "res/resource.h"

namespace {

// A label with its edit below it.
void Field(QxDialogTemplate& t, UINT id, const char* label, int x, int y, int labelWidth = 58) {
  t.items.push_back(qxres::DialogLabel(label, x, y, labelWidth));
  t.items.push_back(
      qxres::DialogItem(WC_EDIT, id, "", qxres::kFieldStyle, qxres::DialogRect(x, y + 10, 55, 12)));
}

}  // namespace

QxDialogTemplate qxres::RootLocusPropertiesTemplate() {
  QxDialogTemplate t = ModalDialog("Root Locus Properties", 189, 89);
  // Tab order follows the rows: log steps, minimum gain, maximum gain;
  // linear steps, root inertia; pole-zero cancellation; OK.
  Field(t, IDC_RL_LOGSTEPS, "# Logarithmic steps:", 7, 7);
  Field(t, IDC_RL_MINGAIN, "Minimum gain:", 68, 7);
  Field(t, IDC_RL_MAXGAIN, "Maximum gain:", 129, 7);
  Field(t, IDC_RL_LINSTEPS, "# Linear steps:", 7, 34);
  Field(t, IDC_RL_INERTIA, "Root inertia:", 68, 34);
  Field(t, IDC_RL_CANCELTOL, "Pole-zero cancellation:", 7, 61, 90);
  t.items.push_back(DialogItem(WC_BUTTON, IDOK, "OK", BS_DEFPUSHBUTTON | WS_TABSTOP,
                               DialogRect(129, 68, 53, 14)));
  return t;
}
