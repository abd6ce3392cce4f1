// The population of recorded designs: its file record byte for byte, refusal
// of damaged records, the flags of Reset, appending with culling, deletions,
// the closed-loop poles, sorting and culling by score.
#include "GlobalResources.h"
#include "MC/Mc_listsum.h"
#include "MC/Mc_variable.h"
#include "QorexDoc.h"
#include "platform/core/Archive.h"
#include "search/QOX_HistVar.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdint>
#include <limits>
#include <vector>

namespace {

using Bytes = std::vector<BYTE>;

// Little-endian record images built independently of the archive.
struct Image {
  Bytes bytes;
  Image& Put(uint64_t v, int n) {
    for (int i = 0; i < n; ++i) bytes.push_back(static_cast<BYTE>(v >> (8 * i)));
    return *this;
  }
  Image& Dword(uint32_t v) { return Put(v, 4); }
  Image& Double(double d) { return Put(std::bit_cast<uint64_t>(d), 8); }
  Image& Byte(BYTE b) { return Put(b, 1); }
};

Bytes StoreOf(QOX_HistVar& h) {
  CArchive ar(CArchive::store);
  EXPECT_TRUE(h.Serialize(ar));
  return ar.TakeStoredBytes();
}

CMcBasic* Var(const char* name, const char* subscript, WORD index) {
  auto* v = new CMcVariable(name, subscript, 0);
  v->m_index = index;
  return v;
}

// A document without definitions, so that no variable is marked fixed.
struct BareDoc : CQorexDoc {
  BareDoc() {
    m_models.DeleteAll();
    m_signals.DeleteAll();
  }
};

// Variable v of test entry e: 10 e + v + 0.5.
double Value(int e, int v) {
  return 10.0 * e + v + 0.5;
}

// Two designs of a document with 6 variables, the first with the pole pair
// -1 +- 2j, the second with the single pole -0.5; variable 5 (f_11) marked fixed.
struct TwoEntries {
  BareDoc doc;
  QOX_HistVar hist{&doc};
  TwoEntries() {
    EXPECT_EQ(doc.m_vars.m_nCount, 6);
    hist.Reset();
    hist.m_pFixed[5] = 1;
    for (int e = 0; e < 2; ++e) {
      for (int v = 0; v < 6; ++v) doc.m_vars.m_pValue[v] = Value(e, v);
      double c[QOX_HistVar::kCriteria];  // c_k = 0.1 + k / 100, then 0.5 + k / 100
      for (int k = 0; k < 9; ++k) c[k] = (e == 0 ? 0.1 : 0.5) + k / 100.0;
      hist.Add(c);
    }
    SetPoles(0, {{-1.0, 2.0}, {-1.0, -2.0}});
    SetPoles(1, {{-0.5, 0.0}});
  }
  void SetPoles(int e, std::vector<McComplex> poles) {
    delete[] hist.m_ppRoots[e];
    hist.m_ppRoots[e] = new McComplex[poles.size()];
    for (size_t r = 0; r < poles.size(); ++r) hist.m_ppRoots[e][r] = poles[r];
    hist.m_pRootCounts[e] = static_cast<int>(poles.size());
  }
};

// The record of TwoEntries, written out field by field.
Image TwoEntryImage() {
  Image im;
  im.Dword(2).Dword(64).Dword(6);
  for (BYTE f : {0, 0, 0, 0, 0, 1}) im.Byte(f);
  const std::vector<std::vector<McComplex>> poles = {{{-1.0, 2.0}, {-1.0, -2.0}}, {{-0.5, 0.0}}};
  const double bases[2] = {0.1, 0.5};
  for (int e = 0; e < 2; ++e) {
    im.Dword(static_cast<uint32_t>(poles[e].size()));
    for (const McComplex& p : poles[e]) im.Double(p.re).Double(p.im);
    for (int k = 0; k < 9; ++k) im.Double(bases[e] + k / 100.0);
    for (int v = 0; v < 6; ++v) im.Double(Value(e, v));
  }
  return im;
}

// Gives a setting a value while it lives.
template <class T>
struct Setting {
  Setting(T& setting, T value) : ref(setting), saved(setting) { setting = value; }
  ~Setting() { ref = saved; }
  T& ref;
  T saved;
};

// A population whose entry e has the criteria rows[e] and value e in slot 0.
struct Ranked {
  BareDoc doc;
  QOX_HistVar hist{&doc};
  std::vector<std::vector<double>> rows;
  explicit Ranked(const std::vector<std::vector<double>>& criteria) : rows(criteria) {
    hist.Reset();
    for (size_t e = 0; e < rows.size(); ++e) {
      double c[9] = {};
      std::copy(rows[e].begin(), rows[e].end(), c);
      doc.m_vars.m_pValue[0] = static_cast<double>(e);
      hist.Add(c);
    }
  }
  // The original index of each entry, front to back; its criteria moved with it.
  std::vector<int> Order() const {
    std::vector<int> order;
    for (int e = 0; e < hist.m_nCount; ++e) {
      order.push_back(static_cast<int>(hist.m_ppValues[e][0]));
      const double first = rows.at(order.back())[0], got = hist.m_ppCriteria[e][0];
      EXPECT_TRUE(got == first || (std::isnan(got) && std::isnan(first))) << "entry " << e;
    }
    return order;
  }
};

// n one-criterion rows 0, 1, ..., n - 1.
std::vector<std::vector<double>> Rows(int n) {
  std::vector<std::vector<double>> rows;
  for (int e = 0; e < n; ++e) rows.push_back({static_cast<double>(e)});
  return rows;
}

}  // namespace

// A population stores the record written out field by field above; loading
// a record (in place of whatever was there) and storing it again gives the
// same bytes, so every field was read back.
TEST(HistVar, RecordBytesBothWays) {
  TwoEntries t;
  EXPECT_EQ(StoreOf(t.hist), TwoEntryImage().bytes);
  const Bytes empty = Image().Dword(0).Dword(128).Dword(3).Byte(1).Byte(0).Byte(1).bytes;
  for (const Bytes& image : {TwoEntryImage().bytes, empty}) {
    TwoEntries loaded;
    CArchive in(image);
    ASSERT_TRUE(loaded.hist.Serialize(in));
    EXPECT_EQ(in.GetBytesRemaining(), 0u);
    EXPECT_EQ(StoreOf(loaded.hist), image);
  }
}

// A saved capacity of 0 loads as 1, which can grow by doubling.
TEST(HistVar, ZeroCapacityLoadsAsOneAndStillGrows) {
  Ranked r({});
  CArchive in(Image().Dword(0).Dword(0).Dword(0).bytes);
  ASSERT_TRUE(r.hist.Serialize(in));
  EXPECT_EQ(r.hist.m_nCapacity, 1);
  const double c[9] = {};
  r.hist.Add(c);
  r.hist.Add(c);
  EXPECT_EQ(r.hist.m_nCount, 2);
  EXPECT_EQ(r.hist.m_nCapacity, 2);
}

// Every damaged record is refused: the archive fails and the population is
// exactly what it was (ASan reports anything allocated and not freed).
TEST(HistVar, DamagedRecordsAreRefusedAndChangeNothing) {
  const Bytes good = TwoEntryImage().bytes;
  auto patched = [&](size_t at, uint32_t v) {
    Bytes b = good;
    for (int i = 0; i < 4; ++i) b[at + i] = static_cast<BYTE>(v >> (8 * i));
    return b;
  };
  const size_t firstRoots = 12 + 6;  // offset of the first entry's pole count
  struct Case {
    const char* what;
    Bytes record;
  };
  std::vector<Case> cases = {
      {"count above capacity", patched(0, 65)},
      {"count beyond the bytes left", patched(0, 3)},
      {"negative count", patched(0, 0xFFFFFFFF)},
      {"capacity beyond any population", patched(4, 0x7FFFFFFF)},
      {"negative capacity", patched(4, 0x80000000)},
      {"variable count beyond the bytes left", patched(8, 1000)},
      {"negative variable count", patched(8, 0xFFFFFFFF)},
      {"pole count beyond the bytes left", patched(firstRoots, 20)},
      {"huge pole count", patched(firstRoots, 0x10000000)},
      {"negative pole count", patched(firstRoots, 0xFFFFFFFF)},
  };
  for (size_t cut = 0; cut < good.size(); ++cut)
    cases.push_back({"truncated", Bytes(good.begin(), good.begin() + cut)});

  for (const Case& c : cases) {
    SCOPED_TRACE(c.what + std::string(" (") + std::to_string(c.record.size()) + " bytes)");
    TwoEntries t;
    t.hist.DeleteFrom(1);
    const Bytes before = StoreOf(t.hist);
    CArchive in(c.record);
    EXPECT_FALSE(t.hist.Serialize(in));
    EXPECT_TRUE(in.HasFailed());
    EXPECT_EQ(StoreOf(t.hist), before);
  }
}

TEST(HistVar, ResetMarksTheVariablesOfTheSignalDefinitions) {
  BareDoc doc;
  // A model uses k (a new entry); the signals use t and f_11.
  auto* k = new CMcVariable("k", "", 0);
  CMcBasic* model = new CMcListsum(0);
  model->AppendChild(k);
  doc.m_vars.BindVariables(model);
  doc.m_models.Add(model);
  CMcBasic* signal = new CMcListsum(0);
  signal->AppendChild(Var("t", "", 1));
  signal->AppendChild(Var("f", "11", 5));
  doc.m_signals.Add(signal);
  const int nVars = doc.m_vars.m_nCount;
  ASSERT_EQ(k->m_index, nVars - 1);

  QOX_HistVar hist(&doc);
  double c[9] = {};
  for (int i = 0; i < 65; ++i) hist.Add(c);
  ASSERT_EQ(hist.m_nCapacity, 128);
  hist.Reset();
  EXPECT_EQ(hist.m_nCount, 0);
  EXPECT_EQ(hist.m_nCapacity, 128);  // never shrunk
  ASSERT_EQ(hist.m_nVars, nVars);
  for (int v = 0; v < nVars; ++v)
    EXPECT_EQ(hist.m_pFixed[v], v == 1 || v == 5 ? 1 : 0) << "variable " << v;
}

TEST(HistVar, AppendBeyondTheLimitKeepsTheNewestThreeQuarters) {
  const struct {
    int limit, appends, count, oldestKept;
  } cases[] = {
      {100, 100, 100, 0},                // up to the limit nothing goes
      {100, 101, 75, 26},                // the 101st append leaves the newest 75
      {2, 3, 1, 2},                      // a limit of 2 keeps 1
      {4, 5, 3, 2},       {4, 9, 3, 6},  // culled at the 5th, 7th and 9th append
  };
  for (const auto& c : cases) {
    Setting limit(g_nHistoryLimit, c.limit);
    Ranked r(Rows(c.appends));
    std::vector<int> kept(c.count);
    for (int e = 0; e < c.count; ++e) kept[e] = c.oldestKept + e;
    EXPECT_EQ(r.Order(), kept) << "limit " << c.limit << ", " << c.appends << " appends";
  }
}

TEST(HistVar, DeletionsCloseTheGap) {
  const struct {
    const char* what;
    void (*op)(QOX_HistVar&);
    std::vector<int> left;
  } cases[] = {
      {"Delete(1)", [](QOX_HistVar& h) { h.Delete(1); }, {0, 2, 3}},
      {"Delete(3)", [](QOX_HistVar& h) { h.Delete(3); }, {0, 1, 2}},
      {"DeleteUpTo(0)", [](QOX_HistVar& h) { h.DeleteUpTo(0); }, {1, 2, 3}},
      {"DeleteUpTo(2)", [](QOX_HistVar& h) { h.DeleteUpTo(2); }, {3}},
      {"DeleteUpTo(3)", [](QOX_HistVar& h) { h.DeleteUpTo(3); }, {}},
      {"DeleteFrom(2)", [](QOX_HistVar& h) { h.DeleteFrom(2); }, {0, 1}},
      {"DeleteFrom(0)", [](QOX_HistVar& h) { h.DeleteFrom(0); }, {}},
      {"KillAll", [](QOX_HistVar& h) { h.KillAll(); }, {}},
  };
  for (const auto& c : cases) {
    Ranked r(Rows(4));
    c.op(r.hist);
    EXPECT_EQ(r.Order(), c.left) << c.what;
  }
}

// The default design, G = 1/(s + 1) with unit P, K, L and F = f_11, has
// 1 + f_11/(s + 1) = 0 as its characteristic equation: one pole at -(1 + f_11).
TEST(HistVar, AppendAndUpdateLastTakeTheClosedLoopPoles) {
  CQorexDoc doc;
  QOX_HistVar hist(&doc);
  hist.Reset();
  hist.UpdateLast();  // recording switched on between an append and its roots
  EXPECT_EQ(hist.m_nCount, 0);
  double c[9] = {};
  hist.Add(c);
  ASSERT_EQ(hist.m_pRootCounts[0], 1);
  EXPECT_NEAR(hist.m_ppRoots[0][0].re, -2.0, 1e-9);
  EXPECT_NEAR(hist.m_ppRoots[0][0].im, 0.0, 1e-9);

  // An entry recorded with more poles than the design now has gets a new array.
  delete[] hist.m_ppRoots[0];
  hist.m_ppRoots[0] = new McComplex[4]{};
  hist.m_pRootCounts[0] = 4;
  doc.m_vars.m_pValue[5] = 3.0;
  doc.Recalculate();
  hist.UpdateLast();
  ASSERT_EQ(hist.m_pRootCounts[0], 1);
  EXPECT_NEAR(hist.m_ppRoots[0][0].re, -4.0, 1e-9);
}

TEST(HistVar, SortPutsTheLargestScoreFirstAndMovesWholeEntries) {
  Ranked r({{0.3, 0.9}, {0.8, 0.0}, {0.1, 0.5}, {0.5, 0.2}});
  r.hist.m_pRootCounts[2] = 0;  // entries keep their own poles through a sort
  r.hist.SortByCriterion(0);
  EXPECT_EQ(r.Order(), (std::vector<int>{1, 3, 0, 2}));
  EXPECT_EQ(r.hist.m_pRootCounts[3], 0);

  // Weighted: scores 0.3 + 2 * 0.9 = 2.1, 0.8, 0.1 + 1.0 = 1.1, 0.5 + 0.4 = 0.9.
  const double w[9] = {1, 2};
  r.hist.SortByWeights(w);
  EXPECT_EQ(r.Order(), (std::vector<int>{0, 2, 3, 1}));

  Ranked withNaN({{0.2}, {std::numeric_limits<double>::quiet_NaN()}, {0.7}});
  withNaN.hist.SortByCriterion(0);
  EXPECT_EQ(withNaN.Order(), (std::vector<int>{1, 2, 0})) << "not a number ranks as the worst";
}

TEST(HistVar, KillWorstRemovesTheLargestScoresAndKeepsTheOrder) {
  const double w[9] = {1};
  struct Case {
    std::vector<std::vector<double>> rows;
    double fraction;
    std::vector<int> left;
  };
  const Case cases[] = {
      // Seven entries: trunc(3.5) = 3 go, those scoring 0.9, 0.8 and 0.7.
      {{{0.1}, {0.9}, {0.3}, {0.8}, {0.2}, {0.7}, {0.4}}, 0.5, {0, 2, 4, 6}},
      {{{0.5}}, 0.5, {0}},         // trunc(0.5) = 0: nothing goes
      {{{0.5}, {0.6}}, 0.5, {0}},  // one of two goes
      {{{0.5}, {0.6}}, 3.0, {}},   // a fraction above 1 takes every entry, no more
      {{{0.5}, {0.6}}, -1.0, {0, 1}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.rows.size() << " entries, fraction " << c.fraction);
    Setting fraction(g_dKillFraction, c.fraction);
    Ranked r(c.rows);
    r.hist.KillWorst(w);
    EXPECT_EQ(r.Order(), c.left);
  }
}
