#pragma once
// Building blocks of the program's dialog templates, in dialog units: a
// rectangle from its corner and size, and a visible child control in it.
#include "platform/core/Geometry.h"
#include "platform/ui/DialogTemplate.h"

#include <utility>
#include <vector>

namespace qxres {

inline CRect DialogRect(int x, int y, int width, int height) {
  return CRect(x, y, x + width, y + height);
}

// A visible child control; the layer's own builder, under the tables' short name.
inline QxDialogItem DialogItem(const char* className, UINT id, const char* text, DWORD style,
                               const CRect& rect, std::vector<CString> list = {}) {
  return QxMakeDialogItem(className, id, text, style, rect, std::move(list));
}

}  // namespace qxres
