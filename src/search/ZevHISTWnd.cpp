#include "search/ZevHISTWnd.h"

#include "ClipboardPicture.h"
#include "GlobalResources.h"
#include "QorexDoc.h"
#include "platform/gdi/SelectGuard.h"
#include "platform/core/MessageBox.h"
#include "platform/gdi/MetaFileDC.h"
#include "platform/ui/Menu.h"
#include "platform/ui/WinApp.h"
#include "res/resource.h"
#include "search/EqualizerBar.h"
#include "search/EqualizerPropDlg.h"
#include "search/QOX_HistVar.h"

#include <algorithm>
#include <cmath>

BEGIN_MESSAGE_MAP(CZevHISTWnd, CWnd)
ON_WM_PAINT()
ON_WM_LBUTTONDOWN()
ON_WM_MOUSEMOVE()
ON_WM_LBUTTONUP()
ON_WM_RBUTTONDOWN()
ON_WM_RBUTTONUP()
ON_COMMAND(ID_HISTORY_DELETE_THIS, OnDeleteThis)
ON_COMMAND(ID_HISTORY_DELETE_LEFT, OnDeleteLeft)
ON_COMMAND(ID_HISTORY_DELETE_RIGHT, OnDeleteRight)
ON_COMMAND(ID_EDIT_COPY, OnEditCopy)
ON_COMMAND(ID_HISTORY_PROPERTIES, OnProperties)
END_MESSAGE_MAP()

namespace {

constexpr COLORREF kWhite = RGB(255, 255, 255);
constexpr int kBaseRow = 70;  // the row of a criterion at 0, the best
// The curve pen of each criterion (entries of g_pPenCurve).
constexpr int kPenOfCriterion[QOX_HistVar::kCriteria] = {2, 5, 0, 4, 3, 7, 8, 1, 9};
constexpr int kPictureExtraHeight = 25;

// Pixels above the base row for a criterion. A value outside 0 .. 1 (or not
// a number) from an older file stays inside the picture.
int Level(double c) {
  if (!(c >= 0.0)) return std::isnan(c) ? kBaseRow : 0;
  return static_cast<int>(std::trunc(kBaseRow * std::min(c, 1.0)));
}

}  // namespace

CZevHISTWnd::CZevHISTWnd() = default;

CQorexDoc* CZevHISTWnd::Doc() {
  return g_pEqualizerBar ? g_pEqualizerBar->m_pDoc : nullptr;
}

QOX_HistVar* CZevHISTWnd::Population() {
  CQorexDoc* doc = Doc();
  if (doc == nullptr || doc->m_pHistory == nullptr || doc->m_pHistory->m_nCount <= 0)
    return nullptr;
  return doc->m_pHistory;
}

int CZevHISTWnd::EntryAt(int x, int count) const {
  const int e = (x + m_nStep / 2) / m_nStep + m_nFirst;
  return std::clamp(e, 0, count - 1);
}

// ---- drawing ------------------------------------------------------------------------------

void CZevHISTWnd::Draw(CDC* dc) {
  const QOX_HistVar* h = Population();
  if (h == nullptr) return;
  const int count = h->m_nCount;
  QxSelectGuard pen(dc, g_pPenCurve[kPenOfCriterion[0]]);
  if (m_nFirst >= count - 1) m_nFirst = count - 2;
  if (m_nFirst < 0) m_nFirst = 0;
  for (int k = 0; k < QOX_HistVar::kCriteria; ++k) {
    dc->SelectObject(g_pPenCurve[kPenOfCriterion[k]]);
    int yp = Level(h->m_ppCriteria[m_nFirst][k]);
    dc->MoveTo(0, kBaseRow - yp);
    for (int e = m_nFirst + 1; e < count; ++e) {
      const int j = e - m_nFirst;
      const int y = Level(h->m_ppCriteria[e][k]);
      dc->LineTo(m_nStep * (j - 1) + 1, kBaseRow - (20 * yp + y) / 21);
      dc->LineTo(m_nStep * j - 2, kBaseRow - (yp + 20 * y) / 21);
      dc->LineTo(m_nStep * j - 1, kBaseRow - y);
      dc->LineTo(m_nStep * j, kBaseRow - y);
      yp = y;
    }
  }
}

void CZevHISTWnd::RedrawHistory() {
  if (!GetSafeHwnd() || g_pMemDC == nullptr) return;
  g_pMemDC->FillSolidRect(0, 0, kPictureWidth + 1, kPictureHeight, kWhite);
  Draw(g_pMemDC);
  CClientDC dc(this);
  dc.BitBlt(0, 0, kPictureWidth, kPictureHeight, g_pMemDC, 0, 0, SRCCOPY);
}

void CZevHISTWnd::ScrollToEnd() {
  CQorexDoc* doc = Doc();
  if (doc == nullptr || doc->m_pHistory == nullptr) return;
  const int count = doc->m_pHistory->m_nCount;
  if (m_nStep * (count - m_nFirst) > kPictureWidth) m_nFirst = count - kPictureWidth / m_nStep;
  if (m_nFirst < 0)
    m_nFirst = 0;
  else if (m_nFirst >= count - 1 && count > 2)
    m_nFirst = count - 2;
}

void CZevHISTWnd::OnPaint() {
  CPaintDC dc(this);
  Draw(&dc);
}

// ---- recall ---------------------------------------------------------------------------------

void CZevHISTWnd::Recall(int e) {
  CQorexDoc* doc = Doc();
  const QOX_HistVar* h = Population();
  if (h == nullptr || e < 0 || e >= h->m_nCount) return;
  // A population loaded from a file may count more variables than the table.
  const int n = std::min(h->m_nVars, doc->m_vars.m_nCount);
  for (int v = 0; v < n; ++v)
    if (h->m_pFixed[v] == 0) doc->m_vars.m_pValue[v] = h->m_ppValues[e][v];
  doc->Recalculate();
  doc->UpdateAll();
}

// ---- mouse ----------------------------------------------------------------------------------

void CZevHISTWnd::OnLButtonDown(UINT /*nFlags*/, CPoint point) {
  const QOX_HistVar* h = Population();
  if (h == nullptr) return;
  Recall(EntryAt(point.x, h->m_nCount));
  SetCapture();
  m_nMode = 0;
  m_ptPress = point;
}

void CZevHISTWnd::OnMouseMove(UINT nFlags, CPoint point) {
  if (GetCapture() != this) {
    CWnd::OnMouseMove(nFlags, point);
    return;
  }
  ++m_nMoves;
  if (m_nMode == 0) {
    if (const QOX_HistVar* h = Population()) {
      const int e = EntryAt(point.x, h->m_nCount);
      if (e != EntryAt(m_ptPress.x, h->m_nCount)) Recall(e);
    }
    return;
  }
  SetCursor(LoadCursor(nullptr, IDC_SIZEWE));
  const QOX_HistVar* h = Population();
  if (point.x == m_ptPress.x || h == nullptr) return;
  const int d = (point.x - m_ptPress.x) / m_nStep;
  if (d == 0) return;
  if (nFlags & MK_CONTROL) {
    m_nStep = std::clamp(m_nStep + d, kMinStep, kMaxStep);
  } else {
    m_nFirst -= d;
    if (m_nFirst < 0)
      m_nFirst = 0;
    else if (m_nFirst >= h->m_nCount - 1)
      m_nFirst = std::max(h->m_nCount - 2, 0);
  }
  m_ptPress.x = point.x;
  RedrawHistory();
}

void CZevHISTWnd::OnLButtonUp(UINT nFlags, CPoint point) {
  if (GetCapture() != this) {
    CWnd::OnLButtonUp(nFlags, point);
    return;
  }
  ReleaseCapture();
  if (const QOX_HistVar* h = Population()) {
    const int e = EntryAt(point.x, h->m_nCount);
    if (e != EntryAt(m_ptPress.x, h->m_nCount)) Recall(e);
  }
}

void CZevHISTWnd::OnRButtonDown(UINT /*nFlags*/, CPoint point) {
  SetCapture();
  m_nMode = 1;
  m_ptPress = point;
  m_nMoves = 0;
}

void CZevHISTWnd::OnRButtonUp(UINT nFlags, CPoint point) {
  if (GetCapture() != this) {
    CWnd::OnRButtonUp(nFlags, point);
    return;
  }
  ReleaseCapture();
  m_ptPress.x = point.x;
  SetCursor(LoadCursor(nullptr, IDC_ARROW));
  if (m_nMoves >= 2) return;
  const UINT deletable = Population() ? 0 : MF_GRAYED;
  CMenu menu;
  menu.CreatePopupMenu();
  menu.AppendMenu(MF_STRING | deletable, ID_HISTORY_DELETE_THIS, "Delete this");
  menu.AppendMenu(MF_STRING | deletable, ID_HISTORY_DELETE_LEFT, "Delete to left");
  menu.AppendMenu(MF_STRING | deletable, ID_HISTORY_DELETE_RIGHT, "Delete to right");
  menu.AppendMenu(MF_SEPARATOR);
  menu.AppendMenu(MF_STRING, ID_EDIT_COPY, "Copy image");
  menu.AppendMenu(MF_SEPARATOR);
  menu.AppendMenu(MF_STRING, ID_HISTORY_PROPERTIES, "Properties");
  ClientToScreen(&point);
  menu.TrackPopupMenu(TPM_LEFTALIGN | TPM_RIGHTBUTTON, point.x, point.y, this);
}

// ---- commands -------------------------------------------------------------------------------

int CZevHISTWnd::PressedEntry() const {
  const QOX_HistVar* h = Population();
  return h ? EntryAt(m_ptPress.x, h->m_nCount) : -1;
}

// The population is saved with the design, so a deletion is a change; the
// design shown stays as it is.
void CZevHISTWnd::AfterDelete() {
  Doc()->SetModifiedFlag(TRUE);
  RedrawHistory();
}

void CZevHISTWnd::OnDeleteThis() {
  const int e = PressedEntry();
  if (e < 0) return;
  Population()->Delete(e);
  AfterDelete();
}

void CZevHISTWnd::OnDeleteLeft() {
  const int e = PressedEntry();
  if (e < 0) return;
  Population()->DeleteUpTo(e);
  AfterDelete();
}

void CZevHISTWnd::OnDeleteRight() {
  const int e = PressedEntry();
  if (e < 0) return;
  Population()->DeleteFrom(e);
  AfterDelete();
}

void CZevHISTWnd::OnEditCopy() {
  if (Doc() == nullptr) {
    MessageBeep(0xFFFFFFFF);
    return;
  }
  CRect client;
  GetClientRect(&client);
  const int width = client.Width(), height = client.Height();
  PutPictureOnClipboard(
      this, {width, height + kPictureExtraHeight, [&] { return RecordPicture(width, height); }});
}

// The signal pane's picture of a strip: the title above a frame round the
// curves, without a white fill.
HMETAFILE CZevHISTWnd::RecordPicture(int width, int height) {
  CQorexDoc* doc = Doc();
  if (!doc) return nullptr;
  CString title = doc->GetTitle();
  title += ": Tradeoffs";
  return RecordFramedPicture({title, width, height, false, false, [this](CDC* dc) { Draw(dc); }});
}

void CZevHISTWnd::OnProperties() {
  CEqualizerPropDlg dlg(AfxGetMainWnd());
  dlg.LoadSettings();
  if (dlg.DoModal() == IDOK) dlg.StoreSettings();
}
