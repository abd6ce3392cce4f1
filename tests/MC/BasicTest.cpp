// The node base: child array operations, structural comparison, deep clones,
// caret steps and the substitution of one pattern.
#include "BasicTestKinds.h"
#include "MC/MC_GROUP.h"
#include "MC/MC_NULL.h"
#include "MC/Mc_desktop.h"

#include <gtest/gtest.h>

#include <memory>
#include <set>
#include <utility>
#include <vector>

namespace {

// Every child points back at its parent, and the array exists exactly when
// there are children.
void ExpectLinksConsistent(const CMcBasic* node) {
  EXPECT_EQ(node->m_children == nullptr, node->m_count == 0);
  for (int i = 0; i < node->m_count; ++i) {
    ASSERT_NE(node->m_children[i], nullptr);
    EXPECT_EQ(node->m_children[i]->m_parent, node) << "child " << i;
    ExpectLinksConsistent(node->m_children[i]);
  }
}

std::string Names(const CMcBasic* node) {
  std::string s;
  for (int i = 0; i < node->m_count; ++i)
    s += static_cast<const TestLeaf*>(node->m_children[i])->m_name;
  return s;
}

std::unique_ptr<TestNode> MakePQR() {
  auto n = std::make_unique<TestNode>(0x0E00);
  for (const char* name : {"p", "q", "r"}) n->AppendChild(new TestLeaf(name));
  return n;
}

}  // namespace

TEST(BasicChildren, InsertAtPlacesBeforeOrAfterTheIndex) {
  struct Row {
    int index;
    BOOL after;
    const char* expected;
  } rows[] = {{1, FALSE, "pnqr"},
              {1, TRUE, "pqnr"},
              {0, FALSE, "npqr"},
              {2, TRUE, "pqrn"},
              {9, FALSE, "pqrn"}};
  for (const Row& row : rows) {
    auto n = MakePQR();
    n->InsertChildAt(new TestLeaf("n"), row.index, row.after);
    EXPECT_EQ(Names(n.get()), row.expected) << row.index << " " << row.after;
    EXPECT_EQ(n->m_count, 4);
    ExpectLinksConsistent(n.get());
  }
}

TEST(BasicChildren, InsertNextToSiblingOrAppendWhenNotAChild) {
  auto n = MakePQR();
  n->InsertChildNextTo(new TestLeaf("a"), n->m_children[1], FALSE);
  n->InsertChildNextTo(new TestLeaf("b"), n->m_children[0], TRUE);
  TestLeaf stranger("x");
  n->InsertChildNextTo(new TestLeaf("c"), &stranger, FALSE);
  EXPECT_EQ(Names(n.get()), "pbaqrc");
  ExpectLinksConsistent(n.get());
}

TEST(BasicChildren, RemovingTheOnlyChildLeavesNoArray) {
  TestNode n(0x0E00);
  n.AppendChild(new TestLeaf("a"));
  std::unique_ptr<CMcBasic> a(n.RemoveChildAt(0));
  EXPECT_EQ(n.m_count, 0);
  EXPECT_EQ(n.m_children, nullptr);
  n.AppendChild(new TestLeaf("b"));
  EXPECT_EQ(n.m_count, 1);
  ExpectLinksConsistent(&n);
}

TEST(BasicChildren, RemoveReplaceAndSetKeepCountsAndLinks) {
  auto n = MakePQR();
  CMcBasic* q = n->m_children[1];
  EXPECT_EQ(n->RemoveChild(q), q);
  std::unique_ptr<CMcBasic> ownedQ(q);
  EXPECT_EQ(Names(n.get()), "pr");

  auto* z = new TestLeaf("z");
  CMcBasic* r = n->m_children[1];
  EXPECT_EQ(n->ReplaceChild(z, r), r);
  std::unique_ptr<CMcBasic> ownedR(r);
  EXPECT_EQ(Names(n.get()), "pz");

  auto* y = new TestLeaf("y");
  std::unique_ptr<CMcBasic> ownedP(n->SetChildAt(y, 0));
  EXPECT_EQ(Names(n.get()), "yz");
  ExpectLinksConsistent(n.get());
}

TEST(BasicChildren, OperationsOnNonChildrenChangeNothing) {
  auto n = MakePQR();
  TestLeaf stranger("x");
  TestLeaf fresh("f");
  EXPECT_EQ(n->ReplaceChild(&fresh, &stranger), nullptr);
  EXPECT_EQ(n->RemoveChild(&stranger), nullptr);
  EXPECT_EQ(n->RemoveChildAt(3), nullptr);
  EXPECT_EQ(n->RemoveChildAt(-1), nullptr);
  EXPECT_EQ(n->SetChildAt(&fresh, 5), nullptr);
  EXPECT_EQ(fresh.m_parent, nullptr);
  EXPECT_EQ(Names(n.get()), "pqr");
  ExpectLinksConsistent(n.get());
}

// ---- Compare -------------------------------------------------------------------

namespace {

std::unique_ptr<CMcBasic> Sum(std::vector<std::pair<const char*, WORD>> terms, WORD type = 0x0E00) {
  auto n = std::make_unique<TestNode>(type);
  for (auto& [name, flags] : terms) n->AppendChild(new TestLeaf(name, flags));
  return n;
}

}  // namespace

TEST(BasicCompare, DifferenceBits) {
  struct Row {
    const char* what;
    std::unique_ptr<CMcBasic> a, b;
    WORD expected;
  };
  Row rows[] = {
      {"equal sums", Sum({{"x", 0}, {"y", 0}}), Sum({{"x", 0}, {"y", 0}}), 0},
      {"x and -x", std::make_unique<TestLeaf>("x"), std::make_unique<TestLeaf>("x", 1), 1},
      {"negated second term", Sum({{"x", 0}, {"y", 0}}), Sum({{"x", 0}, {"y", 1}}), 8},
      {"two and three terms", Sum({{"x", 0}, {"y", 0}}), Sum({{"x", 0}, {"y", 0}, {"z", 0}}), 0x18},
      {"sum and product", Sum({{"x", 0}, {"y", 0}}), Sum({{"x", 0}, {"y", 0}}, 0x0F01), 0x20},
      {"other kind data", Sum({{"x", 0}, {"y", 0}}), Sum({{"x", 0}, {"z", 0}}), 8},
  };
  for (Row& row : rows) EXPECT_EQ(row.a->Compare(row.b.get()), row.expected) << row.what;
}

TEST(BasicCompare, IgnoresParenthesesLevelVariantAndKindBits) {
  auto a = Sum({{"x", 0}, {"y", 0}});
  auto b = Sum({{"x", 0x0004 | 0x0080}, {"y", 0x0030 | 0xAB00}});
  b->m_flags = 0xFFFC;  // every bit but the sign
  b->m_box = McBox{1, 2, 3, 4};
  b->m_baseline = 7;
  EXPECT_EQ(a->Compare(b.get()), 0);
  b->m_flags |= 2;
  EXPECT_EQ(a->Compare(b.get()), 1);
  EXPECT_EQ(CMcNull(0).Compare(&*std::make_unique<CMcNull>(3)), 1);
  EXPECT_EQ(CMcNull(4).Compare(&*std::make_unique<CMcNull>(0xC0)), 0);
}

TEST(BasicClone, CloneIsDeepAndIndependent) {
  auto original = std::make_unique<CMcGroup>(Sum({{"a", 0}, {"b", 1}}).release(), "g", 0);
  original->m_children[0]->m_children[1]->m_box = McBox{5, 6, 7, 8};
  std::unique_ptr<CMcBasic> copy(original->Clone());
  ASSERT_NE(copy, nullptr);
  EXPECT_EQ(copy->Compare(original.get()), 0);
  EXPECT_EQ(copy->m_parent, nullptr);
  ExpectLinksConsistent(copy.get());
  // No node is shared, and box and baseline are not copied.
  CMcBasic* inner = copy->m_children[0]->m_children[1];
  EXPECT_NE(inner, original->m_children[0]->m_children[1]);
  EXPECT_EQ(inner->m_box.width, 0);
  // Changing or deleting the original leaves the copy as it was.
  original->m_children[0]->m_children[0]->m_flags = 1;
  EXPECT_EQ(copy->m_children[0]->m_children[0]->m_flags, 0);
  original.reset();
  EXPECT_EQ(static_cast<TestLeaf*>(inner)->m_name, "b");
}

// ---- caret steps -----------------------------------------------------------------

TEST(BasicNavigate, LeafTakesItsTwoSidesThenPassesToTheParent) {
  CMcGroup group(new CMcNull(0), "", 0);
  CMcBasic* leaf = group.m_children[0];
  McCursor c{0, 0, leaf, leaf};
  EXPECT_TRUE(leaf->Navigate(kMcRight, 0, &c));
  EXPECT_EQ(c.side, 1);
  EXPECT_EQ(c.node, leaf);
  c.fromSide = 1;
  EXPECT_FALSE(leaf->Navigate(kMcRight, 0, &c));  // the group ends the walk
  c.fromSide = 1;
  EXPECT_TRUE(leaf->Navigate(kMcLeft, 0, &c));
  EXPECT_EQ(c.side, 0);
  EXPECT_FALSE(leaf->Navigate(kMcUp, 0, &c));
}

TEST(BasicNavigate, RootLeafDoesNotMoveBeyondItself) {
  CMcNull root(0);
  McCursor c{0, 1, &root, &root};
  EXPECT_FALSE(root.Navigate(kMcRight, 0, &c));
  EXPECT_FALSE(root.Navigate(kMcDown, 0, &c));
  EXPECT_FALSE(root.NavigateOut(kMcLeft, 0, &c));
}

TEST(BasicNavigate, NavigateOutClimbsOutOfASumButNotOutOfAGroup) {
  auto* sum = new TestNode(0x0E00);
  sum->AppendChild(new TestLeaf("x"));
  CMcGroup group(sum, "", 0);
  CMcBasic* x = sum->m_children[0];
  McCursor c{0, 0, x, x};
  EXPECT_TRUE(x->NavigateOut(kMcUp, 0, &c));
  EXPECT_EQ(c.node, sum);
  EXPECT_EQ(c.side, 0);
  c = McCursor{0, 0, sum, sum};
  EXPECT_FALSE(sum->NavigateOut(kMcUp, 0, &c));
  c = McCursor{0, 0, x, x};
  EXPECT_TRUE(x->NavigateOut(kMcDown, 0, &c));
  EXPECT_EQ(c.side, 1);
}

TEST(BasicNavigate, NavigateOutEndsWhenTheInnerStepDoesNotMove) {
  // The sum has no caret rule of its own, so a step left from the first
  // term's left side goes nowhere; the walk must end instead of asking again.
  auto* sum = new TestNode(0x0E00);
  sum->AppendChild(new TestLeaf("x"));
  CMcGroup group(sum, "", 0);
  CMcBasic* x = sum->m_children[0];
  McCursor c{0, 0, x, x};
  EXPECT_FALSE(x->NavigateOut(kMcLeft, 0, &c));
  c = McCursor{1, 1, x, x};
  EXPECT_FALSE(x->NavigateOut(kMcRight, 0, &c));
}

TEST(BasicNavigate, CaretWalksThroughGroupAndDesktopVisitEveryPositionAndEnd) {
  CMcDesktop desktop(0);
  desktop.AppendChild(new CMcGroup(new CMcNull(0), "", 0));
  desktop.AppendChild(new CMcNull(0));
  for (CMcBasic* start : {desktop.m_children[0]->m_children[0], desktop.m_children[1]}) {
    for (int direction : {kMcRight, kMcLeft}) {
      std::set<int> sides;
      McCursor c{0, 0, start, start};
      c.fromSide = direction == kMcRight ? 0 : 1;
      sides.insert(c.fromSide);
      int steps = 0;
      while (c.node->Navigate(direction, 0, &c) && steps < 100) {
        sides.insert(c.side);
        c.fromSide = c.side;
        ++steps;
      }
      EXPECT_LT(steps, 100);
      EXPECT_EQ(sides, (std::set<int>{0, 1}));
      EXPECT_EQ(c.node, start);
    }
  }
}

// ---- substitution ------------------------------------------------------------------

TEST(BasicSubstituteOne, ReplacesEveryMatchWithMergedSign) {
  auto tree = std::make_unique<TestNode>(0x0F01);
  tree->AppendChild(new TestLeaf("x"));
  tree->AppendChild(new TestLeaf("x", 1));
  tree->AppendChild(new TestLeaf("y"));
  auto* inner = new TestNode(0x0E00);
  inner->AppendChild(new TestLeaf("x", 2));
  tree->AppendChild(inner);
  TestLeaf pattern("x");
  TestLeaf replacement("z", 1);
  tree->SubstituteOne(&pattern, &replacement);
  auto flagsOf = [](CMcBasic* n) { return n->m_flags & 3; };
  auto nameOf = [](CMcBasic* n) { return static_cast<TestLeaf*>(n)->m_name; };
  EXPECT_EQ(nameOf(tree->m_children[0]), "z");
  EXPECT_EQ(flagsOf(tree->m_children[0]), 1);  // 0 ^ 0 ^ 1
  EXPECT_EQ(flagsOf(tree->m_children[1]), 0);  // 1 ^ 0 ^ 1
  EXPECT_EQ(nameOf(tree->m_children[2]), "y");
  EXPECT_EQ(nameOf(inner->m_children[0]), "z");
  EXPECT_EQ(flagsOf(inner->m_children[0]), 3);  // bit 1 kept by the or
  ExpectLinksConsistent(tree.get());
}

TEST(BasicSubstituteOne, MatchingRootIsLeftAlone) {
  TestLeaf root("x");
  TestLeaf pattern("x");
  TestLeaf replacement("z");
  root.SubstituteOne(&pattern, &replacement);
  EXPECT_EQ(root.m_name, "x");
}
