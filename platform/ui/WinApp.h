#pragma once
// CWinApp: the application object. AfxWinMain runs it: InitApplication,
// InitInstance (FALSE ends the program), then Run, the message loop on Qt's
// event loop with an idle pass after each burst of messages (the update
// handlers of bars), then ExitInstance. PreTranslateMessage sees every
// message first; the base dispatches thread messages (those with no window)
// through the application's message map (ON_THREAD_MESSAGE) and gives the
// windows from the target up to the main window their PreTranslateMessage
// (the frames' accelerators).
#include "platform/core/Profile.h"
#include "platform/core/Thread.h"
#include "platform/ui/DocTemplate.h"
#include "platform/ui/FrameWnd.h"

#include <vector>

class CCommandLineInfo : public CObject {
 public:
  enum { FileNew, FileOpen, FilePrint, FilePrintTo, FileDDE, AppUnregister, FileNothing = -1 };

  CCommandLineInfo() = default;
  // One argument: bFlag when it began with '/' or '-' (the mark removed).
  virtual void ParseParam(const char* pszParam, BOOL bFlag, BOOL bLast);

  BOOL m_bShowSplash = TRUE;
  BOOL m_bRunEmbedded = FALSE;
  BOOL m_bRunAutomated = FALSE;
  int m_nShellCommand = FileNew;
  CString m_strFileName;
  CString m_strPrinterName;
  CString m_strDriverName;
  CString m_strPortName;
};

class CWinApp : public CCmdTarget {
  DECLARE_DYNAMIC(CWinApp)

 public:
  // Without a name the application's name is string AFX_IDS_APP_TITLE.
  explicit CWinApp(LPCTSTR lpszAppName = nullptr);
  ~CWinApp() override;
  CWinApp(const CWinApp&) = delete;
  CWinApp& operator=(const CWinApp&) = delete;

  virtual BOOL InitApplication();
  virtual BOOL InitInstance();
  virtual int ExitInstance();
  virtual int Run();
  // lCount 0: idle updates of the main window's bars (TRUE: call again);
  // 1: nothing left (FALSE).
  virtual BOOL OnIdle(LONG lCount);
  virtual BOOL PreTranslateMessage(MSG* pMsg);
  // A thread message through the message map; FALSE when nothing maps it.
  BOOL DispatchThreadMessage(MSG* pMsg);
  CWnd* GetMainWnd() const { return m_pMainWnd; }

  // Documents.
  void AddDocTemplate(CDocTemplate* pTemplate);
  POSITION GetFirstDocTemplatePosition() const;
  CDocTemplate* GetNextDocTemplate(POSITION& pos) const;
  virtual CDocument* OpenDocumentFile(LPCTSTR lpszFileName);
  virtual void AddToRecentFileList(LPCTSTR lpszPathName);
  const std::vector<CString>& GetRecentFiles() const { return m_recentFiles; }
  int GetOpenDocumentCount() const;
  BOOL SaveAllModified();
  void CloseAllDocuments(BOOL bEndSession);
  BOOL DoPromptFileName(CString& fileName, UINT nIDSTitle, DWORD lFlags, BOOL bOpenFileDialog,
                        CDocTemplate* pTemplate);

  // The command line.
  void ParseCommandLine(CCommandLineInfo& rCmdInfo);
  BOOL ProcessShellCommand(CCommandLineInfo& rCmdInfo);
  // The arguments (without the program name) that ParseCommandLine reads.
  void SetCommandLine(std::vector<CString> args) { m_args = std::move(args); }

  // Settings.
  void SetRegistryKey(LPCTSTR lpszRegistryKey);
  // Reads the recent-file list (nMaxMRU entries); ExitInstance writes it back.
  void LoadStdProfileSettings(UINT nMaxMRU = 4);
  void SaveStdProfileSettings();
  UINT GetProfileInt(LPCTSTR lpszSection, LPCTSTR lpszEntry, int nDefault);
  CString GetProfileString(LPCTSTR lpszSection, LPCTSTR lpszEntry, LPCTSTR lpszDefault = nullptr);
  BOOL WriteProfileInt(LPCTSTR lpszSection, LPCTSTR lpszEntry, int nValue);
  BOOL WriteProfileString(LPCTSTR lpszSection, LPCTSTR lpszEntry, LPCTSTR lpszValue);

  // The platform's shell integration. Three-dimensional controls are the
  // default look here. Shell open needs nothing: the file manager starts the
  // program with the file, and the command line opens it.
  BOOL Enable3dControlsStatic() { return TRUE; }
  BOOL Enable3dControls() { return TRUE; }
  void EnableShellOpen() {}
  // Registers the templates' document types with the desktop, under
  // $XDG_DATA_HOME (~/.local/share): a shared-mime-info package per extension,
  // "mime/packages/<exe name>-<ext>.xml", declaring "application/x-<file type
  // id>" for "*<ext>", and the desktop entry "applications/<exe name>.desktop"
  // that opens such files with this program. Files are written only when
  // their content changes, and the desktop's databases are then updated in
  // the background when their tools are installed. Failures are traced only.
  void RegisterShellFileTypes(BOOL bCompat = FALSE);

  HCURSOR LoadCursor(UINT nIDResource) const;
  HCURSOR LoadStandardCursor(LPCTSTR lpszCursorName) const;
  HICON LoadIcon(UINT nIDResource) const;
  virtual void WinHelp(DWORD_PTR dwData, UINT nCmd = HELP_CONTEXT);

  CWnd* m_pMainWnd = nullptr;
  int m_nCmdShow = SW_SHOWNORMAL;
  LPCTSTR m_pszAppName = nullptr;
  LPCTSTR m_pszExeName = nullptr;
  LPCTSTR m_pszHelpFilePath = nullptr;
  LPCTSTR m_pszRegistryKey = nullptr;
  LPCTSTR m_pszProfileName = nullptr;
  DWORD m_nThreadID = 0;
  HINSTANCE m_hInstance = nullptr;
  UINT m_nMaxMRU = 0;

 protected:
  // The standard commands.
  void OnFileNew();
  void OnFileOpen();
  void OnFilePrintSetup();
  void OnAppExit();
  BOOL OnOpenRecentFile(UINT nID);
  void OnUpdateRecentFileMenu(CCmdUI* pCmdUI);
  void OnHelp();

  std::vector<CDocTemplate*> m_templates;
  std::vector<CString> m_recentFiles;
  std::vector<CString> m_args;
  CString m_strAppName;
  CString m_strHelpFilePath;
  CString m_strRegistryKey;
  CString m_strExeName;
  CWinThread m_thread;  // the user-interface thread's object
  int m_nExitCode = 0;
  bool m_bIdlePending = false;

  DECLARE_MESSAGE_MAP()
};

CWinApp* AfxGetApp();
// The application's main window (null before InitInstance makes it).
CWnd* AfxGetMainWnd();
// Posts a message that came on the local bus to the main window, if any: Run
// receives the bus there while its loop runs.
void QxPostToMainWnd(UINT message, WPARAM wParam, LPARAM lParam);
HINSTANCE AfxGetInstanceHandle();
HINSTANCE AfxGetResourceHandle();
// Runs the application object: InitApplication, InitInstance, Run (or
// ExitInstance when InitInstance fails). argv[0] is the program.
int AfxWinMain(int argc, char** argv);
