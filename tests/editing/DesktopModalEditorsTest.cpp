// The editing dialogs opened from the "ProcessView" bar with several designs
// open, through the window system's queue: whatever opened a dialog and
// however it ended, the design that was active stays active, its view gets
// the keyboard back and the next choice on the bar changes that design
// alone. And quick clicks, or the Edit menu beside the bar, never open a
// second editing dialog for one design, whose OK would put back older
// copies. Runs on the headless platform and again on a real window system.
#include "tests/editing/EditingDialogsTestSupport.h"
#include "tests/support/DesktopInput.h"

#include "MainFrm.h"

#include <QMainWindow>

#include <string>
#include <vector>

namespace {

using namespace dlgtest;
using pvtest::Text;

class DesktopModalEditors : public EditingDialogs {
 protected:
  void SetUp() override {
    EditingDialogs::SetUp();
    if (qxtest::OnRealWindowSystem()) {
      ASSERT_TRUE(QTest::qWaitForWindowExposed(Frame()->QxMainWindow()->windowHandle(),
                                               qxtest::kXEventBoundMs));
    }
  }
  // Three designs, the last one active.
  std::vector<CQorexDoc*> ThreeDesigns() {
    std::vector<CQorexDoc*> docs{Doc()};
    for (int i = 0; i < 2; ++i) {
      Command(ID_FILE_NEW);
      docs.push_back(Doc());
    }
    return docs;
  }
  CString Title() const {
    CString title;
    Frame()->GetWindowText(title);
    return title;
  }
  // A click as the user makes it, at a point of the bar.
  void SystemClick(CPoint bar) { qxtest::SystemClick(Bar().GetWidget(), QPoint(bar.x, bar.y)); }
  // Until the window system has given the frame the keyboard back (at once
  // headless), then until everything that follows from it has happened.
  void Settle() {
    if (qxtest::OnRealWindowSystem()) {
      EXPECT_TRUE(qxtest::WaitForFocusWindow(Frame()->GetWidget()))
          << "the keyboard did not come back to the main window";
    }
    QxTest::PumpUntilIdle();
  }
  static void ClickOk(CDialog& d) {
    CWnd* ok = d.GetDlgItem(IDOK);
    ASSERT_NE(ok, nullptr);
    CRect r;
    ok->GetClientRect(&r);
    qxtest::SystemClick(ok->GetWidget(), QPoint(r.CenterPoint().x, r.CenterPoint().y));
  }
};

enum class End { kOk, kEscape, kCloseBox };

}  // namespace

TEST_F(DesktopModalEditors, TheActiveDesignStaysActiveWhateverOpenedTheEditorAndEndedIt) {
  const std::vector<CQorexDoc*> docs = ThreeDesigns();
  CQorexDoc* active = docs[2];
  CMDIChildWnd* activeChild = Frame()->MDIGetActive();
  ASSERT_EQ(Title(), "Quorvathine - [Qorex3]");
  const struct {
    const char* name;
    CPoint bar;    // where the click opens it
    UINT command;  // or the Edit menu's command
    End end;
    UINT templateId;
  } rows[] = {
      {"K block, OK", BlockCentre(kModelK), 0, End::kOk, IDD_EDITMODELS},
      {"K block, Escape", BlockCentre(kModelK), 0, End::kEscape, IDD_EDITMODELS},
      {"F block, close box", BlockCentre(kModelF), 0, End::kCloseBox, IDD_EDITMODELS},
      {"P block, Escape", BlockCentre(kModelP), 0, End::kEscape, IDD_EDITMODELS},
      {"command signal, Escape", SourceCentre(0), 0, End::kEscape, IDD_EDITSIGNALS},
      {"noise, OK", SourceCentre(3), 0, End::kOk, IDD_EDITSIGNALS},
      {"output disturbance, close box", SourceCentre(2), 0, End::kCloseBox, IDD_EDITSIGNALS},
      {"Edit menu, Escape", {}, ID_EDIT_MODELS, End::kEscape, IDD_EDITMODELS},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    Frame()->MDIActivate(activeChild);
    View()->SetFocus();
    QxTest::PumpUntilIdle();
    ASSERT_EQ(Doc(), active);
    CQorexDoc* shown = nullptr;
    QxTest::DialogScript script({[&](CDialog& d) {
      shown = dynamic_cast<CEditModels*>(&d) ? dynamic_cast<CEditModels&>(d).m_pDoc
                                             : dynamic_cast<CEditSignals&>(d).m_pDoc;
      EXPECT_TRUE(qxtest::WaitForFocusWindow(d.GetWidget())) << "the editor never got the keyboard";
      switch (row.end) {
        case End::kOk:
          ClickOk(d);
          break;
        case End::kEscape:
          // From the list: the formula editor keeps Escape for itself.
          d.GetDlgItem(row.templateId == IDD_EDITMODELS ? IDC_MODEL : IDC_SIGNAL)->SetFocus();
          qxtest::TypedKey(Qt::Key_Escape);
          break;
        case End::kCloseBox:
          Close(d);
          break;
      }
    }});
    if (row.command) {
      Frame()->SendMessage(WM_COMMAND, row.command);
    } else {
      SystemClick(row.bar);
    }
    Settle();
    ASSERT_EQ(script.Dialogs().size(), 1u);
    EXPECT_EQ(script.Dialogs()[0].templateId, row.templateId);
    EXPECT_FALSE(script.Dialogs()[0].endedByScript);
    EXPECT_EQ(script.Dialogs()[0].result, row.end == End::kOk ? IDOK : IDCANCEL);
    EXPECT_EQ(shown, active);
    EXPECT_EQ(Doc(), active);
    EXPECT_EQ(Title(), "Quorvathine - [Qorex3]");
    EXPECT_EQ(Bar().m_pDoc, active);
    EXPECT_EQ(QxTest::Focus(), View());
  }

  // The next choice on the bar: the active design's Process becomes 0, the
  // others keep theirs.
  PickElement(kModelG, 0, 0, 1);
  EXPECT_EQ(ModelText(kModelG), "0");
  for (CQorexDoc* other : {docs[0], docs[1]})
    EXPECT_EQ(Text(other->m_models.GetAt(kModelG)->m_children[1]), "{1}/{(s + 1)}");
}

// A choice made on the picture of a design that is not the focused view's
// (another design was recalculated meanwhile) lands on the design shown.
TEST_F(DesktopModalEditors, AChoiceLandsOnTheDesignTheBarShows) {
  const std::vector<CQorexDoc*> docs = ThreeDesigns();
  View()->SetFocus();
  QxTest::PumpUntilIdle();
  docs[0]->UpdateAll();
  ASSERT_EQ(Bar().m_pDoc, docs[0]);
  PickElement(kModelG, 0, 0, 1);
  EXPECT_EQ(Text(docs[0]->m_models.GetAt(kModelG)->m_children[1]), "0");
  for (CQorexDoc* other : {docs[1], docs[2]})
    EXPECT_EQ(Text(other->m_models.GetAt(kModelG)->m_children[1]), "{1}/{(s + 1)}");
}

// Six clicks on a block 60 ms apart: one "Edit Models"; the edit typed into it
// is what its OK leaves, with no other dialog's older copies put back.
TEST_F(DesktopModalEditors, QuickClicksOnABlockOpenOneEditorWhoseOkKeepsItsEdit) {
  int open = 0;
  int deepest = 0;
  std::vector<QxTest::DialogAction> actions;
  for (int n = 0; n < 6; ++n) {
    actions.push_back([&, n](CDialog& d) {
      deepest = std::max(deepest, ++open);
      if (n == 0) {
        for (int click = 1; click < 6; ++click) {
          QTest::qWait(60);  // the spacing of the user's clicks, not a wait for anything
          SystemClick(BlockCentre(kModelG));
        }
      }
      EXPECT_TRUE(qxtest::WaitForFocusWindow(d.GetWidget())) << "the editor never got the keyboard";
      TypeTwoOverSPlusThree(dynamic_cast<CEditModels&>(d).m_wndEditor);
      ClickOk(d);
      --open;
    });
  }
  QxTest::DialogScript script(actions);
  SystemClick(BlockCentre(kModelG));
  Settle();
  EXPECT_EQ(script.Dialogs().size(), 1u);
  EXPECT_EQ(deepest, 1);
  EXPECT_EQ(ModelText(kModelG), "{2}/{(s + 3)}");
  // Closed, the bar opens it again.
  QxTest::DialogScript again({[&](CDialog&) {}});
  SystemClick(BlockCentre(kModelG));
  Settle();
  EXPECT_EQ(again.Dialogs().size(), 1u);
}

// While one editing dialog of the design is open, neither the Edit menu nor
// a click on the bar opens another, and the bar's pickers do not open to
// change the design under it.
TEST_F(DesktopModalEditors, TheEditMenuBesideABarClickOpensNoSecondEditor) {
  const struct {
    const char* name;
    UINT command;  // opens the first dialog, else a click on the bar
    CPoint bar;
    UINT otherCommand;
  } rows[] = {
      {"Edit Models, then the bar's G", ID_EDIT_MODELS, {}, ID_EDIT_SIGNALS},
      {"the bar's command signal, then Edit Models", 0, SourceCentre(0), ID_EDIT_MODELS},
      {"the bar's K, then Edit Models", 0, BlockCentre(kModelK), ID_EDIT_MODELS},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    bool popupOpened = false;
    std::vector<QxTest::DialogAction> actions(3, [&](CDialog& d) {
      Frame()->SendMessage(WM_COMMAND, row.otherCommand);
      SystemClick(BlockCentre(kModelG));
      SystemClick(SourceCentre(1));
      // A press on a block and a release on its element's zero.
      Press(BlockCentre(kModelG));
      popupOpened = popupOpened || IsWindow(Bar().m_wndElementPopup.GetSafeHwnd());
      Release(BlockCentre(kModelG));
      QxTest::PumpEvents();
      Close(d);
    });
    QxTest::DialogScript script(actions);
    if (row.command) {
      Command(row.command);
    } else {
      SystemClick(row.bar);
    }
    Settle();
    EXPECT_EQ(script.Dialogs().size(), 1u);
    EXPECT_FALSE(popupOpened);
    EXPECT_EQ(ModelText(kModelG), "{1}/{(s + 1)}");
    EXPECT_EQ(CWnd::GetCapture(), nullptr);
  }
}
