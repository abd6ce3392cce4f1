// One truth for the keyboard: a call of the layer never moves its focus where
// the toolkit's focus is not, so the next key reaches the window the toolkit
// shows focused.
#include "platform/testing/TestHooks.h"
#include "platform/ui/Controls.h"
#include "platform/ui/Wnd.h"
#include "tests/support/DesktopInput.h"

#include <QApplication>
#include <QKeyEvent>
#include <QTest>
#include <QWindow>
#include <QWidget>
#include <gtest/gtest.h>

#include <stdexcept>

namespace qxtest {
namespace {

// A key as the window system delivers it: to the toolkit's focus widget, or
// its active window when none has the focus.
void TypeAsTheWindowSystem(const char* text) {
  for (const char* p = text; *p; ++p) {
    QWidget* to = QApplication::focusWidget();
    if (!to) to = QApplication::activeWindow();
    ASSERT_NE(to, nullptr);
    const int key = *p >= 'a' && *p <= 'z' ? Qt::Key_A + (*p - 'a') : *p;
    const QString ch = QString(QChar(*p));
    QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier, ch);
    QCoreApplication::sendEvent(to, &press);
    QKeyEvent release(QEvent::KeyRelease, key, Qt::NoModifier, ch);
    QCoreApplication::sendEvent(to, &release);
  }
}

// A top-level window with one edit.
struct EditWindow {
  CWnd top;
  CEdit edit;
  void Make(const char* title, int x) {
    ASSERT_TRUE(top.CreateEx(0, nullptr, title, WS_OVERLAPPEDWINDOW | WS_VISIBLE, x, 40, 240, 120,
                             nullptr, nullptr));
    ASSERT_TRUE(edit.Create(WS_CHILD | WS_VISIBLE | WS_BORDER | ES_AUTOHSCROLL,
                            CRect(10, 10, 200, 34), &top, 1));
  }
  CString Text() {
    CString text;
    edit.GetWindowText(text);
    return text;
  }
};

// Activated, once the window system has done it: judged once the window
// manager has handled all it was asked (an activation seen before that can be
// one it is about to undo).
void Activate(CWnd& top) {
  QWidget* window = top.GetWidget()->window();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(window->windowHandle(), kXEventBoundMs))
      << "the window was never shown";
  window->activateWindow();
  ASSERT_TRUE(WaitForFocusWindow(window)) << "the window was never activated";
  QxTest::PumpEvents();
}

// Two windows, A active with the keys in its edit: a call that gives B's edit
// the keyboard cannot move the toolkit's focus out of A, so the layer's stays
// in A too, and what is typed next goes into A's edit. Once B is activated,
// its edit (the one the call named) has the keys.
TEST(UiKeyboardTruth, ACallIntoAnInactiveWindowLeavesTheKeysWhereTheToolkitHasThem) {
  QxTest::NoActivationForFocus asOnADesktop;
  EditWindow a, b;
  a.Make("A", 20);
  b.Make("B", 300);
  QxTest::PumpEvents();
  // A window manager may give the keys to a window it has just mapped, in its
  // own time: B is shown last, so it is activated (and that done) before A.
  Activate(b.top);
  Activate(a.top);
  a.edit.SetFocus();
  QxTest::PumpEvents();
  ASSERT_EQ(QApplication::activeWindow(), a.top.GetWidget()->window());
  ASSERT_EQ(CWnd::GetFocus(), &a.edit);

  b.edit.SetFocus();
  EXPECT_EQ(CWnd::GetFocus(), &a.edit);
  TypeAsTheWindowSystem("ab");
  EXPECT_STREQ(a.Text(), "ab");
  EXPECT_STREQ(b.Text(), "");

  // ::SetFocus takes the same road.
  ::SetFocus(b.edit.GetSafeHwnd());
  EXPECT_EQ(CWnd::GetFocus(), &a.edit);
  TypeAsTheWindowSystem("c");
  EXPECT_STREQ(a.Text(), "abc");

  Activate(b.top);
  EXPECT_EQ(CWnd::GetFocus(), &b.edit);
  TypeAsTheWindowSystem("xy");
  EXPECT_STREQ(b.Text(), "xy");
  EXPECT_STREQ(a.Text(), "abc");
  b.top.DestroyWindow();
  a.top.DestroyWindow();
}

// A modal loop left by an exception from a handler inside it is over: the
// window runs no loop any more, and none is counted.
TEST(UiKeyboardTruth, AModalLoopLeftByAnExceptionIsOver) {
  CWnd wnd;
  ASSERT_TRUE(
      wnd.CreateEx(0, nullptr, "loop", WS_OVERLAPPEDWINDOW, 0, 0, 100, 80, nullptr, nullptr));
  {
    QxTest::ModalScript script([](CWnd*) { throw std::runtime_error("from a handler"); });
    EXPECT_THROW(wnd.RunModalLoop(0), std::runtime_error);
  }
  EXPECT_FALSE(wnd.ContinueModal());
  EXPECT_EQ(QxTest::ModalDepth(), 0);
  // The next loop runs and ends as ever.
  QxTest::ModalScript script([](CWnd* modal) { modal->EndModalLoop(7); });
  EXPECT_EQ(wnd.RunModalLoop(0), 7);
  wnd.DestroyWindow();
}

}  // namespace
}  // namespace qxtest

#include "platform/testing/PrintHooks.h"
#include "platform/ui/PrintPreview.h"
#include "tests/platform/KeyEater.h"
#include "tests/platform/UiTestApp.h"
#include "tests/support/DesktopInput.h"

namespace qxtest {
namespace {

// The keys to the window as the user gives them: its top-level window
// activated (a window manager does it in its own time), then the window.
void KeysTo(CWnd* wnd) {
  wnd->GetWidget()->window()->activateWindow();
  ASSERT_TRUE(WaitForFocusWindow(wnd->GetWidget()));
  wnd->SetFocus();
  QxTest::PumpUntilIdle();
  ASSERT_EQ(CWnd::GetFocus(), wnd);
}

using UiPreviewKeyboard = UiApp;

// The print preview closed by Escape or by its close button gives the keys
// back to the edit that had them as it opened, in a docked bar and in a
// floating one, as a closing dialog does; also when it closes before the
// window system has activated it (the toolkit still calls the bar active).
TEST_F(UiPreviewKeyboard, ClosingThePreviewGivesTheKeysBackWhereTheyWere) {
  const struct {
    const char* name;
    bool floating;
    bool byButton;
    bool atOnce;  // closed in the turn of the event loop that opened it
  } ways[] = {{"docked, Escape", false, false, false},
              {"docked, close button", false, true, false},
              {"floating, Escape", true, false, false},
              {"floating, close button", true, true, false},
              {"floating, Escape at once", true, false, true},
              {"floating, close button at once", true, true, true}};
  CDialogBar& bar = Frame()->m_wndBottomBar;
  for (const auto& way : ways) {
    SCOPED_TRACE(way.name);
    // Only a window manager carries out an activation after the window that
    // asked for it is gone (the headless platform's stand-in for it cannot).
    if (way.atOnce && !OnRealWindowSystem()) continue;
    if (way.floating && !bar.IsFloating()) {
      CPoint at(200, 200);
      Frame()->ClientToScreen(&at);
      Frame()->FloatControlBar(&bar, at);
      QxTest::PumpUntilIdle();
    }
    CWnd* edit = bar.GetDlgItem(IDC_BAR_EDIT1);
    KeysTo(edit);
    Frame()->SendCommand(ID_FILE_PRINT_PREVIEW);
    CWnd* preview = QxTest::PreviewWindow();
    ASSERT_NE(preview, nullptr);
    // Closed as a user closes it: once the window manager has given it the
    // keyboard (the rows at once close it before).
    if (!way.atOnce) {
      EXPECT_TRUE(WaitForFocusWindow(preview->GetWidget())) << "the preview never got the keyboard";
    }
    ASSERT_EQ(CWnd::GetFocus(), preview);
    if (way.byButton) {
      QxTest::Click(preview->GetDlgItem(AFX_ID_PREVIEW_CLOSE), CPoint(10, 10));
    } else {
      QxTest::PressKey(VK_ESCAPE);
    }
    QxTest::PumpUntilIdle();
    ASSERT_EQ(QxTest::PreviewWindow(), nullptr);
    EXPECT_EQ(CWnd::GetFocus(), edit);
    EXPECT_TRUE(WaitForFocusWindow(edit->GetWidget()));
    EXPECT_EQ(QApplication::focusWidget(), edit->GetWidget());
  }
}

}  // namespace
}  // namespace qxtest

namespace qxtest {
namespace {

using UiAreaKeys = UiApp;

// The document area's keys, wherever the keyboard is in the main window:
// Ctrl+F6 and Ctrl+Tab show the next design, with Shift the one before, and
// Ctrl+F4 closes the active one as File > Close does. A floating bar and a
// window that takes every key keep them.
TEST_F(UiAreaKeys, SwitchAndCloseFromTheViewAndABarButNotFromAFloatingBarOrAKeyEater) {
  Frame()->SendCommand(ID_FILE_NEW);
  Frame()->SendCommand(ID_FILE_NEW);
  QxTest::PumpUntilIdle();
  ASSERT_EQ(m_app->GetOpenDocumentCount(), 3);
  CMDIChildWnd* third = ActiveChild();
  CWnd* barEdit = Frame()->m_wndBottomBar.GetDlgItem(IDC_BAR_EDIT1);
  CKeyEater eater;
  ASSERT_TRUE(eater.CreateEx(0, nullptr, "", WS_CHILD | WS_VISIBLE, CRect(300, 2, 340, 20),
                             &Frame()->m_wndBottomBar, 4242));
  // A multi-line edit keeps Return for its lines, but not the area's keys.
  CEdit lines;
  ASSERT_TRUE(lines.Create(WS_CHILD | WS_VISIBLE | ES_MULTILINE | ES_WANTRETURN,
                           CRect(350, 2, 420, 30), &Frame()->m_wndBottomBar, 4243));
  const struct {
    const char* where;
    std::function<CWnd*()> focus;
    bool switches;
  } places[] = {{"view", [this]() -> CWnd* { return ActiveView(); }, true},
                {"docked bar's edit", [&]() { return barEdit; }, true},
                {"docked bar's multi-line edit", [&]() -> CWnd* { return &lines; }, true},
                {"window that takes every key", [&]() -> CWnd* { return &eater; }, false}};
  const struct {
    int vk;
    UINT modifiers;
    const char* after;  // starting from Plan3, the last one made
  } keys[] = {{VK_F6, MK_CONTROL, "Plan1"},
              {VK_TAB, MK_CONTROL, "Plan1"},
              {VK_F6, MK_CONTROL | MK_SHIFT, "Plan2"},
              {VK_TAB, MK_CONTROL | MK_SHIFT, "Plan2"}};
  for (const auto& place : places) {
    for (const auto& key : keys) {
      SCOPED_TRACE(std::string(place.where) + ", key " + std::to_string(key.vk) + " with " +
                   std::to_string(key.modifiers));
      Frame()->MDIActivate(third);
      QxTest::PumpUntilIdle();
      ASSERT_STREQ(ActiveDoc()->GetTitle(), "Plan3");
      KeysTo(place.focus());
      QxTest::PressKey(key.vk, key.modifiers);
      QxTest::PumpUntilIdle();
      EXPECT_STREQ(ActiveDoc()->GetTitle(), place.switches ? key.after : "Plan3");
      EXPECT_EQ(m_app->GetOpenDocumentCount(), 3);
    }
  }
  EXPECT_EQ(eater.m_keys.size(), 4u);  // its own keys, each of them

  // Ctrl+F4 from the docked bar's edit closes the active design; the one
  // active before it is shown.
  KeysTo(barEdit);
  QxTest::PressKey(VK_F4, MK_CONTROL);
  QxTest::PumpUntilIdle();
  EXPECT_EQ(m_app->GetOpenDocumentCount(), 2);
  EXPECT_STREQ(ActiveDoc()->GetTitle(), "Plan2");
  // From the floating bar, nothing switches and nothing closes.
  KeysTo(&Frame()->m_wndFloatBar);
  for (int vk : {VK_F6, VK_TAB, VK_F4}) QxTest::PressKey(vk, MK_CONTROL);
  QxTest::PumpUntilIdle();
  EXPECT_STREQ(ActiveDoc()->GetTitle(), "Plan2");
  EXPECT_EQ(m_app->GetOpenDocumentCount(), 2);

  lines.DestroyWindow();
  eater.DestroyWindow();
}

}  // namespace
}  // namespace qxtest
