// What a node record may not hold even when every count is sound: a stored
// box that no layout gives (a tree drawn at it overflows the pixel
// arithmetic), and a desktop below the top of a tree (its free positions
// would stretch the expressions around it without bound).
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

TEST(RecordLimits, StoredBoxesBeyondTheLayoutRangeAreRefused) {
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

TEST(RecordLimits, ADesktopLoadsOnlyAsTheTopOfATree) {
  auto* desktop = new CMcDesktop(0);
  desktop->AppendChild(Real(1));
  const Bytes top = Record(NodePtr(desktop).get());
  EXPECT_NE(Load(top), nullptr);
  const struct {
    const char* name;
    CMcBasic* holder;
  } rows[] = {
      {"in a list", ListOf<CMcListbody>(0, {})},
      {"in a desktop", new CMcDesktop(0)},
      {"in a sum", ListOf<CMcListsum>(0, {Real(2)})},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    NodePtr holder(row.holder);
    Bytes inner = Record(holder.get());
    // The holder's child count goes up by one and the desktop's record follows its children.
    inner[4] = static_cast<BYTE>(inner[4] + 1);
    inner.insert(inner.end(), top.begin(), top.end());
    EXPECT_EQ(Load(inner), nullptr);
  }
}
