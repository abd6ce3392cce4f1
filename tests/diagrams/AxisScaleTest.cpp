// Tick steps, tick positions, labels and the four label placements of the
// axis cross.
#include "diagrams/AxisScale.h"
#include "diagrams/CellGrid.h"
#include "tests/support/Canvas.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <cstdlib>
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

// Labels that the plot's edge cuts, in a drawing made with a margin of
// kMargin pixels around the plot and nothing clipped: with fixed metrics a
// label is one solid box, so a cut label is a patch of ink, apart from the
// axis lines and their nine-pixel ticks, lying partly inside and partly
// outside the plot. Labels wholly outside are clipped away on screen.
constexpr int kMargin = 40;

int CutLabels(const qxtest::Canvas& c, int width, int height, int ax, int ay) {
  const int w = c.Width(), h = c.Height();
  std::vector<char> seen(static_cast<size_t>(w * h), 0);
  auto label = [&](int x, int y) {
    const int px = x - kMargin, py = y - kMargin;
    return c.Black(x, y) && std::abs(px - ax) > 4 && std::abs(py - ay) > 4;
  };
  int cut = 0;
  for (int y0 = 0; y0 < h; ++y0)
    for (int x0 = 0; x0 < w; ++x0) {
      if (seen[static_cast<size_t>(y0 * w + x0)] || !label(x0, y0)) continue;
      bool in = false, out = false;
      std::vector<std::pair<int, int>> stack{{x0, y0}};
      seen[static_cast<size_t>(y0 * w + x0)] = 1;
      while (!stack.empty()) {
        const auto [x, y] = stack.back();
        stack.pop_back();
        const int px = x - kMargin, py = y - kMargin;
        (px >= 0 && px < width && py >= 0 && py < height ? in : out) = true;
        for (const auto& [dx, dy] : {std::pair{1, 0}, {-1, 0}, {0, 1}, {0, -1}}) {
          const int nx = x + dx, ny = y + dy;
          if (nx < 0 || ny < 0 || nx >= w || ny >= h) continue;
          char& s = seen[static_cast<size_t>(ny * w + nx)];
          if (s || !label(nx, ny)) continue;
          s = 1;
          stack.push_back({nx, ny});
        }
      }
      cut += in && out;
    }
  return cut;
}

// Against the same cross with every label at its anchor, only labels at an
// edge move, and none is left cut.
TEST(AxisScale, AxisCrossLabelsAreNeverCutByThePlotEdge) {
  const struct {
    const char* name;
    int width, height;
    POINT origin;
    double scale;
  } cases[] = {
      {"a new design's root locus: -8 at the left edge", 800, 400, {400, 200}, 50},
      {"a Nyquist cell of a 2 x 2 grid: -2 at the left edge", 400, 300, {100, 100}, 50},
      {"an inverse Nyquist cell: -10 at the left edge", 400, 300, {100, 100}, 10},
      {"a label centred on the right edge", 400, 300, {373, 100}, 50},
      {"a vertical-axis label across the top edge", 400, 300, {200, 153}, 50},
      {"a vertical-axis label across the bottom edge", 400, 300, {200, 147}, 50},
      {"labels above an axis on the bottom edge", 400, 300, {100, 900}, 50},
      {"labels left of an axis on the right edge", 400, 300, {900, 153}, 50},
  };
  for (const auto& c : cases) {
    Canvas cross(c.width + 2 * kMargin, c.height + 2 * kMargin);
    Canvas plain(c.width + 2 * kMargin, c.height + 2 * kMargin);
    cross.dc()->SetViewportOrg(kMargin, kMargin);
    DrawAxisCross(cross.dc(), c.width, c.height, c.origin, c.scale, c.scale);
    const int ax = std::clamp(static_cast<int>(c.origin.x), -1, c.width);
    const int ay = std::clamp(static_cast<int>(c.origin.y), -1, c.height);
    CDC* dc = plain.dc();
    dc->SetViewportOrg(kMargin, kMargin);
    dc->SelectObject(g_pens[0][0]);
    dc->MoveTo(0, ay);
    dc->LineTo(c.width, ay);
    dc->MoveTo(ax, 0);
    dc->LineTo(ax, c.height);
    if (ax < c.width - 20)
      DrawYAxisLabelsRight(dc, ax, c.origin.y, c.height, c.scale);
    else
      DrawYAxisLabelsLeft(dc, ax, c.origin.y, c.height, c.scale);
    if (ay < c.height - 14)
      DrawXAxisLabelsBelow(dc, c.origin.x, ay, c.width, c.scale);
    else
      DrawXAxisLabelsAbove(dc, c.origin.x, ay, c.width, c.scale);

    EXPECT_GT(CutLabels(plain, c.width, c.height, ax, ay), 0) << c.name << ": nothing to mend";
    EXPECT_EQ(CutLabels(cross, c.width, c.height, ax, ay), 0) << c.name;
    int movedFar = 0;
    for (int y = 0; y < cross.Height(); ++y)
      for (int x = 0; x < cross.Width(); ++x) {
        const int px = x - kMargin, py = y - kMargin;
        const int edgeDistance = std::min({px, py, c.width - 1 - px, c.height - 1 - py});
        movedFar += cross.At(x, y) != plain.At(x, y) && edgeDistance >= 24;
      }
    EXPECT_EQ(movedFar, 0) << c.name << ": a label away from the edges moved";
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
