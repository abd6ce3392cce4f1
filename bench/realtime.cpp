// Real-time control: what one sample costs, and how well real runs keep their
// period, against both peers (tools/fake_dt2801 on the device socket, and
// tools/qorex_companion on the local bus).
//
// Designs: "new" (the default design) and "3x3" (the 3 x 3 design of
// bench/recalculate.cpp: PI controllers, P = L = F = I).
//
// Cost per sample: CSIMsystem::RealtimeStep on each peer, beside
// CSIMsystem::SimulateStep of the same design: median and p99 in us, and the
// allocations per sample (every allocation of the process counted during the
// calls).
//
// Period error: real runs started with CSIMsystem::StartRealtime at Ts =
// 0.001 s (2000 samples), 0.02 s (500), 0.05 s (200) and 0.1 s (100) on the
// new design. A period is the time between two sample starts as the peer saw
// them on its monotonic clock (the board: each read of input 0; the
// companion: each DAC frame); its error is that minus the period. Beside
// them, the bare pacing loop (the same GetTickCount and Sleep, no work) timed
// in this program. Reported: p50, p99 and max of |error| in ms, the overruns
// (periods longer than 1.5 periods), and the allocations per sample on the
// whole road a sample takes in the program: the worker's sample and posts,
// the bus's reader and its wake, and the hand-overs and deliveries on this
// thread, which runs Qt's event loop as the program's does; counted after the
// run's first tenth, from the first slice repaint delivered then to the last,
// every thread but the one reading the peer's log.
//
// Plain program: bench_realtime [--quick] prints two tables, with the
// machine's load before and after. A row whose work did not happen (a peer
// that saw no sample of the cost run, a simulation that left the output zero,
// a real run in which the peer saw no period) prints an error in its place,
// and the program exits non-zero.
#include "bench/BenchLoad.h"
#include "bench/ThreeByThreeDesign.h"
#include "GlobalResources.h"
#include "QorexDoc.h"
#include "platform/core/Clock.h"
#include "platform/core/Thread.h"
#include "platform/io/Bus.h"
#include "platform/ui/MessageQueue.h"
#include "WorkerMessages.h"
#include "search/SearchGlobals.h"
#include "simulation/AnalogIoGlobals.h"
#include "simulation/DT2801.h"
#include "simulation/SIMsystem.h"
#include "tests/platform/IoPeerProcess.h"
#include "tests/support/AllocationCounter.h"
#include "tests/support/TreeBuilders.h"

#include <QAbstractEventDispatcher>
#include <QCoreApplication>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <thread>
#include <unistd.h>
#include <vector>

extern std::atomic<CWinThread*> g_pWorkerThread;

namespace {

using namespace qxtest::trees;
using Clock = std::chrono::steady_clock;

std::unique_ptr<CQorexDoc> NewDesign(double ts, double tf) {
  auto doc = std::make_unique<CQorexDoc>();
  doc->m_dSamplingTime = ts;
  doc->m_dFinalTime = tf;
  doc->Recalculate();
  return doc;
}

std::unique_ptr<CQorexDoc> ThreeByThree(double ts, double tf) {
  auto doc = std::make_unique<CQorexDoc>();
  qxbench::SetThreeByThreeLoop(*doc);
  qxbench::SetDefinition(doc->m_signals, kSigClipMin, Matrix(1, {Real(-10), Real(-10), Real(-10)}));
  qxbench::SetDefinition(doc->m_signals, kSigClipMax, Matrix(1, {Real(10), Real(10), Real(10)}));
  qxbench::SetDefinition(
      doc->m_signals, kSigUProc,
      Matrix(1, {Fn("u", Time(), 0, "1"), Fn("u", Time(), 0, "2"), Fn("u", Time(), 0, "3")}));
  qxbench::SetDefinition(
      doc->m_signals, kSigYProc,
      Matrix(1, {Fn("y", Time(), 0, "1"), Fn("y", Time(), 0, "2"), Fn("y", Time(), 0, "3")}));
  doc->m_dSamplingTime = ts;
  doc->m_dFinalTime = tf;
  doc->UpdateUsedVariables();
  const double k[] = {2, 1.5, 1};
  const char* subs[] = {"1", "2", "3"};
  for (int i = 0; i < 3; ++i) doc->m_vars.m_pValue[doc->m_vars.Find("k", subs[i], 0)] = k[i];
  doc->Recalculate();
  return doc;
}

// One peer and the analog I/O device that talks to it.
struct Peer {
  std::string name;
  std::unique_ptr<qxtest::PeerProcess> process;
  std::unique_ptr<CDT2801> device;
  std::string bus;

  // Lines the peer wrote so far, read without waiting for more.
  // The peer's log lines as they come, up to `most` of them, so that a peer
  // logging every sample cannot keep the caller from the bus.
  std::vector<std::string> Drain(int waitMs, std::size_t most = SIZE_MAX) {
    std::vector<std::string> lines;
    for (std::string line = process->ReadLine(waitMs); !line.empty();
         line = lines.size() < most ? process->ReadLine(waitMs) : std::string())
      lines.push_back(line);
    return lines;
  }
};

std::unique_ptr<Peer> StartBoard(const std::string& dir) {
  auto peer = std::make_unique<Peer>();
  peer->name = "fake_dt2801";
  const std::string socket = dir + "/dt2801.sock";
  peer->process = std::make_unique<qxtest::PeerProcess>(
      "fake_dt2801", std::vector<std::string>{"--socket", socket, "--times", "1"});
  if (peer->process->ReadLine() != "ready") return nullptr;
  setenv("QX_DEVICE_DT2801", socket.c_str(), 1);
  peer->device = std::make_unique<CDT2801>();
  unsetenv("QX_DEVICE_DT2801");
  return peer->device->m_bEmulate ? nullptr : std::move(peer);
}

std::unique_ptr<Peer> StartCompanion(const std::string& dir) {
  auto peer = std::make_unique<Peer>();
  peer->name = "qorex_companion";
  setenv("QX_BUS_DIR", dir.c_str(), 1);
  if (!QxBusJoin()) return nullptr;
  peer->process = std::make_unique<qxtest::PeerProcess>(
      "qorex_companion", std::vector<std::string>{"--times", "1", "--lag", "0.5"});
  if (peer->process->ReadLine().rfind("ready", 0) != 0) return nullptr;
  unsetenv("QX_DEVICE_DT2801");
  peer->device = std::make_unique<CDT2801>();
  QxBusSetReceiver([device = peer->device.get()](UINT message, WPARAM w, LPARAM l) {
    if (message == g_msgAdc) device->ReceiveInputs(w, l);
  });
  return peer;
}

// Rows whose work did not happen.
int g_failures = 0;

// Prints the row's error in its place in the table; false.
bool Fail(const char* design, const char* peer, const char* what, const std::string& why) {
  ++g_failures;
  std::printf("%-5s %-16s %-13s ERROR: %s\n", design, peer, what, why.c_str());
  return false;
}

struct Figures {
  double p50, p99, max;
  int overruns;
};

Figures Summarise(std::vector<double> values, double period) {
  Figures f{0, 0, 0, 0};
  if (values.empty()) return f;
  for (double v : values)
    if (v > 0.5 * period) ++f.overruns;
  for (double& v : values) v = std::fabs(v);
  std::sort(values.begin(), values.end());
  f.p50 = values[values.size() / 2];
  f.p99 = values[std::min(values.size() - 1, values.size() * 99 / 100)];
  f.max = values.back();
  return f;
}

// ---- cost per sample -----------------------------------------------------------------

void CostPerSample(const char* design, CQorexDoc& doc, Peer* peer, int samples) {
  CSIMsystem sim;
  sim.m_dTs = doc.m_dSamplingTime;
  sim.m_nSteps = samples;
  sim.Setup(&doc);
  std::vector<double> step(samples), simulate(samples);
  long stepAllocations = 0, simulateAllocations = 0;
  std::size_t peerLines = 0;
  if (peer != nullptr) {
    g_pAnalogIo = peer->device.get();
    for (int k = 0; k < samples; ++k) {
      const long before = qxtest::AllocationCount();
      const auto t0 = Clock::now();
      sim.RealtimeStep(k);
      const auto t1 = Clock::now();
      stepAllocations += qxtest::AllocationCount() - before;
      step[k] = std::chrono::duration<double, std::micro>(t1 - t0).count();
      if (k % 64 == 0) {
        peerLines += peer->Drain(5).size();
        QxBusPoll(0);
      }
    }
    peerLines += peer->Drain(50).size();
  }
  sim.ResetStates();
  for (int k = 0; k < samples; ++k) {
    const long before = qxtest::AllocationCount();
    const auto t0 = Clock::now();
    sim.SimulateStep(k);
    const auto t1 = Clock::now();
    simulateAllocations += qxtest::AllocationCount() - before;
    simulate[k] = std::chrono::duration<double, std::micro>(t1 - t0).count();
  }
  auto row = [&](const char* what, std::vector<double> v, long allocations) {
    std::sort(v.begin(), v.end());
    std::printf("%-5s %-16s %-13s %9.2f %9.2f %8.3f\n", design, peer ? peer->name.c_str() : "-",
                what, v[v.size() / 2], v[v.size() * 99 / 100], double(allocations) / samples);
  };
  const char* peerName = peer ? peer->name.c_str() : "-";
  if (peer && peerLines == 0)
    Fail(design, peerName, "RealtimeStep", "the peer saw none of the samples");
  else if (peer)
    row("RealtimeStep", step, stepAllocations);
  if (sim.m_yd.At(0, samples - 1) == 0.0)
    Fail(design, peerName, "SimulateStep", "the simulation left the output zero");
  else
    row("SimulateStep", simulate, simulateAllocations);
}

// ---- period error ---------------------------------------------------------------------

// Sample starts (ms) from the peer's log: the board's reads of input 0, the
// companion's DAC frames after the zeroing one.
std::vector<double> SampleStarts(const std::vector<std::string>& lines, bool board) {
  std::vector<double> starts;
  for (const std::string& line : lines) {
    const std::size_t t = line.rfind(" t=");
    if (t == std::string::npos) continue;
    if (board ? line.find("code=0x82002000 ch=0 ") == std::string::npos
              : line.rfind("DAC #", 0) != 0)
      continue;
    starts.push_back(std::atof(line.c_str() + t + 3) / 1000.0);
  }
  if (!board && !starts.empty()) starts.erase(starts.begin());  // the zeroing frame
  return starts;
}

std::vector<double> Errors(const std::vector<double>& starts, double period) {
  std::vector<double> errors;
  for (std::size_t i = 1; i < starts.size(); ++i)
    errors.push_back(starts[i] - starts[i - 1] - period);
  return errors;
}

void PrintPeriod(const char* peer, double ts, int samples, const std::vector<double>& errors,
                 const char* allocations) {
  const Figures f = Summarise(errors, ts * 1000.0);
  std::printf("%-16s %6.3f %6d %7zu %8.3f %8.3f %8.3f %8d %12s\n", peer, ts, samples, errors.size(),
              f.p50, f.p99, f.max, f.overruns, allocations);
}

// The messages a run posts, handled at once: the hand-overs' bits cleared.
void DeliverRunMessages() {
  qxui::DeliverPendingMessages();
}

// The allocation count as this thread delivered slice repaints, from the
// first one of sample countFrom or later to the newest.
struct RoadCount {
  long countFrom = 0;
  long firstSample = -1, lastSample = -1;
  long firstCount = 0, lastCount = 0;
};
RoadCount g_road;

// The run's thread messages, as the application's handlers would take them:
// the hand-overs' bits cleared, the slice repaints noted.
BOOL TakeRunMessage(MSG* msg) {
  if (msg->message == WM_QX_PUSHUGY || msg->message == WM_QX_TRANSFERSIM)
    AnswerWorker(kStatusRunHandOver, WakeWaiters::kNo);
  const long k = static_cast<long>(msg->wParam);
  if (msg->message == WM_QX_INVALIDATESLICE && k >= g_road.countFrom) {
    const long count = qxtest::AllocationCount();
    if (g_road.firstSample < 0) {
      g_road.firstSample = k;
      g_road.firstCount = count;
    }
    g_road.lastSample = k;
    g_road.lastCount = count;
  }
  return TRUE;
}

void RealRun(Peer& peer, double ts, int samples) {
  auto doc = NewDesign(ts, ts * samples + ts / 2);
  g_pAnalogIo = peer.device.get();
  peer.Drain(50);
  CSIMsystem* sim = g_pSimulator.load();
  g_road = RoadCount{std::max(samples / 10, 3)};
  sim->StartRealtime(doc.get(), ts, doc->m_dFinalTime);
  // The peer's log is read on a thread of the benchmark's own, which also
  // wakes this one's loop to look whether the worker ended.
  std::vector<std::string> lines;
  std::atomic<bool> ended{false};
  std::thread logReader([&] {
    const qxtest::UncountedThread uncounted;
    while (!ended.load()) {
      for (std::string& line : peer.Drain(5, 64)) lines.push_back(std::move(line));
      QCoreApplication::eventDispatcher()->wakeUp();
    }
  });
  while (g_pWorkerThread.load() != nullptr)
    QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
  ended = true;
  logReader.join();
  DeliverRunMessages();
  for (std::string& line : peer.Drain(200)) lines.push_back(std::move(line));
  const bool board = peer.name == "fake_dt2801";
  // The run's own samples: the last N starts the peer logged.
  std::vector<double> starts = SampleStarts(lines, board);
  if (starts.size() > static_cast<std::size_t>(samples))
    starts.erase(starts.begin(), starts.end() - samples);
  if (starts.size() < 2) {
    char what[32];
    std::snprintf(what, sizeof what, "Ts %.3f", ts);
    Fail("new", peer.name.c_str(), what,
         "the peer saw " + std::to_string(starts.size()) + " of " + std::to_string(samples) +
             " samples: no period");
    return;
  }
  char allocations[32] = "-";
  if (g_road.lastSample > g_road.firstSample)
    std::snprintf(allocations, sizeof allocations, "%.3f",
                  double(g_road.lastCount - g_road.firstCount) /
                      double(g_road.lastSample - g_road.firstSample));
  PrintPeriod(peer.name.c_str(), ts, samples, Errors(starts, ts * 1000.0), allocations);
}

void BarePacing(double ts, int samples) {
  const DWORD ms = static_cast<DWORD>(ts * 1000.0);
  std::vector<double> starts;
  starts.reserve(samples);
  const auto origin = Clock::now();
  for (int k = 0; k < samples; ++k) {
    const DWORD t0 = GetTickCount();
    starts.push_back(std::chrono::duration<double, std::milli>(Clock::now() - origin).count());
    const DWORD rest = ms - (GetTickCount() - t0);
    if (rest != 0 && rest <= ms) Sleep(rest);
  }
  PrintPeriod("bare loop", ts, samples, Errors(starts, ts * 1000.0), "-");
}

}  // namespace

int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  const bool quick = argc > 1 && std::strcmp(argv[1], "--quick") == 0;
  char dirTemplate[] = "/tmp/qx-bench-realtime-XXXXXX";
  const std::string dir = mkdtemp(dirTemplate) ? dirTemplate : "/tmp";
  g_pSimulator = new CSIMsystem;
  qxui::SetPreTranslateHook(TakeRunMessage);
  QxUiThreadId();

  std::unique_ptr<Peer> board = StartBoard(dir);
  std::unique_ptr<Peer> companion = StartCompanion(dir);
  if (!board || !companion) {
    std::fprintf(stderr, "bench_realtime: a peer did not start\n");
    return 1;
  }

  qxbench::PrintLoad();
  std::printf("Cost per sample (us), allocations per sample\n");
  std::printf("%-5s %-16s %-13s %9s %9s %8s\n", "design", "peer", "call", "median", "p99",
              "allocs");
  const int costSamples = quick ? 500 : 5000;
  auto fresh = NewDesign(0.001, 10.0);
  auto three = ThreeByThree(0.001, 10.0);
  for (Peer* peer : {companion.get(), board.get()}) {
    CostPerSample("new", *fresh, peer, costSamples);
    CostPerSample("3x3", *three, peer, costSamples);
  }

  std::printf("\nPeriod error |start-to-start - period| (ms), new design\n");
  std::printf("%-16s %6s %6s %7s %8s %8s %8s %8s %12s\n", "peer", "Ts", "N", "periods", "p50",
              "p99", "max", "overruns", "allocs/sample");
  const struct {
    double ts;
    int samples;
  } runs[] = {{0.001, 2000}, {0.02, 500}, {0.05, 200}, {0.1, 100}};
  for (const auto& run : runs) {
    const int samples = quick ? std::min(run.samples, 50) : run.samples;
    RealRun(*board, run.ts, samples);
    RealRun(*companion, run.ts, samples);
    BarePacing(run.ts, samples);
  }
  qxbench::PrintLoad();
  QxBusLeave();
  g_pAnalogIo = nullptr;
  delete g_pSimulator.exchange(nullptr);
  if (g_failures > 0) {
    std::fprintf(stderr,
                 "bench_realtime: %d row(s) ended with an error: their work did not happen\n",
                 g_failures);
    return 1;
  }
  return 0;
}
