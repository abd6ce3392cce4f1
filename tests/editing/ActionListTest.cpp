// The one list of edit actions: a number outside it (below the first or
// beyond the last; the gap has its own test) is no item.
#include "tests/editing/EditorScript.h"

#include <gtest/gtest.h>

namespace {

using edtest::EditScene;

TEST(EditorActionList, NumbersOutsideTheListRunNothing) {
  EditScene scene;
  scene.Begin({new CMcVariable("x", "", 0)});
  const std::string before = scene.Text();
  McEditStep step;
  step.pCaret = step.pNewCaret = scene.Edit().m_pCaret;
  for (int number : {0, 44, 45, 99, 200, 255}) {
    EXPECT_EQ(scene.Edit().DoAction(0, 0, ZevItemCode(number, 0), step), 0u) << number;
    EXPECT_EQ(scene.Text(), before) << number;
  }
}

}  // namespace
