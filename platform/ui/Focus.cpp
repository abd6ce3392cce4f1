// Where the keyboard is: the layer's focus, the policy that makes it follow
// the toolkit's, and each dialog's last focus.
#include "platform/ui/Focus.h"

#include "platform/ui/Dialog.h"
#include "platform/ui/FrameWnd.h"
#include "platform/ui/ModalEntry.h"
#include "platform/ui/View.h"
#include "platform/ui/WndInternal.h"

#include <QAbstractNativeEventFilter>
#include <QApplication>
#include <QFocusEvent>
#include <QGuiApplication>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPointer>
#include <QWindow>
#include <qpa/qwindowsysteminterface.h>

#include <xcb/xcb.h>

#include <map>

namespace {

HWND g_focus = nullptr;
// The window inside each dialog that had the keyboard last: the dialog gives
// it back when it is activated again.
std::map<HWND, HWND> g_dialogFocus;
// Set while the layer itself moves the toolkit's focus: the focus events that
// follow are its own doing, not the window system's.
bool g_inSetFocus = false;
// How a window that is not the active one gets the activation a call that
// gives it the keyboard needs; none by default (the user's click or the
// window system gives it).
qxui::FocusActivation g_focusActivation;
// The top-level window the layer asked the window system to activate (a
// dialog or the print preview shown, a window a closing modal loop gives the
// keyboard back to), until the window system activates a window.
QPointer<QWidget> g_activationAsked;
// The top-level window that has the X server's keyboard focus, as far as the
// focus events read so far say; null while none of the program's has it.
QPointer<QWindow> g_xKeyboard;

// Where the keyboard is, in one place. The toolkit's focus and activation
// (what the window system did) are the truth; the layer's focus, and so
// WM_SETFOCUS and WM_KILLFOCUS, follow them and never lead:
// - a window that gets the toolkit's focus gets the keyboard (TranslateFocus);
// - a frame that the window system activates while the toolkit's focus rests
//   on none of its windows (its caption, a document window's caption, the
//   area between them) gives the keyboard to its active document's view, or
//   keeps it itself (FollowContainer);
// - the activation of a window behind a modal dialog goes on to the dialog,
//   and a frame that a dialog just shown disables keeps no keyboard (keys the
//   window system still sends it, typed before the window manager gave the
//   dialog its focus, go on to the dialog's control);
// - a layer call moves the keyboard only where the toolkit's focus can go
//   with it (KeyboardCanMoveTo, which CWnd::SetFocus keeps itself, so no
//   caller can part the two): activating a design from a floating bar leaves
//   the keys in the bar, and a window of another top-level window takes them
//   once the window system activates that window;
// - a key goes to the layer's focus, or to the window the toolkit delivered
//   it to should that be another top-level window (WndInput.cpp);
// - the window the X server gave the keyboard is the toolkit's active window
//   too, also once a modal box that the toolkit passed that focus on to has
//   gone before the window manager activated it (FollowWindowSystemKeyboard).
// The shown design moves only with the activation of a document window,
// which the user's click in it, the Window menu and a new or opened design
// make. When the window system activates the main window again (a dialog or
// a box closed, the user came back from another window) the toolkit returns
// its focus to the widget that had it last, which its MDI area keeps inside
// the active document window (activating a document window focuses it, even
// while the main window is not active), so that never shows another design.
// No timer decides any of it.
class ToolkitFocus : public QObject, public QAbstractNativeEventFilter {
 public:
  ToolkitFocus() : QObject(qApp) {
    qApp->installEventFilter(this);
    if (QGuiApplication::platformName() == QLatin1String("xcb"))
      qApp->installNativeEventFilter(this);
    // Once the toolkit has carried its change out: a document window's frame
    // that took the focus hands it on to its own widget meanwhile.
    connect(
        qApp, &QApplication::focusChanged, this,
        [](QWidget*, QWidget* now) { FollowContainer(now); }, Qt::QueuedConnection);
    connect(qGuiApp, &QGuiApplication::focusWindowChanged, this,
            [](QWindow* now) { Activated(now); });
  }

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    // The receiver first: events posted from a worker thread reach the
    // application object, and reading them here would race with their sender
    // as far as the thread checker can see.
    if (!watched->isWidgetType() || event->type() != QEvent::FocusIn) return false;
    if (static_cast<QFocusEvent*>(event)->reason() != Qt::ActiveWindowFocusReason) return false;
    CWnd* home = DialogsLastFocus(static_cast<QWidget*>(watched));
    if (!home) return false;
    GiveKeyboard(home);
    return true;
  }

  // Which of the program's windows the X server gives the keys, read before
  // the toolkit reads it. The toolkit does not always follow: a window that a
  // modal box of its own disables does not take the focus it was given, the
  // toolkit asks the window manager to activate the box instead; should the
  // box close before the window manager does so, the X server's focus stays
  // where it was, and no event tells the toolkit again.
  bool nativeEventFilter(const QByteArray& type, void* message, qintptr*) override {
    if (type != "xcb_generic_event_t") return false;
    const auto* event = static_cast<const xcb_generic_event_t*>(message);
    const uint8_t kind = event->response_type & 0x7F;
    if (kind != XCB_FOCUS_IN && kind != XCB_FOCUS_OUT) return false;
    const auto* focus = static_cast<const xcb_focus_in_event_t*>(message);  // Out's is alike
    // While the keys follow the pointer, no window was given them: the
    // toolkit makes none active for that either.
    if (focus->detail == XCB_NOTIFY_DETAIL_POINTER) return false;
    for (QWindow* window : QGuiApplication::topLevelWindows()) {
      if (!window->handle() || window->winId() != focus->event) continue;
      if (kind == XCB_FOCUS_IN)
        g_xKeyboard = window;
      else if (g_xKeyboard == window)
        g_xKeyboard = nullptr;
      break;
    }
    return false;
  }

 private:
  static QWidget* BlockingModalWindow(QWindow* window);
  static CWnd* Home(CWnd* top);
  static CWnd* DialogsLastFocus(QWidget* widget);
  static void FollowContainer(QWidget* now);
  static void Activated(QWindow* now);
  static void GiveKeyboard(CWnd* wnd);
};

// The window of a frame that takes the keyboard when the frame itself is
// activated: its active document's active view (or the document window),
// else its own active view, else the frame.
CWnd* ToolkitFocus::Home(CWnd* top) {
  if (auto* mdi = dynamic_cast<CMDIFrameWnd*>(top)) {
    CMDIChildWnd* child = mdi->MDIGetActive();
    if (!child) return mdi;
    if (CView* view = child->GetActiveView()) return view;
    return child;
  }
  if (auto* frame = dynamic_cast<CFrameWnd*>(top)) {
    if (CView* view = frame->GetActiveView()) return view;
    return frame;
  }
  return nullptr;
}

// For a dialog's own widget, activated: the control in it that had the
// keyboard last (the activation can have gone elsewhere meanwhile, to a
// window behind the dialog). Null for any other widget.
CWnd* ToolkitFocus::DialogsLastFocus(QWidget* widget) {
  CWnd* dialog = qxui::WindowOfWidget(widget);
  if (!dynamic_cast<CDialog*>(dialog) || dialog->GetWidget() != widget) return nullptr;
  auto it = g_dialogFocus.find(dialog->GetSafeHwnd());
  CWnd* control = it == g_dialogFocus.end() ? nullptr : CWnd::FromHandle(it->second);
  return control && dialog->IsChild(control) && control->IsWindowVisible() &&
                 control->IsWindowEnabled()
             ? control
             : nullptr;
}

// The toolkit's focus went to a frame's container (the main window, its
// document area, a document window's frame) or to nothing while a frame is
// the active window: none of the layer's windows has it.
void ToolkitFocus::FollowContainer(QWidget* now) {
  if (now != QApplication::focusWidget()) return;  // a later change decides
  QWidget* top = now ? now->window() : QApplication::activeWindow();
  if (!top ||
      (now && now != top && !qobject_cast<QMdiSubWindow*>(now) && !qobject_cast<QMdiArea*>(now))) {
    return;
  }
  auto* frame = dynamic_cast<CFrameWnd*>(qxui::WindowOfWidget(top));
  if (!frame || frame->GetWidget() != top || !top->isActiveWindow()) return;
  // A frame that a dialog just shown disables loses its focus widget while it
  // is still the active window: the keyboard is the dialog's already.
  if (BlockingModalWindow(top->windowHandle())) return;
  if (CWnd* home = Home(frame)) GiveKeyboard(home);
}

// The modal window that disables the window (its owner, a floating bar),
// or null: none runs, or the window is the modal one, a popup, or one of its own.
QWidget* ToolkitFocus::BlockingModalWindow(QWindow* window) {
  QWidget* modal = qxui::ModalWindow();
  if (!window || !modal || !modal->isVisible() || modal->windowHandle() == window ||
      window->type() == Qt::Popup || window->type() == Qt::ToolTip) {
    return nullptr;
  }
  for (QWindow* step = window->transientParent(); step; step = step->transientParent())
    if (step == modal->windowHandle()) return nullptr;
  return modal;
}

void ToolkitFocus::Activated(QWindow* now) {
  if (!now) {
    // The toolkit gives up its focus window a moment after the window it
    // held for that has gone or lost the X server's focus, also when the
    // window that has that focus was made active here meanwhile (a box
    // closed): that window stays the active one.
    qxui::FollowWindowSystemKeyboard();
    return;
  }
  g_activationAsked = nullptr;
  // A window that a modal dialog disables does not keep the activation: the
  // dialog takes it, with the keyboard.
  if (QWidget* modal = BlockingModalWindow(now)) {
    modal->activateWindow();
    return;
  }
  if (!QApplication::focusWidget()) FollowContainer(nullptr);
}

// The keyboard to a window, for the layer and the toolkit alike.
void ToolkitFocus::GiveKeyboard(CWnd* wnd) {
  if (g_focus != wnd->GetSafeHwnd()) {
    wnd->SetFocus();
  } else if (QWidget* widget = wnd->GetWidget(); widget && !widget->hasFocus()) {
    qxui::RefocusWidget(wnd, Qt::OtherFocusReason);
  }
}

}  // namespace

namespace qxui {

void FollowToolkitFocus() {
  static QPointer<QObject> follower;
  if (!follower && qApp) follower = new ToolkitFocus;
}

// Qt focus changes that did not come through SetFocus (a click into a Qt
// control, a window activated) are reported as WM_SETFOCUS/WM_KILLFOCUS.
bool TranslateFocus(CWnd* self, QFocusEvent* event) {
  if (g_inSetFocus) return true;
  if (event->type() == QEvent::FocusIn) {
    if (g_focus != self->GetSafeHwnd()) self->SetFocus();
    return true;
  }
  QWidget* next = QApplication::focusWidget();
  // A window's FocusIn moves the layer's focus; a frame's container takes
  // none itself (FollowContainer gives the keyboard on).
  if (next && qxui::WindowOfWidget(next) && !qobject_cast<QMdiSubWindow*>(next) &&
      !qobject_cast<QMdiArea*>(next) && next != next->window()) {
    return true;
  }
  // Focus that leaves for a window of Qt's own (a modal box, another
  // application) is lost as in the framework; a popup menu, or the menu bar
  // in its keyboard mode, takes none.
  const bool toMenu =
      event->reason() == Qt::PopupFocusReason || event->reason() == Qt::MenuBarFocusReason;
  if (g_focus == self->GetSafeHwnd() && !toMenu) {
    g_focus = nullptr;
    self->SendMessage(WM_KILLFOCUS, 0, 0);
  }
  return true;
}

void RefocusWidget(CWnd* wnd, Qt::FocusReason reason) {
  QWidget* widget = wnd->GetWidget();
  if (!widget) return;
  ScopedValue<bool> own(g_inSetFocus, true);
  widget->setFocus(reason);
}

bool KeyboardCanMoveTo(CWnd* wnd) {
  QWidget* widget = wnd->GetWidget();
  QWidget* active = QApplication::activeWindow();
  if (!widget) return !active;
  if (!active || widget->window() == active || widget->hasFocus()) return true;
  // The window the layer asked the window system to activate takes the
  // keyboard now: keys typed before the window system has done so are its
  // (WndInput.cpp sends them on).
  if (AwaitsActivation(widget->window())) return true;
  // The dialog whose modal loop runs, or is about to, has the keyboard as the
  // window system activates it: the window it disables takes none meanwhile,
  // and the keys the window system still sends there go on to the dialog's
  // control (WndInput.cpp).
  QWidget* modal = ModalWindow();
  return modal && widget->window() == modal;
}

void AskActivation(QWidget* top) {
  if (!top) return;
  if (QGuiApplication::focusWindow() != top->windowHandle()) g_activationAsked = top;
  top->activateWindow();
  // The floating bars it owns stay above it: a window manager that raises
  // the activated window alone would hide them behind it.
  if (!top->windowHandle()) return;
  for (QWidget* owned : QApplication::topLevelWidgets()) {
    if (owned != top && owned->isVisible() && owned->windowType() == Qt::Tool &&
        owned->windowHandle() && owned->windowHandle()->transientParent() == top->windowHandle())
      owned->raise();
  }
}

bool AwaitsActivation(const QWidget* top) {
  return top && g_activationAsked == top && top->isVisible();
}

bool ActivationAwaited() {
  return AwaitsActivation(g_activationAsked);
}

void FollowWindowSystemKeyboard() {
  if (g_xKeyboard && !QGuiApplication::focusWindow())
    QWindowSystemInterface::handleWindowActivated(g_xKeyboard, Qt::ActiveWindowFocusReason);
}

FocusActivation SetFocusActivation(FocusActivation activation) {
  std::swap(g_focusActivation, activation);
  return activation;
}

}  // namespace qxui

// ---- the layer's focus ----------------------------------------------------------------

// The layer's focus moves only where the toolkit's moves with it. A window
// whose top-level window is not the active one becomes that window's focus
// widget, and so takes the keyboard as the window system activates it (the
// user's click, a closing box handing the activation back); the keys stay
// where they are meanwhile.
CWnd* CWnd::SetFocus() {
  CWnd* old = CWnd::FromHandle(g_focus);
  if (old == this || !m_hWnd) return old;
  HWND hOld = g_focus;
  HWND hSelf = m_hWnd;
  if (CWnd* top = GetTopLevelParent(); dynamic_cast<CDialog*>(top) && top != this) {
    std::erase_if(g_dialogFocus, [](const auto& entry) { return !IsWindow(entry.first); });
    g_dialogFocus[top->GetSafeHwnd()] = hSelf;
  }
  if (!qxui::KeyboardCanMoveTo(this)) {
    qxui::RefocusWidget(this, Qt::OtherFocusReason);
    QWidget* top = GetWidget() ? GetWidget()->window() : nullptr;
    if (!g_focusActivation || !top || !top->isVisible()) return old;
    g_focusActivation(top);
    // The activation gave this window the toolkit's focus, and so the layer's.
    if (!IsWindow(hSelf) || g_focus == hSelf || !qxui::KeyboardCanMoveTo(this)) return old;
    hOld = g_focus;
    old = CWnd::FromHandle(hOld);
  }
  g_focus = hSelf;
  qxui::RefocusWidget(this, Qt::OtherFocusReason);
  if (old) old->SendMessage(WM_KILLFOCUS, reinterpret_cast<WPARAM>(hSelf));
  if (IsWindow(hSelf) && g_focus == hSelf) SendMessage(WM_SETFOCUS, reinterpret_cast<WPARAM>(hOld));
  return old;
}

CWnd* CWnd::GetFocus() {
  return CWnd::FromHandle(g_focus);
}

HWND GetFocus() {
  return IsWindow(g_focus) ? g_focus : nullptr;
}

HWND SetFocus(HWND hWnd) {
  HWND old = GetFocus();
  if (CWnd* wnd = CWnd::FromHandle(hWnd)) {
    wnd->SetFocus();
  } else if (!hWnd && old) {
    g_focus = nullptr;
    CWnd::FromHandle(old)->SendMessage(WM_KILLFOCUS, 0, 0);
  }
  return old;
}
