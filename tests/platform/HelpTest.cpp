// Help: the file is looked for beside the executable, and a missing one is
// reported to the user.
#include "platform/testing/PrintHooks.h"
#include "platform/testing/TestHooks.h"
#include "platform/ui/Help.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

TEST(Help, AMissingFileBesideTheExecutableTellsTheUserAndAPresentOneOpens) {
  QxTest::ClearHelpCalls();
  QxTest::MessageBoxScript boxes;
  EXPECT_FALSE(QxWinHelp("Qorex.hlp", HELP_INDEX, 0));
  ASSERT_EQ(boxes.Boxes().size(), 1u);
  EXPECT_NE(boxes.Boxes()[0].text.find("Qorex.hlp"), std::string::npos);
  EXPECT_EQ(boxes.Boxes()[0].type & MB_ICONMASK, MB_ICONEXCLAMATION);
  std::filesystem::path exe = std::filesystem::read_symlink("/proc/self/exe");
  EXPECT_EQ(QxTest::HelpCalls().at(0).path, (exe.parent_path() / "Qorex.hlp").string());
  EXPECT_FALSE(QxTest::HelpCalls()[0].found);

  EXPECT_TRUE(QxWinHelp("Qorex.hlp", HELP_QUIT, 0));  // quitting looks for nothing
  std::string file = qxtest::MakeTempDir("help") + "/Qorex.hlp";
  std::ofstream(file) << "help";
  EXPECT_TRUE(QxWinHelp(file.c_str(), HELP_CONTEXT, 42));
  EXPECT_EQ(boxes.Boxes().size(), 1u);
  ASSERT_EQ(QxTest::HelpCalls().size(), 3u);
  EXPECT_TRUE(QxTest::HelpCalls()[2].found);
  EXPECT_EQ(QxTest::HelpCalls()[2].data, 42u);
}
