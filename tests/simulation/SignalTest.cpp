// Sampled signals: column operations, copies and building from definitions.
#include "simulation/SIMsignal.h"

#include "SimTestSupport.h"

#include <limits>

namespace {

using namespace simtest;
constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kInf = std::numeric_limits<double>::infinity();

void Fill(CSIMsignal& s, int rows, int cols, double base) {
  ASSERT_TRUE(s.Resize(rows, cols));
  for (int r = 0; r < rows; ++r)
    for (int t = 0; t < cols; ++t) s.At(r, t) = base + 100 * r + t;
}

TEST(SampledSignal, ClampTable) {
  struct Row {
    const char* name;
    double x, lo, hi, expected;
  } rows[] = {
      {"inside", 0.5, 0, 1, 0.5},
      {"above", 2, 0, 1, 1},
      {"below", -2, 0, 1, 0},
      {"at hi", 1, 0, 1, 1},
      {"not a number", kNaN, -1, 1, -1},
      {"lo above hi, above both", 5, 3, 1, 1},
      {"lo above hi, below both", 0.5, 3, 1, 3},
      {"unlimited", 1e300, -kInf, kInf, 1e300},
  };
  for (const Row& row : rows) {
    CSIMsignal x, lo, hi;
    for (CSIMsignal* s : {&x, &lo, &hi}) s->Resize(1, 3);
    x.At(0, 1) = row.x;
    lo.At(0, 1) = row.lo;
    hi.At(0, 1) = row.hi;
    x.At(0, 0) = x.At(0, 2) = 7.0;
    x.Clamp(lo, hi, 1);
    EXPECT_EQ(x.At(0, 1), row.expected) << row.name;
    EXPECT_EQ(x.At(0, 0), 7.0) << row.name;  // other columns untouched
    EXPECT_EQ(x.At(0, 2), 7.0) << row.name;
  }
}

// Each writes column t of every row and nothing else; Add may take this
// signal as an operand; DelayedSum reads column t - 1 and gives 0 at t = 0.
TEST(SampledSignal, ColumnOperationsWriteOnlyColumnT) {
  CSIMsignal a, b, out;
  Fill(a, 2, 5, 10);
  Fill(b, 2, 5, 1000);
  Fill(out, 2, 5, -1);
  out.Subtract(a, b, 3);
  out.Add(out, b, 3);  // a again
  out.Copy(a, 4);
  out.DelayedSum(a, b, 1);
  out.DelayedSum(a, b, 0);
  for (int r = 0; r < 2; ++r)
    for (int t = 0; t < 5; ++t)
      EXPECT_EQ(out.At(r, t), t == 0   ? 0.0
                              : t == 1 ? a.At(r, 0) + b.At(r, 0)
                              : t == 2 ? -1 + 100 * r + 2
                                       : a.At(r, t))
          << r << " " << t;
}

TEST(SampledSignal, CopyFromBounds) {
  struct Row {
    int from;
    int firstCopied;
  } rows[] = {{0, 0}, {3, 3}, {6, 6}, {9, 6}, {-4, 0}};
  for (const Row& row : rows) {
    CSIMsignal src, dst;
    Fill(src, 2, 6, 1000);
    Fill(dst, 1, 2, 0);  // smaller: takes src's size
    for (int r = 0; r < 2; ++r)
      for (int t = 0; t < 6; ++t) dst.m_pSamples[r * 6 + t] = -5;
    dst.CopyFrom(src, row.from);
    EXPECT_EQ(dst.m_nRows, 2);
    EXPECT_EQ(dst.m_nColumns, 6);
    for (int r = 0; r < 2; ++r)
      for (int t = 0; t < 6; ++t)
        EXPECT_EQ(dst.At(r, t), t >= row.firstCopied ? src.At(r, t) : -5) << row.from;
  }
}

TEST(SampledSignal, ImpossibleSizesAreRefused) {
  CSIMsignal s;
  ASSERT_TRUE(s.Resize(1, 10));
  EXPECT_FALSE(s.Resize(-1, 10));
  EXPECT_FALSE(s.Resize(100000, 100000));
  EXPECT_EQ(s.m_nRows, 1);
  EXPECT_EQ(s.m_nColumns, 10);
}

TEST(SampledSignal, BuildSizesAndFillsWithinTheDocumentsRun) {
  CQorexDoc doc;  // its run has 600 samples
  CSIMsignal s;
  Node two(Real(2));
  s.Build(&doc, two.get(), 50, true);
  EXPECT_EQ(s.m_nRows, 1);
  EXPECT_EQ(s.m_nColumns, 50);
  for (int t = 0; t < 50; ++t) ASSERT_EQ(s.At(0, t), 2.0);

  Node column(Matrix(1, {Real(1), Real(2), Real(3)}, 1));  // negated
  s.Build(&doc, column.get(), 20, true);
  EXPECT_EQ(s.m_nRows, 3);
  for (int r = 0; r < 3; ++r) EXPECT_EQ(s.At(r, 19), -(r + 1.0));

  // Without fill after a larger size: the array and its values stay.
  const double* array = s.m_pSamples;
  s.Build(&doc, two.get(), 10, false);
  EXPECT_EQ(s.m_pSamples, array);
  EXPECT_EQ(s.m_nRows, 1);
  EXPECT_EQ(s.m_pSamples[0], -1.0);

  doc.m_system.m_nSteps = 3;  // beyond the run the vectors are evaluated over: zeros
  s.Build(&doc, two.get(), 5, true);
  EXPECT_EQ(s.At(0, 2), 2.0);
  EXPECT_EQ(s.At(0, 3), 0.0);
  EXPECT_EQ(s.At(0, 4), 0.0);
}

TEST(SampledSignal, EvaluateWritesTheCurrentStep) {
  CQorexDoc doc;
  SetSignal(doc, kSigC, Matrix(1, {Real(4), Variable("t")}, 1));  // -(4, t)
  CSIMsignal s;
  s.Resize(2, 10);
  for (int i = 0; i < 20; ++i) s.m_pSamples[i] = 9;
  doc.m_system.m_nStep = 6;
  doc.m_system.m_dTs = 0.5;
  s.Evaluate(&doc, &doc.m_system, 0);
  EXPECT_EQ(s.At(0, 6), -4.0);
  EXPECT_EQ(s.At(1, 6), -3.0);
  EXPECT_EQ(s.At(0, 5), 9.0);
  // A step outside the signal writes nothing.
  doc.m_system.m_nStep = 10;
  s.Evaluate(&doc, &doc.m_system, 0);
  for (int i = 0; i < 20; ++i) {
    if (i == 6 || i == 16) continue;
    ASSERT_EQ(s.m_pSamples[i], 9.0);
  }
}

}  // namespace
