// The headless document (the test application's, an int then 0xBEEF): open,
// save and close through files and archives, with failures reported through
// the message-box handler and never leaving a half-loaded document or a
// damaged file behind.
#include "tests/platform/UiTestApp.h"
#include "tests/support/TestSupport.h"

#include <filesystem>
#include <fstream>
#include <iterator>

namespace qxtest {
namespace {

std::string ReadAll(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

int FileCount(const std::string& dir) {
  return static_cast<int>(std::distance(std::filesystem::directory_iterator(dir), {}));
}

TEST(UiDocument, SaveWritesATemporaryFileRenamesItAndOpenReadsItBack) {
  std::string dir = MakeTempDir("doc");
  std::string path = dir + "/design.pln";
  std::ofstream(path) << "old";
  CPlanDoc saved;
  saved.m_nValue = -2;
  saved.SetModifiedFlag();
  std::string duringSave;
  int filesDuringSave = 0;
  saved.m_onStored = [&] {
    duringSave = ReadAll(path);
    filesDuringSave = FileCount(dir);
  };
  QxTest::MessageBoxScript boxes;
  ASSERT_TRUE(saved.OnSaveDocument(path.c_str()));
  EXPECT_EQ(duringSave, "old");
  EXPECT_EQ(filesDuringSave, 2);
  EXPECT_FALSE(saved.IsModified());
  EXPECT_EQ(ReadAll(path), "\xFE\xFF\xFF\xFF\xEF\xBE");
  EXPECT_EQ(FileCount(dir), 1);

  CPlanDoc loaded;
  loaded.m_nValue = 9;
  ASSERT_TRUE(loaded.OnOpenDocument(path.c_str()));
  EXPECT_EQ(loaded.m_nValue, -2);
  EXPECT_FALSE(loaded.IsModified());
  EXPECT_TRUE(boxes.Boxes().empty());
}

TEST(UiDocument, FailedSavesLeaveTheOldFileAndNoTemporary) {
  std::string dir = MakeTempDir("doc");
  std::string path = dir + "/design.pln";
  std::ofstream(path) << "old contents";
  for (bool missingFolder : {false, true}) {
    CPlanDoc doc;
    doc.m_nValue = 5;
    if (!missingFolder) doc.m_onStored = [] { AfxThrowFileException(CFileException::diskFull); };
    doc.SetModifiedFlag();
    QxTest::MessageBoxScript boxes;
    EXPECT_FALSE(doc.OnSaveDocument(missingFolder ? (dir + "/no/x.pln").c_str() : path.c_str()));
    EXPECT_EQ(boxes.Boxes().size(), 1u);
    EXPECT_TRUE(doc.IsModified());
  }
  EXPECT_EQ(ReadAll(path), "old contents");
  EXPECT_EQ(FileCount(dir), 1);
}

TEST(UiDocument, FailedOpensAreReportedAndNeverHalfLoad) {
  std::string dir = MakeTempDir("doc");
  std::ofstream(dir + "/short.pln", std::ios::binary)
      << std::string("\x01\0\0\0\xEF", 5);  // the value, then half the mark
  CPlanDoc corrupt;
  corrupt.m_nValue = 7;
  QxTest::MessageBoxScript boxes;
  EXPECT_FALSE(corrupt.OnOpenDocument((dir + "/short.pln").c_str()));
  ASSERT_EQ(boxes.Boxes().size(), 1u);
  EXPECT_NE(boxes.Boxes()[0].text.find("short.pln"), std::string::npos) << boxes.Boxes()[0].text;
  EXPECT_EQ(corrupt.m_nValue, 0);    // not the 1 read before the failure
  EXPECT_GE(corrupt.m_nDeletes, 2);  // before loading, and after the failure
  // A missing file is reported before anything is touched.
  CPlanDoc kept;
  kept.m_nValue = 7;
  EXPECT_FALSE(kept.OnOpenDocument((dir + "/none.pln").c_str()));
  EXPECT_EQ(boxes.Boxes().size(), 2u);
  EXPECT_EQ(kept.m_nValue, 7);
}

TEST(UiDocument, SaveModifiedFollowsTheAnswer) {
  const struct {
    const char* name;
    bool modified;
    int answer;
    BOOL expected;
    size_t boxes;
    bool saved;
  } rows[] = {
      {"unmodified closes silently", false, IDCANCEL, TRUE, 0, false},
      {"cancel keeps it open", true, IDCANCEL, FALSE, 1, false},
      {"no discards", true, IDNO, TRUE, 1, false},
      {"yes saves", true, IDYES, TRUE, 1, true},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    std::string path = MakeTempDir("doc") + "/plant.pln";
    CPlanDoc doc;
    doc.SetPathName(path.c_str(), FALSE);
    doc.SetModifiedFlag(row.modified);
    QxTest::MessageBoxScript boxes({row.answer});
    EXPECT_EQ(doc.SaveModified(), row.expected);
    ASSERT_EQ(boxes.Boxes().size(), row.boxes);
    if (row.boxes) {
      EXPECT_EQ(boxes.Boxes()[0].text, "Save changes to plant.pln?");
      EXPECT_EQ(boxes.Boxes()[0].type & MB_TYPEMASK, MB_YESNOCANCEL);
    }
    EXPECT_EQ(std::filesystem::exists(path), row.saved);
  }
}

}  // namespace
}  // namespace qxtest
