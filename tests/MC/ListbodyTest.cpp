// List bodies and the logical lists: values, whole-run values, alignment by
// where the list stands.
#include "McTestSupport.h"

using namespace mctest;

namespace {

CMcListbody* List(std::vector<CMcBasic*> items, WORD flags = 0) {
  return ListOf<CMcListbody>(flags, std::move(items));
}

}  // namespace

// A list body is its first item that is not NaN; intersection (0x10) and
// union (0x20) lists are truth values with NaN counting as false; an empty
// list has no value.
TEST(Listbody, ValuesAndTruthValues) {
  const struct {
    WORD flags;
    std::vector<double> items;
    double want;  // NaN: undefined
  } rows[] = {
      {0x00, {kNaN, 3, 4}, 3}, {0x01, {kNaN, 3, 4}, -3}, {0x00, {kNaN, kNaN}, kNaN},
      {0x10, {1, 0}, 0},       {0x10, {1, 2}, 1},        {0x10, {1, kNaN}, 0},
      {0x11, {1, 2}, -1},      {0x11, {0, 2}, 0},        {0x20, {0, 0}, 0},
      {0x20, {0, 5}, 1},       {0x20, {kNaN, 0}, 0},     {0x21, {0, 5}, -1},
      {0x30, {0, 5}, 1},       {0x30, {0, 0}, 0},
  };
  g_bEvalError = 0;
  for (const auto& row : rows) {
    std::vector<CMcBasic*> items;
    for (double v : row.items) items.push_back(Real(v));
    std::unique_ptr<CMcListbody> l(List(items, row.flags));
    const double v = Eval(l.get()).re;
    EXPECT_TRUE(v == row.want || (std::isnan(v) && std::isnan(row.want)))
        << row.flags << " " << row.items[0] << " " << row.items[1] << ": " << v;
  }
  EXPECT_FALSE(TakeEvalError());
  std::unique_ptr<CMcListbody> empty(List({}));
  Eval(empty.get());
  EXPECT_TRUE(TakeEvalError());
}

// c holds NaN at even samples: the list takes c where it is defined and the
// next item elsewhere, sample by sample.
TEST(Listbody, WholeRunFallsThroughSampleBySample) {
  auto doc = SignalDoc(10, 0.25, 40);
  for (int k = 0; k < 40; k += 2) doc->m_system.m_c.At(0, k) = kNaN;
  const struct {
    WORD flags;
    double other, odd, even;  // odd -1: the sample of c, negated
  } rows[] = {{0x01, 7, -1, -7}, {0x20, 0, 1, 0}, {0x11, 2, -1, 0}};
  for (const auto& row : rows) {
    std::unique_ptr<CMcListbody> l(List({Fn("c", Time()), Real(row.other)}, row.flags));
    Values v(l->EvaluateVector(doc.get()));
    for (int k = 0; k < 10; ++k) {
      const double odd = row.flags == 0x01 ? -SampleValue(1, 0, k) : row.odd;
      EXPECT_EQ(v[k].re, k % 2 ? odd : row.even) << row.flags << " at " << k;
    }
  }
}

using ListbodyLayout = LayoutFixture;

// h = 20: left brace room h/3 = 6, right brace room 2h/5 = 8, gap h/8 = 2.
// Items 10, 30 and 20 wide, 20 high, the baseline centred.
TEST_F(ListbodyLayout, AlignmentFollowsTheParent) {
  const struct {
    WORD parentType;
    int index, code;
    const char* geometry;
  } rows[] = {
      // left side of a relation: right-aligned, right brace
      {McTypeWord(kMcEquality, 1), 0, 4, "38x64/38 20,0 0,22 10,44"},
      {McTypeWord(kMcEquality, 1), 1, 0,
       "36x64/38 6,0 6,22 6,44"},  // right side: left-aligned, left brace
      {McTypeWord(kMcSum), 2, 3, "30x64/38 10,0 0,22 5,44"},  // under a summation: centred
      {McTypeWord(kMcEvalat), 1, 2,
       "30x64/38 0,0 0,22 0,44"},  // evaluate-at, not first: left, no brace
      {McTypeWord(kMcListsum), 0, 1, "44x64/38 6,0 6,22 6,44"},  // anywhere else: both braces
  };
  for (const auto& row : rows) {
    TestNode parent(row.parentType);
    for (int i = 0; i < row.index; ++i) parent.AppendChild(new TestLeaf("x"));
    CMcListbody* l =
        List({new TestLeaf("a", 0, 10), new TestLeaf("b", 0, 30), new TestLeaf("c", 0, 20)});
    parent.AppendChild(l);
    l->Layout(g_pMeasureDC, kMcLayoutFromTop);
    EXPECT_EQ(l->GetAlignment(), row.code) << row.parentType << "/" << row.index;
    EXPECT_EQ(Geometry(l), row.geometry) << row.parentType << "/" << row.index;
    if (row.code != 1) continue;
    // An alignment code beyond the table draws no brace rather than reading
    // past it.
    Canvas braces(200, 200), clean(200, 200);
    l->Draw(braces.dc(), 20, 20);
    EXPECT_GT(braces.InkInRow(20 + l->m_box.height / 2, 20, 20 + 6), 0);
    l->m_flags = static_cast<WORD>((l->m_flags & kMcBaseMask) | 0x0700);
    l->Draw(clean.dc(), 20, 20);
    EXPECT_EQ(clean.InkInRow(20 + l->m_box.height / 2, 20, 20 + 6), 0);
  }
}
