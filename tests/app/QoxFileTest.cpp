// The ".qox" file: the byte image of small designs, save and open, and what a
// damaged, truncated or random file gets: the archive exception, the
// framework's message and an untouched document.
#include "AppTestSupport.h"
#include "tests/simulation/SimTestSupport.h"
#include "tests/support/TestSupport.h"

#include "MC/Mc_function.h"
#include "MC/Mc_variable.h"
#include "platform/core/Archive.h"
#include "platform/core/Exceptions.h"
#include "platform/testing/TestHooks.h"
#include "search/QOX_HistVar.h"

#include <gtest/gtest.h>

#include <sys/resource.h>

#include <csignal>
#include <cstring>
#include <fstream>
#include <random>
#include <string>
#include <vector>

namespace {

using Bytes = std::vector<BYTE>;

// Little-endian bytes written by hand, independent of CArchive.
struct Image {
  Bytes b;
  void U8(BYTE v) { b.push_back(v); }
  void U16(unsigned v) {
    for (int i = 0; i < 2; ++i) U8(BYTE(v >> (8 * i)));
  }
  void I32(long long v) {
    for (int i = 0; i < 4; ++i) U8(BYTE(static_cast<unsigned long long>(v) >> (8 * i)));
  }
  void F64(double v) {
    unsigned long long u;
    std::memcpy(&u, &v, 8);
    for (int i = 0; i < 8; ++i) U8(BYTE(u >> (8 * i)));
  }
  void Str(const std::string& s) {
    if (s.size() < 255) {
      U8(BYTE(s.size()));
    } else {
      U8(0xFF);
      U16(unsigned(s.size()));
    }
    for (char c : s) U8(BYTE(c));
  }
  void Append(const Bytes& more) { b.insert(b.end(), more.begin(), more.end()); }
};

Bytes Stored(CQorexDoc& doc) {
  CArchive ar(CArchive::store);
  doc.Serialize(ar);
  return ar.TakeStoredBytes();
}

// Nested records come from their own classes, which own and test them.
template <class F>
Bytes Record(F write) {
  CArchive ar(CArchive::store);
  write(ar);
  return ar.TakeStoredBytes();
}

// Loads bytes into doc; true when the archive exception was raised.
bool Refused(CQorexDoc& doc, const Bytes& bytes) {
  CArchive ar{Bytes(bytes)};
  try {
    doc.Serialize(ar);
  } catch (CArchiveException* e) {
    e->Delete();
    return true;
  }
  return false;
}

void SetRun(CQorexDoc& doc, int i, int rows, int columns, double base, double ts) {
  CSIMsignal* run[] = {&doc.m_runSetpoints[i], &doc.m_runControls[i], &doc.m_runOutputs[i]};
  for (int s = 0; s < 3; ++s) {
    run[s]->Resize(rows, columns);
    run[s]->m_wFlags = WORD(s);
    for (int k = 0; k < rows * columns; ++k) run[s]->m_pSamples[k] = base + 10 * s + k;
  }
  doc.m_runTs[i] = ts;
}

// A small design that touches every field: a long comment, moved plots and
// two stored runs.
void MakeSmallDesign(CQorexDoc& doc) {
  doc.m_strComment = std::string(300, 'x').c_str();
  doc.m_dFinalTime = 12.5;
  doc.m_dSamplingTime = 0.25;
  doc.m_ptRlOrigin = CPoint(-7, 9);
  doc.m_dRlScaleX = 3.5;
  doc.m_dRlSpare[1] = 2.0;
  doc.m_ptSigOrigin = CPoint(1, 2);
  doc.m_dSigScaleY = 0.5;
  SetRun(doc, 0, 1, 3, 1.0, 0.1);
  SetRun(doc, 1, 2, 2, 100.0, 0.2);
  doc.m_nRuns = 2;
}

Image ExpectedImage(CQorexDoc& doc) {
  Image im;
  im.Str(std::string(300, 'x'));
  for (double v : {12.5, 0.25, doc.m_dMaxPoleModulus}) im.F64(v);
  im.Append(Record([&](CArchive& ar) { doc.m_models.Store(ar); }));
  im.Append(Record([&](CArchive& ar) { doc.m_signals.Store(ar); }));
  im.Append(Record([&](CArchive& ar) { doc.m_modelLibrary.Store(ar); }));
  im.Append(Record([&](CArchive& ar) { doc.m_signalLibrary.Store(ar); }));
  im.Append(Record([&](CArchive& ar) { doc.m_pHistory->Serialize(ar); }));
  im.Append(Record([&](CArchive& ar) { doc.m_vars.Serialize(ar); }));
  // One locus of four, for f11 (entry 5): 30 steps, gains 0.01 .. 100, code 0.
  for (int v : {1, 4, 5, 30}) im.I32(v);
  for (double v : {0.01, 100.0}) im.F64(v);
  im.U16(0);
  for (int v : {-7, 9}) im.I32(v);
  for (double v : {3.5, 50.0, -10.0, 2.0, -10.0}) im.F64(v);  // scales, spares
  for (int v : {1, 2}) im.I32(v);
  for (double v : {1.0, 0.5}) im.F64(v);
  im.I32(2);  // two runs
  for (double v : {0.1, 0.2}) im.F64(v);
  const int shapes[2][2] = {{1, 3}, {2, 2}};
  const double bases[2] = {1.0, 100.0};
  for (int r = 0; r < 2; ++r)
    for (int s = 0; s < 3; ++s) {
      im.I32(shapes[r][0]);
      im.I32(shapes[r][1]);
      im.U16(unsigned(s));
      for (int k = 0; k < shapes[r][0] * shapes[r][1]; ++k) im.F64(bases[r] + 10 * s + k);
    }
  return im;
}

TEST(QoxFile, SmallDesignImageIsByteExact) {
  CQorexDoc doc;
  MakeSmallDesign(doc);
  const Bytes stored = Stored(doc);
  const Bytes expected = ExpectedImage(doc).b;
  ASSERT_EQ(stored.size(), expected.size());
  EXPECT_EQ(stored, expected);
  // The 300-character comment takes the 0xFF prefix and a 16-bit length.
  EXPECT_EQ(stored[0], 0xFF);
  EXPECT_EQ(stored[1] | stored[2] << 8, 300);
}

TEST(QoxFile, NewDesignLoadsBackEqual) {
  CQorexDoc doc;
  MakeSmallDesign(doc);
  doc.m_nVarPointCapacity = 8;  // a saved capacity other than 4 is kept exactly
  doc.m_pVarPoints.reset(new CVARpoints[8]);
  doc.m_nVarPoints = 1;
  const Bytes image = Stored(doc);
  CQorexDoc loaded;
  ASSERT_FALSE(Refused(loaded, image));
  EXPECT_EQ(Stored(loaded), image);
  EXPECT_EQ(loaded.m_nVarPointCapacity, 8);
  EXPECT_EQ(loaded.m_nRunCapacity, 4);  // not saved: the default stays
  EXPECT_EQ(loaded.m_nRuns, 2);
  EXPECT_EQ(loaded.m_runOutputs[1].At(1, 1), 123.0);
  EXPECT_EQ(loaded.m_system.m_nSteps, 50);  // recalculated with the loaded times
}

TEST(QoxFile, SevenStoredRunsRaiseTheCapacity) {
  CQorexDoc doc;
  doc.SetRunCapacity(7);
  for (int i = 0; i < 7; ++i) SetRun(doc, i, 1, 2, i, 0.05);
  doc.m_nRuns = 7;
  CQorexDoc loaded;
  ASSERT_FALSE(Refused(loaded, Stored(doc)));
  EXPECT_EQ(loaded.m_nRunCapacity, 7);
  EXPECT_EQ(loaded.m_nRuns, 7);
  EXPECT_EQ(loaded.m_runSetpoints[6].At(0, 0), 6.0);
}

// Offsets of the fields after the nested records, from the record sizes.
struct Layout {
  size_t models, loci, rlOrigin, runCount, firstSignal;
};
Layout LayoutOf(CQorexDoc& doc) {
  Layout l{};
  const size_t comment = size_t(doc.m_strComment.GetLength());
  l.models = (comment < 255 ? 1 : 3) + comment + 24;
  size_t at = l.models;
  at += Record([&](CArchive& ar) { doc.m_models.Store(ar); }).size();
  at += Record([&](CArchive& ar) { doc.m_signals.Store(ar); }).size();
  at += 8;  // two empty libraries
  at += Record([&](CArchive& ar) { doc.m_pHistory->Serialize(ar); }).size();
  at += Record([&](CArchive& ar) { doc.m_vars.Serialize(ar); }).size();
  l.loci = at;
  l.rlOrigin = at + 8 + 26 * doc.m_nVarPoints;
  l.runCount = l.rlOrigin + 8 + 16 + 24 + 8 + 16;
  l.firstSignal = l.runCount + 4 + 8 * doc.m_nRuns;
  return l;
}

void PutI32(Bytes& b, size_t at, long long v) {
  for (int i = 0; i < 4; ++i) b[at + i] = BYTE(static_cast<unsigned long long>(v) >> (8 * i));
}
void PutF64(Bytes& b, size_t at, double v) {
  unsigned long long u;
  std::memcpy(&u, &v, 8);
  for (int i = 0; i < 8; ++i) b[at + i] = BYTE(u >> (8 * i));
}

TEST(QoxFile, DamagedFieldsAreRefusedAndChangeNothing) {
  CQorexDoc source;
  MakeSmallDesign(source);
  const Bytes image = Stored(source);
  const Layout at = LayoutOf(source);
  const size_t times = 303;
  struct Case {
    const char* what;
    std::function<void(Bytes&)> damage;
  } cases[] = {
      {"sampling time 0", [&](Bytes& b) { PutF64(b, times + 8, 0.0); }},
      {"final time below sampling time", [&](Bytes& b) { PutF64(b, times, 0.1); }},
      {"more than the samples allowed", [&](Bytes& b) { PutF64(b, times, 1e6); }},
      {"sampling time not a number", [&](Bytes& b) { PutF64(b, times + 8, NAN); }},
      {"four models", [&](Bytes& b) { PutI32(b, at.models, 4); }},
      {"a huge model count", [&](Bytes& b) { PutI32(b, at.models, 0x7FFFFFFF); }},
      {"negative locus count", [&](Bytes& b) { PutI32(b, at.loci, -1); }},
      {"locus count over its capacity", [&](Bytes& b) { PutI32(b, at.loci, 5); }},
      {"huge locus capacity", [&](Bytes& b) { PutI32(b, at.loci + 4, 0x40000000); }},
      {"locus of a variable beyond the table", [&](Bytes& b) { PutI32(b, at.loci + 8, 4000); }},
      {"locus of a reserved name", [&](Bytes& b) { PutI32(b, at.loci + 8, 1); }},
      {"root-locus scale 0", [&](Bytes& b) { PutF64(b, at.rlOrigin + 8, 0.0); }},
      {"negative run count", [&](Bytes& b) { PutI32(b, at.runCount, -1); }},
      {"run count beyond the file", [&](Bytes& b) { PutI32(b, at.runCount, 900); }},
      {"run sampling time negative", [&](Bytes& b) { PutF64(b, at.runCount + 4, -0.1); }},
      {"negative rows", [&](Bytes& b) { PutI32(b, at.firstSignal, -1); }},
      {"rows times columns overflowing",
       [&](Bytes& b) {
         PutI32(b, at.firstSignal, 0xFFFF);
         PutI32(b, at.firstSignal + 4, 10000);
       }},
      {"columns beyond the samples allowed",
       [&](Bytes& b) { PutI32(b, at.firstSignal + 4, 20000); }},
      {"signals of one run of unequal length",
       [&](Bytes& b) {
         PutI32(b, at.firstSignal, 3);
         PutI32(b, at.firstSignal + 4, 1);
       }},
  };
  CQorexDoc doc;
  doc.m_strComment = "kept";
  const Bytes before = Stored(doc);
  for (const Case& c : cases) {
    Bytes damaged = image;
    c.damage(damaged);
    EXPECT_TRUE(Refused(doc, damaged)) << c.what;
    EXPECT_EQ(Stored(doc), before) << c.what;
  }
  EXPECT_FALSE(Refused(doc, image));  // the undamaged image loads
}

TEST(QoxFile, LocusCapacityZeroLoadsAsTheCountAndAtLeastOne) {
  CQorexDoc source;
  Bytes image = Stored(source);
  PutI32(image, LayoutOf(source).loci + 4, 0);
  CQorexDoc doc;
  ASSERT_FALSE(Refused(doc, image));
  EXPECT_EQ(doc.m_nVarPoints, 1);
  EXPECT_EQ(doc.m_nVarPointCapacity, 1);
  doc.SetVarPoint(0, 1);  // and it still grows
  EXPECT_EQ(doc.m_nVarPointCapacity, 2);
}

TEST(QoxFile, EveryTruncationIsRefused) {
  CQorexDoc source;
  MakeSmallDesign(source);
  const Bytes image = Stored(source);
  CQorexDoc doc;
  const Bytes before = Stored(doc);
  for (size_t cut = 0; cut < image.size(); ++cut) {
    ASSERT_TRUE(Refused(doc, Bytes(image.begin(), image.begin() + cut))) << cut;
  }
  EXPECT_EQ(Stored(doc), before);
}

TEST(QoxFile, RandomBytesNeverCrash) {
  const unsigned seed = std::random_device{}();
  SCOPED_TRACE("seed " + std::to_string(seed));
  std::mt19937 rng(seed);
  CQorexDoc source;
  MakeSmallDesign(source);
  const Bytes image = Stored(source);
  CQorexDoc doc;
  for (int round = 0; round < 60; ++round) {
    Bytes bytes;
    if (round % 2 == 0) {
      bytes.resize(rng() % 3000);
      for (BYTE& b : bytes) b = BYTE(rng());
    } else {
      bytes = image;
      for (int flips = 0; flips < 4; ++flips) bytes[rng() % bytes.size()] = BYTE(rng());
    }
    Refused(doc, bytes);  // either outcome; no crash, over-read or leak
  }
}

TEST(QoxFile, StoredIndicesAreCheckedAgainstTheLoadedTable) {
  CQorexDoc doc;
  auto* stale = new CMcVariable("q", "", 0);
  stale->m_index = 4000;  // beyond any table
  doc.m_modelLibrary.Add(stale);
  auto* f = static_cast<CMcVariable*>(doc.m_models.GetAt(4)->m_children[1]);
  f->m_index = 3000;  // a definition's stale index: bound again by name
  CQorexDoc loaded;
  ASSERT_FALSE(Refused(loaded, Stored(doc)));
  const auto* libraryVar = static_cast<const CMcVariable*>(loaded.m_modelLibrary.GetAt(0));
  EXPECT_EQ(libraryVar->m_index, CMcVariable::kUnbound);
  const auto* f11 = static_cast<const CMcVariable*>(loaded.m_models.GetAt(4)->m_children[1]);
  EXPECT_EQ(f11->m_index, 5);
}

// ---- through the framework's open and save ----------------------------------------

std::string WriteFile(const std::string& path, const Bytes& bytes) {
  std::ofstream(path, std::ios::binary)
      .write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
  return path;
}

Bytes ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return Bytes(std::istreambuf_iterator<char>(in), {});
}

TEST(QoxFileFramework, SaveThenOpenIsUnmodifiedAndEqual) {
  const std::string path = qxtest::MakeTempDir("qox") + "/design.qox";
  CQorexDoc doc;
  MakeSmallDesign(doc);
  doc.SetVarPoint(0, 0x1002);  // a user change marks the design
  EXPECT_TRUE(doc.IsModified());
  ASSERT_TRUE(doc.OnSaveDocument(path.c_str()));
  EXPECT_FALSE(doc.IsModified());
  CQorexDoc opened;
  ASSERT_TRUE(opened.OnOpenDocument(path.c_str()));
  EXPECT_FALSE(opened.IsModified());
  EXPECT_EQ(Stored(opened), ReadFile(path));
  EXPECT_EQ(opened.m_pVarPoints[0].m_wCode, 0x1002);
}

TEST(QoxFileFramework, DamagedFileIsReportedAndLeavesTheDocument) {
  const std::string dir = qxtest::MakeTempDir("qox");
  CQorexDoc source;
  const Bytes image = Stored(source);
  const std::string cut = WriteFile(dir + "/cut.qox", Bytes(image.begin(), image.begin() + 40));
  Bytes forged = image;
  PutI32(forged, 3 + 24, -5);  // a negative model count
  const std::string bad = WriteFile(dir + "/bad.qox", forged);
  CQorexDoc doc;
  doc.m_strComment = "mine";
  const Bytes before = Stored(doc);
  QxTest::MessageBoxScript boxes;
  EXPECT_FALSE(doc.OnOpenDocument(cut.c_str()));
  EXPECT_FALSE(doc.OnOpenDocument(bad.c_str()));
  ASSERT_EQ(boxes.Boxes().size(), 2u);
  EXPECT_EQ(boxes.Boxes()[0].text,
            "Unexpected end of " + cut + ": the file is damaged or incomplete.");
  EXPECT_EQ(boxes.Boxes()[1].text,
            "Unexpected data in " + bad + ": the file is damaged or of another kind.");
  EXPECT_EQ(Stored(doc), before);
}

TEST(QoxFileFramework, FailedSaveLeavesTheOldFile) {
  const std::string path = qxtest::MakeTempDir("qox") + "/kept.qox";
  const Bytes old = {1, 2, 3};
  WriteFile(path, old);
  CQorexDoc doc;
  doc.m_strComment = std::string(5000, 'y').c_str();
  // A file-size limit makes the write fail part way, as a full disk would.
  rlimit saved{};
  getrlimit(RLIMIT_FSIZE, &saved);
  auto previous = std::signal(SIGXFSZ, SIG_IGN);
  rlimit small = saved;
  small.rlim_cur = 1000;
  ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
  QxTest::MessageBoxScript boxes;
  const BOOL saved_ok = doc.OnSaveDocument(path.c_str());
  setrlimit(RLIMIT_FSIZE, &saved);
  std::signal(SIGXFSZ, previous);
  EXPECT_FALSE(saved_ok);
  EXPECT_EQ(boxes.Boxes().size(), 1u);
  EXPECT_EQ(ReadFile(path), old);
}

// ---- the application: prompts and documents --------------------------------------

class QoxFileApp : public QorexAppTest {};

TEST_F(QoxFileApp, DamagedFileLeavesNoDocumentAndNoBarPointingAtIt) {
  const std::string path =
      WriteFile(qxtest::MakeTempDir("qox") + "/bad.qox", Bytes{5, 'h', 'e', 'l', 'l', 'o'});
  CQorexDoc* before = ActiveDoc();
  QxTest::MessageBoxScript boxes;
  EXPECT_EQ(m_app->OpenDocumentFile(path.c_str()), nullptr);
  QxTest::PumpUntilIdle();
  EXPECT_EQ(m_app->GetOpenDocumentCount(), 1);
  EXPECT_EQ(boxes.Boxes().size(), 1u);
  for (CQorexDoc* shown : {g_pOutputBar->m_pDoc, g_pLeftBar->m_pDoc, g_pEqualizerBar->m_pDoc})
    EXPECT_TRUE(shown == nullptr || shown == before);
  EXPECT_TRUE(g_pCommentBar->m_pDoc == nullptr || g_pCommentBar->m_pDoc == before);
}

TEST_F(QoxFileApp, ClosingAChangedDesignAsksToSaveIt) {
  CQorexDoc* doc = ActiveDoc();
  ASSERT_NE(doc, nullptr);
  {
    QxTest::MessageBoxScript boxes;
    EXPECT_TRUE(doc->SaveModified());  // unchanged: no question
    EXPECT_TRUE(boxes.Boxes().empty());
  }
  doc->m_vars.SetValue(0, 2.0);
  doc->Recalculate();  // the road of every change
  QxTest::MessageBoxScript boxes({IDCANCEL});
  EXPECT_FALSE(doc->SaveModified());
  ASSERT_EQ(boxes.Boxes().size(), 1u);
  EXPECT_EQ(boxes.Boxes()[0].text.rfind("Save changes to ", 0), 0u);
}

}  // namespace
