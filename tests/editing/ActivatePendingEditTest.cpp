// A value left pending in the "Variables" bar while another design is
// activated by the road the Window menu takes: the value goes to the design
// it was typed for, and then every bar, the status line and the spots act on
// the activated design, with no box ever shown over a half-turned screen.
#include "tests/editing/EditingDialogsTestSupport.h"
#include "tests/support/BarsShown.h"

#include "GlobalResources.h"
#include "MainFrm.h"
#include "editing/VarBar.h"
#include "platform/core/MessageBox.h"
#include "res/resource.h"

#include <QApplication>
#include <QMainWindow>
#include <QMdiArea>
#include <QScopeGuard>
#include <QWidget>

#include <functional>
#include <string>
#include <utility>
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
    // The bar's window is the active one, as after a click into it: from a
    // floating bar the keyboard stays there while the Window menu shows
    // another design; from a docked one it goes on to that design's view.
    QWidget* window = ValueField()->GetWidget()->window();
    ASSERT_EQ(window != Frame()->QxMainWindow(), m_floating);
    window->activateWindow();
    ValueField()->SetFocus();
    QxTest::PumpUntilIdle();
    ASSERT_EQ(QApplication::activeWindow(), window);
    ValueField()->SetWindowText(text);
    ASSERT_EQ(CWnd::GetFocus(), ValueField());
  }
  // Who shows or acts on which design; "" when all act on doc.
  std::string Strays(const CQorexDoc* doc) const {
    CString caption;
    Frame()->GetWindowText(caption);
    // Plain, or in brackets while the design's window is maximised.
    const bool named = caption == "Quorvathine - " + doc->GetTitle() ||
                       caption == "Quorvathine - [" + doc->GetTitle() + "]";
    return qxtest::NotShowing(
        *Frame(), doc, {{"the active window", Doc()}, {"the caption", named ? doc : nullptr}});
  }
  double Value() const {
    double value, minimum, maximum;
    m_docs[0]->m_vars.Get(m_user, &value, &minimum, &maximum);
    return value;
  }

  // The second design activated by the two roads of the Window menu (its
  // numbered command, and the frame's activation it ends in), from the bar
  // floating, then docked: check after each.
  void ForEachRoad(const std::function<void()>& check) {
    const struct {
      const char* name;
      std::function<void(CMainFrame*, CMDIChildWnd*)> activate;
    } roads[] = {
        {"the Window menu's second entry",
         [](CMainFrame* frame, CMDIChildWnd*) {
           frame->SendMessage(WM_COMMAND, AFX_IDM_FIRST_MDICHILD + 1);
         }},
        {"the frame's activation",
         [](CMainFrame* frame, CMDIChildWnd* child) { frame->MDIActivate(child); }},
        {"a click into the design's view",
         [](CMainFrame*, CMDIChildWnd* child) {
           QxTest::Click(child->GetActiveView(), CPoint(5, 5));
         }},
    };
    for (const bool floating : {true, false}) {
      PlaceVars(floating);
      for (const auto& road : roads) {
        SCOPED_TRACE(std::string(road.name) + (floating ? ", floating" : ", docked"));
        m_activate = [this, &road] { road.activate(Frame(), ChildOf(m_docs[1])); };
        check();
      }
    }
  }
  void ActivateTheSecondDesign() { m_activate(); }
  // The Variables bar floating as the program starts it, or docked on the left.
  void PlaceVars(bool floating) {
    m_floating = floating;
    if (floating) return;
    Frame()->DockControlBar(&Vars(), AFX_IDW_DOCKBAR_LEFT);
    QxTest::PumpUntilIdle();
  }

  std::vector<CQorexDoc*> m_docs;
  int m_user = -1;
  bool m_floating = true;
  std::function<void()> m_activate;
};

TEST_F(ActivatePendingEdit, TheValueGoesToItsDesignAndEveryBarActsOnTheActivatedOne) {
  // The second text has more digits than the field shows back: read again
  // while the bars turn, it would change the first design once more.
  const char* const typed[] = {"2.5", "0.12345678901234567"};
  ForEachRoad([&] {
    for (const char* text : typed) {
      SCOPED_TRACE(std::string("typed ") + text);
      TypeIntoTheFirstDesign(text);
      ActivateTheSecondDesign();
      EXPECT_EQ(Strays(m_docs[1]), "") << "as the activation returns";
      QxTest::PumpUntilIdle();
      EXPECT_EQ(Strays(m_docs[1]), "");
      EXPECT_EQ(Frame()->m_wndStatusBar.GetPaneText(0), m_docs[1]->LoopStateText());
      EXPECT_EQ(Value(), std::stod(text));
    }
  });
}

// A new design is activated too: the value typed for the one shown before
// stays that design's, and everything acts on the new one.
TEST_F(ActivatePendingEdit, ANewDesignLeavesTheValueToTheDesignItWasTypedFor) {
  ForEachRoad([&] {
    TypeIntoTheFirstDesign("3.5");
    Frame()->SendMessage(WM_COMMAND, ID_FILE_NEW);
    CQorexDoc* made = Doc();
    ASSERT_NE(made, m_docs[0]);
    EXPECT_EQ(Strays(made), "") << "as the command returns";
    QxTest::PumpUntilIdle();
    EXPECT_EQ(Strays(made), "");
    EXPECT_EQ(Value(), 3.5);
    made->OnCloseDocument();
    QxTest::PumpUntilIdle();
  });
}

// Text that is no number: its box comes with every bar still on the design
// it was typed for or with every bar on the activated one, never between.
TEST_F(ActivatePendingEdit, TheBoxAboutTextThatIsNoNumberNeverComesHalfTurned) {
  ForEachRoad([&] {
    TypeIntoTheFirstDesign("2.5");
    ActivateTheSecondDesign();
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
    ActivateTheSecondDesign();
    QxTest::PumpUntilIdle();
    QxSetMessageBoxHandler(previous);
    EXPECT_EQ(boxes, std::vector<std::string>{"Please enter a number."});
    EXPECT_EQ(Strays(m_docs[1]), "");
    EXPECT_EQ(Value(), 2.5);  // kept from before
  });
}

// File > Close and File > Exit reached by keys from the bar (Alt+F leaves
// the keyboard in its edit): "Save changes?" is asked of the value typed,
// and a design the value alone changed is asked about at all; the value's
// recalculation asks no accuracy question on the way out, though every
// design here would warn. Text that is no number is refused before the
// question, never over it. Cancel keeps everything open.
TEST_F(ActivatePendingEdit, SaveChangesIsAskedOfTheValueTyped) {
  const double tolerance = std::exchange(g_dWatchdogTol, -1.0);
  const auto restore = qScopeGuard([tolerance] { g_dWatchdogTol = tolerance; });
  const struct {
    const char* name;
    UINT command;
    const char* typed;
    bool isNumber;
  } roads[] = {{"File > Close", ID_FILE_CLOSE, "4.5", true},
               {"File > Exit", ID_APP_EXIT, "5.5", true},
               {"File > Close, no number", ID_FILE_CLOSE, "abc", false},
               {"File > Exit, no number", ID_APP_EXIT, "abc", false}};
  for (const bool floating : {true, false}) {
    PlaceVars(floating);
    for (const auto& road : roads) {
      SCOPED_TRACE(std::string(road.name) + (floating ? ", floating" : ", docked"));
      // Text that is no number changes nothing: the design is changed
      // beforehand, so that it is asked about.
      for (CQorexDoc* doc : m_docs) doc->SetModifiedFlag(doc == m_docs[0] && !road.isNumber);
      const std::string kept = std::to_string(Value());
      TypeIntoTheFirstDesign(road.typed);
      const std::string title(m_docs[0]->GetTitle());
      std::vector<std::string> boxes;
      const QxMessageBoxHandler previous =
          QxSetMessageBoxHandler([&](HWND, LPCSTR text, LPCSTR, UINT) {
            boxes.push_back(std::string(text) + " with " + std::to_string(Value()));
            return IDCANCEL;
          });
      Frame()->SendMessage(WM_COMMAND, road.command);
      QxTest::PumpUntilIdle();
      QxSetMessageBoxHandler(previous);
      ASSERT_EQ(Frame()->QxMdiArea()->subWindowList().size(), 3) << "Cancel keeps every design";
      const std::string question = "Save changes to " + title + "? with ";
      if (road.isNumber)
        EXPECT_EQ(boxes,
                  std::vector<std::string>{question + std::to_string(std::stod(road.typed))});
      else
        EXPECT_EQ(boxes, (std::vector<std::string>{"Please enter a number. with " + kept,
                                                   question + kept}));
    }
  }
}

}  // namespace
