#include "MC/Mc_function.h"

#include "GlobalResources.h"
#include "MC/MC_POWER.h"
#include "MC/MC_REAL.h"
#include "MC/MC_ROOT.h"
#include "MC/MXC_TERM.h"
#include "MC/McComplex.h"
#include "MC/McFunctions.h"
#include "MC/McLayout.h"
#include "MC/Mc_division.h"
#include "MC/Mc_variable.h"
#include "QorexDoc.h"
#include "platform/gdi/SelectGuard.h"
#include "platform/core/Archive.h"
#include "platform/gdi/Gdi.h"

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

namespace {

McComplex Signed(const McComplex& v, bool negated) {
  return negated ? McComplexNeg(v) : v;
}

int TextWidth(CDC* dc, const char* text) {
  const int n = static_cast<int>(std::strlen(text));
  return n && dc ? dc->GetTextExtent(text, n).cx : 0;
}

// Text is measured in the shared measuring context; a layout passed up
// without a context still finds it there.
CDC* MeasureDC(CDC* dc) {
  return g_pMeasureDC ? g_pMeasureDC : dc;
}

}  // namespace

CMcFunction::CMcFunction(CMcBasic* argument, const char* name, const char* subscript, WORD flags)
    : CMcBasic(flags) {
  SetBuffer(name ? name : "", subscript ? subscript : "");
  if (argument != nullptr) AppendChild(argument);
}

CMcFunction::~CMcFunction() {
  delete[] m_buffer;
}

void CMcFunction::SetBuffer(const char* name, const char* subscript) {
  // The stored length is 16 bits: cut what would not fit.
  const size_t nameLength = std::min<size_t>(std::strlen(name), 0xFFFD);
  const size_t subLength = std::min<size_t>(std::strlen(subscript), 0xFFFD - nameLength);
  m_bufferLength = static_cast<WORD>(nameLength + subLength + 2);
  m_buffer = new char[m_bufferLength];
  std::memcpy(m_buffer, name, nameLength);
  m_buffer[nameLength] = '\0';
  std::memcpy(m_buffer + nameLength + 1, subscript, subLength);
  m_buffer[nameLength + 1 + subLength] = '\0';
}

const char* CMcFunction::GetSubscript() const {
  return m_buffer + std::strlen(m_buffer) + 1;
}

// ---- records -------------------------------------------------------------------

CMcBasic* CMcFunction::Load(CArchive& ar) {
  WORD count = 0, baseline = 0, flags = 0;
  McBox box;
  if (!LoadHeader(ar, &count, &box, &baseline, &flags) || count != 1) return nullptr;
  CMcBasic* argument = LoadNode(ar);
  if (argument == nullptr) return nullptr;
  WORD length = 0;
  ar >> length;
  // A length beyond the remaining input is refused before anything is made for it.
  if (ar.HasFailed() || length > ar.GetBytesRemaining()) {
    delete argument;
    return nullptr;
  }
  std::vector<char> bytes(length);
  if (length > 0) ar.Read(bytes.data(), length);
  // The buffer must end with its zero and hold a zero before the subscript.
  // "\0\0" (no name, no subscript) is what Store writes for an empty name.
  int separator = -1;
  for (int i = static_cast<int>(length) - 2; i >= 0 && separator < 0; --i)
    if (bytes[i] == '\0') separator = i;
  if (ar.HasFailed() || length < 2 || bytes[length - 1] != '\0' || separator < 0) {
    delete argument;
    return nullptr;
  }
  CMcFunction* node = new CMcFunction(argument, bytes.data(), bytes.data() + separator + 1, flags);
  node->SetStoredLayout(box, baseline);
  return node;
}

void CMcFunction::Store(CArchive& ar) const {
  CMcBasic::Store(ar);
  ar << m_bufferLength;
  ar.Write(m_buffer, m_bufferLength);
}

// ---- caret -----------------------------------------------------------------------

BOOL CMcFunction::Navigate(int direction, int modifier, McCursor* cursor) {
  CMcBasic* argument = GetArgument();
  auto place = [&](CMcBasic* node, int side) -> BOOL {
    if (node == nullptr) return FALSE;
    cursor->node = node;
    cursor->side = static_cast<BYTE>(side);
    return TRUE;
  };
  auto toParent = [&](int dir) -> BOOL {
    cursor->node = this;
    return m_parent ? m_parent->Navigate(dir, modifier, cursor) : FALSE;
  };
  // Last caret side inside the name buffer: after the name's last character,
  // or after the subscript's.
  const int last = std::min(HasSubscript() ? m_bufferLength : m_bufferLength - 1, 255);
  const int from = cursor->fromSide;
  const bool horizontal = direction == kMcLeft || direction == kMcRight;
  if (modifier != 0) {
    if (cursor->origin == this && from != 1 && horizontal && !(direction == kMcLeft && from == 0)) {
      if (direction == kMcRight) {
        if (from == 0) return place(this, last >= 2 ? 2 : 1);
        if (from >= last) return place(argument, 0);
        return place(this, from + 1);
      }
      return place(this, from <= 2 ? 0 : std::min(from, last) - 1);
    }
    if (argument != nullptr && cursor->origin == argument && from == 0 && direction == kMcLeft)
      return place(this, last);
  }
  if (!horizontal) return toParent(direction);
  if (cursor->node == this) {
    if (from == 0) return direction == kMcLeft ? toParent(kMcLeft) : place(argument, 0);
    return direction == kMcRight ? toParent(kMcRight) : place(argument, 1);
  }
  if (from == 0 && direction == kMcLeft) return place(this, 0);
  if (from != 0 && direction == kMcRight) return place(this, 1);
  return FALSE;
}

// ---- evaluation --------------------------------------------------------------------

const CMcBasic* CMcFunction::ListArgument() const {
  const CMcBasic* a = GetArgument();
  if (!McIsKind(a, kMcMatrix) || a->m_count != 2 || a->GetSign() != 0) return nullptr;
  return a;
}

McComplex* CMcFunction::Evaluate(McComplex* result, CQorexDoc* doc, CSIMsystem* sim) const {
  const CMcBasic* argument = GetArgument();
  const bool negated = (m_flags & kMcMinus) != 0;
  const McBuiltin f = (m_flags & (kMcFunctionStyleMask | kMcConstant)) == 0 && argument
                          ? McFindBuiltin(m_buffer)
                          : McBuiltin::None;
  if (f != McBuiltin::None && !McIsListBuiltin(f)) {
    McComplex z;
    argument->Evaluate(&z, doc, sim);
    if (f == McBuiltin::Srand) {
      McRandSeed(McRandSeedOf(z));
      *result = {negated ? -1.0 : 1.0, 0.0};
      return result;
    }
    if (f == McBuiltin::Rand) {
      // Between -z and z; a minus sign negates the drawn value.
      const double u = McRandDraw() / McRandMax;
      *result = Signed({z.re * (2 * u) - z.re, z.im * (2 * u) - z.im}, negated);
      return result;
    }
    *result = Signed(McEvaluateBuiltin(f, z), negated);
    return result;
  }
  if (f != McBuiltin::None) {
    if (const CMcBasic* list = ListArgument()) {
      McComplex a, b;
      list->m_children[0]->Evaluate(&a, doc, sim);
      list->m_children[1]->Evaluate(&b, doc, sim);
      *result = Signed(McEvaluateListBuiltin(f, a, b), negated);
      return result;
    }
  }
  const char letter = McSignalLetter(m_buffer);
  if (letter != 0 && argument != nullptr) return EvaluateSignal(result, letter, doc, sim);
  return CMcBasic::Evaluate(result, doc, sim);
}

McComplex* CMcFunction::EvaluateSignal(McComplex* result, char letter, CQorexDoc* doc,
                                       CSIMsystem* sim) const {
  const CMcBasic* argument = GetArgument();
  const CSIMsignal* signal = McSignalOf(sim, letter, false);
  const int columns = signal ? signal->m_nColumns : 0;
  int k = 0;
  // The unsigned time variable reads the current step without rounding.
  if (McIsKind(argument, kMcVariable) && static_cast<const CMcVariable*>(argument)->m_index == 1 &&
      argument->GetSign() == 0) {
    k = McClampSample(sim ? sim->m_nStep.load() : 0, columns);
  } else {
    McComplex x;
    argument->Evaluate(&x, doc, sim);
    k = McSampleIndex(x.re, sim ? sim->m_dTs : 0.0, columns);
  }
  *result =
      Signed(McSignalSample(signal, McSignalChannel(GetSubscript()), k), (m_flags & kMcMinus) != 0);
  return result;
}

McComplex* CMcFunction::EvaluateVector(CQorexDoc* doc) const {
  const CMcBasic* argument = GetArgument();
  const int n = McStepCount(doc);
  const bool negated = (m_flags & kMcMinus) != 0;
  const McBuiltin f = (m_flags & (kMcFunctionStyleMask | kMcConstant)) == 0 && argument
                          ? McFindBuiltin(m_buffer)
                          : McBuiltin::None;
  if (f != McBuiltin::None && !McIsListBuiltin(f)) {
    McComplex* v = argument->EvaluateVector(doc);
    if (f == McBuiltin::Srand) {
      if (n > 0) McRandSeed(McRandSeedOf(v[0]));
      for (int i = 0; i < n; ++i) v[i] = {negated ? -1.0 : 1.0, 0.0};
    } else if (f == McBuiltin::Rand) {
      // Plain rand lies between 0 and its argument here; plus-minus spans
      // -x .. x, a minus sign -x .. 0.
      const int sign = GetSign();
      for (int i = 0; i < n; ++i) {
        const double u = McRandDraw() / McRandMax;
        const McComplex x = v[i];
        if (sign >= 2)
          v[i] = {x.re * (2 * u) - x.re, x.im * (2 * u) - x.im};
        else if (sign == 1)
          v[i] = {-x.re * u, -x.im * u};
        else
          v[i] = {x.re * u, x.im * u};
      }
    } else {
      for (int i = 0; i < n; ++i) v[i] = Signed(McEvaluateBuiltin(f, v[i]), negated);
    }
    return v;
  }
  if (f != McBuiltin::None) {
    if (const CMcBasic* list = ListArgument()) {
      McComplex* a = list->m_children[0]->EvaluateVector(doc);
      McComplex* b = list->m_children[1]->EvaluateVector(doc);
      for (int i = 0; i < n; ++i) a[i] = Signed(McEvaluateListBuiltin(f, a[i], b[i]), negated);
      delete[] b;
      return a;
    }
  }
  const char letter = McSignalLetter(m_buffer);
  if (letter != 0 && argument != nullptr) return SignalVector(letter, doc);
  return CMcBasic::EvaluateVector(doc);
}

McComplex* CMcFunction::SignalVector(char letter, CQorexDoc* doc) const {
  McComplex* v = GetArgument()->EvaluateVector(doc);
  const int n = McStepCount(doc);
  const CSIMsystem* sys = doc ? &doc->m_system : nullptr;
  const CSIMsignal* signal = McSignalOf(sys, letter, true);
  const int columns = signal ? signal->m_nColumns : 0;
  const int channel = McSignalChannel(GetSubscript());
  const double ts = sys ? sys->m_dTs : 0.0;
  const bool negated = (m_flags & kMcMinus) != 0;
  for (int i = 0; i < n; ++i)
    v[i] = Signed(McSignalSample(signal, channel, McSampleIndex(v[i].re, ts, columns)), negated);
  return v;
}

// ---- layout and drawing ------------------------------------------------------------

int CMcFunction::NameFamily(int decoration) const {
  const int family = (m_flags & kMcVariant) ? kFontSymbol : kFontArial;
  return decoration == 3 ? family + 1 : family;
}

CMcBasic* CMcFunction::PowerParent() const {
  if (!McIsKind(m_parent, kMcPower)) return nullptr;
  return m_parent->m_count > 0 && m_parent->m_children[0] == this ? m_parent : nullptr;
}

void CMcFunction::Layout(CDC* dc, int mode) {
  const int level = GetLevel();
  CMcBasic* power = PowerParent();
  CMcBasic* argument = GetArgument();
  if (mode == kMcLayoutFromTop && argument != nullptr) {
    argument->SetLevel(level);
    argument->Layout(dc, kMcLayoutFromTop);
  }
  // The argument sits at the right end, in parentheses unless it is a matrix.
  CRect am(0, 0, 0, 0);
  int width = 0, height = 0, baseline = 0;
  if (argument != nullptr) {
    baseline = argument->m_baseline;
    if (!McIsKind(argument, kMcMatrix)) am = LayoutParens(argument->m_box, baseline);
    baseline += am.top;
    width = argument->m_box.width + am.left + am.right;
    height = argument->m_box.height + am.top + am.bottom;
  }
  CDC* measure = MeasureDC(dc);
  if (measure) McSelectFont(measure, NameFamily(McDecorationOf(m_flags)), level);
  const int nameWidth = TextWidth(measure, m_buffer);
  width += nameWidth;
  // Subscript and exponent share the room right of the name.
  const int exponentWidth = power && power->m_count > 1 ? power->m_children[1]->m_box.width : 0;
  if (HasSubscript()) {
    if (measure) McSelectFont(measure, kFontArial, McSmallerLevel(level));
    width += std::max(TextWidth(measure, GetSubscript()), exponentWidth);
  } else {
    width += exponentWidth;
  }
  m_box.width = width;
  m_box.height = height;
  m_baseline = static_cast<WORD>(baseline);
  const CRect sm = LayoutSignAndParens();
  if (power != nullptr) {
    const int offset = std::clamp(nameWidth + static_cast<int>(sm.left), 0, 255);
    power->m_flags = McWithKindData(power->m_flags, offset);
  }
  if (argument != nullptr) {
    argument->m_box.x = m_box.width - sm.right - am.right - argument->m_box.width;
    argument->m_box.y = sm.top + am.top;
  }
  RelayoutParent(dc, mode);
}

void CMcFunction::Draw(CDC* dc, int x, int y) const {
  x += m_box.x;
  y += m_box.y;
  if (const CMcBasic* argument = GetArgument()) {
    if (!McIsKind(argument, kMcMatrix)) DrawParens(dc, x, y, argument->m_box, argument->m_baseline);
    argument->Draw(dc, x, y);
  }
  const int m = DrawSignAndParens(dc, x, y).left;
  const int level = GetLevel();
  const int decoration = McDecorationOf(m_flags);
  const int family = NameFamily(decoration);
  McSelectFont(dc, family, level);
  CDC* measure = MeasureDC(dc);
  McSelectFont(measure, family, level);
  const int w = TextWidth(measure, m_buffer);
  const int nameLength = static_cast<int>(std::strlen(m_buffer));
  if (nameLength) dc->TextOut(x + m, y + m_baseline, m_buffer, nameLength);
  if (HasSubscript()) {
    const int sub = McSmallerLevel(level);
    McSelectFont(dc, kFontArial, sub);
    const char* s = GetSubscript();
    dc->TextOut(x + m + w, y + m_baseline + McFontAscent(kFontArial, sub) / 2, s,
                static_cast<int>(std::strlen(s)));
  }
  DrawDecoration(dc, x + m, y, w, McFontHeight(family, level), decoration);
}

void CMcFunction::DrawDecoration(CDC* dc, int left, int y, int w, int h, int code) const {
  const int right = left + w;
  const int b = y + m_baseline;
  if (code == 4 || code == 7) {
    // Tilde or circumflex of the Windows Latin-1 code page, over the name.
    McSelectFont(dc, kFontNumber, GetLevel());
    const char mark[2] = {static_cast<char>(code == 4 ? 0x98 : 0x88), 0};
    dc->TextOut(left + w / 2 - h / 6, b, mark, 1);
    return;
  }
  if (code != 1 && code != 2 && code != 5 && code != 6) return;
  dc->SelectObject(g_pens[0][ColorIndex(dc->GetTextColor())]);
  switch (code) {
    case 1:
    case 2:
      dc->MoveTo(left, b + h / 10 + 1);
      dc->LineTo(right, b + h / 10 + 1);
      if (code == 2) {
        dc->MoveTo(left, b + h / 10 + 3);
        dc->LineTo(right, b + h / 10 + 3);
      }
      break;
    case 5:
      dc->MoveTo(left, y + h / 10 + 1);
      dc->LineTo(right, y + h / 10 + 1);
      dc->LineTo(right - h / 5 - 1, y);
      break;
    default:
      dc->MoveTo(left, y + h / 10 + 1);
      dc->LineTo(right, y + h / 10 + 1);
      dc->LineTo(right - h / 10 - 2, y);
      dc->MoveTo(right, y + h / 10 + 1);
      dc->LineTo(right - h / 10 - 2, y + h / 5 + 2);
      break;
  }
}

int CMcFunction::GetCaretPos(CDC* dc) const {
  const COLORREF oldColor = dc->SetTextColor(RGB(0, 0, 0));
  const int oldMode = dc->SetBkMode(TRANSPARENT);
  const UINT oldAlign = dc->SetTextAlign(TA_BASELINE);
  QxSelectGuard font(dc, g_fonts[kFontItalic][0]);
  QxSelectGuard pen(dc, g_pens[0][0]);
  const int m = DrawSignAndParens(dc, dc->GetViewportOrg().x - m_box.width, 0).left;
  dc->SetTextAlign(oldAlign);
  dc->SetBkMode(oldMode);
  dc->SetTextColor(oldColor);
  return m;
}

// ---- copies and comparison -----------------------------------------------------------

CMcBasic* CMcFunction::Clone() const {
  const CMcBasic* argument = GetArgument();
  return new CMcFunction(argument ? argument->Clone() : nullptr, m_buffer, GetSubscript(), m_flags);
}

WORD CMcFunction::Compare(const CMcBasic* other) const {
  if (other->GetType() != GetType()) return kMcDiffType;
  const CMcFunction* o = static_cast<const CMcFunction*>(other);
  WORD diff = ((m_flags ^ o->m_flags) & kMcSignMask) ? kMcDiffSign : 0;
  if ((m_flags ^ o->m_flags) & kMcFunctionStyleMask) diff |= kMcDiffFlags;
  if (m_bufferLength != o->m_bufferLength || std::strcmp(m_buffer, o->m_buffer) != 0 ||
      std::strcmp(GetSubscript(), o->GetSubscript()) != 0)
    diff |= kMcDiffValue;
  const CMcBasic* a = GetArgument();
  const CMcBasic* b = o->GetArgument();
  if ((a == nullptr) != (b == nullptr) || (a && a->Compare(b) != 0)) diff |= kMcDiffChild;
  return diff;
}

// ---- symbolic operations -----------------------------------------------------------

namespace {

// The derivative table. G, the derivative by the argument X, is another
// function of X, the square of one, the product of two, or a quotient whose
// numerator M is the chain factor and whose denominator is one of five trees
// in X. `negate` puts a minus on G.
enum class Shape { kFunction, kSquare, kProduct, kQuotient };
enum class Denominator {
  kNone,
  kRootOneMinusSquare,
  kOnePlusSquare,
  kRootSquarePlusOne,
  kRootSquareMinusOne,
  kOneMinusSquare
};

struct DerivativeRule {
  const char* name;
  Shape shape;
  const char* first;
  const char* second;
  bool negate;
  Denominator denominator;
};

constexpr DerivativeRule kDerivativeRules[] = {
    {"sin", Shape::kFunction, "cos", "", false, Denominator::kNone},
    {"cos", Shape::kFunction, "sin", "", true, Denominator::kNone},
    {"sinh", Shape::kFunction, "cosh", "", false, Denominator::kNone},
    {"cosh", Shape::kFunction, "sinh", "", false, Denominator::kNone},
    {"tan", Shape::kSquare, "sec", "", false, Denominator::kNone},
    {"tanh", Shape::kSquare, "sech", "", false, Denominator::kNone},
    {"cot", Shape::kSquare, "cosec", "", true, Denominator::kNone},
    {"coth", Shape::kSquare, "cosech", "", true, Denominator::kNone},
    {"sec", Shape::kProduct, "sec", "tan", false, Denominator::kNone},
    {"sech", Shape::kProduct, "sech", "tanh", true, Denominator::kNone},
    {"cosec", Shape::kProduct, "cosec", "cot", true, Denominator::kNone},
    {"cosech", Shape::kProduct, "cosech", "coth", true, Denominator::kNone},
    {"asin", Shape::kQuotient, "", "", false, Denominator::kRootOneMinusSquare},
    {"acos", Shape::kQuotient, "", "", true, Denominator::kRootOneMinusSquare},
    {"atan", Shape::kQuotient, "", "", false, Denominator::kOnePlusSquare},
    {"asinh", Shape::kQuotient, "", "", false, Denominator::kRootSquarePlusOne},
    {"acosh", Shape::kQuotient, "", "", false, Denominator::kRootSquareMinusOne},
    {"atanh", Shape::kQuotient, "", "", false, Denominator::kOneMinusSquare},
};

const DerivativeRule* FindDerivativeRule(const char* name) {
  for (const DerivativeRule& rule : kDerivativeRules) {
    if (std::strcmp(rule.name, name) == 0) return &rule;
  }
  return nullptr;
}

// Names, the Symbol font or a decoration make a function the derivative
// table does not know.
constexpr WORD kStyleMask = kMcFunctionStyleMask;

CMcBasic* NewFunction(const char* name, CMcBasic* argument, WORD flags = 0) {
  return new CMcFunction(argument, name, "", flags);
}

// X squared, with the given sign on the power.
CMcBasic* Square(CMcBasic* x, WORD flags = 0) {
  return new CMcPower(x, new CMcReal(2.0, 0), flags);
}

CMcBasic* SquareRoot(CMcBasic* radicand) {
  return new CMcRoot(radicand, new CMcReal(2.0, 0), 0);
}

CMcBasic* NewDenominator(Denominator kind, const CMcBasic* argument) {
  CMcBasic* x = argument->Clone();
  switch (kind) {
    case Denominator::kRootOneMinusSquare:
      return SquareRoot(McNewSum(0, {new CMcReal(1.0, 0), Square(x, 1)}));
    case Denominator::kOnePlusSquare:
      return McNewSum(0, {new CMcReal(1.0, 0), Square(x)});
    case Denominator::kRootSquarePlusOne:
      return SquareRoot(McNewSum(0, {Square(x), new CMcReal(1.0, 0)}));
    case Denominator::kRootSquareMinusOne:
      return SquareRoot(McNewSum(0, {Square(x), new CMcReal(1.0, kMcMinus)}));
    default:
      return McNewSum(0, {new CMcReal(1.0, 0), Square(x, 1)});
  }
}

}  // namespace

CMcBasic* CMcFunction::Differentiate(CMcBasic* variable, unsigned options) {
  CMcBasic* argument = GetArgument();
  if (argument == nullptr || (m_flags & kStyleMask) != 0 || HasSubscript())
    return CMcBasic::Differentiate(variable, options);
  if (argument->GetType() == McTypeWord(kMcReal) ||
      (McIsKind(argument, kMcVariable) && McIsConstantFor(argument, variable, options)))
    return new CMcReal(0.0, 0);
  const DerivativeRule* rule = FindDerivativeRule(GetFunctionName());
  if (rule == nullptr) return CMcBasic::Differentiate(variable, options);

  // The argument is the variable itself, signs aside, or needs its own
  // derivative as the chain factor.
  const bool isVariable = (argument->Compare(variable) & ~kMcDiffSign) == 0;
  CMcBasic* chain = isVariable ? nullptr : McDerivativeOf(argument, variable, options);
  const WORD sign = static_cast<WORD>((m_flags & kMcSignMask) ^ (rule->negate ? 1 : 0));
  CMcBasic* g = nullptr;
  switch (rule->shape) {
    case Shape::kFunction:
      g = NewFunction(rule->first, argument->Clone(),
                      static_cast<WORD>(m_flags ^ (rule->negate ? 1 : 0)));
      break;
    case Shape::kSquare:
      g = Square(NewFunction(rule->first, argument->Clone()), sign);
      break;
    case Shape::kProduct:
      g = McNewProduct(sign, {NewFunction(rule->first, argument->Clone()),
                              NewFunction(rule->second, argument->Clone())});
      if (chain != nullptr) g->AppendChild(chain);
      break;
    case Shape::kQuotient: {
      CMcBasic* m = chain != nullptr ? chain : new CMcReal(1.0, argument->m_flags & kMcSignMask);
      g = new CMcDivision(m, NewDenominator(rule->denominator, argument), sign);
      break;
    }
  }
  if (isVariable && rule->shape != Shape::kQuotient) {
    // The chain factor of -x is -1: without it sin(-x) would give cos(-x).
    McMergeSign(g, argument->m_flags);
    // The square of sec of the variable itself has nothing to simplify.
    if (std::strcmp(rule->name, "tan") == 0) return g;
  } else if (chain != nullptr && rule->shape != Shape::kProduct &&
             rule->shape != Shape::kQuotient) {
    g = McNewProduct(0, {g, chain});
  }
  return CMXC_TERM::Simplify(g);
}

void CMcFunction::Isolate(int) {
  if (!McCanIsolate(this, 0)) return;
  CMcBasic* relation = m_parent;
  CMcBasic* y = relation->m_children[1];
  CMcBasic* x = m_children[0];
  McMergeSign(y, m_flags);
  m_flags &= static_cast<WORD>(~kMcSignMask);
  SetChildAt(y, 0);
  relation->SetChildAt(this, 1);
  relation->SetChildAt(x, 0);
  // The inverse's name; "a" alone becomes the empty name, which records keep.
  const char* name = GetFunctionName();
  std::string inverse = name[0] == 'a' ? "" : "a";
  inverse.append(name[0] == 'a' ? name + 1 : name);
  const std::string subscript = GetSubscript();
  delete[] m_buffer;
  SetBuffer(inverse.c_str(), subscript.c_str());
}
