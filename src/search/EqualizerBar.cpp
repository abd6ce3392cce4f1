#include "search/EqualizerBar.h"

#include "GlobalResources.h"
#include "QorexDoc.h"
#include "diagrams/OutputBar.h"
#include "platform/core/KeyState.h"
#include "platform/ui/DataExchange.h"
#include "platform/ui/WinApp.h"
#include "res/Sprites.h"
#include "res/resource.h"
#include "search/QOX_HistVar.h"
#include "search/ZevHISTWnd.h"

CEqualizerBar* g_pEqualizerBar = nullptr;

IMPLEMENT_DYNAMIC(CEqualizerBar, CDialogBar)

BEGIN_MESSAGE_MAP(CEqualizerBar, CDialogBar)
ON_WM_CREATE()
ON_WM_VSCROLL()
ON_WM_PAINT()
ON_WM_LBUTTONDOWN()
ON_WM_LBUTTONUP()
ON_WM_LBUTTONDBLCLK()
ON_WM_MOUSEMOVE()
END_MESSAGE_MAP()

namespace {

constexpr int kButtonHeight = 18;

// Where each button lies in the bar's client area, and its pressed picture.
struct ButtonSpot {
  int button;
  int x, y, cx;
  SpriteTile pressed;
};
constexpr ButtonSpot kSpots[] = {
    {1, 13, 180, 18, kSpriteSortPressed[0]},
    {2, 31, 180, 18, kSpriteSortPressed[1]},
    {3, 49, 180, 18, kSpriteSortPressed[2]},
    {4, 67, 180, 18, kSpriteSortPressed[3]},
    {5, 85, 180, 18, kSpriteSortPressed[4]},
    {6, 103, 180, 18, kSpriteSortPressed[5]},
    {7, 121, 180, 18, kSpriteSortPressed[6]},
    {8, 139, 180, 18, kSpriteSortPressed[7]},
    {9, 160, 180, 18, kSpriteSortPressed[8]},
    {10, 178, 180, 18, kSpriteSortPressed[9]},
    {11, 199, 180, 18, kSpriteSortPressed[10]},
    {12, 160, 159, 18, kSpritePopulationPressed[0]},
    {13, 178, 159, 18, kSpritePopulationPressed[1]},
    {14, 199, 159, 18, kSpritePopulationPressed[2]},
    {17, 160, 138, 18, kSpriteSearchPressed[0]},
    {18, 178, 138, 18, kSpriteSearchPressed[1]},
    {15, 160, 117, 27, kSpriteRecordPressed},
};

// The rows of the strip as they look at rest (the record button apart).
constexpr struct {
  POINT at;
  SpriteTile tile;
} kRows[] = {{{13, 180}, kSpriteSortRow},
             {{160, 159}, kSpritePopulationRow},
             {{160, 138}, kSpriteSearchRow}};
constexpr POINT kRecordAt = {160, 117};

const ButtonSpot* SpotOf(int button) {
  for (const ButtonSpot& spot : kSpots)
    if (spot.button == button) return &spot;
  return nullptr;
}

void Blit(CDC* dc, const SpriteTile& tile, int x, int y) {
  if (g_pSpriteDC) dc->BitBlt(x, y, tile.cx, tile.cy, g_pSpriteDC, tile.x, tile.y, SRCCOPY);
}

bool ShiftHeld() {
  return (GetKeyState(VK_SHIFT) & 0x8000) != 0;
}

}  // namespace

CEqualizerBar::CEqualizerBar() : m_pHistWnd(new CZevHISTWnd) {
  g_pEqualizerBar = this;
  SetDesignRecorder(this);
}

CEqualizerBar::~CEqualizerBar() {
  if (m_pHistWnd->GetSafeHwnd()) m_pHistWnd->DestroyWindow();
  delete m_pHistWnd;
  if (g_pEqualizerBar == this) g_pEqualizerBar = nullptr;
  if (GetDesignRecorder() == this) SetDesignRecorder(nullptr);
  if (GetSearchUi() == this) SetSearchUi(nullptr);
}

int CEqualizerBar::OnCreate(LPCREATESTRUCT lpCreateStruct) {
  if (CDialogBar::OnCreate(lpCreateStruct) == -1) return -1;
  const LPCSTR stripClass =
      AfxRegisterWndClass(0, AfxGetApp()->LoadCursor(IDC_HISTORY_STRIP),
                          static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)), nullptr);
  m_pHistWnd->CreateEx(WS_EX_CLIENTEDGE, stripClass, " ", WS_CHILD | WS_VISIBLE,
                       CRect(10, 10, lpCreateStruct->cx - 10, 90), this, IDW_HISTORY_STRIP);
  return 0;
}

void CEqualizerBar::DoDataExchange(CDataExchange* pDX) {
  CDialogBar::DoDataExchange(pDX);
  for (int s = 0; s < kSliders; ++s) DDX_Control(pDX, IDC_WEIGHT_CONTROL_ACTION - s, m_sliders[s]);
}

// ---- the design shown ------------------------------------------------------------------------

void CEqualizerBar::ShowDesign(CQorexDoc* doc, DesignPart part, int /*sample*/) {
  if (part == DesignPart::kWhole) {
    m_pDoc = doc;
    Refresh();
  } else if (doc == m_pDoc && part == DesignPart::kHistory) {
    RedrawHistory();
  }
}

void CEqualizerBar::ForgetDesign(const CQorexDoc* doc) {
  if (doc != m_pDoc) return;
  m_pDoc = nullptr;
  if (GetSafeHwnd()) Invalidate(TRUE);
  // The strip never shows a closed design's population.
  if (m_pHistWnd->GetSafeHwnd()) m_pHistWnd->Invalidate(TRUE);
}

void CEqualizerBar::ShowTestRun() {
  if (g_pOutputBar) g_pOutputBar->UpdatePanes();
}

void CEqualizerBar::ShowRecorded() {
  m_pHistWnd->ScrollToEnd();
  RedrawHistory();
}

void CEqualizerBar::RedrawHistory() {
  m_pHistWnd->RedrawHistory();
}

// ---- painting ----------------------------------------------------------------------------------

void CEqualizerBar::Refresh() {
  if (!GetSafeHwnd()) return;
  CClientDC dc(this);
  PaintButtons(&dc);
  RedrawHistory();
}

void CEqualizerBar::OnPaint() {
  CPaintDC dc(this);
  PaintButtons(&dc);
}

void CEqualizerBar::PaintButtons(CDC* dc) {
  for (const auto& row : kRows) Blit(dc, row.tile, row.at.x, row.at.y);
  Blit(dc, (m_wRecord & kRecordingOn) ? kSpriteRecordOn : kSpriteRecordOff, kRecordAt.x,
       kRecordAt.y);
}

void CEqualizerBar::DrawPressed(int button) {
  const ButtonSpot* spot = SpotOf(button);
  if (spot == nullptr || !GetSafeHwnd()) return;
  CClientDC dc(this);
  Blit(&dc, spot->pressed, spot->x, spot->y);
}

int CEqualizerBar::HitTest(int x, int y) {
  for (const ButtonSpot& spot : kSpots)
    if (x >= spot.x && x < spot.x + spot.cx && y >= spot.y && y < spot.y + kButtonHeight)
      return spot.button;
  return 0;
}

// ---- the sliders --------------------------------------------------------------------------------

void CEqualizerBar::OnVScroll(UINT nSBCode, UINT nPos, CScrollBar* pScrollBar) {
  CDialogBar::OnVScroll(nSBCode, nPos, pScrollBar);
  const CWnd* from = reinterpret_cast<CWnd*>(pScrollBar);
  if (from == nullptr || from->GetSafeHwnd() == nullptr) return;
  for (int s = 0; s < kSliders; ++s) {
    if (m_sliders[s].GetSafeHwnd() != from->GetSafeHwnd()) continue;
    const int criterion = kSliders - 1 - s;  // the sliders are bound from 1027 down
    const int p = m_sliders[s].GetPos();
    // The weight follows its slider with or without a design to search.
    SetWeight(criterion, p);
    if (p == m_lastSliderPos[criterion]) return;
    m_lastSliderPos[criterion] = p;
    if (m_pDoc == nullptr || Searching() || ShiftHeld()) return;
    CollectFreeVariables();
    Optimize(0);
    return;
  }
}

// ---- the buttons --------------------------------------------------------------------------------

void CEqualizerBar::OnLButtonDown(UINT /*nFlags*/, CPoint point) {
  m_nPressed = m_nHover = HitTest(point.x, point.y);
  if (m_nPressed == 0) return;
  DrawPressed(m_nPressed);
  SetCapture();
}

void CEqualizerBar::OnMouseMove(UINT nFlags, CPoint point) {
  if (GetCapture() != this) {
    CDialogBar::OnMouseMove(nFlags, point);
    return;
  }
  const int hit = HitTest(point.x, point.y);
  if (hit != m_nHover) {
    Refresh();
    if (hit == m_nPressed) DrawPressed(m_nPressed);
  }
  m_nHover = hit;
}

void CEqualizerBar::OnLButtonUp(UINT nFlags, CPoint point) {
  if (GetCapture() != this) {
    CDialogBar::OnLButtonUp(nFlags, point);
    return;
  }
  const int hit = HitTest(point.x, point.y);
  ReleaseCapture();
  Refresh();
  if (hit != 0 && hit == m_nPressed && m_pDoc != nullptr) Act(hit);
}

void CEqualizerBar::OnLButtonDblClk(UINT nFlags, CPoint point) {
  m_nPressed = HitTest(point.x, point.y);
  if (m_nPressed == kButtonRecord) {
    m_wRecord ^= kRecordingOn;
    Refresh();
  }
  if (m_nPressed == 0) CDialogBar::OnLButtonDblClk(nFlags, point);
}

void CEqualizerBar::Act(int button) {
  CQorexDoc* doc = m_pDoc;
  if (button >= kButtonSortFirst && button <= kButtonSortByWeights) {
    doc->SortPopulation(button == kButtonSortByWeights ? -1 : button - kButtonSortFirst);
    return;
  }
  switch (button) {
    case kButtonRecordedPoles:
      if (doc->m_pHistory && doc->m_pHistory->m_nCount > 0) doc->OnGeneticRootLocus();
      break;
    case kButtonKillAll:
    case kButtonKillWorst:
      doc->KillPopulation(button == kButtonKillAll);
      break;
    case kButtonOffspring:
      CreateOffspring();
      break;
    case kButtonRecord:
      RecordDesignForced(kRecordAppend);
      doc->Recalculate();
      break;
    case kButtonGlobal:
    case kButtonLocal:
      CollectFreeVariables();
      Optimize(button == kButtonGlobal ? kEqualizerGlobalButton : kEqualizerLocalButton);
      break;
    default:
      break;
  }
}
