#include "MC/MC_GROUP.h"

#include "GlobalResources.h"
#include "platform/core/Archive.h"
#include "platform/gdi/DC.h"

#include <algorithm>
#include <cstring>

namespace {

// Column layout: the items' offset inside the group, the empty and fixed
// boxes, and the room below the last item.
constexpr int kItemOffsetX = 10;
constexpr int kItemOffsetY = 30;
constexpr int kMinWidth = 100;
constexpr int kFixedHeight = 30;
constexpr int kEmptyColumnsY = 50;
constexpr int kBottomRoom = 40;
constexpr int kRightRoom = 20;
// Column height in lines when the flags give none.
constexpr WORD kDefaultGroupFlags = 0x1400;

}  // namespace

CMcGroup::CMcGroup(CMcBasic* first, const char* name, WORD flags)
    : CMcBasic((flags & kMcKindDataMask) == 0 ? kDefaultGroupFlags : flags) {
  SetName(name);
  if (first != nullptr) AppendChild(first);
}

BOOL CMcGroup::Navigate(int, int, McCursor*) {
  return FALSE;
}

void CMcGroup::Draw(CDC* dc, int x, int y) const {
  if (m_current >= m_count) return;
  m_children[m_current]->Draw(dc, x + m_box.x, y + m_box.y);
}

void CMcGroup::Layout(CDC* dc, int mode) {
  if (m_count > 0 && !McIsKind(m_children[0], kMcGroup))
    LayoutCurrent(dc, mode);
  else
    LayoutColumns(dc, mode);
  RelayoutParent(dc, mode);
}

// The group takes the current child's box; the other children are neither
// laid out nor placed.
void CMcGroup::LayoutCurrent(CDC* dc, int mode) {
  if (m_current >= m_count) {
    m_box.width = m_box.height = 0;
    m_baseline = 0;
    return;
  }
  CMcBasic* current = m_children[m_current];
  if (mode == kMcLayoutFromTop) {
    current->SetLevel(0);
    current->Layout(dc, kMcLayoutFromTop);
  }
  m_box.width = current->m_box.width;
  m_box.height = current->m_box.height;
  m_baseline = current->m_baseline;
  current->m_box.x = 0;
  current->m_box.y = 0;
}

// Items run down a column until the next would pass the column height, then
// a new column starts to the right; a column holds at least one item.
void CMcGroup::LayoutColumns(CDC* dc, int mode) {
  if (m_flags & kMcVariantHigh) {
    m_box.width = kMinWidth;
    m_box.height = kFixedHeight;
    m_baseline = 0;
    return;
  }
  const int h = g_fontHeight[kFontItalic][0];
  const int gap = h / 2;
  const int limit = h * McKindData(m_flags);
  const bool flow = (m_flags & kMcVariant) != 0;
  CMcBasic** items = flow ? m_flow : m_children;
  const int count = flow ? m_flowCount : m_count;
  int cx = gap, cy = gap, cw = 0, W = 0, Y = 0;
  for (int i = 0; i < count; ++i) {
    CMcBasic* item = items[i];
    if (item == nullptr) continue;
    if (mode == kMcLayoutFromTop) {
      item->SetLevel(0);
      item->Layout(dc, kMcLayoutFromTop);
    }
    if (cy != gap && cy + item->m_box.height + 2 * gap > limit) {
      cx += cw + gap;
      cy = gap;
      cw = 0;
    }
    item->m_box.x = cx + kItemOffsetX;
    item->m_box.y = cy + kItemOffsetY;
    cw = std::max<int>(cw, item->m_box.width);
    cy += item->m_box.height + gap;
    W = std::max(W, cx + cw + gap);
    Y = std::max(Y, cy);
  }
  if (Y == 0) Y = kEmptyColumnsY;
  m_box.height = Y + kBottomRoom;
  m_box.width = std::max(W + kRightRoom, kMinWidth);
  m_baseline = static_cast<WORD>(m_box.height / 2 - h / 2 + g_fontAscent[kFontItalic][0]);
}

void CMcGroup::Store(CArchive& ar) const {
  CMcBasic::Store(ar);
  // An index that names no child would make the record unreadable; the first
  // child (or none) is what such a group shows anyway.
  const WORD current = m_current < m_count ? m_current : 0;
  ar << current << m_nameLength;
  ar.Write(m_name.GetString(), m_nameLength);
}

CMcGroup::~CMcGroup() {
  for (int i = 0; i < m_flowCount; ++i) delete m_flow[i];
  delete[] m_flow;
}

CMcBasic* CMcGroup::Clone() const {
  CMcGroup* copy = new CMcGroup(nullptr, m_name, m_flags);
  std::vector<CMcBasic*> clones;
  for (int i = 0; i < m_count; ++i) {
    if (CMcBasic* c = m_children[i]->Clone()) clones.push_back(c);
  }
  copy->AdoptChildren(clones);
  return copy;
}

namespace {

// Reads a zero-terminated name of length bytes (the zero included) in small
// pieces, so a false length cannot drive a large allocation. FALSE when the
// input runs out or the last byte is not the zero.
bool ReadName(CArchive& ar, WORD length, std::string* name) {
  char piece[256];
  std::string bytes;
  for (int left = length; left > 0;) {
    const UINT n = static_cast<UINT>(std::min<int>(left, sizeof piece));
    if (ar.Read(piece, n) != n) return false;
    bytes.append(piece, n);
    left -= static_cast<int>(n);
  }
  if (bytes.empty() || bytes.back() != '\0') return false;
  // A zero inside the name ends it.
  name->assign(bytes.c_str());
  return true;
}

}  // namespace

CMcBasic* CMcGroup::Load(CArchive& ar) {
  WORD count = 0, baseline = 0, flags = 0;
  McBox box;
  if (!LoadHeader(ar, &count, &box, &baseline, &flags)) return nullptr;
  std::vector<CMcBasic*> children;
  if (!LoadChildren(ar, count, children)) return nullptr;
  WORD current = 0, nameLength = 0;
  ar >> current >> nameLength;
  std::string name;
  const bool currentOk = count > 0 ? current < count : current == 0;
  if (ar.HasFailed() || nameLength == 0 || !currentOk || !ReadName(ar, nameLength, &name)) {
    for (CMcBasic* child : children) delete child;
    return nullptr;
  }
  CMcGroup* group = new CMcGroup(nullptr, name.c_str(), flags);
  group->AdoptChildren(children);
  group->m_current = current;
  group->SetStoredLayout(box, baseline);
  return group;
}

void CMcGroup::SetName(const char* name) {
  // The stored length is a WORD that counts the zero byte.
  m_name = CString(name ? name : "").Left(0xFFFE);
  m_nameLength = static_cast<WORD>(m_name.GetLength() + 1);
}
