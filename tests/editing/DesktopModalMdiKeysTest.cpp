// The document area's keys as the user types them through the X server:
// Ctrl+F6 and Ctrl+Tab show the next design, with Shift the one before, and
// Ctrl+F4 closes the shown one, from the diagram and from a docked bar's edit
// alike; a floating bar keeps them. Needs a real window system and xdotool;
// skipped elsewhere.
#include "tests/editing/DesktopFocusSupport.h"

#include <string>
#include <vector>

namespace {

using namespace dlgtest;

class DesktopModalMdiKeys : public DesktopFocusFixture {
 protected:
  // A click into the design's diagram, which shows it and takes the keys.
  void ClickDiagram(CQorexDoc* doc) {
    ClickIn(doc, m_clicks++);
    ASSERT_TRUE(QTest::qWaitFor([&] { return Doc() == doc; }, kEventBoundMs));
    ASSERT_TRUE(KeyboardIn(ViewOf(doc)));
    ASSERT_EQ(FocusFollowed(View()), View());
  }
  void ClickValueField() {
    QWidget* field = ValueField();
    qxtest::XClick(field, QPoint(field->width() - 4 - m_clicks++ % 2, field->height() / 2));
    ASSERT_TRUE(qxtest::XFocusIsOn(field));
    CWnd* edit = Frame()->m_wndVarbar.GetDlgItem(IDC_VALUE);
    ASSERT_EQ(FocusFollowed(edit), edit);
  }
  int m_clicks = 0;
};

// From the diagram and from the docked Variables bar's value field, each key
// shows the design after (or before) the shown one, in the order the designs
// were made, and the keyboard stays in the main window.
TEST_F(DesktopModalMdiKeys, CtrlF6AndCtrlTabShowTheNextDesignFromTheDiagramAndADockedBar) {
  const std::vector<CQorexDoc*> docs = ThreeTiledDesigns();
  Frame()->DockControlBar(&Frame()->m_wndVarbar);
  QxTest::PumpUntilIdle();
  ASSERT_FALSE(Frame()->m_wndVarbar.IsFloating());
  const struct {
    const char* keys;
    int shown;  // from the third design
  } keys[] = {{"ctrl+F6", 0}, {"ctrl+Tab", 0}, {"ctrl+shift+F6", 1}, {"ctrl+shift+Tab", 1}};
  for (bool inBar : {false, true}) {
    for (const auto& key : keys) {
      SCOPED_TRACE(std::string(inBar ? "value field, " : "diagram, ") + key.keys);
      ClickDiagram(docs[2]);
      if (inBar) ClickValueField();
      qxtest::XKeys(key.keys);
      EXPECT_TRUE(QTest::qWaitFor([&] { return Doc() == docs[key.shown]; }, kEventBoundMs))
          << "the design shown is not the one the key asked for";
      ASSERT_TRUE(qxtest::InputReachedProgram());
      QxTest::PumpUntilIdle();
      EXPECT_EQ(Doc(), docs[key.shown]);  // once, not twice
      EXPECT_TRUE(KeyboardIn(Main()));
    }
  }
  // Ctrl+F4 closes the shown design by File > Close's road, from the value
  // field and then from the diagram; the one shown before it comes back.
  ClickDiagram(docs[1]);
  ClickDiagram(docs[2]);
  ClickValueField();
  qxtest::XKeys("ctrl+F4");
  ASSERT_TRUE(QTest::qWaitFor([&] { return Designs() == 2; }, kEventBoundMs));
  QxTest::PumpUntilIdle();
  EXPECT_EQ(Doc(), docs[1]);
  ClickDiagram(docs[1]);
  qxtest::XKeys("ctrl+F4");
  ASSERT_TRUE(QTest::qWaitFor([&] { return Designs() == 1; }, kEventBoundMs));
  QxTest::PumpUntilIdle();
  EXPECT_EQ(Doc(), docs[0]);
}

// Typed into the floating Comments bar, the keys are the bar's: no design is
// shown or closed, and its comment keeps its text.
TEST_F(DesktopModalMdiKeys, AFloatingBarKeepsTheKeys) {
  const std::vector<CQorexDoc*> docs = ThreeTiledDesigns();
  ShowComments();
  ASSERT_TRUE(Frame()->m_wndCommentBar.IsFloating());
  Click(CommentEdit());
  ASSERT_TRUE(KeyboardIn(CommentEdit()));
  qxtest::XType("kept");
  for (const char* keys : {"ctrl+F6", "ctrl+Tab", "ctrl+shift+Tab", "ctrl+F4"}) {
    SCOPED_TRACE(keys);
    qxtest::XKeys(keys);
    ASSERT_TRUE(qxtest::InputReachedProgram());
    QxTest::PumpUntilIdle();
    EXPECT_EQ(Designs(), 3);
    EXPECT_EQ(Doc(), docs[2]);
  }
  EXPECT_EQ(docs[2]->m_strComment, "kept");
}

}  // namespace
