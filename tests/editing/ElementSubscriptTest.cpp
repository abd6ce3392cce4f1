// The design variables named after a model element: the controller builder,
// the dead time, the element picker's fresh variable and a dropped pole give
// every element names of its own, also beyond the ninth row or column, keep
// the names stored designs carry, and keep them apart through save and open.
#include "tests/simulation/SimTestSupport.h"

#include "ElementSubscript.h"
#include "MC/Mc_equality.h"
#include "MC/Mc_variable.h"
#include "editing/ModelBuilders.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <memory>
#include <set>
#include <string>
#include <vector>

namespace {

using namespace simtest;

// The subscripts of the variables called name in the tree.
void Subscripts(const CMcBasic* node, const char* name, std::set<std::string>& out) {
  if (McIsKind(node, kMcVariable)) {
    const auto* v = static_cast<const CMcVariable*>(node);
    if (std::string(v->GetVarName()) == name) out.insert(v->GetSubscript());
  }
  for (int i = 0; i < node->m_count; ++i) Subscripts(node->m_children[i], name, out);
}
std::set<std::string> Subscripts(const CMcBasic* node, const char* name) {
  std::set<std::string> out;
  Subscripts(node, name, out);
  return out;
}

TEST(ElementSubscripts, RunTogetherBelowTheTenthRowAndColumnSeparatedFromIt) {
  const struct {
    int row, col;  // 0-based
    const char* subscript;
  } rows[] = {{0, 0, "11"},   {0, 1, "12"},    {8, 8, "99"},    {8, 9, "9_10"},
              {9, 8, "10_9"}, {0, 10, "1_11"}, {10, 0, "11_1"}, {15, 15, "16_16"}};
  for (const auto& row : rows) {
    std::unique_ptr<CMcBasic> k(BuildControllerElement(row.row, row.col, kControllerP, 0, nullptr));
    EXPECT_EQ(Subscripts(k.get(), "k"), std::set<std::string>{row.subscript}) << row.subscript;
  }
}

// The size picker reaches 16 x 16: a full PID controller of that size binds
// its own k, I, D and iT for each of the 256 elements.
TEST(ElementSubscripts, ASixteenBySixteenControllerSharesNoVariable) {
  std::vector<CMcBasic*> zeros;
  for (int i = 0; i < 256; ++i) zeros.push_back(Real(0));
  std::unique_ptr<CMcBasic> k(new CMcEquality(Fn("K", S()), Matrix(16, zeros), 0));
  std::unique_ptr<CMcBasic> g(new CMcEquality(Fn("G", S()), Real(1), 0));
  CVARvalues vars;
  BuildController(k.get(), g.get(), {kShapeFull, kControllerPID, 1, false}, &vars);
  vars.BindVariables(k.get());
  for (const char* name : {"k", "I", "D", "iT"})
    EXPECT_EQ(Subscripts(k.get(), name).size(), 256u) << name;
  EXPECT_EQ(vars.m_nCount, CVARvalues::kFirstFreeEntry + 1 + 4 * 256);
}

// Row 1, column 11 and row 11, column 1 of a 12 x 12 Process: once run
// together both were "111".
TEST(ElementSubscripts, TheOtherNamersKeepRowOneColumnElevenApartFromRowElevenColumnOne) {
  CQorexDoc doc;
  doc.ResizeModel(kModelG, 12, 12);
  const int cells[2][2] = {{0, 10}, {10, 0}};
  for (const auto& [row, col] : cells) {
    doc.SetElement(kModelG, row, col, 2);                               // a fresh variable g
    ASSERT_TRUE(doc.ApplyRootDrop(true, kModelG, row, col, 2.0, 0.0));  // a pole pair p
    DeadTimeSpec tau;  // a variable dead time of its own amount
    tau.row = row;
    tau.col = col;
    tau.amount = row + 0.5;
    ASSERT_TRUE(AddDeadTime(doc.m_models.GetAt(kModelG), kModelG, tau, &doc.m_vars));
  }
  const struct {
    const char* name;
    const char* first;  // of row 1, column 11
    const char* second;
  } names[] = {{"g", "1_11", "11_1"}, {"p", "1_11G1", "11_1G1"}, {"t", "1_11G", "11_1G"}};
  for (const auto& n : names) {
    EXPECT_EQ(Subscripts(doc.ModelElement(kModelG, 0, 10), n.name), std::set<std::string>{n.first});
    EXPECT_EQ(Subscripts(doc.ModelElement(kModelG, 10, 0), n.name),
              std::set<std::string>{n.second});
  }
  auto tau = [&](const char* subscript) {
    const int entry = doc.m_vars.Find("t", subscript, 0x10);
    return entry < 0 ? -1.0 : doc.m_vars.m_pValue[entry];
  };
  EXPECT_EQ(tau("1_11G"), 0.5);
  EXPECT_EQ(tau("11_1G"), 10.5);
}

// Saved and opened again, every element of a 12 x 12 controller still has
// its own k and I, bound to table entries of their own.
TEST(ElementSubscripts, ATwelveByTwelveDesignKeepsItsNamesApartThroughSaveAndOpen) {
  const std::string path = qxtest::MakeTempDir("subscripts") + "/design.qox";
  {
    CQorexDoc doc;
    doc.ResizeModel(kModelK, 12, 12);
    BuildController(doc.m_models.GetAt(kModelK), doc.m_models.GetAt(kModelG),
                    {kShapeFull, kControllerPI, 1, false}, &doc.m_vars);
    doc.UpdateUsedVariables();
    ASSERT_TRUE(doc.OnSaveDocument(path.c_str()));
  }
  CQorexDoc opened;
  ASSERT_TRUE(opened.OnOpenDocument(path.c_str()));
  for (const char* name : {"k", "I"}) {
    std::set<int> entries;
    for (int row = 0; row < 12; ++row)
      for (int col = 0; col < 12; ++col) {
        const std::string subscript = ElementSubscript(row, col);
        EXPECT_EQ(Subscripts(opened.ModelElement(kModelK, row, col), name),
                  std::set<std::string>{subscript});
        entries.insert(opened.m_vars.Find(name, subscript.c_str(), 0));
      }
    EXPECT_EQ(entries.size(), 144u) << name;
    EXPECT_EQ(entries.count(-1), 0u) << name;
  }
}

}  // namespace
