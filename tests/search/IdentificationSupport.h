#pragma once
// The identification design: G = b (1 - tau s/2) / ((a s + 1)(1 + tau s/2)),
// a first-order lag with the dead-time builder's first-order factor, under a
// fixed PI controller K = (1 + s) / (2 s) with P = L = F = 1; true values
// b = 2, a = 3, tau = 0.5. Runs are made by the loop's own simulation from a
// square-wave setpoint and stored in the run buffer as a real-time run is.
#include "editing/ModelBuilders.h"
#include "tests/search/EqualizerTestSupport.h"

#include <cmath>
#include <cstring>
#include <initializer_list>

namespace eqtest {

class IdentificationTest : public EqualizerTest {
 protected:
  // Local iterations with which FindG meets the noise-free truth to 1e-6
  // from (1, 1, 1): the coordinate steps creep along the valley where b and
  // a trade off (500 just reach it, with about 36,000 evaluations).
  static constexpr int kExactLocalIterations = 1000;
  static constexpr double kSquarePeriod = 5.0;  // seconds

  void SetUp() override {
    EqualizerTest::SetUp();
    CQorexDoc& doc = Doc();
    SetModel(doc, kModelP, Real(1));
    SetModel(doc, kModelK, Tf({0.5, 0.5}, {0, 1}));
    SetModel(doc, kModelG, Div(Variable("b"), Sum({Prod({Variable("a"), S()}), Real(1)})));
    SetModel(doc, kModelL, Real(1));
    SetModel(doc, kModelF, Real(1));
    DeadTimeSpec spec;
    spec.amount = 0.5;
    ASSERT_TRUE(AddDeadTime(doc.m_models.GetAt(kModelG), kModelG, spec, &doc.m_vars));
    doc.UpdateUsedVariables();
    SetTruth();
    doc.Recalculate();
  }

  double& Param(const char* name) {
    const int entry =
        std::strcmp(name, "tau") == 0 ? Doc().m_vars.Find("t", "11G", 0x0010) : Entry(Doc(), name);
    EXPECT_GE(entry, 0) << name;
    return Doc().m_vars.m_pValue[entry];
  }
  void SetTruth() { Param("b") = 2.0, Param("a") = 3.0, Param("tau") = 0.5; }
  void SetStart() { Param("b") = 1.0, Param("a") = 1.0, Param("tau") = 1.0; }

  static double Square(double t) {
    return std::fmod(t, kSquarePeriod) < kSquarePeriod / 2 ? 1.0 : 0.0;
  }

  // Simulates n samples at sampling time ts from the square wave at the
  // current values, stores the run, and weighs its samples by 1. The design
  // is recalculated at ts afterwards.
  void StoreRun(int n, double ts) {
    CQorexDoc& doc = Doc();
    doc.m_dSamplingTime = ts;
    doc.m_dFinalTime = (n + 0.5) * ts;
    doc.Recalculate();
    CSIMsystem& sys = doc.m_system;
    ASSERT_EQ(sys.m_c.m_nColumns, n);
    for (int k = 0; k < n; ++k) sys.m_c.At(0, k) = Square(k * ts);
    sys.ResetStates();
    for (int k = 0; k < n; ++k) sys.SimulateStep(k);
    simtest::StoreOwnRun(doc);
    doc.Recalculate();
    WeightOf(1, n, {1.0});
  }

  void WeightOf(int rows, int columns, std::initializer_list<double> byRow) {
    CSIMsignal& w = Doc().m_errorWeight;
    ASSERT_TRUE(w.Resize(rows, columns));
    int i = 0;
    for (double v : byRow) {
      for (int k = 0; k < columns; ++k) w.At(i, k) = v;
      ++i;
    }
  }

  // The identification cost of the current values over the stored runs.
  double Cost() {
    m_engine.m_wMode = kEqualizerIdentify;
    return m_engine.ComputeCost(TRUE);
  }
};

}  // namespace eqtest
