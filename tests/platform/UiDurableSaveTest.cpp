// Saves that survive a crash: the document's save and the profile store write
// a temporary file, sync it, rename it over the target and sync the folder. A
// failure injected at every step in turn leaves the old file byte for byte and
// no temporary file; a link is followed and kept; modes follow the umask or
// the old file.
#include "platform/core/FileReplacement.h"
#include "platform/core/Profile.h"
#include "platform/testing/TestHooks.h"
#include "platform/ui/Document.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <sys/stat.h>
#include <vector>

namespace fs = std::filesystem;

namespace {

std::string ReadAll(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

std::vector<std::string> FilesIn(const std::string& dir) {
  std::vector<std::string> names;
  for (const auto& entry : fs::directory_iterator(dir)) names.push_back(entry.path().filename());
  std::sort(names.begin(), names.end());
  return names;
}

mode_t ModeOf(const std::string& path) {
  struct stat info {};
  stat(path.c_str(), &info);
  return info.st_mode & 07777;
}

// Stores its text: 10,000 bytes take three writes through a 4 KiB archive buffer.
class CTextDoc : public CDocument {
 public:
  explicit CTextDoc(std::string text) : m_text(std::move(text)) {}
  void Serialize(CArchive& ar) override {
    if (ar.IsStoring()) ar.Write(m_text.data(), static_cast<UINT>(m_text.size()));
  }
  std::string m_text;
};

// Records every step of a replacement and fails the one numbered failAt (none
// when negative) with ENOSPC.
class StepLog {
 public:
  explicit StepLog(int failAt) : m_failAt(failAt) {
    m_old = QxFileReplacement::SetFaultHook([this](const char* step) {
      m_steps.push_back(step);
      return static_cast<int>(m_steps.size()) - 1 == m_failAt ? ENOSPC : 0;
    });
  }
  ~StepLog() { QxFileReplacement::SetFaultHook(std::move(m_old)); }
  StepLog(const StepLog&) = delete;
  StepLog& operator=(const StepLog&) = delete;
  bool Failed() const { return m_failAt >= 0 && m_failAt < static_cast<int>(m_steps.size()); }
  const std::vector<std::string>& Steps() const { return m_steps; }

 private:
  int m_failAt;
  std::vector<std::string> m_steps;
  QxFileReplacement::FaultHook m_old;
};

// Sets the umask for a scope.
class Umask {
 public:
  explicit Umask(mode_t mask) : m_old(umask(mask)) {}
  ~Umask() { umask(m_old); }

 private:
  mode_t m_old;
};

}  // namespace

TEST(DurableSave, DocumentStepsSyncTheFileBeforeTheRename) {
  const std::string path = qxtest::MakeTempDir("save") + "/design.pln";
  CTextDoc doc(std::string(10000, 'n'));
  StepLog log(-1);
  QxTest::MessageBoxScript boxes;
  ASSERT_TRUE(doc.OnSaveDocument(path.c_str()));
  const std::vector<std::string> expected = {"create", "write", "write", "write",
                                             "sync",   "close", "rename"};
  EXPECT_EQ(log.Steps(), expected);
  EXPECT_EQ(ReadAll(path), doc.m_text);
}

TEST(DurableSave, DocumentFailureAtEveryStepLeavesTheOldFileAndOneMessage) {
  const std::string dir = qxtest::MakeTempDir("save");
  const std::string path = dir + "/design.pln";
  std::ofstream(path, std::ios::binary) << "old contents";
  int failAt = 0;
  for (;; ++failAt) {
    SCOPED_TRACE("failing step " + std::to_string(failAt));
    CTextDoc doc(std::string(10000, 'n'));
    doc.SetModifiedFlag();
    QxTest::MessageBoxScript boxes;
    StepLog log(failAt);
    const BOOL saved = doc.OnSaveDocument(path.c_str());
    if (!log.Failed()) {
      EXPECT_TRUE(saved);  // every step has been failed once
      break;
    }
    EXPECT_FALSE(saved) << log.Steps().back();
    EXPECT_EQ(boxes.Boxes().size(), 1u) << log.Steps().back();
    EXPECT_TRUE(doc.IsModified());
    EXPECT_EQ(ReadAll(path), "old contents");
    EXPECT_EQ(FilesIn(dir), std::vector<std::string>{"design.pln"});
  }
  EXPECT_EQ(failAt, 7);
}

TEST(DurableSave, ProfileFailureAtEveryStepLeavesTheOldProfile) {
  QxProfile::SetRegistryKey(
      (fs::path(qxtest::MakeTempDir("profile")).filename().string() + "-key").c_str());
  ASSERT_TRUE(QxProfile::WriteProfileInt("Settings", "FontSize", 5));
  const std::string path = QxProfile::GetPath();
  const std::string before = ReadAll(path);
  int failAt = 0;
  for (;; ++failAt) {
    StepLog log(failAt);
    const BOOL written = QxProfile::WriteProfileInt("Settings", "FontSize", 6);
    if (!log.Failed()) {
      EXPECT_TRUE(written);
      break;
    }
    EXPECT_FALSE(written) << log.Steps().back();
    EXPECT_EQ(ReadAll(path), before) << log.Steps().back();
    EXPECT_EQ(FilesIn(fs::path(path).parent_path()),
              std::vector<std::string>{fs::path(path).filename()});
  }
  EXPECT_EQ(failAt, 5);  // create, one write, sync, close, rename
  EXPECT_EQ(QxProfile::GetProfileInt("Settings", "FontSize", 0), 6);
  QxProfile::SetRegistryKey(nullptr);
}

TEST(DurableSave, ALinkIsKeptAndItsTargetReplaced) {
  const std::string dir = qxtest::MakeTempDir("save");
  fs::create_directory(dir + "/real");
  std::ofstream(dir + "/real/design.pln") << "old";
  const struct {
    const char* name;
    const char* link;    // made in dir
    const char* points;  // what it points at
  } rows[] = {
      {"absolute", "abs.pln", nullptr},
      {"relative", "rel.pln", "real/design.pln"},
      {"through another link", "chain.pln", "rel.pln"},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    const std::string link = dir + "/" + row.link;
    fs::create_symlink(row.points ? std::string(row.points) : dir + "/real/design.pln", link);
    CTextDoc doc(std::string("new through ") + row.name);
    QxTest::MessageBoxScript boxes;
    ASSERT_TRUE(doc.OnSaveDocument(link.c_str()));
    EXPECT_TRUE(fs::is_symlink(link));
    EXPECT_EQ(ReadAll(dir + "/real/design.pln"), doc.m_text);
    EXPECT_EQ(FilesIn(dir + "/real"), std::vector<std::string>{"design.pln"});
  }
  // A link to a file that does not exist yet makes that file.
  fs::create_symlink("real/later.pln", dir + "/later.pln");
  CTextDoc later("made");
  ASSERT_TRUE(later.OnSaveDocument((dir + "/later.pln").c_str()));
  EXPECT_TRUE(fs::is_symlink(dir + "/later.pln"));
  EXPECT_EQ(ReadAll(dir + "/real/later.pln"), "made");
}

// Only a regular file is ever replaced: a FIFO, a directory, a link to either
// and a loop of links are refused with one message naming the path saved to,
// and stay what they were; the document stays modified and no temporary file
// is left beside the link or its target.
TEST(DurableSave, SavingOntoWhatIsNotARegularFileIsRefused) {
  const std::string dir = qxtest::MakeTempDir("save");
  fs::create_directory(dir + "/other");
  ASSERT_EQ(mkfifo((dir + "/other/pipe").c_str(), 0644), 0);
  fs::create_directory(dir + "/other/folder");
  fs::create_symlink("other/pipe", dir + "/to-pipe");
  fs::create_symlink("other/folder", dir + "/to-folder");
  fs::create_symlink("loop-b", dir + "/loop-a");
  fs::create_symlink("loop-a", dir + "/loop-b");
  const struct {
    const char* name;
    const char* path;
    const char* end;  // where the path leads, and what it stays
    fs::file_type stays;
  } rows[] = {
      {"a FIFO", "other/pipe", "other/pipe", fs::file_type::fifo},
      {"a directory", "other/folder", "other/folder", fs::file_type::directory},
      {"a link to a FIFO", "to-pipe", "other/pipe", fs::file_type::fifo},
      {"a link to a directory", "to-folder", "other/folder", fs::file_type::directory},
      {"a loop of links", "loop-a", "loop-a", fs::file_type::symlink},
  };
  const std::vector<std::string> before = FilesIn(dir), otherBefore = FilesIn(dir + "/other");
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    const std::string path = dir + "/" + row.path;
    CTextDoc doc("not to be written");
    doc.SetModifiedFlag();
    QxTest::MessageBoxScript boxes;
    EXPECT_FALSE(doc.OnSaveDocument(path.c_str()));
    ASSERT_EQ(boxes.Boxes().size(), 1u);
    EXPECT_NE(boxes.Boxes()[0].text.find(path), std::string::npos) << boxes.Boxes()[0].text;
    EXPECT_TRUE(doc.IsModified());
    EXPECT_EQ(fs::symlink_status(dir + "/" + row.end).type(), row.stays);
    EXPECT_EQ(FilesIn(dir), before);
    EXPECT_EQ(FilesIn(dir + "/other"), otherBefore);
  }
}

TEST(DurableSave, NewFilesFollowTheUmaskAndOldFilesKeepTheirMode) {
  const std::string dir = qxtest::MakeTempDir("save");
  const struct {
    const char* name;
    mode_t mask;
    int existing;  // -1: a new file
    mode_t expected;
  } rows[] = {
      {"new under 077", 077, -1, 0600},
      {"new under 022", 022, -1, 0644},
      {"new under 002", 002, -1, 0664},
      {"existing 0640 under 022", 022, 0640, 0640},
      {"existing 0600 under 002", 002, 0600, 0600},
  };
  int n = 0;
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    const std::string path = dir + "/f" + std::to_string(n++) + ".pln";
    if (row.existing >= 0) {
      std::ofstream(path) << "old";
      chmod(path.c_str(), static_cast<mode_t>(row.existing));
    }
    Umask mask(row.mask);
    CTextDoc doc("x");
    ASSERT_TRUE(doc.OnSaveDocument(path.c_str()));
    EXPECT_EQ(ModeOf(path), row.expected);
  }
  // The profile store goes the same way.
  Umask mask(077);
  QxProfile::SetRegistryKey((fs::path(dir).filename().string() + "-umask").c_str());
  ASSERT_TRUE(QxProfile::WriteProfileInt("Settings", "FontSize", 5));
  EXPECT_EQ(ModeOf(QxProfile::GetPath()), 0600u);
  QxProfile::SetRegistryKey(nullptr);
}
