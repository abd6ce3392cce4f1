// Feeds arbitrary bytes to the definition table's load (its tag word, then
// CMXC_ARJ::Load, so every kind's record as a pattern or a value). Checks
// that an accepted table stores, loads back and stores again the same bytes
// as its first store, and that looking each of its patterns up in it runs
// without a fault; a refused table leaves nothing allocated (the leak check).
#include "fuzz/FuzzSupport.h"

#include "MC/MC_BASIC.h"
#include "MC/MXC_ARJ.h"

#include <memory>

namespace qxfuzz::definition_table {
namespace {

// The tag, then the table, as a reader of a stored table takes it.
std::unique_ptr<CMXC_ARJ> LoadTable(CArchive& in) {
  WORD tag = 0;
  in >> tag;
  if (in.HasFailed() || tag != CMXC_ARJ::kTag) return nullptr;
  return std::unique_ptr<CMXC_ARJ>(CMXC_ARJ::Load(in));
}

}  // namespace

int Run(const std::uint8_t* data, std::size_t size) {
  CArchive in(std::span<const BYTE>(data, size));
  std::unique_ptr<CMXC_ARJ> table = LoadTable(in);
  if (!table) return 0;
  const Bytes first = Stored([&](CArchive& ar) { table->Store(ar); });
  CArchive reread(Span(first));
  std::unique_ptr<CMXC_ARJ> again = LoadTable(reread);
  QX_FUZZ_CHECK(again != nullptr && reread.GetBytesRemaining() == 0);
  QX_FUZZ_CHECK(Stored([&](CArchive& ar) { again->Store(ar); }) == first);
  for (int i = 0; i < table->GetCount(); ++i)
    if (const CMcBasic* pattern = table->GetPatternAt(i)) table->Lookup(pattern);
  return 0;
}

}  // namespace qxfuzz::definition_table

#ifndef QX_FUZZ_REPLAY
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  qxfuzz::NoteUnit(data, size);
  return qxfuzz::definition_table::Run(data, size);
}
#endif
