#include "MC/MC_REAL.h"

#include "GlobalResources.h"
#include "MC/McComplex.h"
#include "MC/McEditorFocus.h"
#include "platform/gdi/SelectGuard.h"
#include "platform/core/Archive.h"
#include "platform/gdi/DC.h"

#include <cmath>
#include <cstdio>
#include <cstring>

namespace {

constexpr int kTextSize = 32;  // number texts of layout and drawing
constexpr int kFullDigits = 15;

// Rewrites the exponent of printf's "%G" text in place: '+' and leading zeros
// go, a negative exponent is widened to three digits.
void CleanExponent(char* text, int size) {
  const int length = static_cast<int>(std::strlen(text));
  char* e = nullptr;
  for (int i = length > 5 ? length - 5 : 0; i < length; ++i) {
    if (text[i] == 'E') e = text + i;
  }
  if (!e) return;
  char* digits = e + 2;
  if (e[1] == '+') {
    while (*digits == '0' && digits[1] != '\0') ++digits;
    std::memmove(e + 1, digits, std::strlen(digits) + 1);
  } else if (e[1] == '-') {
    const int have = static_cast<int>(std::strlen(digits));
    const int pad = have < 3 ? 3 - have : 0;
    if (pad == 0 || (digits - text) + 3 >= size) return;
    std::memmove(digits + pad, digits, have + 1);
    std::memset(digits, '0', pad);
  }
}

}  // namespace

int McFormatNumber(char* buffer, int size, double magnitude, int digits) {
  if (size <= 0) return 0;
  if (!std::isfinite(magnitude)) {
    if (size < 2) {
      buffer[0] = '\0';
      return 0;
    }
    buffer[0] = static_cast<char>(std::isnan(magnitude) ? 0xC6 : 0xA5);
    buffer[1] = '\0';
    return 1;
  }
  std::snprintf(buffer, size, "%0.*G", digits, magnitude);
  CleanExponent(buffer, size);
  return static_cast<int>(std::strlen(buffer));
}

int McRealFixDigits() {
  return (g_nDisplaySettings >> kDisplayRealFixShift) & kDisplayRealFixMask;
}

CMcReal::CMcReal(double value, WORD flags) : CMcBasic(flags), m_value(std::fabs(value)) {}

CMcBasic* CMcReal::Load(CArchive& ar) {
  WORD count = 0, baseline = 0, flags = 0;
  McBox box;
  if (!LoadHeader(ar, &count, &box, &baseline, &flags) || count != 0) return nullptr;
  double value = 0.0;
  ar >> value;
  if (ar.HasFailed()) return nullptr;
  CMcReal* node = new CMcReal(value, flags);
  node->SetStoredLayout(box, baseline);
  return node;
}

BOOL CMcReal::Navigate(int direction, int modifier, McCursor* cursor) {
  const int from = cursor->fromSide;
  if (modifier == 0 || !std::isfinite(m_value) || direction == kMcUp || direction == kMcDown ||
      (direction == kMcLeft && from == 0) || (direction == kMcRight && from == 1))
    return CMcBasic::Navigate(direction, modifier, cursor);
  const char* typed = McGetFocusedNumberText();
  const int length = typed ? static_cast<int>(strnlen(typed, kMcNumberTextSize)) : 0;
  int side;
  if (direction == kMcLeft) {
    if (from == 1)
      side = length <= 1 ? 0 : length;
    else if (from == 2)
      side = 0;
    else
      side = from - 1;
  } else {
    if (from == 0)
      side = length <= 1 ? 1 : 2;
    else if (from >= length)
      side = 1;
    else
      side = from + 1;
  }
  cursor->side = static_cast<BYTE>(side);
  cursor->node = this;
  return TRUE;
}

McComplex* CMcReal::Evaluate(McComplex* result, CQorexDoc*, CSIMsystem*) const {
  result->re = (m_flags & kMcMinus) ? -m_value : m_value;
  result->im = 0.0;
  return result;
}

int CMcReal::FontFamily() const {
  return std::isfinite(m_value) ? kFontNumber : kFontSymbol;
}

int CMcReal::DisplayText(char* text, int size) const {
  const bool atCaret = McIsAtCaret(this);
  if (atCaret) {
    const char* typed = McGetFocusedNumberText();
    if (typed && typed[0] != '\0') {
      const int length = static_cast<int>(strnlen(typed, size - 1));
      std::memcpy(text, typed, length);
      text[length] = '\0';
      return length;
    }
  }
  return McFormatNumber(text, size, m_value, atCaret ? kFullDigits : McRealFixDigits());
}

void CMcReal::Layout(CDC* dc, int mode) {
  const int level = GetLevel();
  const int family = FontFamily();
  m_baseline = g_fontAscent[family][level];
  m_box.height = g_fontHeight[family][level];
  dc->SelectObject(g_fonts[family][level]);
  char text[kTextSize];
  const int length = DisplayText(text, kTextSize);
  m_box.width = dc->GetTextExtent(text, length).cx;
  LayoutSignAndParens();
  RelayoutParent(dc, mode);
}

void CMcReal::Draw(CDC* dc, int x, int y) const {
  const int left = x + m_box.x;
  const int top = y + m_box.y;
  const CRect margins = DrawSignAndParens(dc, left, top);
  dc->SelectObject(g_fonts[FontFamily()][GetLevel()]);
  char text[kTextSize];
  const int length = DisplayText(text, kTextSize);
  dc->TextOut(left + margins.left, top + m_baseline, text, length);
}

void CMcReal::Store(CArchive& ar) const {
  CMcBasic::Store(ar);
  ar << m_value;
}

CMcBasic* CMcReal::Clone() const {
  return new CMcReal(m_value, m_flags);
}

WORD CMcReal::Compare(const CMcBasic* other) const {
  if (other->GetType() != GetType()) return kMcDiffType;
  const CMcReal* real = static_cast<const CMcReal*>(other);
  WORD result = ((m_flags ^ real->m_flags) & kMcSignMask) ? kMcDiffSign : 0;
  const double a = (m_flags & kMcMinus) ? -m_value : m_value;
  const double b = (real->m_flags & kMcMinus) ? -real->m_value : real->m_value;
  // Infinities match only their own kind: the tolerance test alone would call
  // inf and inf different (inf - inf is NaN) and -inf and inf equal.
  const bool finite = std::isfinite(a) && std::isfinite(b);
  const bool same = a == b || (finite && std::fabs(a - b) <=
                                             (std::fabs(a) + std::fabs(b)) * g_dSnapTolerance / 2);
  if (!same) result |= kMcDiffValue;
  return result;
}

CMcBasic* CMcReal::Differentiate(CMcBasic*, unsigned) {
  return new CMcReal(0.0, 0);
}

McComplex* CMcReal::EvaluateVector(CQorexDoc* doc) const {
  const int n = McStepCount(doc);
  McComplex* values = McNewVector(n);
  const McComplex value =
      (m_flags & kMcMinus) ? McComplex{-m_value, -0.0} : McComplex{m_value, 0.0};
  for (int i = 0; i < n; ++i) values[i] = value;
  return values;
}

void CMcReal::FormatValue(char* buffer) const {
  if (!buffer) buffer = McGetFocusedNumberText();
  if (!buffer) return;
  McFormatNumber(buffer, kMcNumberTextSize, m_value, kFullDigits);
}

int CMcReal::GetCaretPos(CDC* dc) const {
  const COLORREF oldColor = dc->SetTextColor(RGB(0, 0, 0));
  const int oldMode = dc->SetBkMode(TRANSPARENT);
  const UINT oldAlign = dc->SetTextAlign(TA_BASELINE);
  QxSelectGuard font(dc, g_fonts[kFontItalic][0]);
  QxSelectGuard pen(dc, g_pens[0][0]);
  const CRect margins = DrawSignAndParens(dc, dc->GetViewportOrg().x - m_box.width, 0);
  dc->SetTextColor(oldColor);
  dc->SetBkMode(oldMode);
  dc->SetTextAlign(oldAlign);
  return margins.left;
}
