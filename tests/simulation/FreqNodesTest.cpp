// Frequency nodes, diagram coordinates, the frequency-domain costs in their
// closed forms, and the searches reached through the search interface.
#include "tests/simulation/FreqTestSupport.h"

#include "simulation/SIMsearch.h"

#include <cmath>
#include <functional>
#include <string>
#include <tuple>

namespace {

using namespace freqtest;

using FreqNodes = FreqFixture;
using FreqCosts = FreqFixture;

constexpr BYTE kNyquist = kDiagramNyquist, kNichols = kDiagramNichols, kBode = kDiagramBode,
               kCharBode = kDiagramCharBode;

// A search that records what it is asked and what the engine shows it.
struct RecordingSearch : CSIMsearchUi {
  CSIMfreq* engine = nullptr;
  std::vector<std::string> calls;
  std::vector<int> modes;
  void CollectFreeVariables() override { calls.push_back("collect"); }
  void Optimize(WORD mode) override {
    calls.push_back("optimize");
    modes.push_back(mode);
    modes.push_back(engine->m_nMode);
  }
};

struct Installed {
  explicit Installed(CSIMsearchUi* ui) : kept(GetSearchUi()) { SetSearchUi(ui); }
  ~Installed() { SetSearchUi(kept); }
  CSIMsearchUi* kept;
};

TEST_F(FreqNodes, AddRemoveAndCellBytes) {
  const struct {
    const char* name;
    std::function<void(CQorexDoc&, CSIMfreq&)> run;
  } cases[] = {
      {"an eleventh node doubles the capacity and keeps the first ten",
       [](CQorexDoc& doc, CSIMfreq& f) {
         for (int i = 0; i < 11; ++i) f.AddNode(i + 1.0, 0, 0, 0.5 * i, kNyquist, &doc);
         EXPECT_EQ(f.m_nNodeCapacity, 20);
         for (int i = 0; i < 11; ++i) EXPECT_EQ(f.m_nodeFreq[i], i + 1.0);
         EXPECT_EQ(f.m_nodeInertia[9], 4.5);
       }},
      {"the twenty-first node of a 2 x 2 loop grows the node loci",
       [](CQorexDoc& doc, CSIMfreq& f) {
         MakeTwoByTwoExample(doc);
         for (int i = 0; i < 20; ++i) f.AddNode(0.001, 0, 0, 1.0, 5, &doc);
         doc.Recalculate();
         const McComplex first = f.m_nodeLoci[38];
         EXPECT_EQ(f.m_nNodeLociCapacity, 40);
         f.AddNode(0.001, 0, 1, 1.0, 5, &doc);
         EXPECT_EQ(f.m_nNodeLociCapacity, 84);
         EXPECT_EQ(C(f.m_nodeLoci[38]), C(first));
       }},
      {"removing node 0 of three moves the last into its place",
       [](CQorexDoc& doc, CSIMfreq& f) {
         for (int i = 0; i < 3; ++i) f.AddNode(i + 1.0, i, 0, 1.0, kNyquist, &doc);
         f.RemoveNode(0);
         ASSERT_EQ(f.m_nNodes, 2);
         EXPECT_EQ(f.m_nodeFreq[0], 3.0);
         EXPECT_EQ(f.m_nodeCell[0], 0x20);
         EXPECT_EQ(f.m_nodeFreq[1], 2.0);
       }},
      {"the last node moves with all of its fields and characteristic values",
       [](CQorexDoc& doc, CSIMfreq& f) {
         MakeTwoByTwoExample(doc);
         f.AddNode(0.5, 0, 0, 1.0, kNyquist, &doc);
         f.AddNode(1.0, 1, 0, 2.0, 2, &doc);
         f.AddNode(2.0, 0, 1, 3.0, 5, &doc);
         doc.Recalculate();
         const auto fields = [&f](int n) {
           return std::make_tuple(f.m_nodeFreq[n], f.m_nodeCell[n], f.m_nodeFlags[n],
                                  f.m_nodeInertia[n], C(f.m_nodeDirect[n]), C(f.m_nodeInverse[n]),
                                  C(f.m_nodeLoci[2 * n]), C(f.m_nodeLoci[2 * n + 1]),
                                  C(f.m_nodeLociGain[2 * n]), C(f.m_nodeLociGain[2 * n + 1]));
         };
         const auto last = fields(2);
         f.RemoveNode(0);
         EXPECT_EQ(fields(0), last);
       }},
      {"an index past the last is ignored; the single node or -1 leaves none",
       [](CQorexDoc& doc, CSIMfreq& f) {
         f.AddNode(1.0, 0, 0, 1.0, kNyquist, &doc);
         f.RemoveNode(1);
         EXPECT_EQ(f.m_nNodes, 1);
         f.RemoveNode(0);
         EXPECT_EQ(f.m_nNodes, 0);
         f.AddNode(1.0, 0, 0, 1.0, kNyquist, &doc);
         f.AddNode(2.0, 0, 0, 1.0, kNyquist, &doc);
         f.RemoveNode(-1);
         EXPECT_EQ(f.m_nNodes, 0);
       }},
      {"row 2, column 1 is the cell byte 0x21; a new node's values are NaN",
       [](CQorexDoc& doc, CSIMfreq& f) {
         f.AddNode(1.0, 2, 1, 1.0, kNyquist, &doc);
         EXPECT_EQ(f.m_nodeCell[0], 0x21);
         EXPECT_TRUE(std::isnan(f.m_nodeDirect[0].re));
       }},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    CQorexDoc doc;
    c.run(doc, *doc.m_pFreqModel);
  }
}

TEST_F(FreqNodes, DiagramCoordinates) {
  CQorexDoc doc;
  for (QoxDiagView& v : doc.m_diagView) v.dScaleX = v.dScaleY = 1.0;
  doc.m_diagView[kNyquist] = {2.0, 3.0, 0, 0};
  const CSIMfreq& f = *doc.m_pFreqModel;
  const McComplex z = {-1.0, 0.0}, w = {4.0, -5.0}, j = {0.0, 1.0};
  const struct {
    const char* name;
    McComplex z, w;
    BYTE byte;
    double x, y;
  } cases[] = {
      {"Nyquist scales z", z, w, kNyquist, -2.0, 0.0},
      {"inverse Nyquist shows w", z, w, 2, 4.0, -5.0},
      {"Nichols of -1: phase + 180, 0 dB", z, w, kNichols, 360.0, 0.0},
      {"Bode magnitude of 10j: 20 dB", {0, 10}, w, kBode, 0.0, 20.0},
      {"Bode phase of j: 90 degrees", j, w, kBode | kNodeSecondQuantity, 0.0, 90.0},
      {"characteristic Bode gain", z, w, kCharBode, 0.0, 4.0},
      {"characteristic Bode angle, label bits ignored", z, w,
       kCharBode | kNodeSecondQuantity | kNodeShowLabel | kNodeHertz, 0.0, -5.0},
      {"the root locus has no nodes", z, w, 0, 0.0, 0.0},
  };
  for (const auto& c : cases) {
    const McComplex p = f.ToDiagram(&doc, c.z, c.w, c.byte);
    EXPECT_NEAR(p.re, c.x, 1e-13) << c.name;
    EXPECT_NEAR(p.im, c.y, 1e-13) << c.name;
  }
}

// A drag records the pick and the target and runs the local search (0x2000)
// or the global one (0xA000) with the drag cost; a node index past the last
// node starts nothing.
TEST_F(FreqNodes, SetNodeRecordsTheDragAndSearches) {
  CQorexDoc doc;
  CSIMfreq& f = *doc.m_pFreqModel;
  RecordingSearch search;
  search.engine = &f;
  Installed installed(&search);
  f.AddNode(2.0, 0, 0, 1.0, kNyquist, &doc);
  f.SetNode(-1, 0.5, {1, 2}, {3, 4}, 0, 0, kBode, &doc, 1);
  EXPECT_EQ(f.m_dPickFreq, 0.5);
  EXPECT_EQ(f.m_nPickDiagram, kBode);
  EXPECT_EQ(C(f.m_targetInverse), cd(3, 4));
  f.SetNode(0, 0.5, {1, 2}, {3, 4}, 0, 0, kNichols | kNodeSecondQuantity, &doc, 0);
  EXPECT_EQ(f.m_dPickFreq, 2.0);  // the node's own frequency
  EXPECT_EQ(f.m_nodeFlags[0], kNichols | kNodeSecondQuantity);
  f.SetNode(1, 0.5, {1, 2}, {3, 4}, 0, 0, kNyquist, &doc, 1);
  EXPECT_EQ(f.m_nPickNode, 0);
  EXPECT_EQ(search.calls, (std::vector<std::string>{"collect", "optimize", "collect", "optimize"}));
  EXPECT_EQ(search.modes, (std::vector<int>{0x2000, 0, 0xA000, 0}));
}

// With no search installed the searches start nothing and leave the mode.
TEST_F(FreqNodes, SearchesWithoutASearchLeaveTheMode) {
  CQorexDoc doc;
  Installed none(nullptr);
  doc.m_pFreqModel->MinimizeInteraction(&doc, 1);
  doc.m_pFreqModel->ImproveBandwidth(&doc, 0);
  EXPECT_EQ(doc.m_pFreqModel->m_nMode, 0);
}

// ---- costs in closed form ---------------------------------------------------------

// The coarse point i of the defaults, 0.001 10^(6 i / 40).
double Coarse(int i) {
  return 0.001 * std::pow(10.0, 6.0 * i / 40);
}

// diag(1/(s+1), 2/(s+3)) lies in Re >= 0, Im <= 0 and is unchanged: the
// interaction cost is minus the diagonal moduli over the 40 coarse points.
TEST_F(FreqCosts, InteractionOfAnUnchangedDiagonalLoop) {
  CQorexDoc doc;
  MakeTwoByTwo(doc, Identity(2), 1, 1, 0,
               Matrix(2, {Tf({1}, {1, 1}), Real(0), Real(0), Tf({2}, {3, 1})}));
  doc.Recalculate();
  double expected = 0.0;
  for (int i = 0; i < 40; ++i)
    expected -= std::abs(1.0 / cd(1, Coarse(i))) + std::abs(2.0 / cd(3, Coarse(i)));
  EXPECT_NEAR(doc.m_pFreqModel->InteractionCost(&doc), expected, 1e-12);
}

// The constant loop diag(-0.25, 1) at the single coarse point that a tick
// step above the step count leaves: -0.25 lies below -0.2, and the penalty
// (0.2 + 0.25) 2 10 = 9 jumps in; D = -0.25 - 1 + 9.
TEST_F(FreqCosts, PenaltyBelowMinusPointTwoAtTheSinglePoint) {
  g_nFreqTickStep = 300;
  CQorexDoc doc;
  MakeConstantLoop(doc, 2, 2, {-0.25, 0, 0, 1});
  EXPECT_EQ(doc.m_pFreqModel->InteractionCost(&doc), 7.75);
}

// Unchanged design: each diagonal element against its value one coarse
// point lower (1/(s+1) and 2/(s+3) have Re > 0, Im < 0: no penalty), the
// off-diagonal ones against their own values, which are unchanged.
TEST_F(FreqCosts, BandwidthOfAnUnchangedDesign) {
  CQorexDoc doc;
  MakeTwoByTwo(doc, Identity(2), 1, 1, 0,
               Matrix(2, {Tf({1}, {1, 1}), Tf({0.5}, {2, 1}), Tf({0.3}, {4, 1}), Tf({2}, {3, 1})}));
  doc.Recalculate();
  auto g11 = [](double w) { return 1.0 / cd(1, w); };
  auto g22 = [](double w) { return 2.0 / cd(3, w); };
  double expected = 0.0;
  for (int i = 1; i < 40; ++i)
    expected += std::abs(g11(Coarse(i - 1)) - g11(Coarse(i))) +
                std::abs(g22(Coarse(i - 1)) - g22(Coarse(i)));
  EXPECT_NEAR(doc.m_pFreqModel->BandwidthCost(&doc), expected, 1e-12);
}

// A curve point of the default design's Nyquist diagram, no nodes: 6 times
// the distances from the target and from its neighbours' midpoint, in the
// diagram's scale (50 per unit).
TEST_F(FreqCosts, DragOfACurvePointWithoutNodes) {
  CQorexDoc doc;
  CSIMfreq& f = *doc.m_pFreqModel;
  f.SetNode(-1, 1.0, {0.3, -0.2}, {0, 0}, 0, 0, kNyquist, &doc, 1);  // nothing installed
  auto g = [](double w) { return 1.0 / cd(1, w); };
  const cd p = g(1.0), mid = (g(0.9) + g(1.1)) / 2.0;
  const double expected = 6.0 * 50.0 * (std::abs(p - cd(0.3, -0.2)) + std::abs(p - mid));
  EXPECT_NEAR(f.FrequencyCost(&doc), expected, 1e-12 * expected);
}

// A dragged node of inertia 0 contributes nothing, wherever its target lies.
TEST_F(FreqCosts, DraggedNodeOfInertiaZeroCostsNothing) {
  CQorexDoc doc;
  CSIMfreq& f = *doc.m_pFreqModel;
  f.AddNode(1.0, 0, 0, 0.0, kNyquist, &doc);
  doc.Recalculate();
  f.SetNode(0, 1.0, {5, 5}, {0, 0}, 0, 0, kNyquist, &doc, 1);
  EXPECT_EQ(f.FrequencyCost(&doc), 0.0);
}

// The cost rebuilds the blocks; a run of the loop right after it (the
// recording of a search's result) must see them as a recalculation leaves them.
TEST_F(FreqCosts, BlocksAreLeftReadyToSimulate) {
  CQorexDoc doc;
  MakeTwoByTwoExample(doc);
  CSIMsystem& s = doc.m_system;
  const double settled = s.m_yd.At(1, s.m_nSteps - 1);
  doc.m_pFreqModel->m_nMode = 1;
  doc.m_pFreqModel->FrequencyCost(&doc);
  doc.m_pFreqModel->m_nMode = 0;
  s.ResetStates();
  for (int t = 0; t < s.m_nSteps; ++t) s.SimulateStep(t);
  EXPECT_EQ(s.m_yd.At(1, s.m_nSteps - 1), settled);
}

}  // namespace
