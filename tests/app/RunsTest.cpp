// The run buffer and the simulation control of a design: pushing real-time
// runs, recalling them, taking the simulator's signals, the tuner's
// evaluation and the "Simulator Properties" command with its buffer resize.
#include "tests/simulation/SimTestSupport.h"
#include "tests/support/TreeBuilders.h"

#include "GlobalResources.h"
#include "MainFrm.h"
#include "editing/TimeBoxDlg.h"
#include "platform/testing/DialogHooks.h"
#include "platform/testing/TestHooks.h"
#include "platform/ui/WinApp.h"
#include "search/KFinder.h"
#include "search/SearchGlobals.h"

#include <gtest/gtest.h>

namespace {

// A stand-in simulator whose three run signals hold one marker value.
class Runs : public ::testing::Test {
 protected:
  void SetUp() override { g_pSimulator = &m_sim; }
  void TearDown() override {
    g_pSimulator = nullptr;
    g_pSimDoc = nullptr;
  }
  void Mark(double value, int rows = 1, int columns = 600) {
    for (CSIMsignal* s : {&m_sim.m_c, &m_sim.m_u, &m_sim.m_yd}) {
      s->Resize(rows, columns);
      for (int i = 0; i < rows * columns; ++i) s->m_pSamples[i] = value;
    }
    m_sim.m_u.m_pSamples[0] = -value;
  }
  // Runs marked first, first + 1, ...
  void Push(int n, int first = 1) {
    for (int i = first; i < first + n; ++i) {
      Mark(i);
      m_doc.PushRun();
    }
  }
  CSIMsystem m_sim;
  CQorexDoc m_doc;
};

TEST_F(Runs, AFullBufferDropsTheOldestRun) {
  for (int run = 1; run <= 6; ++run) {
    Mark(run);
    m_doc.m_dSamplingTime = 0.01 * run;
    m_doc.PushRun();
  }
  ASSERT_EQ(m_doc.m_nRuns, 4);
  for (int slot = 0; slot < 4; ++slot) {
    EXPECT_EQ(m_doc.m_runs[slot].setpoint.At(0, 5), slot + 3.0);
    EXPECT_EQ(m_doc.m_runs[slot].control.At(0, 0), -(slot + 3.0));
    EXPECT_EQ(m_doc.m_runs[slot].output.At(0, 599), slot + 3.0);
    EXPECT_DOUBLE_EQ(m_doc.m_runs[slot].dTs, 0.01 * (slot + 3));
  }
  EXPECT_TRUE(m_doc.IsModified());  // runs are saved with the design
}

TEST_F(Runs, RecallGivesBothOutputsTheStoredOutputAndRefusesWhatDoesNotFit) {
  Mark(7.0);
  m_doc.PushRun();
  Mark(8.0, 1, 300);  // a shorter run, shown as long as it is
  m_doc.PushRun();
  Mark(2.0, 2, 600);  // another loop's two channels
  m_doc.PushRun();
  ASSERT_TRUE(m_doc.RecallRun(0));
  EXPECT_EQ(m_doc.m_system.m_y.At(0, 599), 7.0);
  EXPECT_EQ(m_doc.m_system.m_yd.At(0, 599), 7.0);
  EXPECT_EQ(m_doc.m_system.m_u.At(0, 0), -7.0);
  ASSERT_TRUE(m_doc.RecallRun(1));
  EXPECT_EQ(m_doc.m_system.m_c.At(0, 299), 8.0);
  EXPECT_EQ(m_doc.m_system.m_c.m_nColumns, 300);
  EXPECT_EQ(m_doc.m_system.m_nSteps, 300);
  for (int i : {-1, 3, 4, 1000, 2}) EXPECT_FALSE(m_doc.RecallRun(i)) << i;
  EXPECT_EQ(m_doc.m_system.m_c.At(0, 299), 8.0);
  EXPECT_EQ(m_doc.m_system.m_c.m_nColumns, 300);
}

// A run recalled without taking its sampling time leaves the loop on the
// run's step; the tuner's and the identification's error weight is still
// sampled at the design's.
TEST_F(Runs, TheErrorWeightFollowsTheDesignsSamplingTimeAfterARecall) {
  simtest::SetSignal(m_doc, kSigErrorWeight, qxtest::trees::Time());
  m_doc.Recalculate();
  Mark(1.0);
  m_doc.PushRun();
  m_doc.m_runs[0].dTs = 0.2;
  ASSERT_TRUE(m_doc.RecallRun(0));
  ASSERT_EQ(m_doc.m_system.m_dTs, 0.2);
  m_doc.BuildErrorWeight(10);
  ASSERT_EQ(m_doc.m_errorWeight.m_nColumns, 10);
  EXPECT_DOUBLE_EQ(m_doc.m_errorWeight.At(0, 3), 3 * 0.05);
  EXPECT_EQ(m_doc.m_system.m_dTs, 0.2);
  EXPECT_EQ(m_doc.m_system.m_nSteps, 600);
}

TEST_F(Runs, TransferTakesTheSimulatorsSignals) {
  CQorexDoc other;
  other.m_vars.SetValue(0, 3.0);
  other.Recalculate();
  g_pSimulator = &other.m_system;
  m_doc.TransferSimSignals();
  EXPECT_NEAR(m_doc.m_system.m_yd.At(0, 599), 0.25, 1e-9);
  EXPECT_EQ(m_doc.m_system.m_uMax.At(0, 3), HUGE_VAL);
  EXPECT_EQ(m_doc.GetShowMask(), 0x0201);  // the show flags stay the design's
}

TEST_F(Runs, PrepareSimulationStoresTheQuickCostAndLeavesTheAnswerToItsHandler) {
  CKFinder finder;
  CKFinder* savedFinder = g_pKFinder;
  g_pKFinder = &finder;
  g_pSimDoc = &m_doc;
  m_doc.m_dFinalTime = 10.0;
  RequestAnswer(kStatusTunerWaitsForDoc);
  m_doc.PrepareSimulation();
  g_pKFinder = savedFinder;
  // The DocToKFinder handler answers the tuner, whatever it met.
  EXPECT_NE(g_wStatus.load() & kStatusTunerWaitsForDoc, 0);
  g_wStatus.fetch_and(static_cast<WORD>(~kStatusTunerWaitsForDoc));
  EXPECT_EQ(m_sim.m_nSteps, 200);
  EXPECT_EQ(m_sim.m_dTs, 0.05);
  // Unit weight, unit setpoint: the sum of squared errors of z = y.
  double cost = 0.0;
  for (int k = 0; k < 200; ++k) cost += std::pow(m_doc.m_system.m_z.At(0, k) - 1.0, 2);
  EXPECT_NEAR(finder.m_dQuickCost, cost, 1e-9 * cost);
}

// ---- "Simulator Properties" on the document of the "SimulationView" bar ------------

class TimeSettings : public Runs {
 protected:
  void SetUp() override {
    Runs::SetUp();
    m_savedTol = g_dWatchdogTol;
    m_frame.m_wndOutputBar.m_pDoc = &m_doc;
  }
  void TearDown() override {
    g_dWatchdogTol = m_savedTol;
    Runs::TearDown();
  }
  // Runs the command, typing the buffer size (and times) and pressing OK.
  void Run(const char* buffer, const char* ts = nullptr, const char* tf = nullptr) {
    QxTest::DialogScript script({[&](CDialog& d) {
      d.SetDlgItemText(IDC_TIME_BUFFER, buffer);
      if (ts) d.SetDlgItemText(IDC_TIME_SAMPLING, ts);
      if (tf) d.SetDlgItemText(IDC_TIME_FINAL, tf);
      d.SetDlgItemText(IDC_TIME_TOLERANCE, "2");
      QxTest::PressKey(VK_RETURN);
    }});
    QxTest::ShownBoxScript boxes;
    m_doc.OnTimeSettings();
    m_dialogs = script.Dialogs().size();
  }
  CWinApp m_app{"Run Buffer Test"};
  CMainFrame m_frame;  // no windows: the command only needs the output bar's document
  double m_savedTol = 0.0;
  size_t m_dialogs = 0;
};

TEST_F(TimeSettings, ResizesTheBufferKeepingTheOldestRunsAndSetsTheTimes) {
  Push(4);
  Run("10", "0.1", "20");
  EXPECT_EQ(m_dialogs, 1u);
  EXPECT_EQ(m_doc.m_nRunCapacity, 10);
  ASSERT_EQ(m_doc.m_nRuns, 4);
  EXPECT_EQ(m_doc.m_dSamplingTime, 0.1);
  EXPECT_EQ(m_doc.m_dFinalTime, 20.0);
  EXPECT_EQ(g_dWatchdogTol, 0.02);
  EXPECT_EQ(m_doc.m_system.m_nSteps, 200);  // recalculated with the new times
  Push(3, 5);
  Run("3");
  EXPECT_EQ(m_doc.m_nRunCapacity, 3);
  ASSERT_EQ(m_doc.m_nRuns, 3);
  for (int i = 0; i < 3; ++i) EXPECT_EQ(m_doc.m_runs[i].setpoint.At(0, 1), i + 1.0);
  m_doc.SetRunCapacity(0);  // refused
  EXPECT_EQ(m_doc.m_nRunCapacity, 3);
}

// New settings the accuracy watchdog warns about open the dialog again from
// the recalculation; what is accepted there, the buffer size included, is
// what the design keeps.
TEST_F(TimeSettings, TheWatchdogsFollowUpHasTheLastWord) {
  CQorexWatchdogUi ui;
  SetWatchdogUi(&ui);
  auto type = [](const char* tolerance, const char* buffer) {
    return [=](CDialog& d) {
      d.SetDlgItemText(IDC_TIME_TOLERANCE, tolerance);
      d.SetDlgItemText(IDC_TIME_BUFFER, buffer);
      QxTest::PressKey(VK_RETURN);
    };
  };
  // Any inaccuracy exceeds a zero tolerance; Yes opens the dialog again.
  QxTest::DialogScript script({type("0", "5"), type("100", "7")});
  QxTest::ShownBoxScript boxes({IDYES});
  m_doc.OnTimeSettings();
  SetWatchdogUi(nullptr);
  EXPECT_EQ(script.Dialogs().size(), 2u);
  EXPECT_EQ(boxes.Boxes().size(), 1u);
  EXPECT_EQ(g_dWatchdogTol, 1.0);
  EXPECT_EQ(m_doc.m_nRunCapacity, 7);
}

TEST_F(TimeSettings, NothingWhileAWorkerRunsTheDesignOrWithoutABarDocument) {
  g_pSimDoc = &m_doc;
  Run("7");
  EXPECT_EQ(m_dialogs, 0u);
  g_pSimDoc = nullptr;
  m_frame.m_wndOutputBar.m_pDoc = nullptr;
  Run("7");
  EXPECT_EQ(m_dialogs, 0u);
  EXPECT_EQ(m_doc.m_nRunCapacity, 4);
}

}  // namespace
