#include "editing/ChooseDlg.h"

#include "GlobalResources.h"
#include "MC/MC_BASIC.h"
#include "MC/MXC_BIN.h"
#include "QorexDoc.h"
#include "platform/gdi/DC.h"
#include "platform/ui/DataExchange.h"

#include <algorithm>

namespace {
constexpr double kScale = 0.75;                          // items show the entries at 3/4 size
constexpr int kMaxItemHeight = 150;                      // pixels
constexpr int kBandBelowList = 100;                      // pixels repainted below the list
constexpr COLORREF kSelectionMask = RGB(255, 255, 120);  // inverted: RGB(0, 0, 135)

// Removes entry i of a library, the later entries moving down one place.
void DeleteLibraryEntry(CMXC_BIN& library, int i) {
  delete library.m_items[i];
  for (int j = i + 1; j < library.m_count; ++j) library.m_items[j - 1] = library.m_items[j];
  --library.m_count;
}

int Scaled(int pixels) {
  return static_cast<int>(pixels / kScale + 0.5);
}
}  // namespace

CChooseDlg::CChooseDlg(CWnd* pParent) : CDialog(IDD_CHOOSE, pParent) {}

CChooseDlg::~CChooseDlg() = default;

BEGIN_MESSAGE_MAP(CChooseDlg, CDialog)
ON_BN_CLICKED(IDC_CHOOSE_DELETE, OnDelete)
ON_LBN_DBLCLK(IDC_CHOOSE_LIST, OnDblclkList)
ON_WM_MEASUREITEM()
ON_WM_DRAWITEM()
END_MESSAGE_MAP()

int CChooseDlg::ItemHeight(int layoutHeight) {
  const int h = static_cast<int>(layoutHeight * kScale + 0.5);
  return std::clamp(h, 1, kMaxItemHeight);
}

void CChooseDlg::DoDataExchange(CDataExchange* pDX) {
  CDialog::DoDataExchange(pDX);
  DDX_Control(pDX, IDC_CHOOSE_LIST, m_wndList);
}

CMXC_BIN* CChooseDlg::Library() const {
  if (m_pDoc == nullptr) return nullptr;
  return m_bSignals ? &m_pDoc->m_signalLibrary : &m_pDoc->m_modelLibrary;
}

const CMcBasic* CChooseDlg::CopyAt(int i) const {
  return i >= 0 && i < static_cast<int>(m_copies.size()) ? m_copies[i].get() : nullptr;
}

BOOL CChooseDlg::OnInitDialog() {
  CDialog::OnInitDialog();
  CMXC_BIN* library = Library();
  if (library == nullptr) return TRUE;
  m_copies.clear();
  for (int i = 0; i < library->GetCount(); ++i) {
    CMcBasic* copy = library->GetAt(i) ? library->GetAt(i)->Clone() : nullptr;
    if (copy) {
      copy->m_parent = nullptr;
      copy->m_box.x = copy->m_box.y = 0;
      if (g_pMemDC) copy->Layout(g_pMemDC, kMcLayoutFromTop);
    }
    m_copies.emplace_back(copy);
  }
  for (int i = 0; i < library->GetCount(); ++i) m_wndList.AddString("");
  return TRUE;
}

void CChooseDlg::OnMeasureItem(int nIDCtl, LPMEASUREITEMSTRUCT lpMeasureItemStruct) {
  if (nIDCtl != IDC_CHOOSE_LIST || Library() == nullptr) {
    CDialog::OnMeasureItem(nIDCtl, lpMeasureItemStruct);
    return;
  }
  const CMcBasic* copy = CopyAt(static_cast<int>(lpMeasureItemStruct->itemID));
  if (copy == nullptr) {
    lpMeasureItemStruct->itemHeight = 1;
    return;
  }
  lpMeasureItemStruct->itemHeight = static_cast<UINT>(ItemHeight(copy->m_box.height));
}

void CChooseDlg::OnDrawItem(int nIDCtl, LPDRAWITEMSTRUCT lpDrawItemStruct) {
  const DRAWITEMSTRUCT& item = *lpDrawItemStruct;
  const CMcBasic* copy = Library() ? CopyAt(static_cast<int>(item.itemID)) : nullptr;
  CDC* dc = CDC::FromHandle(item.hDC);
  if (nIDCtl != IDC_CHOOSE_LIST || copy == nullptr || dc == nullptr || g_pMemDC == nullptr) return;
  const CRect rc(item.rcItem);

  if (item.itemAction & ODA_DRAWENTIRE) {
    // The band under the list, where a tall item's drawing may have run over.
    CRect list;
    m_wndList.GetWindowRect(&list);
    ScreenToClient(&list);
    InvalidateRect(CRect(list.left, list.bottom - 2, list.right, list.bottom + kBandBelowList),
                   TRUE);
  }

  const int saved = dc->SaveDC();
  dc->IntersectClipRect(&rc);
  dc->SetMapMode(MM_ANISOTROPIC);
  dc->SetWindowExt(400, 400);
  dc->SetViewportExt(300, 300);
  const int left = Scaled(rc.left), top = Scaled(rc.top);
  const int width = Scaled(rc.Width()), height = Scaled(rc.Height());
  dc->SetTextColor(RGB(0, 0, 0));
  dc->SetBkMode(TRANSPARENT);
  dc->SetTextAlign(TA_BASELINE);
  dc->SelectObject(g_fonts[kFontItalic][0]);
  dc->SelectObject(g_pens[0][0]);
  dc->FillSolidRect(0, top, width, height, RGB(255, 255, 255));
  copy->Draw(dc, left + 1 - copy->m_box.x, top - copy->m_box.y + 2);
  dc->RestoreDC(saved);  // mapping, clipping and selections as they were

  if (item.itemState & ODS_SELECTED) {
    // White paper and black ink become RGB(0, 0, 135) and white.
    g_pMemDC->FillSolidRect(0, 0, rc.Width(), rc.Height(), kSelectionMask);
    g_pMemDC->BitBlt(0, 0, rc.Width(), rc.Height(), dc, rc.left, rc.top, SRCAND);
    dc->BitBlt(rc.left, rc.top, rc.Width(), rc.Height(), g_pMemDC, 0, 0, NOTSRCCOPY);
  }
}

void CChooseDlg::OnDelete() {
  CMXC_BIN* library = Library();
  if (library == nullptr) return;
  UpdateData(TRUE);
  const int sel = m_wndList.GetCurSel();
  if (sel < 0 || sel >= library->GetCount()) {
    MessageBeep(static_cast<UINT>(-1));
    return;
  }
  DeleteLibraryEntry(*library, sel);
  if (sel < static_cast<int>(m_copies.size())) m_copies.erase(m_copies.begin() + sel);
  m_wndList.DeleteString(static_cast<UINT>(sel));
  m_pDoc->SetModifiedFlag(TRUE);
}

void CChooseDlg::OnOK() {
  UpdateData(TRUE);
  m_nSelected = m_wndList.GetCurSel();
  EndDialog(IDOK);
}

void CChooseDlg::OnDblclkList() {
  if (m_pDoc) OnOK();
}
