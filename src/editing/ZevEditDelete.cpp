// Deletion: Backspace and Delete, on characters in text mode, else on the tree.
#include "editing/Zevmcedit.h"

DWORD CZevMcEdit::DeleteLeft(DWORD, McEditStep&) {
  return 0;
}

DWORD CZevMcEdit::DeleteRight(DWORD, McEditStep&) {
  return 0;
}
