#pragma once
// Message boxes and the warning beep. Every box goes through one replaceable
// handler: the dialogs layer installs one that shows a real box, tests install
// one that answers. Until then the default handler writes the box to the debug
// sink and returns the answer of its default button; the beep likewise. Style and result values are
// the documented Windows ones, since callers combine and compare them.
#include "platform/core/Types.h"

#include <functional>

// Buttons (MB_TYPEMASK).
#define MB_OK 0x00000000u
#define MB_OKCANCEL 0x00000001u
#define MB_ABORTRETRYIGNORE 0x00000002u
#define MB_YESNOCANCEL 0x00000003u
#define MB_YESNO 0x00000004u
#define MB_RETRYCANCEL 0x00000005u
#define MB_CANCELTRYCONTINUE 0x00000006u
// Icons (MB_ICONMASK).
#define MB_ICONHAND 0x00000010u
#define MB_ICONQUESTION 0x00000020u
#define MB_ICONEXCLAMATION 0x00000030u
#define MB_ICONASTERISK 0x00000040u
#define MB_ICONSTOP MB_ICONHAND
#define MB_ICONERROR MB_ICONHAND
#define MB_ICONWARNING MB_ICONEXCLAMATION
#define MB_ICONINFORMATION MB_ICONASTERISK
// Default button (MB_DEFMASK).
#define MB_DEFBUTTON1 0x00000000u
#define MB_DEFBUTTON2 0x00000100u
#define MB_DEFBUTTON3 0x00000200u
#define MB_DEFBUTTON4 0x00000300u
// Modality and the rest.
#define MB_APPLMODAL 0x00000000u
#define MB_SYSTEMMODAL 0x00001000u
#define MB_TASKMODAL 0x00002000u
#define MB_HELP 0x00004000u
#define MB_NOFOCUS 0x00008000u
#define MB_SETFOREGROUND 0x00010000u
#define MB_DEFAULT_DESKTOP_ONLY 0x00020000u
#define MB_TOPMOST 0x00040000u
#define MB_RIGHT 0x00080000u
#define MB_RTLREADING 0x00100000u
#define MB_TYPEMASK 0x0000000Fu
#define MB_ICONMASK 0x000000F0u
#define MB_DEFMASK 0x00000F00u
#define MB_MODEMASK 0x00003000u
#define MB_MISCMASK 0x0000C000u

// Results.
#define IDOK 1
#define IDCANCEL 2
#define IDABORT 3
#define IDRETRY 4
#define IDIGNORE 5
#define IDYES 6
#define IDNO 7
#define IDCLOSE 8
#define IDHELP 9
#define IDTRYAGAIN 10
#define IDCONTINUE 11

// The string id of the application's title, the caption of AfxMessageBox.
#define AFX_IDS_APP_TITLE 0xE000u

// owner may be null; text and caption may be null (shown empty). Returns an ID* result.
using QxMessageBoxHandler = std::function<int(HWND owner, LPCSTR text, LPCSTR caption, UINT type)>;

// Installs a handler (an empty one restores the default) and returns the
// previous one. Thread-safe; the handler itself is called outside any lock, so
// it may run a nested loop or show another box.
QxMessageBoxHandler QxSetMessageBoxHandler(QxMessageBoxHandler handler);
// The answer the default handler gives: the default button of the set.
int QxDefaultMessageBoxAnswer(UINT type);

int MessageBox(HWND owner, LPCSTR text, LPCSTR caption, UINT type);
inline int MessageBoxA(HWND owner, LPCSTR text, LPCSTR caption, UINT type) {
  return MessageBox(owner, text, caption, type);
}
// Captioned with the application's title (string AFX_IDS_APP_TITLE).
int AfxMessageBox(LPCSTR text, UINT type = MB_OK, UINT helpId = 0);
// The prompt is a string-table entry; an unknown id shows an empty text.
int AfxMessageBox(UINT promptId, UINT type = MB_OK, UINT helpId = static_cast<UINT>(-1));
// The system's warning sound: a line in the debug sink, then the beep
// handler (which the windows layer points at the window system's bell);
// without one, the line alone. Callable on any thread.
BOOL MessageBeep(UINT type);
// type is MessageBeep's: 0xFFFFFFFF the simple beep, else an MB_ICON* sound.
using QxBeepHandler = std::function<void(UINT type)>;
// Installs a beep handler (an empty one leaves the line alone) and returns
// the previous one. Thread-safe; the handler is called outside any lock.
QxBeepHandler QxSetBeepHandler(QxBeepHandler handler);
