#include "MC/McConstants.h"

#include "GlobalResources.h"
#include "MC/MC_REAL.h"
#include "MC/MXC_BIN.h"
#include "MC/McKinds.h"
#include "MC/Mc_function.h"
#include "MC/Mc_listmult.h"
#include "MC/Mc_listsum.h"
#include "MC/Mc_matrix.h"
#include "MC/Mc_variable.h"

#include <algorithm>
#include <cmath>
#include <vector>

namespace {

constexpr WORD kRealType = McTypeWord(kMcReal);
constexpr WORD kProductType = McTypeWord(kMcListmult, 1);  // dot or juxtaposition
constexpr WORD kSumType = McTypeWord(kMcListsum);
constexpr WORD kAugmentedType = McTypeWord(kMcMatrix, 4);

// Constant flag, Greek, decoration code and the second sign bit: of these a
// written j has only the constant flag.
constexpr WORD kImaginaryUnitMask = kMcPlusMinus | kMcVariableStyleMask;

bool Minus(const CMcBasic* node) {
  return (node->m_flags & kMcMinus) != 0;
}

bool PlusMinus(const CMcBasic* node) {
  return (node->m_flags & kMcPlusMinus) != 0;
}

bool IsReal(const CMcBasic* node) {
  return node->GetType() == kRealType;
}

double Magnitude(const CMcBasic* real) {
  return static_cast<const CMcReal*>(real)->m_value;
}

bool IsImaginaryUnit(const CMcBasic* node) {
  if (!McIsKind(node, kMcVariable)) return false;
  const auto* variable = static_cast<const CMcVariable*>(node);
  return variable->m_length == 3 && variable->m_buffer[0] == 'j' &&
         (node->m_flags & kImaginaryUnitMask) == kMcConstant;
}

double Signed(double magnitude, bool negate) {
  return negate ? -magnitude : magnitude;
}

// The imaginary part of a product b*j or j*b; negate is the sign its way down
// has gathered so far.
bool ProductImaginary(const CMcBasic* product, bool negate, double* im) {
  if (product->GetType() != kProductType || product->m_count != 2) return false;
  const CMcBasic* first = product->m_children[0];
  const CMcBasic* second = product->m_children[1];
  if (PlusMinus(first) || PlusMinus(second)) return false;
  negate = negate ^ Minus(first) ^ Minus(second);
  const CMcBasic* real = nullptr;
  if (IsReal(first) && IsImaginaryUnit(second)) {
    real = first;
  } else if (IsImaginaryUnit(first) && IsReal(second)) {
    real = second;
  } else {
    return false;
  }
  *im = Signed(Magnitude(real), negate);
  return true;
}

// The imaginary candidate of a sum: j or a product with j.
bool ImaginaryTerm(const CMcBasic* term, bool negate, double* im) {
  if (IsImaginaryUnit(term)) {
    *im = Signed(1.0, negate);
    return true;
  }
  return ProductImaginary(term, negate, im);
}

bool SumValue(const CMcBasic* sum, bool negate, McComplex* value) {
  if (sum->m_count != 2) return false;
  const CMcBasic* first = sum->m_children[0];
  const CMcBasic* second = sum->m_children[1];
  if (PlusMinus(first) || PlusMinus(second)) return false;
  const CMcBasic* real = IsReal(first) ? first : IsReal(second) ? second : nullptr;
  if (real == nullptr) return false;
  const CMcBasic* imaginary = real == first ? second : first;
  value->re = Signed(Magnitude(real), negate != Minus(real));
  return ImaginaryTerm(imaginary, negate != Minus(imaginary), &value->im);
}

// A part snapped to the nearest whole number when within the tolerance;
// infinities and NaNs fail the test and stay.
double Snap(double v) {
  const double whole = std::floor(std::fabs(v) + 0.5);
  if (!(std::fabs(std::fabs(v) - whole) <= g_dSnapTolerance)) return v;
  return v >= 0 ? std::floor(v + 0.5) : -std::floor(-v + 0.5);
}

CMcBasic* ImaginaryUnit(WORD sign) {
  return new CMcVariable("j", "", static_cast<WORD>(kMcConstant | sign));
}

CMcBasic* ImaginaryPart(double im, WORD b0, bool unitFirst) {
  if (im == 0) return nullptr;
  const WORD sign = im < 0 ? b0 ^ kMcMinus : b0;
  const double b = std::fabs(im);
  if (b == 1) return ImaginaryUnit(sign);
  CMcBasic* real = new CMcReal(b, 0);
  CMcBasic* unit = ImaginaryUnit(0);
  auto* product = new CMcListmult(sign);
  product->AppendChild(unitFirst ? unit : real);
  product->AppendChild(unitFirst ? real : unit);
  return product;
}

CMcBasic* ValueToExpression(double re, double im, WORD flags, bool unitFirst) {
  const WORD b0 = flags & kMcMinus;
  if (std::isnan(re + im)) return new CMcReal(re + im, b0);
  re = Snap(re);
  im = Snap(im);
  CMcBasic* real = nullptr;
  if (re > 0) real = new CMcReal(re, b0);
  if (re < 0) real = new CMcReal(-re, b0 ^ kMcMinus);
  CMcBasic* imaginary = ImaginaryPart(im, b0, unitFirst);
  CMcBasic* result;
  if (real != nullptr && imaginary != nullptr) {
    result = new CMcListsum(0);
    result->AppendChild(real);
    result->AppendChild(imaginary);
  } else if (real != nullptr || imaginary != nullptr) {
    result = real != nullptr ? real : imaginary;
  } else {
    result = new CMcReal(0.0, 0);
  }
  result->m_flags |= flags & kMcPlusMinus;
  return result;
}

// What min and max compare: the real part of a real value, else the modulus.
double Size(const McComplex& v) {
  return v.im == 0 ? v.re : std::hypot(v.re, v.im);
}

CMcBasic* Fold(CMcBasic* list, const char* name, bool larger) {
  if (list == nullptr) return nullptr;
  // A list without elements counts as not constant.
  if (McIsKind(list, kMcMatrix) && list->GetType() != kAugmentedType && list->m_count > 0) {
    McComplex best{0.0, 0.0};
    bool constant = true;
    for (int i = 0; i < list->m_count && constant; ++i) {
      McComplex v;
      constant = McConstantValue(list->m_children[i], &v) != FALSE;
      if (constant && (i == 0 || (larger ? Size(v) > Size(best) : Size(v) < Size(best)))) best = v;
    }
    if (constant) {
      const WORD sign = list->m_flags & kMcSignMask;
      delete list;
      return McValueToExpression2(best.re, best.im, sign);
    }
  }
  return new CMcFunction(list, name, "", 0);
}

void FindPaths(const CMcBasic* node, const CMcBasic* pattern, std::vector<int>& path,
               std::vector<std::vector<int>>& found) {
  if (node->Compare(pattern) < 2) {
    found.push_back(path);
    return;
  }
  for (int i = 0; i < node->m_count; ++i) {
    path.push_back(i);
    FindPaths(node->m_children[i], pattern, path, found);
    path.pop_back();
  }
}

CMcBasic* NewMatrix(const std::vector<CMcBasic*>& cells, size_t columns) {
  auto* matrix = new CMcMatrix(0);
  matrix->AdoptChildren(cells);
  matrix->SetColumns(static_cast<WORD>(columns));
  return matrix;
}

}  // namespace

// ---- conversions ----------------------------------------------------------------

BOOL McConstantValue(const CMcBasic* node, McComplex* value) {
  if (node == nullptr || PlusMinus(node)) return FALSE;
  const bool negate = Minus(node);
  if (IsReal(node)) {
    *value = McComplex{Signed(Magnitude(node), negate), 0.0};
    return TRUE;
  }
  if (IsImaginaryUnit(node)) {
    *value = McComplex{0.0, Signed(1.0, negate)};
    return TRUE;
  }
  if (node->GetType() == kProductType) {
    value->re = 0.0;
    return ProductImaginary(node, negate, &value->im) ? TRUE : FALSE;
  }
  if (node->GetType() == kSumType) return SumValue(node, negate, value) ? TRUE : FALSE;
  return FALSE;
}

CMcBasic* McValueToExpression(double re, double im, WORD flags) {
  return ValueToExpression(re, im, flags, false);
}

CMcBasic* McValueToExpression2(double re, double im, WORD flags) {
  return ValueToExpression(re, im, flags, true);
}

McComplex* McConstantValues(const CMcBasic* node, int* columns, int* count) {
  *columns = 0;
  *count = 0;
  if (node == nullptr) return nullptr;
  const bool matrix = McIsKind(node, kMcMatrix);
  const int n = matrix ? node->m_count : 1;
  auto* values = new McComplex[n];
  for (int i = 0; i < n; ++i) {
    if (!McConstantValue(matrix ? node->m_children[i] : node, &values[i])) {
      delete[] values;
      return nullptr;
    }
  }
  *columns = matrix ? static_cast<const CMcMatrix*>(node)->GetColumns() : 1;
  *count = n;
  return values;
}

CMcBasic* McValuesToMatrix(const McComplex* values, WORD columns, int count, WORD flags) {
  std::vector<CMcBasic*> cells;
  if (values != nullptr && count > 0) {
    cells.reserve(count);
    for (int i = 0; i < count; ++i)
      cells.push_back(McValueToExpression2(values[i].re, values[i].im, flags));
  }
  return NewMatrix(cells, columns);
}

CMcBasic* McFoldMin(CMcBasic* list) {
  return Fold(list, "min", false);
}

CMcBasic* McFoldMax(CMcBasic* list) {
  return Fold(list, "max", true);
}

// ---- tree queries ---------------------------------------------------------------

CMcBasic* McFindFreeVariable(CMcBasic* tree) {
  if (tree == nullptr) return nullptr;
  if (McIsKind(tree, kMcVariable) && (tree->m_flags & kMcConstant) == 0) return tree;
  for (int i = 0; i < tree->m_count; ++i) {
    if (CMcBasic* found = McFindFreeVariable(tree->m_children[i])) return found;
  }
  return nullptr;
}

int McCountNodes(const CMcBasic* tree) {
  if (tree == nullptr) return 0;
  int n = 1;
  for (int i = 0; i < tree->m_count; ++i) n += McCountNodes(tree->m_children[i]);
  return n;
}

int McTreeDepth(const CMcBasic* tree) {
  if (tree == nullptr) return 0;
  int deepest = 0;
  for (int i = 0; i < tree->m_count; ++i)
    deepest = std::max(deepest, McTreeDepth(tree->m_children[i]));
  return 1 + deepest;
}

int McCountOccurrences(const CMcBasic* tree, const CMcBasic* pattern) {
  if (tree == nullptr || pattern == nullptr) return 0;
  if (tree->Compare(pattern) < 2) return 1;
  int n = 0;
  for (int i = 0; i < tree->m_count; ++i) n += McCountOccurrences(tree->m_children[i], pattern);
  return n;
}

void McCollectMatches(CMcBasic* tree, const CMcBasic* pattern, CMXC_BIN* list) {
  if (tree == nullptr || pattern == nullptr || list == nullptr) return;
  if (tree->Compare(pattern) < 2) {
    list->Add(tree);
    return;
  }
  for (int i = 0; i < tree->m_count; ++i) McCollectMatches(tree->m_children[i], pattern, list);
}

void McCollectKind(const CMcBasic* tree, WORD type, WORD flagsPattern, int matchFlags,
                   CMcBasic* listNode) {
  if (tree == nullptr || listNode == nullptr) return;
  if (tree->GetType() == type &&
      (matchFlags == 0 || (tree->m_flags & static_cast<WORD>(~kMcSignMask)) ==
                              (flagsPattern & static_cast<WORD>(~kMcSignMask)))) {
    if (CMcBasic* clone = tree->Clone()) {
      clone->m_flags &= static_cast<WORD>(~kMcSignMask);
      listNode->AppendChild(clone);
    }
  }
  for (int i = 0; i < tree->m_count; ++i)
    McCollectKind(tree->m_children[i], type, flagsPattern, matchFlags, listNode);
}

CMcBasic* McFindPaths(const CMcBasic* tree, const CMcBasic* pattern) {
  std::vector<int> path;
  std::vector<std::vector<int>> found;
  if (tree != nullptr && pattern != nullptr) FindPaths(tree, pattern, path, found);
  const double undefined = std::log(-1.0);
  if (found.empty()) return new CMcReal(undefined, 0);
  std::vector<CMcBasic*> rows;
  for (const std::vector<int>& indices : found) {
    std::vector<CMcBasic*> cells;
    for (int index : indices) cells.push_back(new CMcReal(index, 0));
    if (cells.empty()) cells.push_back(new CMcReal(undefined, 0));
    rows.push_back(NewMatrix(cells, cells.size()));
  }
  return NewMatrix(rows, 1);
}
