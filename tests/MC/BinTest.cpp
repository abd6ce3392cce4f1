// Expression lists: growth, refusal of damaged input, the collecting walks.
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

// A list that owns its trees until the test ends.
struct OwningBin : CMXC_BIN {
  ~OwningBin() override { DeleteAll(); }
};

}  // namespace

TEST(Bin, GrowsByDoublingAndKeepsItsArrayOnDeleteAll) {
  OwningBin bin;
  for (int i = 0; i < 8; ++i) EXPECT_EQ(bin.Add(new CMcNull(0)), i);
  EXPECT_EQ(bin.m_capacity, 8);
  EXPECT_EQ(bin.Add(new CMcNull(0)), 8);
  EXPECT_EQ(bin.m_capacity, 16);
  bin.DeleteAll();
  EXPECT_EQ(bin.m_count, 0);
  EXPECT_EQ(bin.m_capacity, 16);
}

TEST(Bin, LoadRefusesTheWholeListWhenOneRecordIsBad) {
  OwningBin bin;
  for (int i = 0; i < 3; ++i) bin.Add(new CMcReal(i, 0));
  CArchive out(CArchive::store);
  bin.Store(out);
  Bytes good = out.TakeStoredBytes();
  EXPECT_EQ(Bytes(good.begin(), good.begin() + 4), (Bytes{3, 0, 0, 0}));
  Bytes damaged = good;
  damaged[4 + 32 + 1] = 0x7F;  // second record (32 bytes each) names no kind
  const Bytes overCounted = {0xFF, 0xFF, 0xFF, 0x7F};
  const Bytes* inputs[] = {&good, &damaged, &overCounted};
  for (const Bytes* bytes : inputs) {
    OwningBin loaded;
    loaded.Add(new CMcNull(0));  // replaced by the load
    CArchive in(std::span<const BYTE>(bytes->data(), bytes->size()));
    const bool ok = loaded.Load(in);
    EXPECT_EQ(ok, bytes == &good);
    EXPECT_EQ(loaded.m_count, ok ? 3 : 0);
    EXPECT_EQ(loaded.m_capacity, 8);
    if (ok) {
      EXPECT_EQ(loaded.m_items[2]->Compare(bin.m_items[2]), 0);
    }
  }
}

TEST(Bin, AppendClonesTo) {
  OwningBin bin;
  CMcNull target(0);
  EXPECT_FALSE(bin.AppendClonesTo(&target));
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

TEST(Bin, CollectingWalks) {
  auto sum = SumOf({Var("x", 6), Var("y", 7), Var("x", 6), new CMcReal(2, 3)});
  CMXC_BIN matching;  // borrows the nodes
  matching.CollectMatching(sum.get(), 0x0300, 0xFF00);
  ASSERT_EQ(matching.m_count, 2);  // the second x equals the first
  EXPECT_EQ(matching.m_items[0], sum->m_children[0]);
  EXPECT_EQ(matching.m_items[1], sum->m_children[1]);

  CMXC_BIN flagged;
  flagged.CollectFlagged(sum.get());
  ASSERT_EQ(flagged.m_count, 1);
  EXPECT_EQ(flagged.m_items[0], sum->m_children[3]);

  OwningBin bin;
  bin.Add(new CMcReal(1, 0));
  bin.Add(sum.release());
  EXPECT_TRUE(bin.ContainsVariable(nullptr, 7));
  EXPECT_FALSE(bin.ContainsVariable(nullptr, 8));
  EXPECT_FALSE(bin.ContainsVariable(bin.m_items[0], 7));
}
