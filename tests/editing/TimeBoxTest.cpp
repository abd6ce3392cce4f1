// The "Simulator Properties" dialog: the times it refuses or warns about, the
// framework's range prompts, and the settings it hands back.
#include "GlobalResources.h"
#include "editing/TimeBoxDlg.h"
#include "platform/testing/DialogHooks.h"
#include "platform/testing/TestHooks.h"
#include "platform/ui/WinApp.h"

#include <gtest/gtest.h>

#include <string>

namespace {

class TimeBox : public ::testing::Test {
 protected:
  CWinApp m_app{"Simulator Properties Test"};
  SIMtimeSettings m_settings{0.05, 30, 1, 4};
};

// Opened on 0.05 s, 30 s, 1 %, 4 runs, the typed fields (null: kept) and OK.
TEST_F(TimeBox, AcceptsRefusesOrWarnsAboutTheTypedSettings) {
  const struct {
    const char *ts, *tf, *tol, *buffer;
    const char* message;  // none: accepted without a word
    const char* caption;  // of the program's own boxes
    bool accepted;
  } rows[] = {
      {"0.01", "100", "2.5", "10", nullptr, nullptr, true},  // exactly the 10000 samples allowed
      {"0.01", "100.01", nullptr, nullptr, "Maximum number of samples exceeded", "Error", false},
      {"0", "5", nullptr, nullptr, "Invalid settings", "Error", false},
      {"2", "2", nullptr, nullptr, "Invalid settings", "Error", false},
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
    SCOPED_TRACE(row.message ? row.message : "accepted");
    SIMtimeSettings settings = m_settings;
    std::string shown;
    bool stillOpen = false;
    QxTest::ShownBoxScript boxes;
    QxTest::DialogScript script({[&](CDialog& d) {
      const int ids[] = {IDC_TIME_SAMPLING, IDC_TIME_FINAL, IDC_TIME_TOLERANCE, IDC_TIME_BUFFER};
      const char* texts[] = {row.ts, row.tf, row.tol, row.buffer};
      for (int i = 0; i < 4; ++i) {
        CString text;
        d.GetDlgItemText(ids[i], text);
        shown += std::string(text.GetString()) + "|";
        if (texts[i]) d.SetDlgItemText(ids[i], texts[i]);
      }
      QxTest::PressKey(VK_RETURN);
      stillOpen = d.ContinueModal();
      if (stillOpen) QxTest::PressKey(VK_ESCAPE);
    }});
    EXPECT_EQ(CQorexWatchdogUi().ShowSimulatorProperties(settings), row.accepted);
    EXPECT_EQ(shown, "0.05|30|1|4|");
    EXPECT_EQ(stillOpen, !row.accepted);
    ASSERT_EQ(boxes.Boxes().size(), row.message ? 1u : 0u);
    if (row.message) {
      EXPECT_EQ(boxes.Boxes()[0].text, row.message);
    }
    if (row.caption) {
      EXPECT_EQ(boxes.Boxes()[0].caption, row.caption);
    }
    if (row.accepted && !row.message) {
      EXPECT_EQ(settings.dSamplingTime, 0.01);
      EXPECT_EQ(settings.dFinalTime, 100.0);
      EXPECT_EQ(settings.dTolerancePct, 2.5);
      EXPECT_EQ(settings.nBufferSize, 10);
    }
    if (!row.accepted) {
      EXPECT_EQ(settings.nBufferSize, 4) << "refused and cancelled: unchanged";
    }
  }
}

}  // namespace
