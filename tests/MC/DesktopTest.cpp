// The desktop: separation of overlapping expressions and its own placement
// 100 pixels around them (g = 20 with these metrics).
#include "BasicTestKinds.h"
#include "LayoutFixture.h"
#include "MC/Mc_desktop.h"

namespace {

CMcBasic* At(CMcDesktop& desktop, int x, int y, int width = 60, int height = 20) {
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
  // by 20 - 10 + g. A third expression further down moves with it.
  CMcDesktop desktop(0);
  CMcBasic* first = At(desktop, 0, 0);
  CMcBasic* second = At(desktop, 30, 10);
  CMcBasic* third = At(desktop, 0, 100);
  desktop.Layout(nullptr, 0);
  EXPECT_EQ(first->m_box.y, 0);
  EXPECT_EQ(second->m_box.x, 30);
  EXPECT_EQ(second->m_box.y, 10 + 20 - 10 + 20);
  EXPECT_EQ(third->m_box.y, 100 + 30);
  // Bounds 0, 0, 90, 150: the desktop lies 100 pixels around them.
  EXPECT_EQ(desktop.m_box.x, 100);
  EXPECT_EQ(desktop.m_box.y, 100);
  EXPECT_EQ(desktop.m_box.width, 90 + 200);
  EXPECT_EQ(desktop.m_box.height, 150 + 200);
}

TEST_F(DesktopLayout, ContainedExpressionIsMovedOutOfItsContainer) {
  // The overlap is the inner rectangle, so the outer one stands for it: it is
  // taller than half its width, a horizontal separation to the right.
  CMcDesktop desktop(0);
  At(desktop, 0, 0, 100, 100);
  CMcBasic* inner = At(desktop, 20, 20, 20, 10);
  desktop.Layout(nullptr, 0);
  EXPECT_EQ(inner->m_box.x, 20 + (100 - 20 + 20));
  EXPECT_EQ(inner->m_box.y, 20);
}

TEST_F(DesktopLayout, LeftwardSeparationAndNegativePositions) {
  // The overlap's centre lies in the left half of the first expression, so
  // the second moves left of it; the desktop follows the new left edge.
  CMcDesktop desktop(0);
  At(desktop, 50, 0, 40, 40);
  CMcBasic* second = At(desktop, 20, 10, 50, 30);
  desktop.Layout(nullptr, 0);
  EXPECT_EQ(second->m_box.x, 20 - (70 - 50 + 20));
  EXPECT_EQ(desktop.m_box.x, 100 - second->m_box.x);
}

TEST_F(DesktopLayout, DrawsOnlyVisibleChildren) {
  CMcDesktop desktop(0);
  auto* near = static_cast<TestLeaf*>(At(desktop, 0, 0));
  auto* far = static_cast<TestLeaf*>(At(desktop, 1000, 1000));
  desktop.Layout(nullptr, 0);
  auto dc = MakeCanvas(50, 50);
  desktop.Draw(dc.get(), -100, -100);  // puts the desktop's origin on the canvas's
  EXPECT_EQ(near->m_draws, 1);
  EXPECT_EQ(far->m_draws, 0);
}
