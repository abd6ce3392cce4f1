// A value typed into the floating "Variables" bar and left there, then another
// design shown with Alt+W and its number, as the user does it: the value is
// the design's it was typed for, and a click on the run spot runs the design
// the window shows.
#include "tests/editing/DesktopFocusSupport.h"

#include "platform/core/MessageBox.h"
#include "simulation/SIMsystem.h"
#include "tests/support/InstantCompanion.h"

#include <QMenu>

#include <string>
#include <utility>
#include <vector>

namespace {

using namespace dlgtest;

// The run spot of the "ProcessView" bar, in its client coordinates.
const QPoint kRunSpot(18, 73);

class DesktopModalPendingEdit : public DesktopFocusFixture {
 protected:
  CVarBar& Vars() const { return Frame()->m_wndVarbar; }
  // The keys in the main window as the user puts them there, by a click on
  // its caption (the window manager need not have given it them as it showed).
  void KeysToTheMainWindow() {
    qxtest::XClickCaption(Main());
    ASSERT_TRUE(KeyboardIn(Main())) << "the main window never got the keyboard";
  }
  // Alt+W, then the design's number, each once the program has acted on the
  // key before (the menu is open, then the design is shown).
  void ShowByWindowMenu(CQorexDoc* doc, const char* number) {
    qxtest::XKeys("alt+w");
    ASSERT_TRUE(QTest::qWaitFor(
        [] { return qobject_cast<QMenu*>(QApplication::activePopupWidget()); }, kEventBoundMs))
        << "the Window menu did not open";
    qxtest::XKeys(number);
    ASSERT_TRUE(QTest::qWaitFor([&] { return !QApplication::activePopupWidget() && Doc() == doc; },
                                kEventBoundMs))
        << "the design was not shown";
    QxTest::PumpUntilIdle();
  }
  // The value field's text replaced by typed, the keyboard left there.
  void TypeIntoTheValueField(const char* typed) {
    Click(ValueField());
    ASSERT_TRUE(KeyboardIn(ValueField()));
    CWnd* field = Vars().GetDlgItem(IDC_VALUE);
    ASSERT_EQ(FocusFollowed(field), field) << "the clicked value field did not take the keyboard";
    qxtest::XKeys("ctrl+a");
    qxtest::XType(typed);
    CString text;
    ASSERT_TRUE(QTest::qWaitFor(
        [&] {
          field->GetWindowText(text);
          return text == typed;
        },
        kEventBoundMs))
        << "the typed value never reached the field, which holds \"" << text.GetString() << '"';
  }
  // A click into the middle of the design's view, from wherever the
  // keyboard is.
  void ShowByClick(CQorexDoc* doc) {
    POSITION pos = doc->GetFirstViewPosition();
    QWidget* view = doc->GetNextView(pos)->GetWidget();
    qxtest::XClick(view, view->rect().center());
    ASSERT_TRUE(QTest::qWaitFor([&] { return Doc() == doc; }, kEventBoundMs))
        << "the design was not shown";
    QxTest::PumpUntilIdle();
  }
  // The window, its caption and every bar show doc.
  bool Shows(const CQorexDoc* doc, const char* caption) const {
    return Doc() == doc && Title() == caption && Vars().m_pDoc == doc && Bar().m_pDoc == doc &&
           SimulationViewDesign() == doc;
  }
  std::string Who() const {
    std::string who = Title().GetString();
    who += ", the window's";
    for (const CQorexDoc* doc : {Doc(), Vars().m_pDoc, Bar().m_pDoc, SimulationViewDesign()}) {
      who += ' ';
      who += doc ? doc->GetTitle().GetString() : "none";
    }
    return who;
  }
  // The first and last character an edit has selected.
  static std::pair<int, int> Selection(CWnd* edit) {
    DWORD start = 0, end = 0;
    edit->SendMessage(EM_GETSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end));
    return {static_cast<int>(start), static_cast<int>(end)};
  }
  static double Value(const CQorexDoc* doc, int user) {
    double value, minimum, maximum;
    doc->m_vars.Get(user, &value, &minimum, &maximum);
    return value;
  }
};

TEST_F(DesktopModalPendingEdit, AValueLeftTypedGoesToItsDesignAndTheRunSpotRunsTheShownOne) {
  PickElement(kModelK, 0, 0, 3);  // a fresh variable of value 1
  QxTest::PumpUntilIdle();
  ASSERT_GE(Vars().m_wndList.GetCurSel(), 0);
  const int user = static_cast<int>(Vars().m_wndList.GetItemData(Vars().m_wndList.GetCurSel()));
  const std::vector<CQorexDoc*> docs = ThreeTiledDesigns();
  KeysToTheMainWindow();
  ShowByWindowMenu(docs[0], "1");
  ASSERT_EQ(Vars().m_pDoc, docs[0]);

  TypeIntoTheValueField("2.5");
  ShowByWindowMenu(docs[1], "2");
  EXPECT_EQ(Value(docs[0], user), 2.5);
  EXPECT_EQ(Vars().m_pDoc, docs[1]);
  EXPECT_EQ(SimulationViewDesign(), docs[1]);

  qxtest::InstantCompanion companion;
  qxtest::XClick(Bar().GetWidget(), kRunSpot);
  ASSERT_TRUE(QTest::qWaitFor([] { return g_pSimDoc.load() != nullptr; }, kEventBoundMs))
      << "the click on the run spot ran nothing";
  EXPECT_EQ(g_pSimDoc.load(), docs[1]);
  g_pSimulator.load()->StopRealtime();
  QxTest::PumpUntilIdle();
}

// Text that is no number, left typed: its box comes while the window, its
// caption and every bar show the design it was typed for, or once they all
// show the design the Window menu or a click chose, never between; from the
// bar floating or docked.
TEST_F(DesktopModalPendingEdit, TheBoxAboutTextLeftTypedComesOnceTheDesignIsShown) {
  PickElement(kModelK, 0, 0, 3);
  QxTest::PumpUntilIdle();
  const std::vector<CQorexDoc*> docs = ThreeTiledDesigns();
  KeysToTheMainWindow();
  const struct {
    const char* name;
    bool byClick;
    bool docked;
  } rows[] = {{"the Window menu", false, false},
              {"a click into the design", true, false},
              {"the Window menu, the bar docked", false, true},
              {"a click into the design, the bar docked", true, true}};
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    const bool byClick = row.byClick;
    if (row.docked && Vars().IsFloating()) {
      Frame()->DockControlBar(&Vars(), AFX_IDW_DOCKBAR_LEFT);
      QxTest::PumpUntilIdle();
    }
    ShowByWindowMenu(docs[0], "1");
    TypeIntoTheValueField("abc");
    std::vector<std::string> boxes;
    const QxMessageBoxHandler previous =
        QxSetMessageBoxHandler([&](HWND, LPCSTR text, LPCSTR, UINT) {
          boxes.push_back(std::string(text) + (Shows(docs[0], "Quorvathine - Qorex1") ||
                                                       Shows(docs[1], "Quorvathine - Qorex2")
                                                   ? ""
                                                   : " half turned: " + Who()));
          return IDOK;
        });
    if (byClick)
      ShowByClick(docs[1]);
    else
      ShowByWindowMenu(docs[1], "2");
    QxSetMessageBoxHandler(previous);
    EXPECT_EQ(boxes, std::vector<std::string>{"Please enter a number."});
  }
}

// Text that is no number left in the floating bar's value field, then a click
// into another design, the pointer moved there first or moved and pressed at
// once: "Please enter a number." is said once, and once it is answered the
// keys are in the field that refused the text, which holds it selected, so
// that what is typed next replaces it; whatever passes the keyboard makes
// through the main window on its way back, and whenever the click reaches
// the program. The toolkit drops the selection of an edit whose window is
// activated and at once left for another (the window manager giving the keys
// to the box's owner after the program gave them to the bar): the text is
// selected again as the keys come back.
TEST_F(DesktopModalPendingEdit, AfterTheBoxAboutTextLeftTypedTheKeysAreInTheFieldThatRefusedIt) {
  PickElement(kModelK, 0, 0, 3);
  QxTest::PumpUntilIdle();
  const std::vector<CQorexDoc*> docs = ThreeTiledDesigns();
  KeysToTheMainWindow();
  ASSERT_TRUE(Vars().IsFloating());
  ShowByWindowMenu(docs[0], "1");
  CWnd* field = Vars().GetDlgItem(IDC_VALUE);
  QWidget* view = ViewOf(docs[1]);
  for (const bool atOnce : {false, true}) {
    SCOPED_TRACE(atOnce ? "moved and pressed at once" : "pressed where the pointer came");
    TypeIntoTheValueField("abc");
    QxTest::ClickedBoxScript boxes({IDOK});
    if (atOnce) {
      const QPoint at =
          qxtest::XWindowPosition(view) + qxtest::InWindow(view, view->rect().center());
      qxtest::RunXdotool(
          {"mousemove", QString::number(at.x()), QString::number(at.y()), "click", "1"});
    } else {
      qxtest::XClick(view, view->rect().center());
    }
    ASSERT_TRUE(QTest::qWaitFor([&] { return !boxes.Boxes().empty(); }, kEventBoundMs))
        << "the text was never refused";
    EXPECT_TRUE(KeyboardIn(ValueField())) << "the keys are not back in the bar";
    EXPECT_EQ(FocusFollowed(field), field);
    QxTest::PumpUntilIdle();
    ASSERT_EQ(boxes.Boxes().size(), 1u);
    EXPECT_EQ(boxes.Boxes()[0].text, "Please enter a number.");
    CString refused;
    field->GetWindowText(refused);
    EXPECT_STREQ(refused, "abc");
    EXPECT_EQ(Selection(field), std::make_pair(0, 3)) << "the refused text is not selected";
    qxtest::RunXdotool({"windowfocus", QString::number(Main()->windowHandle()->winId())});
    ASSERT_TRUE(KeyboardIn(Main()));
    // The bar's activation, as its edit hears it while another window has
    // the keys: the toolkit's edit then drops its selection.
    QEvent activated(QEvent::WindowActivate);
    QCoreApplication::sendEvent(ValueField(), &activated);
    QxTest::PumpUntilIdle();
    ASSERT_EQ(Selection(field).first, Selection(field).second) << "the selection stayed";
    qxtest::RunXdotool({"windowfocus", QString::number(qxtest::WindowOf(ValueField())->winId())});
    ASSERT_TRUE(KeyboardIn(ValueField()));
    EXPECT_EQ(FocusFollowed(field), field);
    EXPECT_EQ(Selection(field), std::make_pair(0, 3)) << "the refused text is not selected again";
    qxtest::XType("4");
    CString text;
    EXPECT_TRUE(QTest::qWaitFor(
        [&] {
          field->GetWindowText(text);
          return text != refused;
        },
        kEventBoundMs))
        << "the key typed did not reach the field";
    EXPECT_STREQ(text, "4");
  }
}

}  // namespace
