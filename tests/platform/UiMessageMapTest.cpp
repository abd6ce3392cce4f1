// Message maps: lookup through the class chain, command codes, ranges, the
// extended command handler, registered and raw messages, and update handlers.
#include "platform/ui/CmdTarget.h"

#include <gtest/gtest.h>

#include <string>

namespace {

constexpr UINT ID_BASE_ONLY = 100;
constexpr UINT ID_BOTH = 101;
constexpr UINT ID_RANGE_FIRST = 110;
constexpr UINT ID_RANGE_LAST = 114;
constexpr UINT ID_PASS_ON = 120;
constexpr UINT ID_NO_HANDLER = 130;
constexpr UINT IDC_BUTTON = 140;
constexpr UINT WM_PRIVATE = WM_APP + 8;

UINT g_msgTest = 0;  // a registered message, set after the maps are built

class CBaseTarget : public CCmdTarget {
 public:
  std::string m_log;
  void OnBaseOnly() { m_log += "base-only "; }
  void OnBoth() { m_log += "base-both "; }
  void OnUpdateBoth(CCmdUI* ui) { ui->SetText("base"); }

  DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(CBaseTarget, CCmdTarget)
ON_COMMAND(ID_BASE_ONLY, OnBaseOnly)
ON_COMMAND(ID_BOTH, OnBoth)
ON_UPDATE_COMMAND_UI(ID_BOTH, OnUpdateBoth)
END_MESSAGE_MAP()

class CDerivedTarget : public CBaseTarget {
 public:
  void OnDerivedBoth() { m_log += "derived-both "; }
  void OnRange(UINT id) { m_log += "range-" + std::to_string(id) + " "; }
  BOOL OnPassOn(UINT id) {
    m_log += "ex-" + std::to_string(id) + " ";
    return FALSE;
  }
  void OnButtonClicked() { m_log += "clicked "; }
  void OnButtonDoubleClicked() { m_log += "double "; }
  void OnUpdateRange(CCmdUI* ui) { ui->SetCheck(ui->m_nID == ID_RANGE_FIRST + 2); }
  LRESULT OnPrivate(WPARAM w, LPARAM l) { return static_cast<LRESULT>(w * 10 + l); }
  LRESULT OnRegistered(WPARAM w, LPARAM) { return static_cast<LRESULT>(w + 1000); }
  void OnThreadMessage(WPARAM w, LPARAM) { m_log += "thread-" + std::to_string(w) + " "; }

  DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(CDerivedTarget, CBaseTarget)
ON_COMMAND(ID_BOTH, OnDerivedBoth)
ON_COMMAND_RANGE(ID_RANGE_FIRST, ID_RANGE_LAST, OnRange)
ON_UPDATE_COMMAND_UI_RANGE(ID_RANGE_FIRST, ID_RANGE_LAST, OnUpdateRange)
ON_COMMAND_EX(ID_PASS_ON, OnPassOn)
ON_BN_DOUBLECLICKED(IDC_BUTTON, OnButtonDoubleClicked)
ON_BN_CLICKED(IDC_BUTTON, OnButtonClicked)
ON_MESSAGE(WM_PRIVATE, OnPrivate)
ON_REGISTERED_MESSAGE(g_msgTest, OnRegistered)
ON_THREAD_MESSAGE(WM_APP + 9, OnThreadMessage)
END_MESSAGE_MAP()

BOOL Command(CCmdTarget& target, UINT id, int code = CN_COMMAND) {
  return target.OnCmdMsg(id, code, nullptr, nullptr);
}

}  // namespace

TEST(UiMessageMap, CommandsFindTheMostDerivedHandlerAndFallBackToTheBase) {
  struct Row {
    UINT id;
    int code;
    BOOL handled;
    const char* log;
  };
  const Row rows[] = {
      {ID_BASE_ONLY, CN_COMMAND, TRUE, "base-only "},
      {ID_BOTH, CN_COMMAND, TRUE, "derived-both "},
      {ID_RANGE_FIRST, CN_COMMAND, TRUE, "range-110 "},
      {ID_RANGE_LAST, CN_COMMAND, TRUE, "range-114 "},
      {ID_RANGE_LAST + 1, CN_COMMAND, FALSE, ""},
      {ID_PASS_ON, CN_COMMAND, FALSE, "ex-120 "},  // ran, but lets routing go on
      {IDC_BUTTON, static_cast<int>(BN_CLICKED), TRUE, "clicked "},
      {IDC_BUTTON, static_cast<int>(BN_DOUBLECLICKED), TRUE, "double "},
      {IDC_BUTTON, static_cast<int>(EN_KILLFOCUS), FALSE, ""},
      {ID_NO_HANDLER, CN_COMMAND, FALSE, ""},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.id);
    CDerivedTarget target;
    EXPECT_EQ(Command(target, row.id, row.code), row.handled);
    EXPECT_EQ(target.m_log, row.log);
  }
}

// (The application's tests show greyed, checked and text states in its bars and menus.)
TEST(UiMessageMap, UpdateHandlersAreInheritedAndRangedAndNeverRunACommand) {
  CDerivedTarget target;
  auto update = [&](UINT id, BOOL disableIfNoHandler) {
    CCmdUI ui;
    ui.m_nID = id;
    ui.DoUpdate(&target, disableIfNoHandler);
    return ui;
  };
  EXPECT_STREQ(update(ID_BOTH, TRUE).m_strText, "base");
  EXPECT_EQ(update(ID_RANGE_FIRST + 2, TRUE).m_nCheck, 1);
  EXPECT_EQ(update(ID_RANGE_FIRST + 1, TRUE).m_nCheck, 0);
  EXPECT_TRUE(update(ID_BASE_ONLY, TRUE).m_bEnabled);  // a command handler is enough
  EXPECT_FALSE(update(ID_NO_HANDLER, TRUE).m_bEnabled);
  EXPECT_TRUE(update(ID_NO_HANDLER, FALSE).m_bEnabled);  // unless the caller keeps such items
  AFX_CMDHANDLERINFO info;
  EXPECT_TRUE(target.OnCmdMsg(ID_BASE_ONLY, CN_COMMAND, nullptr, &info));
  EXPECT_EQ(info.pTarget, &target);
  EXPECT_EQ(target.m_log, "");
}

TEST(UiMessageMap, RawRegisteredAndThreadMessagesDispatch) {
  CDerivedTarget target;
  LRESULT result = 0;
  EXPECT_TRUE(target.DispatchMappedMessage(WM_PRIVATE, 4, 2, &result));
  EXPECT_EQ(result, 42);

  // The table was built above, before the message had its id.
  g_msgTest = 0xC123;
  EXPECT_TRUE(target.DispatchMappedMessage(0xC123, 5, 0, &result));
  EXPECT_EQ(result, 1005);
  EXPECT_FALSE(target.DispatchMappedMessage(0xC124, 5, 0, &result));

  EXPECT_TRUE(target.DispatchMappedMessage(WM_APP + 9, 77, 0, nullptr));
  EXPECT_EQ(target.m_log, "thread-77 ");
  // WM_COMMAND never reaches a command entry as a plain message.
  EXPECT_FALSE(target.DispatchMappedMessage(WM_COMMAND, ID_BOTH, 0, nullptr));
  g_msgTest = 0;
}
