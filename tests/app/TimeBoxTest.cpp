// The "Simulator Properties" dialog: what it shows, the times it refuses or
// warns about, and the framework's range prompts.
#include "GlobalResources.h"
#include "editing/TimeBoxDlg.h"
#include "platform/testing/DialogHooks.h"
#include "platform/testing/TestHooks.h"
#include "platform/ui/WinApp.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

class TimeBox : public ::testing::Test {
 protected:
  CWinApp m_app{"Simulator Properties Test"};
};

struct Outcome {
  bool accepted = false;
  bool stillOpen = false;
  std::vector<QxTest::ShownBox> boxes;
  std::string shown;  // the four fields as the dialog opened, each followed by "|"
};

// Fills the dialog with 0.05 s, 30 s, 1 %, 4 runs, types the given texts
// (null: keep) and presses OK.
Outcome Try(const char* ts, const char* tf, const char* tol, const char* buffer) {
  CTimeBoxDlg dlg;
  dlg.m_dSamplingTime = 0.05;
  dlg.m_dFinalTime = 30;
  dlg.m_dTolerance = 1;
  dlg.m_nBufferSize = 4;
  Outcome out;
  QxTest::ShownBoxScript boxes;
  QxTest::DialogScript script({[&](CDialog& d) {
    const int ids[] = {IDC_TIME_SAMPLING, IDC_TIME_FINAL, IDC_TIME_TOLERANCE, IDC_TIME_BUFFER};
    const char* texts[] = {ts, tf, tol, buffer};
    for (int i = 0; i < 4; ++i) {
      CString text;
      d.GetDlgItemText(ids[i], text);
      out.shown += std::string(text.GetString()) + "|";
      if (texts[i]) d.SetDlgItemText(ids[i], texts[i]);
    }
    QxTest::PressKey(VK_RETURN);
    out.stillOpen = d.ContinueModal();
    if (out.stillOpen) QxTest::PressKey(VK_ESCAPE);
  }});
  dlg.DoModal();
  out.accepted = dlg.m_bAccepted;
  out.boxes = boxes.Boxes();
  return out;
}

TEST_F(TimeBox, ShowsTheFieldsThenAcceptsRefusesOrWarns) {
  const struct {
    const char *ts, *tf, *tol, *buffer;
    const char* message;  // none: accepted without a word
    const char* caption;
    bool accepted;
  } rows[] = {
      {"0.01", "100", "2.5", "10", nullptr, nullptr, true},  // exactly the 10000 samples allowed
      {"0.01", "100.01", nullptr, nullptr, "Maximum number of samples exceeded", "Error", false},
      {"0", "5", nullptr, nullptr, "Invalid settings", "Error", false},
      {"2", "2", nullptr, nullptr, "Invalid settings", "Error", false},
      {"1", "-5", nullptr, nullptr, "Invalid settings", "Error", false},
      {"1", "5", nullptr, nullptr,
       "Fewer than the recommended minimum amount of samples has been specified", "Warning", true},
      {nullptr, nullptr, nullptr, "11", "Please enter an integer between 1 and 10.", nullptr,
       false},
      {nullptr, nullptr, nullptr, "0", "Please enter an integer between 1 and 10.", nullptr, false},
      {nullptr, nullptr, "-1", nullptr, "Please enter a number between 0 and 1e+300.", nullptr,
       false},
      {"fast", nullptr, nullptr, nullptr, "Please enter a number.", nullptr, false},
  };
  for (const auto& row : rows) {
    const Outcome o = Try(row.ts, row.tf, row.tol, row.buffer);
    SCOPED_TRACE(row.message ? row.message : "accepted");
    EXPECT_EQ(o.shown, "0.05|30|1|4|");
    EXPECT_EQ(o.accepted, row.accepted);
    EXPECT_EQ(o.stillOpen, !row.accepted);
    ASSERT_EQ(o.boxes.size(), row.message ? 1u : 0u);
    if (!row.message) continue;
    EXPECT_EQ(o.boxes[0].text, row.message);
    if (row.caption) {
      EXPECT_EQ(o.boxes[0].caption, row.caption);
      EXPECT_EQ(o.boxes[0].type, UINT(MB_OK));
    }
  }
}

TEST_F(TimeBox, WatchdogUiTakesTheAcceptedSettings) {
  CQorexWatchdogUi ui;
  SIMtimeSettings settings{0.05, 30, 1, 4};
  {
    QxTest::DialogScript script({[](CDialog& d) {
      d.SetDlgItemText(IDC_TIME_SAMPLING, "0.025");
      d.SetDlgItemText(IDC_TIME_BUFFER, "6");
      QxTest::PressKey(VK_RETURN);
    }});
    EXPECT_TRUE(ui.ShowSimulatorProperties(settings));
  }
  EXPECT_EQ(settings.dSamplingTime, 0.025);
  EXPECT_EQ(settings.nBufferSize, 6);
  QxTest::DialogScript cancel({[](CDialog&) { QxTest::PressKey(VK_ESCAPE); }});
  EXPECT_FALSE(ui.ShowSimulatorProperties(settings));
  EXPECT_EQ(settings.dSamplingTime, 0.025);
}

}  // namespace
