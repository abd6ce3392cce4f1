#include "editing/VarBar.h"

#include "QorexDoc.h"
#include "diagrams/AxisScale.h"
#include "platform/core/MessageBox.h"
#include "platform/ui/DataExchange.h"
#include "res/resource.h"

#include <QScopeGuard>

#include <algorithm>
#include <cfloat>
#include <cmath>
#include <utility>

CVarBar* g_pVarBar = nullptr;

namespace {
// The data exchange's own prompt for text that is no number.
constexpr const char* kEnterNumber = "Please enter a number.";
// Posted to the bar itself: the held prompt, once the activation of another
// design has run to its end (the frame's caption follows the bars).
constexpr UINT kWmSayHeldPrompt = WM_APP + 20;
}  // namespace

IMPLEMENT_DYNAMIC(CVarBar, CDialogBar)

BEGIN_MESSAGE_MAP(CVarBar, CDialogBar)
ON_LBN_SELCHANGE(IDC_VARLIST, OnSelchangeList)
ON_WM_HSCROLL()
ON_EN_KILLFOCUS(IDC_VALUE, OnKillfocusValue)
ON_EN_KILLFOCUS(IDC_MINIMUM, OnKillfocusMin)
ON_EN_KILLFOCUS(IDC_MAXIMUM, OnKillfocusMax)
ON_EN_CHANGE(IDC_VALUE, OnChangeValue)
ON_EN_CHANGE(IDC_MINIMUM, OnChangeMin)
ON_EN_CHANGE(IDC_MAXIMUM, OnChangeMax)
ON_EN_SETFOCUS(IDC_VALUE, OnSetfocusValue)
ON_EN_SETFOCUS(IDC_MINIMUM, OnSetfocusMin)
ON_EN_SETFOCUS(IDC_MAXIMUM, OnSetfocusMax)
ON_CBN_SELENDOK(IDC_LOCUS, OnSelendokLocus)
ON_CBN_SELENDOK(IDC_COLOUR, OnSelendokColour)
ON_MESSAGE(kWmSayHeldPrompt, OnSayHeldPrompt)
END_MESSAGE_MAP()

CVarBar::CVarBar() {
  g_pVarBar = this;
}

CVarBar::~CVarBar() {
  if (g_pVarBar == this) g_pVarBar = nullptr;
}

void CVarBar::ShowDesign(CQorexDoc* doc, DesignPart part, int /*sample*/) {
  if (part == DesignPart::kWhole) {
    // Inside UpdateAll the edit went to its design before the bars turned.
    if (doc != m_pDoc && !BarsTurning()) TakeFocusedEdit();
    m_pDoc = doc;
    UpdateBar(TRUE);
  } else if (doc == m_pDoc && part == DesignPart::kVariables) {
    UpdateBar(FALSE);
  }
}

void CVarBar::TakeFocusedEdit() {
  const CWnd* focus = CWnd::GetFocus();
  if (m_pDoc == nullptr || focus == nullptr || !GetSafeHwnd()) return;
  const HWND hFocus = focus->GetSafeHwnd();
  const auto holds = [this, hFocus](int nID) {
    const CWnd* item = GetDlgItem(nID);
    return item != nullptr && item->GetSafeHwnd() == hFocus;
  };
  if (holds(IDC_VALUE))
    OnKillfocusValue();
  else if (holds(IDC_MINIMUM))
    OnKillfocusMin();
  else if (holds(IDC_MAXIMUM))
    OnKillfocusMax();
}

void CVarBar::TakePendingEdit(const CQorexDoc* next) {
  if (next == m_pDoc) return;
  // With no design to turn to (a design asked about on its way out) the
  // prompt comes at once, before the question.
  const bool hold = std::exchange(m_bHoldPrompt, next != nullptr || m_bHoldPrompt);
  const auto restore = qScopeGuard([this, hold] { m_bHoldPrompt = hold; });
  TakeFocusedEdit();
}

void CVarBar::SayHeldPrompt() {
  if (std::exchange(m_bPromptHeld, false) && GetSafeHwnd()) PostMessage(kWmSayHeldPrompt);
}

LRESULT CVarBar::OnSayHeldPrompt(WPARAM, LPARAM) {
  AfxMessageBox(kEnterNumber, MB_ICONEXCLAMATION);
  return 0;
}

void CVarBar::ForgetDesign(const CQorexDoc* doc) {
  if (doc != m_pDoc && doc != m_pListedDoc) return;
  m_pDoc = nullptr;
  if (m_pListedDoc == doc) m_pListedDoc = nullptr;
  UpdateBar(FALSE);
}

void CVarBar::DoDataExchange(CDataExchange* pDX) {
  CDialogBar::DoDataExchange(pDX);
  DDX_Control(pDX, IDC_VALUE_SLIDER, m_wndSlider);
  DDX_Control(pDX, IDC_VARLIST, m_wndList);
  DDX_CBIndex(pDX, IDC_COLOUR, m_nColour);
  DDX_CBIndex(pDX, IDC_LOCUS, m_nLocus);
  DDX_Text(pDX, IDC_MAXIMUM, m_dMax);
  DDX_Text(pDX, IDC_MINIMUM, m_dMin);
  DDX_Text(pDX, IDC_VALUE, m_dValue);
}

int CVarBar::SliderPosition(double value, double minimum, double maximum, int lo, int hi) {
  // In double throughout: an empty or non-finite range and values far outside
  // it must not reach the integer conversion.
  if (maximum == minimum) return std::clamp(0, lo, hi);
  // Halves keep the differences of a range as wide as the doubles finite.
  const double fraction = (value * 0.5 - minimum * 0.5) / (maximum * 0.5 - minimum * 0.5);
  const double p = Round((static_cast<double>(hi) - lo) * fraction);
  if (std::isnan(p)) return std::clamp(0, lo, hi);
  return static_cast<int>(std::clamp(p, static_cast<double>(lo), static_cast<double>(hi)));
}

double CVarBar::SliderValue(int position, double minimum, double maximum, int lo, int hi) {
  if (hi == lo) return minimum;
  const double span = static_cast<double>(hi) - lo;
  const double width = maximum - minimum;
  if (std::isfinite(width)) return minimum + width * position / span;
  const double t = position / span;  // a range too wide for its difference
  return minimum * (1.0 - t) + maximum * t;
}

namespace {
// The bar placing its own slider: once placed, the position is the last one
// acted on, so that the slider check in OnHScroll takes no move of the bar's
// own for the user's.
class SliderFill {
 public:
  SliderFill(CSliderCtrl& slider, int& lastPos) : m_slider(slider), m_lastPos(lastPos) {}
  ~SliderFill() { m_lastPos = m_slider.GetPos(); }
  SliderFill(const SliderFill&) = delete;
  SliderFill& operator=(const SliderFill&) = delete;

 private:
  CSliderCtrl& m_slider;
  int& m_lastPos;
};
}  // namespace

int CVarBar::Selected() const {
  if (!m_wndList.GetSafeHwnd()) return -1;
  const int sel = m_wndList.GetCurSel();
  return sel < 0 ? -1 : static_cast<int>(m_wndList.GetItemData(sel));
}

void CVarBar::PlaceSlider(double value, double minimum, double maximum) {
  if (!m_wndSlider.GetSafeHwnd()) return;
  int lo = 0, hi = 0;
  m_wndSlider.GetRange(lo, hi);
  const SliderFill fill(m_wndSlider, m_nLastPos);
  m_wndSlider.SetPos(SliderPosition(value, minimum, maximum, lo, hi));
}

void CVarBar::UpdateBar(BOOL bSameDocument) {
  if (!GetSafeHwnd()) {
    m_pListedDoc = m_pDoc;
    return;
  }
  m_dValue = 0;
  m_dMin = -10;
  m_dMax = 10;
  m_nLocus = 0;
  m_nColour = 0;
  if (!m_pDoc) {
    UpdateData(FALSE);  // attaches the controls the first time
    m_wndList.ResetContent();
    m_pListedDoc = nullptr;
    if (m_wndSlider.GetSafeHwnd()) {
      int lo = 0, hi = 0;
      m_wndSlider.GetRange(lo, hi);
      const SliderFill fill(m_wndSlider, m_nLastPos);
      m_wndSlider.SetPos((hi - lo) / 2);
    }
    return;
  }
  UpdateData(FALSE);
  if (!m_wndList.GetSafeHwnd()) return;
  if (m_pListedDoc != m_pDoc || !bSameDocument) {
    m_wndList.ResetContent();
    m_pListedDoc = m_pDoc;
    m_pDoc->m_vars.FillList(&m_wndList);
  }
  if (m_wndList.GetCount() > 0 && m_wndList.GetCurSel() < 0) m_wndList.SetCurSel(0);
  const int user = Selected();
  if (user >= 0) {
    m_pDoc->m_vars.Get(user, &m_dValue, &m_dMin, &m_dMax);
    m_pDoc->GetVarPointCell(user, &m_nLocus, &m_nColour);
  }
  PlaceSlider(m_dValue, m_dMin, m_dMax);
  UpdateData(FALSE);
}

void CVarBar::OnSelchangeList() {
  UpdateBar(TRUE);
}

void CVarBar::ApplyValue() {
  m_pDoc->RecordedRecalculate();  // shows the new value in this bar too
}

void CVarBar::OnHScroll(UINT nSBCode, UINT nPos, CScrollBar* pScrollBar) {
  CDialogBar::OnHScroll(nSBCode, nPos, pScrollBar);
  if (!m_pDoc) return;
  if (m_pListedDoc != m_pDoc) {
    UpdateBar(FALSE);
    return;
  }
  ReadFieldsQuietly();
  const CWnd* from = reinterpret_cast<CWnd*>(pScrollBar);
  if (!from || !m_wndSlider.GetSafeHwnd() || from->GetSafeHwnd() != m_wndSlider.GetSafeHwnd())
    return;
  const int user = Selected();
  if (user < 0) return;
  const int p = m_wndSlider.GetPos();
  if (p == m_nLastPos) return;
  m_nLastPos = p;
  double value, minimum, maximum;
  m_pDoc->m_vars.Get(user, &value, &minimum, &maximum);
  int lo = 0, hi = 0;
  m_wndSlider.GetRange(lo, hi);
  const double v = SliderValue(p, minimum, maximum, lo, hi);
  if (!std::isfinite(v)) return;
  m_pDoc->m_vars.SetValue(user, v);
  ApplyValue();
}

BOOL CVarBar::ReadForEdit() {
  if (!m_pDoc) return FALSE;
  ReadFieldsQuietly();
  if (!m_wndList.GetSafeHwnd()) return FALSE;
  if (m_pListedDoc != m_pDoc) {
    UpdateBar(FALSE);
    return FALSE;
  }
  return TRUE;
}

void CVarBar::ReadFieldsQuietly() {
  QxUpdateData(this, TRUE, [this](CDataExchange* pDX) {
    DDX_Control(pDX, IDC_VALUE_SLIDER, m_wndSlider);
    DDX_Control(pDX, IDC_VARLIST, m_wndList);
    DDX_CBIndex(pDX, IDC_COLOUR, m_nColour);
    DDX_CBIndex(pDX, IDC_LOCUS, m_nLocus);
  });
  const struct {
    int nID;
    double& field;
  } edits[] = {{IDC_VALUE, m_dValue}, {IDC_MINIMUM, m_dMin}, {IDC_MAXIMUM, m_dMax}};
  for (const auto& edit : edits) {
    if (GetDlgItem(edit.nID) == nullptr) continue;
    CString text;
    GetDlgItemText(edit.nID, text);
    double typed = 0;
    if (QxParseDouble(text, typed)) edit.field = typed;
  }
}

BOOL CVarBar::TakeTyped(int nID, double& field) {
  if (GetDlgItem(nID) == nullptr) return FALSE;
  CString text;
  GetDlgItemText(nID, text);
  double typed = 0;
  if (QxParseDouble(text, typed)) {
    field = typed;
    return TRUE;
  }
  const int user = m_pDoc && m_pListedDoc == m_pDoc ? Selected() : -1;
  if (user >= 0) {
    double value, minimum, maximum;
    m_pDoc->m_vars.Get(user, &value, &minimum, &maximum);
    field = nID == IDC_VALUE ? value : nID == IDC_MINIMUM ? minimum : maximum;
  }
  // Said already, and the text is still the one refused: the keyboard's
  // passes through other windows on its way back (each window activation
  // the box and its answer asked for) leave the edit again.
  if (m_nRefusedEdit == nID) return FALSE;
  // Shown again before the message: the focus changes that the message box
  // brings read this edit too.
  SetDlgItemText(nID, QxFormatDouble(field));
  if (m_bHoldPrompt) {
    m_bPromptHeld = true;
    return FALSE;
  }
  AfxMessageBox(kEnterNumber, MB_ICONEXCLAMATION);
  if (!GetSafeHwnd() || GetDlgItem(nID) == nullptr) return FALSE;
  // Left for another window (a click into a design): the text goes back
  // into the edit, selected, with the keyboard, so that the user corrects
  // it. Left within the bar, the keys stay where the user took them.
  if (const CWnd* focus = CWnd::GetFocus(); focus == nullptr || !IsChild(focus)) {
    SetDlgItemText(nID, text);
    m_nRefusedEdit = nID;
    CDataExchange dx(this, TRUE);
    dx.PrepareEditCtrl(nID);
    dx.Fail();
  }
  return FALSE;
}

void CVarBar::OnChangeEdit(int nID) {
  if (m_nRefusedEdit == nID) m_nRefusedEdit = 0;
}

// The refused text is selected whenever its edit gets the keyboard back: the
// toolkit's edit drops its selection when the bar's window is activated and
// at once left for another (the box's owner), as the window manager does on
// the keyboard's way back from the box.
void CVarBar::OnSetfocusEdit(int nID) {
  CWnd* edit = GetDlgItem(nID);
  if (m_nRefusedEdit == nID && edit) edit->SendMessage(EM_SETSEL, 0, -1);
}

void CVarBar::OnSetfocusValue() {
  OnSetfocusEdit(IDC_VALUE);
}

void CVarBar::OnSetfocusMin() {
  OnSetfocusEdit(IDC_MINIMUM);
}

void CVarBar::OnSetfocusMax() {
  OnSetfocusEdit(IDC_MAXIMUM);
}

void CVarBar::OnChangeValue() {
  OnChangeEdit(IDC_VALUE);
}

void CVarBar::OnChangeMin() {
  OnChangeEdit(IDC_MINIMUM);
}

void CVarBar::OnChangeMax() {
  OnChangeEdit(IDC_MAXIMUM);
}

void CVarBar::OnKillfocusValue() {
  if (!TakeTyped(IDC_VALUE, m_dValue) || !ReadForEdit()) return;
  const int user = Selected();
  if (user < 0) return;
  double value, minimum, maximum;
  m_pDoc->m_vars.Get(user, &value, &minimum, &maximum);
  if (m_dValue == value) return;
  if (!std::isfinite(m_dValue)) {
    m_dValue = value;
    UpdateData(FALSE);
    return;
  }
  // Not limited to the range: the slider then sits at its end.
  m_pDoc->m_vars.SetValue(user, m_dValue);
  ApplyValue();
}

void CVarBar::OnKillfocusMin() {
  RangeEdited(true);
}

void CVarBar::OnKillfocusMax() {
  RangeEdited(false);
}

void CVarBar::RangeEdited(bool bMinimum) {
  if (!TakeTyped(bMinimum ? IDC_MINIMUM : IDC_MAXIMUM, bMinimum ? m_dMin : m_dMax)) return;
  if (!ReadForEdit()) return;
  const int user = Selected();
  if (user < 0) return;
  double value, minimum, maximum;
  m_pDoc->m_vars.Get(user, &value, &minimum, &maximum);
  double& typed = bMinimum ? m_dMin : m_dMax;
  if (typed == (bMinimum ? minimum : maximum)) return;
  if (!std::isfinite(typed)) {
    typed = bMinimum ? minimum : maximum;
    UpdateData(FALSE);
    return;
  }
  // The other end moves away when the range would be empty or reversed.
  if (bMinimum && m_dMax <= m_dMin) {
    m_dMax = std::fabs(m_dMin) < 1.0 ? 1.0 : m_dMin + 0.1 * std::fabs(m_dMin);
    if (!std::isfinite(m_dMax)) m_dMax = DBL_MAX;
  } else if (!bMinimum && m_dMax <= m_dMin) {
    m_dMin = std::fabs(m_dMax) < 1.0 ? -1.0 : m_dMax - 0.1 * std::fabs(m_dMax);
    if (!std::isfinite(m_dMin)) m_dMin = -DBL_MAX;
  }
  UpdateData(FALSE);
  // The loop does not depend on ranges: nothing is recalculated or recorded.
  m_pDoc->m_vars.SetRange(user, m_dMin, m_dMax);
  PlaceSlider(value, m_dMin, m_dMax);
}

void CVarBar::OnSelendokLocus() {
  LocusEdited(true);
}

void CVarBar::OnSelendokColour() {
  LocusEdited(false);
}

void CVarBar::LocusEdited(bool bMode) {
  if (!ReadForEdit()) return;
  const int user = Selected();
  if (user < 0) return;
  int mode = 0, colour = 0;
  m_pDoc->GetVarPointCell(user, &mode, &colour);
  if (bMode ? m_nLocus == mode : m_nColour == colour) return;
  if ((bMode ? m_nLocus : m_nColour) == 0) {
    m_pDoc->RemoveVarPoint(user);  // recalculates and shows, refreshing this bar
    return;
  }
  if (m_nColour == 0) m_nColour = 1;  // red
  if (m_nLocus == 0) m_nLocus = 1;    // logarithmic
  m_pDoc->SetVarPoint(user, CVARpoints::PackCode(m_nLocus - 1, m_nColour - 1));
}
