#include "platform/ui/FrameWnd.h"
#include "platform/ui/WinApp.h"
#include "platform/ui/WndInternal.h"

#include <QApplication>
#include <QGuiApplication>
#include <QPointer>
#include <QTimer>
#include <QWidget>
#include <QWindow>

namespace qxui {

namespace {

// The modal loops entered and not yet left: dialogs and message boxes alike.
int g_modalDepth = 0;

CMDIFrameWnd* MainMdiFrame() {
  return dynamic_cast<CMDIFrameWnd*>(AfxGetMainWnd());
}

}  // namespace

int ModalDepth() {
  return g_modalDepth;
}

ModalEntry::ModalEntry() : m_activeWindow(QApplication::activeWindow()), m_hFocus(::GetFocus()) {
  ++g_modalDepth;
  if (CMDIFrameWnd* frame = MainMdiFrame()) {
    if (CMDIChildWnd* child = frame->MDIGetActive()) m_hActiveChild = child->GetSafeHwnd();
  }
  // Qt's own grab too: a widget that grabbed the mouse outside the layer would
  // still take every click meant for the box.
  if (::GetCapture()) ::ReleaseCapture();
  if (QWidget* grabber = QWidget::mouseGrabber()) grabber->releaseMouse();
}

ModalEntry::~ModalEntry() {
  --g_modalDepth;
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
  CWnd* focus = CWnd::FromHandle(m_hFocus);
  if (!focus || ::GetFocus() == m_hFocus || !focus->IsWindowVisible() || !focus->IsWindowEnabled())
    return;
  focus->SetFocus();
  QWidget* top = focus->GetWidget() ? focus->GetWidget()->window() : nullptr;
  if (!top || top == QApplication::activeWindow()) return;
  if (QApplication::activeWindow()) {
    top->activateWindow();
  } else if (QGuiApplication::platformName() != QLatin1String("offscreen")) {
    ActivateAfterTheSystemsReturn(top, m_hFocus);
  }
}

void ModalEntry::ActivateAfterTheSystemsReturn(QWidget* top, HWND hFocus) {
  // Once, and only while nothing else took the keyboard meanwhile.
  auto* watch = new QObject(top);
  QPointer<QWidget> window(top);
  QObject::connect(qGuiApp, &QGuiApplication::focusWindowChanged, watch,
                   [watch, window, hFocus](QWindow* now) {
                     watch->deleteLater();
                     if (now && window && now != window->windowHandle() && ::GetFocus() == hFocus)
                       window->activateWindow();
                   });
  QTimer::singleShot(kSystemsReturnMs, watch, [watch] { watch->deleteLater(); });
}

}  // namespace qxui
