#pragma once
// The program's dialog templates, in dialog units: one Dialog<Name>.cpp per
// template, and RegisterDialogTemplates (Resources.h), the one list that
// registers them all by id. Dialogs and dialog bars only name their id; the
// application registers the list at start-up and the test main does the same.
#include "platform/core/Geometry.h"
#include "platform/ui/Constants.h"
#include "platform/ui/Controls.h"
#include "platform/ui/DialogTemplate.h"

#include <utility>
#include <vector>

namespace qxres {

// ---- building blocks ----------------------------------------------------------

inline CRect DialogRect(int x, int y, int width, int height) {
  return CRect(x, y, x + width, y + height);
}

// A visible child control; the layer's own builder, under the tables' short name.
inline QxDialogItem DialogItem(const char* className, UINT id, const char* text, DWORD style,
                               const CRect& rect, std::vector<CString> list = {}) {
  return QxMakeDialogItem(className, id, text, style, rect, std::move(list));
}

// A one-line label; static texts have no id of their own.
inline QxDialogItem DialogLabel(const char* text, int x, int y, int width) {
  return DialogItem(WC_STATIC, 0xFFFF, text, SS_LEFT, DialogRect(x, y, width, 8));
}

// A modal dialog's frame: caption, system menu, no resizing.
inline QxDialogTemplate ModalDialog(const char* caption, int width, int height) {
  QxDialogTemplate dialog;
  dialog.caption = caption;
  dialog.style = WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME;
  dialog.rect = CRect(0, 0, width, height);
  return dialog;
}

// A dialog bar: a child of its dock.
inline QxDialogTemplate DialogBar(const char* title, int width, int height) {
  QxDialogTemplate bar;
  bar.caption = title;
  bar.style = WS_CHILD;
  bar.rect = CRect(0, 0, width, height);
  return bar;
}

// The style of a one-line number or text field.
constexpr DWORD kFieldStyle = WS_TABSTOP | WS_BORDER | ES_AUTOHSCROLL;
// An up-down control on the field before it: it sets the field's integer,
// steps with its arrow keys and stands at its right edge.
constexpr DWORD kSpinStyle = UDS_AUTOBUDDY | UDS_SETBUDDYINT | UDS_ARROWKEYS | UDS_ALIGNRIGHT;

// ---- the templates (Dialog<Name>.cpp) ------------------------------------------

QxDialogTemplate AboutBoxTemplate();             // IDD_ABOUTBOX
QxDialogTemplate CommentBarTemplate();           // IDD_COMMENTBAR, "Comments"
QxDialogTemplate LeftBarTemplate();              // IDD_LEFTBAR, "ProcessView"
QxDialogTemplate VarBarTemplate();               // IDD_VARBAR, "Variables"
QxDialogTemplate TimeBoxTemplate();              // IDD_TIMEBOX, "Simulator Properties"
QxDialogTemplate OutputBarTemplate();            // IDD_OUTPUTBAR, "SimulationView"
QxDialogTemplate RootLocusPropertiesTemplate();  // IDD_RLPROPERTIES
QxDialogTemplate EditNodeTemplate();             // IDD_EDITNODE, "Edit Node"
QxDialogTemplate FreqPropertiesTemplate();       // IDD_FREQPROPERTIES
QxDialogTemplate EqualizerBarTemplate();         // IDD_EQUALIZERBAR, "Performance Equalizer"
QxDialogTemplate EditModelsTemplate();           // IDD_EDITMODELS, "Edit Models"
QxDialogTemplate EditSignalsTemplate();          // IDD_EDITSIGNALS, "Edit Signals"
QxDialogTemplate AddControllerTemplate();        // IDD_ADDCONTROLLER, "Build Controller"
QxDialogTemplate AddDeadTimeTemplate();          // IDD_ADDDEADTIME, "Add Dead-Time"
QxDialogTemplate ChooseTemplate();               // IDD_CHOOSE, "Choose from list"
QxDialogTemplate AddNodesTemplate();             // IDD_ADDNODES, "Add Nodes"
QxDialogTemplate ViewModelsTemplate();           // IDD_VIEWMODELS, "View Effective Models"
QxDialogTemplate EqualizerPropTemplate();        // IDD_EQUALIZERPROP, "Equalizer properties"

}  // namespace qxres
