// Windows on Qt widgets: message delivery, input translation, painting,
// timers, focus, capture and the caret, driven headless through the test hooks.
#include "platform/core/Thread.h"
#include "platform/testing/TestHooks.h"
#include "platform/ui/Wnd.h"
#include "tests/support/DesktopInput.h"

#include <gtest/gtest.h>

#include <QEventLoop>
#include <QTest>
#include <QTimer>
#include <QWidget>
#include <QWindow>

#include <atomic>
#include <string>
#include <vector>

namespace {

constexpr UINT WM_FIRST = WM_USER + 1;
constexpr UINT WM_SECOND = WM_USER + 2;
constexpr UINT WM_THIRD = WM_USER + 3;
using Log = std::vector<std::string>;

// A window that logs the messages it is sent, into its own log or a shared one.
class CLogWnd : public CWnd {
 public:
  explicit CLogWnd(Log* shared = nullptr, const char* name = "")
      : m_pLog(shared ? shared : &m_log), m_name(name) {}
  Log m_log;
  Log* m_pLog;
  std::string m_name;  // before each entry in a shared log
  std::vector<CSize> m_sizes;
  bool m_modalOnFirst = false;
  CPoint m_lastPoint;
  UINT m_lastFlags = 0;

  BOOL CreateChild(CWnd* parent, const CRect& rect, UINT classStyle = CS_DBLCLKS,
                   DWORD exStyle = 0) {
    LPCSTR cls = AfxRegisterWndClass(classStyle, LoadCursor(nullptr, IDC_CROSS),
                                     GetSysColorBrush(COLOR_WINDOW));
    return CreateEx(exStyle, cls, "log", WS_CHILD | WS_VISIBLE, rect, parent, 1);
  }

 protected:
  void Note(const std::string& what) { m_pLog->push_back(m_name + what); }
  LRESULT OnFirst(WPARAM w, LPARAM) {
    Note("first " + std::to_string(w));
    if (m_modalOnFirst) {
      QObject bound;  // a queue that never ends the loop fails the test instead of hanging it
      QTimer::singleShot(2000, &bound, [this] { EndModalLoop(-1); });
      Note(RunModalLoop() == IDOK ? "modal ended" : "modal timed out");
    }
    return 0;
  }
  LRESULT OnSecond(WPARAM w, LPARAM) {
    Note("second " + std::to_string(w));
    if (ContinueModal()) EndModalLoop(IDOK);
    return 0;
  }
  void Mouse(const std::string& name, UINT flags, CPoint point) {
    Note(name);
    m_lastFlags = flags;
    m_lastPoint = point;
  }
  void OnLButtonDown(UINT f, CPoint p) { Mouse("down", f, p); }
  void OnLButtonUp(UINT f, CPoint p) { Mouse("up", f, p); }
  void OnLButtonDblClk(UINT f, CPoint p) { Mouse("dblclk", f, p); }
  void OnNcLButtonDown(UINT hit, CPoint p) {
    Mouse(hit == HTBORDER ? "ncdown border" : "ncdown", 0, p);
  }
  BOOL OnMouseWheel(UINT flags, short delta, CPoint screen) {
    Mouse("wheel " + std::to_string(delta), flags, screen);
    return TRUE;
  }
  void OnKeyDown(UINT ch, UINT, UINT) { Note("key " + std::to_string(ch)); }
  void OnChar(UINT ch, UINT, UINT) { Note("char " + std::to_string(ch)); }
  void OnSetFocus(CWnd*) { Note("setfocus"); }
  void OnKillFocus(CWnd*) { Note("killfocus"); }
  void OnTimer(UINT_PTR id) { Note("timer " + std::to_string(id)); }
  void OnCaptureChanged(CWnd*) { Note("capturechanged"); }
  void OnSize(UINT, int cx, int cy) { m_sizes.push_back(CSize(cx, cy)); }
  void OnDestroy() { Note("destroy"); }
  void OnNcDestroy() { Note("ncdestroy"); }
  void OnMenuCommand(UINT id) { Note("command " + std::to_string(id)); }
  DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(CLogWnd, CWnd)
ON_MESSAGE(WM_FIRST, OnFirst)
ON_MESSAGE(WM_SECOND, OnSecond)
ON_MESSAGE(WM_THIRD, OnSecond)
ON_WM_LBUTTONDOWN()
ON_WM_LBUTTONUP()
ON_WM_LBUTTONDBLCLK()
ON_WM_NCLBUTTONDOWN()
ON_WM_MOUSEWHEEL()
ON_WM_KEYDOWN()
ON_WM_CHAR()
ON_WM_SETFOCUS()
ON_WM_KILLFOCUS()
ON_WM_TIMER()
ON_WM_CAPTURECHANGED()
ON_WM_SIZE()
ON_WM_DESTROY()
ON_WM_NCDESTROY()
ON_COMMAND_RANGE(500, 510, OnMenuCommand)
END_MESSAGE_MAP()

// A top-level window with a child at (10, 10), torn down at the end of each test.
class UiWindow : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(
        m_top.CreateEx(0, nullptr, "top", WS_OVERLAPPEDWINDOW, 0, 0, 300, 200, nullptr, nullptr));
    m_top.ShowWindow(SW_SHOW);
    ASSERT_TRUE(m_child.CreateChild(&m_top, CRect(10, 10, 110, 60)));
  }
  void TearDown() override {
    m_top.DestroyWindow();
    QxTest::PumpEvents();
  }
  CWnd m_top;
  CLogWnd m_child;
};

// Runs the event loop until done() or about two seconds have passed.
template <class Done>
bool WaitUntil(Done done) {
  for (int i = 0; i < 200 && !done(); ++i) {
    QEventLoop loop;
    QTimer::singleShot(10, &loop, &QEventLoop::quit);
    loop.exec();
    QxTest::PumpEvents();
  }
  return done();
}

TEST_F(UiWindow, PostedMessagesArriveInOrderAlsoInsideAModalLoopAndNeverAfterDestruction) {
  m_child.PostMessage(WM_FIRST, 1);
  m_child.PostMessage(WM_SECOND, 2);
  m_child.SendMessage(WM_FIRST, 0);  // sent: at once
  EXPECT_EQ(m_child.m_log, Log({"first 0"}));
  QxTest::PumpEvents();
  EXPECT_EQ(m_child.m_log, Log({"first 0", "first 1", "second 2"}));

  m_child.m_log.clear();
  m_child.m_modalOnFirst = true;
  m_child.PostMessage(WM_FIRST, 1);
  m_child.PostMessage(WM_SECOND, 2);  // ends the modal loop from inside it
  m_child.PostMessage(WM_THIRD, 3);
  QxTest::PumpEvents();
  EXPECT_EQ(m_child.m_log, Log({"first 1", "second 2", "modal ended", "second 3"}));

  // Destroyed with a child of its own: the children first inside the parent's
  // WM_DESTROY and WM_NCDESTROY; what was posted to it is dropped.
  m_child.m_log.clear();
  CLogWnd inner(&m_child.m_log, "inner ");
  ASSERT_TRUE(inner.CreateChild(&m_child, CRect(0, 0, 20, 20)));
  HWND hChild = m_child.GetSafeHwnd(), hInner = inner.GetSafeHwnd();
  m_child.PostMessage(WM_FIRST, 1);
  m_child.DestroyWindow();
  EXPECT_FALSE(IsWindow(hInner));
  EXPECT_FALSE(PostMessage(hChild, WM_FIRST, 2, 0));
  QxTest::PumpEvents();
  EXPECT_EQ(m_child.m_log, Log({"destroy", "inner destroy", "inner ncdestroy", "ncdestroy"}));
}

TEST_F(UiWindow, AModalWindowTakesTheFocusAndGivesItBack) {
  // A window manager activates the top window in its own time: judged once it
  // has handled all it was asked (WaitForFocusWindow). The headless platform
  // activates nothing by itself: there, the window shown is enough.
  QWidget* top = m_top.GetWidget()->window();
  auto activated = [top] {
    return qxtest::OnRealWindowSystem()
               ? qxtest::WaitForFocusWindow(top)
               : QTest::qWaitForWindowActive(top->windowHandle(), qxtest::kXEventBoundMs);
  };
  ASSERT_TRUE(activated()) << "the top window was never activated";
  m_child.SetFocus();
  CLogWnd modal;
  ASSERT_TRUE(modal.CreateEx(0, nullptr, "modal", WS_POPUP | WS_VISIBLE, 20, 20, 80, 40,
                             m_top.GetSafeHwnd(), nullptr));
  QxTest::ModalScript script([&](CWnd* window) {
    window->SetFocus();
    EXPECT_EQ(m_child.m_log.back(), "killfocus");
    window->EndModalLoop(IDOK);
  });
  CWnd* previous = CWnd::GetFocus();
  EXPECT_EQ(modal.RunModalLoop(), IDOK);
  modal.DestroyWindow();
  EXPECT_EQ(QxTest::Focus(), nullptr);  // the focus left with the destroyed window
  ASSERT_TRUE(activated()) << "the top window was not activated again after the modal one";
  previous->SetFocus();
  EXPECT_EQ(QxTest::Focus(), &m_child);
  EXPECT_EQ(m_child.m_log, Log({"setfocus", "killfocus", "setfocus"}));
  EXPECT_EQ(modal.m_log, Log({"setfocus", "killfocus", "destroy", "ncdestroy"}));
}

TEST_F(UiWindow, PopupMenuChoiceReachesTheOwnerAsCommand) {
  CMenu menu, sub;
  ASSERT_TRUE(menu.CreatePopupMenu() && sub.CreatePopupMenu());
  menu.AppendMenu(MF_STRING, 501, "&One");
  menu.AppendMenu(MF_SEPARATOR);
  menu.AppendMenu(MF_STRING | MF_GRAYED, 502, "&Two");
  sub.AppendMenu(MF_STRING, 503, "Three");
  menu.AppendMenu(MF_POPUP, reinterpret_cast<UINT_PTR>(sub.Detach()), "More");
  QxTest::PopupMenuScript script({503, 0, 501});
  EXPECT_TRUE(menu.TrackPopupMenu(TPM_LEFTALIGN | TPM_RIGHTBUTTON, 10, 10, &m_child));
  QxTest::PumpEvents();
  EXPECT_EQ(m_child.m_log, Log({"command 503"}));
  ASSERT_EQ(script.Menus().size(), 1u);
  ASSERT_EQ(script.Menus()[0].size(), 5u);  // the submenu's item follows its popup
  EXPECT_EQ(script.Menus()[0][2].flags & MF_GRAYED, MF_GRAYED);
  EXPECT_EQ(script.Menus()[0][4].depth, 1);
  menu.TrackPopupMenu(0, 10, 10, &m_child);  // dismissed: nothing is sent
  EXPECT_EQ(menu.TrackPopupMenu(TPM_RETURNCMD, 10, 10, &m_child), 501);  // answered, not sent
  QxTest::PumpEvents();
  EXPECT_EQ(m_child.m_log.size(), 1u);
}

TEST_F(UiWindow, ResizingInvalidatesWhatTheClassAsksForAndReportsTheClientSize) {
  for (UINT classStyle : {UINT{CS_HREDRAW | CS_VREDRAW}, UINT{0}}) {
    CLogWnd wnd;
    ASSERT_TRUE(wnd.CreateChild(&m_top, CRect(0, 0, 100, 50), classStyle));
    wnd.UpdateWindow();
    wnd.MoveWindow(0, 0, 140, 70, FALSE);
    CRect update;
    EXPECT_TRUE(wnd.GetUpdateRect(&update));
    EXPECT_EQ(update, CRect(0, 0, 140, 70));  // without the styles: the two new strips' box
    wnd.UpdateWindow();
    wnd.MoveWindow(0, 0, 140, 40, FALSE);  // shrinking uncovers nothing
    EXPECT_EQ(wnd.GetUpdateRect(&update), classStyle != 0);
  }
  CLogWnd wnd;
  ASSERT_TRUE(wnd.CreateEx(WS_EX_CLIENTEDGE, nullptr, "", WS_CHILD | WS_VISIBLE | WS_BORDER,
                           CRect(0, 0, 60, 40), &m_top, 5));
  wnd.MoveWindow(0, 0, 80, 40);
  wnd.MoveWindow(10, 10, 80, 40);  // moved, not resized
  // Border 1 and client edge 2 on each side.
  EXPECT_EQ(wnd.m_sizes, (std::vector<CSize>{CSize(54, 34), CSize(74, 34)}));
}

TEST(UiMessages, RegisteredMessagesShareIdsByName) {
  UINT a = RegisterWindowMessage("ID_TEST_ALPHA");
  EXPECT_TRUE(a >= 0xC000u && a <= 0xFFFFu);
  EXPECT_NE(RegisterWindowMessage("ID_TEST_BETA"), a);
  EXPECT_EQ(RegisterWindowMessage("id_test_alpha"), a);
  EXPECT_EQ(RegisterWindowMessage(""), 0u);
}

TEST_F(UiWindow, DoubleClickOrderFollowsTheClassStyle) {
  QxTest::DoubleClick(&m_child, CPoint(5, 6));
  EXPECT_EQ(m_child.m_log, Log({"down", "up", "dblclk", "up"}));
  EXPECT_EQ(m_child.m_lastPoint, CPoint(5, 6));
  CLogWnd plain;
  ASSERT_TRUE(plain.CreateChild(&m_top, CRect(120, 10, 200, 60), 0));
  QxTest::DoubleClick(&plain, CPoint(1, 2));
  EXPECT_EQ(plain.m_log, Log({"down", "up", "down", "up"}));
}

TEST_F(UiWindow, MouseFlagsClientPointsCaptureAndTheWheel) {
  CLogWnd edged;  // a client edge moves the client area in by 2 pixels
  ASSERT_TRUE(edged.CreateChild(&m_top, CRect(120, 10, 200, 60), CS_DBLCLKS, WS_EX_CLIENTEDGE));
  QxTest::MouseDown(&edged, CPoint(7, 8), QxTest::Button::Left, MK_SHIFT);
  EXPECT_EQ(edged.m_lastPoint, CPoint(7, 8));
  EXPECT_EQ(edged.m_lastFlags, static_cast<UINT>(MK_LBUTTON | MK_SHIFT));
  EXPECT_LT(GetKeyState(VK_LBUTTON), 0);
  QxTest::MouseUp(&edged, CPoint(7, 8));
  EXPECT_EQ(edged.m_lastFlags, 0u);
  EXPECT_GE(GetKeyState(VK_LBUTTON), 0);
  CPoint point(7, 8);
  edged.ClientToScreen(&point);
  m_child.ScreenToClient(&point);
  EXPECT_EQ(point, CPoint(7 + 110 + 2, 8 + 2));
  // A press on the edge is a non-client press at its screen position.
  QxTest::MouseDown(&edged, CPoint(-1, -1));
  QxTest::MouseUp(&edged, CPoint(-1, -1));
  CPoint edge(-1, -1);
  edged.ClientToScreen(&edge);
  EXPECT_EQ(edged.m_log.back(), "ncdown border");
  EXPECT_EQ(edged.m_lastPoint, edge);

  // Captured, the mouse goes to the capturing window in its own coordinates.
  edged.m_log.clear();
  m_child.SetCapture();
  QxTest::MouseDown(&edged, CPoint(3, 4));
  QxTest::MouseUp(&edged, CPoint(3, 4));
  EXPECT_TRUE(edged.m_log.empty());
  EXPECT_EQ(m_child.m_lastPoint, CPoint(3 + 110 + 2, 4 + 2));
  ReleaseCapture();
  EXPECT_EQ(QxTest::Capture(), nullptr);
  EXPECT_EQ(m_child.m_log, Log({"down", "up", "capturechanged"}));

  // The wheel carries its delta, the keys and the screen point, and climbs
  // from a window without a handler to its parent.
  CWnd inner;
  ASSERT_TRUE(
      inner.CreateEx(0, nullptr, "", WS_CHILD | WS_VISIBLE, CRect(20, 10, 80, 40), &m_child, 2));
  m_child.m_log.clear();
  QxTest::Wheel(&m_child, CPoint(5, 6), WHEEL_DELTA);
  point = CPoint(5, 6);
  m_child.ClientToScreen(&point);
  EXPECT_EQ(m_child.m_lastPoint, point);
  EXPECT_EQ(m_child.m_lastFlags, 0u);
  QxTest::Wheel(&inner, CPoint(7, 8), -2 * WHEEL_DELTA, MK_CONTROL);
  point = CPoint(7, 8);
  inner.ClientToScreen(&point);
  EXPECT_EQ(m_child.m_lastPoint, point);
  EXPECT_EQ(m_child.m_lastFlags, static_cast<UINT>(MK_CONTROL));
  EXPECT_EQ(m_child.m_log, Log({"wheel 120", "wheel -240"}));
}

TEST_F(UiWindow, KeysBecomeKeyDownAndCharWithControlCodes) {
  m_child.SetFocus();
  m_child.m_log.clear();
  QxTest::PressKey('A');
  QxTest::PressKey('A', MK_CONTROL);
  QxTest::PressKey(VK_LEFT);
  QxTest::PressKey(VK_RETURN);
  EXPECT_EQ(m_child.m_log,
            Log({"key 65", "char 97", "key 65", "char 1", "key 37", "key 13", "char 13"}));
}

// Punctuation arrives as the key of a US keyboard that gives it, then the
// character, as the formula editor's keys ( ^ _ " need.
TEST_F(UiWindow, PunctuationBecomesItsKeyAndItsCharacter) {
  m_child.SetFocus();
  m_child.m_log.clear();
  QxTest::TypeText("(^_\"<");
  EXPECT_EQ(m_child.m_log, Log({"key 57", "char 40", "key 54", "char 94", "key 189", "char 95",
                                "key 222", "char 34", "key 188", "char 60"}));
}

TEST_F(UiWindow, TimerFiresInTheEventLoopUntilKilled) {
  EXPECT_EQ(m_child.SetTimer(7, 10, nullptr), 7u);
  ASSERT_TRUE(WaitUntil([&] { return !m_child.m_log.empty(); }));
  EXPECT_EQ(m_child.m_log[0], "timer 7");
  m_child.KillTimer(7);
  EXPECT_TRUE(QxTest::Timers(&m_child).empty());
}

TEST_F(UiWindow, DrawingOutsidePaintLandsInTheImageAndSurvivesARepaint) {
  m_child.UpdateWindow();  // the first paint erases to the class background
  {
    CDC* dc = m_child.GetDC();
    dc->MoveTo(2, 20);
    dc->LineTo(40, 20);
    m_child.ReleaseDC(dc);
  }
  QImage image = QxTest::ClientImage(&m_child);
  EXPECT_EQ(image.pixel(39, 20) & 0xFFFFFF, 0x000000u);
  EXPECT_EQ(image.pixel(40, 20) & 0xFFFFFF, 0xFFFFFFu);  // the end point is not drawn
  // The paint event copies the image: the line survives a repaint of the window.
  QImage screen = QxTest::ScreenImage(&m_child);
  EXPECT_EQ(screen.pixel(20, 20) & 0xFFFFFF, 0x000000u);
  EXPECT_EQ(screen.pixel(20, 25) & 0xFFFFFF, 0xFFFFFFu);

  // A paint after an invalidation erases only the invalid rectangle.
  {
    CClientDC dc(&m_child);
    dc.FillSolidRect(0, 0, 100, 50, RGB(255, 0, 0));
  }
  m_child.InvalidateRect(CRect(10, 10, 20, 20), TRUE);
  m_child.UpdateWindow();
  image = QxTest::ClientImage(&m_child);
  EXPECT_EQ(image.pixel(15, 15) & 0xFFFFFF, 0xFFFFFFu);
  EXPECT_EQ(image.pixel(25, 15) & 0xFFFFFF, 0xFF0000u);
  CRect update;
  EXPECT_FALSE(m_child.GetUpdateRect(&update));
}

TEST_F(UiWindow, CaretAndOverlayShowOnScreenWithoutTouchingTheImage) {
  m_child.UpdateWindow();
  m_child.CreateSolidCaret(2, 10);
  m_child.SetCaretPos(CPoint(5, 5));
  EXPECT_FALSE(QxTest::Caret().visible);  // a new caret is hidden
  m_child.ShowCaret();
  EXPECT_EQ(QxTest::Caret().rect, CRect(5, 5, 7, 15));
  EXPECT_EQ(QxTest::ScreenImage(&m_child).pixel(5, 5) & 0xFFFFFF, 0x000000u);
  EXPECT_EQ(QxTest::ClientImage(&m_child).pixel(5, 5) & 0xFFFFFF, 0xFFFFFFu);
  DestroyCaret();
  EXPECT_EQ(QxTest::Caret().owner, nullptr);

  CDC* dc = m_top.GetOverlayDC();
  ASSERT_NE(dc, nullptr);
  dc->FillSolidRect(20, 20, 10, 10, RGB(0, 0, 255));
  m_top.ReleaseOverlayDC(dc);
  // Above the child at (10, 10); an invalidation clears it.
  EXPECT_EQ(QxTest::ScreenImage(&m_top).pixel(25, 25) & 0xFFFFFF, 0x0000FFu);
  m_top.Invalidate();
  EXPECT_NE(QxTest::ScreenImage(&m_top).pixel(25, 25) & 0xFFFFFF, 0x0000FFu);
}

TEST_F(UiWindow, ClassCursorIsSetOnMouseMove) {
  QxTest::MouseMove(&m_child, CPoint(3, 3));
  EXPECT_EQ(QxTest::CursorId(), 32515u);  // IDC_CROSS
}

struct PosterArgs {
  HWND hWnd;
  std::atomic<int> done{0};
};

UINT PostFromWorker(LPVOID param) {
  auto* args = static_cast<PosterArgs*>(param);
  for (int i = 0; i < 500; ++i) ::PostMessage(args->hWnd, WM_FIRST, i, 0);
  args->done = 1;
  return 0;
}

TEST(UiMessagesThreads, PostsFromAWorkerArriveInOrder) {
  CLogWnd target;
  ASSERT_TRUE(target.CreateEx(0, nullptr, "target", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr));
  PosterArgs args{target.GetSafeHwnd()};
  ASSERT_NE(AfxBeginThread(PostFromWorker, &args), nullptr);
  WaitUntil([&] { return args.done && target.m_log.size() == 500u; });
  Log expected;
  for (int i = 0; i < 500; ++i) expected.push_back("first " + std::to_string(i));
  EXPECT_EQ(target.m_log, expected);
  target.DestroyWindow();
  EXPECT_FALSE(PostThreadMessage(QxUiThreadId() + 1000, WM_APP + 8, 0, 0));  // no such thread
}

}  // namespace
