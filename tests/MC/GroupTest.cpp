// Groups: the current child, the column layout of sub-groups, clones.
#include "BasicTestKinds.h"
#include "LayoutFixture.h"
#include "MC/MC_GROUP.h"
#include "MC/MC_NULL.h"

using GroupLayout = LayoutFixture;

TEST(Group, CloneShowsItsFirstChildAndKeepsNameAndFlags) {
  EXPECT_EQ(CMcGroup(nullptr, "", 0x0033).m_flags, 0x1400) << "no column height: 20 lines";
  CMcGroup group(new CMcNull(0), "signals", 0x0A00);
  group.AppendChild(new CMcNull(1));
  group.m_current = 1;
  std::unique_ptr<CMcBasic> copy(group.Clone());
  auto* g = static_cast<CMcGroup*>(copy.get());
  EXPECT_EQ(g->m_current, 0);
  EXPECT_STREQ(g->m_name, "signals");
  EXPECT_EQ(g->m_nameLength, 8);
  EXPECT_EQ(g->m_flags, 0x0A00);
  EXPECT_EQ(g->Compare(&group), 0);
}

TEST_F(GroupLayout, ShowsTheCurrentChildAtItsOrigin) {
  CMcGroup group(new TestLeaf("a"), "", 0);
  auto* b = new TestLeaf("b", 0, 30, 25, 20);
  group.AppendChild(b);
  group.m_current = 1;
  b->m_box.x = 7;
  group.Layout(nullptr, 0);
  EXPECT_EQ(group.m_box.width, 30);
  EXPECT_EQ(group.m_box.height, 25);
  EXPECT_EQ(group.m_baseline, 20);
  EXPECT_EQ(b->m_box.x, 0);
  EXPECT_EQ(b->m_box.y, 0);
  EXPECT_EQ(group.m_children[0]->m_box.width, 0) << "the other child is not laid out";
}

TEST_F(GroupLayout, DrawsOnlyTheCurrentChild) {
  CMcGroup group(new TestLeaf("a"), "", 0);
  group.AppendChild(new TestLeaf("b"));
  group.m_current = 1;
  group.Layout(nullptr, 0);
  auto dc = MakeCanvas(80, 30);
  group.Draw(dc.get(), 0, 0);
  EXPECT_EQ(static_cast<TestLeaf*>(group.m_children[0])->m_draws, 0);
  EXPECT_EQ(static_cast<TestLeaf*>(group.m_children[1])->m_draws, 1);
  group.m_current = 2;  // names no child: an empty box, nothing drawn
  group.Layout(nullptr, 0);
  group.Draw(dc.get(), 0, 0);
  EXPECT_EQ(group.m_box.width, 0);
  EXPECT_EQ(static_cast<TestLeaf*>(group.m_children[1])->m_draws, 1);
}

TEST_F(GroupLayout, ColumnsOfSubGroups) {
  // Each sub-group shows an empty node, 10 by 20; the gap is 10.
  struct Row {
    const char* what;
    WORD flags;
    int xs[3], ys[3];
    int width, height;
  } rows[] = {
      {"three lines: one per column", 0x0300, {20, 40, 60}, {40, 40, 40}, 100, 80},
      {"four lines: two in the first column", 0x0400, {20, 20, 40}, {40, 70, 40}, 100, 110},
      {"twenty lines: one column", 0x1400, {20, 20, 20}, {40, 70, 100}, 100, 140},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.what);
    CMcGroup group(nullptr, "", row.flags);
    for (int i = 0; i < 3; ++i) group.AppendChild(new CMcGroup(new CMcNull(0), "", 0));
    group.Layout(nullptr, 0);
    for (int i = 0; i < 3; ++i) {
      EXPECT_EQ(group.m_children[i]->m_box.x, row.xs[i]) << i;
      EXPECT_EQ(group.m_children[i]->m_box.y, row.ys[i]) << i;
    }
    EXPECT_EQ(group.m_box.width, row.width);
    EXPECT_EQ(group.m_box.height, row.height);
    EXPECT_EQ(group.m_baseline, row.height / 2 - 10 + 16);
  }
}

TEST_F(GroupLayout, EmptyFixedAndFlowColumns) {
  CMcGroup empty(nullptr, "", 0);
  empty.Layout(nullptr, 0);
  EXPECT_EQ(empty.m_box.width, 100);
  EXPECT_EQ(empty.m_box.height, 90);

  CMcGroup fixed(nullptr, "", 0x1420);
  fixed.Layout(nullptr, 0);
  EXPECT_EQ(fixed.m_box.width, 100);
  EXPECT_EQ(fixed.m_box.height, 30);
  EXPECT_EQ(fixed.m_baseline, 0);

  CMcGroup flow(nullptr, "", 0x1410);
  flow.m_flow = new CMcBasic* [2] { new CMcNull(0), new CMcNull(0) };
  flow.m_flowCount = 2;
  flow.Layout(nullptr, 0);
  EXPECT_EQ(flow.m_flow[1]->m_box.x, 20);
  EXPECT_EQ(flow.m_flow[1]->m_box.y, 70);
  EXPECT_EQ(flow.m_box.height, 70 + 40);
}
