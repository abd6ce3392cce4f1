// Matrix nodes: shapes and type words, evaluation, the resizers, records,
// layout with fixed metrics and the caret walk through the elements.
#include "BasicTestKinds.h"
#include "FunctionTestSupport.h"
#include "LayoutFixture.h"

#include "MC/MC_GROUP.h"
#include "MC/McKinds.h"

#include <gtest/gtest.h>

#include <set>
#include <utility>

using namespace fntest;

namespace {

// A leaf that counts the live instances, so a test sees what a resizer freed.
class CountedLeaf : public CMcBasic {
 public:
  explicit CountedLeaf(int id) : CMcBasic(0), m_id(id) { ++s_live; }
  ~CountedLeaf() override { --s_live; }
  WORD GetType() const override { return 0x7800; }
  CMcBasic* Clone() const override { return new CountedLeaf(m_id + 100); }
  inline static int s_live = 0;
  int m_id;
};

int Id(const CMcBasic* node) {
  const auto* leaf = dynamic_cast<const CountedLeaf*>(node);
  if (leaf) return leaf->m_id;
  const auto* real = dynamic_cast<const CMcReal*>(node);
  return real && real->m_value == 0 ? 0 : -1;  // 0 marks a new zero cell
}

// A rows x columns matrix of counted leaves numbered 1, 2, ... row by row.
CMcMatrix* Counted(int rows, int columns) {
  std::vector<CMcBasic*> cells;
  for (int i = 0; i < rows * columns; ++i) cells.push_back(new CountedLeaf(i + 1));
  return Matrix(cells, columns);
}

std::vector<int> Ids(const CMcMatrix* m) {
  std::vector<int> ids;
  for (int i = 0; i < m->m_count; ++i) {
    EXPECT_EQ(m->m_children[i]->m_parent, m);
    ids.push_back(Id(m->m_children[i]));
  }
  return ids;
}

}  // namespace

TEST(Matrix, TypeWordsAndNamesFollowTheShape) {
  struct Row {
    int count, columns;
    WORD flags;
    WORD type;
    const char* name;
  };
  const Row rows[] = {
      {1, 1, 0, 0x0501, "Matrix"},
      {3, 3, 0, 0x0502, "Row vector"},
      {3, 1, 0, 0x0503, "Column vector"},
      {4, 2, 0, 0x0501, "Matrix"},
      {4, 2, 0x0100, 0x0504, "Augmented matrix"},
      {4, 2, 0x0200, 0x0501, "Matrix"},  // augmentation not below the column count: ignored
      {0, 1, 0, 0x0503, "Matrix"},
  };
  for (const Row& row : rows) {
    std::vector<CMcBasic*> cells;
    for (int i = 0; i < row.count; ++i) cells.push_back(Real(i));
    std::unique_ptr<CMcMatrix> m(Matrix(cells, row.columns, row.flags));
    EXPECT_EQ(m->GetType(), row.type) << row.count << "/" << row.columns;
    EXPECT_STREQ(m->GetName(), row.name);
  }
}

TEST(Matrix, SingleElementEvaluatesWithItsSignLargerOnesSetTheFlag) {
  g_bEvalError = 0;
  std::unique_ptr<CMcMatrix> one(Matrix({Real(2)}, 1, 1));
  const McComplex v = Eval(one.get());
  EXPECT_EQ(v.re, -2.0);
  EXPECT_TRUE(std::signbit(v.im));
  EXPECT_EQ(g_bEvalError, 0);

  std::unique_ptr<CMcMatrix> four(Matrix({Real(1), Real(2), Real(3), Real(4)}, 2));
  const McComplex w = Eval(four.get());
  EXPECT_EQ(g_bEvalError, 1);
  EXPECT_EQ(w.re, 0.0);
  EXPECT_EQ(w.im, 0.0);

  std::unique_ptr<CMcMatrix> empty(Matrix({}, 1));
  g_bEvalError = 0;
  Eval(empty.get());
  EXPECT_EQ(g_bEvalError, 1);
  g_bEvalError = 0;
}

TEST(Matrix, VectorEvaluation) {
  auto doc = SignalDoc(6, 0.5, 40);
  g_bEvalError = 0;
  std::unique_ptr<CMcMatrix> one(Matrix({Time()}, 1, 1));
  McComplex* v = one->EvaluateVector(doc.get());
  for (int k = 0; k < 6; ++k) EXPECT_DOUBLE_EQ(v[k].re, -0.5 * k);
  delete[] v;
  EXPECT_EQ(g_bEvalError, 0);
  // A larger matrix flags and hands back its first element's values.
  std::unique_ptr<CMcMatrix> two(Matrix({Time(), Real(3)}, 2, 1));
  v = two->EvaluateVector(doc.get());
  EXPECT_EQ(g_bEvalError, 1);
  for (int k = 0; k < 6; ++k) EXPECT_DOUBLE_EQ(v[k].re, 0.5 * k);
  delete[] v;
  std::unique_ptr<CMcMatrix> empty(Matrix({}, 1));
  g_bEvalError = 0;
  delete[] empty->EvaluateVector(doc.get());
  EXPECT_EQ(g_bEvalError, 1);
  g_bEvalError = 0;
}

TEST(MatrixResize, AddColumnsClonesTheDiagonal) {
  // [a; b] grows to [a, 0; b, a'].
  std::unique_ptr<CMcMatrix> m(Counted(2, 1));
  ASSERT_TRUE(m->AddColumns(1));
  EXPECT_EQ(m->GetColumns(), 2);
  EXPECT_EQ(Ids(m.get()), (std::vector<int>{1, 0, 2, 101}));
  // A 3 x 1 matrix grown by two columns keeps a diagonal chain of copies.
  std::unique_ptr<CMcMatrix> tall(Counted(3, 1));
  ASSERT_TRUE(tall->AddColumns(2));
  EXPECT_EQ(Ids(tall.get()), (std::vector<int>{1, 0, 0, 2, 101, 0, 3, 0, 201}));
}

TEST(MatrixResize, AddRowsClonesTheDiagonal) {
  // [a, b] grows to [a, b; 0, a'].
  std::unique_ptr<CMcMatrix> m(Counted(1, 2));
  ASSERT_TRUE(m->AddRows(1));
  EXPECT_EQ(m->GetColumns(), 2);
  EXPECT_EQ(m->m_count, 4);
  EXPECT_EQ(Ids(m.get()), (std::vector<int>{1, 2, 0, 101}));
}

TEST(MatrixResize, OneByOneGrowsToADiagonalController) {
  std::unique_ptr<CMcMatrix> m(Counted(1, 1));
  ASSERT_TRUE(m->AddColumns(2));
  ASSERT_TRUE(m->AddRows(2));
  EXPECT_EQ(Ids(m.get()), (std::vector<int>{1, 0, 0, 0, 101, 0, 0, 0, 201}));
  // The copies are independent nodes.
  EXPECT_NE(m->m_children[4], m->m_children[0]);
}

TEST(MatrixResize, RemovingFreesTheDroppedElements) {
  CountedLeaf::s_live = 0;
  {
    std::unique_ptr<CMcMatrix> m(Counted(2, 3));
    ASSERT_TRUE(m->RemoveColumns(2));
    EXPECT_EQ(CountedLeaf::s_live, 2);
    EXPECT_EQ(m->GetColumns(), 1);
    EXPECT_EQ(Ids(m.get()), (std::vector<int>{1, 4}));
    ASSERT_TRUE(m->RemoveRows(1));
    EXPECT_EQ(CountedLeaf::s_live, 1);
    EXPECT_EQ(Ids(m.get()), (std::vector<int>{1}));
  }
  EXPECT_EQ(CountedLeaf::s_live, 0);
}

TEST(MatrixResize, RequestsThatWouldEmptyOrDoNotFitChangeNothing) {
  std::unique_ptr<CMcMatrix> m(Counted(2, 2));
  EXPECT_FALSE(m->RemoveColumns(2));
  EXPECT_FALSE(m->RemoveRows(2));
  EXPECT_FALSE(m->RemoveRows(0));
  EXPECT_FALSE(m->AddRows(0));
  EXPECT_FALSE(m->AddColumns(-1));
  EXPECT_FALSE(m->AddColumns(70000));
  EXPECT_EQ(Ids(m.get()), (std::vector<int>{1, 2, 3, 4}));
  m->AppendChild(new CountedLeaf(5));  // no longer rectangular
  EXPECT_FALSE(m->AddRows(1));
  EXPECT_FALSE(m->RemoveColumns(1));
}

// ---- records -----------------------------------------------------------------------

TEST(MatrixRecord, RoundTripKeepsElementsColumnsAndLayout) {
  std::unique_ptr<CMcMatrix> m(
      Matrix({Real(1), Real(2.5, 1), Real(3), Real(4), Real(5), Real(6)}, 3, 0x0100));
  m->m_box = {3, 4, 50, 40};
  m->m_baseline = 22;
  m->m_children[1]->m_box = {7, 8, 9, 10};
  std::unique_ptr<CMcBasic> back = LoadWith(&CMcMatrix::Load, Record(m.get()));
  ASSERT_NE(back, nullptr);
  EXPECT_EQ(m->Compare(back.get()), 0);
  EXPECT_EQ(static_cast<CMcMatrix*>(back.get())->GetColumns(), 3);
  EXPECT_EQ(back->m_flags, 0x0100);
  EXPECT_TRUE(SameLayout(m.get(), back.get()));
  // The record ends with the column count.
  const std::vector<BYTE> bytes = Record(m.get());
  EXPECT_EQ(bytes[bytes.size() - 2], 3);
  EXPECT_EQ(bytes[bytes.size() - 1], 0);
}

TEST(MatrixRecord, EmptyMatrixLoadsBack) {
  std::unique_ptr<CMcMatrix> empty(Matrix({}, 1));
  std::unique_ptr<CMcBasic> back = LoadWith(&CMcMatrix::Load, Record(empty.get()));
  ASSERT_NE(back, nullptr);
  EXPECT_EQ(back->m_count, 0);
  EXPECT_EQ(empty->Compare(back.get()), 0);
}

TEST(MatrixRecord, HostileRecordsYieldNoNode) {
  std::unique_ptr<CMcMatrix> m(Matrix({Real(1), Real(2), Real(3), Real(4)}, 2));
  const std::vector<BYTE> good = Record(m.get());
  auto withColumns = [&](WORD columns) {
    std::vector<BYTE> b = good;
    b[b.size() - 2] = static_cast<BYTE>(columns & 0xFF);
    b[b.size() - 1] = static_cast<BYTE>(columns >> 8);
    return b;
  };
  EXPECT_NE(LoadWith(&CMcMatrix::Load, withColumns(4)), nullptr);
  EXPECT_EQ(LoadWith(&CMcMatrix::Load, withColumns(0)), nullptr);
  EXPECT_EQ(LoadWith(&CMcMatrix::Load, withColumns(3)), nullptr);  // 4 elements in rows of 3
  for (size_t cut = 1; cut < good.size(); ++cut)
    EXPECT_EQ(LoadWith(&CMcMatrix::Load, std::vector<BYTE>(good.begin(), good.begin() + cut)),
              nullptr)
        << cut;
  std::vector<BYTE> huge = good;
  huge[4] = 0xFF;  // 65535 elements claimed, four present
  huge[5] = 0xFF;
  EXPECT_EQ(LoadWith(&CMcMatrix::Load, huge), nullptr);
  std::vector<BYTE> badChild = good;
  badChild[25] = 0x77;  // first element of an unknown kind
  EXPECT_EQ(LoadWith(&CMcMatrix::Load, badChild), nullptr);
}

TEST(MatrixRecord, LoadNodeDispatchesMatrixRecords) {
  if (McFindKind(0x0500) == nullptr) GTEST_SKIP() << "the kind table has no matrix row yet";
  std::unique_ptr<CMcMatrix> m(Matrix({Real(1), Real(2)}, 1));
  CArchive in(Record(m.get()));
  std::unique_ptr<CMcBasic> back(CMcBasic::LoadNode(in));
  ASSERT_NE(back, nullptr);
  EXPECT_EQ(back->Compare(m.get()), 0);
}

// ---- layout and caret ------------------------------------------------------------

class MatrixLayout : public LayoutFixture {
 protected:
  static void SetUpTestSuite() { InitGlobalResources(); }
};

TEST_F(MatrixLayout, ColumnsAlignAndRowsShareBaselines) {
  // Fixed metrics at level 0: h = 20, gap g = 5, each element a variable whose
  // width is 10 per character and whose baseline is 16.
  auto var = [](const char* name) { return static_cast<CMcBasic*>(new CMcVariable(name, "", 0)); };
  std::unique_ptr<CMcMatrix> m(Matrix({var("a"), var("bbb"), var("cc"), var("d")}, 2));
  m->Layout(g_pMeasureDC, 0);
  const int g = 5;
  // Columns 20 and 30 wide, two rows of 20, brackets g on each side.
  EXPECT_EQ(m->m_box.width, 20 + 30 + (g + 2) + 2 * g);
  EXPECT_EQ(m->m_box.height, 2 * 20 + (g + 2));
  EXPECT_EQ(m->m_baseline, (47 - 20) / 2 + 16);
  auto centre = [&](int i) {
    return m->m_children[i]->m_box.x * 2 + m->m_children[i]->m_box.width;
  };
  EXPECT_EQ(centre(0), centre(2));  // column 0 centred
  EXPECT_EQ(centre(1), centre(3));
  EXPECT_EQ(m->m_children[0]->m_box.x, g + 5);  // "a" centred in the column of "cc"
  EXPECT_EQ(m->m_children[2]->m_box.x, g);
  EXPECT_EQ(m->m_children[1]->m_box.x, g + 20 + g + 2);
  EXPECT_EQ(m->m_children[0]->m_box.y, m->m_children[1]->m_box.y);
  EXPECT_EQ(m->m_children[2]->m_box.y, 20 + g + 2);
}

TEST_F(MatrixLayout, AugmentationBarTakesAColumnGap) {
  auto cells = [] {
    std::vector<CMcBasic*> c;
    for (int i = 0; i < 4; ++i) c.push_back(new CMcVariable("x", "", 0));
    return c;
  };
  std::unique_ptr<CMcMatrix> plain(Matrix(cells(), 2));
  std::unique_ptr<CMcMatrix> augmented(Matrix(cells(), 2, 0x0100));
  plain->Layout(g_pMeasureDC, 0);
  augmented->Layout(g_pMeasureDC, 0);
  EXPECT_EQ(augmented->m_box.width, plain->m_box.width + 5 + 2);
  EXPECT_EQ(augmented->m_children[1]->m_box.x, plain->m_children[1]->m_box.x + 5 + 2);
}

TEST_F(MatrixLayout, DeterminantDrawsTheBarsOfAPlainMatrix) {
  // Under a determinant an unsigned plain matrix leaves out its bracket room;
  // a signed one keeps it.
  for (WORD sign : {0, 1}) {
    TestNode det(0x0801);
    CMcMatrix* m = Matrix({Real(1), Real(2)}, 2, sign);
    det.AppendChild(m);
    m->Layout(g_pMeasureDC, 0);
    std::unique_ptr<CMcMatrix> alone(Matrix({Real(1), Real(2)}, 2, sign));
    alone->Layout(g_pMeasureDC, 0);
    EXPECT_EQ(m->m_box.width, alone->m_box.width - (sign ? 0 : 2 * 5)) << sign;
  }
}

TEST_F(MatrixLayout, AugmentationBarStandsBetweenTheColumns) {
  std::unique_ptr<CMcMatrix> m(Matrix({Real(1), Real(2), Real(3), Real(4)}, 2, 0x0100));
  m->Layout(g_pMeasureDC, 0);
  auto dc = MakeCanvas(200, 100);
  m->Draw(dc.get(), 10, 10);
  const CMcBasic* left = m->m_children[0];
  const CMcBasic* right = m->m_children[1];
  // One column of ink in the gap between the columns, spanning the height.
  const int from = 10 + left->m_box.x + left->m_box.width, to = 10 + right->m_box.x;
  int bars = 0;
  for (int x = from; x < to; ++x)
    if (IsInk(dc.get(), x, 10) && IsInk(dc.get(), x, 10 + m->m_box.height - 1)) ++bars;
  EXPECT_EQ(bars, 1);
}

TEST_F(MatrixLayout, MoreThanSixteenElementsAreSetOneLevelSmaller) {
  for (int count : {16, 17}) {
    std::vector<CMcBasic*> c;
    for (int i = 0; i < count; ++i) c.push_back(Real(i));
    std::unique_ptr<CMcMatrix> m(Matrix(c, 1));
    m->Layout(g_pMeasureDC, 0);
    EXPECT_EQ(m->m_children[0]->GetLevel(), count == 16 ? 0 : 1);
  }
}

TEST_F(MatrixLayout, DrawsBracketsAroundTheElements) {
  std::unique_ptr<CMcMatrix> m(Matrix({Real(1), Real(2)}, 1));
  m->Layout(g_pMeasureDC, 0);
  auto dc = MakeCanvas(200, 200);
  m->Draw(dc.get(), 10, 10);
  const int H = m->m_box.height, W = m->m_box.width;
  // Left bracket: a vertical stroke at x + 1 from top to bottom.
  EXPECT_TRUE(IsInk(dc.get(), 10 + 1, 10 + H / 2));
  EXPECT_TRUE(IsInk(dc.get(), 10 + W - 1, 10 + H / 2));
  EXPECT_FALSE(IsInk(dc.get(), 10 + W + 2, 10 + H / 2));
}

TEST(MatrixCaret, WalkingRightCrossesARowAndLeavesTheMatrix) {
  std::vector<CMcBasic*> cells;
  for (int i = 0; i < 6; ++i) cells.push_back(Real(i + 1));
  CMcMatrix* m = Matrix(cells, 3);
  CMcGroup group(m, "", 0);
  // From each row's first element the caret visits both sides of every
  // element of the row, then the matrix's right side, then stops at the group.
  for (int row = 0; row < 2; ++row) {
    std::set<std::pair<const CMcBasic*, int>> seen;
    McCursor c;
    c.node = m->m_children[row * 3];
    c.side = 0;
    int steps = 0;
    for (; steps < 100; ++steps) {
      c.fromSide = c.side;
      c.origin = c.node;
      if (!c.node->Navigate(kMcRight, 0, &c)) break;
      seen.insert({c.node, c.side});
    }
    EXPECT_EQ(steps, 6);
    for (int i = row * 3; i < row * 3 + 3; ++i) EXPECT_TRUE(seen.count({m->m_children[i], 1})) << i;
    EXPECT_TRUE(seen.count({m, 1}));
  }
}

TEST(MatrixCaret, ArrowsMoveBetweenNeighbours) {
  std::vector<CMcBasic*> cells;
  for (int i = 0; i < 6; ++i) cells.push_back(Real(i + 1));
  CMcMatrix* m = Matrix(cells, 3);
  CMcGroup group(m, "", 0);
  auto step = [&](int from, int side, int direction) {
    McCursor c;
    c.node = c.origin = m->m_children[from];
    c.side = c.fromSide = static_cast<BYTE>(side);
    const BOOL moved = c.node->Navigate(direction, 0, &c);
    return std::make_tuple(moved, m->IndexOfChild(c.node), static_cast<int>(c.side), c.node == m);
  };
  EXPECT_EQ(step(1, 1, kMcDown), std::make_tuple(TRUE, 4, 1, false));
  EXPECT_EQ(step(4, 0, kMcUp), std::make_tuple(TRUE, 1, 0, false));
  EXPECT_EQ(step(1, 0, kMcLeft), std::make_tuple(TRUE, 0, 1, false));
  EXPECT_EQ(step(1, 1, kMcRight), std::make_tuple(TRUE, 2, 0, false));
  EXPECT_EQ(step(3, 0, kMcLeft),
            std::make_tuple(TRUE, -1, 0, true));  // first column: matrix's left
  EXPECT_EQ(step(2, 1, kMcRight),
            std::make_tuple(TRUE, -1, 1, true));     // last column: matrix's right
  EXPECT_EQ(std::get<0>(step(0, 0, kMcUp)), FALSE);  // the group ends the climb
  EXPECT_EQ(std::get<0>(step(5, 1, kMcDown)), FALSE);
  // Walking every cell from every side in every direction always ends.
  for (int i = 0; i < 6; ++i)
    for (int side = 0; side < 2; ++side)
      for (int d = 0; d < 4; ++d) step(i, side, d);
}
