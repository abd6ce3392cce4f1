// The ".qox" file: the byte image of a small design, save and open, and what a
// damaged, truncated or random file gets: the archive exception, the
// framework's message and an untouched document.
#include "tests/support/QorexAppFixture.h"
#include "tests/simulation/SimTestSupport.h"
#include "tests/support/TestSupport.h"

#include "GlobalResources.h"
#include "MC/Mc_variable.h"
#include "platform/core/Archive.h"
#include "platform/core/Exceptions.h"
#include "search/QOX_HistVar.h"

#include <gtest/gtest.h>

#include <sys/resource.h>

#include <csignal>
#include <cstring>
#include <fstream>
#include <functional>
#include <limits>
#include <random>
#include <string>
#include <vector>

namespace {

using Bytes = std::vector<BYTE>;

// Little-endian bytes written by hand, independent of CArchive.
Bytes LE(unsigned long long v, int n) {
  Bytes b;
  for (int i = 0; i < n; ++i) b.push_back(BYTE(v >> (8 * i)));
  return b;
}
Bytes I32(long long v) {
  return LE(static_cast<unsigned long long>(v), 4);
}
Bytes F64(double v) {
  unsigned long long u;
  std::memcpy(&u, &v, 8);
  return LE(u, 8);
}
Bytes operator+(Bytes a, const Bytes& b) {
  a.insert(a.end(), b.begin(), b.end());
  return a;
}
void Put(Bytes& b, size_t at, const Bytes& with) {
  std::copy(with.begin(), with.end(), b.begin() + static_cast<std::ptrdiff_t>(at));
}

// Nested records come from their own classes, which own and test them.
Bytes Record(const std::function<void(CArchive&)>& write) {
  CArchive ar(CArchive::store);
  write(ar);
  return ar.TakeStoredBytes();
}
Bytes Stored(CQorexDoc& doc) {
  return Record([&](CArchive& ar) { doc.Serialize(ar); });
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
  CSIMsignal* run[] = {&doc.m_runs[i].setpoint, &doc.m_runs[i].control, &doc.m_runs[i].output};
  for (int s = 0; s < 3; ++s) {
    run[s]->Resize(rows, columns);
    run[s]->m_wFlags = WORD(s);
    for (int k = 0; k < rows * columns; ++k) run[s]->m_pSamples[k] = base + 10 * s + k;
  }
  doc.m_runs[i].dTs = ts;
}

// The small design's image, with the offsets of the fields the damage cases change.
struct Image {
  Bytes b;
  size_t times = 0, models = 0, loci = 0, rlOrigin = 0, runCount = 0, firstSignal = 0;
  size_t Add(const Bytes& more) {
    b.insert(b.end(), more.begin(), more.end());
    return b.size() - more.size();
  }
};

Image ExpectedImage(CQorexDoc& doc) {
  Image im;
  im.Add({0xFF});  // a comment of 255 bytes or more: 0xFF, then a 16-bit length
  im.Add(LE(300, 2));
  im.Add(Bytes(300, 'x'));
  im.times = im.Add(F64(12.5));
  for (double v : {0.25, doc.m_dMaxPoleModulus}) im.Add(F64(v));
  im.models = im.Add(Record([&](CArchive& ar) { doc.m_models.Store(ar); }));
  im.Add(Record([&](CArchive& ar) { doc.m_signals.Store(ar); }));
  im.Add(Record([&](CArchive& ar) { doc.m_modelLibrary.Store(ar); }));
  im.Add(Record([&](CArchive& ar) { doc.m_signalLibrary.Store(ar); }));
  im.Add(Record([&](CArchive& ar) { doc.m_pHistory->Serialize(ar); }));
  im.Add(Record([&](CArchive& ar) { doc.m_vars.Serialize(ar); }));
  // One locus of four, for f11 (entry 5): 30 steps, gains 0.01 .. 100, code 0.
  im.loci = im.Add(I32(1));
  for (int v : {4, 5, 30}) im.Add(I32(v));
  for (double v : {0.01, 100.0}) im.Add(F64(v));
  im.Add(LE(0, 2));
  im.rlOrigin = im.Add(I32(-7));
  im.Add(I32(9));
  for (double v : {3.5, 50.0, -10.0, 2.0, -10.0}) im.Add(F64(v));  // scales, spares
  for (int v : {1, 2}) im.Add(I32(v));
  for (double v : {1.0, 0.5}) im.Add(F64(v));
  im.runCount = im.Add(I32(2));
  for (double v : {0.1, 0.2}) im.Add(F64(v));
  const int shapes[2][2] = {{1, 3}, {2, 2}};
  const double bases[2] = {1.0, 100.0};
  im.firstSignal = im.b.size();
  for (int r = 0; r < 2; ++r)
    for (int s = 0; s < 3; ++s) {
      for (int n : shapes[r]) im.Add(I32(n));
      im.Add(LE(unsigned(s), 2));
      for (int k = 0; k < shapes[r][0] * shapes[r][1]; ++k) im.Add(F64(bases[r] + 10 * s + k));
    }
  return im;
}

// A small design that touches every field: a long comment, moved plots and
// two stored runs.
struct QoxSmallDesign : ::testing::Test {
  void SetUp() override {
    source.m_strComment = std::string(300, 'x').c_str();
    source.m_dFinalTime = 12.5;
    source.m_dSamplingTime = 0.25;
    source.m_ptRlOrigin = CPoint(-7, 9);
    source.m_dRlScaleX = 3.5;
    source.m_dRlSpare[1] = 2.0;
    source.m_ptSigOrigin = CPoint(1, 2);
    source.m_dSigScaleY = 0.5;
    SetRun(source, 0, 1, 3, 1.0, 0.1);
    SetRun(source, 1, 2, 2, 100.0, 0.2);
    source.m_nRuns = 2;
  }
  CQorexDoc source;
};

TEST_F(QoxSmallDesign, ImageIsByteExact) {
  EXPECT_EQ(Stored(source), ExpectedImage(source).b);
}

TEST_F(QoxSmallDesign, LoadsBackEqual) {
  source.m_nVarPointCapacity = 8;  // a saved capacity other than 4 is kept exactly
  source.m_pVarPoints.reset(new CVARpoints[8]);
  source.m_nVarPoints = 1;
  const Bytes image = Stored(source);
  CQorexDoc loaded;
  ASSERT_FALSE(Refused(loaded, image));
  EXPECT_EQ(Stored(loaded), image);
  EXPECT_EQ(loaded.m_nVarPointCapacity, 8);
  EXPECT_EQ(loaded.m_nRunCapacity, 4);  // not saved: the default stays
  EXPECT_EQ(loaded.m_runs[1].output.At(1, 1), 123.0);
  EXPECT_EQ(loaded.m_system.m_nSteps, 50);  // recalculated with the loaded times
  // More stored runs than the default capacity raise it.
  source.SetRunCapacity(7);
  for (int i = 2; i < 7; ++i) SetRun(source, i, 1, 2, i, 0.05);
  source.m_nRuns = 7;
  ASSERT_FALSE(Refused(loaded, Stored(source)));
  EXPECT_EQ(loaded.m_nRunCapacity, 7);
  EXPECT_EQ(loaded.m_runs[6].setpoint.At(0, 0), 6.0);
}

TEST_F(QoxSmallDesign, DamagedFieldsAreRefusedAndChangeNothing) {
  const Image at = ExpectedImage(source);
  const struct {
    const char* what;
    size_t offset;
    Bytes value;
  } cases[] = {
      {"sampling time 0", at.times + 8, F64(0.0)},
      {"final time negative", at.times, F64(-12.5)},
      {"final time infinite", at.times, F64(INFINITY)},
      {"sampling time not a number", at.times + 8, F64(NAN)},
      {"four models", at.models, I32(4)},
      {"a huge model count", at.models, I32(0x7FFFFFFF)},
      {"negative locus count", at.loci, I32(-1)},
      {"locus count over its capacity", at.loci, I32(5)},
      {"huge locus capacity", at.loci + 4, I32(0x40000000)},
      {"locus of a variable beyond the table", at.loci + 8, I32(4000)},
      {"locus of a reserved name", at.loci + 8, I32(1)},
      {"root-locus scale 0", at.rlOrigin + 8, F64(0.0)},
      {"negative run count", at.runCount, I32(-1)},
      {"run count beyond the file", at.runCount, I32(900)},
      {"run sampling time negative", at.runCount + 4, F64(-0.1)},
      {"negative rows", at.firstSignal, I32(-1)},
      {"rows times columns overflowing", at.firstSignal, I32(0xFFFF) + I32(10000)},
      {"columns beyond the samples allowed", at.firstSignal + 4, I32(20000)},
      {"signals of one run of unequal length", at.firstSignal, I32(3) + I32(1)},
  };
  CQorexDoc doc;
  doc.m_strComment = "kept";
  const Bytes before = Stored(doc);
  for (const auto& c : cases) {
    Bytes damaged = at.b;
    Put(damaged, c.offset, c.value);
    EXPECT_TRUE(Refused(doc, damaged)) << c.what;
    EXPECT_EQ(Stored(doc), before) << c.what;
  }
  EXPECT_FALSE(Refused(doc, at.b));  // the undamaged image loads
}

TEST_F(QoxSmallDesign, LocusCapacityZeroLoadsAsTheCountAndAtLeastOne) {
  Image image = ExpectedImage(source);
  Put(image.b, image.loci + 4, I32(0));
  CQorexDoc doc;
  ASSERT_FALSE(Refused(doc, image.b));
  EXPECT_EQ(doc.m_nVarPoints, 1);
  EXPECT_EQ(doc.m_nVarPointCapacity, 1);
  doc.SetVarPoint(0, 1);  // and it still grows
  EXPECT_EQ(doc.m_nVarPointCapacity, 2);
}

TEST_F(QoxSmallDesign, EveryTruncationIsRefused) {
  const Bytes image = Stored(source);
  CQorexDoc doc;
  const Bytes before = Stored(doc);
  for (size_t cut = 0; cut < image.size(); ++cut)
    ASSERT_TRUE(Refused(doc, Bytes(image.begin(), image.begin() + cut))) << cut;
  EXPECT_EQ(Stored(doc), before);
}

TEST_F(QoxSmallDesign, RandomBytesNeverCrash) {
  const unsigned seed = std::random_device{}();
  SCOPED_TRACE("seed " + std::to_string(seed));
  std::mt19937 rng(seed);
  const Bytes image = Stored(source);
  CQorexDoc doc;
  for (int round = 0; round < 60; ++round) {
    Bytes bytes = image;
    if (round % 2 == 0) {
      bytes.resize(rng() % 3000);
      for (BYTE& b : bytes) b = BYTE(rng());
    } else {
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
  auto* f = static_cast<CMcVariable*>(doc.m_models.GetAt(kModelF)->m_children[1]);
  f->m_index = 3000;  // a definition's stale index: bound again by name
  CQorexDoc loaded;
  ASSERT_FALSE(Refused(loaded, Stored(doc)));
  EXPECT_EQ(static_cast<const CMcVariable*>(loaded.m_modelLibrary.GetAt(0))->m_index,
            CMcVariable::kUnbound);
  EXPECT_EQ(static_cast<const CMcVariable*>(loaded.m_models.GetAt(kModelF)->m_children[1])->m_index,
            5);
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

TEST_F(QoxSmallDesign, SaveThenOpenIsUnmodifiedAndEqual) {
  const std::string path = qxtest::MakeTempDir("qox") + "/design.qox";
  source.SetVarPoint(0, 0x1002);  // a user change marks the design
  EXPECT_TRUE(source.IsModified());
  ASSERT_TRUE(source.OnSaveDocument(path.c_str()));
  EXPECT_FALSE(source.IsModified());
  CQorexDoc opened;
  ASSERT_TRUE(opened.OnOpenDocument(path.c_str()));
  EXPECT_FALSE(opened.IsModified());
  EXPECT_EQ(Stored(opened), ReadFile(path));
  EXPECT_EQ(opened.m_pVarPoints[0].m_wCode, 0x1002);
}

// Times the program itself makes, some of which give no run: saved, they
// open again as they were, and the loop judges them as before the save.
TEST_F(QoxSmallDesign, TimesTheProgramMakesOpenAgainAsSaved) {
  const struct {
    const char* what;
    std::function<void(CQorexDoc&)> make;
    int steps;  // of the opened design's loop; 0 with its times refused
  } roads[] = {
      {"the end marker dragged to the first sample",
       [](CQorexDoc& d) {
         d.m_dFinalTime = 1 * d.m_dSamplingTime;
         d.Recalculate();
       },
       1},
      {"a run's small sampling time taken over",
       [](CQorexDoc& d) {
         d.m_dFinalTime = 30;
         d.m_runs[0].dTs = 0.001;
         d.m_dSamplingTime = d.m_runs[0].dTs;
         ASSERT_TRUE(d.RecallRun(0));
       },
       0},
      {"a run's sampling time beyond the final time taken over",
       [](CQorexDoc& d) {
         d.m_runs[0].dTs = 20;
         d.m_dSamplingTime = d.m_runs[0].dTs;
         ASSERT_TRUE(d.RecallRun(0));
       },
       0},
      {"the end marker at the last sample allowed, n * Ts / Ts just above n",
       [](CQorexDoc& d) {
         d.m_dSamplingTime = 0.00089;
         d.m_dFinalTime = g_nMaxSamples * d.m_dSamplingTime;
         ASSERT_GT(d.m_dFinalTime / d.m_dSamplingTime, g_nMaxSamples);
         d.Recalculate();
       },
       g_nMaxSamples},
  };
  const std::string dir = qxtest::MakeTempDir("qox");
  for (const auto& road : roads) {
    SetUp();
    road.make(source);
    const std::string path = dir + "/design.qox";
    ASSERT_TRUE(source.OnSaveDocument(path.c_str())) << road.what;
    CQorexDoc opened;
    QxTest::MessageBoxScript boxes;
    EXPECT_TRUE(opened.OnOpenDocument(path.c_str())) << road.what;
    EXPECT_TRUE(boxes.Boxes().empty()) << road.what;
    EXPECT_EQ(Stored(opened), ReadFile(path)) << road.what;
    EXPECT_EQ(opened.m_dFinalTime, source.m_dFinalTime) << road.what;
    EXPECT_EQ(opened.m_dSamplingTime, source.m_dSamplingTime) << road.what;
    EXPECT_EQ(opened.m_nRuns, 2) << road.what;
    EXPECT_EQ(opened.m_system.m_nSteps, road.steps) << road.what;
    EXPECT_EQ(opened.m_system.m_nError, road.steps > 0 ? kSimOk : kSimBadTimes) << road.what;
  }
}

// Finite positive times of any quotient open, and nothing is sized by it.
TEST_F(QoxSmallDesign, ExtremeTimesOpenWithoutARun) {
  Image image = ExpectedImage(source);
  Put(image.b, image.times, F64(std::numeric_limits<double>::max()));
  Put(image.b, image.times + 8, F64(std::numeric_limits<double>::denorm_min()));
  CQorexDoc doc;
  ASSERT_FALSE(Refused(doc, image.b));
  EXPECT_EQ(Stored(doc), image.b);
  EXPECT_EQ(doc.m_system.m_nSteps, 0);
  EXPECT_EQ(doc.m_system.m_nError, kSimBadTimes);
  EXPECT_EQ(doc.m_system.m_yd.m_nColumns, 0);
}

TEST_F(QoxSmallDesign, DamagedFileIsReportedAndLeavesTheDocument) {
  const std::string dir = qxtest::MakeTempDir("qox");
  Image image = ExpectedImage(source);
  const std::string cut = WriteFile(dir + "/cut.qox", Bytes(image.b.begin(), image.b.begin() + 40));
  Put(image.b, image.models, I32(-5));
  const std::string bad = WriteFile(dir + "/bad.qox", image.b);
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

TEST(QoxFile, FailedSaveLeavesTheOldFile) {
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
  const BOOL savedOk = doc.OnSaveDocument(path.c_str());
  setrlimit(RLIMIT_FSIZE, &saved);
  std::signal(SIGXFSZ, previous);
  EXPECT_FALSE(savedOk);
  EXPECT_EQ(boxes.Boxes().size(), 1u);
  EXPECT_EQ(ReadFile(path), old);
}

// ---- the application: prompts and documents --------------------------------------

using QoxFileApp = QorexAppTest;

TEST_F(QoxFileApp, DamagedFileLeavesNoDocumentAndNoBarPointingAtIt) {
  const std::string path =
      WriteFile(qxtest::MakeTempDir("qox") + "/bad.qox", Bytes{5, 'h', 'e', 'l', 'l', 'o'});
  CQorexDoc* before = ActiveDoc();
  QxTest::MessageBoxScript boxes;
  EXPECT_EQ(m_app->OpenDocumentFile(path.c_str()), nullptr);
  QxTest::PumpUntilIdle();
  EXPECT_EQ(m_app->GetOpenDocumentCount(), 1);
  EXPECT_EQ(boxes.Boxes().size(), 1u);
  for (CQorexDoc* shown :
       {g_pOutputBar->m_pDoc, g_pLeftBar->m_pDoc, g_pEqualizerBar->m_pDoc, g_pCommentBar->m_pDoc})
    EXPECT_TRUE(shown == nullptr || shown == before);
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
