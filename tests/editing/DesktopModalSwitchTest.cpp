// The keyboard across a switch of the shown design by the Window menu, and
// keys typed while a dialog is still opening: what the user typed must reach
// the window the window system shows with the keyboard, never vanish.
#include "tests/editing/DesktopFocusSupport.h"

#include <QMenu>

#include <vector>

namespace {

using namespace dlgtest;

class DesktopModalSwitch : public DesktopFocusFixture {
 protected:
  // Alt+W, then the design's number, each once the program has acted on the
  // key before (the menu is open, then the design is shown).
  void ShowByWindowMenu(CQorexDoc* doc, const char* number) {
    qxtest::XKeys("alt+w");
    ASSERT_TRUE(
        QTest::qWaitFor([] { return qobject_cast<QMenu*>(QApplication::activePopupWidget()); },
                        qxtest::kXEventBoundMs))
        << "the Window menu did not open";
    qxtest::XKeys(number);
    ASSERT_TRUE(QTest::qWaitFor([&] { return !QApplication::activePopupWidget() && Doc() == doc; },
                                qxtest::kXEventBoundMs))
        << "the design was not shown";
    QxTest::PumpUntilIdle();
  }
};

// Typing a comment into the floating bar, then Alt+W and a design's number:
// the keyboard stays in the bar, which now shows that design, and what is
// typed next is that design's comment.
TEST_F(DesktopModalSwitch, TextTypedAfterTheWindowMenuReachesTheShownDesignsComment) {
  const std::vector<CQorexDoc*> docs = ThreeTiledDesigns();
  ShowComments();
  Click(CommentEdit());
  ASSERT_TRUE(KeyboardIn(CommentEdit()));
  qxtest::XType("one");
  ASSERT_EQ(docs[2]->m_strComment, "one");
  const struct {
    CQorexDoc* doc;
    const char* number;
    const char* typed;
    const char* title;
  } rows[] = {{docs[1], "2", "two", "Quorvathine - Qorex2"},
              {docs[0], "1", "first", "Quorvathine - Qorex1"},
              {docs[1], "2", " again", "Quorvathine - Qorex2"}};
  for (const auto& row : rows) {
    SCOPED_TRACE(row.title);
    ShowByWindowMenu(row.doc, row.number);
    EXPECT_EQ(Title(), row.title);
    EXPECT_TRUE(KeyboardIn(CommentEdit()));
    EXPECT_EQ(QxTest::Focus(), Frame()->m_wndCommentBar.GetDlgItem(IDC_COMMENT));
    qxtest::XKeys("ctrl+End");  // the bar shows the design's comment from its start
    qxtest::XType(row.typed);
  }
  EXPECT_EQ(docs[0]->m_strComment, "first");
  EXPECT_EQ(docs[1]->m_strComment, "two again");
  EXPECT_EQ(docs[2]->m_strComment, "one");
}

// Keys typed at once after a double click on a block, before the window
// manager has moved its focus to the dialog that the double click opens: they
// are the dialog's (Escape closes it).
TEST_F(DesktopModalSwitch, KeysTypedWhileADialogOpensReachIt) {
  const struct {
    const char* name;
    CPoint at;
    int delayMs;
  } rows[] = {{"K", BlockCentre(kModelK), 100},
              {"the command signal", SourceCentre(0), 60},
              {"P", BlockCentre(kModelP), 150}};
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    QxTest::DialogScript script({[&](CDialog& d) {
      // Escape is on its way already: the script only waits for it.
      (void)QTest::qWaitFor([&] { return !d.ContinueModal(); }, qxtest::kXEventBoundMs);
    }});
    const QPoint at = Bar().GetWidget()->mapToGlobal(QPoint(row.at.x, row.at.y));
    // One command, so that the program reads the keys only after the clicks.
    qxtest::RunXdotool({"mousemove", QString::number(at.x()), QString::number(at.y()), "click",
                        "--repeat", "2", "--delay", QString::number(row.delayMs), "1", "key",
                        "Escape"});
    ASSERT_TRUE(QTest::qWaitFor([&] { return !script.Dialogs().empty(); }, qxtest::kXEventBoundMs));
    QxTest::PumpUntilIdle();
    ASSERT_EQ(script.Dialogs().size(), 1u);
    EXPECT_FALSE(script.Dialogs()[0].endedByScript) << "Escape did not reach the dialog";
    EXPECT_EQ(script.Dialogs()[0].result, IDCANCEL);
    // The next row's keys go where the window manager has the focus: it is
    // done with this closing once the keyboard is back in the main window.
    EXPECT_TRUE(KeyboardIn(Main())) << "the keyboard did not come back from the closed dialog";
  }
}

}  // namespace
