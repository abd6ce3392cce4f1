// Closing the active document window shows the one the user had active
// before it, whatever order the windows were made and activated in, by the
// document's Close command and by the window's own close box alike; the
// area stays maximised when the closed window was.
#include "tests/platform/UiTestApp.h"

#include "platform/ui/FrameWnd.h"

#include <QMdiArea>
#include <QMdiSubWindow>

#include <algorithm>
#include <array>
#include <vector>

namespace qxtest {
namespace {

class UiMdiOrder : public UiApp {
 protected:
  // Document windows, in the order they were made.
  std::vector<CMDIChildWnd*> Windows(int count) {
    std::vector<CMDIChildWnd*> made{ActiveChild()};
    for (int i = 1; i < count; ++i) {
      Frame()->SendMessage(WM_COMMAND, ID_FILE_NEW);
      QxTest::PumpUntilIdle();
      made.push_back(ActiveChild());
    }
    return made;
  }
  static QMdiSubWindow* SubWindowOf(CMDIChildWnd* child) {
    return qobject_cast<QMdiSubWindow*>(child->GetWidget()->parentWidget());
  }
  void CloseActive(bool byCloseBox) {
    if (byCloseBox) {
      SubWindowOf(ActiveChild())->close();
    } else {
      Frame()->SendMessage(WM_COMMAND, ID_FILE_CLOSE);
    }
    QxTest::PumpUntilIdle();
  }
};

TEST_F(UiMdiOrder, ClosingTheActiveWindowShowsTheOneActiveBeforeIt) {
  // Each order in which the three windows are activated (by index of making).
  std::array<int, 3> order{0, 1, 2};
  do {
    for (bool byCloseBox : {false, true}) {
      SCOPED_TRACE(testing::Message() << "activated " << order[0] << order[1] << order[2]
                                      << (byCloseBox ? ", close box" : ", Close"));
      const std::vector<CMDIChildWnd*> made = Windows(3);
      Frame()->MDITile(MDITILE_VERTICAL);
      for (int index : order) Frame()->MDIActivate(made[index]);
      QxTest::PumpUntilIdle();
      ASSERT_EQ(ActiveChild(), made[order[2]]);
      CloseActive(byCloseBox);
      EXPECT_EQ(ActiveChild(), made[order[1]]);
      CloseActive(byCloseBox);
      EXPECT_EQ(ActiveChild(), made[order[0]]);
      CloseActive(byCloseBox);
      EXPECT_EQ(ActiveChild(), nullptr);
      Frame()->SendMessage(WM_COMMAND, ID_FILE_NEW);  // the next round's first window
      QxTest::PumpUntilIdle();
    }
  } while (std::next_permutation(order.begin(), order.end()));
}

// A window closed while another is active changes nothing; the next close
// still goes back past it to the one active before.
TEST_F(UiMdiOrder, AWindowClosedWhileInactiveLeavesTheOrderOfTheOthers) {
  const std::vector<CMDIChildWnd*> made = Windows(4);
  for (int index : {1, 0, 3, 2}) Frame()->MDIActivate(made[index]);
  made[3]->SendMessage(WM_CLOSE);
  QxTest::PumpUntilIdle();
  EXPECT_EQ(ActiveChild(), made[2]);
  CloseActive(false);
  EXPECT_EQ(ActiveChild(), made[0]);
  CloseActive(false);
  EXPECT_EQ(ActiveChild(), made[1]);
}

TEST_F(UiMdiOrder, TheWindowShownAfterAMaximisedOneIsMaximised) {
  const std::vector<CMDIChildWnd*> made = Windows(3);
  Frame()->MDIActivate(made[1]);
  Frame()->MDIActivate(made[2]);
  SubWindowOf(made[2])->showMaximized();
  QxTest::PumpUntilIdle();
  CloseActive(true);
  BOOL maximized = FALSE;
  EXPECT_EQ(Frame()->MDIGetActive(&maximized), made[1]);
  EXPECT_TRUE(maximized);
}

}  // namespace
}  // namespace qxtest
