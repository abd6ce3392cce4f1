// Node records: the header bytes, a round trip of every kind of the kind table
// in both dialects, and damaged input of every sort yielding no node without
// reading past its input or leaking what was read (ASan).
#include "McTestSupport.h"

#include <cstdio>
#include <cstdlib>
#include <random>

using namespace mctest;

namespace {

// Gives every node of the tree a distinct box and baseline, as a layout would.
void MarkBoxes(CMcBasic* node, int& n) {
  ++n;
  node->m_box = McBox{n, -2 * n, 3 * n + 1, 4 * n + 2};
  node->m_baseline = static_cast<WORD>(n + 5);
  for (int i = 0; i < node->m_count; ++i) MarkBoxes(node->m_children[i], n);
}

// One sample tree per kind of the kind table, each with something in every
// part of its record, signs and variants included.
std::vector<NodePtr> Samples() {
  auto* group = new CMcGroup(Real(-2.5), "model", 0x0A20);
  group->AppendChild(new CMcNull(0));
  group->m_current = 1;
  auto* variable = new CMcVariable("k", "p1", (3 << kMcDecorationShift) | kMcVariant);
  variable->m_index = 42;
  auto* desktop = new CMcDesktop(0);
  desktop->AppendChild(new CMcGroup(new CMcNull(0), "", 0));
  desktop->AppendChild(Variable("x"));
  CMcBasic* trees[] = {
      group,
      Real(-1.25e-7),
      Fn("cosh", Variable("x"), 0x0611, "ab"),
      variable,
      new CMcNull(0x43),
      Matrix(3, {Real(1), Real(-2), Variable("x"), Real(4), Real(5), Real(6)}, 0x0100),
      new CMcDeclaration(Variable("x"),
                         new CMcEquality(Variable("x"), Real(1), McRelationFlags(kMcRelGreater)),
                         1),
      ListOf<CMcListbody>(0x21, {Real(1), Variable("x")}),
      new CMcOperator(Sum({Variable("x"), Real(1)}), CMcOperator::Flags(CMcOperator::kFloor, 1)),
      new CMcDomain(Variable("x"), Real(-1), Real(2), 0x0211),
      new CMcDivision(Real(1), Variable("x"), kMcVariant),
      new CMcRoot(Variable("x"), Real(3), 0x41),
      new CMcPower(Variable("x"), Real(2), McWithKindData(0, 0x14)),
      new CMcLog(Fn("f", Variable("x")), Real(2), 2),
      Sum({Variable("x"), Real(-2), Variable("x")}, 1),
      Prod({Variable("x"), Real(3)}, 0x20),
      new CMcEvalat(Variable("x"), Real(0), Real(1), 0x21),
      new CMcIntegral(Variable("x"), Real(0), Real(1), Variable("x"), 0x4131),
      ListOf<CMcDerivative>(0xC011, {Fn("f", Variable("x")), Variable("x"), Real(2)}),
      new CMcEquality(Fn("y", Variable("x")), Real(1), 0x1601),
      new CMcLimit(Variable("x"),
                   new CMcEquality(Variable("x"), Real(0), McRelationFlags(kMcRelGreater)), 1),
      new CMcSum(Variable("x"), new CMcEquality(Variable("x"), Real(1), 0), new CMcNull(0),
                 kMcVariant | kMcPlusMinus),
      desktop};
  return std::vector<NodePtr>(std::begin(trees), std::end(trees));
}

NodePtr Sample(McKindCode code) {
  for (NodePtr& tree : Samples())
    if (McKindOf(tree->GetType()) == code) return std::move(tree);
  return nullptr;
}

class ClipboardDialect {
 public:
  explicit ClipboardDialect(bool on) : m_old(g_bClipboardDrawing) { g_bClipboardDrawing = on; }
  ~ClipboardDialect() { g_bClipboardDrawing = m_old; }

 private:
  BYTE m_old;
};

void PutWord(Bytes& b, WORD w) {
  b.push_back(static_cast<BYTE>(w));
  b.push_back(static_cast<BYTE>(w >> 8));
}

// A record header of the given type and child count, zeros elsewhere.
Bytes Header(WORD type, WORD count) {
  Bytes b;
  PutWord(b, type);
  PutWord(b, 0);
  PutWord(b, count);
  b.insert(b.end(), 18, 0);
  return b;
}

Bytes Cat(std::initializer_list<Bytes> parts) {
  Bytes b;
  for (const Bytes& p : parts) b.insert(b.end(), p.begin(), p.end());
  return b;
}

Bytes Empty() {
  return Header(McTypeWord(kMcNull), 0);
}

Bytes Nested(int depth, WORD type = McTypeWord(kMcListbody), WORD count = 1) {
  Bytes b, header = Header(type, count), empty = Empty();
  for (int i = 1; i < depth; ++i) b.insert(b.end(), header.begin(), header.end());
  for (int i = 0; i < 1 + (depth - 1) * (count - 1); ++i)
    b.insert(b.end(), empty.begin(), empty.end());
  return b;
}

// A group with one empty child and the given tail.
Bytes Group(WORD current, WORD nameLength, const Bytes& name) {
  Bytes b = Cat({Header(McTypeWord(kMcGroup), 1), Empty()});
  PutWord(b, current);
  PutWord(b, nameLength);
  return Cat({b, name});
}

// The record of a tree the call owns.
Bytes Rec(CMcBasic* node) {
  return Record(NodePtr(node).get());
}

// The record with its last `cut` bytes replaced by `tail`.
Bytes WithTail(Bytes b, size_t cut, const Bytes& tail) {
  b.resize(b.size() - cut);
  return Cat({b, tail});
}

// The record with the byte at `at` (from the end when negative) set.
Bytes Patched(Bytes b, long at, BYTE value) {
  b[at < 0 ? b.size() + at : at] = value;
  return b;
}

// CMXC_BIN::Load of a list holding the records; the list it built is freed.
bool ListLoads(const std::vector<Bytes>& records) {
  Bytes b = {static_cast<BYTE>(records.size()), 0, 0, 0};
  for (const Bytes& r : records) b = Cat({b, r});
  CArchive ar(std::span<const BYTE>(b.data(), b.size()));
  CMXC_BIN list;
  list.Add(new CMcNull(0));  // replaced by the load
  const BOOL ok = list.Load(ar);
  EXPECT_EQ(list.m_count, ok ? static_cast<int>(records.size()) : 0);
  list.DeleteAll();
  return ok != FALSE;
}

}  // namespace

TEST(Records, RecordHeaderExampleBytes) {
  CMcNull node(0);
  node.m_baseline = 16;
  node.m_box = McBox{0, 0, 8, 20};
  const Bytes expected = {0x00, 0x04, 0x00, 0x00, 0x00, 0x00, 0x10, 0x00, 0,    0, 0, 0,
                          0,    0,    0,    0,    0x08, 0,    0,    0,    0x14, 0, 0, 0};
  EXPECT_EQ(Record(&node), expected);
}

TEST(Records, EveryKindRoundTripsInBothDialectsAndRefusesEveryTruncation) {
  for (bool clipboard : {false, true}) {
    ClipboardDialect dialect(clipboard);
    for (const McKind& kind : McKindTable()) {
      SCOPED_TRACE(std::string(kind.name) + (clipboard ? " clipboard" : " file"));
      NodePtr original = Sample(kind.code);
      ASSERT_NE(original, nullptr) << "no round-trip sample";
      int n = 0;
      MarkBoxes(original.get(), n);
      const Bytes bytes = Record(original.get());
      NodePtr loaded = Load(bytes);
      ASSERT_NE(loaded, nullptr);
      EXPECT_EQ(McKindOf(loaded->GetType()), kind.code);
      EXPECT_EQ(loaded->Compare(original.get()), 0);
      EXPECT_EQ(Record(loaded.get()), bytes) << "the same boxes, baselines, flags and tails";
      for (size_t n = 0; n < bytes.size(); ++n)
        EXPECT_EQ(Load(Bytes(bytes.begin(), bytes.begin() + n)), nullptr) << "cut at " << n;
    }
  }
}

// The file dialect stores the variable's table index; the clipboard's does
// not, and a pasted variable comes back unbound to any entry.
TEST(Records, VariableIndexOnlyInTheFileDialect) {
  CMcVariable k("k", "12", 0x0011);
  k.m_index = 9;
  const Bytes file = Record(&k);
  ClipboardDialect dialect(true);
  const Bytes clip = Record(&k);
  EXPECT_EQ(clip.size(), file.size() - 4);
  EXPECT_EQ(file[24], 9);
  NodePtr pasted = Load(clip);
  ASSERT_NE(pasted, nullptr);
  EXPECT_EQ(static_cast<CMcVariable*>(pasted.get())->m_index, 0);
}

// Containers and names the editor can leave empty store records that load.
TEST(Records, WellFormedEdgeCasesLoadBack) {
  auto stray = [] {
    auto* g = new CMcGroup(new CMcNull(0), "g", 0);
    g->m_current = 5;  // names no child: loads as 0
    return g;
  };
  const struct {
    const char* what;
    std::function<CMcBasic*()> make;
  } rows[] = {
      {"empty group", [] { return new CMcGroup(nullptr, "", 0); }},
      {"group showing no child", stray},
      {"empty list", [] { return ListOf<CMcListbody>(0, {}); }},
      {"one-item list", [] { return ListOf<CMcListbody>(0, {Real(7)}); }},
      {"empty matrix", [] { return Matrix(1, {}); }},
      {"nameless function", [] { return Fn("", Real(1)); }},
      {"nameless variable", [] { return new CMcVariable("", "", 0); }},
      {"derivative the editor has just made", [] { return new CMcDerivative(0x10); }},
      {"nesting at the limit", [] { return Load(Nested(McDepthGuard::kMaxDepth)).release(); }},
  };
  for (const auto& row : rows) {
    NodePtr node(row.make());
    ASSERT_NE(node, nullptr) << row.what;
    NodePtr back = Load(Record(node.get()));
    ASSERT_NE(back, nullptr) << row.what;
    EXPECT_EQ(back->Compare(node.get()), 0) << row.what;
  }
}

TEST(Records, DamagedRecordsYieldNoNode) {
  const Bytes fn = Rec(Fn("sin", Real(1)));              // tail: WORD length 5, "sin\0\0"
  const Bytes var = Rec(new CMcVariable("ab", "c", 0));  // index 24, length 28, "ab\0c\0"
  const Bytes matrix = Rec(Matrix(2, {Real(1), Real(2), Real(3), Real(4)}));
  struct Row {
    const char* what;
    Bytes bytes;
  };
  std::vector<Row> rows = {
      {"empty input", {}},
      {"the record for no node", {0x00, 0xFF}},
      {"kind that does not exist", Header(kUnknownType, 0)},
      {"over-counted desktop", Cat({Header(McTypeWord(kMcDesktop), 0xFFFF), Empty()})},
      {"desktop with a bad second child",
       Cat({Header(McTypeWord(kMcDesktop), 2), Empty(), Header(kUnknownType, 0)})},
      {"empty node with a child", Cat({Header(McTypeWord(kMcNull), 1), Empty()})},
      {"number with a child", Patched(Rec(Real(1.5)), 4, 1)},
      {"group index beyond its children", Group(1, 2, {'a', 0})},
      {"group name length 0", Group(0, 0, {})},
      {"group name without its zero", Group(0, 2, {'a', 'b'})},
      {"group name cut short", Group(0, 600, {'a', 'b', 0})},
      {"function name without its final zero", WithTail(fn, 7, {5, 0, 's', 'i', 'n', 0, 'x'})},
      {"function name without separator", WithTail(fn, 7, {3, 0, 's', 'i', 0})},
      {"function buffer of length 1", WithTail(fn, 7, {1, 0, 0})},
      {"function buffer beyond the input", WithTail(fn, 7, {200, 0, 's', 'i', 'n', 0, 0})},
      {"function of two children", Patched(fn, 4, 2)},
      {"variable buffer without its zeros", Patched(var, 28, 2)},
      {"variable buffer beyond the input", Patched(var, 28, 9)},
      {"variable name without its final zero", Patched(var, 34, 'x')},
      {"variable name without separator", Patched(var, 32, 'z')},
      {"variable index beyond 16 bits", Patched(var, 26, 1)},
      {"matrix of no columns", Patched(matrix, -2, 0)},
      {"four elements in rows of 3", Patched(matrix, -2, 3)},
      {"matrix claiming 65535 elements", Patched(Patched(matrix, 4, 0xFF), 5, 0xFF)},
      {"nesting one level too deep", Nested(McDepthGuard::kMaxDepth + 1)},
      {"powers nested far too deep", Nested(5000, McTypeWord(kMcPower), 2)},
  };
  // Frees the first child.
  for (WORD type : {McTypeWord(kMcDeclaration), McTypeWord(kMcDivision), McTypeWord(kMcPower),
                    McTypeWord(kMcListsum), McTypeWord(kMcListmult, 1), McTypeWord(kMcEquality, 1)})
    rows.push_back({"bad second child", Cat({Header(type, 2), Empty(), Header(kUnknownType, 0)})});
  const struct {
    McKindCode kind;
    WORD count;
  } lastChildRows[] = {{kMcDomain, 3}, {kMcEvalat, 3}, {kMcLimit, 2},    {kMcSum, 3},
                       {kMcRoot, 2},   {kMcLog, 2},    {kMcIntegral, 4}, {kMcDerivative, 3}};
  for (const auto& [kind, count] : lastChildRows) {  // frees what came before
    Bytes b = Header(McTypeWord(kind, 1), count);
    for (int i = 1; i < count; ++i) b = Cat({b, Empty()});
    rows.push_back({"bad last child", Cat({b, Header(kUnknownType, 0)})});
  }
  for (const auto& row : rows) {
    EXPECT_EQ(Load(row.bytes), nullptr) << row.what;
    EXPECT_FALSE(ListLoads({Record(Sample(kMcReal).get()), row.bytes})) << row.what;
  }
  EXPECT_TRUE(ListLoads({Record(Sample(kMcReal).get()), Group(0, 2, {'a', 0})}));
}

// A refused child count stops right after the 24-byte header.
TEST(Records, WrongChildCountsStopAfterTheHeader) {
  const struct {
    WORD type, count;
  } rows[] = {{McTypeWord(kMcListsum), 1},      {McTypeWord(kMcListsum), 0},
              {McTypeWord(kMcListmult, 1), 1},  {McTypeWord(kMcDivision), 3},
              {McTypeWord(kMcPower), 1},        {McTypeWord(kMcEquality, 1), 1},
              {McTypeWord(kMcEquality, 1), 3},  {McTypeWord(kMcDeclaration), 0},
              {McTypeWord(kMcFunction), 0},     {McTypeWord(kMcReal), 1},
              {McTypeWord(kMcVariable), 1},     {McTypeWord(kMcOperator, 2), 2},
              {McTypeWord(kMcOperator, 23), 0}, {McTypeWord(kMcLimit), 3},
              {McTypeWord(kMcLimit), 1},        {McTypeWord(kMcDomain), 2},
              {McTypeWord(kMcEvalat), 4},       {McTypeWord(kMcSum, 1), 2},
              {McTypeWord(kMcRoot), 1},         {McTypeWord(kMcLog), 3},
              {McTypeWord(kMcIntegral), 3},     {McTypeWord(kMcDerivative), 1}};
  for (const auto& row : rows) {
    Bytes bytes = Cat({Header(row.type, row.count), {0xAB}});
    CArchive ar(bytes);
    EXPECT_EQ(CMcBasic::LoadNode(ar), nullptr) << std::hex << row.type << " of " << row.count;
    BYTE next = 0;
    ar >> next;
    EXPECT_EQ(next, 0xAB) << std::hex << row.type << " of " << row.count;
  }
}

TEST(Records, RandomDamageNeverCrashes) {
  // A new seed each run widens the search; it is printed first so that a
  // crash can be replayed with QX_TEST_SEED.
  const char* given = std::getenv("QX_TEST_SEED");
  const unsigned seed =
      given ? static_cast<unsigned>(std::strtoul(given, nullptr, 10)) : std::random_device{}();
  std::printf("Records.RandomDamageNeverCrashes: QX_TEST_SEED=%u\n", seed);
  std::fflush(stdout);
  SCOPED_TRACE("seed " + std::to_string(seed));
  std::mt19937 rng(seed);
  // Start from real records and damage them, so that the loaders get deep.
  std::vector<Bytes> seeds;
  for (const NodePtr& tree : Samples()) seeds.push_back(Record(tree.get()));
  for (int round = 0; round < 3000; ++round) {
    Bytes b = seeds[rng() % seeds.size()];
    const int flips = 1 + static_cast<int>(rng() % 4);
    for (int f = 0; f < flips; ++f) b[rng() % b.size()] = static_cast<BYTE>(rng());
    if (rng() % 3 == 0) b.resize(rng() % (b.size() + 1));
    NodePtr loaded = Load(b);  // whatever comes back is freed
    if (loaded) {
      EXPECT_NE(McKindOf(loaded->GetType()), kMcNoKind);
    }
  }
}
