#include "platform/ui/WinApp.h"

#include "platform/core/CodePage.h"
#include "platform/core/Debug.h"
#include "platform/io/Bus.h"
#include "platform/ui/Help.h"
#include "platform/ui/MessageQueue.h"
#include "platform/ui/Print.h"
#include "platform/ui/WndInternal.h"

#include <QAbstractEventDispatcher>
#include <QApplication>
#include <QProcess>
#include <QStandardPaths>

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <initializer_list>
#include <iterator>
#include <string>
#include <utility>
#include <unistd.h>

IMPLEMENT_DYNAMIC(CWinApp, CCmdTarget)

BEGIN_MESSAGE_MAP(CWinApp, CCmdTarget)
ON_COMMAND_EX_RANGE(ID_FILE_MRU_FILE1, ID_FILE_MRU_LAST, OnOpenRecentFile)
ON_UPDATE_COMMAND_UI(ID_FILE_MRU_FILE1, OnUpdateRecentFileMenu)
ON_COMMAND(ID_APP_EXIT, OnAppExit)
END_MESSAGE_MAP()

namespace {

CWinApp* g_pApp = nullptr;

void AddToRecentFiles(LPCTSTR path) {
  if (g_pApp) g_pApp->AddToRecentFileList(path);
}

}  // namespace

CWinApp* AfxGetApp() {
  return g_pApp;
}

CWnd* AfxGetMainWnd() {
  return g_pApp ? g_pApp->m_pMainWnd : nullptr;
}

void QxPostToMainWnd(UINT message, WPARAM wParam, LPARAM lParam) {
  if (CWnd* main = AfxGetMainWnd()) ::PostMessage(main->GetSafeHwnd(), message, wParam, lParam);
}

HINSTANCE AfxGetInstanceHandle() {
  return g_pApp ? g_pApp->m_hInstance : nullptr;
}

HINSTANCE AfxGetResourceHandle() {
  return AfxGetInstanceHandle();
}

// ---- CCommandLineInfo -------------------------------------------------------------

void CCommandLineInfo::ParseParam(const char* pszParam, BOOL bFlag, BOOL bLast) {
  CString param = pszParam ? pszParam : "";
  if (bFlag) {
    if (param.CompareNoCase("pt") == 0) {
      m_nShellCommand = FilePrintTo;
    } else if (param.CompareNoCase("p") == 0) {
      m_nShellCommand = FilePrint;
    } else if (param.CompareNoCase("dde") == 0) {
      m_nShellCommand = FileDDE;
    } else if (param.CompareNoCase("Unregister") == 0 || param.CompareNoCase("Unregserver") == 0) {
      m_nShellCommand = AppUnregister;
    } else if (param.CompareNoCase("Embedding") == 0) {
      m_bRunEmbedded = TRUE;
    } else if (param.CompareNoCase("Automation") == 0) {
      m_bRunAutomated = TRUE;
    }
  } else if (m_strFileName.IsEmpty()) {
    m_strFileName = param;
  } else if (m_nShellCommand == FilePrintTo) {
    if (m_strPrinterName.IsEmpty()) {
      m_strPrinterName = param;
    } else if (m_strDriverName.IsEmpty()) {
      m_strDriverName = param;
    } else if (m_strPortName.IsEmpty()) {
      m_strPortName = param;
    }
  }
  if (bLast) {
    if (m_nShellCommand == FileNew && !m_strFileName.IsEmpty()) m_nShellCommand = FileOpen;
    // Started by another program: no splash.
    m_bShowSplash = !m_bRunEmbedded && !m_bRunAutomated;
  }
}

// ---- CWinApp --------------------------------------------------------------------------

CWinApp::CWinApp(LPCTSTR lpszAppName) {
  g_pApp = this;
  if (lpszAppName) {
    m_strAppName = lpszAppName;
    m_pszAppName = m_strAppName;
  }
  m_nThreadID = m_thread.m_nThreadID;
  m_thread.m_bAutoDelete = FALSE;
  AfxSetThread(&m_thread);
  CDocument::s_pfnAddToRecentFileList = &AddToRecentFiles;
  qxui::SetPreTranslateHook(
      [](MSG* msg) { return g_pApp ? g_pApp->PreTranslateMessage(msg) : FALSE; });
  qxui::SetIdleHook([] {
    if (!g_pApp) return;
    for (LONG count = 0; g_pApp->OnIdle(count); ++count) {
    }
  });
  qxui::SetActivityHook([] {
    if (g_pApp) g_pApp->m_bIdlePending = true;
  });
}

CWinApp::~CWinApp() {
  for (CDocTemplate* docTemplate : m_templates) delete docTemplate;
  m_templates.clear();
  if (g_pApp == this) {
    g_pApp = nullptr;
    CDocument::s_pfnAddToRecentFileList = nullptr;
    qxui::SetPreTranslateHook(nullptr);
    qxui::SetIdleHook(nullptr);
    qxui::SetActivityHook(nullptr);
    AfxSetThread(nullptr);
  }
}

BOOL CWinApp::InitApplication() {
  QxUiThreadId();
  if (m_strAppName.IsEmpty()) {
    const char* title = AfxLoadString(AFX_IDS_APP_TITLE);
    m_strAppName = title ? title : "";
  }
  m_pszAppName = m_strAppName;
  if (m_strExeName.IsEmpty()) m_strExeName = m_strAppName;
  m_pszExeName = m_strExeName;
  if (m_strHelpFilePath.IsEmpty()) {
    std::error_code error;
    std::filesystem::path exe = std::filesystem::read_symlink("/proc/self/exe", error);
    std::filesystem::path folder = error ? std::filesystem::path(".") : exe.parent_path();
    m_strHelpFilePath =
        (folder / (std::string(m_strExeName.GetString()) + ".hlp")).string().c_str();
  }
  if (!m_pszHelpFilePath) m_pszHelpFilePath = m_strHelpFilePath;
  return TRUE;
}

BOOL CWinApp::InitInstance() {
  return TRUE;
}

int CWinApp::ExitInstance() {
  if (m_nMaxMRU > 0) SaveStdProfileSettings();
  return m_nExitCode;
}

int CWinApp::Run() {
  QAbstractEventDispatcher* dispatcher = QAbstractEventDispatcher::instance();
  QMetaObject::Connection idle;
  if (dispatcher) {
    // The idle pass runs when the loop is about to wait, once after each burst
    // of messages, and not while a modal loop runs.
    idle = QObject::connect(dispatcher, &QAbstractEventDispatcher::aboutToBlock, [this] {
      if (!m_bIdlePending || qxui::ModalDepth() > 0) return;
      m_bIdlePending = false;
      for (LONG count = 0; OnIdle(count); ++count) {
      }
    });
  }
  m_bIdlePending = true;
  if (m_pMainWnd) {
    // While the main window runs, broadcasts of other processes arrive on the
    // local bus and go to it, and ours go out there.
    QxBusSetReceiver(QxPostToMainWnd);
    if (!QxBusJoin()) TRACE0("The local message bus is not available\n");
    qxui::SetMainLoopRunning(true);
    m_nExitCode = QApplication::exec();
    qxui::SetMainLoopRunning(false);
    QxBusLeave();
    QxBusSetReceiver(nullptr);
  }
  if (idle) QObject::disconnect(idle);
  if (m_pMainWnd && IsWindow(m_pMainWnd->GetSafeHwnd())) m_pMainWnd->DestroyWindow();
  return ExitInstance();
}

BOOL CWinApp::OnIdle(LONG lCount) {
  if (lCount > 0) return FALSE;
  CWnd* main = m_pMainWnd;
  if (main && IsWindow(main->GetSafeHwnd())) {
    HWND hMain = main->GetSafeHwnd();
    main->SendMessage(WM_IDLEUPDATECMDUI, TRUE, 0);
    if (IsWindow(hMain)) main->SendMessageToDescendants(WM_IDLEUPDATECMDUI, TRUE, 0, TRUE, TRUE);
  }
  return TRUE;
}

BOOL CWinApp::DispatchThreadMessage(MSG* pMsg) {
  LRESULT ignored = 0;
  return DispatchMappedMessage(pMsg->message, pMsg->wParam, pMsg->lParam, &ignored);
}

BOOL CWinApp::PreTranslateMessage(MSG* pMsg) {
  if (!pMsg->hwnd) return DispatchThreadMessage(pMsg);
  CWnd* main = m_pMainWnd;
  CWnd* wnd = CWnd::FromHandle(pMsg->hwnd);
  // From the target up to the main window, each window gets its chance.
  for (CWnd* step = wnd; step; step = step->GetParent()) {
    HWND hStep = step->GetSafeHwnd();
    if (step->PreTranslateMessage(pMsg)) return TRUE;
    if (!IsWindow(hStep) || step == main) return FALSE;
  }
  // A window outside the main window (a floating bar, a modeless box) still
  // gets the main window's accelerators.
  if (main && wnd && wnd->GetTopLevelParent() != main && IsWindow(main->GetSafeHwnd())) {
    return main->PreTranslateMessage(pMsg);
  }
  return FALSE;
}

// ---- documents ------------------------------------------------------------------------

void CWinApp::AddDocTemplate(CDocTemplate* pTemplate) {
  if (pTemplate) m_templates.push_back(pTemplate);
}

POSITION CWinApp::GetFirstDocTemplatePosition() const {
  return m_templates.empty() ? nullptr : reinterpret_cast<POSITION>(std::uintptr_t{1});
}

CDocTemplate* CWinApp::GetNextDocTemplate(POSITION& pos) const {
  std::uintptr_t index = reinterpret_cast<std::uintptr_t>(pos);
  if (index == 0 || index > m_templates.size()) {
    pos = nullptr;
    return nullptr;
  }
  pos = index < m_templates.size() ? reinterpret_cast<POSITION>(index + 1) : nullptr;
  return m_templates[index - 1];
}

CDocument* CWinApp::OpenDocumentFile(LPCTSTR lpszFileName) {
  if (m_templates.empty()) return nullptr;
  CString path = lpszFileName ? lpszFileName : "";
  if (!path.IsEmpty()) {
    std::error_code error;
    std::filesystem::path absolute = std::filesystem::absolute(path.GetString(), error);
    if (!error) path = absolute.lexically_normal().string().c_str();
    // A document already open is shown, not opened twice.
    for (CDocTemplate* docTemplate : m_templates) {
      POSITION pos = docTemplate->GetFirstDocPosition();
      while (pos) {
        CDocument* doc = docTemplate->GetNextDoc(pos);
        if (doc->GetPathName() != path) continue;
        POSITION viewPos = doc->GetFirstViewPosition();
        if (CView* view = doc->GetNextView(viewPos)) {
          if (CFrameWnd* frame = view->GetParentFrame()) frame->ActivateFrame();
        }
        return doc;
      }
    }
  }
  return m_templates.front()->OpenDocumentFile(path.IsEmpty() ? nullptr : path.GetString());
}

void CWinApp::AddToRecentFileList(LPCTSTR lpszPathName) {
  if (m_nMaxMRU == 0 || !lpszPathName || !*lpszPathName) return;
  CString path = lpszPathName;
  m_recentFiles.erase(std::remove(m_recentFiles.begin(), m_recentFiles.end(), path),
                      m_recentFiles.end());
  m_recentFiles.insert(m_recentFiles.begin(), path);
  if (m_recentFiles.size() > m_nMaxMRU) m_recentFiles.resize(m_nMaxMRU);
}

int CWinApp::GetOpenDocumentCount() const {
  int count = 0;
  for (CDocTemplate* docTemplate : m_templates) count += docTemplate->GetDocumentCount();
  return count;
}

BOOL CWinApp::SaveAllModified() {
  for (CDocTemplate* docTemplate : m_templates) {
    if (!docTemplate->SaveAllModified()) return FALSE;
  }
  return TRUE;
}

void CWinApp::CloseAllDocuments(BOOL bEndSession) {
  for (CDocTemplate* docTemplate : m_templates) docTemplate->CloseAllDocuments(bEndSession);
}

BOOL CWinApp::DoPromptFileName(CString& fileName, UINT, DWORD, BOOL bOpenFileDialog,
                               CDocTemplate* pTemplate) {
  CString filter;
  CString ext;
  if (pTemplate) {
    CString name;
    pTemplate->GetDocString(name, CDocTemplate::filterName);
    pTemplate->GetDocString(ext, CDocTemplate::filterExt);
    if (!name.IsEmpty() && !ext.IsEmpty()) filter = name + "|*" + ext + "|";
  }
  filter += "All Files (*.*)|*.*||";
  return QxPromptFileName(fileName, bOpenFileDialog, bOpenFileDialog ? "Open" : "Save As", filter,
                          ext);
}

void CWinApp::OnFileNew() {
  if (!m_templates.empty()) m_templates.front()->OpenDocumentFile(nullptr);
}

void CWinApp::OnFileOpen() {
  CString name;
  if (!DoPromptFileName(name, 0, 0, TRUE, m_templates.empty() ? nullptr : m_templates.front())) {
    return;
  }
  OpenDocumentFile(name);
}

void CWinApp::OnFilePrintSetup() {
  QxPrintSetup();
}

void CWinApp::OnAppExit() {
  if (m_pMainWnd) m_pMainWnd->SendMessage(WM_CLOSE);
}

BOOL CWinApp::OnOpenRecentFile(UINT nID) {
  size_t index = nID - ID_FILE_MRU_FILE1;
  if (index >= m_recentFiles.size()) return FALSE;
  CString path = m_recentFiles[index];
  if (!OpenDocumentFile(path)) {
    // A file that cannot be opened leaves the list.
    m_recentFiles.erase(std::remove(m_recentFiles.begin(), m_recentFiles.end(), path),
                        m_recentFiles.end());
  }
  return TRUE;
}

void CWinApp::OnUpdateRecentFileMenu(CCmdUI* pCmdUI) {
  CMenu* menu = pCmdUI->m_pMenu;
  if (!menu) {
    pCmdUI->Enable(!m_recentFiles.empty());
    return;
  }
  // The list replaces the placeholder item: "&1 path", "&2 path", ...
  for (UINT id = ID_FILE_MRU_FILE1 + 1; id <= ID_FILE_MRU_LAST; ++id) {
    menu->DeleteMenu(id, MF_BYCOMMAND);
  }
  if (m_recentFiles.empty()) {
    menu->ModifyMenu(pCmdUI->m_nIndex, MF_BYPOSITION | MF_STRING | MF_GRAYED, ID_FILE_MRU_FILE1,
                     "Recent File");
    return;
  }
  for (size_t i = 0; i < m_recentFiles.size(); ++i) {
    CString text;
    text.Format("&%d %s", static_cast<int>(i + 1),
                QxPathToText(m_recentFiles[i].GetString()).c_str());
    UINT id = ID_FILE_MRU_FILE1 + static_cast<UINT>(i);
    UINT position = pCmdUI->m_nIndex + static_cast<UINT>(i);
    if (i == 0) {
      menu->ModifyMenu(position, MF_BYPOSITION | MF_STRING, id, text);
    } else {
      menu->InsertMenu(position, MF_BYPOSITION | MF_STRING, id, text);
    }
  }
  pCmdUI->m_nIndex += static_cast<UINT>(m_recentFiles.size()) - 1;
}

// ---- command line -------------------------------------------------------------------------

void CWinApp::ParseCommandLine(CCommandLineInfo& rCmdInfo) {
  for (size_t i = 0; i < m_args.size(); ++i) {
    const char* param = m_args[i];
    BOOL flag = param[0] == '/' || param[0] == '-';
    if (flag) ++param;
    rCmdInfo.ParseParam(param, flag, i + 1 == m_args.size());
  }
  if (m_args.empty()) rCmdInfo.ParseParam("", TRUE, TRUE);
}

BOOL CWinApp::ProcessShellCommand(CCommandLineInfo& rCmdInfo) {
  switch (rCmdInfo.m_nShellCommand) {
    case CCommandLineInfo::FileNew:
      if (!OnCmdMsg(ID_FILE_NEW, CN_COMMAND, nullptr, nullptr)) OnFileNew();
      return m_pMainWnd != nullptr;
    case CCommandLineInfo::FileOpen:
      return OpenDocumentFile(rCmdInfo.m_strFileName) != nullptr;
    case CCommandLineInfo::FilePrint:
    case CCommandLineInfo::FilePrintTo:
      if (!OpenDocumentFile(rCmdInfo.m_strFileName)) return FALSE;
      if (m_pMainWnd) m_pMainWnd->SendMessage(WM_COMMAND, ID_FILE_PRINT_DIRECT);
      return FALSE;  // printed from the command line: the program ends
    case CCommandLineInfo::AppUnregister:
    case CCommandLineInfo::FileDDE:
      return FALSE;
    default:
      return TRUE;
  }
}

// ---- settings ---------------------------------------------------------------------------

void CWinApp::SetRegistryKey(LPCTSTR lpszRegistryKey) {
  m_strRegistryKey = lpszRegistryKey;
  m_pszRegistryKey = m_strRegistryKey;
  QxProfile::SetRegistryKey(lpszRegistryKey);
  if (m_pszAppName && *m_pszAppName) QxProfile::SetProfileName(m_pszAppName);
}

void CWinApp::LoadStdProfileSettings(UINT nMaxMRU) {
  m_nMaxMRU = std::min<UINT>(nMaxMRU, 16);
  m_recentFiles.clear();
  for (UINT i = 1; i <= m_nMaxMRU; ++i) {
    CString entry;
    entry.Format("File%u", i);
    CString path = QxProfile::GetProfileString("Recent File List", entry, "");
    if (!path.IsEmpty()) m_recentFiles.push_back(path);
  }
}

void CWinApp::SaveStdProfileSettings() {
  for (UINT i = 1; i <= m_nMaxMRU; ++i) {
    CString entry;
    entry.Format("File%u", i);
    QxProfile::WriteProfileString(
        "Recent File List", entry,
        i <= m_recentFiles.size() ? m_recentFiles[i - 1].GetString() : nullptr);
  }
}

UINT CWinApp::GetProfileInt(LPCTSTR lpszSection, LPCTSTR lpszEntry, int nDefault) {
  return static_cast<UINT>(QxProfile::GetProfileInt(lpszSection, lpszEntry, nDefault));
}

CString CWinApp::GetProfileString(LPCTSTR lpszSection, LPCTSTR lpszEntry, LPCTSTR lpszDefault) {
  return QxProfile::GetProfileString(lpszSection, lpszEntry, lpszDefault);
}

BOOL CWinApp::WriteProfileInt(LPCTSTR lpszSection, LPCTSTR lpszEntry, int nValue) {
  return QxProfile::WriteProfileInt(lpszSection, lpszEntry, nValue);
}

BOOL CWinApp::WriteProfileString(LPCTSTR lpszSection, LPCTSTR lpszEntry, LPCTSTR lpszValue) {
  return QxProfile::WriteProfileString(lpszSection, lpszEntry, lpszValue);
}

namespace {

// A name fit for a file name or a MIME subtype: lower case letters, digits
// and '-'.
std::string ShellName(const CString& text) {
  std::string name;
  for (const char* p = text.GetString(); *p; ++p) {
    unsigned char c = static_cast<unsigned char>(*p);
    name += std::isalnum(c) && c < 0x80 ? static_cast<char>(std::tolower(c)) : '-';
  }
  return name;
}

// Texts of the resources are Windows-1252; the desktop's files are UTF-8.
std::string Utf8(const CString& text) {
  return qxui::ToQt(text.GetString()).toUtf8().toStdString();
}

// Each character found in the table replaced by its escape.
std::string Escaped(const std::string& text,
                    std::initializer_list<std::pair<char, const char*>> escapes) {
  std::string out;
  for (char c : text) {
    const auto* found = std::find_if(escapes.begin(), escapes.end(),
                                     [c](const auto& escape) { return escape.first == c; });
    if (found != escapes.end()) {
      out += found->second;
    } else {
      out += c;
    }
  }
  return out;
}

std::string XmlEscaped(const std::string& text) {
  return Escaped(text, {{'&', "&amp;"}, {'<', "&lt;"}, {'>', "&gt;"}, {'"', "&quot;"}});
}

// A desktop entry's string value: backslash and control characters escaped.
std::string DesktopValue(const std::string& text) {
  return Escaped(text, {{'\\', "\\\\"}, {'\n', "\\n"}, {'\t', "\\t"}, {'\r', "\\r"}});
}

// The program as the first word of Exec: quoted when it holds a reserved
// character, '%' doubled so it is no field code.
std::string ExecProgram(const std::string& path) {
  bool quote = path.find_first_of(" \t\n\"'\\><~|&;$*?#()`") != std::string::npos;
  std::string out = quote ? "\"" : "";
  for (char c : path) {
    if (quote && (c == '"' || c == '`' || c == '$' || c == '\\')) out += '\\';
    out += c;
    if (c == '%') out += '%';
  }
  return quote ? out + "\"" : out;
}

// The shared-mime-info package declaring the type for files "*.<ext>".
std::string MimePackage(const std::string& type, const std::string& comment,
                        const std::string& ext) {
  std::string xml = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n";
  xml += "<mime-info xmlns=\"http://www.freedesktop.org/standards/shared-mime-info\">\n";
  xml += "  <mime-type type=\"" + type + "\">\n";
  xml += "    <comment>" + XmlEscaped(comment) + "</comment>\n";
  xml += "    <glob pattern=\"*." + ext + "\"/>\n";
  xml += "  </mime-type>\n</mime-info>\n";
  return xml;
}

// The desktop entry that opens files of the types (each ending in ';') with the program.
std::string DesktopEntry(const std::string& name, const std::string& program,
                         const std::string& mimeTypes) {
  std::string entry = "[Desktop Entry]\nType=Application\n";
  entry += "Name=" + DesktopValue(name) + "\n";
  entry += "Exec=" + DesktopValue(ExecProgram(program)) + " %F\n";
  entry += "MimeType=" + mimeTypes + "\nTerminal=false\n";
  return entry;
}

enum class FileUpdate { Unchanged, Written, Failed };

// Writes the file only when its content differs, through a temporary file
// renamed over it, so a reader never sees half of it.
FileUpdate WriteIfChanged(const std::filesystem::path& path, const std::string& content) {
  {
    std::ifstream in(path, std::ios::binary);
    std::string old((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (in && old == content) return FileUpdate::Unchanged;
  }
  std::error_code error;
  std::filesystem::create_directories(path.parent_path(), error);
  std::filesystem::path temporary = path;
  temporary += ".tmp" + std::to_string(getpid());
  {
    std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
    out << content;
    out.close();
    if (!out) error = std::make_error_code(std::errc::io_error);
  }
  if (!error) std::filesystem::rename(temporary, path, error);
  if (!error) return FileUpdate::Written;
  std::filesystem::remove(temporary, error);
  TRACE1("Cannot write %s\n", path.string().c_str());
  return FileUpdate::Failed;
}

// Runs a desktop database tool on the folder in the background, quietly;
// nothing when the tool is not installed.
void StartDatabaseUpdate(const char* tool, const std::filesystem::path& folder) {
  QString program = QStandardPaths::findExecutable(QString::fromLatin1(tool));
  if (program.isEmpty()) return;
  QProcess process;
  process.setProgram(program);
  process.setArguments({QString::fromStdString(folder.string())});
  process.setStandardInputFile(QProcess::nullDevice());
  process.setStandardOutputFile(QProcess::nullDevice());
  process.setStandardErrorFile(QProcess::nullDevice());
  if (!process.startDetached()) TRACE1("Cannot start %s\n", tool);
}

// $XDG_DATA_HOME, or ~/.local/share when it is unset or not absolute; empty
// when neither is known.
std::filesystem::path DataHome() {
  const char* data = std::getenv("XDG_DATA_HOME");
  if (data && data[0] == '/') return data;
  const char* home = std::getenv("HOME");
  if (home && home[0] == '/') return std::filesystem::path(home) / ".local" / "share";
  return {};
}

}  // namespace

// Unchanged files are left alone, so a start with everything in place writes nothing.
void CWinApp::RegisterShellFileTypes(BOOL) {
  std::filesystem::path data = DataHome();
  std::error_code error;
  std::filesystem::path exe = std::filesystem::read_symlink("/proc/self/exe", error);
  std::string app = ShellName(m_pszExeName ? m_pszExeName : m_strAppName.GetString());
  if (data.empty() || error || app.empty()) {
    TRACE0("The document type cannot be registered: no data folder or program\n");
    return;
  }
  std::string mimeTypes;
  bool mimeWritten = false;
  for (CDocTemplate* docTemplate : m_templates) {
    CString ext, typeId, typeName;
    docTemplate->GetDocString(ext, CDocTemplate::filterExt);
    docTemplate->GetDocString(typeId, CDocTemplate::regFileTypeId);
    docTemplate->GetDocString(typeName, CDocTemplate::regFileTypeName);
    std::string extName = ext.GetLength() > 1 && ext[0] == '.' ? ShellName(ext.Mid(1)) : "";
    // Only an extension of letters and digits makes a glob and a file name as it is.
    if (extName.empty() || extName.find('-') != std::string::npos || typeId.IsEmpty()) continue;
    std::string type = "application/x-" + ShellName(typeId);
    std::string package = MimePackage(type, Utf8(typeName.IsEmpty() ? typeId : typeName), extName);
    std::filesystem::path file = data / "mime" / "packages" / (app + "-" + extName + ".xml");
    mimeWritten |= WriteIfChanged(file, package) == FileUpdate::Written;
    mimeTypes += type + ";";
  }
  if (mimeTypes.empty()) {
    TRACE0("No document type to register\n");
    return;
  }
  std::string entry = DesktopEntry(Utf8(m_strAppName), exe.string(), mimeTypes);
  std::filesystem::path applications = data / "applications";
  bool entryWritten =
      WriteIfChanged(applications / (app + ".desktop"), entry) == FileUpdate::Written;
  // A database that was never made (its tool came later) is made now.
  if (mimeWritten || !std::filesystem::exists(data / "mime" / "mime.cache", error))
    StartDatabaseUpdate("update-mime-database", data / "mime");
  if (entryWritten || !std::filesystem::exists(applications / "mimeinfo.cache", error))
    StartDatabaseUpdate("update-desktop-database", applications);
}

HCURSOR CWinApp::LoadCursor(UINT nIDResource) const {
  return ::LoadCursor(nullptr, MAKEINTRESOURCE(nIDResource));
}

HCURSOR CWinApp::LoadStandardCursor(LPCTSTR lpszCursorName) const {
  return ::LoadCursor(nullptr, lpszCursorName);
}

HICON CWinApp::LoadIcon(UINT nIDResource) const {
  return ::LoadIcon(nullptr, MAKEINTRESOURCE(nIDResource));
}

void CWinApp::WinHelp(DWORD_PTR dwData, UINT nCmd) {
  QxWinHelp(m_pszHelpFilePath ? m_pszHelpFilePath : "", nCmd, dwData);
}

void CWinApp::OnHelp() {
  WinHelp(0, HELP_INDEX);
}

// ---- running ------------------------------------------------------------------------------

int AfxWinMain(int argc, char** argv) {
  CWinApp* app = AfxGetApp();
  if (!app) return -1;
  std::vector<CString> args;
  for (int i = 1; i < argc; ++i) args.emplace_back(argv[i]);
  app->SetCommandLine(std::move(args));
  if (!app->InitApplication() || !app->InitInstance()) {
    if (app->m_pMainWnd && IsWindow(app->m_pMainWnd->GetSafeHwnd())) {
      app->m_pMainWnd->DestroyWindow();
    }
    return app->ExitInstance();
  }
  return app->Run();
}
