#include "platform/core/File.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <string>

namespace {

// The cause of the CFileException that action throws, or -1 when it throws none.
template <class Action>
int FileErrorCause(Action action) {
  try {
    action();
  } catch (CException* e) {
    auto* fileError = DYNAMIC_DOWNCAST(CFileException, e);
    int cause = fileError ? fileError->m_cause : -2;
    e->Delete();
    return cause;
  }
  return -1;
}

}  // namespace

TEST(File, OpenReportsTheCause) {
  std::string dir = qxtest::MakeTempDir("file");
  CFileException error;
  CFile file;
  EXPECT_FALSE(file.Open((dir + "/missing.qox").c_str(), CFile::modeRead, &error));
  EXPECT_EQ(error.m_cause, CFileException::fileNotFound);
  EXPECT_FALSE(file.Open(dir.c_str(), CFile::modeRead, &error));
  EXPECT_EQ(error.m_cause, CFileException::accessDenied);
  EXPECT_EQ(FileErrorCause([&] { CFile f((dir + "/nope/x").c_str(), CFile::modeRead); }),
            CFileException::fileNotFound);
}

TEST(File, WriteSeekReadBack) {
  std::string path = qxtest::MakeTempDir("file") + "/data.bin";
  {
    CFile file(path.c_str(), CFile::modeCreate | CFile::modeReadWrite | CFile::typeBinary);
    file.Write("0123456789", 10);
    EXPECT_EQ(file.GetLength(), 10u);
    EXPECT_EQ(file.Seek(-4, CFile::end), 6u);
    char four[4];
    EXPECT_EQ(file.Read(four, 4), 4u);
    EXPECT_EQ(std::string(four, 4), "6789");
    EXPECT_EQ(file.Read(four, 4), 0u);
    EXPECT_EQ(FileErrorCause([&] { file.Seek(-11, CFile::end); }), CFileException::badSeek);
  }
  CFile file(path.c_str(), CFile::modeRead);
  EXPECT_EQ(FileErrorCause([&] { file.Write("x", 1); }), CFileException::accessDenied);
}

TEST(MemFile, FixedBufferRefusesToGrowAndGapsReadAsZeros) {
  BYTE buffer[4] = {1, 2, 3, 4};
  CMemFile fixed(buffer, sizeof buffer);
  fixed.Seek(2, CFile::begin);
  fixed.Write("ab", 2);
  EXPECT_EQ(buffer[3], 'b');
  EXPECT_EQ(FileErrorCause([&] { fixed.Write("c", 1); }), CFileException::diskFull);
  EXPECT_EQ(fixed.Detach(), buffer);

  CMemFile file(8);
  file.Write("ab", 2);
  file.Seek(5, CFile::begin);
  file.Write("z", 1);
  file.SeekToBegin();
  char all[6];
  EXPECT_EQ(file.Read(all, 6), 6u);
  EXPECT_EQ(std::string(all, 6), std::string("ab\0\0\0z", 6));
}

TEST(GlobalMemory, StaleHandlesFailSafely) {
  HGLOBAL block = GlobalAlloc(GHND, 16);
  ASSERT_NE(block, nullptr);
  auto* bytes = static_cast<BYTE*>(GlobalLock(block));
  ASSERT_NE(bytes, nullptr);
  EXPECT_EQ(bytes[15], 0);
  GlobalUnlock(block);
  EXPECT_EQ(GlobalFree(block), nullptr);
  EXPECT_EQ(GlobalLock(block), nullptr);
  EXPECT_EQ(GlobalSize(block), 0u);
  EXPECT_EQ(GlobalFree(block), block);
  EXPECT_EQ(GlobalAlloc(GHND, SIZE_T{1} << 40), nullptr);
}
