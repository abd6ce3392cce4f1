#pragma once
// Dialog templates: the layout of a dialog or dialog bar in dialog units, and
// its controls (window class, id, style, text, rectangle, and the list of a
// combo box). The resource tables register them by id; dialogs and dialog
// bars create their controls from them through the control factories, which
// the controls layer registers per window class ("Button", "Edit", ...).
#include "platform/core/Geometry.h"
#include "platform/core/String.h"
#include "platform/ui/Wnd.h"

#include <functional>
#include <string>
#include <vector>

class QFont;

struct QxDialogItem {
  CString className;  // "Button", "Edit", "Static", "ComboBox", "ListBox", "msctls_trackbar32"...
  CString text;
  UINT id = 0;
  DWORD style = WS_CHILD | WS_VISIBLE;
  DWORD exStyle = 0;
  CRect rect;                 // dialog units
  std::vector<CString> list;  // a combo box's initial entries
};

// A visible child control of the template (WS_CHILD | WS_VISIBLE added to style).
QxDialogItem QxMakeDialogItem(const char* className, UINT id, const char* text, DWORD style,
                              const CRect& rect, std::vector<CString> list = {});

struct QxDialogTemplate {
  CString caption;
  DWORD style = WS_CHILD;
  DWORD exStyle = 0;
  CRect rect;  // dialog units
  CString fontName = "MS Sans Serif";
  int pointSize = 8;
  std::vector<QxDialogItem> items;
};

void QxRegisterDialogTemplate(UINT id, QxDialogTemplate dialogTemplate);
// Null for an unknown id.
const QxDialogTemplate* QxFindDialogTemplate(UINT id);
// The ids of every registered template, in ascending order.
std::vector<UINT> QxDialogTemplateIds();

// The font a template's dialog and its controls draw with: whatever face the
// template names, the installed Liberation Sans, 12 pixels for 8 points.
QFont QxDialogFont(const QxDialogTemplate& dialogTemplate);
// The dialog base units of that font, measured as the framework measures
// them: the width of "A".."Z" "a".."z" over 52, rounded, and the font's height
// (ascent plus descent); 7 x 14 for 8 points. A horizontal dialog unit is a
// quarter of the first, a vertical one an eighth of the second. Needs the
// application object; user-interface thread.
CSize QxDialogBaseUnits(const QxDialogTemplate& dialogTemplate);
// Dialog units to pixels in those base units (x * base.cx / 4, y * base.cy / 8,
// truncated).
CRect QxDialogUnitsToPixels(const QxDialogTemplate& dialogTemplate, const CRect& rect);

// Makes a control of the item inside parent (pixel rectangle given); null on
// failure. Without a factory for the class a plain child window is made, so
// that ids, texts and notifications still work.
using QxControlFactory =
    std::function<CWnd*(CWnd* parent, const QxDialogItem& item, const CRect& pixels)>;
void QxRegisterControlFactory(const char* className, QxControlFactory factory);
CWnd* QxCreateDialogControl(CWnd* parent, const QxDialogItem& item, const CRect& pixels);
// Creates every control of the template in parent; FALSE when one fails.
BOOL QxCreateDialogControls(CWnd* parent, const QxDialogTemplate& dialogTemplate);
