// The help system (see Help.h).
#include "platform/ui/Help.h"

#include "platform/core/CodePage.h"
#include "platform/core/Debug.h"
#include "platform/core/MessageBox.h"
#include "platform/core/String.h"
#include "platform/testing/PrintHooks.h"
#include "platform/ui/WindowSystem.h"

#include <QDesktopServices>
#include <QGuiApplication>
#include <QUrl>

#include <filesystem>
#include <mutex>

namespace {

std::mutex g_callLock;
std::vector<QxTest::HelpCall>& Calls() {
  static auto* calls = new std::vector<QxTest::HelpCall>;
  return *calls;
}

void Record(QxTest::HelpCall call) {
  std::lock_guard<std::mutex> guard(g_callLock);
  if (Calls().size() < 1000) Calls().push_back(std::move(call));
}

// A bare or relative name is taken beside the executable.
std::filesystem::path Locate(const std::string& file) {
  std::filesystem::path path(file);
  if (path.is_absolute()) return path;
  std::error_code error;
  std::filesystem::path exe = std::filesystem::read_symlink("/proc/self/exe", error);
  return error ? path : exe.parent_path() / path;
}

}  // namespace

BOOL QxWinHelp(LPCSTR helpFile, UINT command, DWORD_PTR data) {
  QxTest::HelpCall call;
  call.file = helpFile ? helpFile : "";
  call.command = command;
  call.data = data;
  if (command == HELP_QUIT) {
    Record(call);
    return TRUE;
  }
  std::filesystem::path path = Locate(call.file);
  call.path = path.string();
  std::error_code error;
  call.found = !call.file.empty() && std::filesystem::is_regular_file(path, error);
  Record(call);
  if (!call.found) {
    CString text;
    text.Format("Cannot find the help file %s.", QxPathToText(path.filename().string()).c_str());
    AfxMessageBox(text, MB_OK | MB_ICONEXCLAMATION);
    return FALSE;
  }
  TRACE("Help: %s, command %u, data %lu\n", call.path.c_str(), command,
        static_cast<unsigned long>(data));
  if (qxui::Services().opensHelp) {
    QDesktopServices::openUrl(QUrl::fromLocalFile(QString::fromStdString(call.path)));
  }
  return TRUE;
}

namespace QxTest {

std::vector<HelpCall> HelpCalls() {
  std::lock_guard<std::mutex> guard(g_callLock);
  return Calls();
}

void ClearHelpCalls() {
  std::lock_guard<std::mutex> guard(g_callLock);
  Calls().clear();
}

}  // namespace QxTest
