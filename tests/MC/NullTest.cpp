// The empty placeholder: its font-cell box and its outline strips.
#include "LayoutFixture.h"
#include "MC/MC_NULL.h"

using NullLayout = LayoutFixture;

TEST_F(NullLayout, BoxIsOneCellHighAndHalfAsWide) {
  struct Row {
    WORD flags;
    int width, height, baseline;
  } rows[] = {{0, 10, 20, 16}, {1, 20, 20, 16}, {0x40, 7, 15, 12}, {0xC0 | 2, 4 + 4, 8, 6}};
  for (const Row& row : rows) {
    CMcNull node(row.flags);
    node.Layout(nullptr, 0);
    EXPECT_EQ(node.m_box.width, row.width) << row.flags;
    EXPECT_EQ(node.m_box.height, row.height) << row.flags;
    EXPECT_EQ(node.m_baseline, row.baseline) << row.flags;
  }
}

// With a solid brush in place of the pattern the outline is four full strips:
// columns left + 1 and width - 1 - right, rows 1 and height - 1.
TEST_F(NullLayout, OutlineStripsLieInsideTheSignMargin) {
  struct Row {
    WORD flags;
    int left;  // first outline column, relative to the node
  } rows[] = {{0, 1}, {1, 11}};
  for (const Row& row : rows) {
    SCOPED_TRACE(row.flags);
    CMcNull node(row.flags);
    node.Layout(nullptr, 0);
    node.m_box.x = 5;
    node.m_box.y = 5;
    auto dc = MakeCanvas(60, 40);
    node.Draw(dc.get(), 0, 0);
    const int x0 = 5 + row.left, x1 = 5 + node.m_box.width - 1;  // outline columns
    for (int y = 6; y < 25; ++y) {
      EXPECT_TRUE(IsInk(dc.get(), x0, y)) << y;
      EXPECT_TRUE(IsInk(dc.get(), x1, y)) << y;
    }
    EXPECT_EQ(InkInRow(dc.get(), 6, x0, x1 + 1), x1 - x0 + 1);
    EXPECT_EQ(InkInRow(dc.get(), 24, x0, x1 + 1), x1 - x0 + 1);
    EXPECT_EQ(InkInRow(dc.get(), 15, x0 + 1, x1), 0) << "inside stays empty";
    EXPECT_EQ(InkInRow(dc.get(), 5, x0, 60), 0) << "nothing above the outline";
    EXPECT_EQ(InkInRow(dc.get(), 25, 0, 60), 0) << "nothing below the box";
    EXPECT_FALSE(IsInk(dc.get(), x0 - 1, 15));
    EXPECT_FALSE(IsInk(dc.get(), x1 + 1, 15));
  }
}
