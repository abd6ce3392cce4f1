// "SimulationView": no controls; the bar paints its signal panes itself, so
// the template only gives its size.
#include "res/DialogTemplates.h"

QxDialogTemplate qxres::OutputBarTemplate() {
  return DialogBar("SimulationView", 350, 90);
}
