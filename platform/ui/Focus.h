#pragma once
// Where the keyboard is. The toolkit's focus and activation (what the window
// system did) are the truth; the layer's focus, and so WM_SETFOCUS and
// WM_KILLFOCUS, follow them and never lead. Focus.cpp says which events move
// the keyboard and which the shown design. Layer-internal.
#include "platform/ui/Wnd.h"

#include <Qt>

#include <functional>

class QFocusEvent;
class QWidget;

namespace qxui {

// Makes the layer's focus follow the toolkit's from now on; called as the
// first window's widget is made.
void FollowToolkitFocus();
// A toolkit focus change for a window's widget, as WM_SETFOCUS/WM_KILLFOCUS.
bool TranslateFocus(CWnd* self, QFocusEvent* event);
// Gives the window's widget the toolkit's focus again without telling the
// window (it keeps the layer's focus it has).
void RefocusWidget(CWnd* wnd, Qt::FocusReason reason);
// Whether the keyboard can move to the window without the window system:
// its top-level window is the active one, or none is (the toolkit then gives
// the window its focus as its top-level window is activated), or the window
// has the toolkit's focus already, or it is in a window whose activation the
// layer asked for (AskActivation), or in the dialog whose modal loop runs or
// is about to (the window system activates that). CWnd::SetFocus keeps to it: a call that
// would move the layer's focus elsewhere leaves it where it is.
bool KeyboardCanMoveTo(CWnd* wnd);
// Asks the window system to activate the top-level window, which takes the
// keyboard from now on (a dialog shown, the print preview, the window a
// closing modal loop gives the keys back to); until the window system
// activates a window, keys it still delivers elsewhere go on there.
void AskActivation(QWidget* top);
// Whether the window's activation was asked for and the window system has
// activated no window since.
bool AwaitsActivation(const QWidget* top);
// Whether an activation the layer asked for is still to come (the window
// system has activated no window since): the active window the toolkit
// reports meanwhile is the one before it.
bool ActivationAwaited();
// Tells the toolkit, while it has no active window, that the top-level
// window the X server gave the keyboard last is the active one: the keys go
// to that window's focus widget. The toolkit can lose track of it: given to a
// window that a modal box disables, the focus makes the toolkit ask the window
// manager to activate the box instead, and a box answered and gone before the
// window manager did so leaves the focus where it was, with no event to say
// so. Called once a modal loop's window has gone, and as the toolkit gives up
// its focus window; nothing off an X server.
void FollowWindowSystemKeyboard();
// How a shown window gets the activation when a call gives the keyboard to a
// window in it while another is active. By default nothing activates it: the
// keys stay where the toolkit has them, and the window takes them once the
// user or the window system activates it. A platform without a window system
// (the tests' offscreen platform) activates it at once, as the user's click
// that such a call stands for would. Null restores the default; the one set
// before is returned.
using FocusActivation = std::function<void(QWidget* top)>;
FocusActivation SetFocusActivation(FocusActivation activation);

}  // namespace qxui
