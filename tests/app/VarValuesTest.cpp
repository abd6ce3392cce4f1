// The variable table: built-in entries, binding, growth, numbered pairs and
// the table's file record.
#include "MC/Mc_listsum.h"
#include "MC/Mc_variable.h"
#include "VARvalues.h"
#include "platform/core/Archive.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <string>
#include <vector>

namespace {

// Binding walks the whole tree, nested sums included, and matches an entry by
// name, subscript and style; a new entry is made for anything else.
TEST(VarValues, BindingMatchesNameSubscriptAndStyle) {
  const struct {
    const char* name;
    const char* subscript;
    WORD flags;
    int entry;  // expected entry; -1: a new one
  } cases[] = {
      {"s", "", 0x0000, 0},   {"e", "", 0x0100, 3},  // the constant e
      {"p", "", 0x0110, 4},                          // pi: Greek constant
      {"f", "11", 0x0041, 5},                        // sign and size level do not count
      {"e", "", 0x0000, -1},  // italic e is a user variable, not the constant
      {"k", "1", 0x0000, -1}, {"k", "11", 0x0000, -1},  // a longer subscript is another name
      {"k", "1", 0x0003, 7},                            // the same k_1 again
      {"x", "", 0x0600, -1},                            // bold x
      {"x", "", 0x0000, -1},                            // plain x: the decoration differs
      {"q", "", 0x0243, -1},                            // stored without the sign bits
  };
  CMcListsum tree(0);
  CMcListsum* inner = new CMcListsum(0);  // from k_11 on, one level down
  std::vector<CMcVariable*> nodes;
  for (const auto& c : cases) {
    nodes.push_back(new CMcVariable(c.name, c.subscript, c.flags));
    (nodes.size() <= 6 ? &tree : inner)->AppendChild(nodes.back());
  }
  tree.AppendChild(inner);
  CVARvalues vars;
  vars.BindVariables(&tree);
  int next = 6;
  for (size_t i = 0; i < nodes.size(); ++i) {
    const int expected = cases[i].entry < 0 ? next++ : cases[i].entry;
    EXPECT_EQ(nodes[i]->m_index, expected) << cases[i].name << "_" << cases[i].subscript;
    EXPECT_EQ(vars.m_pUsed[expected], 1);
  }
  EXPECT_EQ(vars.m_nCount, next);
  // A new entry: value 1, range -10..10, the node's flags without the sign bits.
  EXPECT_EQ(vars.m_pValue[6], 1.0);
  EXPECT_EQ(vars.m_pMin[6], -10.0);
  EXPECT_EQ(vars.m_pMax[6], 10.0);
  EXPECT_EQ(vars.m_pFlags[next - 1], 0x0240);
}

TEST(VarValues, The257thEntryDoublesTheCapacity) {
  CVARvalues vars;
  for (int i = 0; vars.m_nCount < 256; ++i) {
    CMcVariable v("v", std::to_string(i).c_str(), 0);
    vars.BindVariables(&v);
  }
  EXPECT_EQ(vars.m_nCapacity, 256);
  CMcVariable last("w", "", 0);
  vars.BindVariables(&last);
  EXPECT_EQ(last.m_index, 256);
  EXPECT_EQ(vars.m_nCapacity, 512);
  EXPECT_STREQ(vars.GetSubscript(100), "94");  // earlier entries moved intact

  CArchive out(CArchive::store);
  ASSERT_TRUE(vars.Serialize(out));
  const std::vector<BYTE> bytes = out.TakeStoredBytes();
  EXPECT_EQ(bytes[4] | bytes[5] << 8, 512);
  CVARvalues loaded;
  CArchive in(bytes);
  ASSERT_TRUE(loaded.Serialize(in));
  EXPECT_EQ(loaded.m_nCount, 257);
  EXPECT_EQ(loaded.m_nCapacity, 512);
  EXPECT_STREQ(loaded.GetName(256), "w");
}

// A numbered pair is a_11p1 and a_11p1j; the first unused pair is taken again.
TEST(VarValues, AddNumberedMakesAndReusesPairs) {
  CVARvalues vars;
  char sub[16];
  for (int expected : {6, 8})
    EXPECT_EQ(vars.AddNumbered("a", std::strcpy(sub, "11p"), 16), expected);
  EXPECT_STREQ(sub, "11p2");
  EXPECT_STREQ(vars.GetSubscript(6), "11p1");
  EXPECT_STREQ(vars.GetSubscript(9), "11p2j");
  EXPECT_EQ(vars.m_pUsed[8] + vars.m_pUsed[9], 2);
  vars.m_pUsed[6] = vars.m_pUsed[7] = 0;
  EXPECT_EQ(vars.AddNumbered("a", std::strcpy(sub, "11p"), sizeof sub), 6);
  EXPECT_STREQ(sub, "11p1");
  EXPECT_EQ(vars.m_pUsed[6] + vars.m_pUsed[7], 2);
  char tight[5] = "11p";  // "11p3" fits, but "11p3j" would not
  EXPECT_EQ(vars.AddNumbered("a", tight, sizeof tight), -1);
  EXPECT_EQ(vars.m_nCount, 10);
}

// Little-endian writers for the expected record.
void Put(std::vector<BYTE>& b, unsigned long long v, int bytes) {
  for (int i = 0; i < bytes; ++i) b.push_back(BYTE(v >> (8 * i)));
}
void PutDouble(std::vector<BYTE>& b, double d) {
  unsigned long long bits;
  std::memcpy(&bits, &d, 8);
  Put(b, bits, 8);
}

TEST(VarValues, RecordBytes) {
  CVARvalues vars;
  CMcVariable accented("\xE9", "", 0x10);  // a byte above 0x7F
  vars.BindVariables(&accented);
  CArchive out(CArchive::store);
  vars.Serialize(out);
  const std::vector<BYTE> bytes = out.TakeStoredBytes();

  std::vector<BYTE> expected;
  Put(expected, 7, 4);
  Put(expected, 256, 4);
  struct Entry {
    WORD style;
    double value, minimum, maximum;
    std::string buffer;
  } entries[] = {
      {0, 1.0, 0.0, 1.0, std::string("s\0\0", 3)},
      {0, 1.0, 0.0, 1.0, std::string("t\0\0", 3)},
      {0x100, 1.0, 0.0, 1.0, std::string("j\0\0", 3)},
      {0x100, std::exp(1.0), 0.0, 1.0, std::string("e\0\0", 3)},
      {0x110, 2.0 * std::asin(1.0), 0.0, 1.0, std::string("p\0\0", 3)},
      {0, 1.0, -10.0, 10.0,
       std::string("f\0"
                   "11\0",
                   5)},
      {0x10, 1.0, -10.0, 10.0, std::string("\xE9\0\0", 3)},
  };
  for (const Entry& e : entries) {
    Put(expected, e.style, 2);
    PutDouble(expected, e.value);
    PutDouble(expected, e.minimum);
    PutDouble(expected, e.maximum);
    Put(expected, e.buffer.size(), 2);
    // Each byte is written as a sign-extended 16-bit character: 0xE9 as E9 FF.
    for (char c : e.buffer)
      Put(expected, static_cast<unsigned long long>(static_cast<signed char>(c)), 2);
  }
  EXPECT_EQ(bytes, expected);

  CVARvalues loaded;
  loaded.m_pUsed[5] = 1;
  CArchive in(bytes);
  ASSERT_TRUE(loaded.Serialize(in));
  EXPECT_EQ(loaded.m_nCount, 7);
  EXPECT_STREQ(loaded.GetName(6), "\xE9");
  EXPECT_EQ(loaded.m_pFlags[6], 0x10);
  EXPECT_EQ(loaded.m_pUsed[5], 0);  // used marks are not stored
  EXPECT_EQ(loaded.m_pValue[3], std::exp(1.0));
}

// Counts and lengths are checked against what the record can hold; a refused
// record leaves the table as it was.
TEST(VarValues, DamagedRecordsLeaveTheTableAlone) {
  CVARvalues source;  // seven entries, the last a user's x
  CMcVariable x("x", "", 0);
  source.BindVariables(&x);
  CArchive out(CArchive::store);
  source.Serialize(out);
  const std::vector<BYTE> good = out.TakeStoredBytes();
  const struct {
    const char* what;
    size_t offset;
    std::vector<BYTE> bytes;
  } cases[] = {
      {"count above capacity", 4, {6, 0}},  // seven entries for six places
      {"negative count", 3, {0x80}},
      {"forged capacity", 7, {0x40}},
      {"name length 1", 34, {1}},
      {"name without final zero", 40, {'x'}},
      {"name without separator", 38, {'x'}},
  };
  for (const auto& c : cases) {
    std::vector<BYTE> bad = good;
    std::copy(c.bytes.begin(), c.bytes.end(), bad.begin() + static_cast<long>(c.offset));
    CVARvalues vars;
    CMcVariable k("k", "", 0);
    vars.BindVariables(&k);
    CArchive in(bad);
    EXPECT_FALSE(vars.Serialize(in)) << c.what;
    EXPECT_TRUE(in.HasFailed()) << c.what;
    EXPECT_EQ(vars.m_nCount, 7) << c.what;
    EXPECT_STREQ(vars.GetName(6), "k") << c.what;
  }
  for (size_t cut = 0; cut < good.size(); cut += 7) {
    CVARvalues vars;
    CArchive in(std::vector<BYTE>(good.begin(), good.begin() + cut));
    EXPECT_FALSE(vars.Serialize(in)) << cut;
    EXPECT_EQ(vars.m_nCount, 6);
  }
}

}  // namespace
