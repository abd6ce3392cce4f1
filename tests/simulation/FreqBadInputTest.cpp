// What the sweep makes of loops and settings at the edge: a pole on the grid,
// a degree-60 element, a range of 310 decades, a loop that shrinks under its
// nodes, start and stop a few ulps apart, and an eigenvalue iteration that
// gives up.
#include "tests/simulation/FreqTestSupport.h"
#include "simulation/SIMeigen.h"
#include "tests/simulation/data/FreqReference.h"

#include <cmath>
#include <limits>
#include <vector>

namespace {

using namespace freqtest;

using FreqBadInput = FreqFixture;

bool Finite(const McComplex& z) {
  return std::isfinite(z.re) && std::isfinite(z.im);
}

// 1 / (s^2 + 1) at the first grid point, 1 rad/s, is 1/0: stored as it is,
// and the eigenvalue routine is handed the non-finite matrix and returns.
TEST_F(FreqBadInput, PoleOnTheFirstGridPointEnds) {
  g_dFreqMin = 1.0;
  CQorexDoc doc;
  MakeTwoByTwo(doc, Identity(2), 1, 1, 0,
               Matrix(2, {Tf({1}, {1, 0, 1}), Tf({2}, {3, 1}), Tf({1}, {1, 1}), Tf({1}, {1, 1})}));
  doc.Recalculate();
  const CSIMfreq& f = *doc.m_pFreqModel;
  EXPECT_FALSE(Finite(f.m_pDirect[0]));
  EXPECT_TRUE(std::isnan(f.m_pLoci[0].re));
  for (int k = 1; k < f.m_nFreqs; ++k) {
    EXPECT_TRUE(Finite(f.m_pDirect[4 * k])) << k;
    EXPECT_TRUE(Finite(f.m_pLoci[2 * k])) << k;
  }
}

// (1 + 2s) / (1 + s + ... + s^60): |D|^2 overflows from about 160 rad/s on.
TEST_F(FreqBadInput, DegreeSixtyElementStaysFinite) {
  CQorexDoc doc;
  SetModel(doc, kModelG, Tf({1, 2}, std::vector<double>(61, 1.0)));
  CSIMfreq& f = *doc.m_pFreqModel;
  f.AddNode(900.0, 0, 0, 1.0, 1, &doc);
  doc.Recalculate();
  const cd ref(freqref::kDegree60At900[0], freqref::kDegree60At900[1]);
  EXPECT_LE(std::abs(C(f.m_nodeDirect[0]) - ref), 1e-12 * std::abs(ref));
  EXPECT_LE(std::abs(C(f.m_nodeInverse[0]) - 1.0 / ref), 1e-12 / std::abs(ref));
  for (int k = 0; k < f.m_nFreqs; ++k) {
    EXPECT_TRUE(Finite(f.m_pDirect[k])) << k;
    EXPECT_TRUE(Finite(f.m_pInverse[k])) << k;
  }
}

// Stop / start overflows; the grid still spans the range, and every value
// of the 2 x 2 example stays finite up to 1e300 rad/s.
TEST_F(FreqBadInput, RangeOfThreeHundredTenDecadesStaysFinite) {
  g_dFreqMin = 1e-10;
  g_dFreqMax = 1e300;
  CQorexDoc doc;
  MakeTwoByTwoExample(doc);
  const CSIMfreq& f = *doc.m_pFreqModel;
  const double r = CSIMfreq::GridRatio(g_dFreqMin, g_dFreqMax, g_nFreqSteps);
  EXPECT_NEAR(std::log10(r), 310.0 / 200, 1e-12);
  // At the last point, about 1e298 rad/s, the first element is 1 / (jw).
  const double last = 1e300 / r;
  EXPECT_NEAR(Direct(f, 199, 0, 0).imag() * last, -1.0, 1e-9);
  for (int k = 0; k < f.m_nFreqs; ++k)
    for (int i = 0; i < 4; ++i) {
      EXPECT_TRUE(Finite(f.m_pDirect[4 * k + i])) << k;
      EXPECT_TRUE(Finite(f.m_pInverse[4 * k + i])) << k;
    }
  for (int j = 0; j < 2 * 40; ++j) {
    EXPECT_TRUE(std::isfinite(f.m_bandDirect[j])) << j;
    EXPECT_TRUE(std::isfinite(f.m_bandInverse[j])) << j;
    EXPECT_TRUE(std::isfinite(f.m_bandOstrowski[j])) << j;
  }
}

// Nodes in cell (2, 2) and on branch 2 of a 3 x 3 loop when the loop shrinks
// to 1 x 1: their values become NaN and nothing is read or written outside
// the arrays; grown back, they hold the swept values again.
TEST_F(FreqBadInput, NodesOutsideAShrunkLoopAreLeftOut) {
  CQorexDoc doc;
  MakeThreeByThree(doc);
  CSIMfreq& f = *doc.m_pFreqModel;
  const double w = g_dFreqMin;
  f.AddNode(w, 2, 2, 1.0, 1, &doc);
  f.AddNode(w, 0, 2, 1.0, 6, &doc);
  doc.Recalculate();
  ASSERT_TRUE(Finite(f.m_nodeDirect[0]));
  ASSERT_TRUE(Finite(f.m_nodeLoci[1 * 3 + 2]));

  SetModel(doc, kModelK, Real(1));
  SetModel(doc, kModelG, Tf({1}, {1, 1}));
  SetModel(doc, kModelL, Real(1));
  SetModel(doc, kModelF, Real(1));
  doc.Recalculate();
  ASSERT_EQ(f.m_nDim, 1);
  for (int n = 0; n < 2; ++n) {
    EXPECT_TRUE(std::isnan(f.m_nodeDirect[n].re));
    EXPECT_TRUE(std::isnan(f.m_nodeLoci[n].re));
  }
  f.m_nPickNode = -1;
  f.m_nPickDiagram = 1;
  f.m_dPickFreq = 1.0;
  EXPECT_TRUE(std::isfinite(f.FrequencyCost(&doc)));  // the shrunk nodes cost nothing

  MakeThreeByThree(doc);
  ASSERT_EQ(f.m_nDim, 3);
  EXPECT_EQ(C(f.m_nodeDirect[0]), Direct(f, 0, 2, 2));
  EXPECT_EQ(C(f.m_nodeLoci[1 * 3 + 2]), C(f.m_pLoci[2]));
}

// Start and stop two ulps apart: the grid ratio rounds to 1, so the costs'
// coarse grid would never pass the stop; it ends after M + 1 points.
TEST_F(FreqBadInput, NearlyEqualRangeEnds) {
  g_dFreqMin = 1.0;
  g_dFreqMax = std::nextafter(std::nextafter(1.0, 2.0), 2.0);
  CQorexDoc doc;
  SetModel(doc, kModelG, Real(1));
  doc.Recalculate();
  // Each coarse point adds -|q| = -1 for the constant loop.
  EXPECT_EQ(doc.m_pFreqModel->InteractionCost(&doc), -41.0);
}

// Entries near 1e200 overflow inside the QR shift, so the iteration runs out
// after finding only the eigenvalue that the balancing isolated (the 5, in
// the last position); it returns code 2. The two positions it did not finish
// are NaN, not zeros that a diagram would draw at the origin, and with the
// eigenvectors unfinished every gain and angle is NaN too. The same holds at
// a node.
TEST_F(FreqBadInput, AnEigenIterationThatGivesUpLeavesNaN) {
  const std::vector<double> q = {1e200, 1e200, 0, 2e200, 1e200, 0, 0, 0, 5};
  std::vector<double> a;
  for (double v : q) a.insert(a.end(), {v, 0.0});
  std::vector<double> work(EigenWorkSize(3));
  McComplex w[3];
  ASSERT_EQ(ComplexEigen(a.data(), w, nullptr, 3, work.data()), 2);

  CQorexDoc doc;
  MakeConstantLoop(doc, 3, 3, q);
  CSIMfreq& f = *doc.m_pFreqModel;
  f.AddNode(1.0, 0, 2, 1.0, 5, &doc);  // on branch 2 of the characteristic Nyquist diagram
  doc.Recalculate();
  ASSERT_EQ(f.m_nDim, 3);
  auto expectFailed = [](const McComplex* loci, const McComplex* gains) {
    EXPECT_TRUE(std::isnan(loci[0].re) && std::isnan(loci[0].im));
    EXPECT_TRUE(std::isnan(loci[1].re) && std::isnan(loci[1].im));
    EXPECT_EQ(loci[2].re, 5.0);
    EXPECT_EQ(loci[2].im, 0.0);
    for (int j = 0; j < 3; ++j) EXPECT_TRUE(std::isnan(gains[j].re) && std::isnan(gains[j].im));
  };
  for (int k = 0; k < f.m_nFreqs; k += 50) {
    SCOPED_TRACE(k);
    expectFailed(&f.m_pLoci[3 * k], &f.m_pLociGain[3 * k]);
  }
  expectFailed(&f.m_nodeLoci[0], &f.m_nodeLociGain[0]);
}

}  // namespace
