// Transfer-function matrices: building, sizing, products against pointwise
// complex evaluation, the return difference, block steps and expressions.
#include "LoopTestSupport.h"
#include "SimTestSupport.h"

#include "MC/McComplex.h"
#include "simulation/SIMsignal.h"
#include "simulation/SIMtrnmx.h"

#include <gtest/gtest.h>

#include <complex>
#include <memory>

namespace {

using namespace looptest;
using simtest::cd;

CMcBasic* Lag(double a) {
  return Tf({1}, {a, 1});  // 1 / (s + a)
}

TEST(TrnmxBuild, ShapeFollowsTheExpression) {
  CQorexDoc doc;
  CSIMtrnmx m;
  EXPECT_EQ(m.m_wFlags, 1);
  std::unique_ptr<CMcBasic> e(Mat(3, {Lag(1), Lag(2), Lag(3), Lag(4), Lag(5), Lag(6)}));
  g_bEvalError = 0;
  m.FromExpr(&doc, e.get());
  EXPECT_EQ(g_bEvalError, 0);
  EXPECT_EQ(m.m_nRows, 2);
  EXPECT_EQ(m.m_nCols, 3);
  for (int i = 0; i < 6; ++i) EXPECT_NEAR(m.m_pElements[i].m_poles[1].re, -(i + 1.0), 1e-12);
  std::unique_ptr<CMcBasic> scalar(Lag(7));
  m.FromExpr(&doc, scalar.get());
  EXPECT_EQ(m.m_nRows * m.m_nCols, 1);
  EXPECT_GE(doc.m_dMaxPoleModulus, 7.0);
}

TEST(TrnmxBuild, ArrayIsReplacedOnlyWhenItMustGrow) {
  CQorexDoc doc;
  CSIMtrnmx m;
  std::unique_ptr<CMcBasic> nine(Mat(3, {R(1), R(2), R(3), R(4), R(5), R(6), R(7), R(8), R(9)}));
  std::unique_ptr<CMcBasic> one(R(1));
  std::unique_ptr<CMcBasic> four(Mat(2, {R(1), R(2), R(3), R(4)}));
  m.FromExpr(&doc, nine.get());
  const CSIMtrnfn* array = m.m_pElements.get();
  m.FromExpr(&doc, one.get());
  EXPECT_EQ(m.m_pElements.get(), array);
  m.FromExpr(&doc, four.get());  // 4 > 1 x 1
  EXPECT_NE(m.m_pElements.get(), array);
  EXPECT_EQ(m.m_nRows, 2);
  EXPECT_EQ(m.m_pElements[3].m_num[0], 4.0);
}

cd At(const CSIMtrnmx& m, int r, int c, cd s) {
  return simtest::Eval(m.At(r, c), s);
}

TEST(TrnmxAlgebra, ProductAgreesWithPointwiseProducts) {
  CQorexDoc doc;
  CSIMtrnmx A, B, P;
  CSIMtrnfn w1, w2, w3;
  std::unique_ptr<CMcBasic> a(Mat(3, {Lag(1), Tf({2, 1}, {3, 1}), R(0.5), Lag(2), R(1), Lag(4)}));
  std::unique_ptr<CMcBasic> b(Mat(1, {Lag(1), Tf({1, 1}, {0, 1}), Lag(5)}));
  A.FromExpr(&doc, a.get());
  B.FromExpr(&doc, b.get());
  ASSERT_TRUE(P.Multiply(A, B, w1, w2, w3));
  ASSERT_EQ(P.m_nRows, 2);
  ASSERT_EQ(P.m_nCols, 1);
  for (cd s : {cd(0.3, 0.7), cd(-2.5, 1.1), cd(4, -3)})
    for (int r = 0; r < 2; ++r) {
      cd expected = 0;
      for (int k = 0; k < 3; ++k) expected += At(A, r, k, s) * At(B, k, 0, s);
      EXPECT_LT(std::abs(At(P, r, 0, s) - expected), 1e-12 * std::abs(expected)) << s;
    }
}

TEST(TrnmxAlgebra, MismatchedProductIsRefused) {
  CQorexDoc doc;
  CSIMtrnmx A, B, P;
  CSIMtrnfn w1, w2, w3;
  std::unique_ptr<CMcBasic> a(Mat(2, {R(1), R(2), R(3), R(4)}));
  std::unique_ptr<CMcBasic> b(Mat(1, {R(1), R(2), R(3)}));
  A.FromExpr(&doc, a.get());
  B.FromExpr(&doc, b.get());
  g_bEvalError = 0;
  EXPECT_FALSE(P.Multiply(A, B, w1, w2, w3));
  EXPECT_EQ(g_bEvalError, 1);
  EXPECT_EQ(P.m_nRows, 2);
  EXPECT_EQ(P.m_nCols, 1);
  EXPECT_TRUE(P.At(1, 0).IsZero());
}

TEST(TrnmxAlgebra, OnePlusAddsTheIdentity) {
  CQorexDoc doc;
  CSIMtrnmx M, I;
  std::unique_ptr<CMcBasic> m(Mat(2, {Lag(1), Lag(2), Lag(3), Lag(4)}));
  M.FromExpr(&doc, m.get());
  I.OnePlus(M);
  const cd s(0.4, -1.3);
  for (int r = 0; r < 2; ++r)
    for (int c = 0; c < 2; ++c)
      EXPECT_LT(std::abs(At(I, r, c, s) - (At(M, r, c, s) + (r == c ? 1.0 : 0.0))), 1e-13);
}

TEST(TrnmxStep, RowSumsTheElementOutputsAndAdvancesEach) {
  CQorexDoc doc;
  CSIMtrnmx m;
  std::unique_ptr<CMcBasic> e(Mat(2, {Lag(1), Tf({1, 2}, {2, 1})}));
  m.FromExpr(&doc, e.get());
  CSIMtrnfn g1(m.At(0, 0)), g2(m.At(0, 1));
  m.PrepareSimulation();
  g1.PrepareSimulation();
  g2.PrepareSimulation();
  m.ResetStates();
  g1.ResetState();
  g2.ResetState();
  CSIMsignal in, out;
  in.Resize(2, 4);
  out.Resize(1, 4);
  for (int t = 0; t < 4; ++t) {
    in.At(0, t) = 1.0 + t;
    in.At(1, t) = -0.5 * t;
  }
  const double h = 0.1;
  for (int t = 0; t < 4; ++t) {
    m.Step(in, out, t, h);
    const double y2 = g2.Step(in.At(1, t), in.At(1, t), in.At(1, t), h);
    const double y1 = g1.Step(in.At(0, t), in.At(0, t), in.At(0, t), h);
    EXPECT_DOUBLE_EQ(out.At(0, t), y1 + y2) << t;
  }
}

TEST(TrnmxExpr, SingleElementIsNotWrapped) {
  CQorexDoc doc;
  CSIMtrnmx m;
  std::unique_ptr<CMcBasic> one(Lag(2));
  m.FromExpr(&doc, one.get());
  std::unique_ptr<CMcBasic> e(m.ToPolyExpr());
  EXPECT_NE(e->GetType() >> 8, 0x05);
  std::unique_ptr<CMcBasic> two(Mat(1, {Lag(1), Lag(2)}));
  m.FromExpr(&doc, two.get());
  std::unique_ptr<CMcBasic> f(m.ToFactoredExpr());
  ASSERT_EQ(f->GetType() >> 8, 0x05);
  EXPECT_EQ(f->m_count, 2);
  EXPECT_EQ(static_cast<CMcMatrix*>(f.get())->GetColumns(), 1);
}

}  // namespace
