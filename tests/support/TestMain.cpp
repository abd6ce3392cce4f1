// Test main: offscreen Qt, a private config and runtime folder, the C numeric
// locale, one QApplication for the whole binary, and the program's dialog
// templates registered as the application registers them at start-up.
#include "tests/support/TestSupport.h"

#include "platform/testing/TestHooks.h"
#include "res/Resources.h"

#include <QApplication>
#include <gtest/gtest.h>

#include <clocale>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <sys/stat.h>

namespace {
std::string g_tempRoot;
}

namespace qxtest {

const std::string& TempRoot() {
  return g_tempRoot;
}

std::string MakeTempDir(const std::string& stem) {
  std::string pattern = g_tempRoot + "/" + stem + "-XXXXXX";
  char* made = mkdtemp(pattern.data());
  return made ? std::string(made) : std::string();
}

}  // namespace qxtest

int main(int argc, char** argv) {
  std::string pattern = (std::filesystem::temp_directory_path() / "qxtest-XXXXXX").string();
  if (!mkdtemp(pattern.data())) return 2;
  g_tempRoot = pattern;
  chmod(g_tempRoot.c_str(), 0700);
  // Offscreen unless the caller chose a platform (the Xvfb smoke run uses xcb).
  setenv("QT_QPA_PLATFORM", "offscreen", 0);
  setenv("XDG_CONFIG_HOME", g_tempRoot.c_str(), 1);
  setenv("XDG_RUNTIME_DIR", g_tempRoot.c_str(), 1);
  setenv("XDG_DATA_HOME", (g_tempRoot + "/data").c_str(), 1);  // desktop registration

  testing::InitGoogleTest(&argc, argv);
  qxres::RegisterDialogTemplates();
  int result;
  {
    QApplication app(argc, argv);
    // QApplication adopts the environment's locale; printf and strtod must use '.'.
    std::setlocale(LC_NUMERIC, "C");
    if (QGuiApplication::platformName() == QLatin1String("offscreen")) QxTest::RunWithoutAScreen();
    result = RUN_ALL_TESTS();
  }
  std::error_code ignored;
  std::filesystem::remove_all(g_tempRoot, ignored);
  return result;
}
