#pragma once
// What real-time control says to its user: the period and system refusals
// and the board's failures. The tuner reports its passes' with the same
// texts once it has ended.
inline constexpr char kRealtimeCaption[] = "Realtime process control error";
inline constexpr char kRealtimePeriodText[] = "The sampling time must be between 1[ms] and 30[s]";
inline constexpr char kRealtimeUnsoundText[] =
    "The design cannot be run: its signals do not fit its models or its times are not valid.";
// printf format: the failed calls, then all calls.
inline constexpr char kRealtimeBoardFailedFormat[] =
    "The analog I/O board failed %d of %d calls during the run; failed readings kept their last "
    "value.";
