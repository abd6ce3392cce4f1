#include "diagrams/QorexView.h"

#include "ClipboardPicture.h"
#include "GlobalResources.h"
#include "MemDCPaint.h"
#include "QorexDoc.h"
#include "Tips.h"
#include "diagrams/RootLocus.h"
#include "diagrams/RootLocusPropDlg.h"
#include "platform/core/Debug.h"
#include "platform/core/MessageBox.h"
#include "platform/gdi/Gdi.h"
#include "platform/gdi/MetaFileDC.h"
#include "res/resource.h"

IMPLEMENT_DYNCREATE(CQorexView, CScrollView)

BEGIN_MESSAGE_MAP(CQorexView, CScrollView)
ON_WM_CREATE()
ON_WM_DESTROY()
ON_WM_KILLFOCUS()
ON_WM_LBUTTONDOWN()
ON_WM_LBUTTONUP()
ON_WM_LBUTTONDBLCLK()
ON_WM_RBUTTONDOWN()
ON_WM_RBUTTONUP()
ON_WM_MOUSEMOVE()
ON_WM_TIMER()
ON_COMMAND(RLPROPERTIES, OnRLProperties)
ON_COMMAND(FREQPROPERTIES, OnFreqProperties)
ON_COMMAND(DELETEPOLE, OnDeletePole)
ON_COMMAND(REMNODES, OnRemoveAllNodes)
ON_COMMAND(REMNODE, OnRemoveNode)
ON_COMMAND(EDITNODE, OnEditNode)
ON_COMMAND(ADDNODES, OnAddNodes)
ON_UPDATE_COMMAND_UI(ID_INDICATOR_X, OnUpdateIndicatorX)
ON_UPDATE_COMMAND_UI(ID_INDICATOR_Y, OnUpdateIndicatorY)
ON_COMMAND(ID_EDIT_COPY, OnEditCopy)
ON_COMMAND(ID_FILE_PRINT, CView::OnFilePrint)
ON_COMMAND(ID_FILE_PRINT_DIRECT, CView::OnFilePrint)
ON_COMMAND(ID_FILE_PRINT_PREVIEW, CView::OnFilePrintPreview)
END_MESSAGE_MAP()

namespace {

constexpr COLORREF kWhite = RGB(255, 255, 255);

// The clipboard picture is this much taller than the client area (its title).
constexpr int kPictureExtraHeight = 25;

WORD WithType(WORD word, WORD type) {
  return static_cast<WORD>((word & ~kDiagramTypeMask) | (type & kDiagramTypeMask));
}

}  // namespace

// ---- the diagram types -----------------------------------------------------------

const CQorexView::DiagramType CQorexView::kDiagramTypes[] = {
    {kDiagramRootLocus, RLOCUS, ": Root Locus", kDiagramRootLocus,
     &CQorexView::DrawRootLocusDiagram},
    {kDiagramNyquist, NYQUIST, ": Nyquist", kDiagramNyquist, &CQorexView::DrawNyquistGrid},
    {kDiagramInverseNyquist, INYQUIST, ": Inverse Nyquist", kDiagramInverseNyquist,
     &CQorexView::DrawNyquistGrid},
    {kDiagramNichols, NICHOLS, ": Nichols", kDiagramNichols, &CQorexView::DrawCellGrid},
    {kDiagramBode, BODE, ": Bode", kDiagramBode, &CQorexView::DrawCellGrid},
    {kDiagramCharNyquist, CHNYQUIST, ": Characteristic Nyquist", kDiagramNyquist,
     &CQorexView::DrawCharNyquist},
    {kDiagramCharBode, CHBODE, ": Characteristic Bode", kDiagramBode, &CQorexView::DrawCharBode},
};

const CQorexView::DiagramType& CQorexView::DiagramOf(WORD type) {
  for (const DiagramType& d : kDiagramTypes)
    if (d.type == type) return d;
  return kDiagramTypes[0];
}

const CQorexView::DiagramType* CQorexView::DiagramOfCommand(UINT command) {
  for (const DiagramType& d : kDiagramTypes)
    if (d.command == command) return &d;
  return nullptr;
}

const char* CQorexView::DiagramTitleSuffix(int type) {
  return DiagramOf(static_cast<WORD>(type)).titleSuffix;
}

// ---- life cycle -----------------------------------------------------------------------

CQorexView::~CQorexView() {
  delete m_pTips;  // normally gone with the window already
}

CQorexDoc* CQorexView::GetDocument() const {
  ASSERT(!m_pDocument || m_pDocument->IsKindOf(RUNTIME_CLASS(CQorexDoc)));
  return static_cast<CQorexDoc*>(m_pDocument);
}

BOOL CQorexView::PreCreateWindow(CREATESTRUCT& cs) {
  return CScrollView::PreCreateWindow(cs);
}

// The view never scrolls: panning moves the diagram's origin instead.
void CQorexView::OnInitialUpdate() {
  CScrollView::OnInitialUpdate();
  SetScrollSizes(MM_TEXT, CSize(10, 10));
}

void CQorexView::OnUpdate(CView*, LPARAM, CObject*) {
  ValidateRect(nullptr);
  Redraw();
}

// ---- drawing ---------------------------------------------------------------------

void CQorexView::OnDraw(CDC* pDC) {
  CQorexDoc* doc = GetDocument();
  if (!doc) return;
  // A single loop has no characteristic loci of its own: show the element's
  // diagram instead, and stay there.
  const DiagramType* diagram = &DiagramOf(m_wDiagram & kDiagramTypeMask);
  if (diagram->singleLoopType != diagram->type && LoopDimension() == 1) {
    m_wDiagram = WithType(m_wDiagram, diagram->singleLoopType);
    diagram = &DiagramOf(diagram->singleLoopType);
  }
  // Each frequency diagram keeps its own origin and scales in the document.
  if (diagram->type != kDiagramRootLocus) {
    if (!doc->m_pFreqModel) return;
    const QoxDiagView& settings = doc->m_diagView[diagram->type];
    m_ptOrigin = CPoint(settings.nOriginX, settings.nOriginY);
    m_dScaleX = settings.dScaleX;
    m_dScaleY = settings.dScaleY;
  }
  (this->*diagram->draw)(pDC);
}

void CQorexView::DrawRootLocusDiagram(CDC* pDC) {
  CRect client;
  GetClientRect(&client);
  if (g_bClipboardDrawing)
    DrawRootLocusMetafile(pDC, *GetDocument(), client.Width(), client.Height());
  else
    DrawRootLocus(pDC, *GetDocument(), client.Width(), client.Height());
}

void CQorexView::Redraw() {
  PaintThroughMemDC(this, kWhite, [this](CDC* dc) { OnDraw(dc); });
}

// ---- window and focus -----------------------------------------------------------------

int CQorexView::OnCreate(LPCREATESTRUCT lpCreateStruct) {
  if (CScrollView::OnCreate(lpCreateStruct) == -1) return -1;
  m_pTips = new CTips;
  SetScrollSizes(MM_TEXT, CSize(10, 10));
  return 0;
}

void CQorexView::OnDestroy() {
  CScrollView::OnDestroy();
  if (m_pTips) {
    if (m_pTips->GetSafeHwnd()) m_pTips->DestroyWindow();
    delete m_pTips;
    m_pTips = nullptr;
  }
}

// An activated design is the one every bar shows, also when the keyboard
// stays in a floating bar (the Window menu chosen from it), so that what is
// typed next reaches it. The bars turn before the keyboard comes to the view:
// what is pending in a bar's edit then goes to the design it was typed for by
// UpdateAll, before any bar turns, and not by the edit losing the keyboard
// while the window shows one design and the bars another. One activation
// turns them once: a new window is told twice (by the MDI area and by its
// initial update), and a design the bars show already costs no pass. The
// keyboard coming to a view turns nothing: a closing dialog or box that hands
// it back to the active design's view shows no other design.
void CQorexView::OnActivateView(BOOL bActivate, CView* pActivateView, CView* pDeactiveView) {
  if (bActivate && pActivateView == this) {
    if (CQorexDoc* doc = GetDocument(); doc && !doc->ShownInBars()) doc->UpdateAll();
  }
  CScrollView::OnActivateView(bActivate, pActivateView, pDeactiveView);
}

void CQorexView::OnKillFocus(CWnd* pNewWnd) {
  if (CQorexDoc* doc = GetDocument()) doc->OnViewKillFocus();
  CScrollView::OnKillFocus(pNewWnd);
}

// ---- commands ---------------------------------------------------------------------

BOOL CQorexView::OnCmdMsg(UINT nID, int nCode, void* pExtra, AFX_CMDHANDLERINFO* pHandlerInfo) {
  if (const DiagramType* diagram = nCode == CN_COMMAND ? DiagramOfCommand(nID) : nullptr) {
    if (pHandlerInfo) {
      pHandlerInfo->pTarget = this;
      return TRUE;
    }
    OnDiagram(diagram->type);
    return TRUE;
  }
  return CScrollView::OnCmdMsg(nID, nCode, pExtra, pHandlerInfo);
}

void CQorexView::OnDiagram(WORD type) {
  m_wDiagram = type;
  Redraw();
}

void CQorexView::OnRLProperties() {
  CQorexDoc* doc = GetDocument();
  if (!doc || !EditRootLocusProperties(nullptr)) return;
  doc->Recalculate();
  doc->UpdateAll();
}

// ---- clipboard picture and printing ---------------------------------------------------

void CQorexView::OnEditCopy() {
  if (!GetDocument()) return;
  CRect client;
  GetClientRect(&client);
  const int width = client.Width(), height = client.Height();
  PutPictureOnClipboard(
      this, {width, height + kPictureExtraHeight, [&] { return RecordPicture(width, height); }});
}

HMETAFILE CQorexView::RecordPicture(int width, int height) {
  CString title = GetDocument()->GetTitle();
  title += DiagramTitleSuffix(m_wDiagram & kDiagramTypeMask);
  return RecordFramedPicture({title, width, height, true, true, [this](CDC* dc) { OnDraw(dc); }});
}

BOOL CQorexView::OnPreparePrinting(CPrintInfo* pInfo) {
  return DoPreparePrinting(pInfo);
}

// Printing draws with the screen routine at the view's client size; nothing
// to prepare or release around it.
void CQorexView::OnBeginPrinting(CDC*, CPrintInfo*) {}

void CQorexView::OnEndPrinting(CDC*, CPrintInfo*) {}
