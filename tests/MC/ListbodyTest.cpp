// List bodies and the logical lists: values, whole-run values, alignment by
// where the list stands, records and the caret walk.
#include "BasicTestKinds.h"
#include "FunctionTestSupport.h"
#include "LayoutFixture.h"

#include "MC/MC_GROUP.h"
#include "MC/Mc_listbody.h"

#include <gtest/gtest.h>

using namespace fntest;

namespace {

CMcListbody* List(std::vector<CMcBasic*> items, WORD flags = 0) {
  auto* l = new CMcListbody(flags);
  for (CMcBasic* item : items) l->AppendChild(item);
  return l;
}

const double kNaN = std::nan("");

}  // namespace

TEST(Listbody, NamesBySubKind) {
  struct Row {
    WORD flags;
    const char* name;
  };
  const Row rows[] = {{0x00, "List body"},
                      {0x10, "Intersection (and) list"},
                      {0x20, "Union (or) list"},
                      {0x30, "Intersection (and) list"}};
  for (const Row& row : rows) {
    std::unique_ptr<CMcListbody> l(List({Real(1), Real(2)}, row.flags));
    EXPECT_EQ(l->GetType(), 0x0700);
    EXPECT_STREQ(l->GetName(), row.name);
  }
}

TEST(Listbody, ValueIsTheFirstItemThatIsNotNaN) {
  g_bEvalError = 0;
  std::unique_ptr<CMcListbody> l(List({Real(kNaN), Real(3), Real(4)}));
  EXPECT_EQ(Eval(l.get()).re, 3.0);
  std::unique_ptr<CMcListbody> negated(List({Real(kNaN), Real(3), Real(4)}, 1));
  EXPECT_EQ(Eval(negated.get()).re, -3.0);
  std::unique_ptr<CMcListbody> none(List({Real(kNaN), Real(kNaN)}));
  EXPECT_TRUE(std::isnan(Eval(none.get()).re));
  EXPECT_EQ(g_bEvalError, 0);
}

TEST(Listbody, LogicalListsGiveTruthValues) {
  g_bEvalError = 0;
  struct Row {
    WORD flags;
    double a, b;
    double want;
  };
  const Row rows[] = {
      {0x10, 1, 0, 0},  {0x10, 1, 2, 1}, {0x10, 1, kNaN, 0}, {0x11, 1, 2, -1},
      {0x11, 0, 2, 0},  {0x20, 0, 0, 0}, {0x20, 0, 5, 1},    {0x20, kNaN, 0, 0},
      {0x21, 0, 5, -1}, {0x30, 0, 5, 1}, {0x30, 0, 0, 0},
  };
  for (const Row& row : rows) {
    std::unique_ptr<CMcListbody> l(List({Real(row.a), Real(row.b)}, row.flags));
    const McComplex v = Eval(l.get());
    EXPECT_EQ(v.re, row.want) << row.flags << " " << row.a << " " << row.b;
    EXPECT_EQ(v.im, 0.0);
  }
  EXPECT_EQ(g_bEvalError, 0);
}

TEST(Listbody, WholeRunFallsThroughSampleBySample) {
  // c holds NaN at even samples: the list takes c there where it is defined
  // and the next item elsewhere.
  auto doc = SignalDoc(10, 0.25, 40);
  for (int k = 0; k < 40; k += 2) doc->m_system.m_c.At(0, k) = kNaN;
  std::unique_ptr<CMcListbody> l(List({Fn("c", Time()), Real(7)}, 1));
  McComplex* v = l->EvaluateVector(doc.get());
  for (int k = 0; k < 10; ++k) EXPECT_EQ(v[k].re, k % 2 ? -SampleValue(1, 0, k) : -7.0) << k;
  delete[] v;
  std::unique_ptr<CMcListbody> any(List({Fn("c", Time()), Real(0)}, 0x20));
  v = any->EvaluateVector(doc.get());
  for (int k = 0; k < 10; ++k) EXPECT_EQ(v[k].re, k % 2 ? 1.0 : 0.0) << k;
  delete[] v;
  std::unique_ptr<CMcListbody> all(List({Fn("c", Time()), Real(2)}, 0x11));
  v = all->EvaluateVector(doc.get());
  for (int k = 0; k < 10; ++k) EXPECT_EQ(v[k].re, k % 2 ? -1.0 : 0.0) << k;
  delete[] v;
}

TEST(Listbody, EmptyListSetsTheFlag) {
  g_bEvalError = 0;
  std::unique_ptr<CMcListbody> l(List({}));
  Eval(l.get());
  EXPECT_EQ(g_bEvalError, 1);
  g_bEvalError = 0;
}

TEST(ListbodyRecord, RoundTripAndHostileRecords) {
  std::unique_ptr<CMcListbody> l(List({Real(1), Real(2, 1), Real(3)}, 0x21));
  l->m_box = {1, 2, 30, 60};
  l->m_baseline = 25;
  const std::vector<BYTE> good = Record(l.get());
  std::unique_ptr<CMcBasic> back = LoadWith(&CMcListbody::Load, good);
  ASSERT_NE(back, nullptr);
  EXPECT_EQ(l->Compare(back.get()), 0);
  EXPECT_TRUE(SameLayout(l.get(), back.get()));
  EXPECT_EQ(back->m_flags, 0x21);
  // The editor can leave a list with one item or none: such a list stores and loads back.
  for (std::vector<CMcBasic*> items : {std::vector<CMcBasic*>{}, std::vector<CMcBasic*>{Real(7)}}) {
    std::unique_ptr<CMcListbody> few(List(items));
    std::unique_ptr<CMcBasic> fewBack = LoadWith(&CMcListbody::Load, Record(few.get()));
    ASSERT_NE(fewBack, nullptr) << items.size();
    EXPECT_EQ(few->Compare(fewBack.get()), 0);
  }
  for (size_t cut = 1; cut < good.size(); ++cut)
    EXPECT_EQ(LoadWith(&CMcListbody::Load, std::vector<BYTE>(good.begin(), good.begin() + cut)),
              nullptr);
}

class ListbodyLayout : public LayoutFixture {
 protected:
  static void SetUpTestSuite() { InitGlobalResources(); }
  // Lays out a list of items 10, 30 and 20 wide under a parent of the given
  // type word, at child index `index`; returns the list.
  CMcListbody* Place(TestNode& parent, int index, WORD flags = 0) {
    CMcListbody* l =
        List({new TestLeaf("a", 0, 10), new TestLeaf("b", 0, 30), new TestLeaf("c", 0, 20)}, flags);
    for (int i = 0; i < index; ++i) parent.AppendChild(new TestLeaf("x"));
    parent.AppendChild(l);
    l->Layout(g_pMeasureDC, 0);
    return l;
  }
};

TEST_F(ListbodyLayout, AlignmentFollowsTheParent) {
  // h = 20: left brace room h/3 = 6, right brace room 2h/5 = 8, gap h/8 = 2.
  struct Row {
    WORD parentType;
    int index;
    int code;
    int width;
    int xOfNarrowest;
  };
  const Row rows[] = {
      {0x1301, 0, 4, 30 + 8, 30 - 10},  // left side of a relation: right-aligned, right brace
      {0x1301, 1, 0, 30 + 6, 6},        // right side: left-aligned, left brace
      {0x0000, 0, 0, 30 + 6, 6},        // in a group
      {0x1500, 2, 3, 30, 10},           // under a summation: centred
      {0x1000, 1, 2, 30, 0},            // evaluate-at, not first: left, no brace
      {0x1000, 0, 1, 30 + 14, 6},       // anywhere else: both braces
      {0x0E00, 0, 1, 30 + 14, 6},
  };
  for (const Row& row : rows) {
    TestNode parent(row.parentType);
    CMcListbody* l = Place(parent, row.index);
    EXPECT_EQ(l->GetAlignment(), row.code) << row.parentType << "/" << row.index;
    EXPECT_EQ(l->m_box.width, row.width) << row.parentType;
    EXPECT_EQ(l->m_children[0]->m_box.x, row.xOfNarrowest) << row.parentType;
    EXPECT_EQ(l->m_box.height, 3 * 20 + 2 * 2);
    EXPECT_EQ(l->m_children[2]->m_box.y, 2 * (20 + 2));
  }
  std::unique_ptr<CMcListbody> root(List({new TestLeaf("a"), new TestLeaf("b")}));
  root->Layout(g_pMeasureDC, 0);
  EXPECT_EQ(root->GetAlignment(), 0);
}

TEST_F(ListbodyLayout, LogicalListsAreCentredWithRoomForTheirBar) {
  for (WORD flags : {0x10, 0x20}) {
    TestNode parent(0x1301);
    CMcListbody* l = Place(parent, 0, flags);
    const int room = 20 / 10 + 3;
    EXPECT_EQ(l->GetAlignment(), 3);
    EXPECT_EQ(l->m_box.width, 30 + 2 * room);
    EXPECT_EQ(l->m_box.height, 3 * 20 + 2 * 2 + room);
    EXPECT_EQ(l->m_children[0]->m_box.y, flags == 0x10 ? room : 0);
    EXPECT_EQ(l->m_children[0]->m_box.x, room + 10);
  }
}

TEST_F(ListbodyLayout, UnknownAlignmentCodeDrawsNoBrace) {
  TestNode parent(0x0E00);
  CMcListbody* l = Place(parent, 0);
  auto dc = MakeCanvas(200, 200);
  l->Draw(dc.get(), 20, 20);
  const int withBraces = InkInRow(dc.get(), 20 + l->m_box.height / 2, 20, 20 + 6);
  EXPECT_GT(withBraces, 0);
  l->m_flags = static_cast<WORD>((l->m_flags & 0xFF) | 0x0700);
  auto clean = MakeCanvas(200, 200);
  l->Draw(clean.get(), 20, 20);
  EXPECT_EQ(InkInRow(clean.get(), 20 + l->m_box.height / 2, 20, 20 + 6), 0);
}

TEST(ListbodyCaret, WalkDownVisitsEveryItemAndEnds) {
  CMcListbody* l = List({Real(1), Real(2), Real(3)});
  CMcGroup group(l, "", 0);
  McCursor c;
  c.node = l->m_children[0];
  c.side = 1;
  std::vector<int> visited;
  int steps = 0;
  for (; steps < 20; ++steps) {
    c.fromSide = c.side;
    c.origin = c.node;
    if (!c.node->Navigate(kMcDown, 0, &c)) break;
    visited.push_back(l->IndexOfChild(c.node));
    EXPECT_EQ(c.side, 1);
  }
  EXPECT_EQ(visited, (std::vector<int>{1, 2}));
  // Entering from either side and leaving sideways.
  c.node = c.origin = l;
  c.side = c.fromSide = 0;
  ASSERT_TRUE(l->Navigate(kMcRight, 0, &c));
  EXPECT_EQ(c.node, l->m_children[0]);
  c.node = c.origin = l;
  c.fromSide = 1;
  ASSERT_TRUE(l->Navigate(kMcLeft, 0, &c));
  EXPECT_EQ(c.node, l->m_children[2]);
  c.node = c.origin = l->m_children[1];
  c.fromSide = 1;
  ASSERT_TRUE(l->m_children[1]->Navigate(kMcRight, 0, &c));
  EXPECT_EQ(c.node, l);
  EXPECT_EQ(c.side, 1);
}
