// Sign prefixes and parentheses with fixed metrics: h0 = 20, a0 = 16, so the
// axis lies 6 pixels above the baseline; the Symbol font's ascent is 16.
#include "BasicTestKinds.h"
#include "LayoutFixture.h"
#include "MC/MC_NULL.h"
#include "MC/McEditorFocus.h"

namespace {

CMcBasic* g_focused = nullptr;
CMcBasic* Focused() {
  return g_focused;
}

class FocusOn {
 public:
  explicit FocusOn(CMcBasic* node) {
    g_focused = node;
    McSetEditorFocus(&Focused, nullptr);
  }
  ~FocusOn() {
    McSetEditorFocus(nullptr, nullptr);
    g_focused = nullptr;
  }
};

}  // namespace

using Layout = LayoutFixture;

TEST_F(Layout, SignAndPlusPrefixesWidenByHalfAFontHeight) {
  TestNode sum(0x0E00);
  sum.AppendChild(new CMcNull(0));
  sum.AppendChild(new CMcNull(0));
  sum.AppendChild(new CMcNull(1));
  sum.AppendChild(new CMcNull(3));
  sum.Layout(nullptr, 0);
  const int widths[] = {10, 20, 20, 20};  // first term: no prefix
  for (int i = 0; i < 4; ++i) EXPECT_EQ(sum.m_children[i]->m_box.width, widths[i]) << i;
  EXPECT_EQ(sum.m_box.width, 70);
  // A smaller level takes its own font height: 15 / 2.
  CMcNull small(0x40 | 1);
  small.Layout(nullptr, 0);
  EXPECT_EQ(small.m_box.width, 7 + 7);
}

TEST_F(Layout, ProductPutsSumsAndSignedFactorsInParentheses) {
  TestNode product(0x0F01);
  auto* sum = new TestNode(0x0E00);
  sum->AppendChild(new CMcNull(0));
  sum->AppendChild(new CMcNull(0));
  auto* plain = new CMcNull(0);
  auto* negated = new CMcNull(1);
  auto* inner = new TestNode(0x0F01);
  inner->AppendChild(new CMcNull(0));
  for (CMcBasic* f : {static_cast<CMcBasic*>(sum), static_cast<CMcBasic*>(plain),
                      static_cast<CMcBasic*>(negated), static_cast<CMcBasic*>(inner)})
    product.AppendChild(f);
  product.Layout(nullptr, 0);
  EXPECT_TRUE(sum->m_flags & 4);
  EXPECT_FALSE(plain->m_flags & 4);
  EXPECT_TRUE(negated->m_flags & 4);
  EXPECT_TRUE(inner->m_flags & 4);
  // Parentheses add h0/3 on each side; the sign another h0/2 on the left.
  EXPECT_EQ(sum->m_box.width, 30 + 2 * 6);
  EXPECT_EQ(plain->m_box.width, 10);
  EXPECT_EQ(negated->m_box.width, 10 + 10 + 2 * 6);
  // The sum's first term starts after the left parenthesis.
  EXPECT_EQ(sum->m_children[0]->m_box.x, 6);
}

TEST_F(Layout, ParenthesesExtendTheShorterSideByHalfTheDifference) {
  struct Row {
    const char* what;
    int height, baseline;
    int top, bottom, newBaseline;
  } rows[] = {
      {"20 above, 10 below the axis", 30, 26, 0, 5, 26},
      {"10 above, 20 below the axis", 30, 16, 5, 0, 21},
      {"balanced", 20, 16, 0, 0, 16},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.what);
    TestLeaf leaf("x", 0, 40, row.height, row.baseline);
    const CRect m = leaf.LayoutParens(McBox{0, 0, 40, row.height}, row.baseline);
    EXPECT_EQ(m, CRect(6, row.top, 6, row.bottom));
    // The node's own parentheses give the same margins and move the baseline.
    TestNode product(0x0F01);
    auto* factor = new TestLeaf("x", 1, 40, row.height, row.baseline);
    product.AppendChild(factor);
    factor->Layout(nullptr, 0);
    EXPECT_EQ(factor->m_margins, CRect(6 + 10, row.top, 6, row.bottom));
    EXPECT_EQ(factor->m_baseline, row.newBaseline);
    EXPECT_EQ(factor->m_box.height, row.height + row.top + row.bottom);
  }
}

TEST_F(Layout, UserParenthesesSurviveOnlyOnTheCaretNode) {
  TestNode sum(0x0E00);
  auto* leaf = new TestLeaf("x", 4);
  sum.AppendChild(leaf);
  {
    FocusOn focus(leaf);
    sum.Layout(nullptr, 0);
    EXPECT_TRUE(leaf->m_flags & 4);
    EXPECT_EQ(leaf->m_box.width, 10 + 12);
  }
  sum.Layout(nullptr, 0);
  EXPECT_FALSE(leaf->m_flags & 4);
  EXPECT_EQ(leaf->m_box.width, 10);
}

// Parentheses drawn around a balanced inner box at (20, 20): the left one
// starts 6 pixels before it. Up to 22 pixels they are one scaled "(" a
// quarter of the height wide; from 23 on, Symbol pieces as wide as a Symbol
// character (10 pixels with these metrics).
TEST_F(Layout, ParenthesesSwitchFromScaledGlyphToSymbolPiecesAbove22) {
  struct Row {
    int height, baseline, inkWidth;
  } rows[] = {{22, 17, 22 / 4}, {23, 18, 10}, {40, 26, 10}, {60, 36, 10}, {100, 56, 10}};
  for (const Row& row : rows) {
    SCOPED_TRACE(row.height);
    auto dc = MakeCanvas(200, 200);
    TestLeaf owner("x");
    const McBox box{20, 20, 20, row.height};
    const CRect m = owner.DrawParens(dc.get(), 0, 0, box, row.baseline);
    ASSERT_EQ(m, CRect(6, 0, 6, 0));
    const int px = 14, right = 20 + 20 + 6;
    const int mid = 20 + row.height / 2;
    EXPECT_EQ(InkInRow(dc.get(), mid, 0, 30), row.inkWidth);
    EXPECT_TRUE(IsInk(dc.get(), px, mid));
    EXPECT_FALSE(IsInk(dc.get(), px - 1, mid));
    EXPECT_TRUE(IsInk(dc.get(), right - 1, mid));
    EXPECT_FALSE(IsInk(dc.get(), right, mid));
    EXPECT_EQ(InkInRow(dc.get(), mid, 30, 100), row.inkWidth);
    // The parenthesis spans the whole box height, without gaps.
    for (int y = 20; y < 20 + row.height; ++y) EXPECT_TRUE(IsInk(dc.get(), px, y)) << "row " << y;
  }
}

TEST_F(Layout, SumTermSignStandsBeforeItsParenthesis) {
  TestNode sum(0x0E00);
  sum.AppendChild(new CMcNull(0));
  auto* term = new TestLeaf("x", 1 | 4);
  sum.AppendChild(term);
  FocusOn focus(term);
  sum.Layout(nullptr, 0);
  ASSERT_EQ(term->m_box.width, 10 + 10 + 12);
  auto dc = MakeCanvas(100, 60);
  const CRect m = term->DrawSignAndParens(dc.get(), 20, 10);
  EXPECT_EQ(m.left, 16);
  // Minus glyph at x = 20 (10 wide), the parenthesis after it at x = 30.
  const int mid = 10 + 10;
  EXPECT_TRUE(IsInk(dc.get(), 20, mid));
  EXPECT_TRUE(IsInk(dc.get(), 30, mid));
  EXPECT_FALSE(IsInk(dc.get(), 30 + 20 / 4, mid));
}
