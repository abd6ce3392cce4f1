// Layout with fixed metrics (h0 = 20, a0 = 16, so the axis lies 6 pixels
// above the baseline): sign prefixes and parentheses, the placeholder, the
// group's columns and the desktop's separation of overlapping expressions.
#include "McTestSupport.h"

using namespace mctest;

using Layout = LayoutFixture;

TEST_F(Layout, SignAndPlusPrefixesWidenByHalfAFontHeight) {
  CMcListsum sum(0);
  for (WORD sign : {0, 0, 1, 3}) sum.AppendChild(new CMcNull(sign));
  sum.Layout(nullptr, kMcLayoutFromTop);
  const int widths[] = {10, 20, 20, 20};  // the first term has no plus prefix
  for (int i = 0; i < 4; ++i) EXPECT_EQ(sum.m_children[i]->m_box.width, widths[i]) << i;
  EXPECT_EQ(sum.m_box.width, 70);
  CMcNull small(0x40 | 1);  // a smaller level takes its own font height: 15 / 2
  small.Layout(nullptr, kMcLayoutFromTop);
  EXPECT_EQ(small.m_box.width, 7 + 7);
}

TEST_F(Layout, ParenthesesExtendTheShorterSideByHalfTheDifference) {
  const struct {
    const char* what;
    int height, baseline;
    int top, bottom, newBaseline;
  } rows[] = {
      {"20 above, 10 below the axis", 30, 26, 0, 5, 26},
      {"10 above, 20 below the axis", 30, 16, 5, 0, 21},
      {"balanced", 20, 16, 0, 0, 16},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.what);
    TestLeaf leaf("x", 0, 40, row.height, row.baseline);
    EXPECT_EQ(leaf.LayoutParens(McBox{0, 0, 40, row.height}, row.baseline),
              CRect(6, row.top, 6, row.bottom));
    // A negated factor's own parentheses: the same margins after the sign.
    TestNode product(McTypeWord(kMcListmult, 1));
    auto* factor = new TestLeaf("x", 1, 40, row.height, row.baseline);
    product.AppendChild(factor);
    factor->Layout(nullptr, kMcLayoutFromTop);
    EXPECT_EQ(factor->m_margins, CRect(6 + 10, row.top, 6, row.bottom));
    EXPECT_EQ(factor->m_baseline, row.newBaseline);
    EXPECT_EQ(factor->m_box.height, row.height + row.top + row.bottom);
  }
}

// Parentheses drawn around a box at (20, 20): the left one starts 6 pixels
// before it. Up to 22 pixels they are one scaled "(" a quarter of the height
// wide; from 23 on, Symbol pieces as wide as a Symbol character (10 pixels).
TEST_F(Layout, ParenthesesSwitchFromScaledGlyphToSymbolPiecesAbove22) {
  const struct {
    int height, baseline, inkWidth;
  } rows[] = {{22, 17, 22 / 4}, {23, 18, 10}, {60, 36, 10}, {100, 56, 10}};
  for (const auto& row : rows) {
    SCOPED_TRACE(row.height);
    Canvas canvas(200, 200);
    TestLeaf owner("x");
    const McBox box{20, 20, 20, row.height};
    ASSERT_EQ(owner.DrawParens(canvas.dc(), 0, 0, box, row.baseline), CRect(6, 0, 6, 0));
    const int px = 14, right = 20 + 20 + 6, mid = 20 + row.height / 2;
    EXPECT_EQ(canvas.InkInRow(mid, 0, 30), row.inkWidth);
    EXPECT_EQ(canvas.InkInRow(mid, 30, 100), row.inkWidth);
    EXPECT_TRUE(canvas.Ink(px, mid) && !canvas.Ink(px - 1, mid));
    EXPECT_TRUE(canvas.Ink(right - 1, mid) && !canvas.Ink(right, mid));
    for (int y = 20; y < 20 + row.height; ++y) EXPECT_TRUE(canvas.Ink(px, y)) << "gap in row " << y;
  }
}

// With a solid brush in place of the pattern the outline is four full strips
// inside the sign margin: columns left + 1 and width - 1, rows 1 and height - 1.
TEST_F(Layout, PlaceholderOutlineStrips) {
  for (WORD flags : {0, 1}) {
    SCOPED_TRACE(flags);
    CMcNull node(flags);
    node.Layout(nullptr, kMcLayoutFromTop);
    node.m_box.x = node.m_box.y = 5;
    Canvas canvas(60, 40);
    node.Draw(canvas.dc(), 0, 0);
    const int x0 = 5 + (flags ? 11 : 1), x1 = 5 + node.m_box.width - 1;
    for (int y = 6; y < 25; ++y) EXPECT_TRUE(canvas.Ink(x0, y) && canvas.Ink(x1, y)) << y;
    EXPECT_EQ(canvas.InkInRow(6, x0, x1 + 1), x1 - x0 + 1);
    EXPECT_EQ(canvas.InkInRow(24, x0, x1 + 1), x1 - x0 + 1);
    EXPECT_EQ(canvas.InkInRow(15, x0 + 1, x1), 0) << "inside stays empty";
    EXPECT_EQ(canvas.InkInRow(5, x0, 60) + canvas.InkInRow(25, 0, 60), 0) << "nothing outside";
    EXPECT_FALSE(canvas.Ink(x0 - 1, 15) || canvas.Ink(x1 + 1, 15));
  }
}

// A group lays out and draws only its current child; one that names no child
// is an empty box and draws nothing.
TEST_F(Layout, GroupShowsOnlyItsCurrentChild) {
  CMcGroup group(new TestLeaf("a"), "", 0);
  auto* b = new TestLeaf("b", 0, 30, 25, 20);
  group.AppendChild(b);
  group.m_current = 1;
  b->m_box.x = 7;
  group.Layout(nullptr, kMcLayoutFromTop);
  EXPECT_EQ(group.m_box.width, 30);
  EXPECT_EQ(group.m_baseline, 20);
  EXPECT_EQ(b->m_box.x, 0);
  Canvas canvas(80, 30);
  group.Draw(canvas.dc(), 0, 0);
  EXPECT_EQ(static_cast<TestLeaf*>(group.m_children[0])->m_draws, 0);
  EXPECT_EQ(b->m_draws, 1);
  group.m_current = 2;
  group.Layout(nullptr, kMcLayoutFromTop);
  group.Draw(canvas.dc(), 0, 0);
  EXPECT_EQ(group.m_box.width, 0);
  EXPECT_EQ(b->m_draws, 1);
}

// Each sub-group shows an empty node, 10 by 20; the gap is 10, the baseline
// centred.
TEST_F(Layout, GroupColumnsOfSubGroups) {
  const struct {
    const char* what;
    WORD flags;
    const char* geometry;
  } rows[] = {
      {"three lines: one per column", 0x0300, "100x80/46 20,40 40,40 60,40"},
      {"four lines: two in the first column", 0x0400, "100x110/61 20,40 20,70 40,40"},
      {"twenty lines: one column", 0x1400, "100x140/76 20,40 20,70 20,100"},
  };
  for (const auto& row : rows) {
    CMcGroup group(nullptr, "", row.flags);
    for (int i = 0; i < 3; ++i) group.AppendChild(new CMcGroup(new CMcNull(0), "", 0));
    group.Layout(nullptr, kMcLayoutFromTop);
    EXPECT_EQ(Geometry(&group), row.geometry) << row.what;
  }
}

// The desktop's separation example (gap g = 20 with these metrics): the
// overlap (30, 10, 60, 20) is 10 high and 30 wide, a vertical separation; its
// centre lies in the lower half of the first, so the second moves down by
// 20 - 10 + g, and a third expression further down moves with it. The
// desktop reaches 100 pixels around its expressions.
TEST_F(Layout, DesktopSeparationExample) {
  CMcDesktop desktop(0);
  for (auto [x, y] : {std::pair{0, 0}, {30, 10}, {0, 100}}) {
    auto* leaf = new TestLeaf("e", 0, 60, 20, 16);
    leaf->m_box.x = x;
    leaf->m_box.y = y;
    desktop.AppendChild(leaf);
  }
  desktop.Layout(nullptr, kMcLayoutFromTop);
  EXPECT_EQ(Geometry(&desktop), "290x350/0 0,0 30,40 0,130");  // 90 and 150 wide and high, + 200
}
