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

template <class T>
Bytes Stored(T value) {
  CArchive ar(CArchive::store);
  ar << value;
  return ar.GetStoredBytes();
}

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

}  // namespace

TEST(Archive, EachWidthIsLittleEndian) {
  // Float and double images are the IEEE 754 encodings of the values.
  EXPECT_EQ(Stored(BYTE{0xAB}), (Bytes{0xAB}));
  EXPECT_EQ(Stored('A'), (Bytes{0x41}));
  EXPECT_EQ(Stored(WORD{0x1234}), (Bytes{0x34, 0x12}));
  EXPECT_EQ(Stored(short{-2}), (Bytes{0xFE, 0xFF}));
  EXPECT_EQ(Stored(DWORD{0x12345678}), (Bytes{0x78, 0x56, 0x34, 0x12}));
  EXPECT_EQ(Stored(int{-2}), (Bytes{0xFE, 0xFF, 0xFF, 0xFF}));
  EXPECT_EQ(Stored(LONG{-100000}), (Bytes{0x60, 0x79, 0xFE, 0xFF}));
  EXPECT_EQ(Stored(1.0f), (Bytes{0x00, 0x00, 0x80, 0x3F}));
  EXPECT_EQ(Stored(1.0), (Bytes{0, 0, 0, 0, 0, 0, 0xF0, 0x3F}));
  EXPECT_EQ(Stored(-2.5), (Bytes{0, 0, 0, 0, 0, 0, 0x04, 0xC0}));
}

TEST(Archive, PlaceholderRecordHeaderExample) {
  CArchive ar(CArchive::store);
  ar << WORD{0x0400} << WORD{0} << WORD{0} << WORD{16};
  ar << DWORD{0} << DWORD{0} << DWORD{8} << DWORD{20};
  Bytes expected = {0x00, 0x04, 0x00, 0x00, 0x00, 0x00, 0x10, 0x00, 0,    0, 0, 0,
                    0,    0,    0,    0,    0x08, 0,    0,    0,    0x14, 0, 0, 0};
  EXPECT_EQ(ar.GetStoredBytes(), expected);
}

TEST(Archive, StringLengthPrefixForms) {
  struct Row {
    int length;
    Bytes prefix;
  } rows[] = {
      {0, {0x00}},
      {3, {0x03}},
      {254, {0xFE}},
      {255, {0xFF, 0xFF, 0x00}},
      {300, {0xFF, 0x2C, 0x01}},
      {0xFFFD, {0xFF, 0xFD, 0xFF}},
      {0xFFFE, {0xFF, 0xFF, 0xFF, 0xFE, 0xFF, 0x00, 0x00}},
      {0x12345, {0xFF, 0xFF, 0xFF, 0x45, 0x23, 0x01, 0x00}},
  };
  for (const Row& row : rows) {
    std::string text(static_cast<size_t>(row.length), 'x');
    for (size_t i = 0; i < text.size(); ++i) text[i] = static_cast<char>('a' + i % 26);
    Bytes bytes = Stored(CString(text));
    ASSERT_EQ(bytes.size(), row.prefix.size() + text.size()) << row.length;
    EXPECT_EQ(Bytes(bytes.begin(), bytes.begin() + row.prefix.size()), row.prefix) << row.length;
    EXPECT_EQ(std::string(bytes.begin() + row.prefix.size(), bytes.end()), text) << row.length;

    CArchive in(bytes);
    CString back;
    in >> back;
    EXPECT_FALSE(in.HasFailed()) << row.length;
    EXPECT_EQ(back.str(), text) << row.length;
  }
}

TEST(Archive, ValuesRoundTrip) {
  CArchive out(CArchive::store);
  out << BYTE{7} << 'z' << WORD{65535} << short{-32768} << DWORD{0xFFFFFFFF} << int{-123456}
      << 3.25f << -1e-300 << CString("comment") << "literal";
  CArchive in(out.TakeStoredBytes());
  BYTE b;
  char c;
  WORD w;
  short s;
  DWORD d;
  int i;
  float f;
  double x;
  CString s1, s2;
  in >> b >> c >> w >> s >> d >> i >> f >> x >> s1 >> s2;
  EXPECT_FALSE(in.HasFailed());
  EXPECT_EQ(b, 7);
  EXPECT_EQ(c, 'z');
  EXPECT_EQ(w, 65535);
  EXPECT_EQ(s, -32768);
  EXPECT_EQ(d, 0xFFFFFFFFu);
  EXPECT_EQ(i, -123456);
  EXPECT_EQ(f, 3.25f);
  EXPECT_EQ(x, -1e-300);
  EXPECT_EQ(s1, "comment");
  EXPECT_EQ(s2, "literal");
}

TEST(Archive, ReadPastEndFailsWithZerosAndNoOverRead) {
  struct Row {
    const char* name;
    Bytes input;
    void (*read)(CArchive&, double* got);
  } rows[] = {
      {"byte",
       {},
       [](CArchive& ar, double* got) {
         BYTE v = 9;
         ar >> v;
         *got = v;
       }},
      {"word",
       {0x11},
       [](CArchive& ar, double* got) {
         WORD v = 9;
         ar >> v;
         *got = v;
       }},
      {"dword",
       {1, 2, 3},
       [](CArchive& ar, double* got) {
         DWORD v = 9;
         ar >> v;
         *got = v;
       }},
      {"int",
       {1, 2, 3},
       [](CArchive& ar, double* got) {
         int v = 9;
         ar >> v;
         *got = v;
       }},
      {"double",
       {1, 2, 3, 4, 5, 6, 7},
       [](CArchive& ar, double* got) {
         double v = 9;
         ar >> v;
         *got = v;
       }},
      {"float",
       {1, 2, 3},
       [](CArchive& ar, double* got) {
         float v = 9;
         ar >> v;
         *got = v;
       }},
  };
  for (const Row& row : rows) {
    ExactInput input(row.input);
    CArchive ar(input.span());
    double got = -1;
    row.read(ar, &got);
    EXPECT_EQ(got, 0.0) << row.name;
    EXPECT_TRUE(ar.HasFailed()) << row.name;
  }
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

TEST(Archive, FailureIsStickyAndLaterReadsYieldZeros) {
  ExactInput input({0xAA, 0xBB, 0xCC});
  CArchive ar(input.span());
  DWORD tooWide = 1;
  ar >> tooWide;
  ASSERT_TRUE(ar.HasFailed());
  // Three bytes are still unread, but a failed archive gives nothing more.
  BYTE b = 1;
  WORD w = 1;
  BYTE raw[2] = {5, 5};
  ar >> b >> w;
  EXPECT_EQ(b, 0);
  EXPECT_EQ(w, 0);
  EXPECT_EQ(ar.Read(raw, 2), 0u);
  EXPECT_EQ(raw[0], 0);
  EXPECT_TRUE(ar.HasFailed());
}

TEST(Archive, RemainingBytesBoundWhatALoaderMayAllocate) {
  CArchive ar(Bytes{1, 2, 3, 4, 5});
  WORD w;
  ar >> w;
  EXPECT_EQ(ar.GetBytesRemaining(), 3u);
  DWORD d;
  ar >> d;
  EXPECT_EQ(ar.GetBytesRemaining(), 0u);  // failed: nothing more will be read
}

TEST(Archive, ShortRawReadReturnsCountAndZeroFills) {
  ExactInput input({1, 2, 3, 4});
  CArchive ar(input.span());
  BYTE block[8];
  std::fill(std::begin(block), std::end(block), 0xEE);
  EXPECT_EQ(ar.Read(block, 8), 4u);
  EXPECT_EQ(Bytes(block, block + 8), (Bytes{1, 2, 3, 4, 0, 0, 0, 0}));
  EXPECT_TRUE(ar.HasFailed());
}

TEST(Archive, StringLongerThanInputFailsWithoutReading) {
  struct Row {
    const char* name;
    Bytes input;
  } rows[] = {
      {"byte length", {0x05, 'a', 'b'}},
      {"word length", {0xFF, 0x2C, 0x01, 'a', 'b'}},
      {"huge dword length", {0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0x7F, 'a'}},
      {"truncated prefix", {0xFF, 0x2C}},
      {"wide-string marker", {0xFF, 0xFE, 0xFF, 0x01, 'a'}},
  };
  for (const Row& row : rows) {
    ExactInput input(row.input);
    CArchive ar(input.span());
    CString s("previous");
    ar >> s;
    EXPECT_TRUE(ar.HasFailed()) << row.name;
    EXPECT_TRUE(s.IsEmpty()) << row.name;
  }
}

TEST(Archive, WritingToLoadingArchiveThrows) {
  CArchive ar(Bytes{1, 2});
  try {
    ar << BYTE{1};
    FAIL() << "no exception";
  } catch (CException* e) {
    auto* archiveError = DYNAMIC_DOWNCAST(CArchiveException, e);
    ASSERT_NE(archiveError, nullptr);
    EXPECT_EQ(archiveError->m_cause, CArchiveException::readOnly);
    e->Delete();
  }
}

TEST(Archive, FileRoundTripAcrossBufferBoundaries) {
  std::string path = qxtest::MakeTempDir("archive") + "/design.qox";
  CString longText(std::string(300, 'q'));
  CArchive memory(CArchive::store);
  {
    CFile file;
    ASSERT_TRUE(file.Open(path.c_str(), CFile::modeCreate | CFile::modeWrite | CFile::typeBinary));
    CArchive ar(&file, CArchive::store, 16);  // a small buffer crosses many boundaries
    for (int i = 0; i < 50; ++i) {
      ar << WORD(i) << DWORD(i * 1000003) << i * 0.5;
      memory << WORD(i) << DWORD(i * 1000003) << i * 0.5;
    }
    ar << longText;
    memory << longText;
    ar.Close();
    file.Close();
  }
  CFile file;
  ASSERT_TRUE(file.Open(path.c_str(), CFile::modeRead | CFile::shareDenyWrite));
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
  ar >> back;
  EXPECT_EQ(back, longText);
  EXPECT_FALSE(ar.HasFailed());
  BYTE extra = 1;
  ar >> extra;
  EXPECT_TRUE(ar.HasFailed());
  EXPECT_EQ(extra, 0);
}

TEST(Archive, FileStringLengthIsCheckedAgainstTheRestOfTheFile) {
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

TEST(Archive, SharedFileCarriesOneRecordThroughAGlobalBlock) {
  CSharedFile outFile(GMEM_MOVEABLE | GMEM_DDESHARE, 4096);
  CArchive out(&outFile, CArchive::store, 4096);
  out << WORD{0x0300} << CString("x1") << 2.5;
  out.Flush();
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
  EXPECT_EQ(type, 0x0300);
  EXPECT_EQ(name, "x1");
  EXPECT_EQ(value, 2.5);
  EXPECT_EQ(GlobalFree(block), nullptr);
}
