// Controls outside a dialog: owner-drawn variable-height lists and their item
// contexts, trackbar drags and keys, the up-down control with its buddy,
// combo-box notifications and digits-only edits.
#include "platform/testing/TestHooks.h"
#include "platform/ui/Controls.h"
#include "platform/ui/Dialog.h"
#include "platform/ui/WinApp.h"

#include <gtest/gtest.h>

#include <QImage>
#include <QLabel>

#include <string>
#include <vector>

namespace {

constexpr int IDC_LIST = 300;
constexpr int IDC_SLIDER = 301;
constexpr int IDC_EDIT = 302;
constexpr int IDC_SPIN = 303;
constexpr int IDC_COMBO = 304;

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
  void OnHScroll(UINT code, UINT pos, CScrollBar*) { m_scrolls.push_back({code, pos}); }
  void OnVScroll(UINT code, UINT pos, CScrollBar*) { m_scrolls.push_back({code, pos}); }
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
  EXPECT_EQ(list.GetItemHeight(2), 20);
  // Without strings, what was added is the item's data.
  EXPECT_EQ(list.GetItemData(1), 101u);
  CRect second;
  list.GetItemRect(1, &second);
  EXPECT_EQ(second, CRect(0, 10, 100, 25));

  list.Invalidate();
  list.UpdateWindow();
  QImage image = QxTest::ClientImage(&list);
  struct Probe {
    int y;
    COLORREF colour;
  };
  // Rows inside each item (10, 15 and 20 high), then the empty rest.
  const Probe probes[] = {{1, ItemColour(0)},      {8, ItemColour(0)},  {12, ItemColour(1)},
                          {23, ItemColour(1)},     {27, ItemColour(2)}, {43, ItemColour(2)},
                          {46, RGB(255, 255, 255)}};
  for (const Probe& probe : probes) {
    for (int x : {1, 98}) {
      QRgb pixel = image.pixel(x, probe.y);
      EXPECT_EQ(RGB(qRed(pixel), qGreen(pixel), qBlue(pixel)), probe.colour) << x << "," << probe.y;
    }
  }

  // A click selects (LBN_SELCHANGE); a double click also sends LBN_DBLCLK.
  QxTest::Click(&list, CPoint(50, 30));
  EXPECT_EQ(list.GetCurSel(), 2);
  QxTest::DoubleClick(&list, CPoint(50, 15));
  EXPECT_EQ(list.GetCurSel(), 1);
  std::vector<std::string> expected = {Note(IDC_LIST, LBN_SETFOCUS), Note(IDC_LIST, LBN_SELCHANGE),
                                       Note(IDC_LIST, LBN_SELCHANGE), Note(IDC_LIST, LBN_DBLCLK)};
  EXPECT_EQ(m_host.m_log, expected);
  m_host.m_drawStates.clear();
  list.Invalidate();
  list.UpdateWindow();
  ASSERT_EQ(m_host.m_drawStates.size(), 3u);
  EXPECT_EQ(m_host.m_drawStates[1] & ODS_SELECTED, ODS_SELECTED);
  QRgb selected = QxTest::ClientImage(&list).pixel(50, 15);
  EXPECT_EQ(RGB(qRed(selected), qGreen(selected), qBlue(selected)), RGB(0, 0, 135));

  list.DeleteString(1);
  EXPECT_EQ(list.GetCount(), 2);
  EXPECT_EQ(list.GetCurSel(), -1);
  EXPECT_EQ(list.GetItemData(1), 102u);
  list.DestroyWindow();
}

TEST_F(DlgControls, TextListScrollsItsSelectionIntoViewAndPagesByItsBar) {
  CListBox list;
  ASSERT_TRUE(list.Create(WS_CHILD | WS_VISIBLE | LBS_NOTIFY | WS_VSCROLL, CRect(0, 0, 100, 50),
                          &m_host, IDC_LIST));
  for (int i = 0; i < 20; ++i) {
    CString text;
    text.Format("item %d", i);
    list.AddString(text);
  }
  list.SetItemData(15, 1015);
  // Thirteen-pixel items; three fit the fifty pixels, and the bar takes sixteen.
  EXPECT_EQ(list.SetCurSel(15), 15);
  EXPECT_EQ(list.GetTopIndex(), 13);
  CRect item;
  list.GetItemRect(15, &item);
  EXPECT_EQ(item, CRect(0, 26, 84, 39));
  list.Invalidate();
  list.UpdateWindow();
  QRgb highlight = QxTest::ClientImage(&list).pixel(80, 30);
  EXPECT_EQ(RGB(qRed(highlight), qGreen(highlight), qBlue(highlight)),
            GetSysColor(COLOR_HIGHLIGHT));
  // A click on the bar above its thumb pages up; the selection stays.
  QxTest::Click(&list, CPoint(92, 2));
  EXPECT_EQ(list.GetTopIndex(), 10);
  EXPECT_EQ(list.GetCurSel(), 15);
  CString text;
  list.GetText(15, text);
  EXPECT_STREQ(text, "item 15");
  EXPECT_EQ(list.GetItemData(15), 1015u);
  char buffer[16] = "";
  EXPECT_EQ(list.GetText(20, buffer), LB_ERR);
  list.DestroyWindow();
}

TEST_F(DlgControls, TrackbarDragSendsThumbTrackThenEndTrack) {
  CSliderCtrl slider;
  ASSERT_TRUE(
      slider.Create(WS_CHILD | WS_VISIBLE | WS_TABSTOP, CRect(0, 0, 116, 30), &m_host, IDC_SLIDER));
  EXPECT_EQ(slider.GetRangeMin(), 0);
  EXPECT_EQ(slider.GetRangeMax(), 100);
  slider.SetPos(50);  // silent
  EXPECT_TRUE(m_host.m_scrolls.empty());
  EXPECT_EQ(slider.GetPos(), 50);

  // The track runs from x 8 to x 108: one position per pixel.
  QxTest::MouseDown(&slider, CPoint(58, 15));
  QxTest::MouseMove(&slider, CPoint(68, 15), MK_LBUTTON);
  QxTest::MouseMove(&slider, CPoint(68, 15), MK_LBUTTON);
  QxTest::MouseMove(&slider, CPoint(200, 15), MK_LBUTTON);
  QxTest::MouseUp(&slider, CPoint(200, 15));
  std::vector<std::pair<UINT, UINT>> expected = {{TB_THUMBTRACK, 60},
                                                 {TB_THUMBTRACK, 60},
                                                 {TB_THUMBTRACK, 100},
                                                 {TB_THUMBPOSITION, 100},
                                                 {TB_ENDTRACK, 0}};
  EXPECT_EQ(m_host.m_scrolls, expected);
  EXPECT_EQ(slider.GetPos(), 100);

  m_host.m_scrolls.clear();
  slider.SetFocus();
  QxTest::PressKey(VK_LEFT);
  expected = {{TB_LINEUP, 0}, {TB_ENDTRACK, 0}};
  EXPECT_EQ(m_host.m_scrolls, expected);
  EXPECT_EQ(slider.GetPos(), 99);
  slider.DestroyWindow();
}

TEST_F(DlgControls, VerticalTrackbarReportsOnTheVerticalScrollMessage) {
  CSliderCtrl slider;
  ASSERT_TRUE(slider.Create(WS_CHILD | WS_VISIBLE | TBS_VERT | TBS_BOTH | TBS_NOTICKS,
                            CRect(0, 0, 15, 116), &m_host, IDC_SLIDER));
  // Position 0 is at the top.
  QxTest::MouseDown(&slider, CPoint(7, 8));
  QxTest::MouseMove(&slider, CPoint(7, 33), MK_LBUTTON);
  QxTest::MouseUp(&slider, CPoint(7, 33));
  ASSERT_FALSE(m_host.m_scrolls.empty());
  EXPECT_EQ(m_host.m_scrolls.front(), (std::pair<UINT, UINT>{TB_THUMBTRACK, 25}));
  slider.DestroyWindow();
}

TEST_F(DlgControls, UpDownControlBuddiesTheEditBeforeIt) {
  CEdit edit;
  CSpinButtonCtrl spin;
  ASSERT_TRUE(edit.Create(WS_CHILD | WS_VISIBLE | ES_NUMBER | WS_TABSTOP, CRect(10, 10, 60, 30),
                          &m_host, IDC_EDIT));
  ASSERT_TRUE(spin.Create(
      WS_CHILD | WS_VISIBLE | UDS_AUTOBUDDY | UDS_SETBUDDYINT | UDS_ARROWKEYS | UDS_ALIGNRIGHT,
      CRect(70, 10, 85, 30), &m_host, IDC_SPIN));
  EXPECT_EQ(spin.GetBuddy(), &edit);
  // Aligned inside the buddy's right edge; the buddy narrowed.
  CRect editRect;
  CRect spinRect;
  edit.GetWindowRect(&editRect);
  spin.GetWindowRect(&spinRect);
  EXPECT_EQ(editRect.Width(), 35);
  EXPECT_EQ(spinRect.left, editRect.right);

  // A range never set is 100..0: the up arrow lowers the number.
  int lower = 0;
  int upper = 0;
  spin.GetRange(lower, upper);
  EXPECT_EQ(lower, 100);
  EXPECT_EQ(upper, 0);
  struct Step {
    const char* text;
    int delta;
    const char* after;
  };
  const Step unset[] = {{"5", 1, "4"}, {"5", -1, "6"}, {"0", 1, "0"}, {"250", -1, "100"}};
  for (const Step& step : unset) {
    edit.SetWindowText(step.text);
    spin.QxStep(step.delta);
    CString text;
    edit.GetWindowText(text);
    EXPECT_STREQ(text, step.after) << step.text << " " << step.delta;
  }
  spin.SetRange(1, 10);
  edit.SetWindowText("4");
  edit.SetFocus();
  QxTest::PressKey(VK_UP);  // the arrow keys of the buddy step the control
  CString text;
  edit.GetWindowText(text);
  EXPECT_STREQ(text, "5");
  // Typed letters do not reach a digits-only edit.
  edit.SetWindowText("");
  QxTest::TypeText("1a2");
  edit.GetWindowText(text);
  EXPECT_STREQ(text, "12");
  spin.DestroyWindow();
  edit.DestroyWindow();
}

TEST_F(DlgControls, SortedListsInsertInAlphabeticalOrderIgnoringCase) {
  CComboBox combo;
  CListBox list;
  ASSERT_TRUE(combo.Create(WS_CHILD | WS_VISIBLE | CBS_DROPDOWNLIST | CBS_SORT, CRect(0, 0, 80, 80),
                           &m_host, IDC_COMBO));
  ASSERT_TRUE(
      list.Create(WS_CHILD | WS_VISIBLE | LBS_SORT, CRect(0, 90, 80, 170), &m_host, IDC_LIST));
  struct Row {
    const char* text;
    int at;
  };
  const Row rows[] = {{"Red", 0}, {"blue", 0}, {"Green", 1}, {"gray", 1}, {"purple", 3}};
  for (const Row& row : rows) {
    EXPECT_EQ(combo.AddString(row.text), row.at) << row.text;
    EXPECT_EQ(list.AddString(row.text), row.at) << row.text;
  }
  // Inserting at a place does not sort.
  EXPECT_EQ(list.InsertString(0, "zebra"), 0);
  CString first;
  list.GetText(0, first);
  EXPECT_STREQ(first, "zebra");
  combo.DestroyWindow();
  list.DestroyWindow();
}

TEST_F(DlgControls, PictureStaticsShowTheIconOrBitmapTheirTextNames) {
  QImage blue(32, 32, QImage::Format_RGB32);
  blue.fill(QColor(10, 120, 200));
  QImage red(20, 20, QImage::Format_RGB32);
  red.fill(QColor(200, 20, 10));
  QxRegisterIcon(777, blue);
  QxRegisterBitmap(777, red);  // the same id as a bitmap: not what an icon static shows
  QxRegisterBitmap(778, red);  // a bitmap only
  EXPECT_EQ(QxIconId(LoadIcon(nullptr, MAKEINTRESOURCE(777))), 777u);
  EXPECT_EQ(LoadIcon(nullptr, MAKEINTRESOURCE(778)), nullptr);
  struct Row {
    const char* text;
    DWORD type;
    bool shows;
    QRgb colour;
  };
  const Row rows[] = {{"#777", SS_ICON, true, qRgb(10, 120, 200)},
                      {"777", SS_BITMAP, true, qRgb(200, 20, 10)},
                      {"#778", SS_ICON, false, 0},
                      {"#abc", SS_ICON, false, 0}};
  for (const Row& row : rows) {
    SCOPED_TRACE(row.text);
    CStatic picture;
    ASSERT_TRUE(
        picture.Create(row.text, WS_CHILD | WS_VISIBLE | row.type, CRect(0, 0, 20, 20), &m_host));
    auto* label = qobject_cast<QLabel*>(picture.GetWidget());
    ASSERT_NE(label, nullptr);
    EXPECT_EQ(!label->pixmap().isNull(), row.shows);
    if (row.shows) {
      EXPECT_EQ(QxTest::ScreenImage(&picture).pixel(10, 10), row.colour);
    }
    picture.DestroyWindow();
  }
}

TEST_F(DlgControls, ComboBoxNotifiesOnlyForTheUsersChoices) {
  CComboBox combo;
  ASSERT_TRUE(combo.Create(WS_CHILD | WS_VISIBLE | CBS_DROPDOWNLIST | WS_TABSTOP,
                           CRect(0, 0, 100, 100), &m_host, IDC_COMBO));
  EXPECT_EQ(combo.AddString("No Locus"), 0);
  EXPECT_EQ(combo.AddString("Logarithmic"), 1);
  EXPECT_EQ(combo.GetCurSel(), CB_ERR);
  combo.SetItemData(1, 0xC0FFEE);
  EXPECT_EQ(combo.SetCurSel(0), 0);
  EXPECT_TRUE(m_host.m_log.empty());
  combo.SetFocus();
  m_host.m_log.clear();
  QxTest::PressKey(VK_DOWN);
  EXPECT_EQ(combo.GetCurSel(), 1);
  std::vector<std::string> expected = {Note(IDC_COMBO, CBN_SELCHANGE),
                                       Note(IDC_COMBO, CBN_SELENDOK)};
  EXPECT_EQ(m_host.m_log, expected);
  CString text;
  combo.GetLBText(1, text);
  EXPECT_STREQ(text, "Logarithmic");
  combo.GetWindowText(text);
  EXPECT_STREQ(text, "Logarithmic");
  EXPECT_EQ(combo.GetItemData(1), 0xC0FFEEu);
  EXPECT_EQ(combo.SetCurSel(7), CB_ERR);
  combo.ResetContent();
  EXPECT_EQ(combo.GetCount(), 0);
  combo.DestroyWindow();
}

// A window that is no dialog but hosts template controls and uses the
// dialog manager, as a dialog bar does.
class CBarHost : public CWnd {
 public:
  BOOL PreTranslateMessage(MSG* pMsg) override { return QxIsDialogMessage(this, pMsg); }
};

QxDialogItem BarItem(const char* cls, const char* text, UINT id, DWORD style, int y,
                     std::vector<CString> list = {}) {
  QxDialogItem item;
  item.className = cls;
  item.text = text;
  item.id = id;
  item.style = WS_CHILD | WS_VISIBLE | style;
  item.rect = CRect(4, y, 80, y + 12);
  item.list = std::move(list);
  return item;
}

TEST(DlgBar, TemplateControlsInAnyWindowWorkWithTheDialogManager) {
  CWinApp app("Bar Test");
  QxDialogTemplate bar;
  bar.rect = CRect(0, 0, 90, 110);
  bar.items = {
      BarItem(WC_EDIT, "", 10, WS_TABSTOP, 4),
      BarItem(WC_COMBOBOX, "", 11, CBS_DROPDOWNLIST | WS_TABSTOP, 20, {"(none)", "Red", "Green"}),
      BarItem(WC_BUTTON, "&Linear", 12, BS_AUTORADIOBUTTON | WS_GROUP | WS_TABSTOP, 36),
      BarItem(WC_BUTTON, "L&ogarithmic", 13, BS_AUTORADIOBUTTON, 52),
      BarItem(WC_EDIT, "", 14, ES_MULTILINE | ES_WANTRETURN | WS_TABSTOP | WS_GROUP, 68),
  };
  CBarHost host;
  ASSERT_TRUE(
      host.CreateEx(0, nullptr, "bar", WS_POPUP | WS_VISIBLE, CRect(0, 0, 135, 180), nullptr, 0));
  ASSERT_TRUE(QxCreateTemplateControls(&host, bar));
  auto* combo = dynamic_cast<CComboBox*>(host.GetDlgItem(11));
  ASSERT_NE(combo, nullptr);
  EXPECT_EQ(combo->GetCount(), 3);
  CString text;
  combo->GetLBText(2, text);
  EXPECT_STREQ(text, "Green");

  // Tab passes the second radio button, which is no tab stop.
  host.GetDlgItem(10)->SetFocus();
  std::vector<int> order;
  for (int i = 0; i < 3; ++i) {
    QxTest::PressKey(VK_TAB);
    order.push_back(CWnd::GetFocus()->GetDlgCtrlID());
  }
  EXPECT_EQ(order, (std::vector<int>{11, 12, 14}));

  // A multi-line edit that wants Return keeps it as a line break.
  QxTest::TypeText("a");
  QxTest::PressKey(VK_RETURN);
  QxTest::TypeText("b");
  host.GetDlgItemText(14, text);
  EXPECT_STREQ(text, "a\r\nb");

  // Automatic radio buttons: one of the group on; arrows move and choose within it.
  host.GetDlgItem(13)->SendMessage(BM_CLICK);
  EXPECT_EQ(host.IsDlgButtonChecked(12), 0u);
  EXPECT_EQ(host.IsDlgButtonChecked(13), 1u);
  host.GetDlgItem(13)->SetFocus();
  QxTest::PressKey(VK_UP);
  EXPECT_EQ(CWnd::GetFocus()->GetDlgCtrlID(), 12);
  EXPECT_EQ(host.IsDlgButtonChecked(12), 1u);
  EXPECT_EQ(host.IsDlgButtonChecked(13), 0u);
  // Alt and a mnemonic press the radio button.
  QxTest::PressKey('O', QxTest::MK_ALT);
  EXPECT_EQ(host.IsDlgButtonChecked(13), 1u);

  // Data exchange works on the bar as on a dialog.
  combo->SetCurSel(2);
  int colour = 0;
  EXPECT_TRUE(QxUpdateData(&host, TRUE, [&](CDataExchange* pDX) { DDX_CBIndex(pDX, 11, colour); }));
  EXPECT_EQ(colour, 2);
  host.DestroyWindow();
}

}  // namespace
