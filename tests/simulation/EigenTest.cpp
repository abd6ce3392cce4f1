// The complex eigenvalue routine: agreement with numpy, eigenpairs A z = w z,
// the order of isolated eigenvalues, balancing by exact powers of 16, the
// eigenvector of a zero eigenvalue, and input that must not hang.
#include "simulation/SIMeigen.h"

#include "SimTestSupport.h"
#include "data/EigenReference.h"

#include <cstdlib>

namespace {

using simtest::cd;
using Matrix = std::vector<cd>;  // row-major n x n

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kInf = HUGE_VAL;

struct Eigen {
  int code = -1;
  std::vector<cd> w;
  std::vector<cd> z;  // row-major; column c belongs to w[c]
  cd Z(int n, int r, int c) const { return z[r * n + c]; }
};

int Order(const Matrix& a) {
  return static_cast<int>(std::lround(std::sqrt(static_cast<double>(a.size()))));
}

std::vector<double> Interleaved(const Matrix& a) {
  std::vector<double> flat;
  for (cd v : a) {
    flat.push_back(v.real());
    flat.push_back(v.imag());
  }
  return flat;
}

// ComplexEigen with the smallest work area it promises to stay inside.
Eigen Solve(const Matrix& a, bool vectors) {
  const int n = Order(a);
  const std::vector<double> flat = Interleaved(a);
  std::vector<double> work(EigenWorkSize(n), 12345.0);
  std::vector<McComplex> w(n), z(vectors ? n * n : 0);
  Eigen e;
  e.code = ComplexEigen(flat.data(), w.data(), vectors ? z.data() : nullptr, n, work.data());
  for (McComplex v : w) e.w.emplace_back(v.re, v.im);
  for (McComplex v : z) e.z.emplace_back(v.re, v.im);
  return e;
}

double Norm(const std::vector<cd>& v) {
  double s = 0.0;
  for (cd x : v) s += std::norm(x);
  return std::sqrt(s);
}

// Every column z of Z is non-zero and satisfies |A z - w z| <= tol |A| |z|.
void ExpectEigenpairs(const Matrix& a, const Eigen& e, double tol = 1e-13) {
  const int n = Order(a);
  ASSERT_EQ(int(e.z.size()), n * n);
  for (int c = 0; c < n; ++c) {
    std::vector<cd> z(n), residual(n);
    for (int r = 0; r < n; ++r) z[r] = e.Z(n, r, c);
    for (int r = 0; r < n; ++r) {
      cd az = 0.0;
      for (int k = 0; k < n; ++k) az += a[r * n + k] * z[k];
      residual[r] = az - e.w[c] * z[r];
    }
    EXPECT_GT(Norm(z), 0.0) << "column " << c << " of eigenvalue " << e.w[c];
    EXPECT_LE(Norm(residual), tol * Norm(a) * Norm(z)) << "column " << c;
  }
}

Matrix FromReference(const EigenReferenceCase& ref) {
  Matrix a;
  for (int k = 0; k < ref.n * ref.n; ++k) a.emplace_back(ref.a[k][0], ref.a[k][1]);
  return a;
}

// Seeded random complex matrices; QX_TEST_SEED replaces the seed.
unsigned Seed() {
  const char* text = std::getenv("QX_TEST_SEED");
  const unsigned seed = text ? static_cast<unsigned>(std::strtoul(text, nullptr, 10)) : 160416u;
  std::printf("eigen random matrices: QX_TEST_SEED=%u\n", seed);
  return seed;
}

Matrix RandomMatrix(std::mt19937& rng, int n, bool graded) {
  std::uniform_real_distribution<double> u(-1.0, 1.0), decade(-3.0, 3.0);
  std::vector<double> d(n, 1.0);
  if (graded) {
    for (double& x : d) x = std::pow(10.0, decade(rng));
  }
  Matrix a(n * n);
  for (int r = 0; r < n; ++r) {
    for (int c = 0; c < n; ++c) a[r * n + c] = cd(u(rng), u(rng)) * d[r] / d[c];
  }
  return a;
}

TEST(Eigen, EigenvaluesAgreeWithNumpyOnSeededRandomMatrices) {
  std::printf("eigen reference matrices: numpy seed %u\n", kEigenReferenceSeed);
  for (const EigenReferenceCase& ref : kEigenReference) {
    const Matrix a = FromReference(ref);
    SCOPED_TRACE("order " + std::to_string(ref.n) + ", |A| " + std::to_string(Norm(a)));
    for (bool vectors : {false, true}) {
      const Eigen e = Solve(a, vectors);
      EXPECT_EQ(e.code, 0);
      simtest::ExpectSameRoots(e.w, ref.w, ref.n, 1e-12 * Norm(a));
      if (vectors) ExpectEigenpairs(a, e);
    }
  }
}

// comqr transforms only the active block, comqr2 the whole matrix, but the
// active block sees the same arithmetic: the eigenvalues agree to the bit.
TEST(Eigen, EigenvectorsLeaveTheEigenvaluesBitForBit) {
  std::mt19937 rng(Seed());
  for (int n = 1; n <= 8; ++n) {
    for (bool graded : {false, true}) {
      const Matrix a = RandomMatrix(rng, n, graded);
      const Eigen values = Solve(a, false), pairs = Solve(a, true);
      SCOPED_TRACE("order " + std::to_string(n) + (graded ? " graded" : ""));
      EXPECT_EQ(values.code, 0);
      EXPECT_EQ(pairs.code, 0);
      for (int j = 0; j < n; ++j) EXPECT_EQ(values.w[j], pairs.w[j]) << "position " << j;
      ExpectEigenpairs(a, pairs);
    }
  }
}

// Shapes that take the other paths: isolated rows and columns exchanged by the
// balancing (and back by cbabk2), equal eigenvalues (the zero pivot of the
// back-substitution), a Jordan block (its overflow control), a zero
// eigenvalue in position 1.
TEST(Eigen, StructuredMatricesGiveTrueEigenpairs) {
  const cd j(0, 1);
  const struct {
    const char* name;
    Matrix a;
  } rows[] = {
      {"isolated middle row", {1, 2, 3.0 + j, 0, 4, 0, 5, 6, 7}},
      {"isolated first column", {2, 1, 3, 0, 1, j, 0, 4, 5}},
      {"lower triangular", {1, 0, 0, 2, 3.0 - j, 0, 4, 5, 6}},
      {"permuted triangular", {0, 0, 3, 1, 2, 4, 0, 5, 6.0 + j}},
      {"block triangular", {1, 2, 0, 0, 3, 4, 0, 0, 5, 6, 7, 8, 9, 1, 2, 3}},
      {"repeated eigenvalue", {2, 1, 0, 0, 2, 0, 0, 0, 2}},
      {"Jordan block", {1, 1, 0, 1}},
      {"Jordan block in disguise", {0, 1, -1, 2}},
      {"singular, eigenvalue 0 first", {1, 2, 3, 4, 5, 6, 7, 8, 9}},
      {"complex Hermitian", {2, 1.0 - j, 0, 1.0 + j, 3, j, 0, -j, 1}},
      {"tiny and huge scales", {1e-150, 1e150, 1e-150, 1}},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    const Eigen e = Solve(row.a, true);
    EXPECT_EQ(e.code, 0);
    ExpectEigenpairs(row.a, e, 1e-12);
  }
}

TEST(Eigen, ZeroEigenvalueInPositionOneKeepsATrueEigenvector) {
  // Published, position 1 comes out multiplied by its eigenvalue: 0 * e1.
  const Eigen diag = Solve({0, 0, 0, 0, 2, 0, 0, 0, 3}, true);
  EXPECT_EQ(diag.w, (std::vector<cd>{0.0, 2.0, 3.0}));
  EXPECT_EQ(diag.z, (std::vector<cd>{1, 0, 0, 0, 1, 0, 0, 0, 1}));
  // The singular matrix of ones deflates an eigenvalue 0 last, into position 1.
  const Matrix singular(9, 1.0);
  const Eigen e = Solve(singular, true);
  ASSERT_LT(std::abs(e.w[0]), 1e-14);
  ExpectEigenpairs(singular, e);
}

TEST(Eigen, WorkedCases) {
  const cd j(0, 1);
  {
    SCOPED_TRACE("n = 1: the entry, and the unit vector");
    const Eigen e = Solve({cd(-2.5, 0.75)}, true);
    EXPECT_EQ(e.code, 0);
    EXPECT_EQ(e.w, (std::vector<cd>{cd(-2.5, 0.75)}));
    EXPECT_EQ(e.z, (std::vector<cd>{1.0}));
  }
  {
    SCOPED_TRACE("triangular: the diagonal in the order of the rows, exactly");
    const Matrix a = {cd(3, 1), 5, j, 0, -7, 2, 0, 0, cd(0.5, -4)};
    for (bool vectors : {false, true}) {
      EXPECT_EQ(Solve(a, vectors).w, (std::vector<cd>{cd(3, 1), -7.0, cd(0.5, -4)}));
    }
  }
  {
    SCOPED_TRACE("rotation: +j and -j once each");
    const double roots[][2] = {{0, 1}, {0, -1}};
    for (bool vectors : {false, true})
      simtest::ExpectSameRoots(Solve({0, 1, -1, 0}, vectors).w, roots, 2, 1e-15);
  }
  {
    SCOPED_TRACE("zero matrix: zero eigenvalues and the identity");
    const Eigen e = Solve(Matrix(9, 0.0), true);
    EXPECT_EQ(e.code, 0);
    EXPECT_EQ(e.w, std::vector<cd>(3, 0.0));
    EXPECT_EQ(e.z, (std::vector<cd>{1, 0, 0, 0, 1, 0, 0, 0, 1}));
  }
}

TEST(Eigen, EigenvectorsMayOverwriteTheMatrix) {
  std::mt19937 rng(Seed());
  const Matrix a = RandomMatrix(rng, 4, true);
  const Eigen apart = Solve(a, true);
  std::vector<double> shared = Interleaved(a);
  std::vector<double> work(EigenWorkSize(4));
  std::vector<McComplex> w(4);
  auto* z = reinterpret_cast<McComplex*>(shared.data());
  ASSERT_EQ(ComplexEigen(shared.data(), w.data(), z, 4, work.data()), 0);
  for (int k = 0; k < 16; ++k) EXPECT_EQ(cd(z[k].re, z[k].im), apart.z[k]) << k;
  for (int k = 0; k < 4; ++k) EXPECT_EQ(cd(w[k].re, w[k].im), apart.w[k]) << k;
}

// cbal scales by powers of 16, so undoing its scaling restores every entry
// exactly; and it makes the row and column sums comparable.
TEST(Eigen, BalancingScalesByExactPowersOfSixteen) {
  std::mt19937 rng(Seed());
  const int n = 5;
  const Matrix a = RandomMatrix(rng, n, true);
  std::vector<double> ar(n * n), ai(n * n), scale(n);
  for (int r = 0; r < n; ++r) {
    for (int c = 0; c < n; ++c) {
      ar[r + c * n] = a[r * n + c].real();
      ai[r + c * n] = a[r * n + c].imag();
    }
  }
  int low = 0, igh = 0;
  cbal(n, n, ar.data(), ai.data(), low, igh, scale.data());
  ASSERT_EQ(low, 1);  // a full matrix isolates nothing
  ASSERT_EQ(igh, n);
  int exponent = 0;
  bool scaled = false;
  for (double s : scale) {
    EXPECT_EQ(std::frexp(s, &exponent), 0.5) << s;
    EXPECT_EQ((exponent - 1) % 4, 0) << s;
    scaled = scaled || s != 1.0;
  }
  EXPECT_TRUE(scaled);  // entries over six decades need it
  for (int r = 0; r < n; ++r) {
    for (int c = 0; c < n; ++c) {
      const double f = scale[r] / scale[c];
      EXPECT_EQ(ar[r + c * n] * f, a[r * n + c].real()) << r << ", " << c;
      EXPECT_EQ(ai[r + c * n] * f, a[r * n + c].imag()) << r << ", " << c;
    }
  }
}

// A non-finite entry is refused at once; finite entries whose sums or products
// overflow must still come back (the published balancing and pythag would loop
// forever on the infinities they make).
TEST(Eigen, NonFiniteAndHugeEntriesReturn) {
  const struct {
    const char* name;
    Matrix a;
    bool refused;
  } rows[] = {
      {"NaN", {1, 2, cd(3, kNaN), 4}, true},
      {"infinity", {1, 2, 3, 4, kInf, 6, 7, 8, 9}, true},
      {"negative infinite imaginary part", {cd(1, -kInf)}, true},
      {"entries near 1e300", {1e300, 2e300, -3e300, 1e300}, false},
      {"row sums beyond the largest double",
       {1e308, 1.5e308, 1.7e308, 1.5e308, 1e308, 1.7e308, 1.7e308, 1.5e308, 1e308},
       false},
      {"complex entries near the largest double",
       {cd(1.7e308, 1.7e308), cd(0, -1.7e308), cd(1.7e308, 0), cd(-1.7e308, 1.7e308)},
       false},
      {"the smallest and the largest",
       {5e-324, 1.7e308, 5e-324, 1e-300, 5e-324, 1.7e308, 1.7e308, 5e-324, 5e-324},
       false},
      {"the largest beside a denormal", {0, 1e308, 5e-324, 0}, false},
      {"the largest above a one", {0, 1e308, 1, 0}, false},
      {"a scale beyond the normal doubles", {0, 5e-324, 1e308, 0, 1, 1, 1e-308, 1, 0}, false},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    const int n = Order(row.a);
    for (bool vectors : {false, true}) {
      const Eigen e = Solve(row.a, vectors);
      if (row.refused) {
        EXPECT_EQ(e.code, n + 1);
        for (const auto* out : {&e.w, &e.z})
          for (cd v : *out) EXPECT_TRUE(std::isnan(v.real()) && std::isnan(v.imag()));
      } else {
        EXPECT_GE(e.code, 0);
        EXPECT_LE(e.code, n);
      }
    }
  }
}

// Near the largest double the balancing's column sum overflowed while it was
// scaled up, and the scaling loop after it never ended (a 3 x 3 loop with one
// coefficient of -1e308 froze the program on open). The balanced matrix keeps
// its eigenvalues: their sum is the trace and their product the determinant.
TEST(Eigen, LargestEntriesBesideSmallOnesBalanceAndEnd) {
  const struct {
    const char* name;
    Matrix a;
    cd trace, det;
  } rows[] = {
      {"1e308 above 1e-250", {0, 1e308, 1e-250, 0}, 0, -1e58},
      {"-1e308 above 1e-250", {0, -1e308, 1e-250, 0}, 0, 1e58},
      {"1.5e308 above 3e-260", {0, 1.5e308, 3e-260, 0}, 0, -4.5e48},
      {"-1e308 in a 3 x 3 corner", {0, 0, -1e308, 1e-250, 0, 0, 0, 1, 0}, 0, -1e58},
      {"1e308 beside a diagonal", {2, 0, 1e308, 1e-250, 1, 0, 0, 1, 3}, 6, 1e58},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    for (bool vectors : {false, true}) {
      const Eigen e = Solve(row.a, vectors);
      ASSERT_EQ(e.code, 0);
      cd sum = 0, product = 1;
      double size = 0;
      for (cd v : e.w) {
        EXPECT_TRUE(std::isfinite(v.real()) && std::isfinite(v.imag())) << v;
        sum += v;
        product *= v;
        size += std::abs(v);
      }
      EXPECT_LE(std::abs(sum - row.trace), 1e-12 * size) << sum;
      EXPECT_LE(std::abs(product - row.det), 1e-12 * std::abs(row.det)) << product;
    }
  }
}

// pythag is the modulus without over- or underflow, and returns where its
// iteration would not end; csroot is the principal root.
TEST(Eigen, AuxiliaryRoutines) {
  const struct {
    double a, b, modulus, tol;
  } moduli[] = {
      {3, 4, 5, 1e-15},
      {-1e300, 1e300, std::sqrt(2.0) * 1e300, 1e285},
      {3e-310, 4e-310, 5e-310, 1e-323},
      {0, -0.0, 0, 0},
      {kNaN, 1, kNaN, 0},
      {kInf, kNaN, kNaN, 0},
      {2, -kInf, kInf, 0},
  };
  for (const auto& m : moduli) {
    const double p = pythag(m.a, m.b);
    if (std::isnan(m.modulus)) {
      EXPECT_TRUE(std::isnan(p)) << m.a << ", " << m.b;
    } else if (m.tol == 0) {
      EXPECT_EQ(p, m.modulus) << m.a << ", " << m.b;
    } else {
      EXPECT_NEAR(p, m.modulus, m.tol) << m.a << ", " << m.b;
    }
  }
  double cr = 0, ci = 0;
  cdiv(1e300, 1e300, 1e300, -1e300, cr, ci);  // j, with no overflow
  EXPECT_NEAR(cr, 0.0, 1e-16);
  EXPECT_NEAR(ci, 1.0, 1e-16);
  const struct {
    cd x, y;
  } roots[] = {{cd(3, -4), cd(2, -1)}, {cd(-4, 0), cd(0, 2)}, {cd(-3, -4), cd(1, -2)}};
  for (const auto& r : roots) {
    double yr = 7, yi = 7;
    csroot(r.x.real(), r.x.imag(), yr, yi);
    EXPECT_NEAR(yr, r.y.real(), 1e-15) << r.x;
    EXPECT_NEAR(yi, r.y.imag(), 1e-15) << r.x;
  }
}

}  // namespace
