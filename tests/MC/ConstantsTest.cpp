// Written complex constants: reading them, writing values back with snapping,
// min and max of constant lists, and the tree queries.
#include "McTestSupport.h"

#include "MC/McConstants.h"

#include <limits>

using namespace mctest;

namespace {

// A tree of numbers, variables, products and sums as text that shows every
// sign and the order of the factors: -(2+(4*j)) is a negated sum, (1,0) a
// matrix. A variable is written with a '?' unless it is exactly the constant j.
std::string Text(const CMcBasic* node) {
  static const char* const kSigns[] = {"", "-", "+-", "-+"};
  std::string s = kSigns[node->GetSign()];
  char number[40];
  if (node->GetType() == McTypeWord(kMcReal)) {
    std::snprintf(number, sizeof number, "%.17g", static_cast<const CMcReal*>(node)->m_value);
    return s + number;
  }
  if (McIsKind(node, kMcVariable)) {
    const auto* v = static_cast<const CMcVariable*>(node);
    const bool j =
        (node->m_flags & ~kMcSignMask) == 0x100 && std::strcmp(v->GetSubscript(), "") == 0;
    return s + v->GetVarName() + (j ? "" : "?");
  }
  const char* op = node->GetType() == McTypeWord(kMcListmult, 1) ? "*"
                   : node->GetType() == McTypeWord(kMcListsum)   ? "+"
                   : McIsKind(node, kMcMatrix)                   ? ","
                                                                 : "?";
  s += "(";
  for (int i = 0; i < node->m_count; ++i) {
    if (i > 0) s += op;
    s += Text(node->m_children[i]);
  }
  return s + ")";
}

// The texts of a node's children, each followed by a blank.
std::string ChildTexts(const CMcBasic* node) {
  std::string s;
  for (int i = 0; i < node->m_count; ++i) s += Text(node->m_children[i]) + " ";
  return s;
}

std::string Written(double re, double im, WORD flags = 0, bool unitFirst = false) {
  NodePtr tree(unitFirst ? McValueToExpression2(re, im, flags)
                         : McValueToExpression(re, im, flags));
  return Text(tree.get());
}

class SnapTolerance {
 public:
  explicit SnapTolerance(double tolerance) : m_saved(g_dSnapTolerance) {
    g_dSnapTolerance = tolerance;
  }
  ~SnapTolerance() { g_dSnapTolerance = m_saved; }

 private:
  double m_saved;
};

CMcBasic* J(WORD flags = 0x100, const char* subscript = "") {
  return new CMcVariable("j", subscript, flags);
}

}  // namespace

TEST(Constants, ValuesWrittenAsTheSmallestConstant) {
  const double inf = std::numeric_limits<double>::infinity();
  const double snap = 1.01e-15;
  const struct {
    double re, im;
    WORD flags;
    bool unitFirst;
    double tolerance;
    const char* text;
  } rows[] = {
      {3, 0, 0, false, snap, "3"},
      {-3, 0, 0, false, snap, "-3"},
      {0, 0, 1, false, snap, "0"},
      {0, 1, 0, false, snap, "j"},
      {0, -1, 0, false, snap, "-j"},
      {2, -4, 0, false, snap, "(2+-(4*j))"},
      {2, -4, 0, true, snap, "(2+-(j*4))"},
      {2, 3, 1, false, snap, "(-2+-(3*j))"},  // bit 0 negates both parts
      {2, 3, 2, false, snap, "+-(2+(3*j))"},  // bit 1 marks the whole plus-minus
      {0, 1, 3, true, snap, "-+j"},
      {kNaN, 1, 1, false, snap, "-nan"},  // a NaN sum is one number, nothing more
      {1, -inf, 0, true, snap, "(1+-(j*inf))"},
      {2.9999999999999996, 0, 0, false, snap, "3"},
      {1e-17, 2, 0, false, snap, "(2*j)"},  // the real part vanishes
      {2.5, 0, 0, false, snap, "2.5"},
      {2.9999999999999996, 0, 0, false, 0, "2.9999999999999996"},
      {1e-17, 2, 0, false, 0, "(1.0000000000000001e-17+(2*j))"},
  };
  for (const auto& row : rows) {
    SnapTolerance tolerance(row.tolerance);
    EXPECT_EQ(Written(row.re, row.im, row.flags, row.unitFirst), row.text)
        << row.re << ", " << row.im << " flags " << row.flags << " tolerance " << row.tolerance;
  }
}

TEST(Constants, WrittenConstantsReadBack) {
  const struct {
    const char* what;
    CMcBasic* tree;
    bool constant;
    McComplex value;
  } rows[] = {
      {"2 + 3j", Sum({Real(2), Prod({Real(3), J()})}), true, {2, 3}},
      {"3j + 2", Sum({Prod({Real(3), J()}), Real(2)}), true, {2, 3}},
      {"-j", J(0x101), true, {0, -1}},
      {"-(2j)", Prod({Real(2), J()}, 1), true, {0, -2}},
      {"-(2 + 3j)", Sum({Real(2), Prod({Real(3), J()})}, 1), true, {-2, -3}},
      {"2 + (-3)j", Sum({Real(2), Prod({Real(-3), J()})}), true, {2, -3}},
      {"-(-2 - j(-3))", Sum({Real(-2), Prod({J(), Real(-3)}, 1)}, 1), true, {2, -3}},
      {"2 * 3", Prod({Real(2), Real(3)}), false, {}},
      {"j * j", Prod({J(), J()}), false, {}},
      {"2 + 3", Sum({Real(2), Real(3)}), false, {}},
      {"1 + 2 + 3j", Sum({Real(1), Real(2), Prod({Real(3), J()})}), false, {}},
      {"+-2", Real(2, 2), false, {}},
      {"2 + (+-j)", Sum({Real(2), J(0x102)}), false, {}},
      {"j with a subscript", J(0x100, "1"), false, {}},
      {"variable j", J(0), false, {}},
      {"3 x", Prod({Real(3), Variable("x")}), false, {}},
  };
  for (const auto& row : rows) {
    NodePtr tree(row.tree);
    McComplex value{-99, -99};
    EXPECT_EQ(McConstantValue(tree.get(), &value) != FALSE, row.constant) << row.what;
    if (row.constant) {
      EXPECT_EQ(value.re, row.value.re) << row.what;
      EXPECT_EQ(value.im, row.value.im) << row.what;
    }
  }
}

// What a written value must read back as: each part rounded when it lies
// within the tolerance of a whole number, then negated by flag bit 0.
TEST(Constants, WrittenValuesReadBackSnapped) {
  const unsigned seed = TestSeed();
  SCOPED_TRACE("seed " + std::to_string(seed));
  std::mt19937 rng(seed);
  std::uniform_real_distribution<double> spread(-1e3, 1e3);
  const double tolerance = 1.01e-15;
  SnapTolerance snap(tolerance);
  // Parts of every sort: plain, whole, within an ulp of whole, zero, one, tiny.
  auto part = [&]() -> double {
    const double v = spread(rng);
    const double sorts[] = {v,    std::round(v), std::nextafter(std::round(v / 100), v), 0.0, 1.0,
                            -1.0, v * 1e-16};
    return sorts[rng() % 7];
  };
  auto expected = [&](double v) {
    return std::fabs(v - std::round(v)) <= tolerance ? std::round(v) : v;
  };
  for (int i = 0; i < 2000; ++i) {
    const double re = part(), im = part();
    const WORD flags = static_cast<WORD>(rng() % 2);
    NodePtr tree(i % 2 ? McValueToExpression2(re, im, flags) : McValueToExpression(re, im, flags));
    McComplex value{};
    ASSERT_TRUE(McConstantValue(tree.get(), &value))
        << re << ", " << im << ": " << Text(tree.get());
    const double sign = flags ? -1.0 : 1.0;
    EXPECT_EQ(value.re, sign * expected(re)) << std::hexfloat << re << ", " << im;
    EXPECT_EQ(value.im, sign * expected(im)) << std::hexfloat << re << ", " << im;
  }
}

TEST(Constants, MatrixValuesAndBack) {
  NodePtr matrix(Matrix(2, {Real(1), Prod({Real(2), J()}), J(0x101), Sum({Real(-3), J()})}));
  int columns = 0, count = 0;
  Values values(McConstantValues(matrix.get(), &columns, &count));
  ASSERT_NE(values, nullptr);
  EXPECT_EQ(columns, 2);
  EXPECT_EQ(count, 4);
  NodePtr back(McValuesToMatrix(values.get(), 2, count, 0));
  EXPECT_EQ(static_cast<CMcMatrix*>(back.get())->GetColumns(), 2);
  EXPECT_EQ(ChildTexts(back.get()), "1 (j*2) -j (-3+j) ");
  EXPECT_EQ(back->m_children[3]->m_parent, back.get());

  NodePtr mixed(Matrix(2, {Real(1), Variable("x")}));
  EXPECT_EQ(Values(McConstantValues(mixed.get(), &columns, &count)), nullptr);
}

TEST(Constants, MinAndMaxOfConstantLists) {
  auto augmented = [] { return Matrix(2, {Real(1), Real(2)}, 0x0100); };
  const struct {
    const char* what;
    bool max;
    CMcBasic* list;
    const char* result;
  } rows[] = {
      {"real parts compare signed", false, Matrix(3, {Real(3), Real(-5), Real(2)}), "-5"},
      {"moduli when complex", false, Matrix(2, {Real(3), Prod({Real(4), J()})}), "3"},
      {"largest modulus", true, Matrix(2, {Real(3), Prod({Real(4), J()})}), "(j*4)"},
      {"first of equal sizes", false, Matrix(2, {Prod({Real(3), J()}), Real(3)}), "(j*3)"},
      {"the list's sign", false, Matrix(2, {Real(3), Real(-5)}, 1), "5"},
      {"not constant", false, Matrix(2, {Variable("x"), Real(2)}), "min"},
      {"no elements", true, Matrix(1, {}), "max"},
      {"not a list", false, Real(2), "min"},
      {"augmented", false, augmented(), "min"},
  };
  for (const auto& row : rows) {
    NodePtr result(row.max ? McFoldMax(row.list) : McFoldMin(row.list));
    if (McIsKind(result.get(), kMcFunction)) {
      const auto* f = static_cast<const CMcFunction*>(result.get());
      EXPECT_STREQ(f->GetFunctionName(), row.result) << row.what;
      EXPECT_EQ(f->GetArgument(), row.list) << row.what;  // the list itself, wrapped
    } else {
      EXPECT_EQ(Text(result.get()), row.result) << row.what;
    }
  }
}

TEST(Constants, PathsToAPattern) {
  NodePtr sum(Sum({Variable("x"), Fn("sin", Variable("x"))}));
  NodePtr minusX(Variable("x", 1)), y(new CMcVariable("y", "", 0));
  NodePtr paths(McFindPaths(sum.get(), minusX.get()));
  EXPECT_EQ(Text(paths.get()), "((0),(1,0))");
  EXPECT_EQ(static_cast<CMcMatrix*>(paths.get())->GetColumns(), 1);
  EXPECT_EQ(static_cast<CMcMatrix*>(paths->m_children[1])->GetColumns(), 2);
  EXPECT_EQ(Text(NodePtr(McFindPaths(sum.get(), y.get())).get()), "nan");
  EXPECT_EQ(Text(NodePtr(McFindPaths(sum->m_children[0], minusX.get())).get()), "((nan))");
}

TEST(Constants, TreeQueries) {
  // x + sin(-x) + j 2 with a constant j
  NodePtr tree(Sum({Variable("x"), Fn("sin", Variable("x", 1)), Prod({J(), Real(2)})}));
  NodePtr x(Variable("x"));
  EXPECT_EQ(McCountNodes(tree.get()), 7);
  EXPECT_EQ(McTreeDepth(tree.get()), 3);
  EXPECT_EQ(McCountOccurrences(tree.get(), x.get()), 2);
  EXPECT_EQ(McFindFreeVariable(tree.get()), tree->m_children[0]);
  EXPECT_EQ(McFindFreeVariable(tree->m_children[2]), nullptr);  // j is a constant

  CMXC_BIN matches;
  McCollectMatches(tree.get(), x.get(), &matches);
  ASSERT_EQ(matches.GetCount(), 2);
  EXPECT_EQ(matches.GetAt(1), tree->m_children[1]->m_children[0]);  // the node, not a copy

  NodePtr variables(Matrix(1, {})), constants(Matrix(1, {}));
  McCollectKind(tree.get(), McTypeWord(kMcVariable), 0, 0, variables.get());
  McCollectKind(tree.get(), McTypeWord(kMcVariable), 0x101, 1, constants.get());
  EXPECT_EQ(ChildTexts(variables.get()), "x? x? j ");  // signs cleared
  EXPECT_EQ(ChildTexts(constants.get()), "j ");
  EXPECT_EQ(McCountNodes(tree.get()), 7);  // the tree is unchanged
}
