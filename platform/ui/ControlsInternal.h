#pragma once
// Layer-internal pieces shared by the control files: the Qt widget classes
// that stand for controls, and the gate through which a key reaches a Qt
// widget only after the dialog manager and the control's window procedure
// have let it pass.
#include "platform/ui/Controls.h"
#include "platform/ui/WndInternal.h"

#include <QEvent>
#include <QString>

#include <functional>

namespace qxui {

// While a Qt key event is translated for a control: whether the control's
// default handling was reached for WM_KEYDOWN and WM_CHAR (then Qt's widget
// gets the key), and whether a WM_CHAR was sent at all.
struct KeyGate {
  QWidget* widget = nullptr;
  bool keyDefault = false;
  bool charSeen = false;
  bool charDefault = false;
};
extern KeyGate* g_keyGate;
// Non-zero while QxAttachControl moves a control to its member (no notifications).
extern int g_attaching;

QString WithoutMnemonic(const char* text);
// WM_COMMAND with the code from the control the widget stands for.
void NotifyParent(QWidget* widget, UINT code);
// Sends a query to a control from its const getters (SendMessage is not const).
inline LRESULT Ask(const CWnd* wnd, UINT message, WPARAM wParam = 0, LPARAM lParam = 0) {
  return const_cast<CWnd*>(wnd)->SendMessage(message, wParam, lParam);
}
// Keeps the window text of the control the widget stands for.
void SetStateText(QWidget* widget, const CString& text);

// Keys pass the window (and so the dialog manager) first, then the Qt widget
// if the window's default handling let them; focus reaches both; the rest is Qt's.
bool RouteHostedEvent(CWnd* wnd, QWidget* widget, QEvent* event,
                      const std::function<bool(QEvent*)>& base);

// A Qt widget class standing for a control window.
template <class Base>
class HostedWidget : public Base, public WndLink {
 public:
  HostedWidget(CWnd* wnd, QWidget* parent) : Base(parent) {
    m_pWnd = wnd;
    RegisterWidget(this, wnd);
  }
  ~HostedWidget() override {
    UnregisterWidget(this);
    if (m_pWnd) WidgetAccess::WidgetGone(m_pWnd);
  }

 protected:
  bool event(QEvent* event) override {
    if (!m_pWnd) return Base::event(event);
    return RouteHostedEvent(m_pWnd, this, event, [this](QEvent* e) { return Base::event(e); });
  }
};

}  // namespace qxui
