// The design document: a new design's defaults, recalculation after a change,
// the locus commands, the show flags and damaged shapes.
#include "tests/simulation/SimTestSupport.h"

#include "MC/Mc_function.h"
#include "MC/Mc_variable.h"
#include "search/QOX_HistVar.h"
#include "diagrams/OutputBar.h"
#include "editing/LeftBar.h"
#include "platform/ui/WinApp.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>

namespace {

using namespace simtest;

// "name_subscript" of a definition's left side.
std::string LeftName(const CMcBasic* def) {
  const auto* f = static_cast<const CMcFunction*>(def->m_children[0]);
  const std::string name = f->GetFunctionName();
  return f->HasSubscript() ? name + "_" + f->GetSubscript() : name;
}

TEST(DocumentDefaults, NewDesign) {
  CQorexDoc doc;
  ASSERT_EQ(doc.m_models.GetCount(), 5);
  ASSERT_EQ(doc.m_signals.GetCount(), 9);
  const char* models[] = {"P", "K", "G", "L", "F"};
  for (int i = 0; i < 5; ++i) {
    EXPECT_EQ(doc.m_models.GetAt(i)->GetType(), 0x1301);
    EXPECT_EQ(LeftName(doc.m_models.GetAt(i)), models[i]);
  }
  const char* signals[] = {"c",          "v",      "d",      "n",       "u_clip min",
                           "u_clip max", "u_proc", "y_proc", "e_weight"};
  for (int i = 0; i < 9; ++i) EXPECT_EQ(LeftName(doc.m_signals.GetAt(i)), signals[i]);
  // F = f11, bound to the first user variable.
  const CMcBasic* f = doc.m_models.GetAt(4)->m_children[1];
  ASSERT_EQ(f->GetType() >> 8, 0x03);
  EXPECT_EQ(static_cast<const CMcVariable*>(f)->m_index, 5);

  EXPECT_EQ(doc.m_dSamplingTime, 0.05);
  EXPECT_EQ(doc.m_dFinalTime, 30.0);
  EXPECT_EQ(doc.m_nVarPoints, 1);
  EXPECT_EQ(doc.m_pVarPoints[0].m_nVariable, 5);
  EXPECT_EQ(doc.m_pVarPoints[0].m_wCode, 0);
  EXPECT_EQ(doc.m_nVarPointCapacity, 4);
  EXPECT_EQ(doc.m_nMaxSignalSize, 1);
  EXPECT_TRUE(doc.m_strComment.IsEmpty());
  EXPECT_EQ(doc.m_nRuns, 0);
  EXPECT_EQ(doc.m_nRunCapacity, 4);
  EXPECT_EQ(doc.GetShowMask(), 0x0201);  // command and measured output
  EXPECT_EQ(doc.m_ptRlOrigin.x, 400);
  EXPECT_EQ(doc.m_ptSigOrigin.y, 105);
  EXPECT_EQ(doc.m_dRlSpare[0], -10.0);
  EXPECT_EQ(doc.m_diagView[4].dScaleX, 80.0);  // Bode
  EXPECT_EQ(doc.m_diagView[6].nOriginX, 200);  // characteristic Bode
  EXPECT_EQ(doc.m_pFreqModel, nullptr);
  EXPECT_EQ(doc.m_pDragGroup, nullptr);
  ASSERT_NE(doc.m_pHistory, nullptr);  // an empty population over the variable table
  EXPECT_EQ(doc.m_pHistory->m_nCount, 0);
  EXPECT_EQ(doc.m_pHistory->m_nVars, doc.m_vars.m_nCount);
  EXPECT_EQ(doc.m_errorWeight.At(0, 299), 1.0);  // e_weight(t) = 1, sampled
  EXPECT_FALSE(doc.IsModified());
  EXPECT_GE(doc.m_dMaxPoleModulus, 1.0);

  // The loop: 600 samples of a step through 1/(s+1) with unit feedback,
  // settling at 1/2; the control action is unlimited.
  const CSIMsystem& s = doc.m_system;
  EXPECT_EQ(s.m_nError, kSimOk);
  EXPECT_EQ(s.m_nSteps, 600);
  EXPECT_NEAR(s.m_yd.At(0, 599), 0.5, 1e-9);
  EXPECT_EQ(s.m_uMin.At(0, 10), -HUGE_VAL);
  EXPECT_EQ(s.m_uMax.At(0, 10), HUGE_VAL);
  // One locus: the closed-loop pole -(1 + f) at each of the 30 gains.
  EXPECT_EQ(doc.m_pVarPoints[0].m_nCount, 30);
  EXPECT_NEAR(doc.m_pVarPoints[0].m_pPoints[0].re, -1.01, 1e-12);
}

TEST(DocumentRecalculate, ChangedVariableChangesTheOutput) {
  CQorexDoc doc;
  doc.m_vars.SetValue(0, 3.0);  // f11: y settles at 1 / (1 + f)
  doc.Recalculate();
  EXPECT_NEAR(doc.m_system.m_yd.At(0, 599), 0.25, 1e-9);
  EXPECT_EQ(doc.m_vars.m_pValue[5], 3.0);  // the locus sweep put it back
}

TEST(DocumentRecalculate, DamagedShapesReportTheErrorState) {
  CQorexDoc doc;
  SetModel(doc, 2, Mat(2, {R(1), R(2), R(3), R(4)}));  // 2 x 2 process in a SISO loop
  doc.Recalculate();
  doc.UpdateAll();
  EXPECT_EQ(doc.m_system.m_nError, kSimShapeMismatch);
  EXPECT_EQ(doc.m_system.m_yd.At(0, 599), 0.0);
  SetModel(doc, 2, R(1));
  SetSignal(doc, 3, Mat(3, {R(1), R(2), R(3)}));  // 1 x 3: one row of three
  doc.Recalculate();
  EXPECT_EQ(doc.m_system.m_nError, kSimOk);
  EXPECT_EQ(doc.m_system.m_n.m_nRows, 1);
}

TEST(DocumentLoci, SetGetAndRemove) {
  CQorexDoc doc;
  SetModel(doc, 1, Prod({V("k"), V("q")}));
  const int k = Entry(doc, "k") - 5, q = Entry(doc, "q") - 5;
  int mode = -1, colour = -1;
  doc.GetVarPointCell(k, &mode, &colour);
  EXPECT_EQ(mode, 0);
  EXPECT_EQ(colour, 0);
  doc.SetVarPoint(k, 0x2001);  // "10% deviation", "Blue"
  doc.GetVarPointCell(k, &mode, &colour);
  EXPECT_EQ(mode, 2);
  EXPECT_EQ(colour, 3);
  EXPECT_EQ(doc.m_nVarPoints, 2);
  EXPECT_EQ(doc.m_pVarPoints[1].m_nCount, 20);  // swept by the recalculation
  doc.SetVarPoint(k, 0x1004);                   // changed code, same entry
  EXPECT_EQ(doc.m_nVarPoints, 2);
  EXPECT_EQ(doc.m_pVarPoints[1].m_wCode, 0x1004);
  doc.SetVarPoint(q, 3);
  doc.RemoveVarPoint(k);
  EXPECT_EQ(doc.m_nVarPoints, 2);
  EXPECT_EQ(doc.m_pVarPoints[1].m_nVariable, q + 5);
  EXPECT_EQ(doc.m_pVarPoints[1].m_wCode, 3);
  doc.RemoveVarPoint(k);  // none left: nothing happens
  EXPECT_EQ(doc.m_nVarPoints, 2);
}

TEST(DocumentLoci, FullArrayDoublesKeepingVariablesAndCodes) {
  CQorexDoc doc;
  for (int i = 1; i <= 3; ++i) {
    const std::string name(1, char('a' + i));
    SetModel(doc, 1, V(name.c_str()));
    doc.SetVarPoint(Entry(doc, name.c_str()) - 5, WORD(i));
  }
  ASSERT_EQ(doc.m_nVarPoints, 4);
  EXPECT_EQ(doc.m_nVarPointCapacity, 4);
  doc.SetVarPoint(0, 0);  // an existing entry with its own code: still doubles
  EXPECT_EQ(doc.m_nVarPointCapacity, 8);
  EXPECT_EQ(doc.m_nVarPoints, 4);
  EXPECT_EQ(doc.m_pVarPoints[3].m_wCode, 3);
  EXPECT_EQ(doc.m_pVarPoints[0].m_nVariable, 5);
}

TEST(DocumentShow, ToggleCodes) {
  struct Row {
    int code;
    WORD mask;
  } rows[] = {
      {0x200, 0x0200},  // command off
      {0x203, 0x020B},  // noise on
      {0x400, 0x0211},  // reference
      {0x403, 0x0001},  // measured output off
      {0x405, 0x1201},  // feedback
      {0x300, 0x0201},  // another group: nothing
      {0x204, 0x0201},  // beyond the group: nothing
      {0x406, 0x0201},
  };
  for (const Row& row : rows) {
    CQorexDoc doc;
    if (row.code == 0x203) doc.ToggleSignalShow(0x202);  // and the output disturbance
    doc.ToggleSignalShow(row.code);
    WORD expected = row.mask;
    if (row.code == 0x203) expected = 0x020D;
    EXPECT_EQ(doc.GetShowMask(), expected) << std::hex << row.code;
  }
}

TEST(DocumentRuns, CapacityKeepsOrCutsTheStoredRuns) {
  CQorexDoc doc;
  doc.m_nRuns = 3;
  doc.m_runTs[2] = 0.125;
  doc.m_runOutputs[2].Resize(1, 5);
  doc.m_runOutputs[2].At(0, 4) = 42;
  doc.SetRunCapacity(7);
  EXPECT_EQ(doc.m_nRunCapacity, 7);
  EXPECT_EQ(doc.m_nRuns, 3);
  EXPECT_EQ(doc.m_runTs[2], 0.125);
  EXPECT_EQ(doc.m_runOutputs[2].At(0, 4), 42.0);
  doc.SetRunCapacity(2);
  EXPECT_EQ(doc.m_nRunCapacity, 2);
  EXPECT_EQ(doc.m_nRuns, 2);
  doc.SetRunCapacity(0);
  EXPECT_EQ(doc.m_nRunCapacity, 2);
}

TEST(DocumentClose, DetachesTheBarsAndStopsItsRealtimeRun) {
  CWinApp app("Document Close Test");
  COutputBar output;  // bars without windows: only their pointers matter
  CLeftBar left;
  CQorexDoc* other = new CQorexDoc;  // attaches the bars to itself
  CQorexDoc* doc = new CQorexDoc;
  EXPECT_EQ(output.m_pDoc, doc);
  EXPECT_EQ(left.m_pDoc, doc);
  g_pSimDoc = doc;
  doc->OnCloseDocument();  // deletes the document
  EXPECT_EQ(g_pSimDoc.load(), nullptr);
  EXPECT_EQ(output.m_pDoc, nullptr);
  EXPECT_EQ(left.m_pDoc, nullptr);
  other->UpdateAll();
  delete other;  // destroyed without closing: still detached
  EXPECT_EQ(output.m_pDoc, nullptr);
}

}  // namespace
