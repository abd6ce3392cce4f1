// A switch of designs, in the program as it starts for a user (the
// application object, the main frame with every bar, each design maximised
// in its window): the next design activated by the MDI area's own road (what
// Ctrl+F6 and Ctrl+Tab take), then the events it posted delivered, so that
// the row times everything the switch costs before the program is idle again.
//
// Workload: two designs, the 3 x 3 design of bench/ThreeByThreeDesign.h
// (10,000 samples, three signal panes, a 30-step locus) and a new design (one
// pane); each iteration activates the other one. Reported: the time per
// switch, and as counters the passes of UpdateAll per switch (one turns every
// bar to the activated design) and the machine's load before and after.
//
// Each switch checks that the shown design changed: the active window's
// design is the other one and the "SimulationView" bar shows it. A row whose
// switch left either on the old design ends with an error, and the program
// exits non-zero.
//
// For the processor's instructions per switch, run it under callgrind with
// collection only inside the switch:
//   valgrind --tool=callgrind --collect-atstart=no --toggle-collect='*SwitchOnce*'
//     bench_switch --benchmark_filter=switch/ --benchmark_min_time=20x
// and divide the instructions by the switches counted.
#include "bench/BenchCheck.h"
#include "bench/BenchLoad.h"
#include "bench/ThreeByThreeDesign.h"
#include "DesignBar.h"
#include "MainFrm.h"
#include "Qorex.h"
#include "QorexDoc.h"
#include "Splash.h"
#include "platform/testing/TestHooks.h"
#include "res/Resources.h"

#include <QApplication>
#include <benchmark/benchmark.h>

#include <algorithm>
#include <clocale>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <system_error>

namespace {

// The program started as a user starts it, with a second design opened.
struct Program {
  Program() {
    app.SetCommandLine({});
    started = app.InitApplication() && app.InitInstance();
    CSplash::HideSplashScreen();
    QxTest::PumpUntilIdle();
    frame = static_cast<CMainFrame*>(app.m_pMainWnd);
    if (!started || !frame) return;
    if (CQorexDoc* first = Active()) {
      qxbench::MakeThreeByThree(*first);
      first->UpdateAll();
    }
    frame->SendMessage(WM_COMMAND, ID_FILE_NEW);
    QxTest::PumpUntilIdle();
  }
  ~Program() {
    if (app.m_pMainWnd && IsWindow(app.m_pMainWnd->GetSafeHwnd())) {
      QxTest::MessageBoxScript discard({IDNO, IDNO, IDNO, IDNO});
      app.m_pMainWnd->SendMessage(WM_CLOSE);
    }
    QxTest::PumpEvents();
    app.ExitInstance();
  }
  CQorexDoc* Active() const {
    CMDIChildWnd* child = frame ? frame->MDIGetActive() : nullptr;
    return child ? static_cast<CQorexDoc*>(child->GetActiveDocument()) : nullptr;
  }
  bool Ready() const { return started && app.GetOpenDocumentCount() == 2 && Active(); }

  CQorexApp app;
  bool started = false;
  CMainFrame* frame = nullptr;
};

// One switch: the next design activated, and what it posted delivered.
[[gnu::noinline]] void SwitchOnce(CMainFrame* frame) {
  frame->MDINext();
  QxTest::PumpEvents();
}

void BM_Switch(benchmark::State& state) {
  Program program;
  if (!qxbench::Check(state, program.Ready(), "the program did not start with two designs")) return;
  const unsigned long passesBefore = CQorexDoc::BarTurns();
  long switches = 0;
  for (auto _ : state) {
    const CQorexDoc* before = program.Active();
    SwitchOnce(program.frame);
    const CQorexDoc* now = program.Active();
    ++switches;
    if (!qxbench::Check(state, now != before, "the switch left the old design active") ||
        !qxbench::Check(state, SimulationViewDesign() == now,
                        "SimulationView does not show the activated design"))
      break;
  }
  state.counters["passes_per_switch"] =
      double(CQorexDoc::BarTurns() - passesBefore) / double(std::max(1L, switches));
}

}  // namespace

int main(int argc, char** argv) {
  // A private configuration folder: the program writes its settings there.
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
  qxbench::PrintLoad();
  benchmark::RegisterBenchmark("switch/3x3_and_new_design/mdi_next", BM_Switch)
      ->Unit(benchmark::kMicrosecond);
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  const int code = qxbench::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  qxbench::PrintLoad();
  std::error_code ignored;
  std::filesystem::remove_all(root, ignored);
  return code;
}
