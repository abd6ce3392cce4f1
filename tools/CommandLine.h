#pragma once
// The test peers' command line: every option takes one value, "--help" prints
// the usage. A peer that misread its command line would start and answer the
// program with settings nobody asked for, so anything it does not know ends
// it before it starts: an unknown option, a missing value or a value that is
// not one of the option's choices (a number is read whole and within its
// range) prints why and the usage on standard error and exits with status 2;
// "--help" prints it on standard output and exits 0.
#include <cctype>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <initializer_list>
#include <string>
#include <type_traits>
#include <vector>

namespace qxtool {

struct Option {
  const char* name;   // "--seconds"
  const char* value;  // "N", as the usage names it
  const char* help;   // one line
  // Takes the value; when the option does not accept it, says why.
  std::function<std::string(const char* value)> take;
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
    if (const std::string why = option->take(argv[i + 1]); !why.empty()) {
      std::fprintf(stderr, "%s: %s does not take %s: %s\n", tool, argv[i], argv[i + 1],
                   why.c_str());
      return fail();
    }
    ++i;
  }
  return kGoOn;
}

// A value that must be one of the given words: "" when it is, else why not.
inline std::string OneOf(const char* value, std::initializer_list<const char*> words) {
  std::string choices;
  for (const char* word : words) {
    if (std::strcmp(value, word) == 0) return "";
    choices += (choices.empty() ? "" : ", ") + std::string(word);
  }
  return "not one of " + choices;
}

// A number into *out when the whole text is one (no blank before it, nothing
// after it) within lo .. hi, and for a count (an integer type) a whole one:
// "" then, else why not, *out unchanged.
template <class T>
std::string ReadNumber(const char* text, T lo, T hi, T* out) {
  char* end = nullptr;
  const bool starts = text && *text && !std::isspace(static_cast<unsigned char>(*text));
  const double value = starts ? std::strtod(text, &end) : 0.0;
  if (!starts || end == text || *end != '\0' || std::isnan(value)) return "not a number";
  if (std::is_integral_v<T> && std::isfinite(value) && value != std::floor(value))
    return "not a whole number";
  // Written so that an infinity fails too.
  if (!(value >= static_cast<double>(lo) && value <= static_cast<double>(hi))) {
    char range[80];
    if constexpr (std::is_integral_v<T>)
      std::snprintf(range, sizeof(range), "not within %lld to %lld", static_cast<long long>(lo),
                    static_cast<long long>(hi));
    else
      std::snprintf(range, sizeof(range), "not within %g to %g", static_cast<double>(lo),
                    static_cast<double>(hi));
    return range;
  }
  *out = static_cast<T>(value);
  return "";
}

}  // namespace qxtool
