// The mouse on frequency nodes: a press on a node picks it and the drag moves
// the design through the engine's search; a Shift drag searches once, at the
// release, globally; a right click on a node opens the node menu; a double
// click on a curve tick adds a node.
#include "simulation/SIMsearch.h"
#include "tests/diagrams/FreqViewTestSupport.h"

#include <vector>

namespace {

using namespace qxfreqview;

// A search that moves the design: every run raises f11 (entry 5) by 0.1.
struct MovingSearch : CSIMsearchUi {
  explicit MovingSearch(CQorexDoc& d) : doc(d) { SetSearchUi(this); }
  ~MovingSearch() override { SetSearchUi(nullptr); }
  void CollectFreeVariables() override {}
  void Optimize(WORD mode) override {
    modes.push_back(mode);
    doc.m_vars.m_pValue[5] += 0.1;
  }
  CQorexDoc& doc;
  std::vector<WORD> modes;
};

class ViewMouseNodes : public FreqViewTest {
 protected:
  void SetUp() override {
    FreqViewTest::SetUp();
    freq().AddNode(1.0, 0, 0, 1.0, 0x01, nullptr);
    doc().Recalculate();
    doc().m_diagView[1] = {400, 400, 100, 100};
    Show(NYQUIST);
    node = Px(1, freq().m_nodeDirect[0].re, freq().m_nodeDirect[0].im);
  }
  CQorexView& view() const { return *window->view(); }
  CPoint node;
};

TEST_F(ViewMouseNodes, APressOnANodeAndADragMoveTheDesign) {
  MovingSearch search(doc());
  const double f11 = doc().m_vars.m_pValue[5];
  QxTest::MouseDown(&view(), node);
  EXPECT_EQ(view().m_nMouseMode, 3);
  QxTest::MouseMove(&view(), node + CPoint(5, 0));
  QxTest::MouseMove(&view(), node + CPoint(10, -20));
  QxTest::MouseUp(&view(), node + CPoint(10, -20));
  EXPECT_EQ(search.modes, std::vector<WORD>(3, kSearchFrequencyCost));
  EXPECT_NEAR(doc().m_vars.m_pValue[5], f11 + 0.3, 1e-12);
  const QoxDiagView& s = doc().m_diagView[1];
  EXPECT_DOUBLE_EQ(freq().m_targetDirect.re, (node.x + 10 - s.nOriginX) / s.dScaleX);
  EXPECT_DOUBLE_EQ(freq().m_targetDirect.im, (s.nOriginY - (node.y - 20)) / s.dScaleY);

  search.modes.clear();
  const CPoint at = Px(1, freq().m_nodeDirect[0].re, freq().m_nodeDirect[0].im);
  QxTest::MouseDown(&view(), at, QxTest::Button::Left, MK_SHIFT);
  QxTest::MouseMove(&view(), at + CPoint(5, 0), MK_SHIFT);
  QxTest::MouseMove(&view(), at + CPoint(10, 0), MK_SHIFT);
  EXPECT_TRUE(search.modes.empty()) << "nothing during a Shift drag";
  QxTest::MouseUp(&view(), at + CPoint(10, 0), QxTest::Button::Left, MK_SHIFT);
  EXPECT_EQ(search.modes, std::vector<WORD>{kSearchFrequencyCost | kSearchGlobal});
}

TEST_F(ViewMouseNodes, ARightClickOnANodeOpensTheNodeMenu) {
  QxTest::PopupMenuScript menus({0});
  QxTest::Click(&view(), node, QxTest::Button::Right);
  ASSERT_EQ(menus.Menus().size(), 1u);
  std::vector<std::string> texts;
  for (const QxPopupItem& item : menus.Menus()[0]) texts.push_back(item.text.GetString());
  EXPECT_EQ(texts, (std::vector<std::string>{"Edit node...", "Add nodes...", "Remove node",
                                             "Remove all nodes"}));
  EXPECT_FALSE(menus.Menus()[0][3].flags & MF_GRAYED);
}

TEST_F(ViewMouseNodes, ADoubleClickOnACurveTickAddsANode) {
  const CPoint tick = Px(1, Q(50).re, Q(50).im);
  QxTest::DoubleClick(&view(), tick);
  ASSERT_EQ(freq().m_nNodes, 2);
  EXPECT_EQ(freq().m_nodeFreq[1], W(50));
  EXPECT_EQ(freq().m_nodeInertia[1], 1.0);
}

}  // namespace
