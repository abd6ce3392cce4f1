#pragma once
// Worker state that the design search shares with the application and the
// real-time loop: the status word with the one call that makes each
// handshake request and the one that answers it, and the stop request with
// its test. The tuner's worker and the real-time pass read and write these
// from their own threads, so the shared words are atomic. The driven
// document g_pSimDoc lives with the loop system (simulation/SIMsystem.h).
#include "platform/core/Types.h"

#include <atomic>
#include <functional>

class CKFinder;

// Status bits: 0x01 continuous real time, 0x02 FindG after each pass (the two
// switches of the "ProcessView" bar, which toggles them); then the handshake
// bits, each a request that a worker makes and one answer clears: 0x04 FindG
// pending, 0x08 the tuner waits for DocToKFinder, 0x10 the tuner's real-time
// pass runs, 0x20 a run hand-over is pending.
extern std::atomic<WORD> g_wStatus;

inline constexpr WORD kStatusRealtimeLoop = 0x01;
inline constexpr WORD kStatusFindGAfterPass = 0x02;
inline constexpr WORD kStatusFindGPending = 0x04;
inline constexpr WORD kStatusTunerWaitsForDoc = 0x08;
inline constexpr WORD kStatusTunerPassRunning = 0x10;
inline constexpr WORD kStatusRunHandOver = 0x20;

// Whether whoever clears what a wait tests wakes the waiting worker now
// (QxWakeSleepers), or leaves it to see the change at its next poll.
enum class WakeWaiters : bool { kNo, kYes };

// ---- the stop ---------------------------------------------------------------------
// The stop request: the driven document g_pSimDoc is cleared, so every worker
// ends (a run within one sample, the tuner within one evaluation) and every
// wait ends. A worker that ends itself asks with kNo and wakes the waiters
// once its own state is final.
void RequestStop(WakeWaiters wake = WakeWaiters::kYes);
// Whether the workers are asked to stop: g_pSimDoc has been cleared.
bool StopRequested();
// The one stop-and-wait of the user-interface thread (the run spot's and the
// tuner's starts, closing the driven design, quitting): the stop request,
// then slices of pollMs until the running worker has ended, at most the
// analog I/O's end bound (CDT2801::EndBound). Meanwhile a board's untaken
// closing writes go again within the shortest loss bound; outputs it never
// took back to 0 V are said in a box before this returns (kSay), since the
// program may go on to end, close the design or start another run. True when
// no worker runs now.
enum class SayOutputsDriven : bool { kNo, kSay };
bool StopWorkerAndWait(DWORD pollMs, SayOutputsDriven say = SayOutputsDriven::kSay);

// ---- the handshake ----------------------------------------------------------------
// A worker's request: it sets the bits before it posts the thread message
// whose handler answers on the user-interface thread (for
// kStatusTunerPassRunning, before it starts the pass that answers).
void RequestAnswer(WORD bits);
// The answer: clears the bits, whatever the handler did, so that a worker
// never waits longer than the handler takes.
void AnswerWorker(WORD bits, WakeWaiters wake = WakeWaiters::kYes);
// A worker's wait for the answer: slices of pollMs on the replaceable clock
// while any of the bits is set, ending as soon as they are cleared or a stop
// is asked for (whoever does either wakes the sleepers).
void WaitWhileStatus(WORD bits, DWORD pollMs);

// ---- the posts ----------------------------------------------------------------------
// A worker's thread message to the user-interface thread. A post that the
// full queue refuses is tried again every few ms while keepTrying() holds;
// any other refusal is final. False when the message was never queued: no
// handler will answer it, so nobody may wait for its answer.
bool PostToUi(DWORD thread, UINT message, WPARAM wParam, LPARAM lParam,
              const std::function<bool()>& keepTrying);
// A keepTrying for PostToUi: true for ms from now (on the replaceable clock),
// and with endOnStop only until a stop is asked for.
std::function<bool()> RetryFor(DWORD ms, bool endOnStop = true);
// A worker's last message (the end of its run), and its clearing: posted
// before clearWorker runs, so that whoever sees the worker gone finds the
// message queued. Through a full queue the worker clears itself first (a
// user-interface thread waiting for it takes no messages) and goes on trying
// for a while, touching nothing but the queue and the clock.
void PostLastMessage(DWORD thread, UINT message, WPARAM wParam, LPARAM lParam,
                     const std::function<void()>& clearWorker);

// The application's one automatic tuner, made and deleted by the application object.
extern CKFinder* g_pKFinder;
