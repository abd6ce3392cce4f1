// The numeric kernels run in a clean upper vector state whatever the caller
// left behind (Qt's raster code and event dispatch leave AVX state in use):
// each is entered after spoiling the state and must hand it back clean, with
// its work done. Skipped where the state cannot be read.
#include "simulation/SIMfreq.h"
#include "simulation/SIMroots.h"
#include "tests/simulation/FreqTestSupport.h"
#include "tests/support/VectorProbe.h"

#include <gtest/gtest.h>

#include <functional>

namespace {

using qxtest::QxUpperVectorStateDirty;

TEST(VectorState, NumericKernelsRunClean) {
  CQorexDoc doc;
  freqtest::MakeTwoByTwoExample(doc);
  doc.Recalculate();
  const struct {
    const char* name;
    std::function<bool()> run;  // whether the work happened
  } rows[] = {
      {"roots",
       [] {
         const double a[] = {-6, 11, -6, 1};  // (s - 1)(s - 2)(s - 3)
         McComplex roots[4];
         return PolyRoots(3, a, roots, true) != nullptr;
       }},
      {"recalculation",
       [&] {
         doc.m_system.m_nSteps = 0;
         doc.Recalculate();
         return doc.m_system.m_nSteps > 0;
       }},
      {"sweep",
       [&] {
         doc.m_pFreqModel->m_pDirect[0] = {0.0, 0.0};
         doc.m_pFreqModel->ComputeResponses(&doc);
         return doc.m_pFreqModel->m_pDirect[0].re != 0.0;
       }},
      {"simulation",
       [&] {
         doc.m_system.Resimulate(&doc);
         return doc.m_system.m_yd.At(0, doc.m_system.m_nSteps - 1) != 0.0;
       }},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    QX_SPOIL_UPPER_VECTOR_STATE_OR_SKIP();
    EXPECT_TRUE(row.run());
    EXPECT_EQ(QxUpperVectorStateDirty(), false);
  }
}

}  // namespace
