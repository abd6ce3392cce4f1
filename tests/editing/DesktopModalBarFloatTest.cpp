// A bar docked and floated again goes back where it floated before, not to
// where it was docked (over the toolbar, once the window manager adds its
// caption): floated again by a double click on the bar and by the float
// button of its docked title bar, as the user does it through the X server.
// Needs a real window system and xdotool; skipped elsewhere.
#include "tests/editing/EditingDialogsTestSupport.h"
#include "tests/support/DesktopInput.h"

#include "MainFrm.h"
#include "editing/VarBar.h"

#include <QAbstractButton>
#include <QDockWidget>
#include <QMainWindow>

namespace {

using namespace dlgtest;

class DesktopModalBarFloat : public EditingDialogs {
 protected:
  void SetUp() override {
    EditingDialogs::SetUp();
    if (!qxtest::XInputAvailable()) GTEST_SKIP() << "needs an X server with xdotool";
    ASSERT_TRUE(QTest::qWaitForWindowExposed(Frame()->QxMainWindow()->windowHandle(),
                                             qxtest::kXEventBoundMs));
  }
  CVarBar& Vars() const { return Frame()->m_wndVarbar; }
  QDockWidget* Dock() const { return qobject_cast<QDockWidget*>(Vars().QxContainer()); }
  // A double click on the bar's own background (no control there).
  void DoubleClickBar(int nth) {
    qxtest::XClick(Vars().GetWidget(), QPoint(3 + nth % 2, 3), 2);
    QxTest::PumpUntilIdle();
  }
  bool FloatsAt(QPoint at) const {
    return QTest::qWaitFor(
        [&] { return Vars().IsFloating() && Dock()->isVisible() && Dock()->pos() == at; },
        qxtest::kXEventBoundMs);
  }
};

TEST_F(DesktopModalBarFloat, FloatedAgainTheBarGoesBackWhereItFloatedBefore) {
  ASSERT_TRUE(Vars().IsFloating());
  ASSERT_TRUE(qxtest::Exposed(Dock()));
  // Moved by the user away from where it started, once the program has all
  // the window manager said of its placement; the move is done once the X
  // server has the window where the toolkit put it, and the program has
  // taken in all that followed.
  ASSERT_TRUE(qxtest::InputReachedProgram()) << "the X server's events never reached the program";
  Dock()->move(Dock()->pos() + QPoint(160, 90));
  ASSERT_TRUE(QTest::qWaitFor(
      [&] { return qxtest::XWindowPosition(Dock()) == Dock()->geometry().topLeft(); },
      qxtest::kXEventBoundMs))
      << "the bar's window never reached where it was moved";
  ASSERT_TRUE(qxtest::InputReachedProgram()) << "the X server's events never reached the program";
  const QPoint floated = Dock()->pos();
  const struct {
    const char* name;
    bool byFloatButton;
  } roads[] = {{"a double click on the bar", false}, {"the float button", true}};
  int clicks = 0;
  for (const auto& road : roads) {
    SCOPED_TRACE(road.name);
    DoubleClickBar(clicks++);
    ASSERT_TRUE(QTest::qWaitFor([&] { return !Vars().IsFloating(); }, qxtest::kXEventBoundMs))
        << "the bar did not dock";
    // The floating window's end, as the X server tells it, is taken in.
    ASSERT_TRUE(qxtest::InputReachedProgram()) << "the X server's events never reached the program";
    if (road.byFloatButton) {
      auto* button = Dock()->findChild<QAbstractButton*>("qt_dockwidget_floatbutton");
      ASSERT_NE(button, nullptr);
      qxtest::XClick(button, button->rect().center());
    } else {
      DoubleClickBar(clicks++);
    }
    EXPECT_TRUE(FloatsAt(floated)) << Dock()->pos().x() << "," << Dock()->pos().y();
  }
}

}  // namespace
