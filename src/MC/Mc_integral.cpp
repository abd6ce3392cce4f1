#include "MC/Mc_integral.h"

#include "MC/MC_NULL.h"
#include "MC/MC_REAL.h"
#include "MC/MC_LIMIT.h"
#include "MC/MXC_TERM.h"
#include "MC/McEditorFocus.h"
#include "MC/McKinds.h"
#include "MC/McLayout.h"
#include "MC/Mc_derivative.h"
#include "platform/gdi/SelectGuard.h"
#include "platform/core/Archive.h"
#include "platform/gdi/DC.h"

#include <algorithm>
#include <vector>

namespace {

constexpr WORD kCompareMask = 0xC730;                      // partial, closed, kind, product
constexpr char kSignGlyphs[3] = {'\xF2', '\xF2', '\xF2'};  // Symbol code page: the integral sign
constexpr char kDotGlyph = '\xB7';
constexpr char kCrossGlyph = '\xB4';
constexpr char kRegionLetters[4] = {'l', 'A', 'S', 'V'};  // kinds 1 to 4

// Signs per kind; kinds 5 to 7 have none.
int SignCount(int kind) {
  static const int counts[8] = {1, 1, 2, 2, 3, 0, 0, 0};
  return counts[kind & 7];
}

// An empty limit is hidden unless the caret is on it.
bool IsShown(const CMcBasic* limit) {
  return !McIsHiddenPlaceholder(limit);
}

}  // namespace

CMcIntegral::CMcIntegral(CMcBasic* integrand, CMcBasic* lower, CMcBasic* upper, CMcBasic* variable,
                         WORD flags)
    : CMcBasic(flags) {
  AppendParts({integrand, lower, upper, variable});
}

CMcBasic* CMcIntegral::Load(CArchive& ar) {
  WORD count = 0, baseline = 0, flags = 0;
  McBox box;
  if (!LoadHeader(ar, &count, &box, &baseline, &flags) || count != kParts) return nullptr;
  std::vector<CMcBasic*> parts;
  if (!LoadChildren(ar, kParts, parts)) return nullptr;
  auto* node = new CMcIntegral(parts[0], parts[1], parts[2], parts[3], flags);
  node->SetStoredLayout(box, baseline);
  return node;
}

WORD CMcIntegral::GetType() const {
  return McTypeWord(kMcIntegral);
}

const char* CMcIntegral::GetName() const {
  return IsPartial() ? "Partial integral" : "Integral";
}

bool CMcIntegral::ShowsLimits() const {
  return m_count == kParts && (IsShown(m_children[kLower]) || IsShown(m_children[kUpper]));
}

// ---- caret ---------------------------------------------------------------------

BOOL CMcIntegral::Navigate(int direction, int modifier, McCursor* cursor) {
  if (m_count != kParts) return CMcBasic::Navigate(direction, modifier, cursor);
  CMcBasic* integrand = m_children[kIntegrand];
  CMcBasic* lower = m_children[kLower];
  CMcBasic* upper = m_children[kUpper];
  CMcBasic* variable = m_children[kVariable];
  const bool ordinary = GetKind() == 0;
  // The variable is drawn last only in the ordinary integral.
  if (cursor->node == this)
    return NavigateOnFrame(direction, modifier, cursor, upper, lower,
                           ordinary ? variable : integrand);
  const int from = IndexOfChild(cursor->node);
  if (from < 0) return FALSE;
  switch (direction) {
    case kMcUp:
      if (from == kUpper) return PassOn(direction, modifier, cursor);
      return cursor->Place(upper, from == kLower ? cursor->fromSide : 1);
    case kMcDown:
      if (from == kLower) return PassOn(direction, modifier, cursor);
      return cursor->Place(lower, from == kUpper ? cursor->fromSide : 1);
    case kMcLeft:
      if (cursor->fromSide != 0) return FALSE;
      return from == kVariable ? cursor->Place(integrand, 1) : cursor->Place(this, 0);
    default:
      if (cursor->fromSide == 0) return FALSE;
      if (from == kVariable || (from == kIntegrand && !ordinary)) return cursor->Place(this, 1);
      if (from == kIntegrand) return cursor->Place(variable, 0);
      return cursor->Place(integrand, 0);
  }
}

// ---- layout ----------------------------------------------------------------------

void CMcIntegral::Layout(CDC* dc, int mode) {
  if (m_count != kParts) {
    LayoutEmpty(dc, mode);
    return;
  }
  const int level = GetLevel();
  const int smaller = McSmallerLevel(level);
  const int h = McFontHeight(kFontItalic, level);
  const int hs = McFontHeight(kFontItalic, smaller);
  const int h10 = McFontHeight(kFontSymbolLarge, level);
  const int a10 = McFontAscent(kFontSymbolLarge, level);
  CMcBasic* integrand = m_children[kIntegrand];
  CMcBasic* lower = m_children[kLower];
  CMcBasic* upper = m_children[kUpper];
  CMcBasic* variable = m_children[kVariable];
  lower->SetLevel(smaller);
  if (mode == kMcLayoutFromTop) {
    integrand->SetLevel(level);
    integrand->Layout(dc, kMcLayoutFromTop);
    lower->Layout(dc, kMcLayoutFromTop);
    upper->SetLevel(smaller);
    upper->Layout(dc, kMcLayoutFromTop);
    variable->SetLevel(level);
    variable->Layout(dc, kMcLayoutFromTop);
  }
  // The signs' width and the gap after the integrand for the product sign and
  // the differential.
  int signs = h / 2;
  int gap = h / 2;
  if (GetProduct() != 0) gap += h / 2;
  switch (GetKind()) {
    case 0:
      gap += variable->m_box.width;
      break;
    case 1:
      gap += h / 3;
      break;
    case 4:
      signs = 3 * (h / 2);
      gap += h / 2;
      break;
    case 5:
      gap = 0;
      break;
    default:
      signs = 2 * (h / 2);
      gap += h / 2;
      break;
  }
  const int column = ShowsLimits() ? std::max(lower->m_box.width, upper->m_box.width) : 0;
  m_box.width = signs + gap + integrand->m_box.width + column;
  // The limits reach from the large sign's top to its bottom.
  const int baseline =
      std::max(upper->m_box.height - hs + a10 - h / 3, static_cast<LONG>(integrand->m_baseline));
  const int descent = std::max(lower->m_box.height - hs + (h10 - a10) + h / 3,
                               integrand->m_box.height - integrand->m_baseline);
  m_box.height = baseline + descent;
  m_baseline = static_cast<WORD>(baseline);
  const CRect m = LayoutSignAndParens();
  integrand->m_box.x = m.left + signs + column;
  integrand->m_box.y = m_baseline - integrand->m_baseline;
  lower->m_box.x = m.left + signs;
  lower->m_box.y = m_baseline + (h10 - a10) + h / 3 - hs;
  upper->m_box.x = m.left + signs;
  upper->m_box.y = h / 3 + hs + m_baseline - a10 - upper->m_box.height;
  variable->m_box.x = m_box.width - m.right - variable->m_box.width;
  variable->m_box.y = m_baseline - variable->m_baseline;
  RelayoutParent(dc, mode);
}

// ---- drawing -----------------------------------------------------------------------

void CMcIntegral::Draw(CDC* dc, int x, int y) const {
  x += m_box.x;
  y += m_box.y;
  if (m_count != kParts) {
    DrawSignAndParens(dc, x, y);
    return;
  }
  const int level = GetLevel();
  const int kind = GetKind();
  const int h = McFontHeight(kFontItalic, level);
  const int a = McFontAscent(kFontItalic, level);
  const CMcBasic* integrand = m_children[kIntegrand];
  const CMcBasic* lower = m_children[kLower];
  const CMcBasic* upper = m_children[kUpper];
  if (IsShown(upper)) {
    lower->Draw(dc, x, y);
    upper->Draw(dc, x, y);
  } else if (IsShown(lower)) {
    lower->Draw(dc, x, y);
  }
  if (kind == 0) m_children[kVariable]->Draw(dc, x, y);
  integrand->Draw(dc, x, y);
  const int left = DrawSignAndParens(dc, x, y).left;

  if (IsClosed()) {
    // The ring is an outline: a fill would hide the sign under it.
    const int yc = y + m_baseline - a + h / 2;
    QxSelectGuard pen(dc, g_pens[0][ColorIndex(dc->GetTextColor())]);
    auto hollow = QxSelectGuard::Stock(dc, HOLLOW_BRUSH);
    dc->Ellipse(x + left, yc - h / 8 - 2, x + lower->m_box.x, yc + 1 + h / 8);
  }
  if (const int signs = SignCount(kind)) {
    McSelectFont(dc, kFontSymbolLarge, level);
    dc->TextOut(x + 1 + left, y + m_baseline + h / 3, kSignGlyphs, signs);
  }

  const int x0 = x + integrand->m_box.x + integrand->m_box.width;
  const int baseline = y + m_baseline;
  int offset = 0;
  if (const int product = GetProduct()) {
    McSelectFont(dc, kFontSymbol, level);
    dc->TextOut(x0, baseline, product == 1 ? &kDotGlyph : &kCrossGlyph, 1);
    offset = h / 2;
  }
  if (kind > 4) return;
  McDrawDifferential(dc, x0 + offset, baseline, IsPartial(), level);
  if (kind == 0) return;
  if (kind == 1) offset += h / 5;
  offset += h / 3 + 1;
  McSelectFont(dc, kFontItalic, level);
  dc->TextOut(x0 + offset, baseline, &kRegionLetters[kind - 1], 1);
}

// ---- copies and comparison ------------------------------------------------------------

CMcBasic* CMcIntegral::Clone() const {
  CMcBasic* parts[kParts] = {};
  for (int i = 0; i < m_count && i < kParts; ++i) parts[i] = m_children[i]->Clone();
  return new CMcIntegral(parts[0], parts[1], parts[2], parts[3], m_flags);
}

WORD CMcIntegral::Compare(const CMcBasic* other) const {
  if (other->GetType() != GetType()) return kMcDiffType;
  return McCompareParts(this, other, kCompareMask);
}

// ---- symbolic operations -----------------------------------------------------------

CMcBasic* CMcIntegral::Differentiate(CMcBasic* variable, unsigned options) {
  if (m_count != kParts || GetKind() != 0) return CMcBasic::Differentiate(variable, options);
  if (m_children[kVariable]->Compare(variable) == 0) {
    CMcBasic* integrand = m_children[kIntegrand]->Clone();
    McMergeSign(integrand, m_flags);
    return CMXC_TERM::Simplify(integrand);
  }
  return CMXC_TERM::Simplify(new CMcIntegral(
      McDerivativeOf(m_children[kIntegrand], variable, options), m_children[kLower]->Clone(),
      m_children[kUpper]->Clone(), m_children[kVariable]->Clone(), m_flags));
}

WORD CMcIntegral::Perform() {
  if (McSlotOf(this) < 0) return 0;
  for (int i = 0; i < m_count; ++i) m_children[i]->Perform();
  if (m_count != kParts) return 0;
  CMcBasic* integrand = m_children[kIntegrand];
  if (McIsNumber(integrand, 0.0)) {
    CMcBasic* zero = new CMcReal(0.0, 0);
    if (McReplaceNode(this, zero)) return 1;
    delete zero;
  }
  McMergeSign(this, integrand->m_flags);
  integrand->m_flags &= static_cast<WORD>(~kMcSignMask);
  return 0;
}

void CMcIntegral::Isolate(int) {
  if (m_count != kParts || !McCanIsolate(this, 0)) return;
  CMcBasic* relation = m_parent;
  auto* derivative = new CMcDerivative(static_cast<WORD>(m_flags & (kMcSignMask | kMcVariant)));
  derivative->AppendChild(relation->m_children[1]);
  derivative->AppendChild(m_children[kVariable]->Clone());
  relation->SetChildAt(derivative, 1);
  relation->SetChildAt(McTakeChild(this, kIntegrand), 0);
  delete this;
}
