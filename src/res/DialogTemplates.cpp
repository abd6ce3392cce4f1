// The one list of the program's dialog templates.
#include "res/DialogTemplates.h"

#include "res/Resources.h"
#include "res/resource.h"

void qxres::RegisterDialogTemplates() {
  const struct {
    UINT id;
    QxDialogTemplate (*make)();
  } kTemplates[] = {
      {IDD_ABOUTBOX, AboutBoxTemplate},
      {IDD_COMMENTBAR, CommentBarTemplate},
      {IDD_LEFTBAR, LeftBarTemplate},
      {IDD_VARBAR, VarBarTemplate},
      {IDD_TIMEBOX, TimeBoxTemplate},
      {IDD_OUTPUTBAR, OutputBarTemplate},
      {IDD_RLPROPERTIES, RootLocusPropertiesTemplate},
      {IDD_EQUALIZERBAR, EqualizerBarTemplate},
      {IDD_EDITNODE, EditNodeTemplate},
      {IDD_FREQPROPERTIES, FreqPropertiesTemplate},
      {IDD_EDITMODELS, EditModelsTemplate},
      {IDD_EDITSIGNALS, EditSignalsTemplate},
      {IDD_ADDCONTROLLER, AddControllerTemplate},
      {IDD_ADDDEADTIME, AddDeadTimeTemplate},
      {IDD_CHOOSE, ChooseTemplate},
      {IDD_ADDNODES, AddNodesTemplate},
      {IDD_VIEWMODELS, ViewModelsTemplate},
      {IDD_EQUALIZERPROP, EqualizerPropTemplate},
  };
  for (const auto& t : kTemplates) QxRegisterDialogTemplate(t.id, t.make());
}
