#pragma once
// The program as a user starts it, for the rows that time it whole: the
// application object with its main frame, every bar and one new design, made
// headless inside a private configuration folder.
#include "bench/BenchCheck.h"
#include "bench/BenchLoad.h"
#include "MainFrm.h"
#include "Qorex.h"
#include "Splash.h"
#include "platform/testing/TestHooks.h"
#include "res/Resources.h"

#include <QApplication>
#include <benchmark/benchmark.h>

#include <clocale>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <string>
#include <system_error>

namespace qxbench {

// Started by its constructor, closed (every "Save changes?" answered no) by
// its destructor.
struct StartedProgram {
  StartedProgram() {
    app.SetCommandLine({});
    started = app.InitApplication() && app.InitInstance();
    CSplash::HideSplashScreen();
    QxTest::PumpUntilIdle();
    frame = static_cast<CMainFrame*>(app.m_pMainWnd);
  }
  ~StartedProgram() {
    if (app.m_pMainWnd && IsWindow(app.m_pMainWnd->GetSafeHwnd())) {
      QxTest::MessageBoxScript discard({IDNO, IDNO, IDNO, IDNO});
      app.m_pMainWnd->SendMessage(WM_CLOSE);
    }
    QxTest::PumpEvents();
    app.ExitInstance();
  }
  StartedProgram(const StartedProgram&) = delete;
  StartedProgram& operator=(const StartedProgram&) = delete;

  CQorexApp app;
  bool started = false;
  CMainFrame* frame = nullptr;
};

// The main of such a program: the private folder, the application, the rows
// registerRows registers, the machine's load before and after; returns the
// exit code (RunSpecifiedBenchmarks).
inline int RunStartedProgramRows(int argc, char** argv, const std::function<void()>& registerRows) {
  // The program writes its settings there.
  std::string root = (std::filesystem::temp_directory_path() / "qxbench-XXXXXX").string();
  if (!mkdtemp(root.data())) return 2;
  setenv("QT_QPA_PLATFORM", "offscreen", 0);
  setenv("XDG_CONFIG_HOME", root.c_str(), 1);
  setenv("XDG_RUNTIME_DIR", root.c_str(), 1);
  setenv("XDG_DATA_HOME", (root + "/data").c_str(), 1);
  qxres::RegisterDialogTemplates();
  QApplication qt(argc, argv);
  // Without a screen nobody answers a box or a dialog: each takes its default.
  if (QGuiApplication::platformName() == QLatin1String("offscreen")) QxTest::RunWithoutAScreen();
  std::setlocale(LC_NUMERIC, "C");
  PrintLoad();
  registerRows();
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  const int code = RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  PrintLoad();
  std::error_code ignored;
  std::filesystem::remove_all(root, ignored);
  return code;
}

}  // namespace qxbench
