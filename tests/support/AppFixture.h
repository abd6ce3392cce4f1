#pragma once
// Starting and ending an application object in a test as the framework starts
// and ends it: InitApplication, InitInstance and the pending events; at the end
// the main window closed with every "save changes?" answered No, and
// ExitInstance. The layer's tests start their small application with it, the
// program's tests the program (QorexAppFixture.h).
#include "platform/testing/TestHooks.h"
#include "platform/ui/WinApp.h"

#include <gtest/gtest.h>

namespace qxtest {

// True when both start-up steps succeeded.
inline bool StartApplication(CWinApp& app) {
  const bool started = app.InitApplication() && app.InitInstance();
  QxTest::PumpUntilIdle();
  return started;
}

// Closes the main window, discarding changed documents, and ends the application;
// no document may stay open.
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
