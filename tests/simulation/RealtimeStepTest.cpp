// One real-time sample without a thread: the emulated unit is scripted by
// setting its received inputs before each sample and reading its outputs
// after it.
#include "simulation/AnalogIoGlobals.h"
#include "simulation/DT2801.h"
#include "simulation/SIMsystem.h"
#include "tests/simulation/SimTestSupport.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>
#include <vector>

namespace {

using namespace simtest;

class RealtimeStep : public ::testing::Test {
 protected:
  void SetUp() override {
    unsetenv("QX_DEVICE_DT2801");
    m_device = std::make_unique<CDT2801>();
    ASSERT_EQ(m_device->m_bEmulate, 1);
    m_previous = g_pAnalogIo;
    g_pAnalogIo = m_device.get();
    // P = L = F = 1, K = 0.5, c = 1: the control is 0.5 (1 - y).
    SetModel(m_doc, kModelK, Real(0.5));
    SetModel(m_doc, kModelF, Real(1.0));
    m_doc.m_dSamplingTime = 0.05;
    m_doc.m_dFinalTime = 1.0;
  }
  void TearDown() override {
    g_pAnalogIo = m_previous;
    g_pSimDoc = nullptr;
    g_pSimulator = nullptr;
  }
  void SetUpRun() {
    m_sim.m_dTs = 0.05;
    m_sim.m_nSteps = 20;
    m_sim.Setup(&m_doc);
    ASSERT_EQ(m_sim.m_nError.load(), kSimOk);
  }
  // Sample k with y read as volts; the volts written to output 0.
  double Sample(int k, double y) {
    m_device->m_inputs[0] = y;
    m_sim.RealtimeStep(k);
    return m_device->m_outputs[0];
  }

  CQorexDoc m_doc;
  CSIMsystem m_sim;
  std::unique_ptr<CDT2801> m_device;
  CDT2801* m_previous = nullptr;
};

TEST_F(RealtimeStep, TheControlOfSampleKGoesOutAtSampleK) {
  SetUpRun();
  const double readings[] = {0.0, 0.2, -0.4, 1.0};
  for (int k = 0; k < 4; ++k) {
    EXPECT_DOUBLE_EQ(Sample(k, readings[k]), 0.5 * (1.0 - readings[k])) << k;
    // The process output is the reading itself: G is not stepped.
    EXPECT_DOUBLE_EQ(m_sim.m_y.At(0, k), readings[k]);
    EXPECT_DOUBLE_EQ(m_sim.m_uv.At(0, k), 0.5 * (1.0 - readings[k]));
  }
}

TEST_F(RealtimeStep, LimitsUpperFirstThenTheDisturbanceAndTheConditionings) {
  const struct {
    const char* name;
    double lo, hi, v;
    double yScale;  // the Y conditioning multiplies the reading
    double y, expected;
  } rows[] = {
      {"within the limits", -1.0, 1.0, 0.0, 1.0, 0.0, 0.5},
      {"above the upper limit", -1.0, 0.3, 0.0, 1.0, 0.0, 0.3},
      {"below the lower limit", -0.1, 1.0, 0.0, 1.0, 3.0, -0.1},
      {"crossed limits: upper tested first", 1.0, 0.0, 0.0, 1.0, 0.0, 0.0},
      {"disturbance after the limit", -1.0, 0.3, 0.25, 1.0, 0.0, 0.55},
      {"2 y1(t) doubles the reading", -5.0, 5.0, 0.0, 2.0, 0.2, 0.5 * (1.0 - 0.4)},
  };
  for (const auto& row : rows) {
    SetSignal(m_doc, kSigClipMin, Real(row.lo));
    SetSignal(m_doc, kSigClipMax, Real(row.hi));
    SetSignal(m_doc, kSigV, Real(row.v));
    SetSignal(m_doc, kSigYProc, Prod({Real(row.yScale), Fn("y", Time(), 0, "1")}));
    SetUpRun();
    EXPECT_NEAR(Sample(0, row.y), row.expected, 1e-12) << row.name;
  }
}

TEST_F(RealtimeStep, ARecalculationBetweenSamplesIsUsedFromTheNextOn) {
  // The U conditioning reads a design variable: the worker's copy keeps the
  // value it was taken with until the hand-over refreshes it.
  CMcVariable* g = Variable("g");
  SetSignal(m_doc, kSigUProc, Prod({g, Fn("u", Time(), 0, "1")}));
  const int entry = Entry(m_doc, "g");
  ASSERT_GE(entry, 0);
  m_doc.m_vars.m_pValue[entry] = 1.0;
  m_doc.Recalculate();
  SetUpRun();
  g_pSimulator = &m_sim;
  g_pSimDoc = &m_doc;
  EXPECT_DOUBLE_EQ(Sample(0, 0.0), 0.5);
  m_doc.m_vars.m_pValue[entry] = 3.0;  // not handed over yet
  EXPECT_DOUBLE_EQ(Sample(1, 0.0), 0.5);
  m_doc.Recalculate();
  EXPECT_DOUBLE_EQ(Sample(2, 0.0), 1.5);
  SetModel(m_doc, kModelK, Real(2.0));
  m_doc.Recalculate();
  EXPECT_DOUBLE_EQ(Sample(3, 0.5), 3.0 * 2.0 * 0.5);
  // The earlier samples stay as measured.
  EXPECT_DOUBLE_EQ(m_sim.m_uv.At(0, 1), 0.5);
}

TEST_F(RealtimeStep, ASystemLeftRefusedWritesZeroVoltsUntilTheNextSoundHandOver) {
  SetUpRun();
  g_pSimulator = &m_sim;
  g_pSimDoc = &m_doc;
  EXPECT_DOUBLE_EQ(Sample(0, 0.0), 0.5);
  // A two-row command does not fit the single-channel blocks.
  SetSignal(m_doc, kSigC, Matrix(1, {Real(1.0), Real(1.0)}));
  m_doc.Recalculate();
  EXPECT_NE(m_sim.m_nError.load(), kSimOk);
  m_device->m_outputs[1] = 7.0;
  EXPECT_DOUBLE_EQ(Sample(1, 0.0), 0.0);
  EXPECT_DOUBLE_EQ(m_device->m_outputs[1], 0.0);
  SetSignal(m_doc, kSigC, Real(1.0));
  m_doc.Recalculate();
  EXPECT_DOUBLE_EQ(Sample(2, 0.0), 0.5);
}

}  // namespace
