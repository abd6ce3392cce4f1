#pragma once
// The thread messages a worker (the real-time loop or the tuner) posts to the
// application object on the user-interface thread. They live apart from the
// application's header so that the numerics can post them without a window
// header; the handlers are the application object's (Qorex.cpp).
#include "platform/ui/Constants.h"

// WM_APP + 8 .. 13 are also the command ids of the hidden "Commands" menu.
inline constexpr UINT WM_QX_FINDG = WM_APP + 8;            // identify the process model
inline constexpr UINT WM_QX_INVALIDATESLICE = WM_APP + 9;  // wParam: newest sample
inline constexpr UINT WM_QX_DOCTOKFINDER = WM_APP + 10;    // the tuner's evaluation
inline constexpr UINT WM_QX_UPDATEALL = WM_APP + 11;       // the tuner ended
inline constexpr UINT WM_QX_PUSHUGY = WM_APP + 12;         // wParam: the document
inline constexpr UINT WM_QX_TRANSFERSIM = WM_APP + 13;     // wParam: the document
// A real-time run has ended (wParam: the run's number, lParam: how, below):
// the "ProcessView" bar and the signal panes are repainted on the
// user-interface thread, which owns their windows, and the user is told
// what the end needs telling.
inline constexpr UINT WM_QX_RUNENDED = WM_APP + 14;

// How a run, or a tuner's pass, ended with respect to its peer.
enum QxRunEnd : int {
  kRunEndedNormally = 0,  // completed, stopped or refused as before
  kRunLostBoard = 1,      // the analog I/O board stopped answering
  kRunLostCompanion = 2,  // the companion process fell silent
  kRunWithoutInput = 3,   // emulated, and no companion ever answered
  kRunHandOverLost = 4,   // a completed pass's hand-over never got into the queue
};
// Added to a run's end in WM_QX_RUNENDED when the board did not take the
// closing 0 V writes: its outputs may still be driven.
inline constexpr int kRunOutputsDriven = 0x100;
