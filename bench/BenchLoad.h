#pragma once
// Prints the machine's load beside a benchmark's figures: timings taken while
// other work runs are read against it.
#include <cstdio>
#include <fstream>
#include <string>

namespace qxbench {

inline void PrintLoad() {
  std::ifstream in("/proc/loadavg");
  std::string load;
  std::getline(in, load);
  std::printf("machine load (/proc/loadavg): %s\n", load.c_str());
}

}  // namespace qxbench
