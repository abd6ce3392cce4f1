// The keyboard where the X server gives it, also when the toolkit loses track.
// A box closing while the window manager is late, as on a loaded machine: the
// X server gives the main window the keys while the box shows (the window
// manager carrying out an activation asked for before); the toolkit does not
// take them there but asks the window manager to activate the box instead,
// and the box is answered and gone before the window manager gets to that.
// The X server's focus then stays on the main window and no focus event comes
// again: the main window must be the active one all the same, its focus widget
// taking the keys. And a window the keys left is not made active again. The
// window manager is made late by stopping its process for the while, which
// only a real window system with a window manager of this display can show.
#include "platform/ui/MessageBoxUi.h"
#include "tests/platform/UiTestApp.h"
#include "tests/support/DesktopInput.h"

#include <QAbstractButton>
#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QMainWindow>
#include <QMessageBox>
#include <QTimer>

#include <csignal>
#include <optional>
#include <string>

#ifdef QX_HAVE_X11
// Last: the X headers define names (KeyPress, Bool, None) that Qt's use too.
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#endif

namespace qxtest {
namespace {

#ifdef QX_HAVE_X11
// The name the window manager gives itself on the root window ("Openbox");
// empty without one.
std::string WindowManagerName(Display* display) {
  std::string name;
  auto property = [display](Window window, const char* atom, Atom type, long length, auto&& read) {
    Atom actual = 0;
    int format = 0;
    unsigned long items = 0, after = 0;
    unsigned char* data = nullptr;
    if (XGetWindowProperty(display, window, XInternAtom(display, atom, False), 0, length, False,
                           type, &actual, &format, &items, &after, &data) == Success &&
        data && items > 0)
      read(data, items);
    if (data) XFree(data);
  };
  Window wm = 0;
  property(DefaultRootWindow(display), "_NET_SUPPORTING_WM_CHECK", XA_WINDOW, 1,
           [&](unsigned char* data, unsigned long) { wm = *reinterpret_cast<Window*>(data); });
  if (wm == 0) return name;
  property(wm, "_NET_WM_NAME", XInternAtom(display, "UTF8_STRING", False), 64,
           [&](unsigned char* data, unsigned long items) {
             name.assign(reinterpret_cast<char*>(data), items);
           });
  return name;
}

// The process of that name that serves this display (0: none found).
pid_t WindowManagerProcess(const std::string& name) {
  if (name.empty()) return 0;
  const QByteArray display = "DISPLAY=" + qgetenv("DISPLAY");
  for (const QString& entry : QDir("/proc").entryList(QDir::Dirs)) {
    bool number = false;
    const pid_t pid = entry.toInt(&number);
    QFile comm("/proc/" + entry + "/comm");
    QFile environment("/proc/" + entry + "/environ");
    if (!number || !comm.open(QIODevice::ReadOnly) ||
        QString::fromLatin1(comm.readAll().trimmed())
                .compare(QString::fromStdString(name), Qt::CaseInsensitive) != 0 ||
        !environment.open(QIODevice::ReadOnly))
      continue;
    if (environment.readAll().split('\0').contains(display)) return pid;
  }
  return 0;
}

// The window manager's process stopped while this lives: what it is asked
// meanwhile it carries out once it goes on.
class LateWindowManager {
 public:
  explicit LateWindowManager(pid_t pid) : m_pid(pid) { kill(m_pid, SIGSTOP); }
  ~LateWindowManager() { kill(m_pid, SIGCONT); }
  LateWindowManager(const LateWindowManager&) = delete;
  LateWindowManager& operator=(const LateWindowManager&) = delete;

 private:
  pid_t m_pid;
};

class UiDesktopKeyboard : public UiApp {
 protected:
  void SetUp() override {
    UiApp::SetUp();
    if (!XInputAvailable()) GTEST_SKIP() << "needs an X server with xdotool";
    m_display = XOpenDisplay(nullptr);
    ASSERT_NE(m_display, nullptr);
    m_wm = WindowManagerProcess(WindowManagerName(m_display));
    if (m_wm == 0) GTEST_SKIP() << "needs a window manager of this display to stop";
  }
  void TearDown() override {
    if (m_display) XCloseDisplay(m_display);
    UiApp::TearDown();
  }
  Display* m_display = nullptr;
  pid_t m_wm = 0;
};

// The box answered while the window manager is stopped. The toolkit gives up
// the focus of the box a moment after the box has gone; the main window is
// the active one after that, before the window manager does anything.
TEST_F(UiDesktopKeyboard, TheKeysAreTheMainWindowsAfterABoxGoneBeforeTheWindowManagerActivatedIt) {
  QWidget* main = Frame()->QxMainWindow();
  CWnd* edit = Frame()->m_wndBottomBar.GetDlgItem(IDC_BAR_EDIT1);
  XClick(edit->GetWidget(), edit->GetWidget()->rect().center());
  ASSERT_TRUE(WaitForFocusWindow(main));
  ASSERT_TRUE(QTest::qWaitFor([edit] { return CWnd::GetFocus() == edit; }, kXEventBoundMs));
  bool gaveUp = false;
  QObject watch;
  QObject::connect(qGuiApp, &QGuiApplication::focusWindowChanged, &watch,
                   [&gaveUp](QWindow* now) { gaveUp = gaveUp || now == nullptr; });
  const QxMessageBoxHandler previous = QxSetMessageBoxHandler(&QxShowMessageBox);
  std::optional<LateWindowManager> late;
  bool boxHadTheKeys = false;
  bool toolkitKeptTheBox = false;
  QTimer::singleShot(0, [&] {
    auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
    if (!box) {
      ADD_FAILURE() << "no box showed";
      if (QWidget* modal = QApplication::activeModalWidget()) modal->close();
      return;
    }
    boxHadTheKeys = WaitForFocusWindow(box) && XFocusIsOn(box);
    late.emplace(m_wm);
    XSetInputFocus(m_display, main->winId(), RevertToParent, CurrentTime);
    XSync(m_display, False);
    // The toolkit has read the focus change, and asked for the box's
    // activation rather than take the focus given to the main window; then
    // it has read that request too (it hears its own).
    EXPECT_TRUE(InputReachedProgram());
    toolkitKeptTheBox = QGuiApplication::focusWindow() == box->windowHandle();
    EXPECT_TRUE(InputReachedProgram());
    gaveUp = false;
    // Answered as the box's own loop takes a click: one through the X server
    // would wait for the stopped window manager, which takes the clicks on
    // the windows it frames first.
    if (QAbstractButton* ok = box->buttons().value(0)) SystemClick(ok, ok->rect().center());
    if (box->isVisible()) box->reject();  // should the click have missed
  });
  ::MessageBox(Frame()->GetSafeHwnd(), "Answered before the window manager shows it", "Box", MB_OK);
  QxSetMessageBoxHandler(previous);
  ASSERT_TRUE(boxHadTheKeys) << "the box never got the keyboard";
  ASSERT_TRUE(toolkitKeptTheBox) << "the toolkit followed the X server's focus by itself";
  EXPECT_TRUE(QTest::qWaitFor([&gaveUp] { return gaveUp; }, kXEventBoundMs))
      << "no window was active after the box had gone, or the toolkit kept it";
  QxTest::PumpUntilIdle();
  EXPECT_EQ(QApplication::activeWindow(), main) << FocusReport(main);
  late.reset();  // it activates nothing now: the box has gone, the main window has the focus
  ASSERT_TRUE(WindowManagerCaughtUp());
  EXPECT_TRUE(XFocusIsOn(main));
  EXPECT_TRUE(WaitForFocusWindow(main)) << "the main window has the keys but is not active";
  EXPECT_EQ(CWnd::GetFocus(), edit);
  XType("ab");
  CString text;
  edit->GetWindowText(text);
  EXPECT_STREQ(text, "ab");
}

// The keys gone on from the main window to another program's window, or to
// whatever window the pointer is in (no window was given them then), while
// the window manager does nothing: the toolkit gives up its focus window a
// moment later, and the program does not take it back.
TEST_F(UiDesktopKeyboard, AWindowTheKeysLeftIsNotMadeActiveAgain) {
  QWidget* main = Frame()->QxMainWindow();
  CWnd* edit = Frame()->m_wndBottomBar.GetDlgItem(IDC_BAR_EDIT1);
  // Another program's window, which takes the keyboard without a window
  // manager; off the screen.
  XSetWindowAttributes unmanaged{};
  unmanaged.override_redirect = True;
  const Window other =
      XCreateWindow(m_display, DefaultRootWindow(m_display), -100, -100, 10, 10, 0, CopyFromParent,
                    InputOutput, CopyFromParent, CWOverrideRedirect, &unmanaged);
  XMapWindow(m_display, other);
  XSync(m_display, False);
  bool gaveUp = false;
  QObject watch;
  QObject::connect(qGuiApp, &QGuiApplication::focusWindowChanged, &watch,
                   [&gaveUp](QWindow* now) { gaveUp = gaveUp || now == nullptr; });
  const struct {
    const char* name;
    Window focus;
  } rows[] = {{"another program's window", other}, {"the pointer's window", PointerRoot}};
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    // The pointer stays in the main window.
    XClick(edit->GetWidget(), edit->GetWidget()->rect().center());
    ASSERT_TRUE(WaitForFocusWindow(main));
    gaveUp = false;
    LateWindowManager late(m_wm);  // which would give the main window the keys back
    XSetInputFocus(m_display, row.focus, RevertToParent, CurrentTime);
    XSync(m_display, False);
    ASSERT_TRUE(InputReachedProgram());
    EXPECT_TRUE(QTest::qWaitFor([&gaveUp] { return gaveUp; }, kXEventBoundMs))
        << "the toolkit kept its focus window";
    QxTest::PumpUntilIdle();
    EXPECT_EQ(QGuiApplication::focusWindow(), nullptr) << FocusReport(main);
  }
  XDestroyWindow(m_display, other);
  XSync(m_display, False);
}
#endif

}  // namespace
}  // namespace qxtest
