#include "editing/EditSignals.h"

#include "MC/MC_GROUP.h"
#include "QorexDoc.h"
#include "editing/DefinitionLists.h"
#include "platform/ui/DataExchange.h"

using namespace defedit;

CEditSignals::CEditSignals(CWnd* pParent)
    : CDialog(IDD_EDITSIGNALS, pParent), m_nSignal(kSigC), m_bShowSignal(FALSE) {}

CEditSignals::~CEditSignals() = default;

BEGIN_MESSAGE_MAP(CEditSignals, CDialog)
ON_WM_CREATE()
ON_CBN_SELCHANGE(IDC_SIGNAL, OnSelchangeSignal)
ON_BN_CLICKED(IDC_ADD_TO_LIBRARY, OnAdd)
ON_BN_CLICKED(IDC_CHOOSE, OnChoose)
END_MESSAGE_MAP()

void CEditSignals::DoDataExchange(CDataExchange* pDX) {
  CDialog::DoDataExchange(pDX);
  DDX_Control(pDX, IDC_SIGNAL_SHOW, m_chkShow);
  DDX_CBIndex(pDX, IDC_SIGNAL, m_nSignal);
  DDX_Check(pDX, IDC_SIGNAL_SHOW, m_bShowSignal);
}

int CEditSignals::OnCreate(LPCREATESTRUCT lpCreateStruct) {
  if (CDialog::OnCreate(lpCreateStruct) == -1) return -1;
  if (m_nSignal < 0 || m_nSignal >= kSignalCount) m_nSignal = kSigC;
  if (m_pDoc) {
    FillList(m_wndEditor.m_pList, m_pDoc->m_signals, true);
    m_wndEditor.m_pList->m_current = static_cast<WORD>(m_nSignal);
    FillList(m_wndEditor.m_pList2, m_pDoc->m_models, false);
    if (const WORD* flag = SignalShowFlag(m_pDoc, m_nSignal)) m_bShowSignal = *flag & 1;
    m_definitionsBefore = SnapshotDefinitions(m_pDoc);
  }
  CRect client;
  GetClientRect(&client);
  CreateEditor(m_wndEditor, this, CRect(10, 46, client.Width() - 10, client.Height() - 10));
  return 0;
}

BOOL CEditSignals::OnInitDialog() {
  CDialog::OnInitDialog();
  ShowCheck();
  return TRUE;
}

void CEditSignals::ShowCheck() {
  if (m_chkShow.GetSafeHwnd()) m_chkShow.ShowWindow(m_nSignal <= kSigN ? SW_SHOW : SW_HIDE);
}

void CEditSignals::OnSelchangeSignal() {
  if (m_pDoc == nullptr) return;
  const int old = m_wndEditor.m_pList->m_current;
  AdjustCopies(m_pDoc, m_wndEditor, old, false);
  LayoutList(m_wndEditor.m_pList);
  UpdateData(TRUE);
  if (m_nSignal < 0 || m_nSignal >= kSignalCount) m_nSignal = old;
  m_wndEditor.m_pList->m_current = static_cast<WORD>(m_nSignal);
  m_wndEditor.Invalidate(TRUE);
  if (WORD* flag = SignalShowFlag(m_pDoc, old))
    SetDesignWord(m_pDoc, *flag, static_cast<WORD>(m_bShowSignal ? 1 : 0));
  const WORD* shown = SignalShowFlag(m_pDoc, m_nSignal);
  m_bShowSignal = shown ? *shown & 1 : 0;
  ShowCheck();
  UpdateData(FALSE);
}

void CEditSignals::OnOK() {
  if (m_pDoc == nullptr) {
    CDialog::OnOK();
    return;
  }
  // Something else changed the design meanwhile (a picker, a drag in the
  // view, a search): putting the copies back would undo it.
  if (SnapshotDefinitions(m_pDoc) != m_definitionsBefore) {
    MessageBox(kOlderCopiesMessage, "Error", MB_OK | MB_ICONEXCLAMATION);
    return;
  }
  CMcGroup* signals = m_wndEditor.m_pList;
  // Lists without a whole design (a definition that could not be copied)
  // are never committed.
  const bool whole = AdjustCopies(m_pDoc, m_wndEditor, signals->m_current, false);
  BindList(m_pDoc, signals);
  bool valid = whole;
  for (int i = 0; valid && i < signals->m_count; ++i)
    valid = m_pDoc->m_system.CanBuildSignal(m_pDoc, signals->m_children[i]) != 0;
  if (!valid) {
    LayoutList(signals);
    m_wndEditor.Redraw();
    MessageBox(kInvalidMessage, "Error", MB_OK | MB_ICONEXCLAMATION);
    // The keyboard goes to what must be mended, as a refused field gets it
    // back; the editor takes up its edit where the caret stood.
    m_wndEditor.SetFocus();
    return;
  }
  MoveListInto(signals, m_pDoc->m_signals);
  MoveListInto(m_wndEditor.m_pList2, m_pDoc->m_models);
  UpdateData(TRUE);
  if (WORD* flag = SignalShowFlag(m_pDoc, m_nSignal))
    SetDesignWord(m_pDoc, *flag, static_cast<WORD>(m_bShowSignal ? 1 : 0));
  CDialog::OnOK();
  m_pDoc->UpdateUsedVariables();
  m_pDoc->Recalculate();
  m_pDoc->UpdateAll();
}

void CEditSignals::OnAdd() {
  if (m_pDoc) AddShownToLibrary(m_wndEditor, m_pDoc, m_pDoc->m_signalLibrary);
}

void CEditSignals::OnChoose() {
  if (m_pDoc) ReplaceShown(m_wndEditor, ChooseEntry(this, m_pDoc, true));
}
