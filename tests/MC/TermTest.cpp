// The term engine and the symbolic slots of sums, products, fractions and
// powers: the worked cases of collecting, folding, tidying and isolating,
// values kept through Perform and differentiation, and the nodes that must
// stay as they are (no parent, a stale parent link, unfinished nodes).
#include "SymbolicTestSupport.h"

#include <utility>

using namespace mctest;

namespace {

CMcBasic* V(const char* name, WORD flags = 0) {
  return Variable(name, flags);
}
CMcBasic* Neg(CMcBasic* node) {
  node->m_flags ^= kMcMinus;
  return node;
}
CMcBasic* J() {
  return McNewConstant("j");
}
CMcBasic* E() {
  return McNewConstant("e");
}

// Infix text, with any NaN number as "nan" whatever the sign of the NaN.
std::string Text(const CMcBasic* node) {
  return HoldsNaN(node) && node->m_count == 0 ? "nan" : Infix(node);
}

// The value of a tree with its variables bound to a fresh document's table
// and the named ones set.
McComplex ValueOf(const CMcBasic* tree, const std::vector<std::pair<const char*, double>>& vars) {
  CQorexDoc doc;
  NodePtr copy(tree->Clone());
  doc.m_vars.BindVariables(copy.get());
  for (const auto& [name, value] : vars) {
    const int entry = doc.m_vars.Find(name, "", 0);
    if (entry >= 0) doc.m_vars.m_pValue[entry] = value;
  }
  return Eval(copy.get(), &doc);
}

// Performs a tree through Simplify and shows the result.
std::string Performed(CMcBasic* tree) {
  NodePtr result(CMXC_TERM::Simplify(tree));
  EXPECT_EQ(result->m_parent, nullptr);
  EXPECT_TRUE(ParentsRight(result.get()));
  return Text(result.get());
}

// Runs op on a tree that stands in a holder's slot and shows what stands
// there afterwards.
std::string InSlot(CMcBasic* tree, const std::function<void(CMcBasic*)>& op) {
  Held held(tree);
  op(tree);
  EXPECT_TRUE(ParentsRight(held.Holder()));
  return Text(held.Tree());
}

const std::vector<std::pair<const char*, double>> kPoint = {
    {"a", 1.3}, {"b", 0.7}, {"c", 1.9}, {"x", 1.6}, {"y", 0.8}, {"R", 2.3}, {"N", 1.1}, {"D", 1.7}};

}  // namespace

// ---- the term engine --------------------------------------------------------------------

TEST(TermEngine, CollectsFactorsAndCoefficients) {
  const struct {
    const char* name;
    CMcBasic* tree;
    const char* expected;
  } rows[] = {
      {"x x: one factor x with the exponent 2", Prod({V("x"), V("x")}), "(x)^(2)"},
      {"x/x: the exponents 1 and -1 cancel", Div(V("x"), V("x")), "1"},
      {"6x/4: the coefficient reduces to 3/2", Div(Prod({Real(6), V("x")}), Real(4)), "((3/2)*x)"},
      {"1.5 x: a coefficient that is no fraction", Prod({Real(1.5), V("x")}), "(1.5*x)"},
      {"(-a)(-b): the minuses cancel", Prod({Neg(V("a")), Neg(V("b"))}), "(a*b)"},
      {"(-a) b: the minus goes to the term", Prod({Neg(V("a")), V("b")}), "-(a*b)"},
      {"a zero factor makes the term 0", Prod({V("x"), Real(0), V("y")}), "0"},
      {"(a + b)^0 contributes nothing", Prod({Pow(Sum({V("a"), V("b")}), Real(0)), V("x")}), "x"},
      {"an exponent x - x is 0 too",
       Prod({Pow(Sum({V("a"), V("b")}), Sum({V("x"), Neg(V("x"))})), V("y")}), "y"},
      {"x^(a+b) in the denominator, then again above",
       Prod({Div(Real(1), Pow(V("x"), Sum({V("a"), V("b")}))), Pow(V("x"), Sum({V("a"), V("b")}))}),
       "1"},
      {"x^2 x^3 adds the exponents", Prod({Pow(V("x"), Real(2)), Pow(V("x"), Real(3))}), "(x)^(5)"},
      {"a/(b c) keeps the order", Div(V("a"), Prod({V("b"), V("c")})), "(a/(b*c))"},
      {"2 3 x: numbers multiply", Prod({Real(2), Real(3), V("x")}), "(6*x)"},
      {"(-x)^2: the sign under a whole exponent vanishes", Pow(Neg(V("x")), Real(2)), "(x)^(2)"},
      {"1/0 is NaN", Div(Real(1), Real(0)), "nan"},
      {"a NaN factor", Prod({Real(kNaN), V("x")}), "nan"},
  };
  for (const auto& row : rows) EXPECT_EQ(Performed(row.tree), row.expected) << row.name;
}

// The engine may be filled and built again after a build, and a filled
// engine that is never built frees what it holds (ASan sees the rest).
TEST(TermEngine, BuildResetsAndDestructorFrees) {
  Held held(Prod({V("x"), V("y"), V("x")}));
  CMXC_TERM engine;
  engine.Collect(held.Tree(), nullptr, 0);
  ASSERT_EQ(engine.GetCount(), 2);
  EXPECT_EQ(Infix(engine.GetExponent(0)), "2");
  EXPECT_EQ(engine.GetExponent(1), nullptr);
  NodePtr built(engine.Build());
  EXPECT_EQ(Infix(built.get()), "((x)^(2)*y)");
  EXPECT_EQ(engine.GetCount(), 0);
  Held other(Div(Neg(V("a")), V("b")));
  engine.Collect(other.Tree(), nullptr, 0);
  EXPECT_EQ(engine.GetSign(), 1);
  CMXC_TERM leftFull;
  leftFull.Collect(other.Tree(), V("n"), 1);
}

// ---- sums ---------------------------------------------------------------------------------

TEST(SumPerform, AddsCoefficientsAndLikeTerms) {
  const struct {
    const char* name;
    CMcBasic* tree;
    const char* expected;
  } rows[] = {
      {"2 + 3", Sum({Real(2), Real(3)}), "5"},
      {"x - x", Sum({V("x"), Neg(V("x"))}), "0"},
      {"x + x", Sum({V("x"), V("x")}), "(2*x)"},
      {"a negated sum distributes", Sum({V("a"), V("b")}, 1), "(-a+-b)"},
      {"1/2 + 1/3 + x", Sum({Div(Real(1), Real(2)), Div(Real(1), Real(3)), V("x")}), "((5/6)+x)"},
      {"1/2 - 1/2", Sum({Div(Real(1), Real(2)), Neg(Div(Real(1), Real(2)))}), "0"},
      {"a - (b - c) flattens with the sign", Sum({V("a"), Sum({V("b"), Neg(V("c"))}, 1)}),
       "(a+-b+c)"},
      {"2x - 3x", Sum({Prod({Real(2), V("x")}), Neg(Prod({Real(3), V("x")}))}), "-x"},
      {"x y + y x: factors in any order", Sum({Prod({V("x"), V("y")}), Prod({V("y"), V("x")})}),
       "(2*x*y)"},
      {"±x stays apart", Sum({V("x", 2), V("x")}), "(+-x+x)"},
      {"2 (-x) written side by side, + 3x: the remainder's sign counts",
       Sum({Prod({Real(2), Neg(V("x"))}, 0x10), Prod({Real(3), V("x")})}), "x"},
  };
  for (const auto& row : rows) EXPECT_EQ(Performed(row.tree), row.expected) << row.name;
}

TEST(SumTidy, SplicesAndDropsZeros) {
  const struct {
    const char* name;
    CMcBasic* tree;
    const char* expected;
  } rows[] = {
      {"x + 0", Sum({V("x"), Real(0)}), "x"},
      {"-(x + 0) keeps the sum's sign", Sum({V("x"), Real(0)}, 1), "-x"},
      {"0 + 0", Sum({Real(0), Real(0)}), "0"},
      {"a - (b + c)", Sum({V("a"), Sum({V("b"), V("c")}, 1)}), "(a+-b+-c)"},
      {"x * 1 in a sum", Sum({Prod({V("x"), Real(1)}), V("y")}), "(x+y)"},
      {"2 * (3 * x) * -1", Prod({Real(2), Prod({Real(3), V("x")}, 1), Real(-1)}), "(2*3*x)"},
      {"x^1 with the power's sign", Pow(V("x"), Real(1), 1), "-x"},
      {"x^-1 stays", Pow(V("x"), Real(-1)), "(x)^(-1)"},
      {"x^0", Pow(V("x"), Real(0), 1), "-1"},
      {"x/(-1)", Div(V("x"), Real(-1)), "-x"},
      {"-(x/1)", Div(Neg(V("x")), Real(1), 1), "x"},
      {"x/2 stays", Div(V("x"), Real(2)), "(x/2)"},
  };
  for (const auto& row : rows)
    EXPECT_EQ(InSlot(row.tree, [](CMcBasic* n) { n->Tidy(); }), row.expected) << row.name;
}

// A root has no slot to give up: it keeps two terms, so that it still
// stores and loads.
TEST(SumTidy, RootKeepsTwoChildren) {
  NodePtr sum(Sum({V("x"), Real(0), Real(0)}));
  sum->Tidy();
  EXPECT_EQ(Infix(sum.get()), "(x+0)");
  EXPECT_EQ(Load(Record(sum.get()))->Compare(sum.get()), 0);
  NodePtr product(Prod({Real(1), V("x"), Real(1)}));
  product->Tidy();
  EXPECT_EQ(Infix(product.get()), "(x*1)");
}

// ---- fractions ------------------------------------------------------------------------------

TEST(FractionAddNumber, ExactWhileWholeElseDouble) {
  const struct {
    const char* name;
    CMcBasic* fraction;
    CMcBasic* value;
    const char* expected;
    WORD exact;
  } rows[] = {
      {"1/2 + 1/3", Div(Real(1), Real(2)), Div(Real(1), Real(3)), "(5/6)", 1},
      {"1/2 - 1/2", Div(Real(1), Real(2)), Neg(Div(Real(1), Real(2))), "(0/1)", 1},
      {"-(1/2) + 1: sign on the numerator", Div(Real(1), Real(2), 1), Real(1), "(1/2)", 1},
      {"1/(-4) + 0: denominator made positive", Div(Real(1), Real(-4)), Real(0), "(-1/4)", 1},
      {"1/2 + 0.25: not whole", Div(Real(1), Real(2)), Real(0.25), "(0.75/1)", 0},
      {"2^52/3 + 2^52/5: cross products too large", Div(Real(0x1p52), Real(3)),
       Div(Real(0x1p52), Real(5)), nullptr, 0},
      {"x/2 + 1: no constant, nothing changes", Div(V("x"), Real(2)), Real(1), "(x/2)", 0},
  };
  for (const auto& row : rows) {
    NodePtr fraction(row.fraction), value(row.value);
    const McComplex sum = McComplexAdd(Eval(fraction.get()), Eval(value.get()));
    const WORD exact = static_cast<CMcDivision*>(fraction.get())->AddNumber(value.get());
    EXPECT_EQ(exact, row.exact) << row.name;
    if (row.expected) {
      EXPECT_EQ(Infix(fraction.get()), row.expected) << row.name;
    }
    if (McIsNumber(fraction->m_children[0])) {
      EXPECT_TRUE(Agrees(Eval(fraction.get()), sum, 1e-15)) << row.name;
    }
  }
}

// 12/18 reduces by the shared primes; 41 is not in the table, so 123/205
// (3 41 over 5 41) stays.
TEST(FractionPerform, ReducesByTablePrimes) {
  EXPECT_EQ(Performed(Div(Real(12), Real(18))), "(2/3)");
  EXPECT_EQ(Performed(Div(Real(123), Real(205))), "(123/205)");
  EXPECT_EQ(Performed(Div(Real(18), Real(-12))), "-(3/2)");
}

// ---- powers ---------------------------------------------------------------------------------

TEST(PowerFold, ConstantRules) {
  const struct {
    const char* name;
    CMcBasic* power;
    const char* expected;
    WORD result;
  } rows[] = {
      {"0^0", Pow(Real(0), Real(0)), "1", 1},
      {"-(x^0)", Pow(V("x"), Real(0), 1), "-1", 1},
      {"x^1 takes the power's sign", Pow(V("x"), Real(1), 1), "-x", 1},
      {"4^0.5", Pow(Real(4), Real(0.5)), "2", 1},
      {"2^-3 becomes 8^-1", Pow(Real(2), Real(-3)), "(8)^(-1)", 1},
      {"8^-1 is already so", Pow(Real(8), Real(-1)), "(8)^(-1)", 0},
      {"(-1)^3", Pow(Real(-1), Real(3)), "-1", 1},
      {"j^3", Pow(J(), Real(3)), "-j", 1},
      {"j^-1", Pow(J(), Real(-1)), "-j", 1},
      {"j^2", Pow(J(), Real(2)), "-1", 1},
      {"0^-2 is NaN, as evaluation gives", Pow(Real(0), Real(-2)), "nan", 1},
      {"1^x", Pow(Real(1), V("x")), "1", 1},
      {"x^NaN", Pow(V("x"), Real(kNaN)), "nan", 1},
      {"e^(ln x)", Pow(E(), new CMcLog(V("x"), E(), 0)), "x", 1},
      {"e^(-ln x) becomes x^-1", Pow(E(), Neg(new CMcLog(V("x"), E(), 0))), "(x)^(-1)", 0},
      {"(2 + j)^2: written constants", Pow(Sum({Real(2), J()}), Real(2)), "(3+(4*j))", 1},
      {"2^0.5 stays", Pow(Real(2), Real(0.5)), "(2)^(0.5)", 0},
      {"x^y stays", Pow(V("x"), V("y")), "(x)^(y)", 0},
  };
  for (const auto& row : rows) {
    WORD result = 9;
    const std::string shown =
        InSlot(row.power, [&](CMcBasic* n) { result = static_cast<CMcPower*>(n)->PerformPower(); });
    EXPECT_EQ(shown, row.expected) << row.name;
    EXPECT_EQ(result, row.result) << row.name;
  }
}

TEST(PowerPerform, ThroughTheTermEngine) {
  EXPECT_EQ(Performed(Pow(Prod({V("x"), V("y")}), Real(2))), "((x)^(2)*(y)^(2))");
  EXPECT_EQ(Performed(Pow(Pow(V("x"), Real(2)), Real(3))), "(x)^(6)");
  EXPECT_EQ(Performed(Pow(Div(V("x"), V("y")), Real(-1))), "(y/x)");
  EXPECT_EQ(Performed(Pow(Real(2), Real(-3))), "(1/8)");
}

// ---- isolation ----------------------------------------------------------------------------

// In every case the new right side, with its unknown set to the old left
// side's value at a point, gives the new left side's value at that point.
TEST(Isolate, WorkedExamplesSolveTheRelation) {
  const struct {
    const char* name;
    CMcBasic* tree;
    int which;
    const char* left;
    const char* right;
  } rows[] = {
      {"a + b + c = R, for b", Sum({V("a"), V("b"), V("c")}), 1, "-b", "(a+-R+c)"},
      {"-(a + b) = R, for a", Sum({V("a"), V("b")}, 1), 0, "-a", "(R+b)"},
      {"a b = R, for a", Prod({V("a"), V("b")}), 0, "a", "(R/b)"},
      {"-(a b) = R, for b", Prod({V("a"), V("b")}, 1), 1, "b", "-(R/a)"},
      {"a b c = R, for b", Prod({V("a"), V("b"), V("c")}), 1, "b", "(R/(a*c))"},
      {"N/D = R, for D", Div(V("N"), V("D")), 1, "D", "(N/R)"},
      {"N/D = R, for N", Div(V("N"), V("D")), 0, "N", "(R*D)"},
      {"-(N/D) = R, for N", Div(V("N"), V("D"), 1), 0, "N", "-(R*D)"},
      {"x^2 = R", Pow(V("x"), Real(2)), 0, "x", "+-root2(R)"},
      {"x^-2 = R", Pow(V("x"), Real(-2)), 0, "x", "+-root2((R)^(-1))"},
      {"x^3 = R", Pow(V("x"), Real(3)), 0, "x", "(R)^((1/3))"},
      {"-(x^3) = R", Pow(V("x"), Real(3), 1), 0, "x", "(-R)^((1/3))"},
      {"2^x = R", Pow(Real(2), V("x")), 1, "x", "log[2](R)"},
      {"x^a = R, for a", Pow(V("x"), V("a")), 1, "a", "log[x](R)"},
  };
  for (const auto& row : rows) {
    NodePtr old(row.tree->Clone());
    CMcEquality relation(row.tree, V("R"), 0);
    row.tree->Isolate(row.which);
    EXPECT_EQ(Infix(relation.m_children[0]), row.left) << row.name;
    EXPECT_EQ(Infix(relation.m_children[1]), row.right) << row.name;
    EXPECT_TRUE(ParentsRight(&relation)) << row.name;
    auto point = kPoint;
    const double oldLeft = ValueOf(old.get(), point).re;
    const McComplex newLeft = ValueOf(relation.m_children[0], point);
    for (auto& [name, value] : point) {
      if (std::string(name) == "R") value = oldLeft;
    }
    EXPECT_TRUE(Agrees(ValueOf(relation.m_children[1], point), newLeft, 1e-12)) << row.name;
  }
}

// Isolate acts only for a child that exists, and an exponent 0 cannot be
// solved for its base (sides and parents: the isolation tests of the folds).
TEST(Isolate, LeavesEverythingElseAlone) {
  const struct {
    const char* name;
    CMcBasic* node;
    int which;
  } rows[] = {
      {"no such child", Sum({V("a"), V("b")}), 2},
      {"negative child", Div(V("a"), V("b")), -1},
      {"x^0 = R", Pow(V("x"), Real(0)), 0},
  };
  for (const auto& row : rows) {
    CMcBasic* node = row.node;
    CMcEquality relation(node, V("R"), 0);
    const std::string before = Infix(&relation);
    node->Isolate(row.which);
    EXPECT_EQ(Infix(&relation), before) << row.name;
  }
}

// ---- differentiation ---------------------------------------------------------------------

// The four kinds' rules on small cases. Under partial differentiation another
// variable is a constant factor; under total differentiation it stays in the
// product rule.
TEST(SymbolicSlots, DerivativesOfTheFourKinds) {
  CMcVariable x("x", "", 0);
  const struct {
    const char* name;
    NodePtr f;
    unsigned options;
    const char* expected;
  } rows[] = {
      {"x^3", NodePtr(Pow(V("x"), Real(3))), 0, "(3*(x)^(2))"},
      {"-(2^x)", NodePtr(Pow(Real(2), V("x"), 1)), 0, "-(log[e](2)*(2)^(x))"},
      {"x^x", NodePtr(Pow(V("x"), V("x"))), 0, "((x)^(x)+(log[e](x)*(x)^(x)))"},
      {"x x", NodePtr(Prod({V("x"), V("x")})), 0, "(2*x)"},
      {"-(3 x y), partial", NodePtr(Prod({Real(3), V("x"), V("y")}, 1)), 1, "-(3*y)"},
      {"3 x y, total", NodePtr(Prod({Real(3), V("x"), V("y")})), 0, "(3*((x*d(y)/d(x))+y))"},
      {"y^2, partial", NodePtr(Pow(V("y"), Real(2))), 1, "0"},
      {"1/x", NodePtr(Div(Real(1), V("x"))), 0, "-(1/(x)^(2))"},
      {"x/(x+1)", NodePtr(Div(V("x"), Sum({V("x"), Real(1)}))), 0, "(1/((x+1))^(2))"},
      {"-(x + 2x)", NodePtr(Sum({V("x"), Prod({Real(2), V("x")})}, 1)), 0, "-3"},
  };
  for (const auto& row : rows) {
    NodePtr before(row.f->Clone());
    NodePtr d(row.f->Differentiate(&x, row.options));
    EXPECT_EQ(Infix(d.get()), row.expected) << row.name;
    EXPECT_EQ(row.f->Compare(before.get()), 0) << row.name;
    EXPECT_TRUE(ParentsRight(d.get())) << row.name;
  }
}
