// The Equalizer's genetic operators on a headless design: offspring of the
// recorded designs and robustness samples of the chosen models' variables.
#include "tests/search/EqualizerTestSupport.h"

#include "MC/McFunctions.h"
#include "platform/core/Clock.h"
#include "simulation/SIMsystem.h"

#include <algorithm>
#include <vector>

namespace {

using namespace eqtest;

class EqualizerGenetics : public EqualizerTest {
 protected:
  void SetUp() override {
    EqualizerTest::SetUp();
    // K = k + m + a with a also the command, so a is fixed; G = g / (s + 1)
    // is not tunable, L = l is (by default).
    SetSignal(Doc(), kSigC, Variable("a"));
    Design(Sum({Variable("k"), Variable("m"), Variable("a")}),
           Prod({Variable("g"), Tf({1}, {1, 1})}), Real(1), 0.1);
    SetModel(Doc(), kModelL, Variable("l"));
    Doc().Recalculate();
    Doc().UpdateHistory();
    for (const char* name : {"k", "m", "a", "g", "l"}) ASSERT_GT(Entry(Doc(), name), 4) << name;
    Var("g") = 1, Var("l") = 1, Var("a") = 0.5;
    g_nOffspringCount = 4;
    g_dMutation = 0.1;
  }
  void TearDown() override {
    g_nOffspringCount = m_offspring;
    g_dMutation = m_mutation;
    EqualizerTest::TearDown();
  }
  QOX_HistVar& History() { return *Doc().m_pHistory; }
  // Entry e with k = ks[e] and m = ms[e]; the design then has k = m = 0.25.
  void Parents(std::vector<double> ks, std::vector<double> ms) {
    for (size_t e = 0; e < ks.size(); ++e) {
      Var("k") = ks[e], Var("m") = ms[e];
      double criteria[9] = {};
      History().Add(criteria);
    }
    Var("k") = Var("m") = 0.25;
  }
  double Recorded(int e, const char* name) { return History().m_ppValues[e][Entry(Doc(), name)]; }
  WORD& Flags(int slot) { return (Doc().m_system.*kModelWiring[slot].block).m_wFlags; }

 private:
  const int m_offspring = g_nOffspringCount;
  const double m_mutation = g_dMutation;
};

TEST(EqualizerParents, AnIndexStaysBelowTheEntriesThereAreNow) {
  const struct {
    int c, r, count, parent;
  } rows[] = {{2, 0, 2, 0},      {2, 16383, 2, 0}, {2, 16384, 2, 1},
              {2, 32767, 2, 1},  {3, 10922, 3, 0}, {3, 10923, 3, 1},
              {10, 32767, 5, 4}, {10, 3276, 5, 0}, {100, 32767, 100, 99}};
  for (const auto& row : rows)
    EXPECT_EQ(CEqualizerEngine::ParentIndex(row.c, row.r, row.count), row.parent)
        << row.c << ", " << row.r << ", " << row.count;
}

TEST_F(EqualizerGenetics, OffspringRecordsTheCountWhateverTheRecordingSwitch) {
  for (WORD recording : {WORD{0}, WORD{1}}) {
    History().KillAll();
    Parents({1, 5}, {2, 10});
    m_engine.m_wRecord = recording;
    m_engine.CreateOffspring();
    EXPECT_EQ(History().m_nCount, 2 + g_nOffspringCount) << recording;
    EXPECT_EQ(m_engine.m_wRecord, recording);
  }
}

// Every child replayed by hand from the same generator: two parent draws
// among the two designs there were before the command, then per unfixed
// free variable in set order (K's k and m, then L's l) lambda, r1 and r2.
TEST_F(EqualizerGenetics, ChildrenFollowTheRecombinationOfTheParentsRecordedBefore) {
  Parents({1, 5}, {2, 10});
  const double a = Var("a"), g = Var("g");
  EqualizerSeedThreadGenerator();
  McRandSeed(4321);
  m_engine.CreateOffspring();
  ASSERT_EQ(History().m_nCount, 2 + g_nOffspringCount);

  McRandSeed(4321);
  const double ks[] = {1, 5}, ms[] = {2, 10}, ls[] = {1, 1};
  double k = 0, m = 0, l = 0;
  for (int child = 0; child < g_nOffspringCount; ++child) {
    const int pa = 2 * McRandDraw() / 32767, pb = 2 * McRandDraw() / 32767;
    auto breed = [&](const double* parent) {
      const double lambda = 1.5 * McRandDraw() / 32767.0 - 0.25;
      const double r1 = McRandDraw() / 32767.0, r2 = McRandDraw() / 32767.0;
      const double A = parent[std::min(pa, 1)], B = parent[std::min(pb, 1)];
      return lambda * A + (1 - lambda) * B + (r2 - 0.5) * r1 * (A + B) * 10 * g_dMutation;
    };
    k = breed(ks);
    m = breed(ms);
    l = breed(ls);
    SCOPED_TRACE(child);
    EXPECT_DOUBLE_EQ(Recorded(2 + child, "k"), k);
    EXPECT_DOUBLE_EQ(Recorded(2 + child, "m"), m);
    EXPECT_EQ(Recorded(2 + child, "a"), a) << "a signal's variable is fixed";
    EXPECT_EQ(Recorded(2 + child, "g"), g) << "G is not tunable";
    EXPECT_DOUBLE_EQ(Recorded(2 + child, "l"), l);
  }
  EXPECT_DOUBLE_EQ(Var("k"), k) << "the last child stays in the design";
  EXPECT_DOUBLE_EQ(Var("m"), m);
}

// A population from a file may hold fewer variables than the table.
TEST_F(EqualizerGenetics, OffspringLeavesAVariableBeyondThePopulationsEntries) {
  Parents({1, 5}, {2, 10});
  const int l = Entry(Doc(), "l");
  ASSERT_GT(l, Entry(Doc(), "k"));
  ASSERT_GT(l, Entry(Doc(), "m"));
  History().m_nVars = l;  // l is the table's last entry
  Var("l") = 0.75;
  m_engine.CreateOffspring();
  EXPECT_EQ(History().m_nCount, 2 + g_nOffspringCount);
  EXPECT_EQ(Var("l"), 0.75);
  EXPECT_NE(Var("k"), 0.25);
}

TEST_F(EqualizerGenetics, OffspringOfAnEmptyPopulationDoesNothing) {
  Var("k") = 0.75;
  m_engine.CreateOffspring();
  EXPECT_EQ(History().m_nCount, 0);
  EXPECT_EQ(Var("k"), 0.75);
}

TEST_F(EqualizerGenetics, ChildrenDifferWhileTheClockStandsStill) {
  QxManualClock still(1000);
  QxClock* previous = QxSetClock(&still);
  Parents({1, 5}, {2, 10});
  m_engine.CreateOffspring();
  QxSetClock(previous);
  std::vector<double> ks;
  for (int e = 2; e < History().m_nCount; ++e) ks.push_back(Recorded(e, "k"));
  std::sort(ks.begin(), ks.end());
  EXPECT_EQ(std::adjacent_find(ks.begin(), ks.end()), ks.end());
}

TEST_F(EqualizerGenetics, RobustnessSamplesTheChosenModelsWithinRangesAndRestores) {
  const int k = Entry(Doc(), "k"), m = Entry(Doc(), "m"), g = Entry(Doc(), "g");
  auto range = [&](int v, double lo, double hi) {
    Doc().m_vars.m_pMin[v] = lo;
    Doc().m_vars.m_pMax[v] = hi;
  };
  range(k, 2, 3), range(m, -1, 0), range(g, 10, 20);
  range(Entry(Doc(), "a"), 0, 1);
  const struct {
    int which;
    std::vector<const char*> drawn, kept;
  } rows[] = {{1, {"k", "m", "a"}, {"g", "l"}},
              {2, {"g"}, {"k", "m", "a", "l"}},
              {3, {"k", "m", "a", "g"}, {"l"}}};
  for (const auto& row : rows) {
    SCOPED_TRACE(row.which);
    History().KillAll();
    Var("k") = 2.5, Var("m") = -0.5, Var("g") = 15;
    const std::vector<double> before(Doc().m_vars.m_pValue.get(),
                                     Doc().m_vars.m_pValue.get() + Doc().m_vars.m_nCount);
    const WORD flagsK = Flags(kModelK), flagsG = Flags(kModelG);
    m_engine.CreateRobustnessModels(row.which);
    ASSERT_EQ(History().m_nCount, g_nOffspringCount);
    for (int e = 0; e < g_nOffspringCount; ++e) {
      for (const char* name : row.drawn) {
        const int v = Entry(Doc(), name);
        EXPECT_GE(Recorded(e, name), Doc().m_vars.m_pMin[v]) << name;
        EXPECT_LE(Recorded(e, name), Doc().m_vars.m_pMax[v]) << name;
        if (e > 0) {
          EXPECT_NE(Recorded(e, name), Recorded(e - 1, name)) << name;
        }
      }
      for (const char* name : row.kept) EXPECT_EQ(Recorded(e, name), before[Entry(Doc(), name)]);
    }
    EXPECT_EQ(Flags(kModelK), flagsK);
    EXPECT_EQ(Flags(kModelG), flagsG);
    EXPECT_EQ(std::vector<double>(Doc().m_vars.m_pValue.get(),
                                  Doc().m_vars.m_pValue.get() + Doc().m_vars.m_nCount),
              before);
  }
}

TEST_F(EqualizerGenetics, RobustnessWithoutAVariableRecordsNothingAndKeepsTheFlags) {
  SetModel(Doc(), kModelG, Tf({1}, {1, 1}));
  Doc().Recalculate();
  for (WORD tunable : {WORD{0}, WORD{kBlockTunable}}) {
    Flags(kModelG) = static_cast<WORD>(kBlockShowRoots | tunable);
    const WORD flagsK = Flags(kModelK);
    m_engine.CreateRobustnessModels(kRobustProcess);
    EXPECT_EQ(History().m_nCount, 0);
    EXPECT_EQ(Flags(kModelG), kBlockShowRoots | tunable);
    EXPECT_EQ(Flags(kModelK), flagsK);
  }
}

}  // namespace
