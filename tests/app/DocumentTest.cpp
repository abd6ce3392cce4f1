// The design document: a new design, recalculation after a change, the locus
// commands, the show flags and closing.
#include "tests/simulation/SimTestSupport.h"

#include "diagrams/OutputBar.h"
#include "editing/LeftBar.h"
#include "platform/ui/WinApp.h"
#include "search/QOX_HistVar.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <utility>

namespace {

using namespace simtest;

// A new design is a simulated single loop with one locus: a step through
// 1 / (s + 1) under unit feedback settles at 1/2, and the closed-loop pole
// -(1 + f11) is swept over 30 gains.
TEST(Document, NewDesignIsSimulatedWithOneLocus) {
  CQorexDoc doc;
  ASSERT_EQ(doc.m_models.GetCount(), 5);
  ASSERT_EQ(doc.m_signals.GetCount(), 9);
  const CMcBasic* f = doc.m_models.GetAt(4)->m_children[1];
  ASSERT_EQ(f->GetType() >> 8, 0x03);
  EXPECT_EQ(static_cast<const CMcVariable*>(f)->m_index, 5);  // F = f11, the first user entry
  EXPECT_FALSE(doc.IsModified());
  EXPECT_EQ(doc.GetShowMask(), 0x0201);  // command and measured output
  ASSERT_NE(doc.m_pHistory, nullptr);    // an empty population over the variable table
  EXPECT_EQ(doc.m_pHistory->m_nCount, 0);
  EXPECT_EQ(doc.m_pHistory->m_nVars, doc.m_vars.m_nCount);

  const CSIMsystem& s = doc.m_system;
  EXPECT_EQ(s.m_nError, kSimOk);
  EXPECT_EQ(s.m_nSteps, 600);
  EXPECT_NEAR(s.m_yd.At(0, 599), 0.5, 1e-9);
  EXPECT_EQ(s.m_uMax.At(0, 10), HUGE_VAL);  // the control action is unlimited
  EXPECT_EQ(doc.m_errorWeight.At(0, 299), 1.0);
  ASSERT_EQ(doc.m_nVarPoints, 1);
  EXPECT_EQ(doc.m_pVarPoints[0].m_nVariable, 5);
  EXPECT_EQ(doc.m_pVarPoints[0].m_nCount, 30);
  EXPECT_NEAR(doc.m_pVarPoints[0].m_pPoints[0].re, -1.01, 1e-12);
}

TEST(Document, RecalculateFollowsAChangedVariableAndReportsDamagedShapes) {
  CQorexDoc doc;
  doc.m_vars.SetValue(0, 3.0);  // f11: y settles at 1 / (1 + f)
  doc.Recalculate();
  EXPECT_NEAR(doc.m_system.m_yd.At(0, 599), 0.25, 1e-9);
  EXPECT_EQ(doc.m_vars.m_pValue[5], 3.0);  // the locus sweep put it back

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

TEST(Document, LociAreSetChangedAndRemoved) {
  CQorexDoc doc;
  SetModel(doc, 1, Prod({V("k"), V("q")}));
  const int k = Entry(doc, "k") - 5, q = Entry(doc, "q") - 5;
  int mode = -1, colour = -1;
  doc.GetVarPointCell(k, &mode, &colour);
  EXPECT_EQ(std::make_pair(mode, colour), std::make_pair(0, 0));
  doc.SetVarPoint(k, 0x2001);  // the lists' "10% deviation" and "Blue"
  doc.GetVarPointCell(k, &mode, &colour);
  EXPECT_EQ(std::make_pair(mode, colour), std::make_pair(2, 3));
  EXPECT_EQ(doc.m_nVarPoints, 2);
  EXPECT_EQ(doc.m_pVarPoints[1].m_nCount, 20);  // swept by the recalculation
  doc.SetVarPoint(k, 0x1004);                   // changed code, same entry
  EXPECT_EQ(doc.m_nVarPoints, 2);
  EXPECT_EQ(doc.m_pVarPoints[1].m_wCode, 0x1004);
  doc.SetVarPoint(q, 3);
  doc.RemoveVarPoint(k);
  doc.RemoveVarPoint(k);  // none left: nothing happens
  ASSERT_EQ(doc.m_nVarPoints, 2);
  EXPECT_EQ(doc.m_pVarPoints[1].m_nVariable, q + 5);
  EXPECT_EQ(doc.m_pVarPoints[1].m_wCode, 3);
}

TEST(Document, AFullLocusArrayDoublesKeepingVariablesAndCodes) {
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

TEST(Document, ShowCodesToggleTheirSignalsOnly) {
  const struct {
    int code;
    WORD mask;  // after this and every toggle above it, from 0x0201
  } rows[] = {
      {0x200, 0x0200},  // command off
      {0x200, 0x0201},  // and on again
      {0x203, 0x0209},  // noise
      {0x202, 0x020D},  // output disturbance
      {0x400, 0x021D},  // reference
      {0x403, 0x001D},  // measured output off
      {0x405, 0x101D},  // feedback
      {0x300, 0x101D},  // another group: nothing
      {0x204, 0x101D},  // beyond the group: nothing
      {0x406, 0x101D},
  };
  CQorexDoc doc;
  for (const auto& row : rows) {
    doc.ToggleSignalShow(row.code);
    EXPECT_EQ(doc.GetShowMask(), row.mask) << std::hex << row.code;
  }
}

TEST(Document, CloseDetachesTheBarsAndStopsItsRealtimeRun) {
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
