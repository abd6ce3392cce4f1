// The formula editor's key map and log: which (key, flags) pairs become which
// items, how the log grows and is cut, and what undo and redo give back.
#include "tests/editing/EditorScript.h"

#include <gtest/gtest.h>

namespace {

using edtest::EditScene;

// The item a (key, flags) pair runs, as the engine's dispatch maps it: run on
// an empty placeholder so that most actions accept; 0 when nothing was logged.
DWORD LoggedItem(UINT key, UINT flags) {
  EditScene scene;
  scene.BeginEmpty();
  if (!scene.Edit().OnKey(key, flags)) return 0;
  return scene.Edit().GetLogCode(0);
}

TEST(EditorKeyMap, MessagesBecomeTheirItems) {
  const struct {
    const char* what;
    UINT key, flags;
    int action, parameter;
  } rows[] = {
      {"letter", 'x', 0, kZevInsertCharacter, 'x'},
      {"capital with Shift", 'X', kZevKeyShift, kZevInsertCharacter, 'X' | (kZevKeyShift << 8)},
      {"digit in text mode", '7', kZevKeyText, kZevInsertCharacter, '7' | (kZevKeyText << 8)},
      {"Ctrl+D", 4, kZevKeyCtrl, kZevInsertDerivative, 0},
      {"Shift+Ctrl+D", 4, kZevKeyCtrl | kZevKeyShift, kZevInsertDerivative, 2},
      {"Ctrl+R", 18, kZevKeyCtrl, kZevInsertRoot, 3},
      {"Ctrl+L", 12, kZevKeyCtrl, kZevInsertLog, 0},
      {"Ctrl+F", 6, kZevKeyCtrl, kZevInsertNamedFunction, 0},
      {"Ctrl+P", 16, kZevKeyCtrl, kZevInsertPower, 0},
      {"caret", '^', kZevKeyShift, kZevInsertPower, 0},
      {"Ctrl+minus key", VK_OEM_MINUS, kZevKeyDown | kZevKeyCtrl, kZevInsertTerm,
       4 | ((kZevKeyDown | kZevKeyCtrl) << 8)},
      {"Enter key-down", VK_RETURN, kZevKeyDown, kZevNewRow, 0},
      {"Tab key-down", VK_TAB, kZevKeyDown, kZevTabOrWhere, 0},
      {"minus", '-', 0, kZevInsertTerm, 1},
      {"blank", ' ', 0, kZevInsertTerm, 0},
      {"plus with Shift", '+', kZevKeyShift, kZevInsertTerm, kZevKeyShift << 8},
      {"bracket", '(', kZevKeyShift, kZevInsertOperator, 22},
      {"factorial", '!', kZevKeyShift, kZevInsertOperator, 15},
      {"floor", ']', 0, kZevInsertOperator, 3},
      {"ceiling", '}', kZevKeyShift, kZevInsertOperator, 4},
      {"and", '&', kZevKeyShift, kZevInsertRelation, 20},
      {"or", '|', kZevKeyShift, kZevInsertRelation, 21},
      {"equals", '=', 0, kZevInsertRelation, 0},
      {"less", '<', kZevKeyShift, kZevInsertRelation, 6},
      {"greater", '>', kZevKeyShift, kZevInsertRelation, 7},
      {"tilde", '~', kZevKeyShift, kZevInsertRelation, 4},
      {"times", '*', kZevKeyShift, kZevInsertFactor, 0},
      {"over", '/', 0, kZevInsertDivision, 0},
      {"small over", '\\', 0, kZevInsertDivision, 1},
      {"evaluate at", '@', kZevKeyShift, kZevInsertEvalAt, 0},
      {"matrix", '[', 0, kZevInsertMatrix, 0},
  };
  for (const auto& r : rows) {
    SCOPED_TRACE(r.what);
    const DWORD code = LoggedItem(r.key, r.flags);
    EXPECT_EQ(ZevItemAction(code), r.action);
    EXPECT_EQ(ZevItemParameter(code), r.parameter);
    EXPECT_EQ(ZevItemLength(code), 1);
  }
}

TEST(EditorKeyMap, PairsThatMapToNothing) {
  const struct {
    const char* what;
    UINT key, flags;
  } rows[] = {
      {"Enter's character message", 13, 0},
      {"Tab's character message", 9, 0},
      {"minus key without Ctrl", VK_OEM_MINUS, kZevKeyDown},
      {"a letter's key-down", 'X', kZevKeyDown},
      {"a letter with Alt", 'x', kZevKeyAlt},
      {"a letter with Ctrl", 'x', kZevKeyCtrl},
      {"Home", VK_HOME, kZevKeyDown},
      {"a character of no action", '#', kZevKeyShift},
  };
  for (const auto& r : rows) {
    SCOPED_TRACE(r.what);
    EditScene scene;
    scene.BeginEmpty();
    const std::string before = scene.Text();
    EXPECT_FALSE(scene.Edit().OnKey(r.key, r.flags));
    EXPECT_EQ(scene.Edit().GetLogLength(), 0);
    EXPECT_EQ(scene.Text(), before);
  }
}

// An item whose action is 24-37 is no item: the key decides, and in a replay
// the key is 0, so nothing runs.
TEST(EditorKeyMap, ActionsWithoutAMemberAreNoItem) {
  EditScene scene;
  scene.BeginEmpty();
  McEditStep step;
  step.pCaret = step.pNewCaret = scene.Edit().m_pCaret;
  for (int action = 24; action <= 37; ++action) {
    EXPECT_EQ(scene.Edit().DoAction(0, 0, ZevItemCode(action, 0), step), 0u) << action;
    // With a key, the key's own item runs.
  }
  EXPECT_EQ(ZevItemAction(scene.Edit().DoAction('x', 0, ZevItemCode(30, 0), step)),
            kZevInsertCharacter);
}

TEST(EditorLog, CapacityDoublesAtTwoLessThanFull) {
  EditScene scene;
  scene.BeginEmpty();
  const struct {
    int length, capacity;
  } rows[] = {{1, 4}, {2, 8}, {5, 8}, {6, 16}, {13, 16}, {14, 32}};
  int typed = 0;
  for (const auto& r : rows) {
    // Right and left arrows move without end between the two sides.
    while (typed < r.length) {
      ASSERT_TRUE(scene.Edit().OnKey(typed % 2 ? VK_RIGHT : VK_LEFT, kZevKeyDown));
      ++typed;
    }
    EXPECT_EQ(scene.Edit().GetLogLength(), r.length);
    EXPECT_EQ(scene.Edit().GetLogCapacity(), r.capacity) << "at length " << r.length;
  }
}

TEST(EditorLog, NothingHappensWithoutAnEdit) {
  CZevMcEdit edit;
  EXPECT_FALSE(edit.OnKey('x', 0));
  EXPECT_FALSE(edit.Undo());
  EXPECT_FALSE(edit.Redo());
  EXPECT_FALSE(edit.UpdateCaret(nullptr));
}

TEST(EditorBegin, AGroupWithoutAShownChildBeginsNothing) {
  EditScene scene;
  scene.Begin({});
  EXPECT_FALSE(scene.Edit().IsEditing());
  // A current index beyond the children names no child either.
  scene.Begin({new CMcNull(0)});
  scene.List()->m_current = 3;
  scene.Edit().BeginEdit(scene.List(), nullptr, FALSE);
  EXPECT_FALSE(scene.Edit().IsEditing());
  // A node outside any group has no list to edit in.
  CMcNull loose(0);
  scene.Edit().BeginEdit(&loose, nullptr, FALSE);
  EXPECT_FALSE(scene.Edit().IsEditing());
}

// A signed factor of a product is drawn in parentheses; wrapped in a matrix
// with the caret left on it, it is no factor any more and loses them, as a
// replay of the same keys gives.
TEST(EditorLayout, AFactorsParenthesesStayInTheProduct) {
  EditScene scene;
  scene.BeginEmpty();
  scene.Type("y*-x");
  EXPECT_EQ(scene.Text(), "Listmult(y,-x[P]@1)");
  scene.Type("[");
  EXPECT_EQ(scene.Text(), "Listmult(y,-Matrix(x@1)[P,C1])");
}

}  // namespace
