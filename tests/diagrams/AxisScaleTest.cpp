// Tick steps, tick positions, labels and the four label placements of the
// axis cross.
#include "diagrams/AxisScale.h"
#include "diagrams/CellGrid.h"
#include "tests/support/Canvas.h"

#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <cstring>
#include <vector>

namespace {

using Canvas = qxtest::ProgramCanvas;

// Tenths are not exact in binary, so a minor tick may land a pixel either side.
bool AnyBlackAlongY(const qxtest::Canvas& c, int x, int y) {
  return c.Black(x, y - 1) || c.Black(x, y) || c.Black(x, y + 1);
}

TEST(AxisScale, RoundGoesHalfAwayFromZero) {
  const struct {
    double x, expected;
  } cases[] = {{2.5, 3}, {-2.5, -3}, {-0.4, 0}, {0.49, 0}, {1.5, 2}, {-1.51, -2}, {7, 7}};
  for (const auto& c : cases) EXPECT_EQ(Round(c.x), c.expected) << c.x;
}

// Expected steps worked out by hand from the rule: the major step of 1, 2 or 5
// times a power of ten nearest to the target spacing (35 px, 45 px beyond the
// span limits), fine ticks merged with the minor ones below 3 px.
TEST(AxisScale, StepsFollowTheTargetSpacing) {
  const struct {
    const char* name;
    int length;
    double scale;
    TickSteps expected;
  } cases[] = {
      {"the worked example, 800 px at 50 px per unit", 800, 50, {0.5, 0.1, 0.1}},
      {"800 px at 1 px per unit (45 px target)", 800, 1, {50, 10, 5}},
      {"a doubled decade wins", 400, 200, {0.2, 0.05, 0.05}},
      {"span exactly 500 keeps 35 px", 250, 0.5, {50, 10, 10}},
      {"span 600 uses 45 px", 300, 0.5, {100, 50, 10}},
      {"span exactly 0.5 keeps 35 px", 250, 500, {0.05, 0.01, 0.01}},
      {"span 0.4 uses 45 px", 200, 500, {0.1, 0.05, 0.01}},
  };
  for (const auto& c : cases) {
    const TickSteps s = ChooseTickSteps(c.length, c.scale);
    EXPECT_DOUBLE_EQ(s.major, c.expected.major) << c.name;
    EXPECT_DOUBLE_EQ(s.minor, c.expected.minor) << c.name;
    EXPECT_DOUBLE_EQ(s.fine, c.expected.fine) << c.name;
  }
}

// Over many zooms the major step is 1, 2 or 5 times a power of ten, lies
// within a factor of about 2.5 of the target and is divided by the others.
TEST(AxisScale, MajorStepIsOneTwoOrFiveTimesAPowerOfTen) {
  for (double scale = 1e-6; scale < 1e7; scale *= 1.37) {
    const TickSteps s = ChooseTickSteps(640, scale);
    const double mantissa = s.major / std::pow(10.0, std::floor(std::log10(s.major) + 1e-9));
    const bool allowed = std::fabs(mantissa - 1) < 1e-6 || std::fabs(mantissa - 2) < 1e-6 ||
                         std::fabs(mantissa - 5) < 1e-6;
    EXPECT_TRUE(allowed) << "scale " << scale << " major " << s.major;
    const double pixels = s.major * scale;
    EXPECT_GT(pixels, 15) << scale;
    EXPECT_LT(pixels, 113) << scale;
    EXPECT_NEAR(std::fmod(s.major / s.minor + 0.5, 1.0), 0.5, 1e-6) << scale;
    EXPECT_TRUE(s.fine == s.minor ||
                std::fabs(std::fmod(s.minor / s.fine + 0.5, 1.0) - 0.5) < 1e-6);
  }
}

TEST(AxisScale, InvalidGeometryGivesNoSteps) {
  for (double scale : {0.0, -5.0, double(NAN), double(INFINITY)})
    EXPECT_EQ(ChooseTickSteps(100, scale).major, 0);
  EXPECT_EQ(ChooseTickSteps(0, 10).major, 0);
  int visits = 0;
  ForEachTick({false, 0, 100, NAN}, 1.0, [&](double, int) { ++visits; });
  ForEachTick({false, 0, 100, 10}, 0.1, [&](double, int) { ++visits; });  // 1 px apart
  ForEachTick({false, 0, 0, 10}, 1.0, [&](double, int) { ++visits; });
  EXPECT_EQ(visits, 0);
}

// Horizontal ticks run from the left edge and stop before the far edge;
// vertical ones start at or above the top edge: its value 130 / 10 = 13 units
// with a step of 5 puts the first tick at 15, 20 pixels above the plot.
TEST(AxisScale, TicksCoverThePlotFromItsFirstEdge) {
  std::vector<std::pair<double, int>> ticks;
  ForEachTick({false, 400, 800, 1.0}, 50, [&](double v, int x) { ticks.emplace_back(v, x); });
  ASSERT_EQ(ticks.size(), 16u);  // -400 .. 350; the tick at 400 lies on the far edge
  EXPECT_EQ(ticks.front(), std::make_pair(-400.0, 0));
  EXPECT_EQ(ticks.back(), std::make_pair(350.0, 750));
  ticks.clear();
  ForEachTick({true, 130, 300, 10.0}, 5, [&](double v, int y) { ticks.emplace_back(v, y); });
  ASSERT_GE(ticks.size(), 3u);
  EXPECT_EQ(ticks[0], std::make_pair(15.0, -20));
  EXPECT_EQ(ticks[1], std::make_pair(10.0, 30));
  EXPECT_EQ(ticks[2], std::make_pair(5.0, 80));
}

// A pan may leave the origin at the end of the int range: pixels clamp there.
TEST(AxisScale, PixelsOfAnOriginAtTheIntLimitsClamp) {
  const AxisGeometry down{true, INT_MAX - 3, 400, 50.0};
  EXPECT_EQ(down.Pixel(-1e9), INT_MAX);
  EXPECT_EQ(down.Pixel(0.1), INT_MAX - 8);
  const AxisGeometry left{false, INT_MIN + 3, 400, 50.0};
  EXPECT_EQ(left.Pixel(-1e9), INT_MIN);
}

TEST(AxisScale, LabelsUsePercentGAndSkipZero) {
  const std::pair<double, const char*> rows[] = {
      {0.0, nullptr}, {1e-12, nullptr}, {1.5, "1.5"}, {-2e-5, "-2e-05"}, {1250000, "1.25e+06"}};
  for (const auto& [value, label] : rows) {
    char buffer[32] = "";
    EXPECT_EQ(FormatTickLabel(value, buffer, sizeof buffer), label != nullptr) << value;
    if (label) {
      EXPECT_STREQ(buffer, label);
    }
  }
}

// Labels are drawn as boxes with fixed metrics: Arial 12 is 12 px high, 6 px
// per character. The worked example: ticks every 5 px, labels every 25 px.
TEST(AxisScale, LabelsBelowTheAxis) {
  Canvas canvas(800, 100);
  canvas.dc()->SelectObject(g_pens[0][0]);
  DrawXAxisLabelsBelow(canvas.dc(), 400, 40, 800, 50);
  for (int y = 36; y <= 44; ++y) EXPECT_TRUE(canvas.Black(425, y)) << y;  // nine-pixel major tick
  EXPECT_TRUE(canvas.White(425, 35));
  EXPECT_TRUE(canvas.Black(425, 45)) << "the label's top row right below the tick";
  EXPECT_TRUE(canvas.Black(425, 50)) << "label 0.5 below";
  EXPECT_TRUE(canvas.White(425, 30)) << "nothing above";
  EXPECT_TRUE(canvas.White(400, 50)) << "no label at zero";
  EXPECT_TRUE(canvas.Black(350, 50)) << "label -1";
  int minorTicks = 0;
  // Tenths accumulate by addition, so the minor ticks may sit a pixel left of
  // the multiples of 5; between two majors there are four of them either way.
  for (int x = 401; x < 424; ++x) minorTicks += canvas.Black(x, 42) && canvas.Black(x, 41);
  EXPECT_EQ(minorTicks, 4) << "two-pixel ticks every 5 px between the majors";
  EXPECT_TRUE(canvas.White(412, 39)) << "no ticks on the other side";
}

TEST(AxisScale, LabelsRightAndLeftOfTheAxis) {
  Canvas right(200, 400);
  right.dc()->SelectObject(g_pens[0][0]);
  DrawYAxisLabelsRight(right.dc(), 50, 200, 400, 50);  // majors every 25 px
  for (int x = 46; x <= 54; ++x) EXPECT_TRUE(right.Black(x, 175)) << x;
  EXPECT_TRUE(right.Black(62, 172)) << "label left edge at axis + 10, top at y - 5";
  EXPECT_TRUE(right.White(59, 172));
  EXPECT_TRUE(right.White(38, 172));
  EXPECT_TRUE(AnyBlackAlongY(right, 51, 180) && AnyBlackAlongY(right, 52, 180));
  EXPECT_FALSE(AnyBlackAlongY(right, 48, 180));

  Canvas left(200, 400);
  left.dc()->SelectObject(g_pens[0][0]);
  DrawYAxisLabelsLeft(left.dc(), 150, 200, 400, 50);
  EXPECT_TRUE(left.Black(137, 172)) << "label right edge at axis - 10";
  EXPECT_TRUE(left.White(141, 172));
  EXPECT_TRUE(left.White(162, 172));
  EXPECT_TRUE(AnyBlackAlongY(left, 149, 180) && AnyBlackAlongY(left, 148, 180));
  EXPECT_FALSE(AnyBlackAlongY(left, 152, 180));
}

TEST(AxisScale, SignalPaneLabelsPrintScaledValues) {
  // One sample per pixel and 0.05 s per sample: the tick at sample 50 reads 2.5.
  Canvas plain(400, 60), scaled(400, 60);
  DrawXAxisLabelsBelow(plain.dc(), 0, 10, 400, 1.0);
  DrawXAxisLabelsBelow(scaled.dc(), 0, 10, 400, 1.0, 0.05);
  // "50" is two boxes wide (12 px), "2.5" three (18 px), both centred on x = 50.
  EXPECT_TRUE(plain.White(42, 20));
  EXPECT_TRUE(scaled.Black(42, 20));
}

TEST(AxisScale, AxisCrossLabelsStayInside) {
  const struct {
    const char* name;
    POINT origin;
    int vx, vy;  // a pixel inside a vertical-axis label
    int hx, hy;  // a pixel inside a horizontal-axis label
  } cases[] = {
      {"origin inside: right and below", {200, 150}, 212, 122, 250, 160},
      {"origin right of the plot: labels left of the right edge", {900, 150}, 385, 122, 350, 160},
      {"origin below the plot: labels above the bottom edge", {200, 900}, 212, 247, 250, 290},
      {"origin left and above: lines at -1, labels inside", {-300, -200}, 10, 47, 0, 5},
  };
  for (const auto& c : cases) {
    Canvas canvas(400, 300);
    DrawAxisCross(canvas.dc(), 400, 300, c.origin, 50, 50);
    EXPECT_TRUE(canvas.Black(c.vx, c.vy)) << c.name << ": vertical-axis label";
    EXPECT_TRUE(canvas.Black(c.hx, c.hy)) << c.name << ": horizontal-axis label";
  }
}

// Nothing may overflow on the way to pixels (the sanitizer build checks the
// conversions) or loop without end; the axis lines are always drawn, and an
// empty plot draws nothing.
TEST(AxisScale, ExtremeScalesOriginsAndEmptyPlotsAreHarmless) {
  Canvas empty(50, 50);
  const QImage before = empty.Image();
  DrawAxisCross(empty.dc(), 0, 40, {10, 10}, 50, 50);
  DrawAxisCross(empty.dc(), 40, -3, {10, 10}, 50, 50);
  EXPECT_EQ(empty.Image(), before);
  const double scales[] = {1e-310, 1e-300, 1e300, HUGE_VAL, NAN, -3};
  for (double scale : scales) {
    Canvas canvas(400, 300);
    DrawAxisCross(canvas.dc(), 400, 300, {200, 150}, scale, scale);
    EXPECT_TRUE(canvas.Black(0, 150) && canvas.Black(200, 0)) << scale;
    DrawAxisCross(canvas.dc(), 400, 300, {2000000000, -2000000000}, scale, scale);
  }
}

TEST(AxisScale, CellGridIsDrawableOnlyWithRoomForEveryCell) {
  const struct {
    int width, height, rows, cols;
    bool drawable;
    int cellWidth, cellHeight;
  } cases[] = {
      {800, 600, 2, 3, true, 266, 300}, {3, 600, 1, 3, true, 1, 600},
      {2, 600, 1, 3, false, 0, 600},    {800, 1, 2, 2, false, 400, 0},
      {800, 600, 0, 1, false, 0, 0},    {800, 600, 1, 0, false, 0, 0},
      {-5, 600, 1, 1, false, 0, 0},
  };
  for (const auto& c : cases) {
    const CellGrid grid = LayoutCellGrid(c.width, c.height, c.rows, c.cols);
    EXPECT_EQ(grid.Drawable(), c.drawable)
        << c.width << "x" << c.height << " " << c.rows << "x" << c.cols;
    if (c.rows > 0 && c.cols > 0 && c.width > 0) {
      EXPECT_EQ(grid.cellWidth, c.cellWidth);
      EXPECT_EQ(grid.cellHeight, c.cellHeight);
    }
  }
  EXPECT_EQ(LayoutCellGrid(800, 600, 2, 3).Cell(1, 2), CRect(532, 300, 798, 600));
}

}  // namespace
