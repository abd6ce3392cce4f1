// Differentiation, the worked cases: the function table and its chain rule,
// what stays formal, the leaves, relations, declarations, containers,
// operators, derivatives and integrals (the random property test covers the
// table's other functions, absolute values, roots and logarithms). A row
// either names the exact simplified tree or, where the simplified shape is the
// term engine's to choose, a tree of the same value at a point.
#include "SymbolicTestSupport.h"

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
CMcBasic* Null() {
  return new CMcNull(0);
}
// A derivative node of expression by the variables.
CMcBasic* D(CMcBasic* expression, std::vector<CMcBasic*> by, WORD flags = 0) {
  auto* d = new CMcDerivative(flags);
  d->AppendChild(expression);
  for (CMcBasic* v : by) d->AppendChild(v);
  return d;
}
CMcBasic* Root(CMcBasic* radicand, CMcBasic* degree) {
  return new CMcRoot(radicand, degree, 0);
}
CMcBasic* Ln(CMcBasic* argument, WORD flags = 0) {
  return new CMcLog(argument, McNewConstant("e"), flags);
}

constexpr unsigned kTotal = 0, kPartial = 1;
constexpr double kExact = 0;  // the row names the exact tree

struct Row {
  const char* name;
  CMcBasic* f;
  unsigned options;
  CMcBasic* expected;
  double at;  // kExact, or the x at which the values must agree (y = 1.3)
};

std::vector<Row> Rows() {
  return {
      // the function table
      {"sin gives cos with the function's flags", Fn("sin", X(), 0x41), kTotal,
       Fn("cos", X(), 0x41), kExact},
      {"cos gives minus sin", Fn("cos", X()), kTotal, Fn("sin", X(), 1), kExact},
      {"sin(2x) gets its chain factor", Fn("sin", Prod({Real(2), X()})), kTotal,
       Prod({Real(2), Fn("cos", Prod({Real(2), X()}))}), kExact},
      {"the chain factor of sin(-x) is -1", Fn("sin", X(1)), kTotal, Fn("cos", X(1), 1), kExact},
      {"tan(-x) gives minus the square of sec(-x)", Fn("tan", X(1)), kTotal,
       Pow(Fn("sec", X(1)), Real(2), 1), kExact},
      {"asin(-x) carries the minus into the numerator", Fn("asin", X(1)), kTotal,
       Div(Real(-1), Root(Sum({Real(1), Pow(X(), Real(2), 1)}), Real(2))), 0.6},
      // formal derivatives
      {"exp is not in the table", Fn("exp", X()), kTotal, D(Fn("exp", X()), {X()}), kExact},
      {"a subscripted name stays formal", Fn("sin", X(), 0, "1"), kTotal,
       D(Fn("sin", X(), 0, "1"), {X()}), kExact},
      {"a bold name stays formal", Fn("sin", X(), 0x600), kTotal, D(Fn("sin", X(), 0x600), {X()}),
       kExact},
      {"a Greek name stays formal", Fn("sin", X(), 0x10), kPartial,
       D(Fn("sin", X(), 0x10), {X()}, 0x10), kExact},
      {"the default on -f is a minus derivative over f", Fn("exp", X(), 1), kTotal,
       D(Fn("exp", X()), {X()}, 1), kExact},
      {"the default simplifies its copy: x*x is x^2", Fn("exp", Prod({X(), X()})), kTotal,
       D(Fn("exp", Pow(X(), Real(2))), {X()}), kExact},
      {"floor stays formal", Op(CMcOperator::kFloor, X()), kTotal,
       D(Op(CMcOperator::kFloor, X()), {X()}), kExact},
      // constants and other variables
      {"f(3) is 0", Fn("f", Real(3)), kTotal, Real(0), kExact},
      {"partially, sin(y) is constant", Fn("sin", Y()), kPartial, Real(0), kExact},
      {"totally, sin(y) keeps the chain factor dy/dx", Fn("sin", Y()), kTotal,
       Prod({Fn("cos", Y()), D(Y(), {X()})}), kExact},
      {"a number gives an unsigned 0", Real(-3), kTotal, Real(0), kExact},
      {"x gives 1", X(), kPartial, Real(1), kExact},
      {"-x gives -1", X(1), kTotal, Real(-1), kExact},
      {"the constant e gives 0", McNewConstant("e"), kTotal, Real(0), kExact},
      {"partially, y gives 0", Y(), kPartial, Real(0), kExact},
      {"totally, y gives dy/dx", Y(1), kTotal, D(Y(), {X()}, 1), kExact},
      {"a bold x is another variable", X(0x600), kTotal, D(X(0x600), {X()}), kExact},
      // relations, declarations, containers
      {"= differentiates both sides", new CMcEquality(Fn("sin", X()), Prod({Real(2), X()}), 0),
       kTotal, new CMcEquality(Fn("cos", X()), Real(2), 0), kExact},
      {"Tends to wraps the whole relation",
       new CMcEquality(X(), Real(2), McRelationFlags(kMcRelTendsTo)), kTotal,
       D(new CMcEquality(X(), Real(2), McRelationFlags(kMcRelTendsTo)), {X()}), kExact},
      {"a declaration differentiates its formula under the same condition",
       new CMcDeclaration(Pow(X(), Real(2)),
                          new CMcEquality(X(), Real(0), McRelationFlags(kMcRelLessOrEqual)), 1),
       kTotal,
       new CMcDeclaration(Prod({Real(2), X()}, 1),
                          new CMcEquality(X(), Real(0), McRelationFlags(kMcRelLessOrEqual)), 0),
       kExact},
      {"a matrix element by element", Matrix(2, {X(), Pow(X(), Real(2)), Y(), Real(3)}), kPartial,
       Matrix(2, {Real(1), Prod({Real(2), X()}), Real(0), Real(0)}), kExact},
      {"an augmented matrix stays formal", Matrix(2, {X(), Y()}, 0x100), kPartial,
       D(Matrix(2, {X(), Y()}, 0x100), {X()}, 0x10), kExact},
      {"a list body item by item", ListOf<CMcListbody>(0, {X(), Pow(X(), Real(3))}), kPartial,
       ListOf<CMcListbody>(0, {Real(1), Prod({Real(3), Pow(X(), Real(2))})}), kExact},
      {"a logical list stays formal", ListOf<CMcListbody>(0x10, {X(), Y()}), kPartial,
       D(ListOf<CMcListbody>(0x10, {X(), Y()}), {X()}, 0x10), kExact},
      {"a summation over the same limits",
       new CMcSum(Prod({Variable("k"), X()}), Variable("k"), Variable("n"), 0), kPartial,
       new CMcSum(Variable("k"), Variable("k"), Variable("n"), 0), kExact},
      {"a product of a range stays formal", new CMcSum(X(), Variable("k"), Variable("n"), 0x10),
       kTotal, D(new CMcSum(X(), Variable("k"), Variable("n"), 0x10), {X()}), kExact},
      // operators
      {"the conjugate keeps its sign", Op(CMcOperator::kConjugate, Fn("sin", X()), 1), kTotal,
       Op(CMcOperator::kConjugate, Fn("cos", X()), 1), kExact},
      {"a bracket differentiates what it holds", Op(CMcOperator::kBracket, Fn("sin", X()), 1),
       kTotal, Fn("cos", X(), 1), kExact},
      {"arg of a real x does not change", Op(CMcOperator::kArgument, X()), kTotal, Real(0), 0.6},
      // roots and logarithms
      {"a root of variable degree", Root(X(), X()), kTotal,
       Div(Prod({Root(X(), X()), Sum({Real(1), Ln(X(), 1)})}), Pow(X(), Real(2))), 0.6},
      // derivatives and integrals
      {"a partial derivative gains a variable under partial differentiation",
       D(Fn("sin", Prod({X(), Y()})), {Y()}, 0x10), kPartial,
       D(Fn("sin", Prod({X(), Y()})), {Y(), X()}, 0x10), kExact},
      {"a partial derivative is wrapped under total differentiation",
       D(Fn("sin", Prod({X(), Y()})), {Y()}, 0x10), kTotal,
       D(D(Fn("sin", Prod({X(), Y()})), {Y()}, 0x10), {X()}), kExact},
      {"an integral over x gives its integrand",
       new CMcIntegral(Fn("sin", X()), Null(), Null(), X(), 1), kTotal, Fn("sin", X(), 1), kExact},
      {"an integral over y integrates the derivative",
       new CMcIntegral(Fn("sin", Prod({X(), Y()})), Null(), Null(), Y(), 0), kPartial,
       new CMcIntegral(Prod({Y(), Fn("cos", Prod({X(), Y()}))}), Null(), Null(), Y(), 0), kExact},
  };
}

}  // namespace

TEST(Differentiate, WorkedCases) {
  CMcVariable x("x", "", 0);
  Points points;
  for (const Row& row : Rows()) {
    SCOPED_TRACE(row.name);
    NodePtr f(row.f);
    NodePtr before(f->Clone());
    NodePtr got(f->Differentiate(&x, row.options));
    NodePtr expected(row.expected);
    ASSERT_NE(got, nullptr);
    EXPECT_EQ(f->Compare(before.get()), 0) << "the receiver changed";
    EXPECT_TRUE(ParentsRight(got.get()));
    if (row.at == kExact) {
      EXPECT_EQ(got->Compare(expected.get()), 0) << Infix(got.get());
    } else {
      EXPECT_TRUE(
          Agrees(points.At(got.get(), row.at, 1.3), points.At(expected.get(), row.at, 1.3), 1e-12))
          << Infix(got.get());
    }
  }
}
