// Message boxes through the real handler, answered by the test hook, also
// when a worker thread raises one; file dialogs answered by the hook.
#include "platform/testing/DialogHooks.h"
#include "platform/testing/TestHooks.h"
#include "platform/ui/FileDialog.h"
#include "platform/ui/MessageBoxUi.h"
#include "platform/ui/WinApp.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

namespace {

TEST(DlgBox, TheHookAnswersAndRecordsEachBoxWithItsOwnerAndCaption) {
  CWinApp app("Quorvathine Test");
  CWnd owner;
  ASSERT_TRUE(owner.CreateEx(0, nullptr, "owner", WS_POPUP, CRect(0, 0, 50, 50), nullptr, 0));
  QxTest::ShownBoxScript script({IDNO, IDYES});
  EXPECT_EQ(::MessageBox(nullptr, "Save changes?", "Design", MB_YESNOCANCEL | MB_ICONEXCLAMATION),
            IDNO);
  EXPECT_EQ(owner.MessageBox("Proceed?", nullptr, MB_YESNO), IDYES);
  // Beyond the script: the default button.
  EXPECT_EQ(::MessageBox(nullptr, "Stop?", nullptr, MB_YESNO | MB_DEFBUTTON2), IDNO);
  ASSERT_EQ(script.Boxes().size(), 3u);
  EXPECT_EQ(script.Boxes()[0].text, "Save changes?");
  EXPECT_EQ(script.Boxes()[0].caption, "Design");
  EXPECT_EQ(script.Boxes()[0].type, MB_YESNOCANCEL | MB_ICONEXCLAMATION);
  EXPECT_EQ(script.Boxes()[1].caption, "Quorvathine Test");  // a window's box: the application's
  EXPECT_TRUE(script.Boxes()[1].owned);
  EXPECT_EQ(script.Boxes()[2].caption, "Error");  // no caption and no window, as the system shows
  owner.DestroyWindow();
}

// The worker gets the default answer at once; the box is shown later by the
// user-interface thread, without its owner when that went in between.
TEST(DlgBoxThreads, AWorkersBoxIsShownLaterWithoutBlockingIt) {
  QxTest::ShownBoxScript script({IDNO});
  CWnd owner;
  ASSERT_TRUE(owner.CreateEx(0, nullptr, "owner", WS_POPUP, CRect(0, 0, 50, 50), nullptr, 0));
  HWND hOwner = owner.GetSafeHwnd();
  std::atomic<int> answer{0};
  std::thread worker([&] {
    answer = AfxMessageBox("Real-time loop stopped", MB_YESNO | MB_ICONSTOP);
    ::MessageBox(hOwner, "Board lost", "Error", MB_OK);
  });
  worker.join();
  EXPECT_EQ(answer.load(), IDYES);
  EXPECT_TRUE(script.Boxes().empty());
  owner.DestroyWindow();
  QxTest::PumpEvents();
  ASSERT_EQ(script.Boxes().size(), 2u);
  EXPECT_EQ(script.Boxes()[0].text, "Real-time loop stopped");
  EXPECT_EQ(script.Boxes()[0].type, MB_YESNO | MB_ICONSTOP);
  EXPECT_EQ(script.Boxes()[1].text, "Board lost");
  EXPECT_FALSE(script.Boxes()[1].owned);
}

TEST(DlgBox, FileDialogsTakeTheFrameworksFilterAndTheHooksAnswer) {
  QxTest::FileDialogScript script({"/home/user/designs/loop.qox", ""});
  const char* filter = "Qorex Files (*.qox)|*.qox|All Files (*.*)|*.*||";
  CFileDialog open(TRUE, "qox", nullptr, OFN_HIDEREADONLY, filter);
  ASSERT_EQ(open.DoModal(), IDOK);
  EXPECT_STREQ(open.GetPathName(), "/home/user/designs/loop.qox");
  EXPECT_STREQ(open.GetFileTitle(), "loop");
  CFileDialog save(FALSE, "qox", "old.qox", OFN_OVERWRITEPROMPT, filter);
  EXPECT_EQ(save.DoModal(), IDCANCEL);
  EXPECT_STREQ(save.GetPathName(), "old.qox");
  ASSERT_EQ(script.Prompts().size(), 2u);
  EXPECT_TRUE(script.Prompts()[0].open);
  EXPECT_EQ(script.Prompts()[0].title, "Open");
  EXPECT_EQ(script.Prompts()[0].filter, filter);
  EXPECT_EQ(script.Prompts()[0].defaultExt, ".qox");
  EXPECT_FALSE(script.Prompts()[1].open);
  EXPECT_EQ(script.Prompts()[1].title, "Save As");
}

}  // namespace
