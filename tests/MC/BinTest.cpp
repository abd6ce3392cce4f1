// Expression lists: growth, ownership, records and the collecting walks.
#include "MC/MC_NULL.h"
#include "MC/MC_REAL.h"
#include "MC/MXC_BIN.h"
#include "MC/Mc_listsum.h"
#include "MC/Mc_variable.h"
#include "platform/core/Archive.h"

#include <gtest/gtest.h>

#include <memory>
#include <vector>

namespace {

using Bytes = std::vector<BYTE>;

CMcBasic* Var(const char* name, WORD index) {
  auto* v = new CMcVariable(name, "", 0);
  v->m_index = index;
  return v;
}

std::unique_ptr<CMcBasic> SumOf(std::initializer_list<CMcBasic*> terms) {
  auto sum = std::make_unique<CMcListsum>(0);
  for (CMcBasic* t : terms) sum->AppendChild(t);
  return sum;
}

// An owning list that frees its trees when the test ends.
struct OwningBin : CMXC_BIN {
  ~OwningBin() override { DeleteAll(); }
};

}  // namespace

TEST(Bin, GrowsByDoublingAndKeepsItsArrayOnDeleteAll) {
  OwningBin bin;
  EXPECT_EQ(bin.m_capacity, 8);
  for (int i = 0; i < 8; ++i) EXPECT_EQ(bin.Add(new CMcNull(0)), i);
  EXPECT_EQ(bin.m_capacity, 8);
  EXPECT_EQ(bin.Add(new CMcNull(0)), 8);
  EXPECT_EQ(bin.m_capacity, 16);
  bin.DeleteAll();
  EXPECT_EQ(bin.m_count, 0);
  EXPECT_EQ(bin.m_capacity, 16);
}

TEST(Bin, StoreAndLoadRoundTrip) {
  OwningBin bin;
  bin.Add(new CMcReal(3, 1));
  bin.Add(SumOf({Var("x", 6), new CMcNull(0)}).release());
  CArchive out(CArchive::store);
  bin.Store(out);
  const Bytes bytes = out.TakeStoredBytes();
  EXPECT_EQ(Bytes(bytes.begin(), bytes.begin() + 4), (Bytes{2, 0, 0, 0}));

  OwningBin loaded;
  loaded.Add(new CMcNull(0));  // replaced by the load
  CArchive in(std::span<const BYTE>(bytes.data(), bytes.size()));
  ASSERT_TRUE(loaded.Load(in));
  ASSERT_EQ(loaded.m_count, 2);
  for (int i = 0; i < 2; ++i) EXPECT_EQ(loaded.m_items[i]->Compare(bin.m_items[i]), 0);
}

TEST(Bin, DamagedItemFailsTheWholeList) {
  OwningBin bin;
  for (int i = 0; i < 3; ++i) bin.Add(new CMcReal(i, 0));
  CArchive out(CArchive::store);
  bin.Store(out);
  Bytes bytes = out.TakeStoredBytes();
  // Second record's type word (each real record is 24 + 8 bytes) names no kind.
  bytes[4 + 32 + 1] = 0x7F;
  OwningBin loaded;
  CArchive in(std::span<const BYTE>(bytes.data(), bytes.size()));
  EXPECT_FALSE(loaded.Load(in));
  EXPECT_EQ(loaded.m_count, 0);
}

TEST(Bin, CountBeyondTheInputFailsWithoutAllocating) {
  const Bytes bytes = {0xFF, 0xFF, 0xFF, 0x7F};
  OwningBin loaded;
  CArchive in(std::span<const BYTE>(bytes.data(), bytes.size()));
  EXPECT_FALSE(loaded.Load(in));
  EXPECT_EQ(loaded.m_capacity, 8);
}

TEST(Bin, AppendClonesTo) {
  OwningBin bin;
  CMcNull target(0);
  EXPECT_FALSE(bin.AppendClonesTo(&target));
  EXPECT_EQ(target.m_count, 0);
  bin.Add(new CMcReal(1, 0));
  bin.Add(Var("x", 6));
  auto sum = SumOf({new CMcNull(0)});
  EXPECT_TRUE(bin.AppendClonesTo(sum.get()));
  ASSERT_EQ(sum->m_count, 3);
  for (int i = 1; i < 3; ++i) {
    EXPECT_EQ(sum->m_children[i]->Compare(bin.m_items[i - 1]), 0);
    EXPECT_NE(sum->m_children[i], bin.m_items[i - 1]);
    EXPECT_EQ(sum->m_children[i]->m_parent, sum.get());
  }
}

TEST(Bin, CollectMatchingSkipsNodesEqualToOneHeld) {
  auto sum = SumOf({Var("x", 6), Var("y", 7), Var("x", 6)});
  CMXC_BIN found;  // borrows the nodes
  found.CollectMatching(sum.get(), 0x0300, 0xFF00);
  ASSERT_EQ(found.m_count, 2);
  EXPECT_EQ(found.m_items[0], sum->m_children[0]);
  EXPECT_EQ(found.m_items[1], sum->m_children[1]);
}

TEST(Bin, CollectFlaggedFindsPlusMinusSigns) {
  auto sum = SumOf({new CMcReal(1, 2), new CMcReal(2, 1), new CMcReal(3, 3)});
  sum->m_flags |= 2;
  CMXC_BIN found;
  found.CollectFlagged(sum.get());
  ASSERT_EQ(found.m_count, 3);
  EXPECT_EQ(found.m_items[0], sum.get());
  EXPECT_EQ(found.m_items[1], sum->m_children[0]);
  EXPECT_EQ(found.m_items[2], sum->m_children[2]);
}

TEST(Bin, ContainsVariable) {
  OwningBin bin;
  bin.Add(new CMcReal(1, 0));
  bin.Add(SumOf({new CMcReal(2, 0), Var("k", 9)}).release());
  EXPECT_TRUE(bin.ContainsVariable(nullptr, 9));
  EXPECT_FALSE(bin.ContainsVariable(nullptr, 8));
  EXPECT_FALSE(bin.ContainsVariable(bin.m_items[0], 9));
  EXPECT_TRUE(bin.ContainsVariable(bin.m_items[1], 9));
}
