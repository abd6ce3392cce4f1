#pragma once
// Input as the window system delivers it: through Qt's window-system queue, so
// a mouse grab, a modal window, enter and leave, and the focus widget of the
// window decide where it goes, as with a real user. Also what only a real
// window system with a window manager can answer (the stacking order).
#include <QApplication>
#include <QPoint>
#include <QProcess>
#include <QTest>
#include <QWidget>
#include <QWindow>

#include <string>
#include <vector>

namespace qxtest {

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
// Waits until the widget's window has the focus, for at most the time given
// (a window manager gives it in its own time); whether it has it.
inline bool WaitForFocusWindow(QWidget* widget, int milliseconds = 3000) {
  return QTest::qWaitFor([widget] { return QGuiApplication::focusWindow() == WindowOf(widget); },
                         milliseconds);
}

inline bool OnRealWindowSystem() {
  return QGuiApplication::platformName() == QLatin1String("xcb");
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

}  // namespace qxtest
