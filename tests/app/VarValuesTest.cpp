// The variable table: built-in entries, binding, growth, numbered pairs and
// the table's file record.
#include "MC/Mc_listsum.h"
#include "MC/Mc_variable.h"
#include "VARvalues.h"
#include "platform/core/Archive.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <string>
#include <vector>

namespace {

TEST(VarValues, BuiltInEntries) {
  CVARvalues vars;
  ASSERT_EQ(vars.m_nCount, 6);
  EXPECT_EQ(vars.m_nCapacity, 256);
  const char* names[] = {"s", "t", "j", "e", "p", "f"};
  const WORD styles[] = {0, 0, 0x100, 0x100, 0x110, 0};
  for (int i = 0; i < 6; ++i) {
    EXPECT_STREQ(vars.GetName(i), names[i]);
    EXPECT_EQ(vars.m_pFlags[i], styles[i]);
  }
  EXPECT_STREQ(vars.GetSubscript(5), "11");
  EXPECT_EQ(vars.m_pValue[3], std::exp(1.0));
  EXPECT_EQ(vars.m_pValue[4], std::acos(-1.0));
  double value, minimum, maximum;
  vars.Get(0, &value, &minimum, &maximum);  // user variable 0 is f_11
  EXPECT_EQ(value, 1.0);
  EXPECT_EQ(minimum, -10.0);
  EXPECT_EQ(maximum, 10.0);
  vars.SetValue(0, 3.5);
  vars.SetRange(0, -1.0, 2.0);
  vars.Get(0, &value, &minimum, &maximum);
  EXPECT_EQ(value, 3.5);
  EXPECT_EQ(minimum, -1.0);
  EXPECT_EQ(maximum, 2.0);
}

struct BindCase {
  const char* name;
  const char* subscript;
  WORD flags;
  int entry;  // expected entry; -1: a new one
};

TEST(VarValues, BindingMatchesNameSubscriptAndStyle) {
  CVARvalues vars;
  const BindCase cases[] = {
      {"s", "", 0x0000, 0},   {"e", "", 0x0100, 3},  // the constant e
      {"p", "", 0x0110, 4},                          // pi: Greek constant
      {"f", "11", 0x0041, 5},                        // sign and size level do not count
      {"e", "", 0x0000, -1},  // italic e is a user variable, not the constant
      {"k", "1", 0x0000, -1}, {"k", "11", 0x0000, -1},  // a longer subscript is another name
      {"k", "1", 0x0003, 7},                            // the same k_1 again
      {"x", "", 0x0600, -1},                            // bold x
      {"x", "", 0x0000, -1},                            // plain x: the decoration differs
  };
  int next = 6;
  for (const BindCase& c : cases) {
    CMcVariable node(c.name, c.subscript, c.flags);
    vars.BindVariables(&node);
    const int expected = c.entry < 0 ? next++ : c.entry;
    EXPECT_EQ(node.m_index, expected) << c.name << "_" << c.subscript;
    EXPECT_EQ(vars.m_pUsed[expected], 1);
  }
  EXPECT_EQ(vars.m_nCount, next);
  // A new entry: value 1, range -10..10, the node's flags without the sign bits.
  EXPECT_EQ(vars.m_pValue[6], 1.0);
  EXPECT_EQ(vars.m_pMin[6], -10.0);
  EXPECT_EQ(vars.m_pMax[6], 10.0);
  CMcVariable signedNew("q", "", 0x0243);
  vars.BindVariables(&signedNew);
  EXPECT_EQ(vars.m_pFlags[signedNew.m_index], 0x0240);
}

TEST(VarValues, BindingWalksTheWholeTree) {
  CVARvalues vars;
  CMcListsum sum(0);
  sum.AppendChild(new CMcVariable("a", "", 0));
  sum.AppendChild(new CMcVariable("s", "", 0));
  CMcListsum* inner = new CMcListsum(0);
  inner->AppendChild(new CMcVariable("a", "", 1));
  inner->AppendChild(new CMcVariable("b", "", 0));
  sum.AppendChild(inner);
  vars.BindVariables(&sum);
  EXPECT_EQ(static_cast<CMcVariable*>(sum.m_children[0])->m_index, 6);
  EXPECT_EQ(static_cast<CMcVariable*>(sum.m_children[1])->m_index, 0);
  EXPECT_EQ(static_cast<CMcVariable*>(inner->m_children[0])->m_index, 6);
  EXPECT_EQ(static_cast<CMcVariable*>(inner->m_children[1])->m_index, 7);
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

TEST(VarValues, AddNumberedMakesAndReusesPairs) {
  CVARvalues vars;
  char sub[16] = "11p";
  const int first = vars.AddNumbered("a", sub, sizeof sub);
  EXPECT_EQ(first, 6);
  EXPECT_STREQ(sub, "11p1");
  EXPECT_STREQ(vars.GetSubscript(6), "11p1");
  EXPECT_STREQ(vars.GetSubscript(7), "11p1j");
  EXPECT_EQ(vars.m_pUsed[6] + vars.m_pUsed[7], 2);

  std::strcpy(sub, "11p");
  EXPECT_EQ(vars.AddNumbered("a", sub, sizeof sub), 8);
  EXPECT_STREQ(sub, "11p2");
  EXPECT_STREQ(vars.GetSubscript(9), "11p2j");

  vars.m_pUsed[6] = vars.m_pUsed[7] = 0;
  std::strcpy(sub, "11p");
  EXPECT_EQ(vars.AddNumbered("a", sub, sizeof sub), 6);
  EXPECT_STREQ(sub, "11p1");
  EXPECT_EQ(vars.m_nCount, 10);
  EXPECT_EQ(vars.m_pUsed[6] + vars.m_pUsed[7], 2);

  char tight[5] = "11p";  // "11p3" fits, but "11p3j" would not
  EXPECT_EQ(vars.AddNumbered("a", tight, sizeof tight), -1);
  EXPECT_EQ(vars.m_nCount, 10);
}

// Little-endian writers for the expected record.
void Put16(std::vector<BYTE>& b, unsigned v) {
  b.push_back(v & 0xFF);
  b.push_back((v >> 8) & 0xFF);
}
void Put32(std::vector<BYTE>& b, unsigned v) {
  Put16(b, v & 0xFFFF);
  Put16(b, v >> 16);
}
void PutDouble(std::vector<BYTE>& b, double d) {
  unsigned long long bits;
  std::memcpy(&bits, &d, 8);
  for (int i = 0; i < 8; ++i) b.push_back((bits >> (8 * i)) & 0xFF);
}

TEST(VarValues, RecordBytes) {
  CVARvalues vars;
  CMcVariable accented("\xE9", "", 0x10);  // a byte above 0x7F
  vars.BindVariables(&accented);
  CArchive out(CArchive::store);
  vars.Serialize(out);
  const std::vector<BYTE> bytes = out.TakeStoredBytes();

  std::vector<BYTE> expected;
  Put32(expected, 7);
  Put32(expected, 256);
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
    Put16(expected, e.style);
    PutDouble(expected, e.value);
    PutDouble(expected, e.minimum);
    PutDouble(expected, e.maximum);
    Put16(expected, static_cast<unsigned>(e.buffer.size()));
    for (char c : e.buffer)
      Put16(expected,
            static_cast<BYTE>(c) >= 0x80 ? 0xFF00u | static_cast<BYTE>(c) : static_cast<BYTE>(c));
  }
  EXPECT_EQ(bytes, expected);
  // The byte 0xE9 is written sign-extended: E9 FF.
  const size_t last = bytes.size() - 6;
  EXPECT_EQ(bytes[last], 0xE9);
  EXPECT_EQ(bytes[last + 1], 0xFF);

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

TEST(VarValues, DamagedRecordsLeaveTheTableAlone) {
  CVARvalues source;
  CArchive out(CArchive::store);
  source.Serialize(out);
  const std::vector<BYTE> good = out.TakeStoredBytes();
  struct Case {
    const char* what;
    size_t offset;
    BYTE value;
  } cases[] = {
      {"count above capacity", 4, 5},       {"negative count", 3, 0x80},
      {"forged capacity", 7, 0x40},         {"name length 1", 34, 1},
      {"name without final zero", 40, 'x'}, {"name without separator", 38, 'x'},
  };
  for (const Case& c : cases) {
    std::vector<BYTE> bad = good;
    bad[c.offset] = c.value;
    CVARvalues vars;
    CMcVariable k("k", "", 0);
    vars.BindVariables(&k);
    CArchive in(bad);
    EXPECT_FALSE(vars.Serialize(in)) << c.what;
    EXPECT_TRUE(in.HasFailed()) << c.what;
    EXPECT_EQ(vars.m_nCount, 7) << c.what;
  }
  for (size_t cut = 0; cut < good.size(); cut += 7) {
    CVARvalues vars;
    CArchive in(std::vector<BYTE>(good.begin(), good.begin() + cut));
    EXPECT_FALSE(vars.Serialize(in)) << cut;
    EXPECT_EQ(vars.m_nCount, 6);
  }
}

}  // namespace
