#include "platform/ui/DialogTemplate.h"

#include <algorithm>
#include <cctype>
#include <map>
#include <memory>

namespace {

std::map<UINT, QxDialogTemplate>& Templates() {
  static auto* templates = new std::map<UINT, QxDialogTemplate>;
  return *templates;
}

std::string Lower(const char* text) {
  std::string s = text ? text : "";
  for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return s;
}

std::map<std::string, QxControlFactory>& Factories() {
  static auto* factories = new std::map<std::string, QxControlFactory>;
  return *factories;
}

// A control without its own class yet: a child window that owns itself.
class CPlainControl : public CWnd {
 protected:
  void PostNcDestroy() override { delete this; }
};

}  // namespace

QxDialogItem QxMakeDialogItem(const char* className, UINT id, const char* text, DWORD style,
                              const CRect& rect, std::vector<CString> list) {
  QxDialogItem item;
  item.className = className;
  item.id = id;
  item.text = text;
  item.style = WS_CHILD | WS_VISIBLE | style;
  item.rect = rect;
  item.list = std::move(list);
  return item;
}

void QxRegisterDialogTemplate(UINT id, QxDialogTemplate dialogTemplate) {
  Templates()[id] = std::move(dialogTemplate);
}

const QxDialogTemplate* QxFindDialogTemplate(UINT id) {
  auto found = Templates().find(id);
  return found == Templates().end() ? nullptr : &found->second;
}

CSize QxDialogBaseUnits(const QxDialogTemplate& dialogTemplate) {
  // The 8-point dialog font's average width and height; other sizes scale.
  int points = std::max(1, dialogTemplate.pointSize);
  return CSize(6 * points / 8, 13 * points / 8);
}

CRect QxDialogUnitsToPixels(const QxDialogTemplate& dialogTemplate, const CRect& rect) {
  CSize base = QxDialogBaseUnits(dialogTemplate);
  return CRect(rect.left * base.cx / 4, rect.top * base.cy / 8, rect.right * base.cx / 4,
               rect.bottom * base.cy / 8);
}

void QxRegisterControlFactory(const char* className, QxControlFactory factory) {
  Factories()[Lower(className)] = std::move(factory);
}

CWnd* QxCreateDialogControl(CWnd* parent, const QxDialogItem& item, const CRect& pixels) {
  auto found = Factories().find(Lower(item.className));
  if (found != Factories().end()) return found->second(parent, item, pixels);
  auto* control = new CPlainControl;
  if (!control->CreateEx(item.exStyle, nullptr, item.text, item.style | WS_CHILD, pixels, parent,
                         item.id)) {
    delete control;
    return nullptr;
  }
  return control;
}

BOOL QxCreateDialogControls(CWnd* parent, const QxDialogTemplate& dialogTemplate) {
  for (const QxDialogItem& item : dialogTemplate.items) {
    CRect pixels = QxDialogUnitsToPixels(dialogTemplate, item.rect);
    if (!QxCreateDialogControl(parent, item, pixels)) return FALSE;
  }
  return TRUE;
}
