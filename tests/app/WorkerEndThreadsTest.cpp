// The end of a worker, handed over whatever the order: the worker clears
// itself before its last post, and its end is said once, in one box, by
// whichever comes first of its end message and a user-interface thread that
// waited for it; a design is never freed while its worker may still use it,
// and the bars let go of it only once the wait is over.
#include "MainFrm.h"
#include "diagrams/OutputBar.h"
#include "editing/LeftBar.h"
#include "search/KFinder.h"
#include "simulation/RealtimeTexts.h"
#include "tests/app/RealtimeFixture.h"

namespace {

using std::chrono::milliseconds;
using std::chrono::steady_clock;

// The period no run accepts: its worker refuses at once, and its end says so.
constexpr double kRefusedTs = 0.0005;

// Holds the worker's last post (SetBeforeLastPostForTest) until released.
class LastPostGate {
 public:
  LastPostGate() {
    SetBeforeLastPostForTest([this] {
      std::unique_lock guard(m_lock);
      m_reached = true;
      m_changed.notify_all();
      m_changed.wait_for(guard, std::chrono::seconds(20), [this] { return m_open; });
    });
  }
  ~LastPostGate() {
    if (m_opener.joinable()) m_opener.join();
    Open();
    SetBeforeLastPostForTest(nullptr);
  }
  LastPostGate(const LastPostGate&) = delete;
  LastPostGate& operator=(const LastPostGate&) = delete;
  // Whether the worker reached its last post, waiting for it a while.
  bool Reached() {
    std::unique_lock guard(m_lock);
    return m_changed.wait_for(guard, kRunLimit, [this] { return m_reached; });
  }
  void Open() {
    std::lock_guard guard(m_lock);
    m_open = true;
    m_changed.notify_all();
  }
  // Opens from a thread of its own after ms, while this thread waits.
  void OpenAfter(milliseconds ms) {
    m_opener = std::thread([this, ms] {
      std::this_thread::sleep_for(ms);
      Open();
    });
  }

 private:
  std::mutex m_lock;
  std::condition_variable m_changed;
  bool m_reached = false;
  bool m_open = false;
  std::thread m_opener;
};

// Holds g_pcsSimulation, which the worker takes every sample, from a thread
// of its own until released: a worker kept from ending past any bound.
class SimulationHeld {
 public:
  SimulationHeld()
      : m_thread([this] {
          QxCriticalSectionLock lock(g_pcsSimulation);
          std::unique_lock guard(m_lock);
          m_held = true;
          m_changed.notify_all();
          m_changed.wait(guard, [this] { return m_released; });
        }) {
    std::unique_lock guard(m_lock);
    m_changed.wait(guard, [this] { return m_held; });
  }
  ~SimulationHeld() { Release(); }
  SimulationHeld(const SimulationHeld&) = delete;
  SimulationHeld& operator=(const SimulationHeld&) = delete;
  void Release() {
    {
      std::lock_guard guard(m_lock);
      m_released = true;
      m_changed.notify_all();
    }
    if (m_thread.joinable()) m_thread.join();
  }

 private:
  std::mutex m_lock;
  std::condition_variable m_changed;
  bool m_held = false;
  bool m_released = false;
  std::thread m_thread;
};

class WorkerEndThreads : public RealtimeThreads {
 protected:
  void TearDown() override {
    SetBeforeLastPostForTest(nullptr);
    RealtimeThreads::TearDown();
    m_frame.reset();
  }
  // The program's bars, without windows: only what they show matters.
  void MakeBars() { m_frame = std::make_unique<CMainFrame>(); }
  // The design each bar shows.
  std::vector<const CQorexDoc*> Shown() const {
    return {m_frame->m_wndOutputBar.m_pDoc, m_frame->m_wndLeftBar.m_pDoc,
            m_frame->m_wndVarbar.m_pListedDoc, m_frame->m_wndEqualizerBar.m_pDoc,
            m_frame->m_wndCommentBar.m_pDoc};
  }
  // From now on, every box also runs `during` while it is up, as whatever a
  // modal box delivers would.
  void WhileABoxIsUp(std::function<void()> during) {
    m_during = std::move(during);
    QxMessageBoxHandler record = QxSetMessageBoxHandler(nullptr);
    QxSetMessageBoxHandler([this, record](HWND owner, LPCSTR text, LPCSTR caption, UINT type) {
      const int answer = record(owner, text, caption, type);
      if (m_during) m_during();
      return answer;
    });
  }
  std::vector<std::string> Texts() {
    std::vector<std::string> texts;
    for (const ShownBox& box : Boxes()) texts.push_back(box.text);
    return texts;
  }

  std::unique_ptr<CMainFrame> m_frame;
  std::function<void()> m_during;
};

}  // namespace

// A refused run ends at once. Its worker is gone before its end message is
// posted, and whichever comes first, the end message or a wait for the
// worker (a stop before anything else starts), says the end; the other says
// nothing. Its end message is posted late, while the wait is under way, or
// handled before the wait.
TEST_F(WorkerEndThreads, TheEndIsSaidOnceByWhicheverComesFirst) {
  for (const bool waitFirst : {true, false}) {
    SCOPED_TRACE(waitFirst ? "the wait first" : "the end message first");
    ClearBoxes();
    m_posted.clear();
    CQorexDoc* doc = NewDesign(kRefusedTs, 0.1);
    {
      LastPostGate gate;
      doc->StartStopSimulation();
      ASSERT_TRUE(gate.Reached());
      EXPECT_EQ(g_pWorkerThread.load(), nullptr) << "cleared before its last post";
      EXPECT_TRUE(WorkerEndUntold());
      if (waitFirst) {
        gate.OpenAfter(milliseconds(200));
        EXPECT_TRUE(g_pSimulator.load()->StopRealtime());
        EXPECT_EQ(Texts(), std::vector<std::string>{kRealtimePeriodText}) << "said by the wait";
      }
      gate.Open();
      ASSERT_TRUE(PumpUntilEnded());
    }
    EXPECT_EQ(RunEnds().size(), 1u);
    EXPECT_TRUE(g_pSimulator.load()->StopRealtime());
    QxTest::PumpEvents();
    const std::vector<ShownBox> boxes = Boxes();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, kRealtimePeriodText);
    EXPECT_EQ(boxes[0].caption, kRealtimeCaption);
    EXPECT_TRUE(boxes[0].onUiThread);
    EXPECT_FALSE(WorkerEndUntold());
    doc->OnCloseDocument();
    EXPECT_EQ(Boxes().size(), 1u) << "nothing more at the close";
  }
}

// The user quits, or closes the design, the moment a run has ended, before
// its end message is even posted (it is, while the road waits for it): the end is said before the
// road returns (a program that quits delivers nothing after), once. A box delivers what shows the
// design on the bars meanwhile; the bars let go of it after.
TEST_F(WorkerEndThreads, AQuitOrCloseMadeAtOnceAfterARunsEndSaysItFirst) {
  for (const bool quit : {true, false}) {
    SCOPED_TRACE(quit ? "quit" : "close the design");
    ClearBoxes();
    m_posted.clear();
    MakeBars();
    if (quit) MakeQuitFrame();
    CQorexDoc* doc = NewDesign(kRefusedTs, 0.1);
    WhileABoxIsUp([this] {
      for (POSITION pos = m_template->GetFirstDocPosition(); pos;)
        static_cast<CQorexDoc*>(m_template->GetNextDoc(pos))->UpdateAll();
    });
    {
      LastPostGate gate;
      doc->StartStopSimulation();
      ASSERT_TRUE(gate.Reached());
      gate.OpenAfter(milliseconds(200));
      if (quit) {
        doc->SetModifiedFlag(FALSE);
        m_quitFrame->SendMessage(WM_CLOSE);
      } else {
        doc->OnCloseDocument();
      }
      EXPECT_EQ(Texts(), std::vector<std::string>{kRealtimePeriodText})
          << "before the road returned";
      EXPECT_EQ(Shown(), std::vector<const CQorexDoc*>(5, nullptr));
      gate.Open();
      ASSERT_TRUE(PumpUntilEnded());
    }
    QxTest::PumpEvents();
    EXPECT_EQ(Boxes().size(), 1u) << "the end message says nothing more";
    m_during = nullptr;
    m_frame.reset();
  }
}

// A worker kept from ending (g_pcsSimulation held past any bound) while its
// design is closed, or the program quits: the road returns within the bound
// of the wait (the emulation's 2 s) and slack, says that the run did not
// end, and keeps the design, off the open designs and the bars, until the
// run has ended; then it is freed.
TEST_F(WorkerEndThreads, ADesignClosedUnderAWorkerThatDoesNotEndIsKeptUntilItEnds) {
  constexpr milliseconds kBoundAndSlack{2000 + 1000};
  for (const bool quit : {false, true}) {
    SCOPED_TRACE(quit ? "quit" : "close the design");
    ClearBoxes();
    m_posted.clear();
    MakeBars();
    if (quit) MakeQuitFrame();
    CQorexDoc* doc = NewDesign(0.02, 30.0);
    doc->UpdateAll();
    ASSERT_EQ(Shown(), std::vector<const CQorexDoc*>(5, doc));
    // A box delivers what shows the design again while it is up.
    WhileABoxIsUp([doc] { doc->UpdateAll(); });
    doc->StartStopSimulation();
    const auto limit = steady_clock::now() + kRunLimit;
    while (Count(WM_QX_INVALIDATESLICE) < 2 && steady_clock::now() < limit) QxTest::PumpEvents();
    ASSERT_GE(Count(WM_QX_INVALIDATESLICE), 2) << "the run is under way";
    auto held = std::make_unique<SimulationHeld>();
    const HoldUpMeter meter;
    const auto start = steady_clock::now();
    if (quit) {
      doc->SetModifiedFlag(FALSE);
      m_quitFrame->SendMessage(WM_CLOSE);
    } else {
      doc->OnCloseDocument();
    }
    const auto took = steady_clock::now() - start - meter.Held();
    EXPECT_LT(took, kBoundAndSlack);
    EXPECT_NE(g_pWorkerThread.load(), nullptr) << "the worker is still held";
    EXPECT_EQ(Texts(), std::vector<std::string>{kRealtimeNotEndedText});
    EXPECT_FALSE(m_app->IsOpenDocument(doc));
    EXPECT_TRUE(DesignKeptForWorker(doc));
    EXPECT_EQ(Shown(), std::vector<const CQorexDoc*>(5, nullptr))
        << "the bars let go after the wait";
    EXPECT_EQ(doc->m_dSamplingTime, 0.02) << "not freed";
    held->Release();
    ASSERT_TRUE(PumpUntilEnded());
    QxTest::PumpEvents();
    EXPECT_FALSE(DesignKeptForWorker(doc)) << "freed once the run ended";
    EXPECT_EQ(Boxes().size(), 1u);
    m_during = nullptr;
    m_frame.reset();
  }
}
