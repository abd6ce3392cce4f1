#pragma once
// Shared pieces of the symbolic layer's tests: a tree as readable text, the
// checks every symbolic result must pass (parent links, kinds it holds, a
// record that loads back), a holder that gives a tree the parent the
// replacing operations need, values at points of x and y through a document's
// variable table, and a seeded generator of random expressions in x and y.
#include "McTestSupport.h"

#include "MC/MXC_TERM.h"
#include "VARvalues.h"

#include <cstdlib>
#include <random>

namespace mctest {

// ---- reading a tree ---------------------------------------------------------------------

// The tree as infix text with every sign: "-(x+2)", "x^2", "root3(x)",
// "log[2](x)", "d(y)/d(x)", "|x|", "conj(x)", "[1,x;y,2]".
inline std::string Infix(const CMcBasic* node) {
  if (node == nullptr) return "<null>";
  static const char* const kSigns[] = {"", "-", "+-", "-+"};
  std::string s = kSigns[node->GetSign()];
  auto part = [node](int i) { return i < node->m_count ? Infix(node->m_children[i]) : "#"; };
  auto joined = [node](const char* separator) {
    std::string text;
    for (int i = 0; i < node->m_count; ++i) {
      if (i > 0) text += separator;
      text += Infix(node->m_children[i]);
    }
    return text;
  };
  char text[48];
  switch (McKindOf(node->GetType())) {
    case kMcReal:
      std::snprintf(text, sizeof text, "%.15g", static_cast<const CMcReal*>(node)->m_value);
      return s + text;
    case kMcVariable:
      return s + static_cast<const CMcVariable*>(node)->GetVarName() +
             (*static_cast<const CMcVariable*>(node)->GetSubscript() ? "_" : "") +
             static_cast<const CMcVariable*>(node)->GetSubscript();
    case kMcNull:
      return s + "#";
    case kMcFunction:
      return s + static_cast<const CMcFunction*>(node)->GetFunctionName() + "(" + part(0) + ")";
    case kMcListsum:
      return s + "(" + joined("+") + ")";
    case kMcListmult:
      return s + "(" + joined("*") + ")";
    case kMcDivision:
      return s + "(" + part(0) + "/" + part(1) + ")";
    case kMcPower:
      return s + "(" + part(0) + ")^(" + part(1) + ")";
    case kMcRoot:
      return s + "root" + part(1) + "(" + part(0) + ")";
    case kMcLog:
      return s + "log[" + part(1) + "](" + part(0) + ")";
    case kMcDerivative: {
      std::string by;
      for (int i = 1; i < node->m_count; ++i) {
        if (i > 1) by += ",";
        by += part(i);
      }
      return s + (node->m_flags & kMcVariant ? "p" : "d") + "(" + part(0) + ")/d(" + by + ")";
    }
    case kMcIntegral:
      return s + "int(" + part(0) + ",d" + part(3) + ")";
    case kMcOperator: {
      const int code = static_cast<const CMcOperator*>(node)->GetCode();
      if (code == CMcOperator::kAbsolute) return s + "|" + part(0) + "|";
      if (code == CMcOperator::kBracket) return s + "[" + part(0) + "]";
      return s + node->GetName() + "(" + part(0) + ")";
    }
    case kMcMatrix:
      return s + "[" + joined(",") + "]";
    case kMcEquality:
      return s + "(" + part(0) + " " + node->GetName() + " " + part(1) + ")";
    default:
      return s + McKindName(node->GetType()) + "(" + joined(",") + ")";
  }
}

// True when every child's parent link names its parent.
inline bool ParentsRight(const CMcBasic* node) {
  for (int i = 0; i < node->m_count; ++i) {
    const CMcBasic* child = node->m_children[i];
    if (child == nullptr || child->m_parent != node || !ParentsRight(child)) return false;
  }
  return true;
}

// The number of nodes of the kind in the tree.
inline int CountKind(const CMcBasic* node, McKindCode kind) {
  int n = McIsKind(node, kind) ? 1 : 0;
  for (int i = 0; i < node->m_count; ++i) n += CountKind(node->m_children[i], kind);
  return n;
}

inline bool HoldsNaN(const CMcBasic* node) {
  if (node->GetType() == McTypeWord(kMcReal) &&
      std::isnan(static_cast<const CMcReal*>(node)->m_value))
    return true;
  for (int i = 0; i < node->m_count; ++i)
    if (HoldsNaN(node->m_children[i])) return true;
  return false;
}

// Empty when the tree's record loads back to an equal tree (a tree holding a
// NaN number, which never compares equal, to the same record); else what
// went wrong.
inline std::string RoundTripFault(const CMcBasic* tree) {
  const Bytes bytes = Record(tree);
  NodePtr back = Load(bytes);
  if (back == nullptr) return "the record does not load";
  if (HoldsNaN(tree)) return Record(back.get()) == bytes ? "" : "the record changes on reloading";
  const WORD diff = back->Compare(tree);
  return diff == 0 ? "" : "the loaded tree differs: " + std::to_string(diff);
}

// ---- a parent for the replacing operations -----------------------------------------------

// Holds a tree under a determinant operator (whose Perform, Tidy and
// Substitute only recurse), as the term engine's own holder does.
class Held {
 public:
  explicit Held(CMcBasic* tree) : m_holder(new CMcOperator(tree, 0)) {}
  CMcBasic* Tree() const { return m_holder->m_children[0]; }
  // Takes the tree out (the holder keeps an empty node).
  NodePtr Take() {
    NodePtr tree(m_holder->SetChildAt(new CMcNull(0), 0));
    tree->m_parent = nullptr;
    return tree;
  }
  CMcBasic* Holder() const { return m_holder.get(); }

 private:
  NodePtr m_holder;
};

// ---- values at points ----------------------------------------------------------------------

// Evaluates trees in x and y through a document's variable table: a tree is
// bound first, so the e and pi nodes the symbolic layer makes read the
// table's constants.
class Points {
 public:
  Points() : m_doc(std::make_unique<CQorexDoc>()) {}
  McComplex At(CMcBasic* tree, double x, double y) {
    m_doc->m_vars.BindVariables(tree);
    Set("x", x);
    Set("y", y);
    g_bEvalError = 0;
    const McComplex v = Eval(tree, m_doc.get());
    m_error = TakeEvalError();
    return v;
  }
  // Whether the last evaluation raised the error flag.
  bool Failed() const { return m_error; }

 private:
  void Set(const char* name, double value) {
    const int entry = m_doc->m_vars.Find(name, "", 0);
    if (entry >= 0) m_doc->m_vars.m_pValue[entry] = value;
  }
  std::unique_ptr<CQorexDoc> m_doc;
  bool m_error = false;
};

// |a - b| within tol relative to |b|, or absolute below 1; NaN matches NaN.
inline bool Agrees(const McComplex& a, const McComplex& b, double tol) {
  const bool nanA = std::isnan(a.re) || std::isnan(a.im);
  const bool nanB = std::isnan(b.re) || std::isnan(b.im);
  if (nanA || nanB) return nanA && nanB;
  if (std::isinf(a.re) || std::isinf(b.re)) return a.re == b.re;
  const double scale = std::max(1.0, std::hypot(b.re, b.im));
  return std::hypot(a.re - b.re, a.im - b.im) <= tol * scale;
}

// ---- random expressions ------------------------------------------------------------------

// Random expressions in x and y of sums, products, fractions, powers with
// whole, fractional and variable exponents, roots, logarithms, the derivative
// table's functions, absolute values, conjugates and brackets, with random
// minus signs. At every point of [0.5, 2]^2 radicands, logarithm arguments,
// power bases and denominators are positive and the inverse functions'
// arguments lie inside their domains. No j, no arg, no plus-minus signs.
class ExpressionGenerator {
 public:
  explicit ExpressionGenerator(unsigned seed) : m_rng(seed) {}

  // Any value.
  CMcBasic* Any(int depth) {
    if (depth <= 0 || Chance(0.15)) return Signed(Leaf(false));
    switch (Pick(11)) {
      case 0:
      case 1:
        return Signed(
            Sum({Any(depth - 1), Any(depth - 1)}, Chance(0.3) ? Any(depth - 1) : nullptr));
      case 2:
      case 3:
        return Signed(Prod({Any(depth - 1), Any(depth - 1)}));
      case 4:
        return Signed(Div(Any(depth - 1), Positive(depth - 1)));
      case 5:
      case 6:
        return Signed(Function(depth));
      case 7:
        return Signed(new CMcOperator(Any(depth - 1), CMcOperator::Flags(CMcOperator::kBracket)));
      case 8:
        return Signed(new CMcOperator(Any(depth - 1), CMcOperator::Flags(CMcOperator::kConjugate)));
      case 9:
        return Signed(new CMcLog(Positive(depth - 1), LogBase(), 0));
      default:
        return Positive(depth);
    }
  }

  // A value that is positive at every point.
  CMcBasic* Positive(int depth) {
    if (depth <= 0 || Chance(0.2)) return Leaf(true);
    switch (Pick(9)) {
      case 0:
        return Sum({Positive(depth - 1), Positive(depth - 1)});
      case 1:
        return Prod({Positive(depth - 1), Positive(depth - 1)});
      case 2:
        return Div(Positive(depth - 1), Positive(depth - 1));
      case 3:
      case 4: {
        // No power inside a power's base: exponents that multiply up make
        // derivatives a central difference cannot follow.
        if (m_inPowerBase) return Positive(depth - 1);
        m_inPowerBase = true;
        CMcBasic* base = Positive(depth - 1);
        m_inPowerBase = false;
        return Pow(base, Exponent());
      }
      case 5:
        return new CMcRoot(Positive(depth - 1), Real(Chance(0.7) ? 2 : 3), 0);
      case 6:
        return Fn("cosh", Small(depth));
      case 7: {  // |-p| or |p|
        CMcBasic* inside = Positive(depth - 1);
        if (Chance(0.5)) inside->m_flags ^= kMcMinus;
        return new CMcOperator(inside, CMcOperator::Flags(CMcOperator::kAbsolute));
      }
      default:
        return new CMcOperator(Positive(depth - 1), CMcOperator::Flags(CMcOperator::kBracket));
    }
  }

 private:
  bool Chance(double p) { return std::uniform_real_distribution<double>(0.0, 1.0)(m_rng) < p; }
  int Pick(int n) { return std::uniform_int_distribution<int>(0, n - 1)(m_rng); }

  CMcBasic* Signed(CMcBasic* node) {
    if (Chance(0.25)) node->m_flags ^= kMcMinus;
    return node;
  }

  CMcBasic* Constant() {
    static const double kValues[] = {0.5, 1.5, 2, 3, 0.25, 1.25, 2.5, 1};
    return Real(kValues[Pick(8)]);
  }

  CMcBasic* Leaf(bool positive) {
    switch (Pick(positive ? 3 : 4)) {
      case 0:
        return Variable("x");
      case 1:
        return Variable("y");
      case 2:
        return Constant();
      default:
        return Prod({Constant(), Variable(Chance(0.5) ? "x" : "y")});
    }
  }

  CMcBasic* Sum(std::vector<CMcBasic*> terms, CMcBasic* more = nullptr) {
    if (more != nullptr) terms.push_back(more);
    return qxtest::trees::Sum(std::move(terms));
  }

  // Whole, fractional (a number or a fraction of numbers) and variable
  // exponents.
  CMcBasic* Exponent() {
    switch (Pick(6)) {
      case 0:
        return Real(static_cast<double>(Pick(3) + 2));
      case 1:
        return Real(-static_cast<double>(Pick(2) + 1));
      case 2:
        return Real(Chance(0.5) ? 0.5 : 1.5);
      case 3:
        return Div(Real(1), Real(3));
      case 4:
        return Signed(Variable(Chance(0.5) ? "x" : "y"));
      default:
        return Prod({Real(0.5), Variable("y")});
    }
  }

  CMcBasic* LogBase() {
    switch (Pick(4)) {
      case 0:
        return McNewConstant("e");
      case 1:
        return Real(2);
      case 2:
        return Real(10);
      default:
        return qxtest::trees::Sum({Variable("x"), Real(2)});
    }
  }

  // The argument of a function that grows fast: a leaf, so that the third
  // derivatives stay within what a central difference resolves.
  CMcBasic* Small(int) { return Signed(Leaf(false)); }

  // p / (p + 1): in (0, 1) for a positive p.
  CMcBasic* Unit(int depth) {
    CMcBasic* p = Positive(depth - 1);
    return Div(p, qxtest::trees::Sum({p->Clone(), Real(1)}));
  }

  CMcBasic* Function(int depth) {
    static const char* const kAnyArgument[] = {"sin",  "cos",  "sinh", "cosh",
                                               "tanh", "sech", "atan", "asinh"};
    static const char* const kUnitArgument[] = {"tan", "sec"};
    static const char* const kAwayFromZero[] = {"cot", "coth", "cosec", "cosech"};
    static const char* const kInsideOne[] = {"asin", "acos", "atanh"};
    switch (Pick(5)) {
      case 0:
      case 1:
        return Fn(kAnyArgument[Pick(8)], Small(depth));
      case 2:
        return Fn(kUnitArgument[Pick(2)], Unit(depth));
      case 3:  // in (0.5, 1.5)
        return Fn(kAwayFromZero[Pick(4)], qxtest::trees::Sum({Unit(depth), Real(0.5)}));
      default:
        if (Chance(0.25))  // acosh of something above 1.2
          return Fn("acosh", qxtest::trees::Sum({Positive(depth - 1), Real(1.2)}));
        return Fn(kInsideOne[Pick(3)], Prod({Real(0.8), Unit(depth)}));
    }
  }

  std::mt19937 m_rng;
  bool m_inPowerBase = false;
};

}  // namespace mctest
