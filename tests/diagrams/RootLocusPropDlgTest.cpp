// The "Root Locus Properties" dialog: its template, the fields it shows, what
// it refuses, the settings written back only after OK, and Return in an edit
// of the dialog opened from the view.
#include "GlobalResources.h"
#include "diagrams/RootLocusPropDlg.h"
#include "platform/testing/DialogHooks.h"
#include "platform/testing/TestHooks.h"
#include "platform/ui/DialogTemplate.h"
#include "platform/ui/WinApp.h"
#include "res/resource.h"
#include "tests/app/AppTestSupport.h"
#include "tests/diagrams/ViewTestSupport.h"

#include <gtest/gtest.h>

#include <string>

namespace {

class RootLocusPropDlgTest : public ::testing::Test {
 protected:
  void SetUp() override {
    m_saved = {g_nRlLogSteps, g_nRlLinSteps,  g_dRlMaxGain,
               g_dRlMinGain,  g_dRootInertia, g_dPzCancelTol};
  }
  void TearDown() override {
    g_nRlLogSteps = m_saved.log;
    g_nRlLinSteps = m_saved.lin;
    g_dRlMaxGain = m_saved.maxGain;
    g_dRlMinGain = m_saved.minGain;
    g_dRootInertia = m_saved.inertia;
    g_dPzCancelTol = m_saved.cancel;
  }
  CWinApp m_app{"Root Locus Properties Test"};

 private:
  struct Settings {
    int log, lin;
    double maxGain, minGain, inertia, cancel;
  } m_saved{};
};

std::string Text(CDialog& d, int id) {
  CString text;
  d.GetDlgItemText(id, text);
  return std::string(text);
}

TEST_F(RootLocusPropDlgTest, TemplateHasSixLabelledEditsAndOk) {
  RegisterRootLocusPropTemplate();
  const QxDialogTemplate* t = QxFindDialogTemplate(IDD_RLPROPERTIES);
  ASSERT_NE(t, nullptr);
  EXPECT_EQ(std::string(t->caption), "Root Locus Properties");
  EXPECT_EQ(t->rect.Width(), 189);
  EXPECT_EQ(t->rect.Height(), 89);
  int edits = 0, buttons = 0;
  for (const QxDialogItem& item : t->items) {
    edits += std::string(item.className) == "Edit";
    if (std::string(item.className) == "Button") {
      ++buttons;
      EXPECT_EQ(item.id, static_cast<UINT>(IDOK));
      EXPECT_EQ(std::string(item.text), "OK");
    }
    EXPECT_LE(item.rect.right, 189);
    EXPECT_LE(item.rect.bottom, 89);
  }
  EXPECT_EQ(edits, 6);
  EXPECT_EQ(buttons, 1);
}

TEST_F(RootLocusPropDlgTest, ShowsTheSettingsAndWritesThemBackOnOk) {
  g_nRlLogSteps = 30;
  g_nRlLinSteps = 20;
  g_dRlMaxGain = 100.0;
  g_dRlMinGain = 0.01;
  g_dRootInertia = 1.0;
  g_dPzCancelTol = 1e-12;
  std::string shown[6];
  QxTest::DialogScript script({[&](CDialog& d) {
    const int ids[6] = {IDC_RL_LOGSTEPS, IDC_RL_LINSTEPS, IDC_RL_MAXGAIN,
                        IDC_RL_MINGAIN,  IDC_RL_INERTIA,  IDC_RL_CANCELTOL};
    for (int i = 0; i < 6; ++i) shown[i] = Text(d, ids[i]);
    d.SetDlgItemText(IDC_RL_LOGSTEPS, "45");
    d.SetDlgItemText(IDC_RL_LINSTEPS, "0");
    d.SetDlgItemText(IDC_RL_MAXGAIN, "1e3");
    d.SetDlgItemText(IDC_RL_MINGAIN, "2000");  // above the maximum: accepted as typed
    d.SetDlgItemText(IDC_RL_INERTIA, "0");
    d.SetDlgItemText(IDC_RL_CANCELTOL, "10");
    QxTest::PressKey(VK_RETURN);
  }});
  EXPECT_TRUE(EditRootLocusProperties(nullptr));
  EXPECT_EQ(shown[0], "30");
  EXPECT_EQ(shown[1], "20");
  EXPECT_EQ(shown[2], "100");
  EXPECT_EQ(shown[3], "0.01");
  EXPECT_EQ(shown[4], "1");
  EXPECT_EQ(shown[5], "1e-12");
  EXPECT_EQ(g_nRlLogSteps, 45);
  EXPECT_EQ(g_nRlLinSteps, 0);
  EXPECT_EQ(g_dRlMaxGain, 1000.0);
  EXPECT_EQ(g_dRlMinGain, 2000.0);
  EXPECT_EQ(g_dRootInertia, 0.0);
  EXPECT_EQ(g_dPzCancelTol, 10.0);
}

TEST_F(RootLocusPropDlgTest, CancelChangesNothing) {
  g_nRlLogSteps = 30;
  QxTest::DialogScript script({[&](CDialog& d) {
    d.SetDlgItemText(IDC_RL_LOGSTEPS, "7");
    QxTest::PressKey(VK_ESCAPE);
  }});
  EXPECT_FALSE(EditRootLocusProperties(nullptr));
  EXPECT_EQ(g_nRlLogSteps, 30);
}

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
    g_nRlLogSteps = 30;
    g_nRlLinSteps = 20;
    g_dRlMaxGain = 100.0;
    g_dRlMinGain = 0.01;
    g_dRootInertia = 1.0;
    g_dPzCancelTol = 1e-12;
    bool stillOpen = false;
    int focus = 0;
    QxTest::ShownBoxScript boxes;
    QxTest::DialogScript script({[&](CDialog& d) {
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
    EXPECT_EQ(g_nRlLinSteps, 20) << "nothing written after a refusal and cancel";
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
