#include "MC/Mc_variable.h"
#include "MC/MC_POWER.h"

#include "GlobalResources.h"
#include "MC/MC_REAL.h"
#include "MC/McComplex.h"
#include "QorexDoc.h"
#include "platform/gdi/SelectGuard.h"
#include "platform/core/Archive.h"
#include "platform/gdi/DC.h"

#include <cstring>

namespace {

constexpr size_t kMaxBuffer = 0xFFFF;

// Device context to measure text in: the shared measuring context, or the
// caller's when the resources are not made.
CDC* MeasureDC(CDC* dc) {
  return g_pMeasureDC ? g_pMeasureDC : dc;
}

int TextWidth(CDC* dc, CFont* font, const char* text) {
  const int length = static_cast<int>(std::strlen(text));
  if (length == 0) return 0;
  dc->SelectObject(font);
  return dc->GetTextExtent(text, length).cx;
}

}  // namespace

CMcVariable::CMcVariable(const char* name, const char* subscript, WORD flags) : CMcBasic(flags) {
  size_t n = std::strlen(name);
  size_t s = std::strlen(subscript);
  // The stored length is 16 bits: an over-long text is cut, subscript first.
  if (n + s + 2 > kMaxBuffer) s = n + 2 < kMaxBuffer ? kMaxBuffer - n - 2 : 0;
  if (n + s + 2 > kMaxBuffer) n = kMaxBuffer - 2;
  m_length = static_cast<WORD>(n + s + 2);
  m_buffer.reset(new char[m_length]);
  std::memcpy(m_buffer.get(), name, n);
  m_buffer[n] = '\0';
  std::memcpy(m_buffer.get() + n + 1, subscript, s);
  m_buffer[n + 1 + s] = '\0';
}

const char* CMcVariable::GetSubscript() const {
  return m_buffer.get() + std::strlen(m_buffer.get()) + 1;
}

bool CMcVariable::IsTimeVariable() const {
  return m_buffer[0] == 't' && m_length == 3 && (m_flags & (kMcVariant | kMcKindDataMask)) == 0;
}

CMcBasic* CMcVariable::Load(CArchive& ar) {
  WORD count = 0, baseline = 0, flags = 0;
  McBox box;
  if (!LoadHeader(ar, &count, &box, &baseline, &flags) || count != 0) return nullptr;
  DWORD index = 0;
  if (!g_bClipboardDrawing) ar >> index;
  WORD length = 0;
  ar >> length;
  // Length 2 is the empty name with the empty subscript: the node can exist,
  // so its record must load back.
  if (ar.HasFailed() || length < 2 || index > 0xFFFF) return nullptr;
  std::unique_ptr<char[]> bytes(new char[length]);
  ar.Read(bytes.get(), length);
  if (ar.HasFailed() || bytes[length - 1] != '\0') return nullptr;
  // The name runs to the first zero; the subscript starts after the last zero
  // before the final byte.
  int separator = length - 2;
  while (separator >= 0 && bytes[separator] != '\0') --separator;
  if (separator < 0) return nullptr;
  CMcVariable* node = new CMcVariable(bytes.get(), bytes.get() + separator + 1, flags);
  node->m_index = static_cast<WORD>(index);
  node->SetStoredLayout(box, baseline);
  return node;
}

BOOL CMcVariable::Navigate(int direction, int modifier, McCursor* cursor) {
  const int from = cursor->fromSide;
  if (modifier == 0 || direction == kMcUp || direction == kMcDown ||
      (direction == kMcLeft && from == 0) || (direction == kMcRight && from == 1) || m_length < 4)
    return CMcBasic::Navigate(direction, modifier, cursor);
  const int lastInner = GetSubscript()[0] == '\0' ? m_length - 2 : m_length - 1;
  int side;
  if (direction == kMcRight) {
    if (from == 0)
      side = 2;
    else if (from >= lastInner)
      side = 1;
    else
      side = from + 1;
  } else {
    if (from == 1)
      side = lastInner;
    else if (from == 2)
      side = 0;
    else
      side = from - 1;
  }
  cursor->side = static_cast<BYTE>(side);
  cursor->node = this;
  return TRUE;
}

McComplex CMcVariable::UnsignedValue(const CQorexDoc* doc, const CSIMsystem* sim) const {
  if (IsTimeVariable()) return {sim ? sim->m_nStep * sim->m_dTs : 0.0, 0.0};
  if (m_index == kUnbound || !doc || m_index >= doc->m_vars.m_nCount)
    return McComplexLog({-1.0, 0.0});
  return {doc->m_vars.m_pValue[m_index], 0.0};
}

McComplex* CMcVariable::Evaluate(McComplex* result, CQorexDoc* doc, CSIMsystem* sim) const {
  McComplex value = UnsignedValue(doc, sim);
  if (m_flags & kMcMinus) {
    value = IsTimeVariable() ? McComplex{-value.re, 0.0} : McComplexNeg(value);
  }
  *result = value;
  return result;
}

McComplex* CMcVariable::EvaluateVector(CQorexDoc* doc) const {
  const int n = McStepCount(doc);
  McComplex* values = McNewVector(n);
  if (!doc) return values;
  if (IsTimeVariable()) {
    const CSIMsystem& sim = doc->m_system;
    const double sign = (m_flags & kMcMinus) ? -1.0 : 1.0;
    for (int i = 0; i < n; ++i) {
      const int step = n == 1 ? sim.m_nStep.load() : i;
      values[i] = {sign * (step * sim.m_dTs), 0.0};
    }
    return values;
  }
  McComplex value;
  Evaluate(&value, doc, &doc->m_system);
  for (int i = 0; i < n; ++i) values[i] = value;
  return values;
}

void CMcVariable::Store(CArchive& ar) const {
  CMcBasic::Store(ar);
  if (!g_bClipboardDrawing) ar << static_cast<DWORD>(m_index);
  ar << m_length;
  ar.Write(m_buffer.get(), m_length);
}

CMcBasic* CMcVariable::Clone() const {
  CMcVariable* copy = new CMcVariable(GetVarName(), GetSubscript(), m_flags);
  copy->m_index = m_index;
  return copy;
}

WORD CMcVariable::Compare(const CMcBasic* other) const {
  if (other->GetType() != GetType()) return kMcDiffType;
  const CMcVariable* var = static_cast<const CMcVariable*>(other);
  WORD result = ((m_flags ^ var->m_flags) & kMcSignMask) ? kMcDiffSign : 0;
  if ((m_flags ^ var->m_flags) & kMcVariableStyleMask) result |= kMcDiffFlags;
  if (m_length != var->m_length || std::strcmp(GetVarName(), var->GetVarName()) != 0 ||
      std::strcmp(GetSubscript(), var->GetSubscript()) != 0)
    result |= kMcDiffValue;
  return result;
}

CMcBasic* CMcVariable::Differentiate(CMcBasic* variable, unsigned options) {
  if (IsConstant()) return new CMcReal(0.0, 0);
  if (Compare(variable) < 2) return new CMcReal(1.0, m_flags & kMcSignMask);
  if (options & 1) return new CMcReal(0.0, 0);
  return CMcBasic::Differentiate(variable, options);
}

void CMcVariable::Substitute(CMcBasic** patterns, CMcBasic** replacements, int count) {
  if (!m_parent) return;
  for (int i = 0; i < count; ++i) {
    if (Compare(patterns[i]) >= 2) continue;
    CMcBasic* clone = replacements[i]->Clone();
    if (!clone) return;
    const WORD p = patterns[i]->m_flags;
    clone->m_flags =
        McWithSign(clone->m_flags, McMergedSign(McMergedSign(clone->m_flags, m_flags), p));
    if (m_parent->ReplaceChild(clone, this) != this) {
      delete clone;
      return;
    }
    delete this;
    return;
  }
}

// ---- layout and drawing -----------------------------------------------------

int CMcVariable::NameFamily() const {
  const bool bold = GetDecoration() == 3;
  const bool greek = (m_flags & kMcVariant) != 0;
  if (IsConstant())
    return greek ? (bold ? kFontSymbolBold : kFontSymbol) : (bold ? kFontBold : kFontNumber);
  return greek ? (bold ? kFontSymbolBoldItalic : kFontSymbolItalic)
               : (bold ? kFontBoldItalic : kFontItalic);
}

const char* CMcVariable::Prefix() const {
  switch (GetDecoration()) {
    case 8:
      return "D";
    case 9:
      return "d";
    case 10:
      return "\xB6";
    case 11:
      return IsConstant() ? "cons" : "var";
    case 12:
      return IsConstant() ? "func" : "all";
    default:
      return "";
  }
}

CFont* CMcVariable::PrefixFont() const {
  switch (GetDecoration()) {
    case 8:
    case 10:
      return g_fonts[kFontSymbol][GetLevel()];
    case 9:
      return g_fonts[kFontItalic][GetLevel()];
    case 11:
    case 12:
      return g_fonts[kFontArial][SubscriptLevel()];
    default:
      return nullptr;
  }
}

void CMcVariable::Layout(CDC* dc, int mode) {
  const int level = GetLevel();
  const int family = NameFamily();
  CDC* measure = MeasureDC(dc);
  m_baseline = g_fontAscent[family][level];
  m_box.height = g_fontHeight[family][level];
  const WORD nameWidth =
      static_cast<WORD>(TextWidth(measure, g_fonts[family][level], GetVarName()));
  m_box.width = nameWidth;
  if (GetSubscript()[0] != '\0')
    m_box.width += TextWidth(measure, g_fonts[SubscriptFamily()][SubscriptLevel()], GetSubscript());
  const int prefixWidth = PrefixFont() ? TextWidth(measure, PrefixFont(), Prefix()) : 0;
  m_box.width += prefixWidth;
  const CRect margins = LayoutSignAndParens();
  // A wide base clamps the exponent's offset at 255 rather than wrapping it.
  CMcPower::WriteExponentOffset(this, margins.left + nameWidth + prefixWidth);
  RelayoutParent(dc, mode);
}

void CMcVariable::Draw(CDC* dc, int x, int y) const {
  const int left = x + m_box.x;
  const int top = y + m_box.y;
  const int level = GetLevel();
  const CRect margins = DrawSignAndParens(dc, left, top);
  int x0 = left + margins.left;
  if (CFont* font = PrefixFont()) {
    const int code = GetDecoration();
    dc->SelectObject(font);
    dc->TextOut(x0, code <= 10 ? top + m_baseline : top + m_box.height, Prefix(),
                static_cast<int>(std::strlen(Prefix())));
    x0 += TextWidth(MeasureDC(dc), font, Prefix());
  }
  CFont* nameFont = g_fonts[NameFamily()][level];
  const int width = TextWidth(MeasureDC(dc), nameFont, GetVarName());
  dc->SelectObject(nameFont);
  dc->TextOut(x0, top + m_baseline, GetVarName(), static_cast<int>(std::strlen(GetVarName())));
  const char* subscript = GetSubscript();
  if (subscript[0] != '\0') {
    dc->SelectObject(g_fonts[SubscriptFamily()][SubscriptLevel()]);
    const int drop = g_fontAscent[SubscriptFamily()][SubscriptLevel()] / 2;
    dc->TextOut(x0 + width, top + m_baseline + drop, subscript,
                static_cast<int>(std::strlen(subscript)));
  }
  DrawDecoration(dc, x0, top, width);
}

void CMcVariable::DrawDecoration(CDC* dc, int x0, int y, int w) const {
  const int code = GetDecoration();
  const int h = g_fontHeight[NameFamily()][GetLevel()];
  const int b = m_baseline;
  dc->SelectObject(g_pens[0][ColorIndex(dc->GetTextColor())]);
  switch (code) {
    case 1:
    case 2:
      dc->MoveTo(x0, y + b + 1 + h / 10);
      dc->LineTo(x0 + w, y + b + 1 + h / 10);
      if (code == 2) {
        dc->MoveTo(x0, y + b + 3 + h / 10);
        dc->LineTo(x0 + w, y + b + 3 + h / 10);
      }
      break;
    case 4:
    case 7:
      dc->SelectObject(g_fonts[kFontNumber][GetLevel()]);
      dc->TextOut(x0 + w / 2 - h / 6, y + b, code == 4 ? "\x98" : "\x88", 1);
      break;
    case 5:
      dc->MoveTo(x0, y + 1 + h / 10);
      dc->LineTo(x0 + w, y + 1 + h / 10);
      dc->LineTo(x0 + w - h / 5 - 1, y);
      break;
    case 6:
      dc->MoveTo(x0, y + 1 + h / 10);
      dc->LineTo(x0 + w, y + 1 + h / 10);
      dc->LineTo(x0 + w - h / 10 - 2, y);
      dc->MoveTo(x0 + w, y + 1 + h / 10);
      dc->LineTo(x0 + w - h / 10 - 2, y + 2 + h / 5);
      break;
    default:
      break;
  }
}

int CMcVariable::GetCaretPos(CDC* dc) const {
  const COLORREF oldColor = dc->SetTextColor(RGB(0, 0, 0));
  const int oldMode = dc->SetBkMode(TRANSPARENT);
  const UINT oldAlign = dc->SetTextAlign(TA_BASELINE);
  QxSelectGuard font(dc, g_fonts[kFontItalic][0]);
  QxSelectGuard pen(dc, g_pens[0][0]);
  const CRect margins = DrawSignAndParens(dc, dc->GetViewportOrg().x - m_box.width, 0);
  const int prefix = PrefixFont() ? TextWidth(MeasureDC(dc), PrefixFont(), Prefix()) : 0;
  dc->SetTextColor(oldColor);
  dc->SetBkMode(oldMode);
  dc->SetTextAlign(oldAlign);
  return margins.left + prefix;
}
