// Control bars whose objects live outside their frame: the frame may go first.
#include "platform/testing/TestHooks.h"
#include "platform/ui/ControlBar.h"
#include "platform/ui/Controls.h"
#include "platform/ui/WinApp.h"

#include <gtest/gtest.h>

#include <memory>
#include <vector>

namespace {

constexpr UINT IDD_HELD_BAR = 2201;
constexpr UINT IDW_HELD_BAR = 2202;

// The bars of a window kept by another object, as a document may keep them.
struct BarHolder {
  CToolBar toolBar;
  CStatusBar statusBar;
  CDialogBar dialogBar;
};

CFrameWnd* MakeFrameWithBars(BarHolder& bars, bool floatDialogBar) {
  QxDialogTemplate bar;
  bar.caption = "Held";
  bar.rect = CRect(0, 0, 60, 30);
  QxRegisterDialogTemplate(IDD_HELD_BAR, bar);
  auto* frame = new CFrameWnd;
  EXPECT_TRUE(frame->Create(nullptr, "Holder"));
  static const UINT indicators[] = {ID_SEPARATOR};
  EXPECT_TRUE(bars.toolBar.Create(frame));
  EXPECT_TRUE(bars.statusBar.Create(frame));
  EXPECT_TRUE(bars.statusBar.SetIndicators(indicators, 1));
  EXPECT_TRUE(bars.dialogBar.Create(frame, IDD_HELD_BAR, CBRS_ALIGN_LEFT, IDW_HELD_BAR));
  frame->EnableDocking(CBRS_ALIGN_ANY);
  bars.dialogBar.EnableDocking(CBRS_ALIGN_ANY);
  if (floatDialogBar) frame->FloatControlBar(&bars.dialogBar, CPoint(40, 40));
  frame->ShowWindow(SW_SHOW);
  QxTest::PumpEvents();
  return frame;
}

}  // namespace

TEST(UiBars, BarsDestroyedAfterTheirFrameForgetIt) {
  for (bool floating : {false, true}) {
    SCOPED_TRACE(floating ? "floating" : "docked");
    auto bars = std::make_unique<BarHolder>();
    CFrameWnd* frame = MakeFrameWithBars(*bars, floating);
    EXPECT_EQ(bars->dialogBar.IsFloating(), floating ? TRUE : FALSE);
    EXPECT_EQ(frame->GetControlBar(IDW_HELD_BAR), &bars->dialogBar);
    frame->DestroyWindow();  // deletes the frame
    QxTest::PumpEvents();
    // The bars' windows went with the frame's; the objects stay usable and
    // no longer reach the deleted frame (the sanitizer build checks this).
    EXPECT_EQ(bars->dialogBar.GetSafeHwnd(), nullptr);
    EXPECT_EQ(bars->dialogBar.GetDockingFrame(), nullptr);
    EXPECT_EQ(bars->toolBar.GetDockingFrame(), nullptr);
    EXPECT_FALSE(bars->dialogBar.IsFloating());
    EXPECT_EQ(bars->statusBar.QxContainer(), nullptr);
    bars.reset();
  }
}

TEST(UiBars, ABarDestroyedFirstLeavesItsFrame) {
  auto bars = std::make_unique<BarHolder>();
  CFrameWnd* frame = MakeFrameWithBars(*bars, false);
  HWND hFrame = frame->GetSafeHwnd();
  bars.reset();
  QxTest::PumpEvents();
  ASSERT_TRUE(IsWindow(hFrame));
  EXPECT_TRUE(frame->m_listControlBars.empty());
  EXPECT_EQ(frame->GetControlBar(IDW_HELD_BAR), nullptr);
  frame->RecalcLayout();
  frame->DestroyWindow();
  QxTest::PumpEvents();
}

namespace {

constexpr UINT IDD_KEYS_BAR = 2203;

// A dialog bar whose Enter and Escape land in the owner's command handlers.
class CKeysFrame : public CFrameWnd {
 public:
  CDialogBar m_wndBar;
  std::vector<UINT> m_commands;

 protected:
  void OnOk() { m_commands.push_back(IDOK); }
  void OnCancelCmd() { m_commands.push_back(IDCANCEL); }
  DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(CKeysFrame, CFrameWnd)
ON_COMMAND(IDOK, OnOk)
ON_COMMAND(IDCANCEL, OnCancelCmd)
END_MESSAGE_MAP()

QxDialogItem KeysItem(const char* cls, UINT id, DWORD style, int x) {
  QxDialogItem item;
  item.className = cls;
  item.id = id;
  item.style = WS_CHILD | WS_VISIBLE | style;
  item.rect = CRect(x, 4, x + 30, 16);
  return item;
}

}  // namespace

TEST(UiBars, DialogBarKeysMoveTheFocusAndReachTheOwner) {
  CWinApp app("Bar Keys");
  QxDialogTemplate bar;
  bar.rect = CRect(0, 0, 140, 24);
  bar.items = {KeysItem(WC_EDIT, 10, WS_TABSTOP, 4), KeysItem(WC_STATIC, 11, 0, 38),
               KeysItem(WC_EDIT, 12, WS_TABSTOP, 72)};
  QxRegisterDialogTemplate(IDD_KEYS_BAR, bar);
  auto* frame = new CKeysFrame;
  ASSERT_TRUE(frame->Create(nullptr, "Keys"));
  ASSERT_TRUE(frame->m_wndBar.Create(frame, IDD_KEYS_BAR, CBRS_ALIGN_TOP, 0xE810));
  frame->ShowWindow(SW_SHOW);
  QxTest::PumpEvents();

  frame->m_wndBar.GetDlgItem(10)->SetFocus();
  QxTest::PressKey(VK_TAB);
  EXPECT_EQ(CWnd::GetFocus()->GetDlgCtrlID(), 12);
  QxTest::PressKey(VK_TAB, MK_SHIFT);
  EXPECT_EQ(CWnd::GetFocus()->GetDlgCtrlID(), 10);
  QxTest::PressKey(VK_RETURN);
  QxTest::PressKey(VK_ESCAPE);
  EXPECT_EQ(frame->m_commands, (std::vector<UINT>{IDOK, IDCANCEL}));
  frame->DestroyWindow();
  QxTest::PumpEvents();
}
