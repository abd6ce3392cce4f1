#pragma once
// What real-time control says to its user: the period and system refusals,
// the board's failures and a peer that went away. The tuner reports its
// passes' with the same texts once it has ended.
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
// Added on a line of its own to whatever the run's end says, when the board
// never took the closing 0 V writes: nothing brought the process back.
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
