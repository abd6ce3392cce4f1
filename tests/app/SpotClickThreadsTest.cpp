// Double clicks on the run spot and the tuner's spot of the "ProcessView"
// bar, against the fake board: the second press belongs to the first, so a
// double click acts once, as one click, whether something runs or not. The
// board's log of requests tells what reached the process.
#include "GlobalResources.h"
#include "MainFrm.h"
#include "editing/LeftBar.h"
#include "search/KFinder.h"
#include "tests/app/RealtimeFixture.h"
#include "tests/support/DockedBar.h"

namespace {

const CPoint kRunSpot(18, 73);
const CPoint kTunerSpot(19, 92);  // button 0: 18 x 18 from (10, 83)

// Waits for the board's log while a worker runs, at most this long.
constexpr auto kLogLimit = std::chrono::seconds(10);

class SpotClickThreads : public RealtimeBoardThreads {
 protected:
  void SetUp() override {
    RealtimeBoardThreads::SetUp();
    ASSERT_FALSE(HasFailure());
    // The bar docked in a small frame of its own, never shown.
    m_docked.MakeBars();
    ASSERT_NO_FATAL_FAILURE(
        m_docked.Dock(Bar(), IDD_LEFTBAR, CBRS_ALIGN_LEFT, IDW_LEFTBAR, CRect(0, 0, 300, 200)));
    // The bar takes presses only with a main window.
    m_app->m_pMainWnd = m_docked.Host();
    QxTest::PumpEvents();
  }
  void TearDown() override {
    if (m_app) {
      g_pSimulator.load()->StopRealtime();
      QxTest::PumpEvents();
      m_app->m_pMainWnd = nullptr;
    }
    while (g_pKFinder && g_pKFinder->TakeResult()) {
    }
    m_docked.Destroy();
    RealtimeBoardThreads::TearDown();
  }

  CLeftBar& Bar() const { return m_docked.Bars().m_wndLeftBar; }

  // P = L = F = 1, K = kp = 0.5, c = 1: samples of ts (20 ms unless
  // given) for 30 s, so that neither a run nor a tuner's pass ends while a
  // test watches it.
  CQorexDoc* Design(double ts = 0.02) {
    CQorexDoc* doc = TunableDesign(ts, 30.0, 0.5);
    Bar().ShowDesign(doc, DesignPart::kWhole, 0);
    return doc;
  }

  void Click(CPoint p) { m_docked.Click(p); }
  void DoubleClick(CPoint p) { m_docked.DoubleClick(p); }

  // One more line of the board's log, if one comes within waitMs: a call
  // as "R<ch>" or "W<ch>:<code>", with the request's number; kept with its
  // time too (NoteBoardLine), for the period check.
  bool ReadBoard(int waitMs) {
    const std::string line = m_board->ReadLine(waitMs);
    if (line.empty()) return false;
    NoteBoardLine(line);
    const std::size_t ch = line.find("ch=");
    const std::size_t value = line.find("value=");
    if (ch == std::string::npos || value == std::string::npos) return true;
    const bool write = line.find("code=0x82002004") != std::string::npos;
    // Appended: g++ 12 warns falsely (-Wrestrict) on "literal" + string.
    std::string call = std::string(write ? "W" : "R").append(line, ch + 3, 1);
    if (write) call.append(":").append(line, value + 6, line.find(' ', value) - value - 6);
    m_log.push_back({std::atoi(line.c_str() + 1), call});
    return true;
  }
  // Delivers messages (a tuning's candidates wait for them) and reads the
  // board's log until `more` readings beyond those read so far have come.
  bool BoardReads(int more) {
    const int want = Readings() + more;
    const auto limit = std::chrono::steady_clock::now() + kLogLimit;
    while (Readings() < want && std::chrono::steady_clock::now() < limit) {
      QxTest::PumpEvents();
      ReadBoard(5);
    }
    return Readings() >= want;
  }
  // Until the board's log holds request n.
  bool BoardGot(int n) {
    const auto limit = std::chrono::steady_clock::now() + kLogLimit;
    while ((m_log.empty() || m_log.back().request < n) && std::chrono::steady_clock::now() < limit)
      ReadBoard(5);
    return !m_log.empty() && m_log.back().request >= n;
  }
  // Until the worker has ended; then the rest of the board's log.
  bool Ended() {
    const bool ended = PumpUntilEnded();
    while (ReadBoard(300)) {
    }
    return ended;
  }

  int Readings() const {
    return Calls([](const std::string& c) { return c[0] == 'R'; });
  }
  // A run's start sets both outputs to 0 V; a one-output loop writes only
  // output 0 otherwise, and a tuner's pass starts without it.
  int RunStarts() const {
    return Calls([](const std::string& c) { return c.rfind("W1", 0) == 0; });
  }
  template <class Which>
  int Calls(Which which) const {
    return static_cast<int>(std::count_if(m_log.begin(), m_log.end(),
                                          [&](const Call& call) { return which(call.call); }));
  }
  // The board's calls after request n.
  std::vector<std::string> CallsAfter(int n) const {
    std::vector<std::string> calls;
    for (const Call& call : m_log)
      if (call.request > n) calls.push_back(call.call);
    return calls;
  }
  // The process was driven without a break: no 0 V between the first reading
  // and the last one.
  bool DrivenWithoutBreak() const {
    const std::string zero = "W0:" + std::to_string(Code(0.0));
    bool reading = false, zeroSince = false;
    for (const Call& call : m_log) {
      if (call.call[0] == 'R') {
        if (reading && zeroSince) return false;
        reading = true;
        zeroSince = false;
      } else if (reading && call.call == zero) {
        zeroSince = true;
      }
    }
    return true;
  }

  struct Call {
    int request = 0;
    std::string call;
  };
  std::vector<Call> m_log;
  qxtest::DockedBar m_docked;
};

}  // namespace

// A double click on a spot acts as its first click alone: it starts a run,
// starts a tuning, or tunes afresh (a click on the tuner's spot stops the
// tuning and starts it again), and what it started goes on driving the
// process until a click on the run spot stops it.
TEST_F(SpotClickThreads, ADoubleClickOnASpotActsOnceAndWhatItStartedGoesOn) {
  const struct {
    const char* what;
    CPoint spot;
    bool tuning;      // the tuner runs before the double click
    int runs;         // run starts the board saw
    int tunings;      // tunings that ended (the last one stopped by the run spot)
    bool oneStretch;  // the process was driven without a break
  } rows[] = {
      {"run spot, stopped", kRunSpot, false, 1, 0, true},
      {"tuner's spot, stopped", kTunerSpot, false, 0, 1, false},
      {"tuner's spot, tuning", kTunerSpot, true, 0, 2, false},
  };
  StartBoard("normal");
  for (const auto& row : rows) {
    SCOPED_TRACE(row.what);
    CQorexDoc* doc = Design();
    m_log.clear();
    m_posted.clear();
    if (row.tuning) {
      Click(kTunerSpot);
      ASSERT_TRUE(BoardReads(10));
    }
    DoubleClick(row.spot);
    // Well beyond what the presses of a double click leave time for.
    EXPECT_TRUE(BoardReads(40)) << "the process is driven after the double click";
    EXPECT_EQ(g_pSimDoc.load(), doc);
    Click(kRunSpot);  // the stop
    ASSERT_TRUE(Ended());
    EXPECT_EQ(RunStarts(), row.runs);
    EXPECT_EQ(Count(WM_QX_UPDATEALL), row.tunings);
    if (row.oneStretch) {
      EXPECT_TRUE(DrivenWithoutBreak());
    }
    ASSERT_FALSE(m_log.empty());
    EXPECT_EQ(m_log.back().call, "W0:" + std::to_string(Code(0.0)));
    doc->OnCloseDocument();
  }
}

// The board falls silent in the running run: a stop ends the wait for the
// unanswered reading at once, but the closing 0 V write waits its reply
// timeout. The double click that stops the run returns while the worker
// still waits for the board, and nothing but the stopped sample's end
// reaches the board afterwards.
TEST_F(SpotClickThreads, ADoubleClickOnTheRunningRunSpotStopsItWithoutWaitingForTheBoard) {
  // Requests: two 0 V writes, then a reading and a write per sample; from
  // the third sample's reading on, nothing is answered. 1 s samples: the
  // run does not give the board up before the stop. Three readings, the
  // last of them the silent one, give the period check two gaps to judge.
  constexpr int kSilentReading = 7;
  StartBoardWith(
      {"--after", std::to_string(kSilentReading - 1), "--fault", "silent", "--count", "1000"},
      5000);
  CQorexDoc* doc = Design(1.0);
  Click(kRunSpot);
  ASSERT_TRUE(BoardGot(kSilentReading));
  ASSERT_EQ(m_log.back().call, "R0");
  DoubleClick(kRunSpot);
  EXPECT_NE(g_pWorkerThread.load(), nullptr) << "the double click waited for the board";
  ASSERT_TRUE(Ended());
  EXPECT_EQ(RunEnds().size(), 1u);
  EXPECT_EQ(RunStarts(), 1);
  const std::vector<std::string> after = CallsAfter(kSilentReading);
  EXPECT_EQ(std::count_if(after.begin(), after.end(),
                          [](const std::string& c) { return c[0] == 'R' || c[1] == '1'; }),
            0)
      << "no further sample, no further run";
  ASSERT_FALSE(after.empty());
  EXPECT_EQ(after.back(), "W0:" + std::to_string(Code(0.0)));
  // Paced until the silent reading, which went on time.
  std::vector<TimedCall> paced;
  for (const TimedCall& call : m_calls)
    if (call.number <= kSilentReading) paced.push_back(call);
  EXPECT_EQ(LateCall(paced, 1000), "");
  doc->OnCloseDocument();
}
