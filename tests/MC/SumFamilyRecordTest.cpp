// Records of the sum, product, division, power, relation and declaration
// nodes: every kind round-trips with its boxes, and damaged records yield no
// node without reading past their input or leaking what was read.
#include "MC/MC_NULL.h"
#include "MC/MC_POWER.h"
#include "MC/MC_REAL.h"
#include "MC/McKinds.h"
#include "MC/Mc_declaration.h"
#include "MC/Mc_division.h"
#include "MC/Mc_equality.h"
#include "MC/Mc_listmult.h"
#include "MC/Mc_listsum.h"
#include "SumFamilyTestSupport.h"

#include <gtest/gtest.h>

#include <functional>
#include <memory>

using namespace qxtest;

namespace {

const WORD kOurKinds[] = {0x0600, 0x0A00, 0x0C00, 0x0E00, 0x0F00, 0x1300};

bool KindTableHasOurKinds() {
  for (WORD type : kOurKinds) {
    if (!McFindKind(type)) return false;
  }
  return true;
}

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
  auto* declaration = new CMcDeclaration(power, new CMcEquality(Leaf(), Leaf(), 0x0700), 0);
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
  if (!KindTableHasOurKinds()) GTEST_SKIP() << "these kinds are not in the kind table yet";
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

// Each kind read by its own loader after the type word, so the loaders are
// checked whether or not the kind table lists them yet.
using Loader = CMcBasic* (*)(CArchive&);

struct KindCase {
  const char* name;
  Loader load;
  std::function<CMcBasic*()> make;
};

std::vector<KindCase> KindCases() {
  return {
      {"sum", &CMcListsum::Load,
       [] {
         auto* s = new CMcListsum(2);
         s->AppendChild(Leaf());
         s->AppendChild(new CMcReal(1, 1));
         return s;
       }},
      {"dot product", &CMcListmult::Load,
       [] {
         auto* p = new CMcListmult(0x31);
         for (int i = 0; i < 3; ++i) p->AppendChild(Leaf());
         return p;
       }},
      {"division", &CMcDivision::Load, [] { return new CMcDivision(Leaf(), Leaf(), 0x11); }},
      {"power", &CMcPower::Load, [] { return new CMcPower(Leaf(), Leaf(), 0xFF01); }},
      {"relation", &CMcEquality::Load, [] { return new CMcEquality(Leaf(), Leaf(), 0x1701); }},
      {"declaration", &CMcDeclaration::Load, [] { return new CMcDeclaration(Leaf(), Leaf(), 1); }},
  };
}

TEST(SumFamilyRecord, EachLoaderReadsWhatItsKindStores) {
  FixedMetricsResources resources;
  FixedFontTables fonts;
  for (const KindCase& c : KindCases()) {
    std::unique_ptr<CMcBasic> node(c.make());
    node->Layout(g_pMeasureDC, 0);
    const std::vector<BYTE> bytes = Record(*node);
    CArchive ar(bytes);
    WORD type = 0;
    ar >> type;
    EXPECT_EQ(type, node->GetType()) << c.name;
    std::unique_ptr<CMcBasic> loaded(c.load(ar));
    ASSERT_NE(loaded, nullptr) << c.name;
    EXPECT_EQ(node->Compare(loaded.get()), 0) << c.name;
    ExpectSameLayout(node.get(), loaded.get());
  }
}

// Every prefix of a record is refused, with nothing leaked (ASan).
TEST(SumFamilyRecord, TruncatedRecordsYieldNoNode) {
  for (const KindCase& c : KindCases()) {
    std::unique_ptr<CMcBasic> node(c.make());
    const std::vector<BYTE> bytes = Record(*node);
    for (size_t cut = 2; cut < bytes.size(); ++cut) {
      CArchive ar(std::vector<BYTE>(bytes.begin(), bytes.begin() + cut));
      WORD type = 0;
      ar >> type;
      std::unique_ptr<CMcBasic> loaded(c.load(ar));
      EXPECT_EQ(loaded, nullptr) << c.name << " cut at " << cut;
    }
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
    const char* name;
    Loader load;
    WORD type, count;
  } cases[] = {
      {"sum of one", &CMcListsum::Load, 0x0E00, 1},
      {"sum of none", &CMcListsum::Load, 0x0E00, 0},
      {"product of one", &CMcListmult::Load, 0x0F01, 1},
      {"division of three", &CMcDivision::Load, 0x0A00, 3},
      {"power of one", &CMcPower::Load, 0x0C00, 1},
      {"relation of one", &CMcEquality::Load, 0x1301, 1},
      {"relation of three", &CMcEquality::Load, 0x1301, 3},
      {"declaration of none", &CMcDeclaration::Load, 0x0600, 0},
  };
  for (const auto& c : cases) {
    std::vector<BYTE> bytes = Header(c.type, c.count);
    ASSERT_EQ(bytes.size(), 24u);
    bytes.push_back(0xAB);
    CArchive ar(bytes);
    WORD type = 0;
    ar >> type;
    EXPECT_EQ(c.load(ar), nullptr) << c.name;
    BYTE next = 0;
    ar >> next;
    EXPECT_EQ(next, 0xAB) << c.name;
  }
}

// The first child loads, the second is a kind that does not exist: the first
// is freed (ASan's leak check) and no node comes back.
TEST(SumFamilyRecord, ABadSecondChildFreesTheFirst) {
  for (const KindCase& c : KindCases()) {
    std::unique_ptr<CMcBasic> node(c.make());
    std::vector<BYTE> bytes = Header(node->GetType(), 2);
    Append(bytes, Record(CMcNull(0)));
    Append(bytes, Header(0x7700, 0));
    CArchive ar(bytes);
    WORD type = 0;
    ar >> type;
    EXPECT_EQ(c.load(ar), nullptr) << c.name;
  }
}

TEST(SumFamilyRecord, DeepNestingIsRefused) {
  if (!KindTableHasOurKinds()) GTEST_SKIP() << "these kinds are not in the kind table yet";
  const int depth = 5000;
  std::vector<BYTE> bytes;
  for (int i = 0; i < depth; ++i) Append(bytes, Header(0x0C00, 2));
  Append(bytes, Record(CMcNull(0)));
  for (int i = 0; i < depth; ++i) Append(bytes, Record(CMcNull(0)));
  CArchive ar(bytes);
  EXPECT_EQ(CMcBasic::LoadNode(ar), nullptr);
}

}  // namespace
