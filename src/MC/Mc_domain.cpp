#include "MC/Mc_domain.h"

#include "MC/MC_LIMIT.h"
#include "MC/McComplex.h"
#include "MC/McKinds.h"
#include "MC/McLayout.h"
#include "platform/gdi/SelectGuard.h"
#include "platform/gdi/DC.h"

#include <algorithm>
#include <vector>

namespace {

constexpr WORD kDomainType = McTypeWord(kMcDomain);
constexpr WORD kEndKindMask = 0x0300;

// Symbol code page glyphs.
constexpr char kLess = '<';
constexpr char kLessOrEqual = '\xA3';
constexpr char kElement = '\xCE';
constexpr char kSeparator = ';';

// Per end kind: the relation glyphs (left, right) and the interval brackets
// (opening, closing). Open ends are the odd ones out: 0 both, 2 the lower,
// 3 the upper.
struct EndGlyphs {
  char left, right;
  char open, close;
};
constexpr EndGlyphs kEnds[4] = {
    {kLess, kLess, '(', ')'},
    {kLessOrEqual, kLessOrEqual, '[', ']'},
    {kLess, kLessOrEqual, '(', ']'},
    {kLessOrEqual, kLess, '[', ')'},
};

// Brackets up to this span are one glyph of a font scaled to the span; from
// 23 pixels on they are built from Symbol pieces.
constexpr int kMaxScaledBracket = 22;

// Symbol pieces: top, extension, bottom.
constexpr char kOpenParen[3] = {'\xE6', '\xE7', '\xE8'};
constexpr char kOpenSquare[3] = {'\xE9', '\xEA', '\xEB'};
constexpr char kCloseParen[3] = {'\xF6', '\xF7', '\xF8'};
constexpr char kCloseSquare[3] = {'\xF9', '\xFA', '\xFB'};

// One bracket of pieces from top to bottom at x (aligned by side): the top
// piece, n extensions a piece height apart starting half a piece down, the
// bottom piece. Only the extensions inside the clip box are drawn, so that a
// stored box of absurd height cannot keep the drawing busy.
void DrawBracketPieces(CDC* dc, int x, int top, int bottom, UINT side, const char* pieces,
                       int piece, int n) {
  {
    McAlignGuard align(dc, side | TA_TOP);
    dc->TextOut(x, top, &pieces[0], 1);
    CRect clip;
    dc->GetClipBox(&clip);
    const long long start = top - piece / 2;
    const long long first = std::max<long long>(0, (clip.top - start) / piece - 2);
    const long long last = std::min<long long>(n - 1, (clip.bottom - start) / piece);
    for (long long i = first; i <= last; ++i)
      dc->TextOut(x, static_cast<int>(start + (i + 1) * piece), &pieces[1], 1);
  }
  McAlignGuard align(dc, side | TA_BOTTOM);
  dc->TextOut(x, bottom, &pieces[2], 1);
}

}  // namespace

CMcDomain::CMcDomain(CMcBasic* variable, CMcBasic* lower, CMcBasic* upper, WORD flags)
    : CMcBasic(flags) {
  AppendParts({variable, lower, upper});
}

CMcBasic* CMcDomain::Load(CArchive& ar) {
  return LoadTripleAs(
      ar, [](CMcBasic* variable, CMcBasic* lower, CMcBasic* upper, WORD flags) -> CMcBasic* {
        return new CMcDomain(variable, lower, upper, flags);
      });
}

// Left and right walk the parts in drawn order; up and down leave the node.
BOOL CMcDomain::Navigate(int direction, int modifier, McCursor* cursor) {
  if (m_count != 3) return CMcBasic::Navigate(direction, modifier, cursor);
  if (direction == kMcUp || direction == kMcDown) return PassOn(direction, modifier, cursor);
  CMcBasic* order[3] = {m_children[1], m_children[0], m_children[2]};
  if (IsInterval()) std::swap(order[0], order[1]);
  const bool left = direction == kMcLeft;
  const bool before = cursor->fromSide == 0;
  if (cursor->node == this) {
    // Beside the node the caret enters it from its own side, or leaves it.
    if (before) return left ? PassOn(direction, modifier, cursor) : cursor->Place(order[0], 0);
    return left ? cursor->Place(order[2], 1) : PassOn(direction, modifier, cursor);
  }
  if (cursor->node == order[1])
    return left ? cursor->Place(order[0], 1) : cursor->Place(order[2], 0);
  if (cursor->node == order[0]) {
    if (left) return before ? cursor->Place(this, 0) : FALSE;
    return before ? FALSE : cursor->Place(order[1], 0);
  }
  if (cursor->node == order[2]) {
    if (!left) return before ? FALSE : cursor->Place(this, 1);
    return before ? cursor->Place(order[1], 1) : cursor->Place(order[0], 1);
  }
  return FALSE;
}

WORD CMcDomain::GetType() const {
  return kDomainType;
}

const char* CMcDomain::GetName() const {
  return "Domain";
}

bool CMcDomain::Holds(int endKind, double variable, double lower, double upper) {
  switch (endKind & 3) {
    case 0:
      return lower < variable && variable < upper;
    case 1:
      return lower <= variable && variable <= upper;
    case 2:
      return lower < variable && variable <= upper;
    default:
      return lower <= variable && variable < upper;
  }
}

McComplex* CMcDomain::Evaluate(McComplex* result, CQorexDoc* doc, CSIMsystem* sim) const {
  if (m_count != 3) return CMcBasic::Evaluate(result, doc, sim);
  McComplex v, lower, upper;
  m_children[0]->Evaluate(&v, doc, sim);
  m_children[1]->Evaluate(&lower, doc, sim);
  m_children[2]->Evaluate(&upper, doc, sim);
  const double truth = (m_flags & kMcMinus) ? -1.0 : 1.0;
  *result = McComplex{Holds(EndKind(), v.re, lower.re, upper.re) ? truth : 0.0, 0.0};
  return result;
}

McComplex* CMcDomain::EvaluateVector(CQorexDoc* doc) const {
  if (m_count != 3) return CMcBasic::EvaluateVector(doc);
  const int n = McStepCount(doc);
  McComplex* v = m_children[0]->EvaluateVector(doc);
  McComplex* lower = m_children[1]->EvaluateVector(doc);
  McComplex* upper = m_children[2]->EvaluateVector(doc);
  const double truth = (m_flags & kMcMinus) ? -1.0 : 1.0;
  const int ends = EndKind();
  for (int k = 0; k < n; ++k)
    v[k] = McComplex{Holds(ends, v[k].re, lower[k].re, upper[k].re) ? truth : 0.0, 0.0};
  delete[] lower;
  delete[] upper;
  return v;
}

void CMcDomain::Layout(CDC* dc, int mode) {
  if (m_count != 3) {
    LayoutEmpty(dc, mode);
    return;
  }
  const int level = GetLevel();
  const int hd = McFontHeight(kFontSymbol, level);
  CMcBasic* variable = m_children[0];
  CMcBasic* lower = m_children[1];
  CMcBasic* upper = m_children[2];
  int width = IsInterval() ? (3 * hd) / 2 : hd;
  int baseline = 0, descent = 0;
  for (int i = 0; i < 3; ++i) {
    CMcBasic* part = m_children[i];
    if (mode == kMcLayoutFromTop) {
      part->SetLevel(level);
      part->Layout(dc, kMcLayoutFromTop);
    }
    width += part->m_box.width;
    baseline = std::max<int>(baseline, part->m_baseline);
    descent = std::max<int>(descent, part->m_box.height - part->m_baseline);
  }
  m_box.width = width;
  m_box.height = baseline + descent;
  m_baseline = static_cast<WORD>(baseline);
  const CRect m = LayoutSignAndParens();
  for (int i = 0; i < 3; ++i) m_children[i]->m_box.y = m_baseline - m_children[i]->m_baseline;
  if (IsInterval()) {
    variable->m_box.x = m.left;
    lower->m_box.x = m.left + variable->m_box.width + (3 * hd) / 4;
    upper->m_box.x = m_box.width - m.right - upper->m_box.width - hd / 4;
  } else {
    lower->m_box.x = m.left;
    variable->m_box.x = m.left + lower->m_box.width + hd / 2;
    upper->m_box.x = m_box.width - m.right - upper->m_box.width;
  }
  RelayoutParent(dc, mode);
}

void CMcDomain::Draw(CDC* dc, int x, int y) const {
  x += m_box.x;
  y += m_box.y;
  for (int i = 0; i < m_count; ++i) m_children[i]->Draw(dc, x, y);
  const CRect m = DrawSignAndParens(dc, x, y);
  if (m_count != 3) return;
  const McBox& variable = m_children[0]->m_box;
  const McBox& lower = m_children[1]->m_box;
  const McBox& upper = m_children[2]->m_box;
  const int level = GetLevel();
  const int hd = McFontHeight(kFontSymbol, level);
  const EndGlyphs& ends = kEnds[EndKind()];
  const int baseline = y + m_baseline;
  McSelectFont(dc, kFontSymbol, level);
  if (!IsInterval()) {
    dc->TextOut(x + m.left + lower.width, baseline, &ends.left, 1);
    dc->TextOut(x + hd / 2 + m.left + lower.width + variable.width, baseline, &ends.right, 1);
    return;
  }
  dc->TextOut(x + m.left + variable.width, baseline, &kElement, 1);
  dc->TextOut(x + lower.x + lower.width, baseline, &kSeparator, 1);
  const int top = y + std::min(lower.y, upper.y);
  const int bottom = y + std::max(lower.y + lower.height, upper.y + upper.height);
  const int span = bottom - top;
  const int xl = x + lower.x - hd / 4;
  // The closing bracket ends inside the node's own parentheses, if any.
  const int xr = x + m_box.width - m.right;
  if (span <= kMaxScaledBracket) {
    CFont font;
    font.CreateFont(span, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, "Times New Roman");
    QxSelectGuard select(dc, &font);
    {
      McAlignGuard align(dc, TA_LEFT | TA_TOP);
      dc->TextOut(xl, top, &ends.open, 1);
    }
    McAlignGuard align(dc, TA_RIGHT | TA_TOP);
    dc->TextOut(xr, top, &ends.close, 1);
    return;
  }
  const int piece = McFontAscent(kFontSymbol, level);
  if (piece <= 0) return;
  const int n = ((5 * piece) / 6 + span) / piece - 2;
  const bool squareOpen = EndKind() == 1 || EndKind() == 3;
  const bool squareClose = EndKind() == 1 || EndKind() == 2;
  DrawBracketPieces(dc, xl, top, bottom, TA_LEFT, squareOpen ? kOpenSquare : kOpenParen, piece, n);
  DrawBracketPieces(dc, xr, top, bottom, TA_RIGHT, squareClose ? kCloseSquare : kCloseParen, piece,
                    n);
}

CMcBasic* CMcDomain::Clone() const {
  auto* copy = new CMcDomain(nullptr, nullptr, nullptr, m_flags);
  for (int i = 0; i < m_count; ++i) copy->AppendChild(m_children[i]->Clone());
  return copy;
}

WORD CMcDomain::Compare(const CMcBasic* other) const {
  if (other->GetType() != kDomainType) return kMcDiffType;
  return McCompareParts(this, other, kEndKindMask);
}
