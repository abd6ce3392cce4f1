#pragma once
// Real-time runs end to end against the companion process on a bus folder of
// the test's own.
#include "tests/app/RealtimeFixture.h"

#include "platform/ui/WinApp.h"

#include <cstdlib>
#include <functional>
#include <set>

// The main window's part in a run: the inputs the bus posts to it are passed
// on by its handler, as the main frame's is.
class CInputsFrame : public CFrameWnd {
 public:
  LRESULT OnAdc(WPARAM wParam, LPARAM lParam);
  std::function<void(WPARAM, LPARAM)> m_onInputs;

 protected:
  DECLARE_MESSAGE_MAP()
};

// The emulated unit closed by the companion on a bus folder of the test's own;
// the received inputs go to the device as the main window's handler would.
class RealtimeCompanionThreads : public RealtimeThreads {
 protected:
  // The companion with a plant lag of `lag` and more arguments; the inputs
  // it sends are kept (m_received) and the output frames sent (KeepSentFrames).
  // With m_viaMainWindow the bus posts the inputs to a main window, which
  // hands them on when the user-interface thread delivers its messages, as
  // while the application's loop runs; without, the bus hands them on itself.
  void StartCompanion(std::vector<std::string> more = {}, const char* lag = "0");
  // A judged run (JudgedRun) against the companion: `start` starts it and
  // makes a fresh design, which is run to its end with `onPosted` seeing the
  // thread messages meanwhile (m_onPosted); the companion is torn down
  // before a run made again.
  bool JudgedCompanionRun(const std::function<CQorexDoc*()>& start,
                          const std::function<bool(const MSG&)>& onPosted = nullptr);
  // Hands a frame of inputs to the device and keeps it.
  void TakeInputs(WPARAM w, LPARAM l);
  void TearDown() override;
  // Held up as the base says, or by the companion's own record of being
  // stopped or starved while the meter lived (CompanionLog): its answers
  // then come late, or its queue fills and the bus skips it.
  std::string HeldUpBy(const HoldUpMeter& meter) override;
  // What the companion has logged since it started.
  struct CompanionRecord {
    std::vector<long long> heardUs;  // when it heard each output frame (--times 1, its clock)
    int answersSent = 0;             // the input frames it sent
    std::vector<bool> taken;         // whether a peer took each of them, in order
    // Its notes of being held up ("stalled ..."), each with when this
    // process read it (qxtest::SteadyUs).
    std::vector<std::pair<long long, std::string>> stalls;
  };
  // The companion's log read up to the mark it writes when asked (one still
  // held up at the end writes it once it goes on), added to what was read
  // of it before: all it has logged since it started.
  const CompanionRecord& CompanionLog();
  // The companion ended and the bus left, so that a test may start another.
  void TearDownCompanion();
  // The inputs that reached the program on channel 0 (and 1), each with the tick
  // count it came at (the user-interface thread hands them to the device).
  struct Received {
    DWORD time;
    double volts;
    double volts1 = 0.0;  // on channel 1
    long long us = 0;     // when, in microseconds (qxtest::SteadyUs)
  };
  // Whether sample k of the run, whose repaint was posted (every sample of
  // a period above 50 ms), read y: the input the device held when the
  // previous sample's repaint went, or one that came in between.
  bool ReadableAt(int k, double y) const;

  std::unique_ptr<qxtest::ScopedEnv> m_bus;
  std::unique_ptr<qxtest::PeerProcess> m_companion;
  std::vector<Received> m_received;
  QxBusReceiver m_previousReceiver = nullptr;
  bool m_viaMainWindow = false;  // the bus posts the inputs to m_frame
  CInputsFrame* m_frame = nullptr;
  CompanionRecord m_companionLog;  // read so far (CompanionLog)
  // Whether a run's answers are judged as read by its samples: an answer
  // handed over too late for its sample is then the program's lateness,
  // unless the threads on its road were held up as long as it had
  // (qxtest::AnswerHeldUp), and the run is then made again. m_answerTurnUs:
  // how long a hand-over may wait for the user-interface thread's turn
  // (PumpUntilEnded's, unless a test takes its turns itself).
  bool m_answersJudged = false;
  long long m_answerTurnUs = 1000;
  // How many samples after its frame's an answer may first be read (1: by
  // the next sample; more where the run lets its readings fall behind).
  std::size_t m_answerLag = 1;
  // Whether the run's sample that reads answer i is known to have missed it
  // (null: told by the times alone).
  std::function<bool(std::size_t)> m_answerMissed;
  // The answer to output frame i as the unit took it: none when the
  // companion's answer found no taker (as far as its log was read:
  // CompanionLog), or has not come.
  const Received* AnswerTo(std::size_t i) const;
  // When the answer to each output frame was handed to the unit
  // (Received::us; qxtest::kNeverCame for one that did not come), the
  // companion's log read first.
  std::vector<long long> AnsweredUs();
  // The hold-up of the threads on an answer's road (m_answerRoad and the
  // companion's), as `holdUps` saw it; it must outlive what this returns.
  qxtest::HeldUs AnswerRoadHeld(const qxtest::HoldUpTimeline& holdUps) const;
  // The threads of this process an answer passes on its way to the unit:
  // the bus's reader and the user-interface thread that hands it over.
  std::set<long> m_answerRoad;
  // Why the last flood (a peer beside a run) was kept from a processor:
  // it waited half its time or more; empty when it was not.
  std::string m_floodStarved;
};
