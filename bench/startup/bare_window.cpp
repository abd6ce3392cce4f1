// The yardstick for the program's start-up: a bare Qt main window of the same
// build as the program's main frame. A 918 x 735 main window titled "Bare main
// window" with a File menu of three items, one toolbar, an MDI area as its
// centre, a dock widget docked at the left, a floating 227 x 167 one and a
// status bar. It stays open until it is ended.
#include <QAction>
#include <QApplication>
#include <QDockWidget>
#include <QLabel>
#include <QMainWindow>
#include <QMdiArea>
#include <QMenuBar>
#include <QStatusBar>
#include <QToolBar>

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  QMainWindow window;
  window.setWindowTitle("Bare main window");
  window.resize(918, 735);
  QMenu* file = window.menuBar()->addMenu("&File");
  file->addAction("&New");
  file->addAction("&Open...");
  file->addAction("E&xit", &app, &QApplication::quit);
  QToolBar* tools = window.addToolBar("Standard");
  tools->addAction("New");
  tools->addAction("Open");
  tools->addAction("Save");
  window.setCentralWidget(new QMdiArea);
  auto* left = new QDockWidget("Left");
  left->setWidget(new QLabel("docked"));
  window.addDockWidget(Qt::LeftDockWidgetArea, left);
  auto* floating = new QDockWidget("Floating");
  floating->setWidget(new QLabel("floating"));
  window.addDockWidget(Qt::RightDockWidgetArea, floating);
  floating->setFloating(true);
  floating->resize(227, 167);
  window.statusBar()->showMessage("Ready");
  window.show();
  return app.exec();
}
