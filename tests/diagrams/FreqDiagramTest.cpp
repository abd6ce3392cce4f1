// The frequency diagrams as the view shows them: a new design's curves with
// their tick glyphs and return-difference circle and line, the bands of the
// 2 x 2 example, the cell grid, the characteristic loci, and values the
// drawing must survive. Expected pixels come from the engine's stored values.
#include "tests/diagrams/FreqViewTestSupport.h"

#include <limits>

namespace {

using namespace qxfreqview;

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

double SweepW(int k) {
  return 0.001 * std::pow(1e6, k / 200.0);
}

// LGK = 1/(s + 1), F = 1: the semicircle through 1/2 - j/2 at w = 1 (grid
// point 100, a tick), the yellow circle through 0 and -2.
TEST_F(FreqViewTest, NewDesignNyquistShowsTheSemicircleTicksAndReturnDifferenceCircle) {
  ASSERT_NEAR(Q(100).re, 0.5, 1e-12);
  QImage image = Show(NYQUIST);
  const QPoint top = Px(1, -1, 1);  // the circle's top, at the top of its box
  EXPECT_EQ(At(image, top), kYellow);
  EXPECT_EQ(At(image, top + QPoint(0, -1)), kWhitePixel);
  EXPECT_EQ(At(image, Px(1, -1, -1) + QPoint(0, -1)), kYellow) << "bottom";

  doc().m_diagView[1] = {400, 400, 100, 100};
  image = Show(NYQUIST);
  const QPoint tick = Px(1, Q(100).re, Q(100).im);
  for (QPoint d : {QPoint(0, -1), QPoint(0, 1), QPoint(-1, 0), QPoint(1, 0)})
    EXPECT_EQ(At(image, tick + d), kBlackPixel) << "plus of point 100";
  // Away from the axes and their labels every ink lies on the semicircle.
  int ink = 0;
  for (int y = 125; y < 320; ++y)
    for (int x = 150; x < 500; ++x)
      if (At(image, QPoint(x, y)) == kBlackPixel) {
        ++ink;
        EXPECT_NEAR(std::hypot(x - 300.0, y - 100.0), 200, 2.5) << x << "," << y;
      }
  EXPECT_GT(ink, 300);
}

// 1/LGK = 1 + s: the line Re = 1 leaving the plot upwards; the yellow line
// of unit return difference at Re = -1/2.
TEST_F(FreqViewTest, NewDesignInverseNyquistShowsTheLineAndReturnDifferenceLine) {
  const QImage image = Show(INYQUIST);
  int drawn = 0;
  for (int k = 0; k < 199; ++k) {
    const McComplex& q = freq().m_pInverse[k];
    ASSERT_NEAR(q.re, 1, 1e-12);
    const QPoint p = Px(2, q.re, q.im);
    if (p.y() < 0) continue;
    EXPECT_EQ(At(image, p), kBlackPixel) << k;
    ++drawn;
  }
  EXPECT_LT(drawn, 190) << "the curve leaves the plot upwards";
  EXPECT_LT(Px(2, 1, freq().m_pInverse[199].im).y(), -1000);
  const int x = Px(2, -0.5, 0).x();
  for (int y : {10, 60, 200, image.height() - 2}) EXPECT_EQ(At(image, QPoint(x, y)), kYellow) << y;
  EXPECT_EQ(Count(image, kSilver), 0) << "no bands on a single loop";
}

// The tick glyphs of point 100: a 3-pixel plus on the Nichols curve and the
// Bode phase curve, a 5-pixel plus on the Bode gain curve.
TEST_F(FreqViewTest, NewDesignNicholsAndBodeShowTheirTickGlyphs) {
  QImage image = Show(NICHOLS);
  const McComplex z = Q(100);
  const QPoint n = Px(3, FreqPhaseDegrees(z) + 180, FreqDecibels(z));
  for (QPoint d : {QPoint(0, -1), QPoint(0, 1), QPoint(-1, 0), QPoint(1, 0), QPoint(0, 0)})
    EXPECT_EQ(At(image, n + d), kBlackPixel);
  image = Show(BODE);
  const double u = std::log10(SweepW(100));
  const QPoint gain = Px(4, u, FreqDecibels(z)), phase = Px(4, u, FreqPhaseDegrees(z));
  EXPECT_EQ(At(image, gain + QPoint(0, -2)), kBlackPixel);
  EXPECT_EQ(At(image, gain + QPoint(0, 2)), kBlackPixel);
  EXPECT_EQ(At(image, phase + QPoint(-1, 0)), kBlackPixel);
  EXPECT_EQ(At(image, phase + QPoint(-2, 0)), kWhitePixel);
}

// Silver Gershgorin circles only on the diagonal cells (the filled grey ones
// may hide them), grey Ostrowski
// circles only on the inverse diagram's diagonal and only with bit 1.
TEST_F(FreqViewTest, TwoByTwoBandsOnlyOnTheDiagonal) {
  MakeTwoByTwoExample(doc());
  doc().m_diagView[2] = {50, 50, 100, 100};
  for (BYTE flags : {5, 7}) {
    g_bFreqFlags = flags;
    doc().Recalculate();
    for (UINT command : {NYQUIST, INYQUIST}) {
      const QImage image = Show(command);
      const int w = image.width() / 2, h = image.height() / 2;
      for (int cell = 0; cell < 4; ++cell) {
        const QImage part = image.copy(cell % 2 * w, cell / 2 * h, w - 1, h - 1);
        const bool diagonal = cell == 0 || cell == 3;
        const bool ostrowski = diagonal && command == INYQUIST && flags == 7;
        // Filled Ostrowski circles drawn later may cover the Gershgorin ones.
        EXPECT_TRUE(ostrowski || (Count(part, kSilver) > 20) == diagonal) << command << cell;
        EXPECT_EQ(Count(part, kGrey) > 20, ostrowski) << command << " cell " << cell;
        EXPECT_EQ(Count(part, kYellow) > 20, diagonal) << command << " cell " << cell;
      }
    }
  }
}

// Cells of 100 x 100 on 301 x 200: separators at y = 99 and x = 99, 199, the
// last column untouched; a curve leaving cell (0, 0) changes no other pixel.
TEST_F(FreqViewTest, TwoByThreeGridClipsEveryCell) {
  CRect outer, client;
  window->view()->GetWindowRect(&outer);
  window->view()->GetClientRect(&client);
  window->view()->MoveWindow(0, 0, 301 + outer.Width() - client.Width(),
                             200 + outer.Height() - client.Height());
  auto picture = [&](double gain) {
    SetModel(doc(), kModelK, Identity(3));
    SetModel(doc(), kModelG,
             Matrix(3, {Tf({gain}, {1, 1}), Real(0), Real(0), Real(0), Real(0), Real(0)}));
    SetModel(doc(), kModelL, Identity(2));
    SetModel(doc(), kModelF, Matrix(2, {Real(1), Real(0), Real(0), Real(1), Real(0), Real(0)}));
    doc().Recalculate();
    return Show(NYQUIST);
  };
  doc().m_diagView[1] = {50, 50, 20, 20};
  const QImage empty = picture(0), leaving = picture(10);
  ASSERT_EQ(freq().m_nRows * 10 + freq().m_nCols, 23);
  ASSERT_EQ(empty.width(), 301);
  for (int x = 0; x < 300; ++x) EXPECT_EQ(At(leaving, QPoint(x, 99)), kBlackPixel) << x;
  for (int y = 0; y < 200; ++y) {
    EXPECT_EQ(At(leaving, QPoint(99, y)), kBlackPixel) << y;
    EXPECT_EQ(At(leaving, QPoint(199, y)), kBlackPixel) << y;
    EXPECT_TRUE(y == 99 || At(leaving, QPoint(300, y)) == kWhitePixel) << y;
  }
  EXPECT_NE(leaving.copy(0, 0, 99, 99), empty.copy(0, 0, 99, 99));
  for (int y = 0; y < 200; ++y)
    for (int x = 0; x < 301; ++x)
      ASSERT_TRUE((x < 99 && y < 99) || At(leaving, QPoint(x, y)) == At(empty, QPoint(x, y)))
          << x << "," << y;
}

// Two loci, branch 1 from the second slot, and per locus a gain and an angle
// curve on the characteristic Bode diagram.
TEST_F(FreqViewTest, TwoByTwoCharacteristicDiagramsDrawEveryBranch) {
  MakeTwoByTwoExample(doc());
  ASSERT_EQ(freq().m_nDim, 2);
  const QImage nyquist = Show(CHNYQUIST), bode = Show(CHBODE);
  EXPECT_EQ(window->view()->m_wDiagram, 6);
  for (int k = 0; k < 2; ++k)
    for (int j = 20; j < 199; j += 7) {
      const McComplex l = freq().m_pLoci[j * 2 + k], g = freq().m_pLociGain[j * 2 + k];
      const double u = std::log10(SweepW(j));
      for (auto [image, p] : {std::pair{&nyquist, Px(5, l.re, l.im)},
                              {&bode, Px(6, u, g.re)},
                              {&bode, Px(6, u, g.im)}})
        EXPECT_TRUE(!image->rect().contains(p) || At(*image, p) == kBlackPixel)
            << "branch " << k << " point " << j;
    }
}

// A pole on the grid, values near 1e300 and NaN in the stored arrays, a zero
// response in dB, a NaN band radius, F(0, 0) = 0: drawn without a fault, the
// curve broken at a gap and a far point's segment kept in its direction.
TEST_F(FreqViewTest, BadValuesAreDrawnWithoutAFault) {
  g_dFreqMin = 1;
  SetModel(doc(), kModelG, Tf({1}, {1, 0, 1}));
  doc().Recalculate();
  EXPECT_FALSE(std::isfinite(Q(0).re) && std::isfinite(Q(0).im));
  for (UINT command : {NYQUIST, INYQUIST, NICHOLS, BODE}) Show(command);

  g_dFreqMin = 0.001;
  SetModel(doc(), kModelG, Tf({1}, {1, 1}));
  doc().Recalculate();
  doc().m_diagView[1] = {400, 400, 100, 100};
  const QPoint p99 = Px(1, Q(99).re, Q(99).im), p101 = Px(1, Q(101).re, Q(101).im);
  const QPoint p40 = Px(1, Q(40).re, Q(40).im);
  freq().m_pDirect[100] = {kNaN, 0};
  freq().m_pDirect[41] = {1e300, -1e300};
  freq().m_pDirect[150] = {-1e300, kNaN};
  const QImage image = Show(NYQUIST);
  EXPECT_EQ(At(image, (p99 + p101) / 2), kWhitePixel) << "the gap";
  for (int t = 3; t < 40; ++t) EXPECT_EQ(At(image, p40 + QPoint(t, t)), kBlackPixel) << t;

  SetModel(doc(), kModelG, Real(0));
  MakeTwoByTwoExample(doc());
  SetModel(doc(), kModelF, Matrix(2, {Real(0), Real(0), Real(0), Real(1)}));
  doc().Recalculate();
  freq().m_bandDirect[0] = kNaN;
  freq().m_bandInverse[2] = 1e300;
  const QImage cells = Show(NYQUIST);
  EXPECT_EQ(Count(cells.copy(0, 0, cells.width() / 2, cells.height() / 2), kYellow), 0);
  for (UINT command : {INYQUIST, NICHOLS, BODE, CHNYQUIST, CHBODE}) Show(command);
  SetModel(doc(), kModelG, Matrix(2, {Real(0), Real(0), Real(0), Real(0)}));
  doc().Recalculate();
  for (UINT command : {NICHOLS, BODE}) Show(command);
}

}  // namespace

namespace {

// A filled disc counts as covering a 100 x 80 plot only when every corner
// lies inside it with its outline beyond the corner.
TEST(FreqPlot, CoversOnlyWithTheOutlineOutsideThePlot) {
  const FreqPlot plot(nullptr, POINT{0, 0}, 1, 1, 100, 80, false);
  const struct {
    RECT box;
    bool covers;
  } rows[] = {{{-1000, -1000, 1100, 1080}, true}, {{-30, -30, 130, 110}, true},
              {{0, 0, 100, 80}, false},           {{-20, -20, 120, 100}, false},
              {{2000, 0, 2100, 80}, false},       {{50, 40, 50, 40}, false}};
  for (const auto& row : rows) EXPECT_EQ(plot.Covers(row.box), row.covers) << row.box.left;
}

}  // namespace
