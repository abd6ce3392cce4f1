// The start-up picture: shown over the main window, gone after its second or
// at the first key or button press, which it swallows.
#include "tests/support/QorexAppFixture.h"
#include "res/resource.h"

#include <cstdlib>

namespace {

class SplashScreen : public QorexAppTest {
 protected:
  SplashScreen() {
    m_bKeepSplash = true;
    m_bManualTimers = true;
  }
  void TearDown() override {
    CSplash::HideSplashScreen();
    QorexAppTest::TearDown();
  }
};

}  // namespace

TEST_F(SplashScreen, ShowsTheStartPictureCentredOverTheMainWindow) {
  CSplash* splash = CSplash::c_pSplashWnd;
  ASSERT_NE(splash, nullptr);
  EXPECT_TRUE(splash->IsWindowVisible());
  CRect client;
  splash->GetClientRect(&client);
  EXPECT_EQ(client.Size(), CSize(329, 172));
  CRect splashRect, frameRect;
  splash->GetWindowRect(&splashRect);
  Frame()->GetWindowRect(&frameRect);
  // Centred while the frame was being made; its edges settle once it shows.
  EXPECT_LE(std::abs(splashRect.CenterPoint().x - frameRect.CenterPoint().x), 4);
  EXPECT_LE(std::abs(splashRect.CenterPoint().y - frameRect.CenterPoint().y), 4);
  const auto timers = QxTest::Timers(splash);
  ASSERT_EQ(timers.size(), 1u);
  EXPECT_EQ(timers[0], (std::pair<UINT_PTR, UINT>(1, 1000)));
  // The picture is what the window shows.
  CBitmap bitmap;
  ASSERT_TRUE(bitmap.LoadBitmap(IDB_SPLASH));
  EXPECT_EQ(QxTest::ClientImage(splash).convertToFormat(QImage::Format_RGB32),
            bitmap.ToImage().convertToFormat(QImage::Format_RGB32));
}

TEST_F(SplashScreen, FirstKeyPressOnlyHidesTheSplash) {
  ASSERT_NE(CSplash::c_pSplashWnd, nullptr);
  ASSERT_EQ(m_app->GetOpenDocumentCount(), 1);
  // Ctrl+N would open a design; the first press is the splash's.
  QxTest::PressKey('N', MK_CONTROL, Frame());
  QxTest::PumpUntilIdle();
  EXPECT_EQ(CSplash::c_pSplashWnd, nullptr);
  EXPECT_EQ(m_app->GetOpenDocumentCount(), 1);
  QxTest::PressKey('N', MK_CONTROL, Frame());
  QxTest::PumpUntilIdle();
  EXPECT_EQ(m_app->GetOpenDocumentCount(), 2);
}

TEST_F(SplashScreen, TakesOnlyPressesAndOnlyWhileItShows) {
  MSG msg{};
  msg.hwnd = Frame()->GetSafeHwnd();
  for (UINT message : {WM_MOUSEMOVE, WM_KEYUP, WM_CHAR, WM_TIMER, WM_RBUTTONDOWN, WM_KEYDOWN}) {
    msg.message = message;
    // The right button press is the first press, taken; the key after it is not.
    EXPECT_EQ(CSplash::PreTranslateAppMessage(&msg) != FALSE, message == WM_RBUTTONDOWN) << message;
  }
  EXPECT_EQ(CSplash::c_pSplashWnd, nullptr);
}

TEST_F(SplashScreen, TimerEndsItAndItIsShownOnce) {
  ASSERT_NE(CSplash::c_pSplashWnd, nullptr);
  QxTest::FireTimer(CSplash::c_pSplashWnd, 1);
  QxTest::PumpEvents();
  EXPECT_EQ(CSplash::c_pSplashWnd, nullptr);
  CSplash::EnableSplashScreen(FALSE);
  CSplash::ShowSplashScreen(Frame());
  EXPECT_EQ(CSplash::c_pSplashWnd, nullptr);
}
