// The Qt-widget controls (static, button, edit, combo box), the common
// control base, template creation and attaching members.
#include "platform/ui/Controls.h"

#include "platform/core/CodePage.h"
#include "platform/ui/Clipboard.h"
#include "platform/ui/ControlsInternal.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPalette>
#include <QPixmap>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalBlocker>
#include <QTextCursor>

#include <algorithm>
#include <cstdlib>

using qxui::WidgetAccess;

namespace qxui {

KeyGate* g_keyGate = nullptr;
int g_attaching = 0;

// A static's text shows "&&" as "&" and drops the "&" of a mnemonic.
QString WithoutMnemonic(const char* text) {
  QString result;
  for (const char* p = text ? text : ""; *p; ++p) {
    if (*p != '&') {
      result += QChar(static_cast<char16_t>(QxWindows1252ToUnicode(static_cast<BYTE>(*p))));
    } else if (p[1] == '&') {
      result += QLatin1Char('&');
      ++p;
    }
  }
  return result;
}

bool RouteHostedEvent(CWnd* wnd, QWidget* widget, QEvent* event,
                      const std::function<bool(QEvent*)>& base) {
  switch (event->type()) {
    case QEvent::KeyPress: {
      KeyGate gate;
      gate.widget = widget;
      QPointer<QWidget> guard(widget);
      {
        ScopedValue<KeyGate*> gated(g_keyGate, &gate);
        wnd->QxEvent(event);
      }
      if (guard && (gate.charSeen ? gate.charDefault : gate.keyDefault)) base(event);
      return true;
    }
    case QEvent::KeyRelease: {
      QPointer<QWidget> guard(widget);
      wnd->QxEvent(event);
      if (guard) base(event);
      return true;
    }
    case QEvent::ShortcutOverride:
      // Keys go to the control and the dialog manager, never to Qt shortcuts.
      event->setAccepted(!PassesShortcutOverride(event));
      return true;
    case QEvent::FocusIn:
    case QEvent::FocusOut: {
      QPointer<QWidget> guard(widget);
      wnd->QxEvent(event);
      if (guard) base(event);
      return true;
    }
    case QEvent::Resize:
      wnd->QxEvent(event);
      return base(event);
    default:
      return base(event);
  }
}

}  // namespace qxui

using namespace qxui;

// ---- the common base -----------------------------------------------------------

namespace {

// A disabled control draws its caption in the system's grey text. The style's
// own disabled text is a light grey that all but vanishes on the button face
// the dialogs are painted with.
void UseSystemGreyText(QWidget* widget) {
  const COLORREF grey = GetSysColor(COLOR_GRAYTEXT);
  const QColor colour(GetRValue(grey), GetGValue(grey), GetBValue(grey));
  QPalette palette = widget->palette();
  for (QPalette::ColorRole role : {QPalette::WindowText, QPalette::ButtonText, QPalette::Text})
    palette.setColor(QPalette::Disabled, role, colour);
  widget->setPalette(palette);
}

}  // namespace

struct QxControlAccess {
  static void Notify(CWnd* wnd, UINT code) {
    if (auto* control = dynamic_cast<CQxControl*>(wnd)) control->Notify(code);
  }
};

namespace qxui {
void NotifyParent(QWidget* widget, UINT code) {
  if (auto* link = dynamic_cast<WndLink*>(widget)) QxControlAccess::Notify(link->m_pWnd, code);
}
void SetStateText(QWidget* widget, const CString& text) {
  auto* link = dynamic_cast<WndLink*>(widget);
  if (link && link->m_pWnd) WidgetAccess::State(link->m_pWnd).text = text;
}
}  // namespace qxui

void CQxControl::PostNcDestroy() {
  if (m_bQxAutoDelete) delete this;
}

CWnd* CQxControl::NotifyTarget() const {
  CWnd* parent = GetParent();
  return parent ? parent : GetOwner();
}

void CQxControl::Notify(UINT code) {
  if (g_attaching > 0 || !m_hWnd) return;
  if (CWnd* target = NotifyTarget()) {
    target->SendMessage(WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(), code),
                        reinterpret_cast<LPARAM>(m_hWnd));
  }
}

QWidget* CQxControl::QxCreateWidget(const CREATESTRUCT& cs, QWidget* parentWidget) {
  QWidget* widget = m_pQxAdopted;
  m_pQxAdopted = nullptr;
  if (widget) {
    if (auto* link = dynamic_cast<WndLink*>(widget)) link->m_pWnd = this;
    RegisterWidget(widget, this);
    return widget;
  }
  widget = MakeControlWidget(cs, parentWidget);
  if (!widget) return nullptr;
  UseSystemGreyText(widget);
  if (cs.style & WS_DISABLED) widget->setEnabled(false);
  return widget;
}

namespace {

// The up-down control that steps this control with the arrow keys, if any.
CSpinButtonCtrl* ArrowKeySpin(CWnd* buddy) {
  CWnd* parent = buddy->GetParent();
  if (!parent) return nullptr;
  for (CWnd* sibling : parent->GetChildren()) {
    auto* spin = dynamic_cast<CSpinButtonCtrl*>(sibling);
    if (spin && (spin->GetStyle() & UDS_ARROWKEYS) && spin->GetBuddy() == buddy) return spin;
  }
  return nullptr;
}

}  // namespace

LRESULT CQxControl::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_CHAR && g_keyGate && g_keyGate->widget == GetWidget()) {
    g_keyGate->charSeen = true;
  }
  if (message == WM_KEYDOWN && (wParam == VK_UP || wParam == VK_DOWN)) {
    if (CSpinButtonCtrl* spin = ArrowKeySpin(this)) {
      spin->QxStep(wParam == VK_UP ? 1 : -1);
      return 0;
    }
  }
  return CWnd::WindowProc(message, wParam, lParam);
}

LRESULT CQxControl::DefWindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
  bool gated = g_keyGate && g_keyGate->widget == GetWidget();
  switch (message) {
    case WM_KEYDOWN:
      if (gated) g_keyGate->keyDefault = true;
      return 0;
    case WM_CHAR:
      if (gated) g_keyGate->charDefault = true;
      return 0;
    case WM_GETDLGCODE:
      return DlgCode(reinterpret_cast<const MSG*>(lParam));
    case WM_SETFONT:
    case WM_ERASEBKGND:
      return 0;
    default:
      return CWnd::DefWindowProc(message, wParam, lParam);
  }
}

// ---- static ------------------------------------------------------------------------

BOOL CStatic::Create(LPCTSTR lpszText, DWORD dwStyle, const RECT& rect, CWnd* pParentWnd,
                     UINT nID) {
  return CreateEx(0, WC_STATIC, lpszText, dwStyle | WS_CHILD, rect, pParentWnd, nID);
}

namespace {

// An icon or bitmap static names its picture by its text ("#128" or "128"):
// the icon or the bitmap resource of that id; nothing when there is none.
void ShowPicture(QLabel* label, const char* text, DWORD type) {
  const char* digits = text && *text == '#' ? text + 1 : text;
  UINT id = digits && *digits ? static_cast<UINT>(std::atoi(digits)) : 0;
  QImage picture;
  if (id && type == SS_ICON) {
    picture = QxIconImage(LoadIcon(nullptr, MAKEINTRESOURCE(id)));
  } else if (id) {
    CBitmap bitmap;
    if (bitmap.LoadBitmap(id)) picture = bitmap.ToImage();
  }
  if (picture.isNull()) {
    label->clear();
  } else {
    label->setPixmap(QPixmap::fromImage(picture));
  }
}

// What a static shows for its text: the picture it names, or the text itself.
void ShowContent(QLabel* label, const char* text, DWORD style) {
  DWORD type = style & SS_TYPEMASK;
  if (type == SS_ICON || type == SS_BITMAP) {
    ShowPicture(label, text, type);
  } else {
    label->setText((style & SS_NOPREFIX) ? ToQt(text) : WithoutMnemonic(text));
  }
}

}  // namespace

QWidget* CStatic::MakeControlWidget(const CREATESTRUCT& cs, QWidget* parentWidget) {
  auto* label = new HostedWidget<QLabel>(this, parentWidget);
  DWORD style = static_cast<DWORD>(cs.style);
  label->setAttribute(Qt::WA_TransparentForMouseEvents);
  DWORD type = style & SS_TYPEMASK;
  Qt::Alignment align = Qt::AlignTop | Qt::AlignLeft;
  if (type == SS_CENTER) align = Qt::AlignTop | Qt::AlignHCenter;
  if (type == SS_RIGHT) align = Qt::AlignTop | Qt::AlignRight;
  label->setAlignment(align);
  ShowContent(label, cs.lpszName, style);
  return label;
}

LRESULT CStatic::DefWindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
  LRESULT result = CQxControl::DefWindowProc(message, wParam, lParam);
  if (message == WM_SETTEXT) {
    if (auto* label = dynamic_cast<QLabel*>(GetWidget())) {
      ShowContent(label, reinterpret_cast<const char*>(lParam), GetStyle());
    }
  }
  return result;
}

// ---- buttons --------------------------------------------------------------------------

BOOL CButton::Create(LPCTSTR lpszCaption, DWORD dwStyle, const RECT& rect, CWnd* pParentWnd,
                     UINT nID) {
  return CreateEx(0, WC_BUTTON, lpszCaption, dwStyle | WS_CHILD, rect, pParentWnd, nID);
}

QWidget* CButton::MakeControlWidget(const CREATESTRUCT& cs, QWidget* parentWidget) {
  DWORD kind = static_cast<DWORD>(cs.style) & BS_TYPEMASK;
  QString text = ToQt(cs.lpszName);
  QAbstractButton* button = nullptr;
  switch (kind) {
    case BS_GROUPBOX: {
      auto* group = new HostedWidget<QGroupBox>(this, parentWidget);
      group->setTitle(WithoutMnemonic(cs.lpszName));
      group->setAttribute(Qt::WA_TransparentForMouseEvents);
      return group;
    }
    case BS_CHECKBOX:
    case BS_AUTOCHECKBOX:
    case BS_3STATE:
    case BS_AUTO3STATE: {
      auto* check = new HostedWidget<QCheckBox>(this, parentWidget);
      check->setTristate(kind == BS_3STATE || kind == BS_AUTO3STATE);
      button = check;
      break;
    }
    case BS_RADIOBUTTON:
    case BS_AUTORADIOBUTTON: {
      auto* radio = new HostedWidget<QRadioButton>(this, parentWidget);
      radio->setAutoExclusive(false);  // groups follow WS_GROUP, see Clicked
      button = radio;
      break;
    }
    default: {
      auto* push = new HostedWidget<QPushButton>(this, parentWidget);
      push->setDefault(kind == BS_DEFPUSHBUTTON);
      push->setAutoDefault(false);
      button = push;
      break;
    }
  }
  button->setText(text);
  button->setFocusPolicy(Qt::StrongFocus);
  QWidget* widget = button;
  QObject::connect(button, &QAbstractButton::clicked, [widget] {
    auto* link = dynamic_cast<WndLink*>(widget);
    if (auto* self = link ? dynamic_cast<CButton*>(link->m_pWnd) : nullptr) self->Clicked();
  });
  return button;
}

void CButton::Clicked() {
  DWORD kind = GetStyle() & BS_TYPEMASK;
  auto* button = dynamic_cast<QAbstractButton*>(GetWidget());
  if (button && (kind == BS_CHECKBOX || kind == BS_3STATE || kind == BS_RADIOBUTTON)) {
    // Plain (not automatic) boxes keep their state; the owner sets it.
    QSignalBlocker block(button);
    button->setChecked(!button->isChecked());
  }
  if (kind == BS_AUTORADIOBUTTON) {
    // The other automatic radio buttons of the group (up to the next WS_GROUP) go off.
    std::vector<CWnd*> siblings = GetParent() ? GetParent()->GetChildren() : std::vector<CWnd*>{};
    auto self = std::find(siblings.begin(), siblings.end(), this);
    auto first = self;
    while (first != siblings.begin() && !((*first)->GetStyle() & WS_GROUP)) --first;
    for (auto it = first; it != siblings.end(); ++it) {
      if (it != first && ((*it)->GetStyle() & WS_GROUP)) break;
      auto* radio = dynamic_cast<CButton*>(*it);
      if (radio && radio != this && (radio->GetStyle() & BS_TYPEMASK) == BS_AUTORADIOBUTTON) {
        radio->SetCheck(BST_UNCHECKED);
      }
    }
    if (button) button->setChecked(true);
  }
  Notify(BN_CLICKED);
}

int CButton::GetCheck() const {
  return static_cast<int>(Ask(this, BM_GETCHECK));
}
void CButton::SetCheck(int nCheck) {
  SendMessage(BM_SETCHECK, static_cast<WPARAM>(nCheck));
}
UINT CButton::GetButtonStyle() const {
  return GetStyle() & 0xFFFF;
}
void CButton::SetButtonStyle(UINT nStyle, BOOL bRedraw) {
  SendMessage(BM_SETSTYLE, nStyle, bRedraw);
}

UINT CButton::DlgCode(const MSG*) const {
  switch (GetStyle() & BS_TYPEMASK) {
    case BS_PUSHBUTTON:
      return DLGC_BUTTON | DLGC_UNDEFPUSHBUTTON;
    case BS_DEFPUSHBUTTON:
      return DLGC_BUTTON | DLGC_DEFPUSHBUTTON;
    case BS_RADIOBUTTON:
    case BS_AUTORADIOBUTTON:
      return DLGC_BUTTON | DLGC_RADIOBUTTON;
    case BS_GROUPBOX:
      return DLGC_STATIC;
    default:
      return DLGC_BUTTON;
  }
}

LRESULT CButton::DefWindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
  QWidget* widget = GetWidget();
  auto* button = dynamic_cast<QAbstractButton*>(widget);
  switch (message) {
    case BM_GETCHECK: {
      auto* check = dynamic_cast<QCheckBox*>(widget);
      if (check) {
        Qt::CheckState state = check->checkState();
        return state == Qt::Checked            ? BST_CHECKED
               : state == Qt::PartiallyChecked ? BST_INDETERMINATE
                                               : BST_UNCHECKED;
      }
      return button && button->isCheckable() && button->isChecked() ? BST_CHECKED : BST_UNCHECKED;
    }
    case BM_SETCHECK: {
      if (auto* check = dynamic_cast<QCheckBox*>(widget)) {
        QSignalBlocker block(check);
        check->setCheckState(wParam == BST_CHECKED ? Qt::Checked
                             : wParam == BST_INDETERMINATE && check->isTristate()
                                 ? Qt::PartiallyChecked
                                 : Qt::Unchecked);
      } else if (button && button->isCheckable()) {
        QSignalBlocker block(button);
        button->setChecked(wParam == BST_CHECKED);
      }
      return 0;
    }
    case BM_SETSTYLE: {
      DWORD style = GetStyle();
      ModifyStyle(style & 0xFFFF, static_cast<DWORD>(wParam) & 0xFFFF);
      if (auto* push = dynamic_cast<QPushButton*>(widget)) {
        push->setDefault((wParam & BS_TYPEMASK) == BS_DEFPUSHBUTTON);
      }
      return 0;
    }
    case BM_CLICK:
      if (button && button->isEnabled()) button->click();
      return 0;
    case WM_SETTEXT: {
      LRESULT result = CQxControl::DefWindowProc(message, wParam, lParam);
      const char* text = reinterpret_cast<const char*>(lParam);
      if (auto* group = dynamic_cast<QGroupBox*>(widget)) group->setTitle(WithoutMnemonic(text));
      if (button) button->setText(ToQt(text));
      return result;
    }
    default:
      return CQxControl::DefWindowProc(message, wParam, lParam);
  }
}

// ---- edits ----------------------------------------------------------------------------

namespace {

QLineEdit* LineOf(const CWnd* wnd) {
  return dynamic_cast<QLineEdit*>(wnd->GetWidget());
}
QPlainTextEdit* TextOf(const CWnd* wnd) {
  return dynamic_cast<QPlainTextEdit*>(wnd->GetWidget());
}

// Text the code page cannot hold (pasted, dropped or composed: typed keys are
// refused before they get here) is refused whole, with a beep, and the edit
// keeps the text it had: what it shows is always what it stores.
void RefuseText() {
  MessageBeep(static_cast<UINT>(-1));
}
// The text the edit the widget stands for holds, as last accepted.
CString StateText(QWidget* widget) {
  auto* link = dynamic_cast<WndLink*>(widget);
  return link && link->m_pWnd ? WidgetAccess::State(link->m_pWnd).text : CString();
}

// Multi-line edits keep CR LF line ends in their window text.
CString ToWindowsLines(const QString& text) {
  QString copy = text;
  copy.replace(QLatin1String("\n"), QLatin1String("\r\n"));
  return FromQt(copy);
}
QString FromWindowsLines(QString text) {
  return text.replace(QLatin1String("\r\n"), QLatin1String("\n"));
}

}  // namespace

BEGIN_MESSAGE_MAP(CEdit, CQxControl)
ON_COMMAND(ID_EDIT_CUT, OnEditCut)
ON_COMMAND(ID_EDIT_COPY, OnEditCopy)
ON_COMMAND(ID_EDIT_PASTE, OnEditPaste)
ON_COMMAND(ID_EDIT_UNDO, OnEditUndo)
ON_UPDATE_COMMAND_UI(ID_EDIT_CUT, OnUpdateEditCut)
ON_UPDATE_COMMAND_UI(ID_EDIT_COPY, OnUpdateEditCopy)
ON_UPDATE_COMMAND_UI(ID_EDIT_PASTE, OnUpdateEditPaste)
ON_UPDATE_COMMAND_UI(ID_EDIT_UNDO, OnUpdateEditUndo)
END_MESSAGE_MAP()

BOOL CEdit::Create(DWORD dwStyle, const RECT& rect, CWnd* pParentWnd, UINT nID) {
  return CreateEx(0, WC_EDIT, "", dwStyle | WS_CHILD, rect, pParentWnd, nID);
}

QWidget* CEdit::MakeControlWidget(const CREATESTRUCT& cs, QWidget* parentWidget) {
  DWORD style = static_cast<DWORD>(cs.style);
  if (style & ES_MULTILINE) {
    auto* text = new HostedWidget<QPlainTextEdit>(this, parentWidget);
    text->setPlainText(FromWindowsLines(ToQt(cs.lpszName)));
    text->setReadOnly(style & ES_READONLY);
    text->setFocusPolicy(Qt::StrongFocus);
    QWidget* widget = text;
    QObject::connect(text, &QPlainTextEdit::textChanged, [widget, text] {
      const QString now = text->toPlainText();
      if (!HoldsAsText(now)) {
        const QSignalBlocker quiet(text);
        const QString kept = FromWindowsLines(ToQt(StateText(widget)));
        const int caret = text->textCursor().position() - (now.size() - kept.size());
        text->setPlainText(kept);
        QTextCursor cursor = text->textCursor();
        cursor.setPosition(std::clamp(caret, 0, static_cast<int>(kept.size())));
        text->setTextCursor(cursor);
        RefuseText();
        return;
      }
      SetStateText(widget, ToWindowsLines(now));
      NotifyParent(widget, EN_CHANGE);
    });
    return text;
  }
  auto* line = new HostedWidget<QLineEdit>(this, parentWidget);
  line->setText(ToQt(cs.lpszName));
  line->setReadOnly(style & ES_READONLY);
  line->setFrame(true);
  line->setFocusPolicy(Qt::StrongFocus);
  if ((style & 0x3) == ES_RIGHT) line->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
  if ((style & 0x3) == ES_CENTER) line->setAlignment(Qt::AlignHCenter | Qt::AlignVCenter);
  QWidget* widget = line;
  QObject::connect(line, &QLineEdit::textChanged, [widget, line](const QString& text) {
    if (!HoldsAsText(text)) {
      const QSignalBlocker quiet(line);
      const QString kept = ToQt(StateText(widget));
      const int caret = line->cursorPosition() - (text.size() - kept.size());
      line->setText(kept);
      line->setCursorPosition(std::clamp(caret, 0, static_cast<int>(kept.size())));
      RefuseText();
      return;
    }
    SetStateText(widget, FromQt(text));
    NotifyParent(widget, EN_CHANGE);
  });
  return line;
}

UINT CEdit::DlgCode(const MSG* key) const {
  UINT code = DLGC_WANTCHARS | DLGC_HASSETSEL | DLGC_WANTARROWS;
  if ((GetStyle() & (ES_MULTILINE | ES_WANTRETURN)) != (ES_MULTILINE | ES_WANTRETURN)) return code;
  // A multi-line edit that wants Return keeps it for new lines, but Tab and
  // Escape still move on and cancel: otherwise the user could never leave it
  // with the keyboard. The document area's keys (Ctrl+F4, Ctrl+F6) are no
  // edit's either.
  const bool areaKey = key && key->message == WM_KEYDOWN && GetKeyState(VK_CONTROL) < 0 &&
                       (key->wParam == VK_F4 || key->wParam == VK_F6);
  const bool passOn = areaKey || (key && (key->message == WM_KEYDOWN || key->message == WM_CHAR) &&
                                  (key->wParam == VK_TAB || key->wParam == VK_ESCAPE));
  return passOn ? code : code | DLGC_WANTALLKEYS;
}

LRESULT CEdit::DefWindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
  QLineEdit* line = LineOf(this);
  QPlainTextEdit* text = TextOf(this);
  switch (message) {
    case WM_CHAR:
      // Digits-only edits refuse other printable characters, with a beep.
      if ((GetStyle() & ES_NUMBER) && wParam >= 0x20 && (wParam < '0' || wParam > '9')) {
        MessageBeep(static_cast<UINT>(-1));
        return 0;
      }
      return CQxControl::DefWindowProc(message, wParam, lParam);
    case WM_SETTEXT: {
      LRESULT result = CQxControl::DefWindowProc(message, wParam, lParam);
      QString value = ToQt(reinterpret_cast<const char*>(lParam));
      if (line && line->text() != value) line->setText(value);
      if (text) text->setPlainText(FromWindowsLines(value));
      return result;
    }
    case EM_SETSEL:
    case EM_GETSEL:
      return SelectionMessage(message, wParam, lParam);
    case WM_CUT:
    case WM_COPY:
    case WM_PASTE:
    case WM_UNDO:
    case EM_UNDO:
    case EM_CANUNDO:
      return ClipboardMessage(message);
    case EM_LIMITTEXT:
      if (line) line->setMaxLength(wParam ? static_cast<int>(wParam) : 32767);
      return 0;
    case EM_SETREADONLY:
      if (line) line->setReadOnly(wParam != 0);
      if (text) text->setReadOnly(wParam != 0);
      return TRUE;
    case WM_SETFOCUS:
      Notify(EN_SETFOCUS);
      return 0;
    case WM_KILLFOCUS:
      Notify(EN_KILLFOCUS);
      return 0;
    default:
      return CQxControl::DefWindowProc(message, wParam, lParam);
  }
}

LRESULT CEdit::SelectionMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  QLineEdit* line = LineOf(this);
  if (message == EM_SETSEL) {
    int start = static_cast<int>(wParam);
    int end = static_cast<int>(lParam);
    if (!line) return 0;
    int length = static_cast<int>(line->text().size());
    if (start < 0) {
      line->deselect();
      return 0;
    }
    // An end of -1 (or beyond the text) is the end of the text.
    if (end < 0 || end > length) end = length;
    start = std::min(start, length);
    line->setSelection(start, end - start);
    return 0;
  }
  int start = 0;
  int end = 0;
  if (line) {
    start = line->hasSelectedText() ? line->selectionStart() : line->cursorPosition();
    end = line->hasSelectedText() ? line->selectionEnd() : start;
  }
  if (wParam) *reinterpret_cast<DWORD*>(wParam) = static_cast<DWORD>(start);
  if (lParam) *reinterpret_cast<DWORD*>(lParam) = static_cast<DWORD>(end);
  return MAKELPARAM(start, end);
}

LRESULT CEdit::ClipboardMessage(UINT message) {
  QLineEdit* line = LineOf(this);
  QPlainTextEdit* text = TextOf(this);
  if (!line && !text) return 0;
  const bool canUndo =
      !IsReadOnly() && (line ? line->isUndoAvailable() : text->document()->isUndoAvailable());
  switch (message) {
    case WM_CUT:
      if (IsReadOnly()) return 0;
      line ? line->cut() : text->cut();
      return 0;
    case WM_COPY:
      line ? line->copy() : text->copy();
      return 0;
    case WM_PASTE:
      if (IsReadOnly()) return 0;
      line ? line->paste() : text->paste();
      return 0;
    case EM_CANUNDO:
      return canUndo ? TRUE : FALSE;
    default:  // WM_UNDO, EM_UNDO
      if (!canUndo) return FALSE;
      line ? line->undo() : text->undo();
      return TRUE;
  }
}

bool CEdit::HasSelection() const {
  if (QLineEdit* line = LineOf(this)) return line->hasSelectedText();
  if (QPlainTextEdit* text = TextOf(this)) return text->textCursor().hasSelection();
  return false;
}

bool CEdit::IsReadOnly() const {
  if (QLineEdit* line = LineOf(this)) return line->isReadOnly();
  if (QPlainTextEdit* text = TextOf(this)) return text->isReadOnly();
  return true;
}

void CEdit::Cut() {
  SendMessage(WM_CUT);
}

void CEdit::Copy() {
  SendMessage(WM_COPY);
}

void CEdit::Paste() {
  SendMessage(WM_PASTE);
}

BOOL CEdit::Undo() {
  return static_cast<BOOL>(SendMessage(EM_UNDO));
}

BOOL CEdit::CanUndo() const {
  return static_cast<BOOL>(Ask(this, EM_CANUNDO, 0, 0));
}

void CEdit::OnUpdateEditCut(CCmdUI* pCmdUI) {
  pCmdUI->Enable(HasSelection() && !IsReadOnly());
}

void CEdit::OnUpdateEditCopy(CCmdUI* pCmdUI) {
  pCmdUI->Enable(HasSelection());
}

void CEdit::OnUpdateEditPaste(CCmdUI* pCmdUI) {
  pCmdUI->Enable(!IsReadOnly() && IsClipboardFormatAvailable(CF_TEXT));
}

void CEdit::OnUpdateEditUndo(CCmdUI* pCmdUI) {
  pCmdUI->Enable(CanUndo());
}

void CEdit::SetSel(int nStartChar, int nEndChar, BOOL) {
  SendMessage(EM_SETSEL, static_cast<WPARAM>(nStartChar), nEndChar);
}

void CEdit::GetSel(int& nStartChar, int& nEndChar) const {
  DWORD start = 0;
  DWORD end = 0;
  Ask(this, EM_GETSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end));
  nStartChar = static_cast<int>(start);
  nEndChar = static_cast<int>(end);
}

void CEdit::LimitText(int nChars) {
  SendMessage(EM_LIMITTEXT, static_cast<WPARAM>(nChars));
}

BOOL CEdit::SetReadOnly(BOOL bReadOnly) {
  return static_cast<BOOL>(SendMessage(EM_SETREADONLY, static_cast<WPARAM>(bReadOnly)));
}

// ---- combo boxes ------------------------------------------------------------------------

namespace {

// The combo's widget, with a flag that keeps its own changes from notifying.
class ComboWidget : public HostedWidget<QComboBox> {
 public:
  using HostedWidget<QComboBox>::HostedWidget;
  int m_quiet = 0;
};

ComboWidget* ComboOf(const CWnd* wnd) {
  return dynamic_cast<ComboWidget*>(wnd->GetWidget());
}

// The closed height of a drop-down list; the template's height is the list's.
constexpr int kComboHeight = 21;

}  // namespace

BOOL CComboBox::Create(DWORD dwStyle, const RECT& rect, CWnd* pParentWnd, UINT nID) {
  return CreateEx(0, WC_COMBOBOX, "", dwStyle | WS_CHILD, rect, pParentWnd, nID);
}

QWidget* CComboBox::MakeControlWidget(const CREATESTRUCT& cs, QWidget* parentWidget) {
  auto* combo = new ComboWidget(this, parentWidget);
  combo->setEditable((cs.style & 0x3) == CBS_DROPDOWN || (cs.style & 0x3) == CBS_SIMPLE);
  combo->setFocusPolicy(Qt::StrongFocus);
  combo->setMaxVisibleItems(std::max(1, (cs.cy - kComboHeight) / 13));
  QObject::connect(combo, &QComboBox::currentIndexChanged, [combo](int index) {
    SetStateText(combo, index < 0 ? CString() : FromQt(combo->itemText(index)));
    if (combo->m_quiet == 0) NotifyParent(combo, CBN_SELCHANGE);
  });
  QObject::connect(combo, &QComboBox::activated, [combo](int) {
    if (combo->m_quiet == 0) NotifyParent(combo, CBN_SELENDOK);
  });
  return combo;
}

LRESULT CComboBox::DefWindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
  ComboWidget* combo = ComboOf(this);
  if (!combo) return CQxControl::DefWindowProc(message, wParam, lParam);
  int count = combo->count();
  int index = static_cast<int>(wParam);
  bool valid = index >= 0 && index < count;
  switch (message) {
    case CB_GETCOUNT:
      return count;
    case CB_GETCURSEL:
      return combo->currentIndex();
    case CB_SETCURSEL: {
      ++combo->m_quiet;
      combo->setCurrentIndex(valid ? index : -1);
      --combo->m_quiet;
      return valid ? index : CB_ERR;
    }
    case CB_ADDSTRING:
    case CB_INSERTSTRING: {
      QString text = ToQt(reinterpret_cast<const char*>(lParam));
      int at = message == CB_ADDSTRING || index < 0 || index > count ? count : index;
      if (message == CB_ADDSTRING && (GetStyle() & CBS_SORT)) {
        at = 0;
        while (at < count && combo->itemText(at).compare(text, Qt::CaseInsensitive) <= 0) ++at;
      }
      ++combo->m_quiet;
      combo->insertItem(at, text, QVariant::fromValue<qulonglong>(0));
      // A list with no selection stays without one, as the system's does.
      if (count == 0) combo->setCurrentIndex(-1);
      --combo->m_quiet;
      return at;
    }
    case CB_DELETESTRING:
      if (!valid) return CB_ERR;
      ++combo->m_quiet;
      combo->removeItem(index);
      --combo->m_quiet;
      return combo->count();
    case CB_RESETCONTENT:
      ++combo->m_quiet;
      combo->clear();
      --combo->m_quiet;
      return 0;
    case CB_GETLBTEXTLEN:
      return valid ? static_cast<LRESULT>(FromQt(combo->itemText(index)).GetLength()) : CB_ERR;
    case CB_GETLBTEXT: {
      if (!valid) return CB_ERR;
      const CString text = FromQt(combo->itemText(index));
      if (lParam)
        std::memcpy(reinterpret_cast<char*>(lParam), text.GetString(), text.GetLength() + 1);
      return text.GetLength();
    }
    case CB_GETITEMDATA:
      return valid ? static_cast<LRESULT>(combo->itemData(index).toULongLong()) : CB_ERR;
    case CB_SETITEMDATA:
      if (!valid) return CB_ERR;
      combo->setItemData(index, QVariant::fromValue<qulonglong>(static_cast<qulonglong>(lParam)));
      return 0;
    case WM_SETFOCUS:
      Notify(CBN_SETFOCUS);
      return 0;
    case WM_KILLFOCUS:
      Notify(CBN_KILLFOCUS);
      return 0;
    default:
      return CQxControl::DefWindowProc(message, wParam, lParam);
  }
}

bool CComboBox::QxMoveWindow(int x, int y, int nWidth, int nHeight) {
  QWidget* widget = GetWidget();
  CWnd* parent = GetParent();
  if (!widget || !parent) return false;
  if (widget->parentWidget() == parent->GetWidget()) {
    CRect insets = parent->GetNonClientInsets();
    x += insets.left;
    y += insets.top;
  }
  widget->setGeometry(x, y, std::max(0, nWidth), std::clamp(nHeight, 0, kComboHeight));
  QxSyncClientSize();
  return true;
}

int CComboBox::GetCount() const {
  return static_cast<int>(Ask(this, CB_GETCOUNT));
}
int CComboBox::GetCurSel() const {
  return static_cast<int>(Ask(this, CB_GETCURSEL));
}
int CComboBox::SetCurSel(int nSelect) {
  return static_cast<int>(SendMessage(CB_SETCURSEL, static_cast<WPARAM>(nSelect)));
}
int CComboBox::AddString(LPCTSTR lpszString) {
  return static_cast<int>(SendMessage(CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(lpszString)));
}
int CComboBox::InsertString(int nIndex, LPCTSTR lpszString) {
  return static_cast<int>(SendMessage(CB_INSERTSTRING, static_cast<WPARAM>(nIndex),
                                      reinterpret_cast<LPARAM>(lpszString)));
}
int CComboBox::DeleteString(UINT nIndex) {
  return static_cast<int>(SendMessage(CB_DELETESTRING, nIndex));
}
void CComboBox::ResetContent() {
  SendMessage(CB_RESETCONTENT);
}
int CComboBox::GetLBText(int nIndex, LPTSTR lpszText) const {
  return static_cast<int>(
      Ask(this, CB_GETLBTEXT, static_cast<WPARAM>(nIndex), reinterpret_cast<LPARAM>(lpszText)));
}
void CComboBox::GetLBText(int nIndex, CString& rString) const {
  ComboWidget* combo = ComboOf(this);
  rString =
      combo && nIndex >= 0 && nIndex < combo->count() ? FromQt(combo->itemText(nIndex)) : CString();
}
int CComboBox::GetLBTextLen(int nIndex) const {
  return static_cast<int>(Ask(this, CB_GETLBTEXTLEN, static_cast<WPARAM>(nIndex)));
}
DWORD_PTR CComboBox::GetItemData(int nIndex) const {
  return static_cast<DWORD_PTR>(Ask(this, CB_GETITEMDATA, static_cast<WPARAM>(nIndex)));
}
int CComboBox::SetItemData(int nIndex, DWORD_PTR dwItemData) {
  return static_cast<int>(
      SendMessage(CB_SETITEMDATA, static_cast<WPARAM>(nIndex), static_cast<LPARAM>(dwItemData)));
}

// ---- templates --------------------------------------------------------------------------

namespace {

template <class Control>
CWnd* MakeFromItem(CWnd* parent, const QxDialogItem& item, const CRect& pixels) {
  auto* control = new Control;
  control->m_bQxAutoDelete = TRUE;
  if (!control->CreateEx(item.exStyle, item.className, item.text, item.style | WS_CHILD, pixels,
                         parent, item.id)) {
    delete control;
    return nullptr;
  }
  if (auto* combo = dynamic_cast<CComboBox*>(static_cast<CWnd*>(control))) {
    for (const CString& entry : item.list) combo->AddString(entry);
  }
  if (auto* list = dynamic_cast<CListBox*>(static_cast<CWnd*>(control))) {
    for (const CString& entry : item.list) list->AddString(entry);
  }
  return control;
}

}  // namespace

void QxRegisterStandardControls() {
  static bool registered = false;
  if (registered) return;
  registered = true;
  QxRegisterControlFactory(WC_STATIC, &MakeFromItem<CStatic>);
  QxRegisterControlFactory(WC_BUTTON, &MakeFromItem<CButton>);
  QxRegisterControlFactory(WC_EDIT, &MakeFromItem<CEdit>);
  QxRegisterControlFactory(WC_COMBOBOX, &MakeFromItem<CComboBox>);
  QxRegisterControlFactory(WC_LISTBOX, &MakeFromItem<CListBox>);
  QxRegisterControlFactory(TRACKBAR_CLASS, &MakeFromItem<CSliderCtrl>);
  QxRegisterControlFactory(UPDOWN_CLASS, &MakeFromItem<CSpinButtonCtrl>);
}

namespace {
// Dialog bars made before any dialog find the controls registered too.
const bool g_controlsRegistered = (QxRegisterStandardControls(), true);
}  // namespace

BOOL QxCreateTemplateControls(CWnd* parent, const QxDialogTemplate& dialogTemplate) {
  QxRegisterStandardControls();
  return QxCreateDialogControls(parent, dialogTemplate);
}

bool QxIsPushButton(CWnd* wnd) {
  auto* button = dynamic_cast<CButton*>(wnd);
  if (!button) return false;
  DWORD kind = button->GetStyle() & BS_TYPEMASK;
  return kind == BS_PUSHBUTTON || kind == BS_DEFPUSHBUTTON;
}

// ---- attaching a member ---------------------------------------------------------------

BOOL QxAttachControl(CWnd& member, CWnd* existing) {
  auto* source = dynamic_cast<CQxControl*>(existing);
  auto* target = dynamic_cast<CQxControl*>(&member);
  if (!source || !target || member.GetSafeHwnd() || !source->m_bQxAutoDelete) return FALSE;
  CWnd* parent = source->GetParent();
  QWidget* widget = source->GetWidget();
  if (!parent || !widget) return FALSE;

  DWORD style = source->GetStyle();
  DWORD exStyle = source->GetExStyle();
  CString text;
  source->GetWindowText(text);
  int id = source->GetDlgCtrlID();
  CRect rect;
  source->GetWindowRect(&rect);
  parent->ScreenToClient(&rect);
  std::vector<CWnd*> siblings = parent->GetChildren();
  size_t place = std::find(siblings.begin(), siblings.end(), existing) - siblings.begin();
  bool focused = CWnd::GetFocus() == existing;
  QRect geometry = widget->geometry();

  ++g_attaching;
  // The old object lets go of the widget, then its window goes (and it with it).
  if (auto* link = dynamic_cast<WndLink*>(widget)) link->m_pWnd = nullptr;
  UnregisterWidget(widget);
  WidgetAccess::SetWidget(source, nullptr);
  source->DestroyWindow();

  target->m_pQxAdopted = widget;
  BOOL made = target->CreateEx(exStyle, nullptr, text, style & ~WS_VISIBLE, rect, parent,
                               static_cast<UINT>(id));
  if (made) {
    widget->setGeometry(geometry);
    WidgetAccess::SyncClientSize(target);
    auto& children = WidgetAccess::State(parent).children;
    children.erase(std::remove(children.begin(), children.end(), target), children.end());
    children.insert(children.begin() + static_cast<long>(std::min(place, children.size())), target);
    if (focused) target->SetFocus();
  } else {
    target->m_pQxAdopted = nullptr;
    delete widget;
  }
  --g_attaching;
  return made;
}
