// The "Variables" bar in the started program, driven by real key, mouse and
// focus events on its controls: the list, the slider, the edits and the
// locus lists, and what each does to the design.
#include "tests/editing/ProcessViewTestSupport.h"

#include "GlobalResources.h"
#include "MainFrm.h"
#include "editing/ModelBuilders.h"
#include "editing/VarBar.h"
#include "platform/testing/TestHooks.h"
#include "res/resource.h"
#include "tests/support/TreeBuilders.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <string>
#include <utility>
#include <vector>

namespace {

using namespace pvtest;

class VarBar : public ProcessView {
 protected:
  CVarBar& Vars() const { return Frame()->m_wndVarbar; }
  CWnd* Item(int id) const { return Vars().GetDlgItem(id); }
  std::string ItemText(int id) const {
    CString text;
    Item(id)->GetWindowText(text);
    return std::string(text.GetString());
  }
  std::vector<std::string> Lines() const {
    std::vector<std::string> lines;
    for (int i = 0; i < Vars().m_wndList.GetCount(); ++i) {
      CString text;
      Vars().m_wndList.GetText(i, text);
      lines.push_back(text.GetString());
    }
    return lines;
  }
  int SliderPos() const { return Vars().m_wndSlider.GetPos(); }
  // Types into an edit and moves the focus on to the list, as a user would.
  void Enter(int id, const char* text) {
    Item(id)->SetFocus();
    Item(id)->SetWindowText(text);
    Vars().m_wndList.SetFocus();
    QxTest::PumpUntilIdle();
  }
  void SliderKey(int key) {
    Vars().m_wndSlider.SetFocus();
    QxTest::PressKey(key, 0, &Vars().m_wndSlider);
    QxTest::PumpUntilIdle();
  }
  // Presses Down (or Up, for a negative count) in a locus list.
  void ComboStep(int id, int times) {
    Item(id)->SetFocus();
    for (int i = 0; i < std::abs(times); ++i)
      QxTest::PressKey(times > 0 ? VK_DOWN : VK_UP, 0, Item(id));
    QxTest::PumpUntilIdle();
  }
  // Gives K(1,1) of the design a fresh variable with the element picker.
  int MakeVariable() {
    PickElement(kModelK, 0, 0, 3);
    QxTest::PumpUntilIdle();
    const int sel = Vars().m_wndList.GetCurSel();
    return sel < 0 ? -1 : static_cast<int>(Vars().m_wndList.GetItemData(sel));
  }
  double Value(int user) const {
    double v, mn, mx;
    Doc()->m_vars.Get(user, &v, &mn, &mx);
    return v;
  }
};

TEST(VarBarMapping, ValueAndSliderPositionMapBothWaysWithHalvesAwayFromZero) {
  struct Row {
    double value, minimum, maximum;
    int position;
  } const rows[] = {
      {0, -10, 10, 50},     {1, -10, 10, 55},     {-10, -10, 10, 0},  {10, -10, 10, 100},
      {0.05, 0, 10, 1},     {0.049, 0, 10, 0},    {-9.8, -10, 10, 1}, {-9.95, -10, 10, 0},
      {25, -10, 10, 100},   {-1e300, -10, 10, 0}, {3, 3, 3, 0},       {1e308, -1e308, 1e308, 100},
      {0.125, 0, 0.25, 50}, {0.005, 0, 1, 1},  // 0.5 rounds up to 1
  };
  for (const Row& r : rows)
    EXPECT_EQ(CVarBar::SliderPosition(r.value, r.minimum, r.maximum, 0, 100), r.position)
        << r.value << " in " << r.minimum << ".." << r.maximum;
  const struct {
    int position;
    double minimum, maximum, value;
  } back[] = {{55, -10, 10, 1}, {0, -10, 10, -10},           {100, -10, 10, 10},
              {37, 3, 3, 3},    {100, -1e308, 1e308, 1e308}, {50, -1e308, 1e308, 0}};
  for (const auto& r : back)
    EXPECT_DOUBLE_EQ(CVarBar::SliderValue(r.position, r.minimum, r.maximum, 0, 100), r.value)
        << r.position << " in " << r.minimum << ".." << r.maximum;
  const double nan = std::numeric_limits<double>::quiet_NaN();
  EXPECT_EQ(CVarBar::SliderPosition(nan, -10, 10, 0, 100), 0);
}

TEST_F(VarBar, WithoutADocumentTheBarShowsTheDefaults) {
  MakeVariable();
  Vars().ForgetDesign(Doc());
  QxTest::PumpUntilIdle();
  EXPECT_EQ(Vars().m_wndList.GetCount(), 0);
  EXPECT_EQ(ItemText(IDC_VALUE), "0");
  EXPECT_EQ(ItemText(IDC_MINIMUM), "-10");
  EXPECT_EQ(ItemText(IDC_MAXIMUM), "10");
  EXPECT_EQ(SliderPos(), 50);
  EXPECT_EQ(static_cast<CComboBox*>(Item(IDC_LOCUS))->GetCurSel(), 0);
  EXPECT_EQ(static_cast<CComboBox*>(Item(IDC_COLOUR))->GetCurSel(), 0);
  // A slider key without a document changes nothing.
  SliderKey(VK_RIGHT);
  EXPECT_EQ(Vars().m_pDoc, nullptr);
}

TEST_F(VarBar, ListsTheUsedVariablesWithTheirUserIndices) {
  const int user = MakeVariable();
  ASSERT_GE(user, 0);
  const std::vector<std::string> lines = Lines();
  ASSERT_FALSE(lines.empty());
  // Every line names its own entry.
  for (int i = 0; i < static_cast<int>(lines.size()); ++i) {
    const int entry = static_cast<int>(Vars().m_wndList.GetItemData(i)) + 5;
    ASSERT_TRUE(Doc()->m_vars.m_pUsed[entry]);
    std::string name = Doc()->m_vars.GetName(entry);
    const std::string sub = Doc()->m_vars.GetSubscript(entry);
    if (!sub.empty()) name += "." + sub;
    EXPECT_EQ(lines[i], name);
  }
  EXPECT_EQ(ModelText(kModelK), "k_11");
  EXPECT_NE(std::find(lines.begin(), lines.end(), "k.11"), lines.end());
  EXPECT_EQ(ItemText(IDC_VALUE), "1");
  EXPECT_EQ(SliderPos(), 55);
}

TEST_F(VarBar, ASliderStepSetsTheValueAndRecalculatesOncePerStep) {
  const int user = MakeVariable();
  ASSERT_GE(user, 0);
  Doc()->SetModifiedFlag(FALSE);
  SliderKey(VK_RIGHT);  // 55 -> 56
  EXPECT_EQ(SliderPos(), 56);
  EXPECT_DOUBLE_EQ(Value(user), -10 + 20 * 56 / 100.0);
  EXPECT_EQ(ItemText(IDC_VALUE), "1.2");
  EXPECT_EQ(Vars().m_nLastPos, 56);
  SliderKey(VK_LEFT);
  SliderKey(VK_LEFT);
  EXPECT_EQ(SliderPos(), 54);
  EXPECT_NEAR(Value(user), 0.8, 1e-12);
}

// K = 1/(s + 1) with a variable dead time of order 3 at 0.2, one slider
// step from 0: the step to 0 runs the loop as without the dead time, the
// next goes on to -0.2; the loop is never refused.
TEST_F(VarBar, TheSliderThroughZeroOfADeadTimeKeepsTheLoopComputing) {
  namespace t = qxtest::trees;
  SetModel(kModelK, t::Div(t::Real(1), t::Sum({t::S(), t::Real(1)})));
  ASSERT_TRUE(
      AddDeadTime(Doc()->m_models.GetAt(kModelK), kModelK, {0, 0, 0.2, 3, false}, &Doc()->m_vars));
  Doc()->UpdateUsedVariables();
  Doc()->Recalculate();
  Doc()->UpdateAll();
  const int tau = Doc()->m_vars.Find("t", "11K", kMcVariant);
  ASSERT_GE(tau, 5);
  int line = -1;
  for (int i = 0; i < Vars().m_wndList.GetCount(); ++i)
    if (static_cast<int>(Vars().m_wndList.GetItemData(i)) == tau - 5) line = i;
  ASSERT_GE(line, 0);
  Vars().m_wndList.SetCurSel(line);
  Vars().SendMessage(WM_COMMAND, MAKEWPARAM(IDC_VARLIST, LBN_SELCHANGE),
                     reinterpret_cast<LPARAM>(Vars().m_wndList.GetSafeHwnd()));
  QxTest::PumpUntilIdle();
  ASSERT_EQ(SliderPos(), 51);
  const struct {
    int position;
    double value;
  } steps[] = {{50, 0.0}, {49, -0.2}};
  for (const auto& step : steps) {
    SliderKey(VK_LEFT);
    ASSERT_EQ(SliderPos(), step.position);
    EXPECT_NEAR(Value(tau - 5), step.value, 1e-12);
    const CSIMsystem& loop = Doc()->m_system;
    EXPECT_EQ(loop.m_nError, kSimOk) << step.position;
    EXPECT_EQ(loop.m_nInvalidModels, 0u) << step.position;
    // The dead time's poles count in the closed loop: none at 0, 3 more at -0.2.
    EXPECT_EQ(loop.m_K.m_pElements[0].m_nDen, step.position == 50 ? 2 : 5);
  }
}

TEST_F(VarBar, AMouseDragOfTheSliderSetsTheValueItEndsAt) {
  // The large gains at the right end would make the accuracy watchdog ask,
  // and its dialog ends the drag (as any modal window does): keep it quiet.
  const double tolerance = std::exchange(g_dWatchdogTol, 1e9);
  const int user = MakeVariable();
  CRect track;
  Vars().m_wndSlider.GetClientRect(&track);
  const int y = track.CenterPoint().y;
  // Press on the thumb at 55, drag to the right end, release.
  const CPoint at(track.left + (track.Width() * 55) / 100, y);
  QxTest::MouseDown(&Vars().m_wndSlider, at);
  ASSERT_EQ(CWnd::GetCapture(), &Vars().m_wndSlider);
  EXPECT_EQ(Vars().m_nLastPos, 55);  // a press on the thumb moves nothing
  for (int x = at.x; x <= track.right + 10; x += 7) QxTest::MouseMove(&Vars().m_wndSlider, {x, y});
  QxTest::MouseUp(&Vars().m_wndSlider, {track.right + 10, y});
  QxTest::PumpUntilIdle();
  const int pos = SliderPos();
  EXPECT_EQ(pos, 100);
  EXPECT_EQ(Vars().m_nLastPos, pos);
  EXPECT_DOUBLE_EQ(Value(user), -10 + 20 * pos / 100.0);
  g_dWatchdogTol = tolerance;
}

TEST_F(VarBar, ATypedValueOutsideTheRangeIsKeptWithTheSliderAtItsEnd) {
  const int user = MakeVariable();
  Enter(IDC_VALUE, "25");
  EXPECT_DOUBLE_EQ(Value(user), 25.0);
  EXPECT_EQ(SliderPos(), 100);
  Enter(IDC_VALUE, "-3.3");
  EXPECT_DOUBLE_EQ(Value(user), -3.3);
  EXPECT_EQ(SliderPos(), 34);  // 33.5 rounds away from zero
}

TEST_F(VarBar, TheRangeEditsMoveTheOtherEndAwayWithoutRecalculating) {
  const int user = MakeVariable();
  struct Row {
    int id;
    const char* typed;
    double minimum, maximum;
  } const rows[] = {
      {IDC_MINIMUM, "20", 20, 22},     {IDC_MINIMUM, "5", 5, 22},
      {IDC_MAXIMUM, "4", 3.6, 4},      {IDC_MINIMUM, "5", 5, 5.5},
      {IDC_MINIMUM, "0.5", 0.5, 5.5},  {IDC_MAXIMUM, "0.25", -1, 0.25},
      {IDC_MINIMUM, "0.5", 0.5, 1},    {IDC_MAXIMUM, "-0.5", -1, -0.5},
      {IDC_MINIMUM, "-30", -30, -0.5},
  };
  for (const Row& r : rows) {
    Enter(r.id, r.typed);
    double v, mn, mx;
    Doc()->m_vars.Get(user, &v, &mn, &mx);
    EXPECT_DOUBLE_EQ(mn, r.minimum) << r.typed;
    EXPECT_DOUBLE_EQ(mx, r.maximum) << r.typed;
    EXPECT_DOUBLE_EQ(v, 1.0);
    EXPECT_EQ(SliderPos(), CVarBar::SliderPosition(1.0, mn, mx, 0, 100));
  }
}

TEST_F(VarBar, TextThatDoesNotParseIsPromptedOnceAndTheTableKeepsItsValue) {
  const int user = MakeVariable();
  QxTest::MessageBoxScript boxes({IDOK});
  Enter(IDC_VALUE, "1..2");
  EXPECT_EQ(boxes.Boxes().size(), 1u);
  EXPECT_DOUBLE_EQ(Value(user), 1.0);
}

TEST_F(VarBar, TheLocusListsSetAndRemoveTheVariablesLocus) {
  const int user = MakeVariable();
  const struct {
    int id, steps, mode, colour;
  } rows[] = {
      {IDC_LOCUS, 2, 3, 1},    // "10% deviation" with colour "(none)": red
      {IDC_COLOUR, 2, 3, 3},   // "Blue"
      {IDC_LOCUS, -3, 0, 0},   // "No Locus"
      {IDC_COLOUR, 4, 1, 4},   // "Gray" with "No Locus": logarithmic
      {IDC_COLOUR, -4, 0, 0},  // "(none)"
  };
  for (const auto& r : rows) {
    ComboStep(r.id, r.steps);
    int mode = -1, colour = -1;
    Doc()->GetVarPointCell(user, &mode, &colour);
    EXPECT_EQ(mode, r.mode) << r.steps;
    EXPECT_EQ(colour, r.colour) << r.steps;
  }
}

TEST_F(VarBar, TheSameLocusCodeNeitherRecalculatesNorRepaints) {
  const int user = MakeVariable();
  ComboStep(IDC_LOCUS, 1);
  // A value changed behind the design's back shows whether anything
  // recalculates: the closed-loop determinant would follow it.
  Doc()->m_vars.SetValue(user, 7.0);
  const std::vector<double> den = Doc()->m_system.m_detIFLGK.m_num;
  auto resend = [this](int id) {
    Vars().SendMessage(WM_COMMAND, MAKEWPARAM(id, CBN_SELENDOK),
                       reinterpret_cast<LPARAM>(Item(id)->GetSafeHwnd()));
    QxTest::PumpUntilIdle();
  };
  resend(IDC_LOCUS);
  resend(IDC_COLOUR);
  EXPECT_EQ(Doc()->m_system.m_detIFLGK.m_num, den);
  int mode = 0, colour = 0;
  Doc()->GetVarPointCell(user, &mode, &colour);
  EXPECT_EQ(mode, 2);
  EXPECT_EQ(colour, 1);
  // A recalculation would have followed the table's 7; a new value does.
  Enter(IDC_VALUE, "6");
  EXPECT_NE(Doc()->m_system.m_detIFLGK.m_num, den);
  EXPECT_EQ(SliderPos(), 80);
}

TEST_F(VarBar, AnEmptyRangePutsTheSliderAtZeroAndAMoveSetsTheMinimum) {
  const int user = MakeVariable();
  Doc()->m_vars.SetRange(user, 2, 2);
  Vars().UpdateBar(TRUE);
  EXPECT_EQ(SliderPos(), 0);
  SliderKey(VK_RIGHT);
  EXPECT_DOUBLE_EQ(Value(user), 2.0);
}

TEST_F(VarBar, AFirstMoveOfAnotherVariableToTheOldPositionIsNotLost) {
  const int first = MakeVariable();
  PickElement(kModelG, 0, 0, 3);
  QxTest::PumpUntilIdle();
  // The second is the last other line.
  int firstItem = -1, secondItem = -1;
  for (int i = 0; i < Vars().m_wndList.GetCount(); ++i)
    (static_cast<int>(Vars().m_wndList.GetItemData(i)) == first ? firstItem : secondItem) = i;
  ASSERT_GE(secondItem, 0);
  const int second = static_cast<int>(Vars().m_wndList.GetItemData(secondItem));
  auto choose = [this](int i) {
    CRect r;
    Vars().m_wndList.GetItemRect(i, &r);
    QxTest::Click(&Vars().m_wndList, r.CenterPoint());
    QxTest::PumpUntilIdle();
  };
  // Move the first variable to 56, then choose the second (at 55) and move it to 56.
  choose(firstItem);
  SliderKey(VK_RIGHT);
  ASSERT_DOUBLE_EQ(Value(first), 1.2);
  choose(secondItem);
  EXPECT_EQ(SliderPos(), 55);
  SliderKey(VK_RIGHT);
  EXPECT_EQ(SliderPos(), 56);
  EXPECT_DOUBLE_EQ(Value(second), 1.2);
  EXPECT_DOUBLE_EQ(Value(first), 1.2);
}

TEST_F(VarBar, APickerMadeVariableMovesTheClosedLoopPoleWithItsSlider) {
  const int user = MakeVariable();
  ASSERT_GE(user, 0);
  View()->UpdateWindow();
  QxTest::PumpUntilIdle();
  const QPointF before = ClosedLoopInk(QxTest::ClientImage(View()));
  ASSERT_GE(before.x(), 0);
  for (int i = 0; i < 10; ++i) SliderKey(VK_RIGHT);
  View()->UpdateWindow();
  QxTest::PumpUntilIdle();
  const QPointF after = ClosedLoopInk(QxTest::ClientImage(View()));
  EXPECT_DOUBLE_EQ(Value(user), 3.0);
  EXPECT_GT(std::hypot(after.x() - before.x(), after.y() - before.y()), 3.0)
      << before.x() << "," << before.y() << " -> " << after.x() << "," << after.y();
}

// The keyboard can stay in a floating bar while the Window menu shows another
// design: what was typed there belongs to the design it was typed for, and is
// neither lost nor given to the next one.
TEST_F(VarBar, TextTypedBeforeAnotherDesignIsShownGoesToTheDesignItWasTypedFor) {
  const int user = MakeVariable();
  ASSERT_GE(user, 0);
  CQorexDoc* typedFor = Doc();
  Frame()->SendMessage(WM_COMMAND, ID_FILE_NEW);
  QxTest::PumpUntilIdle();
  CQorexDoc* next = Doc();
  ASSERT_NE(next, typedFor);
  for (const int id : {IDC_VALUE, IDC_MAXIMUM}) {
    Vars().ShowDesign(typedFor, DesignPart::kWhole, 0);
    Item(id)->SetFocus();
    Item(id)->SetWindowText("2.5");
    Vars().ShowDesign(next, DesignPart::kWhole, 0);
    QxTest::PumpUntilIdle();
    double value, minimum, maximum;
    typedFor->m_vars.Get(user, &value, &minimum, &maximum);
    EXPECT_DOUBLE_EQ(id == IDC_VALUE ? value : maximum, 2.5) << id;
    EXPECT_NE(ItemText(id), "2.5") << id;  // the next design's own field
  }
}

}  // namespace
