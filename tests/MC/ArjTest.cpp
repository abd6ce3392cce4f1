// The definition table: its record byte for byte, refused records (nothing
// leaked, ASan), and binding, lookup and moving of definitions.
#include "McTestSupport.h"

#include "MC/MXC_ARJ.h"

using namespace mctest;

namespace {

using TablePtr = std::unique_ptr<CMXC_ARJ>;

Bytes Cat(std::initializer_list<Bytes> parts) {
  Bytes all;
  for (const Bytes& part : parts) all.insert(all.end(), part.begin(), part.end());
  return all;
}

Bytes Le(DWORD v, int width) {
  Bytes b;
  for (int i = 0; i < width; ++i) b.push_back(static_cast<BYTE>(v >> (8 * i)));
  return b;
}

Bytes TableHeader(WORD mode, DWORD count, DWORD capacity) {
  return Cat({Le(CMXC_ARJ::kTag, 2), Le(mode, 2), Le(count, 4), Le(capacity, 4)});
}

Bytes NoNode() {
  return Le(McTypeWord(kMcNoKind), 2);
}

Bytes Store(const CMXC_ARJ& table) {
  CArchive out(CArchive::store);
  table.Store(out);
  return out.TakeStoredBytes();
}

// Reads the tag, then the table.
TablePtr LoadTable(const Bytes& bytes) {
  CArchive in(std::span<const BYTE>(bytes.data(), bytes.size()));
  WORD tag = 0;
  in >> tag;
  EXPECT_EQ(tag, CMXC_ARJ::kTag);
  return TablePtr(CMXC_ARJ::Load(in));
}

double ValueOf(const CMcBasic* node) {
  return node ? Eval(node).re : kNaN;
}

// f applied to a row of the given variables, or to one variable.
CMcFunction* F(std::vector<const char*> arguments, const char* name = "f") {
  if (arguments.size() == 1) return Fn(name, Variable(arguments[0]));
  std::vector<CMcBasic*> cells;
  for (const char* a : arguments) cells.push_back(Variable(a));
  return Fn(name, Matrix(static_cast<int>(cells.size()), cells));
}

}  // namespace

TEST(DefinitionTable, RecordByteForByte) {
  CMXC_ARJ table(0);
  table.Add(Variable("x"), Real(2));
  table.Add(Variable("y"), Real(-3));
  EXPECT_EQ(table.GetCapacity(), 2);
  table.Add(nullptr, Real(4));  // the third entry doubles the capacity
  EXPECT_EQ(table.GetCapacity(), 4);
  NodePtr x(Variable("x")), y(Variable("y")), two(Real(2)), minusThree(Real(-3)), four(Real(4));
  const Bytes expected =
      Cat({TableHeader(0, 3, 4), Record(x.get()), Record(two.get()), Record(y.get()),
           Record(minusThree.get()), NoNode(), Record(four.get())});
  EXPECT_EQ(Store(table), expected);

  TablePtr loaded = LoadTable(expected);
  ASSERT_NE(loaded, nullptr);
  EXPECT_EQ(loaded->GetCount(), 3);
  EXPECT_EQ(loaded->GetCapacity(), 4);
  EXPECT_EQ(loaded->GetPatternAt(2), nullptr);
  EXPECT_EQ(loaded->GetPatternAt(1)->Compare(y.get()), 0);
  EXPECT_EQ(Store(*loaded), expected);
}

TEST(DefinitionTable, DamagedRecordsYieldNoTable) {
  NodePtr x(Variable("x")), two(Real(2));
  const Bytes entry = Cat({Record(x.get()), Record(two.get())});
  Bytes damagedPattern = Record(x.get());
  damagedPattern[4] = 1;  // a variable with a child
  Bytes cutValue = Record(two.get());
  cutValue.pop_back();
  const struct {
    const char* what;
    Bytes bytes;
  } rows[] = {
      {"capacity 0", Cat({TableHeader(0, 0, 0)})},
      {"count above the capacity", Cat({TableHeader(0, 3, 2), entry, entry, entry})},
      {"capacity above 65536", Cat({TableHeader(0, 1, 65537), entry})},
      {"more entries than bytes", Cat({TableHeader(0, 1000, 1000), entry})},
      {"a null value", Cat({TableHeader(0, 2, 2), entry, Record(x.get()), NoNode()})},
      {"a cut value after a good entry",
       Cat({TableHeader(0, 2, 2), entry, Record(x.get()), cutValue})},
      {"a damaged pattern", Cat({TableHeader(0, 2, 2), entry, damagedPattern, Record(two.get())})},
      {"a pattern of no kind", Cat({TableHeader(0, 1, 2), Le(0x3000, 2), Record(two.get())})},
      {"a cut header", Bytes{0x00, 0xFC, 0x00, 0x00, 0x01}},
  };
  for (const auto& row : rows) EXPECT_EQ(LoadTable(row.bytes), nullptr) << row.what;
  // The bounds themselves are accepted.
  TablePtr widest = LoadTable(Cat({TableHeader(0, 1, 65536), entry}));
  ASSERT_NE(widest, nullptr);
  EXPECT_EQ(widest->GetCapacity(), 65536);
  EXPECT_NE(LoadTable(Cat({TableHeader(0, 0, 1)})), nullptr);
}

TEST(DefinitionTable, SignedRedefinition) {
  CMXC_ARJ variables(0);
  variables.Add(Variable("x"), Real(2));
  NodePtr minusX(Variable("x", 1)), y(Variable("y"));
  NodePtr refused(Real(9));
  EXPECT_EQ(variables.Define(y.get(), refused.get()), 0);  // mode 0 only rebinds
  EXPECT_EQ(variables.Define(minusX.get(), Real(5)), 1);
  EXPECT_EQ(ValueOf(variables.Lookup(minusX.get())), -5.0);  // the sign went into the value
  EXPECT_EQ(variables.GetCount(), 1);

  CMXC_ARJ functions(1);
  functions.Add(F({"x"}), Real(2));
  NodePtr minusF(F({"x"}));
  minusF->m_flags |= kMcMinus;
  EXPECT_EQ(functions.Define(minusF.get(), refused.get()), 0);
  NodePtr bare(Fn("f", nullptr));
  EXPECT_EQ(functions.Define(bare.get(), refused.get()), 0);  // no argument list
  EXPECT_EQ(ValueOf(functions.GetValueAt(0)), 2.0);
}

TEST(DefinitionTable, LookupGoesOutwardNewestFirst) {
  CMXC_ARJ outer(0), inner(0);
  outer.Add(Variable("x"), Real(1));
  outer.Add(Variable("x"), Real(2));
  outer.Add(Variable("y"), Real(3));
  ASSERT_TRUE(inner.SetOuter(&outer));
  EXPECT_FALSE(outer.SetOuter(&inner));  // no loop of tables
  NodePtr x(Variable("x")), y(Variable("y")), greekX(Variable("x", 0x10)), z(Variable("z"));
  EXPECT_EQ(ValueOf(inner.Lookup(x.get())), 2.0);
  EXPECT_EQ(inner.Lookup(greekX.get()), nullptr);
  EXPECT_EQ(inner.Lookup(z.get()), nullptr);
  inner.Add(Variable("x"), Real(4));
  EXPECT_EQ(ValueOf(inner.Lookup(x.get())), 4.0);
  // A redefinition reaches the outer table's entry.
  EXPECT_EQ(inner.Define(y.get(), Real(6)), 1);
  EXPECT_EQ(ValueOf(outer.GetValueAt(2)), 6.0);
}

TEST(DefinitionTable, FunctionOfARow) {
  CMXC_ARJ table(1);
  NodePtr onRow(F({"x", "y"}));
  ASSERT_EQ(table.Define(onRow.get(), Real(7)), 1);
  EXPECT_EQ(table.GetValueAt(0)->m_parent, table.GetPatternAt(0));
  TablePtr loaded = LoadTable(Store(table));
  ASSERT_NE(loaded, nullptr);
  EXPECT_EQ(loaded->GetValueAt(0)->m_parent, loaded->GetPatternAt(0));
  NodePtr single(F({"z"})), otherRow(F({"a", "b"})), threeRow(F({"a", "b", "c"})),
      bare(Fn("f", nullptr)), g(F({"a", "b"}, "g"));
  EXPECT_EQ(table.Lookup(single.get()), nullptr);
  EXPECT_EQ(ValueOf(table.Lookup(otherRow.get())), 7.0);
  EXPECT_EQ(table.Lookup(threeRow.get()), nullptr);
  EXPECT_EQ(table.Lookup(bare.get()), nullptr);
  EXPECT_EQ(table.Lookup(g.get()), nullptr);
  // Redefined on one variable, f takes any argument.
  NodePtr onOne(F({"t"}));
  ASSERT_EQ(table.Define(onOne.get(), Real(8)), 1);
  EXPECT_EQ(table.GetCount(), 1);
  EXPECT_EQ(ValueOf(table.Lookup(threeRow.get())), 8.0);
}

TEST(DefinitionTable, CollectVariablesBindsEachOnce) {
  NodePtr tree(Sum({Variable("x"), Prod({Variable("x"), Variable("y")})}));
  CMXC_ARJ table(0);
  table.CollectVariables(tree.get());
  ASSERT_EQ(table.GetCount(), 2);
  EXPECT_STREQ(static_cast<CMcVariable*>(table.GetPatternAt(0))->GetVarName(), "x");
  EXPECT_STREQ(static_cast<CMcVariable*>(table.GetValueAt(1))->GetVarName(), "y");
  table.CollectVariables(tree.get());
  EXPECT_EQ(table.GetCount(), 2);
}

TEST(DefinitionTable, MoveTailAndRemove) {
  CMXC_ARJ table(1);
  for (int i = 1; i <= 4; ++i) table.Add(F({"x"}), Real(i));
  NodePtr sum(Sum({Real(0)}));
  EXPECT_EQ(table.MoveTailInto(sum.get(), 5), 0);
  EXPECT_EQ(table.MoveTailInto(sum.get(), -1), 0);
  EXPECT_EQ(table.MoveTailInto(sum.get(), 0), 1);
  EXPECT_EQ(sum->m_count, 1);
  EXPECT_EQ(table.MoveTailInto(sum.get(), 2), 1);
  ASSERT_EQ(sum->m_count, 3);
  EXPECT_EQ(ValueOf(sum->m_children[1]), 3.0);
  EXPECT_EQ(ValueOf(sum->m_children[2]), 4.0);
  EXPECT_EQ(sum->m_children[2]->m_parent, sum.get());
  EXPECT_EQ(table.GetCount(), 2);

  table.RemoveAt(2);
  table.RemoveAt(-1);
  EXPECT_EQ(table.GetCount(), 2);
  table.RemoveAt(0);
  ASSERT_EQ(table.GetCount(), 1);
  EXPECT_EQ(ValueOf(table.GetValueAt(0)), 2.0);
}
