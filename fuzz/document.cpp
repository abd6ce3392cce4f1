// Feeds arbitrary bytes as a ".qox" file to the document's own load
// (CQorexDoc::Serialize on a loading archive). Checks that refused input
// raises the archive exception and leaves the document's stored bytes as they
// were; that accepted input recalculates, stores, loads back into a new
// document and stores again the same bytes as its first store.
//
// What a valid design costs is mostly its loci: every step of a locus finds
// the roots of the loop's polynomials, whose degree may reach 255. So that a
// valid but costly design is no timeout while a hang still is one, the
// harness bounds its own work by what the loci cost as the program computed
// them: its loads run with the root locus settings at 3 logarithmic and 3
// linear steps (settings a user may choose; the program's loci are computed
// in full, only at fewer gains), and it recalculates once more only a design
// of at most 2,000 samples whose loci took at most kMaxLocusWork (the
// squared degrees of the polynomials whose roots they found). The load's own
// recalculation always runs, and the design is always stored and reloaded; no
// limit of the program changes.
#include "fuzz/FuzzSupport.h"

#include "GlobalResources.h"
#include "QorexDoc.h"
#include "platform/core/Exceptions.h"
#include "simulation/SIMroots.h"

#include <algorithm>
#include <cmath>
#include <memory>

namespace qxfuzz::document {
namespace {

constexpr double kMaxRecalculatedSamples = 2000;
constexpr int kLocusLogSteps = 3;
constexpr int kLocusLinSteps = 3;
// In the units of LocusWork: some 50 ms under the sanitizers (a locus of
// 3 steps on a loop whose determinant has degree 180).
constexpr double kMaxLocusWork = 1e5;

// The root locus settings of a run, put back after.
class LocusSteps {
 public:
  LocusSteps() : m_log(g_nRlLogSteps), m_lin(g_nRlLinSteps) {
    g_nRlLogSteps = kLocusLogSteps;
    g_nRlLinSteps = kLocusLinSteps;
  }
  ~LocusSteps() {
    g_nRlLogSteps = m_log;
    g_nRlLinSteps = m_lin;
  }
  LocusSteps(const LocusSteps&) = delete;
  LocusSteps& operator=(const LocusSteps&) = delete;

 private:
  int m_log, m_lin;
};

Bytes StoredDesign(CQorexDoc& doc) {
  return Stored([&](CArchive& ar) {
    ar.m_pDocument = &doc;
    doc.Serialize(ar);
  });
}

enum class Outcome { Accepted, Refused };

// Loads bytes into doc as opening a file does; a failure must be the archive
// exception (a load that returns with the archive failed is half a refusal).
Outcome Load(CQorexDoc& doc, std::span<const BYTE> bytes) {
  CArchive in(bytes);
  in.m_pDocument = &doc;
  try {
    doc.Serialize(in);
  } catch (CArchiveException* e) {
    e->Delete();
    return Outcome::Refused;
  }
  QX_FUZZ_CHECK(!in.HasFailed());
  return Outcome::Accepted;
}

// Whether the recalculation computes the locus: its variable is in one of
// the loop's blocks (as CSIMsystem::ParameterLoci decides).
bool Computes(const CQorexDoc& doc, const CVARpoints& locus) {
  const int var = locus.m_nVariable;
  if (var < 0 || var >= doc.m_vars.m_nCount) return false;
  for (int m = kModelK; m <= kModelF; ++m) {
    const CMcBasic* side = doc.m_models.RightSideAt(m);
    if (side != nullptr && doc.m_models.ContainsVariable(side, var)) return true;
  }
  return false;
}

// What the loci of a recalculation cost, from the loop as the program
// computed it (the stored step count is not trusted: a locus that computes
// overwrites it). Every step finds, with polishing, the zeros of each
// diagonal element of I + L, then the roots of |I + L| (up to degree 255);
// Laguerre's cost grows with the square of the degree.
double LocusWork(const CQorexDoc& doc) {
  const CSIMtrnmx& onePlusLoop = doc.m_system.m_work[7];  // of the last step
  double step = 0;
  for (int i = 0; i < std::min(onePlusLoop.m_nRows, onePlusLoop.m_nCols); ++i) {
    const CSIMtrnfn& element = onePlusLoop.At(i, i);
    const double degree = std::max(element.m_nNum, element.m_nDen) - 1;
    step += 2 * degree * degree;
  }
  const double degree = std::min(doc.m_system.m_tfSweep.m_nNum - 1, kMaxPolyDegree);
  step += degree * degree;
  double work = 0;
  for (int i = 0; i < doc.m_nVarPoints; ++i) {
    const CVARpoints& locus = doc.m_pVarPoints[i];
    if (Computes(doc, locus)) work += (locus.Mode() == 0 ? kLocusLogSteps : kLocusLinSteps) * step;
  }
  return work;
}

bool SmallEnoughToRecalculate(const CQorexDoc& doc) {
  return doc.m_dFinalTime / doc.m_dSamplingTime <= kMaxRecalculatedSamples &&
         LocusWork(doc) <= kMaxLocusWork;
}

// The document every run loads into: a new design until a run is accepted,
// which replaces it, so that no run sees what an earlier one left.
std::unique_ptr<CQorexDoc>& Target() {
  static auto* doc = new std::unique_ptr<CQorexDoc>(new CQorexDoc);
  return *doc;
}

const Bytes& NewDesignBytes() {
  static const Bytes* bytes = new Bytes(StoredDesign(*Target()));
  return *bytes;
}

}  // namespace

int Run(const std::uint8_t* data, std::size_t size) {
  LocusSteps steps;
  const Bytes& before = NewDesignBytes();
  CQorexDoc& doc = *Target();
  if (Load(doc, std::span<const BYTE>(data, size)) == Outcome::Refused) {
    QX_FUZZ_CHECK(StoredDesign(doc) == before);
    return 0;
  }
  if (SmallEnoughToRecalculate(doc)) doc.Recalculate();
  const Bytes first = StoredDesign(doc);
  auto reloaded = std::make_unique<CQorexDoc>();
  QX_FUZZ_CHECK(Load(*reloaded, Span(first)) == Outcome::Accepted);
  QX_FUZZ_CHECK(StoredDesign(*reloaded) == first);
  Target() = std::make_unique<CQorexDoc>();
  return 0;
}

}  // namespace qxfuzz::document

#ifndef QX_FUZZ_REPLAY
extern "C" int LLVMFuzzerInitialize(int*, char***) {
  qxfuzz::StartQt();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  return qxfuzz::document::Run(data, size);
}
#endif
