// Modal dialogs from a template with every control kind, driven headless
// through the dialog hook: layout in dialog units, tab order, Enter, Escape
// and the close box, data exchange with its prompts, mnemonics, radio groups,
// members attached by DDX_Control, and controls that want keys.
#include "platform/testing/DialogHooks.h"
#include "platform/testing/TestHooks.h"
#include "platform/ui/Controls.h"
#include "platform/ui/Dialog.h"
#include "platform/ui/WinApp.h"
#include "tests/platform/KeyEater.h"

#include <gtest/gtest.h>

#include <QImage>
#include <QTest>
#include <QWidget>

#include <algorithm>
#include <cstdlib>
#include <string>
#include <utility>
#include <vector>

namespace {

constexpr UINT IDD_EVERY = 9001;
constexpr int IDC_COUNT = 1001;
constexpr int IDC_GAIN = 1003;
constexpr int IDC_SHOW = 1004;
constexpr int IDC_SPACING = 1005;
constexpr int IDC_LIST = 1006;
constexpr int IDC_SLIDER = 1007;
constexpr int IDC_LINEAR = 1008;
constexpr int IDC_LOG = 1009;
constexpr int IDC_NOTE = 1010;
constexpr int IDC_KEYS = 200;

QxDialogItem Item(const char* cls, const char* text, UINT id, DWORD style, int x, int y, int w,
                  int h, std::vector<CString> list = {}) {
  QxDialogItem item;
  item.className = cls;
  item.text = text;
  item.id = id;
  item.style = WS_CHILD | WS_VISIBLE | style;
  item.rect = CRect(x, y, x + w, y + h);
  item.list = std::move(list);
  return item;
}

void RegisterEveryControlTemplate() {
  QxDialogTemplate t;
  t.caption = "Every Control";
  t.style = WS_POPUP | WS_CAPTION | WS_SYSMENU | 0x80 /* DS_MODALFRAME */;
  t.rect = CRect(0, 0, 200, 120);
  t.items = {
      Item(WC_STATIC, "&Count:", 0xFFFF, SS_LEFT, 7, 7, 40, 8),
      Item(WC_EDIT, "", IDC_COUNT, ES_NUMBER | WS_TABSTOP | WS_BORDER, 7, 17, 40, 12),
      Item(UPDOWN_CLASS, "", 1002, UDS_AUTOBUDDY | UDS_SETBUDDYINT | UDS_ARROWKEYS | UDS_ALIGNRIGHT,
           48, 17, 11, 12),
      Item(WC_STATIC, "&Gain:", 0xFFFF, SS_LEFT, 7, 33, 40, 8),
      Item(WC_EDIT, "", IDC_GAIN, WS_TABSTOP | WS_BORDER, 7, 43, 60, 12),
      Item(WC_BUTTON, "&Show poles && zeros", IDC_SHOW, BS_AUTOCHECKBOX | WS_TABSTOP, 7, 60, 70,
           10),
      Item(WC_COMBOBOX, "", IDC_SPACING, CBS_DROPDOWNLIST | WS_VSCROLL | WS_TABSTOP, 7, 74, 70, 60,
           {"Decade", "Half-decade", "Fifth-decade"}),
      Item(WC_LISTBOX, "", IDC_LIST, LBS_NOTIFY | WS_TABSTOP | WS_BORDER, 90, 7, 60, 50),
      Item(TRACKBAR_CLASS, "", IDC_SLIDER, WS_TABSTOP, 90, 60, 60, 15),
      Item(WC_BUTTON, "Options", 0xFFFF, BS_GROUPBOX, 85, 80, 70, 30),
      Item(WC_BUTTON, "&Linear", IDC_LINEAR, BS_AUTORADIOBUTTON | WS_GROUP | WS_TABSTOP, 90, 88, 60,
           10),
      Item(WC_BUTTON, "L&ogarithmic", IDC_LOG, BS_AUTORADIOBUTTON, 90, 98, 60, 10),
      Item(WC_EDIT, "", IDC_NOTE, ES_MULTILINE | ES_WANTRETURN | WS_GROUP, 7, 92, 70, 20),
      Item(WC_BUTTON, "OK", IDOK, BS_DEFPUSHBUTTON | WS_TABSTOP, 160, 7, 35, 14),
      Item(WC_BUTTON, "Cancel", IDCANCEL, BS_PUSHBUTTON | WS_TABSTOP, 160, 24, 35, 14),
  };
  QxRegisterDialogTemplate(IDD_EVERY, t);
}

class CEveryControlDlg : public CDialog {
 public:
  explicit CEveryControlDlg(CWnd* parent = nullptr) : CDialog(IDD_EVERY, parent) {}

  int m_nCount = 5;
  double m_dGain = 0.5;
  int m_bShow = TRUE;
  int m_nSpacing = 1;
  CListBox m_list;
  CSliderCtrl m_slider;
  CKeyEater m_keys;
  bool m_withKeyEater = false;
  std::vector<std::string> m_log;

 protected:
  void DoDataExchange(CDataExchange* pDX) override {
    DDX_Control(pDX, IDC_LIST, m_list);
    DDX_Control(pDX, IDC_SLIDER, m_slider);
    DDX_Text(pDX, IDC_COUNT, m_nCount);
    DDV_MinMaxInt(pDX, m_nCount, 1, 10);
    DDX_Text(pDX, IDC_GAIN, m_dGain);
    DDV_MinMaxDouble(pDX, m_dGain, 0.0, 1e300);
    DDX_Check(pDX, IDC_SHOW, m_bShow);
    DDX_CBIndex(pDX, IDC_SPACING, m_nSpacing);
  }
  int OnCreate(LPCREATESTRUCT cs) {
    if (CDialog::OnCreate(cs) == -1) return -1;
    CRect client;
    GetClientRect(&client);
    m_log.push_back("create " + std::to_string(client.Width()) + "x" +
                    std::to_string(client.Height()));
    if (m_withKeyEater) {
      m_keys.CreateEx(0, nullptr, "keys", WS_CHILD | WS_VISIBLE | WS_TABSTOP,
                      CRect(230, 150, 290, 190), this, IDC_KEYS);
    }
    return 0;
  }
  void OnShowChanged() { m_log.push_back("show clicked"); }
  void OnSpacingChanged() {
    m_log.push_back("spacing " +
                    std::to_string(GetDlgItem(IDC_SPACING)->SendMessage(CB_GETCURSEL)));
  }
  void OnSpacingOk() { m_log.push_back("spacing ok"); }
  void OnCountKillFocus() { m_log.push_back("count killfocus"); }

  DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(CEveryControlDlg, CDialog)
ON_WM_CREATE()
ON_BN_CLICKED(IDC_SHOW, OnShowChanged)
ON_CBN_SELCHANGE(IDC_SPACING, OnSpacingChanged)
ON_CBN_SELENDOK(IDC_SPACING, OnSpacingOk)
ON_EN_KILLFOCUS(IDC_COUNT, OnCountKillFocus)
END_MESSAGE_MAP()

class DlgDialog : public ::testing::Test {
 protected:
  void SetUp() override { RegisterEveryControlTemplate(); }
  // Dialog keys reach the dialog manager through the application's
  // PreTranslateMessage, as in the running program.
  CWinApp m_app{"Dialog Test"};
};

int FocusId() {
  CWnd* focus = CWnd::GetFocus();
  return focus ? focus->GetDlgCtrlID() : -1;
}

CRect ChildRect(CWnd* dialog, int id) {
  CRect rect;
  dialog->GetDlgItem(id)->GetWindowRect(&rect);
  dialog->ScreenToClient(&rect);
  return rect;
}

TEST_F(DlgDialog, TemplateUnitsAreDialogUnitsAndTabFollowsTheTabStops) {
  CEveryControlDlg dlg;
  CRect client, edit, combo;
  std::vector<int> order;
  QxTest::DialogScript script({[&](CDialog& d) {
    d.GetClientRect(&client);
    edit = ChildRect(&d, IDC_GAIN);
    combo = ChildRect(&d, IDC_SPACING);
    order.push_back(FocusId());
    for (int i = 0; i < 11; ++i) {
      QxTest::PressKey(VK_TAB);
      order.push_back(FocusId());
    }
    QxTest::PressKey(VK_TAB, MK_SHIFT);
    order.push_back(FocusId());
  }});
  EXPECT_EQ(dlg.DoModal(), IDCANCEL);
  // 200 x 120 dialog units at 1.75 and 1.75 pixels per unit (base units 7 x 14, those of
  // Liberation Sans at 12 pixels); WM_CREATE saw the final size.
  EXPECT_EQ(client, CRect(0, 0, 350, 210));
  EXPECT_EQ(dlg.m_log.front(), "create 350x210");
  // Edit at (7, 43) sized 60 x 12 units: x 7 * 7 / 4, y 43 * 14 / 8, truncated.
  EXPECT_EQ(edit, CRect(12, 75, 117, 96));
  // A drop-down list keeps its closed height; the template's 60 units are the list's.
  EXPECT_EQ(combo.left, 12);
  EXPECT_EQ(combo.Height(), 21);
  // The statics, the up-down control, the group box, the second radio button and the
  // multi-line edit are no tab stops.
  EXPECT_EQ(order, (std::vector<int>{IDC_COUNT, IDC_GAIN, IDC_SHOW, IDC_SPACING, IDC_LIST,
                                     IDC_SLIDER, IDC_LINEAR, IDOK, IDCANCEL, IDC_COUNT, IDC_GAIN,
                                     IDC_SHOW, IDC_GAIN}));
}

TEST_F(DlgDialog, EnterAcceptsAndReadsEveryKindOfField) {
  CEveryControlDlg dlg;
  QxTest::DialogScript script({[&](CDialog& d) {
    // Fields reached the controls in OnInitDialog.
    CString text;
    d.GetDlgItemText(IDC_GAIN, text);
    EXPECT_STREQ(text, "0.5");
    EXPECT_EQ(d.IsDlgButtonChecked(IDC_SHOW), 1u);
    d.SetDlgItemText(IDC_COUNT, "7");
    d.SetDlgItemText(IDC_GAIN, " 2.5e-3 ");
    QxTest::PressKey(VK_TAB);
    QxTest::PressKey(VK_TAB);
    QxTest::PressKey(VK_SPACE);  // the check box, focused
    QxTest::PressKey(VK_TAB);
    QxTest::PressKey(VK_DOWN);  // the combo: Half-decade to Fifth-decade
    QxTest::PressKey(VK_RETURN);
  }});
  EXPECT_EQ(dlg.DoModal(), IDOK);
  EXPECT_FALSE(script.Dialogs()[0].endedByScript);
  EXPECT_EQ(dlg.m_nCount, 7);
  EXPECT_DOUBLE_EQ(dlg.m_dGain, 2.5e-3);
  EXPECT_EQ(dlg.m_bShow, FALSE);
  EXPECT_EQ(dlg.m_nSpacing, 2);
  EXPECT_EQ(
      std::vector<std::string>(dlg.m_log.begin() + 1, dlg.m_log.end()),
      (std::vector<std::string>{"count killfocus", "show clicked", "spacing 2", "spacing ok"}));
}

TEST_F(DlgDialog, EscapeAndTheCloseBoxCancelWithoutReading) {
  for (bool closeBox : {false, true}) {
    CEveryControlDlg dlg;
    QxTest::DialogScript script({[&](CDialog& d) {
      d.SetDlgItemText(IDC_COUNT, "9");
      if (closeBox) {
        d.GetWidget()->close();
      } else {
        QxTest::PressKey(VK_ESCAPE);
      }
    }});
    EXPECT_EQ(dlg.DoModal(), IDCANCEL) << closeBox;
    EXPECT_FALSE(script.Dialogs()[0].endedByScript) << closeBox;
    EXPECT_EQ(dlg.m_nCount, 5) << closeBox;
  }
}

TEST_F(DlgDialog, RefusedTextShowsThePromptAndKeepsTheDialogOpen) {
  const struct {
    const char* count;
    const char* gain;
    const char* prompt;
    int focus;
  } cases[] = {
      {"abc", "1", "Please enter an integer.", IDC_COUNT},
      {"11", "1", "Please enter an integer between 1 and 10.", IDC_COUNT},
      {"0", "1", "Please enter an integer between 1 and 10.", IDC_COUNT},
      {"5", "nan", "Please enter a number.", IDC_GAIN},
      {"5", "inf", "Please enter a number.", IDC_GAIN},
      {"5", "-1", "Please enter a number between 0 and 1e+300.", IDC_GAIN},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.count) + " " + c.gain);
    CEveryControlDlg dlg;
    bool stillOpen = false;
    int focus = 0;
    DWORD selection = 0;
    CString text;
    QxTest::ShownBoxScript boxes;
    QxTest::DialogScript script({[&](CDialog& d) {
      d.SetDlgItemText(IDC_COUNT, c.count);
      d.SetDlgItemText(IDC_GAIN, c.gain);
      QxTest::PressKey(VK_RETURN);
      stillOpen = d.ContinueModal();
      focus = FocusId();
      CWnd::GetFocus()->GetWindowText(text);
      selection = static_cast<DWORD>(CWnd::GetFocus()->SendMessage(EM_GETSEL));
      QxTest::PressKey(VK_ESCAPE);
    }});
    EXPECT_EQ(dlg.DoModal(), IDCANCEL);
    EXPECT_TRUE(stillOpen);
    ASSERT_EQ(boxes.Boxes().size(), 1u);
    EXPECT_EQ(boxes.Boxes()[0].text, c.prompt);
    EXPECT_EQ(boxes.Boxes()[0].type & MB_ICONMASK, MB_ICONEXCLAMATION);
    // The focus is back on the refused control with all of its text selected.
    EXPECT_EQ(focus, c.focus);
    EXPECT_EQ(selection, static_cast<DWORD>(MAKELONG(0, text.GetLength())));
  }
}

// Also members attached by DDX_Control, and a child that wants every key.
TEST_F(DlgDialog, MnemonicsRadioGroupsAndControlsThatWantKeysKeepThem) {
  CEveryControlDlg dlg;
  dlg.m_withKeyEater = true;
  QxTest::DialogScript script({[&](CDialog& d) {
    EXPECT_TRUE(d.GetDlgItem(IDC_LIST) == &dlg.m_list && d.GetDlgItem(IDC_SLIDER) == &dlg.m_slider);
    dlg.m_list.AddString("alpha");
    EXPECT_EQ(d.GetDlgItem(IDC_LIST)->SendMessage(LB_GETCOUNT), 1);
    QxTest::PressKey('G', QxTest::MK_ALT);  // a static's mnemonic focuses the control after it
    EXPECT_EQ(FocusId(), IDC_GAIN);
    QxTest::PressKey('S', QxTest::MK_ALT);  // a button's presses it
    EXPECT_EQ(d.IsDlgButtonChecked(IDC_SHOW), 0u);
    // Automatic radio buttons: one of the group on; arrows move and choose within it.
    d.GetDlgItem(IDC_LOG)->SendMessage(BM_CLICK);
    EXPECT_EQ(d.IsDlgButtonChecked(IDC_LINEAR) * 10 + d.IsDlgButtonChecked(IDC_LOG), 1u);
    d.GetDlgItem(IDC_LOG)->SetFocus();
    QxTest::PressKey(VK_UP);
    EXPECT_EQ(FocusId(), IDC_LINEAR);
    EXPECT_EQ(d.IsDlgButtonChecked(IDC_LINEAR) * 10 + d.IsDlgButtonChecked(IDC_LOG), 10u);
    QxTest::PressKey('O', QxTest::MK_ALT);
    EXPECT_EQ(d.IsDlgButtonChecked(IDC_LOG), 1u);
    // A child that wants every key gets Tab, Return and Escape too.
    d.GetDlgItem(IDC_KEYS)->SetFocus();
    for (UINT key : {VK_TAB, VK_RETURN, VK_ESCAPE, VK_LEFT}) QxTest::PressKey(key);
    EXPECT_EQ(dlg.m_keys.m_keys, (std::vector<UINT>{VK_TAB, VK_RETURN, VK_ESCAPE, VK_LEFT}));
    // A multi-line edit that wants Return keeps it as a line break.
    d.GetDlgItem(IDC_NOTE)->SetFocus();
    QxTest::TypeText("a");
    QxTest::PressKey(VK_RETURN);
    QxTest::TypeText("b");
    CString text;
    d.GetDlgItemText(IDC_NOTE, text);
    EXPECT_STREQ(text, "a\r\nb");
    EXPECT_TRUE(d.ContinueModal());
    // Tab and Escape still leave it.
    QxTest::PressKey(VK_TAB);
    EXPECT_NE(FocusId(), IDC_NOTE);
    d.GetDlgItemText(IDC_NOTE, text);
    EXPECT_STREQ(text, "a\r\nb");
    d.GetDlgItem(IDC_NOTE)->SetFocus();
    QxTest::PressKey(VK_ESCAPE);
    EXPECT_FALSE(d.ContinueModal());
  }});
  EXPECT_EQ(dlg.DoModal(), IDCANCEL);
  EXPECT_FALSE(script.Dialogs()[0].endedByScript);
  EXPECT_EQ(dlg.m_list.GetSafeHwnd(), nullptr);  // gone with the dialog
}

// The darkest pixel of a control's caption (its right part, past a check
// box's or radio button's indicator) on the dialog's face, and how many of
// its pixels stand out from the face; no ink: (255, 0).
std::pair<int, int> CaptionInk(CWnd* dialog, int id) {
  const QImage image = QxTest::ScreenImage(dialog);
  const CRect rect = ChildRect(dialog, id);
  const int face = GetRValue(GetSysColor(COLOR_BTNFACE));
  int darkest = 255, inked = 0;
  for (int y = rect.top; y < rect.bottom; ++y) {
    for (int x = rect.left + rect.Width() / 3; x < rect.right; ++x) {
      const int grey = qGray(image.pixel(x, y));
      if (std::abs(grey - face) < 40) continue;
      ++inked;
      darkest = std::min(darkest, grey);
    }
  }
  return {darkest, inked};
}

// A disabled control still shows its caption, in grey: neither the face it
// stands on nor the black of an enabled one.
TEST_F(DlgDialog, ADisabledControlDrawsItsCaptionGreyed) {
  for (int id : {IDC_SHOW, IDC_LINEAR}) {
    CEveryControlDlg dlg;
    std::pair<int, int> enabled, disabled;
    QxTest::DialogScript script({[&](CDialog& d) {
      enabled = CaptionInk(&d, id);
      d.GetDlgItem(id)->EnableWindow(FALSE);
      disabled = CaptionInk(&d, id);
    }});
    dlg.DoModal();
    EXPECT_LT(enabled.first, 64) << id;
    EXPECT_GT(disabled.second, enabled.second / 2) << id << ": the caption is not drawn";
    EXPECT_GE(disabled.first, 64) << id << ": the caption is not greyed";
  }
}

// Whether the keyboard is in the dialog, once it has come (a window manager
// gives a dialog the activation in its own time, and gives it back to the
// outer one when an inner one ends).
bool KeyboardIn(CDialog& d) {
  return QTest::qWaitFor(
      [&d] {
        CWnd* focus = CWnd::GetFocus();
        return focus != nullptr && (focus == &d || d.IsChild(focus));
      },
      30000);
}

TEST_F(DlgDialog, ModalLoopDisablesTheOwnerAndNests) {
  CWnd owner;
  ASSERT_TRUE(owner.CreateEx(0, nullptr, "owner", WS_OVERLAPPEDWINDOW | WS_VISIBLE,
                             CRect(0, 0, 400, 300), nullptr, 0));
  CEveryControlDlg outer(&owner);
  bool ownerEnabledInside = true;
  INT_PTR innerResult = 0;
  int innerCount = 0;
  QxTest::DialogScript script({
      [&](CDialog& d) {
        ownerEnabledInside = owner.IsWindowEnabled();
        CEveryControlDlg inner(&d);
        innerResult = inner.DoModal();
        innerCount = inner.m_nCount;
        EXPECT_TRUE(KeyboardIn(d)) << "the keyboard did not come back to the outer dialog";
        QxTest::PressKey(VK_RETURN);
      },
      [&](CDialog& d) {
        d.SetDlgItemText(IDC_COUNT, "3");
        EXPECT_TRUE(KeyboardIn(d)) << "the keyboard never came to the inner dialog";
        QxTest::PressKey(VK_RETURN);
      },
  });
  EXPECT_EQ(outer.DoModal(), IDOK);
  EXPECT_FALSE(ownerEnabledInside);
  EXPECT_TRUE(owner.IsWindowEnabled());
  EXPECT_EQ(innerResult, IDOK);
  EXPECT_EQ(innerCount, 3);
  owner.DestroyWindow();
}

TEST_F(DlgDialog, WithoutAScriptItIsCancelledAndAnUnknownTemplateFails) {
  CEveryControlDlg dlg;
  EXPECT_EQ(dlg.DoModal(), IDCANCEL);
  EXPECT_EQ(dlg.m_nCount, 5);
  CDialog unknown(4242);
  EXPECT_EQ(unknown.DoModal(), -1);
}

// Keys reach the dialog manager also in a program without an application object.
TEST(DlgNoApp, ReturnInAnEditPressesOkWithoutAnApplication) {
  ASSERT_EQ(AfxGetApp(), nullptr);
  QxDialogTemplate t;
  t.caption = "No App";
  t.style = WS_POPUP | WS_CAPTION;
  t.rect = CRect(0, 0, 100, 60);
  t.items = {
      QxMakeDialogItem(WC_EDIT, 1001, "", WS_TABSTOP | WS_BORDER, CRect(7, 7, 60, 19)),
      QxMakeDialogItem(WC_BUTTON, IDOK, "OK", BS_DEFPUSHBUTTON | WS_TABSTOP, CRect(7, 30, 50, 44))};
  QxRegisterDialogTemplate(9777, t);
  CDialog dlg(9777);
  bool focused = false;
  QxTest::DialogScript script({[&](CDialog& d) {
    d.GetDlgItem(1001)->SetFocus();
    focused = CWnd::GetFocus() == d.GetDlgItem(1001);
    QxTest::PressKey(VK_RETURN);
  }});
  EXPECT_EQ(dlg.DoModal(), IDOK);
  EXPECT_TRUE(focused);
  EXPECT_FALSE(script.Dialogs()[0].endedByScript);
}

}  // namespace
