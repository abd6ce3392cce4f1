// The Equalizer's weighted cost: the weights, the terms against hand-computed
// values and against NumPy's on a 2 x 2 design, the integration error
// estimate, the magnitude knee and the failure values.
#include "tests/search/EqualizerTestSupport.h"
#include "tests/search/data/EqualizerReference.h"

#include "search/MagnitudeKnee.h"
#include "simulation/SIMfreq.h"

#include <cmath>

namespace {

using namespace eqtest;

TEST_F(EqualizerTest, WeightsAreStoredInTheirOwnOrderAndReadByCriterion) {
  for (int c = 0; c < 9; ++c) m_engine.SetWeight(c, 10.0 * c);
  const double stored[] = {0, 70, 10, 20, 30, 50, 40, 60, 80};
  for (int slot = 0; slot < 9; ++slot) EXPECT_EQ(m_engine.m_weights[slot], stored[slot]) << slot;
  double byCriterion[9];
  m_engine.CriterionWeights(byCriterion);
  for (int c = 0; c < 9; ++c) EXPECT_EQ(byCriterion[c], 10.0 * c);
}

TEST_F(EqualizerTest, CostIsTheWeightedSumOfTheTermsTimesTheErrorFactor) {
  ProportionalLoop();
  m_engine.CollectFreeVariables();
  EXPECT_EQ(m_engine.ComputeCost(TRUE), 0.0) << "all weights 0";
  for (int c = 0; c < 8; ++c) m_engine.SetWeight(c, c + 1.0);
  m_engine.m_wMode = kEqualizerRecording;
  EXPECT_EQ(m_engine.ComputeCost(TRUE), 0.0) << "recording measures only";

  m_engine.m_wMode = 0;
  const double cost = m_engine.ComputeCost(TRUE);
  TestRun();
  const double terms[] = {m_engine.CostFinalValue(),   m_engine.CostTimeConstant(),
                          m_engine.CostOscillations(), m_engine.CostInteraction(),
                          m_engine.CostVRejection(),   m_engine.CostDRejection(),
                          m_engine.CostNRejection(),   m_engine.CostControlAmplitude()};
  double S = 0.0;
  for (int c = 0; c < 8; ++c) S += terms[c] * (c + 1.0);
  const double E = m_engine.EstimateIntegrationError();
  EXPECT_GT(E, 0.0);
  EXPECT_NEAR(cost, std::pow(10.0, E) * S, 1e-12 * cost);
  EXPECT_EQ(terms[7], 30.0) << "10 times the control action's peak k";
}

TEST_F(EqualizerTest, OscillationTermOfAFourSamplePattern) {
  ProportionalLoop();
  TestRun();
  // 0, 0.2, 1, 0.4, then flat: the rise steepens by 0.6 and the fall from 1
  // to 0.4 adds 0.6.
  const double pattern[] = {0.0, 0.2, 1.0, 0.4};
  for (int k = 0; k < Z().m_nColumns; ++k) Z().At(0, k) = k < 4 ? pattern[k] : 0.4;
  EXPECT_DOUBLE_EQ(m_engine.CostOscillations(), 1.2);
}

TEST_F(EqualizerTest, IntegrationErrorIsZeroForAStaticLoopAndFallsWithTheSamplingTime) {
  Design(Real(1), Real(1), Real(0), 0.1);
  TestRun();
  EXPECT_EQ(m_engine.EstimateIntegrationError(), 0.0);
  double previous = 0.0;
  for (double ts : {0.025, 0.05, 0.1}) {
    ProportionalLoop(ts);
    TestRun();
    const double E = m_engine.EstimateIntegrationError();
    EXPECT_GT(E, previous) << ts;
    previous = E;
  }
}

// The 2 x 2 design of the NumPy reference: G coupled both ways, K two PI
// controllers, P = L = F = I. Its run has two step blocks, so the final
// value's sample weight runs on through the second block, the time constant
// walks both blocks backwards, each block counts the other output's
// deviation, and the window terms add up both rows.
class CostReferenceTest : public EqualizerTest {
 protected:
  void SetUp() override {
    EqualizerTest::SetUp();
    namespace ref = equalizer_reference;
    auto pi = [](int i) {
      return Tf({ref::kGain[i], ref::kGain[i] * ref::kIntegral[i]}, {0, ref::kIntegral[i]});
    };
    MakeTwoByTwo(
        Doc(), Matrix(2, {pi(0), Real(0), Real(0), pi(1)}), 1, 1, 0,
        Matrix(2, {Tf({1}, {1, 1}), Tf({0.5}, {1, 2}), Tf({0.3}, {2, 1}), Tf({2}, {1, 1.5, 0.5})}));
    Doc().m_dSamplingTime = ref::kTs;
    Doc().Recalculate();
    ASSERT_EQ(Doc().m_system.m_nError, kSimOk);
  }
};

TEST_F(CostReferenceTest, EachTermAloneMatchesNumPy) {
  TestRun();
  ASSERT_EQ(m_engine.m_nOutputs, 2);
  ASSERT_EQ(m_engine.m_nRunLength, 290);
  const struct {
    const char* name;
    int criterion;
    double value;
  } rows[] = {
      {"final value", 0, m_engine.CostFinalValue()},
      {"time constant", 1, m_engine.CostTimeConstant()},
      {"oscillations", 2, m_engine.CostOscillations()},
      {"interaction", 3, m_engine.CostInteraction()},
      {"v rejection", 4, m_engine.CostVRejection()},
      {"d rejection", 5, m_engine.CostDRejection()},
      {"n rejection", 6, m_engine.CostNRejection()},
      {"control amplitude", 7, m_engine.CostControlAmplitude()},
  };
  for (const auto& row : rows) {
    const double expected = equalizer_reference::kTerms[row.criterion];
    EXPECT_NEAR(row.value, expected, 1e-9 * expected) << row.name;
  }
  EXPECT_NEAR(m_engine.EstimateIntegrationError(), equalizer_reference::kIntegrationError, 1e-9);
}

TEST_F(CostReferenceTest, WeightedCostMatchesNumPy) {
  for (int c = 0; c < 8; ++c) m_engine.SetWeight(c, equalizer_reference::kWeights[c]);
  m_engine.CollectFreeVariables();
  EXPECT_NEAR(m_engine.ComputeCost(TRUE), equalizer_reference::kCost,
              1e-9 * equalizer_reference::kCost);
}

// K = k + q - q: q is free but leaves the loop as it is.
class KneeTest : public EqualizerTest {
 protected:
  void SetUp() override {
    EqualizerTest::SetUp();
    Design(Sum({Variable("k"), Variable("q"), Variable("q", 1)}), Tf({1}, {1, 1}), Real(1), 0.1);
    Var("k") = 3.0;
    m_engine.CollectFreeVariables();
    ASSERT_EQ(m_engine.m_freeVars.m_nCount, 2);
  }
  // The cost with q at `q` over the cost with the knee out of reach.
  double Penalty(double q) {
    Var("q") = q;
    const double penalised = m_engine.ComputeCost(TRUE);
    g_dMagSupKnee = 1e9;
    const double plain = m_engine.ComputeCost(TRUE);
    g_dMagSupKnee = 300.0;
    return penalised / plain;
  }
};

TEST_F(KneeTest, AVariableOneBeyondTheKneeMultipliesTheCostByE) {
  m_engine.SetWeight(0, 1.0);
  EXPECT_NEAR(Penalty(301.0), std::exp(1.0), 1e-12);
  EXPECT_EQ(Penalty(-300.0), 1.0);
}

TEST_F(KneeTest, OverflowAndNotANumberGiveTheWorstCost) {
  m_engine.SetWeight(0, 1.0);
  g_dErrorSuppression = 1e308;  // 10^E overflows
  EXPECT_EQ(m_engine.ComputeCost(TRUE), CEqualizerEngine::kFailedCost);
  g_dErrorSuppression = 1.0;
  m_engine.SetWeight(0, 0.0);
  Var("q") = 1e6;  // exp(a - knee) overflows; times S = 0 is not a number
  EXPECT_EQ(m_engine.ComputeCost(TRUE), CEqualizerEngine::kFailedCost);
}

TEST_F(KneeTest, ANegativeFrequencyCostIsDividedByThePenalty) {
  EXPECT_EQ(ApplyMagnitudeKnee(-2.0, std::exp(1.0)), -2.0 / std::exp(1.0));
  EXPECT_EQ(ApplyMagnitudeKnee(2.0, std::exp(1.0)), 2.0 * std::exp(1.0));
  CSIMfreq& engine = *Doc().m_pFreqModel;
  engine.m_nMode = 1;  // interaction: minus the diagonal moduli first
  Var("q") = 301.0;
  const double raw = engine.FrequencyCost(&Doc());
  ASSERT_LT(raw, 0.0);
  m_engine.m_wMode = kSearchFrequencyCost;
  EXPECT_NEAR(m_engine.ComputeCost(TRUE), raw / std::exp(1.0), 1e-12 * std::fabs(raw));
  engine.m_nMode = 0;
}

}  // namespace
