// The headless document: open, save and close through files and archives,
// with failures reported through the message-box handler and never leaving a
// half-loaded document or a damaged file behind.
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

struct Box {
  std::string text;
  UINT type;
};

// Records every message box and answers with `answer`.
class BoxRecorder {
 public:
  explicit BoxRecorder(int answer = IDOK) {
    m_previous = QxSetMessageBoxHandler([this, answer](HWND, LPCSTR text, LPCSTR, UINT type) {
      m_boxes.push_back({text ? text : "", type});
      return answer;
    });
  }
  ~BoxRecorder() { QxSetMessageBoxHandler(m_previous); }
  const std::vector<Box>& boxes() const { return m_boxes; }

 private:
  QxMessageBoxHandler m_previous;
  std::vector<Box> m_boxes;
};

std::string ReadAll(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

void WriteAll(const std::string& path, const std::string& bytes) {
  std::ofstream(path, std::ios::binary) << bytes;
}

int FileCount(const std::string& dir) {
  return static_cast<int>(std::distance(std::filesystem::directory_iterator(dir), {}));
}

}  // namespace

TEST(UiDocument, SaveThenOpenRoundTripsAndClearsModified) {
  std::string dir = qxtest::MakeTempDir("doc");
  std::string path = dir + "/design.qox";
  CNumbersDoc saved;
  saved.m_values = {1, -2, 300000};
  saved.SetModifiedFlag();
  BoxRecorder boxes;
  ASSERT_TRUE(saved.OnSaveDocument(path.c_str()));
  EXPECT_FALSE(saved.IsModified());
  EXPECT_EQ(ReadAll(path), std::string("\x03\0\0\0\x01\0\0\0\xFE\xFF\xFF\xFF\xE0\x93\x04\0", 16));

  CNumbersDoc loaded;
  loaded.m_values = {9};
  ASSERT_TRUE(loaded.OnOpenDocument(path.c_str()));
  EXPECT_EQ(loaded.m_values, saved.m_values);
  EXPECT_FALSE(loaded.IsModified());
  EXPECT_TRUE(boxes.boxes().empty());
  EXPECT_EQ(FileCount(dir), 1);
}

TEST(UiDocument, CorruptFileIsReportedAndLeavesTheDocumentEmpty) {
  std::string path = qxtest::MakeTempDir("doc") + "/short.qox";
  WriteAll(path, std::string("\x05\0\0\0\x01\0\0\0\x02\0", 10));  // says 5 numbers, holds 1.5
  CNumbersDoc doc;
  doc.m_values = {7, 8};
  BoxRecorder boxes;
  EXPECT_FALSE(doc.OnOpenDocument(path.c_str()));
  ASSERT_EQ(boxes.boxes().size(), 1u);
  EXPECT_NE(boxes.boxes()[0].text.find("short.qox"), std::string::npos) << boxes.boxes()[0].text;
  EXPECT_TRUE(doc.m_values.empty());
  EXPECT_GE(doc.m_deleteCount, 2);  // before loading, and after the failure
}

TEST(UiDocument, MissingFileIsReportedAndKeepsTheContents) {
  CNumbersDoc doc;
  doc.m_values = {7};
  BoxRecorder boxes;
  EXPECT_FALSE(doc.OnOpenDocument((qxtest::MakeTempDir("doc") + "/none.qox").c_str()));
  EXPECT_EQ(boxes.boxes().size(), 1u);
  EXPECT_EQ(doc.m_values, std::vector<int>{7});
}

TEST(UiDocument, SaveWritesATemporaryFileAndRenamesIt) {
  std::string dir = qxtest::MakeTempDir("doc");
  std::string path = dir + "/design.qox";
  WriteAll(path, "old");
  CNumbersDoc doc;
  doc.m_values = {5};
  std::string duringSave;
  int filesDuringSave = 0;
  doc.m_onStored = [&] {
    duringSave = ReadAll(path);
    filesDuringSave = FileCount(dir);
  };
  BoxRecorder boxes;
  ASSERT_TRUE(doc.OnSaveDocument(path.c_str()));
  EXPECT_EQ(duringSave, "old");
  EXPECT_EQ(filesDuringSave, 2);
  EXPECT_EQ(ReadAll(path).size(), 8u);
  EXPECT_EQ(FileCount(dir), 1);
}

TEST(UiDocument, FailedSaveLeavesTheOldFileAndNoTemporary) {
  std::string dir = qxtest::MakeTempDir("doc");
  std::string path = dir + "/design.qox";
  WriteAll(path, "old contents");
  CNumbersDoc doc;
  doc.m_values = {5, 6};
  doc.m_failAfterStore = true;
  doc.SetModifiedFlag();
  BoxRecorder boxes;
  EXPECT_FALSE(doc.OnSaveDocument(path.c_str()));
  EXPECT_EQ(boxes.boxes().size(), 1u);
  EXPECT_EQ(ReadAll(path), "old contents");
  EXPECT_EQ(FileCount(dir), 1);
  EXPECT_TRUE(doc.IsModified());
}

TEST(UiDocument, SaveIntoAMissingFolderFails) {
  CNumbersDoc doc;
  BoxRecorder boxes;
  EXPECT_FALSE(doc.OnSaveDocument((qxtest::MakeTempDir("doc") + "/no/such/x.qox").c_str()));
  EXPECT_EQ(boxes.boxes().size(), 1u);
}

TEST(UiDocument, PathNameGivesTheTitle) {
  CNumbersDoc doc;
  doc.SetTitle("Qorex1");
  doc.SetPathName("/home/user/designs/loop.qox", FALSE);
  EXPECT_STREQ(doc.GetTitle(), "loop.qox");
  EXPECT_STREQ(doc.GetPathName(), "/home/user/designs/loop.qox");
}

TEST(UiDocument, SaveModifiedFollowsTheAnswer) {
  struct Row {
    const char* name;
    bool modified;
    int answer;
    BOOL expected;
    size_t boxes;
    bool saved;
  };
  const Row rows[] = {
      {"unmodified closes silently", false, IDCANCEL, TRUE, 0, false},
      {"cancel keeps it open", true, IDCANCEL, FALSE, 1, false},
      {"no discards", true, IDNO, TRUE, 1, false},
      {"yes saves", true, IDYES, TRUE, 1, true},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    std::string path = qxtest::MakeTempDir("doc") + "/plant.qox";
    CNumbersDoc doc;
    doc.SetPathName(path.c_str(), FALSE);
    doc.SetModifiedFlag(row.modified);
    BoxRecorder boxes(row.answer);
    EXPECT_EQ(doc.SaveModified(), row.expected);
    ASSERT_EQ(boxes.boxes().size(), row.boxes);
    if (row.boxes) {
      EXPECT_EQ(boxes.boxes()[0].text, "Save changes to plant.qox?");
      EXPECT_EQ(boxes.boxes()[0].type & MB_TYPEMASK, MB_YESNOCANCEL);
    }
    EXPECT_EQ(std::filesystem::exists(path), row.saved);
  }
}

TEST(UiDocument, SaveWithoutAPathAsksForAName) {
  std::string path = qxtest::MakeTempDir("doc") + "/chosen.qox";
  QxFileNamePrompt previous =
      QxSetFileNamePrompt([&](CString& name, BOOL bOpen, LPCTSTR, LPCTSTR, LPCTSTR) {
        EXPECT_FALSE(bOpen);
        name = path.c_str();
        return TRUE;
      });
  CNumbersDoc doc;
  doc.SetTitle("Qorex1");
  doc.SetModifiedFlag();
  EXPECT_TRUE(doc.DoFileSave());
  QxSetFileNamePrompt(previous);
  EXPECT_TRUE(std::filesystem::exists(path));
  EXPECT_STREQ(doc.GetTitle(), "chosen.qox");
  EXPECT_FALSE(doc.IsModified());
}

TEST(UiDocument, FileCloseCommandAsksThenClosesThroughTheMessageMap) {
  CNumbersDoc* doc = new CNumbersDoc;
  doc->m_values = {1};
  doc->SetModifiedFlag();
  {
    BoxRecorder cancel(IDCANCEL);
    EXPECT_TRUE(doc->OnCmdMsg(ID_FILE_CLOSE, CN_COMMAND, nullptr, nullptr));
    EXPECT_EQ(doc->m_values.size(), 1u);  // still open
  }
  BoxRecorder discard(IDNO);
  doc->OnCmdMsg(ID_FILE_CLOSE, CN_COMMAND, nullptr, nullptr);  // deletes the document
  EXPECT_EQ(discard.boxes().size(), 1u);
}
