#include "editing/ZevKeywords.h"

#include "GlobalResources.h"
#include "MC/McDepthGuard.h"
#include "editing/Zevmcedit.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <vector>

namespace {

// An entry's item code: action, parameter and the word's length written out,
// so a test can hold each length against its word.
constexpr DWORD K(int action, int parameter, int length) {
  return ZevItemCode(action, parameter, length);
}

// Last character not an ASCII letter or digit, or "2".
constexpr ZevKeyword kOther[] = {
    {"<=", K(12, 8, 2)},   {">=", K(12, 9, 2)},   {"~=", K(12, 5, 2)},   {"!=", K(12, 3, 2)},
    {"<>", K(12, 3, 2)},   {"->", K(12, 12, 2)},  {"+=", K(12, 16, 2)},  {"-=", K(12, 17, 2)},
    {"*=", K(12, 18, 2)},  {"/=", K(12, 19, 2)},  {"//", K(12, 11, 2)},  {"==", K(12, 23, 2)},
    {"+-", K(18, 2, 2)},   {"-+", K(18, 3, 2)},   {"^-", K(1, 13, 2)},   {"^+", K(1, 14, 2)},
    {"^^", K(1, 19, 2)},   {"^=", K(12, 22, 2)},  {"<<", K(4, 0, 2)},    {"!//", K(12, 10, 3)},
    {"==>", K(12, 13, 3)}, {"<==", K(12, 14, 3)}, {"<=>", K(12, 15, 3)}, {"--=", K(12, 1, 3)},
    {"<=<", K(4, 3, 3)},   {"<<=", K(4, 2, 3)},   {"<=<=", K(4, 1, 4)},  {"atan2", K(23, 49, 5)},
};
// Last character "a".
constexpr ZevKeyword kA[] = {
    {"eta", K(22, 6, 3)},     {"beta", K(22, 1, 4)},    {"zeta", K(22, 5, 4)},
    {"iota", K(22, 7, 4)},    {"sigma", K(22, 13, 5)},  {"alpha", K(22, 0, 5)},
    {"gamma", K(22, 2, 5)},   {"delta", K(22, 3, 5)},   {"kappa", K(22, 8, 5)},
    {"omega", K(22, 33, 5)},  {"Gamma", K(22, 16, 5)},  {"Delta", K(22, 17, 5)},
    {"theta", K(22, 26, 5)},  {"Theta", K(22, 18, 5)},  {"Sigma", K(22, 21, 5)},
    {"Omega", K(22, 25, 5)},  {"Lambda", K(22, 19, 6)}, {"lambda", K(22, 27, 6)},
    {"rkutta", K(23, 35, 6)},
};
// Last character "b".
constexpr ZevKeyword kB[] = {
    {"symb", K(15, 2, 4)},
};
// Last character "c".
constexpr ZevKeyword kC[] = {
    {"sec", K(23, 13, 3)},
    {"func", K(16, 0, 4)},
    {"cosec", K(23, 12, 5)},
    {"symbolic", K(23, 50, 8)},
};
// Last character "d".
constexpr ZevKeyword kD[] = {
    {"Dd", K(15, 11, 2)},       {"dd", K(15, 12, 2)},       {"pdd", K(15, 13, 3)},
    {"and", K(12, 20, 3)},      {"grad", K(1, 10, 4)},      {"prod", K(17, 1, 4)},
    {"bold", K(15, 6, 4)},      {"rand", K(23, 24, 4)},     {"srand", K(23, 25, 5)},
    {"expand", K(23, 37, 6)},   {"_expand", K(23, 45, 7)},  {"ObjFind", K(23, 43, 7)},
    {"objfind", K(23, 43, 7)},  {"ObjTFind", K(23, 44, 8)}, {"objtfind", K(23, 44, 8)},
    {"ObjPFind", K(23, 53, 8)}, {"objpfind", K(23, 53, 8)},
};
// Last character "e".
constexpr ZevKeyword kE[] = {
    {"Re", K(1, 17, 2)},       {"where", K(43, 1, 5)},    {"uline", K(15, 4, 5)},
    {"tilde", K(15, 7, 5)},    {"duline", K(15, 5, 6)},   {"objtype", K(23, 38, 7)},
    {"ObjType", K(23, 38, 7)}, {"objsize", K(23, 41, 7)}, {"ObjSize", K(23, 41, 7)},
    {"execute", K(23, 46, 7)},
};
// Last character "f".
constexpr ZevKeyword kF[] = {
    {"ff", K(22, 31, 2)},
    {"inf", K(21, 0, 3)},
    {"undef", K(21, 1, 5)},
    {"pcoeff", K(23, 34, 6)},
};
// Last character "g".
constexpr ZevKeyword kG[] = {
    {"log", K(2, 1, 3)},       {"arg", K(1, 20, 3)},      {"avg", K(1, 5, 3)},
    {"imag", K(1, 18, 4)},     {"debug", K(23, 28, 5)},   {"Debug", K(23, 28, 5)},
    {"objflag", K(23, 39, 7)}, {"ObjFlag", K(23, 39, 7)},
};
// Last character "h".
constexpr ZevKeyword kH[] = {
    {"sinh", K(23, 6, 4)},   {"cosh", K(23, 7, 4)},    {"tanh", K(23, 8, 4)},
    {"sech", K(23, 19, 4)},  {"coth", K(23, 20, 4)},   {"asinh", K(23, 9, 5)},
    {"acosh", K(23, 10, 5)}, {"atanh", K(23, 11, 5)},  {"watch", K(23, 26, 5)},
    {"Watch", K(23, 26, 5)}, {"cosech", K(23, 18, 6)},
};
// Last character "i".
constexpr ZevKeyword kI[] = {
    {"ii", K(22, 34, 2)},  {"xi", K(22, 10, 2)},  {"Xi", K(22, 20, 2)},  {"pi", K(22, 12, 2)},
    {"Pi", K(22, 22, 2)},  {"chi", K(22, 15, 3)}, {"phi", K(22, 31, 3)}, {"Phi", K(22, 23, 3)},
    {"psi", K(22, 32, 3)}, {"Psi", K(22, 24, 3)},
};
// Last character "j".
constexpr ZevKeyword kJ[] = {
    {"jj", K(22, 35, 2)},
    {"adj", K(1, 11, 3)},
    {"conj", K(1, 6, 4)},
};
// Last character "l".
constexpr ZevKeyword kL[] = {
    {"ll", K(22, 27, 2)}, {"all", K(15, 15, 3)}, {"curl", K(1, 7, 4)},
    {"ceil", K(1, 4, 4)}, {"real", K(1, 17, 4)},
};
// Last character "m".
constexpr ZevKeyword kM[] = {
    {"Im", K(1, 18, 2)},   {"lim", K(3, 0, 3)},  {"sum", K(17, 0, 3)},
    {"rem", K(23, 48, 3)}, {"norm", K(1, 2, 4)},
};
// Last character "n".
constexpr ZevKeyword kN[] = {
    {"ln", K(2, 0, 2)},        {"min", K(23, 51, 3)},       {"trn", K(1, 12, 3)},
    {"sin", K(23, 0, 3)},      {"tan", K(23, 2, 3)},        {"sign", K(23, 54, 4)},
    {"asin", K(23, 3, 4)},     {"atan", K(23, 5, 4)},       {"plain", K(15, 3, 5)},
    {"objsign", K(23, 40, 7)}, {"ObjSign", K(23, 40, 7)},   {"harpoon", K(15, 8, 7)},
    {"epsilon", K(22, 4, 7)},  {"omicron", K(22, 11, 7)},   {"upsilon", K(22, 14, 7)},
    {"laplacian", K(1, 9, 9)}, {"nChildren", K(23, 31, 9)}, {"nchildren", K(23, 31, 9)},
};
// Last character "o".
constexpr ZevKeyword kO[] = {
    {"rho", K(22, 30, 3)},
};
// Last character "p".
constexpr ZevKeyword kP[] = {
    {"beep", K(23, 27, 4)},
    {"Beep", K(23, 27, 4)},
};
// Last character "q".
constexpr ZevKeyword kQ[] = {
    {"qq", K(22, 26, 2)},
};
// Last character "r".
constexpr ZevKeyword kR[] = {
    {"rr", K(22, 30, 2)},  {"or", K(12, 21, 2)},   {"var", K(15, 0, 3)},  {"der", K(13, 0, 3)},
    {"pder", K(13, 1, 4)}, {"expr", K(23, 30, 4)}, {"floor", K(1, 3, 5)}, {"polar", K(23, 47, 5)},
};
// Last character "s".
constexpr ZevKeyword kS[] = {
    {"abs", K(1, 1, 3)},     {"cos", K(23, 1, 3)},    {"acos", K(23, 4, 4)},
    {"cross", K(19, 1, 5)},  {"ncols", K(23, 32, 5)}, {"nCols", K(23, 32, 5)},
    {"nrows", K(23, 33, 5)}, {"nRows", K(23, 33, 5)},
};
// Last character "t".
constexpr ZevKeyword kT[] = {
    {"tt", K(22, 29, 2)},        {"int", K(14, 0, 3)},        {"hat", K(15, 10, 3)},
    {"cot", K(23, 14, 3)},       {"det", K(1, 0, 3)},         {"dot", K(19, 2, 3)},
    {"not", K(1, 16, 3)},        {"fact", K(1, 15, 4)},       {"sqrt", K(6, 3, 4)},
    {"pint", K(14, 1, 4)},       {"const", K(15, 1, 5)},      {"proot", K(23, 29, 5)},
    {"ObjHeight", K(23, 42, 9)}, {"objheight", K(23, 42, 9)},
};
// Last character "u".
constexpr ZevKeyword kU[] = {
    {"nu", K(22, 9, 2)},
    {"mu", K(22, 28, 2)},
    {"tau", K(22, 29, 3)},
};
// Last character "v".
constexpr ZevKeyword kV[] = {
    {"div", K(1, 8, 3)},
};
// Last character "w".
constexpr ZevKeyword kW[] = {
    {"ww", K(22, 33, 2)},
    {"arrow", K(15, 9, 5)},
};
// Last character "x".
constexpr ZevKeyword kX[] = {
    {"max", K(23, 52, 3)},
};
// Last character "y".
constexpr ZevKeyword kY[] = {
    {"any", K(15, 14, 3)},
    {"simplify", K(23, 36, 8)},
};

constexpr std::array<std::span<const ZevKeyword>, 25> kTables = {
    kOther, kA, kB, kC, kD, kE, kF, kG, kH, kI, kJ, kL, kM,
    kN,     kO, kP, kQ, kR, kS, kT, kU, kV, kW, kX, kY};

bool IsAsciiLetterOrDigit(BYTE c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9');
}

// Levels of the deepest path below node, node itself counting 1.
int Depth(const CMcBasic* node) {
  if (node == nullptr) return 0;
  std::vector<std::pair<const CMcBasic*, int>> stack{{node, 1}};
  int deepest = 0;
  while (!stack.empty()) {
    const auto [n, depth] = stack.back();
    stack.pop_back();
    deepest = std::max(deepest, depth);
    for (int i = 0; i < n->m_count; ++i) stack.emplace_back(n->m_children[i], depth + 1);
  }
  return deepest;
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
  if (Depth(GetEditedExpression()) > McDepthGuard::kMaxDepth) {
    std::copy(before.begin(), before.end(), m_pLogCodes.get() + start);
    m_pLogPrevCodes[start] = prevBefore;
    Replay();
  }
  return TRUE;
}
