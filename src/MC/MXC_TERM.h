#pragma once
// CMXC_TERM: the term engine, which simplifies one multiplicative term (a
// product, a quotient or a power, nested in any way) into
//     sign * coefficient * (numerator product) / (denominator product).
// Collect walks the term into a list of distinct factors, each with an
// exponent (null for 1; a negative one marks a denominator factor), plus the
// term's sign and the exponent sums of the factors that carried a sign under
// an exponent ((-a)^e = (-1)^e a^e). Equal factors merge by adding their
// exponents. Build folds every factor's power, multiplies the numbers into an
// exact coefficient num/den (a product or quotient is only absorbed when it
// is exact both ways; otherwise the number stays a symbolic factor) and
// rebuilds one expression.
//
// Failure results: a factor 0 makes the term 0, a factor NaN or the
// reciprocal of 0 or NaN makes it NaN, the reciprocal of an infinity makes it
// 0, any other infinite factor makes it an infinity with the term's sign.
//
// Simplify runs the full Perform of any tree under a temporary parent; every
// derivative passes through it. The engine keeps no static state: each
// Simplify and each Perform makes its own engine.
//
// Also the small helpers that the symbolic operations of every kind share:
// the sign merge, replacement in the parent's slot, the near-integer test.
#include "MC/MC_BASIC.h"

#include <initializer_list>
#include <vector>

class CMXC_TERM {
 public:
  CMXC_TERM() = default;
  virtual ~CMXC_TERM();
  CMXC_TERM(const CMXC_TERM&) = delete;
  CMXC_TERM& operator=(const CMXC_TERM&) = delete;

  // Deletes every factor, exponent and exponent sum; the sign becomes 0.
  void Reset();
  // Appends a factor with its exponent (both owned by the engine from now
  // on); returns the new index.
  int AddFactor(CMcBasic* factor, CMcBasic* exponent);
  // Adds node raised to exponent (null for 1; owned by the engine from now
  // on) to the numerator (inverse 0) or the denominator (inverse 1). Changes
  // the input tree: clears sign bits in it and performs its leaves and the
  // exponents of its powers. The caller deletes the input tree after Build.
  void Collect(CMcBasic* node, CMcBasic* exponent, int inverse);
  // The rebuilt expression, a new tree without parent; resets the engine.
  CMcBasic* Build();

  // The simplified tree (Perform under a temporary parent). Takes the tree
  // and returns what replaced it, without parent; null for null.
  static CMcBasic* Simplify(CMcBasic* tree);
  // Perform of a product, quotient or power: collects node, builds, puts the
  // result in node's slot and deletes node. Returns the result (null, and
  // nothing changed, when node has no slot in a parent).
  static CMcBasic* PerformInPlace(CMcBasic* node);

  // The number of factors collected so far, and factor i with its exponent.
  int GetCount() const { return static_cast<int>(m_factors.size()); }
  const CMcBasic* GetFactor(int i) const { return m_factors[i].factor; }
  const CMcBasic* GetExponent(int i) const { return m_factors[i].exponent; }
  WORD GetSign() const { return m_sign; }

 private:
  struct Entry {
    CMcBasic* factor;
    CMcBasic* exponent;  // null: 1
  };
  struct Coefficient;

  void CollectSign(CMcBasic* node, CMcBasic* exponent);
  void CollectProduct(CMcBasic* product, CMcBasic* exponent, int inverse);
  void CollectDivision(CMcBasic* division, CMcBasic* exponent, int inverse);
  void CollectPower(CMcBasic* power, CMcBasic* exponent, int inverse);
  void CollectLeaf(CMcBasic* leaf, CMcBasic* exponent, int inverse);
  void AddExponents(Entry& entry, CMcBasic* exponent);
  void FoldPowers();
  // Visits the factors from the last to the first; null when the term is
  // complete, else the failure result (the engine is then reset).
  CMcBasic* SplitFactors(Coefficient& c);
  CMcBasic* Fail(Coefficient& c, CMcBasic* result);

  WORD m_sign = 0;
  // Exponent sums of the factors signed minus, plus-minus and minus-plus,
  // indexed by sign code - 1; null until first used.
  CMcBasic* m_signExponents[3] = {nullptr, nullptr, nullptr};
  std::vector<Entry> m_factors;
};

// ---- helpers of the symbolic layer ------------------------------------------------

// Sign merge: node's bit 0 becomes the exclusive or of both bits 0, its bit 1
// the inclusive or of both bits 1; the other bits stay.
void McMergeSign(CMcBasic* node, WORD sourceFlags);
// Index of node among its parent's children, -1 when it has no parent or is
// not found there (a stale parent link).
int McSlotOf(const CMcBasic* node);
// Puts replacement in node's slot and deletes node; TRUE. FALSE, and nothing
// changed (the caller keeps replacement), when node has no slot.
BOOL McReplaceNode(CMcBasic* node, CMcBasic* replacement);
// Takes every child out of node (their parents cleared), leaving it
// childless; the children in order.
std::vector<CMcBasic*> McReleaseChildren(CMcBasic* node);
// Takes the child at index out of node, leaving a new empty node in its slot;
// the child comes back without parent.
CMcBasic* McTakeChild(CMcBasic* node, int index);
// Near-integer test of constant folding: |floor(x + 0.4) - x| <= |x| 2e-15;
// then *whole (when given) receives floor(x + 0.4).
bool McIsWhole(double x, double* whole = nullptr);
// A real number node, and one whose magnitude is exactly value.
bool McIsNumber(const CMcBasic* node);
bool McIsNumber(const CMcBasic* node, double value);
// The signed value of a real number node.
double McNumberValue(const CMcBasic* node);
// A new real number node of the signed value (magnitude, minus in bit 0).
CMcBasic* McNewNumber(double value, WORD flags = 0);
// A plain multiplication (the sub-kinds the term engine collects).
bool McIsPlainProduct(const CMcBasic* node);
// The constant variable "e" or "j" (empty subscript, constant flag).
CMcBasic* McNewConstant(const char* name, WORD flags = 0);
// True when node is the left side (child 0) of a relation with two sides and
// which names one of node's children: the condition of every Isolate (kinds
// that ignore which pass 0 and have a child).
bool McCanIsolate(const CMcBasic* node, int which);
// A new product (plain multiplication) or sum of the given flags and children.
CMcBasic* McNewProduct(WORD flags, std::initializer_list<CMcBasic*> factors);
CMcBasic* McNewSum(WORD flags, std::initializer_list<CMcBasic*> terms);
// A factor the derivative by variable treats as constant: a number, a
// constant variable, or (options bit 0, partial) another variable.
bool McIsConstantFor(const CMcBasic* node, const CMcBasic* variable, unsigned options);
// node's derivative by variable; an empty node when the kind has none.
CMcBasic* McDerivativeOf(CMcBasic* node, CMcBasic* variable, unsigned options);
