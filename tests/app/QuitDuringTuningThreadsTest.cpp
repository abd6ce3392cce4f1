// Quitting or closing a design while the tuner runs on a board that has
// fallen silent for good: the tuner's end arrives while a box of the way out
// is open ("Save changes?", or the closing write the board never took), and
// whatever it delivers must start nothing new: no accuracy question, no
// "Simulator Properties". Every box here runs its modal loop as a real one
// does, delivering the workers' messages, and is answered as Enter answers
// it (the accuracy question's default is Yes; the save question is answered
// No).
#include "GlobalResources.h"
#include "search/KFinder.h"
#include "simulation/RealtimeTexts.h"
#include "simulation/SIMwatchdog.h"
#include "tests/app/RealtimeFixture.h"

#include <QScopeGuard>

#include <algorithm>

namespace {

// The board answers requests 1 .. 81 and none after.
constexpr int kFaultAfter = 81;
// A reply is awaited this long: the closing write the board never takes
// keeps each road no longer.
constexpr DWORD kReplyMs = 300;

// Counts what the accuracy watchdog would show, and accepts the question as
// Enter on its default button does.
class CountingWatchdogUi : public CSIMwatchdogUi {
 public:
  bool AskIncreaseAccuracy(const char*, const char*) override {
    ++m_questions;
    return true;
  }
  bool ShowSimulatorProperties(SIMtimeSettings&) override {
    ++m_properties;
    return false;
  }
  int m_questions = 0;
  int m_properties = 0;
};

enum class Road { kQuit, kCloseDesign };

class QuitDuringTuningThreads : public RealtimeBoardThreads {
 protected:
  void SetUp() override {
    RealtimeBoardThreads::SetUp();
    m_iterations = g_nLocalIterations;
    g_nLocalIterations = 50;  // a tuning that lasts beyond the quit
    // Every design checked warns: the question is the one thing judged.
    m_tolerance = g_dWatchdogTol;
    g_dWatchdogTol = -1.0;
    m_fixtureBoxes = QxSetMessageBoxHandler([this](HWND, LPCSTR text, LPCSTR caption, UINT type) {
      const bool onUi = QxUiThreadId() != 0 && GetCurrentThreadId() == QxUiThreadId();
      const bool saveQuestion = (type & 0x0F) == MB_YESNOCANCEL;
      {
        std::lock_guard guard(m_boxLock);
        m_boxes.push_back({text ? text : "", caption ? caption : "", onUi});
        if (m_questionOpen) m_overQuestion.push_back(m_boxes.back().text);
      }
      m_questionOpen += saveQuestion;
      const auto closed = qScopeGuard([this, saveQuestion] { m_questionOpen -= saveQuestion; });
      if (onUi) {
        // The box's own loop delivers what the workers post meanwhile.
        const auto until = std::chrono::steady_clock::now() + kRunLimit;
        do {
          QxTest::PumpEvents();
          std::this_thread::sleep_for(std::chrono::milliseconds(1));
        } while (saveQuestion && m_holdSaveQuestion && g_pWorkerThread.load() != nullptr &&
                 std::chrono::steady_clock::now() < until);
        QxTest::PumpEvents();
      }
      if (saveQuestion) return IDNO;
      return (type & 0x0F) == MB_YESNO ? IDYES : IDOK;
    });
  }
  void TearDown() override {
    SetWatchdogUi(nullptr);
    DestroyQuitFrame();
    QxSetMessageBoxHandler(m_fixtureBoxes);
    g_dWatchdogTol = m_tolerance;
    g_nLocalIterations = m_iterations;
    RealtimeBoardThreads::TearDown();
  }

  void Take(Road road, CQorexDoc* doc) {
    if (road == Road::kQuit) {
      // File > Exit sends the main window its close.
      m_quitFrame->SendMessage(WM_CLOSE);
    } else if (doc->SaveModified()) {  // File > Close
      doc->OnCloseDocument();
    }
  }

  int m_iterations = 0;
  double m_tolerance = 0.0;
  bool m_holdSaveQuestion = false;          // "Save changes?" stays open until the tuner ended
  int m_questionOpen = 0;                   // "Save changes?" boxes open now
  std::vector<std::string> m_overQuestion;  // boxes opened while one was
  QxMessageBoxHandler m_fixtureBoxes;
};

}  // namespace

// The tuner's end comes inside the box that says the closing write was
// never taken, or, on a board lost for a second, inside "Save changes?" held
// open: neither the accuracy question nor Simulator Properties opens, and
// the design goes.
TEST_F(QuitDuringTuningThreads, NothingStartsOnTheWayOut) {
  const struct {
    Road road;
    bool holdSaveQuestion;
    const char* name;
  } rows[] = {{Road::kQuit, false, "quit"},
              {Road::kCloseDesign, false, "close the design"},
              {Road::kQuit, true, "quit, the tuner ending during Save changes?"},
              {Road::kCloseDesign, true, "close, the tuner ending during Save changes?"}};
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    StartBoardWith(
        {"--after", std::to_string(kFaultAfter), "--fault", "silent", "--count", "1000"});
    ASSERT_NO_FATAL_FAILURE(MakeQuitFrame());
    m_holdSaveQuestion = row.holdSaveQuestion;
    {
      std::lock_guard guard(m_boxLock);
      m_boxes.clear();
      m_overQuestion.clear();
    }
    CQorexDoc* doc = TunableDesign(0.01, 0.5, 0.5);  // 10 ms samples, 50 of them
    ASSERT_TRUE(doc->IsModified());
    g_pKFinder->Start(doc);
    ASSERT_TRUE(PumpUntilBoardRequest(kFaultAfter + 1));
    CountingWatchdogUi ui;
    SetWatchdogUi(&ui);
    Take(row.road, doc);
    ASSERT_TRUE(PumpUntilEnded());
    SetWatchdogUi(nullptr);

    EXPECT_EQ(ui.m_questions, 0);
    EXPECT_EQ(ui.m_properties, 0);
    EXPECT_EQ(m_template->GetDocumentCount(), 0) << "the design went";
    // The way out was taken with the tuner's end inside one of its boxes.
    const std::vector<ShownBox> boxes = Boxes();
    ASSERT_FALSE(boxes.empty());
    EXPECT_EQ(boxes[0].text.rfind("Save changes to ", 0), 0u) << boxes[0].text;
    // The end is said once, after the question, never in a box over it that
    // would take the keys meant for the question.
    {
      std::lock_guard guard(m_boxLock);
      EXPECT_TRUE(m_overQuestion.empty()) << m_overQuestion.front();
    }
    EXPECT_EQ(std::count_if(boxes.begin(), boxes.end(),
                            [](const ShownBox& box) { return box.caption == kRealtimeCaption; }),
              1);
    if (row.road == Road::kQuit) {
      EXPECT_EQ(m_app->m_pMainWnd, nullptr) << "the program did not quit";
    }
    // The pass kept its period until the board fell silent.
    std::vector<TimedCall> before;
    for (const TimedCall& call : TimedCalls())
      if (call.number <= kFaultAfter + 1) before.push_back(call);
    EXPECT_EQ(LateCall(before, 10), "");
    DestroyQuitFrame();  // unless the quit did
    m_board.reset();
  }
}
