// Character, name and template entry: letters, digits, "." and "_", Greek
// letters and built-in function calls.
#include "editing/Zevmcedit.h"

DWORD CZevMcEdit::InsertCharacter(DWORD, McEditStep&) {
  return 0;
}

DWORD CZevMcEdit::InsertGreek(DWORD, McEditStep&) {
  return 0;
}

DWORD CZevMcEdit::InsertFunction(DWORD, McEditStep&) {
  return 0;
}
