#include "editing/ZevKeywords.h"

#include "GlobalResources.h"
#include "MC/McDepthGuard.h"
#include "MC/McKinds.h"
#include "MC/Mc_operator.h"
#include "editing/ZevEditShared.h"
#include "editing/Zevmcedit.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <vector>

namespace {

using Op = CMcOperator;

// An entry's item code: action, parameter and the word's length written out,
// so a test can hold each length against its word.
constexpr DWORD K(int action, int parameter, int length) {
  return ZevItemCode(action, parameter, length);
}

// Last character not an ASCII letter or digit, or "2".
constexpr ZevKeyword kOther[] = {
    {"<=", K(kZevInsertRelation, kMcRelLessOrEqual, 2)},
    {">=", K(kZevInsertRelation, kMcRelGreaterOrEqual, 2)},
    {"~=", K(kZevInsertRelation, kMcRelCongruent, 2)},
    {"!=", K(kZevInsertRelation, kMcRelNotEqual, 2)},
    {"<>", K(kZevInsertRelation, kMcRelNotEqual, 2)},
    {"->", K(kZevInsertRelation, kMcRelTendsTo, 2)},
    {"+=", K(kZevInsertRelation, kMcRelIncrement, 2)},
    {"-=", K(kZevInsertRelation, kMcRelDecrement, 2)},
    {"*=", K(kZevInsertRelation, kMcRelScale, 2)},
    {"/=", K(kZevInsertRelation, kMcRelDivide, 2)},
    {"//", K(kZevInsertRelation, kMcRelParallel, 2)},
    {"==", K(kZevInsertRelation, kMcRelTestEqual, 2)},
    {"+-", K(kZevInsertTerm, 2, 2)},
    {"-+", K(kZevInsertTerm, 3, 2)},
    {"^-", K(kZevInsertOperator, Op::kToLeftOf, 2)},
    {"^+", K(kZevInsertOperator, Op::kToRightOf, 2)},
    {"^^", K(kZevInsertOperator, Op::kReserved, 2)},
    {"^=", K(kZevInsertRelation, kMcRelDefinition, 2)},
    {"<<", K(kZevInsertDomain, 0, 2)},
    {"!//", K(kZevInsertRelation, kMcRelPerpendicular, 3)},
    {"==>", K(kZevInsertRelation, kMcRelRightTransform, 3)},
    {"<==", K(kZevInsertRelation, kMcRelLeftTransform, 3)},
    {"<=>", K(kZevInsertRelation, kMcRelBiTransform, 3)},
    {"--=", K(kZevInsertRelation, kMcRelEquivalent, 3)},
    {"<=<", K(kZevInsertDomain, 3, 3)},
    {"<<=", K(kZevInsertDomain, 2, 3)},
    {"<=<=", K(kZevInsertDomain, 1, 4)},
    {"atan2", K(kZevInsertFunction, 49, 5)},
};
// Last character "a".
constexpr ZevKeyword kA[] = {
    {"eta", K(kZevInsertGreek, 6, 3)},        {"beta", K(kZevInsertGreek, 1, 4)},
    {"zeta", K(kZevInsertGreek, 5, 4)},       {"iota", K(kZevInsertGreek, 7, 4)},
    {"sigma", K(kZevInsertGreek, 13, 5)},     {"alpha", K(kZevInsertGreek, 0, 5)},
    {"gamma", K(kZevInsertGreek, 2, 5)},      {"delta", K(kZevInsertGreek, 3, 5)},
    {"kappa", K(kZevInsertGreek, 8, 5)},      {"omega", K(kZevInsertGreek, 33, 5)},
    {"Gamma", K(kZevInsertGreek, 16, 5)},     {"Delta", K(kZevInsertGreek, 17, 5)},
    {"theta", K(kZevInsertGreek, 26, 5)},     {"Theta", K(kZevInsertGreek, 18, 5)},
    {"Sigma", K(kZevInsertGreek, 21, 5)},     {"Omega", K(kZevInsertGreek, 25, 5)},
    {"Lambda", K(kZevInsertGreek, 19, 6)},    {"lambda", K(kZevInsertGreek, 27, 6)},
    {"rkutta", K(kZevInsertFunction, 35, 6)},
};
// Last character "b".
constexpr ZevKeyword kB[] = {
    {"symb", K(kZevSetSymbolStyle, 2, 4)},
};
// Last character "c".
constexpr ZevKeyword kC[] = {
    {"sec", K(kZevInsertFunction, 13, 3)},
    {"func", K(kZevInsertNamedFunction, 0, 4)},
    {"cosec", K(kZevInsertFunction, 12, 5)},
    {"symbolic", K(kZevInsertFunction, 50, 8)},
};
// Last character "d".
constexpr ZevKeyword kD[] = {
    {"Dd", K(kZevSetSymbolStyle, 11, 2)},
    {"dd", K(kZevSetSymbolStyle, 12, 2)},
    {"pdd", K(kZevSetSymbolStyle, 13, 3)},
    {"and", K(kZevInsertRelation, kMcRelAnd, 3)},
    {"grad", K(kZevInsertOperator, Op::kGradient, 4)},
    {"prod", K(kZevInsertSum, 1, 4)},
    {"bold", K(kZevSetSymbolStyle, 6, 4)},
    {"rand", K(kZevInsertFunction, 24, 4)},
    {"srand", K(kZevInsertFunction, 25, 5)},
    {"expand", K(kZevInsertFunction, 37, 6)},
    {"_expand", K(kZevInsertFunction, 45, 7)},
    {"ObjFind", K(kZevInsertFunction, 43, 7)},
    {"objfind", K(kZevInsertFunction, 43, 7)},
    {"ObjTFind", K(kZevInsertFunction, 44, 8)},
    {"objtfind", K(kZevInsertFunction, 44, 8)},
    {"ObjPFind", K(kZevInsertFunction, 53, 8)},
    {"objpfind", K(kZevInsertFunction, 53, 8)},
};
// Last character "e".
constexpr ZevKeyword kE[] = {
    {"Re", K(kZevInsertOperator, Op::kReal, 2)}, {"where", K(kZevTabOrWhere, 1, 5)},
    {"uline", K(kZevSetSymbolStyle, 4, 5)},      {"tilde", K(kZevSetSymbolStyle, 7, 5)},
    {"duline", K(kZevSetSymbolStyle, 5, 6)},     {"objtype", K(kZevInsertFunction, 38, 7)},
    {"ObjType", K(kZevInsertFunction, 38, 7)},   {"objsize", K(kZevInsertFunction, 41, 7)},
    {"ObjSize", K(kZevInsertFunction, 41, 7)},   {"execute", K(kZevInsertFunction, 46, 7)},
};
// Last character "f".
constexpr ZevKeyword kF[] = {
    {"ff", K(kZevInsertGreek, 31, 2)},
    {"inf", K(kZevInsertSpecialValue, 0, 3)},
    {"undef", K(kZevInsertSpecialValue, 1, 5)},
    {"pcoeff", K(kZevInsertFunction, 34, 6)},
};
// Last character "g".
constexpr ZevKeyword kG[] = {
    {"log", K(kZevInsertLog, 1, 3)},
    {"arg", K(kZevInsertOperator, Op::kArgument, 3)},
    {"avg", K(kZevInsertOperator, Op::kAverage, 3)},
    {"imag", K(kZevInsertOperator, Op::kImaginary, 4)},
    {"debug", K(kZevInsertFunction, 28, 5)},
    {"Debug", K(kZevInsertFunction, 28, 5)},
    {"objflag", K(kZevInsertFunction, 39, 7)},
    {"ObjFlag", K(kZevInsertFunction, 39, 7)},
};
// Last character "h".
constexpr ZevKeyword kH[] = {
    {"sinh", K(kZevInsertFunction, 6, 4)},    {"cosh", K(kZevInsertFunction, 7, 4)},
    {"tanh", K(kZevInsertFunction, 8, 4)},    {"sech", K(kZevInsertFunction, 19, 4)},
    {"coth", K(kZevInsertFunction, 20, 4)},   {"asinh", K(kZevInsertFunction, 9, 5)},
    {"acosh", K(kZevInsertFunction, 10, 5)},  {"atanh", K(kZevInsertFunction, 11, 5)},
    {"watch", K(kZevInsertFunction, 26, 5)},  {"Watch", K(kZevInsertFunction, 26, 5)},
    {"cosech", K(kZevInsertFunction, 18, 6)},
};
// Last character "i".
constexpr ZevKeyword kI[] = {
    {"ii", K(kZevInsertGreek, 34, 2)},  {"xi", K(kZevInsertGreek, 10, 2)},
    {"Xi", K(kZevInsertGreek, 20, 2)},  {"pi", K(kZevInsertGreek, 12, 2)},
    {"Pi", K(kZevInsertGreek, 22, 2)},  {"chi", K(kZevInsertGreek, 15, 3)},
    {"phi", K(kZevInsertGreek, 31, 3)}, {"Phi", K(kZevInsertGreek, 23, 3)},
    {"psi", K(kZevInsertGreek, 32, 3)}, {"Psi", K(kZevInsertGreek, 24, 3)},
};
// Last character "j".
constexpr ZevKeyword kJ[] = {
    {"jj", K(kZevInsertGreek, 35, 2)},
    {"adj", K(kZevInsertOperator, Op::kAdjoint, 3)},
    {"conj", K(kZevInsertOperator, Op::kConjugate, 4)},
};
// Last character "l".
constexpr ZevKeyword kL[] = {
    {"ll", K(kZevInsertGreek, 27, 2)},
    {"all", K(kZevSetSymbolStyle, 15, 3)},
    {"curl", K(kZevInsertOperator, Op::kCurl, 4)},
    {"ceil", K(kZevInsertOperator, Op::kCeiling, 4)},
    {"real", K(kZevInsertOperator, Op::kReal, 4)},
};
// Last character "m".
constexpr ZevKeyword kM[] = {
    {"Im", K(kZevInsertOperator, Op::kImaginary, 2)},
    {"lim", K(kZevInsertLimit, 0, 3)},
    {"sum", K(kZevInsertSum, 0, 3)},
    {"rem", K(kZevInsertFunction, 48, 3)},
    {"norm", K(kZevInsertOperator, Op::kNorm, 4)},
};
// Last character "n".
constexpr ZevKeyword kN[] = {
    {"ln", K(kZevInsertLog, 0, 2)},
    {"min", K(kZevInsertFunction, 51, 3)},
    {"trn", K(kZevInsertOperator, Op::kTranspose, 3)},
    {"sin", K(kZevInsertFunction, 0, 3)},
    {"tan", K(kZevInsertFunction, 2, 3)},
    {"sign", K(kZevInsertFunction, 54, 4)},
    {"asin", K(kZevInsertFunction, 3, 4)},
    {"atan", K(kZevInsertFunction, 5, 4)},
    {"plain", K(kZevSetSymbolStyle, 3, 5)},
    {"objsign", K(kZevInsertFunction, 40, 7)},
    {"ObjSign", K(kZevInsertFunction, 40, 7)},
    {"harpoon", K(kZevSetSymbolStyle, 8, 7)},
    {"epsilon", K(kZevInsertGreek, 4, 7)},
    {"omicron", K(kZevInsertGreek, 11, 7)},
    {"upsilon", K(kZevInsertGreek, 14, 7)},
    {"laplacian", K(kZevInsertOperator, Op::kLaplacian, 9)},
    {"nChildren", K(kZevInsertFunction, 31, 9)},
    {"nchildren", K(kZevInsertFunction, 31, 9)},
};
// Last character "o".
constexpr ZevKeyword kO[] = {
    {"rho", K(kZevInsertGreek, 30, 3)},
};
// Last character "p".
constexpr ZevKeyword kP[] = {
    {"beep", K(kZevInsertFunction, 27, 4)},
    {"Beep", K(kZevInsertFunction, 27, 4)},
};
// Last character "q".
constexpr ZevKeyword kQ[] = {
    {"qq", K(kZevInsertGreek, 26, 2)},
};
// Last character "r".
constexpr ZevKeyword kR[] = {
    {"rr", K(kZevInsertGreek, 30, 2)},
    {"or", K(kZevInsertRelation, kMcRelOr, 2)},
    {"var", K(kZevSetSymbolStyle, 0, 3)},
    {"der", K(kZevInsertDerivative, 0, 3)},
    {"pder", K(kZevInsertDerivative, 1, 4)},
    {"expr", K(kZevInsertFunction, 30, 4)},
    {"floor", K(kZevInsertOperator, Op::kFloor, 5)},
    {"polar", K(kZevInsertFunction, 47, 5)},
};
// Last character "s".
constexpr ZevKeyword kS[] = {
    {"abs", K(kZevInsertOperator, Op::kAbsolute, 3)},
    {"cos", K(kZevInsertFunction, 1, 3)},
    {"acos", K(kZevInsertFunction, 4, 4)},
    {"cross", K(kZevInsertFactor, 1, 5)},
    {"ncols", K(kZevInsertFunction, 32, 5)},
    {"nCols", K(kZevInsertFunction, 32, 5)},
    {"nrows", K(kZevInsertFunction, 33, 5)},
    {"nRows", K(kZevInsertFunction, 33, 5)},
};
// Last character "t".
constexpr ZevKeyword kT[] = {
    {"tt", K(kZevInsertGreek, 29, 2)},
    {"int", K(kZevInsertIntegral, 0, 3)},
    {"hat", K(kZevSetSymbolStyle, 10, 3)},
    {"cot", K(kZevInsertFunction, 14, 3)},
    {"det", K(kZevInsertOperator, Op::kDeterminant, 3)},
    {"dot", K(kZevInsertFactor, 2, 3)},
    {"not", K(kZevInsertOperator, Op::kNot, 3)},
    {"fact", K(kZevInsertOperator, Op::kFactorial, 4)},
    {"sqrt", K(kZevInsertRoot, 3, 4)},
    {"pint", K(kZevInsertIntegral, 1, 4)},
    {"const", K(kZevSetSymbolStyle, 1, 5)},
    {"proot", K(kZevInsertFunction, 29, 5)},
    {"ObjHeight", K(kZevInsertFunction, 42, 9)},
    {"objheight", K(kZevInsertFunction, 42, 9)},
};
// Last character "u".
constexpr ZevKeyword kU[] = {
    {"nu", K(kZevInsertGreek, 9, 2)},
    {"mu", K(kZevInsertGreek, 28, 2)},
    {"tau", K(kZevInsertGreek, 29, 3)},
};
// Last character "v".
constexpr ZevKeyword kV[] = {
    {"div", K(kZevInsertOperator, Op::kDivergence, 3)},
};
// Last character "w".
constexpr ZevKeyword kW[] = {
    {"ww", K(kZevInsertGreek, 33, 2)},
    {"arrow", K(kZevSetSymbolStyle, 9, 5)},
};
// Last character "x".
constexpr ZevKeyword kX[] = {
    {"max", K(kZevInsertFunction, 52, 3)},
};
// Last character "y".
constexpr ZevKeyword kY[] = {
    {"any", K(kZevSetSymbolStyle, 14, 3)},
    {"simplify", K(kZevInsertFunction, 36, 8)},
};

constexpr std::array<std::span<const ZevKeyword>, 25> kTables = {
    kOther, kA, kB, kC, kD, kE, kF, kG, kH, kI, kJ, kL, kM,
    kN,     kO, kP, kQ, kR, kS, kT, kU, kV, kW, kX, kY};

bool IsAsciiLetterOrDigit(BYTE c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9');
}

}  // namespace

std::span<const ZevKeyword> ZevKeywordTable(BYTE last) {
  if (last >= 'a' && last <= 'y' && last != 'k') return kTables[last - 'a' + (last < 'k' ? 1 : 0)];
  if (last == '2' || !IsAsciiLetterOrDigit(last)) return kTables[0];
  return {};
}

std::span<const std::span<const ZevKeyword>> ZevKeywordTables() {
  return kTables;
}

namespace {

// "^-" and "^+" write a one-sided approach, a -> from the left or the right:
// a mark that means something only on the value a "tends to" relation
// approaches (x -> 0^-). Anywhere else the "^" has made a power and the sign
// typed after it is its exponent's, as e^-2 reads; the word is not taken.
bool IsOneSidedMark(DWORD code) {
  if (ZevItemAction(code) != kZevInsertOperator) return false;
  const int mark = ZevItemParameter(code);
  return mark == CMcOperator::kToLeftOf || mark == CMcOperator::kToRightOf;
}

// Whether the power the caret is typing the exponent of stands as the value
// a "tends to" relation approaches (its right side).
bool IsApproachedValue(const CMcBasic* caret) {
  const CMcBasic* power = caret;
  while (power && !McIsKind(power, kMcPower)) power = power->m_parent;
  if (power == nullptr) return false;
  const CMcBasic* relation = power->m_parent;
  return relation && relation->GetType() == McRelationType(kMcRelTendsTo) &&
         relation->m_count == 2 && relation->m_children[1] == power;
}

}  // namespace

DWORD CZevMcEdit::MatchKeyword(const ZevKeyword* table, int count) const {
  const int n = m_nLogLength;
  if (n < 2) return 0;
  const BYTE* c = m_pLogChars.get();
  for (int e = count - 1; e >= 0; --e) {
    const char* word = table[e].word;
    const int length = static_cast<int>(strnlen(word, sizeof table[e].word));
    if (length < 2 || n < length) continue;
    if (static_cast<BYTE>(word[length - 2]) != c[n - 2] ||
        static_cast<BYTE>(word[length - 1]) != c[n - 1])
      continue;
    bool same = true;
    for (int i = 0; i < length - 2 && same; ++i)
      same = static_cast<BYTE>(word[i]) == c[n - length + i];
    if (!same) continue;
    // The word must start on an item boundary: earlier keywords are stepped
    // over whole, and may only be swallowed whole.
    const int start = n - length;
    int p = std::max(0, n - 16 - length);
    while (p < start) {
      const int m = ZevItemLength(m_pLogCodes[p]);
      if (m > 1) {
        if (p + m > start) break;
        p += m;
      } else {
        ++p;
      }
    }
    if (p == start) return table[e].code;
  }
  return 0;
}

BOOL CZevMcEdit::RecognizeKeyword() {
  const int n = m_nLogLength;
  if (n < 1) return FALSE;
  const std::span<const ZevKeyword> table = ZevKeywordTable(m_pLogChars[n - 1]);
  if (table.empty()) return FALSE;
  const DWORD code = MatchKeyword(table.data(), static_cast<int>(table.size()));
  if (code == 0) return FALSE;
  if (IsOneSidedMark(code) && !IsApproachedValue(m_pCaret)) return FALSE;
  const int length = ZevItemLength(code);
  const int start = n - length;
  // What the positions held, to put back if the keyword is refused.
  std::vector<DWORD> before(m_pLogCodes.get() + start, m_pLogCodes.get() + n);
  const DWORD prevBefore = m_pLogPrevCodes[start];
  for (int p = start; p < n; ++p)
    if (ZevItemLength(m_pLogCodes[p]) > 1) m_pLogCodes[p] = m_pLogPrevCodes[p];
  m_pLogPrevCodes[start] = m_pLogCodes[start];
  m_pLogCodes[start] = code;
  Replay();
  // The keyword's one action may build deeper than its letters did; a tree
  // the loader would refuse keeps the letters as typed.
  if (zev::TreeDepth(GetEditedExpression()) > McDepthGuard::kMaxDepth) {
    std::copy(before.begin(), before.end(), m_pLogCodes.get() + start);
    m_pLogPrevCodes[start] = prevBefore;
    Replay();
  }
  return TRUE;
}
