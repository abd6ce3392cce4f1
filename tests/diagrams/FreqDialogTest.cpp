// "Frequency Diagram Properties" from the view and "Edit Node" on its own,
// driven by keys: what they show, convert, refuse and store.
#include "diagrams/FreqDialogs.h"
#include "platform/testing/DialogHooks.h"
#include "platform/ui/Controls.h"
#include "platform/ui/DialogTemplate.h"
#include "tests/diagrams/FreqViewTestSupport.h"

#include <string>

namespace {

using namespace qxfreqview;

std::string Text(CDialog& d, int id) {
  CString text;
  d.GetDlgItemText(id, text);
  return text.GetString();
}

// The focus on a control; an edit's text selected, so that typing replaces it.
void Focus(CDialog& d, int id) {
  d.GetDlgItem(id)->SetFocus();
  d.GetDlgItem(id)->SendMessage(EM_SETSEL, 0, -1);
}

// Shown in rad/s, in hertz with Radians off; OK stores rad/s again, bits 0
// and 1 from the boxes, the steps typed, and the design is swept again.
TEST_F(FreqViewTest, PropertiesShowConvertAndStoreTheSweep) {
  std::string shown;
  QxTest::DialogScript script({[&](CDialog& d) {
    for (int id : {IDC_FREQ_STEPS, IDC_FREQ_TICKSTEP, IDC_FREQ_START, IDC_FREQ_STOP})
      shown += Text(d, id) + "|";
    for (int id : {IDC_RADIANS, IDC_FREQ_GERSHGORIN, IDC_FREQ_OSTROWSKI})
      shown += std::to_string(d.IsDlgButtonChecked(id));
    QxTest::TypeText("300");
    Focus(d, IDC_RADIANS);
    QxTest::PressKey(VK_SPACE);
    shown.append("|").append(Text(d, IDC_FREQ_START)).append("|").append(Text(d, IDC_FREQ_STOP));
    Focus(d, IDC_FREQ_OSTROWSKI);
    QxTest::PressKey(VK_SPACE);
    QxTest::PressKey(VK_TAB, MK_SHIFT);  // back to "Gershgorin circles"
    QxTest::PressKey(VK_SPACE);
    QxTest::PressKey(VK_RETURN);
  }});
  g_bFreqFlags = 0x85;
  window->Command(FREQPROPERTIES);
  EXPECT_EQ(shown, "200|5|0.001|1000|110|0.000159154943091895|159.154943091895");
  EXPECT_NEAR(g_dFreqMin, 0.001, 1e-14 * 0.001);
  EXPECT_NEAR(g_dFreqMax, 1000, 1e-14 * 1000);
  EXPECT_EQ(g_bFreqFlags, 0x86);
  EXPECT_EQ(g_nFreqSteps * 10000 + freq().m_nFreqs, 3000300);
  for (UINT id : {IDD_EDITNODE, IDD_FREQPROPERTIES}) {
    const QxDialogTemplate* t = QxFindDialogTemplate(id);
    for (const QxDialogItem& item : t->items) EXPECT_EQ(t->rect | item.rect, t->rect) << item.id;
  }
}

// A refused field keeps the dialog open with the framework's prompt alone;
// start equal to stop gives "Invalid frequency range"; Escape changes
// nothing; Radians after a refused field converts the values last accepted.
TEST_F(FreqViewTest, PropertiesRefuseBadValues) {
  const struct {
    int id;
    const char* text;
    const char* box;
  } rows[] = {{IDC_FREQ_STEPS, "9", "Please enter an integer between 10 and 10000."},
              {IDC_FREQ_STEPS, "10001", "Please enter an integer between 10 and 10000."},
              {IDC_FREQ_TICKSTEP, "0", "Please enter an integer between 1 and 100000."},
              {IDC_FREQ_START, "0", "Please enter a number between 1e-300 and 1e+300."},
              {IDC_FREQ_START, "1000", "Invalid frequency range"},
              {IDC_FREQ_START, "abc", "Please enter a number."}};
  for (const auto& row : rows) {
    std::string state;
    QxTest::ShownBoxScript boxes;
    QxTest::DialogScript script({[&](CDialog& d) {
      Focus(d, row.id);
      QxTest::TypeText(row.text);
      QxTest::PressKey(VK_RETURN);
      state = d.ContinueModal() ? "open" : "closed";
      Focus(d, IDC_RADIANS);
      QxTest::PressKey(VK_SPACE);
      state.append("|").append(Text(d, IDC_FREQ_START));
      QxTest::PressKey(VK_ESCAPE);
    }});
    window->Command(FREQPROPERTIES);
    const char* start = row.box[0] == 'I' ? "|159.154943091895" : "|0.000159154943091895";
    EXPECT_EQ(state, std::string("open") + start) << row.text;
    ASSERT_GE(boxes.Boxes().size(), 1u) << row.text;
    EXPECT_EQ(boxes.Boxes()[0].text + boxes.Boxes()[0].caption,
              std::string(row.box) + (row.box[0] == 'I' ? "Error" : boxes.Boxes()[0].caption));
    EXPECT_EQ(script.Dialogs()[0].result, IDCANCEL);
    EXPECT_EQ(g_nFreqSteps + g_dFreqMin, 200.001);
  }
}

// "Edit Node" on its own: Radians converts the one frequency both ways, the
// inertia's range is checked, Escape cancels.
TEST(EditNodeDialog, ConvertsChecksAndCancels) {
  CEditNodesDlg dlg;
  dlg.m_bRadians = 1;
  dlg.m_dFrequency = 3;
  double hertz = 0, back = 0;
  QxTest::ShownBoxScript boxes;
  QxTest::DialogScript script({[&](CDialog& d) {
    Focus(d, IDC_RADIANS);
    QxTest::PressKey(VK_SPACE);
    hertz = std::stod(Text(d, IDC_NODE_FREQUENCY));
    QxTest::PressKey(VK_SPACE);
    back = std::stod(Text(d, IDC_NODE_FREQUENCY));
    Focus(d, IDC_NODE_INERTIA);
    QxTest::TypeText("-1");
    QxTest::PressKey(VK_RETURN);
    QxTest::PressKey(VK_ESCAPE);
  }});
  EXPECT_EQ(dlg.DoModal(), IDCANCEL);
  EXPECT_NEAR(hertz, 3 / (4 * std::asin(1.0)), 1e-15);
  EXPECT_NEAR(back, 3, 1e-14);
  ASSERT_EQ(boxes.Boxes().size(), 1u);
  EXPECT_EQ(boxes.Boxes()[0].text, "Please enter a number between 0 and 1e+300.");
}

}  // namespace
