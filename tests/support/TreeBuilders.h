#pragma once
// Expression trees for tests and benchmarks: builders of every common node,
// stand-in nodes of chosen type words and boxes, and the readers that
// evaluate, store, load and measure a tree. The caller owns what a builder
// returns, as a parent owns its children.
#include "MC/MC_BASIC.h"
#include "MC/MC_POWER.h"
#include "MC/MC_REAL.h"
#include "MC/McComplex.h"
#include "MC/McKinds.h"
#include "MC/Mc_division.h"
#include "MC/Mc_function.h"
#include "MC/Mc_listmult.h"
#include "MC/Mc_listsum.h"
#include "MC/Mc_matrix.h"
#include "MC/Mc_variable.h"
#include "QorexDoc.h"
#include "platform/core/Archive.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <memory>
#include <span>
#include <string>
#include <vector>

namespace qxtest::trees {

// ---- builders ------------------------------------------------------------------
// The builders of one-kind-of-many nodes return the node base, so that they
// mix in conditional expressions.

// A number node of value v: a negative v is its magnitude under a minus sign.
inline CMcBasic* Real(double v, WORD flags = 0) {
  return new CMcReal(std::abs(v), static_cast<WORD>(flags ^ (std::signbit(v) ? 1 : 0)));
}

inline CMcVariable* Variable(const char* name, WORD flags = 0, const char* subscript = "") {
  return new CMcVariable(name, subscript, flags);
}

// The Laplace variable s, as a model writes it.
inline CMcVariable* S() {
  return Variable("s");
}

// The time variable bound to its table entry.
inline CMcVariable* Time(WORD flags = 0) {
  CMcVariable* t = Variable("t", flags);
  t->m_index = 1;
  return t;
}

inline CMcFunction* Fn(const char* name, CMcBasic* argument, WORD flags = 0, const char* sub = "") {
  return new CMcFunction(argument, name, sub, flags);
}

// A matrix of the given column count, its cells row by row.
inline CMcMatrix* Matrix(int columns, std::vector<CMcBasic*> cells, WORD flags = 0) {
  auto* m = new CMcMatrix(flags);
  for (CMcBasic* cell : cells) m->AppendChild(cell);
  m->SetColumns(static_cast<WORD>(columns));
  return m;
}

// The n x n identity matrix.
inline CMcMatrix* Identity(int n) {
  std::vector<CMcBasic*> cells;
  for (int i = 0; i < n * n; ++i) cells.push_back(Real(i % (n + 1) == 0 ? 1 : 0));
  return Matrix(n, cells);
}

// A node of an n-ary kind (sum, product, list body ...) with these children.
template <class List>
List* ListOf(WORD flags, std::vector<CMcBasic*> items) {
  auto* list = new List(flags);
  for (CMcBasic* item : items) list->AppendChild(item);
  return list;
}

inline CMcBasic* Sum(std::vector<CMcBasic*> terms, WORD flags = 0) {
  return ListOf<CMcListsum>(flags, std::move(terms));
}

inline CMcBasic* Prod(std::vector<CMcBasic*> factors, WORD flags = 0) {
  return ListOf<CMcListmult>(flags, std::move(factors));
}

inline CMcBasic* Pow(CMcBasic* base, CMcBasic* exponent, WORD flags = 0) {
  return new CMcPower(base, exponent, flags);
}

inline CMcBasic* Div(CMcBasic* numerator, CMcBasic* denominator, WORD flags = 0) {
  return new CMcDivision(numerator, denominator, flags);
}

// c0 + c1 s + c2 s^2 + ... (ascending), as a sum of products; zero terms are
// left out, a single term stands alone and no term is the number 0, as the
// program writes polynomials (a sum of fewer than two terms does not load).
inline CMcBasic* PolyExpr(const std::vector<double>& c) {
  std::vector<CMcBasic*> terms;
  for (size_t i = 0; i < c.size(); ++i) {
    if (c[i] == 0.0) continue;
    terms.push_back(i == 0   ? Real(c[i])
                    : i == 1 ? Prod({Real(c[i]), S()})
                             : Prod({Real(c[i]), Pow(S(), Real(double(i)))}));
  }
  if (terms.empty()) return Real(0);
  if (terms.size() == 1) return terms[0];
  return Sum(std::move(terms));
}

// The transfer function num / den of ascending coefficients.
inline CMcBasic* Tf(const std::vector<double>& num, const std::vector<double>& den) {
  return Div(PolyExpr(num), PolyExpr(den));
}

// ---- stand-in nodes ------------------------------------------------------------

// A type word whose code names no kind: a record of it loads as no node.
constexpr WORD kUnknownType = McTypeWord(static_cast<McKindCode>(0x77));

// A composite whose type word the test chooses (a sum's, a power's ...), to
// see what the base and a child do under such a parent.
class TestNode : public CMcBasic {
 public:
  explicit TestNode(WORD type, WORD flags = 0) : CMcBasic(flags), m_type(type) {}
  WORD GetType() const override { return m_type; }
  CMcBasic* Clone() const override {
    auto* copy = new TestNode(m_type, m_flags);
    for (int i = 0; i < m_count; ++i) copy->AppendChild(m_children[i]->Clone());
    return copy;
  }
  WORD m_type;
};

// A named leaf with a fixed content box; standing in for a variable or
// function base it writes the end of its "name" as a power's exponent offset.
class TestLeaf : public CMcBasic {
 public:
  explicit TestLeaf(std::string name, WORD flags = 0, int width = 10, int height = 20,
                    int baseline = 16, WORD type = kUnknownType)
      : CMcBasic(flags),
        m_name(std::move(name)),
        m_w(width),
        m_h(height),
        m_bl(baseline),
        m_type(type) {}
  WORD GetType() const override { return m_type; }
  CMcBasic* Clone() const override {
    auto* copy = new TestLeaf(m_name, m_flags, m_w, m_h, m_bl, m_type);
    copy->m_nameEnd = m_nameEnd;
    return copy;
  }
  WORD Compare(const CMcBasic* other) const override {
    WORD diff = CMcBasic::Compare(other);
    if (diff & kMcDiffType) return diff;
    if (static_cast<const TestLeaf*>(other)->m_name != m_name) diff |= kMcDiffValue;
    return diff;
  }
  void Draw(CDC*, int, int) const override { ++m_draws; }
  void Layout(CDC* dc, int mode) override {
    m_box.width = m_w;
    m_box.height = m_h;
    m_baseline = static_cast<WORD>(m_bl);
    m_margins = LayoutSignAndParens();
    if (m_nameEnd >= 0) CMcPower::WriteExponentOffset(this, m_margins.left + m_nameEnd);
    RelayoutParent(dc, mode);
  }
  std::string m_name;
  int m_w, m_h, m_bl;
  WORD m_type;
  int m_nameEnd = -1;  // >= 0: writes this offset into a power parent
  CRect m_margins;
  mutable int m_draws = 0;
};

// A nameless leaf of the given box, of the base's own type word unless told.
inline TestLeaf* Box(int width, int height, int baseline, WORD type = McTypeWord(kMcNoKind),
                     WORD flags = 0) {
  return new TestLeaf("", flags, width, height, baseline, type);
}

// A leaf of fixed complex value, negated by its own minus like any node.
class ValueLeaf : public CMcBasic {
 public:
  explicit ValueLeaf(McComplex value, WORD flags = 0) : CMcBasic(flags), m_value(value) {}
  WORD GetType() const override { return McTypeWord(kMcNoKind); }
  McComplex* Evaluate(McComplex* result, CQorexDoc*, CSIMsystem*) const override {
    *result = (m_flags & kMcMinus) ? McComplexNeg(m_value) : m_value;
    return result;
  }
  McComplex* EvaluateVector(CQorexDoc* doc) const override {
    McComplex* values = McNewVector(McStepCount(doc));
    for (int k = 0; k < McStepCount(doc); ++k) Evaluate(&values[k], doc, nullptr);
    return values;
  }
  CMcBasic* Clone() const override { return new ValueLeaf(m_value, m_flags); }
  McComplex m_value;
};

// ---- readers ---------------------------------------------------------------------

// The value at the document's current step (its own loop system), or with
// neither document nor system.
inline McComplex Eval(const CMcBasic* node, CQorexDoc* doc = nullptr) {
  McComplex v{-99.0, -99.0};
  node->Evaluate(&v, doc, doc ? &doc->m_system : nullptr);
  return v;
}

// The value at step k of the document's loop.
inline McComplex EvalAt(const CMcBasic* node, CQorexDoc* doc, int k) {
  doc->m_system.m_nStep = k;
  return Eval(node, doc);
}

// Whether an evaluation since the last call raised the error flag; clears it.
inline bool TakeEvalError() {
  const bool raised = g_bEvalError != 0;
  g_bEvalError = 0;
  return raised;
}

// The node's record.
inline std::vector<BYTE> Record(const CMcBasic* node) {
  CArchive out(CArchive::store);
  node->Store(out);
  return out.TakeStoredBytes();
}

// The tree a record loads as, or null.
inline std::unique_ptr<CMcBasic> Load(std::span<const BYTE> bytes) {
  CArchive in(bytes);
  return std::unique_ptr<CMcBasic>(CMcBasic::LoadNode(in));
}

// a within tol of b, relative to |b| when |b| > 1.
inline bool Near(const McComplex& a, const McComplex& b, double tol = 1e-12) {
  const double scale = std::max(1.0, std::hypot(b.re, b.im));
  return std::abs(a.re - b.re) <= tol * scale && std::abs(a.im - b.im) <= tol * scale;
}

// A laid-out node as text: "width x height / baseline", then where each child
// stands, "x,y".
inline std::string Geometry(const CMcBasic* node) {
  char text[40];
  std::snprintf(text, sizeof text, "%dx%d/%d", int{node->m_box.width}, int{node->m_box.height},
                int{node->m_baseline});
  std::string s = text;
  for (int i = 0; i < node->m_count; ++i) {
    const McBox& b = node->m_children[i]->m_box;
    std::snprintf(text, sizeof text, " %d,%d", int{b.x}, int{b.y});
    s += text;
  }
  return s;
}

}  // namespace qxtest::trees
