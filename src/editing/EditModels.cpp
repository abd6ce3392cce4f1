#include "editing/EditModels.h"

#include "GlobalResources.h"
#include "MC/MC_GROUP.h"
#include "QorexDoc.h"
#include "editing/AddControllerDlg.h"
#include "editing/AddDeadTimeDlg.h"
#include "editing/DefinitionLists.h"
#include "editing/ModelBuilders.h"
#include "platform/ui/DataExchange.h"

using namespace defedit;

CEditModels::CEditModels(CWnd* pParent)
    : CDialog(IDD_EDITMODELS, pParent),
      m_nModel(kModelG),
      m_bShowPolesZeros(FALSE),
      m_bAllowModification(FALSE),
      m_bEnsureSquare(FALSE) {}

CEditModels::~CEditModels() = default;

BEGIN_MESSAGE_MAP(CEditModels, CDialog)
ON_WM_CREATE()
ON_CBN_SELCHANGE(IDC_MODEL, OnSelchangeModel)
ON_BN_CLICKED(IDC_MODEL_DEADTIME, OnDeadTime)
ON_BN_CLICKED(IDC_MODEL_BUILD, OnBuild)
ON_BN_CLICKED(IDC_ADD_TO_LIBRARY, OnAdd)
ON_BN_CLICKED(IDC_CHOOSE, OnChoose)
END_MESSAGE_MAP()

void CEditModels::DoDataExchange(CDataExchange* pDX) {
  CDialog::DoDataExchange(pDX);
  DDX_Control(pDX, IDC_MODEL_BUILD, m_btnBuild);
  DDX_CBIndex(pDX, IDC_MODEL, m_nModel);
  DDX_Check(pDX, IDC_MODEL_SHOW_POLES, m_bShowPolesZeros);
  DDX_Check(pDX, IDC_MODEL_ALLOW_TUNING, m_bAllowModification);
  DDX_Check(pDX, IDC_MODEL_SQUARE, m_bEnsureSquare);
}

int CEditModels::OnCreate(LPCREATESTRUCT lpCreateStruct) {
  if (CDialog::OnCreate(lpCreateStruct) == -1) return -1;
  if (m_nModel < 0 || m_nModel >= kModelCount) m_nModel = kModelG;
  if (m_pDoc) {
    FillList(m_wndEditor.m_pList, m_pDoc->m_models, true);
    m_wndEditor.m_pList->m_current = static_cast<WORD>(m_nModel);
    FillList(m_wndEditor.m_pList2, m_pDoc->m_signals, false);
  }
  CRect client;
  GetClientRect(&client);
  CreateEditor(m_wndEditor, this, CRect(10, 40, client.Width() - 10, client.Height() - 33));
  if (m_pDoc) {
    LoadFlags(m_nModel);
    m_modelsBefore = SnapshotModels(m_pDoc);
    m_definitionsBefore = SnapshotDefinitions(m_pDoc);
  }
  return 0;
}

BOOL CEditModels::OnInitDialog() {
  CDialog::OnInitDialog();
  ShowBuild();
  return TRUE;
}

void CEditModels::LoadFlags(int model) {
  const WORD flags = ModelFlags(m_pDoc, model);
  m_bShowPolesZeros = (flags & kBlockShowRoots) != 0;
  m_bEnsureSquare = (flags & kBlockEnsureSquare) != 0;
  m_bAllowModification = (flags & kBlockTunable) != 0;
}

void CEditModels::StoreFlags(int model) {
  WORD& flags = ModelFlags(m_pDoc, model);
  SetDesignBits(m_pDoc, flags, kBlockShowRoots, m_bShowPolesZeros != FALSE);
  SetDesignBits(m_pDoc, flags, kBlockEnsureSquare, m_bEnsureSquare != FALSE);
  SetDesignBits(m_pDoc, flags, kBlockTunable, m_bAllowModification != FALSE);
}

void CEditModels::ShowBuild() {
  if (m_btnBuild.GetSafeHwnd()) m_btnBuild.ShowWindow(m_nModel == kModelK ? SW_SHOW : SW_HIDE);
}

void CEditModels::ShowChanged() {
  if (CMcBasic* shown = m_wndEditor.GetShownExpression())
    if (g_pMemDC) shown->Layout(g_pMemDC, kMcLayoutFromTop);
  m_wndEditor.Redraw();
}

void CEditModels::OnSelchangeModel() {
  if (m_pDoc == nullptr) return;
  const int old = m_wndEditor.m_pList->m_current;
  AdjustCopies(m_pDoc, m_wndEditor, old, true);
  LayoutList(m_wndEditor.m_pList);
  UpdateData(TRUE);  // the new model; the flags as the user left them for the old one
  if (m_nModel < 0 || m_nModel >= kModelCount) m_nModel = old;
  m_wndEditor.m_pList->m_current = static_cast<WORD>(m_nModel);
  m_wndEditor.Invalidate(TRUE);
  if (old >= 0 && old < kModelCount) StoreFlags(old);
  LoadFlags(m_nModel);
  ShowBuild();
  UpdateData(FALSE);
}

void CEditModels::OnOK() {
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
  CMcGroup* models = m_wndEditor.m_pList;
  // Lists without a whole design (a definition that could not be copied)
  // are never committed.
  const bool whole = AdjustCopies(m_pDoc, m_wndEditor, models->m_current, true);
  BindList(m_pDoc, models);
  bool valid = whole;
  for (int i = 0; valid && i < models->m_count; ++i)
    valid = m_pDoc->m_system.CanBuildModel(m_pDoc, models->m_children[i]) != 0;
  if (!valid) {
    LayoutList(models);
    m_wndEditor.Redraw();
    MessageBox(kInvalidMessage, "Error", MB_OK | MB_ICONEXCLAMATION);
    // The keyboard goes to what must be mended, as a refused field gets it
    // back; the editor takes up its edit where the caret stood.
    m_wndEditor.SetFocus();
    return;
  }
  MoveListInto(models, m_pDoc->m_models);
  MoveListInto(m_wndEditor.m_pList2, m_pDoc->m_signals);
  UpdateData(TRUE);
  StoreFlags(m_nModel);
  CDialog::OnOK();
  m_pDoc->UpdateUsedVariables();
  m_pDoc->Recalculate();
  m_pDoc->UpdateAll();
  if (SnapshotModels(m_pDoc) != m_modelsBefore) m_pDoc->UpdateHistory();
}

void CEditModels::OnAdd() {
  if (m_pDoc) AddShownToLibrary(m_wndEditor, m_pDoc, m_pDoc->m_modelLibrary);
}

void CEditModels::OnChoose() {
  if (m_pDoc) ReplaceShown(m_wndEditor, ChooseEntry(this, m_pDoc, false));
}

void CEditModels::OnBuild() {
  if (m_pDoc == nullptr) return;
  CAddControllerDlg dlg(this);
  CMcGroup* models = m_wndEditor.m_pList;
  const int shown = models->m_current;
  const bool whole = AdjustCopies(m_pDoc, m_wndEditor, shown, true);
  LayoutList(models);
  if (dlg.DoModal() != IDOK || !whole) {
    m_wndEditor.Redraw();
    return;
  }
  BuildController(models->m_children[shown], models->m_children[kModelG], dlg.Spec(),
                  &m_pDoc->m_vars);
  // D and iT were bound and given their values.
  if (dlg.m_nType == kControllerPD || dlg.m_nType == kControllerPID) m_pDoc->SetModifiedFlag(TRUE);
  ShowChanged();
}

void CEditModels::OnDeadTime() {
  if (m_pDoc == nullptr) return;
  CAddDeadTimeDlg dlg(this);
  CMcGroup* models = m_wndEditor.m_pList;
  const int shown = models->m_current;
  const bool whole = AdjustCopies(m_pDoc, m_wndEditor, shown, true);
  LayoutList(models);
  if (!whole) {
    m_wndEditor.Redraw();
    return;
  }
  DefinitionSize(models->m_children[shown], &dlg.m_nRows, &dlg.m_nCols);
  if (dlg.DoModal() != IDOK || dlg.m_nOrder < 1) {
    m_wndEditor.Redraw();
    return;
  }
  const DeadTimeSpec spec = dlg.Spec();
  if (AddDeadTime(models->m_children[shown], shown, spec, &m_pDoc->m_vars) && !spec.fixed)
    m_pDoc->SetModifiedFlag(TRUE);  // tau was bound and given the amount
  ShowChanged();
}
