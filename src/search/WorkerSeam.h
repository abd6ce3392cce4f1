#pragma once
// The worker seam: how a worker (a real-time run, or the tuner with its
// passes) is started, stopped and waited for, and how it ends. Both workers
// go through it, so a run's end can be followed here:
//
//   StartWorker (user-interface thread): the stop-and-wait below, the
//     caller's preparation, the thread begun suspended, the driven document
//     and g_pWorkerThread set, the thread resumed. One worker at a time.
//   RequestStop / StopRequested: the stop request. Clearing the driven
//     document g_pSimDoc is the request (a worker never drives a design
//     nobody asked it to drive); every worker and every wait reads it
//     through StopRequested alone.
//   FinishWorker (the worker, last): its end (QxWorkerEnd) is put in the
//     end slot, g_pWorkerThread is cleared, and only then is its end
//     message posted. So whoever sees the worker gone finds its end in the
//     slot, and no handler of the end message waits for the worker on a
//     clock. A wait for the worker ends once that post was tried
//     (WorkerEndPosted): nothing of the worker runs on behind it.
//   TakeWorkerEnd: the end is taken once, under the slot's lock, by
//     whichever comes first: the end message's handler, or a user-interface
//     thread that waited for the worker (StopWorkerAndWait). The one that
//     took it says it, in one box (TellWorkerEnd); the other says nothing.
//   StopWorkerAndWait (user-interface thread): the stop request, then a
//     wait (until WorkerEndPosted) bounded by CDT2801::EndBound under a CDT2801::EndWait (closing
//     writes the board did not take go again meanwhile). A worker that did
//     not end is said (kRealtimeNotEndedText); one that did has its end
//     taken and said before the close, quit or start goes on.
//   KeepDesignUntilWorkerEnds: a design closed while its worker did not end
//     is not freed under it; it is freed once no worker runs (the end
//     message's handler, the next stop-and-wait, the application's end).
#include "WorkerMessages.h"
#include "platform/core/Thread.h"
#include "platform/core/Types.h"

#include <atomic>
#include <functional>
#include <memory>

class CQorexDoc;

// The running worker (real-time loop or tuner), or null. While the tuner
// runs it names the tuner for the whole run, whose passes are its own
// threads.
extern std::atomic<CWinThread*> g_pWorkerThread;

// Whether whoever clears what a wait tests wakes the waiting worker now
// (QxWakeSleepers), or leaves it to see the change at its next poll.
enum class WakeWaiters : bool { kNo, kYes };

// ---- start ----------------------------------------------------------------------------
// Stops and waits for a running worker (StopWorkerAndWait, saying its end),
// then prepare(number) (the number the worker will have; false: nothing
// starts), then begins proc(param) at the highest priority with doc driven.
// The worker's number, or 0 when nothing started (a worker that did not end,
// no doc, a refusal of prepare, no thread).
unsigned StartWorker(CQorexDoc* doc, AFX_THREADPROC proc, LPVOID param,
                     const std::function<bool(unsigned worker)>& prepare);

// ---- stop -----------------------------------------------------------------------------
// The stop request: the driven document g_pSimDoc is cleared, so every worker
// ends (a run within one sample, the tuner within one evaluation) and every
// wait ends. A worker that ends itself asks with kNo and wakes the waiters
// once its own state is final.
void RequestStop(WakeWaiters wake = WakeWaiters::kYes);
// Whether the workers are asked to stop.
bool StopRequested();
// The one stop-and-wait of the user-interface thread (the run spot's and the
// tuner's starts, closing the driven design, quitting): see above. kNo says
// nothing (the application's end: no window is left). True when no worker
// runs now.
enum class SayWorkerEnd : bool { kNo, kSay };
bool StopWorkerAndWait(SayWorkerEnd say = SayWorkerEnd::kSay);

// ---- end ------------------------------------------------------------------------------
// The worker's last act: end (its number filled in here) in the slot, the
// stop request, g_pWorkerThread cleared, then `message` (wParam: the
// worker's number, lParam: QxRunEndParam of its end) posted to uiThread and
// the waiters woken; a post the full queue refused is tried again for a
// while, touching nothing but the queue and the clock.
void FinishWorker(DWORD uiThread, UINT message, QxWorkerEnd end);
// The end in the slot when it is worker's (0: whichever), taken: null when
// there is none, or another took it.
std::unique_ptr<QxWorkerEnd> TakeWorkerEnd(unsigned worker);
// Whether no worker runs and the last one's end message has been posted (or
// given up): nothing of it is left but the delivery.
bool WorkerEndPosted();
// Whether an ended worker's end waits in the slot, not yet said.
bool WorkerEndUntold();
// Says an end taken: the application's teller (box and status line), or the
// box alone while none is set.
void TellWorkerEnd(const QxWorkerEnd& end);
void SetWorkerEndTeller(std::function<void(const QxWorkerEnd&)> teller);

// ---- designs kept for a worker --------------------------------------------------------
// doc, removed from the open designs, is freed once no worker runs.
void KeepDesignUntilWorkerEnds(CQorexDoc* doc);
// User-interface thread: frees the designs kept once no worker runs.
void FreeDesignsKeptForWorker();
// Whether doc is kept for a worker (closed, not yet freed).
bool DesignKeptForWorker(const CQorexDoc* doc);

// ---- for tests ------------------------------------------------------------------------
// Runs on the worker between its clearing and its end message's post.
void SetBeforeLastPostForTest(std::function<void()> hook);
