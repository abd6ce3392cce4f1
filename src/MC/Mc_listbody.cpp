#include "MC/Mc_listbody.h"

#include "GlobalResources.h"
#include "MC/MXC_TERM.h"
#include "MC/McComplex.h"
#include "platform/gdi/Gdi.h"

#include <algorithm>
#include <cmath>
#include <vector>

namespace {

// Truth of a value inside a logical list: a non-zero modulus; a NaN counts as 0.
bool IsTrue(const McComplex& v) {
  return McComplexAbs(v) > 0.0;
}

McComplex Truth(bool value, bool negated) {
  return {value ? (negated ? -1.0 : 1.0) : 0.0, 0.0};
}

void Glyph(CDC* dc, int x, int y, unsigned char ch) {
  const char text[2] = {static_cast<char>(ch), 0};
  dc->TextOut(x, y, text, 1);
}

}  // namespace

CMcListbody::CMcListbody(WORD flags) : CMcBasic(flags) {}

CMcBasic* CMcListbody::Load(CArchive& ar) {
  // Lists of fewer than two items come from the editor and must load back.
  return LoadList(
      ar, [](WORD flags) -> CMcBasic* { return new CMcListbody(flags); }, 0);
}

BOOL CMcListbody::Navigate(int direction, int modifier, McCursor* cursor) {
  return NavigateGrid(direction, modifier, cursor, 1);
}

const char* CMcListbody::GetName() const {
  switch (m_flags & kMcVariantMask) {
    case 0:
      return "List body";
    case kMcVariantHigh:
      return "Union (or) list";
    default:
      return "Intersection (and) list";
  }
}

McComplex* CMcListbody::Evaluate(McComplex* result, CQorexDoc* doc, CSIMsystem* sim) const {
  if (m_count == 0) return CMcBasic::Evaluate(result, doc, sim);
  const bool negated = (m_flags & kMcMinus) != 0;
  if (!IsLogical()) {
    // The first item that is defined here; the last one when none is.
    for (int i = 0; i < m_count; ++i) {
      m_children[i]->Evaluate(result, doc, sim);
      if (!std::isnan(result->re)) break;
    }
    if (negated) *result = McComplexNeg(*result);
    return result;
  }
  const bool all = IsIntersection();
  bool value = all;
  for (int i = 0; i < m_count; ++i) {
    McComplex v;
    m_children[i]->Evaluate(&v, doc, sim);
    if (IsTrue(v) != all) {
      value = !all;
      break;
    }
  }
  *result = Truth(value, negated);
  return result;
}

McComplex* CMcListbody::EvaluateVector(CQorexDoc* doc) const {
  if (m_count == 0) return CMcBasic::EvaluateVector(doc);
  const int n = McStepCount(doc);
  const bool negated = (m_flags & kMcMinus) != 0;
  McComplex* values = m_children[0]->EvaluateVector(doc);
  if (!IsLogical()) {
    for (int i = 1; i < m_count; ++i) {
      McComplex* next = m_children[i]->EvaluateVector(doc);
      for (int k = 0; k < n; ++k)
        if (std::isnan(values[k].re)) values[k] = next[k];
      delete[] next;
    }
    if (negated)
      for (int k = 0; k < n; ++k) values[k] = McComplexNeg(values[k]);
    return values;
  }
  // The running truth value of each sample is kept in its real part.
  const bool all = IsIntersection();
  for (int k = 0; k < n; ++k) values[k].re = IsTrue(values[k]) ? 1.0 : 0.0;
  for (int i = 1; i < m_count; ++i) {
    McComplex* next = m_children[i]->EvaluateVector(doc);
    for (int k = 0; k < n; ++k) {
      const bool t = IsTrue(next[k]);
      if (all ? !t : t) values[k].re = all ? 0.0 : 1.0;
    }
    delete[] next;
  }
  for (int k = 0; k < n; ++k) values[k] = Truth(values[k].re != 0.0, negated);
  return values;
}

void CMcListbody::Layout(CDC* dc, int mode) {
  const int level = GetLevel();
  const int h = g_fontHeight[kFontItalic][level];
  const int gap = h / 8;
  if (mode == kMcLayoutFromTop) {
    for (int i = 0; i < m_count; ++i) {
      m_children[i]->SetLevel(level);
      m_children[i]->Layout(dc, kMcLayoutFromTop);
    }
  }
  int width = 0, height = std::max(m_count - 1, 0) * gap;
  for (int i = 0; i < m_count; ++i) {
    width = std::max<int>(width, m_children[i]->m_box.width);
    height += m_children[i]->m_box.height;
  }
  const int half = width / 2;

  // Alignment and brace room follow from where the list stands.
  const McKindCode parent = McKindOf(GetParentType());
  const bool first =
      m_parent != nullptr && m_parent->m_count > 0 && m_parent->m_children[0] == this;
  int code = 1, left = h / 3, right = 2 * h / 5;
  if (m_parent != nullptr && parent == kMcEquality) {
    code = first ? 4 : 0;
    left = first ? 0 : h / 3;
    right = first ? 2 * h / 5 : 0;
  } else if (m_parent == nullptr || parent == kMcGroup) {
    code = 0, left = h / 3, right = 0;
  } else if (parent == kMcSum) {
    code = 3, left = 0, right = 0;
  } else if (parent == kMcEvalat && !first) {
    code = 2, left = 0, right = 0;
  }
  int top = 0;
  if (IsLogical()) {
    // Room for the cap's bar above an intersection, the cup's below a union.
    code = 3;
    left = right = h / 10 + 3;
    height += h / 10 + 3;
    if (IsIntersection()) top = h / 10 + 3;
  }
  m_flags = McWithKindData(m_flags, code);
  width += left + right;
  m_box.width = width;
  m_box.height = height;
  m_baseline =
      static_cast<WORD>(std::max(0, height / 2 - h / 2 + g_fontAscent[kFontItalic][level]));
  const CRect mg = LayoutSignAndParens();

  int y = mg.top + top;
  for (int i = 0; i < m_count; ++i) {
    CMcBasic* item = m_children[i];
    if (code == 3)
      item->m_box.x = mg.left + left + half - item->m_box.width / 2;
    else if (code == 4)
      item->m_box.x = m_box.width - mg.right - right - item->m_box.width;
    else
      item->m_box.x = mg.left + left;
    item->m_box.y = y;
    y += item->m_box.height + gap;
  }
  RelayoutParent(dc, mode);
}

void CMcListbody::DrawBrace(CDC* dc, int x, int y, bool right) const {
  const int level = GetLevel();
  const int H = m_box.height;
  const UINT side = right ? TA_RIGHT : TA_LEFT;
  dc->SelectObject(g_fonts[kFontSymbol][level]);
  const UINT oldAlign = dc->SetTextAlign(side | TA_BASELINE);
  Glyph(dc, x, y + m_baseline, right ? 0xFD : 0xED);
  dc->SetTextAlign(side | TA_TOP);
  Glyph(dc, x, y, right ? 0xFC : 0xEC);
  // Extensions above and below the middle piece.
  const int s = 2 * g_fontAscent[kFontSymbol][level] / 3;
  if (s > 0) {
    const int k = H / s - 2;
    const int j = std::max(k / 2 - 1, 0);
    for (int i = 0; i < j; ++i) Glyph(dc, x, y + (i + 1) * s + s / 4, 0xEF);
    for (int i = j + 2; i < k; ++i) Glyph(dc, x, y + (i + 1) * s - s / 3, 0xEF);
  }
  dc->SetTextAlign(side | TA_BOTTOM);
  Glyph(dc, x, y + H, right ? 0xFE : 0xEE);
  dc->SetTextAlign(oldAlign);
}

void CMcListbody::Draw(CDC* dc, int x, int y) const {
  x += m_box.x;
  y += m_box.y;
  const CRect own(x, y, x + m_box.width, y + m_box.height);
  if (!dc->RectVisible(&own)) return;
  for (int i = 0; i < m_count; ++i) {
    const McBox& b = m_children[i]->m_box;
    const CRect box(x + b.x, y + b.y, x + b.x + b.width, y + b.y + b.height);
    if (dc->RectVisible(&box)) m_children[i]->Draw(dc, x, y);
  }
  const CRect mg = DrawSignAndParens(dc, x, y);
  const int W = m_box.width, H = m_box.height;
  if (IsLogical()) {
    const int l = x + mg.left, r = x + W - 1 - mg.right;
    dc->SelectObject(g_pens[0][ColorIndex(dc->GetTextColor())]);
    if (IsIntersection()) {
      dc->MoveTo(l, y + H);
      dc->LineTo(l, y);
      dc->LineTo(r, y);
      dc->LineTo(r, y + H);
    } else {
      dc->MoveTo(l, y);
      dc->LineTo(l, y + H - 1);
      dc->LineTo(r, y + H - 1);
      dc->LineTo(r, y - 1);
    }
    return;
  }
  const int code = GetAlignment() & 7;
  if (code == 0 || code == 1) DrawBrace(dc, x + mg.left, y, false);
  if (code == 1 || code == 4) DrawBrace(dc, x + W - mg.right, y, true);
}

CMcBasic* CMcListbody::Clone() const {
  CMcListbody* copy = new CMcListbody(m_flags);
  std::vector<CMcBasic*> items;
  for (int i = 0; i < m_count; ++i)
    if (CMcBasic* c = m_children[i]->Clone()) items.push_back(c);
  copy->AdoptChildren(items);
  return copy;
}

CMcBasic* CMcListbody::Differentiate(CMcBasic* variable, unsigned options) {
  if (IsLogical()) return CMcBasic::Differentiate(variable, options);
  auto* derivative = new CMcListbody(m_flags);
  std::vector<CMcBasic*> items;
  items.reserve(m_count);
  for (int i = 0; i < m_count; ++i)
    items.push_back(McDerivativeOf(m_children[i], variable, options));
  derivative->AdoptChildren(items);
  return CMXC_TERM::Simplify(derivative);
}
