// Transfer-function matrices: products and the return difference against
// pointwise complex evaluation, and the refused product.
#include "simulation/SIMtrnmx.h"

#include "SimTestSupport.h"

namespace {

using namespace simtest;

CMcBasic* Lag(double a) {
  return Tf({1}, {a, 1});  // 1 / (s + a)
}

cd At(const CSIMtrnmx& m, int r, int c, cd s) {
  return Eval(m.At(r, c), s);
}

TEST(TrnmxAlgebra, ProductAndOnePlusAgreeWithPointwiseArithmetic) {
  CQorexDoc doc;
  CSIMtrnmx A, B, P, I;
  CSIMtrnfn w1, w2, w3;
  Node a(Matrix(3, {Lag(1), Tf({2, 1}, {3, 1}), Real(0.5), Lag(2), Real(1), Lag(4)}));
  Node b(Matrix(
      3, {Lag(1), Tf({1, 1}, {0, 1}), Real(2), Lag(5), Lag(3), Real(1), Real(0), Lag(2), Lag(6)}));
  A.FromExpr(&doc, a.get());
  B.FromExpr(&doc, b.get());
  ASSERT_EQ(A.m_nRows * 10 + A.m_nCols, 23);
  ASSERT_TRUE(P.Multiply(A, B, w1, w2, w3));
  ASSERT_EQ(P.m_nRows * 10 + P.m_nCols, 23);
  I.OnePlus(B);
  for (cd s : {cd(0, 0.7), cd(-2.5, 1.1), cd(4, -3)})
    for (int r = 0; r < 2; ++r)
      for (int c = 0; c < 3; ++c) {
        cd expected = 0;
        for (int k = 0; k < 3; ++k) expected += At(A, r, k, s) * At(B, k, c, s);
        EXPECT_LT(std::abs(At(P, r, c, s) - expected), 1e-12 * std::abs(expected)) << s;
        const cd onePlus = At(B, r, c, s) + (r == c ? 1.0 : 0.0);
        EXPECT_LT(std::abs(At(I, r, c, s) - onePlus), 1e-13 * std::abs(onePlus)) << s;
      }
}

TEST(TrnmxAlgebra, MismatchedProductIsRefused) {
  CQorexDoc doc;
  CSIMtrnmx A, B, P;
  CSIMtrnfn w1, w2, w3;
  Node a(Matrix(2, {Real(1), Real(2), Real(3), Real(4)}));
  Node b(Matrix(1, {Real(1), Real(2), Real(3)}));
  A.FromExpr(&doc, a.get());
  B.FromExpr(&doc, b.get());
  g_bEvalError = 0;
  EXPECT_FALSE(P.Multiply(A, B, w1, w2, w3));
  EXPECT_EQ(g_bEvalError, 1);
  EXPECT_EQ(P.m_nRows, 2);
  EXPECT_EQ(P.m_nCols, 1);
  EXPECT_TRUE(P.At(1, 0).IsZero());
  g_bEvalError = 0;
}

}  // namespace
