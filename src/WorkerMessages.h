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
// A real-time run has ended (wParam: the run's number, lParam: how, a
// QxRunEnd through QxRunEndParam): the "ProcessView" bar and the signal panes
// are repainted on the user-interface thread, which owns their windows, and
// the user is told what the end needs telling.
inline constexpr UINT WM_QX_RUNENDED = WM_APP + 14;

// How a run, or a tuner's pass, ended with respect to its peer
// (simulation/RunEnds.inc).
enum QxRunEndKind : int {
#define QX_RUN_END(code, value, ...) code = value,
#include "simulation/RunEnds.inc"
#undef QX_RUN_END
};

// Whether the run ended because its peer, or a hand-over, was lost.
constexpr bool RunEndIsLoss(int kind) {
#define QX_RUN_END(code, value, loss, ...) \
  if (kind == code) return loss;
#include "simulation/RunEnds.inc"
#undef QX_RUN_END
  return false;
}

// How a run ended, and whether the board never took its closing 0 V writes,
// so that its outputs may still be driven at the last value written.
struct QxRunEnd {
  QxRunEndKind kind = kRunEndedNormally;
  bool outputsDriven = false;
  friend constexpr bool operator==(const QxRunEnd&, const QxRunEnd&) = default;
};

// Everything the end of a worker (a real-time run, or a tuning run with its
// passes) has to say, made once by the worker at its end and said once, in
// one box, by whichever comes first of its end message and a user-interface
// thread that waited for it (search/WorkerSeam.h).
struct QxWorkerEnd {
  unsigned worker = 0;  // the worker's number, as its end message carries it
  QxRunEnd end;         // how it ended with its peer; outputs left driven
  // The refusal that ran nothing (a period outside 1 ms .. 30 s, a loop that
  // cannot be run), or null.
  const char* refusal = nullptr;
  // The board's driver calls of the run (or of all the tuner's passes), and
  // the failed readings and writes among them.
  int calls = 0;
  int failedReads = 0;
  int failedWrites = 0;
};

// A QxRunEnd as WM_QX_RUNENDED carries it in lParam, and back.
constexpr LPARAM QxRunEndParam(QxRunEnd end) {
  return static_cast<LPARAM>(end.kind) | (end.outputsDriven ? LPARAM{1} << 16 : 0);
}
constexpr QxRunEnd QxRunEndFromParam(LPARAM lParam) {
  return {static_cast<QxRunEndKind>(lParam & 0xFFFF), ((lParam >> 16) & 1) != 0};
}
