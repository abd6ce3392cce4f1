// Archives: the byte layout of every width, string length prefixes, and what
// damaged input gets (a sticky failure, zeros, and never a read past the end).
#include "platform/core/Archive.h"
#include "platform/core/Exceptions.h"
#include "platform/core/File.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace {

using Bytes = std::vector<BYTE>;

// The input in a heap block of exactly its size, so that ASan sees any read past it.
struct ExactInput {
  explicit ExactInput(const Bytes& bytes)
      : size(bytes.size()), data(std::make_unique<BYTE[]>(bytes.size() ? bytes.size() : 1)) {
    std::copy(bytes.begin(), bytes.end(), data.get());
  }
  std::span<const BYTE> span() const { return {data.get(), size}; }
  size_t size;
  std::unique_ptr<BYTE[]> data;
};

template <class T>
void ExpectLayout(T value, const Bytes& bytes) {
  CArchive out(CArchive::store);
  out << value;
  EXPECT_EQ(out.GetStoredBytes(), bytes) << value;
  CArchive in(out.TakeStoredBytes());
  T back{};
  in >> back;
  EXPECT_EQ(back, value);
  EXPECT_FALSE(in.HasFailed());
}

template <class T>
void ExpectReadPastEndFails(const Bytes& bytes) {
  ExactInput input(bytes);
  CArchive ar(input.span());
  T value = T(9);
  ar >> value;
  EXPECT_EQ(value, T(0)) << bytes.size();
  EXPECT_TRUE(ar.HasFailed()) << bytes.size();
}

}  // namespace

// Float and double images are the IEEE 754 encodings of the values.
TEST(Archive, EachWidthIsLittleEndianAndReadsBack) {
  ExpectLayout(BYTE{0xAB}, {0xAB});
  ExpectLayout('A', {0x41});
  ExpectLayout(WORD{0x1234}, {0x34, 0x12});
  ExpectLayout(short{-2}, {0xFE, 0xFF});
  ExpectLayout(DWORD{0x12345678}, {0x78, 0x56, 0x34, 0x12});
  ExpectLayout(int{-100000}, {0x60, 0x79, 0xFE, 0xFF});
  ExpectLayout(1.0f, {0x00, 0x00, 0x80, 0x3F});
  ExpectLayout(-2.5, {0, 0, 0, 0, 0, 0, 0x04, 0xC0});
  ExpectLayout(-1e-300, {0x59, 0xF3, 0xF8, 0xC2, 0x1F, 0x6E, 0xA5, 0x81});
}

TEST(Archive, StringLengthPrefixForms) {
  const struct {
    int length;
    Bytes prefix;
  } rows[] = {
      {0, {0x00}},
      {254, {0xFE}},
      {255, {0xFF, 0xFF, 0x00}},
      {300, {0xFF, 0x2C, 0x01}},
      {0xFFFD, {0xFF, 0xFD, 0xFF}},
      {0xFFFE, {0xFF, 0xFF, 0xFF, 0xFE, 0xFF, 0x00, 0x00}},
      {0x12345, {0xFF, 0xFF, 0xFF, 0x45, 0x23, 0x01, 0x00}},
  };
  for (const auto& row : rows) {
    std::string text(static_cast<size_t>(row.length), 'x');
    for (size_t i = 0; i < text.size(); ++i) text[i] = static_cast<char>('a' + i % 26);
    CArchive out(CArchive::store);
    out << CString(text);
    Bytes bytes = out.TakeStoredBytes();
    Bytes expected = row.prefix;
    expected.insert(expected.end(), text.begin(), text.end());
    EXPECT_EQ(bytes, expected) << row.length;
    CArchive in(bytes);
    CString back;
    in >> back;
    EXPECT_FALSE(in.HasFailed()) << row.length;
    EXPECT_EQ(back.str(), text) << row.length;
  }
}

TEST(Archive, ReadPastEndFailsWithZerosAndNoOverRead) {
  ExpectReadPastEndFails<BYTE>({});
  ExpectReadPastEndFails<WORD>({0x11});
  ExpectReadPastEndFails<DWORD>({1, 2, 3});
  ExpectReadPastEndFails<int>({1, 2, 3});
  ExpectReadPastEndFails<float>({1, 2, 3});
  ExpectReadPastEndFails<double>({1, 2, 3, 4, 5, 6, 7});
}

TEST(Archive, EveryTruncationOfARecordFails) {
  CArchive out(CArchive::store);
  out << WORD{0x0300} << CString(std::string(300, 'v')) << 1.5 << DWORD{9} << CString("s");
  const Bytes full = out.GetStoredBytes();
  for (size_t cut = 0; cut <= full.size(); ++cut) {
    ExactInput input(Bytes(full.begin(), full.begin() + cut));
    CArchive in(input.span());
    WORD type;
    CString name, tail;
    double value;
    DWORD count;
    in >> type >> name >> value >> count >> tail;
    EXPECT_EQ(in.HasFailed() != 0, cut < full.size()) << "cut at " << cut;
  }
}

TEST(Archive, FailureIsStickyAndLeavesNothingToRead) {
  ExactInput input({1, 2, 3, 4, 5});
  CArchive ar(input.span());
  WORD w = 0;
  ar >> w;
  EXPECT_EQ(ar.GetBytesRemaining(), 3u);  // what bounds a loader's allocation
  DWORD tooWide = 1;
  ar >> tooWide;
  ASSERT_TRUE(ar.HasFailed());
  EXPECT_EQ(ar.GetBytesRemaining(), 0u);
  // Three bytes are still unread, but a failed archive gives nothing more.
  BYTE b = 1;
  BYTE raw[2] = {5, 5};
  ar >> b;
  EXPECT_EQ(b, 0);
  EXPECT_EQ(ar.Read(raw, 2), 0u);
  EXPECT_EQ(raw[0], 0);

  // A short raw read returns its count and zero-fills the rest.
  ExactInput four({1, 2, 3, 4});
  CArchive shortRead(four.span());
  BYTE block[8];
  std::fill(std::begin(block), std::end(block), 0xEE);
  EXPECT_EQ(shortRead.Read(block, 8), 4u);
  EXPECT_EQ(Bytes(block, block + 8), (Bytes{1, 2, 3, 4, 0, 0, 0, 0}));
  EXPECT_TRUE(shortRead.HasFailed());
}

TEST(Archive, StringLongerThanInputFailsWithoutReading) {
  const Bytes rows[] = {
      {0x05, 'a', 'b'},
      {0xFF, 0x2C, 0x01, 'a', 'b'},
      {0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0x7F, 'a'},  // a huge length
      {0xFF, 0x2C},                                     // a truncated prefix
      {0xFF, 0xFE, 0xFF, 0x01, 'a'},                    // the wide-string marker
  };
  for (const Bytes& row : rows) {
    ExactInput input(row);
    CArchive ar(input.span());
    CString s("previous");
    ar >> s;
    EXPECT_TRUE(ar.HasFailed()) << row.size();
    EXPECT_TRUE(s.IsEmpty()) << row.size();
  }
  // Read through a file, the length is checked against the rest of the file.
  std::string path = qxtest::MakeTempDir("archive") + "/short.bin";
  {
    CFile file(path.c_str(), CFile::modeCreate | CFile::modeWrite);
    BYTE bytes[] = {0xFF, 0xFF, 0xFF, 0x00, 0x00, 0x01, 0x00, 'a', 'b'};  // claims 65536 bytes
    file.Write(bytes, sizeof bytes);
  }
  CFile file(path.c_str(), CFile::modeRead);
  CArchive ar(&file, CArchive::load, 4);
  CString s;
  ar >> s;
  EXPECT_TRUE(ar.HasFailed());
  EXPECT_TRUE(s.IsEmpty());
}

TEST(Archive, WritingToALoadingArchiveThrows) {
  CArchive ar(Bytes{1, 2});
  try {
    ar << BYTE{1};
    ADD_FAILURE() << "no exception";
  } catch (CException* e) {
    auto* archiveError = DYNAMIC_DOWNCAST(CArchiveException, e);
    EXPECT_TRUE(archiveError && archiveError->m_cause == CArchiveException::readOnly);
    e->Delete();
  }
}

// A small buffer crosses many boundaries; the file holds what a memory archive holds.
TEST(Archive, FileRoundTripAcrossBufferBoundaries) {
  std::string path = qxtest::MakeTempDir("archive") + "/design.qox";
  CString longText(std::string(300, 'q'));
  auto write = [&](CArchive& ar) {
    for (int i = 0; i < 50; ++i) ar << WORD(i) << DWORD(i * 1000003) << i * 0.5;
    ar << longText;
  };
  CArchive memory(CArchive::store);
  write(memory);
  {
    CFile file(path.c_str(), CFile::modeCreate | CFile::modeWrite | CFile::typeBinary);
    CArchive ar(&file, CArchive::store, 16);
    write(ar);
    ar.Close();
  }
  CFile file(path.c_str(), CFile::modeRead | CFile::shareDenyWrite);
  EXPECT_EQ(file.GetLength(), memory.GetStoredBytes().size());
  CArchive ar(&file, CArchive::load, 16);
  bool same = true;
  for (int i = 0; i < 50; ++i) {
    WORD w;
    DWORD d;
    double x;
    ar >> w >> d >> x;
    same = same && w == i && d == DWORD(i * 1000003) && x == i * 0.5;
  }
  EXPECT_TRUE(same);
  CString back;
  BYTE extra = 1;
  ar >> back;
  EXPECT_EQ(back, longText);
  EXPECT_FALSE(ar.HasFailed());
  ar >> extra;
  EXPECT_TRUE(ar.HasFailed());
  EXPECT_EQ(extra, 0);
}

TEST(Archive, SharedFileCarriesOneRecordThroughAGlobalBlock) {
  CSharedFile outFile(GMEM_MOVEABLE | GMEM_DDESHARE, 4096);
  CArchive out(&outFile, CArchive::store, 4096);
  out << WORD{0x0300} << CString("x1") << 2.5;
  out.Close();
  HGLOBAL block = outFile.Detach();
  ASSERT_NE(block, nullptr);
  // The block grows in whole steps; the bytes after the record mean nothing.
  EXPECT_EQ(GlobalSize(block), 4096u);
  CSharedFile inFile;
  inFile.SetHandle(block, FALSE);
  CArchive in(&inFile, CArchive::load, 4096);
  WORD type;
  CString name;
  double value;
  in >> type >> name >> value;
  in.Close();
  inFile.Detach();
  EXPECT_FALSE(in.HasFailed());
  EXPECT_TRUE(type == 0x0300 && name == "x1" && value == 2.5);
  EXPECT_EQ(GlobalFree(block), nullptr);
}
