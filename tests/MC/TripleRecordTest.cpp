// The three kinds of three fixed parts (summation, evaluate-at, domain) read
// their records through one loader: exactly three children, the stored box
// and baseline kept, and any other child count refused.
#include "MC/MC_SUM.h"
#include "MC/Mc_domain.h"
#include "MC/Mc_evalat.h"
#include "tests/support/TreeBuilders.h"

#include <gtest/gtest.h>

#include <functional>
#include <memory>

namespace {

using namespace qxtest::trees;

struct TripleRow {
  const char* name;
  std::function<CMcBasic*()> make;
};

const TripleRow kRows[] = {
    {"summation", [] { return new CMcSum(Variable("x"), Variable("k"), Real(9), kMcVariant); }},
    {"evaluate-at", [] { return new CMcEvalat(Variable("x"), Real(1), Real(2), kMcMinus); }},
    {"domain", [] { return new CMcDomain(Variable("x"), Real(0), Real(1), McWithKindData(0, 2)); }},
};

// Byte offsets in a record: WORD type, WORD flags, WORD count, WORD baseline,
// then the box.
constexpr size_t kCountAt = 4;
constexpr size_t kBaselineAt = 6;
constexpr size_t kBoxAt = 8;

TEST(TripleRecords, LoadBackWithTheirBoxAndBaseline) {
  for (const TripleRow& row : kRows) {
    std::unique_ptr<CMcBasic> node(row.make());
    std::vector<BYTE> bytes = Record(node.get());
    bytes[kBaselineAt] = 17;
    bytes[kBoxAt] = 5;  // x
    std::unique_ptr<CMcBasic> loaded = Load(bytes);
    ASSERT_NE(loaded, nullptr) << row.name;
    EXPECT_EQ(loaded->Compare(node.get()), 0) << row.name;
    EXPECT_EQ(loaded->m_flags, node->m_flags) << row.name;
    EXPECT_EQ(loaded->m_baseline, 17) << row.name;
    EXPECT_EQ(loaded->m_box.x, 5) << row.name;
    EXPECT_EQ(Record(loaded.get()), bytes) << row.name;
  }
}

TEST(TripleRecords, AnyOtherChildCountIsRefused) {
  for (const TripleRow& row : kRows) {
    std::unique_ptr<CMcBasic> node(row.make());
    const std::vector<BYTE> intact = Record(node.get());
    for (BYTE count : {0, 1, 2, 4}) {
      std::vector<BYTE> bytes = intact;
      bytes[kCountAt] = count;
      EXPECT_EQ(Load(bytes), nullptr) << row.name << " with " << int{count};
    }
  }
}

}  // namespace
