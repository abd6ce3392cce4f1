#pragma once
// The test peers' command line: every option takes one value, "--help" prints
// the usage. A peer that misread its command line would start and answer the
// program with settings nobody asked for, so anything it does not know ends
// it before it starts: an unknown option, a missing value or a value that is
// not one of the option's choices prints the usage on standard error and
// exits with status 2; "--help" prints it on standard output and exits 0.
#include <cstdio>
#include <cstring>
#include <functional>
#include <initializer_list>
#include <vector>

namespace qxtool {

struct Option {
  const char* name;   // "--seconds"
  const char* value;  // "N", as the usage names it
  const char* help;   // one line
  // Takes the value; false when the value is not one the option accepts.
  std::function<bool(const char* value)> take;
};

constexpr int kGoOn = -1;
constexpr int kUsageError = 2;

inline void PrintUsage(std::FILE* to, const char* synopsis, const std::vector<Option>& options) {
  std::fprintf(to, "usage: %s\n", synopsis);
  for (const Option& o : options) {
    char left[40];
    std::snprintf(left, sizeof(left), "%s %s", o.name, o.value);
    std::fprintf(to, "  %-22s %s\n", left, o.help);
  }
  std::fprintf(to, "  %-22s %s\n", "--help", "prints this text and exits");
}

// Reads argv[1..argc-1]: kGoOn when every option was taken, else the status to
// exit with (the usage printed).
inline int ParseCommandLine(const char* tool, const char* synopsis, int argc, char** argv,
                            const std::vector<Option>& options) {
  const auto fail = [&] {
    PrintUsage(stderr, synopsis, options);
    return kUsageError;
  };
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--help") == 0 || std::strcmp(argv[i], "-h") == 0) {
      PrintUsage(stdout, synopsis, options);
      return 0;
    }
    const Option* option = nullptr;
    for (const Option& o : options)
      if (std::strcmp(argv[i], o.name) == 0) option = &o;
    if (option == nullptr) {
      std::fprintf(stderr, "%s: unknown option %s\n", tool, argv[i]);
      return fail();
    }
    if (i + 1 >= argc) {
      std::fprintf(stderr, "%s: %s needs a value\n", tool, argv[i]);
      return fail();
    }
    if (!option->take(argv[i + 1])) {
      std::fprintf(stderr, "%s: %s does not take %s\n", tool, argv[i], argv[i + 1]);
      return fail();
    }
    ++i;
  }
  return kGoOn;
}

// A value that must be one of the given words.
inline bool OneOf(const char* value, std::initializer_list<const char*> words) {
  for (const char* word : words)
    if (std::strcmp(value, word) == 0) return true;
  return false;
}

}  // namespace qxtool
