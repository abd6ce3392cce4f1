#pragma once
// Input as the window system delivers it: through Qt's window-system queue, so
// a mouse grab, a modal window, enter and leave, and the focus widget of the
// window decide where it goes, as with a real user. Also what only a real
// window system with a window manager can answer (the stacking order).
#include <QApplication>
#include <QMoveEvent>
#include <QPoint>
#include <QProcess>
#include <QTest>
#include <QWidget>
#include <QWindow>

#include <gtest/gtest.h>

#include <algorithm>
#include <iostream>
#include <sstream>
#include <string>
#include <vector>

namespace qxtest {

// How long an event of the window system may take: a bound only a fault
// meets, however loaded the machine (a wait ends as soon as its event comes).
constexpr int kXEventBoundMs = 30000;

// A point of a widget as a point of its top-level window.
inline QPoint InWindow(QWidget* widget, QPoint local) {
  return widget->mapTo(widget->window(), local);
}
inline QWindow* WindowOf(QWidget* widget) {
  return widget->window()->windowHandle();
}

inline void SystemMove(QWidget* widget, QPoint local) {
  QTest::mouseMove(WindowOf(widget), InWindow(widget, local));
  QApplication::processEvents();
}
inline void SystemClick(QWidget* widget, QPoint local) {
  QTest::mouseClick(WindowOf(widget), Qt::LeftButton, {}, InWindow(widget, local));
  QApplication::processEvents();
}
inline void SystemKey(QWidget* widget, Qt::Key key, Qt::KeyboardModifiers modifiers = {}) {
  QTest::keyClick(WindowOf(widget), key, modifiers);
  QApplication::processEvents();
}

// Keys as the user types them: to the window the window system gave the focus,
// which need not be the window the user looks at (nothing is typed while no
// window of the program has the focus).
inline void TypedKey(Qt::Key key, Qt::KeyboardModifiers modifiers = {}) {
  if (QWindow* focus = QGuiApplication::focusWindow()) QTest::keyClick(focus, key, modifiers);
  QApplication::processEvents();
}
inline void TypedText(const char* text) {
  for (const char* c = text; *c; ++c) {
    if (QWindow* focus = QGuiApplication::focusWindow()) QTest::keyClick(focus, *c);
    QApplication::processEvents();
  }
}
inline bool WindowManagerCaughtUp();
inline bool AboveItsOwner(QWidget* widget);
inline unsigned long XFocusWindow();
// Where the keyboard is, for a wait for it that was not met: the toolkit's
// focus window and the X server's, beside the window that was awaited.
inline std::string FocusReport(QWidget* awaited) {
  auto name = [](QWindow* window) {
    return window ? window->title().toStdString() + " (" + std::to_string(window->winId()) + ")"
                  : std::string("none");
  };
  return "awaited " + name(WindowOf(awaited)) +
         "; the toolkit's focus window: " + name(QGuiApplication::focusWindow()) +
         "; the X server's: " + std::to_string(XFocusWindow());
}
// Waits until the widget's window has the focus, for at most the time given
// (a window manager gives it in its own time); whether it has it. Judged once
// the window manager has done all that was asked of it so far: a focus seen
// before that can be one it is about to move (a window it has just mapped
// takes it, a closed one's falls back).
inline bool WaitForFocusWindow(QWidget* widget, int milliseconds = kXEventBoundMs) {
  if (!WindowManagerCaughtUp()) return false;
  if (QTest::qWaitFor([widget] { return QGuiApplication::focusWindow() == WindowOf(widget); },
                      milliseconds))
    return true;
  std::cerr << "no focus window after " << milliseconds << " ms: " << FocusReport(widget) << '\n';
  return false;
}

inline bool OnRealWindowSystem() {
  return QGuiApplication::platformName() == QLatin1String("xcb");
}

// ---- input through the X server -------------------------------------------------
// What the user does with the real mouse and keyboard (xdotool, through the X
// server's test extension): the window manager sees it first, so a click on a
// caption or on a window behind a modal one moves the activation as it would
// for the user. Without xdotool none of it can be done (XInputAvailable).

inline bool RunXdotool(const QStringList& args, QString* out = nullptr) {
  QProcess xdotool;
  xdotool.start("xdotool", args);
  if (!xdotool.waitForFinished(kXEventBoundMs) || xdotool.exitCode() != 0) return false;
  if (out) *out = QString::fromLatin1(xdotool.readAllStandardOutput()).trimmed();
  return true;
}
// Also turns the X server's autorepeat off, once: a key that a busy machine
// holds down past the repeat delay would otherwise be typed again and again.
inline bool XInputAvailable() {
  if (!OnRealWindowSystem() || !RunXdotool({"getmouselocation"})) return false;
  static const bool repeatOff = QProcess::execute("xset", {"r", "off"}) == 0;
  (void)repeatOff;  // without xset the test command has turned it off
  return true;
}
// The top-level window that has the X server's keyboard focus (0: none).
inline unsigned long XFocusWindow() {
  QString out;
  return RunXdotool({"getwindowfocus", "-f"}, &out) ? out.toULong() : 0;
}
// Whether the X server's focus is on the widget's top-level window, once
// everything that follows from the last input has arrived (up to the time given).
inline bool XFocusIsOn(QWidget* widget, int milliseconds = kXEventBoundMs) {
  if (!WindowManagerCaughtUp()) return false;
  const auto id = static_cast<unsigned long>(WindowOf(widget)->winId());
  if (QTest::qWaitFor([id] { return XFocusWindow() == id; }, milliseconds)) return true;
  std::cerr << "no X focus after " << milliseconds << " ms: " << FocusReport(widget) << '\n';
  return false;
}
// Where the X server has the widget's top-level window (its inside, as the
// toolkit's geometry()), by xwininfo's absolute reading; a point off every
// screen when it cannot say. (xdotool's own reading adds the window's offset
// in the window manager's frame once more.)
inline QPoint XWindowPosition(QWidget* widget) {
  QPoint at(-100000, -100000);
  QWindow* window = widget->window()->windowHandle();
  if (window == nullptr) return at;
  QProcess xwininfo;
  xwininfo.start("xwininfo", {"-id", QString::number(window->winId())});
  if (!xwininfo.waitForFinished(kXEventBoundMs) || xwininfo.exitCode() != 0) return at;
  for (const QString& line : QString::fromLatin1(xwininfo.readAllStandardOutput()).split('\n')) {
    const QString text = line.trimmed();
    if (text.startsWith("Absolute upper-left X:")) at.setX(text.section(':', 1).toInt());
    if (text.startsWith("Absolute upper-left Y:")) at.setY(text.section(':', 1).toInt());
  }
  return at;
}
// Returns once the program has taken in (and acted on) every event the X
// server had sent it when this was called: the server handles one client's
// requests in order, so a move of a small window of the program's own that no
// window manager handles, asked for now, reaches the program after them.
// What the window manager does in answer (the focus it moves) comes in its
// own time: wait for that itself (XFocusIsOn). Whether it arrived in time.
class InputMarker : public QWidget {
 public:
  static InputMarker& The() {
    static auto* const marker = new InputMarker;
    return *marker;
  }
  // Asks for the next move; its number.
  int Ask() {
    const int number = ++m_asked;
    m_pending.push_back({number, kFarX + number % 16});
    RunMove(m_pending.back().second);
    return number;
  }
  int Reached() const { return m_reached; }

 protected:
  void moveEvent(QMoveEvent* event) override {
    // Moves arrive in the order asked; a barrier asked inside another's wait
    // (a dialog's script) can be answered first.
    while (!m_pending.empty()) {
      const auto [number, x] = m_pending.front();
      m_pending.erase(m_pending.begin());
      if (x == event->pos().x()) {
        m_reached = number;
        break;
      }
    }
  }

 private:
  static constexpr int kFarX = 4000;  // off every screen
  InputMarker()
      : QWidget(nullptr, Qt::ToolTip | Qt::X11BypassWindowManagerHint | Qt::FramelessWindowHint) {
    setAttribute(Qt::WA_ShowWithoutActivating);
    setGeometry(kFarX, kFarX, 1, 1);
    show();
    QApplication::processEvents();  // sends the window to the server
  }
  void RunMove(int x) {
    // The window's own id: the widget's can name one the toolkit replaced.
    const QStringList move{"windowmove", QString::number(windowHandle()->winId()),
                           QString::number(x), QString::number(kFarX)};
    if (!RunXdotool(move)) {
      QApplication::processEvents();
      RunXdotool(move);
    }
  }
  int m_asked = 0;
  int m_reached = 0;
  std::vector<std::pair<int, int>> m_pending;  // number, x
};
inline bool InputReachedProgram(int milliseconds = kXEventBoundMs) {
  InputMarker& marker = InputMarker::The();
  const int number = marker.Ask();
  return QTest::qWaitFor([&marker, number] { return marker.Reached() >= number; }, milliseconds);
}
// Sends input through xdotool and waits until the program has taken it in;
// a failure of the test that names the input when either never happens.
inline void XInput(const QStringList& args) {
  if (!RunXdotool(args))
    ADD_FAILURE() << "xdotool " << args.join(' ').toStdString() << " failed or took past "
                  << kXEventBoundMs << " ms";
  else if (!InputReachedProgram())
    ADD_FAILURE() << "xdotool " << args.join(' ').toStdString()
                  << ": the input had not reached the program after " << kXEventBoundMs << " ms";
}
// Clicks (count of them, delayMs apart) at a point of the screen.
inline void XClickAt(QPoint global, int count = 1, int delayMs = 100) {
  // Not --sync: it waits for ever for a pointer already where it is sent.
  XInput({"mousemove", QString::number(global.x()), QString::number(global.y())});
  XInput({"click", "--repeat", QString::number(count), "--delay", QString::number(delayMs), "1"});
}
// At a point of a widget where the X server has its window: the toolkit's own
// idea of the window's place can lag behind a move the window manager made.
// A floating bar stands above the window it belongs to once the window
// manager has restacked them after that one's activation (a dialog that
// closed, a design made); before that a click at the bar's place can land on
// the main window.
inline void XClick(QWidget* widget, QPoint local, int count = 1, int delayMs = 100) {
  if (!AboveItsOwner(widget))
    ADD_FAILURE() << "window " << WindowOf(widget)->winId()
                  << " never stood above the window it belongs to";
  QPoint origin = XWindowPosition(widget);
  if (origin.x() == -100000) origin = widget->window()->mapToGlobal(QPoint(0, 0));
  XClickAt(origin + InWindow(widget, local), count, delayMs);
}
// The middle of a top-level window's caption, which the window manager draws.
inline void XClickCaption(QWidget* window) {
  const QRect frame = window->frameGeometry();
  const QRect inner = window->geometry();
  XClickAt(QPoint(frame.center().x(), (frame.top() + inner.top()) / 2));
}
// Keys by their X names ("ctrl+s", "Escape", "alt+e s"), to the focused window,
// one combination at a time, each taken in by the program before the next.
// A combination is pressed in order and released in reverse (the modifiers
// last) in one request stream, so no key is ever down without its modifiers.
inline void XKeys(const QString& keys) {
  for (const QString& combination : keys.split(' ', Qt::SkipEmptyParts)) {
    const QStringList parts = combination.split('+');
    QStringList args;
    for (const QString& part : parts) args << "keydown" << part;
    for (auto part = parts.crbegin(); part != parts.crend(); ++part) args << "keyup" << *part;
    XInput(args);
  }
}
inline void XType(const char* text) {
  XInput({"type", "--delay", "60", QString::fromLatin1(text)});
}

// What the X server holds of a window that says how the window manager
// treats it: whose transient it is, its type and state, whether it is mapped.
inline std::string XProperties(unsigned long id) {
  std::string said;
  QProcess xprop;
  xprop.start("xprop", {"-id", QString::number(id), "WM_TRANSIENT_FOR", "_NET_WM_WINDOW_TYPE",
                        "_NET_WM_STATE", "WM_STATE"});
  if (xprop.waitForFinished(5000))
    said = QString::fromLatin1(xprop.readAllStandardOutput()).replace('\n', "; ").toStdString();
  QProcess xwininfo;
  xwininfo.start("xwininfo", {"-id", QString::number(id)});
  if (xwininfo.waitForFinished(5000))
    for (const QString& line : QString::fromLatin1(xwininfo.readAllStandardOutput()).split('\n'))
      if (line.trimmed().startsWith("Map State:")) said += line.trimmed().toStdString();
  return said;
}

// The managed top-level windows from bottom to top, as the window manager
// stacks them (empty without one, or without xprop).
inline std::vector<unsigned long> StackingOrder() {
  QProcess xprop;
  xprop.start("xprop", {"-root", "_NET_CLIENT_LIST_STACKING"});
  std::vector<unsigned long> ids;
  if (!xprop.waitForFinished(5000)) return ids;
  const QString out = QString::fromLatin1(xprop.readAllStandardOutput());
  const int hash = out.indexOf('#');
  if (hash < 0) return ids;
  for (const QString& id : out.mid(hash + 1).split(',', Qt::SkipEmptyParts))
    ids.push_back(id.trimmed().toULong(nullptr, 16));
  return ids;
}

// Returns once the window manager has handled every request and event the X
// server had for it when this was called (what it does for a window mapped
// or activated, the focus it gives back when a focused window closes): it
// handles them in order, so a window mapped now is managed after them, and it
// names every window it manages on the root window. The window asks for no
// focus and takes none, and goes at once; a plain window, transient for
// nothing, so that stacking it moves none of the program's others (a window
// transient for the whole program takes them along). Whether that came within
// the bound (at once without a window manager).
inline bool WindowManagerCaughtUp() {
  if (!OnRealWindowSystem()) return true;
  auto* probe =
      new QWidget(nullptr, Qt::Window | Qt::FramelessWindowHint | Qt::WindowDoesNotAcceptFocus);
  probe->setAttribute(Qt::WA_ShowWithoutActivating);
  probe->setGeometry(4000, 4000, 1, 1);  // off every screen, if it is left there
  probe->show();
  const auto id = static_cast<unsigned long>(probe->winId());
  QApplication::processEvents();  // sends the map to the server
  const bool managed = QTest::qWaitFor(
      [id] {
        const std::vector<unsigned long> order = StackingOrder();
        return order.empty() || std::find(order.begin(), order.end(), id) != order.end();
      },
      kXEventBoundMs);
  delete probe;
  QApplication::processEvents();  // its end too, before any input that follows
  if (!managed) {
    ADD_FAILURE() << "the window manager had not managed a window after " << kXEventBoundMs
                  << " ms";
    return false;
  }
  // What the window manager did reached the program (without xdotool, what
  // has come so far).
  static const bool marks = RunXdotool({"getmouselocation"});
  if (!marks) {
    QApplication::processEvents();
    return true;
  }
  return InputReachedProgram();
}

// The window manager's stacking and what the X server holds of the window, for
// a wait about it that was not met.
inline std::string XWindowReport(unsigned long id) {
  std::ostringstream said;
  said << "  stacking (bottom to top):" << std::hex;
  for (const unsigned long each : StackingOrder()) said << " 0x" << each;
  said << "\n  0x" << id << ": " << XProperties(id);
  return said.str();
}

// Whether the widget's top-level window came to be shown on the screen within
// the bound; when it did not, what the X server and the window manager hold
// of it.
inline bool Exposed(QWidget* widget) {
  QWindow* window = widget->window()->windowHandle();
  if (window && QTest::qWaitForWindowExposed(window, kXEventBoundMs)) return true;
  std::cerr << "window " << (window ? window->title().toStdString() : "none")
            << " not shown on the screen after " << kXEventBoundMs << " ms";
  if (window) std::cerr << ":\n" << XWindowReport(window->winId());
  std::cerr << '\n';
  return false;
}

// Whether the widget's top-level window stands above the one it is transient
// for in the window manager's stacking, once that has caught up (at once for
// a window that belongs to none, or without a stacking to read).
inline bool AboveItsOwner(QWidget* widget) {
  QWindow* window = widget->window()->windowHandle();
  QWindow* owner = window ? window->transientParent() : nullptr;
  if (owner == nullptr) return true;
  if (!WindowManagerCaughtUp()) return false;
  const auto id = static_cast<unsigned long>(window->winId());
  const auto ownerId = static_cast<unsigned long>(owner->winId());
  if (QTest::qWaitFor(
          [id, ownerId] {
            const std::vector<unsigned long> order = StackingOrder();
            const auto at = std::find(order.begin(), order.end(), id);
            const auto ownerAt = std::find(order.begin(), order.end(), ownerId);
            return order.empty() || ownerAt == order.end() || (at != order.end() && at > ownerAt);
          },
          kXEventBoundMs))
    return true;
  std::cerr << "window 0x" << std::hex << id << " never stood above 0x" << ownerId << std::dec
            << ":\n"
            << XWindowReport(id) << "\n  toolkit: visible " << widget->window()->isVisible()
            << '\n';
  return false;
}

// Counts a window's resizes while it lives.
class ResizeCount : public QObject {
 public:
  explicit ResizeCount(QWidget* window) : m_window(window) { window->installEventFilter(this); }
  ~ResizeCount() override { m_window->removeEventFilter(this); }
  int count = 0;

 protected:
  bool eventFilter(QObject*, QEvent* event) override {
    if (event->type() == QEvent::Resize) ++count;
    return false;
  }

 private:
  QWidget* m_window;
};

}  // namespace qxtest
