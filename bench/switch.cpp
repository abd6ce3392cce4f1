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
#include "bench/StartedProgram.h"
#include "bench/ThreeByThreeDesign.h"
#include "DesignBar.h"
#include "MainFrm.h"
#include "QorexDoc.h"
#include "platform/testing/TestHooks.h"

#include <benchmark/benchmark.h>

#include <algorithm>

namespace {

// The program started as a user starts it, the first design made the 3 x 3
// one, with a new design opened beside it.
struct Program {
  Program() {
    if (!program.started || !frame) return;
    if (CQorexDoc* first = Active()) {
      qxbench::MakeThreeByThree(*first);
      first->UpdateAll();
    }
    frame->SendMessage(WM_COMMAND, ID_FILE_NEW);
    QxTest::PumpUntilIdle();
  }
  CQorexDoc* Active() const {
    CMDIChildWnd* child = frame ? frame->MDIGetActive() : nullptr;
    return child ? static_cast<CQorexDoc*>(child->GetActiveDocument()) : nullptr;
  }
  bool Ready() const {
    return program.started && program.app.GetOpenDocumentCount() == 2 && Active();
  }

  qxbench::StartedProgram program;
  CMainFrame* frame = program.frame;
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
  return qxbench::RunStartedProgramRows(argc, argv, [] {
    benchmark::RegisterBenchmark("switch/3x3_and_new_design/mdi_next", BM_Switch)
        ->Unit(benchmark::kMicrosecond);
  });
}
