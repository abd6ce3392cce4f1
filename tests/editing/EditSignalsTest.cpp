// "Edit Signals" in the started program: the "Show signal" flag as the
// signal list moves, a signal that resizes the loop, and a refused signal.
#include "tests/editing/EditingDialogsTestSupport.h"

#include "editing/ModelBuilders.h"
#include "tests/support/TreeBuilders.h"

namespace {

using namespace dlgtest;
using namespace qxtest::trees;
using pvtest::Text;

TEST_F(EditingDialogs, ShowSignalHidesFromSignalFourOnAndComesBackWithTheStoredFlag) {
  ASSERT_EQ(Doc()->m_system.m_c.m_wFlags & kSignalShown, kSignalShown);
  std::vector<bool> visible, ticked;
  auto look = [&](CDialog& d) {
    visible.push_back(Visible(d, IDC_SIGNAL_SHOW));
    ticked.push_back(Checked(d, IDC_SIGNAL_SHOW));
  };
  QxTest::DialogScript script({[&](CDialog& d) {
    look(d);
    ClickItem(d, IDC_SIGNAL_SHOW);  // the setpoint: not shown
    StepList(d, IDC_SIGNAL, 8);     // "Realtime error weight"
    look(d);
    StepList(d, IDC_SIGNAL, -8);
    look(d);
    Close(d);
  }});
  Command(ID_EDIT_SIGNALS);
  EXPECT_EQ(visible, (std::vector<bool>{true, false, true}));
  EXPECT_EQ(ticked, (std::vector<bool>{true, false, false}));
  EXPECT_EQ(Doc()->m_system.m_c.m_wFlags, 0);
  EXPECT_TRUE(Doc()->IsModified());
}

TEST_F(EditingDialogs, ASignalThatResizesTheLoopWritesTheResizedModelsBack) {
  // A two-channel setpoint in the library.
  Doc()->m_signalLibrary.Add(new CMcEquality(Fn("c", Time()), Matrix(1, {Real(1), Real(2)}), 0));
  const CMcBasic* prefilter = Doc()->m_models.GetAt(kModelP);
  QxTest::DialogScript script({
      [&](CDialog& d) {
        ClickItem(d, IDC_CHOOSE);
        ClickItem(d, IDOK);
      },
      [&](CDialog& d) {
        static_cast<CListBox*>(d.GetDlgItem(IDC_CHOOSE_LIST))->SetCurSel(0);
        ClickItem(d, IDOK);
      },
  });
  Command(ID_EDIT_SIGNALS);
  ASSERT_EQ(script.Dialogs()[0].result, IDOK);
  EXPECT_EQ(SignalText(kSigC), "[1; 2]");
  // The pre-filter takes the setpoint's two channels as its columns.
  int rows = 0, cols = 0;
  DefinitionSize(Doc()->m_models.GetAt(kModelP), &rows, &cols);
  EXPECT_EQ(cols, 2);
  EXPECT_NE(Doc()->m_models.GetAt(kModelP), prefilter);
  EXPECT_EQ(Doc()->m_system.m_c.m_nRows, 2);
}

TEST_F(EditingDialogs, ASignalThatIsNoDefinitionIsRefusedAtOk) {
  Doc()->m_signalLibrary.Add(new CMcEquality(Real(2), Real(1), 0));
  const Bytes before = Record(*Doc());
  QxTest::ShownBoxScript boxes;
  QxTest::DialogScript script({
      [&](CDialog& d) {
        ClickItem(d, IDC_CHOOSE);
        ClickItem(d, IDOK);
        EXPECT_TRUE(d.ContinueModal());
        Close(d);
      },
      [&](CDialog& d) {
        static_cast<CListBox*>(d.GetDlgItem(IDC_CHOOSE_LIST))->SetCurSel(0);
        ClickItem(d, IDOK);
      },
  });
  Command(ID_EDIT_SIGNALS);
  ASSERT_EQ(boxes.Boxes().size(), 1u);
  EXPECT_EQ(boxes.Boxes()[0].text,
            "At least one of the models you have edited\ncannot be accepted as valid.");
  EXPECT_EQ(boxes.Boxes()[0].caption, "Error");
  EXPECT_EQ(boxes.Boxes()[0].type, UINT(MB_OK | MB_ICONEXCLAMATION));
  EXPECT_EQ(Record(*Doc()), before);
}

}  // namespace
