#pragma once
// Designs for the Equalizer's headless tests: a document built from the
// shared tree builders with the engine pointed at it, and an engine whose
// cost is a function of the free variables' values.
#include "GlobalResources.h"
#include "QorexDoc.h"
#include "search/EqualizerEngine.h"
#include "search/QOX_HistVar.h"
#include "tests/simulation/SimTestSupport.h"

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <vector>

namespace eqtest {

using namespace simtest;

// The process-wide search settings the tests change, put back afterwards.
class EqualizerTest : public ::testing::Test {
 protected:
  void SetUp() override {
    m_doc = std::make_unique<CQorexDoc>();
    m_engine.m_pDoc = m_doc.get();
  }
  void TearDown() override {
    g_nLocalIterations = m_local;
    g_nGlobalIterations = m_global;
    g_dMagSupKnee = m_knee;
    g_dErrorSuppression = m_suppression;
  }

  CQorexDoc& Doc() { return *m_doc; }
  double& Var(const char* name) { return m_doc->m_vars.m_pValue[Entry(*m_doc, name)]; }
  // P = L = 1 unless given, then recalculated at sampling time ts; the
  // population starts again for the new variables.
  void Design(CMcBasic* k, CMcBasic* g, CMcBasic* f, double ts) {
    SetModel(*m_doc, kModelP, Real(1));
    SetModel(*m_doc, kModelK, k);
    SetModel(*m_doc, kModelG, g);
    SetModel(*m_doc, kModelL, Real(1));
    SetModel(*m_doc, kModelF, f);
    m_doc->m_dSamplingTime = ts;
    m_doc->Recalculate();
    m_doc->UpdateHistory();
  }
  // G = 1/(s + 1), K = k = 3 in a unit feedback loop.
  void ProportionalLoop(double ts = 0.1) {
    Design(Variable("k"), Tf({1}, {1, 1}), Real(1), ts);
    Var("k") = 3.0;
    m_doc->Recalculate();
  }
  // The engine's test run of the design as it stands.
  void TestRun() {
    m_engine.PrepareTestRun(TRUE);
    m_engine.RunTestRun();
  }
  CSIMsignal& Z() { return m_doc->m_system.m_z; }

  std::unique_ptr<CQorexDoc> m_doc;
  CEqualizerEngine m_engine;

 private:
  const int m_local = g_nLocalIterations;
  const int m_global = g_nGlobalIterations;
  const double m_knee = g_dMagSupKnee;
  const double m_suppression = g_dErrorSuppression;
};

// An engine whose cost is f of the free variables' values; every evaluation
// is logged with the values it saw.
class FunctionEngine : public CEqualizerEngine {
 public:
  std::function<double(const std::vector<double>&)> f;
  std::vector<std::vector<double>> calls;
  double ComputeCost(BOOL /*build*/) override {
    std::vector<double> x;
    for (int i = 0; i < m_freeVars.m_nCount; ++i)
      x.push_back(m_pDoc->m_vars.m_pValue[m_freeVars.Index(i)]);
    calls.push_back(x);
    return f(x);
  }
};

}  // namespace eqtest
