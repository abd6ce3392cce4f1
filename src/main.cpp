// The program: a Qt application running the application object.
#include "Qorex.h"
#include "platform/core/VectorState.h"
#include "platform/ui/MessageBoxUi.h"

#include <QApplication>

#include <clocale>

CQorexApp theApp;

int main(int argc, char** argv) {
  QApplication application(argc, argv);
  // Making the application runs AVX code that leaves the vector state in use.
  QxCleanVectorState();
  // Designs are read and written with "." decimals whatever the desktop's locale.
  std::setlocale(LC_NUMERIC, "C");
  QxInstallMessageBoxUi();
  return AfxWinMain(argc, argv);
}
