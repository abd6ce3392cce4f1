// Variable loci: the sweep's sample points and roots, the variable restored,
// and how a locus takes the roots of one point.
#include "SimTestSupport.h"

#include "GlobalResources.h"
#include "VARpoints.h"

namespace {

using namespace simtest;

// G = 1/(s+1), F = 1, L = l and the gain k in the given model slot (K by
// default; in G, G = k/(s+1)): the closed loop's characteristic polynomial is
// s + 1 + l k, its root -(1 + l k). k in K, in F or in G takes each rebuild
// path of a sweep.
struct GainLoop {
  CQorexDoc doc;
  int k = -1;
  GainLoop(int slot, double value, double l) {
    SetModel(doc, kModelF, Real(1));
    if (l != 1.0) SetModel(doc, kModelL, Real(l));
    SetModel(doc, slot,
             slot == kModelP   ? Prod({Variable("k"), Real(1)})
             : slot == kModelG ? Div(Variable("k"), PolyExpr({1, 1}))
                               : Variable("k"));
    k = Entry(doc, "k");
    doc.m_vars.m_pValue[k] = value;
    doc.m_pVarPoints[0].m_nVariable = k;
  }
};

void ExpectPoints(const CVARpoints& locus, const std::vector<double>& x, double l) {
  ASSERT_EQ(locus.m_nCount, int(x.size()));
  for (size_t j = 0; j < x.size(); ++j) {
    EXPECT_NEAR(locus.m_pPoints[j].re, -(1 + l * x[j]), 1e-12 * (2 + l * x[j])) << j;
    EXPECT_EQ(locus.m_pPoints[j].im, 0.0) << j;
  }
}

// count points from start, each step times factor or plus step; at k = 0 the
// loop is open, the return difference is 1 and has no root.
std::vector<double> Gains(double start, double factor, double step, int count) {
  std::vector<double> x;
  for (double v = start; count-- > 0; v = v * factor + step)
    if (v != 0.0) x.push_back(v);
  return x;
}

TEST(Loci, SweepsVisitTheGivenGainsAndRestoreTheVariable) {
  const struct {
    const char* name;
    int slot, linearSteps;
    WORD code;
    double value;
    std::vector<double> x;
    double l = 1.0;
  } rows[] = {
      // One factor short of the maximum gain 100.
      {"logarithmic", kModelK, 20, 0, 3.5, Gains(0.01, std::pow(1e4, 1.0 / 30), 0, 30)},
      {"10 %", kModelK, 20, 1, 5.0, Gains(4.5, 1, 1.0 / 19, 20)},
      {"25 %", kModelK, 20, 2, 4.0, Gains(3.0, 1, 2.0 / 19, 20)},
      {"50 %", kModelK, 20, 3, 2.0, Gains(1.0, 1, 2.0 / 19, 20)},
      {"50 %, k in F", kModelF, 20, 3, 2.0, Gains(1.0, 1, 2.0 / 19, 20)},
      {"50 %, k in G", kModelG, 20, 3, 2.0, Gains(1.0, 1, 2.0 / 19, 20)},
      {"50 %, L = 2 in the loop", kModelK, 20, 3, 2.0, Gains(1.0, 1, 2.0 / 19, 20), 2.0},
      {"100 %", kModelK, 20, 4, 2.0, Gains(0.0, 1, 4.0 / 19, 20)},
      {"100 % at 0: -1 .. 1, not a single point", kModelK, 20, 0x3004, 0.0,
       Gains(-1, 1, 2.0 / 19, 20)},
      {"one linear step starts at the minimum gain", kModelK, 1, 1, 5.0, {0.01}},
      {"no linear steps", kModelK, 0, 1, 5.0, {}},
      {"a pre-filter variable gets no points", kModelP, 20, 0, 1.0, {}},
  };
  const int saved = g_nRlLinSteps;
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    g_nRlLinSteps = row.linearSteps;
    GainLoop loop(row.slot, row.value, row.l);
    loop.doc.m_pVarPoints[0].m_nCount = 5;  // an earlier sweep's points
    loop.doc.m_pVarPoints[0].m_wCode = row.code;
    loop.doc.Recalculate();
    ExpectPoints(loop.doc.m_pVarPoints[0], row.x, row.l);
    EXPECT_EQ(loop.doc.m_vars.m_pValue[loop.k], row.value);
  }
  g_nRlLinSteps = saved;
}

TEST(Loci, TwoByTwoLoopPointsAreRootsOfTheReturnDifference) {
  // G = [1/(s+1), 2/(s+3); 1/(s+1), 1/(s+1)], K = k I: each point is a root of
  // det(I + k G) = 0, checked by evaluating det(I + k G(p)) directly.
  CQorexDoc doc;
  MakeTwoByTwo(doc, Matrix(2, {Variable("k"), Real(0), Real(0), Variable("k")}), 1, 1, 0);
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
