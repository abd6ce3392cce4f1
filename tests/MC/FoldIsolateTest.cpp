// Constant folding of roots, logarithms, operators, derivatives and
// integrals; isolation across a relation for functions, roots, logarithms,
// derivatives and integrals; substitution; and the base recursion of
// Perform, Tidy and Substitute through kinds that keep it.
#include "SymbolicTestSupport.h"

#include "MC/McConstants.h"

using namespace mctest;

namespace {

CMcBasic* X(WORD flags = 0) {
  return Variable("x", flags);
}
CMcBasic* Y(WORD flags = 0) {
  return Variable("y", flags);
}
CMcBasic* Op(int code, CMcBasic* operand, WORD sign = 0) {
  return new CMcOperator(operand, CMcOperator::Flags(code, sign));
}
CMcBasic* Root(CMcBasic* radicand, CMcBasic* degree, WORD flags = 0) {
  return new CMcRoot(radicand, degree, flags);
}
CMcBasic* Log(CMcBasic* argument, CMcBasic* base, WORD flags = 0) {
  return new CMcLog(argument, base, flags);
}
CMcBasic* D(CMcBasic* expression, CMcBasic* by, WORD flags = 0) {
  auto* d = new CMcDerivative(flags);
  d->AppendChild(expression);
  d->AppendChild(by);
  return d;
}
CMcBasic* Integral(CMcBasic* integrand, CMcBasic* by, WORD flags = 0) {
  return new CMcIntegral(integrand, new CMcNull(0), new CMcNull(0), by, flags);
}
// a + b j as the engine writes it.
CMcBasic* Complex(double re, double im) {
  return McValueToExpression(re, im, 0);
}

// Performs a whole tree under a parent and hands back what took its place.
NodePtr Performed(CMcBasic* tree) {
  Held held(tree);
  held.Tree()->Perform();
  return held.Take();
}

struct FoldRow {
  const char* name;
  CMcBasic* tree;
  CMcBasic* expected;
};

std::vector<FoldRow> FoldRows() {
  return {
      {"the square root of 16", Root(Real(16), Real(2)), Real(4)},
      {"minus the square root of 16", Root(Real(16), Real(2), 1), Real(-4)},
      {"the cube root of 8 + 0j", Root(Complex(8, 0), Sum({Real(1), Real(2)})), Real(2)},
      {"the cube root of -8 is not whole", Root(Real(-8), Real(3)), Root(Real(-8), Real(3))},
      {"the square root of x^2", Root(Pow(X(), Real(2)), Real(2), 1), X(1)},
      {"log2 8", Log(Real(8), Real(2)), Real(3)},
      {"ln 1", Log(Real(1), McNewConstant("e"), 1), Real(0)},
      {"log_x x", Log(X(), X(), 1), Real(-1)},
      {"log_b b^y", Log(Pow(Variable("b"), Y()), Variable("b")), Y()},
      {"log_x 2 stays", Log(Real(2), X()), Log(Real(2), X())},
      {"|-3|", Op(CMcOperator::kAbsolute, Real(-3)), Real(3)},
      {"|3 + 4j|", Op(CMcOperator::kAbsolute, Complex(3, 4), 1), Real(-5)},
      {"|1 + j| stays", Op(CMcOperator::kAbsolute, Complex(1, 1)),
       Op(CMcOperator::kAbsolute, Complex(1, 1))},
      {"the norm of 1 + j", Op(CMcOperator::kNorm, Complex(1, 1)), Real(2)},
      {"|-x| loses the operand's sign", Op(CMcOperator::kAbsolute, X(1)),
       Op(CMcOperator::kAbsolute, X())},
      {"floor(-2.5)", Op(CMcOperator::kFloor, Real(-2.5)), Real(-3)},
      {"ceil(2.1)", Op(CMcOperator::kCeiling, Real(2.1), 1), Real(-3)},
      {"arg(-2) is pi", Op(CMcOperator::kArgument, Real(-2)),
       new CMcVariable("p", "", kMcConstant | kMcVariant)},
      {"arg(2) is 0", Op(CMcOperator::kArgument, Real(2), 1), Real(0)},
      {"conj(1 + 2j)", Op(CMcOperator::kConjugate, Complex(1, 2)), Complex(1, -2)},
      {"Im(-(3 + 4j))", Op(CMcOperator::kImaginary, Complex(-3, -4)), Real(-4)},
      {"det(-x) is -det(x)", Op(CMcOperator::kDeterminant, X(1)),
       Op(CMcOperator::kDeterminant, X(), 1)},
      {"a minus on a 2 x 2 matrix leaves its determinant",
       Op(CMcOperator::kDeterminant, Matrix(2, {X(), Y(), Y(), X()}, 1)),
       Op(CMcOperator::kDeterminant, Matrix(2, {X(), Y(), Y(), X()}))},
      {"a minus on a 1 x 1 matrix leaves its adjugate",
       Op(CMcOperator::kAdjoint, Matrix(1, {X()}, 1)), Op(CMcOperator::kAdjoint, Matrix(1, {X()}))},
      {"and moves out of the adjugate of a 2 x 2 one",
       Op(CMcOperator::kAdjoint, Matrix(2, {X(), Y(), Y(), X()}, 1)),
       Op(CMcOperator::kAdjoint, Matrix(2, {X(), Y(), Y(), X()}), 1)},
      {"a bracket dissolves, its minus merged into the sum",
       Op(CMcOperator::kBracket, Sum({X(), Real(1)}), 1), Sum({X(1), Real(-1)})},
      {"the derivative of a constant", D(McNewConstant("e"), X()), Real(0)},
      {"the derivative of -x", D(X(1), X()), Real(-1)},
      {"a partial derivative without its variable", D(Fn("sin", Y()), X(), 0x10), Real(0)},
      {"a total derivative in that case stays", D(Fn("sin", Y(1)), X()), D(Fn("sin", Y(1)), X())},
      {"the derivative takes its expression's sign", D(Fn("sin", X(1), 1), X()),
       D(Fn("sin", X(1)), X(), 1)},
      {"the integral of 0", Integral(Sum({X(), X(1)}), X()), Real(0)},
      {"the integral takes its integrand's sign", Integral(Fn("sin", X(), 1), X()),
       Integral(Fn("sin", X()), X(), 1)},
      {"the base recursion through a matrix and a relation",
       new CMcEquality(Matrix(2, {Sum({Real(2), Real(3)}), Root(Real(16), Real(2))}),
                       Log(Real(8), Real(2)), 0),
       new CMcEquality(Matrix(2, {Real(5), Real(4)}), Real(3), 0)},
  };
}

}  // namespace

TEST(Fold, WorkedCases) {
  for (const FoldRow& row : FoldRows()) {
    SCOPED_TRACE(row.name);
    NodePtr got = Performed(row.tree);
    NodePtr expected(row.expected);
    EXPECT_EQ(got->Compare(expected.get()), 0) << Infix(got.get());
    EXPECT_TRUE(ParentsRight(got.get()));
  }
}

// Without a parent, or not among its parent's children, a node cannot be
// replaced: Perform and Tidy change nothing, Perform says so, and the stale
// parent's child is not overwritten.
TEST(Fold, NodesWithoutAPlaceStayUnchanged) {
  for (CMcBasic* node : std::initializer_list<CMcBasic*>{
           Root(Real(16), Real(2)), Log(Real(8), Real(2)), Op(CMcOperator::kBracket, X()),
           D(Real(3), X()), Integral(Real(0), X()), Prod({X(), X()}), Div(X(), X()),
           Pow(X(), Real(1)), Sum({X(), X(1)})}) {
    NodePtr tree(node);
    NodePtr before(tree->Clone());
    SCOPED_TRACE(Infix(tree.get()));
    CMcOperator parent(Y(), 0);
    for (CMcBasic* link : {static_cast<CMcBasic*>(nullptr), static_cast<CMcBasic*>(&parent)}) {
      tree->m_parent = link;
      EXPECT_EQ(tree->Perform(), 0);
      tree->Tidy();
      EXPECT_EQ(tree->Compare(before.get()), 0);
    }
    tree->m_parent = nullptr;
    EXPECT_EQ(Infix(parent.m_children[0]), "y");
  }
  NodePtr power(Pow(Real(4), Real(0.5)));
  EXPECT_EQ(static_cast<CMcPower*>(power.get())->PerformPower(), 0);
}

// What the editor can leave unfinished (a root or logarithm without its two
// parts, a function or operator without its child, a fraction or power
// with one child) stays as it is under
// Perform, Tidy and Isolate, and differentiates to a formal derivative.
TEST(Fold, UnfinishedNodesStayAndDifferentiateFormally) {
  const std::function<CMcBasic*()> unfinished[] = {
      [] { return new CMcRoot(nullptr, nullptr, 0); },
      [] { return new CMcLog(nullptr, nullptr, 1); },
      [] { return new CMcFunction(nullptr, "sin", "", 0); },
      [] { return new CMcOperator(nullptr, CMcOperator::Flags(CMcOperator::kBracket)); },
      [] { return new CMcDivision(X(), nullptr, kMcMinus); },
      [] { return new CMcPower(X(), nullptr, 0); },
  };
  CMcVariable x("x", "", 0);
  for (const auto& make : unfinished) {
    NodePtr before(make());
    SCOPED_TRACE(McKindName(before->GetType()));
    CMcEquality relation(make(), Y(), 0);
    CMcBasic* node = relation.m_children[0];
    node->Tidy();
    node->Isolate(0);
    EXPECT_EQ(node->Perform(), 0);
    EXPECT_EQ(relation.m_children[0], node);
    EXPECT_EQ(node->Compare(before.get()), 0);
    NodePtr derivative(node->Differentiate(&x, 0));
    ASSERT_TRUE(McIsKind(derivative.get(), kMcDerivative));
    EXPECT_EQ(derivative->GetSign(), before->GetSign());
    if (McIsKind(node, kMcPower)) {
      EXPECT_EQ(static_cast<CMcPower*>(node)->PerformPower(), 0);
    }
  }
}

// ---- isolation -------------------------------------------------------------------------

namespace {

struct IsolateRow {
  const char* name;
  CMcBasic *left, *right, *newLeft, *newRight;
  double x0;  // not 0: the new right side at y := the old left side at x0 is x0
};

std::vector<IsolateRow> IsolateRows() {
  return {
      {"the cube root of x = y", Root(X(), Real(3)), Y(), X(), Pow(Y(), Real(3)), 1.7},
      {"minus the square root of x = y", Root(X(), Real(2), 1), Y(), X(), Pow(Y(1), Real(2)), 1.7},
      {"log2 x = y", Log(X(), Real(2)), Y(), X(), Pow(Real(2), Y()), 1.7},
      {"sin x = y", Fn("sin", X()), Y(), X(), Fn("asin", Y()), 0.7},
      {"asin x = -y", Fn("asin", X()), Y(1), X(), Fn("sin", Y(1)), 0},
      {"-sinh x = y moves the minus onto y", Fn("sinh", X(), 1), Y(), X(), Fn("asinh", Y(1)), 1.7},
      {"a function named a loses its whole name", Fn("a", X(), 0, "2"), Y(), X(),
       Fn("", Y(), 0, "2"), 0},
      {"a derivative becomes an integral",
       [] {
         auto* d = static_cast<CMcDerivative*>(D(Fn("f", X()), X(), 0x11));
         d->AppendChild(Y());
         return d;
       }(),
       Variable("R"), Fn("f", X()), Integral(Integral(Variable("R"), X(), 0x10), Y(), 0x11), 0},
      {"an integral becomes a derivative", Integral(Fn("f", X()), X(), 0x11), Variable("R"),
       Fn("f", X()), D(Variable("R"), X(), 0x11), 0},
  };
}

}  // namespace

TEST(Isolation, WorkedCases) {
  Points points;
  for (const IsolateRow& row : IsolateRows()) {
    SCOPED_TRACE(row.name);
    CMcBasic* left = row.left;
    CMcEquality relation(left, row.right, 0);
    NodePtr oldLeft(left->Clone());
    left->Isolate(0);
    NodePtr newLeft(row.newLeft);
    NodePtr newRight(row.newRight);
    EXPECT_EQ(relation.m_children[0]->Compare(newLeft.get()), 0) << Infix(relation.m_children[0]);
    EXPECT_EQ(relation.m_children[1]->Compare(newRight.get()), 0) << Infix(relation.m_children[1]);
    EXPECT_TRUE(ParentsRight(&relation));
    if (row.x0 != 0) {
      const McComplex y = points.At(oldLeft.get(), row.x0, 0);
      const McComplex x = points.At(relation.m_children[1], 0, y.re);
      EXPECT_NEAR(x.re, row.x0, 1e-12);
    }
  }
}

// Isolation needs its node as the left side of a relation of two sides: a
// root, a node under another parent and the right side stay unchanged, for
// every kind that isolates.
TEST(Isolation, OnlyTheLeftSideOfARelationMoves) {
  const std::function<CMcBasic*()> nodes[] = {
      [] { return Fn("sin", X()); },     [] { return Root(X(), Real(3)); },
      [] { return Log(X(), Real(2)); },  [] { return D(X(), X()); },
      [] { return Integral(X(), X()); }, [] { return Sum({X(), Y()}); },
      [] { return Prod({X(), Y()}); },   [] { return Div(X(), Y()); },
      [] { return Pow(X(), Y()); },
  };
  for (const auto& make : nodes) {
    NodePtr alone(make());
    SCOPED_TRACE(Infix(alone.get()));
    NodePtr before(alone->Clone());
    alone->Isolate(0);
    EXPECT_EQ(alone->Compare(before.get()), 0);

    CMcEquality right(Y(), make(), 0);
    right.m_children[1]->Isolate(0);
    EXPECT_EQ(right.m_children[1]->Compare(before.get()), 0);

    NodePtr sum(Sum({make(), Y()}));
    sum->m_children[0]->Isolate(0);
    EXPECT_EQ(sum->m_children[0]->Compare(before.get()), 0);
  }
}

// ---- substitution and the base recursion ------------------------------------------------

// Every match, up to its sign, becomes a clone of the replacement whose sign
// merges the match's, the pattern's and its own; the replacement stays the
// caller's. Substitute (variables only) and SubstituteOne agree on a variable.
TEST(Substitute, ClonesCarryTheMergedSign) {
  NodePtr pattern(X());
  NodePtr replacement(Sum({Y(), Real(1)}, 1));
  auto r = [](WORD sign) { return Sum({Y(), Real(1)}, sign); };
  NodePtr expected(Sum({r(1), r(0), Fn("sin", r(1)), Prod({Real(2), Pow(r(1), Real(2))})}));
  for (const bool one : {true, false}) {
    Held held(Sum({X(), X(1), Fn("sin", X()), Prod({Real(2), Pow(X(), Real(2))})}));
    CMcBasic* patterns[] = {pattern.get()};
    CMcBasic* replacements[] = {replacement.get()};
    if (one)
      held.Holder()->SubstituteOne(pattern.get(), replacement.get());
    else
      held.Holder()->Substitute(patterns, replacements, 1);
    NodePtr got = held.Take();
    EXPECT_EQ(got->Compare(expected.get()), 0) << Infix(got.get());
    EXPECT_TRUE(ParentsRight(got.get()));
    EXPECT_EQ(replacement->m_parent, nullptr);
  }

  // A whole subtree as the pattern.
  NodePtr sine(Fn("sin", X()));
  NodePtr t(Variable("t"));
  Held held(Prod({Fn("sin", X(), 1), Fn("cos", X())}));
  held.Holder()->SubstituteOne(sine.get(), t.get());
  NodePtr product = held.Take();
  NodePtr expectedProduct(Prod({Variable("t", 1), Fn("cos", X())}));
  EXPECT_EQ(product->Compare(expectedProduct.get()), 0) << Infix(product.get());
}

// A match at the root has no parent to take its replacement: nothing changes.
TEST(Substitute, AMatchAtTheRootChangesNothing) {
  NodePtr x(X());
  NodePtr two(Real(2));
  CMcBasic* patterns[] = {x.get()};
  CMcBasic* replacements[] = {two.get()};
  NodePtr root(X(1));
  root->SubstituteOne(x.get(), two.get());
  root->Substitute(patterns, replacements, 1);
  EXPECT_TRUE(McIsKind(root.get(), kMcVariable));
  EXPECT_EQ(root->GetSign(), 1);
}

// Tidy recurses through the kinds that keep the base's: a relation, a
// matrix and a root tidy their children in place.
TEST(Fold, TidyRecursesThroughTheBase) {
  Held held(new CMcEquality(Matrix(2, {Pow(X(), Real(1)), Div(Y(), Real(-1))}),
                            Root(Pow(X(), Real(1), 1), Real(2)), 0));
  held.Tree()->Tidy();
  NodePtr got = held.Take();
  NodePtr expected(new CMcEquality(Matrix(2, {X(), Y(1)}), Root(X(1), Real(2)), 0));
  EXPECT_EQ(got->Compare(expected.get()), 0) << Infix(got.get());
  EXPECT_TRUE(ParentsRight(got.get()));
}

// Substituting numbers for x and y gives the tree's value at those numbers.
TEST(Substitute, NumbersForTheVariablesGiveTheValueThere) {
  const unsigned seed = TestSeed();
  ExpressionGenerator generator(seed);
  std::mt19937 rng(seed + 3);
  std::uniform_real_distribution<double> coordinate(0.5, 2.0);
  Points points;
  NodePtr x(X()), y(Y());
  for (int n = 0; n < 100; ++n) {
    NodePtr f(generator.Any(3));
    SCOPED_TRACE(Infix(f.get()));
    const double x0 = coordinate(rng), y0 = coordinate(rng);
    NodePtr a(Real(x0)), b(Real(y0));
    CMcBasic* patterns[] = {x.get(), y.get()};
    CMcBasic* replacements[] = {a.get(), b.get()};
    Held held(f->Clone());
    held.Holder()->Substitute(patterns, replacements, 2);
    NodePtr g = held.Take();
    EXPECT_EQ(McCountOccurrences(g.get(), x.get()) + McCountOccurrences(g.get(), y.get()), 0);
    EXPECT_TRUE(ParentsRight(g.get()));
    EXPECT_TRUE(Agrees(points.At(g.get(), 0, 0), points.At(f.get(), x0, y0), 1e-12));
    if (HasFailure()) break;
  }
}
