// The bodies of the real-time fixtures (RealtimeFixture.h).
#include "tests/app/RealtimeFixture.h"

#include <cstdio>

ScriptedClock::ScriptedClock(DWORD start, DWORD cost) : m_now(start), m_cost(cost) {}

DWORD ScriptedClock::TickCount() {
  return m_now.fetch_add(m_cost);
}

void ScriptedClock::Sleep(DWORD ms) {
  {
    std::lock_guard guard(m_lock);
    m_sleeps.push_back(ms);
  }
  m_now.fetch_add(ms);
  std::this_thread::yield();
}

std::vector<DWORD> ScriptedClock::Sleeps() {
  std::lock_guard guard(m_lock);
  return m_sleeps;
}

DWORD StuckClock::TickCount() {
  return 0;
}

void StuckClock::Sleep(DWORD) {
  std::unique_lock guard(m_lock);
  m_wake.wait(guard, [] { return false; });
}

void StuckClock::SleepUnless(DWORD, const std::function<bool()>& stop) {
  std::unique_lock guard(m_lock);
  ++m_sleepers;
  m_wake.wait(guard, [&] { return stop(); });
  --m_sleepers;
}

void StuckClock::Wake() {
  { std::lock_guard guard(m_lock); }
  m_wake.notify_all();
}

int StuckClock::Sleepers() {
  std::lock_guard guard(m_lock);
  return m_sleepers;
}

long PeerPid(const std::string& name) {
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

void ReadToMark(qxtest::PeerProcess& peer, const std::string& name,
                const std::function<void(const std::string&)>& note) {
  const long pid = PeerPid(name);
  const bool asked = pid > 0 && kill(static_cast<pid_t>(pid), SIGUSR1) == 0;
  for (std::string line = peer.ReadLine(asked ? 10000 : 100); !line.empty();
       line = peer.ReadLine(asked ? 10000 : 100)) {
    if (line.rfind("mark", 0) == 0) return;
    note(line);
  }
}

void RealtimeThreads::SetUp() {
  qxtest::TestThreads::Now().Begin();
  m_previousClock = QxSetClock(nullptr);
  QxSetClock(m_previousClock);
  // Tells which threads run the samples.
  m_sampleClock = &Install<qxtest::SampleClock>();
  m_testMeter = std::make_unique<qxtest::HoldUpMeterCore>();
  unsetenv("QX_DEVICE_DT2801");  // the emulated unit
  m_template = StartWindowlessApp(m_app);
  // Runs get input unless a test silences the unit: one that gets none
  // is not kept.
  m_instantCompanion = std::make_unique<qxtest::InstantCompanion>([this] {
    std::lock_guard guard(m_sentLock);
    m_instantHeardUs.push_back(qxtest::SteadyUs());
  });
  ASSERT_FALSE(HasFailure());
  m_uiTid = static_cast<long>(gettid());
  qxui::SetPreTranslateHook([this](MSG* msg) {
    if (msg->hwnd == nullptr) {
      m_posted.push_back({msg->message, msg->wParam, msg->lParam, msg->time, qxtest::SteadyUs()});
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

void RealtimeThreads::TearDown() {
  QxClock* const clock = QxSetClock(nullptr);
  QxSetClock(clock);
  if (!m_periodJudged && m_periods.size() == 1 && *m_periods.begin() != 0 &&
      clock == m_sampleClock && !IsSkipped() && !HasFatalFailure()) {
    EXPECT_EQ(LateOverTheTest(), "") << "the test's runs, judged at their period as a whole";
  }
  m_testMeter.reset();
  DestroyQuitFrame();
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

CStatusBar& RealtimeThreads::StatusLine() {
  if (!m_statusFrame) {
    m_statusFrame = new CFrameWnd;
    EXPECT_TRUE(m_statusFrame->Create(nullptr, "Status"));
    static const UINT indicators[] = {ID_SEPARATOR};
    EXPECT_TRUE(m_status.Create(m_statusFrame) && m_status.SetIndicators(indicators, 1));
    m_app->m_pMainWnd = m_statusFrame;
  }
  return m_status;
}

void RealtimeThreads::MakeQuitFrame() {
  m_quitFrame = new CFrameWnd;
  ASSERT_TRUE(m_quitFrame->Create(nullptr, "Quorvathine"));
  m_app->m_pMainWnd = m_quitFrame;
}

void RealtimeThreads::DestroyQuitFrame() {
  if (m_app && m_app->m_pMainWnd == m_quitFrame && m_quitFrame) {
    m_app->m_pMainWnd = nullptr;
    m_quitFrame->DestroyWindow();  // deletes itself
  }
  m_quitFrame = nullptr;
}

CQorexDoc* RealtimeThreads::NewDesign(double ts, double tf) {
  auto* doc = static_cast<CQorexDoc*>(m_template->CreateNewDocument());
  EXPECT_TRUE(doc && doc->OnNewDocument());
  delete doc->m_models.GetAt(kModelK)->SetChildAt(Real(0.5), 1);
  delete doc->m_models.GetAt(kModelF)->SetChildAt(Real(1.0), 1);
  doc->m_dSamplingTime = ts;
  doc->m_dFinalTime = tf;
  doc->Recalculate();
  m_periodMs = static_cast<DWORD>(ts * 1000);
  m_periods.insert(m_periodMs);
  return doc;
}

CQorexDoc* RealtimeThreads::TunableDesign(double ts, double tf, std::optional<double> kp) {
  CQorexDoc* doc = NewDesign(ts, tf);
  qxtest::TunableK(*doc, kp);
  return doc;
}

bool RealtimeThreads::PumpUntilEnded() {
  const auto limit = std::chrono::steady_clock::now() + kRunLimit;
  while (!WorkerEndPosted() && std::chrono::steady_clock::now() < limit) {
    QxTest::PumpEvents();
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  QxTest::PumpEvents();
  return g_pWorkerThread.load() == nullptr;
}

bool RealtimeThreads::BoardFailureCounts(const std::string& text, int& failed, int& calls) {
  return std::sscanf(text.c_str(),
                     "The analog I/O board failed %d of %d calls during the run; failed "
                     "readings kept their last value.",
                     &failed, &calls) == 2;
}

int RealtimeThreads::Count(UINT message) const {
  return static_cast<int>(
      std::count_if(m_posted.begin(), m_posted.end(),
                    [message](const Posted& p) { return p.message == message; }));
}

std::vector<LPARAM> RealtimeThreads::RunEnds() const {
  std::vector<LPARAM> ends;
  for (const Posted& p : m_posted)
    if (p.message == WM_QX_RUNENDED) ends.push_back(p.lParam);
  return ends;
}

std::vector<UINT> RealtimeThreads::HandOvers() const {
  std::vector<UINT> found;
  for (const Posted& p : m_posted)
    if (p.message == WM_QX_TRANSFERSIM || p.message == WM_QX_PUSHUGY || p.message == WM_QX_FINDG)
      found.push_back(p.message);
  return found;
}

std::vector<ShownBox> RealtimeThreads::Boxes() {
  std::lock_guard guard(m_boxLock);
  return m_boxes;
}

void RealtimeThreads::KeepSentFrames() {
  qxui::SetBroadcastHook([this](UINT message, WPARAM w, LPARAM l) {
    const long long handedUs = qxtest::SteadyUs();
    QxBusBroadcast(qxui::RegisteredMessageName(message), w, l);
    if (message == g_msgDac) {
      std::lock_guard guard(m_sentLock);
      m_sent.push_back({w, l});
      m_sentAt.push_back(GetTickCount());
      m_sentAtUs.push_back(handedUs);
    }
  });
}

std::vector<std::vector<int>> RealtimeThreads::SentFrames() {
  std::lock_guard guard(m_sentLock);
  std::vector<std::vector<int>> frames;
  for (const auto& [w, l] : m_sent) frames.push_back({LOWORD(w), HIWORD(w), LOWORD(l), HIWORD(l)});
  return frames;
}

std::vector<DWORD> RealtimeThreads::SentTimes() {
  std::lock_guard guard(m_sentLock);
  return m_sentAt;
}

DWORD RealtimeThreads::RunEndedAt() const {
  for (auto p = m_posted.rbegin(); p != m_posted.rend(); ++p)
    if (p->message == WM_QX_RUNENDED) return p->time;
  ADD_FAILURE() << "no run ended";
  return 0;
}

bool RealtimeThreads::AllOutputsZero() {
  for (double v : g_pAnalogIo->m_outputs)
    if (v != 0.0) return false;
  return true;
}

std::string RealtimeThreads::HeldUpBy(const HoldUpMeter& meter) {
  return qxtest::HeldUpBy(meter, m_heldUpFrom);
}

std::string RealtimeThreads::LateOverTheTest() {
  const auto held = TestHeldBetween(0, 0);
  std::vector<long long> us;
  std::vector<std::pair<std::size_t, std::size_t>> gaps;
  {
    std::lock_guard guard(m_sentLock);
    us = m_sentAtUs.empty() ? m_instantHeardUs : m_sentAtUs;  // the emulated unit's
  }
  for (std::size_t k = 1; k < us.size(); ++k) gaps.push_back({k - 1, k});
  if (!gaps.empty()) return qxtest::LateMedian(us, m_periodMs, held, gaps, CountedAt(0, true));
  // Slice repaints: every third sample up to 50 ms, else every one.
  const int every = m_periodMs > 50 ? 1 : 3;
  std::vector<WPARAM> samples;
  for (const Posted& p : m_posted) {
    if (p.message != WM_QX_INVALIDATESLICE) continue;
    if (!samples.empty() && p.wParam == samples.back() + every)
      gaps.push_back({us.size() - 1, us.size()});
    us.push_back(1000LL * p.time);
    samples.push_back(p.wParam);
  }
  return qxtest::LateMedian(us, m_periodMs * every, held, gaps, CountedAt(0, true));
}

std::function<long long(long long, long long)> RealtimeThreads::TestHeldBetween(
    long long lowUs, long long highUs) const {
  if (!m_testMeter) return nullptr;
  return [timeline = m_testMeter->Timeline(), lowUs, highUs](long long a, long long b) {
    return timeline->HeldUsBetween(a + lowUs, b + highUs);
  };
}

std::string RealtimeThreads::LateRun() {
  m_periodJudged = true;
  if (m_lateRun) return m_lateRun();
  std::lock_guard guard(m_sentLock);
  return m_periodMs == 0 ? "" : LateStep(m_sentAtUs, m_periodMs);
}

bool RealtimeThreads::HeldUpRunAgain(const HoldUpMeter& meter, int& runs, CQorexDoc* doc) {
  m_heldUp = HeldUpBy(meter);
  m_holdUps = meter.Timeline();
  const auto late = [this] { return LateRun(); };
  if (!qxtest::HeldUpRunAgain(m_heldUp, late, runs)) return false;
  if (doc) doc->OnCloseDocument();
  ForgetTheRun();
  return true;
}

bool RealtimeThreads::JudgedRun(const std::function<CQorexDoc*()>& run,
                                const std::function<void()>& between,
                                const std::function<void()>& prepare) {
  CQorexDoc* doc = nullptr;
  const bool made = qxtest::JudgedRuns(
      [&] { doc = run(); },
      [&](const HoldUpMeter& meter, int& runs) { return HeldUpRunAgain(meter, runs, doc); },
      between, prepare);
  if (!made) {
    m_heldUp = "making the run failed";
    return false;
  }
  return m_heldUp.empty();
}

void RealtimeThreads::ClearBoxes() {
  std::lock_guard guard(m_boxLock);
  m_boxes.clear();
}

void RealtimeThreads::ForgetTheRun() {
  m_posted.clear();
  ClearBoxes();
  std::lock_guard guard(m_sentLock);
  m_sent.clear();
  m_sentAt.clear();
  m_sentAtUs.clear();
}

std::string RealtimeThreads::HeldUpEveryTime() const {
  return qxtest::HeldUpEveryTime(m_heldUp);
}

std::string RealtimeThreads::LateStep(const std::vector<long long>& us, DWORD periodMs,
                                      std::size_t from, std::size_t to,
                                      std::pair<long long, long long> startedUs) const {
  m_periodJudged = true;
  std::string late =
      qxtest::LatePeriod(us, periodMs, HeldBetween(startedUs.first, startedUs.second, us), from, to,
                         nullptr, CountedAt(startedUs.first));
  const auto timeline = HoldUpsSeen();
  if (late.empty() || !timeline) return late;
  // Whose wait the late gap was (the one named, else the widest), charged
  // or not: a red then tells a late program from a thread the rule does not
  // charge.
  std::size_t a = 0, b = 0;
  if (std::sscanf(late.c_str(), "steps %zu and %zu", &a, &b) != 2 || a >= b || b >= us.size()) {
    a = b = 0;
    for (std::size_t k = from + 1; k < std::min(to, us.size()); ++k)
      if (b == 0 || us[k] - us[k - 1] > us[b] - us[a]) a = k - 1, b = k;
    if (b == 0) return late;
  }
  return late + "; from step " + std::to_string(a) + " to " + std::to_string(b) + ": " +
         timeline->WaitsBetween(us[a] + startedUs.first, us[b] + startedUs.second);
}

std::function<long long(long long, long long)> RealtimeThreads::HeldBetween(
    long long lowUs, long long highUs, const std::vector<long long>& steps) const {
  if (!m_holdUps) return TestHeldBetween(lowUs, highUs);
  const auto samples = [holdUps = m_holdUps, lowUs, highUs](long long a, long long b) {
    return holdUps->HeldUsBetween(a + lowUs, b + highUs);
  };
  // A worker handing a pass over waits for the user-interface thread to
  // take it and deal with it: from its post to its next step. The post's
  // tick count is the system clock's milliseconds, as the meter's
  // microseconds are.
  std::vector<std::pair<long long, long long>> handOvers;
  for (const Posted& p : m_posted) {
    if (p.message != kTransfer && p.message != kPush && p.message != kFindG) continue;
    const DWORD waitedMs = static_cast<DWORD>(p.deliveredUs / 1000) - p.time;
    const long long deliveredUs = p.deliveredUs - lowUs;
    const auto next = std::lower_bound(steps.begin(), steps.end(), deliveredUs);
    if (waitedMs < 60000)
      handOvers.push_back(
          {deliveredUs - 1000LL * (waitedMs + 1), next == steps.end() ? deliveredUs : *next});
  }
  const auto ui = [holdUps = m_holdUps, lowUs, highUs, tid = m_uiTid](long long a, long long b) {
    const auto isUi = [tid](const qxtest::WatchedTask& task) {
      return task.ours && task.tid == tid;
    };
    const auto stopsOnly = [](const qxtest::WatchedTask&) { return false; };
    return holdUps->HeldUsBetween(a + lowUs, b + highUs, isUi) -
           holdUps->HeldUsBetween(a + lowUs, b + highUs, stopsOnly);
  };
  return qxtest::WithHandOvers(samples, ui, std::move(handOvers));
}

qxtest::CountedAt RealtimeThreads::CountedAt(long long lowUs, bool sinceTest) const {
  const auto timeline = HoldUpsSeen(sinceTest);
  if (!timeline) return nullptr;
  return [timeline, lowUs](long long us) { return timeline->CountedAfter(us + lowUs); };
}

std::shared_ptr<const qxtest::HoldUpTimeline> RealtimeThreads::HoldUpsSeen(bool sinceTest) const {
  if (!sinceTest && m_holdUps) return m_holdUps;
  return m_testMeter ? m_testMeter->Timeline() : nullptr;
}

std::vector<long long> RealtimeThreads::SentTimesUs() {
  std::lock_guard guard(m_sentLock);
  return m_sentAtUs;
}

void RealtimeBoardThreads::StartBoard(const char* mode) {
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

std::vector<RealtimeBoardThreads::TimedCall> RealtimeBoardThreads::TimedCalls() {
  ReadToMark(*m_board, "fake_dt2801", [this](const std::string& line) { NoteBoardLine(line); });
  return m_calls;
}

void RealtimeBoardThreads::NoteBoardLine(const std::string& line) {
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

bool RealtimeBoardThreads::PumpUntilBoardRequest(int n) {
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

std::vector<std::string> RealtimeBoardThreads::Calls() {
  std::vector<std::string> calls;
  for (const TimedCall& call : TimedCalls()) calls.push_back(call.call);
  return calls;
}

std::vector<ShownBox> RealtimeBoardThreads::RunToItsEnd(CQorexDoc* doc) {
  doc->StartStopSimulation();
  EXPECT_TRUE(PumpUntilEnded());
  QxTest::PumpEvents();
  return Boxes();
}

void RealtimeBoardThreads::StartBoardWith(std::vector<std::string> args, DWORD timeoutMs) {
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

void RealtimeBoardThreads::RestartBoard(std::vector<std::string> args) {
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

std::chrono::steady_clock::time_point RealtimeBoardThreads::PumpWatchingBoard(
    const std::string& mark, std::vector<std::string>* lines) {
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

std::string RealtimeBoardThreads::HeldUpBy(const HoldUpMeter& meter) {
  std::string why = RealtimeThreads::HeldUpBy(meter);
  TimedCalls();
  if (!m_boardStalls.empty()) {
    long long ms = 0;
    for (const long long stall : m_boardStalls) ms += stall;
    why += (why.empty() ? "" : "; ") + std::string("the board was held up ") + std::to_string(ms) +
           " ms";
  }
  return why;
}

std::string RealtimeBoardThreads::LateRun() {
  if (m_lateRun) return m_lateRun();
  return m_board && m_periodMs != 0 ? LateCall(TimedCalls(), m_periodMs) : "";
}

std::string RealtimeBoardThreads::LateOverTheTest() {
  if (m_board) TimedCalls();
  std::vector<long long> us;
  std::vector<std::pair<std::size_t, std::size_t>> gaps;
  std::size_t last = SIZE_MAX;  // the last reading of channel 0
  for (std::size_t i = 0; i < m_calls.size(); ++i) {
    us.push_back(m_calls[i].us);
    if (m_calls[i].call != "R0") continue;
    // The next sample's: at most the other readings and the writes of four
    // channels between; a closing and a zeroing write between are two runs.
    if (last != SIZE_MAX && i - last <= 4) gaps.push_back({last, i});
    last = i;
  }
  // Else, the board gone or its log not read, as the worker's repaints tell.
  if (gaps.empty()) return RealtimeThreads::LateOverTheTest();
  return qxtest::LateMedian(
      us, m_periodMs, BoardHeld(TestHeldBetween(m_boardStartedUs[0], m_boardStartedUs[1])), gaps);
}

std::function<long long(long long, long long)> RealtimeBoardThreads::BoardHeld(
    std::function<long long(long long, long long)> ours) const {
  return [this, ours](long long a, long long b) {
    long long heldUs = ours ? ours(a, b) : 0;
    for (std::size_t i = 0; i < m_boardStallsAt.size(); ++i)
      if (m_boardStallsAt[i] >= a && m_boardStallsAt[i] <= b + 20000)
        heldUs += 1000 * m_boardStalls[i];
    return heldUs;
  };
}

std::string RealtimeBoardThreads::LateCall(const std::vector<TimedCall>& calls, DWORD periodMs,
                                           std::size_t from, std::size_t to) const {
  m_periodJudged = true;
  std::vector<long long> us;
  for (const TimedCall& call : calls) us.push_back(call.us);
  const auto held = BoardHeld(HeldBetween(m_boardStartedUs[0], m_boardStartedUs[1], us));
  return qxtest::LatePeriod(us, periodMs, held, from, to,
                            [&calls](std::size_t i) { return calls[i].call == "R0"; });
}

int Code(double volts) {
  const double code = std::trunc(volts / (10.0 / 2048) + 2048.0);
  return code <= 0 ? 0 : code >= 4095 ? 4095 : static_cast<int>(code);
}

double Volts(int code) {
  return (code - 2048) * (10.0 / 2048);
}
