// Records of the sum, product, division, power, relation and declaration
// nodes: every kind round-trips with its boxes, and damaged records yield no
// node without reading past their input or leaking what was read (ASan).
#include "MC/MC_NULL.h"
#include "MC/MC_POWER.h"
#include "MC/MC_REAL.h"
#include "MC/Mc_declaration.h"
#include "MC/Mc_division.h"
#include "MC/Mc_equality.h"
#include "MC/Mc_listmult.h"
#include "MC/Mc_listsum.h"
#include "SumFamilyTestSupport.h"

#include <gtest/gtest.h>

#include <memory>

using namespace qxtest;

namespace {

CMcBasic* Leaf() {
  return new CMcNull(0);
}

// One tree holding every kind of this family, signs and variants included.
CMcBasic* EveryKind() {
  auto* sum = new CMcListsum(1);
  sum->AppendChild(Leaf());
  auto* product = new CMcListmult(0x20);
  product->AppendChild(new CMcReal(2.5, 0));
  product->AppendChild(Leaf());
  sum->AppendChild(product);
  auto* power = new CMcPower(new CMcDivision(Leaf(), Leaf(), 0x10), Leaf(), 0x1400);
  auto* declaration = new CMcDeclaration(power, new CMcEquality(Leaf(), Leaf(), 0x0700), 1);
  return new CMcEquality(sum, declaration, 0x1601);
}

void ExpectSameLayout(const CMcBasic* a, const CMcBasic* b) {
  ASSERT_EQ(a->m_count, b->m_count);
  EXPECT_EQ(a->m_flags, b->m_flags) << a->GetName();
  EXPECT_EQ(a->m_baseline, b->m_baseline) << a->GetName();
  EXPECT_EQ(a->m_box.x, b->m_box.x) << a->GetName();
  EXPECT_EQ(a->m_box.y, b->m_box.y) << a->GetName();
  EXPECT_EQ(a->m_box.width, b->m_box.width) << a->GetName();
  EXPECT_EQ(a->m_box.height, b->m_box.height) << a->GetName();
  for (int i = 0; i < a->m_count; ++i) ExpectSameLayout(a->m_children[i], b->m_children[i]);
}

TEST(SumFamilyRecord, EveryKindRoundTrips) {
  FixedMetricsResources resources;
  FixedFontTables fonts;
  std::unique_ptr<CMcBasic> tree(EveryKind());
  tree->Layout(g_pMeasureDC, 0);
  const std::vector<BYTE> bytes = Record(*tree);
  CArchive ar(bytes);
  std::unique_ptr<CMcBasic> loaded(CMcBasic::LoadNode(ar));
  ASSERT_NE(loaded, nullptr);
  EXPECT_FALSE(ar.HasFailed());
  EXPECT_EQ(tree->Compare(loaded.get()), 0);
  ExpectSameLayout(tree.get(), loaded.get());
  EXPECT_EQ(Record(*loaded), bytes);
}

// Every prefix of the record cuts some loader of the family short.
TEST(SumFamilyRecord, TruncatedRecordsYieldNoNode) {
  std::unique_ptr<CMcBasic> tree(EveryKind());
  const std::vector<BYTE> bytes = Record(*tree);
  for (size_t cut = 0; cut < bytes.size(); ++cut) {
    CArchive ar(std::vector<BYTE>(bytes.begin(), bytes.begin() + cut));
    EXPECT_EQ(CMcBasic::LoadNode(ar), nullptr) << "cut at " << cut;
  }
}

std::vector<BYTE> Header(WORD type, WORD count) {
  CArchive ar(CArchive::store);
  ar << type << WORD(0) << count << WORD(0);
  for (int i = 0; i < 4; ++i) ar << DWORD(0);
  return ar.GetStoredBytes();
}

void Append(std::vector<BYTE>& to, const std::vector<BYTE>& bytes) {
  to.insert(to.end(), bytes.begin(), bytes.end());
}

// A refused child count stops right after the 24-byte header: the next byte
// read is the one that followed it.
TEST(SumFamilyRecord, WrongChildCountsStopAfterTheHeader) {
  const struct {
    WORD type, count;
  } cases[] = {{0x0E00, 1}, {0x0E00, 0}, {0x0F01, 1}, {0x0A00, 3},
               {0x0C00, 1}, {0x1301, 1}, {0x1301, 3}, {0x0600, 0}};
  for (const auto& c : cases) {
    std::vector<BYTE> bytes = Header(c.type, c.count);
    bytes.push_back(0xAB);
    CArchive ar(bytes);
    EXPECT_EQ(CMcBasic::LoadNode(ar), nullptr) << std::hex << c.type << " of " << c.count;
    BYTE next = 0;
    ar >> next;
    EXPECT_EQ(next, 0xAB) << std::hex << c.type << " of " << c.count;
  }
}

// The first child loads, the second is a kind that does not exist: the first
// is freed and no node comes back.
TEST(SumFamilyRecord, ABadSecondChildFreesTheFirst) {
  for (WORD type : {0x0600, 0x0A00, 0x0C00, 0x0E00, 0x0F01, 0x1301}) {
    std::vector<BYTE> bytes = Header(type, 2);
    Append(bytes, Record(CMcNull(0)));
    Append(bytes, Header(0x7700, 0));
    CArchive ar(bytes);
    EXPECT_EQ(CMcBasic::LoadNode(ar), nullptr) << std::hex << type;
  }
}

TEST(SumFamilyRecord, DeepNestingIsRefused) {
  const int depth = 5000;
  std::vector<BYTE> bytes;
  for (int i = 0; i < depth; ++i) Append(bytes, Header(0x0C00, 2));
  for (int i = 0; i <= depth; ++i) Append(bytes, Record(CMcNull(0)));
  CArchive ar(bytes);
  EXPECT_EQ(CMcBasic::LoadNode(ar), nullptr);
}

}  // namespace
