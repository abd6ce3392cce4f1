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
// printf format: the failed calls, then all calls.
inline constexpr char kRealtimeBoardFailedFormat[] =
    "The analog I/O board failed %d of %d calls during the run; failed readings kept their last "
    "value.";
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
// never took the closing 0 V writes: nothing brought the process back. Said
// alone when the user-interface thread waited for the run's end.
inline constexpr char kRealtimeOutputsDrivenText[] =
    "The analog I/O board did not take the closing 0 V write; its outputs may still be driven at "
    "the last value written.";
inline std::string RealtimeEndMessage(const char* text, bool outputsDriven) {
  return outputsDriven ? std::string(text) + "\n" + kRealtimeOutputsDrivenText : std::string(text);
}
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
inline std::string RunEndMessage(QxRunEnd end) {
  const char* text = nullptr;
  switch (end.kind) {
#define QX_RUN_END(code, value, loss, said, plain, driven) \
  case code:                                               \
    text = end.outputsDriven ? driven : plain;             \
    break;
#include "simulation/RunEnds.inc"
#undef QX_RUN_END
  }
  if (text == nullptr) return {};
  return RunEndSaid(end.kind) == QxRunEndSaid::kBox ? RealtimeEndMessage(text, end.outputsDriven)
                                                    : std::string(text);
}
