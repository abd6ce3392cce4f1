#pragma once
// The whole program started headless: the application object, its main frame
// with the bars and one new design, as the program starts. Tests drive it
// through the windows layer's hooks.
#include "ChildFrm.h"
#include "MainFrm.h"
#include "Qorex.h"
#include "QorexDoc.h"
#include "Splash.h"
#include "diagrams/QorexView.h"
#include "platform/testing/TestHooks.h"
#include "platform/ui/DocTemplate.h"
#include "platform/ui/FrameWnd.h"
#include "res/Resources.h"
#include "res/resource.h"
#include "tests/support/AppFixture.h"

#include <gtest/gtest.h>

#include <memory>
#include <vector>

// Starts the application with the arguments; the caller ends it with StopApp.
inline std::unique_ptr<CQorexApp> StartApp(std::vector<CString> args, BOOL* started,
                                           bool keepSplash = false) {
  auto app = std::make_unique<CQorexApp>();
  app->SetCommandLine(std::move(args));
  *started = qxtest::StartApplication(*app);
  if (!keepSplash) {
    CSplash::HideSplashScreen();
    QxTest::PumpUntilIdle();
  }
  return app;
}

inline void StopApp(std::unique_ptr<CQorexApp> app) {
  qxtest::StopApplication(*app);
}

// The application object with its document template and no windows, for
// threaded tests: the thread sanitizer cannot see into the threads Qt paints
// windows with. The template is the application's.
inline CMultiDocTemplate* StartWindowlessApp(std::unique_ptr<CQorexApp>& app) {
  QxRegisterResources();
  app = std::make_unique<CQorexApp>();
  EXPECT_TRUE(app->InitApplication());
  auto* docTemplate = new CMultiDocTemplate(IDR_QOREXTYPE, RUNTIME_CLASS(CQorexDoc),
                                            RUNTIME_CLASS(CChildFrame), RUNTIME_CLASS(CQorexView));
  app->AddDocTemplate(docTemplate);
  return docTemplate;
}

inline CQorexDoc* ActiveDocOf(CQorexApp& app) {
  auto* frame = static_cast<CMainFrame*>(app.m_pMainWnd);
  CMDIChildWnd* child = frame ? frame->MDIGetActive() : nullptr;
  return child ? static_cast<CQorexDoc*>(child->GetActiveDocument()) : nullptr;
}

class QorexAppTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (m_bManualTimers) QxTest::SetManualTimers(true);
    BOOL started = FALSE;
    m_app = StartApp({}, &started, m_bKeepSplash);
    ASSERT_TRUE(started);
  }
  void TearDown() override {
    StopApp(std::move(m_app));
    if (m_bManualTimers) QxTest::SetManualTimers(false);
  }

  CMainFrame* Frame() const { return static_cast<CMainFrame*>(m_app->m_pMainWnd); }
  CQorexDoc* ActiveDoc() const { return ActiveDocOf(*m_app); }
  // The check the command's update handler gives its menu item.
  int Checked(UINT id) const {
    CCmdUI ui;
    ui.m_nID = id;
    ui.DoUpdate(Frame(), TRUE);
    return ui.m_nCheck;
  }

  std::unique_ptr<CQorexApp> m_app;
  bool m_bKeepSplash = false;
  bool m_bManualTimers = false;
};
