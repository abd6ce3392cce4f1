// The about box and the five dialog-bar templates: their sizes and controls
// as the bars lay them out, and that the layer makes every bar and control
// from them.
#include "platform/testing/DialogHooks.h"
#include "platform/testing/TestHooks.h"
#include "platform/ui/ControlBar.h"
#include "platform/ui/Controls.h"
#include "platform/ui/Dialog.h"
#include "platform/ui/DialogTemplate.h"
#include "platform/ui/FrameWnd.h"
#include "res/Resources.h"
#include "res/resource.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

namespace {

class ResTablesDialogs : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { QxRegisterResources(); }
};

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

const UINT kBarTemplates[] = {102, 104, 106, 108, 110};

TEST_F(ResTablesDialogs, TemplatesHaveTheSizesTheBarsNeed) {
  struct Row {
    UINT id;
    int width, height;  // dialog units
    size_t controls;
  };
  const Row rows[] = {
      {102, 350, 90, 0},  {104, 150, 65, 0}, {106, 150, 90, 7},
      {108, 150, 127, 8}, {110, -1, -1, 1},  // the comment bar's size is ours to choose
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.id);
    const QxDialogTemplate* found = QxFindDialogTemplate(row.id);
    ASSERT_NE(found, nullptr);
    if (row.width > 0) {
      EXPECT_EQ(found->rect, CRect(0, 0, row.width, row.height));
    }
    EXPECT_EQ(found->items.size(), row.controls);
    EXPECT_TRUE(found->style & WS_CHILD);
  }
  // "ProcessView" paints its 200 x 90 pixel diagram at (10, 10).
  const QxDialogTemplate* left = QxFindDialogTemplate(104);
  EXPECT_GE(QxDialogUnitsToPixels(*left, left->rect).Width(), 210);
  EXPECT_GE(QxDialogUnitsToPixels(*left, left->rect).Height(), 100);
  // "Comments" edits the design's free text in control 1112.
  const QxDialogItem& comment = QxFindDialogTemplate(110)->items.at(0);
  EXPECT_EQ(comment.id, 1112u);
  EXPECT_EQ(comment.className, "Edit");
  EXPECT_EQ(comment.style & (ES_MULTILINE | ES_WANTRETURN), ES_MULTILINE | ES_WANTRETURN);
}

TEST_F(ResTablesDialogs, ControlsLieInsideTheirTemplateAndApart) {
  for (UINT id : kBarTemplates) {
    SCOPED_TRACE(id);
    const QxDialogTemplate* found = QxFindDialogTemplate(id);
    ASSERT_NE(found, nullptr);
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
}

// The list orders are those of the locus code's two parts.
TEST_F(ResTablesDialogs, VariablesBarListsFollowTheLocusCodes) {
  const QxDialogTemplate* bar = QxFindDialogTemplate(106);
  ASSERT_NE(bar, nullptr);
  std::vector<UINT> ids;
  for (const QxDialogItem& item : bar->items) ids.push_back(item.id);
  EXPECT_EQ(ids, (std::vector<UINT>{1011, 1012, 1017, 1018, 1015, 1016, 1013}));
  const std::vector<CString> locus = {"No Locus",      "Logarithmic",   "10% deviation",
                                      "25% deviation", "50% deviation", "100% deviation"};
  const std::vector<CString> colour = {"(none)", "Red", "Green", "Blue", "Gray", "Purple"};
  EXPECT_EQ(bar->items.at(1).list, locus);
  EXPECT_EQ(bar->items.at(6).list, colour);
  EXPECT_EQ((bar->items.at(1).style | bar->items.at(6).style) & CBS_SORT, 0u);
}

// The equalizer paints its history strip and button rows into the bar; the
// sliders must stay clear of both, and the bar must be large enough for them.
TEST_F(ResTablesDialogs, EqualizerSlidersStayClearOfThePaintedStripAndButtons) {
  const QxDialogTemplate* bar = QxFindDialogTemplate(108);
  ASSERT_NE(bar, nullptr);
  const CRect client = QxDialogUnitsToPixels(*bar, bar->rect);
  EXPECT_GE(client.Width(), 217);   // the right end of the last button (199 + 18)
  EXPECT_GE(client.Height(), 198);  // the bottom of the lowest row (180 + 18)
  std::vector<CRect> painted = {CRect(10, 10, client.Width() - 10, 90)};  // the history strip
  for (int x : {13, 31, 49, 67, 85, 103, 121, 139, 160, 178, 199})
    painted.push_back(CRect(x, 180, x + 18, 198));
  for (int x : {160, 178, 199}) painted.push_back(CRect(x, 159, x + 18, 177));
  for (int x : {160, 178}) painted.push_back(CRect(x, 138, x + 18, 156));
  painted.push_back(CRect(160, 117, 187, 135));  // the record button

  ASSERT_EQ(bar->items.size(), 8u);
  int previousLeft = -1;
  for (size_t i = 0; i < bar->items.size(); ++i) {
    const QxDialogItem& slider = bar->items[i];
    SCOPED_TRACE(slider.id);
    EXPECT_EQ(slider.id, 1020 + i);
    EXPECT_EQ(slider.className, "msctls_trackbar32");
    EXPECT_EQ(slider.style & (TBS_VERT | TBS_BOTH | TBS_NOTICKS | WS_TABSTOP),
              TBS_VERT | TBS_BOTH | TBS_NOTICKS | WS_TABSTOP);
    EXPECT_EQ(slider.rect,
              CRect(10 + 12 * static_cast<int>(i), 59, 20 + 12 * static_cast<int>(i), 109));
    EXPECT_GT(slider.rect.left, previousLeft);  // criterion order from left to right
    previousLeft = slider.rect.left;
    const CRect pixels = QxDialogUnitsToPixels(*bar, slider.rect);
    for (const CRect& area : painted)
      EXPECT_FALSE(Overlap(pixels, area)) << area.left << "," << area.top;
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

TEST_F(ResTablesDialogs, AboutBoxShowsNameVersionAndClosesWithOk) {
  const QxDialogTemplate* about = QxFindDialogTemplate(100);
  ASSERT_NE(about, nullptr);
  EXPECT_EQ(about->caption, "About Quorvathine");
  std::vector<std::string> texts;
  CString okText;
  QxTest::DialogScript script({[&](CDialog& dialog) {
    for (CWnd* child : dialog.GetChildren()) {
      CString text;
      child->GetWindowText(text);
      texts.push_back(text.GetString());
    }
    CWnd* ok = dialog.GetDlgItem(IDOK);
    ASSERT_NE(ok, nullptr);
    ok->GetWindowText(okText);
    // The icon static shows the program's icon: a red pole mark on the real axis.
    CWnd* icon = dialog.GetDlgItem(IDC_ABOUT_ICON);
    ASSERT_NE(icon, nullptr);
    const QImage shown = QxTest::ScreenImage(icon);
    bool red = false;
    for (int y = 0; y < shown.height(); ++y)
      for (int x = 0; x < shown.width(); ++x) red = red || shown.pixel(x, y) == qRgb(255, 0, 0);
    EXPECT_TRUE(red);
    dialog.EndDialog(IDOK);
  }});
  CDialog box(100);
  EXPECT_EQ(box.DoModal(), IDOK);
  EXPECT_NE(std::find(texts.begin(), texts.end(), "Quorvathine Version 1.0"), texts.end());
  EXPECT_EQ(okText, "OK");
  ASSERT_EQ(script.Dialogs().size(), 1u);
  EXPECT_EQ(script.Dialogs()[0].templateId, 100u);
}

}  // namespace
