// The node base: child array operations, structural comparison, deep clones
// and whole-node caret steps that end.
#include "McTestSupport.h"

using namespace mctest;

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

std::string Names(const CMcBasic* node) {
  std::string s;
  for (int i = 0; i < node->m_count; ++i)
    s += static_cast<const TestLeaf*>(node->m_children[i])->m_name;
  return s;
}

NodePtr Sum(const char* names, WORD negated = 0, WORD type = McTypeWord(kMcListsum)) {
  auto n = std::make_unique<TestNode>(type);
  for (int i = 0; names[i]; ++i)
    n->AppendChild(new TestLeaf(std::string(1, names[i]), (negated >> i) & 1));
  return n;
}

}  // namespace

TEST(BasicChildren, OperationsKeepOrderCountsAndParents) {
  TestLeaf stranger("x");
  using Op = std::function<CMcBasic*(CMcBasic&)>;  // returns a node the test frees
  auto insert = [](std::function<void(CMcBasic&, CMcBasic*)> f) -> Op {
    return [f](CMcBasic& n) -> CMcBasic* { return f(n, new TestLeaf("n")), nullptr; };
  };
  const struct {
    const char* what;
    Op op;
    const char* expected;
  } rows[] = {
      {"insert at 1 before", insert([](auto& n, auto* c) { n.InsertChildAt(c, 1, FALSE); }),
       "pnqr"},
      {"insert at 1 after", insert([](auto& n, auto* c) { n.InsertChildAt(c, 1, TRUE); }), "pqnr"},
      {"insert next to q",
       insert([](auto& n, auto* c) { n.InsertChildNextTo(c, n.m_children[1], TRUE); }), "pqnr"},
      {"insert next to a stranger",
       insert([&](auto& n, auto* c) { n.InsertChildNextTo(c, &stranger, FALSE); }), "pqrn"},
      {"remove q", [](CMcBasic& n) { return n.RemoveChild(n.m_children[1]); }, "pr"},
      {"remove at 2", [](CMcBasic& n) { return n.RemoveChildAt(2); }, "pq"},
      {"replace r", [](CMcBasic& n) { return n.ReplaceChild(new TestLeaf("n"), n.m_children[2]); },
       "pqn"},
      {"set at 0", [](CMcBasic& n) { return n.SetChildAt(new TestLeaf("n"), 0); }, "nqr"},
      {"remove a stranger", [&](CMcBasic& n) { return n.RemoveChild(&stranger); }, "pqr"},
      {"remove at 3", [](CMcBasic& n) { return n.RemoveChildAt(3); }, "pqr"},
  };
  for (const auto& row : rows) {
    NodePtr n = Sum("pqr");
    NodePtr taken(row.op(*n));
    EXPECT_EQ(Names(n.get()), row.expected) << row.what;
    ExpectLinksConsistent(n.get());
  }
  TestLeaf fresh("f");
  NodePtr n = Sum("p");
  EXPECT_EQ(n->ReplaceChild(&fresh, &stranger), nullptr);
  EXPECT_EQ(fresh.m_parent, nullptr);
  NodePtr only(n->RemoveChildAt(0));
  EXPECT_EQ(n->m_children, nullptr);
}

TEST(BasicCompare, DifferenceBits) {
  NodePtr flagged = Sum("xy");
  flagged->m_flags = static_cast<WORD>(~kMcSignMask);
  flagged->m_children[0]->m_flags = kMcParens | kMcVariantMask | kMcLevelMask;
  flagged->m_box = McBox{1, 2, 3, 4};
  struct Row {
    const char* what;
    NodePtr a, b;
    WORD expected;
  } rows[] = {
      {"equal", Sum("xy"), Sum("xy"), 0},
      {"x and -x", std::make_unique<TestLeaf>("x"), std::make_unique<TestLeaf>("x", 1), 1},
      {"negated second term", Sum("xy"), Sum("xy", 2), 8},
      {"two and three terms", Sum("xy"), Sum("xyz"), 0x18},
      {"sum and product", Sum("xy"), Sum("xy", 0, McTypeWord(kMcListmult, 1)), 0x20},
      {"other data in a child", Sum("xy"), Sum("xz"), 8},
      {"only flags that are not the sign", Sum("xy"), std::move(flagged), 0},
  };
  for (Row& row : rows) EXPECT_EQ(row.a->Compare(row.b.get()), row.expected) << row.what;
}

// The shared family comparisons: sums and products match in any order, each
// term once; pairs match side by side.
TEST(BasicCompare, ListsInAnyOrderPairsSideBySide) {
  auto x = [] { return Variable("x"); };
  auto y = [] { return Variable("y"); };
  const struct {
    const char* what;
    NodePtr a, b;
    WORD expected;
  } rows[] = {
      {"sum in another order", NodePtr(Sum({x(), y(), y()})), NodePtr(Sum({y(), x(), y()})), 0},
      {"sums of other multiplicities", NodePtr(Sum({x(), x(), y()})), NodePtr(Sum({x(), y(), y()})),
       kMcDiffChild},
      {"product in another order", NodePtr(Prod({x(), y()})), NodePtr(Prod({y(), x()})), 0},
      {"fraction upside down", NodePtr(Div(x(), y())), NodePtr(Div(y(), x())), kMcDiffChild},
      {"powers of other bases", NodePtr(Pow(x(), Real(2))), NodePtr(Pow(y(), Real(2))),
       kMcDiffChild},
      {"negated relation", NodePtr(new CMcEquality(x(), y(), 0)),
       NodePtr(new CMcEquality(x(), y(), 1)), kMcDiffSign},
  };
  for (const auto& row : rows) EXPECT_EQ(row.a->Compare(row.b.get()), row.expected) << row.what;
}

TEST(BasicClone, CloneIsDeepAndIndependent) {
  auto original = std::make_unique<CMcGroup>(Sum("ab", 2).release(), "g", 0);
  NodePtr copy(original->Clone());
  EXPECT_EQ(copy->Compare(original.get()), 0);
  EXPECT_EQ(copy->m_parent, nullptr);
  ExpectLinksConsistent(copy.get());
  original->m_children[0]->m_children[0]->m_flags = kMcMinus;
  EXPECT_EQ(copy->m_children[0]->m_children[0]->m_flags, 0);
  original.reset();  // the copy shares no node with it (ASan)
  EXPECT_EQ(static_cast<TestLeaf*>(copy->m_children[0]->m_children[1])->m_name, "b");
}

// A kind without a caret rule of its own hands a step it cannot take to its
// parent; where no parent moves it, the step ends instead of asking again.
TEST(BasicNavigate, NavigateOutEndsWhereNothingMoves) {
  CMcGroup group(Sum("x").release(), "", 0);
  CMcBasic* sum = group.m_children[0];
  CMcBasic* x = sum->m_children[0];
  McCursor c{0, 0, x, x};
  EXPECT_TRUE(x->NavigateOut(kMcUp, 0, &c));
  EXPECT_EQ(c.node, sum);
  c = McCursor{0, 0, x, x};
  EXPECT_FALSE(x->NavigateOut(kMcLeft, 0, &c));
  CMcNull root(0);
  c = McCursor{0, 0, &root, &root};
  EXPECT_FALSE(root.NavigateOut(kMcLeft, 0, &c));
}
