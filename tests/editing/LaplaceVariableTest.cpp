// The Laplace variable wherever the editor puts it: inside a small fraction
// or an exponent s is drawn a size level smaller, and a signed factor of a
// product is drawn in parentheses, yet it is still s. Typed through the
// editor engine, and read from stored records that carry those bits.
#include "tests/editing/EditorScript.h"

#include "QorexDoc.h"
#include "simulation/SIMpoly.h"
#include "simulation/SIMtrnfn.h"

#include <ostream>
#include <vector>

namespace {

using edtest::EditScene;
using qxtest::trees::Div;
using qxtest::trees::Pow;
using qxtest::trees::Prod;
using qxtest::trees::Real;
using qxtest::trees::S;
using qxtest::trees::Sum;
using qxtest::trees::Variable;

constexpr WORD kLevel1 = 0x40, kLevel2 = 0x80, kParentheses = 0x04, kMinus = 0x01;

// The node with extra flag bits.
template <class Node>
Node* With(Node* node, WORD bits) {
  node->m_flags = static_cast<WORD>(node->m_flags | bits);
  return node;
}

// Numerator and denominator, ascending in s, scaled so the denominator's
// lowest nonzero coefficient is 1; empty when the conversion set the
// evaluation error flag.
struct Converted {
  std::vector<double> num, den;
  bool operator==(const Converted&) const = default;
  friend void PrintTo(const Converted& c, std::ostream* os) {
    *os << "num";
    for (double v : c.num) *os << " " << v;
    *os << " den";
    for (double v : c.den) *os << " " << v;
  }
};

Converted Convert(const CMcBasic* expr) {
  CQorexDoc doc;
  doc.m_vars.BindVariables(const_cast<CMcBasic*>(expr));
  g_bEvalError = 0;
  CSIMtrnfn tf;
  tf.FromExpr(&doc, expr);
  const bool failed = g_bEvalError != 0;
  g_bEvalError = 0;
  if (failed) return {};
  double scale = 0.0;
  for (int k = 0; k < tf.m_nDen && scale == 0.0; ++k) scale = tf.m_den[k];
  Converted c;
  for (int k = 0; k < tf.m_nNum; ++k) c.num.push_back(tf.m_num[k] / scale);
  for (int k = 0; k < tf.m_nDen; ++k) c.den.push_back(tf.m_den[k] / scale);
  return c;
}

TEST(LaplaceVariable, TypedInsideASmallFractionOrAnExponent) {
  const struct {
    const char* script;
    const char* tree;  // what the editor made of it
    Converted expected;
  } rows[] = {
      {"1\\s+1", "Division(1[L1],Listsum(s[L1],1[L1]@1)[L1])[v1]", {{1}, {1, 1}}},
      {"1\\s^2", "Division(1[L1],Power(s[L1],2[L2]@1)[L1])[v1]", {{1}, {0, 0, 1}}},
      // A non-constant exponent is refused, as everywhere.
      {"e^(-s)", "Power(e[c],Operator(-s[L1]@1)[L1,k22])", {}},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.script);
    EditScene scene;
    scene.BeginEmpty();
    scene.Type(row.script);
    ASSERT_EQ(scene.Text(), row.tree);
    EXPECT_EQ(Convert(scene.Expression()), row.expected);
  }
}

// 1 / (s + 1) typed as a small fraction, under the default design's unit
// feedback, settles at 1/2 (read as 1 / (1 + 1) it settled at 1/3).
TEST(LaplaceVariable, ATypedSmallFractionIsTheModelItReads) {
  EditScene scene;
  scene.BeginEmpty();
  scene.Type("1\\s+1");
  CQorexDoc doc;
  CMcBasic* g = doc.ModelElement(2, 0, 0);
  ASSERT_NE(g, nullptr);
  g->m_parent->ReplaceChild(scene.Expression()->Clone(), g);
  delete g;
  doc.UpdateUsedVariables();
  doc.Recalculate();
  EXPECT_NEAR(doc.m_system.m_yd.At(0, 599), 0.5, 1e-6);
}

// Records stored with the drawing bits on s (a design saved before s was read
// there) load and convert as their formulas read.
TEST(LaplaceVariable, StoredRecordsWithSizeAndParenthesesBits) {
  const struct {
    const char* name;
    CMcBasic* tree;
    Converted expected;
  } rows[] = {
      {"1 / (s + 1), small",
       Div(With(Real(1), kLevel1), With(Sum({With(S(), kLevel1), With(Real(1), kLevel1)}), kLevel1),
           0x10),
       {{1}, {1, 1}}},
      {"1 / (2 (-s) + 1), -s drawn in parentheses",
       Div(Real(1), Sum({Prod({Real(2), With(S(), kMinus | kParentheses)}), Real(1)})),
       {{1}, {1, -2}}},
      {"1 / s^3, small",
       Div(With(Real(1), kLevel1), With(Pow(With(S(), kLevel1), With(Real(3), kLevel2)), kLevel1),
           0x10),
       {{1}, {0, 0, 0, 1}}},
      {"(-s) / (s + 1), small and in parentheses",
       Div(With(S(), kMinus | kParentheses | kLevel1),
           With(Sum({With(S(), kLevel1), With(Real(1), kLevel1)}), kLevel1), 0x10),
       {{0, -1}, {1, 1}}},
      {"e^(-s)", Pow(Variable("e", 0x100), With(S(), kMinus | kLevel1)), {}},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    const std::unique_ptr<CMcBasic> tree(row.tree);
    const std::unique_ptr<CMcBasic> loaded = qxtest::trees::Load(qxtest::trees::Record(tree.get()));
    ASSERT_NE(loaded, nullptr);
    EXPECT_EQ(Convert(loaded.get()), row.expected);
  }
}

}  // namespace
