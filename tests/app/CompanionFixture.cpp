// The bodies of the companion fixture (CompanionFixture.h).
#include "tests/app/CompanionFixture.h"

#include <unistd.h>

#include <algorithm>

BEGIN_MESSAGE_MAP(CInputsFrame, CFrameWnd)
ON_REGISTERED_MESSAGE(g_msgAdc, OnAdc)
END_MESSAGE_MAP()

LRESULT CInputsFrame::OnAdc(WPARAM wParam, LPARAM lParam) {
  m_onInputs(wParam, lParam);
  return 0;
}

void RealtimeCompanionThreads::StartCompanion(std::vector<std::string> more, const char* lag) {
  m_instantCompanion.reset();  // the real one answers
  m_bus = std::make_unique<qxtest::ScopedEnv>("QX_BUS_DIR", qxtest::MakeTempDir("rtbus"));
  // The threads the bus starts as it is joined are its reader's.
  const std::vector<long> before = qxtest::ListOf(0, "task");
  ASSERT_TRUE(QxBusJoin());
  m_answerRoad = {static_cast<long>(gettid())};
  for (const long tid : qxtest::ListOf(0, "task"))
    if (std::find(before.begin(), before.end(), tid) == before.end()) m_answerRoad.insert(tid);
  if (m_viaMainWindow) {
    m_frame = new CInputsFrame;
    m_frame->m_onInputs = [this](WPARAM w, LPARAM l) { TakeInputs(w, l); };
    ASSERT_TRUE(m_frame->Create(nullptr, "Inputs"));
    m_app->m_pMainWnd = m_frame;
    m_previousReceiver = QxBusSetReceiver(QxPostToMainWnd);
  } else {
    m_previousReceiver = QxBusSetReceiver([this](UINT message, WPARAM w, LPARAM l) {
      if (message == g_msgAdc) TakeInputs(w, l);
    });
  }
  std::vector<std::string> args{"--seconds", "60", "--lag", lag, "--stalls", "1"};
  args.insert(args.end(), more.begin(), more.end());
  m_companionLog = {};
  m_companion = std::make_unique<qxtest::PeerProcess>("qorex_companion", args);
  ASSERT_EQ(m_companion->ReadLine().rfind("ready", 0), 0u);
  KeepSentFrames();
}

bool RealtimeCompanionThreads::JudgedCompanionRun(const std::function<CQorexDoc*()>& start,
                                                  const std::function<bool(const MSG&)>& onPosted) {
  return JudgedRun(
      [&]() -> CQorexDoc* {
        CQorexDoc* doc = start();
        m_onPosted = onPosted;
        doc->StartStopSimulation();
        [&] { ASSERT_TRUE(PumpUntilEnded()); }();
        m_onPosted = nullptr;
        return doc;
      },
      [this] { TearDownCompanion(); });
}

void RealtimeCompanionThreads::TakeInputs(WPARAM w, LPARAM l) {
  if (!g_pAnalogIo) return;
  g_pAnalogIo->ReceiveInputs(w, l);
  m_received.push_back({GetTickCount(), CDT2801::CodeToVolts(LOWORD(w)),
                        CDT2801::CodeToVolts(HIWORD(w)), qxtest::SteadyUs()});
}

void RealtimeCompanionThreads::TearDown() {
  RealtimeThreads::TearDown();
  TearDownCompanion();
}

std::string RealtimeCompanionThreads::HeldUpBy(const HoldUpMeter& meter) {
  std::string why = RealtimeThreads::HeldUpBy(meter);
  if (!m_companion) return why;
  for (const auto& [readUs, line] : CompanionLog().stalls)
    if (readUs >= meter.StartedUs()) why += (why.empty() ? "the companion was " : "; ") + line;
  if (m_answersJudged) {
    const std::string late =
        qxtest::AnswerHeldUp(SentTimesUs(), AnsweredUs(), m_answerTurnUs,
                             AnswerRoadHeld(*meter.Timeline()), m_answerMissed, m_answerLag);
    if (!late.empty()) why += (why.empty() ? "" : "; ") + late;
  }
  return why;
}

const RealtimeCompanionThreads::Received* RealtimeCompanionThreads::AnswerTo(std::size_t i) const {
  // The unit took the answers the companion's socket let through, in order.
  const std::vector<bool>& taken = m_companionLog.taken;
  if (i < taken.size() && !taken[i]) return nullptr;
  const std::size_t lostBefore = static_cast<std::size_t>(
      std::count(taken.begin(),
                 taken.begin() + static_cast<std::ptrdiff_t>(std::min(i, taken.size())), false));
  return i - lostBefore < m_received.size() ? &m_received[i - lostBefore] : nullptr;
}

std::vector<long long> RealtimeCompanionThreads::AnsweredUs() {
  // The unit took the answers the companion's socket let through, in order.
  const std::vector<bool>& taken = CompanionLog().taken;
  std::vector<long long> us;
  for (std::size_t i = 0, next = 0; next < m_received.size(); ++i) {
    const bool took = i >= taken.size() || taken[i];
    us.push_back(took ? m_received[next++].us : qxtest::kNeverCame);
  }
  return us;
}

qxtest::HeldUs RealtimeCompanionThreads::AnswerRoadHeld(
    const qxtest::HoldUpTimeline& holdUps) const {
  // This process's threads on the road, and the answering peer as a sample waits on it.
  const auto onRoad = [threads = m_answerRoad](const qxtest::WatchedTask& task) {
    return task.ours ? threads.count(task.tid) != 0 : qxtest::SampleWaitedOn(task);
  };
  return
      [&holdUps, onRoad](long long a, long long b) { return holdUps.HeldUsBetween(a, b, onRoad); };
}

const RealtimeCompanionThreads::CompanionRecord& RealtimeCompanionThreads::CompanionLog() {
  if (!m_companion) return m_companionLog;
  const long long readUs = qxtest::SteadyUs();
  ReadToMark(*m_companion, "qorex_companion", [&](const std::string& line) {
    if (line.rfind("ADC", 0) == 0) {
      ++m_companionLog.answersSent;
      m_companionLog.taken.push_back(line.find(" untaken") == std::string::npos);
    }
    if (line.rfind("stalled ", 0) == 0) m_companionLog.stalls.emplace_back(readUs, line);
    const std::size_t at = line.find(" t=");
    if (line.rfind("DAC", 0) == 0 && at != std::string::npos)
      m_companionLog.heardUs.push_back(std::atoll(line.c_str() + at + 3));
  });
  return m_companionLog;
}

void RealtimeCompanionThreads::TearDownCompanion() {
  m_companion.reset();
  m_companionLog = {};
  m_received.clear();
  if (m_bus) {
    QxBusSetReceiver(m_previousReceiver);
    QxBusLeave();
  }
  m_bus.reset();
  if (m_frame) {
    if (m_app) m_app->m_pMainWnd = nullptr;
    m_frame->DestroyWindow();  // deletes itself
    m_frame = nullptr;
  }
}

bool RealtimeCompanionThreads::ReadableAt(int k, double y) const {
  DWORD from = 0, to = 0;
  for (const Posted& p : m_posted) {
    if (p.message != WM_QX_INVALIDATESLICE) continue;
    if (static_cast<int>(p.wParam) == k - 1) from = p.time;
    if (static_cast<int>(p.wParam) == k) to = p.time;
  }
  double held = 0.0;
  for (const Received& r : m_received) {
    if (static_cast<LONG>(r.time - to) > 0) break;
    if (static_cast<LONG>(r.time - from) < 0) {
      held = r.volts;
    } else if (r.volts == y) {
      return true;
    }
  }
  return held == y;
}
