#include "MC/Mc_equality.h"

#include "MC/McComplex.h"
#include "MC/McLayout.h"
#include "platform/gdi/DC.h"

#include <algorithm>
#include <cmath>
#include <string>

namespace {

constexpr int kRelationCodes = 24;
constexpr int kDefinitionCode = 22;

struct RelationInfo {
  const char* name;
  const char* glyph;  // bytes in the Symbol font
  int gap;            // room for the glyph, in fortieths of the Symbol font height
};

const RelationInfo kRelations[kRelationCodes] = {
    {"Equality", "\x3D", 19},           {"Equivalent", "\xBA", 19},
    {"Proportional", "\xB5", 22},       {"Not equal", "\xB9", 19},
    {"Approximate", "\xBB", 19},        {"Congruent", "\x40", 19},
    {"Less than", "\x3C", 19},          {"Greater than", "\x3E", 19},
    {"Less or equal", "\xA3", 19},      {"Greater or equal", "\xB3", 19},
    {"Perpendicular", "\x5E", 24},      {"Parallel", "\x7C\x7C", 16},
    {"Tends to", "\xAE", 34},           {"Right transform", "\xDE", 32},
    {"Left transform", "\xDC", 32},     {"Bi transform", "\xDB", 32},
    {"Increment", "\x2B\x3D", 36},      {"Decrement", "\x2D\x3D", 36},
    {"Scaling", "\x2A\x3D", 36},        {"Scaling", "\x2F\x3D", 30},
    {"And (intersection)", "\xC7", 23}, {"Or (union)", "\xC8", 23},
    {"Definition", "\x3D", 19},         {"Test equality", "\x3D\x3D", 36},
};

// Gap for the relation symbol; a code beyond the table has no symbol.
int RelationGap(int code) {
  return code < kRelationCodes ? kRelations[code].gap : 0;
}

}  // namespace

bool McRelationIsTest(int code) {
  switch (code) {
    case 3:
    case 4:
    case 6:
    case 7:
    case 8:
    case 9:
    case 20:
    case 21:
    case 23:
      return true;
    default:
      return false;
  }
}

// Every test is written so that a NaN makes its condition false where the
// NaN side must count as the smaller one, and true where it must not.
double McRelationValue(int code, const McComplex& left, const McComplex& right, double epsilon) {
  const double distance = McComplexAbs(McComplexSub(left, right));
  bool value = false;
  switch (code) {
    case 3:
      value = distance >= epsilon;
      break;  // not equal
    case 4:
    case 23:
      value = !(distance >= epsilon);
      break;  // approximate, test equality
    case 6:
      value = !(left.re >= right.re);
      break;  // less than
    case 7:
      value = left.re > right.re;
      break;  // greater than
    case 8:
      value = !(left.re > right.re);
      break;  // less or equal
    case 9:
      value = left.re >= right.re;
      break;  // greater or equal
    case 20:
      value = McComplexAbs(left) > 0.0 && McComplexAbs(right) > 0.0;
      break;  // and
    case 21:
      value = McComplexAbs(left) > 0.0 || McComplexAbs(right) > 0.0;
      break;  // or
    default:
      break;
  }
  return value ? 1.0 : 0.0;
}

CMcEquality::CMcEquality(CMcBasic* left, CMcBasic* right, WORD flags) : CMcBasic(flags) {
  if (left) AppendChild(left);
  if (right) AppendChild(right);
}

CMcBasic* CMcEquality::Load(CArchive& ar) {
  return LoadPairAs(ar, [](CMcBasic* left, CMcBasic* right, WORD flags) -> CMcBasic* {
    return new CMcEquality(left, right, flags);
  });
}

BOOL CMcEquality::Navigate(int direction, int modifier, McCursor* cursor) {
  return NavigatePair(direction, modifier, cursor);
}

// The code is masked to its five bits so that stray high bits can never carry
// the type word into the next kind.
WORD CMcEquality::GetType() const {
  return static_cast<WORD>(0x1301 + RelationCode());
}

const char* CMcEquality::GetName() const {
  const int code = RelationCode();
  return code < kRelationCodes ? kRelations[code].name : kRelations[0].name;
}

McComplex* CMcEquality::Evaluate(McComplex* result, CQorexDoc* doc, CSIMsystem* sim) const {
  if (m_count != 2) return CMcBasic::Evaluate(result, doc, sim);
  McComplex left, right;
  m_children[0]->Evaluate(&left, doc, sim);
  m_children[1]->Evaluate(&right, doc, sim);
  double value = McRelationValue(RelationCode(), left, right, g_dSnapTolerance);
  if ((m_flags & 1) && value != 0.0) value = -value;
  *result = McComplex{value, 0.0};
  return result;
}

McComplex* CMcEquality::EvaluateVector(CQorexDoc* doc) const {
  if (m_count != 2) return CMcBasic::EvaluateVector(doc);
  const int n = McStepCount(doc);
  McComplex* left = m_children[0]->EvaluateVector(doc);
  McComplex* right = m_children[1]->EvaluateVector(doc);
  const int code = RelationCode();
  if (McRelationIsTest(code)) {
    for (int k = 0; k < n; ++k) {
      double value = McRelationValue(code, left[k], right[k], g_dSnapTolerance);
      if ((m_flags & 1) && value != 0.0) value = -value;
      left[k] = McComplex{value, 0.0};
    }
  }
  delete[] right;
  return left;
}

void CMcEquality::Layout(CDC* dc, int mode) {
  const int level = GetLevel();
  if (m_count != 2) return LayoutEmpty(dc, mode);
  CMcBasic* left = m_children[0];
  CMcBasic* right = m_children[1];
  if (mode == 0) {
    for (CMcBasic* side : {left, right}) {
      side->SetLevel(std::min(level, 3));
      side->Layout(dc, 0);
    }
  }
  const int baseline = std::max(left->m_baseline, right->m_baseline);
  const int descent =
      std::max(left->m_box.height - left->m_baseline, right->m_box.height - right->m_baseline);
  m_box.width = left->m_box.width + right->m_box.width +
                RelationGap(RelationCode()) * McFontHeight(kFontSymbol, level) / 40;
  m_box.height = baseline + descent;
  m_baseline = static_cast<WORD>(baseline);
  const CRect m = LayoutSignAndParens();
  left->m_box.x = m.left;
  left->m_box.y = m_baseline - left->m_baseline;
  right->m_box.x = m_box.width - m.right - right->m_box.width;
  right->m_box.y = m_baseline - right->m_baseline;
  RelayoutParent(dc, mode);
}

void CMcEquality::Draw(CDC* dc, int x, int y) const {
  x += m_box.x;
  y += m_box.y;
  for (int i = 0; i < m_count; ++i) m_children[i]->Draw(dc, x, y);
  const CRect m = DrawSignAndParens(dc, x, y);
  const int code = RelationCode();
  if (m_count != 2 || code >= kRelationCodes) return;
  const int level = GetLevel();
  const CMcBasic* left = m_children[0];
  const char* glyph = kRelations[code].glyph;
  McSelectFont(dc, kFontSymbol, level);
  dc->TextOut(x + m.left + left->m_box.width, y + m_baseline, glyph,
              static_cast<int>(std::char_traits<char>::length(glyph)));
  if (code == kDefinitionCode) {
    // The small triangle over the equals sign.
    const int h = McFontHeight(kFontItalic, level);
    const int a = 3 * h / 5;
    const int c = h / 6;
    dc->SelectObject(g_pens[0][ColorIndex(dc->GetTextColor())]);
    const int cx = x + (m.left + left->m_box.width + m_children[1]->m_box.x) / 2;
    const int cy = y + m_baseline;
    dc->MoveTo(cx, cy - a);
    dc->LineTo(cx - c, cy - a + c);
    dc->LineTo(cx + c, cy - a + c);
    dc->LineTo(cx, cy - a);
  }
}

CMcBasic* CMcEquality::Clone() const {
  if (m_count != 2) return new CMcEquality(nullptr, nullptr, m_flags);
  return new CMcEquality(m_children[0]->Clone(), m_children[1]->Clone(), m_flags);
}

WORD CMcEquality::Compare(const CMcBasic* other) const {
  return ComparePair(other);
}
