#pragma once
// The modal loops that run (dialogs, message boxes and the toolkit's own
// file, print and menu loops), innermost last: one stack, which the depth,
// the modal window and the keyboard's hand-back all read. Layer-internal.
#include "platform/ui/Wnd.h"

#include <QPointer>
#include <QWidget>
#include <QWindow>

#include <functional>

namespace qxui {

// Where the keyboard was as a window took it (a modal loop's, the print
// preview), and the way back there once that window is done, given while it
// still shows: the window that had the keyboard gets it again (while it is
// still shown and enabled), and its top-level window the activation, so the
// window system moves its focus straight there instead of to the owner of
// what closed.
class KeyboardReturn {
 public:
  KeyboardReturn();
  KeyboardReturn(const KeyboardReturn&) = delete;
  KeyboardReturn& operator=(const KeyboardReturn&) = delete;
  // The keyboard back where it was; once only.
  void GiveBack();

 private:
  static QPointer<QWindow> s_givenBack;
  bool m_bGivenBack = false;
  HWND m_hFocus = nullptr;
  bool m_bKeyboardWindow = false;  // m_hFocus's window had the keyboard
};

// Entering a modal loop takes the mouse capture away, as the system does: the
// window that held it hears WM_CAPTURECHANGED (a slider ends its track there)
// and the box gets the mouse. When the loop ends, the window that was active,
// and the document window that was active in it, are active again, and the
// keyboard is back with the window that had it (while it is still shown and
// enabled). Lives as long as the modal loop.
class ModalEntry {
 public:
  ModalEntry();
  // A loop that a window runs by itself (RunModalLoop without a dialog's
  // entry): counted, and it takes and gives back nothing.
  struct CountOnly {};
  explicit ModalEntry(CountOnly);
  ~ModalEntry();
  ModalEntry(const ModalEntry&) = delete;
  ModalEntry& operator=(const ModalEntry&) = delete;
  // Gives the activation and the keyboard back now (the loop has ended, its
  // window is still shown); once only, at the latest as the entry ends.
  void HandBack();

  // The innermost loop's entry; null while none runs.
  static ModalEntry* Innermost();
  // The layer's window whose loop this entry counts (a dialog), while the
  // loop runs; null for a box or a loop of the toolkit's.
  void SetWindow(HWND hWnd) { m_hWindow = hWnd; }
  HWND Window() const { return m_hWindow; }
  bool HandedBack() const { return m_bHandedBack; }

 private:
  bool m_bHandedBack = false;
  bool m_bRestores = true;  // false: CountOnly

  HWND m_hWindow = nullptr;
  QPointer<QWidget> m_activeWindow;
  HWND m_hActiveChild = nullptr;
  KeyboardReturn m_keyboard;
};

// How many modal loops run now, dialogs and message boxes alike (the
// application's idle pass waits for none).
int ModalDepth();
// The window whose modal loop runs innermost (a dialog, or a box or dialog
// of the toolkit's own); null while none runs, or once that loop has given
// the keyboard back.
QWidget* ModalWindow();
// HandBack of the innermost modal loop's entry (a box that has been answered).
void HandBackKeyboard();
// Called inside every modal loop once it runs, with the modal window (tests
// drive the window from there and end the loop).
void SetModalHook(std::function<void(CWnd*)> hook);

// How the activation returns to the top-level window that a modal loop gave
// the keyboard back to. By default the window system is asked and does it in
// its own time; a platform without one (the tests' offscreen platform) sets
// its own, which is told whether that window had the keyboard when the loop
// began. Null restores the default.
using ActivationReturn = std::function<void(QWidget* top, bool hadKeyboard)>;
void SetActivationReturn(ActivationReturn activationReturn);

}  // namespace qxui
