#pragma once
// A design stored as a ".qox" file, or one of its lists of expressions, loads
// back and stores again the same bytes: what the program saves, it opens.
#include "MC/MXC_BIN.h"
#include "QorexDoc.h"
#include "platform/core/Archive.h"
#include "platform/core/Exceptions.h"

#include <string>
#include <vector>

namespace qxtest {

inline std::vector<BYTE> StoredDesign(CQorexDoc& doc) {
  CArchive out(CArchive::store);
  out.m_pDocument = &doc;
  doc.Serialize(out);
  return out.TakeStoredBytes();
}

// Empty when the design loads back to the same bytes; else what went wrong.
inline std::string DesignRoundTripFault(CQorexDoc& doc) {
  const std::vector<BYTE> stored = StoredDesign(doc);
  CQorexDoc loaded;
  CArchive in(std::span<const BYTE>(stored.data(), stored.size()));
  in.m_pDocument = &loaded;
  try {
    loaded.Serialize(in);
  } catch (CArchiveException* e) {
    e->Delete();
    return "the stored design is refused on open";
  }
  return StoredDesign(loaded) == stored ? "" : "the reloaded design stores other bytes";
}

// Empty when the list's record (a design's models, signals or libraries)
// loads back and stores the same bytes. Unlike a whole design, loading a list
// recalculates nothing and leaves the windows of a running program alone.
inline std::string ListRoundTripFault(const CMXC_BIN& list) {
  CArchive out(CArchive::store);
  list.Store(out);
  const std::vector<BYTE> stored = out.TakeStoredBytes();
  CArchive in(std::span<const BYTE>(stored.data(), stored.size()));
  CMXC_BIN loaded;
  const bool sound = loaded.Load(in) && in.GetBytesRemaining() == 0;
  std::vector<BYTE> again;
  if (sound) {
    CArchive out2(CArchive::store);
    loaded.Store(out2);
    again = out2.TakeStoredBytes();
  }
  loaded.DeleteAll();
  if (!sound) return "the stored list is refused";
  return again == stored ? "" : "the reloaded list stores other bytes";
}

}  // namespace qxtest
