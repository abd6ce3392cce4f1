// The one-letter signal functions: which signal and channel they read, how
// time maps to a sample, and that a whole run equals the sample-by-sample
// evaluation except where the two paths are meant to differ.
#include "FunctionTestSupport.h"

#include "MC/McFunctions.h"
#include "MC/Mc_listbody.h"

#include <gtest/gtest.h>

#include <string>

using namespace fntest;

namespace {

// Letter codes of SignalDoc: c r v d n e w u y (y+d) z.
int CodeOf(char letter) {
  const std::string order = "crvdnewuy";
  return letter == 'z' ? 11 : static_cast<int>(order.find(letter)) + 1;
}

// Evaluates at step k of the document's own loop.
McComplex At(const CMcBasic* node, CQorexDoc* doc, int k) {
  doc->m_system.m_nStep = k;
  return Eval(node, doc, &doc->m_system);
}

}  // namespace

TEST(Signal, EachLetterReadsItsSignalAtTheCurrentStep) {
  auto doc = SignalDoc();
  for (char letter : std::string("crvdnewuyz")) {
    std::unique_ptr<CMcFunction> f(Fn(std::string(1, letter).c_str(), Time()));
    EXPECT_DOUBLE_EQ(At(f.get(), doc.get(), 7).re, SampleValue(CodeOf(letter), 0, 7)) << letter;
    EXPECT_EQ(At(f.get(), doc.get(), 7).im, 0.0);
  }
}

TEST(Signal, SubscriptSelectsTheChannel) {
  auto doc = SignalDoc();
  g_bEvalError = 0;
  struct Row {
    const char* sub;
    int channel;
  };  // channel -1: out of range
  const Row rows[] = {{"", 0},   {"1", 0},  {"2", 1},   {"3", -1},
                      {"0", -1}, {"x", -1}, {"-4", -1}, {"99999999999999", -1}};
  for (const Row& row : rows) {
    std::unique_ptr<CMcFunction> f(Fn("r", Time(), 0, row.sub));
    const McComplex v = At(f.get(), doc.get(), 5);
    if (row.channel < 0) {
      EXPECT_TRUE(std::isnan(v.re)) << row.sub;
    } else {
      EXPECT_DOUBLE_EQ(v.re, SampleValue(2, row.channel, 5)) << row.sub;
    }
    EXPECT_EQ(v.im, 0.0);
  }
  EXPECT_EQ(g_bEvalError, 0);  // an absent channel is not an evaluation error
}

TEST(Signal, TimeMapsToTheTruncatedSampleAndIsClamped) {
  auto doc = SignalDoc(40, 0.25, 40);
  struct Row {
    double x;
    int k;
  };
  const Row rows[] = {{0.0, 0}, {0.74, 2}, {0.75, 3},  {9.75, 39},        {9.9, 39},    {1e6, 39},
                      {-5, 0},  {-0.1, 0}, {1e300, 0}, {std::nan(""), 0}, {INFINITY, 0}};
  for (const Row& row : rows) {
    std::unique_ptr<CMcFunction> f(Fn("u", Real(std::abs(row.x), std::signbit(row.x) ? 1 : 0)));
    EXPECT_DOUBLE_EQ(At(f.get(), doc.get(), 0).re, SampleValue(CodeOf('u'), 0, row.k)) << row.x;
  }
}

TEST(Signal, UnsignedTimeReadsTheCurrentStepWithoutEvaluatingIt) {
  // With a sampling time whose multiples do not divide back exactly, only the
  // short-cut reads the very step.
  auto doc = SignalDoc(40, 0.1, 40);
  std::unique_ptr<CMcFunction> direct(Fn("c", Time()));
  for (int k = 0; k < 40; ++k)
    EXPECT_DOUBLE_EQ(At(direct.get(), doc.get(), k).re, SampleValue(1, 0, k));
  // The negated time is evaluated: y(-t) clamps to the first sample.
  std::unique_ptr<CMcFunction> negated(Fn("c", Time(1)));
  EXPECT_DOUBLE_EQ(At(negated.get(), doc.get(), 20).re, SampleValue(1, 0, 0));
  // The short-cut clamps a current step beyond the signal.
  EXPECT_DOUBLE_EQ(At(direct.get(), doc.get(), 500).re, SampleValue(1, 0, 39));
  EXPECT_DOUBLE_EQ(At(direct.get(), doc.get(), -3).re, SampleValue(1, 0, 0));
}

TEST(Signal, SignalWithoutSamplesGivesNaN) {
  auto doc = SignalDoc();
  doc->m_system.m_e.m_nColumns = 0;
  std::unique_ptr<CMcFunction> f(Fn("e", Time()));
  EXPECT_TRUE(std::isnan(At(f.get(), doc.get(), 3).re));
  std::unique_ptr<CMcFunction> g(Fn("e", Real(1)));
  McComplex* v = g->EvaluateVector(doc.get());
  EXPECT_TRUE(std::isnan(v[0].re));
  delete[] v;
}

TEST(Signal, MinusSignNegatesTheSample) {
  auto doc = SignalDoc();
  std::unique_ptr<CMcFunction> f(Fn("w", Time(), 1));
  EXPECT_DOUBLE_EQ(At(f.get(), doc.get(), 4).re, -SampleValue(CodeOf('w'), 0, 4));
}

TEST(Signal, OtherNamesFallBackWithTheFlag) {
  auto doc = SignalDoc();
  for (const char* name : {"yy", "f", "Y", "", "t"}) {
    g_bEvalError = 0;
    std::unique_ptr<CMcFunction> f(Fn(name, Time()));
    const McComplex v = At(f.get(), doc.get(), 3);
    EXPECT_EQ(g_bEvalError, 1) << name;
    EXPECT_EQ(v.re, 0.0);
  }
  g_bEvalError = 0;
}

TEST(Signal, StyledLetterStillReadsItsSignal) {
  auto doc = SignalDoc();
  std::unique_ptr<CMcFunction> f(Fn("z", Time(), 0x0210));
  EXPECT_DOUBLE_EQ(At(f.get(), doc.get(), 2).re, SampleValue(CodeOf('z'), 0, 2));
}

// ---- whole runs against sample by sample ------------------------------------

TEST(SignalVector, WholeRunEqualsSampleBySample) {
  auto doc = SignalDoc(40, 0.25, 40);
  struct Row {
    const char* what;
    CMcBasic* (*make)();
  };
  const Row rows[] = {
      {"c(t)", [] { return static_cast<CMcBasic*>(Fn("c", Time())); }},
      {"r2(t)", [] { return static_cast<CMcBasic*>(Fn("r", Time(), 0, "2")); }},
      {"-u(t)", [] { return static_cast<CMcBasic*>(Fn("u", Time(), 1)); }},
      {"w3(t)", [] { return static_cast<CMcBasic*>(Fn("w", Time(), 0, "3")); }},
      {"v(-t)", [] { return static_cast<CMcBasic*>(Fn("v", Time(1))); }},
      {"d(2.6)", [] { return static_cast<CMcBasic*>(Fn("d", Real(2.6))); }},
      {"sin(e(t))", [] { return static_cast<CMcBasic*>(Fn("sin", Fn("e", Time()))); }},
      {"n(z(t))", [] { return static_cast<CMcBasic*>(Fn("n", Fn("z", Time()))); }},
      {"atan2([c(t), d(t)])",
       [] {
         return static_cast<CMcBasic*>(Fn("atan2", Matrix({Fn("c", Time()), Fn("d", Time())}, 2)));
       }},
      {"rem([z(t), 7])",
       [] {
         return static_cast<CMcBasic*>(Fn("rem", Matrix({Fn("z", Time()), Real(7)}, 2)));
       }},
      {"-polar([t, e(t)])",
       [] {
         return static_cast<CMcBasic*>(Fn("polar", Matrix({Time(), Fn("e", Time())}, 2), 1));
       }},
      {"[cosh(t)]", [] { return static_cast<CMcBasic*>(Matrix({Fn("cosh", Time())}, 1, 1)); }},
      {"{w3(t); c(t)}",
       [] {
         auto* l = new CMcListbody(0);
         l->AppendChild(Fn("w", Time(), 0, "3"));
         l->AppendChild(Fn("c", Time()));
         return static_cast<CMcBasic*>(l);
       }},
      {"srand(t)", [] { return static_cast<CMcBasic*>(Fn("srand", Time(), 1)); }},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.what);
    std::unique_ptr<CMcBasic> node(row.make());
    g_bEvalError = 0;
    McComplex* whole = node->EvaluateVector(doc.get());
    for (int k = 0; k < 40; ++k) {
      const McComplex one = At(node.get(), doc.get(), k);
      if (std::isnan(one.re)) {
        EXPECT_TRUE(std::isnan(whole[k].re)) << k;
      } else {
        EXPECT_DOUBLE_EQ(whole[k].re, one.re) << k;
        EXPECT_DOUBLE_EQ(whole[k].im, one.im) << k;
      }
    }
    EXPECT_EQ(g_bEvalError, 0);
    delete[] whole;
  }
}

TEST(SignalVector, LetterYReadsTheMeasuredOutputInAWholeRun) {
  // A whole run reads y + d (the post-compensator's input); one sample reads
  // the process output.
  auto doc = SignalDoc();
  std::unique_ptr<CMcFunction> y(Fn("y", Time()));
  McComplex* whole = y->EvaluateVector(doc.get());
  for (int k = 0; k < 40; ++k) {
    EXPECT_DOUBLE_EQ(whole[k].re, SampleValue(10, 0, k));
    EXPECT_DOUBLE_EQ(At(y.get(), doc.get(), k).re, SampleValue(9, 0, k));
  }
  delete[] whole;
}

TEST(SignalVector, RandRangesDifferBetweenThePaths) {
  // A whole run draws x * u for plain rand (0 .. x), -x * u under a minus
  // sign and x (2u) - x under plus-minus; one sample always spans -x .. x.
  auto doc = SignalDoc(64, 0.25, 64);
  struct Row {
    WORD flags;
    double (*value)(double u);
  };
  const Row rows[] = {{0, [](double u) { return 2 * u; }},
                      {1, [](double u) { return -2 * u; }},
                      {2, [](double u) { return 2 * (2 * u) - 2; }},
                      {3, [](double u) { return 2 * (2 * u) - 2; }}};
  for (const Row& row : rows) {
    std::unique_ptr<CMcFunction> r(Fn("rand", Real(2), row.flags));
    McRandSeed(99);
    McComplex* whole = r->EvaluateVector(doc.get());
    McRandSeed(99);
    for (int k = 0; k < 64; ++k)
      EXPECT_DOUBLE_EQ(whole[k].re, row.value(McRandDraw() / 32767.0)) << k;
    delete[] whole;
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
  McComplex* whole = s->EvaluateVector(doc.get());
  for (int k = 0; k < 5; ++k) EXPECT_DOUBLE_EQ(whole[k].re, 1.0);
  delete[] whole;
  const int afterSeed = McRandDraw();
  McRandSeed(static_cast<DWORD>(SampleValue(1, 0, 0)));
  EXPECT_EQ(afterSeed, McRandDraw());

  doc->m_system.m_nSteps = 0;
  McRandSeed(1);
  whole = s->EvaluateVector(doc.get());
  delete[] whole;
  EXPECT_EQ(McRandDraw(), 41);  // still the initial state
}
