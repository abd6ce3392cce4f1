// The print preview window (see PrintPreview.h).
#include "platform/gdi/SelectGuard.h"
#include "platform/ui/PrintPreview.h"

#include "platform/core/Debug.h"
#include "platform/testing/PrintHooks.h"
#include "platform/ui/Focus.h"
#include "platform/ui/ModalEntry.h"
#include "platform/ui/WinApp.h"

#include <QWidget>

#include <algorithm>
#include <cmath>
#include <iterator>
#include <vector>

namespace {

// The layer has no resources of its own, so the captions live here.
struct ButtonDef {
  UINT id;
  const char* caption;
};
constexpr ButtonDef kButtons[] = {
    {AFX_ID_PREVIEW_PRINT, "Print..."}, {AFX_ID_PREVIEW_NEXT, "Next Page"},
    {AFX_ID_PREVIEW_PREV, "Prev Page"}, {AFX_ID_PREVIEW_NUMPAGE, "Two Page"},
    {AFX_ID_PREVIEW_ZOOMIN, "Zoom In"}, {AFX_ID_PREVIEW_ZOOMOUT, "Zoom Out"},
    {AFX_ID_PREVIEW_CLOSE, "Close"}};
constexpr const char* kOnePage = "One Page";
constexpr const char* kTitle = "Print Preview";

// Geometry in pixels.
constexpr int kButtonWidth = 80;
constexpr int kButtonHeight = 24;
constexpr int kGap = 4;
constexpr int kBarHeight = kButtonHeight + 2 * kGap;
constexpr int kPageLineWidth = 140;
constexpr int kMargin = 16;      // around the pages
constexpr int kPageGap = 16;     // between two pages
constexpr int kShadow = 3;       // the sheet's shadow, right and below
constexpr int kMaxZoom = 2;      // fitted, twice, four times
constexpr int kScrollLine = 32;  // an arrow key or a notch of the wheel
constexpr COLORREF kShadowColour = RGB(64, 64, 64);

// Outlives every static object, so a view deleted late still finds it.
std::vector<CQxPreviewWnd*>& OpenPreviews() {
  static auto* previews = new std::vector<CQxPreviewWnd*>;
  return *previews;
}

CString PreviewTitle() {
  CWinApp* app = AfxGetApp();
  CString title;
  if (app && app->m_pszAppName && *app->m_pszAppName) {
    title.Format("%s - %s", app->m_pszAppName, kTitle);
  } else {
    title = kTitle;
  }
  return title;
}

}  // namespace

BEGIN_MESSAGE_MAP(CQxPreviewWnd, CWnd)
ON_WM_CREATE()
ON_WM_DESTROY()
ON_WM_CLOSE()
ON_WM_PAINT()
ON_WM_SIZE()
ON_WM_KEYDOWN()
ON_WM_MOUSEWHEEL()
ON_COMMAND(ID_FILE_PRINT, OnFilePrint)
ON_COMMAND(AFX_ID_PREVIEW_PRINT, OnPrintButton)
ON_COMMAND(AFX_ID_PREVIEW_CLOSE, OnCloseButton)
ON_COMMAND(AFX_ID_PREVIEW_NEXT, OnNextPage)
ON_COMMAND(AFX_ID_PREVIEW_PREV, OnPrevPage)
ON_COMMAND(AFX_ID_PREVIEW_NUMPAGE, OnNumPage)
ON_COMMAND(AFX_ID_PREVIEW_ZOOMIN, OnZoomIn)
ON_COMMAND(AFX_ID_PREVIEW_ZOOMOUT, OnZoomOut)
END_MESSAGE_MAP()

// ---- opening and closing -----------------------------------------------------------------

CQxPreviewWnd* CQxPreviewWnd::Open(CView* view, const CPrintInfo& info) {
  if (!view || !view->GetSafeHwnd()) return nullptr;
  CloseFor(view);
  auto* preview = new CQxPreviewWnd;
  preview->m_pView = view;
  preview->m_hView = view->GetSafeHwnd();
  preview->m_info = info;
  preview->m_info.m_bPreview = TRUE;
  if (!preview->m_job.Begin(view, &preview->m_info)) {
    delete preview;
    return nullptr;
  }
  // It covers the frame it previews, as the frame's own contents would.
  CWnd* owner = view->GetTopLevelParent();
  CRect rect;
  owner->GetWindowRect(&rect);
  rect.right = rect.left + std::max(640, rect.Width());
  rect.bottom = rect.top + std::max(480, rect.Height());
  LPCSTR windowClass = AfxRegisterWndClass(0, LoadCursor(nullptr, IDC_ARROW));
  if (!preview->CreateEx(0, windowClass, PreviewTitle(), WS_OVERLAPPEDWINDOW, rect, owner, 0)) {
    delete preview;  // its window, if it was made, is gone already
    return nullptr;
  }
  preview->m_bOwnedByWindow = true;
  preview->m_nShown = info.m_nNumPreviewPages == 2 && preview->GetPageCount() >= 2 ? 2 : 1;
  preview->ShowPages();
  preview->m_keyboard = std::make_unique<qxui::KeyboardReturn>();
  preview->ShowWindow(SW_SHOW);
  // A window of its own, which takes the keys as the window system activates it.
  qxui::AskActivation(preview->GetWidget());
  preview->SetFocus();
  preview->UpdateWindow();
  return preview;
}

void CQxPreviewWnd::CloseFor(CView* view) {
  std::vector<CQxPreviewWnd*> previews = OpenPreviews();
  for (CQxPreviewWnd* preview : previews) {
    if (preview->m_pView == view) preview->DestroyWindow();
  }
}

CQxPreviewWnd* CQxPreviewWnd::Newest() {
  return OpenPreviews().empty() ? nullptr : OpenPreviews().back();
}

CQxPreviewWnd::~CQxPreviewWnd() {
  auto& previews = OpenPreviews();
  previews.erase(std::remove(previews.begin(), previews.end(), this), previews.end());
}

void CQxPreviewWnd::PostNcDestroy() {
  if (m_bOwnedByWindow) delete this;
}

int CQxPreviewWnd::OnCreate(LPCREATESTRUCT lpcs) {
  if (CWnd::OnCreate(lpcs) == -1) return -1;
  static_assert(std::size(kButtons) == std::tuple_size_v<decltype(m_buttons)>);
  int x = kGap;
  for (size_t i = 0; i < m_buttons.size(); ++i) {
    CRect rect(x, kGap, x + kButtonWidth, kGap + kButtonHeight);
    if (!m_buttons[i].Create(kButtons[i].caption, WS_VISIBLE | BS_PUSHBUTTON, rect, this,
                             kButtons[i].id)) {
      return -1;
    }
    // Like a toolbar's, the buttons leave the keys with the pages.
    m_buttons[i].GetWidget()->setFocusPolicy(Qt::NoFocus);
    x += kButtonWidth + kGap;
  }
  CRect line(x + kGap, kGap + 4, x + kGap + kPageLineWidth, kGap + kButtonHeight);
  if (!m_pageLine.Create("", WS_VISIBLE | SS_LEFT | SS_NOPREFIX, line, this)) return -1;
  OpenPreviews().push_back(this);
  return 0;
}

void CQxPreviewWnd::OnDestroy() {
  // The job ends while the view still lives: its window is going at most.
  m_job.End();
  m_pView = nullptr;
  auto& previews = OpenPreviews();
  previews.erase(std::remove(previews.begin(), previews.end(), this), previews.end());
  CWnd::OnDestroy();
}

// ---- commands -----------------------------------------------------------------------------

void CQxPreviewWnd::OnClose() {
  if (m_keyboard) m_keyboard->GiveBack();
  DestroyWindow();
}

void CQxPreviewWnd::OnFilePrint() {
  HWND hView = m_hView;
  // The print dialog then gives the keys back where they were before the preview.
  if (m_keyboard) m_keyboard->GiveBack();
  // The preview's job ends before the printer's begins. This deletes the preview.
  DestroyWindow();
  if (CWnd* view = CWnd::FromHandle(hView)) view->SendMessage(WM_COMMAND, ID_FILE_PRINT);
}

// The buttons close through the queue, so no button is destroyed inside its own click.
void CQxPreviewWnd::OnPrintButton() {
  PostMessage(WM_COMMAND, ID_FILE_PRINT);
}

void CQxPreviewWnd::OnCloseButton() {
  PostMessage(WM_CLOSE);
}

void CQxPreviewWnd::OnNextPage() {
  if (m_nFirst + m_nShown >= GetPageCount()) return;
  ++m_nFirst;
  m_scroll.y = 0;
  ShowPages();
}

void CQxPreviewWnd::OnPrevPage() {
  if (m_nFirst == 0) return;
  --m_nFirst;
  m_scroll.y = 0;
  ShowPages();
}

void CQxPreviewWnd::OnNumPage() {
  if (m_nShown == 1 && GetPageCount() < 2) return;
  m_nShown = 3 - m_nShown;
  // Two pages at the end show the last two.
  m_nFirst = std::min(m_nFirst, GetPageCount() - m_nShown);
  ShowPages();
}

void CQxPreviewWnd::OnZoomIn() {
  SetZoom(m_nZoom + 1);
}

void CQxPreviewWnd::OnZoomOut() {
  SetZoom(m_nZoom - 1);
}

void CQxPreviewWnd::SetZoom(int zoom) {
  zoom = std::clamp(zoom, 0, kMaxZoom);
  if (zoom == m_nZoom) return;
  // The point in the middle of the area stays there.
  CRect area = PageArea();
  CSize before = ContentSize();
  CPoint origin = ContentOrigin();
  double fx = (area.CenterPoint().x - origin.x) / static_cast<double>(std::max<LONG>(1, before.cx));
  double fy = (area.CenterPoint().y - origin.y) / static_cast<double>(std::max<LONG>(1, before.cy));
  m_nZoom = zoom;
  CSize after = ContentSize();
  m_scroll.x = static_cast<int>(std::lround(fx * after.cx)) + kMargin - area.Width() / 2;
  m_scroll.y = static_cast<int>(std::lround(fy * after.cy)) + kMargin - area.Height() / 2;
  ScrollBy(0, 0);
  ShowPages();
}

void CQxPreviewWnd::ScrollBy(int dx, int dy) {
  CPoint most = MaxScroll();
  CPoint scroll(std::clamp(static_cast<int>(m_scroll.x) + dx, 0, static_cast<int>(most.x)),
                std::clamp(static_cast<int>(m_scroll.y) + dy, 0, static_cast<int>(most.y)));
  if (scroll == m_scroll) return;
  m_scroll = scroll;
  Invalidate(FALSE);
}

// ---- keys and the wheel ---------------------------------------------------------------------

BOOL CQxPreviewWnd::PreTranslateMessage(MSG* pMsg) {
  // Before the main window's accelerators, which would act on the document.
  if (pMsg->message == WM_KEYDOWN && HandleKey(static_cast<UINT>(pMsg->wParam))) return TRUE;
  return CWnd::PreTranslateMessage(pMsg);
}

void CQxPreviewWnd::OnKeyDown(UINT nChar, UINT, UINT) {
  HandleKey(nChar);
}

bool CQxPreviewWnd::HandleKey(UINT nChar) {
  switch (nChar) {
    case VK_ESCAPE:
      PostMessage(WM_CLOSE);
      return true;
    case VK_NEXT:
      OnNextPage();
      return true;
    case VK_PRIOR:
      OnPrevPage();
      return true;
    case VK_UP:
      ScrollBy(0, -kScrollLine);
      return true;
    case VK_DOWN:
      ScrollBy(0, kScrollLine);
      return true;
    case VK_LEFT:
      ScrollBy(-kScrollLine, 0);
      return true;
    case VK_RIGHT:
      ScrollBy(kScrollLine, 0);
      return true;
    default:
      return false;
  }
}

BOOL CQxPreviewWnd::OnMouseWheel(UINT nFlags, short zDelta, CPoint) {
  int notches = zDelta / WHEEL_DELTA;
  if (notches == 0) return TRUE;
  if (m_nZoom == 0) {
    if (notches < 0) OnNextPage();
    if (notches > 0) OnPrevPage();
  } else if (nFlags & MK_SHIFT) {
    ScrollBy(-notches * kScrollLine, 0);
  } else {
    ScrollBy(0, -notches * kScrollLine);
  }
  return TRUE;
}

void CQxPreviewWnd::OnSize(UINT, int, int) {
  ScrollBy(0, 0);
  Invalidate(FALSE);
}

// ---- layout --------------------------------------------------------------------------------

CRect CQxPreviewWnd::PageArea() const {
  CRect area;
  GetClientRect(&area);
  area.top = std::min(static_cast<int>(area.bottom), kBarHeight);
  return area;
}

double CQxPreviewWnd::Scale() const {
  CSize page = m_job.GetPageSize();
  CRect area = PageArea();
  double across = (area.Width() - 2 * kMargin - (m_nShown - 1) * kPageGap) /
                  static_cast<double>(std::max<LONG>(1, page.cx * m_nShown));
  double down = (area.Height() - 2 * kMargin) / static_cast<double>(std::max<LONG>(1, page.cy));
  double fit = std::max(0.01, std::min(across, down));
  return fit * (1 << m_nZoom);
}

CSize CQxPreviewWnd::ScaledPageSize() const {
  CSize page = m_job.GetPageSize();
  double scale = Scale();
  return CSize(std::max(1, static_cast<int>(std::lround(page.cx * scale))),
               std::max(1, static_cast<int>(std::lround(page.cy * scale))));
}

CSize CQxPreviewWnd::ContentSize() const {
  CSize page = ScaledPageSize();
  return CSize(page.cx * m_nShown + (m_nShown - 1) * kPageGap, page.cy);
}

CPoint CQxPreviewWnd::MaxScroll() const {
  CSize content = ContentSize();
  CRect area = PageArea();
  return CPoint(std::max(0, static_cast<int>(content.cx) + 2 * kMargin - area.Width()),
                std::max(0, static_cast<int>(content.cy) + 2 * kMargin - area.Height()));
}

// Centred where the content fits the area; scrolled where it does not.
CPoint CQxPreviewWnd::ContentOrigin() const {
  CSize content = ContentSize();
  CRect area = PageArea();
  CPoint most = MaxScroll();
  int x = most.x > 0 ? area.left + kMargin - m_scroll.x
                     : area.left + (area.Width() - static_cast<int>(content.cx)) / 2;
  int y = most.y > 0 ? area.top + kMargin - m_scroll.y
                     : area.top + (area.Height() - static_cast<int>(content.cy)) / 2;
  return CPoint(x, y);
}

CRect CQxPreviewWnd::GetPageRect(int slot) const {
  if (slot < 0 || slot >= m_nShown || m_nFirst + slot >= GetPageCount()) return CRect();
  CSize page = ScaledPageSize();
  CPoint origin = ContentOrigin();
  int left = origin.x + slot * (static_cast<int>(page.cx) + kPageGap);
  return CRect(left, origin.y, left + page.cx, origin.y + page.cy);
}

// ---- drawing --------------------------------------------------------------------------------

void CQxPreviewWnd::ShowPages() {
  for (int slot = 0; slot < 2; ++slot) {
    bool shown = slot < m_nShown && m_nFirst + slot < GetPageCount();
    m_pages[slot] = shown ? m_job.DrawPage(m_nFirst + slot) : QImage();
    m_scaled[slot] = QImage();
  }
  UINT count = GetPageCount();
  GetDlgItem(AFX_ID_PREVIEW_NEXT)->EnableWindow(m_nFirst + m_nShown < count);
  GetDlgItem(AFX_ID_PREVIEW_PREV)->EnableWindow(m_nFirst > 0);
  GetDlgItem(AFX_ID_PREVIEW_NUMPAGE)->EnableWindow(count >= 2);
  GetDlgItem(AFX_ID_PREVIEW_NUMPAGE)->SetWindowText(m_nShown == 2 ? kOnePage : kButtons[3].caption);
  GetDlgItem(AFX_ID_PREVIEW_ZOOMIN)->EnableWindow(m_nZoom < kMaxZoom);
  GetDlgItem(AFX_ID_PREVIEW_ZOOMOUT)->EnableWindow(m_nZoom > 0);
  CString line;
  UINT first = GetCurrentPage();
  if (count == 0) {
    line = "No pages";
  } else if (m_nShown == 2 && m_nFirst + 1 < count) {
    line.Format("Pages %u-%u of %u", first, first + 1, count);
  } else {
    line.Format("Page %u of %u", first, count);
  }
  m_pageLine.SetWindowText(line);
  Invalidate(FALSE);
}

void CQxPreviewWnd::OnPaint() {
  CPaintDC dc(this);
  CRect client;
  GetClientRect(&client);
  dc.FillSolidRect(0, 0, client.Width(), kBarHeight, GetSysColor(COLOR_BTNFACE));
  CRect area = PageArea();
  dc.FillSolidRect(&area, GetSysColor(COLOR_APPWORKSPACE));
  dc.IntersectClipRect(&area);
  for (int slot = 0; slot < m_nShown; ++slot) DrawSheet(dc, slot);
}

// A white sheet with a thin black edge and a shadow, the page scaled onto it.
void CQxPreviewWnd::DrawSheet(CDC& dc, int slot) {
  CRect rect = GetPageRect(slot);
  if (rect.IsRectEmpty() || m_pages[slot].isNull()) return;
  dc.FillSolidRect(rect.left + kShadow, rect.top + kShadow, rect.Width(), rect.Height(),
                   kShadowColour);
  CRect edge = rect;
  edge.InflateRect(1, 1);
  dc.FillSolidRect(&edge, RGB(0, 0, 0));
  QImage& scaled = m_scaled[slot];
  if (scaled.size() != QSize(rect.Width(), rect.Height())) {
    // Smoothing keeps thin lines visible when a page shrinks; enlarged pages keep sharp pixels.
    bool shrinks = rect.Width() < m_pages[slot].width();
    scaled = m_pages[slot].scaled(rect.Width(), rect.Height(), Qt::IgnoreAspectRatio,
                                  shrinks ? Qt::SmoothTransformation : Qt::FastTransformation);
  }
  CBitmap bitmap;
  if (!bitmap.FromImage(scaled)) return;
  CDC memory;
  memory.CreateCompatibleDC(&dc);
  QxSelectGuard select(memory, &bitmap);
  dc.BitBlt(rect.left, rect.top, rect.Width(), rect.Height(), &memory, 0, 0, SRCCOPY);
}

// ---- test hook ------------------------------------------------------------------------------

namespace QxTest {

CWnd* PreviewWindow() {
  return CQxPreviewWnd::Newest();
}

}  // namespace QxTest
