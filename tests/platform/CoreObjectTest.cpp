#include "platform/core/Exceptions.h"
#include "platform/core/KeyState.h"
#include "platform/core/Object.h"

#include <gtest/gtest.h>

#include <memory>

namespace {

class CShape : public CObject {
  DECLARE_DYNCREATE(CShape)
};
class CCircle : public CShape {
  DECLARE_DYNCREATE(CCircle)

 public:
  int m_radius = 7;
};
class CSquare : public CShape {
  DECLARE_DYNAMIC(CSquare)
};

IMPLEMENT_DYNCREATE(CShape, CObject)
IMPLEMENT_DYNCREATE(CCircle, CShape)
IMPLEMENT_DYNAMIC(CSquare, CShape)

}  // namespace

TEST(RuntimeClass, IsKindOfFollowsTheHierarchy) {
  CShape shape;
  CCircle circle;
  CSquare square;
  struct Row {
    const CObject* object;
    CRuntimeClass* cls;
    bool expected;
  } rows[] = {
      {&circle, RUNTIME_CLASS(CCircle), true},     {&circle, RUNTIME_CLASS(CShape), true},
      {&circle, RUNTIME_CLASS(CObject), true},     {&circle, RUNTIME_CLASS(CSquare), false},
      {&shape, RUNTIME_CLASS(CCircle), false},     {&square, RUNTIME_CLASS(CShape), true},
      {&square, RUNTIME_CLASS(CException), false},
  };
  for (const Row& row : rows)
    EXPECT_EQ(row.object->IsKindOf(row.cls) != 0, row.expected)
        << row.object->GetRuntimeClass()->m_lpszClassName << " of " << row.cls->m_lpszClassName;
  EXPECT_FALSE(circle.IsKindOf(nullptr));
}

TEST(RuntimeClass, CreateObjectMakesTheNamedClass) {
  std::unique_ptr<CObject> made(RUNTIME_CLASS(CCircle)->CreateObject());
  CCircle* circle = DYNAMIC_DOWNCAST(CCircle, made.get());
  ASSERT_NE(circle, nullptr);
  EXPECT_EQ(circle->m_radius, 7);
  EXPECT_EQ(DYNAMIC_DOWNCAST(CSquare, made.get()), nullptr);
  EXPECT_EQ(RUNTIME_CLASS(CSquare)->CreateObject(), nullptr);  // no factory without DYNCREATE
}

// Callers test the high bit for "held"; each press flips the low bit.
TEST(KeyState, DownSetsTheHighBitAndPressesToggle) {
  QxResetKeyStates();
  QxSetKeyDown(VK_SHIFT, true);
  QxSetKeyDown(VK_SHIFT, true);  // auto-repeat: still down, toggle unchanged
  EXPECT_EQ(static_cast<USHORT>(GetKeyState(VK_SHIFT)), 0x8001);
  QxSetKeyDown(VK_SHIFT, false);
  EXPECT_EQ(GetKeyState(VK_SHIFT), 1);
  QxSetKeyDown(VK_SHIFT, true);
  EXPECT_EQ(static_cast<USHORT>(GetKeyState(VK_SHIFT)), 0x8000);
  EXPECT_EQ(GetKeyState(300), 0);  // out of range: never down
  QxResetKeyStates();
  EXPECT_EQ(GetKeyState(VK_SHIFT), 0);
}
