// Model elements at the edges of what the conversion can compute: the limit
// where a design variable the element divides by is exactly 0, and values
// whose products leave the range of doubles. Held against a table worked out
// in exact rationals (data/make_limit_reference.py) and against generated
// elements evaluated near 0 by the generator itself.
#include "simulation/SIMpoly.h"
#include "simulation/SIMtrnfn.h"

#include "SimTestSupport.h"
#include "bench/SplitMix64.h"
#include "data/LimitReference.h"
#include "MC/Mc_equality.h"
#include "MC/Mc_operator.h"

#include <cctype>
#include <cstdlib>
#include <cstring>
#include <sstream>

namespace {

using namespace simtest;

// An element written as text: + - * / ^ and parentheses over numbers and
// one-letter names (s the Laplace variable), built as the editor builds them:
// n-ary sums with the minus on the term, n-ary products, binary divisions. A
// term written "+- J" carries the plus-minus sign (a pair factor's J); abs,
// floor and ceil are the operators, [x >= y] the relation.
class TextTree {
 public:
  static CMcBasic* Of(const char* text) {
    TextTree t(text);
    CMcBasic* e = t.SumOf();
    EXPECT_EQ(*t.m_p, '\0') << text;
    return e;
  }

 private:
  explicit TextTree(const char* text) : m_p(text) {}
  bool Take(char c) {
    while (*m_p == ' ') ++m_p;
    if (*m_p != c) return false;
    ++m_p;
    return true;
  }
  CMcBasic* SumOf() {
    std::vector<CMcBasic*> terms;
    for (WORD sign = Take('-') ? kMcMinus : 0;;) {
      terms.push_back(Term());
      terms.back()->m_flags ^= sign;
      if (Take('+')) {
        sign = Take('-') ? kMcPlusMinus : 0;
      } else if (Take('-')) {
        sign = kMcMinus;
      } else {
        return terms.size() == 1 ? terms[0] : Sum(terms);
      }
    }
  }
  CMcBasic* Term() {
    CMcBasic* node = Power();
    for (bool product = false;;) {
      if (Take('*')) {
        CMcBasic* f = Power();
        product ? node->AppendChild(f) : void(node = Prod({node, f}));
        product = true;
      } else if (Take('/')) {
        node = Div(node, Power());
        product = false;
      } else {
        return node;
      }
    }
  }
  CMcBasic* Power() {
    CMcBasic* base = Atom();
    if (!Take('^')) return base;
    const bool minus = Take('-');
    CMcBasic* exponent = Atom();
    if (minus) exponent->m_flags ^= kMcMinus;
    return Pow(base, exponent);
  }
  CMcBasic* Atom() {
    if (Take('(')) {
      CMcBasic* e = SumOf();
      EXPECT_TRUE(Take(')'));
      return e;
    }
    if (Take('[')) {
      CMcBasic* left = SumOf();
      EXPECT_TRUE(Take('>') && Take('='));
      CMcBasic* right = SumOf();
      EXPECT_TRUE(Take(']'));
      return new CMcEquality(left, right, McRelationFlags(kMcRelGreaterOrEqual));
    }
    for (const auto& [name, code] : {std::pair{"abs(", CMcOperator::kAbsolute},
                                     {"floor(", CMcOperator::kFloor},
                                     {"ceil(", CMcOperator::kCeiling}}) {
      if (std::strncmp(m_p, name, std::strlen(name)) != 0) continue;
      m_p += std::strlen(name);
      CMcBasic* operand = SumOf();
      EXPECT_TRUE(Take(')'));
      return new CMcOperator(operand, CMcOperator::Flags(code));
    }
    if (std::isalpha(static_cast<unsigned char>(*m_p))) {
      const char name[2] = {*m_p++, '\0'};
      return name[0] == 's' ? S() : Variable(name);
    }
    char* end = nullptr;
    const double v = std::strtod(m_p, &end);
    EXPECT_NE(end, m_p) << m_p;
    m_p = end;
    return Real(v);
  }
  const char* m_p;
};

void Unbind(CMcBasic* node, const std::string& name) {
  if (McIsKind(node, kMcVariable) && static_cast<CMcVariable*>(node)->GetVarName() == name)
    static_cast<CMcVariable*>(node)->m_index = CMcVariable::kUnbound;
  for (int i = 0; i < node->m_count; ++i) Unbind(node->m_children[i], name);
}

// numerator / denominator in a document whose variables hold the values
// "a=1e-200", "k->0" (0, the limit's variable) or "q=?" (no table entry). A
// numerator written "-(...)" negates the element: its minus goes on the
// division, where the editor puts the minus of -(x)/y.
struct Element {
  CQorexDoc doc;
  Node tree;
  bool limit = false;
  bool negated = false;
  Element(const char* numerator, const char* denominator, const char* values)
      : tree(Div(TextTree::Of(numerator), TextTree::Of(denominator))) {
    if (std::strncmp(numerator, "-(", 2) == 0) {
      negated = true;
      tree->m_children[0]->m_flags ^= kMcMinus;
      tree->m_flags ^= kMcMinus;
    }
    doc.m_vars.BindVariables(tree.get());
    std::istringstream in(values);
    for (std::string item; in >> item;) {
      const std::string name = item.substr(0, 1), value = item.substr(item.find_first_of("=>") + 1);
      limit = limit || item.find("->") != std::string::npos;
      if (value == "?") {
        Unbind(tree.get(), name);
      } else {
        doc.m_vars.m_pValue[doc.m_vars.Find(name.c_str(), "", 0)] = std::strtod(value.c_str(), 0);
      }
    }
  }
  const CMcBasic* Part(int i) const { return tree->m_children[i]; }
};

// Coefficients up to the last nonzero one, divided by the denominator's leading one.
std::vector<double> Normalised(std::vector<double> p, const std::vector<double>& den) {
  std::vector<double> d = den;
  while (d.size() > 1 && d.back() == 0.0) d.pop_back();
  while (p.size() > 1 && p.back() == 0.0) p.pop_back();
  for (double& c : p) c /= d.back();
  return p;
}

// The same element as the reference: each coefficient within 1e-13 of its
// own size, so that a reference 0 is met only by an exact 0.
void ExpectReference(const Poly& num, const Poly& den, const LimitReferenceCase& ref) {
  const std::vector<double> refNum(ref.num, ref.num + ref.nNum),
      refDen(ref.den, ref.den + ref.nDen);
  for (const auto& [got, want] : {std::pair{Normalised(num, den), Normalised(refNum, refDen)},
                                  std::pair{Normalised(den, den), Normalised(refDen, refDen)}}) {
    ASSERT_EQ(got.size(), want.size());
    for (size_t i = 0; i < got.size(); ++i)
      EXPECT_NEAR(got[i], want[i], 1e-13 * std::fabs(want[i])) << "coefficient " << i;
  }
}

TEST(LimitAtZero, ElementsMeetTheirExactValuesOrAreRefused) {
  for (const LimitReferenceCase& ref : kLimitReference) {
    SCOPED_TRACE(testing::Message() << "(" << ref.numerator << ") / (" << ref.denominator << ") at "
                                    << ref.values << ": " << ref.note);
    Element e(ref.numerator, ref.denominator, ref.values);
    g_bEvalError = 0;
    CSIMtrnfn t;
    t.FromExpr(&e.doc, e.tree.get());
    EXPECT_EQ(g_bEvalError == 0, ref.taken);
    if (g_bEvalError == 0 && ref.taken)
      ExpectReference(Poly(t.m_num.begin(), t.m_num.begin() + t.m_nNum),
                      Poly(t.m_den.begin(), t.m_den.begin() + t.m_nDen), ref);
    if (!e.limit) continue;
    // The rule itself, whatever the rest of the conversion would add; the
    // sign of a negated division is the conversion's, not the parts'.
    Poly num, den;
    const bool taken = ExprToPolyLimitAtZero(&e.doc, e.Part(0), e.Part(1), &num, &den);
    if (e.negated)
      for (double& c : num) c = -c;
    EXPECT_EQ(taken, ref.taken);
    if (taken && ref.taken) ExpectReference(num, den, ref);
  }
  g_bEvalError = 0;
}

// The loop of a refused element is in its error state and says so.
TEST(LimitAtZero, ARefusedElementPutsTheLoopInItsErrorState) {
  const struct {
    const char *numerator, *denominator;
    double a;
  } rows[] = {{"(a^2/a)/a", "1", 1e-200},
              {"10.1/a + 20.2/a - 30.3/a + 1", "30.3/a - 10.1/a - 20.2/a + s + 2", 0.0}};
  for (const auto& r : rows) {
    SCOPED_TRACE(r.numerator);
    CQorexDoc doc;
    SetModel(doc, kModelK, Div(TextTree::Of(r.numerator), TextTree::Of(r.denominator)));
    doc.m_vars.m_pValue[doc.m_vars.Find("a", "", 0)] = r.a;
    doc.Recalculate();
    EXPECT_EQ(doc.m_system.m_nError, kSimModelInvalid);
    EXPECT_EQ(doc.m_system.m_nInvalidModels, 1u << kModelK);
    EXPECT_EQ(doc.LoopStateText().Find("The Controller model cannot be turned into transfer"), 0);
  }
}

// ---- generated elements ---------------------------------------------------------

// c s^i k^j.
struct Term {
  double c;
  int i, j;
};

CMcBasic* PowerOf(CMcBasic* base, int n) {
  return n == 1 ? base : Pow(base, Real(n));
}

CMcBasic* TermTree(double c, int i, int j) {
  CMcBasic* t = i == 0 ? Real(c) : Prod({Real(c), PowerOf(S(), i)});
  if (j < 0) return Div(t, PowerOf(Variable("k"), -j));
  return j == 0 ? t : Prod({t, PowerOf(Variable("k"), j)});
}

// Decimal triples whose sum is 0, though not in doubles, but for the last.
constexpr double kTriples[][3] = {
    {10.1, 20.2, 30.3}, {100.1, 200.2, 300.3}, {0.1, 0.2, 0.3}, {1.1, 2.2, 3.3}, {0.5, 0.25, 0.75}};

// A product of sums of terms, built as a tree and kept as the terms it is
// truly made of; groups that cancel, or hide a term in their rounding, may be
// written in beside them.
struct GeneratedPart {
  std::vector<std::vector<Term>> factors;
  CMcBasic* tree = nullptr;
  bool divides = false;  // by k somewhere

  // Lowest power of k: the sum of the factors' lowest powers.
  int Lowest() const {
    int m = 0;
    for (const auto& f : factors)
      m += std::min_element(f.begin(), f.end(), [](Term a, Term b) { return a.j < b.j; })->j;
    return m;
  }
  cd Value(cd s, double k) const {
    cd v = 1.0;
    for (const auto& f : factors) {
      cd sum = 0.0;
      for (const Term& t : f) sum += t.c * std::pow(s, t.i) * std::pow(k, t.j);
      v *= sum;
    }
    return v;
  }
};

GeneratedPart Generate(qxbench::SplitMix64& rng, bool withGroups) {
  auto pick = [&](int n) { return static_cast<int>(rng.Next() % n); };
  GeneratedPart part;
  std::vector<CMcBasic*> factorTrees;
  for (int f = 1 + pick(2); f > 0; --f) {
    std::vector<Term> terms;
    std::vector<CMcBasic*> trees;
    auto has = [&](int i, int j) {
      return std::any_of(terms.begin(), terms.end(), [&](Term u) { return u.i == i && u.j == j; });
    };
    for (int n = 1 + pick(3); n > 0; --n) {
      const Term t{(pick(2) ? 1 : -1) * (0.5 + 1.5 * rng.Uniform()), pick(3), pick(4) - 2};
      if (has(t.i, t.j)) continue;  // one coefficient per power, so that no two cancel
      terms.push_back(t);
      trees.push_back(TermTree(t.c, t.i, t.j));
      part.divides = part.divides || t.j < 0;
    }
    const int i = pick(3), j = -1 - pick(2);
    const int kind = pick(3);
    if (withGroups && pick(2) && !has(i, j + 1) && !(kind == 2 && has(i, j))) {
      part.divides = true;
      if (kind == 0) {  // exactly 0, as decimals
        const double* d = kTriples[pick(std::size(kTriples))];
        trees.push_back(TermTree(d[0], i, j));
        trees.push_back(TermTree(d[1], i, j));
        trees.push_back(TermTree(-d[2], i, j));
      } else if (kind ==
                 1) {  // (c + c2 k) s^i k^j - c s^i k^j: the term c2 s^i k^(j + 1), once cancelled
        const double c = 1.0 + rng.Uniform(), c2 = 0.5 + rng.Uniform();
        CMcBasic* sum = Sum({Real(c), Prod({Real(c2), Variable("k")})});
        trees.push_back(
            Div(i == 0 ? sum : Prod({sum, PowerOf(S(), i)}), PowerOf(Variable("k"), -j)));
        trees.push_back(TermTree(-c, i, j));
        terms.push_back({c2, i, j + 1});
      } else {  // 1e16 + c - 1e16: the term c s^i k^j, lost in the rounding of doubles
        const double c = (pick(2) ? 1 : -1) * (0.5 + rng.Uniform());
        trees.push_back(TermTree(1e16, i, j));
        trees.push_back(TermTree(c, i, j));
        trees.push_back(TermTree(-1e16, i, j));
        terms.push_back({c, i, j});
      }
    }
    part.factors.push_back(terms);
    factorTrees.push_back(trees.size() == 1 ? trees[0] : Sum(trees));
  }
  part.tree = factorTrees.size() == 1 ? factorTrees[0] : Prod(factorTrees);
  return part;
}

// |N den - D num| against |N den| + |D num| at points off the axes: the
// accepted limit num / den is the element N / D near k = 0.
double Mismatch(const GeneratedPart& n, const GeneratedPart& d, const Poly& num, const Poly& den,
                double k) {
  double worst = 0.0;
  for (cd s : {cd(0.0, 0.7), cd(-0.3, 1.1), cd(2.0, 0.0)}) {
    const cd a = n.Value(s, k) * Eval(den.data(), static_cast<int>(den.size()), s);
    const cd b = d.Value(s, k) * Eval(num.data(), static_cast<int>(num.size()), s);
    worst = std::max(worst, std::abs(a - b) / (std::abs(a) + std::abs(b)));
  }
  return worst;
}

// Generated elements N / D, each part a product of sums of c s^i k^j with k at
// 0. Without cancelling groups the limit is taken exactly when both parts
// have the same lowest power of k, that is, when the element neither
// vanishes nor grows without bound; with them an answer may be refused, but
// one that is given is the element's. At k = +-1e-7 an accepted limit agrees
// with the element to 1e-4 (the next power of k is at most some 1e-6 of the
// lowest in these elements).
TEST(LimitAtZero, GeneratedElementsTakeTheirLimitOrDivergeOrVanish) {
  const std::uint64_t seed = 20261208;
  std::printf("generated elements, seed %llu\n", static_cast<unsigned long long>(seed));
  qxbench::SplitMix64 rng{seed};
  int taken[2] = {0, 0};
  for (int n = 0; n < 1000; ++n) {
    const bool withGroups = n % 2 == 1;
    const GeneratedPart num = Generate(rng, withGroups), den = Generate(rng, withGroups);
    Node tree(Div(num.tree, den.tree));
    SCOPED_TRACE(testing::Message() << "element " << n);
    CQorexDoc doc;
    doc.m_vars.BindVariables(tree.get());
    const int k = doc.m_vars.Find("k", "", 0);
    if (k < 0) continue;  // no k anywhere
    doc.m_vars.m_pValue[k] = 0.0;
    Poly pn, pd;
    const bool limit =
        ExprToPolyLimitAtZero(&doc, tree->m_children[0], tree->m_children[1], &pn, &pd);
    if (!withGroups && (num.divides || den.divides)) {
      EXPECT_EQ(limit, num.Lowest() == den.Lowest()) << num.Lowest() << " over " << den.Lowest();
    }
    if (!limit) continue;
    ++taken[withGroups];
    EXPECT_LT(Mismatch(num, den, pn, pd, 1e-7), 1e-4);
    EXPECT_LT(Mismatch(num, den, pn, pd, -1e-7), 1e-4);
  }
  // Both kinds reach the rule's answers, not only its refusals.
  EXPECT_GT(taken[0], 30);
  EXPECT_GT(taken[1], 30);
}

}  // namespace
