// Feeds arbitrary doubles to the numerical kernels whose loops a design's
// numbers steer: the complex eigenvalue routine (an n x n matrix, n = 1 .. 8,
// with and without eigenvectors) and the polynomial root finder (degree
// 1 .. 64, with and without polishing). A loop that does not end shows as
// the fuzzer's timeout. Checks that refused input gets the stated failure
// result and that the outcome codes stay in their ranges.
//
// Input: a selector byte, an option byte, then the numbers as 8-byte
// little-endian doubles (missing bytes read as 0). Selector bits 0-5 give the
// size (n = 1 + bits 0-2 for a matrix, degree 1 + bits 0-5 for a polynomial),
// bit 6 chooses the root finder, bit 7 keeps non-finite numbers as they are;
// without it a NaN reads as 0 and an infinity as the largest double of its
// sign, so that most runs reach the iterations. Option bit 0 asks for the
// eigenvectors, or for polishing the roots.
#include "fuzz/FuzzSupport.h"

#include "simulation/SIMeigen.h"
#include "simulation/SIMroots.h"

#include <cfloat>
#include <cmath>
#include <cstring>
#include <vector>

namespace qxfuzz::kernels {
namespace {

constexpr int kMaxOrder = 8;
constexpr int kMaxDegree = 64;

// The next number of the input; non-finite ones kept only when asked.
class Numbers {
 public:
  Numbers(const std::uint8_t* data, std::size_t size, bool keepNonFinite)
      : m_data(data), m_size(size), m_keep(keepNonFinite) {}
  double Next() {
    std::uint8_t bytes[8] = {};
    for (std::uint8_t& b : bytes)
      if (m_at < m_size) b = m_data[m_at++];
    std::uint64_t bits = 0;
    for (int i = 7; i >= 0; --i) bits = (bits << 8) | bytes[i];
    double v;
    std::memcpy(&v, &bits, sizeof v);
    if (m_keep || std::isfinite(v)) return v;
    if (std::isnan(v)) return 0.0;
    return v > 0 ? DBL_MAX : -DBL_MAX;
  }

 private:
  const std::uint8_t* m_data;
  std::size_t m_size;
  std::size_t m_at = 0;
  bool m_keep;
};

void Eigen(int n, bool vectors, Numbers& numbers) {
  const std::size_t nn = static_cast<std::size_t>(n) * n;
  std::vector<double> a(2 * nn);
  bool finite = true;
  for (double& v : a) {
    v = numbers.Next();
    finite = finite && std::isfinite(v);
  }
  std::vector<double> work(8 * nn + n);
  std::vector<McComplex> w(n), z(nn);
  const int code = ComplexEigen(a.data(), w.data(), vectors ? z.data() : nullptr, n, work.data());
  if (!finite) {
    QX_FUZZ_CHECK(code == n + 1);
    for (const McComplex& v : w) QX_FUZZ_CHECK(std::isnan(v.re) && std::isnan(v.im));
  } else {
    QX_FUZZ_CHECK(code >= 0 && code <= n);
  }
}

void Roots(int m, bool polish, Numbers& numbers) {
  std::vector<double> a(m + 1);
  bool finite = true;
  for (double& v : a) {
    v = numbers.Next();
    finite = finite && std::isfinite(v);
  }
  std::vector<McComplex> roots(m + 1);
  const McComplex* found = PolyRoots(m, a.data(), roots.data(), polish);
  QX_FUZZ_CHECK((found != nullptr) == (finite && a[m] != 0.0));
}

}  // namespace

int Run(const std::uint8_t* data, std::size_t size) {
  if (size < 2) return 0;
  const std::uint8_t selector = data[0];
  const bool option = (data[1] & 1) != 0;
  Numbers numbers(data + 2, size - 2, (selector & 0x80) != 0);
  if (selector & 0x40)
    Roots(1 + (selector & 0x3F) % kMaxDegree, option, numbers);
  else
    Eigen(1 + (selector & 0x07) % kMaxOrder, option, numbers);
  return 0;
}

}  // namespace qxfuzz::kernels

#ifndef QX_FUZZ_REPLAY
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  qxfuzz::NoteUnit(data, size);
  return qxfuzz::kernels::Run(data, size);
}
#endif
