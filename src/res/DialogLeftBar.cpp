// "ProcessView": no controls; the bar paints its loop diagram itself, so the
// template only gives its size.
#include "res/DialogTemplates.h"

QxDialogTemplate qxres::LeftBarTemplate() {
  return DialogBar("ProcessView", 150, 65);
}
