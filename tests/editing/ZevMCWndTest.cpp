// The formula editor window driven by real mouse and key events: where a
// click starts the edit, what keys and focus do, panning and the context
// menu, undo and redo, and what its picture shows.
#include "tests/editing/ZevMCWndTestSupport.h"

#include <gtest/gtest.h>

namespace {

using namespace wndtest;
using namespace qxtest::trees;

class EditorWindow : public EditorWindowTest {};

TEST_F(EditorWindow, AClickEditsAtTheDeepestNodeAndKeysEditTheTree) {
  CMcBasic* model = Div(Real(1), Sum({S(), Real(1)}));
  Editor().Fill({model});
  CMcBasic* one = model->m_children[0];
  Editor().Click(one);
  ASSERT_EQ(Wnd().m_edit.m_pCaret, one);
  Editor().Key(VK_BACK);
  Editor().Type("2");
  EXPECT_EQ(Editor().ShownText(), "Division(2@1,Listsum(s,1))");
}

}  // namespace
