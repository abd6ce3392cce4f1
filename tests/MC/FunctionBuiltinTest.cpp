// Complex arithmetic and the built-in functions against the standard
// library's complex functions, at ordinary points and on their branch cuts;
// the list functions; the random pair and its per-thread state.
#include "McTestSupport.h"

#include <complex>
#include <thread>

using namespace mctest;
using C = std::complex<double>;

namespace {

McComplex Apply(const char* name, C z) {
  return McEvaluateBuiltin(McFindBuiltin(name), Mc(z));
}

struct BuiltinRow {
  const char* name;
  std::function<C(C)> reference;
  std::function<C(C)> inverse;  // the function it inverts, for identity checks
};

const BuiltinRow kBuiltins[] = {
    {"sin", [](C z) { return std::sin(z); }, nullptr},
    {"cos", [](C z) { return std::cos(z); }, nullptr},
    {"tan", [](C z) { return std::tan(z); }, nullptr},
    {"sinh", [](C z) { return std::sinh(z); }, nullptr},
    {"cosh", [](C z) { return std::cosh(z); }, nullptr},
    {"tanh", [](C z) { return std::tanh(z); }, nullptr},
    {"sec", [](C z) { return 1.0 / std::cos(z); }, nullptr},
    {"cosec", [](C z) { return 1.0 / std::sin(z); }, nullptr},
    {"sech", [](C z) { return 1.0 / std::cosh(z); }, nullptr},
    {"cosech", [](C z) { return 1.0 / std::sinh(z); }, nullptr},
    {"cot", [](C z) { return std::cos(z) / std::sin(z); }, nullptr},
    {"coth", [](C z) { return std::cosh(z) / std::sinh(z); }, nullptr},
    {"sign", [](C z) { return z / std::abs(z); }, nullptr},
    {"asin", [](C z) { return std::asin(z); }, [](C w) { return std::sin(w); }},
    {"acos", [](C z) { return std::acos(z); }, [](C w) { return std::cos(w); }},
    {"atan", [](C z) { return std::atan(z); }, [](C w) { return std::tan(w); }},
    {"asinh", [](C z) { return std::asinh(z); }, [](C w) { return std::sinh(w); }},
    {"acosh", [](C z) { return std::acosh(z); }, [](C w) { return std::cosh(w); }},
    {"atanh", [](C z) { return std::atanh(z); }, [](C w) { return std::tanh(w); }},
};

const BuiltinRow& Builtin(const std::string& name) {
  return *std::find_if(std::begin(kBuiltins), std::end(kBuiltins),
                       [&](const BuiltinRow& r) { return r.name == name; });
}

}  // namespace

// Closed forms: sqrt(-4) = +-2j with cos(pi/2) * 2 as the tiny real part,
// log(-1) = pi j, log(-x) = ln x + pi j, log(0) = -inf.
TEST(Complex, BranchPointsOfSqrtAndLog) {
  const double tiny = 2.0 * std::cos(kPi / 2);
  const struct {
    const char* name;
    McComplex (*op)(const McComplex&);
    McComplex in, expected;
  } rows[] = {
      {"sqrt(-4+0j)", McComplexSqrt, {-4.0, 0.0}, {tiny, 2.0}},
      {"sqrt(-4-0j)", McComplexSqrt, {-4.0, -0.0}, {tiny, -2.0}},
      {"sqrt(0)", McComplexSqrt, {0.0, 0.0}, {0.0, 0.0}},
      {"sqrt(j)", McComplexSqrt, {0.0, 1.0}, {std::sqrt(0.5), std::sqrt(0.5)}},
      {"log(-1)", McComplexLog, {-1.0, 0.0}, {0.0, kPi}},
      {"log(-1-0j)", McComplexLog, {-1.0, -0.0}, {0.0, -kPi}},
      {"log(-e^2)", McComplexLog, {-std::exp(2.0), 0.0}, {2.0, kPi}},
      {"log(j)", McComplexLog, {0.0, 1.0}, {0.0, kPi / 2}},
  };
  for (const auto& row : rows) {
    const McComplex r = row.op(row.in);
    EXPECT_NEAR(r.re, row.expected.re, 1e-15) << row.name;
    EXPECT_NEAR(r.im, row.expected.im, 1e-15) << row.name;
  }
  EXPECT_NE(McComplexSqrt({-4.0, 0.0}).re, 0.0) << "the real part is r cos(pi/2), not 0";
  const McComplex log0 = McComplexLog({0.0, 0.0});
  EXPECT_EQ(log0.re, -INFINITY);
  EXPECT_EQ(log0.im, 0.0);
}

TEST(EvalErrorThreads, FlagIsPerThread) {
  g_bEvalError = 0;
  int seenByWorker = -1;
  std::thread worker([&seenByWorker] {
    seenByWorker = g_bEvalError;
    g_bEvalError = 1;
  });
  worker.join();
  EXPECT_EQ(seenByWorker, 0);
  EXPECT_EQ(g_bEvalError, 0) << "a worker's failure must not reach this thread";
}

TEST(FunctionBuiltin, MatchesStdComplexAtOrdinaryPoints) {
  const C points[] = {{0.3, 0.4}, {2.5, -1.1}, {-1.2, 0.7}, {-0.4, -2.2}};
  for (const BuiltinRow& row : kBuiltins) {
    for (C z : points) {
      SCOPED_TRACE(std::string(row.name) + " at " + std::to_string(z.real()) + "," +
                   std::to_string(z.imag()));
      const McComplex got = Apply(row.name, z);
      // acosh uses ln(z + sqrt(z^2 - 1)): in the left half-plane that is the
      // other inverse of cosh, so there only the identity is checked.
      if (std::string(row.name) != "acosh" || z.real() >= 0) {
        EXPECT_TRUE(Near(got, Mc(row.reference(z)), 1e-12)) << got.re << " " << got.im;
      }
      if (row.inverse) {
        EXPECT_TRUE(Near(Mc(row.inverse(C(got.re, got.im))), Mc(z), 1e-11));
      }
    }
  }
}

// On each cut the value is the standard library's on one side of it.
TEST(FunctionBuiltin, BranchCutsTakeOneSide) {
  const struct {
    const char* name;
    C z;
  } cuts[] = {{"asin", {2.0, 0.0}},  {"asin", {-2.0, 0.0}}, {"acos", {3.0, 0.0}},
              {"acos", {-3.0, 0.0}}, {"atan", {0.0, 2.0}},  {"atanh", {2.0, 0.0}},
              {"asinh", {0.0, 2.0}}, {"acosh", {0.5, 0.0}}};
  for (const auto& cut : cuts) {
    SCOPED_TRACE(std::string(cut.name) + " at " + std::to_string(cut.z.real()));
    const BuiltinRow& row = Builtin(cut.name);
    const McComplex got = Apply(cut.name, cut.z);
    bool onOneSide = false;
    for (C side : {C(cut.z.real(), +0.0), C(cut.z.real(), -0.0), C(-0.0, cut.z.imag()),
                   C(+0.0, cut.z.imag())})
      onOneSide |= std::abs(side - cut.z) == 0 && Near(got, Mc(row.reference(side)), 1e-12);
    EXPECT_TRUE(onOneSide) << got.re << " " << got.im;
    EXPECT_TRUE(Near(Mc(row.inverse(C(got.re, got.im))), Mc(cut.z), 1e-11));
  }
}

// Names match exactly; a styled name (Greek, decorated) is no built-in, and
// what is no built-in evaluates to 0 with the flag. The sign negates.
TEST(FunctionBuiltin, NodeMatchesExactNamesAndAppliesItsSign) {
  const struct {
    const char* name;
    WORD flags;
    double expected;  // 0: not a built-in
  } rows[] = {{"sin", 0, std::sin(0.5)},
              {"sin", 1, -std::sin(0.5)},
              {"Sin", 0, 0},
              {"sinus", 0, 0},
              {"sin", 0x10, 0},
              {"sin", 0x0200, 0},
              {"sin", 0x1000, std::sin(0.5)},
              {"sin", 0x00C4, std::sin(0.5)},
              {"exp", 0, 0}};
  g_bEvalError = 0;
  for (const auto& row : rows) {
    std::unique_ptr<CMcFunction> f(Fn(row.name, Real(0.5), row.flags));
    EXPECT_DOUBLE_EQ(Eval(f.get()).re, row.expected) << row.name << " " << row.flags;
    EXPECT_EQ(TakeEvalError(), row.expected == 0) << row.name << " " << row.flags;
  }
}

TEST(FunctionList, ValuesOfTheTwoElementList) {
  g_bEvalError = 0;
  const struct {
    const char* name;
    McComplex a, b, want;
  } rows[] = {
      {"atan2", {1, 0}, {0, 0}, {kPi / 2, 0}}, {"atan2", {-1, 0}, {-1, 0}, {-3 * kPi / 4, 0}},
      {"rem", {7.5, 0}, {2, 0}, {1.5, 0}},     {"rem", {7, 3}, {2, 2}, {1, 1}},
      {"rem", {-7.5, 0}, {2, 0}, {-1.5, 0}},   {"polar", {2, 0}, {kPi, 0}, {-2, 2 * std::sin(kPi)}},
  };
  for (const auto& row : rows) {
    std::unique_ptr<CMcFunction> f(
        Fn(row.name, Matrix(2, {new ValueLeaf(row.a), new ValueLeaf(row.b)})));
    const McComplex v = Eval(f.get());
    EXPECT_TRUE(Near(v, row.want)) << row.name << " " << v.re << " " << v.im;
  }
  std::unique_ptr<CMcFunction> zeroDivisor(Fn("rem", Matrix(2, {Real(3), Real(0)})));
  EXPECT_TRUE(std::isnan(Eval(zeroDivisor.get()).re));
  EXPECT_EQ(g_bEvalError, 0);
}

TEST(FunctionList, ArgumentsThatAreNotATwoElementListFallBackWithTheFlag) {
  const NodePtr arguments[] = {NodePtr(Real(1)), NodePtr(Matrix(3, {Real(1), Real(2), Real(3)})),
                               NodePtr(Matrix(2, {Real(1), Real(0)}, 1))};  // the last signed
  for (const NodePtr& argument : arguments) {
    for (const char* name : {"atan2", "rem", "polar"}) {
      std::unique_ptr<CMcFunction> f(Fn(name, argument->Clone()));
      const McComplex v = Eval(f.get());
      EXPECT_TRUE(TakeEvalError()) << name << " of a " << argument->GetName();
      EXPECT_TRUE(v.re == 0.0 && v.im == 0.0) << name << " of a " << argument->GetName();
    }
  }
}

TEST(FunctionRandom, SequenceSeedAndSign) {
  // The linear congruential generator 214013 / 2531011 with 15 output bits,
  // started from 1, gives the well-known sequence 41, 18467, 6334, 26500.
  McRandSeed(1);
  for (int expected : {41, 18467, 6334, 26500}) EXPECT_EQ(McRandDraw(), expected);
  // srand seeds with the truncated modulus and returns 1 (with its sign);
  // seed 3 draws 48 first, and rand(1) is 1 * (2 * 48 / 32767) - 1, which a
  // minus sign negates.
  std::unique_ptr<CMcFunction> seed(Fn("srand", Real(3.9))), negSeed(Fn("srand", Real(3.9), 1));
  std::unique_ptr<CMcFunction> rand(Fn("rand", Real(1))), negRand(Fn("rand", Real(1), 1));
  EXPECT_TRUE(Near(Eval(seed.get()), {1, 0}));
  EXPECT_DOUBLE_EQ(Eval(rand.get()).re, 96 / 32767.0 - 1);
  EXPECT_TRUE(Near(Eval(negSeed.get()), {-1, 0}));
  EXPECT_DOUBLE_EQ(Eval(negRand.get()).re, 1 - 96 / 32767.0);
  EXPECT_EQ(McRandSeedOf({4294967296.0 + 7.5, 0}), 7u);
  EXPECT_EQ(McRandSeedOf({std::nan(""), 0}), 0u);
  EXPECT_EQ(McRandSeedOf({INFINITY, 0}), 0u);
}

TEST(FunctionRandomThreads, EachThreadHasItsOwnState) {
  McRandSeed(77);
  const int expectedMain = McRandDraw();
  McRandSeed(77);
  int workerFirst = -1;
  std::thread worker([&] {
    workerFirst = McRandDraw();  // a fresh thread starts from state 1
    McRandSeed(5);               // and seeding it leaves this thread alone
  });
  worker.join();
  EXPECT_EQ(workerFirst, 41);
  EXPECT_EQ(McRandDraw(), expectedMain);
}
