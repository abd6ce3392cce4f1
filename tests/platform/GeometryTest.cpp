// Rectangles are half-open: the right and bottom edges are outside.
#include "platform/core/Geometry.h"

#include <gtest/gtest.h>

TEST(Rect, TouchingEdgesDoNotIntersectAndTheFarEdgesAreOutside) {
  CRect a(0, 0, 10, 10), out(1, 2, 3, 4);
  const struct {
    CRect b;
    bool overlaps;
    CRect expected;
  } rows[] = {
      {CRect(10, 0, 20, 10), false, CRect(0, 0, 0, 0)},  // the right neighbour
      {CRect(0, 10, 10, 20), false, CRect(0, 0, 0, 0)},  // below
      {CRect(9, 9, 20, 20), true, CRect(9, 9, 10, 10)},  // one pixel
      {CRect(2, 3, 4, 5), true, CRect(2, 3, 4, 5)},      // inside
      {CRect(5, 5, 5, 9), false, CRect(0, 0, 0, 0)},     // empty
  };
  for (const auto& row : rows) {
    EXPECT_EQ(IntersectRect(&out, &a, &row.b) != 0, row.overlaps) << row.b.left;
    EXPECT_TRUE(EqualRect(&out, &row.expected)) << row.b.left;
  }
  EXPECT_TRUE(a.PtInRect(CPoint(0, 0)) && a.PtInRect(CPoint(9, 9)));
  EXPECT_FALSE(a.PtInRect(CPoint(10, 5)) || a.PtInRect(CPoint(5, 10)));
  EXPECT_EQ(CPoint(MAKELPARAM(static_cast<WORD>(-5), 300)), CPoint(-5, 300));  // signed halves
}
