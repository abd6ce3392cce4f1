// The automatic tuner's construction and its cost: the weighted squared
// difference between the compensated output z and the setpoint c.
#include "QorexDoc.h"
#include "search/KFinder.h"
#include "simulation/SIMsignal.h"
#include "simulation/SIMsystem.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <limits>
#include <vector>

namespace {

// Gives the signal exactly rows x columns samples (no spare room, so that a
// read past the end is caught by the address sanitizer).
void Fill(CSIMsignal& s, int rows, int columns, const std::vector<double>& samples) {
  ASSERT_EQ(samples.size(), static_cast<size_t>(rows * columns));
  delete[] s.m_pSamples;
  s.m_pSamples = new double[samples.size()];
  std::copy(samples.begin(), samples.end(), s.m_pSamples);
  s.m_nRows = rows;
  s.m_nColumns = columns;
  s.m_nCapacity = rows * columns;
}

// Two outputs, three samples: squared differences 0 1 4 in row 0, 1 0 0 in row 1.
void TwoOutputs(CSIMsystem& sys) {
  Fill(sys.m_z, 2, 3, {1, 2, 3, 0, 1, 1});
  Fill(sys.m_c, 2, 3, {1, 1, 1, 1, 1, 1});
}

class DrivenDocument {
 public:
  explicit DrivenDocument(CQorexDoc* doc) { g_pSimDoc = doc; }
  ~DrivenDocument() { g_pSimDoc = nullptr; }
};

}  // namespace

TEST(KFinder, WeightedErrorAgainstHandComputation) {
  const struct {
    const char* what;
    int weightRows;
    std::vector<double> weight;  // empty: no weight
    double expected;
  } cases[] = {
      {"no weight", 0, {}, 0 + 1 + 4 + 1},
      // A row per output: 1*0 + 2*1 + 3*4 + 10*1.
      {"one weight row per output", 2, {1, 2, 3, 10, 20, 30}, 24},
      // Otherwise the first row weighs every output: (2 + 12) + 1.
      {"a single weight row", 1, {1, 2, 3}, 15},
      {"more weight rows than outputs", 3, {1, 2, 3, 7, 7, 7, 9, 9, 9}, 15},
      // A shorter weight counts only the samples it covers: (0 + 2) + 10.
      {"a weight shorter than the run", 2, {1, 2, 10, 20}, 12},
  };
  for (const auto& c : cases) {
    CSIMsystem sys;
    TwoOutputs(sys);
    CSIMsignal weight;
    const int rows = c.weightRows;
    if (rows > 0) Fill(weight, rows, static_cast<int>(c.weight.size()) / rows, c.weight);
    EXPECT_DOUBLE_EQ(CKFinder::WeightedError(sys, c.weight.empty() ? nullptr : &weight), c.expected)
        << c.what;
  }
  // Only what output and setpoint share counts: one setpoint row, output 0;
  // a shorter setpoint, samples 0 and 1.
  CSIMsystem sys;
  TwoOutputs(sys);
  Fill(sys.m_c, 1, 3, {1, 1, 1});
  EXPECT_DOUBLE_EQ(CKFinder::WeightedError(sys, nullptr), 5);
  Fill(sys.m_c, 2, 2, {1, 1, 1, 1});
  EXPECT_DOUBLE_EQ(CKFinder::WeightedError(sys, nullptr), 0 + 1 + 1 + 0);
}

TEST(KFinder, ComputeCostStoresQuickOrFullCostOfTheDrivenDocumentAndCapsIt) {
  CQorexDoc doc;
  Fill(doc.m_errorWeight, 1, 3, {1, 1, 1});
  CSIMsystem sys;
  Fill(sys.m_z, 1, 3, {1, 2, 3});
  Fill(sys.m_c, 1, 3, {1, 1, 1});
  CKFinder finder;
  finder.m_dQuickCost = -1;
  finder.m_dFullCost = -1;

  finder.ComputeCost(&sys, true);  // no driven document: nothing
  EXPECT_EQ(finder.m_dQuickCost, -1);

  DrivenDocument driven(&doc);
  finder.ComputeCost(&sys, true);
  EXPECT_DOUBLE_EQ(finder.m_dQuickCost, 5);
  EXPECT_EQ(finder.m_dFullCost, -1);
  sys.m_z.m_pSamples[0] = 4;
  finder.ComputeCost(&sys, false);
  EXPECT_DOUBLE_EQ(finder.m_dFullCost, 14);
  EXPECT_DOUBLE_EQ(finder.m_dQuickCost, 5);
  // A cost that is not finite is stored as 1e200 (1e200 squared overflows too).
  for (double bad :
       {std::numeric_limits<double>::infinity(), std::numeric_limits<double>::quiet_NaN(), 1e200}) {
    sys.m_z.m_pSamples[1] = bad;
    finder.ComputeCost(&sys, true);
    EXPECT_EQ(finder.m_dQuickCost, 1e200) << bad;
  }
}
