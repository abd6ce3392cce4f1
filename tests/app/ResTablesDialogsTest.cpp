// The five dialog-bar templates: room for what the bars paint, controls that
// do not overlap, lists in the order of the codes they stand for, and every
// control made by the layer where the code looks it up.
#include "platform/ui/ControlBar.h"
#include "platform/ui/Controls.h"
#include "platform/ui/DialogTemplate.h"
#include "platform/ui/FrameWnd.h"
#include "res/Resources.h"
#include "res/resource.h"

#include <gtest/gtest.h>

#include <iterator>
#include <vector>

namespace {

class ResTablesDialogs : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { QxRegisterResources(); }
};

const UINT kBarTemplates[] = {IDD_OUTPUTBAR, IDD_LEFTBAR, IDD_VARBAR, IDD_EQUALIZERBAR,
                              IDD_COMMENTBAR};

// The closed height of a drop-down list; its template height includes the list.
constexpr int kClosedComboHeight = 12;

CRect Placed(const QxDialogItem& item) {
  CRect rect = item.rect;
  if (item.className == "ComboBox") rect.bottom = rect.top + kClosedComboHeight;
  return rect;
}

bool Overlap(const CRect& a, const CRect& b) {
  return a.left < b.right && b.left < a.right && a.top < b.bottom && b.top < a.bottom;
}

CSize Pixels(UINT id) {
  const QxDialogTemplate* t = QxFindDialogTemplate(id);
  return t ? QxDialogUnitsToPixels(*t, t->rect).Size() : CSize(0, 0);
}

TEST_F(ResTablesDialogs, BarsAreChildrenWithTheirControlsInsideAndApart) {
  for (UINT id : kBarTemplates) {
    SCOPED_TRACE(id);
    const QxDialogTemplate* found = QxFindDialogTemplate(id);
    ASSERT_NE(found, nullptr);
    EXPECT_TRUE(found->style & WS_CHILD);
    const auto& items = found->items;
    for (size_t i = 0; i < items.size(); ++i) {
      const CRect rect = Placed(items[i]);
      SCOPED_TRACE(items[i].id);
      EXPECT_GE(rect.left, 0);
      EXPECT_GE(rect.top, 0);
      EXPECT_LE(rect.right, found->rect.Width());
      EXPECT_LE(rect.bottom, found->rect.Height());
      for (size_t j = i + 1; j < items.size(); ++j) {
        EXPECT_FALSE(Overlap(rect, Placed(items[j]))) << items[j].id;
        EXPECT_NE(items[i].id, items[j].id);
      }
    }
  }
  // "ProcessView" paints its 200 x 90 pixel diagram at (10, 10).
  EXPECT_GE(Pixels(IDD_LEFTBAR).cx, 210);
  EXPECT_GE(Pixels(IDD_LEFTBAR).cy, 100);
  // "Comments" takes line breaks in the design's free text.
  const QxDialogItem& comment = QxFindDialogTemplate(IDD_COMMENTBAR)->items.at(0);
  EXPECT_EQ(comment.id, static_cast<UINT>(IDC_COMMENT));
  EXPECT_EQ(comment.style & (ES_MULTILINE | ES_WANTRETURN), ES_MULTILINE | ES_WANTRETURN);
}

// The lists' positions are the two parts of a locus code (the document's
// GetVarPointCell), so they must keep this order and never be sorted.
TEST_F(ResTablesDialogs, VariablesBarListsFollowTheLocusCodes) {
  const QxDialogTemplate* bar = QxFindDialogTemplate(IDD_VARBAR);
  ASSERT_NE(bar, nullptr);
  std::vector<CString> locus, colour;
  for (const QxDialogItem& item : bar->items) {
    if (item.id == IDC_LOCUS) locus = item.list;
    if (item.id == IDC_COLOUR) colour = item.list;
    if (item.className == "ComboBox") {
      EXPECT_EQ(item.style & CBS_SORT, 0u) << item.id;
    }
  }
  EXPECT_EQ(locus, (std::vector<CString>{"No Locus", "Logarithmic", "10% deviation",
                                         "25% deviation", "50% deviation", "100% deviation"}));
  EXPECT_EQ(colour, (std::vector<CString>{"(none)", "Red", "Green", "Blue", "Gray", "Purple"}));
}

// The equalizer paints its history strip (down to y = 90 px), its bottom
// button row (from y = 180) and its right-hand buttons (from x = 160) into
// the bar: the bar must hold them, and the sliders (criterion i on control
// 1020 + i, left to right) must stay between them.
TEST_F(ResTablesDialogs, EqualizerSlidersStayClearOfThePaintedStripAndButtons) {
  const QxDialogTemplate* bar = QxFindDialogTemplate(IDD_EQUALIZERBAR);
  ASSERT_NE(bar, nullptr);
  EXPECT_GE(Pixels(IDD_EQUALIZERBAR).cx, 217);  // the right end of the last button
  EXPECT_GE(Pixels(IDD_EQUALIZERBAR).cy, 198);  // the bottom of the lowest row
  ASSERT_EQ(bar->items.size(), 8u);
  for (size_t i = 0; i < bar->items.size(); ++i) {
    const QxDialogItem& slider = bar->items[i];
    SCOPED_TRACE(slider.id);
    EXPECT_EQ(slider.id, IDC_WEIGHT_FINAL_VALUE + i);
    EXPECT_EQ(slider.style & TBS_VERT, static_cast<DWORD>(TBS_VERT));
    const CRect pixels = QxDialogUnitsToPixels(*bar, slider.rect);
    EXPECT_GE(pixels.top, 90);
    EXPECT_LE(pixels.bottom, 180);
    EXPECT_LE(pixels.right, 160);
    if (i > 0) {
      EXPECT_GT(slider.rect.left, bar->items[i - 1].rect.left);
    }
  }
}

// Bars are members of their frame, as in the program, so they go with it.
class CBarsFrame : public CFrameWnd {
 public:
  CDialogBar m_bars[std::size(kBarTemplates)];
};

TEST_F(ResTablesDialogs, EveryBarIsMadeWithItsControlsByTheLayer) {
  auto* frame = new CBarsFrame;
  ASSERT_TRUE(frame->Create(nullptr, "bars"));
  frame->EnableDocking(CBRS_ALIGN_ANY);
  for (size_t i = 0; i < std::size(kBarTemplates); ++i) {
    const UINT id = kBarTemplates[i];
    SCOPED_TRACE(id);
    CDialogBar& bar = frame->m_bars[i];
    ASSERT_TRUE(bar.Create(frame, id, CBRS_ALIGN_LEFT, id + 1));
    for (const QxDialogItem& item : QxFindDialogTemplate(id)->items) {
      CWnd* control = bar.GetDlgItem(static_cast<int>(item.id));
      ASSERT_NE(control, nullptr) << item.id;
      if (item.className == "ComboBox") {
        EXPECT_EQ(static_cast<CComboBox*>(control)->GetCount(), static_cast<int>(item.list.size()));
      }
    }
  }
  frame->DestroyWindow();
}

}  // namespace
