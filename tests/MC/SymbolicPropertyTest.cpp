// The symbolic layer as properties of seeded random expressions in x and y
// (the seed is printed; QX_TEST_SEED runs one again): derivatives agree with
// central differences, Perform and Tidy keep the value, and every result is
// a sound tree whose record loads back.
#include "SymbolicTestSupport.h"
#include "tests/support/DesignRoundTrip.h"

using namespace mctest;

namespace {

constexpr int kTrees = 250;
constexpr int kPointsPerTree = 3;

// Nodes of the tree that match pattern up to the sign.
int CountMatches(const CMcBasic* tree, const CMcBasic* pattern) {
  int n = tree->Compare(pattern) < 2 ? 1 : 0;
  for (int i = 0; i < tree->m_count; ++i) n += CountMatches(tree->m_children[i], pattern);
  return n;
}

bool Finite(const McComplex& v, double limit = 1e6) {
  return std::isfinite(v.re) && std::isfinite(v.im) && std::hypot(v.re, v.im) < limit;
}

McComplex Slope(const McComplex& ahead, const McComplex& behind, double h) {
  return {(ahead.re - behind.re) / (2 * h), (ahead.im - behind.im) / (2 * h)};
}

// A result every symbolic operation must give: a root whose parent links are
// right and whose record loads back.
void ExpectSound(const CMcBasic* result, const char* what) {
  ASSERT_NE(result, nullptr) << what;
  EXPECT_EQ(result->m_parent, nullptr) << what;
  EXPECT_TRUE(ParentsRight(result)) << what << ": " << Infix(result);
  const std::string fault = RoundTripFault(result);
  EXPECT_TRUE(fault.empty()) << what << ": " << fault << " in " << Infix(result);
}

// The slope of f at (x0, y0) along (1, k) by the central difference with
// step h, and the difference's own truncation error, estimated from the
// difference with step h/2 (the error falls with h^2).
struct Difference {
  McComplex slope;
  double error;
  bool finite;
};

Difference CentralDifference(Points& points, CMcBasic* f, double x0, double y0, double k,
                             double h) {
  auto at = [&](double step) { return points.At(f, x0 + step, y0 + k * step); };
  const McComplex values[] = {at(h), at(-h), at(h / 2), at(-h / 2), at(0)};
  Difference d{};
  d.finite = std::all_of(std::begin(values), std::end(values),
                         [](const McComplex& v) { return Finite(v); });
  d.slope = Slope(values[0], values[1], h);
  const McComplex half = Slope(values[2], values[3], h / 2);
  d.error = 4.0 / 3.0 * std::hypot(d.slope.re - half.re, d.slope.im - half.im);
  return d;
}

// Within 1e-6 relative (absolute below 1), beyond the difference's own error.
::testing::AssertionResult AgreesWith(const McComplex& derivative, const Difference& d) {
  const double scale = std::max(1.0, std::hypot(d.slope.re, d.slope.im));
  const double off = std::hypot(derivative.re - d.slope.re, derivative.im - d.slope.im);
  if (off <= 1e-6 * scale + 2 * d.error) return ::testing::AssertionSuccess();
  return ::testing::AssertionFailure() << derivative.re << " + " << derivative.im << "j vs "
                                       << d.slope.re << " + " << d.slope.im << "j";
}

}  // namespace

// The partial derivative by x agrees with the central difference in x and
// holds no derivative node. The total derivative holds derivative nodes only
// as dy/dx; with dy/dx set to a slope k it agrees with the difference along
// (1, k). The step is h = 1e-4 (1 + |x|); the receiver stays unchanged.
TEST(SymbolicProperty, DerivativesAgreeWithCentralDifferences) {
  const unsigned seed = TestSeed();
  ExpressionGenerator generator(seed);
  std::mt19937 rng(seed + 1);
  std::uniform_real_distribution<double> coordinate(0.5, 2.0), slope(-1.0, 1.0);
  Points points;
  CMcVariable x("x", "", 0);
  CMcDerivative dydx(0);
  dydx.AppendChild(Variable("y"));
  dydx.AppendChild(Variable("x"));
  int compared = 0;
  for (int n = 0; n < kTrees; ++n) {
    NodePtr f(generator.Any(3));
    SCOPED_TRACE(Infix(f.get()));
    NodePtr before(f->Clone());
    NodePtr partial(f->Differentiate(&x, 1));
    NodePtr total(f->Differentiate(&x, 0));
    ASSERT_EQ(f->Compare(before.get()), 0) << "the receiver changed: " << Infix(f.get());
    ExpectSound(partial.get(), "partial derivative");
    ExpectSound(total.get(), "total derivative");
    if (partial == nullptr || total == nullptr) continue;
    EXPECT_EQ(CountKind(partial.get(), kMcDerivative), 0) << Infix(partial.get());
    EXPECT_EQ(CountKind(total.get(), kMcDerivative), CountMatches(total.get(), &dydx))
        << Infix(total.get());

    const double k = slope(rng);
    Held held(total.release());
    CMcReal k0(std::abs(k), k < 0 ? 1 : 0);
    held.Holder()->SubstituteOne(&dydx, &k0);
    total = held.Take();
    ASSERT_EQ(CountKind(total.get(), kMcDerivative), 0) << Infix(total.get());

    for (int p = 0; p < kPointsPerTree; ++p) {
      const double x0 = coordinate(rng), y0 = coordinate(rng);
      const double h = 1e-4 * (1 + std::abs(x0));
      const Difference alongX = CentralDifference(points, f.get(), x0, y0, 0, h);
      const Difference alongK = CentralDifference(points, f.get(), x0, y0, k, h);
      if (!alongX.finite || !alongK.finite) continue;
      EXPECT_TRUE(AgreesWith(points.At(partial.get(), x0, y0), alongX))
          << "partial at (" << x0 << ", " << y0 << ")\n  " << Infix(partial.get());
      EXPECT_FALSE(points.Failed()) << Infix(partial.get());
      EXPECT_TRUE(AgreesWith(points.At(total.get(), x0, y0), alongK))
          << "total at (" << x0 << ", " << y0 << ") with dy/dx = " << k << "\n  "
          << Infix(total.get());
      EXPECT_FALSE(points.Failed()) << Infix(total.get());
      ++compared;
    }
    if (HasFailure()) break;
  }
  EXPECT_GT(compared, kTrees * kPointsPerTree / 2) << "too few points had a finite value";
}

// Perform and Tidy of a whole tree (held under a parent, as Simplify holds
// it) keep its value at random points within 1e-9 relative, a NaN matching a
// NaN, and leave a sound tree.
TEST(SymbolicProperty, PerformAndTidyKeepTheValue) {
  const unsigned seed = TestSeed();
  ExpressionGenerator generator(seed);
  std::mt19937 rng(seed + 2);
  std::uniform_real_distribution<double> coordinate(0.5, 2.0);
  Points points;
  for (int n = 0; n < kTrees; ++n) {
    NodePtr f(generator.Any(3));
    SCOPED_TRACE(Infix(f.get()));
    for (const bool perform : {true, false}) {
      Held held(f->Clone());
      if (perform)
        held.Tree()->Perform();
      else
        held.Tree()->Tidy();
      NodePtr result = held.Take();
      const char* what = perform ? "Perform" : "Tidy";
      ExpectSound(result.get(), what);
      for (int p = 0; p < kPointsPerTree; ++p) {
        const double x0 = coordinate(rng), y0 = coordinate(rng);
        const McComplex expected = points.At(f.get(), x0, y0);
        const McComplex got = points.At(result.get(), x0, y0);
        EXPECT_FALSE(points.Failed()) << what << ": " << Infix(result.get());
        EXPECT_TRUE(Agrees(got, expected, 1e-9))
            << what << " at (" << x0 << ", " << y0 << "): " << got.re << " + " << got.im << "j vs "
            << expected.re << " + " << expected.im << "j\n  " << Infix(result.get());
      }
    }
    if (HasFailure()) break;
  }
}

namespace {

// What the rewrites of the symbolic layer make of f: the simplified tree,
// Perform and Tidy, both derivatives by x, f = y with each child of f
// isolated, and f with x replaced by g.
std::vector<NodePtr> Rewrites(const CMcBasic* f, CMcBasic* g, CMcBasic* x) {
  std::vector<NodePtr> made;
  made.emplace_back(CMXC_TERM::Simplify(f->Clone()));
  for (const bool perform : {true, false}) {
    Held held(f->Clone());
    if (perform)
      held.Tree()->Perform();
    else
      held.Tree()->Tidy();
    made.push_back(held.Take());
  }
  NodePtr receiver(f->Clone());
  made.emplace_back(receiver->Differentiate(x, 1));
  made.emplace_back(receiver->Differentiate(x, 0));
  for (int i = 0; i < f->m_count; ++i) {
    NodePtr relation(new CMcEquality(f->Clone(), Variable("y"), 0));
    relation->m_children[0]->Isolate(i);
    made.push_back(std::move(relation));
  }
  Held held(f->Clone());
  held.Holder()->SubstituteOne(x, g);
  made.push_back(held.Take());
  return made;
}

// f and the forms that make the rewrites cancel, drop or fold children:
// f + 0, 1 f, f - f, f / f and f^1.
std::vector<NodePtr> WithDegenerateForms(NodePtr f) {
  std::vector<NodePtr> forms;
  forms.emplace_back(qxtest::trees::Sum({f->Clone(), Real(0)}));
  forms.emplace_back(qxtest::trees::Prod({Real(1), f->Clone()}));
  forms.emplace_back(qxtest::trees::Sum({f->Clone(), f->Clone(), Real(0)}));
  forms.back()->m_children[1]->m_flags ^= 1;
  forms.emplace_back(qxtest::trees::Div(f->Clone(), f->Clone()));
  forms.emplace_back(qxtest::trees::Pow(f->Clone(), Real(1)));
  forms.push_back(std::move(f));
  return forms;
}

}  // namespace

// Every tree the rewrites make stores and loads back equal, alone and inside
// a design (in its model library): a sum or a product of fewer than two
// children would be stored and then refused when the design is opened.
TEST(SymbolicProperty, EveryRewriteStoresAndLoadsBackAlsoInADesign) {
  const unsigned seed = TestSeed();
  ExpressionGenerator generator(seed);
  CMcVariable x("x", "", 0);
  int results = 0;
  for (int n = 0; n < kTrees / 5; ++n) {
    NodePtr g(generator.Any(2));
    CQorexDoc design;
    for (NodePtr& f : WithDegenerateForms(NodePtr(generator.Any(3)))) {
      SCOPED_TRACE(Infix(f.get()));
      for (NodePtr& made : Rewrites(f.get(), g.get(), &x)) {
        ExpectSound(made.get(), "rewrite");
        if (made) design.m_modelLibrary.Add(made.release());
        ++results;
      }
    }
    const std::string fault = qxtest::DesignRoundTripFault(design);
    EXPECT_TRUE(fault.empty()) << fault;
    if (HasFailure()) break;
  }
  EXPECT_GT(results, kTrees / 5 * 6 * 6);
}
