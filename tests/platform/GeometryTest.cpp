#include "platform/core/Geometry.h"

#include <gtest/gtest.h>

TEST(Rect, TouchingEdgesDoNotIntersect) {
  CRect a(0, 0, 10, 10), out(1, 2, 3, 4);
  struct Row {
    const char* name;
    CRect b;
    bool overlaps;
    CRect expected;
  } rows[] = {
      {"right neighbour", CRect(10, 0, 20, 10), false, CRect(0, 0, 0, 0)},
      {"below", CRect(0, 10, 10, 20), false, CRect(0, 0, 0, 0)},
      {"one pixel overlap", CRect(9, 9, 20, 20), true, CRect(9, 9, 10, 10)},
      {"inside", CRect(2, 3, 4, 5), true, CRect(2, 3, 4, 5)},
      {"empty", CRect(5, 5, 5, 9), false, CRect(0, 0, 0, 0)},
  };
  for (const Row& row : rows) {
    BOOL got = IntersectRect(&out, &a, &row.b);
    EXPECT_EQ(got != 0, row.overlaps) << row.name;
    EXPECT_TRUE(EqualRect(&out, &row.expected)) << row.name;
  }
}

TEST(Rect, PointOnRightOrBottomEdgeIsOutside) {
  CRect r(0, 0, 10, 10);
  EXPECT_TRUE(r.PtInRect(CPoint(0, 0)));
  EXPECT_TRUE(r.PtInRect(CPoint(9, 9)));
  EXPECT_FALSE(r.PtInRect(CPoint(10, 5)));
  EXPECT_FALSE(r.PtInRect(CPoint(5, 10)));
}

TEST(Rect, InflateOffsetAndCopy) {
  RECT r;
  SetRect(&r, 1, 2, 3, 4);
  InflateRect(&r, 1, 2);
  OffsetRect(&r, 10, 20);
  RECT c;
  CopyRect(&c, &r);
  EXPECT_TRUE(EqualRect(&c, CRect(10, 20, 14, 26)));
  EXPECT_FALSE(EqualRect(&c, CRect(10, 20, 14, 27)));
}

TEST(Point, UnpacksSignedCoordinatesFromLParam) {
  CPoint p(MAKELPARAM(static_cast<WORD>(-5), 300));
  EXPECT_EQ(p.x, -5);
  EXPECT_EQ(p.y, 300);
}
