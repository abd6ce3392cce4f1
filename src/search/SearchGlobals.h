#pragma once
// Worker state that the design search shares with the application and the
// real-time loop. The tuner's worker and the real-time pass read and write
// these from their own threads, so the shared words are atomic. The driven
// document g_pSimDoc lives with the loop system (simulation/SIMsystem.h).
#include "platform/core/Types.h"

#include <atomic>

class CKFinder;

// Status bits: 0x01 continuous real time, 0x02 FindG after each pass, 0x04 FindG
// pending, 0x08 the tuner waits for DocToKFinder, 0x10 the tuner's real-time
// pass runs, 0x20 a run hand-over is pending. Workers set the wait bits, the
// user-interface thread clears them.
extern std::atomic<WORD> g_wStatus;

inline constexpr WORD kStatusRealtimeLoop = 0x01;
inline constexpr WORD kStatusFindGAfterPass = 0x02;
inline constexpr WORD kStatusFindGPending = 0x04;
inline constexpr WORD kStatusTunerWaitsForDoc = 0x08;
inline constexpr WORD kStatusTunerPassRunning = 0x10;
inline constexpr WORD kStatusRunHandOver = 0x20;

// Whether the workers are asked to stop: g_pSimDoc has been cleared.
bool StopRequested();
// A worker's wait on the user-interface thread: slices of pollMs on the
// replaceable clock while any of the bits is set, ending as soon as they are
// cleared or a stop is asked for (whoever does either wakes the sleepers).
void WaitWhileStatus(WORD bits, DWORD pollMs);

// The application's one automatic tuner, made and deleted by the application object.
extern CKFinder* g_pKFinder;
