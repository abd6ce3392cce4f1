// Variable loci: the sweep's sample points and roots, the variable restored,
// and how a locus takes the roots of one point.
#include "SimTestSupport.h"

#include "GlobalResources.h"
#include "VARpoints.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

namespace {

using namespace simtest;

// G = 1/(s+1), F = 1 and the gain k in the given model slot (K by default):
// the closed loop's characteristic polynomial is s + 1 + k, its root -(1 + k).
struct GainLoop {
  CQorexDoc doc;
  int k = -1;
  explicit GainLoop(int slot = 1, double value = 1.0) {
    SetModel(doc, 4, R(1));
    SetModel(doc, slot, slot == 0 ? Prod({V("k"), R(1)}) : V("k"));
    k = Entry(doc, "k");
    doc.m_vars.m_pValue[k] = value;
    doc.m_pVarPoints[0].m_nVariable = k;
  }
  void Sweep(WORD code) {
    doc.m_pVarPoints[0].m_wCode = code;
    doc.Recalculate();
  }
  const CVARpoints& Locus() const { return doc.m_pVarPoints[0]; }
};

void ExpectPoints(const CVARpoints& locus, const std::vector<double>& x) {
  ASSERT_EQ(locus.m_nCount, int(x.size()));
  for (size_t j = 0; j < x.size(); ++j) {
    EXPECT_NEAR(locus.m_pPoints[j].re, -(1 + x[j]), 1e-12 * (2 + x[j])) << j;
    EXPECT_EQ(locus.m_pPoints[j].im, 0.0) << j;
  }
}

TEST(Loci, LogarithmicSweepVisitsTheGivenPoints) {
  GainLoop loop(1, 3.5);
  loop.Sweep(0);
  std::vector<double> x;
  const double factor = std::pow(100.0 / 0.01, 1.0 / 30);
  for (double v = 0.01; x.size() < 30; v *= factor) x.push_back(v);
  ExpectPoints(loop.Locus(), x);
  EXPECT_EQ(loop.doc.m_vars.m_pValue[loop.k], 3.5);
  EXPECT_EQ(loop.Locus().m_nSteps, 30);
  EXPECT_EQ(loop.Locus().m_dMaxGain, 100.0);
  EXPECT_LT(x.back(), 100.0);  // one factor short of the maximum
}

TEST(Loci, LinearModesSweepAroundTheValue) {
  struct Row {
    WORD code;
    double value, start, step;
  } rows[] = {
      {1, 5.0, 4.5, 1.0 / 19},        // 10 %
      {2, 4.0, 3.0, 2.0 / 19},        // 25 %
      {3, 2.0, 1.0, 2.0 / 19},        // 50 %
      {4, 2.0, 0.0, 4.0 / 19},        // 100 %
      {0x3004, 0.0, -1.0, 2.0 / 19},  // 100 % at 0: -1 .. 1, not a single point
  };
  for (const Row& row : rows) {
    GainLoop loop(1, row.value);
    loop.Sweep(row.code);
    std::vector<double> x;
    double v = row.start;
    // At k = 0 the loop is open, the return difference is 1 and has no root.
    for (int j = 0; j < 20; ++j, v += row.step)
      if (v != 0.0) x.push_back(v);
    ExpectPoints(loop.Locus(), x);
    EXPECT_EQ(loop.doc.m_vars.m_pValue[loop.k], row.value) << row.code;
  }
}

TEST(Loci, EveryRebuildPathGivesTheSameRoots) {
  // k in K alone, in F alone (F = k, K = 1), and in G (G = k/(s+1): the full path).
  GainLoop inK(1);
  inK.Sweep(3);
  GainLoop inF(4);
  inF.Sweep(3);
  GainLoop inG(2);
  SetModel(inG.doc, 2, Div(V("k"), PolyExpr({1, 1})));
  inG.doc.m_pVarPoints[0].m_nVariable = Entry(inG.doc, "k");
  inG.Sweep(3);
  for (const GainLoop* loop : {&inF, &inG}) {
    ASSERT_EQ(loop->Locus().m_nCount, inK.Locus().m_nCount);
    for (int j = 0; j < inK.Locus().m_nCount; ++j)
      EXPECT_NEAR(loop->Locus().m_pPoints[j].re, inK.Locus().m_pPoints[j].re, 1e-12);
  }
}

TEST(Loci, PreFilterVariableGetsNoPoints) {
  GainLoop loop(0);
  loop.doc.m_pVarPoints[0].m_nCount = 5;
  loop.Sweep(0);
  EXPECT_EQ(loop.Locus().m_nCount, 0);
}

TEST(Loci, FewLinearStepsStartAtTheMinimumGain) {
  const int saved = g_nRlLinSteps;
  g_nRlLinSteps = 1;
  GainLoop one(1, 5.0);
  one.Sweep(1);
  ExpectPoints(one.Locus(), {0.01});
  g_nRlLinSteps = 0;
  GainLoop none(1, 5.0);
  none.Sweep(1);
  EXPECT_EQ(none.Locus().m_nCount, 0);
  g_nRlLinSteps = saved;
}

TEST(Loci, TwoByTwoLoopPointsAreRootsOfTheReturnDifference) {
  // G = [1/(s+1), 2/(s+3); 1/(s+1), 1/(s+1)], K = k I: each point is a root of
  // det(I + k G) = 0, checked by evaluating det(I + k G(p)) directly.
  CQorexDoc doc;
  MakeTwoByTwo(doc, Mat(2, {V("k"), R(0), R(0), V("k")}), 1, 1, 0);
  const int k = Entry(doc, "k");
  doc.m_pVarPoints[0].m_nVariable = k;
  doc.m_pVarPoints[0].m_wCode = 3;  // 50 %: 0.5 .. 1.5
  doc.Recalculate();
  const CVARpoints& locus = doc.m_pVarPoints[0];
  ASSERT_EQ(locus.m_nCount, 20 * 3);  // three closed-loop roots per point
  for (int j = 0; j < 20; ++j) {
    const double kv = 0.5 + j * (1.0 / 19);
    for (int i = 0; i < 3; ++i) {
      const McComplex p = locus.m_pPoints[3 * j + i];
      const cd s(p.re, p.im);
      const cd g11 = 1.0 / (s + 1.0), g12 = 2.0 / (s + 3.0);
      const cd det = (1.0 + kv * g11) * (1.0 + kv * g11) - kv * g12 * kv * g11;
      // det(I + kG) (s+1)^2 (s+3) is the cubic; scale its residual.
      EXPECT_LT(std::abs(det * (s + 1.0) * (s + 1.0) * (s + 3.0)), 1e-9) << j << " " << s;
    }
  }
  EXPECT_EQ(doc.m_vars.m_pValue[k], 1.0);
}

TEST(LociPoints, AddRootsPutsTheLastRootFirst) {
  CVARpoints locus;
  const double cubic[] = {-6, 11, -6, 1};  // (s-1)(s-2)(s-3)
  McComplex roots[4];
  ASSERT_NE(PolyRoots(3, cubic, roots, false), nullptr);
  ASSERT_TRUE(locus.AddRoots(cubic, 4));
  ASSERT_EQ(locus.m_nCount, 3);
  EXPECT_EQ(locus.m_pPoints[0].re, roots[3].re);
  EXPECT_EQ(locus.m_pPoints[1].re, roots[1].re);
  EXPECT_EQ(locus.m_pPoints[2].re, roots[2].re);
  EXPECT_TRUE(locus.AddRoots(cubic, 1));  // a constant: no point
  EXPECT_EQ(locus.m_nCount, 3);
  std::vector<double> huge(300, 1.0);
  EXPECT_FALSE(locus.AddRoots(huge.data(), 300));
  const double zeroLead[] = {1, 0};
  EXPECT_FALSE(locus.AddRoots(zeroLead, 2));
  EXPECT_EQ(locus.m_nCount, 3);
}

}  // namespace
