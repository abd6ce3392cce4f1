#include "platform/ui/Wnd.h"

#include "platform/core/CodePage.h"
#include "platform/core/Debug.h"
#include "platform/core/VectorState.h"
#include "platform/gdi/Screen.h"
#include "platform/ui/WindowSystem.h"
#include "platform/ui/WndInternal.h"

#include <QApplication>
#include <QCursor>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QMainWindow>
#include <QMouseEvent>
#include <QPainter>
#include <QPaintEvent>
#include <QScreen>

#include <algorithm>
#include <atomic>
#include <map>
#include <mutex>
#include <set>

IMPLEMENT_DYNCREATE(CWnd, CCmdTarget)

using qxui::WidgetAccess;
using qxui::WndState;

// ---- handles --------------------------------------------------------------

namespace {

// Registries that outlive every static object (windows may be static objects).
std::mutex g_handleLock;
std::map<HWND, CWnd*>& Windows() {
  static auto* windows = new std::map<HWND, CWnd*>;
  return *windows;
}
UINT_PTR g_nextHandle = 0x10000;

HWND NewHandle(CWnd* wnd) {
  std::lock_guard<std::mutex> guard(g_handleLock);
  g_nextHandle += 4;
  HWND hWnd = reinterpret_cast<HWND>(g_nextHandle);
  Windows()[hWnd] = wnd;
  return hWnd;
}

void ForgetHandle(HWND hWnd) {
  std::lock_guard<std::mutex> guard(g_handleLock);
  Windows().erase(hWnd);
}

std::map<const QWidget*, CWnd*>& Widgets() {
  static auto* widgets = new std::map<const QWidget*, CWnd*>;
  return *widgets;
}

// The mouse position as the layer last saw it (or a test set it).
QPoint g_cursorPos;

// The message being handled (Default passes it on).
thread_local MSG t_currentMessage;

}  // namespace

CWnd* CWnd::FromHandle(HWND hWnd) {
  if (!hWnd) return nullptr;
  std::lock_guard<std::mutex> guard(g_handleLock);
  auto found = Windows().find(hWnd);
  return found == Windows().end() ? nullptr : found->second;
}

BOOL IsWindow(HWND hWnd) {
  return CWnd::FromHandle(hWnd) != nullptr;
}

BOOL IsWindowVisible(HWND hWnd) {
  CWnd* wnd = CWnd::FromHandle(hWnd);
  return wnd && wnd->IsWindowVisible();
}

LRESULT SendMessage(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam) {
  CWnd* wnd = CWnd::FromHandle(hWnd);
  return wnd ? wnd->SendMessage(message, wParam, lParam) : 0;
}

namespace qxui {

QString ToQt(const char* text) {
  QString result;
  for (const char* p = text ? text : ""; *p; ++p) {
    const char32_t c = QxWindows1252ToUnicode(static_cast<BYTE>(*p));
    result += QChar(static_cast<char16_t>(c));
  }
  return result;
}

CString FromQt(const QString& text) {
  std::string bytes;
  bytes.reserve(static_cast<size_t>(text.size()));
  for (char32_t c : text.toUcs4()) {
    BYTE byte = '?';
    QxUnicodeToWindows1252(c, &byte);
    bytes += static_cast<char>(byte);
  }
  return CString(bytes.c_str());
}

bool HoldsAsText(const QString& text) {
  BYTE byte = 0;
  for (char32_t c : text.toUcs4())
    if (!QxUnicodeToWindows1252(c, &byte)) return false;
  return true;
}

CWnd* WindowOfWidget(const QWidget* widget) {
  for (; widget; widget = widget->parentWidget()) {
    auto found = Widgets().find(widget);
    if (found != Widgets().end()) return found->second;
  }
  return nullptr;
}

namespace {
WindowSystemServices g_services;
}  // namespace

const WindowSystemServices& Services() {
  return g_services;
}

void SetWindowSystemServices(const WindowSystemServices& services) {
  g_services = services;
}

void RegisterWidget(QWidget* widget, CWnd* wnd) {
  FollowToolkitFocus();
  Widgets()[widget] = wnd;
}
void UnregisterWidget(QWidget* widget) {
  Widgets().erase(widget);
}

}  // namespace qxui

// ---- window classes --------------------------------------------------------

namespace {

struct ClassRegistry {
  std::map<std::string, qxui::WndClass> classes;
};

ClassRegistry& Classes() {
  static auto* registry = new ClassRegistry;
  return *registry;
}

}  // namespace

LPCSTR AfxRegisterWndClass(UINT nClassStyle, HCURSOR hCursor, HBRUSH hbrBackground, HICON hIcon) {
  char name[96];
  std::snprintf(name, sizeof name, "Afx:%x:%p:%p:%p", nClassStyle, static_cast<void*>(hCursor),
                static_cast<void*>(hbrBackground), static_cast<void*>(hIcon));
  auto [it, inserted] = Classes().classes.try_emplace(name);
  if (inserted) it->second = {nClassStyle, hCursor, hbrBackground, hIcon};
  return it->first.c_str();
}

namespace qxui {

WndClass LookUpClass(LPCSTR name) {
  if (name) {
    auto found = Classes().classes.find(name);
    if (found != Classes().classes.end()) return found->second;
  }
  return {CS_DBLCLKS, LoadCursor(nullptr, IDC_ARROW), nullptr, nullptr};
}

}  // namespace qxui

// ---- cursors ----------------------------------------------------------------

namespace {

struct CursorData {
  UINT id;
  QCursor cursor;
};

std::map<UINT, std::unique_ptr<CursorData>>& Cursors() {
  static auto* cursors = new std::map<UINT, std::unique_ptr<CursorData>>;
  return *cursors;
}

HCURSOR g_cursor = nullptr;

Qt::CursorShape ShapeOf(UINT id) {
  switch (id) {
    case 32513:
      return Qt::IBeamCursor;
    case 32514:
      return Qt::WaitCursor;
    case 32515:
      return Qt::CrossCursor;
    case 32516:
      return Qt::UpArrowCursor;
    case 32642:
      return Qt::SizeFDiagCursor;
    case 32643:
      return Qt::SizeBDiagCursor;
    case 32644:
      return Qt::SizeHorCursor;
    case 32645:
      return Qt::SizeVerCursor;
    case 32646:
      return Qt::SizeAllCursor;
    case 32648:
      return Qt::ForbiddenCursor;
    case 32649:
      return Qt::PointingHandCursor;
    case 32650:
      return Qt::BusyCursor;
    default:
      return Qt::ArrowCursor;
  }
}

void ApplyCursor() {
  CWnd* under = CWnd::FromHandle(qxui::WindowUnderMouse());
  if (!under || !under->GetWidget()) return;
  if (g_cursor) {
    under->GetWidget()->setCursor(reinterpret_cast<CursorData*>(g_cursor)->cursor);
  } else {
    under->GetWidget()->setCursor(Qt::BlankCursor);
  }
}

}  // namespace

HCURSOR LoadCursor(HINSTANCE, LPCSTR name) {
  if (!IS_INTRESOURCE(name)) return nullptr;
  UINT id = static_cast<UINT>(reinterpret_cast<UINT_PTR>(name));
  auto& cursors = Cursors();
  auto found = cursors.find(id);
  if (found != cursors.end()) return reinterpret_cast<HCURSOR>(found->second.get());
  if (id < 32512 || id > 32650) return nullptr;
  auto data = std::make_unique<CursorData>(CursorData{id, QCursor(ShapeOf(id))});
  HCURSOR handle = reinterpret_cast<HCURSOR>(data.get());
  cursors[id] = std::move(data);
  return handle;
}

void QxRegisterCursor(UINT id, const QImage& image, int hotX, int hotY) {
  // Handles given out earlier (a window class, the cursor shown now) stay
  // valid: the data behind them changes in place.
  auto& slot = Cursors()[id];
  if (!slot) slot = std::make_unique<CursorData>(CursorData{id, QCursor()});
  slot->cursor = QCursor(QPixmap::fromImage(image), hotX, hotY);
  if (g_cursor == reinterpret_cast<HCURSOR>(slot.get())) ApplyCursor();
}

namespace {

struct IconData {
  QImage image;
};

std::map<UINT, std::unique_ptr<IconData>>& Icons() {
  static auto* icons = new std::map<UINT, std::unique_ptr<IconData>>;
  return *icons;
}

}  // namespace

void QxRegisterIcon(UINT id, const QImage& image) {
  auto& slot = Icons()[id];
  if (!slot) slot = std::make_unique<IconData>();
  slot->image = image;
}

HICON LoadIcon(HINSTANCE, LPCSTR name) {
  if (!IS_INTRESOURCE(name)) return nullptr;
  auto found = Icons().find(static_cast<UINT>(reinterpret_cast<UINT_PTR>(name)));
  return found == Icons().end() ? nullptr : reinterpret_cast<HICON>(found->second.get());
}

QImage QxIconImage(HICON icon) {
  return icon ? reinterpret_cast<IconData*>(icon)->image : QImage();
}

UINT QxCursorId(HCURSOR cursor) {
  return cursor ? reinterpret_cast<CursorData*>(cursor)->id : 0;
}

HCURSOR SetCursor(HCURSOR cursor) {
  HCURSOR previous = g_cursor;
  g_cursor = cursor;
  ApplyCursor();
  return previous;
}

HCURSOR GetCursor() {
  return g_cursor;
}

BOOL GetCursorPos(LPPOINT point) {
  if (!point) return FALSE;
  point->x = g_cursorPos.x();
  point->y = g_cursorPos.y();
  return TRUE;
}

BOOL SetCursorPos(int x, int y) {
  g_cursorPos = QPoint(x, y);
  if (qobject_cast<QGuiApplication*>(QCoreApplication::instance())) QCursor::setPos(x, y);
  return TRUE;
}

namespace qxui {
void SetCursorPosInternal(const QPoint& global) {
  g_cursorPos = global;
}
}  // namespace qxui

// ---- system colours ---------------------------------------------------------

COLORREF GetSysColor(int index) {
  switch (index) {
    case COLOR_WINDOW:
    case COLOR_BTNHIGHLIGHT:
    case COLOR_HIGHLIGHTTEXT:
      return RGB(255, 255, 255);
    case COLOR_WINDOWTEXT:
    case COLOR_BTNTEXT:
    case COLOR_MENUTEXT:
    case COLOR_INFOTEXT:
    case COLOR_WINDOWFRAME:
    case COLOR_3DDKSHADOW:
      return RGB(0, 0, 0);
    case COLOR_BTNSHADOW:
    case COLOR_GRAYTEXT:
    case COLOR_APPWORKSPACE:
      return RGB(128, 128, 128);
    case COLOR_HIGHLIGHT:
      return RGB(0, 0, 128);
    case COLOR_INFOBK:
      return RGB(255, 255, 225);
    case COLOR_3DLIGHT:
      return RGB(223, 223, 223);
    default:
      return RGB(192, 192, 192);  // button face, menus, scroll bars
  }
}

HBRUSH GetSysColorBrush(int index) {
  static auto* brushes = new std::map<int, std::unique_ptr<CBrush>>;
  auto& brush = (*brushes)[index];
  if (!brush) brush = std::make_unique<CBrush>(GetSysColor(index));
  return static_cast<HBRUSH>(brush->GetSafeHandle());
}

namespace {

// A class brush may be a real brush or a system colour index plus one.
void FillWithClassBrush(CDC& dc, HBRUSH brush, const CRect& rect) {
  UINT_PTR value = reinterpret_cast<UINT_PTR>(brush);
  if (value > 0 && value <= 31) {
    dc.FillSolidRect(&rect, GetSysColor(static_cast<int>(value) - 1));
    return;
  }
  if (CBrush* wrapper = CBrush::FromHandle(brush)) dc.FillRect(&rect, wrapper);
}

}  // namespace

// ---- the widget ---------------------------------------------------------------

namespace qxui {

WndWidget::WndWidget(CWnd* wnd, QWidget* parent, Qt::WindowFlags flags) : QWidget(parent, flags) {
  m_pWnd = wnd;
  setAttribute(Qt::WA_OpaquePaintEvent);
  setAttribute(Qt::WA_NoSystemBackground);
  setMouseTracking(true);
  setFocusPolicy(Qt::NoFocus);
  RegisterWidget(this, wnd);
}

WndWidget::~WndWidget() {
  UnregisterWidget(this);
  if (m_pWnd) WidgetAccess::WidgetGone(m_pWnd);
}

bool WndWidget::event(QEvent* event) {
  if (m_pWnd && event->type() != QEvent::Paint && m_pWnd->QxEvent(event)) return true;
  return QWidget::event(event);
}

QSize WndWidget::sizeHint() const {
  if (!m_pWnd) return QWidget::sizeHint();
  CSize size = m_pWnd->QxPreferredSize();
  return size.cx < 0 ? QWidget::sizeHint() : QSize(size.cx, size.cy);
}

void WndWidget::paintEvent(QPaintEvent*) {
  if (!m_pWnd) return;
  QPainter painter(this);
  m_pWnd->QxPaint(painter);
}

}  // namespace qxui

// ---- construction -------------------------------------------------------------

CWnd::CWnd() : m_state(std::make_unique<WndState>()) {}

CWnd::~CWnd() {
  if (m_hWnd) {
    // The object goes before its window: destroy the window without calling
    // back into the derived class (PostNcDestroy here is the base's).
    DestroyWindow();
  }
  if (m_pWidget) {
    if (auto* widget = dynamic_cast<qxui::WndLink*>(m_pWidget)) widget->m_pWnd = nullptr;
    delete m_pWidget;
    m_pWidget = nullptr;
  }
}

BOOL CWnd::PreCreateWindow(CREATESTRUCT&) {
  return TRUE;
}

void CWnd::CalcWindowRect(LPRECT lpClientRect, UINT) {
  CRect insets = GetNonClientInsets();
  lpClientRect->left -= insets.left;
  lpClientRect->top -= insets.top;
  lpClientRect->right += insets.right;
  lpClientRect->bottom += insets.bottom;
}

BOOL CWnd::Create(LPCTSTR lpszClassName, LPCTSTR lpszWindowName, DWORD dwStyle, const RECT& rect,
                  CWnd* pParentWnd, UINT nID, CCreateContext* pContext) {
  return CreateEx(0, lpszClassName, lpszWindowName, dwStyle | WS_CHILD, rect, pParentWnd, nID,
                  pContext);
}

BOOL CWnd::CreateEx(DWORD dwExStyle, LPCTSTR lpszClassName, LPCTSTR lpszWindowName, DWORD dwStyle,
                    const RECT& rect, CWnd* pParentWnd, UINT nID, LPVOID lpParam) {
  return CreateEx(dwExStyle, lpszClassName, lpszWindowName, dwStyle, rect.left, rect.top,
                  rect.right - rect.left, rect.bottom - rect.top,
                  pParentWnd ? pParentWnd->m_hWnd : nullptr,
                  reinterpret_cast<HMENU>(static_cast<UINT_PTR>(nID)), lpParam);
}

QWidget* CWnd::QxCreateWidget(const CREATESTRUCT& cs, QWidget* parentWidget) {
  Qt::WindowFlags flags;
  if (!(cs.style & WS_CHILD)) {
    bool decorated = (cs.style & WS_CAPTION) == WS_CAPTION;
    flags = decorated ? Qt::Window : (Qt::Tool | Qt::FramelessWindowHint);
  }
  return new qxui::WndWidget(this, parentWidget, flags);
}

BOOL CWnd::CreateEx(DWORD dwExStyle, LPCTSTR lpszClassName, LPCTSTR lpszWindowName, DWORD dwStyle,
                    int x, int y, int nWidth, int nHeight, HWND hWndParent, HMENU nIDorHMenu,
                    LPVOID lpParam) {
  if (m_hWnd) return FALSE;
  QxUiThreadId();
  CREATESTRUCT cs;
  cs.dwExStyle = dwExStyle;
  cs.lpszClass = lpszClassName;
  cs.lpszName = lpszWindowName;
  cs.style = static_cast<LONG>(dwStyle);
  cs.x = x;
  cs.y = y;
  cs.cx = nWidth;
  cs.cy = nHeight;
  cs.hwndParent = hWndParent;
  cs.hMenu = nIDorHMenu;
  cs.lpCreateParams = lpParam;
  if (!PreCreateWindow(cs)) return FALSE;

  WndState& state = *m_state;
  state.wndClass = qxui::LookUpClass(cs.lpszClass);
  state.style = static_cast<DWORD>(cs.style);
  state.exStyle = cs.dwExStyle;
  state.text = cs.lpszName;
  CWnd* parent = CWnd::FromHandle(cs.hwndParent);
  bool child = (state.style & WS_CHILD) != 0;
  state.id = child ? static_cast<UINT>(reinterpret_cast<UINT_PTR>(cs.hMenu)) : 0;
  if (child && parent) {
    state.parent = parent;
  } else {
    m_pOwner = parent;
  }

  QWidget* parentWidget = parent ? parent->QxChildContainer() : nullptr;
  if (!child && parentWidget) parentWidget = parentWidget->window();
  m_pWidget = QxCreateWidget(cs, parentWidget);
  if (!m_pWidget) return FALSE;
  m_hWnd = NewHandle(this);
  if (state.parent) state.parent->m_state->children.push_back(this);
  m_pWidget->setWindowTitle(qxui::ToQt(state.text.GetString()));

  // Geometry: default sizes for CW_USEDEFAULT, the rest as given.
  if (cs.x == CW_USEDEFAULT) cs.x = cs.y = 0;
  if (cs.cx == CW_USEDEFAULT) {
    cs.cx = GetSystemMetrics(SM_CXSCREEN) * 3 / 4;
    cs.cy = GetSystemMetrics(SM_CYSCREEN) * 3 / 4;
  }
  MoveWindow(cs.x, cs.y, std::max(0, cs.cx), std::max(0, cs.cy), FALSE);
  if (state.clientSize.cx < 0) QxSyncClientSize();

  HWND hSelf = m_hWnd;
  if (SendMessage(WM_NCCREATE, 0, reinterpret_cast<LPARAM>(&cs)) == 0 ||
      SendMessage(WM_CREATE, 0, reinterpret_cast<LPARAM>(&cs)) == -1) {
    // The window goes, and with it (PostNcDestroy) perhaps this object.
    if (IsWindow(hSelf)) DestroyWindow();
    return FALSE;
  }
  if (!IsWindow(hSelf)) return FALSE;
  CRect client;
  GetClientRect(&client);
  SendMessage(WM_SIZE, SIZE_RESTORED, MAKELPARAM(client.Width(), client.Height()));
  if (state.style & WS_VISIBLE) {
    if (state.style & WS_MAXIMIZE) {
      ShowWindow(SW_SHOWMAXIMIZED);
    } else {
      m_pWidget->show();
    }
  }
  return TRUE;
}

namespace {

bool IsSelfOrDescendant(const CWnd* root, HWND hWnd) {
  for (CWnd* wnd = CWnd::FromHandle(hWnd); wnd; wnd = wnd->GetParent()) {
    if (wnd == root) return true;
  }
  return false;
}

}  // namespace

BOOL CWnd::DestroyWindow() {
  if (!m_hWnd || m_state->destroying) return FALSE;
  m_state->destroying = true;
  if (::GetCapture() && IsSelfOrDescendant(this, ::GetCapture())) ReleaseCapture();
  if (::GetFocus() && IsSelfOrDescendant(this, ::GetFocus())) ::SetFocus(nullptr);
  if (qxui::GetCaretInfo().owner && IsSelfOrDescendant(this, qxui::GetCaretInfo().owner)) {
    ::DestroyCaret();
  }
  if (m_state->modalLoop) m_state->modalLoop->exit(0);
  SendMessage(WM_DESTROY);
  std::vector<CWnd*> children = m_state->children;
  for (CWnd* child : children) {
    if (std::find(m_state->children.begin(), m_state->children.end(), child) !=
        m_state->children.end()) {
      child->DestroyWindow();
    }
  }
  m_state->timers.clear();
  m_state->timerElapse.clear();
  if (m_pWidget) {
    QWidget* widget = m_pWidget;
    m_pWidget = nullptr;
    if (auto* own = dynamic_cast<qxui::WndLink*>(widget)) own->m_pWnd = nullptr;
    qxui::UnregisterWidget(widget);
    QWidget* outer = m_state->outer ? m_state->outer.data() : widget;
    m_state->outer = nullptr;
    outer->hide();
    outer->deleteLater();
  }
  SendMessage(WM_NCDESTROY);
  if (m_state->parent) {
    auto& siblings = m_state->parent->m_state->children;
    siblings.erase(std::remove(siblings.begin(), siblings.end(), this), siblings.end());
    m_state->parent = nullptr;
  }
  ForgetHandle(m_hWnd);
  m_hWnd = nullptr;
  m_state->destroying = false;
  m_state->image = QImage();
  m_state->overlay = QImage();
  m_state->overlayWidget = nullptr;
  m_state->clientSize = CSize(-1, -1);
  PostNcDestroy();  // may delete this
  return TRUE;
}

void CWnd::QxWidgetGone() {
  m_pWidget = nullptr;
  m_state->overlayWidget = nullptr;
  if (m_hWnd) DestroyWindow();
}

// ---- messages -------------------------------------------------------------------

LRESULT CWnd::SendMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  MSG saved = t_currentMessage;
  t_currentMessage.hwnd = m_hWnd;
  t_currentMessage.message = message;
  t_currentMessage.wParam = wParam;
  t_currentMessage.lParam = lParam;
  // Every handler runs clean, whatever Qt's dispatch or painting left behind.
  QxCleanVectorState();
  LRESULT result = WindowProc(message, wParam, lParam);
  t_currentMessage = saved;
  return result;
}

BOOL CWnd::PostMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  return ::PostMessage(m_hWnd, message, wParam, lParam);
}

void CWnd::SendMessageToDescendants(UINT message, WPARAM wParam, LPARAM lParam, BOOL bDeep, BOOL) {
  std::vector<CWnd*> children = m_state->children;
  for (CWnd* child : children) {
    HWND hChild = child->m_hWnd;
    if (!IsWindow(hChild)) continue;
    child->SendMessage(message, wParam, lParam);
    if (bDeep && IsWindow(hChild)) child->SendMessageToDescendants(message, wParam, lParam, TRUE);
  }
}

LRESULT CWnd::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
  LRESULT result = 0;
  if (!OnWndMsg(message, wParam, lParam, &result)) result = DefWindowProc(message, wParam, lParam);
  return result;
}

BOOL CWnd::OnWndMsg(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* pResult) {
  if (message == WM_COMMAND) {
    if (OnCommand(wParam, lParam)) {
      *pResult = 1;
      return TRUE;
    }
    return FALSE;
  }
  // Owner-draw and scroll messages from a control go to the control first.
  if (message == WM_DRAWITEM || message == WM_MEASUREITEM) {
    if (CWnd* control = GetDlgItem(static_cast<int>(wParam))) {
      if (control->OnChildNotify(message, wParam, lParam, pResult)) return TRUE;
    }
  }
  return DispatchMappedMessage(message, wParam, lParam, pResult);
}

const MSG* CWnd::GetCurrentMessage() {
  return &t_currentMessage;
}

LRESULT CWnd::Default() {
  const MSG& msg = t_currentMessage;
  return DefWindowProc(msg.message, msg.wParam, msg.lParam);
}

BOOL CWnd::OnChildNotify(UINT, WPARAM, LPARAM, LRESULT*) {
  return FALSE;
}

BOOL CWnd::OnCommand(WPARAM wParam, LPARAM lParam) {
  UINT nID = LOWORD(wParam);
  int nCode = HIWORD(wParam);
  HWND hControl = reinterpret_cast<HWND>(lParam);
  // Menus (code 0) and accelerators (code 1) are plain commands.
  if (!hControl) nCode = CN_COMMAND;
  if (hControl) {
    CWnd* control = CWnd::FromHandle(hControl);
    LRESULT ignored = 0;
    if (control && control->OnChildNotify(WM_COMMAND, wParam, lParam, &ignored)) return TRUE;
  }
  return OnCmdMsg(nID, nCode, nullptr, nullptr);
}

BOOL CWnd::OnCmdMsg(UINT nID, int nCode, void* pExtra, AFX_CMDHANDLERINFO* pHandlerInfo) {
  return CCmdTarget::OnCmdMsg(nID, nCode, pExtra, pHandlerInfo);
}

BOOL CWnd::PreTranslateMessage(MSG*) {
  return FALSE;
}

LRESULT CWnd::DefWindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_NCCREATE:
      return TRUE;
    case WM_PAINT: {
      PAINTSTRUCT ps;
      BeginPaint(&ps);
      EndPaint(&ps);
      return 0;
    }
    case WM_ERASEBKGND: {
      if (!m_state->wndClass.background) return 0;
      CDC* dc = CDC::FromHandle(reinterpret_cast<HDC>(wParam));
      if (!dc) return 0;
      CRect client;
      GetClientRect(&client);
      FillWithClassBrush(*dc, m_state->wndClass.background, client);
      return 1;
    }
    case WM_CLOSE:
      DestroyWindow();
      return 0;
    case WM_SETCURSOR: {
      CWnd* parent = GetParent();
      if (parent && parent->SendMessage(WM_SETCURSOR, wParam, lParam)) return TRUE;
      if (LOWORD(lParam) == 1 /* HTCLIENT */ && m_state->wndClass.cursor) {
        ::SetCursor(m_state->wndClass.cursor);
      }
      return FALSE;
    }
    case WM_MOUSEACTIVATE: {
      CWnd* parent = GetParent();
      if (parent) {
        LRESULT answer = parent->SendMessage(WM_MOUSEACTIVATE, wParam, lParam);
        if (answer) return answer;
      }
      return 1;  // MA_ACTIVATE
    }
    case WM_GETTEXTLENGTH:
      return m_state->text.GetLength();
    case WM_SETTEXT:
      m_state->text = reinterpret_cast<LPCSTR>(lParam);
      if (m_pWidget) m_pWidget->setWindowTitle(qxui::ToQt(m_state->text.GetString()));
      return TRUE;
    case WM_GETTEXT: {
      int n = static_cast<int>(wParam);
      char* buffer = reinterpret_cast<char*>(lParam);
      if (!buffer || n <= 0) return 0;
      lstrcpyn(buffer, m_state->text, n);
      return lstrlen(buffer);
    }
    case WM_CONTEXTMENU: {
      CWnd* parent = GetParent();
      if (parent) parent->SendMessage(message, wParam, lParam);
      return 0;
    }
    // A system key no window took goes to the menu of the top-level window:
    // F10 alone enters the menu bar's keyboard mode, Alt with a character
    // opens the menu of that mnemonic.
    case WM_SYSKEYDOWN:
      if (wParam == VK_F10 && GetKeyState(VK_SHIFT) >= 0 && GetKeyState(VK_CONTROL) >= 0)
        QxSendKeyMenu(0);
      return 0;
    case WM_SYSCHAR:
      QxSendKeyMenu(static_cast<UINT>(wParam));
      return 0;
    case WM_MOUSEWHEEL: {
      CWnd* parent = GetParent();
      return parent ? parent->SendMessage(message, wParam, lParam) : 0;
    }
    default:
      return 0;
  }
}

// ---- default message handlers ------------------------------------------------------

int CWnd::OnCreate(LPCREATESTRUCT) {
  return static_cast<int>(Default());
}
void CWnd::OnDestroy() {
  Default();
}
void CWnd::OnNcDestroy() {
  Default();
}
void CWnd::OnPaint() {
  Default();
}
BOOL CWnd::OnEraseBkgnd(CDC*) {
  return static_cast<BOOL>(Default());
}
void CWnd::OnSize(UINT, int, int) {
  Default();
}
void CWnd::OnMove(int, int) {
  Default();
}
void CWnd::OnTimer(UINT_PTR) {
  Default();
}
void CWnd::OnSetFocus(CWnd*) {
  Default();
}
void CWnd::OnKillFocus(CWnd*) {
  Default();
}
void CWnd::OnClose() {
  Default();
}
void CWnd::OnShowWindow(BOOL, UINT) {
  Default();
}
BOOL CWnd::OnSetCursor(CWnd*, UINT, UINT) {
  return static_cast<BOOL>(Default());
}
int CWnd::OnMouseActivate(CWnd*, UINT, UINT) {
  return static_cast<int>(Default());
}
BOOL CWnd::OnMouseWheel(UINT, short, CPoint) {
  return static_cast<BOOL>(Default());
}
void CWnd::OnMouseMove(UINT, CPoint) {
  Default();
}
void CWnd::OnLButtonDown(UINT, CPoint) {
  Default();
}
void CWnd::OnLButtonUp(UINT, CPoint) {
  Default();
}
void CWnd::OnLButtonDblClk(UINT, CPoint) {
  Default();
}
void CWnd::OnRButtonDown(UINT, CPoint) {
  Default();
}
void CWnd::OnRButtonUp(UINT, CPoint) {
  Default();
}
void CWnd::OnRButtonDblClk(UINT, CPoint) {
  Default();
}
void CWnd::OnMButtonDown(UINT, CPoint) {
  Default();
}
void CWnd::OnMButtonUp(UINT, CPoint) {
  Default();
}
void CWnd::OnMButtonDblClk(UINT, CPoint) {
  Default();
}
void CWnd::OnNcLButtonDown(UINT, CPoint) {
  Default();
}
void CWnd::OnNcRButtonDown(UINT, CPoint) {
  Default();
}
void CWnd::OnNcMButtonDown(UINT, CPoint) {
  Default();
}
void CWnd::OnKeyDown(UINT, UINT, UINT) {
  Default();
}
void CWnd::OnKeyUp(UINT, UINT, UINT) {
  Default();
}
void CWnd::OnChar(UINT, UINT, UINT) {
  Default();
}
void CWnd::OnSysKeyDown(UINT, UINT, UINT) {
  Default();
}
void CWnd::OnSysKeyUp(UINT, UINT, UINT) {
  Default();
}
void CWnd::OnSysChar(UINT, UINT, UINT) {
  Default();
}
UINT CWnd::OnGetDlgCode() {
  return static_cast<UINT>(Default());
}
void CWnd::OnHScroll(UINT, UINT, CScrollBar*) {
  Default();
}
void CWnd::OnVScroll(UINT, UINT, CScrollBar*) {
  Default();
}
void CWnd::OnDrawItem(int, LPDRAWITEMSTRUCT) {
  Default();
}
void CWnd::OnMeasureItem(int, LPMEASUREITEMSTRUCT) {
  Default();
}
void CWnd::OnContextMenu(CWnd*, CPoint) {
  Default();
}
void CWnd::OnInitMenu(CMenu*) {
  Default();
}
void CWnd::OnInitMenuPopup(CMenu*, UINT, BOOL) {
  Default();
}
void CWnd::OnMenuSelect(UINT, UINT, HMENU) {
  Default();
}
void CWnd::OnCaptureChanged(CWnd*) {
  Default();
}
void CWnd::OnDropFiles(HANDLE) {
  Default();
}
void CWnd::OnWindowPosChanged(void*) {
  Default();
}

// ---- styles, text, relations ----------------------------------------------------------

DWORD CWnd::GetStyle() const {
  DWORD style = m_state->style & ~WS_VISIBLE;
  if (m_pWidget && !m_pWidget->isHidden()) style |= WS_VISIBLE;
  if (m_pWidget && !m_pWidget->isEnabled()) style |= WS_DISABLED;
  return style;
}

DWORD CWnd::GetExStyle() const {
  return m_state->exStyle;
}

BOOL CWnd::ModifyStyle(DWORD dwRemove, DWORD dwAdd, UINT) {
  DWORD before = m_state->style;
  m_state->style = (before & ~dwRemove) | dwAdd;
  if (m_pWidget) m_pWidget->update();
  return before != m_state->style;
}

BOOL CWnd::ModifyStyleEx(DWORD dwRemove, DWORD dwAdd, UINT) {
  DWORD before = m_state->exStyle;
  m_state->exStyle = (before & ~dwRemove) | dwAdd;
  QxSyncClientSize();
  return before != m_state->exStyle;
}

UINT CWnd::GetClassStyle() const {
  return m_state->wndClass.style;
}

void CWnd::SetWindowText(LPCTSTR lpszString) {
  SendMessage(WM_SETTEXT, 0, reinterpret_cast<LPARAM>(lpszString ? lpszString : ""));
}

// The text is asked for with WM_GETTEXT, so windows that keep it elsewhere
// (a status bar's message pane, a control) answer for themselves.
int CWnd::GetWindowText(LPTSTR lpszStringBuf, int nMaxCount) const {
  if (!lpszStringBuf || nMaxCount <= 0) return 0;
  lpszStringBuf[0] = '\0';
  if (!m_hWnd) return 0;
  return static_cast<int>(const_cast<CWnd*>(this)->SendMessage(
      WM_GETTEXT, static_cast<WPARAM>(nMaxCount), reinterpret_cast<LPARAM>(lpszStringBuf)));
}

void CWnd::GetWindowText(CString& rString) const {
  if (!m_hWnd) {
    rString = m_state->text;
    return;
  }
  int length = GetWindowTextLength();
  std::string buffer(static_cast<size_t>(length) + 1, '\0');
  GetWindowText(buffer.data(), length + 1);
  rString = buffer.c_str();
}

int CWnd::GetWindowTextLength() const {
  if (!m_hWnd) return m_state->text.GetLength();
  return static_cast<int>(const_cast<CWnd*>(this)->SendMessage(WM_GETTEXTLENGTH));
}

int CWnd::GetDlgCtrlID() const {
  return static_cast<int>(m_state->id);
}

int CWnd::SetDlgCtrlID(int nID) {
  int old = static_cast<int>(m_state->id);
  m_state->id = static_cast<UINT>(nID);
  return old;
}

CWnd* CWnd::GetParent() const {
  return m_state->parent ? m_state->parent : nullptr;
}

CWnd* CWnd::SetParent(CWnd* pWndNewParent) {
  CWnd* old = m_state->parent;
  if (old) {
    auto& siblings = old->m_state->children;
    siblings.erase(std::remove(siblings.begin(), siblings.end(), this), siblings.end());
  }
  m_state->parent = pWndNewParent;
  if (pWndNewParent) {
    pWndNewParent->m_state->children.push_back(this);
    if (m_pWidget) {
      bool hidden = m_pWidget->isHidden();
      m_pWidget->setParent(pWndNewParent->QxChildContainer());
      if (!hidden) m_pWidget->show();
    }
  }
  return old;
}

CWnd* CWnd::GetOwner() const {
  return m_pOwner ? m_pOwner : GetParent();
}

void CWnd::QxSendKeyMenu(UINT nChar) {
  // The window a child belongs to; a popup (a dialog) is a top-level window
  // of its own, whatever its owner.
  CWnd* top = this;
  while ((top->GetStyle() & WS_CHILD) && top->GetParent()) top = top->GetParent();
  top->SendMessage(WM_SYSCOMMAND, SC_KEYMENU, nChar);
}

CWnd* CWnd::GetTopLevelParent() const {
  const CWnd* wnd = this;
  while (wnd->GetParent()) wnd = wnd->GetParent();
  return const_cast<CWnd*>(wnd);
}

CWnd* CWnd::GetDlgItem(int nID) const {
  for (CWnd* child : m_state->children) {
    if (static_cast<int>(child->m_state->id) == nID) return child;
  }
  return nullptr;
}

std::vector<CWnd*> CWnd::GetChildren() const {
  return m_state->children;
}

CWnd* CWnd::GetTopWindow() const {
  return m_state->children.empty() ? nullptr : m_state->children.front();
}

BOOL CWnd::IsChild(const CWnd* pWnd) const {
  for (const CWnd* wnd = pWnd ? pWnd->GetParent() : nullptr; wnd; wnd = wnd->GetParent()) {
    if (wnd == this) return TRUE;
  }
  return FALSE;
}

BOOL CWnd::IsWindowEnabled() const {
  return m_pWidget && m_pWidget->isEnabled();
}

BOOL CWnd::EnableWindow(BOOL bEnable) {
  BOOL wasDisabled = !IsWindowEnabled();
  if (m_pWidget) m_pWidget->setEnabled(bEnable != FALSE);
  return wasDisabled;
}

BOOL CWnd::IsIconic() const {
  return m_pWidget && m_pWidget->isMinimized();
}
BOOL CWnd::IsZoomed() const {
  return m_pWidget && m_pWidget->isMaximized();
}

// ---- geometry ----------------------------------------------------------------------

CRect CWnd::GetNonClientInsets() const {
  DWORD style = m_state->style;
  DWORD ex = m_state->exStyle;
  if (m_state->qtFrame || (!(style & WS_CHILD) && (style & WS_CAPTION) == WS_CAPTION)) {
    // A frame's menu bar is not part of its client area.
    auto* window = qobject_cast<QMainWindow*>(m_pWidget);
    QWidget* menu = window ? window->menuWidget() : nullptr;
    int top = menu && !menu->isHidden() ? menu->sizeHint().height() : 0;
    return CRect(0, top, 0, 0);
  }
  int inset = 0;
  if (style & WS_DLGFRAME) {
    inset += 3;
  } else if (style & WS_BORDER) {
    inset += 1;
  }
  if (ex & WS_EX_CLIENTEDGE) inset += 2;
  if (ex & WS_EX_STATICEDGE) inset += 1;
  return CRect(inset, inset, inset, inset);
}

void CWnd::GetClientRect(LPRECT lpRect) const {
  if (this == GetDesktopWindow()) {
    ::SetRect(lpRect, 0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN));
    return;
  }
  CSize size = m_state->clientSize;
  ::SetRect(lpRect, 0, 0, std::max(0L, static_cast<long>(size.cx)),
            std::max(0L, static_cast<long>(size.cy)));
}

void CWnd::GetWindowRect(LPRECT lpRect) const {
  if (this == GetDesktopWindow()) {
    GetClientRect(lpRect);
    return;
  }
  if (!m_pWidget) {
    ::SetRectEmpty(lpRect);
    return;
  }
  *lpRect = qxui::ToRECT(m_pWidget->isWindow()
                             ? m_pWidget->frameGeometry()
                             : QRect(m_pWidget->mapToGlobal(QPoint(0, 0)), m_pWidget->size()));
}

void CWnd::ClientToScreen(LPPOINT lpPoint) const {
  if (!m_pWidget) return;
  CRect insets = GetNonClientInsets();
  QPoint global = m_pWidget->mapToGlobal(QPoint(lpPoint->x + insets.left, lpPoint->y + insets.top));
  lpPoint->x = global.x();
  lpPoint->y = global.y();
}

void CWnd::ClientToScreen(LPRECT lpRect) const {
  ClientToScreen(reinterpret_cast<LPPOINT>(&lpRect->left));
  ClientToScreen(reinterpret_cast<LPPOINT>(&lpRect->right));
}

void CWnd::ScreenToClient(LPPOINT lpPoint) const {
  if (!m_pWidget) return;
  CRect insets = GetNonClientInsets();
  QPoint local = m_pWidget->mapFromGlobal(QPoint(lpPoint->x, lpPoint->y));
  lpPoint->x = local.x() - insets.left;
  lpPoint->y = local.y() - insets.top;
}

void CWnd::ScreenToClient(LPRECT lpRect) const {
  ScreenToClient(reinterpret_cast<LPPOINT>(&lpRect->left));
  ScreenToClient(reinterpret_cast<LPPOINT>(&lpRect->right));
}

void CWnd::MapWindowPoints(CWnd* pwndTo, LPPOINT lpPoint, UINT nCount) const {
  for (UINT i = 0; i < nCount; ++i) {
    ClientToScreen(&lpPoint[i]);
    if (pwndTo) pwndTo->ScreenToClient(&lpPoint[i]);
  }
}

void CWnd::MapWindowPoints(CWnd* pwndTo, LPRECT lpRect) const {
  MapWindowPoints(pwndTo, reinterpret_cast<LPPOINT>(lpRect), 2);
}

void CWnd::MoveWindow(int x, int y, int nWidth, int nHeight, BOOL bRepaint) {
  if (!m_pWidget) return;
  if (QxMoveWindow(x, y, nWidth, nHeight)) return;
  nWidth = std::max(0, nWidth);
  nHeight = std::max(0, nHeight);
  CWnd* parent = GetParent();
  if (parent && m_pWidget->parentWidget() == parent->GetWidget()) {
    CRect insets = parent->GetNonClientInsets();
    x += insets.left;
    y += insets.top;
  }
  if (m_pWidget->isWindow()) {
    m_pWidget->move(x, y);
    m_pWidget->resize(nWidth, nHeight);
  } else {
    m_pWidget->setGeometry(x, y, nWidth, nHeight);
  }
  QxSyncClientSize();
  if (bRepaint) Invalidate();
}

void CWnd::MoveWindow(LPCRECT lpRect, BOOL bRepaint) {
  MoveWindow(lpRect->left, lpRect->top, lpRect->right - lpRect->left, lpRect->bottom - lpRect->top,
             bRepaint);
}

BOOL CWnd::SetWindowPos(const CWnd* pWndInsertAfter, int x, int y, int cx, int cy, UINT nFlags) {
  if (!m_pWidget) return FALSE;
  CRect rect;
  GetWindowRect(&rect);
  CWnd* parent = GetParent();
  if (parent) parent->ScreenToClient(&rect);
  if (nFlags & SWP_NOMOVE) {
    x = rect.left;
    y = rect.top;
  }
  if (nFlags & SWP_NOSIZE) {
    cx = rect.Width();
    cy = rect.Height();
  }
  MoveWindow(x, y, cx, cy, !(nFlags & SWP_NOREDRAW));
  if (!(nFlags & SWP_NOZORDER) && pWndInsertAfter == nullptr) m_pWidget->raise();
  if (nFlags & SWP_SHOWWINDOW) ShowWindow(SW_SHOWNA);
  if (nFlags & SWP_HIDEWINDOW) ShowWindow(SW_HIDE);
  return TRUE;
}

BOOL CWnd::ShowWindow(int nCmdShow) {
  if (!m_pWidget) return FALSE;
  BOOL wasVisible = !m_pWidget->isHidden();
  switch (nCmdShow) {
    case SW_HIDE:
      if (wasVisible && ::GetFocus() && IsSelfOrDescendant(this, ::GetFocus())) ::SetFocus(nullptr);
      m_pWidget->hide();
      break;
    case SW_SHOWMAXIMIZED:
      m_pWidget->isWindow() ? m_pWidget->showMaximized() : m_pWidget->show();
      break;
    case SW_MINIMIZE:
    case SW_SHOWMINIMIZED:
    case SW_SHOWMINNOACTIVE:
      m_pWidget->isWindow() ? m_pWidget->showMinimized() : m_pWidget->hide();
      break;
    case SW_RESTORE:
    case SW_SHOWNORMAL:
      m_pWidget->isWindow() ? m_pWidget->showNormal() : m_pWidget->show();
      break;
    default:
      m_pWidget->show();
      break;
  }
  if (wasVisible != !m_pWidget->isHidden()) {
    SendMessage(WM_SHOWWINDOW, !m_pWidget->isHidden(), 0);
  }
  QxSyncClientSize();
  return wasVisible;
}

BOOL CWnd::IsWindowVisible() const {
  if (!m_pWidget) return FALSE;
  for (const QWidget* w = m_pWidget; w; w = w->parentWidget()) {
    if (w->isHidden()) return FALSE;
    if (w->isWindow()) break;
  }
  return TRUE;
}

void CWnd::CenterWindow(CWnd* pAlternateOwner) {
  if (!m_pWidget) return;
  CWnd* around = pAlternateOwner ? pAlternateOwner : GetOwner();
  CRect outer;
  if (around && around->m_pWidget) {
    around->GetWindowRect(&outer);
  } else {
    outer.SetRect(0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN));
  }
  CRect rect;
  GetWindowRect(&rect);
  int x = outer.left + (outer.Width() - rect.Width()) / 2;
  int y = outer.top + (outer.Height() - rect.Height()) / 2;
  if (CWnd* parent = GetParent()) {
    CPoint p(x, y);
    parent->ScreenToClient(&p);
    x = p.x;
    y = p.y;
  }
  SetWindowPos(nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
}

BOOL CWnd::BringWindowToTop() {
  if (!m_pWidget) return FALSE;
  if (!m_pWidget->isWindow() || qxui::Services().raisesWindows) {
    m_pWidget->raise();
  }
  return TRUE;
}

void CWnd::QxSyncClientSize() {
  if (!m_pWidget) return;
  CRect insets = GetNonClientInsets();
  CSize size(std::max(0, m_pWidget->width() - insets.left - insets.right),
             std::max(0, m_pWidget->height() - insets.top - insets.bottom));
  WndState& state = *m_state;
  if (size == state.clientSize) return;
  CSize old = state.clientSize;
  state.clientSize = size;
  if (QxShowsImage()) {
    QImage image(std::max(1, static_cast<int>(size.cx)), std::max(1, static_cast<int>(size.cy)),
                 QImage::Format_RGB32);
    image.fill(Qt::white);
    if (!state.image.isNull()) {
      QPainter painter(&image);
      painter.drawImage(0, 0, state.image);
    }
    state.image = image;
    state.overlay = QImage();
    // The newly uncovered area (or all, for classes that redraw on resize) is invalid.
    QRegion invalid(0, 0, size.cx, size.cy);
    bool redrawAll = (state.wndClass.style & (CS_HREDRAW | CS_VREDRAW)) != 0 || old.cx < 0;
    if (!redrawAll) invalid -= QRegion(0, 0, old.cx, old.cy);
    state.update += invalid;
    if (!invalid.isEmpty()) state.erase = true;
  }
  if (state.overlayWidget) state.overlayWidget->setGeometry(m_pWidget->rect());
  if (old.cx >= 0 && m_hWnd) {
    UINT type = m_pWidget->isMaximized() ? SIZE_MAXIMIZED : SIZE_RESTORED;
    SendMessage(WM_SIZE, type, MAKELPARAM(size.cx, size.cy));
  }
}
