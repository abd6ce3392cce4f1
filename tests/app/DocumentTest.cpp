// The design document: a new design, recalculation after a change, the locus
// commands, the show flags and closing.
#include "tests/simulation/SimTestSupport.h"

#include "MainFrm.h"
#include "platform/ui/WinApp.h"
#include "search/QOX_HistVar.h"

#include <gtest/gtest.h>

#include <cmath>
#include <utility>
#include <vector>

namespace {

using namespace simtest;

// A new design is a simulated single loop with one locus: a step through
// 1 / (s + 1) under unit feedback settles at 1/2, and the closed-loop pole
// -(1 + f11) is swept over 30 gains from f11 = 0.01.
TEST(Document, NewDesignIsSimulatedWithOneLocus) {
  CQorexDoc doc;
  EXPECT_FALSE(doc.IsModified());
  ASSERT_NE(doc.m_pHistory, nullptr);  // an empty population over the variable table
  EXPECT_EQ(doc.m_pHistory->m_nCount, 0);
  EXPECT_EQ(doc.m_pHistory->m_nVars, doc.m_vars.m_nCount);
  EXPECT_EQ(doc.m_system.m_nError, kSimOk);
  EXPECT_EQ(doc.m_system.m_nSteps, 600);
  EXPECT_NEAR(doc.m_system.m_yd.At(0, 599), 0.5, 1e-9);
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
  SetModel(doc, kModelG,
           Matrix(2, {Real(1), Real(2), Real(3), Real(4)}));  // 2 x 2 process in a SISO loop
  doc.Recalculate();
  EXPECT_EQ(doc.m_system.m_nError, kSimShapeMismatch);
  EXPECT_EQ(doc.m_system.m_yd.At(0, 599), 0.0);
}

// Locus codes are the variables bar's list positions; a full array doubles
// keeping every locus's variable and code.
TEST(Document, LociAreSetChangedGrownAndRemoved) {
  CQorexDoc doc;
  SetModel(doc, kModelK, Prod({Variable("k"), Variable("q"), Variable("r"), Variable("w")}));
  const int k = Entry(doc, "k") - 5, q = Entry(doc, "q") - 5;
  int mode = -1, colour = -1;
  doc.SetVarPoint(k, 0x2001);  // the lists' "10% deviation" and "Blue"
  doc.GetVarPointCell(k, &mode, &colour);
  EXPECT_EQ(std::make_pair(mode, colour), std::make_pair(2, 3));
  EXPECT_EQ(doc.m_pVarPoints[1].m_nCount, 20);  // swept by the recalculation
  doc.SetVarPoint(k, 0x1004);                   // changed code, same entry
  EXPECT_EQ(doc.m_nVarPoints, 2);
  doc.SetVarPoint(q, 3);
  doc.SetVarPoint(Entry(doc, "r") - 5, 2);
  EXPECT_EQ(doc.m_nVarPointCapacity, 4);
  doc.SetVarPoint(Entry(doc, "w") - 5, 0x3001);
  EXPECT_EQ(doc.m_nVarPointCapacity, 8);
  EXPECT_EQ(doc.m_pVarPoints[1].m_wCode, 0x1004);
  EXPECT_EQ(doc.m_pVarPoints[3].m_nVariable, Entry(doc, "r"));
  doc.RemoveVarPoint(k);
  doc.RemoveVarPoint(k);  // none left: nothing happens
  ASSERT_EQ(doc.m_nVarPoints, 4);
  EXPECT_EQ(doc.m_pVarPoints[1].m_nVariable, q + 5);
  EXPECT_EQ(doc.m_pVarPoints[1].m_wCode, 3);
  doc.GetVarPointCell(k, &mode, &colour);
  EXPECT_EQ(std::make_pair(mode, colour), std::make_pair(0, 0));
}

TEST(Document, ShowCodesToggleTheirSignalsOnly) {
  // The mask after this and every toggle above it, from command and measured output (0x0201).
  const std::pair<int, WORD> rows[] = {
      {0x200, 0x0200}, {0x200, 0x0201}, {0x203, 0x0209}, {0x202, 0x020D}, {0x400, 0x021D},
      {0x403, 0x001D}, {0x405, 0x101D}, {0x300, 0x101D}, {0x204, 0x101D}, {0x406, 0x101D}};
  CQorexDoc doc;
  EXPECT_EQ(doc.GetShowMask(), 0x0201);
  for (const auto& [code, mask] : rows) {
    doc.ToggleSignalShow(code);
    EXPECT_EQ(doc.GetShowMask(), mask) << std::hex << code;
  }
}

TEST(Document, CloseDetachesTheBarsAndStopsItsRealtimeRun) {
  CWinApp app("Document Close Test");
  CMainFrame frame;  // no windows: only its bars' pointers matter
  COutputBar& output = frame.m_wndOutputBar;
  CLeftBar& left = frame.m_wndLeftBar;
  // The design each of the frame's bars shows.
  const auto shown = [&frame] {
    return std::vector<const CQorexDoc*>{
        frame.m_wndOutputBar.m_pDoc, frame.m_wndLeftBar.m_pDoc, frame.m_wndVarbar.m_pListedDoc,
        frame.m_wndEqualizerBar.m_pDoc, frame.m_wndCommentBar.m_pDoc};
  };
  CQorexDoc* other = new CQorexDoc;
  CQorexDoc* doc = new CQorexDoc;
  // A new design takes the bars only when shown (its window activated).
  EXPECT_EQ(shown(), std::vector<const CQorexDoc*>(5, nullptr));
  other->UpdateAll();
  doc->UpdateAll();
  EXPECT_EQ(output.m_pDoc, doc);
  EXPECT_EQ(shown(), std::vector<const CQorexDoc*>(5, doc));
  g_pSimDoc = doc;
  doc->OnCloseDocument();  // deletes the document
  EXPECT_EQ(g_pSimDoc.load(), nullptr);
  EXPECT_EQ(output.m_pDoc, nullptr);
  EXPECT_EQ(left.m_pDoc, nullptr);
  EXPECT_EQ(shown(), std::vector<const CQorexDoc*>(5, nullptr));
  other->UpdateAll();
  delete other;  // destroyed without closing: still detached
  EXPECT_EQ(output.m_pDoc, nullptr);
}

}  // namespace
