#pragma once
// CQorexApp: the application object. It owns what outlives every document
// (the analog I/O device, the application-wide simulator, the automatic
// tuner), starts the multiple-document machinery, shows every message to the
// splash first, and receives the thread messages a worker (the real-time loop
// or the tuner) posts to the user-interface thread.
//
// Worker messages and their pending bits of g_wStatus: the poster makes its
// request (RequestAnswer), posts, and polls while the bit is set and no stop
// is asked for; the handler answers (AnswerWorker) whatever happened, so a
// worker never waits longer than the handler takes. Documents named in wParam are checked against
// the open documents first: one closed meanwhile is not touched.
#include "WorkerMessages.h"
#include "platform/core/Thread.h"
#include "platform/ui/WinApp.h"
#include "search/WorkerSeam.h"

#include <vector>

class CQorexDoc;

class CQorexApp : public CWinApp {
 public:
  // Makes the analog I/O device, the simulator and the tuner.
  CQorexApp();
  // Stops a running worker and waits for it, then deletes what the
  // constructor made.
  ~CQorexApp() override;

  // Registers the resources first: the framework reads the application's
  // title from them.
  BOOL InitApplication() override;
  BOOL InitInstance() override;
  BOOL PreTranslateMessage(MSG* pMsg) override;
  // Releases the drawing resources.
  int ExitInstance() override;

  // Whether the document is one of the open documents.
  BOOL IsOpenDocument(const CQorexDoc* pDoc) const;

  // The help file, looked for beside the program.
  static constexpr const char* kHelpFile = "Qorex.hlp";

  // Says the ends that came while a "Save changes?" question was open, now
  // that none is.
  void SayEndsHeldForQuestion();

 protected:
  void OnAppAbout();
  void OnHelpTopics();

  void OnFindG(WPARAM wParam, LPARAM lParam);
  void OnInvalidateSlice(WPARAM wParam, LPARAM lParam);
  void OnDocToKFinder(WPARAM wParam, LPARAM lParam);
  void OnUpdateAll(WPARAM wParam, LPARAM lParam);
  void OnPushUGY(WPARAM wParam, LPARAM lParam);
  void OnTransferSim(WPARAM wParam, LPARAM lParam);
  // The end of a real-time run (wParam: its worker's number, lParam: its
  // QxRunEnd), posted once its worker has cleared itself: repaints the
  // "ProcessView" bar and the signal panes, and says the end unless a wait
  // for the worker took it first (search/WorkerSeam.h).
  void OnRunEnded(WPARAM wParam, LPARAM lParam);
  // What the end of a run (or of a tuning run) says: every line in one
  // message box (WorkerEndBoxText); no input in the status line. The worker
  // seam's teller while the application lives.
  void TellRunEnd(const QxWorkerEnd& end);
  // Once a later run (or tuner's pass) gets input, the status line no longer
  // says that none arrived.
  void ForgetNoInputOnceInputArrived();

  bool m_bNoInputSaid = false;  // the status line says that a run got no input
  // Ends that came while a save question was open: a box opened over the
  // question would take the keys meant for it.
  std::vector<QxWorkerEnd> m_endsHeld;

  DECLARE_MESSAGE_MAP()
};
