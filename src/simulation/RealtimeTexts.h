#pragma once
// What real-time control says to its user: the period and system refusals,
// the board's failures and a peer that went away. The tuner reports its
// passes' with the same texts once it has ended.
#include "WorkerMessages.h"

#include <string>

inline constexpr char kRealtimeCaption[] = "Realtime process control error";
inline constexpr char kRealtimePeriodText[] = "The sampling time must be between 1[ms] and 30[s]";
inline constexpr char kRealtimeUnsoundText[] =
    "The design cannot be run: its signals do not fit its models or its times are not valid.";
// The board's failed calls of a run, said at its end: how many of all its
// calls failed, and which, since a failed reading and a failed write leave
// the process in different states. The closing 0 V writes are not counted:
// the outputs-driven line says whether the board took them.
inline std::string BoardFailedText(int calls, int failedReads, int failedWrites) {
  const std::string counts = "The analog I/O board failed " +
                             std::to_string(failedReads + failedWrites) + " of " +
                             std::to_string(calls) + " calls during the run; ";
  if (failedWrites == 0) return counts + "failed readings kept their last value.";
  if (failedReads == 0)
    return counts + "the failed calls were writes, which may not have reached the outputs.";
  return counts + "failed readings (" + std::to_string(failedReads) +
         ") kept their last value, and failed writes (" + std::to_string(failedWrites) +
         ") may not have reached the outputs.";
}
// A run whose peer went away ends at once, keeps nothing, and says so once;
// the board's text also refuses a run whose board cannot be reached.
inline constexpr char kRealtimeBoardLostText[] =
    "The connection to the analog I/O board was lost; the run has ended.";
inline constexpr char kRealtimeCompanionLostText[] =
    "The companion process stopped sending inputs; the run has ended.";
// A run whose completed pass could not be handed over (the program's
// message queue stayed full) ends with its outputs at 0 V.
inline constexpr char kRealtimeHandOverLostText[] =
    "A completed pass could not be handed over while the program was flooded with messages; the "
    "run has ended with its outputs at 0 V.";
// The same, when the board never took the closing 0 V write: the line below
// then says where the outputs were left.
inline constexpr char kRealtimeHandOverLostDrivenText[] =
    "A completed pass could not be handed over while the program was flooded with messages; the "
    "run has ended.";
// Added on a line of its own to whatever the run's end says, when the board
// never took the closing 0 V writes: nothing brought the process back.
inline constexpr char kRealtimeOutputsDrivenText[] =
    "The analog I/O board did not take the closing 0 V write; its outputs may still be driven at "
    "the last value written.";
// Said when a run or a tuning did not end within its bound after the stop
// (closing its design, quitting, starting another): what it uses is kept,
// and nothing else starts beside it.
inline constexpr char kRealtimeNotEndedText[] =
    "The real-time run did not end when asked to stop; its design is kept until it has ended, and "
    "the analog I/O outputs may still be driven.";
// Said in the status line (a message box would stall every emulated run)
// when no companion answered during a run.
inline constexpr char kRealtimeNoInputText[] =
    "No input arrived during the run: no companion process answered.";

// Where an end of a run is said.
enum class QxRunEndSaid { kNowhere, kBox, kStatusLine };

// What an end of a run says and where (simulation/RunEnds.inc): null when
// nothing; the box's text carries the outputs-driven line when the board
// kept its outputs.
inline QxRunEndSaid RunEndSaid(QxRunEndKind kind) {
  switch (kind) {
#define QX_RUN_END(code, value, loss, said, ...) \
  case code:                                     \
    return QxRunEndSaid::said;
#include "simulation/RunEnds.inc"
#undef QX_RUN_END
  }
  return QxRunEndSaid::kNowhere;
}
// What the end of a worker says in its one box, a line for each fact that
// holds: the refusal, how the run ended with its peer (a loss is all that is
// said of the run), its board's failed calls, and outputs the board may
// still drive. Empty when there is nothing to say in a box.
inline std::string WorkerEndBoxText(const QxWorkerEnd& end) {
  std::string text;
  const auto line = [&text](const std::string& add) { text += (text.empty() ? "" : "\n") + add; };
  if (end.refusal != nullptr) line(end.refusal);
  const char* kindText = nullptr;
  switch (end.end.kind) {
#define QX_RUN_END(code, value, loss, said, plain, driven) \
  case code:                                               \
    kindText = end.end.outputsDriven ? driven : plain;     \
    break;
#include "simulation/RunEnds.inc"
#undef QX_RUN_END
  }
  if (kindText != nullptr && RunEndSaid(end.end.kind) == QxRunEndSaid::kBox) line(kindText);
  if (!RunEndIsLoss(end.end.kind) && end.failedReads + end.failedWrites > 0)
    line(BoardFailedText(end.calls, end.failedReads, end.failedWrites));
  if (end.end.outputsDriven) line(kRealtimeOutputsDrivenText);
  return text;
}
// What the end of a worker says in the status line (no input arrived), or null.
inline const char* WorkerEndStatusText(const QxWorkerEnd& end) {
  if (RunEndSaid(end.end.kind) != QxRunEndSaid::kStatusLine) return nullptr;
  switch (end.end.kind) {
#define QX_RUN_END(code, value, loss, said, plain, driven) \
  case code:                                               \
    return plain;
#include "simulation/RunEnds.inc"
#undef QX_RUN_END
  }
  return nullptr;
}
