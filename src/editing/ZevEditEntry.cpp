// Character, name and template entry: letters, digits, "." and "_", Greek
// letters and built-in function calls.
#include "MC/MC_NULL.h"
#include "MC/MC_REAL.h"
#include "MC/McKinds.h"
#include "MC/Mc_derivative.h"
#include "MC/Mc_function.h"
#include "MC/Mc_integral.h"
#include "MC/Mc_matrix.h"
#include "MC/Mc_variable.h"
#include "editing/ZevEditShared.h"
#include "editing/Zevmcedit.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

// Letter k of this string, in the Symbol font, is Greek letter k; the last
// two are the plain letters "i" and "j".
constexpr char kGreekLetters[] = "abgdezhiknxopsucGDQLXSPFYWqlmtrfywij";
constexpr int kGreekCount = sizeof kGreekLetters - 1;
constexpr int kFirstPlainLetter = 34;
constexpr int kFirstItalicGreek = 16;  // below: upright constants

// Built-in function names by function id.
constexpr const char* kFunctionNames[] = {
    "sin",     "cos",     "tan",       "asin",    "acos",     "atan",     "sinh",    "cosh",
    "tanh",    "asinh",   "acosh",     "atanh",   "cosec",    "sec",      "cot",     "acosec",
    "asec",    "acot",    "cosech",    "sech",    "coth",     "acosech",  "asech",   "acoth",
    "rand",    "srand",   "Watch",     "Beep",    "Debug",    "proot",    "expr",    "nChildren",
    "nCols",   "nRows",   "pcoeff",    "rkutta",  "simplify", "expand",   "ObjType", "ObjFlag",
    "ObjSign", "ObjSize", "ObjHeight", "ObjFind", "ObjTFind", "_expand",  "execute", "polar",
    "rem",     "atan2",   "symbolic",  "min",     "max",      "ObjPFind", "sign"};
constexpr int kFunctionCount = sizeof kFunctionNames / sizeof kFunctionNames[0];
constexpr int kRungeKutta = 35;

// Argument templates: a row of new variables given as the function's
// argument when the caret is on a placeholder ("rkutta": always, after the
// caret node itself).
struct ArgumentTemplate {
  int id;
  struct {
    const char* name;
    const char* subscript;
    WORD flags;
  } elements[6];
};
constexpr ArgumentTemplate kTemplates[] = {
    {29, {{"a", "2", kMcConstant}, {"a", "1", kMcConstant}, {"a", "0", kMcConstant}}},
    {kRungeKutta,
     {{"x", "", 0},
      {"y", "", 0},
      {"x", "0", kMcConstant},
      {"y", "0", kMcConstant},
      {"x", "max", kMcConstant},
      {"nx", "", kMcConstant}}},
    {43, {{"root", "", kMcConstant}, {"find_this", "", kMcConstant}}},
    {44, {{"root", "", kMcConstant}, {"type", "", kMcConstant}, {"flags", "", kMcConstant}}},
    {47, {{"magnitude", "", kMcConstant}, {"angle", "", kMcConstant}}},
    {48, {{"numerator", "", kMcConstant}, {"denomenator", "", kMcConstant}}},
    {49, {{"y", "", kMcConstant}, {"x", "", kMcConstant}}},
    {53, {{"root", "", kMcConstant}, {"find_this", "", kMcConstant}}},
};

constexpr int kMaxNumberText = 21;  // characters the number-entry text may hold
constexpr int kMaxSide = 0xFF;      // a caret side is one byte
constexpr int kMaxBuffer = 0xFFFF;  // a name buffer's length is 16 bits

bool IsLetter(char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '_';
}

bool IsDigit(char c) {
  return c >= '0' && c <= '9';
}

bool IsEmptyName(const char* name) {
  return name[0] == kZevEmptyName && name[1] == '\0';
}

const char* NameOf(const CMcBasic* node) {
  return McIsKind(node, kMcVariable) ? static_cast<const CMcVariable*>(node)->GetVarName()
                                     : static_cast<const CMcFunction*>(node)->GetFunctionName();
}

// The name's first character becomes ch (the name was the empty-name mark).
void NameWith(CMcBasic* node, char ch) {
  std::string bytes = zev::ReadNameBuffer(node);
  bytes[0] = ch;
  zev::WriteNameBuffer(node, bytes);
}

// Types ch into a name at caret side `side`; the new side, or 0 when refused.
// A side beyond the text counts as its end.
int TypeIntoName(CMcBasic* node, char ch, int side) {
  const bool variable = McIsKind(node, kMcVariable);
  std::string bytes = zev::ReadNameBuffer(node);
  const int nameLength = static_cast<int>(std::strlen(bytes.c_str()));
  const int textLength = static_cast<int>(bytes.size()) - 1;  // without the last zero
  const std::string subscript = bytes.substr(nameLength + 1, textLength - nameLength - 1);
  int newSide;
  if (ch == '.') {
    if (!subscript.empty()) return 0;
    bytes.insert(nameLength + 1, 1, kZevEmptyName);
    newSide = nameLength + 2;
  } else if (subscript.size() == 1 && subscript[0] == kZevEmptyName) {
    bytes[nameLength + 1] = ch;
    newSide = variable ? 1 : nameLength + 3;
  } else if (side == 0) {
    bytes.insert(0, 1, ch);
    newSide = 2;
  } else if (side == 1) {
    bytes.insert(subscript.empty() ? nameLength : textLength, 1, ch);
    newSide = 1;
  } else {
    const int at = std::min(side - 1, textLength);
    bytes.insert(at, 1, ch);
    newSide = at + 2;
  }
  if (static_cast<int>(bytes.size()) > kMaxBuffer || newSide > kMaxSide) return 0;
  zev::WriteNameBuffer(node, bytes);
  return newSide;
}

// ---- number entry ------------------------------------------------------------------------

// Index of an exponent "E" among the text's last four characters, else 0.
int ExponentAt(const std::string& text) {
  for (size_t i = text.size() > 4 ? text.size() - 4 : 0; i < text.size(); ++i)
    if (text[i] == 'E') return static_cast<int>(i);
  return 0;
}

// Types ch into the digits `typed` of a number of magnitude `value` at caret
// side `side`. On success returns the new caret side and sets *text and
// *magnitude; 0 when refused.
int TypeIntoNumber(const char* typed, double value, char ch, int side, std::string* text,
                   double* magnitude) {
  std::string t(typed, strnlen(typed, kMcNumberTextSize - 1));
  if (t.empty() || std::strtod(t.c_str(), nullptr) != value) {
    char printed[64];
    std::snprintf(printed, sizeof printed, "%0.15G", value);
    t = printed;
    // 1E+05 is typed as 1E5.
    if (const int e = ExponentAt(t); e != 0) {
      if (e + 1 < static_cast<int>(t.size()) && t[e + 1] == '+') t.erase(e + 1, 1);
      while (e + 1 < static_cast<int>(t.size()) && t[e + 1] == '0') t.erase(e + 1, 1);
    }
  }
  const int e = ExponentAt(t);
  const size_t point = t.find('.');
  const int d = point == std::string::npos ? 0 : static_cast<int>(point);
  const int length = static_cast<int>(t.size());
  int i = side == 1 ? length : side > 1 ? std::min(side - 1, length) : 0;
  if (ch == '.') {
    if ((e != 0 && e < i) || (d != 0 && (i == d || i == d + 1))) return 0;
    if (point != std::string::npos) {
      t.erase(point, 1);
      if (static_cast<int>(point) < i) --i;
    }
    if (i == 0) {
      t.insert(0, 1, '0');
      i = 1;
    }
  } else if (ch == 'E') {
    // An exponent needs a mantissa before it.
    if (e != 0 || (d != 0 && i <= d) || i == 0) return 0;
  } else if (ch == '-') {
    if (i == 0 || t[i - 1] != 'E' || t.find('-', i - 1) != std::string::npos) return 0;
  }
  const int mantissa = t.find('.') == std::string::npos ? 15 : 16;
  if (ch != '.' && e == mantissa && i <= e) return 0;
  if (e == 0 && static_cast<int>(t.size()) >= mantissa) return 0;
  if (static_cast<int>(t.size()) >= kMaxNumberText) return 0;
  const bool atEnd = i == static_cast<int>(t.size());
  t.insert(i, 1, ch);
  const double result = std::strtod(t.c_str(), nullptr);
  if (!std::isfinite(result)) return 0;
  if (result == 0 && t.find_first_of("123456789") != std::string::npos) return 0;
  *text = t;
  *magnitude = std::fabs(result);
  return atEnd ? 1 : i + 2;
}

// An action that cannot act on the caret node runs on a new factor beside it:
// the caret node gains a placeholder neighbour (an implicit product) and the
// same item runs again on that placeholder, where it always acts.
DWORD AsNewFactor(CZevMcEdit& edit, DWORD code, McEditStep& step,
                  DWORD (CZevMcEdit::*action)(DWORD, McEditStep&)) {
  if (edit.InsertFactor(ZevItemCode(kZevInsertFactor, 0), step) == 0) return 0;
  CMcBasic* remembered = step.pCaret;
  step.pCaret = step.pNewCaret;
  step.nCaretSide = step.nNewCaretSide;
  step.nNewCaretSide = 1;
  const DWORD result = (edit.*action)(code, step);
  step.pNewSubtree = step.pNewCaret;
  step.pRelayout = remembered;
  return result;
}

// ---- the steps of a character -----------------------------------------------------------
// InsertCharacter tries these in turn: each acts (returns the code, or 0 for
// refused) or leaves everything as it was (kNotMine) for the next.

constexpr DWORD kNotMine = ~DWORD{0};

// What a typed character and the caret node are, read once.
struct TypedChar {
  DWORD code;
  char ch;
  bool textMode;
  bool letter;
  bool numeric;  // a digit or "."
  McKindCode kind;
  int level;
  CMcBasic* n;
  CMcBasic* parent;
};

// Into a placeholder: a new one-letter variable (a to n and A to N upright
// constants) or a number.
DWORD IntoPlaceholder(CZevMcEdit& edit, const TypedChar& t, McEditStep& step) {
  if (t.kind != kMcNull) return kNotMine;
  if (t.ch == '-') return 0;
  const WORD sign = t.n->m_flags & kMcSignMask;
  CMcBasic* made;
  if (t.letter) {
    const char ch = t.ch;
    const bool constant = (ch >= 'a' && ch <= 'n') || (ch >= 'A' && ch <= 'N');
    const char name[] = {ch, '\0'};
    made = new CMcVariable(
        name, "", static_cast<WORD>(sign | McLevelBits(t.level) | (constant ? kMcConstant : 0)));
  } else {
    std::strcpy(edit.m_szNumber, t.ch == '.' ? "0." : std::string(1, t.ch).c_str());
    made =
        new CMcReal(t.ch == '.' ? 0.0 : t.ch - '0', static_cast<WORD>(sign | McLevelBits(t.level)));
  }
  t.parent->ReplaceChild(made, t.n);
  delete t.n;
  // A new number is named as the caret it replaced, so that the engine keeps
  // the text just typed ("0.") instead of reprinting its value.
  step.pCaret = McIsKind(made, kMcReal) ? made : nullptr;
  step.pNewCaret = step.pRelayout = made;
  return t.code;
}

// A letter names an unnamed variable, or an unnamed function (the caret then
// goes to an empty argument, or stays in the name in text mode).
DWORD NameTheUnnamed(const TypedChar& t, McEditStep& step) {
  if (!t.letter || (t.kind != kMcVariable && t.kind != kMcFunction) || !IsEmptyName(NameOf(t.n)))
    return kNotMine;
  NameWith(t.n, t.ch);
  if (t.kind == kMcVariable) {
    step.pRelayout = t.n;
    return t.code;
  }
  CMcBasic* argument = static_cast<CMcFunction*>(t.n)->GetArgument();
  if (!t.textMode && McIsKind(argument, kMcNull)) {
    step.pNewCaret = argument;
    step.nNewCaretSide = 0;
  } else {
    step.nNewCaretSide = 2;
  }
  step.pRelayout = step.pNewCaret;
  return t.code;
}

// A digit right after a letter: its power, or for "0" and "1" a subscript.
DWORD DigitAfterLetter(CZevMcEdit& edit, const TypedChar& t, McEditStep& step) {
  if (t.textMode || t.kind != kMcVariable || !IsDigit(t.ch) || edit.m_nLogLength <= 0)
    return kNotMine;
  const DWORD last = edit.LastItemCode();
  if (!(ZevItemAction(last) == kZevInsertCharacter &&
        IsLetter(static_cast<char>(ZevItemValue(last)))) &&
      ZevItemAction(last) != kZevInsertGreek)
    return kNotMine;
  const int digit = t.ch - '0';
  return edit.InsertSpecialValue(
      ZevItemCode(kZevInsertSpecialValue, digit >= 2 ? digit : digit + 10), step);
}

// A letter on a differentiation variable (not the expression): another
// variable beside it.
DWORD AnotherDerivativeVariable(const TypedChar& t, McEditStep& step) {
  if (!McIsKind(t.parent, kMcDerivative) || t.parent->m_children[0] == t.n || t.numeric)
    return kNotMine;
  const char name[] = {t.ch, '\0'};
  auto* variable = new CMcVariable(name, "", McLevelBits(t.level));
  t.parent->InsertChildNextTo(variable, t.n, step.nCaretSide != 0);
  step.pNewCaret = step.pRelayout = variable;
  return t.code;
}

// A letter on the integration variable: a double integral, inside (caret
// before the variable) or outside.
DWORD DoubleIntegral(const TypedChar& t, McEditStep& step) {
  CMcBasic* parent = t.parent;
  if (!McIsKind(parent, kMcIntegral) || parent->m_count != CMcIntegral::kParts ||
      parent->m_children[CMcIntegral::kVariable] != t.n || t.numeric)
    return kNotMine;
  const char name[] = {t.ch, '\0'};
  auto* variable = new CMcVariable(name, "", McLevelBits(t.level));
  CMcBasic* lower = new CMcNull(McLevelBits(t.level + 1));
  CMcBasic* upper = new CMcNull(McLevelBits(t.level + 1));
  CMcIntegral* integral;
  if (step.nCaretSide == 0) {
    integral = new CMcIntegral(parent->m_children[CMcIntegral::kIntegrand], lower, upper, variable,
                               static_cast<WORD>(parent->m_flags & ~kMcSignMask));
    parent->SetChildAt(integral, CMcIntegral::kIntegrand);
    step.pRelayout = parent;
  } else {
    CMcBasic* outer = parent->m_parent;
    if (outer == nullptr) {
      delete variable;
      delete lower;
      delete upper;
      return 0;
    }
    integral = new CMcIntegral(parent, lower, upper, variable, parent->m_flags);
    outer->ReplaceChild(integral, parent);
    parent->m_flags &= static_cast<WORD>(~kMcSignMask);
    step.pRelayout = outer;
  }
  step.pNewSubtree = integral;
  step.pNewCaret = variable;
  return t.code;
}

// A character that cannot go into the caret node's text goes beside it: a
// derivative's or integral's new variable, else a new factor.
DWORD BesideTheNode(CZevMcEdit& edit, const TypedChar& t, McEditStep& step) {
  const McKindCode kind = t.kind;
  const bool outside = (kind != kMcReal && kind != kMcVariable && kind != kMcFunction) ||
                       (kind == kMcReal && t.letter && t.ch != 'E') ||
                       (kind == kMcFunction && step.nCaretSide == 1) ||
                       (!t.textMode && (kind == kMcVariable || kind == kMcFunction));
  if (!outside) return kNotMine;
  if (t.ch == '-') return 0;
  if (DWORD r = AnotherDerivativeVariable(t, step); r != kNotMine) return r;
  if (DWORD r = DoubleIntegral(t, step); r != kNotMine) return r;
  return AsNewFactor(edit, t.code, step, &CZevMcEdit::InsertCharacter);
}

// Into the digits of the number being typed.
DWORD IntoNumber(CZevMcEdit& edit, const TypedChar& t, McEditStep& step) {
  if (t.kind != kMcReal) return kNotMine;
  auto* real = static_cast<CMcReal*>(t.n);
  std::string text;
  double magnitude = 0;
  const int side =
      TypeIntoNumber(edit.m_szNumber, real->m_value, t.ch, step.nCaretSide, &text, &magnitude);
  if (side == 0) return 0;
  std::memcpy(edit.m_szNumber, text.c_str(), text.size() + 1);
  real->m_value = magnitude;
  step.nNewCaretSide = static_cast<BYTE>(side);
  step.pRelayout = t.n;
  return t.code;
}

// Into a variable's or a function's name or subscript (text mode).
DWORD IntoName(const TypedChar& t, McEditStep& step) {
  if (t.ch == '-') return 0;
  const int side = TypeIntoName(t.n, t.ch, step.nCaretSide);
  if (side == 0) return 0;
  step.nNewCaretSide = static_cast<BYTE>(side);
  step.pRelayout = t.n;
  return t.code;
}

}  // namespace

// ---- characters --------------------------------------------------------------------------

DWORD CZevMcEdit::InsertCharacter(DWORD code, McEditStep& step) {
  CMcBasic* n = step.pCaret;
  CMcBasic* parent = n ? n->m_parent : nullptr;
  if (parent == nullptr) return 0;
  const char ch = static_cast<char>(ZevItemValue(code));
  const TypedChar t{code,
                    ch,
                    (ZevItemFlags(code) & kZevKeyText) != 0,
                    IsLetter(ch),
                    IsDigit(ch) || ch == '.',
                    McKindOf(n->GetType()),
                    n->GetLevel(),
                    n,
                    parent};
  // A minus reaches this action only for the number being typed.
  if (!t.letter && !t.numeric && ch != '-') return 0;
  if (DWORD r = IntoPlaceholder(*this, t, step); r != kNotMine) return r;
  if (DWORD r = NameTheUnnamed(t, step); r != kNotMine) return r;
  if (DWORD r = DigitAfterLetter(*this, t, step); r != kNotMine) return r;
  if (DWORD r = BesideTheNode(*this, t, step); r != kNotMine) return r;
  if (DWORD r = IntoNumber(*this, t, step); r != kNotMine) return r;
  return IntoName(t, step);
}

// ---- Greek letters ---------------------------------------------------------------------------

DWORD CZevMcEdit::InsertGreek(DWORD code, McEditStep& step) {
  CMcBasic* n = step.pCaret;
  CMcBasic* parent = n ? n->m_parent : nullptr;
  const int k = ZevItemValue(code);
  if (parent == nullptr || k >= kGreekCount) return 0;
  const char name[] = {kGreekLetters[k], '\0'};
  // The plain "i" and "j" are ordinary letters, not Symbol-font ones.
  const bool greek = k < kFirstPlainLetter;
  if (McIsKind(n, kMcNull)) {
    WORD flags = static_cast<WORD>((n->m_flags & kMcSignMask) | McLevelBits(n->GetLevel()));
    if (greek) flags |= static_cast<WORD>(kMcVariant | (k < kFirstItalicGreek ? kMcConstant : 0));
    auto* variable = new CMcVariable(name, "", flags);
    parent->ReplaceChild(variable, n);
    delete n;
    step.pCaret = nullptr;
    step.pNewCaret = step.pRelayout = variable;
    return code;
  }
  if ((McIsKind(n, kMcVariable) || McIsKind(n, kMcFunction)) && IsEmptyName(NameOf(n))) {
    NameWith(n, name[0]);
    if (greek) n->m_flags |= kMcVariant;
    step.pRelayout = n;
    return code;
  }
  return AsNewFactor(*this, code, step, &CZevMcEdit::InsertGreek);
}

// ---- function templates ------------------------------------------------------------------

DWORD CZevMcEdit::InsertFunction(DWORD code, McEditStep& step) {
  CMcBasic* n = step.pCaret;
  CMcBasic* parent = n ? n->m_parent : nullptr;
  const int id = ZevItemParameter(code);
  if (parent == nullptr || id >= kFunctionCount) return 0;
  const int level = n->GetLevel();
  const WORD sign = n->m_flags & kMcSignMask;
  n->m_flags &= static_cast<WORD>(~kMcSignMask);
  const bool placeholder = McIsKind(n, kMcNull);
  const ArgumentTemplate* form = nullptr;
  for (const ArgumentTemplate& t : kTemplates)
    if (t.id == id && (placeholder || id == kRungeKutta)) form = &t;
  const WORD flags = static_cast<WORD>(sign | McLevelBits(level));
  if (form == nullptr) {
    // The caret node becomes the argument; it keeps its level.
    auto* function = new CMcFunction(n, kFunctionNames[id], "", flags);
    parent->ReplaceChild(function, n);
    if (!placeholder) step.pNewCaret = function;
    step.pRelayout = n;
    return code;
  }
  auto* row = new CMcMatrix(McLevelBits(level));
  if (id == kRungeKutta) row->AppendChild(n);
  for (const auto& e : form->elements)
    if (e.name != nullptr)
      row->AppendChild(
          new CMcVariable(e.name, e.subscript, static_cast<WORD>(e.flags | McLevelBits(level))));
  row->SetColumns(row->m_count);
  auto* function = new CMcFunction(row, kFunctionNames[id], "", flags);
  parent->ReplaceChild(function, n);
  if (id != kRungeKutta) {
    delete n;
    step.pCaret = row;
    step.pNewCaret = row;
  }
  step.pRelayout = step.pNewSubtree = function;
  return code;
}
