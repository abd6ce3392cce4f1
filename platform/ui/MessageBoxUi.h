#pragma once
// Real message boxes. QxInstallMessageBoxUi replaces the foundation's
// tracing handler (platform/core/MessageBox.h) with one that shows a modal box
// on the user-interface thread: caption, text, the MB_OK, MB_OKCANCEL,
// MB_YESNO and MB_YESNOCANCEL button sets, the MB_ICON* icons and the
// MB_DEFBUTTON* default, returning IDOK, IDCANCEL, IDYES or IDNO.
//
// A box asked for on another thread is posted to the user-interface thread
// and shown there; the worker's call returns at once with the box's default
// answer, so a worker never waits for the user.
#include "platform/core/MessageBox.h"
#include "platform/core/String.h"

#include <functional>

// Installs the real boxes and the window system's bell for MessageBeep (once
// the application has its QApplication).
void QxInstallMessageBoxUi();
// The beep handler QxInstallMessageBoxUi installs: the window system's bell,
// rung on the user-interface thread (a worker's beep is posted there).
void QxSoundBell(UINT type);
// The handler QxInstallMessageBoxUi installs.
int QxShowMessageBox(HWND owner, LPCSTR text, LPCSTR caption, UINT type);

// Layer-internal: what shows a box on the user-interface thread (tests answer
// here, after the hand-over from a worker); empty: a Qt message box.
using QxMessageBoxPresenter =
    std::function<int(HWND owner, const CString& text, const CString& caption, UINT type)>;
QxMessageBoxPresenter QxSetMessageBoxPresenter(QxMessageBoxPresenter presenter);
// Layer-internal: the modal Qt box itself, shown on any platform; each of its
// buttons carries its ID* result in the property kQxBoxResultProperty.
int QxRunQtMessageBox(HWND owner, const CString& text, const CString& caption, UINT type);
inline constexpr const char* kQxBoxResultProperty = "qxBoxResult";
