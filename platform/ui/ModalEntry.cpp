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

ModalEntry::ModalEntry() : m_activeWindow(QApplication::activeWindow()) {
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
}

}  // namespace qxui
