// The modal loops: one stack of entries, the layer's own loop (RunModalLoop)
// and the keyboard's way back when a loop ends.
#include "platform/ui/ModalEntry.h"

#include "platform/ui/Focus.h"
#include "platform/ui/FrameWnd.h"
#include "platform/ui/WinApp.h"
#include "platform/ui/WndInternal.h"

#include <QApplication>
#include <QEvent>
#include <QEventLoop>
#include <QGuiApplication>

#include <algorithm>
#include <optional>
#include <vector>

namespace qxui {

namespace {

// The entries of the modal loops that run, the innermost last.
std::vector<ModalEntry*> g_stack;
std::function<void(CWnd*)> g_modalHook;
ActivationReturn g_activationReturn;

CMDIFrameWnd* MainMdiFrame() {
  return dynamic_cast<CMDIFrameWnd*>(AfxGetMainWnd());
}

// The window that had the keyboard before a modal loop, while it is still
// there to take it.
CWnd* Restorable(HWND hFocus) {
  CWnd* focus = CWnd::FromHandle(hFocus);
  return focus && focus->IsWindowVisible() && focus->IsWindowEnabled() && focus->GetWidget()
             ? focus
             : nullptr;
}

}  // namespace

int ModalDepth() {
  return static_cast<int>(g_stack.size());
}

QWidget* ModalWindow() {
  if (!g_stack.empty() && g_stack.back()->HandedBack()) return nullptr;
  if (QWidget* toolkits = QApplication::activeModalWidget()) return toolkits;
  for (auto it = g_stack.rbegin(); it != g_stack.rend(); ++it) {
    CWnd* wnd = CWnd::FromHandle((*it)->Window());
    if (wnd && wnd->GetWidget()) return wnd->GetWidget()->window();
  }
  return nullptr;
}

void HandBackKeyboard() {
  if (!g_stack.empty()) g_stack.back()->HandBack();
}

void SetModalHook(std::function<void(CWnd*)> hook) {
  g_modalHook = std::move(hook);
}

void SetActivationReturn(ActivationReturn activationReturn) {
  g_activationReturn = std::move(activationReturn);
}

ModalEntry* ModalEntry::Innermost() {
  return g_stack.empty() ? nullptr : g_stack.back();
}

// The window that the last keyboard return gave the keyboard back to.
QPointer<QWindow> KeyboardReturn::s_givenBack;

KeyboardReturn::KeyboardReturn() : m_hFocus(::GetFocus()) {
  if (CWnd* focus = CWnd::FromHandle(m_hFocus); focus && focus->GetWidget()) {
    QWindow* window = focus->GetWidget()->window()->windowHandle();
    // Also when a return just made has not yet been carried out by the window
    // system.
    QWindow* keyboard = QGuiApplication::focusWindow();
    m_bKeyboardWindow = window && (window == keyboard || (!keyboard && window == s_givenBack));
  }
}

// The window that took the keyboard took it from the window system too, which
// hands it back (if at all) to the focus widget of the window it activates
// next: the owner of what closed, which need not be where the user was typing
// (a floating bar). The layer's own focus may never have left that window (a
// box can close before it was ever activated), so a window that had the
// keyboard is activated again either way.
void KeyboardReturn::GiveBack() {
  if (m_bGivenBack) return;
  m_bGivenBack = true;
  CWnd* focus = Restorable(m_hFocus);
  if (!focus) return;
  const bool moved = ::GetFocus() != m_hFocus;
  if (!moved && !m_bKeyboardWindow) return;
  QWidget* top = focus->GetWidget()->window();
  if (g_activationReturn) {
    if (moved) focus->SetFocus();
    g_activationReturn(top, m_bKeyboardWindow);
    return;
  }
  // The activation asked for first: the window takes the keyboard at once.
  // Also for the window the toolkit still reports active while the closing
  // window's own activation is yet to come: the window system would carry
  // that out after this and then give the keys to the closing window's owner.
  if (top != QApplication::activeWindow() || ActivationAwaited()) AskActivation(top);
  if (moved) focus->SetFocus();
  s_givenBack = top->windowHandle();
}

ModalEntry::ModalEntry() : m_activeWindow(QApplication::activeWindow()) {
  g_stack.push_back(this);
  if (CMDIFrameWnd* frame = MainMdiFrame()) {
    if (CMDIChildWnd* child = frame->MDIGetActive()) m_hActiveChild = child->GetSafeHwnd();
  }
  // Qt's own grab too: a widget that grabbed the mouse outside the layer would
  // still take every click meant for the box.
  if (::GetCapture()) ::ReleaseCapture();
  if (QWidget* grabber = QWidget::mouseGrabber()) grabber->releaseMouse();
}

ModalEntry::ModalEntry(CountOnly) : m_bRestores(false) {
  g_stack.push_back(this);
}

ModalEntry::~ModalEntry() {
  HandBack();
  g_stack.erase(std::find(g_stack.begin(), g_stack.end(), this));
  // The modal window has gone, and with it the toolkit's focus window if it
  // was that: the window that has the window system's keyboard takes it.
  FollowWindowSystemKeyboard();
}

// Done while the modal window still shows, where its caller can: the window
// system then moves its focus straight to the window that had it, instead of
// falling back to the owner of what closed first.
void ModalEntry::HandBack() {
  if (m_bHandedBack) return;
  m_bHandedBack = true;
  if (!m_bRestores) return;
  if (CMDIFrameWnd* frame = MainMdiFrame(); frame && IsWindow(m_hActiveChild)) {
    CMDIChildWnd* active = frame->MDIGetActive();
    if (!active || active->GetSafeHwnd() != m_hActiveChild)
      frame->MDIActivate(CWnd::FromHandle(m_hActiveChild));
  }
  // Only a window that took the activation meanwhile gives it back; with no
  // active window the system's own return of it is under way.
  QWidget* now = QApplication::activeWindow();
  if (m_activeWindow && m_activeWindow->isVisible() && now && now != m_activeWindow) {
    m_activeWindow->activateWindow();
  }
  m_keyboard.GiveBack();
}

}  // namespace qxui

// ---- the layer's modal loop -----------------------------------------------------------

namespace {

// The window's own loop while it runs, and the one it ran before once it ends,
// by any road; a window destroyed inside its loop took its state with it.
class LoopOfWindow {
 public:
  LoopOfWindow(CWnd* wnd, QEventLoop* loop)
      : m_wnd(wnd), m_hWnd(wnd->GetSafeHwnd()), m_outer(qxui::WidgetAccess::State(wnd).modalLoop) {
    qxui::WidgetAccess::State(wnd).modalLoop = loop;
  }
  ~LoopOfWindow() {
    if (CWnd::FromHandle(m_hWnd) == m_wnd) qxui::WidgetAccess::State(m_wnd).modalLoop = m_outer;
  }
  LoopOfWindow(const LoopOfWindow&) = delete;
  LoopOfWindow& operator=(const LoopOfWindow&) = delete;

 private:
  CWnd* m_wnd;
  HWND m_hWnd;
  QEventLoop* m_outer;
};

}  // namespace

int CWnd::RunModalLoop(DWORD) {
  if (!m_hWnd) return -1;
  qxui::WndState& state = *m_state;
  QEventLoop loop;
  LoopOfWindow running(this, &loop);
  state.modalResult = -1;
  HWND hSelf = m_hWnd;
  if (auto& hook = qxui::g_modalHook) {
    QMetaObject::invokeMethod(
        &loop,
        [hSelf, &hook] {
          if (CWnd* wnd = CWnd::FromHandle(hSelf); wnd && hook) hook(wnd);
        },
        Qt::QueuedConnection);
  }
  // Counted once: the caller's entry (a dialog's) takes the window; a loop
  // run without one counts itself.
  std::optional<qxui::ModalEntry> own;
  qxui::ModalEntry* entry = qxui::ModalEntry::Innermost();
  if (!entry || (entry->Window() && entry->Window() != hSelf))
    entry = &own.emplace(qxui::ModalEntry::CountOnly{});
  entry->SetWindow(hSelf);
  loop.exec(QEventLoop::DialogExec);
  entry->SetWindow(nullptr);
  if (CWnd::FromHandle(hSelf) != this) return -1;  // destroyed inside the loop
  return state.modalResult;
}

void CWnd::EndModalLoop(int nResult) {
  qxui::WndState& state = *m_state;
  state.modalResult = nResult;
  if (state.modalLoop) state.modalLoop->exit(0);
}

BOOL CWnd::ContinueModal() {
  return m_state->modalLoop != nullptr;
}
