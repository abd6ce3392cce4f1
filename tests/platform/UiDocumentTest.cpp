// The headless document: open, save and close through files and archives,
// with failures reported through the message-box handler and never leaving a
// half-loaded document or a damaged file behind.
#include "platform/testing/TestHooks.h"
#include "platform/ui/Document.h"

#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace {

// A document holding a list of numbers: a count, then the numbers.
class CNumbersDoc : public CDocument {
 public:
  void Serialize(CArchive& ar) override {
    if (ar.IsStoring()) {
      ar << static_cast<DWORD>(m_values.size());
      for (int v : m_values) ar << v;
      if (m_onStored) m_onStored();
      if (m_failAfterStore) AfxThrowFileException(CFileException::diskFull);
      return;
    }
    DWORD count = 0;
    ar >> count;
    for (DWORD i = 0; i < count && !ar.HasFailed(); ++i) {
      int v = 0;
      ar >> v;
      m_values.push_back(v);
    }
  }
  void DeleteContents() override {
    m_values.clear();
    ++m_deleteCount;
  }

  std::vector<int> m_values;
  int m_deleteCount = 0;
  bool m_failAfterStore = false;
  std::function<void()> m_onStored;
};

std::string ReadAll(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

int FileCount(const std::string& dir) {
  return static_cast<int>(std::distance(std::filesystem::directory_iterator(dir), {}));
}

}  // namespace

TEST(UiDocument, SaveWritesATemporaryFileRenamesItAndOpenReadsItBack) {
  std::string dir = qxtest::MakeTempDir("doc");
  std::string path = dir + "/design.qox";
  std::ofstream(path) << "old";
  CNumbersDoc saved;
  saved.m_values = {1, -2, 300000};
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
  EXPECT_EQ(ReadAll(path), std::string("\x03\0\0\0\x01\0\0\0\xFE\xFF\xFF\xFF\xE0\x93\x04\0", 16));
  EXPECT_EQ(FileCount(dir), 1);

  CNumbersDoc loaded;
  loaded.m_values = {9};
  ASSERT_TRUE(loaded.OnOpenDocument(path.c_str()));
  EXPECT_EQ(loaded.m_values, saved.m_values);
  EXPECT_FALSE(loaded.IsModified());
  EXPECT_TRUE(boxes.Boxes().empty());
}

TEST(UiDocument, FailedSavesLeaveTheOldFileAndNoTemporary) {
  std::string dir = qxtest::MakeTempDir("doc");
  std::string path = dir + "/design.qox";
  std::ofstream(path) << "old contents";
  for (bool missingFolder : {false, true}) {
    CNumbersDoc doc;
    doc.m_values = {5, 6};
    doc.m_failAfterStore = !missingFolder;
    doc.SetModifiedFlag();
    QxTest::MessageBoxScript boxes;
    EXPECT_FALSE(doc.OnSaveDocument(missingFolder ? (dir + "/no/x.qox").c_str() : path.c_str()));
    EXPECT_EQ(boxes.Boxes().size(), 1u);
    EXPECT_TRUE(doc.IsModified());
  }
  EXPECT_EQ(ReadAll(path), "old contents");
  EXPECT_EQ(FileCount(dir), 1);
}

TEST(UiDocument, FailedOpensAreReportedAndNeverHalfLoad) {
  std::string dir = qxtest::MakeTempDir("doc");
  std::ofstream(dir + "/short.qox", std::ios::binary)
      << std::string("\x05\0\0\0\x01\0\0\0\x02\0", 10);  // says 5 numbers, holds 1.5
  CNumbersDoc corrupt;
  corrupt.m_values = {7, 8};
  QxTest::MessageBoxScript boxes;
  EXPECT_FALSE(corrupt.OnOpenDocument((dir + "/short.qox").c_str()));
  ASSERT_EQ(boxes.Boxes().size(), 1u);
  EXPECT_NE(boxes.Boxes()[0].text.find("short.qox"), std::string::npos) << boxes.Boxes()[0].text;
  EXPECT_TRUE(corrupt.m_values.empty());
  EXPECT_GE(corrupt.m_deleteCount, 2);  // before loading, and after the failure
  // A missing file is reported before anything is touched.
  CNumbersDoc kept;
  kept.m_values = {7};
  EXPECT_FALSE(kept.OnOpenDocument((dir + "/none.qox").c_str()));
  EXPECT_EQ(boxes.Boxes().size(), 2u);
  EXPECT_EQ(kept.m_values, std::vector<int>{7});
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
    std::string path = qxtest::MakeTempDir("doc") + "/plant.qox";
    CNumbersDoc doc;
    doc.SetPathName(path.c_str(), FALSE);
    doc.SetModifiedFlag(row.modified);
    QxTest::MessageBoxScript boxes({row.answer});
    EXPECT_EQ(doc.SaveModified(), row.expected);
    ASSERT_EQ(boxes.Boxes().size(), row.boxes);
    if (row.boxes) {
      EXPECT_EQ(boxes.Boxes()[0].text, "Save changes to plant.qox?");
      EXPECT_EQ(boxes.Boxes()[0].type & MB_TYPEMASK, MB_YESNOCANCEL);
    }
    EXPECT_EQ(std::filesystem::exists(path), row.saved);
  }
}
