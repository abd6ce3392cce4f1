#pragma once
// The seeded generator of the benchmarks whose reference scripts must draw the
// same numbers: splitmix64, and Uniform() = (Next() >> 11) * 2^-53, in [0, 1)
// with every value exact. bench/reference/splitmix64.py is the same
// generator, operation for operation.
#include <cstdint>

namespace qxbench {

struct SplitMix64 {
  std::uint64_t state;

  std::uint64_t Next() {
    std::uint64_t z = (state += 0x9E3779B97F4A7C15ull);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return z ^ (z >> 31);
  }
  double Uniform() { return static_cast<double>(Next() >> 11) * 0x1.0p-53; }
};

}  // namespace qxbench
