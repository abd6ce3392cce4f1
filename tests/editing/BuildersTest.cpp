// The controller and dead-time builders of "Edit Models", without a window:
// the trees they write, the variables they bind, and the dead time's
// approximation against exact Pade approximants (bench/reference/pade.py).
#include "tests/editing/ProcessViewTestSupport.h"

#include "MC/Mc_division.h"
#include "MC/Mc_listmult.h"
#include "MC/Mc_listsum.h"
#include "VARvalues.h"
#include "data/PadeReference.h"
#include "editing/ModelBuilders.h"
#include "tests/support/TreeBuilders.h"
#include "simulation/SIMroots.h"

#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <string>
#include <vector>

namespace {

using pvtest::Text;
using namespace qxtest::trees;

// A definition name(s) = rhs.
std::unique_ptr<CMcBasic> Definition(const char* name, CMcBasic* rhs) {
  return std::unique_ptr<CMcBasic>(new CMcEquality(Fn(name, S()), rhs, 0));
}
// A rows x cols matrix of numbers 1, 2, 3, ...
CMcBasic* Numbers(int rows, int cols) {
  std::vector<CMcBasic*> cells;
  for (int i = 0; i < rows * cols; ++i) cells.push_back(Real(i + 1));
  return Matrix(cols, cells);
}
std::string RightText(const std::unique_ptr<CMcBasic>& def) {
  return Text(def->m_children[1]);
}
double ValueOf(const CVARvalues& vars, const char* name, const char* subscript, WORD style = 0) {
  const int entry = vars.Find(name, subscript, style);
  return entry < 0 ? NAN : vars.m_pValue[entry];
}

TEST(Builders, ElementsOfEachTypeAndTypeNumber) {
  const struct {
    int type, n;
    const char* text;
  } rows[] = {
      {kControllerP, 0, "k_12"},
      {kControllerP, -3, "k_12"},  // a type number below 0 builds as 0
      {kControllerP, 1, "{k_12}/{s}"},
      {kControllerP, 3, "{k_12}/{s^3}"},
      {kControllerPD, 0, "{k_12*(1 + s*D_12)}/{(1 + {s}/{iT_12})}"},
      {kControllerPD, 1, "{k_12*(1 + s*D_12)}/{s*(1 + {s}/{iT_12})}"},
      {kControllerPD, 2, "{k_12*(1 + s*D_12)}/{s^2*(1 + {s}/{iT_12})}"},
      {kControllerPI, 1, "{k_12*(1 + s*I_12)}/{s*I_12}"},
      {kControllerPI, 2, "{k_12*(1 + s*I_12)}/{s^2*I_12}"},
      {kControllerPID, 1, "{k_12*(1 + s*I_12 + s^2*D_12*I_12)}/{s*I_12*(1 + {s}/{iT_12})}"},
      {kControllerPID, 2, "{k_12*(1 + s*I_12 + s^2*D_12*I_12)}/{s^2*I_12*(1 + {s}/{iT_12})}"},
  };
  for (const auto& row : rows) {
    std::unique_ptr<CMcBasic> e(BuildControllerElement(0, 1, row.type, row.n, nullptr));
    EXPECT_EQ(Text(e.get()), row.text) << row.type << " N=" << row.n;
  }
}

TEST(Builders, ShapesAndTheSquareMatrix) {
  const struct {
    int rows, cols;   // the Controller's (0: no matrix)
    int processCols;  // the Process's (0: no matrix)
    int shape;
    bool square;
    const char* text;
  } rows[] = {
      // Not square: made n x n from the Process's columns.
      {1, 2, 3, kShapeUpper, true, "[k_11, k_12, k_13; 0, k_22, k_23; 0, 0, k_33]"},
      {1, 2, 0, kShapeFull, true, "[k_11]"},
      {3, 2, 2, kShapeLower, true, "[k_11, 0; k_21, k_22]"},
      // Without "Square matrix" the shape stays.
      {1, 2, 3, kShapeFull, false, "[k_11, k_12]"},
      // A 1 x 1 Controller is square whatever the Process.
      {0, 0, 3, kShapeFull, true, "k_11"},
  };
  for (const auto& row : rows) {
    auto k = Definition("K", row.rows ? Numbers(row.rows, row.cols) : Real(5));
    auto g = Definition("G", row.processCols ? Numbers(2, row.processCols) : Real(1));
    BuildController(k.get(), g.get(), {row.shape, kControllerP, 0, row.square}, nullptr);
    EXPECT_EQ(RightText(k), row.text);
  }
}

// 1/(s + 1) as the Part's example writes it.
CMcBasic* FirstOrderLag() {
  return Div(Real(1), Sum({S(), Real(1)}));
}

// -3 / -(2 s): both parts signed.
CMcBasic* SignedFraction() {
  return Div(Real(-3), Prod({Real(2), S()}, 1));
}

TEST(Builders, DeadTimeTreesOnEachKindOfElement) {
  const struct {
    const char* name;
    CMcBasic* (*rhs)();
    DeadTimeSpec spec;
    const char* text;
  } rows[] = {
      // Np and Dp divided by Dp's leading coefficient: Dp is monic.
      {"order 1, fixed 2, on a fraction",
       FirstOrderLag,
       {0, 0, 2.0, 1, true},
       "{(1 - s)}/{(s + 1)*(1 + s)}"},
      {"negative amount",
       FirstOrderLag,
       {0, 0, -2.0, 2, true},
       "{(2 - -2*s + s^2)}/{(s + 1)*(2 + -2*s + s^2)}"},
      {"signed parts move onto the fraction",
       SignedFraction,
       {0, 0, 2.0, 1, true},
       "{3*(1 - s)}/{2*s*(1 + s)}"},
      {"an element that is no fraction",
       []() -> CMcBasic* { return Variable("a"); },
       {0, 0, 4.0, 2, true},
       "{a*(0.5 - 1*s + s^2)}/{(0.5 + 1*s + s^2)}"},
      {"a negated element keeps its sign on the product",
       [] { return Real(-3); },
       {0, 0, 2.0, 1, true},
       "{-3*(1 - s)}/{(1 + s)}"},
      // 1 + x + x^2/2 with x = s tau / 2, over its s^2 coefficient tau^2 / 8.
      {"variable, order 2",
       [] { return Real(1); },
       {0, 0, 0.4, 2, false},
       "{1*({8}/{tau_11K^2} - {4*s}/{tau_11K} + s^2)}/"
       "{({8}/{tau_11K^2} + {4*s}/{tau_11K} + s^2)}"},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    CVARvalues vars;
    auto k = Definition("K", row.rhs());
    ASSERT_TRUE(AddDeadTime(k.get(), kModelK, row.spec, &vars));
    EXPECT_EQ(RightText(k), row.text);
    if (!row.spec.fixed) {
      EXPECT_EQ(ValueOf(vars, "t", "11K", 0x10), row.spec.amount);
    }
  }
}

TEST(Builders, RefusedDeadTimesChangeNothing) {
  const DeadTimeSpec specs[] = {
      {2, 0, 1.0, 1, true},    // row beyond the 2 x 3 matrix
      {0, 3, 1.0, 1, true},    // column beyond it
      {-1, 0, 1.0, 1, true},   // negative row
      {0, 0, 1.0, 0, true},    // order below 1
      {0, 0, 1.0, 101, true},  // order beyond the dialog's range
  };
  for (const DeadTimeSpec& spec : specs) {
    CVARvalues vars;
    auto g = Definition("G", Numbers(2, 3));
    const std::string before = RightText(g);
    EXPECT_FALSE(AddDeadTime(g.get(), kModelG, spec, &vars));
    EXPECT_EQ(RightText(g), before);
  }
}

// exp(0) = 1 at every order: a fixed amount of 0 leaves the element as it
// is, a variable one writes the form with tau at 0; orders outside the
// dialog's range stay refused.
TEST(Builders, ADeadTimeOfZeroIsTheFactorOne) {
  for (int order : {1, 4, 5, 100}) {
    SCOPED_TRACE(order);
    EXPECT_TRUE(DeadTimeFitsDoubles(0.0, order));
    CVARvalues vars;
    auto g = Definition("G", Numbers(2, 3));
    const std::string before = RightText(g);
    EXPECT_TRUE(AddDeadTime(g.get(), kModelG, {1, 2, 0.0, order, true}, &vars));
    EXPECT_EQ(RightText(g), before);
    EXPECT_TRUE(AddDeadTime(g.get(), kModelG, {1, 2, -0.0, order, false}, &vars));
    EXPECT_NE(RightText(g), before);
    EXPECT_EQ(ValueOf(vars, "t", "23G", 0x10), 0.0);
  }
  for (int order : {0, 101}) EXPECT_FALSE(DeadTimeFitsDoubles(0.0, order));
}

// The coefficients c_k (ascending in s) of a built sum c_0 + c_1 s + ... +
// c_n s^n (fixed dead time): term 0 is a number, the last the bare power of
// s, the others a number times s^k; each sign on the term or its number.
std::vector<double> SumCoefficients(const CMcBasic* sum) {
  std::vector<double> c;
  const int last = sum->m_count - 1;
  for (int k = 0; k <= last; ++k) {
    const CMcBasic* term = sum->m_children[k];
    const CMcBasic* number = k == 0 ? term : k == last ? nullptr : term->m_children[0];
    const WORD flags = term->m_flags ^ (number && number != term ? number->m_flags : 0);
    const double value = number ? static_cast<const CMcReal*>(number)->m_value : 1.0;
    c.push_back((flags & 1) ? -value : value);
  }
  return c;
}

struct Approximant {
  std::vector<double> num, den;
};
// The built approximant divided by its denominator's constant term, the
// form of the series and of the reference (q_0 = 1).
Approximant BuildFixed(double amount, int order) {
  auto g = Definition("G", Real(1));
  EXPECT_TRUE(AddDeadTime(g.get(), kModelG, {0, 0, amount, order, true}, nullptr));
  const CMcBasic* fraction = g->m_children[1];
  Approximant a{SumCoefficients(fraction->m_children[0]->m_children[1]),
                SumCoefficients(fraction->m_children[1])};
  const double q0 = a.den.empty() ? 1.0 : a.den[0];
  for (double& c : a.num) c /= q0;
  for (double& c : a.den) c /= q0;
  return a;
}

TEST(Builders, TheCutSeriesUpToOrderFourThenThePadeApproximant) {
  // Orders 1 to 4: exactly (-x)^k / k! over x^k / k!, x = s (T = 2).
  for (int n = 1; n <= 4; ++n) {
    const Approximant a = BuildFixed(2.0, n);
    ASSERT_EQ(a.den.size(), static_cast<size_t>(n + 1));
    for (int k = 0; k <= n; ++k) {
      const double factorial = std::tgamma(k + 1);
      EXPECT_EQ(a.den[k], 1.0 / factorial) << n << "," << k;
      EXPECT_EQ(a.num[k], (k % 2 ? -1.0 : 1.0) / factorial) << n << "," << k;
    }
  }
  // Orders 5 to 10: the n/n Pade approximant of exp(-sT), in powers of z = sT.
  int compared = 0;
  for (const PadeReferenceCase& ref : kPadeReference) {
    for (double amount : {2.0, 0.3, 7.5}) {
      const Approximant a = BuildFixed(amount, ref.order);
      ASSERT_EQ(a.num.size(), static_cast<size_t>(ref.order + 1));
      for (int k = 0; k <= ref.order; ++k, ++compared) {
        const double p = ref.p[k] * std::pow(amount, k), q = ref.q[k] * std::pow(amount, k);
        EXPECT_NEAR(a.num[k], p, 1e-12 * std::fabs(p))
            << ref.order << " T " << amount << " k " << k;
        EXPECT_NEAR(a.den[k], q, 1e-12 * std::fabs(q))
            << ref.order << " T " << amount << " k " << k;
      }
    }
  }
  EXPECT_EQ(compared, 3 * (6 + 7 + 8 + 9 + 10 + 11));
}

TEST(Builders, EveryOrderUpToThirtyHasItsPolesLeftOfTheAxis) {
  for (int n = 1; n <= 30; ++n) {
    const Approximant a = BuildFixed(2.0, n);
    std::vector<McComplex> roots(n + 1);
    ASSERT_NE(PolyRoots(n, a.den.data(), roots.data(), true), nullptr) << n;
    double rightmost = -INFINITY;
    for (int k = 1; k <= n; ++k) rightmost = std::max(rightmost, roots[k].re);
    EXPECT_LT(rightmost, 0.0) << "order " << n;
  }
}

}  // namespace
