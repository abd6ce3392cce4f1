// The response bands: Gershgorin's theorem on both designs, the choice of
// rows or columns with its ties, and the 2 x 2 example's Ostrowski radii
// against bench/reference/make_freq_reference.py.
#include "tests/simulation/FreqTestSupport.h"

#include <algorithm>
#include <cmath>

namespace {

using namespace freqtest;

using Bands = FreqFixture;

// Eigenvalue mu lies in the union of the discs |z - centre(i)| <= radius(i).
template <class Centre, class Radius>
bool InUnion(cd mu, int b, Centre centre, Radius radius) {
  for (int i = 0; i < b; ++i)
    if (std::abs(mu - centre(i)) <= radius(i) * (1 + 1e-12) + 1e-14 * std::abs(mu)) return true;
  return false;
}

// Every eigenvalue of Q (NumPy's) lies in the union of the chosen discs, and
// every eigenvalue 1 / mu of Q^-1 in the union of the inverse's discs, at
// every band frequency. (The row discs are checked as row sums below.)
TEST_F(Bands, DiscsHoldEveryEigenvalue) {
  for (const Design& d : kDesigns) {
    SCOPED_TRACE(d.name);
    CQorexDoc doc;
    d.make(doc);
    const CSIMfreq& f = *doc.m_pFreqModel;
    ASSERT_EQ(f.m_nBandDim, d.n);
    for (int j = 0; j < freqref::kBandFrequencies; ++j) {
      const int k = 5 * j, b = d.n;
      auto at = [&](const std::unique_ptr<double[]>& a) {
        return [&a, j, b](int i) { return a[j * b + i]; };
      };
      for (int e = 0; e < d.n; ++e) {
        const double* v = d.eigen + j * d.n * (2 + d.n) + e * (2 + d.n);
        const cd mu(v[0], v[1]);
        auto direct = [&](int i) { return Direct(f, k, i, i); };
        auto inverse = [&](int i) { return Inverse(f, k, i, i); };
        EXPECT_TRUE(InUnion(mu, b, direct, at(f.m_bandDirect))) << j << " " << mu;
        EXPECT_TRUE(InUnion(1.0 / mu, b, inverse, at(f.m_bandInverse))) << j << " " << mu;
      }
    }
  }
}

// Band j belongs to grid point 5 j: its row radii are the row sums there.
TEST_F(Bands, FortyBandFrequenciesAtEveryFifthGridPoint) {
  CQorexDoc doc;
  MakeThreeByThree(doc);
  const CSIMfreq& f = *doc.m_pFreqModel;
  ASSERT_EQ(f.m_nFreqs / f.m_nTickStep, 40);
  for (int j = 0; j < 40; ++j)
    for (int i = 0; i < 3; ++i) {
      double sum = 0.0;
      for (int c = 0; c < 3; ++c)
        if (c != i) sum += std::abs(Direct(f, 5 * j, i, c));
      EXPECT_NEAR(f.m_bandDirectRow[j * 3 + i], sum, 1e-14 * sum) << j;
    }
}

// Constant loops, so every band frequency sees the same matrix. The rows are
// chosen when the columns violate diagonal dominance more, or as much with a
// larger total radius; equal totals keep the columns.
TEST_F(Bands, RowsOrColumnsByViolationThenByTotal) {
  const struct {
    const char* name;
    int rows, columns;
    std::vector<double> q;
    double chosen[2];
  } cases[] = {
      {"columns violate, rows do not: rows", 2, 2, {1, 0.5, 3, 4}, {0.5, 3}},
      {"rows violate, columns do not: columns", 2, 2, {1, 3, 0.5, 4}, {0.5, 3}},
      {"equal violations, equal totals: columns", 2, 2, {1, 2, 3, 1}, {3, 2}},
      {"no violation, columns smaller: columns", 2, 3, {5, 1, 1, 1, 5, 1}, {1, 1}},
      {"no violation, rows smaller: rows", 3, 2, {5, 1, 1, 5, 1, 1}, {1, 1}},
      // A square loop's totals are always equal; its violations decide.
      {"columns violate more by 1e-9: rows", 2, 2, {1, 2, 2 + 1e-9, 3}, {2, 2 + 1e-9}},
      {"columns violate more by one rounding unit: columns",
       2,
       2,
       {1, 2, std::nextafter(2.0, 3.0), 3},
       {std::nextafter(2.0, 3.0), 2}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    CQorexDoc doc;
    MakeConstantLoop(doc, c.rows, c.columns, c.q);
    const CSIMfreq& f = *doc.m_pFreqModel;
    ASSERT_EQ(f.m_nBandDim, 2);
    for (int j = 0; j < 40; j += 13) {
      EXPECT_EQ(f.m_bandDirect[2 * j], c.chosen[0]);
      EXPECT_EQ(f.m_bandDirect[2 * j + 1], c.chosen[1]);
    }
  }
}

// The side a band of the 3 x 3 design must come from, worked out from the
// swept response: radii by columns and by rows of Q (or Q^-1), the diagonal
// moduli, and whether the frequency is a tie (no diagonal element dominated
// on either side, so both totals add the same moduli).
struct Sides {
  double col[3] = {}, row[3] = {};
  bool tie = false;
  bool rows = false;  // the rows violate dominance less
};

template <class At>
Sides SidesOf(At at) {
  Sides s;
  double vc = 0, vr = 0;
  for (int i = 0; i < 3; ++i) {
    for (int m = 0; m < 3; ++m)
      if (m != i) {
        s.col[i] += std::abs(at(m, i));
        s.row[i] += std::abs(at(i, m));
      }
    const double d = std::abs(at(i, i));
    vc += std::max(0.0, s.col[i] - d);
    vr += std::max(0.0, s.row[i] - d);
  }
  s.tie = vc == 0 && vr == 0;
  s.rows = vc > vr;
  return s;
}

// On the 3 x 3 design of the recalculation benchmark, at every band
// frequency where no diagonal element is dominated the column and row totals
// differ by rounding only: the band keeps the columns there (a side chosen by
// rounding would flip between neighbouring band frequencies). Elsewhere the
// side that violates dominance less is taken.
TEST_F(Bands, TiesWithinRoundingKeepTheColumnsOnTheThreeByThreeDesign) {
  CQorexDoc doc;
  MakeThreeByThree(doc);
  const CSIMfreq& f = *doc.m_pFreqModel;
  ASSERT_EQ(f.m_nBandDim, 3);
  int ties = 0;
  for (int j = 0; j < 40; ++j) {
    const int k = 5 * j;
    const Sides direct = SidesOf([&](int r, int c) { return Direct(f, k, r, c); });
    const Sides inverse = SidesOf([&](int r, int c) { return Inverse(f, k, r, c); });
    ties += direct.tie + inverse.tie;
    for (int i = 0; i < 3; ++i) {
      const double d = direct.rows && !direct.tie ? direct.row[i] : direct.col[i];
      const double v = inverse.rows && !inverse.tie ? inverse.row[i] : inverse.col[i];
      EXPECT_NEAR(f.m_bandDirect[3 * j + i], d, 1e-14 * d) << j << (direct.tie ? " tie" : "");
      EXPECT_NEAR(f.m_bandInverse[3 * j + i], v, 1e-14 * v) << j << (inverse.tie ? " tie" : "");
    }
  }
  EXPECT_GE(ties, 20);  // the ties are not a rare case here
}

TEST_F(Bands, OstrowskiRadiiOfTheTwoByTwoExampleMatchTheReference) {
  CQorexDoc doc;
  MakeTwoByTwoExample(doc);
  const CSIMfreq& f = *doc.m_pFreqModel;
  for (int j = 0; j < freqref::kBandFrequencies; ++j)
    for (int i = 0; i < 2; ++i) {
      const double ref = freqref::kOstrowski2[j][i];
      EXPECT_NEAR(f.m_bandOstrowski[2 * j + i], ref, 1e-10 * ref) << j << " " << i;
    }
}

// Both switches off: no band dimension, and the radii of the last sweep
// with bands stay as they were.
TEST_F(Bands, SwitchedOffLeavesTheArraysAlone) {
  CQorexDoc doc;
  MakeTwoByTwoExample(doc);
  CSIMfreq& f = *doc.m_pFreqModel;
  f.m_bandDirect[0] = -7.0;
  g_bFreqFlags &= ~kFreqBands;
  doc.Recalculate();
  EXPECT_EQ(f.m_nBandDim, 0);
  EXPECT_EQ(f.m_bandDirect[0], -7.0);
  g_bFreqFlags |= kFreqOstrowski;  // Ostrowski alone turns them on again
  doc.Recalculate();
  EXPECT_EQ(f.m_nBandDim, 2);
  EXPECT_NE(f.m_bandDirect[0], -7.0);
}

}  // namespace
