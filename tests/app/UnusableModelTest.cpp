// A stored design whose model does not convert into transfer functions (the
// models "Edit Models" refuses at OK) opens as it was stored and says which
// model cannot be used; its loop is in an error state of its own, which the
// simulation, the searches and real-time runs refuse, and nothing computed
// from the model's stand-in is shown. Mending the model clears it.
#include "tests/simulation/SimTestSupport.h"
#include "tests/support/TestSupport.h"

#include "MC/Mc_desktop.h"
#include "MC/Mc_operator.h"
#include "diagrams/QOX_DragGroup.h"
#include "diagrams/RootLocus.h"
#include "platform/testing/TestHooks.h"
#include "search/EqualizerEngine.h"
#include "search/QOX_HistVar.h"
#include "simulation/SIMfreq.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <string>

namespace {

using namespace simtest;

const std::string kRepro = std::string(QX_SOURCE_DIR) +
                           "/tests/app/data/opens-with-message-3x3-K-pi-written-as-product.qox";

// Opens path into doc, answering every message box; returns the boxes.
std::vector<QxTest::MessageBoxRecord> Open(CQorexDoc& doc, const std::string& path) {
  QxTest::MessageBoxScript boxes;
  EXPECT_TRUE(doc.OnOpenDocument(path.c_str()));
  return boxes.Boxes();
}

bool AllZero(const CSIMsignal& s) {
  for (int i = 0; i < s.m_nRows * s.m_nColumns; ++i)
    if (s.m_pSamples[i] != 0.0) return false;
  return s.m_nColumns > 0;
}

// View Effective Models: the refused model and every equality computed from
// it (products, return difference, determinants) say that they cannot be
// converted; the others keep their values.
void ExpectNoEffectiveModelFrom(CQorexDoc& doc, int slot) {
  constexpr unsigned P = 1u << kModelP, K = 1u << kModelK, G = 1u << kModelG, L = 1u << kModelL,
                     F = 1u << kModelF;
  const unsigned from[11] = {
      P, K, G, L, F, G | K, L | G | K, F | L | G | K, F | L | G | K, F | L | G | K, F | L | G | K};
  const bool singleChannel = doc.m_system.m_FLGK.m_nRows * doc.m_system.m_FLGK.m_nCols == 1;
  CMcDesktop poly{0}, factored{0};
  doc.m_system.ToExpressions(&poly, &factored);
  for (const CMcDesktop* list : {&poly, &factored}) {
    ASSERT_EQ(list->m_count, 11);
    for (int i = 0; i < (singleChannel ? 10 : 11); ++i) {
      const CMcBasic* right = list->m_children[i]->m_children[1];
      const bool said = McIsKind(right, kMcVariable) &&
                        std::strcmp(static_cast<const CMcVariable*>(right)->GetVarName(),
                                    "cannot be converted") == 0;
      EXPECT_EQ(said, (from[i] & (1u << slot)) != 0) << "equality " << i;
    }
  }
}

// One message naming exactly the model of `slot` as "Edit Models" lists it,
// the loop in its error state, and nothing of it run or shown.
void ExpectRefusedLoop(CQorexDoc& doc, const std::vector<QxTest::MessageBoxRecord>& boxes,
                       int slot) {
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_EQ(boxes[0].caption, "Warning");
  for (int i = 0; i < kModelCount; ++i)
    EXPECT_EQ(boxes[0].text.find(kModelWiring[i].title) != std::string::npos, i == slot)
        << kModelWiring[i].title << " in: " << boxes[0].text;
  const CSIMsystem& s = doc.m_system;
  EXPECT_EQ(s.m_nError, kSimModelInvalid);
  EXPECT_EQ(s.m_nInvalidModels, 1u << slot);
  EXPECT_EQ(doc.m_system.CanBuildModel(&doc, doc.m_models.GetAt(slot)), 0) << "Edit Models agrees";

  ExpectNoEffectiveModelFrom(doc, slot);
  // The simulation does not run.
  EXPECT_TRUE(AllZero(s.m_yd));
  EXPECT_TRUE(AllZero(s.m_u));
  // The root locus and the pole drag see no closed-loop pole, no root of the
  // refused block and no locus; the frequency sweep is NaN throughout.
  const RootLocusScene scene = RootLocusSceneOf(doc);
  for (const RootLocusRoots& roots : scene.roots)
    EXPECT_TRUE(roots.group != slot && roots.group != kRootGroupClosedLoop) << roots.group;
  for (const RootLocusLocus& locus : scene.loci) EXPECT_EQ(locus.count, 0);
  const CSIMfreq& f = *doc.m_pFreqModel;
  ASSERT_GT(f.m_nFreqs, 0);
  for (int i = 0; i < f.m_nFreqs * f.m_nRows * f.m_nCols; ++i)
    ASSERT_TRUE(std::isnan(f.m_pDirect[i].re)) << i;

  // The searches: every cost is the failed one, so no variable moves.
  CEqualizerEngine engine;
  engine.m_pDoc = &doc;
  engine.CollectFreeVariables();
  EXPECT_EQ(engine.ComputeCost(TRUE), CEqualizerEngine::kFailedCost);
  EXPECT_EQ(engine.ComputeCost(FALSE), CEqualizerEngine::kFailedCost);
  // A recorded design keeps no closed-loop poles of the stand-in.
  engine.m_wRecord = kRecordingOn;
  engine.RecordDesign(kRecordAppend);
  ASSERT_EQ(doc.m_pHistory->m_nCount, 1);
  EXPECT_EQ(doc.m_pHistory->m_pRootCounts[0], 0);
  // Real time (and the tuner's passes) refuse a set-up system in error.
  CSIMsystem simulator;
  simulator.m_dTs = doc.m_dSamplingTime;
  simulator.m_nSteps = 10;
  simulator.Setup(&doc);
  EXPECT_EQ(simulator.m_nError, kSimModelInvalid);
  // Moving the closed-loop poles would search on the stand-in.
  const std::vector<double> before(doc.m_vars.m_pValue.get(),
                                   doc.m_vars.m_pValue.get() + doc.m_vars.m_nCount);
  doc.m_pDragGroup->MoveClosedLoopPoles(&doc);
  EXPECT_EQ(std::vector<double>(doc.m_vars.m_pValue.get(),
                                doc.m_vars.m_pValue.get() + doc.m_vars.m_nCount),
            before);
}

// The 3 x 3 design whose K holds k (1 + 1/(T s)) as a product.
TEST(UnusableModel, TheControllerWrittenAsAProductIsNamedAndItsLoopRefused) {
  CQorexDoc doc;
  const auto boxes = Open(doc, kRepro);
  ASSERT_EQ(doc.m_system.m_K.m_nRows, 3);
  ExpectRefusedLoop(doc, boxes, kModelK);
  // The model is kept as stored: it can be mended. A mended design runs.
  ASSERT_NE(doc.m_models.RightSideAt(kModelK), nullptr);
  SetModel(doc, kModelK, Identity(3));
  doc.Recalculate();
  EXPECT_EQ(doc.m_system.m_nError, kSimOk);
  EXPECT_EQ(doc.m_system.m_nInvalidModels, 0u);
  EXPECT_FALSE(AllZero(doc.m_system.m_yd));
}

CMcBasic* Bracket(CMcBasic* operand) {
  return new CMcOperator(operand, CMcOperator::Flags(CMcOperator::kBracket));
}

// Saved by the program and opened again: G = 2 e^(-s) / (s + 3) and a
// bracketed fraction (2 / (s + 3)).
TEST(UnusableModel, AnExponentialOfSAndABracketedFractionAreNamedAndTheirLoopRefused) {
  const struct {
    const char* name;
    CMcBasic* (*process)();
  } rows[] = {
      {"e^(-s)",
       []() -> CMcBasic* {
         CMcVariable* minusS = S();
         minusS->m_flags |= kMcMinus;
         return Div(Prod({Real(2), Pow(Variable("e", kMcConstant), minusS)}), Sum({S(), Real(3)}));
       }},
      {"bracketed fraction",
       [] {
         return Bracket(Div(Real(2), Sum({S(), Real(3)})));
       }},
  };
  const std::string folder = qxtest::MakeTempDir("unusable");
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    CQorexDoc stored;
    SetModel(stored, kModelG, row.process());
    const std::string path = folder + "/" + std::to_string(&row - rows) + ".qox";
    ASSERT_TRUE(stored.OnSaveDocument(path.c_str()));
    CQorexDoc doc;
    const auto boxes = Open(doc, path);
    ExpectRefusedLoop(doc, boxes, kModelG);
    EXPECT_EQ(doc.m_models.RightSideAt(kModelG)->Compare(stored.m_models.RightSideAt(kModelG)), 0)
        << "opened as stored";
  }
}

}  // namespace
