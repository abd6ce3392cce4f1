// Polynomial roots: 10,000 seeded stable polynomials per degree (4, 8, 16, 32,
// 64), with and without polishing. Reports the time per polynomial
// ("per_poly") and the worst backward residual max |p(r)| / sum |a_i| |r|^i
// over all roots of the last pass ("worst_residual").
//
// The polynomials come from a generator that bench/reference/roots.py repeats
// operation for operation, so numpy solves exactly the same coefficients:
//   splitmix64 seeded with 0x5EED0000 + degree; u() = (next >> 11) * 2^-53;
//   for each of degree / 2 quadratic factors draw u1, u2, u3:
//     u3 < 0.5: complex pair x +- jy, x = -(0.1 + 1.9 u1), y = 0.1 + 1.9 u2,
//               factor (x*x + y*y) + (-2 x) s + s^2
//     else:     real roots r1 = -(0.1 + 1.9 u1), r2 = -(0.1 + 1.9 u2),
//               factor (r1 * r2) + (-(r1 + r2)) s + s^2
//   and multiply the monic product, ascending in s, by it:
//     new[j] = q0 * c[j] + q1 * c[j - 1] + c[j - 2]  (c zero outside 0 .. n - 1),
//   evaluated left to right.
// Both programs print the sum of all coefficients per degree as a check.
//
// The root arrays start as NaN: a row that leaves a root of the last pass
// unwritten (a failed call, or none) ends with an error, and the program exits
// non-zero.
#include "bench/BenchCheck.h"
#include "bench/SplitMix64.h"
#include "simulation/SIMroots.h"

#include <benchmark/benchmark.h>

#include <cmath>
#include <complex>
#include <cstdint>
#include <cstdio>
#include <limits>
#include <string>
#include <vector>

namespace {

constexpr int kPolynomials = 10000;
constexpr int kDegrees[] = {4, 8, 16, 32, 64};

// kPolynomials polynomials of the degree, each degree + 1 coefficients, back to back.
std::vector<double> StablePolynomials(int degree) {
  qxbench::SplitMix64 rng{0x5EED0000ull + static_cast<std::uint64_t>(degree)};
  std::vector<double> all;
  all.reserve(static_cast<size_t>(kPolynomials) * (degree + 1));
  std::vector<double> c, next;
  for (int p = 0; p < kPolynomials; ++p) {
    c.assign(1, 1.0);
    for (int f = 0; f < degree / 2; ++f) {
      const double u1 = rng.Uniform(), u2 = rng.Uniform(), u3 = rng.Uniform();
      double q0, q1;
      if (u3 < 0.5) {
        const double x = -(0.1 + 1.9 * u1), y = 0.1 + 1.9 * u2;
        q0 = x * x + y * y;
        q1 = -2 * x;
      } else {
        const double r1 = -(0.1 + 1.9 * u1), r2 = -(0.1 + 1.9 * u2);
        q0 = r1 * r2;
        q1 = -(r1 + r2);
      }
      // Zero-padded: c[-2] = c[-1] = c[n] = c[n + 1] = 0.
      const int n = static_cast<int>(c.size());
      const auto at = [&](int j) { return j >= 0 && j < n ? c[j] : 0.0; };
      next.assign(n + 2, 0.0);
      for (int j = 0; j < n + 2; ++j) next[j] = q0 * at(j) + q1 * at(j - 1) + at(j - 2);
      c.swap(next);
    }
    all.insert(all.end(), c.begin(), c.end());
  }
  return all;
}

const std::vector<double>& Polynomials(int degree) {
  static std::vector<double> cache[65];
  if (cache[degree].empty()) cache[degree] = StablePolynomials(degree);
  return cache[degree];
}

double BackwardResidual(const double* a, int m, McComplex root) {
  const std::complex<double> r(root.re, root.im);
  std::complex<double> v = 0.0;
  double scale = 0.0;
  for (int i = m; i >= 0; --i) {
    v = v * r + a[i];
    scale = scale * std::abs(r) + std::fabs(a[i]);
  }
  return std::abs(v) / scale;
}

void BM_Roots(benchmark::State& state, bool polish) {
  const int degree = static_cast<int>(state.range(0));
  const std::vector<double>& polys = Polynomials(degree);
  const double nan = std::numeric_limits<double>::quiet_NaN();
  std::vector<McComplex> roots(static_cast<size_t>(kPolynomials) * (degree + 1), {nan, nan});
  for (auto _ : state) {
    for (int p = 0; p < kPolynomials; ++p) {
      McComplex* r = roots.data() + static_cast<size_t>(p) * (degree + 1);
      benchmark::DoNotOptimize(
          PolyRoots(degree, polys.data() + static_cast<size_t>(p) * (degree + 1), r, polish));
    }
    benchmark::ClobberMemory();
  }
  double worst = 0.0;
  int unwritten = 0;
  for (int p = 0; p < kPolynomials; ++p) {
    const double* a = polys.data() + static_cast<size_t>(p) * (degree + 1);
    for (int j = 1; j <= degree; ++j) {
      const McComplex r = roots[static_cast<size_t>(p) * (degree + 1) + j];
      if (!std::isfinite(r.re) || !std::isfinite(r.im)) ++unwritten;
      const double res = BackwardResidual(a, degree, r);
      if (!(res <= worst)) worst = res;
    }
  }
  state.counters["per_poly"] =
      benchmark::Counter(static_cast<double>(state.iterations()) * kPolynomials,
                         benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
  state.counters["worst_residual"] = worst;
  qxbench::Check(state, unwritten == 0, std::to_string(unwritten) + " roots were not found");
}

}  // namespace

int main(int argc, char** argv) {
  for (int degree : kDegrees) {
    double sum = 0.0;
    for (double v : Polynomials(degree)) sum += v;
    std::printf("degree %d: coefficient sum %.17g\n", degree, sum);
  }
  for (bool polish : {true, false}) {
    auto* b = benchmark::RegisterBenchmark(
        polish ? "roots_10000_stable/polished" : "roots_10000_stable/unpolished", BM_Roots, polish);
    for (int degree : kDegrees) b->Arg(degree);
    b->Unit(benchmark::kMillisecond);
  }
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  const int code = qxbench::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return code;
}
