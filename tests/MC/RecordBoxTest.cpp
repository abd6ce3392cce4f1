// A node record's stored box: values no layout gives are damage and refused,
// since a tree drawn at them overflows the pixel arithmetic; the widest sound
// values load and keep their box.
#include "McTestSupport.h"

using namespace mctest;

namespace {

// A childless null node's record with the given box.
Bytes NullRecord(DWORD x, DWORD y, DWORD width, DWORD height) {
  CArchive out(CArchive::store);
  out << McTypeWord(kMcNull) << WORD{0} << WORD{0} << WORD{0} << x << y << width << height;
  return out.TakeStoredBytes();
}

}  // namespace

TEST(RecordBox, StoredBoxesBeyondTheLayoutRangeAreRefused) {
  constexpr DWORD kFar = DWORD{1} << 24;
  const struct {
    const char* name;
    DWORD x, y, width, height;
    bool loads;
  } rows[] = {
      {"an ordinary box", 12, 7, 30, 20, true},
      {"x at the bound", kFar, 0, 1, 1, true},
      {"y at minus the bound", 0, static_cast<DWORD>(-static_cast<LONG>(kFar)), 1, 1, true},
      {"x one beyond", kFar + 1, 0, 1, 1, false},
      {"y one below", 0, static_cast<DWORD>(-static_cast<LONG>(kFar) - 1), 1, 1, false},
      {"width at the largest int", 0, 0, 0x7FFFFFFF, 1, false},
      {"height at the smallest int", 0, 0, 1, 0x80000000, false},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    NodePtr node = Load(NullRecord(row.x, row.y, row.width, row.height));
    ASSERT_EQ(node != nullptr, row.loads);
    if (node) {
      EXPECT_EQ(node->m_box.x, static_cast<LONG>(row.x));
      EXPECT_EQ(node->m_box.y, static_cast<LONG>(row.y));
    }
  }
}
