// The loop system: simulation against an exact RK4 loop and Octave's
// zero-order-hold loop, the process-input rule, run lengths, loop products,
// closed-loop poles and transmission zeros, refusals and the hand-over.
#include "LoopTestSupport.h"
#include "data/LoopReference.h"

#include "GlobalResources.h"
#include "MC/Mc_equality.h"
#include "MC/Mc_function.h"
#include "simulation/SIMsystem.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <complex>
#include <limits>

namespace {

using namespace looptest;
using cd = std::complex<double>;
using TfList = std::vector<std::pair<std::vector<double>, std::vector<double>>>;

constexpr double kH = 1.0 / 128;
constexpr double kTf = 3.125;  // 400 samples

// The SISO design of the reference script: K = (1 + 2s)/s, G = 1/(1 + 1.5s +
// 0.5s^2), v = 0.1.
void MakeSiso(CQorexDoc& doc) {
  SetModel(doc, 1, Tf({1, 2}, {0, 1}));
  SetModel(doc, 2, Tf({1}, {1, 1.5, 0.5}));
  SetModel(doc, 4, R(1));
  SetSignal(doc, 1, R(0.1));
  doc.m_dSamplingTime = kH;
  doc.m_dFinalTime = kTf;
}

// The 2 x 2 design: G = [1/(s+1), 2/(s+3); 1/(s+1), 1/(s+1)], K = diag((1+s)/s,
// (0.5+s)/s), c = (1, 0.5), d = (0, 0.2).
void MakeMimo(CQorexDoc& doc) {
  SetModel(doc, 0, Mat(2, {R(1), R(0), R(0), R(1)}));
  SetModel(doc, 1, Mat(2, {Tf({1, 1}, {0, 1}), R(0), R(0), Tf({0.5, 1}, {0, 1})}));
  SetModel(doc, 2, Mat(2, {Tf({1}, {1, 1}), Tf({2}, {3, 1}), Tf({1}, {1, 1}), Tf({1}, {1, 1})}));
  SetModel(doc, 3, Mat(2, {R(1), R(0), R(0), R(1)}));
  SetModel(doc, 4, Mat(2, {R(1), R(0), R(0), R(1)}));
  SetSignal(doc, 0, Mat(1, {R(1), R(0.5)}));
  SetSignal(doc, 1, Mat(1, {R(0), R(0)}));
  SetSignal(doc, 2, Mat(1, {R(0), R(0.2)}));
  SetSignal(doc, 3, Mat(1, {R(0), R(0)}));
  doc.m_dSamplingTime = kH;
  doc.m_dFinalTime = kTf;
}

RefBlock Unit(int n) {
  TfList e;
  for (int i = 0; i < n * n; ++i) e.push_back({{i % (n + 1) == 0 ? 1.0 : 0.0}, {1.0}});
  return RefBlock(n, n, e);
}

TEST(LoopSimulation, SisoAgreesWithRk4LoopAndZeroOrderHold) {
  CQorexDoc doc;
  MakeSiso(doc);
  doc.Recalculate();
  const CSIMsystem& s = doc.m_system;
  ASSERT_EQ(s.m_nError, kSimOk);
  ASSERT_EQ(s.m_nSteps, loopref::kSteps);
  const RefRun ref =
      RefLoop(Unit(1), RefBlock(1, 1, {{{1, 2}, {0, 1}}}), RefBlock(1, 1, {{{1}, {1, 1.5, 0.5}}}),
              Unit(1), Unit(1), {1}, {0.1}, {0}, {0}, kH, loopref::kSteps);
  for (int t = 0; t < loopref::kSteps; ++t) {
    EXPECT_NEAR(s.m_yd.At(0, t), ref.yd[t][0], 1e-12) << t;
    EXPECT_NEAR(s.m_u.At(0, t), ref.u[t][0], 1e-12) << t;
    EXPECT_NEAR(s.m_yd.At(0, t), loopref::kSisoYd[t], 1e-6) << t;
    EXPECT_NEAR(s.m_u.At(0, t), loopref::kSisoU[t], 1e-6) << t;
    EXPECT_NEAR(s.m_uv.At(0, t), loopref::kSisoUv[t], 1e-6) << t;
  }
}

TEST(LoopSimulation, TwoByTwoAgreesWithRk4LoopAndZeroOrderHold) {
  CQorexDoc doc;
  MakeMimo(doc);
  doc.Recalculate();
  const CSIMsystem& s = doc.m_system;
  ASSERT_EQ(s.m_nError, kSimOk);
  ASSERT_EQ(s.m_yd.m_nRows, 2);
  const TfList g = {{{1}, {1, 1}}, {{2}, {3, 1}}, {{1}, {1, 1}}, {{1}, {1, 1}}};
  const TfList k = {{{1, 1}, {0, 1}}, {{0}, {1}}, {{0}, {1}}, {{0.5, 1}, {0, 1}}};
  const RefRun ref = RefLoop(Unit(2), RefBlock(2, 2, k), RefBlock(2, 2, g), Unit(2), Unit(2),
                             {1, 0.5}, {0, 0}, {0, 0.2}, {0, 0}, kH, loopref::kSteps);
  for (int t = 0; t < loopref::kSteps; ++t)
    for (int ch = 0; ch < 2; ++ch) {
      EXPECT_NEAR(s.m_yd.At(ch, t), ref.yd[t][ch], 1e-12) << t;
      EXPECT_NEAR(s.m_u.At(ch, t), ref.u[t][ch], 1e-12) << t;
      EXPECT_NEAR(s.m_yd.At(ch, t), loopref::kMimoYd[t * 2 + ch], 1e-6) << t;
      EXPECT_NEAR(s.m_u.At(ch, t), loopref::kMimoU[t * 2 + ch], 1e-6) << t;
    }
}

TEST(LoopSimulation, ProcessIsDrivenByThePreviousSample) {
  CQorexDoc doc;
  SetModel(doc, 1, R(5));  // u(0) = 5 (c - w) at once
  SetSignal(doc, 1, R(0.5));
  doc.Recalculate();
  const CSIMsystem& s = doc.m_system;
  // G = 1/(s+1) from rest: y(0) = 0; its input over the first step is 0, so
  // y(1) = 0 as well although u(0) = 5.
  EXPECT_EQ(s.m_y.At(0, 0), 0.0);
  EXPECT_EQ(s.m_y.At(0, 1), 0.0);
  EXPECT_EQ(s.m_u.At(0, 0), 5.0);
  EXPECT_GT(s.m_y.At(0, 2), 0.0);
  for (int t = 0; t < s.m_nSteps; ++t) EXPECT_EQ(s.m_uv.At(0, t), s.m_u.At(0, t) + s.m_v.At(0, t));
}

TEST(LoopSimulation, StepCountIsTruncatedAndValidated) {
  struct Row {
    double ts, tf;
    int steps;
    int error;
  } rows[] = {
      {0.25, 30, 120, kSimOk},
      {0.3, 1, 3, kSimOk},
      {0.05, 30, 600, kSimOk},
      {0.0, 30, 0, kSimBadTimes},
      {-0.1, 30, 0, kSimBadTimes},
      {1.0, 1.0, 0, kSimBadTimes},
      {2.0, 1.0, 0, kSimBadTimes},
      {std::numeric_limits<double>::quiet_NaN(), 1.0, 0, kSimBadTimes},
      {0.01, std::numeric_limits<double>::infinity(), 0, kSimBadTimes},
      {1e-6, 30, 0, kSimBadTimes},  // beyond g_nMaxSamples
  };
  for (const Row& row : rows) {
    CQorexDoc doc;
    doc.m_dSamplingTime = row.ts;
    doc.m_dFinalTime = row.tf;
    doc.Recalculate();
    EXPECT_EQ(doc.m_system.m_nSteps, row.steps) << row.ts << " " << row.tf;
    EXPECT_EQ(doc.m_system.m_nError, row.error) << row.ts << " " << row.tf;
    EXPECT_EQ(doc.m_system.m_yd.m_nColumns, row.steps);
  }
}

TEST(LoopSimulation, MismatchedShapesRefuseToSimulate) {
  CQorexDoc doc;
  doc.Recalculate();
  // A two-channel setpoint into a 1 x 1 pre-filter, as a damaged file could hold.
  SetSignal(doc, 0, Mat(1, {R(1), R(2)}));
  doc.Recalculate();
  const CSIMsystem& s = doc.m_system;
  EXPECT_EQ(s.m_nError, kSimShapeMismatch);
  EXPECT_EQ(s.m_c.m_nRows, 2);
  for (const CSIMsignal* sig : {&s.m_c, &s.m_yd, &s.m_u, &s.m_w})
    for (int i = 0; i < sig->m_nRows * sig->m_nColumns; ++i) ASSERT_EQ(sig->m_pSamples[i], 0.0);
  // A 2 x 2 controller in a loop of single channels.
  CQorexDoc doc2;
  SetModel(doc2, 1, Mat(2, {R(1), R(0), R(0), R(1)}));
  doc2.Recalculate();
  EXPECT_EQ(doc2.m_system.m_nError, kSimShapeMismatch);
  // Put right again, it simulates.
  SetModel(doc2, 1, R(1));
  doc2.Recalculate();
  EXPECT_EQ(doc2.m_system.m_nError, kSimOk);
  EXPECT_NEAR(doc2.m_system.m_yd.At(0, 599), 0.5, 1e-6);
}

// ---- poles and zeros ----------------------------------------------------------

std::vector<cd> Zeros(const CSIMtrnfn& t) {
  std::vector<cd> z;
  for (int i = 1; i < t.m_nNum; ++i) z.push_back({t.m_zeros[i].re, t.m_zeros[i].im});
  return z;
}

// Every reference root is matched by a distinct found root within tol.
void ExpectSameRoots(std::vector<cd> found, const double (*ref)[2], int count, double tol) {
  ASSERT_EQ(int(found.size()), count);
  for (int i = 0; i < count; ++i) {
    const cd r(ref[i][0], ref[i][1]);
    auto best = std::min_element(found.begin(), found.end(),
                                 [&](cd a, cd b) { return std::abs(a - r) < std::abs(b - r); });
    EXPECT_LT(std::abs(*best - r), tol) << r;
    found.erase(best);
  }
}

TEST(LoopRoots, TwoByTwoProcessHasItsTransmissionZeroAtPlusOne) {
  CQorexDoc doc;
  MakeMimo(doc);
  SetModel(doc, 1, Mat(2, {R(1), R(0), R(0), R(1)}));
  doc.Recalculate();
  const CSIMsystem& s = doc.m_system;
  ExpectSameRoots(Zeros(s.m_detFLGK), loopref::kZerosProcessOnly, loopref::kZerosProcessOnlyCount,
                  1e-9);
  ExpectSameRoots(Zeros(s.m_detIFLGK), loopref::kPolesProcessOnly, loopref::kPolesProcessOnlyCount,
                  1e-9);
}

TEST(LoopRoots, ClosedLoopPolesAreRootsOfTheReturnDifference) {
  CQorexDoc doc;
  MakeMimo(doc);
  doc.Recalculate();
  const CSIMsystem& s = doc.m_system;
  ExpectSameRoots(Zeros(s.m_detFLGK), loopref::kZerosPi, loopref::kZerosPiCount, 1e-9);
  // The reference's minimal realisation keeps the double pole at -1 that the
  // controller's zeros cancel in K's first column only; the determinant
  // cancels it once. Every pole found is a reference pole, and det(I + FLGK)
  // vanishes there.
  const auto poles = Zeros(s.m_detIFLGK);
  ASSERT_FALSE(poles.empty());
  for (cd p : poles) {
    double best = 1e300;
    for (int i = 0; i < loopref::kPolesPiCount; ++i)
      best = std::min(best, std::abs(p - cd(loopref::kPolesPi[i][0], loopref::kPolesPi[i][1])));
    EXPECT_LT(best, 1e-6) << p;
  }
}

TEST(LoopRoots, SingleChannelLoopHasNoTransmissionZeros) {
  CQorexDoc doc;
  SetModel(doc, 2, Tf({3, 1}, {2, 3, 1}));  // (s + 3) / ((s + 1)(s + 2))
  doc.Recalculate();
  const CSIMtrnfn& z = doc.m_system.m_detFLGK;
  EXPECT_EQ(z.m_nNum, 1);
  EXPECT_EQ(z.m_nDen, 1);
  EXPECT_EQ(z.m_num[0] / z.m_den[0], 1.0);
  // 1 + (s + 3)/((s + 1)(s + 2)) = (s^2 + 4s + 5) / ...: poles -2 +- j.
  const auto p = Zeros(doc.m_system.m_detIFLGK);
  ASSERT_EQ(p.size(), 2u);
  for (cd r : p) EXPECT_NEAR(std::abs(r - cd(-2, r.imag() > 0 ? 1 : -1)), 0.0, 1e-12);
}

// ---- hand-over and checks -----------------------------------------------------

TEST(LoopHandOver, CopyFromKeepsTheSamplesUpToTheCurrentStep) {
  CQorexDoc a, b;
  SetSignal(b, 0, R(2));
  b.Recalculate();
  CSIMsystem& run = a.m_system;
  run.m_nStep = 99;
  const double kept = run.m_yd.At(0, 99);
  ASSERT_TRUE(run.CopyFrom(b.m_system));
  EXPECT_EQ(run.m_yd.At(0, 99), kept);
  EXPECT_EQ(run.m_yd.At(0, 100), b.m_system.m_yd.At(0, 100));
  EXPECT_EQ(run.m_c.At(0, 99), 1.0);
  EXPECT_EQ(run.m_c.At(0, 100), 2.0);
}

TEST(LoopHandOver, CopyFromRefusesOtherShapes) {
  CQorexDoc a, b;
  MakeMimo(b);
  b.Recalculate();
  const double before = a.m_system.m_yd.At(0, 10);
  EXPECT_FALSE(a.m_system.CopyFrom(b.m_system));
  EXPECT_EQ(a.m_system.m_yd.m_nRows, 1);
  EXPECT_EQ(a.m_system.m_yd.At(0, 10), before);
  EXPECT_EQ(a.m_system.m_G.m_nRows, 1);
}

TEST(LoopHandOver, RecalculatingTheRunningDocumentFeedsTheSimulator) {
  CQorexDoc doc, other;
  CSIMsystem simulator;
  simulator.m_nSteps = doc.m_system.m_nSteps;
  simulator.m_dTs = doc.m_system.m_dTs;
  simulator.Setup(&doc);
  ASSERT_EQ(simulator.m_nError, kSimOk);
  g_pSimulator = &simulator;
  g_pSimDoc = &doc;
  doc.m_nRuns = 2;
  SetSignal(doc, 0, R(3));
  doc.Recalculate();  // same shapes: copied, runs kept
  EXPECT_EQ(simulator.m_c.At(0, 5), 3.0);
  EXPECT_EQ(doc.m_nRuns, 2);
  SetSignal(doc, 0, Mat(1, {R(1), R(1)}));
  SetModel(doc, 0, Mat(2, {R(1), R(1)}));  // a 1 x 2 pre-filter keeps the loop consistent
  doc.Recalculate();                       // other shapes: set up afresh, runs dropped
  EXPECT_EQ(simulator.m_c.m_nRows, 2);
  EXPECT_EQ(doc.m_nRuns, 0);
  g_pSimDoc = nullptr;
  g_pSimulator = nullptr;
}

TEST(LoopChecks, CanBuildRefusesWhatDoesNotEvaluate) {
  CQorexDoc doc;
  CSIMsystem& s = doc.m_system;
  EXPECT_EQ(s.CanBuildSignal(&doc, doc.m_signals.GetAt(0)), 1);
  EXPECT_EQ(s.CanBuildModel(&doc, doc.m_models.GetAt(2)), 1);
  // The left side is not a function node.
  std::unique_ptr<CMcBasic> bad(new CMcEquality(V("x"), R(1), 0));
  EXPECT_EQ(s.CanBuildSignal(&doc, bad.get()), 0);
  EXPECT_EQ(s.CanBuildModel(&doc, bad.get()), 0);
  // A function name without a meaning.
  std::unique_ptr<CMcBasic> unknown(new CMcEquality(new CMcFunction(V("t"), "c", "", 0),
                                                    new CMcFunction(V("t"), "qq", "", 0), 0));
  doc.m_vars.BindVariables(unknown.get());
  EXPECT_EQ(s.CanBuildSignal(&doc, unknown.get()), 0);
  EXPECT_EQ(s.CanBuildModel(&doc, nullptr), 0);
}

}  // namespace
