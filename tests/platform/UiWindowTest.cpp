// Windows on Qt widgets: message delivery, input translation, painting,
// timers, focus, capture and the caret, driven headless through the test hooks.
#include "platform/core/Thread.h"
#include "platform/gdi/Screen.h"
#include "platform/testing/TestHooks.h"
#include "platform/ui/Wnd.h"

#include <gtest/gtest.h>

#include <QEventLoop>
#include <QTimer>
#include <QWidget>

#include <string>
#include <vector>

namespace {

constexpr UINT WM_FIRST = WM_USER + 1;
constexpr UINT WM_SECOND = WM_USER + 2;
constexpr UINT WM_THIRD = WM_USER + 3;

// A window that logs the messages it is sent.
class CLogWnd : public CWnd {
 public:
  std::vector<std::string> m_log;
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
  LRESULT OnFirst(WPARAM w, LPARAM) {
    m_log.push_back("first " + std::to_string(w));
    if (m_modalOnFirst) {
      RunModalLoop();
      m_log.push_back("modal ended");
    }
    return 0;
  }
  LRESULT OnSecond(WPARAM w, LPARAM) {
    m_log.push_back("second " + std::to_string(w));
    if (ContinueModal()) EndModalLoop(IDOK);
    return 0;
  }
  void Mouse(const char* name, UINT flags, CPoint point) {
    m_log.push_back(name);
    m_lastFlags = flags;
    m_lastPoint = point;
  }
  void OnLButtonDown(UINT f, CPoint p) { Mouse("down", f, p); }
  void OnLButtonUp(UINT f, CPoint p) { Mouse("up", f, p); }
  void OnLButtonDblClk(UINT f, CPoint p) { Mouse("dblclk", f, p); }
  void OnRButtonDown(UINT f, CPoint p) { Mouse("rdown", f, p); }
  void OnNcLButtonDown(UINT hit, CPoint p) {
    Mouse(hit == HTBORDER ? "ncdown border" : "ncdown", 0, p);
  }
  void OnKeyDown(UINT ch, UINT, UINT) { m_log.push_back("key " + std::to_string(ch)); }
  void OnChar(UINT ch, UINT, UINT) { m_log.push_back("char " + std::to_string(ch)); }
  void OnSetFocus(CWnd*) { m_log.push_back("setfocus"); }
  void OnKillFocus(CWnd*) { m_log.push_back("killfocus"); }
  void OnTimer(UINT_PTR id) { m_log.push_back("timer " + std::to_string(id)); }
  void OnCaptureChanged(CWnd*) { m_log.push_back("capturechanged"); }
  void OnDestroy() { m_log.push_back("destroy"); }
  void OnMenuCommand(UINT id) { m_log.push_back("command " + std::to_string(id)); }

  DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(CLogWnd, CWnd)
ON_MESSAGE(WM_FIRST, OnFirst)
ON_MESSAGE(WM_SECOND, OnSecond)
ON_MESSAGE(WM_THIRD, OnSecond)
ON_WM_LBUTTONDOWN()
ON_WM_LBUTTONUP()
ON_WM_LBUTTONDBLCLK()
ON_WM_RBUTTONDOWN()
ON_WM_NCLBUTTONDOWN()
ON_WM_KEYDOWN()
ON_WM_CHAR()
ON_WM_SETFOCUS()
ON_WM_KILLFOCUS()
ON_WM_TIMER()
ON_WM_CAPTURECHANGED()
ON_WM_DESTROY()
ON_COMMAND_RANGE(500, 510, OnMenuCommand)
END_MESSAGE_MAP()

// A top-level window with a child, torn down at the end of each test.
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

using Log = std::vector<std::string>;

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

}  // namespace

TEST_F(UiWindow, PostedMessagesArriveInOrderAfterSentOnes) {
  m_child.PostMessage(WM_FIRST, 1);
  m_child.PostMessage(WM_SECOND, 2);
  m_child.SendMessage(WM_FIRST, 0);
  EXPECT_EQ(m_child.m_log, Log({"first 0"}));
  QxTest::PumpEvents();
  EXPECT_EQ(m_child.m_log, Log({"first 0", "first 1", "second 2"}));
}

TEST_F(UiWindow, PostedMessagesAreDeliveredInsideANestedModalLoop) {
  m_child.m_modalOnFirst = true;
  m_child.PostMessage(WM_FIRST, 1);
  m_child.PostMessage(WM_SECOND, 2);  // ends the modal loop from inside it
  m_child.PostMessage(WM_THIRD, 3);
  QxTest::PumpEvents();
  EXPECT_EQ(m_child.m_log, Log({"first 1", "second 2", "modal ended", "second 3"}));
}

TEST_F(UiWindow, MessagesToADestroyedWindowAreDropped) {
  HWND hChild = m_child.GetSafeHwnd();
  m_child.PostMessage(WM_FIRST, 1);
  m_child.DestroyWindow();
  EXPECT_FALSE(IsWindow(hChild));
  EXPECT_FALSE(PostMessage(hChild, WM_FIRST, 2, 0));
  QxTest::PumpEvents();
  EXPECT_EQ(m_child.m_log, Log({"destroy"}));
}

TEST_F(UiWindow, ModalLoopIsDrivenByTheModalScript) {
  QxTest::ModalScript script([](CWnd* modal) { modal->EndModalLoop(7); });
  EXPECT_EQ(m_child.RunModalLoop(), 7);
  EXPECT_FALSE(m_child.ContinueModal());
}

TEST_F(UiWindow, AModalWindowTakesTheFocusAndGivesItBack) {
  QxTest::PumpEvents();  // the top window's activation has arrived
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
  previous->SetFocus();
  EXPECT_EQ(m_child.m_log, Log({"setfocus", "killfocus", "setfocus"}));
  EXPECT_EQ(modal.m_log, Log({"setfocus", "killfocus", "destroy"}));
}

TEST_F(UiWindow, PopupMenuChoiceReachesTheOwnerAsCommand) {
  CMenu menu;
  ASSERT_TRUE(menu.CreatePopupMenu());
  menu.AppendMenu(MF_STRING, 501, "&One");
  menu.AppendMenu(MF_SEPARATOR);
  menu.AppendMenu(MF_STRING | MF_GRAYED | MF_CHECKED, 502, "&Two");
  CMenu sub;
  sub.CreatePopupMenu();
  sub.AppendMenu(MF_STRING, 503, "Three");
  menu.AppendMenu(MF_POPUP, reinterpret_cast<UINT_PTR>(sub.Detach()), "More");
  QxTest::PopupMenuScript script({503, 0, 501});
  EXPECT_TRUE(menu.TrackPopupMenu(TPM_LEFTALIGN | TPM_RIGHTBUTTON, 10, 10, &m_child));
  QxTest::PumpEvents();
  EXPECT_EQ(m_child.m_log, Log({"command 503"}));
  ASSERT_EQ(script.Menus().size(), 1u);
  const std::vector<QxPopupItem>& items = script.Menus()[0];
  ASSERT_EQ(items.size(), 5u);
  EXPECT_STREQ(items[0].text, "&One");
  EXPECT_EQ(items[1].flags & MF_SEPARATOR, MF_SEPARATOR);
  EXPECT_EQ(items[2].flags & (MF_GRAYED | MF_CHECKED), MF_GRAYED | MF_CHECKED);
  EXPECT_EQ(items[4].id, 503u);
  EXPECT_EQ(items[4].depth, 1);
  // Dismissed: nothing is sent.
  menu.TrackPopupMenu(0, 10, 10, &m_child);
  QxTest::PumpEvents();
  EXPECT_EQ(m_child.m_log.size(), 1u);
  // TPM_RETURNCMD answers instead of sending.
  EXPECT_EQ(menu.TrackPopupMenu(TPM_RETURNCMD, 10, 10, &m_child), 501);
  QxTest::PumpEvents();
  EXPECT_EQ(m_child.m_log.size(), 1u);
}

namespace {

// Records sizes and the destruction messages into a shared log.
class CSizeLog : public CWnd {
 public:
  CSizeLog(std::vector<std::string>* log, const char* name) : m_pLog(log), m_name(name) {}
  std::vector<CSize> m_sizes;

 protected:
  void OnSize(UINT, int cx, int cy) { m_sizes.push_back(CSize(cx, cy)); }
  void OnDestroy() { m_pLog->push_back(m_name + " destroy"); }
  void OnNcDestroy() { m_pLog->push_back(m_name + " ncdestroy"); }
  DECLARE_MESSAGE_MAP()

 private:
  std::vector<std::string>* m_pLog;
  std::string m_name;
};

BEGIN_MESSAGE_MAP(CSizeLog, CWnd)
ON_WM_SIZE()
ON_WM_DESTROY()
ON_WM_NCDESTROY()
END_MESSAGE_MAP()

}  // namespace

TEST_F(UiWindow, ResizingInvalidatesWhatTheClassAsksFor) {
  struct Row {
    UINT classStyle;
    CRect expected;  // the update rectangle after growing from 100 x 50 to 140 x 70
  };
  const Row rows[] = {{CS_HREDRAW | CS_VREDRAW, CRect(0, 0, 140, 70)},
                      {0, CRect(0, 0, 140, 70)}};  // the bounding box of the two new strips
  for (const Row& row : rows) {
    CLogWnd wnd;
    ASSERT_TRUE(wnd.CreateChild(&m_top, CRect(0, 0, 100, 50), row.classStyle));
    wnd.UpdateWindow();
    wnd.MoveWindow(0, 0, 140, 70, FALSE);
    CRect update;
    EXPECT_TRUE(wnd.GetUpdateRect(&update));
    EXPECT_EQ(update, row.expected);
    wnd.UpdateWindow();
    wnd.MoveWindow(0, 0, 140, 40, FALSE);  // shrinking uncovers nothing
    EXPECT_EQ(wnd.GetUpdateRect(&update), (row.classStyle & CS_VREDRAW) != 0);
  }
}

TEST_F(UiWindow, SizeMessagesCarryTheClientSizeOncePerChange) {
  std::vector<std::string> log;
  CSizeLog wnd(&log, "w");
  ASSERT_TRUE(wnd.CreateEx(WS_EX_CLIENTEDGE, nullptr, "", WS_CHILD | WS_VISIBLE | WS_BORDER,
                           CRect(0, 0, 60, 40), &m_top, 5));
  wnd.MoveWindow(0, 0, 80, 40);
  wnd.MoveWindow(10, 10, 80, 40);  // moved, not resized
  // Border 1 and client edge 2 on each side.
  EXPECT_EQ(wnd.m_sizes, (std::vector<CSize>{CSize(54, 34), CSize(74, 34)}));
}

TEST_F(UiWindow, DestroyingAParentDestroysItsChildrenFirstInside) {
  std::vector<std::string> log;
  CSizeLog parent(&log, "parent");
  CSizeLog child(&log, "child");
  ASSERT_TRUE(parent.Create(nullptr, "", WS_CHILD | WS_VISIBLE, CRect(0, 0, 80, 60), &m_top, 7));
  ASSERT_TRUE(child.Create(nullptr, "", WS_CHILD | WS_VISIBLE, CRect(0, 0, 20, 20), &parent, 8));
  EXPECT_EQ(parent.GetDlgItem(8), &child);
  EXPECT_TRUE(parent.IsChild(&child));
  HWND hChild = child.GetSafeHwnd();
  parent.DestroyWindow();
  EXPECT_FALSE(IsWindow(hChild));
  EXPECT_EQ(log, (std::vector<std::string>{"parent destroy", "child destroy", "child ncdestroy",
                                           "parent ncdestroy"}));
}

TEST(UiDesktop, TheDesktopWindowIsTheScreen) {
  CWnd* desktop = GetDesktopWindow();
  ASSERT_NE(desktop, nullptr);
  CRect rect;
  desktop->GetClientRect(&rect);
  EXPECT_EQ(rect, CRect(0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)));
  CDC* dc = desktop->GetDC();
  ASSERT_NE(dc, nullptr);
  ASSERT_NE(dc->GetImage(), nullptr);
  EXPECT_EQ(dc->GetImage()->width(), rect.Width());
  // Memory contexts are made compatible with it.
  CDC memory;
  EXPECT_TRUE(memory.CreateCompatibleDC(dc));
  desktop->ReleaseDC(dc);
}

TEST(UiMessages, RegisteredMessagesShareIdsByName) {
  UINT a = RegisterWindowMessage("ID_TEST_ALPHA");
  UINT b = RegisterWindowMessage("ID_TEST_BETA");
  EXPECT_GE(a, 0xC000u);
  EXPECT_LE(a, 0xFFFFu);
  EXPECT_NE(a, b);
  EXPECT_EQ(RegisterWindowMessage("ID_TEST_ALPHA"), a);
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

TEST_F(UiWindow, MouseFlagsAndClientCoordinates) {
  CLogWnd edged;  // a client edge moves the client area in by 2 pixels
  ASSERT_TRUE(edged.CreateChild(&m_top, CRect(120, 10, 200, 60), CS_DBLCLKS, WS_EX_CLIENTEDGE));
  CRect client;
  edged.GetClientRect(&client);
  EXPECT_EQ(client, CRect(0, 0, 76, 46));
  QxTest::MouseDown(&edged, CPoint(7, 8), QxTest::Button::Left, MK_SHIFT);
  EXPECT_EQ(edged.m_lastPoint, CPoint(7, 8));
  EXPECT_EQ(edged.m_lastFlags, static_cast<UINT>(MK_LBUTTON | MK_SHIFT));
  EXPECT_LT(GetKeyState(VK_LBUTTON), 0);
  QxTest::MouseUp(&edged, CPoint(7, 8));
  EXPECT_EQ(edged.m_lastFlags, 0u);
  EXPECT_GE(GetKeyState(VK_LBUTTON), 0);
  CPoint screen(7, 8);
  edged.ClientToScreen(&screen);
  CPoint back = screen;
  m_child.ScreenToClient(&back);
  EXPECT_EQ(back, CPoint(7 + 110 + 2, 8 + 2));
  // A press on the edge is a non-client press at its screen position.
  QxTest::MouseDown(&edged, CPoint(-1, -1));
  QxTest::MouseUp(&edged, CPoint(-1, -1));
  CPoint edge(-1, -1);
  edged.ClientToScreen(&edge);
  EXPECT_EQ(edged.m_log.back(), "ncdown border");
  EXPECT_EQ(edged.m_lastPoint, edge);
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

TEST_F(UiWindow, FocusMovesWithSetFocusAndLeavesADestroyedWindow) {
  CLogWnd other;
  ASSERT_TRUE(other.CreateChild(&m_top, CRect(120, 10, 200, 60)));
  m_child.SetFocus();
  EXPECT_EQ(QxTest::Focus(), &m_child);
  other.SetFocus();
  EXPECT_EQ(QxTest::Focus(), &other);
  EXPECT_EQ(m_child.m_log, Log({"setfocus", "killfocus"}));
  EXPECT_EQ(other.m_log, Log({"setfocus"}));
  other.DestroyWindow();
  EXPECT_EQ(other.m_log, Log({"setfocus", "killfocus", "destroy"}));
  EXPECT_EQ(QxTest::Focus(), nullptr);
}

TEST_F(UiWindow, CaptureRoutesTheMouseAndReportsItsLoss) {
  CLogWnd other;
  ASSERT_TRUE(other.CreateChild(&m_top, CRect(120, 10, 200, 60)));
  m_child.SetCapture();
  EXPECT_EQ(QxTest::Capture(), &m_child);
  QxTest::MouseDown(&other, CPoint(3, 4));  // lands on the capturing window
  EXPECT_TRUE(other.m_log.empty());
  ASSERT_EQ(m_child.m_log, Log({"down"}));
  EXPECT_EQ(m_child.m_lastPoint, CPoint(3 + 110, 4));
  ReleaseCapture();
  EXPECT_EQ(QxTest::Capture(), nullptr);
  EXPECT_EQ(m_child.m_log.back(), "capturechanged");
}

TEST_F(UiWindow, TimersFireAsWmTimer) {
  QxTest::SetManualTimers(true);
  EXPECT_EQ(m_child.SetTimer(100, 500, nullptr), 100u);
  ASSERT_EQ(QxTest::Timers(&m_child).size(), 1u);
  EXPECT_EQ(QxTest::Timers(&m_child)[0].second, 500u);
  QxTest::FireTimer(&m_child, 100);
  EXPECT_EQ(m_child.m_log, Log({"timer 100"}));
  m_child.KillTimer(100);
  EXPECT_TRUE(QxTest::Timers(&m_child).empty());
  QxTest::SetManualTimers(false);
}

TEST_F(UiWindow, RealTimerFiresInTheEventLoop) {
  m_child.SetTimer(7, 10, nullptr);
  ASSERT_TRUE(WaitUntil([&] { return !m_child.m_log.empty(); }));
  m_child.KillTimer(7);
  EXPECT_EQ(m_child.m_log[0], "timer 7");
}

TEST_F(UiWindow, ClientDcDrawingLandsInTheImageAndOnScreen) {
  m_child.UpdateWindow();  // the first paint erases to the class background
  {
    CClientDC dc(&m_child);
    dc.MoveTo(2, 20);
    dc.LineTo(40, 20);
  }
  QImage image = QxTest::ClientImage(&m_child);
  EXPECT_EQ(image.pixel(2, 20) & 0xFFFFFF, 0x000000u);
  EXPECT_EQ(image.pixel(39, 20) & 0xFFFFFF, 0x000000u);
  EXPECT_EQ(image.pixel(40, 20) & 0xFFFFFF, 0xFFFFFFu);  // the end point is not drawn
  // The paint event copies the image: the line survives a repaint of the window.
  QImage screen = QxTest::ScreenImage(&m_child);
  EXPECT_EQ(screen.pixel(20, 20) & 0xFFFFFF, 0x000000u);
  EXPECT_EQ(screen.pixel(20, 25) & 0xFFFFFF, 0xFFFFFFu);
}

TEST_F(UiWindow, PaintDcClipsToTheInvalidRectangle) {
  m_child.UpdateWindow();
  {
    CClientDC dc(&m_child);
    dc.FillSolidRect(0, 0, 100, 50, RGB(255, 0, 0));
  }
  m_child.InvalidateRect(CRect(10, 10, 20, 20), TRUE);
  m_child.UpdateWindow();  // erases the rectangle only
  QImage image = QxTest::ClientImage(&m_child);
  EXPECT_EQ(image.pixel(15, 15) & 0xFFFFFF, 0xFFFFFFu);
  EXPECT_EQ(image.pixel(25, 15) & 0xFFFFFF, 0xFF0000u);
  CRect update;
  EXPECT_FALSE(m_child.GetUpdateRect(&update));
}

TEST_F(UiWindow, CaretIsAnOverlayThatNeverTouchesTheImage) {
  m_child.UpdateWindow();
  m_child.CreateSolidCaret(2, 10);
  m_child.SetCaretPos(CPoint(5, 5));
  EXPECT_FALSE(QxTest::Caret().visible);  // a new caret is hidden
  m_child.ShowCaret();
  QxTest::CaretState caret = QxTest::Caret();
  EXPECT_TRUE(caret.visible);
  EXPECT_EQ(caret.owner, &m_child);
  EXPECT_EQ(caret.rect, CRect(5, 5, 7, 15));
  EXPECT_EQ(QxTest::ScreenImage(&m_child).pixel(5, 5) & 0xFFFFFF, 0x000000u);
  EXPECT_EQ(QxTest::ClientImage(&m_child).pixel(5, 5) & 0xFFFFFF, 0xFFFFFFu);
  DestroyCaret();
  EXPECT_EQ(QxTest::Caret().owner, nullptr);
}

TEST_F(UiWindow, ClassCursorIsSetOnMouseMove) {
  QxTest::MouseMove(&m_child, CPoint(3, 3));
  EXPECT_EQ(QxTest::CursorId(), 32515u);  // IDC_CROSS
}

TEST_F(UiWindow, OverlayDrawsOverChildrenAndClearsOnInvalidate) {
  CDC* dc = m_top.GetOverlayDC();
  ASSERT_NE(dc, nullptr);
  dc->FillSolidRect(20, 20, 10, 10, RGB(0, 0, 255));
  m_top.ReleaseOverlayDC(dc);
  QImage shown = QxTest::ScreenImage(&m_top);
  EXPECT_EQ(shown.pixel(25, 25) & 0xFFFFFF, 0x0000FFu);  // above the child at (10,10)-(110,60)
  m_top.Invalidate();
  shown = QxTest::ScreenImage(&m_top);
  EXPECT_NE(shown.pixel(25, 25) & 0xFFFFFF, 0x0000FFu);
}

namespace {

class CThreadTarget : public CWnd {
 public:
  std::vector<WPARAM> m_received;
  LRESULT OnSample(WPARAM w, LPARAM) {
    m_received.push_back(w);
    return 0;
  }
  DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(CThreadTarget, CWnd)
ON_MESSAGE(WM_APP + 9, OnSample)
END_MESSAGE_MAP()

struct PosterArgs {
  HWND hWnd;
  DWORD uiThread;
  int count;
  std::atomic<int> done{0};
};

UINT PostFromWorker(LPVOID param) {
  auto* args = static_cast<PosterArgs*>(param);
  for (int i = 0; i < args->count; ++i) ::PostMessage(args->hWnd, WM_APP + 9, i, 0);
  args->done = 1;
  return 0;
}

}  // namespace

TEST(UiMessagesThreads, PostsFromAWorkerArriveInOrder) {
  CThreadTarget target;
  ASSERT_TRUE(target.CreateEx(0, nullptr, "target", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr));
  PosterArgs args{target.GetSafeHwnd(), QxUiThreadId(), 500};
  CWinThread* worker = AfxBeginThread(PostFromWorker, &args);
  ASSERT_NE(worker, nullptr);
  WaitUntil([&] { return args.done && static_cast<int>(target.m_received.size()) == args.count; });
  ASSERT_EQ(target.m_received.size(), 500u);
  for (int i = 0; i < 500; ++i) EXPECT_EQ(target.m_received[i], static_cast<WPARAM>(i));
  target.DestroyWindow();
}

TEST(UiMessagesThreads, ThreadMessagesNeedTheUserInterfaceThread) {
  EXPECT_NE(QxUiThreadId(), 0u);
  EXPECT_FALSE(PostThreadMessage(QxUiThreadId() + 1000, WM_APP + 8, 0, 0));
}

namespace {

// Records the wheel messages it gets.
class CWheelWnd : public CWnd {
 public:
  struct Turn {
    UINT flags;
    int delta;
    CPoint screen;
  };
  std::vector<Turn> m_turns;

 protected:
  BOOL OnMouseWheel(UINT nFlags, short zDelta, CPoint pt) {
    m_turns.push_back({nFlags, zDelta, pt});
    return TRUE;
  }
  DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(CWheelWnd, CWnd)
ON_WM_MOUSEWHEEL()
END_MESSAGE_MAP()

}  // namespace

TEST(UiWheel, TheWheelCarriesDeltaKeysAndScreenPointAndClimbsToTheParent) {
  CWheelWnd top;
  ASSERT_TRUE(
      top.CreateEx(0, nullptr, "wheel", WS_POPUP | WS_VISIBLE, 40, 30, 200, 120, nullptr, nullptr));
  CWnd child;  // no wheel handler: the parent gets it
  ASSERT_TRUE(
      child.CreateEx(0, nullptr, "child", WS_CHILD | WS_VISIBLE, CRect(20, 10, 80, 60), &top, 1));
  QxTest::MouseUp(&top, CPoint(5, 6));  // no button held from before
  QxTest::Wheel(&top, CPoint(5, 6), WHEEL_DELTA);
  QxTest::Wheel(&child, CPoint(7, 8), -2 * WHEEL_DELTA, MK_CONTROL);
  ASSERT_EQ(top.m_turns.size(), 2u);
  CPoint first(5, 6), second(7, 8);
  top.ClientToScreen(&first);
  child.ClientToScreen(&second);
  EXPECT_EQ(top.m_turns[0].delta, 120);
  EXPECT_EQ(top.m_turns[0].flags, 0u);
  EXPECT_EQ(top.m_turns[0].screen, first);
  EXPECT_EQ(top.m_turns[1].delta, -240);
  EXPECT_EQ(top.m_turns[1].flags, static_cast<UINT>(MK_CONTROL));
  EXPECT_EQ(top.m_turns[1].screen, second);
  top.DestroyWindow();
  QxTest::PumpEvents();
}
