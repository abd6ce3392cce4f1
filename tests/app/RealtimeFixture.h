#pragma once
// Real-time runs on real worker threads against the emulated unit or the fake
// board, timed by a replaceable clock: the application object with its
// document template and no windows; every thread message a worker posts is
// logged on the user-interface thread before the application handles it.
#include "ChildFrm.h"
#include "Qorex.h"
#include "QorexDoc.h"
#include "diagrams/QorexView.h"
#include "platform/core/Clock.h"
#include "platform/io/Bus.h"
#include "platform/testing/TestHooks.h"
#include "platform/ui/ControlBar.h"
#include "platform/ui/FrameWnd.h"
#include "platform/ui/MessageQueue.h"
#include "res/Resources.h"
#include "res/resource.h"
#include "search/SearchGlobals.h"
#include "simulation/AnalogIoGlobals.h"
#include "simulation/DT2801.h"
#include "simulation/SIMsystem.h"
#include "tests/app/HoldUps.h"
#include "tests/platform/IoPeerProcess.h"
#include "tests/support/InstantCompanion.h"
#include "tests/support/TestSupport.h"
#include "tests/support/TreeBuilders.h"
#include "tests/support/QorexAppFixture.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <condition_variable>
#include <cstdlib>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>

#include <signal.h>
#include <utility>
#include <vector>

namespace {

using namespace qxtest::trees;

constexpr auto kRunLimit = std::chrono::seconds(20);

struct Posted {
  UINT message;
  WPARAM wParam;
  LPARAM lParam = 0;  // the end of a run, for WM_QX_RUNENDED
  DWORD time = 0;     // the poster's tick count when it posted
};

struct ShownBox {
  std::string text, caption;
  bool onUiThread = false;  // shown from the user-interface thread
};

// A clock whose every tick reading costs `cost` ms (so a sample takes that
// long between its two readings) and whose sleeps advance it at once; the
// sleeps are recorded.
class ScriptedClock : public QxClock {
 public:
  ScriptedClock(DWORD start, DWORD cost) : m_now(start), m_cost(cost) {}
  DWORD TickCount() override { return m_now.fetch_add(m_cost); }
  void Sleep(DWORD ms) override {
    {
      std::lock_guard guard(m_lock);
      m_sleeps.push_back(ms);
    }
    m_now.fetch_add(ms);
    std::this_thread::yield();
  }
  std::vector<DWORD> Sleeps() {
    std::lock_guard guard(m_lock);
    return m_sleeps;
  }

 private:
  std::atomic<DWORD> m_now;
  DWORD m_cost;
  std::mutex m_lock;
  std::vector<DWORD> m_sleeps;
};

// A clock whose sleeps never end by themselves: only a wake with the
// sleeper's condition met ends them.
class StuckClock : public QxClock {
 public:
  DWORD TickCount() override { return 0; }
  void Sleep(DWORD) override {
    std::unique_lock guard(m_lock);
    m_wake.wait(guard, [] { return false; });
  }
  void SleepUnless(DWORD, const std::function<bool()>& stop) override {
    std::unique_lock guard(m_lock);
    ++m_sleepers;
    m_wake.wait(guard, [&] { return stop(); });
    --m_sleepers;
  }
  void Wake() override {
    { std::lock_guard guard(m_lock); }
    m_wake.notify_all();
  }
  int Sleepers() {
    std::lock_guard guard(m_lock);
    return m_sleepers;
  }

 private:
  std::mutex m_lock;
  std::condition_variable m_wake;
  int m_sleepers = 0;
};

// How long the run was held up from outside while the meter lives (see
// tests/app/HoldUps.h): this process stopped, and the run's threads and the
// peers' waiting for a processor. Bounds on the time a run took subtract it,
// as a held-up program could not have done otherwise; the period check
// judges each gap net of what of it fell in that gap.
class HoldUpMeter {
 public:
  HoldUpMeter() = default;
  HoldUpMeter(const HoldUpMeter&) = delete;
  HoldUpMeter& operator=(const HoldUpMeter&) = delete;
  std::chrono::milliseconds Held() const {
    return std::chrono::milliseconds(m_core.Timeline()->HeldUs() / 1000);
  }
  // How many times it was held up for 100 ms or more: stops of this
  // process, and a stretch of 300 ms in which the run's threads and peers
  // waited that long for a processor.
  int HoldUps() const {
    const auto timeline = m_core.Timeline();
    return timeline->Stops() + (timeline->MostHeldWithinUs(300000) >= 100000);
  }
  std::shared_ptr<const qxtest::HoldUpTimeline> Timeline() const { return m_core.Timeline(); }

 private:
  qxtest::HoldUpMeterCore m_core;
};

// The newest running child process of this one named `name` (a test peer),
// or -1 when there is none (it has ended).
inline long PeerPid(const std::string& name) {
  long found = -1;
  for (const long pid : qxtest::ListOf(0, "children")) {
    std::FILE* file = std::fopen(("/proc/" + std::to_string(pid) + "/stat").c_str(), "r");
    if (!file) continue;
    char comm[64] = {}, state = 0;
    const bool read = std::fscanf(file, "%*d (%63[^)]) %c", comm, &state) == 2;
    std::fclose(file);
    if (read && name == comm && state != 'Z' && state != 'X') found = std::max(found, pid);
  }
  return found;
}

// Reads a test peer's log up to the "mark" it writes when asked (SIGUSR1)
// once all it was sent is logged, each line before it to `note`; a peer
// that has ended is read to its end. The wait is for the peer's own line,
// bounded only against a fault.
inline void ReadToMark(qxtest::PeerProcess& peer, const std::string& name,
                       const std::function<void(const std::string&)>& note) {
  const long pid = PeerPid(name);
  const bool asked = pid > 0 && kill(static_cast<pid_t>(pid), SIGUSR1) == 0;
  for (std::string line = peer.ReadLine(asked ? 10000 : 100); !line.empty();
       line = peer.ReadLine(asked ? 10000 : 100)) {
    if (line.rfind("mark", 0) == 0) return;
    note(line);
  }
}

class RealtimeThreads : public ::testing::Test {
 protected:
  void SetUp() override {
    qxtest::TestThreads::Now().Begin();
    m_previousClock = QxSetClock(nullptr);
    QxSetClock(m_previousClock);
    unsetenv("QX_DEVICE_DT2801");  // the emulated unit
    m_template = StartWindowlessApp(m_app);
    // Runs get input unless a test silences the unit: one that gets none
    // is not kept.
    m_instantCompanion = std::make_unique<qxtest::InstantCompanion>();
    ASSERT_FALSE(HasFailure());
    qxui::SetPreTranslateHook([this](MSG* msg) {
      if (msg->hwnd == nullptr) {
        m_posted.push_back({msg->message, msg->wParam, msg->lParam, msg->time});
        if (m_onPosted && m_onPosted(*msg)) return TRUE;
      }
      return m_app ? m_app->PreTranslateMessage(msg) : FALSE;
    });
    m_previousBoxes = QxSetMessageBoxHandler([this](HWND, LPCSTR text, LPCSTR caption, UINT) {
      std::lock_guard guard(m_boxLock);
      m_boxes.push_back({text ? text : "", caption ? caption : "",
                         QxUiThreadId() != 0 && GetCurrentThreadId() == QxUiThreadId()});
      return IDOK;
    });
  }
  void TearDown() override {
    QxSetClock(m_previousClock);
    if (m_statusFrame) {
      if (m_app) m_app->m_pMainWnd = nullptr;
      m_statusFrame->DestroyWindow();  // deletes itself
      m_statusFrame = nullptr;
    }
    if (m_app) {
      g_pSimulator.load()->StopRealtime();
      g_wStatus = 0;
      m_template->CloseAllDocuments(FALSE);
      QxTest::PumpEvents();
      m_app.reset();
    }
    m_instantCompanion.reset();
    QxSetMessageBoxHandler(m_previousBoxes);
    g_wStatus = 0;
  }

  // Installs a clock for the rest of the test. A worker that has just
  // ended may still read the clock on its way out (its last post), and no
  // one can join it: the clocks live as long as the program.
  template <class C, class... Args>
  C& Install(Args... args) {
    static auto* kept = new std::vector<std::unique_ptr<QxClock>>;  // not even at exit
    auto clock = std::make_unique<C>(args...);
    C& installed = *clock;
    QxSetClock(&installed);
    kept->push_back(std::move(clock));
    return installed;
  }

  // A main window, never shown, whose status line takes what is said there.
  CStatusBar& StatusLine() {
    if (!m_statusFrame) {
      m_statusFrame = new CFrameWnd;
      EXPECT_TRUE(m_statusFrame->Create(nullptr, "Status"));
      static const UINT indicators[] = {ID_SEPARATOR};
      EXPECT_TRUE(m_status.Create(m_statusFrame) && m_status.SetIndicators(indicators, 1));
      m_app->m_pMainWnd = m_statusFrame;
    }
    return m_status;
  }

  // A design with P = L = F = 1, K = 0.5, c = 1 and N = tf / ts samples.
  CQorexDoc* NewDesign(double ts, double tf) {
    auto* doc = static_cast<CQorexDoc*>(m_template->CreateNewDocument());
    EXPECT_TRUE(doc && doc->OnNewDocument());
    delete doc->m_models.GetAt(kModelK)->SetChildAt(Real(0.5), 1);
    delete doc->m_models.GetAt(kModelF)->SetChildAt(Real(1.0), 1);
    doc->m_dSamplingTime = ts;
    doc->m_dFinalTime = tf;
    doc->Recalculate();
    return doc;
  }

  // NewDesign with K = kp, a variable the tuner may tune: at `kp` when given,
  // else at the value a new variable takes.
  CQorexDoc* TunableDesign(double ts, double tf, std::optional<double> kp = std::nullopt) {
    CQorexDoc* doc = NewDesign(ts, tf);
    delete doc->m_models.GetAt(kModelK)->SetChildAt(Variable("kp"), 1);
    doc->UpdateUsedVariables();
    if (kp) doc->m_vars.m_pValue[doc->m_vars.Find("kp", "", 0)] = *kp;
    doc->Recalculate();
    return doc;
  }

  // Delivers messages until the worker has ended and posted its end, then
  // the rest.
  bool PumpUntilEnded() {
    const auto limit = std::chrono::steady_clock::now() + kRunLimit;
    while (!WorkerEndPosted() && std::chrono::steady_clock::now() < limit) {
      QxTest::PumpEvents();
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    QxTest::PumpEvents();
    return g_pWorkerThread.load() == nullptr;
  }

  // The counts of the board-failure box, or false when the text is another.
  static bool BoardFailureCounts(const std::string& text, int& failed, int& calls) {
    return std::sscanf(text.c_str(),
                       "The analog I/O board failed %d of %d calls during the run; failed "
                       "readings kept their last value.",
                       &failed, &calls) == 2;
  }

  int Count(UINT message) const {
    return static_cast<int>(
        std::count_if(m_posted.begin(), m_posted.end(),
                      [message](const Posted& p) { return p.message == message; }));
  }
  // How the runs ended, as their end messages said (QxRunEnd).
  std::vector<LPARAM> RunEnds() const {
    std::vector<LPARAM> ends;
    for (const Posted& p : m_posted)
      if (p.message == WM_QX_RUNENDED) ends.push_back(p.lParam);
    return ends;
  }
  std::vector<UINT> HandOvers() const {
    std::vector<UINT> found;
    for (const Posted& p : m_posted)
      if (p.message == WM_QX_TRANSFERSIM || p.message == WM_QX_PUSHUGY || p.message == WM_QX_FINDG)
        found.push_back(p.message);
    return found;
  }
  std::vector<ShownBox> Boxes() {
    std::lock_guard guard(m_boxLock);
    return m_boxes;
  }
  // From here on, keeps the output frames the program puts on the bus: what
  // it sent, whatever a full queue of a stalled companion's made the bus
  // skip, each with the time the bus had sent it (a slow send is the
  // program's). Sent on as the bus sends them once joined; leaving the bus
  // ends it.
  void KeepSentFrames() {
    qxui::SetBroadcastHook([this](UINT message, WPARAM w, LPARAM l) {
      QxBusBroadcast(qxui::RegisteredMessageName(message), w, l);
      if (message == g_msgDac) {
        std::lock_guard guard(m_sentLock);
        m_sent.push_back({w, l});
        m_sentAt.push_back(GetTickCount());
      }
    });
  }
  // The output frames sent so far, as four codes each.
  std::vector<std::vector<int>> SentFrames() {
    std::lock_guard guard(m_sentLock);
    std::vector<std::vector<int>> frames;
    for (const auto& [w, l] : m_sent)
      frames.push_back({LOWORD(w), HIWORD(w), LOWORD(l), HIWORD(l)});
    return frames;
  }
  // The tick counts the output frames sent so far went at.
  std::vector<DWORD> SentTimes() {
    std::lock_guard guard(m_sentLock);
    return m_sentAt;
  }
  // The tick count the last run's end was posted at.
  DWORD RunEndedAt() const {
    for (auto p = m_posted.rbegin(); p != m_posted.rend(); ++p)
      if (p->message == WM_QX_RUNENDED) return p->time;
    ADD_FAILURE() << "no run ended";
    return 0;
  }
  static bool AllOutputsZero() {
    for (double v : g_pAnalogIo->m_outputs)
      if (v != 0.0) return false;
    return true;
  }

  // A run is judged only when nothing outside the program held it up: a
  // held-up run is made again on a fresh design, kMostRuns runs at most, and
  // a test whose every run was held up is skipped, saying why. Whether a
  // run was held up is told from outside evidence only (see HeldUpBy), never
  // from how long the run took or how late its calls came: a late program
  // makes both, and must fail.
  static constexpr int kMostRuns = 5;
  // Held up this long or more within three times as long (the meter's
  // count) may have made a call wait past its reply timeout.
  static constexpr std::chrono::milliseconds kHeldUp{100};
  // Kept for tests that bound a wait by the period; the period check itself
  // scales its margin to the period (qxtest::LatePeriod).
  static constexpr long long kPeriodMarginMs = 250;

  // Why the run just made cannot be judged: one of its threads or peers was
  // kept from a processor, or this process stopped, kHeldUp (m_heldUpFrom)
  // or more within three times that, or a peer says it was held up; empty
  // when nothing was.
  virtual std::string HeldUpBy(const HoldUpMeter& meter) {
    const auto timeline = meter.Timeline();
    const long long windowUs = 3000LL * m_heldUpFrom.count();
    const long long most = timeline->MostHeldWithinUs(windowUs);
    if (most < 1000LL * m_heldUpFrom.count()) return "";
    return "held up " + std::to_string(most / 1000) + " ms within " +
           std::to_string(windowUs / 1000) + " ms (" + timeline->Said() + ")";
  }
  // Whether the run just made of doc, with meter measuring it, is to be made
  // again: it was held up (HeldUpBy), and it was not the last of kMostRuns.
  // doc is then closed (null: the test has closed its designs itself) and
  // the records of the run forgotten; the next run is made on a fresh
  // design. m_heldUp says why the run was held up; the meter's record is
  // kept for the period check of the run judged.
  bool HeldUpRunAgain(const HoldUpMeter& meter, int& runs, CQorexDoc* doc) {
    m_heldUp = HeldUpBy(meter);
    m_holdUps = meter.Timeline();
    if (m_heldUp.empty() || ++runs == kMostRuns) return false;
    std::fprintf(stderr, "[ HELD UP  ] run %d made again: %s\n", runs, m_heldUp.c_str());
    if (doc) doc->OnCloseDocument();
    ForgetTheRun();
    return true;
  }
  // The run-and-repeat loop: `run` makes a run (on a fresh design, which it
  // returns; null when it closes its designs itself) under a meter, until
  // one was not held up, kMostRuns at most; `between` then ends what a
  // held-up run leaves (a peer). `prepare`, before each run, readies what
  // is not judged (a peer started) before the meter starts: a peer just
  // started waits for a processor, which says nothing of the run. False when
  // every run was held up, or making one failed fatally: the caller then
  // ends the test with `GTEST_SKIP() << HeldUpEveryTime()` (a failed test
  // stays failed).
  bool JudgedRun(const std::function<CQorexDoc*()>& run,
                 const std::function<void()>& between = nullptr,
                 const std::function<void()>& prepare = nullptr) {
    for (int runs = 0;;) {
      bool again = false;
      {
        if (prepare) prepare();
        if (HasFatalFailure()) {
          m_heldUp = "making the run failed";
          return false;
        }
        const HoldUpMeter meter;
        CQorexDoc* doc = run();
        if (HasFatalFailure()) {
          m_heldUp = "making the run failed";
          return false;
        }
        again = HeldUpRunAgain(meter, runs, doc);
      }
      if (!again) break;
      if (between) between();
    }
    return m_heldUp.empty();
  }
  // Forgets what the posts, boxes and sent frames of a run said.
  void ForgetTheRun() {
    m_posted.clear();
    {
      std::lock_guard guard(m_boxLock);
      m_boxes.clear();
    }
    std::lock_guard guard(m_sentLock);
    m_sent.clear();
    m_sentAt.clear();
  }
  // Why a test whose every run was held up is skipped.
  std::string HeldUpEveryTime() const {
    return "held up in each of " + std::to_string(kMostRuns) + " runs, the last: " + m_heldUp;
  }

  // The period check (qxtest::LatePeriod) of the program's steps from..to-1
  // (microseconds of the monotonic clock), net of what held up the last run
  // judged; empty when they kept it.
  // A peer's clock started `startedUs` (between the two) on the monotonic one.
  std::string LateStep(const std::vector<long long>& us, DWORD periodMs, std::size_t from = 0,
                       std::size_t to = SIZE_MAX,
                       std::pair<long long, long long> startedUs = {0, 0}) const {
    return qxtest::LatePeriod(us, periodMs, HeldBetween(startedUs.first, startedUs.second), from,
                              to);
  }
  // The outside hold-up between two instants of a clock `lowUs`..`highUs`
  // behind the monotonic one (unsure by that much), as the last run judged
  // saw it.
  std::function<long long(long long, long long)> HeldBetween(long long lowUs,
                                                             long long highUs) const {
    if (!m_holdUps) return nullptr;
    return [holdUps = m_holdUps, lowUs, highUs](long long a, long long b) {
      return holdUps->HeldUsBetween(a + lowUs, b + highUs);
    };
  }
  // The times the output frames sent so far went at, in microseconds.
  std::vector<long long> SentTimesUs() {
    std::vector<long long> us;
    for (const DWORD ms : SentTimes()) us.push_back(1000LL * ms);
    return us;
  }

  std::unique_ptr<CQorexApp> m_app;
  CMultiDocTemplate* m_template = nullptr;
  std::string m_heldUp;  // why the last run judged was held up; empty: it was not
  std::shared_ptr<const qxtest::HoldUpTimeline> m_holdUps;  // what held the last run judged up
  // The least hold-up of this process that HeldUpBy counts, kHeldUp unless
  // a test's judgement is finer.
  std::chrono::milliseconds m_heldUpFrom = kHeldUp;
  std::unique_ptr<qxtest::InstantCompanion> m_instantCompanion;  // reset: no input at all
  CFrameWnd* m_statusFrame = nullptr;
  CStatusBar m_status;
  std::vector<Posted> m_posted;
  // Sees each thread message first; true: the application does not get it.
  std::function<bool(const MSG&)> m_onPosted;
  std::mutex m_boxLock;
  std::vector<ShownBox> m_boxes;
  std::mutex m_sentLock;
  std::vector<std::pair<WPARAM, LPARAM>> m_sent;
  std::vector<DWORD> m_sentAt;  // the tick count each went at
  QxMessageBoxHandler m_previousBoxes;
  QxClock* m_previousClock = nullptr;
};

constexpr UINT kTransfer = WM_QX_TRANSFERSIM, kPush = WM_QX_PUSHUGY, kFindG = WM_QX_FINDG;

}  // namespace

// ---- end to end against the fake board -------------------------------------------------

namespace {

// The fake board on a socket of its own, and the application's device
// opened on it.
class RealtimeBoardThreads : public RealtimeThreads {
 protected:
  void StartBoard(const char* mode) {
    m_socket = qxtest::MakeTempDir("rtboard") + "/dt2801.sock";
    m_boardStartedUs[0] = qxtest::SteadyUs();
    m_board = std::make_unique<qxtest::PeerProcess>(
        "fake_dt2801", std::vector<std::string>{"--socket", m_socket, "--seconds", "120", "--mode",
                                                mode, "--times", "1", "--stalls", "1"});
    m_calls.clear();
    m_boardStalls.clear();
    m_boardStallsAt.clear();
    ASSERT_EQ(m_board->ReadLine(), "ready");
    m_boardStartedUs[1] = qxtest::SteadyUs();
    qxtest::ScopedEnv env("QX_DEVICE_DT2801", m_socket);
    delete g_pAnalogIo;
    g_pAnalogIo = new CDT2801;
    ASSERT_EQ(g_pAnalogIo->m_bEmulate, 0);
  }
  // A call the board logged, as "W<ch>:<code>" or "R<ch>", and when it came
  // in microseconds of the board's clock.
  struct TimedCall {
    std::string call;
    long long us = -1;
    int number = 0;  // the board's own count of the request
  };
  // The calls the board has logged since it started; the times it noted it
  // was itself held up are kept in m_boardStalls.
  std::vector<TimedCall> TimedCalls() {
    ReadToMark(*m_board, "fake_dt2801", [this](const std::string& line) { NoteBoardLine(line); });
    return m_calls;
  }
  // Keeps a line of the board's log that a test read itself: a call in
  // m_calls, a stall in m_boardStalls.
  void NoteBoardLine(const std::string& line) {
    if (line.rfind("stalled ", 0) == 0) {
      m_boardStalls.push_back(std::atoll(line.c_str() + 8));
      const std::size_t t = line.find(" t=");
      m_boardStallsAt.push_back(t == std::string::npos ? -1 : std::atoll(line.c_str() + t + 3));
      return;
    }
    const bool write = line.find("code=0x82002004") != std::string::npos;
    const std::size_t ch = line.find("ch=");
    const std::size_t value = line.find("value=");
    if (ch == std::string::npos || value == std::string::npos) return;
    TimedCall call{(write ? "W" : "R") + line.substr(ch + 3, 1)};
    if (write) call.call += ":" + line.substr(value + 6, line.find(' ', value) - value - 6);
    if (const std::size_t t = line.find(" t="); t != std::string::npos)
      call.us = std::atoll(line.c_str() + t + 3);
    if (line[0] == '#') call.number = std::atoi(line.c_str() + 1);
    m_calls.push_back(call);
  }
  // Delivers messages (a tuner waits for its candidates) and reads the
  // board's log (NoteBoardLine) until the board has logged request n.
  bool PumpUntilBoardRequest(int n) {
    const std::string mark = "#" + std::to_string(n) + " ";
    const auto limit = std::chrono::steady_clock::now() + kRunLimit;
    while (std::chrono::steady_clock::now() < limit) {
      QxTest::PumpEvents();
      for (std::string line = m_board->ReadLine(3); !line.empty(); line = m_board->ReadLine(3)) {
        NoteBoardLine(line);
        if (line.rfind(mark, 0) == 0) return true;
      }
    }
    return false;
  }
  std::vector<std::string> Calls() {
    std::vector<std::string> calls;
    for (const TimedCall& call : TimedCalls()) calls.push_back(call.call);
    return calls;
  }
  std::vector<ShownBox> RunToItsEnd(CQorexDoc* doc) {
    doc->StartStopSimulation();
    EXPECT_TRUE(PumpUntilEnded());
    QxTest::PumpEvents();
    return Boxes();
  }

  // The fake board with more arguments (a fault), and the device opened on
  // it with the reply timeout given (0: the default).
  void StartBoardWith(std::vector<std::string> args, DWORD timeoutMs = 0) {
    m_socket = qxtest::MakeTempDir("rtboard") + "/dt2801.sock";
    RestartBoard(std::move(args));
    std::unique_ptr<qxtest::ScopedEnv> timeout;
    if (timeoutMs != 0)
      timeout =
          std::make_unique<qxtest::ScopedEnv>("QX_DEVICE_TIMEOUT_MS", std::to_string(timeoutMs));
    qxtest::ScopedEnv env("QX_DEVICE_DT2801", m_socket);
    delete g_pAnalogIo;
    g_pAnalogIo = new CDT2801;
    ASSERT_EQ(g_pAnalogIo->m_bEmulate, 0);
  }
  // A fake board on the same socket, as a driver started again; the
  // program keeps its device.
  void RestartBoard(std::vector<std::string> args = {}) {
    m_board.reset();
    std::vector<std::string> all{"--socket", m_socket, "--seconds", "120",
                                 "--times",  "1",      "--stalls",  "1"};
    all.insert(all.end(), args.begin(), args.end());
    m_boardStartedUs[0] = qxtest::SteadyUs();
    m_board = std::make_unique<qxtest::PeerProcess>("fake_dt2801", all);
    m_calls.clear();
    m_boardStalls.clear();
    m_boardStallsAt.clear();
    ASSERT_EQ(m_board->ReadLine(), "ready");
    m_boardStartedUs[1] = qxtest::SteadyUs();
  }
  // Delivers messages until the worker has ended, reading the board's log
  // meanwhile: the time its first line containing `mark` came (or the
  // start, when none did), and the lines.
  std::chrono::steady_clock::time_point PumpWatchingBoard(const std::string& mark,
                                                          std::vector<std::string>* lines) {
    auto seen = std::chrono::steady_clock::now();
    bool found = false;
    const auto limit = seen + kRunLimit;
    while (!WorkerEndPosted() && std::chrono::steady_clock::now() < limit) {
      QxTest::PumpEvents();
      for (std::string line = m_board->ReadLine(3); !line.empty(); line = m_board->ReadLine(3)) {
        if (!found && line.find(mark) != std::string::npos) {
          found = true;
          seen = std::chrono::steady_clock::now();
        }
        lines->push_back(line);
      }
    }
    QxTest::PumpEvents();
    return seen;
  }

  // Held up as the base says, or by the board's own record of being stopped
  // or starved since it started: a board held up in mid-run answers late
  // and may cost the run calls, or the board itself.
  std::string HeldUpBy(const HoldUpMeter& meter) override {
    std::string why = RealtimeThreads::HeldUpBy(meter);
    TimedCalls();
    if (!m_boardStalls.empty()) {
      long long ms = 0;
      for (const long long stall : m_boardStalls) ms += stall;
      why += (why.empty() ? "" : "; ") + std::string("the board was held up ") +
             std::to_string(ms) + " ms";
    }
    return why;
  }
  // The first wait between two of the board's calls from..to-1 longer than
  // a period and the margin, on the board's clock (LateStep).
  // The run's length is judged by its samples' readings of channel 0. The
  // board's own stalls count where it noted them: at its first wake after
  // one, before it logged the next request.
  std::string LateCall(const std::vector<TimedCall>& calls, DWORD periodMs, std::size_t from = 0,
                       std::size_t to = SIZE_MAX) const {
    std::vector<long long> us;
    for (const TimedCall& call : calls) us.push_back(call.us);
    const auto ours = HeldBetween(m_boardStartedUs[0], m_boardStartedUs[1]);
    const auto held = [&](long long a, long long b) {
      long long heldUs = ours ? ours(a, b) : 0;
      for (std::size_t i = 0; i < m_boardStallsAt.size(); ++i)
        if (m_boardStallsAt[i] >= a && m_boardStallsAt[i] <= b + 20000)
          heldUs += 1000 * m_boardStalls[i];
      return heldUs;
    };
    return qxtest::LatePeriod(us, periodMs, held, from, to,
                              [&calls](std::size_t i) { return calls[i].call == "R0"; });
  }

  std::string m_socket;
  std::unique_ptr<qxtest::PeerProcess> m_board;
  std::vector<TimedCall> m_calls;          // logged by the board since it started
  std::vector<long long> m_boardStalls;    // ms it noted it was held up, since it started
  std::vector<long long> m_boardStallsAt;  // when it noted each, on its clock (us)
  // Where the board's clock started on the monotonic one: after the first,
  // before the second (when its "ready" was read).
  long long m_boardStartedUs[2] = {0, 0};
};

// The texts a run whose peer went says.
inline const std::string kBoardLost =
    "The connection to the analog I/O board was lost; the run has ended.";
inline const std::string kCompanionLost =
    "The companion process stopped sending inputs; the run has ended.";
// Said on a line of its own after the end's text when the board never took
// the closing 0 V write.
inline const std::string kOutputsDriven =
    "The analog I/O board did not take the closing 0 V write; its outputs may still be driven at "
    "the last value written.";

// The board's converters, as the fake wires output 0 to input 0.
[[maybe_unused]] int Code(double volts) {
  const double code = std::trunc(volts / (10.0 / 2048) + 2048.0);
  return code <= 0 ? 0 : code >= 4095 ? 4095 : static_cast<int>(code);
}
[[maybe_unused]] double Volts(int code) {
  return (code - 2048) * (10.0 / 2048);
}

}  // namespace
