#include "platform/core/Profile.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

namespace fs = std::filesystem;

namespace {

// Each test works under its own company key and leaves the default key behind.
class ProfileStore : public testing::Test {
 protected:
  void SetUp() override {
    // A name that is unique for the run and not yet a folder.
    key = fs::path(qxtest::MakeTempDir("company")).filename().string() + "-key";
    QxProfile::SetRegistryKey(key.c_str());
  }
  void TearDown() override { QxProfile::SetRegistryKey(nullptr); }

  void WriteIni(const char* text) {
    fs::create_directories(fs::path(QxProfile::GetPath()).parent_path());
    std::ofstream(QxProfile::GetPath()) << text;
  }

  std::string key;
};

}  // namespace

TEST_F(ProfileStore, LivesUnderTheConfigHomeAndCompanyKey) {
  EXPECT_EQ(QxProfile::GetPath(), qxtest::TempRoot() + "/" + key + "/Quorvathine.ini");
}

TEST_F(ProfileStore, IntegerRules) {
  WriteIni(
      "[Settings]\n"
      "FontSize=5\n"
      "RealFix=abc\n"
      "Negative=-7\n"
      "Spaced =  42  \n"
      "Partial=12x\n"
      "Huge=99999999999\n"
      "Empty=\n"
      "\n"
      "[Other]\n"
      "FontSize=3\n");
  const struct {
    const char* section;
    const char* entry;
    int expected;
  } rows[] = {
      {"Settings", "FontSize", 5},  {"Other", "FontSize", 3},     {"settings", "fontsize", 5},
      {"Settings", "Negative", -7}, {"Settings", "Spaced", 42},   {"Settings", "RealFix", -99},
      {"Settings", "Partial", -99}, {"Settings", "Huge", -99},    {"Settings", "Empty", -99},
      {"Settings", "Missing", -99}, {"Missing", "FontSize", -99},
  };
  for (const auto& row : rows)
    EXPECT_EQ(QxProfile::GetProfileInt(row.section, row.entry, -99), row.expected)
        << row.section << "/" << row.entry;
}

TEST_F(ProfileStore, WritesRoundTripAndCreateFolders) {
  ASSERT_TRUE(QxProfile::WriteProfileInt("Settings", "RealFix", -3));
  ASSERT_TRUE(QxProfile::WriteProfileString("Recent File List", "File1", "  /tmp/a b.qox "));
  ASSERT_TRUE(QxProfile::WriteProfileString("Recent File List", "File2", "\"quoted\""));
  ASSERT_TRUE(QxProfile::WriteProfileInt("settings", "realfix", 4));  // same entry, other case
  EXPECT_TRUE(fs::exists(QxProfile::GetPath()));
  EXPECT_EQ(QxProfile::GetProfileInt("Settings", "RealFix", 0), 4);
  EXPECT_EQ(QxProfile::GetProfileString("Recent File List", "File1"), "  /tmp/a b.qox ");
  EXPECT_EQ(QxProfile::GetProfileString("Recent File List", "File2"), "\"quoted\"");

  EXPECT_TRUE(QxProfile::WriteProfileString("Recent File List", "File1", nullptr));
  EXPECT_EQ(QxProfile::GetProfileString("Recent File List", "File1", "gone"), "gone");
  EXPECT_TRUE(QxProfile::WriteProfileString("Recent File List", nullptr, nullptr));
  EXPECT_EQ(QxProfile::GetProfileString("Recent File List", "File2", "gone"), "gone");
  EXPECT_EQ(QxProfile::GetProfileInt("Settings", "RealFix", 0), 4);
}

TEST_F(ProfileStore, ReadingAndRefusedWritesCreateNothing) {
  EXPECT_EQ(QxProfile::GetProfileString("Settings", "Name", "none"), "none");
  EXPECT_FALSE(QxProfile::WriteProfileString("Settings", "Comment", "two\nlines"));
  EXPECT_FALSE(QxProfile::WriteProfileString("Set]tings", "Comment", "x"));
  EXPECT_FALSE(QxProfile::WriteProfileString("Settings", "a=b", "x"));
  EXPECT_FALSE(QxProfile::WriteProfileString("Settings", "[x", "x"));
  EXPECT_FALSE(fs::exists(fs::path(QxProfile::GetPath()).parent_path()));
}
