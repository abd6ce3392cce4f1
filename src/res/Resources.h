#pragma once
// The program's resource tables: menus, accelerators, the toolbar and its
// images, the string table and the dialog templates, registered by id with
// the platform layer so that its Load* calls and the frames, bars and dialogs
// find them. The application registers them once at start-up, before the
// main frame is made.
#include "platform/core/Types.h"

#include <QImage>

// Registers every table below. Calling it again registers the same tables
// again and changes nothing.
void QxRegisterResources();

namespace qxres {

// Menu 128 (no document open) and menu 129 (a design open).
void RegisterMenus();
// Accelerator table 128.
void RegisterAccelerators();
// Toolbar 128 and its bitmap.
void RegisterToolBar();
void RegisterStrings();
// Every dialog and dialog-bar template (DialogTemplates.h lists them).
void RegisterDialogTemplates();
// The pickers' cursors IDC_SIZE_MATRIX, IDC_ADD_POLE and IDC_ADD_ZERO.
void RegisterCursors();
// Icon 128, shown by the about box.
void RegisterIcons();
QImage DrawProgramIcon();

// The toolbar's button images side by side, kToolBarImageWidth pixels each,
// on the button-face grey (which the toolbar shows as transparent).
constexpr int kToolBarImageWidth = 16;
constexpr int kToolBarImageHeight = 15;
QImage DrawToolBarImages();

}  // namespace qxres
