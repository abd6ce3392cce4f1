#include "search/SearchGlobals.h"

std::atomic<WORD> g_wStatus{0};
CKFinder* g_pKFinder = nullptr;
