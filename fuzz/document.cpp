// Feeds arbitrary bytes as a ".qox" file to the document's own load
// (CQorexDoc::Serialize on a loading archive). Checks that refused input
// raises the archive exception and leaves the document's stored bytes as they
// were; that accepted input recalculates, stores, loads back into a new
// document and stores again the same bytes as its first store. To keep a run
// near a millisecond under the sanitizers, the harness itself does not
// recalculate a design of more than 2,000 samples or with a locus of more
// than 50 steps (the load's own recalculation still runs, and the design is
// still stored and reloaded); no limit of the program changes.
#include "fuzz/FuzzSupport.h"

#include "QorexDoc.h"
#include "platform/core/Exceptions.h"

#include <cmath>
#include <memory>

namespace qxfuzz::document {
namespace {

constexpr double kMaxRecalculatedSamples = 2000;
constexpr int kMaxRecalculatedLocusSteps = 50;

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

bool SmallEnoughToRecalculate(const CQorexDoc& doc) {
  if (doc.m_dFinalTime / doc.m_dSamplingTime > kMaxRecalculatedSamples) return false;
  for (int i = 0; i < doc.m_nVarPoints; ++i)
    if (doc.m_pVarPoints[i].m_nSteps > kMaxRecalculatedLocusSteps) return false;
  return true;
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
