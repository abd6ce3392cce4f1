// "Equalizer properties": two columns of labelled fields. The population and
// its breeding on the left, the searches on the right; every integer field
// has its up-down control right after it, the two real fields have none. OK
// is the only button: Esc and the close box leave the settings alone.
#include "res/DialogTemplates.h"
#include "res/resource.h"

namespace {

constexpr int kLeft = 7, kRight = 95, kFieldWidth = 70, kRow = 27;

// A label over its field, in row r of the column at x.
void Field(QxDialogTemplate& t, const char* label, int x, int r, UINT id, bool integer) {
  using namespace qxres;
  const int y = 7 + kRow * r;
  t.items.push_back(DialogLabel(label, x, y, kFieldWidth));
  t.items.push_back(DialogItem(WC_EDIT, id, "", kFieldStyle | (integer ? ES_NUMBER : 0),
                               DialogRect(x, y + 10, kFieldWidth, 13)));
}

void Spin(QxDialogTemplate& t, UINT id, int x, int r) {
  using namespace qxres;
  t.items.push_back(DialogItem(UPDOWN_CLASS, id, "", kSpinStyle,
                               DialogRect(x + kFieldWidth - 11, 17 + kRow * r, 11, 13)));
}

}  // namespace

QxDialogTemplate qxres::EqualizerPropTemplate() {
  QxDialogTemplate t = ModalDialog("Equalizer properties", 180, 138);
  Field(t, "Max population:", kLeft, 0, IDC_PROP_MAX_POPULATION, true);
  Spin(t, IDC_PROP_MAX_POPULATION_SPIN, kLeft, 0);
  Field(t, "% Reduction:", kLeft, 1, IDC_PROP_REDUCTION, true);
  Spin(t, IDC_PROP_REDUCTION_SPIN, kLeft, 1);
  Field(t, "Amount offspring:", kLeft, 2, IDC_PROP_OFFSPRING, true);
  Spin(t, IDC_PROP_OFFSPRING_SPIN, kLeft, 2);
  Field(t, "% Mutation:", kLeft, 3, IDC_PROP_MUTATION, true);
  Spin(t, IDC_PROP_MUTATION_SPIN, kLeft, 3);
  Field(t, "Global iterations:", kRight, 0, IDC_PROP_GLOBAL, true);
  Spin(t, IDC_PROP_GLOBAL_SPIN, kRight, 0);
  Field(t, "Local iterations:", kRight, 1, IDC_PROP_LOCAL, true);
  Spin(t, IDC_PROP_LOCAL_SPIN, kRight, 1);
  Field(t, "Error suppression:", kRight, 2, IDC_PROP_ERROR_SUPPRESSION, false);
  Field(t, "Mag supr knee:", kRight, 3, IDC_PROP_KNEE, false);
  t.items.push_back(DialogItem(WC_BUTTON, IDOK, "OK", BS_DEFPUSHBUTTON | WS_TABSTOP,
                               DialogRect(136, 117, 37, 14)));
  return t;
}
