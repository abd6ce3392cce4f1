// The "Performance Equalizer" bar in the started program, driven by real
// mouse and key events on its sliders and buttons; the document's commands
// on the population; the frequency engine's search through the bar.
#include "tests/editing/ProcessViewTestSupport.h"
#include "tests/simulation/SimTestSupport.h"
#include "tests/support/QorexAppFixture.h"

#include "MainFrm.h"
#include "editing/VarBar.h"
#include "platform/core/KeyState.h"
#include "platform/testing/TestHooks.h"
#include "res/resource.h"
#include "search/EqualizerBar.h"
#include "search/QOX_HistVar.h"

#include <algorithm>
#include <vector>

namespace {

using namespace simtest;

constexpr double kMarker = 12345.0;  // a sample no recalculation leaves

class EqualizerBar : public QorexAppTest {
 protected:
  void SetUp() override {
    QorexAppTest::SetUp();
    Frame()->SendMessage(WM_COMMAND, ID_VIEW_EQUALIZER);
    QxTest::PumpUntilIdle();
    ASSERT_TRUE(Bar().IsWindowVisible());
    ASSERT_EQ(Bar().m_pDoc, Doc());
    CRect client;
    Bar().GetClientRect(&client);
    ASSERT_TRUE(client.right >= 217 && client.bottom >= 198) << "the button strip fits";
    g_nLocalIterations = 2;
    SetModel(*Doc(), kModelK, Variable("k"));
    SetModel(*Doc(), kModelF, Real(1));
    Doc()->Recalculate();
    Doc()->UpdateHistory();
    Doc()->UpdateAll();
  }
  void TearDown() override {
    QxResetKeyStates();
    QorexAppTest::TearDown();
  }
  CEqualizerBar& Bar() const { return Frame()->m_wndEqualizerBar; }
  CQorexDoc* Doc() const { return ActiveDoc(); }
  QOX_HistVar& History() const { return *Doc()->m_pHistory; }
  QImage Image() {
    QxTest::PumpUntilIdle();
    return QxTest::ClientImage(&Bar());
  }
  static CPoint Centre(int button) {
    for (int x = 0; x < 240; ++x)
      for (int y = 100; y < 200; ++y)
        if (CEqualizerBar::HitTest(x, y) == button) return CPoint(x + 8, y + 8);
    return CPoint(-1, -1);
  }
  void Click(int button) {
    QxTest::MouseDown(&Bar(), Centre(button));
    QxTest::MouseUp(&Bar(), Centre(button));
    QxTest::PumpUntilIdle();
  }
  // Three recorded designs whose criterion c is c + e for entry e, except
  // criterion 7, which falls with e, and criterion 1, which rises fastest.
  void Populate() {
    for (int e = 0; e < 3; ++e) {
      double criteria[9];
      for (int c = 0; c < 9; ++c) criteria[c] = (c + e) / 20.0;
      criteria[7] = (3 - e) / 10.0;
      criteria[1] = e / 4.0;
      History().Add(criteria);
    }
    Doc()->SetModifiedFlag(FALSE);
    Doc()->m_system.m_z.At(0, 0) = kMarker;
  }
  std::vector<double> Column(int c) const {
    std::vector<double> v;
    for (int e = 0; e < History().m_nCount; ++e) v.push_back(History().m_ppCriteria[e][c]);
    return v;
  }
  void ExpectNotRecalculated() const {
    EXPECT_EQ(Doc()->m_system.m_z.At(0, 0), kMarker);
    EXPECT_TRUE(Doc()->IsModified());
  }
};

TEST(EqualizerHitTest, ButtonsIncludeTheirLeftAndTopEdgesOnly) {
  const struct {
    int x, y, button;
  } rows[] = {
      {13, 180, 1},   {30, 197, 1},   {31, 180, 2},   {156, 180, 8},  {157, 180, 0},
      {160, 180, 9},  {178, 180, 10}, {199, 180, 11}, {216, 197, 11}, {217, 180, 0},
      {12, 180, 0},   {13, 179, 0},   {13, 198, 0},   {160, 159, 12}, {178, 159, 13},
      {199, 176, 14}, {196, 159, 0},  {160, 138, 17}, {195, 155, 18}, {196, 138, 0},
      {160, 117, 15}, {186, 134, 15}, {187, 117, 0},  {160, 135, 0},  {160, 156, 0},
  };
  for (const auto& r : rows)
    EXPECT_EQ(CEqualizerBar::HitTest(r.x, r.y), r.button) << r.x << ", " << r.y;
}

TEST_F(EqualizerBar, SliderSearchesOncePerNewPositionAndNeverWithShift) {
  Bar().m_wRecord = kRecordingOn;
  CSliderCtrl& slider = Bar().m_sliders[7];  // control 1020, "Final value"
  ASSERT_EQ(slider.GetDlgCtrlID(), IDC_WEIGHT_FINAL_VALUE);
  CRect track;
  slider.GetClientRect(&track);
  const CPoint below(track.CenterPoint().x, track.bottom - 3);
  // A click below the thumb pages down and ends the track at the same
  // position (one search); a key steps one further (a second search).
  QxTest::MouseDown(&slider, below);
  QxTest::MouseUp(&slider, below);
  QxTest::PumpUntilIdle();
  const int paged = slider.GetPos();
  ASSERT_GT(paged, 0);
  EXPECT_EQ(History().m_nCount, 1);
  EXPECT_EQ(Bar().Weight(0), paged);
  slider.SetFocus();
  QxTest::PressKey(VK_DOWN, 0, &slider);
  QxTest::PumpUntilIdle();
  ASSERT_EQ(slider.GetPos(), paged + 1);
  EXPECT_EQ(History().m_nCount, 2);
  EXPECT_EQ(Bar().Weight(0), paged + 1);

  QxTest::PressKey(VK_DOWN, MK_SHIFT, &slider);
  QxTest::PumpUntilIdle();
  EXPECT_EQ(History().m_nCount, 2);
  EXPECT_EQ(Bar().Weight(0), paged + 2);
  for (int c = 1; c < 9; ++c) EXPECT_EQ(Bar().Weight(c), 0.0) << c;
}

TEST_F(EqualizerBar, ASliderMovedWithoutADesignStillSetsItsWeight) {
  Bar().ForgetDesign(Doc());
  CSliderCtrl& slider = Bar().m_sliders[0];  // control 1027, "Control action amplitude"
  slider.SetFocus();
  QxTest::PressKey(VK_DOWN, 0, &slider);
  QxTest::PumpUntilIdle();
  EXPECT_EQ(Bar().Weight(7), slider.GetPos());
  EXPECT_GT(slider.GetPos(), 0);
}

// The "Variables" bar's slider takes the recorded road of a change: every
// step records one design with the poles of its own recalculation.
TEST_F(EqualizerBar, VariableSliderStepsRecordOneDesignEach) {
  Bar().m_wRecord = kRecordingOn;
  CVarBar& vars = Frame()->m_wndVarbar;
  const int entry = Entry(*Doc(), "k");
  for (int i = 0; i < vars.m_wndList.GetCount(); ++i)
    if (static_cast<int>(vars.m_wndList.GetItemData(i)) + 5 == entry) vars.m_wndList.SetCurSel(i);
  vars.m_wndSlider.SetFocus();
  for (int step = 0; step < 10; ++step) QxTest::PressKey(VK_RIGHT, 0, &vars.m_wndSlider);
  QxTest::PumpUntilIdle();
  ASSERT_EQ(History().m_nCount, 10);
  for (int e = 0; e < 10; ++e) {
    const double k = History().m_ppValues[e][entry];
    ASSERT_EQ(History().m_pRootCounts[e], 1);
    EXPECT_NEAR(History().m_ppRoots[e][0].re, -(1 + k), 1e-9) << e;
  }
}

TEST_F(EqualizerBar, AClickEndingOnAnotherButtonDoesNothing) {
  Populate();
  QxTest::MouseDown(&Bar(), Centre(CEqualizerBar::kButtonKillWorst));
  QxTest::MouseMove(&Bar(), Centre(CEqualizerBar::kButtonKillAll));
  QxTest::MouseUp(&Bar(), Centre(CEqualizerBar::kButtonKillAll));
  QxTest::PumpUntilIdle();
  EXPECT_EQ(History().m_nCount, 3);
  EXPECT_FALSE(Doc()->IsModified());
}

TEST_F(EqualizerBar, AHeldButtonShowsItsPressedPictureWhileThePointerIsOverIt) {
  const CPoint on = Centre(CEqualizerBar::kButtonGlobal), off(100, 40);
  QxTest::MouseDown(&Bar(), on);
  EXPECT_TRUE(pvtest::ShowsTile(Image(), {160, 138}, kSpriteSearchPressed[0]));
  QxTest::MouseMove(&Bar(), off);
  EXPECT_TRUE(pvtest::ShowsTile(Image(), {160, 138}, kSpriteSearchRow));
  QxTest::MouseMove(&Bar(), on);
  EXPECT_TRUE(pvtest::ShowsTile(Image(), {160, 138}, kSpriteSearchPressed[0]));
  QxTest::MouseUp(&Bar(), off);  // released elsewhere: no search
  QxTest::PumpUntilIdle();
  EXPECT_TRUE(pvtest::ShowsTile(Image(), {160, 138}, kSpriteSearchRow));
}

TEST_F(EqualizerBar, ADoubleClickOnTheBallRecordsOnceAndTogglesRecording) {
  EXPECT_TRUE(pvtest::ShowsTile(Image(), {160, 117}, kSpriteRecordOff));
  QxTest::DoubleClick(&Bar(), Centre(CEqualizerBar::kButtonRecord));
  QxTest::PumpUntilIdle();
  EXPECT_EQ(History().m_nCount, 1);
  EXPECT_EQ(Bar().m_wRecord, kRecordingOn);
  EXPECT_TRUE(pvtest::ShowsTile(Image(), {160, 117}, kSpriteRecordOn));
}

// Buttons 1-10, 12 and 13 and the commands 32842-32853: the weighted sort
// and the cull take the weights by criterion; only the population changes.
TEST_F(EqualizerBar, PopulationButtonsAndCommandsWeighByCriterionAndLeaveTheDesignAlone) {
  Bar().SetWeight(7, 1.0);  // stored in slot 1, criterion 1's slot in criterion order
  CWnd* view = Frame()->MDIGetActive()->GetActiveView();
  const QImage before = QxTest::ClientImage(view);
  const int kCulled = -1, kEmptied = -2;
  struct Row {
    int button;  // or 0 for the command
    UINT id;
    int sortedBy;
  };
  std::vector<Row> rows = {{12, 0, kEmptied},
                           {13, 0, kCulled},
                           {10, 0, 7},
                           {0, ID_SORT_BY_SLIDERS, 7},
                           {0, ID_KILL_WORST, kCulled},
                           {0, ID_KILL_ALL, kEmptied}};
  for (int c = 0; c < 9; ++c) {
    rows.push_back({c + 1, 0, c});
    rows.push_back({0, static_cast<UINT>(ID_SORT_FINAL_VALUE + c), c});
  }
  for (const Row& row : rows) {
    SCOPED_TRACE(::testing::Message() << "button " << row.button << " command " << row.id);
    History().KillAll();
    Populate();
    if (row.button != 0)
      Click(row.button);
    else
      Frame()->SendMessage(WM_COMMAND, row.id);
    QxTest::PumpUntilIdle();
    if (row.sortedBy >= 0) {
      const std::vector<double> sorted = Column(row.sortedBy);
      EXPECT_TRUE(std::is_sorted(sorted.rbegin(), sorted.rend())) << "largest first";
    } else if (row.sortedBy == kCulled) {
      EXPECT_EQ(Column(7), (std::vector<double>{0.2, 0.1}));  // the largest criterion 7 went
    } else {
      EXPECT_EQ(History().m_nCount, 0);
    }
    ExpectNotRecalculated();
    EXPECT_EQ(QxTest::ClientImage(view), before);
  }
}

// The search buttons repaint the signal panes as they go and record once.
TEST_F(EqualizerBar, SearchButtonsSearchAndRecordOnce) {
  Bar().m_wRecord = kRecordingOn;
  const struct {
    int button;
    WORD mode;
  } rows[] = {{CEqualizerBar::kButtonLocal, kEqualizerLocalButton},
              {CEqualizerBar::kButtonGlobal, kEqualizerGlobalButton}};
  for (const auto& row : rows) {
    const long long calls = Bar().m_nCostCalls;
    const int count = History().m_nCount;
    Click(row.button);
    EXPECT_GT(Bar().m_nCostCalls, calls + 1) << row.button;
    EXPECT_EQ(History().m_nCount, count + 1) << row.button;
  }
}

// The frequency engine's search runs through the bar; what it records is
// the design as the simulation sees it afterwards.
TEST_F(EqualizerBar, InteractionSearchRecordsTheDesignItLeaves) {
  Bar().m_wRecord = kRecordingOn;
  Frame()->SendMessage(WM_COMMAND, ID_INTERACTION);
  QxTest::PumpUntilIdle();
  ASSERT_GE(History().m_nCount, 1);
  Bar().CollectFreeVariables();
  Bar().PrepareTestRun(TRUE);
  Bar().RunTestRun();
  const double measured[] = {
      Bar().MeasureFinalValue(),  Bar().MeasureTimeConstant(),     Bar().MeasureOscillations(),
      Bar().MeasureInteraction(), Bar().MeasureVRejection(),       Bar().MeasureDRejection(),
      Bar().MeasureNRejection(),  Bar().MeasureControlAmplitude(), Bar().MeasurePoleMobility()};
  for (int e = 0; e < History().m_nCount; ++e)
    for (int c = 0; c < 9; ++c)
      EXPECT_EQ(History().m_ppCriteria[e][c], measured[c]) << e << ", " << c;
}

}  // namespace
