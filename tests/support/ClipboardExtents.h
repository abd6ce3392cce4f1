#pragma once
// The extents the clipboard's picture declares (0 x 0 when it holds none).
#include "platform/core/GlobalMemory.h"
#include "platform/core/Geometry.h"
#include "platform/gdi/GdiTypes.h"
#include "platform/ui/Clipboard.h"

namespace qxtest {

inline CRect ClipboardPictureExtents() {
  CRect extents;
  if (!OpenClipboard(nullptr)) return extents;
  if (HANDLE block = GetClipboardData(CF_METAFILEPICT)) {
    const auto* picture = static_cast<const METAFILEPICT*>(GlobalLock(block));
    extents = CRect(0, 0, picture->xExt, picture->yExt);
    GlobalUnlock(block);
  }
  CloseClipboard();
  return extents;
}

}  // namespace qxtest
