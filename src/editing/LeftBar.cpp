// The "ProcessView" bar itself: its picture, its items and the mouse, and the
// rebuilders that hand the popups' choices to the document's design edits
// (QorexDocEdits.cpp).
#include "editing/LeftBar.h"

#include "GlobalResources.h"
#include "Qorex.h"
#include "QorexDoc.h"
#include "diagrams/QorexView.h"
#include "platform/core/MessageBox.h"
#include "platform/gdi/GdiObjects.h"
#include "platform/ui/FrameWnd.h"
#include "platform/ui/WinApp.h"
#include "res/Sprites.h"
#include "res/resource.h"
#include "search/EqualizerBar.h"
#include "search/KFinder.h"
#include "search/SearchGlobals.h"
#include "simulation/SIMsystem.h"

#include <cmath>
#include <cstdlib>

CLeftBar* g_pLeftBar = nullptr;

IMPLEMENT_DYNAMIC(CLeftBar, CDialogBar)

BEGIN_MESSAGE_MAP(CLeftBar, CDialogBar)
ON_WM_PAINT()
ON_WM_LBUTTONDOWN()
ON_WM_LBUTTONDBLCLK()
ON_WM_LBUTTONUP()
ON_WM_MOUSEMOVE()
END_MESSAGE_MAP()

namespace {

// The diagram's top-left corner in the bar; item positions are relative to it.
constexpr int kOrigin = 10;
constexpr int kBlockSize = 18;
constexpr int kItemSquare = 18;  // the square InvalidateItem repaints
// Inside a block, points beyond this sum of offsets are its corner.
constexpr int kCornerDiagonal = 25;
// A centred item answers within this many pixels in x and in y.
constexpr int kNearby = 6;
constexpr int kBlocks = 5;
constexpr int kSources = 4;
constexpr int kToggles = 6;
constexpr int kButtons = 3;

// Where the mark of each display toggle (r, e, u, y + d, z, w) goes in the
// bar; the signal it switches is the loop's (kLoopSignals).
constexpr POINT kMarkPos[kToggles] = {{56, 26},  {71, 26},  {100, 26},
                                      {162, 25}, {196, 26}, {70, 64}};
static_assert(
    [] {
      // Compared by value: GCC cannot fold a pointer test against null
      // inside the table when the sanitizers instrument it.
      for (int i = 0; i < kToggles; ++i) {
        bool shown = false;
        for (const SIMloopSignal& s : kLoopSignals)
          shown |=
              s.toggle.group == SIMtoggleGroup::kDisplay && s.toggle.item == i && s.showBit >= 0;
        if (!shown) return false;
      }
      return true;
    }(),
    "every display toggle switches a shown loop signal");
constexpr POINT kLampAt = {12, 67};
constexpr POINT kFindGSwitchAt = {31, 83};
constexpr POINT kRealtimeSwitchAt = {49, 83};

void Blit(CDC* dc, const SpriteTile& tile, int x, int y) {
  dc->BitBlt(x, y, tile.cx, tile.cy, g_pSpriteDC, tile.x, tile.y, SRCCOPY);
}

bool WorkerRuns() {
  return g_pWorkerThread.load() != nullptr;
}

bool Nearby(int x, int y, POINT centre) {
  const int dx = x - centre.x;
  const int dy = y - centre.y;
  return dx * dx <= kNearby * kNearby && dy * dy <= kNearby * kNearby;
}

bool InSquare(int x, int y, POINT corner) {
  return x >= corner.x && x < corner.x + kBlockSize && y >= corner.y && y < corner.y + kBlockSize;
}

// The rows of a signal source: those of the block the signal feeds into the
// loop's output side, else of the block whose input it is (the command).
int SourceRows(const CSIMsystem& system, int source) {
  const SIMdim dim = kSignalWiring[source].rows;
  for (const SIMmodelWiring& block : kModelWiring)
    if (block.rows == dim) return (system.*block.block).m_nRows;
  for (const SIMmodelWiring& block : kModelWiring)
    if (block.columns == dim) return (system.*block.block).m_nCols;
  return 1;
}

}  // namespace

CLeftBar::CLeftBar() {
  g_pLeftBar = this;
}

CLeftBar::~CLeftBar() {
  if (g_pLeftBar == this) g_pLeftBar = nullptr;
}

void CLeftBar::DoDataExchange(CDataExchange* pDX) {
  CDialogBar::DoDataExchange(pDX);
}

// ---- showing a design --------------------------------------------------------------

void CLeftBar::ShowDesign(CQorexDoc* doc, DesignPart part, int /*sample*/) {
  if (part == DesignPart::kWhole) {
    m_pDoc = doc;
    Redraw();
  } else if (part == DesignPart::kShownSignals && doc == m_pDoc) {
    Redraw();
  }
}

void CLeftBar::ForgetDesign(const CQorexDoc* doc) {
  if (doc != m_pDoc) return;
  m_pDoc = nullptr;
  if (GetSafeHwnd()) Invalidate(TRUE);
}

void CLeftBar::Paint(CDC* pDC) {
  if (g_pSpriteDC == nullptr) return;
  Blit(pDC, kSpriteLoopDiagram, kOrigin, kOrigin);
  Blit(pDC, WorkerRuns() ? kSpriteLampOn : kSpriteLampOff, kLampAt.x, kLampAt.y);
  const WORD status = g_wStatus.load();
  Blit(pDC, (status & kStatusRealtimeLoop) ? kSpriteRealtimeSwitchOn : kSpriteRealtimeSwitchOff,
       kRealtimeSwitchAt.x, kRealtimeSwitchAt.y);
  Blit(pDC, (status & kStatusFindGAfterPass) ? kSpriteFindGSwitchOn : kSpriteFindGSwitchOff,
       kFindGSwitchAt.x, kFindGSwitchAt.y);
  if (m_pDoc == nullptr) return;
  // The sources' own show flags (mask bits 0-3) have no mark.
  const WORD mask = m_pDoc->GetShowMask();
  for (int i = 0; i < kToggles; ++i)
    if (mask & (1u << LoopSignalOfToggle(SIMtoggleGroup::kDisplay, i)->showBit))
      Blit(pDC, kSpriteSignalMarks[i], kMarkPos[i].x, kMarkPos[i].y);
}

void CLeftBar::Redraw() {
  if (!GetSafeHwnd()) return;
  CDC* dc = GetDC();
  Paint(dc);
  ReleaseDC(dc);
}

void CLeftBar::OnPaint() {
  CPaintDC dc(this);
  Paint(&dc);
}

// ---- items -------------------------------------------------------------------------

WORD CLeftBar::HitTest(int x, int y) {
  x -= kOrigin;
  y -= kOrigin;
  for (int i = 0; i < kBlocks; ++i) {
    const POINT b = kLoopBlockPos[i];
    if (!InSquare(x, y, b)) continue;
    const bool corner = (x - b.x) + (y - b.y) > kCornerDiagonal;
    return static_cast<WORD>((corner ? kHitCorner : 0) | kHitBlock | i);
  }
  for (int i = 0; i < kButtons; ++i)
    if (InSquare(x, y, kLoopButtonPos[i])) return static_cast<WORD>(kHitButton | i);
  for (int i = 0; i < kSources; ++i)
    if (Nearby(x, y, kLoopSourcePos[i])) return static_cast<WORD>(kHitSource | i);
  for (int i = 0; i < kToggles; ++i)
    if (Nearby(x, y, kLoopTogglePos[i])) return static_cast<WORD>(kHitToggle | i);
  if (Nearby(x, y, kLoopLampPos)) return kHitLamp;
  return kHitNone;
}

void CLeftBar::DrawPressed(WORD hit) {
  const int item = hit & kHitItemMask;
  const int kind = hit & kHitKindMask;
  const bool drawn = g_pSpriteDC && ((kind == kHitBlock && item < kBlocks) ||
                                     (kind == kHitSource && item < kSources) || kind == kHitLamp ||
                                     (kind == kHitButton && item < kButtons));
  if (!drawn) {
    InvalidateItem(hit);
    return;
  }
  CDC* dc = GetDC();
  if (kind == kHitBlock) {
    const POINT b = kLoopBlockPos[item];
    Blit(dc, SpritePressedBlock(item), kOrigin + b.x, kOrigin + b.y);
  } else if (kind == kHitSource) {
    const POINT c = kLoopSourcePos[item];
    Blit(dc, SpritePressedSource(item), kOrigin + c.x - kNearby, kOrigin + c.y - kNearby);
  } else if (kind == kHitLamp) {
    Blit(dc, WorkerRuns() ? kSpriteLampOnPressed : kSpriteLampOffPressed, kLampAt.x, kLampAt.y);
  } else {
    const POINT b = kLoopButtonPos[item];
    Blit(dc, SpritePressedLoopButton(item), kOrigin + b.x, kOrigin + b.y);
  }
  ReleaseDC(dc);
}

void CLeftBar::InvalidateItem(WORD hit) {
  const int item = hit & kHitItemMask;
  POINT at{};
  bool centred = true;
  switch (hit & kHitKindMask) {
    case kHitBlock:
      if (item >= kBlocks) return;
      at = kLoopBlockPos[item];
      centred = false;
      break;
    case kHitButton:
      if (item >= kButtons) return;
      at = kLoopButtonPos[item];
      centred = false;
      break;
    case kHitSource:
      if (item >= kSources) return;
      at = kLoopSourcePos[item];
      break;
    case kHitToggle:
      if (item >= kToggles) return;
      at = kLoopTogglePos[item];
      break;
    case kHitLamp:
      at = kLoopLampPos;
      break;
    default:
      return;
  }
  const int shift = centred ? kItemSquare / 2 : 0;
  const CRect square(CPoint(kOrigin + at.x - shift, kOrigin + at.y - shift),
                     CSize(kItemSquare, kItemSquare));
  InvalidateRect(&square, TRUE);
}

// ---- the mouse ---------------------------------------------------------------------

void CLeftBar::OnLButtonDown(UINT /*nFlags*/, CPoint point) {
  CWnd* main = AfxGetMainWnd();
  if (main == nullptr || !IsWindow(main->GetSafeHwnd()) || m_pDoc == nullptr || IsFloating())
    return;
  m_wHit = HitTest(point.x, point.y);
  if (m_wHit == kHitNone) return;
  DrawPressed(m_wHit);
  const int kind = m_wHit & kHitKindMask;
  if (kind == kHitBlock || kind == kHitSource) {
    OpenPopup(m_wHit);
  } else {
    SetCapture();
  }
}

void CLeftBar::OpenPopup(WORD hit) {
  // The design's editing dialog writes back the copies it took: nothing
  // changes the design under it.
  if (m_pDoc->EditingDialogOpen()) {
    InvalidateItem(hit);
    return;
  }
  CWnd* frame = AfxGetMainWnd();
  const int item = hit & kHitItemMask;
  // Popups open just below their item, in the frame's client coordinates.
  auto toFrame = [&](int x, int y) {
    CPoint p(x, y);
    ClientToScreen(&p);
    frame->ScreenToClient(&p);
    return p;
  };
  const CSIMsystem& loop = m_pDoc->m_system;
  if ((hit & kHitKindMask) == kHitSource) {
    if (item >= kSources) return;
    const POINT c = kLoopSourcePos[item];
    m_wndSignalPopup.Open(this, hit, SourceRows(loop, item), frame, toFrame(c.x, c.y + 18));
    return;
  }
  if (item >= kBlocks) return;
  const CSIMtrnmx& block = loop.*kModelWiring[item].block;
  const POINT b = kLoopBlockPos[item];
  const CPoint anchor = toFrame(b.x + 9, b.y + 27);
  if (hit & kHitCorner) {
    m_wndSizePopup.Open(this, hit, block.m_nRows, block.m_nCols, frame, anchor);
    ::SetCursor(::LoadCursor(nullptr, IDC_NO));
  } else {
    m_wndElementPopup.Open(this, hit, block.m_nRows, block.m_nCols, frame, anchor);
    ::SetCursor(::LoadCursor(nullptr, IDC_ARROW));
  }
}

void CLeftBar::OnLButtonUp(UINT /*nFlags*/, CPoint point) {
  if (GetCapture() != this) return;
  const WORD code = HitTest(point.x, point.y);
  ReleaseCapture();
  InvalidateItem(m_wHit);
  if (m_pDoc != nullptr && (code & 0x0FFF) == (m_wHit & 0x0FFF)) ActOnRelease(m_wHit);
}

void CLeftBar::ActOnRelease(WORD hit) {
  const int item = hit & kHitItemMask;
  switch (hit & kHitKindMask) {
    case kHitBlock:
    case kHitSource:
    case kHitToggle:
      DispatchHit(hit);
      break;
    case kHitLamp:
      // Starts this design's real-time run, or stops the one running; the
      // spot shows the worker as it is afterwards.
      m_pDoc->StartStopSimulation();
      InvalidateItem(hit);
      break;
    case kHitButton:
      if (item == 0) {
        // Tunes afresh: a running tuning or run is stopped first.
        if (g_pKFinder) g_pKFinder->Start(m_pDoc);
      } else if (item == 1) {
        const WORD now = g_wStatus.fetch_xor(kStatusFindGAfterPass) ^ kStatusFindGAfterPass;
        InvalidateItem(hit);
        if ((now & kStatusFindGAfterPass) && g_pSimDoc.load() == nullptr && !WorkerRuns() &&
            g_pEqualizerBar)
          g_pEqualizerBar->FindG();
      } else {
        g_wStatus.fetch_xor(kStatusRealtimeLoop);
        InvalidateItem(hit);
      }
      break;
    default:
      break;
  }
}

void CLeftBar::DispatchHit(WORD hit) {
  if (m_pDoc == nullptr) return;
  const int item = hit & kHitItemMask;
  switch (hit & kHitKindMask) {
    case kHitBlock:
      if (item < kBlocks) EditModel(item);
      break;
    case kHitSource:
      if (item < kSources) EditSignal(item);
      break;
    case kHitToggle:
      m_pDoc->ToggleSignalShow(hit);
      break;
    default:
      break;
  }
}

// The editing dialogs open at the clicked block or source.
void CLeftBar::EditModel(int model) {
  if (m_pDoc) m_pDoc->EditModels(model);
}

void CLeftBar::EditSignal(int signal) {
  if (m_pDoc) m_pDoc->EditSignals(signal);
}

void CLeftBar::OnLButtonDblClk(UINT nFlags, CPoint point) {
  // The second press of a double click on an item belongs to the first,
  // which has acted already: a double click on an item is one click, also
  // on the spots that start and stop what drives the process. Only a double
  // click away from every item floats or docks the bar.
  if (m_wHit & 0x0FFF) return;
  CDialogBar::OnLButtonDblClk(nFlags, point);
}

void CLeftBar::OnMouseMove(UINT nFlags, CPoint point) {
  if (GetCapture() == this) ::SetCursor(::LoadCursor(nullptr, IDC_ARROW));
  CDialogBar::OnMouseMove(nFlags, point);
}

// ---- the rebuilders ----------------------------------------------------------------------

namespace {
// A drop this close to the origin's row or column snaps onto it.
constexpr int kSnapPixels = 3;
}  // namespace

void CLeftBar::SetElement(WORD hit, int row, int col, int choice) {
  if (m_pDoc) m_pDoc->SetElement(hit & kHitItemMask, row, col, choice);
}

void CLeftBar::ResizeModel() {
  if (m_pDoc)
    m_pDoc->ResizeModel(m_wndSizePopup.m_wHit & kHitItemMask, m_wndSizePopup.m_nRows,
                        m_wndSizePopup.m_nCols);
}

void CLeftBar::ApplyElementDrag1(WORD hit, int row, int col, int x, int y) {
  ApplyRootDrop(false, hit, row, col, x, y);
}

void CLeftBar::ApplyElementDrag2(WORD hit, int row, int col, int x, int y) {
  ApplyRootDrop(true, hit, row, col, x, y);
}

void CLeftBar::ApplyRootDrop(bool pole, WORD hit, int row, int col, int x, int y) {
  const int model = hit & kHitItemMask;
  if (m_pDoc == nullptr || m_pDoc->ModelElement(model, row, col) == nullptr) return;
  // The drop must land on the root-locus diagram of this design's active view.
  auto* frame = DYNAMIC_DOWNCAST(CMDIFrameWnd, AfxGetMainWnd());
  CMDIChildWnd* child = frame ? frame->MDIGetActive() : nullptr;
  auto* view = child ? DYNAMIC_DOWNCAST(CQorexView, child->GetActiveView()) : nullptr;
  CPoint p(x, y);
  CRect client;
  if (view) {
    view->ScreenToClient(&p);
    view->GetClientRect(&client);
  }
  const bool onLocus = view && view->GetDocument() == m_pDoc && client.PtInRect(p) &&
                       (view->m_wDiagram & kDiagramTypeMask) == kDiagramRootLocus;
  const int dx = p.x - m_pDoc->m_ptRlOrigin.x;
  const int dy = p.y - m_pDoc->m_ptRlOrigin.y;
  const double a = std::abs(dx) <= kSnapPixels ? 0.0 : -dx / m_pDoc->m_dRlScaleX;
  const double b = std::abs(dy) <= kSnapPixels ? 0.0 : std::fabs(dy / m_pDoc->m_dRlScaleY);
  if (!onLocus || !std::isfinite(a) || !std::isfinite(b)) {
    MessageBeep(MB_OK);
    return;
  }
  m_pDoc->ApplyRootDrop(pole, model, row, col, a, b);
}

void CLeftBar::BuildSignal(WORD hit, int row, int kind) {
  if (m_pDoc) m_pDoc->BuildSignal(hit & kHitItemMask, row, kind);
}
