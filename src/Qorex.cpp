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

#include <cstring>
#include <filesystem>
#include <string>

namespace {

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
  SetWorkerEndTeller([this](const QxWorkerEnd& end) { TellRunEnd(end); });
}

CQorexApp::~CQorexApp() {
  SetWorkerEndTeller(nullptr);
  // The stop request; a real-time run ends with its outputs at 0 V. Closing
  // the designs has stopped and said every worker already: no window is
  // left to say anything now. A worker that did not end keeps what it uses,
  // the designs kept for it among them.
  if (!StopWorkerAndWait(SayWorkerEnd::kNo)) return;
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

void CQorexApp::OnUpdateAll(WPARAM wParam, LPARAM) {
  // The tuner cleared itself before it posted this: the run spot, drawn
  // below, shows it gone, and a design closed under it may go now.
  FreeDesignsKeptForWorker();
  if (g_pLeftBar) g_pLeftBar->Redraw();
  std::unique_ptr<KFinderResult> result = g_pKFinder ? g_pKFinder->TakeResult() : nullptr;
  if (CQorexDoc* doc = result ? result->doc : nullptr; IsOpenDocument(doc)) {
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
  // What the passes met is said once for the whole run, unless a wait for
  // the tuner said it already.
  if (std::unique_ptr<QxWorkerEnd> end = TakeWorkerEnd(static_cast<unsigned>(wParam)))
    TellRunEnd(*end);
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

void CQorexApp::OnRunEnded(WPARAM wParam, LPARAM) {
  // The ended run's worker cleared itself before it posted this: the run
  // spot shows it gone, and a design closed under it may go now.
  FreeDesignsKeptForWorker();
  if (g_pLeftBar) g_pLeftBar->Redraw();
  if (g_pOutputBar) g_pOutputBar->UpdatePanes();
  ForgetNoInputOnceInputArrived();
  if (std::unique_ptr<QxWorkerEnd> end = TakeWorkerEnd(static_cast<unsigned>(wParam)))
    TellRunEnd(*end);
}

void CQorexApp::TellRunEnd(const QxWorkerEnd& end) {
  if (CQorexDoc::SaveQuestionOpen()) {
    m_endsHeld.push_back(end);
    return;
  }
  if (const char* text = WorkerEndStatusText(end);
      text != nullptr && m_pMainWnd && IsWindow(m_pMainWnd->GetSafeHwnd())) {
    m_pMainWnd->SendMessage(WM_SETMESSAGESTRING, 0, reinterpret_cast<LPARAM>(text));
    m_bNoInputSaid = true;
  }
  if (const std::string text = WorkerEndBoxText(end); !text.empty())
    MessageBox(nullptr, text.c_str(), kRealtimeCaption, MB_OK);
}

void CQorexApp::SayEndsHeldForQuestion() {
  for (const QxWorkerEnd& end : std::exchange(m_endsHeld, {})) TellRunEnd(end);
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
