// A value left pending in the "Variables" bar while another design is
// activated by the road the Window menu takes: the value goes to the design
// it was typed for, and then every bar, the status line and the spots act on
// the activated design, with no box ever shown over a half-turned screen.
#include "tests/editing/EditingDialogsTestSupport.h"

#include "MainFrm.h"
#include "editing/VarBar.h"
#include "platform/core/MessageBox.h"
#include "res/resource.h"

#include <QApplication>
#include <QMainWindow>
#include <QWidget>

#include <functional>
#include <string>
#include <vector>

namespace {

class ActivatePendingEdit : public dlgtest::EditingDialogs {
 protected:
  CVarBar& Vars() const { return Frame()->m_wndVarbar; }
  CWnd* ValueField() const { return Vars().GetDlgItem(IDC_VALUE); }
  static CMDIChildWnd* ChildOf(CQorexDoc* doc) {
    POSITION pos = doc->GetFirstViewPosition();
    CView* view = doc->GetNextView(pos);
    return static_cast<CMDIChildWnd*>(view->GetParentFrame());
  }
  // Three designs, the first with a variable of its own; the second's times
  // give no run, so that the status line says something of its own for it.
  void SetUp() override {
    dlgtest::EditingDialogs::SetUp();
    m_docs.push_back(Doc());
    PickElement(kModelK, 0, 0, 3);
    QxTest::PumpUntilIdle();
    ASSERT_GT(Vars().m_wndList.GetCount(), 0);
    m_user = static_cast<int>(Vars().m_wndList.GetItemData(Vars().m_wndList.GetCurSel()));
    for (int i = 0; i < 2; ++i) {
      Command(ID_FILE_NEW);
      m_docs.push_back(Doc());
    }
    m_docs[1]->m_dSamplingTime = -1;
    m_docs[1]->Recalculate();
    ASSERT_FALSE(m_docs[1]->LoopStateText().IsEmpty());
  }
  // The first design shown, the text typed into the value field, and the
  // keyboard left there.
  void TypeIntoTheFirstDesign(const char* text) {
    Frame()->MDIActivate(ChildOf(m_docs[0]));
    QxTest::PumpUntilIdle();
    ASSERT_EQ(Vars().m_pDoc, m_docs[0]);
    // The floating bar's window is the active one, as after a click into
    // it: the keyboard stays there while the Window menu shows another design.
    QWidget* window = ValueField()->GetWidget()->window();
    ASSERT_NE(window, Frame()->QxMainWindow());
    window->activateWindow();
    ValueField()->SetFocus();
    QxTest::PumpUntilIdle();
    ASSERT_EQ(QApplication::activeWindow(), window);
    ValueField()->SetWindowText(text);
    ASSERT_EQ(CWnd::GetFocus(), ValueField());
  }
  // Who shows or acts on which design; "" when all act on doc.
  std::string Strays(const CQorexDoc* doc) const {
    const struct {
      const char* who;
      const CQorexDoc* shows;
    } rows[] = {{"the active window", Doc()},
                {"SimulationView and the status line", SimulationViewDesign()},
                {"ProcessView, its run and tuner spots", Bar().m_pDoc},
                {"Variables", Vars().m_pDoc},
                {"Variables' list", Vars().m_pListedDoc},
                {"Performance Equalizer", Frame()->m_wndEqualizerBar.m_pDoc},
                {"Comments", Frame()->m_wndCommentBar.m_pDoc}};
    std::string strays;
    for (const auto& row : rows)
      if (row.shows != doc) strays += std::string(row.who) + "; ";
    return strays;
  }
  double Value() const {
    double value, minimum, maximum;
    m_docs[0]->m_vars.Get(m_user, &value, &minimum, &maximum);
    return value;
  }

  std::vector<CQorexDoc*> m_docs;
  int m_user = -1;
};

// The two roads of the Window menu: its numbered command, and the frame's
// activation it ends in.
const struct Road {
  const char* name;
  std::function<void(CMainFrame*, CMDIChildWnd*)> activate;
} kRoads[] = {
    {"the Window menu's second entry",
     [](CMainFrame* frame, CMDIChildWnd*) {
       frame->SendMessage(WM_COMMAND, AFX_IDM_FIRST_MDICHILD + 1);
     }},
    {"the frame's activation",
     [](CMainFrame* frame, CMDIChildWnd* child) { frame->MDIActivate(child); }},
};

TEST_F(ActivatePendingEdit, TheValueGoesToItsDesignAndEveryBarActsOnTheActivatedOne) {
  // The second text has more digits than the field shows back: read again
  // while the bars turn, it would change the first design once more.
  const char* const typed[] = {"2.5", "0.12345678901234567"};
  for (const Road& road : kRoads) {
    for (const char* text : typed) {
      SCOPED_TRACE(std::string(road.name) + ", typed " + text);
      TypeIntoTheFirstDesign(text);
      road.activate(Frame(), ChildOf(m_docs[1]));
      EXPECT_EQ(Strays(m_docs[1]), "") << "as the activation returns";
      QxTest::PumpUntilIdle();
      EXPECT_EQ(Strays(m_docs[1]), "");
      EXPECT_EQ(Frame()->m_wndStatusBar.GetPaneText(0), m_docs[1]->LoopStateText());
      EXPECT_EQ(Value(), std::stod(text));
    }
  }
}

// Text that is no number: its box comes with every bar still on the design
// it was typed for or with every bar on the activated one, never between.
TEST_F(ActivatePendingEdit, TheBoxAboutTextThatIsNoNumberNeverComesHalfTurned) {
  for (const Road& road : kRoads) {
    SCOPED_TRACE(road.name);
    TypeIntoTheFirstDesign("2.5");
    road.activate(Frame(), ChildOf(m_docs[1]));
    QxTest::PumpUntilIdle();
    TypeIntoTheFirstDesign("abc");
    std::vector<std::string> boxes;
    const QxMessageBoxHandler previous =
        QxSetMessageBoxHandler([&](HWND, LPCSTR text, LPCSTR, UINT) {
          const std::string before = Strays(m_docs[0]);
          const std::string after = Strays(m_docs[1]);
          boxes.push_back(std::string(text) + (before.empty() || after.empty()
                                                   ? std::string()
                                                   : " over " + before + "| " + after));
          return IDOK;
        });
    road.activate(Frame(), ChildOf(m_docs[1]));
    QxTest::PumpUntilIdle();
    QxSetMessageBoxHandler(previous);
    EXPECT_EQ(boxes, std::vector<std::string>{"Please enter a number."});
    EXPECT_EQ(Strays(m_docs[1]), "");
    EXPECT_EQ(Value(), 2.5);  // kept from before
  }
}

}  // namespace
