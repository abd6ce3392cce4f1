#include "platform/ui/DialogTemplate.h"

#include <QFont>
#include <QFontMetrics>
#include <QWidget>

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

std::vector<UINT> QxDialogTemplateIds() {
  std::vector<UINT> ids;
  for (const auto& entry : Templates()) ids.push_back(entry.first);
  return ids;
}

QFont QxDialogFont(const QxDialogTemplate& dialogTemplate) {
  // Every face a template names ("MS Sans Serif", "MS Shell Dlg", ...) stands
  // for one installed sans-serif face, so captions measure alike everywhere.
  // Its letters run wider for their average than the bitmap face's the
  // layouts were made with; a pixel and a half a point (8 points: 12 pixels,
  // dialog units of 7 x 14) gives every caption the room it had.
  QFont font(QStringLiteral("Liberation Sans"));
  const int points = std::clamp(dialogTemplate.pointSize, 1, 72);
  font.setPixelSize((points * 3 + 1) / 2);
  // Set here, not left to the desktop: hinted advances are wider, and the
  // dialog units must come from the advances the captions are drawn with.
  font.setHintingPreference(QFont::PreferVerticalHinting);
  font.setKerning(false);
  return font;
}

CSize QxDialogBaseUnits(const QxDialogTemplate& dialogTemplate) {
  // Measured once per size (the face is the same for every template).
  static auto* measured = new std::map<int, CSize>;
  const int key = dialogTemplate.pointSize;
  auto found = measured->find(key);
  if (found != measured->end()) return found->second;
  const QFontMetrics metrics(QxDialogFont(dialogTemplate));
  const int letters = metrics.horizontalAdvance(
      QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz"));
  const CSize base((letters / 26 + 1) / 2, metrics.ascent() + metrics.descent());
  return measured->emplace(key, base).first->second;
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
  const QFont font = QxDialogFont(dialogTemplate);
  for (const QxDialogItem& item : dialogTemplate.items) {
    CRect pixels = QxDialogUnitsToPixels(dialogTemplate, item.rect);
    CWnd* control = QxCreateDialogControl(parent, item, pixels);
    if (!control) return FALSE;
    // The font the dialog units were measured with, as the dialog manager
    // gives each control its dialog's font.
    if (QWidget* widget = control->GetWidget()) widget->setFont(font);
  }
  return TRUE;
}
