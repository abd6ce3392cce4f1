// Caret movement, rows, tabs, placeholders, parentheses and symbol styles.
#include "editing/Zevmcedit.h"

DWORD CZevMcEdit::Parenthesize(DWORD, McEditStep&) {
  return 0;
}

DWORD CZevMcEdit::NextPlaceholder(DWORD, McEditStep&) {
  return 0;
}

DWORD CZevMcEdit::SetSymbolStyle(DWORD, McEditStep&) {
  return 0;
}

DWORD CZevMcEdit::MoveCaret(DWORD, McEditStep&) {
  return 0;
}

DWORD CZevMcEdit::MoveCaretOut(DWORD, McEditStep&) {
  return 0;
}

DWORD CZevMcEdit::NewRow(DWORD, McEditStep&) {
  return 0;
}

DWORD CZevMcEdit::TabOrWhere(DWORD, McEditStep&) {
  return 0;
}
