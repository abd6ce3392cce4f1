// The toolbar's "Interaction" and "Bandwidth" searches in the running program,
// and the design document's frequency engine: made with the design, swept by
// every recalculation, its nodes kept out of the file.
#include "tests/support/QorexAppFixture.h"
#include "tests/simulation/SimTestSupport.h"

#include "platform/core/Archive.h"
#include "platform/core/KeyState.h"
#include "res/resource.h"
#include "search/EqualizerBar.h"
#include "simulation/SIMfreq.h"
#include "simulation/SIMsearch.h"

#include <QAction>
#include <QToolBar>

#include <string>
#include <vector>

namespace {

using namespace simtest;

// A search that records its calls, checks what the engine shows it during
// the search, and moves the controller gain k to 2.
struct FakeSearch : CSIMsearchUi {
  CQorexDoc* doc = nullptr;
  std::vector<std::string> calls;
  WORD mode = 0;
  int costMode = -1;
  bool costMatches = false;
  void CollectFreeVariables() override { calls.push_back("collect"); }
  void Optimize(WORD m) override {
    calls.push_back("optimize");
    mode = m;
    CSIMfreq& f = *doc->m_pFreqModel;
    costMode = f.m_nMode;
    const double cost = f.FrequencyCost(doc);
    costMatches = cost == (f.m_nMode == 1 ? f.InteractionCost(doc) : f.BandwidthCost(doc));
    doc->m_vars.m_pValue[doc->m_vars.Find("k", "", 0)] = 2.0;
  }
};

class FreqCommands : public QorexAppTest {
 protected:
  // Presses the toolbar button of the command, Shift held or not.
  void Press(UINT id, bool shift) {
    auto* toolBar = qobject_cast<QToolBar*>(Frame()->m_wndToolBar.QxContainer());
    ASSERT_NE(toolBar, nullptr);
    QAction* button = nullptr;
    for (QAction* action : toolBar->actions())
      if (action->data().toUInt() == id) button = action;
    ASSERT_NE(button, nullptr);
    QxSetKeyDown(VK_SHIFT, shift);
    button->trigger();
    QxTest::PumpUntilIdle();
    QxResetKeyStates();
  }
};

TEST_F(FreqCommands, ToolbarSearchesRunTheEngineAndShowTheResult) {
  const struct {
    UINT id;
    bool shift;
    WORD mode;
    int costMode;
  } rows[] = {{ID_INTERACTION, false, 0x2000, 1},
              {ID_INTERACTION, true, 0xA000, 1},
              {ID_BANDWIDTH, false, 0x2000, 2}};  // with Shift: the equalizer test
  for (const auto& row : rows) {
    SCOPED_TRACE(::testing::Message() << row.id << (row.shift ? " with Shift" : ""));
    CQorexDoc* doc = ActiveDoc();
    ASSERT_NE(doc, nullptr);
    SetModel(*doc, kModelK, Variable("k"));  // L G K = k / (s + 1), k = 1
    doc->m_vars.m_pValue[doc->m_vars.Find("k", "", 0)] = 1.0;
    doc->Recalculate();
    const McComplex before = doc->m_pFreqModel->m_pDirect[0];

    FakeSearch search;
    search.doc = doc;
    CSIMsearchUi* installed = GetSearchUi();
    SetSearchUi(&search);
    Press(row.id, row.shift);
    SetSearchUi(installed);

    EXPECT_EQ(search.calls, (std::vector<std::string>{"collect", "optimize"}));
    EXPECT_EQ(search.mode, row.mode);
    EXPECT_EQ(search.costMode, row.costMode);
    EXPECT_TRUE(search.costMatches);
    EXPECT_EQ(doc->m_pFreqModel->m_nMode, 0);
    // Recalculated after the search: the stored response is twice what it was.
    EXPECT_EQ(doc->m_pFreqModel->m_pDirect[0].re, 2.0 * before.re);
    EXPECT_EQ(doc->m_pFreqModel->m_pDirect[0].im, 2.0 * before.im);
  }
}

// The program installs the "Performance Equalizer" bar as the search; until
// the bar searches, it keeps the mode word and changes nothing.
TEST_F(FreqCommands, EqualizerBarIsTheInstalledSearch) {
  ASSERT_NE(g_pEqualizerBar, nullptr);
  EXPECT_EQ(GetSearchUi(), g_pEqualizerBar);
  Press(ID_BANDWIDTH, true);
  EXPECT_EQ(g_pEqualizerBar->m_wMode, 0xA000);
  EXPECT_EQ(ActiveDoc()->m_pFreqModel->m_nMode, 0);
}

// ---- the document's engine ------------------------------------------------------------

TEST(FreqDocument, NodesAreNotSaved) {
  auto stored = [](CQorexDoc& doc) {
    CArchive ar(CArchive::store);
    doc.Serialize(ar);
    return ar.TakeStoredBytes();
  };
  CQorexDoc doc;
  const auto without = stored(doc);
  doc.m_pFreqModel->AddNode(1.0, 0, 0, 1.0, 1, &doc);
  doc.Recalculate();
  EXPECT_EQ(stored(doc), without);
}

}  // namespace
