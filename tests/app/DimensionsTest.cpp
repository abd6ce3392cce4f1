// Definition dimensions: a changed block or signal resizes the others so that
// every size in the loop agrees, and blocks marked square stay square.
#include "tests/simulation/SimTestSupport.h"

#include "MC/McKinds.h"
#include "MC/Mc_equality.h"
#include "MC/Mc_function.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>

namespace {

using namespace simtest;

// A readable form of a tree: numbers, name_sub, f_sub(x) and [a, b; c, d].
std::string Text(const CMcBasic* n) {
  const McKindCode kind = McKindOf(n->GetType());
  const std::string sign = (n->m_flags & kMcMinus) ? "-" : "";
  if (kind == kMcReal) {
    const double v = static_cast<const CMcReal*>(n)->m_value;
    return sign + (std::isinf(v) ? std::string("inf") : std::to_string(int(v)));
  }
  if (kind == kMcVariable) {
    const auto* v = static_cast<const CMcVariable*>(n);
    const std::string sub = v->GetSubscript();
    return sign + v->GetVarName() + (sub.empty() ? "" : "_" + sub);
  }
  if (kind == kMcFunction) {
    const auto* f = static_cast<const CMcFunction*>(n);
    const std::string sub = f->GetSubscript();
    return f->GetFunctionName() + (sub.empty() ? "" : "_" + sub) + "(" + Text(n->m_children[0]) +
           ")";
  }
  if (kind == kMcMatrix) {
    const int nc = static_cast<const CMcMatrix*>(n)->GetColumns();
    std::string s = "[";
    for (int i = 0; i < n->m_count; ++i) {
      if (i > 0) s += (i % nc == 0) ? "; " : ", ";
      s += Text(n->m_children[i]);
    }
    return s + "]";
  }
  if (kind == kMcEquality) return Text(n->m_children[0]) + " = " + Text(n->m_children[1]);
  return "?";
}

// The column 5, 6, ... of n elements; for n = 1 the number 7.
CMcBasic* Column(int n) {
  if (n == 1) return Real(7);
  auto* column = new CMcMatrix(0);
  for (int i = 0; i < n; ++i) column->AppendChild(Real(5 + i));
  column->SetColumns(1);
  return column;
}

// A new design's definitions: the five models, then the nine signals.
struct Loop {
  Loop() {
    for (int i = 0; i < kModelCount; ++i) m[i] = doc.m_models.GetAt(i);
    for (int i = 0; i < kSignalCount; ++i) s[i] = doc.m_signals.GetAt(i);
  }
  // The right sides.
  std::string Model(int i) const { return Text(m[i]->m_children[1]); }
  std::string Signal(int i) const { return Text(s[i]->m_children[1]); }
  static void SetRight(CMcBasic* def, CMcBasic* rhs) { delete def->SetChildAt(rhs, 1); }

  CQorexDoc doc;
  CMcBasic* m[kModelCount];
  CMcBasic* s[kSignalCount];
};

class Dimensions : public ::testing::Test, public Loop {};

TEST_F(Dimensions, TwoByTwoProcessResizesItsNeighbours) {
  SetRight(m[kModelG], Matrix(2, {Real(1), Real(2), Real(3), Real(4)}));
  EXPECT_EQ(doc.AdjustDimensions(kModelG, TRUE, m, s), 0);
  EXPECT_EQ(Model(kModelK), "[1; 0]");  // K: 2 x 1
  EXPECT_EQ(Model(kModelL), "[1, 0]");  // L: 1 x 2
  EXPECT_EQ(Signal(kSigV), "[0; 0]");
  EXPECT_EQ(Signal(kSigD), "[0; 0]");
  EXPECT_EQ(Signal(kSigClipMin), "[-inf; -inf]");
  EXPECT_EQ(Signal(kSigClipMax), "[inf; inf]");
  EXPECT_EQ(Signal(kSigUProc), "[u_1(t); u_2(t)]");
  EXPECT_EQ(Signal(kSigYProc), "[y_1(t); y_2(t)]");
  // P, F, c and n keep their size.
  EXPECT_EQ(Model(kModelP), "1");
  EXPECT_EQ(Model(kModelF), "f_11");
  EXPECT_EQ(Signal(kSigC), "1");
  EXPECT_EQ(Signal(kSigN), "0");
}

// A controller with two outputs gives the process two inputs and every
// control-side signal (v, the limits, u) two rows.
TEST_F(Dimensions, TwoOutputControllerResizesTheControlSide) {
  SetRight(m[kModelK], Matrix(1, {Real(1), Real(2)}));  // K: 2 x 1
  doc.AdjustDimensions(kModelK, TRUE, m, s);
  EXPECT_EQ(Model(kModelG), "[?, 0]");
  for (int i : {kSigV, kSigClipMin, kSigClipMax, kSigUProc})
    EXPECT_EQ(s[i]->m_children[1]->m_count, 2) << i;
  EXPECT_EQ(Signal(kSigUProc), "[u_1(t); u_2(t)]");
  EXPECT_EQ(Signal(kSigD), "0");  // d stays with the outputs
}

TEST_F(Dimensions, SquareBlocksStaySquareAndTheSpreadEnds) {
  // F becomes 2 x 2: P must take two rows, and being marked square it
  // becomes 2 x 2 itself, which gives the setpoint two rows.
  SetRight(m[kModelF], Matrix(2, {Real(1), Real(0), Real(0), Real(1)}));
  doc.AdjustDimensions(kModelF, TRUE, m, s);
  EXPECT_EQ(Model(kModelP), "[1, 0; 0, 1]");
  EXPECT_EQ(Signal(kSigC), "[1; 1]");
  EXPECT_EQ(Model(kModelK), "[1, 0]");  // K: its columns follow F's rows
  EXPECT_EQ(Model(kModelL), "[1; 0]");  // L: its rows follow F's columns
  EXPECT_EQ(Signal(kSigN), "[0; 0]");
  EXPECT_EQ(Model(kModelG), "?");  // G = 1 / (s + 1) stays
}

TEST_F(Dimensions, WithEveryBlockMarkedSquareTheSpreadEndsAllSquare) {
  for (CSIMtrnmx* b : {&doc.m_system.m_K, &doc.m_system.m_G, &doc.m_system.m_L})
    b->m_wFlags |= kBlockEnsureSquare;
  SetRight(m[kModelG],
           Matrix(3, {Real(1), Real(2), Real(3), Real(4), Real(5), Real(6)}));  // G: 2 x 3
  doc.AdjustDimensions(kModelG, TRUE, m, s);
  for (int i = 0; i < kModelCount; ++i) {
    const auto* block = static_cast<const CMcMatrix*>(m[i]->m_children[1]);
    ASSERT_EQ(McKindOf(block->GetType()), kMcMatrix) << i;
    EXPECT_EQ(block->GetRows(), 3) << i;
    EXPECT_EQ(block->GetColumns(), 3) << i;
  }
  for (int i = 0; i < kSigErrorWeight; ++i) EXPECT_EQ(s[i]->m_children[1]->m_count, 3) << i;
}

TEST_F(Dimensions, ChangedSignalsResizeTheBlocksAroundThem) {
  const struct {
    int signal;
    int elements;
    int model;
    const char* modelAfter;
    int other;
    const char* otherAfter;
  } rows[] = {
      // P takes three columns and, marked square, three rows.
      {kSigC, 3, kModelP, "[1, 0, 0; 0, 1, 0; 0, 0, 1]", kSigC, "[5; 6; 7]"},
      {kSigV, 2, kModelK, "[1; 0]", kSigUProc, "[u_1(t); u_2(t)]"},
      {kSigYProc, 2, kModelG, "[?; 0]", kSigD, "[0; 0]"},
      {kSigN, 2, kModelL, "[1; 0]", kSigN, "[5; 6]"},
      {kSigErrorWeight, 2, kModelK, "1", kSigYProc, "y_1(t)"},  // meets no block
      {kSigD, 1, kModelL, "1", kSigYProc, "y_1(t)"},            // same size: nothing
  };
  for (const auto& row : rows) {
    Loop loop;
    Loop::SetRight(loop.s[row.signal], Column(row.elements));
    loop.doc.AdjustDimensions(row.signal, FALSE, loop.m, loop.s);
    EXPECT_EQ(loop.Model(row.model), row.modelAfter) << row.signal;
    EXPECT_EQ(loop.Signal(row.other), row.otherAfter) << row.signal;
  }
}

TEST_F(Dimensions, ARightSideAloneBecomesADefinition) {
  CMcBasic* bare = Matrix(1, {Real(2), Real(3)});
  CMcBasic* old = s[kSigN];
  s[kSigN] = bare;
  doc.AdjustDimensions(kSigN, FALSE, m, s);
  ASSERT_NE(s[kSigN], bare);
  EXPECT_EQ(Text(s[kSigN]), "n(t) = [2; 3]");
  EXPECT_EQ(bare->m_parent, s[kSigN]);
  EXPECT_EQ(Model(kModelL), "[1; 0]");
  CMcBasic* model = Real(4);
  CMcBasic* oldModel = m[kModelK];
  m[kModelK] = model;
  doc.AdjustDimensions(kModelK, TRUE, m, s);
  EXPECT_EQ(Text(m[kModelK]), "K(s) = 4");
  delete s[kSigN];
  delete m[kModelK];
  // The document's own lists still hold the originals.
  EXPECT_EQ(doc.m_signals.GetAt(kSigN), old);
  EXPECT_EQ(doc.m_models.GetAt(kModelK), oldModel);
}

TEST_F(Dimensions, ShrinkingRemovesTrailingElements) {
  SetRight(s[kSigYProc], Matrix(1, {Real(1), Real(2), Real(3)}));
  CQorexDoc::MatchSignalRowsToRows(s[kSigYProc], 1, 1);
  EXPECT_EQ(Signal(kSigYProc), "[1]");
  CQorexDoc::ResizeToMatrix(m[kModelG], 2, 3);
  // The new diagonal cell copies 1 / (s + 1) (shown as "?").
  EXPECT_EQ(Model(kModelG), "[?, 0, 0; 0, ?, 0]");
  CQorexDoc::ResizeToMatrix(m[kModelG], 1, 1);
  EXPECT_EQ(static_cast<const CMcMatrix*>(m[kModelG]->m_children[1])->m_count, 1);
  CQorexDoc::MatchRowsToRows(m[kModelP], 0, 0);  // no size below 1
  EXPECT_EQ(Model(kModelP), "1");
}

}  // namespace
