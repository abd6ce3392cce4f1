#pragma once
// Layer-internal state of windows, shared by the window classes of this
// layer and the test hooks. Code outside platform/ never includes this.
#include "platform/ui/Focus.h"
#include "platform/ui/ModalEntry.h"
#include "platform/ui/Wnd.h"

#include <QEvent>
#include <QEventLoop>
#include <QImage>
#include <QKeyEvent>
#include <QPointer>
#include <QRegion>
#include <QTimer>
#include <QWidget>
#include <QWindow>

#include <functional>
#include <map>
#include <memory>
#include <vector>

namespace qxui {

// The layer's one crossing between a CString's text (Windows-1252, see
// platform/core/CodePage.h) and Qt's: every caption, menu item, message and
// control text shown goes through ToQt, every text read back through FromQt
// ('?' for a character the code page has no byte for; HoldsAsText tells
// beforehand). A path is turned into text before it gets here.
QString ToQt(const char* text);
CString FromQt(const QString& text);
bool HoldsAsText(const QString& text);

// A value set for as long as a scope runs: the value it had comes back as the
// scope ends, by a return, an exception or its end, so a nested user (a loop
// inside a loop, a key inside a key) finds its own again. The place must
// outlive the scope; one that can go with a window inside it is no place for
// this.
template <class T>
class ScopedValue {
 public:
  ScopedValue(T& place, T value) : m_place(place), m_outer(place) { m_place = value; }
  ~ScopedValue() { m_place = m_outer; }
  ScopedValue(const ScopedValue&) = delete;
  ScopedValue& operator=(const ScopedValue&) = delete;

 private:
  T& m_place;
  T m_outer;
};

struct WndClass {
  UINT style = 0;
  HCURSOR cursor = nullptr;
  HBRUSH background = nullptr;
  HICON icon = nullptr;
};

// The first field of a resource string of fields parted by newlines: a
// frame's title, a command's status-bar message.
CString FirstField(const char* text);

// A registered class by name; the default class for null or an unknown name.
WndClass LookUpClass(LPCSTR name);

struct WndState {
  WndClass wndClass;
  DWORD style = 0;
  DWORD exStyle = 0;
  UINT id = 0;
  CString text;
  CWnd* parent = nullptr;
  std::vector<CWnd*> children;
  CMenu* menu = nullptr;
  QImage image;    // the client area
  QImage overlay;  // drawn over the children; black is transparent
  QWidget* overlayWidget = nullptr;
  // The outermost widget that exists for this window (a sub-window or dock
  // around its own widget); deleted with the window.
  QPointer<QWidget> outer;
  bool qtFrame = false;  // Qt draws the non-client area (frames, MDI windows)
  QRegion update;        // client coordinates
  bool erase = false;    // the update region's background still needs erasing
  CSize clientSize{-1, -1};
  std::map<UINT_PTR, std::unique_ptr<QTimer>> timers;
  std::map<UINT_PTR, UINT> timerElapse;
  std::unique_ptr<CDC> paintDC;  // between BeginPaint and EndPaint
  bool destroying = false;
  QEventLoop* modalLoop = nullptr;
  int modalResult = -1;
  bool acceptFiles = false;
};

// Rectangles between the layer (right and bottom exclusive) and Qt.
inline QRect ToQRect(const RECT& r) {
  return QRect(r.left, r.top, r.right - r.left, r.bottom - r.top);
}
inline RECT ToRECT(const QRect& r) {
  RECT rect;
  ::SetRect(&rect, r.left(), r.top(), r.left() + r.width(), r.top() + r.height());
  return rect;
}

// What every widget made for a window has: the way back to the window,
// cleared when the window is destroyed first.
struct WndLink {
  virtual ~WndLink() = default;
  CWnd* m_pWnd = nullptr;
};

// The widget every plain window uses: Qt events go to the window.
class WndWidget : public QWidget, public WndLink {
 public:
  WndWidget(CWnd* wnd, QWidget* parent, Qt::WindowFlags flags = {});
  ~WndWidget() override;
  QSize sizeHint() const override;

 protected:
  bool event(QEvent* event) override;
  void paintEvent(QPaintEvent* event) override;
};

// A Qt widget class made to stand for a window (a tool bar, a status line):
// its size changes reach the window.
template <class Base>
class LinkedWidget : public Base, public WndLink {
 public:
  LinkedWidget(CWnd* wnd, QWidget* parent);
  ~LinkedWidget() override;

 protected:
  bool event(QEvent* event) override {
    if (m_pWnd && event->type() == QEvent::Resize) m_pWnd->QxEvent(event);
    return Base::event(event);
  }
};

// The window a widget belongs to (the widget itself or its nearest ancestor
// that is a window's widget); null when none.
CWnd* WindowOfWidget(const QWidget* widget);
// Records that a widget shows a window (every window widget must be registered).
void RegisterWidget(QWidget* widget, CWnd* wnd);
void UnregisterWidget(QWidget* widget);

template <class Base>
LinkedWidget<Base>::LinkedWidget(CWnd* wnd, QWidget* parent) : Base(parent) {
  m_pWnd = wnd;
  RegisterWidget(this, wnd);
}

class WidgetAccess {
 public:
  static WndState& State(CWnd* wnd) { return *wnd->m_state; }
  static void SetWidget(CWnd* wnd, QWidget* widget) { wnd->m_pWidget = widget; }
  static void WidgetGone(CWnd* wnd) { wnd->QxWidgetGone(); }
  static void SyncClientSize(CWnd* wnd) { wnd->QxSyncClientSize(); }
};

template <class Base>
LinkedWidget<Base>::~LinkedWidget() {
  UnregisterWidget(this);
  if (m_pWnd) WidgetAccess::WidgetGone(m_pWnd);
}

// The ShortcutOverride that a window lets pass: a lone Alt goes on to the
// frame's menu bar, which enters its keyboard mode when the key is let go.
// Every other key goes to the window (and so to the accelerators), never to
// Qt's shortcuts.
inline bool PassesShortcutOverride(QEvent* event) {
  return static_cast<const QKeyEvent*>(event)->key() == Qt::Key_Alt;
}

// ---- test hooks' access -------------------------------------------------
// Timers: manual mode starts no Qt timers; tests fire them.
void SetTimersManual(bool manual);
std::vector<std::pair<UINT_PTR, UINT>> ActiveTimers(CWnd* wnd);
struct CaretInfo {
  HWND owner = nullptr;
  CRect rect;
  bool visible = false;
};
CaretInfo GetCaretInfo();
// The mouse position as the layer saw it last.
void SetCursorPosInternal(const QPoint& global);
// The window the mouse moved over last.
HWND WindowUnderMouse();

}  // namespace qxui
