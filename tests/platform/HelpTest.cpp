// Help: the file is looked for beside the executable, and a missing one is
// reported to the user.
#include "platform/testing/PrintHooks.h"
#include "platform/testing/TestHooks.h"
#include "platform/ui/Help.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

TEST(Help, MissingFileBesideTheExecutableTellsTheUser) {
  QxTest::ClearHelpCalls();
  QxTest::MessageBoxScript boxes;
  EXPECT_FALSE(QxWinHelp("Qorex.hlp", HELP_INDEX, 0));
  ASSERT_EQ(boxes.Boxes().size(), 1u);
  EXPECT_NE(boxes.Boxes()[0].text.find("Qorex.hlp"), std::string::npos);
  EXPECT_EQ(boxes.Boxes()[0].type & MB_ICONMASK, MB_ICONEXCLAMATION);

  std::vector<QxTest::HelpCall> calls = QxTest::HelpCalls();
  ASSERT_EQ(calls.size(), 1u);
  EXPECT_EQ(calls[0].file, "Qorex.hlp");
  EXPECT_EQ(calls[0].command, HELP_INDEX);
  EXPECT_FALSE(calls[0].found);
  std::filesystem::path exe = std::filesystem::read_symlink("/proc/self/exe");
  EXPECT_EQ(calls[0].path, (exe.parent_path() / "Qorex.hlp").string());
}

TEST(Help, PresentFileOpensWithoutABox) {
  std::string file = qxtest::MakeTempDir("help") + "/Qorex.hlp";
  std::ofstream(file) << "help";
  QxTest::ClearHelpCalls();
  QxTest::MessageBoxScript boxes;
  EXPECT_TRUE(QxWinHelp(file.c_str(), HELP_CONTEXT, 42));
  EXPECT_TRUE(boxes.Boxes().empty());
  ASSERT_EQ(QxTest::HelpCalls().size(), 1u);
  EXPECT_TRUE(QxTest::HelpCalls()[0].found);
  EXPECT_EQ(QxTest::HelpCalls()[0].data, 42u);
}

TEST(Help, QuitLooksForNothing) {
  QxTest::ClearHelpCalls();
  QxTest::MessageBoxScript boxes;
  EXPECT_TRUE(QxWinHelp("Qorex.hlp", HELP_QUIT, 0));
  EXPECT_TRUE(boxes.Boxes().empty());
  EXPECT_EQ(QxTest::HelpCalls().size(), 1u);
}
