// Feeds arbitrary bytes to the population record's load
// (QOX_HistVar::Serialize on a loading archive). Checks that refused input
// marks the archive failed and leaves the population's stored bytes as they
// were, and that accepted input stores, loads back and stores again the same
// bytes as its first store.
#include "fuzz/FuzzSupport.h"

#include "search/QOX_HistVar.h"

namespace qxfuzz::population {
namespace {

// A population of two designs with three variables and a few poles, for a
// refused load to leave alone.
const Bytes& Sound() {
  static const Bytes bytes = Stored([](CArchive& ar) {
    ar << DWORD{2} << DWORD{64} << DWORD{3};
    ar << BYTE{0} << BYTE{1} << BYTE{0};
    for (DWORD e = 0; e < 2; ++e) {
      const DWORD roots = e + 1;
      ar << roots;
      for (DWORD r = 0; r < 2 * roots + QOX_HistVar::kCriteria + 3; ++r) ar << -0.5 * (r + 1) + e;
    }
  });
  return bytes;
}

Bytes StoredPopulation(QOX_HistVar& population) {
  return Stored([&](CArchive& ar) { population.Serialize(ar); });
}

}  // namespace

int Run(const std::uint8_t* data, std::size_t size) {
  QOX_HistVar population(nullptr);
  CArchive seed(Span(Sound()));
  QX_FUZZ_CHECK(population.Serialize(seed));
  const Bytes before = StoredPopulation(population);

  CArchive in(std::span<const BYTE>(data, size));
  if (!population.Serialize(in)) {
    QX_FUZZ_CHECK(in.HasFailed());
    QX_FUZZ_CHECK(StoredPopulation(population) == before);
    return 0;
  }
  QX_FUZZ_CHECK(!in.HasFailed());
  const Bytes first = StoredPopulation(population);
  QOX_HistVar again(nullptr);
  CArchive reread(Span(first));
  QX_FUZZ_CHECK(again.Serialize(reread) && reread.GetBytesRemaining() == 0);
  QX_FUZZ_CHECK(StoredPopulation(again) == first);
  return 0;
}

}  // namespace qxfuzz::population

#ifndef QX_FUZZ_REPLAY
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  qxfuzz::NoteUnit(data, size);
  return qxfuzz::population::Run(data, size);
}
#endif
