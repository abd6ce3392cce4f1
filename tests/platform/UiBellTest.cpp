// The beep as the user hears it: on a real window system, MessageBeep rings
// the server's bell through the toolkit, once a beep, also for a beep a worker
// sounds. The rings are counted as the server reports them (XKB bell events)
// on a connection of the test's own.
#include "platform/core/MessageBox.h"
#include "platform/testing/TestHooks.h"
#include "platform/ui/MessageBoxUi.h"
#include "tests/support/DesktopInput.h"

#include <gtest/gtest.h>

#include <QElapsedTimer>

#include <thread>

#ifdef QX_HAVE_X11
// Last: the X headers define names (KeyPress, Bool, None) that Qt's use too.
#include <X11/XKBlib.h>
#endif

namespace {

#ifdef QX_HAVE_X11
// The bells the server rang since it began listening.
class BellListener {
 public:
  BellListener() : m_display(XOpenDisplay(nullptr)) {
    int opcode = 0, error = 0, major = XkbMajorVersion, minor = XkbMinorVersion;
    if (!m_display || !XkbQueryExtension(m_display, &opcode, &m_xkbEvent, &error, &major, &minor) ||
        !XkbSelectEvents(m_display, XkbUseCoreKbd, XkbBellNotifyMask, XkbBellNotifyMask))
      return;
    XSync(m_display, False);
    m_listening = true;
  }
  ~BellListener() {
    if (m_display) XCloseDisplay(m_display);
  }
  bool Listening() const { return m_listening; }
  // Waits until `expected` bells were heard, for at most the bound of an X
  // event (and a little longer for one too many); how many were heard.
  int Heard(int expected) {
    QElapsedTimer waited;
    waited.start();
    while (waited.elapsed() < qxtest::kXEventBoundMs && m_bells < expected) Read();
    QElapsedTimer settle;
    settle.start();
    while (settle.elapsed() < 200) Read();
    return m_bells;
  }

 private:
  void Read() {
    QxTest::PumpEvents();
    while (XPending(m_display) > 0) {
      XkbEvent event;
      XNextEvent(m_display, &event.core);
      if (event.type == m_xkbEvent && event.any.xkb_type == XkbBellNotify) ++m_bells;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }

  Display* m_display;
  int m_xkbEvent = 0;
  bool m_listening = false;
  int m_bells = 0;
};
#endif

TEST(UiBellThreads, EachBeepRingsTheWindowSystemsBellOnce) {
  if (!qxtest::OnRealWindowSystem()) GTEST_SKIP() << "only a window system has a bell";
#ifdef QX_HAVE_X11
  BellListener bells;
  ASSERT_TRUE(bells.Listening()) << "the X server does not report its bell";
  QxBeepHandler previous = QxSetBeepHandler(&QxSoundBell);
  MessageBeep(0xFFFFFFFF);
  MessageBeep(MB_ICONEXCLAMATION);
  std::thread worker([] { MessageBeep(MB_OK); });
  worker.join();
  EXPECT_EQ(bells.Heard(3), 3);
  QxSetBeepHandler(previous);
#else
  GTEST_SKIP() << "built without the X11 development files";
#endif
}

}  // namespace
