#include "search/SearchGlobals.h"

std::atomic<WORD> g_wStatus{0};
CKFinder* g_pKFinder = nullptr;

// Weak, so that the loop system's own definition takes precedence wherever
// it is linked in; this one only stands in while no loop system defines it.
__attribute__((weak)) std::atomic<CQorexDoc*> g_pSimDoc{nullptr};
