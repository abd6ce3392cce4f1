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

inline QxDialogItem DialogItem(const char* className, UINT id, const char* text, DWORD style,
                               const CRect& rect, std::vector<CString> list = {}) {
  QxDialogItem item;
  item.className = className;
  item.id = id;
  item.text = text;
  item.style = WS_CHILD | WS_VISIBLE | style;
  item.rect = rect;
  item.list = std::move(list);
  return item;
}

}  // namespace qxres
