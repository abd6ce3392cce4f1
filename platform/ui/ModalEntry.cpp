#include "platform/ui/FrameWnd.h"
#include "platform/ui/WinApp.h"
#include "platform/ui/WndInternal.h"

#include <QApplication>
#include <QWidget>

namespace qxui {

namespace {

CMDIFrameWnd* MainMdiFrame() {
  return dynamic_cast<CMDIFrameWnd*>(AfxGetMainWnd());
}

}  // namespace

ModalEntry::ModalEntry() : m_activeWindow(QApplication::activeWindow()), m_hFocus(::GetFocus()) {
  if (CMDIFrameWnd* frame = MainMdiFrame()) {
    if (CMDIChildWnd* child = frame->MDIGetActive()) m_hActiveChild = child->GetSafeHwnd();
  }
  // Qt's own grab too: a widget that grabbed the mouse outside the layer would
  // still take every click meant for the box.
  if (::GetCapture()) ::ReleaseCapture();
  if (QWidget* grabber = QWidget::mouseGrabber()) grabber->releaseMouse();
}

ModalEntry::~ModalEntry() {
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
  // all) to the focus widget of whichever window it activates next, which
  // need not be where the user was typing: the system returns the activation
  // to the box's owner, not to a floating bar the user was typing in.
  CWnd* focus = CWnd::FromHandle(m_hFocus);
  if (!focus || ::GetFocus() == m_hFocus || !focus->IsWindowVisible() || !focus->IsWindowEnabled())
    return;
  focus->SetFocus();
  QWidget* top = focus->GetWidget() ? focus->GetWidget()->window() : nullptr;
  if (top && top != QApplication::activeWindow()) top->activateWindow();
}

}  // namespace qxui
