#include "Qorex.h"

#include "ChildFrm.h"
#include "GlobalResources.h"
#include "MainFrm.h"
#include "QorexDoc.h"
#include "Splash.h"
#include "diagrams/OutputBar.h"
#include "diagrams/QorexView.h"
#include "editing/LeftBar.h"
#include "editing/TimeBoxDlg.h"
#include "platform/core/Clock.h"
#include "platform/core/MessageBox.h"
#include "platform/ui/Dialog.h"
#include "res/Resources.h"
#include "res/resource.h"
#include "search/EqualizerBar.h"
#include "search/KFinder.h"
#include "search/SearchGlobals.h"
#include "simulation/AnalogIoGlobals.h"
#include "simulation/DT2801.h"
#include "simulation/RealtimeTexts.h"
#include "simulation/SIMsearch.h"
#include "simulation/SIMwatchdog.h"

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <functional>
#include <string>

std::atomic<CWinThread*> g_pWorkerThread{nullptr};

namespace {

constexpr DWORD kWorkerPollMs = 20;
// How long a handler of a worker's last message waits for that worker to
// clear itself, which it does right after posting: the tuner's end, and a
// real-time run's (which the run spot must show gone).
constexpr DWORD kTunerClearMs = 20;
constexpr DWORD kRunClearMs = 1000;

// Waits at most ms, in 1 ms slices, until done().
void WaitAtMost(DWORD ms, const std::function<bool()>& done) {
  for (const DWORD start = GetTickCount(); !done() && GetTickCount() - start < ms;)
    SleepUnless(1, done);
}

// The accuracy watchdog asks through the real message box and opens the
// "Simulator Properties" dialog.
CQorexWatchdogUi s_watchdogUi;

// The framework's switches begin with '/' or '-', as do absolute file names
// here: a "switch" holding a folder separator, or naming an existing file,
// is the design to open.
class CQorexCommandLineInfo : public CCommandLineInfo {
 public:
  void ParseParam(const char* pszParam, BOOL bFlag, BOOL bLast) override {
    if (bFlag && pszParam && *pszParam) {
      std::string path = std::string("/") + pszParam;
      if (std::strchr(pszParam, '/') || std::filesystem::exists(path)) {
        CCommandLineInfo::ParseParam(path.c_str(), FALSE, bLast);
        return;
      }
    }
    CCommandLineInfo::ParseParam(pszParam, bFlag, bLast);
  }
};

class CAboutDlg : public CDialog {
 public:
  CAboutDlg() : CDialog(IDD_ABOUTBOX) {}
};

}  // namespace

BEGIN_MESSAGE_MAP(CQorexApp, CWinApp)
ON_COMMAND(ID_APP_ABOUT, OnAppAbout)
ON_COMMAND(ID_HELP_TOPICS, OnHelpTopics)
ON_COMMAND(ID_FILE_NEW, CWinApp::OnFileNew)
ON_COMMAND(ID_FILE_OPEN, CWinApp::OnFileOpen)
ON_COMMAND(ID_FILE_PRINT_SETUP, CWinApp::OnFilePrintSetup)
ON_THREAD_MESSAGE(WM_QX_FINDG, OnFindG)
ON_THREAD_MESSAGE(WM_QX_INVALIDATESLICE, OnInvalidateSlice)
ON_THREAD_MESSAGE(WM_QX_DOCTOKFINDER, OnDocToKFinder)
ON_THREAD_MESSAGE(WM_QX_UPDATEALL, OnUpdateAll)
ON_THREAD_MESSAGE(WM_QX_PUSHUGY, OnPushUGY)
ON_THREAD_MESSAGE(WM_QX_TRANSFERSIM, OnTransferSim)
ON_THREAD_MESSAGE(WM_QX_RUNENDED, OnRunEnded)
END_MESSAGE_MAP()

CQorexApp::CQorexApp() {
  g_pAnalogIo = new CDT2801;
  g_pSimulator = new CSIMsystem;
  g_pKFinder = new CKFinder;
}

CQorexApp::~CQorexApp() {
  // The stop request; a real-time run ends with its outputs at 0 V. Closing
  // the designs has stopped and said every worker already: no window is
  // left to say anything now. A worker that did not end keeps what it uses.
  if (!StopWorkerAndWait(kWorkerPollMs, SayOutputsDriven::kNo)) return;
  delete g_pSimulator.exchange(nullptr);
  delete g_pAnalogIo;
  g_pAnalogIo = nullptr;
  delete g_pKFinder;
  g_pKFinder = nullptr;
}

BOOL CQorexApp::InitApplication() {
  QxRegisterResources();
  return CWinApp::InitApplication();
}

BOOL CQorexApp::InitInstance() {
  SetWatchdogUi(&s_watchdogUi);

  // One parse serves the splash switch now and the shell command later.
  CQorexCommandLineInfo cmdInfo;
  ParseCommandLine(cmdInfo);
  CSplash::EnableSplashScreen(cmdInfo.m_bShowSplash);
  Enable3dControlsStatic();
  SetRegistryKey("Plenthoria");
  LoadStdProfileSettings(4);
  AddDocTemplate(new CMultiDocTemplate(IDR_QOREXTYPE, RUNTIME_CLASS(CQorexDoc),
                                       RUNTIME_CLASS(CChildFrame), RUNTIME_CLASS(CQorexView)));

  auto* frame = new CMainFrame;
  if (!frame->LoadFrame(IDR_MAINFRAME, WS_OVERLAPPEDWINDOW | FWS_ADDTOTITLE)) {
    // A frame whose creation failed has deleted itself.
    return FALSE;
  }
  m_pMainWnd = frame;
  // The frequency engine's searches run the "Performance Equalizer" bar's.
  SetSearchUi(g_pEqualizerBar);
  frame->DragAcceptFiles();
  EnableShellOpen();
  RegisterShellFileTypes(TRUE);

  if (!ProcessShellCommand(cmdInfo)) return FALSE;
  frame->ShowWindow(m_nCmdShow);
  frame->UpdateWindow();
  return TRUE;
}

BOOL CQorexApp::PreTranslateMessage(MSG* pMsg) {
  if (CSplash::PreTranslateAppMessage(pMsg)) return TRUE;
  return CWinApp::PreTranslateMessage(pMsg);
}

int CQorexApp::ExitInstance() {
  FreeGlobalResources();
  SetWatchdogUi(nullptr);
  SetSearchUi(nullptr);
  return CWinApp::ExitInstance();
}

BOOL CQorexApp::IsOpenDocument(const CQorexDoc* pDoc) const {
  if (!pDoc) return FALSE;
  for (CDocTemplate* docTemplate : m_templates) {
    for (POSITION pos = docTemplate->GetFirstDocPosition(); pos;) {
      if (docTemplate->GetNextDoc(pos) == pDoc) return TRUE;
    }
  }
  return FALSE;
}

void CQorexApp::OnAppAbout() {
  CAboutDlg about;
  about.DoModal();
}

void CQorexApp::OnHelpTopics() {
  LPCTSTR kept = m_pszHelpFilePath;
  char helpFile[100] = {};
  std::strncpy(helpFile, kHelpFile, sizeof helpFile - 1);
  m_pszHelpFilePath = helpFile;
  WinHelp(0, HELP_INDEX);
  m_pszHelpFilePath = kept;
}

// ---- worker messages ----------------------------------------------------------------

void CQorexApp::OnFindG(WPARAM, LPARAM) {
  // Without a document the identification has nothing to work on.
  if (g_pEqualizerBar && IsOpenDocument(g_pEqualizerBar->m_pDoc)) g_pEqualizerBar->FindG();
  AnswerWorker(kStatusFindGPending);
}

void CQorexApp::OnInvalidateSlice(WPARAM wParam, LPARAM) {
  CQorexDoc* doc = g_pSimDoc.load();
  if (IsOpenDocument(doc)) doc->RedrawOutput(static_cast<int>(wParam));
  ForgetNoInputOnceInputArrived();
}

void CQorexApp::OnDocToKFinder(WPARAM, LPARAM) {
  CQorexDoc* doc = g_pSimDoc.load();
  // Only for a tuner that waits: a message left from a stopped run must not
  // set the simulator up under a pass.
  if ((g_wStatus.load() & kStatusTunerWaitsForDoc) && IsOpenDocument(doc)) {
    if (g_pKFinder) g_pKFinder->ApplyCandidate(doc);
    doc->PrepareSimulation();
  }
  // The one answer, whatever the request met: the tuner goes on.
  AnswerWorker(kStatusTunerWaitsForDoc);
}

void CQorexApp::OnUpdateAll(WPARAM, LPARAM) {
  // The tuner clears itself just after posting this: the run spot, drawn
  // below, shows it gone. A worker started since drives a design.
  WaitAtMost(kTunerClearMs,
             [] { return g_pWorkerThread.load() == nullptr || g_pSimDoc.load() != nullptr; });
  if (g_pLeftBar) g_pLeftBar->Redraw();
  std::unique_ptr<KFinderResult> result = g_pKFinder ? g_pKFinder->TakeResult() : nullptr;
  if (!result) return;
  if (CQorexDoc* doc = result->doc; IsOpenDocument(doc)) {
    for (const auto& [index, value] : result->values)
      if (index >= 0 && index < doc->m_vars.m_nCount) doc->m_vars.m_pValue[index] = value;
    // The population records the tuned design only where it is shown.
    const bool shown = g_pEqualizerBar && g_pEqualizerBar->m_pDoc == doc && m_pMainWnd &&
                       IsWindow(m_pMainWnd->GetSafeHwnd());
    if (shown) {
      doc->RecordedRecalculate();
    } else {
      doc->Recalculate();
      doc->UpdateAll();
    }
  }
  // What the passes met is said once for the whole run: a lost peer ended
  // it, and is all that is said.
  if (result->passEnd.kind != kRunEndedNormally) {
    TellRunEnd(result->passEnd);
    if (result->passEnd.kind != kRunWithoutInput) return;
  }
  // A candidate the loop could not run was only a failed candidate: nothing
  // is said about it.
  if (result->passFailedCalls > 0) {
    char text[sizeof kRealtimeBoardFailedFormat + 40];
    std::snprintf(text, sizeof text, kRealtimeBoardFailedFormat, result->passFailedCalls,
                  result->passCalls);
    MessageBox(nullptr, RealtimeEndMessage(text, result->passEnd.outputsDriven).c_str(),
               kRealtimeCaption, MB_OK);
  }
}

void CQorexApp::OnPushUGY(WPARAM wParam, LPARAM) {
  auto* doc = reinterpret_cast<CQorexDoc*>(wParam);
  if (IsOpenDocument(doc)) doc->PushRun();
  AnswerWorker(kStatusRunHandOver);
}

void CQorexApp::OnTransferSim(WPARAM wParam, LPARAM) {
  auto* doc = reinterpret_cast<CQorexDoc*>(wParam);
  if (IsOpenDocument(doc)) doc->TransferSimSignals();
  AnswerWorker(kStatusRunHandOver);
}

void CQorexApp::OnRunEnded(WPARAM wParam, LPARAM lParam) {
  // The ended run's worker (run number wParam) posts this just before it
  // clears itself; the run spot must show it gone.
  WaitAtMost(kRunClearMs,
             [wParam] { return CSIMsystem::RealtimeRunCleared(static_cast<unsigned>(wParam)); });
  if (g_pLeftBar) g_pLeftBar->Redraw();
  if (g_pOutputBar) g_pOutputBar->UpdatePanes();
  ForgetNoInputOnceInputArrived();
  TellRunEnd(QxRunEndFromParam(lParam));
}

void CQorexApp::TellRunEnd(QxRunEnd end) {
  const std::string text = RunEndMessage(end);
  switch (RunEndSaid(end.kind)) {
    case QxRunEndSaid::kBox:
      MessageBox(nullptr, text.c_str(), kRealtimeCaption, MB_OK);
      break;
    case QxRunEndSaid::kStatusLine:
      if (!m_pMainWnd || !IsWindow(m_pMainWnd->GetSafeHwnd())) break;
      m_pMainWnd->SendMessage(WM_SETMESSAGESTRING, 0, reinterpret_cast<LPARAM>(text.c_str()));
      m_bNoInputSaid = true;
      break;
    case QxRunEndSaid::kNowhere:
      break;
  }
}

void CQorexApp::ForgetNoInputOnceInputArrived() {
  if (!m_bNoInputSaid || g_pAnalogIo == nullptr || !g_pAnalogIo->InputArrived()) return;
  m_bNoInputSaid = false;
  if (!m_pMainWnd || !IsWindow(m_pMainWnd->GetSafeHwnd())) return;
  // Only the text itself goes: a prompt shown since stays.
  CWnd* status = m_pMainWnd->GetDlgItem(AFX_IDW_STATUS_BAR);
  CString shown;
  if (status) status->GetWindowText(shown);
  if (shown == kRealtimeNoInputText)
    m_pMainWnd->SendMessage(WM_SETMESSAGESTRING, AFX_IDS_IDLEMESSAGE);
}
