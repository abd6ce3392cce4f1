#pragma once
// What the stand-in board's log says of a run's own calls, to judge the end
// of the run by: the requests it sent but its closing 0 V writes, and which
// of them the board left unanswered, as the fault it was started with says.
// The program's own counts never enter.
#include <string>
#include <vector>

struct BoardLogCounts {
  int calls = 0;
  int failedReads = 0;
  int failedWrites = 0;
};

// calls: the log's requests in order, each with `number` (the board's count)
// and `call` ("W<ch>:<code>" or "R<ch>"); the board left requests
// firstUnanswered..lastUnanswered unanswered. A closing write is a "W0:2048"
// not followed by "W1:2048", which only the zeroing before a run is: the
// runs judged here never write 0 V themselves.
template <class Call>
BoardLogCounts RunCallsInLog(const std::vector<Call>& calls, int firstUnanswered,
                             int lastUnanswered) {
  BoardLogCounts counts;
  for (std::size_t i = 0; i < calls.size(); ++i) {
    const bool zeroing = i + 1 < calls.size() && calls[i + 1].call == "W1:2048";
    if (calls[i].call == "W0:2048" && !zeroing) continue;
    ++counts.calls;
    if (calls[i].number < firstUnanswered || calls[i].number > lastUnanswered) continue;
    ++(calls[i].call[0] == 'W' ? counts.failedWrites : counts.failedReads);
  }
  return counts;
}

// The failed-calls line of a run with these counts, as the user reads it;
// empty when none failed.
inline std::string FailedCallsLine(const BoardLogCounts& log) {
  const int failed = log.failedReads + log.failedWrites;
  if (failed == 0) return "";
  const std::string counts = "The analog I/O board failed " + std::to_string(failed) + " of " +
                             std::to_string(log.calls) + " calls during the run; ";
  if (log.failedWrites == 0) return counts + "failed readings kept their last value.";
  if (log.failedReads == 0)
    return counts + "the failed calls were writes, which may not have reached the outputs.";
  return counts + "failed readings (" + std::to_string(log.failedReads) +
         ") kept their last value, and failed writes (" + std::to_string(log.failedWrites) +
         ") may not have reached the outputs.";
}

// The boxes the end of such a run says: none, or one of the failed-calls
// line and `drivenLine` (empty when the board took the closing write).
inline std::vector<std::string> EndBoxesFromLog(const BoardLogCounts& log,
                                                const std::string& drivenLine) {
  std::string text = FailedCallsLine(log);
  if (!drivenLine.empty()) text += (text.empty() ? "" : "\n") + drivenLine;
  if (text.empty()) return {};
  return {text};
}

// The texts of the boxes said.
template <class Box>
std::vector<std::string> TextsOf(const std::vector<Box>& boxes) {
  std::vector<std::string> texts;
  for (const Box& box : boxes) texts.push_back(box.text);
  return texts;
}
