// The one-letter signal functions: which signal and channel they read, how
// time maps to a sample (clamped), and that a whole run equals the
// sample-by-sample evaluation except where the two paths are meant to differ.
#include "McTestSupport.h"

using namespace mctest;

namespace {

// Letter codes of SignalDoc: c r v d n e w u y (y+d) z.
int CodeOf(char letter) {
  const std::string order = "crvdnewuy";
  return letter == 'z' ? 11 : static_cast<int>(order.find(letter)) + 1;
}

}  // namespace

// Each letter reads its own signal in both paths; a style does not change
// that, a minus sign negates, and any other name falls back to 0 with the
// flag. A documented difference: a whole run of y reads y + d (the measured
// output of a simulation), one sample the process output.
TEST(Signal, LettersReadTheirSignalInBothPaths) {
  auto doc = SignalDoc();
  for (char letter : std::string("crvdnewuyz")) {
    for (WORD flags : {0x0000, 0x0210, 0x0001}) {
      std::unique_ptr<CMcFunction> f(Fn(std::string(1, letter).c_str(), Time(), flags));
      const double sign = flags & 1 ? -1 : 1;
      const int wholeRunCode = letter == 'y' ? 10 : CodeOf(letter);
      Values whole(f->EvaluateVector(doc.get()));
      EXPECT_DOUBLE_EQ(EvalAt(f.get(), doc.get(), 7).re, sign * SampleValue(CodeOf(letter), 0, 7))
          << letter << " flags " << flags;
      EXPECT_DOUBLE_EQ(whole[7].re, sign * SampleValue(wholeRunCode, 0, 7)) << letter << flags;
    }
  }
  g_bEvalError = 0;
  for (const char* name : {"yy", "f", "Y", "", "t"}) {
    std::unique_ptr<CMcFunction> f(Fn(name, Time()));
    EXPECT_EQ(EvalAt(f.get(), doc.get(), 3).re, 0.0) << name;
    EXPECT_TRUE(TakeEvalError()) << name;
  }
}

// The subscript names the channel from 1; a channel out of range gives NaN
// and is no evaluation error.
TEST(Signal, SubscriptSelectsTheChannel) {
  auto doc = SignalDoc();
  g_bEvalError = 0;
  const struct {
    const char* sub;
    int channel;  // -1: out of range
  } rows[] = {{"", 0},   {"1", 0},  {"2", 1},   {"3", -1},
              {"0", -1}, {"x", -1}, {"-4", -1}, {"99999999999999", -1}};
  for (const auto& row : rows) {
    std::unique_ptr<CMcFunction> f(Fn("r", Time(), 0, row.sub));
    const McComplex v = EvalAt(f.get(), doc.get(), 5);
    if (row.channel < 0) {
      EXPECT_TRUE(std::isnan(v.re)) << row.sub;
    } else {
      EXPECT_DOUBLE_EQ(v.re, SampleValue(2, row.channel, 5)) << row.sub;
    }
  }
  EXPECT_EQ(g_bEvalError, 0);
}

// x / Ts truncated; beyond the signal the last sample, before it or not
// finite the first.
TEST(Signal, TimeMapsToTheTruncatedSampleAndIsClamped) {
  auto doc = SignalDoc(40, 0.25, 40);
  const struct {
    double x;
    int k;
  } rows[] = {{0.0, 0}, {0.74, 2}, {0.75, 3},  {9.75, 39},        {9.9, 39},    {1e6, 39},
              {-5, 0},  {-0.1, 0}, {1e300, 0}, {std::nan(""), 0}, {INFINITY, 0}};
  for (const auto& row : rows) {
    std::unique_ptr<CMcFunction> f(Fn("u", Real(row.x)));
    EXPECT_DOUBLE_EQ(EvalAt(f.get(), doc.get(), 0).re, SampleValue(CodeOf('u'), 0, row.k)) << row.x;
  }
}

// With a sampling time whose multiples do not divide back exactly, only the
// short-cut for an unsigned t reads the very step; it clamps the step too.
TEST(Signal, UnsignedTimeReadsTheCurrentStepWithoutEvaluatingIt) {
  auto doc = SignalDoc(40, 0.1, 40);
  std::unique_ptr<CMcFunction> direct(Fn("c", Time())), negated(Fn("c", Time(1)));
  for (int k = 0; k < 40; ++k)
    EXPECT_DOUBLE_EQ(EvalAt(direct.get(), doc.get(), k).re, SampleValue(1, 0, k));
  EXPECT_DOUBLE_EQ(EvalAt(negated.get(), doc.get(), 20).re, SampleValue(1, 0, 0));
  EXPECT_DOUBLE_EQ(EvalAt(direct.get(), doc.get(), 500).re, SampleValue(1, 0, 39));
  EXPECT_DOUBLE_EQ(EvalAt(direct.get(), doc.get(), -3).re, SampleValue(1, 0, 0));
}

TEST(Signal, SignalWithoutSamplesGivesNaN) {
  auto doc = SignalDoc();
  doc->m_system.m_e.m_nColumns = 0;
  std::unique_ptr<CMcFunction> f(Fn("e", Time())), g(Fn("e", Real(1)));
  EXPECT_TRUE(std::isnan(EvalAt(f.get(), doc.get(), 3).re));
  Values v(g->EvaluateVector(doc.get()));
  EXPECT_TRUE(std::isnan(v[0].re));
}

// Letters read in both paths as the first test shows; what they are
// combined with must agree too.
TEST(SignalVector, WholeRunEqualsSampleBySample) {
  auto doc = SignalDoc(40, 0.25, 40);
  const struct {
    const char* what;
    NodePtr node;
  } rows[] = {
      {"v(-t)", NodePtr(Fn("v", Time(1)))},
      {"d(2.6)", NodePtr(Fn("d", Real(2.6)))},
      {"sin(e(t))", NodePtr(Fn("sin", Fn("e", Time())))},
      {"-polar([t, e(t)])", NodePtr(Fn("polar", Matrix(2, {Time(), Fn("e", Time())}), 1))},
      {"{w3(t); c(t)}",
       NodePtr(ListOf<CMcListbody>(0, {Fn("w", Time(), 0, "3"), Fn("c", Time())}))},
      {"-srand(t)", NodePtr(Fn("srand", Time(), 1))},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.what);
    g_bEvalError = 0;
    Values whole(row.node->EvaluateVector(doc.get()));
    for (int k = 0; k < 40; ++k) {
      const McComplex one = EvalAt(row.node.get(), doc.get(), k);
      if (std::isnan(one.re)) {
        EXPECT_TRUE(std::isnan(whole[k].re)) << k;
      } else {
        EXPECT_DOUBLE_EQ(whole[k].re, one.re) << k;
        EXPECT_DOUBLE_EQ(whole[k].im, one.im) << k;
      }
    }
    EXPECT_FALSE(TakeEvalError());
  }
}

// A documented difference: a whole run draws x u for plain rand (0 .. x),
// -x u under a minus sign and x (2u) - x under plus-minus; one sample always
// spans -x .. x.
TEST(SignalVector, RandRangesDifferBetweenThePaths) {
  auto doc = SignalDoc(64, 0.25, 64);
  const struct {
    WORD flags;
    double (*value)(double u);
  } rows[] = {{0, [](double u) { return 2 * u; }},
              {1, [](double u) { return -2 * u; }},
              {2, [](double u) { return 2 * (2 * u) - 2; }}};
  for (const auto& row : rows) {
    std::unique_ptr<CMcFunction> r(Fn("rand", Real(2), row.flags));
    McRandSeed(99);
    Values whole(r->EvaluateVector(doc.get()));
    McRandSeed(99);
    for (int k = 0; k < 64; ++k)
      EXPECT_DOUBLE_EQ(whole[k].re, row.value(McRandDraw() / 32767.0)) << k;
  }
  std::unique_ptr<CMcFunction> plain(Fn("rand", Real(2)));
  McRandSeed(99);
  double lowest = 0;
  for (int k = 0; k < 64; ++k) lowest = std::min(lowest, Eval(plain.get()).re);
  EXPECT_LT(lowest, 0.0);
}

TEST(SignalVector, SrandSeedsOnceFromTheFirstSampleAndNotAtAllWithoutSamples) {
  auto doc = SignalDoc(5, 0.25, 40);
  std::unique_ptr<CMcFunction> s(Fn("srand", Fn("c", Time())));
  McRandSeed(1);
  Values whole(s->EvaluateVector(doc.get()));
  for (int k = 0; k < 5; ++k) EXPECT_DOUBLE_EQ(whole[k].re, 1.0);
  const int afterSeed = McRandDraw();
  McRandSeed(static_cast<DWORD>(SampleValue(1, 0, 0)));
  EXPECT_EQ(afterSeed, McRandDraw());
  doc->m_system.m_nSteps = 0;
  McRandSeed(1);
  whole.reset(s->EvaluateVector(doc.get()));
  EXPECT_EQ(McRandDraw(), 41) << "still the initial state";
}
