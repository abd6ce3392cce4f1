#include "MC/MC_BASIC.h"

#include "MC/McComplex.h"
#include "MC/McEditorFocus.h"
#include "MC/McKinds.h"
#include "MC/McLayout.h"
#include "MC/MXC_TERM.h"
#include "MC/Mc_derivative.h"
#include "platform/gdi/SelectGuard.h"
#include "platform/core/Archive.h"
#include "platform/gdi/DC.h"

#include <algorithm>

namespace {

// Depth of the caret walks of NavigateOut; a sane tree never comes near the
// limit, but a kind whose Navigate loops must not take the stack with it.
thread_local int t_navigateDepth = 0;
// Nesting depth of the record being read.
thread_local int t_loadDepth = 0;
// No layout makes a box this far out or this large; a stored one beyond it
// is damage, and drawing at it would overflow the pixel arithmetic.
constexpr LONG kMaxStoredBoxValue = LONG{1} << 24;

bool ParentIsGroup(const CMcBasic* node) {
  return McIsKind(node->m_parent, kMcGroup);
}

}  // namespace

// ---- virtual operations ------------------------------------------------------

BOOL CMcBasic::Navigate(int direction, int modifier, McCursor* cursor) {
  if (direction == kMcLeft && cursor->fromSide != 0) {
    cursor->side = 0;
    return TRUE;
  }
  if (direction == kMcRight && cursor->fromSide == 0) {
    cursor->side = 1;
    return TRUE;
  }
  if (m_parent == nullptr) return FALSE;
  return PassOn(direction, modifier, cursor);
}

BOOL CMcBasic::NavigateOut(int direction, int modifier, McCursor* cursor) {
  McDepthGuard guard(t_navigateDepth);
  if (!guard.Ok()) return FALSE;
  const bool inGroup = ParentIsGroup(this);
  if (direction == kMcUp || direction == kMcDown) {
    if (inGroup || m_parent == nullptr) return FALSE;
    cursor->node = m_parent;
    cursor->side = direction == kMcUp ? 0 : 1;
    return TRUE;
  }
  const bool left = direction == kMcLeft;
  if (left ? cursor->fromSide != 0 : cursor->fromSide == 0) {
    cursor->side = left ? 0 : 1;
    return TRUE;
  }
  if (m_parent == nullptr) return FALSE;
  if (inGroup) return this == cursor->origin ? FALSE : TRUE;
  const int step = left ? kMcLeft : kMcRight;
  CMcBasic* node = cursor->node;
  // A step that does not move ends the walk; otherwise the caret would ask
  // the same node again without end.
  if (!node->Navigate(step, modifier, cursor)) return FALSE;
  cursor->fromSide = cursor->side;
  return cursor->node->NavigateOut(step, modifier, cursor);
}

WORD CMcBasic::GetType() const {
  return McTypeWord(kMcNoKind);
}

const char* CMcBasic::GetName() const {
  return "Node";
}

McComplex* CMcBasic::Evaluate(McComplex* result, CQorexDoc*, CSIMsystem*) const {
  g_bEvalError = 1;
  result->re = 0.0;
  result->im = 0.0;
  return result;
}

void CMcBasic::Draw(CDC*, int, int) const {}

void CMcBasic::Layout(CDC*, int) {}

void CMcBasic::Store(CArchive& ar) const {
  ar << GetType() << m_flags << m_count << m_baseline;
  ar << static_cast<DWORD>(m_box.x) << static_cast<DWORD>(m_box.y)
     << static_cast<DWORD>(m_box.width) << static_cast<DWORD>(m_box.height);
  for (int i = 0; i < m_count; ++i) m_children[i]->Store(ar);
}

CMcBasic::~CMcBasic() {
  DeleteChildren();
}

CMcBasic* CMcBasic::Clone() const {
  return nullptr;
}

WORD CMcBasic::Compare(const CMcBasic* other) const {
  if (GetType() != other->GetType()) return kMcDiffType;
  WORD result = ((m_flags ^ other->m_flags) & kMcSignMask) ? kMcDiffSign : 0;
  if (m_count != other->m_count) return result | kMcDiffCount;
  for (int i = 0; i < m_count; ++i) {
    if (m_children[i]->Compare(other->m_children[i]) != 0) return result | kMcDiffChild;
  }
  return result;
}

// A kind without a rule of its own is left in formal form: a derivative node
// of a sign-free copy by the variable, carrying the node's sign. Null only for
// a node that cannot be copied.
CMcBasic* CMcBasic::Differentiate(CMcBasic* variable, unsigned options) {
  CMcBasic* expression = Clone();
  CMcBasic* by = variable != nullptr ? variable->Clone() : nullptr;
  if (expression == nullptr || by == nullptr) {
    delete expression;
    delete by;
    return nullptr;
  }
  expression->m_flags &= static_cast<WORD>(~kMcSignMask);
  auto* derivative = new CMcDerivative(
      static_cast<WORD>((m_flags & kMcSignMask) | ((options & 1) ? kMcVariant : 0)));
  derivative->AppendChild(expression);
  derivative->AppendChild(by);
  return CMXC_TERM::Simplify(derivative);
}

McComplex* CMcBasic::EvaluateVector(CQorexDoc* doc) const {
  g_bEvalError = 1;
  return McNewVector(McStepCount(doc));
}

// The symbolic operations may replace a child in its slot while the loop
// runs, so each slot is read afresh.
WORD CMcBasic::Perform() {
  for (int i = 0; i < m_count; ++i) m_children[i]->Perform();
  return 0;
}

void CMcBasic::Tidy() {
  for (int i = 0; i < m_count; ++i) m_children[i]->Tidy();
}

void CMcBasic::Isolate(int) {}

void CMcBasic::Substitute(CMcBasic** patterns, CMcBasic** replacements, int count) {
  for (int i = 0; i < m_count; ++i) m_children[i]->Substitute(patterns, replacements, count);
}

// ---- tree operations ---------------------------------------------------------

CMcBasic* CMcBasic::ReplaceChild(CMcBasic* newChild, CMcBasic* oldChild) {
  const int i = IndexOfChild(oldChild);
  if (i < 0) return nullptr;
  m_children[i] = newChild;
  newChild->m_parent = this;
  return oldChild;
}

CMcBasic* CMcBasic::SetChildAt(CMcBasic* node, int index) {
  if (index < 0 || index >= m_count) return nullptr;
  CMcBasic* old = m_children[index];
  m_children[index] = node;
  node->m_parent = this;
  return old;
}

void CMcBasic::AppendChild(CMcBasic* node) {
  InsertChildAt(node, m_count, FALSE);
}

void CMcBasic::InsertChildNextTo(CMcBasic* node, CMcBasic* sibling, BOOL after) {
  const int i = IndexOfChild(sibling);
  if (i < 0)
    InsertChildAt(node, m_count, FALSE);
  else
    InsertChildAt(node, i, after);
}

void CMcBasic::InsertChildAt(CMcBasic* node, int index, BOOL after) {
  int at = index < 0 ? 0 : index + (after ? 1 : 0);
  if (at > m_count) at = m_count;
  CMcBasic** grown = new CMcBasic*[m_count + 1];
  for (int i = 0; i < at; ++i) grown[i] = m_children[i];
  grown[at] = node;
  for (int i = at; i < m_count; ++i) grown[i + 1] = m_children[i];
  delete[] m_children;
  m_children = grown;
  ++m_count;
  node->m_parent = this;
}

CMcBasic* CMcBasic::RemoveChild(CMcBasic* node) {
  const int i = IndexOfChild(node);
  return i < 0 ? nullptr : RemoveChildAt(i);
}

CMcBasic* CMcBasic::RemoveChildAt(int index) {
  if (index < 0 || index >= m_count) return nullptr;
  CMcBasic* taken = m_children[index];
  for (int i = index + 1; i < m_count; ++i) m_children[i - 1] = m_children[i];
  if (--m_count == 0) {
    delete[] m_children;
    m_children = nullptr;
  }
  return taken;
}

int CMcBasic::IndexOfChild(const CMcBasic* child) const {
  if (child == nullptr) return -1;
  // The last child is the common case of a removal: try it first.
  if (m_count > 0 && m_children[m_count - 1] == child) return m_count - 1;
  for (int i = 0; i < m_count; ++i) {
    if (m_children[i] == child) return i;
  }
  return -1;
}

void CMcBasic::SubstituteOne(CMcBasic* pattern, CMcBasic* replacement) {
  if (Compare(pattern) < 2) {
    if (m_parent == nullptr) return;
    CMcBasic* clone = replacement->Clone();
    if (clone == nullptr) return;
    const WORD sign = McMergedSign(McMergedSign(m_flags, pattern->m_flags), clone->m_flags);
    clone->m_flags = McWithSign(clone->m_flags, sign);
    if (m_parent->ReplaceChild(clone, this) == this)
      delete this;
    else
      delete clone;
    return;
  }
  for (int i = 0; i < m_count; ++i) m_children[i]->SubstituteOne(pattern, replacement);
}

// ---- records -------------------------------------------------------------------

BOOL CMcBasic::LoadHeader(CArchive& ar, WORD* childCount, McBox* box, WORD* baseline, WORD* flags) {
  DWORD x = 0, y = 0, width = 0, height = 0;
  ar >> *flags >> *childCount >> *baseline >> x >> y >> width >> height;
  box->x = static_cast<LONG>(x);
  box->y = static_cast<LONG>(y);
  box->width = static_cast<LONG>(width);
  box->height = static_cast<LONG>(height);
  for (LONG v : {box->x, box->y, box->width, box->height})
    if (v > kMaxStoredBoxValue || v < -kMaxStoredBoxValue) return FALSE;
  return !ar.HasFailed();
}

CMcBasic* CMcBasic::LoadNode(CArchive& ar) {
  McDepthGuard guard(t_loadDepth);
  if (!guard.Ok()) return nullptr;
  WORD type = 0;
  ar >> type;
  if (ar.HasFailed()) return nullptr;
  const McKind* kind = McFindKind(type);
  if (kind == nullptr) return nullptr;
  // A desktop is a root: inside another record its free positions would
  // stretch the expressions around it without bound.
  if (kind->code == kMcDesktop && t_loadDepth > 1) return nullptr;
  CMcBasic* node = kind->load(ar);
  // A loader that read past the end built its node from zeros: refuse it.
  if (node != nullptr && ar.HasFailed()) {
    delete node;
    return nullptr;
  }
  return node;
}

BOOL CMcBasic::LoadChildren(CArchive& ar, int count, std::vector<CMcBasic*>& children) {
  const size_t first = children.size();
  for (int i = 0; i < count; ++i) {
    CMcBasic* child = LoadNode(ar);
    if (child == nullptr) {
      for (size_t k = first; k < children.size(); ++k) delete children[k];
      children.resize(first);
      return FALSE;
    }
    children.push_back(child);
  }
  return TRUE;
}

BOOL CMcBasic::LoadPair(CArchive& ar, CMcBasic** first, CMcBasic** second, McBox* box,
                        WORD* baseline, WORD* flags) {
  WORD count = 0;
  if (!LoadHeader(ar, &count, box, baseline, flags) || count != 2) return FALSE;
  std::vector<CMcBasic*> sides;
  if (!LoadChildren(ar, 2, sides)) return FALSE;
  *first = sides[0];
  *second = sides[1];
  return TRUE;
}

CMcBasic* CMcBasic::LoadPairAs(CArchive& ar,
                               CMcBasic* (*make)(CMcBasic* first, CMcBasic* second, WORD flags)) {
  CMcBasic *first = nullptr, *second = nullptr;
  McBox box;
  WORD baseline = 0, flags = 0;
  if (!LoadPair(ar, &first, &second, &box, &baseline, &flags)) return nullptr;
  CMcBasic* node = make(first, second, flags);
  node->SetStoredLayout(box, baseline);
  return node;
}

CMcBasic* CMcBasic::LoadTripleAs(CArchive& ar, CMcBasic* (*make)(CMcBasic* first, CMcBasic* second,
                                                                 CMcBasic* third, WORD flags)) {
  WORD count = 0, baseline = 0, flags = 0;
  McBox box;
  if (!LoadHeader(ar, &count, &box, &baseline, &flags) || count != 3) return nullptr;
  std::vector<CMcBasic*> parts;
  if (!LoadChildren(ar, 3, parts)) return nullptr;
  CMcBasic* node = make(parts[0], parts[1], parts[2], flags);
  node->SetStoredLayout(box, baseline);
  return node;
}

void CMcBasic::AppendParts(std::initializer_list<CMcBasic*> parts) {
  for (CMcBasic* part : parts)
    if (part != nullptr) AppendChild(part);
}

CMcBasic* CMcBasic::LoadList(CArchive& ar, CMcBasic* (*make)(WORD flags), int minCount) {
  WORD count = 0, baseline = 0, flags = 0;
  McBox box;
  if (!LoadHeader(ar, &count, &box, &baseline, &flags) || count < minCount) return nullptr;
  std::vector<CMcBasic*> children;
  if (!LoadChildren(ar, count, children)) return nullptr;
  CMcBasic* node = make(flags);
  node->AdoptChildren(children);
  node->SetStoredLayout(box, baseline);
  return node;
}

void CMcBasic::AdoptChildren(const std::vector<CMcBasic*>& children) {
  DeleteChildren();
  if (children.empty()) return;
  m_children = new CMcBasic*[children.size()];
  m_count = static_cast<WORD>(children.size());
  for (size_t i = 0; i < children.size(); ++i) {
    m_children[i] = children[i];
    children[i]->m_parent = this;
  }
}

// ---- family helpers ----------------------------------------------------------------

// The parent finds the child the step comes from in node.
BOOL CMcBasic::PassOn(int direction, int modifier, McCursor* cursor) {
  cursor->node = this;
  return m_parent ? m_parent->Navigate(direction, modifier, cursor) : FALSE;
}

BOOL CMcBasic::NavigateOnFrame(int direction, int modifier, McCursor* cursor, CMcBasic* upPart,
                               CMcBasic* downPart, CMcBasic* lastPart) {
  if (direction == kMcUp)
    return upPart ? cursor->Place(upPart, cursor->fromSide) : PassOn(direction, modifier, cursor);
  if (direction == kMcDown)
    return downPart ? cursor->Place(downPart, cursor->fromSide)
                    : PassOn(direction, modifier, cursor);
  const bool left = direction == kMcLeft;
  if (cursor->fromSide == 0)
    return left ? PassOn(direction, modifier, cursor) : cursor->Place(m_children[0], 0);
  return left ? cursor->Place(lastPart, 1) : PassOn(direction, modifier, cursor);
}

BOOL CMcBasic::NavigateWithColumn(int direction, int modifier, McCursor* cursor,
                                  ColumnSide column) {
  if (m_count != 3) return CMcBasic::Navigate(direction, modifier, cursor);
  CMcBasic* main = m_children[0];
  CMcBasic* lower = m_children[1];
  CMcBasic* upper = m_children[2];
  if (cursor->node == this) return NavigateOnFrame(direction, modifier, cursor, upper, lower, main);
  const int from = IndexOfChild(cursor->node);
  if (from < 0) return FALSE;
  const bool columnBefore = column == kColumnBefore;
  const int side = from == 0 ? (columnBefore ? 1 : 0) : cursor->fromSide;
  if (direction == kMcUp)
    return cursor->node == upper ? PassOn(direction, modifier, cursor) : cursor->Place(upper, side);
  if (direction == kMcDown)
    return cursor->node == lower ? PassOn(direction, modifier, cursor) : cursor->Place(lower, side);
  // Left and right move only from a part's edge on that side.
  const bool left = direction == kMcLeft;
  if (left != (cursor->fromSide == 0)) return FALSE;
  const bool towardColumn = left == columnBefore;
  if (towardColumn || from == 0) return cursor->Place(this, left ? 0 : 1);
  return cursor->Place(main, left ? 1 : 0);
}

BOOL CMcBasic::NavigatePair(int direction, int modifier, McCursor* cursor) {
  if (m_count != 2) return CMcBasic::Navigate(direction, modifier, cursor);
  if (direction == kMcUp || direction == kMcDown) return PassOn(direction, modifier, cursor);
  const bool left = direction == kMcLeft;
  const bool before = cursor->fromSide == 0;
  CMcBasic* first = m_children[0];
  CMcBasic* second = m_children[1];
  if (cursor->node == this) {
    if (before) return left ? PassOn(direction, modifier, cursor) : cursor->Place(first, 0);
    return left ? cursor->Place(second, 1) : PassOn(direction, modifier, cursor);
  }
  if (cursor->node == first) {
    if (before) return left ? cursor->Place(this, 0) : FALSE;
    return left ? FALSE : cursor->Place(second, 0);
  }
  if (before) return left ? cursor->Place(first, 1) : FALSE;
  return left ? FALSE : cursor->Place(this, 1);
}

BOOL CMcBasic::NavigateList(int direction, int modifier, McCursor* cursor) {
  const int n = m_count;
  if (n == 0) return CMcBasic::Navigate(direction, modifier, cursor);
  if (direction == kMcUp || direction == kMcDown) return PassOn(direction, modifier, cursor);
  CMcBasic* first = m_children[0];
  CMcBasic* last = m_children[n - 1];
  const bool left = direction == kMcLeft;
  if (cursor->node == this) {
    if (cursor->fromSide == 0)
      return left ? PassOn(direction, modifier, cursor) : cursor->Place(first, 0);
    return left ? cursor->Place(last, 1) : PassOn(direction, modifier, cursor);
  }
  if (cursor->node == first && cursor->fromSide == 0) return left ? cursor->Place(this, 0) : FALSE;
  if (cursor->node == last && cursor->fromSide != 0) return left ? FALSE : cursor->Place(this, 1);
  if (cursor->fromSide != 0 && !left) {
    int i = 0;
    while (i < n - 2 && m_children[i] != cursor->node) ++i;
    return cursor->Place(m_children[i + 1], 0);
  }
  if (cursor->fromSide == 0 && left) {
    int i = 1;
    while (i < n - 1 && m_children[i] != cursor->node) ++i;
    return cursor->Place(m_children[i - 1], 1);
  }
  return FALSE;
}

BOOL CMcBasic::NavigateGrid(int direction, int modifier, McCursor* cursor, int columns) {
  if (cursor->node == this) {
    if (direction == kMcUp || direction == kMcDown) return PassOn(direction, modifier, cursor);
    if (cursor->fromSide == 0) {
      if (direction == kMcLeft) return PassOn(direction, modifier, cursor);
      return m_count ? cursor->Place(m_children[0], 0) : cursor->Place(this, 1);
    }
    if (direction == kMcRight) return PassOn(direction, modifier, cursor);
    return m_count ? cursor->Place(m_children[m_count - 1], 1) : cursor->Place(this, 0);
  }
  const int k = IndexOfChild(cursor->node);
  if (k < 0) return FALSE;
  const int nc = std::max(1, columns);
  // Up and down keep the caret's side of the child (inside a text: before).
  const int kept = cursor->fromSide == 1 ? 1 : 0;
  switch (direction) {
    case kMcLeft:
      return k % nc == 0 ? cursor->Place(this, 0) : cursor->Place(m_children[k - 1], 1);
    case kMcRight:
      return (k % nc == nc - 1 || k == m_count - 1) ? cursor->Place(this, 1)
                                                    : cursor->Place(m_children[k + 1], 0);
    case kMcUp:
      return k >= nc ? cursor->Place(m_children[k - nc], kept) : PassOn(kMcUp, modifier, cursor);
    default:
      return k + nc < m_count ? cursor->Place(m_children[k + nc], kept)
                              : PassOn(kMcDown, modifier, cursor);
  }
}

WORD CMcBasic::ComparePair(const CMcBasic* other) const {
  if (other->GetType() != GetType()) return kMcDiffType;
  WORD code = GetSign() != other->GetSign() ? kMcDiffSign : 0;
  if (m_count != 2 || other->m_count != 2) {
    return m_count == other->m_count ? code : static_cast<WORD>(code | kMcDiffCount);
  }
  if (m_children[0]->Compare(other->m_children[0]) != 0 ||
      m_children[1]->Compare(other->m_children[1]) != 0) {
    code |= kMcDiffChild;
  }
  return code;
}

WORD CMcBasic::CompareList(const CMcBasic* other) const {
  if (other->GetType() != GetType()) return kMcDiffType;
  WORD code = GetSign() != other->GetSign() ? kMcDiffSign : 0;
  if (m_count != other->m_count) return code | kMcDiffCount;
  std::vector<const CMcBasic*> work(other->m_children, other->m_children + other->m_count);
  for (int i = 0; i < m_count; ++i) {
    auto found = std::find_if(work.begin(), work.end(), [&](const CMcBasic* candidate) {
      return m_children[i]->Compare(candidate) == 0;
    });
    if (found == work.end()) return code | kMcDiffChild;
    *found = work.back();
    work.pop_back();
  }
  return code;
}

void CMcBasic::LayoutEmpty(CDC* dc, int mode) {
  m_box.width = m_box.height = 0;
  m_baseline = 0;
  LayoutSignAndParens();
  RelayoutParent(dc, mode);
}

bool CMcBasic::LayoutMainAndSmallerParts(CDC* dc, int mode, int parts, int& h, int& a) {
  if (m_count != parts) {
    LayoutEmpty(dc, mode);
    return false;
  }
  const int level = GetLevel();
  h = McFontHeight(kFontItalic, level);
  a = McFontAscent(kFontItalic, level);
  if (mode != kMcLayoutFromTop) return true;
  for (int i = 0; i < parts; ++i) {
    m_children[i]->SetLevel(i == 0 ? level : McSmallerLevel(level));
    m_children[i]->Layout(dc, kMcLayoutFromTop);
  }
  return true;
}

void CMcBasic::RelayoutParent(CDC* dc, int mode) {
  if (mode == kMcLayoutAfterChange && m_parent != nullptr)
    m_parent->Layout(dc, kMcLayoutAfterChange);
}

// ---- sign and parentheses ------------------------------------------------------

namespace {

// Symbol code page glyphs of the sign prefixes and the parenthesis pieces.
constexpr char kMinusGlyph = '\x2D';
constexpr char kPlusMinusGlyph = '\xB1';
constexpr char kPlusGlyph = '\x2B';
constexpr char kLeftParenPieces[3] = {'\xE6', '\xE7', '\xE8'};  // top, extension, bottom
constexpr char kRightParenPieces[3] = {'\xF6', '\xF7', '\xF8'};
// Up to this height parentheses are one scaled text glyph; above it they are
// built from Symbol pieces.
constexpr int kMaxScaledParenHeight = 22;

// Margins that centre content on the axis inside parentheses: the shorter
// side (above or below the axis) grows by half the difference.
CRect ParenMargins(int level, int height, int baseline, int* newBaseline) {
  const int h0 = McFontHeight(kFontItalic, level);
  const int m = McAxis(level);
  const int below = (height - baseline) + m;
  const int above = baseline - m;
  CRect margins(h0 / 3, 0, h0 / 3, 0);
  *newBaseline = baseline;
  if (above > below) {
    margins.bottom = (below + above) / 2 + above - height;
  } else {
    margins.top = (below + above) / 2 + below - height;
    *newBaseline = (below + above) / 2 + m;
  }
  return margins;
}

void DrawParenPieces(CDC* dc, int x, int y, int height, UINT side, const char* pieces, int s6) {
  {
    McAlignGuard align(dc, side | TA_TOP);
    dc->TextOut(x, y, &pieces[0], 1);
    for (int i = 1; i <= height / s6 - 2; ++i) dc->TextOut(x, y + i * s6, &pieces[1], 1);
  }
  McAlignGuard align(dc, side | TA_BOTTOM);
  if (9 * s6 / 4 < height) dc->TextOut(x, y + height - s6, &pieces[1], 1);
  dc->TextOut(x, y + height, &pieces[2], 1);
}

// Parentheses spanning y .. y + height, the left one starting at left, the
// right one ending at right.
void DrawParenGlyphs(CDC* dc, int level, int left, int right, int y, int height) {
  if (height <= kMaxScaledParenHeight) {
    CFont font;
    font.CreateFont(height * 6 / 5, height / 4, 0, 0, FW_NORMAL, 0, 0, 0, ANSI_CHARSET,
                    OUT_DEFAULT_PRECIS, 0, DEFAULT_QUALITY, DEFAULT_PITCH, "Times New Roman");
    QxSelectGuard select(dc, &font);
    {
      McAlignGuard align(dc, TA_LEFT | TA_TOP);
      dc->TextOut(left, y - height / 5, "(", 1);
    }
    McAlignGuard align(dc, TA_RIGHT | TA_TOP);
    dc->TextOut(right, y - height / 5, ")", 1);
    return;
  }
  // The Symbol font stays selected afterwards.
  McSelectFont(dc, kFontSymbol, level);
  const int s6 = std::max(1, McFontAscent(kFontSymbol, level));
  DrawParenPieces(dc, left, y, height, TA_LEFT, kLeftParenPieces, s6);
  DrawParenPieces(dc, right, y, height, TA_RIGHT, kRightParenPieces, s6);
}

}  // namespace

bool CMcBasic::HasPlusPrefix() const {
  return GetSign() == 0 && McIsKind(m_parent, kMcListsum) && m_parent->m_children[0] != this;
}

CRect CMcBasic::LayoutSignAndParens() {
  const int level = GetLevel();
  const int h0 = McFontHeight(kFontItalic, level);
  // The user's parentheses survive only on the editor's caret node; elsewhere
  // the product rule below decides them afresh.
  if ((m_flags & kMcParens) && !McIsAtCaret(this)) m_flags &= ~kMcParens;
  if (!(m_flags & kMcParens) && McIsKind(m_parent, kMcListmult)) {
    if (GetSign() != 0 || McIsKind(this, kMcListmult) || McIsKind(this, kMcListsum))
      m_flags |= kMcParens;
  }
  CRect margins(0, 0, 0, 0);
  if (m_flags & kMcParens) {
    int baseline = m_baseline;
    margins = ParenMargins(level, m_box.height, m_baseline, &baseline);
    m_baseline = static_cast<WORD>(baseline);
  }
  if (GetSign() != 0 || HasPlusPrefix()) margins.left += h0 / 2;
  m_box.width += margins.left + margins.right;
  m_box.height += margins.top + margins.bottom;
  return margins;
}

CRect CMcBasic::DrawSignAndParens(CDC* dc, int x, int y) const {
  const int level = GetLevel();
  const int h0 = McFontHeight(kFontItalic, level);
  const int sign = GetSign();
  const bool sumTerm = McIsKind(m_parent, kMcListsum);
  const bool prefixed = sign != 0 || HasPlusPrefix();
  const int paren = (m_flags & kMcParens) ? h0 / 3 : 0;
  CRect margins(0, 0, 0, 0);
  if (prefixed) {
    margins.left = h0 / 2;
    // A sum term's sign stands before its parenthesis, any other inside it.
    DrawSign(dc, sumTerm ? x : x + paren, y);
  }
  if (m_flags & kMcParens) {
    const int m = McAxis(level);
    const int below = (m_box.height - m_baseline) + m;
    const int above = m_baseline - m;
    margins.left += paren;
    margins.right = paren;
    if (above > below)
      margins.bottom = above - below;
    else
      margins.top = below - above;
    const int px = sumTerm && prefixed ? x + h0 / 2 : x;
    DrawParenGlyphs(dc, level, px, x + m_box.width, y, m_box.height);
  }
  return margins;
}

// The sign glyph at (x, y + baseline); minus-plus is the plus-minus glyph
// turned upside down.
void CMcBasic::DrawSign(CDC* dc, int x, int y) const {
  const int level = GetLevel();
  const int sign = GetSign();
  if (sign == 3) {
    const int h0 = McFontHeight(kFontItalic, level);
    const int s6 = McFontAscent(kFontSymbol, level);
    CFont turned;
    turned.CreateFont(h0, 0, 1800, 0, FW_NORMAL, 0, 0, 0, SYMBOL_CHARSET, OUT_DEFAULT_PRECIS, 0,
                      DEFAULT_QUALITY, DEFAULT_PITCH, "Symbol");
    QxSelectGuard select(dc, &turned);
    McAlignGuard align(dc, TA_RIGHT | TA_TOP);
    dc->TextOut(x, y + m_baseline + h0 - s6, &kPlusMinusGlyph, 1);
    return;
  }
  const char glyph = sign == 1 ? kMinusGlyph : sign == 2 ? kPlusMinusGlyph : kPlusGlyph;
  McSelectFont(dc, kFontSymbol, level);
  dc->TextOut(x, y + m_baseline, &glyph, 1);
}

CRect CMcBasic::LayoutParens(const McBox& box, int baseline) const {
  int unused = 0;
  return ParenMargins(GetLevel(), box.height, baseline, &unused);
}

CRect CMcBasic::DrawParens(CDC* dc, int x, int y, const McBox& box, int baseline) const {
  const CRect margins = LayoutParens(box, baseline);
  const int px = x + box.x - margins.left;
  const int py = y + box.y - margins.top;
  const int pw = box.width + margins.left + margins.right;
  const int ph = box.height + margins.top + margins.bottom;
  DrawParenGlyphs(dc, GetLevel(), px, px + pw, py, ph);
  return margins;
}

// ---- small readers -----------------------------------------------------------

WORD CMcBasic::GetParentType() const {
  return m_parent ? m_parent->GetType() : kMcRootParentType;
}

void CMcBasic::DeleteChildren() {
  for (int i = 0; i < m_count; ++i) delete m_children[i];
  delete[] m_children;
  m_children = nullptr;
  m_count = 0;
}
