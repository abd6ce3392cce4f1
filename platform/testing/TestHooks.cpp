#include "platform/testing/TestHooks.h"

#include "platform/core/Debug.h"
#include "platform/ui/Dialog.h"
#include "platform/ui/Document.h"
#include "platform/ui/Focus.h"
#include "platform/ui/MessageBoxUi.h"
#include "platform/ui/MessageQueue.h"
#include "platform/ui/WindowSystem.h"
#include "platform/ui/WndInternal.h"

#include <QApplication>
#include <QGuiApplication>
#include <QWindow>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QWheelEvent>
#include <QPainter>

namespace QxTest {

// ---- pumping ---------------------------------------------------------------------

void PumpEvents() {
  // Bounded: a handler that keeps posting cannot hang a test.
  for (int round = 0; round < 100; ++round) {
    QCoreApplication::sendPostedEvents();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QCoreApplication::processEvents(QEventLoop::AllEvents);
    int delivered = qxui::DeliverPendingMessages();
    if (delivered == 0 && qxui::PendingMessageCount() == 0) {
      QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
      return;
    }
  }
}

void PumpUntilIdle() {
  PumpEvents();
  qxui::RunIdle();
  PumpEvents();
}

// ---- message boxes -------------------------------------------------------------------

MessageBoxScript::MessageBoxScript(std::vector<int> answers) : m_answers(std::move(answers)) {
  m_previous = QxSetMessageBoxHandler([this](HWND, LPCSTR text, LPCSTR caption, UINT type) {
    m_boxes.push_back({text ? text : "", caption ? caption : "", type});
    size_t index = m_boxes.size() - 1;
    return index < m_answers.size() ? m_answers[index] : QxDefaultMessageBoxAnswer(type);
  });
}

MessageBoxScript::~MessageBoxScript() {
  QxSetMessageBoxHandler(m_previous);
}

// ---- beeps -----------------------------------------------------------------------------

BeepCounter::BeepCounter() {
  m_previous = QxSetBeepHandler([this](UINT type) {
    std::lock_guard guard(m_lock);
    m_types.push_back(type);
  });
}

BeepCounter::~BeepCounter() {
  QxSetBeepHandler(m_previous);
}

int BeepCounter::Count() const {
  std::lock_guard guard(m_lock);
  return static_cast<int>(m_types.size());
}

std::vector<UINT> BeepCounter::Types() const {
  std::lock_guard guard(m_lock);
  return m_types;
}

// ---- popup menus and modal windows ---------------------------------------------------

PopupMenuScript::PopupMenuScript(std::vector<UINT> choices) : m_choices(std::move(choices)) {
  m_previous = QxSetPopupMenuHook([this](const std::vector<QxPopupItem>& items) {
    m_menus.push_back(items);
    size_t index = m_menus.size() - 1;
    return index < m_choices.size() ? m_choices[index] : 0u;
  });
}

PopupMenuScript::~PopupMenuScript() {
  QxSetPopupMenuHook(m_previous);
}

ModalScript::ModalScript(std::function<void(CWnd*)> action) {
  qxui::SetModalHook(std::move(action));
}

ModalScript::~ModalScript() {
  qxui::SetModalHook(nullptr);
}

void ReturnActivationAtOnce() {
  qxui::SetActivationReturn([](QWidget* top, bool hadKeyboard) {
    if ((hadKeyboard || QApplication::activeWindow()) &&
        top->windowHandle() != QGuiApplication::focusWindow()) {
      top->activateWindow();
      QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
    }
  });
}

void ActivateForFocusAtOnce() {
  qxui::SetFocusActivation([](QWidget* top) {
    top->activateWindow();
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
  });
}

void RunWithoutAScreen() {
  ReturnActivationAtOnce();
  ActivateForFocusAtOnce();
  qxui::WindowSystemServices none;
  none.grabsMouse = false;
  none.raisesWindows = false;  // the offscreen platform says so for each window
  none.blinksCaret = false;
  none.opensHelp = false;
  qxui::SetWindowSystemServices(none);
  QxSetMessageBoxPresenter([](HWND, const CString& text, const CString& caption, UINT type) {
    const int answer = QxDefaultMessageBoxAnswer(type);
    TRACE("MessageBox [%s] %s -> %d (no screen)\n", caption.GetString(), text.GetString(), answer);
    return answer;
  });
  static const QxDialogHook cancel{[](CDialog& dialog) {
                                     TRACE("Dialog %u cancelled: no screen\n",
                                           dialog.QxTemplateId());
                                     dialog.EndDialog(IDCANCEL);
                                   },
                                   nullptr};
  QxSetDialogHook(&cancel);
  QxSetFileNamePrompt([](CString&, BOOL, LPCTSTR title, LPCTSTR, LPCTSTR) -> BOOL {
    TRACE("File dialog \"%s\" cancelled: no screen\n", title ? title : "");
    return FALSE;
  });
}

NoActivationForFocus::NoActivationForFocus() : m_previous(qxui::SetFocusActivation(nullptr)) {}

NoActivationForFocus::~NoActivationForFocus() {
  qxui::SetFocusActivation(std::move(m_previous));
}

// ---- mouse and keys ------------------------------------------------------------------

namespace {

Qt::MouseButton QtButton(Button button) {
  switch (button) {
    case Button::Right:
      return Qt::RightButton;
    case Button::Middle:
      return Qt::MiddleButton;
    default:
      return Qt::LeftButton;
  }
}

Qt::KeyboardModifiers QtModifiers(UINT modifiers) {
  Qt::KeyboardModifiers result;
  if (modifiers & MK_SHIFT) result |= Qt::ShiftModifier;
  if (modifiers & MK_CONTROL) result |= Qt::ControlModifier;
  if (modifiers & MK_ALT) result |= Qt::AltModifier;
  return result;
}

Qt::MouseButtons g_buttons;

void SendMouse(CWnd* wnd, QEvent::Type type, CPoint client, Qt::MouseButton button,
               UINT modifiers) {
  if (!wnd || !wnd->GetWidget()) return;
  QWidget* widget = wnd->GetWidget();
  CRect insets = wnd->GetNonClientInsets();
  QPointF local(client.x + insets.left, client.y + insets.top);
  QPointF global = widget->mapToGlobal(local);
  if (type == QEvent::MouseButtonPress || type == QEvent::MouseButtonDblClick) g_buttons |= button;
  if (type == QEvent::MouseButtonRelease) g_buttons &= ~Qt::MouseButtons(button);
  QMouseEvent event(type, local, local, global, button, g_buttons, QtModifiers(modifiers));
  QCoreApplication::sendEvent(widget, &event);
}

}  // namespace

void MouseMove(CWnd* wnd, CPoint client, UINT modifiers) {
  SendMouse(wnd, QEvent::MouseMove, client, Qt::NoButton, modifiers);
}

void MouseDown(CWnd* wnd, CPoint client, Button button, UINT modifiers) {
  SendMouse(wnd, QEvent::MouseButtonPress, client, QtButton(button), modifiers);
}

void MouseUp(CWnd* wnd, CPoint client, Button button, UINT modifiers) {
  SendMouse(wnd, QEvent::MouseButtonRelease, client, QtButton(button), modifiers);
}

void Click(CWnd* wnd, CPoint client, Button button, UINT modifiers) {
  HWND hWnd = wnd->GetSafeHwnd();
  MouseDown(wnd, client, button, modifiers);
  if (IsWindow(hWnd)) MouseUp(wnd, client, button, modifiers);
}

void Wheel(CWnd* wnd, CPoint client, int delta, UINT modifiers) {
  if (!wnd || !wnd->GetWidget()) return;
  QWidget* widget = wnd->GetWidget();
  CRect insets = wnd->GetNonClientInsets();
  QPointF local(client.x + insets.left, client.y + insets.top);
  QPointF global = widget->mapToGlobal(local);
  QWheelEvent event(local, global, QPoint(), QPoint(0, delta), g_buttons, QtModifiers(modifiers),
                    Qt::NoScrollPhase, false);
  QCoreApplication::sendEvent(widget, &event);
}

void DoubleClick(CWnd* wnd, CPoint client, Button button, UINT modifiers) {
  HWND hWnd = wnd->GetSafeHwnd();
  MouseDown(wnd, client, button, modifiers);
  if (IsWindow(hWnd)) MouseUp(wnd, client, button, modifiers);
  if (IsWindow(hWnd))
    SendMouse(wnd, QEvent::MouseButtonDblClick, client, QtButton(button), modifiers);
  if (IsWindow(hWnd)) MouseUp(wnd, client, button, modifiers);
}

namespace {

int QtKeyOf(int vk) {
  if (vk >= 'A' && vk <= 'Z') return Qt::Key_A + (vk - 'A');
  if (vk >= '0' && vk <= '9') return Qt::Key_0 + (vk - '0');
  if (vk >= VK_F1 && vk <= VK_F1 + 23) return Qt::Key_F1 + (vk - VK_F1);
  switch (vk) {
    case VK_BACK:
      return Qt::Key_Backspace;
    case VK_TAB:
      return Qt::Key_Tab;
    case VK_RETURN:
      return Qt::Key_Return;
    case VK_SHIFT:
      return Qt::Key_Shift;
    case VK_CONTROL:
      return Qt::Key_Control;
    case VK_MENU:
      return Qt::Key_Alt;
    case VK_ESCAPE:
      return Qt::Key_Escape;
    case VK_SPACE:
      return Qt::Key_Space;
    case VK_PRIOR:
      return Qt::Key_PageUp;
    case VK_NEXT:
      return Qt::Key_PageDown;
    case VK_END:
      return Qt::Key_End;
    case VK_HOME:
      return Qt::Key_Home;
    case VK_LEFT:
      return Qt::Key_Left;
    case VK_UP:
      return Qt::Key_Up;
    case VK_RIGHT:
      return Qt::Key_Right;
    case VK_DOWN:
      return Qt::Key_Down;
    case VK_INSERT:
      return Qt::Key_Insert;
    case VK_DELETE:
      return Qt::Key_Delete;
    case VK_ADD:
      return Qt::Key_Plus;
    case VK_SUBTRACT:
      return Qt::Key_Minus;
    case VK_MULTIPLY:
      return Qt::Key_Asterisk;
    case VK_DIVIDE:
      return Qt::Key_Slash;
    default:
      return 0;
  }
}

QWidget* KeyTarget(CWnd* wnd) {
  CWnd* focus = CWnd::GetFocus();
  CWnd* target = focus ? focus : wnd;
  return target ? target->GetWidget() : nullptr;
}

void SendKey(QWidget* widget, int qtKey, Qt::KeyboardModifiers modifiers, const QString& text) {
  if (!widget) return;
  QPointer<QWidget> guard(widget);
  QKeyEvent press(QEvent::KeyPress, qtKey, modifiers, text);
  QCoreApplication::sendEvent(widget, &press);
  if (!guard) return;
  QKeyEvent release(QEvent::KeyRelease, qtKey, modifiers, text);
  QCoreApplication::sendEvent(widget, &release);
}

}  // namespace

void PressKey(int virtualKey, UINT modifiers, CWnd* wnd) {
  Qt::KeyboardModifiers qtModifiers = QtModifiers(modifiers);
  QString text;
  if (!(modifiers & (MK_CONTROL | MK_ALT))) {
    if (virtualKey >= 'A' && virtualKey <= 'Z') {
      text = QChar((modifiers & MK_SHIFT) ? virtualKey : virtualKey + 32);
    } else if ((virtualKey >= '0' && virtualKey <= '9') || virtualKey == VK_SPACE) {
      text = QChar(virtualKey);
    }
  }
  SendKey(KeyTarget(wnd), QtKeyOf(virtualKey), qtModifiers, text);
}

void TypeText(const char* text, CWnd* wnd) {
  // A key of another language arrives as the window system reports it: its
  // character's upper case as the key, the character as the text.
  for (char32_t ch : QString::fromUtf8(text ? text : "").toUcs4()) {
    int key = static_cast<int>(ch);
    Qt::KeyboardModifiers modifiers = Qt::NoModifier;
    if (ch >= 'a' && ch <= 'z') key = Qt::Key_A + static_cast<int>(ch - 'a');
    if (ch >= 'A' && ch <= 'Z') modifiers = Qt::ShiftModifier;
    if (ch >= 0x80) key = static_cast<int>(QChar::toUpper(ch));
    SendKey(KeyTarget(wnd), key, modifiers, QString::fromUcs4(&ch, 1));
  }
}

// ---- timers ----------------------------------------------------------------------------

void SetManualTimers(bool manual) {
  qxui::SetTimersManual(manual);
}

void FireTimer(CWnd* wnd, UINT_PTR id) {
  if (!wnd || !wnd->GetSafeHwnd()) return;
  MSG msg;
  msg.hwnd = wnd->GetSafeHwnd();
  msg.message = WM_TIMER;
  msg.wParam = id;
  qxui::DeliverMessage(msg);
}

std::vector<std::pair<UINT_PTR, UINT>> Timers(CWnd* wnd) {
  return qxui::ActiveTimers(wnd);
}

// ---- state -----------------------------------------------------------------------------

CWnd* Focus() {
  return CWnd::GetFocus();
}
int ModalDepth() {
  return qxui::ModalDepth();
}
CWnd* Capture() {
  return CWnd::GetCapture();
}

CaretState Caret() {
  qxui::CaretInfo info = qxui::GetCaretInfo();
  return {CWnd::FromHandle(info.owner), info.rect, info.visible};
}

UINT CursorId() {
  return QxCursorId(GetCursor());
}

void SetCursorPosition(CPoint screen) {
  qxui::SetCursorPosInternal(QPoint(screen.x, screen.y));
}

// ---- pixels ----------------------------------------------------------------------------

QImage ClientImage(CWnd* wnd) {
  QImage* image = wnd ? wnd->GetClientImage() : nullptr;
  return image ? image->copy() : QImage();
}

QImage ScreenImage(CWnd* wnd) {
  if (!wnd || !wnd->GetWidget()) return QImage();
  return wnd->GetWidget()->grab().toImage().convertToFormat(QImage::Format_RGB32);
}

}  // namespace QxTest
