// The design edits on the document's side: callable on a design that no
// window shows, each ending in a recalculated loop; and the recorded road of
// a change, with the recorder reached through its narrow interface.
#include "tests/simulation/SimTestSupport.h"

#include "MC/Mc_variable.h"

#include <gtest/gtest.h>

#include <cmath>
#include <utility>
#include <vector>

namespace {

using namespace simtest;

constexpr int kModelK = 1, kModelG = 2;

// The element's transfer function, read from its definition as it stands.
CSIMtrnfn Element(CQorexDoc& doc, int model, int row = 0, int col = 0) {
  CSIMtrnfn tf;
  tf.FromExpr(&doc, doc.ModelElement(model, row, col));
  return tf;
}

double StaticGain(const CSIMtrnfn& tf) {
  return tf.m_num[0] / tf.m_den[0];
}

// The default design: G = 1 / (s + 1), K = 1.
TEST(DesignEdits, EachEditReachesTheLoopWithoutAnyWindow) {
  struct Case {
    const char* name;
    bool (*edit)(CQorexDoc&);
    bool (*check)(CQorexDoc&);
  };
  const Case cases[] = {
      {"G becomes 0", [](CQorexDoc& d) { return d.SetElement(kModelG, 0, 0, 0), true; },
       [](CQorexDoc& d) { return StaticGain(Element(d, kModelG)) == 0.0; }},
      {"K led by k_11", [](CQorexDoc& d) { return d.SetElement(kModelK, 0, 0, 2), true; },
       [](CQorexDoc& d) { return d.m_vars.Find("k", "11", 0) >= 0; }},
      {"G 2 x 2, K follows", [](CQorexDoc& d) { return d.ResizeModel(kModelG, 2, 2), true; },
       [](CQorexDoc& d) {
         const CSIMtrnmx& k = d.m_system.*kModelWiring[kModelK].block;
         return d.m_system.m_G.m_nRows == 2 && d.m_system.m_G.m_nCols == 2 && k.m_nRows == 2;
       }},
      // A pole at -2 keeps the static gain 1 and raises the order.
      {"pole of G at -2",
       [](CQorexDoc& d) { return d.ApplyRootDrop(true, kModelG, 0, 0, 2.0, 0.0); },
       [](CQorexDoc& d) {
         const CSIMtrnfn g = Element(d, kModelG);
         return g.m_nDen == 3 && std::fabs(StaticGain(g) - 1.0) < 1e-12;
       }},
      // A zero of the constant K needs a pole at the origin to stay proper.
      {"zero of K at -0.5",
       [](CQorexDoc& d) { return d.ApplyRootDrop(false, kModelK, 0, 0, 0.5, 0.0); },
       [](CQorexDoc& d) {
         const CSIMtrnfn k = Element(d, kModelK);
         return k.m_nNum == 2 && k.m_nDen == 2 && k.m_den[0] == 0.0;
       }},
      {"complex pole pair of G",
       [](CQorexDoc& d) { return d.ApplyRootDrop(true, kModelG, 0, 0, 1.0, -2.0); },
       [](CQorexDoc& d) {
         const CSIMtrnfn g = Element(d, kModelG);
         return g.m_nDen == 4 && std::fabs(StaticGain(g) - 1.0) < 1e-12;
       }},
      {"setpoint step", [](CQorexDoc& d) { return d.BuildSignal(0, 0, kShapeStep), true; },
       [](CQorexDoc& d) { return d.m_vars.Find("c", "1", 0) >= 0; }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    CQorexDoc doc;
    ASSERT_TRUE(c.edit(doc));
    EXPECT_TRUE(doc.IsModified());
    EXPECT_EQ(doc.m_system.m_nError, kSimOk);
    EXPECT_TRUE(c.check(doc));
  }
}

TEST(DesignEdits, RefusedEditsChangeNothing) {
  struct Case {
    const char* name;
    bool (*edit)(CQorexDoc&);
  };
  const Case cases[] = {
      {"root not finite",
       [](CQorexDoc& d) { return d.ApplyRootDrop(true, kModelG, 0, 0, NAN, 0); }},
      {"root of no element",
       [](CQorexDoc& d) { return d.ApplyRootDrop(false, kModelG, 1, 0, 1.0, 0.0); }},
      {"model past F", [](CQorexDoc& d) { return d.SetElement(5, 0, 0, 1), false; }},
      {"choice 3", [](CQorexDoc& d) { return d.SetElement(kModelG, 0, 0, 3), false; }},
      {"size 0", [](CQorexDoc& d) { return d.ResizeModel(kModelG, 0, 2), false; }},
      {"signal past n", [](CQorexDoc& d) { return d.BuildSignal(4, 0, kShapeStep), false; }},
      {"shape past noise", [](CQorexDoc& d) { return d.BuildSignal(0, 0, kShapeCount), false; }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    CQorexDoc doc;
    EXPECT_FALSE(c.edit(doc));
    EXPECT_FALSE(doc.IsModified());
    EXPECT_EQ(Element(doc, kModelG).m_nDen, 2);
  }
}

// Records each call with whether the design had been recalculated by then.
struct RecorderSpy : CDesignRecorder {
  CQorexDoc* doc = nullptr;
  std::vector<std::pair<int, bool>> calls;
  void RecordDesign(int mode) override { calls.emplace_back(mode, doc->IsModified() != FALSE); }
};

TEST(DesignEdits, RecordedRecalculateRecordsBeforeAndAfterTheRecalculation) {
  CQorexDoc doc;
  RecorderSpy spy;
  spy.doc = &doc;
  SetDesignRecorder(&spy);
  doc.m_vars.SetValue(0, 3.0);  // f11: y settles at 1 / (1 + f)
  doc.RecordedRecalculate();
  SetDesignRecorder(nullptr);
  const std::vector<std::pair<int, bool>> expected = {{kRecordAppend, false}, {kRecordRoots, true}};
  EXPECT_EQ(spy.calls, expected);
  EXPECT_NEAR(doc.m_system.m_yd.At(0, 599), 0.25, 1e-9);

  // Without a recorder the road is the same, unrecorded.
  doc.m_vars.SetValue(0, 1.0);
  doc.RecordedRecalculate();
  EXPECT_NEAR(doc.m_system.m_yd.At(0, 599), 0.5, 1e-9);
  EXPECT_EQ(spy.calls.size(), 2u);
}

}  // namespace
