// Starting the program with a design named on the command line, as the run
// script passes it on: the design opens and the caption names it; a file that
// cannot be opened ends the start after telling the user.
#include "tests/support/QorexAppFixture.h"
#include "tests/support/TestSupport.h"

#include <fstream>
#include <string>
#include <vector>

TEST(AppStart, OpensTheDesignNamedOnTheCommandLine) {
  const std::string path = qxtest::MakeTempDir("start") + "/loop.qox";
  BOOL started = FALSE;
  auto first = StartApp({}, &started);
  ASSERT_TRUE(started);
  CQorexDoc* made = ActiveDocOf(*first);
  ASSERT_NE(made, nullptr);
  made->m_strComment = "Saved for the start test";
  ASSERT_TRUE(made->OnSaveDocument(path.c_str()));
  StopApp(std::move(first));

  auto second = StartApp({CString(path.c_str())}, &started);
  ASSERT_TRUE(started);
  EXPECT_EQ(second->GetOpenDocumentCount(), 1);
  CQorexDoc* opened = ActiveDocOf(*second);
  ASSERT_NE(opened, nullptr);
  EXPECT_STREQ(opened->m_strComment, "Saved for the start test");
  EXPECT_STREQ(opened->GetTitle(), "loop.qox");
  CString caption;
  second->m_pMainWnd->GetWindowText(caption);
  EXPECT_STREQ(caption, "Quorvathine - [loop.qox]");  // its window opens maximised
  StopApp(std::move(second));
}

TEST(AppStart, AFileThatCannotBeOpenedEndsTheStart) {
  const std::string folder = qxtest::MakeTempDir("start-bad");
  std::ofstream(folder + "/damaged.qox", std::ios::binary) << "not a design";
  for (const std::string& path : {folder + "/missing.qox", folder + "/damaged.qox"}) {
    QxTest::MessageBoxScript boxes;
    BOOL started = TRUE;
    auto app = StartApp({CString(path.c_str())}, &started);
    EXPECT_FALSE(started) << path;
    EXPECT_FALSE(boxes.Boxes().empty()) << path;
    EXPECT_EQ(app->GetOpenDocumentCount(), 0) << path;
    if (app->m_pMainWnd && IsWindow(app->m_pMainWnd->GetSafeHwnd())) {
      app->m_pMainWnd->DestroyWindow();
    }
    QxTest::PumpEvents();
    app->ExitInstance();
  }
}
