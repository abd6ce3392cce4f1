// The six worker messages posted from a real worker thread with the status
// word's handshake: the worker sets the pending bit, posts, and polls while
// the bit is set and a document is being worked on; the handler on the
// user-interface thread clears the bit whatever it found.
#include "ChildFrm.h"
#include "Qorex.h"
#include "QorexDoc.h"
#include "diagrams/QorexView.h"
#include "platform/testing/TestHooks.h"
#include "res/Resources.h"
#include "res/resource.h"
#include "platform/core/Clock.h"
#include "platform/ui/MessageQueue.h"
#include "tests/support/QorexAppFixture.h"

#include <gtest/gtest.h>
#include "search/SearchGlobals.h"
#include "simulation/SIMsystem.h"

#include <atomic>
#include <chrono>
#include <memory>
#include <thread>

namespace {

constexpr auto kHandshakeLimit = std::chrono::seconds(10);

struct HandOver {
  const char* name;
  UINT message;
  WPARAM wParam;
  WORD bit;  // 0: a message without a pending bit
};

// The application object with its document template and no windows: the
// messages need none, and the thread sanitizer cannot see into the threads
// Qt paints large windows with.
class AppWorkerThreads : public ::testing::Test {
 protected:
  void SetUp() override {
    m_template = StartWindowlessApp(m_app);
    ASSERT_FALSE(HasFailure());
  }
  void TearDown() override {
    g_pSimDoc = nullptr;
    g_wStatus = 0;
    m_template->CloseAllDocuments(FALSE);
    QxTest::PumpEvents();
    m_app.reset();
  }

  CQorexDoc* NewDocument() {
    auto* doc = static_cast<CQorexDoc*>(m_template->CreateNewDocument());
    EXPECT_TRUE(doc && doc->OnNewDocument());
    return doc;
  }
  // A design made and closed again: its pointer names no document.
  CQorexDoc* ClosedDocument() {
    CQorexDoc* doc = NewDocument();
    doc->OnCloseDocument();
    return doc;
  }

  // Runs the hand-over on a worker thread as the real-time loop and the tuner
  // do, while this thread delivers messages. Returns whether the worker saw
  // its bit cleared (true for messages without a bit).
  bool RunOnWorker(const HandOver& handOver, bool pump = true) {
    const DWORD uiThread = m_app->m_nThreadID;
    std::atomic<bool> done{false};
    std::atomic<bool> cleared{false};
    std::thread worker([&] {
      if (handOver.bit) RequestAnswer(handOver.bit);
      PostThreadMessage(uiThread, handOver.message, handOver.wParam, 0);
      const auto limit = std::chrono::steady_clock::now() + kHandshakeLimit;
      while ((g_wStatus.load() & handOver.bit) && g_pSimDoc.load() != nullptr &&
             std::chrono::steady_clock::now() < limit) {
        Sleep(10);
      }
      cleared = (g_wStatus.load() & handOver.bit) == 0;
      done = true;
    });
    while (!done) {
      if (pump) QxTest::PumpEvents();
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    worker.join();
    QxTest::PumpEvents();  // a message without a bit is handled after the post
    return cleared;
  }

  std::unique_ptr<CQorexApp> m_app;
  CMultiDocTemplate* m_template = nullptr;
};

}  // namespace

// Without windows no bar shows a design, so FindG skips the identification.
TEST_F(AppWorkerThreads, HandlersClearTheirBitsForTheOpenDocument) {
  CQorexDoc* doc = NewDocument();
  g_pSimDoc = doc;
  const auto wDoc = reinterpret_cast<WPARAM>(doc);
  const HandOver rows[] = {{"TransferSim", WM_QX_TRANSFERSIM, wDoc, kStatusRunHandOver},
                           {"PushUGY", WM_QX_PUSHUGY, wDoc, kStatusRunHandOver},
                           {"DocToKFinder", WM_QX_DOCTOKFINDER, 0, kStatusTunerWaitsForDoc},
                           {"FindG", WM_QX_FINDG, 0, kStatusFindGPending},
                           {"InvalidateSlice", WM_QX_INVALIDATESLICE, 7, 0},
                           {"UpdateAll", WM_QX_UPDATEALL, 0, 0}};
  for (const HandOver& row : rows) {
    EXPECT_TRUE(RunOnWorker(row)) << row.name;
    EXPECT_EQ(g_wStatus.load(), 0) << row.name;
    if (row.message == WM_QX_PUSHUGY) {
      EXPECT_EQ(doc->m_nRuns, 1);  // the run handed over
    }
  }
  EXPECT_EQ(m_app->GetOpenDocumentCount(), 1);
}

TEST_F(AppWorkerThreads, RunHandOverOfAClosedDocumentOnlyClearsTheBit) {
  CQorexDoc* open = NewDocument();
  CQorexDoc* closed = ClosedDocument();
  ASSERT_NE(closed, open);
  ASSERT_FALSE(m_app->IsOpenDocument(closed));
  g_pSimDoc = open;
  const auto wClosed = reinterpret_cast<WPARAM>(closed);
  EXPECT_TRUE(RunOnWorker({"PushUGY", WM_QX_PUSHUGY, wClosed, kStatusRunHandOver}));
  EXPECT_TRUE(RunOnWorker({"TransferSim", WM_QX_TRANSFERSIM, wClosed, kStatusRunHandOver}));
  EXPECT_EQ(m_app->GetOpenDocumentCount(), 1);
  EXPECT_TRUE(m_app->IsOpenDocument(open));
  EXPECT_EQ(open->m_nRuns, 0);
}

TEST_F(AppWorkerThreads, WithNoWorkerDocumentTheDocumentMessagesDoNothing) {
  g_pSimDoc = nullptr;
  CQorexDoc* doc = NewDocument();
  const BOOL modified = doc->IsModified();
  EXPECT_TRUE(RunOnWorker({"InvalidateSlice", WM_QX_INVALIDATESLICE, 3, 0}));
  EXPECT_TRUE(RunOnWorker({"UpdateAll", WM_QX_UPDATEALL, 0, 0}));
  EXPECT_EQ(doc->IsModified(), modified);
}

TEST_F(AppWorkerThreads, ClearingTheWorkerDocumentReleasesAWaitingWorker) {
  CQorexDoc* doc = NewDocument();
  g_pSimDoc = doc;
  // Nobody delivers the message; the stop request alone must end the wait,
  // made once the worker has asked for its answer.
  std::thread stopper([] {
    const auto limit = std::chrono::steady_clock::now() + kHandshakeLimit;
    while (!(g_wStatus.load() & kStatusRunHandOver) && std::chrono::steady_clock::now() < limit)
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
    g_pSimDoc = nullptr;
  });
  const auto start = std::chrono::steady_clock::now();
  const bool cleared =
      RunOnWorker({"PushUGY", WM_QX_PUSHUGY, reinterpret_cast<WPARAM>(doc), kStatusRunHandOver},
                  /*pump=*/false);
  stopper.join();
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5));
  // The message was still delivered at the end, and its handler cleared the bit.
  EXPECT_FALSE(cleared);
  EXPECT_EQ(g_wStatus.load() & kStatusRunHandOver, 0);
}
