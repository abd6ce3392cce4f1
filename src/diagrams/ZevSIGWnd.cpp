#include "diagrams/ZevSIGWnd.h"

#include "ClipboardPicture.h"
#include "DesignBar.h"
#include "GlobalResources.h"
#include "MemDCPaint.h"
#include "Qorex.h"
#include "QorexDoc.h"
#include "diagrams/AxisGesture.h"
#include "diagrams/AxisScale.h"
#include "diagrams/OutputBar.h"
#include "platform/gdi/SelectGuard.h"
#include "platform/core/GlobalMemory.h"
#include "platform/gdi/MetaFileDC.h"
#include "platform/ui/Clipboard.h"
#include "platform/ui/Menu.h"
#include "res/resource.h"
#include "simulation/SIMsystem.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <limits>
#include <vector>

BEGIN_MESSAGE_MAP(CZevSIGWnd, CWnd)
ON_WM_PAINT()
ON_WM_MOUSEMOVE()
ON_WM_RBUTTONDOWN()
ON_WM_RBUTTONUP()
ON_WM_LBUTTONDOWN()
ON_WM_LBUTTONUP()
ON_COMMAND(ID_EDIT_COPY, OnEditCopy)
ON_COMMAND(ID_TIME_SETTINGS, OnTimeSettings)
ON_COMMAND_RANGE(RUN1, RUN10, OnRun)
ON_COMMAND(RUNCLEAR, OnRunClear)
ON_COMMAND(RUNRESIMULATE, OnRunResimulate)
END_MESSAGE_MAP()

namespace {

constexpr COLORREF kWhite = RGB(255, 255, 255);
constexpr COLORREF kBlack = RGB(0, 0, 0);
constexpr COLORREF kMarkerGreen = RGB(0, 150, 0);
constexpr double kPixelLimit = 1073741824.0;  // 2^30

// Mouse modes while the pane holds the capture.
constexpr int kModePanZoom = 2;
constexpr int kModeTimeDrag = 3;
// Per pixel of a zoom beyond its dead zone the time scale changes by 0.5 %,
// the value scale by 4 %.
constexpr double kTimeZoomPerPixel = 0.005;
constexpr double kValueZoomPerPixel = 0.04;
// The time labels go above the axis within this many pixels of the bottom,
// and the value labels right of the axis within this many of the left edge.
constexpr int kTimeLabelRoom = 14;
constexpr int kValueLabelRoom = 20;
// How much taller than the pane the picture is (its title).
constexpr int kPictureExtraHeight = 25;
// Points farther than this outside the pane are clipped before they reach
// the context, so a segment towards +-2^30 costs what its visible part costs.
constexpr int kNearMargin = 2048;

int OffsetFrom(int origin, double offset) {
  const long long p = static_cast<long long>(origin) + PlotOffset(offset);
  return static_cast<int>(std::clamp<long long>(p, -(1LL << 30), 1LL << 30));
}

// The panes' clamp of a zoomed origin: within +-2^30, as every position.
LONG PlaceZoomedOrigin(LONG pixel, double offset) {
  return OffsetFrom(pixel, -offset);
}

// Where a paint reads its samples: the live simulator, holding
// g_pcsSimulation so that no sample is read half written; else the design's
// signals as it shows them, which stay its last complete run while a
// recalculation rewrites the loop (CQorexDoc::SignalAsShown) and need no lock.
class SampleSource {
 public:
  SampleSource(const CQorexDoc& doc, bool live)
      : m_doc(doc),
        m_live(live ? g_pSimulator.load() : nullptr),
        m_lock(m_live ? g_pcsSimulation : nullptr) {}
  SampleSource(const SampleSource&) = delete;
  SampleSource& operator=(const SampleSource&) = delete;
  const CSIMsignal& Signal(CSIMsignal CSIMsystem::*signal) const {
    return m_live ? m_live->*signal : m_doc.SignalAsShown(signal);
  }
  // The samples to draw: live, only those the driving run or pass has given
  // so far (the simulator keeps older ones of other designs beyond them).
  int Columns() const {
    const int columns = Signal(&CSIMsystem::m_c).m_nColumns;
    return m_live ? std::min(columns, m_live->m_nLiveSamples.load()) : columns;
  }

 private:
  const CQorexDoc& m_doc;
  const CSIMsystem* m_live;
  QxCriticalSectionLock m_lock;  // held while live samples are read
};

// Collects a curve's points into polylines: a repeated point adds nothing
// (a line to the current position paints no pixel), a point that is not
// finite lifts the pen, and segments reaching far outside the pane are
// clipped to a margin around it first.
class CurveWriter {
 public:
  CurveWriter(CDC* dc, int width, int height)
      : m_dc(dc),
        m_left(-kNearMargin),
        m_top(-kNearMargin),
        m_right(width + kNearMargin),
        m_bottom(height + kNearMargin) {}
  ~CurveWriter() { Flush(); }

  void Add(bool finite, int x, int y) {
    if (!finite) {
      Flush();
      m_hasLast = false;
      return;
    }
    const POINT p{x, y};
    if (!m_hasLast) {
      m_last = p;
      m_hasLast = true;
      if (Near(p)) m_run.push_back(p);
      return;
    }
    if (Near(m_last) && Near(p)) {
      if (m_run.empty()) m_run.push_back(m_last);
      if (p.x != m_run.back().x || p.y != m_run.back().y) m_run.push_back(p);
    } else {
      AddClipped(m_last, p);
    }
    m_last = p;
  }

 private:
  bool Near(POINT p) const {
    return p.x >= m_left && p.x <= m_right && p.y >= m_top && p.y <= m_bottom;
  }
  // Liang-Barsky against the margin box; the visible part as its own run.
  void AddClipped(POINT a, POINT b) {
    double t0 = 0, t1 = 1;
    const double dx = double(b.x) - a.x, dy = double(b.y) - a.y;
    const double p[4] = {-dx, dx, -dy, dy};
    const double q[4] = {double(a.x) - m_left, m_right - double(a.x), double(a.y) - m_top,
                         m_bottom - double(a.y)};
    for (int i = 0; i < 4; ++i) {
      if (p[i] == 0) {
        if (q[i] < 0) return Flush();
        continue;
      }
      const double t = q[i] / p[i];
      if (p[i] < 0)
        t0 = std::max(t0, t);
      else
        t1 = std::min(t1, t);
      if (t0 > t1) return Flush();
    }
    const POINT from{static_cast<int>(std::lround(a.x + t0 * dx)),
                     static_cast<int>(std::lround(a.y + t0 * dy))};
    const POINT to{static_cast<int>(std::lround(a.x + t1 * dx)),
                   static_cast<int>(std::lround(a.y + t1 * dy))};
    if (m_run.empty() || m_run.back().x != from.x || m_run.back().y != from.y) {
      Flush();
      m_run.push_back(from);
    }
    if (to.x != from.x || to.y != from.y) m_run.push_back(to);
    if (!Near(b)) Flush();
  }
  void Flush() {
    if (m_run.size() >= 2) m_dc->Polyline(m_run.data(), static_cast<int>(m_run.size()));
    m_run.clear();
  }

  CDC* m_dc;
  const int m_left, m_top, m_right, m_bottom;
  std::vector<POINT> m_run;
  POINT m_last{};
  bool m_hasLast = false;
};

// The sampling time nearest to ts among 0.5, 1 and 2 times a power of ten
// (ties to the half or double step).
double SnapSamplingTime(double ts) {
  const double d = std::pow(10.0, Round(std::log10(ts)));
  const double c = std::fabs(d / 2 - ts) <= std::fabs(2 * d - ts) ? d / 2 : 2 * d;
  return std::fabs(c - ts) <= std::fabs(d - ts) ? c : d;
}

bool Shown(const CSIMsystem& own, const SignalPlotEntry& entry) {
  return ((own.*entry.signal).m_wFlags & kSignalShown) != 0;
}

// One curve's pixels, computed before anything is drawn, so that the live
// simulator's lock is held for the reads only. kBreak marks a sample that is
// not finite.
constexpr int kBreak = std::numeric_limits<int>::min();
struct CurvePixels {
  int pen;
  std::vector<POINT> points;
};

// The pixels of the shown signals that have the row, over the samples inside
// the area plus one on each side. The segment from sample 0 to `first`, which
// the plot starts with, lies wholly left of the area (x(first) < area.left)
// and is left out. No read leaves a signal's own rows and columns.
std::vector<CurvePixels> PlotCurves(const CQorexDoc& doc, const SampleSource& source, int row,
                                    const CRect& area) {
  std::vector<CurvePixels> curves;
  const CPoint origin = doc.m_ptSigOrigin;
  const double sx = doc.m_dSigScaleX, sy = doc.m_dSigScaleY;
  if (!(sx > 0) || !std::isfinite(sx) || !std::isfinite(sy)) return curves;
  const int first = std::max(0, PlotOffset((double(area.left) - origin.x) / sx) - 1);
  const int last = std::min(source.Columns(), PlotOffset((double(area.right) - origin.x) / sx) + 1);
  for (const SignalPlotEntry& entry : kPlottedSignals) {
    const CSIMsignal& signal = source.Signal(entry.signal);
    const int end = std::min(last, signal.m_nColumns);
    if (!Shown(doc.m_system, entry) || signal.m_nRows <= row || first >= end) continue;
    CurvePixels curve{entry.pen, {}};
    curve.points.reserve(end - first);
    const double* samples = signal.m_pSamples + static_cast<long long>(row) * signal.m_nColumns;
    // In a run that overflowed, the first sample that is not finite ends the
    // curve: whatever finite value arithmetic on infinities leaves later is
    // no response.
    for (int k = first; k < end; ++k) {
      const double v = samples[k];
      if (!std::isfinite(v) && doc.RunOverflowed()) break;
      curve.points.push_back(
          std::isfinite(v) ? POINT{OffsetFrom(origin.x, k * sx), OffsetFrom(origin.y, -v * sy)}
                           : POINT{kBreak, 0});
    }
    curves.push_back(std::move(curve));
  }
  return curves;
}

}  // namespace

int PlotOffset(double v) {
  if (std::isnan(v)) return 0;
  return static_cast<int>(std::trunc(std::clamp(v, -kPixelLimit, kPixelLimit)));
}

// ---- state ----------------------------------------------------------------------

CQorexDoc* CZevSIGWnd::Doc() const {
  return m_pBar ? m_pBar->m_pDoc : nullptr;
}

bool CZevSIGWnd::IsLive() const {
  CQorexDoc* doc = Doc();
  return doc && doc == g_pSimDoc.load() && g_pWorkerThread.load() != nullptr;
}

int CZevSIGWnd::EndMarkerX() const {
  const CQorexDoc& doc = *Doc();
  return OffsetFrom(doc.m_ptSigOrigin.x, doc.m_system.m_nSteps * doc.m_dSigScaleX);
}

bool CZevSIGWnd::InHotZone(CPoint point) const {
  CQorexDoc* doc = Doc();
  if (!doc || doc == g_pSimDoc.load()) return false;
  return std::abs(point.y - doc->m_ptSigOrigin.y + 4) <= 4 &&
         std::abs(static_cast<long long>(point.x) - EndMarkerX()) <= 3;
}

int CZevSIGWnd::DraggedSampleCount(int x) const {
  const CQorexDoc& doc = *Doc();
  const double dx = double(m_ptAnchor.x) - x;
  const long long n =
      static_cast<long long>(doc.m_system.m_nSteps) - PlotOffset(dx / doc.m_dSigScaleX);
  return static_cast<int>(std::clamp<long long>(n, -(1LL << 30), 1LL << 30));
}

// ---- drawing ----------------------------------------------------------------------

void CZevSIGWnd::DrawSignals(CDC* pDC) {
  CQorexDoc* doc = Doc();
  if (!doc || !GetSafeHwnd()) return;
  CRect client;
  GetClientRect(&client);
  CRect area = client;
  if (!g_bClipboardDrawing) pDC->GetClipBox(&area);
  DrawAxes(pDC, client.Width(), client.Height());
  std::vector<CurvePixels> curves;
  // A refused loop's signals are its stand-in's zeros, no response: nothing
  // of them is drawn (the status line says why).
  const bool live = IsLive();
  if (live || !doc->RunIsStandIn()) {
    SampleSource source(*doc, live);
    curves = PlotCurves(*doc, source, m_nRow, area);
  }
  for (const CurvePixels& curve : curves) {
    pDC->SelectObject(g_pPenCurve[curve.pen]);
    CurveWriter writer(pDC, client.Width(), client.Height());
    for (const POINT& p : curve.points) writer.Add(p.x != kBreak, p.x, p.y);
  }
  pDC->SelectObject(g_pens[0][0]);
}

void CZevSIGWnd::DrawAxes(CDC* pDC, int width, int height) {
  const CQorexDoc& doc = *Doc();
  const CPoint origin = doc.m_ptSigOrigin;
  const int ax = std::clamp(origin.x, -1, width);
  const int ay = std::clamp(origin.y, -1, height);
  pDC->SelectObject(g_pens[0][0]);
  pDC->MoveTo(0, ay);
  pDC->LineTo(width, ay);
  pDC->MoveTo(ax, 0);
  pDC->LineTo(ax, height);
  // Labels the pane's edges would cut are moved inside, so none loses a sign.
  const RECT pane{0, 0, width, height};
  if (ax < kValueLabelRoom)
    DrawYAxisLabelsRight(pDC, ax, origin.y, height, doc.m_dSigScaleY, &pane);
  else
    DrawYAxisLabelsLeft(pDC, ax, origin.y, height, doc.m_dSigScaleY, &pane);
  // The step of the samples shown: a recalled run keeps its own until the
  // design is simulated again.
  const double ts = doc.m_system.m_dTs;
  if (ay >= height - kTimeLabelRoom) {
    DrawXAxisLabelsAbove(pDC, origin.x, ay, width, doc.m_dSigScaleX, ts, &pane);
    return;
  }
  DrawXAxisLabelsBelow(pDC, origin.x, ay, width, doc.m_dSigScaleX, ts, &pane);
  const int xe = EndMarkerX();
  pDC->FillSolidRect(xe - 1, ay - 9, 3, 9, kMarkerGreen);
  const POINT dots[] = {{xe - 2, ay - 2}, {xe + 2, ay - 2}, {xe - 2, ay - 3},
                        {xe + 2, ay - 3}, {xe - 3, ay - 3}, {xe + 3, ay - 3}};
  for (const POINT& p : dots) pDC->SetPixelV(p.x, p.y, kMarkerGreen);
}

void CZevSIGWnd::PaintBuffered() {
  PaintThroughMemDC(this, kWhite, [this](CDC* dc) { DrawSignals(dc); });
}

void CZevSIGWnd::InvalidateSamples(int sample) {
  CQorexDoc* doc = g_pSimDoc.load();
  if (!doc || !GetSafeHwnd()) return;
  const int ox = doc->m_ptSigOrigin.x;
  const double sx = doc->m_dSigScaleX;
  const CRect strip(OffsetFrom(ox, (double(sample) - 3) * sx) - 1, 0,
                    OffsetFrom(ox, (double(sample) + 1) * sx) + 1, 500);
  InvalidateRect(&strip, TRUE);
}

// The strip of a live sample, or what the window system lost: drawn straight
// on the paint context over the erased background, in the state the shared
// context keeps for every drawing (italic labels on their baseline).
void CZevSIGWnd::OnPaint() {
  CPaintDC dc(this);
  QxSelectGuard font(dc, g_fonts[kFontItalic][0]);
  const UINT oldAlign = dc.SetTextAlign(TA_BASELINE);
  const int oldBkMode = dc.SetBkMode(TRANSPARENT);
  const COLORREF oldText = dc.SetTextColor(kBlack);
  QxSelectGuard pen(dc, g_pens[0][0]);
  DrawSignals(&dc);
  dc.SetTextColor(oldText);
  dc.SetBkMode(oldBkMode);
  dc.SetTextAlign(oldAlign);
}

void CZevSIGWnd::RepaintAllPanes() {
  if (m_pBar) m_pBar->UpdatePanes();
}

// ---- right button: pan and zoom ---------------------------------------------------

void CZevSIGWnd::OnRButtonDown(UINT, CPoint point) {
  // A right press ends a time-axis drag unapplied; its line goes with it.
  if (GetCapture() == this && m_nMode == kModeTimeDrag) DrawDragLine(nullptr, &m_rcDrag);
  m_ptAnchor = m_ptLast = point;
  m_nMode = kModePanZoom;
  m_nMoves = 0;
  SetCapture();
}

void CZevSIGWnd::OnRButtonUp(UINT, CPoint point) {
  if (GetCapture() != this) return;
  ReleaseCapture();
  if (m_nMoves < 2) ShowContextMenu(point);
}

void CZevSIGWnd::PanOrZoom(UINT nFlags, CPoint point) {
  SetCursor(LoadCursor(nullptr, IDC_SIZEALL));
  CQorexDoc* doc = Doc();
  const int dx = m_ptAnchor.x - point.x, dy = m_ptAnchor.y - point.y;
  if (!(nFlags & MK_CONTROL)) {
    if (!PanStep(point, m_ptAnchor, m_ptLast) || !doc) return;
    doc->m_ptSigOrigin.x -= dx;
    doc->m_ptSigOrigin.y -= dy;
    RepaintAllPanes();
    return;
  }
  if (!ZoomBeyondDeadZone(dx, dy) || !doc) return;
  CPoint& origin = doc->m_ptSigOrigin;
  // A refused step still moves the pane's drag on to the pointer.
  auto step = [&](const ZoomAxisGeometry& axis, LONG to, LONG& anchor, LONG& last, LONG& at,
                  double& scale) {
    if (ZoomAxis(axis, to, anchor, last, at, scale) == ZoomStepResult::kRefused) anchor = last = to;
  };
  step({false, kTimeZoomPerPixel, 0, PlaceZoomedOrigin}, point.x, m_ptAnchor.x, m_ptLast.x,
       origin.x, doc->m_dSigScaleX);
  step({true, kValueZoomPerPixel, 0, PlaceZoomedOrigin}, point.y, m_ptAnchor.y, m_ptLast.y,
       origin.y, doc->m_dSigScaleY);
  RepaintAllPanes();
}

void CZevSIGWnd::OnMouseMove(UINT nFlags, CPoint point) {
  if (GetCapture() != this) {
    SetCursor(LoadCursor(nullptr, InHotZone(point) ? IDC_SIZEWE : IDC_ARROW));
    return;
  }
  ++m_nMoves;
  if (m_nMode == kModePanZoom) {
    PanOrZoom(nFlags, point);
    return;
  }
  if (m_nMode != kModeTimeDrag) return;
  if (!Doc()) {
    SetCursor(LoadCursor(nullptr, IDC_SIZEWE));
    return;
  }
  const int n = DraggedSampleCount(point.x);
  if (n < 1 || n > g_nMaxSamples) {
    SetCursor(LoadCursor(nullptr, IDC_NO));
    return;
  }
  const CRect line(point.x, 0, point.x + 1, m_rcDrag.bottom);
  DrawDragLine(&line, &m_rcDrag);
  m_rcDrag = line;
  SetCursor(LoadCursor(nullptr, IDC_SIZEWE));
}

// ---- left button: the end of the time axis ---------------------------------------------

void CZevSIGWnd::OnLButtonDown(UINT, CPoint point) {
  // Not during a pan or zoom: its release would leave the line behind.
  if (GetCapture() == this || !InHotZone(point)) return;
  m_ptAnchor = point;
  m_nMode = kModeTimeDrag;
  SetCapture();
  CRect client;
  GetClientRect(&client);
  m_rcDrag = CRect(point.x, 0, point.x + 1, client.Height());
  DrawDragLine(&m_rcDrag, nullptr);
}

void CZevSIGWnd::DrawDragLine(const CRect* line, const CRect* last) {
  CDC* dc = GetDC();
  dc->DrawDragRect(line, CSize(1, 1), last, CSize(1, 1));
  ReleaseDC(dc);
}

void CZevSIGWnd::OnLButtonUp(UINT nFlags, CPoint point) {
  if (GetCapture() != this) return;
  ReleaseCapture();
  if (m_nMode != kModeTimeDrag) return;
  // The line goes before anything is recalculated or laid out again.
  DrawDragLine(nullptr, &m_rcDrag);
  CQorexDoc* doc = Doc();
  if (!doc) return;
  const int n = DraggedSampleCount(point.x);
  if (std::abs(m_ptAnchor.x - point.x) < 1 || n < 1 || n > g_nMaxSamples) return;
  const int steps = doc->m_system.m_nSteps;
  doc->m_dFinalTime = n * doc->m_dSamplingTime;
  // Without a run there is no step count to keep: the final time only.
  if ((nFlags & MK_CONTROL) && steps > 0) {
    doc->m_dSamplingTime = SnapSamplingTime(doc->m_dFinalTime / steps);
    doc->m_dFinalTime = steps * doc->m_dSamplingTime;
  }
  doc->Recalculate();
  doc->UpdateAll();
}

// ---- context menu and its commands ---------------------------------------------------

void CZevSIGWnd::ShowContextMenu(CPoint point) {
  CQorexDoc* doc = Doc();
  const bool worker = g_pSimDoc.load() != nullptr;
  CMenu menu, runs;
  menu.CreatePopupMenu();
  if (doc && !worker) {
    runs.CreatePopupMenu();
    if (doc->m_nRuns > 0) {
      CString text;
      for (int i = 0; i < std::min(doc->m_nRuns, 10); ++i) {
        text.Format("Run %d", i + 1);
        runs.AppendMenu(MF_STRING, RUN1 + i, text);
      }
      runs.AppendMenu(MF_SEPARATOR);
      runs.AppendMenu(MF_STRING, RUNCLEAR, "Clear buffer");
    } else {
      runs.AppendMenu(MF_STRING | MF_GRAYED, 0, "(Empty)");
    }
    menu.AppendMenu(MF_POPUP, reinterpret_cast<UINT_PTR>(runs.Detach()), "Realtime buffer");
    menu.AppendMenu(MF_STRING, RUNRESIMULATE, "Re-simulate");
    menu.AppendMenu(MF_SEPARATOR);
  }
  menu.AppendMenu(MF_STRING | (doc ? 0 : MF_GRAYED), ID_EDIT_COPY, "Copy image");
  menu.AppendMenu(MF_SEPARATOR);
  menu.AppendMenu(MF_STRING | (doc && !worker ? 0 : MF_GRAYED), ID_TIME_SETTINGS, "Properties");
  ClientToScreen(&point);
  menu.TrackPopupMenu(TPM_LEFTALIGN | TPM_RIGHTBUTTON, point.x, point.y, this);
}

void CZevSIGWnd::OnRun(UINT nID) {
  CQorexDoc* doc = Doc();
  const int i = static_cast<int>(nID - RUN1);
  if (!doc || i >= doc->m_nRuns) return;
  // A run that no longer fits the design is refused before anything is asked,
  // so its sampling time is never adopted for a run that does not show.
  if (const CString why = doc->RunRecallRefusal(i); !why.IsEmpty()) {
    MessageBox(why, "Warning", MB_OK | MB_ICONEXCLAMATION);
    return;
  }
  const double ts = doc->m_runs[i].dTs;
  if (ts != doc->m_dSamplingTime) {
    CString question;
    question.Format(
        "The sampling time of the run [%g s] differs from the current settings [%g s]. Do\n you "
        "wish to change the current sampling time to its previous value?\n",
        ts, doc->m_dSamplingTime);
    if (MessageBox(question, "Warning", MB_YESNO) == IDYES) {
      // Only the setting: the panes keep showing the recalled run until the
      // design is simulated again.
      doc->m_dSamplingTime = ts;
      doc->SetModifiedFlag(TRUE);
      // The times may give a run no longer, or again: said at once, as the
      // run spot judges them already.
      SayDesignState();
    }
  }
  doc->RecallRun(i);
  RepaintAllPanes();
}

// The runs are saved with the design, so clearing them is a change.
void CZevSIGWnd::OnRunClear() {
  if (CQorexDoc* doc = Doc()) {
    doc->m_nRuns = 0;
    doc->SetModifiedFlag(TRUE);
  }
}

void CZevSIGWnd::OnRunResimulate() {
  if (CQorexDoc* doc = Doc()) {
    doc->Recalculate();
    doc->UpdateAll();
  }
}

// The document's command keeps quiet without a design or while a worker runs
// it; the pane beeps for both.
void CZevSIGWnd::OnTimeSettings() {
  CQorexDoc* doc = Doc();
  if (!doc || doc == g_pSimDoc.load()) {
    MessageBeep(0xFFFFFFFF);
    return;
  }
  doc->OnTimeSettings();
}

// ---- clipboard ---------------------------------------------------------------------

void CZevSIGWnd::OnEditCopy() {
  if (!Doc()) return;
  CRect client;
  GetClientRect(&client);
  const int width = client.Width(), height = client.Height();
  if (!PutPictureOnClipboard(this, {width, height + kPictureExtraHeight,
                                    [&] { return RecordPicture(width, height); }}))
    return;
  // The samples join the picture; a picture once set stays when they fail.
  const CString text = SamplesText();
  HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE | GMEM_DDESHARE, text.GetLength() + 1);
  bool placed = false;
  if (block && OpenClipboard()) {
    if (char* bytes = static_cast<char*>(GlobalLock(block))) {
      std::copy_n(static_cast<const char*>(text), text.GetLength() + 1, bytes);
      GlobalUnlock(block);
      placed = ::SetClipboardData(CF_TEXT, block) != nullptr;
    }
    ::CloseClipboard();
  }
  if (!placed) {
    if (block) GlobalFree(block);
    AfxMessageBox("Unable to set Clipboard data", MB_OK);
  }
}

HMETAFILE CZevSIGWnd::RecordPicture(int width, int height) {
  CQorexDoc* doc = Doc();
  if (!doc) return nullptr;
  CString title = doc->GetTitle();
  title += ": Signals";
  if (m_pBar && m_pBar->GetPaneCount() > 1) title.AppendFormat(" (row: %d)", m_nRow + 1);
  return RecordFramedPicture(
      {title, width, height, true, true, [this](CDC* dc) { DrawSignals(dc); }});
}

// Always the design's own run. A signal shorter than the run leaves its
// later fields empty, so no read leaves it and the columns stay aligned.
CString CZevSIGWnd::SamplesText() const {
  CString text;
  const CQorexDoc* doc = Doc();
  if (!doc) return text;
  const CSIMsystem& s = doc->m_system;
  std::vector<const CSIMsignal*> listed;
  text.Format("Isignal=%d\r\nt\t", m_nRow);
  for (const SignalPlotEntry& entry : kPlottedSignals) {
    const CSIMsignal& signal = s.*entry.signal;
    if (!Shown(s, entry) || signal.m_nRows <= m_nRow) continue;
    listed.push_back(&signal);
    text += entry.name;
    text += '\t';
  }
  text += "\r\n";
  if (doc->RunIsStandIn()) return text;  // the stand-in's zeros are no samples
  double t = 0;
  for (int k = 0; k < s.m_nSteps; ++k, t += s.m_dTs) {
    text.AppendFormat("%g\t", t);
    for (const CSIMsignal* signal : listed) {
      if (k < signal->m_nColumns) text.AppendFormat("%g", signal->At(m_nRow, k));
      text += '\t';
    }
    text += "\r\n";
  }
  return text;
}
