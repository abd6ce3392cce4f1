// Closing the shown design, with three tiled designs activated by clicks in
// some order, as the user does it through the X server: File > Close by the
// keyboard or the design's own close box. The design shown next is the one
// the user had before, whatever the order, and the keyboard is the main
// window's. Needs a real window system and xdotool; skipped elsewhere.
#include "tests/editing/DesktopFocusSupport.h"

#include <QMdiSubWindow>
#include <QStyle>
#include <QStyleOptionTitleBar>

#include <algorithm>
#include <array>
#include <vector>

namespace {

using namespace dlgtest;

class DesktopModalCloseOrder : public DesktopFocusFixture {
 protected:
  // The design's window in the area, found by its document's view.
  static QMdiSubWindow* WindowOf(CQorexDoc* doc) {
    for (QWidget* w = ViewOf(doc); w; w = w->parentWidget()) {
      if (auto* sub = qobject_cast<QMdiSubWindow*>(w)) return sub;
    }
    return nullptr;
  }
  // The close box Qt draws in the design window's title bar.
  static void ClickCloseBox(QMdiSubWindow* sub) {
    QStyleOptionTitleBar bar;
    bar.initFrom(sub);
    bar.subControls = QStyle::SC_TitleBarCloseButton;
    bar.titleBarFlags = sub->windowFlags();
    bar.titleBarState = static_cast<int>(sub->windowState());
    bar.state |= QStyle::State_Active;
    const int height = sub->style()->pixelMetric(QStyle::PM_TitleBarHeight, &bar, sub);
    bar.rect = QRect(0, 0, sub->width(), height);
    const QRect box = sub->style()->subControlRect(QStyle::CC_TitleBar, &bar,
                                                   QStyle::SC_TitleBarCloseButton, sub);
    qxtest::XClick(sub, box.center());
  }
  // A click into the design's diagram, done once the design is shown and,
  // after the window manager has done what the click asked of it, the
  // keyboard is in the main window for the window system, the toolkit and
  // the program: the next click, or the design judged shown, would otherwise
  // race the activation.
  void ClickDiagram(CQorexDoc* doc, int nth) {
    ClickIn(doc, nth);
    ASSERT_TRUE(QTest::qWaitFor([&] { return Doc() == doc; }, kEventBoundMs))
        << "the clicked design was not shown";
    ASSERT_TRUE(KeyboardIn(ViewOf(doc)));
    ASSERT_EQ(FocusFollowed(View()), View());
  }
  void CloseShown(bool byCloseBox) {
    if (byCloseBox) {
      ClickCloseBox(WindowOf(Doc()));
    } else {
      qxtest::XKeys("alt+f c");
    }
    // The window manager is done once the keyboard is back in the main
    // window (the menu or the design's close box gave it up), and the
    // program with it once the toolkit has the focus there too.
    EXPECT_TRUE(
        qxtest::XFocusIsOn(Main()) &&
        QTest::qWaitFor([this] { return QGuiApplication::focusWindow() == Main()->windowHandle(); },
                        qxtest::kXEventBoundMs))
        << "the keyboard did not come back to the main window after the close";
    QxTest::PumpUntilIdle();
  }
};

TEST_F(DesktopModalCloseOrder, ClosingTheShownDesignShowsTheOneShownBeforeIt) {
  std::array<int, 3> order{0, 1, 2};
  int clicks = 0;
  do {
    for (bool byCloseBox : {false, true}) {
      SCOPED_TRACE(testing::Message() << "clicked " << order[0] << order[1] << order[2]
                                      << (byCloseBox ? ", close box" : ", File > Close"));
      const std::vector<CQorexDoc*> docs = ThreeTiledDesigns();
      for (int index : order) ASSERT_NO_FATAL_FAILURE(ClickDiagram(docs[index], clicks++));
      QxTest::PumpUntilIdle();
      ASSERT_EQ(Doc(), docs[order[2]]);
      CloseShown(byCloseBox);
      EXPECT_EQ(Doc(), docs[order[1]]);
      EXPECT_TRUE(qxtest::XFocusIsOn(Main()));
      CloseShown(byCloseBox);
      EXPECT_EQ(Doc(), docs[order[0]]);
      ASSERT_EQ(Frame()->QxMdiArea()->subWindowList().size(), 1);  // the next round's first
    }
  } while (std::next_permutation(order.begin(), order.end()));
}

}  // namespace
