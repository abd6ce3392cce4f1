#include "MC/Mc_equality.h"

#include "MC/MXC_TERM.h"
#include "MC/McComplex.h"
#include "MC/McLayout.h"
#include "platform/gdi/DC.h"

#include <algorithm>
#include <cmath>
#include <string>

namespace {

constexpr int kRelationCodes = 24;
constexpr int kDefinitionCode = 22;

// A relation's truth test; every one is written so that a NaN makes its
// condition false where the NaN side must count as the smaller one, and true
// where it must not.
using RelationTest = bool (*)(const McComplex& left, const McComplex& right, double epsilon);

double Distance(const McComplex& left, const McComplex& right) {
  return McComplexAbs(McComplexSub(left, right));
}
bool NotEqual(const McComplex& l, const McComplex& r, double eps) {
  return Distance(l, r) >= eps;
}
bool Near(const McComplex& l, const McComplex& r, double eps) {
  return !(Distance(l, r) >= eps);
}
bool Less(const McComplex& l, const McComplex& r, double) {
  return !(l.re >= r.re);
}
bool Greater(const McComplex& l, const McComplex& r, double) {
  return l.re > r.re;
}
bool LessOrEqual(const McComplex& l, const McComplex& r, double) {
  return !(l.re > r.re);
}
bool GreaterOrEqual(const McComplex& l, const McComplex& r, double) {
  return l.re >= r.re;
}
bool And(const McComplex& l, const McComplex& r, double) {
  return McComplexAbs(l) > 0.0 && McComplexAbs(r) > 0.0;
}
bool Or(const McComplex& l, const McComplex& r, double) {
  return McComplexAbs(l) > 0.0 || McComplexAbs(r) > 0.0;
}

struct RelationInfo {
  const char* name;
  const char* glyph;  // bytes in the Symbol font
  int gap;            // room for the glyph, in fortieths of the Symbol font height
  RelationTest test;  // null: the relation is no test and has no truth value
};

const RelationInfo kRelations[kRelationCodes] = {
    {"Equality", "\x3D", 19, nullptr},
    {"Equivalent", "\xBA", 19, nullptr},
    {"Proportional", "\xB5", 22, nullptr},
    {"Not equal", "\xB9", 19, NotEqual},
    {"Approximate", "\xBB", 19, Near},
    {"Congruent", "\x40", 19, nullptr},
    {"Less than", "\x3C", 19, Less},
    {"Greater than", "\x3E", 19, Greater},
    {"Less or equal", "\xA3", 19, LessOrEqual},
    {"Greater or equal", "\xB3", 19, GreaterOrEqual},
    {"Perpendicular", "\x5E", 24, nullptr},
    {"Parallel", "\x7C\x7C", 16, nullptr},
    {"Tends to", "\xAE", 34, nullptr},
    {"Right transform", "\xDE", 32, nullptr},
    {"Left transform", "\xDC", 32, nullptr},
    {"Bi transform", "\xDB", 32, nullptr},
    {"Increment", "\x2B\x3D", 36, nullptr},
    {"Decrement", "\x2D\x3D", 36, nullptr},
    {"Scaling", "\x2A\x3D", 36, nullptr},
    {"Scaling", "\x2F\x3D", 30, nullptr},
    {"And (intersection)", "\xC7", 23, And},
    {"Or (union)", "\xC8", 23, Or},
    {"Definition", "\x3D", 19, nullptr},
    {"Test equality", "\x3D\x3D", 36, Near},
};

// Gap for the relation symbol; a code beyond the table has no symbol.
int RelationGap(int code) {
  return code < kRelationCodes ? kRelations[code].gap : 0;
}

// The code's test, or null for a code that is no test or names no relation.
RelationTest TestOf(int code) {
  return code >= 0 && code < kRelationCodes ? kRelations[code].test : nullptr;
}

}  // namespace

bool McRelationIsTest(int code) {
  return TestOf(code) != nullptr;
}

double McRelationValue(int code, const McComplex& left, const McComplex& right, double epsilon) {
  const RelationTest test = TestOf(code);
  return test != nullptr && test(left, right, epsilon) ? 1.0 : 0.0;
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
  return McTypeWord(kMcEquality, static_cast<BYTE>(1 + RelationCode()));
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
  if ((m_flags & kMcMinus) && value != 0.0) value = -value;
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
      if ((m_flags & kMcMinus) && value != 0.0) value = -value;
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
  if (mode == kMcLayoutFromTop) {
    for (CMcBasic* side : {left, right}) {
      side->SetLevel(std::min(level, kMcMaxLevel));
      side->Layout(dc, kMcLayoutFromTop);
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

CMcBasic* CMcEquality::Differentiate(CMcBasic* variable, unsigned options) {
  if (m_count != 2 || RelationCode() > kLastDifferentiable)
    return CMcBasic::Differentiate(variable, options);
  return CMXC_TERM::Simplify(new CMcEquality(McDerivativeOf(m_children[0], variable, options),
                                             McDerivativeOf(m_children[1], variable, options),
                                             m_flags));
}
