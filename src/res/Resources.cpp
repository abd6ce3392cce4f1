#include "res/Resources.h"

void QxRegisterResources() {
  qxres::RegisterStrings();
  qxres::RegisterMenus();
  qxres::RegisterAccelerators();
  qxres::RegisterToolBar();
  qxres::RegisterDialogTemplates();
  qxres::RegisterIcons();
  qxres::RegisterCursors();
}
