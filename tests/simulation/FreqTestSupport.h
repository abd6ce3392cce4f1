#pragma once
// Shared by the frequency engine's tests: the two reference loops, the sweep
// settings kept and restored around each test, and complex views of the
// engine's arrays.
#include "GlobalResources.h"
#include "simulation/SIMfreq.h"
#include "tests/simulation/SimTestSupport.h"
#include "tests/simulation/data/FreqReference.h"
#include "tests/simulation/data/FreqResponseReference.h"

#include <gtest/gtest.h>

#include <complex>
#include <vector>

namespace freqtest {

using namespace simtest;

inline cd C(const McComplex& z) {
  return {z.re, z.im};
}

// The sweep settings are process-wide: every test starts from the defaults
// and leaves them as it found them.
class FreqFixture : public ::testing::Test {
 protected:
  void SetUp() override {
    g_bFreqFlags = kFreqGershgorin | kFreqReturnDifference;
    g_nFreqSteps = 200;
    g_nFreqTickStep = 5;
    g_dFreqMin = 0.001;
    g_dFreqMax = 1000.0;
  }
  void TearDown() override { SetUp(); }
};

// The 3 x 3 design of the loop's benchmark: G = [1/(s+1), 0.5/(2s+1),
// 0.2/(s+3); 0.3/(s+2), 2/((s+1)(0.5s+1)), 0.4/(s+1); 0.1/(s+4), 0.2/(s+2),
// 1.5/(s+1)^2], K = diag(k_i (1 + T_i s) / (T_i s)), k = (2, 1.5, 1),
// T = (1, 2, 1), P = L = F = I; recalculated.
inline void MakeThreeByThree(CQorexDoc& doc) {
  const double k[] = {2, 1.5, 1}, T[] = {1, 2, 1};
  std::vector<CMcBasic*> kCells;
  for (int i = 0; i < 9; ++i)
    kCells.push_back(i % 4 == 0 ? Tf({k[i / 4], k[i / 4] * T[i / 4]}, {0, T[i / 4]}) : Real(0));
  SetModel(doc, kModelP, Identity(3));
  SetModel(doc, kModelK, Matrix(3, kCells));
  SetModel(doc, kModelG,
           Matrix(3, {Tf({1}, {1, 1}), Tf({0.5}, {1, 2}), Tf({0.2}, {3, 1}), Tf({0.3}, {2, 1}),
                      Tf({2}, {1, 1.5, 0.5}), Tf({0.4}, {1, 1}), Tf({0.1}, {4, 1}),
                      Tf({0.2}, {2, 1}), Tf({1.5}, {1, 2, 1})}));
  SetModel(doc, kModelL, Identity(3));
  SetModel(doc, kModelF, Identity(3));
  SetSignal(doc, kSigC, Matrix(1, {Real(1), Real(1), Real(1)}));
  for (int slot : {kSigV, kSigD, kSigN})
    SetSignal(doc, slot, Matrix(1, {Real(0), Real(0), Real(0)}));
  doc.Recalculate();
}

// The 2 x 2 example: G = [1/(s+1), 2/(s+3); 1/(s+1), 1/(s+1)], K = L = I,
// F = diag(2, 0.5); recalculated.
inline void MakeTwoByTwoExample(CQorexDoc& doc) {
  MakeTwoByTwo(doc, Identity(2), 1, 1, 0);
  SetModel(doc, kModelF, Matrix(2, {Real(2), Real(0), Real(0), Real(0.5)}));
  doc.Recalculate();
}

// A loop of constant blocks: LGK = G (rows x columns), K and L identities,
// F the columns x rows matrix with ones on its diagonal; recalculated. The
// signals keep the default shapes: only the sweep is of interest.
inline void MakeConstantLoop(CQorexDoc& doc, int rows, int columns, std::vector<double> g) {
  std::vector<CMcBasic*> cells, f;
  for (double v : g) cells.push_back(Real(v));
  for (int i = 0; i < rows * columns; ++i) f.push_back(Real(i / rows == i % rows ? 1 : 0));
  SetModel(doc, kModelK, Identity(columns));
  SetModel(doc, kModelG, Matrix(columns, cells));
  SetModel(doc, kModelL, Identity(rows));
  SetModel(doc, kModelF, Matrix(rows, f));
  doc.Recalculate();
}

// The two reference loops with their Octave and NumPy tables.
struct Design {
  const char* name;
  void (*make)(CQorexDoc&);
  int n;
  const double* direct;   // 200 x 2 n^2 (Octave)
  const double* inverse;  // 40 x 2 n^2 (NumPy), and so on
  const double* loci;
  const double* eigen;
};

inline const Design kDesigns[] = {
    {"3 x 3 design", MakeThreeByThree, 3, &freqresp::kDirect3[0][0], &freqref::kInverse3[0][0],
     &freqref::kLoci3[0][0], &freqref::kEigen3[0][0]},
    {"2 x 2 example", MakeTwoByTwoExample, 2, &freqresp::kDirect2[0][0], &freqref::kInverse2[0][0],
     &freqref::kLoci2[0][0], &freqref::kEigen2[0][0]},
};

// Q(r, c) at grid point k of the last sweep.
inline cd Direct(const CSIMfreq& f, int k, int r, int c) {
  return C(f.m_pDirect[(size_t(k) * f.m_nRows + r) * f.m_nCols + c]);
}
inline cd Inverse(const CSIMfreq& f, int k, int r, int c) {
  return C(f.m_pInverse[(size_t(k) * f.m_nRows + r) * f.m_nCols + c]);
}

// Every value of `found` is claimed by a distinct nearest value of `ref`
// within tol.
inline void ExpectSameMultiset(std::vector<cd> found, std::vector<cd> ref, double tol) {
  ASSERT_EQ(found.size(), ref.size());
  for (cd r : ref) {
    auto nearer = [&](cd a, cd b) { return std::abs(a - r) < std::abs(b - r); };
    const auto best = std::min_element(found.begin(), found.end(), nearer);
    EXPECT_LE(std::abs(*best - r), tol) << "value " << r;
    found.erase(best);
  }
}

}  // namespace freqtest
