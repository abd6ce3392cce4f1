// The controls that draw themselves into their client image: list boxes
// (owner-drawn ones through the parent), trackbars and up-down controls.
#include "platform/ui/Controls.h"

#include "platform/ui/ControlsInternal.h"

#include <QWheelEvent>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <vector>

using namespace qxui;

namespace {

// The item height of lists that are not owner-drawn (the dialog font's line).
constexpr int kListItemHeight = 13;
// The width of a vertical scroll bar.
constexpr int kScrollBarWidth = 16;

struct ListItem {
  CString text;
  DWORD_PTR data = 0;
  int height = kListItemHeight;
};

class ListWidget : public WndWidget {
 public:
  ListWidget(CWnd* wnd, QWidget* parent) : WndWidget(wnd, parent) {}
  std::vector<ListItem> items;
  int selection = -1;
  int top = 0;
  int fixedHeight = kListItemHeight;

 protected:
  // The wheel scrolls three items a notch (the windows layer has no wheel message).
  bool event(QEvent* event) override {
    if (event->type() == QEvent::Wheel && !items.empty()) {
      int notches = static_cast<QWheelEvent*>(event)->angleDelta().y() / 120;
      top = std::clamp(top - 3 * notches, 0, static_cast<int>(items.size()) - 1);
      if (m_pWnd) m_pWnd->Invalidate(FALSE);
      event->accept();
      return true;
    }
    return WndWidget::event(event);
  }
};

ListWidget* ListOf(const CWnd* wnd) {
  return dynamic_cast<ListWidget*>(wnd->GetWidget());
}

bool OwnerDrawn(DWORD style) {
  return style & (LBS_OWNERDRAWFIXED | LBS_OWNERDRAWVARIABLE);
}

int ItemTop(const ListWidget* list, int index) {
  int y = 0;
  for (int i = list->top; i < index; ++i) y += list->items[static_cast<size_t>(i)].height;
  for (int i = index; i < list->top; ++i) y -= list->items[static_cast<size_t>(i)].height;
  return y;
}

int TotalHeight(const ListWidget* list) {
  int total = 0;
  for (const ListItem& item : list->items) total += item.height;
  return total;
}

// How many items from the top fit the height (at least one).
int FittingItems(const ListWidget* list, int height) {
  int count = 0;
  for (int i = list->top, y = 0; i < static_cast<int>(list->items.size()); ++i, ++count) {
    y += list->items[static_cast<size_t>(i)].height;
    if (y > height) break;
  }
  return std::max(1, count);
}

// The item whose rectangle (as ItemRect gives it) holds the point; -1 for none.
// One walk down from the top item, so a click costs no more than the list.
int ItemAt(const ListWidget* list, CPoint point, int right) {
  if (point.x < 0 || point.x >= right) return -1;
  for (int i = list->top, y = 0; i < static_cast<int>(list->items.size()) && y <= point.y; ++i) {
    y += list->items[static_cast<size_t>(i)].height;
    if (point.y < y) return i;
  }
  return -1;
}

}  // namespace

// ---- list boxes -------------------------------------------------------------------

BOOL CListBox::Create(DWORD dwStyle, const RECT& rect, CWnd* pParentWnd, UINT nID) {
  return CreateEx(0, WC_LISTBOX, "", dwStyle | WS_CHILD, rect, pParentWnd, nID);
}

QWidget* CListBox::MakeControlWidget(const CREATESTRUCT&, QWidget* parentWidget) {
  return new ListWidget(this, parentWidget);
}

bool CListBox::HasScrollBar() const {
  ListWidget* list = ListOf(this);
  CRect client;
  GetClientRect(&client);
  return list && (GetStyle() & WS_VSCROLL) && TotalHeight(list) > client.Height();
}

CRect CListBox::ItemRect(int index) const {
  ListWidget* list = ListOf(this);
  CRect client;
  GetClientRect(&client);
  int right = client.right - (HasScrollBar() ? kScrollBarWidth : 0);
  int top = ItemTop(list, index);
  return CRect(0, top, right, top + list->items[static_cast<size_t>(index)].height);
}

void CListBox::PaintScrollBar(CDC* dc) {
  ListWidget* list = ListOf(this);
  CRect client;
  GetClientRect(&client);
  CRect track(client.right - kScrollBarWidth, 0, client.right, client.bottom);
  dc->FillSolidRect(&track, GetSysColor(COLOR_SCROLLBAR));
  int count = static_cast<int>(list->items.size());
  int shown = FittingItems(list, client.Height());
  int length = std::max(8, track.Height() * shown / std::max(1, count));
  int start = track.Height() * list->top / std::max(1, count);
  CRect thumb(track.left + 1, start, track.right - 1, std::min(track.bottom, start + length));
  dc->FillSolidRect(&thumb, GetSysColor(COLOR_BTNSHADOW));
}

void CListBox::DrawItemAt(CDC* dc, int index, bool focused) {
  ListWidget* list = ListOf(this);
  const ListItem& item = list->items[static_cast<size_t>(index)];
  CRect rect = ItemRect(index);
  bool selected = index == list->selection;
  if (!OwnerDrawn(GetStyle())) {
    dc->FillSolidRect(&rect, selected ? GetSysColor(COLOR_HIGHLIGHT) : RGB(255, 255, 255));
    dc->SetBkMode(TRANSPARENT);
    dc->SetTextColor(selected ? GetSysColor(COLOR_HIGHLIGHTTEXT) : RGB(0, 0, 0));
    dc->TextOut(rect.left + 2, rect.top, item.text);
    return;
  }
  DRAWITEMSTRUCT dis;
  dis.CtlType = ODT_LISTBOX;
  dis.CtlID = static_cast<UINT>(GetDlgCtrlID());
  dis.itemID = static_cast<UINT>(index);
  dis.itemAction = ODA_DRAWENTIRE;
  dis.itemState = (selected ? ODS_SELECTED : 0) | (selected && focused ? ODS_FOCUS : 0) |
                  (IsWindowEnabled() ? 0 : ODS_DISABLED);
  dis.hwndItem = m_hWnd;
  dis.hDC = dc->GetSafeHdc();
  dis.rcItem = rect;
  dis.itemData = item.data;
  if (CWnd* target = NotifyTarget()) {
    target->SendMessage(WM_DRAWITEM, dis.CtlID, reinterpret_cast<LPARAM>(&dis));
  }
}

void CListBox::PaintItems() {
  PAINTSTRUCT ps;
  CDC* dc = BeginPaint(&ps);
  HWND self = m_hWnd;
  if (dc && ListOf(this)) {
    CRect client;
    GetClientRect(&client);
    dc->FillSolidRect(&client, RGB(255, 255, 255));
    bool focused = CWnd::GetFocus() == this;
    for (int i = ListOf(this)->top;
         IsWindow(self) && ListOf(this) && i < static_cast<int>(ListOf(this)->items.size()); ++i) {
      if (ItemTop(ListOf(this), i) >= client.bottom) break;
      DrawItemAt(dc, i, focused);
    }
    if (IsWindow(self) && HasScrollBar()) PaintScrollBar(dc);
  }
  if (IsWindow(self)) EndPaint(&ps);
}

void CListBox::SelectByUser(int index) {
  ListWidget* list = ListOf(this);
  if (!list || list->items.empty()) return;
  index = std::clamp(index, 0, static_cast<int>(list->items.size()) - 1);
  if (index == list->selection) return;
  SetCurSel(index);
  if (GetStyle() & LBS_NOTIFY) Notify(LBN_SELCHANGE);
}

void CListBox::EnsureVisible(int index) {
  ListWidget* list = ListOf(this);
  CRect client;
  GetClientRect(&client);
  if (index < list->top) list->top = index;
  while (list->top < index && ItemTop(list, index + 1) > client.Height()) ++list->top;
}

int CListBox::InsertItem(int index, LPARAM lParam, bool add) {
  ListWidget* list = ListOf(this);
  int count = static_cast<int>(list->items.size());
  DWORD style = GetStyle();
  bool strings = !OwnerDrawn(style) || (style & LBS_HASSTRINGS);
  ListItem item;
  if (strings) {
    item.text = reinterpret_cast<const char*>(lParam);
  } else {
    item.data = static_cast<DWORD_PTR>(lParam);  // the item's value, no text
  }
  int at = add || index < 0 || index > count ? count : index;
  if (add && strings && (style & LBS_SORT)) {
    at = 0;
    while (at < count && list->items[static_cast<size_t>(at)].text.CompareNoCase(item.text) <= 0) {
      ++at;
    }
  }
  item.height = list->fixedHeight;
  list->items.insert(list->items.begin() + at, item);
  if (list->selection >= at) ++list->selection;
  if (style & LBS_OWNERDRAWVARIABLE) {
    MEASUREITEMSTRUCT mis;
    mis.CtlType = ODT_LISTBOX;
    mis.CtlID = static_cast<UINT>(GetDlgCtrlID());
    mis.itemID = static_cast<UINT>(at);
    CRect client;
    GetClientRect(&client);
    mis.itemWidth = static_cast<UINT>(client.Width());
    mis.itemHeight = static_cast<UINT>(list->fixedHeight);
    mis.itemData = item.data;
    if (CWnd* target = NotifyTarget()) {
      target->SendMessage(WM_MEASUREITEM, mis.CtlID, reinterpret_cast<LPARAM>(&mis));
    }
    ListWidget* again = ListOf(this);
    if (again && at < static_cast<int>(again->items.size())) {
      // The system keeps item heights between 1 and 255.
      again->items[static_cast<size_t>(at)].height =
          static_cast<int>(std::clamp(mis.itemHeight, 1u, 255u));
    }
  }
  Invalidate(FALSE);
  return at;
}

LRESULT CListBox::DefWindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
  ListWidget* list = ListOf(this);
  if (!list) return CQxControl::DefWindowProc(message, wParam, lParam);
  int count = static_cast<int>(list->items.size());
  switch (message) {
    case WM_PAINT:
      PaintItems();
      return 0;
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK: {
      SetFocus();
      CPoint point(GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam));
      CRect client;
      GetClientRect(&client);
      bool scrollBar = HasScrollBar();
      if (scrollBar && point.x >= client.right - kScrollBarWidth) {
        // The bar pages towards the click.
        int page = FittingItems(list, client.Height());
        bool up = point.y < client.Height() * list->top / std::max(1, count);
        list->top = std::clamp(list->top + (up ? -page : page), 0, std::max(0, count - 1));
        Invalidate(FALSE);
        return 0;
      }
      int hit = ItemAt(list, point, client.right - (scrollBar ? kScrollBarWidth : 0));
      if (hit < 0) return 0;
      SelectByUser(hit);
      if (message == WM_LBUTTONDBLCLK && (GetStyle() & LBS_NOTIFY)) Notify(LBN_DBLCLK);
      return 0;
    }
    case WM_KEYDOWN: {
      int selection = list->selection;
      switch (wParam) {
        case VK_UP:
          SelectByUser(selection < 0 ? 0 : selection - 1);
          break;
        case VK_DOWN:
          SelectByUser(selection + 1);
          break;
        case VK_HOME:
          SelectByUser(0);
          break;
        case VK_END:
          SelectByUser(count - 1);
          break;
        default:
          break;
      }
      return 0;
    }
    case WM_SETFOCUS:
    case WM_KILLFOCUS:
      Invalidate(FALSE);
      if (GetStyle() & LBS_NOTIFY) Notify(message == WM_SETFOCUS ? LBN_SETFOCUS : LBN_KILLFOCUS);
      return 0;
    default:
      return ListMessage(message, wParam, lParam);
  }
}

LRESULT CListBox::ListMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  ListWidget* list = ListOf(this);
  int count = static_cast<int>(list->items.size());
  int index = static_cast<int>(wParam);
  bool valid = index >= 0 && index < count;
  ListItem* item = valid ? &list->items[static_cast<size_t>(index)] : nullptr;
  switch (message) {
    case LB_GETCOUNT:
      return count;
    case LB_GETCURSEL:
      return list->selection;
    case LB_SETCURSEL:
      list->selection = valid ? index : -1;
      if (valid) EnsureVisible(index);
      Invalidate(FALSE);
      return valid ? index : LB_ERR;
    case LB_ADDSTRING:
    case LB_INSERTSTRING:
      return InsertItem(index, lParam, message == LB_ADDSTRING);
    case LB_DELETESTRING:
      if (!valid) return LB_ERR;
      list->items.erase(list->items.begin() + index);
      if (list->selection == index) list->selection = -1;
      if (list->selection > index) --list->selection;
      list->top = std::clamp(list->top, 0, std::max(0, count - 2));
      Invalidate(FALSE);
      return count - 1;
    case LB_RESETCONTENT:
      list->items.clear();
      list->selection = -1;
      list->top = 0;
      Invalidate(FALSE);
      return 0;
    case LB_GETTEXTLEN:
      return item ? item->text.GetLength() : LB_ERR;
    case LB_GETTEXT:
      if (!item) return LB_ERR;
      if (lParam)
        std::memcpy(reinterpret_cast<char*>(lParam), item->text.GetString(),
                    item->text.GetLength() + 1);
      return item->text.GetLength();
    case LB_GETITEMDATA:
      return item ? static_cast<LRESULT>(item->data) : LB_ERR;
    case LB_SETITEMDATA:
      if (!item) return LB_ERR;
      item->data = static_cast<DWORD_PTR>(lParam);
      return 0;
    case LB_GETITEMHEIGHT:
      return item ? item->height : list->fixedHeight;
    case LB_SETITEMHEIGHT: {
      int height = std::clamp(static_cast<int>(LOWORD(lParam)), 1, 255);
      if (GetStyle() & LBS_OWNERDRAWVARIABLE) {
        if (!item) return LB_ERR;
        item->height = height;
      } else {
        list->fixedHeight = height;
        for (ListItem& each : list->items) each.height = height;
      }
      Invalidate(FALSE);
      return 0;
    }
    case LB_GETITEMRECT:
      if (!item || !lParam) return LB_ERR;
      *reinterpret_cast<RECT*>(lParam) = ItemRect(index);
      return 0;
    case LB_GETTOPINDEX:
      return list->top;
    case LB_SETTOPINDEX:
      if (!valid) return LB_ERR;
      list->top = index;
      Invalidate(FALSE);
      return 0;
    default:
      return CQxControl::DefWindowProc(message, wParam, lParam);
  }
}

int CListBox::GetCount() const {
  return static_cast<int>(Ask(this, LB_GETCOUNT));
}
int CListBox::GetCurSel() const {
  return static_cast<int>(Ask(this, LB_GETCURSEL));
}
int CListBox::SetCurSel(int nSelect) {
  return static_cast<int>(SendMessage(LB_SETCURSEL, static_cast<WPARAM>(nSelect)));
}
int CListBox::AddString(LPCTSTR lpszItem) {
  return static_cast<int>(SendMessage(LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(lpszItem)));
}
int CListBox::InsertString(int nIndex, LPCTSTR lpszItem) {
  return static_cast<int>(SendMessage(LB_INSERTSTRING, static_cast<WPARAM>(nIndex),
                                      reinterpret_cast<LPARAM>(lpszItem)));
}
int CListBox::DeleteString(UINT nIndex) {
  return static_cast<int>(SendMessage(LB_DELETESTRING, nIndex));
}
void CListBox::ResetContent() {
  SendMessage(LB_RESETCONTENT);
}
int CListBox::GetText(int nIndex, LPTSTR lpszBuffer) const {
  return static_cast<int>(
      Ask(this, LB_GETTEXT, static_cast<WPARAM>(nIndex), reinterpret_cast<LPARAM>(lpszBuffer)));
}
void CListBox::GetText(int nIndex, CString& rString) const {
  ListWidget* list = ListOf(this);
  bool valid = list && nIndex >= 0 && nIndex < static_cast<int>(list->items.size());
  rString = valid ? list->items[static_cast<size_t>(nIndex)].text : CString();
}
int CListBox::GetTextLen(int nIndex) const {
  return static_cast<int>(Ask(this, LB_GETTEXTLEN, static_cast<WPARAM>(nIndex)));
}
DWORD_PTR CListBox::GetItemData(int nIndex) const {
  return static_cast<DWORD_PTR>(Ask(this, LB_GETITEMDATA, static_cast<WPARAM>(nIndex)));
}
int CListBox::SetItemData(int nIndex, DWORD_PTR dwItemData) {
  return static_cast<int>(
      SendMessage(LB_SETITEMDATA, static_cast<WPARAM>(nIndex), static_cast<LPARAM>(dwItemData)));
}
int CListBox::GetItemHeight(int nIndex) const {
  return static_cast<int>(Ask(this, LB_GETITEMHEIGHT, static_cast<WPARAM>(nIndex)));
}
int CListBox::SetItemHeight(int nIndex, UINT cyItemHeight) {
  return static_cast<int>(
      SendMessage(LB_SETITEMHEIGHT, static_cast<WPARAM>(nIndex), MAKELPARAM(cyItemHeight, 0)));
}
int CListBox::GetItemRect(int nIndex, LPRECT lpRect) const {
  return static_cast<int>(
      Ask(this, LB_GETITEMRECT, static_cast<WPARAM>(nIndex), reinterpret_cast<LPARAM>(lpRect)));
}
int CListBox::GetTopIndex() const {
  return static_cast<int>(Ask(this, LB_GETTOPINDEX));
}
int CListBox::SetTopIndex(int nIndex) {
  return static_cast<int>(SendMessage(LB_SETTOPINDEX, static_cast<WPARAM>(nIndex)));
}

// ---- trackbars ------------------------------------------------------------------------

namespace {

class SliderWidget : public WndWidget {
 public:
  SliderWidget(CWnd* wnd, QWidget* parent) : WndWidget(wnd, parent) {}
  int min = 0;
  int max = 100;
  int pos = 0;
  int line = 1;
  int page = 20;
  bool dragging = false;
  int grab = 0;  // pointer offset from the thumb's centre along the track
  UINT keyScrolling = 0;
};

SliderWidget* SliderOf(const CWnd* wnd) {
  return dynamic_cast<SliderWidget*>(wnd->GetWidget());
}

// The thumb's centre runs between this margin and the far end less it.
constexpr int kTrackMargin = 8;
constexpr int kThumbHalf = 5;

}  // namespace

BOOL CSliderCtrl::Create(DWORD dwStyle, const RECT& rect, CWnd* pParentWnd, UINT nID) {
  return CreateEx(0, TRACKBAR_CLASS, "", dwStyle | WS_CHILD, rect, pParentWnd, nID);
}

QWidget* CSliderCtrl::MakeControlWidget(const CREATESTRUCT&, QWidget* parentWidget) {
  return new SliderWidget(this, parentWidget);
}

namespace {

int TrackLength(const CWnd* wnd, bool vertical) {
  CRect client;
  wnd->GetClientRect(&client);
  return std::max(1, (vertical ? client.Height() : client.Width()) - 2 * kTrackMargin);
}

int CentreOf(const SliderWidget* s, int length) {
  int span = s->max - s->min;
  return kTrackMargin +
         (span > 0 ? static_cast<int>(static_cast<long long>(s->pos - s->min) * length / span) : 0);
}

}  // namespace

CRect CSliderCtrl::ThumbRect() const {
  SliderWidget* s = SliderOf(this);
  CRect client;
  GetClientRect(&client);
  if (!s) return CRect();
  bool vertical = GetStyle() & TBS_VERT;
  int centre = CentreOf(s, TrackLength(this, vertical));
  return vertical ? CRect(2, centre - kThumbHalf, client.right - 2, centre + kThumbHalf + 1)
                  : CRect(centre - kThumbHalf, 2, centre + kThumbHalf + 1, client.bottom - 2);
}

int CSliderCtrl::PosFromPoint(CPoint point) const {
  SliderWidget* s = SliderOf(this);
  bool vertical = GetStyle() & TBS_VERT;
  int length = TrackLength(this, vertical);
  int along = (vertical ? point.y : point.x) - kTrackMargin;
  long long span = s->max - s->min;
  // Nearest position to the pointer along the track.
  long long pos = s->min + (static_cast<long long>(along) * span * 2 + length) / (2LL * length);
  if (along < 0) pos = s->min;
  return static_cast<int>(std::clamp<long long>(pos, s->min, s->max));
}

void CSliderCtrl::Paint() {
  PAINTSTRUCT ps;
  CDC* dc = BeginPaint(&ps);
  if (dc) {
    CRect client;
    GetClientRect(&client);
    dc->FillSolidRect(&client, GetSysColor(COLOR_BTNFACE));
    bool vertical = GetStyle() & TBS_VERT;
    CRect channel = vertical ? CRect(client.Width() / 2 - 2, kTrackMargin, client.Width() / 2 + 2,
                                     client.bottom - kTrackMargin)
                             : CRect(kTrackMargin, client.Height() / 2 - 2,
                                     client.right - kTrackMargin, client.Height() / 2 + 2);
    dc->FillSolidRect(&channel, RGB(255, 255, 255));
    CRect thumb = ThumbRect();
    dc->FillSolidRect(&thumb, GetSysColor(COLOR_BTNSHADOW));
    thumb.DeflateRect(1, 1);
    dc->FillSolidRect(&thumb, GetSysColor(COLOR_BTNFACE));
  }
  EndPaint(&ps);
}

void CSliderCtrl::Scroll(UINT code, int pos) {
  CWnd* target = NotifyTarget();
  if (!target) return;
  bool withPos = code == TB_THUMBTRACK || code == TB_THUMBPOSITION;
  target->SendMessage((GetStyle() & TBS_VERT) ? WM_VSCROLL : WM_HSCROLL,
                      MAKEWPARAM(code, withPos ? static_cast<WORD>(pos) : 0),
                      reinterpret_cast<LPARAM>(m_hWnd));
}

namespace {

// The code and new position of a trackbar key; FALSE for other keys.
bool KeyStep(const SliderWidget* s, WPARAM key, UINT& code, int& pos) {
  switch (key) {
    case VK_LEFT:
    case VK_UP:
      code = TB_LINEUP;
      pos = s->pos - s->line;
      return true;
    case VK_RIGHT:
    case VK_DOWN:
      code = TB_LINEDOWN;
      pos = s->pos + s->line;
      return true;
    case VK_PRIOR:
      code = TB_PAGEUP;
      pos = s->pos - s->page;
      return true;
    case VK_NEXT:
      code = TB_PAGEDOWN;
      pos = s->pos + s->page;
      return true;
    case VK_HOME:
      code = TB_TOP;
      pos = s->min;
      return true;
    case VK_END:
      code = TB_BOTTOM;
      pos = s->max;
      return true;
    default:
      return false;
  }
}

}  // namespace

void CSliderCtrl::MouseMessage(UINT message, CPoint point) {
  SliderWidget* s = SliderOf(this);
  bool vertical = GetStyle() & TBS_VERT;
  if (message == WM_LBUTTONDOWN) {
    SetFocus();
    CRect thumb = ThumbRect();
    if (thumb.PtInRect(point)) {
      s->dragging = true;
      s->grab = (vertical ? point.y : point.x) - CentreOf(s, TrackLength(this, vertical));
      SetCapture();
      return;
    }
    // A click beside the thumb pages towards the click.
    bool before = vertical ? point.y < thumb.top : point.x < thumb.left;
    SetPos(s->pos + (before ? -s->page : s->page));
    Scroll(before ? TB_PAGEUP : TB_PAGEDOWN, 0);
    Scroll(TB_ENDTRACK, 0);
  } else if (message == WM_MOUSEMOVE && s->dragging) {
    (vertical ? point.y : point.x) -= s->grab;
    int pos = PosFromPoint(point);
    if (pos != s->pos) {
      s->pos = pos;
      Invalidate(FALSE);
    }
    // Every move of the drag is reported, also one that keeps the position.
    Scroll(TB_THUMBTRACK, s->pos);
  } else if (message == WM_LBUTTONUP && s->dragging) {
    s->dragging = false;
    if (CWnd::GetCapture() == this) ReleaseCapture();
    Scroll(TB_THUMBPOSITION, s->pos);
    Scroll(TB_ENDTRACK, 0);
  }
}

LRESULT CSliderCtrl::DefWindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
  SliderWidget* s = SliderOf(this);
  if (!s) return CQxControl::DefWindowProc(message, wParam, lParam);
  switch (message) {
    case WM_PAINT:
      Paint();
      return 0;
    case WM_LBUTTONDOWN:
    case WM_MOUSEMOVE:
    case WM_LBUTTONUP:
      MouseMessage(message, CPoint(GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)));
      return 0;
    case WM_CAPTURECHANGED:
      // Capture taken away mid-drag (a modal box opened): the track ends as on
      // a release, at the position last notified, so nothing moves after it.
      if (s->dragging) {
        s->dragging = false;
        Scroll(TB_THUMBPOSITION, s->pos);
        Scroll(TB_ENDTRACK, 0);
      }
      return 0;
    case WM_KEYDOWN: {
      UINT code = 0;
      int pos = 0;
      if (!KeyStep(s, wParam, code, pos)) return 0;
      SetPos(pos);
      s->keyScrolling = 1;
      Scroll(code, 0);
      return 0;
    }
    case WM_KEYUP:
      // The key's end of the move.
      if (s->keyScrolling) {
        s->keyScrolling = 0;
        Scroll(TB_ENDTRACK, 0);
      }
      return 0;
    case TBM_GETPOS:
      return s->pos;
    case TBM_GETRANGEMIN:
      return s->min;
    case TBM_GETRANGEMAX:
      return s->max;
    case TBM_SETPOS:
      s->pos = std::clamp(static_cast<int>(lParam), s->min, std::max(s->min, s->max));
      Invalidate(FALSE);
      return 0;
    case TBM_SETRANGEMIN:
    case TBM_SETRANGEMAX:
      (message == TBM_SETRANGEMIN ? s->min : s->max) = static_cast<int>(lParam);
      s->pos = std::clamp(s->pos, s->min, std::max(s->min, s->max));
      Invalidate(FALSE);
      return 0;
    case TBM_SETLINESIZE: {
      int old = s->line;
      s->line = static_cast<int>(lParam);
      return old;
    }
    case TBM_GETLINESIZE:
      return s->line;
    case TBM_SETPAGESIZE: {
      int old = s->page;
      s->page = static_cast<int>(lParam);
      return old;
    }
    case TBM_GETPAGESIZE:
      return s->page;
    default:
      return CQxControl::DefWindowProc(message, wParam, lParam);
  }
}

int CSliderCtrl::GetPos() const {
  return static_cast<int>(Ask(this, TBM_GETPOS));
}
void CSliderCtrl::SetPos(int nPos) {
  SendMessage(TBM_SETPOS, TRUE, nPos);
}
int CSliderCtrl::GetRangeMin() const {
  return static_cast<int>(Ask(this, TBM_GETRANGEMIN));
}
int CSliderCtrl::GetRangeMax() const {
  return static_cast<int>(Ask(this, TBM_GETRANGEMAX));
}
void CSliderCtrl::GetRange(int& nMin, int& nMax) const {
  nMin = GetRangeMin();
  nMax = GetRangeMax();
}
void CSliderCtrl::SetRange(int nMin, int nMax, BOOL bRedraw) {
  SendMessage(TBM_SETRANGEMIN, FALSE, nMin);
  SendMessage(TBM_SETRANGEMAX, bRedraw, nMax);
}
void CSliderCtrl::SetRangeMin(int nMin, BOOL bRedraw) {
  SendMessage(TBM_SETRANGEMIN, bRedraw, nMin);
}
void CSliderCtrl::SetRangeMax(int nMax, BOOL bRedraw) {
  SendMessage(TBM_SETRANGEMAX, bRedraw, nMax);
}
int CSliderCtrl::GetLineSize() const {
  return static_cast<int>(Ask(this, TBM_GETLINESIZE));
}
int CSliderCtrl::SetLineSize(int nSize) {
  return static_cast<int>(SendMessage(TBM_SETLINESIZE, 0, nSize));
}
int CSliderCtrl::GetPageSize() const {
  return static_cast<int>(Ask(this, TBM_GETPAGESIZE));
}
int CSliderCtrl::SetPageSize(int nSize) {
  return static_cast<int>(SendMessage(TBM_SETPAGESIZE, 0, nSize));
}

// ---- up-down controls -------------------------------------------------------------------

namespace {

class SpinWidget : public WndWidget {
 public:
  SpinWidget(CWnd* wnd, QWidget* parent) : WndWidget(wnd, parent) {}
  // The system's range when none was set: the up arrow lowers the number.
  int lower = 100;
  int upper = 0;
  int pos = 0;
  int buddyId = 0;  // by id, so that a buddy wrapped by DDX_Control is still found
};

SpinWidget* SpinOf(const CWnd* wnd) {
  return dynamic_cast<SpinWidget*>(wnd->GetWidget());
}

}  // namespace

BOOL CSpinButtonCtrl::Create(DWORD dwStyle, const RECT& rect, CWnd* pParentWnd, UINT nID) {
  return CreateEx(0, UPDOWN_CLASS, "", dwStyle | WS_CHILD, rect, pParentWnd, nID);
}

QWidget* CSpinButtonCtrl::MakeControlWidget(const CREATESTRUCT&, QWidget* parentWidget) {
  return new SpinWidget(this, parentWidget);
}

CWnd* CSpinButtonCtrl::GetBuddy() const {
  SpinWidget* spin = SpinOf(this);
  CWnd* parent = GetParent();
  return spin && parent && spin->buddyId ? parent->GetDlgItem(spin->buddyId) : nullptr;
}

CWnd* CSpinButtonCtrl::SetBuddy(CWnd* pWndBuddy) {
  CWnd* old = GetBuddy();
  SpinWidget* spin = SpinOf(this);
  if (!spin) return old;
  spin->buddyId = pWndBuddy ? pWndBuddy->GetDlgCtrlID() : 0;
  if (pWndBuddy && (GetStyle() & (UDS_ALIGNRIGHT | UDS_ALIGNLEFT))) {
    // Sit inside the buddy's old rectangle at its edge; the buddy narrows.
    CRect buddy;
    CRect self;
    pWndBuddy->GetWindowRect(&buddy);
    GetWindowRect(&self);
    CWnd* parent = GetParent();
    parent->ScreenToClient(&buddy);
    int width = self.Width();
    bool right = GetStyle() & UDS_ALIGNRIGHT;
    pWndBuddy->MoveWindow(right ? buddy.left : buddy.left + width, buddy.top,
                          std::max(0, buddy.Width() - width), buddy.Height());
    MoveWindow(right ? buddy.right - width : buddy.left, buddy.top, width, buddy.Height());
  }
  return old;
}

void CSpinButtonCtrl::QxStep(int delta) {
  SpinWidget* spin = SpinOf(this);
  if (!spin) return;
  int low = std::min(spin->lower, spin->upper);
  int high = std::max(spin->lower, spin->upper);
  CWnd* buddy = GetBuddy();
  if (buddy && (GetStyle() & UDS_SETBUDDYINT)) {
    // The buddy's number is where the step starts from.
    CString text;
    buddy->GetWindowText(text);
    char* end = nullptr;
    long value = std::strtol(text, &end, 10);
    if (!text.IsEmpty() && end && *end == '\0')
      spin->pos = static_cast<int>(std::clamp<long>(value, low, high));
  }
  // The up arrow moves towards the upper end of the range, whichever number that is.
  int step = spin->upper >= spin->lower ? delta : -delta;
  int pos = spin->pos + step;
  if (pos < low || pos > high)
    pos = (GetStyle() & UDS_WRAP) ? (pos < low ? high : low) : std::clamp(pos, low, high);
  spin->pos = pos;
  if (buddy && (GetStyle() & UDS_SETBUDDYINT)) {
    CString text;
    text.Format("%d", pos);  // no thousands separators, so the number reads back
    buddy->SetWindowText(text);
  }
  if (CWnd* target = NotifyTarget()) {
    UINT message = (GetStyle() & UDS_HORZ) ? WM_HSCROLL : WM_VSCROLL;
    HWND self = m_hWnd;
    target->SendMessage(message, MAKEWPARAM(SB_THUMBPOSITION, static_cast<WORD>(pos)),
                        reinterpret_cast<LPARAM>(self));
    if (IsWindow(self))
      target->SendMessage(message, MAKEWPARAM(SB_ENDSCROLL, 0), reinterpret_cast<LPARAM>(self));
  }
}

void CSpinButtonCtrl::Paint() {
  PAINTSTRUCT ps;
  CDC* dc = BeginPaint(&ps);
  if (dc) {
    CRect client;
    GetClientRect(&client);
    dc->FillSolidRect(&client, GetSysColor(COLOR_BTNFACE));
    int mid = client.Height() / 2;
    int cx = client.Width() / 2;
    for (int i = 0; i < 3; ++i) {
      dc->FillSolidRect(cx - i, mid / 2 - 1 + i, 2 * i + 1, 1, RGB(0, 0, 0));
      dc->FillSolidRect(cx - i, mid + mid / 2 + 1 - i, 2 * i + 1, 1, RGB(0, 0, 0));
    }
    dc->FillSolidRect(0, mid, client.Width(), 1, GetSysColor(COLOR_BTNSHADOW));
  }
  EndPaint(&ps);
}

LRESULT CSpinButtonCtrl::DefWindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
  SpinWidget* spin = SpinOf(this);
  if (!spin) return CQxControl::DefWindowProc(message, wParam, lParam);
  switch (message) {
    case WM_CREATE:
      if (GetStyle() & UDS_AUTOBUDDY) {
        // The control made just before this one.
        std::vector<CWnd*> siblings =
            GetParent() ? GetParent()->GetChildren() : std::vector<CWnd*>{};
        auto self = std::find(siblings.begin(), siblings.end(), this);
        if (self != siblings.end() && self != siblings.begin()) SetBuddy(*(self - 1));
      }
      return 0;
    case WM_PAINT:
      Paint();
      return 0;
    case WM_LBUTTONDOWN: {
      CRect client;
      GetClientRect(&client);
      QxStep(GET_Y_LPARAM(lParam) < client.Height() / 2 ? 1 : -1);
      return 0;
    }
    case UDM_SETRANGE:
      spin->upper = static_cast<SHORT>(LOWORD(lParam));
      spin->lower = static_cast<SHORT>(HIWORD(lParam));
      return 0;
    case UDM_GETRANGE:
      return MAKELPARAM(static_cast<WORD>(spin->upper), static_cast<WORD>(spin->lower));
    case UDM_SETPOS: {
      int old = spin->pos;
      int low = std::min(spin->lower, spin->upper);
      int high = std::max(spin->lower, spin->upper);
      spin->pos = std::clamp(static_cast<int>(static_cast<SHORT>(LOWORD(lParam))), low, high);
      if (CWnd* buddy = GetBuddy(); buddy && (GetStyle() & UDS_SETBUDDYINT)) {
        CString text;
        text.Format("%d", spin->pos);
        buddy->SetWindowText(text);
      }
      return old;
    }
    case UDM_GETPOS:
      return static_cast<WORD>(spin->pos);
    default:
      return CQxControl::DefWindowProc(message, wParam, lParam);
  }
}

int CSpinButtonCtrl::GetPos() const {
  return static_cast<SHORT>(LOWORD(Ask(this, UDM_GETPOS)));
}
int CSpinButtonCtrl::SetPos(int nPos) {
  return static_cast<int>(SendMessage(UDM_SETPOS, 0, MAKELPARAM(static_cast<WORD>(nPos), 0)));
}
void CSpinButtonCtrl::GetRange(int& lower, int& upper) const {
  LRESULT range = Ask(this, UDM_GETRANGE);
  upper = static_cast<SHORT>(LOWORD(range));
  lower = static_cast<SHORT>(HIWORD(range));
}
void CSpinButtonCtrl::SetRange(int nLower, int nUpper) {
  SendMessage(UDM_SETRANGE, 0, MAKELPARAM(static_cast<WORD>(nUpper), static_cast<WORD>(nLower)));
}
