// The Equalizer's test run and its nine criteria: closed forms of small
// loops, samples written into the output, the test geometry, and recording
// a design into the population.
#include "tests/search/EqualizerTestSupport.h"

#include "MC/McFunctions.h"
#include "platform/core/Clock.h"

#include <cmath>
#include <limits>

namespace {

using namespace eqtest;

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

using Measure = double (CEqualizerEngine::*)() const;

// ---- closed forms ------------------------------------------------------------------------

// 1 + k/(s + 1): the output settles at k/(1 + k) = 0.75, the control action
// starts at k, and the closed-loop pole -(1 + k) moves by 0.01 k.
TEST_F(EqualizerTest, ProportionalLoopClosedForms) {
  ProportionalLoop();
  m_engine.CollectFreeVariables();
  TestRun();
  EXPECT_EQ(m_engine.m_nRunLength, 190);
  EXPECT_NEAR(m_engine.MeasureFinalValue(), std::pow(0.25, 0.25), 1e-12);
  EXPECT_EQ(m_engine.MeasureControlAmplitude(), 0.3);
  const double k = Var("k");
  const CSIMtrnfn& det = Doc().m_system.m_detIFLGK;
  const McComplex pole = det.m_zeros[1];
  EXPECT_NEAR(m_engine.MeasurePoleMobility(), std::pow(0.01 * k / 2, 0.25), 1e-10);
  EXPECT_EQ(Var("k"), 3.0);
  // The loop's own determinant is what the population reads next.
  ASSERT_EQ(det.m_nNum, 2);
  EXPECT_EQ(det.m_zeros[1].re, pole.re);
}

// Open loop (F = 0, G = 1): the output is the controller's sampled step
// response one sample late.
TEST_F(EqualizerTest, FirstOrderControllerTimeConstant) {
  const double tau = 2.0, ts = 0.1;
  Design(Tf({1}, {1, tau}), Real(1), Real(0), ts);
  TestRun();
  EXPECT_NEAR(m_engine.MeasureTimeConstant(), std::exp(-ts / tau), 1e-8);
}

TEST_F(EqualizerTest, UnderdampedControllerOscillationsReadTheSampleBeforeEachTurn) {
  // 0.075 rad per sample: peak and valley inside the block; RK4's phase
  // error over the block stays near 1e-6.
  const double wn = 10.0, zeta = 0.1, ts = 0.0075;
  Design(Tf({wn * wn}, {wn * wn, 2 * zeta * wn, 1}), Real(1), Real(0), ts);
  TestRun();
  // The step response at the sample times, z(k) = s((k - 1) ts).
  const double wd = wn * std::sqrt(1 - zeta * zeta);
  auto z = [&](int k) {
    const double t = (k - 1) * ts;
    if (k < 1) return 0.0;
    return 1 - std::exp(-zeta * wn * t) *
                   (std::cos(wd * t) + zeta / std::sqrt(1 - zeta * zeta) * std::sin(wd * t));
  };
  int peak = 1;
  while (z(peak) <= z(peak + 1)) ++peak;
  int valley = peak + 1;
  while (z(valley) > z(valley + 1)) ++valley;
  ASSERT_LT(valley, 99);
  const double A = z(peak - 1) - z(valley - 1);  // the first swing is the largest
  EXPECT_NEAR(m_engine.MeasureOscillations(), std::pow(A / 2, 0.25), 1e-5);
}

TEST_F(EqualizerTest, UnitControllerOpenLoop) {
  Design(Real(1), Real(1), Real(0), 0.1);
  TestRun();
  const struct {
    Measure measure;
    double value;
  } rows[] = {
      {&CEqualizerEngine::MeasureVRejection, std::pow(0.125, 0.25)},  // 15 of 30 samples at 1.5
      {&CEqualizerEngine::MeasureDRejection, std::pow(0.125, 0.25)},
      {&CEqualizerEngine::MeasureNRejection, 0.0},  // the noise is added after z
      {&CEqualizerEngine::MeasureFinalValue, 0.0},
      {&CEqualizerEngine::MeasureTimeConstant, 0.0},  // one jump from 0 to 1
  };
  for (const auto& row : rows) EXPECT_NEAR((m_engine.*row.measure)(), row.value, 1e-15);
}

TEST_F(EqualizerTest, TwoByTwoCouplingIsTheInteraction) {
  const double a = 0.4;
  MakeTwoByTwo(Doc(), Identity(2), 1, 1, 0, Matrix(2, {Real(1), Real(a), Real(0), Real(1)}));
  SetModel(Doc(), kModelF, Matrix(2, {Real(0), Real(0), Real(0), Real(0)}));
  Doc().Recalculate();
  TestRun();
  EXPECT_EQ(m_engine.m_nOutputs, 2);
  EXPECT_EQ(m_engine.m_nRunLength, 290);
  EXPECT_NEAR(m_engine.MeasureInteraction(), a, 1e-15);
  EXPECT_NEAR(m_engine.CostInteraction(), (a + 1) * a * 100, 1e-12);
}

// ---- samples written into the output -----------------------------------------------------

TEST_F(EqualizerTest, CriteriaOfWrittenSamples) {
  ProportionalLoop();
  TestRun();
  auto fill = [&](auto f) {
    for (int k = 0; k < Z().m_nColumns; ++k) Z().At(0, k) = f(k);
  };
  // A triangle of period 20 samples: peaks 1 at k = 10, 30, ..., valleys 0
  // at 20, 40, ...; the sample before each turn gives 0.9 and 0.1.
  auto triangle = [](int k) { return (k % 20 <= 10 ? k % 20 : 20 - k % 20) / 10.0; };
  const struct {
    const char* name;
    std::function<double(int)> z;
    Measure measure;
    double value;
  } rows[] = {
      {"flat", [](int) { return 0.0; }, &CEqualizerEngine::MeasureTimeConstant, 1.0},
      {"flat", [](int) { return 0.0; }, &CEqualizerEngine::MeasureFinalValue, 1.0},
      {"jump above 1", [](int k) { return k >= 50 ? 1.5 : 0.0; },
       &CEqualizerEngine::MeasureTimeConstant, 0.0},
      {"monotone", [](int k) { return 1 - std::exp(-0.1 * k); },
       &CEqualizerEngine::MeasureOscillations, 0.0},
      {"triangle", triangle, &CEqualizerEngine::MeasureOscillations, std::pow(0.8 / 2, 0.25)},
  };
  for (const auto& row : rows) {
    fill(row.z);
    EXPECT_DOUBLE_EQ((m_engine.*row.measure)(), row.value) << row.name;
  }
  // One sample that is not a number fails every criterion that reads it.
  const Measure all[] = {
      &CEqualizerEngine::MeasureFinalValue,   &CEqualizerEngine::MeasureTimeConstant,
      &CEqualizerEngine::MeasureOscillations, &CEqualizerEngine::MeasureVRejection,
      &CEqualizerEngine::MeasureDRejection,   &CEqualizerEngine::MeasureNRejection};
  for (int k : {15, 85, 110, 140, 170}) {
    fill([](int) { return 1.0; });
    Z().At(0, k) = kNaN;
    int failed = 0;
    for (Measure m : all) failed += (m_engine.*m)() == 1.0;
    EXPECT_GE(failed, 1) << "NaN at " << k;
  }
  fill([](int) { return 1.0; });
  Z().At(0, 50) = kNaN;
  for (Measure m : {&CEqualizerEngine::MeasureTimeConstant, &CEqualizerEngine::MeasureOscillations})
    EXPECT_EQ((m_engine.*m)(), 1.0);
  m_doc->m_system.m_u.At(0, 20) = kNaN;
  EXPECT_EQ(m_engine.MeasureControlAmplitude(), 1.0);
}

TEST_F(EqualizerTest, InteractionSeesAFailedSample) {
  MakeTwoByTwo(Doc(), Identity(2), 1, 1, 0);
  Doc().Recalculate();
  TestRun();
  Z().At(1, 30) = kNaN;  // row 1 in block 0
  EXPECT_EQ(m_engine.MeasureInteraction(), 1.0);
  EXPECT_EQ(m_engine.CostInteraction(), CEqualizerEngine::kFailedTerm);
}

TEST_F(EqualizerTest, PoleMobilityEdges) {
  // 1 + k: no closed-loop pole, so the dominant pole never moves.
  Design(Variable("k"), Real(1), Real(1), 0.1);
  m_engine.CollectFreeVariables();
  ASSERT_EQ(m_engine.m_freeVars.m_nCount, 1);
  EXPECT_EQ(m_engine.MeasurePoleMobility(), 0.0);
  // Nothing to move: the worst value.
  Design(Real(2), Tf({1}, {1, 1}), Real(1), 0.1);
  m_engine.CollectFreeVariables();
  EXPECT_EQ(m_engine.MeasurePoleMobility(), 1.0);
}

// ---- the test geometry -------------------------------------------------------------------

TEST_F(EqualizerTest, OneOutputGeometry) {
  ProportionalLoop();
  const int steps = Doc().m_system.m_nSteps;
  TestRun();
  const CSIMsystem& s = Doc().m_system;
  EXPECT_EQ(s.m_nSteps, steps);  // the document's run length is kept
  for (const CSIMsignal* signal :
       {&s.m_c, &s.m_v, &s.m_d, &s.m_n, &s.m_r, &s.m_e, &s.m_u, &s.m_z, &s.m_zn})
    EXPECT_EQ(signal->m_nColumns, 190);
  for (int k = 0; k < 190; ++k) {
    EXPECT_EQ(s.m_c.At(0, k), 1.0);
    EXPECT_EQ(s.m_v.At(0, k), k >= 100 && k <= 114 ? 0.5 : 0.0) << k;
    EXPECT_EQ(s.m_d.At(0, k), k >= 130 && k <= 144 ? 0.5 : 0.0) << k;
  }
  // The noise is the run-time library's sequence from seed 1, in every run.
  DWORD state = 1;
  for (int k = 0; k < 190; ++k) {
    double expected = 0.0;
    if (k >= 160) {
      state = state * 214013u + 2531011u;
      expected = 2.0 * ((state >> 16) & 0x7FFF) / 32767.0 - 1.0;
    }
    EXPECT_EQ(s.m_n.At(0, k), expected) << k;
  }
  const double first = s.m_n.At(0, 175);
  TestRun();
  EXPECT_EQ(s.m_n.At(0, 175), first);
}

TEST_F(EqualizerTest, ExtraSetpointRowsStepOnlyInsideTheRun) {
  Design(Real(1), Tf({1}, {1, 1}), Real(1), 0.1);
  SetModel(Doc(), kModelP, Matrix(3, {Real(1), Real(1), Real(1)}));
  SetSignal(Doc(), kSigC, Matrix(1, {Real(1), Real(1), Real(1)}));
  Doc().Recalculate();
  ASSERT_EQ(Doc().m_system.m_nError, kSimOk);
  TestRun();
  EXPECT_EQ(m_engine.m_nOutputs, 1);
  const CSIMsignal& c = Doc().m_system.m_c;
  ASSERT_EQ(c.m_nRows, 3);
  for (int k = 0; k < 190; ++k) {
    EXPECT_EQ(c.At(1, k), k >= 100 ? 1.0 : 0.0);
    EXPECT_EQ(c.At(2, k), 0.0);  // its step at 200 lies beyond the run
  }
}

TEST_F(EqualizerTest, DrawsAfterTwoPreparationsDifferWithTheClockFrozen) {
  QxManualClock frozen(12345);
  QxClock* previous = QxSetClock(&frozen);
  ProportionalLoop();
  TestRun();
  const int a = McRandDraw();
  TestRun();
  const int b = McRandDraw();
  QxSetClock(previous);
  EXPECT_NE(a, b);
}

TEST_F(EqualizerTest, ALoopInItsErrorStateIsNotStepped) {
  ProportionalLoop();
  Doc().m_dFinalTime = Doc().m_dSamplingTime / 2;  // no sample fits
  Doc().Recalculate();
  ASSERT_NE(Doc().m_system.m_nError, kSimOk);
  m_engine.m_wRecord = kRecordingOn;
  m_engine.RecordDesign(kRecordAppend);
  ASSERT_EQ(Doc().m_pHistory->m_nCount, 1);
  for (int c = 0; c < 9; ++c) EXPECT_EQ(Doc().m_pHistory->m_ppCriteria[0][c], 1.0) << c;
  m_engine.m_wMode = 0;
  m_engine.SetWeight(0, 1.0);
  EXPECT_EQ(m_engine.ComputeCost(TRUE), CEqualizerEngine::kFailedCost);
}

// ---- recording ---------------------------------------------------------------------------

TEST_F(EqualizerTest, RecordingMeasuresTheDesignAndKeepsItsVariables) {
  ProportionalLoop();
  Var("k") = 2.7;  // a value that 1.01 k does not give back exactly
  m_engine.RecordDesign(kRecordAppend);
  EXPECT_EQ(Doc().m_pHistory->m_nCount, 0) << "recording is off";

  m_engine.m_wRecord = kRecordingOn;
  m_engine.RecordDesign(kRecordAppend);
  EXPECT_EQ(m_engine.m_wMode, kEqualizerRecording);
  EXPECT_EQ(Var("k"), 2.7);
  ASSERT_EQ(Doc().m_pHistory->m_nCount, 1);
  const double* recorded = Doc().m_pHistory->m_ppCriteria[0];
  EXPECT_EQ(Doc().m_pHistory->m_ppValues[0][Entry(Doc(), "k")], 2.7);

  TestRun();
  const Measure measures[] = {
      &CEqualizerEngine::MeasureFinalValue,   &CEqualizerEngine::MeasureTimeConstant,
      &CEqualizerEngine::MeasureOscillations, &CEqualizerEngine::MeasureInteraction,
      &CEqualizerEngine::MeasureVRejection,   &CEqualizerEngine::MeasureDRejection,
      &CEqualizerEngine::MeasureNRejection,   &CEqualizerEngine::MeasureControlAmplitude};
  for (int c = 0; c < 8; ++c) EXPECT_EQ(recorded[c], (m_engine.*measures[c])()) << c;
  EXPECT_EQ(recorded[8], m_engine.MeasurePoleMobility());
  for (int c = 0; c < 9; ++c) EXPECT_TRUE(recorded[c] >= 0.0 && recorded[c] <= 1.0) << c;
}

TEST_F(EqualizerTest, RootsModeGivesTheNewestEntryTheDocumentsPoles) {
  ProportionalLoop();
  m_engine.m_wRecord = kRecordingOn;
  m_engine.RecordDesign(kRecordRoots);  // nothing to update yet
  EXPECT_EQ(Doc().m_pHistory->m_nCount, 0);
  m_engine.RecordDesign(kRecordAppend);
  Var("k") = 5.0;
  Doc().Recalculate();
  m_engine.RecordDesign(kRecordRoots);
  ASSERT_EQ(Doc().m_pHistory->m_nCount, 1);
  ASSERT_EQ(Doc().m_pHistory->m_pRootCounts[0], 1);
  const McComplex pole = Doc().m_pHistory->m_ppRoots[0][0];
  EXPECT_EQ(pole.re, Doc().m_system.m_detIFLGK.m_zeros[1].re);
  EXPECT_NEAR(pole.re, -6.0, 1e-12);  // -(1 + k)
}

}  // namespace
