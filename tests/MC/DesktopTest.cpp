// The desktop: separation of overlapping expressions and its own placement
// 100 pixels around them (g = 20 with these metrics).
#include "BasicTestKinds.h"
#include "LayoutFixture.h"
#include "MC/Mc_desktop.h"

namespace {

TestLeaf* At(CMcDesktop& desktop, int x, int y, int width = 60, int height = 20) {
  auto* leaf = new TestLeaf("e", 0, width, height, height - 4);
  leaf->m_box.x = x;
  leaf->m_box.y = y;
  desktop.AppendChild(leaf);
  return leaf;
}

}  // namespace

using DesktopLayout = LayoutFixture;

TEST_F(DesktopLayout, EmptyDesktopIsTwoHundredSquareAtOneHundred) {
  CMcDesktop desktop(0);
  desktop.Layout(nullptr, 0);
  EXPECT_EQ(desktop.m_box.x, 100);
  EXPECT_EQ(desktop.m_box.y, 100);
  EXPECT_EQ(desktop.m_box.width, 200);
  EXPECT_EQ(desktop.m_box.height, 200);
}

TEST_F(DesktopLayout, SeparationExample) {
  // Overlap (30, 10, 60, 20) is 10 high and 30 wide: a vertical separation;
  // its centre lies in the lower half of the first, so the second moves down
  // by 20 - 10 + g, and a third expression further down moves with it.
  CMcDesktop desktop(0);
  At(desktop, 0, 0);
  TestLeaf* second = At(desktop, 30, 10);
  TestLeaf* third = At(desktop, 0, 100);
  desktop.Layout(nullptr, 0);
  EXPECT_EQ(second->m_box.x, 30);
  EXPECT_EQ(second->m_box.y, 10 + 20 - 10 + 20);
  EXPECT_EQ(third->m_box.y, 100 + 30);
  EXPECT_EQ(desktop.m_box.width, 90 + 200);
  EXPECT_EQ(desktop.m_box.height, 150 + 200);
}

TEST_F(DesktopLayout, ContainedAndLeftwardSeparations) {
  // A contained expression: the container stands for the overlap, which is
  // taller than half its width, so the inner one moves right past it.
  CMcDesktop desktop(0);
  At(desktop, 0, 0, 100, 100);
  TestLeaf* inner = At(desktop, 20, 20, 20, 10);
  desktop.Layout(nullptr, 0);
  EXPECT_EQ(inner->m_box.x, 20 + (100 - 20 + 20));
  // An overlap in the left half of the first moves the second to its left;
  // the desktop follows the new left edge.
  CMcDesktop left(0);
  At(left, 50, 0, 40, 40);
  TestLeaf* second = At(left, 20, 10, 50, 30);
  left.Layout(nullptr, 0);
  EXPECT_EQ(second->m_box.x, 20 - (70 - 50 + 20));
  EXPECT_EQ(left.m_box.x, 100 + 20);
}

TEST_F(DesktopLayout, DrawsOnlyVisibleChildren) {
  CMcDesktop desktop(0);
  TestLeaf* near = At(desktop, 0, 0);
  TestLeaf* far = At(desktop, 1000, 1000);
  desktop.Layout(nullptr, 0);
  auto dc = MakeCanvas(50, 50);
  desktop.Draw(dc.get(), -100, -100);  // the desktop's origin on the canvas's
  EXPECT_EQ(near->m_draws, 1);
  EXPECT_EQ(far->m_draws, 0);
}
