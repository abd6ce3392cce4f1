// Frequency nodes on the diagrams: where each kind shows and how it is
// labelled, the hit test and the drag target, the double click, the node
// commands and the decades of "Add nodes...".
#include "platform/testing/DialogHooks.h"
#include "platform/ui/Controls.h"
#include "simulation/SIMsearch.h"
#include "tests/diagrams/FreqViewTestSupport.h"

#include <cmath>
#include <string>

namespace {

using namespace qxfreqview;

// A cell node shows in its cell of the Nyquist, Nichols and Bode diagrams
// (twice in Bode), a branch node once on the characteristic Nyquist and
// twice on the characteristic Bode diagram; a node outside the grid or on a
// branch not drawn shows nowhere.
TEST_F(FreqViewTest, NodesShowOnlyOnTheirDiagramsAndCells) {
  MakeTwoByTwoExample(doc());
  const struct {
    BYTE flags;
    int row, col;
    int markers[6];  // Nyquist, inverse, Nichols, Bode, char. Nyquist, char. Bode
  } rows[] = {{1, 1, 0, {1, 1, 1, 2, 0, 0}},
              {5, 0, 1, {0, 0, 0, 0, 1, 2}},
              {1, 2, 0, {0, 0, 0, 0, 0, 0}},
              {6, 0, 2, {0, 0, 0, 0, 0, 0}}};
  const UINT commands[6] = {NYQUIST, INYQUIST, NICHOLS, BODE, CHNYQUIST, CHBODE};
  for (const auto& row : rows) {
    freq().m_nNodes = 0;
    freq().AddNode(0.5, row.row, row.col, 1.0, row.flags, nullptr);
    doc().Recalculate();
    const McComplex z = freq().m_nodeDirect[0], zi = freq().m_nodeInverse[0];
    const McComplex l = freq().m_nodeLoci[1], g = freq().m_nodeLociGain[1];
    const double u = std::log10(0.5);
    for (int d = 0; d < 6; ++d) {
      const QImage image = Show(commands[d]);
      const int w = image.width() / 2, h = image.height() / 2, r = row.row, c = row.col;
      const CPoint at[6][2] = {
          {Px(1, z.re, z.im, r, c, w, h)},
          {Px(2, zi.re, zi.im, r, c, w, h)},
          {Px(3, FreqPhaseDegrees(z) + 180, FreqDecibels(z), r, c, w, h)},
          {Px(4, u, FreqDecibels(z), r, c, w, h), Px(4, u, FreqPhaseDegrees(z), r, c, w, h)},
          {Px(5, l.re, l.im)},
          {Px(6, u, g.re), Px(6, u, g.im)}};
      EXPECT_TRUE(row.markers[d] > 0 || Count(image, kNodeGreen) == 0) << int(row.flags) << d;
      for (int m = 0; m < row.markers[d]; ++m)
        EXPECT_GE(Count(image.copy(at[d][m].x - 2, at[d][m].y - 2, 5, 5), kNodeGreen), 3) << d << m;
    }
  }
}

TEST_F(FreqViewTest, LabelsAndTheirBoxAndLeader) {
  const struct {
    double w;
    BYTE flags;
    const char* text;
  } rows[] = {{500, 0, "500"},
              {2500, 0, "2.5 k"},
              {2000, kNodeHertz, "318.31 Hz"},
              {12566.4, kNodeHertz, "2 kHz"},
              {62.8, kNodeHertz, "9.99493 Hz"}};
  for (const auto& row : rows) EXPECT_EQ(std::string(FreqNodeLabel(row.w, row.flags)), row.text);
  // The box's top-right corner 6 pixels left of and below the node, the leader from it.
  freq().AddNode(1.0, 0, 0, 1.0, kNodeShowLabel | kDiagramNyquist, nullptr);
  doc().Recalculate();
  doc().m_diagView[1] = {400, 400, 100, 100};
  const QImage image = Show(NYQUIST);
  const CPoint p = Px(1, freq().m_nodeDirect[0].re, freq().m_nodeDirect[0].im);
  EXPECT_EQ(At(image, p + CPoint(-3, 3)), kSilver);
  EXPECT_EQ(At(image, p + CPoint(-7, 6)), kSilver);
  EXPECT_EQ(At(image, p + CPoint(-7, 5)), kWhitePixel);
}

struct SearchRecorder : CSIMsearchUi {
  void CollectFreeVariables() override {}
  void Optimize(WORD mode) override { modes.push_back(mode); }
  std::vector<WORD> modes;
};

// Nodes before ticks, a tick at its sweep frequency with node -1, bit 7 on
// the Bode phase curve; the drag target is the value under the mouse, and a
// drag runs the local or the global search.
TEST_F(FreqViewTest, HitTestPicksWhatIsDrawnAndDragTargetsTheMouse) {
  freq().AddNode(1.0, 0, 0, 2.0, kNodeSpare | kNodeShowLabel | kDiagramNyquist, nullptr);
  doc().Recalculate();
  CQorexView& view = *window->view();
  const McComplex z = freq().m_nodeDirect[0];
  doc().m_diagView[1] = {400, 400, 100, 100};
  Show(NYQUIST);
  EXPECT_TRUE(view.HitTestNode(&doc(), Px(1, z.re, z.im) + CPoint(2, 2)));
  EXPECT_EQ(freq().m_nPickNode * 256 + freq().m_nPickDiagram, 0x31);
  EXPECT_TRUE(view.HitTestNode(&doc(), Px(1, Q(105).re, Q(105).im)));
  EXPECT_EQ(freq().m_nPickNode, -1);
  EXPECT_EQ(freq().m_dPickFreq, W(105));
  EXPECT_EQ(freq().m_targetDirect.im, Q(105).im);
  EXPECT_FALSE(view.HitTestNode(&doc(), CPoint(600, 400)));
  Show(BODE);
  EXPECT_TRUE(view.HitTestNode(&doc(), Px(4, 0, FreqPhaseDegrees(z)) + CPoint(0, 3)));
  EXPECT_EQ(freq().m_nPickDiagram,
            kNodeSecondQuantity | kNodeSpare | kNodeShowLabel | kDiagramBode);

  SearchRecorder search;
  SetSearchUi(&search);
  view.DragNode(&doc(), CPoint(100, 60), 1);  // 40 pixels above the origin: 20 degrees
  EXPECT_NEAR(freq().m_targetDirect.re, std::cos(20 * std::asin(1.0) / 90), 1e-15);
  EXPECT_NEAR(freq().m_targetDirect.im, std::sin(20 * std::asin(1.0) / 90), 1e-15);
  Show(NYQUIST);
  view.HitTestNode(&doc(), Px(1, z.re, z.im));
  view.DragNode(&doc(), CPoint(500, -100), 0);
  SetSearchUi(nullptr);
  EXPECT_EQ(freq().m_targetDirect.re, 1.0);
  EXPECT_EQ(freq().m_targetInverse.im, 0.5);
  EXPECT_EQ(search.modes,
            (std::vector<WORD>{kSearchFrequencyCost, kSearchFrequencyCost | kSearchGlobal}));
}

// A double click on a tick adds a node of inertia 1, on a node removes it;
// "Edit node..." edits the picked node (Space on "Radians" shows rad/s);
// after "Remove all nodes" no node command acts.
TEST_F(FreqViewTest, DoubleClickAndNodeCommands) {
  CQorexView& view = *window->view();
  doc().m_diagView[1] = {400, 400, 100, 100};
  Show(NYQUIST);
  const CPoint tick = Px(1, Q(100).re, Q(100).im);
  ASSERT_TRUE(view.HitTestNode(&doc(), tick));
  view.m_nMouseMode = 3;
  QxTest::DoubleClick(&view, tick);
  ASSERT_EQ(freq().m_nNodes, 1);
  EXPECT_EQ(freq().m_nodeInertia[0] + freq().m_nodeFlags[0], 2.0);
  EXPECT_EQ(freq().m_nodeFreq[0], W(100));
  ASSERT_TRUE(view.HitTestNode(&doc(), tick));
  QxTest::DoubleClick(&view, tick);
  EXPECT_EQ(freq().m_nNodes, 0);

  freq().AddNode(62.8, 0, 0, 1.0, kNodeHertz | kNodeShowLabel | kDiagramNyquist, nullptr);
  freq().AddNode(5.0, 0, 0, 1.0, kDiagramNyquist, nullptr);
  doc().Recalculate();
  freq().m_nPickNode = 0;
  std::string shown;
  QxTest::DialogScript script({[&](CDialog& d) {
    CString text;
    d.GetDlgItemText(IDC_NODE_FREQUENCY, text);
    shown = text.GetString();
    d.GetDlgItem(IDC_RADIANS)->SetFocus();
    QxTest::PressKey(VK_SPACE);
    d.GetDlgItemText(IDC_NODE_FREQUENCY, text);
    shown += std::string("|") + text.GetString();
    QxTest::PressKey(VK_TAB);  // "Show label" off
    QxTest::PressKey(VK_SPACE);
    QxTest::PressKey(VK_RETURN);
  }});
  window->Command(EDITNODE);
  EXPECT_EQ(shown, "9.99493042617103|62.8");
  EXPECT_NEAR(freq().m_nodeFreq[0], 62.8, 1e-14 * 62.8);
  EXPECT_EQ(freq().m_nodeFlags[0], kDiagramNyquist);
  EXPECT_EQ(freq().m_nodeDirect[0].re, CSIMfreq::Response(doc().m_system.m_LGK.At(0, 0), 62.8).re);
  window->Command(REMNODE);
  ASSERT_EQ(freq().m_nNodes, 1);
  EXPECT_EQ(freq().m_nodeFreq[0], 5.0) << "the last node took the removed one's place";
  window->Command(REMNODES);
  window->Command(EDITNODE);
  window->Command(REMNODE);
  EXPECT_EQ(freq().m_nNodes, 0);
  EXPECT_EQ(script.Dialogs().size(), 1u);
}

// "Add nodes..." answered in its dialog: half-decades in hertz from 1 to 10,
// labels off, into the cell of the last pick.
TEST_F(FreqViewTest, AddNodesAddsTheDialogsDecadesToThePickedCell) {
  MakeTwoByTwoExample(doc());
  Show(NYQUIST);
  freq().m_nPickRow = 1;
  freq().m_nPickCol = 0;
  QxTest::DialogScript script({[&](CDialog& d) {
    d.SetDlgItemText(IDC_NODES_START, "1");
    d.SetDlgItemText(IDC_NODES_STOP, "10");
    static_cast<CComboBox*>(d.GetDlgItem(IDC_NODES_SPACING))->SetCurSel(1);
    d.CheckDlgButton(IDC_NODES_RADIANS, 0);
    d.CheckDlgButton(IDC_NODES_SHOW_LABELS, 0);
    d.GetDlgItem(IDC_NODES_START)->SetFocus();
    QxTest::PressKey(VK_RETURN);
  }});
  window->Command(ADDNODES);
  const double hertz[] = {1, 5, 10};
  ASSERT_EQ(freq().m_nNodes, 3);
  for (int i = 0; i < 3; ++i) {
    EXPECT_NEAR(freq().m_nodeFreq[i], 2 * M_PI * hertz[i], 1e-12 * freq().m_nodeFreq[i]);
    EXPECT_EQ(freq().m_nodeFlags[i], kNodeHertz | kDiagramNyquist);
    EXPECT_EQ(freq().m_nodeCell[i], 0x10);
  }
}

TEST(AddFrequencyNodes, DecadesAndTheirSpacing) {
  const struct {
    double start, stop;
    int spacing;
    std::vector<double> nodes;
  } rows[] = {{0.01, 1000, 1, {0.01, 0.05, 0.1, 0.5, 1, 5, 10, 50, 100, 500, 1000}},
              {0.01, 500, 1, {0.01, 0.05, 0.1, 0.5, 1, 5, 10, 50, 100}},
              {1, 10, 2, {1, 2, 4, 6, 8, 10}},
              {1, 10, 3, {1, 2, 3, 4, 5, 6, 7, 8, 9, 10}},
              {1, 100, 0, {1, 10, 100}},
              {0, 100, 1, {}},
              {std::nan(""), 100, 1, {}},
              {1, HUGE_VAL, 1, {}}};
  for (const auto& row : rows) {
    CSIMfreq freq;
    AddFrequencyNodes(freq, row.start, row.stop, row.spacing, 0.5, kNodeShowLabel | kDiagramNyquist,
                      1, 2);
    ASSERT_EQ(freq.m_nNodes, static_cast<int>(row.nodes.size())) << row.start << " " << row.stop;
    for (int i = 0; i < freq.m_nNodes; ++i) {
      EXPECT_NEAR(freq.m_nodeFreq[i], row.nodes[i], 1e-12 * row.nodes[i]);
      EXPECT_EQ(freq.m_nodeCell[i] * 256 + freq.m_nodeFlags[i], 0x1221);
    }
  }
}

}  // namespace
