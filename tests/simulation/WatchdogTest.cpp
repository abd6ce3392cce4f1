// The simulation accuracy watchdog: when it asks, what it says, and what the
// answers do.
#include "SimTestSupport.h"

#include "GlobalResources.h"
#include "simulation/SIMsystem.h"
#include "simulation/SIMwatchdog.h"

namespace {

using namespace simtest;

// Answers as told and records what it was asked and shown.
struct AnsweringUi : CSIMwatchdogUi {
  int asked = 0, dialogs = 0;
  std::string text, caption;
  bool yes = false, accept = false;
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
  SetModel(doc, kModelG, Tf({1}, {1, 0.02}));
  SetModel(doc, kModelF, Real(1));
  doc.m_dSamplingTime = ts;
  doc.m_dFinalTime = tf;
}

// G = 1e300 / (s + 1) under the PI controller (1 + s) / s: the output
// overflows within the test's first samples, which is asked about like any
// failure, however high the threshold; the run is marked overflowed.
TEST(Watchdog, AnOverflowWithinTheTestIsAFailure) {
  const double saved = g_dWatchdogTol;
  for (double threshold : {0.2, 1e300}) {
    CQorexDoc doc;
    SetModel(doc, kModelK, Tf({1, 1}, {0, 1}));
    SetModel(doc, kModelG, Tf({1e300}, {1, 1}));
    AnsweringUi ui;
    g_dWatchdogTol = threshold;
    doc.Recalculate();
    g_dWatchdogTol = saved;
    EXPECT_EQ(ui.asked, 1) << threshold;
    EXPECT_EQ(ui.caption, g_szWatchdogCaption);
    EXPECT_TRUE(doc.m_system.m_bOverflowed);
  }
}

// Asks only with three times the minimum of 10 samples, only when the error
// strictly exceeds the threshold, when any one channel is inaccurate, and
// never for the document a worker runs.
TEST(Watchdog, AsksOnlyWhenTheTestCanRunAndFails) {
  const double saved = g_dWatchdogTol;
  const struct {
    const char* name;
    void (*setup)(CQorexDoc&);
    double threshold;
    bool workerRuns;
    int asked;
  } rows[] = {
      {"29 samples", [](CQorexDoc& d) { MakeFast(d, 0.05, 29 * 0.05 + 0.01); }, 0.2, false, 0},
      {"30 samples", [](CQorexDoc& d) { MakeFast(d, 0.05, 30 * 0.05 + 0.01); }, 0.2, false, 1},
      {"the default design", [](CQorexDoc&) {}, 0.2, false, 0},
      // The response is 0 throughout: err = 0 against the scale g_dZeroTol.
      {"a zero error equals a zero threshold", [](CQorexDoc& d) { SetModel(d, kModelG, Real(0)); },
       0.0, false, 0},
      {"the document a worker runs", [](CQorexDoc& d) { MakeFast(d); }, 0.2, true, 0},
      // Its command is 0: the test steps every channel at once all the same.
      {"only the second channel too fast",
       [](CQorexDoc& d) {
         MakeTwoByTwo(d, Identity(2), 1, 0, 0,
                      Matrix(2, {Tf({1}, {1, 1}), Real(0), Real(0), Tf({1}, {1, 0.02})}));
       },
       0.2, false, 1},
  };
  for (const auto& row : rows) {
    CQorexDoc doc;
    row.setup(doc);
    AnsweringUi ui;
    g_dWatchdogTol = row.threshold;
    if (row.workerRuns) g_pSimDoc = &doc;
    doc.Recalculate();
    g_pSimDoc = nullptr;
    g_dWatchdogTol = saved;
    EXPECT_EQ(ui.asked, row.asked) << row.name;
    EXPECT_EQ(doc.m_system.m_nError, kSimOk) << row.name;
  }
}

TEST(Watchdog, NoAndCancelKeepTheSettingsAndLeaveNoTrace) {
  CQorexDoc plain;
  MakeFast(plain);
  plain.Recalculate();  // nobody to ask
  for (bool yes : {false, true}) {
    CQorexDoc doc;
    MakeFast(doc);
    AnsweringUi ui;
    ui.yes = yes;
    doc.Recalculate();
    EXPECT_EQ(ui.asked, 1);
    EXPECT_EQ(ui.caption, "Simulator Accuracy Warning");
    EXPECT_EQ(ui.text.rfind("The simulator inaccuracy of ", 0), 0u);
    EXPECT_EQ(ui.text.substr(ui.text.find(" [%]")),
              " [%] exceeds the warning\nthreshold of 20 [%]. Either increase the threshold or "
              "decrease\nthe sampling time.\n\nChange settings now?");
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
  CQorexDoc doc;
  MakeFast(doc);
  AnsweringUi ui;
  ui.yes = ui.accept = true;
  ui.answer = {0.001, 2.0, 30.0, 7};
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
  CQorexDoc doc;
  MakeFast(doc);
  AnsweringUi ui;
  ui.yes = ui.accept = true;
  ui.answer = {0.05, 30, 20, 4};  // the same coarse step every time
  doc.Recalculate();
  EXPECT_GT(ui.asked, 1);
  EXPECT_LE(ui.asked, 10);
  EXPECT_EQ(doc.m_system.m_nSteps, 600);
}

}  // namespace
