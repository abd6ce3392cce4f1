// The right-button drag shared by the view and the signal panes: dead zones,
// the zoom's direction and rate, a refused step, and the value kept under the
// pointer.
#include "diagrams/AxisGesture.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace {

LONG Truncated(LONG pixel, double offset) {
  return pixel - static_cast<LONG>(std::trunc(offset));
}

TEST(AxisGesture, PanMovesTheAnchorOnlyBeyondTheDeadZone) {
  POINT anchor{100, 100}, last{100, 100};
  EXPECT_FALSE(PanStep({104, 96}, anchor, last));
  EXPECT_EQ(anchor.x, 100);
  EXPECT_EQ(last.x, 104);  // the last point follows the pointer all the same
  EXPECT_TRUE(PanStep({100, 105}, anchor, last));
  EXPECT_EQ(anchor.y, 105);
  EXPECT_EQ(last.y, 105);
}

TEST(AxisGesture, ZoomStepsByDirectionRateAndDeadZone) {
  const double huge = std::numeric_limits<double>::max();
  const struct {
    const char* name;
    bool vertical;
    LONG point;
    double scale;
    ZoomStepResult result;
    double newScale;
  } cases[] = {
      {"five pixels do nothing", false, 105, 2.0, ZoomStepResult::kDead, 2.0},
      {"right enlarges", false, 110, 2.0, ZoomStepResult::kTaken, 2.0 * 1.5},
      {"left shrinks", false, 90, 2.0, ZoomStepResult::kTaken, 2.0 / 1.5},
      {"up enlarges", true, 90, 2.0, ZoomStepResult::kTaken, 2.0 * 1.5},
      {"down shrinks", true, 110, 2.0, ZoomStepResult::kTaken, 2.0 / 1.5},
      {"an infinite scale is refused", false, 200, huge, ZoomStepResult::kRefused, huge},
  };
  for (const auto& c : cases) {
    LONG anchor = 100, last = 100, origin = 20;
    double scale = c.scale;
    const ZoomStepResult r =
        ZoomAxis({c.vertical, 0.1, 0, Truncated}, c.point, anchor, last, origin, scale);
    EXPECT_EQ(r, c.result) << c.name;
    EXPECT_DOUBLE_EQ(scale, c.newScale) << c.name;
    const bool taken = r == ZoomStepResult::kTaken;
    EXPECT_EQ(anchor, taken ? c.point : 100) << c.name;
    EXPECT_EQ(last, taken ? c.point : 100) << c.name;
  }
}

// The value under the last point (59 / 3 units right of the origin, which
// lies 11 pixels right of the cell's corner) moves under the pointer. The
// second step zooms about that same value, kept by the pivot: read back from
// the truncated origin it would be 79 / 4.05 and land two pixels off.
TEST(AxisGesture, TheValueUnderTheLastPointMovesUnderThePointer) {
  LONG anchor = 100, last = 100, origin = 11;
  double scale = 3.0;
  ZoomPivot pivot;
  const double value = 59.0 / 3;
  const ZoomAxisGeometry axis{false, 0.07, 30, Truncated};
  ASSERT_EQ(ZoomAxis(axis, 110, anchor, last, origin, scale, &pivot), ZoomStepResult::kTaken);
  EXPECT_EQ(origin, 110 - 30 - 79);  // trunc(value * 4.05)
  EXPECT_DOUBLE_EQ(pivot.value, value);
  ASSERT_EQ(ZoomAxis(axis, 140, anchor, last, origin, scale, &pivot), ZoomStepResult::kTaken);
  EXPECT_EQ(origin, 140 - 30 - 219);  // trunc(value * 11.1375)
  EXPECT_DOUBLE_EQ(pivot.value, value);
}

}  // namespace
