// The pole drag group and the dragged root, headless: which roots lie under
// a point and how they are named, roots of the models and of the loop
// following the mouse, which variables a grab finds free, the search rules
// on a cost the test controls, and the costs themselves.
#include "diagrams/QOX_DragGroup.h"
#include "diagrams/QOX_DragPole.h"
#include "platform/core/KeyState.h"
#include "tests/diagrams/DragTestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>
#include <memory>
#include <vector>

namespace {

using namespace dragtest;

// The pixel of s in the document's root locus.
CPoint Pixel(const CQorexDoc& doc, double re, double im) {
  return {doc.m_ptRlOrigin.x + static_cast<int>(std::lround(re * doc.m_dRlScaleX)),
          doc.m_ptRlOrigin.y - static_cast<int>(std::lround(im * doc.m_dRlScaleY))};
}

class DragGroup : public ::testing::Test {
 protected:
  CQorexDoc doc;
  QOX_DragGroup& group() { return *doc.m_pDragGroup; }
};

// K = 1/(s+1) and G = 1/(s+1) both have a pole at -1: the hit counts both and
// holds the later one, G's; a block that does not show its roots is skipped.
TEST_F(DragGroup, HitTestCountsEveryRootAndHoldsTheLastInScanOrder) {
  SetModel(doc, kModelK, Tf({1}, {1, 1}));
  Bind(doc);
  const CPoint p = Pixel(doc, -1, 0);
  EXPECT_EQ(group().HitTest(p.x, p.y, FALSE), 2);
  ASSERT_EQ(group().m_nCount, 1);
  EXPECT_EQ(group().Item(0)->m_pTrnfn, &doc.m_system.m_G.At(0, 0));

  doc.m_system.m_G.m_wFlags &= ~kBlockShowRoots;
  EXPECT_EQ(group().HitTest(p.x, p.y, FALSE), 1);
  EXPECT_EQ(group().Item(0)->m_pTrnfn, &doc.m_system.m_K.At(0, 0));
  CString texts[10];
  WORD codes[10];
  ASSERT_EQ(group().GetLabel(p.x, p.y, texts, codes), 1);
  EXPECT_STREQ(texts[0], "K");

  const CPoint empty = Pixel(doc, 3, 3);
  EXPECT_EQ(group().HitTest(empty.x, empty.y, FALSE), 0);
  EXPECT_EQ(group().m_nCount, 0);
}

TEST_F(DragGroup, LabelsNameTheGroupsUnderThePoint) {
  struct Row {
    const char* name;
    int model;
    CMcBasic* (*rhs)();
    McComplex at;
    const char* text;
    WORD code;
  };
  const Row rows[] = {
      {"double pole of a scalar K",
       kModelK,
       [] {
         return Tf({1}, {9, 6, 1});
       },
       {-3, 0},
       "K  (2)",
       0x8001},
      {"simple zero of element (2,1) of G",
       kModelG,
       [] {
         return static_cast<CMcBasic*>(
             Matrix(2, {Tf({1}, {1, 1}), Real(0), Tf({4, 1}, {1, 1}), Tf({1}, {2, 1})}));
       },
       {-4, 0},
       "G.21",
       2},
      {"closed-loop pole of the new design", -1, nullptr, {-2, 0}, "H", 0x8006},
  };
  for (const Row& row : rows) {
    CQorexDoc d;
    if (row.rhs) SetModel(d, row.model, row.rhs());
    Bind(d);
    CString texts[10];
    WORD codes[10] = {};
    const CPoint p = Pixel(d, row.at.re, row.at.im);
    ASSERT_EQ(d.m_pDragGroup->GetLabel(p.x, p.y, texts, codes), 1) << row.name;
    EXPECT_STREQ(texts[0], row.text) << row.name;
    EXPECT_EQ(codes[0], row.code) << row.name;
  }
}

// Twelve elements of G with a pole at -5 give twelve groups there; ten lines.
TEST_F(DragGroup, MoreThanTenGroupsGiveTenLines) {
  std::vector<CMcBasic*> cells;
  for (int i = 0; i < 12; ++i) cells.push_back(Tf({1}, {5, 1}));
  SetModel(doc, kModelG, Matrix(3, cells));
  Bind(doc);
  CString texts[10];
  WORD codes[10];
  const CPoint p = Pixel(doc, -5, 0);
  EXPECT_EQ(group().GetLabel(p.x, p.y, texts, codes), 10);
  EXPECT_STREQ(texts[9], "G.41");
}

TEST_F(DragGroup, AThirdAddGrowsTheCapacityToFour) {
  for (int i = 0; i < 3; ++i) group().Add(nullptr, nullptr, {-2, 0}, TRUE, TRUE);
  EXPECT_EQ(group().m_nCount, 3);
  EXPECT_EQ(group().m_nCapacity, 4);
  ASSERT_EQ(group().m_items.size(), 4u);
  EXPECT_NE(group().Item(3), nullptr);
  EXPECT_FALSE(group().DeleteGrabbed()) << "loop roots have no factor";
  EXPECT_EQ(group().m_nCount, 0);
  EXPECT_TRUE(group().DragTo(10, 10));
}

// ---- dragging roots -----------------------------------------------------------------

// The new root nearest the pixel p, of the given roots 1 .. count.
double PixelsFromNearest(const CQorexDoc& doc, const std::vector<McComplex>& roots, int count,
                         CPoint p) {
  double d = 1e300;
  for (int k = 1; k <= count && k < static_cast<int>(roots.size()); ++k) {
    const CPoint q = Pixel(doc, roots[k].re, roots[k].im);
    d = std::min(d, std::hypot(double(q.x - p.x), double(q.y - p.y)));
  }
  return d;
}

// K = 1/(s + a), a = 2: K's pole, grabbed at -2 and moved 5 px at a time,
// stays under the mouse; a follows.
TEST_F(DragGroup, AModelElementsPoleFollowsTheMouse) {
  SetModel(doc, kModelK, Div(Real(1), Sum({S(), Variable("a")})));
  Bind(doc, {{"a", 2}});
  CPoint mouse = Pixel(doc, -2, 0);
  ASSERT_EQ(group().HitTest(mouse.x, mouse.y, FALSE), 1);
  const QOX_DragPole& pole = *group().Item(0);
  ASSERT_EQ(pole.m_pTrnfn, &doc.m_system.m_K.At(0, 0));
  ASSERT_TRUE(pole.m_wMode & kDragModelPole);
  for (int step : {-5, -5, -5, -5, 5, 5, 5, 5, 5, 5}) {
    mouse.x += step;
    group().DragTo(mouse.x, mouse.y);
    doc.Recalculate();
    const CSIMtrnfn& k = doc.m_system.m_K.At(0, 0);
    EXPECT_LE(PixelsFromNearest(doc, k.m_poles, k.m_nDen - 1, mouse), 1.0) << mouse.x;
    EXPECT_NEAR(-Var(doc, "a"), (mouse.x - doc.m_ptRlOrigin.x) / doc.m_dRlScaleX,
                1.0 / doc.m_dRlScaleX);
  }
}

// A 2 x 2 loop around G = [1/(s+1), 2/(s+3); 1/(s+1), b/(s+1)], b = 6, with
// K = I: |G|, and with it |FLGK|, vanishes at -(3b - 2)/(b - 2) = -4 alone.
// The tip names it, the grab holds it, and dragging it moves that zero (b
// with it, G allowing modification).
TEST_F(DragGroup, ATransmissionZeroIsLabelledGrabbedAndDragged) {
  SetModel(doc, kModelP, Identity(2));
  SetModel(doc, kModelK, Identity(2));
  SetModel(doc, kModelG,
           Matrix(2, {Tf({1}, {1, 1}), Tf({2}, {3, 1}), Tf({1}, {1, 1}),
                      Div(Variable("b"), Sum({S(), Real(1)}))}));
  SetModel(doc, kModelL, Identity(2));
  SetModel(doc, kModelF, Identity(2));
  SetSignal(doc, kSigC, Matrix(1, {Real(1), Real(1)}));
  for (int slot : {kSigV, kSigD, kSigN}) SetSignal(doc, slot, Matrix(1, {Real(0), Real(0)}));
  doc.m_system.m_G.m_wFlags |= kBlockTunable;
  Bind(doc, {{"b", 6}});
  CPoint mouse = Pixel(doc, -4, 0);
  CString texts[10];
  WORD codes[10] = {};
  ASSERT_EQ(group().GetLabel(mouse.x, mouse.y, texts, codes), 1);
  EXPECT_STREQ(texts[0], "H");
  EXPECT_EQ(codes[0], 0x0006);

  ASSERT_EQ(group().HitTest(mouse.x, mouse.y, FALSE), 1);
  const QOX_DragPole& zero = *group().Item(0);
  EXPECT_EQ(zero.m_pTrnfn, &doc.m_system.m_detFLGK);
  EXPECT_EQ(zero.m_wMode, kDragTransmissionZero);
  for (int i = 0; i < 4; ++i) {
    mouse.x -= 5;
    group().DragTo(mouse.x, mouse.y);
    doc.Recalculate();
    const CSIMtrnfn& det = doc.m_system.m_detFLGK;
    EXPECT_LE(PixelsFromNearest(doc, det.m_zeros, det.m_nNum - 1, mouse), 1.0) << mouse.x;
  }
  EXPECT_LT(Var(doc, "b"), 6.0);
}

// K = 1/(s^2 + a s + b) with roots -1 +- 2j: either root of the pair, dragged
// further into its own half-plane, is found there and stays the one grabbed,
// although the search matches the conjugates alike.
TEST_F(DragGroup, ADraggedRootOfAPairStaysInItsHalfPlane) {
  for (const double side : {1.0, -1.0}) {
    CQorexDoc d;
    SetModel(d, kModelK,
             Div(Real(1), Sum({Pow(S(), Real(2)), Prod({Variable("a"), S()}), Variable("b")})));
    Bind(d, {{"a", 2}, {"b", 5}});
    CPoint mouse = Pixel(d, -1, 2 * side);
    ASSERT_EQ(d.m_pDragGroup->HitTest(mouse.x, mouse.y, FALSE), 1) << side;
    const QOX_DragPole& pole = *d.m_pDragGroup->Item(0);
    for (int i = 0; i < 3; ++i) {
      mouse.y -= static_cast<int>(4 * side);
      d.m_pDragGroup->DragTo(mouse.x, mouse.y);
      d.Recalculate();
      EXPECT_GT(pole.m_start.im * side, 0) << side << " step " << i;
      const CPoint at = Pixel(d, pole.m_start.re, pole.m_start.im);
      EXPECT_LE(std::hypot(double(at.x - mouse.x), double(at.y - mouse.y)), 1.5)
          << side << " step " << i;
    }
  }
}

// ---- starting a grab ----------------------------------------------------------------

// The free variables of a grabbed pole of K: only those of its denominator
// that move it. The rows (s + 2)(s + a + c) are built so that the second
// root comes onto the grabbed one exactly when a takes its perturbed value
// (10.0 for |a| < 0.1, else -5a), which keeps a free; any other perturbation
// would drop it.
TEST(DragPoleBegin, ListsTheVariablesThatMoveTheGrabbedRoot) {
  struct Row {
    const char* name;
    CMcBasic* (*k)();
    double a;
    McComplex root;
    int free;  // 1: a is the one free variable; 0: none
  };
  const Row rows[] = {
      {"k/(s+a): k is not looked at",
       [] {
         return Div(Variable("k"), Sum({S(), Variable("a")}));
       },
       2,
       {-2, 0},
       1},
      {"a = 2 is tried at -10",
       [] {
         return Div(Real(1), Prod({Sum({S(), Real(2)}), Sum({S(), Variable("a"), Real(12)})}));
       },
       2,
       {-2, 0},
       1},
      {"a = 0.05 is tried at 10",
       [] {
         return Div(Real(1), Prod({Sum({S(), Real(2)}), Sum({S(), Variable("a"), Real(-8)})}));
       },
       0.05,
       {-2, 0},
       1},
      {"a double pole keeps a",
       [] {
         return Div(Real(1), Pow(Sum({S(), Variable("a")}), Real(2)));
       },
       2,
       {-2, 0},
       1},
      {"(s+2)(s+a+5) at -2: a moves the other root only",
       [] {
         return Div(Real(1), Prod({Sum({S(), Real(2)}), Sum({S(), Variable("a"), Real(5)})}));
       },
       2,
       {-2, 0},
       0},
  };
  for (const Row& row : rows) {
    CQorexDoc doc;
    SetModel(doc, kModelK, row.k());
    Bind(doc, {{"a", row.a}});
    const int count = doc.m_vars.m_nCount;
    std::vector<double> before(doc.m_vars.m_pValue.get(), doc.m_vars.m_pValue.get() + count);
    QOX_DragPole pole;
    pole.Begin(&doc.m_system.m_K.At(0, 0), doc.m_models.GetAt(kModelK)->m_children[1], row.root,
               TRUE, &doc);
    ASSERT_EQ(pole.m_vars.m_nCount, row.free) << row.name;
    if (row.free) {
      EXPECT_EQ(pole.m_vars.Index(0), Entry(doc, "a")) << row.name;
    }
    EXPECT_EQ(std::memcmp(before.data(), doc.m_vars.m_pValue.get(), count * sizeof(double)), 0)
        << row.name << ": every value bit-identical afterwards";
  }
}

// An element that is no division has no factor: nothing is free.
TEST(DragPoleBegin, AnElementThatIsNoDivisionHasNoFreeVariables) {
  CQorexDoc doc;
  QOX_DragPole pole;
  std::unique_ptr<CMcBasic> element(Variable("x"));
  pole.Begin(&doc.m_system.m_G.At(0, 0), element.get(), {-1, 0}, TRUE, &doc);
  EXPECT_EQ(pole.m_vars.m_nCount, 0);
  EXPECT_EQ(pole.m_pFactor, nullptr);
  EXPECT_FALSE(pole.DeleteFactor());
}

// ---- the search rules ----------------------------------------------------------------

// One free variable (the new design's f11, entry 5, value 1) under a cost the
// test gives.
class DragSearch : public ::testing::Test {
 protected:
  void SetUp() override {
    pole.m_pDoc = &doc;
    pole.m_vars.Add(5, QOX_Repeats::kOnce);
    pole.m_vars.Axis(0) = {1.0, 1.0, QOX_PatternAxis::kNone};
  }
  double& x() { return doc.m_vars.m_pValue[5]; }
  CQorexDoc doc;
  QOX_DragPole pole;
};

// A cost falling steadily upwards: the moves taken are 1, 1, 2, 4, 8 and the
// down step after each is half of it.
TEST_F(DragSearch, UpMovesDoubleFromTheSecondSuccess) {
  Setting iterations(g_nLocalIterations, 5);
  std::vector<double> tried;
  pole.m_evaluate = [&] {
    tried.push_back(x());
    return -x();
  };
  EXPECT_EQ(pole.Search(), -17.0);
  EXPECT_EQ(tried, (std::vector<double>{1, 2, 3, 5, 9, 17}));
  EXPECT_EQ(pole.m_vars.Axis(0).down, 4.0);
  EXPECT_EQ(pole.m_vars.Axis(0).up, 16.0);
  EXPECT_EQ(pole.m_vars.Axis(0).direction, 2);
}

TEST_F(DragSearch, AFlatCostGrowsBothStepsByHalf) {
  Setting iterations(g_nLocalIterations, 3);
  pole.m_evaluate = [] { return 5.0; };
  EXPECT_EQ(pole.Search(), 5.0);
  EXPECT_EQ(x(), 1.0);
  EXPECT_DOUBLE_EQ(pole.m_vars.Axis(0).up, 1.5 * 1.5 * 1.5);
  EXPECT_DOUBLE_EQ(pole.m_vars.Axis(0).down, 1.5 * 1.5 * 1.5);
}

// NaN and +infinity are never taken over a finite cost, and a search that
// starts on one stops nowhere else.
TEST_F(DragSearch, NaNAndInfinityAreNeverTaken) {
  const double nan = std::numeric_limits<double>::quiet_NaN();
  const double inf = std::numeric_limits<double>::infinity();
  for (double bad : {nan, inf}) {
    x() = 1.0;
    pole.m_vars.Axis(0).up = pole.m_vars.Axis(0).down = 1.0;
    pole.m_evaluate = [&] { return x() == 1.0 ? 3.0 : bad; };
    EXPECT_EQ(pole.Search(), 3.0);
    EXPECT_EQ(x(), 1.0);
    pole.m_evaluate = [&] { return bad; };
    EXPECT_EQ(pole.Search(), inf);
    EXPECT_EQ(x(), 1.0);
  }
}

// Every drag step starts both steps of a variable at 1.0 up to 10 in
// magnitude, else at a tenth of it: the first trial lies that far up.
TEST_F(DragSearch, ADragStepStartsWithATenthOfAValueAboveTen) {
  const struct {
    double value, step;
  } rows[] = {{0.0, 1.0}, {-10.0, 1.0}, {10.5, 1.05}, {250.0, 25.0}, {-50.0, 5.0}};
  for (const auto& row : rows) {
    x() = row.value;
    std::vector<double> tried;
    pole.m_evaluate = [&] {
      tried.push_back(x());
      return 1.0;
    };
    pole.DragTo(100, 100);
    ASSERT_GE(tried.size(), 2u);
    EXPECT_EQ(tried[0], row.value);
    EXPECT_DOUBLE_EQ(tried[1] - row.value, row.step) << row.value;
  }
}

// "Closed loop poles" under a cost with a valley at k = 2 and a deeper one
// at -2: the local search stays in the first; with Shift held the global
// stage finds the second.
TEST(DragClosedLoopPoles, ShiftAddsTheGlobalStage) {
  for (const bool shift : {false, true}) {
    QxResetKeyStates();
    QxSetKeyDown(VK_SHIFT, shift);
    CQorexDoc doc;
    SetModel(doc, kModelK, Variable("k"));
    Bind(doc, {{"k", 2}});
    QOX_DragPole& slot0 = *doc.m_pDragGroup->Item(0);
    slot0.m_evaluate = [&] {
      const double k = Var(doc, "k");
      return (k * k - 4) * (k * k - 4) + 0.5 * k;
    };
    doc.OnClosedLoopPoles();
    EXPECT_NEAR(Var(doc, "k"), shift ? -2.0 : 2.0, 0.1) << (shift ? "Shift held" : "Shift up");
    EXPECT_EQ(slot0.m_wMode, 0);
  }
  QxResetKeyStates();
}

// A variable of value 3 under a cost without descent: the probe walks 0.1,
// 0.2, 0.4 ... (25.5 in all) each way and puts the value back.
TEST_F(DragSearch, TheProbeWalksDoublingStepsAndRestores) {
  x() = 3.0;
  std::vector<double> tried;
  pole.m_evaluate = [&] {
    tried.push_back(x());
    return 1.0;
  };
  double a[] = {3.0}, b[] = {0.0};
  EXPECT_EQ(pole.Probe(a, b, 1.0, 1e300, 0, 0), 1e300);
  EXPECT_EQ(x(), 3.0);
  ASSERT_EQ(tried.size(), 8u);
  EXPECT_NEAR(tried.back(), 3.0 + 25.5, 1e-12);
  EXPECT_NEAR(tried[2], 3.0 + 0.7, 1e-12);
  tried.clear();
  pole.Probe(a, b, 1.0, 1e300, 0, 1);
  EXPECT_NEAR(tried.back(), 3.0 - 25.5, 1e-12);
  EXPECT_EQ(x(), 3.0);
}

// Two variables, a bowl at (7, -4): a probe that finds a descent searches
// from there, keeps its best values in b and restores both variables.
TEST_F(DragSearch, AProbeThatDescendsKeepsItsBestAndRestoresEveryVariable) {
  pole.m_vars.Add(0, QOX_Repeats::kOnce);  // stands in for a second variable
  double& y = doc.m_vars.m_pValue[0];
  x() = 3.0;
  y = 0.0;
  pole.m_evaluate = [&] { return (x() - 7) * (x() - 7) + (y + 4) * (y + 4); };
  double a[] = {3.0, 0.0}, b[] = {0.0, 0.0};
  const double best = pole.Probe(a, b, 32.0, 1e300, 0, 0);
  EXPECT_LT(best, 32.0);
  EXPECT_EQ(x(), 3.0);
  EXPECT_EQ(y, 0.0);
  EXPECT_DOUBLE_EQ((b[0] - 7) * (b[0] - 7) + (b[1] + 4) * (b[1] + 4), best);
}

// A sharp minimum at 3 with every probe's descent leading to costs above 1:
// the stage ends where it started, never worse than the local search.
TEST_F(DragSearch, TheGlobalStageEndsOnTheBestKept) {
  x() = 3.0;
  int calls = 0;
  pole.m_evaluate = [&] {
    ++calls;
    return x() == 3.0 ? 0.5 : 1.0 + 1.0 / (1.0 + std::abs(x() - 3.0));
  };
  pole.GlobalStage(0.5, -1e100);
  EXPECT_EQ(x(), 3.0);
  EXPECT_GT(calls, 16) << "every pass probed";
}

// ---- the costs ------------------------------------------------------------------------------

// The closed-loop cost of K = k, G = g, F = 1 at its known roots: the largest
// real part (times 4 when positive) plus the mean excess over the sector
// |im| <= |re| / 2.
TEST(DragCost, ClosedLoopCostOfKnownRoots) {
  struct Row {
    const char* name;
    CMcBasic* (*g)();
    double k;
    double knee;
    double cost;
  };
  const double pairExcess = std::sqrt(7.0) / 2 - 0.25;  // roots -1/2 +- j sqrt(7)/2
  const Row rows[] = {
      {"one real root at -2",
       [] {
         return Tf({1}, {1, 1});
       },
       1, 300, -2},
      {"unstable root at +2",
       [] {
         return Tf({1}, {1, 1});
       },
       -3, 300, 4 * 2},
      {"a pair outside the sector",
       [] {
         return Tf({1}, {1, 1, 1});
       },
       1, 300, 2 * pairExcess / 3 - 0.5},
      {"above the knee a negative cost is divided",
       [] {
         return Tf({1}, {1, 1});
       },
       5, 3, -6 / std::exp(2.0)},
  };
  for (const Row& row : rows) {
    Setting knee(g_dMagSupKnee, row.knee);
    CQorexDoc doc;
    SetModel(doc, kModelK, Variable("k"));
    SetModel(doc, kModelG, row.g());
    Bind(doc, {{"k", row.k}});
    QOX_DragPole pole;
    pole.m_pDoc = &doc;
    pole.m_wMode = kDragClosedLoopImprove;
    pole.CollectVariables(doc.m_models.RightSideAt(kModelK));
    ASSERT_EQ(pole.m_vars.m_nCount, 1) << row.name;
    EXPECT_NEAR(pole.Cost(), row.cost, 1e-9) << row.name;
  }
}

// A factor whose degree changes during the search (b s^3 + s + a with b
// from 0, and b s^2 + s + 1 losing its leading term) is compared over the
// smaller root count; with the knee's factor overflowing, nothing moves.
TEST(DragCost, ChangedDegreesAndOverflowingCostsStayInBounds) {
  struct Row {
    const char* name;
    CMcBasic* (*den)();
    double a, b;
    McComplex root;
  };
  const Row rows[] = {
      {"degree grows",
       [] {
         return Sum({Variable("a"), S(), Prod({Variable("b"), Pow(S(), Real(3))})});
       },
       2,
       0,
       {-2, 0}},
      {"degree drops",
       [] {
         return Sum(
             {Real(1), Prod({Variable("a"), S()}), Prod({Variable("b"), Pow(S(), Real(2))})});
       },
       1,
       1,
       {-0.5, std::sqrt(0.75)}},
  };
  for (const Row& row : rows) {
    CQorexDoc doc;
    SetModel(doc, kModelK, Div(Real(1), row.den()));
    Bind(doc, {{"a", row.a}, {"b", row.b}});
    const CPoint p = Pixel(doc, row.root.re, row.root.im);
    ASSERT_EQ(doc.m_pDragGroup->HitTest(p.x, p.y, FALSE), 1) << row.name;
    QOX_DragPole& pole = *doc.m_pDragGroup->Item(0);
    EXPECT_GE(pole.m_vars.m_nCount, 1) << row.name;
    pole.DragTo(p.x - 40, p.y - 40);
    EXPECT_TRUE(std::isfinite(Var(doc, "a"))) << row.name;
  }
  // Above the knee + 709 the factor is infinite and every cost +infinity (0 x
  // infinity, NaN, included): the flat steps grow until a trial leaves that
  // region, and any finite cost is taken over it.
  CQorexDoc doc;
  SetModel(doc, kModelK, Div(Real(1), Sum({S(), Variable("a")})));
  Bind(doc, {{"a", 2000.0}});
  QOX_DragPole pole;
  pole.Begin(&doc.m_system.m_K.At(0, 0), doc.m_models.GetAt(kModelK)->m_children[1], {-2000, 0},
             TRUE, &doc);
  ASSERT_EQ(pole.m_vars.m_nCount, 1);
  const CPoint q = Pixel(doc, -2000, 0);
  pole.DragTo(q.x + 20, q.y);
  EXPECT_LT(Var(doc, "a"), g_dMagSupKnee + 709);
  EXPECT_GT(Var(doc, "a"), 0);
}

}  // namespace
