// "Root Locus Properties": six labelled number fields in rows of three
// columns, and OK. The first column is the widest: it holds the longest label,
// "# Logarithmic steps:".
#include "res/DialogTemplates.h"
#include "res/resource.h"

namespace {

struct Column {
  int x;
  int width;
};
constexpr Column kColumns[] = {{7, 63}, {73, 53}, {129, 53}};

// A label with its edit below it, in a column; a label may run wider than its
// column where nothing stands beside it.
void Field(QxDialogTemplate& t, UINT id, const char* label, Column column, int y,
           int labelWidth = 0) {
  t.items.push_back(qxres::DialogLabel(label, column.x, y, labelWidth ? labelWidth : column.width));
  t.items.push_back(qxres::DialogItem(WC_EDIT, id, "", qxres::kFieldStyle,
                                      qxres::DialogRect(column.x, y + 10, 53, 12)));
}

}  // namespace

QxDialogTemplate qxres::RootLocusPropertiesTemplate() {
  QxDialogTemplate t = ModalDialog("Root Locus Properties", 189, 89);
  // Tab order follows the rows: log steps, minimum gain, maximum gain;
  // linear steps, root inertia; pole-zero cancellation; OK.
  Field(t, IDC_RL_LOGSTEPS, "# Logarithmic steps:", kColumns[0], 7);
  Field(t, IDC_RL_MINGAIN, "Minimum gain:", kColumns[1], 7);
  Field(t, IDC_RL_MAXGAIN, "Maximum gain:", kColumns[2], 7);
  Field(t, IDC_RL_LINSTEPS, "# Linear steps:", kColumns[0], 34);
  Field(t, IDC_RL_INERTIA, "Root inertia:", kColumns[1], 34);
  Field(t, IDC_RL_CANCELTOL, "Pole-zero cancellation:", kColumns[0], 61, 90);
  t.items.push_back(DialogItem(WC_BUTTON, IDOK, "OK", BS_DEFPUSHBUTTON | WS_TABSTOP,
                               DialogRect(129, 68, 53, 14)));
  return t;
}
