// One step of a pole drag, in the program as it starts for a user (the
// application object, the main frame with every bar, one design in its
// maximised view): a real mouse move on the root locus runs the drag
// group's local search, records the design (recording is off, as at start),
// recalculates it and updates every window and bar, ending in the view's
// block copy.
//
// Workload: G = [[1/(s+1), 0.5/(2s+1)], [0.3/(s+2), 2/((s+1)(0.5s+1))]],
// K = diag(k_i (1 + 1/(T_i s))), k = (2, 1.5), T = (1, 2) (free: k1, T1, k2,
// T2), P = L = F = I, command (1, 1), Tf = 30 s, Ts = 0.01 s (3,000 samples),
// one 30-step logarithmic locus on k1. The left button goes down on the
// closed-loop pole with the largest imaginary part, then 200 moves of 1 px to
// the right, each timed from the event to its return (the block copy is the
// last thing it does).
//
// Reported (milliseconds, as counters): p50, p95 and max per move, the cost
// evaluations per step, and the split of a step into search, recalculation
// and update (the same 200 steps driven member by member). The peer, in the
// same run: the design's Recalculate + UpdateAll alone. Also a Shift release
// (one local search plus the global stage, untargeted) and the same drag with
// recording switched on. Target: p95 of the moves at most 16 ms. The
// machine's load (/proc/loadavg) is printed before and after.
//
// The press is placed by the view's own mapping of the pole (the root-locus
// scene's value to pixel); when the view does not hold the pole and the 200
// pixels to its right (wider bars narrow it), the main frame is grown until it
// does. A row whose press grabbed no pole, whose drag evaluated nothing or
// moved no variable, or whose recording recorded nothing ends with an error,
// and the program exits non-zero.
//
// The drag to the right lowers T2 step by step; about 95 moves in the search
// reaches T2 = 0, where K2 divides by zero, the loop determinant keeps one
// root and the grabbed pole is lost: the later moves time the recalculation
// and update of that design without a search (counter following_moves).
#include "bench/BenchCheck.h"
#include "bench/StartedProgram.h"
#include "GlobalResources.h"
#include "MainFrm.h"
#include "QorexDoc.h"
#include "diagrams/QOX_DragGroup.h"
#include "diagrams/QOX_DragPole.h"
#include "diagrams/QorexView.h"
#include "diagrams/RootLocus.h"
#include "platform/testing/TestHooks.h"
#include "search/EqualizerBar.h"
#include "search/QOX_HistVar.h"
#include "tests/diagrams/DragTestSupport.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;
constexpr int kMoves = 200;

double Ms(Clock::time_point a, Clock::time_point b) {
  return std::chrono::duration<double, std::milli>(b - a).count();
}

double Quantile(std::vector<double> v, double q) {
  if (v.empty()) return 0.0;
  std::sort(v.begin(), v.end());
  const size_t i = std::min(v.size() - 1, static_cast<size_t>(std::ceil(q * v.size())) - 1);
  return v[q > 0 ? i : 0];
}

void Report(benchmark::State& state, const char* name, const std::vector<double>& ms) {
  state.counters[std::string(name) + "_p50_ms"] = Quantile(ms, 0.5);
  state.counters[std::string(name) + "_p95_ms"] = Quantile(ms, 0.95);
  state.counters[std::string(name) + "_max_ms"] = Quantile(ms, 1.0);
}

// The program started as a user starts it, with the drag design in its view.
struct Program {
  Program() {
    CMDIChildWnd* child = frame ? frame->MDIGetActive() : nullptr;
    view = child ? dynamic_cast<CQorexView*>(child->GetActiveView()) : nullptr;
    doc = view ? view->GetDocument() : nullptr;
    if (doc) {
      dragtest::MakeDragDesign(*doc);
      doc->UpdateAll();
      QxTest::PumpUntilIdle();
    }
  }
  bool Ready() const { return program.started && frame && view && doc; }

  // The pixel of the top closed-loop pole by the view's own mapping, the frame
  // grown once if the view does not hold the pole and the moves to its right.
  // Empty, with the reason in `why`, when the view cannot hold them.
  std::optional<CPoint> TopPolePixel(std::string* why) {
    const McComplex pole = dragtest::TopPole(*doc);
    for (int attempt = 0;; ++attempt) {
      const RootLocusScene scene = RootLocusSceneOf(*doc);
      CRect client;
      view->GetClientRect(&client);
      POINT at;
      if (RootLocusPixel(scene, pole, client.Width(), client.Height(), &at) &&
          client.PtInRect(at) && at.x + kMoves + kMargin <= client.right &&
          at.y + kMargin <= client.bottom)
        return CPoint(at.x, at.y);
      // Where the mapping puts the pole in a view of any size.
      const double x = scene.origin.x + std::trunc(pole.re * scene.scaleX);
      const double y = scene.origin.y - std::trunc(pole.im * scene.scaleY);
      char text[160];
      std::snprintf(text, sizeof text,
                    "the top pole (%.3g%+.3gj) maps to (%.0f, %.0f), outside the %d x %d view",
                    pole.re, pole.im, x, y, client.Width(), client.Height());
      *why = text;
      if (attempt > 0 || !(x >= kMargin && y >= kMargin && x < 4000 && y < 4000)) return {};
      CRect outer;
      frame->GetWindowRect(&outer);
      const int wider = std::max(0, static_cast<int>(x) + kMoves + kMargin - client.Width());
      const int taller = std::max(0, static_cast<int>(y) + kMargin - client.Height());
      frame->MoveWindow(outer.left, outer.top, outer.Width() + wider, outer.Height() + taller);
      QxTest::PumpUntilIdle();
    }
  }
  QOX_DragPole& Grabbed() const { return *doc->m_pDragGroup->Item(0); }
  // The free variables k1, T1, k2, T2.
  std::vector<double> Variables() const {
    std::vector<double> v;
    for (auto [name, sub] : {std::pair{"k", "1"}, {"T", "1"}, {"k", "2"}, {"T", "2"}})
      v.push_back(dragtest::Var(*doc, name, sub));
    return v;
  }
  // The press went down on a pole: the view took the mouse and the drag
  // group holds the pole.
  bool Pressed() const { return QxTest::Capture() == view && doc->m_pDragGroup->m_nCount > 0; }

  static constexpr int kMargin = 8;
  qxbench::StartedProgram program;
  CMainFrame* frame = program.frame;
  CQorexView* view = nullptr;
  CQorexDoc* doc = nullptr;
};

// The program started with the pole in its view, or the row ended with the reason.
std::optional<CPoint> Start(benchmark::State& state, Program& program) {
  if (!qxbench::Check(state, program.Ready(), "the program did not start")) return {};
  std::string why;
  const std::optional<CPoint> p = program.TopPolePixel(&why);
  if (!qxbench::Check(state, p.has_value(), why)) return p;
  static bool told = false;
  if (!told) {
    told = true;
    CRect client;
    program.view->GetClientRect(&client);
    std::fprintf(stderr, "press at (%ld, %ld) in a %d x %d view\n", long(p->x), long(p->y),
                 client.Width(), client.Height());
  }
  return p;
}

std::string At(const char* what, CPoint p) {
  return std::string(what) + " at (" + std::to_string(p.x) + ", " + std::to_string(p.y) + ")";
}

// 200 mouse moves of 1 px to the right after a press on the top pole.
void BM_DragStep(benchmark::State& state, bool recording) {
  Program program;
  const std::optional<CPoint> top = Start(state, program);
  if (!top) return;
  if (g_pEqualizerBar)
    g_pEqualizerBar->m_wRecord = static_cast<WORD>(recording ? g_pEqualizerBar->m_wRecord | 1
                                                             : g_pEqualizerBar->m_wRecord & ~1);
  std::vector<double> moves, followingMoves;
  long evaluations = 0;
  const std::vector<double> values = program.Variables();
  const int recorded = program.doc->m_pHistory ? program.doc->m_pHistory->m_nCount : 0;
  for (auto _ : state) {
    CPoint p = *top;
    QxTest::MouseDown(program.view, p);
    if (!qxbench::Check(state, program.Pressed(), At("the press grabbed no pole", p))) break;
    const long before = program.Grabbed().m_nEvaluations;
    int following = 0;
    for (int i = 0; i < kMoves; ++i) {
      ++p.x;
      const long step = program.Grabbed().m_nEvaluations;
      const auto start = Clock::now();
      QxTest::MouseMove(program.view, p);
      moves.push_back(Ms(start, Clock::now()));
      if (program.Grabbed().m_nEvaluations - step > 2) {
        ++following;
        followingMoves.push_back(moves.back());
      }
    }
    evaluations += program.Grabbed().m_nEvaluations - before;
    QxTest::MouseUp(program.view, p);
    state.counters["following_moves"] = following;
  }
  if (g_pEqualizerBar)
    g_pEqualizerBar->m_wRecord = static_cast<WORD>(g_pEqualizerBar->m_wRecord & ~1);
  qxbench::Check(state, evaluations > 0, "the drag evaluated nothing");
  qxbench::Check(state, program.Variables() != values, "the drag moved no variable");
  if (recording)
    qxbench::Check(state, program.doc->m_pHistory && program.doc->m_pHistory->m_nCount > recorded,
                   "the drag recorded no design");
  Report(state, "move", moves);
  Report(state, "following_move", followingMoves);
  state.counters["evaluations_per_step"] =
      double(evaluations) / double(std::max<size_t>(1, moves.size()));
  state.counters["samples"] = program.doc->m_system.m_nSteps;
  state.counters["cl_poles"] = program.doc->m_system.m_detIFLGK.m_nNum - 1;
}

// The same 200 steps member by member: search, recalculation, update.
void BM_DragStepSplit(benchmark::State& state) {
  Program program;
  const std::optional<CPoint> top = Start(state, program);
  if (!top) return;
  std::vector<double> search, recalc, update;
  long evaluations = 0;
  const std::vector<double> start = program.Variables();
  for (auto _ : state) {
    CPoint p = *top;
    QOX_DragGroup& group = *program.doc->m_pDragGroup;
    if (!qxbench::Check(state, group.HitTest(p.x, p.y, FALSE) > 0, At("no pole lies", p))) break;
    for (int i = 0; i < kMoves; ++i) {
      ++p.x;
      const long step = program.Grabbed().m_nEvaluations;
      const auto t0 = Clock::now();
      group.DragTo(p.x, p.y);
      const auto t1 = Clock::now();
      program.doc->Recalculate();
      const auto t2 = Clock::now();
      program.doc->UpdateAll();
      const auto t3 = Clock::now();
      // The steps that still follow the grabbed pole (see above).
      if (program.Grabbed().m_nEvaluations - step <= 2) continue;
      evaluations += program.Grabbed().m_nEvaluations - step;
      search.push_back(Ms(t0, t1));
      recalc.push_back(Ms(t1, t2));
      update.push_back(Ms(t2, t3));
    }
  }
  qxbench::Check(state, !search.empty(), "no step followed the grabbed pole");
  qxbench::Check(state, program.Variables() != start, "the drag moved no variable");
  state.counters["following_steps"] = double(search.size());
  state.counters["evaluations_per_step"] =
      double(evaluations) / double(std::max<size_t>(1, search.size()));
  Report(state, "search", search);
  Report(state, "recalculate", recalc);
  Report(state, "update", update);
}

// The peer: the design's road of a change alone.
void BM_RecalculateAndUpdate(benchmark::State& state) {
  Program program;
  if (!qxbench::Check(state, program.Ready(), "the program did not start")) return;
  std::vector<double> ms;
  for (auto _ : state) {
    for (int i = 0; i < kMoves; ++i) {
      const auto start = Clock::now();
      program.doc->Recalculate();
      program.doc->UpdateAll();
      ms.push_back(Ms(start, Clock::now()));
    }
  }
  qxbench::Check(
      state, program.doc->m_system.m_nSteps == 3000 && program.doc->m_system.m_detIFLGK.m_nNum > 1,
      "the recalculation simulated no run of 3,000 samples or found no pole");
  Report(state, "peer", ms);
}

// A Shift drag of 20 px: nothing during the moves, one local search with the
// global stage at the release, then the recording, recalculation and update.
void BM_ShiftRelease(benchmark::State& state) {
  std::vector<double> ms;
  long evaluations = 0;
  for (auto _ : state) {
    Program program;
    const std::optional<CPoint> top = Start(state, program);
    if (!top) break;
    CPoint p = *top;
    QxTest::MouseDown(program.view, p, QxTest::Button::Left, MK_SHIFT);
    if (!qxbench::Check(state, program.Pressed(), At("the press grabbed no pole", p))) break;
    p.x += 20;
    QxTest::MouseMove(program.view, p, MK_SHIFT);
    const std::vector<double> start = program.Variables();
    const long before = program.Grabbed().m_nEvaluations;
    const auto t0 = Clock::now();
    QxTest::MouseUp(program.view, p, QxTest::Button::Left, MK_SHIFT);
    ms.push_back(Ms(t0, Clock::now()));
    state.SetIterationTime(ms.back() / 1000.0);
    evaluations += program.Grabbed().m_nEvaluations - before;
    if (!qxbench::Check(state, program.Grabbed().m_nEvaluations > before,
                        "the release evaluated nothing") ||
        !qxbench::Check(state, program.Variables() != start, "the release moved no variable"))
      break;
  }
  Report(state, "release", ms);
  state.counters["evaluations"] = double(evaluations) / double(std::max<size_t>(1, ms.size()));
}

}  // namespace

int main(int argc, char** argv) {
  return qxbench::RunStartedProgramRows(argc, argv, [] {
    // One drag each: a second press at once would be a double click.
    benchmark::RegisterBenchmark("dragstep/2x2_pi_3000_samples/mouse_move", BM_DragStep, false)
        ->Iterations(1)
        ->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark("dragstep/2x2_pi_3000_samples/mouse_move_recording", BM_DragStep,
                                 true)
        ->Iterations(1)
        ->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark("dragstep/2x2_pi_3000_samples/split", BM_DragStepSplit)
        ->Iterations(1)
        ->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark("dragstep/2x2_pi_3000_samples/peer_recalculate_update",
                                 BM_RecalculateAndUpdate)
        ->Iterations(1)
        ->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark("dragstep/2x2_pi_3000_samples/shift_release", BM_ShiftRelease)
        ->Iterations(3)
        ->UseManualTime()
        ->Unit(benchmark::kMillisecond);
  });
}
