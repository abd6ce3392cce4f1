// CWnd's input: Qt events to Windows messages (keys and the mouse go where
// Focus.cpp and the capture say), capture, timers, the caret, and the small
// dialog helpers every window has.
#include "platform/core/Clock.h"
#include "platform/core/CodePage.h"
#include "platform/core/Debug.h"
#include "platform/ui/Clipboard.h"
#include "platform/ui/Dialog.h"
#include "platform/ui/Focus.h"
#include "platform/ui/FrameWnd.h"
#include "platform/ui/WinApp.h"
#include "platform/ui/WindowSystem.h"
#include "platform/ui/Wnd.h"
#include "platform/ui/WndInternal.h"

#include <QApplication>
#include <QFocusEvent>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QResizeEvent>
#include <QWheelEvent>

#include <algorithm>
#include <cstdlib>

using qxui::WidgetAccess;
using qxui::WndState;

namespace {

HWND g_capture = nullptr;
HWND g_underMouse = nullptr;
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
      if (hTarget != ::GetFocus() || InInactiveDocumentWindow(target)) {
        target->SendMessage(WM_MOUSEACTIVATE,
                            reinterpret_cast<WPARAM>(target->GetTopLevelParent()->GetSafeHwnd()),
                            MAKELPARAM(HTCLIENT, base));
      } else if (target->GetWidget() && !target->GetWidget()->hasFocus()) {
        // Qt gave the keyboard to a container (a sub-window frame) on this
        // click; the window that has the focus keeps the keys.
        qxui::RefocusWidget(target, Qt::MouseFocusReason);
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

// The window a key goes to: the layer's focus, which SetFocus keeps where the
// toolkit's focus is. Should the two ever part across top-level windows, the
// key goes to the window the toolkit delivered it to, never to one the user
// cannot see typing; only a window that a modal dialog just shown disables,
// or any window while the layer awaits the activation of the one with its
// focus, sends its keys on there (the window system delivers them to the
// window it had active until it has moved its focus).
CWnd* KeyTarget(CWnd* self) {
  CWnd* focus = CWnd::GetFocus();
  if (!focus || focus == self) return self;
  QWidget* delivered = self->GetWidget() ? self->GetWidget()->window() : nullptr;
  QWidget* focused = focus->GetWidget() ? focus->GetWidget()->window() : nullptr;
  if (delivered && focused != delivered && delivered->isEnabled() &&
      !qxui::AwaitsActivation(focused)) {
    return self;
  }
  return focus;
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
  CWnd* target = KeyTarget(self);
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
  CWnd* target = KeyTarget(self);
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

}  // namespace

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
      return qxui::TranslateFocus(this, static_cast<QFocusEvent*>(event));
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
  if (m_pWidget && m_pWidget->isVisible() && qxui::Services().grabsMouse) {
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
  if (qxui::Services().blinksCaret) {
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
