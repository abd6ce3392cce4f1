#pragma once
// Several designs open and the bars floating, driven as the user drives them:
// real clicks and keys through the X server, so that the window manager moves
// the activation before the program sees anything. The window system's focus
// is judged, not only the program's. Needs a real window system and xdotool;
// skipped elsewhere.
#include "tests/editing/EditingDialogsTestSupport.h"
#include "tests/support/DesktopInput.h"

#include "MainFrm.h"
#include "editing/VarBar.h"

#include <QMainWindow>
#include <QMdiArea>

#include <algorithm>
#include <iostream>
#include <vector>

namespace dlgtest {

class DesktopFocusFixture : public EditingDialogs {
 protected:
  // How long an event of the window system may take: a bound only a fault meets.
  static constexpr int kEventBoundMs = qxtest::kXEventBoundMs;
  void SetUp() override {
    EditingDialogs::SetUp();
    if (!qxtest::XInputAvailable()) GTEST_SKIP() << "needs an X server with xdotool";
    ASSERT_TRUE(QTest::qWaitForWindowExposed(Main()->windowHandle(), qxtest::kXEventBoundMs));
  }
  QMainWindow* Main() const { return Frame()->QxMainWindow(); }
  // Three designs side by side, the last one active.
  std::vector<CQorexDoc*> ThreeTiledDesigns() {
    std::vector<CQorexDoc*> docs{Doc()};
    for (int i = 0; i < 2; ++i) {
      Command(ID_FILE_NEW);
      docs.push_back(Doc());
    }
    Frame()->MDITile(MDITILE_VERTICAL);
    QxTest::PumpUntilIdle();
    return docs;
  }
  // The widget of the design's view: its diagram.
  static QWidget* ViewOf(CQorexDoc* doc) {
    POSITION pos = doc->GetFirstViewPosition();
    return doc->GetNextView(pos)->GetWidget();
  }
  // A click into the design's diagram, the nth one a test makes: never where
  // the pointer already is, or the window system would not move it.
  static void ClickIn(CQorexDoc* doc, int nth) {
    QWidget* view = ViewOf(doc);
    qxtest::XClick(view, QPoint(view->width() / 2 + nth % 2, view->height() - 20));
  }
  QWidget* CommentEdit() const {
    return Frame()->m_wndCommentBar.GetDlgItem(IDC_COMMENT)->GetWidget();
  }
  QWidget* ValueField() const { return Frame()->m_wndVarbar.GetDlgItem(IDC_VALUE)->GetWidget(); }
  void ShowComments() {
    Frame()->ShowControlBar(&Frame()->m_wndCommentBar, TRUE, FALSE);
    QxTest::PumpUntilIdle();
    ASSERT_TRUE(qxtest::Exposed(CommentEdit()));
  }
  int Designs() const { return static_cast<int>(Frame()->QxMdiArea()->subWindowList().size()); }
  CString Title() const {
    CString title;
    Frame()->GetWindowText(title);
    return title;
  }
  // A click into a window, and the keyboard there: the window manager moves
  // its focus in its own time, and keys typed before that go elsewhere.
  static void Click(QWidget* widget) {
    qxtest::XClick(widget, widget->rect().center());
    if (KeyboardIn(widget)) return;
    QString under;
    qxtest::RunXdotool({"getmouselocation"}, &under);
    ADD_FAILURE() << "the keyboard did not come to the clicked window "
                  << qxtest::WindowOf(widget)->winId() << " at "
                  << widget->window()->frameGeometry().x() << ","
                  << widget->window()->frameGeometry().y() << "; the X focus is on "
                  << qxtest::XFocusWindow() << ", the pointer: " << under.toStdString();
  }
  // The keyboard is in the widget's window for the window system, for the
  // toolkit and for the program alike.
  static bool KeyboardIn(QWidget* widget) {
    // Both at once: the toolkit hears of the X server's focus a little later.
    // Judged once the window manager has done what it was asked: a focus seen
    // before that can be one it is about to move.
    if (!qxtest::WindowManagerCaughtUp()) return false;
    QWidget* top = widget->window();
    const auto id = static_cast<unsigned long>(top->windowHandle()->winId());
    if (QTest::qWaitFor(
            [top, id] {
              return QGuiApplication::focusWindow() == top->windowHandle() &&
                     qxtest::XFocusWindow() == id;
            },
            kEventBoundMs))
      return true;
    std::cerr << "the keyboard not in the window after " << kEventBoundMs
              << " ms: " << qxtest::FocusReport(widget) << '\n';
    return false;
  }
  // The program's focus, once it has followed the toolkit's (which it does
  // after the toolkit has carried its change out).
  static CWnd* FocusFollowed(CWnd* expected) {
    (void)QTest::qWaitFor([expected] { return QxTest::Focus() == expected; }, kEventBoundMs);
    return QxTest::Focus();
  }
};

}  // namespace dlgtest
