// Matrix nodes: type words, evaluation, the resizers and layout with fixed
// metrics.
#include "McTestSupport.h"

using namespace mctest;

namespace {

// A leaf that counts the live instances, so a test sees what a resizer freed.
class CountedLeaf : public CMcBasic {
 public:
  explicit CountedLeaf(int id) : CMcBasic(0), m_id(id) { ++s_live; }
  ~CountedLeaf() override { --s_live; }
  WORD GetType() const override { return kUnknownType; }
  CMcBasic* Clone() const override { return new CountedLeaf(m_id + 100); }
  inline static int s_live = 0;
  int m_id;
};

// A rows x columns matrix of counted leaves numbered 1, 2, ... row by row.
CMcMatrix* Counted(int rows, int columns) {
  std::vector<CMcBasic*> cells;
  for (int i = 0; i < rows * columns; ++i) cells.push_back(new CountedLeaf(i + 1));
  return Matrix(columns, cells);
}

// The ids of the elements, 0 for a new zero cell; checks the parent links.
std::vector<int> Ids(const CMcMatrix* m) {
  std::vector<int> ids;
  for (int i = 0; i < m->m_count; ++i) {
    EXPECT_EQ(m->m_children[i]->m_parent, m);
    const auto* leaf = dynamic_cast<const CountedLeaf*>(m->m_children[i]);
    const auto* real = dynamic_cast<const CMcReal*>(m->m_children[i]);
    ids.push_back(leaf ? leaf->m_id : real && real->m_value == 0 ? 0 : -1);
  }
  return ids;
}

}  // namespace

// The type word, which every record stores, follows the shape; an
// augmentation not below the column count is ignored.
TEST(Matrix, TypeWordsFollowTheShape) {
  const struct {
    int count, columns;
    WORD flags, type;
  } rows[] = {{1, 1, 0, McTypeWord(kMcMatrix, CMcMatrix::kPlain)},
              {3, 3, 0, McTypeWord(kMcMatrix, CMcMatrix::kRowVector)},
              {3, 1, 0, McTypeWord(kMcMatrix, CMcMatrix::kColumnVector)},
              {4, 2, 0, McTypeWord(kMcMatrix, CMcMatrix::kPlain)},
              {4, 2, 0x0100, McTypeWord(kMcMatrix, CMcMatrix::kAugmented)},
              {4, 2, 0x0200, McTypeWord(kMcMatrix, CMcMatrix::kPlain)}};
  for (const auto& row : rows) {
    std::vector<CMcBasic*> cells;
    for (int i = 0; i < row.count; ++i) cells.push_back(Real(i + 1));
    std::unique_ptr<CMcMatrix> m(Matrix(row.columns, cells, row.flags));
    EXPECT_EQ(m->GetType(), row.type) << row.count << "/" << row.columns << " " << row.flags;
  }
}

// A 1 x 1 matrix is its element (with its own sign); a larger or empty one
// has no value: the flag, and 0 or the first element's samples.
TEST(Matrix, OnlyASingleElementEvaluates) {
  auto doc = SignalDoc(6, 0.5, 40);
  std::unique_ptr<CMcMatrix> one(Matrix(1, {Time()}, 1)), two(Matrix(2, {Time(), Real(3)}, 1));
  std::unique_ptr<CMcMatrix> empty(Matrix(1, {}));
  g_bEvalError = 0;
  EXPECT_DOUBLE_EQ(EvalAt(one.get(), doc.get(), 3).re, -1.5);
  Values v(one->EvaluateVector(doc.get()));
  for (int k = 0; k < 6; ++k) EXPECT_DOUBLE_EQ(v[k].re, -0.5 * k);
  EXPECT_FALSE(TakeEvalError());
  for (CMcMatrix* m : {two.get(), empty.get()}) {
    const McComplex w = Eval(m, doc.get());
    EXPECT_TRUE(w.re == 0.0 && w.im == 0.0);
    EXPECT_TRUE(TakeEvalError());
    v.reset(m->EvaluateVector(doc.get()));
    EXPECT_TRUE(TakeEvalError());
  }
  v.reset(two->EvaluateVector(doc.get()));
  for (int k = 0; k < 6; ++k) EXPECT_DOUBLE_EQ(v[k].re, 0.5 * k);
}

// Growing clones the diagonal chain: [a; b] grows to [a, 0; b, a'].
TEST(MatrixResize, AddingClonesTheDiagonal) {
  const struct {
    int rows, columns, addRows, addColumns;
    std::vector<int> ids;
  } cases[] = {
      {2, 1, 0, 1, {1, 0, 2, 101}},
      {3, 1, 0, 2, {1, 0, 0, 2, 101, 0, 3, 0, 201}},
      {1, 2, 1, 0, {1, 2, 0, 101}},
      {1, 1, 2, 2, {1, 0, 0, 0, 101, 0, 0, 0, 201}},
  };
  for (const auto& c : cases) {
    std::unique_ptr<CMcMatrix> m(Counted(c.rows, c.columns));
    EXPECT_TRUE(c.addColumns == 0 || m->AddColumns(c.addColumns));
    EXPECT_TRUE(c.addRows == 0 || m->AddRows(c.addRows));
    EXPECT_EQ(m->GetColumns(), c.columns + c.addColumns);
    EXPECT_EQ(Ids(m.get()), c.ids) << c.rows << "x" << c.columns;
  }
}

TEST(MatrixResize, RemovingFreesTheDroppedElements) {
  CountedLeaf::s_live = 0;
  {
    std::unique_ptr<CMcMatrix> m(Counted(2, 3));
    ASSERT_TRUE(m->RemoveColumns(2));
    EXPECT_EQ(CountedLeaf::s_live, 2);
    EXPECT_EQ(Ids(m.get()), (std::vector<int>{1, 4}));
    ASSERT_TRUE(m->RemoveRows(1));
    EXPECT_EQ(CountedLeaf::s_live, 1);
    EXPECT_EQ(Ids(m.get()), (std::vector<int>{1}));
  }
  EXPECT_EQ(CountedLeaf::s_live, 0);
}

using MatrixLayout = LayoutFixture;

// h = 20, gap g = 5, variables 10 wide per character with baseline 16:
// columns 20 and 30 wide ("a" centred over "cc"), rows 20 high sharing their
// baselines, g + 2 between columns and rows, brackets g on each side; an
// augmentation bar takes one more column gap.
TEST_F(MatrixLayout, ColumnsAlignAndRowsShareBaselines) {
  for (WORD flags : {0x0000, 0x0100}) {
    std::unique_ptr<CMcMatrix> m(Matrix(2,
                                        {new CMcVariable("a", "", 0), new CMcVariable("bbb", "", 0),
                                         new CMcVariable("cc", "", 0), new CMcVariable("d", "", 0)},
                                        flags));
    m->Layout(g_pMeasureDC, kMcLayoutFromTop);
    EXPECT_EQ(Geometry(m.get()),
              flags ? "74x47/29 10,0 39,0 5,27 49,27" : "67x47/29 10,0 32,0 5,27 42,27");
  }
}
