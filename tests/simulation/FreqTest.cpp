// The frequency sweep of a recalculated design: the grid, the direct
// response against Octave's freqresp, the inverse, the characteristic loci and
// the gains against NumPy (bench/reference/make_freq_reference.{m,py}), the
// shapes that have no inverse, and the node values.
#include "tests/simulation/FreqTestSupport.h"

#include <algorithm>
#include <cmath>
#include <numeric>

namespace {

using namespace freqtest;

using Sweep = FreqFixture;

cd Ref(const double* table, int width, int line, int i) {
  return {table[line * width + 2 * i], table[line * width + 2 * i + 1]};
}

// The swept grid runs from the start to the stop over the grid ratio, the
// stop itself left out: G = 1 / (s + 1) at its first and last points.
TEST_F(Sweep, GridRunsFromTheStartToOneRatioBelowTheStop) {
  CQorexDoc doc;
  const CSIMfreq& f = *doc.m_pFreqModel;
  ASSERT_EQ(f.m_nFreqs, 200);
  EXPECT_EQ(f.m_dFreqMin, 0.001);
  EXPECT_EQ(f.m_dFreqMax, 1000.0);
  const double ends[] = {freqref::kFirstFrequency, freqref::kLastFrequency};
  const int k[] = {0, 199};
  for (int i = 0; i < 2; ++i) {
    const cd expected = 1.0 / cd(1.0, ends[i]);
    EXPECT_NEAR(std::abs(Direct(f, k[i], 0, 0) - expected), 0.0, 1e-15 * std::abs(expected));
    // A single loop: inverse 1 / q, no bands, no loci.
    EXPECT_NEAR(std::abs(Inverse(f, k[i], 0, 0) - 1.0 / expected), 0.0, 1e-12 * ends[i]);
  }
  EXPECT_EQ(f.m_nBandDim, 0);
  EXPECT_EQ(f.m_nDim, 1);
  EXPECT_TRUE(std::isnan(f.m_pLoci[0].re));
}

TEST_F(Sweep, DirectResponseMatchesOctaveAndInverseNumpy) {
  for (const Design& d : kDesigns) {
    SCOPED_TRACE(d.name);
    CQorexDoc doc;
    d.make(doc);
    const CSIMfreq& f = *doc.m_pFreqModel;
    ASSERT_EQ(f.m_nRows, d.n);
    ASSERT_EQ(f.m_nCols, d.n);
    const int width = 2 * d.n * d.n;
    double worst = 0.0;
    for (int k = 0; k < 200; ++k)
      for (int i = 0; i < d.n * d.n; ++i) {
        const cd ref = Ref(d.direct, width, k, i);
        worst = std::max(worst, std::abs(Direct(f, k, i / d.n, i % d.n) - ref) / std::abs(ref));
      }
    EXPECT_LE(worst, 1e-12);
    // Every element against NumPy's inverse, relative to the largest element.
    for (int j = 0; j < freqref::kBandFrequencies; ++j) {
      double scale = 0.0, error = 0.0;
      for (int i = 0; i < d.n * d.n; ++i)
        scale = std::max(scale, std::abs(Ref(d.inverse, width, j, i)));
      for (int i = 0; i < d.n * d.n; ++i)
        error = std::max(
            error, std::abs(Inverse(f, 5 * j, i / d.n, i % d.n) - Ref(d.inverse, width, j, i)));
      EXPECT_LE(error, 1e-10 * scale) << "band frequency " << j;
    }
  }
}

// The loci are the eigenvalues of F Q as multisets (against NumPy's). Gain j
// is (20 log10 |mu|, the angle between mu's eigenvector and unit vector j)
// for an eigenvalue mu of Q. NumPy's eigenvalues come in another order, so
// some assignment of them to the positions must match every pair.
TEST_F(Sweep, LociGainsAndAnglesMatchNumpyEigenpairs) {
  const double deg = 180.0 / M_PI;
  for (const Design& d : kDesigns) {
    SCOPED_TRACE(d.name);
    CQorexDoc doc;
    d.make(doc);
    const CSIMfreq& f = *doc.m_pFreqModel;
    ASSERT_EQ(f.m_nDim, d.n);
    const int width = d.n * (2 + d.n);
    for (int j = 0; j < freqref::kBandFrequencies; ++j) {
      std::vector<cd> found, ref;
      double norm = 0.0;
      for (int i = 0; i < d.n; ++i) {
        found.push_back(C(f.m_pLoci[5 * j * d.n + i]));
        ref.push_back(Ref(d.loci, 2 * d.n, j, i));
        norm = std::max(norm, std::abs(ref.back()));
      }
      ExpectSameMultiset(found, ref, 1e-10 * norm);
      std::vector<int> order(d.n);
      std::iota(order.begin(), order.end(), 0);
      double best = INFINITY;
      do {
        double worst = 0.0;
        for (int pos = 0; pos < d.n; ++pos) {
          const double* e = d.eigen + j * width + order[pos] * (2 + d.n);
          const McComplex g = f.m_pLociGain[5 * j * d.n + pos];
          const double dB = 20.0 * std::log10(std::abs(cd(e[0], e[1])));
          const double angle = std::acos(std::min(1.0, e[2 + pos])) * deg;
          worst = std::max({worst, std::fabs(g.re - dB), std::fabs(g.im - angle)});
        }
        best = std::min(best, worst);
      } while (std::next_permutation(order.begin(), order.end()));
      EXPECT_LE(best, 1e-7) << "band frequency " << j;
    }
  }
}

// A diagonal loop: the loci are its diagonal elements, each eigenvector a
// unit vector, so every misalignment angle is 0.
TEST_F(Sweep, DiagonalLoopHasItsElementsAsLociAndNoMisalignment) {
  CQorexDoc doc;
  MakeTwoByTwo(doc, Identity(2), 1, 1, 0,
               Matrix(2, {Tf({1}, {1, 1}), Real(0), Real(0), Tf({2}, {3, 1})}));
  doc.Recalculate();
  const CSIMfreq& f = *doc.m_pFreqModel;
  for (int k = 0; k < f.m_nFreqs; k += 7) {
    ExpectSameMultiset({C(f.m_pLoci[2 * k]), C(f.m_pLoci[2 * k + 1])},
                       {Direct(f, k, 0, 0), Direct(f, k, 1, 1)}, 1e-14);
    EXPECT_EQ(f.m_pLociGain[2 * k].im, 0.0);
    EXPECT_EQ(f.m_pLociGain[2 * k + 1].im, 0.0);
  }
}

// Loops without an adjugate inverse: not square, or four rows and more. The
// loci are still swept over F L G K; the gains need a square L G K. The
// Ostrowski radii of the zero inverse are 0: F's diagonal gains (1 here) are
// read by F's own column count, not by L G K's.
TEST_F(Sweep, LoopsWithoutInverseSweepZeros) {
  struct Row {
    const char* name;
    int rows, columns;
    int dim;   // loci per point
    int loci;  // of them, eigenvalues of F L G K
    bool gains;
  } rows[] = {
      {"2 x 3", 2, 3, 3, 3, false}, {"3 x 2", 3, 2, 3, 2, false}, {"4 x 4", 4, 4, 4, 4, true}};
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    CQorexDoc doc;
    std::vector<double> g(row.rows * row.columns);
    for (size_t i = 0; i < g.size(); ++i)
      g[i] = 1.0 + double(i % 3) + (i % (row.columns + 1) == 0 ? 5 : 0);
    MakeConstantLoop(doc, row.rows, row.columns, g);
    const CSIMfreq& f = *doc.m_pFreqModel;
    EXPECT_EQ(f.m_nDim, row.dim);
    EXPECT_EQ(f.m_nBandDim, std::min(row.rows, row.columns));
    for (int j = 0; j < 40 * f.m_nBandDim; ++j) EXPECT_EQ(f.m_bandOstrowski[j], 0.0) << j;
    for (int k = 0; k < f.m_nFreqs; k += 50) {
      for (int i = 0; i < row.rows * row.columns; ++i)
        EXPECT_EQ(Inverse(f, k, i / row.columns, i % row.columns), cd(0.0));
      for (int i = 0; i < row.dim; ++i) {
        EXPECT_EQ(std::isfinite(f.m_pLoci[k * row.dim + i].re), i < row.loci) << i;
        EXPECT_EQ(std::isfinite(f.m_pLociGain[k * row.dim + i].re), row.gains) << i;
      }
    }
  }
}

// A node at a grid frequency holds the swept values of its cell, or the
// swept characteristic values, bit for bit.
TEST_F(Sweep, NodesHoldTheSweptValuesAtTheirFrequency) {
  CQorexDoc doc;
  MakeTwoByTwoExample(doc);
  CSIMfreq& f = *doc.m_pFreqModel;
  const int k = 5;
  double w = g_dFreqMin;
  for (int i = 0; i < k; ++i) w *= CSIMfreq::GridRatio(g_dFreqMin, g_dFreqMax, g_nFreqSteps);
  f.AddNode(w, 1, 0, 1.0, 1, &doc);  // cell (1, 0) of the Nyquist array
  f.AddNode(w, 0, 1, 1.0, 5, &doc);  // branch 1 of the characteristic Nyquist diagram
  doc.Recalculate();
  EXPECT_EQ(C(f.m_nodeDirect[0]), Direct(f, k, 1, 0));
  EXPECT_EQ(C(f.m_nodeInverse[0]), Inverse(f, k, 1, 0));
  for (int n = 0; n < 2; ++n)
    for (int b = 0; b < 2; ++b) {
      EXPECT_EQ(C(f.m_nodeLoci[n * 2 + b]), C(f.m_pLoci[k * 2 + b]));
      EXPECT_EQ(C(f.m_nodeLociGain[n * 2 + b]), C(f.m_pLociGain[k * 2 + b]));
    }
}

}  // namespace
