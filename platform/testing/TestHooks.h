#pragma once
// Hooks that let tests drive windows headless and deterministically: pump
// messages, answer message boxes, count beeps, press keys and click, fire
// timers, and read focus, capture, caret, cursor and any window's pixels.
//
// Input goes through the same path as real input (Qt events sent to the
// window's widget), so the translation into Windows messages is what is tested.
#include "platform/core/Geometry.h"
#include "platform/core/MessageBox.h"
#include "platform/ui/Menu.h"
#include "platform/ui/Wnd.h"

#include <QImage>
#include <QWidget>

#include <functional>
#include <mutex>
#include <string>
#include <vector>

namespace QxTest {

// ---- pumping ---------------------------------------------------------------
// Delivers Qt's posted events, the queued messages and deferred deletions
// until none remain (bounded, so a message that posts itself cannot hang it).
void PumpEvents();
// PumpEvents, then the application's idle pass (update handlers of bars).
void PumpUntilIdle();

// ---- message boxes -----------------------------------------------------------
struct MessageBoxRecord {
  std::string text;
  std::string caption;
  UINT type = 0;
};
// While it lives, every message box is recorded and answered from the script
// (then with the box's default answer when the script runs out).
class MessageBoxScript {
 public:
  explicit MessageBoxScript(std::vector<int> answers = {});
  ~MessageBoxScript();
  MessageBoxScript(const MessageBoxScript&) = delete;
  MessageBoxScript& operator=(const MessageBoxScript&) = delete;
  const std::vector<MessageBoxRecord>& Boxes() const { return m_boxes; }

 private:
  std::vector<int> m_answers;
  std::vector<MessageBoxRecord> m_boxes;
  QxMessageBoxHandler m_previous;
};

// ---- beeps -------------------------------------------------------------------------
// While it lives, every MessageBeep is counted here instead of sounding (from
// any thread); the debug sink still gets its line.
class BeepCounter {
 public:
  BeepCounter();
  ~BeepCounter();
  BeepCounter(const BeepCounter&) = delete;
  BeepCounter& operator=(const BeepCounter&) = delete;
  int Count() const;
  // The type of each beep, in order.
  std::vector<UINT> Types() const;

 private:
  mutable std::mutex m_lock;
  std::vector<UINT> m_types;
  QxBeepHandler m_previous;
};

// ---- popup menus and modal windows ------------------------------------------------
// While it lives, popup menus are not shown: each records its items and
// "chooses" the next scripted command (0: dismissed).
class PopupMenuScript {
 public:
  explicit PopupMenuScript(std::vector<UINT> choices = {});
  ~PopupMenuScript();
  PopupMenuScript(const PopupMenuScript&) = delete;
  PopupMenuScript& operator=(const PopupMenuScript&) = delete;
  // The items of each popup shown, in order.
  const std::vector<std::vector<QxPopupItem>>& Menus() const { return m_menus; }

 private:
  std::vector<UINT> m_choices;
  std::vector<std::vector<QxPopupItem>> m_menus;
  QxPopupMenuHook m_previous;
};
// While it lives, every modal loop calls the action with its window once the
// loop runs (after the dialog's initialisation); the action ends the loop.
class ModalScript {
 public:
  explicit ModalScript(std::function<void(CWnd* modal)> action);
  ~ModalScript();
  ModalScript(const ModalScript&) = delete;
  ModalScript& operator=(const ModalScript&) = delete;
};
// Without a window system (offscreen) nobody returns the activation to the
// window a closing modal loop gave the keyboard back to: from this call on it
// returns at once, before anything else happens meanwhile. The test main
// calls it on the offscreen platform.
void ReturnActivationAtOnce();
// Without a window system nobody activates a window either: a call that gives
// the keyboard to a window in a shown top-level window other than the active
// one activates that window at once, as the user's click such a call stands
// for would. The test main calls it on the offscreen platform.
void ActivateForFocusAtOnce();
// While it lives, such a call activates nothing, as on a real window system:
// the keys stay where the toolkit has them.
class NoActivationForFocus {
 public:
  NoActivationForFocus();
  ~NoActivationForFocus();
  NoActivationForFocus(const NoActivationForFocus&) = delete;
  NoActivationForFocus& operator=(const NoActivationForFocus&) = delete;

 private:
  std::function<void(QWidget*)> m_previous;
};

// Everything a platform without a window system (the offscreen one) needs in
// place of the window system and its user: the activation returns and is
// given at once (ReturnActivationAtOnce, ActivateForFocusAtOnce), a message
// box or a dialog nobody could see gives its default answer or is cancelled
// once what is already posted has arrived, a file dialog is cancelled, and
// the mouse is not grabbed, no window raised, the caret steady and no help
// viewer opened. The test main calls it on the offscreen platform.
void RunWithoutAScreen();

// ---- mouse and keys ------------------------------------------------------------
enum class Button { Left, Right, Middle };
// Modifiers: MK_SHIFT and MK_CONTROL; points in the window's client coordinates.
void MouseMove(CWnd* wnd, CPoint client, UINT modifiers = 0);
void MouseDown(CWnd* wnd, CPoint client, Button button = Button::Left, UINT modifiers = 0);
void MouseUp(CWnd* wnd, CPoint client, Button button = Button::Left, UINT modifiers = 0);
void Click(CWnd* wnd, CPoint client, Button button = Button::Left, UINT modifiers = 0);
// The wheel turned by delta (WHEEL_DELTA a notch, positive away from the user).
void Wheel(CWnd* wnd, CPoint client, int delta, UINT modifiers = 0);
// Press, release, double click, release, as the window system reports one.
void DoubleClick(CWnd* wnd, CPoint client, Button button = Button::Left, UINT modifiers = 0);
// A key press and release with the virtual key (VK_* or 'A'..'Z', '0'..'9')
// sent to the focus window (or wnd when there is none). Modifiers: MK_SHIFT,
// MK_CONTROL, and MK_ALT for Alt.
constexpr UINT MK_ALT = 0x1000;
void PressKey(int virtualKey, UINT modifiers = 0, CWnd* wnd = nullptr);
// Types printable characters (letters, digits, punctuation; UTF-8, so that
// keys of other languages can be typed too) one by one.
void TypeText(const char* text, CWnd* wnd = nullptr);

// ---- timers --------------------------------------------------------------------
// Manual timers: SetTimer starts no real timer; FireTimer delivers WM_TIMER.
void SetManualTimers(bool manual);
void FireTimer(CWnd* wnd, UINT_PTR id);
// The window's running timers: (id, elapse in ms).
std::vector<std::pair<UINT_PTR, UINT>> Timers(CWnd* wnd);

// ---- state ---------------------------------------------------------------------
CWnd* Focus();
CWnd* Capture();
// How many modal loops run now, the toolkit's own included.
int ModalDepth();
struct CaretState {
  CWnd* owner = nullptr;
  CRect rect;
  bool visible = false;
};
CaretState Caret();
// The id of the cursor shown now: 32512... for standard cursors, the resource
// id of an application cursor, 0 for none.
UINT CursorId();
void SetCursorPosition(CPoint screen);

// ---- pixels --------------------------------------------------------------------
// What the window's client image holds.
QImage ClientImage(CWnd* wnd);
// What the window shows on screen (its paint event run into an image),
// children included.
QImage ScreenImage(CWnd* wnd);

}  // namespace QxTest
