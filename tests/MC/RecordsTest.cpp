// Node records: the header bytes, a round trip of every kind in both
// dialects, and damaged input of every sort yielding no node.
#include "GlobalResources.h"
#include "MC/MC_BASIC.h"
#include "MC/MC_GROUP.h"
#include "MC/MC_NULL.h"
#include "MC/MC_POWER.h"
#include "MC/MC_REAL.h"
#include "MC/MXC_BIN.h"
#include "MC/McKinds.h"
#include "MC/Mc_declaration.h"
#include "MC/Mc_desktop.h"
#include "MC/Mc_division.h"
#include "MC/Mc_equality.h"
#include "MC/Mc_function.h"
#include "MC/Mc_listbody.h"
#include "MC/Mc_listmult.h"
#include "MC/Mc_listsum.h"
#include "MC/Mc_matrix.h"
#include "MC/Mc_variable.h"
#include "platform/core/Archive.h"

#include <gtest/gtest.h>

#include <functional>
#include <map>
#include <memory>
#include <random>
#include <vector>

namespace {

using Bytes = std::vector<BYTE>;
using NodePtr = std::unique_ptr<CMcBasic>;

Bytes StoreBytes(const CMcBasic* node) {
  CArchive ar(CArchive::store);
  node->Store(ar);
  return ar.TakeStoredBytes();
}

NodePtr LoadBytes(const Bytes& bytes) {
  CArchive ar(std::span<const BYTE>(bytes.data(), bytes.size()));
  return NodePtr(CMcBasic::LoadNode(ar));
}

// Gives every node of the tree a distinct box and baseline, as a layout would.
void MarkBoxes(CMcBasic* node, int& n) {
  ++n;
  node->m_box = McBox{n, -2 * n, 3 * n + 1, 4 * n + 2};
  node->m_baseline = static_cast<WORD>(n + 5);
  for (int i = 0; i < node->m_count; ++i) MarkBoxes(node->m_children[i], n);
}

void ExpectSameLayout(const CMcBasic* a, const CMcBasic* b) {
  EXPECT_EQ(a->m_box.x, b->m_box.x);
  EXPECT_EQ(a->m_box.y, b->m_box.y);
  EXPECT_EQ(a->m_box.width, b->m_box.width);
  EXPECT_EQ(a->m_box.height, b->m_box.height);
  EXPECT_EQ(a->m_baseline, b->m_baseline);
  EXPECT_EQ(a->m_flags, b->m_flags);
  ASSERT_EQ(a->m_count, b->m_count);
  for (int i = 0; i < a->m_count; ++i) ExpectSameLayout(a->m_children[i], b->m_children[i]);
}

CMcBasic* X() {
  return new CMcVariable("x", "", 0);
}
CMcBasic* Num(double v, WORD flags = 0) {
  return new CMcReal(v, flags);
}

template <class List>
CMcBasic* ListOf(WORD flags, std::initializer_list<CMcBasic*> items) {
  auto* list = new List(flags);
  for (CMcBasic* item : items) list->AppendChild(item);
  return list;
}

// One sample tree per kind of the kind table, each with something in every
// part of its record.
const std::map<BYTE, std::function<CMcBasic*()>>& Samples() {
  static const std::map<BYTE, std::function<CMcBasic*()>> samples = {
      {0x00,
       [] {
         auto* g = new CMcGroup(Num(2.5, 1), "model", 0x0A20);
         g->AppendChild(new CMcNull(0));
         g->m_current = 1;
         return g;
       }},
      {0x01, [] { return Num(1.25e-7, 1); }},
      {0x02, [] { return new CMcFunction(X(), "sin", "2", 0x0200); }},
      {0x03,
       [] {
         auto* v = new CMcVariable("k", "p1", 0x0610);
         v->m_index = 42;
         return v;
       }},
      {0x04, [] { return new CMcNull(0x43); }},
      {0x05,
       [] {
         auto* m = static_cast<CMcMatrix*>(ListOf<CMcMatrix>(0, {Num(1), Num(2), X(), Num(4)}));
         m->SetColumns(2);
         return m;
       }},
      {0x06, [] { return new CMcDeclaration(X(), Num(3), 0); }},
      {0x07,
       [] {
         return ListOf<CMcListbody>(0, {Num(1), X()});
       }},
      {0x0A, [] { return new CMcDivision(Num(1), X(), 2); }},
      {0x0C, [] { return new CMcPower(X(), Num(2), 0); }},
      {0x0E,
       [] {
         return ListOf<CMcListsum>(0, {X(), Num(2, 1), X()});
       }},
      {0x0F,
       [] {
         return ListOf<CMcListmult>(0x10, {X(), Num(3)});
       }},
      {0x13, [] { return new CMcEquality(new CMcFunction(X(), "y", "", 0), Num(1), 0x0100); }},
      {0xFE,
       [] {
         auto* d = new CMcDesktop(0);
         d->AppendChild(new CMcGroup(new CMcNull(0), "", 0));
         d->AppendChild(X());
         return d;
       }},
  };
  return samples;
}

class ClipboardDialect {
 public:
  explicit ClipboardDialect(bool on) : m_old(g_bClipboardDrawing) {
    g_bClipboardDrawing = on ? 1 : 0;
  }
  ~ClipboardDialect() { g_bClipboardDrawing = m_old; }

 private:
  BYTE m_old;
};

}  // namespace

TEST(Records, RecordHeaderExampleBytes) {
  CMcNull node(0);
  node.m_baseline = 16;
  node.m_box = McBox{0, 0, 8, 20};
  const Bytes expected = {0x00, 0x04, 0x00, 0x00, 0x00, 0x00, 0x10, 0x00, 0,    0, 0, 0,
                          0,    0,    0,    0,    0x08, 0,    0,    0,    0x14, 0, 0, 0};
  EXPECT_EQ(StoreBytes(&node), expected);
}

TEST(Records, EveryKindHasASample) {
  for (const McKind& kind : McKindTable())
    EXPECT_TRUE(Samples().count(kind.code)) << kind.name << " has no round-trip sample";
}

TEST(Records, EveryKindRoundTripsInBothDialects) {
  for (bool clipboard : {false, true}) {
    ClipboardDialect dialect(clipboard);
    for (const McKind& kind : McKindTable()) {
      auto it = Samples().find(kind.code);
      if (it == Samples().end()) continue;
      SCOPED_TRACE(std::string(kind.name) + (clipboard ? " clipboard" : " file"));
      NodePtr original(it->second());
      int n = 0;
      MarkBoxes(original.get(), n);
      const Bytes bytes = StoreBytes(original.get());
      NodePtr loaded = LoadBytes(bytes);
      ASSERT_NE(loaded, nullptr);
      EXPECT_EQ(loaded->GetType() >> 8, kind.code);
      EXPECT_EQ(loaded->Compare(original.get()), 0);
      ExpectSameLayout(loaded.get(), original.get());
      // The tails come back too: the loaded tree writes the same record.
      EXPECT_EQ(StoreBytes(loaded.get()), bytes);
    }
  }
}

TEST(Records, GroupsTheSystemMakesAlwaysLoadBack) {
  CMcGroup empty(nullptr, "", 0);
  NodePtr loaded = LoadBytes(StoreBytes(&empty));
  ASSERT_NE(loaded, nullptr);
  EXPECT_EQ(loaded->m_count, 0);

  CMcGroup stray(new CMcNull(0), "g", 0);
  stray.m_current = 5;  // names no child
  loaded = LoadBytes(StoreBytes(&stray));
  ASSERT_NE(loaded, nullptr);
  EXPECT_EQ(static_cast<CMcGroup*>(loaded.get())->m_current, 0);
  EXPECT_STREQ(static_cast<CMcGroup*>(loaded.get())->m_name, "g");
}

// ---- damaged input ---------------------------------------------------------------

namespace {

void PutWord(Bytes& b, WORD w) {
  b.push_back(static_cast<BYTE>(w));
  b.push_back(static_cast<BYTE>(w >> 8));
}

// A record header of the given type and child count, zeros elsewhere.
void PutHeader(Bytes& b, WORD type, WORD count) {
  PutWord(b, type);
  PutWord(b, 0);
  PutWord(b, count);
  b.insert(b.end(), 18, 0);
}

Bytes Nested(int depth) {
  Bytes b;
  for (int i = 1; i < depth; ++i) PutHeader(b, 0xFE00, 1);
  PutHeader(b, 0x0400, 0);
  return b;
}

// The group tail after a group header with one empty child.
Bytes GroupRecord(WORD current, WORD nameLength, const Bytes& name) {
  Bytes b;
  PutHeader(b, 0x0000, 1);
  PutHeader(b, 0x0400, 0);
  PutWord(b, current);
  PutWord(b, nameLength);
  b.insert(b.end(), name.begin(), name.end());
  return b;
}

// CMXC_BIN::Load of a one-item list holding the record.
bool ListLoads(const Bytes& record) {
  Bytes b = {1, 0, 0, 0};
  b.insert(b.end(), record.begin(), record.end());
  CArchive ar(std::span<const BYTE>(b.data(), b.size()));
  CMXC_BIN list;
  const BOOL ok = list.Load(ar);
  EXPECT_EQ(list.m_count, ok ? 1 : 0);
  list.DeleteAll();
  return ok != FALSE;
}

}  // namespace

TEST(Records, DamagedRecordsYieldNoNode) {
  struct Row {
    const char* what;
    Bytes bytes;
  };
  Bytes overCounted;
  PutHeader(overCounted, 0xFE00, 0xFFFF);
  PutHeader(overCounted, 0x0400, 0);
  Bytes nullWithChild;
  PutHeader(nullWithChild, 0x0400, 1);
  PutHeader(nullWithChild, 0x0400, 0);
  Bytes unknownKind;
  PutHeader(unknownKind, 0x7F00, 0);
  Bytes noNode;
  PutWord(noNode, 0xFF00);
  Bytes badChild;
  PutHeader(badChild, 0xFE00, 2);
  PutHeader(badChild, 0x0400, 0);
  PutHeader(badChild, 0x7F00, 0);
  const Row rows[] = {
      {"empty input", {}},
      {"over-counted desktop", overCounted},
      {"empty node with a child", nullWithChild},
      {"kind that does not exist", unknownKind},
      {"the record for no node", noNode},
      {"desktop with a bad second child", badChild},
      {"group index beyond its children", GroupRecord(1, 2, {'a', 0})},
      {"group name length 0", GroupRecord(0, 0, {})},
      {"group name without its zero", GroupRecord(0, 2, {'a', 'b'})},
      {"group name cut short", GroupRecord(0, 600, {'a', 'b', 0})},
      {"nesting one level too deep", Nested(McDepthGuard::kMaxDepth + 1)},
      {"nesting far too deep", Nested(100000)},
  };
  for (const Row& row : rows) {
    EXPECT_EQ(LoadBytes(row.bytes), nullptr) << row.what;
    EXPECT_FALSE(ListLoads(row.bytes)) << row.what;
  }
  EXPECT_NE(LoadBytes(GroupRecord(0, 2, {'a', 0})), nullptr) << "the well-formed group";
  EXPECT_NE(LoadBytes(Nested(McDepthGuard::kMaxDepth)), nullptr) << "nesting at the limit";
}

TEST(Records, EveryTruncationOfEveryKindYieldsNoNode) {
  for (const McKind& kind : McKindTable()) {
    auto it = Samples().find(kind.code);
    if (it == Samples().end()) continue;
    NodePtr tree(it->second());
    const Bytes bytes = StoreBytes(tree.get());
    for (size_t n = 0; n < bytes.size(); ++n) {
      const Bytes cut(bytes.begin(), bytes.begin() + static_cast<long>(n));
      EXPECT_EQ(LoadBytes(cut), nullptr) << kind.name << " cut at " << n;
    }
  }
}

TEST(Records, RandomBytesNeverCrash) {
  const unsigned seed = std::random_device{}();
  SCOPED_TRACE("seed " + std::to_string(seed));
  std::mt19937 rng(seed);
  // Start from real records and damage them, so that the loaders get deep.
  std::vector<Bytes> seeds;
  for (auto& [code, make] : Samples()) {
    NodePtr tree(make());
    seeds.push_back(StoreBytes(tree.get()));
  }
  for (int round = 0; round < 3000; ++round) {
    Bytes b = seeds[rng() % seeds.size()];
    const int flips = 1 + static_cast<int>(rng() % 4);
    for (int f = 0; f < flips; ++f) b[rng() % b.size()] = static_cast<BYTE>(rng());
    if (rng() % 3 == 0) b.resize(rng() % (b.size() + 1));
    NodePtr loaded = LoadBytes(b);  // whatever comes back is freed
    if (loaded) {
      EXPECT_NE(loaded->GetType() >> 8, 0xFF);
    }
  }
}
