#include "platform/core/MessageBox.h"

#include "platform/core/Debug.h"
#include "platform/core/String.h"

#include <mutex>

namespace {

std::mutex g_handlerLock;

QxMessageBoxHandler& Handler() {
  static QxMessageBoxHandler handler;
  return handler;
}

QxBeepHandler& BeepHandler() {
  static QxBeepHandler handler;
  return handler;
}

int DefaultHandler(HWND, LPCSTR text, LPCSTR caption, UINT type) {
  int answer = QxDefaultMessageBoxAnswer(type);
  AfxTrace("MessageBox [%s] %s -> %d\n", caption ? caption : "", text ? text : "", answer);
  return answer;
}

}  // namespace

QxMessageBoxHandler QxSetMessageBoxHandler(QxMessageBoxHandler handler) {
  std::lock_guard guard(g_handlerLock);
  QxMessageBoxHandler previous = std::move(Handler());
  Handler() = std::move(handler);
  return previous;
}

int QxDefaultMessageBoxAnswer(UINT type) {
  static const int buttons[][3] = {
      {IDOK, 0, 0},                        // MB_OK
      {IDOK, IDCANCEL, 0},                 // MB_OKCANCEL
      {IDABORT, IDRETRY, IDIGNORE},        // MB_ABORTRETRYIGNORE
      {IDYES, IDNO, IDCANCEL},             // MB_YESNOCANCEL
      {IDYES, IDNO, 0},                    // MB_YESNO
      {IDRETRY, IDCANCEL, 0},              // MB_RETRYCANCEL
      {IDCANCEL, IDTRYAGAIN, IDCONTINUE},  // MB_CANCELTRYCONTINUE
  };
  UINT set = type & MB_TYPEMASK;
  if (set >= sizeof(buttons) / sizeof(buttons[0])) set = 0;
  UINT index = (type & MB_DEFMASK) >> 8;
  // A default beyond the set's buttons falls back to the first, as the system does.
  if (index >= 3 || buttons[set][index] == 0) index = 0;
  return buttons[set][index];
}

int MessageBox(HWND owner, LPCSTR text, LPCSTR caption, UINT type) {
  QxMessageBoxHandler handler;
  {
    std::lock_guard guard(g_handlerLock);
    handler = Handler();
  }
  return handler ? handler(owner, text, caption, type) : DefaultHandler(owner, text, caption, type);
}

int AfxMessageBox(LPCSTR text, UINT type, UINT) {
  const char* title = AfxLoadString(AFX_IDS_APP_TITLE);
  return MessageBox(nullptr, text, title ? title : "", type);
}

int AfxMessageBox(UINT promptId, UINT type, UINT helpId) {
  const char* prompt = AfxLoadString(promptId);
  return AfxMessageBox(prompt ? prompt : "", type, helpId);
}

BOOL MessageBeep(UINT type) {
  AfxTrace("MessageBeep %u\n", type);
  QxBeepHandler handler;
  {
    std::lock_guard guard(g_handlerLock);
    handler = BeepHandler();
  }
  if (handler) handler(type);
  return TRUE;
}

QxBeepHandler QxSetBeepHandler(QxBeepHandler handler) {
  std::lock_guard guard(g_handlerLock);
  QxBeepHandler previous = std::move(BeepHandler());
  BeepHandler() = std::move(handler);
  return previous;
}
