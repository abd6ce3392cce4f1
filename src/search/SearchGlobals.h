#pragma once
// Worker state that the design search shares with the application and the
// real-time loop: the status word with the one call that makes each
// handshake request and the one that answers it, and a worker's posts. The
// tuner's worker and the real-time pass read and write these from their own
// threads, so the shared words are atomic. How a worker starts, stops and
// ends is the worker seam (search/WorkerSeam.h); the driven document
// g_pSimDoc lives with the loop system (simulation/SIMsystem.h).
#include "platform/core/Types.h"
#include "search/WorkerSeam.h"

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

// The application's one automatic tuner, made and deleted by the application object.
extern CKFinder* g_pKFinder;
