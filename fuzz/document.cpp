// Feeds arbitrary bytes as a ".qox" file to the document's own load
// (CQorexDoc::Serialize on a loading archive). Checks that refused input
// raises the archive exception and leaves the document's stored bytes as they
// were; that accepted input recalculates, stores, loads back into a new
// document and stores again the same bytes as its first store.
//
// What a valid design costs is mostly the roots of its polynomials, whose
// degree may reach 255: the blocks' poles and zeros and the loop's at every
// recalculation, once more at every step of a locus; and the eigenvalues of
// the loop at every point of a frequency sweep. So that a valid but costly
// design is no timeout on a loaded machine while a hang still is one, the
// harness runs with settings a user may choose (no limit of the program
// changes): its sweeps at 20 points, and its loads with no locus steps. It
// then judges what a recalculation would cost from the loop as the load
// computed it, and recalculates once more, with 3 logarithmic and 3 linear
// locus steps, only a design of at most 2,000 samples whose recalculation
// costs at most kMaxRecalculationWork (the squared degrees of the
// polynomials whose roots it finds); the reload runs with the settings of
// that first store. The load's own recalculation always runs, and the design
// is always stored and reloaded.
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
constexpr int kFrequencySteps = 20;
// In the units of RecalculationWork: some 20 ms under the sanitizers (a
// single loop of degree 60 with one locus); a design of degree 238 costs
// some 40 ms a recalculation without its loci.
constexpr double kMaxRecalculationWork = 5e4;

// The settings of a run, put back after: the sweeps' points, and the locus
// steps (none until Loci sets them).
class RunSettings {
 public:
  RunSettings() : m_log(g_nRlLogSteps), m_lin(g_nRlLinSteps), m_freq(g_nFreqSteps) {
    Loci(0, 0);
    g_nFreqSteps = kFrequencySteps;
  }
  ~RunSettings() {
    Loci(m_log, m_lin);
    g_nFreqSteps = m_freq;
  }
  RunSettings(const RunSettings&) = delete;
  RunSettings& operator=(const RunSettings&) = delete;
  static void Loci(int log, int lin) {
    g_nRlLogSteps = log;
    g_nRlLinSteps = lin;
  }

 private:
  int m_log, m_lin, m_freq;
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

double Squared(int coefficients) {
  const double degree = std::max(coefficients - 1, 0);
  return degree * degree;
}

// What one step of a locus costs, from the loop as the load computed it at
// the design's values (a step rebuilds it at another value of the variable,
// of the same degrees): the zeros, with polishing, of each diagonal element
// of I + L, then the roots of |I + L| (up to degree 255). Laguerre's cost
// grows with the square of the degree.
double LocusStepWork(const CSIMsystem& loop) {
  const CSIMtrnmx& onePlusLoop = loop.m_IFLGK;
  double work = 0;
  for (int i = 0; i < std::min(onePlusLoop.m_nRows, onePlusLoop.m_nCols); ++i) {
    const CSIMtrnfn& element = onePlusLoop.At(i, i);
    work += 2 * Squared(std::max(element.m_nNum, element.m_nDen));
  }
  return work + Squared(std::min(loop.m_detIFLGK.m_nNum, kMaxPolyDegree + 1));
}

// What a recalculation costs, in the same units: the poles and zeros of
// every element of the five blocks, the loop's own step, its transmission
// zeros, and the loci's steps (the stored step count is not trusted).
double RecalculationWork(const CQorexDoc& doc) {
  const CSIMsystem& loop = doc.m_system;
  double work = LocusStepWork(loop) + Squared(loop.m_detFLGK.m_nNum);
  for (const SIMmodelWiring& wiring : kModelWiring) {
    const CSIMtrnmx& block = loop.*wiring.block;
    for (int r = 0; r < block.m_nRows; ++r)
      for (int c = 0; c < block.m_nCols; ++c)
        work += Squared(block.At(r, c).m_nNum) + Squared(block.At(r, c).m_nDen);
  }
  for (int i = 0; i < doc.m_nVarPoints; ++i) {
    const CVARpoints& locus = doc.m_pVarPoints[i];
    if (Computes(doc, locus))
      work += (locus.Mode() == 0 ? kLocusLogSteps : kLocusLinSteps) * LocusStepWork(loop);
  }
  return work;
}

bool SmallEnoughToRecalculate(const CQorexDoc& doc) {
  return doc.m_dFinalTime / doc.m_dSamplingTime <= kMaxRecalculatedSamples &&
         RecalculationWork(doc) <= kMaxRecalculationWork;
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
  RunSettings settings;
  const Bytes& before = NewDesignBytes();
  CQorexDoc& doc = *Target();
  if (Load(doc, std::span<const BYTE>(data, size)) == Outcome::Refused) {
    QX_FUZZ_CHECK(StoredDesign(doc) == before);
    return 0;
  }
  if (SmallEnoughToRecalculate(doc)) {
    RunSettings::Loci(kLocusLogSteps, kLocusLinSteps);
    doc.Recalculate();
  }
  const Bytes first = StoredDesign(doc);
  auto reloaded = std::make_unique<CQorexDoc>();
  QX_FUZZ_CHECK(Load(*reloaded, Span(first)) == Outcome::Accepted);
  QX_FUZZ_CHECK(StoredDesign(*reloaded) == first);
  // A new design recalculates too: made as every run's load is, so that a
  // refusal leaves the bytes of NewDesignBytes.
  RunSettings::Loci(0, 0);
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
  qxfuzz::NoteUnit(data, size);
  return qxfuzz::document::Run(data, size);
}
#endif
