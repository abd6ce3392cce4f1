// The built-in functions of a function node against the standard library's
// complex functions, at ordinary points and on their branch cuts.
#include "FunctionTestSupport.h"

#include "MC/McFunctions.h"

#include <gtest/gtest.h>

#include <complex>
#include <functional>
#include <numbers>
#include <thread>

using namespace fntest;
using C = std::complex<double>;

namespace {

McComplex Mc(C z) {
  return {z.real(), z.imag()};
}

McComplex Apply(const char* name, C z) {
  return McEvaluateBuiltin(McFindBuiltin(name), Mc(z));
}

struct BuiltinRow {
  const char* name;
  std::function<C(C)> reference;
  std::function<C(C)> inverse;  // the function it inverts, for identity checks
};

const std::vector<BuiltinRow>& Rows() {
  static const std::vector<BuiltinRow> rows = {
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
  return rows;
}

}  // namespace

TEST(FunctionBuiltin, MatchesStdComplexAtOrdinaryPoints) {
  const C points[] = {{0.3, 0.4}, {2.5, -1.1}, {0.1, -0.2}, {-1.2, 0.7}, {-0.4, -2.2}, {1.7, 0.3}};
  for (const BuiltinRow& row : Rows()) {
    for (C z : points) {
      SCOPED_TRACE(std::string(row.name) + " at " + std::to_string(z.real()) + "," +
                   std::to_string(z.imag()));
      const McComplex got = Apply(row.name, z);
      // acosh uses ln(z + sqrt(z^2 - 1)): in the left half-plane that is the
      // other inverse of cosh, so there only the identity is checked.
      const bool otherBranch = std::string(row.name) == "acosh" && z.real() < 0;
      if (!otherBranch) {
        EXPECT_TRUE(Near(got, Mc(row.reference(z)), 1e-12))
            << got.re << " " << got.im << " vs " << row.reference(z);
      }
      if (row.inverse) {
        EXPECT_TRUE(Near(Mc(row.inverse(C(got.re, got.im))), Mc(z), 1e-11));
      }
    }
  }
}

TEST(FunctionBuiltin, BranchCutsFollowTheSignOfAZeroImaginaryPart) {
  // asin 2 lies below the cut (the principal root of 1 - 4 + 0j is +j sqrt 3).
  const McComplex a = Apply("asin", {2.0, 0.0});
  EXPECT_NEAR(a.re, std::numbers::pi / 2, 1e-12);
  EXPECT_NEAR(a.im, -1.3169578969248166, 1e-12);
  EXPECT_TRUE(Near(a, Mc(std::asin(C(2.0, -0.0)))));
  // On each cut the value is the standard library's on one side of it.
  struct Cut {
    const char* name;
    C z;
  };
  const Cut cuts[] = {{"asin", {-2.0, 0.0}}, {"acos", {3.0, 0.0}},  {"acos", {-3.0, 0.0}},
                      {"atan", {0.0, 2.0}},  {"atanh", {2.0, 0.0}}, {"asinh", {0.0, 2.0}},
                      {"acosh", {0.5, 0.0}}};
  for (const Cut& cut : cuts) {
    SCOPED_TRACE(cut.name);
    const BuiltinRow& row = *std::find_if(Rows().begin(), Rows().end(), [&](const BuiltinRow& r) {
      return std::string(r.name) == cut.name;
    });
    const McComplex got = Apply(cut.name, cut.z);
    const C above(cut.z.real() + 0.0, +0.0), below(cut.z.real(), -0.0);
    const C left(-0.0, cut.z.imag()), right(+0.0, cut.z.imag());
    const C sides[] = {above, below, left, right};
    bool onOneSide = false;
    for (C s : sides)
      if (std::abs(s - cut.z) == 0 && Near(got, Mc(row.reference(s)), 1e-12)) onOneSide = true;
    EXPECT_TRUE(onOneSide) << got.re << " " << got.im;
    EXPECT_TRUE(Near(Mc(row.inverse(C(got.re, got.im))), Mc(cut.z), 1e-11));
  }
  EXPECT_NEAR(Apply("acos", {1.0, 0.0}).re, 0.0, 1e-15);
  EXPECT_NEAR(Apply("acos", {1.0, 0.0}).im, 0.0, 1e-15);
}

TEST(FunctionBuiltin, SingularPointsGiveNonFiniteValuesWithoutTheFlag) {
  g_bEvalError = 0;
  struct Row {
    const char* name;
    C z;
  };
  const Row rows[] = {{"atan", {0.0, 1.0}}, {"atanh", {1.0, 0.0}}, {"cosec", {0.0, 0.0}},
                      {"cot", {0.0, 0.0}},  {"coth", {0.0, 0.0}},  {"cosech", {0.0, 0.0}},
                      {"sign", {0.0, 0.0}}};
  for (const Row& row : rows) {
    const McComplex v = Apply(row.name, row.z);
    EXPECT_FALSE(std::isfinite(v.re) && std::isfinite(v.im)) << row.name;
  }
  const McComplex s = Apply("sign", {0.0, 0.0});
  EXPECT_TRUE(std::isnan(s.re) && std::isnan(s.im));
  EXPECT_EQ(g_bEvalError, 0);
}

TEST(FunctionBuiltin, WorkedValuesOfTheCircularFunctions) {
  EXPECT_TRUE(Near(Apply("sin", {0, 0}), {0, 0}));
  EXPECT_TRUE(Near(Apply("cos", {0, 0}), {1, 0}));
  EXPECT_TRUE(Near(Apply("sin", {0, 0.7}), {0, std::sinh(0.7)}));
  EXPECT_TRUE(Near(Apply("sign", {3, 4}), {0.6, 0.8}));
}

TEST(FunctionBuiltin, NodeEvaluatesItsArgumentAndAppliesItsSign) {
  g_bEvalError = 0;
  std::unique_ptr<CMcFunction> f(Fn("cosh", Real(0.5), 1));
  const McComplex v = Eval(f.get());
  EXPECT_DOUBLE_EQ(v.re, -std::cosh(0.5));
  EXPECT_EQ(v.im, 0.0);
  EXPECT_EQ(g_bEvalError, 0);
}

TEST(FunctionBuiltin, NamesAreExactAndStyledNamesAreNotBuiltIn) {
  g_bEvalError = 0;
  struct Row {
    const char* name;
    WORD flags;
    bool builtin;
  };
  const Row rows[] = {{"sin", 0, true},      {"Sin", 0, false},      {"sinus", 0, false},
                      {"sin", 0x10, false},  {"sin", 0x0200, false}, {"sin", 0x0800, false},
                      {"sin", 0x1000, true}, {"sin", 0x00C4, true},  {"exp", 0, false}};
  for (const Row& row : rows) {
    g_bEvalError = 0;
    std::unique_ptr<CMcFunction> f(Fn(row.name, Real(0.5), row.flags));
    const McComplex v = Eval(f.get());
    EXPECT_EQ(g_bEvalError, row.builtin ? 0 : 1) << row.name << " " << row.flags;
    EXPECT_DOUBLE_EQ(std::abs(v.re), row.builtin ? std::sin(0.5) : 0.0);
  }
  g_bEvalError = 0;
}

// ---- list functions ---------------------------------------------------------

TEST(FunctionList, ValuesOfTheTwoElementList) {
  g_bEvalError = 0;
  struct Row {
    const char* name;
    double a, ai, b, bi;
    McComplex want;
  };
  const double pi = std::numbers::pi;
  const Row rows[] = {
      {"atan2", 1, 0, 0, 0, {pi / 2, 0}}, {"atan2", -1, 0, -1, 0, {-3 * pi / 4, 0}},
      {"rem", 7.5, 0, 2, 0, {1.5, 0}},    {"rem", 7, 3, 2, 2, {1, 1}},
      {"rem", -7.5, 0, 2, 0, {-1.5, 0}},  {"polar", 2, 0, pi, 0, {-2, 2 * std::sin(pi)}},
  };
  for (const Row& row : rows) {
    auto element = [](double re, double im) -> CMcBasic* {
      if (im == 0) return Real(re);
      // re + im j as atan2-free list element: a function of a two-element list
      // that polar turns into re + im j.
      return Fn("polar", Matrix({Real(std::hypot(re, im)), Real(std::atan2(im, re))}, 2));
    };
    std::unique_ptr<CMcFunction> f(
        Fn(row.name, Matrix({element(row.a, row.ai), element(row.b, row.bi)}, 2)));
    const McComplex v = Eval(f.get());
    EXPECT_TRUE(Near(v, row.want, 1e-12)) << row.name << " " << v.re << " " << v.im;
  }
  EXPECT_EQ(g_bEvalError, 0);
}

TEST(FunctionList, ZeroDivisorOfRemGivesNaNWithoutTheFlag) {
  g_bEvalError = 0;
  std::unique_ptr<CMcFunction> f(Fn("rem", Matrix({Real(3), Real(0)}, 2)));
  EXPECT_TRUE(std::isnan(Eval(f.get()).re));
  EXPECT_EQ(g_bEvalError, 0);
}

TEST(FunctionList, ArgumentsThatAreNotATwoElementListFallBackWithTheFlag) {
  struct Row {
    const char* what;
    CMcBasic* argument;
  };
  Row rows[] = {
      {"single value", Real(1)},
      {"three elements", Matrix({Real(1), Real(2), Real(3)}, 3)},
      {"one element", Matrix({Real(1)}, 1)},
      {"signed list", Matrix({Real(1), Real(0)}, 2, 1)},
  };
  for (Row& row : rows) {
    for (const char* name : {"atan2", "rem", "polar"}) {
      g_bEvalError = 0;
      std::unique_ptr<CMcFunction> f(Fn(name, row.argument->Clone()));
      const McComplex v = Eval(f.get());
      EXPECT_EQ(g_bEvalError, 1) << name << " of " << row.what;
      EXPECT_EQ(v.re, 0.0);
      EXPECT_EQ(v.im, 0.0);
    }
    delete row.argument;
  }
  g_bEvalError = 0;
}

TEST(FunctionList, NegatedListFunctionNegatesBothParts) {
  std::unique_ptr<CMcFunction> f(Fn("polar", Matrix({Real(2), Real(0.5)}, 2), 1));
  EXPECT_TRUE(Near(Eval(f.get()), {-2 * std::cos(0.5), -2 * std::sin(0.5)}));
}

// ---- the random pair ------------------------------------------------------------

TEST(FunctionRandom, GeneratorSequenceFromTheInitialState) {
  // The linear congruential generator 214013 / 2531011 with 15 output bits,
  // started from 1, gives the well-known sequence 41, 18467, 6334, 26500.
  McRandSeed(1);
  EXPECT_EQ(McRandDraw(), 41);
  EXPECT_EQ(McRandDraw(), 18467);
  EXPECT_EQ(McRandDraw(), 6334);
  EXPECT_EQ(McRandDraw(), 26500);
}

TEST(FunctionRandom, SrandSeedsWithTheTruncatedModulusAndRandScalesItsArgument) {
  std::unique_ptr<CMcFunction> seed(Fn("srand", Real(3.9)));
  std::unique_ptr<CMcFunction> rand(Fn("rand", Real(1)));
  std::unique_ptr<CMcFunction> negRand(Fn("rand", Real(1), 1));
  EXPECT_TRUE(Near(Eval(seed.get()), {1, 0}));
  // Seed 3 draws 48 first: 1 * (2 * 48 / 32767) - 1.
  EXPECT_DOUBLE_EQ(Eval(rand.get()).re, 96 / 32767.0 - 1);
  // A minus sign negates the drawn value (second draw from seed 3).
  Eval(seed.get());
  McRandDraw();
  const int second = McRandDraw();
  Eval(seed.get());
  McRandDraw();
  EXPECT_DOUBLE_EQ(Eval(negRand.get()).re, -(2.0 * second / 32767.0 - 1));
  std::unique_ptr<CMcFunction> negSeed(Fn("srand", Real(3.9), 1));
  EXPECT_TRUE(Near(Eval(negSeed.get()), {-1, 0}));
}

TEST(FunctionRandom, MinusRandStaysWithinTheNegatedRange) {
  std::unique_ptr<CMcFunction> negRand(Fn("rand", Real(1), 1));
  McRandSeed(12345);
  for (int i = 0; i < 200; ++i) {
    const double v = Eval(negRand.get()).re;
    EXPECT_GE(v, -1.0);
    EXPECT_LE(v, 1.0);
  }
}

TEST(FunctionRandom, HugeAndNonFiniteSeedsAreWellDefined) {
  EXPECT_EQ(McRandSeedOf({4294967296.0 + 7.5, 0}), 7u);
  EXPECT_EQ(McRandSeedOf({std::nan(""), 0}), 0u);
  EXPECT_EQ(McRandSeedOf({INFINITY, 0}), 0u);
  EXPECT_EQ(McRandSeedOf({3, 4}), 5u);
}

TEST(FunctionRandomThreads, EachThreadHasItsOwnState) {
  McRandSeed(77);
  const int expectedMain = [] {
    McRandSeed(77);
    return McRandDraw();
  }();
  McRandSeed(77);
  int workerFirst = -1;
  std::thread worker([&] {
    workerFirst = McRandDraw();  // a fresh thread starts from state 1
    McRandSeed(5);               // and seeding it leaves this thread alone
    McRandDraw();
  });
  worker.join();
  EXPECT_EQ(workerFirst, 41);
  EXPECT_EQ(McRandDraw(), expectedMain);
}
