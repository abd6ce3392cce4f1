// Structural inserts: the actions that build a new node kind around the caret
// node or next to it.
#include "editing/Zevmcedit.h"

DWORD CZevMcEdit::InsertOperator(DWORD, McEditStep&) {
  return 0;
}

DWORD CZevMcEdit::InsertLog(DWORD, McEditStep&) {
  return 0;
}

DWORD CZevMcEdit::InsertLimit(DWORD, McEditStep&) {
  return 0;
}

DWORD CZevMcEdit::InsertDomain(DWORD, McEditStep&) {
  return 0;
}

DWORD CZevMcEdit::InsertPower(DWORD, McEditStep&) {
  return 0;
}

DWORD CZevMcEdit::InsertRoot(DWORD, McEditStep&) {
  return 0;
}

DWORD CZevMcEdit::InsertDivision(DWORD, McEditStep&) {
  return 0;
}

DWORD CZevMcEdit::InsertEvalAt(DWORD, McEditStep&) {
  return 0;
}

DWORD CZevMcEdit::InsertRelation(DWORD, McEditStep&) {
  return 0;
}

DWORD CZevMcEdit::InsertDerivative(DWORD, McEditStep&) {
  return 0;
}

DWORD CZevMcEdit::InsertIntegral(DWORD, McEditStep&) {
  return 0;
}

DWORD CZevMcEdit::InsertNamedFunction(DWORD, McEditStep&) {
  return 0;
}

DWORD CZevMcEdit::InsertSum(DWORD, McEditStep&) {
  return 0;
}

DWORD CZevMcEdit::InsertTerm(DWORD, McEditStep&) {
  return 0;
}

DWORD CZevMcEdit::InsertFactor(DWORD, McEditStep&) {
  return 0;
}

DWORD CZevMcEdit::InsertMatrix(DWORD, McEditStep&) {
  return 0;
}

DWORD CZevMcEdit::InsertSpecialValue(DWORD, McEditStep&) {
  return 0;
}
