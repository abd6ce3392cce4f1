#pragma once
// An application object started and ended in a test as the framework does it.
// The layer's tests start their small application with it, the program's
// tests the program (QorexAppFixture.h).
#include "platform/testing/TestHooks.h"
#include "platform/ui/WinApp.h"

#include <gtest/gtest.h>

namespace qxtest {

// InitApplication, InitInstance, then the pending events; true when both succeeded.
inline bool StartApplication(CWinApp& app) {
  const bool started = app.InitApplication() && app.InitInstance();
  QxTest::PumpUntilIdle();
  return started;
}

// Closes the main window, answering No to every "save changes?", then
// ExitInstance; no document may stay open.
inline void StopApplication(CWinApp& app) {
  if (app.m_pMainWnd && IsWindow(app.m_pMainWnd->GetSafeHwnd())) {
    QxTest::MessageBoxScript discard({IDNO, IDNO, IDNO, IDNO});
    app.m_pMainWnd->SendMessage(WM_CLOSE);
  }
  QxTest::PumpEvents();
  EXPECT_EQ(app.GetOpenDocumentCount(), 0);
  app.ExitInstance();
}

}  // namespace qxtest
