// The pattern minimiser, and the trade-off window on a hand-made population.
#include "tests/support/QorexAppFixture.h"

#include "MainFrm.h"
#include "platform/testing/TestHooks.h"
#include "search/QOX_HistVar.h"
#include "search/QSearch.h"
#include "search/TradeoffWnd.h"

#include <cmath>
#include <vector>

namespace {

TEST(QSearch, TheQuadraticTraceStepsAsTheRuleSaysAndEndsAtTheMinimum) {
  CQSearch search;
  std::vector<double> probes;
  double x = 0.0;
  const double f = search.Minimise(&x, 1, [&](const double* v, int) {
    probes.push_back(v[0]);
    return (v[0] - 3) * (v[0] - 3);
  });
  EXPECT_EQ(f, 0.0);
  EXPECT_EQ(x, 3.0);
  // The start; sweep 1 up to 1; sweep 2 up to 2 (the up step doubles to 2);
  // sweep 3 finds 4 and 1.5 no better and halves both; sweep 4 reaches 3.
  const std::vector<double> first = {0, 1, 2, 4, 1.5, 3};
  ASSERT_GE(probes.size(), first.size());
  EXPECT_EQ(std::vector<double>(probes.begin(), probes.begin() + 6), first);
  EXPECT_EQ(search.m_pDir[0], 0) << "at the minimum both sides are worse";
}

TEST(QSearch, StepsStartAtATenthOfTheMagnitudeAndAtLeastOne) {
  const struct { double x, step; } rows[] = {{50, 5}, {-50, 5}, {0, 1}, {9, 1}, {10, 1}, {11, 1.1}};
  for (const auto& row : rows) {
    CQSearch search;
    double x = row.x;
    std::vector<double> probes;
    search.Minimise(&x, 1, [&](const double* v, int) {
      probes.push_back(v[0]);
      return 1.0;  // flat: every probe ties
    });
    ASSERT_GE(probes.size(), 3u);
    EXPECT_DOUBLE_EQ(probes[1], row.x + row.step) << row.x;
    EXPECT_DOUBLE_EQ(probes[2], row.x - row.step) << row.x;
  }
}

TEST(QSearch, TheArraysGrowOnlyForALargerN) {
  CQSearch search;
  EXPECT_EQ(search.m_nCapacity, 2);
  auto sum = [](const double* v, int n) {
    double s = 0;
    for (int i = 0; i < n; ++i) s += v[i] * v[i];
    return s;
  };
  const struct {
    int n, capacity;
    bool same;
  } rows[] = {{1, 2, true}, {2, 2, true}, {5, 5, false}, {3, 5, true}};
  for (const auto& row : rows) {
    const double* up = search.m_pUp;
    std::vector<double> x(row.n, 4.0);
    search.Minimise(x.data(), row.n, sum);
    EXPECT_EQ(search.m_nCapacity, row.capacity) << row.n;
    EXPECT_EQ(search.m_pUp == up, row.same) << row.n;
  }
}

TEST(QSearch, TheRosenbrockCostFalls) {
  CQSearch search;
  double x[2] = {-1.2, 1.0};
  auto rosenbrock = [](const double* v, int) {
    return 100 * std::pow(v[1] - v[0] * v[0], 2) + std::pow(1 - v[0], 2);
  };
  const double start = rosenbrock(x, 2);
  const double end = search.Minimise(x, 2, rosenbrock);
  EXPECT_LT(end, start / 4);
  EXPECT_EQ(end, rosenbrock(x, 2)) << "x is left at the point of the result";
}

// ---- the trade-off window ---------------------------------------------------------------

class Tradeoff : public QorexAppTest {
 protected:
  void SetUp() override {
    QorexAppTest::SetUp();
    h = ActiveDoc()->m_pHistory;
    h->KillAll();
    wnd.m_pDoc = ActiveDoc();
  }
  void TearDown() override {
    if (wnd.GetSafeHwnd()) wnd.DestroyWindow();
    QorexAppTest::TearDown();
  }
  // Criteria 0 and 1 per entry, the others 0.
  void Add(double c0, double c1) {
    double criteria[9] = {c0, c1};
    h->Add(criteria);
  }
  // The five-entry example: criterion 0 = 1/4, 3/4, 1/2, 1, 1/8 and
  // criterion 1 = 1/2, 3/8, 7/8, 1/8, 3/4.
  void FiveEntries() {
    const double c0[] = {0.25, 0.75, 0.5, 1.0, 0.125}, c1[] = {0.5, 0.375, 0.875, 0.125, 0.75};
    for (int e = 0; e < 5; ++e) Add(c0[e], c1[e]);
  }
  QImage Shown() {
    if (!wnd.GetSafeHwnd()) {
      const LPCSTR cls =
          AfxRegisterWndClass(0, nullptr, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
      wnd.CreateEx(0, cls, "", WS_CHILD | WS_VISIBLE, CRect(0, 0, 200, 200), Frame(), 4242);
    }
    wnd.Invalidate(TRUE);
    wnd.UpdateWindow();
    QxTest::PumpUntilIdle();
    return QxTest::ClientImage(&wnd);
  }
  QOX_HistVar* h = nullptr;
  CTradeoffWnd wnd;
};

TEST_F(Tradeoff, ComputeFindsTheRangesAndTheBestSelectedValuePerBin) {
  FiveEntries();
  EXPECT_EQ(wnd.m_nBins, 20);
  wnd.Resize(4);
  wnd.m_nSelected = 1;
  wnd.Compute();
  const double empty = CTradeoffWnd::kEmpty;
  const struct {
    int c;
    double max, min, nearest, far;
    std::vector<double> curve;
  } rows[] = {
      // bins from 3/8 down to 1/8 by 1/16: 1/4 lies on the edge of bins 1 and 2
      {0, 1.0, 0.125, 0.125, 0.375, {empty, 0.5, 0.5, 0.75}},
      // bins from 7/8 down to 1/8 by 3/16: the nearest of s itself
      {1, 0.875, 0.125, 0.125, 0.875, {0.75, 0.5, 0.375, 0.125}},
      // no range: every bin holds every entry
      {2, 0.0, 0.0, 0.0, 0.0, {0.125, 0.125, 0.125, 0.125}},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.c);
    EXPECT_EQ(wnd.m_dMax[row.c], row.max);
    EXPECT_EQ(wnd.m_dMin[row.c], row.min);
    EXPECT_EQ(wnd.m_dNearest[row.c], row.nearest);
    EXPECT_EQ(wnd.m_dFarEnd[row.c], row.far);
    EXPECT_EQ(std::vector<double>(wnd.m_pCurve[row.c].get(), wnd.m_pCurve[row.c].get() + 4),
              row.curve);
  }
  // A positive target starts the bins at -1e300.
  wnd.m_dTarget[0] = 0.01;
  wnd.Compute();
  EXPECT_EQ(wnd.m_pCurve[0][0], -empty);
}

TEST_F(Tradeoff, PaintsEachCurveStaggeredAndSkipsEmptyBins) {
  FiveEntries();
  wnd.Resize(4);
  wnd.m_nSelected = 1;
  wnd.Compute();
  const QImage image = Shown();
  // range = 1/8 - 7/8 = -3/4, so y = y0 + curve / range * -50 = y0 + 200/3 curve.
  const int x0 = 100, y0 = 100;
  const struct {
    int c, k;
    double curve;
    QRgb colour;
  } vertices[] = {{0, 1, 0.5, qRgb(0, 150, 0)},
                  {0, 2, 0.5, qRgb(0, 150, 0)},
                  {1, 0, 0.75, qRgb(0, 0, 255)},
                  {1, 1, 0.5, qRgb(0, 0, 255)},
                  {1, 2, 0.375, qRgb(0, 0, 255)}};
  for (const auto& v : vertices) {
    const int x = x0 - 10 * v.c + 5 * v.k;
    const int y = static_cast<int>(y0 + 10 * v.c + v.curve / -0.75 * -50.0);
    EXPECT_EQ(image.pixel(x, y) & 0xFFFFFF, v.colour & 0xFFFFFF) << v.c << ", " << v.k;
  }
  // Criterion 0's empty first bin draws nothing at x0.
  for (int y = 0; y < image.height(); ++y)
    EXPECT_NE(image.pixel(x0, y) & 0xFFFFFF, qRgb(0, 150, 0) & 0xFFFFFF) << y;
}

TEST_F(Tradeoff, ADegenerateRangeDrawsNothing) {
  Add(0.5, 0.5);  // one entry: the nearest is the reference, the range 0
  wnd.Compute();
  const QImage image = Shown();
  int coloured = 0;
  for (int y = 0; y < image.height(); ++y)
    for (int x = 0; x < image.width(); ++x) coloured += (image.pixel(x, y) & 0xFFFFFF) != 0xFFFFFF;
  EXPECT_EQ(coloured, 0);
  EXPECT_EQ(wnd.m_dNearest[0] - wnd.m_dFarEnd[0], 0.0);
}

}  // namespace
