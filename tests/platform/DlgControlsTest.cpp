// Controls outside a dialog: owner-drawn variable-height lists and their item
// contexts, trackbar drags and keys, the up-down control with its buddy,
// list and combo-box notifications and sorting, picture statics.
#include "platform/testing/DialogHooks.h"
#include "platform/testing/TestHooks.h"
#include "platform/ui/Controls.h"

#include <gtest/gtest.h>

#include <QImage>
#include <QLabel>

#include <functional>
#include <string>
#include <tuple>
#include <vector>

namespace {

constexpr int IDC_LIST = 300;
constexpr int IDC_SLIDER = 301;
constexpr int IDC_COMBO = 304;

constexpr UINT kVertical = 0x100;  // marks what came as WM_VSCROLL

COLORREF Pixel(CWnd* wnd, int x, int y) {
  QRgb pixel = QxTest::ClientImage(wnd).pixel(x, y);
  return RGB(qRed(pixel), qGreen(pixel), qBlue(pixel));
}

COLORREF ItemColour(UINT item) {
  return RGB(40 * (item + 1), 200 - 50 * item, 90);
}

// A parent that measures and draws list items and logs what its controls send.
class CHost : public CWnd {
 public:
  std::vector<std::string> m_log;
  std::vector<UINT> m_measured;
  std::vector<std::pair<UINT, UINT>> m_scrolls;  // code, position
  std::vector<UINT> m_drawStates;
  std::function<void()> m_onScroll;

  BOOL CreateHost() {
    return CreateEx(0, nullptr, "host", WS_POPUP | WS_VISIBLE, CRect(0, 0, 320, 240), nullptr, 0);
  }

 protected:
  void OnMeasureItem(int, LPMEASUREITEMSTRUCT mis) {
    m_measured.push_back(mis->itemID);
    mis->itemHeight = 10 + 5 * mis->itemID;
  }
  // Draws at three quarters, as the library list does: the item rectangle in
  // logical units of an anisotropic 400 : 300 mapping covers the item exactly.
  void OnDrawItem(int, LPDRAWITEMSTRUCT dis) {
    CDC* dc = CDC::FromHandle(dis->hDC);
    ASSERT_NE(dc, nullptr);
    m_drawStates.push_back(dis->itemState);
    CRect item(dis->rcItem);
    int oldMode = dc->SetMapMode(MM_ANISOTROPIC);
    dc->SetWindowExt(400, 400);
    dc->SetViewportExt(300, 300);
    CRect logical(static_cast<int>(item.left / 0.75 + 0.5), static_cast<int>(item.top / 0.75 + 0.5),
                  static_cast<int>(item.right / 0.75 + 0.5),
                  static_cast<int>(item.bottom / 0.75 + 0.5));
    dc->FillSolidRect(&logical,
                      (dis->itemState & ODS_SELECTED) ? RGB(0, 0, 135) : ItemColour(dis->itemID));
    dc->SetMapMode(oldMode);
  }
  void OnHScroll(UINT code, UINT pos, CScrollBar*) {
    m_scrolls.push_back({code, pos});
    if (m_onScroll) m_onScroll();
  }
  void OnVScroll(UINT code, UINT pos, CScrollBar*) { m_scrolls.push_back({code | kVertical, pos}); }
  BOOL OnCommand(WPARAM wParam, LPARAM) override {
    m_log.push_back(std::to_string(LOWORD(wParam)) + ":" + std::to_string(HIWORD(wParam)));
    return TRUE;
  }
  DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(CHost, CWnd)
ON_WM_MEASUREITEM()
ON_WM_DRAWITEM()
ON_WM_HSCROLL()
ON_WM_VSCROLL()
END_MESSAGE_MAP()

class DlgControls : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(m_host.CreateHost()); }
  void TearDown() override { m_host.DestroyWindow(); }
  CHost m_host;
};

std::string Note(int id, UINT code) {
  return std::to_string(id) + ":" + std::to_string(code);
}

TEST_F(DlgControls, OwnerDrawnVariableListMeasuresAndDrawsItsItems) {
  CListBox list;
  ASSERT_TRUE(list.Create(WS_CHILD | WS_VISIBLE | LBS_NOTIFY | LBS_OWNERDRAWVARIABLE |
                              LBS_NOINTEGRALHEIGHT | WS_TABSTOP,
                          CRect(10, 10, 110, 110), &m_host, IDC_LIST));
  for (int i = 0; i < 3; ++i)
    list.AddString(reinterpret_cast<LPCTSTR>(static_cast<UINT_PTR>(100 + i)));
  EXPECT_EQ(m_host.m_measured, (std::vector<UINT>{0, 1, 2}));
  EXPECT_EQ(list.GetItemData(1), 101u);  // without strings, what was added is the item's data
  list.Invalidate();
  list.UpdateWindow();
  // The first and last rows of each item (10, 15 and 20 high), then the empty rest.
  const std::pair<int, COLORREF> probes[] = {
      {0, ItemColour(0)},  {9, ItemColour(0)},  {10, ItemColour(1)},     {24, ItemColour(1)},
      {25, ItemColour(2)}, {44, ItemColour(2)}, {45, RGB(255, 255, 255)}};
  for (auto [y, colour] : probes)
    for (int x : {0, 99}) EXPECT_EQ(Pixel(&list, x, y), colour) << x << "," << y;

  // A click selects (LBN_SELCHANGE); a double click also sends LBN_DBLCLK.
  QxTest::Click(&list, CPoint(50, 30));
  EXPECT_EQ(list.GetCurSel(), 2);
  QxTest::DoubleClick(&list, CPoint(50, 15));
  EXPECT_EQ(list.GetCurSel(), 1);
  EXPECT_EQ(m_host.m_log,
            (std::vector<std::string>{Note(IDC_LIST, LBN_SETFOCUS), Note(IDC_LIST, LBN_SELCHANGE),
                                      Note(IDC_LIST, LBN_SELCHANGE), Note(IDC_LIST, LBN_DBLCLK)}));
  m_host.m_drawStates.clear();
  list.Invalidate();
  list.UpdateWindow();
  ASSERT_EQ(m_host.m_drawStates.size(), 3u);
  EXPECT_EQ(m_host.m_drawStates[1] & ODS_SELECTED, ODS_SELECTED);
  EXPECT_EQ(Pixel(&list, 50, 15), RGB(0, 0, 135));
  list.DeleteString(1);
  EXPECT_EQ(list.GetCurSel(), -1);
  EXPECT_EQ(list.GetItemData(1), 102u);
}

TEST_F(DlgControls, TextListScrollsItsSelectionIntoViewAndPagesByItsBar) {
  CListBox list;
  ASSERT_TRUE(list.Create(WS_CHILD | WS_VISIBLE | LBS_NOTIFY | WS_VSCROLL, CRect(0, 0, 100, 50),
                          &m_host, IDC_LIST));
  for (int i = 0; i < 20; ++i) list.AddString(CString("item ") + std::to_string(i).c_str());
  // Thirteen-pixel items; three fit the fifty pixels, and the bar takes sixteen.
  EXPECT_EQ(list.SetCurSel(15), 15);
  EXPECT_EQ(list.GetTopIndex(), 13);
  list.Invalidate();
  list.UpdateWindow();
  EXPECT_EQ(Pixel(&list, 83, 38), GetSysColor(COLOR_HIGHLIGHT));
  EXPECT_NE(Pixel(&list, 84, 38), GetSysColor(COLOR_HIGHLIGHT));
  QxTest::Click(&list, CPoint(92, 2));  // on the bar above its thumb: a page up
  EXPECT_EQ(list.GetTopIndex(), 10);
  EXPECT_EQ(list.GetCurSel(), 15);
  char buffer[16] = "";
  EXPECT_EQ(list.GetText(20, buffer), LB_ERR);
}

TEST_F(DlgControls, TrackbarDragSendsThumbTrackThenEndTrack) {
  CSliderCtrl slider, vertical;
  ASSERT_TRUE(
      slider.Create(WS_CHILD | WS_VISIBLE | WS_TABSTOP, CRect(0, 0, 116, 30), &m_host, IDC_SLIDER));
  ASSERT_TRUE(vertical.Create(WS_CHILD | WS_VISIBLE | TBS_VERT | TBS_BOTH | TBS_NOTICKS,
                              CRect(200, 0, 215, 116), &m_host, IDC_SLIDER + 1));
  slider.SetPos(50);  // silent
  EXPECT_TRUE(m_host.m_scrolls.empty());
  // The track runs from x 8 to x 108: one position per pixel.
  QxTest::MouseDown(&slider, CPoint(58, 15));
  QxTest::MouseMove(&slider, CPoint(68, 15), MK_LBUTTON);
  QxTest::MouseMove(&slider, CPoint(68, 15), MK_LBUTTON);
  QxTest::MouseMove(&slider, CPoint(200, 15), MK_LBUTTON);
  QxTest::MouseUp(&slider, CPoint(200, 15));
  using Scrolls = std::vector<std::pair<UINT, UINT>>;
  EXPECT_EQ(m_host.m_scrolls, (Scrolls{{TB_THUMBTRACK, 60},
                                       {TB_THUMBTRACK, 60},
                                       {TB_THUMBTRACK, 100},
                                       {TB_THUMBPOSITION, 100},
                                       {TB_ENDTRACK, 0}}));
  EXPECT_EQ(slider.GetPos(), 100);
  m_host.m_scrolls.clear();
  slider.SetFocus();
  QxTest::PressKey(VK_LEFT);
  EXPECT_EQ(m_host.m_scrolls, (Scrolls{{TB_LINEUP, 0}, {TB_ENDTRACK, 0}}));
  EXPECT_EQ(slider.GetPos(), 99);
  // A vertical one has position 0 at the top and reports on the vertical scroll message.
  m_host.m_scrolls.clear();
  QxTest::MouseDown(&vertical, CPoint(7, 8));
  QxTest::MouseMove(&vertical, CPoint(7, 33), MK_LBUTTON);
  QxTest::MouseUp(&vertical, CPoint(7, 33));
  ASSERT_FALSE(m_host.m_scrolls.empty());
  EXPECT_EQ(m_host.m_scrolls.front(), (std::pair<UINT, UINT>{TB_THUMBTRACK | kVertical, 25}));
}

// A box opened from the track's own notification takes the capture: the track
// ends at the position already notified, and later moves of the same mouse
// reach nothing, so the handler is not entered again behind the box.
TEST_F(DlgControls, AModalBoxDuringATrackbarDragEndsTheTrackWhereItWas) {
  CSliderCtrl slider;
  ASSERT_TRUE(
      slider.Create(WS_CHILD | WS_VISIBLE | WS_TABSTOP, CRect(0, 0, 116, 30), &m_host, IDC_SLIDER));
  slider.SetPos(50);
  QxTest::ShownBoxScript boxes({IDYES});
  m_host.m_onScroll = [&] {
    if (m_host.m_scrolls.size() == 1) ::MessageBox(m_host.GetSafeHwnd(), "Go on?", "Q", MB_YESNO);
  };
  QxTest::MouseDown(&slider, CPoint(58, 15));
  QxTest::MouseMove(&slider, CPoint(68, 15), MK_LBUTTON);
  EXPECT_EQ(QxTest::Capture(), nullptr);
  QxTest::MouseMove(&slider, CPoint(8, 15), MK_LBUTTON);
  QxTest::MouseUp(&slider, CPoint(8, 15));
  using Scrolls = std::vector<std::pair<UINT, UINT>>;
  EXPECT_EQ(m_host.m_scrolls,
            (Scrolls{{TB_THUMBTRACK, 60}, {TB_THUMBPOSITION, 60}, {TB_ENDTRACK, 0}}));
  EXPECT_EQ(slider.GetPos(), 60);
  EXPECT_EQ(boxes.Boxes().size(), 1u);
}

TEST_F(DlgControls, UpDownControlBuddiesTheDigitsOnlyEditBeforeIt) {
  CEdit edit;
  CSpinButtonCtrl spin;
  ASSERT_TRUE(edit.Create(WS_CHILD | WS_VISIBLE | ES_NUMBER | WS_TABSTOP, CRect(10, 10, 60, 30),
                          &m_host, 302));
  ASSERT_TRUE(spin.Create(
      WS_CHILD | WS_VISIBLE | UDS_AUTOBUDDY | UDS_SETBUDDYINT | UDS_ARROWKEYS | UDS_ALIGNRIGHT,
      CRect(70, 10, 85, 30), &m_host, 303));
  EXPECT_EQ(spin.GetBuddy(), &edit);
  CRect editRect, spinRect;  // aligned inside the buddy's right edge; the buddy narrowed
  edit.GetWindowRect(&editRect);
  spin.GetWindowRect(&spinRect);
  EXPECT_EQ(editRect.Width(), 35);
  EXPECT_EQ(spinRect.left, editRect.right);
  auto text = [&] {
    CString value;
    edit.GetWindowText(value);
    return std::string(value.GetString());
  };
  // A range never set is 100..0: the up arrow lowers the number.
  const std::tuple<const char*, int, const char*> steps[] = {
      {"5", 1, "4"}, {"5", -1, "6"}, {"0", 1, "0"}, {"250", -1, "100"}};
  for (auto [before, delta, after] : steps) {
    edit.SetWindowText(before);
    spin.QxStep(delta);
    EXPECT_EQ(text(), after) << before << " " << delta;
  }
  spin.SetRange(1, 10);
  edit.SetWindowText("4");
  edit.SetFocus();
  QxTest::PressKey(VK_UP);  // the arrow keys of the buddy step the control
  EXPECT_EQ(text(), "5");
  edit.SetWindowText("");
  QxTest::TypeText("1a2");  // typed letters do not reach a digits-only edit
  EXPECT_EQ(text(), "12");
}

TEST_F(DlgControls, SortedCombosInsertIgnoringCaseAndNotifyOnlyTheUsersChoices) {
  CComboBox combo;
  CListBox list;
  ASSERT_TRUE(combo.Create(WS_CHILD | WS_VISIBLE | CBS_DROPDOWNLIST | CBS_SORT | WS_TABSTOP,
                           CRect(0, 0, 80, 80), &m_host, IDC_COMBO));
  ASSERT_TRUE(
      list.Create(WS_CHILD | WS_VISIBLE | LBS_SORT, CRect(0, 90, 80, 170), &m_host, IDC_LIST));
  const std::pair<const char*, int> rows[] = {
      {"Red", 0}, {"blue", 0}, {"Green", 1}, {"gray", 1}, {"purple", 3}};
  for (auto [text, at] : rows) {
    EXPECT_EQ(combo.AddString(text), at) << text;
    EXPECT_EQ(list.AddString(text), at) << text;
  }
  EXPECT_EQ(list.InsertString(0, "zebra"), 0);  // inserting at a place does not sort
  EXPECT_EQ(combo.GetCurSel(), CB_ERR);
  EXPECT_EQ(combo.SetCurSel(0), 0);
  EXPECT_TRUE(m_host.m_log.empty());  // the program's own choice is silent
  combo.SetFocus();
  m_host.m_log.clear();
  QxTest::PressKey(VK_DOWN);
  EXPECT_EQ(combo.GetCurSel(), 1);
  EXPECT_EQ(m_host.m_log, (std::vector<std::string>{Note(IDC_COMBO, CBN_SELCHANGE),
                                                    Note(IDC_COMBO, CBN_SELENDOK)}));
  CString shown;
  combo.GetWindowText(shown);
  EXPECT_STREQ(shown, "gray");
  EXPECT_EQ(combo.SetCurSel(7), CB_ERR);
}

TEST_F(DlgControls, PictureStaticsShowTheIconOrBitmapTheirTextNames) {
  QImage blue(32, 32, QImage::Format_RGB32);
  blue.fill(QColor(10, 120, 200));
  QImage red(20, 20, QImage::Format_RGB32);
  red.fill(QColor(200, 20, 10));
  QxRegisterIcon(777, blue);
  QxRegisterBitmap(777, red);  // the same id as a bitmap: not what an icon static shows
  QxRegisterBitmap(778, red);  // a bitmap only
  const std::tuple<const char*, DWORD, QRgb> rows[] = {{"#777", SS_ICON, qRgb(10, 120, 200)},
                                                       {"777", SS_BITMAP, qRgb(200, 20, 10)},
                                                       {"#778", SS_ICON, 0},
                                                       {"#abc", SS_ICON, 0}};
  for (auto [text, type, colour] : rows) {
    CStatic picture;
    ASSERT_TRUE(picture.Create(text, WS_CHILD | WS_VISIBLE | type, CRect(0, 0, 20, 20), &m_host));
    auto* label = qobject_cast<QLabel*>(picture.GetWidget());
    ASSERT_NE(label, nullptr);
    EXPECT_EQ(label->pixmap().isNull(), colour == 0) << text;
    if (colour) {
      EXPECT_EQ(QxTest::ScreenImage(&picture).pixel(10, 10), colour) << text;
    }
  }
}

}  // namespace
