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
#include "tests/platform/IoPeerProcess.h"
#include "tests/support/HoldUps.h"
#include "tests/support/InstantCompanion.h"
#include "tests/support/PacedRuns.h"
#include "tests/support/TestSupport.h"
#include "tests/support/TreeBuilders.h"
#include "tests/support/TunableK.h"
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
#include <set>
#include <string>
#include <thread>

#include <signal.h>
#include <utility>
#include <vector>

using namespace qxtest::trees;

constexpr auto kRunLimit = std::chrono::seconds(20);

struct Posted {
  UINT message;
  WPARAM wParam;
  LPARAM lParam = 0;          // the end of a run, for WM_QX_RUNENDED
  DWORD time = 0;             // the poster's tick count when it posted
  long long deliveredUs = 0;  // when the user-interface thread took it (qxtest::SteadyUs)
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
  ScriptedClock(DWORD start, DWORD cost);
  DWORD TickCount() override;
  void Sleep(DWORD ms) override;
  std::vector<DWORD> Sleeps();

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
  DWORD TickCount() override;
  void Sleep(DWORD) override;
  void SleepUnless(DWORD, const std::function<bool()>& stop) override;
  void Wake() override;
  int Sleepers();

 private:
  std::mutex m_lock;
  std::condition_variable m_wake;
  int m_sleepers = 0;
};

// The hold-up meter of a run (tests/support/HoldUps.h).
using qxtest::HoldUpMeter;

// The newest running child process of this one named `name` (a test peer),
// or -1 when there is none (it has ended).
long PeerPid(const std::string& name);

// Reads a test peer's log up to the "mark" it writes when asked (SIGUSR1)
// once all it was sent is logged, each line before it to `note`; a peer
// that has ended is read to its end. The wait is for the peer's own line,
// bounded only against a fault.
void ReadToMark(qxtest::PeerProcess& peer, const std::string& name,
                const std::function<void(const std::string&)>& note);

class RealtimeThreads : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;

  // Installs a clock for the rest of the test (qxtest::InstallClock).
  template <class C, class... Args>
  C& Install(Args... args) {
    return qxtest::InstallClock<C>(args...);
  }

  // A main window, never shown, whose status line takes what is said there.
  CStatusBar& StatusLine();
  // A main window to quit, as the program's (m_quitFrame): its close quits.
  void MakeQuitFrame();
  // Destroys the main window to quit, unless quitting did (it then deleted
  // itself and left the application), and forgets it.
  void DestroyQuitFrame();

  // A design with P = L = F = 1, K = 0.5, c = 1 and N = tf / ts samples.
  CQorexDoc* NewDesign(double ts, double tf);

  // NewDesign with K = kp, a variable the tuner may tune: at `kp` when given,
  // else at the value a new variable takes.
  CQorexDoc* TunableDesign(double ts, double tf, std::optional<double> kp = std::nullopt);

  // Delivers messages until the worker has ended and posted its end, then
  // the rest.
  bool PumpUntilEnded();

  // The counts of the board-failure box, or false when the text is another.
  static bool BoardFailureCounts(const std::string& text, int& failed, int& calls);

  int Count(UINT message) const;
  // How the runs ended, as their end messages said (QxRunEnd).
  std::vector<LPARAM> RunEnds() const;
  std::vector<UINT> HandOvers() const;
  std::vector<ShownBox> Boxes();
  // Forgets the boxes shown so far.
  void ClearBoxes();
  // From here on, keeps the output frames the program puts on the bus: what
  // it sent, whatever a full queue of a stalled companion's made the bus
  // skip, each with the time the bus had sent it (a slow send is the
  // program's). Sent on as the bus sends them once joined; leaving the bus
  // ends it.
  void KeepSentFrames();
  // The output frames sent so far, as four codes each.
  std::vector<std::vector<int>> SentFrames();
  // The tick counts the output frames sent so far went at.
  std::vector<DWORD> SentTimes();
  // The tick count the last run's end was posted at.
  DWORD RunEndedAt() const;
  static bool AllOutputsZero();

  // A run is judged unless something outside the program held it up and
  // that accounts for the lateness it showed (tests/support/PacedRuns.h):
  // such a run is made again on a fresh design, kMostRuns runs at most, and
  // a test whose every run was held up is skipped, saying why. Whether a
  // run was held up is told from outside evidence only (see HeldUpBy); a
  // run still late net of what held it up (LateRun) is judged.
  static constexpr int kMostRuns = qxtest::kMostRuns;
  static constexpr std::chrono::milliseconds kHeldUp = qxtest::kHeldUp;
  // Kept for tests that bound a wait by the period; the period check itself
  // scales its margin to the period (qxtest::LatePeriod).
  static constexpr long long kPeriodMarginMs = 250;

  // Why the run just made cannot be judged: one of its threads or peers was
  // kept from a processor, or this process stopped, kHeldUp (m_heldUpFrom)
  // or more within three times that, or a peer says it was held up; empty
  // when nothing was.
  virtual std::string HeldUpBy(const HoldUpMeter& meter);
  // The period check of the run just made (LateStep of the output frames
  // kept, LateCall of the board's calls) at the last design's period, net
  // of what held it up; empty when it kept its period or nothing was kept.
  // m_lateRun instead, when a test sets it: the steps it judges itself.
  virtual std::string LateRun();
  // The median rule of the period check (qxtest::LateMedian) over every
  // run the test made, net of what held it up meanwhile (m_testMeter): the
  // gaps between a run's successive samples, as the output frames kept,
  // the board's readings or the worker's slice repaints tell them. Made as
  // a test ends that judged no period itself and made its designs at one
  // period on the system's time: a program late at every sample fails
  // whatever else a test looks at.
  virtual std::string LateOverTheTest();
  // The outside hold-up since the test began between two instants of a
  // clock `lowUs`..`highUs` behind the monotonic one.
  std::function<long long(long long, long long)> TestHeldBetween(long long lowUs,
                                                                 long long highUs) const;
  // Whether the run just made of doc, with meter measuring it, is to be made
  // again: it was held up (HeldUpBy) and kept its period net of that
  // (LateRun), and it was not the last of kMostRuns.
  // doc is then closed (null: the test has closed its designs itself) and
  // the records of the run forgotten; the next run is made on a fresh
  // design. m_heldUp says why the run was held up; the meter's record is
  // kept for the period check of the run judged.
  bool HeldUpRunAgain(const HoldUpMeter& meter, int& runs, CQorexDoc* doc);
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
                 const std::function<void()>& prepare = nullptr);
  // Forgets what the posts, boxes and sent frames of a run said.
  void ForgetTheRun();
  // Why a test whose every run was held up is skipped.
  std::string HeldUpEveryTime() const;

  // The period check (qxtest::LatePeriod) of the program's steps from..to-1
  // (microseconds of the monotonic clock), net of what held up the last run
  // judged; empty when they kept it.
  // A peer's clock started `startedUs` (between the two) on the monotonic one.
  std::string LateStep(const std::vector<long long>& us, DWORD periodMs, std::size_t from = 0,
                       std::size_t to = SIZE_MAX,
                       std::pair<long long, long long> startedUs = {0, 0}) const;
  // The outside hold-up between two instants of a clock `lowUs`..`highUs`
  // behind the monotonic one (unsure by that much), as the last run judged
  // saw it; as the test saw it when no run was judged (TestHeldBetween).
  // A gap in which the worker handed a pass over (`steps`: the run's, on
  // that clock) also waited on the user-interface thread.
  std::function<long long(long long, long long)> HeldBetween(
      long long lowUs, long long highUs, const std::vector<long long>& steps) const;
  // When the hold-ups HeldBetween sees were counted, on a clock `lowUs`
  // behind the monotonic one; `sinceTest`: those the test saw.
  qxtest::CountedAt CountedAt(long long lowUs, bool sinceTest = false) const;
  // What held the last run judged up (`sinceTest`, or none judged: the
  // test), or null when nothing watched.
  std::shared_ptr<const qxtest::HoldUpTimeline> HoldUpsSeen(bool sinceTest = false) const;
  // The times the output frames sent so far were handed to the bus, in
  // microseconds of the monotonic clock.
  std::vector<long long> SentTimesUs();

  std::unique_ptr<CQorexApp> m_app;
  CMultiDocTemplate* m_template = nullptr;
  std::string m_heldUp;  // why the last run judged was held up; empty: it was not
  std::shared_ptr<const qxtest::HoldUpTimeline> m_holdUps;  // what held the last run judged up
  // The least hold-up of this process that HeldUpBy counts, kHeldUp unless
  // a test's judgement is finer.
  std::chrono::milliseconds m_heldUpFrom = kHeldUp;
  std::unique_ptr<qxtest::InstantCompanion> m_instantCompanion;  // reset: no input at all
  CFrameWnd* m_statusFrame = nullptr;
  CFrameWnd* m_quitFrame = nullptr;  // MakeQuitFrame's
  CStatusBar m_status;
  std::vector<Posted> m_posted;
  long m_uiTid = 0;  // the user-interface thread's: the test's own
  // Sees each thread message first; true: the application does not get it.
  std::function<bool(const MSG&)> m_onPosted;
  std::mutex m_boxLock;
  std::vector<ShownBox> m_boxes;
  std::mutex m_sentLock;
  std::vector<std::pair<WPARAM, LPARAM>> m_sent;
  std::vector<DWORD> m_sentAt;        // the tick count each went at
  std::vector<long long> m_sentAtUs;  // the microsecond each was handed to the bus at
  std::vector<long long>
      m_instantHeardUs;  // the microsecond the emulated unit's companion heard each
  DWORD m_periodMs = 0;  // the last design's (NewDesign)
  // The period check of the steps a test judges, where not all of a run's.
  std::function<std::string()> m_lateRun;
  std::set<DWORD> m_periods;                             // of every design made (NewDesign)
  mutable bool m_periodJudged = false;                   // by the test itself
  QxClock* m_sampleClock = nullptr;                      // installed as the test began
  std::unique_ptr<qxtest::HoldUpMeterCore> m_testMeter;  // from the test's start to its end
  QxMessageBoxHandler m_previousBoxes;
  QxClock* m_previousClock = nullptr;
};

constexpr UINT kTransfer = WM_QX_TRANSFERSIM, kPush = WM_QX_PUSHUGY, kFindG = WM_QX_FINDG;

// ---- end to end against the fake board -------------------------------------------------

// The fake board on a socket of its own, and the application's device
// opened on it.
class RealtimeBoardThreads : public RealtimeThreads {
 protected:
  void StartBoard(const char* mode);
  // A call the board logged, as "W<ch>:<code>" or "R<ch>", and when it came
  // in microseconds of the board's clock.
  struct TimedCall {
    std::string call;
    long long us = -1;
    int number = 0;  // the board's own count of the request
  };
  // The calls the board has logged since it started; the times it noted it
  // was itself held up are kept in m_boardStalls.
  std::vector<TimedCall> TimedCalls();
  // Keeps a line of the board's log that a test read itself: a call in
  // m_calls, a stall in m_boardStalls.
  void NoteBoardLine(const std::string& line);
  // Delivers messages (a tuner waits for its candidates) and reads the
  // board's log (NoteBoardLine) until the board has logged request n.
  bool PumpUntilBoardRequest(int n);
  std::vector<std::string> Calls();
  std::vector<ShownBox> RunToItsEnd(CQorexDoc* doc);

  // The fake board with more arguments (a fault), and the device opened on
  // it with the reply timeout given (0: the default).
  void StartBoardWith(std::vector<std::string> args, DWORD timeoutMs = 0);
  // A fake board on the same socket, as a driver started again; the
  // program keeps its device.
  void RestartBoard(std::vector<std::string> args = {});
  // Delivers messages until the worker has ended, reading the board's log
  // meanwhile: the time its first line containing `mark` came (or the
  // start, when none did), and the lines.
  std::chrono::steady_clock::time_point PumpWatchingBoard(const std::string& mark,
                                                          std::vector<std::string>* lines);

  // Held up as the base says, or by the board's own record of being stopped
  // or starved since it started: a board held up in mid-run answers late
  // and may cost the run calls, or the board itself.
  std::string HeldUpBy(const HoldUpMeter& meter) override;
  // The period check of the board's calls since it started.
  std::string LateRun() override;
  // Of the board's readings of channel 0 (not all the test's, when it
  // started the board again).
  std::string LateOverTheTest() override;
  // `ours` (a HeldBetween on the board's clock) and the board's own record
  // of its stalls: at its first wake after one, before it logged the next
  // request.
  std::function<long long(long long, long long)> BoardHeld(
      std::function<long long(long long, long long)> ours) const;
  // The first wait between two of the board's calls from..to-1 longer than
  // a period and the margin, on the board's clock (LateStep).
  // The run's length is judged by its samples' readings of channel 0. The
  // board's own stalls count where it noted them: at its first wake after
  // one, before it logged the next request.
  std::string LateCall(const std::vector<TimedCall>& calls, DWORD periodMs, std::size_t from = 0,
                       std::size_t to = SIZE_MAX) const;

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
int Code(double volts);
double Volts(int code);
