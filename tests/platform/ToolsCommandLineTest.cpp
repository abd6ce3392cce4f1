// The test peers' command lines: "--help" prints every option and ends at
// once; an unknown option, a missing value or a value out of an option's
// choices prints the usage and ends with status 2; in none of these cases
// does a board listen or a companion join the bus.
#include "tests/platform/IoPeerProcess.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <csignal>
#include <filesystem>
#include <poll.h>
#include <spawn.h>
#include <string>
#include <sys/socket.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace {

struct ToolRun {
  bool ended = false;  // false: still running after the deadline, then killed
  int status = -1;     // the exit status when it ended
  std::string out, err;
};

// Runs a tool from tools/ to its end, for at most the time given.
ToolRun RunTool(const std::string& tool, std::vector<std::string> args, int timeoutMs = 5000) {
  ToolRun run;
  int outFds[2], errFds[2];
  if (pipe(outFds) != 0) return run;
  if (pipe(errFds) != 0) {
    close(outFds[0]);
    close(outFds[1]);
    return run;
  }
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, outFds[1], STDOUT_FILENO);
  posix_spawn_file_actions_adddup2(&actions, errFds[1], STDERR_FILENO);
  posix_spawn_file_actions_addclose(&actions, outFds[0]);
  posix_spawn_file_actions_addclose(&actions, errFds[0]);
  const std::string path = qxtest::ToolPath(tool);
  args.insert(args.begin(), path);
  std::vector<char*> argv;
  for (std::string& arg : args) argv.push_back(arg.data());
  argv.push_back(nullptr);
  pid_t pid = -1;
  const bool spawned =
      posix_spawn(&pid, path.c_str(), &actions, nullptr, argv.data(), environ) == 0;
  posix_spawn_file_actions_destroy(&actions);
  close(outFds[1]);
  close(errFds[1]);
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
  pollfd fds[2] = {{outFds[0], POLLIN, 0}, {errFds[0], POLLIN, 0}};
  std::string* into[2] = {&run.out, &run.err};
  int open = spawned ? 2 : 0;
  while (open > 0 && std::chrono::steady_clock::now() < deadline) {
    if (poll(fds, 2, 50) <= 0) continue;
    for (int i = 0; i < 2; ++i) {
      if (fds[i].fd < 0 || !(fds[i].revents & (POLLIN | POLLHUP))) continue;
      char chunk[512];
      const ssize_t got = read(fds[i].fd, chunk, sizeof(chunk));
      if (got > 0) {
        into[i]->append(chunk, static_cast<std::size_t>(got));
      } else {
        fds[i].fd = -1;  // poll skips it from now on
        --open;
      }
    }
  }
  close(outFds[0]);
  close(errFds[0]);
  if (!spawned) return run;
  int status = 0;
  while (waitpid(pid, &status, WNOHANG) != pid) {
    if (std::chrono::steady_clock::now() >= deadline) {
      kill(pid, SIGKILL);
      waitpid(pid, &status, 0);
      return run;
    }
    usleep(10000);
  }
  run.ended = WIFEXITED(status);
  run.status = run.ended ? WEXITSTATUS(status) : -1;
  return run;
}

struct ToolOptions {
  const char* tool;
  std::vector<const char*> options;
};

const ToolOptions kTools[] = {
    {"fake_dt2801",
     {"--socket", "--seconds", "--mode", "--times", "--after", "--fault", "--count", "--stalls",
      "--help"}},
    {"qorex_companion",
     {"--seconds", "--lag", "--times", "--silent-after", "--resend-ms", "--stalls", "--help"}},
};

TEST(ToolsCommandLine, HelpPrintsEveryOptionAndEndsAtOnce) {
  for (const ToolOptions& tool : kTools) {
    SCOPED_TRACE(tool.tool);
    const ToolRun run = RunTool(tool.tool, {"--help"});
    if (!run.ended) {
      ADD_FAILURE() << "still running: " << run.out;
      continue;
    }
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.out.rfind(std::string("usage: ") + tool.tool, 0), 0u) << run.out;
    for (const char* option : tool.options)
      EXPECT_NE(run.out.find(std::string("\n  ") + option + " "), std::string::npos) << option;
    EXPECT_EQ(run.out.find("ready"), std::string::npos);
    EXPECT_EQ(run.err, "");
  }
}

TEST(ToolsCommandLine, WhatAToolCannotReadEndsItWithTheUsageBeforeItStarts) {
  const std::string socket = qxtest::MakeTempDir("tools") + "/board.sock";
  // Without --socket the board would take the path from here.
  qxtest::ScopedEnv noDevice("QX_DEVICE_DT2801", "");
  struct Row {
    const char* tool;
    std::vector<std::string> args;
    const char* said;  // the first line on standard error
  };
  const Row rows[] = {
      {"fake_dt2801", {"--socket", socket, "--bogus", "1"}, "unknown option --bogus"},
      {"fake_dt2801", {"--socket", socket, "--seconds"}, "--seconds needs a value"},
      {"fake_dt2801", {"--socket", socket, "--mode", "loud"}, "--mode does not take loud"},
      {"fake_dt2801", {"--socket", socket, "--fault", "melt"}, "--fault does not take melt"},
      {"fake_dt2801", {"--seconds", "5"}, "--socket PATH is required"},
      {"qorex_companion", {"--bogus"}, "unknown option --bogus"},
      {"qorex_companion", {"--seconds", "5", "--lag"}, "--lag needs a value"},
      {"qorex_companion", {"--seconds", "5", "-x", "1"}, "unknown option -x"},
  };
  for (const Row& row : rows) {
    std::string line = row.tool;
    for (const std::string& arg : row.args) line += " " + arg;
    SCOPED_TRACE(line);
    const ToolRun run = RunTool(row.tool, row.args);
    if (!run.ended) {
      ADD_FAILURE() << "still running: " << run.out;
      continue;
    }
    EXPECT_EQ(run.status, 2);
    EXPECT_EQ(run.out, "") << "nothing starts";
    const std::string first = run.err.substr(0, run.err.find('\n'));
    EXPECT_NE(first.find(row.said), std::string::npos) << run.err;
    EXPECT_NE(run.err.find(std::string("\nusage: ") + row.tool), std::string::npos) << run.err;
    EXPECT_FALSE(std::filesystem::exists(socket)) << "the board listened";
  }
}

// Numbers are read whole and within their range: text with anything left
// over, no number at all, a fraction where a count is asked for, or a value
// out of range ends the tool with the reason and the usage; the bounds
// themselves and ordinary values start it.
TEST(ToolsCommandLine, NumbersAreReadWholeAndInRangeOrTheToolDoesNotStart) {
  const std::string socket = qxtest::MakeTempDir("toolnumbers") + "/board.sock";
  qxtest::ScopedEnv noDevice("QX_DEVICE_DT2801", "");
  qxtest::ScopedEnv bus("QX_BUS_DIR", qxtest::MakeTempDir("toolnumbersbus"));
  struct Row {
    const char* tool;
    const char* option;
    const char* value;
    const char* reason;
  };
  const Row bad[] = {
      {"fake_dt2801", "--seconds", "abc", "not a number"},
      {"fake_dt2801", "--seconds", "5x", "not a number"},
      {"fake_dt2801", "--seconds", "", "not a number"},
      {"fake_dt2801", "--seconds", " 5", "not a number"},
      {"fake_dt2801", "--seconds", "nan", "not a number"},
      {"fake_dt2801", "--seconds", "inf", "not within 0.1 to 86400"},
      {"fake_dt2801", "--seconds", "0.05", "not within 0.1 to 86400"},
      {"fake_dt2801", "--seconds", "86401", "not within 0.1 to 86400"},
      {"fake_dt2801", "--times", "yes", "not a number"},
      {"fake_dt2801", "--times", "2", "not within 0 to 1"},
      {"fake_dt2801", "--after", "-1", "not within 0 to 1000000000"},
      {"fake_dt2801", "--after", "2.5", "not a whole number"},
      {"fake_dt2801", "--after", "3 ", "not a number"},
      {"fake_dt2801", "--count", "0", "not within 1 to 1000000000"},
      {"fake_dt2801", "--count", "two", "not a number"},
      {"fake_dt2801", "--stalls", "2", "not within 0 to 1"},
      {"fake_dt2801", "--stalls", "on", "not a number"},
      {"qorex_companion", "--lag", "abc", "not a number"},
      {"qorex_companion", "--lag", "2", "not within 0 to 1"},
      {"qorex_companion", "--lag", "-0.1", "not within 0 to 1"},
      {"qorex_companion", "--lag", "0.5.1", "not a number"},
      {"qorex_companion", "--seconds", "1e9", "not within 0.1 to 86400"},
      {"qorex_companion", "--seconds", "ten", "not a number"},
      {"qorex_companion", "--times", "0.5", "not a whole number"},
      {"qorex_companion", "--silent-after", "-3", "not within 0 to 1000000000"},
      {"qorex_companion", "--silent-after", "1.5", "not a whole number"},
      {"qorex_companion", "--resend-ms", "1001", "not within 0 to 1000"},
      {"qorex_companion", "--stalls", "-1", "not within 0 to 1"},
      {"qorex_companion", "--stalls", "0.5", "not a whole number"},
  };
  for (const Row& row : bad) {
    std::vector<std::string> args{row.option, row.value};
    if (std::string(row.tool) == "fake_dt2801") args.insert(args.begin(), {"--socket", socket});
    SCOPED_TRACE(std::string(row.tool) + " " + row.option + " '" + row.value + "'");
    const ToolRun run = RunTool(row.tool, args);
    if (!run.ended) {
      ADD_FAILURE() << "still running: " << run.out;
      continue;
    }
    EXPECT_EQ(run.status, 2);
    EXPECT_EQ(run.out, "") << "nothing starts";
    const std::string first = run.err.substr(0, run.err.find('\n'));
    EXPECT_EQ(first, std::string(row.tool) + ": " + row.option + " does not take " + row.value +
                         ": " + row.reason);
    EXPECT_NE(run.err.find(std::string("\nusage: ") + row.tool), std::string::npos) << run.err;
    EXPECT_FALSE(std::filesystem::exists(socket)) << "the board listened";
  }

  const std::vector<std::pair<const char*, std::vector<std::string>>> good = {
      {"fake_dt2801",
       {"--socket", socket, "--seconds", "0.1", "--times", "1", "--after", "0", "--fault", "silent",
        "--count", "1000000000"}},
      {"fake_dt2801",
       {"--socket", socket, "--seconds", "2.5e-1", "--after", "1e3", "--stalls", "1"}},
      {"fake_dt2801", {"--socket", socket, "--seconds", "0.1", "--stalls", "0"}},
      {"qorex_companion",
       {"--seconds", "0.1", "--lag", "1", "--times", "0", "--silent-after", "1000000000",
        "--stalls", "0"}},
      {"qorex_companion",
       {"--seconds", "0.25", "--lag", "0", "--silent-after", "0", "--stalls", "1"}},
  };
  for (const auto& [tool, args] : good) {
    std::string line = tool;
    for (const std::string& arg : args) line += " " + arg;
    SCOPED_TRACE(line);
    const ToolRun run = RunTool(tool, args);
    EXPECT_TRUE(run.ended && run.status == 0) << run.status << " " << run.err;
    EXPECT_EQ(run.out.rfind("ready", 0), 0u) << run.out;
    EXPECT_EQ(run.err, "");
  }
}

// The process listening on a local socket, as the socket itself says.
pid_t ListenerOf(const std::string& socketPath) {
  const int fd = socket(AF_UNIX, SOCK_STREAM, 0);
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  socketPath.copy(address.sun_path, sizeof(address.sun_path) - 1);
  ucred peer{};
  socklen_t size = sizeof(peer);
  const bool known = connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof(address)) == 0 &&
                     getsockopt(fd, SOL_SOCKET, SO_PEERCRED, &peer, &size) == 0;
  close(fd);
  return known ? peer.pid : -1;
}

// With --stalls 1 a tool stopped for 400 ms says so once it goes on, with
// about how long; without it, it says nothing of the kind.
TEST(ToolsCommandLine, AToolAskedForItsStallsNotesBeingStopped) {
  const std::string dir = qxtest::MakeTempDir("toolstalls");
  const qxtest::ScopedEnv bus("QX_BUS_DIR", dir);
  const std::string socket = dir + "/dt2801.sock";
  for (const char* tool : {"fake_dt2801", "qorex_companion"}) {
    for (const bool asked : {true, false}) {
      SCOPED_TRACE(std::string(tool) + (asked ? " --stalls 1" : " --stalls 0"));
      std::vector<std::string> args{"--seconds", "20", "--stalls", asked ? "1" : "0"};
      const bool board = std::string(tool) == "fake_dt2801";
      if (board) args.insert(args.end(), {"--socket", socket});
      qxtest::PeerProcess peer(tool, args);
      const std::string ready = peer.ReadLine();
      ASSERT_EQ(ready.rfind("ready", 0), 0u) << ready;
      const pid_t pid = board ? ListenerOf(socket) : std::atoi(ready.c_str() + 10);
      ASSERT_GT(pid, 0) << ready;
      // The tool starts watching once it has said it is ready.
      std::this_thread::sleep_for(std::chrono::milliseconds(200));
      kill(pid, SIGSTOP);
      std::this_thread::sleep_for(std::chrono::milliseconds(400));
      kill(pid, SIGCONT);
      if (!asked) {
        EXPECT_EQ(peer.ReadLine(600), "");
        continue;
      }
      // A loaded machine may have kept the tool from a processor past the
      // note's 100 ms already before the stop, which it notes as well: the
      // stop is the note of 300 ms or more that follows.
      const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(3);
      std::string line;
      long long ms = 0;
      while (ms < 300 && std::chrono::steady_clock::now() < until) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            until - std::chrono::steady_clock::now());
        line = peer.ReadLine(static_cast<int>(std::max<long long>(left.count(), 1)));
        if (line.empty()) break;
        ASSERT_EQ(std::sscanf(line.c_str(), "stalled %lld ms", &ms), 1) << line;
      }
      EXPECT_GE(ms, 300) << line;
      EXPECT_LT(ms, 5000) << line;
    }
  }
}

}  // namespace
