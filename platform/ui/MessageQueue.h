#pragma once
// The user-interface thread's message queue.
//
// PostMessage and PostThreadMessage may be called from any thread. Messages
// are delivered one at a time, first in first out, on the user-interface
// thread (the thread that made the QApplication), from whatever event loop
// runs there: the main loop, a modal dialog's, a message box's or a popup
// menu's. A post fails (FALSE) while 10,000 messages wait. Each delivery
// first offers the message to the application's PreTranslateMessage (which
// dispatches thread messages, those with no window) and otherwise sends it to
// its window. A message for a window that no longer exists is dropped.
#include "platform/core/Geometry.h"
#include "platform/core/Types.h"

#include <cstddef>
#include <functional>

struct MSG {
  HWND hwnd = nullptr;  // null: a thread message
  UINT message = 0;
  WPARAM wParam = 0;
  LPARAM lParam = 0;
  DWORD time = 0;
  POINT pt{};
};
using LPMSG = MSG*;

BOOL PostMessage(HWND hWnd, UINT message, WPARAM wParam = 0, LPARAM lParam = 0);
// Only the user-interface thread has a queue; other thread ids give FALSE.
BOOL PostThreadMessage(DWORD idThread, UINT message, WPARAM wParam, LPARAM lParam);
// Equal names (ignoring case) give equal ids, from 0xC000 on; null or "" gives 0.
UINT RegisterWindowMessage(LPCSTR name);
inline UINT RegisterWindowMessageA(LPCSTR name) {
  return RegisterWindowMessage(name);
}
// Ends the main loop with the exit code.
void PostQuitMessage(int nExitCode);

// The user-interface thread's id (0 before the QApplication exists).
DWORD QxUiThreadId();

namespace qxui {

// The name a registered message was made from; empty for other ids.
const char* RegisteredMessageName(UINT message);
// The id of the name (length bytes, any case) when some part of this process
// registered it, else 0; registers nothing. From any thread.
UINT FindRegisteredMessage(const char* name, std::size_t length);
// How a message is offered before dispatch (the application installs its
// PreTranslateMessage; without one the target and its parents are offered it
// in turn); TRUE: taken.
void SetPreTranslateHook(std::function<BOOL(MSG*)> hook);
BOOL PreTranslate(MSG* msg);
// Where a broadcast to other processes goes (the message bus installs itself).
void SetBroadcastHook(std::function<void(UINT, WPARAM, LPARAM)> hook);
// Offers the message to PreTranslate and then sends it to its window.
void DeliverMessage(MSG& msg);
// The application's main loop runs (PostQuitMessage ends only that loop).
void SetMainLoopRunning(bool running);
// Messages waiting.
int PendingMessageCount();
// Whether a post now would fail for the messages waiting (any thread).
bool QueueFull();
// Delivers every waiting message, including those posted meanwhile; returns how many.
int DeliverPendingMessages();
// The idle pass (the application installs its OnIdle loop); RunIdle runs it now.
void SetIdleHook(std::function<void()> hook);
void RunIdle();
// Called after every delivered message or input (the idle pass is due then).
void SetActivityHook(std::function<void()> hook);
void NoteActivity();

}  // namespace qxui
