#include "simulation/SIMsearch.h"

namespace {
CSIMsearchUi* s_pUi = nullptr;
}

void SetSearchUi(CSIMsearchUi* ui) {
  s_pUi = ui;
}

CSIMsearchUi* GetSearchUi() {
  return s_pUi;
}
