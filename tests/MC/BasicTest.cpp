// The node base: child array operations, structural comparison, deep clones,
// caret steps and the substitution of one pattern.
#include "BasicTestKinds.h"
#include "MC/MC_GROUP.h"
#include "MC/MC_NULL.h"
#include "MC/Mc_desktop.h"

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <set>

namespace {

// Every child points back at its parent; the array exists exactly when there
// are children.
void ExpectLinksConsistent(const CMcBasic* node) {
  EXPECT_EQ(node->m_children == nullptr, node->m_count == 0);
  for (int i = 0; i < node->m_count; ++i) {
    EXPECT_EQ(node->m_children[i]->m_parent, node) << "child " << i;
    ExpectLinksConsistent(node->m_children[i]);
  }
}

// The names of the leaf children, in order.
std::string Names(const CMcBasic* node) {
  std::string s;
  for (int i = 0; i < node->m_count; ++i) {
    if (node->m_children[i]->GetType() == 0x7700)
      s += static_cast<const TestLeaf*>(node->m_children[i])->m_name;
  }
  return s;
}

std::unique_ptr<CMcBasic> Sum(const char* names, WORD negated = 0, WORD type = 0x0E00) {
  auto n = std::make_unique<TestNode>(type);
  for (int i = 0; names[i]; ++i)
    n->AppendChild(new TestLeaf(std::string(1, names[i]), (negated >> i) & 1));
  return n;
}

}  // namespace

TEST(BasicChildren, OperationsKeepOrderCountsAndParents) {
  TestLeaf stranger("x");
  struct Row {
    const char* what;
    std::function<CMcBasic*(CMcBasic&)> op;  // returns a node the test must free
    const char* expected;
  } rows[] = {
      {"insert at 1 before",
       [](CMcBasic& n) {
         n.InsertChildAt(new TestLeaf("n"), 1, FALSE);
         return nullptr;
       },
       "pnqr"},
      {"insert at 1 after",
       [](CMcBasic& n) {
         n.InsertChildAt(new TestLeaf("n"), 1, TRUE);
         return nullptr;
       },
       "pqnr"},
      {"insert next to q",
       [](CMcBasic& n) {
         n.InsertChildNextTo(new TestLeaf("n"), n.m_children[1], TRUE);
         return nullptr;
       },
       "pqnr"},
      {"insert next to a stranger",
       [&](CMcBasic& n) {
         n.InsertChildNextTo(new TestLeaf("n"), &stranger, FALSE);
         return nullptr;
       },
       "pqrn"},
      {"remove q", [](CMcBasic& n) { return n.RemoveChild(n.m_children[1]); }, "pr"},
      {"remove at 2", [](CMcBasic& n) { return n.RemoveChildAt(2); }, "pq"},
      {"replace r", [](CMcBasic& n) { return n.ReplaceChild(new TestLeaf("n"), n.m_children[2]); },
       "pqn"},
      {"set at 0", [](CMcBasic& n) { return n.SetChildAt(new TestLeaf("n"), 0); }, "nqr"},
      {"remove a stranger", [&](CMcBasic& n) { return n.RemoveChild(&stranger); }, "pqr"},
      {"remove at 3", [](CMcBasic& n) { return n.RemoveChildAt(3); }, "pqr"},
  };
  for (const Row& row : rows) {
    auto n = Sum("pqr");
    std::unique_ptr<CMcBasic> taken(row.op(*n));
    EXPECT_EQ(Names(n.get()), row.expected) << row.what;
    ExpectLinksConsistent(n.get());
  }
  TestLeaf fresh("f");
  auto n = Sum("p");
  EXPECT_EQ(n->ReplaceChild(&fresh, &stranger), nullptr);
  EXPECT_EQ(fresh.m_parent, nullptr);
  std::unique_ptr<CMcBasic> only(n->RemoveChildAt(0));
  EXPECT_EQ(n->m_children, nullptr);
  n->AppendChild(new TestLeaf("b"));
  EXPECT_EQ(Names(n.get()), "b");
}

TEST(BasicCompare, DifferenceBits) {
  auto flagged = Sum("xy");
  flagged->m_flags = 0xFFFC;  // every bit but the sign
  flagged->m_children[0]->m_flags = 0x00F4;
  flagged->m_box = McBox{1, 2, 3, 4};
  struct Row {
    const char* what;
    std::unique_ptr<CMcBasic> a, b;
    WORD expected;
  } rows[] = {
      {"equal", Sum("xy"), Sum("xy"), 0},
      {"x and -x", std::make_unique<TestLeaf>("x"), std::make_unique<TestLeaf>("x", 1), 1},
      {"negated second term", Sum("xy"), Sum("xy", 2), 8},
      {"two and three terms", Sum("xy"), Sum("xyz"), 0x18},
      {"sum and product", Sum("xy"), Sum("xy", 0, 0x0F01), 0x20},
      {"other data in a child", Sum("xy"), Sum("xz"), 8},
      {"only flags that are not the sign", Sum("xy"), std::move(flagged), 0},
  };
  for (Row& row : rows) EXPECT_EQ(row.a->Compare(row.b.get()), row.expected) << row.what;
  EXPECT_EQ(CMcNull(0).Compare(std::make_unique<CMcNull>(3).get()), 1);
}

TEST(BasicClone, CloneIsDeepAndIndependent) {
  auto original = std::make_unique<CMcGroup>(Sum("ab", 2).release(), "g", 0);
  original->m_children[0]->m_children[1]->m_box = McBox{5, 6, 7, 8};
  std::unique_ptr<CMcBasic> copy(original->Clone());
  EXPECT_EQ(copy->Compare(original.get()), 0);
  EXPECT_EQ(copy->m_parent, nullptr);
  ExpectLinksConsistent(copy.get());
  CMcBasic* inner = copy->m_children[0]->m_children[1];
  EXPECT_NE(inner, original->m_children[0]->m_children[1]);
  EXPECT_EQ(inner->m_box.width, 0) << "boxes are not copied";
  original->m_children[0]->m_children[0]->m_flags = 1;
  EXPECT_EQ(copy->m_children[0]->m_children[0]->m_flags, 0);
  original.reset();
  EXPECT_EQ(static_cast<TestLeaf*>(inner)->m_name, "b");
}

TEST(BasicNavigate, NavigateOutClimbsOutOfASumButNotOutOfAGroup) {
  CMcGroup group(Sum("x").release(), "", 0);
  CMcBasic* sum = group.m_children[0];
  CMcBasic* x = sum->m_children[0];
  McCursor c{0, 0, x, x};
  EXPECT_TRUE(x->NavigateOut(kMcUp, 0, &c));
  EXPECT_EQ(c.node, sum);
  EXPECT_EQ(c.side, 0);
  c = McCursor{0, 0, sum, sum};
  EXPECT_FALSE(sum->NavigateOut(kMcDown, 0, &c));
  // The sum has no caret rule of its own, so a step left from the first
  // term's left side goes nowhere: the walk ends instead of asking again.
  c = McCursor{0, 0, x, x};
  EXPECT_FALSE(x->NavigateOut(kMcLeft, 0, &c));
  CMcNull root(0);
  c = McCursor{0, 0, &root, &root};
  EXPECT_FALSE(root.NavigateOut(kMcLeft, 0, &c));
}

TEST(BasicNavigate, CaretWalksThroughGroupAndDesktopVisitBothSidesAndEnd) {
  CMcDesktop desktop(0);
  desktop.AppendChild(new CMcGroup(new CMcNull(0), "", 0));
  desktop.AppendChild(new CMcNull(0));
  for (CMcBasic* start : {desktop.m_children[0]->m_children[0], desktop.m_children[1]}) {
    for (int direction : {kMcRight, kMcLeft}) {
      McCursor c{0, 0, start, start};
      c.fromSide = direction == kMcRight ? 0 : 1;
      std::set<int> sides{c.fromSide};
      int steps = 0;
      while (steps < 100 && c.node->Navigate(direction, 0, &c)) {
        sides.insert(c.side);
        c.fromSide = c.side;
        ++steps;
      }
      EXPECT_EQ(steps, 1);
      EXPECT_EQ(sides, (std::set<int>{0, 1}));
      EXPECT_EQ(c.node, start);
    }
  }
}

TEST(BasicSubstituteOne, ReplacesEveryMatchWithMergedSign) {
  auto tree = Sum("xxy", 2, 0x0F01);
  auto* inner = new TestNode(0x0E00);
  inner->AppendChild(new TestLeaf("x", 2));
  tree->AppendChild(inner);
  TestLeaf pattern("x");
  TestLeaf replacement("z", 1);
  tree->SubstituteOne(&pattern, &replacement);
  EXPECT_EQ(Names(tree.get()), "zzy");
  EXPECT_EQ(tree->m_children[0]->m_flags & 3, 1);  // 0 ^ 0 ^ 1
  EXPECT_EQ(tree->m_children[1]->m_flags & 3, 0);  // 1 ^ 0 ^ 1
  EXPECT_EQ(Names(inner), "z");
  EXPECT_EQ(inner->m_children[0]->m_flags & 3, 3);  // bit 1 kept by the or
  ExpectLinksConsistent(tree.get());
  pattern.SubstituteOne(&pattern, &replacement);  // a matching root stays
  EXPECT_EQ(pattern.m_name, "x");
}
