// The simulation accuracy watchdog: when it asks, what it says, and what the
// answers do.
#include "SimTestSupport.h"

#include "GlobalResources.h"
#include "simulation/SIMsystem.h"
#include "simulation/SIMwatchdog.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>

namespace {

using namespace simtest;

struct AnsweringUi : CSIMwatchdogUi {
  int asked = 0;
  int dialogs = 0;
  std::string text, caption;
  bool yes = false;
  bool accept = false;
  SIMtimeSettings seen{}, answer{};
  AnsweringUi() { SetWatchdogUi(this); }
  ~AnsweringUi() override { SetWatchdogUi(nullptr); }
  bool AskIncreaseAccuracy(const char* t, const char* c) override {
    ++asked;
    text = t;
    caption = c;
    return yes;
  }
  bool ShowSimulatorProperties(SIMtimeSettings& s) override {
    ++dialogs;
    seen = s;
    if (accept) s = answer;
    return accept;
  }
};

// With K = F = 1 the closed loop of G = 1/(0.02 s + 1) has its pole at -100:
// far too fast for 0.05 s steps, fine for 0.001 s.
void MakeFast(CQorexDoc& doc, double ts = 0.05, double tf = 30) {
  SetModel(doc, 2, Tf({1}, {1, 0.02}));
  SetModel(doc, 4, R(1));
  doc.m_dSamplingTime = ts;
  doc.m_dFinalTime = tf;
}

TEST(Watchdog, MessageFormatsPerCent) {
  char text[512];
  std::snprintf(text, sizeof text, g_szWatchdogFormat, 0.352 * 100, 0.2 * 100);
  EXPECT_STREQ(text,
               "The simulator inaccuracy of 35.2 [%] exceeds the warning\nthreshold of 20 [%]. "
               "Either increase the threshold or decrease\nthe sampling time.\n\nChange "
               "settings now?");
  EXPECT_STREQ(g_szWatchdogCaption, "Simulator Accuracy Warning");
}

TEST(Watchdog, RunsOnlyFromThreeTimesTheMinimumSamples) {
  struct Row {
    double tf;
    int steps, asked;
  } rows[] = {{29 * 0.05 + 0.01, 29, 0}, {30 * 0.05 + 0.01, 30, 1}};
  for (const Row& row : rows) {
    AnsweringUi ui;
    CQorexDoc doc;
    ui.asked = 0;
    MakeFast(doc, 0.05, row.tf);
    doc.Recalculate();
    EXPECT_EQ(doc.m_system.m_nSteps, row.steps);
    EXPECT_EQ(ui.asked, row.asked) << row.steps;
  }
  AnsweringUi ui;
  CQorexDoc accurate;  // the default design
  accurate.Recalculate();
  EXPECT_EQ(ui.asked, 0);
}

TEST(Watchdog, EqualityGivesNoWarning) {
  // A loop whose response is 0 throughout: err = 0 against the scale
  // g_dZeroTol, and a threshold of 0 equals it.
  const double saved = g_dWatchdogTol;
  g_dWatchdogTol = 0.0;
  AnsweringUi ui;
  CQorexDoc doc;
  SetModel(doc, 2, R(0));
  ui.asked = 0;  // the default design before it differs at h and h / 2
  doc.Recalculate();
  EXPECT_EQ(ui.asked, 0);
  g_dWatchdogTol = saved;
}

TEST(Watchdog, WorstChannelDecides) {
  // Only the second channel is too fast, and its command is 0: the test
  // steps every channel at once all the same.
  AnsweringUi ui;
  CQorexDoc doc;
  MakeTwoByTwo(doc, Eye2(), 1, 0, 0);
  SetModel(doc, 2, Mat(2, {Tf({1}, {1, 1}), R(0), R(0), Tf({1}, {1, 0.02})}));
  ui.asked = 0;
  doc.Recalculate();
  EXPECT_EQ(doc.m_system.m_nError, kSimOk);
  EXPECT_EQ(ui.asked, 1);
}

TEST(Watchdog, NoAndCancelKeepTheSettingsAndLeaveNoTrace) {
  CQorexDoc plain;
  MakeFast(plain);
  plain.Recalculate();  // nobody to ask
  for (bool yes : {false, true}) {
    AnsweringUi ui;
    ui.yes = yes;
    CQorexDoc doc;
    MakeFast(doc);
    ui.asked = ui.dialogs = 0;
    doc.Recalculate();
    EXPECT_EQ(ui.asked, 1);
    EXPECT_EQ(ui.caption, "Simulator Accuracy Warning");
    EXPECT_EQ(ui.text.rfind("The simulator inaccuracy of ", 0), 0u);
    EXPECT_NE(ui.text.find("threshold of 20 [%]."), std::string::npos);
    EXPECT_EQ(ui.dialogs, yes ? 1 : 0);
    if (yes) {
      EXPECT_EQ(ui.seen.dSamplingTime, 0.05);
      EXPECT_EQ(ui.seen.dFinalTime, 30.0);
      EXPECT_EQ(ui.seen.dTolerancePct, 20.0);
      EXPECT_EQ(ui.seen.nBufferSize, 4);
    }
    EXPECT_EQ(doc.m_dSamplingTime, 0.05);
    EXPECT_EQ(doc.m_system.m_nSteps, 600);
    // The run is the one simulated without the test before it.
    for (int t = 0; t < 600; t += 37) {
      EXPECT_EQ(doc.m_system.m_c.At(0, t), plain.m_system.m_c.At(0, t));
      EXPECT_EQ(doc.m_system.m_yd.At(0, t), plain.m_system.m_yd.At(0, t)) << t;
    }
  }
}

TEST(Watchdog, AcceptedSettingsAreSimulated) {
  const double saved = g_dWatchdogTol;
  AnsweringUi ui;
  ui.yes = ui.accept = true;
  ui.answer = {0.001, 2.0, 30.0, 7};
  CQorexDoc doc;
  MakeFast(doc);
  ui.asked = 0;
  doc.Recalculate();
  EXPECT_EQ(ui.asked, 1);  // asked again with the new step, which is fine
  EXPECT_EQ(doc.m_dSamplingTime, 0.001);
  EXPECT_EQ(doc.m_dFinalTime, 2.0);
  EXPECT_EQ(g_dWatchdogTol, 0.3);
  EXPECT_EQ(doc.m_nRunCapacity, 7);
  EXPECT_EQ(doc.m_system.m_nSteps, 2000);
  EXPECT_NEAR(doc.m_system.m_yd.At(0, 1999), 0.5, 1e-9);
  g_dWatchdogTol = saved;
}

TEST(Watchdog, RepeatedCoarseAnswersStayBounded) {
  AnsweringUi ui;
  ui.yes = ui.accept = true;
  ui.answer = {0.05, 30, 20, 4};  // the same coarse step every time
  CQorexDoc doc;
  MakeFast(doc);
  ui.asked = 0;
  doc.Recalculate();
  EXPECT_GT(ui.asked, 1);
  EXPECT_LE(ui.asked, 10);
  EXPECT_EQ(doc.m_system.m_nSteps, 600);
}

TEST(Watchdog, SkippedForTheDocumentAWorkerRuns) {
  AnsweringUi ui;
  CQorexDoc doc;
  MakeFast(doc);
  g_pSimDoc = &doc;
  ui.asked = 0;
  doc.Recalculate();
  g_pSimDoc = nullptr;
  EXPECT_EQ(ui.asked, 0);
}

}  // namespace
