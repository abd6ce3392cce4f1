// The operator node's matrix operations: the determinant written out, the
// adjugate, the transpose and the average, checked against numbers computed
// another way (Gaussian elimination, A adj(A) = det(A) I) and against the
// worked 2 x 2 and 4 x 4 examples; refused input comes back wrapped.
#include "SymbolicTestSupport.h"

using namespace mctest;

namespace {

using Numbers = std::vector<double>;

CMcMatrix* NumberMatrix(const Numbers& a, int columns, WORD flags = 0) {
  std::vector<CMcBasic*> cells;
  for (double v : a) cells.push_back(Real(v));
  return Matrix(columns, cells, flags);
}

// The determinant by Gaussian elimination with partial pivoting.
double Determinant(Numbers a, int n) {
  double det = 1;
  for (int c = 0; c < n; ++c) {
    int pivot = c;
    for (int r = c + 1; r < n; ++r)
      if (std::abs(a[r * n + c]) > std::abs(a[pivot * n + c])) pivot = r;
    if (a[pivot * n + c] == 0) return 0;
    if (pivot != c) {
      for (int k = 0; k < n; ++k) std::swap(a[c * n + k], a[pivot * n + k]);
      det = -det;
    }
    det *= a[c * n + c];
    for (int r = c + 1; r < n; ++r) {
      const double f = a[r * n + c] / a[c * n + c];
      for (int k = c; k < n; ++k) a[r * n + k] -= f * a[c * n + k];
    }
  }
  return det;
}

Numbers RandomNumbers(std::mt19937& rng, int count) {
  std::uniform_real_distribution<double> value(-2.0, 2.0);
  Numbers a(count);
  for (double& v : a) v = value(rng);
  return a;
}

double Value(const CMcBasic* tree) {
  const McComplex v = Eval(tree);
  EXPECT_EQ(v.im, 0.0);
  return v.re;
}

bool IsOperator(const CMcBasic* node, int code) {
  return McIsKind(node, kMcOperator) && static_cast<const CMcOperator*>(node)->GetCode() == code;
}

CMcBasic* V(const char* name) {
  return Variable(name);
}

}  // namespace

// A minus on the matrix negates every element: det(-A) = (-1)^n det(A).
TEST(MatrixOps, ExpandedDeterminantsOfRandomMatricesAgreeWithElimination) {
  std::mt19937 rng(TestSeed());
  for (int n = 1; n <= 8; ++n) {
    for (const WORD sign : {0, 1}) {
      SCOPED_TRACE(testing::Message() << n << " x " << n << (sign ? ", negated" : ""));
      Numbers a = RandomNumbers(rng, n * n);
      NodePtr det(CMcOperator::ExpandDeterminant(NumberMatrix(a, n, sign)));
      EXPECT_FALSE(McIsKind(det.get(), kMcOperator));
      EXPECT_TRUE(ParentsRight(det.get()));
      if (sign)
        for (double& v : a) v = -v;
      const double expected = Determinant(a, n);
      EXPECT_NEAR(Value(det.get()), expected, 1e-9 * std::max(1.0, std::abs(expected)));
    }
  }
}

TEST(MatrixOps, AdjugateTimesTheMatrixIsTheDeterminantTimesIdentity) {
  std::mt19937 rng(TestSeed());
  for (int n = 1; n <= 5; ++n) {
    for (const WORD sign : {0, 1}) {
      SCOPED_TRACE(testing::Message() << n << " x " << n << (sign ? ", negated" : ""));
      Numbers a = RandomNumbers(rng, n * n);
      NodePtr adjugate(CMcOperator::MakeAdjoint(NumberMatrix(a, n, sign)));
      ASSERT_TRUE(McIsKind(adjugate.get(), kMcMatrix));
      ASSERT_EQ(adjugate->m_count, n * n);
      EXPECT_TRUE(ParentsRight(adjugate.get()));
      if (sign)
        for (double& v : a) v = -v;
      // The adjugate's own minus negates its elements.
      const double outside = adjugate->GetSign() & 1 ? -1 : 1;
      const double det = Determinant(a, n);
      for (int i = 0; i < n; ++i) {
        for (int j = 0; j < n; ++j) {
          double sum = 0;
          for (int k = 0; k < n; ++k)
            sum += outside * Value(adjugate->m_children[i * n + k]) * a[k * n + j];
          EXPECT_NEAR(sum, i == j ? det : 0.0, 1e-9 * std::max(1.0, std::abs(det)));
        }
      }
    }
  }
}

// [a b; c d]: the determinant a d - b c and the adjugate [d -b; -c a], the
// same node rearranged; a 4 x 4 matrix whose first column is 0 expands to a
// sum of four zeros.
TEST(MatrixOps, TwoByTwoAndAZeroFirstColumn) {
  auto abcd = [] { return Matrix(2, {V("a"), V("b"), V("c"), V("d")}); };
  NodePtr det(CMcOperator::ExpandDeterminant(abcd()));
  NodePtr expected(Sum({Prod({V("a"), V("d")}), Prod({V("b"), V("c")}, 1)}));
  EXPECT_EQ(det->Compare(expected.get()), 0) << Infix(det.get());

  CMcBasic* matrix = abcd();
  NodePtr adjugate(CMcOperator::MakeAdjoint(matrix));
  EXPECT_EQ(adjugate.get(), matrix);
  NodePtr expectedAdjugate(Matrix(2, {V("d"), Variable("b", 1), Variable("c", 1), V("a")}));
  EXPECT_EQ(adjugate->Compare(expectedAdjugate.get()), 0) << Infix(adjugate.get());

  std::vector<CMcBasic*> cells;
  for (int i = 0; i < 16; ++i) cells.push_back(i % 4 == 0 ? Real(0) : V("x"));
  NodePtr zero(CMcOperator::ExpandDeterminant(Matrix(4, cells)));
  NodePtr fourZeros(Sum({Real(0), Real(0), Real(0), Real(0)}));
  EXPECT_EQ(zero->Compare(fourZeros.get()), 0) << Infix(zero.get());
}

TEST(MatrixOps, TransposeAndAverage) {
  NodePtr original(Matrix(3, {V("a"), V("b"), V("c"), V("d"), V("e"), V("f")}));
  CMcBasic* once = CMcOperator::MakeTranspose(original->Clone());
  NodePtr expected(Matrix(2, {V("a"), V("d"), V("b"), V("e"), V("c"), V("f")}));
  EXPECT_EQ(once->Compare(expected.get()), 0) << Infix(once);
  NodePtr twice(CMcOperator::MakeTranspose(once));
  EXPECT_EQ(twice->Compare(original.get()), 0);
  EXPECT_TRUE(ParentsRight(twice.get()));

  NodePtr mean(CMcOperator::MakeAverage(NumberMatrix({1, 2, 3, 6}, 2)));
  NodePtr three(Real(3));
  EXPECT_EQ(mean->Compare(three.get()), 0) << Infix(mean.get());
  NodePtr symbolic(CMcOperator::MakeAverage(Matrix(2, {Real(1), V("x")})));
  EXPECT_TRUE(IsOperator(symbolic.get(), CMcOperator::kAverage));
  EXPECT_TRUE(McIsKind(symbolic->m_children[0], kMcMatrix));
}

// Matrices the operations cannot take (no columns, no elements, elements
// that do not fill the rows, an augmented matrix, too large an order, or not
// a matrix at all) come back wrapped in the operation's operator; the
// adjugate of a plain matrix that is not square is NaN.
TEST(MatrixOps, RefusedNodesComeBackWrapped) {
  using Operation = CMcBasic* (*)(CMcBasic*);
  const struct {
    Operation operation;
    int code;
  } operations[] = {{CMcOperator::MakeAverage, CMcOperator::kAverage},
                    {CMcOperator::MakeTranspose, CMcOperator::kTranspose},
                    {CMcOperator::MakeAdjoint, CMcOperator::kAdjoint},
                    {CMcOperator::ExpandDeterminant, CMcOperator::kDeterminant}};
  const std::pair<const char*, NodePtr> refused[] = {
      {"no columns", NodePtr(Matrix(0, {Real(1), Real(2)}))},
      {"no elements", NodePtr(Matrix(1, {}))},
      {"a row left short", NodePtr(Matrix(2, {Real(1), Real(2), Real(3)}))},
      {"augmented", NodePtr(Matrix(2, {Real(1), Real(2), Real(3), Real(4)}, 0x100))},
      {"not a matrix", NodePtr(V("x"))},
  };
  for (const auto& op : operations) {
    for (const auto& [name, shape] : refused) {
      SCOPED_TRACE(name);
      CMcBasic* node = shape->Clone();
      NodePtr result(op.operation(node));
      EXPECT_TRUE(IsOperator(result.get(), op.code)) << Infix(result.get());
      EXPECT_EQ(result->m_children[0], node);
    }
  }
  std::vector<CMcBasic*> cells;
  for (int i = 0; i < 81; ++i) cells.push_back(Real(i % 10 == 0 ? 1 : 0));
  NodePtr nine(Matrix(9, cells));
  NodePtr det(CMcOperator::ExpandDeterminant(nine->Clone()));
  EXPECT_TRUE(IsOperator(det.get(), CMcOperator::kDeterminant));
  NodePtr adjugate(CMcOperator::MakeAdjoint(nine->Clone()));
  EXPECT_TRUE(IsOperator(adjugate.get(), CMcOperator::kAdjoint));

  NodePtr notSquare(CMcOperator::MakeAdjoint(NumberMatrix({1, 2, 3, 4, 5, 6}, 3)));
  ASSERT_TRUE(McIsKind(notSquare.get(), kMcReal));
  EXPECT_TRUE(std::isnan(static_cast<CMcReal*>(notSquare.get())->m_value));
  NodePtr column(CMcOperator::ExpandDeterminant(NumberMatrix({1, 2}, 1)));
  EXPECT_TRUE(IsOperator(column.get(), CMcOperator::kDeterminant));
}
