// CWnd's input: Qt events to Windows messages, focus, capture, timers, the
// caret, and the small dialog helpers every window has.
#include "platform/core/Clock.h"
#include "platform/core/CodePage.h"
#include "platform/core/Debug.h"
#include "platform/ui/Clipboard.h"
#include "platform/ui/Dialog.h"
#include "platform/ui/FrameWnd.h"
#include "platform/ui/WinApp.h"
#include "platform/ui/Wnd.h"
#include "platform/ui/WndInternal.h"

#include <QApplication>
#include <QFocusEvent>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMouseEvent>
#include <QResizeEvent>
#include <QWheelEvent>

#include <algorithm>
#include <cstdlib>

using qxui::WidgetAccess;
using qxui::WndState;

namespace {

HWND g_focus = nullptr;
// The window inside each dialog that had the keyboard last: the dialog gives
// it back when it is activated again.
std::map<HWND, HWND> g_dialogFocus;
HWND g_capture = nullptr;
HWND g_underMouse = nullptr;
bool g_inSetFocus = false;
bool g_timersManual = false;

struct Caret {
  HWND owner = nullptr;
  CSize size;
  CPoint pos;
  int hideCount = 1;
  bool blinkOn = true;
  std::unique_ptr<QTimer> blinkTimer;
};

// Outlives every static object, as the queue does.
Caret& TheCaret() {
  static auto* caret = new Caret;
  return *caret;
}

void RepaintCaretOwner() {
  if (CWnd* owner = CWnd::FromHandle(TheCaret().owner)) {
    if (owner->GetWidget()) owner->GetWidget()->update();
  }
}

// ---- keys ----------------------------------------------------------------------

// The key of a US keyboard that gives a punctuation character (with or
// without Shift), so that every printable character arrives as the key-down
// and character messages a window expects; 0 for other keys.
int ShiftedKeyOf(int key) {
  static const struct {
    int qtKey;
    int vk;
  } kKeys[] = {
      {Qt::Key_Exclam, '1'},
      {Qt::Key_At, '2'},
      {Qt::Key_NumberSign, '3'},
      {Qt::Key_Dollar, '4'},
      {Qt::Key_Percent, '5'},
      {Qt::Key_AsciiCircum, '6'},
      {Qt::Key_Ampersand, '7'},
      {Qt::Key_ParenLeft, '9'},
      {Qt::Key_ParenRight, '0'},
      {Qt::Key_Underscore, VK_OEM_MINUS},
      {Qt::Key_Semicolon, VK_OEM_1},
      {Qt::Key_Colon, VK_OEM_1},
      {Qt::Key_Question, VK_OEM_2},
      {Qt::Key_QuoteLeft, VK_OEM_3},
      {Qt::Key_AsciiTilde, VK_OEM_3},
      {Qt::Key_BracketLeft, VK_OEM_4},
      {Qt::Key_BraceLeft, VK_OEM_4},
      {Qt::Key_Backslash, VK_OEM_5},
      {Qt::Key_Bar, VK_OEM_5},
      {Qt::Key_BracketRight, VK_OEM_6},
      {Qt::Key_BraceRight, VK_OEM_6},
      {Qt::Key_Apostrophe, VK_OEM_7},
      {Qt::Key_QuoteDbl, VK_OEM_7},
      {Qt::Key_Less, VK_OEM_COMMA},
      {Qt::Key_Greater, VK_OEM_PERIOD},
  };
  for (const auto& k : kKeys)
    if (k.qtKey == key) return k.vk;
  return 0;
}

int VirtualKeyOf(int key) {
  if (key >= Qt::Key_A && key <= Qt::Key_Z) return 'A' + (key - Qt::Key_A);
  if (key >= Qt::Key_0 && key <= Qt::Key_9) return '0' + (key - Qt::Key_0);
  if (key >= Qt::Key_F1 && key <= Qt::Key_F24) return VK_F1 + (key - Qt::Key_F1);
  switch (key) {
    case Qt::Key_Backspace:
      return VK_BACK;
    case Qt::Key_Tab:
    case Qt::Key_Backtab:
      return VK_TAB;
    case Qt::Key_Return:
    case Qt::Key_Enter:
      return VK_RETURN;
    case Qt::Key_Shift:
      return VK_SHIFT;
    case Qt::Key_Control:
      return VK_CONTROL;
    case Qt::Key_Alt:
      return VK_MENU;
    case Qt::Key_Pause:
      return VK_PAUSE;
    case Qt::Key_CapsLock:
      return VK_CAPITAL;
    case Qt::Key_Escape:
      return VK_ESCAPE;
    case Qt::Key_Space:
      return VK_SPACE;
    case Qt::Key_PageUp:
      return VK_PRIOR;
    case Qt::Key_PageDown:
      return VK_NEXT;
    case Qt::Key_End:
      return VK_END;
    case Qt::Key_Home:
      return VK_HOME;
    case Qt::Key_Left:
      return VK_LEFT;
    case Qt::Key_Up:
      return VK_UP;
    case Qt::Key_Right:
      return VK_RIGHT;
    case Qt::Key_Down:
      return VK_DOWN;
    case Qt::Key_Insert:
      return VK_INSERT;
    case Qt::Key_Delete:
      return VK_DELETE;
    case Qt::Key_Help:
      return VK_HELP;
    case Qt::Key_Asterisk:
      return VK_MULTIPLY;
    case Qt::Key_Plus:
      return VK_ADD;
    case Qt::Key_Minus:
      return VK_SUBTRACT;
    case Qt::Key_Slash:
      return VK_DIVIDE;
    case Qt::Key_Period:
      return 0xBE;  // VK_OEM_PERIOD
    case Qt::Key_Comma:
      return 0xBC;  // VK_OEM_COMMA
    case Qt::Key_Equal:
      return 0xBB;  // VK_OEM_PLUS
    default:
      return ShiftedKeyOf(key);
  }
}

bool IsExtendedKey(int vk) {
  return (vk >= VK_PRIOR && vk <= VK_DOWN) || vk == VK_INSERT || vk == VK_DELETE;
}

// The character a key gives, as the byte of the code page the text is kept in
// (Windows-1252), or 0: Ctrl with a letter gives its control code. A printable
// character the code page has no byte for gives 0 and sets *refused.
UINT CharacterOf(const QKeyEvent* event, int vk, bool* refused) {
  bool ctrl = event->modifiers() & Qt::ControlModifier;
  if (ctrl && vk >= 'A' && vk <= 'Z') return static_cast<UINT>(vk - 'A' + 1);
  switch (vk) {
    case VK_BACK:
      return 8;
    case VK_TAB:
      return 9;
    case VK_RETURN:
      return 13;
    case VK_ESCAPE:
      return 27;
    default:
      break;
  }
  if (ctrl) return 0;
  QString text = event->text();
  if (text.isEmpty()) return 0;
  char32_t ch = text.toUcs4().value(0);
  if (ch < 0x20 || (ch >= 0x7F && ch < 0xA0)) return 0;
  BYTE byte = 0;
  if (!QxUnicodeToWindows1252(ch, &byte)) {
    *refused = true;
    return 0;
  }
  return byte;
}

void FeedModifiers(Qt::KeyboardModifiers modifiers) {
  QxSetKeyDown(VK_SHIFT, modifiers & Qt::ShiftModifier);
  QxSetKeyDown(VK_CONTROL, modifiers & Qt::ControlModifier);
  QxSetKeyDown(VK_MENU, modifiers & Qt::AltModifier);
}

UINT MouseFlags(Qt::MouseButtons buttons, Qt::KeyboardModifiers modifiers) {
  UINT flags = 0;
  if (buttons & Qt::LeftButton) flags |= MK_LBUTTON;
  if (buttons & Qt::RightButton) flags |= MK_RBUTTON;
  if (buttons & Qt::MiddleButton) flags |= MK_MBUTTON;
  if (modifiers & Qt::ShiftModifier) flags |= MK_SHIFT;
  if (modifiers & Qt::ControlModifier) flags |= MK_CONTROL;
  return flags;
}

// Posts nothing: input goes through PreTranslateMessage and then straight to
// the window, as the message loop does with input it takes from the queue.
BOOL DeliverInput(CWnd* wnd, UINT message, WPARAM wParam, LPARAM lParam) {
  MSG msg;
  msg.hwnd = wnd->GetSafeHwnd();
  msg.message = message;
  msg.wParam = wParam;
  msg.lParam = lParam;
  msg.time = GetTickCount();
  GetCursorPos(&msg.pt);
  BOOL taken = qxui::PreTranslate(&msg);
  if (!taken && IsWindow(msg.hwnd)) wnd->SendMessage(message, wParam, lParam);
  qxui::NoteActivity();
  return taken;
}

}  // namespace

// ---- event translation ------------------------------------------------------------

namespace {

// A window inside a document window that is not the active one: a click
// there activates the document window, even when the window has the focus.
bool InInactiveDocumentWindow(CWnd* wnd) {
  for (CWnd* step = wnd; step; step = step->GetParent()) {
    if (auto* child = dynamic_cast<CMDIChildWnd*>(step)) {
      CMDIFrameWnd* frame = child->GetMDIFrame();
      return frame && frame->MDIGetActive() != child;
    }
  }
  return false;
}

bool TranslateMouse(CWnd* self, QMouseEvent* event) {
  QPoint global = event->globalPosition().toPoint();
  qxui::SetCursorPosInternal(global);
  CWnd* target = self;
  if (CWnd* capture = CWnd::FromHandle(g_capture)) target = capture;
  // A disabled window takes no mouse input: while a modal dialog disables the
  // frame, a click on a bar or a view behind it must not act on the design.
  if (!target->IsWindowEnabled()) return true;
  HWND hTarget = target->GetSafeHwnd();
  CPoint client(global.x(), global.y());
  target->ScreenToClient(&client);
  UINT flags = MouseFlags(event->buttons(), event->modifiers());
  FeedModifiers(event->modifiers());
  QxSetKeyDown(VK_LBUTTON, event->buttons() & Qt::LeftButton);
  QxSetKeyDown(VK_RBUTTON, event->buttons() & Qt::RightButton);
  QxSetKeyDown(VK_MBUTTON, event->buttons() & Qt::MiddleButton);
  LPARAM lParam = MAKELPARAM(static_cast<WORD>(client.x), static_cast<WORD>(client.y));
  // The mouse on the border of a window with a frame gives the non-client
  // messages (hit-test code and screen position), unless a window captured it.
  CRect clientRect;
  target->GetClientRect(&clientRect);
  bool nonClient = target == self && !CWnd::FromHandle(g_capture) && !clientRect.PtInRect(client);
  LPARAM screenParam = MAKELPARAM(static_cast<WORD>(global.x()), static_cast<WORD>(global.y()));
  constexpr UINT kNonClientOffset = WM_MOUSEMOVE - WM_NCMOUSEMOVE;
  UINT base = 0;
  switch (event->button()) {
    case Qt::LeftButton:
      base = WM_LBUTTONDOWN;
      break;
    case Qt::RightButton:
      base = WM_RBUTTONDOWN;
      break;
    case Qt::MiddleButton:
      base = WM_MBUTTONDOWN;
      break;
    default:
      break;
  }
  if (nonClient) {
    UINT message = WM_MOUSEMOVE;
    if (event->type() == QEvent::MouseButtonPress) message = base;
    if (event->type() == QEvent::MouseButtonDblClick) message = base + 2;
    if (event->type() == QEvent::MouseButtonRelease) message = base + 1;
    if (event->type() != QEvent::MouseMove && !base) return false;
    DeliverInput(target, message - kNonClientOffset, HTBORDER, screenParam);
    return true;
  }
  switch (event->type()) {
    case QEvent::MouseMove:
      g_underMouse = hTarget;
      target->SendMessage(WM_SETCURSOR, reinterpret_cast<WPARAM>(hTarget),
                          MAKELPARAM(HTCLIENT, WM_MOUSEMOVE));
      if (IsWindow(hTarget)) DeliverInput(target, WM_MOUSEMOVE, flags, lParam);
      return true;
    case QEvent::MouseButtonPress:
      if (!base) return false;
      if (hTarget != g_focus || InInactiveDocumentWindow(target)) {
        target->SendMessage(WM_MOUSEACTIVATE,
                            reinterpret_cast<WPARAM>(target->GetTopLevelParent()->GetSafeHwnd()),
                            MAKELPARAM(HTCLIENT, base));
      } else if (target->GetWidget() && !target->GetWidget()->hasFocus()) {
        // Qt gave the keyboard to a container (a sub-window frame) on this
        // click; the window that has the focus keeps the keys.
        g_inSetFocus = true;
        target->GetWidget()->setFocus(Qt::MouseFocusReason);
        g_inSetFocus = false;
      }
      if (IsWindow(hTarget)) DeliverInput(target, base, flags, lParam);
      return true;
    case QEvent::MouseButtonDblClick:
      if (!base) return false;
      // Only classes that ask for double clicks get them; others see a second press.
      DeliverInput(target, (target->GetClassStyle() & CS_DBLCLKS) ? base + 2 : base, flags, lParam);
      return true;
    case QEvent::MouseButtonRelease:
      if (!base) return false;
      DeliverInput(target, base + 1, flags, lParam);
      return true;
    default:
      return false;
  }
}

// The wheel goes to the window under the mouse (or the one that captured
// it); a window that does not handle it passes it to its parent.
bool TranslateWheel(CWnd* self, QWheelEvent* event) {
  QPoint global = event->globalPosition().toPoint();
  qxui::SetCursorPosInternal(global);
  CWnd* target = self;
  if (CWnd* capture = CWnd::FromHandle(g_capture)) target = capture;
  if (!target->IsWindowEnabled()) return true;
  FeedModifiers(event->modifiers());
  // Qt reports eighths of a degree, 120 to a notch, the unit WM_MOUSEWHEEL uses.
  int delta = event->angleDelta().y();
  if (delta == 0) return true;
  delta = std::clamp(delta, -32768, 32767);
  UINT flags = MouseFlags(event->buttons(), event->modifiers());
  WPARAM wParam =
      MAKEWPARAM(static_cast<WORD>(flags), static_cast<WORD>(static_cast<short>(delta)));
  LPARAM lParam = MAKELPARAM(static_cast<WORD>(global.x()), static_cast<WORD>(global.y()));
  DeliverInput(target, WM_MOUSEWHEEL, wParam, lParam);
  return true;
}

// A key without a virtual-key code that types a character (a letter of
// another language, the euro sign): its WM_CHAR alone, as the code page's
// byte. A character the code page cannot hold is refused with a beep, so
// that nothing the text could not keep is ever shown in it.
bool TranslateTextKey(CWnd* self, QKeyEvent* event) {
  if (event->type() != QEvent::KeyPress) return false;
  bool refused = false;
  const UINT ch = CharacterOf(event, 0, &refused);
  if (refused) {
    MessageBeep(static_cast<UINT>(-1));
    return true;
  }
  if (!ch) return false;
  const bool alt = event->modifiers() & Qt::AltModifier;
  DWORD flags = 1;  // repeat count
  if (alt) flags |= 1u << 29;
  if (event->isAutoRepeat()) flags |= 1u << 30;
  CWnd* target = CWnd::FromHandle(g_focus);
  if (!target) target = self;
  DeliverInput(target, alt ? WM_SYSCHAR : WM_CHAR, ch,
               static_cast<LPARAM>(static_cast<LONG>(flags)));
  return true;
}

bool TranslateKey(CWnd* self, QKeyEvent* event) {
  int vk = VirtualKeyOf(event->key());
  FeedModifiers(event->modifiers());
  if (!vk) return TranslateTextKey(self, event);
  bool down = event->type() == QEvent::KeyPress;
  bool alt = event->modifiers() & Qt::AltModifier;
  QxSetKeyDown(vk, down);
  // F10 is a system key, as a key with Alt is: it goes to the menu bar.
  bool sys = alt || vk == VK_F10;
  DWORD flags = 1;  // repeat count
  if (IsExtendedKey(vk)) flags |= 1u << 24;
  if (alt) flags |= 1u << 29;
  if (event->isAutoRepeat() || !down) flags |= 1u << 30;
  if (!down) flags |= 1u << 31;
  LPARAM lParam = static_cast<LPARAM>(static_cast<LONG>(flags));
  CWnd* target = CWnd::FromHandle(g_focus);
  if (!target) target = self;
  HWND hTarget = target->GetSafeHwnd();
  UINT message = down ? (sys ? WM_SYSKEYDOWN : WM_KEYDOWN) : (sys ? WM_SYSKEYUP : WM_KEYUP);
  BOOL taken = DeliverInput(target, message, static_cast<WPARAM>(vk), lParam);
  if (down && !taken && IsWindow(hTarget)) {
    bool refused = false;
    UINT ch = CharacterOf(event, vk, &refused);
    if (refused) MessageBeep(static_cast<UINT>(-1));
    if (ch) DeliverInput(target, alt ? WM_SYSCHAR : WM_CHAR, ch, lParam);
  }
  return true;
}

// Where the keyboard is, in one place. The toolkit's focus and activation
// (what the window system did) are the truth; the layer's focus, and so
// WM_SETFOCUS and WM_KILLFOCUS, follow them and never lead:
// - a window that gets the toolkit's focus gets the keyboard (TranslateFocus);
// - a frame that the window system activates while the toolkit's focus rests
//   on none of its windows (its caption, a document window's caption, the
//   area between them) gives the keyboard to its active document's view, or
//   keeps it itself (FollowContainer);
// - the activation of a window behind a modal dialog goes on to the dialog.
// The shown design moves only with the activation of a document window,
// which the user's click in it, the Window menu and a new or opened design
// make. When the window system activates the main window again (a dialog or
// a box closed, the user came back from another window) the toolkit returns
// its focus to whatever widget had it last, which can lie in a document
// window that is no longer the active one: that focus goes to the active
// document's view instead, so it never shows another design. No timer
// decides any of it.
class ToolkitFocus : public QObject {
 public:
  ToolkitFocus() : QObject(qApp) {
    qApp->installEventFilter(this);
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
    auto* widget = static_cast<QWidget*>(watched);
    CWnd* home = ActiveDocumentHomeInstead(widget);
    if (!home) home = DialogsLastFocus(widget);
    if (!home) return false;
    GiveKeyboard(home);
    return true;
  }

 private:
  static CWnd* Home(CWnd* top);
  static CWnd* ActiveDocumentHomeInstead(QWidget* widget);
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

// For a widget in a document window that is not the active one: where the
// keyboard goes instead. Null for any other widget.
CWnd* ToolkitFocus::ActiveDocumentHomeInstead(QWidget* widget) {
  QMdiSubWindow* sub = nullptr;
  for (QWidget* step = widget; step && !sub; step = step->parentWidget())
    sub = qobject_cast<QMdiSubWindow*>(step);
  if (!sub) return nullptr;
  auto* frame = dynamic_cast<CMDIFrameWnd*>(qxui::WindowOfWidget(sub->window()));
  CMDIChildWnd* active = frame ? frame->MDIGetActive() : nullptr;
  if (!active || !active->GetWidget() || active->GetWidget()->parentWidget() == sub) return nullptr;
  return Home(frame);
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
  if (CWnd* home = Home(frame)) GiveKeyboard(home);
}

void ToolkitFocus::Activated(QWindow* now) {
  if (!now) return;
  // A window that a modal dialog disables (the dialog's owner, a floating bar)
  // does not keep the activation: the dialog takes it, with the keyboard.
  QWidget* modal = qxui::ModalWindow();
  if (modal && modal->isVisible() && modal->windowHandle() != now && now->type() != Qt::Popup &&
      now->type() != Qt::ToolTip) {
    bool owned = false;
    for (QWindow* step = now->transientParent(); step && !owned; step = step->transientParent())
      owned = step == modal->windowHandle();
    if (!owned) {
      modal->activateWindow();
      return;
    }
  }
  if (!QApplication::focusWidget()) FollowContainer(nullptr);
}

// The keyboard to a window, for the layer and the toolkit alike.
void ToolkitFocus::GiveKeyboard(CWnd* wnd) {
  if (g_focus != wnd->GetSafeHwnd()) {
    wnd->SetFocus();
  } else if (QWidget* widget = wnd->GetWidget(); widget && !widget->hasFocus()) {
    g_inSetFocus = true;
    widget->setFocus(Qt::OtherFocusReason);
    g_inSetFocus = false;
  }
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

}  // namespace

namespace qxui {

void FollowToolkitFocus() {
  static QPointer<QObject> follower;
  if (!follower && qApp) follower = new ToolkitFocus;
}

}  // namespace qxui

bool CWnd::QxEvent(QEvent* event) {
  if (!m_hWnd) return false;
  switch (event->type()) {
    case QEvent::MouseMove:
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick:
      return TranslateMouse(this, static_cast<QMouseEvent*>(event));
    case QEvent::Wheel:
      event->accept();
      return TranslateWheel(this, static_cast<QWheelEvent*>(event));
    case QEvent::KeyPress:
    case QEvent::KeyRelease:
      return TranslateKey(this, static_cast<QKeyEvent*>(event));
    case QEvent::ShortcutOverride:
      event->setAccepted(!qxui::PassesShortcutOverride(event));
      return true;
    case QEvent::FocusIn:
    case QEvent::FocusOut:
      return TranslateFocus(this, static_cast<QFocusEvent*>(event));
    case QEvent::Resize:
      QxSyncClientSize();
      return false;
    case QEvent::Close:
      event->ignore();
      SendMessage(WM_CLOSE);
      return true;
    default:
      return false;
  }
}

// ---- focus -------------------------------------------------------------------------

CWnd* CWnd::SetFocus() {
  CWnd* old = CWnd::FromHandle(g_focus);
  if (old == this || !m_hWnd) return old;
  HWND hOld = g_focus;
  HWND hSelf = m_hWnd;
  g_focus = hSelf;
  if (CWnd* top = GetTopLevelParent(); dynamic_cast<CDialog*>(top) && top != this) {
    std::erase_if(g_dialogFocus, [](const auto& entry) { return !IsWindow(entry.first); });
    g_dialogFocus[top->GetSafeHwnd()] = hSelf;
  }
  if (m_pWidget) {
    g_inSetFocus = true;
    m_pWidget->setFocus(Qt::OtherFocusReason);
    g_inSetFocus = false;
  }
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

// ---- capture -----------------------------------------------------------------------

CWnd* CWnd::SetCapture() {
  CWnd* old = CWnd::FromHandle(g_capture);
  if (old == this) return old;
  g_capture = m_hWnd;
  if (old) {
    if (old->GetWidget() && QWidget::mouseGrabber() == old->GetWidget()) {
      old->GetWidget()->releaseMouse();
    }
    old->SendMessage(WM_CAPTURECHANGED, 0, reinterpret_cast<LPARAM>(m_hWnd));
  }
  if (m_pWidget && m_pWidget->isVisible() &&
      QGuiApplication::platformName() != QLatin1String("offscreen")) {
    m_pWidget->grabMouse();
  }
  return old;
}

CWnd* CWnd::GetCapture() {
  return CWnd::FromHandle(g_capture);
}

HWND GetCapture() {
  return IsWindow(g_capture) ? g_capture : nullptr;
}

HWND SetCapture(HWND hWnd) {
  HWND old = GetCapture();
  if (CWnd* wnd = CWnd::FromHandle(hWnd)) wnd->SetCapture();
  return old;
}

BOOL ReleaseCapture() {
  CWnd* old = CWnd::FromHandle(g_capture);
  g_capture = nullptr;
  if (!old) return TRUE;
  if (old->GetWidget() && QWidget::mouseGrabber() == old->GetWidget()) {
    old->GetWidget()->releaseMouse();
  }
  old->SendMessage(WM_CAPTURECHANGED, 0, 0);
  return TRUE;
}

// ---- timers ------------------------------------------------------------------------

UINT_PTR CWnd::SetTimer(UINT_PTR nIDEvent, UINT nElapse,
                        void (*lpfnTimer)(HWND, UINT, UINT_PTR, DWORD)) {
  if (!m_hWnd) return 0;
  WndState& state = *m_state;
  state.timerElapse[nIDEvent] = nElapse;
  auto& timer = state.timers[nIDEvent];
  if (!timer) timer = std::make_unique<QTimer>();
  timer->disconnect();
  HWND hWnd = m_hWnd;
  QObject::connect(timer.get(), &QTimer::timeout, [hWnd, nIDEvent, lpfnTimer] {
    if (lpfnTimer) {
      lpfnTimer(hWnd, WM_TIMER, nIDEvent, GetTickCount());
      return;
    }
    MSG msg;
    msg.hwnd = hWnd;
    msg.message = WM_TIMER;
    msg.wParam = nIDEvent;
    msg.time = GetTickCount();
    qxui::DeliverMessage(msg);
  });
  timer->setInterval(static_cast<int>(std::max<UINT>(nElapse, 10)));
  if (!g_timersManual) timer->start();
  return nIDEvent;
}

BOOL CWnd::KillTimer(UINT_PTR nIDEvent) {
  WndState& state = *m_state;
  state.timerElapse.erase(nIDEvent);
  return state.timers.erase(nIDEvent) > 0;
}

namespace qxui {

HWND WindowUnderMouse() {
  return IsWindow(g_underMouse) ? g_underMouse : nullptr;
}

void SetTimersManual(bool manual) {
  g_timersManual = manual;
}

std::vector<std::pair<UINT_PTR, UINT>> ActiveTimers(CWnd* wnd) {
  std::vector<std::pair<UINT_PTR, UINT>> timers;
  if (!wnd) return timers;
  for (const auto& [id, elapse] : WidgetAccess::State(wnd).timerElapse)
    timers.push_back({id, elapse});
  return timers;
}

}  // namespace qxui

// ---- caret -------------------------------------------------------------------------

BOOL CWnd::CreateSolidCaret(int nWidth, int nHeight) {
  ::DestroyCaret();
  Caret& caret = TheCaret();
  caret.owner = m_hWnd;
  caret.size = CSize(std::max(1, nWidth), std::max(1, nHeight));
  caret.pos = CPoint(0, 0);
  caret.hideCount = 1;  // a new caret is hidden until ShowCaret
  caret.blinkOn = true;
  // Tests run offscreen and see a steady caret.
  if (QGuiApplication::platformName() != QLatin1String("offscreen")) {
    caret.blinkTimer = std::make_unique<QTimer>();
    QObject::connect(caret.blinkTimer.get(), &QTimer::timeout, [] {
      TheCaret().blinkOn = !TheCaret().blinkOn;
      RepaintCaretOwner();
    });
    caret.blinkTimer->start(530);
  }
  return TRUE;
}

void CWnd::SetCaretPos(POINT point) {
  ::SetCaretPos(point.x, point.y);
}

CPoint CWnd::GetCaretPos() {
  return TheCaret().pos;
}

void CWnd::ShowCaret() {
  Caret& caret = TheCaret();
  if (caret.owner != m_hWnd || caret.hideCount == 0) return;
  --caret.hideCount;
  RepaintCaretOwner();
}

void CWnd::HideCaret() {
  Caret& caret = TheCaret();
  if (caret.owner != m_hWnd) return;
  ++caret.hideCount;
  RepaintCaretOwner();
}

BOOL SetCaretPos(int x, int y) {
  Caret& caret = TheCaret();
  if (!caret.owner) return FALSE;
  caret.pos = CPoint(x, y);
  caret.blinkOn = true;
  RepaintCaretOwner();
  return TRUE;
}

BOOL GetCaretPos(LPPOINT point) {
  if (!point) return FALSE;
  *point = TheCaret().pos;
  return TRUE;
}

BOOL DestroyCaret() {
  Caret& caret = TheCaret();
  if (!caret.owner) return FALSE;
  RepaintCaretOwner();
  caret.owner = nullptr;
  caret.blinkTimer.reset();
  caret.hideCount = 1;
  return TRUE;
}

namespace qxui {

CaretInfo GetCaretInfo() {
  const Caret& caret = TheCaret();
  CaretInfo info;
  if (!IsWindow(caret.owner)) return info;
  info.owner = caret.owner;
  info.rect = CRect(caret.pos, caret.size);
  info.visible = caret.hideCount == 0 && caret.blinkOn;
  return info;
}

}  // namespace qxui

// ---- modal loops -------------------------------------------------------------------

namespace {
std::function<void(CWnd*)> g_modalHook;
// The windows whose modal loops run, the innermost last.
std::vector<HWND> g_modalWindows;
}  // namespace

namespace qxui {
QWidget* ModalWindow() {
  if (ModalEntry::InnermostHandedBack()) return nullptr;
  if (QWidget* toolkits = QApplication::activeModalWidget()) return toolkits;
  for (auto it = g_modalWindows.rbegin(); it != g_modalWindows.rend(); ++it) {
    CWnd* wnd = CWnd::FromHandle(*it);
    if (wnd && wnd->GetWidget()) return wnd->GetWidget()->window();
  }
  return nullptr;
}
}  // namespace qxui

namespace qxui {
void SetModalHook(std::function<void(CWnd*)> hook) {
  g_modalHook = std::move(hook);
}
}  // namespace qxui

int CWnd::RunModalLoop(DWORD) {
  if (!m_hWnd) return -1;
  WndState& state = *m_state;
  QEventLoop loop;
  QEventLoop* outer = state.modalLoop;
  state.modalLoop = &loop;
  state.modalResult = -1;
  HWND hSelf = m_hWnd;
  if (g_modalHook) {
    QMetaObject::invokeMethod(
        &loop,
        [hSelf] {
          if (CWnd* wnd = CWnd::FromHandle(hSelf); wnd && g_modalHook) g_modalHook(wnd);
        },
        Qt::QueuedConnection);
  }
  g_modalWindows.push_back(hSelf);
  loop.exec(QEventLoop::DialogExec);
  g_modalWindows.erase(std::find(g_modalWindows.begin(), g_modalWindows.end(), hSelf));
  CWnd* self = CWnd::FromHandle(hSelf);
  if (self != this) return -1;  // destroyed inside the loop
  state.modalLoop = outer;
  return state.modalResult;
}

void CWnd::EndModalLoop(int nResult) {
  WndState& state = *m_state;
  state.modalResult = nResult;
  if (state.modalLoop) state.modalLoop->exit(0);
}

BOOL CWnd::ContinueModal() {
  return m_state->modalLoop != nullptr;
}

// ---- the rest ----------------------------------------------------------------------

CWnd* CWnd::WindowFromPoint(POINT point) {
  QWidget* widget = QApplication::widgetAt(point.x, point.y);
  return qxui::WindowOfWidget(widget);
}

HWND WindowFromPoint(POINT point) {
  return CWnd::WindowFromPoint(point)->GetSafeHwnd();
}

void CWnd::DragAcceptFiles(BOOL bAccept) {
  m_state->acceptFiles = bAccept != FALSE;
  if (m_pWidget) m_pWidget->setAcceptDrops(bAccept != FALSE);
}

CMenu* CWnd::GetMenu() const {
  return m_state->menu;
}

BOOL CWnd::SetMenu(CMenu* pMenu) {
  m_state->menu = pMenu;
  return TRUE;
}

void CWnd::SetDlgItemText(int nID, LPCTSTR lpszString) {
  if (CWnd* item = GetDlgItem(nID)) item->SetWindowText(lpszString);
}

int CWnd::GetDlgItemText(int nID, CString& rString) const {
  rString.Empty();
  if (CWnd* item = GetDlgItem(nID)) item->GetWindowText(rString);
  return rString.GetLength();
}

UINT CWnd::GetDlgItemInt(int nID, BOOL* lpTrans, BOOL bSigned) const {
  CString text;
  GetDlgItemText(nID, text);
  text.Trim();
  char* end = nullptr;
  long value = std::strtol(text, &end, 10);
  bool ok = !text.IsEmpty() && end && *end == '\0' && (bSigned || value >= 0);
  if (lpTrans) *lpTrans = ok;
  return ok ? static_cast<UINT>(value) : 0;
}

void CWnd::SetDlgItemInt(int nID, UINT nValue, BOOL bSigned) {
  CString text;
  if (bSigned) {
    text.Format("%d", static_cast<int>(nValue));
  } else {
    text.Format("%u", nValue);
  }
  SetDlgItemText(nID, text);
}

void CWnd::CheckDlgButton(int nIDButton, UINT nCheck) {
  if (CWnd* item = GetDlgItem(nIDButton)) item->SendMessage(0x00F1 /* BM_SETCHECK */, nCheck);
}

UINT CWnd::IsDlgButtonChecked(int nIDButton) const {
  CWnd* item = GetDlgItem(nIDButton);
  return item ? static_cast<UINT>(item->SendMessage(0x00F0 /* BM_GETCHECK */)) : 0;
}

// Windows ask the application, which knows the help file.
int CWnd::MessageBox(LPCTSTR lpszText, LPCTSTR lpszCaption, UINT nType) {
  return QxWndMessageBox(this, lpszText, lpszCaption, nType);
}

int CWnd::MessageBox(HWND owner, LPCTSTR lpszText, LPCTSTR lpszCaption, UINT nType) {
  return ::MessageBox(owner, lpszText, lpszCaption, nType);
}

BOOL CWnd::OpenClipboard() {
  return ::OpenClipboard(GetSafeHwnd());
}

BOOL CWnd::OpenClipboard(HWND owner) {
  return ::OpenClipboard(owner);
}

void CWnd::WinHelp(DWORD_PTR dwData, UINT nCmd) {
  if (CWinApp* app = AfxGetApp()) app->WinHelp(dwData, nCmd);
}
