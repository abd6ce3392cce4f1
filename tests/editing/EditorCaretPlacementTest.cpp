// Where the editor puts the window's caret: beside the node, or inside a name
// or a typed number in text mode, measured as the node's own layout measures.
#include "tests/editing/EditorScript.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using edtest::EditScene;
using qxtest::trees::Real;
using qxtest::trees::Variable;

// Records what the engine asks of its window.
class RecordingHost : public ZevEditHost {
 public:
  CPoint GetScrollOffset() const override { return m_scroll; }
  void ShowCaretAt(int x, int y, int width, int height) override {
    m_calls.push_back("caret " + std::to_string(x) + "," + std::to_string(y) + " " +
                      std::to_string(width) + "x" + std::to_string(height));
  }
  void DestroyCaret() override { m_calls.push_back("destroy"); }
  void InvalidateAll(BOOL erase) override { m_calls.push_back(erase ? "erase" : "invalidate"); }

  CPoint m_scroll{0, 0};
  std::vector<std::string> m_calls;
};

// The absolute left and top of a laid-out node.
CPoint Origin(const CMcBasic* node) {
  CPoint p(0, 0);
  for (; node; node = node->m_parent) {
    p.x += node->m_box.x;
    p.y += node->m_box.y;
  }
  return p;
}

TEST(EditorCaretPlacement, TheWindowGetsTheCaretMinusItsScrollAndOneInvalidation) {
  EditScene scene;
  scene.Begin({Variable("x")});
  CMcBasic* x = scene.Expression();
  RecordingHost host;
  host.m_scroll = CPoint(5, 7);
  scene.Edit().BeginEdit(x, &host, TRUE);
  const CPoint at = Origin(x);
  ASSERT_EQ(host.m_calls.size(), 2u);
  // Caret side 1 when editing begins: after the node.
  EXPECT_EQ(host.m_calls[0], "caret " + std::to_string(at.x + x->m_box.width - 5) + "," +
                                 std::to_string(at.y - 7) + " 0x" +
                                 std::to_string(x->m_box.height));
  EXPECT_EQ(host.m_calls[1], "erase");
  host.m_calls.clear();
  scene.Edit().EndEdit(&host);
  EXPECT_EQ(host.m_calls, (std::vector<std::string>{"destroy", "erase"}));
  // Without a window nothing is placed and nothing breaks.
  scene.Edit().BeginEdit(x, nullptr, TRUE);
  EXPECT_TRUE(scene.Edit().UpdateCaret(nullptr));
  scene.Edit().EndEdit(nullptr);
  EXPECT_FALSE(scene.Edit().UpdateCaret(&host));
  EXPECT_TRUE(host.m_calls.size() == 2u);
}

// In every style, the caret at the end of a name (side 1) stands at the right
// edge of the node's box and at the start of the name for side 0: measured as
// the drawing measures, bold only for the bold decoration (code 3, not "any").
// Real fonts, so that bold and plain faces differ in width.
TEST(EditorCaretPlacement, CaretAndNameAgreeInEveryStyle) {
  if (g_pMemDC == nullptr) InitGlobalResources();
  const int saved = g_nDisplaySettings;
  g_nDisplaySettings |= kDisplayTextMode;
  const struct {
    const char* what;
    WORD flags;
    const char* subscript;
  } rows[] = {
      {"plain", 0, ""},
      {"bold", 3 << 9, ""},
      {"any: not bold", 11 << 9, ""},
      {"bold constant", 0x100 | (3 << 9), ""},
      {"Greek", 0x10, ""},
      {"bold Greek", 0x10 | (3 << 9), ""},
      {"with a subscript", 0, "12"},
      {"bold with a subscript", 3 << 9, "max"},
      {"smaller", 2 << 6, "0"},
  };
  for (const auto& r : rows) {
    SCOPED_TRACE(r.what);
    CMcGroup list(Variable("Wxyz", r.flags, r.subscript), "", 0);
    list.Layout(g_pMemDC, kMcLayoutFromTop);
    const CMcBasic* v = list.m_children[0];
    const CPoint at = Origin(v);
    ZevCaretBox end, start;
    ASSERT_TRUE(ZevCaretGeometry(g_pMemDC, v, 1, nullptr, true, &end));
    ASSERT_TRUE(ZevCaretGeometry(g_pMemDC, v, 0, nullptr, true, &start));
    const int prefix = static_cast<const CMcVariable*>(v)->GetCaretPos(g_pMemDC);
    EXPECT_EQ(start.x, at.x + prefix);
    EXPECT_EQ(end.x, at.x + v->m_box.width);
    if (r.subscript[0] == '\0') {
      EXPECT_EQ(end.height, v->m_box.height);
    }
    // Inside the name the caret moves right with each character.
    ZevCaretBox previous = start;
    for (int side = 2; side <= 5; ++side) {
      ZevCaretBox box;
      ZevCaretGeometry(g_pMemDC, v, side, nullptr, true, &box);
      EXPECT_GT(box.x, previous.x) << "side " << side;
      previous = box;
    }
  }
  g_nDisplaySettings = saved;
}

TEST(EditorCaretPlacement, BesideTheNodeOutsideTextMode) {
  EditScene scene;
  scene.Begin({Variable("abc")});
  const CMcBasic* v = scene.Expression();
  const CPoint at = Origin(v);
  for (const int side : {0, 1, 3}) {
    ZevCaretBox box;
    ASSERT_TRUE(ZevCaretGeometry(g_pMemDC, v, side, nullptr, false, &box));
    EXPECT_EQ(box.x, side == 0 ? at.x : at.x + v->m_box.width) << side;
    EXPECT_EQ(box.y, at.y);
    EXPECT_EQ(box.height, v->m_box.height);
  }
  ZevCaretBox none;
  EXPECT_FALSE(ZevCaretGeometry(g_pMemDC, nullptr, 1, nullptr, false, &none));
}

// A number being typed in text mode shows its typed text; the caret stands
// after the typed characters, at the end for side 1.
TEST(EditorCaretPlacement, InsideATypedNumber) {
  EditScene scene;
  scene.Begin({Real(1.5)});
  CMcBasic* number = scene.Expression();
  std::snprintf(scene.Edit().m_szNumber, kMcNumberTextSize, "1.50");
  number->Layout(g_pMemDC, kMcLayoutFromTop);
  const CPoint at = Origin(number);
  ZevCaretBox end, start, inside;
  ZevCaretGeometry(g_pMemDC, number, 1, scene.Edit().m_szNumber, true, &end);
  ZevCaretGeometry(g_pMemDC, number, 0, scene.Edit().m_szNumber, true, &start);
  ZevCaretGeometry(g_pMemDC, number, 3, scene.Edit().m_szNumber, true, &inside);
  EXPECT_EQ(end.x, at.x + number->m_box.width);
  EXPECT_EQ(start.x, at.x);
  EXPECT_GT(inside.x, start.x);
  EXPECT_LT(inside.x, end.x);
  // A side beyond the text counts as its end.
  ZevCaretBox beyond;
  ZevCaretGeometry(g_pMemDC, number, 200, scene.Edit().m_szNumber, true, &beyond);
  EXPECT_EQ(beyond.x, end.x);
}

}  // namespace
