#include "platform/ui/FrameWnd.h"
#include "platform/ui/WinApp.h"
#include "platform/ui/WndInternal.h"

#include <QApplication>
#include <QEvent>
#include <QGuiApplication>
#include <QPointer>
#include <QWidget>
#include <QWindow>

#include <algorithm>
#include <vector>

namespace qxui {

namespace {

// The modal loops entered and not yet left: dialogs, message boxes and the
// toolkit's own file, print and menu loops alike.
int g_modalDepth = 0;
// The entries of the loops that run, the innermost last.
std::vector<ModalEntry*> g_entries;

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

// The window that the last modal loop to end gave the keyboard back to.
QPointer<QWindow> ModalEntry::s_handedBack;

int ModalDepth() {
  return g_modalDepth;
}

ModalEntry::ModalEntry() : m_activeWindow(QApplication::activeWindow()), m_hFocus(::GetFocus()) {
  ++g_modalDepth;
  g_entries.push_back(this);
  if (CWnd* focus = CWnd::FromHandle(m_hFocus); focus && focus->GetWidget()) {
    QWindow* window = focus->GetWidget()->window()->windowHandle();
    // Also when a modal loop that just ended gave it back and the window
    // system has not yet carried that out.
    QWindow* keyboard = QGuiApplication::focusWindow();
    m_bKeyboardWindow = window && (window == keyboard || (!keyboard && window == s_handedBack));
  }
  if (CMDIFrameWnd* frame = MainMdiFrame()) {
    if (CMDIChildWnd* child = frame->MDIGetActive()) m_hActiveChild = child->GetSafeHwnd();
  }
  // Qt's own grab too: a widget that grabbed the mouse outside the layer would
  // still take every click meant for the box.
  if (::GetCapture()) ::ReleaseCapture();
  if (QWidget* grabber = QWidget::mouseGrabber()) grabber->releaseMouse();
}

ModalEntry::~ModalEntry() {
  HandBack();
  --g_modalDepth;
  g_entries.erase(std::find(g_entries.begin(), g_entries.end(), this));
}

bool ModalEntry::InnermostHandedBack() {
  return !g_entries.empty() && g_entries.back()->m_bHandedBack;
}

void HandBackKeyboard() {
  if (!g_entries.empty()) g_entries.back()->HandBack();
}

// Done while the modal window still shows, where its caller can: the window
// system then moves its focus straight to the window that had it, instead of
// falling back to the owner of what closed first.
void ModalEntry::HandBack() {
  if (m_bHandedBack) return;
  m_bHandedBack = true;
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
  // The box took the keyboard, and the window system hands it back (if at
  // all) to the focus widget of the window it activates next: the owner of
  // what closed, which need not be where the user was typing (a floating bar).
  // The layer's own focus may never have left that window (the box can close
  // before it was ever activated), so a window that had the keyboard is
  // activated again either way.
  CWnd* focus = Restorable(m_hFocus);
  if (!focus) return;
  const bool moved = ::GetFocus() != m_hFocus;
  if (!moved && !m_bKeyboardWindow) return;
  if (moved) focus->SetFocus();
  QWidget* top = focus->GetWidget()->window();
  // Without a window system (offscreen) the window takes the activation
  // back at once, before anything else can happen in the meantime.
  if (QGuiApplication::platformName() == QLatin1String("offscreen")) {
    if ((m_bKeyboardWindow || QApplication::activeWindow()) &&
        top->windowHandle() != QGuiApplication::focusWindow()) {
      top->activateWindow();
      QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
    }
    return;
  }
  if (top != QApplication::activeWindow()) top->activateWindow();
  s_handedBack = top->windowHandle();
}

}  // namespace qxui
