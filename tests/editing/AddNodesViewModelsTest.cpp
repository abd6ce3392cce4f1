// "Add Nodes" (the frequencies it refuses, the fields it hands back) and
// "View Effective Models" (the effective model shown, in either form).
#include "tests/editing/EditingDialogsTestSupport.h"

#include "editing/AddNodes.h"
#include "editing/ViewModels.h"

#include <memory>

namespace {

using namespace dlgtest;
using pvtest::Text;

TEST_F(EditingDialogs, AddNodesRefusesAStartNotAboveZeroOrNotBelowTheStop) {
  const struct {
    const char *start, *stop;
    const char* message;  // none: accepted
  } rows[] = {
      {"10", "10", "Final value must be greater than initial value"},
      {"100", "10", "Final value must be greater than initial value"},
      {"0", "10", "Initial value must be greater than 0"},
      {"0", "0", "Initial value must be greater than 0"},  // checked first
      {"-1", "10", "Please enter a number between 0 and 1e+300."},
      {"1", "1000", nullptr},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(std::string(row.start) + " to " + row.stop);
    QxTest::ShownBoxScript boxes;
    bool open = false;
    QxTest::DialogScript script({[&](CDialog& d) {
      d.SetDlgItemText(IDC_NODES_START, row.start);
      d.SetDlgItemText(IDC_NODES_STOP, row.stop);
      StepList(d, IDC_NODES_SPACING, 1);
      ClickItem(d, IDOK);
      open = d.ContinueModal();
    }});
    CAddNodes dlg(Frame());
    const INT_PTR result = dlg.DoModal();
    EXPECT_EQ(open, row.message != nullptr);
    ASSERT_EQ(boxes.Boxes().size(), row.message ? 1u : 0u);
    if (row.message) {
      EXPECT_EQ(boxes.Boxes()[0].text, row.message);
      if (boxes.Boxes()[0].text[0] != 'P') {
        EXPECT_EQ(boxes.Boxes()[0].caption, "Error");
        EXPECT_EQ(boxes.Boxes()[0].type, UINT(MB_OK));
      }
      continue;
    }
    EXPECT_EQ(result, IDOK);
    EXPECT_EQ(dlg.m_dStart, 1.0);
    EXPECT_EQ(dlg.m_dStop, 1000.0);
    EXPECT_EQ(dlg.m_nSpacing, 1);
    EXPECT_TRUE(dlg.m_bRadians);
    EXPECT_TRUE(dlg.m_bShowLabels);
  }
}

TEST_F(EditingDialogs, AddNodesShowsItsDefaultsAndItsInertiaStepsWholeNumbers) {
  std::vector<std::string> texts;
  QxTest::DialogScript script({[&](CDialog& d) {
    for (int id : {IDC_NODES_START, IDC_NODES_STOP, IDC_NODES_INERTIA}) {
      CString t;
      d.GetDlgItemText(id, t);
      texts.push_back(t.GetString());
    }
    // The never-ranged up-down runs from 100 down to 0: its down arrow raises.
    static_cast<CSpinButtonCtrl*>(d.GetDlgItem(IDC_NODES_INERTIA_SPIN))->QxStep(-1);
    static_cast<CSpinButtonCtrl*>(d.GetDlgItem(IDC_NODES_INERTIA_SPIN))->QxStep(-1);
    ClickItem(d, IDOK);
  }});
  CAddNodes dlg(Frame());
  EXPECT_EQ(dlg.DoModal(), IDOK);
  EXPECT_EQ(texts, (std::vector<std::string>{"0.01", "1000", "0"}));
  EXPECT_EQ(dlg.m_dInertia, 2.0);
}

TEST_F(EditingDialogs, ViewEffectiveModelsShowsEitherFormAndMovesBothLists) {
  // The forms as the loop writes them.
  auto list = [] { return std::make_unique<CMcGroup>(nullptr, "", 0); };
  auto poly = list(), factored = list();
  Doc()->m_system.ToExpressions(poly.get(), factored.get());
  ASSERT_EQ(poly->m_count, 11);
  std::vector<std::string> shown;
  std::string entry;
  bool ticked = false;
  const Bytes before = Record(*Doc());
  QxTest::DialogScript script({[&](CDialog& d) {
    auto& dlg = dynamic_cast<CViewModels&>(d);
    auto show = [&] { shown.push_back(Text(dlg.m_wndEditor.GetShownExpression())); };
    CString text;
    static_cast<CComboBox*>(d.GetDlgItem(IDC_VIEW_MODEL))->GetLBText(9, text);
    entry = text.GetString();
    EXPECT_EQ(static_cast<CComboBox*>(d.GetDlgItem(IDC_VIEW_MODEL))->GetCurSel(), 9);
    ticked = Checked(d, IDC_VIEW_POLYNOMIAL);
    show();
    ClickItem(d, IDC_VIEW_POLYNOMIAL);
    show();
    StepList(d, IDC_VIEW_MODEL, -7);  // "G  Process"
    show();
    ClickItem(d, IDC_VIEW_POLYNOMIAL);
    show();
    EXPECT_EQ(dlg.m_wndEditor.m_pList2->m_current, 2);
    ClickItem(d, IDOK);
  }});
  Command(ID_EFFECTIVE_MODELS);
  ASSERT_EQ(script.Dialogs().size(), 1u);
  EXPECT_EQ(script.Dialogs()[0].templateId, UINT(IDD_VIEWMODELS));
  EXPECT_EQ(entry, "|I+FLGK|=0  Pole Characteristic ");
  EXPECT_TRUE(ticked);
  const std::vector<std::string> expected = {
      Text(poly->m_children[9]), Text(factored->m_children[9]), Text(factored->m_children[2]),
      Text(poly->m_children[2])};
  EXPECT_EQ(shown, expected);
  EXPECT_NE(expected[0], expected[1]);
  EXPECT_EQ(Record(*Doc()), before);
  EXPECT_FALSE(Doc()->IsModified());
}

}  // namespace
