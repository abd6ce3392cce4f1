// Complex eigenvalues: 1,000 seeded random complex matrices per order (2, 3,
// 4, 8), the time per matrix ("per_matrix") of
//   eigen/values    ComplexEigen, eigenvalues only (cg: cbal, corth, comqr),
//   eigen/vectors   ComplexEigen with eigenvectors (cbal, corth, comqr2, cbabk2),
//   comqr2          comqr2 alone, on the Hessenberg matrices cbal and corth made
//                   beforehand (a copy of its input per call is included),
//   comqr           comqr alone, likewise.
// The frequency sweep makes one call of each ComplexEigen kind per grid point
// of a square loop. "worst_residual" is the largest |A z - w z| / (|A| |z|)
// over the eigenpairs of the last pass.
//
// The matrices come from a generator that bench/reference/eigen.py repeats
// operation for operation, so numpy sees exactly the same entries:
//   splitmix64 seeded with 0xE16E0000 + order; u() = (next >> 11) * 2^-53;
//   each matrix row by row, each entry (2 u() - 1) + (2 u() - 1) j.
// Both programs print the sum of all real and imaginary parts per order.
//
// A row whose eigenvalues of the last pass do not add up to the traces of
// their matrices (nothing computed, or a failed call) ends with an error, and
// the program exits non-zero.
#include "bench/BenchCheck.h"
#include "bench/SplitMix64.h"
#include "simulation/SIMeigen.h"

#include <benchmark/benchmark.h>

#include <cmath>
#include <complex>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

namespace {

constexpr int kMatrices = 1000;
constexpr int kOrders[] = {2, 3, 4, 8};

// kMatrices matrices of order n, each 2 n^2 doubles (row-major, re then im), back to back.
const std::vector<double>& Matrices(int n) {
  static std::vector<double> cache[9];
  std::vector<double>& all = cache[n];
  if (all.empty()) {
    qxbench::SplitMix64 rng{0xE16E0000ull + static_cast<std::uint64_t>(n)};
    all.resize(static_cast<size_t>(kMatrices) * 2 * n * n);
    for (double& v : all) v = 2 * rng.Uniform() - 1;
  }
  return all;
}

double WorstResidual(const double* a, const McComplex* w, const McComplex* z, int n) {
  using cd = std::complex<double>;
  double norm = 0.0;
  for (int k = 0; k < n * n; ++k) norm += a[2 * k] * a[2 * k] + a[2 * k + 1] * a[2 * k + 1];
  double worst = 0.0;
  for (int c = 0; c < n; ++c) {
    double res = 0.0, zz = 0.0;
    for (int r = 0; r < n; ++r) {
      cd az = 0.0;
      for (int k = 0; k < n; ++k) {
        az += cd(a[2 * (r * n + k)], a[2 * (r * n + k) + 1]) * cd(z[k * n + c].re, z[k * n + c].im);
      }
      const cd zr(z[r * n + c].re, z[r * n + c].im);
      res += std::norm(az - cd(w[c].re, w[c].im) * zr);
      zz += std::norm(zr);
    }
    const double rel = std::sqrt(res / (norm * zz));
    if (!(rel <= worst)) worst = rel;
  }
  return worst;
}

// Whether the eigenvalues w[0 .. n-1] add up to the trace, sum re then im at
// trace[0], trace[1]: what a call that computed nothing or failed cannot show.
bool SumsToTrace(const double trace[2], const McComplex* w, int n, double scale) {
  double re = 0.0, im = 0.0;
  for (int i = 0; i < n; ++i) {
    re += w[i].re;
    im += w[i].im;
  }
  return std::hypot(re - trace[0], im - trace[1]) <= 1e-9 * (1.0 + scale);
}

// The trace of the row-major interleaved matrix, and the sum of its moduli.
void TraceOf(const double* a, int n, double trace[2], double* scale) {
  trace[0] = trace[1] = *scale = 0.0;
  for (int i = 0; i < n; ++i) {
    trace[0] += a[2 * (i * n + i)];
    trace[1] += a[2 * (i * n + i) + 1];
  }
  for (int k = 0; k < n * n; ++k) *scale += std::hypot(a[2 * k], a[2 * k + 1]);
}

void PerMatrix(benchmark::State& state) {
  state.counters["per_matrix"] =
      benchmark::Counter(static_cast<double>(state.iterations()) * kMatrices,
                         benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}

void BM_ComplexEigen(benchmark::State& state, bool vectors) {
  const int n = static_cast<int>(state.range(0));
  const std::vector<double>& all = Matrices(n);
  std::vector<double> work(EigenWorkSize(n));
  std::vector<McComplex> w(static_cast<size_t>(kMatrices) * n);
  std::vector<McComplex> z(vectors ? static_cast<size_t>(kMatrices) * n * n : 0);
  for (auto _ : state) {
    for (int m = 0; m < kMatrices; ++m) {
      benchmark::DoNotOptimize(
          ComplexEigen(all.data() + static_cast<size_t>(m) * 2 * n * n, w.data() + m * n,
                       vectors ? z.data() + m * n * n : nullptr, n, work.data()));
    }
    benchmark::ClobberMemory();
  }
  PerMatrix(state);
  int wrong = 0;
  for (int m = 0; m < kMatrices; ++m) {
    double trace[2], scale;
    TraceOf(all.data() + static_cast<size_t>(m) * 2 * n * n, n, trace, &scale);
    if (!SumsToTrace(trace, w.data() + m * n, n, scale)) ++wrong;
  }
  qxbench::Check(state, wrong == 0,
                 std::to_string(wrong) + " matrices' eigenvalues do not add up to their traces");
  if (!vectors) return;
  double worst = 0.0;
  for (int m = 0; m < kMatrices; ++m) {
    const double r = WorstResidual(all.data() + static_cast<size_t>(m) * 2 * n * n,
                                   w.data() + m * n, z.data() + m * n * n, n);
    if (!(r <= worst)) worst = r;
  }
  state.counters["worst_residual"] = worst;
  qxbench::Check(state, worst <= 1e-9, "an eigenpair is no eigenpair");
}

// What cbal and corth leave for the QR routines, per matrix.
struct Hessenberg {
  int low = 0, igh = 0;
  std::vector<double> hr, hi, ortr, orti;
};

std::vector<Hessenberg> Reduced(int n) {
  const std::vector<double>& all = Matrices(n);
  std::vector<Hessenberg> out(kMatrices);
  std::vector<double> scale(n);
  for (int m = 0; m < kMatrices; ++m) {
    Hessenberg& h = out[m];
    h.hr.resize(n * n);
    h.hi.resize(n * n);
    h.ortr.resize(n);
    h.orti.resize(n);
    const double* a = all.data() + static_cast<size_t>(m) * 2 * n * n;
    for (int r = 0; r < n; ++r) {
      for (int c = 0; c < n; ++c) {
        h.hr[r + c * n] = a[2 * (r * n + c)];
        h.hi[r + c * n] = a[2 * (r * n + c) + 1];
      }
    }
    cbal(n, n, h.hr.data(), h.hi.data(), h.low, h.igh, scale.data());
    corth(n, n, h.low, h.igh, h.hr.data(), h.hi.data(), h.ortr.data(), h.orti.data());
  }
  return out;
}

void BM_QrAlone(benchmark::State& state, bool vectors) {
  const int n = static_cast<int>(state.range(0));
  const std::vector<Hessenberg> reduced = Reduced(n);
  std::vector<double> hr(n * n), hi(n * n), ortr(n), orti(n), wr(n), wi(n), zr(n * n), zi(n * n);
  const size_t nn = sizeof(double) * n * n, nv = sizeof(double) * n;
  int lastError = 0;
  for (auto _ : state) {
    for (const Hessenberg& h : reduced) {
      std::memcpy(hr.data(), h.hr.data(), nn);
      std::memcpy(hi.data(), h.hi.data(), nn);
      int ierr = 0;
      if (vectors) {
        std::memcpy(ortr.data(), h.ortr.data(), nv);
        std::memcpy(orti.data(), h.orti.data(), nv);
        comqr2(n, n, h.low, h.igh, ortr.data(), orti.data(), hr.data(), hi.data(), wr.data(),
               wi.data(), zr.data(), zi.data(), ierr);
      } else {
        comqr(n, n, h.low, h.igh, hr.data(), hi.data(), wr.data(), wi.data(), ierr);
      }
      benchmark::DoNotOptimize(ierr);
      benchmark::ClobberMemory();
      lastError = ierr;
    }
  }
  PerMatrix(state);
  // The last matrix's eigenvalues against its trace (the reduction keeps it).
  const Hessenberg& last = reduced.back();
  double trace[2] = {0.0, 0.0}, scale = 0.0;
  for (int i = 0; i < n; ++i) {
    trace[0] += last.hr[i + i * n];
    trace[1] += last.hi[i + i * n];
  }
  for (int k = 0; k < n * n; ++k) scale += std::hypot(last.hr[k], last.hi[k]);
  std::vector<McComplex> w(n);
  for (int i = 0; i < n; ++i) w[i] = {wr[i], wi[i]};
  qxbench::Check(state, lastError == 0 && SumsToTrace(trace, w.data(), n, scale),
                 "the last matrix's eigenvalues do not add up to its trace");
}

}  // namespace

int main(int argc, char** argv) {
  for (int n : kOrders) {
    double sum = 0.0;
    for (double v : Matrices(n)) sum += v;
    std::printf("order %d: entry sum %.17g\n", n, sum);
  }
  const struct {
    const char* name;
    void (*run)(benchmark::State&, bool);
    bool vectors;
  } kinds[] = {
      {"eigen_1000_random/values", BM_ComplexEigen, false},
      {"eigen_1000_random/vectors", BM_ComplexEigen, true},
      {"eigen_1000_random/comqr2_alone", BM_QrAlone, true},
      {"eigen_1000_random/comqr_alone", BM_QrAlone, false},
  };
  for (const auto& kind : kinds) {
    auto* b = benchmark::RegisterBenchmark(kind.name, kind.run, kind.vectors);
    for (int n : kOrders) b->Arg(n);
    b->Unit(benchmark::kMicrosecond);
  }
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  const int code = qxbench::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return code;
}
