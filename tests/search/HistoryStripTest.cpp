// The history strip of the "Performance Equalizer" bar in the started
// program, driven by real mouse events on the shown strip: recalling,
// scrolling, its menu, its picture, its copy and the "Equalizer properties".
#include "tests/editing/EditingDialogsTestSupport.h"
#include "tests/simulation/SimTestSupport.h"
#include "tests/support/ClipboardExtents.h"
#include "tests/support/QorexAppFixture.h"

#include "MainFrm.h"
#include "platform/core/Archive.h"
#include "platform/core/Debug.h"
#include "platform/testing/ClipboardHooks.h"
#include "platform/testing/DialogHooks.h"
#include "platform/testing/TestHooks.h"
#include "platform/ui/Clipboard.h"
#include "res/resource.h"
#include "search/EqualizerBar.h"
#include "search/QOX_HistVar.h"
#include "search/ZevHISTWnd.h"

#include <cmath>
#include <limits>
#include <string>
#include <vector>

namespace {

using namespace simtest;
using dlgtest::ClickItem;

class HistoryStrip : public QorexAppTest {
 protected:
  void SetUp() override {
    QorexAppTest::SetUp();
    Frame()->SendMessage(WM_COMMAND, ID_VIEW_EQUALIZER);
    QxTest::PumpUntilIdle();
    ASSERT_TRUE(Strip().GetSafeHwnd());
    ASSERT_TRUE(Strip().IsWindowVisible());
    SetModel(*Doc(), kModelK, Variable("k"));
    SetModel(*Doc(), kModelF, Real(1));
    SetSignal(*Doc(), kSigC, Variable("a"));  // a signal's variable: never recalled
    Doc()->Recalculate();
    Doc()->UpdateHistory();
    Doc()->UpdateAll();
    k = Entry(*Doc(), "k");
    a = Entry(*Doc(), "a");
    ASSERT_GT(k, 4);
    ASSERT_GT(a, 4);
    Strip().m_nStep = 6;
    Strip().m_nFirst = 0;
  }
  void TearDown() override {
    QxResetKeyStates();
    QorexAppTest::TearDown();
  }
  CEqualizerBar& Bar() const { return Frame()->m_wndEqualizerBar; }
  CZevHISTWnd& Strip() const { return *Bar().m_pHistWnd; }
  CQorexDoc* Doc() const { return ActiveDoc(); }
  QOX_HistVar& History() const { return *Doc()->m_pHistory; }
  double& Value(int entry) const { return Doc()->m_vars.m_pValue[entry]; }
  // n entries; entry e has k = e + 1, a = 100 + e and criterion 0 = e / 100.
  // The design shown afterwards has k = 0.5 and a = 7.
  void Populate(int n) {
    for (int e = 0; e < n; ++e) {
      Value(k) = e + 1;
      Value(a) = 100 + e;
      Doc()->Recalculate();  // the entry takes this design's poles
      double criteria[9] = {e / 100.0, 0.5, 0.5, 0.5, 0.5, 0.5, 0.5, 0.5, 0.5};
      History().Add(criteria);
    }
    Value(k) = 0.5;
    Value(a) = 7;
    Doc()->Recalculate();
    Doc()->SetModifiedFlag(FALSE);
  }
  std::vector<int> Ids() const {
    std::vector<int> ids;
    for (int e = 0; e < History().m_nCount; ++e)
      ids.push_back(static_cast<int>(std::lround(History().m_ppCriteria[e][0] * 100)));
    return ids;
  }
  double Pole() const { return Doc()->m_system.m_detIFLGK.m_zeros[1].re; }
  void RightClick(CPoint at) {
    QxTest::MouseDown(&Strip(), at, QxTest::Button::Right);
    QxTest::MouseUp(&Strip(), at, QxTest::Button::Right);
    QxTest::PumpUntilIdle();
  }
  int k = 0, a = 0;
};

TEST_F(HistoryStrip, TheStripSitsInTheBarWithItsCursorAndForgetsAClosedDesign) {
  CRect r, bar;
  Strip().GetWindowRect(&r);
  Bar().ScreenToClient(&r);
  Bar().GetWindowRect(&bar);
  EXPECT_EQ(r, CRect(10, 10, bar.Width() - 10, 90));
  EXPECT_EQ(Strip().GetDlgCtrlID(), 100);
  QxTest::MouseMove(&Strip(), CPoint(20, 20));
  EXPECT_EQ(QxTest::CursorId(), UINT(IDC_HISTORY_STRIP));

  Populate(5);
  Bar().Refresh();
  const QImage shown = QxTest::ClientImage(&Strip());
  Bar().ForgetDesign(Doc());
  QxTest::PumpUntilIdle();
  const QImage forgotten = QxTest::ClientImage(&Strip());
  // Criteria 1 .. 8 stand at 0.5, on row 35.
  EXPECT_NE(shown.pixel(0, 35) & 0xFFFFFF, 0xFFFFFFu);
  EXPECT_EQ(forgotten.pixel(0, 35) & 0xFFFFFF, 0xFFFFFFu) << "a closed design's population";
}

TEST_F(HistoryStrip, AClickRecallsTheEntryUnderItAndLeavesSignalVariables) {
  Populate(5);
  const struct {
    int first, x, entry;
  } rows[] = {{0, 2, 0}, {0, 3, 1}, {1, 2, 1}, {1, 9, 3}, {0, 150, 4}};
  for (const auto& row : rows) {
    SCOPED_TRACE(::testing::Message() << "first " << row.first << " x " << row.x);
    Strip().m_nFirst = row.first;
    Value(k) = 0.5;
    QxTest::Click(&Strip(), CPoint(row.x, 40));
    QxTest::PumpUntilIdle();
    EXPECT_EQ(Value(k), row.entry + 1);
    EXPECT_EQ(Value(a), 7);
    EXPECT_NEAR(Pole(), -(2.0 + row.entry), 1e-9) << "recalculated: the pole is -(1 + k)";
  }
}

TEST_F(HistoryStrip, ALeftDragRecallsEveryEntryItPassesAndTheOneItEndsOn) {
  Populate(5);
  QxTest::MouseDown(&Strip(), CPoint(2, 40));
  EXPECT_EQ(Value(k), 1);
  for (int x : {8, 14}) {
    QxTest::MouseMove(&Strip(), CPoint(x, 40), MK_LBUTTON);
    EXPECT_EQ(Value(k), x / 6 + 1) << x;
  }
  QxTest::MouseUp(&Strip(), CPoint(20, 40));
  QxTest::PumpUntilIdle();
  EXPECT_EQ(Value(k), 4);
  EXPECT_NEAR(Pole(), -5.0, 1e-9);
}

TEST_F(HistoryStrip, ARightDragScrollsAndWithCtrlChangesTheSpacing) {
  Populate(40);
  const struct {
    UINT modifiers;
    int dx, step, first, wantStep, wantFirst;
  } rows[] = {
      {0, -12, 6, 0, 6, 2},          {0, 12, 6, 2, 6, 0},
      {0, 12, 6, 1, 6, 0},           {0, -600, 6, 0, 6, 38},
      {MK_CONTROL, -12, 6, 0, 4, 0}, {MK_CONTROL, 12, 6, 0, 8, 0},
      {MK_CONTROL, -12, 4, 0, 3, 0}, {MK_CONTROL, 12, 20, 0, 20, 0},
      {MK_CONTROL, 5, 6, 0, 6, 0},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(::testing::Message()
                 << "ctrl " << row.modifiers << " dx " << row.dx << " step " << row.step);
    Strip().m_nStep = row.step;
    Strip().m_nFirst = row.first;
    QxTest::PopupMenuScript menus;
    const CPoint from(100, 40), to(100 + row.dx, 40);
    QxTest::MouseDown(&Strip(), from, QxTest::Button::Right);
    QxTest::MouseMove(&Strip(), to, MK_RBUTTON | row.modifiers);
    QxTest::MouseMove(&Strip(), to, MK_RBUTTON | row.modifiers);
    EXPECT_EQ(QxTest::CursorId(), 32644u) << "the west-east size cursor";
    QxTest::MouseUp(&Strip(), to, QxTest::Button::Right);
    QxTest::PumpUntilIdle();
    EXPECT_EQ(Strip().m_nStep, row.wantStep);
    EXPECT_EQ(Strip().m_nFirst, row.wantFirst);
    EXPECT_TRUE(menus.Menus().empty()) << "two moves: no menu";
    EXPECT_EQ(Value(k), 0.5) << "scrolling recalls nothing";
  }
}

TEST_F(HistoryStrip, ARightClickOpensTheMenuWithTheDeletionsGrayedWhenEmpty) {
  for (int n : {0, 3}) {
    History().KillAll();
    Populate(n);
    QxTest::PopupMenuScript menus;
    RightClick(CPoint(4, 40));
    ASSERT_EQ(menus.Menus().size(), 1u) << n;
    const std::vector<QxPopupItem>& items = menus.Menus()[0];
    const struct {
      const char* text;
      UINT id;
      bool grayed;
    } want[] = {{"Delete this", ID_HISTORY_DELETE_THIS, n == 0},
                {"Delete to left", ID_HISTORY_DELETE_LEFT, n == 0},
                {"Delete to right", ID_HISTORY_DELETE_RIGHT, n == 0},
                {"", 0, false},
                {"Copy image", ID_EDIT_COPY, false},
                {"", 0, false},
                {"Properties", ID_HISTORY_PROPERTIES, false}};
    ASSERT_EQ(items.size(), std::size(want));
    for (size_t i = 0; i < items.size(); ++i) {
      EXPECT_EQ(std::string(items[i].text.GetString()), want[i].text) << i;
      EXPECT_EQ(items[i].id, want[i].id) << i;
      EXPECT_EQ((items[i].flags & MF_GRAYED) != 0, want[i].grayed) << i;
      EXPECT_EQ((items[i].flags & MF_SEPARATOR) != 0, want[i].id == 0) << i;
    }
  }
}

TEST_F(HistoryStrip, DeletionsActOnTheEntryUnderTheReleaseAndMarkTheDesignModified) {
  const struct {
    UINT id;
    int x;
    std::vector<int> left;
  } rows[] = {
      {ID_HISTORY_DELETE_THIS, 12, {0, 1, 3, 4}}, {ID_HISTORY_DELETE_LEFT, 12, {3, 4}},
      {ID_HISTORY_DELETE_RIGHT, 12, {0, 1}},      {ID_HISTORY_DELETE_LEFT, 0, {1, 2, 3, 4}},
      {ID_HISTORY_DELETE_RIGHT, 0, {}},           {ID_HISTORY_DELETE_THIS, 150, {0, 1, 2, 3}},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(::testing::Message() << row.id << " at " << row.x);
    History().KillAll();
    Populate(5);
    Doc()->m_system.m_z.At(0, 0) = 12345.0;
    QxTest::PopupMenuScript menus({row.id});
    // The press is elsewhere: the release point decides.
    QxTest::MouseDown(&Strip(), CPoint(100, 40), QxTest::Button::Right);
    QxTest::MouseUp(&Strip(), CPoint(row.x, 40), QxTest::Button::Right);
    QxTest::PumpUntilIdle();
    EXPECT_EQ(Ids(), row.left);
    EXPECT_TRUE(Doc()->IsModified());
    EXPECT_EQ(Doc()->m_system.m_z.At(0, 0), 12345.0) << "not recalculated";
  }
}

// ---- the genetic commands ------------------------------------------------------------------

CPoint ButtonCentre(int button) {
  for (int x = 0; x < 240; ++x)
    for (int y = 100; y < 200; ++y)
      if (CEqualizerBar::HitTest(x, y) == button) return CPoint(x + 8, y + 8);
  return CPoint(-1, -1);
}

TEST_F(HistoryStrip, GeneticCommandsAndTheOffspringButtonRecordThroughTheEqualizer) {
  const int offspring = g_nOffspringCount;
  g_nOffspringCount = 3;
  Doc()->m_vars.m_pMin[k] = 1, Doc()->m_vars.m_pMax[k] = 2;
  const struct {
    UINT id;  // or 0 for button 14
    int added;
  } rows[] = {{ID_OFFSPRING, 3},
              {0, 3},
              {ID_K_ROBUSTNESS, 3},
              {ID_G_ROBUSTNESS, 0},  // G holds no variable here
              {ID_H_ROBUSTNESS, 3}};
  for (const auto& row : rows) {
    SCOPED_TRACE(row.id);
    History().KillAll();
    Populate(2);
    if (row.id != 0) {
      Frame()->SendMessage(WM_COMMAND, row.id);
    } else {
      QxTest::MouseDown(&Bar(), ButtonCentre(CEqualizerBar::kButtonOffspring));
      QxTest::MouseUp(&Bar(), ButtonCentre(CEqualizerBar::kButtonOffspring));
    }
    QxTest::PumpUntilIdle();
    EXPECT_EQ(History().m_nCount, 2 + row.added);
    EXPECT_EQ(Bar().m_wRecord, 0);
  }
  g_nOffspringCount = offspring;
}

TEST_F(HistoryStrip, GeneticRootLocusPutsEveryRecordedPoleIntoLocusZeroUntilTheNextRecalculation) {
  CWnd* view = Frame()->MDIGetActive()->GetActiveView();
  for (bool byButton : {false, true}) {
    SCOPED_TRACE(byButton ? "button 11" : "command 32841");
    History().KillAll();
    Doc()->m_nVarPoints = 2;
    Doc()->Recalculate();
    Doc()->UpdateAll();
    QxTest::PumpUntilIdle();
    const int swept = Doc()->m_pVarPoints[0].m_nCount;
    auto run = [&] {
      if (byButton) {
        QxTest::MouseDown(&Bar(), ButtonCentre(CEqualizerBar::kButtonRecordedPoles));
        QxTest::MouseUp(&Bar(), ButtonCentre(CEqualizerBar::kButtonRecordedPoles));
      } else {
        Frame()->SendMessage(WM_COMMAND, ID_GENETIC_ROOT_LOCUS);
      }
      QxTest::PumpUntilIdle();
    };
    run();
    EXPECT_EQ(Doc()->m_nVarPoints, 2) << "an empty population leaves the loci";
    EXPECT_EQ(Doc()->m_pVarPoints[0].m_nCount, swept);

    Populate(3);  // one pole each, at -(1 + k) = -2, -3, -4
    const QImage before = QxTest::ClientImage(view);
    run();
    ASSERT_EQ(Doc()->m_nVarPoints, 1);
    const CVARpoints& locus = Doc()->m_pVarPoints[0];
    ASSERT_EQ(locus.m_nCount, 3);
    for (int i = 0; i < 3; ++i) EXPECT_NEAR(locus.m_pPoints[i].re, -2.0 - i, 1e-9) << i;
    EXPECT_NE(QxTest::ClientImage(view), before) << "the root locus shows them";
    Doc()->Recalculate();
    EXPECT_NE(Doc()->m_pVarPoints[0].m_nCount, 3) << "swept again";
  }
}

// ---- the picture ----------------------------------------------------------------------------

constexpr COLORREF kCurveColour[9] = {RGB(0, 150, 0),   RGB(0, 0, 255), RGB(150, 0, 0),
                                      RGB(0, 0, 150),   RGB(0, 255, 0), RGB(0, 255, 255),
                                      RGB(255, 255, 0), RGB(255, 0, 0), RGB(255, 150, 255)};

QRgb Rgb(COLORREF c) {
  return qRgb(GetRValue(c), GetGValue(c), GetBValue(c));
}

TEST_F(HistoryStrip, TwoEntriesDrawEachCriterionInItsColourAtTheStepPixels) {
  // Criterion c of entry 0 at row 70 - 7 (c + 1), of entry 1 three rows higher.
  for (int e = 0; e < 2; ++e) {
    double criteria[9];
    for (int c = 0; c < 9; ++c) criteria[c] = (7 * (c + 1) + 3 * e + 0.5) / 70.0;
    History().Add(criteria);
  }
  Bar().Refresh();
  const QImage image = QxTest::ClientImage(&Strip());
  for (int c = 0; c < 9; ++c) {
    SCOPED_TRACE(c);
    // The vertices (0, y0), (1, y0 - 3 / 21), (4, y0 - 60 / 21), (5, y1); a
    // line leaves out its end point, so the last one, (6, y1), stays white.
    const int y0 = 70 - 7 * (c + 1), y1 = y0 - 3;
    const struct {
      int x, y;
      bool drawn;
    } vertices[] = {{0, y0, true}, {1, y0, true},  {4, y0 - 2, true},
                    {5, y1, true}, {6, y1, false}, {7, y1, false}};
    for (const auto& v : vertices)
      EXPECT_EQ(image.pixel(v.x, v.y) & 0xFFFFFF,
                (v.drawn ? Rgb(kCurveColour[c]) : 0xFFFFFFu) & 0xFFFFFF)
          << v.x << ", " << v.y;
  }
}

TEST_F(HistoryStrip, OneEntryDrawsNoLine) {
  double criteria[9] = {0.1, 0.2, 0.3, 0.4, 0.5, 0.6, 0.7, 0.8, 0.9};
  History().Add(criteria);
  Bar().Refresh();
  const QImage image = QxTest::ClientImage(&Strip());
  int coloured = 0;
  for (int y = 0; y < image.height(); ++y)
    for (int x = 1; x < image.width(); ++x) coloured += (image.pixel(x, y) & 0xFFFFFF) != 0xFFFFFFu;
  EXPECT_EQ(coloured, 0);
}

TEST_F(HistoryStrip, RecordingKeepsTheNewestInViewAndACullKeepsTheFirst) {
  Bar().m_wRecord = kRecordingOn;
  Populate(39);
  Bar().RecordDesign(kRecordAppend);
  EXPECT_EQ(History().m_nCount, 40);
  EXPECT_EQ(Strip().m_nFirst, 40 - 33);

  History().KillAll();
  Populate(100);
  Strip().m_nFirst = 67;
  Bar().RecordDesign(kRecordAppend);
  EXPECT_EQ(History().m_nCount, 75);
  EXPECT_EQ(Strip().m_nFirst, 67);
}

TEST_F(HistoryStrip, APopulationLoadedWithCriteriaThatAreNotNumbersLoadsSortsAndDraws) {
  const double nan = std::numeric_limits<double>::quiet_NaN();
  double criteria[9] = {nan, 0.5, -3.0, 7.0, 0.25, nan, 0.5, 0.5, nan};
  History().Add(criteria);
  criteria[0] = 0.3;
  History().Add(criteria);
  CArchive out(CArchive::store);
  ASSERT_TRUE(History().Serialize(out));
  CArchive in(out.TakeStoredBytes());
  ASSERT_TRUE(History().Serialize(in));
  ASSERT_EQ(History().m_nCount, 2);
  const double want[9] = {1.0, 0.5, 0.0, 1.0, 0.25, 1.0, 0.5, 0.5, 1.0};
  for (int c = 0; c < 9; ++c) EXPECT_EQ(History().m_ppCriteria[0][c], want[c]) << c;
  History().SortByCriterion(0);
  EXPECT_EQ(History().m_ppCriteria[0][0], 1.0);
  Bar().Refresh();
  const QImage image = QxTest::ClientImage(&Strip());
  // Criteria 0, 3, 5 and 8 read 1.0 and start on row 0; 8 is drawn last.
  EXPECT_EQ(image.pixel(0, 0) & 0xFFFFFF, Rgb(kCurveColour[8]) & 0xFFFFFF);
}

// ---- "Copy image" ---------------------------------------------------------------------------

TEST_F(HistoryStrip, CopyPutsTheStripsPictureAloneOnTheClipboard) {
  Populate(3);
  QxTest::ResetClipboard();
  Strip().SendMessage(WM_COMMAND, ID_EDIT_COPY);
  CRect client;
  Strip().GetClientRect(&client);
  EXPECT_EQ(qxtest::ClipboardPictureExtents(), CRect(0, 0, client.Width(), client.Height() + 25));
  EXPECT_FALSE(IsClipboardFormatAvailable(CF_TEXT));
}

TEST_F(HistoryStrip, CopyFailuresShowTheirMessageAndCloseTheClipboard) {
  Populate(3);
  const struct {
    unsigned calls;
    const char* message;
  } failures[] = {{QxTest::kClipboardOpen, "Cannot open the Clipboard"},
                  {QxTest::kClipboardEmpty, "Cannot empty the Clipboard"},
                  {QxTest::kClipboardSet, "Unable to set Clipboard data"}};
  for (const auto& failure : failures) {
    QxTest::ResetClipboard();
    {
      QxTest::MessageBoxScript boxes;
      QxTest::ClipboardFailures fail(failure.calls);
      Strip().SendMessage(WM_COMMAND, ID_EDIT_COPY);
      ASSERT_EQ(boxes.Boxes().size(), 1u) << failure.message;
      EXPECT_EQ(boxes.Boxes()[0].text, failure.message);
    }
    EXPECT_EQ(GetOpenClipboardWindow(), nullptr) << failure.message;
    EXPECT_TRUE(qxtest::ClipboardPictureExtents().IsRectEmpty()) << failure.message;
  }
}

TEST_F(HistoryStrip, CopyWithoutADesignBeeps) {
  Bar().ForgetDesign(Doc());
  QxTest::ResetClipboard();
  QxClearDebugOutput();
  Strip().SendMessage(WM_COMMAND, ID_EDIT_COPY);
  EXPECT_NE(QxDebugOutput().find("MessageBeep"), std::string::npos);
  EXPECT_TRUE(qxtest::ClipboardPictureExtents().IsRectEmpty());
}

// ---- "Equalizer properties" -----------------------------------------------------------------

struct Settings {
  int limit, offspring, global, local;
  double kill, mutation, error, knee;
  static Settings Now() {
    return {g_nHistoryLimit, g_nOffspringCount, g_nGlobalIterations, g_nLocalIterations,
            g_dKillFraction, g_dMutation,       g_dErrorSuppression, g_dMagSupKnee};
  }
  void Apply() const {
    g_nHistoryLimit = limit, g_nOffspringCount = offspring, g_nGlobalIterations = global;
    g_nLocalIterations = local, g_dKillFraction = kill, g_dMutation = mutation;
    g_dErrorSuppression = error, g_dMagSupKnee = knee;
  }
  bool operator==(const Settings&) const = default;
};

class EqualizerProperties : public HistoryStrip {
 protected:
  void SetUp() override {
    HistoryStrip::SetUp();
    saved = Settings::Now();
    Settings{100, 10, 4, 10, 0.29, 0.57, 1.0, 300.0}.Apply();
  }
  void TearDown() override {
    saved.Apply();
    HistoryStrip::TearDown();
  }
  static std::string Text(CDialog& d, int id) {
    CString t;
    d.GetDlgItemText(id, t);
    return t.GetString();
  }
  void Open() {
    Strip().SendMessage(WM_COMMAND, ID_HISTORY_PROPERTIES);
    QxTest::PumpUntilIdle();
  }
  Settings saved{};
};

TEST_F(EqualizerProperties, TheFieldsShowTheSettingsAndOkStoresThemBack) {
  std::vector<std::string> shown;
  QxTest::DialogScript script({[&](CDialog& d) {
    for (int id :
         {IDC_PROP_MAX_POPULATION, IDC_PROP_REDUCTION, IDC_PROP_OFFSPRING, IDC_PROP_MUTATION,
          IDC_PROP_GLOBAL, IDC_PROP_LOCAL, IDC_PROP_ERROR_SUPPRESSION, IDC_PROP_KNEE})
      shown.push_back(Text(d, id));
    d.SetDlgItemText(IDC_PROP_MAX_POPULATION, "250");
    d.SetDlgItemText(IDC_PROP_REDUCTION, "58");
    d.SetDlgItemText(IDC_PROP_OFFSPRING, "3");
    d.SetDlgItemText(IDC_PROP_MUTATION, "29");
    d.SetDlgItemText(IDC_PROP_GLOBAL, "7");
    d.SetDlgItemText(IDC_PROP_LOCAL, "12");
    d.SetDlgItemText(IDC_PROP_ERROR_SUPPRESSION, "0.5");
    d.SetDlgItemText(IDC_PROP_KNEE, "200");
    ClickItem(d, IDOK);
  }});
  Open();
  ASSERT_EQ(script.Dialogs().size(), 1u);
  EXPECT_EQ(script.Dialogs()[0].templateId, UINT(IDD_EQUALIZERPROP));
  EXPECT_EQ(shown, (std::vector<std::string>{"100", "29", "10", "57", "4", "10", "1", "300"}));
  EXPECT_EQ(Settings::Now(), (Settings{250, 3, 7, 12, 0.58, 0.29, 0.5, 200.0}));

  // The fractions stored reopen as the same whole percent.
  shown.clear();
  QxTest::DialogScript again({[&](CDialog& d) {
    shown = {Text(d, IDC_PROP_REDUCTION), Text(d, IDC_PROP_MUTATION)};
    ClickItem(d, IDOK);
  }});
  Open();
  EXPECT_EQ(shown, (std::vector<std::string>{"58", "29"}));
  EXPECT_EQ(Settings::Now(), (Settings{250, 3, 7, 12, 0.58, 0.29, 0.5, 200.0}));
}

TEST_F(EqualizerProperties, TheFirstFailingFieldInExchangeOrderIsPromptedAndTheDialogStays) {
  const struct {
    std::vector<std::pair<int, const char*>> typed;
    const char* prompt;
  } rows[] = {
      {{{IDC_PROP_REDUCTION, "4"}, {IDC_PROP_MAX_POPULATION, "1"}},
       "Please enter an integer between 2 and 10000."},
      {{{IDC_PROP_REDUCTION, "96"}, {IDC_PROP_OFFSPRING, "0"}},
       "Please enter an integer between 1 and 10000."},
      {{{IDC_PROP_KNEE, "-1"}, {IDC_PROP_REDUCTION, "4"}},
       "Please enter an integer between 5 and 95."},
      {{{IDC_PROP_LOCAL, "2"}, {IDC_PROP_ERROR_SUPPRESSION, "-1"}},
       "Please enter a number between 0 and 1e+300."},
      {{{IDC_PROP_GLOBAL, "101"}, {IDC_PROP_MUTATION, "101"}},
       "Please enter an integer between 1 and 100."},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.prompt);
    QxTest::ShownBoxScript boxes;
    bool open = false;
    QxTest::DialogScript script({[&](CDialog& d) {
      for (const auto& [id, text] : row.typed) d.SetDlgItemText(id, text);
      ClickItem(d, IDOK);
      open = d.ContinueModal();
    }});
    Open();
    EXPECT_TRUE(open);
    ASSERT_EQ(boxes.Boxes().size(), 1u);
    EXPECT_EQ(boxes.Boxes()[0].text, row.prompt);
    EXPECT_EQ(Settings::Now(), (Settings{100, 10, 4, 10, 0.29, 0.57, 1.0, 300.0}));
  }
}

TEST_F(EqualizerProperties, AnUpClickLowersMaxPopulationAndEscapeKeepsTheSettings) {
  std::string stepped;
  QxTest::DialogScript script({[&](CDialog& d) {
    CWnd* spin = d.GetDlgItem(IDC_PROP_MAX_POPULATION_SPIN);
    CRect r;
    spin->GetClientRect(&r);
    QxTest::Click(spin, CPoint(r.CenterPoint().x, r.top + 2));
    QxTest::PumpEvents();
    stepped = Text(d, IDC_PROP_MAX_POPULATION);
    d.SetDlgItemText(IDC_PROP_OFFSPRING, "44");
    QxTest::PressKey(VK_ESCAPE, 0, d.GetDlgItem(IDC_PROP_OFFSPRING));
  }});
  Open();
  EXPECT_EQ(stepped, "99");
  EXPECT_EQ(Settings::Now(), (Settings{100, 10, 4, 10, 0.29, 0.57, 1.0, 300.0}));
}

}  // namespace
