// "Frequency Diagram Properties" opened from the view and "Edit Node" on its
// own, driven by keys: what they show, convert, refuse and store.
#include "diagrams/FreqDialogs.h"
#include "platform/testing/DialogHooks.h"
#include "platform/ui/Controls.h"
#include "platform/ui/DialogTemplate.h"
#include "tests/diagrams/FreqViewTestSupport.h"

#include <algorithm>
#include <string>

namespace {

using namespace qxfreqview;

std::string Text(CDialog& d, int id) {
  CString text;
  d.GetDlgItemText(id, text);
  return text.GetString();
}

// Focus on an edit with its text selected, then the keys typed over it.
void TypeOver(CDialog& d, int id, const char* text) {
  d.GetDlgItem(id)->SetFocus();
  d.GetDlgItem(id)->SendMessage(EM_SETSEL, 0, -1);
  QxTest::TypeText(text);
}

// Space on a check box, as the user gives it.
void Toggle(CDialog& d, int id) {
  d.GetDlgItem(id)->SetFocus();
  QxTest::PressKey(VK_SPACE);
}

// Shows the settings in rad/s, converts them to hertz with Radians off, and
// OK stores rad/s again, bits 0 and 1 from the boxes and the new step count.
TEST_F(FreqViewTest, PropertiesShowConvertAndStoreTheSweep) {
  std::string shown, hertz;
  QxTest::DialogScript script({[&](CDialog& d) {
    for (int id : {IDC_FREQ_STEPS, IDC_FREQ_TICKSTEP, IDC_FREQ_START, IDC_FREQ_STOP})
      shown += Text(d, id) + "|";
    for (int id : {IDC_RADIANS, IDC_FREQ_GERSHGORIN, IDC_FREQ_OSTROWSKI})
      shown += std::to_string(d.IsDlgButtonChecked(id));
    QxTest::TypeText("300");
    Toggle(d, IDC_RADIANS);
    hertz = Text(d, IDC_FREQ_START) + "|" + Text(d, IDC_FREQ_STOP);
    Toggle(d, IDC_FREQ_OSTROWSKI);
    QxTest::PressKey(VK_TAB, MK_SHIFT);  // back to "Gershgorin circles"
    QxTest::PressKey(VK_SPACE);
    QxTest::PressKey(VK_RETURN);
  }});
  g_bFreqFlags = 0x85;
  window->Command(FREQPROPERTIES);
  EXPECT_EQ(shown, "200|5|0.001|1000|110");
  EXPECT_EQ(hertz, "0.000159154943091895|159.154943091895");
  EXPECT_NEAR(g_dFreqMin, 0.001, 1e-14 * 0.001);
  EXPECT_NEAR(g_dFreqMax, 1000, 1e-14 * 1000);
  EXPECT_EQ(g_bFreqFlags, 0x86);
  EXPECT_EQ(g_nFreqSteps, 300);
  EXPECT_EQ(freq().m_nFreqs, 300) << "swept again";
}

// Refused fields keep the dialog open with the framework's prompt only; start
// equal to stop gives "Invalid frequency range"; Escape changes nothing.
TEST_F(FreqViewTest, PropertiesRefuseBadValues) {
  const struct {
    int id;
    const char* text;
    const char* box;
  } rows[] = {{IDC_FREQ_STEPS, "9", "Please enter an integer between 10 and 10000."},
              {IDC_FREQ_STEPS, "10001", "Please enter an integer between 10 and 10000."},
              {IDC_FREQ_TICKSTEP, "0", "Please enter an integer between 1 and 100000."},
              {IDC_FREQ_START, "0", "Please enter a number between 1e-300 and 1e+300."},
              {IDC_FREQ_START, "1000", "Invalid frequency range"}};
  for (const auto& row : rows) {
    bool open = false;
    QxTest::ShownBoxScript boxes;
    QxTest::DialogScript script({[&](CDialog& d) {
      TypeOver(d, row.id, row.text);
      QxTest::PressKey(VK_RETURN);
      open = d.ContinueModal();
      QxTest::PressKey(VK_ESCAPE);
    }});
    window->Command(FREQPROPERTIES);
    EXPECT_TRUE(open) << row.text;
    ASSERT_EQ(boxes.Boxes().size(), 1u) << row.text;
    EXPECT_EQ(boxes.Boxes()[0].text, row.box);
    const bool range = row.box[0] == 'I';
    EXPECT_TRUE(!range || boxes.Boxes()[0].caption == "Error");
    ASSERT_EQ(script.Dialogs().size(), 1u);
    EXPECT_EQ(script.Dialogs()[0].result, IDCANCEL);
    EXPECT_EQ(g_nFreqSteps, 200);
    EXPECT_EQ(g_dFreqMin, 0.001);
  }
}

// Radians after a refused start converts the values last accepted.
TEST_F(FreqViewTest, RadiansAfterARefusedFieldConvertsTheAcceptedValues) {
  std::string start;
  int radians = -1;
  QxTest::ShownBoxScript boxes;
  QxTest::DialogScript script({[&](CDialog& d) {
    TypeOver(d, IDC_FREQ_START, "abc");
    Toggle(d, IDC_RADIANS);
    start = Text(d, IDC_FREQ_START);
    radians = d.IsDlgButtonChecked(IDC_RADIANS);
  }});
  window->Command(FREQPROPERTIES);
  EXPECT_EQ(boxes.Boxes().size(), 1u);
  EXPECT_EQ(start, "0.000159154943091895");
  EXPECT_EQ(radians, 0);
}

// "Edit Node" on its own: Radians converts the one frequency both ways, the
// inertia's range is checked, Escape cancels.
TEST(EditNodeDialog, ConvertsChecksAndCancels) {
  CEditNodesDlg dlg;
  dlg.m_bRadians = 1;
  dlg.m_dFrequency = 3;
  dlg.m_dInertia = 2;
  double hertz = 0, back = 0;
  std::string prompt;
  QxTest::ShownBoxScript boxes;
  QxTest::DialogScript script({[&](CDialog& d) {
    Toggle(d, IDC_RADIANS);
    hertz = std::stod(Text(d, IDC_NODE_FREQUENCY));
    QxTest::PressKey(VK_SPACE);
    back = std::stod(Text(d, IDC_NODE_FREQUENCY));
    TypeOver(d, IDC_NODE_INERTIA, "-1");
    QxTest::PressKey(VK_RETURN);
    QxTest::PressKey(VK_ESCAPE);
  }});
  EXPECT_EQ(dlg.DoModal(), IDCANCEL);
  EXPECT_NEAR(hertz, 3 / (4 * std::asin(1.0)), 1e-15);
  EXPECT_NEAR(back, 3, 1e-14);
  ASSERT_EQ(boxes.Boxes().size(), 1u);
  EXPECT_EQ(boxes.Boxes()[0].text, "Please enter a number between 0 and 1e+300.");
}

TEST(FreqDialogTemplates, HoldTheirControlsInsideTheDialog) {
  const struct {
    UINT id;
    std::vector<UINT> controls;
  } rows[] = {{IDD_EDITNODE, {1063, 1064, 1065, 1066, IDOK}},
              {IDD_FREQPROPERTIES, {1070, 1073, 1079, 1080, 1081, 1082, 1066, IDOK}}};
  for (const auto& row : rows) {
    const QxDialogTemplate* t = QxFindDialogTemplate(row.id);
    ASSERT_NE(t, nullptr);
    std::vector<UINT> ids;
    for (const QxDialogItem& item : t->items) {
      EXPECT_EQ(t->rect | item.rect, t->rect) << item.id;
      if (item.id != 0xFFFF) ids.push_back(item.id);
    }
    std::sort(ids.begin(), ids.end());
    std::vector<UINT> expected = row.controls;
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(ids, expected);
  }
}

}  // namespace
