// The effective models as formulas: the eleven equalities of each list, their
// right sides checked against the loop's transfer-function matrices formed
// here in complex arithmetic, repeated calls, and records of every item.
#include "SimTestSupport.h"

#include "MC/McKinds.h"
#include "MC/Mc_desktop.h"
#include "MC/Mc_function.h"
#include "MC/Mc_operator.h"
#include "platform/core/Archive.h"
#include "simulation/SIMsystem.h"

#include <array>

namespace {

using namespace simtest;
using CMat = std::vector<std::vector<cd>>;

// A formula as text: names with "_" before a subscript, X(s), products with
// spaces, sums with " + ", the determinant in bars, "/" and "=" spaced.
std::string Text(const CMcBasic* n) {
  // Everything is appended to one string: `"text" + std::string` trips a
  // false -Wrestrict of the compiler.
  auto join = [&](const char* between, const char* open = "", const char* close = "") {
    std::string s = open;
    for (int i = 0; i < n->m_count; ++i) {
      if (i > 0) s.append(between);
      s.append(Text(n->m_children[i]));
    }
    return s.append(close);
  };
  switch (McKindOf(n->GetType())) {
    case kMcVariable: {
      const auto* v = static_cast<const CMcVariable*>(n);
      const std::string sub = v->GetSubscript();
      return std::string(v->GetVarName()).append(sub.empty() ? "" : "_").append(sub);
    }
    case kMcFunction:
      return static_cast<const CMcFunction*>(n)->GetFunctionName() + join("", "(", ")");
    case kMcListmult:
      return join(" ");
    case kMcListsum:
      return join(" + ");
    case kMcOperator:
      return join("", "|", "|");
    case kMcDivision:
      return join(" / ");
    case kMcEquality:
      return join(" = ");
    default:
      return "?";
  }
}

const char* const kLeftSides[] = {"P(s)",
                                  "K(s)",
                                  "G(s)",
                                  "L(s)",
                                  "F(s)",
                                  "G K",
                                  "L G K",
                                  "F L G K",
                                  "I + F L G K",
                                  "|I + F L G K| = F_c/l / F_o/l",
                                  "|F L G K| = F_t/z / F_o/l"};

// Every variable's style on a left side: block names upright and underlined twice (0x500),
// the phi names in the Symbol face (0x10), s plain.
void ExpectStyles(const CMcBasic* n) {
  if (McKindOf(n->GetType()) == kMcVariable) {
    const auto* v = static_cast<const CMcVariable*>(n);
    const std::string name = v->GetVarName();
    const WORD expected = name == "s" ? 0 : *v->GetSubscript() ? 0x10 : 0x500;
    EXPECT_EQ(n->m_flags, expected) << Text(n);
  }
  for (int i = 0; i < n->m_count; ++i) ExpectStyles(n->m_children[i]);
}

// ---- the reference: block values at a point, multiplied here ------------------

CMat ValueAt(const CSIMtrnmx& m, cd s) {
  CMat v(m.m_nRows, std::vector<cd>(m.m_nCols));
  for (int r = 0; r < m.m_nRows; ++r)
    for (int c = 0; c < m.m_nCols; ++c) v[r][c] = Eval(m.At(r, c), s);
  return v;
}

CMat Times(const CMat& a, const CMat& b) {
  CMat p(a.size(), std::vector<cd>(b[0].size(), 0.0));
  for (size_t r = 0; r < a.size(); ++r)
    for (size_t c = 0; c < b[0].size(); ++c)
      for (size_t k = 0; k < b.size(); ++k) p[r][c] += a[r][k] * b[k][c];
  return p;
}

cd Det(const CMat& m) {
  return m.size() == 1 ? m[0][0] : m[0][0] * m[1][1] - m[0][1] * m[1][0];
}

// The eleven values at s, in the lists' order, from the document's model
// definitions (built afresh in normal form; the loop's own blocks are in
// simulation form).
std::vector<CMat> Reference(CQorexDoc& doc, cd s) {
  std::vector<CMat> blocks;
  for (int i = 0; i < 5; ++i) {
    CSIMtrnmx m;
    m.FromExpr(&doc, doc.m_models.RightSideAt(i));
    blocks.push_back(ValueAt(m, s));
  }
  const CMat& K = blocks[1];
  const CMat& G = blocks[2];
  const CMat& L = blocks[3];
  const CMat& F = blocks[4];
  const CMat gk = Times(G, K), lgk = Times(L, gk), flgk = Times(F, lgk);
  CMat iflgk = flgk;
  for (size_t i = 0; i < iflgk.size(); ++i) iflgk[i][i] += 1.0;
  std::vector<CMat> values = blocks;
  for (const CMat& m : {gk, lgk, flgk, iflgk}) values.push_back(m);
  values.push_back({{Det(iflgk)}});
  values.push_back({{Det(flgk)}});
  return values;
}

// The right side's value at s, converted back as a model would be.
CMat Converted(const CMcBasic* rhs, cd s) {
  CQorexDoc scratch;
  Node copy(rhs->Clone());
  scratch.m_vars.BindVariables(copy.get());
  CSIMtrnmx back;
  g_bEvalError = 0;
  back.FromExpr(&scratch, copy.get());
  EXPECT_EQ(g_bEvalError, 0) << Text(rhs);
  g_bEvalError = 0;
  return ValueAt(back, s);
}

struct Lists {
  CMcDesktop poly{0}, factored{0};
  explicit Lists(CSIMsystem& s) { s.ToExpressions(&poly, &factored); }
};

// Both lists of a loop: the left sides in order, and every right side back
// at three points against the reference within 1e-12.
void ExpectModels(CQorexDoc& doc, bool singleChannel) {
  Lists lists(doc.m_system);
  for (const CMcDesktop* list : {&lists.poly, &lists.factored}) {
    ASSERT_EQ(list->m_count, 11);
    for (int i = 0; i < 11; ++i) {
      const CMcBasic* item = list->m_children[i];
      ASSERT_TRUE(McIsKind(item, kMcEquality));
      if (i == 10 && singleChannel) {
        EXPECT_EQ(Text(item), kLeftSides[i]) << "no value";
        ExpectStyles(item);
        continue;
      }
      EXPECT_EQ(Text(item->m_children[0]), kLeftSides[i]);
      ExpectStyles(item->m_children[0]);
      for (const cd s : {cd(0.3, 0.7), cd(-0.45, 1.9), cd(2.5, 0)}) {
        const CMat expected = Reference(doc, s)[i];
        const CMat value = Converted(item->m_children[1], s);
        ASSERT_EQ(value.size(), expected.size()) << kLeftSides[i];
        ASSERT_EQ(value[0].size(), expected[0].size()) << kLeftSides[i];
        for (size_t r = 0; r < value.size(); ++r)
          for (size_t c = 0; c < value[0].size(); ++c)
            EXPECT_LE(std::abs(value[r][c] - expected[r][c]),
                      1e-12 * std::max(1.0, std::abs(expected[r][c])))
                << kLeftSides[i] << " (" << r << ", " << c << ") at s = " << s;
      }
    }
  }
}

// A 2 x 2 loop with dynamics in every block but the pre-filter.
void MakeDynamicTwoByTwo(CQorexDoc& doc) {
  MakeTwoByTwo(doc, Matrix(2, {Tf({1, 2}, {0.5, 1}), Real(0.5), Real(0), Tf({3}, {1, 1})}), 1, 0,
               0);
  SetModel(doc, kModelL, Matrix(2, {Real(1), Real(0), Tf({0.2}, {1, 1}), Real(1)}));
  SetModel(doc, kModelF, Matrix(2, {Tf({1}, {1, 0.1}), Real(0), Real(0), Tf({1}, {1, 0.1})}));
  doc.Recalculate();
  ASSERT_EQ(doc.m_system.m_nError, kSimOk);
}

// The new design's single loop with a lead controller.
void MakeSingleLoop(CQorexDoc& doc) {
  SetModel(doc, kModelK, Tf({2, 1}, {5, 1}));
  doc.Recalculate();
  ASSERT_EQ(doc.m_system.m_nError, kSimOk);
}

// Denominators of the five blocks, as the loop holds them.
std::vector<std::vector<double>> Denominators(const CSIMsystem& s) {
  std::vector<std::vector<double>> dens;
  for (const CSIMtrnmx* b : {&s.m_P, &s.m_K, &s.m_G, &s.m_L, &s.m_F})
    for (int i = 0; i < b->m_nRows * b->m_nCols; ++i) {
      const CSIMtrnfn& t = b->m_pElements[i];
      dens.emplace_back(t.m_den.begin(), t.m_den.begin() + t.m_nDen);
    }
  return dens;
}

void ExpectNear(const std::vector<std::vector<double>>& a,
                const std::vector<std::vector<double>>& b, double tol) {
  ASSERT_EQ(a.size(), b.size());
  for (size_t i = 0; i < a.size(); ++i) {
    ASSERT_EQ(a[i].size(), b[i].size());
    for (size_t k = 0; k < a[i].size(); ++k)
      EXPECT_NEAR(a[i][k], b[i][k], tol * std::fabs(b[i][k])) << "element " << i << ", " << k;
  }
}

}  // namespace

// The single loop's transmission zeros have no value.
TEST(EffectiveModels, ElevenEqualitiesWithTheLoopsValues) {
  for (bool single : {false, true}) {
    SCOPED_TRACE(single ? "single loop" : "2 x 2 loop");
    CQorexDoc doc;
    single ? MakeSingleLoop(doc) : MakeDynamicTwoByTwo(doc);
    ExpectModels(doc, single);
  }
}

// The blocks are toggled to their normal form and back in each call: two
// calls give the same lists and leave the simulation form, up to the
// rounding of the divisions. Every item stores and loads back.
TEST(EffectiveModels, RepeatedCallsAgreeLeaveTheSimulationFormAndStore) {
  for (bool single : {false, true}) {
    CQorexDoc doc;
    single ? MakeSingleLoop(doc) : MakeDynamicTwoByTwo(doc);
    const auto before = Denominators(doc.m_system);
    CSIMsystem fresh;  // the blocks built afresh and put in simulation form
    CSIMtrnmx* blocks[] = {&fresh.m_P, &fresh.m_K, &fresh.m_G, &fresh.m_L, &fresh.m_F};
    for (int i = 0; i < 5; ++i) {
      blocks[i]->FromExpr(&doc, doc.m_models.RightSideAt(i));
      blocks[i]->PrepareSimulation();
    }
    ExpectNear(before, Denominators(fresh), 1e-15);
    Lists first(doc.m_system), second(doc.m_system);
    for (int i = 0; i < 11; ++i) {
      EXPECT_EQ(first.poly.m_children[i]->Compare(second.poly.m_children[i]), 0) << i;
      EXPECT_EQ(first.factored.m_children[i]->Compare(second.factored.m_children[i]), 0) << i;
    }
    ExpectNear(Denominators(doc.m_system), before, 1e-14);
    for (const CMcDesktop* list : {&first.poly, &first.factored})
      for (int i = 0; i < list->m_count; ++i) {
        CArchive out(CArchive::store);
        list->m_children[i]->Store(out);
        const std::vector<BYTE> bytes = out.TakeStoredBytes();
        CArchive in(std::span<const BYTE>(bytes.data(), bytes.size()));
        Node back(CMcBasic::LoadNode(in));
        ASSERT_NE(back, nullptr) << kLeftSides[i];
        EXPECT_EQ(back->Compare(list->m_children[i]), 0) << kLeftSides[i];
      }
  }
}

// Loops whose conversions write their sparest forms: a zero gain, a lone
// integrator, a single-term polynomial, poles at the origin and on the
// imaginary axis, a numerator of one term over a complex pair. No item may be
// a sum or product of fewer than two children, which would be stored and then
// refused when the design is opened.
TEST(EffectiveModels, ItemsOfSpareLoopsStoreAndLoadBack) {
  using Coefficients = std::vector<double>;
  const struct {
    const char* name;
    Coefficients kNum, kDen, gNum, gDen;
  } rows[] = {
      {"zero controller", {0}, {1}, {1}, {1, 1}},
      {"lone integrators", {1}, {0, 1}, {2}, {0, 1}},
      {"single-term polynomials", {0, 3}, {1, 1}, {0, 0, 1}, {0, 0, 1, 1}},
      {"imaginary poles", {2}, {1}, {1}, {4, 0, 1}},
      {"complex pair and unit gain", {0, 1}, {2, 2, 1}, {-1}, {1, 0, 1}},
      {"negative unit gain", {-1}, {1}, {-1, -1}, {1, 1}},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    CQorexDoc doc;
    SetModel(doc, kModelK, Tf(row.kNum, row.kDen));
    SetModel(doc, kModelG, Tf(row.gNum, row.gDen));
    doc.Recalculate();
    Lists lists(doc.m_system);
    for (const CMcDesktop* list : {&lists.poly, &lists.factored}) {
      ASSERT_EQ(list->m_count, 11);
      for (int i = 0; i < list->m_count; ++i) {
        CArchive out(CArchive::store);
        list->m_children[i]->Store(out);
        const std::vector<BYTE> bytes = out.TakeStoredBytes();
        CArchive in(std::span<const BYTE>(bytes.data(), bytes.size()));
        Node back(CMcBasic::LoadNode(in));
        EXPECT_NE(back, nullptr) << kLeftSides[i];
      }
    }
  }
}
