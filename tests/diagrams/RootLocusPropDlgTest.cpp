// The "Root Locus Properties" dialog: the fields it shows, what it refuses,
// the settings written back only after OK, and Return in an edit of the
// dialog opened from the view.
#include "GlobalResources.h"
#include "diagrams/RootLocusPropDlg.h"
#include "platform/testing/DialogHooks.h"
#include "platform/testing/TestHooks.h"
#include "platform/ui/DialogTemplate.h"
#include "platform/ui/WinApp.h"
#include "res/resource.h"
#include "tests/support/QorexAppFixture.h"
#include "tests/diagrams/ViewTestSupport.h"

#include <gtest/gtest.h>

#include <string>

namespace {

// Each test starts from the settings a new program has and puts back what it found.
class RootLocusPropDlgTest : public ::testing::Test {
 protected:
  void SetUp() override { m_saved = Swap({30, 20, 100.0, 0.01, 1.0, 1e-12}); }
  void TearDown() override { Swap(m_saved); }
  CWinApp m_app{"Root Locus Properties Test"};

 private:
  struct Settings {
    int log, lin;
    double maxGain, minGain, inertia, cancel;
  };
  static Settings Swap(const Settings& s) {
    const Settings old{g_nRlLogSteps, g_nRlLinSteps,  g_dRlMaxGain,
                       g_dRlMinGain,  g_dRootInertia, g_dPzCancelTol};
    g_nRlLogSteps = s.log;
    g_nRlLinSteps = s.lin;
    g_dRlMaxGain = s.maxGain;
    g_dRlMinGain = s.minGain;
    g_dRootInertia = s.inertia;
    g_dPzCancelTol = s.cancel;
    return old;
  }
  Settings m_saved{};
};

const int kFields[6] = {IDC_RL_LOGSTEPS, IDC_RL_LINSTEPS, IDC_RL_MAXGAIN,
                        IDC_RL_MINGAIN,  IDC_RL_INERTIA,  IDC_RL_CANCELTOL};

// Opened on the defaults (30, 20, 100, 0.01, 1, 1e-12); OK writes back what
// was typed, a minimum above the maximum included.
TEST_F(RootLocusPropDlgTest, ShowsTheSettingsAndWritesThemBackOnOk) {
  std::string caption = "|", shown = "|";
  QxTest::DialogScript script({[&](CDialog& d) {
    const char* typed[6] = {"45", "0", "1e3", "2000", "0", "10"};
    CString text;
    d.GetWindowText(text);
    caption = text.GetString();
    for (int i = 0; i < 6; ++i) {
      d.GetDlgItemText(kFields[i], text);
      shown += std::string(text.GetString()) + "|";
      d.SetDlgItemText(kFields[i], typed[i]);
    }
    QxTest::PressKey(VK_RETURN);
  }});
  EXPECT_TRUE(EditRootLocusProperties(nullptr));
  EXPECT_EQ(caption, "Root Locus Properties");
  EXPECT_EQ(shown, "|30|20|100|0.01|1|1e-12|");
  EXPECT_EQ(g_nRlLogSteps, 45);
  EXPECT_EQ(g_nRlLinSteps, 0);
  EXPECT_EQ(g_dRlMaxGain, 1000.0);
  EXPECT_EQ(g_dRlMinGain, 2000.0);
  EXPECT_EQ(g_dRootInertia, 0.0);
  EXPECT_EQ(g_dPzCancelTol, 10.0);
  const QxDialogTemplate* t = QxFindDialogTemplate(IDD_RLPROPERTIES);
  for (const QxDialogItem& item : t->items)
    EXPECT_EQ(t->rect | item.rect, t->rect) << item.id << " inside the dialog";
}

// A refused value keeps the dialog open with the focus on its field; closed
// without OK, nothing is written.
TEST_F(RootLocusPropDlgTest, RefusedValuesKeepTheDialogOpen) {
  const struct {
    int id;
    const char* text;
    const char* prompt;
  } cases[] = {
      {IDC_RL_MINGAIN, "0", "Please enter a number between 1e-300 and 1e+300."},
      {IDC_RL_LINSTEPS, "1001", "Please enter an integer between 0 and 1000."},
      {IDC_RL_LOGSTEPS, "-1", "Please enter an integer between 0 and 1000."},
      {IDC_RL_LOGSTEPS, "ten", "Please enter an integer."},
      {IDC_RL_MAXGAIN, "2e300", "Please enter a number between 1e-300 and 1e+300."},
      {IDC_RL_INERTIA, "-0.5", "Please enter a number between 0 and 1e+300."},
      {IDC_RL_CANCELTOL, "11", "Please enter a number between 1e-300 and 10."},
      {IDC_RL_CANCELTOL, "nan", "Please enter a number."},
  };
  for (const auto& c : cases) {
    bool stillOpen = false;
    int focus = 0;
    QxTest::ShownBoxScript boxes;
    QxTest::DialogScript script({[&](CDialog& d) {
      d.SetDlgItemText(IDC_RL_LINSTEPS, "7");
      d.SetDlgItemText(c.id, c.text);
      QxTest::PressKey(VK_RETURN);
      stillOpen = d.ContinueModal();
      focus = CWnd::GetFocus() ? CWnd::GetFocus()->GetDlgCtrlID() : -1;
      QxTest::PressKey(VK_ESCAPE);
    }});
    EXPECT_FALSE(EditRootLocusProperties(nullptr)) << c.text;
    EXPECT_TRUE(stillOpen) << c.text;
    EXPECT_EQ(focus, c.id) << c.text;
    ASSERT_EQ(boxes.Boxes().size(), 1u) << c.text;
    EXPECT_EQ(boxes.Boxes()[0].text, c.prompt);
    EXPECT_EQ(g_nRlLinSteps, 20) << c.text;
  }
}

// ---- opened from the view ------------------------------------------------------------

// The view's Properties command, a number typed over the selected first field,
// then Return in that edit: the default button reads the fields, and the loci
// are swept again with fewer steps.
void ExpectReturnInAnEditAppliesTheValue(CQorexView* view) {
  ASSERT_NE(view, nullptr);
  const CQorexDoc& doc = *view->GetDocument();
  const int pointsBefore = doc.m_pVarPoints[0].m_nCount;
  const int saved = g_nRlLogSteps;
  int focus = 0;
  QxTest::DialogScript script({[&](CDialog&) {
    focus = CWnd::GetFocus() ? CWnd::GetFocus()->GetDlgCtrlID() : 0;
    QxTest::TypeText("10");
    QxTest::PressKey(VK_RETURN);
  }});
  view->SendMessage(WM_COMMAND, RLPROPERTIES);
  const int steps = g_nRlLogSteps;
  g_nRlLogSteps = saved;
  ASSERT_EQ(script.Dialogs().size(), 1u);
  EXPECT_EQ(focus, IDC_RL_LOGSTEPS);
  EXPECT_EQ(script.Dialogs()[0].result, IDOK);
  EXPECT_FALSE(script.Dialogs()[0].endedByScript);
  EXPECT_EQ(steps, 10);
  EXPECT_LT(doc.m_pVarPoints[0].m_nCount, pointsBefore);
}

class RootLocusPropFromApp : public QorexAppTest {};

TEST_F(RootLocusPropFromApp, ReturnInAnEditAppliesTheValue) {
  CMDIChildWnd* child = Frame()->MDIGetActive();
  ASSERT_NE(child, nullptr);
  ExpectReturnInAnEditAppliesTheValue(dynamic_cast<CQorexView*>(child->GetActiveView()));
}

// A view made without an application object: the dialog's own loop gives its
// keys to the dialog manager.
TEST(RootLocusPropFromView, ReturnInAnEditAppliesTheValueWithoutAnApplication) {
  qxviewtest::ViewWindow window;
  ExpectReturnInAnEditAppliesTheValue(window.view());
}

}  // namespace
