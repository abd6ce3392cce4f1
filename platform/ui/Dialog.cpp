#include "platform/ui/Dialog.h"

#include "platform/core/Debug.h"
#include "platform/ui/Controls.h"
#include "platform/ui/Focus.h"
#include "platform/ui/WinApp.h"
#include "platform/ui/WndInternal.h"

#include <QFont>
#include <QGuiApplication>
#include <QTimer>

#include <cctype>

IMPLEMENT_DYNAMIC(CDialog, CWnd)

BEGIN_MESSAGE_MAP(CDialog, CWnd)
ON_COMMAND(IDOK, OnOK)
ON_COMMAND(IDCANCEL, OnCancel)
END_MESSAGE_MAP()

namespace {

const QxDialogHook* g_dialogHook = nullptr;

// The template style bits the dialog window does not take (DS_* are dialog-only).
constexpr DWORD kDialogOnlyStyles = DS_ABSALIGN | DS_SYSMODAL | DS_3DLOOK | DS_FIXEDSYS |
                                    DS_NOFAILCREATE | DS_LOCALEDIT | DS_SETFONT | DS_MODALFRAME |
                                    DS_NOIDLEMSG | DS_SETFOREGROUND | DS_CONTROL | DS_CENTER |
                                    DS_CENTERMOUSE | DS_CONTEXTHELP;

// Non-client insets a window of these styles gets, as the windows layer
// measures them (captioned top-level windows get Qt's frame outside).
CRect InsetsOf(DWORD style, DWORD exStyle) {
  if ((style & WS_CAPTION) == WS_CAPTION) return CRect(0, 0, 0, 0);
  int inset = (style & WS_DLGFRAME) ? 3 : (style & WS_BORDER) ? 1 : 0;
  if (exStyle & WS_EX_CLIENTEDGE) inset += 2;
  if (exStyle & WS_EX_STATICEDGE) inset += 1;
  return CRect(inset, inset, inset, inset);
}

// By the controls' own styles: the dialog itself is still hidden in OnInitDialog.
bool Usable(CWnd* wnd) {
  return wnd && (wnd->GetStyle() & (WS_VISIBLE | WS_DISABLED)) == WS_VISIBLE;
}

UINT DlgCodeOf(CWnd* wnd, MSG* pMsg) {
  return static_cast<UINT>(
      wnd->SendMessage(WM_GETDLGCODE, pMsg ? pMsg->wParam : 0, reinterpret_cast<LPARAM>(pMsg)));
}

// Focus to a control as the dialog manager gives it: an edit's text selected.
void FocusControl(CWnd* control) {
  if (!control) return;
  control->SetFocus();
  if (DlgCodeOf(control, nullptr) & DLGC_HASSETSEL) control->SendMessage(EM_SETSEL, 0, -1);
}

// The mnemonic character of a text ("&x" gives 'X'; "&&" is no mnemonic).
int MnemonicOf(const CString& text) {
  for (const char* p = text.GetString(); *p; ++p) {
    if (*p != '&') continue;
    if (p[1] == '&') {
      ++p;
      continue;
    }
    return std::toupper(static_cast<unsigned char>(p[1]));
  }
  return 0;
}

// Ends at the control with the mnemonic: a static or group box passes the
// focus to the control after it, a button is pressed.
bool HandleMnemonic(CWnd* dialog, int key) {
  if (!key) return false;
  std::vector<CWnd*> children = dialog->GetChildren();
  for (size_t i = 0; i < children.size(); ++i) {
    CWnd* child = children[i];
    CString text;
    child->GetWindowText(text);
    if (!(child->GetStyle() & WS_VISIBLE) || MnemonicOf(text) != key) continue;
    UINT code = DlgCodeOf(child, nullptr);
    if (code & DLGC_STATIC) {
      for (size_t j = i + 1; j < children.size(); ++j) {
        if (Usable(children[j]) && !(DlgCodeOf(children[j], nullptr) & DLGC_STATIC)) {
          FocusControl(children[j]);
          return true;
        }
      }
      return true;
    }
    if (!Usable(child)) continue;
    if (code & DLGC_BUTTON) {
      child->SetFocus();
      child->SendMessage(BM_CLICK);
    } else {
      FocusControl(child);
    }
    return true;
  }
  return false;
}

// The previous or next control of the focus's group (WS_GROUP starts one).
CWnd* NextGroupItem(CWnd* dialog, CWnd* control, bool previous) {
  std::vector<CWnd*> children = dialog->GetChildren();
  auto at = std::find(children.begin(), children.end(), control);
  if (at == children.end()) return nullptr;
  auto first = at;
  while (first != children.begin() && !((*first)->GetStyle() & WS_GROUP)) --first;
  auto last = at + 1;
  while (last != children.end() && !((*last)->GetStyle() & WS_GROUP)) ++last;
  std::vector<CWnd*> group(first, last);
  size_t index = static_cast<size_t>(at - first);
  for (size_t step = 1; step < group.size(); ++step) {
    size_t next =
        previous ? (index + group.size() - step) % group.size() : (index + step) % group.size();
    if (Usable(group[next])) return group[next];
  }
  return nullptr;
}

// A window of the main window that holds the document area.
bool InMainDocumentFrame(CWnd* wnd) {
  CWnd* main = AfxGetMainWnd();
  return dynamic_cast<CMDIFrameWnd*>(main) && main->GetWidget() && wnd->GetWidget() &&
         main->GetWidget()->window() == wnd->GetWidget()->window();
}

bool HandleDialogKey(CWnd* dialog, CWnd* target, MSG* pMsg) {
  UINT code = target == dialog ? 0 : DlgCodeOf(target, pMsg);
  if (code & (DLGC_WANTALLKEYS | DLGC_WANTMESSAGE)) return false;
  switch (pMsg->wParam) {
    case VK_TAB: {
      if (code & DLGC_WANTTAB) return false;
      // In the main window (a docked bar) Ctrl+Tab is the document area's key,
      // not a move between the controls.
      if (GetKeyState(VK_CONTROL) < 0 && InMainDocumentFrame(dialog)) return false;
      bool back = GetKeyState(VK_SHIFT) < 0;
      FocusControl(QxNextTabItem(dialog, target == dialog ? nullptr : target, back));
      return true;
    }
    case VK_LEFT:
    case VK_UP:
    case VK_RIGHT:
    case VK_DOWN: {
      if ((code & DLGC_WANTARROWS) || target == dialog) return false;
      bool back = pMsg->wParam == VK_LEFT || pMsg->wParam == VK_UP;
      CWnd* next = NextGroupItem(dialog, target, back);
      if (!next) return true;
      FocusControl(next);
      if (DlgCodeOf(next, nullptr) & DLGC_RADIOBUTTON) next->SendMessage(BM_CLICK);
      return true;
    }
    case VK_RETURN: {
      if (target != dialog && QxIsPushButton(target)) {
        target->SendMessage(BM_CLICK);
        return true;
      }
      auto* asDialog = dynamic_cast<CDialog*>(dialog);
      UINT id = asDialog ? asDialog->GetDefID() : IDOK;
      CWnd* button = dialog->GetDlgItem(static_cast<int>(id));
      if (button && !button->IsWindowEnabled()) {
        MessageBeep(0);
        return true;
      }
      dialog->SendMessage(WM_COMMAND, MAKEWPARAM(id, BN_CLICKED),
                          reinterpret_cast<LPARAM>(button ? button->GetSafeHwnd() : nullptr));
      return true;
    }
    case VK_ESCAPE: {
      CWnd* cancel = dialog->GetDlgItem(IDCANCEL);
      dialog->SendMessage(WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED),
                          reinterpret_cast<LPARAM>(cancel ? cancel->GetSafeHwnd() : nullptr));
      return true;
    }
    default:
      return false;
  }
}

// The dialog takes the activation as it is shown, whatever its styles: a
// window manager maps a tool window (a utility window) without giving it the
// focus, and the keys would still go to the window behind it. Activated, the
// window hands the keyboard to the control OnInitDialog chose, or the first
// tab stop.
void Activate(CDialog* dialog) {
  QWidget* widget = dialog->GetWidget();
  if (!widget) return;
  dialog->BringWindowToTop();
  qxui::AskActivation(widget);
}

}  // namespace

// ---- the dialog manager ---------------------------------------------------------------

CWnd* QxNextTabItem(CWnd* dialog, CWnd* pCtrl, bool previous) {
  std::vector<CWnd*> children = dialog->GetChildren();
  std::vector<CWnd*> stops;
  for (CWnd* child : children) {
    if ((child->GetStyle() & WS_TABSTOP) && Usable(child)) stops.push_back(child);
  }
  if (stops.empty()) return nullptr;
  auto at = std::find(stops.begin(), stops.end(), pCtrl);
  if (at == stops.end()) {
    if (!pCtrl) return previous ? stops.back() : stops.front();
    // Start from the control's place among all children.
    auto place = std::find(children.begin(), children.end(), pCtrl);
    for (auto it = stops.begin(); it != stops.end(); ++it) {
      auto stopPlace = std::find(children.begin(), children.end(), *it);
      if (stopPlace > place)
        return previous ? (it == stops.begin() ? stops.back() : *(it - 1)) : *it;
    }
    return previous ? stops.back() : stops.front();
  }
  size_t index = static_cast<size_t>(at - stops.begin());
  size_t count = stops.size();
  return stops[previous ? (index + count - 1) % count : (index + 1) % count];
}

BOOL QxIsDialogMessage(CWnd* dialog, MSG* pMsg) {
  if (!dialog || !pMsg || !pMsg->hwnd) return FALSE;
  CWnd* target = CWnd::FromHandle(pMsg->hwnd);
  if (!target || (target != dialog && !dialog->IsChild(target))) return FALSE;
  switch (pMsg->message) {
    case WM_KEYDOWN:
      return HandleDialogKey(dialog, target, pMsg);
    case WM_SYSKEYDOWN: {
      int key = static_cast<int>(pMsg->wParam);
      bool letter = (key >= 'A' && key <= 'Z') || (key >= '0' && key <= '9');
      return letter && HandleMnemonic(dialog, key);
    }
    case WM_CHAR: {
      UINT code = target == dialog ? 0 : DlgCodeOf(target, pMsg);
      if (code & (DLGC_WANTCHARS | DLGC_WANTALLKEYS | DLGC_WANTMESSAGE)) return FALSE;
      int key = std::toupper(static_cast<int>(pMsg->wParam) & 0xFF);
      return pMsg->wParam >= 0x20 && HandleMnemonic(dialog, key);
    }
    default:
      return FALSE;
  }
}

// ---- CDialog ---------------------------------------------------------------------------------

CDialog::CDialog(UINT nIDTemplate, CWnd* pParentWnd)
    : m_nIDTemplate(nIDTemplate), m_pParentWnd(pParentWnd) {
  QxRegisterStandardControls();
}

CDialog::~CDialog() {
  if (m_hWnd) DestroyWindow();
}

QWidget* CDialog::QxCreateWidget(const CREATESTRUCT& cs, QWidget* parentWidget) {
  DWORD style = static_cast<DWORD>(cs.style);
  Qt::WindowFlags flags = Qt::Dialog | Qt::CustomizeWindowHint;
  if ((style & WS_CAPTION) == WS_CAPTION) {
    flags |= Qt::WindowTitleHint;
  } else {
    flags |= Qt::FramelessWindowHint;
  }
  if (style & WS_SYSMENU) flags |= Qt::WindowCloseButtonHint | Qt::WindowSystemMenuHint;
  if (cs.dwExStyle & WS_EX_TOOLWINDOW) flags |= Qt::Tool;
  return new qxui::WndWidget(this, parentWidget, flags);
}

BOOL CDialog::CreateFromTemplate(const QxDialogTemplate& dialogTemplate, CWnd* pOwner) {
  CRect client = QxDialogUnitsToPixels(
      dialogTemplate, CRect(0, 0, dialogTemplate.rect.Width(), dialogTemplate.rect.Height()));
  DWORD style = (dialogTemplate.style & ~(WS_CHILD | WS_VISIBLE | kDialogOnlyStyles)) | WS_POPUP;
  CRect insets = InsetsOf(style, dialogTemplate.exStyle);
  CRect outer(0, 0, client.Width() + insets.left + insets.right,
              client.Height() + insets.top + insets.bottom);
  if (!CreateEx(dialogTemplate.exStyle, nullptr, dialogTemplate.caption, style, outer, pOwner, 0)) {
    return FALSE;
  }
  HWND self = m_hWnd;
  // The font its dialog units come from, for the controls and what is added later.
  GetWidget()->setFont(QxDialogFont(dialogTemplate));
  if (!QxCreateTemplateControls(this, dialogTemplate)) {
    if (IsWindow(self)) DestroyWindow();
    return FALSE;
  }
  m_nDefID = IDOK;
  for (CWnd* child : GetChildren()) {
    if (dynamic_cast<CButton*>(child) && (child->GetStyle() & BS_TYPEMASK) == BS_DEFPUSHBUTTON) {
      m_nDefID = static_cast<UINT>(child->GetDlgCtrlID());
      break;
    }
  }
  return TRUE;
}

INT_PTR CDialog::DoModal() {
  const QxDialogTemplate* dialogTemplate = QxFindDialogTemplate(m_nIDTemplate);
  if (!dialogTemplate || m_hWnd) return -1;
  CWnd* owner = m_pParentWnd ? m_pParentWnd->GetTopLevelParent() : AfxGetMainWnd();
  if (owner && !IsWindow(owner->GetSafeHwnd())) owner = nullptr;
  HWND hOwner = owner ? owner->GetSafeHwnd() : nullptr;
  qxui::ModalEntry entry;
  m_nModalResult = -1;
  m_bEnded = false;
  if (!CreateFromTemplate(*dialogTemplate, owner)) return -1;
  HWND self = m_hWnd;
  // The loop's window from now on: its control takes the keyboard as
  // OnInitDialog or the first tab stop asks, before the window system has
  // activated the dialog.
  entry.SetWindow(self);
  bool ownerEnabled = owner && owner->IsWindowEnabled();
  if (ownerEnabled) {
    owner->EnableWindow(FALSE);
    // Qt disables a parent's windows with it; an owned window stays enabled.
    EnableWindow(TRUE);
  }

  if (SendMessage(WM_INITDIALOG) && IsWindow(self))
    FocusControl(QxNextTabItem(this, nullptr, false));
  const QxDialogHook* hook = g_dialogHook;
  if (!m_bEnded && IsWindow(self)) {
    if (owner) CenterWindow(owner);
    ShowWindow(SW_SHOW);
    Activate(this);
    if (hook && hook->running) {
      QTimer::singleShot(0, GetWidget(), [this, self, hook] {
        if (CWnd::FromHandle(self) == this && !m_bEnded) hook->running(*this);
      });
    }
    RunModalLoop();
  }
  if (hook && hook->ended) hook->ended(*this, m_nModalResult);
  if (ownerEnabled && IsWindow(hOwner)) owner->EnableWindow(TRUE);
  entry.HandBack();
  if (IsWindow(self)) DestroyWindow();
  return m_nModalResult;
}

void CDialog::EndDialog(int nResult) {
  m_nModalResult = nResult;
  m_bEnded = true;
  if (m_hWnd && CWnd::ContinueModal()) EndModalLoop(nResult);
}

BOOL CDialog::OnInitDialog() {
  UpdateData(FALSE);
  return TRUE;
}

void CDialog::OnOK() {
  if (!UpdateData(TRUE)) return;
  EndDialog(IDOK);
}

void CDialog::OnCancel() {
  EndDialog(IDCANCEL);
}

BOOL CDialog::UpdateData(BOOL bSaveAndValidate) {
  return QxUpdateData(this, bSaveAndValidate, [this](CDataExchange* pDX) { DoDataExchange(pDX); });
}

void CDialog::DoDataExchange(CDataExchange*) {}

void CDialog::GotoDlgCtrl(CWnd* pWndCtrl) {
  FocusControl(pWndCtrl);
}

void CDialog::NextDlgCtrl() const {
  auto* self = const_cast<CDialog*>(this);
  FocusControl(QxNextTabItem(self, CWnd::GetFocus(), false));
}

void CDialog::PrevDlgCtrl() const {
  auto* self = const_cast<CDialog*>(this);
  FocusControl(QxNextTabItem(self, CWnd::GetFocus(), true));
}

int CDialog::MessageBox(LPCTSTR lpszText, LPCTSTR lpszCaption, UINT nType) {
  return QxWndMessageBox(this, lpszText, lpszCaption, nType);
}

BOOL CDialog::PreTranslateMessage(MSG* pMsg) {
  return QxIsDialogMessage(this, pMsg);
}

LRESULT CDialog::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_INITDIALOG) return OnInitDialog();
  return CWnd::WindowProc(message, wParam, lParam);
}

LRESULT CDialog::DefWindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_CLOSE: {
      // The close box is Cancel.
      CWnd* cancel = GetDlgItem(IDCANCEL);
      SendMessage(WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED),
                  reinterpret_cast<LPARAM>(cancel ? cancel->GetSafeHwnd() : nullptr));
      return 0;
    }
    case WM_ERASEBKGND: {
      CDC* dc = CDC::FromHandle(reinterpret_cast<HDC>(wParam));
      if (!dc) return 0;
      CRect client;
      GetClientRect(&client);
      dc->FillSolidRect(&client, GetSysColor(COLOR_BTNFACE));
      return 1;
    }
    default:
      return CWnd::DefWindowProc(message, wParam, lParam);
  }
}

// ---- the rest -------------------------------------------------------------------------------

int QxWndMessageBox(CWnd* wnd, LPCTSTR lpszText, LPCTSTR lpszCaption, UINT nType) {
  CWinApp* app = AfxGetApp();
  if (!lpszCaption) lpszCaption = app && app->m_pszAppName ? app->m_pszAppName : "";
  return ::MessageBox(wnd ? wnd->GetSafeHwnd() : nullptr, lpszText, lpszCaption, nType);
}

const QxDialogHook* QxSetDialogHook(const QxDialogHook* hook) {
  std::swap(g_dialogHook, hook);
  return hook;
}
